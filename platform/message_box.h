// Port: a modal message box with a fixed text, caption and style. The style
// and answer values are those of platform/dialog_view.h (kBox*, kId*).
#pragma once

namespace vk {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box and waits for the user; returns the button pressed.
  virtual int show(const char* text, const char* caption, unsigned style) = 0;
};

}  // namespace vk
