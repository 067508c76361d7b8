#include "platform/posix/kernel_objects.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <new>
#include <utility>

namespace vk {
namespace {

// Another process may have created an object and not yet sized or initialised
// it; openers poll for that, but not for ever: a creator that died half way
// leaves a name nobody can use, and the open then fails.
constexpr long kSettleLimitMs = 2000;
constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

enum : std::uint32_t { MutexFresh = 0, MutexInitialising = 1, MutexReady = 2 };
constexpr std::uint32_t kMutexMagic = 0x584D4B56u;  // "VKMX"

// The mutex object's whole content. It starts zero-filled (MutexFresh); the
// one process that moves it to MutexInitialising initialises the pthread
// mutex and publishes MutexReady.
struct SharedMutex {
  std::atomic<std::uint32_t> state;
  std::uint32_t magic;
  pthread_mutex_t mutex;
};
static_assert(std::atomic<std::uint32_t>::is_always_lock_free,
              "the init word is shared between processes and must not hide a lock");

struct SectionObject {
  void* base;
  std::size_t size;
};

struct MutexObject {
  SharedMutex* shared;
};

void pauseBriefly() {
  timespec ts{0, 1000 * 1000};
  nanosleep(&ts, nullptr);
}

// Creates the object exclusively or opens the existing one. `created` tells
// which. Retries when the name vanishes between the two attempts.
int openShared(const std::string& name, bool& created) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
      created = true;
      return fd;
    }
    if (errno != EEXIST) return -1;
    fd = shm_open(name.c_str(), O_RDWR, 0);
    if (fd >= 0) {
      created = false;
      return fd;
    }
    if (errno != ENOENT) return -1;
  }
  return -1;
}

// Size of an object someone else created, once its creator has sized it.
// 0 when it never was (or on error).
std::size_t settledSize(int fd) {
  for (long waited = 0; waited <= kSettleLimitMs; ++waited) {
    struct stat st;
    if (fstat(fd, &st) != 0) return 0;
    if (st.st_size > 0) return static_cast<std::size_t>(st.st_size);
    pauseBriefly();
  }
  return 0;
}

bool waitUntilReady(const SharedMutex* m) {
  for (long waited = 0; waited <= kSettleLimitMs; ++waited) {
    if (m->state.load(std::memory_order_acquire) == MutexReady) return m->magic == kMutexMagic;
    pauseBriefly();
  }
  return false;
}

bool initialiseMutex(pthread_mutex_t* m) {
  pthread_mutexattr_t attr;
  if (pthread_mutexattr_init(&attr) != 0) return false;
  bool ok = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED) == 0 &&
            pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST) == 0 &&
            pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE) == 0 &&
            pthread_mutex_init(m, &attr) == 0;
  pthread_mutexattr_destroy(&attr);
  return ok;
}

timespec deadlineAfter(clockid_t clock, std::uint32_t timeoutMs) {
  timespec t;
  clock_gettime(clock, &t);
  t.tv_sec += static_cast<time_t>(timeoutMs / 1000);
  t.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
  if (t.tv_nsec >= 1000000000L) {
    t.tv_sec += 1;
    t.tv_nsec -= 1000000000L;
  }
  return t;
}

int timedLock(pthread_mutex_t* m, std::uint32_t timeoutMs) {
  if (timeoutMs == kWaitForever) return pthread_mutex_lock(m);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 30))
  const timespec deadline = deadlineAfter(CLOCK_MONOTONIC, timeoutMs);
  return pthread_mutex_clocklock(m, CLOCK_MONOTONIC, &deadline);
#else
  const timespec deadline = deadlineAfter(CLOCK_REALTIME, timeoutMs);
  return pthread_mutex_timedlock(m, &deadline);
#endif
}

}  // namespace

PosixKernelObjects::PosixKernelObjects(std::string prefix, bool unlinkOnDestroy)
    : prefix_(std::move(prefix)), unlinkOnDestroy_(unlinkOnDestroy) {}

PosixKernelObjects::~PosixKernelObjects() {
  if (unlinkOnDestroy_) unlinkAll();
}

std::string PosixKernelObjects::objectName(const char* name) const {
  return "/" + prefix_ + name;
}

void PosixKernelObjects::remember(const std::string& objectName) {
  std::lock_guard<std::mutex> guard(namesLock_);
  if (std::find(names_.begin(), names_.end(), objectName) == names_.end()) {
    names_.push_back(objectName);
  }
}

bool PosixKernelObjects::unlink(const char* name) {
  return shm_unlink(objectName(name).c_str()) == 0;
}

void PosixKernelObjects::unlinkAll() {
  std::lock_guard<std::mutex> guard(namesLock_);
  for (const std::string& n : names_) shm_unlink(n.c_str());
  names_.clear();
}

