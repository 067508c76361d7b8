#include "tests/fakes/recording_message_boxes.h"

namespace vk {
namespace fakes {

int RecordingMessageBoxes::show(const char* text, const char* caption, unsigned style) {
  Box box{text != nullptr ? text : "", caption != nullptr ? caption : "", style};
  if (onShow) onShow(box);
  shown.push_back(box);
  return answer;
}

}  // namespace fakes
}  // namespace vk
