// DatabaseFiles in memory: a map from full path to bytes, a settable Windows
// directory, and switches that make one step of a save fail the way a real
// disk does (no access, full disk, failing close, failing replace). A save
// goes through the same steps as the Win32 adapter: new file "<path>.tmp",
// writes, close, replace; on failure the temporary file is removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/database_files.h"

namespace vk {
namespace fakes {

class MemoryFiles : public DatabaseFiles {
 public:
  using Bytes = std::vector<unsigned char>;

  std::uint32_t windowsDirectory(char* buffer, std::uint32_t size) override;
  std::uint32_t knownFolder(KnownFolder folder, char* buffer, std::uint32_t size) override;
  bool pathExists(const char* path) override;
  bool makeSharedFolder(const char* path) override;
  FileRead readFile(const char* path, Bytes& contents) override;
  bool replaceFile(const char* path, const unsigned char* data, std::size_t size) override;
  bool deleteFile(const char* path) override;

  // State.
  std::string windowsDir = "C:\\WINDOWS";
  bool windowsDirFails = false;
  std::string programDataDir = "C:\\ProgramData";
  std::string localAppDataDir = "C:\\Users\\tester\\AppData\\Local";
  bool programDataFails = false;
  bool localAppDataFails = false;
  std::map<std::string, Bytes> files;
  // Folders made by makeSharedFolder (or put here by a test). The Windows
  // directory and the known folders always exist; a file can only be created
  // in a folder that exists.
  std::set<std::string> folders;
  bool makeFolderFails = false;
  // Paths that exist but cannot be opened for reading (no access, locked).
  std::set<std::string> unreadable;

  // Faults of a read, each until cleared: the file exists but cannot be
  // opened (held open by another program, access denied), or a read fails
  // part-way through it.
  bool openForReadFails = false;
  bool readFailsPartWay = false;

  // Faults of a save, each until cleared.
  bool createFails = false;   // the temporary file cannot be created (access denied)
  long long diskSpace = -1;   // bytes that still fit; -1 = unlimited
  bool closeFails = false;    // data written, but the close reports an error
  bool replaceFails = false;  // the final rename fails
  bool deleteFails = false;

  // Called inside replaceFile before anything is written, e.g. to check which
  // locks the caller holds while it saves.
  std::function<void(const std::string& path)> onReplace;

  // Every operation as "<verb> <path>": read, create, write, close, replace,
  // remove (a temporary file dropped after a failure), delete, make folder.
  std::vector<std::string> log;
  int replaceCalls = 0;

  bool exists(const std::string& path) const { return files.count(path) != 0; }
  // Full path in the Windows directory, as the store builds it.
  std::string pathOf(const char* name) const;
  // Full path in the database folder, "<ProgramData>\Vantakey".
  std::string dataPathOf(const char* name) const;
  std::string dataFolder() const;
  // The older 32-bit managers' redirected copy of a Windows-directory file.
  std::string virtualStorePathOf(const char* name) const;
};

}  // namespace fakes
}  // namespace vk
