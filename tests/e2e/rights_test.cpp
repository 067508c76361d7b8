// Rights under Wine: what a real Windows with UAC would decide, as far as
// Wine can show it. Wine gives every process one administrator token, so an
// ordinary program is played by a token filtered the way UAC filters an
// administrator's (Administrators deny-only):
//   - the objects the manager shares carry exactly the intended list and label;
//   - AccessCheck grants that token what the library asks for, and refuses it
//     against the descriptor an elevated manager's objects had before;
//   - a process started with that token opens the table and is guarded (its
//     library makes a claim marker with the same list), and cannot open
//     objects made with the old descriptor;
//   - "vk2.dat" is taken over from an older installation's place, saved to the
//     new one, and the older file is left alone;
//   - the database folder is made by the manager with the folder descriptor.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/access_lists.h"
#include "common/lock_table.h"
#include "common/password_digest.h"
#include "harness.h"
#include "platform/win32/handle.h"
#include "platform/win32/kernel_objects.h"
#include "platform/win32/object_security.h"
#include "product.h"

namespace vk {
namespace {

using e2e::FileLock;
using e2e::kAppearMs;
using e2e::kDialogClass;
using e2e::Process;
using win32::UniqueHandle;

constexpr const char* kInstanceMutexName = "Vantakey";
constexpr const char* kLockedTitle = "vk rights guarded window";
// The default DACL of an elevated administrator's token, and so the list the
// shared objects got before they were created with a descriptor of their own.
constexpr const char* kElevatedDefaultDescriptor = "O:BAG:SYD:(A;;GA;;;BA)(A;;GA;;;SY)";

// ---- tokens and descriptors --------------------------------------------------------

std::string sidText(PSID sid) {
  LPSTR text = nullptr;
  if (!::ConvertSidToStringSidA(sid, &text)) return "?";
  std::string s = text;
  ::LocalFree(text);
  return s;
}

// "S-1-..." of this process's user and of its session's logon SID.
void ownSids(std::string& user, std::string& logon) {
  unsigned char userBytes[kMaxSidBytes];
  unsigned char logonBytes[kMaxSidBytes];
  SidBytes u, l;
  ASSERT_TRUE(win32::processTokenSids(userBytes, u, logonBytes, l));
  user = sidText(userBytes);
  logon = l.size != 0 ? sidText(logonBytes) : std::string();
}

// This process's token with Administrators deny-only, as UAC gives an
// administrator's programs that were not elevated.
UniqueHandle filteredToken(TOKEN_TYPE type) {
  HANDLE own = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &own)) return UniqueHandle();
  UniqueHandle process(own);
  unsigned char admins[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof admins;
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size)) return UniqueHandle();
  SID_AND_ATTRIBUTES denyOnly{};
  denyOnly.Sid = admins;
  HANDLE restricted = nullptr;
  if (!::CreateRestrictedToken(process.get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted))
    return UniqueHandle();
  UniqueHandle filtered(restricted);
  HANDLE duplicate = nullptr;
  if (!::DuplicateTokenEx(filtered.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, type, &duplicate))
    return UniqueHandle();
  return UniqueHandle(duplicate);
}

using Descriptor = std::vector<unsigned char>;

Descriptor securityOf(HANDLE object, SECURITY_INFORMATION what) {
  DWORD needed = 0;
  ::GetKernelObjectSecurity(object, what, nullptr, 0, &needed);
  Descriptor sd(needed);
  if (needed == 0 || !::GetKernelObjectSecurity(object, what, sd.data(), needed, &needed)) sd.clear();
  return sd;
}

Descriptor fromText(const char* text) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ULONG size = 0;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &sd, &size)) return {};
  const unsigned char* bytes = static_cast<const unsigned char*>(sd);
  Descriptor copy(bytes, bytes + size);
  ::LocalFree(sd);
  return copy;
}

std::string daclText(const Descriptor& sd) {
  LPSTR text = nullptr;
  if (sd.empty() || !::ConvertSecurityDescriptorToStringSecurityDescriptorA(
                        const_cast<unsigned char*>(sd.data()), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                        &text, nullptr))
    return "?";
  std::string s = text;
  ::LocalFree(text);
  return s;
}

