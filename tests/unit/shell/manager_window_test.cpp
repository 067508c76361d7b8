#include "manager/shell/manager_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "manager/store/table_steps.h"
#include "tests/unit/shell/shell_test_support.h"

namespace vk {
namespace {

using shelltest::LockSpec;
using shelltest::ManagerWindowTest;

constexpr unsigned kIconError = kBoxOk | kBoxIconError;
constexpr unsigned kIconWarning = kBoxOk | kBoxIconWarning;

// --- creation and layout

TEST_F(ManagerWindowTest, CreatesAHiddenWindowWithToolbarListAndTimer) {
  addLocks(2);
  createWindow();

  const std::vector<fakes::FakeToolbar::Entry> expected = {
      {1, 0, "New Lock"}, {-1, -1, ""},          {6, 5, "Lock"},        {5, 4, "Unlock"},
      {-1, -1, ""},       {2, 1, "Edit Lock"},   {3, 2, "Delete Lock"}, {-1, -1, ""},
      {4, 3, "Help"},     {-1, -1, ""},          {7, 6, "Exit"}};
  ASSERT_EQ(expected.size(), world.toolbar.entries.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].commandId, world.toolbar.entries[i].commandId) << i;
    EXPECT_EQ(expected[i].image, world.toolbar.entries[i].image) << i;
    EXPECT_EQ(expected[i].text, world.toolbar.entries[i].text) << i;
  }
  for (int id : {kCmdNewLock, kCmdHelp, kCmdExit}) EXPECT_TRUE(world.toolbar.enabled(id)) << id;
  for (int id : {kCmdEditLock, kCmdDeleteLock, kCmdUnlock, kCmdLock}) {
    EXPECT_FALSE(world.toolbar.enabled(id)) << id;
  }
  EXPECT_TRUE(world.toolbar.shown);
  EXPECT_FALSE(world.frame.isVisible());
  EXPECT_EQ(1, world.frame.refreshTimersStarted);
  EXPECT_EQ((std::vector<std::intptr_t>{0, 1}), world.list.itemData());
  EXPECT_EQ(6u, world.list.columns.size());
  EXPECT_EQ(42, world.toolbar.placed.height) << "first layout done";
  EXPECT_TRUE(world.frame.boxes.empty());
  EXPECT_TRUE(world.boxes.shown.empty());
}

TEST_F(ManagerWindowTest, ACreationFailureSaysSoAndStops) {
  const struct {
    const char* name;
    bool frameFails, toolbarFails, listFails;
    const char* text;  // null: no message
  } cases[] = {
      {"frame", true, false, false, nullptr},
      {"toolbar", false, true, false, kToolbarFailedText},
      {"list", false, false, true, kListFailedText},
  };
  for (const auto& c : cases) {
    shelltest::FakeManagerWorld w;
    w.frame.createFails = c.frameFails;
    w.toolbar.createFails = c.toolbarFails;
    w.list.createFails = c.listFails;
    ManagerWindow failing(w.ports, store);
    EXPECT_FALSE(failing.create()) << c.name;
    if (c.text == nullptr) {
      EXPECT_TRUE(w.boxes.shown.empty()) << c.name;
    } else {
      ASSERT_EQ(1u, w.boxes.shown.size()) << c.name;
      EXPECT_EQ(c.text, w.boxes.shown[0].text);
      EXPECT_EQ("Vantakey Error", w.boxes.shown[0].caption);
      EXPECT_EQ(kIconError, w.boxes.shown[0].style);
    }
    EXPECT_TRUE(w.toolbar.entries.empty()) << c.name;
    EXPECT_EQ(0, w.frame.refreshTimersStarted) << c.name;
  }
  EXPECT_NE(nullptr, std::strstr(kToolbarFailedText, kSupportAddress));
}

TEST_F(ManagerWindowTest, AFailingFirstButtonIsReportedOnceAndCreationGoesOn) {
  world.toolbar.buttonsFail = true;
  EXPECT_TRUE(window.create());
  ASSERT_EQ(1u, world.frame.boxes.size());
  EXPECT_EQ("Add Button Failed", world.frame.boxes[0].text);
  EXPECT_EQ("Vantakey Error", world.frame.boxes[0].caption);
  EXPECT_EQ(1, world.frame.refreshTimersStarted);
}

