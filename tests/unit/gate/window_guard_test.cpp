// The window check: lock states, scan order, actions, the challenge, the two
// hook entries and the windows that pass without touching the table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gate/challenge_random.h"
#include "gate/lock_prompt.h"
#include "tests/unit/gate/gate_fixture.h"

namespace vk {
namespace gatetest {
namespace {

// --- the four states of a lock ----------------------------------------------

struct StateCase {
  const char* name;
  void (*arrange)(GateTest&, std::uint32_t record);
  Verdict verdict;
  Commands commands;
  bool prompted;
  bool unlockedAtIsNow;  // the record ends Open with the period started now
};

void offLock(GateTest& g, std::uint32_t i) { g.record(i).setEnabled(0); }
void neverUnlocked(GateTest&, std::uint32_t) {}
void periodRanOut(GateTest& g, std::uint32_t i) {
  g.record(i).setUnlockedAt(g.desk.clock - g.record(i).relockSeconds());
}
void promptingElsewhere(GateTest& g, std::uint32_t i) {
  g.leaveForeignClaim(i, 900);
  g.kernel.otherProcessOwns(markerName(900));
}
void unlockedRecently(GateTest& g, std::uint32_t i) { g.record(i).setUnlockedAt(g.desk.clock - 10); }

class LockStates : public GateTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(LockStates, ActivationOfAMatchingWindow) {
  const StateCase& c = GetParam();
  const std::uint32_t i = addLock({"Payroll", "", "secret"});
  c.arrange(*this, i);
  const LockRecord before = record(i).copy();
  const WindowRef w = desk.addWindow("Payroll");
  desk.user.entersPassword("secret");

  EXPECT_EQ(activate(w), c.verdict);
  EXPECT_EQ(commands(w), c.commands);
  EXPECT_EQ(desk.prompts.size(), c.prompted ? 1u : 0u);
  if (c.unlockedAtIsNow) {
    EXPECT_EQ(record(i).unlockedAt(), desk.clock);
  } else {
    EXPECT_EQ(record(i).unlockedAt(), before.unlockedAt);
  }
  EXPECT_EQ(record(i).promptBusy(), before.promptBusy);
}

INSTANTIATE_TEST_SUITE_P(
    Gate, LockStates,
    ::testing::Values(
        StateCase{"Off", offLock, Verdict::Pass, {}, false, false},
        StateCase{"LockedNever", neverUnlocked, Verdict::Pass, {Hide, Restore}, true, true},
        StateCase{"LockedExpired", periodRanOut, Verdict::Pass, {Hide, Restore}, true, true},
        StateCase{"Prompting", promptingElsewhere, Verdict::HoldBack, {Minimize}, false, false},
        StateCase{"Open", unlockedRecently, Verdict::Pass, {}, false, true}),
    [](const ::testing::TestParamInfo<StateCase>& p) { return std::string(p.param.name); });

TEST_F(GateTest, OffLockIsSkippedWithoutMutexOrChallenge) {
  addLock({"Payroll", "", nullptr, false, /*enabled=*/false});
  const WindowRef w = desk.addWindow("Payroll");
  EXPECT_EQ(activate(w), Verdict::Pass);
  EXPECT_EQ(kernel.totalWaits(), 0);
  EXPECT_TRUE(desk.challenges.empty());
}

TEST_F(GateTest, CancelReturnsTheLockToLockedKeepingTheTries) {
  const std::uint32_t i = addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Payroll");
  desk.user.entersPassword("nope").pressesCancel();

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Hide, Minimize}));
  EXPECT_EQ(record(i).failedTries(), 1);
  EXPECT_EQ(record(i).promptBusy(), 0);
  EXPECT_EQ(record(i).claimTag(), 0);
  EXPECT_EQ(record(i).unlockedAt(), 0);
}

TEST_F(GateTest, WhilePromptingOtherWindowsOfTheLockAreRefusedAndThePromptPasses) {
  const std::uint32_t i = addLock({"Payroll"});
  const WindowRef first = desk.addWindow("Payroll");
  const WindowRef second = desk.addWindow("Payroll");
  Verdict secondVerdict = Verdict::Pass;
  int challengesSeenByPrompt = 0;
  desk.user
      .meanwhile([&] {
        secondVerdict = activate(second);
        EXPECT_EQ(record(i).promptBusy(), 1);
      })
      .entersPassword("secret");

  EXPECT_EQ(activate(first), Verdict::Pass);
  ASSERT_EQ(desk.prompts.size(), 1u);
  const auto& prompt = desk.prompts[0];
  // The prompt carries the locked title and is retitled and activated while
  // its lock is Prompting: it gets through by answering the challenge.
  EXPECT_EQ(prompt.caption, "Payroll");
  EXPECT_EQ(prompt.retitleVerdict, Verdict::Pass);
  EXPECT_EQ(prompt.activateVerdict, Verdict::Pass);
  for (const auto& c : desk.challenges) challengesSeenByPrompt += c.window == prompt.promptWindow;
  EXPECT_EQ(challengesSeenByPrompt, 2);
  EXPECT_EQ(secondVerdict, Verdict::HoldBack);
  EXPECT_EQ(commands(second), (Commands{Minimize}));
  // The restore re-enters the check, which finds the lock Open.
  EXPECT_EQ(desk.restoreActivations, (std::vector<Verdict>{Verdict::Pass}));
  EXPECT_EQ(desk.prompts.size(), 1u);
}

