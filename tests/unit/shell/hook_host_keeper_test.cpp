// The 32-bit hook host over a manager's life: started after the manager's own
// hooks, started again when it ends, told about once when it cannot be, and
// stopped first at shutdown.
#include "manager/shell/hook_host_keeper.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "manager/shell/manager_startup.h"
#include "manager/shell/tray_window.h"
#include "tests/fakes/fake_hook_host.h"
#include "tests/unit/shell/shell_test_support.h"
#include "tests/unit/store/store_test_support.h"

namespace vk {
namespace {

using shelltest::FakeManagerWorld;
using storetest::Image;

// ---- the keeper alone ------------------------------------------------------------

class HookHostKeeperTest : public ::testing::Test {
 protected:
  fakes::EventLog log;
  fakes::FakeHookHost host{log};
  HookHostKeeper keeper{host};
};

TEST_F(HookHostKeeperTest, AHostThatEndedIsStartedAgainAtTheNextCheck) {
  ASSERT_TRUE(keeper.start());
  EXPECT_FALSE(keeper.check()) << "a running host is left alone";
  EXPECT_EQ(1, host.starts);

  host.end();
  EXPECT_FALSE(keeper.check()) << "started again at once: protection never changed";
  EXPECT_EQ(2, host.starts);
  EXPECT_TRUE(keeper.protecting());
  EXPECT_EQ(1, keeper.restarts());
}

TEST_F(HookHostKeeperTest, AHostThatCannotBeStartedAgainIsTriedAtEveryCheckUntilItComesBack) {
  ASSERT_TRUE(keeper.start());
  host.end();
  host.nextOutcomes = {HookHostStart::Missing, HookHostStart::Failed};
  EXPECT_TRUE(keeper.check()) << "lost";
  EXPECT_FALSE(keeper.protecting());
  EXPECT_FALSE(keeper.check()) << "still lost";
  EXPECT_TRUE(keeper.check()) << "back";
  EXPECT_TRUE(keeper.protecting());
  EXPECT_EQ(4, host.starts);
  EXPECT_EQ(1, keeper.restarts()) << "only a host that had been running counts as restarted";
}

TEST_F(HookHostKeeperTest, NothingIsStartedAfterStop) {
  ASSERT_TRUE(keeper.start());
  keeper.stop();
  EXPECT_FALSE(keeper.protecting());
  EXPECT_FALSE(keeper.check());
  EXPECT_EQ(1, host.starts);
  EXPECT_EQ(1, host.stops);
}

struct TipCase {
  const char* name;
  const char* managerTip;
  bool protecting32;
  const char* expected;
};

const TipCase kTipCases[] = {
    {"AllWell", kTrayTip, true, kTrayTip},
    {"Only32BitMissing", kTrayTip, false, kHookHostMissingTip},
    {"LibraryMissingToo", kGateLibraryMissingTip, false, kGateLibraryMissingTip},
    {"HookFailedHost32Fine", kHookPartlyFailedTip, true, kHookPartlyFailedTip},
};

class ProtectionTipTest : public ::testing::TestWithParam<TipCase> {};

TEST_P(ProtectionTipTest, TheGraverProblemHasTheTip) {
  const TipCase& c = GetParam();
  EXPECT_STREQ(c.expected, protectionTip(c.managerTip, kTrayTip, c.protecting32));
}

INSTANTIATE_TEST_SUITE_P(Tips, ProtectionTipTest, ::testing::ValuesIn(kTipCases),
                         [](const ::testing::TestParamInfo<TipCase>& info) {
                           return std::string(info.param.name);
                         });

// ---- the manager with its host ----------------------------------------------------

class ManagerHookHostTest : public ::testing::Test {
 protected:
  ManagerHookHostTest() {
    const PasswordDigest zero = {};
    world.files.files[world.files.dataPathOf("vk2.dat")] =
        Image().settings(digestOf("system"), "NONE", zero, "", "", 0, 2).b;
  }

  void tick() {
    std::intptr_t result = 0;
    world.system.trayEvents->onMessage(kMessageTimer, kTrayTimerId, 0, result);
  }

