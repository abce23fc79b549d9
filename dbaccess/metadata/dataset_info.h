#pragma once
// Stored descriptions of datasets: the rows of the FIB$DATASETS_INFO
// repository, one per dataset id and database, read on first use and kept
// for the process (`ListDataSetInfo()`, metadata_caches.h).
//
// `TpDataSetInfo` holds one row: the five SQL texts, the key field and
// generator, the description, the update table, whether only modified
// fields are written, and the conditions text. Applying it to a dataset is
// the application dataset's part: it asks `ApplyDataSetInfo` for the entry
// and copies what it needs inside the call, under the collection's lock.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/core/base/object.h"
#include "framework/core/component/strings.h"

class TFIBDatabase;

class TpDataSetInfo : public TObject {
 public:
  TpDataSetInfo() = default;

  const std::string& DBName() const { return FDBName; }
  TStrings& SelectSQL() { return FSelectSQL; }
  TStrings& InsertSQL() { return FInsertSQL; }
  TStrings& UpdateSQL() { return FUpdateSQL; }
  TStrings& DeleteSQL() { return FDeleteSQL; }
  TStrings& RefreshSQL() { return FRefreshSQL; }
  const TStrings& SelectSQL() const { return FSelectSQL; }
  const TStrings& InsertSQL() const { return FInsertSQL; }
  const TStrings& UpdateSQL() const { return FUpdateSQL; }
  const TStrings& DeleteSQL() const { return FDeleteSQL; }
  const TStrings& RefreshSQL() const { return FRefreshSQL; }
  const std::string& KeyField() const { return FKeyField; }
  const std::string& GeneratorName() const { return FGeneratorName; }
  const std::string& Description() const { return FDescription; }
  const std::string& UpdateTableName() const { return FUpdateTableName; }
  bool UpdateOnlyModifiedFields() const { return FUpdateOnlyModifiedFields; }
  const std::string& Conditions() const { return FConditions; }

  // Reads the dataset's row of FIB$DATASETS_INFO (in a read-only
  // transaction of its own); without a row the description stays empty.
  // Raises Exception when the id is 0, the database is missing, or the
  // repository table does not exist.
  void LoadFromDatabase(TFIBDatabase* database, int dataSetId, const std::string& dataSetName);

 private:
  std::string FDBName;
  TStringList FSelectSQL;
  TStringList FInsertSQL;
  TStringList FUpdateSQL;
  TStringList FDeleteSQL;
  TStringList FRefreshSQL;
  std::string FKeyField;
  std::string FGeneratorName;
  std::string FDescription;
  std::string FUpdateTableName;
  bool FUpdateOnlyModifiedFields = false;
  std::string FConditions;
};

class TpDataSetInfoCollect : public TObject {
 public:
  using TApplyProc = std::function<void(const TpDataSetInfo& info)>;

  // Finds (or reads, when missing) the description of the dataset id in the
  // connection's database and hands it to apply, all under the collection's
  // lock. While designing, the cached entry is dropped first, so that the
  // row is read again. dataSetName names the dataset in messages.
  void ApplyDataSetInfo(TFIBDatabase* database, int dataSetId, const std::string& dataSetName, bool designing,
                        const TApplyProc& apply);
  // The cached entry, or nullptr.
  TpDataSetInfo* FindDataSetInfo(int dataSetId, const std::string& databaseName);
  // Drops the cached entry, so that the next use reads the row again.
  void ClearDataSetInfo(int dataSetId, const std::string& databaseName);
  void Clear();
  int Count() const;

 private:
  struct TEntry {
    int DataSetId;
    std::unique_ptr<TpDataSetInfo> Info;
  };

  mutable std::recursive_mutex FLock;
  std::vector<TEntry> FEntries;
};
