// The hidden notification-area window ("VantakeyClass", "vk"): it answers the
// icon (menu on a right click, the manager on a double-click), puts the icon
// back every 5 seconds in case the notification area was rebuilt, and ends
// the program at log-off when ShutDownAtLogOff is set. When the user steps
// away (the workstation is locked, the session disconnected, the computer
// goes to sleep) it ends every open re-lock period, as the icon menu's
// "Lock All Now" does. It never answers OwnWindowChallenge.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "manager/shell/hook_host_keeper.h"
#include "manager/shell/manager_window.h"
#include "manager/store/manager_settings.h"
#include "platform/dialog_runner.h"
#include "platform/shell_platform.h"

namespace vk {

// Window messages the tray window acts on (Win32 values).
constexpr unsigned kMessageDestroy = 0x0002;     // WM_DESTROY
constexpr unsigned kMessageEndSession = 0x0016;  // WM_ENDSESSION
constexpr unsigned kMessageTimer = 0x0113;       // WM_TIMER
constexpr unsigned kMessageSessionChange = 0x02B1;   // WM_WTSSESSION_CHANGE
constexpr unsigned kMessagePowerBroadcast = 0x0218;  // WM_POWERBROADCAST
// WM_WTSSESSION_CHANGE's wParam: the events after which nobody who opened a
// window may be at the screen any more.
constexpr std::uintptr_t kSessionConsoleDisconnect = 0x2;  // WTS_CONSOLE_DISCONNECT
constexpr std::uintptr_t kSessionRemoteDisconnect = 0x4;   // WTS_REMOTE_DISCONNECT
constexpr std::uintptr_t kSessionLock = 0x7;               // WTS_SESSION_LOCK
constexpr std::uintptr_t kPowerSuspend = 0x4;              // PBT_APMSUSPEND
constexpr std::intptr_t kPowerBroadcastHandled = 1;        // TRUE
constexpr unsigned kTrayNotifyMessage = 1025;    // WM_USER + 1, the icon's callback
constexpr std::uintptr_t kTrayIconId = 102;
constexpr std::intptr_t kMouseRightDown = 0x0204;       // WM_RBUTTONDOWN (516)
constexpr std::intptr_t kMouseLeftDoubleClick = 0x0203; // WM_LBUTTONDBLCLK (515)
constexpr std::uintptr_t kTrayTimerId = 100;
constexpr unsigned kTrayTimerPeriodMs = 5000;

// Icon menu (menu 107, first submenu "Main").
constexpr int kIconMenuOpenManager = 40006;
constexpr int kIconMenuAbout = 40002;
constexpr int kIconMenuLockAllNow = 40030;

constexpr const char* kTrayClassName = "VantakeyClass";
constexpr const char* kTrayWindowTitle = "vk";
constexpr const char* kTrayTip = "Vantakey";
// The icon's tip holds at most 63 characters.
constexpr std::size_t kTrayTipMaxLength = 63;

class TrayWindow final : public TrayWindowEvents {
 public:
  TrayWindow(ShellPlatform& system, const ManagerSettings& settings, ManagerWindow& manager,
             DialogRunner& runner);

  // WM_DESTROY: quit. WM_TIMER 100: the hook host checked, NIM_MODIFY, and NIM_ADD when that fails;
  // answered with 0. WM_ENDSESSION with wParam true while ShutDownAtLogOff is
  // set: the session-end handler (hooks removed, database saved, icon
  // removed) runs before the message is answered, since Windows may end the
  // process right after; then quit, so the rest of the shutdown follows. 1025 with wParam 102: lParam 516
  // shows the icon menu, 515 opens the manager. Everything except timer 100
  // goes on to DefWindowProcA, also after acting on it.
  bool onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                 std::intptr_t& result) override;

  // The icon's tip; start-up changes it when nothing is protected, and it
  // says so while 32-bit programs are not (see protectionTip).
  const char* tip() const { return tip_.c_str(); }
  void setTip(const char* tip);
  void setSessionEndHandler(std::function<void()> handler) { endSession_ = std::move(handler); }
  // From start-up on, each tick of timer 100 also has the 32-bit hook host
  // checked (and started again when it ended); the tip follows.
  void watchHookHost(HookHostKeeper* keeper);

  // Session notifications for the tray window, from start-up once the window
  // exists. A registration that fails (at logon the session services may
  // not run yet) is tried again at every tick of the tray timer.
  void startSessionNotifications();
  // At shutdown, before the window goes: undoes a registration that was made.
  void stopSessionNotifications();
  bool sessionNotificationsOn() const { return sessionNotificationsOn_; }

 private:
  void showIconMenu();
  void composeTip();

  ShellPlatform& system_;
  const ManagerSettings& settings_;
  ManagerWindow& manager_;
  DialogRunner& runner_;
  HookHostKeeper* hookHost_ = nullptr;
  std::string managerTip_ = kTrayTip;
  std::string tip_ = kTrayTip;
  std::function<void()> endSession_;
  bool sessionEnded_ = false;
  bool sessionNotificationsWanted_ = false;
  bool sessionNotificationsOn_ = false;
};

}  // namespace vk
