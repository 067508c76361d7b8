// The manager window: a toolbar, a menu and the lock list, created hidden at
// start-up and shown only through the system password gate (showGated).
// Closing it only hides it: enforcement lives in the hook library and the
// shared table, not here.
//
// Every change to the table goes through the store's steps, which take
// TableMutex for at most 7000 ms each; a step that did not get it changed
// nothing, and the window says so once the step is over.
#pragma once

#include <cstdint>
#include <vector>

#include "manager/shell/lock_list_view.h"
#include "manager/shell/manager_ports.h"
#include "manager/shell/password_gate.h"
#include "manager/store/manager_store.h"
#include "manager/store/table_steps.h"
#include "platform/frame_window.h"

namespace vk {

// Commands (toolbar buttons and menu items).
constexpr int kCmdNewLock = 1;
constexpr int kCmdEditLock = 2;
constexpr int kCmdDeleteLock = 3;
constexpr int kCmdHelp = 4;
constexpr int kCmdUnlock = 5;
constexpr int kCmdLock = 6;
constexpr int kCmdExit = 7;
constexpr int kMenuAbout = 40002;
constexpr int kMenuExit = 40015;
constexpr int kMenuPreferences = 40026;
constexpr int kMenuClose = 40027;
constexpr int kMenuOnlineHelp = 40028;
constexpr int kMenuChangePassword = 40029;
// Change-password wizard page that asks for the current password.
constexpr int kChangePasswordStartPage = 2;

constexpr const char* kManagerCaption = "Vantakey Manager";

// Toolbar: bitmap 110 holds the images, 32 x 32 each, of which 7 are used.
constexpr int kToolbarBitmapId = 110;
constexpr int kToolbarImageCount = 7;
struct ToolbarEntry {
  int commandId;  // 0 for a separator
  int image;
  const char* text;
};
constexpr int kToolbarEntryCount = 11;  // 7 buttons, 4 separators
extern const ToolbarEntry kToolbarEntries[kToolbarEntryCount];

constexpr const char* kCriticalErrorCaption = "Vantakey Error";
constexpr const char* kSupportAddress = "support@vantakey.com";
constexpr const char* kToolbarFailedText =
    "Could not create toolbar.\n\nYou have encountered a critical error. Please restart your "
    "computer. If you continue to receive this error, contact support@vantakey.com";
constexpr const char* kListFailedText = "Could not create list";
constexpr const char* kAddButtonFailedText = "Add Button Failed";

constexpr const char* kExitQuestionText =
    "Exiting Vantakey will stop protecting all of your windows. If you just want to close the "
    "manager screen, click the X in the top-right corner of the window.\n\nAre you sure you want "
    "to stop protecting your system?";
constexpr const char* kExitQuestionCaption = "Vantakey Manager";
// MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2: "No" is the default.
constexpr unsigned kBoxDefaultSecond = 0x100;
constexpr unsigned kExitQuestionStyle = kBoxYesNo | kBoxIconWarning | kBoxDefaultSecond;

// A step did not get TableMutex within 7000 ms (a hung process holds it).
constexpr const char* kTableTimeoutText =
    "Vantakey could not get access to its lock table within 7 seconds, so nothing was "
    "changed.\n\nPlease try again in a moment.";
// The same for the write-back of a confirmed Edit Lock dialog.
constexpr const char* kEditNotAppliedText =
    "Vantakey could not get access to its lock table within 7 seconds, so your changes to "
    "this lock were not applied.\n\nPlease open Edit Lock again and repeat them.";
// The lock under edit was deleted while its Edit Lock dialog was open.
constexpr const char* kEditedLockDeletedText =
    "The lock you were editing was deleted while the Edit Lock dialog was open, so your "
    "changes were not applied.";
constexpr const char* kManagerMessageCaption = "Vantakey";

class ManagerWindow final : public FrameWindowEvents {
 public:
  ManagerWindow(ManagerPorts& ports, ManagerStore& store);

  // Builds the window (hidden), the toolbar and the list, fills the list and
  // starts the 3000 ms refresh timer. False when the frame, the toolbar or
  // the list could not be made (the last two say so).
  bool create();
  bool exists() { return ports_.frame.exists(); }
  // From the tray icon: create the window when there is none, then
  // showGated(true).
  void open();
  // show false hides the window. show true shows it (restored, in front, with
  // the focus) at once when it is visible, and otherwise only after the
  // system password was accepted; a refused or cancelled prompt hides it.
  void showGated(bool show);
  // Lock All Now: ends every open re-lock period (lockAllNowStep), so each
  // window opened by its password asks again at its next activation; the
  // list and the toolbar show it at once. A table that could not be had
  // changed nothing; with tellWhenBusy the user is told so in a box. The
  // automatic callers (workstation locked, sleep) pass false: nobody is at
  // the screen to answer a box then.
  StepResult lockAllNow(bool tellWhenBusy);

  // FrameWindowEvents
  // Toolbar across the top at its own height, the list below it, the title
  // column fitted to what is left.
  void onSize() override;
  void onGetDispInfo(std::intptr_t itemData, int subItem, char* buffer, int bufferSize) override;
  // A double-clicked (activated) row is Edit Lock.
  void onItemActivate() override;
  // Toolbar states from the selection: none selected: Edit, Delete, Lock and
  // Unlock off; one: Edit and Delete on, and Unlock on / Lock off exactly when
  // the lock is in force (enabled is 1 and now - unlockedAt < 0 or > the
  // re-lock period), else the reverse; two or more: Edit off, Delete, Lock
  // and Unlock on. When the one record cannot be read in time, Lock and
  // Unlock are both left on: the command itself reports a busy table.
  void onItemChanged() override;
  void onCommand(int commandId) override;
  void onTimer() override;
  // The close box hides the window; it is never destroyed.
  void onClose() override;

  LockListView& lockList() { return lockList_; }

 private:
  void newLock();
  void editLock();
  void deleteLocks();
  void switchLocks(bool on);
  void confirmExit();
  void tellTableBusy();
  void setToolbarForSelection(bool edit, bool remove, bool unlock, bool lock);

  // Message boxes owned by the manager window, for the store's steps.
  class OwnedBoxes final : public MessageBoxes {
   public:
    explicit OwnedBoxes(FrameWindow& frame) : frame_(frame) {}
    int show(const char* text, const char* caption, unsigned style) override {
      return frame_.messageBox(text, caption, style);
    }

   private:
    FrameWindow& frame_;
  };

  ManagerPorts& ports_;
  ManagerStore& store_;
  LockListView lockList_;
  OwnedBoxes ownedBoxes_;
  // Record indices of the Edit Lock dialogs open now. The dialog is owned by
  // this window, which is disabled meanwhile, but commands can still arrive
  // (a message posted to the window); Delete moves an index down when a
  // record before it goes, and sets it to -1 when its own record goes, so a
  // write-back never lands on another record.
  std::vector<std::int64_t> recordsUnderEdit_;
  PasswordGate* openGate_ = nullptr;  // the password prompt while it is up
  bool newLockWizardOpen_ = false;
};

}  // namespace vk
