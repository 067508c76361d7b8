#include "gate/window_guard.h"

#include <cstring>

#include "gate/challenge_random.h"
#include "gate/lock_prompt.h"
#include "gate/title_match.h"

namespace vk {

namespace {

// How far up an owner chain the challenge goes. The system's own boxes sit
// one step below the dialog that answers (the prompt's "Invalid Password"
// box, a box of the manager's password gate); the bound keeps an odd chain
// from costing more than a few sends.
constexpr int kOwnerChainLimit = 4;

// The re-lock period, as a signed 32-bit difference (wraps rather than
// overflowing).
bool stillOpen(std::int32_t now, std::int32_t unlockedAt, std::int32_t relockSeconds) {
  if (unlockedAt == 0) return false;
  const std::int32_t elapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                                         static_cast<std::uint32_t>(unlockedAt));
  return elapsed < relockSeconds;
}

// A window held back shows only its icon in thumbnails and no peek preview;
// set before it is hidden or minimized, so no picture of its contents is
// taken on the way.
void holdBackThumbnail(WindowSystem& windows, WindowRef window) { windows.setIconicThumbnail(window, true); }

void carryOutAction(WindowSystem& windows, WindowRef window, std::uint16_t action) {
  switch (action) {
    case CloseWindow:
      windows.postClose(window);  // stays hidden until the application closes it
      break;
    case LockComputer:
      break;  // the window stays hidden
    case ShutdownComputer:
      windows.shutdownComputer();
      break;
    case DenyAccess:
    default:
      windows.showMinimizedNoActivate(window);
      break;
  }
}

// A matching window that is refused without a prompt is shown minimized. A
// refused activation never happens, but a title change can catch the window
// in use: minimized and still active it would keep the keyboard and come back
// by a plain restore, which is no activation. Such a window gives the
// activation away, so coming back goes through the check. (During an
// activation the window may already count as the foreground window, so this
// is asked on the title path only.)
void refuseMinimized(WindowSystem& windows, WindowRef window, CheckCause cause) {
  holdBackThumbnail(windows, window);
  if (cause == CheckCause::Retitle && windows.isActive(window)) {
    windows.minimizeAndDeactivate(window);
  } else {
    windows.showMinimizedNoActivate(window);
  }
}

// The system's own password dialogs answer the challenge; that lets the
// prompt through while its lock is Prompting. A window they own (the prompt's
// "Invalid Password" box, a box of the manager's gate) passes with them: it
// carries a title of its own that a lock may match, and refusing it would
// leave its owner disabled under a box nobody can reach. Sent without the
// table mutex: it reads nothing from the table, and for a window of the
// calling thread it is a direct call into the host's window procedure.
bool isOwnWindow(WindowSystem& windows, WindowRef window) {
  const auto t = static_cast<std::uint32_t>(windows.now());
  ChallengeRandom random(t);
  WindowRef w = window;
  for (int step = 0; step <= kOwnerChainLimit && w != kNoWindow; ++step) {
    const std::uint32_t r = random.nextNonZero();
    std::uint32_t reply = 0;
    if (windows.challenge(w, t, r, reply) && reply == challengeAnswer(t, r)) return true;
    w = windows.owner(w);
  }
  return false;
}

enum class Step {
  NextRecord,  // go on with the record after this one (or `next`)
  EndScan,     // the window passes
  HoldBack,    // the window is held back
};

// The window's captured strings, measured once for the whole scan.
struct Capture {
  char title[kCaptureBufferSize];
  char className[kCaptureBufferSize];
  std::size_t titleLength;
  std::size_t classLength;

