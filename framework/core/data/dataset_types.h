#pragma once
// The enumerations and small types of the dataset model. Their ordinals are
// fixed: the database layer stores some of them in record buffers (the
// bookmark flag), compares others with numbers (the state in its filtering
// state 6) and the data-aware grid maps field types onto its own codes.

#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/core/base/event.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/base/set.h"

class TDataSet;
class TField;

// A record buffer: raw bytes owned by the dataset, laid out by the dataset.
using TRecordBuffer = std::byte*;

// A bookmark: the dataset's bookmark bytes, binary-safe; empty = none.
using TBookmark = std::string;

enum TDataSetState {
  dsInactive = 0,
  dsBrowse = 1,
  dsEdit = 2,
  dsInsert = 3,
  dsSetKey = 4,
  dsCalcFields = 5,
  dsFilter = 6,
  dsNewValue = 7,
  dsOldValue = 8,
  dsCurValue = 9,
  dsBlockRead = 10,
  dsInternalCalc = 11,
  dsOpening = 12
};

enum TDataEvent {
  deFieldChange = 0,
  deRecordChange = 1,
  deDataSetChange = 2,
  deDataSetScroll = 3,
  deLayoutChange = 4,
  deUpdateRecord = 5,
  deUpdateState = 6,
  deCheckBrowseMode = 7,
  dePropertyChange = 8,
  deFieldListChange = 9,
  deFocusControl = 10
};

// What travels with a data event: the field of a field or record change,
// the buffer shift of a scroll (negative when the records moved towards
// slot 0), and for focus-control the field reference a control may clear.
struct TDataEventInfo {
  TField* Field = nullptr;
  int Distance = 0;
  TField** FocusField = nullptr;
};

enum TGetMode { gmCurrent = 0, gmNext = 1, gmPrior = 2 };
enum TGetResult { grOK = 0, grBOF = 1, grEOF = 2, grError = 3 };
enum TBookmarkFlag { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };
enum TUpdateStatus { usUnmodified = 0, usModified = 1, usInserted = 2, usDeleted = 3 };
enum TDataAction { daFail = 0, daAbort = 1, daRetry = 2 };
// Applying cached updates: what a record's change is, and what the
// handler decided to do with it.
enum TUpdateKind { ukModify = 0, ukInsert = 1, ukDelete = 2 };
using TUpdateKinds = TSet<TUpdateKind>;
// uaApply is where an update starts without a handler: run the statement.
enum TUpdateAction { uaFail = 0, uaAbort = 1, uaSkip = 2, uaRetry = 3, uaApplied = 4, uaApply = 5 };
enum TBlobStreamMode { bmRead = 0, bmWrite = 1, bmReadWrite = 2 };

enum TResyncModeItem { rmExact = 0, rmCenter = 1 };
using TResyncMode = TSet<TResyncModeItem>;

enum TLocateOption { loCaseInsensitive = 0, loPartialKey = 1 };
using TLocateOptions = TSet<TLocateOption>;

enum TFilterOption { foCaseInsensitive = 0, foNoPartialCompare = 1 };
using TFilterOptions = TSet<TFilterOption>;

enum TFieldKind { fkData = 0, fkCalculated = 1, fkLookup = 2, fkInternalCalc = 3, fkAggregate = 4 };

enum TFieldType {
  ftUnknown = 0,
  ftString = 1,
  ftSmallint = 2,
  ftInteger = 3,
  ftWord = 4,
  ftBoolean = 5,
  ftFloat = 6,
  ftCurrency = 7,
  ftBCD = 8,
  ftDate = 9,
  ftTime = 10,
  ftDateTime = 11,
  ftBytes = 12,
  ftVarBytes = 13,
  ftAutoInc = 14,
  ftBlob = 15,
  ftMemo = 16,
  ftGraphic = 17,
  ftFmtMemo = 18,
  ftParadoxOle = 19,
  ftDBaseOle = 20,
  ftTypedBinary = 21,
  ftCursor = 22,
  ftFixedChar = 23,
  ftWideString = 24,
  ftLargeint = 25,
  ftADT = 26,
  ftArray = 27,
  ftReference = 28,
  ftDataSet = 29,
  ftOraBlob = 30,
  ftOraClob = 31,
  ftVariant = 32,
  ftInterface = 33,
  ftIDispatch = 34,
  ftGuid = 35,
  ftTimeStamp = 36,
  ftFMTBcd = 37
};
inline constexpr int FieldTypeCount = 38;

// The type's name as messages show it ("String", "Integer", ...).
const char* FieldTypeName(TFieldType type);
// Blob types: ftBlob .. ftTypedBinary, ftOraBlob, ftOraClob.
bool IsBlobFieldType(TFieldType type);

using TDataSetNotifyEvent = TEvent<void(TDataSet* DataSet)>;
using TFilterRecordEvent = TEvent<void(TDataSet* DataSet, bool& Accept)>;
using TDataSetErrorEvent = TEvent<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TUpdateRecordEvent = TEvent<void(TDataSet* DataSet, TUpdateKind UpdateKind, TUpdateAction& UpdateAction)>;
using TUpdateErrorEvent =
    TEvent<void(TDataSet* DataSet, EDatabaseError& E, TUpdateKind UpdateKind, TUpdateAction& UpdateAction)>;
