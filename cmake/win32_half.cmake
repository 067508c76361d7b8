# The 64-bit MinGW build builds the 32-bit half too: the same source tree
# configured once more with the i686 toolchain, in <build>/win32. Its files
# are then copied where their 64-bit partners live:
#   vkgate32.dll, vkhook32.exe     beside vkmanager.exe and vk_e2e_tests.exe
#   guarded_window32.exe           beside vk_e2e_tests.exe
#   vk_activation_bench32.exe and its empty_hooks32.dll stay in
#   <build>/win32/bench/wine (tools/bench-wine.sh runs them there)
# VK_BUILD_32BIT=OFF leaves it out (no i686 compiler, say); the manager then
# runs without 32-bit protection and says so. Only a cross build from Linux
# does this; on Windows, configure a second, 32-bit build of the same tree.
option(VK_BUILD_32BIT "Build the 32-bit half (vkgate32.dll, vkhook32.exe) too" ON)
if(NOT VK_BUILD_32BIT OR NOT MINGW OR NOT CMAKE_CROSSCOMPILING OR NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  return()
endif()

include(ExternalProject)
set(VK32_DIR ${CMAKE_BINARY_DIR}/win32)
# Unix Makefiles: the sub-build runs under this make and shares its -j.
ExternalProject_Add(vk32
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${VK32_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DVK_GOOGLETEST_DIR=${VK_GOOGLETEST_DIR}
  INSTALL_COMMAND ""
  # Its own make decides what is out of date.
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD OFF)

set(_vk32_deliverables ${VK32_DIR}/gate/win32/vkgate32.dll ${VK32_DIR}/hookhost/win32/vkhook32.exe)
set(_vk32_stage_commands
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_vk32_deliverables} $<TARGET_FILE_DIR:vkmanager>)
if(TARGET vk_e2e_tests)
  list(APPEND _vk32_stage_commands
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_vk32_deliverables}
            ${VK32_DIR}/tests/e2e/guarded_window32.exe $<TARGET_FILE_DIR:vk_e2e_tests>)
endif()
add_custom_target(vk32_stage ALL ${_vk32_stage_commands}
  DEPENDS vk32
  COMMENT "Copying the 32-bit half beside the 64-bit programs")
add_dependencies(vk32_stage vkmanager)
if(TARGET vk_e2e_tests)
  add_dependencies(vk_e2e_tests vk32_stage)
endif()
