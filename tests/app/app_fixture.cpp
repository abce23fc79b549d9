#include "tests/app/app_fixture.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "app/forms/main_form.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "framework/core/storage/registry.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "tests/framework_gui/gui_test_support.h"
#include "tests/support/window_input.h"

namespace fs = std::filesystem;

namespace {

// The engine reads FIREBIRD_LOCK once, when it starts: one private folder
// for this process's whole life.
class TEngineLockFolder {
 public:
  TEngineLockFolder() : FFolder("tulvo-app-lock-") { ::setenv("FIREBIRD_LOCK", FFolder.Path().c_str(), 1); }

 private:
  TTempFolder FFolder;
};

void NeedEngineLockFolder() { static TEngineLockFolder folder; }

}  // namespace

const std::string& AppSampleDatabase() {
  static const std::string path = [] {
    const fs::path cache = TULVO_APP_SAMPLE_CACHE;
    fs::create_directories(cache);
    const fs::path target = cache / "phone_3.gdb";
    // Test processes start side by side: the first builds, the others wait.
    const int lock = ::open((cache / "build.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) throw std::runtime_error("cannot lock the sample cache");
    if (!fs::exists(target)) {
      const fs::path building = cache / ("building-" + std::to_string(::getpid()) + ".gdb");
      const std::string command = std::string("'") + TULVO_SAMPLE_DB + "' '" + building.string() +
                                  "' --force --apartments " + std::to_string(AppSampleSize.Apartments) +
                                  " --organisations " + std::to_string(AppSampleSize.OrganisationRows) +
                                  " >/dev/null";
      const int status = std::system(command.c_str());
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !fs::exists(building)) {
        ::close(lock);
        throw std::runtime_error("sample_db failed: " + command);
      }
      fs::rename(building, target);
    }
    ::close(lock);
    return target.string();
  }();
  return path;
}

const TTown& AppSampleTown() {
  static const TTown town = GenerateTown(AppSampleSize);
  return town;
}

std::vector<THomeRow> HomeRows(const TTown& town) {
  std::vector<THomeRow> rows;
  for (const TResident& r : town.Residents) {
    const THouse& house = town.Houses[static_cast<std::size_t>(r.HouseId - 1)];
    const TStreet& street = town.Streets[static_cast<std::size_t>(house.StreetId - 1)];
    rows.push_back({r.Name, r.Phone, street.Name, house.Build, house.Corp, r.Apartment});
  }
  return rows;
}

std::vector<TOrgRow> OrgRows(const TTown& town) {
  std::vector<TOrgRow> rows;
  for (const TDivisionPhone& p : town.DivisionPhones) {
    const TDivision& d = town.Divisions[static_cast<std::size_t>(p.DivisionId - 1)];
    const TOrganisation& o = town.Organisations[static_cast<std::size_t>(d.OrganisationId - 1)];
    const TOrganisationType& t = town.OrganisationTypes[static_cast<std::size_t>(o.TypeId - 1)];
    const THouse& house = town.Houses[static_cast<std::size_t>(o.HouseId - 1)];
    const TStreet& street = town.Streets[static_cast<std::size_t>(house.StreetId - 1)];
    rows.push_back({o.Name, t.Short, d.Name, p.Phone, street.Name, house.Build});
  }
  return rows;
}

void PrepareProgramFolder(const TTempFolder& folder) {
  fs::create_directories(folder.File("base"));
  fs::copy_file(AppSampleDatabase(), folder.File("base/phone_3.gdb"));
  fs::copy_file(TULVO_PHONES, folder.File("phones"));
  fs::permissions(folder.File("phones"), fs::perms::owner_all);
  fs::create_directories(folder.File("run"));
  fs::permissions(folder.File("run"), fs::perms::owner_all, fs::perm_options::replace);
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

void MainFormTest::SetUp() {
  NeedEngineLockFolder();
  const std::string& sample = AppSampleDatabase();
  FFolder.emplace("tulvo-app-");
  fs::create_directories(FFolder->File("base"));
  fs::copy_file(sample, DatabasePath());
  if (const char* saved = std::getenv("TULVO_REGISTRY")) FSavedRegistry = saved;
  ::setenv("TULVO_REGISTRY", RegistryPath().c_str(), 1);
  SetProgramFileForTests(FFolder->File("phones"));
  FDialogScope = std::make_unique<TMessageDialogScope>(Dialogs);
}

void MainFormTest::TearDown() {
  CloseProgram();
  FDialogScope.reset();
  SetProgramFileForTests("");
  if (FSavedRegistry.empty())
    ::unsetenv("TULVO_REGISTRY");
  else
    ::setenv("TULVO_REGISTRY", FSavedRegistry.c_str(), 1);
  Application->ResetTerminated();
  // What the metadata caches learnt belongs to this test's database file.
  RestartMetadataCaches();
  FFolder.reset();
}

TMainForm& MainFormTest::StartProgram() {
  Application->ResetTerminated();
  FForm = std::make_unique<TMainForm>(nullptr);
  FForm->AfterConstruction();
  EXPECT_TRUE(ShowActive(*FForm));
  return *FForm;
}

void MainFormTest::CloseProgram() {
  if (!FForm) return;
  FForm->BeforeDestruction();
  FForm.reset();
}

void MainFormTest::TypeInto(TWinControl& box, const std::string& utf8Text, bool enter) {
  box.SetFocus();
  // One key per character, with its text; letters outside ASCII carry
  // their own code as the key, as the window system gives them.
  for (const QChar c : QString::fromStdString(utf8Text)) {
    const auto key = static_cast<Qt::Key>(c.unicode() < 128 ? c.toUpper().unicode() : c.unicode());
    QTest::sendKeyEvent(QTest::Click, WindowOf(box), key, QString(c), Qt::NoModifier);
  }
  if (enter) PressEnter(box);
}

void MainFormTest::PressEnter(TWinControl& box) {
  box.SetFocus();
  KeyInto(box, Qt::Key_Return);
}

std::string MainFormTest::StoredValue(const std::string& section, const std::string& name) const {
  TRegIniFile registry(ProgramRegistryKey);
  return registry.ReadString(section, name, "");
}

bool MainFormTest::StoredValueExists(const std::string& section, const std::string& name) const {
  TRegIniFile registry(ProgramRegistryKey);
  return registry.ValueExists(section, name);
}