SectionMapping PosixKernelObjects::openSection(const char* name, std::uint32_t size) {
  SectionMapping result;
  if (name == nullptr || size == 0) return result;
  const std::string obj = objectName(name);
  bool created = false;
  const int fd = openShared(obj, created);
  if (fd < 0) return result;
  remember(obj);

  std::size_t mapSize = size;
  if (created) {
    // Only the creator sizes it; a fresh object reads as zeros.
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
      close(fd);
      shm_unlink(obj.c_str());
      return result;
    }
  } else {
    mapSize = settledSize(fd);
    if (mapSize < size) {
      close(fd);
      return result;
    }
  }
  void* p = mmap(nullptr, mapSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (p == MAP_FAILED) return result;
  SectionObject* section = new (std::nothrow) SectionObject{p, mapSize};
  if (section == nullptr) {
    munmap(p, mapSize);
    return result;
  }
  result.handle = section;
  result.base = static_cast<unsigned char*>(p);
  return result;
}

void PosixKernelObjects::closeSection(SectionMapping& mapping) {
  SectionObject* section = static_cast<SectionObject*>(mapping.handle);
  if (section != nullptr) {
    munmap(section->base, section->size);
    delete section;
  }
  mapping.handle = nullptr;
  mapping.base = nullptr;
}

KernelHandle PosixKernelObjects::createMutex(const char* name, bool initialOwner) {
  if (name == nullptr) return nullptr;
  const std::string obj = objectName(name);
  bool created = false;
  const int fd = openShared(obj, created);
  if (fd < 0) return nullptr;
  remember(obj);

  if (created) {
    if (ftruncate(fd, static_cast<off_t>(sizeof(SharedMutex))) != 0) {
      close(fd);
      shm_unlink(obj.c_str());
      return nullptr;
    }
  } else if (settledSize(fd) != sizeof(SharedMutex)) {
    close(fd);  // not a mutex of ours (a section of that name, say)
    return nullptr;
  }
  void* p = mmap(nullptr, sizeof(SharedMutex), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (p == MAP_FAILED) return nullptr;
  SharedMutex* shared = static_cast<SharedMutex*>(p);

  std::uint32_t expected = MutexFresh;
  if (created && shared->state.compare_exchange_strong(expected, MutexInitialising)) {
    if (!initialiseMutex(&shared->mutex)) {
      munmap(p, sizeof(SharedMutex));
      shm_unlink(obj.c_str());
      return nullptr;
    }
    // Taken before it is published, so nobody can get in first.
    if (initialOwner) pthread_mutex_lock(&shared->mutex);
    shared->magic = kMutexMagic;
    shared->state.store(MutexReady, std::memory_order_release);
  } else if (!waitUntilReady(shared)) {
    munmap(p, sizeof(SharedMutex));
    return nullptr;
  }

  MutexObject* handle = new (std::nothrow) MutexObject{shared};
  if (handle == nullptr) {
    // Do not leave a mutex held that nobody can release.
    if (created && initialOwner) pthread_mutex_unlock(&shared->mutex);
    munmap(p, sizeof(SharedMutex));
  }
  return handle;
}

KernelHandle PosixKernelObjects::openMutex(const char* name) {
  if (name == nullptr) return nullptr;
  const std::string obj = objectName(name);
  const int fd = shm_open(obj.c_str(), O_RDWR, 0);
  if (fd < 0) return nullptr;
  remember(obj);
  if (settledSize(fd) != sizeof(SharedMutex)) {
    close(fd);
    return nullptr;
  }
  void* p = mmap(nullptr, sizeof(SharedMutex), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (p == MAP_FAILED) return nullptr;
  SharedMutex* shared = static_cast<SharedMutex*>(p);
  MutexObject* handle = waitUntilReady(shared) ? new (std::nothrow) MutexObject{shared} : nullptr;
  if (handle == nullptr) munmap(p, sizeof(SharedMutex));
  return handle;
}

WaitResult PosixKernelObjects::waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) {
  if (mutex == nullptr) return WaitResult::Failed;
  pthread_mutex_t* m = &static_cast<MutexObject*>(mutex)->shared->mutex;
  switch (timedLock(m, timeoutMs)) {
    case 0:
      return WaitResult::Acquired;
    case EOWNERDEAD:
      // The owner died holding it. Whatever it was doing to the table is
      // half done, but the table stays usable: mark the mutex consistent so
      // later waits succeed normally.
      pthread_mutex_consistent(m);
      return WaitResult::Abandoned;
    case ETIMEDOUT:
      return WaitResult::TimedOut;
    default:
      return WaitResult::Failed;
  }
}

bool PosixKernelObjects::releaseMutex(KernelHandle mutex) {
  if (mutex == nullptr) return false;
  // A robust mutex checks ownership: EPERM when the caller is not the owner.
  return pthread_mutex_unlock(&static_cast<MutexObject*>(mutex)->shared->mutex) == 0;
}

void PosixKernelObjects::closeMutex(KernelHandle mutex) {
  MutexObject* handle = static_cast<MutexObject*>(mutex);
  if (handle == nullptr) return;
  munmap(handle->shared, sizeof(SharedMutex));
  delete handle;
}

}  // namespace vk
