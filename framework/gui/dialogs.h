#pragma once
// Message dialogs. Every dialog goes through one service: by default the
// Qt message box; tests (and anything else that must answer without a
// person) install their own for a scope with `TMessageDialogScope`.
// `TAnsweringDialogService` is such a service: it records each request
// and answers from a queue, or with the first button's result.

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/base/set.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn, 16>;

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

// The result a button gives.
TModalResult ModalResultOf(TMsgDlgBtn button);

struct TMessageDialogRequest {
  std::string Caption;  // the window title
  std::string Text;
  TMsgDlgType Type = mtInformation;
  TMsgDlgButtons Buttons;
};

class TMessageDialogService {
 public:
  virtual ~TMessageDialogService() = default;
  // Shows the dialog and returns the result of the button chosen
  // (mrCancel when the dialog was closed otherwise).
  virtual TModalResult ShowMessageDialog(const TMessageDialogRequest& request) = 0;
};

// The service dialogs go to now.
TMessageDialogService& MessageDialogService();

// Routes dialogs to service for its lifetime; scopes nest.
class TMessageDialogScope {
 public:
  explicit TMessageDialogScope(TMessageDialogService& service);
  ~TMessageDialogScope();
  TMessageDialogScope(const TMessageDialogScope&) = delete;
  TMessageDialogScope& operator=(const TMessageDialogScope&) = delete;

 private:
  TMessageDialogService* FPrevious;
};

// Shows a message with an icon for its type and the given buttons. The
// caption is the type's ("Warning", "Error", "Information", "Confirm"),
// or the application title for mtCustom.
TModalResult MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);
// An information message with an OK button, titled with the application.
void ShowMessage(std::string_view text);

// Records requests; answers with the queued results in order, then with
// the result of the first button offered (in the order OK, Yes, No,
// Cancel, ...).
class TAnsweringDialogService : public TMessageDialogService {
 public:
  TModalResult ShowMessageDialog(const TMessageDialogRequest& request) override;
  void Answer(TModalResult result) { FAnswers.push_back(result); }
  const std::vector<TMessageDialogRequest>& Requests() const { return FRequests; }

 private:
  std::deque<TModalResult> FAnswers;
  std::vector<TMessageDialogRequest> FRequests;
};
