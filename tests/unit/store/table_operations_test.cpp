#include "manager/store/table_operations.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tests/unit/store/store_test_support.h"

namespace vk {
namespace storetest {
namespace {

using TableOperations = StoreTest;

TEST_F(TableOperations, ResetTableHeaderWritesStartValuesAndLeavesRecords) {
  unsigned char* base = kernel.section();
  std::memset(base, 0xAB, kSectionSize);
  ASSERT_TRUE(resetTableHeader(base));

  const unsigned char expected[kHeaderSize] = {0,    0,    0, 0, 0, 0, 0, 0,  // hook handles
                                               0x2C, 0x01, 0, 0,              // 300
                                               0,                             // byte at 12
                                               0,    0,    0, 0,              // int at 13
                                               0,    0,    0, 0};             // recordCount
  EXPECT_EQ(0, std::memcmp(base, expected, kHeaderSize));
  for (std::size_t i = kHeaderSize; i < kSectionSize; ++i) ASSERT_EQ(0xAB, base[i]) << i;
  EXPECT_FALSE(resetTableHeader(nullptr));
}

TEST_F(TableOperations, AddLockFillsTheRecordAtItsOddOffsetAndZeroesADirtySlot) {
  // The slot still holds an old record: run-time fields and stale text set.
  unsigned char* base = kernel.section();
  std::memset(base + kHeaderSize, 0xCD, kRecordSize);

  const PasswordDigest d = digestOf("pw");
  ASSERT_TRUE(
      addLock(table, "Notepad", "Untitled - Notepad", d, ShutdownComputer, 7, true, 86400, true));
  EXPECT_EQ(1u, table.recordCount());

  const unsigned char* rec = base + 21;
  EXPECT_STREQ("Untitled - Notepad", reinterpret_cast<const char*>(rec));
  EXPECT_STREQ("Notepad", reinterpret_cast<const char*>(rec + 256));
  for (std::size_t i = std::strlen("Notepad"); i < 256; ++i) ASSERT_EQ(0, rec[256 + i]);
  EXPECT_EQ(0, std::memcmp(rec + 512, d.bytes, 20));
  EXPECT_EQ(0, loadAt<std::int32_t>(rec + 532));      // unlockedAt
  EXPECT_EQ(0, rec[536]);                             // promptBusy
  EXPECT_EQ(1, rec[537]);                             // wildcard
  EXPECT_EQ(1, rec[538]);                             // enabled
  EXPECT_EQ(86400, loadAt<std::int32_t>(rec + 540));  // relockSeconds
  EXPECT_EQ(8, loadAt<std::uint16_t>(rec + 544));     // action
  EXPECT_EQ(0, loadAt<std::uint16_t>(rec + 546));     // failedTries
  EXPECT_EQ(7, loadAt<std::uint16_t>(rec + 548));     // maxTries
}

TEST_F(TableOperations, AddLockCutsTextsToTheirField) {
  const std::string longTitle(400, 't');
  const std::string longClass(300, 'c');
  ASSERT_TRUE(addLock(table, longClass.c_str(), longTitle.c_str(), PasswordDigest{}, 1, 3, false,
                      300, false));
  const RecordRef r = table.record(0);
  EXPECT_EQ(std::string(255, 't'), std::string(r.title()));
  EXPECT_EQ(std::string(255, 'c'), std::string(r.className()));
  EXPECT_EQ(0, r.enabled());
}

TEST_F(TableOperations, AddLockNeverWritesPastTheSection) {
  unsigned char* base = kernel.section();
  table.setRecordCount(kSectionRecordCapacity);
  const std::size_t end = kHeaderSize + kSectionRecordCapacity * kRecordSize;
  std::memset(base + end, 0xEE, kSectionSize - end);
  EXPECT_FALSE(addLock(table, "", "x", PasswordDigest{}, 1, 3, true, 300, false));
  EXPECT_EQ(kSectionRecordCapacity, table.recordCount());
  for (std::size_t i = end; i < kSectionSize; ++i) ASSERT_EQ(0xEE, base[i]);
}

struct RemoveCase {
  std::uint32_t index;
  std::vector<std::string> remaining;
};

void PrintTo(const RemoveCase& c, std::ostream* os) { *os << "remove " << c.index; }

class RemoveLock : public StoreTest, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(RemoveLock, LaterRecordsMoveDownAndTheFreedSlotKeepsItsBytes) {
  addSample("a");
  addSample("b");
  addSample("c");
  table.record(2).setFailedTries(5);  // run-time state moves with its record
  const std::vector<unsigned char> lastSlot(table.record(2).bytes(),
                                            table.record(2).bytes() + kRecordSize);

