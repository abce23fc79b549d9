#include "framework/core/base/variant.h"

#include <cmath>
#include <limits>

#include "framework/core/text/datetime.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

struct TVarArrayData {
  std::vector<TVarArrayBound> Bounds;
  std::vector<Variant> Elements;
  // The type code every element has (varVariant: any).
  int ElementType = varVariant;
  // Set once a mutable reference to an element was handed out: from then on
  // copies of the owning Variant take their own elements, so writes through
  // that reference never show in a copy.
  bool Unshareable = false;
};

// The one door into Variant's representation for the routines of this file.
struct TVariantAccess {
  static std::int64_t Int(const Variant& v) { return std::get<std::int64_t>(v.FValue); }
  static double Dbl(const Variant& v) { return std::get<double>(v.FValue); }
  static const std::string& Str(const Variant& v) { return std::get<std::string>(v.FValue); }
  static const TVarArrayData& Arr(const Variant& v) { return v.Array(); }
  static TVarArrayData& MutableArr(Variant& v) { return v.MutableArray(); }
  static Variant Make(TVarType type, std::int64_t value) { return Variant(type, value); }
  static Variant Make(TVarType type, double value) { return Variant(type, value); }
  static Variant MakeArray(std::shared_ptr<TVarArrayData> data) { return Variant(std::move(data)); }
};

namespace {

using Access = TVariantAccess;

[[noreturn]] void CastError(TVarType from, TVarType to) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(from) + ") into type (" +
                              VarTypeAsText(to) + ")");
}

[[noreturn]] void ConvertOverflow(TVarType from, TVarType to) {
  throw EVariantOverflowError("Overflow while converting variant of type (" + VarTypeAsText(from) +
                              ") into type (" + VarTypeAsText(to) + ")");
}

[[noreturn]] void ArithmeticOverflow() { throw EVariantOverflowError("Variant overflow"); }
[[noreturn]] void InvalidOp() { throw EVariantInvalidOpError("Invalid variant operation"); }
[[noreturn]] void NotAnArray() { throw EVariantInvalidArgError("Variant is not an array"); }
[[noreturn]] void BadIndex() { throw EVariantBadIndexError("Variant or safe array index out of bounds"); }

bool IsIntegerKind(TVarType t) {
  switch (t) {
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Byte:
    case TVarType::Word:
    case TVarType::LongWord:
      return true;
    default:
      return false;
  }
}

// Kinds whose sums stay Integer while they fit; Int64 and LongWord make them
// Int64.
bool IsNarrowKind(TVarType t) {
  return t == TVarType::SmallInt || t == TVarType::Integer || t == TVarType::Byte || t == TVarType::Word ||
         t == TVarType::Boolean || t == TVarType::Empty;
}

bool SameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

constexpr double TwoPow63 = 9223372036854775808.0;

