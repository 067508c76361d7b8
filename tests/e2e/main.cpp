// vk_e2e_tests.exe: the GoogleTest program, or one of its child roles when
// started as `vk_e2e_tests.exe --child <role> args...`.
#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "harness.h"

int main(int argc, char** argv) {
  // A crash must end the process, not wait on a crash dialog nobody sees.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  if (argc >= 2 && std::strcmp(argv[1], "--child") == 0) return vk::e2e::runChildRole(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
