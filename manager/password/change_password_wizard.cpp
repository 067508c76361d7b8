#include "manager/password/change_password_wizard.h"

#include <cstring>

#include "manager/store/database_file.h"

namespace vk {
namespace {

constexpr unsigned kWarningBox = kBoxOk | kBoxIconWarning;
constexpr int kTextSize = static_cast<int>(kTypedTextCapacity);

}  // namespace

bool ChangeChoicePage::onInit(DialogView& page, WizardFrame& frame) {
  frame.center();
  page.setChecked(kIdRememberPasswordRadio, true);
  return true;
}

WizardButtons ChangeChoicePage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::NextOnly;
}

int ChangeChoicePage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  return page.isChecked(kIdRememberPasswordRadio) ? kPageChangeCurrent : kPageDefault;
}

bool ChangeQuestionPage::onInit(DialogView& page, WizardFrame& frame) {
  frame.center();
  page.setItemText(kIdSecretQuestionBox, context_.store.settings.secretQuestion);
  return true;
}

WizardButtons ChangeQuestionPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::NextOnly;
}

int ChangeQuestionPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  MessageBoxes& boxes = context_.store.messageBoxes;
  char answer[kTypedTextCapacity];
  page.getItemText(kIdSecretAnswerBox, answer, kTextSize);
  if (answer[0] == '\0') {
    boxes.show(kTypeAnswerShortText, kInvalidAnswerCaption, kWarningBox);
    page.setFocus(kIdSecretAnswerBox);
    return kPageStay;
  }
  const bool right = answerDigestOf(answer) == context_.store.settings.secretAnswerDigest;
  std::memset(answer, 0, sizeof answer);
  if (!right) {
    boxes.show(kWrongAnswerText, kInvalidAnswerCaption, kWarningBox);
    page.setFocus(kIdSecretAnswerBox);
    page.setItemText(kIdSecretAnswerBox, "");
    return kPageStay;
  }
  // Past the current password: the answer is the proof.
  return kPageChangeNewPassword;
}

bool ChangeCurrentPasswordPage::onInit(DialogView& page, WizardFrame& frame) {
  (void)page;
  frame.center();
  return true;
}

WizardButtons ChangeCurrentPasswordPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::NextOnly;
}

int ChangeCurrentPasswordPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  char password[kTypedTextCapacity];
  page.getItemText(kIdSystemPasswordBox, password, kTextSize);
  if (password[0] == '\0') {
    page.messageBox(kEnterPasswordText, kPasswordErrorCaption, kWarningBox);
    page.setFocus(kIdSystemPasswordBox);
    return kPageStay;
  }
  const bool right = passwordMatches(password, context_.store.settings.systemPasswordDigest);
  std::memset(password, 0, sizeof password);
  if (!right) {
    context_.store.messageBoxes.show(kWrongPasswordText, kInvalidPasswordCaption, kWarningBox);
    page.setFocus(kIdSystemPasswordBox);
    page.setItemText(kIdSystemPasswordBox, "");
    return kPageStay;
  }
  return kPageDefault;
}

WizardButtons ChangeNewPasswordPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::NextOnly;
}

int ChangeNewPasswordPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  return takeNewPassword(page, context_.store.messageBoxes, context_.state.newPasswordText);
}

WizardButtons ChangeRetypePage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int ChangeRetypePage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  return checkRetypedPassword(page, context_.state.newPasswordText, kPageChangeNewPassword);
}

WizardButtons ChangeNewQuestionPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int ChangeNewQuestionPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  return takeSecretQuestion(page, context_.state.pendingQuestion);
}

WizardButtons ChangeNewAnswerPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int ChangeNewAnswerPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  return takeSecretAnswer(page, context_.state.pendingAnswerDigest);
}

WizardButtons ChangeConfirmPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackFinish;
}

bool ChangeConfirmPage::onFinish(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  ManagerStore& store = context_.store;
  setSecretQuestion(store.settings, context_.state.pendingQuestion);
  store.settings.secretAnswerDigest = context_.state.pendingAnswerDigest;
  store.settings.systemPasswordDigest = digestOf(context_.state.newPasswordText);
  saveDatabaseOrReport(store.files, store.settings, store.table, store.messageBoxes);
  return true;
}

ChangePasswordWizard::ChangePasswordWizard(PasswordWizardState& state, ManagerStore& store)
    : context_{state, store},
      pages_{&choice_, &question_, &current_, &newPassword_, &retype_, &newQuestion_, &newAnswer_,
             &confirm_} {}

void runChangePasswordWizard(ManagerStore& store, WizardRunner& runner, int startIndex,
                             WindowRef owner) {
  PasswordWizardState state;
  {
    ChangePasswordWizard wizard(state, store);
    runner.run(wizard.pages(), startIndex, owner);
  }
  state.wipe();
}

}  // namespace vk
