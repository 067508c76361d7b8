// Lock authoring in the real vkmanager.exe under Wine: the New Lock wizard
// (a property sheet) and the Edit Lock dialog, driven from this process
// through their own controls the way a user's clicks would drive them, and
// the locks they make enforced on windows of other processes at once.
//
// Every test starts the manager from a prepared "vk2.dat", opens it through
// the system password gate, leaves "vk2.dat" as it found it, and ends every
// process it started.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "harness.h"
#include "platform/win32/handle.h"
#include "product.h"

namespace vk {
namespace {

using e2e::click;
using e2e::currentPage;
using e2e::FileLock;
using e2e::fromRecord;
using e2e::gone;
using e2e::isChecked;
using e2e::isShownNormally;
using e2e::itemText;
using e2e::kActivateRequest;
using e2e::kActionList;
using e2e::kAppearMs;
using e2e::kCaptureMs;
using e2e::kDialogClass;
using e2e::kGuardedClass;
using e2e::kMinutesBox;
using e2e::kPageAction;
using e2e::kPageAgain;
using e2e::kPageMethod;
using e2e::kPagePassword;
using e2e::kPagePick;
using e2e::kPagePicked;
using e2e::kPageProtect;
using e2e::kPageRelock;
using e2e::kPageSummary;
using e2e::kPageTries;
using e2e::kPageTyped;
using e2e::kPasswordBox;
using e2e::kPickedTitle;
using e2e::kPickWindowRadio;
using e2e::kPasswordRadio;
using e2e::kSettleMs;
using e2e::kSummaryBox;
using e2e::kTitleBox;
using e2e::kTriesBox;
using e2e::kTypeTitleRadio;
using e2e::kWildcardCheck;
using e2e::pressButton;
using e2e::screenshot;
using e2e::staticTexts;
using e2e::waitForPage;
using e2e::waitForShown;

constexpr const char* kEditCaption = "Edit Lock";
constexpr int kCmdEditLock = 2;

// Edit Lock dialog.
constexpr int kEditDialogId = 146;
constexpr int kAgainBox = 1021;
constexpr int kProtectCheck = 1042;
constexpr int kLockedCheck = 1055;

// ---- the fixture -----------------------------------------------------------------

class AuthoringTest : public e2e::ManagerSession {
 protected:
  std::vector<e2e::Process*> helperProcesses() override { return {&target_}; }

  // Starts the manager from a "vk2.dat" with these locks and opens its
  // window through the gate.
  void openManager(const std::vector<FileLock>& locks) {
    ASSERT_NO_FATAL_FAILURE(writeDatabase(locks));
    ASSERT_NO_FATAL_FAILURE(startManager());
    ASSERT_NO_FATAL_FAILURE(passGate());
  }

  static void next(HWND wizard) { ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0); }

  // Next on the current page, then the page it leads to.
  static HWND nextTo(HWND wizard, int id) { return e2e::nextTo(wizard, id, "authoring_page_"); }

  // Pages 137 to 141 with a password, tries and minutes; ends on page 142.
  static HWND passwordTriesAndMinutes(HWND wizard, const char* password, const char* tries, const char* minutes) {
    return e2e::passwordTriesAndMinutes(wizard, password, tries, minutes, "authoring_page_");
  }

  // Next on page 135: the wizard and the manager window hide, `target`
  // (a window of another process) is activated meanwhile, and page 136
  // comes with its title.
  HWND pick(HWND wizard, HWND target) {
    next(wizard);
    EXPECT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(wizard) && !::IsWindowVisible(frame_); }, kSettleMs))
        << "the wizard and the manager window stay up during the capture";
    ::PostMessageA(target, kActivateRequest, 0, 0);
    EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == target; }, kSettleMs));
    HWND page = waitForPage(wizard, kPagePicked, kCaptureMs);
    EXPECT_NE(page, nullptr) << "the capture did not end on page 136";
    EXPECT_TRUE(::IsWindowVisible(frame_)) << "the manager window is shown again";
    return page;
  }

  // Finish on page 143; the wizard closes.
  void finish(HWND wizard) {
    ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    EXPECT_TRUE(gone(wizard)) << "Finish did not close the wizard";
  }

  std::vector<FileLock> savedLocks() {
    std::vector<unsigned char> file;
    std::vector<FileLock> locks;
    if (!e2e::readWholeFile(databasePath_, file) || !e2e::readLocks(file, locks)) locks.clear();
    return locks;
  }

  // A window of another process, shown and in front.
  HWND startTarget(const char* title) {
    target_ = e2e::spawnApp("guarded_window", {"--title", title});
    if (!target_.started()) return nullptr;
    return e2e::waitForWindow(target_.id(), kGuardedClass, nullptr, kAppearMs);
  }

  HWND waitForPrompt(const char* caption) { return e2e::waitForPrompt(target_.id(), caption); }

  e2e::Process target_;
};

