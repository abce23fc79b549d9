#include "framework/gui/menus.h"

#include <QAction>
#include <QCursor>
#include <QKeySequence>
#include <algorithm>
#include <functional>

#include "framework/core/base/exceptions.h"
#include "framework/gui/control.h"
#include "framework/gui/menus_p.h"
#include "framework/gui/qt_text.h"
#include "framework/gui/win_control_p.h"

namespace {

QKeySequence ToQKeySequence(TShortCut shortCut) {
  if (shortCut == 0) return {};
  int key = shortCut & 0xFF;
  int qtKey = 0;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
    qtKey = key;
  else if (key >= VK_F1 && key <= VK_F12)
    qtKey = Qt::Key_F1 + (key - VK_F1);
  else if (key == VK_DELETE)
    qtKey = Qt::Key_Delete;
  else if (key == VK_INSERT)
    qtKey = Qt::Key_Insert;
  else if (key == VK_RETURN)
    qtKey = Qt::Key_Return;
  else
    return {};
  int mods = 0;
  if (shortCut & scShift) mods |= Qt::SHIFT;
  if (shortCut & scCtrl) mods |= Qt::CTRL;
  if (shortCut & scAlt) mods |= Qt::ALT;
  return QKeySequence(qtKey | mods);
}

}  // namespace

// --- TMenuItem -----------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  if (FParent) FParent->Remove(this);
  for (TMenuItem* child : FItems) {
    child->FParent = nullptr;
    std::function<void(TMenuItem*)> clear = [&](TMenuItem* i) {
      i->FMenu = nullptr;
      for (TMenuItem* c : i->FItems) clear(c);
    };
    clear(child);
  }
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  return FItems[static_cast<std::size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item) return;
  for (const TMenuItem* p = this; p; p = p->FParent)
    if (p == item) throw EMenuError("Menu inserted twice");
  if (item->FParent) item->FParent->Remove(item);
  index = std::clamp(index, 0, Count());
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  std::function<void(TMenuItem*)> assign = [&](TMenuItem* i) {
    i->FMenu = FMenu;
    for (TMenuItem* c : i->FItems) assign(c);
  };
  assign(item);
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  item->FParent = nullptr;
  std::function<void(TMenuItem*)> clear = [&](TMenuItem* i) {
    i->FMenu = nullptr;
    for (TMenuItem* c : i->FItems) clear(c);
  };
  clear(item);
  Changed();
}

void TMenuItem::SetCaption(const std::string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  Changed();
}

void TMenuItem::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Changed();
}

void TMenuItem::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  Changed();
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == FChecked) return;
  FChecked = checked;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
  if (shortCut == FShortCut) return;
  FShortCut = shortCut;
  Changed();
}

void TMenuItem::Click() {
  if (FEnabled && OnClick) OnClick(this);
}

void TMenuItem::Changed() {
  if (FMenu && !FMenu->ComponentState().Contains(TComponentStateItem::csDestroying)) FMenu->MenuChanged();
}

// --- TMenu ---------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), FPrivate(std::make_unique<TMenuPrivate>()) {
  FItems = new TMenuItem(this);
  FItems->FMenu = this;
}

TMenu::~TMenu() {
  Destroying();
  std::function<void(TMenuItem*)> clear = [&](TMenuItem* i) {
    i->FMenu = nullptr;
    for (TMenuItem* c : i->FItems) clear(c);
  };
  clear(FItems);
  DestroyComponents();
}

TMenuItem* TMenu::FindItem(TShortCut shortCut) const {
  std::function<TMenuItem*(TMenuItem*)> find = [&](TMenuItem* i) -> TMenuItem* {
    for (TMenuItem* c : i->FItems) {
      if (c->ShortCut() == shortCut && shortCut != 0) return c;
      if (TMenuItem* f = find(c)) return f;
    }
    return nullptr;
  };
  return find(FItems);
}

void TMenu::MenuChanged() {
  if (FPrivate->Bar) {
    FPrivate->Bar->clear();
    TMenuAccess::Fill(FPrivate->Bar, FItems);
  }
}

void TMenuAccess::AttachBar(TMenu& menu, QMenuBar* bar) {
  menu.FPrivate->Bar = bar;
  if (bar) {
    bar->clear();
    Fill(bar, menu.Items());
  }
}

void TMenuAccess::Fill(QWidget* target, TMenuItem* item) {
  auto* bar = qobject_cast<QMenuBar*>(target);
  auto* menu = qobject_cast<QMenu*>(target);
  for (int i = 0; i < item->Count(); ++i) {
    TMenuItem* sub = item->Items(i);
    if (!sub->Visible()) continue;
    if (sub->IsLine()) {
      if (bar)
        bar->addSeparator();
      else
        menu->addSeparator();
      continue;
    }
    QString text = ToQString(sub->Caption());
    if (sub->Count() > 0) {
      QMenu* child = bar ? bar->addMenu(text) : menu->addMenu(text);
      child->setEnabled(sub->Enabled());
      Fill(child, sub);
      continue;
    }
    QAction* action = bar ? bar->addAction(text) : menu->addAction(text);
    action->setEnabled(sub->Enabled());
    if (sub->Checked()) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    action->setShortcut(ToQKeySequence(sub->ShortCut()));
    QObject::connect(action, &QAction::triggered,
                     [sub] { TControlInput::Guard(sub, [sub] { sub->Click(); }); });
  }
}

// --- Main and popup menus --------------------------------------------------------------

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) {}

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

void TPopupMenu::SetPopupComponent(TControl* control) {
  if (control == FPopupComponent) return;
  if (FPopupComponent) FPopupComponent->RemoveFreeNotification(this);
  FPopupComponent = control;
  if (control) control->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  CancelModes();
  if (OnPopup) OnPopup(this);
  QMenu menu;
  TMenuAccess::Fill(&menu, Items());
  if (menu.isEmpty()) return;
  menu.exec(QPoint(x, y));
}
