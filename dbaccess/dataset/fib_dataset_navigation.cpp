// TFIBCustomDataSet: record numbers, bookmarks, locate and lookup over the
// cache, and reading a field of another record.

#include <algorithm>
#include <cstring>

#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/text/text.h"

// ---- Record numbers --------------------------------------------------------------------

void TFIBCustomDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  if (value <= 0) value = 1;
  // Record numbers count the records the cache holds, deleted ones too (a
  // ring: the ones it still holds); a number not reached yet is fetched
  // for, and only one past the end stops at the last record.
  const auto held = [this] { return FFetchedCount - FirstHeldRecord(); };
  if (value > held()) {
    FetchAllQuietly();
    value = std::min(value, held());
  }
  if (value <= 0 || value == GetRecNo()) return;
  DoBeforeScroll();
  FCurrentRecord = FirstHeldRecord() + value - 1;
  Resync(TResyncMode{});
  DoAfterScroll();
}

bool TFIBCustomDataSet::IsSequenced() const {
  return StatementExhausted() && !FUniDirectional && !(Filtered() && FFetchedCount > 0);
}

// ---- Bookmarks ---------------------------------------------------------------------------------
// A bookmark is the record's physical number in the cache and the window slot
// it was shown in. A ring has no physical numbers that last: its bookmarks
// number the records in fetch order, so that one whose slot was written over
// is known to be gone.

int TFIBCustomDataSet::BookmarkNumberOf(int recordIndex) const {
  if (FUniDirectional) return recordIndex + 1;
  return FCache ? FCache->PhysicalNumber(recordIndex) : 0;
}

int TFIBCustomDataSet::LogicalIndexOfBookmark(int number) const {
  if (!FCache) return -1;
  if (FUniDirectional) return IsHeld(number - 1) ? number - 1 : -1;
  return FCache->LogicalIndex(number);
}

int TFIBCustomDataSet::BookmarkNumber(const TBookmark& bookmark) const {
  if (bookmark.size() < 4) return 0;
  std::int32_t number;
  std::memcpy(&number, bookmark.data(), sizeof number);
  return number;
}

void TFIBCustomDataSet::GetBookmarkData(TRecordBuffer buffer, std::byte* data) const {
  if (IsEmpty()) return;
  const std::int32_t number = BookmarkNumberOf(RecordIndexOf(buffer));
  const std::int32_t slot = ActiveRecord();
  std::memcpy(data, &number, sizeof number);
  std::memcpy(data + 4, &slot, sizeof slot);
}

void TFIBCustomDataSet::SetBookmarkData(TRecordBuffer buffer, const std::byte* data) {
  std::int32_t number;
  std::memcpy(&number, data, sizeof number);
  SetRecordIndexOf(buffer, LogicalIndexOfBookmark(number));
}

bool TFIBCustomDataSet::BookmarkValid(const TBookmark& bookmark) const {
  if (bookmark.size() < 4 || !FCache) return false;
  return LogicalIndexOfBookmark(BookmarkNumber(bookmark)) >= 0;
}

int TFIBCustomDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  // A missing bookmark orders after every present one.
  if (a.empty()) return b.empty() ? 0 : 1;
  if (b.empty()) return -1;
  const int na = BookmarkNumber(a);
  const int nb = BookmarkNumber(b);
  return na < nb ? -1 : (na > nb ? 1 : 0);
}

void TFIBCustomDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
  // The resync that follows (Resync) re-enables the controls and ends the
  // internal scroll.
  DisableControls();
  FGotoBookmarkPending = true;
  ++FInternalScroll;
  try {
    const int index = LogicalIndexOfBookmark(BookmarkNumber(bookmark));
    if (index >= 0) {
      // The record comes back in the window slot it was shown in.
      std::int32_t slot = 0;
      if (bookmark.size() >= 8) std::memcpy(&slot, bookmark.data() + 4, sizeof slot);
      SetActiveRecord(slot);
      FCurrentRecord = index;
    }
  } catch (...) {
    FGotoBookmarkPending = false;
    --FInternalScroll;
    EnableControls();
    throw;
  }
}

void TFIBCustomDataSet::Resync(TResyncMode mode) {
  if (!FGotoBookmarkPending) {
    TDataSet::Resync(mode);
    return;
  }
  FGotoBookmarkPending = false;
  struct TEnd {
    TFIBCustomDataSet& DataSet;
    ~TEnd() {
      --DataSet.FInternalScroll;
      // Enabling tells the controls; a control's failure there must not
      // replace the resync's own error.
      try {
        DataSet.EnableControls();
      } catch (...) {
      }
    }
  } end{*this};
  TDataSet::Resync(TResyncMode{});
}

// ---- Searching -------------------------------------------------------------------------------

namespace {

// The key for field i: the i-th element of an array of keys, else the key.
const Variant& KeyAt(const Variant& keys, std::size_t i, std::size_t count) {
  if (count > 1 || keys.IsArray()) return keys[VarArrayLowBound(keys) + static_cast<int>(i)];
  return keys;
}

}  // namespace

