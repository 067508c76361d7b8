// Where "vk2.dat" is: "<ProgramData>\Vantakey\vk2.dat", a folder every start
// of the manager can write whether it runs elevated or not. Older
// installations kept the file in the Windows directory, which only an
// elevated program may write; it is taken over from there once (read from
// the old place, saved to the new one) and the old file is left alone.
#pragma once

#include <string>
#include <vector>

#include "platform/database_files.h"

namespace vk {

constexpr const char* kDatabaseFolderName = "Vantakey";

// "<ProgramData>\Vantakey"; empty when the system does not name the folder.
std::string databaseFolder(DatabaseFiles& files);

// The path every save writes; empty when databaseFolder is.
std::string currentDatabasePath(DatabaseFiles& files, const char* fileName);

// Where an older installation may have left "vk2.dat", in the order they are
// taken over:
//   1 <LocalAppData>\VirtualStore\<Windows directory without its drive>\vk2.dat,
//     where the system put the writes of older 32-bit managers that ran
//     without elevation; those managers read this copy in preference to the
//     one in the Windows directory, so it is the one their user last saw;
//   2 the Windows directory.
// A place whose folder the system does not name is left out.
std::vector<std::string> olderDatabasePaths(DatabaseFiles& files, const char* fileName);

// The file a start-up loads: the current one whenever it exists (readable or
// not: an unreadable file is not a reason to fall back to an older copy);
// otherwise the first older one that exists; otherwise the current path,
// which then reads as missing. Empty only when there is no path at all.
std::string databaseToLoad(DatabaseFiles& files, const char* fileName);

// Makes "<ProgramData>\Vantakey" when it is missing. False when there is no
// folder to save in afterwards.
bool prepareDatabaseFolder(DatabaseFiles& files);

}  // namespace vk
