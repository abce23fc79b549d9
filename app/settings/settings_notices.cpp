#include "app/settings/settings_notices.h"

#include <cerrno>

#include "framework/core/base/exceptions.h"
#include "framework/core/storage/file_io.h"
#include "framework/core/storage/registry_store.h"
#include "framework/core/text/text.h"
#include "framework/gui/standard/dialogs.h"

namespace {

// The cause in the user's words where there are some; the system's text
// otherwise.
std::string Cause(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return RU("нет права на запись");
    case EROFS:
      return RU("файловая система доступна только для чтения");
    case ENOSPC:
      return RU("на диске нет места");
    default:
      return SystemErrorText(error);
  }
}

}  // namespace

std::string SettingsResetText(const std::string& asidePath) {
  return RU("Настройки программы не удалось прочитать, поэтому они сброшены. Прежний файл настроек сохранён "
            "как\n") +
         Utf8ToAnsi(asidePath);
}

std::string SettingsNotSavedText(const std::string& path, int error) {
  return RU("Настройки программы не будут сохранены (") + Cause(error) + "):\n" + Utf8ToAnsi(path);
}

std::string SettingsSaveFailedText(const std::string& detail) {
  return RU("Не удалось сохранить настройки программы.\n") + detail;
}

TSettingsNotices::TSettingsNotices(std::string path)
    : FPath(std::move(path)), FAsideBefore(TRegistryStore::KeptAsidePath(FPath)) {}

void TSettingsNotices::TellAtStart() {
  if (const std::string aside = TRegistryStore::KeptAsidePath(FPath); aside != FAsideBefore) {
    MessageDlg(SettingsResetText(aside), mtWarning, TMsgDlgButtons{mbOK});
    return;
  }
  if (const int error = TRegistryStore::WriteProblem(FPath)) {
    FToldUnwritable = true;
    MessageDlg(SettingsNotSavedText(FPath, error), mtWarning, TMsgDlgButtons{mbOK});
  }
}

void TSettingsNotices::TellSaveFailed(const Exception& e) {
  if (std::exchange(FToldUnwritable, true)) return;
  MessageDlg(SettingsSaveFailedText(e.Message()), mtError, TMsgDlgButtons{mbOK});
}
