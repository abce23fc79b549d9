#pragma once
// The database tests run twice in CI: on the embedded engine, and against a
// real server that scripts/test starts on this machine. The second run sets
//
//   TULVO_TEST_SERVER          the server's host ("localhost"): every test
//                              database is then "host:path"
//   ISC_USER, ISC_PASSWORD     the administrator's login on that server
//   TULVO_TEST_SERVER_CONTROL  a command that takes "kill" (ends the server
//                              abruptly, as a crash would) and "start"
//                              (starts it again and waits until it answers)
//
// Tests that only make sense against the server skip elsewhere with a
// message that says so.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// The server's host, or empty for the embedded engine.
inline std::string TestServerHost() {
  const char* host = std::getenv("TULVO_TEST_SERVER");
  return host != nullptr ? host : "";
}

inline bool OnTestServer() { return !TestServerHost().empty(); }

// The administrator's login: the server's from the environment, or the
// embedded engine's (which checks no password).
inline std::string TestServerUser() {
  const char* user = OnTestServer() ? std::getenv("ISC_USER") : nullptr;
  return user != nullptr && *user != '\0' ? user : "SYSDBA";
}
inline std::string TestServerPassword() {
  const char* password = OnTestServer() ? std::getenv("ISC_PASSWORD") : nullptr;
  return password != nullptr ? password : "masterkey";
}

// The name a connection gives for a database file: the path itself on the
// embedded engine, "host:path" on the server.
inline std::string DatabaseNameOf(const std::string& file) {
  return OnTestServer() ? TestServerHost() + ":" + file : file;
}

// Runs the server control command with the action; true when it succeeded.
// False (with a test failure naming the command) when the run gave none.
inline bool ControlTestServer(const std::string& action) {
  const char* control = std::getenv("TULVO_TEST_SERVER_CONTROL");
  if (control == nullptr || *control == '\0') {
    ADD_FAILURE() << "TULVO_TEST_SERVER_CONTROL names no command to " << action << " the server";
    return false;
  }
  const std::string command = "'" + std::string(control) + "' " + action;
  const int status = std::system(command.c_str());
  EXPECT_EQ(status, 0) << command;
  return status == 0;
}

// For the body (or SetUp) of a test that only makes sense against the server.
#define TULVO_SKIP_UNLESS_ON_TEST_SERVER()                                                  \
  do {                                                                                      \
    if (!OnTestServer()) GTEST_SKIP() << "needs the test server (TULVO_TEST_SERVER unset)"; \
  } while (false)
