// The real vkmanager.exe under Wine: start-up from a prepared "vk2.dat", the
// single instance, the tray window's messages, the system password gate, the
// manager window's list and commands, and the exit with its confirmation.
// The user's part is played from this process with the messages a click
// would send; the list is read in the manager's own memory.
//
// Every test leaves "vk2.dat" (in "<ProgramData>\Vantakey") as it found it, and
// ends every process it started.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "gate/window_guard.h"
#include "harness.h"
#include "platform/win32/handle.h"
#include "product.h"

namespace vk {
namespace {

using e2e::FileLock;
using e2e::gone;
using e2e::itemText;
using e2e::kAppearMs;
using e2e::kDialogClass;
using e2e::kExitQuestion;
using e2e::kGateText;
using e2e::kGatePasswordEdit;
using e2e::kGuardedClass;
using e2e::kManagerCaption;
using e2e::kSettleMs;
using e2e::kSystemPassword;
using e2e::kTrayClass;
using e2e::kTrayIconId;
using e2e::kTrayMessage;
using e2e::kTrayTitle;
using e2e::pressButton;
using e2e::Row;
using e2e::screenshot;
using e2e::staticTexts;
using e2e::trayWindowCount;
using e2e::waitForShown;

constexpr const char* kMenuClass = "#32768";

constexpr int kCmdDeleteLock = 3;
constexpr int kCmdUnlock = 5;
constexpr int kCmdLock = 6;
constexpr int kCmdExit = e2e::kCmdExit;
constexpr int kMenuAbout = 40002;

constexpr const char* kLockPassword = "open sesame";

// Writes "<ProgramData>\Vantakey\vk2.dat" for a manual try of the manager:
//   vk_e2e_tests.exe --child write_database <system password> [<window title>...]
// Each title gets a lock (exact title, Close Window after 3 tries, re-lock
// after 5 minutes) whose password is the system password.
VK_E2E_CHILD_ROLE(write_database) {
  if (args.empty()) return e2e::ChildBadArguments;
  std::vector<FileLock> locks;
  for (std::size_t i = 1; i < args.size(); ++i) {
    FileLock l;
    l.title = args[i];
    l.digest = digestOf(args[0].c_str());
    locks.push_back(l);
  }
  const std::string path = e2e::dataFile("vk2.dat");
  const bool written =
      e2e::makeFoldersFor(path) && e2e::writeWholeFile(path, e2e::databaseImage(args[0].c_str(), locks));
  return written ? e2e::ChildOk : 1;
}

// ---- the fixture -----------------------------------------------------------------

class ManagerTest : public e2e::ManagerSession {
 protected:
  std::vector<e2e::Process*> helperProcesses() override { return {&guarded_, &second_}; }

  std::vector<std::pair<std::string, bool>> savedLocks() {
    std::vector<unsigned char> file;
    std::vector<FileLock> locks;
    EXPECT_TRUE(e2e::readWholeFile(databasePath_, file));
    EXPECT_TRUE(e2e::readLocks(file, locks));
    std::vector<std::pair<std::string, bool>> titles;
    for (const FileLock& l : locks) titles.emplace_back(l.title, l.enabled);
    return titles;
  }

  std::vector<Row> rows() { return e2e::listRows(manager_.handle(), list_); }

