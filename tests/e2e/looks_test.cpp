// How the product looks on screens of other scales: the manifests of both
// images, and no text cut off in any dialog, wizard page, the manager
// window's column headers or the lock prompt, at 100 % (96 DPI) and 150 %
// (144 DPI); and, for thumbnails, that a held-back window's program asks
// the window composition for its icon only.
//
// Wine reads the scale from LogPixels under HKCU\Control Panel\Desktop when
// a program starts: each run sets it before the manager and the locked
// program start, and puts it back afterwards. Texts are measured inside the
// process that shows them, in each control's own font, by text_probe.dll
// (tests/e2e/probe), hooked onto that process's window thread.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <tlhelp32.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/password_digest.h"
#include "harness.h"
#include "platform/win32/handle.h"
#include "probe/text_probe.h"
#include "product.h"

namespace vk {
namespace {

using e2e::click;
using e2e::FileLock;
using e2e::kDialogClass;
using e2e::kSettleMs;
using e2e::nextTo;
using e2e::pressButton;
using e2e::waitForPage;
using e2e::waitForShown;

constexpr const char* kLockedTitle = "vk looks window";
constexpr const char* kLockPassword = "looks";
constexpr const char* kDesktopKey = "Control Panel\\Desktop";
constexpr const char* kChangeCaption = "Change Password Wizard";

constexpr int kCmdEditLock = 2;
constexpr int kCmdClose = 40027;
constexpr int kCmdAbout = 40002;
constexpr int kCmdPreferences = 40026;
constexpr int kCmdChangePassword = 40029;
constexpr int kLostPassword = 1039;
constexpr int kSystemPasswordBox = 1004;
constexpr int kSystemPasswordAgainBox = 1021;
constexpr int kSecretQuestionBox = 1036;
constexpr int kSecretAnswerBox = 1037;
constexpr int kProtectYes = 1031;
constexpr int kLockPasswordBox = 1004;

// ---- the manifests -----------------------------------------------------------------

// The manifests of a module: id and text of each.
std::vector<std::pair<int, std::string>> manifestsOf(HMODULE m) {
  std::vector<std::pair<int, std::string>> found;
  ::EnumResourceNamesA(
      m, MAKEINTRESOURCEA(24),  // RT_MANIFEST
      [](HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list) -> BOOL {
        auto* out = reinterpret_cast<std::vector<std::pair<int, std::string>>*>(list);
        HRSRC r = ::FindResourceA(module, name, type);
        const char* text = static_cast<const char*>(::LockResource(::LoadResource(module, r)));
        const int id = IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : -1;
        out->emplace_back(id, text != nullptr ? std::string(text, ::SizeofResource(module, r)) : std::string());
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&found));
  return found;
}

bool has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

TEST(Manifests, OneEachInTheProgramAndTheLibrary) {
  const char* kCommonControls6 = "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"";
  win32::UniqueModule program(
      ::LoadLibraryExA(e2e::siblingPath("vkmanager.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(program.valid());
  // LOAD_LIBRARY_AS_DATAFILE marks the handle; resources are read through it.
  const auto inProgram = manifestsOf(program.get());
  ASSERT_EQ(inProgram.size(), 1u) << "exactly one manifest in vkmanager.exe";
  EXPECT_EQ(inProgram[0].first, 1);
  const std::string& p = inProgram[0].second;
  EXPECT_TRUE(has(p, "level=\"asInvoker\"")) << p;
  EXPECT_TRUE(has(p, kCommonControls6)) << p;
  EXPECT_TRUE(has(p, ">true</dpiAware>")) << p;
  for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                         "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_TRUE(has(p, os)) << "supportedOS " << os;
  }

  win32::UniqueModule library(
      ::LoadLibraryExA(e2e::siblingPath("vkgate.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(library.valid());
  const auto inLibrary = manifestsOf(library.get());
  ASSERT_EQ(inLibrary.size(), 1u) << "exactly one manifest in vkgate.dll";
  EXPECT_EQ(inLibrary[0].first, 2);
  EXPECT_TRUE(has(inLibrary[0].second, kCommonControls6)) << inLibrary[0].second;
  // A library does not speak for its host's DPI awareness or rights.
  EXPECT_FALSE(has(inLibrary[0].second, "dpiAware"));
  EXPECT_FALSE(has(inLibrary[0].second, "requestedExecutionLevel"));
}

// The prompt's dialog is in the shell's dialog font too.
TEST(Manifests, ThePromptIsInTheShellDialogFont) {
  win32::UniqueModule library(
      ::LoadLibraryExA(e2e::siblingPath("vkgate.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(library.valid());
  e2e::DialogHeader prompt;
  ASSERT_TRUE(e2e::readDialogHeader(library.get(), 101, prompt));
  EXPECT_TRUE(prompt.extended);
  EXPECT_EQ(prompt.style & DS_SHELLFONT, static_cast<DWORD>(DS_SHELLFONT));
  EXPECT_EQ(prompt.font, "MS Shell Dlg");
  EXPECT_EQ(prompt.cx, 216);
  EXPECT_EQ(prompt.cy, 90);
}

// ---- measuring texts in another process ---------------------------------------------

// What the probe found under one window: each text that does not fit, and
// how many texts it measured.
struct Measured {
  int texts = 0;
  int dpi = 0;
  std::vector<std::string> clipped;
};

long numberProperty(HWND w, const char* name) {
  return static_cast<long>(reinterpret_cast<INT_PTR>(::GetPropA(w, name)));
}

class TextProbe {
 public:
  TextProbe() : module_(::LoadLibraryA(e2e::siblingPath("text_probe.dll").c_str())) {
    if (module_.valid()) {
      hook_ = reinterpret_cast<HOOKPROC>(
          reinterpret_cast<void (*)()>(::GetProcAddress(module_.get(), vkprobe::kHookExport)));
    }
    message_ = ::RegisterWindowMessageA(vkprobe::kProbeMessageName);
  }
  bool ready() const { return hook_ != nullptr; }

  Measured measure(HWND top) const {
    Measured m;
    const DWORD thread = ::GetWindowThreadProcessId(top, nullptr);
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, hook_, module_.get(), thread);
    if (hook == nullptr) {
      m.clipped.push_back("the probe could not be hooked in");
      return m;
    }
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(top, message_, 0, 0, SMTO_NORMAL, 10000, &ignored);
    ::UnhookWindowsHookEx(hook);
    m.dpi = static_cast<int>(numberProperty(top, vkprobe::kDpi));
    std::vector<HWND> all;
    ::EnumChildWindows(
        top, [](HWND w, LPARAM list) -> BOOL {
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    for (HWND w : all) judge(w, m);
    return m;
  }

 private:
  static void judge(HWND w, Measured& m) {
    char text[256] = {};
    ::GetWindowTextA(w, text, sizeof text);
    const std::string where = e2e::windowClass(w) + " \"" + text + "\"";
    if (::GetPropA(w, vkprobe::kNeedWidth) != nullptr || ::GetPropA(w, vkprobe::kRoomWidth) != nullptr) {
      ++m.texts;
      const long needW = numberProperty(w, vkprobe::kNeedWidth), needH = numberProperty(w, vkprobe::kNeedHeight);
      const long roomW = numberProperty(w, vkprobe::kRoomWidth), roomH = numberProperty(w, vkprobe::kRoomHeight);
      if (needW > roomW || needH > roomH) {
        m.clipped.push_back(where + " needs " + std::to_string(needW) + "x" + std::to_string(needH) + ", has " +
                            std::to_string(roomW) + "x" + std::to_string(roomH));
      }
    }
    const long items = numberProperty(w, vkprobe::kItemCount);
    for (long i = 0; i < items; ++i) {
      const std::string n = std::to_string(i);
      const long need = numberProperty(w, (std::string(vkprobe::kItemNeed) + n).c_str());
      const long room = numberProperty(w, (std::string(vkprobe::kItemRoom) + n).c_str());
      ++m.texts;
      if (need > room) {
        m.clipped.push_back("header item " + n + " needs " + std::to_string(need) + " wide, has " +
                            std::to_string(room));
      }
    }
  }

  win32::UniqueModule module_;
  HOOKPROC hook_ = nullptr;
  UINT message_ = 0;
};

// The probe itself, on controls of this process: a text in a control made
// too small for it is reported, the same text with room is not.
TEST(TextProbe, FindsTextsTooLargeForTheirControls) {
  TextProbe probe;
  ASSERT_TRUE(probe.ready());
  HWND top = ::CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  struct Control {
    const char* className;
    const char* text;
    DWORD style;
    int width, height;
    bool fits;
  };
  const Control controls[] = {
      {"Static", "Password:", SS_LEFT, 20, 20, false},
      {"Static", "Password:", SS_LEFT, 150, 20, true},
      {"Static", "A text that wraps onto more lines than there is room for", SS_LEFT, 80, 16, false},
      {"Button", "I lost my password...", BS_PUSHBUTTON, 40, 24, false},
      {"Button", "OK", BS_PUSHBUTTON, 75, 24, true},
      {"Button", "Enable wildcard matching for this window", BS_AUTOCHECKBOX, 90, 20, false},
      {"Button", "Locked", BS_AUTOCHECKBOX, 150, 20, true},
  };
  std::vector<HWND> made;
  int y = 0;
  for (const Control& c : controls) {
    HWND w = ::CreateWindowExA(0, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, y, c.width, c.height, top,
                               nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    ::SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    made.push_back(w);
    y += c.height;
  }
  const Measured m = probe.measure(top);
  EXPECT_EQ(m.texts, static_cast<int>(std::size(controls)));
  std::size_t tooSmall = 0;
  for (std::size_t i = 0; i < made.size(); ++i) {
    const Control& c = controls[i];
    const bool clipped = numberProperty(made[i], vkprobe::kNeedWidth) > numberProperty(made[i], vkprobe::kRoomWidth) ||
                         numberProperty(made[i], vkprobe::kNeedHeight) > numberProperty(made[i], vkprobe::kRoomHeight);
    EXPECT_EQ(clipped, !c.fits) << c.className << " \"" << c.text << "\" in " << c.width << "x" << c.height;
    tooSmall += c.fits ? 0 : 1;
  }
  EXPECT_EQ(m.clipped.size(), tooSmall);
  ::DestroyWindow(top);
}

// ---- the scale -----------------------------------------------------------------------

// LogPixels set for the programs started from now on; the value found is
// put back by the destructor.
class ScreenScale {
 public:
  explicit ScreenScale(DWORD dpi) {
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                          nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD size = sizeof saved_;
    DWORD type = 0;
    hadValue_ = ::RegQueryValueExA(key_, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&saved_), &size) ==
                    ERROR_SUCCESS &&
                type == REG_DWORD;
    set_ = ::RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) ==
           ERROR_SUCCESS;
  }
  ~ScreenScale() {
    if (key_ == nullptr) return;
    if (hadValue_) {
      ::RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved_), sizeof saved_);
    } else {
      ::RegDeleteValueA(key_, "LogPixels");
    }
    ::RegCloseKey(key_);
  }
  bool set() const { return set_; }

 private:
  HKEY key_ = nullptr;
  DWORD saved_ = 96;
  bool hadValue_ = false;
  bool set_ = false;
};

// ---- every window at one scale ----------------------------------------------------------

class LooksTest : public e2e::ManagerSession, public testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    scale_.reset(new ScreenScale(static_cast<DWORD>(GetParam())));
    ASSERT_TRUE(scale_->set());
    ASSERT_NO_FATAL_FAILURE(ManagerSession::SetUp());
    ASSERT_TRUE(probe_.ready()) << "text_probe.dll not found next to the test program";
  }
  void TearDown() override {
    ManagerSession::TearDown();
    if (guarded_.running()) guarded_.terminate();
    scale_.reset();
  }
  std::vector<e2e::Process*> helperProcesses() override { return {&guarded_}; }

  // Measures every text under the window and saves a picture of it as
  // dpi<N>\<name>.
  void check(HWND w, const std::string& name) {
    ASSERT_NE(w, nullptr) << name;
    e2e::paintNow(w);
    const Measured m = probe_.measure(w);
    EXPECT_EQ(m.dpi, GetParam()) << name << " was drawn at another scale";
    EXPECT_GT(m.texts, 0) << name << ": no text measured";
    for (const std::string& c : m.clipped) ADD_FAILURE() << name << " at " << GetParam() << " DPI: " << c;
    windowsChecked_ += 1;
    if (e2e::screenshotsEnabled()) {
      e2e::screenshot(w, "dpi" + std::to_string(GetParam()) + "\\" + name);
    }
  }
  void checkPage(HWND wizard, int page, const std::string& wizardName) {
    ASSERT_NE(waitForPage(wizard, page), nullptr) << wizardName << " page " << page;
    check(wizard, wizardName + "-" + std::to_string(page));
  }

  std::unique_ptr<ScreenScale> scale_;
  TextProbe probe_;
  e2e::Process guarded_;
  int windowsChecked_ = 0;
};

TEST_P(LooksTest, NoTextIsCutOffAnywhere) {
  // The first run: every page of its wizard.
  firstRunPageVisitor_ = [&](HWND wizard, int page) { check(wizard, "first-run-" + std::to_string(page)); };
  HWND firstRun = startIntoFirstRun();
  ASSERT_NE(firstRun, nullptr);
  ASSERT_NO_FATAL_FAILURE(completeFirstRun(firstRun, e2e::kSystemPassword, "First pet?", "Rex"));
  firstRunPageVisitor_ = nullptr;

  // The system password gate, then the manager window and its columns.
  HWND gate = openGate();
  check(gate, "gate");
  ::SetDlgItemTextA(gate, e2e::kGatePasswordEdit, e2e::kSystemPassword);
  pressButton(gate, IDOK);
  ASSERT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(frame_) != FALSE; }, kSettleMs));
  list_ = reinterpret_cast<HWND>(::GetPropA(frame_, "list"));
  check(frame_, "manager");

  // The New Lock wizard: both ways of naming the window, every page that
  // follows, and Finish, which makes the lock the prompt is shown for.
  HWND wizard = openNewLockWizard();
  ASSERT_NE(wizard, nullptr);
  HWND page = waitForPage(wizard, e2e::kPageMethod);
  click(page, e2e::kPickWindowRadio);
  checkPage(wizard, e2e::kPageMethod, "new-lock");
  ASSERT_NE(nextTo(wizard, e2e::kPagePick, ""), nullptr);
  checkPage(wizard, e2e::kPagePick, "new-lock");
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_BACK, 0);
  ASSERT_NE(page = waitForPage(wizard, e2e::kPageMethod), nullptr);
  click(page, e2e::kTypeTitleRadio);
  ASSERT_NE(page = nextTo(wizard, e2e::kPageTyped, ""), nullptr);
  ::SetDlgItemTextA(page, e2e::kTitleBox, kLockedTitle);
  checkPage(wizard, e2e::kPageTyped, "new-lock");
  ASSERT_NE(page = nextTo(wizard, e2e::kPageProtect, ""), nullptr);
  click(page, kProtectYes);
  checkPage(wizard, e2e::kPageProtect, "new-lock");
  ASSERT_NE(page = nextTo(wizard, e2e::kPagePassword, ""), nullptr);
  ::SetDlgItemTextA(page, kLockPasswordBox, kLockPassword);
  checkPage(wizard, e2e::kPagePassword, "new-lock");
  ASSERT_NE(page = nextTo(wizard, e2e::kPageAgain, ""), nullptr);
  ::SetDlgItemTextA(page, kLockPasswordBox, kLockPassword);
  checkPage(wizard, e2e::kPageAgain, "new-lock");
  for (int id : {e2e::kPageTries, e2e::kPageRelock, e2e::kPageAction, e2e::kPageSummary}) {
    ASSERT_NE(nextTo(wizard, id, ""), nullptr) << "page " << id;
    checkPage(wizard, id, "new-lock");
  }
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
  ASSERT_TRUE(e2e::gone(wizard));
  ASSERT_TRUE(e2e::waitUntil([&] { return recordCount() == 1; }, kSettleMs));

  // The Edit Lock dialog for that lock.
  ASSERT_TRUE(e2e::waitUntil([&] { return e2e::selectRows(manager_.handle(), list_, {0}); }, kSettleMs));
  command(kCmdEditLock);
  HWND edit = waitForShown(manager_.id(), kDialogClass, "Edit Lock");
  check(edit, "edit-lock");
  pressButton(edit, IDCANCEL);
  ASSERT_TRUE(e2e::gone(edit));

  // Options and About.
  command(kCmdPreferences);
  HWND options = waitForShown(manager_.id(), kDialogClass, "Options");
  check(options, "options");
  pressButton(options, IDCANCEL);
  ASSERT_TRUE(e2e::gone(options));
  command(kCmdAbout);
  HWND about = waitForShown(manager_.id(), kDialogClass, "About Vantakey");
  check(about, "about");
  pressButton(about, IDOK);
  ASSERT_TRUE(e2e::gone(about));

  // The change-password wizard from the menu: every page up to its
  // confirmation, which is cancelled. (Its first page, 147, is where neither
  // way in starts.)
  command(kCmdChangePassword);
  HWND change = waitForShown(manager_.id(), kDialogClass, kChangeCaption);
  ASSERT_NE(change, nullptr);
  ASSERT_NE(page = waitForPage(change, 149), nullptr);
  ::SetDlgItemTextA(page, kSystemPasswordBox, e2e::kSystemPassword);
  checkPage(change, 149, "change-password");
  ASSERT_NE(page = nextTo(change, 150, ""), nullptr);
  ::SetDlgItemTextA(page, kSystemPasswordBox, "New Key 8");
  checkPage(change, 150, "change-password");
  ASSERT_NE(page = nextTo(change, 151, ""), nullptr);
  ::SetDlgItemTextA(page, kSystemPasswordAgainBox, "New Key 8");
  checkPage(change, 151, "change-password");
  ASSERT_NE(page = nextTo(change, 152, ""), nullptr);
  ::SetDlgItemTextA(page, kSecretQuestionBox, "First car?");
  checkPage(change, 152, "change-password");
  ASSERT_NE(page = nextTo(change, 153, ""), nullptr);
  ::SetDlgItemTextA(page, kSecretAnswerBox, "Beetle");
  checkPage(change, 153, "change-password");
  ASSERT_NE(nextTo(change, 201, ""), nullptr);
  checkPage(change, 201, "change-password");
  ::PostMessageA(change, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  ASSERT_TRUE(e2e::gone(change));

  // The gate's "I lost my password...": the secret question page.
  command(kCmdClose);
  ASSERT_NE(gate = openGate(), nullptr);
  pressButton(gate, kLostPassword);
  HWND recovery = waitForShown(manager_.id(), kDialogClass, kChangeCaption);
  ASSERT_NE(recovery, nullptr);
  checkPage(recovery, 148, "change-password");
  ::PostMessageA(recovery, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  ASSERT_TRUE(e2e::gone(recovery));
  pressButton(gate, IDCANCEL);
  ASSERT_TRUE(e2e::gone(gate));

  // The lock prompt, in the locked program.
  guarded_ = e2e::spawnApp("guarded_window", {"--title", kLockedTitle});
  ASSERT_TRUE(guarded_.started());
  HWND prompt = e2e::waitForPrompt(guarded_.id(), kLockedTitle);
  check(prompt, "prompt");
  pressButton(prompt, IDCANCEL);

  EXPECT_EQ(windowsChecked_, 6 + 2 + 10 + 3 + 7 + 1);
}

// ---- thumbnails -------------------------------------------------------------------------

bool moduleLoaded(DWORD processId, const char* name) {
  win32::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!snapshot.valid() || snapshot.get() == INVALID_HANDLE_VALUE) return false;
  MODULEENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Module32First(snapshot.get(), &entry); more; more = ::Module32Next(snapshot.get(), &entry)) {
    if (_stricmp(entry.szModule, name) == 0) return true;
  }
  return false;
}

class ThumbnailTest : public e2e::ManagerSession {
 protected:
  void TearDown() override {
    ManagerSession::TearDown();
    if (guarded_.running()) guarded_.terminate();
  }
  std::vector<e2e::Process*> helperProcesses() override { return {&guarded_, &free_}; }
  e2e::Process guarded_;
  e2e::Process free_;
};

// Wine has no window composition: what can be shown is that the library
// asks for the icon-only thumbnail from inside the locked program (dwmapi.dll
// is loaded there, on that first need) and that the window still comes back
// whole after the right password.
TEST_F(ThumbnailTest, HeldBackWindowAsksForItsIconOnlyAndComesBackWhole) {
  FileLock lock;
  lock.title = kLockedTitle;
  lock.digest = digestOf(kLockPassword);
  writeDatabase({lock});
  ASSERT_NO_FATAL_FAILURE(startManager());
  // A window no lock matches: the library in its program asks nothing.
  free_ = e2e::spawnApp("guarded_window", {"--title", "vk free window"});
  ASSERT_TRUE(free_.started());
  HWND other = e2e::waitForWindow(free_.id(), e2e::kGuardedClass, "vk free window", e2e::kAppearMs);
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(e2e::waitUntil([&] { return e2e::isShownNormally(other); }, kSettleMs));
  EXPECT_FALSE(moduleLoaded(free_.id(), "dwmapi.dll"));

  guarded_ = e2e::spawnApp("guarded_window", {"--title", kLockedTitle});
  ASSERT_TRUE(guarded_.started());
  HWND prompt = e2e::waitForPrompt(guarded_.id(), kLockedTitle);
  ASSERT_NE(prompt, nullptr);
  EXPECT_TRUE(moduleLoaded(guarded_.id(), "dwmapi.dll")) << "the library never asked for the icon-only thumbnail";
  e2e::enterPassword(prompt, kLockPassword);
  ASSERT_TRUE(e2e::gone(prompt));
  HWND w = e2e::waitForWindow(guarded_.id(), e2e::kGuardedClass, kLockedTitle, kSettleMs);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(e2e::waitUntil([&] { return e2e::isShownNormally(w); }, kSettleMs));
}

INSTANTIATE_TEST_SUITE_P(Scales, LooksTest, testing::Values(96, 144),
                         [](const testing::TestParamInfo<int>& p) { return "Dpi" + std::to_string(p.param); });

}  // namespace
}  // namespace vk
