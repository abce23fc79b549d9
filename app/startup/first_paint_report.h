#pragma once
// A hook for the start-up benchmark alone: when the variable
// TULVO_PHONES_REPORT_FIRST_PAINT is set, the program waits for the first
// paint of its main window (the apartments grid, the last control the first
// paint reaches, has painted and the window's paint has ended), prints
// "first_paint_cpu_ms: N" to its output (the processor time of the whole
// process so far, every thread counted, in milliseconds) and ends as if
// the window had been closed. Without the variable it does nothing.

#include <memory>

class TMainForm;
class TWindowProcHook;

class TFirstPaintReport {
 public:
  TFirstPaintReport();
  ~TFirstPaintReport();
  TFirstPaintReport(const TFirstPaintReport&) = delete;
  TFirstPaintReport& operator=(const TFirstPaintReport&) = delete;

  bool Active() const { return FActive; }
  // Starts watching the form's first paint; nothing when not active.
  void Watch(TMainForm& form);

 private:
  bool FActive = false;
  bool FPainted = false;
  std::unique_ptr<TWindowProcHook> FHook;
};