// --- re-lock period ------------------------------------------------------------

TEST_F(GateTest, EachPassWithinThePeriodStartsItAgain) {
  const std::uint32_t i = addLock({"Payroll", "", "secret", false, true, /*relockSeconds=*/60});
  const WindowRef w = desk.addWindow("Payroll");
  const std::int32_t start = desk.clock;
  desk.user.entersPassword("secret");
  ASSERT_EQ(activate(w), Verdict::Pass);
  ASSERT_EQ(desk.prompts.size(), 1u);

  desk.clock = start + 50;
  EXPECT_EQ(activate(w), Verdict::Pass);
  EXPECT_EQ(record(i).unlockedAt(), start + 50);
  desk.clock = start + 100;  // 100 s after the unlock, 50 after the last pass
  EXPECT_EQ(activate(w), Verdict::Pass);
  EXPECT_EQ(record(i).unlockedAt(), start + 100);
  EXPECT_EQ(desk.prompts.size(), 1u);

  desk.clock = start + 160;  // left alone for the whole period
  desk.user.pressesCancel();
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(desk.prompts.size(), 2u);
}

struct PeriodCase {
  std::int32_t unlockedAgo;  // now - unlockedAt
  bool open;
};

class RelockBoundary : public GateTest, public ::testing::WithParamInterface<PeriodCase> {};

TEST_P(RelockBoundary, SignedDifferenceAgainstThePeriod) {
  const std::uint32_t i = addLock({"Payroll", "", nullptr, false, true, 60});
  record(i).setUnlockedAt(desk.clock - GetParam().unlockedAgo);
  const WindowRef w = desk.addWindow("Payroll");
  EXPECT_EQ(activate(w), GetParam().open ? Verdict::Pass : Verdict::HoldBack);
}

INSTANTIATE_TEST_SUITE_P(Gate, RelockBoundary,
                         ::testing::Values(PeriodCase{0, true}, PeriodCase{59, true},
                                           PeriodCase{60, false}, PeriodCase{61, false},
                                           // clock set back: the difference is negative
                                           PeriodCase{-3600, true}));

TEST_F(GateTest, UnlockedAtZeroIsLockedWhateverThePeriod) {
  const std::uint32_t i = addLock({"Payroll", "", nullptr, false, true, 0x7FFFFFFF});
  record(i).setUnlockedAt(0);
  desk.clock = 5;  // 5 - 0 < period, yet 0 means never unlocked
  EXPECT_EQ(activate(desk.addWindow("Payroll")), Verdict::HoldBack);
}

// --- scan order ----------------------------------------------------------------

TEST_F(GateTest, AnOpenLockEndsTheScan) {
  const std::uint32_t a = addLock({"Report", "", "a"});
  const std::uint32_t b = addLock({"Report", "", nullptr});  // would deny at once
  record(a).setUnlockedAt(desk.clock - 5);
  const WindowRef w = desk.addWindow("Report");

  EXPECT_EQ(activate(w), Verdict::Pass);
  EXPECT_TRUE(commands(w).empty());
  EXPECT_EQ(desk.challenges.size(), 1u);
  EXPECT_EQ(record(b).promptBusy(), 0);
}

TEST_F(GateTest, AnAcceptedPasswordGoesOnToTheNextLock) {
  const std::uint32_t a = addLock({"Report", "", "a"});
  const std::uint32_t b = addLock({"Rep*", "", "b", /*wildcard=*/true});
  const WindowRef w = desk.addWindow("Report");
  desk.user.entersPassword("a").entersPassword("b");

  EXPECT_EQ(activate(w), Verdict::Pass);
  ASSERT_EQ(desk.prompts.size(), 2u);
  EXPECT_EQ(desk.prompts[0].recordIndex, static_cast<std::int32_t>(a));
  EXPECT_EQ(desk.prompts[1].recordIndex, static_cast<std::int32_t>(b));
  EXPECT_EQ(commands(w), (Commands{Hide, Restore, Hide, Restore}));
  EXPECT_EQ(record(a).unlockedAt(), desk.clock);
  EXPECT_EQ(record(b).unlockedAt(), desk.clock);
}

TEST_F(GateTest, ARefusedLockEndsTheScan) {
  addLock({"Report", "", "a"});
  const std::uint32_t b = addLock({"Report", "", "b"});
  const WindowRef w = desk.addWindow("Report");
  desk.user.pressesCancel().entersPassword("b");

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(desk.prompts.size(), 1u);
  EXPECT_EQ(desk.user.remaining(), 2u);
  EXPECT_EQ(record(b).unlockedAt(), 0);
}

TEST_F(GateTest, RecordsBeyondTheCountAreNeverLookedAt) {
  addLock({"Payroll", "", nullptr});
  manager.setRecordCount(0);  // the record's bytes stay behind
  EXPECT_EQ(activate(desk.addWindow("Payroll")), Verdict::Pass);
  EXPECT_TRUE(desk.challenges.empty());
}

