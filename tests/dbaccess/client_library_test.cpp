#include "dbaccess/client/client_library.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"
#include "tests/dbaccess/fake_client.h"

#if defined(__i386__) || defined(__x86_64__)
#include <fpu_control.h>
#endif

namespace {

void* MappedHandle(const char* path) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);  // the binding still holds it
  return handle;
}

TEST_F(FakeClientTest, BindsEveryEntryPointToTheLibrarysOwn) {
  UseLibrary(FakeClientFull);
  CheckClientLibrary();
  ASSERT_TRUE(ClientLibrary().Loaded());

  void* handle = MappedHandle(FakeClientFull);
  ASSERT_NE(handle, nullptr);
  const TClientEntryPoints& api = ClientAPI();
#define TULVO_EXPECT_OWN(name) EXPECT_EQ(reinterpret_cast<void*>(api.name), dlsym(handle, #name)) << #name;
  TULVO_CLIENT_MANDATORY_ENTRY_POINTS(TULVO_EXPECT_OWN)
  TULVO_CLIENT_VERSION6_ENTRY_POINTS(TULVO_EXPECT_OWN)
  TULVO_CLIENT_VERSION_QUERY_ENTRY_POINTS(TULVO_EXPECT_OWN)
#undef TULVO_EXPECT_OWN
  EXPECT_EQ(ClientLibrary().ClientMajorVersion(), 3);
  EXPECT_EQ(ClientLibrary().ClientMinorVersion(), 0);
}

TEST_F(FakeClientTest, TwoConnectionsBindTheLibraryOnce) {
  UseLibrary(FakeClientFull);
  const TFakeClient fake(FakeClientFull);
  CheckClientLibrary();
  const TClientEntryPoints* table = &ClientAPI();
  CheckClientLibrary();
  EXPECT_EQ(&ClientAPI(), table);
  // Binding asks the library for its version once.
  EXPECT_EQ(fake.Calls("isc_get_client_major_version"), 1);
  EXPECT_EQ(fake.Calls("isc_get_client_minor_version"), 1);
}

TEST_F(FakeClientTest, MissingLibraryRaises62AndIsTriedAgain) {
  UseLibrary("libtulvo-no-such-client.so.9");
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      CheckClientLibrary();
      ADD_FAILURE() << "no error";
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.SQLCode(), ceClientLibraryNotFound);
      EXPECT_EQ(e.Message(),
                "InterBase library libfbclient.so.2 not found in the path. Please install InterBase to "
                "use this functionality");
    }
    EXPECT_FALSE(ClientLibrary().Loaded());
  }
  // Nothing reaches the table of a library that is not there.
  EXPECT_THROW(ClientAPI(), EFIBClientError);
}

// What the system's loader says when the library lacks the entry point.
std::string MissingEntryPointText(const char* path, const char* name) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return "cannot load " + std::string(path);
  dlerror();
  dlsym(handle, name);
  const char* reason = dlerror();
  std::string text = reason != nullptr ? reason : "";
  dlclose(handle);
  return text;
}

// A missing mandatory entry point is reported with the system's own error
// for the missing name. The library must not stay loaded with a half bound
// table: every later check raises again, and nothing calls through it.
TEST_F(FakeClientTest, MissingMandatoryEntryPointRaisesTheSystemsErrorAndLeavesNothingLoaded) {
  const std::string expected = MissingEntryPointText(FakeClientBroken, "isc_transaction_info");
  ASSERT_NE(expected.find("isc_transaction_info"), std::string::npos) << expected;
  UseLibrary(FakeClientBroken);
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      CheckClientLibrary();
      ADD_FAILURE() << "no error";
    } catch (const EOSError& e) {
      EXPECT_EQ(e.Message(), expected);
    }
    EXPECT_FALSE(ClientLibrary().Loaded());
    EXPECT_EQ(MappedHandle(FakeClientBroken), nullptr);
    EXPECT_EQ(GetStatusInterpreter().SqlCode, nullptr);
  }
  EXPECT_THROW(ClientAPI(), EOSError);
}

TEST_F(FakeClientTest, LibraryCannotBeSwappedWhileLoaded) {
  UseLibrary(FakeClientFull);
  CheckClientLibrary();
  EXPECT_THROW(ClientLibrary().SetFileName(FakeClientVersion5), EInvalidOperation);
  EXPECT_EQ(ClientLibrary().FileName(), FakeClientFull);

  ShutdownClientLibrary();
  EXPECT_FALSE(ClientLibrary().Loaded());
  EXPECT_EQ(MappedHandle(FakeClientFull), nullptr);
  ClientLibrary().SetFileName(FakeClientVersion5);
  CheckClientLibrary();
  EXPECT_NE(MappedHandle(FakeClientVersion5), nullptr);
}

// Server errors are read through the entry points of the bound library, and
// only while it is bound.
TEST_F(FakeClientTest, ServerErrorsAreReadThroughTheBoundLibrary) {
  UseLibrary(FakeClientFull);
  CheckClientLibrary();
  const TFakeClient fake(FakeClientFull);
  fake.Fail("isc_attach_database", isc_io_error);

  isc_db_handle db = 0;
  ASSERT_EQ(ClientAPI().isc_attach_database(StatusVector(), 0, "x.fdb", &db, 0, nullptr), isc_io_error);
  try {
    RaiseStatusError(nullptr);
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.SQLCode(), -902);
    EXPECT_EQ(e.ServerErrorCode(), isc_io_error);
    EXPECT_EQ(e.Message(), "Fake SQL code -902.Fake failure 335544344.\r\n");
  }
  EXPECT_EQ(db, 0u);

  ShutdownClientLibrary();
  EXPECT_EQ(GetStatusInterpreter().SqlCode, nullptr);
  EXPECT_EQ(GetStatusInterpreter().Interprete, nullptr);
}

