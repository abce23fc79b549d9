#pragma once
// Error message texts kept per database and key (as the FIB$ERROR_MESSAGES
// repository holds them), each with the version it was written at. The
// process keeps one collection (`ListErrorMessages()`, metadata_caches.h);
// the application connection saves it beside its schema cache file, with
// the extension ".err", and reads it back at the next connect.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "framework/core/base/object.h"
#include "framework/core/component/strings.h"

class TpErrorMessage : public TObject {
 public:
  TpErrorMessage(std::string text, std::int32_t version) : FText(std::move(text)), FVersion(version) {}

  const std::string& Text() const { return FText; }
  std::int32_t Version() const { return FVersion; }
  void Replace(std::string text, std::int32_t version) {
    FText = std::move(text);
    FVersion = version;
  }

 private:
  std::string FText;
  std::int32_t FVersion;
};

class TpErrorMessagesCollect : public TObject {
 public:
  TpErrorMessagesCollect();

  // A key already known for the database takes the text only from a higher
  // version; a new one is added (with its database when that is new).
  void AddMessage(const std::string& database, const std::string& key, std::int32_t version,
                  const std::string& text);
  // The message of the key (any case) for the database, or nullptr.
  TpErrorMessage* FindMessage(const std::string& database, const std::string& key) const;
  void Clear();

  // The highest version of any message added or read.
  std::int32_t MaxVersion() const;
  int DatabaseCount() const;
  int MessageCount(const std::string& database) const;

  // Writes the file under a temporary name and renames it into place; with
  // no databases the file is removed. Failures are not reported.
  void SaveToFile(const std::string& fileName) const;
  // True when the file was read whole. A file of this kind replaces what
  // was held, even when it turns out cut short (then nothing is held); a
  // missing or foreign file leaves the messages as they were.
  bool LoadFromFile(const std::string& fileName);
  std::string SaveToBytes() const;
  bool LoadFromBytes(std::string_view bytes);

 private:
  TStringList* Keys(const std::string& database) const;
  TStringList& KeysMade(const std::string& database);

  mutable std::recursive_mutex FLock;
  // Database name to its keys (owned), each key's object its message
  // (owned); replaced whole when a file is read.
  std::unique_ptr<TStringList> FDatabases;
  std::int32_t FMaxVersion = 0;
};
