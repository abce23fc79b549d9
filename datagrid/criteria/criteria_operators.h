#pragma once
// The six comparison operators of a filter condition. Each is a stateless
// object reached by the code that conditions store (and that the criteria
// stream writes), so a code read from a stored layout always names one of
// them. They live for the whole run and are never copied or freed.

#include <cstdint>
#include <string>

#include "framework/core/base/variant.h"

enum TdxOperatorCode : std::uint8_t {
  ocIsNull = 0,
  ocEqual = 1,
  ocGreater = 2,
  ocLess = 3,
  ocGreaterEqual = 4,
  ocLessEqual = 5,
};

inline constexpr int dxOperatorCount = 6;

inline constexpr bool IsValidOperatorCode(int code) { return code >= 0 && code < dxOperatorCount; }

class TdxAbstractOperator {
 public:
  TdxAbstractOperator() = default;
  TdxAbstractOperator(const TdxAbstractOperator&) = delete;
  TdxAbstractOperator& operator=(const TdxAbstractOperator&) = delete;
  virtual ~TdxAbstractOperator() = default;

  // Whether a row holding rowValue meets the condition value.
  virtual bool Compare(const Variant& rowValue, const Variant& value) const = 0;
  // The operator as the caption and the filter expression write it.
  virtual std::string Text() const = 0;
};

// True when the row value is Null or an empty string; the condition value is
// not looked at.
class TdxNullOperator final : public TdxAbstractOperator {
 public:
  bool Compare(const Variant& rowValue, const Variant& value) const override;
  std::string Text() const override { return "Is Null"; }
};

// Variant equality; its conversion errors reach the caller.
class TdxEqualOperator final : public TdxAbstractOperator {
 public:
  bool Compare(const Variant& rowValue, const Variant& value) const override;
  std::string Text() const override { return "="; }
};

class TdxGreaterOperator final : public TdxAbstractOperator {
 public:
  bool Compare(const Variant& rowValue, const Variant& value) const override;
  std::string Text() const override { return ">"; }
};

class TdxLessOperator final : public TdxAbstractOperator {
 public:
  bool Compare(const Variant& rowValue, const Variant& value) const override;
  std::string Text() const override { return "<"; }
};

class TdxGreaterEqualOperator final : public TdxAbstractOperator {
 public:
  bool Compare(const Variant& rowValue, const Variant& value) const override;
  std::string Text() const override { return ">="; }
};

class TdxLessEqualOperator final : public TdxAbstractOperator {
 public:
  bool Compare(const Variant& rowValue, const Variant& value) const override;
  std::string Text() const override { return "<="; }
};

// The operator of a code; a code outside 0..5 raises EListError
// "List index out of bounds (<code>)".
const TdxAbstractOperator& dxOperator(int code);

// The ordering the relational operators share: 0 when a = b by variant
// equality; otherwise -1 when a is Null, +1 when b is Null, -1 when a < b,
// +1 else. A value that cannot be converted for the comparison (any
// EVariantError) gives -1; other errors reach the caller.
int dxCompareValues(const Variant& a, const Variant& b);
