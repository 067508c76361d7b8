// The manager's dialogs and wizards that this build does not have yet
// (first-run, change-password, Options). Each entry tells the user plainly
// that the part is missing and changes nothing.
//
// The first run needs the missing first-run wizard to set a system
// password; without one nothing can open the manager window. So that entry
// says so and asks the program to quit: start-up then goes on to its
// message loop, which ends at once, and the normal shutdown runs (hooks
// removed, file saved, icon removed). The message is shown once per run.
#pragma once

#include "manager/store/manager_store.h"
#include "platform/message_box.h"
#include "platform/shell_platform.h"

namespace vk {

constexpr const char* kPendingCaption = "Vantakey";
constexpr const char* kFirstRunPendingText =
    "Vantakey has no system password yet, and the first-run wizard that sets one is not "
    "available in this build yet.\n\nWithout a system password the manager cannot be opened, so "
    "Vantakey will now exit.";
constexpr const char* kChangePasswordPendingText =
    "The change-password wizard is not available in this build yet.\n\nThe system password was "
    "not changed.";
constexpr const char* kOptionsPendingText =
    "The Options dialog is not available in this build yet.\n\nNo preference was changed.";

class PendingDialogs final {
 public:
  PendingDialogs(MessageBoxes& boxes, ShellPlatform& system) : boxes_(boxes), system_(system) {}

  void runFirstRunWizard(ManagerStore& store);
  void runChangePasswordWizard(ManagerStore& store, int startIndex);
  void runOptionsDialog(ManagerStore& store);

 private:
  void tell(const char* text);

  MessageBoxes& boxes_;
  ShellPlatform& system_;
  bool firstRunTold_ = false;
};

}  // namespace vk
