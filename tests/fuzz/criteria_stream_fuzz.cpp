// The filter criteria's stream form, as a grid reads it from a stored
// layout, and what the grid then does with the criteria read.
//
// Input: the stream.
// Promises checked:
// - reading fails only with the stream read error, and then leaves the
//   criteria as they were;
// - criteria read are consistent, and written out they read back as the
//   same criteria, written out again unchanged;
// - their filter expression is one the dataset's filter parser reads;
// - evaluating, rendering and removing items raise nothing but the
//   variant's errors.

#include <string>
#include <string_view>
#include <vector>

#include "datagrid/criteria/criteria.h"
#include "dbaccess/filter/filter_parser.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/storage/streams.h"
#include "tests/datagrid/criteria_test_support.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::string Saved(const TdxCriteria& criteria) {
  TMemoryStream stream;
  criteria.SaveToStream(stream);
  stream.Seek(0, soBeginning);
  return stream.ReadRest();
}

// Reads the bytes into the criteria; false when the stream is refused.
bool Load(TdxCriteria& criteria, std::string_view bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.Seek(0, soBeginning);
  try {
    criteria.LoadFromStream(stream);
    return true;
  } catch (const EReadError&) {
    return false;
  }
}

// The first leaf's key, depth first.
const TdxCriteriaItem* FirstLeaf(const TdxCriteriaItemList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    const TdxCustomCriteriaItem* node = list.Items(i);
    if (!node->IsList()) return static_cast<const TdxCriteriaItem*>(node);
    if (const TdxCriteriaItem* leaf = FirstLeaf(static_cast<const TdxCriteriaItemList&>(*node))) return leaf;
  }
  return nullptr;
}

// Any field name, its kind unknown, so that the expression is checked as
// text, whatever the fields of a dataset would make of it.
class TAnyFields final : public TFilterRecordSource {
 public:
  int FindField(std::string_view name) override {
    for (std::size_t i = 0; i < FNames.size(); ++i)
      if (FNames[i] == name) return static_cast<int>(i);
    FNames.emplace_back(name);
    return static_cast<int>(FNames.size() - 1);
  }
  bool IsFilterable(int) override { return true; }
  TFilterType FieldType(int) override { return TFilterType::Unknown; }
  void ReadField(int, TFilterValue& value) override { value.SetNull(); }

 private:
  std::vector<std::string> FNames;
};

void Evaluate(const TTestCriteria& criteria, const TTestRow& row) {
  try {
    criteria.Evaluate(&row);
  } catch (const EVariantError&) {
  } catch (const EConvertError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = FuzzText(data, size);

  TTestCriteria criteria;
  criteria.Root().AddItem("NAME", ocEqual, "ABC", "ABC");
  criteria.Root().AddList(jtOr)->AddItem("PHONE", ocIsNull, "", Variant::Null());
  const std::string before = Saved(criteria);
  if (!Load(criteria, bytes)) {
    FUZZ_CHECK(Saved(criteria) == before, FuzzShown(bytes));
    return 0;
  }
  criteria.CheckInvariants();

  const std::string once = Saved(criteria);
  TTestCriteria again;
  FUZZ_CHECK(Load(again, once), FuzzShown(bytes) + "\nwrote " + FuzzShown(once));
  const std::string twice = Saved(again);
  FUZZ_CHECK(twice == once, FuzzShown(bytes) + "\nonce  " + FuzzShown(once) + "\ntwice " + FuzzShown(twice));

  // Empty criteria give no filter at all.
  const std::string filter = criteria.FilterText();
  try {
    TAnyFields fields;
    if (!filter.empty()) ParseFilterExpression(filter, TFilterExpressionOptions{}, fields);
  } catch (const EDatabaseError& e) {
    FUZZ_CHECK(false, FuzzShown(bytes) + "\nfilter " + FuzzShown(filter) + "\nrefused: " + e.Message());
  }
  criteria.DisplayText();

  const TTestRow row{{"NAME", Variant("ABC")}, {"PHONE", Variant(2)}, {"ID", Variant(2.5)}};
  Evaluate(criteria, row);
  criteria.CaseInsensitive = true;
  Evaluate(criteria, TTestRow{});

  if (const TdxCriteriaItem* leaf = FirstLeaf(criteria.Root())) {
    const std::string key = leaf->Key();
    criteria.RemoveItems(key);
    criteria.CheckInvariants();
    FUZZ_CHECK(criteria.FindItem(key) == nullptr, FuzzShown(bytes) + " key " + FuzzShown(key));
  }
  return 0;
}
