#pragma once
// What the benchmarks of the directory program's search share: the real
// main form made as the program makes it on a sample database (through a
// link "base/phone_3.gdb" in a folder that plays the program's folder), one
// search run as Enter in the name box does it, the steps of a search timed
// one by one, and the choice of a name prefix that finds about a given
// number of apartments.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/forms/main_form.h"
#include "app/search/search_conditions.h"
#include "bench/fetch_baseline.h"
#include "datagrid/grid/db_grid.h"
#include "dbaccess/connection/app_database.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/data/data_source.h"
#include "framework/core/text/text.h"
#include "framework/gui/application/application.h"
#include "framework/gui/controls/messages.h"
#include "framework/gui/standard/dialogs.h"
#include "framework/gui/standard/std_controls.h"

namespace search_program {

using fetch_baseline::TTemporaryFolder;

inline constexpr int SmallTownRows = 3000;

inline double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The main form as the program makes it, on the database at path.
class TProgram {
 public:
  explicit TProgram(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(FFolder.Path()) / "base");
    std::filesystem::create_symlink(std::filesystem::absolute(path),
                                    std::filesystem::path(FFolder.Path()) / "base" / "phone_3.gdb");
    SetProgramFileForTests(FFolder.Path() + "/phones");
    FForm = std::make_unique<TMainForm>(nullptr);
    FForm->AfterConstruction();
    if (Application->Terminated()) throw Exception("the main form could not open " + path);
    FForm->SetBounds(0, 0, 900, 700);
    FForm->Show();
    // The window system shows the window before anything paints in it.
    Application->ProcessMessages();
  }
  ~TProgram() {
    FForm->BeforeDestruction();
    FForm.reset();
    SetProgramFileForTests("");
  }

  // Enter in the name box with the text in it, then the grid's screen.
  [[gnu::noinline]] std::int64_t Round(const std::string& name) {
    FForm->cbName->SetText(name);
    FForm->cbName->Perform(WM_CHAR, '\r', 0);
    FForm->GridHome->Repaint();
    return FForm->GridHome->RecordCount();
  }

  TMainForm& Form() { return *FForm; }

  // The steps of one search taken apart and timed one by one: closing the
  // previous results, the organisations, the apartments dataset opening and
  // fetching every row alone, the grid loading its nodes from the fetched
  // rows, the paint.
  void Breakdown(const std::string& name) {
    TMainForm& f = *FForm;
    const TSearchConditions c = BuildSearchConditions({"", name, "", "", ""});
    auto t = std::chrono::steady_clock::now();
    f.fdsOrg->Close();
    f.fdsHome->Close();
    const double closing = Seconds(t);
    t = std::chrono::steady_clock::now();
    f.fdsOrg->OpenWithParams({Variant(c.Org)});
    const double org = Seconds(t);
    f.dsHome->SetDataSet(nullptr);
    t = std::chrono::steady_clock::now();
    f.fdsHome->OpenWithParams({Variant(c.Home)});
    f.fdsHome->FetchAll();
    const double fetch = Seconds(t);
    t = std::chrono::steady_clock::now();
    f.dsHome->SetDataSet(f.fdsHome);
    const double load = Seconds(t);
    t = std::chrono::steady_clock::now();
    f.GridHome->Repaint();
    const double paint = Seconds(t);
    std::printf(
        "breakdown: close %.1f org %.1f home open+fetch %.1f grid load %.1f paint %.1f ms (%d nodes)\n",
        closing * 1e3, org * 1e3, fetch * 1e3, load * 1e3, paint * 1e3, f.GridHome->RecordCount());
  }

 private:
  TTemporaryFolder FFolder;
  std::unique_ptr<TMainForm> FForm;
};

struct TPrefix {
  std::string Text;
  std::int64_t Rows = 0;
};

// The name prefix whose apartments come nearest to target (by ratio),
// among prefixes of 2 to 7 letters of the names the database holds.
inline TPrefix ChoosePrefix(TMainForm& form, std::int64_t target) {
  TPrefix best;
  double bestDistance = 0;
  for (int length = 2; length <= 7; ++length) {
    TpFIBDataSet counts(nullptr);
    counts.SetDatabase(form.DB);
    counts.SetTransaction(form.TR);
    counts.SelectSQL().SetText("SELECT SUBSTRING(NAME FROM 1 FOR " + std::to_string(length) +
                               ") P, COUNT(*) C FROM HOME_PHONES GROUP BY 1");
    counts.Open();
    for (; !counts.Eof(); counts.Next()) {
      const std::string prefix = counts.FieldByName("P")->AsString();
      if (prefix.size() != static_cast<std::size_t>(length) ||
          prefix.find_first_of(" .'") != std::string::npos)
        continue;
      const std::int64_t rows = counts.FieldByName("C")->AsInteger();
      const double distance = std::fabs(std::log(static_cast<double>(rows) / static_cast<double>(target)));
      if (best.Rows == 0 || distance < bestDistance) {
        best = {prefix, rows};
        bestDistance = distance;
      }
    }
    counts.Close();
  }
  return best;
}

// Runs a benchmark of the real main form under the application object its
// windows need. Dialogs would wait for a person, so anything the program
// says ends the run as a failure, its text on the error output.
inline int RunWithApplication(const char* name, int (*run)(int, char**), int argc, char** argv) {
  TApplication application(argc, argv);
  TAnsweringDialogService dialogs;
  const TMessageDialogScope answering(dialogs);
  const int status = run(argc, argv);
  for (const TMessageDialogRequest& request : dialogs.Requests())
    std::fprintf(stderr, "%s: the program said: %s\n", name, AnsiToUtf8(request.Text).c_str());
  return dialogs.Requests().empty() ? status : 1;
}

}  // namespace search_program
