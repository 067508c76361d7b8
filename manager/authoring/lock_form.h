// What the New Lock wizard and the Edit Lock dialog share: the control ids of
// a lock's fields, the action list, how typed numbers are read, the title
// length rule and the messages both show.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/lock_table.h"
#include "platform/dialog_view.h"

namespace vk {

// Controls, with the same ids on the wizard pages and in the Edit Lock dialog.
constexpr int kIdTitleBox = 1002;       // edit box: title or pattern
constexpr int kIdPasswordBox = 1004;    // password edit box
constexpr int kIdTriesUpDown = 1014;    // up-down bound to the tries (or, on page 141, minutes) box
constexpr int kIdWildcardCheck = 1027;  // check box "Enable wildcard matching"
constexpr int kIdActionList = 1028;     // drop-down list of actions
constexpr int kIdTriesBox = 1033;       // edit box, digits only
constexpr int kIdMinutesBox = 1034;     // edit box, digits only

// Every text box is read into a buffer of this size: 999 characters and the NUL.
constexpr int kTextBufferSize = 1000;

// The action list: three entries in this order. There is no "Lock Computer"
// entry; a lock with that code can only come from an older file.
constexpr int kActionEntryCount = 3;
struct ActionEntry {
  const char* text;
  std::uint16_t code;
};
constexpr ActionEntry kActionEntries[kActionEntryCount] = {
    {"Close Window", CloseWindow},
    {"Deny Access", DenyAccess},
    {"Shutdown Computer", ShutdownComputer},
};

// Adds the three entries to the list, in order.
void fillActionList(DialogView& view, int listId);
// The code of a list entry; DenyAccess when no entry (or no known entry) is selected.
std::uint16_t actionFromListIndex(int index);

// Typed numbers (tries, minutes) are accepted from 1 to 65535: tries fit the
// 16-bit field, and minutes x 60 fits the signed 32-bit seconds field. The
// text is read as atoi reads it (leading blanks, a sign, leading digits; none
// gives 0), without atoi's overflow: longer digit runs read as very large.
constexpr long long kMinCount = 1;
constexpr long long kMaxCount = 65535;
long long readTypedNumber(const char* text);
bool countInRange(long long value);

// A title or pattern fits the record when it has at most 255 characters.
bool titleFits(const char* text);
// Puts text into a record's text field, at most maxLength characters; the
// rest of the field is zeroed, so no old bytes linger after the NUL.
void setTextField(char (&field)[kTitleCapacity], const char* text,
                  std::size_t maxLength = kMaxTitleLength);

// Shared messages (OK button, warning icon).
constexpr unsigned kWarningBox = kBoxOk | kBoxIconWarning;
constexpr const char* kInputErrorCaption = "Error";
constexpr const char* kVantakeyCaption = "Vantakey";
constexpr const char* kTitleTooLongText =
    "The window title is too long. A title can have at most 255 characters. Please shorten "
    "it and try again.";
constexpr const char* kTableUnreachableText = "Vantakey could not reach its lock table. Please try again.";

}  // namespace vk
