#include "manager/shell/manager_startup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "manager/shell/tray_window.h"
#include "tests/unit/shell/shell_test_support.h"
#include "tests/unit/store/store_test_support.h"

namespace vk {
namespace {

using shelltest::FakeManagerWorld;
using storetest::Bytes;
using storetest::Image;

const PasswordDigest kZero = {};

Bytes databaseWith(const PasswordDigest& system, std::uint8_t shutDownAtLogOff = 0) {
  return Image()
      .settings(system, "NONE", kZero, "", "", shutDownAtLogOff, 2)
      .lock("", "Notepad", 0, 1, 3, 300, CloseWindow, digestOf("a"))
      .lock("", "Calc*", 1, 1, 3, 60, DenyAccess, digestOf("b"))
      .b;
}

Bytes olderDatabase() {
  Image image;
  image.b.assign(20, 0);
  return image.text("").text("").u16(1).text("").text("Old Window").digest(digestOf("old")).b;
}

// True when `expected` occurs in `events` in this order (other events may lie between).
::testing::AssertionResult inOrder(const std::vector<std::string>& events,
                                   const std::vector<std::string>& expected) {
  std::size_t next = 0;
  for (const std::string& e : events) {
    if (next < expected.size() && e == expected[next]) ++next;
  }
  if (next == expected.size()) return ::testing::AssertionSuccess();
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << "missing or out of order: \"" << expected[next] << "\"; log:";
  for (const std::string& e : events) failure << "\n  " << e;
  return failure;
}

class ManagerStartupTest : public ::testing::Test {
 protected:
  ManagerStartupTest() {
    world.dialogs.firstRunWizard = [](ManagerStore& store) {
      store.settings.systemPasswordDigest = digestOf("system");
    };
  }

  std::string vk2() const { return world.files.dataPathOf("vk2.dat"); }
  std::string vk() const { return world.files.pathOf("vk.dat"); }
  unsigned char* section() { return world.kernel.section(kSectionName); }
  std::uint32_t headerWord(std::size_t offset) { return loadAt<std::uint32_t>(section() + offset); }

  // Everything the program took is given back.
  void expectAllReleased() {
    EXPECT_EQ(0, world.kernel.openHandles());
    EXPECT_EQ(0, world.kernel.openViews());
    EXPECT_FALSE(world.system.instanceMutexOpen);
    EXPECT_FALSE(world.system.libraryLoaded);
    EXPECT_FALSE(world.system.iconShown());
    EXPECT_FALSE(world.system.trayWindowExists);
    EXPECT_FALSE(world.system.sessionNotificationsRegistered);
  }

