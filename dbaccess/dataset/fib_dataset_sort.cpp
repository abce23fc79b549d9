// TFIBCustomDataSet: sorting the fetched records in memory, the remembered
// sort (kept after posts, restored after reopening, read from the select's
// ORDER BY), moving a record, and the sorted search of lookups and
// keep-sorting.
//
// The sort reads each record's keys once, straight from the cache (texts as
// views into the cache's string store, numbers as numbers), orders an array
// of those keys and then puts the cache's record map in that order; only
// keys the cache cannot give directly (calculated fields, blobs) are read as
// field values, record by record. No comparison copies a text.

#include <algorithm>
#include <cstring>
#include <numeric>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/sql/sql_text.h"
#include "dbaccess/statement/sqlda.h"
#include "framework/core/text/text.h"

// ---- Sort field items ---------------------------------------------------------------------

TSortFieldRef::TSortFieldRef(const Variant& value) : FKind(TKind::Invalid) {
  if (VarIsOrdinal(value)) {
    FKind = TKind::Index;
    FIndex = value.AsInteger();
  } else if (VarIsStr(value)) {
    FKind = TKind::Name;
    FName = value.AsString();
  }
}

TField* TSortFieldRef::Resolve(const TDataSet& dataSet) const {
  switch (FKind) {
    case TKind::Index:
      return FIndex >= 0 && FIndex < dataSet.FieldCount() ? dataSet.Fields().Fields(FIndex) : nullptr;
    case TKind::Name:
      return dataSet.FindField(FName);
    case TKind::Field:
      return FField != nullptr && FField->DataSet() == &dataSet ? FField : nullptr;
    case TKind::Invalid:
      break;
  }
  return nullptr;
}

