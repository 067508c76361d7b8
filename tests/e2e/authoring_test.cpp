// Lock authoring in the real vkmanager.exe under Wine: the New Lock wizard
// (a property sheet) and the Edit Lock dialog, driven from this process
// through their own controls the way a user's clicks would drive them, and
// the locks they make enforced on windows of other processes at once.
//
// Every test starts the manager from a prepared "vk2.dat", opens it through
// the system password gate, leaves "vk2.dat" as it found it, and ends every
// process it started.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "harness.h"
#include "platform/win32/handle.h"
#include "platform/win32/kernel_objects.h"

namespace vk {
namespace {

using e2e::Process;

constexpr DWORD kAppearMs = 20000;
constexpr DWORD kSettleMs = 10000;
// The capture hides the wizard for 6 seconds.
constexpr DWORD kCaptureMs = 30000;

constexpr const char* kTrayClass = "VantakeyClass";
constexpr const char* kTrayTitle = "vk";
constexpr const char* kFrameClass = "VkFrame";
constexpr const char* kManagerCaption = "Vantakey Manager";
constexpr const char* kDialogClass = "#32770";
constexpr const char* kGuardedClass = "VkGuardedWindow";
constexpr const char* kWizardCaption = "New Lock Wizard";
constexpr const char* kEditCaption = "Edit Lock";
constexpr const char* kGateText = "Please enter the system password to continue.";
constexpr const char* kExitQuestion = "Exiting Vantakey will stop protecting all of your windows.";

constexpr UINT kTrayMessage = WM_USER + 1;
constexpr WPARAM kTrayIconId = 102;
constexpr int kGatePasswordEdit = 1004;
constexpr int kCmdNewLock = 1;
constexpr int kCmdEditLock = 2;
constexpr int kCmdExit = 7;

// guarded_window.exe's request to activate its own window.
constexpr UINT kActivateRequest = WM_APP + 2;
// The lock prompt's password box (vkgate.dll).
constexpr int kPromptPasswordEdit = 1000;

// Wizard pages and their controls.
constexpr int kPageMethod = 132;
constexpr int kPageTyped = 134;
constexpr int kPagePick = 135;
constexpr int kPagePicked = 136;
constexpr int kPageProtect = 137;
constexpr int kPagePassword = 138;
constexpr int kPageAgain = 139;
constexpr int kPageTries = 140;
constexpr int kPageRelock = 141;
constexpr int kPageAction = 142;
constexpr int kPageSummary = 143;
constexpr int kTitleBox = 1002;
constexpr int kPasswordBox = 1004;
constexpr int kPickedTitle = 1020;
constexpr int kWildcardCheck = 1027;
constexpr int kActionList = 1028;
constexpr int kTypeTitleRadio = 1030;
constexpr int kTriesBox = 1033;
constexpr int kMinutesBox = 1034;
constexpr int kSummaryBox = 1035;
// Edit Lock dialog.
constexpr int kEditDialogId = 146;
constexpr int kAgainBox = 1021;
constexpr int kProtectCheck = 1042;
constexpr int kLockedCheck = 1055;

constexpr const char* kSystemPassword = "Manager Key 7";

// ---- "vk2.dat", written and read independently of the manager's own code ----

struct FileLock {
  std::string className;
  std::string title;
  bool wildcard = false;
  bool enabled = true;
  std::uint16_t maxTries = 3;
  std::int32_t relockSeconds = 300;
  std::uint16_t action = CloseWindow;
  PasswordDigest digest{};

