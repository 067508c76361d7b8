// Attempts to reach a locked window's content: the window shown (visible and
// not minimized) or active while its lock is Locked or Prompting. The real
// vkmanager.exe installs the real vkgate.dll system-wide; the locked windows
// belong to guarded_window.exe processes, and a third process plays the
// intruder (another application, a task switcher) through the bypass_poke
// role below.
//
// The hooks see activations and title changes only. Where a way in gets past
// them, the test is named KnownLimit_... and asserts what really happens, so a
// change in behaviour shows up as a failure.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/password_digest.h"
#include "gate/window_guard.h"
#include "harness.h"
#include "product.h"

namespace vk {
namespace {

using e2e::FileLock;
using e2e::kAppearMs;
using e2e::kDialogClass;
using e2e::kGuardedClass;
using e2e::kSettleMs;
using e2e::Process;

// What guarded_window.exe understands.
constexpr UINT kRetitleRequest = WM_APP + 1;
constexpr UINT kShowRequest = WM_APP + 3;
constexpr UINT kShownCountRequest = WM_APP + 4;

constexpr const char* kPassword = "open sesame";
constexpr const char* kHarmlessTitle = "vk harmless window";

// How long a check that something does NOT happen looks: longer than the
// prompt's 300 ms re-hide tick and a hook's round trip, short enough to keep
// the suite quick.
constexpr DWORD kQuietMs = 1000;
// How long an intruder's call, and the re-hide that answers it, may take.
constexpr DWORD kPokeMs = 3000;

// ---- the intruder: a third process -----------------------------------------------

// bypass_poke <window> <what> [<value>]: does one thing to another process's
// window and ends. A call aimed at a window that is being prompted for can
// block until the prompt ends, so the test never makes it itself.
VK_E2E_CHILD_ROLE(bypass_poke) {
  if (args.size() < 2) return e2e::ChildBadArguments;
  HWND w = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(args[0].c_str(), nullptr, 10)));
  const std::string& what = args[1];
  const unsigned long value = args.size() > 2 ? std::strtoul(args[2].c_str(), nullptr, 10) : 0;
  if (what == "show") {
    ::ShowWindow(w, static_cast<int>(value));
  } else if (what == "setpos") {
    ::SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | static_cast<UINT>(value));
  } else if (what == "foreground") {
    ::SetForegroundWindow(w);
  } else if (what == "switch") {
    ::SwitchToThisWindow(w, TRUE);
  } else if (what == "active") {
    // SetActiveWindow works on the caller's own input queue: join the
    // target's first, as a task switcher would.
    const DWORD target = ::GetWindowThreadProcessId(w, nullptr);
    const DWORD self = ::GetCurrentThreadId();
    ::AttachThreadInput(self, target, TRUE);
    ::SetActiveWindow(w);
    ::AttachThreadInput(self, target, FALSE);
  } else if (what == "syscommand") {
    ::PostMessageA(w, WM_SYSCOMMAND, static_cast<WPARAM>(value), 0);
  } else {
    return e2e::ChildBadArguments;
  }
  return e2e::ChildOk;
}

struct Poke {
  const char* name;
  const char* what;
  unsigned long value;
};

constexpr Poke kForeground{"SetForegroundWindow", "foreground", 0};
constexpr Poke kSwitch{"SwitchToThisWindow", "switch", 0};
constexpr Poke kActive{"SetActiveWindow", "active", 0};
constexpr Poke kRestore{"SW_RESTORE", "show", SW_RESTORE};
constexpr Poke kSysRestore{"SC_RESTORE", "syscommand", SC_RESTORE};
constexpr Poke kShow{"SW_SHOW", "show", SW_SHOW};
constexpr Poke kShowNormal{"SW_SHOWNORMAL", "show", SW_SHOWNORMAL};
constexpr Poke kShowNa{"SW_SHOWNA", "show", SW_SHOWNA};
constexpr Poke kShowNoActivate{"SW_SHOWNOACTIVATE", "show", SW_SHOWNOACTIVATE};
constexpr Poke kPosShow{"SWP_SHOWWINDOW", "setpos", SWP_SHOWWINDOW};
constexpr Poke kPosShowNoActivate{"SWP_SHOWWINDOW_NOACTIVATE", "setpos", SWP_SHOWWINDOW | SWP_NOACTIVATE};

// ---- what the user could see -------------------------------------------------------

