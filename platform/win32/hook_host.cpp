#include "platform/win32/hook_host.h"

#include <string>
#include <utility>

#include "hookhost/host_command_line.h"
#include "platform/win32/beside_program.h"

namespace vk {
namespace win32 {
namespace {

// Wine takes about a second to start a process; Windows far less.
constexpr DWORD kReadyMs = 15000;
constexpr DWORD kStopMs = 3000;
constexpr DWORD kTerminateMs = 1000;

bool fileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::uint32_t valueOf(HANDLE h) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h)); }

// Waits for one of the objects, or the deadline, handling only messages sent
// to this thread meanwhile. On 64-bit Windows the manager's hooks are called
// on its own thread for every 32-bit thread's window events (the system
// routes them to the installing thread), the new 32-bit host's among them:
// a wait that handled no sent message could stall them. Posted messages stay
// queued for the message loop.
DWORD waitHandlingSentMessages(DWORD count, const HANDLE* objects, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= timeoutMs) return WAIT_TIMEOUT;
    const DWORD r = ::MsgWaitForMultipleObjects(count, objects, FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
    if (r != WAIT_OBJECT_0 + count) return r;
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

HookHostStart Win32HookHost::start() {
  stop();
  const std::string program = besideProgram(kHookHostProgram);
  const std::string library = besideProgram(kHookHostLibrary);
  if (program.empty() || !fileExists(program) || !fileExists(library)) {
    return HookHostStart::Missing;
  }
  // The host runs in its own folder.
  const std::string folder = program.substr(0, program.find_last_of("\\/") + 1);

  // Both handles are made inheritable for the host alone: the manager makes
  // no other inheritable handle, so the host inherits exactly these two.
  HANDLE self = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &self,
                         SYNCHRONIZE, TRUE, 0)) {
    return HookHostStart::Failed;
  }
  UniqueHandle manager(self);
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  UniqueHandle ready(::CreateEventA(&inheritable, TRUE, FALSE, nullptr));
  if (!ready) return HookHostStart::Failed;

  HookHostArguments arguments;
  arguments.managerProcess = valueOf(manager.get());
  arguments.readyEvent = valueOf(ready.get());
  std::string commandLine = "\"" + program + "\" " + formatHookHostArguments(arguments);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  if (!::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                        &startup, &created)) {
    return HookHostStart::Failed;
  }
  UniqueHandle process(created.hProcess);
  UniqueHandle thread(created.hThread);

  const HANDLE waits[2] = {ready.get(), process.get()};
  const DWORD r = waitHandlingSentMessages(2, waits, kReadyMs);
  if (r != WAIT_OBJECT_0) {
    // Ended early (another host, no library, no hooks) or never answered.
    if (r != WAIT_OBJECT_0 + 1) {
      ::TerminateProcess(process.get(), 1);
      ::WaitForSingleObject(process.get(), kTerminateMs);
    }
    return HookHostStart::Failed;
  }
  process_ = std::move(process);
  threadId_ = created.dwThreadId;
  return HookHostStart::Running;
}

bool Win32HookHost::running() {
  return process_.valid() && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void Win32HookHost::stop() {
  if (!process_) return;
  if (::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    // Its orderly end removes its hooks; killing it might leave them behind.
    ::PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    const HANDLE process = process_.get();
    if (waitHandlingSentMessages(1, &process, kStopMs) != WAIT_OBJECT_0) {
      ::TerminateProcess(process, 1);
      ::WaitForSingleObject(process, kTerminateMs);
    }
  }
  process_.reset();
  threadId_ = 0;
}

}  // namespace win32
}  // namespace vk
