// The real vkgate.dll, installed as system-wide hooks the way the manager does
// it, guarding real windows of other processes. The test plays the manager:
// it fills the lock table, loads the library by name and installs its two
// exports. The user's part is played through the prompt's own controls.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "gate/window_guard.h"
#include "harness.h"
#include "platform/win32/handle.h"
#include "platform/win32/kernel_objects.h"
#include "product.h"

namespace vk {
namespace {

using e2e::gone;
using e2e::isShownNormally;
using e2e::itemText;
using e2e::kActivateRequest;
using e2e::kAppearMs;
using e2e::kDialogClass;
using e2e::kGuardedClass;
using e2e::kSettleMs;
using e2e::paintNow;
using e2e::pressButton;
using e2e::Process;
using e2e::staticTexts;

// What guarded_window.exe understands and reports.
constexpr UINT kRetitleRequest = WM_APP + 1;
constexpr UINT kLastErrorRequest = WM_APP + 5;
constexpr UINT kLastErrorSeenRequest = WM_APP + 6;
constexpr LRESULT kLastErrorKept = 1;
constexpr LRESULT kLibraryLoadedBefore = 2;
constexpr LRESULT kLibraryLoadedAfter = 4;
constexpr DWORD kExitClosedByRequest = 10;

// The prompt's password box.
constexpr int kPasswordEdit = e2e::kPromptPasswordEdit;
constexpr const char* kInvalidPasswordCaption = "Invalid Password";

constexpr const char* kLockedTitle = "vk locked window";
constexpr const char* kPassword = "open sesame";

struct LockSpec {
  const char* title = kLockedTitle;
  const char* className = "";
  const char* password = kPassword;
  bool wildcard = false;
  bool enabled = true;
  std::uint16_t action = DenyAccess;
  std::uint16_t maxTries = 3;
  std::int32_t relockSeconds = 600;
};

template <typename Proc>
Proc procedureOf(HMODULE module, const char* nameOrOrdinal) {
  // FARPROC to a typed procedure: through the one pointer type every
  // function pointer converts to and from without complaint.
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(::GetProcAddress(module, nameOrOrdinal)));
}

std::uint32_t handleBits(HHOOK h) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h)); }

// The library's claim marker for a tag: a mutex its prompting thread owns.
std::string claimMarker(std::uint16_t tag) {
  char name[32];
  std::snprintf(name, sizeof name, "Vantak.claim.%u", static_cast<unsigned>(tag));
  return name;
}

// A dialog is found by its caption before it is first shown: wait until it is
// up, and have it and what it covers painted before the shot.
void screenshot(HWND w, const char* name) {
  if (!e2e::screenshotsEnabled()) return;
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(w) != FALSE; }, kSettleMs)) << name;
  if (HWND owner = ::GetWindow(w, GW_OWNER)) paintNow(owner);
  paintNow(w);
  EXPECT_TRUE(e2e::takeScreenshot(name)) << name;
}

