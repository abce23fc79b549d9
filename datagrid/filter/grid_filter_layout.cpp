// The filter in the grid's stored layout: the "Filter" binary value at the
// control's base key, after the summary groups (db_grid_layout.cpp).

#include <vector>

#include "datagrid/filter/grid_filter.h"
#include "datagrid/grid/db_grid.h"
#include "framework/core/storage/streams.h"
#include "grid/support/reg_ini_wrapper.h"

namespace {
constexpr const char* kFilterValue = "Filter";
}

void TCustomdxDBGrid::SaveFilterLayout(TdxRegIniWrapper& store, const std::string& base) {
  if (!FOptionsDB.Contains(edgoLoadAllRecords)) {
    // A value left from an earlier save would bring back a filter the user
    // has cleared since.
    store.DeleteBinaryValue(base, kFilterValue);
    return;
  }
  TMemoryStream stream;
  Filter().SaveToStream(stream);
  store.WriteBinaryValue(base, kFilterValue, stream.Memory(), static_cast<int>(stream.Size()));
}

void TCustomdxDBGrid::LoadFilterLayout(TdxRegIniWrapper& store, const std::string& base) {
  const int size = store.ReadBinaryValue(base, kFilterValue, nullptr, 0);
  if (size <= 0) return;
  std::vector<char> bytes(static_cast<std::size_t>(size));
  const int read = store.ReadBinaryValue(base, kFilterValue, bytes.data(), size);
  TMemoryStream stream;
  stream.Write(bytes.data(), read);
  stream.SetPosition(0);
  // Read aside first: a damaged value must not cost the filter the grid
  // has, nor stop the rest of the layout from loading.
  TdxDBGridFilter scratch(this);
  try {
    scratch.LoadFromStream(stream);
  } catch (const EReadError&) {
    return;
  }
  Filter().Assign(&scratch);
  FilterChanged();
}