  FakeManagerWorld world;
};

TEST_F(ManagerStartupTest, AFreshInstallationRunsTheFirstRunPathBeforeTheIconAndHooks) {
  std::uint32_t cbtWhileRunning = 0;
  std::uint32_t callWndRetWhileRunning = 0;
  world.system.whileRunning = [&] {
    cbtWhileRunning = headerWord(kOffCbtHook);
    callWndRetWhileRunning = headerWord(kOffCallWndRetHook);
    EXPECT_TRUE(world.frame.exists());
    EXPECT_FALSE(world.frame.isVisible());
    EXPECT_TRUE(world.system.iconShown());
    EXPECT_EQ("Vantakey", world.system.iconTip());
    return 0;
  };
  EXPECT_EQ(0, runManager(world.ports));

  EXPECT_TRUE(inOrder(world.log.events,
                      {"find tray window", "create mutex Vantak", "create mutex Vantakey",
                       "register service process", "init common controls", "load vkgate.dll",
                       "map section vantakey", "map section vantakey", "read vk2.dat",
                       "read vk.dat", "first-run wizard", "save vk2.dat", "create tray window",
                       "NIM_ADD", "register session notifications", "start hook host", "install hook WH_CBT",
                       "install hook WH_CALLWNDPROCRET", "start tray timer", "message loop"}));
  EXPECT_EQ(1, world.log.count("first-run wizard"));
  ASSERT_EQ(2u, world.system.installedHooks.size());
  EXPECT_EQ(1, world.hookHost.starts);
  EXPECT_EQ(1, world.hookHost.stops);
  EXPECT_EQ(world.system.installedHooks[0], cbtWhileRunning);
  EXPECT_EQ(world.system.installedHooks[1], callWndRetWhileRunning);
  EXPECT_EQ(1, world.frame.createCalls);
  ASSERT_TRUE(world.files.exists(vk2()));
  EXPECT_TRUE(world.boxes.shown.empty());
  expectAllReleased();
}

struct FirstRunCase {
  const char* name;
  bool database;              // "vk2.dat" present
  bool databaseHasPassword;
  bool olderDatabase;         // "vk.dat" present
  bool wizardSetsPassword;
  int wizards;                // first-run wizards run
  int savesBeforeIcon;
  std::uint32_t locksWhileRunning;
};

void PrintTo(const FirstRunCase& c, std::ostream* os) { *os << c.name; }

const FirstRunCase kFirstRunCases[] = {
    {"NoDatabase", false, false, false, true, 1, 1, 0},
    {"NoDatabaseButAnOlderOne", false, false, true, true, 1, 2, 1},  // the import saves too
    {"DatabaseWithoutSystemPassword", true, false, false, true, 1, 1, 2},
    {"WizardEndsWithoutPassword", false, false, false, false, 2, 2, 0},
    {"DatabaseWithSystemPassword", true, true, false, true, 0, 0, 2},
};

class FirstRunPathTest : public ManagerStartupTest,
                         public ::testing::WithParamInterface<FirstRunCase> {};

TEST_P(FirstRunPathTest, DecidesFromTheDatabase) {
  const FirstRunCase& c = GetParam();
  if (c.database) {
    world.files.files[vk2()] = databaseWith(c.databaseHasPassword ? digestOf("system") : kZero);
  }
  if (c.olderDatabase) world.files.files[vk()] = olderDatabase();
  if (!c.wizardSetsPassword) world.dialogs.firstRunWizard = nullptr;
  std::uint32_t locks = 0;
  world.system.whileRunning = [&] {
    locks = loadAt<std::uint32_t>(section() + kOffRecordCount);
    return 0;
  };
  runManager(world.ports);

  EXPECT_EQ(c.wizards, world.log.count("first-run wizard"));
  const int icon = world.log.indexOf("NIM_ADD");
  int saves = 0;
  for (int i = 0; i < icon; ++i) saves += world.log.events[i] == "save vk2.dat" ? 1 : 0;
  EXPECT_EQ(c.savesBeforeIcon, saves);
  if (c.wizards > 0) {
    EXPECT_TRUE(inOrder(world.log.events,
                        {"first-run wizard", "save vk2.dat", "NIM_ADD", "install hook WH_CBT"}));
  }
  EXPECT_EQ(c.locksWhileRunning, locks);
}

INSTANTIATE_TEST_SUITE_P(Paths, FirstRunPathTest, ::testing::ValuesIn(kFirstRunCases),
                         [](const ::testing::TestParamInfo<FirstRunCase>& info) {
                           return std::string(info.param.name);
                         });

// A "vk2.dat" that is there but cannot be read still holds the user's
// password and locks: no first-run wizard, no save over it, a message, exit.
TEST_F(ManagerStartupTest, AnUnreadableDatabaseIsReportedAndNeitherReplacedNorSetUpAnew) {
  const struct {
    const char* name;
    bool openFails;
    bool readFailsPartWay;
  } cases[] = {{"held open or denied", true, false}, {"read error part-way", false, true}};
  for (const auto& c : cases) {
    FakeManagerWorld w;
    const Bytes file = databaseWith(digestOf("system"));
    w.files.files[w.files.dataPathOf("vk2.dat")] = file;
    w.files.files[w.files.pathOf("vk.dat")] = olderDatabase();
    w.files.openForReadFails = c.openFails;
    w.files.readFailsPartWay = c.readFailsPartWay;

    EXPECT_EQ(kExitDatabaseUnreadable, runManager(w.ports)) << c.name;
    ASSERT_EQ(1u, w.boxes.shown.size()) << c.name;
    EXPECT_EQ(kLoadFailedText, w.boxes.shown[0].text);
    EXPECT_EQ("Vantakey Error", w.boxes.shown[0].caption);
    EXPECT_EQ(kBoxOk | kBoxIconError, w.boxes.shown[0].style);
    EXPECT_FALSE(w.log.contains("first-run wizard")) << c.name;
    EXPECT_EQ(0, w.files.replaceCalls) << c.name;
    EXPECT_EQ(file, w.files.files[w.files.dataPathOf("vk2.dat")]) << c.name;
    EXPECT_TRUE(w.files.exists(w.files.pathOf("vk.dat"))) << c.name << ": no import either";
    EXPECT_TRUE(w.system.installedHooks.empty()) << c.name;
    EXPECT_FALSE(w.log.contains("NIM_ADD")) << c.name;
    EXPECT_EQ(0, w.kernel.openHandles()) << c.name;
    EXPECT_EQ(0, w.kernel.openViews()) << c.name;
    EXPECT_FALSE(w.system.instanceMutexOpen) << c.name;
    EXPECT_FALSE(w.system.libraryLoaded) << c.name;
  }
}

TEST_F(ManagerStartupTest, ASecondCopyHandsOverAndCreatesNothing) {
  const WindowRef tray = 0x10;
  const WindowRef manager = 0x20;
  const struct {
    const char* name;
    bool managerExists;
    bool managerVisible;
    bool shown;  // else posted 1025/102/515
  } cases[] = {{"visible", true, true, true},
               {"hidden", true, false, false},
               {"missing", false, false, false}};
  for (const auto& c : cases) {
    FakeManagerWorld w;
    w.system.runningTray = tray;
    if (c.managerExists) w.system.windows["Vantakey Manager"] = manager;
    if (c.managerVisible) w.system.visible.insert(manager);

    EXPECT_EQ(0, runManager(w.ports)) << c.name;
    // The running copy may not take the foreground by itself on Windows 10/11.
    const int allowed = w.log.indexOf("allow foreground for " + std::to_string(tray));
    EXPECT_GE(allowed, 0) << c.name;
    const int handedOver = c.shown ? w.log.indexOf("show and bring to front")
                                   : w.log.indexOf("post 1025/102/515");
    EXPECT_LT(allowed, handedOver) << c.name;
    if (c.shown) {
      EXPECT_EQ(std::vector<WindowRef>{manager}, w.system.shownWindows) << c.name;
      EXPECT_TRUE(w.system.openRequests.empty()) << c.name;
    } else {
      EXPECT_TRUE(w.system.shownWindows.empty()) << c.name << ": never shown without the password";
      EXPECT_EQ(std::vector<WindowRef>{tray}, w.system.openRequests) << c.name;
    }
    EXPECT_FALSE(w.log.contains("create mutex Vantak")) << c.name;
    EXPECT_FALSE(w.log.contains("map section vantakey")) << c.name;
    EXPECT_TRUE(w.system.installedHooks.empty()) << c.name;
    EXPECT_FALSE(w.log.contains("NIM_ADD")) << c.name;
  }
}

TEST_F(ManagerStartupTest, ACopyStillStartingIsDetectedByItsMutexAndLeftAlone) {
  world.system.instanceMutex = InstanceMutexResult::AlreadyExisted;
  unsigned char* running = world.kernel.createSectionElsewhere(kSectionName, kSectionSize);
  storeAt<std::uint32_t>(running + kOffRecordCount, 5);
  const Bytes before(running, running + kSectionSize);

  EXPECT_EQ(0, runManager(world.ports));
  EXPECT_TRUE(before == Bytes(running, running + kSectionSize)) << "the table was not reset";
  EXPECT_FALSE(world.log.contains("map section vantakey"));
  EXPECT_FALSE(world.log.contains("load vkgate.dll"));
  EXPECT_FALSE(world.log.contains("read vk2.dat"));
  EXPECT_FALSE(world.log.contains("first-run wizard"));
  EXPECT_FALSE(world.log.contains("create tray window"));
  EXPECT_FALSE(world.log.contains("NIM_ADD"));
  EXPECT_TRUE(world.system.installedHooks.empty());
  EXPECT_TRUE(world.boxes.shown.empty());
  expectAllReleased();
}

// Fails the n-th section mapping (1: the raw view, 2: ManagerTableView).
class FailingSectionKernel : public shelltest::LoggingKernel {
 public:
  FailingSectionKernel(fakes::EventLog& log, int failing) : LoggingKernel(log), failing_(failing) {}
  SectionMapping openSection(const char* name, std::uint32_t size) override {
    if (++opens_ == failing_) return SectionMapping{};
    return LoggingKernel::openSection(name, size);
  }

