#include "manager/shell/password_gate.h"

#include "common/password_digest.h"
#include "gate/window_guard.h"

namespace vk {

PasswordGate::PasswordGate(ManagerStore& store, ManagerDialogs& dialogs)
    : store_(store), dialogs_(dialogs) {}

bool PasswordGate::onInit(DialogView& view) {
  view_ = &view;
  view.bringToForeground();
  view.setFocus(kGatePasswordEditId);
  view.setPasswordChar(kGatePasswordEditId, '*');
  return false;
}

bool PasswordGate::onCommand(DialogView& view, int id, int notifyCode) {
  (void)notifyCode;
  switch (id) {
    case kIdOk: {
      // Wiped on the way out, whatever the outcome.
      SecretText<kGatePasswordBufferSize> typed;
      view.getItemText(kGatePasswordEditId, typed.text, kGatePasswordBufferSize);
      // The digest of the exact bytes: another letter case is another password.
      if (passwordMatches(typed.text, store_.settings.systemPasswordDigest)) {
        view.endDialog(PasswordAccepted);
        return true;
      }
      view.messageBox(kGateWrongPasswordText, kGateWrongPasswordCaption, kBoxOk | kBoxIconWarning);
      view.setItemText(kGatePasswordEditId, "");
      view.setFocus(kGatePasswordEditId);
      return true;
    }
    case kIdCancel:
      view.endDialog(0);
      return true;
    case kLostPasswordButtonId:
      // The prompt stays as it was; the user then types the password valid now.
      dialogs_.runChangePasswordWizard(store_, kRecoveryStartPage, kNoWindow);
      return true;
    default:
      return false;
  }
}

void PasswordGate::bringToFront() {
  if (view_ != nullptr) view_->bringToForeground();
}

std::uint32_t PasswordGate::onChallenge(std::uint32_t wParam, std::uint32_t lParam) {
  return challengeAnswer(wParam, lParam);
}

}  // namespace vk
