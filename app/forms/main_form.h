#pragma once
// TMainForm: the directory program's one window. A search panel (phone,
// name, street, house and apartment boxes) over two data-aware grids on two
// tab pages, apartments and organisations, each bound to an application
// dataset whose SELECT ends in a `where` macro that the search fills.
//
// The application owns it (`Application->CreateForm<TMainForm>()`). Its
// constructor builds the stored components in their stored order inside a
// loading scope; the connection loads the client library while they are
// built, and each grid restores its stored layout when loading ends. A
// form that never finished building saves nothing: neither the window
// placement and histories (FormDestroy) nor the grid layouts.
//
// FormCreate opens the database beside the program and the two datasets;
// a failure there is shown and ends the program, which still saves the
// placement and histories when the form goes.

#include <memory>
#include <string>

#include "framework/gui/standard/forms.h"

class TComboBox;
class TDataSource;
class TdxDBGrid;
class TdxTreeListColumn;
class TdxTreeListNode;
class TEdit;
class TFont;
class TGroupBox;
class TLabel;
class TMainMenu;
class TMenuItem;
class TPageControl;
class TpFIBDataSet;
class TpFIBDatabase;
class TpFIBTransaction;
class TStrings;
class TTabSheet;
class TCanvas;
class TSettingsNotices;

// The registry key of the program's settings (below HKEY_CURRENT_USER).
inline constexpr const char* ProgramRegistryKey = "\\Software\\Tulvo";

class TMainForm : public TForm {
 public:
  explicit TMainForm(TComponent* owner);
  ~TMainForm() override;

  // The stored components, under their stored names.
  TGroupBox* gbSearch = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TLabel* Label5 = nullptr;
  TLabel* Label6 = nullptr;
  TComboBox* cbPhone = nullptr;
  TComboBox* cbName = nullptr;
  TEdit* edStreet = nullptr;
  TEdit* edBuild = nullptr;
  TEdit* edApartment = nullptr;
  TPageControl* pcPhones = nullptr;
  TTabSheet* tsHome = nullptr;
  TTabSheet* tsOrg = nullptr;
  TdxDBGrid* GridHome = nullptr;
  TdxDBGrid* GridOrg = nullptr;
  TpFIBDatabase* DB = nullptr;
  TpFIBTransaction* TR = nullptr;
  TpFIBDataSet* fdsHome = nullptr;
  TpFIBDataSet* fdsOrg = nullptr;
  TDataSource* dsHome = nullptr;
  TDataSource* dsOrg = nullptr;
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* NTulvo1 = nullptr;
  TMenuItem* Exit1 = nullptr;
  TMenuItem* Help1 = nullptr;
  TMenuItem* NTulvoHelp1 = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* About1 = nullptr;

  // The event handlers of the stored description.
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void cbPhoneKeyPress(TObject* Sender, char& Key);
  void cbNameKeyPress(TObject* Sender, char& Key);
  void cbPhoneCloseUp(TObject* Sender);
  void GridOrgCustomDrawCell(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TdxTreeListNode* ANode,
                             TdxTreeListColumn* AColumn, bool ASelected, bool AFocused, bool ANewItemRow,
                             std::string& AText, TColor& AColor, TFont* AFont, TAlignment& AAlignment,
                             bool& ADone);
  void Exit1Click(TObject* Sender);
  void About1Click(TObject* Sender);
  void NTulvoHelp1Click(TObject* Sender);

  // Runs the search of the five boxes (the Enter key of any of them).
  void Search();

  // The database file the program opens: "base/phone_3.gdb" in the folder
  // of the program file.
  static std::string DatabaseFileName(const std::string& programFile);

 protected:
  void DoShow() override;

 private:
  void BuildComponents();
  void BuildSearchPanel();
  void BuildPages();
  void BuildDatabase();
  void BuildGrid(TdxDBGrid* grid, TDataSource* source, const char* keyField, const char* registryPath);
  void BuildMenu();

  void LoadSettings();
  void SaveSettings();
  void AddToHistory(TComboBox& box);
  // Opens a listing with its condition and reads all its rows.

  // The constructor ran to its end; only then may the form's destruction
  // store what it holds.
  bool FBuilt = false;
  // The window was on the desktop once: only then is its rectangle a place
  // of the user's to keep.
  bool FShown = false;
  // What became of the settings store, told once.
  std::unique_ptr<TSettingsNotices> FNotices;
};

// The program file whose folder holds the database: the application's own
// file, unless a test placed the program elsewhere (an empty path goes
// back to the application's file).
std::string ProgramFile();
void SetProgramFileForTests(std::string path);

// The living main form (the program's global), or nullptr.
extern TMainForm* MainForm;
