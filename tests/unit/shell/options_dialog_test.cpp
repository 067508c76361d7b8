#include "manager/shell/options_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/store/database_file.h"
#include "tests/fakes/fake_dialog_runner.h"
#include "tests/unit/store/store_test_support.h"

namespace vk {
namespace {

using fakes::RunningDialog;

// The Run value as the registry keeps it. Without write access (no
// administrator rights) the key cannot be opened, so every call fails and
// the value reads as absent, whatever is really there.
class FakeStartupEntry : public StartupEntry {
 public:
  bool exists() override { return writable && present; }
  bool setToThisProgram() override {
    ++sets;
    if (!writable) return false;
    present = true;
    return true;
  }
  bool remove() override {
    ++removes;
    if (!writable || !present) return false;
    present = false;
    return true;
  }

  bool present = false;
  bool writable = true;
  int sets = 0;
  int removes = 0;
};

class OptionsDialogTest : public storetest::StoreTest {
 protected:
  // One run of the dialog, driven by `user`.
  const fakes::DialogRun& run(const fakes::FakeDialogRunner::User& user) {
    runner.users.push_back(user);
    runOptionsDialog(store, startup, runner, kNoWindow);
    return runner.runs.back();
  }

  bool savedFlag() {
    ManagerSettings reread;
    const storetest::Bytes& image = files.files.at(vk2Path());
    decodeDatabase(image.data(), image.size(), reread, table);
    return reread.shutDownAtLogOff;
  }

  FakeStartupEntry startup;
  fakes::FakeDialogRunner runner;
};

TEST_F(OptionsDialogTest, OpensDialog154WithTheBoxesShowingTheCurrentSettings) {
  struct Case {
    bool present;
    bool writable;
    bool flag;
    bool startChecked;
  };
  const Case cases[] = {{false, true, false, false},
                        {true, true, false, true},
                        {false, true, true, false},
                        {true, true, true, true},
                        {true, false, true, false}};  // the key cannot be opened
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.present << c.writable << c.flag);
    startup.present = c.present;
    startup.writable = c.writable;
    settings.shutDownAtLogOff = c.flag;
    const fakes::DialogRun& r = run([&](RunningDialog& d) {
      EXPECT_EQ(c.startChecked, d.isChecked(kIdStartWithWindowsCheck));
      EXPECT_EQ(c.flag, d.isChecked(kIdShutDownAtLogOffCheck));
    });
    EXPECT_EQ(kOptionsDialogId, r.resourceId);
  }
}

// OK always rewrites or removes the value according to the first box, sets
// the flag from the second, and saves.
TEST_F(OptionsDialogTest, OkAppliesBothBoxesAndSaves) {
  struct Case {
    const char* name;
    bool present;
    bool writable;
    bool checkStart;
    bool checkLogOff;
    bool presentAfter;
    int sets;
    int removes;
    bool warned;
  };
  const std::vector<Case> cases = {
      {"set", false, true, true, false, true, 1, 0, false},
      {"rewritten although present", true, true, true, true, true, 1, 0, false},
      {"removed", true, true, false, true, false, 0, 1, false},
      {"nothing to remove, nothing said", false, true, false, false, false, 0, 1, false},
      {"cannot be written: the user is told", false, false, true, true, false, 1, 0, true},
      {"cannot be removed: silent", true, false, false, true, true, 0, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    startup = FakeStartupEntry();
    startup.present = c.present;
    startup.writable = c.writable;
    settings.shutDownAtLogOff = !c.checkLogOff;
    files.replaceCalls = 0;
    const fakes::DialogRun& r = run([&](RunningDialog& d) {
      d.setChecked(kIdStartWithWindowsCheck, c.checkStart);
      d.setChecked(kIdShutDownAtLogOffCheck, c.checkLogOff);
      EXPECT_TRUE(d.press(kIdOk));
    });
    EXPECT_EQ(kOptionsConfirmed, r.result);
    EXPECT_EQ(c.presentAfter, startup.present);
    EXPECT_EQ(c.sets, startup.sets);
    EXPECT_EQ(c.removes, startup.removes);
    EXPECT_EQ(c.checkLogOff, settings.shutDownAtLogOff);
    EXPECT_EQ(1, files.replaceCalls);
    EXPECT_EQ(c.checkLogOff, savedFlag());
    EXPECT_TRUE(boxes.shown.empty());  // no owner-less box: the save worked
    if (c.warned) {
      ASSERT_EQ(1u, r.boxes.size());
      EXPECT_EQ(kStartupEntryFailedText, r.boxes[0].text);
      EXPECT_EQ("Options", r.boxes[0].caption);
      EXPECT_EQ(kBoxOk | kBoxIconWarning, r.boxes[0].style);
    } else {
      EXPECT_TRUE(r.boxes.empty());
    }
  }
}

TEST_F(OptionsDialogTest, OkWithOnlyTheLogOffBoxChangedStillWritesTheValueAndSaves) {
  startup.present = true;
  run([&](RunningDialog& d) {
    d.setChecked(kIdShutDownAtLogOffCheck, true);
    d.press(kIdOk);
  });
  EXPECT_EQ(1, startup.sets);
  EXPECT_TRUE(savedFlag());
}

TEST_F(OptionsDialogTest, CancelAfterChangingBothBoxesChangesNothing) {
  startup.present = true;
  settings.shutDownAtLogOff = false;
  const fakes::DialogRun& r = run([&](RunningDialog& d) {
    d.setChecked(kIdStartWithWindowsCheck, false);
    d.setChecked(kIdShutDownAtLogOffCheck, true);
    EXPECT_TRUE(d.press(kIdCancel));
  });
  EXPECT_EQ(kOptionsCancelled, r.result);
  EXPECT_TRUE(startup.present);
  EXPECT_EQ(0, startup.sets + startup.removes);
  EXPECT_FALSE(settings.shutDownAtLogOff);
  EXPECT_EQ(0, files.replaceCalls);
  EXPECT_TRUE(r.boxes.empty());
}

TEST_F(OptionsDialogTest, AFailedSaveIsReportedAndTheFlagStaysSetInMemory) {
  files.createFails = true;
  const fakes::DialogRun& r = run([&](RunningDialog& d) {
    d.setChecked(kIdShutDownAtLogOffCheck, true);
    d.press(kIdOk);
  });
  EXPECT_EQ(kOptionsConfirmed, r.result);
  EXPECT_TRUE(settings.shutDownAtLogOff);
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ(kSaveFailedText, boxes.shown[0].text);
}

TEST_F(OptionsDialogTest, OtherCommandsAreLeftToTheSystem) {
  run([&](RunningDialog& d) {
    EXPECT_FALSE(d.press(kIdStartWithWindowsCheck));
    EXPECT_FALSE(d.ended());
  });
  EXPECT_EQ(0, startup.sets + startup.removes);
  EXPECT_EQ(0, files.replaceCalls);
}

}  // namespace
}  // namespace vk
