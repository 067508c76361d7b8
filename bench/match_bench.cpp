// The cost of the common path of the window check: a full scan of a full
// table in which nothing matches, and the matcher's worst input.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/lock_table.h"
#include "gate/title_match.h"

namespace vk {
namespace {

constexpr const char* kWindowTitle = "Quarterly Report 2024 - Final Draft.docx - Word Processor";
constexpr const char* kWindowClass = "OpusApp";

// A section image laid out as the manager leaves it: 60 enabled records,
// the first half exact titles, the second half patterns with several stars.
// None of them selects the window above.
std::vector<unsigned char> tableWithoutMatch() {
  std::vector<unsigned char> image(kSectionSize, 0);
  storeAt<std::uint32_t>(image.data() + kOffRecordCount, kManagerLockLimit);
  for (std::uint32_t i = 0; i < kManagerLockLimit; ++i) {
    const RecordRef r(image.data() + kHeaderSize + kRecordSize * i);
    char title[kTitleCapacity];
    if (i < kManagerLockLimit / 2) {
      // As long as the window title, so the comparison runs to the differing tail.
      std::snprintf(title, sizeof title, "Quarterly Report 2024 - Final Draft.docx - Word Process%02u",
                    i);
      r.setWildcard(0);
    } else {
      std::snprintf(title, sizeof title, "*Report*20%02u*Draft*.xlsx*", i);
      r.setWildcard(1);
    }
    std::memcpy(r.title(), title, std::strlen(title) + 1);
    std::memcpy(r.className(), "", 1);
    r.setEnabled(1);
    r.setAction(DenyAccess);
    r.setMaxTries(3);
    r.setRelockSeconds(600);
    r.setDigest(digestOf("password"));
  }
  return image;
}

int scan(const unsigned char* base, const char* title, const char* className) {
  const std::uint32_t n = loadAt<std::uint32_t>(base + kOffRecordCount);
  for (std::uint32_t i = 0; i < n; ++i) {
    const RecordRef r(const_cast<unsigned char*>(base) + kHeaderSize + kRecordSize * i);
    if (r.enabled() != 0 && recordMatches(r, title, className)) return static_cast<int>(i);
  }
  return -1;
}

void BM_ScanSixtyRecordsNoneMatching(benchmark::State& state) {
  const std::vector<unsigned char> image = tableWithoutMatch();
  if (scan(image.data(), kWindowTitle, kWindowClass) != -1) {
    state.SkipWithError("a record matches; the table is not the no-match case");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(scan(image.data(), kWindowTitle, kWindowClass));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kManagerLockLimit);
  state.SetLabel("per full scan; items = records");
}
BENCHMARK(BM_ScanSixtyRecordsNoneMatching);

// Each of the first stars takes one 'a'; the last one is retried over the
// rest of the text.
void BM_TitleMatchesStarsThenB(benchmark::State& state) {
  std::string pattern;
  for (int i = 0; i < 127; ++i) pattern += "*a";
  pattern += "b";
  const std::string text(254, 'a');
  if (pattern.size() != 255 || titleMatches(pattern.c_str(), text.c_str())) {
    state.SkipWithError("bad input");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(titleMatches(pattern.c_str(), text.c_str()));
  }
}
BENCHMARK(BM_TitleMatchesStarsThenB);

// The retried star has a 127-byte literal behind it that keeps matching until
// its last byte: every retry costs the whole literal, about 127 x 128 steps.
void BM_TitleMatchesLongLiteralAfterStar(benchmark::State& state) {
  const std::string pattern = "*" + std::string(127, 'a') + std::string(127, 'b');
  const std::string text(254, 'a');
  if (pattern.size() != 255 || titleMatches(pattern.c_str(), text.c_str())) {
    state.SkipWithError("bad input");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(titleMatches(pattern.c_str(), text.c_str()));
  }
}
BENCHMARK(BM_TitleMatchesLongLiteralAfterStar);

}  // namespace
}  // namespace vk