  bool operator==(const FileLock& o) const {
    return className == o.className && title == o.title && wildcard == o.wildcard && enabled == o.enabled &&
           maxTries == o.maxTries && relockSeconds == o.relockSeconds && action == o.action &&
           std::memcmp(digest.bytes, o.digest.bytes, sizeof digest.bytes) == 0;
  }
};

std::ostream& operator<<(std::ostream& out, const FileLock& l) {
  return out << "{class \"" << l.className << "\", title \"" << l.title << "\", wildcard " << l.wildcard
             << ", enabled " << l.enabled << ", tries " << l.maxTries << ", relock " << l.relockSeconds
             << ", action " << l.action << "}";
}

std::vector<unsigned char> databaseImage(const std::vector<FileLock>& locks) {
  std::vector<unsigned char> b;
  auto u8 = [&](unsigned v) { b.push_back(static_cast<unsigned char>(v)); };
  auto u16 = [&](unsigned v) {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  };
  auto i32 = [&](std::int32_t v) {
    for (int i = 0; i < 4; ++i) u8((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
  };
  auto text = [&](const std::string& s) {
    u16(static_cast<unsigned>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
  };
  auto digest = [&](const PasswordDigest& d) { b.insert(b.end(), d.bytes, d.bytes + 20); };
  digest(digestOf(kSystemPassword));
  text("NONE");
  digest(PasswordDigest{});
  text("");
  text("");
  u8(0);
  u16(0);
  u16(0);
  u16(static_cast<unsigned>(locks.size()));
  for (const FileLock& l : locks) {
    text(l.className);
    text(l.title);
    u8(l.wildcard ? 1 : 0);
    u8(l.enabled ? 1 : 0);
    u16(l.maxTries);
    i32(l.relockSeconds);
    u16(l.action);
    digest(l.digest);
  }
  return b;
}

// The locks of a saved file. False when it does not hold a whole image.
bool readLocks(const std::vector<unsigned char>& file, std::vector<FileLock>& locks) {
  std::size_t at = 0;
  auto have = [&](std::size_t n) { return file.size() - at >= n; };
  auto u16 = [&](unsigned& v) {
    if (!have(2)) return false;
    v = file[at] | (file[at + 1] << 8);
    at += 2;
    return true;
  };
  auto text = [&](std::string* out) {
    unsigned n = 0;
    if (!u16(n) || !have(n)) return false;
    if (out != nullptr) out->assign(reinterpret_cast<const char*>(&file[at]), n);
    at += n;
    return true;
  };
  auto skip = [&](std::size_t n) {
    if (!have(n)) return false;
    at += n;
    return true;
  };
  unsigned count = 0, ignored = 0;
  if (!skip(20) || !text(nullptr) || !skip(20) || !text(nullptr) || !text(nullptr) || !skip(1) || !u16(ignored) ||
      !u16(ignored) || !u16(count)) {
    return false;
  }
  locks.clear();
  for (unsigned i = 0; i < count; ++i) {
    FileLock l;
    unsigned tries = 0, action = 0;
    if (!text(&l.className) || !text(&l.title) || !have(2)) return false;
    l.wildcard = file[at] != 0;
    l.enabled = file[at + 1] != 0;
    at += 2;
    if (!u16(tries) || !have(4)) return false;
    l.relockSeconds = static_cast<std::int32_t>(file[at] | (file[at + 1] << 8) | (file[at + 2] << 16) |
                                                (static_cast<std::uint32_t>(file[at + 3]) << 24));
    at += 4;
    if (!u16(action) || !have(20)) return false;
    std::memcpy(l.digest.bytes, &file[at], 20);
    at += 20;
    l.maxTries = static_cast<std::uint16_t>(tries);
    l.action = static_cast<std::uint16_t>(action);
    locks.push_back(l);
  }
  return true;
}

FileLock fromRecord(const LockRecord& r) {
  FileLock l;
  l.className.assign(r.className, strnlen(r.className, sizeof r.className));
  l.title.assign(r.title, strnlen(r.title, sizeof r.title));
  l.wildcard = r.wildcard != 0;
  l.enabled = r.enabled != 0;
  l.maxTries = r.maxTries;
  l.relockSeconds = r.relockSeconds;
  l.action = r.action;
  l.digest = r.digest;
  return l;
}

std::string windowsFile(const char* name) {
  char dir[MAX_PATH];
  const UINT n = ::GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir, n) + "\\" + name;
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
  bytes.clear();
  win32::UniqueFile f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  unsigned char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(f.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  return true;
}

bool writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  win32::UniqueFile f(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  DWORD written = 0;
  return ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// ---- windows of other processes --------------------------------------------------

void pressButton(HWND dialog, int id) {
  // Posted: a button whose handler shows a message box would keep a sender
  // waiting for as long as the box is up.
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// A radio button or check box clicked, so its group follows as for a user.
void click(HWND dialog, int id) { ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool isChecked(HWND dialog, int id) {
  return ::SendMessageA(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string itemText(HWND dialog, int id) {
  char text[1024];
  const UINT n = ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return std::string(text, n);
}

std::string staticTexts(HWND dialog) {
  std::string all;
  ::EnumChildWindows(
      dialog,
      [](HWND child, LPARAM p) -> BOOL {
        if (_stricmp(e2e::windowClass(child).c_str(), "Static") == 0) {
          auto* out = reinterpret_cast<std::string*>(p);
          *out += e2e::windowTitle(child);
          *out += '|';
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

// A visible window of the process with this class and caption whose static
// texts contain `text` (null: any).
HWND waitForShown(DWORD pid, const char* className, const char* caption, const char* text = nullptr,
                  DWORD deadlineMs = kAppearMs) {
  HWND found = nullptr;
  e2e::waitUntil(
      [&] {
        found = nullptr;
        for (HWND w : e2e::windowsOf(pid)) {
          if (e2e::windowClass(w) != className || !::IsWindowVisible(w)) continue;
          if (caption != nullptr && e2e::windowTitle(w) != caption) continue;
          if (text != nullptr && staticTexts(w).find(text) == std::string::npos) continue;
          found = w;
          return true;
        }
        return false;
      },
      deadlineMs);
  return found;
}

bool gone(HWND w) {
  return e2e::waitUntil([&] { return !::IsWindow(w); }, kSettleMs);
}

bool isShownNormally(HWND w) { return ::IsWindowVisible(w) && !::IsIconic(w); }

void paintNow(HWND w) { ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); }

// A window of another process painted now (and the window behind it, when
// given), and the whole screen saved.
void screenshot(HWND w, const std::string& name, HWND behind = nullptr) {
  if (!e2e::screenshotsEnabled()) return;
  if (behind != nullptr) paintNow(behind);
  paintNow(w);
  EXPECT_TRUE(e2e::takeScreenshot(name)) << name;
}

// A message sent to another process's window without hanging on it: the
// manager's thread sleeps through the capture.
LRESULT ask(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutA(w, message, wParam, lParam, SMTO_NORMAL, 2000, &result) == 0) return -1;
  return static_cast<LRESULT>(result);
}

// ---- the manager's list, selected in its own memory --------------------------------

class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, std::size_t size)
      : process_(process),
        address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBlock() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool valid() const { return address_ != nullptr; }
  LPARAM address() const { return reinterpret_cast<LPARAM>(address_); }
  bool write(const void* data, std::size_t size) const {
    SIZE_T done = 0;
    return ::WriteProcessMemory(process_, address_, data, size, &done) && done == size;
  }

 private:
  HANDLE process_;
  void* address_;
};

// Selects exactly this row, as a click on it would.
bool selectRow(HANDLE process, HWND list, int row) {
  RemoteBlock block(process, sizeof(LVITEMA));
  if (!block.valid()) return false;
  auto setState = [&](WPARAM r, UINT state) {
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    return block.write(&item, sizeof item) && ::SendMessageA(list, LVM_SETITEMSTATE, r, block.address()) != FALSE;
  };
  return setState(static_cast<WPARAM>(-1), 0) && setState(static_cast<WPARAM>(row), LVIS_SELECTED | LVIS_FOCUSED) &&
         ::SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 1;
}

// ---- the fixture -----------------------------------------------------------------

class AuthoringTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::FindWindowA(kTrayClass, kTrayTitle), nullptr) << "a manager is running already";
    databasePath_ = windowsFile("vk2.dat");
    hadDatabase_ = readWholeFile(databasePath_, savedDatabase_);
    ASSERT_TRUE(table_.open(kernel_));
    mutex_ = kernel_.createMutex(kTableMutexName, false);
    ASSERT_NE(mutex_, nullptr);
  }

  void TearDown() override {
    endManager();
    for (Process* p : {&target_, &manager_}) {
      if (p->running()) p->terminate();
    }
    if (hadDatabase_) {
      EXPECT_TRUE(writeWholeFile(databasePath_, savedDatabase_));
    } else {
      ::DeleteFileA(databasePath_.c_str());
    }
    table_.close();
    if (mutex_ != nullptr) kernel_.closeMutex(mutex_);
  }

  // Starts the manager from a "vk2.dat" with these locks and opens its
  // window through the gate.
  void openManager(const std::vector<FileLock>& locks) {
    ASSERT_TRUE(writeWholeFile(databasePath_, databaseImage(locks)));
    manager_ = e2e::spawn(e2e::siblingPath("vkmanager.exe"), {});
    ASSERT_TRUE(manager_.started());
    tray_ = e2e::waitForWindow(manager_.id(), kTrayClass, kTrayTitle, kAppearMs);
    ASSERT_NE(tray_, nullptr) << "no tray window";
    ASSERT_TRUE(e2e::waitUntil([&] { return table_.cbtHook() != 0 && table_.callWndRetHook() != 0; }, kSettleMs))
        << "the hooks were never installed";
    frame_ = e2e::waitForWindow(manager_.id(), kFrameClass, kManagerCaption, kSettleMs);
    ASSERT_NE(frame_, nullptr) << "no manager window";

    ::PostMessageA(tray_, kTrayMessage, kTrayIconId, WM_LBUTTONDBLCLK);
    HWND gate = waitForShown(manager_.id(), kDialogClass, kManagerCaption, kGateText);
    ASSERT_NE(gate, nullptr) << "no password gate";
    ASSERT_TRUE(::SetDlgItemTextA(gate, kGatePasswordEdit, kSystemPassword));
    pressButton(gate, IDOK);
    ASSERT_TRUE(gone(gate));
    ASSERT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(frame_) != FALSE; }, kSettleMs));
    list_ = reinterpret_cast<HWND>(::GetPropA(frame_, "list"));
    ASSERT_NE(list_, nullptr);
  }

  void command(int id) { ::PostMessageA(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  // New Lock: the wizard's frame, found by its class, process and caption.
  HWND openWizard() {
    command(kCmdNewLock);
    return waitForShown(manager_.id(), kDialogClass, kWizardCaption);
  }

  // The resource id of the wizard's current page; 0 when there is none.
  static int currentPage(HWND wizard) {
    const LRESULT page = ask(wizard, PSM_GETCURRENTPAGEHWND, 0, 0);
    if (page == 0 || page == -1) return 0;
    const LRESULT index = ask(wizard, PSM_HWNDTOINDEX, static_cast<WPARAM>(page), 0);
    if (index < 0) return 0;
    return static_cast<int>(ask(wizard, PSM_INDEXTOID, static_cast<WPARAM>(index), 0));
  }

  // Waits for page `id` to be current and shown; its window, or null.
  static HWND waitForPage(HWND wizard, int id, DWORD deadlineMs = kSettleMs) {
    HWND page = nullptr;
    e2e::waitUntil(
        [&] {
          if (!::IsWindowVisible(wizard) || currentPage(wizard) != id) return false;
          page = reinterpret_cast<HWND>(ask(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
          return page != nullptr && ::IsWindowVisible(page);
        },
        deadlineMs);
    return page;
  }

  static void next(HWND wizard) { ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0); }

  // Next on the current page, then the page it leads to.
  HWND nextTo(HWND wizard, int id) {
    next(wizard);
    HWND page = waitForPage(wizard, id);
    EXPECT_NE(page, nullptr) << "Next did not lead to page " << id << " (now on " << currentPage(wizard) << ")";
    if (page != nullptr) screenshot(wizard, "authoring_page_" + std::to_string(id));
    return page;
  }

  // Pages 137 to 141 with a password, tries and minutes; ends on page 142.
  HWND passwordTriesAndMinutes(HWND wizard, const char* password, const char* tries, const char* minutes) {
    HWND page = nextTo(wizard, kPagePassword);
    if (page == nullptr) return nullptr;
    EXPECT_EQ(::SendMessageA(::GetDlgItem(page, kPasswordBox), EM_GETPASSWORDCHAR, 0, 0), '*');
    ::SetDlgItemTextA(page, kPasswordBox, password);
    if ((page = nextTo(wizard, kPageAgain)) == nullptr) return nullptr;
    ::SetDlgItemTextA(page, kPasswordBox, password);
    if ((page = nextTo(wizard, kPageTries)) == nullptr) return nullptr;
    EXPECT_EQ(itemText(page, kTriesBox), "3");
    ::SetDlgItemTextA(page, kTriesBox, tries);
    if ((page = nextTo(wizard, kPageRelock)) == nullptr) return nullptr;
    EXPECT_EQ(itemText(page, kMinutesBox), "5");
    ::SetDlgItemTextA(page, kMinutesBox, minutes);
    return nextTo(wizard, kPageAction);
  }

  // Next on page 135: the wizard and the manager window hide, `target`
  // (a window of another process) is activated meanwhile, and page 136
  // comes with its title.
  HWND pick(HWND wizard, HWND target) {
    next(wizard);
    EXPECT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(wizard) && !::IsWindowVisible(frame_); }, kSettleMs))
        << "the wizard and the manager window stay up during the capture";
    ::PostMessageA(target, kActivateRequest, 0, 0);
    EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == target; }, kSettleMs));
    HWND page = waitForPage(wizard, kPagePicked, kCaptureMs);
    EXPECT_NE(page, nullptr) << "the capture did not end on page 136";
    EXPECT_TRUE(::IsWindowVisible(frame_)) << "the manager window is shown again";
    return page;
  }

