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
// "RefreshQuery") whose use comes with the editing layer. A `TFIBBase` link
// ties it to its connection and transaction and tells it when either ends.
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
// references, without the string-stored columns (records_cache.h).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dbaccess/connection/database_options.h"
#include "dbaccess/connection/fib_base.h"
#include "framework/core/base/event.h"
#include "framework/core/base/set.h"
#include "framework/core/data/dataset.h"
#include "framework/core/system/screen_cursor.h"

class TFIBDatabase;
class TFIBTransaction;
class TFIBQuery;
class TFIBXSQLVAR;
class TRecordsCache;
class TExpressionParser;
class TConditions;
class TpFIBFieldInfo;
class TStrings;

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

// Defaults of a dataset made at run time: Options 27, PrepareOptions 76.
inline const TpFIBDsOptions DefaultDataSetOptions{poTrimCharFields, poRefreshAfterPost, poStartTransaction,
                                                  poAutoFormatFields};
inline const TpPrepareOptions DefaultPrepareOptions{pfImportDefaultValues, psUseBooleanField, psGetOrderInfo};

// How one select column is held in the record buffer and the cache.
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
  virtual void SetPrepareOptions(TpPrepareOptions options) { FPrepareOptions = options; }
  TDetailConditions DetailConditions() const { return FDetailConditions; }
  void SetDetailConditions(TDetailConditions conditions) { FDetailConditions = conditions; }
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
  // cancels the pending updates.
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
  bool UpdatesPending() const { return FPendingUpdateCount > 0; }
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

  // Added virtual operations.
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

  // ---- Editing: the modify statements, cached updates and the master link
  // come with the editing layer. Until then these stand in: posting,
  // deleting and adding through the dataset raise, cancel and refresh
  // leave the cache as it is.
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalRefresh() override;
  bool GetCanModify() const override;
  // Runs the insert or update statement; nothing here.
  virtual void PostBySQL(TRecordBuffer) {}
  // Runs the delete statement for the current record; raises here.
  virtual void DeleteBySQL();
  // Called after the fields were bound at opening.
  virtual void DoAfterBind() {}
  // Called after a cancel so that array fields write their element
  // buffers back.
  virtual void DoAfterCancelArrays() {}
  // Prepares the select statement and builds the field definitions.
  virtual void InternalPrepare();
  // Searches the cache (and the statement) for a record whose key fields
  // hold the values; options: 1 case-insensitive, 2 partial key, 4 pattern
  // match, 8 sorted search, 32 fetched records only. Returns the logical
  // index found, or -1. The cursor is left where it was.
  virtual int SearchInCache(const std::string& keyFields, const Variant& keyValues, int options);

  // ---- Overridden framework behaviour
  TFieldClass GetFieldClass(TFieldType type) const override;
  void DataEvent(TDataEvent event, const TDataEventInfo& info = {}) override;
  void SetFilterText(const std::string& text) override;
  void DoBeforeClose() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;

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
  // Stores the buffer as the cached version of the record it holds.
  void WriteRecordToCache(TRecordBuffer buffer);
  // The record the filter state reads is read afresh at its next use.
  void ForgetFilterRecord() { FScratchIndex = -1; }
  // While above zero the open and close events of the application dataset
  // stay silent (a reopen that keeps the fields).
  bool EventsSuppressed() const { return FEventSuppression > 0; }
  void BeginEventSuppression() { ++FEventSuppression; }
  void EndEventSuppression() { --FEventSuppression; }

 private:
  class TInternalScroll;

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

  // Fetching (fib_dataset_fetch.cpp)
  bool StatementExhausted() const;
  // Fetches one row into the cache as record FFetchedCount; false at the end.
  bool FetchNextRow();
  void FetchRowIntoCache(int recordIndex);
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

  // Scrolling, controls and filtering.
  int FInternalScroll = 0;
  bool FGotoBookmarkPending = false;
  bool FControlsWereDisabled = false;
  TDataSetState FStateFieldValueState = dsInactive;
  int FFilterBuildDepth = 0;
  std::unique_ptr<TExpressionParser> FFilterExpression;
  // A value-at-record read in progress: the logical index it reads.
  int FValueAtRecord = -1;
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
