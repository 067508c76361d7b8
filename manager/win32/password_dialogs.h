// The manager's system password dialogs on Win32: the first-run wizard and
// the change-password wizard as property sheets, and the Options dialog
// (154) with the Run value of the registry behind it.
#pragma once

#include "manager/store/manager_store.h"
#include "platform/dialog_runner.h"
#include "platform/startup_entry.h"
#include "platform/wizard_page.h"

namespace vk {

class PasswordDialogs final {
 public:
  PasswordDialogs(WizardRunner& wizards, DialogRunner& dialogs, StartupEntry& startup)
      : wizards_(wizards), dialogs_(dialogs), startup_(startup) {}

  void runFirstRunWizard(ManagerStore& store);
  void runChangePasswordWizard(ManagerStore& store, int startIndex, WindowRef owner);
  void runOptionsDialog(ManagerStore& store, WindowRef owner);

 private:
  WizardRunner& wizards_;
  DialogRunner& dialogs_;
  StartupEntry& startup_;
};

}  // namespace vk
