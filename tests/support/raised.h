#pragma once
// Runs a call that is expected to fail and tells what it raised, so that a
// test compares the message or the numbered code in one expectation and a
// call that raises nothing fails that expectation instead of the test
// program. Errors of other types pass through to the test.
//
//   EXPECT_EQ(MessageOf<EListError>([&] { list.Delete(5); }), "List index out of bounds (5)");
//   EXPECT_EQ(ClientErrorOf([&] { db.Open(); }), ceDatabaseNotAssigned);

#include <string>
#include <utility>

#include "framework/core/base/exceptions.h"

class EFIBClientError;

// What a call raised, caught as one exception type.
struct TRaised {
  bool Caught = false;
  // The error's number (SQLCode) when its type carries one; -1 otherwise.
  int Code = -1;
  std::string Message;

  // "CODE MESSAGE" for a numbered error, the message for others, and
  // "(nothing raised)" when the call returned.
  std::string Text() const {
    if (!Caught) return "(nothing raised)";
    return Code >= 0 ? std::to_string(Code) + " " + Message : Message;
  }
};

template <class E = Exception, class F>
TRaised RaisedBy(F&& f) {
  try {
    std::forward<F>(f)();
  } catch (const E& e) {
    TRaised raised;
    raised.Caught = true;
    if constexpr (requires { e.Message(); })
      raised.Message = e.Message();
    else
      raised.Message = e.what();
    if constexpr (requires { e.SQLCode(); }) raised.Code = e.SQLCode();
    return raised;
  }
  return {};
}

// The message of what the call raised, or "(nothing raised)".
template <class E = Exception, class F>
std::string MessageOf(F&& f) {
  const TRaised raised = RaisedBy<E>(std::forward<F>(f));
  return raised.Caught ? raised.Message : "(nothing raised)";
}

// The number of the client error the call raised, or -1 when it raised none.
// Include dbaccess/errors.h to use it.
template <class E = EFIBClientError, class F>
int ClientErrorOf(F&& f) {
  return RaisedBy<E>(std::forward<F>(f)).Code;
}
