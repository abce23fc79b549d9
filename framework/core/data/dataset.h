#pragma once
// The dataset: a cursor over records, seen through a window of record
// buffers, with fields, an edit state machine and notifications to the
// data sources and data links attached to it.
//
// The window. The dataset owns BufferCount() record buffers (plus one spare
// used while fetching). BufferCount is the largest buffer count any attached
// data link asks for, at least 1. BufferedRecordCount() of them hold
// consecutive records; ActiveRecord() is the slot of the current record.
// Moving inside the window only changes the slot; at its edges the dataset
// fetches the next or prior record (GetRecord) and shifts the window, and
// the links are told how far (deDataSetScroll with the shift), from which
// each link works out how far its own window scrolled. Resync rebuilds the
// window around the cursor's record.
//
// Descendants. A concrete dataset implements the cursor and the record
// buffer layout through the protected virtual operations (GetRecord,
// InternalFirst, InternalLast, InternalSetToRecord, the bookmark data and
// flag, Get/SetFieldData, InternalOpen/Close/Post/Delete/AddRecord, ...).
// The buffer layout is the descendant's, with one rule: a buffer is
// GetRecordSize() bytes and ends with the calculated-field area of
// CalcFieldsSize() bytes (per calculated or lookup field one has-value byte
// and the value, at the field's Offset). The dataset clears that area before
// every calculation, so no record shows another record's calculated values.
//
// Lifetime. A descendant must close itself in its own destructor
// (CloseOnDestroy), because closing calls its virtual operations. The
// destructor here detaches the data sources (their links become inactive)
// and the fields (persistent fields survive, unbound), and frees the
// default fields and the record buffers.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/component/component.h"
#include "framework/core/data/dataset_types.h"
#include "framework/core/data/field_defs.h"
#include "framework/core/data/fields.h"
#include "framework/core/data/provider.h"
#include "framework/core/storage/streams.h"
#include "framework/core/base/variant.h"

