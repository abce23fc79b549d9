#pragma once
// A nested message loop around one control that holds the mouse capture,
// for modes that follow the mouse until something ends them (panning a
// view with the middle button, dragging). While it runs, the application
// goes on painting, ticking timers and delivering posted messages, but
// every mouse and key message, wherever its window, is first offered to
// the loop's body as a message of the control: mouse points in the
// control's client coordinates (GetMessagePos gives the screen point),
// keys as WM_KEYDOWN / WM_KEYUP (WM_SYS... with Alt). What the body does
// not take goes on as usual: mouse messages to the capture holder, keys to
// the focused control. An optional timer sends the body WM_TIMER with
// `ModalLoopTimerId` at a fixed interval.
//
// The loop ends when the body calls Stop, on an Escape the body does not
// take, when the control loses the capture (to another control, to a
// message box or a menu through cancel mode, by being freed), and when the
// application terminates. Loops nest: the innermost running loop hears the
// input and its timer; an outer loop waits for it (and ends after it when
// the inner one took its capture away). An exception the body raises ends
// the loop and leaves Run.

#include <functional>
#include <memory>

#include "framework/gui/controls/win_control.h"

enum TModalLoopEnd {
  mleStopped,      // the body called Stop
  mleCancelled,    // Escape
  mleCaptureLost,  // the control no longer holds the capture (or died)
  mleTerminated,   // the application is ending
};

// WParam of the WM_TIMER the loop's own timer sends to the body.
inline constexpr WPARAM ModalLoopTimerId = 0x7FFF;

class TModalLoopPrivate;

class TModalLoop {
 public:
  // Sees each message first; true takes it (it goes no further).
  using TBody = std::function<bool(TModalLoop& loop, TMessage& message)>;

  TModalLoop(TWinControl& control, TBody body);
  ~TModalLoop();
  TModalLoop(const TModalLoop&) = delete;
  TModalLoop& operator=(const TModalLoop&) = delete;

  // The body gets WM_TIMER every interval milliseconds while the loop runs
  // (0: no timer). Set it before Run.
  void SetTimerInterval(int milliseconds);
  int TimerInterval() const;

  // Takes the capture for the control unless it holds it already, runs
  // until one of the ends above, and gives back a capture it took. Raises
  // EInvalidOperation when this loop runs already.
  TModalLoopEnd Run();
  // Ends the loop once the message being handled is done.
  void Stop();
  bool Running() const;
  TWinControl& Control() const;

 private:
  std::unique_ptr<TModalLoopPrivate> FPrivate;
};

// Makes a loop with body (and a timer when interval > 0) and runs it.
TModalLoopEnd RunModalLoop(TWinControl& control, TModalLoop::TBody body, int timerInterval = 0);
