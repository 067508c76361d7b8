// The manager's dialogs on Win32 with the lock authoring ones in place: the
// New Lock wizard as a property sheet and the Edit Lock dialog (146). The
// password wizards and the Options dialog come from PasswordDialogs.
#pragma once

#include <windows.h>

#include "manager/authoring/new_lock_wizard.h"
#include "manager/shell/manager_dialogs.h"
#include "manager/win32/password_dialogs.h"
#include "platform/shell.h"
#include "platform/wizard_page.h"

namespace vk {

class AuthoringDialogs final : public ManagerDialogs {
 public:
  AuthoringDialogs(HINSTANCE instance, PasswordDialogs& others, WizardRunner& wizards, WindowPicker& picker,
                   Shell& shell);
  AuthoringDialogs(const AuthoringDialogs&) = delete;
  AuthoringDialogs& operator=(const AuthoringDialogs&) = delete;

  void runFirstRunWizard(ManagerStore& store) override { others_.runFirstRunWizard(store); }
  void runCreateLockWizard(ManagerStore& store, WindowRef owner) override;
  bool runEditLockDialog(LockRecord& working, WindowRef owner) override;
  void runChangePasswordWizard(ManagerStore& store, int startIndex, WindowRef owner) override {
    others_.runChangePasswordWizard(store, startIndex, owner);
  }
  void runOptionsDialog(ManagerStore& store, WindowRef owner) override {
    others_.runOptionsDialog(store, owner);
  }

 private:
  HINSTANCE instance_;
  PasswordDialogs& others_;
  WizardRunner& wizards_;
  WindowPicker& picker_;
  Shell& shell_;
  // PendingLock and PendingLockPassword: kept from one wizard run to the
  // next.
  AuthoringState state_;
};

}  // namespace vk
