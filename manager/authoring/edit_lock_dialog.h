// The Edit Lock dialog (resource 146): one form over a working copy of a
// lock. It reads the copy when it opens and writes it only in the last step
// of an OK that passed every test, so a cancelled or refused edit leaves the
// copy as it was. It never touches the shared table, its mutex or the file.
#pragma once

#include <cstdint>

#include "common/lock_table.h"
#include "manager/authoring/lock_form.h"
#include "platform/dialog_runner.h"
#include "platform/dialog_view.h"
#include "platform/shell.h"

namespace vk {

constexpr int kEditLockDialogId = 146;
constexpr int kEditLockConfirmed = 123;  // end code of a validated OK
constexpr int kEditLockCancelled = 0;

// Controls of dialog 146 beyond those in lock_form.h.
constexpr int kIdAgainBox = 1021;         // password edit box, the password again
constexpr int kIdProtectCheck = 1042;     // "Password Protect this Window"
constexpr int kIdMinutesUpDown = 1047;    // bound to box 1034
constexpr int kIdHelpButton = 1049;
constexpr int kIdNewPasswordLabel = 1050;  // labels 1050 to 1054 follow the password group
constexpr int kIdAgainLabel = 1051;
constexpr int kIdTriesLabel = 1052;
constexpr int kIdRelockLabel = 1053;
constexpr int kIdMinLabel = 1054;
constexpr int kIdLockedCheck = 1055;      // "Locked": the enabled flag
constexpr int kEditUpDownLower = 1;
constexpr int kEditUpDownUpper = 60;

// Messages (caption "Error", OK button, warning icon, owned by the dialog).
constexpr const char* kInvalidTitleText = "Invalid Window Title. Please correct and try again.";
constexpr const char* kInvalidPasswordText = "Invalid password. Please correct and try again.";
constexpr const char* kPasswordsDifferText =
    "The passwords you typed did not match. Remember, CaSe counts. Please correct and try again.";
constexpr const char* kRelockNotPositiveText =
    "You must enter a positive value in the Time until re-lock box. Please correct and try "
    "again.";
constexpr const char* kTriesNotPositiveText =
    "You must enter a positive value in the Number of tries box. Please correct and try again.";

// The list entry for an action code: 1 -> 0, 2 -> 1, 8 -> 2; LockComputer (4)
// has no entry (-1, nothing selected); any other code opens as "Deny Access".
int listIndexFromAction(std::uint16_t code);
// The code of the selected entry; DenyAccess when nothing is selected.
std::uint16_t actionFromList(DialogView& view);

class EditLockDialog final : public DialogLogic {
 public:
  EditLockDialog(LockRecord& record, Shell& shell) : record_(record), shell_(shell) {}

  bool onInit(DialogView& view) override;
  bool onCommand(DialogView& view, int id, int notifyCode) override;

  // Enables (filled with the record's numbers, or 3 and 5 without a password)
  // or disables (emptied) the password, tries and minutes boxes and their labels.
  void enablePasswordGroup(DialogView& view, bool enable);

  // The working record (the Win32 side keeps its address in the dialog's
  // window property "info").
  LockRecord& record() { return record_; }

 private:
  void onOk(DialogView& view);
  void refuse(DialogView& view, const char* text, int focusId);

  LockRecord& record_;
  Shell& shell_;
};

// Runs dialog 146 modally on `record`, owned by `owner`. True exactly when it
// ended with 123; `record` then holds the new settings, otherwise it is unchanged.
bool runEditLockDialog(DialogRunner& runner, Shell& shell, LockRecord& record, WindowRef owner);

}  // namespace vk
