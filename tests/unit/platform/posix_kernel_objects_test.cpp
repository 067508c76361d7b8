// The posix named objects, exercised by real forked processes: the lock table
// and its mutex must hold up when several processes contend for them.
#include <gtest/gtest.h>

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/lock_table.h"
#include "platform/posix/kernel_objects.h"

namespace vk {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kChildDeadlineMs = 60000;  // generous: sanitizer builds are slow
constexpr int kSignalDeadlineMs = 10000;

// Child exit codes carry a wait result back to the parent.
int codeOf(WaitResult r) { return 10 + static_cast<int>(r); }

// One-way byte channel between processes, read with a deadline.
class Pipe {
 public:
  Pipe() {
    if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
  }
  ~Pipe() {
    if (fds_[0] >= 0) close(fds_[0]);
    if (fds_[1] >= 0) close(fds_[1]);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  void send(int count = 1) {
    for (int i = 0; i < count; ++i) {
      const char c = 'x';
      if (write(fds_[1], &c, 1) != 1) return;
    }
  }
  // True when a byte arrived within the deadline.
  bool receive(int timeoutMs) {
    pollfd p{fds_[0], POLLIN, 0};
    if (poll(&p, 1, timeoutMs) != 1) return false;
    char c;
    return read(fds_[0], &c, 1) == 1;
  }

 private:
  int fds_[2];
};

// A forked child running `body`; its return value becomes the exit code. The
// child never returns into the test framework. A child still running when the
// object goes away (a failed assertion) is killed.
class Child {
 public:
  template <typename Body>
  explicit Child(Body body) {
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) _exit(body());
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  void killHard() const { kill(pid_, SIGKILL); }

  // Exit code; 128 + signal when killed; -1 when it did not end in time.
  int finish(int timeoutMs = kChildDeadlineMs) {
    const Clock::time_point deadline = Clock::now() + milliseconds(timeoutMs);
    while (pid_ > 0) {
      int status = 0;
      const pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
        return -1;
      }
      if (r < 0 || Clock::now() >= deadline) return -1;
      pollfd none{-1, 0, 0};
      poll(&none, 0, 2);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
};

std::string uniquePrefix() {
  static int counter = 0;
  return "vkt" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "_";
}

class PosixKernelObjectsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Names only a child touched are not known to the parent's object.
    for (const char* n : {kSectionName, kTableMutexName, "m", "race"}) kernel_.unlink(n);
  }

  const std::string prefix_ = uniquePrefix();
  PosixKernelObjects kernel_{prefix_, true};
};

TEST_F(PosixKernelObjectsTest, ConcurrentUpdatesUnderTheMutexAreExact) {
  constexpr int kProcesses = 4;
  constexpr int kIterations = 2000;
  LockTableView view;
  ASSERT_TRUE(view.open(kernel_));
  view.setRecordCount(1);
  KernelHandle mutex = kernel_.createMutex(kTableMutexName, false);
  ASSERT_NE(mutex, nullptr);

  Pipe go;
  std::vector<std::unique_ptr<Child>> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(std::make_unique<Child>([&] {
      PosixKernelObjects kernel(prefix_);
      LockTableView v;
      if (!v.open(kernel)) return 2;
      KernelHandle m = kernel.createMutex(kTableMutexName, false);
      if (m == nullptr) return 3;
      if (!go.receive(kSignalDeadlineMs)) return 4;
      for (int i = 0; i < kIterations; ++i) {
        TableLock outer(kernel, m);
        if (!outer.held()) return 5;
        const RecordRef r = v.record(0);
        const std::uint16_t tries = r.failedTries();
        // Give the others every chance to slip in between read and write.
        if (i % 8 == 0) sched_yield();
        r.setFailedTries(static_cast<std::uint16_t>(tries + 1));
        TableLock inner(kernel, m);  // the same thread takes it again
        if (!inner.held()) return 6;
        r.setUnlockedAt(r.unlockedAt() + 1);
      }
      kernel.closeMutex(m);
      return 0;
    }));
  }
  go.send(kProcesses);
  for (const auto& c : children) EXPECT_EQ(c->finish(), 0);

  EXPECT_EQ(view.record(0).failedTries(), kProcesses * kIterations);
  EXPECT_EQ(view.record(0).unlockedAt(), kProcesses * kIterations);
  // Every child released as often as it waited: the mutex is free, not abandoned.
  EXPECT_EQ(kernel_.waitMutex(mutex, 1000), WaitResult::Acquired);
  EXPECT_TRUE(kernel_.releaseMutex(mutex));
  kernel_.closeMutex(mutex);
}

