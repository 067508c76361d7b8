#include "tests/fakes/fake_wizard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vk {
namespace fakes {

// --- desktop

std::string FakeWindowPicker::name(WindowRef window) const {
  if (window == managerWindow) return "manager";
  if (window == frameHandle) return "frame";
  char text[32];
  std::snprintf(text, sizeof text, "%#llx", static_cast<unsigned long long>(window));
  return text;
}

WindowRef FakeWindowPicker::findManagerWindow() {
  log_.add("find manager window");
  return managerWindow;
}

bool FakeWindowPicker::isWindowVisible(WindowRef window) {
  return window == managerWindow && managerVisible;
}

void FakeWindowPicker::showWindow(WindowRef window, bool visible) {
  log_.add((visible ? "show " : "hide ") + name(window));
  if (window == managerWindow) managerVisible = visible;
}

void FakeWindowPicker::waitForUser(unsigned milliseconds) {
  log_.add("wait " + std::to_string(milliseconds));
  waits.push_back(milliseconds);
}

WindowRef FakeWindowPicker::foregroundWindow() {
  log_.add("take foreground");
  return foreground;
}

namespace {
// GetWindowTextA / GetClassNameA: at most size - 1 characters and the NUL.
void copyText(const std::string& text, char* buffer, int size) {
  if (size <= 0) return;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}
}  // namespace

void FakeWindowPicker::windowTitle(WindowRef window, char* buffer, int size) {
  log_.add("read title of " + name(window));
  auto it = windows.find(window);
  copyText(it == windows.end() ? std::string() : it->second.title, buffer, size);
}

void FakeWindowPicker::windowClass(WindowRef window, char* buffer, int size) {
  log_.add("read class of " + name(window));
  auto it = windows.find(window);
  copyText(it == windows.end() ? std::string() : it->second.className, buffer, size);
}

bool FakeWindowPicker::titleFitsCodePage(WindowRef window) {
  log_.add("check title of " + name(window));
  auto it = windows.find(window);
  if (it == windows.end() || it->second.wideTitle.empty()) return true;
  std::string readBack;  // the ANSI title as wide text again, in UTF-8
  for (const char c : it->second.title) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      readBack += c;
    } else {
      readBack += static_cast<char>(0xC0 | (b >> 6));
      readBack += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return readBack == it->second.wideTitle;
}

// --- pages

int FakeWizardPage::messageBox(const char* text, const char* caption, unsigned style) {
  if (hook_) hook_({text, caption, style});
  return FakeDialogView::messageBox(text, caption, style);
}

// --- the sheet

FakeWizard::FakeWizard(const std::vector<WizardPageLogic*>& pages, WizardFrame& frame)
    : pages_(pages), frame_(frame) {}

FakeWizardPage& FakeWizard::page(int resourceId) {
  std::unique_ptr<FakeWizardPage>& view = views_[resourceId];
  if (!view) view.reset(new FakeWizardPage(onMessageBox));
  return *view;
}

int FakeWizard::indexOf(int resourceId) const {
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i]->resourceId() == resourceId) return static_cast<int>(i);
  }
  return -1;
}

void FakeWizard::start(int startIndex) { show(startIndex); }

void FakeWizard::show(int index) {
  index_ = index;
  const int id = logic().resourceId();
  FakeWizardPage& view = page(id);
  if (!created(id)) {
    created_[id] = true;
    logic().onInit(view, frame_);
  }
  visited_.push_back(id);
  buttons_ = logic().onSetActive(view, frame_);
  buttonsSeen_[id] = buttons_;
}

int FakeWizard::current() const {
  return closed_ || index_ < 0 ? 0 : pages_[static_cast<std::size_t>(index_)]->resourceId();
}

// A page result: stay, the neighbour in sheet order, or the page it names.
void FakeWizard::move(int result, int step) {
  if (result == kPageStay) return;
  int target = index_ + step;
  if (result != kPageDefault) {
    target = indexOf(result);
    if (target < 0) {
      ++unknownTargets_;
      return;
    }
  }
  if (target < 0 || target >= static_cast<int>(pages_.size())) return;
  show(target);
}

bool FakeWizard::next() {
  if (closed_ || buttons_ == WizardButtons::BackFinish) return false;
  move(logic().onNext(page(current()), frame_), +1);
  return true;
}

bool FakeWizard::back() {
  if (closed_ || buttons_ == WizardButtons::NextOnly) return false;
  move(logic().onBack(page(current()), frame_), -1);
  return true;
}

bool FakeWizard::finish() {
  if (closed_ || buttons_ != WizardButtons::BackFinish) return false;
  if (logic().onFinish(page(current()), frame_)) {
    closed_ = true;
    finished_ = true;
  }
  return true;
}

bool FakeWizard::cancel() {
  if (closed_) return false;
  if (logic().onQueryCancel(page(current()), frame_)) closed_ = true;
  return true;
}

int FakeWizardRunner::run(const std::vector<WizardPageLogic*>& pages, int start,
                          WindowRef ownerWindow) {
  ++runs;
  startIndex = start;
  owner = ownerWindow;
  pageIds.clear();
  for (WizardPageLogic* page : pages) pageIds.push_back(page->resourceId());
  FakeWizard wizard(pages, frame_);
  wizard.onMessageBox = onMessageBox;
  wizard.start(start);
  if (!users.empty()) {
    User user = users.front();
    users.pop_front();
    if (user) user(wizard);
  }
  if (!wizard.closed()) wizard.cancel();
  return wizard.finished() ? 1 : 0;
}

}  // namespace fakes
}  // namespace vk
