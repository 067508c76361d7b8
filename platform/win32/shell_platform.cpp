#include "platform/win32/shell_platform.h"

#include <commctrl.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <cstring>
#include <string>

#include "platform/win32/beside_program.h"
#include "platform/win32/object_security.h"

namespace vk {
namespace win32 {
namespace {

constexpr const char* kTrayClass = "VantakeyClass";
constexpr const char* kTrayTitle = "vk";
constexpr const char* kInstanceMutex = "Vantakey";
constexpr const char* kGateLibrary = "vkgate.dll";
constexpr UINT kTrayMessage = WM_USER + 1;
constexpr UINT kTrayIconId = 102;
constexpr WORD kTrayIconResource = 103;
constexpr UINT_PTR kTrayTimer = 100;
constexpr UINT kTrayTimerPeriodMs = 5000;
constexpr WORD kIconMenuResource = 107;

HWND hwndOf(WindowRef w) { return reinterpret_cast<HWND>(w); }
WindowRef refOf(HWND w) { return reinterpret_cast<WindowRef>(w); }

// A procedure found by name, typed. FARPROC converts to any function pointer
// type through the generic one without a cast warning.
template <typename Procedure>
Procedure procedureOf(HMODULE module, const char* name) {
  return reinterpret_cast<Procedure>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// Only some Windows versions have it: DWORD RegisterServiceProcess(DWORD, DWORD).
using RegisterServiceProcessProc = DWORD(WINAPI*)(DWORD, DWORD);
constexpr DWORD kSimpleService = 1;  // RSP_SIMPLE_SERVICE

// Windows 8 on: HPOWERNOTIFY RegisterSuspendResumeNotification(HANDLE, DWORD)
// and BOOL UnregisterSuspendResumeNotification(HPOWERNOTIFY).
using RegisterSuspendResumeProc = void*(WINAPI*)(HANDLE, DWORD);
using UnregisterSuspendResumeProc = BOOL(WINAPI*)(void*);
constexpr DWORD kNotifyWindowHandle = 0;  // DEVICE_NOTIFY_WINDOW_HANDLE

}  // namespace

Win32ShellPlatform::Win32ShellPlatform(HINSTANCE instance, WNDPROC trayWindowProcedure)
    : instance_(instance), trayWindowProcedure_(trayWindowProcedure) {}

WindowRef Win32ShellPlatform::findTrayWindow() { return refOf(::FindWindowA(kTrayClass, kTrayTitle)); }

WindowRef Win32ShellPlatform::findWindowByTitle(const char* title) {
  return refOf(::FindWindowA(nullptr, title));
}

bool Win32ShellPlatform::isWindowVisible(WindowRef window) {
  return ::IsWindowVisible(hwndOf(window)) != FALSE;
}

void Win32ShellPlatform::showAndBringToFront(WindowRef window) {
  ::ShowWindow(hwndOf(window), SW_SHOW);
  ::SetForegroundWindow(hwndOf(window));
}

void Win32ShellPlatform::allowForegroundFor(WindowRef window) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(hwndOf(window), &processId);
  if (processId != 0) ::AllowSetForegroundWindow(processId);
}

void Win32ShellPlatform::postOpenManagerRequest(WindowRef trayWindow) {
  ::PostMessageA(hwndOf(trayWindow), kTrayMessage, kTrayIconId, WM_LBUTTONDBLCLK);
}

InstanceMutexResult Win32ShellPlatform::createInstanceMutex() {
  // The same descriptor as the table's objects: a copy started elevated must
  // not hide this mutex from an ordinary copy of the same user.
  SharedObjectSecurity security;
  instanceMutex_.reset(::CreateMutexA(security.attributes(), FALSE, kInstanceMutex));
  if (!instanceMutex_) return InstanceMutexResult::Failed;
  return ::GetLastError() == ERROR_ALREADY_EXISTS ? InstanceMutexResult::AlreadyExisted
                                                  : InstanceMutexResult::Created;
}

void Win32ShellPlatform::closeInstanceMutex() { instanceMutex_.reset(); }

void Win32ShellPlatform::registerAsServiceProcess() {
  HMODULE kernel = ::GetModuleHandleA("KERNEL32.DLL");
  if (kernel == nullptr) return;
  auto registerService = procedureOf<RegisterServiceProcessProc>(kernel, "RegisterServiceProcess");
  if (registerService != nullptr) registerService(0, kSimpleService);
}

void Win32ShellPlatform::initCommonControls() {
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof controls;  // 8
  controls.dwICC = ICC_LISTVIEW_CLASSES;
  ::InitCommonControlsEx(&controls);
  controls.dwICC = ICC_BAR_CLASSES;
  ::InitCommonControlsEx(&controls);
}

GateLibraryStatus Win32ShellPlatform::loadGateLibrary() {
  const std::string path = win32::besideProgram(kGateLibrary);
  gateModule_.reset(path.empty() ? nullptr : ::LoadLibraryA(path.c_str()));
  if (!gateModule_) return GateLibraryStatus::NotFound;
  activationHook_ = procedureOf<HOOKPROC>(gateModule_.get(), "export");
  messageReturnHook_ = procedureOf<HOOKPROC>(gateModule_.get(), "export2");
  if (activationHook_ == nullptr || messageReturnHook_ == nullptr) return GateLibraryStatus::ExportMissing;
  return GateLibraryStatus::Loaded;
}

std::uint32_t Win32ShellPlatform::installHook(HookKind kind) {
  const bool activation = kind == HookKind::WindowActivation;
  HOOKPROC procedure = activation ? activationHook_ : messageReturnHook_;
  if (!gateModule_ || procedure == nullptr) return 0;
  HHOOK hook = ::SetWindowsHookExA(activation ? WH_CBT : WH_CALLWNDPROCRET, procedure, gateModule_.get(), 0);
  // A hook handle is a user handle: its value fits the table's 32-bit field.
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hook));
}

