#pragma once
// Helpers for tests of the message path: a control that records the
// messages passing through its window procedure (`TMessageLogControl`),
// and a spy that records what reaches any control by hooking its window
// procedure (`TMessageSpy`). Both keep the messages they record in order,
// with their parameters, and can be told which ids to keep. A popup menu
// that records where it would open (`TRecordingPopupMenu`).

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "framework/gui/controls/custom_control.h"
#include "framework/gui/controls/messages.h"
#include "framework/gui/standard/menus.h"

struct TLoggedMessage {
  unsigned Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
};

// The messages of log whose id is msg.
inline std::vector<TLoggedMessage> MessagesOf(const std::vector<TLoggedMessage>& log, unsigned msg) {
  std::vector<TLoggedMessage> out;
  for (const TLoggedMessage& m : log)
    if (m.Msg == msg) out.push_back(m);
  return out;
}

// The control named by a message's LParam.
inline TControl* LParamControl(const TLoggedMessage& m) { return ControlOf(static_cast<std::uintptr_t>(m.LParam)); }

inline std::vector<unsigned> IdsOf(const std::vector<TLoggedMessage>& log) {
  std::vector<unsigned> ids;
  for (const TLoggedMessage& m : log) ids.push_back(m.Msg);
  return ids;
}

// A painted control that logs the messages reaching its WndProc (all of
// them, or only Kept when it is not empty) and hands each to React first:
// React returning true takes the message (the base never sees it).
class TMessageLogControl : public TCustomControl {
 public:
  explicit TMessageLogControl(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 100, 80);
    SetTabStop(true);
  }

  std::set<unsigned> Kept;
  std::vector<TLoggedMessage> Log;
  std::function<bool(TMessage&)> React;
  unsigned DlgCode = 0;

 protected:
  void WndProc(TMessage& message) override {
    if (Kept.empty() || Kept.count(message.Msg)) Log.push_back({message.Msg, message.WParam, message.LParam});
    if (React && React(message)) return;
    TCustomControl::WndProc(message);
  }
  unsigned GetDlgCode() const override { return DlgCode; }
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
    // Painted controls take the focus themselves.
    if (CanFocus() && !Focused()) SetFocus();
    TCustomControl::MouseDown(button, shift, x, y);
  }
};

// Records the messages (of the ids in Kept, or all) that reach a control's
// window procedure, through a hook in front of it.
class TMessageSpy {
 public:
  explicit TMessageSpy(TControl& target, std::set<unsigned> kept = {})
      : Kept(std::move(kept)), FHook([this](TMessage& m) {
          if (Kept.empty() || Kept.count(m.Msg)) Log.push_back({m.Msg, m.WParam, m.LParam});
          FHook.CallPrevious(m);
        }) {
    FHook.Hook(target);
  }

  std::set<unsigned> Kept;
  std::vector<TLoggedMessage> Log;

 private:
  TWindowProcHook FHook;
};

// Records where it would open instead of opening.
class TRecordingPopupMenu : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
  std::vector<TPoint> Shown;
  void Popup(int x, int y) override { Shown.push_back(Point(x, y)); }
};
