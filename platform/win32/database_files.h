// DatabaseFiles on Win32: the Windows directory and known folders, whole-file
// reads, saves that never destroy the previous file, and the database folder
// made with rights for every user.
#pragma once

#include "platform/database_files.h"

namespace vk {
namespace win32 {

class Win32DatabaseFiles final : public DatabaseFiles {
 public:
  std::uint32_t windowsDirectory(char* buffer, std::uint32_t size) override;
  // SHGetKnownFolderPath, in the ANSI code page the rest of the paths use;
  // 0 when the folder's name has characters that code page cannot hold.
  std::uint32_t knownFolder(KnownFolder folder, char* buffer, std::uint32_t size) override;
  bool pathExists(const char* path) override;
  // CreateDirectoryA with a protected DACL: SYSTEM and Administrators full,
  // Users modify, inherited by the files (see common/access_lists.h).
  bool makeSharedFolder(const char* path) override;
  FileRead readFile(const char* path, std::vector<unsigned char>& contents) override;
  // Writes "<path>.tmp" beside the file with checked writes, flushes it to the
  // disk, checks the close, then moves it over path in one step
  // (MoveFileExA with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). On
  // any failure the temporary file is deleted and path is left as it was.
  bool replaceFile(const char* path, const unsigned char* data, std::size_t size) override;
  bool deleteFile(const char* path) override;
};

}  // namespace win32
}  // namespace vk
