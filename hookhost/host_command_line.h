// What the manager hands vkhook32.exe on its command line: two inherited
// handle values, written in decimal,
//   vkhook32.exe <manager process> <ready event>
// The host watches the first (it ends when the manager's process ends) and
// sets the second once its hooks are installed. Kernel handle values fit in
// 32 bits in both bitnesses, which is what lets a 64-bit manager hand them to
// a 32-bit host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vk {

constexpr const char* kHookHostProgram = "vkhook32.exe";
constexpr const char* kHookHostLibrary = "vkgate32.dll";
// One host at a time: the host holds this mutex for as long as its hooks
// are installed.
constexpr const char* kHookHostMutexName = "Vantakey.hook32";

struct HookHostArguments {
  std::uint32_t managerProcess = 0;
  std::uint32_t readyEvent = 0;
};

// Exit codes of vkhook32.exe; the manager only tells "came up" from "did
// not", they are for a person looking at a failed start.
enum HookHostExit : int {
  HostEnded = 0,             // asked to end, or the manager's process ended
  HostBadArguments = 2,      // not started by a manager
  HostLibraryMissing = 3,    // vkgate32.dll not found or without its exports
  HostHooksFailed = 4,       // a hook could not be installed
  HostAlreadyRunning = 5,    // another host kept the mutex
};

// The arguments part of the command line (without the program's name).
std::string formatHookHostArguments(const HookHostArguments& arguments);

// Reads the arguments part back. False unless it holds exactly two non-zero
// decimal numbers that fit in 32 bits, separated by blanks.
bool parseHookHostArguments(const char* text, HookHostArguments& arguments);

}  // namespace vk
