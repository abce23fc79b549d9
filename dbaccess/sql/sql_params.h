#pragma once
// Parameters and macros of a statement text. A parameter is a colon or a
// question mark followed by a name (or a name between double quotes); a
// macro is a piece of text replaced before the text goes to the server,
// written "@@name%default@" or "@name" up to the next blank ("@" being the
// statement's macro character). The scanner reads the normal form of the
// text (sql_text.h), which puts a blank before every parameter and macro.
//
// `TSQLParams` is the statement's collaborator for all of it: it owns the
// parameters the user sees (one variable per parameter occurrence and per
// macro, in order of appearance) and the parameters actually sent (one per
// "?" of the text sent), and builds the text sent from the normal form:
// macros substituted, and conditions on null parameters rewritten to IS
// NULL. It lives as long as its statement.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/statement/sqlda.h"
#include "framework/core/base/variant.h"

// One name the scanner found: a parameter's name, or a macro's whole token
// (the macro character, the name and any "%" and default text).
struct TFoundParam {
  std::string Name;
  bool InWhere = false;
  // Found as a macro. A quoted parameter name may begin with the macro
  // character too, so the name alone cannot tell.
  bool IsMacro = false;
};

struct TParamScan {
  std::vector<TFoundParam> Names;
  // In parameter mode: the text with every parameter written "?".
  std::string Processed;
};

// Somewhere a blank is directly followed by ":", "?" or the macro character.
bool HasParamMarks(std::string_view text, char macroChar);

// Reads the text once. In macro mode it only collects the names; in
// parameter mode it also writes the text with "?" for every parameter.
// Raises client error 51 naming componentPath when the text ends inside a
// comment or a string literal, or a parameter has no name.
TParamScan ScanParamText(std::string_view text, char macroChar, bool macroScan,
                         std::string_view componentPath);

// "@name%default" gives the name "@name" and the default "default"; the name
// always begins with the macro character.
void SplitMacroToken(std::string_view token, char macroChar, std::string& name, std::string& defaultText);

// The text with every macro of params replaced by a blank, its value (between
// single quotes, inner quotes doubled, for a quoted macro) and a blank. Each
// occurrence in the text is replaced once; the inserted values are not
// searched for macros again. Each macro's OldValue becomes its value text,
// unless rememberValues is false.
std::string SubstituteMacros(std::string_view text, char macroChar, TFIBXSQLDA& params,
                             bool rememberValues = true);

// In each WHERE clause of the text, "= ?N" and "<> ?N" for a parameter N of
// params that is null and stood in a WHERE clause become "IS NULL" and "IS
// NOT NULL"; such a parameter's OldValue becomes Null, unless
// rememberValues is false.
std::string RewriteNullConditions(std::string_view text, TFIBXSQLDA& params, int dialect,
                                  bool rememberValues = true);

// How the statement asks for the text sent.
struct TSentTextOptions {
  int Dialect = 3;
  // qoNoForceIsNull: null parameters are sent as null, the text unchanged.
  bool NoForceIsNull = false;
  // The statement is being read from a stored form.
  bool Loading = false;
  std::string ComponentPath;
};

class TSQLParams {
 public:
  // The owner is the statement the descriptors belong to.
  explicit TSQLParams(TSQLDAOwner* owner);
  ~TSQLParams();
  TSQLParams(const TSQLParams&) = delete;
  TSQLParams& operator=(const TSQLParams&) = delete;

  char MacroChar() const { return FMacroChar; }
  void SetMacroChar(char macroChar) { FMacroChar = macroChar; }

  // The user-visible parameters and macros, and the parameters sent.
  TFIBXSQLDA& Params() const { return *FParams; }
  TFIBXSQLDA& SentParams() const { return *FSentParams; }
  // The descriptor to send: the sent parameters when the text was rewritten.
  TFIBXSQLDA& InputParams() const { return FTextRewritten ? *FSentParams : *FParams; }

  const std::string& NormalizedSQL() const { return FNormalizedSQL; }
  // The text for the server, every parameter written "?".
  const std::string& ProcessedSQL() const { return FProcessedSQL; }
  bool HasMacros() const { return FHasMacros; }
  bool TextRewritten() const { return FTextRewritten; }
  bool ParamsParsed() const { return FParamsParsed; }
  // The text changed: the next use scans it again.
  void InvalidateParse() { FParamsParsed = false; }
  bool HasWhereClause() const { return FHasWhereClause; }
  void SetHasWhereClause(bool has) { FHasWhereClause = has; }
  bool MacrosChanged() const { return FMacrosChanged; }
  void SetMacrosChanged(bool changed) { FMacrosChanged = changed; }

  // A new statement text: its normal form, and the parameters and macros it
  // holds when scanning is on. Parameters and macros of a name met before
  // keep their values. Returns false when the text has no marks (or
  // scanning is off): there are no parameters, and the text is sent as it
  // is. On a scan error the previous parameters stay.
  bool Parse(std::string_view sqlText, bool paramCheck, std::string_view componentPath);

  // Whether the text sent must be built again before the next execution:
  // never built, macros changed, or a WHERE parameter switched between null
  // and a value.
  bool RebuildNeeded(bool prepared, bool noForceIsNull) const;
  // Builds the text sent and its parameters (keeping their values by name);
  // clears MacrosChanged. Returns whether ProcessedSQL changed.
  bool BuildSentText(const TSentTextOptions& options);
  // The text BuildSentText would send, before its parameters are written
  // "?": macros substituted and null conditions rewritten, each parameter
  // still "?NAME". Changes nothing, so the values a statement remembers
  // for deciding whether its text must be rebuilt stay as they were.
  std::string PreviewSentText(const TSentTextOptions& options) const;

  // Value i goes to the i-th user-visible parameter, macros included;
  // values beyond the parameters are ignored.
  void SetParamValues(std::span<const Variant> values);
  // After an execution: each assigned parameter's value becomes its OldValue.
  void SaveOldValues();
  // The names of the sent parameters that the user-visible ones lack
  // (brought in by macro values).
  std::vector<std::string> ExtraParamNames() const;

 private:
  std::unique_ptr<TFIBXSQLDA> BuildDescriptor(const TParamScan& scan, bool macroScan, TFIBXSQLDA& previous);

  TSQLDAOwner* FOwner;
  char FMacroChar = '@';
  std::unique_ptr<TFIBXSQLDA> FParams;
  std::unique_ptr<TFIBXSQLDA> FSentParams;
  std::string FNormalizedSQL;
  std::string FProcessedSQL;
  bool FHasMacros = false;
  bool FTextRewritten = false;
  bool FParamsParsed = false;
  bool FHasWhereClause = true;
  bool FMacrosChanged = false;
};
