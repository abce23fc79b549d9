#pragma once
// What the layer knows about the columns of one table of one database.
//
// `TpFIBFieldInfo` describes one column: computed or not, its default
// value, whether it may appear in a WHERE clause, its domain, and what the
// optional FIB$FIELDS_INFO repository says about showing it. `TpFIBTableInfo`
// holds the field infos of one table in column order, with the table's
// format version, the repository version it was read at, and its primary
// key, which is read on first use.
//
// Table infos are made, loaded and owned by the process's
// `TpFIBTableInfoCollect` (table_info_collect.h); each owns its field infos
// and, once it talks to the server, a read-only transaction of its own.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "framework/core/base/object.h"
#include "framework/core/component/strings.h"

class TCacheFileReader;
class TCacheFileWriter;
class TFIBDatabase;
class TFIBTransaction;
class TpFIBTransaction;
struct TRepositoryRow;
class TRepositoryRows;
class TpFIBTableInfoCollect;

// The primary-key text of an entry whose key has not been read yet.
inline constexpr const char* DeferredPrimaryKey = "@FIB_DEFERRED";
// The pseudo-table whose repository rows describe dataset fields by name.
inline constexpr const char* AliasTableName = "ALIAS";

class TpFIBFieldInfo : public TObject {
 public:
  TpFIBFieldInfo();
  ~TpFIBFieldInfo() override;

  // The column is computed (its domain has computed BLR).
  bool IsComputed() const { return FIsComputed; }
  void SetIsComputed(bool value) { FIsComputed = value; }
  // The default as a value: "DEFAULT" and the blank after it gone, a quoted
  // literal unquoted and unescaped.
  const std::string& DefaultValue() const { return FDefaultValue; }
  void SetDefaultValue(std::string value) { FDefaultValue = std::move(value); }
  // False for blobs, quads and arrays, which a WHERE clause cannot compare.
  bool CanIncToWhereClause() const { return FCanIncToWhereClause; }
  void SetCanIncToWhereClause(bool value) { FCanIncToWhereClause = value; }
  const std::string& DomainName() const { return FDomainName; }
  void SetDomainName(std::string name) { FDomainName = std::move(name); }
  // The default is the empty string literal.
  bool DefaultValueEmptyString() const { return FDefaultValueEmptyString; }
  void SetDefaultValueEmptyString(bool value) { FDefaultValueEmptyString = value; }
  // The default was written as a quoted literal: its value is text, even
  // when it reads like a word the server knows ('NOW', 'USER'). Known only
  // for columns read from the server; the schema cache file does not keep it.
  bool DefaultValueIsLiteral() const { return FDefaultValueIsLiteral; }
  void SetDefaultValueIsLiteral(bool value) { FDefaultValueIsLiteral = value; }
  // A FIB$FIELDS_INFO row was found for the column.
  bool WithAdditionalInfo() const { return FWithAdditionalInfo; }
  void SetWithAdditionalInfo(bool value) { FWithAdditionalInfo = value; }
  const std::string& DisplayLabel() const { return FDisplayLabel; }
  void SetDisplayLabel(std::string value) { FDisplayLabel = std::move(value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value) { FVisible = value; }
  const std::string& EditFormat() const { return FEditFormat; }
  void SetEditFormat(std::string value) { FEditFormat = std::move(value); }
  const std::string& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(std::string value) { FDisplayFormat = std::move(value); }
  // A trigger fills the column.
  bool IsTriggered() const { return FIsTriggered; }
  void SetIsTriggered(bool value) { FIsTriggered = value; }
  // Every other repository column, as name=value lines.
  TStrings& OtherInfo() const { return *FOtherInfo; }
  int DisplayWidth() const { return FDisplayWidth; }
  void SetDisplayWidth(int value) { FDisplayWidth = value; }

  // Takes the attributes of the column's repository row: every column but
  // TABLE_NAME, FIELD_NAME and FIB$VERSION. A value that does not read is
  // skipped.
  void ReadRepositoryRow(const TRepositoryRow& row);

 private:
  bool FIsComputed = false;
  std::string FDefaultValue;
  bool FCanIncToWhereClause = false;
  std::string FDomainName;
  bool FDefaultValueEmptyString = false;
  bool FDefaultValueIsLiteral = false;
  bool FWithAdditionalInfo = false;
  std::string FDisplayLabel;
  bool FVisible = false;
  std::string FEditFormat;
  std::string FDisplayFormat;
  bool FIsTriggered = false;
  std::unique_ptr<TStringList> FOtherInfo;
  int FDisplayWidth = 0;
};

// A column's default as the system tables keep it ("DEFAULT 'O''Brien'")
// turned into its value ("O'Brien"); emptyString tells whether it was the
// empty string literal.
std::string DefaultValueFromSource(std::string_view source, bool& emptyString);
// Whether that default is a quoted literal.
bool DefaultSourceIsLiteral(std::string_view source);

class TpFIBTableInfo : public TObject {
 public:
  // The collection's lock guards the entry's lazily read parts.
  explicit TpFIBTableInfo(std::recursive_mutex& lock);
  ~TpFIBTableInfo() override;