  bool concerns(const RecordRef& record) const {
    return record.enabled() != 0 &&
           recordMatches(record, title, titleLength, className, classLength);
  }
};

// The common path: no mutex; the count, the enabled byte and the match are
// read in place. Only tells whether some record from `from` on may concern
// the window; the mutex decides which one does.
//
// Such a read can be torn while the manager rewrites a record (it holds the
// mutex for that). Once a record matches here, everything from `from` on is
// read again under the mutex, so a rewrite cannot make that scan skip a lock
// (see enforceFirstMatch). When no record matches here, the window passes
// without the mutex: a record whose title, class or wildcard flag was being
// rewritten at that very moment, and matched the window both before and
// after, lets that one activation or retitle through; the window's next one
// is checked against the finished record.
bool mayConcern(const LockTableView& view, const Capture& capture, std::uint32_t from) {
  const std::uint32_t n = view.usableRecordCount();
  for (std::uint32_t i = from; i < n; ++i) {
    if (capture.concerns(view.record(i))) return true;
  }
  return false;
}

// From the wait for the mutex to the final writes after the prompt, for the
// first record from `from` on that concerns the window. `t` is the time the
// check goes by, taken before the wait. A foreign window (another process's)
// is decided but never acted on.
Step enforceFirstMatch(GateState& state, WindowSystem& windows, WindowRef window, CheckCause cause,
                       bool foreign, const Capture& capture, std::int32_t t, std::uint32_t from,
                       std::uint32_t& next) {
  KernelObjects& kernel = *state.kernel;
  const LockTableView& view = state.view;

  TableLock lock(kernel, state.tableMutex);
  if (!lock.held()) {
    // The table is stuck (7000 ms are up). The window matched an enabled lock
    // a moment ago, so it is not let through unchecked: keep it minimized and
    // change nothing.
    if (!foreign) refuseMinimized(windows, window, cause);
    return Step::HoldBack;
  }
  // The lock-free read may have seen a record half rewritten (an edit in
  // progress) or missed one that a delete moved down past it: look again from
  // where that scan started, now that every record is whole.
  const std::uint32_t n = view.usableRecordCount();
  std::uint32_t i = from;
  while (i < n && !capture.concerns(view.record(i))) ++i;
  if (i >= n) return Step::EndScan;
  next = i + 1;
  RecordRef record = view.record(i);

  if (record.promptBusy() != 0) {
    if (inspectClaim(kernel, state.claims, record) == ClaimStatus::Busy) {
      lock.unlock();
      if (!foreign) refuseMinimized(windows, window, cause);
      return Step::HoldBack;
    }
    // Left behind by a prompt whose process or thread is gone.
    clearClaim(record);
  }

  if (stillOpen(t, record.unlockedAt(), record.relockSeconds())) {
    record.setUnlockedAt(t);  // every pass starts the period again
    lock.unlock();
    // The lock was opened for another of its windows; this one may have been
    // held back before, and is open now too.
    windows.setIconicThumbnail(window, false);
    return Step::EndScan;
  }

  if (foreign) {
    // It cannot be hidden or prompted for from here; refusing the activation
    // keeps it out of reach, and the library in its own process asks for the
    // password at its next activation there.
    return Step::HoldBack;
  }

  Claim claim;
  if (!beginClaim(kernel, state.claims, view, record, claim)) {
    // Without a marker the claim could be taken for stale by other processes;
    // refuse this activation and let the next one try again.
    lock.unlock();
    refuseMinimized(windows, window, cause);
    return Step::HoldBack;
  }
  const bool hasPassword = record.hasPassword();
  lock.unlock();  // never held while the user is asked

  holdBackThumbnail(windows, window);
  windows.hide(window);
  int result = 0;
  if (hasPassword) {
    PromptParam param{capture.title, static_cast<std::int32_t>(i), window};
    LockPrompt prompt(state, windows, param, claim.tag);
    result = windows.showLockPrompt(param, prompt);
  }
  const std::int32_t finished = windows.now();

  TableLock after(kernel, state.tableMutex);
  if (!after.held()) {
    // Nothing is written without the mutex. Dropping the marker lets the
    // stale-claim test free the lock at a later activation; meanwhile the
    // window stays minimized, whatever the prompt's result was.
    releaseClaim(kernel, state.claims, claim);
    windows.showMinimizedNoActivate(window);
    return Step::HoldBack;
  }
  // The manager may have deleted an earlier record meanwhile (ours moved down)
  // or ours (gone: nothing to write).
  const std::int32_t j = findClaimedRecord(view, static_cast<std::int32_t>(i), claim.tag);

  if (result == PasswordAccepted) {
    if (j >= 0) {
      const RecordRef claimed = view.record(static_cast<std::uint32_t>(j));
      claimed.setUnlockedAt(finished);
      clearClaim(claimed);
    }
    after.unlock();
    releaseClaim(kernel, state.claims, claim);
    windows.setIconicThumbnail(window, false);
    // The activation this causes re-enters the hooks and finds the lock Open.
    windows.restore(window);
    // A window matching several locks is asked for each of them in turn. When
    // our record is gone the next one has moved into its place.
    next = j >= 0 ? static_cast<std::uint32_t>(j) + 1 : i;
    return Step::NextRecord;
  }

  if (j < 0) {
    after.unlock();
    releaseClaim(kernel, state.claims, claim);
    windows.showMinimizedNoActivate(window);
    return Step::HoldBack;
  }
  // Decided under the mutex, carried out after it: a close request or a
  // shutdown is host and system code that must not hold up the desktop.
  const RecordRef claimed = view.record(static_cast<std::uint32_t>(j));
  const bool askAgain = claimed.hasPassword() && claimed.failedTries() < claimed.maxTries();
  const std::uint16_t action = claimed.action();
  if (!askAgain) claimed.setFailedTries(0);
  clearClaim(claimed);
  after.unlock();
  releaseClaim(kernel, state.claims, claim);
  if (askAgain) {
    windows.showMinimizedNoActivate(window);  // the next activation asks again
  } else {
    carryOutAction(windows, window, action);
  }
  return Step::HoldBack;
}

}  // namespace

