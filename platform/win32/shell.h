// Shell on Win32: the program's folder and ShellExecuteA for help pages.
#pragma once

#include "platform/shell.h"

namespace vk {
namespace win32 {

class Win32Shell final : public Shell {
 public:
  std::string programFolder() override;
  void openDocument(const char* path) override;
};

}  // namespace win32
}  // namespace vk
