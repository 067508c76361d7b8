// Everything the manager program's logic acts through. The Win32 entry point
// builds one adapter per port and hands them all to runManager; the unit
// tests hand in fakes.
#pragma once

#include "manager/shell/manager_dialogs.h"
#include "platform/clock.h"
#include "platform/database_files.h"
#include "platform/dialog_runner.h"
#include "platform/frame_window.h"
#include "platform/hook_host.h"
#include "platform/kernel_objects.h"
#include "platform/list_control.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "platform/shell_platform.h"
#include "platform/toolbar.h"

namespace vk {

struct ManagerPorts {
  ShellPlatform& system;        // single instance, hooks, tray icon, message loop
  KernelObjects& kernel;        // "Vantak" and the "vantakey" section (both views)
  DatabaseFiles& files;         // "vk2.dat", "vk.dat"
  MessageBoxes& messageBoxes;   // boxes with no owner window
  DialogRunner& dialogRunner;   // dialogs 101 (password gate) and 106 (About)
  ManagerDialogs& dialogs;      // wizards and dialogs of the other folders
  FrameWindow& frame;           // the manager window
  Toolbar& toolbar;             // its toolbar
  ListControl& list;            // its lock list
  Clock& clock;                 // time()
  Shell& shell;                 // help pages
  HookHost& hookHost;           // vkhook32.exe, the 32-bit programs' hooks
};

}  // namespace vk
