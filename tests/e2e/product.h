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

// The lock prompt for a window of this caption, once it is shown (it carries
// its caption before it becomes visible).
HWND waitForPrompt(DWORD pid, const char* caption);
// Types a password into the prompt and presses OK.
void enterPassword(HWND prompt, const char* password);

// Tray windows of the manager, of any process.
int trayWindowCount();

// ---- files -------------------------------------------------------------------------

std::string windowsFile(const char* name);
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

// A run of vkmanager.exe from a prepared "vk2.dat". The file found before is
// put back afterwards, and every process started is ended; the manager
// through Exit and Yes.
class ManagerSession : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Closes what the manager may still show before Exit (nothing by default).
  virtual void closeOpenDialogs() {}
  // Other processes a test may have started, ended after the manager.
  virtual std::vector<Process*> helperProcesses() { return {}; }

  void writeDatabase(const std::vector<FileLock>& locks, bool shutDownAtLogOff = false);
  // Starts vkmanager.exe and waits for its tray window and both hooks.
  void startManager();
  // Ends a manager still running the way a user does, Exit and Yes: under
  // Wine the system-wide hooks of a killed process stay installed, and would
  // guard every later test's windows.
  void endManager();
  // Double-click on the icon; the gate it shows.
  HWND openGate();
  // Through the gate with the system password; the manager window shows.
  void passGate();
  void command(int id);

  LockRecord record(std::uint32_t i);
  std::uint32_t recordCount();

  std::string databasePath_;
  bool hadDatabase_ = false;
  std::vector<unsigned char> savedDatabase_;
  Win32KernelObjects kernel_;
  LockTableView table_;
  KernelHandle mutex_ = nullptr;
  Process manager_;
  HWND tray_ = nullptr;
  HWND frame_ = nullptr;
  HWND list_ = nullptr;
};

}  // namespace e2e
}  // namespace vk
