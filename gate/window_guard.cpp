#include "gate/window_guard.h"

#include <cstring>

#include "gate/lock_prompt.h"
#include "gate/title_match.h"

namespace vk {

namespace {

// rand() gives 0 about once in 32768 draws; a few more draws make a zero
// practically impossible, and the last resort keeps the division defined.
constexpr int kChallengeDraws = 16;

std::uint32_t drawChallenge(WindowSystem& windows) {
  std::uint32_t r = 0;
  for (int k = 0; k < kChallengeDraws && r == 0; ++k) {
    r = static_cast<std::uint32_t>(windows.random());
  }
  return r != 0 ? r : 1u;
}

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

  bool matches(const RecordRef& record) const {
    return recordMatches(record, title, titleLength, className, classLength);
  }
};

// One record that matched on the lock-free read: everything from the wait for
// the mutex to the final writes after the prompt.
Step enforceRecord(GateState& state, WindowSystem& windows, WindowRef window, CheckCause cause,
                   const Capture& capture, std::uint32_t i, std::uint32_t& next) {
  KernelObjects& kernel = *state.kernel;
  const LockTableView& view = state.view;
  next = i + 1;

  TableLock lock(kernel, state.tableMutex);
  if (!lock.held()) {
    // The table is stuck (7000 ms are up). The window matched an enabled lock
    // a moment ago, so it is not let through unchecked: keep it minimized and
    // change nothing.
    refuseMinimized(windows, window, cause);
    return Step::HoldBack;
  }
  // The lock-free read may have seen a record that was being changed.
  if (i >= view.usableRecordCount()) return Step::NextRecord;
  RecordRef record = view.record(i);
  if (record.enabled() == 0 || !capture.matches(record)) return Step::NextRecord;

  // The system's own password dialogs answer the challenge; this also lets
  // the prompt through while its lock is Prompting.
  const std::int32_t t = windows.now();
  windows.seedRandom(static_cast<std::uint32_t>(t));
  const std::uint32_t r = drawChallenge(windows);
  std::uint32_t reply = 0;
  if (windows.challenge(window, static_cast<std::uint32_t>(t), r, reply) &&
      reply == challengeAnswer(static_cast<std::uint32_t>(t), r)) {
    return Step::EndScan;
  }

  if (record.promptBusy() != 0) {
    if (inspectClaim(kernel, state.claims, record) == ClaimStatus::Busy) {
      lock.unlock();
      refuseMinimized(windows, window, cause);
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
      claimed.setUnlockedAt(windows.now());
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
  const RecordRef claimed = view.record(static_cast<std::uint32_t>(j));
  if (claimed.hasPassword() && claimed.failedTries() < claimed.maxTries()) {
    windows.showMinimizedNoActivate(window);  // the next activation asks again
  } else {
    claimed.setFailedTries(0);
    carryOutAction(windows, window, claimed.action());
  }
  clearClaim(claimed);
  after.unlock();
  releaseClaim(kernel, state.claims, claim);
  return Step::HoldBack;
}

}  // namespace

void gateProcessAttach(GateState& state, KernelObjects& kernel, void* module,
                       std::uint32_t processId) {
  state.module = module;
  state.kernel = &kernel;
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
  if (!gateReady(state)) return Verdict::Pass;
  if (window == kNoWindow || windows.isChild(window)) return Verdict::Pass;

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

  // The common path takes no mutex: the count, the enabled byte and the match
  // are read in place, and only a record that matches is looked at again
  // under the mutex before anything is decided.
  const LockTableView& view = state.view;
  const std::uint32_t n = view.usableRecordCount();
  std::uint32_t i = 0;
  while (i < n) {
    const RecordRef record = view.record(i);
    if (record.enabled() == 0 || !capture.matches(record)) {
      ++i;
      continue;
    }
    std::uint32_t next = i + 1;
    switch (enforceRecord(state, windows, window, cause, capture, i, next)) {
      case Step::EndScan:
        return Verdict::Pass;
      case Step::HoldBack:
        return Verdict::HoldBack;
      case Step::NextRecord:
        i = next;
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
