#include "tests/fakes/fake_frame_window.h"

namespace vk {
namespace fakes {

bool FakeFrameWindow::create(FrameWindowEvents& frameEvents) {
  ++createCalls;
  if (createFails) return false;
  created_ = true;
  events = &frameEvents;
  return true;
}

void FakeFrameWindow::hide() { visible = false; }

void FakeFrameWindow::showNormalAndActivate() {
  if (!created_) return;
  visible = true;
  minimized = false;
  ++activations;
}

int FakeFrameWindow::messageBox(const char* text, const char* caption, unsigned style) {
  boxes.push_back({text, caption, style});
  if (onMessageBox) onMessageBox(boxes.back());
  if (answers_.empty()) return kIdOk;
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

bool FakeToolbar::create() {
  if (createFails) return false;
  created = true;
  return true;
}

bool FakeToolbar::addButton(int commandId, int image, const char* text) {
  if (buttonsFail) return false;
  entries.push_back({commandId, image, text});
  enabled_[commandId] = true;
  return true;
}

void FakeToolbar::addSeparator() { entries.push_back({-1, -1, std::string()}); }

void FakeToolbar::enableButton(int commandId, bool on) {
  if (enabled_.count(commandId) != 0) enabled_[commandId] = on;
}

void FakeToolbar::place(int x, int y, int width, int height) { placed = {x, y, width, height}; }

bool FakeToolbar::enabled(int commandId) const {
  auto it = enabled_.find(commandId);
  return it != enabled_.end() && it->second;
}

}  // namespace fakes
}  // namespace vk
