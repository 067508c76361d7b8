// Paths of the files that ship beside the running program.
#pragma once

#include <windows.h>

#include <string>

namespace vk {
namespace win32 {

// "<folder of this program>\<name>", or empty when the program's own path
// cannot be read. Libraries and helpers are loaded by such a full path, never
// by a bare name, which would also be looked for in the current folder, where
// anyone may have put a file of that name.
inline std::string besideProgram(const char* name) {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  const std::string program(path, n);
  const std::size_t slash = program.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  return program.substr(0, slash + 1) + name;
}

}  // namespace win32
}  // namespace vk
