#include "gate/lock_prompt.h"

#include "common/password_digest.h"
#include "gate/lock_claim.h"

namespace vk {

namespace {

// The typed password should not linger on the stack of the host application.
void wipe(char* buffer, std::size_t size) {
  volatile char* p = buffer;
  for (std::size_t k = 0; k < size; ++k) p[k] = '\0';
}

}  // namespace

LockPrompt::LockPrompt(GateState& state, WindowSystem& windows, const PromptParam& param,
                       std::uint16_t claimTag)
    : state_(state), windows_(windows), param_(param), claimTag_(claimTag) {}

bool LockPrompt::onInit(DialogView& view) {
  view.setFocus(kPasswordEditId);
  view.setPasswordChar(kPasswordEditId, '*');
  view.beep(kBeepInformation);
  // The prompt carries the guarded window's title, so it matches the lock
  // itself; it gets through the check by answering the challenge.
  const bool untitled = param_.title == nullptr || param_.title[0] == '\0';
  view.setCaption(untitled ? kDefaultPromptCaption : param_.title);
  view.startTimer(kHideTimerId, kHideTimerPeriodMs);
  return false;
}

bool LockPrompt::onCommand(DialogView& view, int id, int notifyCode) {
  (void)notifyCode;
  if (id == kIdOk) {
    checkPassword(view);
    return true;
  }
  if (id == kIdCancel) {  // the close box and Esc arrive here too
    view.endDialog(0);
    return true;
  }
  return false;
}

bool LockPrompt::onTimer(DialogView& view, unsigned timerId) {
  (void)view;
  (void)timerId;
  windows_.hide(param_.window);
  return false;
}

std::uint32_t LockPrompt::onChallenge(std::uint32_t wParam, std::uint32_t lParam) {
  return challengeAnswer(wParam, lParam);
}

void LockPrompt::askAgain(DialogView& view) {
  view.setItemText(kPasswordEditId, "");
  view.setFocus(kPasswordEditId);
}

void LockPrompt::checkPassword(DialogView& view) {
  KernelObjects& kernel = *state_.kernel;
  const LockTableView& table = state_.view;

  char typed[kPasswordBufferSize];
  typed[0] = '\0';
  view.getItemText(kPasswordEditId, typed, kPasswordBufferSize);
  typed[kPasswordBufferSize - 1] = '\0';

  // The record is found afresh at each step: the manager may have moved it
  // down (an earlier record deleted) or deleted it.
  PasswordDigest stored;
  {
    TableLock lock(kernel, state_.tableMutex);
    if (!lock.held()) {
      // Table stuck: this entry is neither judged nor counted.
      wipe(typed, sizeof typed);
      askAgain(view);
      return;
    }
    const std::int32_t j = findClaimedRecord(table, param_.recordIndex, claimTag_);
    if (j < 0) {
      // The lock was deleted: there is no password left to ask for. The check
      // finds the record gone and leaves the window minimized.
      lock.unlock();
      wipe(typed, sizeof typed);
      view.endDialog(0);
      return;
    }
    stored = table.record(static_cast<std::uint32_t>(j)).digest();
  }

  // Hashing runs outside the mutex.
  const bool correct = passwordMatches(typed, stored);
  wipe(typed, sizeof typed);

  TableLock lock(kernel, state_.tableMutex);
  if (!lock.held()) {
    askAgain(view);  // not counted, not accepted: the user tries again
    return;
  }
  const std::int32_t j = findClaimedRecord(table, param_.recordIndex, claimTag_);
  if (correct) {
    // A record deleted just now gets no write; the password was still right.
    if (j >= 0) table.record(static_cast<std::uint32_t>(j)).setFailedTries(0);
    lock.unlock();
    view.endDialog(PasswordAccepted);
    return;
  }
  if (j < 0) {
    lock.unlock();
    view.endDialog(0);
    return;
  }
  const RecordRef record = table.record(static_cast<std::uint32_t>(j));
  std::uint16_t tries = record.failedTries();
  if (tries < 0xFFFF) ++tries;  // saturates: a wrap would restart the count
  record.setFailedTries(tries);
  // Reaching or passing the limit ends the prompt, so a limit lowered below
  // the count already reached still takes effect.
  const bool spent = tries >= record.maxTries();
  lock.unlock();
  if (spent) {
    view.endDialog(0);
    return;
  }
  view.messageBox(kInvalidPasswordText, kInvalidPasswordCaption, kBoxOk | kBoxIconWarning);
  askAgain(view);
}

}  // namespace vk
