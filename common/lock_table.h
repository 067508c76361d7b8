// The shared lock table: one named, pagefile-backed section that the manager
// fills and the hook library reads in every process. Layout is fixed to the
// byte; both deliverables (and older builds of them) depend on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/password_digest.h"
#include "platform/kernel_objects.h"

namespace vk {

constexpr const char* kSectionName = "vantakey";
constexpr const char* kTableMutexName = "Vantak";
constexpr std::uint32_t kSectionSize = 55200;
constexpr std::uint32_t kMutexWaitMs = 7000;

// Header (packed, 21 bytes).
constexpr std::size_t kOffCbtHook = 0;
constexpr std::size_t kOffCallWndRetHook = 4;
constexpr std::size_t kOffReserved8 = 8;   // manager writes 300; nothing reads it
constexpr std::size_t kOffReserved12 = 12; // byte, written 0
constexpr std::size_t kOffReserved13 = 13; // int32, written 0
constexpr std::size_t kOffRecordCount = 17;
constexpr std::size_t kHeaderSize = 21;

constexpr std::size_t kRecordSize = 552;
// Whole records that fit in the section after the header.
constexpr std::uint32_t kSectionRecordCapacity =
    static_cast<std::uint32_t>((kSectionSize - kHeaderSize) / kRecordSize);
static_assert(kSectionRecordCapacity == 99, "the section holds 99 whole records");
// The manager's own limit.
constexpr std::uint32_t kManagerLockLimit = 60;

constexpr std::size_t kTitleCapacity = 256; // bytes, NUL included
constexpr std::size_t kMaxTitleLength = kTitleCapacity - 1;

enum LockAction : std::uint16_t {
  CloseWindow = 1,
  DenyAccess = 2,
  LockComputer = 4,
  ShutdownComputer = 8,
};

// One lock as laid out in the section (natural alignment inside the record).
// Use this type for copies held in ordinary memory; records in the section sit
// at odd addresses and are reached through RecordRef.
struct LockRecord {
  char title[kTitleCapacity];
  char className[kTitleCapacity];
  PasswordDigest digest;
  std::int32_t unlockedAt;
  std::uint8_t promptBusy;
  std::uint8_t wildcard;
  std::uint8_t enabled;
  std::uint8_t padding539;
  std::int32_t relockSeconds;
  std::uint16_t action;
  std::uint16_t failedTries;
  std::uint16_t maxTries;
  // Padding in the layout. The hook library keeps the tag of its current
  // claim here (see window_guard); the manager never reads it.
  std::uint16_t claimTag;
};

static_assert(sizeof(PasswordDigest) == 20, "digest is 20 bytes");
static_assert(offsetof(LockRecord, title) == 0, "layout");
static_assert(offsetof(LockRecord, className) == 256, "layout");
static_assert(offsetof(LockRecord, digest) == 512, "layout");
static_assert(offsetof(LockRecord, unlockedAt) == 532, "layout");
static_assert(offsetof(LockRecord, promptBusy) == 536, "layout");
static_assert(offsetof(LockRecord, wildcard) == 537, "layout");
static_assert(offsetof(LockRecord, enabled) == 538, "layout");
static_assert(offsetof(LockRecord, relockSeconds) == 540, "layout");
static_assert(offsetof(LockRecord, action) == 544, "layout");
static_assert(offsetof(LockRecord, failedTries) == 546, "layout");
static_assert(offsetof(LockRecord, maxTries) == 548, "layout");
static_assert(offsetof(LockRecord, claimTag) == 550, "layout");
static_assert(sizeof(LockRecord) == kRecordSize, "a record is 552 bytes");
static_assert(kHeaderSize + 99 * kRecordSize <= kSectionSize, "99 records fit");
static_assert(kHeaderSize + 100 * kRecordSize > kSectionSize, "100 do not");

// Unaligned little-endian-in-memory access without undefined behaviour.
template <typename T>
inline T loadAt(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T>
inline void storeAt(unsigned char* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// A record inside the mapped section. All reads and writes go through memcpy
// because the record may start at any address.
class RecordRef {
 public:
  explicit RecordRef(unsigned char* p) : p_(p) {}

  unsigned char* bytes() const { return p_; }
  // The string fields are char arrays (alignment 1), so they are used in place.
  // A field is not trusted to hold a NUL: read it with boundedLength().
  char* title() const { return reinterpret_cast<char*>(p_ + offsetof(LockRecord, title)); }
  char* className() const { return reinterpret_cast<char*>(p_ + offsetof(LockRecord, className)); }

  PasswordDigest digest() const { return loadAt<PasswordDigest>(p_ + offsetof(LockRecord, digest)); }
  void setDigest(const PasswordDigest& d) const { storeAt(p_ + offsetof(LockRecord, digest), d); }
  // A lock has a password when the first 32-bit word of its digest is not 0.
  bool hasPassword() const { return loadAt<std::uint32_t>(p_ + offsetof(LockRecord, digest)) != 0; }

#define VK_RECORD_FIELD(Type, name, Name)                                                  \
  Type name() const { return loadAt<Type>(p_ + offsetof(LockRecord, name)); }              \
  void set##Name(Type v) const { storeAt<Type>(p_ + offsetof(LockRecord, name), v); }
  VK_RECORD_FIELD(std::int32_t, unlockedAt, UnlockedAt)
  VK_RECORD_FIELD(std::uint8_t, promptBusy, PromptBusy)
  VK_RECORD_FIELD(std::uint8_t, wildcard, Wildcard)
  VK_RECORD_FIELD(std::uint8_t, enabled, Enabled)
  VK_RECORD_FIELD(std::int32_t, relockSeconds, RelockSeconds)
  VK_RECORD_FIELD(std::uint16_t, action, Action)
  VK_RECORD_FIELD(std::uint16_t, failedTries, FailedTries)
  VK_RECORD_FIELD(std::uint16_t, maxTries, MaxTries)
  VK_RECORD_FIELD(std::uint16_t, claimTag, ClaimTag)
#undef VK_RECORD_FIELD

  LockRecord copy() const { return loadAt<LockRecord>(p_); }
  void assign(const LockRecord& r) const { storeAt(p_, r); }

 private:
  unsigned char* p_;
};

// Length of a fixed text field that may lack its NUL (damaged or concurrently
// written memory): never reads past the field.
inline std::size_t boundedLength(const char* field, std::size_t capacity = kTitleCapacity) {
  std::size_t n = 0;
  while (n < capacity && field[n] != '\0') ++n;
  return n;
}

// One process's mapping of the lock table. Owned by whoever opened it.
class LockTableView {
 public:
  LockTableView() = default;
  LockTableView(const LockTableView&) = delete;
  LockTableView& operator=(const LockTableView&) = delete;
  ~LockTableView() { close(); }

  // Creates or opens the section and maps all of it. On failure base() stays null.
  // Only tests give another name, to get a table of their own.
  bool open(KernelObjects& kernel, const char* sectionName = kSectionName);
  // Unmaps the view and closes the section handle; harmless when not open.
  void close();

  bool isOpen() const { return base_ != nullptr; }
  unsigned char* base() const { return base_; }

  std::uint32_t cbtHook() const { return loadAt<std::uint32_t>(base_ + kOffCbtHook); }
  std::uint32_t callWndRetHook() const { return loadAt<std::uint32_t>(base_ + kOffCallWndRetHook); }
  void setCbtHook(std::uint32_t h) const { storeAt(base_ + kOffCbtHook, h); }
  void setCallWndRetHook(std::uint32_t h) const { storeAt(base_ + kOffCallWndRetHook, h); }
  std::uint32_t recordCount() const { return loadAt<std::uint32_t>(base_ + kOffRecordCount); }
  void setRecordCount(std::uint32_t n) const { storeAt(base_ + kOffRecordCount, n); }
  std::int32_t reserved8() const { return loadAt<std::int32_t>(base_ + kOffReserved8); }
  std::uint8_t reserved12() const { return base_[kOffReserved12]; }
  std::int32_t reserved13() const { return loadAt<std::int32_t>(base_ + kOffReserved13); }
  // recordCount clamped to what the section can hold, for readers that must
  // never step outside the mapping whatever the header says.
  std::uint32_t usableRecordCount() const {
    std::uint32_t n = recordCount();
    return n < kSectionRecordCapacity ? n : kSectionRecordCapacity;
  }

  RecordRef record(std::uint32_t i) const { return RecordRef(base_ + kHeaderSize + kRecordSize * i); }

 private:
  KernelObjects* kernel_ = nullptr;
  KernelHandle section_ = nullptr;
  unsigned char* base_ = nullptr;
};

// Holds the table mutex for one step. A wait that times out leaves the guard
// not held; a release the system refuses is ignored.
class TableLock {
 public:
  TableLock(KernelObjects& kernel, KernelHandle mutex, std::uint32_t waitMs = kMutexWaitMs)
      : kernel_(kernel), mutex_(mutex) {
    held_ = mutex_ != nullptr && acquired(kernel_.waitMutex(mutex_, waitMs));
  }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;
  ~TableLock() { unlock(); }
  bool held() const { return held_; }
  void unlock() {
    if (held_) {
      kernel_.releaseMutex(mutex_);
      held_ = false;
    }
  }

 private:
  KernelObjects& kernel_;
  KernelHandle mutex_;
  bool held_ = false;
};

}  // namespace vk
