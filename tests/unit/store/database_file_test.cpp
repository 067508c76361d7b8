#include "manager/store/database_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tests/unit/store/store_test_support.h"

namespace vk {
namespace storetest {
namespace {

using DatabaseFile = StoreTest;

std::string reservedText(const ReservedString& r) {
  return std::string(reinterpret_cast<const char*>(r.bytes), r.length);
}

// --- path --------------------------------------------------------------------

struct PathCase {
  std::string windowsDir;
  std::string expected;
};

class DatabasePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(DatabasePath, HasExactlyOneBackslashBeforeTheName) {
  fakes::MemoryFiles files;
  files.windowsDir = GetParam().windowsDir;
  EXPECT_EQ(GetParam().expected, databasePath(files, "vk2.dat"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatabasePath,
    ::testing::Values(PathCase{"C:\\WINDOWS", "C:\\WINDOWS\\vk2.dat"},
                      PathCase{"C:\\", "C:\\vk2.dat"},  // drive root
                      PathCase{"D:\\WINNT\\", "D:\\WINNT\\vk2.dat"},
                      PathCase{std::string(259, 'w'), std::string(259, 'w') + "\\vk2.dat"},
                      PathCase{std::string(260, 'w'), ""}));  // does not fit the 260 buffer

TEST_F(DatabaseFile, NoWindowsDirectoryMeansNoOlderFileButTheCurrentPlaceStillWorks) {
  files.windowsDirFails = true;
  files.files["\\vk2.dat"] = readFixture("three_locks.vk2.dat");
  EXPECT_EQ(LoadResult::Missing, loadDatabase(files, settings, table));
  EXPECT_EQ(0u, table.recordCount());
  EXPECT_EQ((std::vector<std::string>{"read " + vk2Path()}), files.log);
  EXPECT_TRUE(saveDatabase(files, settings, table));
  EXPECT_TRUE(files.exists(vk2Path()));
}

// --- layout and fixtures -----------------------------------------------------

TEST_F(DatabaseFile, StartValuesWithoutLocksAre57Bytes) {
  ASSERT_TRUE(saveDatabase(files, settings, table));
  const Bytes& saved = files.files[vk2Path()];
  EXPECT_EQ(57u, saved.size());
  EXPECT_EQ(readFixture("start_values.vk2.dat"), saved);
}

TEST_F(DatabaseFile, LoadsEveryFieldOfTheFixture) {
  files.files[vk2Path()] = readFixture("three_locks.vk2.dat");
  DatabaseReadReport report;
  ASSERT_EQ(LoadResult::Loaded, loadDatabase(files, settings, table, &report));
  EXPECT_TRUE(report.settingsWhole);
  EXPECT_FALSE(report.endedEarly);

  EXPECT_EQ(digestOf("opensesame"), settings.systemPasswordDigest);
  EXPECT_STREQ("First pet?", settings.secretQuestion);
  EXPECT_EQ(digestOf("rex"), settings.secretAnswerDigest);
  EXPECT_EQ(std::string("\x00\xff\x41\x0a\x00", 5), reservedText(settings.reservedStrings[0]));
  EXPECT_EQ(std::string("vk\xff"
                        "2"),
            reservedText(settings.reservedStrings[1]));
  EXPECT_TRUE(settings.shutDownAtLogOff);

  ASSERT_EQ(3u, table.recordCount());
  struct Expected {
    const char* className;
    const char* title;
    int wildcard, enabled, maxTries, relockSeconds, action;
    const char* password;
  } expected[] = {
      {"Notepad", "Untitled - Notepad", 0, 1, 3, 300, CloseWindow, "pw1"},
      {"", "*Budget*.xls", 1, 0, 5, 86400, ShutdownComputer, "pw2"},
      {"", "", 0, 1, 1, 60, DenyAccess, nullptr},  // length-0 texts, no password
  };
  for (std::uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const RecordRef r = table.record(i);
    const Expected& e = expected[i];
    EXPECT_STREQ(e.className, r.className());
    EXPECT_STREQ(e.title, r.title());
    EXPECT_EQ(e.wildcard, r.wildcard());
    EXPECT_EQ(e.enabled, r.enabled());
    EXPECT_EQ(e.maxTries, r.maxTries());
    EXPECT_EQ(e.relockSeconds, r.relockSeconds());
    EXPECT_EQ(e.action, r.action());
    EXPECT_EQ(e.password ? digestOf(e.password) : PasswordDigest{}, r.digest());
    EXPECT_EQ(0, r.unlockedAt());
    EXPECT_EQ(0, r.promptBusy());
    EXPECT_EQ(0, r.failedTries());
  }
}

TEST_F(DatabaseFile, SavingALoadedFixtureReproducesItByteForByte) {
  const char* names[] = {"start_values.vk2.dat", "three_locks.vk2.dat"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    resetTableHeader(kernel.section());
    settings = ManagerSettings();
    files.files[vk2Path()] = readFixture(name);
    ASSERT_EQ(LoadResult::Loaded, loadDatabase(files, settings, table));
    files.files.erase(vk2Path());
    ASSERT_TRUE(saveDatabase(files, settings, table));
    EXPECT_EQ(readFixture(name), files.files[vk2Path()]);
  }
}

TEST_F(DatabaseFile, OnlyTheFlagByteOneIsTrueAndSavedFlagsAreZeroOrOne) {
  files.files[vk2Path()] = readFixture("odd_flags.vk2.dat");
  ASSERT_EQ(LoadResult::Loaded, loadDatabase(files, settings, table));
  EXPECT_FALSE(settings.shutDownAtLogOff);  // byte 2
  ASSERT_EQ(1u, table.recordCount());
  EXPECT_EQ(0, table.record(0).wildcard());  // byte 2
  EXPECT_EQ(0, table.record(0).enabled());   // byte 0xFF
  // The non-zero reserved words are dropped and written back as 0.
  ASSERT_TRUE(saveDatabase(files, settings, table));
  EXPECT_EQ(readFixture("odd_flags.saved.vk2.dat"), files.files[vk2Path()]);

  const std::size_t shutDownOffset = 20 + 2 + 4 + 20 + 2 + 2;
  for (unsigned value : {0u, 1u, 2u, 0x80u, 0xFFu}) {
    Bytes image = readFixture("start_values.vk2.dat");
    ASSERT_EQ(0, image[shutDownOffset]);
    image[shutDownOffset] = static_cast<unsigned char>(value);
    ManagerSettings loaded;
    decodeDatabase(image.data(), image.size(), loaded, table);
    EXPECT_EQ(value == 1, loaded.shutDownAtLogOff) << value;
  }
}

TEST_F(DatabaseFile, ShutDownAtLogOffIsTheByteAfterTheSecondReservedString) {
  const char r1[] = "abc";
  const char r2[] = "wxyz";
  std::memcpy(settings.reservedStrings[0].bytes, r1, 3);
  settings.reservedStrings[0].length = 3;
  std::memcpy(settings.reservedStrings[1].bytes, r2, 4);
  settings.reservedStrings[1].length = 4;
  const std::size_t offset = 20 + (2 + 4) + 20 + (2 + 3) + (2 + 4);
  for (bool flag : {true, false}) {
    settings.shutDownAtLogOff = flag;
    const Bytes image = encodeDatabase(settings, table);
    ASSERT_EQ(offset + 7, image.size());
    EXPECT_EQ(flag ? 1 : 0, image[offset]);
    EXPECT_EQ(Bytes(6, 0), Bytes(image.begin() + offset + 1, image.end()));
  }
}

TEST_F(DatabaseFile, RoundTripKeepsLocksInOrderWithRunTimeFieldsZeroAndReservedBytesExact) {
  settings.systemPasswordDigest = digestOf("system");
  setSecretQuestion(settings, std::string(999, 'q').c_str());
  settings.secretAnswerDigest = digestOf("answer");
  for (int k = 0; k < 2; ++k) {
    ReservedString& r = settings.reservedStrings[k];
    r.length = k == 0 ? 999 : 256;
    for (int i = 0; i < r.length; ++i) r.bytes[i] = static_cast<unsigned char>(i * (k + 7));
  }
  settings.shutDownAtLogOff = true;
  for (int i = 0; i < 60; ++i) {
    const std::string title = "window " + std::to_string(i);
    const std::string cls = i % 3 == 0 ? std::string(255, static_cast<char>('A' + i % 26)) : "";
    ASSERT_TRUE(addLock(table, cls.c_str(), title.c_str(),
                        i % 4 == 0 ? PasswordDigest{} : digestOf(title.c_str()),
                        static_cast<std::uint16_t>(1u << (i % 4)),
                        static_cast<std::uint16_t>(i + 1), i % 2 == 0, -i * 60, i % 5 == 0));
    const RecordRef r = table.record(static_cast<std::uint32_t>(i));
    r.setUnlockedAt(1700000000 + i);  // as the hook library leaves them
    r.setPromptBusy(1);
    r.setFailedTries(2);
  }
  std::vector<LockRecord> before;
  for (std::uint32_t i = 0; i < 60; ++i) before.push_back(table.record(i).copy());
  const ManagerSettings saved = settings;
  ASSERT_TRUE(saveDatabase(files, settings, table));

  resetTableHeader(kernel.section());
  settings = ManagerSettings();
  ASSERT_EQ(LoadResult::Loaded, loadDatabase(files, settings, table));

  EXPECT_EQ(saved.systemPasswordDigest, settings.systemPasswordDigest);
  EXPECT_STREQ(saved.secretQuestion, settings.secretQuestion);
  EXPECT_EQ(saved.secretAnswerDigest, settings.secretAnswerDigest);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(reservedText(saved.reservedStrings[k]), reservedText(settings.reservedStrings[k]));
  }
  EXPECT_TRUE(settings.shutDownAtLogOff);
  ASSERT_EQ(60u, table.recordCount());
  for (std::uint32_t i = 0; i < 60; ++i) {
    SCOPED_TRACE(i);
    const LockRecord got = table.record(i).copy();
    const LockRecord& want = before[i];
    EXPECT_STREQ(want.title, got.title);
    EXPECT_STREQ(want.className, got.className);
    EXPECT_EQ(want.digest, got.digest);
    EXPECT_EQ(want.wildcard, got.wildcard);
    EXPECT_EQ(want.enabled, got.enabled);
    EXPECT_EQ(want.maxTries, got.maxTries);
    EXPECT_EQ(want.relockSeconds, got.relockSeconds);
    EXPECT_EQ(want.action, got.action);
    EXPECT_EQ(0, got.unlockedAt);
    EXPECT_EQ(0, got.promptBusy);
    EXPECT_EQ(0, got.failedTries);
  }
}

TEST_F(DatabaseFile, MissingFileLoadsNothing) {
  EXPECT_EQ(LoadResult::Missing, loadDatabase(files, settings, table));
  EXPECT_STREQ("NONE", settings.secretQuestion);
  EXPECT_EQ(0u, table.recordCount());
}

// A file that is there but cannot be read is no missing file, and no part of
// it is taken: a read cut short would look like a damaged file and lose locks.
struct UnreadableCase {
  const char* name;
  bool openFails;
  bool readFailsPartWay;
};

class UnreadableDatabase : public DatabaseFile,
                           public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableDatabase, LoadsNothingAndSaysSo) {
  const Bytes fixture = readFixture("three_locks.vk2.dat");
  files.files[vk2Path()] = fixture;
  files.openForReadFails = GetParam().openFails;
  files.readFailsPartWay = GetParam().readFailsPartWay;
  EXPECT_EQ(LoadResult::Unreadable, loadDatabase(files, settings, table));
  EXPECT_TRUE(isZeroDigest(settings.systemPasswordDigest));
  EXPECT_STREQ("NONE", settings.secretQuestion);
  EXPECT_EQ(0u, table.recordCount());
  EXPECT_EQ(fixture, files.files[vk2Path()]);
  EXPECT_EQ(0, files.replaceCalls);
}

INSTANTIATE_TEST_SUITE_P(Faults, UnreadableDatabase,
                         ::testing::Values(UnreadableCase{"HeldOpenOrDenied", true, false},
                                           UnreadableCase{"ReadErrorPartWay", false, true}),
                         [](const ::testing::TestParamInfo<UnreadableCase>& info) {
                           return std::string(info.param.name);
                         });

// --- damaged files -----------------------------------------------------------

TEST_F(DatabaseFile, TextsLongerThanTheirFieldAreCutAndTheRestStaysInPlace) {
  const std::string question(1200, 'q');
  const std::string reserved1(1000, 'r');
  const std::string reserved2(65535, 's');
  const std::string title(300, 't');
  const std::string cls(256, 'c');
  Image image;
  image.settings(digestOf("pw"), question, digestOf("a"), reserved1, reserved2, 1, 2)
      .lock(cls, title, 1, 1, 4, 600, DenyAccess, digestOf("x"))
      .lock("Next", "Second", 0, 1, 3, 300, CloseWindow, digestOf("y"));
  DatabaseReadReport report = decodeDatabase(image.b.data(), image.b.size(), settings, table);
  EXPECT_TRUE(report.textCut);
  EXPECT_FALSE(report.endedEarly);

  EXPECT_EQ(std::string(999, 'q'), settings.secretQuestion);
  EXPECT_EQ(digestOf("a"), settings.secretAnswerDigest);
  EXPECT_EQ(std::string(999, 'r'), reservedText(settings.reservedStrings[0]));
  EXPECT_EQ(std::string(999, 's'), reservedText(settings.reservedStrings[1]));
  EXPECT_TRUE(settings.shutDownAtLogOff);
  ASSERT_EQ(2u, table.recordCount());
  EXPECT_EQ(std::string(255, 't'), table.record(0).title());
  EXPECT_EQ(std::string(255, 'c'), table.record(0).className());
  EXPECT_EQ(600, table.record(0).relockSeconds());
  EXPECT_EQ(digestOf("x"), table.record(0).digest());
  EXPECT_STREQ("Second", table.record(1).title());
  EXPECT_STREQ("Next", table.record(1).className());
  EXPECT_EQ(digestOf("y"), table.record(1).digest());
}

TEST_F(DatabaseFile, EntriesBeyondSixtyAreDroppedAndACutEntryEndsTheLoad) {
  struct Case {
    unsigned stored;   // lock count in the file
    unsigned present;  // whole entries actually in the file
    unsigned partial;  // bytes of one more entry
    std::uint32_t expected;
  } cases[] = {{70, 70, 0, 60}, {65535, 99, 0, 60}, {200, 5, 0, 5}, {8, 7, 30, 7}, {3, 3, 0, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    resetTableHeader(kernel.section());
    Image image;
    image.settings(digestOf("pw"), "NONE", digestOf("a"), "", "", 0, c.stored);
    for (unsigned i = 0; i < c.present; ++i) {
      image.lock("", "lock " + std::to_string(i), 0, 1, 3, 300, 1, digestOf("p"));
    }
    Image extra;
    extra.lock("", "cut", 0, 1, 3, 300, 1, digestOf("p"));
    image.b.insert(image.b.end(), extra.b.begin(), extra.b.begin() + c.partial);

    ManagerSettings loaded;
    const DatabaseReadReport report = decodeDatabase(image.b.data(), image.b.size(), loaded, table);
    EXPECT_EQ(digestOf("pw"), loaded.systemPasswordDigest);
    EXPECT_EQ(c.expected, report.locksAdded);
    ASSERT_EQ(c.expected, table.recordCount());
    for (std::uint32_t i = 0; i < c.expected; ++i) {
      ASSERT_EQ("lock " + std::to_string(i), titleAt(i));
    }
  }
}

// Every prefix of a valid file loads without fault, and keeps exactly what the
// loader promises: the password triple only as a whole, each later setting when
// whole, and every whole lock entry before the cut.
TEST_F(DatabaseFile, EveryTruncatedPrefixLoadsWhatWasWhole) {
  const Bytes full = readFixture("three_locks.vk2.dat");
  ASSERT_EQ(211u, full.size());
  // Ends of the fields in the fixture, from the layout.
  const std::size_t answerEnd = 20 + (2 + 10) + 20;  // 52
  const std::size_t reserved1End = answerEnd + 2 + 5;
  const std::size_t reserved2End = reserved1End + 2 + 4;
  const std::size_t flagEnd = reserved2End + 1;
  const std::size_t countEnd = flagEnd + 6;
  const std::size_t entryEnds[] = {countEnd + 59, countEnd + 59 + 46, countEnd + 59 + 46 + 34};
  ASSERT_EQ(full.size(), entryEnds[2]);

  for (std::size_t n = 0; n <= full.size(); ++n) {
    SCOPED_TRACE(n);
    resetTableHeader(kernel.section());
    ManagerSettings loaded;
    // A copy of exactly n bytes, so ASan sees any read beyond it.
    const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    const DatabaseReadReport report = decodeDatabase(prefix.data(), prefix.size(), loaded, table);

    const bool triple = n >= answerEnd;
    EXPECT_EQ(triple ? digestOf("opensesame") : PasswordDigest{}, loaded.systemPasswordDigest);
    EXPECT_STREQ(triple ? "First pet?" : "NONE", loaded.secretQuestion);
    EXPECT_EQ(triple ? digestOf("rex") : PasswordDigest{}, loaded.secretAnswerDigest);
    EXPECT_EQ(n >= reserved1End ? 5u : 0u, loaded.reservedStrings[0].length);
    EXPECT_EQ(n >= reserved2End ? 4u : 0u, loaded.reservedStrings[1].length);
    EXPECT_EQ(n >= flagEnd, loaded.shutDownAtLogOff);
    EXPECT_EQ(n >= countEnd, report.settingsWhole);
    std::uint32_t whole = 0;
    for (std::size_t end : entryEnds) whole += n >= end ? 1 : 0;
    EXPECT_EQ(whole, table.recordCount());
    EXPECT_EQ(n != full.size(), report.endedEarly);
  }
}

// --- failed saves ------------------------------------------------------------

struct SaveFault {
  const char* name;
  void (*apply)(fakes::MemoryFiles&);
};

void PrintTo(const SaveFault& fault, std::ostream* os) { *os << fault.name; }

class FailedSave : public StoreTest, public ::testing::WithParamInterface<SaveFault> {};

TEST_P(FailedSave, LeavesThePreviousFileIntactAndShowsTheMessage) {
  const Bytes previous = readFixture("three_locks.vk2.dat");
  files.files[vk2Path()] = previous;
  ASSERT_EQ(LoadResult::Loaded, loadDatabase(files, settings, table));
  ASSERT_TRUE(removeLock(table, 0));
  addSample("new lock");
  settings.shutDownAtLogOff = false;

  GetParam().apply(files);
  EXPECT_FALSE(saveDatabaseOrReport(files, settings, table, boxes));

  EXPECT_EQ(previous, files.files[vk2Path()]);
  EXPECT_EQ(1u, files.files.size()) << "no temporary file is left behind";
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ(
      "Vantakey could not access its information database because write access to the file was "
      "denied.\n\nNew Vantakeys will not be accessible in the next session.",
      boxes.shown[0].text);
  EXPECT_EQ("Error", boxes.shown[0].caption);
  EXPECT_EQ(0x2010u, boxes.shown[0].style);  // MB_ICONERROR | MB_TASKMODAL
  // Memory is unchanged and the system goes on with it.
  EXPECT_EQ(3u, table.recordCount());
  EXPECT_EQ("new lock", titleAt(2));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedSave,
    ::testing::Values(
        SaveFault{"AccessDenied", [](fakes::MemoryFiles& f) { f.createFails = true; }},
        SaveFault{"DiskFull", [](fakes::MemoryFiles& f) { f.diskSpace = 100; }},
        SaveFault{"DiskFullAtOnce", [](fakes::MemoryFiles& f) { f.diskSpace = 0; }},
        SaveFault{"CloseFails", [](fakes::MemoryFiles& f) { f.closeFails = true; }},
        SaveFault{"ReplaceFails", [](fakes::MemoryFiles& f) { f.replaceFails = true; }}),
    [](const ::testing::TestParamInfo<SaveFault>& info) { return std::string(info.param.name); });

TEST_F(DatabaseFile, ASaveWithoutAMappedTableKeepsTheLocksOnDisk) {
  const Bytes previous = readFixture("three_locks.vk2.dat");
  files.files[vk2Path()] = previous;
  LockTableView unmapped;
  EXPECT_FALSE(saveDatabase(files, settings, unmapped));
  EXPECT_EQ(0, files.replaceCalls);
  EXPECT_EQ(previous, files.files[vk2Path()]);
}

}  // namespace
}  // namespace storetest
}  // namespace vk
