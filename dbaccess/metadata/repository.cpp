#include "dbaccess/metadata/repository.h"

#include <algorithm>

#include "dbaccess/connection/app_database.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/metadata/metadata_reads.h"
#include "dbaccess/metadata/table_info_collect.h"
#include "dbaccess/statement/query.h"

namespace {

constexpr const char* RepositoryExistsSQL =
    "select COUNT(RDB$RELATION_NAME) from RDB$RELATIONS where RDB$FLAGS = 1 and RDB$RELATION_NAME=?RT";

TFIBUseRepository RepositoryMember(int which) {
  switch (which) {
    case rtFieldsInfo:
      return TFIBUseRepository::urFieldsInfo;
    case rtDataSetsInfo:
      return TFIBUseRepository::urDataSetInfo;
    default:
      return TFIBUseRepository::urErrorMessagesInfo;
  }
}

bool AskServer(TFIBDatabase* database, const char* tableName) {
  std::unique_ptr<TpFIBTransaction> transaction = NewMetadataTransaction();
  transaction->SetDefaultDatabase(database);
  TFIBQuery query(nullptr);
  query.SetDatabase(database);
  query.SetTransaction(transaction.get());
  query.SQL().SetText(RepositoryExistsSQL);
  TTransactionUseScope scope(*transaction);
  query.ParamByName("RT").SetAsString(tableName);
  query.ExecQuery();
  const bool exists = FirstValueAsInt32(query) > 0;
  query.CloseCursor();
  scope.Finish();
  return exists;
}

}  // namespace

const char* RepositoryTableName(int which) {
  switch (which) {
    case rtFieldsInfo:
      return "FIB$FIELDS_INFO";
    case rtDataSetsInfo:
      return "FIB$DATASETS_INFO";
    case rtErrorMessages:
      return "FIB$ERROR_MESSAGES";
    default:
      return "";
  }
}

bool RepositoryTableExists(TFIBDatabase* database, int which) {
  if (database == nullptr || which < rtFieldsInfo || which > rtErrorMessages) return false;
  // The connection's line must go when the connection does: another
  // connection made later at the same address is another database.
  ListTableInfo().WatchDatabase(database);
  return RepositoryExistence().TableExists(database, which);
}

// ---- TRepositoryExistence ---------------------------------------------------------------------

bool TRepositoryExistence::TableExists(TFIBDatabase* database, int which) {
  std::lock_guard lock(FLock);
  const auto position = static_cast<std::size_t>(which - 1);
  auto line = std::find_if(FLines.begin(), FLines.end(), [&](const auto& l) { return l.first == database; });
  if (line != FLines.end() && line->second[position] != '2') return line->second[position] == '1';
  if (!database->UseRepositories().Contains(RepositoryMember(which))) return false;
  const bool exists = AskServer(database, RepositoryTableName(which));
  // Looked up again: the server call fires the connection's transaction
  // events, whose handlers may have come back here and added lines.
  line = std::find_if(FLines.begin(), FLines.end(), [&](const auto& l) { return l.first == database; });
  if (line == FLines.end()) line = FLines.insert(FLines.end(), {database, "222"});
  line->second[position] = exists ? '1' : '0';
  return exists;
}

void TRepositoryExistence::Forget(const TFIBDatabase* database) {
  std::lock_guard lock(FLock);
  std::erase_if(FLines, [&](const auto& line) { return line.first == database; });
}

std::string TRepositoryExistence::Line(const TFIBDatabase* database) const {
  std::lock_guard lock(FLock);
  for (const auto& line : FLines)
    if (line.first == database) return line.second;
  return "222";
}

// ---- TpStoredProcCollect ----------------------------------------------------------------------

TpStoredProcCollect::TpStoredProcCollect() {
  FProcedureNames.SetSorted(true);
  FProcedureNames.SetDuplicates(dupIgnore);
}
