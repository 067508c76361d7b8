#include "harness.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

namespace vk {
namespace e2e {

namespace {

std::map<std::string, ChildRole>& roles() {
  static std::map<std::string, ChildRole> table;
  return table;
}

// One argument quoted the way the C runtime splits a command line back.
void appendQuoted(std::string& line, const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
    line += arg;
    return;
  }
  line += '"';
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count as escapes only in front of a quote.
    line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    line += c;
    backslashes = 0;
  }
  line.append(backslashes * 2, '\\');  // so the closing quote stays a quote
  line += '"';
}

}  // namespace

bool registerChildRole(const char* name, ChildRole role) {
  roles()[name] = role;
  return true;
}

int runChildRole(int argc, char** argv) {
  if (argc < 3) return ChildBadArguments;
  auto it = roles().find(argv[2]);
  if (it == roles().end()) {
    std::fprintf(stderr, "vk_e2e_tests: no child role '%s'\n", argv[2]);
    return ChildUnknownRole;
  }
  ChildArgs args(argv + 3, argv + argc);
  return it->second(args);
}

Process::Process(win32::UniqueHandle process, win32::UniqueHandle thread, DWORD id)
    : process_(std::move(process)), thread_(std::move(thread)), id_(id) {}

Process::~Process() {
  if (running()) terminate();
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    if (running()) terminate();
    process_ = std::move(other.process_);
    thread_ = std::move(other.thread_);
    id_ = other.id_;
    other.id_ = 0;
  }
  return *this;
}

bool Process::wait(DWORD timeoutMs, DWORD* exitCode) const {
  if (!started()) return false;
  if (::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode != nullptr) {
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    *exitCode = code;
  }
  return true;
}

void Process::terminate(UINT exitCode) {
  if (!started()) return;
  ::TerminateProcess(process_.get(), exitCode);
  ::WaitForSingleObject(process_.get(), 10000);
}

