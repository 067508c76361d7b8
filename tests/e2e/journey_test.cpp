// A new user's whole journey with the real vkmanager.exe and vkgate.dll under
// Wine, from a Windows directory without any database: the first-run
// wizard, the icon and its password gate, a New Lock wizard for "*Notepad",
// Wine's own notepad guarded by it (wrong and right passwords, the re-lock
// period really waited out, the tries used up and the window closed), Exit,
// and a restart that brings the lock back from "vk2.dat".
//
// Everything is done through the product's own windows, as a user would:
// their controls, buttons and menu commands, and the icon's message. Every
// step leaves a screenshot in one folder, journey\NN-<step>.bmp.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "harness.h"
#include "product.h"

namespace vk {
namespace {

using e2e::FileLock;
using e2e::gone;
using e2e::isShownNormally;
using e2e::kAppearMs;
using e2e::kDialogClass;
using e2e::kManagerCaption;
using e2e::kSettleMs;
using e2e::pressButton;
using e2e::screenshot;
using e2e::staticTexts;
using e2e::waitForShown;
using e2e::waitUntil;

constexpr const char* kSystemPassword = "Journey Key 2";
constexpr const char* kLockPassword = "Notes 4 Me";
constexpr const char* kWrongPassword = "notes 4 me";
constexpr const char* kPattern = "*Notepad";

constexpr const char* kNotepadClass = "Notepad";
constexpr const char* kInvalidPassword = "Invalid Password";
constexpr const char* kInvalidPasswordText = "The password you entered is not correct.";
constexpr int kMenuExit = 40015;

// The lock the wizard is asked for: re-lock after one minute, three tries,
// then the window is asked to close.
constexpr int kRelockMinutes = 1;
constexpr std::uint16_t kTries = 3;

// A check that something does NOT happen watches this long.
constexpr DWORD kQuietMs = 3000;

// The text of a control of another process (GetWindowText would give only
// the caption it was created with).
std::string textOf(HWND control) {
  char text[256] = {};
  DWORD_PTR n = 0;
  if (::SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000,
                            &n) == 0) {
    return "(no answer)";
  }
  return std::string(text, n < sizeof text ? n : 0);
}

std::string shotName(const char* step) { return std::string("journey\\") + step; }

class JourneyTest : public e2e::ManagerSession {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ManagerSession::SetUp());
    // A fresh installation: neither database file.
    ::DeleteFileA(databasePath_.c_str());
    ASSERT_EQ(::GetFileAttributesA(databasePath_.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(::GetFileAttributesA(olderPath_.c_str()), INVALID_FILE_ATTRIBUTES);
  }

  std::vector<e2e::Process*> helperProcesses() override { return {&notepad_}; }

  // Wine's own notepad, started from the system folder; its main window
  // (hidden or not), or null.
  HWND startNotepad() {
    char dir[MAX_PATH];
    const UINT n = ::GetSystemDirectoryA(dir, MAX_PATH);
    notepad_ = e2e::spawn(std::string(dir, n) + "\\notepad.exe", {});
    if (!notepad_.started()) return nullptr;
    return e2e::waitForWindow(notepad_.id(), kNotepadClass, nullptr, kAppearMs);
  }

  // The lock prompt in notepad's process, once shown: captioned with
  // notepad's title, while notepad's window is hidden.
  HWND notepadPrompt(HWND notepad) {
    HWND prompt = waitForShown(notepad_.id(), kDialogClass, nullptr);
    if (prompt == nullptr) return nullptr;
    const std::string title = e2e::windowTitle(notepad);
    EXPECT_EQ(e2e::windowTitle(prompt), title) << "the prompt does not carry notepad's title";
    EXPECT_NE(title.find("Notepad"), std::string::npos) << title;
    EXPECT_TRUE(waitUntil([&] { return !::IsWindowVisible(notepad); }, kSettleMs))
        << "notepad stays visible behind its prompt";
    EXPECT_NE(staticTexts(prompt).find("This resource has been password protected."), std::string::npos)
        << staticTexts(prompt);
    return prompt;
  }

  // A wrong password that the prompt refuses with "Invalid Password"; the
  // box is dismissed and the prompt stays.
  void refusedPassword(HWND prompt, const char* step) {
    ASSERT_NO_FATAL_FAILURE(e2e::enterPassword(prompt, kWrongPassword));
    HWND box = waitForShown(notepad_.id(), kDialogClass, kInvalidPassword, kInvalidPasswordText);
    ASSERT_NE(box, nullptr) << "a wrong password was not refused with \"Invalid Password\"";
    screenshot(box, shotName(step), prompt);
    pressButton(box, IDOK);
    ASSERT_TRUE(gone(box));
    ASSERT_TRUE(::IsWindowVisible(prompt)) << "the prompt closed before the tries were used up";
    EXPECT_EQ(e2e::itemText(prompt, e2e::kPromptPasswordEdit), "") << "the password box is emptied";
  }

  // Brings a window to the front, as a click on it would; true once it is
  // the foreground window.
  static bool activate(HWND w) {
    ::SetForegroundWindow(w);
    return waitUntil([&] { return ::GetForegroundWindow() == w; }, kSettleMs);
  }

  // No dialog shows in notepad's process for a while.
  bool notepadStaysUnprompted() {
    return !waitUntil([&] { return waitForShown(notepad_.id(), kDialogClass, nullptr, 0) != nullptr; }, kQuietMs);
  }

  // Closes notepad as its close box would; true once its process has ended.
  bool closeNotepad(HWND notepad) {
    ::PostMessageA(notepad, WM_CLOSE, 0, 0);
    return notepad_.wait(kAppearMs);
  }

  // The manager window's menu command Exit, answered with Yes; the manager
  // ends, and its icon with it.
  void exitThroughMenu(const char* step) {
    command(kMenuExit);
    HWND question = waitForShown(manager_.id(), kDialogClass, kManagerCaption, e2e::kExitQuestion);
    ASSERT_NE(question, nullptr) << "Exit did not ask";
    screenshot(question, shotName(step), frame_);
    pressButton(question, IDYES);
    DWORD code = 99;
    ASSERT_TRUE(manager_.wait(kAppearMs, &code)) << "Yes did not end the manager";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(e2e::trayWindowCount(), 0);
  }

  std::vector<FileLock> savedLocks() {
    std::vector<unsigned char> file;
    std::vector<FileLock> locks;
    if (!e2e::readWholeFile(databasePath_, file) || !e2e::readLocks(file, locks)) locks.clear();
    return locks;
  }

  e2e::Process notepad_;
};

TEST_F(JourneyTest, ANewUserLocksNotepadAndKeepsTheLockAcrossARestart) {
  FileLock expected;
  expected.title = kPattern;
  expected.wildcard = true;
  expected.maxTries = kTries;
  expected.relockSeconds = kRelockMinutes * 60;
  expected.action = CloseWindow;
  expected.digest = digestOf(kLockPassword);

  // 1. The first start: the first-run wizard, before any icon or hook.
  HWND wizard = startIntoFirstRun();
  ASSERT_NE(wizard, nullptr) << "the first start showed no first-run wizard";
  EXPECT_EQ(e2e::trayWindowCount(), 0) << "the icon came before the first-run wizard ended";
  EXPECT_EQ(table_.cbtHook(), 0u) << "hooks installed before the first-run wizard ended";
  ASSERT_NO_FATAL_FAILURE(completeFirstRun(wizard, kSystemPassword, "Name of my first teacher?", "Mrs Albright",
                                           shotName("01-first-run-page-")));
  ASSERT_NE(::GetFileAttributesA(databasePath_.c_str()), INVALID_FILE_ATTRIBUTES)
      << "\"vk2.dat\" was not written after the first-run wizard";

  // 2. The icon is there; a double-click on it asks for the system password,
  // which opens the manager window.
  EXPECT_EQ(e2e::trayWindowCount(), 1);
  EXPECT_FALSE(::IsWindowVisible(frame_)) << "the manager window shows without the password";
  ASSERT_NO_FATAL_FAILURE(passGate(kSystemPassword, shotName("02-gate")));
  EXPECT_EQ(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0), 0);
  screenshot(frame_, shotName("02-manager-window"));

