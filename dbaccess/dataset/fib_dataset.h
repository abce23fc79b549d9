#pragma once
// TFIBCustomDataSet: the dataset over one SELECT statement, and TFIBDataSet,
// the same with its whole surface public.
//
// It implements the framework's record-buffer protocol (TDataSet) over a
// fetch-on-demand record cache: rows come from the select statement only
// when navigation reaches them, are converted once into the cache's fixed
// layout and copied from there into the framework's record buffers. Five
// statements belong to it, components it owns: "SelectQuery" and the four
// modify statements ("InsertQuery", "UpdateQuery", "DeleteQuery",
// "RefreshQuery"). A `TFIBBase` link ties it to its connection and
// transaction and tells it when either ends.
//
// Editing (fib_dataset_edit.cpp) writes through the modify statements, whose
// parameters take their values from the record by name: OLD_<column> the
// record before the change, NEW_<column> or <column> the record being
// posted, MAS_<field> the master's field. With CachedUpdates the changes
// stay in the cache (fib_dataset_updates.cpp) until applied. A dataset with
// a master data source follows the master's record (fib_dataset_detail.cpp).
//
// Lives as a component of its owner (a form, a connection, a transaction
// or a test). It closes itself in its destructor. The cache, the column
// descriptors and the filter expression exist while it is open.
//
// The record buffer (n columns):
//   0-3  int32 logical index of the record in the cache
//   4    bookmark flag (framework codes)
//   5    TCachedUpdateStatus
//   6..  one null flag per column (1 = null)
//   then the fixed-size column values, the string-stored columns (CHAR and
//   VARCHAR longer than 8 bytes) at their declared lengths, one blob stream
//   reference per blob column, and the framework's calculated-field area.
// The cache record is that buffer from byte 5 to the end of the blob
// references, without the string-stored columns (records_cache.h). A blob
// stream reference is a 4-byte handle into the dataset's registry of blob
// streams (blob_stream_registry.h), 0 for none.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dbaccess/blob/blob_stream_registry.h"
#include "dbaccess/connection/database_options.h"
#include "dbaccess/connection/fib_base.h"
#include "framework/core/base/event.h"
#include "framework/core/base/set.h"
#include "framework/core/data/data_source.h"
#include "framework/core/data/dataset.h"
#include "framework/core/system/screen_cursor.h"
#include "framework/core/system/timer.h"

class TFIBDatabase;
class TFIBTransaction;
class TFIBQuery;
class TFIBXSQLVAR;
class TRecordsCache;
class TExpressionParser;
class TConditions;
class TpFIBFieldInfo;
class TStrings;
class TFIBBlobStream;
class TFIBCustomDataSet;
class TFIBDSBlobStream;

// Only the dataset's blob stream makes this key: it opens the one door into
// the dataset that a stream needs, telling it of a write.
class TDSBlobStreamKey {
 private:
  friend class TFIBDSBlobStream;
  TDSBlobStreamKey() = default;
};

enum TpFIBDsOption {
  poTrimCharFields = 0,
  poRefreshAfterPost = 1,
  poRefreshDeletedRecord = 2,
  poStartTransaction = 3,
  poAutoFormatFields = 4,
  poProtectedEdit = 5,
  poKeepSorting = 6,
  poAllowChangeSqls = 7,
  poPersistentSorting = 8,
  poVisibleRecno = 9,
  poNoForceIsNull = 10
};
using TpFIBDsOptions = TSet<TpFIBDsOption>;

enum TpPrepareOption {
  pfSetRequiredFields = 0,
  pfSetReadOnlyFields = 1,
  pfImportDefaultValues = 2,
  psUseBooleanField = 3,
  psSQLINT64ToBCD = 4,
  psApplyRepositary = 5,
  psGetOrderInfo = 6,
  psAskRecordCount = 7
};
using TpPrepareOptions = TSet<TpPrepareOption>;

enum TDetailCondition { dcForceOpen = 0, dcIgnoreMasterClose = 1, dcForceMasterRefresh = 2, dcWaitEndMasterScroll = 3 };
using TDetailConditions = TSet<TDetailCondition>;

enum TCachedUpdateStatus : std::uint8_t {
  cusUnmodified = 0,
  cusModified = 1,
  cusInserted = 2,
  cusDeleted = 3,
  cusUninserted = 4,
  cusDeletedApplied = 5
};
using TFIBUpdateRecordTypes = TSet<TCachedUpdateStatus>;

using TOnFetchRecord = TEvent<void(TFIBQuery* FromQuery, int RecordNumber, bool& StopFetching)>;

// One item of a local sort's field list: a field index, a field name (a
// single character names a field of one letter), a field of the dataset
// being sorted, or a variant holding an index or a name.
class TSortFieldRef {
 public:
  TSortFieldRef(int index) : FKind(TKind::Index), FIndex(index) {}
  TSortFieldRef(char name) : FKind(TKind::Name), FName(1, name) {}
  TSortFieldRef(const char* name) : FKind(TKind::Name), FName(name != nullptr ? name : "") {}
  TSortFieldRef(std::string name) : FKind(TKind::Name), FName(std::move(name)) {}
  TSortFieldRef(TField* field) : FKind(TKind::Field), FField(field) {}
  // Any other kind of value is no field.
  TSortFieldRef(const Variant& value);