namespace {

constexpr int RecordOffset = TRecordsCache::RecordBufferOffset;

std::size_t TrimmedLength(const char* text, std::size_t length) {
  while (length > 0 && static_cast<unsigned char>(text[length - 1]) < 33) --length;
  return length;
}

template <class T>
T Load(const char* data) {
  T value;
  std::memcpy(&value, data, sizeof(T));
  return value;
}

template <class T>
int Sign(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// One sort field's keys, one per record (by logical index), of one kind.
struct TSortKeys {
  enum class TKind : std::uint8_t { Text, Integer, Float, Value };
  TKind Kind = TKind::Value;
  // +1 ascending, -1 descending.
  int Direction = 1;
  std::vector<std::uint8_t> Nulls;
  std::vector<std::string_view> Texts;
  std::vector<std::int64_t> Integers;
  std::vector<double> Floats;
  std::vector<Variant> Values;

  // Record a against record b: nulls first, then the values; a comparison
  // of values that cannot be compared counts as equal.
  int Compare(int a, int b) const {
    const auto ia = static_cast<std::size_t>(a);
    const auto ib = static_cast<std::size_t>(b);
    if (Nulls[ia] | Nulls[ib]) return Nulls[ia] && Nulls[ib] ? 0 : (Nulls[ia] ? -Direction : Direction);
    switch (Kind) {
      case TKind::Text:
        return AnsiCompareStr(Texts[ia], Texts[ib]) * Direction;
      case TKind::Integer:
        return Sign(Integers[ia], Integers[ib]) * Direction;
      case TKind::Float:
        return Sign(Floats[ia], Floats[ib]) * Direction;
      case TKind::Value:
        try {
          switch (VarCompareValue(Values[ia], Values[ib])) {
            case vrLessThan:
              return -Direction;
            case vrGreaterThan:
              return Direction;
            default:
              return 0;
          }
        } catch (const Exception&) {
          return 0;
        }
    }
    return 0;
  }
};

// A record's text key where one text field decides the order, with the
// record's logical index. A short text (most names) is copied into the key
// once, so that the sort moves it along with the key: as the ranges being
// sorted shrink, the texts they compare come together in the processor's
// cache instead of staying scattered over the string store. A longer text
// is reached through its view into the cache.
struct TTextKey {
  static constexpr std::uint32_t InlineSize = 16;
  static constexpr std::uint32_t NullSize = 0xFFFFFFFF;

  const char* Long;
  std::uint32_t Size;
  std::int32_t Index;
  char Inline[InlineSize];

  TTextKey() = default;
  TTextKey(std::string_view text, bool null, int index)
      : Long(nullptr), Size(null ? NullSize : static_cast<std::uint32_t>(text.size())), Index(index) {
    if (null) return;
    if (text.size() <= InlineSize)
      std::memcpy(Inline, text.data(), text.size());
    else
      Long = text.data();
  }
  bool Null() const { return Size == NullSize; }
  std::string_view Text() const { return {Long != nullptr ? Long : Inline, Size}; }
};
static_assert(sizeof(TTextKey) == 32);

// The sort of the records: a quicksort that takes the middle element's key
// as the pivot, moves two indices inwards while they are below (from the
// left) or above (from the right) it and exchanges them where both stop.
// The smaller part is sorted by recursion, the larger one by the loop, so
// the depth stays logarithmic whatever the input. compare(a, b) is called
// once per step and gives <0, 0 or >0; with skipEqual two equal keys are
// left where they are.
template <class T, class Compare>
void QuickSort(std::vector<T>& items, int lo, int hi, const Compare& compare, bool skipEqual) {
  while (lo < hi) {
    int i = lo;
    int j = hi;
    const T pivot = items[static_cast<std::size_t>(lo + (hi - lo) / 2)];
    do {
      while (compare(items[static_cast<std::size_t>(i)], pivot) < 0) ++i;
      while (compare(items[static_cast<std::size_t>(j)], pivot) > 0) --j;
      if (i <= j) {
        if (i != j && !(skipEqual &&
                        compare(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(j)]) == 0))
          std::swap(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) QuickSort(items, lo, j, compare, skipEqual);
      lo = i;
    } else {
      if (i < hi) QuickSort(items, i, hi, compare, skipEqual);
      hi = j;
    }
  }
}

// The key for field i: the i-th element of an array of keys, else the keys.
const Variant& KeyAt(const Variant& keys, std::size_t i, std::size_t count) {
  if (count > 1 || keys.IsArray()) return keys[VarArrayLowBound(keys) + static_cast<int>(i)];
  return keys;
}

// How a column's keys are read from the cache: texts as texts, every
// integer kind (and Booleans) as 64-bit integers, every floating kind (and
// scaled numbers held as doubles) as doubles; anything else as values.
TSortKeys::TKind KeyKindOf(const TFIBColumnDescriptor& column, TFieldType fieldType) {
  using TConversion = TFIBColumnDescriptor::TConversion;
  switch (column.SQLType) {
    case SQLTypeVarying:
    case SQLTypeText:
      return TSortKeys::TKind::Text;
    case SQLTypeLong:
    case SQLTypeShort:
    case SQLTypeDate:
    case SQLTypeTime:
    case SQLTypeBoolean:
    case SQLTypeBoolean1:
      return TSortKeys::TKind::Integer;
    case SQLTypeInt64:
      return column.Conversion == TConversion::Int64Scaled ? TSortKeys::TKind::Float
                                                           : TSortKeys::TKind::Integer;
    case SQLTypeDouble:
    case SQLTypeFloat:
    case SQLTypeDFloat:
    case SQLTypeTimeStamp:
      return TSortKeys::TKind::Float;
    default:
      return fieldType == ftBoolean ? TSortKeys::TKind::Integer : TSortKeys::TKind::Value;
  }
}

// The keys of one column, straight from the cache records 1 .. count: texts
// as views into the cache (trimmed as fields read them), numbers by their
// storage. A Boolean field reads the 2 bytes its field reads.
void ReadCachedKeys(TSortKeys& keys, const TRecordsCache& cache, const TFIBColumnDescriptor& column,
                    std::size_t columnIndex, bool boolean, bool trim, int count) {
  const auto n = static_cast<std::size_t>(count);
  keys.Nulls.assign(n, 0);
  if (keys.Kind == TSortKeys::TKind::Text)
    keys.Texts.resize(n);
  else if (keys.Kind == TSortKeys::TKind::Integer)
    keys.Integers.resize(n);
  else
    keys.Floats.resize(n);
  const std::size_t nullAt = 1 + columnIndex;
  const int valueAt = column.Offset - RecordOffset;
  const auto declared = static_cast<std::size_t>(column.DeclaredLength);
  for (int i = 0; i < count; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const char* record = cache.RecordPointer(i + 1);
    if (record == nullptr || record[nullAt] != 0) {
      keys.Nulls[at] = 1;
      continue;
    }
    const char* value = record + valueAt;
    switch (keys.Kind) {
      case TSortKeys::TKind::Text: {
        std::string_view text;
        if (column.StringStored) {
          text = cache.StringAt(column.StringIndex, i + 1);
        } else {
          // A value that fills its column has no terminator.
          const void* zero = column.IsDbKey ? nullptr : std::memchr(value, 0, declared);
          text = {value, zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - value)
                                         : declared};
        }
        if (trim && !column.IsDbKey) text = text.substr(0, TrimmedLength(text.data(), text.size()));
        keys.Texts[at] = text;
        break;
      }
      case TSortKeys::TKind::Integer:
        if (boolean || column.StorageSize == 2)
          keys.Integers[at] = Load<std::int16_t>(value) != 0 ? 1 : 0;
        else if (column.StorageSize == 8)
          keys.Integers[at] = Load<std::int64_t>(value);
        else
          keys.Integers[at] = Load<std::int32_t>(value);
        break;
      case TSortKeys::TKind::Float:
        keys.Floats[at] = Load<double>(value);
        break;
      case TSortKeys::TKind::Value:
        break;
    }
  }
}

// A record's number key where one number field decides the order.
template <class T>
struct TNumberKey {
  T Value;
  std::int32_t Index;
  bool Null;
};

template <class T>
std::vector<int> SortedByNumbers(const std::vector<T>& values, const TSortKeys& keys, int count) {
  const auto n = static_cast<std::size_t>(count);
  std::vector<TNumberKey<T>> items(n);
  for (std::size_t i = 0; i < n; ++i)
    items[i] = {values[i], static_cast<std::int32_t>(i), keys.Nulls[i] != 0};
  const int direction = keys.Direction;
  QuickSort(
      items, 0, count - 1,
      [direction](const TNumberKey<T>& a, const TNumberKey<T>& b) {
        if (a.Null || b.Null) return a.Null == b.Null ? 0 : (a.Null ? -direction : direction);
        return Sign(a.Value, b.Value) * direction;
      },
      false);
  std::vector<int> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = items[i].Index;
  return order;
}

// The logical indexes of the records in the order of the keys.
std::vector<int> SortedOrder(const std::vector<TSortKeys>& keys, int count) {
  const auto n = static_cast<std::size_t>(count);
  if (keys.size() == 1 && keys[0].Kind == TSortKeys::TKind::Integer)
    return SortedByNumbers(keys[0].Integers, keys[0], count);
  if (keys.size() == 1 && keys[0].Kind == TSortKeys::TKind::Float)
    return SortedByNumbers(keys[0].Floats, keys[0], count);
  std::vector<int> order(n);
  if (keys.size() == 1 && keys[0].Kind == TSortKeys::TKind::Text) {
    // One text decides: the keys themselves are sorted.
    const TSortKeys& k = keys[0];
    std::vector<TTextKey> items;
    items.reserve(n);
    for (std::size_t i = 0; i < n; ++i) items.emplace_back(k.Texts[i], k.Nulls[i] != 0, static_cast<int>(i));
    const int direction = k.Direction;
    QuickSort(
        items, 0, count - 1,
        [direction](const TTextKey& a, const TTextKey& b) {
          if (a.Null() || b.Null()) return a.Null() == b.Null() ? 0 : (a.Null() ? -direction : direction);
          return AnsiCompareStr(a.Text(), b.Text()) * direction;
        },
        false);
    for (std::size_t i = 0; i < n; ++i) order[i] = items[i].Index;
    return order;
  }
  std::iota(order.begin(), order.end(), 0);
  QuickSort(
      order, 0, count - 1,
      [&keys](int a, int b) {
        for (const TSortKeys& k : keys)
          if (const int c = k.Compare(a, b)) return c;
        return 0;
      },
      keys.size() > 1);
  return order;
}

bool IsDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

// ---- The sort ---------------------------------------------------------------------------------

void TFIBCustomDataSet::Sort(const std::vector<TSortFieldRef>& fields, const std::vector<bool>& ascending) {
  CheckOpen(" do local sorting ");
  // Every record is visible while the sort runs, whatever its status, so
  // that the sort reads and moves them all.
  const bool showAll = FShowAllRecords;
  FShowAllRecords = true;
  // The window is rebuilt around the current record, where the cursor must
  // stand: filling the window left it on the window's last record.
  const auto resync = [this] {
    if (!IsEmpty()) FCurrentRecord = RecordIndexOf(ActiveBuffer());
    Resync(TResyncMode{});
  };
  try {
    LocalSort(fields, ascending);
  } catch (...) {
    FShowAllRecords = showAll;
    // The window may hold records only the flag made visible. Its own
    // failure must not hide the sort's.
    if (Active()) {
      try {
        resync();
      } catch (...) {
      }
    }
    throw;
  }
  FShowAllRecords = showAll;
  resync();
}

void TFIBCustomDataSet::LocalSort(const std::vector<TSortFieldRef>& fields,
                                  const std::vector<bool>& ascending) {
  CheckOpen(" do local sorting ");
  if (FUniDirectional) RaiseClientError(ceDataSetUniDirectional);
  CheckBrowseMode();
  // Whatever way the sort ends, the screen shows the cursor it showed before
  // (not the default one) and the controls are enabled again.
  TScreenCursorScope cursor(FSQLScreenCursor);
  int current = RecNo() - 1;
  const int slot = ActiveRecord();
  TDisableControlsScope controls(*this);
  FetchAllQuietly();

  std::vector<TField*> sortFields;
  std::vector<TSortSpec> info;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    TField* field = fields[i].Resolve(*this);
    if (field == nullptr) {
      ClearSortInfo();
      throw Exception("Can't sort. Invalid parameter: Fields[" + std::to_string(i) + "]");
    }
    sortFields.push_back(field);
    info.push_back({field->FieldName(), i < ascending.size() ? ascending[i] : true});
  }
  FSortInfo = std::move(info);
  FSortedLocally = true;
  if (FFetchedCount < 2 || sortFields.empty()) return;

