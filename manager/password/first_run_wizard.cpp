#include "manager/password/first_run_wizard.h"

#include <cstring>

namespace vk {
namespace {

constexpr unsigned kWarningBox = kBoxOk | kBoxIconWarning;
constexpr int kTextSize = static_cast<int>(kTypedTextCapacity);

}  // namespace

bool FirstRunPage::onQueryCancel(DialogView& page, WizardFrame& frame) {
  (void)frame;
  // Without a system password nobody could open the manager afterwards.
  page.messageBox(kMustCompleteText, kErrorCaption, kWarningBox);
  return false;
}

bool FirstRunWelcomePage::onInit(DialogView& page, WizardFrame& frame) {
  (void)page;
  frame.center();
  // The wizard is the first window of a fresh start: it should take the
  // keyboard rather than open behind whatever started the manager.
  frame.bringToForeground();
  return true;
}

WizardButtons FirstRunWelcomePage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::NextOnly;
}

WizardButtons FirstRunPasswordPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int FirstRunPasswordPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  char* text = context_.state.newPasswordText;
  page.getItemText(kIdSystemPasswordBox, text, kTextSize);
  if (text[0] == '\0') {
    context_.store.messageBoxes.show(kTypePasswordText, kInvalidPasswordCaption, kWarningBox);
    page.setFocus(kIdSystemPasswordBox);
    return kPageStay;
  }
  return kPageDefault;
}

WizardButtons FirstRunRetypePage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int FirstRunRetypePage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  char again[kTypedTextCapacity];
  page.getItemText(kIdRetypePasswordBox, again, kTextSize);
  const bool same = again[0] != '\0' && std::strcmp(again, context_.state.newPasswordText) == 0;
  std::memset(again, 0, sizeof again);
  if (!same) {
    page.messageBox(kRetypeMismatchText, kPasswordErrorCaption, kWarningBox);
    return kPageFirstRunPassword;
  }
  return kPageDefault;
}

WizardButtons FirstRunQuestionPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int FirstRunQuestionPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  char* question = context_.store.settings.secretQuestion;
  question[0] = '\0';
  page.getItemText(kIdSecretQuestionBox, question, kTextSize);
  if (question[0] == '\0') {
    page.messageBox(kTypeQuestionText, kPasswordErrorCaption, kWarningBox);
    page.setFocus(kIdSecretQuestionBox);
    return kPageStay;
  }
  return kPageDefault;
}

WizardButtons FirstRunAnswerPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int FirstRunAnswerPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  char answer[kTypedTextCapacity];
  page.getItemText(kIdSecretAnswerBox, answer, kTextSize);
  if (answer[0] == '\0') {
    page.messageBox(kTypeAnswerText, kErrorCaption, kWarningBox);
    page.setFocus(kIdSecretAnswerBox);
    return kPageStay;
  }
  context_.store.settings.secretAnswerDigest = answerDigestOf(answer);
  std::memset(answer, 0, sizeof answer);
  return kPageDefault;
}

WizardButtons FirstRunDonePage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackFinish;
}

bool FirstRunDonePage::onFinish(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  context_.store.settings.systemPasswordDigest = digestOf(context_.state.newPasswordText);
  return true;
}

FirstRunWizard::FirstRunWizard(PasswordWizardState& state, ManagerStore& store)
    : context_{state, store},
      pages_{&welcome_, &password_, &retype_, &question_, &answer_, &done_} {}

void runFirstRunWizard(ManagerStore& store, WizardRunner& runner) {
  PasswordWizardState state;
  {
    FirstRunWizard wizard(state, store);
    runner.run(wizard.pages(), 0);
  }
  state.wipe();
}

}  // namespace vk
