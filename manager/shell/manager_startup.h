// The manager program from its entry point to its exit code.
//
// Start-up, in order:
//   1  a running copy (its tray window exists): show its manager window when
//      that is visible, else ask it to open the manager the way a double-click
//      on its icon does (so the system password is asked); exit 0
//   2  mutexes "Vantak" (TableMutex) and "Vantakey"; when "Vantakey" existed
//      already, another copy is still starting (for instance in its first-run
//      wizard): exit 0 at once, touching nothing shared
//   3  register as a service process where the system offers it
//   4  common controls (list view)
//   5  load vkgate.dll and find its two hook procedures
//   6  settings to their start values
//   7  raw view of the section; 8 reset of the table header through it
//   9  ManagerTableView; when either view is missing: say so, release, exit 1
//   10 SystemPasswordDigest zero
//   11 load "vk2.dat"; when there is none: import "vk.dat", first-run
//      wizard, save; when it is there but cannot be read (held open by
//      another program, access denied, a read error): say so, release,
//      exit 2, leaving the file as it is
//   12 no system password yet: import, first-run wizard, save, again
//   13 tray window; 14 tray icon, and the tray window registered for
//      session notifications (workstation locked, disconnected)
//      then the 32-bit hook host (hook_host_keeper.h); when it cannot be
//      started the icon's tip says so, unless it already tells of a graver
//      problem
//   15 the two system-wide hooks, their handles into the table header; when
//      the library is missing both handles stay 0; a hook that could not be
//      installed stays 0 and the other one is kept. Whenever the host is
//      started again later, the installed hooks are installed once more, on
//      top of the host's
//   16 tray timer; 17 manager window, hidden
//      then, when the library, a hook or the hook host is missing, the user
//      is told once in a message box (the icon's tip says so from step 14
//      on, or from 15)
//   18 message loop
// Shutdown, in order: hook host stopped and hooks removed, database saved, icon removed (at a
// log-off with ShutDownAtLogOff, these inside the log-off message, since
// the process may end when it is answered), TableMutex closed, session
// notifications unregistered, tray window destroyed, ManagerTableView closed, library freed, raw view closed, and the
// instance mutex last; the quit message's code is returned.
#pragma once

#include "manager/shell/manager_ports.h"

namespace vk {

// The "Vantakey" mutex marks a manager that has started; nothing waits on it.
constexpr const char* kInstanceMutexName = "Vantakey";

constexpr const char* kSectionFailedText =
    "Vantakey could not set up the shared lock table it needs, so it cannot protect any "
    "window.\n\nPlease restart your computer and start Vantakey again.";
constexpr const char* kSectionFailedCaption = "Vantakey Error";
// Exit code of a start-up that could not set up the shared table.
constexpr int kExitSectionFailed = 1;
// Exit code of a start-up that found "vk2.dat" but could not read it.
constexpr int kExitDatabaseUnreadable = 2;

constexpr const char* kGateLibraryMissingText =
    "Vantakey could not load its protection library vkgate.dll, so no window is protected in "
    "this session.";
constexpr const char* kHooksFailedText =
    "Vantakey could not install its window hooks, so no window is protected in this session.";
constexpr const char* kHookPartlyFailedText =
    "Vantakey could not install one of its window hooks, so windows are not fully protected in "
    "this session.";
constexpr const char* kNotProtectingCaption = "Vantakey Error";
constexpr const char* kGateLibraryMissingTip = "Vantakey - NOT protecting (vkgate.dll missing)";
constexpr const char* kHooksFailedTip = "Vantakey - NOT protecting (hooks failed)";
constexpr const char* kHookPartlyFailedTip = "Vantakey - NOT fully protecting (hook failed)";

// Runs the whole program: start-up, the message loop, shutdown. Returns 0
// from a second copy, kExitSectionFailed when the shared table could not be
// set up, kExitDatabaseUnreadable when "vk2.dat" could not be read, and
// otherwise the quit message's exit code.
int runManager(ManagerPorts& ports);

}  // namespace vk
