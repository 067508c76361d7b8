#include "manager/store/table_steps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "manager/store/database_file.h"
#include "tests/unit/store/store_test_support.h"

namespace vk {
namespace storetest {
namespace {

class TableSteps : public StoreTest {
 protected:
  TableSteps() {
    addSample("a");
    addSample("b");
    addSample("c");
    table.record(2).setEnabled(0);  // switched off earlier, opened a while ago
    table.record(2).setUnlockedAt(1700000000);
    // Watch the mutex at the moment of each save and each message box.
    files.onReplace = [this](const std::string&) { heldDuringSave.push_back(kernel.mutexHeld()); };
    boxes.onShow = [this](const fakes::RecordingMessageBoxes::Box&) {
      heldDuringBox.push_back(kernel.mutexHeld());
    };
  }

  LockRecord pending() const {
    LockRecord p{};
    std::strcpy(p.title, "new");
    std::strcpy(p.className, "NewClass");
    p.digest = digestOf("new");
    p.action = DenyAccess;
    p.maxTries = 4;
    p.relockSeconds = 120;
    p.wildcard = 1;
    p.enabled = 0;      // a new lock is in force whatever the page left here
    p.unlockedAt = 77;  // and starts with clean run-time fields
    p.promptBusy = 1;
    p.failedTries = 3;
    return p;
  }

  // The file on "disk" read back into a fresh table.
  std::vector<std::string> savedTitles() {
    fakes::MemoryKernel otherKernel;
    LockTableView other;
    other.open(otherKernel);
    ManagerSettings s;
    if (loadDatabase(files, s, other) != LoadResult::Loaded) return {"<no file>"};
    std::vector<std::string> titles;
    for (std::uint32_t i = 0; i < other.recordCount(); ++i)
      titles.push_back(other.record(i).title());
    return titles;
  }

