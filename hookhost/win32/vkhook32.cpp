// vkhook32.exe: the 32-bit hook host. Windows loads a hook library only into
// processes of its own bitness, so the 64-bit manager starts this program to
// install vkgate32.dll's two procedures as system-wide hooks for 32-bit
// programs. It has no window and no user interface.
//
//   vkhook32.exe <manager process handle> <ready event handle>
//
// Both handles are inherited from the manager. The host takes the one-host
// mutex, loads vkgate32.dll from its own folder, installs WH_CBT ("export")
// and WH_CALLWNDPROCRET ("export2") for all threads, sets the ready event,
// and pumps messages: on 64-bit Windows the system calls these hooks on this
// thread for the threads of 64-bit programs, so it must keep answering. The
// library passes those calls on untouched; the 64-bit library inside the
// window's own process does the work.
//
// It removes its hooks and ends when the manager posts WM_QUIT to it, or at
// once when the manager's process ends for any reason: a killed manager never
// leaves 32-bit hooks behind.
#include <windows.h>

#include <string>

#include "hookhost/host_command_line.h"
#include "platform/win32/beside_program.h"
#include "platform/win32/handle.h"

namespace {

// A host of a manager that has just ended may still be removing its hooks.
constexpr DWORD kMutexWaitMs = 5000;

using vk::win32::UniqueHandle;
using vk::win32::UniqueHook;
using vk::win32::UniqueModule;

HANDLE handleOf(std::uint32_t value) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)); }

template <typename Procedure>
Procedure procedureOf(HMODULE module, const char* name) {
  return reinterpret_cast<Procedure>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// Pumps until WM_QUIT or the manager's process ends.
void pumpUntilAskedOrManagerGone(HANDLE manager) {
  for (;;) {
    const DWORD r = ::MsgWaitForMultipleObjects(1, &manager, FALSE, INFINITE, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) return;  // the manager ended, or the handle failed
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return;
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
}

int runHost(const vk::HookHostArguments& arguments) {
  const HANDLE manager = handleOf(arguments.managerProcess);
  UniqueHandle ready(handleOf(arguments.readyEvent));

  UniqueHandle mutex(::CreateMutexA(nullptr, FALSE, vk::kHookHostMutexName));
  if (!mutex) return vk::HostAlreadyRunning;
  const HANDLE waits[2] = {mutex.get(), manager};
  const DWORD owned = ::WaitForMultipleObjects(2, waits, FALSE, kMutexWaitMs);
  if (owned == WAIT_OBJECT_0 + 1) return vk::HostEnded;  // the manager is gone already
  if (owned != WAIT_OBJECT_0 && owned != WAIT_ABANDONED_0) {
    // Another host keeps it, or the handles were not what a manager hands over.
    return owned == WAIT_TIMEOUT ? vk::HostAlreadyRunning : vk::HostBadArguments;
  }

  int exitCode = vk::HostEnded;
  {
    // The thread's message queue exists before anyone is told to post to it.
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);

    const std::string path = vk::win32::besideProgram(vk::kHookHostLibrary);
    UniqueModule library(path.empty() ? nullptr : ::LoadLibraryA(path.c_str()));
    HOOKPROC cbt = library ? procedureOf<HOOKPROC>(library.get(), "export") : nullptr;
    HOOKPROC callWndRet = library ? procedureOf<HOOKPROC>(library.get(), "export2") : nullptr;
    if (cbt == nullptr || callWndRet == nullptr) {
      exitCode = vk::HostLibraryMissing;
    } else {
      UniqueHook cbtHook(::SetWindowsHookExA(WH_CBT, cbt, library.get(), 0));
      UniqueHook callWndRetHook(::SetWindowsHookExA(WH_CALLWNDPROCRET, callWndRet, library.get(), 0));
      if (!cbtHook || !callWndRetHook) {
        exitCode = vk::HostHooksFailed;
      } else {
        ::SetEvent(ready.get());
        ready.reset();
        pumpUntilAskedOrManagerGone(manager);
      }
      // The hooks go here, before the library is freed.
    }
  }
  ::ReleaseMutex(mutex.get());
  return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState) {
  (void)instance;
  (void)previous;
  (void)showState;
  vk::HookHostArguments arguments;
  if (!vk::parseHookHostArguments(commandLine, arguments)) return vk::HostBadArguments;
  const int exitCode = runHost(arguments);
  ::CloseHandle(handleOf(arguments.managerProcess));
  return exitCode;
}
