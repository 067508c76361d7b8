#include "manager/shell/lock_list_view.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/unit/shell/shell_test_support.h"

namespace vk {
namespace {

using shelltest::LockSpec;

class LockListViewTest : public shelltest::ManagerWindowTest {
 protected:
  std::string cell(std::uint32_t index, int subItem) {
    char text[kCellTextCapacity];
    lockList.cellText(index, subItem, text, sizeof text);
    return text;
  }

  LockListView lockList{world.list, store, world.clock};
};

struct CellCase {
  const char* name;
  bool enabled;
  bool password;
  bool neverOpened;            // unlockedAt 0
  std::int32_t openedSecondsAgo;  // now - unlockedAt otherwise (negative: in the future)
  std::int32_t relockSeconds;
  std::uint16_t maxTries;
  std::uint16_t action;
  int subItem;
  const char* expected;
};

void PrintTo(const CellCase& c, std::ostream* os) { *os << c.name; }

const CellCase kCellCases[] = {
    {"OpenedTenSecondsAgo", true, true, false, 10, 300, 3, CloseWindow, 1, "No (T)"},
    {"OpenedOneSecondBeforeRelock", true, true, false, 299, 300, 3, CloseWindow, 1, "No (T)"},
    {"RelockPeriodJustOver", true, true, false, 300, 300, 3, CloseWindow, 1, "Yes"},
    {"OpenedThisSecond", true, true, false, 0, 300, 3, CloseWindow, 1, "Yes"},
    {"OpenedInTheFuture", true, true, false, -50, 300, 3, CloseWindow, 1, "Yes"},
    {"NeverOpened", true, true, true, 0, 300, 3, CloseWindow, 1, "Yes"},
    {"DisabledWhileOpen", false, true, false, 10, 300, 3, CloseWindow, 1, "No"},
    {"DisabledNeverOpened", false, true, true, 0, 300, 3, CloseWindow, 1, "No"},
    {"HasPassword", true, true, true, 0, 300, 3, CloseWindow, 2, "Yes"},
    {"NoPassword", true, false, true, 0, 300, 3, CloseWindow, 2, "No"},
    {"Tries", true, true, true, 0, 300, 3, CloseWindow, 3, "3"},
    {"TriesAsUnsigned", true, true, true, 0, 300, 65535, CloseWindow, 3, "65535"},
    {"TriesWithoutPassword", true, false, true, 0, 300, 3, CloseWindow, 3, "N/A"},
    {"NinetySecondsIsOneMinute", true, true, true, 0, 90, 3, CloseWindow, 4, "1"},
    {"FiftyNineSecondsIsZero", true, true, true, 0, 59, 3, CloseWindow, 4, "0"},
    {"FiveMinutes", true, true, true, 0, 300, 3, CloseWindow, 4, "5"},
    {"NegativeTruncatesTowardZero", true, true, true, 0, -90, 3, CloseWindow, 4, "-1"},
    {"TimeoutWithoutPassword", true, false, true, 0, 300, 3, CloseWindow, 4, "N/A"},
    {"CloseWindow", true, true, true, 0, 300, 3, CloseWindow, 5, "Close Window"},
    {"DenyAccess", true, true, true, 0, 300, 3, DenyAccess, 5, "Deny Access"},
    {"LockSystem", true, true, true, 0, 300, 3, LockComputer, 5, "Lock System"},
    {"Shutdown", true, true, true, 0, 300, 3, ShutdownComputer, 5, "Shutdown Computer"},
    {"UnknownActionActsAsDeny", true, true, true, 0, 300, 3, 3, 5, "Deny Access"},
    {"ZeroActionActsAsDeny", true, true, true, 0, 300, 3, 0, 5, "Deny Access"},
    {"Title", true, true, true, 0, 300, 3, CloseWindow, 0, "Untitled - Notepad"},
};

class CellTextTest : public LockListViewTest, public ::testing::WithParamInterface<CellCase> {};

TEST_P(CellTextTest, ShowsTheRecordAsTheUserReadsIt) {
  const CellCase& c = GetParam();
  LockSpec spec;
  spec.title = "Untitled - Notepad";
  spec.password = c.password ? "secret" : "";
  spec.enabled = c.enabled;
  spec.relockSeconds = c.relockSeconds;
  spec.maxTries = c.maxTries;
  spec.action = c.action;
  addLock(spec);
  table.record(0).setUnlockedAt(c.neverOpened ? 0 : world.clock.time - c.openedSecondsAgo);

  char text[kCellTextCapacity];
  EXPECT_TRUE(lockList.cellText(0, c.subItem, text, sizeof text));
  EXPECT_STREQ(c.expected, text);
  EXPECT_EQ(0, world.kernel.ourOwnership(kTableMutexName)) << "released inside the call";
}

INSTANTIATE_TEST_SUITE_P(Cells, CellTextTest, ::testing::ValuesIn(kCellCases),
                         [](const ::testing::TestParamInfo<CellCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(LockListViewTest, ACellOfNoRecordIsEmpty) {
  addLock(LockSpec{});
  char text[kCellTextCapacity] = "old";
  EXPECT_FALSE(lockList.cellText(1, 0, text, sizeof text));
  EXPECT_STREQ("", text);
  EXPECT_FALSE(lockList.cellText(0, kLockListColumnCount, text, sizeof text));
  EXPECT_STREQ("", text);
}

TEST_F(LockListViewTest, ACellWhoseMutexWaitRunsOutIsEmptyAndReadsNothing) {
  addLock(LockSpec{});
  world.kernel.setTimingOut(kTableMutexName, true);
  char text[kCellTextCapacity] = "old";
  EXPECT_FALSE(lockList.cellText(0, 0, text, sizeof text));
  EXPECT_STREQ("", text);
  EXPECT_EQ(kMutexWaitMs, world.kernel.longestWaitMs());
}

TEST_F(LockListViewTest, AFullLengthTitleIsCutOnlyByTheBuffer) {
  const std::string longTitle(kMaxTitleLength, 't');
  LockSpec spec;
  spec.title = longTitle.c_str();
  addLock(spec);
  EXPECT_EQ(longTitle, cell(0, 0));
  char small[8];
  lockList.cellText(0, 0, small, sizeof small);
  EXPECT_STREQ("ttttttt", small);
}

TEST_F(LockListViewTest, CreatesTheSixColumns) {
  ASSERT_TRUE(lockList.create());
  ASSERT_EQ(6u, world.list.columns.size());
  const char* headers[] = {"Window Title", "Locked", "Password", "Tries", "Timeout", "Action"};
  const int widths[] = {475, 50, 60, 45, 50, 110};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(headers[i], world.list.columns[i].header);
    EXPECT_EQ(widths[i], world.list.columns[i].width);
    EXPECT_EQ(i == 0 ? ColumnAlign::Left : ColumnAlign::Center, world.list.columns[i].align);
  }
}

// At 125 %, 150 % and 200 % every column grows with the screen, and the
// title column keeps filling what the others leave.
TEST_F(LockListViewTest, ColumnWidthsGrowWithTheScreensDpi) {
  const struct {
    int dpi;
    int widths[6];
    int clientWidth;
    int titleWidth;
    int narrowTitleWidth;  // in a list too narrow for the other columns
  } cases[] = {{96, {475, 50, 60, 45, 50, 110}, 800, 485, 100},
               {120, {594, 63, 75, 56, 63, 138}, 1000, 605, 125},
               {144, {713, 75, 90, 68, 75, 165}, 1200, 727, 150},
               {192, {950, 100, 120, 90, 100, 220}, 1600, 970, 200}};
  for (const auto& c : cases) {
    fakes::FakeListControl list;
    list.dpiValue = c.dpi;
    LockListView view(list, store, world.clock);
    ASSERT_TRUE(view.create());
    ASSERT_EQ(6u, list.columns.size());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(c.widths[i], list.columns[i].width) << c.dpi << " DPI, column " << i;
    list.clientWidthPixels = c.clientWidth;
    view.fitTitleColumn();
    EXPECT_EQ(c.titleWidth, list.columns[0].width) << c.dpi << " DPI";
    list.clientWidthPixels = 10;
    view.fitTitleColumn();
    EXPECT_EQ(c.narrowTitleWidth, list.columns[0].width) << c.dpi << " DPI";
  }
}

// A header that does not fit its column at the table's width widens the
// column instead of showing as "Time..."; the title column gives up the room.
TEST_F(LockListViewTest, AColumnTooNarrowForItsHeaderGrowsToFitIt) {
  // "Locked": 6 x 7 + 12 = 54 > 50; "Password": 68 > 60; "Tries": 47 > 45;
  // "Timeout": 61 > 50; "Action" fits.
  world.list.headerCharPixels = 7;
  ASSERT_TRUE(lockList.create());
  const int widths[] = {475, 54, 68, 47, 61, 110};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(widths[i], world.list.columns[i].width) << "column " << i;
  world.list.clientWidthPixels = 800;
  lockList.fitTitleColumn();
  EXPECT_EQ(800 - (54 + 68 + 47 + 61 + 110), world.list.columns[0].width);
}

TEST_F(LockListViewTest, NoColumnsWhenTheControlIsNotCreated) {
  world.list.createFails = true;
  EXPECT_FALSE(lockList.create());
  EXPECT_TRUE(world.list.columns.empty());
}

TEST_F(LockListViewTest, TitleColumnFillsTheWidthLeftWithAMinimum) {
  ASSERT_TRUE(lockList.create());
  const struct {
    int clientWidth;
    int titleWidth;
  } cases[] = {{800, 485}, {484, 169}, {416, 101}, {415, 100}, {300, 100}, {0, 100}};
  for (const auto& c : cases) {
    world.list.clientWidthPixels = c.clientWidth;
    lockList.fitTitleColumn();
    EXPECT_EQ(c.titleWidth, world.list.columns[0].width) << "client width " << c.clientWidth;
  }
}

TEST_F(LockListViewTest, FillRowsGivesEachRecordARowNamedByItsIndex) {
  addLocks(3);
  lockList.fillRows();
  ASSERT_EQ(3, world.list.rowCount());
  EXPECT_EQ((std::vector<std::intptr_t>{0, 1, 2}), world.list.itemData());
  EXPECT_TRUE(world.list.rows[2].callback[0]) << "texts come by callback at first";
}

TEST_F(LockListViewTest, ANewRecordBecomesALastRowWithCallbackTextUntilTheNextRefresh) {
  addLocks(2);
  lockList.fillRows();
  lockList.refreshRows();
  LockSpec spec;
  spec.title = "Calculator";
  addLock(spec);

  lockList.refreshRows();
  ASSERT_EQ(3, world.list.rowCount());
  EXPECT_EQ(2, world.list.rows[2].data);
  EXPECT_TRUE(world.list.rows[2].callback[0]);

  lockList.refreshRows();
  EXPECT_FALSE(world.list.rows[2].callback[0]);
  const std::array<std::string, 6> expected = {"Calculator", "Yes", "Yes", "3", "5", "Close Window"};
  EXPECT_EQ(expected, world.list.rows[2].texts);
}

TEST_F(LockListViewTest, ARefreshWithZeroRecordsChangesNothing) {
  addLocks(2);
  lockList.fillRows();
  lockList.refreshRows();
  const auto before = world.list.rows;
  table.setRecordCount(0);
  lockList.refreshRows();
  ASSERT_EQ(before.size(), world.list.rows.size());
  EXPECT_EQ(before[1].texts, world.list.rows[1].texts);
  EXPECT_EQ(2, world.list.findCalls) << "only the first refresh looked for rows";
}

TEST_F(LockListViewTest, ARefreshThatCannotGetTheMutexKeepsTheOldTexts) {
  addLocks(1);
  lockList.fillRows();
  lockList.refreshRows();
  table.record(0).setEnabled(0);
  world.kernel.setTimingOut(kTableMutexName, true);
  lockList.refreshRows();
  EXPECT_EQ("Yes", world.list.rows[0].texts[1]);
  world.kernel.setTimingOut(kTableMutexName, false);
  lockList.refreshRows();
  EXPECT_EQ("No", world.list.rows[0].texts[1]);
}

// A list control that fails the test when it is called while our thread holds
// the table mutex: the hook library in every process would wait on it.
class MutexCheckingList : public fakes::FakeListControl {
 public:
  explicit MutexCheckingList(fakes::FakeKernel& kernel) : kernel_(kernel) {}
  int insertRow(int position, std::intptr_t itemData) override {
    EXPECT_EQ(0, kernel_.ourOwnership(kTableMutexName));
    return FakeListControl::insertRow(position, itemData);
  }
  void setCellText(int row, int subItem, const char* text) override {
    EXPECT_EQ(0, kernel_.ourOwnership(kTableMutexName));
    FakeListControl::setCellText(row, subItem, text);
  }
  int findRowByData(std::intptr_t itemData) override {
    EXPECT_EQ(0, kernel_.ourOwnership(kTableMutexName));
    return FakeListControl::findRowByData(itemData);
  }

 private:
  fakes::FakeKernel& kernel_;
};

TEST_F(LockListViewTest, ARefreshTakesTheMutexPerCellAndNeverAcrossAListCall) {
  addLocks(2);
  MutexCheckingList list(world.kernel);
  LockListView checked(list, store, world.clock);
  checked.fillRows();
  const int waitsBefore = world.kernel.waitCount(kTableMutexName);
  checked.refreshRows();
  EXPECT_EQ(6 * 2 + 1, world.kernel.waitCount(kTableMutexName) - waitsBefore);
  EXPECT_EQ(0, world.kernel.ourOwnership(kTableMutexName));
}

TEST_F(LockListViewTest, DisplayTextRespectsTheControlsBuffer) {
  LockSpec spec;
  spec.title = "Notepad";
  addLock(spec);
  const struct {
    std::intptr_t itemData;
    int bufferSize;
    const char* expected;
  } cases[] = {{0, 260, "Notepad"}, {0, 4, "Not"}, {0, 1, ""}, {-1, 260, ""}, {7, 260, ""}};
  for (const auto& c : cases) {
    char buffer[300];
    std::memset(buffer, 'x', sizeof buffer);
    lockList.fillDisplayText(c.itemData, 0, buffer, c.bufferSize);
    EXPECT_STREQ(c.expected, buffer) << c.itemData << "/" << c.bufferSize;
    EXPECT_EQ('x', buffer[c.bufferSize]) << "nothing written past the buffer";
  }
  char untouched[2] = {'x', 'x'};
  lockList.fillDisplayText(0, 0, untouched, 0);
  EXPECT_EQ('x', untouched[0]);
}

}  // namespace
}  // namespace vk