  bool buttonEnabled(int id) {
    HWND toolbar = reinterpret_cast<HWND>(::GetPropA(frame_, "toolbar"));
    return ::SendMessageA(toolbar, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0;
  }

  e2e::Process second_;
  e2e::Process guarded_;
};

FileLock lockOn(const char* title) {
  FileLock l;
  l.title = title;
  l.digest = digestOf(kLockPassword);
  return l;
}

// Three locks that show every kind of cell.
std::vector<FileLock> threeLocks() {
  FileLock notepad = lockOn("Untitled - Notepad");
  FileLock calculator = lockOn("Calc*");
  calculator.wildcard = true;
  calculator.enabled = false;
  calculator.action = DenyAccess;
  calculator.maxTries = 5;
  calculator.relockSeconds = 90;
  FileLock diary = lockOn("My Diary - WordPad");
  diary.digest = PasswordDigest{};  // no password
  diary.action = ShutdownComputer;
  return {notepad, calculator, diary};
}

// ---- the program file ------------------------------------------------------------

// The program is installed by copying one file: it may need no DLL beyond
// the system's own, and carries every resource its windows load.
TEST(ManagerProgram, IsAStaticGuiProgramWithItsResources) {
  win32::UniqueModule program(
      ::LoadLibraryExA(e2e::siblingPath("vkmanager.exe").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(program.valid()) << "vkmanager.exe not found next to the test program";
  const auto* base = reinterpret_cast<const unsigned char*>(program.get());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  ASSERT_EQ(nt->Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(imports.VirtualAddress, 0u);
  // ole32: CoTaskMemFree for the known-folder path of the database.
  const char* const system[] = {"KERNEL32.dll", "USER32.dll",   "GDI32.dll", "ADVAPI32.dll",
                                "SHELL32.dll",  "COMCTL32.dll", "ole32.dll", "WTSAPI32.dll",
                                "msvcrt.dll"};
  for (const auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0;
       ++d) {
    const char* name = reinterpret_cast<const char*>(base + d->Name);
    bool known = false;
    for (const char* s : system) known = known || _stricmp(name, s) == 0;
    EXPECT_TRUE(known) << name << " is not a system DLL";
  }

  HMODULE m = program.get();
  // Both icons in 16 x 16 and 32 x 32; the toolbar strip.
  for (WORD icon : {102, 103}) {
    HRSRC group = ::FindResourceA(m, MAKEINTRESOURCEA(icon), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr) << "icon " << icon;
    auto* directory = static_cast<PBYTE>(::LockResource(::LoadResource(m, group)));
    for (int size : {16, 32}) {
      const int id = ::LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
      HRSRC image = ::FindResourceA(m, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));  // RT_ICON
      ASSERT_NE(image, nullptr) << "icon " << icon << " at " << size;
      const auto* header = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(m, image)));
      EXPECT_EQ(header->biWidth, size) << "icon " << icon;
    }
  }
  HRSRC strip = ::FindResourceA(m, MAKEINTRESOURCEA(110), MAKEINTRESOURCEA(2));  // RT_BITMAP
  ASSERT_NE(strip, nullptr);
  const auto* bitmap = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(m, strip)));
  EXPECT_EQ(bitmap->biWidth, 256);
  EXPECT_EQ(bitmap->biHeight, 32);
  EXPECT_EQ(bitmap->biBitCount, 4);

  // The dialogs' frames, in the shell's dialog font.
  struct DialogFrame {
    WORD id;
    DWORD style;
    short cx, cy;
  };
  const DialogFrame dialogs[] = {
      {101, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SHELLFONT |
                DS_NOFAILCREATE | DS_ABSALIGN,
       216, 90},
      {106, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SHELLFONT, 166, 98},
      {154, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SHELLFONT, 170, 69},
  };
  for (const DialogFrame& d : dialogs) {
    e2e::DialogHeader t;
    ASSERT_TRUE(e2e::readDialogHeader(m, d.id, t)) << "dialog " << d.id;
    EXPECT_TRUE(t.extended) << "dialog " << d.id;
    EXPECT_EQ(t.style, d.style) << "dialog " << d.id;
    EXPECT_EQ(t.cx, d.cx) << "dialog " << d.id;
    EXPECT_EQ(t.cy, d.cy) << "dialog " << d.id;
    EXPECT_EQ(t.font, "MS Shell Dlg") << "dialog " << d.id;
    EXPECT_EQ(t.pointSize, 8) << "dialog " << d.id;
  }

