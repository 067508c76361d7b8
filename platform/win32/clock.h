// Clock from the C runtime's time(), as the lock table stores times.
#pragma once

#include "platform/clock.h"

namespace vk {
namespace win32 {

class RuntimeClock final : public Clock {
 public:
  std::int32_t now() override;
};

}  // namespace win32
}  // namespace vk
