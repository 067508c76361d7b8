#include "manager/shell/help_pages.h"

namespace vk {

std::string helpPagePath(const std::string& programFolder, const char* page) {
  return programFolder + kHelpFolder + page;
}

void openHelpPage(Shell& shell, const char* page) {
  const std::string path = helpPagePath(shell.programFolder(), page);
  shell.openDocument(path.c_str());
}

}  // namespace vk
