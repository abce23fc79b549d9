// Reading a table's entry from the server: its columns from the system
// tables (or a stored procedure's output parameters), its format version,
// its repository rows and its primary key.

#include "dbaccess/connection/app_database.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/metadata/metadata_reads.h"
#include "dbaccess/metadata/repository.h"
#include "dbaccess/metadata/table_info.h"
#include "dbaccess/statement/query_ext.h"
#include "framework/core/text/text.h"

namespace {

constexpr const char* FormatVersionSQL =
    "select a1.RDB$RELATION_ID VER  from RDB$RELATIONS a1 where a1.RDB$SYSTEM_FLAG = 0  and "
    "a1.rdb$relation_name=?TN and not  a1.rdb$view_blr is null union select RDB$FORMAT from RDB$RELATIONS R "
    "where R.RDB$SYSTEM_FLAG = 0    and R.rdb$relation_name=?TN and  R.rdb$view_blr is null";
constexpr const char* ColumnsSQL =
    "Select R.RDB$FIELD_NAME,R.RDB$FIELD_SOURCE,F.RDB$COMPUTED_BLR, R.RDB$DEFAULT_SOURCE DS,F.RDB$DEFAULT_SOURCE "
    "DS1, F.RDB$FIELD_TYPE, F.RDB$DIMENSIONS from  RDB$RELATION_FIELDS R JOIN RDB$FIELDS F ON "
    "(R.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME) where  R.RDB$RELATION_NAME=:TN order by R.RDB$FIELD_POSITION";
constexpr const char* ProcedureOutputsSQL =
    "Select RDB$PARAMETER_NAME,0,0,0,0, RDB$PARAMETER_TYPE,0 from RDB$PROCEDURE_PARAMETERS WHERE "
    "RDB$PROCEDURE_NAME=:PN AND RDB$PARAMETER_TYPE=1 ";
constexpr const char* PrimaryKeySQL =
    "select i.rdb$field_name from    rdb$relation_constraints r, rdb$index_segments i where   "
    "r.rdb$relation_name=:TN and r.rdb$constraint_type='PRIMARY KEY' and r.rdb$index_name=i.rdb$index_name "
    "order by i.rdb$field_position";

// Field types a WHERE clause cannot compare: blob and quad.
constexpr int BlobFieldType = 261;
constexpr int QuadFieldType = 9;

std::int32_t IntegerOr0(const TFIBXSQLVAR& var) { return var.IsNull() ? 0 : var.AsInteger(); }

}  // namespace

void TpFIBTableInfo::LoadFromDatabase(TFIBDatabase* database, const std::string& tableName,
                                      bool withRepository) {
  FTableName = tableName;
  FDBName = database->DBName();
  FWithRepository = withRepository;
  PointTransactionAt(Transaction(), database);
  FPrimaryKeyFields = DeferredPrimaryKey;
  TTransactionUseScope scope(*FTransaction);
  Load(database);
  scope.Finish();
}

std::int32_t TpFIBTableInfo::ReadFormatVersion(TFIBTransaction& transaction) {
  TCachedQueryLease query(transaction, FormatVersionSQL);
  query->ParamByName("TN").SetAsString(FTableName);
  query->ExecQuery();
  const std::int32_t version = FirstValueAsInt32(*query);
  query->CloseCursor();
  return version;
}

std::int32_t TpFIBTableInfo::ReadRepositoryVersion(TFIBTransaction& transaction) {
  TCachedQueryLease query(transaction, FieldsInfoVersionSQL);
  query->ParamByName("TN").SetAsString(FTableName);
  query->ExecQuery();
  const std::int32_t version = FirstValueAsInt32(*query);
  query->CloseCursor();
  return version;
}

void TpFIBTableInfo::Load(TFIBDatabase* database) {
  TFIBTransaction& transaction = *FTransaction;
  TRepositoryRows repository;
  const bool withRepository = FWithRepository && RepositoryTableExists(database, rtFieldsInfo);
  if (withRepository) {
    FRepositoryVersion = ReadRepositoryVersion(transaction);
    ReadRepositoryRows(transaction, FTableName, repository);
  }
  if (FTableName != AliasTableName) {
    FFormatVersion = ReadFormatVersion(transaction);
    LoadColumns(transaction, withRepository ? &repository : nullptr);
  } else if (withRepository) {
    LoadAliasColumns(repository);
  }
}