  // 3. New Lock: a typed wildcard pattern, a password, three tries, re-lock
  // after a minute, close the window.
  wizard = openNewLockWizard();
  ASSERT_NE(wizard, nullptr) << "New Lock showed no wizard";
  HWND page = e2e::waitForPage(wizard, e2e::kPageMethod);
  ASSERT_NE(page, nullptr);
  e2e::click(page, e2e::kTypeTitleRadio);
  screenshot(wizard, shotName("03-new-lock-page-132"));
  const std::string prefix = shotName("03-new-lock-page-");
  ASSERT_NE(page = e2e::nextTo(wizard, e2e::kPageTyped, ""), nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(page, e2e::kTitleBox, kPattern));
  e2e::click(page, e2e::kWildcardCheck);
  ASSERT_TRUE(e2e::isChecked(page, e2e::kWildcardCheck));
  screenshot(wizard, prefix + std::to_string(e2e::kPageTyped));
  ASSERT_NE(page = e2e::nextTo(wizard, e2e::kPageProtect, prefix), nullptr);
  ASSERT_TRUE(e2e::isChecked(page, e2e::kPasswordRadio));
  ASSERT_NE(page = e2e::passwordTriesAndMinutes(wizard, kLockPassword, std::to_string(kTries).c_str(),
                                                std::to_string(kRelockMinutes).c_str(), prefix),
            nullptr);
  ASSERT_EQ(::SendMessageA(::GetDlgItem(page, e2e::kActionList), CB_SETCURSEL, 0, 0), 0);  // Close Window
  ASSERT_NE(page = e2e::nextTo(wizard, e2e::kPageSummary, prefix), nullptr);
  EXPECT_EQ(e2e::itemText(page, e2e::kSummaryBox),
            std::string("Window title: \t  ") + kPattern +
                "\r\nWildcard matching: \t  Yes\r\nPassword protected:  Yes\r\nPassword tries: \t  3\r\nTime until "
                "re-lock: \t  1 minute(s)\r\nAction: \t\t  Close Window");
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
  ASSERT_TRUE(gone(wizard)) << "Finish did not close the wizard";
  const std::vector<e2e::Row> listed = {{kPattern, "Yes", "Yes", "3", "1", "Close Window"}};
  EXPECT_TRUE(waitUntil([&] { return e2e::listRows(manager_.handle(), list_) == listed; }, kSettleMs))
      << "the list does not show the new lock";
  EXPECT_TRUE(waitUntil([&] { return savedLocks() == std::vector<FileLock>{expected}; }, kSettleMs))
      << "the new lock is not in \"vk2.dat\"";
  screenshot(frame_, shotName("03-shown-in-list"));