FileLock lockOn(const char* title, const char* password) {
  FileLock l;
  l.title = title;
  if (password != nullptr) l.digest = digestOf(password);
  return l;
}

// ---- the program's resources ------------------------------------------------------

// The pages and the dialog as the sheet and the dialog manager read them.
TEST(AuthoringResources, PagesDialogAndPicturesHaveTheirSizesAndStyles) {
  win32::UniqueModule program(
      ::LoadLibraryExA(e2e::siblingPath("vkmanager.exe").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(program.valid()) << "vkmanager.exe not found next to the test program";
  HMODULE m = program.get();
  for (int id : {kPageMethod, kPageTyped, kPagePick, kPagePicked, kPageProtect, kPagePassword, kPageAgain, kPageTries,
                 kPageRelock, kPageAction, kPageSummary}) {
    e2e::DialogHeader t;
    ASSERT_TRUE(e2e::readDialogHeader(m, id, t)) << "page " << id;
    EXPECT_EQ(t.style, static_cast<DWORD>(DS_SHELLFONT | WS_CHILD | WS_DISABLED | WS_CAPTION)) << "page " << id;
    EXPECT_EQ(t.cx, 308) << "page " << id;
    EXPECT_EQ(t.cy, 190) << "page " << id;
  }
  e2e::DialogHeader edit;
  ASSERT_TRUE(e2e::readDialogHeader(m, kEditDialogId, edit));
  EXPECT_EQ(edit.style & (DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_CHILD),
            static_cast<DWORD>(DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP));
  EXPECT_EQ(edit.cx, 232);
  EXPECT_EQ(edit.cy, 239);

  // The wizard picture fills the left 98 of the page's units at the usual
  // 1.5 pixels per unit; both pictures are true colour.
  for (int id : {103, 109}) {
    HRSRC r = ::FindResourceA(m, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
    ASSERT_NE(r, nullptr) << "bitmap " << id;
    const auto* header = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(m, r)));
    EXPECT_EQ(header->biBitCount, 24) << "bitmap " << id;
    if (id == 103) {
      EXPECT_EQ(header->biWidth, 147);
    }
  }
}

// ---- the New Lock wizard ------------------------------------------------------------

// A typed wildcard pattern with a password: every page on that path, the
// empty-title refusal, the summary, and the lock in force at once on a
// window of another process and in the file.
TEST_F(AuthoringTest, TypedPatternLockIsEnforcedAtOnceAndSaved) {
  constexpr const char* kPattern = "*Vantakey Target";
  constexpr const char* kWindow = "Quarterly Report - Vantakey Target";
  constexpr const char* kPassword = "Pattern Pass 1";
  openManager({});

  HWND wizard = openNewLockWizard();
  ASSERT_NE(wizard, nullptr) << "New Lock showed no wizard";
  HWND page = waitForPage(wizard, kPageMethod);
  ASSERT_NE(page, nullptr);
  screenshot(wizard, "authoring_page_132");
  RECT r;
  ASSERT_TRUE(::GetWindowRect(wizard, &r));
  EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2) << "the wizard is centred";
  EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
  // Owned by the manager window, which is disabled meanwhile: it cannot be
  // closed (hidden) and leave the wizard usable on screen.
  EXPECT_EQ(::GetWindow(wizard, GW_OWNER), frame_);
  EXPECT_FALSE(::IsWindowEnabled(frame_));
  EXPECT_TRUE(isChecked(page, kPickWindowRadio)) << "picking the window is the default";
  click(page, kTypeTitleRadio);
  EXPECT_FALSE(isChecked(page, kPickWindowRadio));

  page = nextTo(wizard, kPageTyped);
  ASSERT_NE(page, nullptr);
  // An empty box is refused with a box owned by the page (a child window:
  // the system hands the ownership to the wizard frame around it).
  next(wizard);
  HWND box = waitForShown(manager_.id(), kDialogClass, "Error");
  ASSERT_NE(box, nullptr) << "an empty title was not refused";
  EXPECT_EQ(::GetWindow(box, GW_OWNER), wizard);
  EXPECT_NE(staticTexts(box).find("You must enter a window title or wildcard in the box. Please try again."),
            std::string::npos)
      << staticTexts(box);
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  EXPECT_EQ(currentPage(wizard), kPageTyped);

  ASSERT_TRUE(::SetDlgItemTextA(page, kTitleBox, kPattern));
  click(page, kWildcardCheck);
  screenshot(wizard, "authoring_page_134");
  page = nextTo(wizard, kPageProtect);
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(isChecked(page, kPasswordRadio)) << "a password is the default";
  page = passwordTriesAndMinutes(wizard, kPassword, "4", "2");
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(::SendMessageA(::GetDlgItem(page, kActionList), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(::SendMessageA(::GetDlgItem(page, kActionList), CB_GETCURSEL, 0, 0), 0);
  ::SendMessageA(::GetDlgItem(page, kActionList), CB_SETCURSEL, 1, 0);  // Deny Access
  page = nextTo(wizard, kPageSummary);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(itemText(page, kSummaryBox),
            std::string("Window title: \t  ") + kPattern +
                "\r\nWildcard matching: \t  Yes\r\nPassword protected:  Yes\r\nPassword tries: \t  4\r\nTime until "
                "re-lock: \t  2 minute(s)\r\nAction: \t\t  Deny Access");
  EXPECT_EQ(recordCount(), 0u) << "nothing is written before Finish";
  finish(wizard);

  FileLock expected;
  expected.title = kPattern;
  expected.wildcard = true;
  expected.maxTries = 4;
  expected.relockSeconds = 120;
  expected.action = DenyAccess;
  expected.digest = digestOf(kPassword);
  ASSERT_EQ(recordCount(), 1u);
  EXPECT_EQ(fromRecord(record(0)), expected);
  EXPECT_TRUE(e2e::waitUntil([&] { return savedLocks() == std::vector<FileLock>{expected}; }, kSettleMs))
      << "the new lock is not in vk2.dat";

  // In force at once, on a window of another process that matches the pattern.
  startTarget(kWindow);
  HWND prompt = waitForPrompt(kWindow);
  ASSERT_NE(prompt, nullptr) << "the new lock did not guard a matching window";
  HWND target = e2e::findWindow(target_.id(), kGuardedClass, nullptr);
  EXPECT_FALSE(::IsWindowVisible(target));
  e2e::enterPassword(prompt, kPassword);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return isShownNormally(target); }, kSettleMs));
}

