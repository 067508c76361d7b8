#include "manager/shell/manager_window.h"

#include "gate/window_guard.h"
#include "manager/shell/about_dialog.h"
#include "manager/shell/help_pages.h"
#include "manager/shell/password_gate.h"

namespace vk {

const ToolbarEntry kToolbarEntries[kToolbarEntryCount] = {
    {kCmdNewLock, 0, "New Lock"},
    {0, -1, nullptr},
    {kCmdLock, 5, "Lock"},
    {kCmdUnlock, 4, "Unlock"},
    {0, -1, nullptr},
    {kCmdEditLock, 1, "Edit Lock"},
    {kCmdDeleteLock, 2, "Delete Lock"},
    {0, -1, nullptr},
    {kCmdHelp, 3, "Help"},
    {0, -1, nullptr},
    {kCmdExit, 6, "Exit"},
};

ManagerWindow::ManagerWindow(ManagerPorts& ports, ManagerStore& store)
    : ports_(ports),
      store_(store),
      lockList_(ports.list, store, ports.clock),
      ownedBoxes_(ports.frame) {}

bool ManagerWindow::create() {
  if (!ports_.frame.create(*this)) return false;
  if (!ports_.toolbar.create()) {
    ports_.messageBoxes.show(kToolbarFailedText, kCriticalErrorCaption, kBoxOk | kBoxIconError);
    return false;
  }
  if (!lockList_.create()) {
    ports_.messageBoxes.show(kListFailedText, kCriticalErrorCaption, kBoxOk | kBoxIconError);
    return false;
  }
  bool firstButton = true;
  for (const ToolbarEntry& entry : kToolbarEntries) {
    if (entry.commandId == 0) {
      ports_.toolbar.addSeparator();
      continue;
    }
    const bool added = ports_.toolbar.addButton(entry.commandId, entry.image, entry.text);
    // Only the first button is reported: if it fails, the rest will too.
    if (firstButton && !added) {
      ports_.frame.messageBox(kAddButtonFailedText, kCriticalErrorCaption, kBoxOk | kBoxIconError);
    }
    firstButton = false;
  }
  setToolbarForSelection(false, false, false, false);
  lockList_.fillRows();
  ports_.toolbar.show();
  ports_.frame.hide();
  ports_.frame.startRefreshTimer();
  onSize();
  return true;
}

void ManagerWindow::open() {
  if (!exists()) create();
  showGated(true);
}

void ManagerWindow::showGated(bool show) {
  if (!show) {
    ports_.frame.hide();
    return;
  }
  if (!ports_.frame.isVisible()) {
    // A second request while the prompt is up (another double-click, a second
    // copy started) brings the open prompt to the front; it may be behind
    // other windows by now.
    if (openGate_ != nullptr) {
      openGate_->bringToFront();
      return;
    }
    PasswordGate gate(store_, ports_.dialogs);
    openGate_ = &gate;
    const int result = ports_.dialogRunner.runModal(kPasswordGateDialogId, gate, kNoWindow);
    openGate_ = nullptr;
    if (result != PasswordAccepted) {
      ports_.frame.hide();
      return;
    }
  }
  ports_.frame.showNormalAndActivate();
}

StepResult ManagerWindow::lockAllNow(bool tellWhenBusy) {
  const StepResult result = lockAllNowStep(store_);
  if (result == StepResult::TableBusy) {
    if (tellWhenBusy) {
      ports_.messageBoxes.show(kTableTimeoutText, kManagerMessageCaption,
                               kBoxOk | kBoxIconWarning);
    }
    return result;
  }
  if (exists()) {
    lockList_.refreshRows();
    onItemChanged();  // Lock and Unlock follow the selected lock's state
  }
  return result;
}

void ManagerWindow::onSize() {
  const ClientSize client = ports_.frame.clientSize();
  const int toolbarHeight = ports_.toolbar.height();
  ports_.toolbar.place(0, 0, client.width, toolbarHeight);
  const int listHeight = client.height > toolbarHeight ? client.height - toolbarHeight : 0;
  ports_.list.place(0, toolbarHeight, client.width, listHeight);
  lockList_.fitTitleColumn();
}

void ManagerWindow::onGetDispInfo(std::intptr_t itemData, int subItem, char* buffer,
                                  int bufferSize) {
  lockList_.fillDisplayText(itemData, subItem, buffer, bufferSize);
}

void ManagerWindow::onItemActivate() { onCommand(kCmdEditLock); }

void ManagerWindow::setToolbarForSelection(bool edit, bool remove, bool unlock, bool lock) {
  ports_.toolbar.enableButton(kCmdEditLock, edit);
  ports_.toolbar.enableButton(kCmdDeleteLock, remove);
  ports_.toolbar.enableButton(kCmdUnlock, unlock);
  ports_.toolbar.enableButton(kCmdLock, lock);
}

void ManagerWindow::onItemChanged() {
  const int selected = ports_.list.selectedCount();
  if (selected <= 0) {
    setToolbarForSelection(false, false, false, false);
    return;
  }
  if (selected >= 2) {
    setToolbarForSelection(false, true, true, true);
    return;
  }
  const std::intptr_t data = ports_.list.rowData(ports_.list.nextSelectedRow(-1));
  bool known = false;
  bool inForce = false;
  {
    TableLock lock(store_.kernel, store_.tableMutex);
    if (lock.held() && store_.table.isOpen() && data >= 0 &&
        static_cast<std::uintmax_t>(data) < store_.table.usableRecordCount()) {
      const RecordRef record = store_.table.record(static_cast<std::uint32_t>(data));
      const std::int32_t elapsed = static_cast<std::int32_t>(
          static_cast<std::uint32_t>(ports_.clock.now()) -
          static_cast<std::uint32_t>(record.unlockedAt()));
      inForce = record.enabled() == 1 && (elapsed < 0 || elapsed > record.relockSeconds());
      known = true;
    }
  }
  if (!known) {
    setToolbarForSelection(true, true, true, true);
  } else {
    setToolbarForSelection(true, true, inForce, !inForce);
  }
}

void ManagerWindow::onCommand(int commandId) {
  switch (commandId) {
    case kCmdNewLock:
      newLock();
      break;
    case kCmdEditLock:
      editLock();
      break;
    case kCmdDeleteLock:
      deleteLocks();
      break;
    case kCmdHelp:
    case kMenuOnlineHelp:
      openHelpPage(ports_.shell, kHelpIndexPage);
      break;
    case kCmdUnlock:
      switchLocks(false);
      break;
    case kCmdLock:
      switchLocks(true);
      break;
    case kCmdExit:
    case kMenuExit:
      confirmExit();
      break;
    case kMenuClose:
      ports_.frame.hide();
      break;
    case kMenuAbout:
      openAbout(ports_.system, ports_.dialogRunner, ports_.frame.window());
      break;
    case kMenuPreferences:
      ports_.dialogs.runOptionsDialog(store_, ports_.frame.window());
      break;
    case kMenuChangePassword:
      ports_.dialogs.runChangePasswordWizard(store_, kChangePasswordStartPage,
                                             ports_.frame.window());
      break;
    default:
      break;
  }
}

void ManagerWindow::onTimer() { lockList_.refreshRows(); }

void ManagerWindow::onClose() { ports_.frame.hide(); }

void ManagerWindow::tellTableBusy() {
  ports_.frame.messageBox(kTableTimeoutText, kManagerMessageCaption, kBoxOk | kBoxIconWarning);
}

void ManagerWindow::newLock() {
  const StepResult result = newLockStep(store_, ownedBoxes_);
  if (result == StepResult::TableBusy) {
    tellTableBusy();
    return;
  }
  if (result != StepResult::Done) return;  // the capacity message was shown
  // One wizard at a time: two would share the pending lock and its password.
  if (newLockWizardOpen_) return;
  newLockWizardOpen_ = true;
  ports_.dialogs.runCreateLockWizard(store_, ports_.frame.window());
  newLockWizardOpen_ = false;
  lockList_.refreshRows();
}

void ManagerWindow::editLock() {
  const int row = ports_.list.nextSelectedRow(-1);
  if (row < 0) return;
  const std::intptr_t data = ports_.list.rowData(row);
  if (data < 0 || static_cast<std::uintmax_t>(data) > 0xFFFFFFFFu) return;

  LockRecord working = {};
  const StepResult copied =
      copyLockSettingsStep(store_, static_cast<std::uint32_t>(data), working);
  if (copied == StepResult::TableBusy) {
    tellTableBusy();
    return;
  }
  if (copied != StepResult::Done) return;  // a stale row; the next refresh settles it

  // The dialog runs a nested message loop in which this window may delete
  // records (or open another edit); Delete keeps this entry pointing at the
  // record being edited.
  recordsUnderEdit_.push_back(static_cast<std::int64_t>(data));
  const std::size_t slot = recordsUnderEdit_.size() - 1;
  const bool confirmed = ports_.dialogs.runEditLockDialog(working, ports_.frame.window());
  const std::int64_t target = recordsUnderEdit_[slot];
  recordsUnderEdit_.erase(recordsUnderEdit_.begin() + static_cast<std::ptrdiff_t>(slot));
  if (!confirmed) return;

  if (target < 0) {
    ports_.frame.messageBox(kEditedLockDeletedText, kManagerMessageCaption,
                            kBoxOk | kBoxIconWarning);
    return;
  }
  const StepResult replaced =
      replaceLockSettingsStep(store_, static_cast<std::uint32_t>(target), working);
  if (replaced == StepResult::TableBusy) {
    ports_.frame.messageBox(kEditNotAppliedText, kManagerMessageCaption,
                            kBoxOk | kBoxIconWarning);
    return;
  }
  lockList_.refreshRows();
}

void ManagerWindow::deleteLocks() {
  for (;;) {
    const int row = ports_.list.nextSelectedRow(-1);
    if (row < 0) break;
    const std::intptr_t data = ports_.list.rowData(row);
    if (data < 0 || static_cast<std::uintmax_t>(data) > 0xFFFFFFFFu) {
      ports_.list.deleteRow(row);  // names no record
      continue;
    }
    const StepResult result = deleteLockStep(store_, static_cast<std::uint32_t>(data));
    if (result == StepResult::TableBusy) {
      tellTableBusy();
      break;
    }
    ports_.list.deleteRow(row);
    if (result == StepResult::NoSuchLock) continue;  // a stale row; nothing moved

    // Later records moved down one place: so do the item data naming them,
    // and the records under edit.
    const int rows = ports_.list.rowCount();
    for (int i = 0; i < rows; ++i) {
      const std::intptr_t d = ports_.list.rowData(i);
      if (d > data) ports_.list.setRowData(i, d - 1);
    }
    for (std::int64_t& edited : recordsUnderEdit_) {
      if (edited == data) {
        edited = -1;
      } else if (edited > data) {
        --edited;
      }
    }
  }
  lockList_.refreshRows();
}

void ManagerWindow::switchLocks(bool on) {
  bool busy = false;
  for (int row = ports_.list.nextSelectedRow(-1); row >= 0;
       row = ports_.list.nextSelectedRow(row)) {
    const std::intptr_t data = ports_.list.rowData(row);
    if (data < 0 || static_cast<std::uintmax_t>(data) > 0xFFFFFFFFu) continue;
    if (switchLockStep(store_, static_cast<std::uint32_t>(data), on) == StepResult::TableBusy) {
      busy = true;  // the rest would wait as long again
      break;
    }
  }
  if (busy) tellTableBusy();
  lockList_.refreshRows();
}

void ManagerWindow::confirmExit() {
  if (ports_.frame.messageBox(kExitQuestionText, kExitQuestionCaption, kExitQuestionStyle) ==
      kIdYes) {
    ports_.system.postQuit();
  }
}

}  // namespace vk