std::string programDir() {
  char path[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  std::size_t cut = dir.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
}

std::string siblingPath(const std::string& fileName) { return programDir() + fileName; }

Process spawn(const std::string& exePath, const std::vector<std::string>& args) {
  std::string line;
  appendQuoted(line, exePath);
  for (const std::string& a : args) {
    line += ' ';
    appendQuoted(line, a);
  }
  STARTUPINFOA si;
  std::memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::memset(&pi, 0, sizeof pi);
  std::vector<char> mutableLine(line.begin(), line.end());
  mutableLine.push_back('\0');
  if (!::CreateProcessA(exePath.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
    std::fprintf(stderr, "vk_e2e_tests: cannot start %s (error %lu)\n", exePath.c_str(),
                 static_cast<unsigned long>(::GetLastError()));
    return Process();
  }
  return Process(win32::UniqueHandle(pi.hProcess), win32::UniqueHandle(pi.hThread), pi.dwProcessId);
}

Process spawnChild(const std::string& role, const std::vector<std::string>& args) {
  char self[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::vector<std::string> all{"--child", role};
  all.insert(all.end(), args.begin(), args.end());
  return spawn(std::string(self, n), all);
}

Process spawnApp(const std::string& appName, const std::vector<std::string>& args) {
  return spawn(siblingPath(appName + ".exe"), args);
}

bool waitUntil(const std::function<bool()>& predicate, DWORD deadlineMs, DWORD pollMs) {
  const ULONGLONG end = ::GetTickCount64() + deadlineMs;
  for (;;) {
    if (predicate()) return true;
    if (::GetTickCount64() >= end) return false;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, pollMs, QS_ALLINPUT);
  }
}

Event Event::create(const std::string& name) {
  Event e;
  e.handle_.reset(::CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
  return e;
}

Event Event::open(const std::string& name) {
  Event e;
  e.handle_.reset(::OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name.c_str()));
  return e;
}

bool Event::signal() const { return valid() && ::SetEvent(handle_.get()) != FALSE; }

bool Event::wait(DWORD timeoutMs) const {
  return valid() && ::WaitForSingleObject(handle_.get(), timeoutMs) == WAIT_OBJECT_0;
}

std::string uniqueName(const char* tag) {
  static unsigned counter = 0;
  char name[128];
  std::snprintf(name, sizeof name, "vk-e2e-%lu-%u-%s", static_cast<unsigned long>(::GetCurrentProcessId()),
                ++counter, tag);
  return name;
}

std::vector<HWND> windowsOf(DWORD processId) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{processId, {}};
  ::EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == s->pid) s->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string windowTitle(HWND w) {
  char text[1024];
  int n = ::GetWindowTextA(w, text, sizeof text);
  return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string windowClass(HWND w) {
  char name[256];
  int n = ::GetClassNameA(w, name, sizeof name);
  return std::string(name, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string describeWindowsOf(DWORD processId) {
  std::string all;
  for (HWND w : windowsOf(processId)) {
    all += " [" + windowClass(w) + " \"" + windowTitle(w) + "\"" + (::IsWindowVisible(w) ? " visible" : " hidden") +
           (::IsIconic(w) ? " minimized" : "") + "]";
  }
  return all;
}

HWND findWindow(DWORD processId, const char* className, const char* title) {
  for (HWND w : windowsOf(processId)) {
    if (className != nullptr && windowClass(w) != className) continue;
    if (title != nullptr && windowTitle(w) != title) continue;
    return w;
  }
  return nullptr;
}

HWND waitForWindow(DWORD processId, const char* className, const char* title, DWORD deadlineMs) {
  HWND found = nullptr;
  waitUntil([&] { return (found = findWindow(processId, className, title)) != nullptr; }, deadlineMs);
  return found;
}

namespace {

std::string shotDir() {
  const char* dir = std::getenv("VK_SHOT_DIR");
  // Wine keeps Unix variables that begin with VK_ to itself (they steer its
  // Vulkan loader), so under Wine the folder comes as WINE_VK_SHOT_DIR.
  if (dir == nullptr || *dir == '\0') dir = std::getenv("WINE_VK_SHOT_DIR");
  if (dir == nullptr || *dir == '\0') return std::string();
  // A Unix path from the shell: Wine maps the Unix root to drive Z:.
  if (dir[0] == '/') return std::string("Z:") + dir;
  return dir;
}

template <typename T>
void put(std::vector<unsigned char>& out, T v) {
  const auto* p = reinterpret_cast<const unsigned char*>(&v);
  out.insert(out.end(), p, p + sizeof v);
}

}  // namespace

bool screenshotsEnabled() { return !shotDir().empty(); }

bool takeScreenshot(const std::string& name) {
  const std::string dir = shotDir();
  if (dir.empty()) return false;

  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) return false;

  HDC screen = ::GetDC(nullptr);
  if (screen == nullptr) return false;
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = ::SelectObject(memory, bitmap);
  const bool copied = ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
  ::SelectObject(memory, previous);

  BITMAPINFOHEADER info;
  std::memset(&info, 0, sizeof info);
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as a .bmp file stores it
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  const bool read = copied && ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                          reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (!read) return false;

  std::vector<unsigned char> file;
  const std::uint32_t headers = 14 + sizeof info;
  put<std::uint16_t>(file, 0x4D42);  // "BM"
  put<std::uint32_t>(file, headers + static_cast<std::uint32_t>(pixels.size()));
  put<std::uint32_t>(file, 0);
  put<std::uint32_t>(file, headers);
  put(file, info);
  file.insert(file.end(), pixels.begin(), pixels.end());

  // The folder, and those a name like "journey\\01-start" adds; each call
  // is fine when the folder exists already.
  ::CreateDirectoryA(dir.c_str(), nullptr);
  for (std::size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1)) {
    ::CreateDirectoryA((dir + "\\" + name.substr(0, at)).c_str(), nullptr);
  }
  const std::string path = dir + "\\" + name + ".bmp";
  win32::UniqueFile out(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  DWORD written = 0;
  return ::WriteFile(out.get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr) != FALSE &&
         written == file.size();
}

}  // namespace e2e
}  // namespace vk
