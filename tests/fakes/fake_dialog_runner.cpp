#include "tests/fakes/fake_dialog_runner.h"

namespace vk {
namespace fakes {

int FakeDialogRunner::runModal(int resourceId, DialogLogic& logic, WindowRef owner) {
  if (log != nullptr) log->add("dialog " + std::to_string(resourceId));
  if (failsToOpen) return -1;
  RunningDialog view(logic);
  DialogRun run;
  run.resourceId = resourceId;
  run.owner = owner;
  run.initReturned = logic.onInit(view);
  run.focusAfterInit = view.focus();
  run.passwordCharAfterInit = view.passwordChar(view.focus());
  if (!users.empty()) {
    User user = users.front();
    users.pop_front();
    user(view);
  }
  if (!view.ended()) view.press(kIdCancel);
  run.result = view.ended() ? view.result() : 0;
  run.foregroundCalls = view.foregroundCalls;
  run.boxes = view.messageBoxes();
  runs.push_back(run);
  return run.result;
}

}  // namespace fakes
}  // namespace vk