TEST_F(GateTest, ACountBeyondTheSectionIsClamped) {
  addLock({"Payroll", "", nullptr});
  manager.setRecordCount(0xFFFFFFFFu);  // damaged header: 99 records at most are read
  EXPECT_EQ(activate(desk.addWindow("Payroll")), Verdict::HoldBack);
  EXPECT_EQ(activate(desk.addWindow("Elsewhere")), Verdict::Pass);
}

struct RaceCase {
  const char* name;
  void (*managerMeanwhile)(GateTest&, std::uint32_t record);
};

class MatchUnderMutex : public GateTest, public ::testing::WithParamInterface<RaceCase> {};

// The manager changes the record between the lock-free read and the wait: the
// decision follows what the record says once the mutex is held. (The
// challenge went out before the wait; it reads nothing from the table.)
TEST_P(MatchUnderMutex, ARecordChangedBeforeTheWaitIsDecidedAfresh) {
  const std::uint32_t i = addLock({"Payroll", "", nullptr});
  const WindowRef w = desk.addWindow("Payroll");
  kernel.beforeWait = [&](const std::string&) {
    GetParam().managerMeanwhile(*this, i);
    kernel.beforeWait = nullptr;
  };
  EXPECT_EQ(activate(w), Verdict::Pass);
  EXPECT_EQ(kernel.waitCount(kTableMutexName), 1);
  EXPECT_TRUE(commands(w).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Gate, MatchUnderMutex,
    ::testing::Values(
        RaceCase{"SwitchedOff", [](GateTest& g, std::uint32_t i) { g.record(i).setEnabled(0); }},
        RaceCase{"Retitled",
                 [](GateTest& g, std::uint32_t i) { std::strcpy(g.record(i).title(), "Budget"); }},
        RaceCase{"Deleted", [](GateTest& g, std::uint32_t i) { g.removeLock(i); }}),
    [](const ::testing::TestParamInfo<RaceCase>& p) { return std::string(p.param.name); });

// A delete moved the matching record down past the lock-free read: under the
// mutex the scan starts again where the lock-free one did.
TEST_F(GateTest, ARecordMovedDownByADeleteBeforeTheWaitIsStillFound) {
  addLock({"Budget", "", nullptr});
  addLock({"Payroll", "", nullptr});
  const WindowRef w = desk.addWindow("Payroll");
  kernel.beforeWait = [&](const std::string&) {
    kernel.beforeWait = nullptr;
    removeLock(0);
  };
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Hide, Minimize}));
}

// An edit in progress: the first byte of the new pattern is written, the
// wildcard flag not yet, so the lock-free read matches neither the old title
// nor the new pattern, and finds a later lock instead. Under the mutex the
// finished record comes first, in table order.
TEST_F(GateTest, ARecordHalfRewrittenDuringTheLockFreeReadIsDecidedInTableOrder) {
  const std::uint32_t edited = addLock({"My Password Vault", "", "a"});
  const std::uint32_t later = addLock({"*Vault*", "", "b", /*wildcard=*/true});
  record(edited).title()[0] = '*';
  const WindowRef w = desk.addWindow("My Password Vault");
  kernel.beforeWait = [&](const std::string&) {
    kernel.beforeWait = nullptr;
    std::strcpy(record(edited).title(), "*Password Vault");
    record(edited).setWildcard(1);
  };
  desk.user.entersPassword("a").entersPassword("b");

  EXPECT_EQ(activate(w), Verdict::Pass);
  ASSERT_EQ(desk.prompts.size(), 2u);
  EXPECT_EQ(desk.prompts[0].recordIndex, static_cast<std::int32_t>(edited));
  EXPECT_EQ(desk.prompts[1].recordIndex, static_cast<std::int32_t>(later));
  EXPECT_EQ(record(edited).unlockedAt(), desk.clock);
}

// The limit of the lock-free read, as it is: when nothing else matches, a
// record caught half rewritten lets that one activation pass without the
// mutex; the window's next activation meets the finished record.
TEST_F(GateTest, AnActivationDuringTheRewriteOfItsOnlyLockPassesTheNextIsChecked) {
  const std::uint32_t edited = addLock({"My Password Vault", "", nullptr});
  record(edited).title()[0] = '*';
  const WindowRef w = desk.addWindow("My Password Vault");

  EXPECT_EQ(activate(w), Verdict::Pass);
  EXPECT_EQ(kernel.totalWaits(), 0);
  std::strcpy(record(edited).title(), "*Password Vault");
  record(edited).setWildcard(1);
  EXPECT_EQ(activate(w), Verdict::HoldBack);
}

// --- actions -------------------------------------------------------------------

struct ActionCase {
  std::uint16_t action;
  bool hasPassword;
  Commands commands;
  int closeRequests;
  int shutdowns;
};

