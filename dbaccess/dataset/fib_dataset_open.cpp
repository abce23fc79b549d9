// TFIBCustomDataSet: preparing, opening and closing the cursor, the field
// definitions, the record buffer layout, and what the dataset does when its
// connection or transaction goes away.

#include <algorithm>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/filter/expression_parser.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/metadata/table_info.h"
#include "dbaccess/metadata/table_info_collect.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/text/text.h"

namespace {

bool IsSelect(const TFIBQuery& query) {
  return query.SQLType() == SQLSelect || query.SQLType() == SQLSelectForUpdate;
}

// Character columns up to this length stay in the cache record; longer
// ones go to the cache's string store.
constexpr int MaxInlineText = 8;

}  // namespace

// ---- The select text ---------------------------------------------------------------------

void TFIBCustomDataSet::OnSelectSQLChanging(TObject*) {
  CheckClosed(" change SelectSQL ");
  FSelectSQLChanged = true;
}

void TFIBCustomDataSet::SQLChangedHandling() {
  CheckClosed(" change SelectSQL ");
  FieldDefs().Clear();
  FColumnOfFieldNo.clear();
  FPrepared = false;
  FSelectSQLChanged = false;
  ClearSortInfo();
}

// ---- Preparing ------------------------------------------------------------------------------

void TFIBCustomDataSet::InternalPrepare() {
  if (Database() == nullptr && Transaction() != nullptr) SetDatabase(Transaction()->DefaultDatabase());
  if (Transaction() == nullptr && Database() != nullptr) SetTransaction(Database()->DefaultTransaction());
  FBase.CheckDatabase();
  TFIBTransaction* transaction = Transaction();
  if (transaction == nullptr) RaiseClientError(ceTransactionNotAssigned, ComponentPath(this));
  if (!transaction->Active()) {
    if (transaction->DefaultDatabase() == nullptr) transaction->SetDefaultDatabase(Database());
    if (FOptions.Contains(poStartTransaction)) transaction->StartTransaction();
  }
  FBase.CheckTransaction();
  if (IsBlankText(SelectSQL().Text()))
    throw EFIBClientError(ceEmptyQuery,
                          ComponentPath(this) + ":\r\n" + Format(ClientErrorText(ceEmptyQuery), "Prepare"));
  FSelectQuery->Prepare();
  if (ComponentState().Contains(TComponentStateItem::csDesigning))
    for (TFIBQuery* query : {FInsertQuery, FUpdateQuery, FDeleteQuery, FRefreshQuery})
      if (!IsBlankText(query->SQL().Text()) && !query->Prepared()) query->Prepare();
  FPrepared = true;
  InternalInitFieldDefs();
}

const TpFIBFieldInfo* TFIBCustomDataSet::ColumnFieldInfo(const TFIBXSQLVAR& column) const {
  const std::string_view relation = column.RelationName();
  if (relation.empty() || Database() == nullptr) return nullptr;
  return ListTableInfo().GetFieldInfo(Database(), std::string(relation), FPrepareOptions.Contains(psApplyRepositary),
                                      std::string(column.FieldName()));
}

std::string TFIBCustomDataSet::ColumnDomainName(const TFIBXSQLVAR& column) const {
  const TpFIBFieldInfo* info = ColumnFieldInfo(column);
  return info != nullptr ? info->DomainName() : std::string();
}

bool TFIBCustomDataSet::ColumnDefaultsToEmptyString(const TFIBColumnDescriptor&, const TField* field) const {
  const TFIBXSQLVAR* column = SelectColumnOf(field);
  const TpFIBFieldInfo* info = column != nullptr ? ColumnFieldInfo(*column) : nullptr;
  return info != nullptr && info->DefaultValue().empty() && info->DefaultValueEmptyString();
}

