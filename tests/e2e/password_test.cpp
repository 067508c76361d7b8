// The system password in the real vkmanager.exe under Wine: the first-run
// wizard with no database (and from an older "vk.dat"), the
// change-password wizard from the gate's "I lost my password..." and from the
// menu, and the Options dialog with the Run value of the registry. Driven
// from this process through the dialogs' own controls.
//
// Every test leaves "vk2.dat", "vk.dat" and the Run value as it found them,
// and ends every process it started.
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
#include "product.h"

namespace vk {
namespace {

using e2e::ask;
using e2e::click;
using e2e::currentPage;
using e2e::FileLock;
using e2e::gone;
using e2e::isChecked;
using e2e::itemText;
using e2e::kAppearMs;
using e2e::kDialogClass;
using e2e::kGatePasswordEdit;
using e2e::kAnswerBox;
using e2e::kGuardedClass;
using e2e::kPageWelcome;
using e2e::kPasswordBox;
using e2e::kQuestionBox;
using e2e::kRetypeBox;
using e2e::kSettleMs;
using e2e::kSystemPassword;
using e2e::pressButton;
using e2e::screenshot;
using e2e::staticTexts;
using e2e::nextTo;
using e2e::trayWindowCount;
using e2e::waitForPage;
using e2e::waitForShown;

constexpr const char* kChangeCaption = "Change Password Wizard";
constexpr const char* kMustComplete = "You must complete the welcome wizard before you can begin using Vantakey.";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

constexpr int kStartWithWindows = 1057;
constexpr int kShutDownAtLogOff = 1058;
constexpr int kLostPassword = 1039;
constexpr int kCmdPreferences = 40026;
constexpr int kCmdChangePassword = 40029;

// ---- "vk2.dat" fields ---------------------------------------------------------------

bool digestAt(const std::vector<unsigned char>& file, std::size_t offset, const PasswordDigest& d) {
  return file.size() >= offset + 20 && std::memcmp(file.data() + offset, d.bytes, 20) == 0;
}
std::string questionOf(const std::vector<unsigned char>& file) {
  if (file.size() < 22) return "";
  const std::size_t n = file[20] | (file[21] << 8);
  if (file.size() < 22 + n) return "";
  return std::string(file.begin() + 22, file.begin() + 22 + static_cast<std::ptrdiff_t>(n));
}
std::size_t answerOffset(const std::vector<unsigned char>& file) { return 22 + questionOf(file).size(); }
// The log-off flag follows the answer digest and the two reserved strings.
int logOffFlag(const std::vector<unsigned char>& file) {
  std::size_t at = answerOffset(file) + 20;
  for (int i = 0; i < 2; ++i) {
    if (file.size() < at + 2) return -1;
    at += 2 + (file[at] | (file[at + 1] << 8));
  }
  return file.size() > at ? file[at] : -1;
}

// A prepared image with this secret question and answer (as typed).
std::vector<unsigned char> imageWithQuestion(const char* question, const char* answer) {
  std::vector<unsigned char> plain = e2e::databaseImage(kSystemPassword, {});
  std::vector<unsigned char> b(plain.begin(), plain.begin() + 20);
  const std::size_t n = std::strlen(question);
  b.push_back(static_cast<unsigned char>(n & 0xFF));
  b.push_back(static_cast<unsigned char>(n >> 8));
  b.insert(b.end(), question, question + n);
  const PasswordDigest d = digestOf(answer);
  b.insert(b.end(), d.bytes, d.bytes + 20);
  b.insert(b.end(), plain.begin() + 22 + 4 + 20, plain.end());  // after "NONE" and its zero digest
  return b;
}

// ---- registry ----------------------------------------------------------------------

bool runValue(std::string* data = nullptr) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char buffer[1000] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  const bool there =
      ::RegQueryValueExA(key, "vk", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  if (there && data != nullptr) *data = type == REG_SZ ? std::string(buffer) : std::string();
  return there;
}

// ---- the fixture -------------------------------------------------------------------

class PasswordTest : public e2e::ManagerSession {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ManagerSession::SetUp());
    hadRunValue_ = runValue(&savedRunValue_);
  }
  void TearDown() override {
    ManagerSession::TearDown();
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      if (hadRunValue_) {
        ::RegSetValueExA(key, "vk", 0, REG_SZ, reinterpret_cast<const BYTE*>(savedRunValue_.c_str()),
                         static_cast<DWORD>(savedRunValue_.size() + 1));
      } else {
        ::RegDeleteValueA(key, "vk");
      }
      ::RegCloseKey(key);
    }
  }
  std::vector<e2e::Process*> helperProcesses() override { return {&guarded_}; }

  // The gate opened from the icon; true when `password` opened the manager.
  bool gateAccepts(const char* password) {
    HWND gate = openGate();
    if (gate == nullptr) return false;
    ::SetDlgItemTextA(gate, kGatePasswordEdit, password);
    pressButton(gate, IDOK);
    if (!gone(gate)) return false;
    if (!e2e::waitUntil([&] { return ::IsWindowVisible(frame_) != FALSE; }, kSettleMs)) return false;
    list_ = reinterpret_cast<HWND>(::GetPropA(frame_, "list"));
    return true;
  }

  std::vector<unsigned char> savedFile() {
    std::vector<unsigned char> file;
    e2e::readWholeFile(databasePath_, file);
    return file;
  }

  HWND openOptions() {
    command(kCmdPreferences);
    return waitForShown(manager_.id(), kDialogClass, "Options");
  }

  bool hadRunValue_ = false;
  std::string savedRunValue_;
  e2e::Process guarded_;
};