class Actions : public GateTest, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(Actions, CarriedOutWhenTriesRunOutOrAtOnceWithoutPassword) {
  const ActionCase& c = GetParam();
  LockSpec spec{"Payroll", "", c.hasPassword ? "secret" : nullptr};
  spec.action = c.action;
  spec.maxTries = 1;
  const std::uint32_t i = addLock(spec);
  const WindowRef w = desk.addWindow("Payroll");
  desk.user.entersPassword("wrong");

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(desk.prompts.size(), c.hasPassword ? 1u : 0u);
  EXPECT_EQ(commands(w), c.commands);
  EXPECT_EQ(desk.window(w).closeRequests, c.closeRequests);
  EXPECT_EQ(desk.shutdowns, c.shutdowns);
  EXPECT_EQ(record(i).failedTries(), 0);
  EXPECT_EQ(record(i).promptBusy(), 0);
  EXPECT_EQ(record(i).claimTag(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Gate, Actions,
    ::testing::Values(ActionCase{CloseWindow, true, {Hide, PostClose}, 1, 0},
                      ActionCase{DenyAccess, true, {Hide, Minimize}, 0, 0},
                      ActionCase{LockComputer, true, {Hide}, 0, 0},
                      ActionCase{ShutdownComputer, true, {Hide}, 0, 1},
                      ActionCase{CloseWindow, false, {Hide, PostClose}, 1, 0},
                      ActionCase{DenyAccess, false, {Hide, Minimize}, 0, 0},
                      ActionCase{LockComputer, false, {Hide}, 0, 0},
                      ActionCase{ShutdownComputer, false, {Hide}, 0, 1},
                      // unknown codes act as DenyAccess
                      ActionCase{0, true, {Hide, Minimize}, 0, 0},
                      ActionCase{3, false, {Hide, Minimize}, 0, 0},
                      ActionCase{16, true, {Hide, Minimize}, 0, 0},
                      ActionCase{0xFFFF, false, {Hide, Minimize}, 0, 0}));

TEST_F(GateTest, ALockWithoutPasswordActsOnEveryActivation) {
  LockSpec deny{"Payroll", "", nullptr};
  const std::uint32_t i = addLock(deny);
  record(i).setFailedTries(2);
  const WindowRef w = desk.addWindow("Payroll");

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Hide, Minimize, Hide, Minimize}));
  EXPECT_TRUE(desk.prompts.empty());
  EXPECT_EQ(record(i).failedTries(), 0);
  EXPECT_EQ(record(i).unlockedAt(), 0);  // never reaches Open
}

TEST_F(GateTest, ADigestWithAZeroFirstWordHasNoPassword) {
  const std::uint32_t i = addLock({"Payroll"});
  PasswordDigest d = record(i).digest();
  d.bytes[0] = d.bytes[1] = d.bytes[2] = d.bytes[3] = 0;
  record(i).setDigest(d);
  EXPECT_EQ(activate(desk.addWindow("Payroll")), Verdict::HoldBack);
  EXPECT_TRUE(desk.prompts.empty());
}

TEST_F(GateTest, ACloseLockWithoutPasswordHidesAndClosesEachNewWindow) {
  LockSpec close{"Chat*", "", nullptr, true};
  close.action = CloseWindow;
  addLock(close);
  const WindowRef a = desk.addWindow("Chat - Alice");
  const WindowRef b = desk.addWindow("Chat - Bob");
  EXPECT_EQ(activate(a), Verdict::HoldBack);
  EXPECT_EQ(activate(b), Verdict::HoldBack);
  EXPECT_EQ(commands(a), (Commands{Hide, PostClose}));
  EXPECT_EQ(commands(b), (Commands{Hide, PostClose}));
  EXPECT_EQ(desk.window(a).visibility, Visibility::Hidden);
}

TEST_F(GateTest, ThePromptFailingToOpenCountsAsCancel) {
  LockSpec spec{"Payroll"};
  spec.action = CloseWindow;
  const std::uint32_t i = addLock(spec);
  const WindowRef w = desk.addWindow("Payroll");
  desk.promptFailsToOpen = true;
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Hide, Minimize}));  // tries left: no action
  EXPECT_EQ(record(i).promptBusy(), 0);
}

// --- the two hook entries ----------------------------------------------------------

TEST_F(GateTest, ARetitleIntoALockedTitleIsHiddenAndPromptedAtOnce) {
  addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Untitled - Sheet");
  ASSERT_EQ(activate(w), Verdict::Pass);
  desk.user.pressesCancel();

  EXPECT_EQ(desk.retitle(w, "Payroll"), Verdict::HoldBack);
  ASSERT_EQ(desk.prompts.size(), 1u);
  EXPECT_EQ(desk.prompts[0].title, "Payroll");
  EXPECT_EQ(commands(w), (Commands{Hide, Minimize}));
}

// The window in use takes the title of a lock whose prompt is up elsewhere.
// Minimized without giving the activation away it would keep the keyboard
// and come back by a restore that is no activation, unchecked.
TEST_F(GateTest, AnActiveWindowRetitledIntoAPromptingLockGivesTheActivationAway) {
  const std::uint32_t i = addLock({"Payroll"});
  promptingElsewhere(*this, i);
  const WindowRef inUse = desk.addWindow("Untitled - Sheet");
  const WindowRef background = desk.addWindow("Untitled - Notes");
  ASSERT_EQ(activate(background), Verdict::Pass);
  ASSERT_EQ(activate(inUse), Verdict::Pass);

  EXPECT_EQ(desk.retitle(background, "Payroll"), Verdict::HoldBack);
  EXPECT_EQ(commands(background), (Commands{Minimize}));
  EXPECT_EQ(desk.activeWindow(), inUse);

  EXPECT_EQ(desk.retitle(inUse, "Payroll"), Verdict::HoldBack);
  EXPECT_EQ(commands(inUse), (Commands{WindowCommand::MinimizeAndDeactivate}));
  EXPECT_EQ(desk.window(inUse).visibility, Visibility::Minimized);
  EXPECT_NE(desk.activeWindow(), inUse);
  EXPECT_TRUE(desk.prompts.empty());
  EXPECT_EQ(record(i).promptBusy(), 1);  // the other prompt's claim is untouched
}