  // Every status but the applied deletions takes part; the statuses shown
  // come back also when the sort fails.
  const TFIBUpdateRecordTypes shown = FUpdateRecordTypes;
  try {
    SetUpdateRecordTypes(
        TFIBUpdateRecordTypes{cusUnmodified, cusModified, cusInserted, cusDeleted, cusUninserted});
    std::vector<bool> directions;
    for (const TSortSpec& spec : FSortInfo) directions.push_back(spec.Ascending);
    SortRecords(sortFields, directions, current);
  } catch (...) {
    ClearSortInfo();
    try {
      SetUpdateRecordTypes(shown);
    } catch (...) {
      // The sort's error is the one to report.
    }
    throw;
  }
  SetUpdateRecordTypes(shown);
  // Back to the record that was current, in the window slot it was shown in.
  DoBeforeScroll();
  FCurrentRecord = std::max(current, 0);
  SetActiveRecord(slot);
  Resync(TResyncMode{});
  DoAfterScroll();
}

void TFIBCustomDataSet::SortRecords(const std::vector<TField*>& fields, const std::vector<bool>& ascending,
                                    int& current) {
  const int count = FFetchedCount;
  std::vector<TSortKeys> keys(fields.size());
  for (std::size_t f = 0; f < fields.size(); ++f) {
    TField* field = fields[f];
    TSortKeys& k = keys[f];
    k.Direction = ascending[f] ? 1 : -1;
    const TFIBColumnDescriptor* column = field->FieldKind() == fkData ? ColumnOf(field) : nullptr;
    k.Kind = column != nullptr ? KeyKindOf(*column, field->DataType()) : TSortKeys::TKind::Value;
    if (k.Kind != TSortKeys::TKind::Value) {
      ReadCachedKeys(k, *FCache, *column, static_cast<std::size_t>(column - FColumns.data()),
                     field->DataType() == ftBoolean, FOptions.Contains(poTrimCharFields), count);
      continue;
    }
    // Calculated and lookup values, blobs and arrays: read as the field
    // gives them.
    k.Nulls.assign(static_cast<std::size_t>(count), 0);
    k.Values.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      Variant value = RecordFieldValue(field, i + 1);
      k.Nulls[static_cast<std::size_t>(i)] = value.IsNull() ? 1 : 0;
      k.Values[static_cast<std::size_t>(i)] = std::move(value);
    }
  }
  const std::vector<int> order = SortedOrder(keys, count);

  // The cache's map takes the order by exchanges, each record moving once to
  // its place: at[k] is the record at position k now, where[r] the position
  // of record r.
  const auto n = static_cast<std::size_t>(count);
  std::vector<int> at(n);
  std::vector<int> where(n);
  std::iota(at.begin(), at.end(), 0);
  std::iota(where.begin(), where.end(), 0);
  for (int k = 0; k < count; ++k) {
    const int record = order[static_cast<std::size_t>(k)];
    const int from = where[static_cast<std::size_t>(record)];
    if (from == k) continue;
    FCache->SwapRecords(k, from);
    const int displaced = at[static_cast<std::size_t>(k)];
    at[static_cast<std::size_t>(k)] = record;
    at[static_cast<std::size_t>(from)] = displaced;
    where[static_cast<std::size_t>(record)] = k;
    where[static_cast<std::size_t>(displaced)] = from;
  }
  // The scratch copy names a logical index that now holds another record.
  FScratchIndex = -1;
  if (current >= 0 && current < count) current = where[static_cast<std::size_t>(current)];
}

