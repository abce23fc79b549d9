#pragma once
// Declarations of framework/core's classes, for headers that only pass
// pointers and references. README.md says which header defines each.

#include <cstddef>

// object.h, event.h, set.h, exceptions.h
class TObject;
template <class Sig>
class TEvent;
template <class E, std::size_t N>
class TSet;
class Exception;

// types.h, variant.h, variant_array.h, format_settings.h, sysutils.h
struct TTimeStamp;
struct TCurrency;
struct TBcd;
class Variant;
class TVarArrayWalk;
struct TFormatSettings;
class TFormatSettingsScope;
class TFormatArg;

// persistent.h, component.h, collection.h
class TPersistent;
class TComponent;
class TLoadingScope;
class TCollectionItem;
class TCollection;
template <class T>
class TCollectionOf;

// strings.h, lists.h
class TStrings;
class TStringList;
class TStringsUpdateScope;
class TList;
template <class T>
class TListOf;
class TThreadList;
class TThreadListLock;

// dataset.h, fields.h, field_defs.h, data_source.h, memory_dataset.h,
// screen_cursor.h
class TDataSet;
class TDisableControlsScope;
class TField;
class TFields;
class TFieldDef;
class TFieldDefs;
class TDataSource;
class TDataLink;
class TDetailDataLink;
class TMemoryDataSet;
class TParam;
class TParams;
class EUpdateError;
class TScreenCursorScope;

// registry_hive.h, registry_store.h, registry.h, ini_files.h, file_io.h
struct TRegValue;
class TRegistryHive;
class TRegistryStore;
class TRegistryUpdateScope;
struct TRegDataInfo;
class TRegistry;
class TRegistryKeyScope;
class TRegIniFile;
class TCustomIniFile;
class TMemIniFile;
class TIniFile;
class TIniFileUpdateScope;
struct TFileStamp;
class TPendingFile;
class TFileLock;

// streams.h
class TStream;
class TMemoryStream;
class TStringStream;
class TFileStream;

// timer.h, thread.h
class TTimerScheduler;
class TManualTimerScheduler;
class TTimer;
class TThread;