bool shownNormally(HWND w) { return ::IsWindowVisible(w) && !::IsIconic(w); }
// The content is in reach when the window is shown or active.
bool reached(HWND w) { return shownNormally(w) || ::GetForegroundWindow() == w; }

std::string describe(HWND w) {
  char text[160];
  std::snprintf(text, sizeof text, "window %s, %s, %s", ::IsWindowVisible(w) ? "visible" : "hidden",
                ::IsIconic(w) ? "minimized" : "not minimized",
                ::GetForegroundWindow() == w ? "foreground" : "not foreground");
  return text;
}

FileLock lockOn(const char* title) {
  FileLock l;
  l.title = title;
  l.digest = digestOf(kPassword);
  l.action = DenyAccess;
  l.maxTries = 3;
  l.relockSeconds = 600;
  return l;
}

// ---- the fixture -------------------------------------------------------------------

class BypassTest : public e2e::ManagerSession {
 protected:
  std::vector<Process*> helperProcesses() override {
    std::vector<Process*> all;
    for (auto& p : processes_) all.push_back(p.get());
    return all;
  }

  Process& start(Process p) {
    processes_.push_back(std::make_unique<Process>(std::move(p)));
    EXPECT_TRUE(processes_.back()->started());
    return *processes_.back();
  }

  Process& startApp(const std::vector<std::string>& args) { return start(e2e::spawnApp(app_, args)); }

  // The intruder does one thing to the window. It is not waited for: its call
  // may wait on a prompt.
  Process& poke(HWND w, const Poke& p) {
    return start(e2e::spawnChild(
        "bypass_poke", {std::to_string(reinterpret_cast<std::uintptr_t>(w)), p.what, std::to_string(p.value)}));
  }

  // For a check that the window stays out of reach: the intruder has done
  // its deed (or is stuck in a call the prompt holds up), and the window is
  // out of reach after at most a few of the prompt's 300 ms re-hide ticks and
  // then stays so.
  static void expectRefused(const Process& intruder, HWND w) {
    intruder.wait(kPokeMs);
    EXPECT_TRUE(e2e::waitUntil([&] { return !reached(w); }, kPokeMs)) << describe(w);
    EXPECT_TRUE(staysOutOfReach(w)) << describe(w);
  }

  // How often the window has been shown (visible, not minimized), by its own
  // count; -1 when it does not answer.
  static LRESULT shownCount(HWND w) {
    DWORD_PTR n = 0;
    if (::SendMessageTimeoutA(w, kShownCountRequest, 0, 0, SMTO_NORMAL, kPokeMs, &n) == 0) return -1;
    return static_cast<LRESULT>(n);
  }

  static HWND windowOf(const Process& app) { return e2e::waitForWindow(app.id(), kGuardedClass, nullptr, kAppearMs); }
  static HWND promptOf(const Process& app, const char* caption) { return e2e::waitForPrompt(app.id(), caption); }
  static HWND dialogOf(const Process& app) { return e2e::findWindow(app.id(), kDialogClass, nullptr); }

  // True when the window stays out of reach for the whole quiet time.
  static bool staysOutOfReach(HWND w, DWORD ms = kQuietMs) {
    return !e2e::waitUntil([&] { return reached(w); }, ms);
  }

  // A window of the lock, hidden behind its prompt; both returned.
  void prompted(const char* title, Process*& app, HWND& w, HWND& prompt) {
    app = &startApp({"--title", title});
    prompt = promptOf(*app, title);
    ASSERT_NE(prompt, nullptr) << "no prompt for \"" << title << "\"";
    w = windowOf(*app);
    ASSERT_NE(w, nullptr);
    ASSERT_FALSE(::IsWindowVisible(w));
  }

  // Cancel: the window comes back minimized and not active, its lock Locked.
  static void cancel(HWND prompt, HWND w) {
    e2e::pressButton(prompt, IDCANCEL);
    ASSERT_TRUE(e2e::gone(prompt));
    ASSERT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(w) && ::IsIconic(w); }, kSettleMs)) << describe(w);
    ASSERT_NE(::GetForegroundWindow(), w) << describe(w);
  }

  std::vector<std::unique_ptr<Process>> processes_;
  // The locked windows' program: guarded_window32 for a 32-bit target.
  const char* app_ = "guarded_window";
};

// ---- show, restore and activate from another process ---------------------------