// The mandatory-label entries of a descriptor's SACL as "<sid> <type> <mask>;".
// (Wine's SDDL writer leaves labels out, so they are read from the list.)
std::string labelText(const Descriptor& sd) {
  BOOL present = FALSE, defaulted = FALSE;
  PACL sacl = nullptr;
  if (sd.empty() ||
      !::GetSecurityDescriptorSacl(const_cast<unsigned char*>(sd.data()), &present, &sacl, &defaulted) ||
      !present || sacl == nullptr)
    return "";
  std::string out;
  for (DWORD i = 0; i < sacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(sacl, i, &ace)) return "?";
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    const auto* label = static_cast<const SYSTEM_MANDATORY_LABEL_ACE*>(ace);
    char line[96];
    std::snprintf(line, sizeof line, " 0x%x 0x%lx;", header->AceType, static_cast<unsigned long>(label->Mask));
    out += sidText(const_cast<DWORD*>(&label->SidStart)) + line;
  }
  return out;
}

struct Check {
  bool called = false;
  bool granted = false;
  DWORD rights = 0;
};

Check accessCheck(const Descriptor& sd, HANDLE impersonationToken, DWORD desired, GENERIC_MAPPING mapping) {
  Check c;
  PRIVILEGE_SET privileges{};
  DWORD privilegesSize = sizeof privileges;
  BOOL status = FALSE;
  ::MapGenericMask(&desired, &mapping);
  c.called = ::AccessCheck(const_cast<unsigned char*>(sd.data()), impersonationToken, desired, &mapping,
                           &privileges, &privilegesSize, &c.rights, &status) != FALSE;
  c.granted = c.called && status != FALSE;
  return c;
}

constexpr GENERIC_MAPPING kMutexMapping = {STANDARD_RIGHTS_READ | MUTANT_QUERY_STATE, STANDARD_RIGHTS_WRITE,
                                           STANDARD_RIGHTS_EXECUTE | SYNCHRONIZE, MUTEX_ALL_ACCESS};
constexpr GENERIC_MAPPING kSectionMapping = {STANDARD_RIGHTS_READ | SECTION_QUERY | SECTION_MAP_READ,
                                             STANDARD_RIGHTS_WRITE | SECTION_MAP_WRITE,
                                             STANDARD_RIGHTS_EXECUTE | SECTION_MAP_EXECUTE, SECTION_ALL_ACCESS};

// A shared object as the library and the manager open it.
struct SharedObject {
  const char* what;
  UniqueHandle handle;  // opened with READ_CONTROL only
  GENERIC_MAPPING mapping;
  std::vector<DWORD> asked;  // every access the library's and manager's calls ask for
};

// ---- child roles -----------------------------------------------------------------

enum RightsChildExit : int {
  ChildNotFiltered = 10,   // the token it got still has Administrators enabled
  ChildTableRefused = 11,  // the section could not be opened and mapped
  ChildMutexRefused = 12,  // the mutex could not be opened or waited on
};

// Whether this process's token has Administrators for deny only.
bool administratorsDenyOnly() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  UniqueHandle token(raw);
  std::vector<unsigned char> buffer(16384);
  DWORD needed = 0;
  if (!::GetTokenInformation(token.get(), TokenGroups, buffer.data(), static_cast<DWORD>(buffer.size()), &needed))
    return false;
  unsigned char admins[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof admins;
  ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size);
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (::EqualSid(groups->Groups[i].Sid, admins))
      return (groups->Groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY) != 0;
  }
  return false;
}

// Opens a table and its mutex the way the library does at attach, from a
// process started with the filtered token.
// args: section mutex
VK_E2E_CHILD_ROLE(open_table_filtered) {
  if (args.size() != 2) return e2e::ChildBadArguments;
  if (!administratorsDenyOnly()) return ChildNotFiltered;
  Win32KernelObjects kernel;
  LockTableView view;
  if (!view.open(kernel, args[0].c_str())) return ChildTableRefused;
  KernelHandle mutex = kernel.createMutex(args[1].c_str(), true);
  if (mutex == nullptr) return ChildMutexRefused;
  const bool held = acquired(kernel.waitMutex(mutex, 5000));
  if (held) kernel.releaseMutex(mutex);
  kernel.releaseMutex(mutex);
  kernel.closeMutex(mutex);
  view.close();
  return held ? static_cast<int>(e2e::ChildOk) : static_cast<int>(ChildMutexRefused);
}

