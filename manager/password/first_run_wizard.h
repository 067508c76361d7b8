// The first-run wizard: six pages that set the system password, the secret
// question and its answer on a fresh installation. It cannot be cancelled:
// Cancel, Esc and the close box are refused on every page with a message.
// SecretQuestion is set on Next of page 144, SecretAnswerDigest on Next of
// page 145, SystemPasswordDigest only at Finish. The wizard writes no file;
// start-up saves right after it.
//
// Pages in sheet order (resource id, caption, controls):
//   125 "Welcome to Vantakey"  welcome text, "Please click Next."      Next
//   127 "Set System Password"  1004 password box                       Back Next
//   126 "Set System Password"  1021 password box (retype)              Back Next
//   144 "Set Secret Question"  1036 edit box, several lines, v-scroll  Back Next
//   145 "Set Secret Answer"    1037 edit box, one line                 Back Next
//   128 "Welcome to Vantakey"  bitmap 108 (the tray with the padlock)  Back Finish
#pragma once

#include <vector>

#include "manager/password/password_entry.h"
#include "manager/store/manager_store.h"
#include "platform/dialog_view.h"
#include "platform/wizard_page.h"

namespace vk {

constexpr int kPageFirstRunWelcome = 125;
constexpr int kPageFirstRunPassword = 127;
constexpr int kPageFirstRunRetype = 126;
constexpr int kPageFirstRunQuestion = 144;
constexpr int kPageFirstRunAnswer = 145;
constexpr int kPageFirstRunDone = 128;
constexpr int kFirstRunPageCount = 6;
// Bitmap on page 128.
constexpr int kTrayPictureBitmap = 108;

// The answer to every cancel, in a box owned by the page.
constexpr const char* kMustCompleteText =
    "You must complete the welcome wizard before you can begin using Vantakey.";

// What the pages of one run share.
struct FirstRunContext {
  PasswordWizardState& state;
  ManagerStore& store;
};

// Every first-run page refuses the cancel.
class FirstRunPage : public WizardPageLogic {
 public:
  explicit FirstRunPage(FirstRunContext& context) : context_(context) {}
  bool onQueryCancel(DialogView& page, WizardFrame& frame) override;

 protected:
  FirstRunContext& context_;
};

// 125: centres the wizard. Next only.
class FirstRunWelcomePage final : public FirstRunPage {
 public:
  using FirstRunPage::FirstRunPage;
  int resourceId() const override { return kPageFirstRunWelcome; }
  bool onInit(DialogView& page, WizardFrame& frame) override;
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
};

// 127: 1004 into NewPasswordText; empty: owner-less box, stay.
class FirstRunPasswordPage final : public FirstRunPage {
 public:
  using FirstRunPage::FirstRunPage;
  int resourceId() const override { return kPageFirstRunPassword; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 126: 1021 must equal NewPasswordText exactly, else back to 127.
class FirstRunRetypePage final : public FirstRunPage {
 public:
  using FirstRunPage::FirstRunPage;
  int resourceId() const override { return kPageFirstRunRetype; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 144: 1036 into SecretQuestion; empty: stay.
class FirstRunQuestionPage final : public FirstRunPage {
 public:
  using FirstRunPage::FirstRunPage;
  int resourceId() const override { return kPageFirstRunQuestion; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 145: SecretAnswerDigest of the lower-cased 1037; empty: stay.
class FirstRunAnswerPage final : public FirstRunPage {
 public:
  using FirstRunPage::FirstRunPage;
  int resourceId() const override { return kPageFirstRunAnswer; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 128: Finish sets SystemPasswordDigest.
class FirstRunDonePage final : public FirstRunPage {
 public:
  using FirstRunPage::FirstRunPage;
  int resourceId() const override { return kPageFirstRunDone; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  bool onFinish(DialogView& page, WizardFrame& frame) override;
};

// One run's pages, in sheet order.
class FirstRunWizard {
 public:
  FirstRunWizard(PasswordWizardState& state, ManagerStore& store);
  FirstRunWizard(const FirstRunWizard&) = delete;
  FirstRunWizard& operator=(const FirstRunWizard&) = delete;

  const std::vector<WizardPageLogic*>& pages() const { return pages_; }

 private:
  FirstRunContext context_;
  FirstRunWelcomePage welcome_{context_};
  FirstRunPasswordPage password_{context_};
  FirstRunRetypePage retype_{context_};
  FirstRunQuestionPage question_{context_};
  FirstRunAnswerPage answer_{context_};
  FirstRunDonePage done_{context_};
  std::vector<WizardPageLogic*> pages_;
};

// Start-up's first-run wizard: the six pages run by `runner` from page 125
// (index 0). Owner-less boxes go to store.messageBoxes. Does not save.
void runFirstRunWizard(ManagerStore& store, WizardRunner& runner);

}  // namespace vk
