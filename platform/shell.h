// Port: the desktop shell, for the help pages that ship beside the program.
#pragma once

#include <string>

namespace vk {

class Shell {
 public:
  virtual ~Shell() = default;

  // The folder of the running program, without a trailing separator:
  // GetModuleFileNameA(NULL, buffer, 1000), cut before the last backslash.
  // Empty when the name cannot be had.
  virtual std::string programFolder() = 0;

  // Opens a document in the user's viewer: ShellExecuteA(NULL, "open", path,
  // NULL, NULL, SW_SHOWNORMAL). The result is ignored, as a failing open of a
  // help page is not worth a message.
  virtual void openDocument(const char* path) = 0;
};

}  // namespace vk
