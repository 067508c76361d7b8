// The manager window's frame and toolbar in memory: visibility, the boxes it
// showed (with queued answers), the toolbar's buttons and their states, and
// where the children were placed.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/frame_window.h"
#include "platform/toolbar.h"
#include "tests/fakes/fake_dialog_view.h"

namespace vk {
namespace fakes {

struct PlacedRect {
  int x = -1;
  int y = -1;
  int width = -1;
  int height = -1;
};

class FakeFrameWindow : public FrameWindow {
 public:
  bool create(FrameWindowEvents& events) override;
  bool exists() override { return created_; }
  WindowRef window() override { return created_ ? handle : kNoWindow; }
  bool isVisible() override { return created_ && visible; }
  void hide() override;
  void showNormalAndActivate() override;
  ClientSize clientSize() override { return client; }
  void startRefreshTimer() override { ++refreshTimersStarted; }
  int messageBox(const char* text, const char* caption, unsigned style) override;

  // The user's answer to the next box; IDOK when none is queued.
  void answerNextMessageBox(int button) { answers_.push_back(button); }

  WindowRef handle = 0x4000;
  bool createFails = false;
  bool visible = false;
  bool minimized = false;  // still visible; showNormalAndActivate restores it
  ClientSize client{484, 262};

  FrameWindowEvents* events = nullptr;
  int createCalls = 0;
  int refreshTimersStarted = 0;
  int activations = 0;  // showNormalAndActivate calls
  std::vector<MessageBoxShown> boxes;
  // Runs when a box comes up, e.g. to check which mutexes are held then.
  std::function<void(const MessageBoxShown&)> onMessageBox;

 private:
  bool created_ = false;
  std::deque<int> answers_;
};

class FakeToolbar : public Toolbar {
 public:
  struct Entry {
    int commandId;  // -1 for a separator
    int image;
    std::string text;
  };

  bool create() override;
  bool addButton(int commandId, int image, const char* text) override;
  void addSeparator() override;
  void enableButton(int commandId, bool on) override;
  int height() override { return heightPixels; }
  void place(int x, int y, int width, int height) override;
  void show() override { shown = true; }

  // Buttons start enabled, as TBSTATE_ENABLED adds them.
  bool enabled(int commandId) const;

  bool createFails = false;
  bool buttonsFail = false;
  int heightPixels = 42;

  bool created = false;
  bool shown = false;
  std::vector<Entry> entries;
  PlacedRect placed;

 private:
  std::map<int, bool> enabled_;
};

}  // namespace fakes
}  // namespace vk