// Round half to even, independent of the floating-point rounding mode.
double RoundHalfEven(double d) {
  double f = std::floor(d);
  double diff = d - f;
  if (diff > 0.5) return f + 1;
  if (diff < 0.5) return f;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

// Nothing outside [-2^63, 2^63) fits; NaN and infinities fit nowhere.
bool DoubleToInt64(double d, std::int64_t& result) {
  if (!std::isfinite(d)) return false;
  double r = RoundHalfEven(d);
  if (r < -TwoPow63 || r >= TwoPow63) return false;
  result = static_cast<std::int64_t>(r);
  return true;
}

std::int64_t RoundCurrency(std::int64_t scaled) {
  std::int64_t q = scaled / TCurrency::Scale, r = scaled % TCurrency::Scale;
  const std::int64_t half = TCurrency::Scale / 2;
  if (r > half || (r == half && (q & 1))) ++q;
  if (r < -half || (r == -half && (q & 1))) --q;
  return q;
}

bool DoubleToCurrency(double d, std::int64_t& result) {
  return DoubleToInt64(d * static_cast<double>(TCurrency::Scale), result);
}

void CheckRange(std::int64_t value, TVarType from, TVarType to) {
  std::int64_t lo = 0, hi = 0;
  switch (to) {
    case TVarType::SmallInt:
      lo = INT16_MIN, hi = INT16_MAX;
      break;
    case TVarType::Integer:
      lo = INT32_MIN, hi = INT32_MAX;
      break;
    case TVarType::Byte:
      lo = 0, hi = UINT8_MAX;
      break;
    case TVarType::Word:
      lo = 0, hi = UINT16_MAX;
      break;
    case TVarType::LongWord:
      lo = 0, hi = UINT32_MAX;
      break;
    default:
      return;
  }
  if (value < lo || value > hi) ConvertOverflow(from, to);
}

// The integer value of v for a conversion to the integer kind `to`, before
// that kind's range check.
std::int64_t IntegerOf(const Variant& v, TVarType to) {
  const TVarType from = v.VarType();
  std::int64_t result = 0;
  switch (from) {
    case TVarType::Empty:
      return 0;
    case TVarType::Boolean:
      return Access::Int(v) ? -1 : 0;
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Byte:
    case TVarType::Word:
    case TVarType::LongWord:
      return Access::Int(v);
    case TVarType::Currency:
      return RoundCurrency(Access::Int(v));
    case TVarType::Double:
    case TVarType::Date:
      if (!DoubleToInt64(Access::Dbl(v), result)) ConvertOverflow(from, to);
      return result;
    case TVarType::String: {
      const std::string& s = Access::Str(v);
      if (TryStrToInt64(s, result)) return result;
      double d = 0;
      if (!TryStrToFloat(s, d)) CastError(from, to);
      if (!DoubleToInt64(d, result)) ConvertOverflow(from, to);
      return result;
    }
    case TVarType::Null:
    case TVarType::Array:
      break;
  }
  CastError(from, to);
}

std::int64_t RangedIntegerOf(const Variant& v, TVarType to) {
  std::int64_t result = IntegerOf(v, to);
  CheckRange(result, v.VarType(), to);
  return result;
}

// --- Numbers for comparison and arithmetic ----------------------------------

// A numeric operand: an exact integer, an exact currency (×10,000) or a
// double.
struct TNumber {
  enum Kind { Int, Cur, Dbl } K = Int;
  std::int64_t I = 0;
  double D = 0;

  double AsDouble() const {
    switch (K) {
      case Int:
        return static_cast<double>(I);
      case Cur:
        return static_cast<double>(I) / TCurrency::Scale;
      case Dbl:
        break;
    }
    return D;
  }
};

TNumber IntNumber(std::int64_t i) { return {TNumber::Int, i, 0}; }
TNumber CurNumber(std::int64_t c) { return {TNumber::Cur, c, 0}; }
TNumber DblNumber(double d) { return {TNumber::Dbl, 0, d}; }

// v as a number; `other` is the kind on the other side, which decides how a
// string is read (as currency against a currency, else as an integer or a
// double).
TNumber NumberOf(const Variant& v, TVarType other) {
  switch (v.VarType()) {
    case TVarType::Empty:
      return IntNumber(0);
    case TVarType::Boolean:
      return IntNumber(Access::Int(v) ? -1 : 0);
    case TVarType::Currency:
      return CurNumber(Access::Int(v));
    case TVarType::Double:
    case TVarType::Date:
      return DblNumber(Access::Dbl(v));
    case TVarType::String: {
      if (other == TVarType::Currency) return CurNumber(v.AsCurrency().Value);
      if (other == TVarType::Date) return DblNumber(v.AsDateTime());
      const std::string& s = Access::Str(v);
      std::int64_t i = 0;
      if (TryStrToInt64(s, i)) return IntNumber(i);
      double d = 0;
      if (TryStrToFloat(s, d)) return DblNumber(d);
      CastError(TVarType::String, TVarType::Double);
    }
    default:
      if (IsIntegerKind(v.VarType())) return IntNumber(Access::Int(v));
      CastError(v.VarType(), TVarType::Double);
  }
}

template <class T>
int Sign3(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Not-a-number sorts after every number and equals itself, so that sorting
// stays a strict weak order even with such values.
int CompareDoubles(double a, double b) {
  const bool nanA = std::isnan(a), nanB = std::isnan(b);
  if (nanA || nanB) return static_cast<int>(nanA) - static_cast<int>(nanB);
  return Sign3(a, b);
}

// Exact comparison of an integer with a double.
int CompareIntDouble(std::int64_t i, double d) {
  if (std::isnan(d)) return -1;
  if (d >= TwoPow63) return -1;
  if (d < -TwoPow63) return 1;
  double t = std::trunc(d);
  auto ti = static_cast<std::int64_t>(t);
  if (i != ti) return Sign3(i, ti);
  double frac = d - t;
  return frac > 0 ? -1 : (frac < 0 ? 1 : 0);
}

// A currency against a double: the double is first rounded to currency.
int CompareCurDouble(std::int64_t c, double d) {
  std::int64_t dc = 0;
  if (DoubleToCurrency(d, dc)) return Sign3(c, dc);
  if (std::isnan(d)) return -1;
  return d > 0 ? -1 : 1;
}

int CompareNumbers(const TNumber& a, const TNumber& b) {
  using K = TNumber::Kind;
  if (a.K == b.K) return a.K == K::Dbl ? CompareDoubles(a.D, b.D) : Sign3(a.I, b.I);
  if (a.K == K::Int && b.K == K::Cur)
    return Sign3(static_cast<__int128>(a.I) * TCurrency::Scale, __int128{b.I});
  if (a.K == K::Cur && b.K == K::Int)
    return Sign3(__int128{a.I}, static_cast<__int128>(b.I) * TCurrency::Scale);
  if (a.K == K::Int) return CompareIntDouble(a.I, b.D);
  if (b.K == K::Int) return -CompareIntDouble(b.I, a.D);
  if (a.K == K::Cur) return CompareCurDouble(a.I, b.D);
  return -CompareCurDouble(b.I, a.D);
}

// The value an Empty stands for against a value of kind t.
Variant ZeroLike(TVarType t) {
  switch (t) {
    case TVarType::String:
      return Variant(std::string());
    case TVarType::Boolean:
      return Variant(false);
    case TVarType::Date:
      return Variant::FromDate(0);
    default:
      return Variant(0);
  }
}

// -1, 0, 1 under the ordering rules of the header; Null before everything.
int CompareOrdered(const Variant& a, const Variant& b) {
  const TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == TVarType::Array || tb == TVarType::Array) InvalidOp();
  if (ta == TVarType::Null || tb == TVarType::Null) {
    if (ta == tb) return 0;
    return ta == TVarType::Null ? -1 : 1;
  }
  if (ta == TVarType::Empty || tb == TVarType::Empty) {
    if (ta == tb) return 0;
    return ta == TVarType::Empty ? CompareOrdered(ZeroLike(tb), b) : CompareOrdered(a, ZeroLike(ta));
  }
  if (ta == TVarType::String && tb == TVarType::String) {
    const std::string &sa = Access::Str(a), &sb = Access::Str(b);
    if (sa == sb) return 0;
    int r = AnsiCompareStr(sa, sb);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
  const bool boolA = ta == TVarType::Boolean, boolB = tb == TVarType::Boolean;
  if ((boolA && (boolB || tb == TVarType::String)) || (boolB && ta == TVarType::String))
    return Sign3(a.AsBoolean(), b.AsBoolean());
  return CompareNumbers(NumberOf(a, tb), NumberOf(b, ta));
}

// --- Arithmetic -------------------------------------------------------------

enum class TArithOp { Add, Subtract, Multiply, Divide, Modulus };

Variant IntegerResult(std::int64_t value, bool narrow) {
  if (narrow && value >= INT32_MIN && value <= INT32_MAX) return Variant(static_cast<int>(value));
  return Variant(value);
}

std::int64_t CurrencyOf(const TNumber& n) {
  if (n.K == TNumber::Cur) return n.I;
  std::int64_t c = 0;
  if (__builtin_mul_overflow(n.I, TCurrency::Scale, &c)) ArithmeticOverflow();
  return c;
}

std::int64_t IntegerForModulus(const TNumber& n) {
  std::int64_t result = n.I;
  if (n.K == TNumber::Cur) return RoundCurrency(n.I);
  if (n.K == TNumber::Dbl && !DoubleToInt64(n.D, result)) ArithmeticOverflow();
  return result;
}

// A sum or product of finite numbers that no double can hold is an error,
// not an infinity that would show up later as "INF" in a footer.
double CheckedDouble(double r) {
  if (!std::isfinite(r)) ArithmeticOverflow();
  return r;
}

Variant Arithmetic(TArithOp op, const Variant& a, const Variant& b) {
  const TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == TVarType::Array || tb == TVarType::Array) InvalidOp();
  if (ta == TVarType::Null || tb == TVarType::Null) return Variant::Null();
  if (op == TArithOp::Add && (ta == TVarType::String || ta == TVarType::Empty) &&
      (tb == TVarType::String || tb == TVarType::Empty) &&
      !(ta == TVarType::Empty && tb == TVarType::Empty)) {
    return Variant(a.AsString() + b.AsString());
  }
  const TNumber x = NumberOf(a, tb), y = NumberOf(b, ta);
  const bool narrow = IsNarrowKind(ta) && IsNarrowKind(tb);

  if (op == TArithOp::Divide) {
    double d = y.AsDouble();
    if (d == 0) throw EZeroDivide("Floating point division by zero");
    return Variant(CheckedDouble(x.AsDouble() / d));
  }
  if (op == TArithOp::Modulus) {
    std::int64_t i = IntegerForModulus(x), j = IntegerForModulus(y);
    if (j == 0) throw EZeroDivide("Division by zero");
    return IntegerResult(j == -1 ? 0 : i % j, narrow);
  }

  // A date moved by a number stays a date; the distance of two dates is not.
  const bool dateA = ta == TVarType::Date, dateB = tb == TVarType::Date;
  const bool dateResult =
      (op == TArithOp::Add && (dateA || dateB)) || (op == TArithOp::Subtract && dateA && !dateB);

  if (x.K == TNumber::Dbl || y.K == TNumber::Dbl) {
    double p = x.AsDouble(), q = y.AsDouble();
    double r = CheckedDouble(op == TArithOp::Add ? p + q : op == TArithOp::Subtract ? p - q : p * q);
    return dateResult ? Variant::FromDate(r) : Variant(r);
  }
  std::int64_t r = 0;
  if (x.K == TNumber::Cur || y.K == TNumber::Cur) {
    if (op == TArithOp::Multiply) {
      if (x.K == TNumber::Int || y.K == TNumber::Int) {
        if (__builtin_mul_overflow(x.I, y.I, &r)) ArithmeticOverflow();
      } else {
        __int128 p = static_cast<__int128>(x.I) * y.I;
        __int128 q = p / TCurrency::Scale, rem = p % TCurrency::Scale;
        const __int128 half = TCurrency::Scale / 2;
        if (rem > half || (rem == half && (q & 1))) ++q;
        if (rem < -half || (rem == -half && (q & 1))) --q;
        if (q > INT64_MAX || q < INT64_MIN) ArithmeticOverflow();
        r = static_cast<std::int64_t>(q);
      }
    } else {
      std::int64_t p = CurrencyOf(x), q = CurrencyOf(y);
      bool overflow =
          op == TArithOp::Add ? __builtin_add_overflow(p, q, &r) : __builtin_sub_overflow(p, q, &r);
      if (overflow) ArithmeticOverflow();
    }
    return Variant(TCurrency{r});
  }
  bool overflow = op == TArithOp::Add        ? __builtin_add_overflow(x.I, y.I, &r)
                  : op == TArithOp::Subtract ? __builtin_sub_overflow(x.I, y.I, &r)
                                             : __builtin_mul_overflow(x.I, y.I, &r);
  if (overflow) ArithmeticOverflow();
  return IntegerResult(r, narrow);
}

// --- Arrays -----------------------------------------------------------------

std::size_t FlatIndex(const TVarArrayData& data, std::span<const int> indices) {
  if (indices.size() != data.Bounds.size()) BadIndex();
  std::size_t flat = 0;
  for (std::size_t d = 0; d < indices.size(); ++d) {
    const TVarArrayBound& b = data.Bounds[d];
    if (indices[d] < b.Low || indices[d] > b.High) BadIndex();
    const auto extent = static_cast<std::size_t>(static_cast<std::int64_t>(b.High) - b.Low + 1);
    flat = flat * extent + static_cast<std::size_t>(static_cast<std::int64_t>(indices[d]) - b.Low);
  }
  return flat;
}

const TVarArrayData& ArrayOf(const Variant& a) {
  if (!a.IsArray()) NotAnArray();
  return Access::Arr(a);
}

const TVarArrayBound& BoundOf(const Variant& a, int dim) {
  const TVarArrayData& data = ArrayOf(a);
  if (dim < 1 || dim > static_cast<int>(data.Bounds.size())) BadIndex();
  return data.Bounds[static_cast<std::size_t>(dim - 1)];
}

// Arrays of more elements than this are refused rather than attempted.
constexpr std::int64_t MaxArrayElements = std::int64_t{1} << 24;

[[noreturn]] void CreateError() { throw EVariantArrayCreateError("Error creating variant or safe array"); }

// The zero a new element of the type starts as; false for a type no
// element may have.
bool ElementZero(int elementType, Variant& zero) {
  switch (elementType) {
    case varVariant:
      zero = Variant();
      return true;
    case varSmallint:
      zero = Variant(std::int16_t{0});
      return true;
    case varInteger:
      zero = Variant(0);
      return true;
    case varSingle:
    case varDouble:
      zero = Variant(0.0);
      return true;
    case varCurrency:
      zero = Variant(TCurrency{0});
      return true;
    case varDate:
      zero = Variant::FromDate(0.0);
      return true;
    case varOleStr:
      zero = Variant(std::string());
      return true;
    case varBoolean:
      zero = Variant(false);
      return true;
    case varByte:
      zero = Variant::FromByte(0);
      return true;
    case varWord:
      zero = Variant::FromWord(0);
      return true;
    case varLongWord:
      zero = Variant::FromLongWord(0);
      return true;
    case varInt64:
      zero = Variant(std::int64_t{0});
      return true;
    default:
      return false;
  }
}

TVarType KindOfElement(int elementType) {
  switch (elementType) {
    case varSmallint:
      return TVarType::SmallInt;
    case varInteger:
      return TVarType::Integer;
    case varCurrency:
      return TVarType::Currency;
    case varDate:
      return TVarType::Date;
    case varOleStr:
      return TVarType::String;
    case varBoolean:
      return TVarType::Boolean;
    case varByte:
      return TVarType::Byte;
    case varWord:
      return TVarType::Word;
    case varLongWord:
      return TVarType::LongWord;
    case varInt64:
      return TVarType::Int64;
    default:
      return TVarType::Double;
  }
}

// The value as an element of the type stores it.
Variant AsElement(const Variant& value, int elementType) {
  if (elementType == varVariant) return value;
  if (elementType == varSingle) return Variant(static_cast<double>(static_cast<float>(value.AsDouble())));
  return VarAsType(value, KindOfElement(elementType));
}

}  // namespace

