#include "manager/win32/authoring_dialogs.h"

#include <commctrl.h>

#include "manager/authoring/edit_lock_dialog.h"
#include "manager/authoring/new_lock_wizard.h"
#include "manager/resources/authoring_resource.h"
#include "platform/dialog_runner.h"
#include "platform/win32/dialog_adapter.h"

// The resource script and the authoring logic name the same things.
static_assert(IDD_NEW_LOCK_METHOD == vk::kPageChooseMethod && IDD_NEW_LOCK_TYPED_TITLE == vk::kPageTypedTitle &&
                  IDD_NEW_LOCK_PICK == vk::kPagePickWindow && IDD_NEW_LOCK_CONFIRM_PICK == vk::kPageConfirmWindow &&
                  IDD_NEW_LOCK_PASSWORD_CHOICE == vk::kPagePasswordChoice &&
                  IDD_NEW_LOCK_PASSWORD == vk::kPagePassword &&
                  IDD_NEW_LOCK_PASSWORD_AGAIN == vk::kPageConfirmPassword && IDD_NEW_LOCK_TRIES == vk::kPageTries &&
                  IDD_NEW_LOCK_RELOCK == vk::kPageRelockTime && IDD_NEW_LOCK_ACTION == vk::kPageAction &&
                  IDD_NEW_LOCK_SUMMARY == vk::kPageSummary,
              "wizard pages");
static_assert(IDD_EDIT_LOCK == vk::kEditLockDialogId, "Edit Lock dialog");
static_assert(IDC_LOCK_TITLE == vk::kIdTitleBox && IDC_LOCK_PASSWORD == vk::kIdPasswordBox &&
                  IDC_TRIES_UPDOWN == vk::kIdTriesUpDown && IDC_WILDCARD == vk::kIdWildcardCheck &&
                  IDC_ACTION_LIST == vk::kIdActionList && IDC_TRIES == vk::kIdTriesBox &&
                  IDC_MINUTES == vk::kIdMinutesBox,
              "shared lock fields");
static_assert(IDC_SELECT_WINDOW == vk::kIdSelectWindowRadio && IDC_TYPE_TITLE == vk::kIdTypeTitleRadio &&
                  IDC_PICKED_TITLE == vk::kIdPickedTitleText && IDC_PROTECT_YES == vk::kIdProtectYesRadio &&
                  IDC_PROTECT_NO == vk::kIdProtectNoRadio && IDC_SUMMARY == vk::kIdSummaryBox,
              "wizard controls");
static_assert(IDC_PASSWORD_AGAIN == vk::kIdAgainBox && IDC_PROTECT == vk::kIdProtectCheck &&
                  IDC_MINUTES_UPDOWN == vk::kIdMinutesUpDown && IDC_EDIT_HELP == vk::kIdHelpButton &&
                  IDC_NEW_PASSWORD_LABEL == vk::kIdNewPasswordLabel && IDC_AGAIN_LABEL == vk::kIdAgainLabel &&
                  IDC_TRIES_LABEL == vk::kIdTriesLabel && IDC_RELOCK_LABEL == vk::kIdRelockLabel &&
                  IDC_MIN_LABEL == vk::kIdMinLabel && IDC_LOCKED == vk::kIdLockedCheck,
              "Edit Lock controls");

namespace vk {
namespace {

// Where the Edit Lock dialog keeps its working record's address.
constexpr const char* kWorkingRecordProperty = "info";

// Both the pages and the dialog have up-down controls; start-up registers
// only the list view and toolbar classes.
void registerUpDownClass() {
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_UPDOWN_CLASS;
  ::InitCommonControlsEx(&controls);
}

// Runs the dialog through the generic dialog procedure with a window
// property that carries the working record's address.
class PropertyDialogRunner final : public DialogRunner {
 public:
  PropertyDialogRunner(HINSTANCE instance, const char* name, void* value)
      : instance_(instance), name_(name), value_(value) {}

  int runModal(int resourceId, DialogLogic& logic, WindowRef owner) override {
    win32::DialogBinding binding(logic, name_, value_);
    return static_cast<int>(
        win32::runModalDialog(instance_, resourceId, reinterpret_cast<HWND>(owner), binding));
  }

 private:
  HINSTANCE instance_;
  const char* name_;
  void* value_;
};

}  // namespace

AuthoringDialogs::AuthoringDialogs(HINSTANCE instance, PasswordDialogs& others, WizardRunner& wizards,
                                   WindowPicker& picker, Shell& shell)
    : instance_(instance),
      others_(others),
      wizards_(wizards),
      picker_(picker),
      shell_(shell) {}

void AuthoringDialogs::runCreateLockWizard(ManagerStore& store, WindowRef owner) {
  registerUpDownClass();
  vk::runCreateLockWizard(state_, store, wizards_, picker_, owner);
}

bool AuthoringDialogs::runEditLockDialog(LockRecord& working, WindowRef owner) {
  registerUpDownClass();
  PropertyDialogRunner runner(instance_, kWorkingRecordProperty, &working);
  return vk::runEditLockDialog(runner, shell_, working, owner);
}

}  // namespace vk
