#include "app/startup/first_paint_report.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "app/forms/main_form.h"
#include "datagrid/grid/db_grid.h"
#include "framework/gui/application/application.h"
#include "framework/gui/controls/messages.h"
#include "framework/gui/controls/win_control.h"

namespace {

// Comes back through the grid's queue once the paint that posted it is
// over: the window system paints a window's controls in one pass.
constexpr unsigned WM_FIRSTPAINTDONE = WM_APP + 0x71;

double ProcessCpuMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

TFirstPaintReport::TFirstPaintReport() : FActive(std::getenv("TULVO_PHONES_REPORT_FIRST_PAINT") != nullptr) {}

TFirstPaintReport::~TFirstPaintReport() = default;

void TFirstPaintReport::Watch(TMainForm& form) {
  if (!FActive || !form.GridHome) return;
  TdxDBGrid* grid = form.GridHome;
  FHook = std::make_unique<TWindowProcHook>([this, grid](TMessage& message) {
    FHook->CallPrevious(message);
    if (message.Msg == WM_PAINT && !FPainted) {
      FPainted = true;
      PostMessage(*grid, WM_FIRSTPAINTDONE);
    } else if (message.Msg == WM_FIRSTPAINTDONE) {
      std::printf("first_paint_cpu_ms: %.1f\n", ProcessCpuMilliseconds());
      std::fflush(stdout);
      if (Application) Application->Terminate();
    }
  });
  FHook->Hook(*grid);
}
