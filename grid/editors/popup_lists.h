#pragma once
// The pop-up lists the drop-down editors open below themselves. They are
// list boxes shown as pop-up windows: they never take the focus (their
// editor keeps it and passes them its keys) and look focused while their
// editor says so.
//
// TCustomdxPopupListBox: owner-drawn items each measured once, a border of
// its own style (single, thick or flat) and an optional drop shadow at the
// right and bottom; with HotTrack the item under the pointer is selected as
// it moves. A left release is reported to whoever listens (the editor
// closes the list then, accepting when the release was inside).
// TdxPopupImageListBox: an image (by a per-item index into Images) and a
// text per item.
// TCustomdxPopupPickListBox: typed characters choose the first item that
// begins with what was typed lately; TdxPopupPickListBox is its plain form.
//
// Each list is owned by the editor that opens it (or by whoever made it)
// and lives as long as that owner.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/base/event.h"
#include "framework/gui/graphics/image_list.h"
#include "framework/gui/standard/list_box.h"

enum TdxPopupBorderStyle : std::uint8_t { pbsSingle = 1, pbsThick = 2, pbsFlat = 3 };

using TdxPopupMouseUpEvent = TEvent<void(TObject* Sender, bool Inside)>;

class TCustomdxPopupListBox : public TCustomListBox {
 public:
  // Hidden, a pop-up window, owner-drawn items of their own heights.
  explicit TCustomdxPopupListBox(TComponent* owner);

  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool value) { FHotTrack = value; }
  TdxPopupBorderStyle PopupBorderStyle() const { return FPopupBorderStyle; }
  void SetPopupBorderStyle(TdxPopupBorderStyle value);
  bool Shadow() const { return FShadow; }
  void SetShadow(bool value);
  int ShadowSize() const { return 2; }
  // The border's width on each side; the shadow adds ShadowSize at the
  // right and the bottom.
  int BorderWidth() const;
  // The height every item is measured at.
  virtual int MeasuredItemHeight() const;

  // A left release on the list: Inside when it was over the list's client
  // area.
  TdxPopupMouseUpEvent OnPopupMouseUp;

 protected:
  TRect NonClientInsets() const override;
  void PaintNonClient(TCanvas& canvas, const TRect& windowRect) override;
  void MeasureItem(int index, int& height) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void FontChanged() override;
  void Resize() override;

  // The window leaves out the two corners its offset shadow does not cover.
  void UpdateShape();

 private:
  bool FHotTrack = true;
  TdxPopupBorderStyle FPopupBorderStyle = pbsSingle;
  bool FShadow = false;
};

class TdxPopupImageListBox : public TCustomdxPopupListBox {
 public:
  explicit TdxPopupImageListBox(TComponent* owner);

  // Referred to, not owned: cleared when the image list goes.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* images);
  bool IsMultiLineText() const { return FMultiLineText; }
  void SetMultiLineText(bool value);
  // One image index per item (negative: none); items without one show none.
  void SetImageIndexes(std::vector<int> indexes);
  int ImageIndexOf(int item) const;

  int MeasuredItemHeight() const override;

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;

 private:
  TCustomImageList* FImages = nullptr;
  bool FMultiLineText = false;
  std::vector<int> FImageIndexes;
};

class TCustomdxPopupPickListBox : public TCustomdxPopupListBox {
 public:
  using TCustomdxPopupListBox::TCustomdxPopupListBox;

  // The text typed lately (at most MaxSearchLength characters).
  const std::string& SearchText() const { return FSearchText; }
  void ClearSearchText() { FSearchText.clear(); }
  static constexpr std::size_t MaxSearchLength = 32;
  // Characters further apart than this begin a new search.
  static constexpr std::uint64_t SearchPause = 2000;

 protected:
  // Backspace and Escape forget the search; a character is added to it and
  // the first item beginning with the search is selected. A character that
  // finds nothing is taken off again; at the length limit nothing is added.
  void KeyPress(char& key) override;
  // Milliseconds of the clock the pause is measured on.
  virtual std::uint64_t CurrentTick() const;

 private:
  std::string FSearchText;
  std::uint64_t FLastTick = 0;
};

class TdxPopupPickListBox : public TCustomdxPopupPickListBox {
 public:
  using TCustomdxPopupPickListBox::TCustomdxPopupPickListBox;
};