// A refused activation never takes place, so it leaves the activation alone,
// even where the system already counts the window as the foreground one.
TEST_F(GateTest, ARefusedActivationOfAWindowCountedActiveOnlyMinimizesIt) {
  const std::uint32_t i = addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Payroll");
  record(i).setUnlockedAt(desk.clock);  // Open: the first activation passes
  ASSERT_EQ(activate(w), Verdict::Pass);
  ASSERT_EQ(desk.activeWindow(), w);
  promptingElsewhere(*this, i);

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Minimize}));
}

TEST_F(GateTest, ARetitleIntoAnOtherTitleIsNotChallenged) {
  addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Untitled - Sheet");
  EXPECT_EQ(desk.retitle(w, "Budget"), Verdict::Pass);
  EXPECT_TRUE(desk.challenges.empty());
}

struct HookCase {
  bool cbt;
  int code;
  unsigned message;
  Verdict verdict;
};

class HookEntries : public GateTest, public ::testing::WithParamInterface<HookCase> {};

TEST_P(HookEntries, OnlyActivationAndSetTextAreChecked) {
  addLock({"Payroll", "", nullptr});  // holds back every matching window
  const WindowRef w = desk.addWindow("Payroll");
  const HookCase& c = GetParam();
  const Verdict v = c.cbt ? cbtHookVerdict(gate, desk, c.code, w)
                          : callWndRetVerdict(gate, desk, c.code, c.message, w);
  EXPECT_EQ(v, c.verdict);
  EXPECT_EQ(desk.challenges.empty(), c.verdict == Verdict::Pass);
}

INSTANTIATE_TEST_SUITE_P(Gate, HookEntries,
                         ::testing::Values(HookCase{true, -1, 0, Verdict::Pass},
                                           HookCase{true, 0, 0, Verdict::Pass},  // HCBT_MOVESIZE
                                           HookCase{true, 3, 0, Verdict::Pass},  // HCBT_CREATEWND
                                           HookCase{true, 9, 0, Verdict::Pass},  // HCBT_SETFOCUS
                                           HookCase{true, kCbtActivate, 0, Verdict::HoldBack},
                                           HookCase{false, -1, kMessageSetText, Verdict::Pass},
                                           HookCase{false, 0, 0x000F, Verdict::Pass},  // WM_PAINT
                                           HookCase{false, 0, 0x0006, Verdict::Pass},  // WM_ACTIVATE
                                           HookCase{false, 0, kMessageSetText, Verdict::HoldBack},
                                           HookCase{false, 1, kMessageSetText, Verdict::HoldBack}));

// --- windows that pass without touching the table ----------------------------------

TEST_F(GateTest, ChildWindowsAndNullHandlesPassWhateverTheLocksSay) {
  addLock({"", "", nullptr});  // empty title and class: matches every window
  const WindowRef child = desk.addChildWindow("Payroll");
  for (const WindowRef w : {child, kNoWindow}) {
    SCOPED_TRACE(w);
    EXPECT_EQ(checkWindow(gate, desk, w), Verdict::Pass);
  }
  EXPECT_EQ(kernel.totalWaits(), 0);
  EXPECT_TRUE(desk.challenges.empty());
  EXPECT_TRUE(commands(child).empty());
  // The same lock does hold back a top-level window, so the catch-all works.
  EXPECT_EQ(checkWindow(gate, desk, desk.addWindow("Payroll")), Verdict::HoldBack);
}

// A thread joined to another's input activates that thread's windows under
// its own hooks: the call arrives here for a window of another process of
// the same bitness. Such a window is never acted on from here, but a held one
// stays refused (no other library is asked).
struct ForeignWindowCase {
  const char* name;
  void (*arrange)(GateTest&, std::uint32_t record, WindowRef w);
  Verdict verdict;
};

// A hook of the other bitness is run on the thread that installed it: the
// library of the window's own bitness guards the window, so the call is
// passed on untouched, whatever the lock says.
TEST_F(GateTest, AWindowOfTheOtherBitnessIsPassedOnUntouched) {
  addLock({"Payroll", "", nullptr});  // holds back every matching window at once
  const WindowRef w = desk.addWindow("Payroll");
  desk.window(w).otherProcess = true;
  desk.window(w).otherBitness = true;
  EXPECT_EQ(cbtHookVerdict(gate, desk, kCbtActivate, w), Verdict::Pass);
  EXPECT_EQ(callWndRetVerdict(gate, desk, 0, kMessageSetText, w), Verdict::Pass);
  EXPECT_TRUE(desk.challenges.empty());
  EXPECT_EQ(kernel.totalWaits(), 0);
  EXPECT_TRUE(commands(w).empty());
}

class WindowsOfAnotherProcess : public GateTest,
                                public ::testing::WithParamInterface<ForeignWindowCase> {};