// Where the locked window is when the intruder tries.
enum class Start {
  Minimized,          // its prompt was cancelled: minimized, the lock Locked
  HiddenPrompting,    // hidden behind its own prompt, the lock Prompting
  HiddenUnchecked,    // created hidden with the locked title, never activated
  HiddenAfterAction,  // tries spent on a lock whose action leaves it hidden
};

const char* startName(Start s) {
  switch (s) {
    case Start::Minimized: return "Minimized";
    case Start::HiddenPrompting: return "HiddenPrompting";
    case Start::HiddenUnchecked: return "HiddenUnchecked";
    case Start::HiddenAfterAction: return "HiddenAfterAction";
  }
  return "?";
}

enum class Outcome {
  Prompted,  // the attempt activates it: the check hides it and asks for the password
  Refused,   // it stays (or is put back) hidden or minimized, and inactive
  Shown,     // it is shown, no prompt: the content is in reach
  // The window itself was shown for a moment, then put out of reach: by the
  // prompt's re-hide tick (Refused) or by the check (Prompted).
  FlashedThenRefused,
  FlashedThenPrompted,
};

bool flashes(Outcome o) {
  return o == Outcome::Shown || o == Outcome::FlashedThenRefused || o == Outcome::FlashedThenPrompted;
}

struct Attempt {
  Start start;
  Poke poke;
  Outcome outcome;
};

std::ostream& operator<<(std::ostream& out, const Attempt& a) {
  return out << startName(a.start) << " + " << a.poke.name;
}

class BypassAttempts : public BypassTest {
 protected:
  // One lock per attempt, so no attempt inherits another's state.
  static std::string titleFor(std::size_t i) { return "vk attempt " + std::to_string(i); }

  void startWithLocksFor(const std::vector<Attempt>& attempts) {
    std::vector<FileLock> locks;
    for (std::size_t i = 0; i < attempts.size(); ++i) {
      FileLock l = lockOn(titleFor(i).c_str());
      if (attempts[i].start == Start::HiddenAfterAction) {
        l.action = LockComputer;  // the window stays hidden after the action
        l.maxTries = 1;
      }
      locks.push_back(l);
    }
    writeDatabase(locks);
    startManager();
  }

  // Brings a fresh window of the lock into the start state.
  void prepare(Start start, const char* title, Process*& app, HWND& w, HWND& prompt) {
    prompt = nullptr;
    if (start == Start::HiddenUnchecked) {
      app = &startApp({"--title", title, "--hidden"});
      w = windowOf(*app);
      ASSERT_NE(w, nullptr);
      ASSERT_FALSE(::IsWindowVisible(w));
      return;
    }
    ASSERT_NO_FATAL_FAILURE(prompted(title, app, w, prompt));
    if (start == Start::Minimized) {
      ASSERT_NO_FATAL_FAILURE(cancel(prompt, w));
      prompt = nullptr;
    } else if (start == Start::HiddenAfterAction) {
      e2e::enterPassword(prompt, "not the password");
      ASSERT_TRUE(e2e::gone(prompt));
      prompt = nullptr;
      ASSERT_FALSE(::IsWindowVisible(w));
    }
  }

  // A dialog of the app other than the prompt it had before the attempt.
  static HWND newDialog(const Process& app, HWND before) {
    for (HWND d : e2e::windowsOf(app.id())) {
      if (d != before && e2e::windowClass(d) == kDialogClass) return d;
    }
    return nullptr;
  }

  void expectOutcome(const Process& app, const Process& intruder, HWND w, HWND before, const char* title,
                     Outcome outcome) {
    switch (outcome) {
      case Outcome::Prompted:
      case Outcome::FlashedThenPrompted: {
        HWND prompt = promptOf(app, title);
        ASSERT_NE(prompt, nullptr) << "no prompt; " << describe(w);
        ASSERT_NE(prompt, before);
        EXPECT_TRUE(e2e::waitUntil([&] { return !reached(w); }, kSettleMs)) << describe(w);
        EXPECT_FALSE(::IsWindowVisible(w)) << describe(w);
        break;
      }
      case Outcome::Refused:
      case Outcome::FlashedThenRefused:
        expectRefused(intruder, w);
        EXPECT_EQ(newDialog(app, before), nullptr) << "a prompt came up";
        break;
      case Outcome::Shown:
        EXPECT_TRUE(e2e::waitUntil([&] { return shownNormally(w); }, kSettleMs)) << describe(w);
        EXPECT_FALSE(e2e::waitUntil([&] { return !shownNormally(w); }, kQuietMs)) << describe(w);
        EXPECT_EQ(newDialog(app, before), nullptr) << "a prompt came up";
        break;
    }
  }