 private:
  int failing_;
  int opens_ = 0;
};

TEST_F(ManagerStartupTest, ASectionThatCannotBeMappedIsReportedAndNothingIsWrittenThroughIt) {
  for (int failing : {1, 2}) {
    FakeManagerWorld w;
    FailingSectionKernel kernel(w.log, failing);
    ManagerPorts ports = w.ports;
    ManagerPorts failingPorts{ports.system, kernel,        ports.files, ports.messageBoxes,
                              ports.dialogRunner, ports.dialogs, ports.frame,
                              ports.toolbar,      ports.list,    ports.clock, ports.shell,
                              ports.hookHost};
    w.files.files[w.files.dataPathOf("vk2.dat")] = databaseWith(digestOf("system"));

    EXPECT_EQ(kExitSectionFailed, runManager(failingPorts)) << failing;
    ASSERT_EQ(1u, w.boxes.shown.size()) << failing;
    EXPECT_EQ(kSectionFailedText, w.boxes.shown[0].text);
    EXPECT_EQ("Vantakey Error", w.boxes.shown[0].caption);
    EXPECT_EQ(kBoxOk | kBoxIconError, w.boxes.shown[0].style);
    EXPECT_FALSE(w.log.contains("read vk2.dat")) << failing;
    EXPECT_FALSE(w.log.contains("first-run wizard")) << failing;
    EXPECT_FALSE(w.log.contains("NIM_ADD")) << failing;
    EXPECT_TRUE(w.system.installedHooks.empty()) << failing;
    EXPECT_EQ(0, kernel.openHandles()) << failing;
    EXPECT_EQ(0, kernel.openViews()) << failing;
    EXPECT_FALSE(w.system.libraryLoaded) << failing;
    EXPECT_FALSE(w.system.instanceMutexOpen) << failing;
  }
}

struct ProtectionCase {
  const char* name;
  GateLibraryStatus library;
  bool cbtFails;
  bool callWndRetFails;
  const char* notice;  // null: none
  const char* tip;
  bool cbtInstalled;
  bool callWndRetInstalled;
};

void PrintTo(const ProtectionCase& c, std::ostream* os) { *os << c.name; }

const ProtectionCase kProtectionCases[] = {
    {"AllWell", GateLibraryStatus::Loaded, false, false, nullptr, kTrayTip, true, true},
    {"LibraryMissing", GateLibraryStatus::NotFound, false, false, kGateLibraryMissingText,
     kGateLibraryMissingTip, false, false},
    {"ExportMissing", GateLibraryStatus::ExportMissing, false, false, kGateLibraryMissingText,
     kGateLibraryMissingTip, false, false},
    {"BothHooksFail", GateLibraryStatus::Loaded, true, true, kHooksFailedText, kHooksFailedTip,
     false, false},
    {"ActivationHookFails", GateLibraryStatus::Loaded, true, false, kHookPartlyFailedText,
     kHookPartlyFailedTip, false, true},
    {"RetitleHookFails", GateLibraryStatus::Loaded, false, true, kHookPartlyFailedText,
     kHookPartlyFailedTip, true, false},
};

class ProtectionTest : public ManagerStartupTest,
                       public ::testing::WithParamInterface<ProtectionCase> {};

TEST_P(ProtectionTest, AManagerThatProtectsNothingSaysSoOnceAndInItsTip) {
  const ProtectionCase& c = GetParam();
  world.files.files[vk2()] = databaseWith(digestOf("system"));
  world.system.library = c.library;
  if (c.cbtFails) world.system.failingHooks.insert(HookKind::WindowActivation);
  if (c.callWndRetFails) world.system.failingHooks.insert(HookKind::WindowMessageReturn);
  world.boxes.onShow = [this](const fakes::RecordingMessageBoxes::Box&) {
    EXPECT_EQ(1, world.frame.createCalls) << "after the manager window exists";
    EXPECT_TRUE(world.system.iconShown()) << "the tip says so already";
  };
  std::uint32_t cbt = 1;
  std::uint32_t callWndRet = 1;
  std::string tipWhileRunning;
  std::string tipAfterRebuild;
  world.system.whileRunning = [&] {
    cbt = headerWord(kOffCbtHook);
    callWndRet = headerWord(kOffCallWndRetHook);
    tipWhileRunning = world.system.iconTip();
    world.system.dropIcon();  // the re-added icon keeps the tip
    std::intptr_t result = 0;
    world.system.trayEvents->onMessage(kMessageTimer, kTrayTimerId, 0, result);
    tipAfterRebuild = world.system.iconTip();
    return 0;
  };
  runManager(world.ports);

  if (c.notice == nullptr) {
    EXPECT_TRUE(world.boxes.shown.empty());
  } else {
    ASSERT_EQ(1u, world.boxes.shown.size());
    EXPECT_EQ(c.notice, world.boxes.shown[0].text);
    EXPECT_EQ("Vantakey Error", world.boxes.shown[0].caption);
    EXPECT_TRUE(inOrder(world.log.events,
                        {"start tray timer", "message box Vantakey Error", "message loop"}));
  }
  EXPECT_EQ(c.tip, tipWhileRunning);
  EXPECT_EQ(c.tip, tipAfterRebuild);
  EXPECT_LE(std::strlen(c.tip), kTrayTipMaxLength);
  EXPECT_EQ(c.cbtInstalled, cbt != 0);
  EXPECT_EQ(c.callWndRetInstalled, callWndRet != 0);
  // Only installed hooks are removed.
  EXPECT_EQ(world.system.installedHooks, world.system.removedHooks);
}

INSTANTIATE_TEST_SUITE_P(Protection, ProtectionTest, ::testing::ValuesIn(kProtectionCases),
                         [](const ::testing::TestParamInfo<ProtectionCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ManagerStartupTest, AMissingLibraryIsToldAtTheFirstIconAlready) {
  world.files.files[vk2()] = databaseWith(digestOf("system"));
  world.system.library = GateLibraryStatus::NotFound;
  runManager(world.ports);
  const int add = world.log.indexOf("NIM_ADD");
  ASSERT_GE(add, 0);
  EXPECT_EQ(-1, world.log.indexOf("NIM_MODIFY")) << "the first add carried the right tip";
  EXPECT_FALSE(world.log.contains("install hook WH_CBT"));
}

TEST_F(ManagerStartupTest, ShutdownSavesBeforeReleasingAndLetsGoOfTheInstanceMutexLast) {
  world.files.files[vk2()] = databaseWith(digestOf("system"));
  world.system.whileRunning = [&] {
    // An edit in the manager window is on disk at once, not only at exit.
    world.list.select({1});
    world.dialogs.editLockDialog = [](LockRecord& working) {
      std::strcpy(working.title, "Edited");
      return true;
    };
    world.frame.events->onCommand(kCmdEditLock);
    const Bytes saved = world.files.files[vk2()];
    EXPECT_NE(std::string::npos, std::string(saved.begin(), saved.end()).find("Edited"));
    return 7;
  };
  EXPECT_EQ(7, runManager(world.ports)) << "the quit message's code";

  const int loopEnd = world.log.indexOf("message loop ended");
  ASSERT_GE(loopEnd, 0);
  const std::vector<std::string> tail(world.log.events.begin() + loopEnd + 1,
                                      world.log.events.end());
  // The instance mutex goes last: a copy started meanwhile must not load the
  // file before this save is on disk.
  const std::vector<std::string> expected = {
      "stop hook host",
      "remove hook " + std::to_string(world.system.installedHooks.at(0)),
      "remove hook " + std::to_string(world.system.installedHooks.at(1)),
      "save vk2.dat",
      "NIM_DELETE",
      "close mutex Vantak",
      "unregister session notifications",
      "destroy tray window",
      "post quit",  // the tray window's WM_DESTROY
      "unmap section",
      "free vkgate.dll",
      "unmap section",
      "close mutex Vantakey"};
  EXPECT_EQ(expected, tail);

  const Bytes saved = world.files.files[vk2()];
  const std::string text(saved.begin(), saved.end());
  EXPECT_NE(std::string::npos, text.find("Edited"));
  EXPECT_EQ(std::string::npos, text.find("Calc*"));
  expectAllReleased();
}

// Windows may end the process as soon as WM_ENDSESSION is answered: with
// "shut down at log-off" set, hooks, save and icon are done inside it, and
// nothing is done twice after the loop.
TEST_F(ManagerStartupTest, ALogOffSavesBeforeTheLogOffMessageIsAnswered) {
  world.files.files[vk2()] = databaseWith(digestOf("system"), /*shutDownAtLogOff=*/1);
  std::vector<std::string> whenAnswered;
  world.system.whileRunning = [&] {
    world.log.events.clear();
    world.files.files.erase(vk2());
    std::intptr_t result = 0;
    world.system.trayEvents->onMessage(kMessageEndSession, 1, 0, result);
    whenAnswered = world.log.events;
    EXPECT_TRUE(world.files.exists(vk2()));
    return 0;
  };
  runManager(world.ports);

  const std::vector<std::string> expected = {
      "stop hook host",
      "remove hook " + std::to_string(world.system.installedHooks.at(0)),
      "remove hook " + std::to_string(world.system.installedHooks.at(1)),
      "save vk2.dat", "NIM_DELETE", "post quit"};
  EXPECT_EQ(expected, whenAnswered);
  EXPECT_EQ(1, world.log.count("save vk2.dat"));
  EXPECT_EQ(1, world.log.count(expected[0]));
  EXPECT_EQ(1, world.log.count(expected[1]));
  EXPECT_EQ(1, world.log.count(expected[2]));
  EXPECT_EQ(1, world.log.count("NIM_DELETE"));
  expectAllReleased();
}

TEST_F(ManagerStartupTest, AFailingExitSaveIsReportedAndShutdownGoesOn) {
  world.files.files[vk2()] = databaseWith(digestOf("system"));
  world.system.whileRunning = [&] {
    world.files.createFails = true;
    return 0;
  };
  runManager(world.ports);
  ASSERT_EQ(1u, world.boxes.shown.size());
  EXPECT_EQ(kSaveFailedText, world.boxes.shown[0].text);
  expectAllReleased();
}

}  // namespace
}  // namespace vk
