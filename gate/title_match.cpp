#include "gate/title_match.h"

#include <cstring>

namespace vk {

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
      resumeText = t + 1;
      haveStar = true;
    } else if (p < pn && (pattern[p] == text[t] || pattern[p] == '?')) {
      ++p;
      ++t;
    } else {
      if (!haveStar) return false;
      p = resumePattern;
      t = resumeText++;
    }
  }
  while (p < pn && pattern[p] == '*') ++p;
  return p == pn;
}

bool titleMatches(const char* pattern, const char* text) {
  return titleMatches(pattern, std::strlen(pattern), text, std::strlen(text));
}

bool equalIgnoringAsciiCase(const char* a, std::size_t an, const char* b, std::size_t bn) {
  if (an != bn) return false;
  for (std::size_t i = 0; i < an; ++i) {
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
  const std::size_t rtn = boundedLength(recordTitle);
  const std::size_t rcn = boundedLength(recordClass);
  const std::size_t tn = std::strlen(title);
  const std::size_t cn = std::strlen(className);

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

}  // namespace vk