// ---- Moving a record --------------------------------------------------------------------------

void TFIBCustomDataSet::MoveRecord(int fromRecNo, int toRecNo) {
  CheckOpen(" move record ");
  if (FUniDirectional) RaiseClientError(ceDataSetUniDirectional);
  if (toRecNo <= 0) toRecNo = 1;
  if (toRecNo > FFetchedCount) {
    FetchAllQuietly();
    if (toRecNo > FFetchedCount) toRecNo = FFetchedCount;
  }
  FCache->MoveRecord(fromRecNo - 1, toRecNo - 1);
  FScratchIndex = -1;
  // The window keeps its position; the records in it may have changed.
  if (!IsEmpty()) FCurrentRecord = RecordIndexOf(ActiveBuffer());
  Resync(TResyncMode{});
}

// ---- The remembered sort ---------------------------------------------------------------------

void TFIBCustomDataSet::ClearSortInfo() {
  FSortInfo.clear();
  FSortedLocally = false;
}

TSortFieldInfo TFIBCustomDataSet::SortFieldInfo(int n) const {
  TSortFieldInfo info;
  if (n < 1 || n > SortFieldCount()) {
    info.FieldName = "Unknown";
    return info;
  }
  const TSortSpec& spec = FSortInfo[static_cast<std::size_t>(n - 1)];
  info.FieldName = spec.FieldName;
  const TField* field = FindField(spec.FieldName);
  info.FieldIndex = field != nullptr ? field->Index() : -1;
  info.Position = n;
  info.Ascending = spec.Ascending;
  return info;
}

