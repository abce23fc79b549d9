#pragma once
// The process's cache of table information (`ListTableInfo()`, made and
// freed with the other metadata caches, metadata_caches.h).
//
// One entry per table and database (the connection's DBName): asked for a
// table the first time, `GetTableInfo` reads its columns from the system
// tables (and the optional repository) and keeps them; later askers get
// the same entry. Table names are exact: "CUSTOMERS" and "customers" are
// two tables, as they are to the server.
//
// The cache can be written to a schema cache file and read back at the next
// start, then checked against the database (`ValidateSchemaCache`). When a
// connection is destroyed, its entries and its repository line go with it.
//
// One recursive lock guards the entries, their lazily read primary keys,
// the file operations and validation; the entries stay valid until their
// database's connection goes, the cache is cleared or loaded, or a
// validation drops them.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dbaccess/metadata/table_info.h"
#include "framework/core/base/event.h"
#include "framework/core/component/component.h"

class TFIBDatabase;
class TpFIBTransaction;

// Asked per cached table while a cache is validated; an entry stays only
// when the handler sets Accept.
using TpFIBAcceptCacheSchema = TEvent<void(const std::string& ObjName, bool& Accept)>;

// The first bytes and the one version of the schema cache file this layer
// reads: a file of another version is another layout.
inline constexpr std::string_view SchemaCacheSignature = "FIB$MCF";
inline constexpr std::int32_t SchemaCacheVersion = 4;

class TpFIBTableInfoCollect : public TComponent {
 public:
  TpFIBTableInfoCollect();
  ~TpFIBTableInfoCollect() override;

  // The field info of the table's column, or nullptr when the table (as
  // the server knows it) has no such column.
  TpFIBFieldInfo* GetFieldInfo(TFIBDatabase* database, const std::string& tableName, bool useRepository,
                               const std::string& fieldName);
  // The table's entry for the connection's database, read from the server
  // when missing (double quotes dropped from the name, which is trimmed).
  // An entry read without the repository reads its repository part when it
  // is now asked for with it. Never nullptr; the server's errors propagate.
  TpFIBTableInfo* GetTableInfo(TFIBDatabase* database, const std::string& tableName, bool useRepository);
  // The entry of the table for the database name, or nullptr.
  TpFIBTableInfo* FindTableInfo(const std::string& databaseName, const std::string& tableName);

  int Count() const;
  TpFIBTableInfo& Items(int index) const;
  // The names of the databases asked about, sorted.
  const TStringList& DatabaseNames() const { return FDatabaseNames; }

  void Clear();
  // Drops every entry of the connection's DBName.
  void ClearForDatabase(TFIBDatabase* database);

  // With an accept handler: every entry is offered to it (last first) and
  // dropped unless accepted. Without one: entries of the connection's
  // database that no longer match it are dropped, checked one by one for
  // ten entries or fewer, else against two listings read at once.
  void ValidateSchemaCache(TFIBDatabase* database, const TpFIBAcceptCacheSchema& accept);

  // Writes the cache to the file (under a temporary name, then renamed into
  // place); with no entries the file is removed. Failures are not reported:
  // the file is a cache.
  void SaveToFile(const std::string& fileName);
  // Clears the cache, then reads the file. True when the file was read
  // whole: a missing, cut, foreign or other-version file leaves the cache
  // empty and gives false.
  bool LoadFromFile(const std::string& fileName);
  // The file's bytes, and reading them (as the two above).
  std::string SaveToBytes() const;
  bool LoadFromBytes(std::string_view bytes);

  // Hears of the connection's destruction from now on (once per connection).
  void WatchDatabase(TFIBDatabase* database);

  std::recursive_mutex& Lock() const { return FLock; }

 private:
  struct TEntry {
    // The line the entry is listed under: its table name.
    std::string Line;
    std::unique_ptr<TpFIBTableInfo> Info;
  };
  using TEntries = std::vector<TEntry>;

  void Insert(std::string line, std::unique_ptr<TpFIBTableInfo> info);
  void RemoveAt(std::size_t index);
  bool Holds(const TpFIBTableInfo* info) const;
  void Remove(const TpFIBTableInfo* info);
  TpFIBTransaction& Transaction();
  void ValidateByListings(TFIBDatabase* database);
  void DatabaseFreeing(TObject* sender);

  mutable std::recursive_mutex FLock;
  // Sorted by line; entries of one table in the order they were added.
  TEntries FEntries;
  TStringList FDatabaseNames;
  // For validation and repository reloads; made on first use.
  std::unique_ptr<TpFIBTransaction> FTransaction;
};
