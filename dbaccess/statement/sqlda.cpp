#include "dbaccess/statement/sqlda.h"

#include <algorithm>
#include <cstring>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/sql/sql_words.h"
#include "dbaccess/statement/fib_array.h"
#include "framework/core/text/text.h"

namespace {

XSQLDA* Header(void* buffer) { return static_cast<XSQLDA*>(buffer); }

// Most characters a column name may have: the alias field is 32 bytes and
// the client keeps the last one for a terminating zero.
constexpr std::size_t AliasCapacity = sizeof(XSQLVAR::aliasname) - 1;

}  // namespace

TFIBXSQLDA::TFIBXSQLDA(TSQLDAOwner* query, bool isParams) : FQuery(query), FIsParams(isParams) {}

TFIBXSQLDA::~TFIBXSQLDA() = default;

void* TFIBXSQLDA::RecordAt(int index) const { return &Header(FBuffer.get())->sqlvar[index]; }

void TFIBXSQLDA::SetCount(int n) {
  n = std::max(n, 0);
  FNames.clear();
  FEqualNames.clear();
  FNameCache.clear();
  FCount = n;
  if (n > FSize) {
    ReallocZeroed(FBuffer, FSize > 0 ? DescriptorLength(FSize) : 0, DescriptorLength(n));
    FVars.reserve(static_cast<std::size_t>(n));
    for (int i = FSize; i < n; ++i) FVars.push_back(std::make_unique<TFIBXSQLVAR>(this, i));
    // The buffer may have moved: every variable looks at its record again.
    for (int i = 0; i < n; ++i) FVars[static_cast<std::size_t>(i)]->SetRecord(RecordAt(i));
    Header(FBuffer.get())->version = SQLDA_VERSION1;
    FSize = n;
  }
  if (FSize > 0) {
    Header(FBuffer.get())->sqln = static_cast<ISC_SHORT>(n);
    Header(FBuffer.get())->sqld = static_cast<ISC_SHORT>(n);
  }
}

TFIBXSQLVAR& TFIBXSQLDA::Vars(int index) const {
  if (index < 0 || index >= FCount) RaiseClientError(ceXSQLDAIndexOutOfRange);
  return *FVars[static_cast<std::size_t>(index)];
}

// ---- Names ------------------------------------------------------------------------

TFIBXSQLDA::TNameList::const_iterator TFIBXSQLDA::Lower(const TNameList& list, std::string_view name) {
  return std::lower_bound(list.begin(), list.end(), name, [](const TNameEntry& e, std::string_view n) {
    return AnsiCompareText(e.Name, n) < 0;
  });
}

void TFIBXSQLDA::InsertSorted(TNameList& list, TNameEntry entry) {
  // After the equal names already there, so that list order is insertion order.
  auto at = std::upper_bound(
      list.begin(), list.end(), entry.Name,
      [](std::string_view n, const TNameEntry& e) { return AnsiCompareText(n, e.Name) < 0; });
  list.insert(at, std::move(entry));
}

std::string TFIBXSQLDA::NormalizeName(std::string_view name) const {
  const int dialect = FQuery != nullptr ? FQuery->SQLDialect() : 0;
  if (dialect < 2) return AsciiUpper(Trim(name));
  if (FQuery->UpperOldNames() && !NeedsQuotes(name, true)) return AsciiUpper(name);
  return std::string(name);
}

TFIBXSQLVAR* TFIBXSQLDA::ByName(std::string_view name) {
  auto cached = Lower(FNameCache, name);
  if (cached != FNameCache.end() && AnsiCompareText(cached->Name, name) == 0) return cached->Var;

  const std::string normalized = NormalizeName(name);
  auto found = Lower(FNames, normalized);
  if (found == FNames.end() || AnsiCompareText(found->Name, normalized) != 0) {
    // A parameter that only a macro value brought in lives in the sent
    // parameters, which a macro change rebuilds: it is never cached here.
    if (FIsParams && FQuery != nullptr) return FQuery->FindSentParam(*this, normalized);
    return nullptr;
  }
  TFIBXSQLVAR* var = FVars[static_cast<std::size_t>(found->Index)].get();
  InsertSorted(FNameCache, TNameEntry{std::string(name), found->Index, var});
  return var;
}

int TFIBXSQLDA::IndexOfName(std::string_view name) const {
  const std::string normalized = NormalizeName(name);
  auto found = Lower(FNames, normalized);
  return found != FNames.end() && AnsiCompareText(found->Name, normalized) == 0 ? found->Index : -1;
}

void TFIBXSQLDA::AddName(std::string_view name, int index) {
  std::string normalized = NormalizeName(name);
  if (FIsParams) {
    auto equal = Lower(FEqualNames, normalized);
    if (equal != FEqualNames.end() && AnsiCompareText(equal->Name, normalized) == 0) {
      InsertSorted(FEqualNames, TNameEntry{normalized, index, nullptr});
    } else {
      auto earlier = Lower(FNames, normalized);
      if (earlier != FNames.end() && AnsiCompareText(earlier->Name, normalized) == 0) {
        InsertSorted(FEqualNames, TNameEntry{normalized, earlier->Index, nullptr});
        InsertSorted(FEqualNames, TNameEntry{normalized, index, nullptr});
      }
    }
  }
  InsertSorted(FNames, TNameEntry{normalized, index, nullptr});
  TFIBXSQLVAR& var = *FVars[static_cast<std::size_t>(index)];
  var.SetName(std::move(normalized));
  var.SetIndex(index);
}

