#include "framework/gui/standard/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <utility>

#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/controls/win_control.h"
#include "framework/gui/graphics/qt_text.h"

namespace {

constexpr TMsgDlgBtn AllButtons[] = {mbOK,     mbYes, mbNo,      mbCancel,   mbAbort, mbRetry,
                                     mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp};

class TQtDialogService : public TMessageDialogService {
 public:
  TModalResult ShowMessageDialog(const TMessageDialogRequest& request) override {
    if (Application && Application->EndedBySignal()) {
      // A box now would hold the end of the session until it kills us.
      std::fprintf(stderr, "%s: %s\n", AnsiToUtf8(request.Caption).c_str(), AnsiToUtf8(request.Text).c_str());
      return mrCancel;
    }
    QMessageBox box;
    switch (request.Type) {
      case mtWarning:
        box.setIcon(QMessageBox::Warning);
        break;
      case mtError:
        box.setIcon(QMessageBox::Critical);
        break;
      case mtInformation:
        box.setIcon(QMessageBox::Information);
        break;
      case mtConfirmation:
        box.setIcon(QMessageBox::Question);
        break;
      case mtCustom:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    box.setWindowTitle(ToQString(request.Caption));
    box.setText(ToQString(request.Text));
    std::vector<std::pair<QAbstractButton*, TModalResult>> buttons;
    for (TMsgDlgBtn b : AllButtons) {
      if (!request.Buttons.Contains(b)) continue;
      QMessageBox::StandardButton standard = QMessageBox::NoButton;
      switch (b) {
        case mbYes:
          standard = QMessageBox::Yes;
          break;
        case mbNo:
          standard = QMessageBox::No;
          break;
        case mbOK:
          standard = QMessageBox::Ok;
          break;
        case mbCancel:
          standard = QMessageBox::Cancel;
          break;
        case mbAbort:
          standard = QMessageBox::Abort;
          break;
        case mbRetry:
          standard = QMessageBox::Retry;
          break;
        case mbIgnore:
          standard = QMessageBox::Ignore;
          break;
        case mbAll:
          standard = QMessageBox::YesAll;
          break;
        case mbNoToAll:
          standard = QMessageBox::NoToAll;
          break;
        case mbYesToAll:
          standard = QMessageBox::YesToAll;
          break;
        case mbHelp:
          standard = QMessageBox::Help;
          break;
      }
      buttons.emplace_back(box.addButton(standard), ModalResultOf(b));
    }
    if (buttons.empty()) buttons.emplace_back(box.addButton(QMessageBox::Ok), mrOk);
    box.exec();
    for (const auto& [button, result] : buttons)
      if (box.clickedButton() == button) return result;
    return mrCancel;
  }
};

TMessageDialogService*& CurrentService() {
  static TQtDialogService qtService;
  static TMessageDialogService* current = &qtService;
  return current;
}

std::string CaptionFor(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return "Warning";
    case mtError:
      return "Error";
    case mtInformation:
      return "Information";
    case mtConfirmation:
      return "Confirm";
    case mtCustom:
      break;
  }
  return Application ? Application->Title() : std::string();
}

}  // namespace

TModalResult ModalResultOf(TMsgDlgBtn button) {
  switch (button) {
    case mbYes:
      return mrYes;
    case mbNo:
      return mrNo;
    case mbOK:
      return mrOk;
    case mbCancel:
      return mrCancel;
    case mbAbort:
      return mrAbort;
    case mbRetry:
      return mrRetry;
    case mbIgnore:
      return mrIgnore;
    case mbAll:
      return mrAll;
    case mbNoToAll:
      return mrNoToAll;
    case mbYesToAll:
      return mrYesToAll;
    case mbHelp:
      return mrNone;
  }
  return mrNone;
}

TMessageDialogService& MessageDialogService() { return *CurrentService(); }

TMessageDialogScope::TMessageDialogScope(TMessageDialogService& service) : FPrevious(CurrentService()) {
  CurrentService() = &service;
}

TMessageDialogScope::~TMessageDialogScope() { CurrentService() = FPrevious; }

TModalResult MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
  CancelModes();
  TMessageDialogRequest request;
  request.Caption = CaptionFor(type);
  request.Text = std::string(text);
  request.Type = type;
  request.Buttons = buttons;
  return MessageDialogService().ShowMessageDialog(request);
}

void ShowMessage(std::string_view text) {
  CancelModes();
  TMessageDialogRequest request;
  request.Caption = Application ? Application->Title() : std::string();
  request.Text = std::string(text);
  request.Type = mtCustom;
  request.Buttons = {mbOK};
  MessageDialogService().ShowMessageDialog(request);
}

TModalResult TAnsweringDialogService::ShowMessageDialog(const TMessageDialogRequest& request) {
  FRequests.push_back(request);
  if (!FAnswers.empty()) {
    TModalResult result = FAnswers.front();
    FAnswers.pop_front();
    return result;
  }
  for (TMsgDlgBtn b : AllButtons)
    if (request.Buttons.Contains(b)) return ModalResultOf(b);
  return mrOk;
}
