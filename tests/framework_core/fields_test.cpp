// Field classes: native data, conversions, texts and their events.

#include <gtest/gtest.h>

#include <cstring>

#include "framework/core/text/datetime.h"
#include "framework/core/text/float_text.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/core/text/text.h"

namespace {

// A one-record dataset with one column of each kind, in edit state.
class Fields : public ::testing::Test {
 protected:
  void SetUp() override {
    TFieldDefs& defs = Data.FieldDefs();
    defs.Add("S", ftString, 8);
    defs.Add("SMALL", ftSmallint);
    defs.Add("INT", ftInteger);
    defs.Add("WORD", ftWord);
    defs.Add("BIG", ftLargeint);
    defs.Add("BOOL", ftBoolean);
    defs.Add("FLOAT", ftFloat);
    defs.Add("MONEY", ftCurrency);
    defs.Add("BCD", ftBCD, 2);
    defs.Add("D", ftDate);
    defs.Add("T", ftTime);
    defs.Add("DT", ftDateTime);
    defs.Add("BYTES", ftBytes, 4);
    defs.Add("VBYTES", ftVarBytes, 6);
    Data.Open();
    Data.Append();
  }
  void TearDown() override { Data.Cancel(); }

  TField* F(const char* name) { return Data.FieldByName(name); }