void Win32ShellPlatform::removeHook(std::uint32_t handle) {
  ::UnhookWindowsHookEx(reinterpret_cast<HHOOK>(static_cast<std::uintptr_t>(handle)));
}

void Win32ShellPlatform::freeGateLibrary() {
  activationHook_ = nullptr;
  messageReturnHook_ = nullptr;
  gateModule_.reset();
}

bool Win32ShellPlatform::createTrayWindow(TrayWindowEvents& events) {
  WNDCLASSA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = trayWindowProcedure_;
  windowClass.hInstance = instance_;
  windowClass.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(kTrayIconResource));
  windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.lpszClassName = kTrayClass;
  ::RegisterClassA(&windowClass);
  TrayWindowEvents* bound = &events;
  trayWindow_ = ::CreateWindowExA(0, kTrayClass, kTrayTitle, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, bound);
  return trayWindow_ != nullptr;
}

void Win32ShellPlatform::destroyTrayWindow() {
  if (trayWindow_ != nullptr) ::DestroyWindow(trayWindow_);
  trayWindow_ = nullptr;
}

bool Win32ShellPlatform::notifyIcon(DWORD action, const char* tip) {
  NOTIFYICONDATAA data;
  std::memset(&data, 0, sizeof data);
  // The first and smallest form of the record, which every shell accepts.
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = trayWindow_;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  // The small icon's size for the screen's scale (16 at 100 %, 24 at 150 %),
  // drawn at that size rather than shrunk from the large one. Shared: the
  // icon is added again every few seconds and must not leak a copy each time.
  data.hIcon = static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(kTrayIconResource), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                               LR_SHARED));
  if (data.hIcon == nullptr) data.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(kTrayIconResource));
  if (tip != nullptr) {
    std::strncpy(data.szTip, tip, sizeof data.szTip - 1);
    data.szTip[sizeof data.szTip - 1] = '\0';
  }
  return ::Shell_NotifyIconA(action, &data) != FALSE;
}

bool Win32ShellPlatform::addTrayIcon(const char* tip) { return notifyIcon(NIM_ADD, tip); }

bool Win32ShellPlatform::modifyTrayIcon(const char* tip) { return notifyIcon(NIM_MODIFY, tip); }

void Win32ShellPlatform::deleteTrayIcon() { notifyIcon(NIM_DELETE, nullptr); }

void Win32ShellPlatform::startTrayTimer() {
  if (trayWindow_ != nullptr) ::SetTimer(trayWindow_, kTrayTimer, kTrayTimerPeriodMs, nullptr);
}

int Win32ShellPlatform::showIconMenu() {
  HMENU menu = ::LoadMenuA(instance_, MAKEINTRESOURCEA(kIconMenuResource));
  if (menu == nullptr) return 0;
  HMENU main = ::GetSubMenu(menu, 0);
  int command = 0;
  if (main != nullptr) {
    ::SetMenuDefaultItem(main, 0, TRUE);
    POINT cursor = {0, 0};
    ::GetCursorPos(&cursor);
    ::SetForegroundWindow(trayWindow_);
    command = static_cast<int>(::TrackPopupMenu(main, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, cursor.x,
                                                cursor.y, 0, trayWindow_, nullptr));
  }
  ::DestroyMenu(menu);
  return command;
}

bool Win32ShellPlatform::registerSessionNotifications() {
  if (trayWindow_ == nullptr) return false;
  if (::WTSRegisterSessionNotification(trayWindow_, NOTIFY_FOR_THIS_SESSION) == FALSE) return false;
  HMODULE user = ::GetModuleHandleA("USER32.DLL");
  auto registerSuspend = user != nullptr ? procedureOf<RegisterSuspendResumeProc>(user, "RegisterSuspendResumeNotification")
                                         : nullptr;
  if (registerSuspend != nullptr && suspendNotification_ == nullptr) {
    suspendNotification_ = registerSuspend(trayWindow_, kNotifyWindowHandle);
  }
  return true;
}

void Win32ShellPlatform::unregisterSessionNotifications() {
  if (trayWindow_ != nullptr) ::WTSUnRegisterSessionNotification(trayWindow_);
  if (suspendNotification_ == nullptr) return;
  HMODULE user = ::GetModuleHandleA("USER32.DLL");
  auto unregisterSuspend =
      user != nullptr ? procedureOf<UnregisterSuspendResumeProc>(user, "UnregisterSuspendResumeNotification") : nullptr;
  if (unregisterSuspend != nullptr) unregisterSuspend(suspendNotification_);
  suspendNotification_ = nullptr;
}

int Win32ShellPlatform::runMessageLoop() {
  MSG message;
  std::memset(&message, 0, sizeof message);
  BOOL got;
  while ((got = ::GetMessageA(&message, nullptr, 0, 0)) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 0;
}

void Win32ShellPlatform::postQuit() { ::PostQuitMessage(0); }

}  // namespace win32
}  // namespace vk
