// TFIBCustomDataSet: inserting, editing, posting, cancelling and deleting
// through the modify statements, the parameters those statements take from
// a record, and the refresh of one record.
//
// A modify statement's parameter finds its value by its name: OLD_<column>
// reads the record's old version (the logged one under cached updates, else
// the copy saved before the change), NEW_<column> and a plain <column> the
// record being written, MAS_<field> the master dataset's field. A name that
// is no select column but a parameter of the select statement takes that
// parameter's value, so a detail's refresh text may name the master key the
// select uses.

#include <algorithm>
#include <cstring>

#include "dbaccess/blob/blob_stream.h"
#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/text.h"

namespace {

// Whether name begins with prefix, ignoring case.
bool HasPrefix(std::string_view name, std::string_view prefix) {
  return name.size() > prefix.size() && AnsiSameText(name.substr(0, prefix.size()), prefix);
}

template <class T>
T Load(const std::byte* data) {
  T value;
  std::memcpy(&value, data, sizeof(T));
  return value;
}

// A client error whose text has no place for the path: the path heads it.
[[noreturn]] void RaiseWithPath(int code, const TComponent* component) {
  throw EFIBClientError(code, ComponentPath(component) + ":\r\n" + std::string(ClientErrorText(code)));
}

// Milliseconds since 0001-01-01 plus one day, as the record holds a time
// stamp, to the framework's date-time.
TDateTime StoredStampToDateTime(double msecs) {
  return TimeStampToDateTime(MSecsToTimeStamp(static_cast<std::int64_t>(msecs)));
}

// The day the framework's date-time counts from: a stored time of day
// becomes a date-time on that day, whose date part the server never sees.
constexpr int DateTimeDayZero = 693594;

}  // namespace

// ---- Checks ------------------------------------------------------------------------------

void TFIBCustomDataSet::CheckEditState() const {
  TDataSetState state = State();
  if (state == dsNewValue || state == dsOldValue) state = FStateFieldValueState;
  switch (state) {
    case dsEdit:
      if (!CanEdit()) RaiseClientError(ceCannotUpdate, ComponentPath(this));
      return;
    case dsInsert:
      if (!CanInsert()) RaiseClientError(ceCannotInsert, ComponentPath(this));
      return;
    default:
      RaiseClientError(ceNotInEditMode, ComponentPath(this));
  }
}

void TFIBCustomDataSet::SetPrepareOptions(TpPrepareOptions options) {
  const auto differs = [&](TpPrepareOption option) {
    return options.Contains(option) != FPrepareOptions.Contains(option);
  };
  const bool fieldsChange = differs(psUseBooleanField) || differs(psSQLINT64ToBCD);
  if (fieldsChange) CheckClosed("change psUseBooleanField or psSQLINT64ToBCD\r\n");
  FPrepareOptions = options;
  if (fieldsChange && FPrepared) InternalInitFieldDefs();
}

TCachedUpdateStatus TFIBCustomDataSet::CachedUpdateStatus() const {
  if (!Active() || IsEmpty()) return cusUnmodified;
  return static_cast<TCachedUpdateStatus>(ActiveBuffer()[5]);
}

// ---- Old versions and the cache ------------------------------------------------------

void TFIBCustomDataSet::SaveOldVersion(int recordIndex) {
  if (!FCache || !IsHeld(recordIndex)) return;
  const int number = CacheSlot(recordIndex) + 1;
  // The log keeps the version before the first change: a record edited,
  // posted and then deleted still goes back to what it was when fetched,
  // and its delete statement still finds it by its original values.
  if (FCachedUpdates && FCache->IsLogged(number)) return;
  FCache->SaveOldRecord(number);
}

TRecordBuffer TFIBCustomDataSet::OldVersionBuffer(int recordIndex) {
  FOldBuffer.assign(static_cast<std::size_t>(FRecordBufferSize), std::byte{0});
  if (IsHeld(recordIndex))
    FCache->ReadOldVersion(CacheSlot(recordIndex) + 1, reinterpret_cast<char*>(FOldBuffer.data()));
  return FOldBuffer.data();
}

