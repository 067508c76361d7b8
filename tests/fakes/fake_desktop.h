// The simulated desktop for the window check: windows with titles, classes,
// styles and visibility, a settable clock, the runtime's random numbers, and a
// scripted user who answers lock prompts by typing into the focused control
// and pressing buttons.
//
// Like Windows, the desktop re-enters the hooks: a window that is activated
// (by its application, by restore, or a prompt or its message box coming up)
// runs the CBT hook, and a retitled window runs the WM_SETTEXT hook, each on
// the same stack.
//
// Given the kernel, the desktop notes every window-system call made while
// this thread holds the table mutex: the gate makes none.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gate/window_guard.h"
#include "platform/window_system.h"
#include "tests/fakes/fake_dialog_view.h"
#include "tests/fakes/fake_kernel.h"

namespace vk {
namespace fakes {

enum class Visibility { Normal, Hidden, Minimized };

// What the gate told the window system to do with a window.
enum class WindowCommand { Hide, MinimizeNoActivate, MinimizeAndDeactivate, Restore, PostClose };

struct FakeWindow {
  std::string title;
  std::string className;
  bool child = false;
  Visibility visibility = Visibility::Normal;
  // Answers OwnWindowChallenge right, like the manager's password gate.
  bool answersChallenge = false;
  // Answers it, but with a wrong value.
  bool answersWrongly = false;
  // The send fails (a hung window).
  bool challengeSendFails = false;
  // Runs when the challenge reaches the window procedure, as a host that
  // pumps messages there would.
  std::function<void()> whenChallenged;
  // The owner window (GW_OWNER); kNoWindow for none.
  WindowRef owner = kNoWindow;
  // Belongs to another process of the desktop, and that process runs with the
  // other bitness.
  bool otherProcess = false;
  bool otherBitness = false;
  int closeRequests = 0;
  std::vector<WindowCommand> commands;
  // What thumbnails show: true while only the icon; and how often the gate
  // set it (either way).
  bool iconicThumbnail = false;
  int thumbnailChanges = 0;
  // Set for a running lock prompt: it answers through its logic.
  DialogLogic* dialog = nullptr;
};

// One thing the user does while a prompt is up.
struct UserStep {
  enum Kind { Type, PressOk, PressCancel, TimerTick, Run } kind = PressCancel;
  std::string text;
  std::function<void()> run;
};

class ScriptedUser {
 public:
  // Types into the control that has the focus (replacing its text).
  ScriptedUser& types(const std::string& text);
  ScriptedUser& pressesOk();
  ScriptedUser& pressesCancel();
  // Lets the prompt's timers fire once each.
  ScriptedUser& waitsForTimer();
  // Something else happens meanwhile (the manager edits the table, ...).
  ScriptedUser& meanwhile(std::function<void()> action);
  ScriptedUser& entersPassword(const std::string& text) { return types(text).pressesOk(); }

  bool hasSteps() const { return !steps_.empty(); }
  UserStep next();
  std::size_t remaining() const { return steps_.size(); }

 private:
  std::deque<UserStep> steps_;
};

// A message box of the prompt, as the hooks saw it come up.
struct BoxSeen {
  std::string caption;
  WindowRef window = kNoWindow;
  Verdict retitleVerdict = Verdict::Pass;   // its caption being set
  Verdict activateVerdict = Verdict::Pass;  // it coming up
  std::vector<WindowCommand> commands;      // what the gate did to it
};

// What happened during one lock prompt.
struct PromptSeen {
  std::int32_t recordIndex = -1;
  WindowRef guarded = kNoWindow;
  std::string title;         // PromptParam's title
  std::string caption;       // the dialog's caption after init
  WindowRef promptWindow = kNoWindow;
  // The guarded window's thumbnail showed only its icon while the prompt was up.
  bool guardedThumbnailIconic = false;
  Verdict retitleVerdict = Verdict::Pass;    // the caption being set
  Verdict activateVerdict = Verdict::Pass;   // the prompt coming up
  char passwordChar = '\0';
  int focusAfterInit = 0;
  std::vector<unsigned> beeps;
  std::vector<TimerStarted> timers;
  std::vector<MessageBoxShown> messageBoxes;
  std::vector<BoxSeen> boxes;
  std::string editTextAtEnd;
  int focusAtEnd = 0;
  bool scriptRanDry = false;  // the user had no steps left and pressed Esc
  int result = 0;
};

class FakeDesktop : public WindowSystem {
 public:
  FakeDesktop() = default;
  FakeDesktop(const FakeDesktop&) = delete;
  FakeDesktop& operator=(const FakeDesktop&) = delete;