// A picked window: the capture takes the window activated meanwhile, with
// its class; the lock holds it. Picked again, it is refused as a duplicate.
TEST_F(AuthoringTest, PickedWindowIsLockedWithItsClassAndRefusedTheSecondTime) {
  constexpr const char* kWindow = "vk authoring picked window";
  constexpr const char* kPassword = "picked";
  HWND target = startTarget(kWindow);
  ASSERT_NE(target, nullptr);
  openManager({lockOn("vk some other window", "other")});

  HWND wizard = openNewLockWizard();
  ASSERT_NE(wizard, nullptr);
  ASSERT_NE(waitForPage(wizard, kPageMethod), nullptr);
  ASSERT_NE(nextTo(wizard, kPagePick), nullptr);
  HWND page = pick(wizard, target);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(itemText(page, kPickedTitle), kWindow);
  screenshot(wizard, "authoring_page_136");
  ASSERT_NE(nextTo(wizard, kPageProtect), nullptr);
  ASSERT_NE(passwordTriesAndMinutes(wizard, kPassword, "3", "5"), nullptr);
  ASSERT_NE(nextTo(wizard, kPageSummary), nullptr);
  finish(wizard);

  FileLock expected = lockOn(kWindow, kPassword);
  expected.className = kGuardedClass;
  ASSERT_EQ(recordCount(), 2u);
  EXPECT_EQ(fromRecord(record(1)), expected);
  EXPECT_TRUE(e2e::waitUntil([&] { return savedLocks().size() == 2 && savedLocks()[1] == expected; }, kSettleMs));

  // The picked window is guarded from its next activation on.
  ::PostMessageA(target, kActivateRequest, 0, 0);
  HWND prompt = waitForPrompt(kWindow);
  ASSERT_NE(prompt, nullptr) << "the picked window was not guarded";
  e2e::enterPassword(prompt, kPassword);
  ASSERT_TRUE(gone(prompt));
  ASSERT_TRUE(e2e::waitUntil([&] { return isShownNormally(target); }, kSettleMs));

  // Within its re-lock period the window activates freely, and is picked
  // again: the duplicate test refuses it with a box of no owner.
  wizard = openNewLockWizard();
  ASSERT_NE(wizard, nullptr);
  ASSERT_NE(waitForPage(wizard, kPageMethod), nullptr);
  ASSERT_NE(nextTo(wizard, kPagePick), nullptr);
  page = pick(wizard, target);
  ASSERT_NE(page, nullptr);
  next(wizard);
  HWND box = waitForShown(manager_.id(), kDialogClass, "Vantakey", "That window has already been locked.");
  ASSERT_NE(box, nullptr) << "a picked window with a lock was not refused";
  EXPECT_NE(staticTexts(box).find("That window has already been locked.\nYou cannot lock a window more than once."),
            std::string::npos)
      << staticTexts(box);
  EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr);
  screenshot(box, "authoring_duplicate", wizard);
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  EXPECT_EQ(currentPage(wizard), kPagePicked) << "the wizard stays on the picked window";

  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  ASSERT_TRUE(gone(wizard)) << "Cancel did not close the wizard";
  EXPECT_EQ(recordCount(), 2u);
  EXPECT_EQ(savedLocks().size(), 2u);
}

