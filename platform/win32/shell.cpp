#include "platform/win32/shell.h"

#include <windows.h>
#include <shellapi.h>

namespace vk {
namespace win32 {

std::string Win32Shell::programFolder() {
  char path[1000];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
  if (n == 0 || n >= sizeof path) return std::string();
  const std::string full(path, n);
  const std::size_t cut = full.find_last_of('\\');
  return cut == std::string::npos ? std::string() : full.substr(0, cut);
}

void Win32Shell::openDocument(const char* path) {
  ::ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace win32
}  // namespace vk
