#include "manager/shell/about_dialog.h"

namespace vk {

bool AboutDialog::onInit(DialogView& view) {
  (void)view;
  return true;
}

bool AboutDialog::onCommand(DialogView& view, int id, int notifyCode) {
  (void)notifyCode;
  if (id != kIdOk && id != kIdCancel) return false;
  view.endDialog(id);
  return true;
}

void openAbout(ShellPlatform& system, DialogRunner& runner, WindowRef owner) {
  const WindowRef open = system.findWindowByTitle(kAboutCaption);
  if (open != kNoWindow) {
    system.showAndBringToFront(open);
    return;
  }
  AboutDialog about;
  runner.runModal(kAboutDialogId, about, owner);
}

}  // namespace vk
