#include "framework/core/component/strings.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/text/text.h"
#include "tests/support/raised.h"

namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const TStrings& strings) {
  Lines result;
  for (int i = 0; i < strings.Count(); ++i) result.push_back(strings.Strings(i));
  return result;
}

void Fill(TStrings& strings, const Lines& lines) {
  for (const auto& line : lines) strings.Add(line);
}

// Checks that a sorted list is in its own order, so that Find can work.
void ExpectInOrder(const TStringList& list) {
  for (int i = 1; i < list.Count(); ++i)
    ASSERT_LE(list.CompareStrings(list.Strings(i - 1), list.Strings(i)), 0) << "at " << i;
}

// Counts its destructions, to see what an owning list frees.
struct Tracked : TObject {
  explicit Tracked(int* deaths) : Deaths(deaths) {}
  ~Tracked() override { ++*Deaths; }
  int* Deaths;
};

// A plain TStrings over a vector, to exercise the base class's own
// algorithms the way a control's item list would use them.
class VectorStrings : public TStrings {
 public:
  int Count() const override { return static_cast<int>(FLines.size()); }
  std::string Strings(int index) const override { return At(index).first; }
  TObject* Objects(int index) const override { return At(index).second; }
  void SetObjects(int index, TObject* object) override { At(index).second = object; }
  void Insert(int index, std::string s) override {
    if (index < 0 || index > Count()) IndexError(index);
    FLines.insert(FLines.begin() + index, {std::move(s), nullptr});
  }
  void Delete(int index) override {
    At(index);
    FLines.erase(FLines.begin() + index);
  }
  void Clear() override { FLines.clear(); }

 private:
  const std::pair<std::string, TObject*>& At(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
    return FLines[static_cast<std::size_t>(index)];
  }
  std::pair<std::string, TObject*>& At(int index) {
    return const_cast<std::pair<std::string, TObject*>&>(std::as_const(*this).At(index));
  }
  std::vector<std::pair<std::string, TObject*>> FLines;
};

// ------------------------------------------------------------ sorted lists

