#include "dbaccess/client/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "dbaccess/util/helpers.h"
#include "framework/core/component/component.h"

namespace {

constexpr TStatusWord DynamicSqlError = 335544569;
constexpr TStatusWord SqlErrorCode = 335544436;
constexpr TStatusWord TokenUnknown = 335544634;

void ClearVector() { std::fill_n(StatusVector(), StatusVectorLength, TStatusWord{0}); }

// A stand-in for the client library's interpreter: one line per cluster,
// with a few known error texts.
std::string FakeSqlCodeText;

std::int32_t FakeSqlCode(const TStatusWord* vector) { return vector[1] == DynamicSqlError ? -104 : -901; }

void FakeSqlInterprete(short sqlCode, char* buffer, short size) {
  std::string text = FakeSqlCodeText;
  if (text == "%d") text = std::to_string(sqlCode);
  std::strncpy(buffer, text.c_str(), static_cast<std::size_t>(size) - 1);
}

std::int32_t FakeInterprete(char* buffer, TStatusWord** cursor) {
  TStatusWord* v = *cursor;
  std::string line;
  switch (v[0]) {
    case StatusArgEnd:
      return 0;
    case StatusArgGds:
      line = v[1] == DynamicSqlError ? "Dynamic SQL Error"
             : v[1] == SqlErrorCode  ? "SQL error code = -104"
             : v[1] == TokenUnknown  ? "Token unknown - line 1, column 8."
                                     : "unknown code";
      *cursor += 2;
      break;
    case StatusArgString:
      line = reinterpret_cast<const char*>(v[1]);
      *cursor += 2;
      break;
    default:  // numbers give an empty line
      *cursor += 2;
      break;
  }
  std::strcpy(buffer, line.c_str());
  // The real entry point reports the length of what it wrote, at least 1
  // while clusters remain.
  return static_cast<std::int32_t>(std::max<std::size_t>(line.size(), 1));
}

std::int32_t StuckInterprete(char* buffer, TStatusWord**) {
  std::strcpy(buffer, "again");
  return 5;
}

const char* const WrongWord = "FROMM";

void FillSyntaxError() {
  const TStatusWord v[] = {StatusArgGds,    DynamicSqlError,
                           StatusArgGds,    SqlErrorCode,
                           StatusArgGds,    TokenUnknown,
                           StatusArgString, reinterpret_cast<TStatusWord>(WrongWord),
                           StatusArgNumber, 8,
                           StatusArgEnd};
  ClearVector();
  std::copy(std::begin(v), std::end(v), StatusVector());
}

class ErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearVector();
    FakeSqlCodeText = "Invalid token";
    SetStatusInterpreter({FakeSqlCode, FakeSqlInterprete, FakeInterprete});
    FForm = std::make_unique<TComponent>(nullptr);
    FForm->SetName("MainForm");
    FDataSet = new TComponent(FForm.get());  // owned and freed by the form
    FDataSet->SetName("fdsHome");
  }
  void TearDown() override {
    SetStatusInterpreter({});
    ClearVector();
  }

  // Raises the status error for the sender and returns what was raised.
  EFIBInterBaseError Raised(TObject* sender) {
    try {
      RaiseStatusError(sender);
    } catch (const EFIBInterBaseError& e) {
      return e;
    }
    ADD_FAILURE() << "RaiseStatusError returned";
    return EFIBInterBaseError(0, nullptr, "", "");
  }

  std::unique_ptr<TComponent> FForm;
  TComponent* FDataSet = nullptr;
};

const std::string ServerLines =
    "Dynamic SQL Error.\r\nSQL error code = -104.\r\nToken unknown - line 1, column 8.\r\nFROMM.\r\n";

TEST_F(ErrorsTest, ServerErrorMessageHasPathSqlCodeTextAndServerLines) {
  FillSyntaxError();
  const EFIBInterBaseError e = Raised(FDataSet);
  EXPECT_EQ(e.Message(), "MainForm.fdsHome:\r\nInvalid token." + ServerLines);
  EXPECT_EQ(e.SQLCode(), -104);
  EXPECT_EQ(e.ServerErrorCode(), DynamicSqlError);
  EXPECT_EQ(e.ErrorSender(), FDataSet);
  EXPECT_EQ(e.SQLCodeText(), "Invalid token.");
  EXPECT_EQ(e.ServerText(), ServerLines);
}

TEST_F(ErrorsTest, EmptySqlCodeTextLeavesOnlyTheServerLines) {
  FakeSqlCodeText = "";
  FillSyntaxError();
  const EFIBInterBaseError e = Raised(FDataSet);
  EXPECT_EQ(e.Message(), "MainForm.fdsHome:\r\n" + ServerLines);
  EXPECT_EQ(e.SQLCodeText(), "");
}

TEST_F(ErrorsTest, SqlCodeTextAlreadyEndingInAPointGetsNoSecond) {
  FakeSqlCodeText = "Invalid token.";
  FillSyntaxError();
  EXPECT_EQ(Raised(nullptr).SQLCodeText(), "Invalid token.");
}

TEST_F(ErrorsTest, SenderThatIsNoComponentGivesNoPathLine) {
  FillSyntaxError();
  TObject plain;
  EXPECT_EQ(Raised(&plain).Message(), "Invalid token." + ServerLines);
  EXPECT_EQ(Raised(nullptr).Message(), "Invalid token." + ServerLines);
}

