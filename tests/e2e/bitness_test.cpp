// 32-bit programs under the real vkmanager.exe: its 32-bit hook host,
// vkhook32.exe, installs vkgate32.dll system-wide, and a 32-bit program's
// window of a locked title is prompted in its own process exactly as a
// 64-bit one is. Targets: guarded_window32.exe (tests/e2e/apps built for
// i686) and Wine's own 32-bit notepad from the SysWOW64 folder.
//
// Wine runs every hook of a chain in the process itself and ends the chain
// at the first hook library it cannot load there (one of the other
// bitness); Windows runs such a hook in its installer's thread instead. The
// manager's own hooks are the newest, so under Wine a manager with both
// libraries guards 64-bit programs only. The 32-bit path is therefore shown
// with the real manager run without vkgate.dll beside it (only its host
// installs hooks), and one lock table serving both bitnesses by a test that
// plays the manager and lets each library guard in turn.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/password_digest.h"
#include "harness.h"
#include "product.h"

namespace vk {
namespace {

using e2e::FileLock;
using e2e::kAppearMs;
using e2e::kDialogClass;
using e2e::kGuardedClass;
using e2e::kSettleMs;
using e2e::Process;

constexpr UINT kRetitleRequest = WM_APP + 1;
constexpr DWORD kExitClosedByRequest = 10;
constexpr const char* kPassword = "open sesame";
constexpr const char* kLockedTitle = "vk 32-bit window";
constexpr const char* kHarmlessTitle = "vk harmless 32-bit window";
constexpr const char* kInvalidPasswordCaption = "Invalid Password";
constexpr const char* kHostProgram = "vkhook32.exe";
constexpr const char* kNotepadTitle = "Untitled - Notepad";
constexpr const char* kNotepadClass = "Notepad";
// The manager looks at its host at every tick of its 5-second tray timer.
constexpr DWORD kHostRestartMs = 5000 + kAppearMs;
// How long a check that something does NOT happen looks.
constexpr DWORD kQuietMs = 1500;

FileLock lockOn(const char* title, std::uint16_t action = DenyAccess, std::uint16_t maxTries = 3) {
  FileLock l;
  l.title = title;
  l.digest = digestOf(kPassword);
  l.action = action;
  l.maxTries = maxTries;
  l.relockSeconds = 600;
  return l;
}

// Ids of the running processes of this program file name.
std::vector<DWORD> processesNamed(const char* exe) {
  std::vector<DWORD> ids;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry)) {
    if (::lstrcmpiA(entry.szExeFile, exe) == 0) ids.push_back(entry.th32ProcessID);
  }
  ::CloseHandle(snapshot);
  return ids;
}

