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

}  // namespace

bool equalIgnoringAsciiCase(const char* a, std::size_t an, const char* b, std::size_t bn) {
  if (an != bn) return false;
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

bool recordMatches(const char* recordTitle, const char* recordClass, bool wildcard,
                   const char* title, const char* className) {
  return recordMatches(recordTitle, recordClass, wildcard, title, std::strlen(title), className,
                       std::strlen(className));
}

bool recordMatches(const char* recordTitle, const char* recordClass, bool wildcard,
                   const char* title, std::size_t tn, const char* className, std::size_t cn) {
  const std::size_t rtn = fieldLength(recordTitle);
  const std::size_t rcn = fieldLength(recordClass);

  bool titleOk;
  if (tn == 0) {
    titleOk = rtn == 0;
  } else if (rtn == 0) {
    titleOk = !wildcard;  // an empty exact title selects by class alone
  } else if (wildcard) {
    titleOk = titleMatches(recordTitle, rtn, title, tn);
  } else {
    titleOk = equalIgnoringAsciiCase(recordTitle, rtn, title, tn);
  }
  if (!titleOk) return false;

  if (cn == 0) return rcn == 0;
  if (rcn == 0) return true;
  return equalIgnoringAsciiCase(recordClass, rcn, className, cn);
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