// --- Variant members ----------------------------------------------------------

Variant::Variant(std::shared_ptr<TVarArrayData> array) noexcept
    : FType(TVarType::Array), FValue(std::move(array)) {}

void Variant::ShareArrayFrom(const Variant& other) {
  const auto& data = std::get<std::shared_ptr<TVarArrayData>>(other.FValue);
  if (data->Unshareable) {
    auto copy = std::make_shared<TVarArrayData>(*data);
    copy->Unshareable = false;
    FValue = std::move(copy);
  }
}

TVarArrayData& Variant::MutableArray() {
  auto& data = std::get<std::shared_ptr<TVarArrayData>>(FValue);
  if (data.use_count() > 1) {
    auto copy = std::make_shared<TVarArrayData>(*data);
    copy->Unshareable = false;
    data = std::move(copy);
  }
  return *data;
}

const TVarArrayData& Variant::Array() const { return *std::get<std::shared_ptr<TVarArrayData>>(FValue); }

bool Variant::AsBoolean() const {
  switch (FType) {
    case TVarType::Empty:
      return false;
    case TVarType::Boolean:
    case TVarType::Currency:
      return std::get<std::int64_t>(FValue) != 0;
    case TVarType::Double:
    case TVarType::Date:
      return std::get<double>(FValue) != 0;
    case TVarType::String: {
      const std::string& s = std::get<std::string>(FValue);
      if (SameAsciiText(s, "True")) return true;
      if (SameAsciiText(s, "False")) return false;
      std::int64_t i = 0;
      if (TryStrToInt64(s, i)) return i != 0;
      double d = 0;
      if (TryStrToFloat(s, d)) return d != 0;
      break;
    }
    default:
      if (IsIntegerKind(FType)) return std::get<std::int64_t>(FValue) != 0;
      break;
  }
  CastError(FType, TVarType::Boolean);
}

