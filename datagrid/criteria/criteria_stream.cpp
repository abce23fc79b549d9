// The criteria's binary form, kept with the grid's layout. All integers are
// little-endian; strings are a 32-bit byte length and the bytes.
//
//   criteria := int32 count, count × node
//   node     := byte kind (1 list, 0 leaf), byte negated, then
//               list: byte junction, int32 count, count × node
//               leaf: string display text, string key, byte operator, value
//   value    := one tag byte and its payload (see WriteValue)
//
// Writing builds the whole form in memory first, so a value that cannot be
// stored leaves the stream untouched. Reading builds a separate tree and
// swaps it in only when the whole form was read and made sense, so a
// damaged layout never leaves half a filter behind.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "datagrid/criteria/criteria.h"
#include "framework/core/storage/streams.h"
#include "framework/core/text/text.h"

namespace {

enum TValueTag : std::uint8_t {
  vtNull = 0,
  vtInt8 = 2,
  vtInt16 = 3,
  vtInt32 = 4,
  vtExtended = 5,
  vtString = 6,
  vtFalse = 8,
  vtTrue = 9,
  vtLString = 12,
  vtEmpty = 13,
  vtSingle = 15,
  vtCurrency = 16,
  vtDate = 17,
  vtWString = 18,
};

// Lists nest two deep in anything the grid builds; a stream nesting deeper
// than this is damaged. Following it would exhaust the stack, and the
// filter text of a deeper tree would nest too deeply for a dataset's filter
// parser to take.
constexpr int MaxListDepth = 64;

[[noreturn]] void ReadError() { throw EReadError("Stream read error"); }
[[noreturn]] void WriteError() { throw EWriteError("Stream write error"); }

// --- 80-bit extended precision ------------------------------------------------
// The stored form keeps doubles as the x87 extended type: 64-bit mantissa
// with an explicit integer bit, 15-bit exponent biased by 16383, sign. Done
// by hand because long double is not that type on every platform.

constexpr int DoubleBias = 1023;
constexpr int ExtendedBias = 16383;

void DoubleToExtended(double value, std::uint8_t out[10]) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const unsigned sign = static_cast<unsigned>(bits >> 63);
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  std::uint64_t mantissa = 0;
  int biased = 0;
  if (exponent == 0x7FF) {
    biased = 0x7FFF;
    mantissa = std::uint64_t{1} << 63 | fraction << 11;
    if (fraction != 0) mantissa |= std::uint64_t{1} << 62;  // quiet NaN
  } else if (exponent != 0) {
    biased = exponent - DoubleBias + ExtendedBias;
    mantissa = std::uint64_t{1} << 63 | fraction << 11;
  } else if (fraction != 0) {
    // Subnormal double: normal in the wider exponent range.
    const int top = 63 - std::countl_zero(fraction);
    mantissa = fraction << (63 - top);
    biased = ExtendedBias - DoubleBias - 51 + top;
  }
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
  const unsigned top16 = sign << 15 | static_cast<unsigned>(biased);
  out[8] = static_cast<std::uint8_t>(top16);
  out[9] = static_cast<std::uint8_t>(top16 >> 8);
}

double ExtendedToDouble(const std::uint8_t in[10]) {
  std::uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= std::uint64_t{in[i]} << (8 * i);
  const unsigned top16 = in[8] | unsigned{in[9]} << 8;
  const bool negative = (top16 & 0x8000) != 0;
  const int biased = static_cast<int>(top16 & 0x7FFF);
  double value;
  if (biased == 0x7FFF && (mantissa << 1) == 0) {
    value = std::numeric_limits<double>::infinity();
  } else if (biased == 0x7FFF) {
    // A not-a-number keeps the payload the writer put below the integer
    // bit, so that what was read is written back unchanged.
    std::uint64_t fraction = (mantissa << 1) >> 12;
    if (fraction == 0) fraction = std::uint64_t{1} << 51;  // the payload lay below a double's reach
    value = std::bit_cast<double>(std::uint64_t{0x7FF} << 52 | fraction);
  } else if (mantissa == 0)
    value = 0.0;
  else  // exponent 0 holds the denormals, scaled as exponent 1
    value = std::ldexp(static_cast<double>(mantissa), std::max(biased, 1) - ExtendedBias - 63);
  return negative ? -value : value;
}

// --- writing ------------------------------------------------------------------

class TCriteriaWriter {
 public:
  const std::string& Bytes() const { return FBytes; }

