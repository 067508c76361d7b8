// The manager's dialogs and wizards that live outside the shell: the shell
// opens them at the right moment and never does their work itself. Each is
// modal and runs a nested message loop, so the tray icon keeps answering
// while it is open. Those opened from the manager window are owned by it
// (`owner`): the window is disabled meanwhile, so it cannot be closed (hidden)
// while a dialog that shows or changes the locks stays usable on screen.
//
// The Win32 side implements this port with the real dialogs (authoring and
// password folders). An entry whose dialog does not exist yet must say so to
// the user; it must not act as if the dialog had run.
#pragma once

#include "common/lock_table.h"
#include "manager/store/manager_store.h"
#include "platform/window_system.h"

namespace vk {

class ManagerDialogs {
 public:
  virtual ~ManagerDialogs() = default;

  // The six-page first-run wizard (sets the system password, the secret
  // question and answer in store.settings). It cannot be cancelled. The
  // caller saves afterwards.
  virtual void runFirstRunWizard(ManagerStore& store) = 0;
  // The New Lock wizard; its finish appends the record and saves by itself
  // (appendLockStep). Result not used.
  virtual void runCreateLockWizard(ManagerStore& store, WindowRef owner) = 0;
  // The Edit Lock dialog on `working`, a copy in the manager's memory. True
  // when the user confirmed; `working` then holds the new settings. The
  // dialog never touches the table, its mutex or the file.
  virtual bool runEditLockDialog(LockRecord& working, WindowRef owner) = 0;
  // The change-password wizard, starting at page `startIndex` (1: the secret
  // question, for a lost password; 2: the current password). Result not used.
  // From the password gate it has no owner (the gate is modal itself).
  virtual void runChangePasswordWizard(ManagerStore& store, int startIndex, WindowRef owner) = 0;
  // The Options dialog (start with Windows, shut down at log-off); its OK
  // saves by itself.
  virtual void runOptionsDialog(ManagerStore& store, WindowRef owner) = 0;
};

}  // namespace vk
