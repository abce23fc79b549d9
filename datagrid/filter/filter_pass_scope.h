#pragma once
// The criteria compiled once for a pass that filters many nodes (a
// refilter, a load): NodePassesFilter runs the compiled form while the
// scope lives, and the criteria themselves again afterwards.

#include <optional>

#include "datagrid/filter/filter_program.h"
#include "datagrid/filter/grid_filter.h"
#include "datagrid/grid/db_grid.h"

class TCustomdxDBGrid::TFilterPassScope {
 public:
  explicit TFilterPassScope(TCustomdxDBGrid& grid) : FGrid(grid), FSaved(grid.FFilterProgram) {
    if (grid.IsFiltering() && grid.FFilter != nullptr) {
      FProgram.emplace(grid.FFilter->Criteria());
      grid.FFilterProgram = &*FProgram;
    }
  }
  ~TFilterPassScope() { FGrid.FFilterProgram = FSaved; }
  TFilterPassScope(const TFilterPassScope&) = delete;
  TFilterPassScope& operator=(const TFilterPassScope&) = delete;

 private:
  TCustomdxDBGrid& FGrid;
  const TdxDBGridFilterProgram* FSaved;
  std::optional<TdxDBGridFilterProgram> FProgram;
};