bool TFIBCustomDataSet::RecordMatches(const std::vector<TField*>& fields, const Variant& keyValues,
                                      int options, const Variant& upperKey) {
  const bool caseInsensitive = (options & 1) != 0;
  const bool partial = (options & 2) != 0;
  const bool pattern = (options & 4) != 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    TField* field = fields[i];
    const Variant& key = fields.size() == 1 && !upperKey.IsEmpty() ? upperKey
                                                                     : KeyAt(keyValues, i, fields.size());
    const bool fieldNull = field->IsNull();
    if (key.IsNull() || fieldNull) {
      if (key.IsNull() && fieldNull) continue;
      return false;
    }
    if (VarIsStr(key)) {
      std::string text = field->AsString();
      std::string wanted = key.AsString();
      if (dynamic_cast<TStringField*>(field) != nullptr) {
        if (caseInsensitive) {
          text = AnsiUpperCase(text);
          if (upperKey.IsEmpty()) wanted = AnsiUpperCase(wanted);
        }
        bool matches;
        if (partial)
          matches = text.compare(0, wanted.size(), wanted) == 0;
        else if (pattern)
          matches = MatchesPercent(text, wanted);
        else
          matches = text == wanted;
        if (!matches) return false;
        continue;
      }
      if (wanted.empty() ? !text.empty() : text != wanted) return false;
      continue;
    }
    Variant value;
    try {
      value = VarAsType(field->Value(), key.VarType());
    } catch (const EVariantError&) {
      return false;
    }
    if (!(value == key)) return false;
  }
  return true;
}

int TFIBCustomDataSet::SearchInCache(const std::string& keyFields, const Variant& keyValues, int options) {
  const std::vector<TField*> fields = GetFieldList(keyFields);
  if (fields.empty()) return -1;
  // Over records sorted here by these fields, the search halves instead of
  // walking (fib_dataset_sort.cpp).
  if ((options & 8) != 0) return SortedSearchInCache(fields, keyValues, options, nullptr);
  Variant upperKey;
  if ((options & 1) != 0 && fields.size() == 1 && !keyValues.IsArray() && VarIsStr(keyValues))
    upperKey = Variant(AnsiUpperCase(keyValues.AsString()));
  const TRestoreOnExit<int> restore(FCurrentRecord);
  TTempState state(*this, dsFilter);
  for (int index = FirstHeldRecord();; ++index) {
    if (index >= FFetchedCount && ((options & 32) != 0 || !FetchNextRow())) break;
    if (index < FirstHeldRecord()) continue;
    FCurrentRecord = index;
    bool visible = true;
    ReadBufferFor(visible);
    if (!visible) continue;
    if (RecordMatches(fields, keyValues, options, upperKey)) return index;
  }
  return -1;
}

bool TFIBCustomDataSet::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  TDisableControlsScope controls(*this);
  DoBeforeScroll();
  int found = -1;
  {
    TInternalScroll scroll(*this);
    const int bits = (options.Contains(loCaseInsensitive) ? 1 : 0) | (options.Contains(loPartialKey) ? 2 : 0);
    found = SearchInCache(keyFields, keyValues, bits);
    if (found >= 0) {
      FCurrentRecord = found;
      Resync(TResyncMode{rmCenter});
    }
  }
  if (found >= 0) DoAfterScroll();
  return found >= 0;
}

Variant TFIBCustomDataSet::Lookup(const std::string& keyFields, const Variant& keyValues,
                                  const std::string& resultFields) {
  CheckBrowseMode();
  // The search leaves the cursor where it was, so there is nothing to go
  // back to; the result is read from the found record in the filter state.
  // Records sorted here by exactly the key fields, all fetched, are
  // searched by halving.
  const int options = StatementExhausted() && SortedByFields(GetFieldList(keyFields)) ? 8 : 0;
  const int found = SearchInCache(keyFields, keyValues, options);
  if (found < 0 || resultFields.empty()) return Variant();
  const TRestoreOnExit<int> restore(FCurrentRecord);
  TTempState state(*this, dsFilter);
  FCurrentRecord = found;
  return FieldValues(resultFields);
}

// ---- Another record's value --------------------------------------------------------------

Variant TFIBCustomDataSet::RecordFieldValue(TField* field, int recordNo) {
  CheckOpen(" read a record value ");
  const int index = FirstHeldRecord() + recordNo - 1;
  if (recordNo >= 1) FetchUpTo(index);
  if (recordNo < 1 || !IsHeld(index))
    throw Exception("Can't read record " + std::to_string(recordNo) + "." + ComponentPath(this));
  if (field->FieldNo() < 0) {
    // Calculated values exist only for records in the window: go there.
    TDisableControlsScope controls(*this);
    const TBookmark bookmark = GetBookmark();
    struct TBack {
      TFIBCustomDataSet& DataSet;
      const TBookmark& Bookmark;
      ~TBack() {
        try {
          if (!Bookmark.empty()) DataSet.GotoBookmark(Bookmark);
        } catch (...) {
          // Going back is a courtesy; the value read or its error matters.
        }
      }
    } back{*this, bookmark};
    TInternalScroll scroll(*this);
    SetRecNo(recordNo);
    return field->Value();
  }
  const TRestoreOnExit<int> restore(FValueAtRecord);
  FValueAtRecord = index;
  return field->Value();
}
