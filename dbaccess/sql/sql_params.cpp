#include "dbaccess/sql/sql_params.h"

#include <algorithm>

#include "dbaccess/client/errors.h"
#include "dbaccess/util/helpers.h"
#include "dbaccess/sql/sql_text.h"
#include "framework/core/text/text.h"

namespace {

constexpr const char* EofInComment = "EOF in comment detected";
constexpr const char* EofInString = "EOF in string detected";
constexpr const char* NameExpected = "Parameter name expected";

// Longest macro name kept.
constexpr std::size_t MaxMacroName = 255;

bool IsParamNameChar(char c) {
  return c == '#' || c == '$' || c == '%' || c == '.' || c == '_' || (c >= '0' && c <= '9') ||
         (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsBlankOrBreak(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

class TParamScanner {
 public:
  TParamScanner(std::string_view text, char macroChar, bool macroScan, std::string_view path)
      : FText(text), FMacro(macroChar), FMacroScan(macroScan), FPath(path) {}

  TParamScan Run() {
    if (!FMacroScan) FResult.Processed.reserve(FText.size());
    for (FPos = 0; FPos < FText.size(); ++FPos) {
      switch (FState) {
        case TState::Normal:
          Normal();
          break;
        case TState::Comment:
          Comment();
          break;
        case TState::Literal:
          Literal();
          break;
        case TState::Param:
        case TState::Macro:
          NameChar();
          break;
      }
    }
    // A text may end right after a closed literal or comment; only one that
    // ends inside is cut short.
    if (FState == TState::Literal) Fail(EofInString);
    if (FState == TState::Comment) Fail(EofInComment);
    if (FState == TState::Param || FState == TState::Macro) {
      if (FName.size() <= FNamePrefix) Fail(NameExpected);
      Finish();
    }
    return std::move(FResult);
  }

 private:
  enum class TState { Normal, Comment, Literal, Param, Macro };

  char Current() const { return FText[FPos]; }
  bool HasNext() const { return FPos + 1 < FText.size(); }
  char Next() const { return HasNext() ? FText[FPos + 1] : '\0'; }
  void Copy(char c) {
    if (!FMacroScan) FResult.Processed += c;
  }
  [[noreturn]] void Fail(const char* what) const { RaiseClientError(ceSQLParseError, FPath, what); }

  void TrackWhere() {
    const int pos = static_cast<int>(FPos) + 1;
    if (!FInWhere) {
      if (IsWhereAt(FText, pos)) {
        FInWhere = true;
        FDepth = 0;
      }
      return;
    }
    const char c = Current();
    if (c == '(') ++FDepth;
    if (c == ')' && --FDepth < 0) FInWhere = false;
    if (FInWhere && IsWhereEnd(FText, pos)) FInWhere = false;
  }

  void Normal() {
    TrackWhere();
    const char c = Current();
    if (c == '\'' || c == '"') {
      FQuote = c;
      FState = TState::Literal;
      Copy(c);
    } else if (c == '/' && Next() == '*') {
      Copy(c);
      Copy('*');
      ++FPos;
      FState = TState::Comment;
    } else if (c == ':' || c == '?') {
      Copy('?');
      StartName(TState::Param, 0);
    } else if (c == FMacro && (FPos == 0 || IsBlankOrBreak(FText[FPos - 1]))) {
      // The normal form sets every macro off by a blank; a macro character
      // inside a word is text.
      Copy(c);
      FNamedMacro = Next() != FMacro;
      StartName(TState::Macro, FNamedMacro ? 1 : 0);
      if (FNamedMacro) FName += FMacro;
    } else {
      Copy(c);
    }
  }

  void Comment() {
    const char c = Current();
    Copy(c);
    if (c == '*' && Next() == '/') {
      Copy('/');
      ++FPos;
      FState = TState::Normal;
    }
  }

  void Literal() {
    const char c = Current();
    Copy(c);
    if (c != FQuote) return;
    if (Next() == FQuote) {
      Copy(FQuote);
      ++FPos;
    } else {
      FState = TState::Normal;
    }
  }

  void StartName(TState state, std::size_t prefix) {
    FState = state;
    FName.clear();
    FNamePrefix = prefix;
    FQuotedName = false;
  }

  void NameChar() {
    const char c = Current();
    // A double quote right after the mark opens a quoted name; elsewhere it
    // is a character like any other (a macro's default may hold quotes).
    if (!FQuotedName && c == '"' && FName.size() == FNamePrefix) {
      FQuotedName = true;
      return;
    }
    if (FQuotedName) {
      FName += c;
      if (Next() == '"') {
        ++FPos;
        Finish();
      }
      return;
    }
    if (IsParamNameChar(c)) {
      FName += c;
    } else if (FState == TState::Param || (FNamedMacro && IsBlankOrBreak(c))) {
      Fail(NameExpected);
    } else {
      FName += c;
    }
    if (FState == TState::Param) {
      if (!IsParamNameChar(Next())) Finish();
    } else if (FNamedMacro ? IsBlankOrBreak(Next()) : Next() == FMacro) {
      // The blank or the closing macro character goes with the macro.
      if (HasNext()) {
        ++FPos;
        Copy(Current());
      }
      Finish();
    }
  }

  void Finish() {
    FResult.Names.push_back(TFoundParam{FName, FInWhere, FState == TState::Macro});
    FName.clear();
    FState = TState::Normal;
  }

  std::string_view FText;
  char FMacro;
  bool FMacroScan;
  std::string_view FPath;
  TParamScan FResult;
  std::size_t FPos = 0;
  TState FState = TState::Normal;
  char FQuote = '\'';
  bool FInWhere = false;
  int FDepth = 0;
  bool FQuotedName = false;
  bool FNamedMacro = false;
  std::string FName;
  // Characters of FName that are the mark, not the name.
  std::size_t FNamePrefix = 0;
};

// A macro token (upper case) and the text that replaces each of its occurrences.
struct TMacroReplacement {
  std::string Token;
  std::string Text;
};

// The token at p, whatever the case of its letters, followed by a blank, "#",
// "%" or the macro character; a token followed by anything else is part of
// a longer name.
bool IsMacroOccurrence(std::string_view text, std::size_t p, std::string_view upperToken, char macroChar) {
  const std::size_t after = p + upperToken.size();
  if (after >= text.size()) return false;
  for (std::size_t k = 0; k < upperToken.size(); ++k)
    if (AnsiUpperChar(text[p + k]) != upperToken[k]) return false;
  const char next = text[after];
  return next == ' ' || next == '#' || next == '%' || next == macroChar;
}

}  // namespace

// ---- Free routines -------------------------------------------------------------------

bool HasParamMarks(std::string_view text, char macroChar) {
  if (text.size() <= 1) return false;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != ' ') continue;
    const char n = text[i + 1];
    if (n == ':' || n == '?' || n == macroChar) return true;
  }
  return false;
}

TParamScan ScanParamText(std::string_view text, char macroChar, bool macroScan,
                         std::string_view componentPath) {
  return TParamScanner(text, macroChar, macroScan, componentPath).Run();
}

void SplitMacroToken(std::string_view token, char macroChar, std::string& name, std::string& defaultText) {
  const std::size_t percent = token.find('%');
  if (percent == std::string_view::npos) {
    name = std::string(token);
    defaultText.clear();
  } else {
    name = std::string(token.substr(0, percent));
    defaultText = std::string(token.substr(percent + 1));
  }
  if (name.empty() || name.front() != macroChar) name.insert(name.begin(), macroChar);
}

std::string SubstituteMacros(std::string_view text, char macroChar, TFIBXSQLDA& params, bool rememberValues) {
  if (text.find(macroChar) == std::string_view::npos) return std::string(text);
  // One replacement per token: a macro written twice has two variables that
  // share one value, and the first of them speaks for every occurrence.
  std::vector<TMacroReplacement> macros;
  for (int i = 0; i < params.Count(); ++i) {
    TFIBXSQLVAR& var = params[i];
    if (!var.IsMacro()) continue;
    const std::string value = var.AsString();
    std::string token = AnsiUpperCase(std::string(1, macroChar) + AsciiUpper(var.Name()));
    if (std::none_of(macros.begin(), macros.end(),
                     [&](const TMacroReplacement& m) { return m.Token == token; })) {
      // A quoted macro becomes one string literal, whatever quotes its value holds.
      macros.push_back(
          {std::move(token), var.QuotedMacro() ? " " + QuotedStr(value) + " " : " " + value + " "});
    }
    if (rememberValues) var.SetOldValue(Variant(value));
  }
  // One pass over the text as written: every occurrence is replaced once, and
  // what a value inserts is never searched again, so a value may hold macro
  // tokens (its own included) and the work stays proportional to the text.
  const char upperMacro = AnsiUpperChar(macroChar);
  std::string result;
  result.reserve(text.size());
  std::size_t copied = 0;
  std::size_t p = 0;
  while (p < text.size()) {
    const TMacroReplacement* hit = nullptr;
    if (AnsiUpperChar(text[p]) == upperMacro) {
      for (const TMacroReplacement& m : macros) {
        if (IsMacroOccurrence(text, p, m.Token, macroChar)) {
          hit = &m;
          break;
        }
      }
    }
    if (hit == nullptr) {
      ++p;
      continue;
    }
    const std::size_t after = p + hit->Token.size();
    std::size_t start = p;
    std::size_t end = 0;
    // The form with two macro characters runs through its default to the
    // closing one; a named macro runs to the next blank.
    if (p > copied && text[p - 1] == macroChar) {
      start = p - 1;
      const std::size_t close = text.find(macroChar, after);
      end = close == std::string_view::npos ? text.size() : close + 1;
    } else {
      const std::size_t blank = text.find(' ', after);
      end = blank == std::string_view::npos ? text.size() : blank;
    }
    result.append(text.substr(copied, start - copied));
    result += hit->Text;
    copied = p = end;
  }
  result.append(text.substr(copied));
  return result;
}

std::string RewriteNullConditions(std::string_view text, TFIBXSQLDA& params, int dialect, bool rememberValues) {
  std::string s(text);
  std::vector<TFIBXSQLVAR*> nulls;
  for (int i = 0; i < params.Count(); ++i) {
    TFIBXSQLVAR& var = params[i];
    if (!var.IsMacro() && var.InWhereClause() && var.IsNull()) nulls.push_back(&var);
  }
  if (nulls.empty()) return s;
  const int count = WhereCount(s);
  for (int w = 1; w <= count; ++w) {
    const TWhereClause clause = TSQLParser(s).WhereClause(w);
    if (!clause.Found()) continue;
    std::string condition = clause.Condition + " ";
    const std::string head = s.substr(0, static_cast<std::size_t>(clause.Start) + 5);
    const std::string tail = s.substr(static_cast<std::size_t>(clause.End));
    for (TFIBXSQLVAR* var : nulls) {
      const std::string& name = var->Name();
      condition = ReplaceAllNoCase(condition, " <> ?" + name + " ", " IS NOT NULL ");
      condition = ReplaceAllNoCase(condition, " = ?" + name + " ", " IS NULL ");
      if (dialect >= 3) {
        condition = ReplaceAllNoCase(condition, " <> ?\"" + name + "\" ", " IS NOT NULL ");
        condition = ReplaceAllNoCase(condition, " = ?\"" + name + "\" ", " IS NULL ");
      }
    }
    s = head + condition + tail;
  }
  if (rememberValues)
    for (TFIBXSQLVAR* var : nulls) var->SetOldValue(Variant::Null());
  return s;
}

// ---- The parameter set ---------------------------------------------------------------

TSQLParams::TSQLParams(TSQLDAOwner* owner)
    : FOwner(owner),
      FParams(std::make_unique<TFIBXSQLDA>(owner, true)),
      FSentParams(std::make_unique<TFIBXSQLDA>(owner, true)) {}

TSQLParams::~TSQLParams() = default;

std::unique_ptr<TFIBXSQLDA> TSQLParams::BuildDescriptor(const TParamScan& scan, bool macroScan,
                                                        TFIBXSQLDA& previous) {
  int count = 0;
  for (const TFoundParam& found : scan.Names) {
    if (macroScan || !found.IsMacro) ++count;
  }
  auto da = std::make_unique<TFIBXSQLDA>(FOwner, true);
  da->SetCount(count);
  std::vector<bool> taken(static_cast<std::size_t>(previous.Count()), false);
  std::vector<bool> kept(static_cast<std::size_t>(count), false);
  int j = 0;
  for (const TFoundParam& found : scan.Names) {
    const bool isMacro = found.IsMacro;
    if (isMacro && !macroScan) continue;
    std::string name = found.Name;
    std::string defaultText;
    if (isMacro) {
      SplitMacroToken(found.Name, FMacroChar, name, defaultText);
      name = name.substr(1, MaxMacroName);
    }
    da->AddName(name, j);
    // A variable of this name keeps its value (its whole record) across
    // the rebuild; each earlier variable serves one new occurrence.
    for (int old = 0; old < previous.Count(); ++old) {
      if (!taken[static_cast<std::size_t>(old)] && AnsiSameText(previous[old].Name(), (*da)[j].Name())) {
        const std::string normalized = (*da)[j].Name();
        da->ExchangeVar(j, previous, old);
        (*da)[j].SetName(normalized);
        taken[static_cast<std::size_t>(old)] = true;
        kept[static_cast<std::size_t>(j)] = true;
        break;
      }
    }
    TFIBXSQLVAR& var = (*da)[j];
    if (!kept[static_cast<std::size_t>(j)]) var.ClearToUntyped();
    var.SetIsMacro(isMacro);
    if (isMacro) {
      const bool quoted = !defaultText.empty() && defaultText.front() == '#';
      var.SetQuotedMacro(quoted);
      var.SetMacroDefault(quoted ? defaultText.substr(1) : defaultText);
      if (!kept[static_cast<std::size_t>(j)])
        var.SetRawData(SQLTypeText, static_cast<int>(var.MacroDefault().size()), var.MacroDefault().data());
    } else {
      var.SetQuotedMacro(false);
      var.SetInWhereClause(found.InWhere);
      var.SetAssigned(false);
    }
    var.SetModified(false);
    ++j;
  }
  // Occurrences of a name share one value: a new occurrence takes the value
  // an old one brought along.
  for (int i = 0; i < count; ++i) {
    if (kept[static_cast<std::size_t>(i)]) continue;
    for (int other : da->EqualIndices((*da)[i].Name())) {
      if (kept[static_cast<std::size_t>(other)]) {
        (*da)[i].CopyRecordFrom((*da)[other]);
        (*da)[i].SetModified(false);
        break;
      }
    }
  }
  return da;
}

bool TSQLParams::Parse(std::string_view sqlText, bool paramCheck, std::string_view componentPath) {
  FParamsParsed = false;
  FNormalizedSQL = NormalizeSqlText(sqlText, FMacroChar);
  if (paramCheck && HasParamMarks(FNormalizedSQL, FMacroChar)) {
    const TParamScan scan = ScanParamText(FNormalizedSQL, FMacroChar, true, componentPath);
    std::unique_ptr<TFIBXSQLDA> params = BuildDescriptor(scan, true, *FParams);
    FParams = std::move(params);
    FHasMacros =
        std::any_of(scan.Names.begin(), scan.Names.end(), [](const TFoundParam& f) { return f.IsMacro; });
    FParamsParsed = true;
    return true;
  }
  FParams->SetCount(0);
  FSentParams->SetCount(0);
  FHasMacros = false;
  FTextRewritten = false;
  FProcessedSQL = std::string(sqlText);
  FParamsParsed = true;
  return false;
}

bool TSQLParams::RebuildNeeded(bool prepared, bool noForceIsNull) const {
  if (!prepared || FMacrosChanged) return true;
  for (int i = 0; i < FParams->Count(); ++i) {
    const TFIBXSQLVAR& var = (*FParams)[i];
    if (var.IsMacro()) {
      if (var.AsString() != VarToStr(var.OldValue())) return true;
      continue;
    }
    // Null and not null are different texts only while nulls are rewritten.
    if (noForceIsNull) continue;
    const bool wasNull = VarIsNull(var.OldValue());
    if (FHasWhereClause && var.InWhereClause() && var.IsNull() && !wasNull) return true;
    if (!var.IsNull() && wasNull) return true;
  }
  return false;
}

std::string TSQLParams::PreviewSentText(const TSentTextOptions& options) const {
  std::string text =
      FHasMacros ? SubstituteMacros(FNormalizedSQL, FMacroChar, *FParams, false) : FNormalizedSQL;
  if (!options.NoForceIsNull) {
    const bool hasWhere = options.Loading ? FHasWhereClause : WhereCount(text) > 0;
    if (hasWhere) text = RewriteNullConditions(text, *FParams, options.Dialect, false);
  }
  return text;
}

bool TSQLParams::BuildSentText(const TSentTextOptions& options) {
  std::string text = FHasMacros ? SubstituteMacros(FNormalizedSQL, FMacroChar, *FParams) : FNormalizedSQL;
  if (!options.NoForceIsNull) {
    if (!options.Loading) FHasWhereClause = WhereCount(text) > 0;
    if (FHasWhereClause) text = RewriteNullConditions(text, *FParams, options.Dialect);
  }
  TParamScan scan = ScanParamText(text, FMacroChar, false, options.ComponentPath);
  std::unique_ptr<TFIBXSQLDA> sent = BuildDescriptor(scan, false, *FSentParams);
  FSentParams = std::move(sent);
  FTextRewritten = text != FNormalizedSQL;
  const bool changed = scan.Processed != FProcessedSQL;
  FProcessedSQL = std::move(scan.Processed);
  FMacrosChanged = false;
  return changed;
}

void TSQLParams::SetParamValues(std::span<const Variant> values) {
  const std::size_t n = std::min(values.size(), static_cast<std::size_t>(FParams->Count()));
  for (std::size_t i = 0; i < n; ++i) (*FParams)[static_cast<int>(i)].SetAsVariant(values[i]);
}

void TSQLParams::SaveOldValues() {
  for (int i = 0; i < FParams->Count(); ++i) {
    TFIBXSQLVAR& var = (*FParams)[i];
    if (var.Assigned()) var.SetOldValue(var.AsVariant());
  }
}

std::vector<std::string> TSQLParams::ExtraParamNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < FSentParams->Count(); ++i) {
    const std::string& name = (*FSentParams)[i].Name();
    if (FParams->IndexOfName(name) < 0 &&
        std::none_of(names.begin(), names.end(), [&](const std::string& n) { return AnsiSameText(n, name); }))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
  return names;
}