  // Finish on page 143; the wizard closes.
  void finish(HWND wizard) {
    ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    EXPECT_TRUE(gone(wizard)) << "Finish did not close the wizard";
  }

  LockRecord record(std::uint32_t i) {
    TableLock lock(kernel_, mutex_);
    EXPECT_TRUE(lock.held());
    return table_.record(i).copy();
  }

  std::uint32_t recordCount() {
    TableLock lock(kernel_, mutex_);
    EXPECT_TRUE(lock.held());
    return table_.recordCount();
  }

  std::vector<FileLock> savedLocks() {
    std::vector<unsigned char> file;
    std::vector<FileLock> locks;
    if (!readWholeFile(databasePath_, file) || !readLocks(file, locks)) locks.clear();
    return locks;
  }

  // A window of another process, shown and in front.
  HWND startTarget(const char* title) {
    target_ = e2e::spawnApp("guarded_window", {"--title", title});
    if (!target_.started()) return nullptr;
    return e2e::waitForWindow(target_.id(), kGuardedClass, nullptr, kAppearMs);
  }

  HWND waitForPrompt(const char* caption) { return waitForShown(target_.id(), kDialogClass, caption); }

  static void enterPassword(HWND prompt, const char* password) {
    ::SetDlgItemTextA(prompt, kPromptPasswordEdit, password);
    pressButton(prompt, IDOK);
  }