bool isProcess32Bit(DWORD id) {
  win32::UniqueHandle p(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  BOOL wow64 = FALSE;
  return p.valid() && ::IsWow64Process(p.get(), &wow64) && wow64;
}

bool shownNormally(HWND w) { return ::IsWindowVisible(w) && !::IsIconic(w); }

class Guard32Test : public e2e::ManagerSession {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ManagerSession::SetUp());
    ASSERT_NO_FATAL_FAILURE(runWithout64BitLibrary());
  }

  std::vector<Process*> helperProcesses() override {
    std::vector<Process*> all;
    for (auto& p : processes_) all.push_back(p.get());
    return all;
  }

  Process& start(Process p) {
    processes_.push_back(std::make_unique<Process>(std::move(p)));
    EXPECT_TRUE(processes_.back()->started());
    return *processes_.back();
  }
  Process& start32(const std::vector<std::string>& args) { return start(e2e::spawnApp("guarded_window32", args)); }
  Process& start64(const std::vector<std::string>& args) { return start(e2e::spawnApp("guarded_window", args)); }

  // Wine's 32-bit notepad, from the 32-bit system folder.
  Process& startNotepad32() {
    char dir[MAX_PATH];
    const UINT n = ::GetSystemWow64DirectoryA(dir, MAX_PATH);
    EXPECT_GT(n, 0u) << "no SysWOW64 folder: Wine's 32-bit part (wine32) is not installed";
    return start(e2e::spawn(std::string(dir, n) + "\\notepad.exe", {}));
  }

  // The manager and its one host, running.
  void startManagerWithHost() {
    ASSERT_NO_FATAL_FAILURE(startManager());
    std::vector<DWORD> hosts;
    ASSERT_TRUE(e2e::waitUntil([&] { return (hosts = processesNamed(kHostProgram)).size() == 1; }, kSettleMs))
        << hosts.size() << " hook hosts";
    host_ = hosts[0];
    EXPECT_TRUE(isProcess32Bit(host_));
  }

  // Kills the running host, as a user or a crash would.
  void killHost() {
    win32::UniqueHandle host(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, host_));
    ASSERT_TRUE(host.valid());
    ASSERT_TRUE(::TerminateProcess(host.get(), 9));
    ASSERT_EQ(::WaitForSingleObject(host.get(), kSettleMs), WAIT_OBJECT_0);
  }

  // True once the manager runs one host again, other than the one killed.
  bool hostStartedAgain() {
    return e2e::waitUntil(
        [&] {
          const std::vector<DWORD> hosts = processesNamed(kHostProgram);
          return hosts.size() == 1 && hosts[0] != host_;
        },
        kHostRestartMs);
  }

  static HWND windowOf(const Process& app, const char* className = kGuardedClass) {
    return e2e::waitForWindow(app.id(), className, nullptr, kAppearMs);
  }
  static HWND dialogOf(const Process& app) { return e2e::findWindow(app.id(), kDialogClass, nullptr); }

  // No prompt for the window: it is shown and becomes the foreground window.
  static void expectOpensUntouched(const Process& app, HWND w) {
    EXPECT_TRUE(e2e::waitUntil([&] { return shownNormally(w) && ::GetForegroundWindow() == w; }, kAppearMs))
        << e2e::describeWindowsOf(app.id());
    EXPECT_FALSE(e2e::waitUntil([&] { return dialogOf(app) != nullptr; }, kQuietMs))
        << "a prompt came up: " << e2e::describeWindowsOf(app.id());
  }

  // The prompt in the window's own process, with the window hidden behind it.
  static HWND promptedIn(const Process& app, HWND w, const char* title) {
    HWND prompt = e2e::waitForPrompt(app.id(), title);
    EXPECT_NE(prompt, nullptr) << "no prompt in the program's own process: " << e2e::describeWindowsOf(app.id());
    if (prompt == nullptr) return nullptr;
    EXPECT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(w); }, kSettleMs)) << "not hidden behind its prompt";
    return prompt;
  }

  // A wrong password: "Invalid Password" in the program's process, then the prompt again.
  void wrongPassword(const Process& app, HWND prompt) {
    e2e::enterPassword(prompt, "not the password");
    HWND box = e2e::waitForPrompt(app.id(), kInvalidPasswordCaption);
    ASSERT_NE(box, nullptr) << "no \"Invalid Password\" box in the program's process";
    e2e::pressButton(box, IDOK);
    ASSERT_TRUE(e2e::gone(box));
    EXPECT_TRUE(::IsWindow(prompt));
  }

  std::vector<std::unique_ptr<Process>> processes_;
  DWORD host_ = 0;
};

// ---- a 32-bit program's window through the whole path ------------------------------------

TEST_F(Guard32Test, AThirtyTwoBitWindowIsPromptedInItsOwnProcessAndOpensWithTheRightPassword) {
  writeDatabase({lockOn(kLockedTitle)});
  ASSERT_NO_FATAL_FAILURE(startManagerWithHost());
  Process& app = start32({"--title", kLockedTitle});
  ASSERT_TRUE(isProcess32Bit(app.id()));
  HWND w = windowOf(app);
  ASSERT_NE(w, nullptr);
  HWND prompt = promptedIn(app, w, kLockedTitle);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(record(0).promptBusy, 1);

  ASSERT_NO_FATAL_FAILURE(wrongPassword(app, prompt));
  EXPECT_EQ(record(0).failedTries, 1);
  e2e::enterPassword(prompt, kPassword);
  ASSERT_TRUE(e2e::gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return shownNormally(w); }, kSettleMs));
  const LockRecord open = record(0);
  EXPECT_NE(open.unlockedAt, 0) << "the re-lock period is open";
  EXPECT_EQ(open.promptBusy, 0);
  EXPECT_EQ(open.failedTries, 0);
}

