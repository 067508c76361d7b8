#include "common/access_lists.h"

#include <cstring>

namespace vk {
namespace {

constexpr unsigned char kLocalSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
constexpr unsigned char kAdministrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};
constexpr unsigned char kUsers[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x21, 0x02, 0, 0};
constexpr unsigned char kLowIntegrity[] = {1, 1, 0, 0, 0, 0, 0, 16, 0x00, 0x10, 0, 0};

void putU16(unsigned char* p, std::size_t v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void putU32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

// Appends ACEs to an ACL in a caller buffer; fails for good once anything
// does not fit or a SID is malformed.
class AclWriter {
 public:
  AclWriter(unsigned char* out, std::size_t capacity) : out_(out), capacity_(capacity) {
    if (out_ == nullptr || capacity_ < kHeader) ok_ = false;
  }

  void add(std::uint8_t type, std::uint8_t flags, std::uint32_t mask, SidBytes sid) {
    if (!ok_) return;
    if (!validSid(sid)) {
      ok_ = false;
      return;
    }
    const std::size_t aceSize = 8 + sid.size;  // header, mask, SID (a multiple of 4)
    if (aceSize > capacity_ - used_) {
      ok_ = false;
      return;
    }
    unsigned char* ace = out_ + used_;
    ace[0] = type;
    ace[1] = flags;
    putU16(ace + 2, aceSize);
    putU32(ace + 4, mask);
    std::memcpy(ace + 8, sid.data, sid.size);
    used_ += aceSize;
    ++count_;
  }

  // A repeated SID adds nothing: one entry already grants it everything.
  void addUnlessListed(std::uint32_t mask, SidBytes sid, const SidBytes* listed, int listedCount) {
    for (int i = 0; i < listedCount; ++i) {
      if (sameSid(sid, listed[i])) return;
    }
    add(kAccessAllowedAceType, 0, mask, sid);
  }

  std::size_t finish() {
    if (!ok_) return 0;
    out_[0] = kAclRevision;
    out_[1] = 0;
    putU16(out_ + 2, used_);
    putU16(out_ + 4, count_);
    out_[6] = 0;
    out_[7] = 0;
    return used_;
  }

 private:
  static constexpr std::size_t kHeader = 8;
  unsigned char* out_;
  std::size_t capacity_;
  std::size_t used_ = kHeader;
  std::size_t count_ = 0;
  bool ok_ = true;
};

}  // namespace

bool validSid(SidBytes sid) {
  if (sid.data == nullptr || sid.size < 8) return false;
  const std::size_t subAuthorities = sid.data[1];
  return sid.data[0] == 1 && subAuthorities <= 15 && sid.size == 8 + 4 * subAuthorities;
}

bool sameSid(SidBytes a, SidBytes b) {
  return a.size == b.size && a.size != 0 && std::memcmp(a.data, b.data, a.size) == 0;
}

SidBytes localSystemSid() { return {kLocalSystem, sizeof kLocalSystem}; }
SidBytes administratorsSid() { return {kAdministrators, sizeof kAdministrators}; }
SidBytes usersSid() { return {kUsers, sizeof kUsers}; }
SidBytes lowIntegritySid() { return {kLowIntegrity, sizeof kLowIntegrity}; }

std::size_t buildSharedObjectDacl(SidBytes user, SidBytes logonSession, unsigned char* out,
                                  std::size_t capacity) {
  AclWriter acl(out, capacity);
  SidBytes listed[3] = {localSystemSid(), administratorsSid(), {}};
  acl.add(kAccessAllowedAceType, 0, kSharedObjectRights, listed[0]);
  acl.add(kAccessAllowedAceType, 0, kSharedObjectRights, listed[1]);
  // The user is asked for; a token always has one, so a missing one is a fault.
  acl.addUnlessListed(kSharedObjectRights, user, listed, 2);
  listed[2] = user;
  if (logonSession.size != 0) acl.addUnlessListed(kSharedObjectRights, logonSession, listed, 3);
  return acl.finish();
}

std::size_t buildLowLabelSacl(unsigned char* out, std::size_t capacity) {
  AclWriter acl(out, capacity);
  acl.add(kMandatoryLabelAceType, 0, kNoWriteUpPolicy, lowIntegritySid());
  return acl.finish();
}

std::size_t buildDataFolderDacl(unsigned char* out, std::size_t capacity) {
  constexpr std::uint8_t kInherit = kObjectInheritAce | kContainerInheritAce;
  AclWriter acl(out, capacity);
  acl.add(kAccessAllowedAceType, kInherit, kFolderFullRights, localSystemSid());
  acl.add(kAccessAllowedAceType, kInherit, kFolderFullRights, administratorsSid());
  acl.add(kAccessAllowedAceType, kInherit, kFolderModifyRights, usersSid());
  return acl.finish();
}

}  // namespace vk
