#include "platform/win32/database_files.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "platform/win32/handle.h"
#include "platform/win32/object_security.h"

namespace vk {
namespace win32 {
namespace {

// WriteFile takes a DWORD count; write in pieces well below that.
constexpr std::size_t kWriteChunk = 1u << 20;

bool writeAll(HANDLE file, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const DWORD want = static_cast<DWORD>(size < kWriteChunk ? size : kWriteChunk);
    DWORD written = 0;
    if (!::WriteFile(file, data, want, &written, nullptr) || written != want) return false;
    data += want;
    size -= want;
  }
  return true;
}

// The one close whose result matters: a file that does not close cleanly
// may not be on the disk as written.
bool closeChecked(UniqueFile& file) { return ::CloseHandle(file.release()) != 0; }

}  // namespace

std::uint32_t Win32DatabaseFiles::windowsDirectory(char* buffer, std::uint32_t size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

std::uint32_t Win32DatabaseFiles::knownFolder(KnownFolder folder, char* buffer,
                                              std::uint32_t size) {
  const KNOWNFOLDERID& id =
      folder == KnownFolder::ProgramData ? FOLDERID_ProgramData : FOLDERID_LocalAppData;
  PWSTR wide = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &wide);
  std::uint32_t result = 0;
  if (SUCCEEDED(hr) && wide != nullptr) {
    BOOL lossy = FALSE;
    const int needed =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lossy);
    if (needed > 0 && !lossy) {
      if (static_cast<std::uint32_t>(needed) > size) {
        result = static_cast<std::uint32_t>(needed);
      } else if (::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buffer,
                                       static_cast<int>(size), nullptr, &lossy) == needed &&
                 !lossy) {
        result = static_cast<std::uint32_t>(needed - 1);
      }
    }
  }
  // Freed whatever the result: the call may allocate even when it fails.
  ::CoTaskMemFree(wide);
  return result;
}

bool Win32DatabaseFiles::pathExists(const char* path) {
  if (::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
  // Only "not there" is missing: a file we may not look at is still there.
  const DWORD error = ::GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool Win32DatabaseFiles::makeSharedFolder(const char* path) {
  DataFolderSecurity security;
  if (security.attributes() == nullptr) return false;
  if (::CreateDirectoryA(path, security.attributes())) return true;
  // Made meanwhile by another start or the installer: use it as it is.
  const DWORD attributes = ::GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileRead Win32DatabaseFiles::readFile(const char* path, std::vector<unsigned char>& contents) {
  contents.clear();
  UniqueFile file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    // Only a file that is not there is missing; one held open by another
    // program or closed to this user still holds the user's data.
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing
                                                                          : FileRead::Failed;
  }
  unsigned char chunk[4096];
  while (contents.size() < kMaxDatabaseFileBytes) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) {
      contents.clear();
      return FileRead::Failed;
    }
    if (got == 0) break;
    std::size_t keep = got;
    if (keep > kMaxDatabaseFileBytes - contents.size())
      keep = kMaxDatabaseFileBytes - contents.size();
    contents.insert(contents.end(), chunk, chunk + keep);
  }
  return FileRead::Read;
}

bool Win32DatabaseFiles::replaceFile(const char* path, const unsigned char* data,
                                     std::size_t size) {
  const std::string temporary = std::string(path) + ".tmp";
  UniqueFile file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  bool ok = writeAll(file.get(), data, size);
  ok = ok && ::FlushFileBuffers(file.get()) != 0;
  ok = closeChecked(file) && ok;
  ok = ok && ::MoveFileExA(temporary.c_str(), path,
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) ::DeleteFileA(temporary.c_str());
  return ok;
}

bool Win32DatabaseFiles::deleteFile(const char* path) { return ::DeleteFileA(path) != 0; }

}  // namespace win32
}  // namespace vk