  // The menus: each popup's items as "text=id", separators as "-".
  auto items = [](HMENU popup) {
    std::string all;
    for (int i = 0; i < ::GetMenuItemCount(popup); ++i) {
      char text[64] = {};
      ::GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      const UINT id = ::GetMenuItemID(popup, i);
      all += text[0] == '\0' ? std::string("-") : std::string(text) + "=" + std::to_string(id);
      all += ';';
    }
    return all;
  };
  HMENU iconMenu = ::LoadMenuA(m, MAKEINTRESOURCEA(107));
  ASSERT_NE(iconMenu, nullptr);
  EXPECT_EQ(items(::GetSubMenu(iconMenu, 0)), "&Vantakey Manager=40006;-;Lock All &Now=40030;-;&About=40002;");
  ::DestroyMenu(iconMenu);
  HMENU windowMenu = ::LoadMenuA(m, MAKEINTRESOURCEA(140));
  ASSERT_NE(windowMenu, nullptr);
  EXPECT_EQ(items(::GetSubMenu(windowMenu, 0)), "&Close=40027;-;&Exit=40015;");
  EXPECT_EQ(items(::GetSubMenu(windowMenu, 1)), "Change System Password...=40029;&Edit Preferences...=40026;");
  EXPECT_EQ(items(::GetSubMenu(windowMenu, 2)), "&Online Help=40028;-;&About=40002;");
  ::DestroyMenu(windowMenu);
}

// ---- start-up and single instance ------------------------------------------------

TEST_F(ManagerTest, StartsFromThePreparedDatabaseAndGuardsOtherProcesses) {
  constexpr const char* kLocked = "vk manager guarded window";
  writeDatabase({lockOn(kLocked)});
  startManager();

  EXPECT_EQ(::FindWindowA(kTrayClass, kTrayTitle), tray_);
  EXPECT_FALSE(::IsWindowVisible(tray_));
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(tray_, GWL_STYLE)) & (WS_POPUP | WS_CHILD | WS_CAPTION),
            static_cast<DWORD>(WS_POPUP));
  EXPECT_FALSE(::IsWindowVisible(frame_)) << "the manager window starts hidden";
  ASSERT_EQ(recordCount(), 1u);
  EXPECT_STREQ(record(0).title, kLocked);

  // The tray window is not one of the system's password dialogs.
  DWORD_PTR reply = 0;
  const std::uint32_t t = static_cast<std::uint32_t>(std::time(nullptr)), r = 77;
  ASSERT_NE(::SendMessageTimeoutA(tray_, OwnWindowChallenge, t, r, SMTO_NORMAL, 5000, &reply), 0);
  EXPECT_NE(static_cast<std::uint32_t>(reply), challengeAnswer(t, r));

  guarded_ = e2e::spawnApp("guarded_window", {"--title", kLocked});
  ASSERT_TRUE(guarded_.started());
  HWND prompt = waitForShown(guarded_.id(), kDialogClass, kLocked);
  ASSERT_NE(prompt, nullptr) << "the locked window of another process was not prompted for";
  HWND w = e2e::waitForWindow(guarded_.id(), kGuardedClass, nullptr, kSettleMs);
  EXPECT_FALSE(::IsWindowVisible(w));
  pressButton(prompt, IDCANCEL);
  EXPECT_TRUE(gone(prompt));
}

TEST_F(ManagerTest, ASecondCopyExitsAtOnceAndTheRunningOneAsksForThePassword) {
  writeDatabase({lockOn("vk a lock")});
  startManager();
  const std::uint32_t cbt = table_.cbtHook();
  const std::uint32_t callWndRet = table_.callWndRetHook();

  second_ = e2e::spawn(e2e::siblingPath("vkmanager.exe"), {});
  ASSERT_TRUE(second_.started());
  DWORD code = 99;
  ASSERT_TRUE(second_.wait(kSettleMs, &code)) << "the second copy did not exit";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(trayWindowCount(), 1);
  EXPECT_EQ(table_.cbtHook(), cbt) << "the second copy touched the table header";
  EXPECT_EQ(table_.callWndRetHook(), callWndRet);
  EXPECT_EQ(recordCount(), 1u);

  // The hidden manager window is opened by the running copy, through its gate.
  HWND gate = waitForShown(manager_.id(), kDialogClass, kManagerCaption, kGateText);
  ASSERT_NE(gate, nullptr) << "the running copy did not take the hand-over";
  EXPECT_FALSE(::IsWindowVisible(frame_));
  pressButton(gate, IDCANCEL);
  EXPECT_TRUE(gone(gate));
  EXPECT_FALSE(::IsWindowVisible(frame_)) << "Cancel keeps the manager window hidden";
}