// The tries run out: the lock's action, carried out in the 32-bit process.
class SpentTries32 : public Guard32Test, public testing::WithParamInterface<LockAction> {};

TEST_P(SpentTries32, CarryOutTheLocksAction) {
  writeDatabase({lockOn(kLockedTitle, GetParam(), 1)});
  ASSERT_NO_FATAL_FAILURE(startManagerWithHost());
  Process& app = start32({"--title", kLockedTitle});
  HWND w = windowOf(app);
  ASSERT_NE(w, nullptr);
  HWND prompt = promptedIn(app, w, kLockedTitle);
  ASSERT_NE(prompt, nullptr);

  e2e::enterPassword(prompt, "wrong");
  ASSERT_TRUE(e2e::gone(prompt));
  if (GetParam() == CloseWindow) {
    DWORD code = 0;
    ASSERT_TRUE(app.wait(kSettleMs, &code)) << "the program was not asked to close its window";
    EXPECT_EQ(code, kExitClosedByRequest);
  } else {
    EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(w) && ::IsIconic(w); }, kSettleMs))
        << "the window should be left minimized";
    EXPECT_TRUE(app.running());
  }
  EXPECT_EQ(record(0).promptBusy, 0);
  EXPECT_EQ(record(0).unlockedAt, 0);
}

INSTANTIATE_TEST_SUITE_P(Guard32, SpentTries32, testing::Values(CloseWindow, DenyAccess),
                         [](const testing::TestParamInfo<LockAction>& info) {
                           return std::string(info.param == CloseWindow ? "CloseWindow" : "DenyAccess");
                         });

TEST_F(Guard32Test, ARetitleIntoALockedTitleIsCaught) {
  writeDatabase({lockOn(kLockedTitle)});
  ASSERT_NO_FATAL_FAILURE(startManagerWithHost());
  Process& app = start32({"--title", kHarmlessTitle, "--retitle", kLockedTitle});
  HWND w = windowOf(app);
  ASSERT_NE(w, nullptr);
  ASSERT_NO_FATAL_FAILURE(expectOpensUntouched(app, w));
  ::PostMessageA(w, kRetitleRequest, 0, 0);
  ASSERT_NE(promptedIn(app, w, kLockedTitle), nullptr);
  EXPECT_EQ(e2e::windowTitle(w), kLockedTitle);
}

// ---- Wine's own 32-bit notepad ------------------------------------------------------------

TEST_F(Guard32Test, WinesThirtyTwoBitNotepadIsLockedUnlockedAndWorksAfterwards) {
  writeDatabase({lockOn(kNotepadTitle)});
  ASSERT_NO_FATAL_FAILURE(startManagerWithHost());
  Process& notepad = startNotepad32();
  ASSERT_TRUE(notepad.started());
  ASSERT_TRUE(isProcess32Bit(notepad.id()));
  HWND w = windowOf(notepad, kNotepadClass);
  ASSERT_NE(w, nullptr);
  HWND prompt = promptedIn(notepad, w, kNotepadTitle);
  ASSERT_NE(prompt, nullptr);
  e2e::screenshot(prompt, "guard32_notepad_prompt");

  ASSERT_NO_FATAL_FAILURE(wrongPassword(notepad, prompt));
  e2e::enterPassword(prompt, kPassword);
  ASSERT_TRUE(e2e::gone(prompt));
  ASSERT_TRUE(e2e::waitUntil([&] { return shownNormally(w) && ::GetForegroundWindow() == w; }, kSettleMs))
      << e2e::describeWindowsOf(notepad.id());

  // Works normally: its edit control takes text, and it answers its menu.
  HWND edit = ::FindWindowExA(w, nullptr, "Edit", nullptr);
  ASSERT_NE(edit, nullptr);
  const char* text = "written after the right password";
  DWORD_PTR ignored = 0;
  ASSERT_NE(::SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &ignored), 0);
  char back[64] = {};
  ::SendMessageTimeoutA(edit, WM_GETTEXT, sizeof back, reinterpret_cast<LPARAM>(back), SMTO_NORMAL, 5000, &ignored);
  EXPECT_STREQ(text, back);
  e2e::screenshot(w, "guard32_notepad_open");
  EXPECT_EQ(dialogOf(notepad), nullptr);
}

