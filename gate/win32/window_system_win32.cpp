#include "gate/win32/window_system_win32.h"

#include <ctime>

#include "gate/lock_prompt.h"
#include "gate/win32/prompt_activation.h"
#include "gate/window_guard.h"
#include "platform/win32/dialog_adapter.h"
#include "platform/win32/handle.h"
#include "resource.h"

namespace vk {

namespace {

static_assert(win32::kChallengeMessage == OwnWindowChallenge, "one challenge message");
// The resource script and the prompt's logic name the same things.
static_assert(IDD_LOCK_PROMPT == kLockPromptDialogId, "prompt dialog id");
static_assert(IDI_PADLOCK == kGateIconId, "prompt icon id");
static_assert(IDC_PASSWORD == kPasswordEditId, "password edit id");

HWND hwndOf(WindowRef window) { return reinterpret_cast<HWND>(window); }

// The prompt keeps its PromptParam under this property for its whole life.
constexpr const char* kPromptParamProperty = "param";

// RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME
constexpr UINT kRedrawEverything = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME;
static_assert(kRedrawEverything == 0x407, "full redraw flags");

// dwmapi.h's attributes, named here so the library needs no dwmapi import.
constexpr DWORD kDwmForceIconicRepresentation = 7;  // DWMWA_FORCE_ICONIC_REPRESENTATION
constexpr DWORD kDwmDisallowPeek = 11;               // DWMWA_DISALLOW_PEEK
using DwmSetWindowAttributeFunction = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// DwmSetWindowAttribute, from dwmapi.dll loaded on the first call by its
// full path in the system folder (a bare name would be looked for in the
// host program's folder first). Loaded once per process and kept: the
// library is in every process with windows, and the common path never gets
// here. Null where there is no dwmapi.dll.
DwmSetWindowAttributeFunction dwmSetWindowAttribute() {
  static DwmSetWindowAttributeFunction function = nullptr;
  static bool looked = false;
  if (looked) return function;
  looked = true;
  char path[MAX_PATH + 16];
  const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  lstrcpyA(path + length, "\\dwmapi.dll");
  HMODULE dwm = ::LoadLibraryA(path);
  if (dwm == nullptr) return nullptr;
  function = reinterpret_cast<DwmSetWindowAttributeFunction>(
      reinterpret_cast<void*>(::GetProcAddress(dwm, "DwmSetWindowAttribute")));
  return function;
}

constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;
static_assert(kTokenAccess == 0x28, "token access for the shutdown privilege");
constexpr UINT kShutdownFlags = EWX_SHUTDOWN | EWX_FORCE;
static_assert(kShutdownFlags == 5, "shut down, do not wait for applications");

}  // namespace

std::uint32_t Win32WindowSystem::processOf(WindowRef window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(hwndOf(window), &process);
  return static_cast<std::uint32_t>(process);
}

WindowRef Win32WindowSystem::owner(WindowRef window) {
  return reinterpret_cast<WindowRef>(::GetWindow(hwndOf(window), GW_OWNER));
}

bool Win32WindowSystem::otherBitness(WindowRef window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(hwndOf(window), &process);
  win32::UniqueHandle theirs(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  if (!theirs.valid()) return false;
  // Under WOW64 a 32-bit process reports TRUE and a 64-bit one FALSE; on a
  // 32-bit system both report FALSE.
  BOOL theirsWow64 = FALSE;
  BOOL oursWow64 = FALSE;
  if (!::IsWow64Process(theirs.get(), &theirsWow64) || !::IsWow64Process(::GetCurrentProcess(), &oursWow64)) {
    return false;
  }
  return (theirsWow64 != FALSE) != (oursWow64 != FALSE);
}

bool Win32WindowSystem::isChild(WindowRef window) {
  return (static_cast<DWORD>(::GetWindowLongA(hwndOf(window), GWL_STYLE)) & WS_CHILD) != 0;
}

void Win32WindowSystem::title(WindowRef window, char* buffer, int bufferLength) {
  buffer[0] = '\0';
  ::GetWindowTextA(hwndOf(window), buffer, bufferLength);
}

void Win32WindowSystem::className(WindowRef window, char* buffer, int bufferLength) {
  buffer[0] = '\0';
  if (::GetClassNameA(hwndOf(window), buffer, bufferLength) == 0) buffer[0] = '\0';
}

bool Win32WindowSystem::challenge(WindowRef window, std::uint32_t t, std::uint32_t r, std::uint32_t& reply) {
  DWORD_PTR result = 0;
  const LRESULT sent = ::SendMessageTimeoutA(hwndOf(window), OwnWindowChallenge, static_cast<WPARAM>(t),
                                             static_cast<LPARAM>(r), SMTO_NORMAL, kChallengeTimeoutMs, &result);
  reply = static_cast<std::uint32_t>(result);
  return sent != 0;
}

void Win32WindowSystem::hide(WindowRef window) { ::ShowWindow(hwndOf(window), SW_HIDE); }

void Win32WindowSystem::showMinimizedNoActivate(WindowRef window) {
  ::ShowWindow(hwndOf(window), SW_SHOWMINNOACTIVE);
}

bool Win32WindowSystem::isActive(WindowRef window) {
  const HWND w = hwndOf(window);
  return w != nullptr && (::GetForegroundWindow() == w || ::GetActiveWindow() == w);
}

void Win32WindowSystem::minimizeAndDeactivate(WindowRef window) {
  const HWND w = hwndOf(window);
  ::ShowWindow(w, SW_HIDE);
  ::ShowWindow(w, SW_SHOWMINNOACTIVE);
}

void Win32WindowSystem::restore(WindowRef window) {
  const HWND w = hwndOf(window);
  ::ShowWindow(w, SW_SHOWNORMAL);
  ::SetFocus(w);
  ::SetActiveWindow(w);
  ::RedrawWindow(w, nullptr, nullptr, kRedrawEverything);
}

void Win32WindowSystem::setIconicThumbnail(WindowRef window, bool iconic) {
  DwmSetWindowAttributeFunction set = dwmSetWindowAttribute();
  if (set == nullptr) return;
  const BOOL value = iconic ? TRUE : FALSE;
  // Fails without composition, or for a window of another process; either
  // way there is nothing more to do.
  set(hwndOf(window), kDwmForceIconicRepresentation, &value, sizeof value);
  set(hwndOf(window), kDwmDisallowPeek, &value, sizeof value);
}

void Win32WindowSystem::postClose(WindowRef window) { ::PostMessageA(hwndOf(window), WM_CLOSE, 0, 0); }

void Win32WindowSystem::shutdownComputer() {
  if ((::GetVersion() & 0x80000000u) == 0) {
    // The NT family: the shutdown needs the privilege enabled first.
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), kTokenAccess, &token)) {
      win32::UniqueHandle owned(token);
      TOKEN_PRIVILEGES privileges;
      privileges.PrivilegeCount = 1;
      privileges.Privileges[0].Luid.LowPart = 0;
      privileges.Privileges[0].Luid.HighPart = 0;
      privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      ::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
      ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
  } else {
    // The 95 family: the taskbar would hold the shutdown up.
    DWORD taskbarProcess = 0;
    ::GetWindowThreadProcessId(::FindWindowA("Shell_TrayWnd", nullptr), &taskbarProcess);
    win32::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, taskbarProcess));
    ::TerminateProcess(process.get(), 0);
  }
  ::ExitWindowsEx(kShutdownFlags, 0);
}

std::int32_t Win32WindowSystem::now() { return static_cast<std::int32_t>(std::time(nullptr)); }

int Win32WindowSystem::showLockPrompt(const PromptParam& param, DialogLogic& logic) {
  win32::DialogBinding binding(logic, kPromptParamProperty, const_cast<PromptParam*>(&param));
  // Around the whole modal loop: its controls are created in it, and this is
  // the span an isolation-aware DialogBoxParam covers too.
  PromptActivation themed(module_);
  const INT_PTR result = win32::runModalDialog(module_, kLockPromptDialogId, nullptr, binding);
  // -1: the dialog could not be created; the check treats that as a refusal.
  return result == -1 ? 0 : static_cast<int>(result);
}

}  // namespace vk
