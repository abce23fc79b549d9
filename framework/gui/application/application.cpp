#include "framework/gui/application/application.h"

#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "framework/gui/application/qt_timer_scheduler.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/application/termination_signals.h"
#include "framework/gui/controls/win_control_p.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/forms.h"

TApplication* Application = nullptr;

namespace {

// Hears what happens to the application as a whole.
class TApplicationEvents : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ApplicationStateChange && watched == QCoreApplication::instance() &&
        static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive) {
      // Another program took the user: mouse modes end, as for a modal window.
      TControlInput::Guard(Application, [] { CancelModes(); });
    }
    return false;
  }
};

}  // namespace

class TApplicationPrivate {
 public:
  // Made here when the program has no Qt application yet; tests make their
  // own first.
  std::unique_ptr<QApplication> Qt;
  // Made after Qt's application, gone before it.
  TApplicationEvents Events;
  TQtTimerScheduler Timers;
  TTimerScheduler* PreviousTimers = nullptr;
  // Hears the termination signals (EndOnTerminationSignals).
  std::unique_ptr<QSocketNotifier> Signals;
};

TApplication::TApplication(int& argc, char** argv)
    : TComponent(nullptr), FPrivate(std::make_unique<TApplicationPrivate>()) {
  if (Application) throw EInvalidOperation("An application object exists already");
  if (!QCoreApplication::instance()) FPrivate->Qt = std::make_unique<QApplication>(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QCoreApplication::instance()->installEventFilter(&FPrivate->Events);
  Application = this;
  FScreen = new TScreen(this);
  FPrivate->PreviousTimers = SetTimerScheduler(&FPrivate->Timers);
}

TApplication::~TApplication() {
  Destroying();
  // Forms hear OnDestroy while their classes are whole, last made first.
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (auto* form = dynamic_cast<TForm*>(Components(i))) form->BeforeDestruction();
  DestroyComponents();
  SetTimerScheduler(FPrivate->PreviousTimers);
  Application = nullptr;
}

void TApplication::SetTitle(const std::string& title) { FTitle = title; }

std::string TApplication::ExeName() const {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

void TApplication::FormCreated(TForm* form) {
  form->AfterConstruction();
  if (!FMainForm) FMainForm = form;
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::Run() {
  if (FTerminated) return;
  if (FMainForm) FMainForm->Show();
  if (FTerminated) return;
  FRunning = true;
  QApplication::exec();
  FRunning = false;
}

void TApplication::Terminate() {
  FTerminated = true;
  if (FRunning) QCoreApplication::quit();
}

void TApplication::EndOnTerminationSignals() {
  if (FPrivate->Signals) return;
  const int readEnd = termination_signals::Install();
  if (readEnd < 0)
    throw EOSError(std::string("Cannot catch the termination signals: ") + std::strerror(errno));
  FPrivate->Signals = std::make_unique<QSocketNotifier>(readEnd, QSocketNotifier::Read);
  QObject::connect(FPrivate->Signals.get(), &QSocketNotifier::activated, [this, readEnd] {
    if (!termination_signals::Drain(readEnd) || FTerminated) return;
    FEndedBySignal = true;
    TControlInput::Guard(this, [this] {
      // As the menu's exit does: the main form closes and saves what it
      // keeps. The session is ending, so a form that refuses to close does
      // not keep the program alive; open dialogs end with it.
      if (FMainForm) FMainForm->Close();
      Terminate();
    });
    // Every loop ends, also a dialog's before Run started (a start-up
    // error box), which quit would leave running.
    if (FTerminated) QCoreApplication::exit(0);
  });
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool TApplication::Active() const { return QGuiApplication::applicationState() == Qt::ApplicationActive; }

void TApplication::SetShowHint(bool showHint) { FShowHint = showHint; }

void TApplication::ShowException(const Exception& e) {
  TMessageDialogRequest request;
  request.Caption = FTitle;
  request.Text = e.Message();
  request.Type = mtError;
  request.Buttons = {mbOK};
  MessageDialogService().ShowMessageDialog(request);
}

void TApplication::HandleException(TObject* sender) noexcept {
  try {
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    try {
      std::rethrow_exception(current);
    } catch (const EAbort&) {
      return;
    } catch (const Exception& e) {
      if (OnException)
        OnException(sender, e);
      else
        ShowException(e);
    } catch (const std::exception& e) {
      Exception wrapped(e.what());
      if (OnException)
        OnException(sender, wrapped);
      else
        ShowException(wrapped);
    } catch (...) {
      Exception wrapped("Unknown exception");
      if (OnException)
        OnException(sender, wrapped);
      else
        ShowException(wrapped);
    }
  } catch (const std::exception& e) {
    // The handler itself failed: there is nobody left to tell but stderr.
    std::fprintf(stderr, "Exception while reporting an exception: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Exception while reporting an exception\n");
  }
}
