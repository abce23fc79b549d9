#include "dbaccess/metadata/table_info_collect.h"

#include <algorithm>
#include <map>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/app_database.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/metadata/cache_file_io.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/metadata/metadata_reads.h"
#include "dbaccess/metadata/repository.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/storage/file_io.h"
#include "framework/core/text/text.h"

namespace {

// Up to this many entries are checked one by one; more are checked against
// two listings read at once.
constexpr int EntriesCheckedOneByOne = 10;

constexpr const char* RelationVersionsSQL =
    "select a1.rdb$relation_name,a1.RDB$RELATION_ID VER  from RDB$RELATIONS a1 where a1.RDB$SYSTEM_FLAG = 0  "
    "and not  a1.rdb$view_blr is null union select R.rdb$relation_name,RDB$FORMAT from RDB$RELATIONS R where "
    "R.RDB$SYSTEM_FLAG = 0    and  R.rdb$view_blr is null   order by 1";
constexpr const char* RepositoryVersionsSQL =
    "Select table_name,Max(fib$version) From FIB$FIELDS_INFO group by table_name order by 1";

// The least an entry takes in the file: its line's, database name's and
// table name's lengths, the repository flag, two versions, the key's
// length and the field count.
constexpr std::size_t MinEntryBytes = 4 + 4 + 4 + 1 + 4 + 4 + 4 + 4;

std::string TableNameAsked(std::string_view name) { return Trim(ReplaceAll(name, "\"", "")); }

// Name to version of every row of a two-column listing.
std::map<std::string, std::int32_t> ReadListing(TFIBDatabase* database, TFIBTransaction& transaction,
                                                const char* text) {
  TFIBQuery query(nullptr);
  query.SetDatabase(database);
  query.SetTransaction(&transaction);
  query.SetOptions({TpFIBQueryOption::qoTrimCharFields, TpFIBQueryOption::qoStartTransaction});
  query.SQL().SetText(text);
  std::map<std::string, std::int32_t> rows;
  query.ExecQuery();
  while (!query.Eof()) {
    const std::int32_t version = query.Fields(1).IsNull() ? 0 : query.Fields(1).AsInteger();
    rows.emplace(TrimRight(query.Fields(0).AsString()), version);
    query.FetchNext();
  }
  query.CloseCursor();
  return rows;
}

}  // namespace

TpFIBTableInfoCollect::TpFIBTableInfoCollect() : TComponent(nullptr) {
  FDatabaseNames.SetSorted(true);
  FDatabaseNames.SetDuplicates(dupAccept);
}

TpFIBTableInfoCollect::~TpFIBTableInfoCollect() {
  // The connections stop calling back when this component goes (their
  // listener lists hear of it); the entries go before the lock they use.
  Destroying();
  FEntries.clear();
}

// ---- Finding and loading ----------------------------------------------------------------------

TpFIBFieldInfo* TpFIBTableInfoCollect::GetFieldInfo(TFIBDatabase* database, const std::string& tableName,
                                                    bool useRepository, const std::string& fieldName) {
  std::lock_guard lock(FLock);
  return GetTableInfo(database, tableName, useRepository)->FieldInfo(fieldName);
}

TpFIBTableInfo* TpFIBTableInfoCollect::GetTableInfo(TFIBDatabase* database, const std::string& tableName,
                                                    bool useRepository) {
  const std::string name = TableNameAsked(tableName);
  if (database == nullptr) RaiseClientError(ceDatabaseNotAssigned, name);
  // Held while the server is asked: two threads asking for one table get
  // one entry, read once.
  std::lock_guard lock(FLock);
  WatchDatabase(database);
  TpFIBTableInfo* info = FindTableInfo(database->DBName(), name);
  if (info == nullptr) {
    auto loaded = std::make_unique<TpFIBTableInfo>(FLock);
    loaded->LoadFromDatabase(database, name, useRepository);
    info = loaded.get();
    Insert(name, std::move(loaded));
    return info;
  }
  // An entry read from a cache file knows no connection yet; without one it
  // could never read its primary key.
  info->AdoptDatabase(database);
  if (useRepository && !info->WithRepository()) {
    TpFIBTransaction& transaction = Transaction();
    PointTransactionAt(transaction, database);
    TTransactionUseScope scope(transaction);
    info->ReloadRepository(database, transaction);
    scope.Finish();
  }
  return info;
}

