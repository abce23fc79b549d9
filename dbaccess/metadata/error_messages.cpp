#include "dbaccess/metadata/error_messages.h"

#include <algorithm>
#include <memory>

#include "dbaccess/metadata/cache_file_io.h"
#include "framework/core/storage/file_io.h"

namespace {

constexpr std::int32_t ErrorFileMark = 1;
constexpr std::string_view ErrorFileName = "FIB$Error_messages";
// The least a database takes in the file: its name's length and its count;
// a message: its version and two lengths.
constexpr std::size_t MinDatabaseBytes = 4 + 4;
constexpr std::size_t MinMessageBytes = 4 + 4 + 4;

std::unique_ptr<TStringList> NewSortedList(bool ownsObjects) {
  auto list = std::make_unique<TStringList>(ownsObjects);
  list->SetSorted(true);
  list->SetDuplicates(dupIgnore);
  return list;
}

}  // namespace

TpErrorMessagesCollect::TpErrorMessagesCollect() : FDatabases(NewSortedList(true)) {
  // Database names are file paths, which differ by case here.
  FDatabases->SetCaseSensitive(true);
}

TStringList* TpErrorMessagesCollect::Keys(const std::string& database) const {
  int index = 0;
  if (!FDatabases->Find(database, index)) return nullptr;
  return static_cast<TStringList*>(FDatabases->Objects(index));
}

TStringList& TpErrorMessagesCollect::KeysMade(const std::string& database) {
  if (TStringList* keys = Keys(database)) return *keys;
  std::unique_ptr<TStringList> keys = NewSortedList(true);
  TStringList& made = *keys;
  FDatabases->AddObject(database, std::unique_ptr<TObject>(std::move(keys)));
  return made;
}

void TpErrorMessagesCollect::AddMessage(const std::string& database, const std::string& key,
                                        std::int32_t version, const std::string& text) {
  std::lock_guard lock(FLock);
  TStringList& keys = KeysMade(database);
  int index = 0;
  if (keys.Find(key, index)) {
    auto* message = static_cast<TpErrorMessage*>(keys.Objects(index));
    if (version > message->Version()) message->Replace(text, version);
  } else {
    keys.AddObject(key, std::make_unique<TpErrorMessage>(text, version));
  }
  FMaxVersion = std::max(FMaxVersion, version);
}

TpErrorMessage* TpErrorMessagesCollect::FindMessage(const std::string& database, const std::string& key) const {
  std::lock_guard lock(FLock);
  const TStringList* keys = Keys(database);
  int index = 0;
  if (keys == nullptr || !keys->Find(key, index)) return nullptr;
  return static_cast<TpErrorMessage*>(keys->Objects(index));
}

void TpErrorMessagesCollect::Clear() {
  std::lock_guard lock(FLock);
  FDatabases->Clear();
  FMaxVersion = 0;
}

std::int32_t TpErrorMessagesCollect::MaxVersion() const {
  std::lock_guard lock(FLock);
  return FMaxVersion;
}

int TpErrorMessagesCollect::DatabaseCount() const {
  std::lock_guard lock(FLock);
  return FDatabases->Count();
}

int TpErrorMessagesCollect::MessageCount(const std::string& database) const {
  std::lock_guard lock(FLock);
  const TStringList* keys = Keys(database);
  return keys == nullptr ? 0 : keys->Count();
}

// ---- The file ---------------------------------------------------------------------------------

std::string TpErrorMessagesCollect::SaveToBytes() const {
  std::lock_guard lock(FLock);
  TCacheFileWriter writer;
  writer.WriteInt32(ErrorFileMark);
  writer.WriteString(ErrorFileName);
  writer.WriteInt32(FMaxVersion);
  writer.WriteInt32(FDatabases->Count());
  for (int d = 0; d < FDatabases->Count(); ++d) {
    writer.WriteString(FDatabases->Strings(d));
    const auto& keys = *static_cast<const TStringList*>(FDatabases->Objects(d));
    writer.WriteInt32(keys.Count());
    for (int k = 0; k < keys.Count(); ++k) {
      const auto& message = *static_cast<const TpErrorMessage*>(keys.Objects(k));
      writer.WriteInt32(message.Version());
      writer.WriteString(keys.Strings(k));
      writer.WriteString(message.Text());
    }
  }
  return writer.Bytes();
}

bool TpErrorMessagesCollect::LoadFromBytes(std::string_view bytes) {
  std::lock_guard lock(FLock);
  TCacheFileReader reader(bytes);
  try {
    if (reader.ReadInt32() != ErrorFileMark || reader.ReadString() != ErrorFileName) return false;
  } catch (const ECacheFileFormat&) {
    return false;
  }
  Clear();
  TpErrorMessagesCollect loaded;
  try {
    loaded.FMaxVersion = reader.ReadInt32();
    const int databases = reader.ReadCount(MinDatabaseBytes);
    for (int d = 0; d < databases; ++d) {
      const std::string database = reader.ReadString();
      loaded.KeysMade(database);
      const int messages = reader.ReadCount(MinMessageBytes);
      for (int m = 0; m < messages; ++m) {
        const std::int32_t version = reader.ReadInt32();
        const std::string key = reader.ReadString();
        loaded.AddMessage(database, key, version, reader.ReadString());
      }
    }
  } catch (const ECacheFileFormat&) {
    return false;
  }
  std::swap(FDatabases, loaded.FDatabases);
  FMaxVersion = loaded.FMaxVersion;
  return true;
}

void TpErrorMessagesCollect::SaveToFile(const std::string& fileName) const {
  std::lock_guard lock(FLock);
  if (FDatabases->Count() == 0) {
    RemoveFileQuietly(fileName);
    return;
  }
  WriteFileReplacing(fileName, SaveToBytes());
}

bool TpErrorMessagesCollect::LoadFromFile(const std::string& fileName) {
  std::string bytes;
  if (ReadWholeFile(fileName, bytes) != 0) return false;
  return LoadFromBytes(bytes);
}
