// The lock table's section and mutex between real processes: what the hook
// library in one application and the manager in another rely on.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "common/lock_table.h"
#include "harness.h"
#include "platform/win32/handle.h"
#include "platform/win32/kernel_objects.h"

namespace vk {
namespace {

using e2e::ChildArgs;
using e2e::Event;
using e2e::Process;
using e2e::spawnChild;
using e2e::uniqueName;

constexpr DWORD kSignalMs = 15000;  // generous: only a broken run waits this long
constexpr DWORD kShortWaitMs = 300;

// Exit codes of the roles below (after the harness's own).
enum KernelChildExit : int {
  ChildOpenFailed = 10,
  ChildNotZeroFilled = 11,
  ChildLockNotHeld = 12,
  ChildMismatch = 13,
  ChildWaitedAcquired = 20,  // 20 + WaitResult
  ChildReleasedOwnership = 30,
  ChildWasNotOwner = 31,
};

int exitCodeOf(WaitResult r) { return ChildWaitedAcquired + static_cast<int>(r); }

bool allZero(const unsigned char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

bool sectionExists(const char* name) {
  win32::UniqueHandle h(::OpenFileMappingA(FILE_MAP_READ, FALSE, name));
  return h.valid();
}

void setTitle(RecordRef r, const char* text) {
  std::memset(r.title(), 0, kTitleCapacity);
  std::strncpy(r.title(), text, kMaxTitleLength);
}

// ---- child roles -------------------------------------------------------------

// Creates the lock table, reports it zero-filled, writes one record when the
// parent has looked, then checks the record the parent wrote back. The table
// and its mutex get names of the test's own: once any test has installed the
// hooks, the desktop's processes keep the real table mapped for good.
// args: created checked written answered (event names) section mutex
VK_E2E_CHILD_ROLE(table_creator) {
  if (args.size() != 6) return e2e::ChildBadArguments;
  Event created = Event::open(args[0]), checked = Event::open(args[1]);
  Event written = Event::open(args[2]), answered = Event::open(args[3]);

  Win32KernelObjects kernel;
  LockTableView view;
  if (!view.open(kernel, args[4].c_str())) return ChildOpenFailed;
  if (!allZero(view.base(), kSectionSize)) return ChildNotZeroFilled;
  KernelHandle mutex = kernel.createMutex(args[5].c_str(), false);
  if (mutex == nullptr) return ChildOpenFailed;
  created.signal();
  if (!checked.wait(kSignalMs)) return e2e::ChildSignalMissed;

  {
    TableLock lock(kernel, mutex);
    if (!lock.held()) return ChildLockNotHeld;
    view.setCbtHook(0x00C0FFEEu);
    setTitle(view.record(0), "Untitled - Notepad");
    view.record(0).setRelockSeconds(600);
    view.record(0).setEnabled(1);
    view.setRecordCount(1);
  }
  written.signal();
  if (!answered.wait(kSignalMs)) return e2e::ChildSignalMissed;

  int result = e2e::ChildOk;
  {
    TableLock lock(kernel, mutex);
    if (!lock.held()) return ChildLockNotHeld;
    if (view.recordCount() != 2 || std::strcmp(view.record(1).title(), "Calculator") != 0 ||
        view.record(1).action() != DenyAccess)
      result = ChildMismatch;
  }
  kernel.closeMutex(mutex);
  return result;
}

// Takes a mutex and keeps it. How it lets go is the mode:
//   release: releases it when told to and exits;
//   exit:    exits at once, still holding it;
//   stay:    waits until it is killed.
// args: mutex held release mode
VK_E2E_CHILD_ROLE(mutex_holder) {
  if (args.size() != 4) return e2e::ChildBadArguments;
  Event held = Event::open(args[1]), release = Event::open(args[2]);
  const std::string& mode = args[3];
  Win32KernelObjects kernel;
  KernelHandle mutex = kernel.openMutex(args[0].c_str());
  if (mutex == nullptr) return ChildOpenFailed;
  if (kernel.waitMutex(mutex, kSignalMs) != WaitResult::Acquired) return ChildLockNotHeld;
  held.signal();
  if (mode == "exit") return e2e::ChildOk;
  if (!release.wait(kSignalMs)) return e2e::ChildSignalMissed;
  if (mode == "release") kernel.releaseMutex(mutex);
  kernel.closeMutex(mutex);
  return e2e::ChildOk;
}

// Opens a mutex by name and waits for it once; the exit code tells the
// outcome. args: mutex timeoutMs
VK_E2E_CHILD_ROLE(mutex_waiter) {
  if (args.size() != 2) return e2e::ChildBadArguments;
  Win32KernelObjects kernel;
  KernelHandle mutex = kernel.openMutex(args[0].c_str());
  if (mutex == nullptr) return ChildOpenFailed;
  const WaitResult r = kernel.waitMutex(mutex, static_cast<std::uint32_t>(std::atoi(args[1].c_str())));
  if (acquired(r)) kernel.releaseMutex(mutex);
  kernel.closeMutex(mutex);
  return exitCodeOf(r);
}

// What the hook library does when it is loaded into a process: create or open
// the mutex asking for ownership, then release it. args: mutex
VK_E2E_CHILD_ROLE(mutex_attacher) {
  if (args.size() != 1) return e2e::ChildBadArguments;
  Win32KernelObjects kernel;
  KernelHandle mutex = kernel.createMutex(args[0].c_str(), true);
  if (mutex == nullptr) return ChildOpenFailed;
  const bool released = kernel.releaseMutex(mutex);
  kernel.closeMutex(mutex);
  return released ? ChildReleasedOwnership : ChildWasNotOwner;
}

// Runs a child to its end and gives its exit code (-1 when it did not end).
long runChild(const std::string& role, const std::vector<std::string>& args) {
  Process child = spawnChild(role, args);
  DWORD code = 0;
  if (!child.started() || !child.wait(kSignalMs, &code)) return -1;
  return static_cast<long>(code);
}

// A mutex of this test's own, closed at the end.
class OwnMutex {
 public:
  OwnMutex(Win32KernelObjects& kernel, const char* tag, bool initialOwner = false)
      : kernel_(kernel), name_(uniqueName(tag)), handle_(kernel.createMutex(name_.c_str(), initialOwner)) {}
  ~OwnMutex() { kernel_.closeMutex(handle_); }
  OwnMutex(const OwnMutex&) = delete;
  OwnMutex& operator=(const OwnMutex&) = delete;
  const std::string& name() const { return name_; }
  KernelHandle handle() const { return handle_; }

 private:
  Win32KernelObjects& kernel_;
  std::string name_;
  KernelHandle handle_;
};

// ---- tests -------------------------------------------------------------------

TEST(KernelObjects, TableCreatedByOneProcessIsZeroFilledAndSharedBothWays) {
  const std::string section = uniqueName("vantakey"), mutexName = uniqueName("Vantak");
  ASSERT_FALSE(sectionExists(section.c_str()));
  const std::string names[] = {uniqueName("created"), uniqueName("checked"), uniqueName("written"),
                               uniqueName("answered")};
  Event created = Event::create(names[0]), checked = Event::create(names[1]);
  Event written = Event::create(names[2]), answered = Event::create(names[3]);
  Process child =
      spawnChild("table_creator", {names[0], names[1], names[2], names[3], section, mutexName});
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(created.wait(kSignalMs)) << "the child did not create the table";

  Win32KernelObjects kernel;
  LockTableView view;
  ASSERT_TRUE(view.open(kernel, section.c_str()));
  EXPECT_TRUE(allZero(view.base(), kSectionSize));
  EXPECT_EQ(view.recordCount(), 0u);
  EXPECT_EQ(view.cbtHook(), 0u);
  EXPECT_EQ(view.callWndRetHook(), 0u);

  // Whatever size a second opener asks for, it maps the whole existing table.
  SectionMapping small = kernel.openSection(section.c_str(), 4096);
  ASSERT_NE(small.base, nullptr);
  MEMORY_BASIC_INFORMATION info;
  ASSERT_NE(::VirtualQuery(small.base, &info, sizeof info), 0u);
  EXPECT_GE(info.RegionSize, kSectionSize);

  KernelHandle mutex = kernel.createMutex(mutexName.c_str(), false);
  ASSERT_NE(mutex, nullptr);
  checked.signal();
  ASSERT_TRUE(written.wait(kSignalMs)) << "the child did not write its record";
  {
    TableLock lock(kernel, mutex);
    ASSERT_TRUE(lock.held());
    EXPECT_EQ(view.recordCount(), 1u);
    EXPECT_EQ(view.cbtHook(), 0x00C0FFEEu);
    EXPECT_STREQ(view.record(0).title(), "Untitled - Notepad");
    EXPECT_EQ(view.record(0).relockSeconds(), 600);
    EXPECT_EQ(view.record(0).enabled(), 1);
    // The second mapping of this process sees the same bytes.
    EXPECT_STREQ(RecordRef(small.base + kHeaderSize).title(), "Untitled - Notepad");

    setTitle(view.record(1), "Calculator");
    view.record(1).setAction(DenyAccess);
    view.setRecordCount(2);
  }
  answered.signal();
  DWORD code = 0;
  ASSERT_TRUE(child.wait(kSignalMs, &code));
  EXPECT_EQ(code, static_cast<DWORD>(e2e::ChildOk)) << "the child's exit code (KernelChildExit)";

  kernel.closeSection(small);
  EXPECT_EQ(small.base, nullptr);
  EXPECT_EQ(small.handle, nullptr);
  view.close();
  kernel.closeMutex(mutex);
  // With every view unmapped and every handle closed, the table is gone.
  EXPECT_FALSE(sectionExists(section.c_str()));
}

TEST(KernelObjects, MutexIsRecursiveAndOpensByNameInAnotherProcess) {
  Win32KernelObjects kernel;
  EXPECT_EQ(kernel.openMutex(uniqueName("never-created").c_str()), nullptr);

  OwnMutex m(kernel, "recursive");
  ASSERT_NE(m.handle(), nullptr);
  ASSERT_EQ(kernel.waitMutex(m.handle(), 0), WaitResult::Acquired);
  ASSERT_EQ(kernel.waitMutex(m.handle(), 0), WaitResult::Acquired);
  const std::string shortWait = std::to_string(kShortWaitMs);

  EXPECT_EQ(runChild("mutex_waiter", {m.name(), shortWait}), exitCodeOf(WaitResult::TimedOut));
  EXPECT_TRUE(kernel.releaseMutex(m.handle()));
  // Owned once more: still out of reach for others.
  EXPECT_EQ(runChild("mutex_waiter", {m.name(), shortWait}), exitCodeOf(WaitResult::TimedOut));
  EXPECT_TRUE(kernel.releaseMutex(m.handle()));
  EXPECT_FALSE(kernel.releaseMutex(m.handle())) << "a release beyond the waits is refused";
  EXPECT_EQ(runChild("mutex_waiter", {m.name(), "5000"}), exitCodeOf(WaitResult::Acquired));
}

TEST(KernelObjects, WaitOnMutexHeldByAnotherProcessTimesOutAfterItsBound) {
  Win32KernelObjects kernel;
  OwnMutex m(kernel, "held");
  ASSERT_NE(m.handle(), nullptr);
  Event held = Event::create(m.name() + "-held"), release = Event::create(m.name() + "-release");
  Process child = spawnChild("mutex_holder", {m.name(), m.name() + "-held", m.name() + "-release", "release"});
  ASSERT_TRUE(held.wait(kSignalMs)) << "the child did not take the mutex";

  const ULONGLONG start = ::GetTickCount64();
  EXPECT_EQ(kernel.waitMutex(m.handle(), kShortWaitMs), WaitResult::TimedOut);
  const ULONGLONG waited = ::GetTickCount64() - start;
  EXPECT_GE(waited + 20, kShortWaitMs) << "the wait gave up before its bound";  // tick granularity
  EXPECT_LT(waited, 5000u) << "the wait ran far past its bound";

  release.signal();
  EXPECT_EQ(kernel.waitMutex(m.handle(), kSignalMs), WaitResult::Acquired);
  EXPECT_TRUE(kernel.releaseMutex(m.handle()));
  DWORD code = 0;
  ASSERT_TRUE(child.wait(kSignalMs, &code));
  EXPECT_EQ(code, static_cast<DWORD>(e2e::ChildOk));
}

// The owner of a mutex goes away without releasing it: by ending on its own,
// or by being killed.
class AbandonedMutex : public testing::TestWithParam<const char*> {};

TEST_P(AbandonedMutex, NextWaiterAcquiresItAsAbandonedOnce) {
  const std::string mode = GetParam();
  Win32KernelObjects kernel;
  OwnMutex m(kernel, "abandoned");
  ASSERT_NE(m.handle(), nullptr);
  Event held = Event::create(m.name() + "-held"), release = Event::create(m.name() + "-release");
  Process child = spawnChild("mutex_holder", {m.name(), m.name() + "-held", m.name() + "-release",
                                              mode == "killed" ? "stay" : "exit"});
  ASSERT_TRUE(held.wait(kSignalMs)) << "the child did not take the mutex";
  if (mode == "killed") child.terminate(9);
  ASSERT_TRUE(child.wait(kSignalMs));

  EXPECT_EQ(kernel.waitMutex(m.handle(), kSignalMs), WaitResult::Abandoned);
  // The abandoned mutex now belongs to this process.
  EXPECT_EQ(runChild("mutex_waiter", {m.name(), std::to_string(kShortWaitMs)}),
            exitCodeOf(WaitResult::TimedOut));
  EXPECT_TRUE(kernel.releaseMutex(m.handle()));
  EXPECT_EQ(kernel.waitMutex(m.handle(), kSignalMs), WaitResult::Acquired) << "abandonment is reported once";
  EXPECT_TRUE(kernel.releaseMutex(m.handle()));
}

INSTANTIATE_TEST_SUITE_P(OwnerEnds, AbandonedMutex, testing::Values("exited", "killed"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// Initial ownership goes to the process whose call created the mutex, never to
// one that merely opened it.
TEST(KernelObjects, InitialOwnershipGoesOnlyToTheCreator) {
  Win32KernelObjects kernel;
  {
    OwnMutex first(kernel, "owned-by-parent", true);
    ASSERT_NE(first.handle(), nullptr);
    EXPECT_EQ(runChild("mutex_attacher", {first.name()}), ChildWasNotOwner);
    EXPECT_TRUE(kernel.releaseMutex(first.handle())) << "the creator was given ownership";
  }
  const std::string fresh = uniqueName("created-by-child");
  EXPECT_EQ(runChild("mutex_attacher", {fresh}), ChildReleasedOwnership);
}

}  // namespace
}  // namespace vk
