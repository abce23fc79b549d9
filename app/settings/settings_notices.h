#pragma once
// What became of the program's settings, told to the user once per run and
// in the program's own language: that a store it could not read was set
// aside and where the old file is, or that its store may not be written (a
// file or folder the user made read-only), so that saves at the end fail
// quietly instead of with a box at every close. A save that fails without
// warning at the start is told when it fails.
//
// The main form holds one from its construction to its end.

#include <string>

class Exception;

class TSettingsNotices {
 public:
  // For the store file at path; remembers where that store was last set
  // aside before this run, so only a setting aside in this run is told.
  explicit TSettingsNotices(std::string path);

  // After the settings were read (which sets an unreadable store aside):
  // shows at most one warning.
  void TellAtStart();
  // A save of the settings failed with e: shown unless the start told
  // already that the store cannot be written.
  void TellSaveFailed(const Exception& e);

 private:
  std::string FPath;
  std::string FAsideBefore;
  bool FToldUnwritable = false;
};

// The texts (Windows-1251), for the dialogs and the tests.
std::string SettingsResetText(const std::string& asidePath);
std::string SettingsNotSavedText(const std::string& path, int error);
std::string SettingsSaveFailedText(const std::string& detail);
