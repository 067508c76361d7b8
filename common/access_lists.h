// Who may open what the manager and the library copies share: the section
// "vantakey", the mutexes "Vantak" and "Vantakey", the claim markers, and the
// database folder. The lists are built here as the system's binary ACL
// layout, so that the decision is tested natively and the Win32 side only
// wraps the bytes in a security descriptor.
//
// The library builds the object lists inside host processes: everything here
// writes into caller buffers, allocates nothing and never throws.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vk {

// A SID in its binary form: revision 1, sub-authority count, 6-byte
// authority (big-endian), then the sub-authorities (little-endian).
struct SidBytes {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

// Well-formed: revision 1, at most 15 sub-authorities, size matching the count.
bool validSid(SidBytes sid);
bool sameSid(SidBytes a, SidBytes b);

// Well-known SIDs the lists use.
SidBytes localSystemSid();      // S-1-5-18
SidBytes administratorsSid();   // S-1-5-32-544
SidBytes usersSid();            // S-1-5-32-545
SidBytes lowIntegritySid();     // S-1-16-4096

// Everything a named object can grant (all standard and specific rights), so
// one list fits sections and mutexes alike without generic-right mapping.
constexpr std::uint32_t kSharedObjectRights = 0x001FFFFFu;
// Files and folders: FILE_ALL_ACCESS for the system and administrators;
// "modify" (read, write, execute, delete) for every user, which is what
// creating "vk2.dat.tmp" and moving it over "vk2.dat" needs whoever made
// the file before.
constexpr std::uint32_t kFolderFullRights = 0x001F01FFu;
constexpr std::uint32_t kFolderModifyRights = 0x001301BFu;

// ACL layout constants (as the system defines them).
constexpr std::uint8_t kAclRevision = 2;
constexpr std::uint8_t kAccessAllowedAceType = 0x00;
constexpr std::uint8_t kMandatoryLabelAceType = 0x11;
constexpr std::uint8_t kObjectInheritAce = 0x01;
constexpr std::uint8_t kContainerInheritAce = 0x02;
constexpr std::uint32_t kNoWriteUpPolicy = 0x1;

// Room for any of the lists below: header, four entries with the largest SID.
constexpr std::size_t kMaxSidBytes = 68;
constexpr std::size_t kAccessListCapacity = 8 + 4 * (8 + kMaxSidBytes);

// The DACL of the shared objects: full access for SYSTEM, Administrators,
// the user and the session's logon SID, in that order. A SID that is missing
// (size 0: a token without a logon SID) or repeats an earlier one (a library
// copy inside a SYSTEM process) is left out. Returns the list's size, 0 when
// a given SID is malformed or the list does not fit capacity.
std::size_t buildSharedObjectDacl(SidBytes user, SidBytes logonSession, unsigned char* out,
                                  std::size_t capacity);

// The SACL of the shared objects: a low mandatory label with no-write-up
// only, so low-integrity programs of the session may write them while
// nothing lowers what medium programs may do. 0 when it does not fit.
std::size_t buildLowLabelSacl(unsigned char* out, std::size_t capacity);

// The DACL of the database folder, inherited by its files and subfolders:
// full access for SYSTEM and Administrators, modify for Users, whoever made
// it and whatever elevation it had. 0 when it does not fit.
std::size_t buildDataFolderDacl(unsigned char* out, std::size_t capacity);

}  // namespace vk