  void run(const std::vector<Attempt>& attempts) {
    ASSERT_NO_FATAL_FAILURE(startWithLocksFor(attempts));
    for (std::size_t i = 0; i < attempts.size(); ++i) {
      const Attempt& a = attempts[i];
      SCOPED_TRACE(testing::Message() << a);
      const std::string title = titleFor(i);
      Process* app = nullptr;
      HWND w = nullptr, prompt = nullptr;
      ASSERT_NO_FATAL_FAILURE(prepare(a.start, title.c_str(), app, w, prompt));
      const LRESULT shownBefore = shownCount(w);
      ASSERT_GE(shownBefore, 0) << "the window does not answer";
      const Process& intruder = poke(w, a.poke);
      expectOutcome(*app, intruder, w, prompt, title.c_str(), a.outcome);
      // Seen from inside: did the window ever get to run shown?
      if (flashes(a.outcome)) {
        EXPECT_GT(shownCount(w), shownBefore) << "the window was never shown";
      } else {
        EXPECT_EQ(shownCount(w), shownBefore) << "the window was shown for a moment";
      }
      app->terminate();
    }
  }
};

// Activation from another process, as a task switcher does it.
TEST_F(BypassAttempts, ActivationFromAnotherProcessNeverShowsTheContent) {
  run({
      {Start::Minimized, kForeground, Outcome::Prompted},
      {Start::Minimized, kSwitch, Outcome::Prompted},
      // Joined to the target's input, SetActiveWindow does nothing to a
      // minimized window here.
      {Start::Minimized, kActive, Outcome::Refused},
      {Start::HiddenPrompting, kForeground, Outcome::Refused},
      {Start::HiddenPrompting, kSwitch, Outcome::Refused},
      {Start::HiddenPrompting, kActive, Outcome::Refused},
      {Start::HiddenUnchecked, kForeground, Outcome::Prompted},
      {Start::HiddenUnchecked, kSwitch, Outcome::Prompted},
  });
}

// After a cancelled prompt the window is minimized; restoring it is an
// activation, and the check asks again.
TEST_F(BypassAttempts, RestoreFromMinimizedByAnotherProcessBringsThePrompt) {
  run({
      {Start::Minimized, kRestore, Outcome::Prompted},
      {Start::Minimized, kSysRestore, Outcome::Prompted},
  });
}

TEST_F(BypassAttempts, ShowAndSetWindowPosFromAnotherProcessNeverShowTheContent) {
  run({
      {Start::Minimized, kShow, Outcome::Refused},  // shown as it is: minimized
      {Start::Minimized, kShowNormal, Outcome::Prompted},
      {Start::Minimized, kShowNa, Outcome::Refused},
      {Start::Minimized, kPosShow, Outcome::Prompted},
      {Start::Minimized, kPosShowNoActivate, Outcome::Refused},
      // Behind its prompt, a command that activates the window meets the
      // check first, which minimizes it.
      {Start::HiddenPrompting, kShow, Outcome::Refused},
      {Start::HiddenPrompting, kShowNormal, Outcome::Refused},
      {Start::HiddenPrompting, kPosShow, Outcome::Refused},
      {Start::HiddenUnchecked, kShow, Outcome::Prompted},
      {Start::HiddenUnchecked, kShowNormal, Outcome::Prompted},
      {Start::HiddenUnchecked, kPosShow, Outcome::Prompted},
      {Start::HiddenAfterAction, kShow, Outcome::Prompted},
      {Start::HiddenAfterAction, kPosShow, Outcome::Prompted},
  });
}

// The hooks see activations only: a command that shows a window without
// activating it gets past them. Behind a prompt the window is hidden again at
// the prompt's next 300 ms tick; restored from minimized, this Wine activates
// it a moment later and the check hides it.
TEST_F(BypassAttempts, KnownLimit_ShowWithoutActivationFlashesAWindowTheCheckWillHide) {
  run({
      {Start::HiddenPrompting, kShowNa, Outcome::FlashedThenRefused},
      {Start::HiddenPrompting, kShowNoActivate, Outcome::FlashedThenRefused},
      {Start::HiddenPrompting, kPosShowNoActivate, Outcome::FlashedThenRefused},
      {Start::Minimized, kShowNoActivate, Outcome::FlashedThenPrompted},
  });
}

