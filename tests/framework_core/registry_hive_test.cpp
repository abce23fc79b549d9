#include "framework/core/storage/registry_hive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/core/text/text.h"
#include "tests/support/listings.h"

namespace {

std::string AllBytes() {
  std::string bytes;
  for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
  return bytes;
}

std::string DeepPath(std::size_t depth) {
  std::string path = "K";
  for (std::size_t i = 1; i < depth; ++i) path += "\\K";
  return path;
}

// A path of names of the longest length (the last one shorter), length bytes long.
std::string LongPath(std::size_t length) {
  std::string path;
  while (path.size() < length) {
    if (!path.empty()) path += '\\';
    path += std::string(std::min(TRegistryHive::kMaxKeyNameLength, std::max<std::size_t>(length - path.size(), 1)), 'K');
  }
  return path;
}

std::string Hive(const std::string& body) { return "tulvo-registry 1\n" + body; }

TEST(RegistryHive, EveryByteOfNamesAndDataSurvivesTheTextForm) {
  TRegistryHive hive;
  const std::string odd = "a\"b%c[d]e\\f\r\ng\x98h";
  hive.SetValue(RU("Программа\\Окно"), RU("Имя"), TRegValue::String(RU("Кельворск, ул. Ёлочная")));
  hive.SetValue("Bytes", AllBytes(), TRegValue::String(AllBytes()));
  hive.SetValue("Bytes", odd, TRegValue::Binary(AllBytes()));
  hive.SetValue("Bytes", "", TRegValue::Binary(""));
  hive.SetValue("Numbers", "min", TRegValue::Int(INT32_MIN));
  hive.SetValue("Numbers", "max", TRegValue::Int(INT32_MAX));
  hive.SetValue(std::string("Odd ") + "%\"[]\x01" + RU("ё"), "x", TRegValue::Int(1));
  hive.CreateKey(RU("Пустой\\Ключ"));
  hive.SetValue("", "at root", TRegValue::String("r"));

  auto parsed = TRegistryHive::Parse(hive.Serialize());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Serialize(), hive.Serialize());
  EXPECT_EQ(*parsed->FindValue(RU("программа\\ОКНО"), RU("имя")),
            TRegValue::String(RU("Кельворск, ул. Ёлочная")));
  EXPECT_EQ(*parsed->FindValue("Bytes", AllBytes()), TRegValue::String(AllBytes()));
  EXPECT_EQ(*parsed->FindValue("Bytes", odd), TRegValue::Binary(AllBytes()));
  EXPECT_EQ(*parsed->FindValue("Bytes", ""), TRegValue::Binary(""));
  EXPECT_EQ(parsed->FindValue("Numbers", "min")->Integer, INT32_MIN);
  EXPECT_EQ(parsed->FindValue("Numbers", "max")->Integer, INT32_MAX);
  EXPECT_TRUE(parsed->FindValue(std::string("odd ") + "%\"[]\x01" + RU("Ё"), "X"));
  EXPECT_TRUE(parsed->KeyExists(RU("Пустой\\Ключ")));
  EXPECT_EQ(parsed->FindValue("", "at root")->Data, "r");
}

TEST(RegistryHive, TextFormIsReadableUtf8WithKeyPathsAndTypes) {
  TRegistryHive hive;
  hive.SetValue("Software\\Tulvo\\Phones", "ItemCount", TRegValue::String("2"));
  hive.SetValue("Software\\Tulvo\\Phones", RU("Имя"), TRegValue::String(RU("Иванов \"50%\"")));
  hive.SetValue("Software\\Tulvo\\ORG", "Filter", TRegValue::Binary(std::string("\x00\x1b\xff", 3)));
  hive.SetValue("Software\\Tulvo\\ORG", "Count", TRegValue::Int(-7));
  EXPECT_EQ(hive.Serialize(),
            "tulvo-registry 1\n"
            "[Software\\Tulvo\\ORG]\n"
            "\"Filter\" binary 001BFF\n"
            "\"Count\" integer -7\n"
            "[Software\\Tulvo\\Phones]\n"
            "\"ItemCount\" string \"2\"\n"
            "\"Имя\" string \"Иванов %2250%25%22\"\n");
}

