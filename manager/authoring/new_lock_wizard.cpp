#include "manager/authoring/new_lock_wizard.h"

#include <cstdio>
#include <cstring>

#include "common/password_digest.h"
#include "gate/title_match.h"
#include "manager/password/password_entry.h"
#include "manager/store/table_steps.h"

namespace vk {
namespace {

std::string fieldText(const char* field) { return std::string(field, boundedLength(field)); }

// A stored empty field stands for "any" (as for enforcement); an empty pick
// agrees only with an empty stored field.
bool fieldAgrees(const char* stored, const char* picked) {
  const std::size_t storedLength = boundedLength(stored);
  const std::size_t pickedLength = std::strlen(picked);
  if (pickedLength == 0) return storedLength == 0;
  return storedLength == 0 || equalIgnoringAsciiCase(stored, storedLength, picked, pickedLength);
}

int warn(DialogView& page, const char* text, const char* caption) {
  page.messageBox(text, caption, kWarningBox);
  return kPageStay;
}

// Tries and minutes: the same reading and the same refusal on both pages.
bool readCount(DialogView& page, int boxId, long long& value) {
  char text[kTextBufferSize];
  page.getItemText(boxId, text, kTextBufferSize);
  value = readTypedNumber(text);
  if (countInRange(value)) return true;
  page.messageBox(kNotPositiveText, kInputErrorCaption, kWarningBox);
  return false;
}

}  // namespace

const char* summaryActionText(std::uint16_t code) {
  switch (code) {
    case CloseWindow: return "Close Window";
    case DenyAccess: return "Deny Access";
    case LockComputer: return "Lock Computer";
    case ShutdownComputer: return "Shutdown Computer";
    default: return "";
  }
}

std::string lockSummary(const LockRecord& pending) {
  const bool hasPassword = digestHasPassword(pending.digest);
  char tries[16] = "N/A";
  char minutes[16] = "N/A";
  if (hasPassword) {
    std::snprintf(tries, sizeof tries, "%u", static_cast<unsigned>(pending.maxTries));
    std::snprintf(minutes, sizeof minutes, "%d", static_cast<int>(pending.relockSeconds / 60));
  }
  const std::string title = fieldText(pending.title);
  char text[kTextBufferSize + kTitleCapacity];
  std::snprintf(text, sizeof text, kSummaryFormat, title.c_str(),
                pending.wildcard != 0 ? "Yes" : "No", hasPassword ? "Yes" : "No", tries, minutes,
                summaryActionText(pending.action));
  return text;
}

bool sameWindow(const char* storedTitle, const char* storedClass, const char* title,
                const char* className) {
  return fieldAgrees(storedTitle, title) && fieldAgrees(storedClass, className);
}

DuplicateResult findDuplicate(ManagerStore& store, const char* title, const char* className) {
  std::uint32_t count = 0;
  {
    TableLock lock(store.kernel, store.tableMutex);
    if (!lock.held()) return DuplicateResult::TableBusy;
    if (!store.table.isOpen()) return DuplicateResult::None;
    count = store.table.usableRecordCount();
  }
  // One short hold per record, so window activations elsewhere are not kept
  // waiting for the whole scan.
  for (std::uint32_t i = 0; i < count; ++i) {
    TableLock lock(store.kernel, store.tableMutex);
    if (!lock.held()) return DuplicateResult::TableBusy;
    if (i >= store.table.usableRecordCount()) break;
    const RecordRef record = store.table.record(i);
    if (sameWindow(record.title(), record.className(), title, className)) {
      return DuplicateResult::Duplicate;
    }
  }
  return DuplicateResult::None;
}

// --- 132

bool ChooseMethodPage::onInit(DialogView& page, WizardFrame& frame) {
  frame.center();
  frame.setCaption(kNewLockWizardCaption);
  page.setChecked(kIdSelectWindowRadio, true);
  return true;
}

WizardButtons ChooseMethodPage::onSetActive(DialogView&, WizardFrame&) {
  return WizardButtons::NextOnly;
}

int ChooseMethodPage::onNext(DialogView& page, WizardFrame&) {
  return page.isChecked(kIdSelectWindowRadio) ? kPagePickWindow : kPageDefault;
}

// --- 134

WizardButtons TypedTitlePage::onSetActive(DialogView&, WizardFrame&) {
  return WizardButtons::BackNext;
}

int TypedTitlePage::onNext(DialogView& page, WizardFrame&) {
  char title[kTextBufferSize];
  page.getItemText(kIdTitleBox, title, kTextBufferSize);
  if (title[0] == '\0' || !titleFits(title)) {
    page.messageBox(title[0] == '\0' ? kNoTitleTypedText : kTitleTooLongText, kInputErrorCaption,
                    kWarningBox);
    page.setFocus(kIdTitleBox);
    return kPageStay;
  }
  setTextField(pending().title, title);
  pending().wildcard = page.isChecked(kIdWildcardCheck) ? 1 : 0;
  setTextField(pending().className, "");
  return kPagePasswordChoice;
}

// --- 135

WizardButtons PickWindowPage::onSetActive(DialogView&, WizardFrame&) {
  return WizardButtons::BackNext;
}

int PickWindowPage::onNext(DialogView&, WizardFrame& frame) {
  WindowPicker& picker = context_.picker;
  frame.show(false);
  const WindowRef manager = picker.findManagerWindow();
  // A manager window that was hidden stays hidden: showing it here would
  // open it without the system password.
  const bool managerShown = manager != kNoWindow && picker.isWindowVisible(manager);
  if (managerShown) picker.showWindow(manager, false);
  picker.waitForUser(kPickWaitMs);
  const WindowRef picked = picker.foregroundWindow();
  frame.bringToForeground();
  frame.show(true);
  if (managerShown) picker.showWindow(manager, true);

  // Nothing in the foreground, or only our own windows: nothing was picked.
  // Title and class then stay empty, and the next page refuses to go on,
  // since such a lock would match every window.
  char title[kPickedTextBufferSize] = "";
  char className[kPickedTextBufferSize] = "";
  context_.pickedTitleUnreadable = false;
  if (picked != kNoWindow && picked != frame.window() && picked != manager) {
    picker.windowTitle(picked, title, kPickedTextBufferSize);
    picker.windowClass(picked, className, kPickedTextBufferSize);
    context_.pickedTitleUnreadable = !picker.titleFitsCodePage(picked);
  }
  setTextField(pending().title, title, kMaxPickedTitleLength);
  setTextField(pending().className, className);
  pending().wildcard = 0;
  return kPageDefault;
}

int PickWindowPage::onBack(DialogView&, WizardFrame&) { return kPageChooseMethod; }

// --- 136

WizardButtons ConfirmWindowPage::onSetActive(DialogView& page, WizardFrame&) {
  const std::string title = fieldText(pending().title);
  page.setItemText(kIdPickedTitleText, title.empty() ? kNoWindowTitleShown : title.c_str());
  return WizardButtons::BackNext;
}

int ConfirmWindowPage::onNext(DialogView& page, WizardFrame&) {
  const std::string title = fieldText(pending().title);
  const std::string className = fieldText(pending().className);
  if (title.empty() && className.empty()) {
    return warn(page, kNothingPickedText, kVantakeyCaption);
  }
  if (context_.pickedTitleUnreadable) {
    return warn(page, kTitleNotInCodePageText, kVantakeyCaption);
  }
  switch (findDuplicate(context_.store, title.c_str(), className.c_str())) {
    case DuplicateResult::TableBusy:
      return warn(page, kTableUnreachableText, kVantakeyCaption);
    case DuplicateResult::Duplicate:
      context_.store.messageBoxes.show(kDuplicateText, kVantakeyCaption, kWarningBox);
      return kPageStay;
    case DuplicateResult::None:
      break;
  }
  return kPageDefault;
}

// --- 137

bool PasswordChoicePage::onInit(DialogView& page, WizardFrame&) {
  page.setChecked(kIdProtectYesRadio, true);
  return true;
}

WizardButtons PasswordChoicePage::onSetActive(DialogView&, WizardFrame&) {
  return WizardButtons::BackNext;
}

int PasswordChoicePage::onNext(DialogView& page, WizardFrame&) {
  if (!page.isChecked(kIdProtectNoRadio)) return kPageDefault;
  pending().digest = PasswordDigest{};
  return kPageAction;
}

int PasswordChoicePage::onBack(DialogView&, WizardFrame&) {
  // An empty class name is the mark of the typed path.
  return boundedLength(pending().className) == 0 ? kPageTypedTitle : kPagePickWindow;
}

// --- 138

WizardButtons PasswordPage::onSetActive(DialogView&, WizardFrame&) {
  return WizardButtons::BackNext;
}

int PasswordPage::onNext(DialogView& page, WizardFrame&) {
  char* password = context_.state.pendingLockPassword;
  page.getItemText(kIdPasswordBox, password, static_cast<int>(kPendingPasswordCapacity));
  if (password[0] != '\0' && passwordFits(password)) return kPageDefault;
  if (password[0] == '\0') {
    page.messageBox(kNoPasswordText, kNoPasswordCaption, kWarningBox);
  } else {
    wipeSecret(password, kPendingPasswordCapacity);
    page.messageBox(kPasswordTooLongText, kNoPasswordCaption, kWarningBox);
  }
  page.setFocus(kIdPasswordBox);
  return kPageStay;
}

// --- 139

WizardButtons ConfirmPasswordPage::onSetActive(DialogView&, WizardFrame&) {
  return WizardButtons::BackNext;
}

int ConfirmPasswordPage::onNext(DialogView& page, WizardFrame&) {
  const char* password = context_.state.pendingLockPassword;
  char again[kTextBufferSize];
  page.getItemText(kIdPasswordBox, again, kTextBufferSize);
  const bool same = again[0] != '\0' && std::strcmp(again, password) == 0;
  std::memset(again, 0, sizeof again);
  if (!same) {
    page.messageBox(kPasswordMismatchText, kPasswordMismatchCaption, kWarningBox);
    return kPagePassword;
  }
  pending().digest = digestOf(password);
  return kPageDefault;
}

// --- 140

bool TriesPage::onInit(DialogView& page, WizardFrame&) {
  page.setItemText(kIdTriesBox, "3");
  page.setUpDownRange(kIdTriesUpDown, 1, 10);
  return true;
}

WizardButtons TriesPage::onSetActive(DialogView&, WizardFrame&) {
  return WizardButtons::BackNext;
}

int TriesPage::onNext(DialogView& page, WizardFrame&) {
  long long tries = 0;
  if (!readCount(page, kIdTriesBox, tries)) return kPageStay;
  pending().maxTries = static_cast<std::uint16_t>(tries);
  return kPageDefault;
}

// --- 141

bool RelockTimePage::onInit(DialogView& page, WizardFrame&) {
  page.setItemText(kIdMinutesBox, "5");
  page.setUpDownRange(kIdTriesUpDown, 1, 60);
  return true;
}

WizardButtons RelockTimePage::onSetActive(DialogView&, WizardFrame&) {
  return WizardButtons::BackNext;
}

int RelockTimePage::onNext(DialogView& page, WizardFrame&) {
  long long minutes = 0;
  if (!readCount(page, kIdMinutesBox, minutes)) return kPageStay;
  pending().relockSeconds = static_cast<std::int32_t>(minutes * 60);
  return kPageDefault;
}

// --- 142

bool ActionPage::onInit(DialogView& page, WizardFrame&) {
  fillActionList(page, kIdActionList);
  page.selectListEntry(kIdActionList, 0);
  return true;
}

WizardButtons ActionPage::onSetActive(DialogView&, WizardFrame&) {
  return WizardButtons::BackNext;
}

int ActionPage::onNext(DialogView& page, WizardFrame&) {
  pending().action = actionFromListIndex(page.selectedListEntry(kIdActionList));
  return kPageDefault;
}

int ActionPage::onBack(DialogView&, WizardFrame&) {
  // Without a password the tries and re-lock pages were skipped on the way here.
  return digestHasPassword(pending().digest) ? kPageDefault : kPagePasswordChoice;
}

// --- 143

WizardButtons SummaryPage::onSetActive(DialogView& page, WizardFrame&) {
  // The summary's labels end in tabs; evenly spaced stops line the values up
  // in a column.
  page.setTabStops(kIdSummaryBox, kSummaryTabStop);
  page.setItemText(kIdSummaryBox, lockSummary(pending()).c_str());
  return WizardButtons::BackFinish;
}

bool SummaryPage::onFinish(DialogView& page, WizardFrame&) {
  switch (appendLockStep(context_.store, pending())) {
    case StepResult::TableBusy:
      warn(page, kTableUnreachableText, kVantakeyCaption);
      return false;
    case StepResult::TableFull:
      // The last place went while this wizard was open (the table was filled
      // from elsewhere). Staying could never succeed.
      page.messageBox(kCapacityText, kCapacityCaption, kWarningBox);
      return true;
    case StepResult::Done:
    case StepResult::NotSaved:  // in the table; the store has told the user
    case StepResult::NoSuchLock:
      break;
  }
  return true;
}

// --- the run

NewLockWizard::NewLockWizard(AuthoringState& state, ManagerStore& store, WindowPicker& picker)
    : context_{state, store, picker, false},
      pages_{&chooseMethod_, &typedTitle_, &pickWindow_, &confirmWindow_,
             &passwordChoice_, &password_,  &confirmPassword_, &tries_,
             &relockTime_,    &action_,     &summary_} {}

void runCreateLockWizard(AuthoringState& state, ManagerStore& store, WizardRunner& runner,
                         WindowPicker& picker, WindowRef owner) {
  NewLockWizard wizard(state, store, picker);
  runner.run(wizard.pages(), 0, owner);
  // Only the digest is needed once the wizard is over; the typed password
  // must not stay in the manager's memory until the next run.
  wipeSecret(state.pendingLockPassword, sizeof state.pendingLockPassword);
}

}  // namespace vk
