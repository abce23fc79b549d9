#include "datagrid/filter/grid_filter.h"

#include <cstring>

#include "datagrid/control/db_column.h"
#include "datagrid/grid/db_grid.h"
#include "framework/core/base/binary_find.h"
#include "framework/core/data/data_source.h"
#include "framework/core/data/dataset.h"
#include "framework/core/storage/streams.h"
#include "framework/core/text/text.h"
#include "grid/nodes/sort_comparers.h"

TdxDBGridFilter::TdxDBGridFilter(TCustomdxDBGrid* grid) : FGrid(grid), FCriteria(grid) {}

void TdxDBGridFilter::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TdxDBGridFilter*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  TMemoryStream stream;
  other->SaveToStream(stream);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

void TdxDBGridFilter::DoChanged() {
  if (FGrid != nullptr) FGrid->FilterChanged();
}

void TdxDBGridFilter::SetActive(bool value) {
  if (value == FActive) return;
  FActive = value;
  if (FGrid != nullptr) {
    if (value) {
      if (FGrid->DefaultFields()) FGrid->SetDefaultFields(false);
    } else {
      FCriteria.Clear();
      FGrid->ResetFilter();
      return;
    }
  }
  DoChanged();
}

void TdxDBGridFilter::SetAutoDataSetFilter(bool value) {
  if (value == FAutoDataSetFilter) return;
  FAutoDataSetFilter = value;
  if (!value && FGrid != nullptr) {
    if (TDataSet* dataSet = FGrid->DataSet()) {
      dataSet->SetFilterExpression({});
      dataSet->SetFilteredFlag(false);
    }
  }
  DoChanged();
}

void TdxDBGridFilter::SetCaseInsensitive(bool value) {
  if (value == FCaseInsensitive) return;
  FCaseInsensitive = value;
  FCriteria.SetCaseInsensitive(value);
  if (FAutoDataSetFilter) DoChanged();
}

void TdxDBGridFilter::SetFilterStatus(TdxDBGridFilterStatus value) {
  if (value == FFilterStatus) return;
  FFilterStatus = value;
  DoChanged();
}

TdxDBGridCriteria& TdxDBGridFilter::CurrentCriteria() {
  FCriteria.Changed();
  return FCriteria;
}

void TdxDBGridFilter::ApplyValue(const TdxTreeListColumn* column, const Variant& value,
                                 const std::string& text) {
  FCriteria.RemoveColumn(column);
  FCriteria.AddColumnItem(nullptr, column, false, text, value, ocEqual);
  DoChanged();
}

void TdxDBGridFilter::ApplyBlanks(const TdxTreeListColumn* column, bool negated) {
  FCriteria.RemoveColumn(column);
  FCriteria.AddColumnItem(nullptr, column, negated, {}, Variant::Null(), ocIsNull);
  DoChanged();
}

void TdxDBGridFilter::ClearAll() {
  FCriteria.Clear();
  if (FGrid != nullptr) FGrid->ResetFilter();
}

void TdxDBGridFilter::RemoveColumnFilter(const TdxTreeListColumn* column) {
  FCriteria.RemoveColumn(column);
  DoChanged();
}

bool TdxDBGridFilter::EditCustomFilter(TdxDBTreeListColumn* column) {
  if (!FCriteria.EditColumnFilter(column)) return false;
  DoChanged();
  return true;
}

TdxColumnFilterState TdxDBGridFilter::ColumnFilterState(const TdxTreeListColumn* column,
                                                        Variant& value) const {
  const TdxCriteriaItem* item = FCriteria.ColumnItem(column);
  if (item == nullptr) {
    value = Variant::Null();
    return cfsNone;
  }
  value = item->Value();
  const std::string* text = value.StringPtr();
  if ((value.IsNull() || (text != nullptr && text->empty())) && item->OperatorCode() == ocIsNull)
    return item->Negated() ? cfsNonBlanks : cfsBlanks;
  return FCriteria.HasCustomFilter(column) ? cfsCustom : cfsValue;
}