void gateProcessAttach(GateState& state, KernelObjects& kernel, void* module,
                       std::uint32_t processId) {
  state.module = module;
  state.kernel = &kernel;
  state.processId = processId;
  state.claims.seed(processId);
  // Ownership is granted only to the creator; then the hook copies are read
  // under it. Otherwise the release below is refused, which does no harm.
  state.tableMutex = kernel.createMutex(kTableMutexName, true);
  if (state.view.open(kernel)) {
    state.cbtHook = state.view.cbtHook();
    state.callWndRetHook = state.view.callWndRetHook();
  }
  if (state.tableMutex != nullptr) kernel.releaseMutex(state.tableMutex);
}

void gateProcessDetach(GateState& state) {
  if (state.kernel != nullptr && state.tableMutex != nullptr) {
    state.kernel->closeMutex(state.tableMutex);
  }
  state.tableMutex = nullptr;
  state.view.close();
}

bool gateReady(const GateState& state) {
  return state.kernel != nullptr && state.tableMutex != nullptr && state.view.isOpen();
}

Verdict checkWindow(GateState& state, WindowSystem& windows, WindowRef window, CheckCause cause) {
  if (window == kNoWindow) return Verdict::Pass;
  // A window of another process is never acted on from here: hiding,
  // minimizing or prompting would happen in the wrong process. Two ways lead
  // here. A hook of the other bitness runs on the thread that installed it;
  // the library of the window's own bitness guards it, so the call is passed
  // on untouched. A thread joined to another's input activates that thread's
  // windows under its own hooks; then this library is the only one asked, and
  // a held window's activation is refused, without acting on it.
  const bool foreign = windows.processOf(window) != state.processId;
  if (!gateReady(state) || windows.isChild(window)) return Verdict::Pass;

  // The buffers stay valid for the whole check, the prompt included.
  Capture capture;
  capture.title[0] = '\0';
  capture.className[0] = '\0';
  windows.title(window, capture.title, kCaptureLength);
  windows.className(window, capture.className, kCaptureLength);
  capture.title[kCaptureBufferSize - 1] = '\0';
  capture.className[kCaptureBufferSize - 1] = '\0';
  capture.titleLength = std::strlen(capture.title);
  capture.classLength = std::strlen(capture.className);

  const LockTableView& view = state.view;
  std::uint32_t from = 0;
  bool challenged = false;
  while (mayConcern(view, capture, from)) {
    // Once per check: the answer does not depend on the lock.
    if (!challenged) {
      if (foreign && windows.otherBitness(window)) return Verdict::Pass;
      challenged = true;
      if (isOwnWindow(windows, window)) return Verdict::Pass;
    }
    std::uint32_t next = from + 1;
    switch (enforceFirstMatch(state, windows, window, cause, foreign, capture, windows.now(), from,
                              next)) {
      case Step::EndScan:
        return Verdict::Pass;
      case Step::HoldBack:
        return Verdict::HoldBack;
      case Step::NextRecord:
        from = next;
        break;
    }
  }
  return Verdict::Pass;
}

Verdict cbtHookVerdict(GateState& state, WindowSystem& windows, int code, WindowRef window) {
  if (code != kCbtActivate) return Verdict::Pass;
  return checkWindow(state, windows, window);
}

Verdict callWndRetVerdict(GateState& state, WindowSystem& windows, int code, unsigned message,
                          WindowRef window) {
  if (code < 0 || message != kMessageSetText) return Verdict::Pass;
  return checkWindow(state, windows, window, CheckCause::Retitle);
}

}  // namespace vk
