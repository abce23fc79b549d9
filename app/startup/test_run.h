#pragma once
// A test-only way to run the program without a person: when the variable
// TULVO_PHONES_TEST_SEARCH is set, the program answers every message dialog
// itself (printing it to the error stream), searches for the variable's
// text as a name once the main form is built, prints
// "apartments N organisations M" to its output, shows the main form and
// waits while the file named by TULVO_PHONES_TEST_HOLD does not exist and
// nothing ended the program (so that a test can keep two copies running at
// once, or send it a signal; at most a minute), searches once more and
// prints the line again, and ends. Without the
// variable it does nothing.

#include <memory>
#include <string>

class TMainForm;
class TAnsweringDialogService;
class TMessageDialogScope;

class TTestRun {
 public:
  TTestRun();
  ~TTestRun();
  TTestRun(const TTestRun&) = delete;
  TTestRun& operator=(const TTestRun&) = delete;

  bool Active() const { return FActive; }
  // The search and the wait; the exit status (1 when start-up failed).
  int Run(TMainForm& form) const;

 private:
  bool FActive = false;
  std::string FSearch;
  std::string FHold;
  std::unique_ptr<TAnsweringDialogService> FDialogs;
  std::unique_ptr<TMessageDialogScope> FScope;
};