  ASSERT_TRUE(removeLock(table, GetParam().index));
  ASSERT_EQ(2u, table.recordCount());
  EXPECT_EQ(GetParam().remaining[0], titleAt(0));
  EXPECT_EQ(GetParam().remaining[1], titleAt(1));
  if (GetParam().remaining[1] == "c") {
    EXPECT_EQ(5, table.record(1).failedTries());
  }
  // Slot 2 is out of use but not cleared.
  EXPECT_EQ(0, std::memcmp(lastSlot.data(), table.record(2).bytes(), kRecordSize));
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoveLock,
                         ::testing::Values(RemoveCase{2, {"a", "b"}}, RemoveCase{0, {"b", "c"}},
                                           RemoveCase{1, {"a", "c"}}));

TEST_F(TableOperations, OperationsRefuseIndicesNotInUse) {
  addSample("a");
  const std::vector<unsigned char> before = sectionSnapshot();
  LockRecord working{};
  EXPECT_FALSE(removeLock(table, 1));
  EXPECT_FALSE(switchLockOn(table, 1));
  EXPECT_FALSE(switchLockOff(table, 1));
  EXPECT_FALSE(readLockSettings(table, 1, working));
  EXPECT_FALSE(replaceLockSettings(table, 1, working));
  EXPECT_EQ(before, sectionSnapshot());
}

TEST_F(TableOperations, SwitchOnClearsUnlockedAtAndSwitchOffKeepsIt) {
  addSample("a");
  const RecordRef r = table.record(0);
  r.setEnabled(0);
  r.setUnlockedAt(1700000000);
  ASSERT_TRUE(switchLockOn(table, 0));
  EXPECT_EQ(1, r.enabled());
  EXPECT_EQ(0, r.unlockedAt());

  r.setUnlockedAt(1700000123);
  ASSERT_TRUE(switchLockOff(table, 0));
  EXPECT_EQ(0, r.enabled());
  EXPECT_EQ(1700000123, r.unlockedAt());
}

TEST_F(TableOperations, SettingsGoOutAndBackWithoutTouchingRunTimeFields) {
  addSample("before");
  const RecordRef r = table.record(0);
  r.setUnlockedAt(42);
  r.setPromptBusy(1);
  r.setFailedTries(2);

  LockRecord working{};
  working.unlockedAt = 99;  // the working copy's own run-time fields are not the table's
  ASSERT_TRUE(readLockSettings(table, 0, working));
  EXPECT_STREQ("before", working.title);
  EXPECT_STREQ("Class", working.className);
  EXPECT_EQ(digestOf("before"), working.digest);
  EXPECT_EQ(99, working.unlockedAt);

  std::strcpy(working.title, "after*");
  working.className[0] = '\0';
  working.digest = PasswordDigest{};
  working.action = DenyAccess;
  working.maxTries = 9;
  working.enabled = 0;
  working.relockSeconds = 1200;
  working.wildcard = 1;
  ASSERT_TRUE(replaceLockSettings(table, 0, working));

  EXPECT_STREQ("after*", r.title());
  EXPECT_STREQ("", r.className());
  EXPECT_FALSE(r.hasPassword());
  EXPECT_EQ(DenyAccess, r.action());
  EXPECT_EQ(9, r.maxTries());
  EXPECT_EQ(0, r.enabled());
  EXPECT_EQ(1200, r.relockSeconds());
  EXPECT_EQ(1, r.wildcard());
  EXPECT_EQ(42, r.unlockedAt());
  EXPECT_EQ(1, r.promptBusy());
  EXPECT_EQ(2, r.failedTries());
}

// Lock All Now touches the four bytes of unlockedAt (offset 532 of each
// record in use) and not one byte more: not the header, not the other
// fields, not the slots past recordCount; a recordCount beyond the section
// stops at its last record.
TEST_F(TableOperations, EndRelockPeriodsClearsUnlockedAtOfEveryRecordInUseAndNothingElse) {
  const std::uint32_t counts[] = {0, 1, 3, kSectionRecordCapacity, 0xFFFFFFFFu};
  for (const std::uint32_t count : counts) {
    unsigned char* base = kernel.section();
    for (std::size_t i = 0; i < kSectionSize; ++i) base[i] = static_cast<unsigned char>(i * 7 + 1);
    table.setRecordCount(count);
    Bytes expected = sectionSnapshot();
    const std::uint32_t inUse = count < kSectionRecordCapacity ? count : kSectionRecordCapacity;
    for (std::uint32_t r = 0; r < inUse; ++r) {
      const std::size_t at = kHeaderSize + r * kRecordSize + 532;
      std::memset(expected.data() + at, 0, 4);
    }
    ASSERT_TRUE(endRelockPeriods(table)) << count;
    EXPECT_EQ(expected, sectionSnapshot()) << count;
  }
  LockTableView closed;
  EXPECT_FALSE(endRelockPeriods(closed));
}

}  // namespace
}  // namespace storetest
}  // namespace vk