std::string TFIBCustomDataSet::SortFieldList() const {
  std::string list;
  for (const TSortSpec& spec : FSortInfo) {
    if (!list.empty()) list += ';';
    list += spec.FieldName;
  }
  return list;
}

bool TFIBCustomDataSet::SortedByFields(const std::vector<TField*>& fields) const {
  if (!FSortedLocally || fields.empty() || fields.size() != FSortInfo.size()) return false;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (!AnsiSameText(fields[i]->FieldName(), FSortInfo[i].FieldName)) return false;
  return true;
}

void TFIBCustomDataSet::DoAfterOpen() {
  if (FOptions.Contains(poPersistentSorting) && FSortedLocally && IsSorted()) {
    std::vector<TSortFieldRef> fields;
    std::vector<bool> ascending;
    for (const TSortSpec& spec : FSortInfo) {
      const TField* field = FindField(spec.FieldName);
      if (field == nullptr) break;
      fields.emplace_back(field->Index());
      ascending.push_back(spec.Ascending);
    }
    // A field that is gone takes the sort with it; the open stands.
    if (fields.size() != FSortInfo.size()) {
      ClearSortInfo();
    } else {
      Sort(fields, ascending);
      First();
    }
  }
  TDataSet::DoAfterOpen();
}

void TFIBCustomDataSet::ReadOrderInfo() {
  if (FOptions.Contains(poPersistentSorting) && IsSorted() && FSortedLocally) return;
  if (!IsSorted()) {
    const std::string text = SelectSQL().Text();
    std::vector<TSortSpec> info;
    for (const TOrderByField& item : OrderByFields(text)) {
      if (IsDigits(item.Name)) {
        const int number = std::stoi(item.Name);
        const TField* byNumber = nullptr;
        for (const TField* field : Fields())
          if (field->FieldKind() == fkData && field->FieldNo() == number) byNumber = field;
        info.push_back({byNumber != nullptr ? byNumber->FieldName() : "NotPresented", item.Ascending});
        continue;
      }
      TField* field = nullptr;
      if (item.Name.find('.') != std::string::npos) {
        field = FieldByOrigin(item.Name);
        if (field == nullptr) field = FieldByOrigin(QualifyByTable(text, item.Name));
      } else {
        for (TField* candidate : Fields()) {
          if (OriginColumnOf(candidate) != item.Name) continue;
          field = candidate;
          break;
        }
      }
      if (field == nullptr) {
        info.clear();
        break;
      }
      info.push_back({field->FieldName(), item.Ascending});
    }
    FSortInfo = std::move(info);
  }
  // The server put the records in that order; nothing here sorted them.
  FSortedLocally = false;
}