TEST(StringListSorted, AddsAtTheSortedPlaceByCyrillicRulesIgnoringCase) {
  TStringList list;
  list.SetSorted(true);
  Fill(list, {RU("яблоко"), RU("Банан"), RU("апельсин"), "Zebra", RU("ёлка"), RU("Ель"), "apple"});
  EXPECT_EQ(LinesOf(list),
            (Lines{"apple", "Zebra", RU("апельсин"), RU("Банан"), RU("ёлка"), RU("Ель"), RU("яблоко")}));
  int index = -1;
  EXPECT_TRUE(list.Find(RU("БАНАН"), index));
  EXPECT_EQ(index, 3);
  EXPECT_TRUE(list.Find(RU("ЁЛКА"), index));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(list.Find(RU("вишня"), index));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(list.Find("b", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find(RU("юла"), index));
  EXPECT_EQ(index, 6);
  EXPECT_FALSE(list.Find(RU("ящик"), index));
  EXPECT_EQ(index, 7);
  EXPECT_EQ(list.IndexOf(RU("ЯБЛОКО")), 6);
  EXPECT_EQ(list.IndexOf(RU("груша")), -1);
}

TEST(StringListSorted, SwitchingSortedOnSortsAndOffKeepsTheOrder) {
  TStringList list;
  Fill(list, {RU("щука"), RU("Акула"), "carp", RU("ёрш")});
  list.SetSorted(true);
  EXPECT_EQ(LinesOf(list), (Lines{"carp", RU("Акула"), RU("ёрш"), RU("щука")}));
  list.SetSorted(false);
  list.Add(RU("бычок"));
  EXPECT_EQ(list.Strings(4), RU("бычок"));
  EXPECT_EQ(list.IndexOf(RU("БЫЧОК")), 4);
}

struct DuplicateCase {
  const char* Name;
  TDuplicates Duplicates;
  bool CaseSensitive;
  int Index;  // result of adding, -1 when it raises
  Lines Expected;
};

class StringListDuplicates : public ::testing::TestWithParam<DuplicateCase> {};

TEST_P(StringListDuplicates, ApplyToEqualLinesOfASortedList) {
  const auto& c = GetParam();
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(c.Duplicates);
  list.SetCaseSensitive(c.CaseSensitive);
  Fill(list, {RU("дом"), RU("кот"), RU("сад")});
  if (c.Index < 0) {
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Add(RU("КОТ")); }),
              "String list does not allow duplicates");
  } else {
    EXPECT_EQ(list.Add(RU("КОТ")), c.Index);
  }
  EXPECT_EQ(LinesOf(list), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, StringListDuplicates,
    ::testing::Values(
        DuplicateCase{"IgnoreReturnsTheExistingLine", dupIgnore, false, 1, {RU("дом"), RU("кот"), RU("сад")}},
        DuplicateCase{"AcceptInsertsBeforeEqualLines",
                      dupAccept,
                      false,
                      1,
                      {RU("дом"), RU("КОТ"), RU("кот"), RU("сад")}},
        DuplicateCase{"ErrorRaises", dupError, false, -1, {RU("дом"), RU("кот"), RU("сад")}},
        DuplicateCase{"CaseSensitiveIgnoreAddsOtherCase",
                      dupIgnore,
                      true,
                      2,
                      {RU("дом"), RU("кот"), RU("КОТ"), RU("сад")}},
        DuplicateCase{"CaseSensitiveErrorAddsOtherCase",
                      dupError,
                      true,
                      2,
                      {RU("дом"), RU("кот"), RU("КОТ"), RU("сад")}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(StringListSorted, DuplicatesDoNotApplyToAnUnsortedList) {
  TStringList list;
  list.SetDuplicates(dupError);
  list.Add("a");
  EXPECT_EQ(list.Add("A"), 1);
  EXPECT_EQ(list.Count(), 2);
}

TEST(StringListSorted, FindUnderDupAcceptGivesTheFirstOfEqualLines) {
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupAccept);
  Fill(list, {"b", "a", "c", "B", "b", "B", "d"});
  int index = -1;
  EXPECT_TRUE(list.Find("b", index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(list.IndexOf("B"), 1);
}

struct SortedMisuse {
  const char* Name;
  std::function<void(TStringList&)> Call;
};

class StringListSortedMisuse : public ::testing::TestWithParam<SortedMisuse> {};

TEST_P(StringListSortedMisuse, RaisesAndLeavesTheLinesInOrder) {
  TStringList list;
  Fill(list, {"c", "a", "b"});
  list.SetSorted(true);
  EXPECT_EQ(MessageOf<EStringListError>([&] { GetParam().Call(list); }),
            "Operation not allowed on sorted list");
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, StringListSortedMisuse,
    ::testing::Values(SortedMisuse{"Insert", [](TStringList& l) { l.Insert(0, "z"); }},
                      SortedMisuse{"InsertObject", [](TStringList& l) { l.InsertObject(3, "z", nullptr); }},
                      SortedMisuse{"SetStrings", [](TStringList& l) { l.SetStrings(0, "z"); }},
                      SortedMisuse{"Exchange", [](TStringList& l) { l.Exchange(0, 2); }},
                      SortedMisuse{"Move", [](TStringList& l) { l.Move(0, 2); }},
                      SortedMisuse{"CustomSort",
                                   [](TStringList& l) {
                                     l.CustomSort([](TStringList*, int a, int b) { return b - a; });
                                   }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(StringListSorted, ChangingCaseSensitivitySortsAgainSoFindStillWorks) {
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupAccept);
  Fill(list, {RU("Б"), RU("а"), RU("б"), RU("А"), "b", "B"});
  list.SetCaseSensitive(true);
  EXPECT_EQ(LinesOf(list), (Lines{"b", "B", RU("а"), RU("А"), RU("б"), RU("Б")}));
  ExpectInOrder(list);
  for (int i = 0; i < list.Count(); ++i) {
    int index = -1;
    EXPECT_TRUE(list.Find(list.Strings(i), index));
    EXPECT_EQ(index, i);
  }
  list.SetCaseSensitive(false);
  ExpectInOrder(list);
  int index = -1;
  EXPECT_TRUE(list.Find(RU("б"), index));
  EXPECT_EQ(index, 4);
}

TEST(StringListSorted, LargeListsSortAndSearch) {
  std::mt19937 random(3);
  const std::string letters =
      RU("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ") + "xyz019 ";
  auto word = [&] {
    std::string s;
    const auto length = 1 + random() % 12;
    for (unsigned i = 0; i < length; ++i) s += letters[random() % letters.size()];
    return s;
  };
  TStringList list;
  list.SetDuplicates(dupAccept);
  for (int i = 0; i < 100000; ++i) list.Add(word());
  const Lines before = LinesOf(list);
  list.SetSorted(true);
  ASSERT_EQ(list.Count(), 100000);
  ExpectInOrder(list);
  for (std::size_t i = 0; i < before.size(); i += 997) {
    int index = -1;
    ASSERT_TRUE(list.Find(before[i], index));
    EXPECT_EQ(AnsiCompareText(list.Strings(index), before[i]), 0);
  }

  TStringList growing;
  growing.SetSorted(true);
  for (int i = 0; i < 20000; ++i) growing.Add(word());
  ExpectInOrder(growing);
}

TEST(StringList, SortAndCustomSortKeepEqualLinesInTheirOrder) {
  TStringList list;
  Fill(list, {"ccc", "a", "bb", "B", "dd", "A"});
  list.CustomSort([](TStringList* l, int a, int b) {
    return static_cast<int>(l->Strings(a).size()) - static_cast<int>(l->Strings(b).size());
  });
  EXPECT_EQ(LinesOf(list), (Lines{"a", "B", "A", "bb", "dd", "ccc"}));
  list.Sort();
  EXPECT_EQ(LinesOf(list), (Lines{"a", "A", "B", "bb", "ccc", "dd"}));
  EXPECT_FALSE(list.Sorted());
}

// ------------------------------------------------------------ change events

struct EventLog {
  explicit EventLog(TStringList& list) {
    list.OnChanging = [this, &list](TObject* sender) {
      EXPECT_EQ(sender, &list);
      Entries.push_back("changing:" + std::to_string(list.Count()));
    };
    list.OnChange = [this, &list](TObject*) { Entries.push_back("change:" + std::to_string(list.Count())); };
  }
  Lines Take() { return std::exchange(Entries, {}); }
  Lines Entries;
};

TEST(StringListEvents, EveryChangeFiresChangingBeforeAndChangeAfter) {
  TStringList list;
  EventLog log(list);
  list.Add("b");
  EXPECT_EQ(log.Take(), (Lines{"changing:0", "change:1"}));
  list.Insert(0, "a");
  list.Delete(1);
  EXPECT_EQ(log.Take(), (Lines{"changing:1", "change:2", "changing:2", "change:1"}));

  std::string seen;
  list.OnChanging = [&](TObject*) { seen = list.Strings(0); };
  list.SetStrings(0, "new");
  EXPECT_EQ(seen, "a");
  EventLog again(list);
  for (auto change : std::vector<std::function<void()>>{
           [&] { list.SetObjects(0, &list); }, [&] { list.Add("x"); }, [&] { list.Exchange(0, 1); },
           [&] { list.Move(0, 1); }, [&] { list.Sort(); }, [&] { list.SetSorted(true); },
           [&] { list.SetCaseSensitive(true); }, [&] { list.Clear(); }}) {
    change();
    EXPECT_EQ(again.Take().size(), 2u);
  }
}

TEST(StringListEvents, NothingFiresWhenNothingChanges) {
  TStringList list;
  EventLog log(list);
  list.Clear();
  list.SetSorted(false);
  list.Sort();
  list.SetSorted(true);  // an empty list needs no sorting
  list.Add("a");
  log.Take();
  list.Add("A");  // ignored duplicate
  list.Sort();    // already sorted
  list.SetSorted(true);
  list.Move(0, 0);
  EXPECT_TRUE(log.Take().empty());
}

TEST(StringListEvents, UpdateBracketsNestAndReportOncePerOutermostBracket) {
  TStringList list;
  EventLog log(list);
  list.BeginUpdate();
  EXPECT_EQ(log.Take(), (Lines{"changing:0"}));
  list.BeginUpdate();
  list.Add("a");
  list.Add("b");
  list.EndUpdate();
  EXPECT_EQ(list.UpdateCount(), 1);
  EXPECT_TRUE(log.Take().empty());
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(log.Take(), (Lines{"change:1"}));
  EXPECT_EQ(list.UpdateCount(), 0);

  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_TRUE(log.Take().empty());
  list.Add("c");
  EXPECT_EQ(log.Take(), (Lines{"changing:1", "change:2"}));
}

TEST(StringListEvents, BulkOperationsReportOneChange) {
  TStringList source;
  Fill(source, {"x", "y"});
  TStringList list;
  EventLog log(list);
  for (auto bulk : std::vector<std::function<void()>>{
           [&] { list.SetText("a\r\nb\r\nc"); }, [&] { list.SetCommaText("a,b,c"); },
           [&] { list.SetDelimitedText("a,b"); }, [&] { list.Assign(&source); },
           [&] { list.AddStrings(source); }, [&] { list.SetValues("k", "v"); }}) {
    bulk();
    EXPECT_EQ(log.Take().size(), 2u);
  }
}

TEST(StringListEvents, ARefusingChangingHandlerPreventsTheChange) {
  TStringList list;
  list.Add("kept");
  list.OnChanging = [](TObject*) { throw EAbort("Operation aborted"); };
  EXPECT_THROW(list.Add("x"), EAbort);
  EXPECT_THROW(list.Delete(0), EAbort);
  EXPECT_THROW(list.SetText("a\nb"), EAbort);
  EXPECT_THROW(list.BeginUpdate(), EAbort);
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(LinesOf(list), (Lines{"kept"}));
}

TEST(StringListEvents, UpdateScopeClosesTheBracketOnEveryPath) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  try {
    TStringsUpdateScope update(list);
    list.Add("a");
    throw EAbort("stop");
  } catch (const EAbort&) {
  }
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(changes, 1);
  {
    TStringsUpdateScope update(list);
    list.Add("b");
    update.Finish();
    EXPECT_EQ(changes, 2);
  }
  EXPECT_EQ(changes, 2);
}

// ------------------------------------------------------------ index errors

struct IndexCase {
  const char* Name;
  std::function<void(TStringList&)> Call;
  const char* Message;
};

class StringListIndexErrors : public ::testing::TestWithParam<IndexCase> {};

TEST_P(StringListIndexErrors, RaiseWithTheIndexAndChangeNothing) {
  TStringList list;
  Fill(list, {"a=1", "b", "c"});
  EXPECT_EQ(MessageOf<EStringListError>([&] { GetParam().Call(list); }), GetParam().Message);
  EXPECT_EQ(LinesOf(list), (Lines{"a=1", "b", "c"}));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, StringListIndexErrors,
    ::testing::Values(
        IndexCase{"StringsPastEnd", [](TStringList& l) { l.Strings(3); }, "List index out of bounds (3)"},
        IndexCase{"StringsNegative", [](TStringList& l) { l.Strings(-1); }, "List index out of bounds (-1)"},
        IndexCase{"SetStrings", [](TStringList& l) { l.SetStrings(3, "x"); }, "List index out of bounds (3)"},
        IndexCase{"Objects", [](TStringList& l) { l.Objects(5); }, "List index out of bounds (5)"},
        IndexCase{"SetObjects", [](TStringList& l) { l.SetObjects(-1, nullptr); },
                  "List index out of bounds (-1)"},
        IndexCase{"Delete", [](TStringList& l) { l.Delete(3); }, "List index out of bounds (3)"},
        IndexCase{"Insert", [](TStringList& l) { l.Insert(4, "x"); }, "List index out of bounds (4)"},
        IndexCase{"Exchange", [](TStringList& l) { l.Exchange(0, 3); }, "List index out of bounds (3)"},
        IndexCase{"MoveSource", [](TStringList& l) { l.Move(3, 0); }, "List index out of bounds (3)"},
        IndexCase{"MoveTarget", [](TStringList& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
        IndexCase{"Names", [](TStringList& l) { l.Names(7); }, "List index out of bounds (7)"},
        IndexCase{"ValueFromIndex", [](TStringList& l) { l.ValueFromIndex(3); },
                  "List index out of bounds (3)"},
        IndexCase{"Capacity", [](TStringList& l) { l.SetCapacity(2); }, "List capacity out of bounds (2)"}),
    [](const auto& info) { return std::string(info.param.Name); });

// ------------------------------------------------------------ name=value

TEST(StringsNameValue, NamesAreTheTextBeforeTheFirstSeparator) {
  TStringList list;
  Fill(list, {"alpha", "Beta=2", "=empty name", "gamma=3=4", RU("Город=Тулво")});
  EXPECT_EQ(list.IndexOfName("alpha"), -1);  // no separator, no name
  EXPECT_EQ(list.IndexOfName("BETA"), 1);
  EXPECT_EQ(list.IndexOfName(""), 2);
  EXPECT_EQ(list.IndexOfName(RU("ГОРОД")), 4);
  EXPECT_EQ(list.Names(0), "");
  EXPECT_EQ(list.Names(3), "gamma");
  EXPECT_EQ(list.Values("beta"), "2");
  EXPECT_EQ(list.Values(""), "empty name");
  EXPECT_EQ(list.Values("gamma"), "3=4");
  EXPECT_EQ(list.Values(RU("город")), RU("Тулво"));
  EXPECT_EQ(list.Values("alpha"), "");
  EXPECT_EQ(list.Values("missing"), "");
  EXPECT_EQ(list.ValueFromIndex(1), "2");
  EXPECT_EQ(list.ValueFromIndex(-1), "");
}

TEST(StringsNameValue, ALineWithoutSeparatorHasNoValueFromIndex) {
  TStringList list;
  list.Add("plain");
  EXPECT_EQ(list.ValueFromIndex(0), "");
}

TEST(StringsNameValue, SetValuesReplacesAppendsAndDeletes) {
  TStringList list;
  Fill(list, {"user_name=SYSDBA", "password=masterkey", "lc_ctype=WIN1251"});
  list.SetObjects(1, &list);
  list.SetValues("PASSWORD", "secret");
  EXPECT_EQ(list.Strings(1), "PASSWORD=secret");
  EXPECT_EQ(list.Objects(1), &list);
  list.SetValues("sql_role_name", "ADMIN");
  EXPECT_EQ(list.Strings(3), "sql_role_name=ADMIN");
  list.SetValues("user_name", "");
  list.SetValues("missing", "");
  EXPECT_EQ(LinesOf(list), (Lines{"PASSWORD=secret", "lc_ctype=WIN1251", "sql_role_name=ADMIN"}));
}

TEST(StringsNameValue, SetValuesOnASortedListKeepsItSorted) {
  TStringList list(true);
  list.SetSorted(true);
  int deaths = 0;
  list.AddObject("b=2", std::make_unique<Tracked>(&deaths));
  list.Add("c=3");
  list.SetValues("b", "9");
  list.SetValues("a", "1");
  EXPECT_EQ(LinesOf(list), (Lines{"a=1", "b=9", "c=3"}));
  list.SetValues("b", "zzz");
  EXPECT_EQ(LinesOf(list), (Lines{"a=1", "b=zzz", "c=3"}));
  list.SetValues("c", "0");
  list.SetValues("c", "");
  EXPECT_EQ(LinesOf(list), (Lines{"a=1", "b=zzz"}));
  EXPECT_EQ(deaths, 0);
  ASSERT_NE(list.Objects(1), nullptr);
}

TEST(StringsNameValue, TheSeparatorCanBeChanged) {
  TStringList list;
  list.SetNameValueSeparator(':');
  Fill(list, {"a=1", "b:2"});
  EXPECT_EQ(list.Values("a"), "");
  EXPECT_EQ(list.Values("b"), "2");
  list.SetValues("c", "3");
  EXPECT_EQ(list.Strings(2), "c:3");
}

// ------------------------------------------------------------ Text

struct TextCase {
  const char* Name;
  std::string Text;
  Lines Expected;
};

class StringsText : public ::testing::TestWithParam<TextCase> {};

TEST_P(StringsText, SplitsOnEveryLineBreakStyleAndWritesCrLf) {
  TStringList list;
  list.Add("old");
  list.SetText(GetParam().Text);
  EXPECT_EQ(LinesOf(list), GetParam().Expected);
  std::string expectedText;
  for (const auto& line : GetParam().Expected) expectedText += line + "\r\n";
  EXPECT_EQ(list.Text(), expectedText);
  TStringList copy;
  copy.SetText(list.Text());
  EXPECT_EQ(LinesOf(copy), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, StringsText,
    ::testing::Values(TextCase{"Empty", "", {}}, TextCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      TextCase{"Lf", "a\nb\n", {"a", "b"}}, TextCase{"Cr", "a\rb\r", {"a", "b"}},
                      TextCase{"NoFinalBreak", "a\r\nb", {"a", "b"}},
                      TextCase{"EmptyLines", "\r\n\na\r\rb\n", {"", "", "a", "", "b"}},
                      TextCase{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
                      TextCase{"OnlyABreak", "\n", {""}},
                      TextCase{"KeepsBlanksAndCyrillic", RU(" Привет \tмир\r\n"), {RU(" Привет \tмир")}}),
    [](const auto& info) { return std::string(info.param.Name); });

// ------------------------------------------------------------ CommaText

struct RoundTripCase {
  const char* Name;
  Lines Content;
};

class StringsCommaRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(StringsCommaRoundTrip, ReadsBackTheSameLines) {
  const auto& expected = GetParam().Content;
  TStringList list;
  Fill(list, expected);
  TStringList copy;
  copy.Add("old");
  copy.SetCommaText(list.CommaText());
  EXPECT_EQ(LinesOf(copy), expected) << list.CommaText();

  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  copy.SetDelimiter(';');
  copy.SetQuoteChar('\'');
  copy.SetDelimitedText(list.DelimitedText());
  EXPECT_EQ(LinesOf(copy), expected) << list.DelimitedText();
}

INSTANTIATE_TEST_SUITE_P(
    Lists, StringsCommaRoundTrip,
    ::testing::Values(
        RoundTripCase{"NoLines", {}}, RoundTripCase{"OneEmptyLine", {""}},
        RoundTripCase{"TwoEmptyLines", {"", ""}}, RoundTripCase{"EmptyLast", {"a", ""}},
        RoundTripCase{"EmptyFirst", {"", "a"}},
        RoundTripCase{"BlanksDelimitersQuotes", {"plain", "two words", "comma,inside", "say \"hi\"", "it's"}},
        RoundTripCase{"EdgeBlanksAndBareQuotes", {"  leading", "trailing\t", "semi;colon", "\"", "\"\""}},
        RoundTripCase{"Cyrillic", {RU("Улица Ленина, д. 5"), RU("Ёж")}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(StringsComma, QuotesOnlyWhatNeedsIt) {
  TStringList list;
  Fill(list, {"a", "b c", "say \"hi\"", "d,e", "", RU("Дом")});
  EXPECT_EQ(list.CommaText(), "a,\"b c\",\"say \"\"hi\"\"\",\"d,e\",," + RU("Дом"));
  list.Clear();
  list.Add("");
  EXPECT_EQ(list.CommaText(), "\"\"");
  list.Clear();
  EXPECT_EQ(list.CommaText(), "");
}

struct ParseCase {
  const char* Name;
  std::string Text;
  Lines Expected;
};

class StringsCommaParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(StringsCommaParse, SplitsOnCommasAndBlanksOutsideQuotes) {
  TStringList list;
  list.SetCommaText(GetParam().Text);
  EXPECT_EQ(LinesOf(list), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, StringsCommaParse,
    ::testing::Values(ParseCase{"Empty", "", {}}, ParseCase{"OnlyBlanks", "  \t ", {}},
                      ParseCase{"BlanksSeparate", "a b,c", {"a", "b", "c"}},
                      ParseCase{"BlanksAroundCommas", " a , b ", {"a", "b"}},
                      ParseCase{"EmptyBetweenCommas", "a,,b", {"a", "", "b"}},
                      ParseCase{"TrailingComma", "a,", {"a", ""}},
                      ParseCase{"QuotedBlanksAndCommas", "\"a b\", \"c,d\"", {"a b", "c,d"}},
                      ParseCase{"DoubledQuotes", "\"x\"\"y\"", {"x\"y"}},
                      ParseCase{"UnclosedQuoteRunsToTheEnd", "\"a, b", {"a, b"}},
                      ParseCase{"TextAfterClosingQuote", "\"ab\"cd,e", {"ab", "cd", "e"}}),
    [](const auto& info) { return std::string(info.param.Name); });

// ------------------------------------------------------------ objects and copying

TEST(StringListObjects, AnOwningListFreesWhatItDropsAndOnlyThat) {
  int deaths = 0;
  {
    TStringList list(true);
    for (const char* s : {"a", "b", "c", "d", "e"}) list.AddObject(s, std::make_unique<Tracked>(&deaths));
    TObject* kept = list.Objects(4);
    list.Move(4, 0);
    list.Exchange(1, 2);
    EXPECT_EQ(list.Objects(0), kept);
    EXPECT_EQ(deaths, 0);
    list.Delete(0);
    EXPECT_EQ(deaths, 1);
    list.SetObjects(0, new Tracked(&deaths));  // the list owns what it is handed
    EXPECT_EQ(deaths, 2);
    list.SetObjects(0, list.Objects(0));
    EXPECT_EQ(deaths, 2);
    list.Clear();
    EXPECT_EQ(deaths, 6);
    list.AddObject("x", std::make_unique<Tracked>(&deaths));
    list.AddObject("y", std::make_unique<Tracked>(&deaths));
  }
  EXPECT_EQ(deaths, 8);
}

TEST(StringListObjects, AnOwningListFreesAnObjectItRefuses) {
  int deaths = 0;
  TStringList list(true);
  list.SetSorted(true);
  list.AddObject("a", std::make_unique<Tracked>(&deaths));
  EXPECT_EQ(list.AddObject("A", std::make_unique<Tracked>(&deaths)), 0);
  EXPECT_EQ(deaths, 1);
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.AddObject("a", new Tracked(&deaths)), EStringListError);
  EXPECT_EQ(deaths, 2);
  EXPECT_THROW(list.InsertObject(0, "b", new Tracked(&deaths)), EStringListError);
  EXPECT_EQ(deaths, 3);
  EXPECT_EQ(list.Count(), 1);
}

TEST(StringListObjects, ANonOwningListLeavesObjectsAlone) {
  int deaths = 0;
  Tracked object(&deaths);
  {
    TStringList list;
    list.AddObject("a", &object);
    list.AddObject("b", &object);
    list.Delete(0);
    EXPECT_EQ(list.IndexOfObject(&object), 0);
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.AddObject("c", std::make_unique<Tracked>(&deaths)); }),
              "The string list does not own its objects");
  }
  EXPECT_EQ(deaths, 1);  // only the one refused above
}

TEST(StringsAssign, CopiesLinesAndObjectsButNotTheListsSettings) {
  TObject marker;
  TStringList source;
  source.SetSorted(true);
  source.SetCaseSensitive(true);
  source.SetDuplicates(dupError);
  source.AddObject("b", &marker);
  source.Add("a");
  TStringList target;
  target.Add("old");
  target.Assign(&source);
  EXPECT_EQ(LinesOf(target), (Lines{"a", "b"}));
  EXPECT_EQ(target.Objects(1), &marker);
  EXPECT_FALSE(target.Sorted());
  EXPECT_FALSE(target.CaseSensitive());
  EXPECT_EQ(target.Duplicates(), dupIgnore);
  EXPECT_TRUE(target.Equals(source));
  target.SetStrings(0, "A");
  EXPECT_FALSE(target.Equals(source));  // exact comparison

  VectorStrings plain;
  plain.Assign(&target);
  EXPECT_EQ(LinesOf(plain), (Lines{"A", "b"}));
  TStringList sorted;
  sorted.SetSorted(true);
  Fill(plain, {"B", "c"});
  sorted.Assign(&plain);  // a sorted target sorts and filters what it receives
  EXPECT_EQ(LinesOf(sorted), (Lines{"A", "b", "c"}));
}

TEST(StringsAssign, AssigningAListToItselfKeepsItsLines) {
  TStringList list;
  Fill(list, {"a", "b"});
  list.Assign(&list);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));
  list.AddStrings(list);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "a", "b"}));
}

TEST(StringsAssign, AnOwningListRefusesAnotherListsObjectsAndKeepsItsOwn) {
  int deaths = 0;
  TObject foreign;
  TStringList source;
  source.AddObject("x", &foreign);
  TStringList owner(true);
  owner.AddObject("mine", std::make_unique<Tracked>(&deaths));
  EXPECT_THROW(owner.Assign(&source), EStringListError);
  EXPECT_THROW(owner.AddStrings(source), EStringListError);
  EXPECT_EQ(LinesOf(owner), (Lines{"mine"}));
  EXPECT_EQ(deaths, 0);
  source.SetObjects(0, nullptr);
  owner.Assign(&source);  // lines without objects are fine
  EXPECT_EQ(LinesOf(owner), (Lines{"x"}));
  EXPECT_EQ(deaths, 1);
}

TEST(StringsAssign, OtherSourcesAreRefused) {
  TStringList list;
  TPersistent other;
  EXPECT_THROW(list.Assign(&other), EConvertError);
  EXPECT_THROW(list.Assign(nullptr), EConvertError);
}

// ------------------------------------------------------------ the base class

TEST(StringsBase, DefaultAlgorithmsWorkThroughThePrimitives) {
  TObject a, b;
  VectorStrings strings;
  strings.AddObject(RU("Первый"), &a);
  strings.AddObject("second", &b);
  strings.Add("third=3");
  EXPECT_EQ(strings.IndexOf(RU("ПЕРВЫЙ")), 0);
  EXPECT_EQ(strings.IndexOfObject(&b), 1);
  strings.SetStrings(0, "first");
  EXPECT_EQ(strings.Objects(0), &a);
  strings.Exchange(0, 1);
  EXPECT_EQ(LinesOf(strings), (Lines{"second", "first", "third=3"}));
  EXPECT_EQ(strings.Objects(1), &a);
  strings.Move(2, 0);
  EXPECT_EQ(LinesOf(strings), (Lines{"third=3", "second", "first"}));
  EXPECT_EQ(strings.Values("THIRD"), "3");
  EXPECT_EQ(strings.Text(), "third=3\r\nsecond\r\nfirst\r\n");
}

TEST(StringsBase, MovingToABadIndexLosesNoLine) {
  VectorStrings strings;
  Fill(strings, {"a", "b"});
  EXPECT_EQ(MessageOf<EStringListError>([&] { strings.Move(0, 2); }), "List index out of bounds (2)");
  EXPECT_EQ(LinesOf(strings), (Lines{"a", "b"}));
}

}  // namespace
