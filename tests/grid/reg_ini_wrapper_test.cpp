#include "grid/support/reg_ini_wrapper.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/storage/ini_files.h"
#include "framework/core/storage/registry.h"
#include "framework/core/component/strings.h"
#include "framework/core/text/text.h"
#include "tests/support/listings.h"
#include "tests/support/temp_folder.h"

namespace {

enum class Store { Registry, IniFile };

// A registry store and an ini file of the test's own. The registry wrapper
// works below the layout's root key, as the grids open it.
class RegIniWrapperTest : public ::testing::Test {
 protected:
  static constexpr const char* Root = "\\Software\\Tulvo\\HOME";

  void SetUp() override { ::setenv("TULVO_REGISTRY", FFolder.File("registry").c_str(), 1); }
  void TearDown() override { ::unsetenv("TULVO_REGISTRY"); }

  std::string IniPath() const { return FFolder.File("layout.ini"); }

  // A fresh storage object of the kind, and a wrapper over it.
  TdxRegIniWrapper& Open(Store store) {
    FWrapper.reset();
    FRegistry.reset();
    FIniFile.reset();
    if (store == Store::Registry) {
      FRegistry = std::make_unique<TRegIniFile>();
      EXPECT_TRUE(FRegistry->OpenKey(Root, true));
      FWrapper = std::make_unique<TdxRegIniWrapper>(*FRegistry);
    } else {
      FIniFile = std::make_unique<TMemIniFile>(IniPath());
      FWrapper = std::make_unique<TdxRegIniWrapper>(*FIniFile);
    }
    return *FWrapper;
  }
  // Makes what was written lasting (the memory ini file writes on demand).
  void Save() {
    if (FIniFile) FIniFile->UpdateFile();
  }

