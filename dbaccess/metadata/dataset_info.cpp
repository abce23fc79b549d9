#include "dbaccess/metadata/dataset_info.h"

#include <algorithm>

#include "dbaccess/connection/app_database.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/metadata/metadata_reads.h"
#include "dbaccess/metadata/repository.h"
#include "dbaccess/statement/query_ext.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/text/sysutils.h"

namespace {

// The id is a parameter, as every value the layer sends with its own reads.
constexpr const char* DataSetInfoSQL = "SELECT * FROM FIB$DATASETS_INFO WHERE DS_ID=?DS_ID";

std::string Column(TFIBQuery& query, const char* name) {
  TFIBXSQLVAR* var = query.Fields().ByName(name);
  return var == nullptr || var->IsNull() ? std::string() : var->AsString();
}

}  // namespace

void TpDataSetInfo::LoadFromDatabase(TFIBDatabase* database, int dataSetId, const std::string& dataSetName) {
  if (dataSetId == 0) throw Exception(dataSetName + ".DataSet_ID should be greater than 0");
  if (database == nullptr) throw Exception("Database is not assigned");
  if (!RepositoryTableExists(database, rtDataSetsInfo)) throw Exception("Table FIB$DATASETS_INFO does not exist.");
  FDBName = database->DBName();
  std::unique_ptr<TpFIBTransaction> transaction = NewMetadataTransaction();
  transaction->SetDefaultDatabase(database);
  TpFIBQuery query(nullptr);
  query.SetDatabase(database);
  query.SetTransaction(transaction.get());
  query.SetOptions({TpFIBQueryOption::qoTrimCharFields});
  query.SQL().SetText(DataSetInfoSQL);
  TTransactionUseScope scope(*transaction);
  query.ParamByName("DS_ID").SetAsInteger(dataSetId);
  query.ExecQuery();
  if (!query.Eof()) {
    const std::pair<const char*, TStrings*> texts[] = {{"SELECT_SQL", &FSelectSQL},
                                                       {"UPDATE_SQL", &FUpdateSQL},
                                                       {"INSERT_SQL", &FInsertSQL},
                                                       {"DELETE_SQL", &FDeleteSQL},
                                                       {"REFRESH_SQL", &FRefreshSQL}};
    for (const auto& [name, lines] : texts) lines->SetText(Column(query, name));
    FKeyField = Column(query, "KEY_FIELD");
    FGeneratorName = Column(query, "NAME_GENERATOR");
    FDescription = Column(query, "DESCRIPTION");
    // Columns an older repository table lacks.
    FUpdateTableName = Column(query, "UPDATE_TABLE_NAME");
    FUpdateOnlyModifiedFields = StrToIntDef(Column(query, "UPDATE_ONLY_MODIFIED_FIELDS"), 0) == 1;
    FConditions = Column(query, "CONDITIONS");
  }
  query.CloseCursor();
  scope.Finish();
}

// ---- TpDataSetInfoCollect ---------------------------------------------------------------------

void TpDataSetInfoCollect::ApplyDataSetInfo(TFIBDatabase* database, int dataSetId, const std::string& dataSetName,
                                            bool designing, const TApplyProc& apply) {
  std::lock_guard lock(FLock);
  const std::string databaseName = database != nullptr ? database->DBName() : std::string();
  if (designing) ClearDataSetInfo(dataSetId, databaseName);
  TpDataSetInfo* info = FindDataSetInfo(dataSetId, databaseName);
  if (info == nullptr) {
    if (databaseName.empty())
      throw Exception("Can't get info for " + IntToStr(dataSetId) + "\r\nDatabase is not assigned");
    auto loaded = std::make_unique<TpDataSetInfo>();
    loaded->LoadFromDatabase(database, dataSetId, dataSetName);
    info = loaded.get();
    FEntries.push_back(TEntry{dataSetId, std::move(loaded)});
  }
  if (apply) apply(*info);
}

TpDataSetInfo* TpDataSetInfoCollect::FindDataSetInfo(int dataSetId, const std::string& databaseName) {
  std::lock_guard lock(FLock);
  for (const TEntry& entry : FEntries)
    if (entry.DataSetId == dataSetId && entry.Info->DBName() == databaseName) return entry.Info.get();
  return nullptr;
}

void TpDataSetInfoCollect::ClearDataSetInfo(int dataSetId, const std::string& databaseName) {
  std::lock_guard lock(FLock);
  std::erase_if(FEntries, [&](const TEntry& e) { return e.DataSetId == dataSetId && e.Info->DBName() == databaseName; });
}

void TpDataSetInfoCollect::Clear() {
  std::lock_guard lock(FLock);
  FEntries.clear();
}

int TpDataSetInfoCollect::Count() const {
  std::lock_guard lock(FLock);
  return static_cast<int>(FEntries.size());
}