  // The field of the dataset the item names, or nullptr.
  TField* Resolve(const TDataSet& dataSet) const;

 private:
  enum class TKind : std::uint8_t { Index, Name, Field, Invalid };
  TKind FKind;
  int FIndex = -1;
  std::string FName;
  TField* FField = nullptr;
};

// What the dataset remembers of the n-th field of its sort.
struct TSortFieldInfo {
  std::string FieldName;
  int FieldIndex = -1;
  int Position = -1;
  bool Ascending = true;
};

// Defaults of a dataset made at run time: Options 27, PrepareOptions 76.
inline const TpFIBDsOptions DefaultDataSetOptions{poTrimCharFields, poRefreshAfterPost, poStartTransaction,
                                                  poAutoFormatFields};
inline const TpPrepareOptions DefaultPrepareOptions{pfImportDefaultValues, psUseBooleanField, psGetOrderInfo};

// How one select column is held in the record buffer and the cache.
// The link of a detail dataset to its master's data source: the detail is
// reopened when the master's record brings other parameter values, and
// closed with the master unless told otherwise (DetailConditions).
class TFIBDataLink : public TDetailDataLink {
 public:
  explicit TFIBDataLink(TFIBCustomDataSet* dataSet) : FDataSet(dataSet) {}
  ~TFIBDataLink() override;
  TFIBDataLink(const TFIBDataLink&) = delete;
  TFIBDataLink& operator=(const TFIBDataLink&) = delete;
  TDataSet* DetailDataSet() const override;
  TFIBCustomDataSet* OwnerDataSet() const { return FDataSet; }

 protected:
  void ActiveChanged() override;
  void RecordChanged(TField* field) override;
  void CheckBrowseMode() override {}

 private:
  friend class TFIBCustomDataSet;
  TFIBCustomDataSet* FDataSet;
};

struct TFIBColumnDescriptor {
  enum class TConversion : std::uint8_t {
    Raw,           // the column's bytes at the storage size
    Varying,       // 2-byte length, then characters
    Text,          // fixed-length characters
    ShortToInt,    // int16 sign-extended to int32
    ShortScaled,   // int16 × 10^scale as a double
    LongScaled,    // int32 × 10^scale as a double
    FloatToDouble, // single precision widened
    Int64Scaled,   // int64 × 10^scale as a double (NUMERIC(18,x), x > 4)
    TimeStamp,     // milliseconds since 0001-01-01 as a double
    Time,          // milliseconds since midnight as an int32
    Date,          // days since 0001-01-01 plus one as an int32
    Boolean1,      // 1-byte Boolean to int16
  };
  // The SQL type without its null bit (480 for scaled SMALLINT and INTEGER).
  int SQLType = 0;
  int Scale = 0;
  bool Nullable = false;
  // Bytes the value takes in the record buffer.
  int StorageSize = 0;
  // The declared length of the select column.
  int DeclaredLength = 0;
  // Where the value starts in the record buffer.
  int Offset = 0;
  bool IsDbKey = false;
  bool StringStored = false;
  int StringIndex = -1;
  TConversion Conversion = TConversion::Raw;
};

class TFIBCustomDataSet : public TDataSet, private TDataSetSQLTexts {
 public:
  // An owner that is a connection becomes Database; a transaction, Transaction.
  explicit TFIBCustomDataSet(TComponent* owner);
  ~TFIBCustomDataSet() override;

  // ---- Links and statements
  TFIBDatabase* Database() const { return FBase.Database(); }
  void SetDatabase(TFIBDatabase* database);
  TFIBTransaction* Transaction() const { return FBase.Transaction(); }
  void SetTransaction(TFIBTransaction* transaction);
  // The transaction of the insert, update and delete statements.
  TFIBTransaction* UpdateTransaction() const;
  virtual void SetUpdateTransaction(TFIBTransaction* transaction);
  // Stored only when it differs from the select statement's transaction.
  bool IsUpdateTransactionStored() const { return UpdateTransaction() != Transaction(); }
  TFIBBase& Base() { return FBase; }
  TFIBQuery& SelectQuery() const { return *FSelectQuery; }
  TFIBQuery& InsertQuery() const { return *FInsertQuery; }
  TFIBQuery& UpdateQuery() const { return *FUpdateQuery; }
  TFIBQuery& DeleteQuery() const { return *FDeleteQuery; }
  TFIBQuery& RefreshQuery() const { return *FRefreshQuery; }