TEST_F(ErrorsTest, UnnamedComponentsAreLeftOutOfThePath) {
  TComponent* unnamed = new TComponent(FForm.get());
  EXPECT_EQ(EFIBError(1, unnamed, "text").Message(), "MainForm:\r\ntext");
  TComponent lonely(nullptr);
  EXPECT_EQ(EFIBError(1, &lonely, "text").Message(), ":\r\ntext");
}

TEST_F(ErrorsTest, WithoutInterpreterAStatusErrorIsStillRaised) {
  SetStatusInterpreter({});
  FillSyntaxError();
  const EFIBInterBaseError e = Raised(FDataSet);
  EXPECT_EQ(e.Message(), "MainForm.fdsHome:\r\n");
  EXPECT_EQ(e.SQLCode(), 0);
  EXPECT_EQ(e.ServerErrorCode(), DynamicSqlError);
  EXPECT_EQ(e.SQLCodeText(), "");
  EXPECT_EQ(e.ServerText(), "");
}

TEST_F(ErrorsTest, InterpreterThatNeverFinishesCannotHang) {
  SetStatusInterpreter({FakeSqlCode, FakeSqlInterprete, StuckInterprete});
  FillSyntaxError();
  const EFIBInterBaseError e = Raised(nullptr);
  std::string expected;
  for (int i = 0; i < StatusVectorLength; ++i) expected += "again.\r\n";
  EXPECT_EQ(e.ServerText(), expected);
}

TEST_F(ErrorsTest, ClientErrorWithPathArgumentHasNoPathLineOfItsOwn) {
  TComponent* db = new TComponent(FForm.get());
  db->SetName("DB");
  try {
    RaiseClientError(12, ComponentPath(db));
    FAIL() << "RaiseClientError returned";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.Message(), "MainForm.DB: Cannot perform operation -- DB is not open.");
    EXPECT_EQ(e.SQLCode(), 12);
    EXPECT_EQ(e.ErrorSender(), nullptr);
    EXPECT_EQ(e.SQLCodeText(), "");
    EXPECT_EQ(e.ServerText(), "");
  }
}

TEST_F(ErrorsTest, ClientErrorFormatsNumbers) {
  try {
    RaiseClientError(57, 3, 4);
    FAIL() << "RaiseClientError returned";
  } catch (const EFIBError& e) {
    EXPECT_EQ(e.Message(), "Column types don't match. (From index: 3, To index: 4)");
  }
}

TEST_F(ErrorsTest, ClientErrorCarriesWhatTheLastFailedCallLeft) {
  StatusVector()[0] = StatusArgGds;
  StatusVector()[1] = TokenUnknown;
  try {
    RaiseClientError(43);
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.ServerErrorCode(), TokenUnknown);
  }
}

TEST_F(ErrorsTest, ServerErrorCodeOfAClientErrorOnAFreshThreadIsZero) {
  StatusVector()[1] = TokenUnknown;  // this thread's, not the new one's
  int code = -1;
  std::thread([&] {
    try {
      RaiseClientError(43);
    } catch (const EFIBClientError& e) {
      code = e.ServerErrorCode();
    }
  }).join();
  EXPECT_EQ(code, 0);
}

TEST_F(ErrorsTest, CodesOutsideTheTableUseTheUnknownErrorText) {
  for (int code : {-1, 75, 128, 140, 100000}) {
    try {
      RaiseClientError(code);
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.Message(), "Unknown error.") << code;
      EXPECT_EQ(e.SQLCode(), code);
    }
  }
}

TEST(ClientErrorTable, HoldsSeventyFiveTexts) {
  for (int code = 0; code < ClientErrorCount; ++code) EXPECT_FALSE(ClientErrorText(code).empty()) << code;
  EXPECT_EQ(ClientErrorCount, 75);
}

struct TTextCase {
  int Code;
  const char* Text;
};

void PrintTo(const TTextCase& c, std::ostream* os) { *os << "code " << c.Code; }

class ClientErrorTextTest : public ::testing::TestWithParam<TTextCase> {};

TEST_P(ClientErrorTextTest, IsExactlyTheTableText) {
  EXPECT_EQ(ClientErrorText(GetParam().Code), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ClientErrorTextTest,
    ::testing::Values(TTextCase{0, "Unknown error."}, TTextCase{7, "Operation cancelled at user's request."},
                      TTextCase{8, "DPB Constant (isc_dpb_%s) is unsupported."},
                      TTextCase{12, "%s: Cannot perform operation -- DB is not open."},
                      TTextCase{37, "Can't %s , because  query is empty"},
                      TTextCase{38, "Can't \"open\" a non-select statement. Use ExecQuery."},
                      TTextCase{40, "Field \"%s\" is read-only."}, TTextCase{45, "Can't post. (%s) "},
                      TTextCase{51, "SQL Parse Error in :%s \r\n\r\n%s"},
                      TTextCase{55, "Windows API error. (Windows error %d [$%.8x])"},
                      TTextCase{59, "Column types \"%s\" is not array field"},
                      TTextCase{60, "Dimension %d don't exist in \"%s\" "},
                      TTextCase{62,
                                "InterBase library libfbclient.so.2 not found in the path. Please install "
                                "InterBase to use this functionality"},
                      TTextCase{63,
                                "%s is an InterBase6 function. Please upgrade to InterBase6 to use this "
                                "functonality"},
                      TTextCase{74, "Field Size too small. Field %s.%s"}));

}  // namespace