// The manager's part: the table, the library and its hooks. Everything is
// undone at the end of each test: hooks removed, table emptied, library freed.
class GateTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(view_.open(kernel_));
    mutex_ = kernel_.createMutex(kTableMutexName, false);
    ASSERT_NE(mutex_, nullptr);
    resetTable();
  }

  void TearDown() override {
    cbtHook_.reset();
    callWndRetHook_.reset();
    resetTable();
    library_.reset();
    view_.close();
    kernel_.closeMutex(mutex_);
  }

  // The library by name, found next to this program; both exports installed
  // for all threads, their handles in the header.
  void installHooks() {
    library_.reset(::LoadLibraryA("vkgate.dll"));
    ASSERT_TRUE(library_.valid()) << "vkgate.dll not found next to the test program";
    HOOKPROC cbt = procedureOf<HOOKPROC>(library_.get(), "export");
    HOOKPROC callWndRet = procedureOf<HOOKPROC>(library_.get(), "export2");
    ASSERT_NE(cbt, nullptr);
    ASSERT_NE(callWndRet, nullptr);
    cbtHook_.reset(::SetWindowsHookExA(WH_CBT, cbt, library_.get(), 0));
    callWndRetHook_.reset(::SetWindowsHookExA(WH_CALLWNDPROCRET, callWndRet, library_.get(), 0));
    ASSERT_TRUE(cbtHook_.valid());
    ASSERT_TRUE(callWndRetHook_.valid());
    view_.setCbtHook(handleBits(cbtHook_.get()));
    view_.setCallWndRetHook(handleBits(callWndRetHook_.get()));
  }

  // The manager's start values; no records.
  void resetTable() {
    if (!view_.isOpen()) return;  // SetUp failed before mapping it
    TableLock lock(kernel_, mutex_);
    std::memset(view_.base(), 0, kHeaderSize + kRecordSize * kSectionRecordCapacity);
    storeAt<std::int32_t>(view_.base() + kOffReserved8, 300);
  }

  std::uint32_t addLock(const LockSpec& spec) {
    TableLock lock(kernel_, mutex_);
    EXPECT_TRUE(lock.held());
    const std::uint32_t i = view_.recordCount();
    const RecordRef r = view_.record(i);
    std::memset(r.bytes(), 0, kRecordSize);
    std::strncpy(r.title(), spec.title, kMaxTitleLength);
    std::strncpy(r.className(), spec.className, kMaxTitleLength);
    if (spec.password != nullptr) r.setDigest(digestOf(spec.password));
    r.setWildcard(spec.wildcard ? 1 : 0);
    r.setEnabled(spec.enabled ? 1 : 0);
    r.setAction(spec.action);
    r.setMaxTries(spec.maxTries);
    r.setRelockSeconds(spec.relockSeconds);
    view_.setRecordCount(i + 1);
    return i;
  }

  LockRecord record(std::uint32_t i) {
    TableLock lock(kernel_, mutex_);
    EXPECT_TRUE(lock.held());
    return view_.record(i).copy();
  }

  void setUnlockedAt(std::uint32_t i, std::int32_t t) {
    TableLock lock(kernel_, mutex_);
    EXPECT_TRUE(lock.held());
    view_.record(i).setUnlockedAt(t);
  }

  static Process startGuarded(const char* title, const char* retitle = nullptr) {
    if (retitle != nullptr) return e2e::spawnApp("guarded_window", {"--title", title, "--retitle", retitle});
    return e2e::spawnApp("guarded_window", {"--title", title});
  }

  // The application's window, whether shown or hidden.
  static HWND guardedWindow(const Process& app) { return e2e::waitForWindow(app.id(), kGuardedClass, nullptr, kAppearMs); }

  static HWND waitForPrompt(const Process& app, const char* caption) {
    return e2e::waitForPrompt(app.id(), caption);
  }

  // Any dialog of the process (prompt or message box).
  static bool hasDialog(const Process& app) { return e2e::findWindow(app.id(), kDialogClass, nullptr) != nullptr; }

  Win32KernelObjects kernel_;
  LockTableView view_;
  KernelHandle mutex_ = nullptr;
  win32::UniqueModule library_;
  win32::UniqueHook cbtHook_;
  win32::UniqueHook callWndRetHook_;
};

// ---- the library itself ------------------------------------------------------

TEST_F(GateTest, LibraryExportsBothHookProceduresByNameAndOrdinal) {
  library_.reset(::LoadLibraryA("vkgate.dll"));
  ASSERT_TRUE(library_.valid());
  const FARPROC cbt = ::GetProcAddress(library_.get(), "export");
  const FARPROC callWndRet = ::GetProcAddress(library_.get(), "export2");
  ASSERT_NE(cbt, nullptr);
  ASSERT_NE(callWndRet, nullptr);
  EXPECT_NE(cbt, callWndRet);
  EXPECT_EQ(::GetProcAddress(library_.get(), MAKEINTRESOURCEA(1)), callWndRet);
  EXPECT_EQ(::GetProcAddress(library_.get(), MAKEINTRESOURCEA(2)), cbt);
  EXPECT_EQ(::GetProcAddress(library_.get(), MAKEINTRESOURCEA(3)), nullptr) << "nothing else is exported";
}

