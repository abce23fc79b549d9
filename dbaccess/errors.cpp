#include "dbaccess/errors.h"

#include <ibase.h>

#include <array>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "dbaccess/helpers.h"
#include "framework/core/component.h"

// The hook's entry points must be exactly the client library's, so the
// binding can install what it bound without a wrapper.
static_assert(std::is_same_v<decltype(TStatusInterpreter::SqlCode), decltype(&isc_sqlcode)>);
static_assert(std::is_same_v<decltype(TStatusInterpreter::SqlInterprete), decltype(&isc_sql_interprete)>);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
static_assert(std::is_same_v<decltype(TStatusInterpreter::Interprete), decltype(&isc_interprete)>);
#pragma GCC diagnostic pop

namespace {

constexpr std::array<std::string_view, ClientErrorCount> ClientErrorTexts = {
    "Unknown error.",
    "Unsupported feature.",
    "Not permitted.",
    "Temporary file access error.",
    "Database connection timed out.",
    "Cannot set database.",
    "Cannot set transaction.",
    "Operation cancelled at user's request.",
    "DPB Constant (isc_dpb_%s) is unsupported.",
    "DPB Constant (%s) is unknown.",
    "TPB Constant (isc_tpb_%s) is unsupported.",
    "TPB Constant (%s) is unknown.",
    "%s: Cannot perform operation -- DB is not open.",
    "Cannot perform operation -- DB is currently open.",
    "Database name is missing.",
    "Transaction is not active.",
    "Transaction is active.",
    "Timeout values cannot be negative.",
    "No databases are listed in transaction component.",
    "Updating wrong database.",
    "Updating wrong transaction.",
    "Database not assigned for %s.",
    "Transaction not assigned for %s.",
    "XSQLDA index out of range.",
    "XSQLDA name does not exist (%s).",
    "End of file.",
    "Beginning of file.",
    "Invalid statement handle.",
    "Can't %s because %s dataset open.",
    "Can't %s because %s dataset closed.",
    "Unknown SQL Data type (%d).",
    "Invalid column index (index exceeds permitted range).",
    "Invalid parameter index (index exceeds permitted range).",
    "Invalid data conversion.",
    "Column cannot be set to null (%s)",
    "Blob stream cannot be read.",
    "Blob stream cannot be written.",
    "Can't %s , because  query is empty",
    "Can't \"open\" a non-select statement. Use ExecQuery.",
    "No access to field \"%s\".",
    "Field \"%s\" is read-only.",
    "Field \"%s\" not found.",
    "DataSet not in Edit or Insert mode.(%s)",
    "Not editing.",
    "Can't insert into dataset. (%s)",
    "Can't post. (%s) ",
    "Can't update. (%s)",
    "Can't delete from dataset. (%s)",
    "Can't refresh row. (%s)",
    "Buffer not set.",
    "Circular references not permitted.(%s)",
    "SQL Parse Error in :%s \r\n\r\n%s",
    "User abort.",
    "Data set is uni-directional.",
    "Cannot create shared resource. (Windows error %d)",
    "Windows API error. (Windows error %d [$%.8x])",
    "Column lists do not match.",
    "Column types don't match. (From index: %d, To index: %d)",
    "Can't end a shared transaction unless it is forced and equal to the transaction's TimeoutAction.",
    "Column types \"%s\" is not array field",
    "Dimension %d don't exist in \"%s\" ",
    "SQL Dialect invalid",
    "InterBase library libfbclient.so.2 not found in the path. Please install InterBase to use this "
    "functionality",
    "%s is an InterBase6 function. Please upgrade to InterBase6 to use this functonality",
    "InterBase Install DLL ibinstall.dll not found in the path. Please install InterBase 6 to use this "
    "functionality",
    "Cannot perform operation -- service is not attached",
    "Cannot perform operation -- service is attached",
    "Server Name Missing",
    "Query Parameters missing or incorrect",
    "Start Parameters missing or incorrect",
    "Unexpected Output buffer value",
    "Generic ServiceStart not applicable: Use Specific Procedures to set configuration params",
    "SPB Constant Not supported",
    "SPB Constant Unknown",
    "Field Size too small. Field %s.%s",
};

// Process-wide state of this unit, created on first use so that no other
// unit's start-up can see it unconstructed.
std::mutex& ErrorStateLock() {
  static std::mutex lock;
  return lock;
}

TStatusInterpreter& InstalledInterpreter() {
  static TStatusInterpreter interpreter;
  return interpreter;
}

int& MessageParts() {
  static int parts = ErrorMessageServerLines | ErrorMessageSQLCodeText;
  return parts;
}

std::string MessageFor(TObject* sender, std::string_view text) {
  if (auto* component = dynamic_cast<const TComponent*>(sender))
    return ComponentPath(component) + ":\r\n" + std::string(text);
  return std::string(text);
}

// The server's SQL-code text, ending with ".".
std::string SqlCodeText(const TStatusInterpreter& in, int sqlCode) {
  if (!in.SqlInterprete) return {};
  std::array<char, 512> buffer{};
  in.SqlInterprete(static_cast<short>(sqlCode), buffer.data(), static_cast<short>(buffer.size()));
  std::string text(buffer.data(), strnlen(buffer.data(), buffer.size()));
  if (!text.empty() && text.back() != '.') text += '.';
  return text;
}

// The server's message lines, each ending with "." and a line break.
std::string ServerLines(const TStatusInterpreter& in, const TStatusWord* vector) {
  if (!in.Interprete) return {};
  // The interpreter walks a private copy that always ends in a zero word, so
  // a vector without its end marker cannot lead it past the array.
  std::array<TStatusWord, StatusVectorLength + 2> copy{};
  std::memcpy(copy.data(), vector, StatusVectorLength * sizeof(TStatusWord));
  TStatusWord* cursor = copy.data();
  std::string text;
  // Every cluster is at least two words: more lines than that means the
  // interpreter is not advancing.
  for (int line = 0; line < StatusVectorLength; ++line) {
    // The entry point takes no buffer size; its lines stay far below this.
    std::array<char, 4096> buffer{};
    if (in.Interprete(buffer.data(), &cursor) < 1) break;
    buffer.back() = '\0';
    std::string_view part(buffer.data());
    if (part.empty()) continue;
    text += part;
    if (part.back() != '.') text += '.';
    text += "\r\n";
  }
  return text;
}

}  // namespace

