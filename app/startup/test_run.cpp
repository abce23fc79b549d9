#include "app/startup/test_run.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/forms/main_form.h"
#include "datagrid/grid/db_grid.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/std_controls.h"

namespace {

// Answers like the default service and shows what was asked.
class TPrintingDialogService : public TAnsweringDialogService {
 public:
  TModalResult ShowMessageDialog(const TMessageDialogRequest& request) override {
    std::fprintf(stderr, "phones dialog: %s\n", AnsiToUtf8(request.Text).c_str());
    std::fflush(stderr);
    return TAnsweringDialogService::ShowMessageDialog(request);
  }
};

}  // namespace

TTestRun::TTestRun() {
  const char* search = std::getenv("TULVO_PHONES_TEST_SEARCH");
  if (!search) return;
  FActive = true;
  FSearch = Utf8ToAnsi(search);
  if (const char* hold = std::getenv("TULVO_PHONES_TEST_HOLD")) FHold = hold;
  FDialogs = std::make_unique<TPrintingDialogService>();
  FScope = std::make_unique<TMessageDialogScope>(*FDialogs);
}

TTestRun::~TTestRun() = default;

int TTestRun::Run(TMainForm& form) const {
  if (Application->Terminated()) return 1;
  const auto search = [&form, this] {
    form.cbName->SetText(FSearch);
    form.Search();
    std::printf("apartments %d organisations %d\n", form.GridHome->RecordCount(), form.GridOrg->RecordCount());
    std::fflush(stdout);
  };
  search();
  if (FHold.empty()) return 0;
  // Shown as the program's own loop would show it, and ended as it would
  // be: by a signal too.
  form.Show();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!Application->Terminated() && !std::filesystem::exists(FHold) &&
         std::chrono::steady_clock::now() < deadline) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Once more on the way out: the database is still there, whatever ended
  // the wait.
  search();
  return 0;
}