TEST_F(PasswordTest, FirstRunSetsThePasswordBeforeAnythingIsEnforcedAndCannotBeCancelled) {
  ::DeleteFileA(databasePath_.c_str());
  HWND wizard = startIntoFirstRun();
  ASSERT_NE(wizard, nullptr) << "no first-run wizard without \"vk2.dat\"";
  EXPECT_EQ(trayWindowCount(), 0) << "the tray window exists before the first-run wizard ended";
  EXPECT_EQ(table_.cbtHook(), 0u) << "hooks installed before the first-run wizard ended";
  EXPECT_EQ(table_.callWndRetHook(), 0u);
  ASSERT_NE(waitForPage(wizard, kPageWelcome), nullptr);
  EXPECT_NE(staticTexts(reinterpret_cast<HWND>(ask(wizard, PSM_GETCURRENTPAGEHWND, 0, 0))).find("Welcome to Vantakey!"),
            std::string::npos);

  // Cancel is refused with its message, and the wizard stays where it was.
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  HWND box = waitForShown(manager_.id(), kDialogClass, "Error", kMustComplete);
  ASSERT_NE(box, nullptr) << "Cancel did not say the wizard must be completed";
  screenshot(box, "password_first_run_cancel_refused");
  pressButton(box, IDOK);
  ASSERT_TRUE(gone(box));
  EXPECT_TRUE(::IsWindowVisible(wizard));
  EXPECT_EQ(currentPage(wizard), kPageWelcome);

  ASSERT_NO_FATAL_FAILURE(completeFirstRun(wizard, "New Key 42", "My first dog's name?", "Rex Junior", "password_first_run_"));
  const std::vector<unsigned char> file = savedFile();
  EXPECT_TRUE(digestAt(file, 0, digestOf("New Key 42"))) << "the new password's digest is not saved";
  EXPECT_EQ(questionOf(file), "My first dog's name?");
  EXPECT_TRUE(digestAt(file, answerOffset(file), digestOf("rex junior"))) << "the answer is saved lower-cased";

  EXPECT_TRUE(gateAccepts("New Key 42")) << "the gate refuses the password set in the first-run wizard";
}

TEST_F(PasswordTest, AFileWithoutSystemPasswordLeadsToTheFirstRunWizard) {
  ASSERT_TRUE(e2e::makeFoldersFor(databasePath_));
  ASSERT_TRUE(e2e::writeWholeFile(databasePath_, e2e::databaseImage(nullptr, {})));
  HWND wizard = startIntoFirstRun();
  ASSERT_NE(wizard, nullptr) << "a file whose password digest is zero did not lead to the first-run wizard";
  EXPECT_EQ(trayWindowCount(), 0);
  ASSERT_NO_FATAL_FAILURE(completeFirstRun(wizard, "Zero Was Here", "Q?", "A"));
  EXPECT_TRUE(digestAt(savedFile(), 0, digestOf("Zero Was Here")));
}