TpFIBTableInfo* TpFIBTableInfoCollect::FindTableInfo(const std::string& databaseName,
                                                     const std::string& tableName) {
  std::lock_guard lock(FLock);
  int index = 0;
  if (!FDatabaseNames.Find(databaseName, index)) FDatabaseNames.Add(databaseName);
  auto entry = std::lower_bound(FEntries.begin(), FEntries.end(), tableName,
                                [](const TEntry& e, const std::string& name) { return e.Line < name; });
  for (; entry != FEntries.end() && entry->Line == tableName; ++entry)
    if (entry->Info->DBName() == databaseName) return entry->Info.get();
  return nullptr;
}

int TpFIBTableInfoCollect::Count() const {
  std::lock_guard lock(FLock);
  return static_cast<int>(FEntries.size());
}

TpFIBTableInfo& TpFIBTableInfoCollect::Items(int index) const {
  std::lock_guard lock(FLock);
  if (index < 0 || index >= static_cast<int>(FEntries.size()))
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return *FEntries[static_cast<std::size_t>(index)].Info;
}

void TpFIBTableInfoCollect::Insert(std::string line, std::unique_ptr<TpFIBTableInfo> info) {
  auto place = std::upper_bound(FEntries.begin(), FEntries.end(), line,
                                [](const std::string& name, const TEntry& e) { return name < e.Line; });
  FEntries.insert(place, TEntry{std::move(line), std::move(info)});
}

void TpFIBTableInfoCollect::RemoveAt(std::size_t index) {
  FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(index));
}

bool TpFIBTableInfoCollect::Holds(const TpFIBTableInfo* info) const {
  return std::any_of(FEntries.begin(), FEntries.end(), [&](const TEntry& e) { return e.Info.get() == info; });
}

void TpFIBTableInfoCollect::Remove(const TpFIBTableInfo* info) {
  std::erase_if(FEntries, [&](const TEntry& e) { return e.Info.get() == info; });
}

TpFIBTransaction& TpFIBTableInfoCollect::Transaction() {
  if (!FTransaction) FTransaction = NewMetadataTransaction();
  return *FTransaction;
}

// ---- Dropping entries ---------------------------------------------------------------------------

void TpFIBTableInfoCollect::Clear() {
  std::lock_guard lock(FLock);
  FEntries.clear();
}

void TpFIBTableInfoCollect::ClearForDatabase(TFIBDatabase* database) {
  if (database == nullptr) return;
  std::lock_guard lock(FLock);
  const std::string& name = database->DBName();
  std::erase_if(FEntries, [&](const TEntry& e) { return e.Info->DBName() == name; });
}

void TpFIBTableInfoCollect::WatchDatabase(TFIBDatabase* database) {
  database->RegisterCallback(cbDestroy, this, &TpFIBTableInfoCollect::DatabaseFreeing);
}

void TpFIBTableInfoCollect::DatabaseFreeing(TObject* sender) {
  auto* database = static_cast<TFIBDatabase*>(sender);
  ClearForDatabase(database);
  try {
    RepositoryExistence().Forget(database);
  } catch (const Exception&) {
    // Shut down already: nothing is remembered any more.
  }
}

// ---- Validation ---------------------------------------------------------------------------------