void TpFIBTableInfo::LoadColumns(TFIBTransaction& transaction, const TRepositoryRows* repository) {
  TCachedQueryLease columns(transaction, ColumnsSQL);
  columns->ParamByName("TN").SetAsString(FTableName);
  columns->ExecQuery();
  // No column: the name is taken for a stored procedure, described by its
  // output parameters.
  std::unique_ptr<TCachedQueryLease> outputs;
  TFIBQuery* rows = &*columns;
  if (columns->Eof()) {
    columns->CloseCursor();
    outputs = std::make_unique<TCachedQueryLease>(transaction, ProcedureOutputsSQL);
    (*outputs)->ParamByName("PN").SetAsString(FTableName);
    (*outputs)->ExecQuery();
    rows = &**outputs;
  }
  ClearFields();
  for (; !rows->Eof(); rows->FetchNext()) {
    const std::string name = Trim(rows->Fields(0).AsString());
    auto info = std::make_unique<TpFIBFieldInfo>();
    info->SetDomainName(TrimRight(rows->Fields(1).AsString()));
    info->SetIsComputed(!rows->Fields(2).IsNull());
    std::string source;
    if (!rows->Fields(3).IsNull())
      source = Trim(rows->Fields(3).AsString());
    else if (!rows->Fields(4).IsNull())
      source = Trim(rows->Fields(4).AsString());
    bool emptyString = false;
    info->SetDefaultValue(DefaultValueFromSource(source, emptyString));
    info->SetDefaultValueEmptyString(emptyString);
    info->SetDefaultValueIsLiteral(DefaultSourceIsLiteral(source));
    const std::int32_t fieldType = IntegerOr0(rows->Fields(5));
    const std::int32_t dimensions = IntegerOr0(rows->Fields(6));
    info->SetCanIncToWhereClause(!(fieldType == BlobFieldType || fieldType == QuadFieldType || dimensions != 0));
    if (repository != nullptr)
      if (const TRepositoryRow* row = repository->Locate(name)) info->ReadRepositoryRow(*row);
    FFields.AddObject(name, std::unique_ptr<TObject>(std::move(info)));
  }
  if (rows->Open()) rows->CloseCursor();
}

void TpFIBTableInfo::LoadAliasColumns(const TRepositoryRows& repository) {
  ClearFields();
  for (const TRepositoryRow& row : repository.Rows()) {
    // The row's second column is the field name.
    const std::string name = row.Values.size() > 1 ? Trim(row.Values[1].Text) : std::string();
    AddField(name).ReadRepositoryRow(row);
  }
}

void TpFIBTableInfo::ReloadRepository(TFIBDatabase* database, TFIBTransaction& transaction) {
  if (!RepositoryTableExists(database, rtFieldsInfo)) return;
  TRepositoryRows repository;
  try {
    if (!transaction.Active()) transaction.StartTransaction();
    try {
      FRepositoryVersion = ReadRepositoryVersion(transaction);
    } catch (const Exception&) {
      // A repository table from before versions were kept.
      UpgradeFieldsInfoRepository(database);
      FRepositoryVersion = 0;
    }
    ReadRepositoryRows(transaction, FTableName, repository);
  } catch (const Exception&) {
    return;
  }
  FWithRepository = true;
  if (FTableName == AliasTableName) {
    LoadAliasColumns(repository);
    return;
  }
  for (int i = 0; i < FFields.Count(); ++i)
    if (const TRepositoryRow* row = repository.Locate(FFields.Strings(i))) FieldInfos(i).ReadRepositoryRow(*row);
}

bool TpFIBTableInfo::IsCurrent(TFIBDatabase* database) {
  if (FDBName != database->DBName()) return true;
  TFIBTransaction& transaction = Transaction();
  PointTransactionAt(transaction, database);
  TTransactionUseScope scope(transaction);
  bool current = true;
  if (FWithRepository && RepositoryTableExists(database, rtFieldsInfo)) {
    try {
      current = ReadRepositoryVersion(transaction) == FRepositoryVersion;
    } catch (const Exception&) {
      // A repository table from before versions were kept: brought up to
      // date, and the entry counts as current.
      UpgradeFieldsInfoRepository(database);
    }
  }
  if (FTableName != AliasTableName && ReadFormatVersion(transaction) != FFormatVersion) current = false;
  scope.Finish();
  return current;
}

std::string TpFIBTableInfo::PrimaryKeyFields() {
  // Two threads asking at once read the key once.
  std::lock_guard lock(FLock);
  if (FPrimaryKeyFields != DeferredPrimaryKey || !FTransaction || FTransaction->DefaultDatabase() == nullptr)
    return FPrimaryKeyFields;
  TTransactionUseScope scope(*FTransaction);
  TCachedQueryLease query(*FTransaction, PrimaryKeySQL);
  query->ParamByName("TN").SetAsString(FTableName);
  query->ExecQuery();
  std::string keys;
  for (; !query->Eof(); query->FetchNext()) {
    if (!keys.empty()) keys += ';';
    keys += Trim(query->Fields(0).AsString());
  }
  query->CloseCursor();
  scope.Finish();
  FPrimaryKeyFields = keys;
  return FPrimaryKeyFields;
}
