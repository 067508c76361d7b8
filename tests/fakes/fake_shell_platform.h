// The system around the manager program: other copies' windows, the instance
// mutex, the hook library and its hooks, the notification area, the icon
// menu and the message loop. Every call is logged (see event_log.h) so tests
// can check the order of start-up and shutdown.
//
// The notification area is simulated: NIM_MODIFY fails while the icon is not
// there, as after the shell restarted (dropIcon()).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/shell_platform.h"
#include "tests/fakes/event_log.h"

namespace vk {
namespace fakes {

class FakeShellPlatform : public ShellPlatform {
 public:
  explicit FakeShellPlatform(EventLog& log) : log_(log) {}

  WindowRef findTrayWindow() override;
  WindowRef findWindowByTitle(const char* title) override;
  bool isWindowVisible(WindowRef window) override;
  void showAndBringToFront(WindowRef window) override;
  void allowForegroundFor(WindowRef window) override;
  void postOpenManagerRequest(WindowRef trayWindow) override;
  InstanceMutexResult createInstanceMutex() override;
  void closeInstanceMutex() override;
  void registerAsServiceProcess() override;
  void initCommonControls() override;
  GateLibraryStatus loadGateLibrary() override;
  std::uint32_t installHook(HookKind kind) override;
  void removeHook(std::uint32_t handle) override;
  void freeGateLibrary() override;
  bool createTrayWindow(TrayWindowEvents& events) override;
  void destroyTrayWindow() override;
  bool addTrayIcon(const char* tip) override;
  bool modifyTrayIcon(const char* tip) override;
  void deleteTrayIcon() override;
  void startTrayTimer() override;
  int showIconMenu() override;
  bool registerSessionNotifications() override;
  void unregisterSessionNotifications() override;
  int runMessageLoop() override;
  void postQuit() override;

  // --- the world before the call
  WindowRef runningTray = kNoWindow;             // another copy's tray window
  std::map<std::string, WindowRef> windows;      // top-level windows by title
  std::set<WindowRef> visible;
  InstanceMutexResult instanceMutex = InstanceMutexResult::Created;
  GateLibraryStatus library = GateLibraryStatus::Loaded;
  std::set<HookKind> failingHooks;
  bool trayWindowFails = false;
  bool addIconFails = false;                     // no notification area yet
  int menuChoice = 0;                            // what the user picks in the icon menu
  int sessionRegistrationFailures = 0;           // so many registrations fail first (logon)
  // The message loop: what happens while the program runs. Returns the exit
  // code; without it the loop ends at once with 0.
  std::function<int()> whileRunning;

  // Simulates a rebuilt notification area: the icon is gone.
  void dropIcon() { iconShown_ = false; }

  // --- what the program did
  TrayWindowEvents* trayEvents = nullptr;
  bool iconShown() const { return iconShown_; }
  const std::string& iconTip() const { return iconTip_; }
  std::vector<WindowRef> shownWindows;           // showAndBringToFront
  std::vector<WindowRef> openRequests;           // postOpenManagerRequest
  std::vector<std::uint32_t> installedHooks;
  std::vector<std::uint32_t> removedHooks;
  int quitsPosted = 0;
  int menusShown = 0;
  bool instanceMutexOpen = false;
  bool libraryLoaded = false;
  bool trayWindowExists = false;
  bool sessionNotificationsRegistered = false;

 private:
  EventLog& log_;
  bool iconShown_ = false;
  std::string iconTip_;
  std::uint32_t nextHook_ = 0x5001;
};

}  // namespace fakes
}  // namespace vk
