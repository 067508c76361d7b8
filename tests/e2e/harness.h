// Helpers for the end-to-end tests: other processes, waiting on conditions,
// finding windows, screenshots. Test code only.
//
// Second processes come in two kinds:
//   - a child role: a function in this program, registered with
//     VK_E2E_CHILD_ROLE(name) { ... return exitCode; } and started with
//     spawnChild("name", {args}); the program runs it when started as
//     `vk_e2e_tests.exe --child name args...`;
//   - a helper program built from tests/e2e/apps/<name>.cpp, started with
//     spawnApp("name", {args}).
// A child reports through its exit code; the two sides meet through named
// events (Event) whose names the parent passes on the command line.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/handle.h"

namespace vk {
namespace e2e {

// ---- child roles -----------------------------------------------------------

using ChildArgs = std::vector<std::string>;
using ChildRole = int (*)(const ChildArgs& args);

bool registerChildRole(const char* name, ChildRole role);
// Runs `--child <role> args...`; the result is the process exit code.
int runChildRole(int argc, char** argv);

// Exit codes shared by child roles, so a failing test can say what went wrong.
enum ChildExit : int {
  ChildOk = 0,
  ChildBadArguments = 90,
  ChildUnknownRole = 91,
  ChildSignalMissed = 92,  // a named event the child waited on never came
};

#define VK_E2E_CHILD_ROLE(name)                                                        \
  static int vkChildRole_##name(const ::vk::e2e::ChildArgs& args);                      \
  [[maybe_unused]] static const bool vkChildRoleRegistered_##name =                     \
      ::vk::e2e::registerChildRole(#name, &vkChildRole_##name);                         \
  static int vkChildRole_##name(const ::vk::e2e::ChildArgs& args)

// ---- processes -------------------------------------------------------------

class Process {
 public:
  Process() = default;
  Process(win32::UniqueHandle process, win32::UniqueHandle thread, DWORD id);
  Process(Process&&) = default;
  Process& operator=(Process&& other) noexcept;
  // A process a test forgot (or failed before ending) is terminated, so no
  // stray holds a name into the next test.
  ~Process();

  bool started() const { return process_.valid(); }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }

  // Waits at most timeoutMs for the process to end. True when it ended; its
  // exit code goes to *exitCode.
  bool wait(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
  bool running() const { return started() && !wait(0); }
  // Ends it the hard way and waits for it to be gone.
  void terminate(UINT exitCode = 1);

 private:
  win32::UniqueHandle process_;
  win32::UniqueHandle thread_;
  DWORD id_ = 0;
};

// Folder of the running program, ending in a backslash. Helper programs and
// staged deliverables live there.
std::string programDir();
std::string siblingPath(const std::string& fileName);

Process spawn(const std::string& exePath, const std::vector<std::string>& args);
Process spawnChild(const std::string& role, const std::vector<std::string>& args);
Process spawnApp(const std::string& appName, const std::vector<std::string>& args);

// ---- waiting ---------------------------------------------------------------

// Polls until the predicate holds or deadlineMs have passed; true when it held.
// Keeps the thread's message queue pumped, so waiting never stalls a window
// of this process or a SendMessage aimed at it.
bool waitUntil(const std::function<bool()>& predicate, DWORD deadlineMs, DWORD pollMs = 10);

// A named manual-reset event shared by parent and child.
class Event {
 public:
  static Event create(const std::string& name);
  static Event open(const std::string& name);
  bool valid() const { return handle_.valid(); }
  bool signal() const;
  bool wait(DWORD timeoutMs) const;

 private:
  win32::UniqueHandle handle_;
};

// A name no other test or run uses: "vk-e2e-<pid>-<n>-<tag>".
std::string uniqueName(const char* tag);

// ---- windows ---------------------------------------------------------------

// Top-level windows of a process, in z-order.
std::vector<HWND> windowsOf(DWORD processId);
// First top-level window of the process whose class and title are exactly
// these; a null className or title matches any.
HWND findWindow(DWORD processId, const char* className, const char* title);
HWND waitForWindow(DWORD processId, const char* className, const char* title, DWORD deadlineMs);
std::string windowTitle(HWND w);
std::string windowClass(HWND w);
// The process's top-level windows for a failure message: each as
// ` [class "title" visible|hidden[ minimized]]`.
std::string describeWindowsOf(DWORD processId);

// ---- screenshots -----------------------------------------------------------

// True when VK_SHOT_DIR names a folder for screenshots (a Windows path, or a
// Unix path, which is reached through Wine's Z: drive). Wine does not pass
// VK_* variables on: tools/wine-env.sh's vk_wine hands it over as
// WINE_VK_SHOT_DIR, which is read too.
bool screenshotsEnabled();
// Saves the whole screen as <VK_SHOT_DIR>\<name>.bmp; a name may lead
// through folders of its own ("area\\shot"), which are made. Does nothing and
// returns false when screenshots are not enabled.
bool takeScreenshot(const std::string& name);

}  // namespace e2e
}  // namespace vk
