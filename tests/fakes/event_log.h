// One ordered record of what several fakes saw, so a test can check the order
// of steps that span ports (files, kernel objects, dialogs, the tray).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace vk {
namespace fakes {

struct EventLog {
  std::vector<std::string> events;

  void add(const std::string& event) { events.push_back(event); }
  bool contains(const std::string& event) const {
    return std::find(events.begin(), events.end(), event) != events.end();
  }
  // Position of the first such event; -1 when absent.
  int indexOf(const std::string& event) const {
    auto it = std::find(events.begin(), events.end(), event);
    return it == events.end() ? -1 : static_cast<int>(it - events.begin());
  }
  int count(const std::string& event) const {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }
};

}  // namespace fakes
}  // namespace vk