// The library is loaded into processes with any runtime, or none: it may
// depend on the system's own DLLs only (and the system's C runtime).
TEST_F(GateTest, LibraryImportsFromSystemDllsOnly) {
  library_.reset(::LoadLibraryA("vkgate.dll"));
  ASSERT_TRUE(library_.valid());
  const auto* base = reinterpret_cast<const unsigned char*>(library_.get());
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  ASSERT_EQ(nt->Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(imports.VirtualAddress, 0u);
  std::string seen;
  for (const auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0;
       ++d) {
    const char* name = reinterpret_cast<const char*>(base + d->Name);
    seen += name;
    seen += ' ';
    const bool system = _stricmp(name, "KERNEL32.dll") == 0 || _stricmp(name, "USER32.dll") == 0 ||
                        _stricmp(name, "ADVAPI32.dll") == 0 || _stricmp(name, "msvcrt.dll") == 0;
    EXPECT_TRUE(system) << name << " is not a system DLL";
  }
  EXPECT_NE(seen.find("USER32"), std::string::npos) << seen;
}

// A hook runs inside whatever the host was doing: it must hand back the
// host's last-error value even when its own calls fail (here: every window
// call on a destroyed window fails and sets ERROR_INVALID_WINDOW_HANDLE).
TEST_F(GateTest, HookProceduresHandTheHostItsLastErrorBack) {
  addLock(LockSpec{});
  library_.reset(::LoadLibraryA("vkgate.dll"));
  ASSERT_TRUE(library_.valid());
  HOOKPROC cbt = procedureOf<HOOKPROC>(library_.get(), "export");
  HOOKPROC callWndRet = procedureOf<HOOKPROC>(library_.get(), "export2");
  ASSERT_NE(cbt, nullptr);
  ASSERT_NE(callWndRet, nullptr);

  HWND stale = ::CreateWindowExA(0, "STATIC", "vk stale", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(stale, nullptr);
  ASSERT_TRUE(::DestroyWindow(stale));
  ::SetLastError(0);
  ::GetWindowLongA(stale, GWL_STYLE);
  ASSERT_NE(::GetLastError(), 0u) << "the stale window must make the library's own calls fail";

  constexpr DWORD kHostError = 0xBEEF;
  ::SetLastError(kHostError);
  cbt(HCBT_ACTIVATE, reinterpret_cast<WPARAM>(stale), 0);
  EXPECT_EQ(::GetLastError(), kHostError) << "WH_CBT, HCBT_ACTIVATE";

  CWPRETSTRUCT call;
  std::memset(&call, 0, sizeof call);
  call.hwnd = stale;
  call.message = WM_SETTEXT;
  ::SetLastError(kHostError);
  callWndRet(HC_ACTION, 0, reinterpret_cast<LPARAM>(&call));
  EXPECT_EQ(::GetLastError(), kHostError) << "WH_CALLWNDPROCRET, WM_SETTEXT";

  // A negative code promises no structure: the procedure must not look.
  ::SetLastError(kHostError);
  callWndRet(-1, 0, 0);
  EXPECT_EQ(::GetLastError(), kHostError) << "WH_CALLWNDPROCRET, code < 0";
}

// Windows loads the library into a process in the middle of one of the
// host's own calls: its first hook event there. The entry point creates the
// named objects (ERROR_ALREADY_EXISTS) and releases a mutex it does not own
// (ERROR_NOT_OWNER); the host must get its own value back all the same.
//
// Wine's hook dispatch itself asks for the module by name before it loads it
// (GetModuleHandleExW, which fails with ERROR_MOD_NOT_FOUND), so under Wine
// that value reaches the library's entry point already: it is the one value
// besides the host's own that this test accepts. Real Windows loads hook
// libraries through its own path; there the host's value is expected.
TEST_F(GateTest, TheHostsLastErrorSurvivesTheLibrarysFirstLoadInItsProcess) {
  addLock(LockSpec{});  // the table in use, by a lock on another title
  // Started before the hooks: the library is not in the process yet.
  Process app = startGuarded("vk last error");
  ASSERT_TRUE(app.started());
  HWND w = guardedWindow(app);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(e2e::ask(w, kLastErrorRequest, 0, 0), kLastErrorKept)
      << "without hooks the message alone must keep the value and load nothing";

  installHooks();
  const LRESULT seen = e2e::ask(w, kLastErrorRequest, 0, 0);
  ASSERT_EQ(seen & kLibraryLoadedBefore, 0) << "the library came in before the request; nothing is proven";
  ASSERT_EQ(seen & kLibraryLoadedAfter, kLibraryLoadedAfter) << "the hook event did not load the library";
  if ((seen & kLastErrorKept) == 0) {
    EXPECT_EQ(e2e::ask(w, kLastErrorSeenRequest, 0, 0), static_cast<LRESULT>(ERROR_MOD_NOT_FOUND))
        << "the library's first load left a last error of its own";
  }
}

// ---- guarding windows of other processes ---------------------------------------

TEST_F(GateTest, LockedWindowIsHiddenAndPromptedForInItsOwnProcess) {
  const std::uint32_t lock = addLock(LockSpec{});
  installHooks();
  Process app = startGuarded(kLockedTitle);
  ASSERT_TRUE(app.started());

  HWND prompt = waitForPrompt(app, kLockedTitle);
  ASSERT_NE(prompt, nullptr) << "no prompt captioned with the window's title in the target's process";
  HWND w = guardedWindow(app);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(::IsWindowVisible(w)) << "the guarded window stays hidden while the prompt is up";
  EXPECT_TRUE(::IsWindowVisible(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == prompt; }, kSettleMs))
      << "the prompt, captioned like the locked window, got through the check";
  EXPECT_EQ(::GetWindowLongA(prompt, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
  EXPECT_NE(::GetPropA(prompt, "param"), nullptr) << "the prompt keeps its parameter as property \"param\"";
  EXPECT_EQ(::SendMessageA(::GetDlgItem(prompt, kPasswordEdit), EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(LOWORD(::SendMessageA(prompt, DM_GETDEFID, 0, 0)), IDOK) << "Enter means OK";
  EXPECT_NE(staticTexts(prompt).find("This resource has been password protected."), std::string::npos);

  // The prompt answers the challenge, from any process.
  const std::uint32_t t = static_cast<std::uint32_t>(std::time(nullptr)), r = 4321;
  DWORD_PTR reply = 0;
  ASSERT_NE(::SendMessageTimeoutA(prompt, OwnWindowChallenge, t, r, SMTO_NORMAL, 5000, &reply), 0);
  EXPECT_EQ(static_cast<std::uint32_t>(reply), challengeAnswer(t, r));

  EXPECT_EQ(record(lock).promptBusy, 1);
  // Typed but not sent: the shot shows what the user sees while typing.
  ASSERT_TRUE(::SetDlgItemTextA(prompt, kPasswordEdit, "secret"));
  screenshot(prompt, "gate_lock_prompt");

  // Cancel: the tries so far stay, the window comes back minimized.
  pressButton(prompt, IDCANCEL);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(w) && ::IsIconic(w); }, kSettleMs));
  EXPECT_EQ(record(lock).promptBusy, 0);
  EXPECT_EQ(record(lock).unlockedAt, 0);
}

TEST_F(GateTest, WrongPasswordShowsInvalidPasswordOwnedByThePrompt) {
  const std::uint32_t lock = addLock(LockSpec{});
  installHooks();
  Process app = startGuarded(kLockedTitle);
  ASSERT_TRUE(app.started());
  HWND prompt = waitForPrompt(app, kLockedTitle);
  ASSERT_NE(prompt, nullptr);

  e2e::enterPassword(prompt, "not the password");
  HWND box = waitForPrompt(app, kInvalidPasswordCaption);
  ASSERT_NE(box, nullptr) << "no \"Invalid Password\" box in the target's process";
  EXPECT_EQ(::GetWindow(box, GW_OWNER), prompt);
  EXPECT_NE(staticTexts(box).find("The password you entered is not correct.\nPlease try again."), std::string::npos)
      << staticTexts(box);
  EXPECT_EQ(record(lock).failedTries, 1);
  EXPECT_EQ(record(lock).promptBusy, 1) << "the prompt is still up";
  screenshot(box, "gate_invalid_password");

  // Closing the box asks again, with an empty field.
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  EXPECT_TRUE(::IsWindow(prompt));
  EXPECT_EQ(itemText(prompt, kPasswordEdit), "");
  EXPECT_FALSE(::IsWindowVisible(guardedWindow(app)));
}

TEST_F(GateTest, RightPasswordShowsTheWindowAndOpensTheRelockPeriod) {
  const std::uint32_t lock = addLock(LockSpec{});
  installHooks();
  Process app = startGuarded(kLockedTitle);
  ASSERT_TRUE(app.started());
  HWND prompt = waitForPrompt(app, kLockedTitle);
  ASSERT_NE(prompt, nullptr);
  HWND w = guardedWindow(app);
  ASSERT_NE(w, nullptr);

  e2e::enterPassword(prompt, kPassword);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return isShownNormally(w); }, kSettleMs));
  LockRecord open = record(lock);
  EXPECT_NE(open.unlockedAt, 0);
  EXPECT_EQ(open.promptBusy, 0);
  EXPECT_EQ(open.failedTries, 0);
  EXPECT_FALSE(hasDialog(app));

  // Another window takes the foreground; the unlocked one comes back to it
  // without a prompt (a refused activation would never get there), and the
  // pass starts the period again.
  Process other = startGuarded("vk other window");
  ASSERT_TRUE(other.started());
  HWND o = guardedWindow(other);
  ASSERT_NE(o, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == o; }, kAppearMs));
  const std::int32_t earlier = static_cast<std::int32_t>(std::time(nullptr)) - 60;
  setUnlockedAt(lock, earlier);

  ::PostMessageA(w, kActivateRequest, 0, 0);
  EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == w; }, kSettleMs));
  EXPECT_TRUE(isShownNormally(w));
  EXPECT_FALSE(hasDialog(app));
  EXPECT_GT(record(lock).unlockedAt, earlier);
  EXPECT_EQ(record(lock).promptBusy, 0);
}