  TStrings& SelectSQL() const override;
  void SetSelectSQL(const TStrings& lines) override;
  TStrings& InsertSQL() const override;
  void SetInsertSQL(const TStrings& lines) override;
  TStrings& UpdateSQL() const override;
  void SetUpdateSQL(const TStrings& lines) override;
  TStrings& DeleteSQL() const override;
  void SetDeleteSQL(const TStrings& lines) override;
  TStrings& RefreshSQL() const override;
  void SetRefreshSQL(const TStrings& lines) override;
  TSQLs& SQLs() { return FSQLs; }
  TConditions& Conditions() const;

  // ---- Options
  TpFIBDsOptions Options() const { return FOptions; }
  // Also sets the statements' start-transaction and no-force-is-null
  // options; always clears poAllowChangeSqls.
  void SetOptions(TpFIBDsOptions options);
  TpPrepareOptions PrepareOptions() const { return FPrepareOptions; }
  // A change of psUseBooleanField or psSQLINT64ToBCD changes the fields:
  // it needs a closed dataset (client error 28), and a prepared one builds
  // its field definitions again.
  virtual void SetPrepareOptions(TpPrepareOptions options);
  // dcWaitEndMasterScroll is the master-refresh timer: setting it makes
  // the timer (end-scroll delay), clearing it frees the timer.
  TDetailConditions DetailConditions() const;
  void SetDetailConditions(TDetailConditions conditions);
  // The stored forms of the prepare options and detail conditions: one
  // Boolean per name. Reading a name sets or clears its bit ("poForceIsNull"
  // and "ObjectView" are accepted and ignored); false for a name not known.
  bool ReadStoredBoolean(std::string_view name, bool value);
  // The names and values to store: only those that differ from their default.
  std::vector<std::pair<std::string, bool>> StoredBooleans() const;

  int BufferChunks() const { return FBufferChunks; }
  void SetBufferChunks(int value);
  bool CachedUpdates() const { return FCachedUpdates; }
  // Switching on while open raises client error 28; switching off first
  // cancels the pending updates. The select statement keeps its cursor
  // across the end of its transaction only with cached updates.
  void SetCachedUpdates(bool value);
  bool UniDirectional() const { return FUniDirectional; }
  void SetUniDirectional(bool value);
  TFIBUpdateRecordTypes UpdateRecordTypes() const { return FUpdateRecordTypes; }
  void SetUpdateRecordTypes(TFIBUpdateRecordTypes types);
  bool AutoCommit() const { return FAutoCommit; }
  void SetAutoCommit(bool value) { FAutoCommit = value; }
  TCursor SQLScreenCursor() const { return FSQLScreenCursor; }
  void SetSQLScreenCursor(TCursor cursor) { FSQLScreenCursor = cursor; }

  // ---- Run-time state
  // The logical index of the cursor in the cache; -1 before the first.
  int CurrentRecordIndex() const { return FCurrentRecord; }
  int FetchedCount() const { return FFetchedCount; }
  int DeletedCount() const { return FDeletedCount; }
  bool Prepared() const { return FPrepared; }
  int ColumnCount() const { return static_cast<int>(FColumns.size()); }
  int StringColumnCount() const { return FStringColumnCount; }
  const std::vector<TFIBColumnDescriptor>& ColumnDescriptors() const { return FColumns; }
  // The descriptor of a data field's column, or nullptr.
  const TFIBColumnDescriptor* ColumnOf(const TField* field) const;
  // The select column of a data field (by name), or nullptr.
  TFIBXSQLVAR* SelectColumnOf(const TField* field) const;
  // Cached changes wait to be applied.
  bool UpdatesPending() const { return FUpdatesPending; }
  int PendingUpdateCount() const { return FPendingUpdateCount; }
  // The cache while open (nullptr when closed), for tests and measurements.
  const TRecordsCache* Cache() const { return FCache.get(); }
  // The whole record buffer's size; 0 while closed.
  int RecordBufferSize() const { return FRecordBufferSize; }

  // ---- Operations used by the other parts of the layer
  // Fetches up to count more rows; stops quietly at the end or at any
  // error. Returns how many it fetched.
  int FetchMore(int count);
  // Fetches every row left.
  void FetchAll();
  // The field's value in record recordNo (1-based); fetches as needed.
  // Raises Exception "Can't read record <n>.<path>" when there is none.
  Variant RecordFieldValue(TField* field, int recordNo);
  std::string OriginTableOf(const TField* field) const;
  std::string OriginColumnOf(const TField* field) const;
  std::string OriginOf(TField* field);
  TField* FieldByOrigin(std::string_view origin);
  // The field's native data as the dataset reads it in the given state.
  bool GetStateFieldData(TDataSetState state, TField* field, void* buffer);
  // Client error 28 (29) with the operation and the path when open (closed).
  void CheckClosed(std::string_view operation) const;
  void CheckOpen(std::string_view operation) const;

  // ---- Editing
  // The state (the remembered one in the new- and old-value states) must be
  // edit with CanEdit (else client error 46) or insert with CanInsert (44);
  // any other raises 42.
  void CheckEditState() const;
  // Commits the update transaction when AutoCommit is set: retaining when it
  // is the dataset's own transaction or does not end by committing.
  void AutoCommitUpdates();
  // Whether a blob field holds changes not yet posted (false for any other
  // field).
  bool BlobFieldModified(TField* field) const;
  // The cached-update status of the current record (cusUnmodified without
  // one).
  TCachedUpdateStatus CachedUpdateStatus() const;