// ---- the tray window and the gate ----------------------------------------------

TEST_F(ManagerTest, GateRefusesAWrongPasswordAndOpensTheManagerForTheRightOne) {
  writeDatabase(threeLocks());
  startManager();

  HWND gate = openGate();
  ASSERT_NE(gate, nullptr) << "double-click on the icon did not open the password gate";
  EXPECT_EQ(::SendMessageA(::GetDlgItem(gate, kGatePasswordEdit), EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(LOWORD(::SendMessageA(gate, DM_GETDEFID, 0, 0)), IDOK);
  EXPECT_EQ(itemText(gate, 1039), "I lost my password...");
  const std::uint32_t t = static_cast<std::uint32_t>(std::time(nullptr)), r = 4321;
  DWORD_PTR reply = 0;
  ASSERT_NE(::SendMessageTimeoutA(gate, OwnWindowChallenge, t, r, SMTO_NORMAL, 5000, &reply), 0);
  EXPECT_EQ(static_cast<std::uint32_t>(reply), challengeAnswer(t, r)) << "the gate answers the challenge";
  ASSERT_TRUE(::SetDlgItemTextA(gate, kGatePasswordEdit, "secret"));
  screenshot(gate, "manager_gate");

  // Another letter case is another password.
  ASSERT_TRUE(::SetDlgItemTextA(gate, kGatePasswordEdit, "manager key 7"));
  pressButton(gate, IDOK);
  HWND box = waitForShown(manager_.id(), kDialogClass, "Invalid Password");
  ASSERT_NE(box, nullptr) << "no \"Invalid Password\" box";
  EXPECT_EQ(::GetWindow(box, GW_OWNER), gate);
  EXPECT_NE(staticTexts(box).find("The password you entered is not correct.\nPlease try again."), std::string::npos)
      << staticTexts(box);
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  EXPECT_EQ(itemText(gate, kGatePasswordEdit), "");
  EXPECT_FALSE(::IsWindowVisible(frame_));

  ASSERT_TRUE(::SetDlgItemTextA(gate, kGatePasswordEdit, kSystemPassword));
  pressButton(gate, IDOK);
  ASSERT_TRUE(gone(gate));
  ASSERT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(frame_) != FALSE; }, kSettleMs));
  list_ = reinterpret_cast<HWND>(::GetPropA(frame_, "list"));
  ASSERT_NE(list_, nullptr);

  const std::vector<Row> expected = {
      {"Untitled - Notepad", "Yes", "Yes", "3", "5", "Close Window"},
      {"Calc*", "No", "Yes", "5", "1", "Deny Access"},
      {"My Diary - WordPad", "Yes", "No", "N/A", "N/A", "Shutdown Computer"},
  };
  EXPECT_EQ(rows(), expected);
  for (int id : {kCmdLock, kCmdUnlock, 2, kCmdDeleteLock}) EXPECT_FALSE(buttonEnabled(id)) << id;
  for (int id : {1, 4, kCmdExit}) EXPECT_TRUE(buttonEnabled(id)) << id;
  screenshot(frame_, "manager_window");

  // Once open, the icon shows it without asking again.
  ::PostMessageA(tray_, kTrayMessage, kTrayIconId, WM_LBUTTONDBLCLK);
  EXPECT_FALSE(e2e::waitUntil([&] { return waitForShown(manager_.id(), kDialogClass, kManagerCaption, kGateText, 0) != nullptr; },
                              2000));
  EXPECT_TRUE(::IsWindowVisible(frame_));
}

