#include "manager/authoring/new_lock_wizard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "common/password_digest.h"
#include "manager/password/password_entry.h"
#include "manager/store/database_file.h"
#include "manager/store/manager_settings.h"
#include "manager/store/table_operations.h"
#include "manager/store/table_steps.h"
#include "tests/fakes/event_log.h"
#include "tests/fakes/fake_wizard.h"
#include "tests/fakes/memory_files.h"
#include "tests/fakes/memory_kernel.h"
#include "tests/fakes/recording_message_boxes.h"

namespace vk {
namespace {

using fakes::FakeWizard;
using User = std::function<void(FakeWizard&)>;

constexpr WindowRef kOwner = 0x4000;  // the manager window
constexpr WindowRef kNotepad = 0x1234;
constexpr WindowRef kUntitled = 0x2345;
constexpr WindowRef kLongTitled = 0x3456;
constexpr unsigned kWarning = kBoxOk | kBoxIconWarning;

// --- what the user does on the pages

void chooseRadio(FakeWizard& w, int page, int on, int off) {
  w.page(page).setChecked(off, false);
  w.page(page).setChecked(on, true);
}

// From page 132: the typed path up to page 137.
void typeTitle(FakeWizard& w, const std::string& title, bool wildcard = false) {
  ASSERT_EQ(kPageChooseMethod, w.current());
  chooseRadio(w, kPageChooseMethod, kIdTypeTitleRadio, kIdSelectWindowRadio);
  w.next();
  ASSERT_EQ(kPageTypedTitle, w.current());
  w.page(kPageTypedTitle).setItemText(kIdTitleBox, title.c_str());
  w.page(kPageTypedTitle).setChecked(kIdWildcardCheck, wildcard);
  w.next();
}

// From page 132: the picked path up to page 136 (the capture runs on Next of 135).
void pickWindow(FakeWizard& w) {
  ASSERT_EQ(kPageChooseMethod, w.current());
  w.next();
  ASSERT_EQ(kPagePickWindow, w.current());
  w.next();
}

// From page 137: a password, then its confirmation.
void givePassword(FakeWizard& w, const char* password, const char* again) {
  ASSERT_EQ(kPagePasswordChoice, w.current());
  w.next();
  ASSERT_EQ(kPagePassword, w.current());
  w.page(kPagePassword).setItemText(kIdPasswordBox, password);
  w.next();
  ASSERT_EQ(kPageConfirmPassword, w.current());
  w.page(kPageConfirmPassword).setItemText(kIdPasswordBox, again);
  w.next();
}

void chooseNoPassword(FakeWizard& w) {
  ASSERT_EQ(kPagePasswordChoice, w.current());
  chooseRadio(w, kPagePasswordChoice, kIdProtectNoRadio, kIdProtectYesRadio);
  w.next();
}

// From page 140 to page 142.
void giveNumbers(FakeWizard& w, const char* tries, const char* minutes) {
  ASSERT_EQ(kPageTries, w.current());
  w.page(kPageTries).setItemText(kIdTriesBox, tries);
  w.next();
  ASSERT_EQ(kPageRelockTime, w.current());
  w.page(kPageRelockTime).setItemText(kIdMinutesBox, minutes);
  w.next();
}

// From page 142 to page 143.
void chooseAction(FakeWizard& w, int index) {
  ASSERT_EQ(kPageAction, w.current());
  w.page(kPageAction).selectListEntry(kIdActionList, index);
  w.next();
}

// The table mutex as another process can make it look: from the n-th wait
// on (counted from 1), every wait runs out.
class ScriptedKernel : public fakes::MemoryKernel {
 public:
  WaitResult waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) override {
    ++waits;
    if (timeOutFromWait > 0 && waits >= timeOutFromWait) return WaitResult::TimedOut;
    return MemoryKernel::waitMutex(mutex, timeoutMs);
  }
  int waits = 0;
  int timeOutFromWait = 0;
};

class NewLockWizardTest : public ::testing::Test {
 protected:
  NewLockWizardTest() {
    table.open(kernel);
    resetTableHeader(kernel.section());
    picker.windows[kNotepad] = {"Untitled - Notepad", "Notepad"};
    picker.windows[kUntitled] = {"", "Shell_TrayWnd"};
    picker.windows[kLongTitled] = {std::string(300, 'T'), "LongClass"};
    picker.frameHandle = frame.handle;
    // Our own windows have titles and classes too; they must never be picked.
    picker.windows[frame.handle] = {"New Lock Wizard", "#32770"};
    picker.windows[picker.managerWindow] = {"Vantakey Manager", "VkFrame"};
    picker.foreground = kNotepad;
    // No box may come up while the table mutex is held: every window
    // activation on the desktop waits for it.
    boxes.onShow = [this](const fakes::RecordingMessageBoxes::Box& box) {
      EXPECT_FALSE(kernel.mutexHeld()) << box.text;
    };
    runner.onMessageBox = [this](const fakes::MessageBoxShown& box) {
      EXPECT_FALSE(kernel.mutexHeld()) << box.text;
      pageBoxes.push_back(box);
    };
    files.onReplace = [this](const std::string&) { savedUnderMutex.push_back(kernel.mutexHeld()); };
  }

  // One run of the wizard, driven by `user`; left open, it is cancelled.
  void run(const User& user) {
    runner.users.push_back(user);
    runCreateLockWizard(state, store, runner, picker, kOwner);
  }