  TTempFolder FFolder;
  std::unique_ptr<TRegIniFile> FRegistry;
  std::unique_ptr<TMemIniFile> FIniFile;
  std::unique_ptr<TdxRegIniWrapper> FWrapper;
};

class BothStoresTest : public RegIniWrapperTest, public ::testing::WithParamInterface<Store> {};

INSTANTIATE_TEST_SUITE_P(Stores, BothStoresTest, ::testing::Values(Store::Registry, Store::IniFile),
                         [](const auto& info) {
                           return info.param == Store::Registry ? "Registry" : "IniFile";
                         });

TEST_P(BothStoresTest, ValuesRoundTripThroughTheStore) {
  TdxRegIniWrapper& out = Open(GetParam());
  const std::string caption = RU("Фамилия, имя");
  out.WriteTextValue("Column0", "Caption", caption);
  out.WriteIntegerValue("Column0", "Width", -125);
  out.WriteBooleanValue("Column0", "Visible", false);
  out.WriteBooleanValue("Column1", "Visible", true);
  Save();

  TdxRegIniWrapper& in = Open(GetParam());
  EXPECT_EQ(in.ReadTextValue("Column0", "Caption", "?"), caption);
  EXPECT_EQ(in.ReadIntegerValue("Column0", "Width", 0), -125);
  EXPECT_FALSE(in.ReadBooleanValue("Column0", "Visible", true));
  EXPECT_TRUE(in.ReadBooleanValue("Column1", "Visible", false));
  // Missing sections and values give the defaults.
  EXPECT_EQ(in.ReadTextValue("Column0", "Missing", "dflt"), "dflt");
  EXPECT_EQ(in.ReadIntegerValue("Column9", "Width", 77), 77);
  EXPECT_TRUE(in.ReadBooleanValue("Column9", "Visible", true));
}

TEST_P(BothStoresTest, SectionsAreListedAndErasedWithTheirValues) {
  TdxRegIniWrapper& store = Open(GetParam());
  store.WriteIntegerValue("Band0", "Width", 1);
  store.WriteIntegerValue("Band1", "Width", 2);
  store.WriteIntegerValue("Column0", "Width", 3);
  TStringList sections;
  store.ReadSections(sections);
  EXPECT_EQ(Lines(sections), (std::vector<std::string>{"Band0", "Band1", "Column0"}));

  store.EraseSection("Band1");
  store.ReadSections(sections);
  EXPECT_EQ(Lines(sections), (std::vector<std::string>{"Band0", "Column0"}));
  EXPECT_EQ(store.ReadIntegerValue("Band1", "Width", -1), -1);
}

struct StoredBoolean {
  const char* Text;
  bool Default;
  bool Expected;
};

void PrintTo(const StoredBoolean& b, std::ostream* os) { *os << '"' << b.Text << "\" default " << b.Default; }

class StoredBooleanTest : public RegIniWrapperTest,
                          public ::testing::WithParamInterface<std::tuple<Store, StoredBoolean>> {};

TEST_P(StoredBooleanTest, BooleanIsTheIntegerReadingAndNonNumbersGiveTheDefault) {
  const auto& [store, value] = GetParam();
  TdxRegIniWrapper& wrapper = Open(store);
  wrapper.WriteTextValue("Options", "Flag", value.Text);
  EXPECT_EQ(wrapper.ReadBooleanValue("Options", "Flag", value.Default), value.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StoredBooleanTest,
    ::testing::Combine(::testing::Values(Store::Registry, Store::IniFile),
                       ::testing::Values(StoredBoolean{"0", true, false}, StoredBoolean{"1", false, true},
                                         StoredBoolean{"7", false, true}, StoredBoolean{"-1", false, true},
                                         StoredBoolean{"yes", true, true}, StoredBoolean{"yes", false, false},
                                         StoredBoolean{"", true, true})),
    [](const auto& info) {
      return std::string(std::get<0>(info.param) == Store::Registry ? "Registry" : "IniFile") + "_" +
             std::to_string(info.index);
    });

TEST_F(RegIniWrapperTest, RegistryKeepsEveryValueAsAStringInASubkeyPerSection) {
  TdxRegIniWrapper& store = Open(Store::Registry);
  store.WriteIntegerValue("Column0", "Width", 64);
  store.WriteBooleanValue("Column0", "Sorted", true);

  TRegistry check;
  ASSERT_TRUE(check.OpenKey(std::string(Root) + "\\Column0", false));
  EXPECT_EQ(check.GetDataType("Width"), rdString);
  EXPECT_EQ(check.ReadString("Width"), "64");
  EXPECT_EQ(check.ReadString("Sorted"), "1");
}

TEST_F(RegIniWrapperTest, IntegerThatIsNotANumberReadsAsTheDefault) {
  TdxRegIniWrapper& store = Open(Store::Registry);
  store.WriteTextValue("Column0", "Width", "wide");
  EXPECT_EQ(store.ReadIntegerValue("Column0", "Width", 42), 42);
}

TEST_F(RegIniWrapperTest, EraseSectionsWithPrefixErasesMatchingIniSectionsCaseSensitively) {
  TdxRegIniWrapper& store = Open(Store::IniFile);
  for (const char* section : {"Grid", "Grid.Column0", "Grid.Column1", "grid.Column2", "Gri", "Other"})
    store.WriteIntegerValue(section, "Width", 1);
  store.EraseSectionsWithPrefix("Grid.");
  TStringList sections;
  store.ReadSections(sections);
  EXPECT_EQ(Lines(sections), (std::vector<std::string>{"Grid", "grid.Column2", "Gri", "Other"}));
}

TEST_F(RegIniWrapperTest, EraseSectionsWithPrefixLeavesTheRegistryAsItIs) {
  TdxRegIniWrapper& store = Open(Store::Registry);
  store.WriteIntegerValue("Grid.Column0", "Width", 1);
  store.EraseSectionsWithPrefix("Grid.");
  EXPECT_EQ(store.ReadIntegerValue("Grid.Column0", "Width", 0), 1);
}

TEST_F(RegIniWrapperTest, BinaryValuesRoundTripInTheRegistryBelowTheCurrentKey) {
  TdxRegIniWrapper& store = Open(Store::Registry);
  const std::array<unsigned char, 6> data{1, 0, 0xFF, 7, 0, 42};
  store.WriteBinaryValue("Filter", "Criteria", data.data(), static_cast<int>(data.size()));
  EXPECT_EQ(FRegistry->CurrentPath(), "Software\\Tulvo\\HOME") << "the current key is restored";

  TdxRegIniWrapper& in = Open(Store::Registry);
  EXPECT_EQ(in.ReadBinaryValue("Filter", "Criteria", nullptr, 0), 6) << "size 0 asks for the stored size";
  std::array<unsigned char, 8> buffer{};
  EXPECT_EQ(in.ReadBinaryValue("Filter", "Criteria", buffer.data(), static_cast<int>(buffer.size())), 6);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer.begin()));
  std::array<unsigned char, 3> small{};
  EXPECT_EQ(in.ReadBinaryValue("Filter", "Criteria", small.data(), 3), 3);
  EXPECT_EQ(small[2], 0xFF);
  EXPECT_EQ(FRegistry->CurrentPath(), "Software\\Tulvo\\HOME");