class TDataSource;
class TDataLink;

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;

  // --- Opening and state
  bool Active() const { return FState != dsInactive && FState != dsOpening; }
  void SetActive(bool active);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return FState; }
  // At the first / last record (the names avoid the C library's EOF macro).
  bool Bof() const { return FBOF; }
  bool Eof() const { return FEOF; }
  bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
  bool Modified() const { return FModified; }
  bool CanModify() const { return GetCanModify(); }
  // Raises EDatabaseError "Cannot perform this operation on a closed dataset".
  void CheckActive() const;
  // Raises EDatabaseError "Cannot perform this operation on an open dataset".
  virtual void CheckInactive();

  // --- Navigation
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves up to distance records; returns how far it moved.
  int MoveBy(int distance);
  int RecordCount() const { return GetRecordCount(); }
  int RecNo() const { return GetRecNo(); }
  virtual void SetRecNo(int value);
  // True when RecNo and RecordCount describe the records exactly.
  virtual bool IsSequenced() const { return true; }
  virtual bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
  virtual Variant Lookup(const std::string& keyFields, const Variant& keyValues,
                         const std::string& resultFields);

  // --- Bookmarks (binary-safe strings; empty = none)
  TBookmark Bookmark() const { return GetBookmark(); }
  void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
  TBookmark GetBookmark() const;
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) const { bookmark.clear(); }
  bool BookmarkAvailable() const;
  virtual bool BookmarkValid(const TBookmark& bookmark) const;
  // Negative, zero or positive; the default compares nothing (0).
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

  // --- Controls
  void DisableControls();
  // The last EnableControls tells the controls what happened meanwhile:
  // the state when it changed, then one dataset change (or layout change).
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount != 0; }

  // --- Editing
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void Refresh();
  // Posts or cancels a pending edit (after asking the controls for their
  // data) so that the dataset is in browse state.
  void CheckBrowseMode();
  // Asks the controls to write their pending values into the fields.
  void UpdateRecord();
  // A whole record at once: values in field order; an empty variant
  // leaves a field as initialised, a null clears it.
  void InsertRecord(const std::vector<Variant>& values) { AddRecord(values, false); }
  void AppendRecord(const std::vector<Variant>& values) { AddRecord(values, true); }
  virtual TUpdateStatus UpdateStatus() const { return usUnmodified; }

  // --- Fields
  TFields& Fields() { return FFields; }
  const TFields& Fields() const { return FFields; }
  int FieldCount() const { return FFields.Count(); }
  TFieldDefs& FieldDefs() { return FFieldDefs; }
  const TFieldDefs& FieldDefs() const { return FFieldDefs; }
  TField* FindField(std::string_view name) const { return FFields.FindField(name); }
  // Raises EDatabaseError "<dataset>: Field '<name>' not found".
  TField* FieldByName(std::string_view name) const;
  // The fields named in a ";"-separated list (each must exist).
  std::vector<TField*> GetFieldList(const std::string& names) const;
  // One name: the field's value; several: a variant array of their values.
  Variant FieldValues(const std::string& names) const;
  void SetFieldValues(const std::string& names, const Variant& values);
  // True while the fields were made by the dataset at opening.
  bool DefaultFields() const { return FDefaultFields; }
  bool AutoCalcFields() const { return FAutoCalcFields; }
  void SetAutoCalcFields(bool value) { FAutoCalcFields = value; }
  int CalcFieldsSize() const { return FCalcFieldsSize; }
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
  // Copies the current record's data into buffer; false when there is none.
  virtual bool GetCurrentRecord(TRecordBuffer buffer);
  // Reads or writes a field in a temporary state (old, new, current value).
  virtual Variant GetStateFieldValue(TDataSetState state, TField* field);
  virtual void SetStateFieldValue(TDataSetState state, TField* field, const Variant& value);
  // Copies text between character sets; here it is copied unchanged.
  virtual int Translate(const char* source, char* dest, bool toOem);

  // --- Filtering: the text and options are stored here; evaluating them
  // is the descendant's. OnFilterRecord decides for each record when
  // Filtered is set.
  const std::string& Filter() const { return FFilterText; }
  void SetFilter(const std::string& text) { SetFilterText(text); }
  bool Filtered() const { return FFiltered; }
  virtual void SetFiltered(bool value);
  TFilterOptions FilterOptions() const { return FFilterOptions; }
  virtual void SetFilterOptions(TFilterOptions options);

  // --- The data source of a master-detail link (nullptr without one).
  virtual TDataSource* GetDataSource() const { return nullptr; }

  // Cursor synchronisation.
  void UpdateCursorPos();
  void CursorPosChanged() { FCurrentRecord = -1; }
  // Rebuilds the window around the cursor's record: rmExact requires that
  // record (else "Record not found"), rmCenter puts it in the middle slot,
  // otherwise it keeps slot ActiveRecord.
  virtual void Resync(TResyncMode mode);

  // Raises EDatabaseError with the dataset's name in front of message.
  [[noreturn]] void DatabaseError(const std::string& message) const;

  // Checks the window's consistency (for tests): raises EDatabaseError
  // naming the first broken rule.
  void CheckInvariants() const;

  // The names under which the data-aware controls and the database layer
  // use these operations.
  void OpenDataSet() { Open(); }
  void CloseDataSet() { Close(); }
  bool GetActive() const { return Active(); }
  void MoveToFirst() { First(); }
  void MoveToLast() { Last(); }
  void MoveToNext() { Next(); }
  void MoveToPrior() { Prior(); }
  void SuspendControls() { DisableControls(); }
  void ResumeControls() { EnableControls(); }
  TField* LookupFieldByName(std::string_view name) const { return FindField(name); }
  TField* FieldNamed(std::string_view name) const { return FieldByName(name); }
  Variant ReadFieldValue(const std::string& names) const { return FieldValues(names); }
  void SetFilterExpression(const std::string& text) { SetFilter(text); }
  void SetFilterOptionSet(TFilterOptions options) { SetFilterOptions(options); }
  void SetFilteredFlag(bool value) { SetFiltered(value); }

  // --- Provider support: what a data provider asks of the dataset it
  // reads and applies changes through (provider.h). The answers here are
  // those of a dataset that knows no SQL; a database dataset overrides them.
  // Runs a statement with the parameters by position; with resultSet the
  // caller wants the rows as a new dataset, which it then owns. Returns the
  // rows read or touched. Raises EDatabaseError here.
  virtual int PSExecuteStatement(const std::string& sql, const TParams* params,
                                 std::unique_ptr<TDataSet>* resultSet = nullptr);
  // The dataset's own parameters (kept by the dataset); nullptr here.
  virtual const TParams* PSGetParams() { return nullptr; }
  virtual void PSSetParams(const TParams&) {}
  virtual void PSSetCommandText(const std::string&) {}
  virtual std::string PSGetTableName() { return {}; }
  // The fields flagged pfInKey, joined by ";".
  virtual std::string PSGetKeyFields();
  virtual std::string PSGetQuoteChar() { return "\""; }
  virtual bool PSInTransaction() { return false; }
  virtual bool PSIsSQLBased() { return false; }
  virtual bool PSIsSQLSupported() { return false; }
  virtual void PSStartTransaction() {}
  virtual void PSEndTransaction(bool) {}
  // Runs the dataset's own statement; raises EDatabaseError here.
  virtual void PSExecute();
  virtual void PSReset() {}
  // The error to report for a failed change: an EUpdateError as it is,
  // anything else as one with its message and the previous error's code.
  virtual std::unique_ptr<EUpdateError> PSGetUpdateException(const Exception& error,
                                                             const EUpdateError* previous);
  // Applies one change of the delta itself; false leaves it to the provider.
  virtual bool PSUpdateRecord(TUpdateKind, TDataSet&) { return false; }

  // Events.
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh, OnCalcFields, OnNewRecord;
  TFilterRecordEvent OnFilterRecord;
  // A database error in the core of Edit, Post or Delete is offered here
  // first: daFail (the preset) lets it go on, daAbort turns it into the
  // silent abort, daRetry runs the step again.
  TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // --- The record window
  int BufferCount() const { return FBufferCount; }
  int BufferedRecordCount() const { return FRecordCount; }
  int ActiveRecord() const { return FActiveRecord; }
  // Moves the active slot; a following Resync without rmCenter rebuilds
  // the window with the cursor's record in that slot (clamped to the
  // window).
  void SetActiveRecord(int slot);
  int CurrentRecord() const { return FCurrentRecord; }
  TRecordBuffer Buffers(int index) const;
  TRecordBuffer ActiveBuffer() const { return FBuffers.empty() ? nullptr : FBuffers[FActiveRecord]; }
  // The spare buffer (valid while the window is allocated).
  TRecordBuffer TempBuffer() const { return FBuffers.empty() ? nullptr : FBuffers[FRecordCount]; }
  // The buffer whose calculated fields are being computed.
  TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
  void ClearBuffers();
  void ActivateBuffers();
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void SetCurrentRecord(int index);
  void MoveBuffer(int currentIndex, int newIndex);
  void UpdateBufferCount();
  void SetBufferCount(int value);
  int BookmarkSize() const { return FBookmarkSize; }
  void SetBookmarkSize(int size) { FBookmarkSize = size; }

  // --- States
  void SetState(TDataSetState value);
  // Enters a state without telling anyone (calculations, filtering, old
  // and new values); RestoreState returns. Controls hear nothing meanwhile.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);
  // A temporary state for the life of the scope.
  class TTempState {
   public:
    TTempState(TDataSet& dataSet, TDataSetState state)
        : FDataSet(dataSet), FSaved(dataSet.SetTempState(state)) {}
    ~TTempState() { FDataSet.RestoreState(FSaved); }
    TTempState(const TTempState&) = delete;
    TTempState& operator=(const TTempState&) = delete;

   private:
    TDataSet& FDataSet;
    TDataSetState FSaved;
  };
  void SetModified(bool value) { FModified = value; }
  bool Destroying() const { return FDestroying; }
  // Closes during the descendant's destructor, without events and without
  // letting an error escape.
  void CloseOnDestroy() noexcept;

  // --- Data events
  virtual void DataEvent(TDataEvent event, const TDataEventInfo& info = {});

  // --- Fields and calculation
  virtual TFieldClass GetFieldClass(TFieldType type) const;
  void CreateFields();
  virtual void BindFields(bool binding);
  void DestroyFields();
  void InitRecord(TRecordBuffer buffer);
  virtual void ClearCalcFields(TRecordBuffer buffer);
  // Clears the calculated area of buffer, then computes lookup values and
  // runs OnCalcFields in the calculation state.
  void GetCalcFields(TRecordBuffer buffer);
  virtual void CalculateFields(TRecordBuffer buffer);
  void CheckRequiredFields();
  void CheckCanModify() const;
  // Runs a step of Edit, Post or Delete (after putting the cursor on the
  // active record) until it succeeds or the error handler lets its
  // database error go on (daFail) or aborts (daAbort).
  template <class Operation>
  void CheckOperation(Operation operation, const TDataSetErrorEvent& onError);
  void DoFilterRecord(bool& accept);

  // --- What descendants implement
  virtual TRecordBuffer AllocRecordBuffer();
  virtual void FreeRecordBuffer(TRecordBuffer& buffer);
  virtual int GetRecordSize() const = 0;
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual void InternalHandleException() {}
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  virtual void GetBookmarkData(TRecordBuffer buffer, std::byte* data) const = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const std::byte* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) = 0;
  virtual bool GetFieldData(TField* field, void* buffer) = 0;
  virtual void SetFieldData(TField* field, const void* buffer) = 0;
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  virtual void InternalDelete() = 0;
  virtual void InternalPost() = 0;
  virtual void InternalCancel() {}
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalRefresh() {}
  virtual bool GetCanModify() const { return true; }
  virtual int GetRecordCount() const { return -1; }
  virtual int GetRecNo() const { return -1; }
  virtual void SetFilterText(const std::string& text);

  // --- Event firers
  virtual void DoBeforeOpen();
  virtual void DoAfterOpen();
  virtual void DoBeforeClose();
  virtual void DoAfterClose();
  virtual void DoBeforeInsert();
  virtual void DoAfterInsert();
  virtual void DoBeforeEdit();
  virtual void DoAfterEdit();
  virtual void DoBeforePost();
  virtual void DoAfterPost();
  virtual void DoBeforeCancel();
  virtual void DoAfterCancel();
  virtual void DoBeforeDelete();
  virtual void DoAfterDelete();
  virtual void DoBeforeScroll();
  virtual void DoAfterScroll();
  virtual void DoBeforeRefresh();
  virtual void DoAfterRefresh();
  virtual void DoOnCalcFields();
  virtual void DoOnNewRecord();

 private:
  friend class TField;
  friend class TFields;
  friend class TFieldDef;
  friend class TDataSource;
  friend class TDataLink;

  void OpenCursor();
  void CloseCursor();
  void SetBufListSize(int value);
  void BeginInsertAppend();
  void EndInsertAppend();
  void AddRecord(const std::vector<Variant>& values, bool append);
  // After a post or cancel: the blob fields forget their changes.
  void FreeFieldBuffers();
  void SetFields(const std::vector<Variant>& values);
  void UpdateCalcFields();
  void AdjustFirstRecords(int delta);
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  void NotifyDataSources(TDataEvent event, const TDataEventInfo& info);
  void AttachField(TField* field);
  void DetachField(TField* field);

  TFields FFields{this};
  TFieldDefs FFieldDefs{this};
  // Fields made at opening: held here, freed at closing.
  std::vector<std::unique_ptr<TField>> FDefaultFieldStore;
  bool FDefaultFields = false;
  bool FAutoCalcFields = true;
  int FCalcFieldsSize = 0;

  TDataSetState FState = dsInactive;
  bool FBOF = true;
  bool FEOF = true;
  bool FModified = false;
  bool FStreamedActive = false;
  bool FDestroying = false;
  bool FInternalOpenComplete = false;
  int FTempStateDepth = 0;

  // Record buffers: FBuffers holds FBufferCount + 1 entries (the last is
  // the spare) while open; FBufferPool owns the memory of every buffer
  // handed out by AllocRecordBuffer.
  std::vector<TRecordBuffer> FBuffers;
  std::vector<std::unique_ptr<std::byte[]>> FBufferPool;
  int FBufferCount = 0;
  int FRecordCount = 0;
  int FActiveRecord = 0;
  int FCurrentRecord = -1;
  TRecordBuffer FCalcBuffer = nullptr;
  int FBookmarkSize = 0;

  int FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  TDataEvent FEnableEvent = deDataSetChange;

  std::string FFilterText;
  bool FFiltered = false;
  TFilterOptions FFilterOptions;

  std::vector<TDataSource*> FDataSources;
};

template <class Operation>
void TDataSet::CheckOperation(Operation operation, const TDataSetErrorEvent& onError) {
  for (;;) {
    try {
      UpdateCursorPos();
      operation();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      if (onError) onError(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

// Disables the dataset's controls for the life of the scope.
class TDisableControlsScope {
 public:
  explicit TDisableControlsScope(TDataSet& dataSet) : FDataSet(dataSet) { FDataSet.DisableControls(); }
  ~TDisableControlsScope() {
    // Enabling sends the pending notification to the controls; a control
    // that fails there must not turn leaving the scope into a second
    // exception, so its error is dropped here.
    try {
      FDataSet.EnableControls();
    } catch (...) {
    }
  }
  TDisableControlsScope(const TDisableControlsScope&) = delete;
  TDisableControlsScope& operator=(const TDisableControlsScope&) = delete;

 private:
  TDataSet& FDataSet;
};
