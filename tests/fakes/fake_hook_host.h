// The 32-bit hook host as the manager sees it: a start that comes up or not,
// a host that may end on its own, and a stop. Starts and stops are logged.
#pragma once

#include <deque>

#include "platform/hook_host.h"
#include "tests/fakes/event_log.h"

namespace vk {
namespace fakes {

class FakeHookHost : public HookHost {
 public:
  explicit FakeHookHost(EventLog& log) : log_(log) {}

  HookHostStart start() override {
    log_.add("start hook host");
    ++starts;
    HookHostStart result = outcome;
    if (!nextOutcomes.empty()) {
      result = nextOutcomes.front();
      nextOutcomes.pop_front();
    }
    running_ = result == HookHostStart::Running;
    return result;
  }
  bool running() override { return running_; }
  void stop() override {
    log_.add("stop hook host");
    ++stops;
    running_ = false;
  }

  // --- the world
  HookHostStart outcome = HookHostStart::Running;  // every start, unless queued below
  std::deque<HookHostStart> nextOutcomes;          // the next starts, in turn
  // The host ends on its own (killed, crashed).
  void end() { running_ = false; }

  // --- what the manager did
  int starts = 0;
  int stops = 0;

 private:
  EventLog& log_;
  bool running_ = false;
};

}  // namespace fakes
}  // namespace vk
