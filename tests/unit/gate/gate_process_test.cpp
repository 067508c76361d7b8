// The library in one process: attach and detach, and what each step does
// when the table mutex cannot be had within its time-out.
#include <gtest/gtest.h>

#include "gate/lock_prompt.h"
#include "tests/unit/gate/gate_fixture.h"

namespace vk {
namespace gatetest {
namespace {

// --- attach and detach -----------------------------------------------------------

class Attach : public ::testing::Test {
 public:
  ~Attach() override { gateProcessDetach(gate); }

  int moduleToken = 0;
  FakeKernel kernel;
  FakeDesktop desk;
  GateState gate;
};

TEST_F(Attach, FirstProcessCreatesTheTableAndTheMutexAndLetsGo) {
  gateProcessAttach(gate, kernel, &moduleToken, desk.processId);
  EXPECT_TRUE(gateReady(gate));
  EXPECT_EQ(gate.module, &moduleToken);
  ASSERT_NE(kernel.section(kSectionName), nullptr);
  EXPECT_EQ(gate.view.recordCount(), 0u);
  EXPECT_EQ(gate.cbtHook, 0u);
  EXPECT_EQ(gate.callWndRetHook, 0u);
  EXPECT_EQ(kernel.ourHandles(kTableMutexName), 1);
  EXPECT_EQ(kernel.ourOwnership(kTableMutexName), 0);
  EXPECT_EQ(kernel.totalWaits(), 0);
}

TEST_F(Attach, CopiesTheHookHandlesOnceAndIgnoresTheRefusedRelease) {
  unsigned char* table = kernel.createSectionElsewhere(kSectionName, kSectionSize);
  storeAt<std::uint32_t>(table + kOffCbtHook, 0x00010203u);
  storeAt<std::uint32_t>(table + kOffCallWndRetHook, 0x0A0B0C0Du);
  kernel.otherProcessOwns(kTableMutexName);  // the manager is busy with the table

  gateProcessAttach(gate, kernel, &moduleToken, desk.processId);
  EXPECT_TRUE(gateReady(gate));
  EXPECT_EQ(gate.cbtHook, 0x00010203u);
  EXPECT_EQ(gate.callWndRetHook, 0x0A0B0C0Du);
  EXPECT_EQ(kernel.refusedReleases(), 1);
  EXPECT_EQ(kernel.totalWaits(), 0);

  storeAt<std::uint32_t>(table + kOffCbtHook, 0x99u);
  EXPECT_EQ(gate.cbtHook, 0x00010203u);
}

TEST_F(Attach, WithoutTheTableEveryWindowPasses) {
  kernel.failSections(true);
  gateProcessAttach(gate, kernel, &moduleToken, desk.processId);
  EXPECT_FALSE(gateReady(gate));
  const WindowRef w = desk.addWindow("Payroll");
  EXPECT_EQ(cbtHookVerdict(gate, desk, kCbtActivate, w), Verdict::Pass);
  EXPECT_EQ(callWndRetVerdict(gate, desk, 0, kMessageSetText, w), Verdict::Pass);
  EXPECT_TRUE(desk.challenges.empty());
}

TEST_F(Attach, WithoutTheMutexEveryWindowPasses) {
  kernel.failMutexCreation(kTableMutexName);
  gateProcessAttach(gate, kernel, &moduleToken, desk.processId);
  EXPECT_FALSE(gateReady(gate));
  EXPECT_EQ(checkWindow(gate, desk, desk.addWindow("Payroll")), Verdict::Pass);
}

TEST_F(Attach, DetachClosesTheMutexAndTheView) {
  gateProcessAttach(gate, kernel, &moduleToken, desk.processId);
  ASSERT_EQ(kernel.openHandles(), 2);  // the mutex and the section
  gateProcessDetach(gate);
  EXPECT_EQ(kernel.openHandles(), 0);
  EXPECT_EQ(kernel.openViews(), 0);
  EXPECT_FALSE(kernel.mutexExists(kTableMutexName));
  EXPECT_FALSE(gateReady(gate));
  EXPECT_EQ(kernel.badHandleUses(), 0);
  gateProcessDetach(gate);  // a second detach finds nothing to close
  EXPECT_EQ(kernel.badHandleUses(), 0);
}

// --- time-outs on the table mutex -----------------------------------------------------

TEST_F(GateTest, ATimeOutInTheCheckHoldsAMatchingWindowBackAndChangesNothing) {
  const std::uint32_t i = addLock({"Payroll"});
  const LockRecord before = record(i).copy();
  kernel.setTimingOut(kTableMutexName, true);
  const WindowRef w = desk.addWindow("Payroll");

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Minimize}));
  EXPECT_EQ(desk.challenges.size(), 1u);  // sent before the wait, unanswered
  EXPECT_TRUE(desk.prompts.empty());
  const LockRecord after = record(i).copy();
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
  EXPECT_EQ(kernel.longestWaitMs(), kMutexWaitMs);
}

