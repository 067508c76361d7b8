#include "platform/win32/clock.h"

#include <ctime>

namespace vk {
namespace win32 {

std::int32_t RuntimeClock::now() {
  // The table's fields are signed 32-bit: cut the way the hook library cuts.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(std::time(nullptr)));
}

}  // namespace win32
}  // namespace vk
