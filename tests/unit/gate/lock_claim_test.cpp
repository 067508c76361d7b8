// Claims on a lock: their marker, recovery from claims left by killed
// processes, and records that move or vanish while a prompt is up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gate/lock_claim.h"
#include "tests/unit/gate/gate_fixture.h"

namespace vk {
namespace gatetest {
namespace {

TEST(ClaimMarker, NameCarriesTheTagInDecimal) {
  EXPECT_EQ(markerName(1), "Vantak.claim.1");
  EXPECT_EQ(markerName(4096), "Vantak.claim.4096");
  EXPECT_EQ(markerName(65535), "Vantak.claim.65535");
}

TEST(ActiveClaimsList, AddRemoveContainsAndNoZeroTags) {
  ActiveClaims claims;
  claims.seed(0);  // the run starts at 0, which is never handed out
  EXPECT_NE(claims.nextCandidate(), 0);
  EXPECT_FALSE(claims.contains(5));
  EXPECT_TRUE(claims.add(5));
  EXPECT_TRUE(claims.add(6));
  EXPECT_TRUE(claims.contains(5));
  claims.remove(5);
  EXPECT_FALSE(claims.contains(5));
  EXPECT_TRUE(claims.contains(6));
}

TEST(ActiveClaimsList, HoldsAClaimForEveryRecordOfTheTable) {
  ActiveClaims claims;
  for (std::uint16_t t = 1; t <= kSectionRecordCapacity; ++t) ASSERT_TRUE(claims.add(t));
}

TEST_F(GateTest, AClaimOwnsItsMarkerForAsLongAsThePromptIsUp) {
  const std::uint32_t i = addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Payroll");
  std::uint16_t tag = 0;
  desk.user
      .meanwhile([&] {
        tag = record(i).claimTag();
        EXPECT_NE(tag, 0);
        EXPECT_EQ(record(i).promptBusy(), 1);
        EXPECT_TRUE(gate.claims.contains(tag));
        EXPECT_EQ(kernel.ourOwnership(markerName(tag)), 1);
      })
      .pressesCancel();
  activate(w);
  ASSERT_NE(tag, 0);
  EXPECT_FALSE(kernel.mutexExists(markerName(tag)));
  EXPECT_FALSE(gate.claims.contains(tag));
  EXPECT_EQ(record(i).claimTag(), 0);
  EXPECT_EQ(record(i).promptBusy(), 0);
  EXPECT_EQ(kernel.ourOwnership(kTableMutexName), 0);
}

TEST_F(GateTest, AClaimSkipsTagsInUseAndTagsLeftInTheTable) {
  ActiveClaims twin;  // the same run of candidates as this process
  twin.seed(4242);
  const std::uint16_t taken = twin.nextCandidate();
  const std::uint16_t leftInTable = twin.nextCandidate();
  const std::uint16_t free = twin.nextCandidate();
  kernel.otherProcessOwns(markerName(taken));
  LockSpec other{"Other"};
  const std::uint32_t o = addLock(other);
  record(o).setClaimTag(leftInTable);

  const std::uint32_t i = addLock({"Payroll"});
  std::uint16_t tag = 0;
  desk.user.meanwhile([&] { tag = record(i).claimTag(); }).pressesCancel();
  activate(desk.addWindow("Payroll"));
  EXPECT_EQ(tag, free);
}

TEST_F(GateTest, NoMarkerMeansNoClaimAndTheWindowIsRefused) {
  kernel.failMutexCreation("Vantak.claim.");
  const std::uint32_t i = addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Payroll");
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Minimize}));
  EXPECT_TRUE(desk.prompts.empty());
  EXPECT_EQ(record(i).promptBusy(), 0);
}

// --- claims of other processes ------------------------------------------------------

struct ForeignClaimCase {
  const char* name;
  std::uint16_t tag;
  void (*marker)(FakeKernel&, const std::string& name);
  bool stale;
};

void noMarker(FakeKernel&, const std::string&) {}
void ownerAlive(FakeKernel& k, const std::string& n) { k.otherProcessOwns(n); }
void ownerDiedMarkerGone(FakeKernel& k, const std::string& n) {
  k.otherProcessOwns(n);
  k.ownerProcessDies(n);
}
void ownerDiedMarkerAbandoned(FakeKernel& k, const std::string& n) {
  k.otherProcessOwns(n);
  k.otherProcessOpens(n);  // a third process keeps the object alive
  k.ownerProcessDies(n);
}
void ownerReleasedWithoutClearing(FakeKernel& k, const std::string& n) {
  k.otherProcessOwns(n);
  k.otherProcessReleases(n);
}