  // ---- Cached updates
  // Runs the modify statement of every changed record in the cache, in the
  // order they entered it, through OnUpdateRecord and OnUpdateError; the
  // statuses stay until CommitUpdates.
  virtual void ApplyUpdates();
  // Marks the applied changes as the records' state (modified and inserted
  // become unmodified, deleted becomes deleted-applied) and clears the log.
  virtual void CommitUpdates();
  // Takes back the cached change of the current record.
  void RevertRecord();
  // Takes back the cached change of the record at a logical index; with
  // alsoUninserted an un-inserted record comes back as inserted.
  void RevertRecord(int recordIndex, bool alsoUninserted);

  // ---- Master-detail
  // The master's data source; one that leads back to this dataset raises
  // client error 50.
  TDataSource* DataSource() const { return GetDataSource(); }
  void SetDataSource(TDataSource* source);
  TFIBDataLink* DataLink() const { return FDataLink.get(); }
  // The master's dataset, or nullptr.
  TDataSet* MasterDataSet() const;
  // Milliseconds the detail waits after the master stopped moving, and
  // after the last scroll before OnEndScroll (300).
  int EndScrollDelay() const { return FEndScrollDelay; }
  // The timers of a waiting detail and of OnEndScroll; nullptr when not
  // needed. Firing one (Timer()) does what its tick does.
  TTimer* MasterRefreshTimer() const { return FMasterRefreshTimer.get(); }
  TTimer* EndScrollTimer() const { return FEndScrollTimer.get(); }
  // Whether the select statement's parameters differ from the master's
  // fields (or its text changed since it was prepared).
  bool MasterParamsChanged();
  // The select statement's parameters from the master's fields.
  void SetMasterParams();
  // The master moved or changed: the detail follows now, or when the
  // master has stood still for the delay.
  void MasterChanged();
  // Reopens the detail for the master's current record.
  void RefreshDetail();
  // Inside a refresh that the master-refresh timer started.
  bool InTimerRefresh() const { return FInTimerRefresh; }

  // Added virtual operations. CancelUpdates cancels an edit in progress and,
  // with cached updates, reverts every changed record and clears the log.
  virtual bool CanEdit() const;
  virtual bool CanInsert() const;
  virtual bool CanDelete() const;
  virtual bool RecordIsVisible(TRecordBuffer buffer) const;
  virtual void CancelUpdates();

  // ---- Framework operations
  void CheckInactive() override;
  int GetRecordCount() const override;
  int GetRecNo() const override;
  void SetRecNo(int value) override;
  bool IsSequenced() const override;
  bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;
  Variant Lookup(const std::string& keyFields, const Variant& keyValues,
                 const std::string& resultFields) override;
  bool BookmarkValid(const TBookmark& bookmark) const override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
  TUpdateStatus UpdateStatus() const override;
  bool GetCurrentRecord(TRecordBuffer buffer) override;
  int Translate(const char* source, char* dest, bool toOem) override;
  void Resync(TResyncMode mode) override;
  void SetFilterOptions(TFilterOptions options) override;
  void SetStateFieldValue(TDataSetState state, TField* field, const Variant& value) override;
  TDataSource* GetDataSource() const override;

  // ---- Local sorting (fib_dataset_sort.cpp)
  // Sorts the fetched records in memory by the fields, each ascending unless
  // its flag (by position; missing flags mean ascending) says otherwise;
  // nulls first when ascending. Every record takes part, whatever its
  // status; the current record stays current. The sort is remembered:
  // posts keep it with poKeepSorting, a reopen restores it with
  // poPersistentSorting. Raises Exception "Can't sort. Invalid parameter:
  // Fields[i]" for an item naming no field of this dataset, client error 29
  // when closed.
  virtual void Sort(const std::vector<TSortFieldRef>& fields, const std::vector<bool>& ascending = {});
  // Moves record fromRecNo to position toRecNo (1-based; a target beyond the
  // records fetches them all and is cut to the last).
  virtual void MoveRecord(int fromRecNo, int toRecNo);
  // A sort is remembered (a local one, or the select's ORDER BY).
  bool IsSorted() const { return !FSortInfo.empty(); }
  // The records were put in order here, not by the server.
  bool SortedLocally() const { return FSortedLocally; }
  int SortFieldCount() const { return static_cast<int>(FSortInfo.size()); }
  // For 1 <= n <= SortFieldCount the n-th field's name, index, n and
  // direction; otherwise "Unknown", -1, -1 and ascending.
  TSortFieldInfo SortFieldInfo(int n) const;
  // The names of the sort fields joined with ";".
  std::string SortFieldList() const;
  // After a post or a refresh of a sorted dataset: with poKeepSorting the
  // current record moves to its place in the sort, without it the sort is
  // forgotten.
  void KeepSorting();
  // Takes the select's ORDER BY as the remembered sort (a server order, not
  // a local one), unless a persistent local sort is remembered.
  void ReadOrderInfo();
  void ClearSortInfo();

