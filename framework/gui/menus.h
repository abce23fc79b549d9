#pragma once
// Menus: TMenuItem trees under a TMainMenu (the menu bar of a form) or a
// TPopupMenu (shown at a point, or by a right click on a control that
// names it as its PopupMenu). Items are components owned by the form like
// any other; the tree only refers to them, and an item that dies leaves
// it. An item's caption "-" makes it a separator; '&' marks its access key.
// Choosing an item calls its Click (OnClick); an exception from the handler
// goes to the application's handler.

#include <memory>
#include <string>
#include <vector>

#include "framework/core/component/component.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/base/object.h"

TULVO_DECLARE_EXCEPTION(EMenuError, Exception);

class TMenu;
class TMenuPrivate;
class TMenuAccess;
class TControl;

// Shortcut: a virtual key with scShift / scCtrl / scAlt added.
using TShortCut = unsigned short;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  bool IsLine() const { return FCaption == "-"; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  bool Checked() const { return FChecked; }
  void SetChecked(bool checked);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut shortCut);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& hint) { FHint = hint; }

  // Sub-items, in menu order.
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int index) const;
  // Appends item (taking it from any other menu item first).
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes item out of this one's sub-items (it stays alive).
  void Remove(TMenuItem* item);
  void Delete(int index) { Remove(Items(index)); }
  int IndexOf(const TMenuItem* item) const;
  TMenuItem* Parent() const { return FParent; }
  int MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

  // What choosing the item does: fires OnClick.
  virtual void Click();

  TNotifyEvent OnClick;

 private:
  friend class TMenu;
  void Changed();

  std::string FCaption;
  bool FEnabled = true;
  bool FVisible = true;
  bool FChecked = false;
  TShortCut FShortCut = 0;
  std::string FHint;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // the menu whose tree this item is in
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The invisible root whose sub-items are the menu's items.
  TMenuItem* Items() const { return FItems; }

  // Finds the item with this shortcut anywhere in the tree; nullptr if none.
  TMenuItem* FindItem(TShortCut shortCut) const;

 protected:
  friend class TMenuItem;
  friend class TMenuAccess;
  // The tree or an item changed.
  virtual void MenuChanged();

  std::unique_ptr<TMenuPrivate> FPrivate;

 private:
  TMenuItem* FItems;
};

// The menu bar of the form that names it as its Menu.
class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* owner);
};

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* owner);

  // Shows the menu at the screen point and returns when it closes (after
  // the chosen item's Click).
  virtual void Popup(int x, int y);
  // Shown by a right click on a control that names it (true by default).
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool autoPopup) { FAutoPopup = autoPopup; }
  // The control the menu was last shown for.
  TControl* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TControl* control);

  void Notification(TComponent* component, TOperation operation) override;

  TNotifyEvent OnPopup;

 private:
  bool FAutoPopup = true;
  TControl* FPopupComponent = nullptr;
};