TEST_P(WindowsOfAnotherProcess, AreDecidedButNeverActedOn) {
  const std::uint32_t i = addLock({"Payroll", "", "secret"});
  const WindowRef w = desk.addWindow("Payroll");
  desk.window(w).otherProcess = true;
  GetParam().arrange(*this, i, w);
  const std::uint8_t busyBefore = record(i).promptBusy();
  const int handlesBefore = kernel.openHandles();
  desk.user.entersPassword("secret");

  EXPECT_EQ(cbtHookVerdict(gate, desk, kCbtActivate, w), GetParam().verdict);
  EXPECT_EQ(callWndRetVerdict(gate, desk, 0, kMessageSetText, w), GetParam().verdict);
  EXPECT_TRUE(commands(w).empty());
  EXPECT_TRUE(desk.prompts.empty());
  EXPECT_EQ(record(i).promptBusy(), busyBefore);
  EXPECT_EQ(kernel.openHandles(), handlesBefore) << "a claim marker was made";
}

INSTANTIATE_TEST_SUITE_P(
    Gate, WindowsOfAnotherProcess,
    ::testing::Values(
        ForeignWindowCase{"Locked", [](GateTest&, std::uint32_t, WindowRef) {}, Verdict::HoldBack},
        ForeignWindowCase{"Prompting",
                          [](GateTest& g, std::uint32_t i, WindowRef) {
                            g.leaveForeignClaim(i, 900);
                            g.kernel.otherProcessOwns(markerName(900));
                          },
                          Verdict::HoldBack},
        ForeignWindowCase{"Open",
                          [](GateTest& g, std::uint32_t i, WindowRef) {
                            g.record(i).setUnlockedAt(g.desk.clock - 10);
                          },
                          Verdict::Pass},
        ForeignWindowCase{"AnswersTheChallenge",
                          [](GateTest& g, std::uint32_t, WindowRef w) {
                            g.desk.window(w).answersChallenge = true;
                          },
                          Verdict::Pass},
        ForeignWindowCase{"MatchesNoLock",
                          [](GateTest& g, std::uint32_t, WindowRef w) { g.desk.window(w).title = "Budget"; },
                          Verdict::Pass}),
    [](const ::testing::TestParamInfo<ForeignWindowCase>& p) { return std::string(p.param.name); });

TEST_F(GateTest, AnEmptyTableLetsEveryWindowPassUnchallenged) {
  EXPECT_EQ(activate(desk.addWindow("Payroll")), Verdict::Pass);
  EXPECT_EQ(activate(desk.addWindow("")), Verdict::Pass);
  EXPECT_TRUE(desk.challenges.empty());
  EXPECT_EQ(kernel.totalWaits(), 0);
}

TEST_F(GateTest, ANonMatchingWindowTakesNoMutex) {
  for (int k = 0; k < 10; ++k) addLock({"Lock " + std::to_string(k), "", nullptr});
  EXPECT_EQ(activate(desk.addWindow("Budget")), Verdict::Pass);
  EXPECT_EQ(kernel.totalWaits(), 0);
}

// --- capture ---------------------------------------------------------------------

struct CaptureCase {
  const char* name;
  std::string recordTitle;
  bool wildcard;
  Verdict verdict;
};

class TitleCapture : public GateTest, public ::testing::WithParamInterface<CaptureCase> {};

TEST_P(TitleCapture, OnlyTheFirst254CharactersTakePart) {
  const CaptureCase& c = GetParam();
  addLock({c.recordTitle, "", nullptr, c.wildcard});
  const WindowRef w = desk.addWindow(std::string(254, 'x') + "yz" + std::string(44, 'x'));
  EXPECT_EQ(activate(w), c.verdict);
}

INSTANTIATE_TEST_SUITE_P(
    Gate, TitleCapture,
    ::testing::Values(CaptureCase{"Exact254", std::string(254, 'X'), false, Verdict::HoldBack},
                      CaptureCase{"Exact255", std::string(254, 'x') + "y", false, Verdict::Pass},
                      CaptureCase{"PatternEndingAt254", "x*x", true, Verdict::HoldBack},
                      CaptureCase{"PatternNeedingChar255", "*y*", true, Verdict::Pass}),
    [](const ::testing::TestParamInfo<CaptureCase>& p) { return std::string(p.param.name); });

TEST_F(GateTest, ThePromptGetsTheCutTitleAndClassTakesPart) {
  addLock({"", "editorframe", "secret"});
  const WindowRef w = desk.addWindow(std::string(300, 'q'), "EditorFrame");
  const WindowRef other = desk.addWindow(std::string(300, 'q'), "ViewerFrame");
  desk.user.pressesCancel();
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  ASSERT_EQ(desk.prompts.size(), 1u);
  EXPECT_EQ(desk.prompts[0].title, std::string(254, 'q'));
  EXPECT_EQ(desk.prompts[0].caption, std::string(254, 'q'));
  EXPECT_EQ(activate(other), Verdict::Pass);
}

// --- the challenge -------------------------------------------------------------------

