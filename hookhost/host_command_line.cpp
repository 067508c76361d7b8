#include "hookhost/host_command_line.h"

namespace vk {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// One decimal number at text; advances past it. Refuses an empty number, a
// sign, and anything beyond 32 bits.
bool readNumber(const char*& text, std::uint32_t& value) {
  std::uint64_t v = 0;
  std::size_t digits = 0;
  while (*text >= '0' && *text <= '9') {
    v = v * 10 + static_cast<std::uint64_t>(*text - '0');
    if (v > 0xFFFFFFFFull) return false;
    ++text;
    ++digits;
  }
  value = static_cast<std::uint32_t>(v);
  return digits > 0;
}

}  // namespace

std::string formatHookHostArguments(const HookHostArguments& arguments) {
  return std::to_string(arguments.managerProcess) + " " + std::to_string(arguments.readyEvent);
}

bool parseHookHostArguments(const char* text, HookHostArguments& arguments) {
  if (text == nullptr) return false;
  HookHostArguments read;
  while (isBlank(*text)) ++text;
  if (!readNumber(text, read.managerProcess) || !isBlank(*text)) return false;
  while (isBlank(*text)) ++text;
  if (!readNumber(text, read.readyEvent)) return false;
  while (isBlank(*text)) ++text;
  if (*text != '\0' || read.managerProcess == 0 || read.readyEvent == 0) return false;
  arguments = read;
  return true;
}

}  // namespace vk