class ForeignClaims : public GateTest, public ::testing::WithParamInterface<ForeignClaimCase> {};

TEST_P(ForeignClaims, ALiveClaimRefusesAStaleOneIsCleared) {
  const ForeignClaimCase& c = GetParam();
  const std::uint32_t i = addLock({"Payroll"});
  leaveForeignClaim(i, c.tag);
  const std::string marker = markerName(c.tag);
  c.marker(kernel, marker);
  const WindowRef w = desk.addWindow("Payroll");
  desk.user.entersPassword("secret");

  if (c.stale) {
    EXPECT_EQ(activate(w), Verdict::Pass);
    EXPECT_EQ(desk.prompts.size(), 1u);
    EXPECT_EQ(record(i).promptBusy(), 0);
    EXPECT_EQ(record(i).claimTag(), 0);
  } else {
    EXPECT_EQ(activate(w), Verdict::HoldBack);
    EXPECT_EQ(commands(w), (Commands{Minimize}));
    EXPECT_TRUE(desk.prompts.empty());
    EXPECT_EQ(record(i).promptBusy(), 1);
    EXPECT_EQ(record(i).claimTag(), c.tag);
  }
  // Whatever was found, the foreign marker is neither kept open nor owned.
  EXPECT_EQ(kernel.ourHandles(marker), 0);
  EXPECT_EQ(kernel.ourOwnership(marker), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Gate, ForeignClaims,
    ::testing::Values(ForeignClaimCase{"Alive", 900, ownerAlive, false},
                      ForeignClaimCase{"MarkerNeverExisted", 900, noMarker, true},
                      ForeignClaimCase{"OwnerDiedMarkerGone", 900, ownerDiedMarkerGone, true},
                      ForeignClaimCase{"OwnerDiedAbandoned", 900, ownerDiedMarkerAbandoned, true},
                      ForeignClaimCase{"ReleasedNotCleared", 900, ownerReleasedWithoutClearing, true},
                      ForeignClaimCase{"NoTag", 0, noMarker, true}),
    [](const ::testing::TestParamInfo<ForeignClaimCase>& p) { return std::string(p.param.name); });

TEST_F(GateTest, AStaleClaimOnAnOpenLockIsClearedAsTheWindowPasses) {
  const std::uint32_t i = addLock({"Payroll"});
  record(i).setUnlockedAt(desk.clock - 10);
  leaveForeignClaim(i, 900);  // its process is gone: no marker
  EXPECT_EQ(activate(desk.addWindow("Payroll")), Verdict::Pass);
  EXPECT_TRUE(desk.prompts.empty());
  EXPECT_EQ(record(i).promptBusy(), 0);
  EXPECT_EQ(record(i).claimTag(), 0);
}

TEST_F(GateTest, AClaimOfAnotherThreadOfThisProcessIsBusyWithoutAskingTheMarker) {
  const std::uint32_t i = addLock({"Payroll"});
  leaveForeignClaim(i, 321);
  ASSERT_TRUE(gate.claims.add(321));  // that thread's prompt is up
  const WindowRef w = desk.addWindow("Payroll");
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(record(i).promptBusy(), 1);
  EXPECT_EQ(kernel.waitCount(markerName(321)), 0);
}

// --- records that move or vanish during the prompt -----------------------------------

class MovingRecords : public GateTest {
 public:
  MovingRecords() {
    earlier = addLock({"Budget", "", "x"});
    LockSpec spec{"Payroll"};
    spec.action = CloseWindow;
    spec.maxTries = 2;
    payroll = addLock(spec);
    later = addLock({"Minutes", "", "y"});
    record(later).setFailedTries(1);
    w = desk.addWindow("Payroll");
  }
  std::uint32_t earlier = 0, payroll = 0, later = 0;
  WindowRef w = kNoWindow;
};

TEST_F(MovingRecords, AcceptedWritesLandOnTheMovedRecord) {
  desk.user.meanwhile([&] { removeLock(earlier); }).entersPassword("secret");
  EXPECT_EQ(activate(w), Verdict::Pass);
  ASSERT_EQ(manager.recordCount(), 2u);
  const RecordRef moved = record(0);
  ASSERT_STREQ(moved.title(), "Payroll");
  EXPECT_EQ(moved.unlockedAt(), desk.clock);
  EXPECT_EQ(moved.promptBusy(), 0);
  EXPECT_EQ(moved.claimTag(), 0);
  EXPECT_STREQ(record(1).title(), "Minutes");
  EXPECT_EQ(record(1).unlockedAt(), 0);
  EXPECT_EQ(record(1).failedTries(), 1);
  EXPECT_EQ(desk.restoreActivations, (std::vector<Verdict>{Verdict::Pass}));
}

TEST_F(MovingRecords, WrongEntriesAndTheActionLandOnTheMovedRecord) {
  desk.user.meanwhile([&] { removeLock(earlier); })
      .entersPassword("a")
      .meanwhile([&] { EXPECT_EQ(record(0).failedTries(), 1); })
      .entersPassword("b");
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Hide, PostClose}));
  EXPECT_EQ(record(0).failedTries(), 0);
  EXPECT_EQ(record(0).promptBusy(), 0);
  EXPECT_EQ(record(1).failedTries(), 1);  // the record after it is untouched
}