// --- The stored form ----------------------------------------------------------------------

namespace {
constexpr char kFilterSignature[4] = {'T', 'F', 'L', '1'};

void WriteBytes(TStream& stream, const void* data, std::int64_t count) {
  if (stream.Write(data, count) != count) throw EWriteError("Stream write error");
}
void ReadBytes(TStream& stream, void* data, std::int64_t count) {
  if (stream.Read(data, count) != count) throw EReadError("Stream read error");
}
void WriteInt(TStream& stream, std::int32_t value) {
  unsigned char bytes[4];
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> (8 * i));
  WriteBytes(stream, bytes, 4);
}
std::int32_t ReadInt(TStream& stream) {
  unsigned char bytes[4];
  ReadBytes(stream, bytes, 4);
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  return static_cast<std::int32_t>(value);
}
std::uint8_t ReadByte(TStream& stream, std::uint8_t limit) {
  std::uint8_t value = 0;
  ReadBytes(stream, &value, 1);
  if (value > limit) throw EReadError("Stream read error");
  return value;
}
}  // namespace

void TdxDBGridFilter::SaveToStream(TStream& stream) const {
  WriteBytes(stream, kFilterSignature, 4);
  const std::uint8_t flags[4] = {FActive, FAutoDataSetFilter, FCaseInsensitive, FFilterStatus};
  WriteBytes(stream, flags, 4);
  WriteInt(stream, FDropDownCount);
  WriteInt(stream, FDropDownWidth);
  WriteInt(stream, FMaxDropDownCount);
  FCriteria.SaveToStream(stream);
}

void TdxDBGridFilter::LoadFromStream(TStream& stream) {
  char signature[4];
  ReadBytes(stream, signature, 4);
  if (std::memcmp(signature, kFilterSignature, 4) != 0) throw EReadError("Stream read error");
  const bool active = ReadByte(stream, 1) != 0;
  const bool autoFilter = ReadByte(stream, 1) != 0;
  const bool caseInsensitive = ReadByte(stream, 1) != 0;
  const auto status = static_cast<TdxDBGridFilterStatus>(ReadByte(stream, fsAlways));
  const int dropDownCount = ReadInt(stream);
  const int dropDownWidth = ReadInt(stream);
  const int maxCount = ReadInt(stream);
  // The criteria read themselves whole or not at all.
  FCriteria.LoadFromStream(stream);
  FActive = active;
  FAutoDataSetFilter = autoFilter;
  FCaseInsensitive = caseInsensitive;
  FCriteria.SetCaseInsensitive(caseInsensitive);
  FFilterStatus = status;
  FDropDownCount = dropDownCount;
  FDropDownWidth = dropDownWidth;
  FMaxDropDownCount = maxCount;
}

// --- The drop-down's values ----------------------------------------------------------------

int TdxDBGridFilterValues::CompareValues(const Variant& a, const Variant& b) const {
  if (FLocaleCompare && (VarIsStr(a) || VarIsStr(b))) return AnsiCompareStr(VarToStr(a), VarToStr(b));
  return CompareVariants(a, b);
}

bool TdxDBGridFilterValues::FindValue(const Variant& value, int& index) const {
  return BinaryFind(
      Count(), [&](int i) { return CompareValues(FItems[static_cast<std::size_t>(i)].second, value); }, index);
}

void TdxDBGridFilterValues::AddValue(std::string text, Variant value, bool append) {
  if (FCaseInsensitive) {
    if (const std::string* s = value.StringPtr()) {
      value = Variant(AnsiUpperCase(*s));
      text = AnsiUpperCase(text);
    }
  }
  if (append) {
    FItems.emplace_back(std::move(text), std::move(value));
    return;
  }
  if (FMaxCount > 0 && Count() >= FMaxCount) return;
  int index = 0;
  if (FindValue(value, index)) return;
  FItems.emplace(FItems.begin() + index, std::move(text), std::move(value));
}