TEST(RegistryHive, AcceptsCommentsBlankLinesAndWindowsLineEnds) {
  auto hive = TRegistryHive::Parse(
      "# written by hand\r\n\r\ntulvo-registry 1\r\n[A\\B]\r\n# note\r\n\"v\" string \"x y\"\r\n\"e\" "
      "binary\r\n");
  ASSERT_TRUE(hive);
  EXPECT_EQ(hive->FindValue("a\\b", "V")->Data, "x y");
  EXPECT_EQ(*hive->FindValue("A\\B", "e"), TRegValue::Binary(""));
  EXPECT_TRUE(TRegistryHive::Parse(""));
  EXPECT_TRUE(TRegistryHive::Parse(
      Hive("[A]\n\"v\" binary " + std::string(2 * TRegistryHive::kMaxDataSize, 'F') + "\n")));
}

// Text that fails must fail as a whole. A file saved in another encoding, or
// damaged, read with replacement characters, would merge different names and
// the next write would save them so. Cases are named by their place in the
// table: some texts run to megabytes, too long for a test's name.
const std::vector<std::string>& RefusedTexts() {
  const std::string kLongData(TRegistryHive::kMaxLineLength, 'x');
  static const std::vector<std::string> texts{
        "not a registry\n", "tulvo-registry 2\n", "[A]\ntulvo-registry 1\n",
        Hive("\"v\" string \"value before any key\"\n"), Hive("[A\\\\B]\n"), Hive("[\\A]\n"), Hive("[A\n"),
        Hive("[A]\n\"v\" string \"unterminated\n"), Hive("[A]\n\"v\" string \"a\"b\"\n"),
        Hive("[A]\n\"v\" string x\n"), Hive("[A]\n\"v\" integer 2147483648\n"),
        Hive("[A]\n\"v\" integer 12x\n"), Hive("[A]\n\"v\" integer\n"), Hive("[A]\n\"v\" binary 0A1\n"),
        Hive("[A]\n\"v\" binary 0G\n"), Hive("[A]\n\"v\" float 1.5\n"), Hive("[A]\n\"v%4\" string \"\"\n"),
        Hive("[A%ZZ]\n"), Hive("[A]\n\"v\"string \"x\"\n"), Hive("[A]\nv=1\n"),
        // Another encoding, or not quite text: a truncated sequence, an overlong slash, an overlong
        // three-byte sequence, the replacement character, a character outside the code page, four
        // bytes, an encoded surrogate, the code page's hole as Unicode, an escaped backslash in a
        // key name, a trailing backslash.
        Hive("[Software\\" + RU("Поиск") + "]\n[Software\\" + RU("Адрес") + "]\n"),
        Hive("[A]\n\"v\" string \"" + RU("Кельворск") + "\"\n"),
        Hive("[A]\n\"" + RU("Имя") + "\" integer 1\n"), Hive("[A]\n\"v\" string \"\xD0\"\n"),
        Hive("[A\xC1\x9C]\n"), Hive("[A]\n\"v\" string \"\xE0\x81\x81\"\n"),
        Hive("[A]\n\"v\" string \"\xEF\xBF\xBD\"\n"), Hive("[A]\n\"v\" string \"\xE4\xB8\xAD\"\n"),
        Hive("[A]\n\"v\" string \"\xF0\x9F\x98\x80\"\n"), Hive("[A]\n\"v\" string \"\xED\xA0\x80\"\n"),
        Hive("[A]\n\"v\" string \"\xC2\x98\"\n"), Hive("[A%5CB]\n"), Hive("[A\\]\n"),
        // At the bounds and beyond. Followed, 40,000 segments exhausted the stack at every start.
        Hive("[" + DeepPath(40000) + "]\n"), Hive("[" + DeepPath(TRegistryHive::kMaxKeyDepth + 1) + "]\n"),
        Hive("[A]\n\"v\" string \"" + kLongData + "\"\n"), Hive("# " + kLongData + "\n"),
        // Beyond what writers store, though no line is long: 512 names of 255 bytes made a 392 KB file
        // that one write grew to 100 MB.
        Hive("[A\\" + std::string(TRegistryHive::kMaxKeyNameLength + 1, 'K') + "]\n"),
        Hive("[" + LongPath(TRegistryHive::kMaxKeyPathLength + 1) + "]\n"),
        Hive("[A]\n\"" + std::string(TRegistryHive::kMaxValueNameLength + 1, 'v') + "\" integer 1\n"),
        Hive("[A]\n\"v\" binary " + std::string(2 * TRegistryHive::kMaxDataSize + 2, 'F') + "\n")};
  return texts;
}

class RegistryHiveRefuses : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RegistryHiveRefuses, TheWholeText) { EXPECT_FALSE(TRegistryHive::Parse(RefusedTexts()[GetParam()])); }

