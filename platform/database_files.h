// Port: the few file and folder operations the lock store needs. The database
// lives in the all-users application data folder (older installations kept it
// in the Windows directory) and is always read whole and written whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vk {

// A read stops here. The loader never uses more than about 8 MB of any file
// (lengths are 16-bit and it keeps at most 60 locks), so a longer file loses
// nothing by it, and a huge damaged file cannot exhaust memory.
constexpr std::size_t kMaxDatabaseFileBytes = 16u * 1024u * 1024u;

// What a whole-file read came to.
enum class FileRead {
  Read,     // every byte was read (up to kMaxDatabaseFileBytes)
  Missing,  // there is no such file (nor its directory)
  Failed,   // it exists, or may, but could not be opened or read to its end
};

// Folders the system names for us, besides the Windows directory.
enum class KnownFolder {
  ProgramData,   // every user's application data (FOLDERID_ProgramData)
  LocalAppData,  // this user's own, not roaming (FOLDERID_LocalAppData)
};

class DatabaseFiles {
 public:
  virtual ~DatabaseFiles() = default;

  // As GetWindowsDirectoryA: writes the directory and its NUL into buffer and
  // returns its length; 0 on failure; the size needed when buffer is too small.
  virtual std::uint32_t windowsDirectory(char* buffer, std::uint32_t size) = 0;
  // The same contract for a known folder (no backslash at the end).
  virtual std::uint32_t knownFolder(KnownFolder folder, char* buffer, std::uint32_t size) = 0;

  // True when a file or folder is there, readable or not.
  virtual bool pathExists(const char* path) = 0;

  // Creates a folder in which every user of the machine may create and
  // replace files, whoever creates it and with whatever elevation. True when
  // the folder exists afterwards; an existing folder is left as it is.
  virtual bool makeSharedFolder(const char* path) = 0;

  // Replaces contents with the file's bytes (at most kMaxDatabaseFileBytes).
  // Anything but Read leaves contents empty: a read that fails part-way
  // never passes for a short file.
  virtual FileRead readFile(const char* path, std::vector<unsigned char>& contents) = 0;

  // Writes data to a new file beside path, checks every write and the close,
  // and only then puts the new file in path's place in one step. False when
  // any of that failed; path then still holds exactly what it held before and
  // no temporary file is left behind.
  virtual bool replaceFile(const char* path, const unsigned char* data, std::size_t size) = 0;

  // False when the file could not be deleted (callers may ignore that).
  virtual bool deleteFile(const char* path) = 0;
};

}  // namespace vk
