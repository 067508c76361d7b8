#include "manager/store/database_location.h"

#include "manager/store/database_file.h"

namespace vk {
namespace {

std::string joined(std::string directory, const char* name) {
  if (directory.empty() || directory.back() != '\\') directory += '\\';
  return directory + name;
}

std::string knownFolderPath(DatabaseFiles& files, KnownFolder folder) {
  char buffer[kPathBufferSize] = {};
  const std::uint32_t n = files.knownFolder(folder, buffer, kPathBufferSize);
  if (n == 0 || n >= kPathBufferSize) return std::string();
  return std::string(buffer, n);
}

// "C:\WINDOWS" -> "\WINDOWS": the part of a path the virtual store repeats.
std::string withoutDrive(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return std::string();
  return path.substr(2);
}

}  // namespace

std::string databaseFolder(DatabaseFiles& files) {
  const std::string programData = knownFolderPath(files, KnownFolder::ProgramData);
  if (programData.empty()) return std::string();
  return joined(programData, kDatabaseFolderName);
}

std::string currentDatabasePath(DatabaseFiles& files, const char* fileName) {
  const std::string folder = databaseFolder(files);
  return folder.empty() ? std::string() : joined(folder, fileName);
}

std::vector<std::string> olderDatabasePaths(DatabaseFiles& files, const char* fileName) {
  std::vector<std::string> paths;
  const std::string windowsPath = databasePath(files, fileName);
  const std::string localAppData = knownFolderPath(files, KnownFolder::LocalAppData);
  if (!windowsPath.empty() && !localAppData.empty()) {
    const std::string windowsPart = withoutDrive(windowsPath);
    if (!windowsPart.empty()) {
      paths.push_back(joined(localAppData, "VirtualStore") + windowsPart);
    }
  }
  if (!windowsPath.empty()) paths.push_back(windowsPath);
  return paths;
}

std::string databaseToLoad(DatabaseFiles& files, const char* fileName) {
  const std::string current = currentDatabasePath(files, fileName);
  if (!current.empty() && files.pathExists(current.c_str())) return current;
  for (const std::string& older : olderDatabasePaths(files, fileName)) {
    if (files.pathExists(older.c_str())) return older;
  }
  return current;
}

bool prepareDatabaseFolder(DatabaseFiles& files) {
  const std::string folder = databaseFolder(files);
  if (folder.empty()) return false;
  if (files.pathExists(folder.c_str())) return true;
  return files.makeSharedFolder(folder.c_str());
}

}  // namespace vk
