#pragma once
// The database layer's exception tree. Failures reported by the server are
// read from the calling thread's status vector (`RaiseStatusError`) and carry
// the server's own texts; misuse on the client side is reported by a numbered
// client error whose text comes from a fixed table (`RaiseClientError`).
// Errors raised for a component begin with its dotted owner path and a line
// break, so the application can show the message from its first line feed on.

#include <cstdint>
#include <string>
#include <string_view>

#include "dbaccess/client/client_error_codes.h"
#include "dbaccess/client/status_vector.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/text/sysutils.h"

class TObject;

class EFIBError : public EDatabaseError {
 public:
  // A sender that is a component puts its path in front of the text. The
  // server error code is taken from the calling thread's status vector now.
  EFIBError(int code, TObject* sender, std::string_view text);

  // The server's SQL code for server errors, the client error code otherwise.
  int SQLCode() const { return FSQLCode; }
  // Word 1 of the thread's status vector when the error was made: the server
  // error number after a failed call, whatever an earlier call left otherwise.
  int ServerErrorCode() const { return FServerErrorCode; }
  // Not owned; may be gone by the time a handler looks at the exception.
  TObject* ErrorSender() const { return FErrorSender; }
  const std::string& SQLCodeText() const { return FSQLCodeText; }
  const std::string& ServerText() const { return FServerText; }

 protected:
  EFIBError(int code, TObject* sender, std::string sqlCodeText, std::string serverText);

 private:
  int FSQLCode = 0;
  int FServerErrorCode = 0;
  TObject* FErrorSender = nullptr;
  std::string FSQLCodeText;
  std::string FServerText;
};

// A failure the server reported through the status vector.
class EFIBInterBaseError : public EFIBError {
 public:
  // The message is the SQL-code text followed directly by the server text.
  EFIBInterBaseError(int sqlCode, TObject* sender, std::string sqlCodeText, std::string serverText);
};

// Misuse detected on the client side; the two text fields stay empty.
class EFIBClientError : public EFIBError {
 public:
  EFIBClientError(int code, std::string_view text);
};

// ---- Client errors ----------------------------------------------------------

// The client error codes by name (`ceDatabaseClosed` is 12, ...).
enum TClientErrorCode : int {
#define TULVO_CLIENT_ERROR_NAME(name, text) name,
  TULVO_CLIENT_ERRORS(TULVO_CLIENT_ERROR_NAME)
#undef TULVO_CLIENT_ERROR_NAME
  ClientErrorCountValue
};

inline constexpr int ClientErrorCount = ClientErrorCountValue;
static_assert(ClientErrorCount == 75);

// The format text of a client error code; codes outside the table give the
// text of code 0.
std::string_view ClientErrorText(int code);

// Formats the code's text with the arguments (the framework's Format) and
// raises EFIBClientError without a sender.
template <class... Args>
[[noreturn]] void RaiseClientError(int code, const Args&... args) {
  throw EFIBClientError(code, Format(ClientErrorText(code), args...));
}

// ---- Server errors ----------------------------------------------------------

// Which parts a server error message is built from.
inline constexpr int ErrorMessageServerLines = 2;
inline constexpr int ErrorMessageSQLCodeText = 4;

// The process-wide message parts: both, always.
int ErrorMessageParts();

// The three client-library entry points that turn a status vector into
// texts, installed by the client library binding once it has bound them. A
// missing entry point leaves its part of the message empty (SQL code 0).
struct TStatusInterpreter {
  // isc_sqlcode
  std::int32_t (*SqlCode)(const TStatusWord* vector) = nullptr;
  // isc_sql_interprete: the text of an SQL code into a buffer of the given size
  void (*SqlInterprete)(short sqlCode, char* buffer, short bufferSize) = nullptr;
  // isc_interprete: the next message line; advances the cursor over the
  // clusters it used and returns the line's length (below 1 at the end).
  // It takes no buffer size: the caller provides a generous buffer.
  std::int32_t (*Interprete)(char* buffer, TStatusWord** cursor) = nullptr;
};

void SetStatusInterpreter(const TStatusInterpreter& interpreter);
TStatusInterpreter GetStatusInterpreter();

// Raises EFIBInterBaseError built from the calling thread's status vector.
[[noreturn]] void RaiseStatusError(TObject* sender);
