#include "dbaccess/util/string_collections.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/raised.h"

namespace {

struct Tracked : TObject {
  explicit Tracked(int& alive) : Alive(alive) { ++Alive; }
  ~Tracked() override { --Alive; }
  int& Alive;
};

std::vector<std::string> Texts(const TObjStringList& list) {
  std::vector<std::string> r;
  for (int i = 0; i < list.Count(); ++i) r.push_back(list.Strings(i));
  return r;
}

// Two different texts of one hash: short texts hash every byte but the first.
const std::string SameHashA = "xab";
const std::string SameHashB = "yab";

TEST(ObjStringList, HashFollowsTheTextRule) {
  EXPECT_EQ(TObjStringList::HashOf(""), 0);
  EXPECT_EQ(TObjStringList::HashOf("A"), -32);  // only the terminating zero
  EXPECT_EQ(TObjStringList::HashOf("AB"), (66 - 32) * 37 - 32);
  EXPECT_EQ(TObjStringList::HashOf(SameHashA), TObjStringList::HashOf(SameHashB));
  // Sixteen bytes and more: every (n div 8)-th byte from the second.
  const std::string longText(16, 'a');
  std::uint32_t h = 0;
  for (int k = 1; k <= 16; k += 2) h = h * 39u + (k < 16 ? 'a' : 0) - 32u;
  EXPECT_EQ(TObjStringList::HashOf(longText), static_cast<std::int32_t>(h));
  std::string changedUnhashed = longText;
  changedUnhashed[2] = 'z';
  EXPECT_EQ(TObjStringList::HashOf(changedUnhashed), TObjStringList::HashOf(longText));
}

class ObjStringListModes : public testing::TestWithParam<bool> {};

TEST_P(ObjStringListModes, FindsEveryTextAndOwnsTheObjects) {
  int alive = 0;
  {
    TObjStringList list(nullptr, GetParam());
    const std::vector<std::string> texts = {"select b", SameHashA, "select a", SameHashB, "select c", ""};
    for (const std::string& t : texts) list.Add(t, std::make_unique<Tracked>(alive));
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(alive, 6);
    for (const std::string& t : texts) {
      int index = -1;
      ASSERT_TRUE(list.Find(t, index)) << t;
      EXPECT_EQ(list.Strings(index), t);
    }
    int index = -1;
    EXPECT_FALSE(list.Find("zab", index));

    // A text already present keeps its entry; the new object is freed.
    int before = -1;
    list.Find("select a", before);
    EXPECT_EQ(list.Add("select a", std::make_unique<Tracked>(alive)), before);
    EXPECT_EQ(alive, 6);

    list.Remove(SameHashA);
    EXPECT_EQ(alive, 5);
    EXPECT_FALSE(list.Find(SameHashA, index));
    EXPECT_TRUE(list.Find(SameHashB, index));

    std::unique_ptr<TObject> taken = list.Extract(index);
    EXPECT_EQ(alive, 5);
    EXPECT_EQ(list.Count(), 4);
    taken.reset();
    EXPECT_EQ(alive, 4);

    list.Delete(0);
    EXPECT_EQ(alive, 3);
    EXPECT_THROW(list.Objects(3), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    list.Clear();
    EXPECT_EQ(alive, 0);
    list.Add("again", std::make_unique<Tracked>(alive));
  }
  EXPECT_EQ(alive, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, ObjStringListModes, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Hashed" : "Sorted";
                         });

// Hashed, texts differing in case are two entries; unhashed, the sorted
// list takes them for one.
TEST_P(ObjStringListModes, CaseCountsOnlyWhenHashed) {
  TObjStringList list(nullptr, GetParam());
  for (const char* t : {"b", "B", "abc", "ABC", "Ab"}) list.Add(t, nullptr);
  int index = -1;
  EXPECT_EQ(list.Find("aBc", index), !GetParam());
  if (GetParam()) {
    EXPECT_EQ(list.Count(), 5);
  } else {
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"Ab", "abc", "b"}));
    EXPECT_EQ(index, 1);
  }
}

