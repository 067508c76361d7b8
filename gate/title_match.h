// When a window's title and class satisfy a lock.
#pragma once

#include <cstddef>

#include "common/lock_table.h"

namespace vk {

// '*' matches any run (empty included), '?' exactly one byte, every other byte
// itself; case-sensitive, no escapes. Cost at most |pattern| x |text|.
bool titleMatches(const char* pattern, const char* text);
// The same on counted strings, for fields that may lack their NUL.
bool titleMatches(const char* pattern, std::size_t patternLength, const char* text,
                  std::size_t textLength);

// The runtime's case-insensitive comparison: only A-Z are folded.
bool equalIgnoringAsciiCase(const char* a, std::size_t aLength, const char* b, std::size_t bLength);

// The title rule and the class rule of one record against a window's title and
// class (each at most 254 characters, NUL-terminated). The record's fields are
// read within their 256 bytes even when they hold no NUL.
bool recordMatches(const char* recordTitle, const char* recordClass, bool wildcard,
                   const char* title, const char* className);
bool recordMatches(const LockRecord& record, const char* title, const char* className);
bool recordMatches(const RecordRef& record, const char* title, const char* className);
// For a scan: the window's strings measured once, not once per record.
bool recordMatches(const char* recordTitle, const char* recordClass, bool wildcard,
                   const char* title, std::size_t titleLength, const char* className,
                   std::size_t classLength);
bool recordMatches(const RecordRef& record, const char* title, std::size_t titleLength,
                   const char* className, std::size_t classLength);

}  // namespace vk
