// A clock the test sets.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace vk {
namespace fakes {

class FakeClock : public Clock {
 public:
  std::int32_t now() override { return time; }
  std::int32_t time = 1700000000;
};

}  // namespace fakes
}  // namespace vk
