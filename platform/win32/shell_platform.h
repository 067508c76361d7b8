// ShellPlatform on Win32: the single-instance test, the instance mutex, the
// hook library and its hooks, the hidden tray window with its icon and menu,
// and the message loop. The tray window's procedure is the program's own
// (it binds the TrayWindowEvents at WM_NCCREATE) and is handed in.
#pragma once

#include <windows.h>

#include "platform/shell_platform.h"
#include "platform/win32/handle.h"

namespace vk {
namespace win32 {

class Win32ShellPlatform final : public ShellPlatform {
 public:
  Win32ShellPlatform(HINSTANCE instance, WNDPROC trayWindowProcedure);

  WindowRef findTrayWindow() override;
  WindowRef findWindowByTitle(const char* title) override;
  bool isWindowVisible(WindowRef window) override;
  void showAndBringToFront(WindowRef window) override;
  void allowForegroundFor(WindowRef window) override;
  void postOpenManagerRequest(WindowRef trayWindow) override;

  InstanceMutexResult createInstanceMutex() override;
  void closeInstanceMutex() override;
  void registerAsServiceProcess() override;
  // InitCommonControlsEx twice: the list view classes, then the bar classes.
  // The toolbar class is in ICC_BAR_CLASSES, which newer versions of the
  // common controls register only when asked for.
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

 private:
  bool notifyIcon(DWORD action, const char* tip);

  HINSTANCE instance_;
  WNDPROC trayWindowProcedure_;
  UniqueHandle instanceMutex_;
  UniqueModule gateModule_;
  HOOKPROC activationHook_ = nullptr;
  HOOKPROC messageReturnHook_ = nullptr;
  HWND trayWindow_ = nullptr;
  // RegisterSuspendResumeNotification's handle (an HPOWERNOTIFY), or null.
  void* suspendNotification_ = nullptr;
};

}  // namespace win32
}  // namespace vk