TEST_F(PasswordTest, AnOlderDatabaseIsImportedEnforcedAndDeleted) {
  constexpr const char* kLocked = "vk imported guarded window";
  ::DeleteFileA(databasePath_.c_str());
  // A 20-byte block the import skips, two reserved strings, one lock:
  // class, title, digest.
  std::vector<unsigned char> older(20, 0);
  auto text = [&](const std::string& s) {
    older.push_back(static_cast<unsigned char>(s.size() & 0xFF));
    older.push_back(static_cast<unsigned char>(s.size() >> 8));
    older.insert(older.end(), s.begin(), s.end());
  };
  text("");
  text("");
  older.push_back(1);
  older.push_back(0);
  text("");
  text(kLocked);
  const PasswordDigest d = digestOf("older lock key");
  older.insert(older.end(), d.bytes, d.bytes + 20);
  ASSERT_TRUE(e2e::writeWholeFile(olderPath_, older));

  HWND wizard = startIntoFirstRun();
  ASSERT_NE(wizard, nullptr);
  ASSERT_NO_FATAL_FAILURE(completeFirstRun(wizard, "After Import", "Q?", "A"));
  EXPECT_EQ(::GetFileAttributesA(olderPath_.c_str()), INVALID_FILE_ATTRIBUTES) << "\"vk.dat\" was not deleted";
  std::vector<FileLock> locks;
  ASSERT_TRUE(e2e::readLocks(savedFile(), locks));
  ASSERT_EQ(locks.size(), 1u);
  EXPECT_EQ(locks[0].title, kLocked);
  EXPECT_TRUE(digestAt(savedFile(), 0, digestOf("After Import")));

  guarded_ = e2e::spawnApp("guarded_window", {"--title", kLocked});
  ASSERT_TRUE(guarded_.started());
  HWND prompt = waitForShown(guarded_.id(), kDialogClass, kLocked);
  ASSERT_NE(prompt, nullptr) << "the imported lock is not enforced";
  e2e::enterPassword(prompt, "older lock key");
  EXPECT_TRUE(gone(prompt));
  HWND w = e2e::waitForWindow(guarded_.id(), kGuardedClass, nullptr, kSettleMs);
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(w) != FALSE; }, kSettleMs))
      << "the imported lock's password did not open the window";
}