  void addStored(const char* title, const char* className) {
    ASSERT_TRUE(addLock(table, className, title, digestOf("x"), CloseWindow, 3, true, 300, false));
  }

  std::string text(const char* field) const { return std::string(field, boundedLength(field)); }
  LockRecord& pending() { return state.pendingLock; }

  fakes::EventLog log;
  ScriptedKernel kernel;
  LockTableView table;
  KernelHandle mutex = kernel.createMutex(kTableMutexName, false);
  ManagerSettings settings;
  fakes::MemoryFiles files;
  fakes::RecordingMessageBoxes boxes;  // owner-less boxes
  ManagerStore store{kernel, mutex, table, settings, files, boxes};
  fakes::FakeWizardFrame frame{log};
  fakes::FakeWindowPicker picker{log};
  fakes::FakeWizardRunner runner{frame};
  AuthoringState state;
  std::vector<fakes::MessageBoxShown> pageBoxes;  // boxes owned by a page, in order
  std::vector<bool> savedUnderMutex;
};

TEST_F(NewLockWizardTest, RunsElevenPagesInSheetOrderFromTheFirst) {
  run(nullptr);
  EXPECT_EQ((std::vector<int>{132, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143}),
            runner.pageIds);
  EXPECT_EQ(0, runner.startIndex);
  EXPECT_EQ(kOwner, runner.owner) << "owned by the manager window it was opened from";
}

TEST_F(NewLockWizardTest, FirstPageCentresTheFrameNamesItAndPreselectsPicking) {
  run([&](FakeWizard& w) {
    EXPECT_TRUE(log.contains("center frame"));
    EXPECT_EQ("New Lock Wizard", frame.caption);
    EXPECT_TRUE(w.page(kPageChooseMethod).isChecked(kIdSelectWindowRadio));
    EXPECT_EQ(WizardButtons::NextOnly, w.buttons());
    EXPECT_FALSE(w.back());  // Back is not offered on the first page
  });
}

// The pages each path goes through, with the buttons each page enables.
TEST_F(NewLockWizardTest, NextFollowsThePathOfTheChoices) {
  struct Case {
    const char* name;
    User user;
    std::vector<int> visited;
  };
  const std::vector<Case> cases = {
      {"typed, password",
       [](FakeWizard& w) {
         typeTitle(w, "Calc");
         givePassword(w, "pw", "pw");
         giveNumbers(w, "3", "5");
         chooseAction(w, 0);
       },
       {132, 134, 137, 138, 139, 140, 141, 142, 143}},
      {"picked, password",
       [](FakeWizard& w) {
         pickWindow(w);
         w.next();  // 136
         givePassword(w, "pw", "pw");
         giveNumbers(w, "3", "5");
         chooseAction(w, 0);
       },
       {132, 135, 136, 137, 138, 139, 140, 141, 142, 143}},
      {"typed, no password",
       [](FakeWizard& w) {
         typeTitle(w, "Calc");
         chooseNoPassword(w);
         chooseAction(w, 1);
       },
       {132, 134, 137, 142, 143}},
  };
  for (const Case& c : cases) {
    std::vector<int> visited;
    std::map<int, WizardButtons> buttons;
    run([&](FakeWizard& w) {
      c.user(w);
      visited = w.visited();
      buttons = w.buttonsSeen();
    });
    EXPECT_EQ(c.visited, visited) << c.name;
    for (const auto& page : buttons) {
      const WizardButtons expected = page.first == kPageChooseMethod ? WizardButtons::NextOnly
                                     : page.first == kPageSummary    ? WizardButtons::BackFinish
                                                                     : WizardButtons::BackNext;
      EXPECT_EQ(expected, page.second) << c.name << ", page " << page.first;
    }
  }
}

TEST_F(NewLockWizardTest, BackGoesWhereThePathCameFrom) {
  struct Case {
    const char* name;
    User reach;  // from page 132 to the page where Back is pressed
    int from;
    int to;
  };
  const std::vector<Case> cases = {
      {"135", [](FakeWizard& w) { w.next(); }, 135, 132},
      {"136", [](FakeWizard& w) { pickWindow(w); }, 136, 135},
      {"137 typed", [](FakeWizard& w) { typeTitle(w, "Calc"); }, 137, 134},
      {"137 picked",
       [](FakeWizard& w) {
         pickWindow(w);
         w.next();
       },
       137, 135},
      {"138",
       [](FakeWizard& w) {
         typeTitle(w, "Calc");
         w.next();
       },
       138, 137},
      {"139",
       [](FakeWizard& w) {
         typeTitle(w, "Calc");
         w.next();
         w.page(kPagePassword).setItemText(kIdPasswordBox, "pw");
         w.next();
       },
       139, 138},
      {"140",
       [](FakeWizard& w) {
         typeTitle(w, "Calc");
         givePassword(w, "pw", "pw");
       },
       140, 139},
      {"142 with password",
       [](FakeWizard& w) {
         typeTitle(w, "Calc");
         givePassword(w, "pw", "pw");
         giveNumbers(w, "3", "5");
       },
       142, 141},
      {"142 without password",
       [](FakeWizard& w) {
         typeTitle(w, "Calc");
         chooseNoPassword(w);
       },
       142, 137},
      {"143",
       [](FakeWizard& w) {
         typeTitle(w, "Calc");
         chooseNoPassword(w);
         chooseAction(w, 0);
       },
       143, 142},
  };
  for (const Case& c : cases) {
    run([&](FakeWizard& w) {
      c.reach(w);
      ASSERT_EQ(c.from, w.current()) << c.name;
      EXPECT_TRUE(w.back()) << c.name;
      EXPECT_EQ(c.to, w.current()) << c.name;
      EXPECT_EQ(0, w.unknownTargets()) << c.name;
    });
  }
}

TEST_F(NewLockWizardTest, BackToTheTypedTitleKeepsItsText) {
  run([](FakeWizard& w) {
    typeTitle(w, "*- Notepad", true);
    w.back();
    ASSERT_EQ(kPageTypedTitle, w.current());
    EXPECT_EQ("*- Notepad", w.page(kPageTypedTitle).itemText(kIdTitleBox));
    EXPECT_TRUE(w.page(kPageTypedTitle).isChecked(kIdWildcardCheck));
  });
}

TEST_F(NewLockWizardTest, TypedTitleIsStoredWithItsWildcardChoiceAndNoClass) {
  std::strcpy(pending().className, "Old");  // left by an earlier picked run
  run([](FakeWizard& w) { typeTitle(w, "*- Notepad", true); });
  EXPECT_EQ("*- Notepad", text(pending().title));
  EXPECT_EQ("", text(pending().className));
  EXPECT_EQ(1, pending().wildcard);
}

TEST_F(NewLockWizardTest, TypedTitleMustBeThereAndFitTheRecord) {
  struct Case {
    std::string title;
    const char* message;  // null: accepted
  } cases[] = {
      {"", kNoTitleTypedText},
      {std::string(256, 'x'), kTitleTooLongText},
      {std::string(255, 'x'), nullptr},
  };
  for (const Case& c : cases) {
    pageBoxes.clear();
    std::memset(pending().title, 0, sizeof pending().title);
    run([&](FakeWizard& w) {
      typeTitle(w, c.title);
      if (c.message == nullptr) {
        EXPECT_EQ(kPagePasswordChoice, w.current());
        EXPECT_TRUE(pageBoxes.empty());
        return;
      }
      EXPECT_EQ(kPageTypedTitle, w.current()) << c.title.size();
      ASSERT_EQ(1u, pageBoxes.size());
      EXPECT_EQ(c.message, pageBoxes[0].text);
      EXPECT_EQ("Error", pageBoxes[0].caption);
      EXPECT_EQ(kWarning, pageBoxes[0].style);
      EXPECT_EQ(kIdTitleBox, w.page(kPageTypedTitle).focus());
    });
    EXPECT_EQ(c.message == nullptr ? c.title : "", text(pending().title));
  }
}

TEST_F(NewLockWizardTest, CaptureHidesBothWindowsWaitsThenTakesTheForegroundWindow) {
  run([&](FakeWizard& w) {
    pickWindow(w);
    EXPECT_EQ(kPageConfirmWindow, w.current());
    EXPECT_EQ("Untitled - Notepad", w.page(kPageConfirmWindow).itemText(kIdPickedTitleText));
  });
  EXPECT_EQ((std::vector<std::string>{"center frame", "hide frame", "find manager window",
                                      "hide manager", "wait 7000", "take foreground",
                                      "frame to foreground", "show frame", "show manager",
                                      "read title of 0x1234", "read class of 0x1234",
                                      "check title of 0x1234"}),
            log.events);
  EXPECT_EQ("Untitled - Notepad", text(pending().title));
  EXPECT_EQ("Notepad", text(pending().className));
  EXPECT_EQ(0, pending().wildcard);
}

// Showing a hidden manager window after the capture would open it without
// the system password.
TEST_F(NewLockWizardTest, CaptureLeavesAHiddenManagerWindowHidden) {
  picker.managerVisible = false;
  run([&](FakeWizard& w) {
    pickWindow(w);
    EXPECT_EQ(kPageConfirmWindow, w.current());
  });
  EXPECT_FALSE(log.contains("hide manager"));
  EXPECT_FALSE(log.contains("show manager"));
  EXPECT_FALSE(picker.managerVisible);
  EXPECT_EQ("Notepad", text(pending().className));
}

// A title the ANSI code page cannot hold reads with question marks: as a lock
// it would also take every window whose title reads the same. Page 136
// refuses it; titles the code page holds, accented ones too, are picked.
TEST_F(NewLockWizardTest, PickedTitleThatTheCodePageCannotHoldIsRefused) {
  constexpr WindowRef kPicked = 0x4567;
  struct Case {
    const char* name;
    const char* ansiTitle;  // what GetWindowTextA gives under code page 1252
    const char* wideTitle;  // what GetWindowTextW gives, in UTF-8
    bool refused;
  };
  const Case cases[] = {
      {"Japanese", "???", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", true},
      {"Chinese", "???", "\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97", true},
      {"Emoji", "Party ?? - Browser", "Party \xF0\x9F\x8E\x89 - Browser", true},
      {"BestFit", "Ana - Editor", "\xC4\x80na - Editor", true},  // A with macron read as A
      {"AccentedLatin", "Caf\xE9 cr\xE8me - Editor", "Caf\xC3\xA9 cr\xC3\xA8me - Editor", false},
      {"Ascii", "Report - Editor", "Report - Editor", false},
  };
  for (const Case& c : cases) {
    picker.windows[kPicked] = {c.ansiTitle, "PickedClass", c.wideTitle};
    picker.foreground = kPicked;
    pageBoxes.clear();
    run([&](FakeWizard& w) {
      pickWindow(w);
      ASSERT_EQ(kPageConfirmWindow, w.current()) << c.name;
      EXPECT_EQ(c.ansiTitle, w.page(kPageConfirmWindow).itemText(kIdPickedTitleText)) << c.name;
      w.next();
      EXPECT_EQ(c.refused ? kPageConfirmWindow : kPagePasswordChoice, w.current()) << c.name;
    });
    if (c.refused) {
      ASSERT_EQ(1u, pageBoxes.size()) << c.name;
      EXPECT_EQ(kTitleNotInCodePageText, pageBoxes[0].text);
      EXPECT_EQ("Vantakey", pageBoxes[0].caption);
      EXPECT_EQ(kWarning, pageBoxes[0].style);
    } else {
      EXPECT_TRUE(pageBoxes.empty()) << c.name;
      EXPECT_EQ(c.ansiTitle, text(pending().title)) << c.name;
    }
  }
  EXPECT_EQ(0u, table.recordCount());
}

// The refusal belongs to that pick: Back and a pick of another window goes on,
// and a lock is made for that window only.
TEST_F(NewLockWizardTest, AfterARefusedTitleAnotherPickGoesOnToFinish) {
  constexpr WindowRef kPicked = 0x4567;
  picker.windows[kPicked] = {"???", "PickedClass", "\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97"};
  picker.foreground = kPicked;
  run([&](FakeWizard& w) {
    pickWindow(w);
    w.next();
    ASSERT_EQ(kPageConfirmWindow, w.current());
    w.back();
    ASSERT_EQ(kPagePickWindow, w.current());
    picker.foreground = kNotepad;
    w.next();
    ASSERT_EQ(kPageConfirmWindow, w.current());
    w.next();
    ASSERT_EQ(kPagePasswordChoice, w.current());
    chooseRadio(w, kPagePasswordChoice, kIdProtectNoRadio, kIdProtectYesRadio);
    w.next();
    ASSERT_EQ(kPageAction, w.current());
    w.next();
    ASSERT_EQ(kPageSummary, w.current());
    w.finish();
  });
  ASSERT_EQ(1u, table.recordCount());
  EXPECT_EQ("Untitled - Notepad", text(table.record(0).title()));
  EXPECT_EQ("Notepad", text(table.record(0).className()));
}

TEST_F(NewLockWizardTest, CaptureWithoutAManagerWindowStillPicks) {
  picker.managerWindow = kNoWindow;
  run([](FakeWizard& w) { pickWindow(w); });
  EXPECT_FALSE(log.contains("hide manager"));
  EXPECT_EQ("Notepad", text(pending().className));
}

TEST_F(NewLockWizardTest, PickedTitleIsCutTo254Characters) {
  picker.foreground = kLongTitled;
  run([](FakeWizard& w) { pickWindow(w); });
  EXPECT_EQ(std::string(254, 'T'), text(pending().title));
  EXPECT_EQ("LongClass", text(pending().className));
}

// Nothing picked (no foreground window, or only our own) must not become a
// lock with empty title and class: that would lock every window.
TEST_F(NewLockWizardTest, NothingPickedIsShownAsUntitledAndRefused) {
  const WindowRef nothing[] = {kNoWindow, frame.handle, picker.managerWindow};
  for (WindowRef foreground : nothing) {
    std::strcpy(pending().title, "typed earlier");
    std::strcpy(pending().className, "Earlier");
    picker.foreground = foreground;
    pageBoxes.clear();
    run([&](FakeWizard& w) {
      pickWindow(w);
      EXPECT_EQ("(Window Has No Title)", w.page(kPageConfirmWindow).itemText(kIdPickedTitleText));
      w.next();
      EXPECT_EQ(kPageConfirmWindow, w.current()) << foreground;
    });
    EXPECT_EQ("", text(pending().title)) << foreground;
    EXPECT_EQ("", text(pending().className)) << foreground;
    ASSERT_EQ(1u, pageBoxes.size()) << foreground;
    EXPECT_EQ(kNothingPickedText, pageBoxes[0].text);
    EXPECT_EQ("Vantakey", pageBoxes[0].caption);
    EXPECT_EQ(kWarning, pageBoxes[0].style);
  }
}

TEST_F(NewLockWizardTest, UntitledWindowWithAClassCanBePicked) {
  picker.foreground = kUntitled;
  run([](FakeWizard& w) {
    pickWindow(w);
    EXPECT_EQ("(Window Has No Title)", w.page(kPageConfirmWindow).itemText(kIdPickedTitleText));
    w.next();
    EXPECT_EQ(kPagePasswordChoice, w.current());
  });
  EXPECT_TRUE(pageBoxes.empty());
}

TEST_F(NewLockWizardTest, DuplicateTestComparesTitleAndClassWithEmptyStoredFieldsAsAny) {
  struct Stored {
    const char* title;
    const char* className;
  };
  struct Case {
    const char* name;
    std::vector<Stored> stored;
    bool duplicate;
  } cases[] = {
      {"same title in other case, same class", {{"UNTITLED - notepad", "Notepad"}}, true},
      {"class in other case", {{"Untitled - Notepad", "NOTEPAD"}}, true},
      {"typed lock of that title", {{"Untitled - Notepad", ""}}, true},
      {"empty title, same class", {{"", "Notepad"}}, true},
      {"empty title and class", {{"", ""}}, true},
      {"match after others", {{"Calc", ""}, {"", "Edit"}, {"untitled - notepad", "notepad"}}, true},
      {"other class", {{"Untitled - Notepad", "Edit"}}, false},
      {"empty title, other class", {{"", "Edit"}}, false},
      {"other title", {{"Notepad", "Notepad"}}, false},
      {"pattern is not expanded", {{"*Notepad", ""}}, false},
      {"no locks", {}, false},
  };
  for (const Case& c : cases) {
    table.setRecordCount(0);
    for (const Stored& s : c.stored) addStored(s.title, s.className);
    boxes.shown.clear();
    pageBoxes.clear();
    int after = 0;
    run([&](FakeWizard& w) {
      pickWindow(w);
      w.next();
      after = w.current();
    });
    EXPECT_EQ(c.duplicate ? kPageConfirmWindow : kPagePasswordChoice, after) << c.name;
    EXPECT_TRUE(pageBoxes.empty()) << c.name;
    if (!c.duplicate) {
      EXPECT_TRUE(boxes.shown.empty()) << c.name;
      continue;
    }
    ASSERT_EQ(1u, boxes.shown.size()) << c.name;
    EXPECT_EQ("That window has already been locked.\nYou cannot lock a window more than once.",
              boxes.shown[0].text);
    EXPECT_EQ("Vantakey", boxes.shown[0].caption);
    EXPECT_EQ(kWarning, boxes.shown[0].style);
  }
}

TEST_F(NewLockWizardTest, PickedEmptyTitleAgreesOnlyWithEmptyStoredTitles) {
  EXPECT_TRUE(sameWindow("", "Tray", "", "Tray"));
  EXPECT_FALSE(sameWindow("Clock", "Tray", "", "Tray"));
  // Only ASCII letters are folded, as the runtime's comparison does.
  EXPECT_FALSE(sameWindow("\xC9t\xE9", "", "\xE9t\xE9", "X"));
}

TEST_F(NewLockWizardTest, TypedTitlesAreNotTestedForDuplicates) {
  addStored("Calc", "");
  run([](FakeWizard& w) {
    typeTitle(w, "Calc");
    EXPECT_EQ(kPagePasswordChoice, w.current());
  });
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(kernel.mutexCalls().empty());
}

TEST_F(NewLockWizardTest, DuplicateTestHoldsTheMutexOncePerRecordAndReleasesIt) {
  addStored("A", "");
  addStored("B", "");
  run([](FakeWizard& w) {
    pickWindow(w);
    w.next();
  });
  int waits = 0;
  for (const auto& call : kernel.mutexCalls()) {
    if (call.kind == fakes::MemoryKernel::MutexCall::Wait) {
      ++waits;
      EXPECT_EQ(kMutexWaitMs, call.timeoutMs);
    }
  }
  EXPECT_EQ(3, waits);  // the count, then each of the two records
  EXPECT_FALSE(kernel.mutexHeld());
}

TEST_F(NewLockWizardTest, BusyTableKeepsThePickedPageAndTellsTheUser) {
  addStored("Untitled - Notepad", "Notepad");
  kernel.setWaitResult(WaitResult::TimedOut);
  run([](FakeWizard& w) {
    pickWindow(w);
    w.next();
    EXPECT_EQ(kPageConfirmWindow, w.current());
  });
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(1u, pageBoxes.size());
  EXPECT_EQ("Vantakey could not reach its lock table. Please try again.", pageBoxes[0].text);
  EXPECT_EQ("Vantakey", pageBoxes[0].caption);
  EXPECT_EQ(kWarning, pageBoxes[0].style);
}

TEST_F(NewLockWizardTest, TableBusyInTheMiddleOfTheScanReadsNoFurtherRecord) {
  addStored("Calc", "");
  addStored("Untitled - Notepad", "Notepad");
  kernel.timeOutFromWait = 3;  // the count and record 0 are read, record 1 is not
  run([](FakeWizard& w) {
    pickWindow(w);
    w.next();
    EXPECT_EQ(kPageConfirmWindow, w.current());
  });
  EXPECT_TRUE(boxes.shown.empty());  // no duplicate was seen
  ASSERT_EQ(1u, pageBoxes.size());
  EXPECT_EQ(kTableUnreachableText, pageBoxes[0].text);
}

TEST_F(NewLockWizardTest, PasswordMustBeTyped) {
  run([&](FakeWizard& w) {
    typeTitle(w, "Calc");
    w.next();
    w.next();  // empty box
    EXPECT_EQ(kPagePassword, w.current());
    EXPECT_EQ(kIdPasswordBox, w.page(kPagePassword).focus());
  });
  ASSERT_EQ(1u, pageBoxes.size());
  EXPECT_EQ("You must type a password.", pageBoxes[0].text);
  EXPECT_EQ("Invalid Password", pageBoxes[0].caption);
  EXPECT_EQ(kWarning, pageBoxes[0].style);
}

// The lock prompt reads at most 255 characters: a longer password could be
// set but never typed back.
TEST_F(NewLockWizardTest, PasswordLongerThan255CharactersIsRefused) {
  const std::string longest(255, 'p');
  const std::string tooLong(256, 'p');
  run([&](FakeWizard& w) {
    typeTitle(w, "Calc");
    w.next();
    w.page(kPagePassword).setItemText(kIdPasswordBox, tooLong.c_str());
    w.next();
    EXPECT_EQ(kPagePassword, w.current());
    EXPECT_EQ(kIdPasswordBox, w.page(kPagePassword).focus());
    w.page(kPagePassword).setItemText(kIdPasswordBox, longest.c_str());
    w.next();
    EXPECT_EQ(kPageConfirmPassword, w.current());
    w.page(kPageConfirmPassword).setItemText(kIdPasswordBox, longest.c_str());
    w.next();
    EXPECT_EQ(kPageTries, w.current());
  });
  ASSERT_EQ(1u, pageBoxes.size());
  EXPECT_EQ(kPasswordTooLongText, pageBoxes[0].text);
  EXPECT_EQ("Invalid Password", pageBoxes[0].caption);
  EXPECT_EQ(kWarning, pageBoxes[0].style);
  EXPECT_EQ(digestOf(longest.c_str()), pending().digest);
}

// Only the digest is needed after the wizard: the typed password is wiped
// however the wizard ends.
TEST_F(NewLockWizardTest, TheTypedPasswordIsWipedWhenTheWizardEnds) {
  const std::vector<User> endings = {
      [](FakeWizard& w) {
        typeTitle(w, "Calc");
        givePassword(w, "Secret", "Secret");
        giveNumbers(w, "3", "5");
        chooseAction(w, 0);
        w.finish();
      },
      [](FakeWizard& w) {
        typeTitle(w, "Notepad");
        givePassword(w, "Secret", "Secret");
        w.cancel();
      }};
  for (const User& ending : endings) {
    bool keptDuringRun = false;
    run([&](FakeWizard& w) {
      ending(w);
      keptDuringRun = std::string(state.pendingLockPassword) == "Secret";
    });
    EXPECT_TRUE(keptDuringRun);
    EXPECT_TRUE(std::all_of(std::begin(state.pendingLockPassword),
                            std::end(state.pendingLockPassword), [](char c) { return c == 0; }));
  }
  EXPECT_EQ(1u, table.recordCount());
  EXPECT_EQ(digestOf("Secret"), table.record(0).digest());
}

TEST_F(NewLockWizardTest, ConfirmationMustMatchExactly) {
  struct Case {
    const char* again;
    bool accepted;
  } cases[] = {{"Secret", true}, {"secret", false}, {"SECRET", false}, {"", false},
               {"Secret ", false}};
  for (const Case& c : cases) {
    pending().digest = PasswordDigest{};
    pageBoxes.clear();
    run([&](FakeWizard& w) {
      typeTitle(w, "Calc");
      givePassword(w, "Secret", c.again);
      EXPECT_EQ(c.accepted ? kPageTries : kPagePassword, w.current()) << c.again;
    });
    if (c.accepted) {
      EXPECT_TRUE(pageBoxes.empty());
      EXPECT_EQ(digestOf("Secret"), pending().digest);  // as typed, not lower-cased
      continue;
    }
    EXPECT_EQ(PasswordDigest{}, pending().digest) << c.again;
    ASSERT_EQ(1u, pageBoxes.size()) << c.again;
    EXPECT_EQ("You did not type the same password twice. Please try again.", pageBoxes[0].text);
    EXPECT_EQ("Password Error", pageBoxes[0].caption);
    EXPECT_EQ(kWarning, pageBoxes[0].style);
  }
}

TEST_F(NewLockWizardTest, NumberPagesStartAtThreeAndFiveWithTheirUpDownRanges) {
  run([](FakeWizard& w) {
    typeTitle(w, "Calc");
    givePassword(w, "pw", "pw");
    EXPECT_EQ("3", w.page(kPageTries).itemText(kIdTriesBox));
    EXPECT_EQ(std::make_pair(1, 10), w.page(kPageTries).upDownRange(kIdTriesUpDown));
    w.next();
    EXPECT_EQ("5", w.page(kPageRelockTime).itemText(kIdMinutesBox));
    EXPECT_EQ(std::make_pair(1, 60), w.page(kPageRelockTime).upDownRange(kIdTriesUpDown));
  });
}

TEST_F(NewLockWizardTest, TriesAndMinutesAreAcceptedFromOneTo65535) {
  struct Case {
    const char* typed;
    bool accepted;
    std::uint16_t tries;
    std::int32_t seconds;
  } cases[] = {
      {"1", true, 1, 60},
      {"5", true, 5, 300},
      {"65535", true, 65535, 3932100},
      {" 12x", true, 12, 720},  // read as atoi reads it
      {"0", false, 0, 0},
      {"65536", false, 0, 0},  // its low 16 bits are 0
      {"65537", false, 0, 0},  // would wrap to 1
      {"70000", false, 0, 0},
      {"", false, 0, 0},
      {"-3", false, 0, 0},
      {"99999999999999999999", false, 0, 0},
  };
  for (const Case& c : cases) {
    for (int page : {kPageTries, kPageRelockTime}) {
      pending().maxTries = 0;
      pending().relockSeconds = 0;
      pageBoxes.clear();
      run([&](FakeWizard& w) {
        typeTitle(w, "Calc");
        givePassword(w, "pw", "pw");
        if (page == kPageRelockTime) w.next();
        const int box = page == kPageTries ? kIdTriesBox : kIdMinutesBox;
        w.page(page).setItemText(box, c.typed);
        w.next();
        EXPECT_EQ(c.accepted ? page + 1 : page, w.current()) << c.typed << " on " << page;
      });
      if (c.accepted) {
        EXPECT_TRUE(pageBoxes.empty());
        if (page == kPageTries) {
          EXPECT_EQ(c.tries, pending().maxTries) << c.typed;
        } else {
          EXPECT_EQ(c.seconds, pending().relockSeconds) << c.typed;
        }
        continue;
      }
      EXPECT_EQ(0, page == kPageTries ? pending().maxTries : pending().relockSeconds) << c.typed;
      ASSERT_EQ(1u, pageBoxes.size()) << c.typed << " on " << page;
      EXPECT_EQ("You must enter a positive integer in the box. Please try again.",
                pageBoxes[0].text);
      EXPECT_EQ("Error", pageBoxes[0].caption);
      EXPECT_EQ(kWarning, pageBoxes[0].style);
    }
  }
}

TEST_F(NewLockWizardTest, ActionListOffersThreeEntriesWithTheFirstSelected) {
  struct Case {
    int index;
    std::uint16_t code;
  } cases[] = {{0, CloseWindow}, {1, DenyAccess}, {2, ShutdownComputer}};
  for (const Case& c : cases) {
    run([&](FakeWizard& w) {
      typeTitle(w, "Calc");
      chooseNoPassword(w);
      EXPECT_EQ((std::vector<std::string>{"Close Window", "Deny Access", "Shutdown Computer"}),
                w.page(kPageAction).listEntries(kIdActionList));
      EXPECT_EQ(0, w.page(kPageAction).listSelection(kIdActionList));
      chooseAction(w, c.index);
    });
    EXPECT_EQ(c.code, pending().action) << c.index;
  }
}

TEST_F(NewLockWizardTest, SummaryShowsTheChoicesInItsFixedLayout) {
  run([](FakeWizard& w) {
    typeTitle(w, "*- Notepad", true);
    givePassword(w, "pw", "pw");
    giveNumbers(w, "4", "5");
    chooseAction(w, 2);
    EXPECT_EQ(WizardButtons::BackFinish, w.buttons());
    EXPECT_EQ(
        "Window title: \t  *- Notepad\r\n"
        "Wildcard matching: \t  Yes\r\n"
        "Password protected:  Yes\r\n"
        "Password tries: \t  4\r\n"
        "Time until re-lock: \t  5 minute(s)\r\n"
        "Action: \t\t  Shutdown Computer",
        w.page(kPageSummary).itemText(kIdSummaryBox));
    // Every label ends in a tab; one stop for all lines keeps the values in a column.
    EXPECT_GT(w.page(kPageSummary).tabStops(kIdSummaryBox), 0);
  });
  EXPECT_EQ(300, pending().relockSeconds);
}

TEST_F(NewLockWizardTest, SummaryWithoutPasswordShowsNotApplicable) {
  pending().maxTries = 7;  // left by an earlier run
  pending().relockSeconds = 600;
  run([](FakeWizard& w) {
    pickWindow(w);
    w.next();
    chooseNoPassword(w);
    chooseAction(w, 1);
    EXPECT_EQ(
        "Window title: \t  Untitled - Notepad\r\n"
        "Wildcard matching: \t  No\r\n"
        "Password protected:  No\r\n"
        "Password tries: \t  N/A\r\n"
        "Time until re-lock: \t  N/A minute(s)\r\n"
        "Action: \t\t  Deny Access",
        w.page(kPageSummary).itemText(kIdSummaryBox));
  });
}

TEST_F(NewLockWizardTest, SummaryNamesEveryActionAndKeepsAnEmptyTitleEmpty) {
  LockRecord lock{};
  lock.action = LockComputer;
  lock.digest = digestOf("pw");
  lock.maxTries = 3;
  lock.relockSeconds = 119;  // whole minutes, rounded down
  EXPECT_EQ(
      "Window title: \t  \r\nWildcard matching: \t  No\r\nPassword protected:  Yes\r\n"
      "Password tries: \t  3\r\nTime until re-lock: \t  1 minute(s)\r\nAction: \t\t  Lock Computer",
      lockSummary(lock));
  EXPECT_STREQ("Close Window", summaryActionText(CloseWindow));
  EXPECT_STREQ("Deny Access", summaryActionText(DenyAccess));
  EXPECT_STREQ("Shutdown Computer", summaryActionText(ShutdownComputer));
}

TEST_F(NewLockWizardTest, FinishAppendsTheLockInForceAndSavesUnderTheMutex) {
  bool finished = false;
  run([&](FakeWizard& w) {
    pickWindow(w);
    w.next();
    givePassword(w, "Secret", "Secret");
    giveNumbers(w, "4", "10");
    chooseAction(w, 1);
    EXPECT_TRUE(w.finish());
    finished = w.finished();
  });
  EXPECT_TRUE(finished);
  ASSERT_EQ(1u, table.recordCount());
  const LockRecord r = table.record(0).copy();
  EXPECT_EQ("Untitled - Notepad", text(r.title));
  EXPECT_EQ("Notepad", text(r.className));
  EXPECT_EQ(digestOf("Secret"), r.digest);
  EXPECT_EQ(DenyAccess, r.action);
  EXPECT_EQ(4, r.maxTries);
  EXPECT_EQ(600, r.relockSeconds);
  EXPECT_EQ(0, r.wildcard);
  EXPECT_EQ(1, r.enabled);
  EXPECT_EQ(0, r.unlockedAt);
  EXPECT_EQ(0, r.promptBusy);
  EXPECT_EQ(0, r.failedTries);
  // Written with the table mutex free: window activations never wait for the disk.
  EXPECT_EQ((std::vector<bool>{false}), savedUnderMutex);
  EXPECT_TRUE(files.exists(files.dataPathOf("vk2.dat")));
  EXPECT_FALSE(kernel.mutexHeld());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(pageBoxes.empty());
}

TEST_F(NewLockWizardTest, CancelOnAnyPageWritesNothing) {
  for (int pagesForward = 0; pagesForward <= 8; ++pagesForward) {
    run([&](FakeWizard& w) {
      typeTitle(w, "Calc");
      givePassword(w, "pw", "pw");
      giveNumbers(w, "3", "5");
      chooseAction(w, 0);
      for (int i = 0; i < 8 - pagesForward && w.back(); ++i) {
      }
      EXPECT_TRUE(w.cancel());
      EXPECT_TRUE(w.closed());
      EXPECT_FALSE(w.finished());
    });
  }
  EXPECT_EQ(0u, table.recordCount());
  EXPECT_EQ(0, files.replaceCalls);
}

TEST_F(NewLockWizardTest, FinishWithABusyTableStaysAndCanBeRetried) {
  kernel.setWaitResult(WaitResult::TimedOut);
  run([&](FakeWizard& w) {
    typeTitle(w, "Calc");
    chooseNoPassword(w);
    chooseAction(w, 0);
    w.finish();
    EXPECT_FALSE(w.closed());
    EXPECT_EQ(kPageSummary, w.current());
    EXPECT_EQ(0u, table.recordCount());
    EXPECT_EQ(0, files.replaceCalls);
    kernel.setWaitResult(WaitResult::Acquired);
    w.finish();
    EXPECT_TRUE(w.finished());
  });
  ASSERT_EQ(1u, pageBoxes.size());
  EXPECT_EQ(kTableUnreachableText, pageBoxes[0].text);
  EXPECT_EQ("Vantakey", pageBoxes[0].caption);
  EXPECT_EQ(1u, table.recordCount());
}

TEST_F(NewLockWizardTest, FailedSaveKeepsTheLockAndIsReportedAfterTheRelease) {
  files.createFails = true;
  bool finished = false;
  run([&](FakeWizard& w) {
    typeTitle(w, "Calc");
    chooseNoPassword(w);
    chooseAction(w, 0);
    w.finish();
    finished = w.finished();
  });
  EXPECT_TRUE(finished);
  EXPECT_EQ(1u, table.recordCount());
  ASSERT_EQ(1u, boxes.shown.size());  // the onShow hook checks the mutex was free
  EXPECT_EQ(kSaveFailedText, boxes.shown[0].text);
  EXPECT_EQ(kSaveFailedCaption, boxes.shown[0].caption);
}

TEST_F(NewLockWizardTest, FinishOnAFullTableCreatesNothingAndSaysWhy) {
  for (int i = 0; i < 60; ++i) addStored(("W" + std::to_string(i)).c_str(), "");
  bool closed = false;
  run([&](FakeWizard& w) {
    typeTitle(w, "Calc");
    chooseNoPassword(w);
    chooseAction(w, 0);
    w.finish();
    closed = w.closed();
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(60u, table.recordCount());
  EXPECT_EQ(0, files.replaceCalls);
  ASSERT_EQ(1u, pageBoxes.size());
  EXPECT_EQ(kCapacityText, pageBoxes[0].text);
  EXPECT_EQ("Vantakey", pageBoxes[0].caption);
  EXPECT_EQ(kWarning, pageBoxes[0].style);
}

// PendingLock outlives a run: a field whose page is not visited keeps what
// the previous run left there.
TEST_F(NewLockWizardTest, SecondRunCarriesOverOnlyWhatItsPagesDoNotSet) {
  run([](FakeWizard& w) {
    typeTitle(w, "*- Notepad", true);
    givePassword(w, "pw", "pw");
    giveNumbers(w, "4", "10");
    chooseAction(w, 0);
    w.finish();
  });
  run([](FakeWizard& w) {
    // The pages are new: their first texts and selections are back.
    EXPECT_TRUE(w.page(kPageChooseMethod).isChecked(kIdSelectWindowRadio));
    pickWindow(w);
    w.next();
    EXPECT_TRUE(w.page(kPagePasswordChoice).isChecked(kIdProtectYesRadio));
    chooseNoPassword(w);
    chooseAction(w, 2);
    w.finish();
  });
  ASSERT_EQ(2u, table.recordCount());
  const LockRecord second = table.record(1).copy();
  EXPECT_EQ("Untitled - Notepad", text(second.title));
  EXPECT_EQ("Notepad", text(second.className));
  EXPECT_EQ(0, second.wildcard);
  EXPECT_TRUE(isZeroDigest(second.digest));
  EXPECT_EQ(ShutdownComputer, second.action);
  EXPECT_EQ(4, second.maxTries);  // from the first run; unused without a password
  EXPECT_EQ(600, second.relockSeconds);
}

}  // namespace
}  // namespace vk
