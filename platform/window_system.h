// Port: what the window check and the lock prompt need from the window system
// and the C runtime, in the check's own words. One real adapter (Win32) makes
// the exact calls; the tests drive a simulated desktop.
//
// Every operation is called from a hook procedure: implementations must not
// throw and must not allocate on the common path (processOf, isChild, title,
// className).
#pragma once

#include <cstdint>

namespace vk {

// An opaque window handle (an HWND on Windows). 0 is "no window".
using WindowRef = std::uintptr_t;
constexpr WindowRef kNoWindow = 0;

struct PromptParam;
class DialogLogic;

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // The id of the process that owns the window (GetWindowThreadProcessId);
  // 0 when the window is gone.
  virtual std::uint32_t processOf(WindowRef window) = 0;
  // The window has the WS_CHILD style.
  virtual bool isChild(WindowRef window) = 0;
  // The window's owner (GetWindow with GW_OWNER); kNoWindow when it has none.
  virtual WindowRef owner(WindowRef window) = 0;
  // The window's process runs with the other bitness (32-bit under a 64-bit
  // library or the reverse). False when that cannot be told.
  virtual bool otherBitness(WindowRef window) = 0;
  // Copy the window's title / class name into buffer, at most bufferLength - 1
  // characters and the NUL (the check passes 255 with a 256-byte buffer). The
  // buffer holds the empty string when the text cannot be read.
  virtual void title(WindowRef window, char* buffer, int bufferLength) = 0;
  virtual void className(WindowRef window, char* buffer, int bufferLength) = 0;

  // Send OwnWindowChallenge (1046, wParam = t, lParam = r) and wait for the
  // reply: SendMessageTimeoutA with SMTO_NORMAL and 200 ms. True when the send
  // succeeded; reply receives the low 32 bits of the message result.
  virtual bool challenge(WindowRef window, std::uint32_t t, std::uint32_t r,
                         std::uint32_t& reply) = 0;

  // ShowWindow(SW_HIDE).
  virtual void hide(WindowRef window) = 0;
  // ShowWindow(SW_SHOWMINNOACTIVE).
  virtual void showMinimizedNoActivate(WindowRef window) = 0;
  // The window is the foreground window, or the active window of the calling
  // thread.
  virtual bool isActive(WindowRef window) = 0;
  // Minimized, and no longer active: ShowWindow(SW_HIDE), which hands the
  // activation on to another window, then ShowWindow(SW_SHOWMINNOACTIVE).
  // (SW_MINIMIZE alone does not move the activation everywhere.)
  virtual void minimizeAndDeactivate(WindowRef window) = 0;
  // Give the window back to the user: ShowWindow(SW_SHOWNORMAL), SetFocus,
  // SetActiveWindow, RedrawWindow with RDW_INVALIDATE | RDW_INTERNALPAINT |
  // RDW_ERASE | RDW_FRAME (0x407). The activation re-enters the hooks.
  virtual void restore(WindowRef window) = 0;
  // What the window composition shows of the window in taskbar thumbnails,
  // Alt-Tab, Task View and peek: with `iconic` only its icon and no peek
  // preview, else its contents again. DwmSetWindowAttribute with
  // DWMWA_FORCE_ICONIC_REPRESENTATION and DWMWA_DISALLOW_PEEK, both set to
  // `iconic`; allowed from the window's own process only, where the hooks
  // run. dwmapi.dll is loaded on the first call (from the system folder);
  // where it is missing, or there is no composition, nothing happens.
  virtual void setIconicThumbnail(WindowRef window, bool iconic) = 0;
  // PostMessageA(WM_CLOSE, 0, 0).
  virtual void postClose(WindowRef window) = 0;
  // The whole shutdown sequence (privilege or taskbar, then ExitWindowsEx with
  // EWX_SHUTDOWN | EWX_FORCE); results are ignored.
  virtual void shutdownComputer() = 0;

  // The runtime's time(): seconds since 1970 UTC, as the table stores it.
  virtual std::int32_t now() = 0;

  // Run the lock prompt modally on the calling thread and return its end code
  // (PasswordAccepted, or 0; 0 also when the dialog could not be created).
  // The Win32 adapter runs DialogBoxParamA with the library's module, dialog
  // resource 101, no owner, and the generic dialog procedure bound to `logic`
  // (a LockPrompt built by the check). `param` describes the prompt; both live
  // on the check's stack for the whole prompt.
  virtual int showLockPrompt(const PromptParam& param, DialogLogic& logic) = 0;
};

}  // namespace vk
