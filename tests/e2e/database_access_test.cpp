// A "vk2.dat" that exists but cannot be read is not a missing one: the real
// manager, started while another process holds the file open without
// sharing, asks for no new system password, says why it stops, and leaves the
// file exactly as it was.
#include <windows.h>

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

}  // namespace
}  // namespace vk