  void Byte(std::uint8_t b) { FBytes.push_back(static_cast<char>(b)); }
  void Int(std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i) Byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void Int32(std::int64_t v) { Int(static_cast<std::uint64_t>(v), 4); }
  void String(const std::string& s) {
    if (s.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) WriteError();
    Int32(static_cast<std::int64_t>(s.size()));
    FBytes += s;
  }

  void Value(const Variant& v) {
    switch (v.VarType()) {
      case TVarType::Empty:
        return Byte(vtEmpty);
      case TVarType::Null:
        return Byte(vtNull);
      case TVarType::SmallInt:
      case TVarType::Integer:
      case TVarType::Byte:
      case TVarType::Word:
      case TVarType::LongWord:
      case TVarType::Int64:
        // Any integer kind that fits 32 bits is stored as a number, so a
        // condition on a 64-bit column reads back as one; the form has no
        // wider integer, so larger values go as text.
        if (IntegerValue(v.AsInt64())) return;
        break;
      case TVarType::Double: {
        Byte(vtExtended);
        std::uint8_t ext[10];
        DoubleToExtended(v.AsDouble(), ext);
        for (std::uint8_t b : ext) Byte(b);
        return;
      }
      case TVarType::Currency:
        Byte(vtCurrency);
        return Int(static_cast<std::uint64_t>(v.AsCurrency().Value), 8);
      case TVarType::Date:
        Byte(vtDate);
        return Int(std::bit_cast<std::uint64_t>(v.AsDateTime()), 8);
      case TVarType::Boolean:
        return Byte(v.AsBoolean() ? vtTrue : vtFalse);
      case TVarType::String:
        return StringValue(v.AsString());
      case TVarType::Array:
        WriteError();
    }
    // Anything else is kept as its text.
    std::string text;
    try {
      text = v.AsString();
    } catch (const EVariantError&) {
      WriteError();
    }
    StringValue(text);
  }

 private:
  bool IntegerValue(std::int64_t v) {
    if (v >= -128 && v <= 127) {
      Byte(vtInt8);
      Int(static_cast<std::uint64_t>(v), 1);
    } else if (v >= -32768 && v <= 32767) {
      Byte(vtInt16);
      Int(static_cast<std::uint64_t>(v), 2);
    } else if (v >= std::numeric_limits<std::int32_t>::min() &&
               v <= std::numeric_limits<std::int32_t>::max()) {
      Byte(vtInt32);
      Int(static_cast<std::uint64_t>(v), 4);
    } else {
      return false;
    }
    return true;
  }

  void StringValue(const std::string& s) {
    if (s.size() <= 255) {
      Byte(vtString);
      Byte(static_cast<std::uint8_t>(s.size()));
      FBytes += s;
    } else {
      Byte(vtLString);
      String(s);
    }
  }

  std::string FBytes;
};

void WriteNode(TCriteriaWriter& w, const TdxCustomCriteriaItem& node) {
  w.Byte(node.IsList() ? 1 : 0);
  w.Byte(node.Negated() ? 1 : 0);
  if (node.IsList()) {
    const auto& list = static_cast<const TdxCriteriaItemList&>(node);
    w.Byte(list.Junction());
    w.Int32(list.Count());
    for (int i = 0; i < list.Count(); ++i) WriteNode(w, *list.Items(i));
  } else {
    const auto& item = static_cast<const TdxCriteriaItem&>(node);
    w.String(item.DisplayText());
    w.String(item.Key());
    w.Byte(item.OperatorCode());
    w.Value(item.Value());
  }
}

// --- reading ------------------------------------------------------------------

class TCriteriaReader {
 public:
  explicit TCriteriaReader(TStream& stream) : FStream(stream) {}

