// The About box, dialog 106 "About Vantakey": the program icon, "Vantakey",
// "Version 2.0" and an OK button. Opened from the icon menu and from the
// manager window's menu; never twice at once.
#pragma once

#include "platform/dialog_runner.h"
#include "platform/dialog_view.h"
#include "platform/shell_platform.h"

namespace vk {

constexpr int kAboutDialogId = 106;
constexpr const char* kAboutCaption = "About Vantakey";

class AboutDialog final : public DialogLogic {
 public:
  // Leaves the default focus to the system.
  bool onInit(DialogView& view) override;
  // OK (1) and Cancel (2, also Esc and the close box) end it with their id.
  bool onCommand(DialogView& view, int id, int notifyCode) override;
};

// Shows the About box. When one is open already (the icon menu works while a
// modal dialog runs), that one is shown and brought to the front instead.
// From the manager window the box is owned by it (owner), from the icon menu
// it has none.
void openAbout(ShellPlatform& system, DialogRunner& runner, WindowRef owner);

}  // namespace vk