int Variant::AsInteger() const { return static_cast<int>(RangedIntegerOf(*this, TVarType::Integer)); }

std::int64_t Variant::AsInt64() const { return IntegerOf(*this, TVarType::Int64); }

double Variant::AsDouble() const {
  switch (FType) {
    case TVarType::Empty:
      return 0;
    case TVarType::Boolean:
      return std::get<std::int64_t>(FValue) ? -1 : 0;
    case TVarType::Currency:
      return static_cast<double>(std::get<std::int64_t>(FValue)) / TCurrency::Scale;
    case TVarType::Double:
    case TVarType::Date:
      return std::get<double>(FValue);
    case TVarType::String: {
      double d = 0;
      if (TryStrToFloat(std::get<std::string>(FValue), d)) return d;
      break;
    }
    default:
      if (IsIntegerKind(FType)) return static_cast<double>(std::get<std::int64_t>(FValue));
      break;
  }
  CastError(FType, TVarType::Double);
}

TCurrency Variant::AsCurrency() const {
  std::int64_t c = 0;
  switch (FType) {
    case TVarType::Empty:
      return TCurrency{0};
    case TVarType::Boolean:
      return TCurrency{std::get<std::int64_t>(FValue) ? -TCurrency::Scale : 0};
    case TVarType::Currency:
      return TCurrency{std::get<std::int64_t>(FValue)};
    case TVarType::Double:
    case TVarType::Date:
      if (!DoubleToCurrency(std::get<double>(FValue), c)) ConvertOverflow(FType, TVarType::Currency);
      return TCurrency{c};
    case TVarType::String: {
      TCurrency value;
      if (TryStrToCurr(std::get<std::string>(FValue), value)) return value;
      break;
    }
    default:
      if (IsIntegerKind(FType)) {
        if (__builtin_mul_overflow(std::get<std::int64_t>(FValue), TCurrency::Scale, &c))
          ConvertOverflow(FType, TVarType::Currency);
        return TCurrency{c};
      }
      break;
  }
  CastError(FType, TVarType::Currency);
}