// A lock whose pattern also matches the prompt's "Invalid Password" box: the
// box comes up in front and usable (it is owned by the prompt, which answers
// the challenge), and the right password then opens the window.
struct WideLockCase {
  const char* name;
  const char* pattern;
};

class PromptBoxUnderAWideLock : public GateTest, public testing::WithParamInterface<WideLockCase> {};

TEST_P(PromptBoxUnderAWideLock, TheBoxIsUsableAndTheRightPasswordOpens) {
  constexpr const char* kVaultTitle = "My Password Vault";
  LockSpec spec;
  spec.title = GetParam().pattern;
  spec.wildcard = true;
  const std::uint32_t lock = addLock(spec);
  installHooks();
  Process app = startGuarded(kVaultTitle);
  ASSERT_TRUE(app.started());
  HWND prompt = waitForPrompt(app, kVaultTitle);
  ASSERT_NE(prompt, nullptr) << e2e::describeWindowsOf(app.id());
  HWND w = guardedWindow(app);
  ASSERT_NE(w, nullptr);

  e2e::enterPassword(prompt, "not the password");
  HWND box = waitForPrompt(app, kInvalidPasswordCaption);
  ASSERT_NE(box, nullptr) << e2e::describeWindowsOf(app.id());
  EXPECT_EQ(::GetWindow(box, GW_OWNER), prompt);
  EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == box; }, kSettleMs))
      << "the box did not come to the front" << e2e::describeWindowsOf(app.id());
  EXPECT_FALSE(::IsIconic(box)) << "the box was minimized";
  EXPECT_EQ(record(lock).failedTries, 1);
  screenshot(box, (std::string("gate_box_under_") + GetParam().name).c_str());

  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box)) << "the box does not answer its OK button";
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowEnabled(prompt) != FALSE; }, kSettleMs))
      << "the prompt stays disabled";
  e2e::enterPassword(prompt, kPassword);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return isShownNormally(w); }, kSettleMs)) << e2e::describeWindowsOf(app.id());
  const LockRecord open = record(lock);
  EXPECT_NE(open.unlockedAt, 0);
  EXPECT_EQ(open.promptBusy, 0);
  EXPECT_EQ(open.failedTries, 0);
  EXPECT_FALSE(hasDialog(app));
}

