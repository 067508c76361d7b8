// The desktop shell: a fixed program folder and a record of opened documents.
#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"

namespace vk {
namespace fakes {

class FakeShell : public Shell {
 public:
  std::string programFolder() override { return folder; }
  void openDocument(const char* path) override { opened.push_back(path); }

  std::string folder = "C:\\Program Files\\Vantakey";
  std::vector<std::string> opened;
};

}  // namespace fakes
}  // namespace vk