  // 4. Notepad, started now, is hidden and its process shows the prompt.
  HWND notepad = startNotepad();
  ASSERT_NE(notepad, nullptr) << "notepad did not start";
  HWND prompt = notepadPrompt(notepad);
  ASSERT_NE(prompt, nullptr) << "notepad was not guarded by the new lock";
  screenshot(prompt, shotName("04-notepad-prompt"));

  // 5. Two wrong passwords are refused; the right one gives notepad back,
  // shown normally, active, and with a working edit box.
  ASSERT_NO_FATAL_FAILURE(refusedPassword(prompt, "05-invalid-password-1"));
  ASSERT_NO_FATAL_FAILURE(refusedPassword(prompt, "05-invalid-password-2"));
  ASSERT_NO_FATAL_FAILURE(e2e::enterPassword(prompt, kLockPassword));
  ASSERT_TRUE(gone(prompt)) << "the right password did not close the prompt";
  ASSERT_TRUE(waitUntil([&] { return isShownNormally(notepad); }, kSettleMs)) << "notepad was not shown again";
  EXPECT_TRUE(waitUntil([&] { return ::GetForegroundWindow() == notepad; }, kSettleMs)) << "notepad is not active";
  HWND edit = ::FindWindowExA(notepad, nullptr, "Edit", nullptr);
  ASSERT_NE(edit, nullptr);
  for (char c : std::string("unlocked")) ::PostMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
  EXPECT_TRUE(waitUntil([&] { return textOf(edit) == "unlocked"; }, kSettleMs))
      << "notepad's edit box does not take typing: \"" << textOf(edit) << "\"";
  screenshot(notepad, shotName("05-notepad-unlocked"));
  // Back to an untouched text: the lock's action is a close request, which
  // notepad would answer with a question about the changes.
  ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  EXPECT_EQ(textOf(edit), "");
  // Within the re-lock period it activates freely.
  ASSERT_TRUE(activate(frame_));
  ASSERT_TRUE(activate(notepad)) << "notepad could not be activated within its re-lock period";
  EXPECT_TRUE(notepadStaysUnprompted()) << "notepad was prompted for within its re-lock period";

  // 6. The re-lock period, really waited out with notepad left alone (every
  // activation of it would start the period again); its next activation
  // asks again.
  ASSERT_TRUE(activate(frame_));
  const std::time_t lastActivation = std::time(nullptr);
  const std::time_t relockAt = lastActivation + kRelockMinutes * 60 + 1;
  ASSERT_TRUE(waitUntil([&] { return std::time(nullptr) >= relockAt; }, (kRelockMinutes * 60 + 10) * 1000, 200))
      << "the clock did not reach the end of the re-lock period";
  EXPECT_TRUE(isShownNormally(notepad)) << "notepad changed while it was left alone";
  ::SetForegroundWindow(notepad);
  prompt = notepadPrompt(notepad);
  ASSERT_NE(prompt, nullptr) << "notepad was not guarded again after its re-lock period";
  screenshot(prompt, shotName("06-relocked-prompt"));