  FakeManagerWorld world;
};

TEST_F(ManagerHookHostTest, AMissingHostIsToldOnceAndInTheTipAndTriedAgainByTheTimer) {
  world.hookHost.outcome = HookHostStart::Missing;
  std::string tipWhileMissing;
  std::string tipWhenBack;
  int boxesWhileRunning = 0;
  world.system.whileRunning = [&] {
    tipWhileMissing = world.system.iconTip();
    tick();
    tick();
    boxesWhileRunning = static_cast<int>(world.boxes.shown.size());
    world.hookHost.outcome = HookHostStart::Running;  // the files are back
    tick();
    tipWhenBack = world.system.iconTip();
    return 0;
  };
  runManager(world.ports);

  ASSERT_EQ(1u, world.boxes.shown.size());
  EXPECT_EQ(kHookHostMissingText, world.boxes.shown[0].text);
  EXPECT_EQ(1, boxesWhileRunning) << "the ticks ask nobody";
  EXPECT_EQ(kHookHostMissingTip, tipWhileMissing);
  EXPECT_EQ(kTrayTip, tipWhenBack);
  EXPECT_EQ(4, world.hookHost.starts);
  EXPECT_FALSE(world.system.installedHooks.empty()) << "64-bit programs are guarded all the same";
}

TEST_F(ManagerHookHostTest, WithTheLibraryMissingToo) {
  world.system.library = GateLibraryStatus::NotFound;
  world.hookHost.outcome = HookHostStart::Failed;
  std::string tip;
  world.system.whileRunning = [&] {
    tip = world.system.iconTip();
    return 0;
  };
  runManager(world.ports);

  ASSERT_EQ(1u, world.boxes.shown.size()) << "one box says both";
  const std::string text = world.boxes.shown[0].text;
  EXPECT_EQ(0u, text.find(kGateLibraryMissingText));
  EXPECT_NE(std::string::npos, text.find(kHookHostMissingText));
  EXPECT_EQ(kGateLibraryMissingTip, tip);
}

TEST_F(ManagerHookHostTest, AKilledHostIsStartedAgainAtTheNextTickWithoutAWord) {
  std::string tip;
  std::vector<std::uint32_t> installedBefore;
  std::uint32_t cbtAfter = 0;
  std::uint32_t callWndRetAfter = 0;
  std::vector<std::uint32_t> removedWhileRunning;
  world.system.whileRunning = [&] {
    installedBefore = world.system.installedHooks;
    world.hookHost.end();
    tick();
    tip = world.system.iconTip();
    unsigned char* section = world.kernel.section(kSectionName);
    cbtAfter = loadAt<std::uint32_t>(section + kOffCbtHook);
    callWndRetAfter = loadAt<std::uint32_t>(section + kOffCallWndRetHook);
    removedWhileRunning = world.system.removedHooks;
    return 0;
  };
  runManager(world.ports);
  EXPECT_EQ(2, world.hookHost.starts);
  EXPECT_EQ(kTrayTip, tip);
  EXPECT_TRUE(world.boxes.shown.empty());

  // The manager's hooks went on top of the new host's: a new pair, in the
  // header, and the old pair removed only after it.
  ASSERT_EQ(2u, installedBefore.size());
  ASSERT_EQ(4u, world.system.installedHooks.size());
  EXPECT_EQ(world.system.installedHooks[2], cbtAfter);
  EXPECT_EQ(world.system.installedHooks[3], callWndRetAfter);
  EXPECT_EQ(installedBefore, removedWhileRunning);
  EXPECT_EQ(world.system.installedHooks, world.system.removedHooks) << "each removed once, at the latest at shutdown";
}

TEST_F(ManagerHookHostTest, WithoutItsLibraryTheManagerInstallsNoHooksWhenTheHostComesBack) {
  world.system.library = GateLibraryStatus::NotFound;
  world.system.whileRunning = [&] {
    world.hookHost.end();
    tick();
    return 0;
  };
  runManager(world.ports);
  EXPECT_EQ(2, world.hookHost.starts);
  EXPECT_TRUE(world.system.installedHooks.empty());
}

// The manager's own hooks are the newest in the chain (see runManager).
TEST_F(ManagerHookHostTest, TheHostStartsJustBeforeBothHooksAndStopsFirstThingAtShutdown) {
  runManager(world.ports);
  const auto& e = world.log.events;
  const int start = world.log.indexOf("start hook host");
  const int stop = world.log.indexOf("stop hook host");
  ASSERT_GE(start, 0);
  ASSERT_GE(stop, 0);
  EXPECT_EQ(start + 1, world.log.indexOf("install hook WH_CBT"));
  EXPECT_LT(start, world.log.indexOf("message loop"));
  EXPECT_EQ(world.log.indexOf("message loop ended") + 1, stop) << "first thing";
  EXPECT_LT(stop, static_cast<int>(std::find(e.begin(), e.end(), "close mutex Vantak") - e.begin()));
}

}  // namespace
}  // namespace vk
