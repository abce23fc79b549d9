#pragma once
// Bands: the column groups of a tree list, each with its own caption,
// width and fixed side. A band holds only its own values; every change goes
// to its collection, which tells the tree list (re-layout, fixed-side
// normalising). Columns refer to bands by index, so moving or deleting a
// band renumbers the columns' BandIndex here, where the index changes.

#include <string>

#include "framework/core/component/collection.h"
#include "framework/gui/control.h"
#include "grid/forward.h"

class TdxTreeListColumn;

enum TdxGridBandFixed { bfNone, bfLeft, bfRight };

class TdxTreeListBand : public TCollectionItem {
 public:
  TdxTreeListBand() = default;
  // Columns of this band lose it (-1), the columns of later bands move one
  // band down; not while the tree list is destroying or loading.
  ~TdxTreeListBand() override;

  // From another band, in one collection update: RestoreDefaults, then its
  // values through the writers. Other sources: the inherited Assign.
  void Assign(const TPersistent* source) override;
  // Clamped to the collection; a fixed band stays where it is. The columns
  // follow their band, and those of the bands in between shift with them.
  void SetIndex(int value) override;
  virtual void RestoreDefaults();

  TCustomdxTreeList* TreeList() const;
  // Position among the visible bands; -1 for a hidden band.
  int VisibleIndex() const;
  int RowCount() const;
  int ColumnCount(int row) const;
  TdxTreeListColumn* Columns(int row, int col) const;

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  bool DisableCustomizing() const { return FDisableCustomizing; }
  void SetDisableCustomizing(bool value);
  bool DisableDragging() const { return FDisableDragging; }
  void SetDisableDragging(bool value) { FDisableDragging = value; }
  // Left goes to index 0, right to the last index, and the other band on
  // that side loses it; a hidden band moves but stays bfNone.
  TdxGridBandFixed Fixed() const { return FFixed; }
  void SetFixed(TdxGridBandFixed value);
  // Stores max(value, 0) and re-applies Width.
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int value);
  bool OnlyOwnColumns() const { return FOnlyOwnColumns; }
  void SetOnlyOwnColumns(bool value) { FOnlyOwnColumns = value; }
  bool Sizing() const { return FSizing; }
  void SetSizing(bool value);
  // Hiding a band also unfixes it.
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // Stores max(value, MinWidth).
  int Width() const { return FWidth; }
  void SetWidth(int value);

 private:
  friend class TdxTreeListBands;
  // Every column of band `from` moves to band `to`.
  void MoveColumns(int from, int to) const;
  void Report() { Changed(false); }

  TAlignment FAlignment = taCenter;
  std::string FCaption;
  bool FDisableCustomizing = false;
  bool FDisableDragging = false;
  TdxGridBandFixed FFixed = bfNone;
  int FMinWidth = 30;
  bool FOnlyOwnColumns = false;
  bool FSizing = true;
  bool FVisible = true;
  int FWidth = 250;
};

class TdxTreeListBands : public TCollectionOf<TdxTreeListBand> {
 public:
  explicit TdxTreeListBands(TCustomdxTreeList* treeList);
  // Bands still hear of their deletion while the tree list is whole.
  ~TdxTreeListBands() override;

  TCustomdxTreeList* TreeList() const { return FTreeList; }
  int VisibleCount() const;
  // nil / -1 outside the visible bands.
  TdxTreeListBand* VisibleItems(int visibleIndex) const;
  int GetAbsoluteIndex(int visibleIndex) const;
  // Clears fixed sides that break the rule (left band first visible, right
  // band last visible, one band per side) and fixes the first of each again.
  void NormaliseFixed();

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TCustomdxTreeList* FTreeList;
};
