// The lock prompt: dialog 101, shown by the check on the guarded window's
// thread while the window is hidden. Asks for the lock's password, counts wrong
// entries in the record, and ends with PasswordAccepted or 0.
#pragma once

#include <cstdint>

#include "gate/window_guard.h"
#include "platform/dialog_view.h"
#include "platform/window_system.h"

namespace vk {

// Resource and control ids of the prompt.
constexpr int kLockPromptDialogId = 101;
constexpr int kGateIconId = 102;
constexpr int kPasswordEditId = 1000;
constexpr unsigned kHideTimerId = 1;
constexpr unsigned kHideTimerPeriodMs = 300;
// The edit box is read with a 256-byte buffer: at most 255 characters.
constexpr int kPasswordBufferSize = 256;

constexpr const char* kDefaultPromptCaption = "Locked Resource";
constexpr const char* kInvalidPasswordText =
    "The password you entered is not correct.\nPlease try again.";
constexpr const char* kInvalidPasswordCaption = "Invalid Password";

class LockPrompt final : public DialogLogic {
 public:
  // claimTag is the check's claim on the record: every read and write of the
  // prompt goes to the record that still carries it.
  LockPrompt(GateState& state, WindowSystem& windows, const PromptParam& param,
             std::uint16_t claimTag);

  // Focus and password character on the edit box, information beep, the
  // guarded window's title as caption, and the hide timer. Returns false: the
  // focus is set here.
  bool onInit(DialogView& view) override;
  // IDOK checks the password, IDCANCEL ends with 0.
  bool onCommand(DialogView& view, int id, int notifyCode) override;
  // Hides the guarded window again, in case its application showed it.
  bool onTimer(DialogView& view, unsigned timerId) override;
  bool answersChallenge() const override { return true; }
  std::uint32_t onChallenge(std::uint32_t wParam, std::uint32_t lParam) override;

 private:
  void checkPassword(DialogView& view);
  void askAgain(DialogView& view);

  GateState& state_;
  WindowSystem& windows_;
  const PromptParam& param_;
  std::uint16_t claimTag_;
};

}  // namespace vk
