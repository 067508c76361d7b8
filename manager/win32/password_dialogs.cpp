#include "manager/win32/password_dialogs.h"

#include "manager/password/change_password_wizard.h"
#include "manager/password/first_run_wizard.h"
#include "manager/password/password_entry.h"
#include "manager/resources/password_resource.h"
#include "manager/shell/options_dialog.h"

// The resource script and the password logic name the same things.
static_assert(IDD_FIRST_RUN_WELCOME == vk::kPageFirstRunWelcome && IDD_FIRST_RUN_PASSWORD == vk::kPageFirstRunPassword &&
                  IDD_FIRST_RUN_PASSWORD_AGAIN == vk::kPageFirstRunRetype &&
                  IDD_FIRST_RUN_QUESTION == vk::kPageFirstRunQuestion &&
                  IDD_FIRST_RUN_ANSWER == vk::kPageFirstRunAnswer && IDD_FIRST_RUN_DONE == vk::kPageFirstRunDone,
              "first-run pages");
static_assert(IDD_CHANGE_CHOICE == vk::kPageChangeChoice && IDD_CHANGE_SECRET_QUESTION == vk::kPageChangeQuestion &&
                  IDD_CHANGE_CURRENT_PASSWORD == vk::kPageChangeCurrent &&
                  IDD_CHANGE_PASSWORD == vk::kPageChangeNewPassword &&
                  IDD_CHANGE_PASSWORD_AGAIN == vk::kPageChangeRetype &&
                  IDD_CHANGE_QUESTION == vk::kPageChangeNewQuestion &&
                  IDD_CHANGE_ANSWER == vk::kPageChangeNewAnswer && IDD_CHANGE_CONFIRM == vk::kPageChangeConfirm,
              "change-password pages");
static_assert(IDB_TRAY_AREA == vk::kTrayPictureBitmap, "tray picture");
static_assert(IDC_SYSTEM_PASSWORD == vk::kIdSystemPasswordBox && IDC_SYSTEM_PASSWORD_AGAIN == vk::kIdRetypePasswordBox &&
                  IDC_SECRET_QUESTION == vk::kIdSecretQuestionBox && IDC_SECRET_ANSWER == vk::kIdSecretAnswerBox &&
                  IDC_REMEMBER_PASSWORD == vk::kIdRememberPasswordRadio &&
                  IDC_FORGOT_PASSWORD == vk::kIdForgotPasswordRadio,
              "password controls");
static_assert(IDD_OPTIONS == vk::kOptionsDialogId && IDC_START_WITH_WINDOWS == vk::kIdStartWithWindowsCheck &&
                  IDC_SHUT_DOWN_AT_LOG_OFF == vk::kIdShutDownAtLogOffCheck,
              "Options dialog");

namespace vk {

void PasswordDialogs::runFirstRunWizard(ManagerStore& store) { vk::runFirstRunWizard(store, wizards_); }

void PasswordDialogs::runChangePasswordWizard(ManagerStore& store, int startIndex, WindowRef owner) {
  vk::runChangePasswordWizard(store, wizards_, startIndex, owner);
}

void PasswordDialogs::runOptionsDialog(ManagerStore& store, WindowRef owner) {
  vk::runOptionsDialog(store, startup_, dialogs_, owner);
}

}  // namespace vk
