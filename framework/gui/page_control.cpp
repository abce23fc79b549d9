#include "framework/gui/page_control.h"

#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

#include "framework/core/base/exceptions.h"
#include "framework/gui/qt_text.h"
#include "framework/gui/win_control_p.h"

class TPageControlAccess {
 public:
  static void PageChanged(TPageControl& pc) {
    if (pc.FSettingPage) return;
    pc.ShowActive();
    pc.Change();
  }
};

namespace {

QTabWidget* Tabs(const TPageControl& pc) { return static_cast<QTabWidget*>(TWidgetAccess::Window(pc)); }

}  // namespace

// --- TTabSheet --------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() + csAcceptsControls);
  SetParentColor(true);
  HandleNeeded();
}

TTabSheet::~TTabSheet() {
  if (FPageControl) FPageControl->RemovePage(this);
}

TPageControl* TTabSheet::PageControl() const { return FPageControl; }

void TTabSheet::SetPageControl(TPageControl* pageControl) { SetParent(pageControl); }

void TTabSheet::ParentChanged() {
  auto* pc = dynamic_cast<TPageControl*>(Parent());
  if (FPageControl && FPageControl != pc) FPageControl->RemovePage(this);
  if (pc) {
    if (pc != FPageControl) pc->InsertPage(this);
  } else {
    TWinControl::ParentChanged();
  }
}

void TTabSheet::BoundsChanged() {
  // Inside a page control the page control places the sheet.
  if (!FPageControl) TWinControl::BoundsChanged();
}

void TTabSheet::TextChanged() {
  if (FPageControl) FPageControl->UpdateTab(this);
}

int TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  const auto& pages = FPageControl->FPages;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
  if (FPageControl) FPageControl->MovePage(this, index);
}

void TTabSheet::SetTabVisible(bool visible) {
  FTabVisible = visible;
  if (FPageControl) FPageControl->UpdateTab(this);
}

// --- TPageControl -----------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() + csAcceptsControls);
  SetParentColor(true);
  SetTabStop(true);
  HandleNeeded();
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  Destroying();
  DestroyComponents();
  // Sheets owned elsewhere leave while this is still a page control.
  while (!FPages.empty()) FPages.back()->SetParent(nullptr);
}

void TPageControl::CreateWnd() {
  auto* tabs = new QTabWidget;
  QObject::connect(tabs, &QTabWidget::currentChanged, [this] {
    TControlInput::Guard(this, [this] { TPageControlAccess::PageChanged(*this); });
  });
  TWidgetAccess::Attach(*this, tabs);
  TWidgetAccess::PassMouse(*this);
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FPages[static_cast<std::size_t>(index)];
}

void TPageControl::InsertPage(TTabSheet* page) {
  FPages.push_back(page);
  page->FPageControl = this;
  FSettingPage = true;
  Tabs(*this)->addTab(TWidgetAccess::Window(*page), ToQString(page->Caption()));
  FSettingPage = false;
  UpdateTab(page);
  ShowActive();
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(FPages.begin(), FPages.end(), page);
  if (it == FPages.end()) return;
  FPages.erase(it);
  page->FPageControl = nullptr;
  QTabWidget* tabs = Tabs(*this);
  FSettingPage = true;
  int index = tabs->indexOf(TWidgetAccess::Window(*page));
  if (index >= 0) tabs->removeTab(index);
  FSettingPage = false;
  if (!ComponentState().Contains(TComponentStateItem::csDestroying)) ShowActive();
}

void TPageControl::MovePage(TTabSheet* page, int index) {
  auto it = std::find(FPages.begin(), FPages.end(), page);
  if (it == FPages.end()) return;
  int from = static_cast<int>(it - FPages.begin());
  index = std::clamp(index, 0, PageCount() - 1);
  if (from == index) return;
  FPages.erase(it);
  FPages.insert(FPages.begin() + index, page);
  FSettingPage = true;
  Tabs(*this)->tabBar()->moveTab(from, index);
  FSettingPage = false;
}

void TPageControl::UpdateTab(TTabSheet* page) {
  QTabWidget* tabs = Tabs(*this);
  int index = tabs->indexOf(TWidgetAccess::Window(*page));
  if (index < 0) return;
  tabs->setTabText(index, ToQString(page->Caption()));
  tabs->setTabVisible(index, page->TabVisible());
}

TTabSheet* TPageControl::ActivePage() const {
  QWidget* current = Tabs(*this)->currentWidget();
  for (TTabSheet* page : FPages)
    if (TWidgetAccess::Window(*page) == current) return page;
  return nullptr;
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->PageControl() != this) return;
  FSettingPage = true;
  if (page) Tabs(*this)->setCurrentWidget(TWidgetAccess::Window(*page));
  FSettingPage = false;
  ShowActive();
}

int TPageControl::ActivePageIndex() const {
  TTabSheet* page = ActivePage();
  return page ? page->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? FPages[static_cast<std::size_t>(index)] : nullptr);
}

void TPageControl::ShowActive() {
  TTabSheet* active = ActivePage();
  for (TTabSheet* page : FPages) page->SetVisible(page == active);
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}