TDateTime Variant::AsDateTime() const {
  switch (FType) {
    case TVarType::String: {
      TDateTime dt = 0;
      if (TryStrToDateTime(std::get<std::string>(FValue), dt)) return dt;
      break;
    }
    case TVarType::Null:
    case TVarType::Array:
      break;
    default:
      return AsDouble();
  }
  CastError(FType, TVarType::Date);
}

std::string Variant::AsString() const {
  switch (FType) {
    case TVarType::Empty:
      return std::string();
    case TVarType::Boolean:
      return std::get<std::int64_t>(FValue) ? "True" : "False";
    case TVarType::Currency:
      return CurrToStr(TCurrency{std::get<std::int64_t>(FValue)});
    case TVarType::Double:
      return FloatToStr(std::get<double>(FValue));
    case TVarType::Date:
      return DateTimeToStr(std::get<double>(FValue));
    case TVarType::String:
      return std::get<std::string>(FValue);
    default:
      if (IsIntegerKind(FType)) return IntToStr(std::get<std::int64_t>(FValue));
      break;
  }
  CastError(FType, TVarType::String);
}

Variant& Variant::operator[](int index) {
  if (!IsArray()) NotAnArray();
  TVarArrayData& data = MutableArray();
  Variant& element = data.Elements[FlatIndex(data, std::span<const int>(&index, 1))];
  data.Unshareable = true;
  return element;
}

