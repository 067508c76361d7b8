// The system password gate: dialog 101 of the manager, the one way in which
// the hidden manager window is opened from the tray icon. It is the manager's
// only window that answers OwnWindowChallenge, so a lock whose pattern
// matches its caption never blocks it.
#pragma once

#include <cstdint>

#include "manager/shell/manager_dialogs.h"
#include "manager/store/manager_store.h"
#include "platform/dialog_view.h"

namespace vk {

constexpr int kPasswordGateDialogId = 101;
constexpr int kGatePasswordEditId = 1004;
constexpr int kLostPasswordButtonId = 1039;
// The edit box is read with a 256-byte buffer: at most 255 characters count.
constexpr int kGatePasswordBufferSize = 256;
// Change-password wizard page that asks the secret question.
constexpr int kRecoveryStartPage = 1;

constexpr const char* kGateWrongPasswordText =
    "The password you entered is not correct.\nPlease try again.";
constexpr const char* kGateWrongPasswordCaption = "Invalid Password";

class PasswordGate final : public DialogLogic {
 public:
  PasswordGate(ManagerStore& store, ManagerDialogs& dialogs);

  // Comes to the foreground, focus on the edit box, "*" as password
  // character. Returns false: the focus is set here.
  bool onInit(DialogView& view) override;
  // OK compares the typed bytes' digest with SystemPasswordDigest (ends with
  // PasswordAccepted, or says so, empties the box and asks again); Cancel
  // ends with 0; "I lost my password..." runs the change-password wizard at
  // its secret-question page and leaves the prompt as it was.
  bool onCommand(DialogView& view, int id, int notifyCode) override;
  bool answersChallenge() const override { return true; }
  // challengeAnswer(w, l); l = 0 answers without dividing by it.
  std::uint32_t onChallenge(std::uint32_t wParam, std::uint32_t lParam) override;

  // Brings the open prompt to the foreground again (nothing before onInit).
  void bringToFront();

 private:
  DialogView* view_ = nullptr;  // the prompt's own view, from onInit on
  ManagerStore& store_;
  ManagerDialogs& dialogs_;
};

}  // namespace vk