std::vector<int> TFIBXSQLDA::EqualIndices(std::string_view name) const {
  std::vector<int> indices;
  for (auto it = Lower(FEqualNames, name); it != FEqualNames.end() && AnsiCompareText(it->Name, name) == 0;
       ++it)
    indices.push_back(it->Index);
  return indices;
}

// ---- After the server described the records ------------------------------------------

std::string TFIBXSQLDA::UniqueColumnName(std::string_view alias, int& unnamed) const {
  std::string base = alias.empty() ? "F_" + std::to_string(++unnamed) : std::string(alias);
  auto taken = [this](const std::string& n) {
    auto it = Lower(FNames, n);
    return it != FNames.end() && AnsiCompareText(it->Name, n) == 0;
  };
  if (!taken(base)) return base.substr(0, AliasCapacity);
  for (int number = 1;; ++number) {
    const std::string suffix = std::to_string(number);
    // Cut the name, not the number, so that the result stays unique and fits.
    std::string stem = base;
    if (stem.size() + suffix.size() >= AliasCapacity) stem.resize(AliasCapacity - 1 - suffix.size());
    std::string candidate = stem + suffix;
    if (!taken(candidate)) return candidate;
  }
}

void TFIBXSQLDA::InitializeFromServer() {
  const bool nameColumns = FNames.empty();
  int unnamed = 0;
  for (int i = 0; i < FCount; ++i) {
    TFIBXSQLVAR& var = *FVars[static_cast<std::size_t>(i)];
    XSQLVAR& record = *static_cast<XSQLVAR*>(var.Record());
    var.SetServerSQLType(record.sqltype & ~1);
    var.SetAssigned(true);
    if (nameColumns) {
      const std::size_t length = std::clamp<int>(record.aliasname_length, 0, AliasCapacity);
      const std::string name = UniqueColumnName(std::string_view(record.aliasname, length), unnamed);
      std::memset(record.aliasname, 0, sizeof(record.aliasname));
      std::memcpy(record.aliasname, name.data(), name.size());
      record.aliasname_length = static_cast<ISC_SHORT>(name.size());
      AddName(name, i);
    }
    var.AllocateForType();
    var.SetArrayObject(var.SQLType() == SQLTypeArray ? CreateArrayObject(var) : nullptr);
  }
}

std::unique_ptr<TpFIBArray> TFIBXSQLDA::CreateArrayObject(const TFIBXSQLVAR& var) const {
  if (FQuery == nullptr || var.RelationName().empty() || var.FieldName().empty()) return nullptr;
  const TBlobPlace place = FQuery->ArrayPlace();
  if (place.Database == nullptr || place.Transaction == nullptr) return nullptr;
  return std::make_unique<TpFIBArray>(place.Database, place.Transaction, var.RelationName(), var.FieldName(),
                                      place.Sender);
}

void TFIBXSQLDA::AssignValues(const TFIBXSQLDA& source) {
  for (int i = 0; i < source.FCount; ++i) {
    const TFIBXSQLVAR& from = *source.FVars[static_cast<std::size_t>(i)];
    auto it = Lower(FNames, from.Name());
    if (it == FNames.end() || AnsiCompareText(it->Name, from.Name()) != 0) continue;
    TFIBXSQLVAR& to = *FVars[static_cast<std::size_t>(it->Index)];
    if (from.IsNull()) {
      to.SetAsVariant(Variant::Null());
    } else if (from.IsBlobOrArray() && to.IsBlobOrArray()) {
      to.SetAsQuad(from.AsQuad());
    } else if (from.SQLType() == SQLTypeInt64) {
      if (to.IsBlobOrArray()) to.SetAsInt64(0);
      to.Assign(from);
    } else if (to.IsDateTimeType()) {
      const std::string text = from.AsString();
      if (text.empty()) {
        to.SetAsVariant(from.AsVariant());
      } else if (from.SQLType() == SQLTypeText) {
        to.SetAsString(text);
      } else {
        const Variant value = from.AsVariant();
        switch (to.SQLType()) {
          case SQLTypeTimeStamp:
            to.SetAsDateTime(value.AsDateTime());
            break;
          case SQLTypeTime:
            to.SetAsTime(value.AsDateTime());
            break;
          case SQLTypeDate:
            to.SetAsDate(value.AsDateTime());
            break;
          default:
            to.SetAsString(text);
            break;
        }
      }
    } else {
      to.SetAsVariant(from.AsVariant());
    }
  }
}

void TFIBXSQLDA::ResetNulls() {
  for (int i = 0; i < FCount; ++i) FVars[static_cast<std::size_t>(i)]->ResetNull();
}

void TFIBXSQLDA::ClearModified() {
  for (int i = 0; i < FCount; ++i) FVars[static_cast<std::size_t>(i)]->SetModified(false);
}

void TFIBXSQLDA::ExchangeVar(int at, TFIBXSQLDA& other, int index) {
  auto& mine = FVars[static_cast<std::size_t>(at)];
  auto& theirs = other.FVars[static_cast<std::size_t>(index)];
  void* myRecord = RecordAt(at);
  void* theirRecord = other.RecordAt(index);
  XSQLVAR saved;
  std::memcpy(&saved, myRecord, sizeof(XSQLVAR));
  std::memcpy(myRecord, theirRecord, sizeof(XSQLVAR));
  std::memcpy(theirRecord, &saved, sizeof(XSQLVAR));
  std::swap(mine, theirs);
  mine->SetParent(this);
  mine->SetIndex(at);
  mine->SetRecord(myRecord);
  theirs->SetParent(&other);
  theirs->SetIndex(index);
  theirs->SetRecord(theirRecord);
  // Cached variables are no longer where the caches say.
  FNameCache.clear();
  other.FNameCache.clear();
}