TEST_F(PasswordTest, ALostPasswordIsReplacedAfterTheSecretAnswerInAnyLetterCase) {
  ASSERT_TRUE(e2e::makeFoldersFor(databasePath_));
  ASSERT_TRUE(e2e::writeWholeFile(databasePath_, imageWithQuestion("Where was I born?", "ulm on the danube")));
  ASSERT_NO_FATAL_FAILURE(startManager());
  HWND gate = openGate();
  ASSERT_NE(gate, nullptr);
  pressButton(gate, kLostPassword);
  HWND wizard = waitForShown(manager_.id(), kDialogClass, kChangeCaption);
  ASSERT_NE(wizard, nullptr) << "\"I lost my password...\" did not open the change-password wizard";
  HWND page = waitForPage(wizard, 148);
  ASSERT_NE(page, nullptr) << "the wizard did not start at the secret question";
  screenshot(wizard, "password_change_148");
  EXPECT_EQ(itemText(page, kQuestionBox), "Where was I born?");

  ASSERT_TRUE(::SetDlgItemTextA(page, kAnswerBox, "ULM on the Danube"));
  ASSERT_NE(page = nextTo(wizard, 150, "password_change_"), nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(page, kPasswordBox, "Recovered 5"));
  ASSERT_NE(page = nextTo(wizard, 151, "password_change_"), nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(page, kRetypeBox, "Recovered 5"));
  ASSERT_NE(page = nextTo(wizard, 152, "password_change_"), nullptr);
  EXPECT_EQ(itemText(page, kQuestionBox), "") << "the new question starts empty";
  ASSERT_TRUE(::SetDlgItemTextA(page, kQuestionBox, "Favourite river?"));
  ASSERT_NE(page = nextTo(wizard, 153, "password_change_"), nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(page, kAnswerBox, "Danube"));
  ASSERT_NE(page = nextTo(wizard, 201, "password_change_"), nullptr);
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
  ASSERT_TRUE(gone(wizard));

  const std::vector<unsigned char> file = savedFile();
  EXPECT_TRUE(digestAt(file, 0, digestOf("Recovered 5")));
  EXPECT_EQ(questionOf(file), "Favourite river?");
  EXPECT_TRUE(digestAt(file, answerOffset(file), digestOf("danube")));

  // The gate stayed open underneath and now takes the new password.
  ASSERT_TRUE(::IsWindowVisible(gate));
  ASSERT_TRUE(::SetDlgItemTextA(gate, kGatePasswordEdit, "Recovered 5"));
  pressButton(gate, IDOK);
  ASSERT_TRUE(gone(gate));
  ASSERT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(frame_) != FALSE; }, kSettleMs));

  // From the menu the wizard asks for the current password instead; Cancel
  // there changes nothing.
  command(kCmdChangePassword);
  wizard = waitForShown(manager_.id(), kDialogClass, kChangeCaption);
  ASSERT_NE(wizard, nullptr);
  ASSERT_NE(page = waitForPage(wizard, 149), nullptr);
  screenshot(wizard, "password_change_149");
  ASSERT_TRUE(::SetDlgItemTextA(page, kPasswordBox, "Recovered 5"));
  ASSERT_NE(nextTo(wizard, 150, ""), nullptr);
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  ASSERT_TRUE(gone(wizard));
  EXPECT_EQ(savedFile(), file);
}

TEST_F(PasswordTest, OptionsSetAndRemoveTheRunValueAndKeepTheLogOffChoice) {
  ASSERT_NO_FATAL_FAILURE(writeDatabase({}));
  ASSERT_NO_FATAL_FAILURE(startManager());
  ASSERT_NO_FATAL_FAILURE(passGate());
  HWND options = openOptions();
  ASSERT_NE(options, nullptr) << "\"&Edit Preferences...\" did not open the Options dialog";
  screenshot(options, "password_options");
  EXPECT_EQ(itemText(options, kStartWithWindows), "&Start Vantakey when Windows Starts");
  EXPECT_EQ(itemText(options, kShutDownAtLogOff), "S&hut down Vantakey when users log off");
  EXPECT_EQ(isChecked(options, kStartWithWindows), runValue());
  EXPECT_FALSE(isChecked(options, kShutDownAtLogOff));
  if (isChecked(options, kStartWithWindows)) click(options, kStartWithWindows);
  click(options, kStartWithWindows);
  click(options, kShutDownAtLogOff);
  pressButton(options, IDOK);
  ASSERT_TRUE(gone(options));

  std::string path;
  ASSERT_TRUE(runValue(&path)) << "OK with the box checked did not write the Run value";
  EXPECT_NE(path.find("vkmanager.exe"), std::string::npos) << path;
  EXPECT_EQ(::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << path << " names no program";
  EXPECT_EQ(logOffFlag(savedFile()), 1);

  // Across a restart the log-off choice holds; unchecking the first box
  // removes the value.
  endManager();
  ASSERT_NO_FATAL_FAILURE(startManager());
  ASSERT_NO_FATAL_FAILURE(passGate());
  ASSERT_NE(options = openOptions(), nullptr);
  EXPECT_TRUE(isChecked(options, kStartWithWindows));
  EXPECT_TRUE(isChecked(options, kShutDownAtLogOff)) << "the log-off choice was lost across a restart";
  click(options, kStartWithWindows);
  pressButton(options, IDOK);
  ASSERT_TRUE(gone(options));
  EXPECT_FALSE(runValue()) << "OK with the box unchecked left the Run value";
  EXPECT_EQ(logOffFlag(savedFile()), 1);
}

}  // namespace
}  // namespace vk
