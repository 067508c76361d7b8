// Start-up of the real vkmanager.exe under Wine: for each round it writes a
// prepared "vk2.dat" (three locks), starts the manager beside this program
// and measures
//   - the time until its tray window exists (start-up step 13),
//   - the time until it answers a message in its message loop (hooks
//     installed, manager window made),
//   - its private memory (PrivateUsage, or PagefileUsage where the system
//     leaves that 0) and working set at that moment;
// then ends it the user's way (Exit, then Yes: a killed manager would leave
// its hooks behind under Wine). "vk2.dat" is put back as it was.
//   vk_manager_startup_bench.exe [--rounds N]
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/password_digest.h"
#include "manager/store/file_fields.h"

namespace {

constexpr DWORD kDeadlineMs = 30000;

std::string besideThisProgram(const char* name) {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

// Where the manager keeps "vk2.dat": "<ProgramData>\Vantakey" (made here
// when missing, so the bench runs in a fresh prefix too).
std::string databasePath() {
  char dir[MAX_PATH];
  if (!::SHGetSpecialFolderPathA(nullptr, dir, CSIDL_COMMON_APPDATA, FALSE)) return std::string();
  std::string folder = std::string(dir) + "\\Vantakey";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\vk2.dat";
}

bool readFile(const std::string& path, std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
  std::fclose(f);
  return true;
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<unsigned char> preparedDatabase() {
  std::vector<unsigned char> out;
  vk::FieldWriter w(out);
  w.writeDigest(vk::digestOf("bench"));
  w.writeText("NONE", 4);
  w.writeDigest(vk::PasswordDigest{});
  w.writeText("", 0);
  w.writeText("", 0);
  w.writeFlag(false);
  w.writeU16(0);
  w.writeU16(0);
  const char* titles[] = {"Untitled - Notepad", "Calc*", "My Diary - WordPad"};
  w.writeU16(3);
  for (const char* title : titles) {
    w.writeText("", 0);
    w.writeText(title, std::strlen(title));
    w.writeFlag(title[4] == '*');
    w.writeFlag(true);
    w.writeU16(3);
    w.writeI32(300);
    w.writeU16(1);
    w.writeDigest(vk::digestOf("bench"));
  }
  return out;
}

double millisSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HWND windowOf(DWORD pid, const char* className, const char* title) {
  struct Search {
    DWORD pid;
    const char* className;
    const char* title;
    HWND found;
  } s{pid, className, title, nullptr};
  ::EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        char cls[64] = {}, text[128] = {};
        ::GetClassNameA(w, cls, sizeof cls);
        ::GetWindowTextA(w, text, sizeof text);
        if (owner == s->pid && std::strcmp(cls, s->className) == 0 && std::strcmp(text, s->title) == 0 &&
            (std::strcmp(s->className, "#32770") != 0 || ::IsWindowVisible(w))) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

template <typename Predicate>
bool pollUntil(Predicate done) {
  const ULONGLONG end = ::GetTickCount64() + kDeadlineMs;
  while (!done()) {
    if (::GetTickCount64() >= end) return false;
    ::Sleep(1);
  }
  return true;
}

struct Round {
  double trayMs = 0;
  double idleMs = 0;
  double privateKb = 0;
  double workingSetKb = 0;
};

bool runRound(const std::string& manager, Round& round) {
  STARTUPINFOA si;
  std::memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::memset(&pi, 0, sizeof pi);
  std::vector<char> line(manager.begin(), manager.end());
  line.push_back('\0');
  LARGE_INTEGER start;
  ::QueryPerformanceCounter(&start);
  if (!::CreateProcessA(manager.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "cannot start %s\n", manager.c_str());
    return false;
  }
  bool ok = pollUntil([&] { return windowOf(pi.dwProcessId, "VantakeyClass", "vk") != nullptr; });
  round.trayMs = millisSince(start);
  // The manager window is made last before the loop; a message sent to it is
  // answered once the manager's thread takes messages again, in its loop.
  // (WaitForInputIdle would not do: under Wine the icon's SendMessage to the
  // notification area already counts as idle.)
  HWND frame = nullptr;
  ok = ok && pollUntil([&] { return (frame = windowOf(pi.dwProcessId, "VkFrame", "Vantakey Manager")) != nullptr; });
  DWORD_PTR ignored = 0;
  ok = ok && ::SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, kDeadlineMs, &ignored) != 0;
  round.idleMs = millisSince(start);

  PROCESS_MEMORY_COUNTERS_EX memory;
  std::memset(&memory, 0, sizeof memory);
  memory.cb = sizeof memory;
  if (ok && ::GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    // Wine leaves PrivateUsage 0; PagefileUsage is the same private commit.
    const SIZE_T privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    round.privateKb = static_cast<double>(privateBytes) / 1024.0;
    round.workingSetKb = static_cast<double>(memory.WorkingSetSize) / 1024.0;
  }

  // Exit, and Yes to its question.
  HWND question = nullptr;
  if (frame != nullptr) {
    ::PostMessageA(frame, WM_COMMAND, MAKEWPARAM(7, 0), 0);
    pollUntil([&] { return (question = windowOf(pi.dwProcessId, "#32770", "Vantakey Manager")) != nullptr; });
  }
  if (question != nullptr) ::PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  if (question == nullptr || ::WaitForSingleObject(pi.hProcess, kDeadlineMs) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "the manager did not exit; killed (its hooks stay behind under Wine)\n");
    ::TerminateProcess(pi.hProcess, 1);
    ok = false;
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return ok;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
  }
  if (::FindWindowA("VantakeyClass", "vk") != nullptr) {
    std::fprintf(stderr, "a manager is running already; end it first\n");
    return 2;
  }
  const std::string manager = besideThisProgram("vkmanager.exe");
  const std::string database = databasePath();
  std::vector<unsigned char> saved;
  const bool hadDatabase = readFile(database, saved);
  if (!writeFile(database, preparedDatabase())) {
    std::fprintf(stderr, "cannot write %s\n", database.c_str());
    return 2;
  }

  std::vector<double> tray, idle, privateKb, workingSetKb;
  bool ok = true;
  for (int r = 0; r < rounds && ok; ++r) {
    Round round;
    ok = runRound(manager, round);
    if (!ok) break;
    std::printf("round %d: tray window %.1f ms, message loop %.1f ms, private %.0f KiB, working set %.0f KiB\n", r + 1,
                round.trayMs, round.idleMs, round.privateKb, round.workingSetKb);
    tray.push_back(round.trayMs);
    idle.push_back(round.idleMs);
    privateKb.push_back(round.privateKb);
    workingSetKb.push_back(round.workingSetKb);
  }

  if (hadDatabase) {
    writeFile(database, saved);
  } else {
    ::DeleteFileA(database.c_str());
  }
  if (!ok) return 1;
  std::printf("median of %d: tray window %.1f ms, message loop %.1f ms, private %.0f KiB, working set %.0f KiB\n",
              rounds, median(tray), median(idle), median(privateKb), median(workingSetKb));
  return 0;
}