INSTANTIATE_TEST_SUITE_P(RegistryHive, RegistryHiveRefuses, ::testing::Range<std::size_t>(0, RefusedTexts().size()));

TEST(RegistryHive, TheDeepestKeyLineIsFollowed) {
  auto deepest =
      TRegistryHive::Parse(Hive("[" + DeepPath(TRegistryHive::kMaxKeyDepth) + "]\n\"v\" integer 7\n"));
  ASSERT_TRUE(deepest);
  EXPECT_EQ(deepest->FindValue(DeepPath(TRegistryHive::kMaxKeyDepth), "V")->Integer, 7);
  EXPECT_TRUE(deepest->KeyExists(DeepPath(TRegistryHive::kMaxKeyDepth - 1)));
}

TEST(RegistryHive, WhatWritersMayStoreAlwaysReadsBack) {
  using H = TRegistryHive;
  // Every byte escaped makes the longest lines.
  const std::string longestName(H::kMaxKeyNameLength, '\x01');
  std::string longPath = longestName;
  while (longPath.size() + 1 + H::kMaxKeyNameLength <= H::kMaxKeyPathLength) longPath += "\\" + longestName;
  const std::string deepPath = DeepPath(H::kMaxKeyDepth);
  const TRegValue largest = TRegValue::String(std::string(H::kMaxDataSize, '"'));
  const std::string longestValueName(H::kMaxValueNameLength, '%');
  ASSERT_TRUE(H::FitsKeyPath(longPath));
  ASSERT_TRUE(H::FitsKeyPath(deepPath));
  ASSERT_TRUE(H::FitsValue(longestValueName, largest));

  TRegistryHive hive;
  hive.SetValue(longPath, longestValueName, largest);
  hive.SetValue(deepPath, "v", TRegValue::Int(1));
  auto parsed = H::Parse(hive.Serialize());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed->FindValue(longPath, longestValueName), largest);
  EXPECT_EQ(parsed->FindValue(deepPath, "v")->Integer, 1);

  EXPECT_FALSE(H::FitsKeyPath(deepPath + "\\K"));
  EXPECT_FALSE(H::FitsKeyPath(longPath + "\\" + std::string(H::kMaxKeyPathLength - longPath.size(), 'K')));
  EXPECT_FALSE(H::FitsKeyPath(std::string(H::kMaxKeyNameLength + 1, 'K')));
  EXPECT_FALSE(H::FitsValue(longestValueName + "x", TRegValue::Int(0)));
  EXPECT_FALSE(H::FitsValue("v", TRegValue::Binary(std::string(H::kMaxDataSize + 1, '\0'))));
}

TEST(RegistryHive, ATextReadAndWrittenBackDoesNotGrow) {
  // Chains as deep as writers allow, and keys with values along them: each
  // key is written once, by the line that names it.
  std::string body;
  for (char first = 'A'; first <= 'Z'; ++first) {
    body += "[" + std::string(1, first) + "\\" + DeepPath(TRegistryHive::kMaxKeyDepth - 1) + "]\n";
    body += "[" + std::string(1, first) + "\\K\\K]\n\"v\" integer 1\n";
  }
  auto hive = TRegistryHive::Parse(Hive(body));
  ASSERT_TRUE(hive);
  const std::string written = hive->Serialize();
  EXPECT_LE(written.size(), Hive(body).size());
  EXPECT_TRUE(hive->KeyExists("Q\\K"));
  auto again = TRegistryHive::Parse(written);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Serialize(), written);
  EXPECT_TRUE(again->KeyExists("Q\\K"));
  EXPECT_EQ(again->FindValue("Q\\K\\K", "v")->Integer, 1);
}

TEST(RegistryHive, DeepKeysAreCreatedListedAndDeletedWithoutRecursion) {
  // Far beyond what the store accepts: the hive itself has no bound to keep.
  const std::string deep = DeepPath(40000);
  TRegistryHive hive;
  EXPECT_TRUE(hive.CreateKey(deep));
  EXPECT_TRUE(hive.KeyExists(deep));
  TRegistryHive copy = hive;
  EXPECT_TRUE(hive.DeleteKey("K\\K"));
  EXPECT_EQ(hive.SubKeyNames("K"), Names{});
  EXPECT_TRUE(copy.KeyExists(deep));
  hive.SetValue("K\\K", "v", TRegValue::Int(1));  // reuses the freed slots
  EXPECT_EQ(hive.Serialize(), "tulvo-registry 1\n[K\\K]\n\"v\" integer 1\n");
}