void TFIBCustomDataSet::InternalInitFieldDefs() {
  TFieldDefs& defs = FieldDefs();
  defs.BeginUpdate();
  struct TEndUpdate {
    TFieldDefs& Defs;
    ~TEndUpdate() { Defs.EndUpdate(); }
  } endUpdate{defs};
  defs.Clear();
  FColumnOfFieldNo.clear();
  TFIBXSQLDA& columns = FSelectQuery->Fields();
  for (int i = 0; i < columns.Count(); ++i) {
    const TFIBXSQLVAR& column = columns[i];
    const std::string name = column.Name();
    TField* persistent = FindField(name);
    const int scale = column.SQLScale();
    TFieldType type = ftUnknown;
    int size = 0;
    switch (column.SQLType()) {
      case SQLTypeTimeStamp:
        type = ftDateTime;
        break;
      case SQLTypeVarying:
      case SQLTypeText:
        type = ftString;
        size = column.SQLLen();
        if (persistent != nullptr && persistent->DataType() == ftString && persistent->Size() != size)
          persistent->SetSize(size);
        break;
      case SQLTypeDouble:
      case SQLTypeFloat:
      case SQLTypeDFloat:
        type = ftFloat;
        break;
      case SQLTypeLong:
      case SQLTypeShort:
        if (scale < 0) {
          type = ftFloat;
        } else if (FPrepareOptions.Contains(psUseBooleanField) &&
                   !AnsiSameText(column.RelationName(), "FIB$FIELDS_INFO") &&
                   AnsiUpperCase(ColumnDomainName(column)).find("BOOLEAN") != std::string::npos) {
          type = ftBoolean;
        } else if (column.SQLLen() != 4 &&
                   (persistent == nullptr || dynamic_cast<TSmallintField*>(persistent) != nullptr)) {
          type = ftSmallint;
        } else {
          type = ftInteger;
        }
        break;
      case SQLTypeDate:
        type = ftDate;
        break;
      case SQLTypeTime:
        type = ftTime;
        break;
      case SQLTypeBlob:
        type = column.SQLSubtype() == 1 ? ftMemo : ftBlob;
        size = 8;
        break;
      case SQLTypeArray:
        type = ftBytes;
        size = 8;
        break;
      case SQLTypeInt64:
        if (scale == 0) {
          type = ftBCD;
        } else if (scale >= -4 || FPrepareOptions.Contains(psSQLINT64ToBCD)) {
          type = ftBCD;
          size = -scale;
          if (persistent != nullptr && persistent->DataType() == ftBCD && persistent->Size() != size)
            persistent->SetSize(size);
        } else {
          type = ftFloat;
        }
        break;
      case SQLTypeBoolean:
      case SQLTypeBoolean1:
        type = ftBoolean;
        break;
      default:
        continue;
    }
    defs.Add(name, type, size, false);
    FColumnOfFieldNo.push_back(i);
  }
}

// ---- The record buffer layout ----------------------------------------------------------

