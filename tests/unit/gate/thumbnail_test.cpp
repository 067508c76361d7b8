// What the window composition may show of a guarded window: only its icon
// while the window is held back (hidden behind its prompt, minimized, left
// hidden), its contents again once the right password opens it; and nothing
// asked of it for windows no enabled lock matches.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/gate/gate_fixture.h"

namespace vk {
namespace gatetest {
namespace {

struct HeldBackCase {
  const char* name;
  const char* password;  // nullptr: a lock without password
  std::uint16_t action;
  std::uint16_t maxTries;
  void (*user)(FakeDesktop&);
  Verdict verdict;
  bool prompted;
};

void cancels(FakeDesktop& d) { d.user.pressesCancel(); }
void typesWrongOnce(FakeDesktop& d) { d.user.entersPassword("wrong"); }
void nothing(FakeDesktop&) {}

class HeldBack : public GateTest, public ::testing::WithParamInterface<HeldBackCase> {};

TEST_P(HeldBack, WindowShowsOnlyItsIconAndStaysSo) {
  const HeldBackCase& c = GetParam();
  LockSpec spec{"Payroll", "", c.password};
  spec.action = c.action;
  spec.maxTries = c.maxTries;
  addLock(spec);
  const WindowRef w = desk.addWindow("Payroll");
  c.user(desk);

  EXPECT_EQ(activate(w), c.verdict);
  ASSERT_EQ(desk.prompts.size(), c.prompted ? 1u : 0u);
  if (c.prompted) {
    EXPECT_TRUE(desk.prompts[0].guardedThumbnailIconic) << "behind the prompt";
  }
  EXPECT_TRUE(desk.window(w).iconicThumbnail);
}

INSTANTIATE_TEST_SUITE_P(
    Gate, HeldBack,
    ::testing::Values(HeldBackCase{"PromptCancelled", "secret", DenyAccess, 3, cancels, Verdict::HoldBack, true},
                      HeldBackCase{"TriesUsedUpDenyAccess", "secret", DenyAccess, 1, typesWrongOnce,
                                   Verdict::HoldBack, true},
                      HeldBackCase{"TriesUsedUpCloseWindow", "secret", CloseWindow, 1, typesWrongOnce,
                                   Verdict::HoldBack, true},
                      HeldBackCase{"TriesUsedUpLockComputer", "secret", LockComputer, 1, typesWrongOnce,
                                   Verdict::HoldBack, true},
                      HeldBackCase{"NoPasswordDenyAccess", nullptr, DenyAccess, 3, nothing, Verdict::HoldBack,
                                   false},
                      HeldBackCase{"NoPasswordCloseWindow", nullptr, CloseWindow, 3, nothing, Verdict::HoldBack,
                                   false}),
    [](const ::testing::TestParamInfo<HeldBackCase>& p) { return std::string(p.param.name); });

TEST_F(GateTest, RightPasswordShowsTheContentsAgainBeforeTheWindowComesBack) {
  addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Payroll");
  bool iconicWhenRestored = true;
  desk.user.entersPassword("secret");
  // The restore's activation re-enters the check; the thumbnail was given
  // back by then.
  desk.onActivate = [&](WindowRef a) {
    if (a == w && !desk.prompts.empty()) iconicWhenRestored = desk.window(w).iconicThumbnail;
    return cbtHookVerdict(gate, desk, kCbtActivate, a);
  };

  EXPECT_EQ(activate(w), Verdict::Pass);
  ASSERT_EQ(desk.prompts.size(), 1u);
  EXPECT_TRUE(desk.prompts[0].guardedThumbnailIconic);
  EXPECT_FALSE(iconicWhenRestored);
  EXPECT_FALSE(desk.window(w).iconicThumbnail);
}

TEST_F(GateTest, WindowRefusedWhileItsLockPromptsElsewhereShowsOnlyItsIcon) {
  const std::uint32_t i = addLock({"Payroll"});
  leaveForeignClaim(i, 900);
  kernel.otherProcessOwns(markerName(900));
  const WindowRef w = desk.addWindow("Payroll");

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_TRUE(desk.window(w).iconicThumbnail);
}

TEST_F(GateTest, WindowHeldBackEarlierShowsItsContentsOnceItsLockIsOpen) {
  addLock({"Payroll"});
  const WindowRef first = desk.addWindow("Payroll");
  const WindowRef second = desk.addWindow("Payroll");
  desk.user.pressesCancel();
  ASSERT_EQ(activate(second), Verdict::HoldBack);
  ASSERT_TRUE(desk.window(second).iconicThumbnail);

  // The right password for the first window opens the lock for both.
  desk.user.entersPassword("secret");
  ASSERT_EQ(activate(first), Verdict::Pass);
  EXPECT_EQ(activate(second), Verdict::Pass);
  EXPECT_FALSE(desk.window(second).iconicThumbnail);
}

// The common path asks nothing of the window composition.
TEST_F(GateTest, WindowsNoEnabledLockMatchesAreLeftAlone) {
  addLock({"Payroll"});
  addLock({"Budget", "", "secret", false, /*enabled=*/false});
  const WindowRef other = desk.addWindow("Letter - Notepad");
  const WindowRef off = desk.addWindow("Budget");
  const WindowRef child = desk.addChildWindow("Payroll");

  EXPECT_EQ(activate(other), Verdict::Pass);
  EXPECT_EQ(activate(off), Verdict::Pass);
  EXPECT_EQ(activate(child), Verdict::Pass);
  EXPECT_EQ(desk.retitle(other, "Still not locked"), Verdict::Pass);
  for (WindowRef w : {other, off, child}) EXPECT_EQ(desk.window(w).thumbnailChanges, 0);
}

TEST_F(GateTest, WindowRetitledIntoALockShowsOnlyItsIcon) {
  addLock({"Payroll", "", nullptr});
  const WindowRef w = desk.addWindow("Draft");
  ASSERT_EQ(activate(w), Verdict::Pass);

  EXPECT_EQ(desk.retitle(w, "Payroll"), Verdict::HoldBack);
  EXPECT_TRUE(desk.window(w).iconicThumbnail);
}

}  // namespace
}  // namespace gatetest
}  // namespace vk
