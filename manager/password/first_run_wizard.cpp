#include "manager/password/first_run_wizard.h"

namespace vk {
namespace {

constexpr unsigned kWarningBox = kBoxOk | kBoxIconWarning;

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
  return takeNewPassword(page, context_.store.messageBoxes, context_.state.newPasswordText);
}

WizardButtons FirstRunRetypePage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int FirstRunRetypePage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  return checkRetypedPassword(page, context_.state.newPasswordText, kPageFirstRunPassword);
}

WizardButtons FirstRunQuestionPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int FirstRunQuestionPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  return takeSecretQuestion(page, context_.store.settings.secretQuestion);
}

WizardButtons FirstRunAnswerPage::onSetActive(DialogView& page, WizardFrame& frame) {
  (void)page;
  (void)frame;
  return WizardButtons::BackNext;
}

int FirstRunAnswerPage::onNext(DialogView& page, WizardFrame& frame) {
  (void)frame;
  return takeSecretAnswer(page, context_.store.settings.secretAnswerDigest);
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
    runner.run(wizard.pages(), 0, kNoWindow);
  }
  state.wipe();
}

}  // namespace vk
