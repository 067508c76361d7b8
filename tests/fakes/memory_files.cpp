#include "tests/fakes/memory_files.h"

#include <cstring>

namespace vk {
namespace fakes {

std::uint32_t MemoryFiles::windowsDirectory(char* buffer, std::uint32_t size) {
  if (windowsDirFails) return 0;
  const std::uint32_t n = static_cast<std::uint32_t>(windowsDir.size());
  if (n + 1 > size) return n + 1;
  std::memcpy(buffer, windowsDir.c_str(), n + 1);
  return n;
}

std::uint32_t MemoryFiles::knownFolder(KnownFolder folder, char* buffer, std::uint32_t size) {
  const bool fails = folder == KnownFolder::ProgramData ? programDataFails : localAppDataFails;
  if (fails) return 0;
  const std::string& path = folder == KnownFolder::ProgramData ? programDataDir : localAppDataDir;
  const std::uint32_t n = static_cast<std::uint32_t>(path.size());
  if (n + 1 > size) return n + 1;
  std::memcpy(buffer, path.c_str(), n + 1);
  return n;
}

bool MemoryFiles::pathExists(const char* path) {
  return files.count(path) != 0 || folders.count(path) != 0 || unreadable.count(path) != 0 ||
         path == windowsDir ||
         path == programDataDir || path == localAppDataDir;
}

bool MemoryFiles::makeSharedFolder(const char* path) {
  log.push_back(std::string("make folder ") + path);
  if (makeFolderFails) return false;
  folders.insert(path);
  return true;
}

FileRead MemoryFiles::readFile(const char* path, Bytes& contents) {
  contents.clear();
  log.push_back(std::string("read ") + path);
  if (unreadable.count(path) != 0) return FileRead::Failed;
  auto it = files.find(path);
  if (it == files.end()) return FileRead::Missing;
  if (openForReadFails || readFailsPartWay) return FileRead::Failed;
  const std::size_t n =
      it->second.size() < kMaxDatabaseFileBytes ? it->second.size() : kMaxDatabaseFileBytes;
  contents.assign(it->second.begin(), it->second.begin() + static_cast<std::ptrdiff_t>(n));
  return FileRead::Read;
}

bool MemoryFiles::replaceFile(const char* path, const unsigned char* data, std::size_t size) {
  ++replaceCalls;
  if (onReplace) onReplace(path);
  const std::string temporary = std::string(path) + ".tmp";
  log.push_back("create " + temporary);
  if (createFails) return false;
  const std::size_t slash = temporary.rfind('\\');
  if (slash != std::string::npos && !pathExists(temporary.substr(0, slash).c_str())) return false;
  Bytes& out = files[temporary];
  out.clear();
  auto drop = [&] {
    files.erase(temporary);
    log.push_back("remove " + temporary);
    return false;
  };
  log.push_back("write " + temporary);
  if (diskSpace >= 0 && static_cast<unsigned long long>(diskSpace) < size) {
    // A full disk takes what fits and then fails the write.
    out.assign(data, data + static_cast<std::size_t>(diskSpace));
    return drop();
  }
  if (size != 0) out.assign(data, data + size);
  log.push_back("close " + temporary);
  if (closeFails) return drop();
  log.push_back("replace " + std::string(path));
  if (replaceFails) return drop();
  files[path] = out;
  files.erase(temporary);
  return true;
}

bool MemoryFiles::deleteFile(const char* path) {
  log.push_back(std::string("delete ") + path);
  if (deleteFails) return false;
  return files.erase(path) != 0;
}

std::string MemoryFiles::pathOf(const char* name) const {
  std::string p = windowsDir;
  if (p.empty() || p.back() != '\\') p += '\\';
  return p + name;
}

std::string MemoryFiles::dataFolder() const { return programDataDir + "\\Vantakey"; }

std::string MemoryFiles::dataPathOf(const char* name) const {
  return dataFolder() + "\\" + name;
}

std::string MemoryFiles::virtualStorePathOf(const char* name) const {
  return localAppDataDir + "\\VirtualStore" + pathOf(name).substr(2);
}

}  // namespace fakes
}  // namespace vk
