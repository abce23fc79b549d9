#include "app/forms/main_form.h"

#include <filesystem>
#include <memory>

#include "app/forms/about_form.h"
#include "app/search/search_conditions.h"
#include "app/search/search_history.h"
#include "app/settings/settings_notices.h"
#include "datagrid/control/db_column.h"
#include "datagrid/grid/db_grid.h"
#include "dbaccess/connection/app_database.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/statement/query.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/data/data_source.h"
#include "framework/core/storage/registry_store.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/menus.h"
#include "framework/gui/standard/page_control.h"
#include "framework/gui/standard/std_controls.h"
#include "grid/tree_list/tree_list_bands.h"

TMainForm* MainForm = nullptr;

namespace {

std::string& ProgramFileOverride() {
  static std::string path;
  return path;
}

const char* const SearchHint = "Enter - Искать";
// The "Left" band's cells: red 192, green 220, blue 192.
constexpr TColor LeftBandColor = 0x00C0DCC0;

template <class T>
T* Make(TMainForm* form, TWinControl* parent, const char* name, int left, int top, int width, int height) {
  auto* control = new T(form);  // owned by the form
  control->SetName(name);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

TLabel* MakeLabel(TMainForm* form, TWinControl* parent, const char* name, const char* caption, int left, int top,
                  TWinControl* focusControl = nullptr) {
  auto* label = Make<TLabel>(form, parent, name, left, top, 0, 13);
  label->SetCaption(RU(caption));
  if (focusControl) label->SetFocusControl(focusControl);
  return label;
}

template <class Box>
void SetSearchHint(Box* box) {
  box->SetHint(RU(SearchHint));
  box->SetShowHint(true);
}

struct TFieldSpec {
  const char* Name;
  bool IsString;
  const char* Label;  // empty: a hidden key field
  int Size;
};

const TFieldSpec HomeFields[] = {
    {"HOME_ID", false, "", 0},          {"STREET_ID", false, "", 0},      {"PHONE", false, "Телефон", 0},
    {"NAME", true, "Фио", 40},          {"STREET_NAME", true, "Улица", 40}, {"BUILD", false, "Дом", 0},
    {"CORP", true, "Корпус", 3},        {"APARTAMENT", false, "Квартира", 0},
};
const TFieldSpec OrgFields[] = {
    {"ORG_ID", false, "", 0},           {"DIV_ID", false, "", 0},           {"PHONE", false, "Телефон", 0},
    {"SHORT", true, "Тип", 18},         {"NAME", true, "Название", 40},     {"DIVISION_NAME", true, "Отдел", 40},
    {"STREET_NAME", true, "Улица", 40}, {"BUILD", false, "Дом", 0},         {"CORP", true, "Корпус", 3},
};

struct TColumnSpec {
  const char* Field;
  int Band;
  int Width;  // 0: the default width
  bool Visible;
};

const TColumnSpec HomeColumns[] = {
    {"HOME_ID", 0, 34, false},     {"STREET_ID", 0, 35, false}, {"PHONE", 0, 53, true}, {"NAME", 0, 107, true},
    {"STREET_NAME", 1, 156, true}, {"BUILD", 1, 0, true},       {"CORP", 1, 42, true},  {"APARTAMENT", 1, 0, true},
};
const TColumnSpec OrgColumns[] = {
    {"ORG_ID", 0, 38, false},        {"DIV_ID", 0, 38, false},     {"PHONE", 0, 0, true},
    {"SHORT", 1, 112, true},         {"NAME", 0, 121, true},       {"DIVISION_NAME", 1, 154, true},
    {"STREET_NAME", 1, 125, true},   {"BUILD", 1, 0, true},        {"CORP", 1, 42, true},
};

const char* const HomeSelect[] = {"SELECT",       "    HOME_ID,", "    NAME,",        "    STREET_ID,",
                                  "    BUILD,",   "    CORP,",    "    APARTAMENT,",  "    PHONE,",
                                  "    STREET_NAME", "FROM",      "    HOME_PHONES",  "where",
                                  "   @@where%0=1@"};
const char* const OrgSelect[] = {"SELECT",         "     ORG_ID,",        "     DIV_ID,", "     NAME,",
                                 "     SHORT,",    "     DIVISION_NAME,", "     PHONE,",  "     STREET_NAME,",
                                 "     BUILD,",    "     CORP",           "FROM",         "    ORG_PHONES  ",
                                 "where",          "  @@WHERE%0=1@"};

template <std::size_t N>
void AddFields(TMainForm* form, TpFIBDataSet* dataSet, const TFieldSpec (&fields)[N]) {
  for (const TFieldSpec& spec : fields) {
    TField* field = nullptr;
    if (spec.IsString) {
      auto* text = new TFIBStringField(form);  // owned by the form
      text->SetSize(spec.Size);
      text->SetEmptyStrToNull(true);
      field = text;
    } else {
      field = new TFIBIntegerField(form);  // owned by the form
    }
    field->SetName(dataSet->Name() + spec.Name);
    field->SetFieldName(spec.Name);
    if (*spec.Label != '\0')
      field->SetDisplayLabel(RU(spec.Label));
    else
      field->SetVisible(false);
    field->SetDataSet(dataSet);
  }
}

template <std::size_t N>
void AddColumns(TMainForm* form, TdxDBGrid* grid, const TColumnSpec (&columns)[N]) {
  for (const TColumnSpec& spec : columns) {
    auto* column = grid->CreateColumn<TdxDBGridMaskColumn>(form);
    column->SetName(grid->Name() + spec.Field);
    column->SetBandIndex(spec.Band);
    column->SetRowIndex(0);
    if (spec.Width > 0) column->SetWidth(spec.Width);
    column->SetVisible(spec.Visible);
    column->SetFieldName(spec.Field);
  }
}

// Forgets the form's life-cycle handlers unless the constructor gets to the
// end: a half-built form must not run FormDestroy, which would store its
// half-built state over the user's settings.
class TBuildingScope {
 public:
  explicit TBuildingScope(TMainForm& form) : FForm(form) {}
  ~TBuildingScope() {
    if (!FDone) {
      FForm.OnCreate = {};
      FForm.OnDestroy = {};
    }
  }
  TBuildingScope(const TBuildingScope&) = delete;
  TBuildingScope& operator=(const TBuildingScope&) = delete;
  void Done() { FDone = true; }

 private:
  TMainForm& FForm;
  bool FDone = false;
};

}  // namespace

TMainForm::TMainForm(TComponent* owner)
    : TForm(owner),
      // Before the grids read their layouts: whatever this run does to the
      // store is told at its start.
      FNotices(std::make_unique<TSettingsNotices>(TRegistryStore::DefaultPath())) {
  TBuildingScope building(*this);
  TLoadingScope loading;
  SetName("MainForm");
  SetCaption("Tulvo Kelvorsk");
  SetBounds(Left(), Top(), 420, 300);
  Constraints().SetMinWidth(420);
  Constraints().SetMinHeight(300);
  SetPosition(poDesktopCenter);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  OnCreate = TNotifyEvent(this, &TMainForm::FormCreate);
  OnDestroy = TNotifyEvent(this, &TMainForm::FormDestroy);
  BuildComponents();
  loading.Finish();
  building.Done();
  FBuilt = true;
  if (!::MainForm) ::MainForm = this;
}

TMainForm::~TMainForm() {
  BeforeDestruction();
  if (::MainForm == this) ::MainForm = nullptr;
}

void TMainForm::BuildComponents() {
  BuildSearchPanel();
  BuildPages();
  BuildDatabase();
  BuildMenu();
}

void TMainForm::BuildSearchPanel() {
  gbSearch = Make<TGroupBox>(this, this, "gbSearch", 0, 0, 412, 105);
  gbSearch->SetCaption(RU("Поиск"));
  gbSearch->SetAlign(alTop);
  // The boxes are made before the labels that name them as their focus
  // control, but the labels come first in the stored order.
  Label1 = MakeLabel(this, gbSearch, "Label1", "По телефону", 8, 16);
  Label2 = MakeLabel(this, gbSearch, "Label2", "По фио или названию организации", 88, 16);
  Label2->SetWordWrap(true);
  Label2->SetAutoSize(false);
  Label2->SetBounds(88, 16, 316, 13);
  Label3 = MakeLabel(this, gbSearch, "Label3", "По адресу", 8, 58);
  Label4 = MakeLabel(this, gbSearch, "Label4", "ул", 8, 78);
  Label5 = MakeLabel(this, gbSearch, "Label5", "Дом", 232, 78);
  Label6 = MakeLabel(this, gbSearch, "Label6", "кв.", 320, 78);

  cbPhone = Make<TComboBox>(this, gbSearch, "cbPhone", 8, 32, 73, 21);
  cbPhone->SetMaxLength(5);
  SetSearchHint(cbPhone);
  cbPhone->OnCloseUp = TNotifyEvent(this, &TMainForm::cbPhoneCloseUp);
  cbPhone->OnKeyPress = TKeyPressEvent(this, &TMainForm::cbPhoneKeyPress);

  cbName = Make<TComboBox>(this, gbSearch, "cbName", 88, 32, 316, 21);
  SetSearchHint(cbName);
  cbName->OnCloseUp = TNotifyEvent(this, &TMainForm::cbPhoneCloseUp);
  cbName->OnKeyPress = TKeyPressEvent(this, &TMainForm::cbNameKeyPress);

  edStreet = Make<TEdit>(this, gbSearch, "edStreet", 24, 74, 200, 21);
  SetSearchHint(edStreet);
  edStreet->OnKeyPress = TKeyPressEvent(this, &TMainForm::cbNameKeyPress);

  edBuild = Make<TEdit>(this, gbSearch, "edBuild", 258, 74, 54, 21);
  edBuild->SetMaxLength(4);
  SetSearchHint(edBuild);
  edBuild->OnKeyPress = TKeyPressEvent(this, &TMainForm::cbPhoneKeyPress);

  edApartment = Make<TEdit>(this, gbSearch, "edApartment", 340, 74, 40, 21);
  edApartment->SetMaxLength(2);
  SetSearchHint(edApartment);
  edApartment->OnKeyPress = TKeyPressEvent(this, &TMainForm::cbNameKeyPress);

  Label1->SetFocusControl(cbPhone);
  Label2->SetFocusControl(cbName);
  Label3->SetFocusControl(edStreet);
  Label4->SetFocusControl(edStreet);
}

void TMainForm::BuildPages() {
  pcPhones = Make<TPageControl>(this, this, "pcPhones", 0, 105, 412, 150);
  pcPhones->SetAlign(alClient);
  tsHome = new TTabSheet(this);  // owned by the form
  tsHome->SetName("tsHome");
  tsHome->SetPageControl(pcPhones);
  tsHome->SetCaption(RU("Квартиры"));
  tsOrg = new TTabSheet(this);  // owned by the form
  tsOrg->SetName("tsOrg");
  tsOrg->SetPageControl(pcPhones);
  tsOrg->SetCaption(RU("Организации"));
  tsOrg->SetImageIndex(1);
  pcPhones->SetActivePage(tsHome);

  GridHome = Make<TdxDBGrid>(this, tsHome, "GridHome", 0, 0, 404, 122);
  GridOrg = Make<TdxDBGrid>(this, tsOrg, "GridOrg", 0, 0, 404, 122);
}

void TMainForm::BuildDatabase() {
  // The connection binds the client library as it is made: a missing
  // library ends the building here.
  DB = new TpFIBDatabase(this);  // owned by the form
  DB->SetName("DB");
  DB->SetDBName("phone_3.gdb");
  for (const char* line : {"lc_ctype=WIN1251", "user_name=SYSDBA", "password=quartzbin"}) DB->DBParams().Add(line);
  DB->SetSQLDialect(3);
  DB->SetTimeout(0);
  DB->SetDesignDBOptions(TDesignDBOptions{TDesignDBOption::ddoIsDefaultDatabase});
  DB->SetWaitForRestoreConnect(0);

  TR = new TpFIBTransaction(this);  // owned by the form
  TR->SetName("TR");
  TR->SetDefaultDatabase(DB);
  TR->SetTimeoutAction(TARollback);
  for (const char* line : {"read", "nowait", "rec_version", "read_committed"}) TR->TRParams().Add(line);
  TR->SetTPBMode(tpbDefault);
  TR->SetUserKindTransaction("ReadOnly");
  DB->SetDefaultTransaction(TR);
  DB->SetDefaultUpdateTransaction(TR);

  const auto makeDataSet = [this](const char* name, auto& lines) {
    auto* dataSet = new TpFIBDataSet(this);  // owned by the form
    dataSet->SetName(name);
    dataSet->SetDatabase(DB);
    dataSet->SetTransaction(TR);
    for (const char* line : lines) dataSet->SelectSQL().Add(line);
    dataSet->SetAllowedUpdateKinds({});
    dataSet->DefaultFormats().SetDateTimeDisplayFormat(RU("d MMMM yyyy 'г.'"));
    dataSet->SetPrepareOptions(dataSet->PrepareOptions() + psSQLINT64ToBCD);
    // Its load-all grid reads each listing to the end as it opens: the
    // engine fetches the next rows on a thread of its own meanwhile.
    dataSet->SelectQuery().SetFetchAhead(true);
    return dataSet;
  };
  fdsHome = makeDataSet("fdsHome", HomeSelect);
  AddFields(this, fdsHome, HomeFields);
  fdsOrg = makeDataSet("fdsOrg", OrgSelect);
  AddFields(this, fdsOrg, OrgFields);

  dsHome = new TDataSource(this);  // owned by the form
  dsHome->SetName("dsHome");
  dsHome->SetDataSet(fdsHome);
  dsOrg = new TDataSource(this);  // owned by the form
  dsOrg->SetName("dsOrg");
  dsOrg->SetDataSet(fdsOrg);

  BuildGrid(GridHome, dsHome, "HOME_ID", "\\Software\\Tulvo\\HOME");
  AddColumns(this, GridHome, HomeColumns);
  BuildGrid(GridOrg, dsOrg, "ORG_ID", "\\Software\\Tulvo\\ORG");
  AddColumns(this, GridOrg, OrgColumns);
}

void TMainForm::BuildGrid(TdxDBGrid* grid, TDataSource* source, const char* keyField, const char* registryPath) {
  grid->SetAlign(alClient);
  // The grid comes with one band of its own: it becomes "Left".
  TdxTreeListBand* left = grid->Bands().Count() > 0 ? grid->Bands().Items(0) : grid->Bands().Add();
  left->SetCaption("Left");
  left->SetFixed(bfLeft);
  grid->Bands().Add()->SetCaption("Main");
  grid->SetDefaultLayout(false);
  grid->SetHeaderPanelRowCount(1);
  grid->SetSummarySeparator(", ");
  grid->SetLookAndFeel(lfUltraFlat);
  grid->SetDataSource(source);
  grid->SetKeyField(keyField);
  grid->SetRegistryPath(registryPath);
  grid->SetOptionsBehavior({edgoAutoSort, edgoDragScroll, edgoEnterShowEditor, edgoImmediateEditor,
                            edgoStoreToRegistry, edgoTabThrough, edgoVertThrough});
  grid->SetOptionsDB({edgoCancelOnExit, edgoCanDelete, edgoCanInsert, edgoCanNavigation, edgoConfirmDelete,
                      edgoLoadAllRecords, edgoUseBookmarks});
  grid->OnCustomDrawCell = TdxTLCustomDrawCell(this, &TMainForm::GridOrgCustomDrawCell);
}

void TMainForm::BuildMenu() {
  MainMenu1 = new TMainMenu(this);  // owned by the form
  MainMenu1->SetName("MainMenu1");
  const auto item = [this](TMenuItem* parent, const char* name, const char* caption) {
    auto* menuItem = new TMenuItem(this);  // owned by the form
    menuItem->SetName(name);
    menuItem->SetCaption(RU(caption));
    parent->Add(menuItem);
    return menuItem;
  };
  NTulvo1 = item(MainMenu1->Items(), "NTulvo1", "Tulvo");
  Exit1 = item(NTulvo1, "Exit1", "Выход");
  Exit1->OnClick = TNotifyEvent(this, &TMainForm::Exit1Click);
  Help1 = item(MainMenu1->Items(), "Help1", "Справка");
  NTulvoHelp1 = item(Help1, "NTulvoHelp1", "Tulvo Справка");
  NTulvoHelp1->OnClick = TNotifyEvent(this, &TMainForm::NTulvoHelp1Click);
  N1 = item(Help1, "N1", "-");
  About1 = item(Help1, "About1", "О программе...");
  About1->OnClick = TNotifyEvent(this, &TMainForm::About1Click);
  SetMenu(MainMenu1);
}

std::string ProgramFile() {
  if (!ProgramFileOverride().empty()) return ProgramFileOverride();
  return Application ? Application->ExeName() : std::string();
}

void SetProgramFileForTests(std::string path) { ProgramFileOverride() = std::move(path); }

std::string TMainForm::DatabaseFileName(const std::string& programFile) {
  std::string folder = programFile.substr(0, programFile.rfind('/') + 1);
  return folder + "base/phone_3.gdb";
}

// --- Creation and destruction ------------------------------------------------------------

void TMainForm::FormCreate(TObject*) {
  DB->SetDBName(DatabaseFileName(ProgramFile()));
  try {
    DB->OpenConnection();
    fdsHome->Open();
    fdsOrg->Open();
  } catch (const Exception& e) {
    // A database error's first line names the component; the user needs
    // the server's words only.
    std::string message = e.Message();
    const std::size_t lineFeed = message.find('\n');
    if (lineFeed != std::string::npos) message.erase(0, lineFeed + 1);
    MessageDlg(message, mtError, TMsgDlgButtons{mbOK});
    if (Application) Application->Terminate();
  }
  pcPhones->SetActivePage(tsHome);
  LoadSettings();
  FNotices->TellAtStart();
}

void TMainForm::FormDestroy(TObject*) {
  if (!FBuilt) return;
  try {
    SaveSettings();
  } catch (const ERegistryException& e) {
    FNotices->TellSaveFailed(e);
  }
}

// --- Keys ----------------------------------------------------------------------------------

void TMainForm::cbPhoneKeyPress(TObject* Sender, char& Key) {
  const bool passes = Key == '\b' || Key == '\t' || Key == '\r' || (Key >= '0' && Key <= '9');
  if (!passes) Key = '\0';
  if (Key != '\r') return;
  Search();
  if (auto* edit = dynamic_cast<TEdit*>(Sender))
    edit->SelectAll();
  else if (auto* box = dynamic_cast<TComboBox*>(Sender))
    box->SelectAll();
}

void TMainForm::cbNameKeyPress(TObject*, char& Key) {
  if (Key == '\r') Search();
}

void TMainForm::cbPhoneCloseUp(TObject* Sender) {
  if (auto* box = dynamic_cast<TComboBox*>(Sender)) box->SetSelLength(0);
  char key = '\r';
  cbPhoneKeyPress(Sender, key);
}

void TMainForm::GridOrgCustomDrawCell(TObject*, TCanvas*, const TRect&, TdxTreeListNode*, TdxTreeListColumn* AColumn,
                                      bool ASelected, bool AFocused, bool, std::string&, TColor& AColor, TFont*,
                                      TAlignment&, bool&) {
  if (AColumn && AColumn->BandIndex() == 0 && !ASelected && !AFocused) AColor = LeftBandColor;
}

// --- Menu ----------------------------------------------------------------------------------

void TMainForm::Exit1Click(TObject*) { Close(); }

void TMainForm::About1Click(TObject*) {
  const auto about = std::make_unique<TAboutForm>(Application);
  const TAtScopeExit going([&] { about->BeforeDestruction(); });
  about->AfterConstruction();
  about->ShowModal();
}

void TMainForm::NTulvoHelp1Click(TObject*) {
  MessageDlg(RU("Ну и неЗЫРово хотим? Читай About!"), mtWarning, TMsgDlgButtons{mbOK});
}

// --- Search --------------------------------------------------------------------------------

void TMainForm::AddToHistory(TComboBox& box) {
  // The list keeps an old entry's spelling; the box shows what was typed.
  const std::string typed = box.Text();
  AddToHistoryList(box.Items(), typed);
  box.SetText(typed);
}

void TMainForm::Search() {
  const TSearchBoxes boxes{cbPhone->Text(), cbName->Text(), edStreet->Text(), edBuild->Text(),
                           edApartment->Text()};
  if (!boxes.Phone.empty()) AddToHistory(*cbPhone);
  if (!boxes.Name.empty()) AddToHistory(*cbName);
  const TSearchConditions conditions = BuildSearchConditions(boxes);

  fdsOrg->Close();
  if (!conditions.Org.empty()) fdsOrg->OpenWithParams({Variant(conditions.Org)});
  fdsHome->Close();
  if (!conditions.Home.empty()) fdsHome->OpenWithParams({Variant(conditions.Home)});

  const auto hasRows = [](const TpFIBDataSet* dataSet) {
    return dataSet->Active() && !(dataSet->Bof() && dataSet->Eof());
  };
  if (hasRows(fdsHome))
    pcPhones->SetActivePage(tsHome);
  else if (hasRows(fdsOrg))
    pcPhones->SetActivePage(tsOrg);
  else
    pcPhones->SetActivePage(tsHome);
}