TEST_F(ManagerWindowTest, LayoutPutsTheListUnderTheToolbarAndFitsTheTitleColumn) {
  createWindow();
  const struct {
    int width, height, toolbarHeight, listClientWidth;
    int listY, listHeight, titleWidth;
  } cases[] = {{700, 500, 42, 696, 42, 458, 381}, {484, 262, 42, 480, 42, 220, 165},
               {200, 30, 42, 196, 42, 0, kTitleColumnMinWidth}};
  for (const auto& c : cases) {
    world.frame.client = {c.width, c.height};
    world.toolbar.heightPixels = c.toolbarHeight;
    world.list.clientWidthPixels = c.listClientWidth;
    window.onSize();
    EXPECT_EQ(0, world.toolbar.placed.x);
    EXPECT_EQ(0, world.toolbar.placed.y);
    EXPECT_EQ(c.width, world.toolbar.placed.width);
    EXPECT_EQ(c.toolbarHeight, world.toolbar.placed.height);
    EXPECT_EQ(0, world.list.placed.x);
    EXPECT_EQ(c.listY, world.list.placed.y);
    EXPECT_EQ(c.width, world.list.placed.width);
    EXPECT_EQ(c.listHeight, world.list.placed.height);
    EXPECT_EQ(c.titleWidth, world.list.columns[0].width);
  }
}

// --- toolbar states

struct SelectionCase {
  const char* name;
  std::vector<int> rows;    // selected
  bool enabled;             // of the one selected lock
  bool neverOpened;
  std::int32_t openedSecondsAgo;
  bool edit, remove, unlock, lock;
};

void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.name; }

const SelectionCase kSelectionCases[] = {
    {"NothingSelected", {}, true, true, 0, false, false, false, false},
    {"OneInForce", {0}, true, true, 0, true, true, true, false},
    {"OneSwitchedOff", {0}, false, true, 0, true, true, false, true},
    {"OneOpenedTenSecondsAgo", {0}, true, false, 10, true, true, false, true},
    {"OneOpenedThisSecond", {0}, true, false, 0, true, true, false, true},
    {"OneAtTheEndOfItsRelockPeriod", {0}, true, false, 300, true, true, false, true},
    {"OneJustPastItsRelockPeriod", {0}, true, false, 301, true, true, true, false},
    {"OneOpenedInTheFuture", {0}, true, false, -5, true, true, true, false},
    {"Two", {0, 1}, true, true, 0, false, true, true, true},
    {"Three", {0, 1, 2}, false, true, 0, false, true, true, true},
};

class ToolbarStateTest : public ManagerWindowTest,
                         public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(ToolbarStateTest, FollowsTheSelection) {
  const SelectionCase& c = GetParam();
  addLocks(3);
  table.record(0).setEnabled(c.enabled ? 1 : 0);
  table.record(0).setUnlockedAt(c.neverOpened ? 0 : world.clock.time - c.openedSecondsAgo);
  createWindow();
  for (int row : c.rows) world.list.rows[row].selected = true;

  window.onItemChanged();
  EXPECT_EQ(c.edit, world.toolbar.enabled(kCmdEditLock));
  EXPECT_EQ(c.remove, world.toolbar.enabled(kCmdDeleteLock));
  EXPECT_EQ(c.unlock, world.toolbar.enabled(kCmdUnlock));
  EXPECT_EQ(c.lock, world.toolbar.enabled(kCmdLock));
  for (int id : {kCmdNewLock, kCmdHelp, kCmdExit}) EXPECT_TRUE(world.toolbar.enabled(id));
}

