// The manager's wizards and dialogs that live outside the shell, as the shell
// sees them: each run is logged, and what the user does in it is a function
// the test sets.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "manager/shell/manager_dialogs.h"
#include "tests/fakes/event_log.h"

namespace vk {
namespace fakes {

class FakeManagerDialogs : public ManagerDialogs {
 public:
  explicit FakeManagerDialogs(EventLog& log) : log_(log) {}

  void runFirstRunWizard(ManagerStore& store) override {
    log_.add("first-run wizard");
    if (firstRunWizard) firstRunWizard(store);
  }
  void runCreateLockWizard(ManagerStore& store, WindowRef owner) override {
    log_.add("new lock wizard");
    owners.push_back(owner);
    if (createLockWizard) createLockWizard(store);
  }
  bool runEditLockDialog(LockRecord& working, WindowRef owner) override {
    log_.add("edit lock dialog");
    owners.push_back(owner);
    editedRecords.push_back(working);
    return editLockDialog ? editLockDialog(working) : false;
  }
  void runChangePasswordWizard(ManagerStore& store, int startIndex, WindowRef owner) override {
    log_.add("change-password wizard " + std::to_string(startIndex));
    owners.push_back(owner);
    if (changePasswordWizard) changePasswordWizard(store, startIndex);
  }
  void runOptionsDialog(ManagerStore& store, WindowRef owner) override {
    log_.add("options dialog");
    owners.push_back(owner);
    if (optionsDialog) optionsDialog(store);
  }

  // What the user does in each; unset: nothing (Edit Lock: Cancel).
  std::function<void(ManagerStore&)> firstRunWizard;
  std::function<void(ManagerStore&)> createLockWizard;
  std::function<bool(LockRecord&)> editLockDialog;
  std::function<void(ManagerStore&, int)> changePasswordWizard;
  std::function<void(ManagerStore&)> optionsDialog;

  // The working records the Edit Lock dialog was opened on.
  std::vector<LockRecord> editedRecords;
  // The owner window of every run above, in order (first-run has none).
  std::vector<WindowRef> owners;

 private:
  EventLog& log_;
};

}  // namespace fakes
}  // namespace vk