  // ---- Blob streams (fib_dataset_blob.cpp)
  // A stream over the blob field of the record the state reads (the active
  // record, the record under a filter, the old version, ...). Writing needs
  // the edit or insert state; a null blob opened for reading reads nothing.
  // The stream reads as empty once its record's blob stream was freed
  // (refresh, cancel, close), and after the dataset is gone.
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  // The blob streams the dataset holds.
  int BlobStreamCount() const { return FBlobStreams->Count(); }
  // A stream is about to write to its field: the dataset is modified.
  void BlobFieldModified(TField* field, TDSBlobStreamKey);
  // A stream wrote to its field: the field's controls hear of it (a
  // field-change data event).
  void BlobFieldChanged(TField* field, TDSBlobStreamKey);

  // ---- Events
  TOnFetchRecord BeforeFetchRecord;
  TOnFetchRecord AfterFetchRecord;
  TDataSetErrorEvent OnGetRecordError;
  TFieldNotifyEvent OnFieldChange;
  TDataSetNotifyEvent OnEnableControls;
  TDataSetNotifyEvent OnDisableControls;
  TDataSetNotifyEvent OnEndScroll;
  TNotifyEvent DatabaseDisconnecting;
  TNotifyEvent DatabaseDisconnected;
  TNotifyEvent DatabaseFree;
  TNotifyEvent TransactionEnding;
  TNotifyEvent TransactionEnded;
  TNotifyEvent TransactionFree;
  // Applying cached updates: asked for each changed record (the action
  // starts at uaFail; uaApply or uaRetry runs the statement), and told of
  // each statement that fails.
  TUpdateRecordEvent OnUpdateRecord;
  TUpdateErrorEvent OnUpdateError;