const Variant& Variant::operator[](int index) const {
  const TVarArrayData& data = ArrayOf(*this);
  return data.Elements[FlatIndex(data, std::span<const int>(&index, 1))];
}

// --- Free functions -----------------------------------------------------------

std::string VarTypeAsText(TVarType type) {
  switch (type) {
    case TVarType::Empty:
      return "Empty";
    case TVarType::Null:
      return "Null";
    case TVarType::SmallInt:
      return "Smallint";
    case TVarType::Integer:
      return "Integer";
    case TVarType::Int64:
      return "Int64";
    case TVarType::Double:
      return "Double";
    case TVarType::Currency:
      return "Currency";
    case TVarType::Date:
      return "Date";
    case TVarType::String:
      return "String";
    case TVarType::Boolean:
      return "Boolean";
    case TVarType::Byte:
      return "Byte";
    case TVarType::Word:
      return "Word";
    case TVarType::LongWord:
      return "LongWord";
    case TVarType::Array:
      return "Array Variant";
  }
  return "Unknown";
}

bool VarIsOrdinal(const Variant& v) noexcept { return IsIntegerKind(v.VarType()); }

bool VarIsFloat(const Variant& v) noexcept {
  return v.VarType() == TVarType::Double || v.VarType() == TVarType::Currency;
}