TEST(ObjStringList, HashedModeOrdersByHashThenInsertion) {
  TObjStringList list(nullptr, true);
  list.Add(SameHashB, nullptr);
  list.Add("AAAA", nullptr);
  list.Add(SameHashA, nullptr);
  int b = -1, a = -1;
  list.Find(SameHashB, b);
  list.Find(SameHashA, a);
  EXPECT_EQ(a, b + 1);
  for (int i = 1; i < list.Count(); ++i)
    EXPECT_LE(TObjStringList::HashOf(list.Strings(i - 1)), TObjStringList::HashOf(list.Strings(i)));
}

TEST(StringCollection, GrowsInBlocks) {
  TStringCollection c(2);
  EXPECT_EQ(c.Capacity(), 0);
  EXPECT_EQ(c.Delimiter(), 1);
  EXPECT_EQ(c.AddRow(), 1);
  EXPECT_EQ(c.Capacity(), 1024);
  while (c.RowCount() < 1024) c.AddRow();
  EXPECT_EQ(c.Capacity(), 1024);
  c.AddRow();
  EXPECT_EQ(c.Capacity(), 1536);
  EXPECT_EQ(c.RowCount(), 1025);
  c.Clear();
  EXPECT_EQ(c.RowCount(), 0);
  EXPECT_EQ(c.Capacity(), 0);
}

TEST(StringCollection, StoresDeletesAndReusesRows) {
  TStringCollection c(2);
  for (int i = 0; i < 3; ++i) {
    c.AddRow();
    c.Set(0, i, "a" + std::to_string(i));
    c.Set(1, i, "b" + std::to_string(i));
  }
  c.DeleteRow(1);
  EXPECT_EQ(c.RowCount(), 2);
  EXPECT_EQ(c.Get(0, 1), "a2");
  EXPECT_EQ(c.Get(1, 1), "b2");
  c.AddRow();
  EXPECT_EQ(c.Get(0, 2), "");  // a new row is empty, whatever was there before
  const char buffer[] = {'x', 'y', '\0', 'z'};
  c.SetFromBuffer(0, 2, buffer, 4);
  EXPECT_EQ(c.Get(0, 2), std::string(buffer, 4));
  c.SetFromBuffer(1, 2, buffer, -1);
  EXPECT_EQ(c.Get(1, 2), "xy");
  *c.CellAddress(0, 0) = "changed";
  EXPECT_EQ(c.Get(0, 0), "changed");
}

TEST(StringCollection, RejectsIndexesOutOfRange) {
  TStringCollection c(2);
  c.AddRow();
  auto message = [](auto&& f) { return MessageOf<EStringCollectionError>(f); };
  const std::string readX = "Can't read value to StrCollection. Bad X-Index (pFIBLists)";
  const std::string readY = "Can't read value to StrCollection. Bad Y-Index (pFIBLists)";
  const std::string writeX = "Can't write value to StrCollection. Bad X-Index (pFIBLists)";
  const std::string writeY = "Can't write value to StrCollection. Bad Y-Index (pFIBLists)";
  EXPECT_EQ(message([&] { c.Get(2, 0); }), readX);  // column = number of columns
  EXPECT_EQ(message([&] { c.Get(-1, 0); }), readX);
  EXPECT_EQ(message([&] { c.Get(0, 1); }), readY);
  EXPECT_EQ(message([&] { c.Get(0, -1); }), readY);
  EXPECT_EQ(message([&] { c.Set(2, 0, "x"); }), writeX);
  EXPECT_EQ(message([&] { c.Set(-1, 0, "x"); }), writeX);
  EXPECT_EQ(message([&] { c.Set(0, 1, "x"); }), writeY);
  EXPECT_EQ(message([&] { c.SetFromBuffer(0, -1, "x", 1); }), writeY);
  EXPECT_EQ(message([&] { c.CellAddress(5, 0); }), writeX);
  EXPECT_EQ(message([&] { c.DeleteRow(1); }), writeY);
  EXPECT_EQ(message([&] { c.DeleteRow(-1); }), writeY);
  EXPECT_EQ(c.RowCount(), 1);
  TStringCollection empty(0);
  EXPECT_EQ(message([&] { empty.Get(0, 0); }), readX);
  EXPECT_THROW(TStringCollection(-1), EStringCollectionError);
}

}  // namespace
