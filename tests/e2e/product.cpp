#include "product.h"

#include <prsht.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstring>

#include "platform/win32/handle.h"

namespace vk {
namespace e2e {

// ---- dialogs of other processes ---------------------------------------------------

void pressButton(HWND dialog, int id) {
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::string itemText(HWND dialog, int id) {
  char text[1024];
  const UINT n = ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return std::string(text, n);
}

std::string staticTexts(HWND dialog) {
  std::string all;
  ::EnumChildWindows(
      dialog,
      [](HWND child, LPARAM p) -> BOOL {
        if (_stricmp(windowClass(child).c_str(), "Static") == 0) {
          auto* out = reinterpret_cast<std::string*>(p);
          *out += windowTitle(child);
          *out += '|';
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND waitForShown(DWORD pid, const char* className, const char* caption, const char* text, DWORD deadlineMs) {
  HWND found = nullptr;
  waitUntil(
      [&] {
        found = nullptr;
        for (HWND w : windowsOf(pid)) {
          if (windowClass(w) != className || !::IsWindowVisible(w)) continue;
          if (caption != nullptr && windowTitle(w) != caption) continue;
          if (text != nullptr && staticTexts(w).find(text) == std::string::npos) continue;
          found = w;
          return true;
        }
        return false;
      },
      deadlineMs);
  return found;
}

bool gone(HWND w) {
  return waitUntil([&] { return !::IsWindow(w); }, kSettleMs);
}

bool isShownNormally(HWND w) { return ::IsWindowVisible(w) && !::IsIconic(w); }

void paintNow(HWND w) { ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); }

void screenshot(HWND w, const std::string& name, HWND behind) {
  if (!screenshotsEnabled()) return;
  if (behind != nullptr) paintNow(behind);
  paintNow(w);
  EXPECT_TRUE(takeScreenshot(name)) << name;
}

void click(HWND dialog, int id) { ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool isChecked(HWND dialog, int id) {
  return ::SendMessageA(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

LRESULT ask(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutA(w, message, wParam, lParam, SMTO_NORMAL, 2000, &result) == 0) return -1;
  return static_cast<LRESULT>(result);
}

// ---- wizards of other processes -----------------------------------------------------

int currentPage(HWND wizard) {
  const LRESULT page = ask(wizard, PSM_GETCURRENTPAGEHWND, 0, 0);
  if (page == 0 || page == -1) return 0;
  const LRESULT index = ask(wizard, PSM_HWNDTOINDEX, static_cast<WPARAM>(page), 0);
  if (index < 0) return 0;
  return static_cast<int>(ask(wizard, PSM_INDEXTOID, static_cast<WPARAM>(index), 0));
}

HWND waitForPage(HWND wizard, int id, DWORD deadlineMs) {
  HWND page = nullptr;
  waitUntil(
      [&] {
        if (!::IsWindowVisible(wizard) || currentPage(wizard) != id) return false;
        page = reinterpret_cast<HWND>(ask(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
        return page != nullptr && ::IsWindowVisible(page);
      },
      deadlineMs);
  return page;
}

HWND nextTo(HWND wizard, int id, const std::string& shotPrefix) {
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
  HWND page = waitForPage(wizard, id);
  EXPECT_NE(page, nullptr) << "Next did not lead to page " << id << " (now on " << currentPage(wizard) << ")";
  if (page != nullptr && !shotPrefix.empty()) screenshot(wizard, shotPrefix + std::to_string(id));
  return page;
}

HWND passwordTriesAndMinutes(HWND wizard, const char* password, const char* tries, const char* minutes,
                             const std::string& shotPrefix) {
  // Each page is shot once it is filled in.
  auto shoot = [&](int id) {
    if (!shotPrefix.empty()) screenshot(wizard, shotPrefix + std::to_string(id));
  };
  HWND page = nextTo(wizard, kPagePassword, "");
  if (page == nullptr) return nullptr;
  EXPECT_EQ(::SendMessageA(::GetDlgItem(page, kPasswordBox), EM_GETPASSWORDCHAR, 0, 0), '*');
  ::SetDlgItemTextA(page, kPasswordBox, password);
  shoot(kPagePassword);
  if ((page = nextTo(wizard, kPageAgain, "")) == nullptr) return nullptr;
  ::SetDlgItemTextA(page, kPasswordBox, password);
  shoot(kPageAgain);
  if ((page = nextTo(wizard, kPageTries, "")) == nullptr) return nullptr;
  EXPECT_EQ(itemText(page, kTriesBox), "3");
  ::SetDlgItemTextA(page, kTriesBox, tries);
  shoot(kPageTries);
  if ((page = nextTo(wizard, kPageRelock, "")) == nullptr) return nullptr;
  EXPECT_EQ(itemText(page, kMinutesBox), "5");
  ::SetDlgItemTextA(page, kMinutesBox, minutes);
  shoot(kPageRelock);
  return nextTo(wizard, kPageAction, shotPrefix);
}

HWND waitForPrompt(DWORD pid, const char* caption) { return waitForShown(pid, kDialogClass, caption); }

void enterPassword(HWND prompt, const char* password) {
  ASSERT_TRUE(::SetDlgItemTextA(prompt, kPromptPasswordEdit, password));
  pressButton(prompt, IDOK);
}

int trayWindowCount() {
  int count = 0;
  for (HWND w = ::FindWindowExA(nullptr, nullptr, kTrayClass, kTrayTitle); w != nullptr;
       w = ::FindWindowExA(nullptr, w, kTrayClass, kTrayTitle)) {
    ++count;
  }
  return count;
}

// ---- resources of a program file -----------------------------------------------------

bool readDialogHeader(HMODULE module, int id, DialogHeader& header) {
  HRSRC r = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (r == nullptr) return false;
  const auto* bytes = static_cast<const unsigned char*>(::LockResource(::LoadResource(module, r)));
  const DWORD size = ::SizeofResource(module, r);
  if (bytes == nullptr || size < 26) return false;
  auto word = [&](DWORD at) -> WORD { return at + 2 <= size ? static_cast<WORD>(bytes[at] | bytes[at + 1] << 8) : 0; };
  auto dword = [&](DWORD at) -> DWORD { return static_cast<DWORD>(word(at)) | static_cast<DWORD>(word(at + 2)) << 16; };
  header.extended = word(0) == 1 && word(2) == 0xFFFF;
  DWORD at = 0;
  if (header.extended) {
    header.style = dword(12);
    header.cx = static_cast<short>(word(22));
    header.cy = static_cast<short>(word(24));
    at = 26;
  } else {
    header.style = dword(0);
    header.cx = static_cast<short>(word(14));
    header.cy = static_cast<short>(word(16));
    at = 18;
  }
  // Menu and class: none (0), an ordinal (0xFFFF and a number) or a string;
  // then the caption, always a string.
  auto skipNameOrOrdinal = [&]() {
    if (word(at) == 0xFFFF) {
      at += 4;
      return;
    }
    while (at + 2 <= size && word(at) != 0) at += 2;
    at += 2;
  };
  skipNameOrOrdinal();
  skipNameOrOrdinal();
  while (at + 2 <= size && word(at) != 0) at += 2;
  at += 2;
  header.font.clear();
  header.pointSize = 0;
  if ((header.style & DS_SETFONT) != 0) {
    header.pointSize = word(at);
    at += header.extended ? 6 : 2;  // weight, italic and character set in a DIALOGEX
    while (at + 2 <= size && word(at) != 0) {
      header.font += static_cast<char>(word(at) < 0x80 ? word(at) : '?');
      at += 2;
    }
  }
  return at <= size;
}

// ---- files -------------------------------------------------------------------------

std::string windowsFile(const char* name) {
  char dir[MAX_PATH];
  const UINT n = ::GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir, n) + "\\" + name;
}

namespace {

std::string knownFolder(const KNOWNFOLDERID& id) {
  PWSTR wide = nullptr;
  std::string path;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &wide))) {
    char narrow[MAX_PATH * 2] = {};
    ::WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    path = narrow;
  }
  ::CoTaskMemFree(wide);
  return path;
}

}  // namespace

std::string dataFolder() { return knownFolder(FOLDERID_ProgramData) + "\\Vantakey"; }

std::string dataFile(const char* name) { return dataFolder() + "\\" + name; }

std::string virtualStoreFile(const char* name) {
  return knownFolder(FOLDERID_LocalAppData) + "\\VirtualStore" + windowsFile(name).substr(2);
}

bool makeFoldersFor(const std::string& path) {
  for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
    const std::string folder = path.substr(0, at);
    if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
  bytes.clear();
  win32::UniqueFile f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  unsigned char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(f.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  return true;
}

bool writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  win32::UniqueFile f(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  DWORD written = 0;
  return ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// ---- "vk2.dat" ----------------------------------------------------------------------

bool FileLock::operator==(const FileLock& o) const {
  return className == o.className && title == o.title && wildcard == o.wildcard && enabled == o.enabled &&
         maxTries == o.maxTries && relockSeconds == o.relockSeconds && action == o.action &&
         std::memcmp(digest.bytes, o.digest.bytes, sizeof digest.bytes) == 0;
}

std::ostream& operator<<(std::ostream& out, const FileLock& l) {
  return out << "{class \"" << l.className << "\", title \"" << l.title << "\", wildcard " << l.wildcard
             << ", enabled " << l.enabled << ", tries " << l.maxTries << ", relock " << l.relockSeconds
             << ", action " << l.action << "}";
}

std::vector<unsigned char> databaseImage(const char* systemPassword, const std::vector<FileLock>& locks,
                                         bool shutDownAtLogOff) {
  std::vector<unsigned char> b;
  auto u8 = [&](unsigned v) { b.push_back(static_cast<unsigned char>(v)); };
  auto u16 = [&](unsigned v) {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  };
  auto i32 = [&](std::int32_t v) {
    for (int i = 0; i < 4; ++i) u8((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
  };
  auto text = [&](const std::string& s) {
    u16(static_cast<unsigned>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
  };
  auto digest = [&](const PasswordDigest& d) { b.insert(b.end(), d.bytes, d.bytes + 20); };
  digest(systemPassword != nullptr ? digestOf(systemPassword) : PasswordDigest{});
  text("NONE");
  digest(PasswordDigest{});
  text("");
  text("");
  u8(shutDownAtLogOff ? 1 : 0);
  u16(0);
  u16(0);
  u16(static_cast<unsigned>(locks.size()));
  for (const FileLock& l : locks) {
    text(l.className);
    text(l.title);
    u8(l.wildcard ? 1 : 0);
    u8(l.enabled ? 1 : 0);
    u16(l.maxTries);
    i32(l.relockSeconds);
    u16(l.action);
    digest(l.digest);
  }
  return b;
}

bool readLocks(const std::vector<unsigned char>& file, std::vector<FileLock>& locks) {
  std::size_t at = 0;
  auto have = [&](std::size_t n) { return file.size() - at >= n; };
  auto u16 = [&](unsigned& v) {
    if (!have(2)) return false;
    v = file[at] | (file[at + 1] << 8);
    at += 2;
    return true;
  };
  auto text = [&](std::string* out) {
    unsigned n = 0;
    if (!u16(n) || !have(n)) return false;
    if (out != nullptr) out->assign(reinterpret_cast<const char*>(&file[at]), n);
    at += n;
    return true;
  };
  auto skip = [&](std::size_t n) {
    if (!have(n)) return false;
    at += n;
    return true;
  };
  unsigned count = 0, ignored = 0;
  if (!skip(20) || !text(nullptr) || !skip(20) || !text(nullptr) || !text(nullptr) || !skip(1) || !u16(ignored) ||
      !u16(ignored) || !u16(count)) {
    return false;
  }
  locks.clear();
  for (unsigned i = 0; i < count; ++i) {
    FileLock l;
    unsigned tries = 0, action = 0;
    if (!text(&l.className) || !text(&l.title) || !have(2)) return false;
    // The manager writes flags as exactly 0 or 1; anything else is a bad file.
    if (file[at] > 1 || file[at + 1] > 1) return false;
    l.wildcard = file[at] == 1;
    l.enabled = file[at + 1] == 1;
    at += 2;
    if (!u16(tries) || !have(4)) return false;
    l.relockSeconds = static_cast<std::int32_t>(file[at] | (file[at + 1] << 8) | (file[at + 2] << 16) |
                                                (static_cast<std::uint32_t>(file[at + 3]) << 24));
    at += 4;
    if (!u16(action) || !have(20)) return false;
    std::memcpy(l.digest.bytes, &file[at], 20);
    at += 20;
    l.maxTries = static_cast<std::uint16_t>(tries);
    l.action = static_cast<std::uint16_t>(action);
    locks.push_back(l);
  }
  return true;
}

FileLock fromRecord(const LockRecord& r) {
  FileLock l;
  l.className.assign(r.className, strnlen(r.className, sizeof r.className));
  l.title.assign(r.title, strnlen(r.title, sizeof r.title));
  l.wildcard = r.wildcard != 0;
  l.enabled = r.enabled != 0;
  l.maxTries = r.maxTries;
  l.relockSeconds = r.relockSeconds;
  l.action = r.action;
  l.digest = r.digest;
  return l;
}

// ---- the manager's list ---------------------------------------------------------------

RemoteBlock::RemoteBlock(HANDLE process, std::size_t size)
    : process_(process), address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}

RemoteBlock::~RemoteBlock() {
  if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteBlock::write(std::size_t offset, const void* data, std::size_t size) const {
  SIZE_T done = 0;
  return ::WriteProcessMemory(process_, at(offset), data, size, &done) && done == size;
}

bool RemoteBlock::read(std::size_t offset, void* data, std::size_t size) const {
  SIZE_T done = 0;
  return ::ReadProcessMemory(process_, at(offset), data, size, &done) && done == size;
}

std::vector<Row> listRows(HANDLE process, HWND list) {
  constexpr int kColumns = 6;
  std::vector<Row> rows;
  const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  constexpr std::size_t kText = 300;
  RemoteBlock block(process, sizeof(LVITEMA) + kText);
  if (!block.valid()) return rows;
  for (int r = 0; r < count; ++r) {
    Row row;
    for (int c = 0; c < kColumns; ++c) {
      LVITEMA item;
      std::memset(&item, 0, sizeof item);
      item.iSubItem = c;
      item.pszText = reinterpret_cast<char*>(block.at(sizeof(LVITEMA)));
      item.cchTextMax = static_cast<int>(kText);
      char text[kText] = {};
      if (!block.write(0, &item, sizeof item)) return rows;
      const LRESULT n = ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(r),
                                       reinterpret_cast<LPARAM>(block.at(0)));
      if (!block.read(sizeof(LVITEMA), text, kText)) return rows;
      row.emplace_back(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    rows.push_back(row);
  }
  return rows;
}

bool selectRows(HANDLE process, HWND list, const std::vector<int>& rows, UINT state) {
  RemoteBlock block(process, sizeof(LVITEMA));
  if (!block.valid()) return false;
  auto setState = [&](WPARAM row, UINT value) {
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.stateMask = state;
    item.state = value;
    return block.write(0, &item, sizeof item) &&
           ::SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(block.at(0))) != FALSE;
  };
  if (!setState(static_cast<WPARAM>(-1), 0)) return false;
  for (int r : rows) {
    if (!setState(static_cast<WPARAM>(r), state)) return false;
  }
  return static_cast<int>(::SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)) == static_cast<int>(rows.size());
}

// ---- the fixture ---------------------------------------------------------------------

void ManagerSession::SetUp() {
  ASSERT_EQ(trayWindowCount(), 0) << "a manager is running already";
  databasePath_ = dataFile("vk2.dat");
  hadDatabase_ = readWholeFile(databasePath_, savedDatabase_);
  olderPath_ = windowsFile("vk.dat");
  hadOlder_ = readWholeFile(olderPath_, savedOlder_);
  ::DeleteFileA(olderPath_.c_str());
  // Older installations' copies of "vk2.dat" would be taken over whenever a
  // test starts without one in the current place.
  for (const std::string& path : {windowsFile("vk2.dat"), virtualStoreFile("vk2.dat")}) {
    SetAside aside{path, {}, false};
    aside.had = readWholeFile(path, aside.bytes);
    ::DeleteFileA(path.c_str());
    setAside_.push_back(aside);
  }
  ASSERT_TRUE(table_.open(kernel_));
  mutex_ = kernel_.createMutex(kTableMutexName, false);
  ASSERT_NE(mutex_, nullptr);
}

void ManagerSession::TearDown() {
  endManager();
  for (Process* p : helperProcesses()) {
    if (p->running()) p->terminate();
  }
  if (manager_.running()) manager_.terminate();
  if (hadDatabase_) {
    EXPECT_TRUE(makeFoldersFor(databasePath_) && writeWholeFile(databasePath_, savedDatabase_));
  } else {
    ::DeleteFileA(databasePath_.c_str());
  }
  for (const SetAside& aside : setAside_) {
    if (aside.had) {
      EXPECT_TRUE(makeFoldersFor(aside.path) && writeWholeFile(aside.path, aside.bytes)) << aside.path;
    } else {
      ::DeleteFileA(aside.path.c_str());
    }
  }
  setAside_.clear();
  if (hadOlder_) {
    EXPECT_TRUE(writeWholeFile(olderPath_, savedOlder_));
  } else if (!olderPath_.empty()) {
    ::DeleteFileA(olderPath_.c_str());
  }
  table_.close();
  if (mutex_ != nullptr) kernel_.closeMutex(mutex_);
}

void ManagerSession::writeDatabase(const std::vector<FileLock>& locks, bool shutDownAtLogOff) {
  ASSERT_TRUE(makeFoldersFor(databasePath_));
  ASSERT_TRUE(writeWholeFile(databasePath_, databaseImage(kSystemPassword, locks, shutDownAtLogOff)));
}

HWND ManagerSession::startIntoFirstRun() {
  manager_ = spawn(managerProgram_, {});
  EXPECT_TRUE(manager_.started());
  return waitForShown(manager_.id(), kDialogClass, kWelcomeCaption);
}

void ManagerSession::completeFirstRun(HWND wizard, const char* password, const char* question, const char* answer,
                                      const std::string& shotPrefix) {
  // Each page is shot once it is filled in.
  auto shoot = [&](int id) {
    if (firstRunPageVisitor_) firstRunPageVisitor_(wizard, id);
    if (!shotPrefix.empty()) screenshot(wizard, shotPrefix + std::to_string(id));
  };
  HWND page = waitForPage(wizard, kPageWelcome);
  ASSERT_NE(page, nullptr);
  shoot(kPageWelcome);
  ASSERT_NE(page = nextTo(wizard, kPageNewPassword, ""), nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(page, kPasswordBox, password));
  shoot(kPageNewPassword);
  ASSERT_NE(page = nextTo(wizard, kPageRetype, ""), nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(page, kRetypeBox, password));
  shoot(kPageRetype);
  ASSERT_NE(page = nextTo(wizard, kPageQuestion, ""), nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(page, kQuestionBox, question));
  shoot(kPageQuestion);
  ASSERT_NE(page = nextTo(wizard, kPageAnswer, ""), nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(page, kAnswerBox, answer));
  shoot(kPageAnswer);
  ASSERT_NE(page = nextTo(wizard, kPageReady, shotPrefix), nullptr);
  if (firstRunPageVisitor_) firstRunPageVisitor_(wizard, kPageReady);
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
  ASSERT_TRUE(gone(wizard)) << "Finish did not close the first-run wizard";
  tray_ = waitForWindow(manager_.id(), kTrayClass, kTrayTitle, kAppearMs);
  ASSERT_NE(tray_, nullptr) << "no tray window after the first-run wizard";
  ASSERT_TRUE(waitUntil([&] { return table_.cbtHook() != 0 && table_.callWndRetHook() != 0; }, kSettleMs))
      << "the hooks were not installed after the first-run wizard";
  frame_ = waitForWindow(manager_.id(), kFrameClass, kManagerCaption, kSettleMs);
  ASSERT_NE(frame_, nullptr);
}

void ManagerSession::startManager() {
  manager_ = spawn(managerProgram_, {});
  ASSERT_TRUE(manager_.started());
  tray_ = waitForWindow(manager_.id(), kTrayClass, kTrayTitle, kAppearMs);
  ASSERT_NE(tray_, nullptr) << "no tray window";
  if (without64BitLibrary_) {
    HWND notice = waitForShown(manager_.id(), kDialogClass, "Vantakey Error", "vkgate.dll", kAppearMs);
    ASSERT_NE(notice, nullptr) << "no notice of the missing vkgate.dll";
    EXPECT_EQ(staticTexts(notice).find("32-bit"), std::string::npos) << "32-bit programs are protected";
    pressButton(notice, IDOK);
    ASSERT_TRUE(gone(notice));
  } else {
    ASSERT_TRUE(waitUntil([&] { return table_.cbtHook() != 0 && table_.callWndRetHook() != 0; }, kSettleMs))
        << "the hook handles never reached the table header";
  }
  frame_ = waitForWindow(manager_.id(), kFrameClass, kManagerCaption, kSettleMs);
  ASSERT_NE(frame_, nullptr) << "no manager window";
}

void ManagerSession::runWithout64BitLibrary() {
  const std::string folder = programDir() + "without64\\";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* file : {"vkmanager.exe", "vkhook32.exe", "vkgate32.dll"}) {
    // A copy still loaded by a process of an earlier test cannot be
    // replaced; it is the same build.
    const std::string copy = folder + file;
    ASSERT_TRUE(::CopyFileA(siblingPath(file).c_str(), copy.c_str(), FALSE) ||
                ::GetFileAttributesA(copy.c_str()) != INVALID_FILE_ATTRIBUTES)
        << file;
  }
  ::DeleteFileA((folder + "vkgate.dll").c_str());
  managerProgram_ = folder + "vkmanager.exe";
  without64BitLibrary_ = true;
}

void ManagerSession::endManager() {
  if (!manager_.running()) return;
  closeOpenDialogs();
  HWND frame = findWindow(manager_.id(), kFrameClass, kManagerCaption);
  HWND question = nullptr;
  if (frame != nullptr) {
    ::PostMessageA(frame, WM_COMMAND, MAKEWPARAM(kCmdExit, 0), 0);
    question = waitForShown(manager_.id(), kDialogClass, kManagerCaption, kExitQuestion, kSettleMs);
  }
  if (question != nullptr) pressButton(question, IDYES);
  if (question == nullptr || !manager_.wait(kAppearMs)) {
    ADD_FAILURE() << "the manager did not exit through Exit; killed, its hooks stay behind";
    manager_.terminate();
  }
}

void ManagerSession::closeOpenDialogs() {
  waitUntil(
      [&] {
        bool any = false;
        for (HWND w : windowsOf(manager_.id())) {
          if (windowClass(w) != kDialogClass || !::IsWindowVisible(w)) continue;
          any = true;
          if (windowTitle(w) == kNewLockCaption) {
            ::PostMessageA(w, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
          } else {
            pressButton(w, ::GetDlgItem(w, IDCANCEL) != nullptr ? IDCANCEL : IDOK);
          }
        }
        return !any;
      },
      kCaptureMs, 200);
}

HWND ManagerSession::openGate() {
  ::PostMessageA(tray_, kTrayMessage, kTrayIconId, WM_LBUTTONDBLCLK);
  return waitForShown(manager_.id(), kDialogClass, kManagerCaption, kGateText);
}

void ManagerSession::passGate(const char* password, const std::string& shotName) {
  HWND gate = openGate();
  ASSERT_NE(gate, nullptr) << "no password gate";
  ASSERT_TRUE(::SetDlgItemTextA(gate, kGatePasswordEdit, password));
  if (!shotName.empty()) screenshot(gate, shotName);
  pressButton(gate, IDOK);
  ASSERT_TRUE(gone(gate));
  ASSERT_TRUE(waitUntil([&] { return ::IsWindowVisible(frame_) != FALSE; }, kSettleMs));
  list_ = reinterpret_cast<HWND>(::GetPropA(frame_, "list"));
  ASSERT_NE(list_, nullptr) << "the manager window has no \"list\" property";
  ASSERT_EQ(windowClass(list_), "SysListView32");
}

HWND ManagerSession::openNewLockWizard() {
  command(kCmdNewLock);
  return waitForShown(manager_.id(), kDialogClass, kNewLockCaption);
}

void ManagerSession::command(int id) { ::PostMessageA(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

LockRecord ManagerSession::record(std::uint32_t i) {
  TableLock lock(kernel_, mutex_);
  EXPECT_TRUE(lock.held());
  return table_.record(i).copy();
}

std::uint32_t ManagerSession::recordCount() {
  TableLock lock(kernel_, mutex_);
  EXPECT_TRUE(lock.held());
  return table_.recordCount();
}

}  // namespace e2e
}  // namespace vk