void TFIBCustomDataSet::WriteRecordToCache(TRecordBuffer buffer) {
  const int index = RecordIndexOf(buffer);
  FCache->WriteRecord(CacheSlot(index) + 1, reinterpret_cast<const char*>(buffer), false);
  if (FScratchIndex == index) FScratchIndex = -1;
}

void TFIBCustomDataSet::RemoveCurrentFromCache() {
  CheckOpen(" do delete from cache ");
  TRecordBuffer buffer = ActiveBuffer();
  if (buffer == nullptr || IsEmpty()) return;
  buffer[5] = static_cast<std::byte>(cusDeletedApplied);
  ++FDeletedCount;
  WriteRecordToCache(buffer);
  UpdateCursorPos();
  Resync(TResyncMode{});
}

// ---- Blob streams of a record ----------------------------------------------------------

TFIBBlobStream* TFIBCustomDataSet::BlobStreamOf(TRecordBuffer buffer, int column) const {
  if (buffer == nullptr || column < 0 || column >= ColumnCount()) return nullptr;
  const TFIBColumnDescriptor& descriptor = FColumns[static_cast<std::size_t>(column)];
  if (descriptor.SQLType != SQLTypeBlob) return nullptr;
  TBlobStreamHandle handle = 0;
  std::memcpy(&handle, BlobSlot(buffer, descriptor), sizeof handle);
  return FBlobStreams->Find(handle);
}

bool TFIBCustomDataSet::BlobFieldModified(TField* field) const {
  auto* blob = dynamic_cast<TBlobField*>(field);
  if (blob == nullptr) return false;
  if (!FCachedUpdates) return blob->Modified();
  if (blob->Modified()) return true;
  const TFIBColumnDescriptor* column = ColumnOf(field);
  if (column == nullptr || !Active() || IsEmpty()) return false;
  const TFIBBlobStream* stream = BlobStreamOf(ActiveBuffer(), static_cast<int>(column - FColumns.data()));
  return stream != nullptr && stream->Modified();
}

// ---- Parameters from a record ----------------------------------------------------------

void TFIBCustomDataSet::SetParamFromColumn(TFIBQuery& query, TFIBXSQLVAR& param, int columnIndex,
                                           TRecordBuffer record) {
  const TFIBColumnDescriptor& column = FColumns[static_cast<std::size_t>(columnIndex)];
  if (record[6 + columnIndex] != std::byte{0}) {
    param.SetIsNull(true);
    return;
  }
  param.SetIsNull(false);
  const std::byte* data = record + column.Offset;
  switch (column.SQLType) {
    case SQLTypeVarying:
    case SQLTypeText: {
      const auto* text = reinterpret_cast<const char*>(data);
      const auto declared = static_cast<std::size_t>(column.DeclaredLength);
      param.SetAsString(std::string_view(text, column.IsDbKey ? declared : strnlen(text, declared)));
      break;
    }
    case SQLTypeDouble:
    case SQLTypeFloat:
    case SQLTypeDFloat:
      param.SetAsDouble(Load<double>(data));
      break;
    case SQLTypeLong:
    case SQLTypeShort:
      param.SetAsInteger(Load<std::int32_t>(data));
      break;
    case SQLTypeTimeStamp:
      param.SetAsDateTime(StoredStampToDateTime(Load<double>(data)));
      break;
    case SQLTypeTime:
      param.SetAsTime(TimeStampToDateTime(TTimeStamp{Load<std::int32_t>(data), DateTimeDayZero}));
      break;
    case SQLTypeDate:
      param.SetAsDate(TimeStampToDateTime(TTimeStamp{0, Load<std::int32_t>(data)}));
      break;
    case SQLTypeInt64:
      if (column.Conversion == TFIBColumnDescriptor::TConversion::Int64Scaled) {
        param.SetAsDouble(Load<double>(data));
      } else {
        param.SetAsInt64(Load<std::int64_t>(data));
        param.SetSQLScale(column.Scale);
      }
      break;
    case SQLTypeBoolean:
    case SQLTypeBoolean1:
      param.SetAsBoolean(Load<std::int16_t>(data) == 1);
      break;
    case SQLTypeBlob:
    case SQLTypeArray:
    case SQLTypeQuad: {
      TISCQuad id;
      std::memcpy(&id.High, data, 4);
      std::memcpy(&id.Low, data + 4, 4);
      if (column.SQLType != SQLTypeBlob || query.Transaction() == Transaction()) {
        param.SetAsQuad(id);
        break;
      }
      // A blob id means nothing in another transaction: the content goes
      // there as a new blob.
      std::string content;
      if (TFIBBlobStream* stream = BlobStreamOf(record, columnIndex)) {
        content = stream->AsString();
      } else {
        TFIBBlobStream reader;
        reader.SetDatabase(Database());
        reader.SetTransaction(Transaction());
        reader.SetBlobSubType(FSelectQuery->Fields()[columnIndex].SQLSubtype());
        reader.SetBlobId(id);
        content = reader.AsString();
      }
      param.SetAsString(content);
      break;
    }
    default: {
      // Any other type: the stored bytes as the column holds them.
      const auto* bytes = reinterpret_cast<const char*>(data);
      param.SetAsString(std::string_view(bytes, static_cast<std::size_t>(column.StorageSize)));
      break;
    }
  }
}

