#include "dbaccess/statement/query_conditions.h"

#include <memory>
#include <utility>

#include "dbaccess/statement/query.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/text/text.h"

namespace {

constexpr std::string_view SavedSeparator = "#$#$";

// Holds a statement's parameter updates open. Finish() closes them on the
// normal path, where the statement's scan of its new text may raise; the
// destructor closes them on a failure path and swallows such an error,
// because the first one is then on its way.
class TParamUpdateScope {
 public:
  explicit TParamUpdateScope(TFIBQuery& query) : FQuery(&query) { query.BeginParamUpdate(); }
  ~TParamUpdateScope() {
    if (FQuery == nullptr) return;
    try {
      FQuery->EndParamUpdate();
    } catch (...) {
      // Swallowed: see the class comment.
    }
  }
  TParamUpdateScope(const TParamUpdateScope&) = delete;
  TParamUpdateScope& operator=(const TParamUpdateScope&) = delete;

  void Finish() { std::exchange(FQuery, nullptr)->EndParamUpdate(); }

 private:
  TFIBQuery* FQuery;
};

// Sets state bits for the length of a scope.
class TStateBitScope {
 public:
  TStateBitScope(unsigned& state, unsigned bit) : FState(state), FBit(bit) { FState |= FBit; }
  ~TStateBitScope() { FState &= ~FBit; }
  TStateBitScope(const TStateBitScope&) = delete;
  TStateBitScope& operator=(const TStateBitScope&) = delete;

 private:
  unsigned& FState;
  unsigned FBit;
};

}  // namespace

// ---- TCondition ---------------------------------------------------------------------

void TCondition::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (FList != nullptr) FList->FApplied = false;
}

std::string TCondition::Name() const {
  std::string name, text;
  if (FList != nullptr) SplitNameValue(FList->Strings(FList->IndexOfObject(this)), name, text);
  return name;
}

std::string TCondition::Text() const {
  std::string name, text;
  if (FList != nullptr) SplitNameValue(FList->Strings(FList->IndexOfObject(this)), name, text);
  return text;
}

// ---- TConditions: the lines ------------------------------------------------------------

TConditions::TConditions(TFIBQuery* query) : TStringList(true), FQuery(query) {}

TConditions::~TConditions() = default;

TCondition& TConditions::AddCondition(std::string_view name, std::string_view text, bool enabled) {
  const int index = IndexOfName(name);
  if (index >= 0) return Condition(index);
  auto condition = std::make_unique<TCondition>(this, enabled);
  TCondition& added = *condition;
  TStringList::AddObject(std::string(name) + "=" + std::string(text), std::move(condition));
  if (enabled) FApplied = false;
  return added;
}

TCondition& TConditions::Condition(int index) const { return static_cast<TCondition&>(*Objects(index)); }

TCondition* TConditions::FindCondition(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? nullptr : &Condition(index);
}

int TConditions::AddObject(std::string s, TObject* object) {
  const auto* lent = dynamic_cast<const TCondition*>(object);
  if (object != nullptr && lent == nullptr) return -1;
  return TStringList::AddObject(std::move(s), std::make_unique<TCondition>(this, lent && lent->Enabled()));
}

void TConditions::InsertObject(int index, std::string s, TObject* object) {
  const auto* lent = dynamic_cast<const TCondition*>(object);
  if (object != nullptr && lent == nullptr) throw EStringListError("A condition list holds only conditions");
  auto condition = std::make_unique<TCondition>(this, lent && lent->Enabled());
  // The list owns what it is handed from here on, also when inserting fails.
  TStringList::InsertObject(index, std::move(s), condition.release());
}

void TConditions::SetObjects(int, TObject*) {
  throw EStringListError("The condition of a line in a condition list cannot be replaced");
}

void TConditions::AddStrings(const TStrings& strings) {
  // Nothing of the other list is taken over, so its objects may be anything.
  TStrings::AddStrings(strings);
}

void TConditions::Assign(const TPersistent* source) { TStrings::Assign(source); }

// ---- TConditions: applying ---------------------------------------------------------------

std::string TConditions::ConditionsText() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    const std::string line = Strings(i);
    if (!Condition(i).Enabled() || IsBlankText(line)) continue;
    text += "(" + ValueAfterEquals(line) + ")\r\n\r\n and ";
  }
  // The last joint (a line break and " and ") goes.
  if (!IsBlankText(text)) text.erase(text.size() - 7);
  return text;
}

void TConditions::Apply() {
  TParamUpdateScope updates(*FQuery);
  {
    TStateBitScope applying(FState, StateApplying);
    const std::string conditions = ConditionsText();
    if (IsBlankText(FPrimarySQL))
      FPrimarySQL = FQuery->SQL().Text();
    else
      CancelApply();
    if (!IsBlankText(conditions)) {
      const std::string where = FQuery->MainWhereClause();
      FQuery->SetMainWhereClause(where.empty() ? conditions : where + "\r\nand " + conditions);
    }
    FApplied = true;
  }
  updates.Finish();
}

void TConditions::CancelApply() {
  FApplied = false;
  if (FPrimarySQL.empty() || FPrimarySQL == FQuery->SQL().Text()) return;
  // A copy: outside Apply the statement's text change forgets the primary
  // text while the new text is still being read.
  const std::string primary = FPrimarySQL;
  FQuery->SQL().SetText(primary);
}

void TConditions::ForgetApplied() {
  FApplied = false;
  FPrimarySQL.clear();
}

// ---- TConditions: storing ------------------------------------------------------------------

std::optional<std::string> TConditions::StoredEnabled() const {
  std::string flags;
  bool any = false;
  for (int i = 0; i < Count(); ++i) {
    const bool enabled = Condition(i).Enabled();
    any = any || enabled;
    if (i > 0) flags += ',';
    flags += enabled ? '1' : '0';
  }
  if (!any) return std::nullopt;
  return "[" + flags + "]";
}

void TConditions::ReadStoredEnabled(std::string_view text) {
  for (int i = 0; i < Count(); ++i) {
    const std::size_t at = 2 * static_cast<std::size_t>(i) + 1;
    Condition(i).SetEnabled(at < text.size() && text[at] == '1');
  }
}

void TConditions::SaveToStrings(TStrings& lines) const {
  TStringsUpdateScope update(lines);
  lines.Clear();
  for (int i = 0; i < Count(); ++i) {
    std::string name, text;
    SplitNameValue(Strings(i), name, text);
    lines.Add(name + std::string(SavedSeparator) + text + std::string(SavedSeparator) +
              (Condition(i).Enabled() ? "1" : "0"));
  }
  update.Finish();
}

void TConditions::LoadFromStrings(const TStrings& lines) {
  TStringsUpdateScope update(*this);
  Clear();
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string line = lines.Strings(i);
    if (IsBlankText(line)) continue;
    // A part whose separator is missing runs to the end of the line; the
    // parts after it are empty.
    std::string_view rest = line;
    auto part = [&rest] {
      const std::size_t at = rest.find(SavedSeparator);
      const std::string_view piece = rest.substr(0, at);
      rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + SavedSeparator.size());
      return std::string(piece);
    };
    const std::string name = part();
    const std::string text = part();
    AddCondition(name, text, Trim(rest) == "1");
  }
  update.Finish();
}

std::string TConditions::SaveToText() const {
  TStringList lines;
  SaveToStrings(lines);
  return lines.Text();
}

void TConditions::LoadFromText(std::string_view text) {
  TStringList lines;
  lines.SetText(text);
  LoadFromStrings(lines);
}