// ---- Keep sorting -----------------------------------------------------------------------------

void TFIBCustomDataSet::KeepSorting() {
  if (!IsSorted()) return;
  if (!FOptions.Contains(poKeepSorting)) {
    ClearSortInfo();
    return;
  }
  if (!Active() || IsEmpty() || FUniDirectional) return;
  // The post that called may have rewritten records the scratch copy shows.
  FScratchIndex = -1;
  std::vector<TField*> fields;
  for (const TSortSpec& spec : FSortInfo) {
    TField* field = FindField(spec.FieldName);
    // A sort by a column the dataset does not show cannot place anything.
    if (field == nullptr) return;
    fields.push_back(field);
  }
  TInternalScroll scroll(*this);
  struct TRestoreOptions {
    TFIBCustomDataSet& DataSet;
    bool VisibleRecno;
    ~TRestoreOptions() {
      if (VisibleRecno) DataSet.FOptions.Include(poVisibleRecno);
    }
  } restoreOptions{*this, FOptions.Contains(poVisibleRecno)};
  FOptions.Exclude(poVisibleRecno);

  const TBookmark bookmark = GetBookmark();
  const int old = RecordIndexOf(ActiveBuffer());
  Variant keys;
  if (fields.size() == 1) {
    keys = fields[0]->Value();
  } else {
    std::vector<Variant> values;
    for (TField* field : fields) values.push_back(field->Value());
    keys = VarArrayOf(std::move(values));
  }
  int place = old;
  {
    struct TPlacing {
      TFIBCustomDataSet& DataSet;
      ~TPlacing() { DataSet.FPlacingRecord = -1; }
    } placing{*this};
    FPlacingRecord = old;
    SortedSearchInCache(fields, keys, 0, &place);
  }
  if (place != old) MoveRecord(old + 1, place + 1);
  GotoBookmark(bookmark);
}

