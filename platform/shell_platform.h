// Port: what the manager program needs from the system around its own
// windows: the single-instance test and hand-over, the instance mutex, the
// hook library and its two system-wide hooks, the notification-area icon and
// its hidden window, the icon menu, and the message loop.
//
// The logic (manager/shell/manager_startup.h, tray_window.h) decides; the
// Win32 adapter makes exactly the calls written beside each operation and
// nothing else. Numbers in the comments are the values the adapter passes.
#pragma once

#include <cstdint>

#include "platform/window_system.h"

namespace vk {

// The hidden notification-area window's messages, as its window procedure
// receives them. The Win32 adapter binds the object at WM_NCCREATE (from
// CREATESTRUCTA::lpCreateParams) and then, for every message:
//   LRESULT r; if (events->onMessage(msg, wParam, lParam, r)) return r;
//   return DefWindowProcA(hwnd, msg, wParam, lParam);
// Messages before WM_NCCREATE go to DefWindowProcA.
class TrayWindowEvents {
 public:
  virtual ~TrayWindowEvents() = default;
  // True when the message was answered with `result`; false to pass it on to
  // DefWindowProcA (also after the logic acted on it).
  virtual bool onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                         std::intptr_t& result) = 0;
};

enum class InstanceMutexResult {
  Created,         // this process made the mutex "Vantakey"
  AlreadyExisted,  // another copy holds it: that copy is starting or running
  Failed,          // no handle; the test cannot be made
};

enum class GateLibraryStatus {
  Loaded,          // the module and both hook procedures are at hand
  NotFound,        // LoadLibraryA failed
  ExportMissing,   // loaded, but "export" or "export2" is not in it
};

enum class HookKind {
  WindowActivation,     // WH_CBT (5) with the export "export"
  WindowMessageReturn,  // WH_CALLWNDPROCRET (12) with the export "export2"
};

class ShellPlatform {
 public:
  virtual ~ShellPlatform() = default;

  // --- single instance
  // FindWindowA("VantakeyClass", "vk"): a running copy's hidden tray window.
  virtual WindowRef findTrayWindow() = 0;
  // FindWindowA(NULL, title): a top-level window with exactly this title
  // ("Vantakey Manager", "About Vantakey"). Finds hidden windows too.
  virtual WindowRef findWindowByTitle(const char* title) = 0;
  // IsWindowVisible(window): the window has WS_VISIBLE (also when minimised
  // or behind others).
  virtual bool isWindowVisible(WindowRef window) = 0;
  // ShowWindow(window, SW_SHOW), then SetForegroundWindow(window).
  virtual void showAndBringToFront(WindowRef window) = 0;
  // GetWindowThreadProcessId(window), then AllowSetForegroundWindow with that
  // process id: this copy was started by the user and may take the
  // foreground; the running copy may not, unless it is allowed to.
  virtual void allowForegroundFor(WindowRef window) = 0;
  // PostMessageA(trayWindow, 1025, 102, 515): the running copy acts as if its
  // icon had been double-clicked (WM_LBUTTONDBLCLK), so it asks for the system
  // password before it shows anything.
  virtual void postOpenManagerRequest(WindowRef trayWindow) = 0;

  // --- start-up
  // CreateMutexA(NULL, FALSE, "Vantakey"); AlreadyExisted when GetLastError()
  // is ERROR_ALREADY_EXISTS right after a successful call. The adapter keeps
  // the handle (also in that case) until closeInstanceMutex.
  virtual InstanceMutexResult createInstanceMutex() = 0;
  // CloseHandle on that handle; harmless when there is none.
  virtual void closeInstanceMutex() = 0;
  // GetModuleHandleA("KERNEL32.DLL"); if it exports "RegisterServiceProcess"
  // (GetProcAddress), call it with (0, 1) and ignore the result. Nothing where
  // the function is absent.
  virtual void registerAsServiceProcess() = 0;
  // InitCommonControlsEx with dwSize 8 and dwICC ICC_LISTVIEW_CLASSES (1).
  virtual void initCommonControls() = 0;

