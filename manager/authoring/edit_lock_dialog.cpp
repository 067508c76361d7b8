#include "manager/authoring/edit_lock_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/password_digest.h"
#include "manager/password/password_entry.h"
#include "manager/shell/help_pages.h"

namespace vk {
namespace {

constexpr int kPasswordGroup[] = {kIdPasswordBox, kIdAgainBox,    kIdMinutesBox,
                                  kIdTriesBox,    kIdNewPasswordLabel, kIdAgainLabel,
                                  kIdTriesLabel,  kIdRelockLabel,      kIdMinLabel};

void setNumber(DialogView& view, int id, long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld", value);
  view.setItemText(id, text);
}

// Password texts do not linger on the stack after the handler.
struct WipedText {
  char text[kTextBufferSize] = {};
  ~WipedText() {
    volatile char* p = text;
    for (int i = 0; i < kTextBufferSize; ++i) p[i] = '\0';
  }
};

}  // namespace

int listIndexFromAction(std::uint16_t code) {
  switch (code) {
    case CloseWindow: return 0;
    case DenyAccess: return 1;
    case ShutdownComputer: return 2;
    case LockComputer: return -1;  // no entry for it: nothing selected
    default: return 1;
  }
}

std::uint16_t actionFromList(DialogView& view) {
  return actionFromListIndex(view.selectedListEntry(kIdActionList));
}

bool EditLockDialog::onInit(DialogView& view) {
  view.setUpDownRange(kIdTriesUpDown, kEditUpDownLower, kEditUpDownUpper);
  view.setUpDownRange(kIdMinutesUpDown, kEditUpDownLower, kEditUpDownUpper);
  fillActionList(view, kIdActionList);
  view.selectListEntry(kIdActionList, listIndexFromAction(record_.action));
  const bool hasPassword = digestHasPassword(record_.digest);
  view.setChecked(kIdWildcardCheck, record_.wildcard != 0);
  view.setChecked(kIdProtectCheck, hasPassword);
  view.setChecked(kIdLockedCheck, record_.enabled != 0);
  const std::string title(record_.title, boundedLength(record_.title));
  view.setItemText(kIdTitleBox, title.c_str());
  enablePasswordGroup(view, hasPassword);
  view.setFocus(kIdTitleBox);
  return false;
}

void EditLockDialog::enablePasswordGroup(DialogView& view, bool enable) {
  for (int id : kPasswordGroup) view.enableItem(id, enable);
  if (!enable) {
    view.setItemText(kIdTriesBox, "");
    view.setItemText(kIdMinutesBox, "");
    view.setItemText(kIdPasswordBox, "");
    view.setItemText(kIdAgainBox, "");
    return;
  }
  if (digestHasPassword(record_.digest)) {
    setNumber(view, kIdTriesBox, record_.maxTries);
    setNumber(view, kIdMinutesBox, record_.relockSeconds / 60);
  } else {
    view.setItemText(kIdTriesBox, "3");
    view.setItemText(kIdMinutesBox, "5");
  }
}

bool EditLockDialog::onCommand(DialogView& view, int id, int notifyCode) {
  switch (id) {
    case kIdProtectCheck:
      if (notifyCode != kButtonClicked) return false;
      enablePasswordGroup(view, view.isChecked(kIdProtectCheck));
      return true;
    case kIdHelpButton:
      openHelpPage(shell_, kHelpEditLockPage);
      return true;
    case kIdCancel:
      view.endDialog(kEditLockCancelled);
      return true;
    case kIdOk:
      onOk(view);
      return true;
    default:
      return false;
  }
}

void EditLockDialog::refuse(DialogView& view, const char* text, int focusId) {
  view.messageBox(text, kInputErrorCaption, kWarningBox);
  view.setFocus(focusId);
}

void EditLockDialog::onOk(DialogView& view) {
  const bool locked = view.isChecked(kIdLockedCheck);
  const bool protect = view.isChecked(kIdProtectCheck);
  const bool wildcardOn = view.isChecked(kIdWildcardCheck);
  const std::uint16_t code = actionFromList(view);
  char title[kTextBufferSize];
  char minutesText[kTextBufferSize];
  char triesText[kTextBufferSize];
  WipedText password;
  WipedText again;
  view.getItemText(kIdTitleBox, title, kTextBufferSize);
  view.getItemText(kIdMinutesBox, minutesText, kTextBufferSize);
  view.getItemText(kIdTriesBox, triesText, kTextBufferSize);
  view.getItemText(kIdPasswordBox, password.text, kTextBufferSize);
  view.getItemText(kIdAgainBox, again.text, kTextBufferSize);
  const long long minutes = readTypedNumber(minutesText);
  const long long tries = readTypedNumber(triesText);

  if (title[0] == '\0') {
    refuse(view, kInvalidTitleText, kIdTitleBox);
    return;
  }
  if (!titleFits(title)) {
    refuse(view, kTitleTooLongText, kIdTitleBox);
    return;
  }
  const bool newPassword = password.text[0] != '\0';
  if (protect && newPassword && !passwordFits(password.text)) {
    refuse(view, kPasswordTooLongText, kIdPasswordBox);
    return;
  }
  if (protect) {
    // A lock that has a password keeps it when no new one is typed.
    const bool keepOld = digestHasPassword(record_.digest) && !newPassword;
    if (!keepOld) {
      if (!newPassword) {
        refuse(view, kInvalidPasswordText, kIdPasswordBox);
        return;
      }
      if (again.text[0] == '\0') {
        refuse(view, kInvalidPasswordText, kIdAgainBox);
        return;
      }
      if (std::strcmp(password.text, again.text) != 0) {
        refuse(view, kPasswordsDifferText, kIdPasswordBox);
        return;
      }
    }
    if (!countInRange(minutes)) {
      refuse(view, kRelockNotPositiveText, kIdMinutesBox);
      return;
    }
    if (!countInRange(tries)) {
      refuse(view, kTriesNotPositiveText, kIdTriesBox);
      return;
    }
  }

  // Every test passed: only now does the working record change.
  if (wildcardOn) setTextField(record_.className, "");
  setTextField(record_.title, title);
  record_.enabled = locked ? 1 : 0;
  record_.action = code;
  record_.wildcard = wildcardOn ? 1 : 0;
  if (protect) {
    if (newPassword) record_.digest = digestOf(password.text);
    record_.maxTries = static_cast<std::uint16_t>(tries);
    record_.relockSeconds = static_cast<std::int32_t>(minutes * 60);
  } else {
    record_.digest = PasswordDigest{};
  }
  view.endDialog(kEditLockConfirmed);
}

bool runEditLockDialog(DialogRunner& runner, Shell& shell, LockRecord& record, WindowRef owner) {
  EditLockDialog dialog(record, shell);
  return runner.runModal(kEditLockDialogId, dialog, owner) == kEditLockConfirmed;
}

}  // namespace vk