TEST(RegistryHive, NamesIgnoreCaseAndKeepTheCaseTheyWereCreatedWith) {
  TRegistryHive hive;
  hive.CreateKey(RU("Программа"));
  hive.SetValue(RU("ПРОГРАММА\\Окно"), "Left", TRegValue::Int(1));
  hive.SetValue(RU("программа\\окно"), "LEFT", TRegValue::Int(2));
  EXPECT_EQ(hive.SubKeyNames(""), Names{RU("Программа")});
  EXPECT_EQ(hive.SubKeyNames(RU("программа")), Names{RU("Окно")});
  EXPECT_EQ(hive.ValueNames(RU("Программа\\Окно")), Names{"Left"});
  EXPECT_EQ(hive.FindValue(RU("Программа\\Окно"), "left")->Integer, 2);
}

TEST(RegistryHive, SubKeysAreListedInNameOrderAndValuesInCreationOrder) {
  TRegistryHive hive;
  for (const char* key : {"K\\b", "K\\A", "K\\a!", "K\\A\\deep", "K\\C"}) hive.CreateKey(key);
  for (const char* name : {"z", "a", "m"}) hive.SetValue("K", name, TRegValue::Int(0));
  EXPECT_EQ(hive.SubKeyNames("K"), (Names{"A", "a!", "b", "C"}));
  EXPECT_EQ(hive.ValueNames("K"), (Names{"z", "a", "m"}));
}

TEST(RegistryHive, DeletingAKeyTakesItsSubtreeButNotSiblingsSharingItsPrefix) {
  TRegistryHive hive;
  for (const char* key : {"S\\Band", "S\\Band\\Band0", "S\\Band\\Band1\\X", "S\\BandX", "S\\Band!"})
    hive.CreateKey(key);
  EXPECT_TRUE(hive.DeleteKey("s\\band"));
  EXPECT_FALSE(hive.KeyExists("S\\Band\\Band1\\X"));
  EXPECT_EQ(hive.SubKeyNames("S"), (Names{"Band!", "BandX"}));
  EXPECT_FALSE(hive.DeleteKey("S\\Band"));
  EXPECT_FALSE(hive.DeleteKey(""));
  EXPECT_TRUE(hive.KeyExists(""));
}

TEST(RegistryHive, ValuesAreDeletedByNameIgnoringCase) {
  TRegistryHive hive;
  hive.SetValue("K", "One", TRegValue::Int(1));
  hive.SetValue("K", "Two", TRegValue::Int(2));
  EXPECT_TRUE(hive.DeleteValue("k", "ONE"));
  EXPECT_FALSE(hive.DeleteValue("K", "One"));
  EXPECT_FALSE(hive.DeleteValue("Missing", "Two"));
  EXPECT_EQ(hive.ValueNames("K"), Names{"Two"});
}

TEST(RegistryHive, AKeyWithManyValuesFindsAndDeletesThemAsAKeyWithFew) {
  TRegistryHive hive;
  Names expected;
  for (int i = 0; i < 40; ++i) {
    hive.SetValue("K", "Value" + std::to_string(i), TRegValue::Int(i));
    expected.push_back("Value" + std::to_string(i));
  }
  hive.SetValue("K", "VALUE7", TRegValue::Int(7));  // replaced in place, name kept
  for (int i :
       {0, 39, 20, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25, 26, 27, 28, 29}) {
    ASSERT_TRUE(hive.DeleteValue("k", "value" + std::to_string(i))) << i;
    expected.erase(std::find(expected.begin(), expected.end(), "Value" + std::to_string(i)));
    EXPECT_EQ(hive.ValueNames("K"), expected) << "after deleting " << i;
    for (const auto& name : expected) {
      const TRegValue* value = hive.FindValue("K", AnsiUpperCase(name));
      ASSERT_TRUE(value) << name;
      EXPECT_EQ(value->Integer, std::stoi(name.substr(5))) << name;
    }
    EXPECT_FALSE(hive.FindValue("K", "Value" + std::to_string(i)));
  }
  hive.SetValue("K", "Value0", TRegValue::Int(0));
  expected.push_back("Value0");
  ASSERT_TRUE(hive.DeleteValue("K", "Value7"));  // back among few values
  expected.erase(std::find(expected.begin(), expected.end(), "Value7"));
  EXPECT_EQ(hive.ValueNames("K"), expected);
  EXPECT_EQ(TRegistryHive::Parse(hive.Serialize())->ValueNames("K"), expected);
}

}  // namespace