  std::vector<bool> heldDuringSave;
  std::vector<bool> heldDuringBox;
};

struct ChangingStep {
  const char* name;
  std::function<StepResult(TableSteps&, ManagerStore&)> run;
  std::vector<std::string> titlesAfter;
};

void PrintTo(const ChangingStep& step, std::ostream* os) { *os << step.name; }

class ChangingSteps : public TableSteps, public ::testing::WithParamInterface<ChangingStep> {
 public:
  LockRecord pendingRecord() const { return pending(); }
};

// The change and the file image are made under the mutex; the disk is written
// only once it is free, so no window activation on the desktop waits for it.
TEST_P(ChangingSteps, ChangeUnderTheMutexAndWriteTheFileAfterReleasingIt) {
  EXPECT_EQ(StepResult::Done, GetParam().run(*this, store));
  EXPECT_EQ(std::vector<bool>{false}, heldDuringSave);
  EXPECT_EQ(0, kernel.ownerDepth());
  EXPECT_EQ(GetParam().titlesAfter, savedTitles());
  ASSERT_FALSE(kernel.mutexCalls().empty());
  EXPECT_EQ(kMutexWaitMs, kernel.mutexCalls()[0].timeoutMs);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_P(ChangingSteps, ShowAFailedSaveOnlyAfterReleasingTheMutexAndKeepTheChange) {
  files.files[vk2Path()] = {1, 2, 3};
  files.diskSpace = 10;
  const Bytes before = sectionSnapshot();
  EXPECT_EQ(StepResult::NotSaved, GetParam().run(*this, store));
  EXPECT_EQ(std::vector<bool>{false}, heldDuringSave);
  EXPECT_EQ(std::vector<bool>{false}, heldDuringBox);
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ(kSaveFailedText, boxes.shown[0].text);
  EXPECT_EQ("Error", boxes.shown[0].caption);
  // MB_ICONERROR | MB_TASKMODAL: the box has no owner, and while it is up no
  // window of the manager may run the failed command a second time.
  EXPECT_EQ(0x2010u, boxes.shown[0].style);
  EXPECT_NE(before, sectionSnapshot());  // the table holds the change
  EXPECT_EQ((Bytes{1, 2, 3}), files.files[vk2Path()]);
}

TEST_P(ChangingSteps, AreSkippedWhenTheWaitRunsOut) {
  const Bytes before = sectionSnapshot();
  kernel.setWaitResult(WaitResult::TimedOut);
  EXPECT_EQ(StepResult::TableBusy, GetParam().run(*this, store));
  EXPECT_EQ(before, sectionSnapshot());
  EXPECT_EQ(0, files.replaceCalls);
  EXPECT_TRUE(boxes.shown.empty());
  for (const auto& call : kernel.mutexCalls())
    EXPECT_NE(fakes::MemoryKernel::MutexCall::Release, call.kind);
}

TEST_P(ChangingSteps, TakeAnAbandonedMutexAsHeld) {
  kernel.setWaitResult(WaitResult::Abandoned);
  EXPECT_EQ(StepResult::Done, GetParam().run(*this, store));
  EXPECT_EQ(0, kernel.ownerDepth());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ChangingSteps,
    ::testing::Values(
        ChangingStep{"Append",
                     [](TableSteps& t, ManagerStore& s) {
                       return appendLockStep(s, static_cast<ChangingSteps&>(t).pendingRecord());
                     },
                     {"a", "b", "c", "new"}},
        ChangingStep{"DeleteFirst",
                     [](TableSteps&, ManagerStore& s) { return deleteLockStep(s, 0); },
                     {"b", "c"}},
        ChangingStep{"DeleteLast",
                     [](TableSteps&, ManagerStore& s) { return deleteLockStep(s, 2); },
                     {"a", "b"}},
        ChangingStep{"Unlock",
                     [](TableSteps&, ManagerStore& s) { return switchLockStep(s, 1, false); },
                     {"a", "b", "c"}},
        ChangingStep{"Lock",
                     [](TableSteps&, ManagerStore& s) { return switchLockStep(s, 2, true); },
                     {"a", "b", "c"}},
        ChangingStep{"Edit",
                     [](TableSteps&, ManagerStore& s) {
                       LockRecord working{};
                       const StepResult copied = copyLockSettingsStep(s, 1, working);
                       if (copied != StepResult::Done) return copied;
                       std::strcpy(working.title, "b edited");
                       return replaceLockSettingsStep(s, 1, working);
                     },
                     {"a", "b edited", "c"}}),
    [](const ::testing::TestParamInfo<ChangingStep>& info) {
      return std::string(info.param.name);
    });

TEST_F(TableSteps, AppendedLockIsInForceWithCleanRunTimeFields) {
  // The slot after the last record still holds an old record.
  std::memset(table.record(3).bytes(), 0xCD, kRecordSize);
  ASSERT_EQ(StepResult::Done, appendLockStep(store, pending()));
  ASSERT_EQ(4u, table.recordCount());
  const RecordRef r = table.record(3);
  EXPECT_STREQ("new", r.title());
  EXPECT_STREQ("NewClass", r.className());
  EXPECT_EQ(digestOf("new"), r.digest());
  EXPECT_EQ(DenyAccess, r.action());
  EXPECT_EQ(4, r.maxTries());
  EXPECT_EQ(120, r.relockSeconds());
  EXPECT_EQ(1, r.wildcard());
  EXPECT_EQ(1, r.enabled());
  EXPECT_EQ(0, r.unlockedAt());
  EXPECT_EQ(0, r.promptBusy());
  EXPECT_EQ(0, r.failedTries());
}

TEST_F(TableSteps, SwitchingOnClearsUnlockedAtAndSwitchingOffKeepsIt) {
  const RecordRef r = table.record(0);
  r.setUnlockedAt(1700000000);
  ASSERT_EQ(StepResult::Done, switchLockStep(store, 0, false));
  EXPECT_EQ(0, r.enabled());
  EXPECT_EQ(1700000000, r.unlockedAt());
  ASSERT_EQ(StepResult::Done, switchLockStep(store, 0, true));
  EXPECT_EQ(1, r.enabled());
  EXPECT_EQ(0, r.unlockedAt());
  // The saved file has the lock in force again.
  resetTableHeader(kernel.section());
  ManagerSettings s;
  ASSERT_EQ(LoadResult::Loaded, loadDatabase(files, s, table));
  EXPECT_EQ(1, table.record(0).enabled());
}

TEST_F(TableSteps, NewLockIsAllowedAt59AndRefusedWithTheCapacityMessageAt60) {
  while (table.recordCount() < 59) addSample("filler");
  fakes::RecordingMessageBoxes windowBoxes;
  windowBoxes.onShow = [this](const fakes::RecordingMessageBoxes::Box&) {
    heldDuringBox.push_back(kernel.mutexHeld());
  };
  EXPECT_EQ(StepResult::Done, newLockStep(store, windowBoxes));
  EXPECT_TRUE(windowBoxes.shown.empty());
  EXPECT_EQ(0, kernel.ownerDepth());

  addSample("sixtieth");
  const Bytes before = sectionSnapshot();
  EXPECT_EQ(StepResult::TableFull, newLockStep(store, windowBoxes));
  ASSERT_EQ(1u, windowBoxes.shown.size());
  EXPECT_EQ(
      "This version of Vantakey can only lock at most 60 windows at a time.\n\nThis limitation "
      "will be fixed in a future version of Vantakey, which you will have FREE access to.",
      windowBoxes.shown[0].text);
  EXPECT_EQ("Vantakey", windowBoxes.shown[0].caption);
  EXPECT_EQ(0x30u, windowBoxes.shown[0].style);
  EXPECT_EQ(std::vector<bool>{false}, heldDuringBox);
  EXPECT_TRUE(boxes.shown.empty());

  // Even a finish that got past the check creates nothing at 60.
  EXPECT_EQ(StepResult::TableFull, appendLockStep(store, pending()));
  EXPECT_EQ(before, sectionSnapshot());
  EXPECT_EQ(0, files.replaceCalls);
}

TEST_F(TableSteps, NewLockCheckIsSkippedWhenTheWaitRunsOut) {
  kernel.setWaitResult(WaitResult::TimedOut);
  fakes::RecordingMessageBoxes windowBoxes;
  EXPECT_EQ(StepResult::TableBusy, newLockStep(store, windowBoxes));
  EXPECT_TRUE(windowBoxes.shown.empty());
}

TEST_F(TableSteps, IndicesNotInUseChangeNothingAndReleaseTheMutex) {
  const Bytes before = sectionSnapshot();
  LockRecord working{};
  EXPECT_EQ(StepResult::NoSuchLock, deleteLockStep(store, 3));
  EXPECT_EQ(StepResult::NoSuchLock, switchLockStep(store, 3, true));
  EXPECT_EQ(StepResult::NoSuchLock, copyLockSettingsStep(store, 3, working));
  EXPECT_EQ(StepResult::NoSuchLock, replaceLockSettingsStep(store, 3, working));
  EXPECT_EQ(before, sectionSnapshot());
  EXPECT_EQ(0, kernel.ownerDepth());
  EXPECT_EQ(0, files.replaceCalls);
}

TEST_F(TableSteps, AConfirmedEditChangesTheTableAndTheFileAtOnceAndKeepsRunTimeFields) {
  table.record(1).setFailedTries(2);

  LockRecord working{};
  ASSERT_EQ(StepResult::Done, copyLockSettingsStep(store, 1, working));
  EXPECT_EQ(0, kernel.ownerDepth());  // released while the dialog would run
  EXPECT_STREQ("b", working.title);
  std::strcpy(working.title, "b edited");
  working.maxTries = 8;
  ASSERT_EQ(StepResult::Done, replaceLockSettingsStep(store, 1, working));
  EXPECT_EQ(0, kernel.ownerDepth());

  EXPECT_EQ("b edited", titleAt(1));
  EXPECT_EQ(8, table.record(1).maxTries());
  EXPECT_EQ(2, table.record(1).failedTries());
  // On disk at once: a log-off or a power cut before the next save loses nothing.
  EXPECT_EQ((std::vector<std::string>{"a", "b edited", "c"}), savedTitles());
  EXPECT_EQ(1, files.replaceCalls);

  kernel.setWaitResult(WaitResult::TimedOut);
  EXPECT_EQ(StepResult::TableBusy, replaceLockSettingsStep(store, 1, working));
  EXPECT_EQ(StepResult::TableBusy, copyLockSettingsStep(store, 1, working));
}

// Lock All Now: every record's re-lock period ends, under the mutex, and
// nothing is saved (run-time fields are not stored).
TEST_F(TableSteps, LockAllNowEndsEveryOpenPeriodUnderTheMutexWithoutSaving) {
  table.record(0).setUnlockedAt(1700000100);
  table.record(1).setUnlockedAt(1700000200);
  table.record(1).setPromptBusy(1);
  table.record(1).setFailedTries(2);
  // What the records say at the wait and at the release.
  std::vector<std::vector<std::int32_t>> seen;
  kernel.onMutexCall = [&](const fakes::MemoryKernel::MutexCall&) {
    std::vector<std::int32_t> unlocked;
    for (std::uint32_t i = 0; i < table.recordCount(); ++i) {
      unlocked.push_back(table.record(i).unlockedAt());
    }
    seen.push_back(unlocked);
  };
  Bytes expected = sectionSnapshot();
  for (std::uint32_t i = 0; i < 3; ++i) {
    std::memset(expected.data() + kHeaderSize + i * kRecordSize + 532, 0, 4);
  }

  EXPECT_EQ(StepResult::Done, lockAllNowStep(store));

  const std::vector<std::vector<std::int32_t>> atWaitThenRelease = {
      {1700000100, 1700000200, 1700000000}, {0, 0, 0}};
  EXPECT_EQ(atWaitThenRelease, seen) << "changed only while the mutex was held";
  EXPECT_EQ(expected, sectionSnapshot()) << "only unlockedAt changes";
  EXPECT_EQ(0, kernel.ownerDepth());
  EXPECT_EQ(kMutexWaitMs, kernel.mutexCalls().at(0).timeoutMs);
  EXPECT_EQ(0, files.replaceCalls);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TableSteps, LockAllNowChangesNothingWhenTheWaitRunsOutAndTakesAnAbandonedMutex) {
  table.record(0).setUnlockedAt(1700000100);
  const Bytes before = sectionSnapshot();
  kernel.setWaitResult(WaitResult::TimedOut);
  EXPECT_EQ(StepResult::TableBusy, lockAllNowStep(store));
  EXPECT_EQ(before, sectionSnapshot());
  for (const auto& call : kernel.mutexCalls())
    EXPECT_NE(fakes::MemoryKernel::MutexCall::Release, call.kind);
  EXPECT_TRUE(boxes.shown.empty()) << "the caller decides whether to tell";

  kernel.setWaitResult(WaitResult::Abandoned);
  EXPECT_EQ(StepResult::Done, lockAllNowStep(store));
  EXPECT_EQ(0, table.record(0).unlockedAt());
  EXPECT_EQ(0, kernel.ownerDepth());
  EXPECT_EQ(0, files.replaceCalls);
}

}  // namespace
}  // namespace storetest
}  // namespace vk