  // Closes whatever dialog the manager still shows (a message box, the
  // wizard, the Edit Lock dialog), then Exit and Yes: under Wine the hooks
  // of a killed manager stay installed and would guard later tests' windows.
  void endManager() {
    if (!manager_.running()) return;
    e2e::waitUntil(
        [&] {
          bool any = false;
          for (HWND w : e2e::windowsOf(manager_.id())) {
            if (e2e::windowClass(w) != kDialogClass || !::IsWindowVisible(w)) continue;
            any = true;
            if (e2e::windowTitle(w) == kWizardCaption) {
              ::PostMessageA(w, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            } else {
              pressButton(w, ::GetDlgItem(w, IDCANCEL) != nullptr ? IDCANCEL : IDOK);
            }
          }
          return !any;
        },
        kCaptureMs, 200);
    HWND frame = e2e::findWindow(manager_.id(), kFrameClass, kManagerCaption);
    HWND question = nullptr;
    if (frame != nullptr) {
      ::PostMessageA(frame, WM_COMMAND, MAKEWPARAM(kCmdExit, 0), 0);
      question = waitForShown(manager_.id(), kDialogClass, kManagerCaption, kExitQuestion, kSettleMs);
    }
    if (question != nullptr) pressButton(question, IDYES);
    if (question == nullptr || !manager_.wait(kAppearMs)) {
      ADD_FAILURE() << "the manager did not exit through Exit; killed, its hooks stay behind";
      manager_.terminate();
    }
  }

  std::string databasePath_;
  bool hadDatabase_ = false;
  std::vector<unsigned char> savedDatabase_;
  Win32KernelObjects kernel_;
  LockTableView table_;
  KernelHandle mutex_ = nullptr;
  Process manager_;
  Process target_;
  HWND tray_ = nullptr;
  HWND frame_ = nullptr;
  HWND list_ = nullptr;
};

FileLock lockOn(const char* title, const char* password) {
  FileLock l;
  l.title = title;
  if (password != nullptr) l.digest = digestOf(password);
  return l;
}

// ---- the program's resources ------------------------------------------------------

// The pages and the dialog as the sheet and the dialog manager read them.
TEST(AuthoringResources, PagesDialogAndPicturesHaveTheirSizesAndStyles) {
  win32::UniqueModule program(
      ::LoadLibraryExA(e2e::siblingPath("vkmanager.exe").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(program.valid()) << "vkmanager.exe not found next to the test program";
  HMODULE m = program.get();
  auto dialogTemplate = [&](int id) -> const DLGTEMPLATE* {
    HRSRC r = ::FindResourceA(m, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    return r != nullptr ? static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(m, r))) : nullptr;
  };
  for (int id : {kPageMethod, kPageTyped, kPagePick, kPagePicked, kPageProtect, kPagePassword, kPageAgain, kPageTries,
                 kPageRelock, kPageAction, kPageSummary}) {
    const DLGTEMPLATE* t = dialogTemplate(id);
    ASSERT_NE(t, nullptr) << "page " << id;
    EXPECT_EQ(t->style, static_cast<DWORD>(DS_SETFONT | WS_CHILD | WS_DISABLED | WS_CAPTION)) << "page " << id;
    EXPECT_EQ(t->cx, 308) << "page " << id;
    EXPECT_EQ(t->cy, 190) << "page " << id;
  }
  const DLGTEMPLATE* edit = dialogTemplate(kEditDialogId);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->style & (DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_CHILD),
            static_cast<DWORD>(DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP));
  EXPECT_EQ(edit->cx, 232);
  EXPECT_EQ(edit->cy, 239);

  // The wizard picture fills the left 98 of the page's units at the usual
  // 1.5 pixels per unit; both pictures are true colour.
  for (int id : {103, 109}) {
    HRSRC r = ::FindResourceA(m, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
    ASSERT_NE(r, nullptr) << "bitmap " << id;
    const auto* header = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(m, r)));
    EXPECT_EQ(header->biBitCount, 24) << "bitmap " << id;
    if (id == 103) {
      EXPECT_EQ(header->biWidth, 147);
    }
  }
}

// ---- the New Lock wizard ------------------------------------------------------------

// A typed wildcard pattern with a password: every page on that path, the
// empty-title refusal, the summary, and the lock in force at once on a
// window of another process and in the file.
TEST_F(AuthoringTest, TypedPatternLockIsEnforcedAtOnceAndSaved) {
  constexpr const char* kPattern = "*Vantakey Target";
  constexpr const char* kWindow = "Quarterly Report - Vantakey Target";
  constexpr const char* kPassword = "Pattern Pass 1";
  openManager({});

  HWND wizard = openWizard();
  ASSERT_NE(wizard, nullptr) << "New Lock showed no wizard";
  HWND page = waitForPage(wizard, kPageMethod);
  ASSERT_NE(page, nullptr);
  screenshot(wizard, "authoring_page_132");
  RECT r;
  ASSERT_TRUE(::GetWindowRect(wizard, &r));
  EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2) << "the wizard is centred";
  EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
  EXPECT_EQ(::GetWindow(wizard, GW_OWNER), nullptr);
  EXPECT_TRUE(isChecked(page, 1029)) << "picking the window is the default";
  click(page, kTypeTitleRadio);
  EXPECT_FALSE(isChecked(page, 1029));

