#include "manager/shell/password_gate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gate/window_guard.h"
#include "tests/unit/shell/shell_test_support.h"

namespace vk {
namespace {

using shelltest::ManagerWindowTest;

class PasswordGateTest : public ManagerWindowTest {
 protected:
  PasswordGate gate{store, world.dialogs};
  fakes::RunningDialog dialog{gate};
};

TEST_F(PasswordGateTest, ComesToTheFrontWithTheFocusOnAHiddenPasswordField) {
  EXPECT_FALSE(gate.onInit(dialog)) << "the focus is set by hand";
  EXPECT_EQ(1, dialog.foregroundCalls);
  EXPECT_EQ(kGatePasswordEditId, dialog.focus());
  EXPECT_EQ('*', dialog.passwordChar(kGatePasswordEditId));
}

TEST_F(PasswordGateTest, AcceptsOnlyTheExactBytesOfTheSystemPassword) {
  const struct {
    const char* typed;
    bool accepted;
  } cases[] = {{"system", true}, {"System", false}, {"SYSTEM", false},
               {"system ", false}, {"", false}, {"sys", false}};
  for (const auto& c : cases) {
    fakes::RunningDialog d(gate);
    gate.onInit(d);
    d.type(kGatePasswordEditId, c.typed);
    EXPECT_TRUE(d.press(kIdOk));
    EXPECT_EQ(c.accepted, d.ended()) << c.typed;
    EXPECT_EQ(c.accepted ? PasswordAccepted : 0, d.result()) << c.typed;
  }
}

TEST_F(PasswordGateTest, AWrongPasswordSaysSoEmptiesTheFieldAndAsksAgain) {
  gate.onInit(dialog);
  dialog.type(kGatePasswordEditId, "guess");
  dialog.setFocus(kIdOk);  // the user clicked OK
  dialog.press(kIdOk);
  EXPECT_FALSE(dialog.ended());
  ASSERT_EQ(1u, dialog.messageBoxes().size());
  EXPECT_EQ("The password you entered is not correct.\nPlease try again.",
            dialog.messageBoxes()[0].text);
  EXPECT_EQ("Invalid Password", dialog.messageBoxes()[0].caption);
  EXPECT_EQ(kBoxOk | kBoxIconWarning, dialog.messageBoxes()[0].style);
  EXPECT_EQ("", dialog.itemText(kGatePasswordEditId));
  EXPECT_EQ(kGatePasswordEditId, dialog.focus());

  for (int attempt = 0; attempt < 5; ++attempt) {  // no limit on attempts
    dialog.type(kGatePasswordEditId, "again");
    dialog.press(kIdOk);
  }
  dialog.type(kGatePasswordEditId, "system");
  dialog.press(kIdOk);
  EXPECT_EQ(PasswordAccepted, dialog.result());
}

TEST_F(PasswordGateTest, OnlyTheFirst255CharactersCount) {
  const std::string password255(255, 'a');
  settings.systemPasswordDigest = digestOf(password255.c_str());
  dialog.type(kGatePasswordEditId, password255 + "zzz");
  dialog.press(kIdOk);
  EXPECT_EQ(PasswordAccepted, dialog.result());

  const std::string password256(256, 'a');
  settings.systemPasswordDigest = digestOf(password256.c_str());
  fakes::RunningDialog longer(gate);
  longer.type(kGatePasswordEditId, password256);
  longer.press(kIdOk);
  EXPECT_FALSE(longer.ended()) << "the 256th character never reaches the comparison";
}

TEST_F(PasswordGateTest, CancelEndsWithZero) {
  dialog.press(kIdCancel);
  EXPECT_TRUE(dialog.ended());
  EXPECT_EQ(0, dialog.result());
}

TEST_F(PasswordGateTest, LostPasswordRunsRecoveryAndThenTheNewPasswordOpens) {
  world.dialogs.changePasswordWizard = [](ManagerStore& s, int) {
    s.settings.systemPasswordDigest = digestOf("recovered");
  };
  gate.onInit(dialog);
  dialog.type(kGatePasswordEditId, "half-typed");
  world.log.events.clear();
  EXPECT_TRUE(dialog.press(kLostPasswordButtonId));
  EXPECT_EQ(std::vector<std::string>{"change-password wizard 1"}, world.log.events);
  EXPECT_EQ(std::vector<WindowRef>{kNoWindow}, world.dialogs.owners)
      << "from the gate, not from the manager window";
  EXPECT_FALSE(dialog.ended());
  EXPECT_EQ("half-typed", dialog.itemText(kGatePasswordEditId)) << "left as it was";

  dialog.type(kGatePasswordEditId, "recovered");
  dialog.press(kIdOk);
  EXPECT_EQ(PasswordAccepted, dialog.result());
}

TEST_F(PasswordGateTest, OtherCommandsAreLeftToTheSystem) {
  EXPECT_FALSE(gate.onCommand(dialog, kGatePasswordEditId, 0x300));  // EN_CHANGE
  EXPECT_FALSE(dialog.ended());
}

TEST_F(PasswordGateTest, AnswersTheOwnWindowChallenge) {
  EXPECT_TRUE(gate.answersChallenge());
  const struct {
    std::uint32_t w, l, answer;
  } cases[] = {{100, 7, 693}, {0, 1, 1}, {0xFFFFFFFFu, 2, 0x80000001u}, {100, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.answer, gate.onChallenge(c.w, c.l)) << c.w << "/" << c.l;
  }
}

// --- showGated

fakes::FakeDialogRunner::User typesAndPressesOk(const char* password) {
  return [password](fakes::RunningDialog& d) {
    d.type(kGatePasswordEditId, password);
    d.press(kIdOk);
  };
}

TEST_F(ManagerWindowTest, ShowGatedShowsAHiddenWindowOnlyAfterTheSystemPassword) {
  createWindow();
  world.dialogRunner.users.push_back(typesAndPressesOk("system"));
  window.showGated(true);
  ASSERT_EQ(1u, world.dialogRunner.runs.size());
  EXPECT_EQ(kPasswordGateDialogId, world.dialogRunner.runs[0].resourceId);
  EXPECT_TRUE(world.frame.isVisible());
  EXPECT_EQ(1, world.frame.activations);
}

TEST_F(ManagerWindowTest, ShowGatedLeavesTheWindowHiddenWhenThePromptIsNotPassed) {
  createWindow();
  world.dialogRunner.users.push_back([](fakes::RunningDialog& d) {
    d.type(kGatePasswordEditId, "wrong");
    d.press(kIdOk);
    d.press(kIdCancel);
  });
  window.showGated(true);
  EXPECT_FALSE(world.frame.isVisible());
  EXPECT_EQ(0, world.frame.activations);
  EXPECT_EQ(1u, world.dialogRunner.runs[0].boxes.size());

  world.dialogRunner.failsToOpen = true;
  window.showGated(true);
  EXPECT_FALSE(world.frame.isVisible());
}

TEST_F(ManagerWindowTest, ShowGatedOnAVisibleWindowAsksNothing) {
  createWindow();
  world.frame.visible = true;
  world.frame.minimized = true;
  window.showGated(true);
  EXPECT_TRUE(world.dialogRunner.runs.empty());
  EXPECT_FALSE(world.frame.minimized) << "restored";
  EXPECT_EQ(1, world.frame.activations);
}

TEST_F(ManagerWindowTest, ShowGatedFalseHides) {
  createWindow();
  world.frame.visible = true;
  window.showGated(false);
  EXPECT_FALSE(world.frame.isVisible());
  EXPECT_TRUE(world.dialogRunner.runs.empty());
}

TEST_F(ManagerWindowTest, TheGateAsksAgainEveryTimeTheWindowWasHidden) {
  createWindow();
  world.dialogRunner.users.push_back(typesAndPressesOk("system"));
  world.dialogRunner.users.push_back(typesAndPressesOk("system"));
  window.showGated(true);
  window.onClose();
  window.showGated(true);
  EXPECT_EQ(2u, world.dialogRunner.runs.size());
  EXPECT_TRUE(world.frame.isVisible());
}

TEST_F(ManagerWindowTest, ASecondRequestWhileThePromptIsUpBringsThatPromptToTheFront) {
  createWindow();
  int foregroundBefore = -1;
  int foregroundAfter = -1;
  world.dialogRunner.users.push_back([&](fakes::RunningDialog& d) {
    foregroundBefore = d.foregroundCalls;
    window.showGated(true);  // another double-click on the icon, or a second copy, meanwhile
    foregroundAfter = d.foregroundCalls;
    d.type(kGatePasswordEditId, "system");
    d.press(kIdOk);
  });
  window.showGated(true);
  EXPECT_EQ(1u, world.dialogRunner.runs.size()) << "no second prompt";
  EXPECT_EQ(foregroundBefore + 1, foregroundAfter) << "the open prompt came to the front";
  EXPECT_TRUE(world.frame.isVisible());

  // Once the prompt is gone, a request asks anew.
  window.onClose();
  window.showGated(true);
  EXPECT_EQ(2u, world.dialogRunner.runs.size());
}

TEST_F(ManagerWindowTest, OpenCreatesAMissingWindowBeforeTheGate) {
  world.dialogRunner.users.push_back(typesAndPressesOk("system"));
  window.open();
  EXPECT_EQ(1, world.frame.createCalls);
  EXPECT_TRUE(world.frame.isVisible());

  window.onClose();
  world.dialogRunner.users.push_back(typesAndPressesOk("system"));
  window.open();
  EXPECT_EQ(1, world.frame.createCalls) << "an existing window is reused";
  EXPECT_EQ(2u, world.dialogRunner.runs.size());
}

}  // namespace
}  // namespace vk