TEST_F(ManagerTest, TrayMenuOpensAndIsDismissed) {
  writeDatabase({lockOn("vk a lock")});
  startManager();

  ::PostMessageA(tray_, kTrayMessage, kTrayIconId, WM_RBUTTONDOWN);
  HWND menu = waitForShown(manager_.id(), kMenuClass, nullptr);
  ASSERT_NE(menu, nullptr) << "right-click on the icon showed no menu";
  screenshot(menu, "manager_tray_menu");

  ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(menu); }, kSettleMs)) << "the menu stayed up";
  // The tray window answers again once the menu has ended.
  HWND gate = openGate();
  ASSERT_NE(gate, nullptr);
  pressButton(gate, IDCANCEL);
  EXPECT_TRUE(gone(gate));
}

TEST_F(ManagerTest, AboutBoxShowsOnceWithNameAndVersion) {
  writeDatabase({});
  startManager();
  command(kMenuAbout);
  HWND about = waitForShown(manager_.id(), kDialogClass, "About Vantakey");
  ASSERT_NE(about, nullptr);
  EXPECT_NE(staticTexts(about).find("Vantakey\nVersion 2.0"), std::string::npos) << staticTexts(about);
  EXPECT_NE(::GetDlgItem(about, IDOK), nullptr);

  command(kMenuAbout);  // a second request brings the open box forward
  EXPECT_FALSE(e2e::waitUntil(
      [&] {
        int n = 0;
        for (HWND w : e2e::windowsOf(manager_.id())) n += e2e::windowTitle(w) == "About Vantakey" ? 1 : 0;
        return n > 1;
      },
      2000));
  pressButton(about, IDOK);
  EXPECT_TRUE(gone(about));
}

// At log-off the manager ends itself, saving, only when the user chose so.
TEST_F(ManagerTest, LogOffEndsTheManagerOnlyWithItsOption) {
  writeDatabase({lockOn("vk a lock")}, false);
  startManager();
  DWORD_PTR ignored = 0;
  ASSERT_NE(::SendMessageTimeoutA(tray_, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &ignored), 0);
  EXPECT_FALSE(manager_.wait(2000)) << "ended at log-off without its option";
  endManager();

  writeDatabase({lockOn("vk a lock")}, true);
  startManager();
  ASSERT_TRUE(::DeleteFileA(databasePath_.c_str()));
  // A log-off that was cancelled after all.
  ASSERT_NE(::SendMessageTimeoutA(tray_, WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, 5000, &ignored), 0);
  EXPECT_FALSE(manager_.wait(2000)) << "ended at a cancelled log-off";
  ASSERT_NE(::SendMessageTimeoutA(tray_, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &ignored), 0);
  DWORD code = 99;
  ASSERT_TRUE(manager_.wait(kAppearMs, &code)) << "the log-off did not end the manager";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(trayWindowCount(), 0);
  const std::vector<std::pair<std::string, bool>> saved = {{"vk a lock", true}};
  EXPECT_EQ(savedLocks(), saved) << "not saved at log-off";
}

// ---- the manager window's commands -------------------------------------------------

TEST_F(ManagerTest, LockUnlockAndDeleteChangeTheTableTheListAndTheFile) {
  writeDatabase(threeLocks());
  startManager();
  passGate();
  ASSERT_EQ(rows().size(), 3u);

  // Lock the switched-off lock.
  ASSERT_TRUE(e2e::selectRows(manager_.handle(), list_, {1}));
  EXPECT_TRUE(buttonEnabled(kCmdLock));
  EXPECT_FALSE(buttonEnabled(kCmdUnlock));
  command(kCmdLock);
  ASSERT_TRUE(e2e::waitUntil([&] { return record(1).enabled == 1; }, kSettleMs));
  EXPECT_TRUE(e2e::waitUntil([&] { return rows().at(1).at(1) == "Yes"; }, kSettleMs));
  EXPECT_TRUE(e2e::waitUntil([&] { return savedLocks().size() == 3 && savedLocks()[1].second; }, kSettleMs));

  // Unlock the first one.
  ASSERT_TRUE(e2e::selectRows(manager_.handle(), list_, {0}));
  EXPECT_TRUE(buttonEnabled(kCmdUnlock));
  EXPECT_FALSE(buttonEnabled(kCmdLock));
  command(kCmdUnlock);
  ASSERT_TRUE(e2e::waitUntil([&] { return record(0).enabled == 0; }, kSettleMs));
  EXPECT_TRUE(e2e::waitUntil([&] { return rows().at(0).at(1) == "No"; }, kSettleMs));
  EXPECT_TRUE(e2e::waitUntil([&] { return savedLocks().size() == 3 && !savedLocks()[0].second; }, kSettleMs));

  // Delete the first and the last: the middle one stays, as record 0.
  ASSERT_TRUE(e2e::selectRows(manager_.handle(), list_, {0, 2}));
  EXPECT_TRUE(buttonEnabled(kCmdDeleteLock));
  EXPECT_FALSE(buttonEnabled(2)) << "Edit Lock takes one row";
  command(kCmdDeleteLock);
  ASSERT_TRUE(e2e::waitUntil([&] { return recordCount() == 1; }, kSettleMs));
  EXPECT_STREQ(record(0).title, "Calc*");
  EXPECT_TRUE(e2e::waitUntil([&] { return rows().size() == 1 && rows()[0][0] == "Calc*"; }, kSettleMs));
  const std::vector<std::pair<std::string, bool>> saved = {{"Calc*", true}};
  EXPECT_TRUE(e2e::waitUntil([&] { return savedLocks() == saved; }, kSettleMs));
}

TEST_F(ManagerTest, ExitAsksAndYesRemovesHooksSavesAndEnds) {
  constexpr const char* kLocked = "vk manager exit window";
  writeDatabase({lockOn(kLocked)});
  startManager();
  // The file is saved again at exit: take it away to see it come back.
  ASSERT_TRUE(::DeleteFileA(databasePath_.c_str()));

  command(kCmdExit);
  HWND question = waitForShown(manager_.id(), kDialogClass, kManagerCaption, kExitQuestion);
  ASSERT_NE(question, nullptr) << "Exit did not ask";
  pressButton(question, IDNO);
  ASSERT_TRUE(gone(question));
  EXPECT_TRUE(manager_.running()) << "No keeps the manager running";
  EXPECT_NE(::FindWindowA(kTrayClass, kTrayTitle), nullptr);

  command(kCmdExit);
  question = waitForShown(manager_.id(), kDialogClass, kManagerCaption, kExitQuestion);
  ASSERT_NE(question, nullptr);
  pressButton(question, IDYES);
  DWORD code = 99;
  ASSERT_TRUE(manager_.wait(kAppearMs, &code)) << "Yes did not end the manager";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(trayWindowCount(), 0);
  const std::vector<std::pair<std::string, bool>> saved = {{kLocked, true}};
  EXPECT_EQ(savedLocks(), saved) << "the database was not saved at exit";

  // No hook is called any more: a matching window comes up unprompted.
  guarded_ = e2e::spawnApp("guarded_window", {"--title", kLocked});
  ASSERT_TRUE(guarded_.started());
  HWND w = e2e::waitForWindow(guarded_.id(), kGuardedClass, nullptr, kAppearMs);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == w; }, kAppearMs));
  EXPECT_TRUE(::IsWindowVisible(w));
  HWND dialog = e2e::findWindow(guarded_.id(), kDialogClass, nullptr);
  EXPECT_EQ(dialog, nullptr) << e2e::windowTitle(dialog) << ": " << staticTexts(dialog);
}

}  // namespace
}  // namespace vk