  page = nextTo(wizard, kPageTyped);
  ASSERT_NE(page, nullptr);
  // An empty box is refused with a box owned by the page (a child window:
  // the system hands the ownership to the wizard frame around it).
  next(wizard);
  HWND box = waitForShown(manager_.id(), kDialogClass, "Error");
  ASSERT_NE(box, nullptr) << "an empty title was not refused";
  EXPECT_EQ(::GetWindow(box, GW_OWNER), wizard);
  EXPECT_NE(staticTexts(box).find("You must enter a window title or wildcard in the box. Please try again."),
            std::string::npos)
      << staticTexts(box);
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  EXPECT_EQ(currentPage(wizard), kPageTyped);

  ASSERT_TRUE(::SetDlgItemTextA(page, kTitleBox, kPattern));
  click(page, kWildcardCheck);
  screenshot(wizard, "authoring_page_134");
  page = nextTo(wizard, kPageProtect);
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(isChecked(page, 1031)) << "a password is the default";
  page = passwordTriesAndMinutes(wizard, kPassword, "4", "2");
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(::SendMessageA(::GetDlgItem(page, kActionList), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(::SendMessageA(::GetDlgItem(page, kActionList), CB_GETCURSEL, 0, 0), 0);
  ::SendMessageA(::GetDlgItem(page, kActionList), CB_SETCURSEL, 1, 0);  // Deny Access
  page = nextTo(wizard, kPageSummary);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(itemText(page, kSummaryBox),
            std::string("Window title: \t  ") + kPattern +
                "\r\nWildcard matching: \t  Yes\r\nPassword protected:  Yes\r\nPassword tries: \t  4\r\nTime until "
                "re-lock: \t  2 minute(s)\r\nAction: \t\t  Deny Access");
  EXPECT_EQ(recordCount(), 0u) << "nothing is written before Finish";
  finish(wizard);

  FileLock expected;
  expected.title = kPattern;
  expected.wildcard = true;
  expected.maxTries = 4;
  expected.relockSeconds = 120;
  expected.action = DenyAccess;
  expected.digest = digestOf(kPassword);
  ASSERT_EQ(recordCount(), 1u);
  EXPECT_EQ(fromRecord(record(0)), expected);
  EXPECT_TRUE(e2e::waitUntil([&] { return savedLocks() == std::vector<FileLock>{expected}; }, kSettleMs))
      << "the new lock is not in vk2.dat";

  // In force at once, on a window of another process that matches the pattern.
  startTarget(kWindow);
  HWND prompt = waitForPrompt(kWindow);
  ASSERT_NE(prompt, nullptr) << "the new lock did not guard a matching window";
  HWND target = e2e::findWindow(target_.id(), kGuardedClass, nullptr);
  EXPECT_FALSE(::IsWindowVisible(target));
  enterPassword(prompt, kPassword);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return isShownNormally(target); }, kSettleMs));
}