// One stand-in of an entry point an older client lacks, called with
// arguments that would do harm if it were called for real.
struct TStandInCase {
  const char* Name;
  std::function<void(const TClientEntryPoints&)> Call;
};

void PrintTo(const TStandInCase& c, std::ostream* os) { *os << c.Name; }

class OlderClient : public FakeClientTest, public ::testing::WithParamInterface<TStandInCase> {};

TEST_P(OlderClient, BindsAndRaises63OnUse) {
  UseLibrary(FakeClientVersion5);
  CheckClientLibrary();
  const TFakeClient fake(FakeClientVersion5);
  try {
    GetParam().Call(ClientAPI());
    ADD_FAILURE() << "no error";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), ceClientFunctionMissing);
    EXPECT_EQ(e.Message(),
              std::string(GetParam().Name) +
                  " is an InterBase6 function. Please upgrade to InterBase6 to use this functonality");
  }
  // The library's own entry point of the same name, where it has one, stays
  // unused: the group goes with its probe.
  EXPECT_EQ(fake.Calls("isc_service_attach"), 0);
  EXPECT_EQ(fake.Calls("isc_get_client_major_version"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    StandIns, OlderClient,
    ::testing::Values(
        TStandInCase{"isc_rollback_retaining",
                     [](const TClientEntryPoints& api) { api.isc_rollback_retaining(nullptr, nullptr); }},
        TStandInCase{"isc_service_attach",
                     [](const TClientEntryPoints& api) {
                       api.isc_service_attach(nullptr, 0, nullptr, nullptr, 0, nullptr);
                     }},
        TStandInCase{"isc_service_detach",
                     [](const TClientEntryPoints& api) { api.isc_service_detach(nullptr, nullptr); }},
        TStandInCase{"isc_service_query",
                     [](const TClientEntryPoints& api) {
                       api.isc_service_query(nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, nullptr);
                     }},
        TStandInCase{"isc_service_start",
                     [](const TClientEntryPoints& api) {
                       api.isc_service_start(nullptr, nullptr, nullptr, 0, nullptr);
                     }},
        TStandInCase{"isc_decode_sql_date",
                     [](const TClientEntryPoints& api) { api.isc_decode_sql_date(nullptr, nullptr); }},
        TStandInCase{"isc_decode_sql_time",
                     [](const TClientEntryPoints& api) { api.isc_decode_sql_time(nullptr, nullptr); }},
        TStandInCase{"isc_decode_timestamp",
                     [](const TClientEntryPoints& api) { api.isc_decode_timestamp(nullptr, nullptr); }},
        TStandInCase{"isc_encode_sql_date",
                     [](const TClientEntryPoints& api) { api.isc_encode_sql_date(nullptr, nullptr); }},
        TStandInCase{"isc_encode_sql_time",
                     [](const TClientEntryPoints& api) { api.isc_encode_sql_time(nullptr, nullptr); }},
        TStandInCase{"isc_encode_timestamp",
                     [](const TClientEntryPoints& api) { api.isc_encode_timestamp(nullptr, nullptr); }},
        TStandInCase{"isc_portable_integer",
                     [](const TClientEntryPoints& api) { api.isc_portable_integer(nullptr, 8); }},
        TStandInCase{"isc_get_client_version ",
                     [](const TClientEntryPoints& api) { api.isc_get_client_version(nullptr); }},
        TStandInCase{"isc_get_client_major_version ",
                     [](const TClientEntryPoints& api) { api.isc_get_client_major_version(); }},
        TStandInCase{"isc_get_client_minor_version ",
                     [](const TClientEntryPoints& api) { api.isc_get_client_minor_version(); }}),
    [](const auto& info) { return std::to_string(info.index); });

#if defined(__i386__) || defined(__x86_64__)

// Restores the control word the test found, whatever happens in between.
class TControlWordScope {
 public:
  TControlWordScope() { _FPU_GETCW(FSaved); }
  ~TControlWordScope() { _FPU_SETCW(FSaved); }
  fpu_control_t Saved() const { return FSaved; }

 private:
  fpu_control_t FSaved;
};

fpu_control_t ControlWord() {
  fpu_control_t word;
  _FPU_GETCW(word);
  return word;
}

TEST_F(FakeClientTest, BindingLeavesExtendedPrecision) {
  const TControlWordScope scope;
  // Single precision and rounding towards zero, as a library's start-up code
  // might leave it.
  fpu_control_t changed = (scope.Saved() & ~_FPU_EXTENDED & ~_FPU_RC_ZERO) | _FPU_RC_ZERO;
  _FPU_SETCW(changed);

  UseLibrary(FakeClientFull);
  CheckClientLibrary();
  EXPECT_EQ(ControlWord(), changed | _FPU_EXTENDED);

  RestoreDefaultFPUControlWord();
  EXPECT_EQ(ControlWord(), __fpu_control);
}

#endif

TEST(DescriptorLength, FollowsTheNativeLayout) {
  for (int count = 1; count <= 4; ++count) EXPECT_EQ(DescriptorLength(count), XSQLDA_LENGTH(count)) << count;
  EXPECT_EQ(DescriptorLength(0), XSQLDA_LENGTH(1) - sizeof(XSQLVAR));
  EXPECT_THROW(DescriptorLength(-1), EInvalidOperation);
}

}  // namespace
