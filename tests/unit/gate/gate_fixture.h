// One process with the hook library attached, on a simulated desktop, and the
// manager's side of the table for setting up locks.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "gate/window_guard.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_kernel.h"

namespace vk {
namespace gatetest {

using fakes::FakeDesktop;
using fakes::FakeKernel;
using fakes::Visibility;
using fakes::WindowCommand;
using Commands = std::vector<WindowCommand>;

constexpr WindowCommand Hide = WindowCommand::Hide;
constexpr WindowCommand Minimize = WindowCommand::MinimizeNoActivate;
constexpr WindowCommand Restore = WindowCommand::Restore;
constexpr WindowCommand PostClose = WindowCommand::PostClose;

struct LockSpec {
  LockSpec(std::string title_, std::string className_ = "", const char* password_ = "secret",
           bool wildcard_ = false, bool enabled_ = true, std::int32_t relockSeconds_ = 300)
      : title(std::move(title_)),
        className(std::move(className_)),
        password(password_),
        wildcard(wildcard_),
        enabled(enabled_),
        relockSeconds(relockSeconds_) {}

  std::string title;
  std::string className;
  const char* password;  // nullptr: a lock without password
  bool wildcard;
  bool enabled;
  std::int32_t relockSeconds;
  std::uint16_t action = DenyAccess;
  std::uint16_t maxTries = 3;
};

inline std::string markerName(std::uint16_t tag) {
  char name[kClaimMarkerNameSize];
  claimMarkerName(tag, name);
  return name;
}

class GateTest : public ::testing::Test {
 public:
  GateTest() {
    EXPECT_TRUE(manager.open(kernel));
    desk.kernel = &kernel;
    gateProcessAttach(gate, kernel, &moduleToken, desk.processId);
    desk.onActivate = [this](WindowRef w) { return cbtHookVerdict(gate, desk, kCbtActivate, w); };
    desk.onRetitle = [this](WindowRef w) {
      return callWndRetVerdict(gate, desk, 0, kMessageSetText, w);
    };
  }
  ~GateTest() override {
    // No path may ever wait longer than the table's limit.
    EXPECT_LE(kernel.longestWaitMs(), kMutexWaitMs);
    // Every mutex taken was given back before its handle was closed.
    EXPECT_EQ(kernel.closesWhileOwned(), 0);
    EXPECT_EQ(kernel.ourOwnership(kTableMutexName), 0);
    // No host code ran under the mutex: no window-system call at all.
    EXPECT_EQ(desk.callsUnderTableMutex, std::vector<std::string>{});
    gateProcessDetach(gate);
    manager.close();
  }

  // Appends a record the way the manager does (run-time fields 0).
  std::uint32_t addLock(const LockSpec& spec) {
    const std::uint32_t i = manager.recordCount();
    LockRecord r;
    std::memset(&r, 0, sizeof r);
    std::strncpy(r.title, spec.title.c_str(), sizeof r.title - 1);
    std::strncpy(r.className, spec.className.c_str(), sizeof r.className - 1);
    if (spec.password != nullptr) r.digest = digestOf(spec.password);
    r.wildcard = spec.wildcard ? 1 : 0;
    r.enabled = spec.enabled ? 1 : 0;
    r.relockSeconds = spec.relockSeconds;
    r.action = spec.action;
    r.maxTries = spec.maxTries;
    manager.record(i).assign(r);
    manager.setRecordCount(i + 1);
    return i;
  }

  // The manager's delete: later records move down by one.
  void removeLock(std::uint32_t i) {
    const std::uint32_t n = manager.recordCount();
    for (std::uint32_t k = i; k + 1 < n; ++k) manager.record(k).assign(manager.record(k + 1).copy());
    manager.setRecordCount(n - 1);
  }

  RecordRef record(std::uint32_t i) { return manager.record(i); }

  // A claim on the record that the process `tag` made and then left in
  // whatever state the test arranges for its marker.
  void leaveForeignClaim(std::uint32_t i, std::uint16_t tag) {
    record(i).setPromptBusy(1);
    record(i).setClaimTag(tag);
  }

  Verdict activate(WindowRef w) { return desk.activate(w); }
  const Commands& commands(WindowRef w) { return desk.window(w).commands; }

  int moduleToken = 0;
  FakeKernel kernel;
  LockTableView manager;
  FakeDesktop desk;
  GateState gate;
};

}  // namespace gatetest
}  // namespace vk
