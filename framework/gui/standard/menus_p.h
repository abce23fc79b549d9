#pragma once
// Private to framework/gui: the Qt menus behind a TMenu.

#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "framework/gui/standard/menus.h"

class TMenuPrivate {
 public:
  // The menu bar showing a main menu (owned by its form's window).
  QPointer<QMenuBar> Bar;
};

class TMenuAccess {
 public:
  static void AttachBar(TMenu& menu, QMenuBar* bar);
  // Fills a Qt menu or menu bar with the sub-items of item.
  static void Fill(QWidget* target, TMenuItem* item);
};
