#include "manager/shell/options_dialog.h"

#include "manager/store/database_file.h"

namespace vk {

bool OptionsDialog::onInit(DialogView& view) {
  if (startup_.exists()) view.setChecked(kIdStartWithWindowsCheck, true);
  if (store_.settings.shutDownAtLogOff) view.setChecked(kIdShutDownAtLogOffCheck, true);
  return true;
}

bool OptionsDialog::onCommand(DialogView& view, int id, int notifyCode) {
  (void)notifyCode;
  if (id == kIdCancel) {
    view.endDialog(kOptionsCancelled);
    return true;
  }
  if (id != kIdOk) return false;

  const bool startWithWindows = view.isChecked(kIdStartWithWindowsCheck);
  store_.settings.shutDownAtLogOff = view.isChecked(kIdShutDownAtLogOffCheck);
  // Written on every OK, so the entry always names the program running now.
  if (startWithWindows) {
    if (!startup_.setToThisProgram()) {
      view.messageBox(kStartupEntryFailedText, kOptionsCaption, kBoxOk | kBoxIconWarning);
    }
  } else {
    startup_.remove();
  }
  saveDatabaseOrReport(store_.files, store_.settings, store_.table, store_.messageBoxes);
  view.endDialog(kOptionsConfirmed);
  return true;
}

void runOptionsDialog(ManagerStore& store, StartupEntry& startup, DialogRunner& runner,
                      WindowRef owner) {
  OptionsDialog dialog(store, startup);
  runner.runModal(kOptionsDialogId, dialog, owner);
}

}  // namespace vk