// The key rows against a 32-bit program's window, guarded in its own process
// by vkgate32.dll, which the manager's 32-bit hook host installed. The
// manager runs without vkgate.dll: under Wine its own, newer, hooks would
// end the chain in 32-bit programs (see bitness_test.cpp).
class BypassAttempts32 : public BypassAttempts {
 protected:
  BypassAttempts32() { app_ = "guarded_window32"; }
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(BypassAttempts::SetUp());
    ASSERT_NO_FATAL_FAILURE(runWithout64BitLibrary());
  }
};

TEST_F(BypassAttempts32, KeyAttemptsOnAThirtyTwoBitWindowNeverShowTheContent) {
  run({
      {Start::Minimized, kForeground, Outcome::Prompted},
      {Start::Minimized, kRestore, Outcome::Prompted},
      {Start::Minimized, kShowNa, Outcome::Refused},
      {Start::HiddenPrompting, kForeground, Outcome::Refused},
      {Start::HiddenPrompting, kShowNormal, Outcome::Refused},
      {Start::HiddenUnchecked, kSwitch, Outcome::Prompted},
      {Start::HiddenUnchecked, kShowNormal, Outcome::Prompted},
      {Start::HiddenAfterAction, kPosShow, Outcome::Prompted},
  });
}

// A hidden window that no prompt guards is shown for good by any command that
// does not activate it.
TEST_F(BypassAttempts, KnownLimit_ShowWithoutActivationShowsTheWindow) {
  run({
      {Start::HiddenUnchecked, kShowNa, Outcome::Shown},
      {Start::HiddenUnchecked, kShowNoActivate, Outcome::Shown},
      {Start::HiddenUnchecked, kPosShowNoActivate, Outcome::Shown},
      {Start::HiddenAfterAction, kShowNa, Outcome::Shown},
      {Start::HiddenAfterAction, kShowNoActivate, Outcome::Shown},
      {Start::HiddenAfterAction, kPosShowNoActivate, Outcome::Shown},
  });
}

// ---- titles --------------------------------------------------------------------

constexpr const char* kLockedTitle = "vk bypass window";

// The active window takes the title of a lock that is prompting. The title
// change is caught; minimized and still active, the window would keep the
// keyboard and come back by a restore, which is no new activation. It gives
// the activation away instead, so a restore meets the check.
TEST_F(BypassTest, ActiveWindowRetitledIntoAPromptingLockGivesUpTheActivationAndIsRefused) {
  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  Process* first = nullptr;
  HWND a = nullptr, aPrompt = nullptr;
  ASSERT_NO_FATAL_FAILURE(prompted(kLockedTitle, first, a, aPrompt));

  Process& second = startApp({"--title", kHarmlessTitle, "--retitle", kLockedTitle});
  HWND b = windowOf(second);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return shownNormally(b) && ::GetForegroundWindow() == b; }, kAppearMs))
      << describe(b);
  const LRESULT shownBefore = shownCount(b);
  ASSERT_GE(shownBefore, 0) << "the window does not answer";
  ::PostMessageA(b, kRetitleRequest, 0, 0);
  ASSERT_TRUE(e2e::waitUntil([&] { return e2e::windowTitle(b) == kLockedTitle; }, kSettleMs));
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsIconic(b) != FALSE && ::GetForegroundWindow() != b; }, kSettleMs))
      << describe(b);
  EXPECT_EQ(dialogOf(second), nullptr) << "one prompt per lock at a time";

  for (const Poke& p : {kRestore, kSwitch}) {
    SCOPED_TRACE(p.name);
    expectRefused(poke(b, p), b);
    EXPECT_EQ(shownCount(b), shownBefore) << "the window was shown for a moment";
  }
  EXPECT_EQ(dialogOf(second), nullptr) << "one prompt per lock at a time";
  EXPECT_TRUE(::IsWindow(aPrompt)) << "the first window's prompt is still up";
}