// The challenge needs no table: the system's own dialogs (the manager's gate,
// a prompt and its boxes) pass without waiting for a stuck table.
TEST_F(GateTest, AWindowThatAnswersPassesWithoutWaitingForAStuckTable) {
  addLock({"Vantakey", "", nullptr});
  kernel.setTimingOut(kTableMutexName, true);
  const WindowRef gateWindow = desk.addWindow("Vantakey");
  desk.window(gateWindow).answersChallenge = true;

  EXPECT_EQ(activate(gateWindow), Verdict::Pass);
  EXPECT_EQ(kernel.totalWaits(), 0);
  EXPECT_TRUE(commands(gateWindow).empty());
}

TEST_F(GateTest, ATimeOutDoesNotConcernWindowsThatMatchNoLock) {
  addLock({"Payroll"});
  kernel.setTimingOut(kTableMutexName, true);
  EXPECT_EQ(activate(desk.addWindow("Budget")), Verdict::Pass);
  EXPECT_EQ(kernel.totalWaits(), 0);
}

TEST_F(GateTest, ATimeOutAfterThePromptWritesNothingAndTheClaimIsRecoveredLater) {
  const std::uint32_t i = addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Payroll");
  desk.user.entersPassword("secret");
  desk.afterPromptEnds = [this] { kernel.setTimingOut(kTableMutexName, true); };

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Hide, Minimize}));  // accepted, yet not restored
  const std::uint16_t tag = record(i).claimTag();
  EXPECT_NE(tag, 0);
  EXPECT_EQ(record(i).promptBusy(), 1);
  EXPECT_EQ(record(i).unlockedAt(), 0);
  EXPECT_FALSE(kernel.mutexExists(markerName(tag)));
  EXPECT_FALSE(gate.claims.contains(tag));

  // Once the table is free again the left-over claim is found stale.
  kernel.setTimingOut(kTableMutexName, false);
  desk.user.entersPassword("secret");
  EXPECT_EQ(activate(w), Verdict::Pass);
  EXPECT_EQ(desk.prompts.size(), 2u);
  EXPECT_EQ(record(i).unlockedAt(), desk.clock);
  EXPECT_EQ(record(i).promptBusy(), 0);
}

TEST_F(GateTest, ATimeOutInThePromptNeitherJudgesNorCountsTheEntry) {
  const std::uint32_t i = addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Payroll");
  auto stuck = [this](bool on) { kernel.setTimingOut(kTableMutexName, on); };
  desk.user.meanwhile([&] { stuck(true); })
      .entersPassword("secret")  // right, but cannot be judged
      .entersPassword("wrong")   // wrong, but not counted
      .meanwhile([&] {
        EXPECT_EQ(record(i).failedTries(), 0);
        stuck(false);
      })
      .pressesCancel();

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  ASSERT_EQ(desk.prompts.size(), 1u);
  const auto& p = desk.prompts[0];
  EXPECT_FALSE(p.scriptRanDry);  // it stayed open until Cancel
  EXPECT_TRUE(p.messageBoxes.empty());
  EXPECT_EQ(p.editTextAtEnd, "");
  EXPECT_EQ(p.focusAtEnd, kPasswordEditId);
  EXPECT_EQ(record(i).failedTries(), 0);
  EXPECT_EQ(commands(w), (Commands{Hide, Minimize}));
}

TEST_F(GateTest, ATimeOutAfterHashingLeavesARightEntryUnaccepted) {
  const std::uint32_t i = addLock({"Payroll"});
  record(i).setFailedTries(1);
  const WindowRef w = desk.addWindow("Payroll");
  int waitsInOk = 0;
  desk.user
      .meanwhile([&] {
        // The digest is copied under the first wait; the second one, for the
        // write after the hashing, does not come.
        kernel.beforeWait = [&](const std::string& name) {
          if (name == kTableMutexName && ++waitsInOk == 2) kernel.setTimingOut(name, true);
        };
      })
      .entersPassword("secret")
      .meanwhile([&] {
        kernel.beforeWait = nullptr;
        kernel.setTimingOut(kTableMutexName, false);
      })
      .pressesCancel();

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(waitsInOk, 2);
  const auto& p = desk.prompts.at(0);
  EXPECT_FALSE(p.scriptRanDry);
  EXPECT_EQ(p.result, 0);
  EXPECT_EQ(p.editTextAtEnd, "");
  EXPECT_EQ(record(i).failedTries(), 1);
  EXPECT_EQ(record(i).unlockedAt(), 0);
}

}  // namespace
}  // namespace gatetest
}  // namespace vk
