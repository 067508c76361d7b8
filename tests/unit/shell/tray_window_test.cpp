#include "manager/shell/tray_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gate/window_guard.h"
#include "manager/shell/about_dialog.h"
#include "tests/unit/shell/shell_test_support.h"

namespace vk {
namespace {

class TrayWindowTest : public shelltest::ManagerWindowTest {
 protected:
  TrayWindowTest() {
    world.system.createTrayWindow(tray);
    world.system.addTrayIcon(tray.tip());
    world.log.events.clear();
  }

  bool send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    std::intptr_t result = -1;
    const bool answered = tray.onMessage(message, wParam, lParam, result);
    if (answered) {
      EXPECT_EQ(0, result);
    }
    return answered;
  }

  TrayWindow tray{world.system, settings, window, world.dialogRunner};
};

TEST_F(TrayWindowTest, TheTimerPutsTheIconBackAfterTheNotificationAreaWasRebuilt) {
  EXPECT_TRUE(send(kMessageTimer, kTrayTimerId, 0));
  EXPECT_EQ(std::vector<std::string>{"NIM_MODIFY"}, world.log.events);

  world.system.dropIcon();  // the shell restarted
  world.log.events.clear();
  EXPECT_TRUE(send(kMessageTimer, kTrayTimerId, 0));
  EXPECT_EQ((std::vector<std::string>{"NIM_MODIFY", "NIM_ADD"}), world.log.events);
  EXPECT_TRUE(world.system.iconShown());
  EXPECT_EQ("Vantakey", world.system.iconTip());
}

TEST_F(TrayWindowTest, OtherTimersGoToTheDefaultProcedure) {
  EXPECT_FALSE(send(kMessageTimer, 1, 0));
  EXPECT_TRUE(world.log.events.empty());
}

TEST_F(TrayWindowTest, EndSessionQuitsOnlyForARealLogOffWithTheSettingOn) {
  const struct {
    bool shutDownAtLogOff;
    std::uintptr_t ending;
    int quits;
  } cases[] = {{true, 1, 1}, {true, 0, 0}, {false, 1, 0}, {false, 0, 0}};
  int sessionEnds = 0;
  int quitsAtSessionEnd = -1;
  tray.setSessionEndHandler([&] {
    ++sessionEnds;
    quitsAtSessionEnd = world.system.quitsPosted;
  });
  for (const auto& c : cases) {
    settings.shutDownAtLogOff = c.shutDownAtLogOff;
    world.system.quitsPosted = 0;
    sessionEnds = 0;
    EXPECT_FALSE(send(kMessageEndSession, c.ending, 0)) << "then DefWindowProcA";
    EXPECT_EQ(c.quits, world.system.quitsPosted) << c.shutDownAtLogOff << "/" << c.ending;
    // The save and the rest of what must not be lost run inside the message,
    // before the quit: Windows may end the process once it is answered.
    EXPECT_EQ(c.quits, sessionEnds) << c.shutDownAtLogOff << "/" << c.ending;
    if (c.quits == 1) {
      EXPECT_EQ(0, quitsAtSessionEnd);
    }
  }
  // The icon removed at the session's end is not put back by the timer.
  world.log.events.clear();
  EXPECT_TRUE(send(kMessageTimer, kTrayTimerId, 0));
  EXPECT_TRUE(world.log.events.empty());
}

struct IconCase {
  const char* name;
  std::uintptr_t wParam;
  std::intptr_t lParam;
  int menuChoice;
  bool menu;
  const char* dialog;  // the dialog that ran, null: none
};

void PrintTo(const IconCase& c, std::ostream* os) { *os << c.name; }

const IconCase kIconCases[] = {
    {"RightClickOpenManager", 102, 516, 40006, true, "dialog 101"},
    {"RightClickAbout", 102, 516, 40002, true, "dialog 106"},
    {"RightClickDismissed", 102, 516, 0, true, nullptr},
    {"DoubleClick", 102, 515, 0, false, "dialog 101"},
    {"OtherIcon", 103, 515, 0, false, nullptr},
    {"MouseMove", 102, 512, 0, false, nullptr},
    {"LeftButtonDown", 102, 513, 0, false, nullptr},
};

class TrayIconTest : public TrayWindowTest, public ::testing::WithParamInterface<IconCase> {};

TEST_P(TrayIconTest, AnswersTheIcon) {
  const IconCase& c = GetParam();
  world.system.menuChoice = c.menuChoice;
  world.log.events.clear();
  EXPECT_FALSE(send(kTrayNotifyMessage, c.wParam, c.lParam)) << "then DefWindowProcA";
  EXPECT_EQ(c.menu ? 1 : 0, world.system.menusShown);
  EXPECT_EQ(c.dialog != nullptr ? 1u : 0u, world.dialogRunner.runs.size());
  if (c.dialog != nullptr) {
    EXPECT_TRUE(world.log.contains(c.dialog));
  }
  if (c.dialog != nullptr && std::string(c.dialog) == "dialog 101") {
    EXPECT_EQ(1, world.frame.createCalls) << "the manager window is made first";
  }
}

INSTANTIATE_TEST_SUITE_P(Icon, TrayIconTest, ::testing::ValuesIn(kIconCases),
                         [](const ::testing::TestParamInfo<IconCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(TrayWindowTest, DoubleClickShowsTheManagerAfterThePassword) {
  createWindow();
  world.dialogRunner.users.push_back([](fakes::RunningDialog& d) {
    d.type(1004, "system");
    d.press(kIdOk);
  });
  send(kTrayNotifyMessage, kTrayIconId, kMouseLeftDoubleClick);
  EXPECT_TRUE(world.frame.isVisible());
  EXPECT_EQ(1, world.frame.createCalls);
}

TEST_F(TrayWindowTest, AboutFromTheMenuBringsAnOpenAboutBoxForward) {
  world.system.windows["About Vantakey"] = 0x42;
  world.system.menuChoice = kIconMenuAbout;
  send(kTrayNotifyMessage, kTrayIconId, kMouseRightDown);
  EXPECT_TRUE(world.dialogRunner.runs.empty());
  EXPECT_EQ(std::vector<WindowRef>{0x42}, world.system.shownWindows);
}

TEST_F(TrayWindowTest, NeverAnswersTheOwnWindowChallenge) {
  EXPECT_FALSE(send(OwnWindowChallenge, 100, 7));
  EXPECT_TRUE(world.log.events.empty());
}

TEST_F(TrayWindowTest, DestroyQuits) {
  EXPECT_FALSE(send(kMessageDestroy, 0, 0));
  EXPECT_EQ(1, world.system.quitsPosted);
}

TEST_F(TrayWindowTest, ATipIsCutTo63Characters) {
  tray.setTip(std::string(80, 'x').c_str());
  EXPECT_EQ(std::string(63, 'x'), tray.tip());
}

// ---- stepping away: Lock All Now -------------------------------------------------

// Two locks opened by their passwords a moment ago (one switched off since).
class StepAwayTest : public TrayWindowTest {
 protected:
  StepAwayTest() {
    shelltest::LockSpec open;
    open.title = "Diary";
    addLock(open);
    shelltest::LockSpec off;
    off.title = "Mail";
    off.enabled = false;
    addLock(off);
    table.record(0).setUnlockedAt(kOpened);
    table.record(1).setUnlockedAt(kOpened);
    world.log.events.clear();
  }

  std::vector<std::int32_t> unlockedAt() const {
    return {table.record(0).unlockedAt(), table.record(1).unlockedAt()};
  }

  static constexpr std::int32_t kOpened = 1700000000 - 10;
  const std::vector<std::int32_t> stillOpen{kOpened, kOpened};
  const std::vector<std::int32_t> relocked{0, 0};
};

struct StepAwayCase {
  const char* name;
  unsigned message;
  std::uintptr_t event;
  bool relocks;
  bool answered;  // with TRUE; else on to DefWindowProcA
};

void PrintTo(const StepAwayCase& c, std::ostream* os) { *os << c.name; }

// WM_WTSSESSION_CHANGE and WM_POWERBROADCAST as Windows delivers them: the
// event in wParam, the session id (or 0) in lParam.
const StepAwayCase kStepAwayCases[] = {
    {"SessionLock", kMessageSessionChange, 0x7, true, false},
    {"ConsoleDisconnect", kMessageSessionChange, 0x2, true, false},
    {"RemoteDisconnect", kMessageSessionChange, 0x4, true, false},
    {"SessionUnlock", kMessageSessionChange, 0x8, false, false},
    {"ConsoleConnect", kMessageSessionChange, 0x1, false, false},
    {"RemoteConnect", kMessageSessionChange, 0x3, false, false},
    {"SessionLogon", kMessageSessionChange, 0x5, false, false},
    {"SessionRemoteControl", kMessageSessionChange, 0x9, false, false},
    {"Suspend", kMessagePowerBroadcast, 0x4, true, true},
    {"ResumeSuspend", kMessagePowerBroadcast, 0x7, false, false},
    {"ResumeAutomatic", kMessagePowerBroadcast, 0x12, false, false},
    {"PowerStatusChange", kMessagePowerBroadcast, 0xA, false, false},
};

class StepAwayEventTest : public StepAwayTest,
                          public ::testing::WithParamInterface<StepAwayCase> {};

TEST_P(StepAwayEventTest, EndsEveryReLockPeriodOnlyWhenTheUserStepsAway) {
  const StepAwayCase& c = GetParam();
  std::intptr_t result = -1;
  EXPECT_EQ(c.answered, tray.onMessage(c.message, c.event, 1, result));
  if (c.answered) {
    EXPECT_EQ(1, result);
  }
  EXPECT_EQ(c.relocks ? relocked : stillOpen, unlockedAt());
  EXPECT_EQ((std::vector<std::string>{"Diary", "Mail"}), titles()) << "nothing else changes";
  EXPECT_EQ(1, table.record(0).enabled());
  EXPECT_EQ(0, table.record(1).enabled());
  EXPECT_EQ(0, saves()) << "run-time fields are not stored";
  EXPECT_TRUE(world.boxes.shown.empty());
  EXPECT_TRUE(world.dialogRunner.runs.empty());
}

INSTANTIATE_TEST_SUITE_P(Event, StepAwayEventTest, ::testing::ValuesIn(kStepAwayCases),
                         [](const ::testing::TestParamInfo<StepAwayCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(StepAwayTest, LockAllNowInTheIconMenuEndsEveryReLockPeriod) {
  world.system.menuChoice = kIconMenuLockAllNow;
  EXPECT_FALSE(send(kTrayNotifyMessage, kTrayIconId, kMouseRightDown));
  EXPECT_EQ(1, world.system.menusShown);
  EXPECT_EQ(relocked, unlockedAt());
  EXPECT_EQ(0, saves());
  EXPECT_TRUE(world.boxes.shown.empty());
  EXPECT_TRUE(world.dialogRunner.runs.empty()) << "no system password: it only takes access away";
}

// A table that cannot be had within 7 seconds changes nothing. Only the menu
// item, which the user just chose, says so; nobody may be at the screen after
// the automatic events.
TEST_F(StepAwayTest, ABusyTableChangesNothingAndOnlyTheMenuItemSaysSo) {
  world.kernel.setTimingOut(kTableMutexName, true);
  std::intptr_t result = 0;
  tray.onMessage(kMessageSessionChange, 0x7, 1, result);
  tray.onMessage(kMessagePowerBroadcast, kPowerSuspend, 0, result);
  EXPECT_EQ(stillOpen, unlockedAt());
  EXPECT_TRUE(world.boxes.shown.empty());

  world.system.menuChoice = kIconMenuLockAllNow;
  send(kTrayNotifyMessage, kTrayIconId, kMouseRightDown);
  EXPECT_EQ(stillOpen, unlockedAt());
  ASSERT_EQ(1u, world.boxes.shown.size());
  EXPECT_EQ(kTableTimeoutText, world.boxes.shown[0].text);
  EXPECT_EQ("Vantakey", world.boxes.shown[0].caption);
  EXPECT_EQ(0x30u, world.boxes.shown[0].style);
  EXPECT_EQ(0, world.kernel.ourOwnership(kTableMutexName));
}

// With the manager window open on the lock, its toolbar follows at once:
// the lock is in force again, so Unlock is on and Lock off.
TEST_F(StepAwayTest, TheOpenManagerWindowShowsTheLockInForceAgain) {
  createWindow();
  select({0});
  window.onItemChanged();
  ASSERT_TRUE(world.toolbar.enabled(kCmdLock));
  ASSERT_FALSE(world.toolbar.enabled(kCmdUnlock));

  std::intptr_t result = 0;
  tray.onMessage(kMessageSessionChange, kSessionLock, 1, result);
  EXPECT_FALSE(world.toolbar.enabled(kCmdLock));
  EXPECT_TRUE(world.toolbar.enabled(kCmdUnlock));
}

TEST_F(TrayWindowTest, SessionNotificationsAreRegisteredRetriedUntilTheyTakeAndUndoneOnce) {
  world.system.sessionRegistrationFailures = 2;  // at logon the session services may lag
  tray.startSessionNotifications();
  EXPECT_FALSE(tray.sessionNotificationsOn());
  send(kMessageTimer, kTrayTimerId, 0);
  EXPECT_FALSE(tray.sessionNotificationsOn());
  send(kMessageTimer, kTrayTimerId, 0);
  EXPECT_TRUE(tray.sessionNotificationsOn());
  EXPECT_TRUE(world.system.sessionNotificationsRegistered);
  send(kMessageTimer, kTrayTimerId, 0);
  EXPECT_EQ(3, world.log.count("register session notifications"));

  tray.stopSessionNotifications();
  tray.stopSessionNotifications();
  EXPECT_FALSE(world.system.sessionNotificationsRegistered);
  EXPECT_EQ(1, world.log.count("unregister session notifications"));
  send(kMessageTimer, kTrayTimerId, 0);
  EXPECT_EQ(3, world.log.count("register session notifications")) << "not again after shutdown";
}

TEST_F(TrayWindowTest, NothingToUndoWhenTheRegistrationNeverTook) {
  world.system.sessionRegistrationFailures = 100;
  tray.startSessionNotifications();
  tray.stopSessionNotifications();
  EXPECT_EQ(0, world.log.count("unregister session notifications"));
}

TEST(AboutDialogTest, EndsWithTheButtonPressed) {
  for (int id : {kIdOk, kIdCancel}) {
    AboutDialog about;
    fakes::RunningDialog d(about);
    EXPECT_TRUE(about.onInit(d)) << "default focus";
    EXPECT_TRUE(d.press(id));
    EXPECT_EQ(id, d.result());
  }
  AboutDialog about;
  fakes::RunningDialog d(about);
  EXPECT_FALSE(d.press(3));
  EXPECT_FALSE(d.ended());
}

}  // namespace
}  // namespace vk
