#include "gate/title_match.h"

#include <cstdint>
#include <cstring>

namespace vk {

namespace {

// Next position at or after t where a literal pattern byte can start a match.
// Positions in between would fail on that byte at once, so a star may take
// them all in one step; the outcome is the same as trying each in turn.
inline std::size_t skipTo(char literal, const char* text, std::size_t t, std::size_t tn) {
  const void* hit = std::memchr(text + t, static_cast<unsigned char>(literal), tn - t);
  return hit == nullptr ? tn : static_cast<std::size_t>(static_cast<const char*>(hit) - text);
}

}  // namespace

bool titleMatches(const char* pattern, std::size_t pn, const char* text, std::size_t tn) {
  std::size_t p = 0, t = 0;
  // Literal head, up to the first star.
  while (t < tn && (p >= pn || pattern[p] != '*')) {
    if (p >= pn || (pattern[p] != text[t] && pattern[p] != '?')) return false;
    ++p;
    ++t;
  }
  // Only the most recent star is retried; earlier ones keep what they took.
  std::size_t resumePattern = 0, resumeText = 0;
  bool haveStar = false;
  while (t < tn) {
    if (p < pn && pattern[p] == '*') {
      ++p;
      if (p == pn) return true;
      resumePattern = p;
      if (pattern[p] != '?' && pattern[p] != '*') {
        t = skipTo(pattern[p], text, t, tn);
        if (t == tn) break;  // the literal after the star never occurs
      }
      resumeText = t + 1;
      haveStar = true;
    } else if (p < pn && (pattern[p] == text[t] || pattern[p] == '?')) {
      ++p;
      ++t;
    } else {
      if (!haveStar) return false;
      p = resumePattern;
      t = resumeText;
      if (pattern[p] != '?' && pattern[p] != '*') {
        t = skipTo(pattern[p], text, t, tn);
        if (t == tn) break;
      }
      resumeText = t + 1;
    }
  }
  while (p < pn && pattern[p] == '*') ++p;
  return p == pn;
}

bool titleMatches(const char* pattern, const char* text) {
  return titleMatches(pattern, std::strlen(pattern), text, std::strlen(text));
}

namespace {

// Eight bytes at a time: ORs 0x20 into exactly the bytes that hold 'A'..'Z'.
inline std::uint64_t foldWord(std::uint64_t x) {
  const std::uint64_t ones = 0x0101010101010101ull;
  const std::uint64_t high = 0x8080808080808080ull;
  const std::uint64_t low7 = x & ~high;
  const std::uint64_t geA = (low7 + ones * (0x80 - 'A')) & high;
  const std::uint64_t gtZ = (low7 + ones * (0x80 - 'Z' - 1)) & high;
  const std::uint64_t upper = geA & ~gtZ & ~x & high;
  return x | (upper >> 2);
}

inline std::size_t fieldLength(const char* field) {
  const void* nul = std::memchr(field, 0, kTitleCapacity);
  return nul == nullptr ? kTitleCapacity : static_cast<std::size_t>(static_cast<const char*>(nul) - field);
}

inline bool foldedEqual(const char* a, const char* b, std::size_t an) {
  std::size_t i = 0;
  for (; i + 8 <= an; i += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y && foldWord(x) != foldWord(y)) return false;
  }
  for (; i < an; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A fixed field holds exactly this text (ignoring case): the text's bytes,
// then the field's NUL. Needs no length of the field, and reads at most
// length + 1 of its bytes.
inline bool fieldEquals(const char* field, const char* text, std::size_t length) {
  if (length >= kTitleCapacity) {
    return length == kTitleCapacity && foldedEqual(field, text, length);
  }
  // The text holds no NUL in its first `length` bytes, so neither does a field
  // that equals it there.
  return field[length] == '\0' && foldedEqual(field, text, length);
}

}  // namespace

bool equalIgnoringAsciiCase(const char* a, std::size_t an, const char* b, std::size_t bn) {
  return an == bn && foldedEqual(a, b, an);
}

bool recordMatches(const char* recordTitle, const char* recordClass, bool wildcard,
                   const char* title, const char* className) {
  return recordMatches(recordTitle, recordClass, wildcard, title, std::strlen(title), className,
                       std::strlen(className));
}

bool recordMatches(const char* recordTitle, const char* recordClass, bool wildcard,
                   const char* title, std::size_t tn, const char* className, std::size_t cn) {
  // Cheap tests first: this runs for every enabled lock on every activation.
  const bool recordClassEmpty = recordClass[0] == '\0';
  if (cn == 0) {
    if (!recordClassEmpty) return false;
  } else if (!recordClassEmpty && !fieldEquals(recordClass, className, cn)) {
    return false;
  }

  const bool recordTitleEmpty = recordTitle[0] == '\0';
  if (tn == 0) return recordTitleEmpty;
  if (recordTitleEmpty) return !wildcard;  // an empty exact title selects by class alone
  if (wildcard) return titleMatches(recordTitle, fieldLength(recordTitle), title, tn);
  return fieldEquals(recordTitle, title, tn);
}

bool recordMatches(const LockRecord& r, const char* title, const char* className) {
  return recordMatches(r.title, r.className, r.wildcard != 0, title, className);
}

bool recordMatches(const RecordRef& r, const char* title, const char* className) {
  return recordMatches(r.title(), r.className(), r.wildcard() != 0, title, className);
}

bool recordMatches(const RecordRef& r, const char* title, std::size_t titleLength,
                   const char* className, std::size_t classLength) {
  return recordMatches(r.title(), r.className(), r.wildcard() != 0, title, titleLength, className,
                       classLength);
}

}  // namespace vk