TEST_F(PosixKernelObjectsTest, HolderKilledLeavesItAbandonedThenUsable) {
  KernelHandle mutex = kernel_.createMutex("m", false);
  ASSERT_NE(mutex, nullptr);
  Pipe held, never;
  Child holder([&] {
    PosixKernelObjects kernel(prefix_);
    KernelHandle m = kernel.createMutex("m", false);
    if (m == nullptr || kernel.waitMutex(m, 1000) != WaitResult::Acquired) return 2;
    held.send();
    never.receive(-1);  // hold it until killed
    return 3;
  });
  ASSERT_TRUE(held.receive(kSignalDeadlineMs));
  holder.killHard();
  EXPECT_EQ(holder.finish(), 128 + SIGKILL);

  EXPECT_EQ(kernel_.waitMutex(mutex, 2000), WaitResult::Abandoned);
  EXPECT_TRUE(kernel_.releaseMutex(mutex));
  // Made consistent by the first taker: later waits are ordinary again.
  EXPECT_EQ(kernel_.waitMutex(mutex, 2000), WaitResult::Acquired);
  EXPECT_TRUE(kernel_.releaseMutex(mutex));
  kernel_.closeMutex(mutex);
}

TEST_F(PosixKernelObjectsTest, WaitOnAMutexHeldElsewhereGivesUpAfterItsBound) {
  KernelHandle mutex = kernel_.createMutex("m", false);
  ASSERT_NE(mutex, nullptr);
  Pipe held, done;
  Child holder([&] {
    PosixKernelObjects kernel(prefix_);
    KernelHandle m = kernel.createMutex("m", false);
    if (m == nullptr || kernel.waitMutex(m, 1000) != WaitResult::Acquired) return 2;
    held.send();
    if (!done.receive(kSignalDeadlineMs)) return 3;
    return kernel.releaseMutex(m) ? 0 : 4;
  });
  ASSERT_TRUE(held.receive(kSignalDeadlineMs));

  const milliseconds bound(200);
  const Clock::time_point start = Clock::now();
  const WaitResult r = kernel_.waitMutex(mutex, static_cast<std::uint32_t>(bound.count()));
  const Clock::duration waited = Clock::now() - start;
  EXPECT_EQ(r, WaitResult::TimedOut);
  EXPECT_GE(waited, bound);
  EXPECT_LT(waited, milliseconds(5000));

  done.send();
  EXPECT_EQ(holder.finish(), 0);
  EXPECT_EQ(kernel_.waitMutex(mutex, 2000), WaitResult::Acquired);
  EXPECT_TRUE(kernel_.releaseMutex(mutex));
  kernel_.closeMutex(mutex);
}

TEST_F(PosixKernelObjectsTest, RecursiveOwnerMustReleaseAsOftenAsItWaited) {
  KernelHandle mutex = kernel_.createMutex("m", false);
  ASSERT_NE(mutex, nullptr);
  auto tryFromAnotherProcess = [&](std::uint32_t waitMs) {
    Child other([&] {
      PosixKernelObjects kernel(prefix_);
      KernelHandle m = kernel.openMutex("m");
      if (m == nullptr) return 2;
      const WaitResult r = kernel.waitMutex(m, waitMs);
      if (acquired(r)) kernel.releaseMutex(m);
      return codeOf(r);
    });
    return other.finish();
  };

  ASSERT_EQ(kernel_.waitMutex(mutex, 1000), WaitResult::Acquired);
  ASSERT_EQ(kernel_.waitMutex(mutex, 1000), WaitResult::Acquired);
  EXPECT_TRUE(kernel_.releaseMutex(mutex));
  EXPECT_EQ(tryFromAnotherProcess(100), codeOf(WaitResult::TimedOut));
  EXPECT_TRUE(kernel_.releaseMutex(mutex));
  EXPECT_FALSE(kernel_.releaseMutex(mutex));  // one release too many
  EXPECT_EQ(tryFromAnotherProcess(2000), codeOf(WaitResult::Acquired));
  kernel_.closeMutex(mutex);
}

TEST_F(PosixKernelObjectsTest, ReleaseByANonOwnerIsRefusedAndChangesNothing) {
  KernelHandle mutex = kernel_.createMutex("m", false);
  ASSERT_NE(mutex, nullptr);
  EXPECT_FALSE(kernel_.releaseMutex(mutex));  // nobody owns it

  Pipe held, done;
  Child holder([&] {
    PosixKernelObjects kernel(prefix_);
    KernelHandle m = kernel.openMutex("m");
    if (m == nullptr || kernel.waitMutex(m, 1000) != WaitResult::Acquired) return 2;
    held.send();
    if (!done.receive(kSignalDeadlineMs)) return 3;
    return kernel.releaseMutex(m) ? 0 : 4;
  });
  ASSERT_TRUE(held.receive(kSignalDeadlineMs));
  EXPECT_FALSE(kernel_.releaseMutex(mutex));
  EXPECT_EQ(kernel_.waitMutex(mutex, 50), WaitResult::TimedOut);  // still the child's
  done.send();
  EXPECT_EQ(holder.finish(), 0);
  kernel_.closeMutex(mutex);
}