  // --- building the desktop
  WindowRef addWindow(const std::string& title, const std::string& className = "AppFrame");
  WindowRef addChildWindow(const std::string& title, const std::string& className = "Button");
  // A top-level window owned by another (a dialog or message box).
  WindowRef addOwnedWindow(const std::string& title, WindowRef owner,
                           const std::string& className = "#32770");
  FakeWindow& window(WindowRef w) { return windows_.at(w); }
  bool exists(WindowRef w) const { return windows_.count(w) != 0; }

  // --- the hooks the desktop runs (wired by the test to the gate)
  std::function<Verdict(WindowRef)> onActivate;
  std::function<Verdict(WindowRef)> onRetitle;

  // --- what applications do
  // Activation: the CBT hook decides; on Pass the window becomes active.
  Verdict activate(WindowRef w);
  // SetWindowText: the title changes, then the WM_SETTEXT hook runs.
  Verdict retitle(WindowRef w, const std::string& title);
  WindowRef activeWindow() const { return active_; }

  // --- the world
  std::int32_t clock = 1700000000;
  // The process the windows belong to (unless marked otherProcess).
  std::uint32_t processId = 4242;
  // The kernel whose table mutex must never be held during a window-system
  // call; null: not watched.
  const FakeKernel* kernel = nullptr;
  ScriptedUser user;
  // Runs when a prompt has ended and before the check goes on.
  std::function<void()> afterPromptEnds;
  // The next prompt fails to open (DialogBoxParamA returns -1).
  bool promptFailsToOpen = false;

  // --- what happened
  struct ChallengeSent {
    WindowRef window;
    std::uint32_t t;
    std::uint32_t r;
  };
  std::vector<ChallengeSent> challenges;
  std::vector<PromptSeen> prompts;
  // Window-system calls made while this thread held the table mutex.
  std::vector<std::string> callsUnderTableMutex;
  // Verdicts of the activations that restore() caused.
  std::vector<Verdict> restoreActivations;
  int shutdowns = 0;

  // WindowSystem
  std::uint32_t processOf(WindowRef window) override;
  bool isChild(WindowRef window) override;
  WindowRef owner(WindowRef window) override;
  bool otherBitness(WindowRef window) override;
  void title(WindowRef window, char* buffer, int bufferLength) override;
  void className(WindowRef window, char* buffer, int bufferLength) override;
  bool challenge(WindowRef window, std::uint32_t t, std::uint32_t r, std::uint32_t& reply) override;
  void hide(WindowRef window) override;
  void showMinimizedNoActivate(WindowRef window) override;
  bool isActive(WindowRef window) override;
  void minimizeAndDeactivate(WindowRef window) override;
  void restore(WindowRef window) override;
  void setIconicThumbnail(WindowRef window, bool iconic) override;
  void postClose(WindowRef window) override;
  void shutdownComputer() override;
  std::int32_t now() override;
  int showLockPrompt(const PromptParam& param, DialogLogic& logic) override;

 private:
  WindowRef add(const std::string& title, const std::string& className, bool child);
  static void copyText(const std::string& text, char* buffer, int bufferLength);
  // Notes the call when the table mutex is held.
  void watch(const char* call);

  std::map<WindowRef, FakeWindow> windows_;
  WindowRef nextWindow_ = 0x100;
  WindowRef active_ = kNoWindow;
};

}  // namespace fakes
}  // namespace vk