INSTANTIATE_TEST_SUITE_P(Gate, PromptBoxUnderAWideLock,
                         testing::Values(WideLockCase{"PasswordPattern", "*Password*"},
                                         WideLockCase{"Star", "*"}),
                         [](const testing::TestParamInfo<WideLockCase>& p) { return std::string(p.param.name); });

// The tries run out at the first wrong password: the lock's action follows.
class SpentTries : public GateTest, public testing::WithParamInterface<LockAction> {};

TEST_P(SpentTries, CarryOutTheLocksAction) {
  LockSpec spec;
  spec.action = GetParam();
  spec.maxTries = 1;
  const std::uint32_t lock = addLock(spec);
  installHooks();
  Process app = startGuarded(kLockedTitle);
  ASSERT_TRUE(app.started());
  HWND prompt = waitForPrompt(app, kLockedTitle);
  ASSERT_NE(prompt, nullptr);
  HWND w = guardedWindow(app);
  ASSERT_NE(w, nullptr);

  e2e::enterPassword(prompt, "wrong");
  ASSERT_TRUE(gone(prompt));
  EXPECT_EQ(e2e::findWindow(app.id(), kDialogClass, kInvalidPasswordCaption), nullptr);
  if (GetParam() == CloseWindow) {
    DWORD code = 0;
    ASSERT_TRUE(app.wait(kSettleMs, &code)) << "the application was not asked to close its window";
    EXPECT_EQ(code, kExitClosedByRequest);
  } else {
    EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(w) && ::IsIconic(w); }, kSettleMs))
        << "the window should be left minimized";
    EXPECT_TRUE(app.running());
  }
  const LockRecord after = record(lock);
  EXPECT_EQ(after.failedTries, 0) << "the action starts the count again";
  EXPECT_EQ(after.promptBusy, 0);
  EXPECT_EQ(after.unlockedAt, 0);
}