void TFIBCustomDataSet::SetModifyParams(TFIBQuery& query, TRecordBuffer buffer) {
  if (buffer == nullptr) RaiseWithPath(ceBufferNotSet, this);
  if (!query.Prepared()) query.Prepare();
  TFIBXSQLDA& params = query.Params();
  std::vector<std::string> names;
  for (int i = 0; i < params.Count(); ++i)
    if (!params[i].IsMacro()) names.push_back(params[i].Name());
  for (const std::string& name : query.ExtraParamNames())
    if (query.FindParam(name) != nullptr) names.push_back(name);
  TFIBXSQLDA& columns = FSelectQuery->Fields();
  TDataSet* master = MasterDataSet();
  const bool detailRefresh = &query == FRefreshQuery && master != nullptr;
  TRecordBuffer old = nullptr;
  std::vector<std::string> done;
  for (const std::string& name : names) {
    // Parameters of one name share one value.
    if (std::find(done.begin(), done.end(), name) != done.end()) continue;
    done.push_back(name);
    TFIBXSQLVAR* param = query.FindParam(name);
    if (param == nullptr) continue;
    if (&query != FSelectQuery) {
      TFIBXSQLVAR* selectParam = FSelectQuery->FindParam(name);
      // A detail's refresh text names the master key as its select does.
      if (selectParam != nullptr && detailRefresh) {
        param->SetAsVariant(selectParam->AsVariant());
        continue;
      }
    }
    TRecordBuffer record = buffer;
    std::string columnName = name;
    if (HasPrefix(name, "OLD_")) {
      if (old == nullptr) old = OldVersionBuffer(RecordIndexOf(buffer));
      record = old;
      columnName = name.substr(4);
    } else if (HasPrefix(name, "NEW_")) {
      columnName = name.substr(4);
    } else if (HasPrefix(name, "MAS_") && master != nullptr) {
      if (TField* field = master->FindField(name.substr(4))) param->SetAsVariant(field->Value());
      continue;
    }
    const int column = columns.IndexOfName(columnName);
    if (column >= 0 && column < ColumnCount()) {
      SetParamFromColumn(query, *param, column, record);
      continue;
    }
    if (&query != FSelectQuery) {
      if (TFIBXSQLVAR* selectParam = FSelectQuery->FindParam(name)) param->SetAsVariant(selectParam->AsVariant());
    }
  }
}

void TFIBCustomDataSet::StartUpdateTransaction() {
  TFIBTransaction* transaction = UpdateTransaction();
  if (transaction != nullptr && !transaction->Active() && FOptions.Contains(poStartTransaction))
    transaction->StartTransaction();
}

void TFIBCustomDataSet::ExecuteModifyStatement(TFIBQuery& query, TRecordBuffer buffer) {
  if (query.Open()) query.CloseCursor();
  SetModifyParams(query, buffer);
  query.ExecQuery();
}

void TFIBCustomDataSet::AutoCommitUpdates() {
  TFIBTransaction* transaction = UpdateTransaction();
  if (!FAutoCommit || transaction == nullptr || !transaction->Active()) return;
  if (transaction == Transaction() || transaction->TimeoutAction() != TACommit)
    transaction->CommitRetaining();
  else
    transaction->Commit();
}

