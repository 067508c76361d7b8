#include "manager/store/database_location.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/store/database_file.h"
#include "tests/unit/store/store_test_support.h"

namespace vk {
namespace storetest {
namespace {

using Paths = std::vector<std::string>;

// --- paths -------------------------------------------------------------------

struct LocationCase {
  const char* name;
  std::string windowsDir;
  std::string programData;
  std::string localAppData;
  std::string current;  // where saves go
  Paths older;          // take-over order
};

class DatabaseLocationPaths : public ::testing::TestWithParam<LocationCase> {};

TEST_P(DatabaseLocationPaths, CurrentPlaceAndOlderPlacesInOrder) {
  const LocationCase& c = GetParam();
  fakes::MemoryFiles files;
  files.windowsDir = c.windowsDir;
  files.programDataDir = c.programData;
  files.localAppDataDir = c.localAppData;
  files.windowsDirFails = c.windowsDir.empty();
  files.programDataFails = c.programData.empty();
  files.localAppDataFails = c.localAppData.empty();
  EXPECT_EQ(c.current, currentDatabasePath(files, "vk2.dat"));
  EXPECT_EQ(c.older, olderDatabasePaths(files, "vk2.dat"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatabaseLocationPaths,
    ::testing::Values(
        LocationCase{"Usual", "C:\\WINDOWS", "C:\\ProgramData", "C:\\Users\\ann\\AppData\\Local",
                     "C:\\ProgramData\\Vantakey\\vk2.dat",
                     {"C:\\Users\\ann\\AppData\\Local\\VirtualStore\\WINDOWS\\vk2.dat",
                      "C:\\WINDOWS\\vk2.dat"}},
        LocationCase{"TrailingBackslashes", "D:\\WINNT\\", "D:\\Data\\", "D:\\Local\\",
                     "D:\\Data\\Vantakey\\vk2.dat",
                     {"D:\\Local\\VirtualStore\\WINNT\\vk2.dat", "D:\\WINNT\\vk2.dat"}},
        LocationCase{"WindowsAtDriveRoot", "C:\\", "C:\\ProgramData", "C:\\L",
                     "C:\\ProgramData\\Vantakey\\vk2.dat",
                     {"C:\\L\\VirtualStore\\vk2.dat", "C:\\vk2.dat"}},
        // No drive letter: the virtual store has no place for it.
        LocationCase{"WindowsOnAShare", "\\\\host\\win", "C:\\ProgramData", "C:\\L",
                     "C:\\ProgramData\\Vantakey\\vk2.dat", {"\\\\host\\win\\vk2.dat"}},
        LocationCase{"NoLocalAppData", "C:\\WINDOWS", "C:\\ProgramData", "",
                     "C:\\ProgramData\\Vantakey\\vk2.dat", {"C:\\WINDOWS\\vk2.dat"}},
        LocationCase{"NoWindowsDirectory", "", "C:\\ProgramData", "C:\\L",
                     "C:\\ProgramData\\Vantakey\\vk2.dat", {}},
        LocationCase{"NoProgramData", "C:\\WINDOWS", "", "C:\\L", "",
                     {"C:\\L\\VirtualStore\\WINDOWS\\vk2.dat", "C:\\WINDOWS\\vk2.dat"}},
        // Longer than the 260-character buffer: as if the system had not named it.
        LocationCase{"ProgramDataTooLong", "C:\\WINDOWS", "C:\\" + std::string(257, 'p'),
                     "C:\\L", "",
                     {"C:\\L\\VirtualStore\\WINDOWS\\vk2.dat", "C:\\WINDOWS\\vk2.dat"}}),
    [](const ::testing::TestParamInfo<LocationCase>& info) { return std::string(info.param.name); });

// --- take-over -----------------------------------------------------------------

// A database image told apart by its system password.
Bytes imageWithPassword(const char* password) {
  fakes::MemoryKernel kernel;
  LockTableView empty;
  empty.open(kernel);
  resetTableHeader(kernel.section());
  ManagerSettings settings;
  settings.systemPasswordDigest = digestOf(password);
  return encodeDatabase(settings, empty);
}

struct TakeOverCase {
  const char* name;
  bool current;
  bool virtualStore;
  bool windows;
  const char* loaded;  // the password of the file loaded; nullptr: none
};

class DatabaseTakeOver : public StoreTest, public ::testing::WithParamInterface<TakeOverCase> {};

TEST_P(DatabaseTakeOver, LoadsTheNewestPlaceSavesTheCurrentOneAndLeavesOlderFilesAlone) {
  const TakeOverCase& c = GetParam();
  const std::string current = files.dataPathOf("vk2.dat");
  const std::string store = files.virtualStorePathOf("vk2.dat");
  const std::string windows = files.pathOf("vk2.dat");
  if (c.current) {
    files.folders.insert(files.dataFolder());
    files.files[current] = imageWithPassword("current");
  }
  if (c.virtualStore) files.files[store] = imageWithPassword("virtual store");
  if (c.windows) files.files[windows] = imageWithPassword("windows");

  const LoadResult loaded = loadDatabase(files, settings, table);
  ASSERT_EQ(c.loaded != nullptr ? LoadResult::Loaded : LoadResult::Missing, loaded);
  if (c.loaded != nullptr) {
    EXPECT_EQ(digestOf(c.loaded), settings.systemPasswordDigest);
  }

  settings.systemPasswordDigest = digestOf("changed");
  ASSERT_TRUE(saveDatabase(files, settings, table));
  EXPECT_EQ(imageWithPassword("changed"), files.files[current]);
  if (c.virtualStore) {
    EXPECT_EQ(imageWithPassword("virtual store"), files.files[store]);
  }
  if (c.windows) {
    EXPECT_EQ(imageWithPassword("windows"), files.files[windows]);
  }
  EXPECT_EQ(c.virtualStore, files.exists(store));
  EXPECT_EQ(c.windows, files.exists(windows));
  for (const std::string& entry : files.log) {
    EXPECT_EQ(std::string::npos, entry.find("delete")) << entry;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatabaseTakeOver,
    ::testing::Values(TakeOverCase{"Neither", false, false, false, nullptr},
                      TakeOverCase{"OnlyWindows", false, false, true, "windows"},
                      TakeOverCase{"OnlyVirtualStore", false, true, false, "virtual store"},
                      TakeOverCase{"VirtualStoreBeforeWindows", false, true, true, "virtual store"},
                      TakeOverCase{"CurrentBeforeWindows", true, false, true, "current"},
                      TakeOverCase{"CurrentBeforeBoth", true, true, true, "current"},
                      TakeOverCase{"OnlyCurrent", true, false, false, "current"}),
    [](const ::testing::TestParamInfo<TakeOverCase>& info) { return std::string(info.param.name); });

TEST_F(StoreTest, AnUnreadableCurrentFileIsNotReplacedByAnOlderCopy) {
  files.folders.insert(files.dataFolder());
  files.unreadable.insert(files.dataPathOf("vk2.dat"));
  files.files[files.pathOf("vk2.dat")] = imageWithPassword("windows");
  EXPECT_EQ(LoadResult::Unreadable, loadDatabase(files, settings, table));
  EXPECT_EQ(PasswordDigest(), settings.systemPasswordDigest);
  EXPECT_EQ((std::vector<std::string>{"read " + files.dataPathOf("vk2.dat")}), files.log);
}

TEST_F(StoreTest, WithoutProgramDataAnOlderFileStillLoadsButNothingIsSaved) {
  files.programDataFails = true;
  files.files[files.pathOf("vk2.dat")] = imageWithPassword("windows");
  ASSERT_EQ(LoadResult::Loaded, loadDatabase(files, settings, table));
  EXPECT_EQ(digestOf("windows"), settings.systemPasswordDigest);
  EXPECT_FALSE(saveDatabaseOrReport(files, settings, table, boxes));
  EXPECT_EQ(0, files.replaceCalls);
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ(kSaveFailedText, boxes.shown[0].text);
}

// --- the folder ------------------------------------------------------------------

TEST_F(StoreTest, TheFirstSaveMakesTheFolderAndLaterSavesLeaveItAlone) {
  ASSERT_TRUE(saveDatabase(files, settings, table));
  ASSERT_TRUE(saveDatabase(files, settings, table));
  const std::string tmp = files.dataPathOf("vk2.dat.tmp");
  const std::vector<std::string> expected = {
      "make folder " + files.dataFolder(), "create " + tmp, "write " + tmp, "close " + tmp,
      "replace " + files.dataPathOf("vk2.dat"), "create " + tmp, "write " + tmp, "close " + tmp,
      "replace " + files.dataPathOf("vk2.dat")};
  EXPECT_EQ(expected, files.log);
}

TEST_F(StoreTest, AFolderThatCannotBeMadeIsAFailedSave) {
  files.makeFolderFails = true;
  EXPECT_FALSE(saveDatabaseOrReport(files, settings, table, boxes));
  EXPECT_EQ(0, files.replaceCalls);
  EXPECT_TRUE(files.files.empty());
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ(kSaveFailedText, boxes.shown[0].text);
}

}  // namespace
}  // namespace storetest
}  // namespace vk