void TpFIBTableInfoCollect::ValidateSchemaCache(TFIBDatabase* database, const TpFIBAcceptCacheSchema& accept) {
  std::lock_guard lock(FLock);
  // The handler, and the connection's events around each check, may reach
  // the cache themselves: each entry is found again by its address before
  // it is dropped.
  std::vector<TpFIBTableInfo*> entries;
  for (auto it = FEntries.rbegin(); it != FEntries.rend(); ++it) entries.push_back(it->Info.get());
  if (accept) {
    for (TpFIBTableInfo* info : entries) {
      if (!Holds(info)) continue;
      bool accepted = false;
      accept(info->TableName(), accepted);
      if (!accepted) Remove(info);
    }
    return;
  }
  if (database == nullptr) return;
  if (entries.size() > static_cast<std::size_t>(EntriesCheckedOneByOne)) {
    ValidateByListings(database);
    return;
  }
  for (TpFIBTableInfo* info : entries)
    if (Holds(info) && !info->IsCurrent(database)) Remove(info);
}

void TpFIBTableInfoCollect::ValidateByListings(TFIBDatabase* database) {
  TpFIBTransaction& transaction = Transaction();
  PointTransactionAt(transaction, database);
  // Commits at the end, also after an error.
  TTransactionUseScope scope(transaction);
  const std::map<std::string, std::int32_t> relations = ReadListing(database, transaction, RelationVersionsSQL);
  const bool withRepository = relations.contains(RepositoryTableName(rtFieldsInfo));
  std::map<std::string, std::int32_t> repository;
  if (withRepository) repository = ReadListing(database, transaction, RepositoryVersionsSQL);
  for (std::size_t i = FEntries.size(); i-- > 0;) {
    const TpFIBTableInfo& info = *FEntries[i].Info;
    // The listings are this database's: they say nothing of another one's
    // tables.
    if (info.DBName() != database->DBName()) continue;
    bool keep = true;
    if (info.TableName() != AliasTableName) {
      const auto relation = relations.find(info.TableName());
      keep = relation != relations.end() && relation->second == info.FormatVersion();
    }
    if (keep && withRepository) {
      const auto version = repository.find(info.TableName());
      keep = version != repository.end() && version->second == info.RepositoryVersion();
    }
    if (!keep) RemoveAt(i);
  }
  scope.Finish();
}

// ---- The schema cache file ------------------------------------------------------------------------

std::string TpFIBTableInfoCollect::SaveToBytes() const {
  std::lock_guard lock(FLock);
  TCacheFileWriter writer;
  writer.WriteRaw(SchemaCacheSignature);
  writer.WriteInt32(SchemaCacheVersion);
  writer.WriteInt32(static_cast<std::int32_t>(FEntries.size()));
  for (const TEntry& entry : FEntries) {
    writer.WriteString(entry.Line);
    entry.Info->WriteTo(writer);
  }
  return writer.Bytes();
}

bool TpFIBTableInfoCollect::LoadFromBytes(std::string_view bytes) {
  std::lock_guard lock(FLock);
  FEntries.clear();
  TEntries loaded;
  try {
    TCacheFileReader reader(bytes);
    if (reader.Left() < SchemaCacheSignature.size() ||
        reader.ReadRaw(SchemaCacheSignature.size()) != SchemaCacheSignature)
      return false;
    const std::int32_t version = reader.ReadInt32();
    if (version != SchemaCacheVersion) return false;
    const int count = reader.ReadCount(MinEntryBytes);
    for (int i = 0; i < count; ++i) {
      std::string line = reader.ReadString();
      auto info = std::make_unique<TpFIBTableInfo>(FLock);
      info->ReadFrom(reader, version);
      loaded.push_back(TEntry{std::move(line), std::move(info)});
    }
  } catch (const ECacheFileFormat&) {
    return false;
  }
  for (TEntry& entry : loaded) Insert(std::move(entry.Line), std::move(entry.Info));
  return true;
}

void TpFIBTableInfoCollect::SaveToFile(const std::string& fileName) {
  std::lock_guard lock(FLock);
  if (FEntries.empty()) {
    RemoveFileQuietly(fileName);
    return;
  }
  WriteFileReplacing(fileName, SaveToBytes());
}

bool TpFIBTableInfoCollect::LoadFromFile(const std::string& fileName) {
  std::lock_guard lock(FLock);
  FEntries.clear();
  std::string bytes;
  if (ReadWholeFile(fileName, bytes) != 0) return false;
  return LoadFromBytes(bytes);
}