  // --- the hook library
  // LoadLibraryA("<the program's folder>\\vkgate.dll") into the adapter's
  // module handle, then
  // GetProcAddress(module, "export") and GetProcAddress(module, "export2").
  // The module stays loaded whatever the exports (freed by freeGateLibrary).
  virtual GateLibraryStatus loadGateLibrary() = 0;
  // SetWindowsHookExA(5, address of "export", module, 0) for
  // WindowActivation, SetWindowsHookExA(12, address of "export2", module, 0)
  // for WindowMessageReturn: thread 0 makes the hook system-wide. Returns the
  // hook handle as the table header stores it (a user handle: its value fits
  // in 32 bits also in a 64-bit process), 0 on failure or when the library
  // was not loaded.
  virtual std::uint32_t installHook(HookKind kind) = 0;
  // UnhookWindowsHookEx((HHOOK)(uintptr_t)handle). Never called with 0.
  virtual void removeHook(std::uint32_t handle) = 0;
  // FreeLibrary(module) when loaded; harmless otherwise.
  virtual void freeGateLibrary() = 0;

  // --- the hidden tray window and its icon
  // RegisterClassA: no style, the adapter's window procedure (see
  // TrayWindowEvents), no extra bytes, the program's instance,
  // LoadIconA(instance, 103), LoadCursorA(NULL, IDC_ARROW), no background,
  // no menu, name "VantakeyClass". Then CreateWindowExA(0, "VantakeyClass",
  // "vk", WS_POPUP, CW_USEDEFAULT x4, NULL, NULL, instance, &events). Never
  // shown. False when no window was made.
  virtual bool createTrayWindow(TrayWindowEvents& events) = 0;
  // DestroyWindow(trayWindow). Its WM_DESTROY still reaches the events.
  virtual void destroyTrayWindow() = 0;
  // Shell_NotifyIconA(NIM_ADD / NIM_MODIFY / NIM_DELETE, &data) with data:
  // cbSize NOTIFYICONDATAA_V1_SIZE (88 in a 32-bit build), hWnd the tray
  // window, uID 102, uFlags 7 (NIF_MESSAGE | NIF_ICON | NIF_TIP),
  // uCallbackMessage 1025, hIcon LoadIconA(instance, 103), szTip `tip` (at
  // most 63 characters and the NUL). True when the call succeeded.
  virtual bool addTrayIcon(const char* tip) = 0;
  virtual bool modifyTrayIcon(const char* tip) = 0;
  virtual void deleteTrayIcon() = 0;
  // SetTimer(trayWindow, 100, 5000, NULL).
  virtual void startTrayTimer() = 0;
  // The icon menu: LoadMenuA(instance, 107), GetSubMenu(menu, 0),
  // SetMenuDefaultItem(sub, 0, TRUE), GetCursorPos, SetForegroundWindow(tray
  // window), TrackPopupMenu(sub, TPM_RETURNCMD | TPM_RIGHTALIGN |
  // TPM_BOTTOMALIGN, x, y, 0, trayWindow, NULL), DestroyMenu(menu). Returns
  // the chosen command (40006, 40030, 40002), 0 when the menu was dismissed.
  virtual int showIconMenu() = 0;
  // WTSRegisterSessionNotification(trayWindow, NOTIFY_FOR_THIS_SESSION):
  // from now on WM_WTSSESSION_CHANGE reaches the tray window (the workstation
  // locked, the session disconnected, ...). False when it failed (it can at
  // logon, until the session services run) or there is no tray window.
  // Once it succeeded, also RegisterSuspendResumeNotification(trayWindow,
  // DEVICE_NOTIFY_WINDOW_HANDLE) where user32 has it (Windows 8 on; looked
  // up by name): systems that sleep in modern standby report the suspend to
  // registered windows. Elsewhere WM_POWERBROADCAST needs no registration:
  // the system sends it to every top-level window, hidden ones too.
  virtual bool registerSessionNotifications() = 0;
  // WTSUnRegisterSessionNotification(trayWindow) and
  // UnregisterSuspendResumeNotification for what the registration made;
  // called once after a successful registration, before the window goes.
  virtual void unregisterSessionNotifications() = 0;

  // --- the message loop
  // GetMessageA(&msg, NULL, 0, 0) > 0: TranslateMessage, DispatchMessageA.
  // Returns msg.wParam of the quit message (-1 from GetMessageA also ends the
  // loop, with 0).
  virtual int runMessageLoop() = 0;
  // PostQuitMessage(0).
  virtual void postQuit() = 0;
};

}  // namespace vk
