// Security descriptors for what the manager and the library copies share,
// whichever of them creates it and at whatever elevation:
// - the named objects (section "vantakey", mutexes "Vantak" and "Vantakey",
//   the claim markers): full access for SYSTEM, Administrators, the user and
//   the session's logon SID, with a low no-write-up label, so that elevated,
//   ordinary and low-integrity programs of the session all open them;
// - the database folder: every user may create and replace its files.
//
// The lists themselves come from common/access_lists. Each descriptor lives on
// the caller's stack for the one create call that needs it: the library builds
// one inside a host process at attach and when it claims a lock, so nothing is
// allocated and nothing is cached across threads.
#pragma once

#include <windows.h>

#include "common/access_lists.h"

namespace vk {
namespace win32 {

class SharedObjectSecurity {
 public:
  SharedObjectSecurity() noexcept;
  SharedObjectSecurity(const SharedObjectSecurity&) = delete;
  SharedObjectSecurity& operator=(const SharedObjectSecurity&) = delete;

  // For CreateMutexA and CreateFileMappingA. Null when the process token could
  // not be read: the object then gets the creator's default descriptor, as it
  // did before, rather than not being created at all.
  SECURITY_ATTRIBUTES* attributes() noexcept { return built_ ? &attributes_ : nullptr; }

 private:
  alignas(8) unsigned char dacl_[kAccessListCapacity];
  alignas(8) unsigned char sacl_[kAccessListCapacity];
  SECURITY_DESCRIPTOR descriptor_;
  SECURITY_ATTRIBUTES attributes_;
  bool built_ = false;
};

class DataFolderSecurity {
 public:
  DataFolderSecurity() noexcept;
  DataFolderSecurity(const DataFolderSecurity&) = delete;
  DataFolderSecurity& operator=(const DataFolderSecurity&) = delete;

  // For CreateDirectory; null only if the descriptor could not be assembled.
  SECURITY_ATTRIBUTES* attributes() noexcept { return built_ ? &attributes_ : nullptr; }

 private:
  alignas(8) unsigned char dacl_[kAccessListCapacity];
  SECURITY_DESCRIPTOR descriptor_;
  SECURITY_ATTRIBUTES attributes_;
  bool built_ = false;
};

// The SIDs of this process's token that the shared objects grant: the user,
// and the logon SID of its session (size 0 when the token has none). Copies
// them into the caller's buffers; false when the user could not be read.
bool processTokenSids(unsigned char (&user)[kMaxSidBytes], SidBytes& userSid,
                      unsigned char (&logon)[kMaxSidBytes], SidBytes& logonSid) noexcept;

}  // namespace win32
}  // namespace vk
