#include "tests/fakes/fake_dialog_view.h"

#include <algorithm>
#include <cstring>

namespace vk {
namespace fakes {

int FakeDialogView::getItemText(int id, char* buffer, int size) {
  if (size <= 0) return 0;
  const std::string& text = items_[id].text;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

void FakeDialogView::setItemText(int id, const char* text) { items_[id].text = text; }
void FakeDialogView::setCaption(const char* text) { caption_ = text; }
void FakeDialogView::setFocus(int id) { focus_ = id; }
void FakeDialogView::setPasswordChar(int id, char ch) { items_[id].passwordChar = ch; }
bool FakeDialogView::isChecked(int id) { return items_[id].checked; }
void FakeDialogView::setChecked(int id, bool on) { items_[id].checked = on; }
void FakeDialogView::enableItem(int id, bool on) { items_[id].enabled = on; }
void FakeDialogView::beep(unsigned type) { beeps_.push_back(type); }
void FakeDialogView::startTimer(unsigned id, unsigned periodMs) { timers_.push_back({id, periodMs}); }

int FakeDialogView::messageBox(const char* text, const char* caption, unsigned style) {
  messageBoxes_.push_back({text, caption, style});
  if (whileBoxIsUp) {
    const MessageBoxShown shown = messageBoxes_.back();  // the callback may show more
    whileBoxIsUp(shown);
  }
  if (boxAnswers_.empty()) return kIdOk;
  const int answer = boxAnswers_.front();
  boxAnswers_.pop_front();
  return answer;
}

void FakeDialogView::endDialog(int result) {
  ended_ = true;
  result_ = result;
}

void FakeDialogView::setUpDownRange(int id, int lower, int upper) {
  items_[id].range = {lower, upper};
}

void FakeDialogView::addListEntry(int id, const char* text) { items_[id].entries.push_back(text); }

// Like CB_SETCURSEL: an index outside the list leaves nothing selected.
void FakeDialogView::selectListEntry(int id, int index) {
  Item& item = items_[id];
  const bool inList = index >= 0 && index < static_cast<int>(item.entries.size());
  item.selected = inList ? index : -1;
}

int FakeDialogView::selectedListEntry(int id) { return listSelection(id); }

int FakeDialogView::listSelection(int id) const {
  auto it = items_.find(id);
  return it == items_.end() ? -1 : it->second.selected;
}

void FakeDialogView::setTabStops(int id, int dialogUnits) { items_[id].tabStops = dialogUnits; }

int FakeDialogView::tabStops(int id) const {
  auto it = items_.find(id);
  return it == items_.end() ? 0 : it->second.tabStops;
}

std::pair<int, int> FakeDialogView::upDownRange(int id) const {
  auto it = items_.find(id);
  return it == items_.end() ? std::pair<int, int>(0, 0) : it->second.range;
}

const std::vector<std::string>& FakeDialogView::listEntries(int id) const {
  static const std::vector<std::string> kNone;
  auto it = items_.find(id);
  return it == items_.end() ? kNone : it->second.entries;
}

std::string FakeDialogView::itemText(int id) const {
  auto it = items_.find(id);
  return it == items_.end() ? std::string() : it->second.text;
}

bool FakeDialogView::itemEnabled(int id) const {
  auto it = items_.find(id);
  return it == items_.end() || it->second.enabled;
}

char FakeDialogView::passwordChar(int id) const {
  auto it = items_.find(id);
  return it == items_.end() ? '\0' : it->second.passwordChar;
}

}  // namespace fakes
}  // namespace vk