Process spawnWithToken(HANDLE primaryToken, const std::string& exe, const std::vector<std::string>& args) {
  std::string line = "\"" + exe + "\"";
  for (const std::string& a : args) line += " \"" + a + "\"";
  std::vector<char> mutableLine(line.begin(), line.end());
  mutableLine.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessAsUserA(primaryToken, exe.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &si, &pi)) {
    ADD_FAILURE() << "CreateProcessAsUser " << exe << " failed: " << ::GetLastError();
    return Process();
  }
  return Process(UniqueHandle(pi.hProcess), UniqueHandle(pi.hThread), pi.dwProcessId);
}

std::string selfPath() {
  char self[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  return std::string(self, n);
}

// ---- the manager's objects --------------------------------------------------------

class SharedObjectRights : public e2e::ManagerSession {
 protected:
  std::vector<Process*> helperProcesses() override { return {&guarded_}; }

  // The manager's three objects and a claim marker made the way the library
  // makes one (the same adapter code is compiled into vkgate.dll).
  std::vector<SharedObject> openObjects() {
    std::vector<SharedObject> objects;
    objects.push_back({"section \"vantakey\"", UniqueHandle(::OpenFileMappingA(READ_CONTROL, FALSE, kSectionName)),
                       kSectionMapping, {SECTION_ALL_ACCESS, FILE_MAP_WRITE}});
    objects.push_back({"mutex \"Vantak\"", UniqueHandle(::OpenMutexA(READ_CONTROL, FALSE, kTableMutexName)),
                       kMutexMapping, {MUTEX_ALL_ACCESS, SYNCHRONIZE | MUTEX_MODIFY_STATE}});
    objects.push_back({"mutex \"Vantakey\"", UniqueHandle(::OpenMutexA(READ_CONTROL, FALSE, kInstanceMutexName)),
                       kMutexMapping, {MUTEX_ALL_ACCESS}});
    objects.push_back({"claim marker", UniqueHandle(::OpenMutexA(READ_CONTROL, FALSE, marker_.c_str())),
                       kMutexMapping, {MUTEX_ALL_ACCESS, SYNCHRONIZE | MUTEX_MODIFY_STATE}});
    return objects;
  }

  void SetUp() override {
    ManagerSession::SetUp();
    if (HasFatalFailure()) return;
    FileLock lock;
    lock.title = kLockedTitle;
    lock.action = DenyAccess;
    lock.digest = digestOf(e2e::kSystemPassword);
    writeDatabase({lock});
    startManager();
    // A free tag's marker, as beginClaim makes it: created owned.
    marker_ = "Vantak.claim." + std::to_string(60000 + ::GetCurrentProcessId() % 5000);
    markerHandle_ = kernel_.createMutex(marker_.c_str(), true);
    ASSERT_NE(markerHandle_, nullptr);
  }

  void TearDown() override {
    if (markerHandle_ != nullptr) {
      kernel_.releaseMutex(markerHandle_);
      kernel_.closeMutex(markerHandle_);
    }
    ManagerSession::TearDown();
  }

  std::string marker_;
  KernelHandle markerHandle_ = nullptr;
  Process guarded_;
};

TEST_F(SharedObjectRights, EachObjectCarriesExactlyTheIntendedListAndALowNoWriteUpLabel) {
  std::string user, logon;
  ownSids(user, logon);
  ASSERT_FALSE(logon.empty()) << "Wine's token has a logon SID (TokenLogonSid)";
  const std::string expected = "D:(A;;0x1fffff;;;SY)(A;;0x1fffff;;;BA)(A;;0x1fffff;;;" + user +
                               ")(A;;0x1fffff;;;" + logon + ")";
  for (SharedObject& o : openObjects()) {
    ASSERT_TRUE(o.handle.valid()) << o.what << " cannot be opened for READ_CONTROL";
    const Descriptor sd = securityOf(o.handle.get(), DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION);
    EXPECT_EQ(expected, daclText(sd)) << o.what;
    EXPECT_EQ("S-1-16-4096 0x11 0x1;", labelText(sd)) << o.what;
  }
}

TEST_F(SharedObjectRights, AFilteredTokenIsGrantedWhatIsAskedForAndRefusedByTheOldDescriptor) {
  UniqueHandle token = filteredToken(TokenImpersonation);
  ASSERT_TRUE(token.valid()) << ::GetLastError();
  const Descriptor old = fromText(kElevatedDefaultDescriptor);
  ASSERT_FALSE(old.empty());
  for (SharedObject& o : openObjects()) {
    ASSERT_TRUE(o.handle.valid()) << o.what;
    // AccessCheck needs an owner and a group besides the list.
    const Descriptor sd = securityOf(o.handle.get(), OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                                         DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION);
    for (DWORD asked : o.asked) {
      const Check now = accessCheck(sd, token.get(), asked, o.mapping);
      ASSERT_TRUE(now.called) << o.what << ": " << ::GetLastError();
      EXPECT_TRUE(now.granted) << o.what << std::hex << " asked 0x" << asked;
      EXPECT_EQ(asked, now.rights & asked) << o.what << std::hex << " asked 0x" << asked;
      const Check before = accessCheck(old, token.get(), asked, o.mapping);
      ASSERT_TRUE(before.called) << o.what;
      EXPECT_FALSE(before.granted) << o.what << std::hex << " asked 0x" << asked
                                   << ": the old descriptor would have let it in";
    }
  }
}

TEST_F(SharedObjectRights, AProcessWithTheFilteredTokenOpensTheTableAndIsGuarded) {
  UniqueHandle primary = filteredToken(TokenPrimary);
  ASSERT_TRUE(primary.valid()) << ::GetLastError();

  // The manager's own table, from a process whose token Wine checks.
  Process child = spawnWithToken(primary.get(), selfPath(),
                                 {"--child", "open_table_filtered", kSectionName, kTableMutexName});
  ASSERT_TRUE(child.started());
  DWORD code = 0;
  ASSERT_TRUE(child.wait(kAppearMs, &code));
  EXPECT_EQ(static_cast<DWORD>(e2e::ChildOk), code)
      << "10: Wine did not give the child the filtered token; 11/12: the table refused it";

  // The same process, objects made with the old descriptor: refused. So the
  // pass above is the descriptor's doing, not a check that never happens.
  const Descriptor old = fromText(kElevatedDefaultDescriptor);
  SECURITY_ATTRIBUTES oldAttributes{sizeof oldAttributes, const_cast<unsigned char*>(old.data()), FALSE};
  const std::string section = e2e::uniqueName("old-section");
  const std::string mutex = e2e::uniqueName("old-mutex");
  UniqueHandle oldSection(::CreateFileMappingA(INVALID_HANDLE_VALUE, &oldAttributes, PAGE_READWRITE, 0,
                                               kSectionSize, section.c_str()));
  UniqueHandle oldMutex(::CreateMutexA(&oldAttributes, FALSE, mutex.c_str()));
  ASSERT_TRUE(oldSection.valid() && oldMutex.valid());
  Process refused = spawnWithToken(primary.get(), selfPath(), {"--child", "open_table_filtered", section, mutex});
  ASSERT_TRUE(refused.started());
  ASSERT_TRUE(refused.wait(kAppearMs, &code));
  EXPECT_EQ(static_cast<DWORD>(ChildTableRefused), code);

  // And a window of such a process is guarded by the running manager.
  guarded_ = spawnWithToken(primary.get(), e2e::siblingPath("guarded_window.exe"), {"--title", kLockedTitle});
  ASSERT_TRUE(guarded_.started());
  HWND prompt = e2e::waitForShown(guarded_.id(), kDialogClass, kLockedTitle);
  ASSERT_NE(prompt, nullptr) << "no prompt in the filtered process: " << e2e::describeWindowsOf(guarded_.id());
  // The claim marker the library made there for the prompt carries the same list.
  const LockRecord claimed = record(0);
  ASSERT_EQ(claimed.promptBusy, 1u);
  ASSERT_NE(claimed.claimTag, 0u);
  const std::string marker = "Vantak.claim." + std::to_string(claimed.claimTag);
  UniqueHandle markerHandle(::OpenMutexA(READ_CONTROL, FALSE, marker.c_str()));
  ASSERT_TRUE(markerHandle.valid()) << marker;
  std::string user, logon;
  ownSids(user, logon);
  EXPECT_EQ("D:(A;;0x1fffff;;;SY)(A;;0x1fffff;;;BA)(A;;0x1fffff;;;" + user + ")(A;;0x1fffff;;;" + logon + ")",
            daclText(securityOf(markerHandle.get(), DACL_SECURITY_INFORMATION)));
  EXPECT_EQ("S-1-16-4096 0x11 0x1;", labelText(securityOf(markerHandle.get(), LABEL_SECURITY_INFORMATION)));
  e2e::pressButton(prompt, IDCANCEL);
  EXPECT_TRUE(e2e::gone(prompt));
}

// ---- the database's place -----------------------------------------------------------

// Where "vk2.dat" is before a start: the current place and the two older ones.
struct PlaceCase {
  const char* name;
  const char* current;       // the lock title in that file; nullptr: no file
  const char* virtualStore;
  const char* windows;
  const char* loaded;        // the lock the manager shows; nullptr: first run
};

class DatabasePlace : public e2e::ManagerSession, public testing::WithParamInterface<PlaceCase> {
 protected:
  static std::vector<unsigned char> imageWith(const char* title) {
    FileLock lock;
    lock.title = title;
    lock.digest = digestOf(e2e::kSystemPassword);
    return e2e::databaseImage(e2e::kSystemPassword, {lock});
  }

  static void put(const std::string& path, const char* title) {
    if (title == nullptr) return;
    ASSERT_TRUE(e2e::makeFoldersFor(path));
    ASSERT_TRUE(e2e::writeWholeFile(path, imageWith(title))) << path;
  }

  static void expectFile(const std::string& path, const char* title) {
    std::vector<unsigned char> bytes;
    if (title == nullptr) {
      EXPECT_FALSE(e2e::readWholeFile(path, bytes)) << path << " was made";
      return;
    }
    ASSERT_TRUE(e2e::readWholeFile(path, bytes)) << path << " is gone";
    EXPECT_EQ(imageWith(title), bytes) << path << " was changed";
  }
};

TEST_P(DatabasePlace, TheNewestPlaceIsLoadedAndTheNewPlaceSaved) {
  const PlaceCase& c = GetParam();
  ::DeleteFileA(databasePath_.c_str());  // kept aside by the fixture
  put(databasePath_, c.current);
  put(e2e::virtualStoreFile("vk2.dat"), c.virtualStore);
  put(e2e::windowsFile("vk2.dat"), c.windows);

  if (c.loaded == nullptr) {
    HWND wizard = startIntoFirstRun();
    ASSERT_NE(wizard, nullptr) << "no first-run wizard without any vk2.dat";
    completeFirstRun(wizard, "first place password", "Where?", "here");
    EXPECT_NE(::GetFileAttributesA(databasePath_.c_str()), INVALID_FILE_ATTRIBUTES) << "the first run saved nothing";
    expectFile(e2e::virtualStoreFile("vk2.dat"), nullptr);
    expectFile(e2e::windowsFile("vk2.dat"), nullptr);
    return;
  }
  startManager();
  ASSERT_EQ(recordCount(), 1u);
  EXPECT_STREQ(record(0).title, c.loaded);
  endManager();

  // The exit's save went to the new place; older files are as they were.
  std::vector<unsigned char> saved;
  std::vector<FileLock> locks;
  ASSERT_TRUE(e2e::readWholeFile(databasePath_, saved)) << "nothing saved in " << databasePath_;
  ASSERT_TRUE(e2e::readLocks(saved, locks));
  ASSERT_EQ(locks.size(), 1u);
  EXPECT_EQ(locks[0].title, c.loaded);
  expectFile(e2e::virtualStoreFile("vk2.dat"), c.virtualStore);
  expectFile(e2e::windowsFile("vk2.dat"), c.windows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatabasePlace,
    testing::Values(PlaceCase{"OnlyTheWindowsDirectory", nullptr, nullptr, "vk old place", "vk old place"},
                    PlaceCase{"OnlyTheVirtualStore", nullptr, "vk virtual store", nullptr, "vk virtual store"},
                    PlaceCase{"OnlyTheNewPlace", "vk new place", nullptr, nullptr, "vk new place"},
                    PlaceCase{"BothTheNewPlaceWins", "vk new place", nullptr, "vk old place", "vk new place"},
                    PlaceCase{"NeitherIsAFirstRun", nullptr, nullptr, nullptr, nullptr}),
    [](const testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

// ---- the database folder ------------------------------------------------------------

class DataFolder : public e2e::ManagerSession {
 protected:
  void SetUp() override {
    ManagerSession::SetUp();
    if (HasFatalFailure()) return;
    // The folder goes away for the test (its files are put back afterwards).
    folder_ = e2e::dataFolder();
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder_ + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        const std::string path = folder_ + "\\" + found.cFileName;
        std::vector<unsigned char> bytes;
        if (e2e::readWholeFile(path, bytes)) kept_.push_back({path, bytes});
        ::DeleteFileA(path.c_str());
      } while (::FindNextFileA(search, &found));
      ::FindClose(search);
    }
    ASSERT_TRUE(::RemoveDirectoryA(folder_.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND ||
                ::GetLastError() == ERROR_PATH_NOT_FOUND)
        << folder_ << " cannot be removed for the test: " << ::GetLastError();
  }

  void TearDown() override {
    ManagerSession::TearDown();
    for (const auto& k : kept_) {
      EXPECT_TRUE(e2e::makeFoldersFor(k.first) && e2e::writeWholeFile(k.first, k.second)) << k.first;
    }
  }

  std::string folder_;
  std::vector<std::pair<std::string, std::vector<unsigned char>>> kept_;
};

TEST_F(DataFolder, TheFirstRunMakesTheFolderAndSavesInIt) {
  ASSERT_EQ(::GetFileAttributesA(folder_.c_str()), INVALID_FILE_ATTRIBUTES);
  HWND wizard = startIntoFirstRun();
  ASSERT_NE(wizard, nullptr);
  completeFirstRun(wizard, "folder password", "Which folder?", "the shared one");
  const DWORD attributes = ::GetFileAttributesA(folder_.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "the manager did not make " << folder_;
  EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(::GetFileAttributesA(databasePath_.c_str()), INVALID_FILE_ATTRIBUTES);

  // What Wine reports for the folder: it keeps no file ACLs of its own, but
  // turns the one it is given into Unix permissions, so a folder made with the
  // folder descriptor (no entry for Everyone) shows no Everyone entry where a
  // folder made with none shows one.
  PSECURITY_DESCRIPTOR sd = nullptr;
  PACL dacl = nullptr;
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
            ::GetNamedSecurityInfoA(folder_.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &dacl, nullptr, &sd));
  LPSTR text = nullptr;
  ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorA(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                                     &text, nullptr));
  const std::string reported = text;
  ::LocalFree(text);
  ::LocalFree(sd);
  RecordProperty("wine_folder_dacl", reported);
  EXPECT_EQ(std::string::npos, reported.find(";;;WD)")) << reported;
}

TEST(DataFolderDescriptor, IsExactlyTheProtectedListAndGrantsAFilteredTokenCreateAndReplace) {
  win32::DataFolderSecurity security;
  ASSERT_NE(security.attributes(), nullptr);
  auto* sd = static_cast<PSECURITY_DESCRIPTOR>(security.attributes()->lpSecurityDescriptor);
  LPSTR text = nullptr;
  ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorA(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                                     &text, nullptr));
  const std::string dacl = text;
  ::LocalFree(text);
  // The installer makes the folder from this same text.
  EXPECT_EQ("D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", dacl);

  // As a file's inherited list and as the folder's own, with an owner that
  // is someone else (the user who saved first, say), for the filtered token.
  const std::string withOwner = "O:SYG:SY" + dacl.substr(0, 2) + dacl.substr(3);  // without P
  const Descriptor folder = fromText(withOwner.c_str());
  const Descriptor file = fromText("O:SYG:SYD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)");
  ASSERT_FALSE(folder.empty() || file.empty());
  UniqueHandle token = filteredToken(TokenImpersonation);
  ASSERT_TRUE(token.valid());
  constexpr GENERIC_MAPPING kFileMapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                                            FILE_ALL_ACCESS};
  const Check create = accessCheck(folder, token.get(), FILE_ADD_FILE | FILE_TRAVERSE | SYNCHRONIZE, kFileMapping);
  EXPECT_TRUE(create.granted) << "create a file in the folder";
  const Check replace = accessCheck(file, token.get(), DELETE | GENERIC_WRITE | GENERIC_READ, kFileMapping);
  EXPECT_TRUE(replace.granted) << "write and replace a file another user saved";
  const Check rights = accessCheck(file, token.get(), WRITE_DAC, kFileMapping);
  EXPECT_FALSE(rights.granted) << "users must not change a file's rights";
}

}  // namespace
}  // namespace vk
