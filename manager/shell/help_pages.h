// The help pages ship with the program: <program folder>\help\vantakey\support\.
#pragma once

#include <string>

#include "platform/shell.h"

namespace vk {

constexpr const char* kHelpFolder = "\\help\\vantakey\\support\\";
constexpr const char* kHelpIndexPage = "index.htm";
constexpr const char* kHelpEditLockPage = "editlock.htm";

// "<programFolder>\help\vantakey\support\<page>".
std::string helpPagePath(const std::string& programFolder, const char* page);

// Opens one help page in the user's viewer; a failing open is not reported.
void openHelpPage(Shell& shell, const char* page);

}  // namespace vk