// The same title change by a window in the background: minimized, inactive,
// and every later attempt to restore it meets the check.
TEST_F(BypassTest, BackgroundWindowRetitledIntoAPromptingLockIsRefused) {
  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  Process* first = nullptr;
  HWND a = nullptr, aPrompt = nullptr;
  ASSERT_NO_FATAL_FAILURE(prompted(kLockedTitle, first, a, aPrompt));
  Process& second = startApp({"--title", kHarmlessTitle, "--retitle", kLockedTitle});
  HWND b = windowOf(second);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == b; }, kAppearMs)) << describe(b);
  Process& third = startApp({"--title", "vk other window"});
  HWND c = windowOf(third);
  ASSERT_NE(c, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == c; }, kAppearMs));

  ::PostMessageA(b, kRetitleRequest, 0, 0);
  ASSERT_TRUE(e2e::waitUntil([&] { return e2e::windowTitle(b) == kLockedTitle; }, kSettleMs));
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsIconic(b) != FALSE; }, kSettleMs)) << describe(b);
  const LRESULT shownBefore = shownCount(b);
  ASSERT_GE(shownBefore, 0) << "the window does not answer";
  for (const Poke& p : {kRestore, kSwitch}) {
    SCOPED_TRACE(p.name);
    expectRefused(poke(b, p), b);
    EXPECT_EQ(shownCount(b), shownBefore) << "the window was shown for a moment";
  }
  EXPECT_EQ(dialogOf(second), nullptr) << "one prompt per lock at a time";
}

// Once the prompt is cancelled the lock is Locked again: a window retitled
// into it is hidden and prompted for, and its own cancelled prompt leaves it
// minimized and inactive, so a restore meets the check again.
TEST_F(BypassTest, RetitleIntoTheLockedTitleAfterACancelledPromptIsPromptedEachTime) {
  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  Process* first = nullptr;
  HWND a = nullptr, aPrompt = nullptr;
  ASSERT_NO_FATAL_FAILURE(prompted(kLockedTitle, first, a, aPrompt));
  ASSERT_NO_FATAL_FAILURE(cancel(aPrompt, a));

  Process& second = startApp({"--title", kHarmlessTitle, "--retitle", kLockedTitle});
  HWND b = windowOf(second);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return shownNormally(b) && ::GetForegroundWindow() == b; }, kAppearMs))
      << describe(b);
  ::PostMessageA(b, kRetitleRequest, 0, 0);
  HWND bPrompt = promptOf(second, kLockedTitle);
  ASSERT_NE(bPrompt, nullptr) << describe(b);
  EXPECT_TRUE(e2e::waitUntil([&] { return !reached(b); }, kSettleMs)) << describe(b);

  ASSERT_NO_FATAL_FAILURE(cancel(bPrompt, b));
  poke(b, kRestore);
  // Closing b's prompt hands the activation on, at times to the first window
  // of the same lock: that one is then asked, and b's restore meets the lock
  // Prompting and is refused. Either way the lock's one prompt shows, and
  // neither window is within reach.
  HWND again = nullptr;
  EXPECT_TRUE(e2e::waitUntil(
      [&] {
        for (const Process* p : {first, &second}) {
          again = e2e::waitForShown(p->id(), kDialogClass, kLockedTitle, nullptr, 0);
          if (again != nullptr) return true;
        }
        return false;
      },
      kAppearMs))
      << describe(b) << "; lock promptBusy " << int(record(0).promptBusy) << e2e::describeWindowsOf(first->id())
      << e2e::describeWindowsOf(second.id());
  EXPECT_TRUE(e2e::waitUntil([&] { return !reached(b); }, kPokeMs)) << describe(b);
  EXPECT_TRUE(staysOutOfReach(b)) << describe(b);
  EXPECT_FALSE(reached(a)) << describe(a);
}

// Taking the title away is not seen by the hooks as leaving the lock: the
// prompt keeps the window hidden while it is up, but once it is cancelled the
// window, no longer matching, opens like any other.
TEST_F(BypassTest, KnownLimit_RetitledAwayFromTheLockedTitleOpensWithoutAPrompt) {
  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  Process& app = startApp({"--title", kLockedTitle, "--retitle", kHarmlessTitle});
  HWND prompt = promptOf(app, kLockedTitle);
  ASSERT_NE(prompt, nullptr);
  HWND w = windowOf(app);
  ASSERT_NE(w, nullptr);

  // The request is handled by the prompt's own message loop.
  ::PostMessageA(w, kRetitleRequest, 0, 0);
  ASSERT_TRUE(e2e::waitUntil([&] { return e2e::windowTitle(w) == kHarmlessTitle; }, kSettleMs));
  {
    SCOPED_TRACE("while the prompt is up");
    expectRefused(poke(w, kShowNormal), w);
  }

  ASSERT_NO_FATAL_FAILURE(cancel(prompt, w));
  poke(w, kRestore);
  EXPECT_TRUE(e2e::waitUntil([&] { return shownNormally(w) && ::GetForegroundWindow() == w; }, kSettleMs))
      << describe(w);
  EXPECT_EQ(dialogOf(app), nullptr);
}

