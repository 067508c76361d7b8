// The change-password wizard: the user proves who they are with the current
// system password or, when it is forgotten, with the answer to the secret
// question; then types a new password twice, a new question and its answer.
// Nothing of the settings changes before Finish, which replaces the
// password digest, the question and the answer digest together and saves
// the database. Cancel is accepted on every page and changes nothing.
//
// Pages in sheet order (index, resource id, caption, controls, buttons):
//   0 147 "Change Password Wizard"  radio 1016 "I remember my password",
//                                   radio 1010 "I forgot my password"    Next
//   1 148 "Change Password Wizard"  static text 1036 (the question),
//                                   1037 one-line edit box (answer)      Next
//   2 149 "Change Password Wizard"  1004 password box (current)          Next
//   3 150 "Set System Password"     1004 password box (new)              Next
//   4 151 "Set System Password"     1021 password box (retype)           Back Next
//   5 152 "Set Secret Question"     1036 edit box, several lines,
//                                   no scroll bar                        Back Next
//   6 153 "Set Secret Answer"       1037 one-line edit box               Back Next
//   7 201 "Change Password Wizard"  "Click Finish to confirm your changes."
//                                                                        Back Finish
// The manager window's "Change System Password..." starts at index 2
// (kChangePasswordStartPage), the gate's "I lost my password..." at index 1
// (kRecoveryStartPage).
#pragma once

#include <vector>

#include "manager/password/password_entry.h"
#include "manager/store/manager_store.h"
#include "platform/dialog_view.h"
#include "platform/wizard_page.h"

namespace vk {

constexpr int kPageChangeChoice = 147;
constexpr int kPageChangeQuestion = 148;
constexpr int kPageChangeCurrent = 149;
constexpr int kPageChangeNewPassword = 150;
constexpr int kPageChangeRetype = 151;
constexpr int kPageChangeNewQuestion = 152;
constexpr int kPageChangeNewAnswer = 153;
constexpr int kPageChangeConfirm = 201;
constexpr int kChangePasswordPageCount = 8;

constexpr int kIdRememberPasswordRadio = 1016;
constexpr int kIdForgotPasswordRadio = 1010;

constexpr const char* kTypeAnswerShortText = "You must type an answer.";
constexpr const char* kInvalidAnswerCaption = "Invalid Answer";
constexpr const char* kWrongAnswerText = "Your answer is incorrect. Please try again";
constexpr const char* kEnterPasswordText = "You must enter a password. Please try again.";
constexpr const char* kWrongPasswordText = "Your password is incorrect. Please try again";

// What the pages of one run share.
struct ChangePasswordContext {
  PasswordWizardState& state;
  ManagerStore& store;
};

class ChangePasswordPage : public WizardPageLogic {
 public:
  explicit ChangePasswordPage(ChangePasswordContext& context) : context_(context) {}

 protected:
  ChangePasswordContext& context_;
};

// 147: centres the wizard, checks 1016. Next: 149 when 1016 is checked, else 148.
class ChangeChoicePage final : public ChangePasswordPage {
 public:
  using ChangePasswordPage::ChangePasswordPage;
  int resourceId() const override { return kPageChangeChoice; }
  bool onInit(DialogView& page, WizardFrame& frame) override;
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 148: centres the wizard, shows SecretQuestion in 1036. Next checks the
// lower-cased answer against SecretAnswerDigest; right: 150; empty or wrong:
// owner-less box, stay (a wrong answer also empties the box).
class ChangeQuestionPage final : public ChangePasswordPage {
 public:
  using ChangePasswordPage::ChangePasswordPage;
  int resourceId() const override { return kPageChangeQuestion; }
  bool onInit(DialogView& page, WizardFrame& frame) override;
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 149: centres the wizard. Next checks 1004 against SystemPasswordDigest;
// right: 150; empty: box owned by the page, stay; wrong: owner-less box,
// box emptied, stay.
class ChangeCurrentPasswordPage final : public ChangePasswordPage {
 public:
  using ChangePasswordPage::ChangePasswordPage;
  int resourceId() const override { return kPageChangeCurrent; }
  bool onInit(DialogView& page, WizardFrame& frame) override;
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 150: 1004 into NewPasswordText; empty: owner-less box, stay.
class ChangeNewPasswordPage final : public ChangePasswordPage {
 public:
  using ChangePasswordPage::ChangePasswordPage;
  int resourceId() const override { return kPageChangeNewPassword; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 151: 1021 must equal NewPasswordText exactly, else back to 150.
class ChangeRetypePage final : public ChangePasswordPage {
 public:
  using ChangePasswordPage::ChangePasswordPage;
  int resourceId() const override { return kPageChangeRetype; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 152: 1036 (starts empty) into PendingQuestion; empty: stay.
class ChangeNewQuestionPage final : public ChangePasswordPage {
 public:
  using ChangePasswordPage::ChangePasswordPage;
  int resourceId() const override { return kPageChangeNewQuestion; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 153: PendingAnswerDigest of the lower-cased 1037; empty: stay.
class ChangeNewAnswerPage final : public ChangePasswordPage {
 public:
  using ChangePasswordPage::ChangePasswordPage;
  int resourceId() const override { return kPageChangeNewAnswer; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 201: Finish replaces the three settings and saves (a failed save is
// reported by the store; the new values stay in memory).
class ChangeConfirmPage final : public ChangePasswordPage {
 public:
  using ChangePasswordPage::ChangePasswordPage;
  int resourceId() const override { return kPageChangeConfirm; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  bool onFinish(DialogView& page, WizardFrame& frame) override;
};

// One run's pages, in sheet order.
class ChangePasswordWizard {
 public:
  ChangePasswordWizard(PasswordWizardState& state, ManagerStore& store);
  ChangePasswordWizard(const ChangePasswordWizard&) = delete;
  ChangePasswordWizard& operator=(const ChangePasswordWizard&) = delete;

  const std::vector<WizardPageLogic*>& pages() const { return pages_; }

 private:
  ChangePasswordContext context_;
  ChangeChoicePage choice_{context_};
  ChangeQuestionPage question_{context_};
  ChangeCurrentPasswordPage current_{context_};
  ChangeNewPasswordPage newPassword_{context_};
  ChangeRetypePage retype_{context_};
  ChangeNewQuestionPage newQuestion_{context_};
  ChangeNewAnswerPage newAnswer_{context_};
  ChangeConfirmPage confirm_{context_};
  std::vector<WizardPageLogic*> pages_;
};

// The eight pages run by `runner` from `startIndex` (1 or 2; see above).
// Owner-less boxes go to store.messageBoxes. The wizard is owned by `owner`
// (the manager window when opened from it; none from the password gate).
void runChangePasswordWizard(ManagerStore& store, WizardRunner& runner, int startIndex,
                             WindowRef owner = kNoWindow);

}  // namespace vk