INSTANTIATE_TEST_SUITE_P(Gate, SpentTries, testing::Values(CloseWindow, DenyAccess),
                         [](const testing::TestParamInfo<LockAction>& info) {
                           return std::string(info.param == CloseWindow ? "CloseWindow" : "DenyAccess");
                         });

// An application that gives its window a locked title is caught at once,
// whoever sets the title.
class Retitle : public GateTest, public testing::WithParamInterface<const char*> {};

TEST_P(Retitle, IntoALockedTitleIsCaught) {
  addLock(LockSpec{});
  installHooks();
  Process app = startGuarded("vk harmless window", kLockedTitle);
  ASSERT_TRUE(app.started());
  HWND w = guardedWindow(app);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == w; }, kAppearMs));
  ASSERT_FALSE(hasDialog(app));

  if (std::strcmp(GetParam(), "byItself") == 0) {
    ::PostMessageA(w, kRetitleRequest, 0, 0);
  } else {
    // WM_SETTEXT from this process. The reply comes only after the prompt has
    // ended, so do not wait for it.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kLockedTitle), SMTO_NORMAL, 200, &ignored);
  }
  HWND prompt = waitForPrompt(app, kLockedTitle);
  ASSERT_NE(prompt, nullptr);
  EXPECT_FALSE(::IsWindowVisible(w));
  EXPECT_EQ(e2e::windowTitle(w), kLockedTitle);
}