// A second window with the title of a lock that is prompting.
TEST_F(BypassTest, SecondWindowWithTheLockedTitleIsRefusedDuringThePromptAndPromptedAfter) {
  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  Process* first = nullptr;
  HWND a = nullptr, aPrompt = nullptr;
  ASSERT_NO_FATAL_FAILURE(prompted(kLockedTitle, first, a, aPrompt));

  Process& second = startApp({"--title", kLockedTitle});
  HWND b = windowOf(second);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(b) && ::IsIconic(b); }, kAppearMs)) << describe(b);
  const LRESULT shownBefore = shownCount(b);
  ASSERT_GE(shownBefore, 0) << "the window does not answer";
  for (const Poke& p : {kForeground, kSwitch, kRestore}) {
    SCOPED_TRACE(p.name);
    expectRefused(poke(b, p), b);
    EXPECT_EQ(shownCount(b), shownBefore) << "the window was shown for a moment";
  }
  EXPECT_EQ(dialogOf(second), nullptr) << "one prompt per lock at a time";

  ASSERT_NO_FATAL_FAILURE(cancel(aPrompt, a));
  poke(b, kSwitch);
  ASSERT_NE(promptOf(second, kLockedTitle), nullptr) << describe(b);
  EXPECT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(b); }, kSettleMs)) << describe(b);
}

// Created hidden and untitled, then titled, then shown by the application
// itself: the title change is caught while the window is still hidden.
TEST_F(BypassTest, HiddenWindowTitledThenShownIsPrompted) {
  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  Process& app = startApp({"--title", "", "--retitle", kLockedTitle, "--hidden"});
  HWND w = windowOf(app);
  ASSERT_NE(w, nullptr);
  ASSERT_FALSE(::IsWindowVisible(w));
  ::PostMessageA(w, kRetitleRequest, 0, 0);
  ::PostMessageA(w, kShowRequest, SW_SHOWNORMAL, 0);
  HWND prompt = promptOf(app, kLockedTitle);
  ASSERT_NE(prompt, nullptr) << describe(w);
  // The show request may still be on its way through the prompt's loop; while
  // it is checked the window is visible for an instant without being drawn,
  // so the outside view only has to settle. Its own count says whether it
  // ever got to run shown.
  EXPECT_TRUE(e2e::waitUntil([&] { return staysOutOfReach(w); }, kPokeMs + 2 * kQuietMs)) << describe(w);
  EXPECT_EQ(shownCount(w), 0) << "the window was shown for a moment";
  ASSERT_NO_FATAL_FAILURE(cancel(prompt, w));
  EXPECT_FALSE(reached(w)) << describe(w);
}

// ---- killed processes -------------------------------------------------------------

// The prompt runs in its window's process: killing that process must neither
// leave the lock stuck nor let a waiting window of the lock through.
TEST_F(BypassTest, KilledPromptingProcessLetsAWaitingWindowBePromptedNotShown) {
  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  Process* first = nullptr;
  HWND a = nullptr, aPrompt = nullptr;
  ASSERT_NO_FATAL_FAILURE(prompted(kLockedTitle, first, a, aPrompt));
  Process& second = startApp({"--title", kLockedTitle});
  HWND b = windowOf(second);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(b) && ::IsIconic(b); }, kAppearMs)) << describe(b);

  first->terminate(9);
  ASSERT_FALSE(first->running());
  poke(b, kSwitch);
  ASSERT_NE(promptOf(second, kLockedTitle), nullptr) << "the lock stayed refused; " << describe(b);
  EXPECT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(b); }, kSettleMs)) << describe(b);
  EXPECT_EQ(record(0).promptBusy, 1);
}