INSTANTIATE_TEST_SUITE_P(Selections, ToolbarStateTest, ::testing::ValuesIn(kSelectionCases),
                         [](const ::testing::TestParamInfo<SelectionCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ManagerWindowTest, OneSelectedLockThatCannotBeReadLeavesLockAndUnlockOn) {
  addLocks(1);
  createWindow();
  select({0});
  world.kernel.setTimingOut(kTableMutexName, true);
  window.onItemChanged();
  EXPECT_TRUE(world.toolbar.enabled(kCmdLock));
  EXPECT_TRUE(world.toolbar.enabled(kCmdUnlock));
  EXPECT_TRUE(world.toolbar.enabled(kCmdEditLock));
}

// --- Delete Lock

TEST_F(ManagerWindowTest, DeletingRecordsZeroAndTwoLeavesFormerRecordOneAsRowZero) {
  addLocks(3);
  createWindow();
  select({0, 2});
  press(kCmdDeleteLock);

  EXPECT_EQ(std::vector<std::string>{"Window 1"}, titles());
  ASSERT_EQ(1, world.list.rowCount());
  EXPECT_EQ(0, world.list.rows[0].data);
  EXPECT_EQ("Window 1", world.list.rows[0].texts[0]);
  EXPECT_EQ(2, saves());
  EXPECT_TRUE(world.frame.boxes.empty());
}

TEST_F(ManagerWindowTest, DeleteWithoutSelectionOnlyRefreshes) {
  addLocks(2);
  createWindow();
  press(kCmdDeleteLock);
  EXPECT_EQ(2u, table.recordCount());
  EXPECT_EQ(0, saves());
  EXPECT_FALSE(world.list.rows[1].callback[0]) << "refreshed";
}

TEST_F(ManagerWindowTest, DeleteWhoseWaitRunsOutChangesNothingAndSaysSoAfterwards) {
  addLocks(2);
  createWindow();
  select({0, 1});
  world.kernel.setTimingOut(kTableMutexName, true);
  press(kCmdDeleteLock);
  EXPECT_EQ(2u, table.recordCount());
  EXPECT_EQ(2, world.list.rowCount());
  EXPECT_EQ(0, saves());
  ASSERT_EQ(1u, world.frame.boxes.size());
  EXPECT_EQ(kTableTimeoutText, world.frame.boxes[0].text);
  EXPECT_EQ("Vantakey", world.frame.boxes[0].caption);
  EXPECT_EQ(kIconWarning, world.frame.boxes[0].style);
}

TEST_F(ManagerWindowTest, AFailedSaveDuringDeleteIsReportedAfterTheMutexIsReleased) {
  addLocks(2);
  createWindow();
  select({0, 1});
  world.files.createFails = true;
  press(kCmdDeleteLock);
  EXPECT_EQ(0u, table.recordCount());
  EXPECT_EQ(2u, world.boxes.shown.size()) << "one save failure per deleted lock";
  EXPECT_EQ(0, world.list.rowCount());
}

// --- Lock and Unlock

TEST_F(ManagerWindowTest, LockSwitchesOnAndEndsATemporaryOpeningAtOnce) {
  addLocks(3);
  table.record(0).setEnabled(0);
  table.record(2).setUnlockedAt(world.clock.time - 10);
  createWindow();
  window.lockList().refreshRows();
  EXPECT_EQ("No (T)", world.list.rows[2].texts[1]);
  select({0, 2});
  press(kCmdLock);

  EXPECT_EQ(1, table.record(0).enabled());
  EXPECT_EQ(0, table.record(2).unlockedAt());
  EXPECT_EQ("Yes", world.list.rows[0].texts[1]);
  EXPECT_EQ("Yes", world.list.rows[2].texts[1]);
  EXPECT_EQ(2, saves());
}

TEST_F(ManagerWindowTest, UnlockSwitchesOffAndKeepsTheOpeningTime) {
  addLocks(2);
  const std::int32_t opened = world.clock.time - 10;
  table.record(1).setUnlockedAt(opened);
  createWindow();
  select({1});
  press(kCmdUnlock);
  EXPECT_EQ(1, table.record(0).enabled());
  EXPECT_EQ(0, table.record(1).enabled());
  EXPECT_EQ(opened, table.record(1).unlockedAt());
  EXPECT_EQ("No", world.list.rows[1].texts[1]);
  EXPECT_EQ(1, saves());
}

TEST_F(ManagerWindowTest, LockOrUnlockWhoseWaitRunsOutSaysSoOnce) {
  addLocks(2);
  table.record(0).setEnabled(0);
  table.record(1).setUnlockedAt(world.clock.time - 10);
  createWindow();
  select({0, 1});
  world.kernel.setTimingOut(kTableMutexName, true);
  for (int command : {kCmdLock, kCmdUnlock}) {
    world.frame.boxes.clear();
    press(command);
    EXPECT_EQ(std::vector<std::string>{kTableTimeoutText}, boxTexts()) << command;
  }
  EXPECT_EQ(0, table.record(0).enabled());
  EXPECT_EQ(1, table.record(1).enabled());
  EXPECT_EQ(world.clock.time - 10, table.record(1).unlockedAt());
  EXPECT_EQ(0, saves());
}

// --- New Lock

TEST_F(ManagerWindowTest, NewLockAt60ShowsTheCapacityMessageAndNoWizard) {
  addLocks(60);
  createWindow();
  press(kCmdNewLock);
  EXPECT_FALSE(world.log.contains("new lock wizard"));
  ASSERT_EQ(1u, world.frame.boxes.size());
  EXPECT_EQ(kCapacityText, world.frame.boxes[0].text);
  EXPECT_EQ("Vantakey", world.frame.boxes[0].caption);
  EXPECT_EQ(kIconWarning, world.frame.boxes[0].style);
}

TEST_F(ManagerWindowTest, NewLockAt59RunsTheWizardAndShowsItsLockAfterwards) {
  addLocks(59);
  createWindow();
  world.dialogs.createLockWizard = [](ManagerStore& s) {
    LockRecord pending = {};
    std::strcpy(pending.title, "Calculator");
    pending.action = DenyAccess;
    pending.maxTries = 2;
    pending.relockSeconds = 60;
    appendLockStep(s, pending);
  };
  press(kCmdNewLock);
  EXPECT_TRUE(world.frame.boxes.empty());
  EXPECT_EQ(60u, table.recordCount());
  ASSERT_EQ(60, world.list.rowCount());
  EXPECT_EQ(59, world.list.rows[59].data);
}

TEST_F(ManagerWindowTest, NewLockWhoseWaitRunsOutRunsNoWizard) {
  createWindow();
  world.kernel.setTimingOut(kTableMutexName, true);
  press(kCmdNewLock);
  EXPECT_FALSE(world.log.contains("new lock wizard"));
  EXPECT_EQ(std::vector<std::string>{kTableTimeoutText}, boxTexts());
}

// --- Edit Lock

TEST_F(ManagerWindowTest, EditOpensTheDialogOnACopyOfTheFirstSelectedLock) {
  addLocks(3);
  table.record(1).setRelockSeconds(600);
  createWindow();
  select({1, 2});
  window.onItemActivate();  // a double-click
  ASSERT_EQ(1u, world.dialogs.editedRecords.size());
  const LockRecord& working = world.dialogs.editedRecords[0];
  EXPECT_STREQ("Window 1", working.title);
  EXPECT_EQ(600, working.relockSeconds);
  EXPECT_EQ(CloseWindow, working.action);
  EXPECT_EQ(3, working.maxTries);
  EXPECT_EQ(1, working.enabled);
  EXPECT_TRUE(digestOf("pw") == working.digest);
}

TEST_F(ManagerWindowTest, CancellingEditChangesNothingAndDoesNotRefresh) {
  addLocks(2);
  createWindow();
  const std::vector<unsigned char> before(table.base(), table.base() + kSectionSize);
  select({0});
  world.dialogs.editLockDialog = [](LockRecord& working) {
    std::strcpy(working.title, "Changed");
    return false;
  };
  press(kCmdEditLock);
  EXPECT_TRUE(before == std::vector<unsigned char>(table.base(), table.base() + kSectionSize));
  EXPECT_TRUE(world.list.rows[0].callback[0]) << "no refresh stored texts";
  EXPECT_EQ(0, saves());
}

TEST_F(ManagerWindowTest, ConfirmedEditReplacesTheSettingsOnlyAndIsSavedAtOnce) {
  addLocks(2);
  table.record(0).setUnlockedAt(world.clock.time - 5);
  table.record(0).setFailedTries(2);
  table.record(0).setPromptBusy(1);
  createWindow();
  select({0});
  world.dialogs.editLockDialog = [](LockRecord& working) {
    std::strcpy(working.title, "Calc*");
    working.wildcard = 1;
    working.relockSeconds = 120;
    working.action = ShutdownComputer;
    working.unlockedAt = 0;  // the dialog does not own these: never written back
    working.failedTries = 0;
    return true;
  };
  press(kCmdEditLock);
  EXPECT_EQ("Calc*", titleAt(0));
  EXPECT_EQ(1, table.record(0).wildcard());
  EXPECT_EQ(120, table.record(0).relockSeconds());
  EXPECT_EQ(ShutdownComputer, table.record(0).action());
  EXPECT_EQ(world.clock.time - 5, table.record(0).unlockedAt());
  EXPECT_EQ(2, table.record(0).failedTries());
  EXPECT_EQ(1, table.record(0).promptBusy());
  EXPECT_EQ("Window 1", titleAt(1));
  EXPECT_EQ(1, saves()) << "like every other change: a log-off must not lose it";
  EXPECT_EQ("Calc*", world.list.rows[0].texts[0]) << "refreshed";
}

struct EditDeleteCase {
  const char* name;
  int editedRow;
  std::vector<int> deletedRows;  // deleted while the dialog is open
  std::vector<std::string> titlesAfter;
  bool lostMessage;
};

void PrintTo(const EditDeleteCase& c, std::ostream* os) { *os << c.name; }

const EditDeleteCase kEditDeleteCases[] = {
    {"ARecordBeforeIt", 2, {0}, {"Window 1", "Edited"}, false},
    {"TwoRecordsBeforeIt", 2, {0, 1}, {"Edited"}, false},
    {"ARecordAfterIt", 0, {2}, {"Edited", "Window 1"}, false},
    {"ItsOwnRecord", 1, {1}, {"Window 0", "Window 2"}, true},
    {"ItsOwnRecordAtTheEnd", 2, {2}, {"Window 0", "Window 1"}, true},
    {"ItsOwnAndAllOthers", 0, {0, 1, 2}, {}, true},
};

class EditAfterDeleteTest : public ManagerWindowTest,
                            public ::testing::WithParamInterface<EditDeleteCase> {};

TEST_P(EditAfterDeleteTest, TheWriteBackFollowsItsRecordOrIsDropped) {
  const EditDeleteCase& c = GetParam();
  addLocks(3);
  createWindow();
  select({c.editedRow});
  world.dialogs.editLockDialog = [this, &c](LockRecord& working) {
    // The dialog has no owner: the manager window is still usable.
    world.list.select({});
    for (int row : c.deletedRows) world.list.rows[row].selected = true;
    press(kCmdDeleteLock);
    std::strcpy(working.title, "Edited");
    return true;
  };
  press(kCmdEditLock);

  EXPECT_EQ(c.titlesAfter, titles());
  if (c.lostMessage) {
    EXPECT_EQ(std::vector<std::string>{kEditedLockDeletedText}, boxTexts());
  } else {
    EXPECT_TRUE(world.frame.boxes.empty());
  }
  // Nothing was written to a slot past the end either.
  for (std::uint32_t i = table.recordCount(); i < 3; ++i) {
    EXPECT_STRNE("Edited", table.record(i).title()) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Deletes, EditAfterDeleteTest, ::testing::ValuesIn(kEditDeleteCases),
                         [](const ::testing::TestParamInfo<EditDeleteCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ManagerWindowTest, NestedEditsEachWriteBackToTheirOwnRecord) {
  addLocks(3);
  createWindow();
  select({2});
  int depth = 0;
  world.dialogs.editLockDialog = [&](LockRecord& working) {
    if (depth++ == 0) {
      select({0});
      press(kCmdEditLock);  // inner edit of record 0 ...
      select({1});
      press(kCmdDeleteLock);  // ... then record 1 goes
      std::strcpy(working.title, "Outer");
    } else {
      std::strcpy(working.title, "Inner");
    }
    return true;
  };
  press(kCmdEditLock);
  EXPECT_EQ((std::vector<std::string>{"Inner", "Outer"}), titles());
}

TEST_F(ManagerWindowTest, EditWhoseWaitRunsOutSaysSo) {
  addLocks(1);
  createWindow();
  select({0});

  world.kernel.setTimingOut(kTableMutexName, true);
  press(kCmdEditLock);
  EXPECT_FALSE(world.log.contains("edit lock dialog")) << "no dialog on a copy never made";
  EXPECT_EQ(std::vector<std::string>{kTableTimeoutText}, boxTexts());

  world.kernel.setTimingOut(kTableMutexName, false);
  world.frame.boxes.clear();
  world.dialogs.editLockDialog = [this](LockRecord& working) {
    std::strcpy(working.title, "Changed");
    world.kernel.setTimingOut(kTableMutexName, true);
    return true;
  };
  press(kCmdEditLock);
  EXPECT_EQ("Window 0", titleAt(0));
  EXPECT_EQ(std::vector<std::string>{kEditNotAppliedText}, boxTexts());
}

// --- the other commands

TEST_F(ManagerWindowTest, ExitAsksAndQuitsOnlyOnYes) {
  createWindow();
  const struct {
    int command;
    int answer;
    int quits;
  } cases[] = {{kCmdExit, kIdYes, 1}, {kCmdExit, kIdNo, 0}, {kMenuExit, kIdYes, 1},
               {kMenuExit, kIdNo, 0}};
  for (const auto& c : cases) {
    world.frame.boxes.clear();
    world.system.quitsPosted = 0;
    world.frame.answerNextMessageBox(c.answer);
    press(c.command);
    ASSERT_EQ(1u, world.frame.boxes.size());
    EXPECT_EQ(kExitQuestionText, world.frame.boxes[0].text);
    EXPECT_EQ("Vantakey Manager", world.frame.boxes[0].caption);
    EXPECT_EQ(0x134u, world.frame.boxes[0].style);
    EXPECT_EQ(c.quits, world.system.quitsPosted) << c.command << "/" << c.answer;
  }
}

TEST_F(ManagerWindowTest, CloseBoxAndCloseItemOnlyHide) {
  addLocks(1);
  createWindow();
  for (int way = 0; way < 2; ++way) {
    world.frame.visible = true;
    if (way == 0) {
      window.onClose();
    } else {
      press(kMenuClose);
    }
    EXPECT_FALSE(world.frame.isVisible());
    EXPECT_TRUE(world.frame.exists());
    EXPECT_EQ(1u, table.recordCount());
    EXPECT_EQ(0, world.system.quitsPosted);
  }
}

TEST_F(ManagerWindowTest, HelpOpensTheIndexPageBesideTheProgram) {
  createWindow();
  press(kCmdHelp);
  press(kMenuOnlineHelp);
  const std::string page = "C:\\Program Files\\Vantakey\\help\\vantakey\\support\\index.htm";
  EXPECT_EQ((std::vector<std::string>{page, page}), world.shell.opened);
}

TEST_F(ManagerWindowTest, MenuItemsOpenTheirDialogs) {
  createWindow();
  const struct {
    int command;
    const char* event;
  } cases[] = {{kMenuPreferences, "options dialog"},
               {kMenuChangePassword, "change-password wizard 2"},
               {kMenuAbout, "dialog 106"}};
  for (const auto& c : cases) {
    world.log.events.clear();
    press(c.command);
    EXPECT_TRUE(world.log.contains(c.event)) << c.command;
  }
}

// Owned by the manager window, a dialog disables it while it is up: the
// window cannot be closed (hidden) and leave the dialog usable on screen.
TEST_F(ManagerWindowTest, EveryDialogOpenedFromTheWindowIsOwnedByIt) {
  addLocks(1);
  createWindow();
  select({0});
  world.dialogs.createLockWizard = [](ManagerStore&) {};
  for (int command : {kCmdNewLock, kCmdEditLock, kMenuPreferences, kMenuChangePassword}) {
    press(command);
  }
  const WindowRef frame = world.frame.window();
  ASSERT_NE(kNoWindow, frame);
  EXPECT_EQ((std::vector<WindowRef>{frame, frame, frame, frame}), world.dialogs.owners);
  press(kMenuAbout);
  ASSERT_EQ(1u, world.dialogRunner.runs.size());
  EXPECT_EQ(frame, world.dialogRunner.runs[0].owner);
}

TEST_F(ManagerWindowTest, OnlyOneNewLockWizardAtATime) {
  createWindow();
  int nested = 0;
  world.dialogs.createLockWizard = [&](ManagerStore&) {
    if (nested++ == 0) press(kCmdNewLock);  // New again while the wizard is up
  };
  press(kCmdNewLock);
  EXPECT_EQ(1, world.log.count("new lock wizard"));
  press(kCmdNewLock);  // and again once it has ended
  EXPECT_EQ(2, world.log.count("new lock wizard"));
}

TEST_F(ManagerWindowTest, AboutShowsAnOpenAboutBoxInsteadOfASecondOne) {
  createWindow();
  world.system.windows["About Vantakey"] = 0x77;
  press(kMenuAbout);
  EXPECT_TRUE(world.dialogRunner.runs.empty());
  EXPECT_EQ(std::vector<WindowRef>{0x77}, world.system.shownWindows);
}

TEST_F(ManagerWindowTest, EveryTimerTickRefreshesTheList) {
  addLocks(1);
  createWindow();
  EXPECT_TRUE(world.list.rows[0].callback[1]);
  window.onTimer();
  EXPECT_EQ("Yes", world.list.rows[0].texts[1]);
  table.record(0).setEnabled(0);
  window.onTimer();
  EXPECT_EQ("No", world.list.rows[0].texts[1]);
}

TEST_F(ManagerWindowTest, DisplayInfoIsAnsweredFromTheTable) {
  addLocks(2);
  createWindow();
  char buffer[16];
  window.onGetDispInfo(1, 0, buffer, sizeof buffer);
  EXPECT_STREQ("Window 1", buffer);
}

}  // namespace
}  // namespace vk