void TFIBCustomDataSet::BuildColumnLayout() {
  using TConversion = TFIBColumnDescriptor::TConversion;
  TFIBXSQLDA& columns = FSelectQuery->Fields();
  const int count = columns.Count();
  FColumns.assign(static_cast<std::size_t>(count), TFIBColumnDescriptor{});
  FStringColumnCount = 0;
  FBlobColumnCount = 0;
  int offset = 6 + count;
  for (int i = 0; i < count; ++i) {
    const TFIBXSQLVAR& var = columns[i];
    TFIBColumnDescriptor& column = FColumns[static_cast<std::size_t>(i)];
    column.SQLType = var.SQLType();
    column.Scale = var.SQLScale();
    column.Nullable = var.IsNullable();
    column.DeclaredLength = var.SQLLen();
    column.IsDbKey = AnsiSameText(var.Name(), "DB_KEY") || AnsiSameText(var.Name(), "RDB$DB_KEY");
    column.StorageSize = column.DeclaredLength;
    switch (column.SQLType) {
      case SQLTypeVarying:
      case SQLTypeText:
        column.Conversion = column.SQLType == SQLTypeVarying ? TConversion::Varying : TConversion::Text;
        if (column.DeclaredLength > MaxInlineText) {
          column.StringStored = true;
          column.StringIndex = FStringColumnCount++;
        }
        break;
      case SQLTypeLong:
      case SQLTypeShort:
        if (column.Scale < 0) {
          column.Conversion =
              column.SQLType == SQLTypeShort ? TConversion::ShortScaled : TConversion::LongScaled;
          column.SQLType = SQLTypeDouble;
          column.StorageSize = 8;
        } else {
          // A SMALLINT is held as the 32-bit integer its fields read.
          column.Conversion = column.SQLType == SQLTypeShort ? TConversion::ShortToInt : TConversion::Raw;
          column.StorageSize = 4;
        }
        break;
      case SQLTypeTime:
        column.Conversion = TConversion::Time;
        column.StorageSize = 4;
        break;
      case SQLTypeDate:
        column.Conversion = TConversion::Date;
        column.StorageSize = 4;
        break;
      case SQLTypeFloat:
        column.Conversion = TConversion::FloatToDouble;
        column.StorageSize = 8;
        break;
      case SQLTypeTimeStamp:
        column.Conversion = TConversion::TimeStamp;
        column.StorageSize = 8;
        break;
      case SQLTypeDouble:
      case SQLTypeDFloat:
        column.StorageSize = 8;
        break;
      case SQLTypeInt64:
        if (column.Scale < -4 && !FPrepareOptions.Contains(psSQLINT64ToBCD))
          column.Conversion = TConversion::Int64Scaled;
        column.StorageSize = 8;
        break;
      case SQLTypeBoolean:
        column.StorageSize = 2;
        break;
      case SQLTypeBoolean1:
        // Held as the 2-byte Boolean of the older servers.
        column.Conversion = TConversion::Boolean1;
        column.StorageSize = 2;
        break;
      case SQLTypeBlob:
        ++FBlobColumnCount;
        break;
      default:
        break;
    }
    if (!column.StringStored) {
      column.Offset = offset;
      offset += column.StorageSize;
    }
  }
  FFixedEnd = offset;
  for (TFIBColumnDescriptor& column : FColumns) {
    if (!column.StringStored) continue;
    column.Offset = offset;
    offset += column.DeclaredLength;
  }
  FBlobRefOffset = offset;
  offset += FBlobColumnCount * static_cast<int>(sizeof(TBlobStreamHandle));
  FRecordBufferSize = offset + CalcFieldsSize();
  FRowTexts.assign(static_cast<std::size_t>(FStringColumnCount), std::string_view());
}

void TFIBCustomDataSet::CreateCache() {
  const int blobEnd = FBlobRefOffset + FBlobColumnCount * static_cast<int>(sizeof(TBlobStreamHandle));
  const int stringBytes =
      blobEnd - FBlobColumnCount * static_cast<int>(sizeof(TBlobStreamHandle)) - FFixedEnd;
  const int recordSize = blobEnd - TRecordsCache::RecordBufferOffset - stringBytes;
  FCache = std::make_unique<TRecordsCache>(FBufferChunks, FRecordBufferSize, recordSize, FStringColumnCount);
  FCache->AddBlock();
  FCache->SetKeepOldVersions(FCachedUpdates);
  for (const TFIBColumnDescriptor& column : FColumns)
    if (column.StringStored)
      FCache->SetStringColumn(column.StringIndex + 1, column.Offset - TRecordsCache::RecordBufferOffset,
                              column.DeclaredLength);
  FScratch = std::make_unique<std::byte[]>(static_cast<std::size_t>(FRecordBufferSize));
  FScratchIndex = -1;
}

void TFIBCustomDataSet::FreeCache() noexcept {
  // Every handle in the cache and in the streams handed out goes stale.
  FBlobStreams->Clear();
  FCache.reset();
  FScratch.reset();
  FScratchIndex = -1;
}