  TRegistry check;
  ASSERT_TRUE(check.OpenKey(std::string(Root) + "\\Filter", false));
  EXPECT_EQ(check.GetDataType("Criteria"), rdBinary);
}

TEST_F(RegIniWrapperTest, MissingBinaryKeyOrValueReadsAsNothingAndCreatesNothing) {
  TdxRegIniWrapper& store = Open(Store::Registry);
  std::array<unsigned char, 4> buffer{9, 9, 9, 9};
  EXPECT_EQ(store.ReadBinaryValue("Nowhere", "Criteria", buffer.data(), 4), 0);
  EXPECT_FALSE(FRegistry->KeyExists("Nowhere"));
  store.WriteTextValue("Filter", "Other", "x");
  EXPECT_EQ(store.ReadBinaryValue("Filter", "Criteria", buffer.data(), 4), 0);
  EXPECT_EQ(store.ReadBinaryValue("Filter", "Criteria", nullptr, 0), 0);
  EXPECT_EQ(buffer[0], 9);
}

TEST_F(RegIniWrapperTest, CurrentKeyIsRestoredWhenReadingABinaryValueFails) {
  TdxRegIniWrapper& store = Open(Store::Registry);
  store.WriteTextValue("Filter", "Criteria", "text, not bytes");
  std::array<unsigned char, 4> buffer{};
  EXPECT_THROW(store.ReadBinaryValue("Filter", "Criteria", buffer.data(), 4), ERegistryException);
  EXPECT_EQ(FRegistry->CurrentPath(), "Software\\Tulvo\\HOME");
}

TEST_F(RegIniWrapperTest, WritingBinaryFromNoBufferIsRefused) {
  TdxRegIniWrapper& store = Open(Store::Registry);
  EXPECT_THROW(store.WriteBinaryValue("Filter", "Criteria", nullptr, 4), EInvalidPointer);
  EXPECT_FALSE(FRegistry->KeyExists("Filter"));
}

TEST_F(RegIniWrapperTest, BinaryValuesOnAnIniFileReadAsNothingAndAreNotWritten) {
  TdxRegIniWrapper& store = Open(Store::IniFile);
  store.WriteTextValue("Grid", "Caption", "x");
  const std::array<unsigned char, 3> data{1, 2, 3};
  store.WriteBinaryValue("Filter", "Criteria", data.data(), 3);
  std::array<unsigned char, 3> buffer{};
  EXPECT_EQ(store.ReadBinaryValue("Filter", "Criteria", buffer.data(), 3), 0);
  EXPECT_EQ(store.ReadBinaryValue("Filter", "Criteria", nullptr, 0), 0);
  Save();
  EXPECT_EQ(ReadFileText(IniPath()), "[Grid]\nCaption=x\n\n");
}

}  // namespace