// ---- killed processes, the host's life -------------------------------------------------------

TEST_F(Guard32Test, KillingTheThirtyTwoBitPromptingProcessFreesTheLock) {
  writeDatabase({lockOn(kLockedTitle)});
  ASSERT_NO_FATAL_FAILURE(startManagerWithHost());
  Process& first = start32({"--title", kLockedTitle});
  HWND a = windowOf(first);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(promptedIn(first, a, kLockedTitle), nullptr);
  Process& second = start32({"--title", kLockedTitle});
  HWND b = windowOf(second);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(b) && ::IsIconic(b); }, kAppearMs))
      << e2e::describeWindowsOf(second.id());

  first.terminate(9);
  ::ShowWindowAsync(b, SW_RESTORE);
  EXPECT_NE(promptedIn(second, b, kLockedTitle), nullptr) << "the lock stayed refused";
  EXPECT_EQ(record(0).promptBusy, 1);
}

TEST_F(Guard32Test, ExitEndsTheHostAndA32BitWindowOfALockedTitleThenOpensUntouched) {
  writeDatabase({lockOn(kLockedTitle)});
  ASSERT_NO_FATAL_FAILURE(startManagerWithHost());
  win32::UniqueHandle host(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, host_));
  ASSERT_TRUE(host.valid());
  endManager();
  ASSERT_FALSE(manager_.running());
  ASSERT_EQ(::WaitForSingleObject(host.get(), 0), WAIT_OBJECT_0) << "the host outlived the manager's Exit";
  DWORD code = 1;
  ::GetExitCodeProcess(host.get(), &code);
  EXPECT_EQ(code, 0u) << "ended the orderly way, hooks removed";
  EXPECT_TRUE(processesNamed(kHostProgram).empty());

  Process& app = start32({"--title", kLockedTitle});
  HWND w = windowOf(app);
  ASSERT_NE(w, nullptr);
  expectOpensUntouched(app, w);
}

// Killed, the host is started again at the manager's next timer tick, and
// guards 32-bit windows again. (Wine keeps a killed thread's hooks, so here
// the killed host's hooks stay behind; on Windows they go with it. Tests that
// kill a host therefore come after those that need a clean chain, in the
// order they are written here.)
TEST_F(Guard32Test, AKilledHostIsStartedAgainByTheManager) {
  writeDatabase({lockOn(kLockedTitle)});
  ASSERT_NO_FATAL_FAILURE(startManagerWithHost());
  ASSERT_NO_FATAL_FAILURE(killHost());
  ASSERT_TRUE(hostStartedAgain()) << "the manager did not start its host again";
  EXPECT_TRUE(manager_.running());
  Process& app = start32({"--title", kLockedTitle});
  HWND w = windowOf(app);
  ASSERT_NE(w, nullptr);
  EXPECT_NE(promptedIn(app, w, kLockedTitle), nullptr);
  EXPECT_EQ(processesNamed(kHostProgram).size(), 1u) << "one host at a time";
}

// The manager with both libraries: killing its host ends 32-bit guarding
// only. 64-bit windows stay guarded all along, also once the host is back
// (the manager puts its own hooks on top of the new host's again).
class ManagerWithHostTest : public Guard32Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(ManagerSession::SetUp()); }
};

TEST_F(ManagerWithHostTest, KillingTheHostLeaves64BitGuardingInPlaceAndTheHostIsStartedAgain) {
  writeDatabase({lockOn(kLockedTitle)});
  ASSERT_NO_FATAL_FAILURE(startManagerWithHost());
  const std::uint32_t cbtBefore = table_.cbtHook();
  ASSERT_NO_FATAL_FAILURE(killHost());
  Process& first = start64({"--title", kLockedTitle});
  HWND w = windowOf(first);
  ASSERT_NE(w, nullptr);
  HWND prompt = promptedIn(first, w, kLockedTitle);
  ASSERT_NE(prompt, nullptr) << "64-bit programs are guarded without the host";
  e2e::pressButton(prompt, IDCANCEL);
  ASSERT_TRUE(e2e::gone(prompt));

  ASSERT_TRUE(hostStartedAgain()) << "the manager did not start its host again";
  EXPECT_TRUE(e2e::waitUntil([&] { return table_.cbtHook() != cbtBefore; }, kSettleMs))
      << "the manager's hooks were not put on top again";
  Process& second = start64({"--title", kLockedTitle});
  HWND w2 = windowOf(second);
  ASSERT_NE(w2, nullptr);
  EXPECT_NE(promptedIn(second, w2, kLockedTitle), nullptr) << "64-bit guarding stopped with the new host";
}