TEST_F(GateTest, TheLastRecordMovedDownIsStillFound) {
  const std::uint32_t earlier = addLock({"Budget", "", "x"});
  addLock({"Payroll"});  // the last record: its index passes the new count
  desk.user.meanwhile([&] { removeLock(earlier); }).entersPassword("secret");
  EXPECT_EQ(activate(desk.addWindow("Payroll")), Verdict::Pass);
  ASSERT_EQ(manager.recordCount(), 1u);
  EXPECT_EQ(record(0).unlockedAt(), desk.clock);
  EXPECT_EQ(record(0).promptBusy(), 0);
}

struct VanishCase {
  const char* name;
  bool duringPrompt;  // else: right after the prompt ended
  const char* typed;  // nullptr: Cancel
  Commands commands;
  Verdict verdict;
};

class VanishingRecord : public MovingRecords, public ::testing::WithParamInterface<VanishCase> {};

TEST_P(VanishingRecord, ADeletedLockGetsNoWrites) {
  const VanishCase& c = GetParam();
  const LockRecord laterBefore = record(later).copy();
  auto deletePayroll = [this] { removeLock(payroll); };
  if (c.duringPrompt) desk.user.meanwhile(deletePayroll);
  if (c.typed != nullptr) {
    desk.user.entersPassword(c.typed);
  } else {
    desk.user.pressesCancel();
  }
  if (!c.duringPrompt) desk.afterPromptEnds = deletePayroll;

  EXPECT_EQ(activate(w), c.verdict);
  EXPECT_EQ(commands(w), c.commands);
  ASSERT_EQ(manager.recordCount(), 2u);
  const LockRecord laterAfter = record(1).copy();  // "Minutes" moved into the gap
  EXPECT_EQ(std::memcmp(&laterBefore, &laterAfter, sizeof laterBefore), 0);
  EXPECT_EQ(record(0).promptBusy(), 0);
  EXPECT_FALSE(desk.prompts[0].scriptRanDry);
}

INSTANTIATE_TEST_SUITE_P(
    Gate, VanishingRecord,
    ::testing::Values(
        // no password left to check: the prompt ends, the window stays minimized
        VanishCase{"WrongEntryAfterDelete", true, "wrong", {Hide, Minimize}, Verdict::HoldBack},
        VanishCase{"RightEntryAfterDelete", true, "secret", {Hide, Minimize}, Verdict::HoldBack},
        VanishCase{"CancelAfterDelete", true, nullptr, {Hide, Minimize}, Verdict::HoldBack},
        // the password was right: the window comes back
        VanishCase{"DeletedAfterAccept", false, "secret", {Hide, Restore}, Verdict::Pass},
        VanishCase{"DeletedAfterCancel", false, nullptr, {Hide, Minimize}, Verdict::HoldBack}),
    [](const ::testing::TestParamInfo<VanishCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace gatetest
}  // namespace vk