  // The connection's DBName the entry was read from.
  const std::string& DBName() const { return FDBName; }
  const std::string& TableName() const { return FTableName; }
  // RDB$FORMAT of a table, RDB$RELATION_ID of a view.
  std::int32_t FormatVersion() const { return FFormatVersion; }
  // The highest FIB$VERSION of the table's repository rows when read.
  std::int32_t RepositoryVersion() const { return FRepositoryVersion; }
  // Loaded with the repository's attributes.
  bool WithRepository() const { return FWithRepository; }

  // The columns in their table's order.
  int FieldCount() const { return FFields.Count(); }
  std::string FieldName(int index) const { return FFields.Strings(index); }
  TpFIBFieldInfo& FieldInfos(int index) const;
  // The column of that name (double quotes dropped, trimmed, any case), or
  // nullptr.
  TpFIBFieldInfo* FieldInfo(std::string_view name) const;

  // The key columns joined by ";", read from the server on first use (when
  // the entry is bound to a connection) and kept; DeferredPrimaryKey until
  // then.
  std::string PrimaryKeyFields();
  // What PrimaryKeyFields holds now, without reading anything.
  std::string StoredPrimaryKeyFields() const;

  // The entry's transaction (made on first use): read only, commits when
  // forced; bound to the connection the entry was last read from.
  TpFIBTransaction& Transaction();

  // ---- For the collection ----
  // Reads the entry afresh from the connection's system tables (and the
  // repository when withRepository and it exists).
  void LoadFromDatabase(TFIBDatabase* database, const std::string& tableName, bool withRepository);
  // Reads the repository part again, in the transaction (the collection's).
  void ReloadRepository(TFIBDatabase* database, TFIBTransaction& transaction);
  // Whether the entry still matches the connection's database: its format
  // version and, with the repository, its repository version. An entry of
  // another database counts as current.
  bool IsCurrent(TFIBDatabase* database);
  // Binds an entry that has no connection (one read from a cache file) to
  // the connection it is asked for on.
  void AdoptDatabase(TFIBDatabase* database);

  void WriteTo(TCacheFileWriter& writer) const;
  // Reads an entry's body (everything after its list name) of the file's
  // version.
  void ReadFrom(TCacheFileReader& reader, std::int32_t version);

 private:
  void Load(TFIBDatabase* database);
  void LoadColumns(TFIBTransaction& transaction, const TRepositoryRows* repository);
  void LoadAliasColumns(const TRepositoryRows& repository);
  std::int32_t ReadFormatVersion(TFIBTransaction& transaction);
  std::int32_t ReadRepositoryVersion(TFIBTransaction& transaction);
  void ClearFields();
  TpFIBFieldInfo& AddField(const std::string& name);

  std::recursive_mutex& FLock;
  std::string FDBName;
  std::string FTableName;
  std::string FPrimaryKeyFields = DeferredPrimaryKey;
  // Line = column name, object = its field info (owned).
  TStringList FFields{true};
  std::int32_t FFormatVersion = 0;
  std::int32_t FRepositoryVersion = 0;
  bool FWithRepository = false;
  std::unique_ptr<TpFIBTransaction> FTransaction;
};
