#include "framework/core/storage/registry_hive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/text/text.h"

namespace {

using Names = std::vector<std::string>;

std::string AllBytes() {
  std::string bytes;
  for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
  return bytes;
}

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
            "[Software]\n"
            "[Software\\Tulvo]\n"
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
}

class RegistryHiveRejects : public ::testing::TestWithParam<const char*> {};

TEST_P(RegistryHiveRejects, MalformedText) { EXPECT_FALSE(TRegistryHive::Parse(GetParam())); }

INSTANTIATE_TEST_SUITE_P(
    RegistryHive, RegistryHiveRejects,
    ::testing::Values("not a registry\n", "tulvo-registry 2\n", "[A]\ntulvo-registry 1\n",
                      "tulvo-registry 1\n\"v\" string \"value before any key\"\n",
                      "tulvo-registry 1\n[A\\\\B]\n", "tulvo-registry 1\n[\\A]\n", "tulvo-registry 1\n[A\n",
                      "tulvo-registry 1\n[A]\n\"v\" string \"unterminated\n",
                      "tulvo-registry 1\n[A]\n\"v\" string \"a\"b\"\n",
                      "tulvo-registry 1\n[A]\n\"v\" string x\n",
                      "tulvo-registry 1\n[A]\n\"v\" integer 2147483648\n",
                      "tulvo-registry 1\n[A]\n\"v\" integer 12x\n", "tulvo-registry 1\n[A]\n\"v\" integer\n",
                      "tulvo-registry 1\n[A]\n\"v\" binary 0A1\n", "tulvo-registry 1\n[A]\n\"v\" binary 0G\n",
                      "tulvo-registry 1\n[A]\n\"v\" float 1.5\n",
                      "tulvo-registry 1\n[A]\n\"v%4\" string \"\"\n", "tulvo-registry 1\n[A%ZZ]\n",
                      "tulvo-registry 1\n[A]\n\"v\"string \"x\"\n", "tulvo-registry 1\n[A]\nv=1\n"));

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

}  // namespace
