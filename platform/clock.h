// Port: the runtime's clock, as the lock table stores times.
#pragma once

#include <cstdint>

namespace vk {

class Clock {
 public:
  virtual ~Clock() = default;
  // time(NULL): seconds since 1970-01-01 00:00 UTC, cut to the table's signed
  // 32-bit fields.
  virtual std::int32_t now() = 0;
};

}  // namespace vk
