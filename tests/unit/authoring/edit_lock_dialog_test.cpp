#include "manager/authoring/edit_lock_dialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/password_digest.h"
#include "manager/password/password_entry.h"
#include "tests/fakes/fake_dialog_runner.h"
#include "tests/fakes/fake_shell.h"

namespace vk {
namespace {

using fakes::RunningDialog;
using User = std::function<void(RunningDialog&)>;

constexpr unsigned kWarning = kBoxOk | kBoxIconWarning;
const int kPasswordGroup[] = {1004, 1021, 1033, 1034, 1050, 1051, 1052, 1053, 1054};

struct Lock {
  const char* title = "Untitled - Notepad";
  const char* className = "Notepad";
  const char* password = "Secret";  // "" for none
  std::uint16_t maxTries = 4;
  std::int32_t relockSeconds = 600;
  std::uint16_t action = CloseWindow;
  bool wildcard = false;
  bool enabled = true;
};

LockRecord makeRecord(const Lock& lock) {
  LockRecord r{};
  std::strcpy(r.title, lock.title);
  std::strcpy(r.className, lock.className);
  if (lock.password[0] != '\0') r.digest = digestOf(lock.password);
  r.maxTries = lock.maxTries;
  r.relockSeconds = lock.relockSeconds;
  r.action = lock.action;
  r.wildcard = lock.wildcard ? 1 : 0;
  r.enabled = lock.enabled ? 1 : 0;
  // Run-time fields of the hook library: an edit never touches them.
  r.unlockedAt = 1700000000;
  r.promptBusy = 1;
  r.failedTries = 2;
  return r;
}

std::string text(const char* field) { return std::string(field, boundedLength(field)); }

bool sameBytes(const LockRecord& a, const LockRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The user clicks a check box: it changes its state, then tells the dialog.
void click(RunningDialog& d, int id) {
  d.setChecked(id, !d.isChecked(id));
  d.press(id);
}

class EditLockDialogTest : public ::testing::Test {
 protected:
  // Opens the dialog on `record` and lets `user` act; true when confirmed.
  bool edit(LockRecord& record, const User& user) {
    runner.users.push_back([&](RunningDialog& d) {
      if (user) user(d);
      view = d;  // what the user saw last
    });
    return runEditLockDialog(runner, shell, record, kNoWindow);
  }

  fakes::FakeDialogRunner runner;
  fakes::FakeShell shell;
  fakes::FakeDialogView view;
};

TEST_F(EditLockDialogTest, OpensOnResource146WithTheLocksSettings) {
  Lock lock;
  lock.wildcard = true;
  lock.enabled = false;
  lock.action = ShutdownComputer;
  LockRecord record = makeRecord(lock);
  edit(record, nullptr);
  ASSERT_EQ(1u, runner.runs.size());
  EXPECT_EQ(146, runner.runs[0].resourceId);
  EXPECT_FALSE(runner.runs[0].initReturned);  // the focus was placed by the dialog
  EXPECT_EQ(1002, runner.runs[0].focusAfterInit);
  EXPECT_EQ("Untitled - Notepad", view.itemText(1002));
  EXPECT_TRUE(view.isChecked(1027));
  EXPECT_TRUE(view.isChecked(1042));
  EXPECT_FALSE(view.isChecked(1055));
  EXPECT_EQ((std::vector<std::string>{"Close Window", "Deny Access", "Shutdown Computer"}),
            view.listEntries(1028));
  EXPECT_EQ(2, view.listSelection(1028));
  EXPECT_EQ(std::make_pair(1, 60), view.upDownRange(1014));
  EXPECT_EQ(std::make_pair(1, 60), view.upDownRange(1047));
  // A lock with a password: stored numbers, empty password boxes, all enabled.
  EXPECT_EQ("4", view.itemText(1033));
  EXPECT_EQ("10", view.itemText(1034));
  EXPECT_EQ("", view.itemText(1004));
  EXPECT_EQ("", view.itemText(1021));
  for (int id : kPasswordGroup) EXPECT_TRUE(view.itemEnabled(id)) << id;
}

TEST_F(EditLockDialogTest, LockWithoutPasswordOpensWithTheGroupEmptyAndDisabled) {
  Lock lock;
  lock.password = "";
  LockRecord record = makeRecord(lock);
  edit(record, nullptr);
  EXPECT_FALSE(view.isChecked(1042));
  EXPECT_TRUE(view.isChecked(1055));
  for (int id : kPasswordGroup) EXPECT_FALSE(view.itemEnabled(id)) << id;
  for (int id : {1004, 1021, 1033, 1034}) EXPECT_EQ("", view.itemText(id)) << id;
}

TEST_F(EditLockDialogTest, ActionCodesOpenOnTheirEntries) {
  struct Case {
    std::uint16_t code;
    int index;
  } cases[] = {{CloseWindow, 0}, {DenyAccess, 1}, {ShutdownComputer, 2},
               {LockComputer, -1},  // no entry for it
               {0, 1},           {3, 1},          {16, 1},
               {65535, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.index, listIndexFromAction(c.code)) << c.code;
    Lock lock;
    lock.action = c.code;
    LockRecord record = makeRecord(lock);
    edit(record, nullptr);
    EXPECT_EQ(c.index, view.listSelection(1028)) << c.code;
  }
}

TEST_F(EditLockDialogTest, LockComputerWithoutAChoiceIsStoredAsDenyAccess) {
  Lock lock;
  lock.action = LockComputer;
  LockRecord record = makeRecord(lock);
  EXPECT_TRUE(edit(record, [](RunningDialog& d) { d.press(kIdOk); }));
  EXPECT_EQ(DenyAccess, record.action);
}

TEST_F(EditLockDialogTest, OkWithoutChangesKeepsThePasswordAndWholeMinutes) {
  Lock lock;
  lock.relockSeconds = 90;
  LockRecord record = makeRecord(lock);
  const LockRecord before = record;
  EXPECT_TRUE(edit(record, [](RunningDialog& d) {
    EXPECT_EQ("1", d.itemText(1034));  // 90 s shown in whole minutes
    d.press(kIdOk);
  }));
  EXPECT_EQ(kEditLockConfirmed, runner.runs[0].result);
  EXPECT_EQ(before.digest, record.digest);
  EXPECT_EQ(60, record.relockSeconds);
  EXPECT_EQ(4, record.maxTries);
  EXPECT_EQ("Untitled - Notepad", text(record.title));
  EXPECT_EQ("Notepad", text(record.className));
  EXPECT_EQ(CloseWindow, record.action);
  EXPECT_EQ(1, record.enabled);
  EXPECT_EQ(0, record.wildcard);
  EXPECT_EQ(before.unlockedAt, record.unlockedAt);
  EXPECT_EQ(before.promptBusy, record.promptBusy);
  EXPECT_EQ(before.failedTries, record.failedTries);
}

TEST_F(EditLockDialogTest, EmptyNewPasswordKeepsTheOldOneEvenWithTheAgainBoxFilled) {
  LockRecord record = makeRecord(Lock());
  EXPECT_TRUE(edit(record, [](RunningDialog& d) {
    d.type(1021, "Other");
    d.press(kIdOk);
  }));
  EXPECT_EQ(digestOf("Secret"), record.digest);
}

TEST_F(EditLockDialogTest, NewPasswordIsStoredAsTyped) {
  const std::string longest(255, 'p');
  for (const std::string& typed : {std::string("NewPass"), longest}) {
    LockRecord record = makeRecord(Lock());
    EXPECT_TRUE(edit(record, [&](RunningDialog& d) {
      d.type(1004, typed);
      d.type(1021, typed);
      d.press(kIdOk);
    }));
    EXPECT_EQ(digestOf(typed.c_str()), record.digest) << typed.size();
  }
}

TEST_F(EditLockDialogTest, UncheckingProtectionEmptiesTheGroupAndStoresNoPassword) {
  LockRecord record = makeRecord(Lock());
  EXPECT_TRUE(edit(record, [](RunningDialog& d) {
    d.type(1004, "typed");
    d.type(1021, "typed");
    click(d, 1042);
    for (int id : kPasswordGroup) EXPECT_FALSE(d.itemEnabled(id)) << id;
    for (int id : {1004, 1021, 1033, 1034}) EXPECT_EQ("", d.itemText(id)) << id;
    EXPECT_TRUE(d.itemEnabled(1042));
    d.press(kIdOk);  // empty numbers are not tested without protection
  }));
  EXPECT_TRUE(isZeroDigest(record.digest));
  EXPECT_EQ(4, record.maxTries);
  EXPECT_EQ(600, record.relockSeconds);
}

TEST_F(EditLockDialogTest, CheckingProtectionFillsDefaultsOrTheStoredNumbers) {
  struct Case {
    const char* password;
    const char* tries;
    const char* minutes;
  } cases[] = {{"", "3", "5"}, {"Secret", "4", "10"}};
  for (const Case& c : cases) {
    Lock lock;
    lock.password = c.password;
    LockRecord record = makeRecord(lock);
    edit(record, [&](RunningDialog& d) {
      if (d.isChecked(1042)) click(d, 1042);  // off first
      d.type(1004, "kept");
      click(d, 1042);
      for (int id : kPasswordGroup) EXPECT_TRUE(d.itemEnabled(id)) << id;
      EXPECT_EQ(c.tries, d.itemText(1033)) << c.password;
      EXPECT_EQ(c.minutes, d.itemText(1034)) << c.password;
      EXPECT_EQ("kept", d.itemText(1004));  // password boxes keep their text
    });
  }
}

TEST_F(EditLockDialogTest, ProtectionBoxOnlyReactsToClicks) {
  LockRecord record = makeRecord(Lock());
  edit(record, [](RunningDialog& d) {
    d.setChecked(1042, false);
    EXPECT_FALSE(d.logic().onCommand(d, 1042, 1));  // not BN_CLICKED
    EXPECT_EQ("4", d.itemText(1033));
  });
}

TEST_F(EditLockDialogTest, WildcardOnEmptiesTheClassNameForGood) {
  LockRecord record = makeRecord(Lock());
  EXPECT_TRUE(edit(record, [](RunningDialog& d) {
    click(d, 1027);
    d.press(kIdOk);
  }));
  EXPECT_EQ(1, record.wildcard);
  EXPECT_EQ("", text(record.className));
  EXPECT_TRUE(edit(record, [](RunningDialog& d) {
    click(d, 1027);
    d.press(kIdOk);
  }));
  EXPECT_EQ(0, record.wildcard);
  EXPECT_EQ("", text(record.className));

  LockRecord untouched = makeRecord(Lock());
  EXPECT_TRUE(edit(untouched, [](RunningDialog& d) { d.press(kIdOk); }));
  EXPECT_EQ("Notepad", text(untouched.className));
}

TEST_F(EditLockDialogTest, OkCommitsTheFormsSettings) {
  LockRecord record = makeRecord(Lock());
  const LockRecord before = record;
  EXPECT_TRUE(edit(record, [](RunningDialog& d) {
    d.type(1002, "*- Calc");
    click(d, 1055);  // no longer "Locked"
    d.selectListEntry(1028, 1);
    d.type(1033, "65535");
    d.type(1034, "65535");
    d.press(kIdOk);
  }));
  EXPECT_EQ("*- Calc", text(record.title));
  EXPECT_EQ(0, record.enabled);
  EXPECT_EQ(DenyAccess, record.action);
  EXPECT_EQ(65535, record.maxTries);
  EXPECT_EQ(3932100, record.relockSeconds);
  EXPECT_EQ(before.unlockedAt, record.unlockedAt);
  EXPECT_EQ(before.promptBusy, record.promptBusy);
  EXPECT_EQ(before.failedTries, record.failedTries);
}

// Each refusal: the message, the box that gets the focus, the dialog still
// open and the record untouched.
TEST_F(EditLockDialogTest, ValidationRefusesInItsOrder) {
  struct Case {
    const char* name;
    const char* storedPassword;
    User fill;
    const char* message;
    int focus;
  };
  const std::string longTitle(256, 'x');
  const std::string longPassword(256, 'p');
  const std::vector<Case> cases = {
      {"empty title", "Secret", [](RunningDialog& d) { d.type(1002, ""); }, kInvalidTitleText, 1002},
      {"empty title before mismatching passwords", "Secret",
       [](RunningDialog& d) {
         d.type(1002, "");
         d.type(1004, "a");
         d.type(1021, "b");
       },
       kInvalidTitleText, 1002},
      {"title too long", "Secret", [&](RunningDialog& d) { d.type(1002, longTitle); },
       kTitleTooLongText, 1002},
      {"no password for a new one", "", [](RunningDialog& d) { click(d, 1042); },
       kInvalidPasswordText, 1004},
      {"no confirmation", "",
       [](RunningDialog& d) {
         click(d, 1042);
         d.type(1004, "pw");
       },
       kInvalidPasswordText, 1021},
      // The lock prompt reads 255 characters: a longer one could never be typed back.
      {"password of 256 characters", "Secret",
       [&](RunningDialog& d) {
         d.type(1004, longPassword);
         d.type(1021, longPassword);
       },
       kPasswordTooLongText, 1004},
      {"case differs", "Secret",
       [](RunningDialog& d) {
         d.type(1004, "Secret");
         d.type(1021, "secret");
       },
       kPasswordsDifferText, 1004},
      {"minutes tested before tries", "Secret",
       [](RunningDialog& d) {
         d.type(1034, "0");
         d.type(1033, "0");
       },
       kRelockNotPositiveText, 1034},
      {"tries 0", "Secret", [](RunningDialog& d) { d.type(1033, "0"); }, kTriesNotPositiveText, 1033},
      {"tries 65536", "Secret", [](RunningDialog& d) { d.type(1033, "65536"); },
       kTriesNotPositiveText, 1033},
      {"tries 65537", "Secret", [](RunningDialog& d) { d.type(1033, "65537"); },
       kTriesNotPositiveText, 1033},
      {"tries 70000", "Secret", [](RunningDialog& d) { d.type(1033, "70000"); },
       kTriesNotPositiveText, 1033},
      {"minutes empty", "Secret", [](RunningDialog& d) { d.type(1034, ""); },
       kRelockNotPositiveText, 1034},
      {"minutes 65536", "Secret", [](RunningDialog& d) { d.type(1034, "65536"); },
       kRelockNotPositiveText, 1034},
      {"minutes beyond 32-bit seconds", "Secret", [](RunningDialog& d) { d.type(1034, "35791395"); },
       kRelockNotPositiveText, 1034},
      {"numbers tested when the old password is kept", "Secret",
       [](RunningDialog& d) {
         d.type(1021, "ignored");
         d.type(1033, "0");
       },
       kTriesNotPositiveText, 1033},
  };
  for (const Case& c : cases) {
    Lock lock;
    lock.password = c.storedPassword;
    LockRecord record = makeRecord(lock);
    const LockRecord before = record;
    int focus = 0;
    bool ended = true;
    const bool confirmed = edit(record, [&](RunningDialog& d) {
      c.fill(d);
      d.press(kIdOk);
      focus = d.focus();
      ended = d.ended();
    });
    EXPECT_FALSE(confirmed) << c.name;
    EXPECT_FALSE(ended) << c.name;  // still open after the box
    EXPECT_EQ(c.focus, focus) << c.name;
    EXPECT_TRUE(sameBytes(before, record)) << c.name;
    ASSERT_EQ(1u, runner.runs.back().boxes.size()) << c.name;
    EXPECT_EQ(c.message, runner.runs.back().boxes[0].text) << c.name;
    EXPECT_EQ("Error", runner.runs.back().boxes[0].caption) << c.name;
    EXPECT_EQ(kWarning, runner.runs.back().boxes[0].style) << c.name;
  }
}

TEST_F(EditLockDialogTest, NumbersFromOneTo65535AreAccepted) {
  struct Case {
    const char* tries;
    const char* minutes;
    std::uint16_t maxTries;
    std::int32_t seconds;
  } cases[] = {{"1", "1", 1, 60}, {"65535", "65535", 65535, 3932100}, {"7x", " 2", 7, 120}};
  for (const Case& c : cases) {
    LockRecord record = makeRecord(Lock());
    EXPECT_TRUE(edit(record, [&](RunningDialog& d) {
      d.type(1033, c.tries);
      d.type(1034, c.minutes);
      d.press(kIdOk);
    })) << c.tries;
    EXPECT_EQ(c.maxTries, record.maxTries) << c.tries;
    EXPECT_EQ(c.seconds, record.relockSeconds) << c.minutes;
  }
}

TEST_F(EditLockDialogTest, CancelAndCloseLeaveTheRecordAlone) {
  LockRecord record = makeRecord(Lock());
  const LockRecord before = record;
  EXPECT_FALSE(edit(record, [](RunningDialog& d) {
    d.type(1002, "changed");
    click(d, 1042);
    d.press(kIdCancel);
  }));
  EXPECT_EQ(kEditLockCancelled, runner.runs.back().result);
  EXPECT_TRUE(sameBytes(before, record));
}

TEST_F(EditLockDialogTest, HelpOpensTheShippedPageAndKeepsTheDialogOpen) {
  LockRecord record = makeRecord(Lock());
  edit(record, [](RunningDialog& d) {
    d.press(kIdHelpButton);
    EXPECT_FALSE(d.ended());
  });
  EXPECT_EQ((std::vector<std::string>{
                "C:\\Program Files\\Vantakey\\help\\vantakey\\support\\editlock.htm"}),
            shell.opened);
}

}  // namespace
}  // namespace vk
