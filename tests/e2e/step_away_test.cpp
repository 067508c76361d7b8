// Stepping away under the real vkmanager.exe: the workstation locked, a
// session disconnected, the computer going to sleep, and the icon menu's
// "Lock All Now". Each ends every open re-lock period at once, so a window
// opened by its password asks again at its next activation; an event that
// gives nobody new access (the workstation unlocked) leaves open windows
// open.
//
// The events are sent to the manager's tray window with the message, wParam
// and lParam Windows uses for them; the menu item is chosen with the keys a
// user would press.
#include <windows.h>

#include <cstdint>
#include <ostream>
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
using e2e::kActivateRequest;
using e2e::kAppearMs;
using e2e::kDialogClass;
using e2e::kGuardedClass;
using e2e::kSettleMs;
using e2e::kTrayIconId;
using e2e::kTrayMessage;

constexpr const char* kMenuClass = "#32768";
constexpr const char* kFirstTitle = "vk step away first";
constexpr const char* kSecondTitle = "vk step away second";
constexpr const char* kFirstPassword = "first key";
constexpr const char* kSecondPassword = "second key";
constexpr std::uint32_t kFirstLock = 0;
constexpr std::uint32_t kSecondLock = 1;

// Session events (WM_WTSSESSION_CHANGE's wParam) and a power event
// (WM_POWERBROADCAST's); lParam is the session id, 0 for the power event.
constexpr WPARAM kConsoleDisconnect = 0x2;  // WTS_CONSOLE_DISCONNECT
constexpr WPARAM kRemoteDisconnect = 0x4;   // WTS_REMOTE_DISCONNECT
constexpr WPARAM kSessionLock = 0x7;        // WTS_SESSION_LOCK
constexpr WPARAM kSessionUnlock = 0x8;      // WTS_SESSION_UNLOCK
constexpr WPARAM kSuspend = 0x4;            // PBT_APMSUSPEND
constexpr UINT kSessionChange = 0x02B1;     // WM_WTSSESSION_CHANGE

FileLock lockOn(const char* title, const char* password) {
  FileLock l;
  l.title = title;
  l.digest = digestOf(password);
  l.relockSeconds = 3600;  // an hour: only the event can end it within the test
  return l;
}

struct StepAwayCase {
  const char* name;
  UINT message;  // 0: the icon menu's "Lock All Now"
  WPARAM event;
};

void PrintTo(const StepAwayCase& c, std::ostream* os) { *os << c.name; }

class StepAwayTest : public e2e::ManagerSession, public testing::WithParamInterface<StepAwayCase> {
 protected:
  std::vector<e2e::Process*> helperProcesses() override { return {&first_, &second_}; }

  DWORD sessionId() const {
    DWORD id = 0;
    ::ProcessIdToSessionId(manager_.id(), &id);
    return id;
  }

  // Sent, as Windows does: the answer comes once the manager has acted.
  LRESULT deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR reply = 0;
    EXPECT_NE(::SendMessageTimeoutA(tray_, message, wParam, lParam, SMTO_NORMAL, kSettleMs, &reply), 0)
        << "the tray window did not answer";
    return static_cast<LRESULT>(reply);
  }

  // Right-click on the icon, then N for "Lock All &Now".
  void chooseLockAllNow() {
    ::PostMessageA(tray_, kTrayMessage, kTrayIconId, WM_RBUTTONDOWN);
    HWND menu = e2e::waitForShown(manager_.id(), kMenuClass, nullptr);
    ASSERT_NE(menu, nullptr) << "right-click on the icon showed no menu";
    e2e::screenshot(menu, "step_away_tray_menu");
    ::PostMessageA(menu, WM_CHAR, 'n', 0);
    ASSERT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(menu); }, kSettleMs)) << "the menu stayed up";
  }

  // A guarded window started and opened with its lock's password.
  HWND openWithPassword(e2e::Process& app, const char* title, const char* password, std::uint32_t lock) {
    app = e2e::spawnApp("guarded_window", {"--title", title});
    EXPECT_TRUE(app.started());
    HWND prompt = e2e::waitForPrompt(app.id(), title);
    EXPECT_NE(prompt, nullptr) << "no prompt for " << title;
    if (prompt == nullptr) return nullptr;
    e2e::enterPassword(prompt, password);
    EXPECT_TRUE(e2e::gone(prompt));
    HWND w = e2e::waitForWindow(app.id(), kGuardedClass, nullptr, kAppearMs);
    // Until the window is its thread's active window again, the activation
    // that brings it back is still to come; an event before it would have
    // that very activation prompted.
    EXPECT_TRUE(e2e::waitUntil(
        [&] { return e2e::isShownNormally(w) && activeWindowOfItsThread(w) == w && record(lock).unlockedAt != 0; },
        kSettleMs))
        << title << " did not open" << e2e::describeWindowsOf(app.id());
    return w;
  }

  static HWND activeWindowOfItsThread(HWND w) {
    GUITHREADINFO info;
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(w, nullptr), &info)) return nullptr;
    return info.hwndActive;
  }

  static bool hasDialog(const e2e::Process& app) { return e2e::findWindow(app.id(), kDialogClass, nullptr) != nullptr; }

  e2e::Process first_;
  e2e::Process second_;
};

