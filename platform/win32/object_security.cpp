#include "platform/win32/object_security.h"

#include <cstring>

#include "platform/win32/handle.h"

#if defined(_MSC_VER)
#define VK_NOINLINE __declspec(noinline)
#else
#define VK_NOINLINE __attribute__((noinline))
#endif

namespace vk {
namespace win32 {
namespace {

bool copySid(PSID sid, unsigned char (&out)[kMaxSidBytes], SidBytes& bytes) {
  if (sid == nullptr || !::IsValidSid(sid)) return false;
  const DWORD n = ::GetLengthSid(sid);
  if (n > kMaxSidBytes) return false;
  std::memcpy(out, sid, n);
  bytes = {out, n};
  return true;
}

// Older systems without TokenLogonSid: look for the logon SID among all the
// token's groups. Kept out of line so that its large buffer is only on the
// stack when it is needed; a token whose groups do not fit goes without.
VK_NOINLINE bool logonSidFromGroups(HANDLE token, unsigned char (&out)[kMaxSidBytes],
                                                  SidBytes& bytes) {
  alignas(8) unsigned char buffer[8192];
  DWORD needed = 0;
  if (!::GetTokenInformation(token, TokenGroups, buffer, sizeof buffer, &needed)) return false;
  const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer);
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if ((groups->Groups[i].Attributes & SE_GROUP_LOGON_ID) == SE_GROUP_LOGON_ID)
      return copySid(groups->Groups[i].Sid, out, bytes);
  }
  return false;
}

void initAttributes(SECURITY_ATTRIBUTES& attributes, SECURITY_DESCRIPTOR& descriptor) {
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = &descriptor;
  attributes.bInheritHandle = FALSE;
}

}  // namespace

bool processTokenSids(unsigned char (&user)[kMaxSidBytes], SidBytes& userSid,
                      unsigned char (&logon)[kMaxSidBytes], SidBytes& logonSid) noexcept {
  userSid = {};
  logonSid = {};
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  UniqueHandle token(raw);

  alignas(8) unsigned char userBuffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD needed = 0;
  if (!::GetTokenInformation(token.get(), TokenUser, userBuffer, sizeof userBuffer, &needed))
    return false;
  if (!copySid(reinterpret_cast<const TOKEN_USER*>(userBuffer)->User.Sid, user, userSid))
    return false;

  alignas(8) unsigned char logonBuffer[sizeof(TOKEN_GROUPS) + SECURITY_MAX_SID_SIZE];
  if (::GetTokenInformation(token.get(), TokenLogonSid, logonBuffer, sizeof logonBuffer, &needed)) {
    const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(logonBuffer);
    if (groups->GroupCount >= 1) copySid(groups->Groups[0].Sid, logon, logonSid);
  } else {
    logonSidFromGroups(token.get(), logon, logonSid);
  }
  return true;
}

SharedObjectSecurity::SharedObjectSecurity() noexcept {
  // Whatever fails here, the caller's create call sets its own last error.
  unsigned char user[kMaxSidBytes];
  unsigned char logon[kMaxSidBytes];
  SidBytes userSid;
  SidBytes logonSid;
  if (!processTokenSids(user, userSid, logon, logonSid)) return;
  if (buildSharedObjectDacl(userSid, logonSid, dacl_, sizeof dacl_) == 0) return;
  if (buildLowLabelSacl(sacl_, sizeof sacl_) == 0) return;
  if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return;
  if (!::SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(dacl_), FALSE))
    return;
  if (!::SetSecurityDescriptorSacl(&descriptor_, TRUE, reinterpret_cast<PACL>(sacl_), FALSE))
    return;
  initAttributes(attributes_, descriptor_);
  built_ = true;
}

DataFolderSecurity::DataFolderSecurity() noexcept {
  if (buildDataFolderDacl(dacl_, sizeof dacl_) == 0) return;
  if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return;
  if (!::SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(dacl_), FALSE))
    return;
  // Exactly this list: nothing inherited from the parent folder (whose
  // CREATOR OWNER entry would give each file to whoever saved it first).
  if (!::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) return;
  initAttributes(attributes_, descriptor_);
  built_ = true;
}

}  // namespace win32
}  // namespace vk