// ---- one table, both bitnesses ------------------------------------------------------------

// The test plays the manager: it fills the table, starts a hook host (for
// itself), and installs vkgate.dll's hooks. Each library guards in turn
// (under Wine the newest one alone is honoured), on the same lock.
class OneTableTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(processesNamed(kHostProgram).empty()) << "a host from elsewhere is running";
    ASSERT_TRUE(view_.open(kernel_));
    mutex_ = kernel_.createMutex(kTableMutexName, false);
    ASSERT_NE(mutex_, nullptr);
    clearTable();
    TableLock lock(kernel_, mutex_);
    const RecordRef r = view_.record(0);
    std::memset(r.bytes(), 0, kRecordSize);
    std::strncpy(r.title(), kLockedTitle, kMaxTitleLength);
    r.setDigest(digestOf(kPassword));
    r.setEnabled(1);
    r.setAction(DenyAccess);
    r.setMaxTries(3);
    r.setRelockSeconds(600);
    view_.setRecordCount(1);
  }

  void TearDown() override {
    stopHost();
    cbtHook_.reset();
    callWndRetHook_.reset();
    for (auto& p : processes_) p->terminate();
    clearTable();
    library_.reset();
    view_.close();
    if (mutex_ != nullptr) kernel_.closeMutex(mutex_);
  }

  void clearTable() {
    if (!view_.isOpen()) return;
    TableLock lock(kernel_, mutex_);
    std::memset(view_.base(), 0, kHeaderSize + kRecordSize * kSectionRecordCapacity);
    storeAt<std::int32_t>(view_.base() + kOffReserved8, 300);
  }

  LockRecord record() {
    TableLock lock(kernel_, mutex_);
    return view_.record(0).copy();
  }

  // vkhook32.exe, with this process as its manager.
  void startHost() {
    HANDLE self = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &self,
                                  SYNCHRONIZE, TRUE, 0));
    win32::UniqueHandle selfForHost(self);
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    win32::UniqueHandle ready(::CreateEventA(&inheritable, TRUE, FALSE, nullptr));
    ASSERT_TRUE(ready.valid());
    std::string commandLine = "\"" + e2e::siblingPath(kHostProgram) + "\" " +
                              std::to_string(reinterpret_cast<std::uintptr_t>(self)) + " " +
                              std::to_string(reinterpret_cast<std::uintptr_t>(ready.get()));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                 e2e::programDir().c_str(), &startup, &created));
    host_ = Process(win32::UniqueHandle(created.hProcess), win32::UniqueHandle(created.hThread), created.dwProcessId);
    hostThread_ = created.dwThreadId;
    ASSERT_EQ(::WaitForSingleObject(ready.get(), kAppearMs), WAIT_OBJECT_0) << "the host never said it was ready";
  }

  // Asked as the manager asks it: its hooks go, and it ends.
  void stopHost() {
    if (!host_.running()) return;
    ::PostThreadMessageA(hostThread_, WM_QUIT, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(host_.wait(kSettleMs, &code));
    EXPECT_EQ(code, 0u);
  }

  void install64BitHooks() {
    library_.reset(::LoadLibraryA("vkgate.dll"));
    ASSERT_TRUE(library_.valid());
    auto procedure = [&](const char* name) {
      return reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(::GetProcAddress(library_.get(), name)));
    };
    cbtHook_.reset(::SetWindowsHookExA(WH_CBT, procedure("export"), library_.get(), 0));
    callWndRetHook_.reset(::SetWindowsHookExA(WH_CALLWNDPROCRET, procedure("export2"), library_.get(), 0));
    ASSERT_TRUE(cbtHook_.valid());
    ASSERT_TRUE(callWndRetHook_.valid());
    view_.setCbtHook(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(cbtHook_.get())));
    view_.setCallWndRetHook(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(callWndRetHook_.get())));
  }

  Process& start(Process p) {
    processes_.push_back(std::make_unique<Process>(std::move(p)));
    EXPECT_TRUE(processes_.back()->started());
    return *processes_.back();
  }

  Win32KernelObjects kernel_;
  LockTableView view_;
  KernelHandle mutex_ = nullptr;
  Process host_;
  DWORD hostThread_ = 0;
  win32::UniqueModule library_;
  win32::UniqueHook cbtHook_;
  win32::UniqueHook callWndRetHook_;
  std::vector<std::unique_ptr<Process>> processes_;
};

