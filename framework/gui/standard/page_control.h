#pragma once
// TPageControl: tabbed pages (TTabSheet), one shown at a time. A sheet
// joins a page control by `SetPageControl` (or by being given it as
// parent); the page control places it, and only the active sheet is
// Visible. Changing the page by clicking its tab fires OnChange; setting
// ActivePage from code does not.

#include <vector>

#include "framework/gui/controls/win_control.h"

class TPageControl;

class TTabSheet : public TWinControl {
  friend class TPageControl;

 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  TPageControl* PageControl() const;
  void SetPageControl(TPageControl* pageControl);
  // Position among the page control's pages; -1 outside one.
  int PageIndex() const;
  void SetPageIndex(int index);
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool visible);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int index) { FImageIndex = index; }

 protected:
  void ParentChanged() override;
  void BoundsChanged() override;
  void VisibleChanged() override {}
  void TextChanged() override;

 private:
  bool FTabVisible = true;
  int FImageIndex = -1;
  TPageControl* FPageControl = nullptr;  // the one whose pages list holds it
};

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int index) const;
  TTabSheet* ActivePage() const;
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);

  TNotifyEvent OnChange;

 protected:
  friend class TTabSheet;
  friend class TPageControlAccess;

  void CreateWnd() override;
  virtual void Change();

 private:
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void MovePage(TTabSheet* page, int index);
  void UpdateTab(TTabSheet* page);
  void ShowActive();

  std::vector<TTabSheet*> FPages;
  bool FSettingPage = false;
};
