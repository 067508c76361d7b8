// Shared set-up of the manager shell tests: every port of the manager program
// as a fake, wired into one ManagerPorts, with one event log across the
// kernel objects, the files, the dialogs and the system around the program.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "manager/shell/manager_ports.h"
#include "manager/shell/manager_window.h"
#include "manager/store/database_file.h"
#include "manager/store/manager_settings.h"
#include "manager/store/manager_store.h"
#include "manager/store/table_operations.h"
#include "tests/fakes/event_log.h"
#include "tests/fakes/fake_clock.h"
#include "tests/fakes/fake_dialog_runner.h"
#include "tests/fakes/fake_frame_window.h"
#include "tests/fakes/fake_hook_host.h"
#include "tests/fakes/fake_kernel.h"
#include "tests/fakes/fake_list_control.h"
#include "tests/fakes/fake_manager_dialogs.h"
#include "tests/fakes/fake_shell.h"
#include "tests/fakes/fake_shell_platform.h"
#include "tests/fakes/memory_files.h"
#include "tests/fakes/recording_message_boxes.h"

namespace vk {
namespace shelltest {

inline std::string baseName(const char* path) {
  const std::string p = path;
  const std::size_t slash = p.find_last_of("\\/");
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

// FakeKernel that also writes its section and mutex calls into the log.
class LoggingKernel : public fakes::FakeKernel {
 public:
  explicit LoggingKernel(fakes::EventLog& log) : log_(log) {}
  SectionMapping openSection(const char* name, std::uint32_t size) override {
    log_.add(std::string("map section ") + name);
    return FakeKernel::openSection(name, size);
  }
  void closeSection(SectionMapping& mapping) override {
    log_.add("unmap section");
    FakeKernel::closeSection(mapping);
  }
  KernelHandle createMutex(const char* name, bool initialOwner) override {
    log_.add(std::string("create mutex ") + name);
    return FakeKernel::createMutex(name, initialOwner);
  }
  void closeMutex(KernelHandle mutex) override {
    log_.add("close mutex Vantak");
    FakeKernel::closeMutex(mutex);
  }

 private:
  fakes::EventLog& log_;
};

// MemoryFiles that logs reads and saves by file name.
class LoggingFiles : public fakes::MemoryFiles {
 public:
  explicit LoggingFiles(fakes::EventLog& log) : log_(log) {}
  FileRead readFile(const char* path, Bytes& contents) override {
    log_.add("read " + baseName(path));
    return MemoryFiles::readFile(path, contents);
  }
  bool replaceFile(const char* path, const unsigned char* data, std::size_t size) override {
    log_.add("save " + baseName(path));
    return MemoryFiles::replaceFile(path, data, size);
  }
  bool deleteFile(const char* path) override {
    log_.add("delete " + baseName(path));
    return MemoryFiles::deleteFile(path);
  }

 private:
  fakes::EventLog& log_;
};

class LoggingBoxes : public fakes::RecordingMessageBoxes {
 public:
  explicit LoggingBoxes(fakes::EventLog& log) : log_(log) {}
  int show(const char* text, const char* caption, unsigned style) override {
    log_.add(std::string("message box ") + caption);
    return RecordingMessageBoxes::show(text, caption, style);
  }

 private:
  fakes::EventLog& log_;
};

// Every port of the manager as a fake.
struct FakeManagerWorld {
  FakeManagerWorld() { dialogRunner.log = &log; }

  fakes::EventLog log;
  fakes::FakeShellPlatform system{log};
  LoggingKernel kernel{log};
  LoggingFiles files{log};
  LoggingBoxes boxes{log};
  fakes::FakeDialogRunner dialogRunner;
  fakes::FakeManagerDialogs dialogs{log};
  fakes::FakeFrameWindow frame;
  fakes::FakeToolbar toolbar;
  fakes::FakeListControl list;
  fakes::FakeClock clock;
  fakes::FakeShell shell;
  fakes::FakeHookHost hookHost{log};
  ManagerPorts ports{system, kernel, files, boxes, dialogRunner, dialogs,
                     frame,  toolbar, list,  clock, shell, hookHost};
};

// A lock as the tests build them.
struct LockSpec {
  const char* title = "Notepad";
  const char* password = "pw";  // "" for none
  std::uint16_t action = CloseWindow;
  std::uint16_t maxTries = 3;
  bool enabled = true;
  std::int32_t relockSeconds = 300;
  bool wildcard = false;
};

// The manager window on a mapped table, as start-up leaves it.
class ManagerWindowTest : public ::testing::Test {
 protected:
  ManagerWindowTest() {
    table.open(world.kernel);
    resetTableHeader(table.base());
    settings.systemPasswordDigest = digestOf("system");
    // No box of the manager may come up while it holds the table mutex: every
    // window activation on the desktop waits for that mutex.
    world.frame.onMessageBox = [this](const fakes::MessageBoxShown& box) {
      EXPECT_EQ(0, world.kernel.ourOwnership(kTableMutexName)) << box.text;
    };
    world.boxes.onShow = [this](const fakes::RecordingMessageBoxes::Box& box) {
      EXPECT_EQ(0, world.kernel.ourOwnership(kTableMutexName)) << box.text;
    };
  }

  void addLock(const LockSpec& spec) {
    const PasswordDigest digest = spec.password[0] != '\0' ? digestOf(spec.password)
                                                           : PasswordDigest{};
    ASSERT_TRUE(vk::addLock(table, "", spec.title, digest, spec.action, spec.maxTries,
                            spec.enabled, spec.relockSeconds, spec.wildcard));
  }
  void addLocks(int count) {
    for (int i = 0; i < count; ++i) {
      const std::string title = "Window " + std::to_string(i);
      LockSpec spec;
      spec.title = title.c_str();
      addLock(spec);
    }
  }

  std::string titleAt(std::uint32_t i) const {
    const char* t = table.record(i).title();
    return std::string(t, boundedLength(t));
  }
  std::vector<std::string> titles() const {
    std::vector<std::string> all;
    for (std::uint32_t i = 0; i < table.recordCount(); ++i) all.push_back(titleAt(i));
    return all;
  }
  std::vector<std::string> boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : world.frame.boxes) texts.push_back(box.text);
    return texts;
  }
  int saves() const { return world.log.count("save vk2.dat"); }

  // The window as start-up creates it.
  void createWindow() { ASSERT_TRUE(window.create()); }
  void select(std::initializer_list<int> rows) { world.list.select(rows); }
  void press(int commandId) { window.onCommand(commandId); }

  FakeManagerWorld world;
  LockTableView table;
  KernelHandle mutex = world.kernel.createMutex(kTableMutexName, false);
  ManagerSettings settings;
  ManagerStore store{world.kernel, mutex, table, settings, world.files, world.boxes};
  ManagerWindow window{world.ports, store};
};

}  // namespace shelltest
}  // namespace vk