bool VarIsNumeric(const Variant& v) noexcept { return VarIsOrdinal(v) || VarIsFloat(v); }

std::string VarToStr(const Variant& v) { return v.IsNull() ? std::string() : v.AsString(); }

Variant VarAsType(const Variant& v, TVarType type) {
  if (v.VarType() == type) return v;
  switch (type) {
    case TVarType::Empty:
      return Variant();
    case TVarType::Null:
      return Variant::Null();
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Byte:
    case TVarType::Word:
    case TVarType::LongWord:
      return Access::Make(type, RangedIntegerOf(v, type));
    case TVarType::Double:
      return Variant(v.AsDouble());
    case TVarType::Currency:
      return Variant(v.AsCurrency());
    case TVarType::Date:
      return Variant::FromDate(v.AsDateTime());
    case TVarType::String:
      return Variant(v.AsString());
    case TVarType::Boolean:
      return Variant(v.AsBoolean());
    case TVarType::Array:
      break;
  }
  CastError(v.VarType(), type);
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  if (a.IsArray() || b.IsArray()) InvalidOp();
  if (a.IsEmpty() || a.IsNull() || b.IsEmpty() || b.IsNull())
    return a.VarType() == b.VarType() ? vrEqual : vrNotEqual;
  int r = CompareOrdered(a, b);
  return r == 0 ? vrEqual : (r < 0 ? vrLessThan : vrGreaterThan);
}

bool operator==(const Variant& a, const Variant& b) { return CompareOrdered(a, b) == 0; }
bool operator<(const Variant& a, const Variant& b) { return CompareOrdered(a, b) < 0; }
bool operator<=(const Variant& a, const Variant& b) { return CompareOrdered(a, b) <= 0; }
bool operator>(const Variant& a, const Variant& b) { return CompareOrdered(a, b) > 0; }
bool operator>=(const Variant& a, const Variant& b) { return CompareOrdered(a, b) >= 0; }

Variant operator+(const Variant& a, const Variant& b) { return Arithmetic(TArithOp::Add, a, b); }
Variant operator-(const Variant& a, const Variant& b) { return Arithmetic(TArithOp::Subtract, a, b); }
Variant operator*(const Variant& a, const Variant& b) { return Arithmetic(TArithOp::Multiply, a, b); }
Variant operator/(const Variant& a, const Variant& b) { return Arithmetic(TArithOp::Divide, a, b); }
Variant operator%(const Variant& a, const Variant& b) { return Arithmetic(TArithOp::Modulus, a, b); }

