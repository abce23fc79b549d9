// The main form's settings: window placement and search histories, read
// when the form is created and written when it goes.

#include "app/forms/main_form.h"
#include "app/settings/program_settings.h"
#include "framework/core/storage/registry.h"
#include "framework/gui/standard/std_controls.h"

void TMainForm::LoadSettings() {
  TWindowPlacement placement;
  placement.length = 44;
  GetWindowPlacement(placement);
  TRegIniFile registry(ProgramRegistryKey);
  registry.SetRootKey(HKEY_CURRENT_USER);
  if (!registry.OpenKey(ProgramRegistryKey, false)) return;
  // The key exists on a first run too (opening the ini object creates it);
  // only a stored rectangle may take the place of centring.
  const bool placed = ReadPlacement(registry, placement);
  if (!Visible()) placement.showCmd = SW_HIDE;
  if (BorderStyle() != bsSizeable && BorderStyle() != bsSizeToolWin) {
    // A window of fixed size keeps its size; only its place is restored.
    TRect& r = placement.rcNormalPosition;
    r = Rect(r.Left, r.Top, r.Left + Width(), r.Top + Height());
  }
  const TRect& r = placement.rcNormalPosition;
  if (placed && r.Left < r.Right) {
    // A stored place wins over centring on the first show. (Changing the
    // position never re-creates our window, so no designing bracket.)
    if (Position() == poScreenCenter || Position() == poDesktopCenter) SetPosition(poDesigned);
    SetWindowPlacement(placement);
  }
  LoadHistory(registry, "Phones", cbPhone->Items());
  LoadHistory(registry, "Names", cbName->Items());
}

void TMainForm::SaveSettings() {
  TWindowPlacement placement;
  placement.length = 44;
  GetWindowPlacement(placement);
  TRegIniFile registry(ProgramRegistryKey);
  registry.SetRootKey(HKEY_CURRENT_USER);
  if (!registry.OpenKey(ProgramRegistryKey, true)) return;
  // One write of the store for everything.
  TRegistryUpdateScope update(registry);
  // A window never shown (a start that failed) still stands where it was
  // made, not where the desktop would have put it: the stored place, or
  // centring on a first run, stays for the next start.
  if (FShown) WritePlacement(registry, placement);
  SaveHistory(registry, "Phones", cbPhone->Items());
  SaveHistory(registry, "Names", cbName->Items());
  update.Commit();
}

void TMainForm::DoShow() {
  FShown = true;
  TForm::DoShow();
}