INSTANTIATE_TEST_SUITE_P(Gate, Retitle, testing::Values("byItself", "byAnotherProcess"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// Locks that come close to the window but do not hold it.
struct NearMiss {
  const char* name;
  LockSpec lock;
};

class NonMatching : public GateTest, public testing::WithParamInterface<NearMiss> {};

TEST_P(NonMatching, WindowIsLeftAlone) {
  const std::uint32_t lock = addLock(GetParam().lock);
  installHooks();
  Process app = startGuarded(kLockedTitle);
  ASSERT_TRUE(app.started());
  HWND w = guardedWindow(app);
  ASSERT_NE(w, nullptr);
  // A prompt would have refused this activation.
  EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == w; }, kAppearMs));
  EXPECT_TRUE(isShownNormally(w));
  EXPECT_FALSE(hasDialog(app));
  const LockRecord after = record(lock);
  EXPECT_EQ(after.promptBusy, 0);
  EXPECT_EQ(after.unlockedAt, 0);
  EXPECT_EQ(after.failedTries, 0);
}

LockSpec nearMiss(const char* title, const char* className, bool wildcard, bool enabled) {
  LockSpec s;
  s.title = title;
  s.className = className;
  s.wildcard = wildcard;
  s.enabled = enabled;
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Gate, NonMatching,
    testing::Values(NearMiss{"OtherTitle", nearMiss("vk locked windows", "", false, true)},
                    NearMiss{"OtherClass", nearMiss(kLockedTitle, "VkSomeOtherClass", false, true)},
                    NearMiss{"PatternCaseDiffers", nearMiss("VK LOCKED*", "", true, true)},
                    NearMiss{"SwitchedOff", nearMiss(kLockedTitle, "", false, false)}),
    [](const testing::TestParamInfo<NearMiss>& info) { return std::string(info.param.name); });

// A prompt's process dies while the prompt is up. Its claim must not keep the
// lock refused for everybody else.
TEST_F(GateTest, ClaimOfAKilledPromptDoesNotKeepTheLockRefused) {
  const std::uint32_t lock = addLock(LockSpec{});
  installHooks();
  Process first = startGuarded(kLockedTitle);
  ASSERT_TRUE(first.started());
  ASSERT_NE(waitForPrompt(first, kLockedTitle), nullptr);
  const LockRecord claimed = record(lock);
  ASSERT_EQ(claimed.promptBusy, 1);
  first.terminate(9);
  ASSERT_FALSE(first.running());

  Process second = startGuarded(kLockedTitle);
  ASSERT_TRUE(second.started());
  HWND prompt = waitForPrompt(second, kLockedTitle);
  ASSERT_NE(prompt, nullptr) << "the lock stayed refused after its prompt's process was killed";
  EXPECT_FALSE(::IsWindowVisible(guardedWindow(second)));

  // The record carries the new prompt's claim, alive: its marker is owned by
  // the second process's prompting thread.
  const LockRecord reclaimed = record(lock);
  EXPECT_EQ(reclaimed.promptBusy, 1);
  win32::UniqueHandle marker(::OpenMutexA(SYNCHRONIZE, FALSE, claimMarker(reclaimed.claimTag).c_str()));
  ASSERT_TRUE(marker.valid()) << "no live marker for claim " << reclaimed.claimTag;
  EXPECT_EQ(::WaitForSingleObject(marker.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

  pressButton(prompt, IDCANCEL);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return record(lock).promptBusy == 0; }, kSettleMs));
}

}  // namespace
}  // namespace vk
