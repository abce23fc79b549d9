// The provider-support group of the dataset model: the parameter
// collection, the key fields a dataset names by its fields' flags, the
// errors a provider reports; and the application's exception hook.

#include <gtest/gtest.h>

#include "framework/core/data/provider.h"
#include "framework/core/system/exception_hook.h"
#include "tests/framework_core/dataset_fixture.h"

namespace {

TEST(Params, CopiesKeepNamesTypesAndValuesApart) {
  TParams params;
  params.CreateParam(ftInteger, "ID", ptInput).SetValue(Variant(7));
  params.CreateParam(ftString, "Name", ptInputOutput).SetValue(Variant("Ann"));
  TParams copy(params);
  params.ParamByName("id").SetValue(Variant(8));
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy[0].Value().AsInteger(), 7);
  EXPECT_EQ(copy.FindParam("NAME")->DataType(), ftString);
  EXPECT_EQ(copy[1].ParamType(), ptInputOutput);
  EXPECT_EQ(params[0].Value().AsInteger(), 8);
  EXPECT_EQ(copy.FindParam("missing"), nullptr);
  EXPECT_THROW(copy.ParamByName("missing"), EDatabaseError);
  EXPECT_THROW(copy[2], EListError);
}

TEST(ProviderSupport, KeyFieldsAreTheFieldsFlaggedAsKey) {
  TMemoryDataSet data(nullptr);
  FillPeople(data, 2);
  EXPECT_EQ(data.PSGetKeyFields(), "");
  data.FieldByName("ID")->SetProviderFlags({pfInUpdate, pfInWhere, pfInKey});
  EXPECT_EQ(data.PSGetKeyFields(), "ID");
  data.FieldByName("NAME")->SetProviderFlags({pfInKey});
  EXPECT_EQ(data.PSGetKeyFields(), "ID;NAME");
}

TEST(ProviderSupport, ADatasetWithoutSqlRefusesStatementsAndSaysSo) {
  TMemoryDataSet data(nullptr);
  EXPECT_THROW(data.PSExecuteStatement("select 1 from t", nullptr), EDatabaseError);
  EXPECT_THROW(data.PSExecute(), EDatabaseError);
  EXPECT_FALSE(data.PSIsSQLBased());
  EXPECT_EQ(data.PSGetParams(), nullptr);
}

TEST(ProviderSupport, UpdateErrorsCarryThePreviousErrorsCode) {
  TMemoryDataSet data(nullptr);
  const EUpdateError previous("first", "", 17, 0);
  const std::unique_ptr<EUpdateError> error = data.PSGetUpdateException(EDatabaseError("broken"), &previous);
  EXPECT_EQ(error->Message(), "broken");
  EXPECT_EQ(error->ErrorCode(), 0);
  EXPECT_EQ(error->PreviousError(), 17);
  const std::unique_ptr<EUpdateError> same = data.PSGetUpdateException(previous, nullptr);
  EXPECT_EQ(same->ErrorCode(), 17);
  EXPECT_EQ(same->Message(), "first");
}

// Installs a handler for the life of the scope, then puts the old one back.
class HandlerScope {
 public:
  explicit HandlerScope(TApplicationExceptionHandler handler)
      : FPrevious(SetApplicationExceptionHandler(std::move(handler))) {}
  ~HandlerScope() { SetApplicationExceptionHandler(std::move(FPrevious)); }

 private:
  TApplicationExceptionHandler FPrevious;
};

TEST(ApplicationExceptionHook, TakesTheExceptionBeingHandledOnlyWhenInstalled) {
  try {
    throw Exception("nobody");
  } catch (...) {
    EXPECT_FALSE(HandleApplicationException(nullptr));
  }
  std::string seen;
  HandlerScope scope([&seen](TObject*) {
    try {
      throw;
    } catch (const Exception& e) {
      seen = e.Message();
    }
  });
  try {
    throw Exception("shown");
  } catch (...) {
    EXPECT_TRUE(HandleApplicationException(nullptr));
  }
  EXPECT_EQ(seen, "shown");
}

}  // namespace