TEST_F(PosixKernelObjectsTest, InitialOwnershipGoesOnlyToTheCreator) {
  KernelHandle mine = kernel_.createMutex("m", true);
  ASSERT_NE(mine, nullptr);
  Child opener([&] {
    PosixKernelObjects kernel(prefix_);
    KernelHandle m = kernel.createMutex("m", true);
    if (m == nullptr) return 2;
    if (kernel.releaseMutex(m)) return 3;  // it was handed ownership after all
    return codeOf(kernel.waitMutex(m, 50));
  });
  EXPECT_EQ(opener.finish(), codeOf(WaitResult::TimedOut));
  EXPECT_TRUE(kernel_.releaseMutex(mine));

  KernelHandle again = kernel_.createMutex("m", true);  // exists now: not owned
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(kernel_.releaseMutex(again));
  kernel_.closeMutex(again);
  kernel_.closeMutex(mine);
}

TEST_F(PosixKernelObjectsTest, CreatorsRacingForANewNameGetOneOwnerAndOneMutex) {
  constexpr int kProcesses = 4;
  Pipe go, owned;
  std::vector<std::unique_ptr<Child>> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(std::make_unique<Child>([&] {
      PosixKernelObjects kernel(prefix_);
      if (!go.receive(kSignalDeadlineMs)) return 2;
      KernelHandle m = kernel.createMutex("race", true);
      if (m == nullptr) return 3;
      // Only the owner's release succeeds; report it, then all use the one mutex.
      if (kernel.releaseMutex(m)) owned.send();
      for (int i = 0; i < 200; ++i) {
        if (kernel.waitMutex(m, 5000) != WaitResult::Acquired) return 4;
        if (!kernel.releaseMutex(m)) return 5;
      }
      return 0;
    }));
  }
  go.send(kProcesses);
  for (const auto& c : children) EXPECT_EQ(c->finish(), 0);
  EXPECT_TRUE(owned.receive(0));
  EXPECT_FALSE(owned.receive(0));
}

TEST_F(PosixKernelObjectsTest, SectionIsZeroFilledAtCreationAndSharedWithOthers) {
  Pipe written, checked;
  Child creator([&] {
    PosixKernelObjects kernel(prefix_);
    SectionMapping s = kernel.openSection(kSectionName, kSectionSize);
    if (s.base == nullptr) return 2;
    for (std::uint32_t i = 0; i < kSectionSize; ++i) {
      if (s.base[i] != 0) return 3;
    }
    s.base[0] = 0x5A;
    s.base[kSectionSize - 1] = 0xA5;
    written.send();
    if (!checked.receive(kSignalDeadlineMs)) return 4;
    const int rc = s.base[100] == 0x42 ? 0 : 5;
    kernel.closeSection(s);
    return rc;
  });
  ASSERT_TRUE(written.receive(kSignalDeadlineMs));

  // A second opener gets the existing section whatever size it asks for...
  SectionMapping s = kernel_.openSection(kSectionName, 16);
  ASSERT_NE(s.base, nullptr);
  EXPECT_EQ(s.base[0], 0x5A);
  EXPECT_EQ(s.base[kSectionSize - 1], 0xA5);
  s.base[100] = 0x42;
  checked.send();
  EXPECT_EQ(creator.finish(), 0);
  // ...but is not handed one shorter than it would use.
  SectionMapping larger = kernel_.openSection(kSectionName, kSectionSize + 1);
  EXPECT_EQ(larger.base, nullptr);
  EXPECT_EQ(larger.handle, nullptr);
  kernel_.closeSection(s);
  EXPECT_EQ(s.base, nullptr);
}

TEST_F(PosixKernelObjectsTest, OpenMutexFindsOnlyAnExistingMutex) {
  EXPECT_EQ(kernel_.openMutex("m"), nullptr);

  KernelHandle created = kernel_.createMutex("m", false);
  ASSERT_NE(created, nullptr);
  KernelHandle opened = kernel_.openMutex("m");
  ASSERT_NE(opened, nullptr);
  // Two handles, one mutex: ownership taken through one is seen through the other.
  ASSERT_EQ(kernel_.waitMutex(opened, 1000), WaitResult::Acquired);
  EXPECT_TRUE(kernel_.releaseMutex(created));
  EXPECT_FALSE(kernel_.releaseMutex(opened));
  kernel_.closeMutex(opened);
  kernel_.closeMutex(created);

  // Sections and mutexes share one namespace; a section is not a mutex.
  SectionMapping s = kernel_.openSection(kSectionName, kSectionSize);
  ASSERT_NE(s.base, nullptr);
  EXPECT_EQ(kernel_.openMutex(kSectionName), nullptr);
  EXPECT_EQ(kernel_.createMutex(kSectionName, false), nullptr);
  kernel_.closeSection(s);

  ASSERT_TRUE(kernel_.unlink("m"));
  EXPECT_EQ(kernel_.openMutex("m"), nullptr);
}

}  // namespace
}  // namespace vk