// ---- Writing through the statements ----------------------------------------------------

TFIBQuery& TFIBCustomDataSet::PostStatement(TRecordBuffer buffer) const {
  return static_cast<TCachedUpdateStatus>(buffer[5]) == cusInserted ? *FInsertQuery : *FUpdateQuery;
}

void TFIBCustomDataSet::PostBySQL(TRecordBuffer buffer) {
  TFIBQuery& query = PostStatement(buffer);
  if (IsBlankText(query.SQL().Text())) {
    // Nothing could write this record: saying it was saved would lose it.
    RaiseClientError(&query == FInsertQuery ? ceCannotInsert : ceCannotUpdate, ComponentPath(this));
  }
  StartUpdateTransaction();
  ExecuteModifyStatement(query, buffer);
  if (query.Open()) query.CloseCursor();
  buffer[5] = static_cast<std::byte>(cusUnmodified);
  WriteRecordToCache(buffer);
  SetModified(false);
  if (FOptions.Contains(poRefreshAfterPost) && !IsBlankText(RefreshSQL().Text())) RefreshRecord(*FRefreshQuery, buffer);
}

void TFIBCustomDataSet::DeleteBySQL() { DeleteRecordBySQL(ActiveBuffer()); }

void TFIBCustomDataSet::DeleteRecordBySQL(TRecordBuffer buffer) {
  StartUpdateTransaction();
  ExecuteModifyStatement(*FDeleteQuery, buffer);
  buffer[5] = static_cast<std::byte>(cusDeletedApplied);
  WriteRecordToCache(buffer);
  if (!FCachedUpdates) AutoCommitUpdates();
}

// A cursor that walks the table or an index may bring a row written after
// it opened: a record inserted now would come again from the server later.
// The rows still to come are read first, so the dataset holds one copy.
void TFIBCustomDataSet::FetchRestBeforeServerInsert() {
  if (!FUniDirectional && FCache && !StatementExhausted()) FetchAllQuietly();
}

// ---- Core post, delete, add, cancel, refresh ---------------------------------------------

void TFIBCustomDataSet::InternalPost() {
  TScreenCursorScope cursor(FSQLScreenCursor);
  CheckEditState();
  TRecordBuffer buffer = ActiveBuffer();
  TDataSetState state = State();
  if (state == dsNewValue || state == dsOldValue) state = FStateFieldValueState;
  const bool inserting = state == dsInsert;
  if (inserting && !FCachedUpdates) FetchRestBeforeServerInsert();
  // The statement must see the blobs' new ids.
  FinalizeBlobStreams(buffer);
  auto& status = reinterpret_cast<std::uint8_t&>(buffer[5]);
  int index = RecordIndexOf(buffer);
  if (inserting) {
    status = cusInserted;
    if (GetRecNo() == 0 || GetBookmarkFlag(buffer) == bfEOF) index = FFetchedCount;
    FCurrentRecord = index;
    SetRecordIndexOf(buffer, index);
  } else if (status == cusUnmodified) {
    status = cusModified;
  } else if (status == cusUninserted) {
    status = cusInserted;
    --FDeletedCount;
  }
  if (FCachedUpdates) {
    if (inserting) FCache->InsertRecord(index);
    FScratchIndex = -1;
    WriteRecordToCache(buffer);
    FUpdatesPending = true;
  } else {
    if (inserting) FCache->InsertRecord(index);
    FScratchIndex = -1;
    try {
      PostBySQL(buffer);
    } catch (...) {
      // The cache goes back to what it was before the insert, wherever
      // the record was to go.
      if (inserting) FCache->DeleteRecord(index + 1);
      throw;
    }
    AutoCommitUpdates();
    FPendingUpdateCount = 0;
  }
  if (inserting) ++FFetchedCount;
}

