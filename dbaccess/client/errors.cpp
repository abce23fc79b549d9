#include "dbaccess/client/errors.h"

#include <ibase.h>

#include <array>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "dbaccess/util/helpers.h"
#include "framework/core/component/component.h"

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
#define TULVO_CLIENT_ERROR_TEXT(name, text) text,
    TULVO_CLIENT_ERRORS(TULVO_CLIENT_ERROR_TEXT)
#undef TULVO_CLIENT_ERROR_TEXT
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
  // An unknown code must not index past the table.
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
