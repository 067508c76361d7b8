#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <random>
#include <string>

#include "gate/title_match.h"

namespace vk {
namespace {

struct MatchCase {
  const char* pattern;
  const char* text;
  bool expected;
};

TEST(TitleMatches, CaseTable) {
  const MatchCase cases[] = {
      {"*Editor", "Untitled - Editor", true},
      {"*editor", "Untitled - Editor", false},
      {"Doc?.txt*", "Doc1.txt - Editor", true},
      {"Doc?.txt", "Doc12.txt", false},
      {"a*b", "aXbYb", true},
      {"abc", "abcd", false},
      {"abc*", "abc", true},
      {"a**b", "ab", true},
      {"*", "", true},
      {"?", "", false},
      {"", "", true},
      {"", "a", false},
      {"a*c*e", "abcde", true},
      {"a*c*e", "abcdf", false},
      {"*?", "", false},
      {"*?", "x", true},
      {"a?c", "a*c", true},
      {"a*c", "a*c", true},
      {"*.txt", "notes.txt.bak", false},
      {"*x*y", "xaxbyyy", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(titleMatches(c.pattern, c.text), c.expected) << c.pattern << " / " << c.text;
  }
}

TEST(TitleMatches, LongestInputsWithStarRetries) {
  // 255-byte pattern of stars and 'a's against a 254-byte text that almost fits.
  std::string pattern, text(254, 'a');
  while (pattern.size() < 253) pattern += "*a";
  pattern += "b";
  pattern.resize(255, 'b');
  EXPECT_FALSE(titleMatches(pattern.c_str(), text.c_str()));
  text.back() = 'b';
  std::string p2 = "*" + std::string(253, '?') + "b";
  EXPECT_TRUE(titleMatches(p2.c_str(), text.c_str()));
}

// The matcher written the slow, obvious way: the star retries one character at
// a time. The real one skips ahead; both must agree on every input.
bool slowTitleMatches(const char* p, const char* t) {
  while (*t != '\0' && *p != '*') {
    if (*p != *t && *p != '?') return false;
    ++p;
    ++t;
  }
  const char* rp = nullptr;
  const char* rt = nullptr;
  while (*t != '\0') {
    if (*p == '*') {
      if (*++p == '\0') return true;
      rp = p;
      rt = t + 1;
    } else if (*p == *t || *p == '?') {
      ++p;
      ++t;
    } else {
      p = rp;
      t = rt++;
    }
  }
  while (*p == '*') ++p;
  return *p == '\0';
}

TEST(TitleMatches, AgreesWithCharacterByCharacterRetries) {
  std::mt19937 rng(12345);
  const char alphabet[] = {'a', 'b', 'c', '*', '?'};
  for (int n = 0; n < 200000; ++n) {
    std::string pattern, text;
    const int pl = static_cast<int>(rng() % 10), tl = static_cast<int>(rng() % 12);
    for (int i = 0; i < pl; ++i) pattern += alphabet[rng() % 5];
    for (int i = 0; i < tl; ++i) text += alphabet[rng() % 4];  // texts may hold a literal '*'
    ASSERT_EQ(titleMatches(pattern.c_str(), text.c_str()),
              slowTitleMatches(pattern.c_str(), text.c_str()))
        << "'" << pattern << "' vs '" << text << "'";
  }
}

TEST(EqualIgnoringAsciiCase, FoldsOnlyAsciiLettersAtEveryPosition) {
  std::mt19937 rng(7);
  for (int n = 0; n < 50000; ++n) {
    const std::size_t len = rng() % 20;
    std::string a, b;
    for (std::size_t i = 0; i < len; ++i) {
      // Bytes around the letter ranges and the high half, where folding must not happen.
      static const unsigned char picks[] = {'@', 'A', 'M', 'Z', '[', '`', 'a', 'm', 'z', '{',
                                            0xC1, 0xE1, 0xDA, 0xFA, 0x80, 0xFF, '0', ' '};
      const unsigned char c = picks[rng() % sizeof picks];
      a += static_cast<char>(c);
      unsigned char d = c;
      if (rng() % 2 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) d ^= 0x20;
      if (rng() % 16 == 0) d = picks[rng() % sizeof picks];
      b += static_cast<char>(d);
    }
    bool expected = true;
    for (std::size_t i = 0; i < len; ++i) {
      const int x = std::tolower(static_cast<unsigned char>(a[i]) < 0x80 ? a[i] : 0) ;
      const int y = std::tolower(static_cast<unsigned char>(b[i]) < 0x80 ? b[i] : 0);
      if (static_cast<unsigned char>(a[i]) >= 0x80 || static_cast<unsigned char>(b[i]) >= 0x80) {
        if (a[i] != b[i]) expected = false;
      } else if (x != y) {
        expected = false;
      }
    }
    ASSERT_EQ(equalIgnoringAsciiCase(a.data(), a.size(), b.data(), b.size()), expected)
        << "case " << n;
  }
}

LockRecord makeRecord(const char* title, const char* cls, bool wildcard) {
  LockRecord r{};
  std::strncpy(r.title, title, sizeof r.title - 1);
  std::strncpy(r.className, cls, sizeof r.className - 1);
  r.wildcard = wildcard ? 1 : 0;
  r.enabled = 1;
  return r;
}

struct RecordCase {
  const char* recordTitle;
  const char* recordClass;
  bool wildcard;
  const char* title;
  const char* cls;
  bool expected;
};

TEST(RecordMatches, EmptyStringRulesAndCaseFolding) {
  const RecordCase cases[] = {
      // wildcard mode
      {"*", "", true, "", "Any", false},  // a pattern never matches an untitled window
      {"", "", true, "", "Any", true},
      {"", "", true, "Title", "Any", false},
      {"*Pad", "", true, "NotePad", "Any", true},
      {"*pad", "", true, "NotePad", "Any", false},
      // exact mode
      {"untitled - editor", "", false, "Untitled - Editor", "X", true},
      {"Untitled", "", false, "Untitled - Editor", "X", false},
      {"", "EditorFrame", false, "whatever", "editorframe", true},
      {"", "EditorFrame", false, "", "EDITORFRAME", true},
      {"", "EditorFrame", false, "whatever", "OtherFrame", false},
      {"", "", false, "", "", true},
      {"Doc?", "", false, "Doc1", "X", false},  // no wildcards in exact mode
      // class rule
      {"T", "Cls", false, "T", "", false},
      {"T", "", false, "T", "", true},
      // only ASCII letters fold
      {"\xc9t\xe9", "", false, "\xe9t\xe9", "X", false},
      {"\xc9T\xe9", "", false, "\xc9t\xe9", "X", true},
  };
  for (const auto& c : cases) {
    const LockRecord r = makeRecord(c.recordTitle, c.recordClass, c.wildcard);
    EXPECT_EQ(recordMatches(r, c.title, c.cls), c.expected)
        << "'" << c.recordTitle << "' '" << c.recordClass << "' w=" << c.wildcard << " vs '"
        << c.title << "' '" << c.cls << "'";
  }
}

TEST(RecordMatches, TitleOf255NeverMatchesA254CharacterWindowTitle) {
  const std::string longTitle(255, 'x');
  const LockRecord r = makeRecord(longTitle.c_str(), "", false);
  EXPECT_FALSE(recordMatches(r, std::string(254, 'x').c_str(), "C"));
}

TEST(RecordMatches, FieldsWithoutNulAreReadWithinTheirBytes) {
  // Garbage in a record: no terminator in either string field.
  unsigned char raw[kHeaderSize + kRecordSize + 1];
  std::memset(raw, 'q', sizeof raw);
  RecordRef rec(raw + kHeaderSize);  // odd address on purpose
  rec.setWildcard(1);
  EXPECT_FALSE(recordMatches(rec, "q", "q"));
  rec.setWildcard(0);
  EXPECT_FALSE(recordMatches(rec, std::string(254, 'q').c_str(), "q"));
}

}  // namespace
}  // namespace vk