void TFIBCustomDataSet::InternalDelete() {
  TScreenCursorScope cursor(FSQLScreenCursor);
  if (!CanDelete()) RaiseClientError(ceCannotDelete, ComponentPath(this));
  TRecordBuffer buffer = ActiveBuffer();
  if (FCachedUpdates) {
    auto& status = reinterpret_cast<std::uint8_t&>(buffer[5]);
    if (status == cusInserted) {
      status = cusUninserted;
      --FPendingUpdateCount;
    } else {
      status = cusDeleted;
      ++FPendingUpdateCount;
    }
    WriteRecordToCache(buffer);
  } else {
    DeleteBySQL();
    FPendingUpdateCount = 0;
  }
  ++FDeletedCount;
  FUpdatesPending = FCachedUpdates && FPendingUpdateCount > 0;
}

void TFIBCustomDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  if (!CanInsert()) RaiseClientError(ceCannotInsert, ComponentPath(this));
  if (append) {
    if (!FUniDirectional) FetchAllQuietly();
    SetRecordIndexOf(buffer, FFetchedCount);
    FCurrentRecord = FFetchedCount;
  } else {
    SetRecordIndexOf(buffer, std::max(FCurrentRecord, 0));
  }
  buffer[5] = static_cast<std::byte>(cusInserted);
  InternalPost();
}

void TFIBCustomDataSet::InternalCancel() {
  TRecordBuffer buffer = ActiveBuffer();
  if (State() == dsInsert && buffer != nullptr && GetBookmarkFlag(buffer) == bfEOF && FCurrentRecord > 0)
    --FCurrentRecord;
  CancelBlobStreams(buffer);
  DoAfterCancelArrays();
  // The values typed in count for nothing now.
  FPendingUpdateCount = FPendingAtEditStart;
}

void TFIBCustomDataSet::DoAfterCancelArrays() {
  for (TField* field : Fields())
    if (auto* array = dynamic_cast<TFIBArrayField*>(field)) array->RestoreElementBuffer();
}

void TFIBCustomDataSet::InternalRefresh() {
  if (!IsEmpty() && RefreshRecord(*FRefreshQuery, ActiveBuffer())) KeepSorting();
  if (FDetailConditions.Contains(dcForceMasterRefresh))
    if (TDataSet* master = MasterDataSet()) master->Refresh();
}

bool TFIBCustomDataSet::RefreshRecord(TFIBQuery& query, TRecordBuffer buffer) {
  if (buffer == nullptr) return false;
  if (IsBlankText(query.SQL().Text()) || !Active()) {
    if (Active() && GetRecordCount() > 0) RaiseClientError(ceCannotRefresh, ComponentPath(this));
    return false;
  }
  TScreenCursorScope cursor(FSQLScreenCursor);
  const int index = RecordIndexOf(buffer);
  if (!FCachedUpdates) SaveOldVersion(index);
  if (!query.Open()) ExecuteModifyStatement(query, buffer);
  struct TCloseAfter {
    TFIBQuery& Query;
    ~TCloseAfter() {
      try {
        if (Query.Open()) Query.CloseCursor();
      } catch (...) {
        // The row read or the error met matters more than the close.
      }
    }
  } closeAfter{query};
  const bool procedure = query.SQLType() == SQLExecProcedure;
  if (!query.Open() && !procedure) return false;
  if (procedure || query.FetchNext() != nullptr) {
    StoreStatementRow(query, index);
    ReadCachedRecord(index, buffer);
    return true;
  }
  if (FOptions.Contains(poRefreshDeletedRecord)) {
    RemoveCurrentFromCache();
    DoAfterRefresh();
  }
  return false;
}