EFIBError::EFIBError(int code, TObject* sender, std::string_view text)
    : EDatabaseError(MessageFor(sender, text)),
      FSQLCode(code),
      FServerErrorCode(static_cast<int>(StatusVector()[1])),
      FErrorSender(sender) {}

EFIBError::EFIBError(int code, TObject* sender, std::string sqlCodeText, std::string serverText)
    : EFIBError(code, sender, sqlCodeText + serverText) {
  FSQLCodeText = std::move(sqlCodeText);
  FServerText = std::move(serverText);
}

EFIBInterBaseError::EFIBInterBaseError(int sqlCode, TObject* sender, std::string sqlCodeText,
                                       std::string serverText)
    : EFIBError(sqlCode, sender, std::move(sqlCodeText), std::move(serverText)) {}

EFIBClientError::EFIBClientError(int code, std::string_view text) : EFIBError(code, nullptr, text) {}

std::string_view ClientErrorText(int code) {
  // The table is indexed by the code modulo 128; a code still outside
  // it (a negative one keeps its sign) must not index past the table.
  code %= 128;
  if (code < 0 || code >= ClientErrorCount) code = 0;
  return ClientErrorTexts[static_cast<std::size_t>(code)];
}

int ErrorMessageParts() {
  std::lock_guard guard(ErrorStateLock());
  return MessageParts();
}

void SetStatusInterpreter(const TStatusInterpreter& interpreter) {
  std::lock_guard guard(ErrorStateLock());
  InstalledInterpreter() = interpreter;
}

TStatusInterpreter GetStatusInterpreter() {
  std::lock_guard guard(ErrorStateLock());
  return InstalledInterpreter();
}

void RaiseStatusError(TObject* sender) {
  const TStatusWord* vector = StatusVector();
  const int parts = ErrorMessageParts();
  const TStatusInterpreter in = GetStatusInterpreter();
  const int sqlCode = in.SqlCode ? in.SqlCode(vector) : 0;
  std::string sqlCodeText = (parts & ErrorMessageSQLCodeText) ? SqlCodeText(in, sqlCode) : std::string();
  std::string serverText = (parts & ErrorMessageServerLines) ? ServerLines(in, vector) : std::string();
  throw EFIBInterBaseError(sqlCode, sender, std::move(sqlCodeText), std::move(serverText));
}