  TMemoryDataSet Data{nullptr};
};

TEST_F(Fields, DefaultFieldsHaveTheClassAndTypeOfTheirDefinition) {
  const std::pair<const char*, TFieldType> expected[] = {
      {"S", ftString},     {"SMALL", ftSmallint}, {"INT", ftInteger}, {"WORD", ftWord},
      {"BIG", ftLargeint}, {"BOOL", ftBoolean},   {"FLOAT", ftFloat}, {"MONEY", ftCurrency},
      {"BCD", ftBCD},      {"D", ftDate},         {"T", ftTime},      {"DT", ftDateTime},
      {"BYTES", ftBytes},  {"VBYTES", ftVarBytes}};
  for (const auto& [name, type] : expected) {
    EXPECT_EQ(F(name)->DataType(), type) << name;
    EXPECT_TRUE(F(name)->IsNull()) << name;
  }
  EXPECT_NE(dynamic_cast<TCurrencyField*>(F("MONEY")), nullptr);
  EXPECT_TRUE(dynamic_cast<TCurrencyField*>(F("MONEY"))->Currency());
  EXPECT_EQ(F("BCD")->Size(), 2);
  EXPECT_EQ(F("S")->Alignment(), taLeftJustify);
  EXPECT_EQ(F("INT")->Alignment(), taRightJustify);
}

// The bytes a field hands to the dataset are the contract with the
// database layer.
TEST_F(Fields, NativeDataHasTheAgreedLayout) {
  F("SMALL")->SetAsInteger(-2);
  std::int32_t small = 0;
  ASSERT_TRUE(F("SMALL")->GetData(&small));
  EXPECT_EQ(small, -2);
  EXPECT_EQ(F("SMALL")->DataSize(), 4);
  EXPECT_EQ(F("WORD")->DataSize(), 4);

  F("BOOL")->SetAsBoolean(true);
  EXPECT_EQ(F("BOOL")->DataSize(), 2);
  std::int16_t flag = 0;
  ASSERT_TRUE(F("BOOL")->GetData(&flag));
  EXPECT_NE(flag, 0);

  const TDateTime day = EncodeDate(2024, 3, 15);
  F("D")->SetAsDateTime(day + 0.75);
  std::int32_t date = 0;
  ASSERT_TRUE(F("D")->GetData(&date));
  EXPECT_EQ(date, DateDelta + static_cast<int>(day));
  EXPECT_EQ(F("D")->AsDateTime(), day);

  F("T")->SetAsDateTime(EncodeTime(13, 45, 30, 250));
  std::int32_t msecs = 0;
  ASSERT_TRUE(F("T")->GetData(&msecs));
  EXPECT_EQ(msecs, ((13 * 60 + 45) * 60 + 30) * 1000 + 250);

  F("DT")->SetAsDateTime(day + EncodeTime(6, 0, 0, 0));
  double stamp = 0;
  ASSERT_TRUE(F("DT")->GetData(&stamp));
  EXPECT_EQ(stamp, (static_cast<double>(DateDelta) + day) * MSecsPerDay + 6 * 3600000.0);
  EXPECT_DOUBLE_EQ(F("DT")->AsDateTime(), day + 0.25);

  F("S")->SetAsString("abcdefghijk");
  EXPECT_EQ(F("S")->DataSize(), 9);
  char text[9];
  ASSERT_TRUE(F("S")->GetData(text));
  EXPECT_STREQ(text, "abcdefgh");

  F("VBYTES")->SetAsString(std::string("\0x\1", 3));
  EXPECT_EQ(F("VBYTES")->AsString(), std::string("\0x\1", 3));
  F("BYTES")->SetAsString("ab");
  EXPECT_EQ(F("BYTES")->AsString(), std::string("ab\0\0", 4));
}

struct TextCase {
  const char* Field;
  const char* Input;
  const char* AsString;
  const char* DisplayText;
};

class FieldTexts : public Fields, public ::testing::WithParamInterface<TextCase> {};

TEST_P(FieldTexts, TextsRoundTripByTheFormatSettings) {
  const TextCase& c = GetParam();
  TFormatSettingsScope scope;
  FormatSettings() = TFormatSettings::Russian();
  F(c.Field)->SetText(c.Input);
  EXPECT_EQ(F(c.Field)->AsString(), c.AsString);
  EXPECT_EQ(F(c.Field)->DisplayText(), c.DisplayText);
  // A load's read: the same text into room left over from a longer one,
  // the same value.
  std::string text = "left over from the record before";
  Variant value = "left over";
  F(c.Field)->ReadDisplay(text, &value);
  EXPECT_EQ(text, c.DisplayText);
  EXPECT_EQ(value.VarType(), F(c.Field)->Value().VarType());
  EXPECT_EQ(VarToStr(value), VarToStr(F(c.Field)->Value()));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FieldTexts,
    ::testing::Values(TextCase{"S", "hello", "hello", "hello"}, TextCase{"INT", "-42", "-42", "-42"},
                      TextCase{"SMALL", "+7", "7", "7"},
                      TextCase{"BIG", "9000000000", "9000000000", "9000000000"},
                      TextCase{"FLOAT", "2,5", "2,5", "2,5"}, TextCase{"BOOL", "t", "True", "True"},
                      TextCase{"BOOL", "FALSE", "False", "False"},
                      TextCase{"BCD", "12,345", "12,35", "12,35"},
                      TextCase{"D", "01.02.2003", "01.02.2003", "01.02.2003"},
                      TextCase{"T", "7:08:09", "7:08:09", "7:08:09"}, TextCase{"INT", "", "", ""}));

struct BadText {
  const char* Field;
  const char* Input;
  const char* Message;
};

class FieldRefusals : public Fields, public ::testing::WithParamInterface<BadText> {};

TEST_P(FieldRefusals, BadTextsAndValuesOutOfRangeAreRefused) {
  const BadText& c = GetParam();
  try {
    F(c.Field)->SetText(c.Input);
    FAIL() << c.Input << " was accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), c.Message);
  }
  EXPECT_TRUE(F(c.Field)->IsNull());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FieldRefusals,
    ::testing::Values(
        BadText{"INT", "12a", "'12a' is not a valid integer value for field 'INT'"},
        BadText{"SMALL", "40000",
                "40000 is not a valid value for field 'SMALL'. The allowed range is -32768 to 32767"},
        BadText{"WORD", "-1", "-1 is not a valid value for field 'WORD'. The allowed range is 0 to 65535"},
        BadText{"INT", "3000000000",
                "3000000000 is not a valid value for field 'INT'. The allowed range is -2147483648 to "
                "2147483647"},
        BadText{"FLOAT", "x1", "'x1' is not a valid floating point value for field 'FLOAT'"},
        BadText{"BOOL", "maybe", "'maybe' is not a valid boolean value for field 'BOOL'"}));

TEST_F(Fields, NumericFormatsShapeDisplayAndEditTexts) {
  TFormatSettingsScope scope;
  FormatSettings() = TFormatSettings::Russian();
  auto* money = dynamic_cast<TFloatField*>(F("MONEY"));
  money->SetAsFloat(-1234.5);
  EXPECT_EQ(money->Text(), "-1234,50");
  EXPECT_EQ(money->DisplayText(), FloatToStrF(-1234.5, ffCurrency, 15, 2));
  auto* number = dynamic_cast<TIntegerField*>(F("INT"));
  number->SetAsInteger(5);
  number->SetDisplayFormat("000");
  EXPECT_EQ(number->DisplayText(), "005");
  std::string text = "x";
  Variant value;
  number->ReadDisplay(text, &value);
  EXPECT_EQ(text, "005");
  EXPECT_EQ(value.VarType(), TVarType::Integer);
  EXPECT_EQ(number->Text(), "005");
  number->SetEditFormat("0");
  EXPECT_EQ(number->Text(), "5");
  auto* real = dynamic_cast<TFloatField*>(F("FLOAT"));
  real->SetAsFloat(1.0 / 3.0);
  real->SetPrecision(4);
  EXPECT_EQ(real->DisplayText(), "0,3333");
  real->SetMinValue(0);
  real->SetMaxValue(1);
  EXPECT_THROW(real->SetAsFloat(1.5), EDatabaseError);
}

TEST_F(Fields, ConversionsBetweenKinds) {
  F("INT")->SetAsString("17");
  EXPECT_EQ(F("INT")->AsFloat(), 17.0);
  EXPECT_EQ(F("INT")->Value().VarType(), TVarType::Integer);
  F("FLOAT")->SetAsInteger(3);
  EXPECT_EQ(F("FLOAT")->AsInteger(), 3);
  F("FLOAT")->SetAsFloat(2.5e9);
  EXPECT_THROW(F("FLOAT")->AsInteger(), EIntOverflow);
  F("BCD")->SetAsCurrency(TCurrency{123456});  // 12,3456
  EXPECT_EQ(F("BCD")->AsCurrency().Value, 123500);
  EXPECT_EQ(F("BCD")->AsInteger(), 12);
  const TBcd bcd = F("BCD")->AsBCD();
  EXPECT_EQ(bcd.SignSpecialPlaces & 0x3F, 2);
  F("BCD")->SetAsFloat(-0.05);
  EXPECT_EQ(F("BCD")->AsCurrency().Value, -500);
  EXPECT_EQ(F("BCD")->AsBCD().SignSpecialPlaces & 0x80, 0x80);
  F("S")->SetValue(Variant(12));
  EXPECT_EQ(F("S")->AsInteger(), 12);
  F("BOOL")->SetValue(Variant(true));
  EXPECT_EQ(F("BOOL")->Value().VarType(), TVarType::Boolean);
  F("D")->SetValue(Variant::FromDate(EncodeDate(2001, 1, 1)));
  EXPECT_EQ(F("D")->Value().VarType(), TVarType::Date);
  F("D")->SetValue(Variant::Null());
  EXPECT_TRUE(F("D")->IsNull());
  EXPECT_TRUE(F("D")->Value().IsNull());
  try {
    F("INT")->AsDateTime();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Cannot access field 'INT' as type DateTime");
  }
}

TEST_F(Fields, TextEventsReplaceTheDefaultTexts) {
  TField* s = F("S");
  s->OnGetText = [](TField* field, std::string& text, bool display) {
    text = (display ? "[" : "<") + field->AsString() + (display ? "]" : ">");
  };
  s->OnSetText = [](TField* field, const std::string& text) { field->SetAsString(AnsiUpperCase(text)); };
  s->ApplyEditText("abc");
  EXPECT_EQ(s->AsString(), "ABC");
  EXPECT_EQ(s->DisplayTextOf(), "[ABC]");
  EXPECT_EQ(s->EditTextOf(), "<ABC>");
  // A handler that appends starts from an empty text, also when a load
  // reads the field with its room reused.
  TField* number = F("INT");
  number->SetAsInteger(7);
  number->OnGetText = [](TField* field, std::string& text, bool) { text += "#" + field->AsString(); };
  std::string text = "left over";
  Variant value;
  number->ReadDisplay(text, &value);
  EXPECT_EQ(text, "#7");
  EXPECT_EQ(value.AsInteger(), 7);
  s->ReadDisplay(text, nullptr);
  EXPECT_EQ(text, "[ABC]");
}

TEST_F(Fields, PresentationProperties) {
  TField* s = F("S");
  EXPECT_EQ(s->DisplayLabel(), "S");
  s->SetDisplayLabel(RU("Фамилия"));
  EXPECT_EQ(s->DisplayNameOf(), RU("Фамилия"));
  EXPECT_EQ(s->DisplayWidth(), 8);
  EXPECT_EQ(F("SMALL")->DisplayWidth(), 6);
  s->SetDisplayWidth(3);
  EXPECT_EQ(s->DisplayWidth(), 3);
  EXPECT_TRUE(F("INT")->AcceptsCharacter('7'));
  EXPECT_TRUE(F("INT")->AcceptsCharacter('\b'));
  EXPECT_FALSE(F("INT")->AcceptsCharacter('x'));
  EXPECT_FALSE(F("WORD")->AcceptsCharacter('-'));
  EXPECT_TRUE(F("FLOAT")->AcceptsCharacter(','));
  EXPECT_TRUE(s->AcceptsCharacter('x'));
  EXPECT_TRUE(s->CanModify());
  s->SetReadOnly(true);
  EXPECT_FALSE(s->CanModify());
  auto* flag = dynamic_cast<TBooleanField*>(F("BOOL"));
  flag->SetDisplayValues(RU("Да;Нет"));
  flag->SetText(RU("н"));
  EXPECT_FALSE(flag->AsBoolean());
  EXPECT_EQ(flag->DisplayText(), RU("Нет"));
  EXPECT_EQ(flag->DisplayWidth(), 3);
}

TEST(FieldDefs, NumberFromOneAndRefuseDuplicates) {
  TMemoryDataSet data(nullptr);
  TFieldDefs& defs = data.FieldDefs();
  defs.BeginUpdate();
  defs.Add("A", ftInteger);
  defs.Add("B", ftString, 10, true);
  defs.EndUpdate();
  EXPECT_EQ(defs.UpdateCount(), 0);
  EXPECT_EQ(defs[0]->FieldNo(), 1);
  EXPECT_EQ(defs[1]->FieldNo(), 2);
  EXPECT_EQ(defs.Find("b"), defs[1]);
  EXPECT_EQ(defs[1]->Index(), 1);
  EXPECT_THROW(defs.Add("a", ftFloat), EDatabaseError);
  EXPECT_THROW(defs[2], EListError);
  defs.Add("X", ftCursor);
  EXPECT_THROW(data.Open(), EDatabaseError);
  defs.Clear();
  EXPECT_EQ(defs.Count(), 0);
}

}  // namespace