void TFIBCustomDataSet::ResetLayout() noexcept {
  FCurrentRecord = -1;
  FCursorOpen = false;
  FFetchedCount = 0;
  FDeletedCount = 0;
  FPendingUpdateCount = 0;
  FUpdatesPending = false;
  FColumns.clear();
  FFetchPlan.clear();
  FStringColumnCount = 0;
  FBlobColumnCount = 0;
  FFixedEnd = 0;
  FBlobRefOffset = 0;
  FRecordBufferSize = 0;
}

// ---- Open and close -------------------------------------------------------------------

void TFIBCustomDataSet::InternalOpen() {
  TScreenCursorScope cursor(FSQLScreenCursor);
  if (FSelectSQLChanged) SQLChangedHandling();
  // The records come in the server's order: a sort remembered from before
  // would steer sorted searches and keep-sorting over records it never
  // ordered. Only a persistent sort survives, to be applied again.
  if (!FOptions.Contains(poPersistentSorting)) ClearSortInfo();
  if (!FPrepared || FieldDefs().Count() == 0) InternalPrepare();
  if (MasterDataSet() != nullptr) SetMasterParams();
  const bool select = IsSelect(*FSelectQuery);
  if (DefaultFields()) CreateFields();
  BindFields(true);
  FCurrentRecord = -1;
  DoAfterBind();
  DoAskRecordCount();
  // Anything but a select runs once and leaves an empty dataset: the
  // layout and the cache are built all the same, so that nothing reads a
  // record that is not there.
  FSelectQuery->ExecQuery();
  FCursorOpen = true;
  BuildColumnLayout();
  CreateCache();
  if (select) PrepareFetchPlan();
  if (!IsBlankText(Filter()) && !FFilterExpression) BuildFilterExpression(Trim(Filter()), FilterOptions());
}

void TFIBCustomDataSet::InternalClose() {
  // Whatever closing the statement says, the dataset ends closed.
  struct TReset {
    TFIBCustomDataSet& DataSet;
    ~TReset() {
      DataSet.FreeCache();
      DataSet.ResetLayout();
      if (DataSet.FFilterExpression) DataSet.FFilterExpression->ClearFieldCache();
    }
  } reset{*this};
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  if (ComponentState().Contains(TComponentStateItem::csDesigning))
    for (TFIBQuery* query : {FInsertQuery, FUpdateQuery, FDeleteQuery, FRefreshQuery}) query->DropStatement();
  FSelectQuery->CloseCursor();
}

// ---- Link notifications ---------------------------------------------------------------

void TFIBCustomDataSet::OnLinkDatabaseDisconnecting(TObject*) {
  if (Active()) {
    if (FCachedUpdates) {
      FetchAllQuietly();
    } else {
      Close();
    }
  }
  FPrepared = false;
  if (DatabaseDisconnecting) DatabaseDisconnecting(this);
}

void TFIBCustomDataSet::OnLinkDatabaseDisconnected(TObject*) {
  if (DatabaseDisconnected) DatabaseDisconnected(this);
}

void TFIBCustomDataSet::OnLinkDatabaseFreeing(TObject*) {
  if (DatabaseFree) DatabaseFree(this);
}

void TFIBCustomDataSet::OnLinkTransactionEnding(TObject*) {
  if (TransactionEnding) TransactionEnding(this);
  TFIBTransaction* transaction = Transaction();
  if (transaction == nullptr || !Active()) return;
  const TTransactionState state = transaction->TransactionState();
  if (state != tsDoRollback && state != tsDoCommit) return;
  const TComponentState componentState = ComponentState();
  if (!FCachedUpdates || componentState.Contains(TComponentStateItem::csDestroying) ||
      componentState.Contains(TComponentStateItem::csDesigning)) {
    Close();
    return;
  }
  // Cached updates keep the records: everything is fetched while the
  // transaction is still there, then only the statement closes.
  FetchAllQuietly();
  FSelectQuery->CloseCursor();
}

void TFIBCustomDataSet::OnLinkTransactionEnded(TObject*) {
  if (TransactionEnded) TransactionEnded(this);
}

void TFIBCustomDataSet::OnLinkTransactionFreeing(TObject*) {
  if (TransactionFree) TransactionFree(this);
}
