// Modal dialogs run in memory. Each run gets WM_INITDIALOG, then the next
// queued user acts on it (types, presses buttons). A user who leaves the
// dialog open at the end closes it with Cancel, as Esc would.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialog_runner.h"
#include "tests/fakes/event_log.h"
#include "tests/fakes/fake_dialog_view.h"

namespace vk {
namespace fakes {

class RunningDialog : public FakeDialogView {
 public:
  explicit RunningDialog(DialogLogic& logic) : logic_(logic) {}

  void bringToForeground() override { ++foregroundCalls; }

  // What the user does.
  void type(int id, const std::string& text) { setItemText(id, text.c_str()); }
  bool press(int id) { return logic_.onCommand(*this, id, 0); }
  DialogLogic& logic() { return logic_; }

  int foregroundCalls = 0;

 private:
  DialogLogic& logic_;
};

struct DialogRun {
  int resourceId = 0;
  WindowRef owner = kNoWindow;
  int result = 0;
  bool initReturned = false;
  int foregroundCalls = 0;
  int focusAfterInit = 0;
  char passwordCharAfterInit = '\0';
  std::vector<MessageBoxShown> boxes;
};

class FakeDialogRunner : public DialogRunner {
 public:
  using User = std::function<void(RunningDialog&)>;

  int runModal(int resourceId, DialogLogic& logic, WindowRef owner) override;

  std::deque<User> users;  // one per run, in order
  bool failsToOpen = false;
  EventLog* log = nullptr;
  std::vector<DialogRun> runs;
};

}  // namespace fakes
}  // namespace vk
