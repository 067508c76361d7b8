#include "manager/authoring/lock_form.h"

#include <cstring>

namespace vk {

void fillActionList(DialogView& view, int listId) {
  for (const ActionEntry& entry : kActionEntries) view.addListEntry(listId, entry.text);
}

std::uint16_t actionFromListIndex(int index) {
  if (index < 0 || index >= kActionEntryCount) return DenyAccess;
  return kActionEntries[index].code;
}

long long readTypedNumber(const char* text) {
  // Anything beyond this is out of range anyway; stopping here keeps the
  // arithmetic far from overflow however many digits were pasted in.
  constexpr long long kSaturation = 1000000000000LL;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (value < kSaturation) value = value * 10 + (*p - '0');
  }
  return negative ? -value : value;
}

bool countInRange(long long value) { return value >= kMinCount && value <= kMaxCount; }

bool titleFits(const char* text) { return std::strlen(text) <= kMaxTitleLength; }

void setTextField(char (&field)[kTitleCapacity], const char* text, std::size_t maxLength) {
  if (maxLength > kMaxTitleLength) maxLength = kMaxTitleLength;
  std::size_t n = 0;
  while (n < maxLength && text[n] != '\0') ++n;
  std::memset(field, 0, sizeof field);
  std::memcpy(field, text, n);
}

}  // namespace vk
