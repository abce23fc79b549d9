// The registry routines of aliases and transaction kinds, and the kinds
// themselves as the designer applies them, on a registry store in the
// test's own folder.

#include "dbaccess/connection/reg_utils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dbaccess/connection/app_database.h"
#include "framework/core/storage/registry.h"
#include "framework/core/component/strings.h"
#include "tests/support/temp_folder.h"

namespace {

class RegUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("TULVO_REGISTRY", FFolder.File("registry").c_str(), 1); }
  void TearDown() override { ::unsetenv("TULVO_REGISTRY"); }

 private:
  TTempFolder FFolder;
};

TEST_F(RegUtilsTest, ValuesAreWrittenWithTheirRegistryTypesAndReadBack) {
  WriteRegValues("Software\\Test\\Deep\\Key", {"Text", "Number", "Flag", "Ratio", "Money", "Extra"},
                 {Variant("Kelvorsk"), Variant(42), Variant(true), Variant(0.5), Variant(TCurrency{12345}),
                  Variant::Null()});
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("Software\\Test\\Deep\\Key", false));
  EXPECT_EQ(registry.ReadString("Text"), "Kelvorsk");
  EXPECT_EQ(registry.ReadInteger("Number"), 42);
  EXPECT_TRUE(registry.ReadBool("Flag"));
  EXPECT_EQ(registry.ReadFloat("Ratio"), 0.5);
  EXPECT_EQ(registry.ReadCurrency("Money").Value, 12345);
  // A value with no registry type is skipped, not written as something else.
  EXPECT_FALSE(registry.ValueExists("Extra"));

  const auto values = ReadRegValues("Software\\Test\\Deep\\Key", {"Text", "Number", "Ratio", "Missing"});
  ASSERT_TRUE(values);
  ASSERT_EQ(values->size(), 4u);
  EXPECT_TRUE((*values)[0].Found);
  EXPECT_EQ((*values)[0].Value.AsString(), "Kelvorsk");
  EXPECT_TRUE((*values)[1].Found);
  EXPECT_EQ((*values)[1].Value.VarType(), TVarType::Integer);
  EXPECT_EQ((*values)[1].Value.AsInteger(), 42);
  // Binary values (floats among them) are not read.
  EXPECT_FALSE((*values)[2].Found);
  EXPECT_FALSE((*values)[3].Found);
}

TEST_F(RegUtilsTest, OnlyAsManyPairsAsTheShorterListHoldsAreWritten) {
  WriteRegValues("Software\\Test", {"A", "B", "C"}, {Variant("1"), Variant("2")});
  const auto values = ReadRegValues("Software\\Test", {"A", "B", "C"});
  ASSERT_TRUE(values);
  EXPECT_TRUE((*values)[1].Found);
  EXPECT_FALSE((*values)[2].Found);
}

TEST_F(RegUtilsTest, AnEmptyStringCountsAsMissing) {
  WriteRegValues("Software\\Test", {"Empty"}, {Variant("")});
  const auto values = ReadRegValues("Software\\Test", {"Empty"});
  ASSERT_TRUE(values);
  EXPECT_FALSE(values->front().Found);
}

TEST_F(RegUtilsTest, AMissingKeyIsNoListOfValues) {
  EXPECT_FALSE(ReadRegValues("Software\\Nowhere", {"A"}));
  WriteRegValues("Software\\Somewhere", {"A"}, {Variant("1")});
  EXPECT_FALSE(ReadRegValues("Software\\Somewhere\\Below", {"A"}));
  EXPECT_TRUE(ListRegSubKeys("Software\\Nowhere").empty());
  EXPECT_TRUE(ListRegSubKeys("Software\\Somewhere").empty());
}

TEST_F(RegUtilsTest, SubKeysAreFoundByTheirValueWithCase) {
  WriteRegValues("Software\\Kinds\\b", {"Name"}, {Variant("Second")});
  WriteRegValues("Software\\Kinds\\a", {"Name"}, {Variant("First")});
  WriteRegValues("Software\\Kinds\\c", {"Name"}, {Variant("Second")});
  WriteRegValues("Software\\Kinds\\d", {"Name"}, {Variant(7)});
  EXPECT_EQ(ListRegSubKeys("Software\\Kinds"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(FindRegSubKeyByValue("Software\\Kinds", "Name", "Second"), "b");
  EXPECT_EQ(FindRegSubKeyByValue("Software\\Kinds", "Name", "second"), "");
  EXPECT_EQ(FindRegSubKeyByValue("Software\\Kinds", "Name", "7"), "");
  EXPECT_EQ(FindRegSubKeyByValue("Software\\Nowhere", "Name", "First"), "");
}

// A transaction as the designer holds it.
class TDesignedTransaction : public TpFIBTransaction {
 public:
  TDesignedTransaction() : TpFIBTransaction(nullptr) {
    IncludeComponentState(TComponentStateItem::csDesigning);
  }
};

std::vector<std::string> LinesOf(const TStrings& strings) {
  std::vector<std::string> lines;
  for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings.Strings(i));
  return lines;
}

TEST_F(RegUtilsTest, AKindChosenInTheDesignerBringsItsParameters) {
  WriteRegValues(std::string(TransactionKindsRegistryKey) + "\\1", {"Name", "Params"},
                 {Variant("ReadOnly"), Variant("read\r\nnowait\r\nrec_version\r\nread_committed")});
  WriteRegValues(std::string(TransactionKindsRegistryKey) + "\\2", {"Name"}, {Variant("NoParams")});
  TDesignedTransaction designed;
  designed.SetUserKindTransaction("ReadOnly");
  EXPECT_EQ(designed.TPBMode(), tpbDefault);
  EXPECT_EQ(LinesOf(designed.TRParams()),
            (std::vector<std::string>{"read", "nowait", "rec_version", "read_committed"}));

  TDesignedTransaction other;
  other.SetUserKindTransaction("NoParams");
  EXPECT_EQ(other.UserKindTransaction(), "NoParams");
  EXPECT_EQ(other.TPBMode(), tpbReadCommitted);
  EXPECT_EQ(other.TRParams().Count(), 0);
}

TEST_F(RegUtilsTest, OutsideTheDesignerAKindIsOnlyAName) {
  WriteRegValues(std::string(TransactionKindsRegistryKey) + "\\1", {"Name", "Params"},
                 {Variant("ReadOnly"), Variant("read")});
  TpFIBTransaction transaction(nullptr);
  EXPECT_EQ(transaction.UserKindTransaction(), "NoUserKind");
  transaction.SetUserKindTransaction("ReadOnly");
  EXPECT_EQ(transaction.UserKindTransaction(), "ReadOnly");
  EXPECT_EQ(transaction.TPBMode(), tpbReadCommitted);
  EXPECT_EQ(transaction.TRParams().Count(), 0);
}

}  // namespace