// A prompt in a 32-bit program makes a 64-bit window of the same lock wait,
// and the re-lock period its right password opens holds for the 64-bit one.
TEST_F(OneTableTest, AThirtyTwoBitPromptHoldsASixtyFourBitWindowAndItsPasswordOpensItToo) {
  ASSERT_NO_FATAL_FAILURE(startHost());
  Process& app32 = start(e2e::spawnApp("guarded_window32", {"--title", kLockedTitle}));
  HWND w32 = e2e::waitForWindow(app32.id(), kGuardedClass, nullptr, kAppearMs);
  ASSERT_NE(w32, nullptr);
  HWND prompt = e2e::waitForPrompt(app32.id(), kLockedTitle);
  ASSERT_NE(prompt, nullptr) << e2e::describeWindowsOf(app32.id());
  EXPECT_EQ(record().promptBusy, 1) << "the 32-bit library claimed the lock";

  // Now the 64-bit library guards; the 32-bit prompt stays up in its process.
  stopHost();
  ASSERT_NO_FATAL_FAILURE(install64BitHooks());
  Process& app64 = start(e2e::spawnApp("guarded_window", {"--title", kLockedTitle}));
  HWND w64 = e2e::waitForWindow(app64.id(), kGuardedClass, nullptr, kAppearMs);
  ASSERT_NE(w64, nullptr);
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(w64) && ::IsIconic(w64); }, kAppearMs))
      << "not refused while the 32-bit program prompts: " << e2e::describeWindowsOf(app64.id());
  EXPECT_FALSE(e2e::waitUntil([&] { return e2e::findWindow(app64.id(), kDialogClass, nullptr) != nullptr; }, kQuietMs))
      << "one prompt per lock at a time";
  ASSERT_TRUE(::IsWindow(prompt));

  e2e::enterPassword(prompt, kPassword);
  ASSERT_TRUE(e2e::gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return shownNormally(w32); }, kSettleMs));
  const LockRecord open = record();
  EXPECT_NE(open.unlockedAt, 0);
  EXPECT_EQ(open.promptBusy, 0);

  ::ShowWindowAsync(w64, SW_RESTORE);
  EXPECT_TRUE(e2e::waitUntil([&] { return shownNormally(w64) && ::GetForegroundWindow() == w64; }, kAppearMs))
      << "the open period did not hold for the 64-bit window: " << e2e::describeWindowsOf(app64.id());
  EXPECT_EQ(e2e::findWindow(app64.id(), kDialogClass, nullptr), nullptr);
}