  // 7. Wrong passwords until the tries run out: notepad is asked to close,
  // and its process ends.
  const std::string notepadTitle = e2e::windowTitle(notepad);
  ASSERT_NO_FATAL_FAILURE(refusedPassword(prompt, "07-invalid-password-1"));
  ASSERT_NO_FATAL_FAILURE(refusedPassword(prompt, "07-invalid-password-2"));
  ASSERT_NO_FATAL_FAILURE(e2e::enterPassword(prompt, kWrongPassword));
  ASSERT_TRUE(gone(prompt)) << "the last try did not end the prompt";
  // Wine's notepad touches its window while it closes (a plain close request
  // to a visible, active notepad under a locked lock is prompted for too),
  // and the lock guards it again: a new prompt, which the user cancels so
  // that the close goes on. Cancel alone never closes a window, so the
  // process ending after it is the close request at work.
  HWND closing = nullptr;
  ASSERT_TRUE(waitUntil(
      [&] {
        closing = waitForShown(notepad_.id(), kDialogClass, notepadTitle.c_str(), nullptr, 0);
        return closing != nullptr || !notepad_.running();
      },
      kAppearMs))
      << "notepad neither closed nor asked again; its windows:" << e2e::describeWindowsOf(notepad_.id());
  EXPECT_EQ(waitForShown(notepad_.id(), kDialogClass, kInvalidPassword, nullptr, 0), nullptr)
      << "the last try was answered with \"Invalid Password\"";
  if (closing != nullptr) {
    screenshot(closing, shotName("07-last-try-closing-prompt"));
    pressButton(closing, IDCANCEL);
  }
  DWORD code = 99;
  ASSERT_TRUE(notepad_.wait(kAppearMs, &code))
      << "notepad was not closed when the tries ran out; its windows:" << e2e::describeWindowsOf(notepad_.id());
  EXPECT_EQ(code, 0u) << "notepad did not end the way its close box ends it";
  screenshot(frame_, shotName("07-notepad-closed"));

  // 8. Exit and Yes: nothing is enforced any more.
  ASSERT_NO_FATAL_FAILURE(exitThroughMenu("08-exit-question"));
  notepad = startNotepad();
  ASSERT_NE(notepad, nullptr);
  EXPECT_TRUE(waitUntil([&] { return isShownNormally(notepad); }, kAppearMs)) << "notepad is not shown after Exit";
  EXPECT_TRUE(activate(notepad)) << "notepad could not be activated after Exit";
  EXPECT_TRUE(notepadStaysUnprompted()) << "notepad was prompted for after Exit";
  EXPECT_TRUE(isShownNormally(notepad));
  screenshot(notepad, shotName("08-notepad-unguarded"));
  ASSERT_TRUE(closeNotepad(notepad)) << "notepad did not close";

  // 9. A restart: no wizard; the lock is back from "vk2.dat", in the list
  // and in force: a new notepad is prompted for at once, and once it is
  // opened the list shows the lock open for its re-lock period.
  ASSERT_NO_FATAL_FAILURE(startManager());
  EXPECT_EQ(e2e::findWindow(manager_.id(), kDialogClass, e2e::kWelcomeCaption), nullptr)
      << "the first-run wizard came again";
  ASSERT_EQ(recordCount(), 1u);
  EXPECT_EQ(e2e::fromRecord(record(0)), expected);
  ASSERT_NO_FATAL_FAILURE(passGate(kSystemPassword));
  EXPECT_TRUE(waitUntil([&] { return e2e::listRows(manager_.handle(), list_) == listed; }, kSettleMs))
      << "the list does not show the lock after the restart";
  screenshot(frame_, shotName("09-lock-back-in-list"));
  notepad = startNotepad();
  ASSERT_NE(notepad, nullptr);
  prompt = notepadPrompt(notepad);
  ASSERT_NE(prompt, nullptr) << "the lock did not come back after the restart";
  screenshot(prompt, shotName("09-restart-prompt"));
  ASSERT_NO_FATAL_FAILURE(e2e::enterPassword(prompt, kLockPassword));
  ASSERT_TRUE(gone(prompt));
  ASSERT_TRUE(waitUntil([&] { return isShownNormally(notepad); }, kSettleMs));
  // "No (T)": open for now, until the re-lock period has passed. The list
  // refreshes every 3 seconds.
  const std::vector<e2e::Row> open = {{kPattern, "No (T)", "Yes", "3", "1", "Close Window"}};
  EXPECT_TRUE(waitUntil([&] { return e2e::listRows(manager_.handle(), list_) == open; }, kSettleMs))
      << "the list does not show the lock open after its password";
  ASSERT_TRUE(activate(frame_));
  screenshot(frame_, shotName("09-shown-open-in-list"), notepad);
  ASSERT_TRUE(closeNotepad(notepad)) << "notepad did not close";
  ASSERT_NO_FATAL_FAILURE(exitThroughMenu("09-then-exit-question"));
}

}  // namespace
}  // namespace vk
