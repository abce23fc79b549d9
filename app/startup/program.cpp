#include "app/startup/program.h"

#include <cstdio>
#include <exception>

#include "app/forms/main_form.h"
#include "app/startup/firebird_root.h"
#include "app/startup/first_paint_report.h"
#include "app/startup/test_run.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/metadata/layer_shutdown.h"
#include "dbaccess_ui/database_ui.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/dialogs.h"

namespace {

int RunApplication(int argc, char** argv, const TFirebirdRootResult& root) {
  TApplication application(argc, argv);
  application.SetTitle("Tulvo Kelvorsk");
  // The client takes SIGTERM and SIGINT itself, shutting the connection
  // down under a window that goes on: the program ends itself instead, as
  // its menu does, and the client is told to stand back.
  try {
    application.EndOnTerminationSignals();
    ClientLibrary().LeaveTerminationSignalsToProgram();
  } catch (const Exception& e) {
    std::fprintf(stderr, "phones: %s\n", e.Message().c_str());
  }
  const TDatabaseUIScope databaseUi;
  const TTestRun testRun;  // only when the environment asks for one
  TFirstPaintReport firstPaint;  // only for the start-up benchmark
  if (root.Outcome == TFirebirdRootResult::Failed)
    MessageDlg(RU("Не удалось подготовить каталог сервера базы данных для совместной работы нескольких копий "
                  "программы (") +
                   root.Problem +
                   RU("). Программа работает в обычном режиме: вторая копия не сможет открыть ту же базу."),
               mtWarning, TMsgDlgButtons{mbOK});
  try {
    application.CreateForm<TMainForm>();
  } catch (...) {
    // The form never finished building (no client library, for one):
    // there is nothing to run, and nothing of it is stored.
    application.HandleException(nullptr);
    return 1;
  }
  if (testRun.Active()) return testRun.Run(*MainForm);
  firstPaint.Watch(*MainForm);
  application.Run();
  return 0;
}

}  // namespace

int ProgramMain(int argc, char** argv) {
  const TFirebirdRootResult root = PrepareFirebirdRoot(DefaultFirebirdRootPlan());
  int status = 0;
  try {
    status = RunApplication(argc, argv, root);
  } catch (const std::exception& e) {
    // Nothing of the window system to show it with (no display).
    std::fprintf(stderr, "phones: %s\n", e.what());
    status = 1;
  }
  ShutdownDatabaseLayer();
  return status;
}
