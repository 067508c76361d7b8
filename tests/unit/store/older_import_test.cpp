#include "manager/store/older_import.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/store/database_file.h"
#include "tests/unit/store/store_test_support.h"

namespace vk {
namespace storetest {
namespace {

using OlderImport = StoreTest;

std::string reservedText(const ReservedString& r) {
  return std::string(reinterpret_cast<const char*>(r.bytes), r.length);
}

TEST_F(OlderImport, WithoutAnOlderFileNothingHappens) {
  addSample("existing");
  const Bytes before = sectionSnapshot();
  EXPECT_FALSE(importOlderDatabase(store));
  EXPECT_EQ(before, sectionSnapshot());
  EXPECT_TRUE(files.files.empty());
  EXPECT_EQ(0, files.replaceCalls);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OlderImport, IntoAFreshManagerSavesTheExpectedFileAndDeletesTheOlderOne) {
  files.files[vkPath()] = readFixture("two_locks.vk.dat");
  ASSERT_TRUE(importOlderDatabase(store));
  EXPECT_FALSE(files.exists(vkPath()));
  EXPECT_EQ(readFixture("two_locks.imported.vk2.dat"), files.files[vk2Path()]);
  EXPECT_TRUE(boxes.shown.empty());

  // Every imported lock: in force, exact title, 3 tries, 5 minutes, Close Window.
  ASSERT_EQ(2u, table.recordCount());
  const char* passwords[] = {"pw1", "pw3"};
  for (std::uint32_t i = 0; i < 2; ++i) {
    const RecordRef r = table.record(i);
    EXPECT_EQ(1, r.enabled());
    EXPECT_EQ(0, r.wildcard());
    EXPECT_EQ(3, r.maxTries());
    EXPECT_EQ(300, r.relockSeconds());
    EXPECT_EQ(CloseWindow, r.action());
    EXPECT_EQ(digestOf(passwords[i]), r.digest());
  }
  EXPECT_STREQ("Notepad", table.record(0).className());
  EXPECT_STREQ("Secret Diary", table.record(1).title());
  EXPECT_EQ("old-a", reservedText(settings.reservedStrings[0]));
  EXPECT_EQ(std::string("\x00\xff", 2), reservedText(settings.reservedStrings[1]));
}

TEST_F(OlderImport, ImportedLocksComeAfterTheExistingOnesInFileOrder) {
  addSample("first");
  addSample("second");
  files.files[vkPath()] = readFixture("two_locks.vk.dat");
  ASSERT_TRUE(importOlderDatabase(store));
  ASSERT_EQ(4u, table.recordCount());
  EXPECT_EQ("first", titleAt(0));
  EXPECT_EQ("second", titleAt(1));
  EXPECT_EQ("Untitled - Notepad", titleAt(2));
  EXPECT_EQ("Secret Diary", titleAt(3));

  // The saved file holds the same four, in the same order.
  resetTableHeader(kernel.section());
  ManagerSettings reloaded;
  ASSERT_EQ(LoadResult::Loaded, loadDatabase(files, reloaded, table));
  ASSERT_EQ(4u, table.recordCount());
  EXPECT_EQ("second", titleAt(1));
  EXPECT_EQ("Secret Diary", titleAt(3));
}

TEST_F(OlderImport, AFileWithoutLocksStillReplacesReservedStringsSavesAndIsDeleted) {
  settings.reservedStrings[0].length = 3;
  files.files[vkPath()] = readFixture("no_locks.vk.dat");
  ASSERT_TRUE(importOlderDatabase(store));
  EXPECT_EQ("r1", reservedText(settings.reservedStrings[0]));
  EXPECT_EQ("r2", reservedText(settings.reservedStrings[1]));
  EXPECT_EQ(0u, table.recordCount());
  EXPECT_FALSE(files.exists(vkPath()));
  ASSERT_TRUE(files.exists(vk2Path()));
  EXPECT_EQ(encodeDatabase(settings, table), files.files[vk2Path()]);
}

TEST_F(OlderImport, AFailedSaveKeepsTheOlderFileAndASecondCallAddsNothing) {
  const Bytes older = readFixture("two_locks.vk.dat");
  files.files[vkPath()] = older;
  files.closeFails = true;
  ASSERT_TRUE(importOlderDatabase(store));
  EXPECT_EQ(older, files.files[vkPath()]);
  EXPECT_FALSE(files.exists(vk2Path()));
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ(kSaveFailedCaption, boxes.shown[0].caption);
  EXPECT_EQ(2u, table.recordCount());

  // Start-up may call the import again on the same run; the locks must not double.
  files.closeFails = false;
  EXPECT_FALSE(importOlderDatabase(store));
  EXPECT_EQ(2u, table.recordCount());
}

TEST_F(OlderImport, StopsAtTheManagersLimitOfSixty) {
  for (int i = 0; i < 59; ++i) addSample(("existing " + std::to_string(i)).c_str());
  files.files[vkPath()] = readFixture("two_locks.vk.dat");
  ASSERT_TRUE(importOlderDatabase(store));
  ASSERT_EQ(60u, table.recordCount());
  EXPECT_EQ("Untitled - Notepad", titleAt(59));
}

TEST_F(OlderImport, LongTextsAreCutAndTheFollowingFieldsStayInPlace) {
  Image image;
  image.b.assign(20, 0x55);
  image.text(std::string(2000, 'r')).text("b").u16(2);
  image.text(std::string(256, 'c')).text(std::string(700, 't')).digest(digestOf("one"));
  image.text("C").text("T").digest(digestOf("two"));
  files.files[vkPath()] = image.b;
  ASSERT_TRUE(importOlderDatabase(store));
  EXPECT_EQ(999u, settings.reservedStrings[0].length);
  EXPECT_EQ("b", reservedText(settings.reservedStrings[1]));
  ASSERT_EQ(2u, table.recordCount());
  EXPECT_EQ(std::string(255, 'c'), table.record(0).className());
  EXPECT_EQ(std::string(255, 't'), table.record(0).title());
  EXPECT_EQ(digestOf("one"), table.record(0).digest());
  EXPECT_EQ("T", titleAt(1));
  EXPECT_EQ(digestOf("two"), table.record(1).digest());
}

TEST(OlderImportPrefixes, EveryTruncatedPrefixImportsWhatWasWhole) {
  const Bytes full = readFixture("two_locks.vk.dat");
  const std::size_t reserved1End = 20 + 2 + 5;
  const std::size_t reserved2End = reserved1End + 2 + 2;
  const std::size_t countEnd = reserved2End + 2;
  const std::size_t entryEnds[] = {countEnd + (2 + 7) + (2 + 18) + 20,
                                   countEnd + 49 + (2 + 0) + (2 + 12) + 20};
  ASSERT_EQ(full.size(), entryEnds[1]);

  for (std::size_t n = 0; n <= full.size(); ++n) {
    SCOPED_TRACE(n);
    fakes::MemoryKernel kernel;
    LockTableView table;
    ASSERT_TRUE(table.open(kernel));
    KernelHandle mutex = kernel.createMutex(kTableMutexName, false);
    ManagerSettings settings;
    fakes::MemoryFiles files;
    fakes::RecordingMessageBoxes boxes;
    ManagerStore store(kernel, mutex, table, settings, files, boxes);
    files.files[files.pathOf("vk.dat")] =
        Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));

    ASSERT_TRUE(importOlderDatabase(store));
    EXPECT_EQ(n >= reserved1End ? 5u : 0u, settings.reservedStrings[0].length);
    EXPECT_EQ(n >= reserved2End ? 2u : 0u, settings.reservedStrings[1].length);
    std::uint32_t whole = 0;
    for (std::size_t end : entryEnds) whole += n >= end ? 1 : 0;
    EXPECT_EQ(whole, table.recordCount());
    EXPECT_TRUE(files.exists(files.dataPathOf("vk2.dat")));
    EXPECT_FALSE(files.exists(files.pathOf("vk.dat")));
  }
}

}  // namespace
}  // namespace storetest
}  // namespace vk
