#include "manager/authoring/lock_form.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/fakes/fake_dialog_view.h"

namespace vk {
namespace {

TEST(LockForm, TypedNumbersAreReadAsAtoiReadsThem) {
  struct Case {
    const char* text;
    long long value;
  } cases[] = {
      {"3", 3},         {"  42", 42},     {"\t7", 7},    {"+9", 9},
      {"-5", -5},       {"12abc", 12},    {"abc", 0},    {"", 0},
      {"1 2", 1},       {"0005", 5},      {"65535", 65535},
      {"65537", 65537},  // no 16-bit wrap: the caller refuses it
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, readTypedNumber(c.text)) << '"' << c.text << '"';
  // Pasted digit runs stay out of range instead of overflowing (UBSan watches).
  EXPECT_GT(readTypedNumber(std::string(400, '9').c_str()), kMaxCount);
  EXPECT_LT(readTypedNumber(("-" + std::string(400, '9')).c_str()), kMinCount);
}

TEST(LockForm, CountsRangeFromOneTo65535) {
  struct Case {
    long long value;
    bool accepted;
  } cases[] = {{0, false},     {1, true},      {65535, true}, {65536, false},
               {65537, false}, {70000, false}, {-1, false},   {-65535, false}};
  for (const Case& c : cases) EXPECT_EQ(c.accepted, countInRange(c.value)) << c.value;
}

TEST(LockForm, ActionListHasThreeEntriesMappedToTheirCodes) {
  fakes::FakeDialogView view;
  fillActionList(view, kIdActionList);
  EXPECT_EQ((std::vector<std::string>{"Close Window", "Deny Access", "Shutdown Computer"}),
            view.listEntries(kIdActionList));
  struct Case {
    int index;
    std::uint16_t code;
  } cases[] = {{0, CloseWindow}, {1, DenyAccess}, {2, ShutdownComputer}, {-1, DenyAccess},
               {3, DenyAccess}};
  for (const Case& c : cases) EXPECT_EQ(c.code, actionFromListIndex(c.index)) << c.index;
}

TEST(LockForm, TitleFieldsHoldAtMost255CharactersAndNoOldBytes) {
  EXPECT_TRUE(titleFits(std::string(255, 'x').c_str()));
  EXPECT_FALSE(titleFits(std::string(256, 'x').c_str()));

  LockRecord record;
  std::memset(&record, 'Z', sizeof record);
  setTextField(record.title, std::string(300, 'a').c_str());
  EXPECT_EQ(std::string(255, 'a'), std::string(record.title));
  setTextField(record.className, "ab");
  EXPECT_STREQ("ab", record.className);
  for (std::size_t i = 2; i < kTitleCapacity; ++i) ASSERT_EQ('\0', record.className[i]) << i;
  EXPECT_EQ('Z', static_cast<char>(record.digest.bytes[0]));  // nothing past the field
}

}  // namespace
}  // namespace vk
