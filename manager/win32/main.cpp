// vkmanager.exe: builds one Win32 adapter per port and runs the manager.
#include <windows.h>

#include "manager/resources/resource.h"
#include "manager/shell/about_dialog.h"
#include "manager/shell/manager_ports.h"
#include "manager/shell/manager_startup.h"
#include "manager/shell/manager_window.h"
#include "manager/shell/password_gate.h"
#include "manager/shell/tray_window.h"
#include "manager/win32/authoring_dialogs.h"
#include "manager/win32/password_dialogs.h"
#include "manager/win32/window_procedures.h"
#include "platform/win32/clock.h"
#include "platform/win32/database_files.h"
#include "platform/win32/dialog_runner.h"
#include "platform/win32/frame_window.h"
#include "platform/win32/hook_host.h"
#include "platform/win32/kernel_objects.h"
#include "platform/win32/list_control.h"
#include "platform/win32/message_box.h"
#include "platform/win32/property_sheet.h"
#include "platform/win32/shell.h"
#include "platform/win32/shell_platform.h"
#include "platform/win32/startup_entry.h"
#include "platform/win32/toolbar.h"
#include "platform/win32/window_picker.h"

// The resource script and the core name the same things.
static_assert(IDD_PASSWORD_GATE == vk::kPasswordGateDialogId, "gate dialog");
static_assert(IDC_GATE_PASSWORD == vk::kGatePasswordEditId, "gate edit");
static_assert(IDC_LOST_PASSWORD == vk::kLostPasswordButtonId, "lost password button");
static_assert(IDD_ABOUT == vk::kAboutDialogId, "About box");
static_assert(IDB_TOOLBAR == vk::kToolbarBitmapId, "toolbar strip");
static_assert(ID_ICON_OPEN_MANAGER == vk::kIconMenuOpenManager, "icon menu");
static_assert(ID_ICON_LOCK_ALL_NOW == vk::kIconMenuLockAllNow, "icon menu");
static_assert(ID_ABOUT == vk::kIconMenuAbout && ID_ABOUT == vk::kMenuAbout, "About command");
static_assert(ID_FILE_EXIT == vk::kMenuExit && ID_FILE_CLOSE == vk::kMenuClose, "File menu");
static_assert(ID_OPTIONS_PREFERENCES == vk::kMenuPreferences, "Options menu");
static_assert(ID_OPTIONS_CHANGE_PASSWORD == vk::kMenuChangePassword, "Options menu");
static_assert(ID_HELP_ONLINE == vk::kMenuOnlineHelp, "Help menu");

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState) {
  (void)previous;
  (void)commandLine;
  (void)showState;
  try {
    vk::win32::Win32ShellPlatform system(instance, vk::win32::trayWindowProcedure);
    vk::Win32KernelObjects kernel;
    vk::win32::Win32DatabaseFiles files;
    vk::win32::Win32MessageBoxes boxes;
    vk::win32::Win32DialogRunner dialogRunner(instance);
    vk::win32::Win32WizardRunner wizards(instance);
    vk::win32::Win32StartupEntry startup;
    vk::PasswordDialogs passwordDialogs(wizards, dialogRunner, startup);
    vk::win32::Win32WindowPicker picker;
    vk::win32::Win32Shell shell;
    vk::AuthoringDialogs dialogs(instance, passwordDialogs, wizards, picker, shell);
    vk::win32::Win32FrameWindow frame(instance, vk::win32::frameWindowProcedure);
    vk::win32::Win32Toolbar toolbar(frame);
    vk::win32::Win32ListControl list(frame);
    vk::win32::RuntimeClock clock;
    vk::win32::Win32HookHost hookHost;
    vk::ManagerPorts ports{system, kernel, files, boxes, dialogRunner, dialogs,
                           frame,  toolbar, list, clock, shell, hookHost};
    return vk::runManager(ports);
  } catch (...) {
    // Out of memory at start-up or in a window procedure's caller: nothing
    // sensible is left to do but end; the system removes hooks and icon.
    return 1;
  }
}
