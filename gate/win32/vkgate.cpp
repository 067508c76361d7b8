// vkgate.dll: the entry point and the two hook procedures. The library is
// loaded into every process that owns windows, so this stays small: attach and
// detach in the entry point, and hook procedures that only translate between
// the hook calls and the window check.
//
// The hook procedures never throw, never allocate on their common path and
// hand the host its last-error value back as they found it (hook libraries
// that clobbered it have broken applications that test it after a
// SendMessage or ShowWindow).
#include <windows.h>

#include <cstdint>

#include "gate/win32/window_system_win32.h"
#include "gate/window_guard.h"
#include "platform/win32/kernel_objects.h"

namespace {

vk::Win32KernelObjects gKernel;
vk::Win32WindowSystem gWindows;
vk::GateState gState;

// The table header holds the manager's two hook handles only; in
// vkgate32.dll, installed by the 32-bit hook host, they are not this chain's
// handles. That is harmless: CallNextHookEx ignores its first argument on
// every NT-family Windows (Microsoft's reference: "This parameter is
// ignored.") and passes the call to the next hook of the chain it was made
// from. The handle is still given, as the call's declaration asks.
HHOOK hookOf(std::uint32_t handle) { return reinterpret_cast<HHOOK>(static_cast<std::uintptr_t>(handle)); }

vk::WindowRef windowOf(HWND w) { return reinterpret_cast<vk::WindowRef>(w); }

// Keeps the host's last-error value across one hook call, and across the
// entry point: Windows loads the library in the middle of one of the host's
// own calls (its first hook event), and creating "Vantak" and the section
// leaves ERROR_ALREADY_EXISTS behind, a refused release ERROR_NOT_OWNER.
class LastErrorKeeper {
 public:
  LastErrorKeeper() noexcept : saved_(::GetLastError()) {}
  ~LastErrorKeeper() { ::SetLastError(saved_); }
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

 private:
  DWORD saved_;
};

}  // namespace

// Exported as "export" (ordinal 2), installed as the WH_CBT hook.
extern "C" LRESULT CALLBACK vkgateCbtHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  LastErrorKeeper keeper;
  if (vk::gateReady(gState) &&
      vk::cbtHookVerdict(gState, gWindows, code, static_cast<vk::WindowRef>(wParam)) == vk::Verdict::HoldBack) {
    return 1;
  }
  return ::CallNextHookEx(hookOf(gState.cbtHook), code, wParam, lParam);
}

// Exported as "export2" (ordinal 1), installed as the WH_CALLWNDPROCRET hook.
extern "C" LRESULT CALLBACK vkgateCallWndRetHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  LastErrorKeeper keeper;
  if (code >= 0 && vk::gateReady(gState)) {
    // Only a non-negative code promises a CWPRETSTRUCT behind lParam.
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (vk::callWndRetVerdict(gState, gWindows, code, call->message, windowOf(call->hwnd)) ==
        vk::Verdict::HoldBack) {
      return 1;
    }
  }
  return ::CallNextHookEx(hookOf(gState.callWndRetHook), code, wParam, lParam);
}

#if defined(__MINGW32__)
// The library's entry point (linked with -e): the runtime's start-up code
// (static constructors, TLS, on 32 bits the frame registration that looks for
// a libgcc DLL by name) runs before DllMain and may set an error of its own.
extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, LPVOID reserved);
extern "C" BOOL WINAPI vkgateEntry(HANDLE module, DWORD reason, LPVOID reserved) noexcept {
  LastErrorKeeper keeper;
  return DllMainCRTStartup(module, reason, reserved);
}
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) noexcept {
  (void)reserved;
  LastErrorKeeper keeper;  // creating the named objects sets errors
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      gWindows.setModule(module);
      vk::gateProcessAttach(gState, gKernel, module, ::GetCurrentProcessId());
      break;
    case DLL_PROCESS_DETACH:
      vk::gateProcessDetach(gState);
      break;
    default:
      break;  // threads come and go without the library
  }
  return TRUE;
}
