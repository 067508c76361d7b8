// The Options dialog, resource 154 "Options": whether the manager starts with
// Windows (the start-up entry) and whether it shuts itself down when the user
// logs off (ShutDownAtLogOff, kept in the database file). Opened from the
// manager window's "&Edit Preferences..." only.
//
// Resource 154 (170 x 69 dialog units, "MS Shell Dlg" 8, WS_POPUP |
// WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SHELLFONT):
//   1057 automatic check box, tab stop, 7 7 156 11
//        "&Start Vantakey when Windows Starts"
//   1058 automatic check box, tab stop, 7 20 153 12
//        "S&hut down Vantakey when users log off"
//   1 (IDOK) default push button 60 48 50 14 "OK"
//   2 (IDCANCEL) push button 113 48 50 14 "Cancel"
#pragma once

#include "manager/store/manager_store.h"
#include "platform/dialog_runner.h"
#include "platform/dialog_view.h"
#include "platform/startup_entry.h"

namespace vk {

constexpr int kOptionsDialogId = 154;
constexpr int kIdStartWithWindowsCheck = 1057;
constexpr int kIdShutDownAtLogOffCheck = 1058;
// End codes: a confirmed OK, and Cancel (also Esc and the close box).
constexpr int kOptionsConfirmed = 123;
constexpr int kOptionsCancelled = 0;

constexpr const char* kOptionsCaption = "Options";
// Other failures of the start-up entry stay silent (removing a value that is
// not there is no failure the user cares about), but a checked box that did
// nothing must not pass for success.
constexpr const char* kStartupEntryFailedText =
    "Vantakey could not set itself to start with Windows. Changing this setting needs "
    "administrator rights.";

class OptionsDialog final : public DialogLogic {
 public:
  OptionsDialog(ManagerStore& store, StartupEntry& startup) : store_(store), startup_(startup) {}

  // Checks 1057 when the entry exists and 1058 when ShutDownAtLogOff is set.
  bool onInit(DialogView& view) override;
  // OK: ShutDownAtLogOff from 1058; the entry set (1057 checked; a failure
  // shows kStartupEntryFailedText owned by the dialog, caption "Options",
  // warning icon) or removed (silently); the database saved (a failed save
  // is reported by the store); ends with 123.
  // Cancel: ends with 0, nothing changed.
  bool onCommand(DialogView& view, int id, int notifyCode) override;

 private:
  ManagerStore& store_;
  StartupEntry& startup_;
};

// Menu command "&Edit Preferences...": the dialog, run modally by `runner`
// (template 154 of the manager's own module), owned by `owner`.
void runOptionsDialog(ManagerStore& store, StartupEntry& startup, DialogRunner& runner,
                      WindowRef owner);

}  // namespace vk