 protected:
  // ---- The record buffer
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  int GetRecordSize() const override { return FRecordBufferSize; }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  void GetBookmarkData(TRecordBuffer buffer, std::byte* data) const override;
  void SetBookmarkData(TRecordBuffer buffer, const std::byte* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
  bool GetFieldData(TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;

  // ---- Cursor
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return FCursorOpen; }
  void InternalInitFieldDefs() override;
  void InternalHandleException() override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalGotoBookmark(const TBookmark& bookmark) override;
  void InternalInitRecord(TRecordBuffer buffer) override;

  // ---- Editing
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalRefresh() override;
  bool GetCanModify() const override;
  // Writes a record to the server: the insert statement for an inserted
  // record, else the update statement (PostStatement), with the parameters
  // from the record; then the record is unmodified in the cache and, with
  // poRefreshAfterPost and a refresh text, read back. Called by the post
  // without cached updates and by ApplyUpdates.
  virtual void PostBySQL(TRecordBuffer buffer);
  // Runs the delete statement for the current record (DeleteRecordBySQL).
  virtual void DeleteBySQL();
  // Runs the delete statement for a record: the record becomes
  // deleted-applied in the cache; without cached updates, auto-commit.
  virtual void DeleteRecordBySQL(TRecordBuffer buffer);
  // The statement that posts the record: insert for an inserted one.
  TFIBQuery& PostStatement(TRecordBuffer buffer) const;
  // Starts the update transaction when it is not active and
  // poStartTransaction is set.
  void StartUpdateTransaction();
  // Sets every parameter of a statement from a record (see the file
  // comment); a null record raises client error 49.
  void SetModifyParams(TFIBQuery& query, TRecordBuffer buffer);
  // Sets the parameters and executes the statement (closing it first).
  void ExecuteModifyStatement(TFIBQuery& query, TRecordBuffer buffer);
  // Reads the record again through the statement; false when no row came
  // back (with poRefreshDeletedRecord the record then leaves the view).
  bool RefreshRecord(TFIBQuery& query, TRecordBuffer buffer);
  // Writes a record buffer into its cache slot.
  void WriteRecordToCache(TRecordBuffer buffer);
  // Reads every row still to come before an insert reaches the server, so
  // that the cursor cannot bring the new row a second time.
  void FetchRestBeforeServerInsert();
  // The current record becomes deleted-applied and leaves the view.
  void RemoveCurrentFromCache();
  // Before insert, edit and delete: the masters first, then this detail
  // follows its master now if it has not yet.
  void MasterCheck();
  // Master check and can-insert (silent abort when false): the check that
  // opens BeforeInsert.
  void BeforeInsertCheck();
  // Applying one record: the handlers' decisions, and the statement run.
  virtual void DoUpdateRecord(TUpdateKind kind, TUpdateAction& action);
  virtual void DoUpdateError(EDatabaseError& error, TUpdateKind kind, TUpdateAction& action);
  virtual void ApplyRecordUpdate(TRecordBuffer buffer, TUpdateKind kind);
  // Called after the fields were bound at opening.
  virtual void DoAfterBind() {}
  // Called after a cancel so that array fields write their element
  // buffers back.
  virtual void DoAfterCancelArrays();
  // Prepares the select statement and builds the field definitions.
  virtual void InternalPrepare();
  // Searches the cache (and the statement) for a record whose key fields
  // hold the values; options: 1 case-insensitive, 2 partial key, 4 pattern
  // match, 8 sorted search, 32 fetched records only. Returns the logical
  // index found, or -1. The cursor is left where it was.
  virtual int SearchInCache(const std::string& keyFields, const Variant& keyValues, int options);

  // ---- Local sorting
  // The sort itself (Sort adds the show-all flag around it).
  void LocalSort(const std::vector<TSortFieldRef>& fields, const std::vector<bool>& ascending);
  // Restores a persistent sort, then the framework's AfterOpen.
  void DoAfterOpen() override;

  // ---- Blob streams of record buffers, for posting, cancelling and
  // refreshing
  // The stream a buffer's reference names for a blob field, or nullptr.
  TFIBBlobStream* BlobStreamOf(TRecordBuffer buffer, const TField* field) const;
  // Writes every changed stream of the buffer back as a new blob and puts
  // its id and null flag (null when empty) into the buffer.
  void FinalizeBlobStreams(TRecordBuffer buffer);
  // Drops what an edit wrote: a stream the cached record shares gets its
  // loaded content back, one made or changed for the edit is freed.
  void CancelBlobStreams(TRecordBuffer buffer) noexcept;
  // Frees the streams of a buffer's record (all, or the one of the blob
  // column with that 0-based column index) and clears their references in
  // the buffer and in the cached record.
  void FreeBlobStreams(TRecordBuffer buffer, int column = -1) noexcept;

  // ---- Overridden framework behaviour
  TFieldClass GetFieldClass(TFieldType type) const override;
  void DataEvent(TDataEvent event, const TDataEventInfo& info = {}) override;
  void SetFilterText(const std::string& text) override;
  void DoBeforeClose() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;
  void DoBeforeInsert() override;
  void DoBeforeEdit() override;
  void DoBeforeDelete() override;
  void DoBeforeCancel() override;
  void DoBeforePost() override;
  void DoAfterInsert() override;
  // A posted record moves to its sorted place first (poKeepSorting).
  void DoAfterPost() override;
  void DoAfterDelete() override;
  void InternalEdit() override;
  void InternalInsert() override;

  // Whether the scroll events are held back (an internal scroll).
  bool InternalScrolling() const { return FInternalScroll > 0; }

  // ---- What the application dataset builds on
  // Called by opening once the fields are bound, before the select
  // statement runs (the application dataset asks the server for a count).
  virtual void DoAskRecordCount() {}
  // Whether navigation shows the record in buffer (the cursor on it): here
  // when its status is visible; the application dataset adds its filter.
  virtual bool RecordPassesFilter(TRecordBuffer buffer) { return RecordIsVisible(buffer); }
  // The compiled Filter while open (nullptr without one).
  TExpressionParser* FilterExpression() const { return FFilterExpression.get(); }
  // The oldest logical index still held (0 but for the unidirectional ring).
  int FirstRecordIndex() const { return FirstHeldRecord(); }
  // Moves the cursor without telling anyone; the caller puts it back.
  void SetCurrentRecordIndex(int index) { FCurrentRecord = index; }
  // The cached version, and the old version, of the record at a logical index.
  void ReadRecordAt(int recordIndex, TRecordBuffer buffer) const { ReadCachedRecord(recordIndex, buffer); }
  void ReadOldRecordAt(int recordIndex, TRecordBuffer buffer) const;
  // The record the filter state reads is read afresh at its next use.
  void ForgetFilterRecord() { FScratchIndex = -1; }
  // While above zero the open and close events of the application dataset
  // stay silent (a reopen that keeps the fields).
  bool EventsSuppressed() const { return FEventSuppression > 0; }
  void BeginEventSuppression() { ++FEventSuppression; }
  void EndEventSuppression() { --FEventSuppression; }

 private:
  class TInternalScroll;
  class TShownRecord;

  // Opening (fib_dataset_open.cpp)
  void SQLChangedHandling();
  void OnSelectSQLChanging(TObject* sender);
  void BuildColumnLayout();
  void CreateCache();
  void FreeCache() noexcept;
  void ResetLayout() noexcept;
  void OnLinkDatabaseDisconnecting(TObject* sender);
  void OnLinkDatabaseDisconnected(TObject* sender);
  void OnLinkDatabaseFreeing(TObject* sender);
  void OnLinkTransactionEnding(TObject* sender);
  void OnLinkTransactionEnded(TObject* sender);
  void OnLinkTransactionFreeing(TObject* sender);
  void OnSelectFetch(int rowsFetched, bool& stop);
  // What the metadata repository knows of a select column (nil for an
  // expression or without a database), and the two answers the dataset asks.
  const TpFIBFieldInfo* ColumnFieldInfo(const TFIBXSQLVAR& column) const;
  std::string ColumnDomainName(const TFIBXSQLVAR& column) const;
  bool ColumnDefaultsToEmptyString(const TFIBColumnDescriptor& column, const TField* field) const;

  // Editing (fib_dataset_edit.cpp)
  // Saves a record's version before it changes; under cached updates only
  // the first change since the log was cleared is logged.
  void SaveOldVersion(int recordIndex);
  void SetParamFromColumn(TFIBQuery& query, TFIBXSQLVAR& param, int column, TRecordBuffer record);
  // The blob stream a record buffer holds for a blob column (nullptr).
  TFIBBlobStream* BlobStreamOf(TRecordBuffer buffer, int column) const;
  // Stores a row of a statement other than the select (matched by column
  // name) into the cache record at an index.
  void StoreStatementRow(TFIBQuery& query, int recordIndex);
  TRecordBuffer OldVersionBuffer(int recordIndex);

  // Master-detail (fib_dataset_detail.cpp)
  void MasterRefreshTimerTick(TObject* sender);
  void EndScrollTimerTick(TObject* sender);
  void RestartEndScrollTimer();

  // Fetching (fib_dataset_fetch.cpp)
  bool StatementExhausted() const;
  // Fetches one row into the cache as record FFetchedCount; false at the end.
  bool FetchNextRow();
  void FetchRowIntoCache(int recordIndex);
  struct TFetchSource;
  // Converts a row into the cache record at an index; a source without
  // data leaves its column as it is (a refresh statement's missing column).
  void StoreRow(int recordIndex, const std::vector<TFetchSource>& plan, bool refresh);
  void PrepareFetchPlan();
  TGetResult GetRecordUnchecked(TRecordBuffer buffer, TGetMode mode);
  TGetResult StepToVisible(TRecordBuffer buffer, TGetMode mode);
  // The cache slot (0-based) of a logical index; the unidirectional ring
  // maps indexes modulo BufferChunks.
  int CacheSlot(int recordIndex) const {
    return FUniDirectional ? recordIndex % FBufferChunks : recordIndex;
  }
  // The first logical index still held (the ring drops older ones).
  int FirstHeldRecord() const {
    return FUniDirectional && FFetchedCount > FBufferChunks ? FFetchedCount - FBufferChunks : 0;
  }
  bool IsHeld(int recordIndex) const {
    return recordIndex >= FirstHeldRecord() && recordIndex < FFetchedCount;
  }
  void ReadCachedRecord(int recordIndex, TRecordBuffer buffer) const;
  // Fetches until record index is fetched (or the rows end), quietly
  // (under the screen cursor when many are left).
  void FetchUpTo(int recordIndex);
  void FetchAllQuietly();

  // Navigation (fib_dataset_navigation.cpp)
  int BookmarkNumber(const TBookmark& bookmark) const;
  int LogicalIndexOfBookmark(int number) const;
  int BookmarkNumberOf(int recordIndex) const;
  bool RecordMatches(const std::vector<TField*>& fields, const Variant& keyValues, int options,
                     const Variant& upperKey);

  // Fields (fib_dataset_fields.cpp)
  TRecordBuffer ReadBufferFor(bool& visibleCheck);
  bool ReadColumn(TField* field, const TFIBColumnDescriptor& column, TRecordBuffer record, void* buffer);
  void BuildFilterExpression(const std::string& text, TFilterOptions options);
  void UpdateFilter(const std::string& text, TFilterOptions options, bool textChanged);

  static int RecordIndexOf(TRecordBuffer buffer);
  static void SetRecordIndexOf(TRecordBuffer buffer, int index);

  // Local sorting (fib_dataset_sort.cpp)
  struct TSortSpec {
    std::string FieldName;
    bool Ascending = true;
  };
  // Orders the records 0 .. FetchedCount - 1 by the fields; current is the
  // logical index to follow and comes back as its new index.
  void SortRecords(const std::vector<TField*>& fields, const std::vector<bool>& ascending, int& current);
  // The sorted search (option 8): the first visible record at or after the
  // place of the keys in the sort, or -1; insertAt gets that place (0-based
  // among the records other than the one being placed).
  int SortedSearchInCache(const std::vector<TField*>& fields, const Variant& keyValues, int options,
                          int* insertAt);
  // Where a record lies against the keys in the sort: negative before,
  // positive after, 0 when every key field matches.
  int CompareWithKeys(const std::vector<TField*>& fields, const Variant& keyValues, int options);
  // Whether the remembered local sort is by exactly these fields.
  bool SortedByFields(const std::vector<TField*>& fields) const;

  // Blob streams (fib_dataset_blob.cpp)
  // The reference slot of blob column `column` in a record buffer, and the
  // same slot in the cached record behind a buffer (nullptr when the buffer
  // shows no cached record).
  std::byte* BlobSlot(TRecordBuffer buffer, const TFIBColumnDescriptor& column) const;
  char* CachedBlobSlot(TRecordBuffer buffer, const TFIBColumnDescriptor& column) const;
  // A blob stream may be opened for writing only in the edit or insert
  // state (the remembered one for new and old values) that allows it.
  void CheckBlobWriteState() const;

  TFIBBase FBase;
  // The five statements: components owned by the dataset.
  TFIBQuery* FSelectQuery = nullptr;
  TFIBQuery* FInsertQuery = nullptr;
  TFIBQuery* FUpdateQuery = nullptr;
  TFIBQuery* FDeleteQuery = nullptr;
  TFIBQuery* FRefreshQuery = nullptr;
  TSQLs FSQLs{*this};

  TpFIBDsOptions FOptions = DefaultDataSetOptions;
  TpPrepareOptions FPrepareOptions = DefaultPrepareOptions;
  TDetailConditions FDetailConditions;
  int FBufferChunks = 32;
  bool FCachedUpdates = false;
  bool FUniDirectional = false;
  TFIBUpdateRecordTypes FUpdateRecordTypes{cusUnmodified, cusModified, cusInserted};
  bool FAutoCommit = false;
  TCursor FSQLScreenCursor = crDefault;
  int FEndScrollDelay = 300;

  // Run-time state.
  int FCurrentRecord = -1;
  int FFetchedCount = 0;
  int FDeletedCount = 0;
  int FPendingUpdateCount = 0;
  bool FUpdatesPending = false;
  // The pending count when the current edit or insert began: a cancel
  // takes the edit's count back.
  int FPendingAtEditStart = 0;
  bool FCursorOpen = false;
  bool FPrepared = false;
  bool FSelectSQLChanged = false;
  bool FShowAllRecords = false;
  std::vector<TFIBColumnDescriptor> FColumns;
  // The select column (0-based) of each field definition, by field number - 1.
  std::vector<int> FColumnOfFieldNo;
  int FStringColumnCount = 0;
  int FBlobColumnCount = 0;
  int FFixedEnd = 0;       // end of the fixed-size values in the buffer
  int FBlobRefOffset = 0;  // first blob stream reference
  int FRecordBufferSize = 0;
  std::unique_ptr<TRecordsCache> FCache;
  // Where each column's value and null indicator are when a row arrives.
  struct TFetchSource {
    const char* Data;
    const short* Indicator;
  };
  std::vector<TFetchSource> FFetchPlan;
  // Views of one row's long texts while it is stored (no allocation per row).
  std::vector<std::string_view> FRowTexts;
  // Record buffers handed to the framework.
  std::vector<std::unique_ptr<std::byte[]>> FBufferPool;
  // A scratch buffer for reads outside the window (filter state, searches,
  // old values, value at record); FScratchIndex names the record it holds.
  std::unique_ptr<std::byte[]> FScratch;
  int FScratchIndex = -1;
  // The scratch record's calculated fields were computed for it.
  bool FScratchCalculated = false;

  // Scrolling, controls and filtering.
  int FInternalScroll = 0;
  bool FGotoBookmarkPending = false;
  bool FControlsWereDisabled = false;
  TDataSetState FStateFieldValueState = dsInactive;
  int FFilterBuildDepth = 0;
  std::unique_ptr<TExpressionParser> FFilterExpression;
  // A value-at-record read in progress: the logical index it reads.
  int FValueAtRecord = -1;

  // Editing: a record read for applying, and an old version for OLD_
  // parameters.
  std::vector<std::byte> FApplyBuffer;
  std::vector<std::byte> FOldBuffer;

  // Master-detail.
  std::unique_ptr<TFIBDataLink> FDataLink;
  std::unique_ptr<TTimer> FMasterRefreshTimer;
  std::unique_ptr<TTimer> FEndScrollTimer;
  bool FInTimerRefresh = false;
  // The remembered sort: one entry per sort field, empty when none; the
  // sorted flag says the records were put in that order here.
  std::vector<TSortSpec> FSortInfo;
  bool FSortedLocally = false;
  // The record keep-sorting is placing: the sorted search passes over it.
  int FPlacingRecord = -1;
  // The blob streams of the records; shared with the streams handed out, so
  // that they can tell when the dataset is gone.
  std::shared_ptr<TBlobStreamRegistry> FBlobStreams = std::make_shared<TBlobStreamRegistry>();
  int FEventSuppression = 0;
};

// An internal scroll for the life of the scope: BeforeScroll and
// AfterScroll are held back meanwhile.
class TFIBCustomDataSet::TInternalScroll {
 public:
  explicit TInternalScroll(TFIBCustomDataSet& dataSet) : FDataSet(dataSet) { ++FDataSet.FInternalScroll; }
  ~TInternalScroll() { --FDataSet.FInternalScroll; }
  TInternalScroll(const TInternalScroll&) = delete;
  TInternalScroll& operator=(const TInternalScroll&) = delete;

 private:
  TFIBCustomDataSet& FDataSet;
};

// The dataset with every property public; the application's dataset
// derives from it.
class TFIBDataSet : public TFIBCustomDataSet {
 public:
  explicit TFIBDataSet(TComponent* owner) : TFIBCustomDataSet(owner) {}
};
