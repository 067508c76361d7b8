// The window check behind both hook procedures: which top-level windows may be
// activated or retitled, and what happens to those a lock holds back.
//
// The hook procedures in the DLL are thin: they save the last-error value,
// ask cbtHookVerdict / callWndRetVerdict for a verdict, turn Pass into
// CallNextHookEx with the matching hook copy and HoldBack into 1, and restore
// the last-error value. Nothing here throws or allocates.
//
// The table mutex is a cross-process lock that every activation on the
// desktop may wait for, so no code of the host runs while it is held: the
// challenge (a direct call into the host's window procedure when the window
// is the calling thread's) is sent before the wait, and the window commands
// of every outcome follow the release.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/lock_table.h"
#include "gate/lock_claim.h"
#include "platform/kernel_objects.h"
#include "platform/window_system.h"

namespace vk {

// Sent by the check; only the system's own password dialogs answer it right.
constexpr std::uint32_t OwnWindowChallenge = 1046;  // WM_USER + 22
// End code of a password dialog whose password was correct.
constexpr int PasswordAccepted = 12345;

constexpr int kCbtActivate = 5;             // HCBT_ACTIVATE
constexpr unsigned kMessageSetText = 12;    // WM_SETTEXT
constexpr std::uint32_t kChallengeTimeoutMs = 200;  // SendMessageTimeoutA, SMTO_NORMAL
// Window text buffers: 255 passed to the system, so at most 254 characters.
constexpr int kCaptureLength = 255;
constexpr std::size_t kCaptureBufferSize = 256;

// The answer to OwnWindowChallenge: (t + 1) * r - t / r in unsigned 32-bit
// arithmetic. The sender never sends r = 0; should one arrive anyway, t / 0 is
// taken as 0 so no responder can fault.
constexpr std::uint32_t challengeAnswer(std::uint32_t t, std::uint32_t r) {
  return (t + 1u) * r - (r != 0 ? t / r : 0u);
}

// What the prompt is about. Lives on the check's stack for the whole prompt.
struct PromptParam {
  const char* title;         // the guarded window's captured title
  std::int32_t recordIndex;  // the record claimed for this prompt
  WindowRef window;          // the guarded window
};

// The library's state in one process (never shared between processes).
struct GateState {
  void* module = nullptr;            // the DLL's instance: the prompt's resources
  KernelObjects* kernel = nullptr;
  KernelHandle tableMutex = nullptr; // "Vantak"
  LockTableView view;
  std::uint32_t cbtHook = 0;         // copies taken at process attach,
  std::uint32_t callWndRetHook = 0;  // passed on by the hook procedures
  std::uint32_t processId = 0;       // the process the library is loaded in
  ActiveClaims claims;
};

enum class Verdict {
  Pass,      // call the next hook
  HoldBack,  // return 1: stop the activation, skip the later hooks
};

// Process attach: create or open "Vantak" asking for ownership, map the table,
// copy both hook handles, release the mutex (a refused release is ignored).
// processId tells the process's own windows from others' and spreads claim
// tags between processes.
void gateProcessAttach(GateState& state, KernelObjects& kernel, void* module,
                       std::uint32_t processId);
// Process detach: close the mutex handle and the table view.
void gateProcessDetach(GateState& state);
// False when attach could not map the table or get the mutex: every call then
// passes, since nothing can be checked. That is also the answer for a copy
// whose process may not open the manager's objects (a program of another
// logon, started with "Run as different user"): it cannot know which windows
// are locked, and holding back windows it cannot check would shut the user
// out of programs nobody locked. The objects grant every program of the
// manager's own logon session, elevated, ordinary or low-integrity.
bool gateReady(const GateState& state);

// What brought the window to the check.
enum class CheckCause {
  Activation,  // about to be activated; a refusal stops the activation
  Retitle,     // its title was just set; it may be the active window already
};

// The check itself, for a window about to be activated or just retitled. A
// window of another process is never acted on: no hide, minimize, close or
// prompt from here, and no claim. Of the other bitness (a hook call Windows
// runs on the thread that installed the hook) it passes untouched: the
// library of its own bitness guards it. Of the same bitness (a thread joined
// to another's input activating that thread's window) it is decided, and its
// activation refused while its lock is Locked or Prompting.
Verdict checkWindow(GateState& state, WindowSystem& windows, WindowRef window,
                    CheckCause cause = CheckCause::Activation);

// WH_CBT: only HCBT_ACTIVATE (wParam = the window) is checked.
Verdict cbtHookVerdict(GateState& state, WindowSystem& windows, int code, WindowRef window);
// WH_CALLWNDPROCRET: for code >= 0 the adapter reads the CWPRETSTRUCT and
// passes its message and window; only WM_SETTEXT is checked. For code < 0 the
// structure must not be read: pass message 0 and kNoWindow.
Verdict callWndRetVerdict(GateState& state, WindowSystem& windows, int code, unsigned message,
                          WindowRef window);

}  // namespace vk