// ---- The sorted search ------------------------------------------------------------------------

int TFIBCustomDataSet::CompareWithKeys(const std::vector<TField*>& fields, const Variant& keyValues,
                                       int options) {
  const bool caseInsensitive = (options & 1) != 0;
  const bool partial = (options & 2) != 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    TField* field = fields[i];
    const bool ascending = i < FSortInfo.size() ? FSortInfo[i].Ascending : true;
    const Variant& key = KeyAt(keyValues, i, fields.size());
    const bool fieldNull = field->IsNull();
    // The field's value against the key, nulls lowest.
    int order;
    if (key.IsNull() || fieldNull) {
      if (key.IsNull() && fieldNull) continue;
      order = fieldNull ? -1 : 1;
    } else if (VarIsStr(key) && dynamic_cast<TStringField*>(field) != nullptr) {
      std::string text = field->AsString();
      std::string wanted = key.AsString();
      if (caseInsensitive) {
        text = AnsiUpperCase(text);
        wanted = AnsiUpperCase(wanted);
      }
      if (partial && text.size() > wanted.size()) text.resize(wanted.size());
      order = AnsiCompareStr(text, wanted);
    } else {
      try {
        const Variant value = field->Value();
        order = value == key ? 0 : (value < key ? -1 : 1);
      } catch (const EVariantError&) {
        // Not comparable: no match, and nothing to go on but to look before.
        order = 1;
      }
    }
    if (order == 0) continue;
    return (order > 0) == ascending ? 1 : -1;
  }
  return 0;
}

int TFIBCustomDataSet::SortedSearchInCache(const std::vector<TField*>& fields, const Variant& keyValues,
                                           int options, int* insertAt) {
  const int skip = FPlacingRecord >= 0 && FPlacingRecord < FFetchedCount ? FPlacingRecord : -1;
  const int count = FFetchedCount - (skip >= 0 ? 1 : 0);
  const auto real = [skip](int k) { return skip >= 0 && k >= skip ? k + 1 : k; };
  struct TRestore {
    TFIBCustomDataSet& DataSet;
    int Current;
    bool ShowAll;
    ~TRestore() {
      DataSet.FCurrentRecord = Current;
      DataSet.FShowAllRecords = ShowAll;
    }
  } restore{*this, FCurrentRecord, FShowAllRecords};
  TTempState state(*this, dsFilter);
  // Records that navigation passes over still hold their place in the sort:
  // their values steer the search, only a match must be visible.
  FShowAllRecords = true;
  int lo = 0;
  int hi = count;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    FCurrentRecord = real(mid);
    if (CompareWithKeys(fields, keyValues, options) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (insertAt != nullptr) *insertAt = lo;
  for (int k = lo; k < count; ++k) {
    FCurrentRecord = real(k);
    FShowAllRecords = true;
    if (CompareWithKeys(fields, keyValues, options) != 0) break;
    FShowAllRecords = restore.ShowAll;
    bool visible = true;
    ReadBufferFor(visible);
    if (visible) return FCurrentRecord;
  }
  return -1;
}
