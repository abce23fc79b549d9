#include "dbaccess_ui/login_dialog.h"

#include <memory>

#include "framework/core/component/component.h"
#include "framework/gui/graphics.h"
#include "framework/gui/std_controls.h"

namespace {

// The dialog's texts.
constexpr const char* SLoginCaption = "Database login";
constexpr const char* SDatabaseLabel = "Database:";
constexpr const char* SUserNameLabel = "&User name";
constexpr const char* SPasswordLabel = "&Password";
constexpr const char* SRoleLabel = "Rol&e";
constexpr const char* SOKButton = "&OK";
constexpr const char* SCancelButton = "&Cancel";

constexpr std::size_t LongestShownName = 45;
constexpr std::size_t ShownHead = 10;
constexpr std::size_t ShownTail = 33;

// A label shows '&' as an access mark; a file name means it literally.
std::string LiteralCaption(std::string_view text) {
  std::string caption;
  caption.reserve(text.size());
  for (char c : text) {
    if (c == '&') caption += '&';
    caption += c;
  }
  return caption;
}

template <class T>
T* Make(TfrmFIBDBLoginDlg* form, const char* name, int left, int top, int width, int height) {
  auto* control = new T(form);  // owned by the form
  control->SetName(name);
  control->SetParent(form);
  control->SetBounds(left, top, width, height);
  return control;
}

// Tells a form it is about to go, on every path out of the scope.
class TBeforeDestructionScope {
 public:
  explicit TBeforeDestructionScope(TForm& form) : FForm(form) {}
  ~TBeforeDestructionScope() { FForm.BeforeDestruction(); }
  TBeforeDestructionScope(const TBeforeDestructionScope&) = delete;
  TBeforeDestructionScope& operator=(const TBeforeDestructionScope&) = delete;

 private:
  TForm& FForm;
};

}  // namespace

TfrmFIBDBLoginDlg::TfrmFIBDBLoginDlg(TComponent* owner) : TForm(owner) {
  TLoadingScope loading;
  SetName("frmFIBDBLoginDlg");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(Left(), Top(), 299, 223);

  // Two framed areas: the database, and the three answers.
  Bevel1 = Make<TGroupBox>(this, "Bevel1", 8, 8, 283, 52);
  Bevel2 = Make<TGroupBox>(this, "Bevel2", 8, 66, 283, 112);
  Label1 = Make<TLabel>(this, "Label1", 16, 16, 60, 13);
  Label1->Font().SetStyle(TFontStyles{fsBold});
  lbDBName = Make<TLabel>(this, "lbDBName", 16, 36, 263, 13);
  lbDBName->SetAutoSize(false);
  Label2 = Make<TLabel>(this, "Label2", 16, 80, 80, 13);
  Label3 = Make<TLabel>(this, "Label3", 16, 112, 80, 13);
  Label4 = Make<TLabel>(this, "Label4", 16, 144, 80, 13);
  EdUserName = Make<TEdit>(this, "EdUserName", 104, 76, 177, 21);
  EdPassword = Make<TEdit>(this, "EdPassword", 104, 108, 177, 21);
  EdPassword->SetPasswordChar('*');
  EdRole = Make<TEdit>(this, "EdRole", 104, 140, 177, 21);
  Label2->SetFocusControl(EdUserName);
  Label3->SetFocusControl(EdPassword);
  Label4->SetFocusControl(EdRole);
  Button1 = Make<TButton>(this, "Button1", 136, 188, 75, 25);
  Button1->SetDefault(true);
  Button1->SetModalResult(mrOk);
  Button2 = Make<TButton>(this, "Button2", 216, 188, 75, 25);
  Button2->SetCancel(true);
  Button2->SetModalResult(mrCancel);

  SetActiveControl(EdPassword);
  OnCreate = TNotifyEvent(this, &TfrmFIBDBLoginDlg::FormCreate);
  loading.Finish();
}

void TfrmFIBDBLoginDlg::FormCreate(TObject*) {
  SetCaption(SLoginCaption);
  Label1->SetCaption(SDatabaseLabel);
  Label2->SetCaption(SUserNameLabel);
  Label3->SetCaption(SPasswordLabel);
  Label4->SetCaption(SRoleLabel);
  Button1->SetCaption(SOKButton);
  Button2->SetCaption(SCancelButton);
}

std::string ShortDatabaseName(std::string_view name) {
  if (name.size() <= LongestShownName) return std::string(name);
  return std::string(name.substr(0, ShownHead)) + "..." + std::string(name.substr(name.size() - ShownTail));
}

bool ShowLoginDialog(const std::string& databaseName, std::string& userName, std::string& password,
                     std::string& roleName) {
  const auto dialog = std::make_unique<TfrmFIBDBLoginDlg>(nullptr);
  const TBeforeDestructionScope going(*dialog);
  dialog->AfterConstruction();
  dialog->lbDBName->SetCaption(LiteralCaption(ShortDatabaseName(databaseName)));
  dialog->EdUserName->SetText(userName);
  dialog->EdRole->SetText(roleName);
  if (dialog->ShowModal() != mrOk) return false;
  userName = dialog->EdUserName->Text();
  password = dialog->EdPassword->Text();
  roleName = dialog->EdRole->Text();
  return true;
}
