// vkhook32.exe's command line: what the manager writes is read back, and a
// host started any other way refuses to run.
#include "hookhost/host_command_line.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

TEST(HookHostCommandLineTest, WhatTheManagerWritesIsReadBack) {
  for (const HookHostArguments written : {HookHostArguments{0x1c4, 0x1c8}, HookHostArguments{1, 0xFFFFFFFFu}}) {
    HookHostArguments read;
    ASSERT_TRUE(parseHookHostArguments(formatHookHostArguments(written).c_str(), read));
    EXPECT_EQ(written.managerProcess, read.managerProcess);
    EXPECT_EQ(written.readyEvent, read.readyEvent);
  }
}

struct ParseCase {
  const char* text;
  bool ok;
};

class HookHostParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(HookHostParseTest, OnlyTwoNonZeroHandleValuesAreAccepted) {
  const ParseCase& c = GetParam();
  HookHostArguments read{7, 7};
  EXPECT_EQ(c.ok, parseHookHostArguments(c.text, read)) << '"' << c.text << '"';
  if (!c.ok) {
    EXPECT_EQ(7u, read.managerProcess) << "untouched on failure";
    EXPECT_EQ(7u, read.readyEvent);
  }
}

const ParseCase kParseCases[] = {
    {"452 456", true},
    {"  452\t456  ", true},
    {"", false},
    {"452", false},
    {"452 ", false},
    {"452 456 460", false},
    {"0 456", false},
    {"452 0", false},
    {"-452 456", false},
    {"452 4x", false},
    {"4294967296 456", false},  // beyond 32 bits
    {"452456", false},
};

INSTANTIATE_TEST_SUITE_P(Lines, HookHostParseTest, ::testing::ValuesIn(kParseCases));

TEST(HookHostCommandLineTest, NoCommandLineAtAll) {
  HookHostArguments read;
  EXPECT_FALSE(parseHookHostArguments(nullptr, read));
}

}  // namespace
}  // namespace vk
