// The New Lock wizard: eleven pages that fill PendingLock step by step (which
// window, picked on the screen or typed; password or not; tries; re-lock
// time; action), a summary, and a Finish that appends the lock to the shared
// table and saves the database while holding TableMutex.
//
// PendingLock and PendingLockPassword belong to the manager, not to one run:
// a field whose page is not visited keeps what an earlier run left in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/lock_table.h"
#include "manager/authoring/lock_form.h"
#include "manager/store/manager_store.h"
#include "platform/dialog_view.h"
#include "platform/wizard_page.h"

namespace vk {

// Page dialog resources, in sheet order.
constexpr int kPageChooseMethod = 132;
constexpr int kPageTypedTitle = 134;
constexpr int kPagePickWindow = 135;
constexpr int kPageConfirmWindow = 136;
constexpr int kPagePasswordChoice = 137;
constexpr int kPagePassword = 138;
constexpr int kPageConfirmPassword = 139;
constexpr int kPageTries = 140;
constexpr int kPageRelockTime = 141;
constexpr int kPageAction = 142;
constexpr int kPageSummary = 143;
constexpr int kNewLockPageCount = 11;

// Controls of the pages beyond those in lock_form.h.
constexpr int kIdSelectWindowRadio = 1029;  // page 132
constexpr int kIdTypeTitleRadio = 1030;     // page 132
constexpr int kIdPickedTitleText = 1020;    // page 136, static text
constexpr int kIdProtectYesRadio = 1031;    // page 137
constexpr int kIdProtectNoRadio = 1032;     // page 137
constexpr int kIdSummaryBox = 1035;         // page 143, read-only multi-line edit box

constexpr const char* kNewLockWizardCaption = "New Lock Wizard";
// The capture's wait: page 135 promises the user 7 seconds.
constexpr unsigned kPickWaitMs = 7000;
// Window titles are read into 256 bytes and kept to 254 characters: the hook
// library reads titles with at most 254, so a longer exact title could never
// match the window it was picked from.
constexpr int kPickedTextBufferSize = 256;
constexpr std::size_t kMaxPickedTitleLength = 254;
constexpr std::size_t kPendingPasswordCapacity = 1000;

// Messages of the pages (all with an OK button and the warning icon).
constexpr const char* kNoTitleTypedText =
    "You must enter a window title or wildcard in the box. Please try again.";
constexpr const char* kNoWindowTitleShown = "(Window Has No Title)";
constexpr const char* kNothingPickedText =
    "No window was selected. Click Back and activate the window you want to lock before the "
    "time is up.";
// A picked title that the ANSI code page cannot hold reads with question
// marks; a lock on it would match every window whose title reads the same.
constexpr const char* kTitleNotInCodePageText =
    "The title of the window you selected contains characters that Vantakey cannot read (such "
    "as letters of another alphabet, or emoji): they show as question marks, and a lock on this "
    "title would also lock other windows whose titles show the same.\n\nTo lock this window, go "
    "back to the first page and choose \"Type the title of the window I want to lock\". Type "
    "the part of the title that Vantakey can read, with wildcards for the rest (for example "
    "\"*YouTube*\" for a browser tab), and check \"Enable wildcard matching\".";
constexpr const char* kDuplicateText =
    "That window has already been locked.\nYou cannot lock a window more than once.";
constexpr const char* kNoPasswordText = "You must type a password.";
constexpr const char* kNoPasswordCaption = "Invalid Password";
constexpr const char* kPasswordMismatchText =
    "You did not type the same password twice. Please try again.";
constexpr const char* kPasswordMismatchCaption = "Password Error";
constexpr const char* kNotPositiveText = "You must enter a positive integer in the box. Please try again.";

// Tab stops of the summary box, every so many dialog units: the labels end
// at the second stop, "Action:" (two tabs) from the first.
constexpr int kSummaryTabStop = 38;
constexpr const char* kSummaryFormat =
    "Window title: \t  %s\r\nWildcard matching: \t  %s\r\nPassword protected:  %s\r\nPassword "
    "tries: \t  %s\r\nTime until re-lock: \t  %s minute(s)\r\nAction: \t\t  %s";

// The manager's authoring state, kept for the whole life of the manager.
// All zero at start-up.
struct AuthoringState {
  LockRecord pendingLock{};                                // PendingLock
  char pendingLockPassword[kPendingPasswordCapacity] = {};  // PendingLockPassword
};

// The summary of page 143 for a pending lock.
std::string lockSummary(const LockRecord& pending);
// The summary's text for an action code ("" for a code it does not know).
const char* summaryActionText(std::uint16_t code);

// The duplicate rule for one stored record: the title agrees when both are
// empty, or the picked title is not empty and the stored one is empty or
// equal to it ignoring ASCII case; the class name agrees by the same rule.
// A stored empty field stands for "any". Stored fields are read within their
// 256 bytes even without a NUL.
bool sameWindow(const char* storedTitle, const char* storedClass, const char* title,
                const char* className);

enum class DuplicateResult { None, Duplicate, TableBusy };
// Scans the table for a record that agrees with the pending title and class
// name, each read under TableMutex.
DuplicateResult findDuplicate(ManagerStore& store, const char* title, const char* className);

// What the pages share within one run.
struct NewLockContext {
  AuthoringState& state;
  ManagerStore& store;
  WindowPicker& picker;
  // Set by each capture: the picked window's title did not survive the
  // ANSI code page, so page 136 refuses it.
  bool pickedTitleUnreadable;
};

class NewLockPage : public WizardPageLogic {
 public:
  explicit NewLockPage(NewLockContext& context) : context_(context) {}

