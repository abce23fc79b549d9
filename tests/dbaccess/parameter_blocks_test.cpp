#include "dbaccess/client/parameter_blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "framework/core/component/strings.h"

namespace {

using TLines = std::vector<std::string>;

// A block written as its bytes, with texts spelled out.
std::string Bytes(std::initializer_list<int> bytes) {
  std::string block;
  for (int b : bytes) block += static_cast<char>(b);
  return block;
}

std::string BuildDPBOf(const TLines& lines) { return BuildDPB(lines); }
std::string BuildTPBOf(const TLines& lines) { return BuildTPB(lines); }

struct TBlockCase {
  const char* Name;
  TLines Lines;
  std::string Expected;
};

void PrintTo(const TBlockCase& c, std::ostream* os) { *os << c.Name; }

class DPBEncoding : public ::testing::TestWithParam<TBlockCase> {};

TEST_P(DPBEncoding, EncodesTheLines) { EXPECT_EQ(BuildDPB(GetParam().Lines), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(
    Lines, DPBEncoding,
    ::testing::Values(
        TBlockCase{"NoLines", {}, Bytes({1})},
        TBlockCase{"TextItems",
                   {"lc_ctype=WIN1251", "user_name=SYSDBA", "password=quartzbin"},
                   Bytes({1, 48, 7}) + "WIN1251" + Bytes({28, 6}) + "SYSDBA" + Bytes({29, 9}) + "quartzbin"},
        TBlockCase{
            "PrefixAndCapitals",
            {"isc_dpb_user_name=SYSDBA", "USER_NAME=SYSDBA", "ISC_DPB_User_Name=SYSDBA"},
            Bytes({1}) + Bytes({28, 6}) + "SYSDBA" + Bytes({28, 6}) + "SYSDBA" + Bytes({28, 6}) + "SYSDBA"},
        TBlockCase{"BlanksAndEmptyLinesSkipped",
                   {"", "  \t", "  sql_role_name=ADMIN\r "},
                   Bytes({1, 60, 5}) + "ADMIN"},
        TBlockCase{"ValueKeepsLaterEquals", {"password=a=b"}, Bytes({1, 29, 3}) + "a=b"},
        TBlockCase{"EmptyText", {"user_name="}, Bytes({1, 28, 0})},
        TBlockCase{"LongestText",
                   {"user_name=" + std::string(255, 'x')},
                   Bytes({1, 28, 255}) + std::string(255, 'x')},
        TBlockCase{"Dialect", {"sql_dialect=3"}, Bytes({1, 63, 1, 3})},
        TBlockCase{"OneByteNumbers",
                   {"num_buffers=255", "verify=0", "force_write=1", "connect_timeout=30"},
                   Bytes({1, 5, 1, 255, 9, 1, 0, 24, 1, 1, 57, 1, 30})},
        TBlockCase{"ValuesIgnored",
                   {"garbage_collect=7", "no_garbage_collect", "activate_shadow", "delete_shadow=x",
                    "begin_log", "quit_log", "sweep=99"},
                   Bytes({1, 8, 1, 0, 16, 1, 0, 21, 1, 0, 23, 1, 0, 25, 1, 0, 26, 1, 0, 10, 1, 2})},
        TBlockCase{"SweepIntervalLeastSignificantFirst",
                   {"sweep_interval=305419896"},
                   Bytes({1, 22, 4, 0x78, 0x56, 0x34, 0x12})}),
    [](const auto& info) { return std::string(info.param.Name); });

class TPBEncoding : public ::testing::TestWithParam<TBlockCase> {};

TEST_P(TPBEncoding, EncodesTheLines) { EXPECT_EQ(BuildTPB(GetParam().Lines), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(Lines, TPBEncoding,
                         ::testing::Values(TBlockCase{"NoLinesNoBlock", {}, ""},
                                           TBlockCase{"OnlyEmptyLines", {"", " "}, Bytes({3})},
                                           TBlockCase{"ReadCommitted",
                                                      {"read", "nowait", "rec_version", "read_committed"},
                                                      Bytes({3, 8, 7, 17, 15})},
                                           TBlockCase{"PrefixCapitalsAndBlanks",
                                                      {" isc_tpb_WRITE ", "", "Concurrency", "wait"},
                                                      Bytes({3, 9, 2, 6})},
                                           TBlockCase{"TableReservations",
                                                      {"lock_read=PHONES", "lock_write="},
                                                      Bytes({3, 10, 6}) + "PHONES" + Bytes({11, 0})}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A build that must fail: the client error code and the exact message, or a
// conversion error (code -1) with its message.
struct TFailureCase {
  const char* Name;
  TLines Lines;
  int Code;
  std::string Message;
};

void PrintTo(const TFailureCase& c, std::ostream* os) { *os << c.Name; }

template <class Build>
void ExpectFailure(Build build, const TFailureCase& c) {
  try {
    build(c.Lines);
    ADD_FAILURE() << "no error";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), c.Code);
    EXPECT_EQ(e.Message(), c.Message);
  } catch (const EConvertError& e) {
    EXPECT_EQ(-1, c.Code) << e.Message();
    EXPECT_EQ(e.Message(), c.Message);
  }
}

class DPBFailure : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(DPBFailure, RaisesForTheOffendingLine) { ExpectFailure(BuildDPBOf, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Lines, DPBFailure,
    ::testing::Values(
        TFailureCase{
            "UnknownName", {"user_name=A", "no_such_thing=1"}, 9, "DPB Constant (no_such_thing) is unknown."},
        TFailureCase{"BlankBeforeEquals", {"user_name =SYSDBA"}, 9, "DPB Constant (user_name ) is unknown."},
        TFailureCase{
            "UnknownNameLoweredWithoutPrefix", {"ISC_DPB_Bogus"}, 9, "DPB Constant (bogus) is unknown."},
        TFailureCase{
            "Unsupported", {"isc_dpb_page_size=4096"}, 8, "DPB Constant (isc_dpb_page_size) is unsupported."},
        TFailureCase{"NotANumber", {"num_buffers=many"}, -1, "'many' is not a valid integer value"},
        TFailureCase{"EmptyDialect", {"sql_dialect="}, -1, "'' is not a valid integer value"},
        TFailureCase{
            "SweepIntervalNotANumber", {"sweep_interval=often"}, -1, "'often' is not a valid integer value"},
        TFailureCase{"OneByteNumberTooLarge",
                     {"num_buffers=1000"},
                     33,
                     "DPB Constant (isc_dpb_num_buffers) takes a number from 0 to 255, not 1000."},
        TFailureCase{"OneByteNumberNegative",
                     {"dbkey_scope=-1"},
                     33,
                     "DPB Constant (isc_dpb_dbkey_scope) takes a number from 0 to 255, not -1."},
        TFailureCase{"DialectTooLarge",
                     {"sql_dialect=300"},
                     33,
                     "DPB Constant (isc_dpb_sql_dialect) takes a number from 0 to 255, not 300."},
        TFailureCase{"TextTooLong",
                     {"password=" + std::string(256, 'p')},
                     33,
                     "DPB Constant (isc_dpb_password) takes at most 255 bytes, not 256."}),
    [](const auto& info) { return std::string(info.param.Name); });

class TPBFailure : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(TPBFailure, RaisesForTheOffendingLine) { ExpectFailure(BuildTPBOf, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Lines, TPBFailure,
    ::testing::Values(TFailureCase{"UnknownName", {"read", "Bogus"}, 11, "TPB Constant (bogus) is unknown."},
                      TFailureCase{"Unsupported",
                                   {"isc_tpb_autocommit"},
                                   10,
                                   "TPB Constant (isc_tpb_autocommit) is unsupported."},
                      TFailureCase{"TableNameTooLong",
                                   {"lock_write=" + std::string(256, 'T')},
                                   33,
                                   "TPB Constant (isc_tpb_lock_write) takes at most 255 bytes, not 256."}),
    [](const auto& info) { return std::string(info.param.Name); });

// An attach takes the DPB's length as a signed 16-bit count.
TEST(ParameterBlocks, DPBLongerThanAnAttachTakesIsRejected) {
  const TLines fits(127, "lc_messages=" + std::string(255, 'm'));
  EXPECT_EQ(BuildDPB(fits).size(), 1u + 127u * 257u);

  TLines tooLong = fits;
  tooLong.push_back("lc_messages=" + std::string(255, 'm'));
  ExpectFailure(BuildDPBOf, TFailureCase{"", tooLong, 33, "The DPB takes at most 32767 bytes, not 32897."});
}

// Connections and transactions hold their lines in string lists, and keep
// them as written.
TEST(ParameterBlocks, StringListsEncodeLikeLines) {
  TStringList connection;
  connection.Add(" lc_ctype=WIN1251");
  connection.Add("user_name=SYSDBA");
  EXPECT_EQ(BuildDPB(connection), Bytes({1, 48, 7}) + "WIN1251" + Bytes({28, 6}) + "SYSDBA");
  EXPECT_EQ(connection.Strings(0), " lc_ctype=WIN1251");

  TStringList transaction;
  transaction.Add("read");
  transaction.Add("bogus");
  ExpectFailure([&](const TLines&) { return BuildTPB(transaction); },
                TFailureCase{"", {}, 11, "TPB Constant (bogus) is unknown."});
}

TEST(ParameterBlocks, DPBNamesByCode) {
  EXPECT_EQ(DPBName(1), "cdd_pathname");
  EXPECT_EQ(DPBName(28), "user_name");
  EXPECT_EQ(DPBName(67), "gstat_attach");
  EXPECT_EQ(DPBName(0), "");
  EXPECT_EQ(DPBName(68), "");
}

}  // namespace
