#include "tests/fakes/fake_desktop.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vk {
namespace fakes {

ScriptedUser& ScriptedUser::types(const std::string& text) {
  UserStep s;
  s.kind = UserStep::Type;
  s.text = text;
  steps_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::pressesOk() {
  UserStep s;
  s.kind = UserStep::PressOk;
  steps_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::pressesCancel() {
  UserStep s;
  s.kind = UserStep::PressCancel;
  steps_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::waitsForTimer() {
  UserStep s;
  s.kind = UserStep::TimerTick;
  steps_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::meanwhile(std::function<void()> action) {
  UserStep s;
  s.kind = UserStep::Run;
  s.run = std::move(action);
  steps_.push_back(std::move(s));
  return *this;
}

UserStep ScriptedUser::next() {
  UserStep s = std::move(steps_.front());
  steps_.pop_front();
  return s;
}

WindowRef FakeDesktop::add(const std::string& title, const std::string& className, bool child) {
  const WindowRef w = nextWindow_;
  nextWindow_ += 0x10;
  FakeWindow fw;
  fw.title = title;
  fw.className = className;
  fw.child = child;
  windows_[w] = fw;
  return w;
}

WindowRef FakeDesktop::addWindow(const std::string& title, const std::string& className) {
  return add(title, className, false);
}

WindowRef FakeDesktop::addChildWindow(const std::string& title, const std::string& className) {
  return add(title, className, true);
}

WindowRef FakeDesktop::addOwnedWindow(const std::string& title, WindowRef owner,
                                      const std::string& className) {
  const WindowRef w = add(title, className, false);
  windows_.at(w).owner = owner;
  return w;
}

void FakeDesktop::watch(const char* call) {
  if (kernel != nullptr && kernel->ourOwnership(kTableMutexName) > 0) {
    callsUnderTableMutex.push_back(call);
  }
}

Verdict FakeDesktop::activate(WindowRef w) {
  const Verdict v = onActivate ? onActivate(w) : Verdict::Pass;
  if (v == Verdict::Pass) active_ = w;
  return v;
}

Verdict FakeDesktop::retitle(WindowRef w, const std::string& title) {
  windows_.at(w).title = title;
  return onRetitle ? onRetitle(w) : Verdict::Pass;
}

void FakeDesktop::copyText(const std::string& text, char* buffer, int bufferLength) {
  if (bufferLength <= 0) return;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(bufferLength - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

std::uint32_t FakeDesktop::processOf(WindowRef window) {
  watch("processOf");
  auto it = windows_.find(window);
  if (it == windows_.end()) return 0;
  return it->second.otherProcess ? processId + 1 : processId;
}

WindowRef FakeDesktop::owner(WindowRef window) {
  watch("owner");
  auto it = windows_.find(window);
  return it == windows_.end() ? kNoWindow : it->second.owner;
}

bool FakeDesktop::otherBitness(WindowRef window) {
  watch("otherBitness");
  auto it = windows_.find(window);
  return it != windows_.end() && it->second.otherProcess && it->second.otherBitness;
}

bool FakeDesktop::isChild(WindowRef window) {
  watch("isChild");
  auto it = windows_.find(window);
  return it != windows_.end() && it->second.child;
}

void FakeDesktop::title(WindowRef window, char* buffer, int bufferLength) {
  watch("title");
  auto it = windows_.find(window);
  copyText(it == windows_.end() ? std::string() : it->second.title, buffer, bufferLength);
}

void FakeDesktop::className(WindowRef window, char* buffer, int bufferLength) {
  watch("className");
  auto it = windows_.find(window);
  copyText(it == windows_.end() ? std::string() : it->second.className, buffer, bufferLength);
}

bool FakeDesktop::challenge(WindowRef window, std::uint32_t t, std::uint32_t r, std::uint32_t& reply) {
  watch("challenge");
  challenges.push_back({window, t, r});
  auto it = windows_.find(window);
  if (it == windows_.end() || it->second.challengeSendFails) return false;
  if (it->second.whenChallenged) {
    const std::function<void()> run = it->second.whenChallenged;  // it may clear itself
    run();
    it = windows_.find(window);
    if (it == windows_.end()) return false;
  }
  FakeWindow& w = it->second;
  if (w.dialog != nullptr) {
    reply = w.dialog->answersChallenge() ? w.dialog->onChallenge(t, r) : 0;
  } else if (w.answersChallenge) {
    reply = challengeAnswer(t, r);
  } else if (w.answersWrongly) {
    reply = challengeAnswer(t, r) + 1;
  } else {
    reply = 0;  // DefWindowProc knows nothing of the message
  }
  return true;
}

void FakeDesktop::hide(WindowRef window) {
  watch("hide");
  FakeWindow& w = windows_.at(window);
  w.visibility = Visibility::Hidden;
  w.commands.push_back(WindowCommand::Hide);
  if (active_ == window) active_ = kNoWindow;  // a hidden window is never active
}

bool FakeDesktop::isActive(WindowRef window) {
  watch("isActive");
  return window != kNoWindow && active_ == window;
}

void FakeDesktop::minimizeAndDeactivate(WindowRef window) {
  watch("minimizeAndDeactivate");
  FakeWindow& w = windows_.at(window);
  w.visibility = Visibility::Minimized;
  w.commands.push_back(WindowCommand::MinimizeAndDeactivate);
  if (active_ == window) active_ = kNoWindow;
}

void FakeDesktop::showMinimizedNoActivate(WindowRef window) {
  watch("showMinimizedNoActivate");
  FakeWindow& w = windows_.at(window);
  w.visibility = Visibility::Minimized;
  w.commands.push_back(WindowCommand::MinimizeNoActivate);
}

void FakeDesktop::restore(WindowRef window) {
  watch("restore");
  FakeWindow& w = windows_.at(window);
  w.visibility = Visibility::Normal;
  w.commands.push_back(WindowCommand::Restore);
  // SetActiveWindow activates it again, which runs the hooks once more.
  restoreActivations.push_back(activate(window));
}

void FakeDesktop::setIconicThumbnail(WindowRef window, bool iconic) {
  FakeWindow& w = windows_.at(window);
  w.iconicThumbnail = iconic;
  ++w.thumbnailChanges;
}

void FakeDesktop::postClose(WindowRef window) {
  watch("postClose");
  FakeWindow& w = windows_.at(window);
  ++w.closeRequests;
  w.commands.push_back(WindowCommand::PostClose);
}

void FakeDesktop::shutdownComputer() {
  watch("shutdownComputer");
  ++shutdowns;
}

std::int32_t FakeDesktop::now() {
  watch("now");
  return clock;
}

int FakeDesktop::showLockPrompt(const PromptParam& param, DialogLogic& logic) {
  watch("showLockPrompt");
  if (promptFailsToOpen) {
    promptFailsToOpen = false;
    return -1;
  }
  PromptSeen seen;
  seen.recordIndex = param.recordIndex;
  seen.guarded = param.window;
  seen.title = param.title != nullptr ? param.title : "";
  if (exists(param.window)) seen.guardedThumbnailIconic = windows_.at(param.window).iconicThumbnail;

  FakeDialogView view;
  const WindowRef promptWindow = add("", "#32770", false);
  windows_.at(promptWindow).dialog = &logic;
  seen.promptWindow = promptWindow;

  // A message box of the prompt is a window of its own, owned by the prompt:
  // captioned and activated through the hooks while it is up.
  view.whileBoxIsUp = [this, &seen, promptWindow](const MessageBoxShown& box) {
    BoxSeen b;
    b.caption = box.caption;
    b.window = addOwnedWindow("", promptWindow);
    b.retitleVerdict = retitle(b.window, box.caption);
    b.activateVerdict = activate(b.window);
    b.commands = windows_.at(b.window).commands;
    windows_.erase(b.window);
    if (active_ == b.window) active_ = promptWindow;
    seen.boxes.push_back(b);
  };
  logic.onInit(view);
  seen.caption = view.caption();
  seen.passwordChar = view.passwordChar(view.focus());
  seen.focusAfterInit = view.focus();
  // Setting the caption is a WM_SETTEXT, then the dialog comes up active.
  seen.retitleVerdict = retitle(promptWindow, view.caption());
  seen.activateVerdict = activate(promptWindow);

  while (!view.ended()) {
    if (!user.hasSteps()) {
      seen.scriptRanDry = true;
      logic.onCommand(view, kIdCancel, kButtonClicked);
      break;
    }
    UserStep step = user.next();
    switch (step.kind) {
      case UserStep::Type:
        view.setItemText(view.focus(), step.text.c_str());
        break;
      case UserStep::PressOk:
        logic.onCommand(view, kIdOk, kButtonClicked);
        break;
      case UserStep::PressCancel:
        logic.onCommand(view, kIdCancel, kButtonClicked);
        break;
      case UserStep::TimerTick:
        for (const TimerStarted& timer : view.timers()) logic.onTimer(view, timer.id);
        break;
      case UserStep::Run:
        step.run();
        break;
    }
  }

  seen.beeps = view.beeps();
  seen.timers = view.timers();
  seen.messageBoxes = view.messageBoxes();
  seen.editTextAtEnd = view.itemText(seen.focusAfterInit);
  seen.focusAtEnd = view.focus();
  seen.result = view.result();
  windows_.erase(promptWindow);
  if (active_ == promptWindow) active_ = kNoWindow;
  prompts.push_back(seen);
  if (afterPromptEnds) {
    auto hook = std::move(afterPromptEnds);
    afterPromptEnds = nullptr;
    hook();
  }
  return seen.result;
}

}  // namespace fakes
}  // namespace vk