 protected:
  LockRecord& pending() { return context_.state.pendingLock; }
  NewLockContext& context_;
};

// 132: pick the window on the screen (1029) or type its title (1030).
class ChooseMethodPage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPageChooseMethod; }
  bool onInit(DialogView& page, WizardFrame& frame) override;
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 134: the typed title or pattern, and wildcard matching.
class TypedTitlePage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPageTypedTitle; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 135: the capture. Next hides the wizard and the manager window, waits for
// the user to activate a window, and takes the foreground window's title and
// class name.
class PickWindowPage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPagePickWindow; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
  int onBack(DialogView& page, WizardFrame& frame) override;
};

// 136: shows the picked title; Next refuses an empty pick, a title the ANSI
// code page cannot hold, and a duplicate.
class ConfirmWindowPage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPageConfirmWindow; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 137: password (1031) or none (1032).
class PasswordChoicePage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPagePasswordChoice; }
  bool onInit(DialogView& page, WizardFrame& frame) override;
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
  int onBack(DialogView& page, WizardFrame& frame) override;
};

// 138: the password, kept in PendingLockPassword.
class PasswordPage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPagePassword; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 139: the password again; a match sets the digest.
class ConfirmPasswordPage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPageConfirmPassword; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 140: number of tries ("3", up-down 1 to 10).
class TriesPage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPageTries; }
  bool onInit(DialogView& page, WizardFrame& frame) override;
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 141: minutes until re-lock ("5", up-down 1 to 60).
class RelockTimePage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPageRelockTime; }
  bool onInit(DialogView& page, WizardFrame& frame) override;
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
};

// 142: the action list.
class ActionPage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPageAction; }
  bool onInit(DialogView& page, WizardFrame& frame) override;
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  int onNext(DialogView& page, WizardFrame& frame) override;
  int onBack(DialogView& page, WizardFrame& frame) override;
};

// 143: the summary; Finish appends and saves.
class SummaryPage final : public NewLockPage {
 public:
  using NewLockPage::NewLockPage;
  int resourceId() const override { return kPageSummary; }
  WizardButtons onSetActive(DialogView& page, WizardFrame& frame) override;
  bool onFinish(DialogView& page, WizardFrame& frame) override;
};

// One run's pages, in sheet order.
class NewLockWizard {
 public:
  NewLockWizard(AuthoringState& state, ManagerStore& store, WindowPicker& picker);
  NewLockWizard(const NewLockWizard&) = delete;
  NewLockWizard& operator=(const NewLockWizard&) = delete;

  const std::vector<WizardPageLogic*>& pages() const { return pages_; }

 private:
  NewLockContext context_;
  ChooseMethodPage chooseMethod_{context_};
  TypedTitlePage typedTitle_{context_};
  PickWindowPage pickWindow_{context_};
  ConfirmWindowPage confirmWindow_{context_};
  PasswordChoicePage passwordChoice_{context_};
  PasswordPage password_{context_};
  ConfirmPasswordPage confirmPassword_{context_};
  TriesPage tries_{context_};
  RelockTimePage relockTime_{context_};
  ActionPage action_{context_};
  SummaryPage summary_{context_};
  std::vector<WizardPageLogic*> pages_;
};

// The New command's wizard: the eleven pages in order 132, 134, ..., 143 run
// by `runner` from page 132, owned by `owner`. Finish appends the lock
// (appendLockStep) and saves; Cancel leaves the table and the file alone.
// PendingLockPassword is wiped when the wizard ends.
void runCreateLockWizard(AuthoringState& state, ManagerStore& store, WizardRunner& runner,
                         WindowPicker& picker, WindowRef owner);

}  // namespace vk