// A picked window: the capture takes the window activated meanwhile, with
// its class; the lock holds it. Picked again, it is refused as a duplicate.
TEST_F(AuthoringTest, PickedWindowIsLockedWithItsClassAndRefusedTheSecondTime) {
  constexpr const char* kWindow = "vk authoring picked window";
  constexpr const char* kPassword = "picked";
  HWND target = startTarget(kWindow);
  ASSERT_NE(target, nullptr);
  openManager({lockOn("vk some other window", "other")});

  HWND wizard = openWizard();
  ASSERT_NE(wizard, nullptr);
  ASSERT_NE(waitForPage(wizard, kPageMethod), nullptr);
  ASSERT_NE(nextTo(wizard, kPagePick), nullptr);
  HWND page = pick(wizard, target);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(itemText(page, kPickedTitle), kWindow);
  screenshot(wizard, "authoring_page_136");
  ASSERT_NE(nextTo(wizard, kPageProtect), nullptr);
  ASSERT_NE(passwordTriesAndMinutes(wizard, kPassword, "3", "5"), nullptr);
  ASSERT_NE(nextTo(wizard, kPageSummary), nullptr);
  finish(wizard);

  FileLock expected = lockOn(kWindow, kPassword);
  expected.className = kGuardedClass;
  ASSERT_EQ(recordCount(), 2u);
  EXPECT_EQ(fromRecord(record(1)), expected);
  EXPECT_TRUE(e2e::waitUntil([&] { return savedLocks().size() == 2 && savedLocks()[1] == expected; }, kSettleMs));

  // The picked window is guarded from its next activation on.
  ::PostMessageA(target, kActivateRequest, 0, 0);
  HWND prompt = waitForPrompt(kWindow);
  ASSERT_NE(prompt, nullptr) << "the picked window was not guarded";
  enterPassword(prompt, kPassword);
  ASSERT_TRUE(gone(prompt));
  ASSERT_TRUE(e2e::waitUntil([&] { return isShownNormally(target); }, kSettleMs));

  // Within its re-lock period the window activates freely, and is picked
  // again: the duplicate test refuses it with a box of no owner.
  wizard = openWizard();
  ASSERT_NE(wizard, nullptr);
  ASSERT_NE(waitForPage(wizard, kPageMethod), nullptr);
  ASSERT_NE(nextTo(wizard, kPagePick), nullptr);
  page = pick(wizard, target);
  ASSERT_NE(page, nullptr);
  next(wizard);
  HWND box = waitForShown(manager_.id(), kDialogClass, "Vantakey", "That window has already been locked.");
  ASSERT_NE(box, nullptr) << "a picked window with a lock was not refused";
  EXPECT_NE(staticTexts(box).find("That window has already been locked.\nYou cannot lock a window more than once."),
            std::string::npos)
      << staticTexts(box);
  EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr);
  screenshot(box, "authoring_duplicate", wizard);
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  EXPECT_EQ(currentPage(wizard), kPagePicked) << "the wizard stays on the picked window";

  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  ASSERT_TRUE(gone(wizard)) << "Cancel did not close the wizard";
  EXPECT_EQ(recordCount(), 2u);
  EXPECT_EQ(savedLocks().size(), 2u);
}

