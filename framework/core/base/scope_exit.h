#pragma once
// Scope guards: a callable run when the scope is left on every path, and a
// variable given back its value.

#include <utility>

template <class F>
class TAtScopeExit {
 public:
  explicit TAtScopeExit(F f) : FF(std::move(f)) {}
  ~TAtScopeExit() { FF(); }
  TAtScopeExit(const TAtScopeExit&) = delete;
  TAtScopeExit& operator=(const TAtScopeExit&) = delete;

 private:
  F FF;
};

// Remembers the variable's value and puts it back when the scope is left.
template <class T>
class TRestoreOnExit {
 public:
  explicit TRestoreOnExit(T& variable) : FVariable(variable), FSaved(variable) {}
  // Saves the variable, then gives it value for the scope.
  TRestoreOnExit(T& variable, T value) : FVariable(variable), FSaved(variable) { variable = std::move(value); }
  ~TRestoreOnExit() { FVariable = std::move(FSaved); }
  TRestoreOnExit(const TRestoreOnExit&) = delete;
  TRestoreOnExit& operator=(const TRestoreOnExit&) = delete;

 private:
  T& FVariable;
  T FSaved;
};
