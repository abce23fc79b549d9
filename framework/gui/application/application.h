#pragma once
// TApplication: the program's one application object. It starts the Qt
// application, owns the forms made with `CreateForm` and the `TScreen`,
// runs the message loop until `Terminate`, and is where every exception
// raised inside an event handler ends up (`HandleException`): the silent
// abort is dropped, `OnException` gets the rest when assigned, and
// otherwise an error dialog shows the message.
//
// main() makes it on the stack; while it lives the global `Application`
// points to it (and `Screen` to its screen), and the framework's timers
// (`TTimer`) run on Qt's event loop. Its forms are told `BeforeDestruction`
// and freed, last made first, when it dies.

#include <string>

#include "framework/core/base/event.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/component/component.h"
#include "framework/gui/graphics/graphics.h"

class TForm;
class TScreen;
class TApplicationPrivate;

using TExceptionEvent = TEvent<void(TObject* Sender, const Exception& E)>;

class TApplication : public TComponent {
 public:
  // Starts Qt with the program's arguments unless a Qt application exists
  // already (as in tests). Raises EInvalidOperation when another
  // TApplication lives.
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& title);
  // The program's file (the link /proc/self/exe resolves to).
  std::string ExeName() const;

  // The first form made with CreateForm; closing it ends Run.
  TForm* MainForm() const { return FMainForm; }

  // Makes a form of class T owned by the application, fires its OnCreate,
  // and makes it the main form when there is none yet.
  template <class T>
  T* CreateForm() {
    T* form = new T(this);
    FormCreated(form);
    return form;
  }

  // Shows the main form and processes messages until Terminate; returns at
  // once when Terminate was called before.
  void Run();
  // Ends Run (now or, when it has not started, as soon as it starts).
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Takes back a termination while Run is not running, so that the
  // application runs again (a test that terminates leaves the application
  // as it found it).
  void ResetTerminated() {
    if (!FRunning) FTerminated = false;
  }
  // Handles every waiting message, then returns.
  void ProcessMessages();
  // From now on SIGTERM, SIGINT and SIGHUP end the program as closing its
  // main form does (its OnCloseQuery is asked, but a refusal does not keep
  // the program running), heard by the event loop; a signal that comes
  // while the program ends is swallowed. For the rest of the process: the
  // program's main block calls it, tests do not. Call it before a library
  // that installs handlers of its own is loaded (the database client leaves
  // the signals to a handler it finds in place). Raises EOSError when the
  // handlers cannot be installed.
  void EndOnTerminationSignals();
  // One of those signals came: the session is ending and nobody may be
  // there to answer, so message dialogs are not shown from then on (their
  // text goes to the error stream, their answer is Cancel).
  bool EndedBySignal() const { return FEndedBySignal; }
  // One of the program's windows is the active window of the desktop.
  bool Active() const;

  // Reports the exception being handled (call it inside a catch block).
  // Never throws.
  void HandleException(TObject* sender) noexcept;
  // The error dialog of the default handling: the message, an OK button.
  void ShowException(const Exception& e);

  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool showHint);
  int HintPause() const { return FHintPause; }
  void SetHintPause(int milliseconds) { FHintPause = milliseconds; }
  int HintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(int milliseconds) { FHintHidePause = milliseconds; }
  TColor HintColor() const { return FHintColor; }
  void SetHintColor(TColor color) { FHintColor = color; }

  TScreen& Screen() const { return *FScreen; }

  TExceptionEvent OnException;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  void FormCreated(TForm* form);

  std::unique_ptr<TApplicationPrivate> FPrivate;
  TScreen* FScreen = nullptr;
  std::string FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  bool FRunning = false;
  bool FEndedBySignal = false;
  bool FShowHint = true;
  int FHintPause = 500;
  int FHintHidePause = 2500;
  TColor FHintColor = clInfoBk;
};

// The living application, or nullptr.
extern TApplication* Application;