TEST_P(StepAwayTest, EndsEveryReLockPeriodAndTheNextActivationAsksAgain) {
  const StepAwayCase& c = GetParam();
  writeDatabase({lockOn(kFirstTitle, kFirstPassword), lockOn(kSecondTitle, kSecondPassword)});
  startManager();

  HWND first = openWithPassword(first_, kFirstTitle, kFirstPassword, kFirstLock);
  ASSERT_NE(first, nullptr);

  // The user steps away.
  if (c.message == 0) {
    ASSERT_NO_FATAL_FAILURE(chooseLockAllNow());
  } else if (c.message == WM_POWERBROADCAST) {
    EXPECT_EQ(deliver(c.message, c.event, 0), TRUE);
  } else {
    deliver(c.message, c.event, static_cast<LPARAM>(sessionId()));
  }
  ASSERT_TRUE(e2e::waitUntil([&] { return record(kFirstLock).unlockedAt == 0; }, kSettleMs))
      << "the re-lock period did not end";
  EXPECT_TRUE(::IsWindowVisible(first)) << "the open window stays where it was, behind the lock screen";
  EXPECT_FALSE(hasDialog(first_));

  // The other window is opened after that, and the user comes back: an
  // unlock gives nobody new access, so it stays open.
  HWND second = openWithPassword(second_, kSecondTitle, kSecondPassword, kSecondLock);
  ASSERT_NE(second, nullptr);
  deliver(kSessionChange, kSessionUnlock, static_cast<LPARAM>(sessionId()));
  EXPECT_NE(record(kSecondLock).unlockedAt, 0);

  // The first window's next activation asks for its password again.
  ::PostMessageA(first, kActivateRequest, 0, 0);
  HWND prompt = e2e::waitForPrompt(first_.id(), kFirstTitle);
  ASSERT_NE(prompt, nullptr) << "the first window opened without its password";
  EXPECT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(first); }, kSettleMs)) << "hidden behind its prompt";
  e2e::screenshot(prompt, std::string("step_away_") + c.name);
  e2e::enterPassword(prompt, kFirstPassword);
  ASSERT_TRUE(e2e::gone(prompt));
  ASSERT_TRUE(e2e::waitUntil([&] { return e2e::isShownNormally(first) && activeWindowOfItsThread(first) == first; },
                             kSettleMs));

  // The second one comes back to the foreground without a prompt.
  ::PostMessageA(second, kActivateRequest, 0, 0);
  EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == second; }, kSettleMs))
      << e2e::describeWindowsOf(second_.id());
  EXPECT_TRUE(e2e::isShownNormally(second));
  EXPECT_FALSE(hasDialog(second_));
}

const StepAwayCase kCases[] = {
    {"SessionLock", kSessionChange, kSessionLock},
    {"ConsoleDisconnect", kSessionChange, kConsoleDisconnect},
    {"RemoteDisconnect", kSessionChange, kRemoteDisconnect},
    {"Suspend", WM_POWERBROADCAST, kSuspend},
    {"LockAllNowMenu", 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Event, StepAwayTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<StepAwayCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk
