// What the end-to-end tests of the product share: the names the product's
// windows carry, driving dialogs and the lock prompt of other processes,
// "vk2.dat" written and read independently of the manager's own code, the
// manager's list read and selected in its own memory, and a fixture that
// runs the real vkmanager.exe from a prepared "vk2.dat" and leaves the file
// and the system as it found them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "harness.h"
#include "platform/win32/kernel_objects.h"

namespace vk {
namespace e2e {

// Generous: a process start under Wine takes about a second, and the library
// is loaded into a target on its first hook call.
constexpr DWORD kAppearMs = 20000;
constexpr DWORD kSettleMs = 10000;
// The New Lock wizard's capture hides it for 7 seconds.
constexpr DWORD kCaptureMs = 30000;

constexpr const char* kDialogClass = "#32770";
// guarded_window.exe: its window class and its request to activate itself.
constexpr const char* kGuardedClass = "VkGuardedWindow";
constexpr UINT kActivateRequest = WM_APP + 2;
// The lock prompt's password box (vkgate.dll).
constexpr int kPromptPasswordEdit = 1000;

// vkmanager.exe.
constexpr const char* kTrayClass = "VantakeyClass";
constexpr const char* kTrayTitle = "vk";
constexpr const char* kFrameClass = "VkFrame";
constexpr const char* kManagerCaption = "Vantakey Manager";
constexpr UINT kTrayMessage = WM_USER + 1;
constexpr WPARAM kTrayIconId = 102;
constexpr int kGatePasswordEdit = 1004;
constexpr int kCmdExit = 7;
constexpr const char* kGateText = "Please enter the system password to continue.";
constexpr const char* kExitQuestion = "Exiting Vantakey will stop protecting all of your windows.";
// The system password of every prepared "vk2.dat".
constexpr const char* kSystemPassword = "Manager Key 7";

// ---- dialogs of other processes ---------------------------------------------------

// Posted: a button whose handler shows a message box would keep a sender
// waiting for as long as the box is up.
void pressButton(HWND dialog, int id);
std::string itemText(HWND dialog, int id);
// Texts of a dialog's static controls, each followed by '|'.
std::string staticTexts(HWND dialog);
// A visible window of the process with this class and caption whose static
// texts contain `text` (null: any).
HWND waitForShown(DWORD pid, const char* className, const char* caption, const char* text = nullptr,
                  DWORD deadlineMs = kAppearMs);
// True once the window is destroyed (within kSettleMs).
bool gone(HWND w);
bool isShownNormally(HWND w);
// Paints a window of another process now, so a screenshot shows it whole.
void paintNow(HWND w);
// The window painted now (and the window behind it, when given), and the
// whole screen saved.
void screenshot(HWND w, const std::string& name, HWND behind = nullptr);

// A button or check box clicked, so that a radio group follows as it does for
// a user.
void click(HWND dialog, int id);
bool isChecked(HWND dialog, int id);
// A message sent to a window of another process without hanging on it (the
// manager's thread may sleep through a capture or sit in a box); -1 when it
// got no answer.
LRESULT ask(HWND w, UINT message, WPARAM wParam, LPARAM lParam);

// ---- wizards of other processes -----------------------------------------------------

// The resource id of the wizard's current page; 0 when there is none.
int currentPage(HWND wizard);
// Waits for page `id` to be current and shown; its window, or null.
HWND waitForPage(HWND wizard, int id, DWORD deadlineMs = kSettleMs);
// Next on the current page, then the page it leads to; with a shot prefix,
// the screen is saved as <prefix><id>.
HWND nextTo(HWND wizard, int id, const std::string& shotPrefix);

// The first-run wizard: its caption, pages and boxes.
constexpr const char* kWelcomeCaption = "Welcome to Vantakey";
constexpr int kPageWelcome = 125;
constexpr int kPageNewPassword = 127;
constexpr int kPageRetype = 126;
constexpr int kPageQuestion = 144;
constexpr int kPageAnswer = 145;
constexpr int kPageReady = 128;
constexpr int kPasswordBox = 1004;
constexpr int kRetypeBox = 1021;
constexpr int kQuestionBox = 1036;
constexpr int kAnswerBox = 1037;

// The New Lock wizard (the manager window's command 1): its pages and controls.
constexpr const char* kNewLockCaption = "New Lock Wizard";
constexpr int kCmdNewLock = 1;
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
constexpr int kPickedTitle = 1020;
constexpr int kWildcardCheck = 1027;
constexpr int kActionList = 1028;
constexpr int kPickWindowRadio = 1029;
constexpr int kTypeTitleRadio = 1030;
constexpr int kPasswordRadio = 1031;
constexpr int kTriesBox = 1033;
constexpr int kMinutesBox = 1034;
constexpr int kSummaryBox = 1035;

// Pages 137 to 141 of the New Lock wizard with a password, tries and
// minutes (their start values checked on the way); ends on page 142, whose
// window it returns, or null.
HWND passwordTriesAndMinutes(HWND wizard, const char* password, const char* tries, const char* minutes,
                             const std::string& shotPrefix);

// The lock prompt for a window of this caption, once it is shown (it carries
// its caption before it becomes visible).
HWND waitForPrompt(DWORD pid, const char* caption);
// Types a password into the prompt and presses OK.
void enterPassword(HWND prompt, const char* password);

// Tray windows of the manager, of any process.
int trayWindowCount();

// ---- resources of a program file -----------------------------------------------------

// A dialog resource's header as the dialog manager reads it, from a standard
// (DIALOG) or an extended (DIALOGEX) template.
struct DialogHeader {
  bool extended = false;
  DWORD style = 0;
  short cx = 0;
  short cy = 0;
  WORD pointSize = 0;  // with DS_SETFONT
  std::string font;    // with DS_SETFONT
};
// False when the module has no such dialog or its header is cut short.
bool readDialogHeader(HMODULE module, int id, DialogHeader& header);

// ---- files -------------------------------------------------------------------------

std::string windowsFile(const char* name);
// "<ProgramData>\Vantakey", where the manager keeps "vk2.dat", and a file in it.
std::string dataFolder();
std::string dataFile(const char* name);
// An older 32-bit manager's redirected copy of a Windows-directory file.
std::string virtualStoreFile(const char* name);
// Makes every folder on the way to path that is missing (default rights).
bool makeFoldersFor(const std::string& path);
bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes);
bool writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes);

// ---- "vk2.dat" ----------------------------------------------------------------------

struct FileLock {
  std::string className;
  std::string title;
  bool wildcard = false;
  bool enabled = true;
  std::uint16_t maxTries = 3;
  std::int32_t relockSeconds = 300;
  std::uint16_t action = CloseWindow;
  PasswordDigest digest{};  // all zero: a lock without password

  bool operator==(const FileLock& o) const;
};
std::ostream& operator<<(std::ostream& out, const FileLock& l);

// The file's image: system password (null: none), no secret question, the
// log-off option and these locks.
std::vector<unsigned char> databaseImage(const char* systemPassword, const std::vector<FileLock>& locks,
                                         bool shutDownAtLogOff = false);
// The locks of a saved file. False when it does not hold a whole image.
bool readLocks(const std::vector<unsigned char>& file, std::vector<FileLock>& locks);
// A table record as the file would hold it.
FileLock fromRecord(const LockRecord& r);

// ---- the manager's list, read and driven in its own memory ---------------------------

// A block of memory in another process, freed with it.
class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, std::size_t size);
  ~RemoteBlock();
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool valid() const { return address_ != nullptr; }
  unsigned char* at(std::size_t offset) const { return static_cast<unsigned char*>(address_) + offset; }
  bool write(std::size_t offset, const void* data, std::size_t size) const;
  bool read(std::size_t offset, void* data, std::size_t size) const;

 private:
  HANDLE process_;
  void* address_;
};

using Row = std::vector<std::string>;
// Every row's texts, all six columns.
std::vector<Row> listRows(HANDLE process, HWND list);
// Selects exactly these rows, as clicks with Ctrl held would; `state` is
// what each gets (and what every other row loses).
bool selectRows(HANDLE process, HWND list, const std::vector<int>& rows, UINT state = LVIS_SELECTED);

// ---- the fixture ---------------------------------------------------------------------

// A run of vkmanager.exe from a prepared "vk2.dat" (or from none). The
// files found before ("vk2.dat", "vk.dat") are put back afterwards, and every
// process started is ended; the manager through Exit and Yes.
class ManagerSession : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Closes whatever dialog the manager still shows (a message box, a wizard,
  // a dialog) before Exit.
  virtual void closeOpenDialogs();
  // Other processes a test may have started, ended after the manager.
  virtual std::vector<Process*> helperProcesses() { return {}; }

  void writeDatabase(const std::vector<FileLock>& locks, bool shutDownAtLogOff = false);
  // Starts vkmanager.exe without waiting for its tray; the first-run
  // wizard's frame, or null.
  HWND startIntoFirstRun();
  // Drives the first-run wizard from its first page to Finish; then the
  // tray, the hooks and the manager window come. With a shot prefix every
  // page is saved as <prefix><page id>.
  void completeFirstRun(HWND wizard, const char* password, const char* question, const char* answer,
                        const std::string& shotPrefix = std::string());
  // Starts vkmanager.exe and waits for its tray window and both hooks.
  // After runWithout64BitLibrary(), waits for its tray window and its
  // notice that vkgate.dll is missing, which it closes, instead.
  void startManager();
  // Called by completeFirstRun on each page once it is filled in.
  std::function<void(HWND wizard, int page)> firstRunPageVisitor_;
  // From here on the manager runs from a folder of its own that holds
  // vkmanager.exe, vkhook32.exe and vkgate32.dll but no vkgate.dll: only
  // its 32-bit hook host installs hooks. Under Wine that is the only way to
  // see 32-bit programs guarded: Wine runs every hook of the chain in the
  // process itself and ends the chain at the first hook library of the
  // other bitness, and the manager's own hooks are the newest.
  void runWithout64BitLibrary();
  // Ends a manager still running the way a user does, Exit and Yes: under
  // Wine the system-wide hooks of a killed process stay installed, and would
  // guard every later test's windows.
  void endManager();
  // Double-click on the icon; the gate it shows.
  HWND openGate();
  // Through the gate with the system password; the manager window shows.
  // With a shot name, the gate is saved with the password typed in.
  void passGate(const char* password = kSystemPassword, const std::string& shotName = std::string());
  // The manager window's New Lock command; the wizard's frame, or null.
  HWND openNewLockWizard();
  void command(int id);

  LockRecord record(std::uint32_t i);
  std::uint32_t recordCount();

  // "vk2.dat" in the current place.
  std::string databasePath_;
  bool hadDatabase_ = false;
  std::vector<unsigned char> savedDatabase_;
  // The older database, "vk.dat": kept aside for the test, so that no stray
  // copy is imported, and put back afterwards.
  std::string olderPath_;
  bool hadOlder_ = false;
  std::vector<unsigned char> savedOlder_;
  // Older installations' "vk2.dat" (Windows directory, virtual store): kept
  // aside like "vk.dat".
  struct SetAside {
    std::string path;
    std::vector<unsigned char> bytes;
    bool had;
  };
  std::vector<SetAside> setAside_;
  Win32KernelObjects kernel_;
  LockTableView table_;
  KernelHandle mutex_ = nullptr;
  Process manager_;
  std::string managerProgram_ = siblingPath("vkmanager.exe");
  bool without64BitLibrary_ = false;
  HWND tray_ = nullptr;
  HWND frame_ = nullptr;
  HWND list_ = nullptr;
};

}  // namespace e2e
}  // namespace vk
