// The lock prompt: what it shows, how it judges a password, and how wrong
// entries add up across prompts until the lock's action.
#include <gtest/gtest.h>

#include <string>

#include "gate/lock_prompt.h"
#include "tests/fakes/fake_dialog_view.h"
#include "tests/unit/gate/gate_fixture.h"

namespace vk {
namespace gatetest {
namespace {

using fakes::FakeDialogView;

// A prompt driven by hand, on a record claimed with tag 7.
class PromptTest : public GateTest {
 public:
  static constexpr std::uint16_t kTag = 7;

  void claimFor(const LockSpec& spec, const std::string& windowTitle) {
    index = addLock(spec);
    leaveForeignClaim(index, kTag);
    title = windowTitle;
    guarded = desk.addWindow(windowTitle);
    param = PromptParam{title.c_str(), static_cast<std::int32_t>(index), guarded};
  }
  LockPrompt prompt() { return LockPrompt(gate, desk, param, kTag); }
  void enter(LockPrompt& p, const std::string& text) {
    view.setItemText(kPasswordEditId, text.c_str());
    EXPECT_TRUE(p.onCommand(view, kIdOk, kButtonClicked));
  }

  std::uint32_t index = 0;
  std::string title;
  WindowRef guarded = kNoWindow;
  PromptParam param{nullptr, 0, kNoWindow};
  FakeDialogView view;
};

TEST_F(PromptTest, InitSetsUpTheDialog) {
  claimFor({"Payroll"}, "Payroll - Sheet");
  LockPrompt p = prompt();
  EXPECT_FALSE(p.onInit(view));  // the focus is set explicitly
  EXPECT_EQ(view.focus(), kPasswordEditId);
  EXPECT_EQ(view.passwordChar(kPasswordEditId), '*');
  EXPECT_EQ(view.beeps(), (std::vector<unsigned>{0x40}));
  EXPECT_EQ(view.caption(), "Payroll - Sheet");
  ASSERT_EQ(view.timers().size(), 1u);
  EXPECT_EQ(view.timers()[0].id, 1u);
  EXPECT_EQ(view.timers()[0].periodMs, 300u);
}

TEST_F(PromptTest, AnUntitledWindowGivesTheDefaultCaption) {
  claimFor({""}, "");
  LockPrompt p = prompt();
  p.onInit(view);
  EXPECT_EQ(view.caption(), "Locked Resource");
}

TEST_F(PromptTest, EachTimerTickHidesTheGuardedWindowAgain) {
  claimFor({"Payroll"}, "Payroll");
  LockPrompt p = prompt();
  desk.window(guarded).visibility = Visibility::Normal;  // its application showed it
  EXPECT_FALSE(p.onTimer(view, kHideTimerId));
  EXPECT_EQ(desk.window(guarded).visibility, Visibility::Hidden);
}

TEST_F(PromptTest, AnswersTheChallenge) {
  claimFor({"Payroll"}, "Payroll");
  LockPrompt p = prompt();
  EXPECT_TRUE(p.answersChallenge());
  EXPECT_EQ(p.onChallenge(10, 3), 30u);
  EXPECT_EQ(p.onChallenge(123, 0), 0u);
}

TEST_F(PromptTest, CancelEndsWithZeroAndOtherCommandsAreNotHandled) {
  claimFor({"Payroll"}, "Payroll");
  LockPrompt p = prompt();
  EXPECT_FALSE(p.onCommand(view, kPasswordEditId, 0x0300));  // EN_CHANGE
  EXPECT_FALSE(view.ended());
  EXPECT_TRUE(p.onCommand(view, kIdCancel, kButtonClicked));
  EXPECT_TRUE(view.ended());
  EXPECT_EQ(view.result(), 0);
  EXPECT_EQ(record(index).failedTries(), 0);
}

TEST_F(PromptTest, TheRightPasswordEndsWithAcceptedAndClearsTheTries) {
  claimFor({"Payroll"}, "Payroll");
  record(index).setFailedTries(2);
  LockPrompt p = prompt();
  enter(p, "secret");
  EXPECT_TRUE(view.ended());
  EXPECT_EQ(view.result(), PasswordAccepted);
  EXPECT_EQ(record(index).failedTries(), 0);
  EXPECT_TRUE(view.messageBoxes().empty());
}

TEST_F(PromptTest, AWrongPasswordWarnsAndAsksAgain) {
  claimFor({"Payroll"}, "Payroll");
  LockPrompt p = prompt();
  view.setFocus(kIdOk);  // the user had tabbed away
  enter(p, "Secret");    // case counts
  EXPECT_FALSE(view.ended());
  ASSERT_EQ(view.messageBoxes().size(), 1u);
  EXPECT_EQ(view.messageBoxes()[0].text,
            "The password you entered is not correct.\nPlease try again.");
  EXPECT_EQ(view.messageBoxes()[0].caption, "Invalid Password");
  EXPECT_EQ(view.messageBoxes()[0].style, 0x30u);
  EXPECT_EQ(view.itemText(kPasswordEditId), "");
  EXPECT_EQ(view.focus(), kPasswordEditId);
  EXPECT_EQ(record(index).failedTries(), 1);
}

struct EntryCase {
  const char* name;
  std::string password;
  std::string typed;
  bool accepted;
};

class PromptEntries : public PromptTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(PromptEntries, JudgedByTheDigestOfAtMost255Characters) {
  const EntryCase& c = GetParam();
  claimFor({"Payroll", "", c.password.c_str()}, "Payroll");
  LockPrompt p = prompt();
  enter(p, c.typed);
  EXPECT_EQ(view.ended() && view.result() == PasswordAccepted, c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Gate, PromptEntries,
    ::testing::Values(EntryCase{"EmptyFieldForEmptyPassword", "", "", true},
                      EntryCase{"EmptyFieldForOtherPassword", "secret", "", false},
                      EntryCase{"TextForEmptyPassword", "", "secret", false},
                      // the field is read with 256 bytes: only 255 characters count
                      EntryCase{"LongEntryCutTo255", std::string(255, 'p'), std::string(300, 'p'), true},
                      EntryCase{"Password256NeverEnterable", std::string(256, 'p'),
                                std::string(256, 'p'), false}),
    [](const ::testing::TestParamInfo<EntryCase>& p) { return std::string(p.param.name); });

// --- tries across prompts, through the desktop ---------------------------------------

TEST_F(GateTest, WrongEntriesAddUpAcrossPromptsUntilTheAction) {
  LockSpec spec{"Payroll"};
  spec.action = CloseWindow;
  spec.maxTries = 3;
  const std::uint32_t i = addLock(spec);
  const WindowRef w = desk.addWindow("Payroll");

  desk.user.entersPassword("a").entersPassword("b").pressesCancel();
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(record(i).failedTries(), 2);
  EXPECT_EQ(desk.prompts.back().messageBoxes.size(), 2u);
  EXPECT_EQ(commands(w), (Commands{Hide, Minimize}));  // tries left: no action yet

  desk.user.entersPassword("c");
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_TRUE(desk.prompts.back().messageBoxes.empty());  // the third ends it
  EXPECT_EQ(commands(w), (Commands{Hide, Minimize, Hide, PostClose}));
  EXPECT_EQ(record(i).failedTries(), 0);
}

struct TriesCase {
  const char* name;
  std::uint16_t maxTries;
  std::uint16_t failedBefore;
  std::size_t warnings;  // "Invalid Password" boxes before the prompt ends
};

class TriesLimit : public GateTest, public ::testing::WithParamInterface<TriesCase> {};

TEST_P(TriesLimit, ThePromptEndsWhenTheTriesReachOrPassTheLimit) {
  const TriesCase& c = GetParam();
  LockSpec spec{"Payroll"};
  spec.action = CloseWindow;
  spec.maxTries = c.maxTries;
  const std::uint32_t i = addLock(spec);
  record(i).setFailedTries(c.failedBefore);
  const WindowRef w = desk.addWindow("Payroll");
  for (int k = 0; k < 5; ++k) desk.user.entersPassword("wrong");

  EXPECT_EQ(activate(w), Verdict::HoldBack);
  ASSERT_EQ(desk.prompts.size(), 1u);
  EXPECT_FALSE(desk.prompts[0].scriptRanDry);
  EXPECT_EQ(desk.prompts[0].messageBoxes.size(), c.warnings);
  EXPECT_EQ(commands(w), (Commands{Hide, PostClose}));
  EXPECT_EQ(record(i).failedTries(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Gate, TriesLimit,
    ::testing::Values(TriesCase{"OneTry", 1, 0, 0}, TriesCase{"ThreeTries", 3, 0, 2},
                      TriesCase{"ThreeTriesTwoUsed", 3, 2, 0},
                      // the manager lowered the limit below the count
                      TriesCase{"LimitLoweredBelowCount", 2, 5, 0},
                      TriesCase{"ZeroLimit", 0, 0, 0},
                      // 65535 + 1 stays 65535 instead of wrapping to 0
                      TriesCase{"CountSaturates", 0xFFFF, 0xFFFF, 0}),
    [](const ::testing::TestParamInfo<TriesCase>& p) { return std::string(p.param.name); });

TEST_F(GateTest, CancelWithTheTriesAlreadyUsedUpLeadsToTheAction) {
  LockSpec spec{"Payroll"};
  spec.action = CloseWindow;
  spec.maxTries = 2;
  const std::uint32_t i = addLock(spec);
  record(i).setFailedTries(5);
  const WindowRef w = desk.addWindow("Payroll");
  desk.user.pressesCancel();
  EXPECT_EQ(activate(w), Verdict::HoldBack);
  EXPECT_EQ(commands(w), (Commands{Hide, PostClose}));
  EXPECT_EQ(record(i).failedTries(), 0);
}

TEST_F(GateTest, ACorrectPasswordAfterWrongOnesOpensTheLock) {
  const std::uint32_t i = addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Payroll");
  desk.user.entersPassword("x").entersPassword("secret");
  EXPECT_EQ(activate(w), Verdict::Pass);
  EXPECT_EQ(desk.prompts[0].messageBoxes.size(), 1u);
  EXPECT_EQ(record(i).failedTries(), 0);
  EXPECT_EQ(desk.window(w).visibility, Visibility::Normal);
  EXPECT_EQ(desk.activeWindow(), w);
}

TEST_F(GateTest, TheTimerKeepsTheWindowHiddenDuringThePrompt) {
  addLock({"Payroll"});
  const WindowRef w = desk.addWindow("Payroll");
  desk.user.meanwhile([&] { desk.window(w).visibility = Visibility::Normal; })
      .waitsForTimer()
      .meanwhile([&] { EXPECT_EQ(desk.window(w).visibility, Visibility::Hidden); })
      .pressesCancel();
  activate(w);
  EXPECT_EQ(commands(w), (Commands{Hide, Hide, Minimize}));
}

}  // namespace
}  // namespace gatetest
}  // namespace vk