// ---- the Edit Lock dialog --------------------------------------------------------

// A new password, fewer tries and another action: the old password is
// refused, the tries run out after the new number, the new action follows,
// and the new password opens the window.
TEST_F(AuthoringTest, EditedPasswordTriesAndActionAreEnforced) {
  constexpr const char* kWindow = "vk authoring edited window";
  constexpr const char* kOldPassword = "old secret";
  constexpr const char* kNewPassword = "New Secret";
  openManager({lockOn(kWindow, kOldPassword)});
  ASSERT_TRUE(e2e::waitUntil([&] { return ::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0) == 1; }, kSettleMs));
  ASSERT_TRUE(selectRow(manager_.handle(), list_, 0));
  command(kCmdEditLock);
  HWND dialog = waitForShown(manager_.id(), kDialogClass, kEditCaption);
  ASSERT_NE(dialog, nullptr) << "Edit Lock showed no dialog";
  EXPECT_NE(::GetPropA(dialog, "info"), nullptr) << "the dialog keeps its working record as property \"info\"";
  EXPECT_EQ(itemText(dialog, kTitleBox), kWindow);
  EXPECT_TRUE(isChecked(dialog, kLockedCheck));
  EXPECT_TRUE(isChecked(dialog, kProtectCheck));
  EXPECT_FALSE(isChecked(dialog, kWildcardCheck));
  EXPECT_EQ(itemText(dialog, kTriesBox), "3");
  EXPECT_EQ(itemText(dialog, kMinutesBox), "5");
  EXPECT_EQ(itemText(dialog, kPasswordBox), "");
  EXPECT_EQ(::SendMessageA(::GetDlgItem(dialog, kActionList), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(LOWORD(::SendMessageA(dialog, DM_GETDEFID, 0, 0)), IDOK);

  // Two different passwords are refused by a box owned by the dialog.
  ::SetDlgItemTextA(dialog, kPasswordBox, kNewPassword);
  ::SetDlgItemTextA(dialog, kAgainBox, "new secret");
  ::SetDlgItemTextA(dialog, kTriesBox, "2");
  ::SendMessageA(::GetDlgItem(dialog, kActionList), CB_SETCURSEL, 1, 0);  // Deny Access
  screenshot(dialog, "authoring_edit_lock");
  pressButton(dialog, IDOK);
  HWND box = waitForShown(manager_.id(), kDialogClass, "Error", "The passwords you typed did not match.");
  ASSERT_NE(box, nullptr) << "different passwords were not refused";
  EXPECT_EQ(::GetWindow(box, GW_OWNER), dialog);
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  EXPECT_EQ(fromRecord(record(0)), lockOn(kWindow, kOldPassword)) << "a refused OK changes nothing";

  ::SetDlgItemTextA(dialog, kAgainBox, kNewPassword);
  pressButton(dialog, IDOK);
  ASSERT_TRUE(gone(dialog)) << "OK did not close the dialog";
  FileLock expected = lockOn(kWindow, kNewPassword);
  expected.maxTries = 2;
  expected.action = DenyAccess;
  ASSERT_TRUE(e2e::waitUntil([&] { return fromRecord(record(0)) == expected; }, kSettleMs))
      << fromRecord(record(0));

  // The old password is refused twice: the tries are spent and the window
  // is denied, left minimized.
  HWND target = startTarget(kWindow);
  ASSERT_NE(target, nullptr);
  HWND prompt = waitForPrompt(kWindow);
  ASSERT_NE(prompt, nullptr) << "the edited lock did not guard its window";
  enterPassword(prompt, kOldPassword);
  box = waitForShown(target_.id(), kDialogClass, "Invalid Password");
  ASSERT_NE(box, nullptr) << "the old password was accepted";
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  enterPassword(prompt, kOldPassword);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(target) && ::IsIconic(target); }, kSettleMs))
      << "the second wrong password did not deny access";
  EXPECT_TRUE(target_.running()) << "Deny Access does not close the window";

  // The new password opens it.
  ::PostMessageA(target, kActivateRequest, 0, 0);
  prompt = waitForPrompt(kWindow);
  ASSERT_NE(prompt, nullptr);
  enterPassword(prompt, kNewPassword);
  ASSERT_TRUE(gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return isShownNormally(target); }, kSettleMs));
}

}  // namespace
}  // namespace vk
