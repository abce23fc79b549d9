#pragma once
// Named extra conditions for a statement's main WHERE clause: the
// statement's `Conditions`. `TConditions` is a string list of lines
// "name=condition", each line holding one `TCondition` that says whether it
// takes part. `Apply` puts the enabled conditions into the statement's text
// and keeps the text it started from (the primary text), so that
// `CancelApply`, or the next `Apply`, goes back to it first; a change of the
// statement's text by anyone else forgets that text.
//
// Owned by its statement (a unique_ptr of `TFIBQuery`); the list owns its
// conditions, one per line: deleting a line frees its condition, and a
// condition cannot be freed any other way.

#include <optional>
#include <string>
#include <string_view>

#include "framework/core/component/strings.h"

class TFIBQuery;
class TConditions;

// Whether one line of a condition list takes part when the list is applied.
class TCondition : public TObject {
 public:
  explicit TCondition(TConditions* list, bool enabled = false) : FList(list), FEnabled(enabled) {}

  TConditions* List() const { return FList; }
  bool Enabled() const { return FEnabled; }
  // A change makes the list's applied state stale (it stays applied in the
  // text until the next Apply or CancelApply).
  void SetEnabled(bool value);

  // The name and the condition text of its line.
  std::string Name() const;
  std::string Text() const;

 private:
  TConditions* FList;
  bool FEnabled;
};

class TConditions : public TStringList {
 public:
  explicit TConditions(TFIBQuery* query);
  ~TConditions() override;

  TFIBQuery* Query() const { return FQuery; }

  // Adds the line name=text with a new condition when no line has that name
  // (names compare without regard to case); otherwise returns that line's
  // condition unchanged. An enabled new condition clears the applied flag.
  TCondition& AddCondition(std::string_view name, std::string_view text, bool enabled);
  TCondition& Condition(int index) const;
  // nullptr when no line has the name.
  TCondition* FindCondition(std::string_view name) const;

  // Every line added or inserted gets a new condition of its own; one handed
  // in with the line only lends its Enabled. Any other object is refused:
  // adding returns -1, inserting raises EStringListError.
  int AddObject(std::string s, TObject* object) override;
  void InsertObject(int index, std::string s, TObject* object) override;
  // A line's condition cannot be replaced: raises EStringListError.
  void SetObjects(int index, TObject* object) override;
  // Copies the lines, each with a new condition (enabled as the source's when
  // the source is a condition list).
  void AddStrings(const TStrings& strings) override;
  void Assign(const TPersistent* source) override;

  // ---- Applying ----
  bool Applied() const { return FApplied; }
  // The statement's text before the conditions went in; empty when none is kept.
  const std::string& PrimarySQL() const { return FPrimarySQL; }
  // True while Apply runs (it changes the statement's text itself).
  bool Applying() const { return (FState & StateApplying) != 0; }
  // Puts the enabled conditions into the statement's main WHERE clause, after
  // going back to the primary text when one is kept. The statement scans its
  // text once, at the end.
  void Apply();
  // Clears the applied flag and puts the primary text back when it differs.
  void CancelApply();
  // The statement's text was changed from outside: the applied flag and the
  // primary text no longer mean anything.
  void ForgetApplied();
  // Each enabled, non-blank line's condition in parentheses, joined by a line
  // break and " and ": "(A)\r\n\r\n and (B)\r\n"; empty when none.
  std::string ConditionsText() const;

  // ---- Storing ----
  // The stored property "Enabled": "[" + each condition's flag as 1 or 0,
  // separated by "," + "]"; not stored (nullopt) when none is enabled.
  std::optional<std::string> StoredEnabled() const;
  // Condition k is enabled when the character at 0-based position 2k + 1 is "1".
  void ReadStoredEnabled(std::string_view text);

  // One line per condition: name "#$#$" text "#$#$" 1 or 0.
  void SaveToStrings(TStrings& lines) const;
  // Clears, then adds a condition per line (a line whose name is there
  // already is passed over, as AddCondition does); blank lines are skipped.
  void LoadFromStrings(const TStrings& lines);
  std::string SaveToText() const;
  void LoadFromText(std::string_view text);

 private:
  friend class TCondition;
  static constexpr unsigned StateApplying = 1;

  TFIBQuery* FQuery;
  bool FApplied = false;
  std::string FPrimarySQL;
  unsigned FState = 0;
};
