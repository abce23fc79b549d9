#pragma once
// The fixture of the directory program's end-to-end tests. Each test gets a
// folder of its own that plays the program's folder: "base/phone_3.gdb" is a
// copy of one small sample database (built once by tools/sample_db and kept
// in the build tree), and the registry store is a file in the folder. The
// main form is made and freed as the program's main block does it, and
// driven through real key and mouse events.
//
// The sample town is generated again in the test process (the generator is
// deterministic), so tests compute what a search must find from the same
// rows the database holds.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/gui/standard/dialogs.h"
#include "tests/support/temp_folder.h"
#include "tools/town_generator.h"

class TMainForm;
class TWinControl;

// The size of the sample: small, so that each test stays fast.
inline constexpr TTownSize AppSampleSize{3000, 400};

// The sample database file, built on first use (by any test program
// process; the build is serialised by a lock file).
const std::string& AppSampleDatabase();
// The town that database holds.
const TTown& AppSampleTown();

// Makes a folder play the real program's folder: a copy of the program with
// a copy of the sample database in "base/" beside it, and a private runtime
// folder "run" (owner only) for the engine's shared files.
void PrepareProgramFolder(const TTempFolder& folder);
// A text quoted for a shell command line.
std::string Quoted(const std::string& text);

// What the listings give for a town, row by row, as the views make them.
struct THomeRow {
  std::string Name;
  int Phone = 0;
  std::string Street;
  int Build = 0;
  std::string Corp;
  int Apartment = 0;
};
struct TOrgRow {
  std::string Name;
  std::string Short;
  std::string Division;
  int Phone = 0;
  std::string Street;
  int Build = 0;
};
std::vector<THomeRow> HomeRows(const TTown& town);
std::vector<TOrgRow> OrgRows(const TTown& town);

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const std::string& Folder() const { return FFolder->Path(); }
  std::string DatabasePath() const { return FFolder->File("base/phone_3.gdb"); }
  std::string RegistryPath() const { return FFolder->File("registry"); }

  // Makes the main form as the program does (OnCreate included) and shows
  // it active; dialogs are answered by Dialogs.
  TMainForm& StartProgram();
  // Frees the form as the program's end does (OnDestroy, then the grids
  // store their layouts).
  void CloseProgram();
  TMainForm& Form() const { return *FForm; }

  // Types text into the box with real key events, then Enter.
  void TypeInto(TWinControl& box, const std::string& utf8Text, bool enter = true);
  void PressEnter(TWinControl& box);

  // A registry string value below "\Software\Tulvo" ("" when missing).
  std::string StoredValue(const std::string& section, const std::string& name) const;
  bool StoredValueExists(const std::string& section, const std::string& name) const;

  TAnsweringDialogService Dialogs;

 private:
  std::optional<TTempFolder> FFolder;
  std::unique_ptr<TMessageDialogScope> FDialogScope;
  std::unique_ptr<TMainForm> FForm;
  std::string FSavedRegistry;
};