// And the other way: the 64-bit library's claim holds a 32-bit window back.
TEST_F(OneTableTest, ASixtyFourBitPromptHoldsAThirtyTwoBitWindowBackUntilItIsCancelled) {
  ASSERT_NO_FATAL_FAILURE(install64BitHooks());
  Process& app64 = start(e2e::spawnApp("guarded_window", {"--title", kLockedTitle}));
  HWND prompt = e2e::waitForPrompt(app64.id(), kLockedTitle);
  ASSERT_NE(prompt, nullptr) << e2e::describeWindowsOf(app64.id());

  cbtHook_.reset();
  callWndRetHook_.reset();
  ASSERT_NO_FATAL_FAILURE(startHost());
  Process& app32 = start(e2e::spawnApp("guarded_window32", {"--title", kLockedTitle}));
  HWND w32 = e2e::waitForWindow(app32.id(), kGuardedClass, nullptr, kAppearMs);
  ASSERT_NE(w32, nullptr);
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(w32) && ::IsIconic(w32); }, kAppearMs))
      << "not refused while the 64-bit program prompts: " << e2e::describeWindowsOf(app32.id());
  EXPECT_EQ(e2e::findWindow(app32.id(), kDialogClass, nullptr), nullptr) << "one prompt per lock at a time";

  e2e::pressButton(prompt, IDCANCEL);
  ASSERT_TRUE(e2e::gone(prompt));
  EXPECT_EQ(record().promptBusy, 0);
  ::ShowWindowAsync(w32, SW_RESTORE);
  EXPECT_NE(e2e::waitForPrompt(app32.id(), kLockedTitle), nullptr) << e2e::describeWindowsOf(app32.id());
}

// vkhook32.exe started with this command line, inheriting handles the way
// the manager starts it.
Process startHost(const std::string& arguments) {
  std::string commandLine = "\"" + e2e::siblingPath(kHostProgram) + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, e2e::programDir().c_str(),
                        &startup, &created)) {
    return Process();
  }
  return Process(win32::UniqueHandle(created.hProcess), win32::UniqueHandle(created.hThread), created.dwProcessId);
}

// The host watches the manager's process: however the manager ends, the
// 32-bit hooks go with it. A killed manager's own 64-bit hooks may stay
// behind under Wine (see ManagerSession::endManager), so this plays the
// manager with a process of the test's own and hands the host the same
// arguments the manager does.
VK_E2E_CHILD_ROLE(stand_in_manager) {
  (void)args;
  ::Sleep(INFINITE);
  return e2e::ChildOk;
}

TEST(HookHost32Test, EndsWithinASecondOfItsManagersTerminateProcessAndRunsOneAtATime) {
  ASSERT_TRUE(processesNamed(kHostProgram).empty()) << "a host from elsewhere is running";
  Process manager = e2e::spawnChild("stand_in_manager", {});
  ASSERT_TRUE(manager.started());
  HANDLE managerForHost = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), manager.handle(), ::GetCurrentProcess(), &managerForHost,
                                SYNCHRONIZE, TRUE, 0));
  win32::UniqueHandle managerHandle(managerForHost);
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  win32::UniqueHandle ready(::CreateEventA(&inheritable, TRUE, FALSE, nullptr));
  ASSERT_TRUE(ready.valid());
  const std::string arguments = std::to_string(reinterpret_cast<std::uintptr_t>(managerForHost)) + " " +
                                std::to_string(reinterpret_cast<std::uintptr_t>(ready.get()));
  Process host = startHost(arguments);
  ASSERT_TRUE(host.started());
  ASSERT_EQ(::WaitForSingleObject(ready.get(), kAppearMs), WAIT_OBJECT_0) << "the host never said it was ready";
  ASSERT_TRUE(host.running());

  // A second host meanwhile gives way.
  Process second = startHost(arguments);
  ASSERT_TRUE(second.started());
  DWORD secondCode = 0;
  ASSERT_TRUE(second.wait(kAppearMs, &secondCode));
  EXPECT_EQ(secondCode, 5u) << "HostAlreadyRunning";
  EXPECT_TRUE(host.running());

  const DWORD killedAt = ::GetTickCount();
  manager.terminate(9);
  DWORD code = 1;
  EXPECT_TRUE(host.wait(1000, &code)) << "the host outlived its manager by more than a second";
  EXPECT_EQ(code, 0u);
  EXPECT_LE(::GetTickCount() - killedAt, 1000u);
}

TEST(HookHost32Test, StartedByHandRefusesToRun) {
  for (const char* arguments : {"", "12", "0 0", "not handles"}) {
    SCOPED_TRACE(arguments);
    Process host = startHost(arguments);
    ASSERT_TRUE(host.started());
    DWORD code = 0;
    ASSERT_TRUE(host.wait(kAppearMs, &code));
    EXPECT_EQ(code, 2u) << "HostBadArguments";
  }
}

}  // namespace
}  // namespace vk
