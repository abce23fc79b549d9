// The filter in the grid's stored layout, in a real registry file: written
// in load-all mode, removed otherwise, read back always, and a damaged
// value ignored.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "datagrid/filter/grid_filter.h"
#include "framework/core/storage/registry.h"
#include "tests/datagrid/grid_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr const char* Key = "\\Software\\Tulvo\\HOME";

class FilterLayoutTest : public GridTest {
 protected:
  void SetUp() override {
    ::setenv("TULVO_REGISTRY", Folder.File("registry").c_str(), 1);
    GridTest::SetUp();
    Fill(6);
    MakeGrid(DirectoryOptions());
  }
  void TearDown() override {
    GridTest::TearDown();
    ::unsetenv("TULVO_REGISTRY");
  }
  TdxDBTreeListColumn* Column(int index) const {
    return dynamic_cast<TdxDBTreeListColumn*>(Grid->Columns(index));
  }
  static int StoredSize() {
    TRegistry registry;
    if (!registry.OpenKey(Key, false) || !registry.ValueExists("Filter")) return -1;
    return registry.GetDataSize("Filter");
  }
  static void Store(const std::string& bytes) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(Key, true));
    registry.WriteBinaryData("Filter", bytes.data(), static_cast<int>(bytes.size()));
  }
  std::vector<int> AllIds() const {
    std::vector<int> ids;
    for (int i = 0; i < Grid->Count(); ++i) ids.push_back(NodeId(Grid->Items(i)));
    return ids;
  }

  TTempFolder Folder;
};

TEST_F(FilterLayoutTest, StoredFilterComesBackAndReachesTheDataSet) {
  Grid->Filter().SetAutoDataSetFilter(true);
  Grid->Filter().SetCaseInsensitive(true);
  Grid->Filter().SetDropDownCount(5);
  Grid->Filter().SetFilterStatus(fsAlways);
  Grid->Filter().ApplyValue(Column(0), Variant(4), "4");
  Grid->SaveLayoutToRegistry(Key);
  EXPECT_GT(StoredSize(), 0);
  Grid->Filter().ClearAll();
  Grid->Filter().SetAutoDataSetFilter(false);
  Grid->Filter().SetDropDownCount(12);
  EXPECT_EQ(Data->Filter(), "");
  std::vector<std::string> heard;
  Grid->OnFilterChanged = [&](TObject*, TDataSet*, std::string& text) { heard.push_back(text); };
  Grid->LoadLayoutFromRegistry(Key);
  EXPECT_EQ(Grid->Filter().FilterText(), "(HOME_ID = 4)");
  EXPECT_EQ(Grid->Filter().DropDownCount(), 5);
  EXPECT_TRUE(Grid->Filter().CaseInsensitive());
  EXPECT_EQ(Grid->Filter().FilterStatus(), fsAlways);
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back(), "(HOME_ID = 4)");
  EXPECT_EQ(Data->Filter(), "(HOME_ID = 4)");
  EXPECT_TRUE(Data->Filtered());
  EXPECT_EQ(AllIds(), (std::vector<int>{4}));
}

TEST_F(FilterLayoutTest, FilterOutsideLoadAllIsRemovedSoAClearedFilterStaysCleared) {
  Grid->Filter().ApplyValue(Column(0), Variant(2), "2");
  Grid->SaveLayoutToRegistry(Key);
  ASSERT_GT(StoredSize(), 0);
  // Saved again without load-all: the old value must not come back.
  Grid->Filter().ClearAll();
  Grid->SetOptionsDB(RecordWindowOptions());
  Grid->SaveLayoutToRegistry(Key);
  EXPECT_EQ(StoredSize(), -1);
  Grid->SetOptionsDB(DirectoryOptions());
  Grid->LoadLayoutFromRegistry(Key);
  EXPECT_TRUE(Grid->Filter().IsEmpty());
  EXPECT_EQ(Grid->Count(), 6);
}

TEST_F(FilterLayoutTest, StoredFilterIsReadEvenOutsideLoadAll) {
  Grid->Filter().ApplyValue(Column(0), Variant(3), "3");
  Grid->SaveLayoutToRegistry(Key);
  Grid->Filter().ClearAll();
  Grid->SetOptionsDB(RecordWindowOptions());
  Grid->LoadLayoutFromRegistry(Key);
  EXPECT_EQ(Grid->Filter().FilterText(), "(HOME_ID = 3)");
}

// Damaged values of many kinds: the filter the grid has stays, and the
// rest of the layout still loads.
class FilterLayoutDamage : public FilterLayoutTest, public ::testing::WithParamInterface<int> {};

TEST_P(FilterLayoutDamage, IsIgnored) {
  Grid->Filter().SetFilterStatus(fsNone);
  Grid->Filter().ApplyValue(Column(0), Variant(5), "5");
  Grid->SetDefaultRowHeight(21);
  Grid->SaveLayoutToRegistry(Key);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(Key, false));
  std::string bytes(static_cast<std::size_t>(registry.GetDataSize("Filter")), '\0');
  registry.ReadBinaryData("Filter", bytes.data(), static_cast<int>(bytes.size()));
  registry.CloseKey();
  switch (GetParam()) {
    case 0:  // cut short
      bytes.resize(bytes.size() - 3);
      break;
    case 1:  // foreign signature
      bytes[0] = 'X';
      break;
    case 2:  // status out of range
      bytes[7] = 9;
      break;
    case 3:  // a list count far beyond the data
      bytes[23] = 0x7f;
      break;
    default:  // garbage
      bytes = "garbage";
      break;
  }
  Store(bytes);
  Grid->SetDefaultRowHeight(30);
  Grid->Filter().ApplyValue(Column(0), Variant(6), "6");
  EXPECT_NO_THROW(Grid->LoadLayoutFromRegistry(Key));
  EXPECT_EQ(Grid->Filter().FilterText(), "(HOME_ID = 6)");
  EXPECT_EQ(AllIds(), (std::vector<int>{6}));
  EXPECT_EQ(Grid->DefaultRowHeight(), 21);
}

INSTANTIATE_TEST_SUITE_P(Values, FilterLayoutDamage, ::testing::Range(0, 5));

}  // namespace
