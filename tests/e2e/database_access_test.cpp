// A "vk2.dat" that exists but cannot be read is not a missing one: the real
// manager, started while another process holds the file open without
// sharing, asks for no new system password, says why it stops, and leaves the
// file exactly as it was.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/handle.h"
#include "product.h"

namespace vk {
namespace {

using e2e::ManagerSession;

constexpr const char* kLoadFailedCaption = "Vantakey Error";
constexpr const char* kLoadFailedText = "Vantakey could not read its information database.";
// The manager's exit code for a database it could not read.
constexpr DWORD kExitDatabaseUnreadable = 2;
constexpr const char* kSaveFailedText =
    "Vantakey could not access its information database because write access to the file was denied.";
constexpr int kCmdDeleteLock = 3;

class DatabaseAccessTest : public ManagerSession {};

TEST_F(DatabaseAccessTest, AFileHeldOpenByAnotherProcessIsNeitherSetUpAnewNorOverwritten) {
  e2e::FileLock lock;
  lock.title = "vk held database window";
  lock.digest = digestOf("held");
  ASSERT_NO_FATAL_FAILURE(writeDatabase({lock}));
  std::vector<unsigned char> before;
  ASSERT_TRUE(e2e::readWholeFile(databasePath_, before));

  // No sharing at all: the manager can neither read nor replace it.
  win32::UniqueFile held(::CreateFileA(databasePath_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held.valid()) << "could not hold " << databasePath_;

  manager_ = e2e::spawn(e2e::siblingPath("vkmanager.exe"), {});
  ASSERT_TRUE(manager_.started());
  HWND box = e2e::waitForShown(manager_.id(), e2e::kDialogClass, kLoadFailedCaption, kLoadFailedText);
  ASSERT_NE(box, nullptr) << "no message about the unreadable database; windows: "
                          << e2e::describeWindowsOf(manager_.id());
  e2e::screenshot(box, "database_held_open");
  EXPECT_EQ(e2e::findWindow(manager_.id(), e2e::kDialogClass, e2e::kWelcomeCaption), nullptr)
      << "the first-run wizard asks for a new system password";
  EXPECT_EQ(e2e::trayWindowCount(), 0);
  EXPECT_EQ(table_.cbtHook(), 0u) << "hooks installed over a database that was not read";

  e2e::pressButton(box, IDOK);
  DWORD exitCode = 0;
  ASSERT_TRUE(manager_.wait(e2e::kAppearMs, &exitCode)) << "the manager went on after the message";
  EXPECT_EQ(exitCode, kExitDatabaseUnreadable);

  held.reset();
  std::vector<unsigned char> after;
  ASSERT_TRUE(e2e::readWholeFile(databasePath_, after));
  EXPECT_EQ(after, before) << "the database changed";
  EXPECT_EQ(::GetFileAttributesA((databasePath_ + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES)
      << "a temporary file was left behind";
}

// While the message of a failed save is up (it has no owner window), no
// window of the manager takes input, so the failed command cannot run a
// second time on a list that no longer matches the table.
TEST_F(DatabaseAccessTest, AFailedSaveDisablesTheManagerWhileItsMessageIsUp) {
  std::vector<e2e::FileLock> locks(3);
  const char* titles[] = {"vk save first", "vk save second", "vk save third"};
  for (int i = 0; i < 3; ++i) locks[static_cast<std::size_t>(i)].title = titles[i];
  ASSERT_NO_FATAL_FAILURE(writeDatabase(locks));
  ASSERT_NO_FATAL_FAILURE(startManager());
  ASSERT_NO_FATAL_FAILURE(passGate());
  ASSERT_TRUE(e2e::waitUntil([&] { return ::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0) == 3; }, e2e::kSettleMs));

  // A directory where the save writes its new file: every save fails.
  const std::string blocker = databasePath_ + ".tmp";
  ASSERT_TRUE(::CreateDirectoryA(blocker.c_str(), nullptr));
  struct Cleanup {
    std::string path;
    ~Cleanup() { ::RemoveDirectoryA(path.c_str()); }
  } cleanup{blocker};

  ASSERT_TRUE(e2e::selectRows(manager_.handle(), list_, {0}));
  command(kCmdDeleteLock);
  HWND box = e2e::waitForShown(manager_.id(), e2e::kDialogClass, "Error", kSaveFailedText);
  ASSERT_NE(box, nullptr) << "no message about the failed save";
  e2e::screenshot(box, "database_save_failed", frame_);
  EXPECT_FALSE(::IsWindowEnabled(frame_)) << "the manager window takes a second Delete while the box is up";
  EXPECT_EQ(recordCount(), 2u) << "the lock is deleted in the table";

  e2e::pressButton(box, IDOK);
  ASSERT_TRUE(e2e::gone(box));
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowEnabled(frame_) != FALSE; }, e2e::kSettleMs));
  EXPECT_TRUE(e2e::waitUntil([&] { return ::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0) == 2; }, e2e::kSettleMs));
  EXPECT_EQ(recordCount(), 2u);
  ::RemoveDirectoryA(blocker.c_str());
}

}  // namespace
}  // namespace vk