Variant operator-(const Variant& a) {
  switch (a.VarType()) {
    case TVarType::Empty:
    case TVarType::Null:
      return a;
    case TVarType::Array:
      InvalidOp();
    case TVarType::Double:
      return Variant(-Access::Dbl(a));
    case TVarType::Date:
      return Variant::FromDate(-Access::Dbl(a));
    default:
      return Arithmetic(TArithOp::Subtract, Variant(0), a);
  }
}

int VarTypeCode(const Variant& v) noexcept {
  switch (v.VarType()) {
    case TVarType::Empty:
      return varEmpty;
    case TVarType::Null:
      return varNull;
    case TVarType::SmallInt:
      return varSmallint;
    case TVarType::Integer:
      return varInteger;
    case TVarType::Int64:
      return varInt64;
    case TVarType::Double:
      return varDouble;
    case TVarType::Currency:
      return varCurrency;
    case TVarType::Date:
      return varDate;
    case TVarType::String:
      return varOleStr;
    case TVarType::Boolean:
      return varBoolean;
    case TVarType::Byte:
      return varByte;
    case TVarType::Word:
      return varWord;
    case TVarType::LongWord:
      return varLongWord;
    case TVarType::Array:
      return Access::Arr(v).ElementType | varArray;
  }
  return varEmpty;
}

Variant VarArrayCreate(int low, int high) { return VarArrayCreate({TVarArrayBound{low, high}}); }

Variant VarArrayCreate(std::initializer_list<TVarArrayBound> bounds, int elementType) {
  return VarArrayCreate(std::span<const TVarArrayBound>(bounds.begin(), bounds.size()), elementType);
}

Variant VarArrayCreate(std::span<const TVarArrayBound> bounds, int elementType) {
  Variant zero;
  if (bounds.empty() || bounds.size() > VarArrayMaxDims || !ElementZero(elementType, zero)) CreateError();
  std::int64_t count = 1;
  for (const TVarArrayBound& b : bounds) {
    const std::int64_t extent = std::int64_t{b.High} - b.Low + 1;
    if (extent < 0) CreateError();
    count *= extent;
    if (count > MaxArrayElements) CreateError();
  }
  auto data = std::make_shared<TVarArrayData>();
  data->Bounds.assign(bounds.begin(), bounds.end());
  data->Elements.assign(static_cast<std::size_t>(count), zero);
  data->ElementType = elementType;
  return Access::MakeArray(std::move(data));
}

Variant VarArrayOf(std::initializer_list<Variant> values) { return VarArrayOf(std::vector<Variant>(values)); }

Variant VarArrayOf(std::vector<Variant> values) {
  auto data = std::make_shared<TVarArrayData>();
  data->Bounds.push_back(TVarArrayBound{0, static_cast<int>(values.size()) - 1});
  data->Elements = std::move(values);
  return Access::MakeArray(std::move(data));
}

int VarArrayDimCount(const Variant& a) {
  return a.IsArray() ? static_cast<int>(Access::Arr(a).Bounds.size()) : 0;
}

int VarArrayLowBound(const Variant& a, int dim) { return BoundOf(a, dim).Low; }
int VarArrayHighBound(const Variant& a, int dim) { return BoundOf(a, dim).High; }

const Variant& VarArrayGet(const Variant& a, std::span<const int> indices) {
  const TVarArrayData& data = ArrayOf(a);
  return data.Elements[FlatIndex(data, indices)];
}

const Variant& VarArrayGet(const Variant& a, std::initializer_list<int> indices) {
  return VarArrayGet(a, std::span<const int>(indices.begin(), indices.size()));
}

void VarArrayPut(Variant& a, const Variant& value, std::span<const int> indices) {
  if (!a.IsArray()) NotAnArray();
  // Copy first: value may be an element of this very array.
  Variant copy = AsElement(value, Access::Arr(a).ElementType);
  TVarArrayData& data = Access::MutableArr(a);
  data.Elements[FlatIndex(data, indices)] = std::move(copy);
}

void VarArrayPut(Variant& a, const Variant& value, std::initializer_list<int> indices) {
  VarArrayPut(a, value, std::span<const int>(indices.begin(), indices.size()));
}
