// MessageBoxes that records every box instead of showing it and answers with
// a set button. onShow runs at the moment a box would appear, e.g. to check
// that no mutex is held while the user would be looking at it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/dialog_view.h"
#include "platform/message_box.h"

namespace vk {
namespace fakes {

class RecordingMessageBoxes : public MessageBoxes {
 public:
  struct Box {
    std::string text;
    std::string caption;
    unsigned style;
  };

  int show(const char* text, const char* caption, unsigned style) override;

  std::vector<Box> shown;
  int answer = kIdOk;
  std::function<void(const Box&)> onShow;
};

}  // namespace fakes
}  // namespace vk
