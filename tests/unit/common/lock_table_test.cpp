// LockTableView over real named shared memory (the posix adapter): the layout
// at its odd offsets, sharing between views, and the guards a reader relies on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "common/lock_table.h"
#include "gate/title_match.h"
#include "platform/posix/kernel_objects.h"

namespace vk {
namespace {

std::string uniquePrefix() {
  static int counter = 0;
  return "vkl" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "_";
}

class LockTableViewTest : public ::testing::Test {
 protected:
  PosixKernelObjects kernel_{uniquePrefix(), true};
};

TEST_F(LockTableViewTest, FreshSectionIsZeroFilled) {
  LockTableView view;
  ASSERT_TRUE(view.open(kernel_));
  EXPECT_EQ(view.recordCount(), 0u);
  EXPECT_EQ(view.cbtHook(), 0u);
  EXPECT_EQ(view.callWndRetHook(), 0u);
  for (std::uint32_t i = 0; i < kSectionSize; ++i) {
    ASSERT_EQ(view.base()[i], 0) << "byte " << i;
  }
}

TEST_F(LockTableViewTest, TwoViewsSeeTheSameBytes) {
  LockTableView a, b;
  ASSERT_TRUE(a.open(kernel_));
  ASSERT_TRUE(b.open(kernel_));
  ASSERT_NE(a.base(), b.base());
  a.setCbtHook(0x11223344u);
  a.setRecordCount(7);
  b.setCallWndRetHook(0xCAFEF00Du);
  EXPECT_EQ(b.cbtHook(), 0x11223344u);
  EXPECT_EQ(b.recordCount(), 7u);
  EXPECT_EQ(a.callWndRetHook(), 0xCAFEF00Du);
  // Header fields at their packed offsets, little-endian.
  EXPECT_EQ(b.base()[kOffRecordCount], 7);
  EXPECT_EQ(b.base()[kOffCallWndRetHook], 0x0D);
  EXPECT_EQ(b.base()[kOffCallWndRetHook + 3], 0xCA);

  a.close();
  EXPECT_FALSE(a.isOpen());
  EXPECT_EQ(b.recordCount(), 7u);  // closing one view leaves the other mapped
}

TEST_F(LockTableViewTest, RecordsAtOddOffsetsAreReadAndWrittenInPlace) {
  LockTableView writer, reader;
  ASSERT_TRUE(writer.open(kernel_));
  ASSERT_TRUE(reader.open(kernel_));
  for (std::uint32_t i : {0u, 1u, 59u, kSectionRecordCapacity - 1}) {
    const RecordRef w = writer.record(i);
    ASSERT_EQ(static_cast<std::size_t>(w.bytes() - writer.base()), 21 + 552 * i);
    std::strcpy(w.title(), "Untitled - Editor");
    std::strcpy(w.className(), "EditorFrame");
    w.setDigest(digestOf("secret"));
    w.setUnlockedAt(-2);
    w.setEnabled(1);
    w.setWildcard(1);
    w.setRelockSeconds(300 + static_cast<std::int32_t>(i));
    w.setAction(ShutdownComputer);
    w.setFailedTries(static_cast<std::uint16_t>(0x0102 + i));
    w.setMaxTries(3);

    const RecordRef r = reader.record(i);
    EXPECT_STREQ(r.title(), "Untitled - Editor");
    EXPECT_STREQ(r.className(), "EditorFrame");
    EXPECT_TRUE(r.digest() == digestOf("secret"));
    EXPECT_TRUE(r.hasPassword());
    EXPECT_EQ(r.unlockedAt(), -2);
    EXPECT_EQ(r.relockSeconds(), 300 + static_cast<std::int32_t>(i));
    EXPECT_EQ(r.action(), ShutdownComputer);
    EXPECT_EQ(r.failedTries(), 0x0102 + i);
    EXPECT_EQ(r.maxTries(), 3);
    const LockRecord copy = r.copy();
    EXPECT_EQ(copy.enabled, 1);
    EXPECT_EQ(copy.wildcard, 1);

    // The bytes themselves, where another build of either program reads them.
    const unsigned char* raw = reader.base() + 21 + 552 * i;
    EXPECT_EQ(raw[538], 1);                                   // enabled
    EXPECT_EQ(raw[546], static_cast<unsigned char>(0x02 + i));  // failedTries, low byte
    EXPECT_EQ(raw[547], 0x01);
    EXPECT_EQ(raw[532], 0xFE);                                // unlockedAt = -2
    EXPECT_EQ(raw[535], 0xFF);
  }
}

TEST_F(LockTableViewTest, UsableRecordCountNeverExceedsTheSection) {
  LockTableView view;
  ASSERT_TRUE(view.open(kernel_));
  const struct {
    std::uint32_t header;
    std::uint32_t usable;
  } cases[] = {{0, 0}, {1, 1}, {60, 60}, {98, 98}, {99, 99}, {100, 99}, {0xFFFFFFFFu, 99}};
  for (const auto& c : cases) {
    view.setRecordCount(c.header);
    EXPECT_EQ(view.usableRecordCount(), c.usable) << c.header;
  }
}

// The first enabled record that matches, walking the table the way a reader must.
int firstMatch(const LockTableView& view, const char* title, const char* className) {
  for (std::uint32_t i = 0; i < view.usableRecordCount(); ++i) {
    const RecordRef r = view.record(i);
    if (r.enabled() != 0 && recordMatches(r, title, className)) return static_cast<int>(i);
  }
  return -1;
}

TEST_F(LockTableViewTest, RecordsAfterTheCountAreNeverMatched) {
  LockTableView view;
  ASSERT_TRUE(view.open(kernel_));
  // Leftovers everywhere: every record an enabled catch-all (empty exact title and class).
  for (std::uint32_t i = 0; i < kSectionRecordCapacity; ++i) {
    view.record(i).setEnabled(1);
  }
  std::strcpy(view.record(0).title(), "Inbox");
  std::strcpy(view.record(1).title(), "Calendar");
  view.setRecordCount(2);
  EXPECT_EQ(firstMatch(view, "Untitled - Editor", "EditorFrame"), -1);
  view.setRecordCount(3);
  EXPECT_EQ(firstMatch(view, "Untitled - Editor", "EditorFrame"), 2);
  // A damaged count walks the 99 records in the section and no further.
  std::strcpy(view.record(2).title(), "Notes");
  for (std::uint32_t i = 3; i < kSectionRecordCapacity; ++i) view.record(i).setEnabled(0);
  view.setRecordCount(0xFFFFFFFFu);
  EXPECT_EQ(firstMatch(view, "Untitled - Editor", "EditorFrame"), -1);
}

// A kernel whose section never maps.
class UnmappableKernel : public KernelObjects {
 public:
  explicit UnmappableKernel(KernelHandle handle) : handle_(handle) {}
  SectionMapping openSection(const char*, std::uint32_t) override {
    ++opened;
    SectionMapping m;
    m.handle = handle_;
    return m;
  }
  void closeSection(SectionMapping& m) override {
    if (m.handle != nullptr) ++closedHandles;
    m.handle = nullptr;
    m.base = nullptr;
  }
  KernelHandle createMutex(const char*, bool) override { return nullptr; }
  WaitResult waitMutex(KernelHandle, std::uint32_t) override { return WaitResult::Failed; }
  bool releaseMutex(KernelHandle) override { return false; }
  void closeMutex(KernelHandle) override {}
  KernelHandle openMutex(const char*) override { return nullptr; }

  int opened = 0;
  int closedHandles = 0;

 private:
  KernelHandle handle_;
};

TEST(LockTableViewFailure, SectionThatDoesNotMapLeavesTheViewClosed) {
  int token = 0;
  // Nothing created at all; or created but not mapped, whose handle must not leak.
  for (KernelHandle handle : {static_cast<KernelHandle>(nullptr), static_cast<KernelHandle>(&token)}) {
    UnmappableKernel kernel(handle);
    {
      LockTableView view;
      EXPECT_FALSE(view.open(kernel));
      EXPECT_FALSE(view.isOpen());
      EXPECT_EQ(view.base(), nullptr);
      view.close();  // harmless when not open
    }
    EXPECT_EQ(kernel.opened, 1);
    EXPECT_EQ(kernel.closedHandles, handle != nullptr ? 1 : 0);
  }
}

}  // namespace
}  // namespace vk