TEST_F(GateTest, AWindowThatAnswersTheChallengePassesInEveryState) {
  const std::uint32_t i = addLock({"Vantakey", "", nullptr});
  const WindowRef gateWindow = desk.addWindow("Vantakey");
  desk.window(gateWindow).answersChallenge = true;

  EXPECT_EQ(activate(gateWindow), Verdict::Pass);  // Locked, no password
  leaveForeignClaim(i, 77);
  kernel.otherProcessOwns(markerName(77));
  EXPECT_EQ(activate(gateWindow), Verdict::Pass);  // Prompting elsewhere
  EXPECT_TRUE(commands(gateWindow).empty());
  EXPECT_EQ(record(i).unlockedAt(), 0);
}

struct ForeignCase {
  const char* name;
  bool answersWrongly;
  bool sendFails;
};

class ForeignWindows : public GateTest, public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(ForeignWindows, FailTheChallenge) {
  addLock({"Payroll", "", nullptr});
  const WindowRef w = desk.addWindow("Payroll");
  desk.window(w).answersWrongly = GetParam().answersWrongly;
  desk.window(w).challengeSendFails = GetParam().sendFails;
  EXPECT_EQ(activate(w), Verdict::HoldBack);
}

INSTANTIATE_TEST_SUITE_P(Gate, ForeignWindows,
                         ::testing::Values(ForeignCase{"Silent", false, false},
                                           ForeignCase{"WrongAnswer", true, false},
                                           ForeignCase{"Hung", false, true}),
                         [](const ::testing::TestParamInfo<ForeignCase>& p) {
                           return std::string(p.param.name);
                         });

// --- the system's own boxes --------------------------------------------------------

struct PromptBoxCase {
  const char* name;
  const char* pattern;
  bool wildcard;
};

class PromptBoxes : public GateTest, public ::testing::WithParamInterface<PromptBoxCase> {};

// The prompt's "Invalid Password" box has a title of its own, which the lock
// matches too. It does not answer the challenge, but the prompt that owns it
// does: the box comes up, and the right password then opens the window.
TEST_P(PromptBoxes, TheInvalidPasswordBoxPassesAndTheRightPasswordOpens) {
  const std::uint32_t i = addLock({GetParam().pattern, "", "secret", GetParam().wildcard});
  const WindowRef w = desk.addWindow("My Password Vault");
  desk.user.entersPassword("wrong").entersPassword("secret");

  EXPECT_EQ(activate(w), Verdict::Pass);
  ASSERT_EQ(desk.prompts.size(), 1u);
  const auto& prompt = desk.prompts[0];
  ASSERT_EQ(prompt.boxes.size(), 1u);
  const fakes::BoxSeen& box = prompt.boxes[0];
  EXPECT_EQ(box.caption, kInvalidPasswordCaption);
  EXPECT_EQ(box.retitleVerdict, Verdict::Pass);
  EXPECT_EQ(box.activateVerdict, Verdict::Pass);
  EXPECT_TRUE(box.commands.empty()) << "the box was hidden or minimized";
  EXPECT_EQ(prompt.result, PasswordAccepted);
  EXPECT_EQ(commands(w), (Commands{Hide, Restore}));
  EXPECT_EQ(record(i).unlockedAt(), desk.clock);
  EXPECT_EQ(record(i).failedTries(), 0);
}

INSTANTIATE_TEST_SUITE_P(Gate, PromptBoxes,
                         ::testing::Values(PromptBoxCase{"PasswordPattern", "*Password*", true},
                                           PromptBoxCase{"Star", "*", true},
                                           PromptBoxCase{"EmptyExactTitle", "", false}),
                         [](const ::testing::TestParamInfo<PromptBoxCase>& p) {
                           return std::string(p.param.name);
                         });

struct OwnerCase {
  const char* name;
  int levelsBelow;     // owners between the window and the top of its chain
  bool topAnswers;     // the top of the chain answers the challenge
  Verdict verdict;
};

class OwnerChains : public GateTest, public ::testing::WithParamInterface<OwnerCase> {};

TEST_P(OwnerChains, AWindowOwnedByAnAnsweringDialogPasses) {
  const OwnerCase& c = GetParam();
  addLock({"Payroll", "", nullptr});  // holds back every matching window at once
  WindowRef w = desk.addWindow("Vantakey");
  desk.window(w).answersChallenge = c.topAnswers;
  for (int k = 0; k < c.levelsBelow; ++k) w = desk.addOwnedWindow("Payroll", w);

  EXPECT_EQ(activate(w), c.verdict);
  EXPECT_EQ(desk.challenges.size(), static_cast<std::size_t>(c.levelsBelow) + 1u);
  EXPECT_EQ(commands(w).empty(), c.verdict == Verdict::Pass);
}

INSTANTIATE_TEST_SUITE_P(Gate, OwnerChains,
                         ::testing::Values(OwnerCase{"OwnedByTheGate", 1, true, Verdict::Pass},
                                           OwnerCase{"TwoStepsBelowTheGate", 2, true, Verdict::Pass},
                                           OwnerCase{"OwnerDoesNotAnswer", 1, false, Verdict::HoldBack},
                                           OwnerCase{"ChainDoesNotAnswer", 3, false, Verdict::HoldBack}),
                         [](const ::testing::TestParamInfo<OwnerCase>& p) {
                           return std::string(p.param.name);
                         });