  void Bytes(void* buffer, std::int64_t count) {
    if (count <= 0) return;
    if (FStream.Read(buffer, count) != count) ReadError();
  }
  std::uint8_t Byte() {
    std::uint8_t b;
    Bytes(&b, 1);
    return b;
  }
  std::uint64_t Int(int size) {
    std::uint8_t bytes[8];
    Bytes(bytes, size);
    std::uint64_t v = 0;
    for (int i = 0; i < size; ++i) v |= std::uint64_t{bytes[i]} << (8 * i);
    return v;
  }
  std::int32_t Int32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Int(4))); }
  // A count or length; a negative one is damage.
  std::int64_t Count() {
    const std::int32_t n = Int32();
    if (n < 0) ReadError();
    return n;
  }
  // Grows with the data actually read, so a damaged length cannot make us
  // reserve gigabytes before the stream runs dry.
  std::string Chars(std::int64_t length) {
    constexpr std::int64_t Chunk = 64 * 1024;
    std::string s;
    while (std::int64_t(s.size()) < length) {
      const std::int64_t part = std::min(Chunk, length - std::int64_t(s.size()));
      const std::size_t at = s.size();
      s.resize(at + static_cast<std::size_t>(part));
      Bytes(s.data() + at, part);
    }
    return s;
  }
  std::string String() { return Chars(Count()); }

  Variant Value() {
    switch (Byte()) {
      case vtNull:
        return Variant::Null();
      case vtEmpty:
        return Variant();
      case vtInt8:
        return Variant(static_cast<std::int16_t>(static_cast<std::int8_t>(Int(1))));
      case vtInt16:
        return Variant(static_cast<std::int16_t>(Int(2)));
      case vtInt32:
        return Variant(static_cast<int>(Int32()));
      case vtSingle:
        return Variant(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(Int(4)))));
      case vtExtended: {
        std::uint8_t ext[10];
        Bytes(ext, 10);
        return Variant(ExtendedToDouble(ext));
      }
      case vtCurrency:
        return Variant(TCurrency{static_cast<std::int64_t>(Int(8))});
      case vtDate:
        return Variant::FromDate(std::bit_cast<double>(Int(8)));
      case vtTrue:
        return Variant(true);
      case vtFalse:
        return Variant(false);
      case vtString:
        return Variant(Chars(Byte()));
      case vtLString:
        return Variant(String());
      case vtWString:
        return Variant(WideString(Count()));
      default:
        ReadError();
    }
  }

 private:
  // UTF-16 text, kept as the program's 8-bit text.
  std::string WideString(std::int64_t count) {
    const std::string raw = Chars(count * 2);
    std::string result;
    for (std::size_t i = 0; i < raw.size(); i += 2) {
      char32_t unit = static_cast<std::uint8_t>(raw[i]) | char32_t{static_cast<std::uint8_t>(raw[i + 1])}
                                                              << 8;
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < raw.size()) {
        const char32_t low =
            static_cast<std::uint8_t>(raw[i + 2]) | char32_t{static_cast<std::uint8_t>(raw[i + 3])} << 8;
        if (low >= 0xDC00 && low <= 0xDFFF) {
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
      result.push_back(UnicodeToAnsiChar(unit));
    }
    return result;
  }

  TStream& FStream;
};

void ReadNodes(TCriteriaReader& r, TdxCriteriaItemList& list, std::int64_t count, int depth) {
  for (std::int64_t i = 0; i < count; ++i) {
    const std::uint8_t kind = r.Byte();
    const bool negated = r.Byte() != 0;
    TdxCustomCriteriaItem* node;
    if (kind != 0) {
      if (depth >= MaxListDepth) ReadError();
      const std::uint8_t junction = r.Byte();
      if (junction != jtAnd && junction != jtOr) ReadError();
      TdxCriteriaItemList* sub = list.AddList(static_cast<TdxJunction>(junction));
      ReadNodes(r, *sub, r.Count(), depth + 1);
      node = sub;
    } else {
      std::string displayText = r.String();
      std::string key = r.String();
      const std::uint8_t operatorCode = r.Byte();
      if (!IsValidOperatorCode(operatorCode)) ReadError();
      const Variant value = r.Value();
      node = list.AddItem(std::move(key), operatorCode, std::move(displayText), value);
    }
    node->SetNegated(negated);
    node->AfterLoad();
  }
}

}  // namespace

void TdxCriteria::SaveToStream(TStream& stream) const {
  TCriteriaWriter w;
  // The root's own Negated and Junction are not part of the form.
  w.Int32(FRoot->Count());
  for (int i = 0; i < FRoot->Count(); ++i) WriteNode(w, *FRoot->Items(i));
  stream.WriteBuffer(w.Bytes().data(), static_cast<std::int64_t>(w.Bytes().size()));
}

void TdxCriteria::LoadFromStream(TStream& stream) {
  // Read into a root of our own that already answers for this criteria, so
  // the item factory and the after-load hooks see the real owner.
  TdxCriteriaItemList loaded(nullptr);
  loaded.FCriteria = this;
  TCriteriaReader r(stream);
  ReadNodes(r, loaded, r.Count(), 0);

  Clear();
  while (loaded.Count() > 0) FRoot->Append(loaded.Extract(0));
}