// ---- the Edit Lock dialog --------------------------------------------------------

// A new password, fewer tries and another action: the old password is
// refused, the tries run out after the new number, the new action follows,
// and the new password opens the window.
TEST_F(AuthoringTest, EditedPasswordTriesAndActionAreEnforced) {
  constexpr const char* kWindow = "vk authoring edited window";
  constexpr const char* kOldPassword = "old secret";
  constexpr const char* kNewPassword = "New Secret";
  openManager({lockOn(kWindow, kOldPassword)});
  ASSERT_TRUE(e2e::waitUntil([&] { return ::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0) == 1; }, kSettleMs));
  ASSERT_TRUE(e2e::selectRows(manager_.handle(), list_, {0}, LVIS_SELECTED | LVIS_FOCUSED));
  command(kCmdEditLock);
  HWND dialog = waitForShown(manager_.id(), kDialogClass, kEditCaption);
  ASSERT_NE(dialog, nullptr) << "Edit Lock showed no dialog";
  EXPECT_NE(::GetPropA(dialog, "info"), nullptr) << "the dialog keeps its working record as property \"info\"";
  EXPECT_EQ(::GetWindow(dialog, GW_OWNER), frame_);
  EXPECT_FALSE(::IsWindowEnabled(frame_)) << "the manager window cannot be closed under Edit Lock";
  EXPECT_EQ(itemText(dialog, kTitleBox), kWindow);
  EXPECT_TRUE(isChecked(dialog, kLockedCheck));
  EXPECT_TRUE(isChecked(dialog, kProtectCheck));
  EXPECT_FALSE(isChecked(dialog, kWildcardCheck));
  EXPECT_EQ(itemText(dialog, kTriesBox), "3");
  EXPECT_EQ(itemText(dialog, kMinutesBox), "5");
  EXPECT_EQ(itemText(dialog, kPasswordBox), "");
  EXPECT_EQ(::SendMessageA(::GetDlgItem(dialog, kActionList), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(LOWORD(::SendMessageA(dialog, DM_GETDEFID, 0, 0)), IDOK);

  // Two different passwords are refused by a box owned by the dialog.
  ::SetDlgItemTextA(dialog, kPasswordBox, kNewPassword);
  ::SetDlgItemTextA(dialog, kAgainBox, "new secret");
  ::SetDlgItemTextA(dialog, kTriesBox, "2");
  ::SendMessageA(::GetDlgItem(dialog, kActionList), CB_SETCURSEL, 1, 0);  // Deny Access
  screenshot(dialog, "authoring_edit_lock");
  pressButton(dialog, IDOK);
  HWND box = waitForShown(manager_.id(), kDialogClass, "Error", "The passwords you typed did not match.");
  ASSERT_NE(box, nullptr) << "different passwords were not refused";
  EXPECT_EQ(::GetWindow(box, GW_OWNER), dialog);
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  EXPECT_EQ(fromRecord(record(0)), lockOn(kWindow, kOldPassword)) << "a refused OK changes nothing";

  ::SetDlgItemTextA(dialog, kAgainBox, kNewPassword);
  pressButton(dialog, IDOK);
  ASSERT_TRUE(gone(dialog)) << "OK did not close the dialog";
  FileLock expected = lockOn(kWindow, kNewPassword);
  expected.maxTries = 2;
  expected.action = DenyAccess;
  ASSERT_TRUE(e2e::waitUntil([&] { return fromRecord(record(0)) == expected; }, kSettleMs))
      << fromRecord(record(0));

  // The old password is refused twice: the tries are spent and the window
  // is denied, left minimized.
  HWND target = startTarget(kWindow);
  ASSERT_NE(target, nullptr);
  HWND prompt = waitForPrompt(kWindow);
  ASSERT_NE(prompt, nullptr) << "the edited lock did not guard its window";
  e2e::enterPassword(prompt, kOldPassword);
  box = waitForShown(target_.id(), kDialogClass, "Invalid Password");
  ASSERT_NE(box, nullptr) << "the old password was accepted";
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  e2e::enterPassword(prompt, kOldPassword);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(target) && ::IsIconic(target); }, kSettleMs))
      << "the second wrong password did not deny access";
  EXPECT_TRUE(target_.running()) << "Deny Access does not close the window";

  // The new password opens it.
  ::PostMessageA(target, kActivateRequest, 0, 0);
  prompt = waitForPrompt(kWindow);
  ASSERT_NE(prompt, nullptr);
  e2e::enterPassword(prompt, kNewPassword);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return isShownNormally(target); }, kSettleMs));
}

}  // namespace
}  // namespace vk
