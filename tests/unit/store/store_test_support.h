// Shared set-up of the store tests: an in-memory section, mutex, files and
// message boxes wired into one ManagerStore, plus the committed fixtures and
// a small independent writer for hand-made database images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/lock_table.h"
#include "manager/store/manager_settings.h"
#include "manager/store/manager_store.h"
#include "manager/store/table_operations.h"
#include "tests/fakes/memory_files.h"
#include "tests/fakes/memory_kernel.h"
#include "tests/fakes/recording_message_boxes.h"

namespace vk {
namespace storetest {

using Bytes = std::vector<unsigned char>;

inline Bytes readFixture(const char* name) {
  std::string path = __FILE__;
  path = path.substr(0, path.find_last_of("/\\") + 1) + "../../fixtures/store/" + name;
  Bytes bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    ADD_FAILURE() << "missing fixture " << path;
    return bytes;
  }
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
  std::fclose(f);
  return bytes;
}

// Writes fields the way the file format says, independently of the store's writer.
class Image {
 public:
  Image& u16(unsigned v) {
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
    return *this;
  }
  Image& i32(std::int32_t v) {
    std::uint32_t u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(u >> (8 * i)));
    return *this;
  }
  Image& byte(unsigned v) {
    b.push_back(static_cast<unsigned char>(v));
    return *this;
  }
  Image& text(const std::string& s) {
    u16(static_cast<unsigned>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Image& digest(const PasswordDigest& d) {
    b.insert(b.end(), d.bytes, d.bytes + 20);
    return *this;
  }
  // Settings part of "vk2.dat" up to and including the lock count.
  Image& settings(const PasswordDigest& system, const std::string& question,
                  const PasswordDigest& answer, const std::string& r1, const std::string& r2,
                  unsigned shutDown, unsigned lockCount) {
    return digest(system)
        .text(question)
        .digest(answer)
        .text(r1)
        .text(r2)
        .byte(shutDown)
        .u16(0)
        .u16(0)
        .u16(lockCount);
  }
  Image& lock(const std::string& cls, const std::string& title, unsigned wildcard, unsigned enabled,
              unsigned maxTries, std::int32_t relock, unsigned action, const PasswordDigest& d) {
    return text(cls)
        .text(title)
        .byte(wildcard)
        .byte(enabled)
        .u16(maxTries)
        .i32(relock)
        .u16(action)
        .digest(d);
  }
  Bytes b;
};

class StoreTest : public ::testing::Test {
 protected:
  StoreTest() {
    table.open(kernel);
    resetTableHeader(kernel.section());
  }

  std::string vk2Path() const { return files.dataPathOf("vk2.dat"); }
  std::string vkPath() const { return files.pathOf("vk.dat"); }

  void addSample(const char* title, std::uint16_t action = CloseWindow) {
    ASSERT_TRUE(addLock(table, "Class", title, digestOf(title), action, 3, true, 300, false));
  }

  std::string titleAt(std::uint32_t i) const {
    const char* t = table.record(i).title();
    return std::string(t, boundedLength(t));
  }

  Bytes sectionSnapshot() {
    unsigned char* s = kernel.section();
    return Bytes(s, s + kSectionSize);
  }

  fakes::MemoryKernel kernel;
  LockTableView table;
  KernelHandle mutex = kernel.createMutex(kTableMutexName, false);
  ManagerSettings settings;
  fakes::MemoryFiles files;
  fakes::RecordingMessageBoxes boxes;
  ManagerStore store{kernel, mutex, table, settings, files, boxes};
};

}  // namespace storetest
}  // namespace vk