// Owners cannot form a cycle on Windows; should one be reported, the walk
// still ends.
TEST_F(GateTest, AnOwnerCycleEndsTheWalk) {
  addLock({"Payroll", "", nullptr});
  const WindowRef a = desk.addWindow("Payroll");
  const WindowRef b = desk.addOwnedWindow("Payroll", a);
  desk.window(a).owner = b;
  EXPECT_EQ(activate(a), Verdict::HoldBack);
  EXPECT_LT(desk.challenges.size(), 10u);
}

// --- no host code under the table mutex ------------------------------------------------

// A host that pumps messages while it answers the challenge (here it
// activates another locked window, whose prompt comes up) does so with the
// table mutex free: no other activation on the desktop waits for it. The
// fixture checks every window-system call of every test the same way.
TEST_F(GateTest, AHostPumpingMessagesInTheChallengeHoldsNoTableMutex) {
  const std::uint32_t a = addLock({"Payroll", "", "a"});
  const std::uint32_t b = addLock({"Budget", "", "b"});
  const WindowRef payroll = desk.addWindow("Payroll");
  const WindowRef budget = desk.addWindow("Budget");
  int ownershipInChallenge = -1;
  Verdict nested = Verdict::HoldBack;
  desk.window(payroll).whenChallenged = [&] {
    desk.window(payroll).whenChallenged = nullptr;
    ownershipInChallenge = kernel.ourOwnership(kTableMutexName);
    nested = activate(budget);
  };
  desk.user.entersPassword("b").entersPassword("a");

  EXPECT_EQ(activate(payroll), Verdict::Pass);
  EXPECT_EQ(ownershipInChallenge, 0);
  EXPECT_EQ(nested, Verdict::Pass);
  ASSERT_EQ(desk.prompts.size(), 2u);
  EXPECT_EQ(desk.prompts[0].recordIndex, static_cast<std::int32_t>(b));
  EXPECT_EQ(desk.prompts[1].recordIndex, static_cast<std::int32_t>(a));
  EXPECT_EQ(record(a).unlockedAt(), desk.clock);
  EXPECT_EQ(record(b).unlockedAt(), desk.clock);
}

// The values are those of the runtime's rand() after srand(time): seeded
// with 1 it gives 41, then 18467 (the owner's challenge takes the next one).
TEST_F(GateTest, TheChallengeDrawsTheRuntimeGeneratorsValuesSeededWithTheTime) {
  addLock({"Payroll", "", nullptr});
  const WindowRef owner = desk.addWindow("Payroll Tools");
  const WindowRef w = desk.addOwnedWindow("Payroll", owner);
  desk.clock = 1;
  activate(w);
  ASSERT_EQ(desk.challenges.size(), 2u);
  EXPECT_EQ(desk.challenges[0].window, w);
  EXPECT_EQ(desk.challenges[0].t, 1u);
  EXPECT_EQ(desk.challenges[0].r, 41u);
  EXPECT_EQ(desk.challenges[1].window, owner);
  EXPECT_EQ(desk.challenges[1].r, 18467u);
}

TEST_F(GateTest, AZeroDrawIsNeverSentTheNextDrawIs) {
  // A time whose first draw is 0, as about one in 32768 are.
  std::int32_t t = 1;
  while (ChallengeRandom(static_cast<std::uint32_t>(t)).next() != 0) ++t;
  ChallengeRandom expected(static_cast<std::uint32_t>(t));
  expected.next();
  const int second = expected.next();
  ASSERT_NE(second, 0);

  addLock({"Payroll", "", nullptr});
  desk.clock = t;
  activate(desk.addWindow("Payroll"));
  ASSERT_EQ(desk.challenges.size(), 1u);
  EXPECT_EQ(desk.challenges[0].r, static_cast<std::uint32_t>(second));
}

// The host's own random sequence goes on as if no check had run.
TEST_F(GateTest, TheHostsRandSequenceIsLeftAlone) {
  std::srand(4711);
  const int first = std::rand();
  const int second = std::rand();
  std::srand(4711);
  EXPECT_EQ(std::rand(), first);

  addLock({"Payroll", "", nullptr});
  desk.clock = 1;  // a seed far from the host's
  activate(desk.addWindow("Payroll"));
  ASSERT_EQ(desk.challenges.size(), 1u);
  EXPECT_EQ(std::rand(), second);
}

struct AnswerCase {
  std::uint32_t t;
  std::uint32_t r;
  std::uint32_t answer;
};

class ChallengeAnswers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(ChallengeAnswers, UnsignedThirtyTwoBitFormula) {
  EXPECT_EQ(challengeAnswer(GetParam().t, GetParam().r), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(Gate, ChallengeAnswers,
                         ::testing::Values(AnswerCase{0, 1, 1}, AnswerCase{10, 3, 30},
                                           AnswerCase{1700000000u, 12345, 0x4CDEBF4Eu},
                                           AnswerCase{0xFFFFFFFFu, 2, 0x80000001u},
                                           AnswerCase{0xFFFFFFFFu, 32767, 0xFFFDFFFCu},
                                           // never sent; defined so no responder faults
                                           AnswerCase{7, 0, 0}, AnswerCase{0xFFFFFFFFu, 0, 0}));

}  // namespace
}  // namespace gatetest
}  // namespace vk
