#include <gtest/gtest.h>

#include <cstring>
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
