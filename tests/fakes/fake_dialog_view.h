// A dialog held in memory: control texts, check and enable states, focus,
// caption, timers, beeps and the message boxes it showed. A test sets texts,
// presses buttons through the logic, and reads what the user would see.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog_view.h"

namespace vk {
namespace fakes {

struct MessageBoxShown {
  std::string text;
  std::string caption;
  unsigned style = 0;
};

struct TimerStarted {
  unsigned id = 0;
  unsigned periodMs = 0;
};

class FakeDialogView : public DialogView {
 public:
  int getItemText(int id, char* buffer, int size) override;
  void setItemText(int id, const char* text) override;
  void setCaption(const char* text) override;
  void setFocus(int id) override;
  void setPasswordChar(int id, char ch) override;
  bool isChecked(int id) override;
  void setChecked(int id, bool on) override;
  void enableItem(int id, bool on) override;
  void beep(unsigned type) override;
  void startTimer(unsigned id, unsigned periodMs) override;
  int messageBox(const char* text, const char* caption, unsigned style) override;
  // Runs while a box is up, before it is answered: its life on a desktop
  // (created, captioned, activated), played by whoever shows the dialog.
  std::function<void(const MessageBoxShown&)> whileBoxIsUp;
  void endDialog(int result) override;
  void setUpDownRange(int id, int lower, int upper) override;
  void addListEntry(int id, const char* text) override;
  void selectListEntry(int id, int index) override;
  int selectedListEntry(int id) override;
  void setTabStops(int id, int dialogUnits) override;

  // What the user sees.
  std::string itemText(int id) const;
  bool itemEnabled(int id) const;  // controls start enabled
  char passwordChar(int id) const;  // '\0' when none was set
  const std::string& caption() const { return caption_; }
  int focus() const { return focus_; }
  const std::vector<unsigned>& beeps() const { return beeps_; }
  const std::vector<TimerStarted>& timers() const { return timers_; }
  const std::vector<MessageBoxShown>& messageBoxes() const { return messageBoxes_; }
  bool ended() const { return ended_; }
  int result() const { return result_; }
  // The range last set on an up-down control; {0, 0} when none was set.
  std::pair<int, int> upDownRange(int id) const;
  // The uniform tab stop last set on an edit box; 0 when none was set.
  int tabStops(int id) const;
  const std::vector<std::string>& listEntries(int id) const;
  int listSelection(int id) const;  // -1 when none

  // The user's answer to the next message box; IDOK when none is queued.
  void answerNextMessageBox(int button) { boxAnswers_.push_back(button); }

 private:
  struct Item {
    std::string text;
    bool checked = false;
    bool enabled = true;
    char passwordChar = '\0';
    std::pair<int, int> range{0, 0};
    std::vector<std::string> entries;
    int selected = -1;
    int tabStops = 0;
  };

  std::map<int, Item> items_;
  std::string caption_;
  int focus_ = 0;
  std::vector<unsigned> beeps_;
  std::vector<TimerStarted> timers_;
  std::vector<MessageBoxShown> messageBoxes_;
  std::deque<int> boxAnswers_;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace fakes
}  // namespace vk
