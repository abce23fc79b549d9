#include "dbaccess/metadata/table_info.h"

#include <algorithm>

#include "dbaccess/connection/app_database.h"
#include "dbaccess/metadata/cache_file_io.h"
#include "dbaccess/metadata/metadata_reads.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

// ---- TpFIBFieldInfo -------------------------------------------------------------------------

TpFIBFieldInfo::TpFIBFieldInfo() : FOtherInfo(std::make_unique<TStringList>()) {}

TpFIBFieldInfo::~TpFIBFieldInfo() = default;

void TpFIBFieldInfo::ReadRepositoryRow(const TRepositoryRow& row) {
  FWithAdditionalInfo = true;
  // Read again (a later reload), the row replaces what an earlier one said.
  FOtherInfo->Clear();
  for (const TRepositoryValue& value : row.Values) {
    const std::string name = AnsiUpperCase(value.Name);
    if (name == "TABLE_NAME" || name == "FIELD_NAME" || name == "FIB$VERSION") continue;
    if (name == "DISPLAY_LABEL")
      FDisplayLabel = value.Text;
    else if (name == "DISPLAY_WIDTH")
      FDisplayWidth = StrToIntDef(Trim(value.Text), 0);
    else if (name == "DISPLAY_FORMAT")
      FDisplayFormat = value.Text;
    else if (name == "EDIT_FORMAT")
      FEditFormat = value.Text;
    else if (name == "TRIGGERED")
      FIsTriggered = StrToIntDef(Trim(value.Text), 0) == 1;
    else if (name == "VISIBLE")
      FVisible = StrToIntDef(Trim(value.Text), 0) == 1;
    else
      FOtherInfo->Add(value.Name + "=" + value.Text);
  }
}

bool DefaultSourceIsLiteral(std::string_view source) {
  const std::string text = Trim(source);
  const std::string value = Trim(std::string_view(text).substr(std::min<std::size_t>(7, text.size())));
  return !value.empty() && (value.front() == '\'' || value.front() == '"');
}

std::string DefaultValueFromSource(std::string_view source, bool& emptyString) {
  emptyString = false;
  std::string text = Trim(source);
  if (text.empty()) return text;
  // The source is the clause as written: the keyword DEFAULT and a blank.
  text = Trim(std::string_view(text).substr(std::min<std::size_t>(7, text.size())));
  if (!text.empty() && (text.front() == '\'' || text.front() == '"')) {
    const char quote = text.front();
    const std::string inner = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
    // Inside the literal its quote is written twice.
    text = ReplaceAll(inner, std::string(2, quote), std::string(1, quote));
  }
  emptyString = text.empty();
  return text;
}

// ---- TpFIBTableInfo ---------------------------------------------------------------------------

TpFIBTableInfo::TpFIBTableInfo(std::recursive_mutex& lock) : FLock(lock) {}

TpFIBTableInfo::~TpFIBTableInfo() = default;

TpFIBFieldInfo& TpFIBTableInfo::FieldInfos(int index) const {
  return *static_cast<TpFIBFieldInfo*>(FFields.Objects(index));
}

TpFIBFieldInfo* TpFIBTableInfo::FieldInfo(std::string_view name) const {
  const int index = FFields.IndexOf(Trim(ReplaceAll(name, "\"", "")));
  return index < 0 ? nullptr : &FieldInfos(index);
}

TpFIBTransaction& TpFIBTableInfo::Transaction() {
  if (!FTransaction) FTransaction = NewMetadataTransaction();
  return *FTransaction;
}

std::string TpFIBTableInfo::StoredPrimaryKeyFields() const {
  std::lock_guard lock(FLock);
  return FPrimaryKeyFields;
}

void TpFIBTableInfo::AdoptDatabase(TFIBDatabase* database) {
  if (FTransaction && FTransaction->DefaultDatabase() != nullptr) return;
  PointTransactionAt(Transaction(), database);
}

void TpFIBTableInfo::ClearFields() { FFields.Clear(); }

TpFIBFieldInfo& TpFIBTableInfo::AddField(const std::string& name) {
  auto info = std::make_unique<TpFIBFieldInfo>();
  TpFIBFieldInfo& added = *info;
  FFields.AddObject(name, std::unique_ptr<TObject>(std::move(info)));
  return added;
}

// ---- The cache file ---------------------------------------------------------------------------

namespace {

// The least a field info takes in the file: its name's length, six flags,
// the width and five more lengths, and the attribute list's length.
constexpr std::size_t MinFieldBytes = 4 + 6 + 4 + 5 * 4 + 4;

}  // namespace

void TpFIBTableInfo::WriteTo(TCacheFileWriter& writer) const {
  writer.WriteString(FDBName);
  writer.WriteString(FTableName);
  writer.WriteFlag(FWithRepository);
  writer.WriteInt32(FFormatVersion);
  writer.WriteInt32(FRepositoryVersion);
  writer.WriteString(FPrimaryKeyFields);
  writer.WriteInt32(FFields.Count());
  for (int i = 0; i < FFields.Count(); ++i) {
    const TpFIBFieldInfo& info = FieldInfos(i);
    writer.WriteString(FFields.Strings(i));
    writer.WriteFlag(info.IsComputed());
    writer.WriteFlag(info.CanIncToWhereClause());
    writer.WriteFlag(info.DefaultValueEmptyString());
    writer.WriteFlag(info.WithAdditionalInfo());
    writer.WriteFlag(info.Visible());
    writer.WriteFlag(info.IsTriggered());
    writer.WriteInt32(info.DisplayWidth());
    writer.WriteString(info.DefaultValue());
    writer.WriteString(info.DomainName());
    writer.WriteString(info.DisplayLabel());
    writer.WriteString(info.EditFormat());
    writer.WriteString(info.DisplayFormat());
    writer.WriteString(info.OtherInfo().Count() > 0 ? info.OtherInfo().Text() : std::string());
  }
}

void TpFIBTableInfo::ReadFrom(TCacheFileReader& reader, std::int32_t version) {
  FDBName = reader.ReadString();
  FTableName = reader.ReadString();
  if (version >= 4) FWithRepository = reader.ReadFlag();
  FFormatVersion = reader.ReadInt32();
  FRepositoryVersion = reader.ReadInt32();
  FPrimaryKeyFields = reader.ReadString();
  ClearFields();
  const int count = reader.ReadCount(MinFieldBytes);
  for (int i = 0; i < count; ++i) {
    TpFIBFieldInfo& info = AddField(reader.ReadString());
    info.SetIsComputed(reader.ReadFlag());
    info.SetCanIncToWhereClause(reader.ReadFlag());
    info.SetDefaultValueEmptyString(reader.ReadFlag());
    info.SetWithAdditionalInfo(reader.ReadFlag());
    info.SetVisible(reader.ReadFlag());
    info.SetIsTriggered(reader.ReadFlag());
    info.SetDisplayWidth(reader.ReadInt32());
    info.SetDefaultValue(reader.ReadString());
    info.SetDomainName(reader.ReadString());
    info.SetDisplayLabel(reader.ReadString());
    info.SetEditFormat(reader.ReadString());
    info.SetDisplayFormat(reader.ReadString());
    info.OtherInfo().SetText(reader.ReadString());
  }
}