// Two windows share the lock; the second one's prompt is up when the first
// one's process is killed. That prompt and its claim are untouched, and once
// it is cancelled the lock asks again at the next activation.
TEST_F(BypassTest, KillingAnotherTargetDuringAPromptKeepsThatPromptAndTheLock) {
  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  Process* first = nullptr;
  HWND a = nullptr, aPrompt = nullptr;
  ASSERT_NO_FATAL_FAILURE(prompted(kLockedTitle, first, a, aPrompt));
  Process& second = startApp({"--title", kLockedTitle});
  HWND b = windowOf(second);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(b) && ::IsIconic(b); }, kAppearMs)) << describe(b);
  ASSERT_NO_FATAL_FAILURE(cancel(aPrompt, a));
  poke(b, kSwitch);
  HWND bPrompt = promptOf(second, kLockedTitle);
  ASSERT_NE(bPrompt, nullptr) << describe(b);

  first->terminate(9);
  ASSERT_FALSE(first->running());
  EXPECT_TRUE(staysOutOfReach(b)) << describe(b);
  EXPECT_TRUE(::IsWindowVisible(bPrompt));
  EXPECT_EQ(record(0).promptBusy, 1);

  ASSERT_NO_FATAL_FAILURE(cancel(bPrompt, b));
  EXPECT_EQ(record(0).promptBusy, 0);
  poke(b, kForeground);
  ASSERT_NE(promptOf(second, kLockedTitle), nullptr) << describe(b);
  EXPECT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(b); }, kSettleMs)) << describe(b);
}

// ---- a window older than the manager ---------------------------------------------

// The hooks act on events, and a window shown before they were installed has
// none to give: it stays shown until something activates it.
TEST_F(BypassTest, KnownLimit_AWindowShownBeforeTheManagerStartsStaysShownUntilActivated) {
  Process& app = startApp({"--title", kLockedTitle});
  HWND w = windowOf(app);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return shownNormally(w) && ::GetForegroundWindow() == w; }, kAppearMs));

  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  EXPECT_FALSE(e2e::waitUntil([&] { return !shownNormally(w); }, kQuietMs)) << describe(w);
  EXPECT_EQ(dialogOf(app), nullptr);

  Process& other = startApp({"--title", kHarmlessTitle});
  HWND o = windowOf(other);
  ASSERT_NE(o, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == o; }, kAppearMs));
  EXPECT_TRUE(shownNormally(w)) << "still shown behind the other window; " << describe(w);

  poke(w, kForeground);
  ASSERT_NE(promptOf(app, kLockedTitle), nullptr) << describe(w);
  EXPECT_TRUE(e2e::waitUntil([&] { return !reached(w); }, kSettleMs)) << describe(w);
}

// ---- the challenge --------------------------------------------------------------

// A window that answers the challenge with a guess is still prompted for. One
// lock per guess; all guessers run at once.
TEST_F(BypassTest, ChallengeAnsweredByGuessingDoesNotLetTheWindowPass) {
  const char* guesses[] = {"zero", "one", "accepted", "wparam", "lparam", "product", "sum"};
  std::vector<FileLock> locks;
  std::vector<std::string> titles;
  for (const char* g : guesses) titles.push_back(std::string("vk guess ") + g);
  for (const std::string& t : titles) locks.push_back(lockOn(t.c_str()));
  writeDatabase(locks);
  startManager();

  std::vector<Process*> apps;
  for (std::size_t i = 0; i < titles.size(); ++i) {
    apps.push_back(&startApp({"--title", titles[i], "--answer", guesses[i]}));
  }
  for (std::size_t i = 0; i < titles.size(); ++i) {
    SCOPED_TRACE(guesses[i]);
    EXPECT_NE(promptOf(*apps[i], titles[i].c_str()), nullptr) << "the guess got through";
    HWND w = windowOf(*apps[i]);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(reached(w)) << describe(w);
    EXPECT_EQ(record(static_cast<std::uint32_t>(i)).unlockedAt, 0);
  }
}

// The challenge only tells the system's own dialogs from windows that do not
// know it: an application that computes the answer passes as one of them.
TEST_F(BypassTest, KnownLimit_AWindowThatComputesTheChallengeAnswerPasses) {
  writeDatabase({lockOn(kLockedTitle)});
  startManager();
  Process& app = startApp({"--title", kLockedTitle, "--answer", "formula"});
  HWND w = windowOf(app);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(e2e::waitUntil([&] { return shownNormally(w) && ::GetForegroundWindow() == w; }, kAppearMs))
      << describe(w);
  EXPECT_FALSE(e2e::waitUntil([&] { return dialogOf(app) != nullptr || !shownNormally(w); }, kQuietMs)) << describe(w);
  const LockRecord r = record(0);
  EXPECT_EQ(r.promptBusy, 0);
  EXPECT_EQ(r.unlockedAt, 0) << "the lock itself was never opened";
}

}  // namespace
}  // namespace vk