void TFIBCustomDataSet::StoreStatementRow(TFIBQuery& query, int recordIndex) {
  TFIBXSQLDA& row = query.Fields();
  TFIBXSQLDA& columns = FSelectQuery->Fields();
  std::vector<TFetchSource> plan(FColumns.size(), TFetchSource{nullptr, nullptr});
  std::vector<int> refreshedBlobs;
  for (int i = 0; i < row.Count(); ++i) {
    const int column = columns.IndexOfName(row[i].Name());
    if (column < 0 || column >= ColumnCount()) continue;
    // The row must match the select column's layout to be converted.
    const TFIBXSQLVAR& selected = columns[column];
    if (row[i].SQLType() != selected.SQLType() || row[i].SQLScale() != selected.SQLScale()) continue;
    if (row[i].SQLType() == SQLTypeText && row[i].SQLLen() != selected.SQLLen()) continue;
    plan[static_cast<std::size_t>(column)] = {row[i].Data(), row[i].NullIndicator()};
    if (FColumns[static_cast<std::size_t>(column)].SQLType == SQLTypeBlob) refreshedBlobs.push_back(column);
  }
  const int number = CacheSlot(recordIndex) + 1;
  // A refreshed blob column starts again from the server's blob: its
  // stream is freed (a handle still held elsewhere then reads as none).
  if (!refreshedBlobs.empty()) {
    FApplyBuffer.assign(static_cast<std::size_t>(FRecordBufferSize), std::byte{0});
    TRecordBuffer record = FApplyBuffer.data();
    FCache->ReadRecord(number, reinterpret_cast<char*>(record));
    for (int column : refreshedBlobs) {
      std::byte* slot = BlobSlot(record, FColumns[static_cast<std::size_t>(column)]);
      TBlobStreamHandle handle = 0;
      std::memcpy(&handle, slot, sizeof handle);
      FBlobStreams->Free(handle);
      std::memset(slot, 0, sizeof handle);
    }
    FCache->WriteRecord(number, reinterpret_cast<const char*>(record), false);
  }
  StoreRow(recordIndex, plan, true);
  if (FScratchIndex == recordIndex) FScratchIndex = -1;
}

// ---- Event firers --------------------------------------------------------------------------

void TFIBCustomDataSet::BeforeInsertCheck() {
  MasterCheck();
  if (!CanInsert()) Abort();
}

void TFIBCustomDataSet::DoBeforeInsert() {
  BeforeInsertCheck();
  TDataSet::DoBeforeInsert();
}

void TFIBCustomDataSet::InternalInsert() { FPendingAtEditStart = FPendingUpdateCount; }

void TFIBCustomDataSet::InternalEdit() { FPendingAtEditStart = FPendingUpdateCount; }

void TFIBCustomDataSet::DoBeforeEdit() {
  MasterCheck();
  if (!CanEdit()) Abort();
  const TCachedUpdateStatus status = CachedUpdateStatus();
  if (!IsEmpty() && (status == cusUnmodified || status == cusInserted)) SaveOldVersion(RecordIndexOf(ActiveBuffer()));
  TDataSet::DoBeforeEdit();
  if (!Active()) RaiseClientError(ceDatasetClosed, "continue after BeforeEdit", ComponentPath(this));
  for (TField* field : Fields())
    if (auto* array = dynamic_cast<TFIBArrayField*>(field)) array->LoadElementBuffer();
}

void TFIBCustomDataSet::DoBeforeDelete() {
  MasterCheck();
  if (!CanDelete()) Abort();
  if (!IsEmpty()) SaveOldVersion(RecordIndexOf(ActiveBuffer()));
  TDataSet::DoBeforeDelete();
  if (!Active()) RaiseClientError(ceDatasetClosed, "continue after BeforeDelete", ComponentPath(this));
}

void TFIBCustomDataSet::DoBeforeCancel() {
  TDataSet::DoBeforeCancel();
  if (!Active()) RaiseClientError(ceDatasetClosed, "continue after BeforeCancel", ComponentPath(this));
}

void TFIBCustomDataSet::DoBeforePost() {
  if (State() == dsEdit || State() == dsInsert) TDataSet::DoBeforePost();
  if (!Active()) RaiseClientError(ceDatasetClosed, " post ", ComponentPath(this));
}

void TFIBCustomDataSet::DoAfterInsert() {
  for (TField* field : Fields())
    if (auto* array = dynamic_cast<TFIBArrayField*>(field)) array->LoadElementBuffer();
  TDataSet::DoAfterInsert();
}

void TFIBCustomDataSet::DoAfterPost() {
  KeepSorting();
  TDataSet::DoAfterPost();
}

void TFIBCustomDataSet::DoAfterDelete() {
  TDataSet::DoAfterDelete();
  if (FDetailConditions.Contains(dcForceMasterRefresh))
    if (TDataSet* master = MasterDataSet()) master->Refresh();
}
