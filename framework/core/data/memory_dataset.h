#pragma once
// An in-memory dataset: rows held in memory, in the layout of its field
// definitions, with bookmarks, locate and lookup, calculated and lookup
// fields, editing and filtering by OnFilterRecord. It stands in for a
// database dataset in tests of the dataset model and of the data-aware
// grid, and behaves as the database layer's dataset does where the grid
// can tell: a bookmark carries the record and the window slot it was taken
// in, and going to it shows the record in that slot again (compare
// bookmarks with CompareBookmarks, not as strings).
//
// Define the columns with FieldDefs().Add (or attach persistent data fields
// to a closed dataset without definitions), open it, and fill it with
// AppendRecord or the edit operations. The rows survive Close and Open as
// long as the definitions stay the same. ReadOnly refuses every change.
// Reads of field data while there is no current record are counted
// (InvalidReadCount), so tests can prove that nobody reads beyond the data.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/core/data/dataset.h"

class TMemoryDataSet : public TDataSet {
 public:
  explicit TMemoryDataSet(TComponent* owner);
  ~TMemoryDataSet() override;

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
  // Removes every record (an open dataset moves to its empty start).
  void EmptyDataSet();
  int InvalidReadCount() const { return FInvalidReads; }
  void ResetInvalidReadCount() { FInvalidReads = 0; }

  void SetRecNo(int value) override;
  bool IsSequenced() const override;
  bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;
  Variant Lookup(const std::string& keyFields, const Variant& keyValues,
                 const std::string& resultFields) override;
  bool BookmarkValid(const TBookmark& bookmark) const override;
  // Both empty: 0; an empty bookmark orders after any other.
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  bool GetCurrentRecord(TRecordBuffer buffer) override;
  TUpdateStatus UpdateStatus() const override;
  void Resync(TResyncMode mode) override;
  void SetFiltered(bool value) override;

 protected:
  int GetRecordSize() const override { return FRecordSize; }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return FCursorOpen; }
  void InternalInitFieldDefs() override;
  void InternalFirst() override { FCursor = -1; }
  void InternalLast() override { FCursor = static_cast<int>(FRows.size()); }
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalGotoBookmark(const TBookmark& bookmark) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void GetBookmarkData(TRecordBuffer buffer, std::byte* data) const override;
  void SetBookmarkData(TRecordBuffer buffer, const std::byte* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
  bool GetFieldData(TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalPost() override;
  bool GetCanModify() const override { return !FReadOnly; }
  int GetRecordCount() const override;
  int GetRecNo() const override;

 private:
  friend class TMemoryBlobStream;

  struct Column {
    int Offset = 0;  // of the null byte, within the data part
    int Size = 0;    // of the value
    TFieldType Type = ftUnknown;
  };
  struct Row {
    int Id = 0;
    std::vector<std::byte> Data;
  };

  static int RowId(const std::byte* record);
  TRecordBuffer RecordForState();
  TRecordBuffer OldValueRecord();
  const Column* ColumnOf(const TField* field) const;
  int IndexOfId(int id) const;
  void LoadRow(int index, TRecordBuffer buffer);
  bool RecordAccepted(TRecordBuffer buffer);
  bool RowVisible(int index);
  int InsertRow(int position, TRecordBuffer buffer);
  bool RowMatches(const std::vector<TField*>& fields, const Variant& keys, TLocateOptions options);
  int FindRow(const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
  void CheckWritable(const TField* field);

  bool FReadOnly = false;
  bool FCursorOpen = false;
  int FCursor = -1;
  std::vector<Row> FRows;
  int FNextId = 1;
  mutable std::unordered_map<int, int> FIndex;
  mutable bool FIndexValid = false;
  // Blob values; a record refers to one by index. Writing a blob makes a
  // new one, so the row keeps its value until the edit is posted.
  std::vector<std::string> FBlobs;

  std::vector<Column> FColumns;
  std::vector<std::pair<TFieldType, int>> FLayout;
  int FDataSize = 0;
  int FCalcStart = 0;
  int FRecordSize = 0;
  TRecordBuffer FFilterBuffer = nullptr;
  TRecordBuffer FScratch = nullptr;
  TRecordBuffer FOldBuffer = nullptr;
  int FGotoSlot = -1;
  int FInvalidReads = 0;
};
