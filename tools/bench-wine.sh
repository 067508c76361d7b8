#!/usr/bin/env bash
# Measures what vkgate's hooks add to a window activation under Wine:
# builds the mingw preset's benchmark (bench/wine) and runs it on a private
# display (tools/wine-env.sh). Arguments go to the program, e.g.
#   tools/bench-wine.sh --rounds 9 --activations 4000
#   tools/bench-wine.sh --32 --rounds 9      (32-bit programs, vkgate32.dll)
# The build directory can be changed with VK_BENCH_BUILD (default build/mingw,
# configured with the mingw preset when it is not there yet).
set -u -o pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VK_BENCH_BUILD:-$ROOT/build/mingw}"
JOBS="$(nproc 2>/dev/null || echo 2)"

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
fi
# --32 first: the 32-bit program, vkgate32.dll against a 32-bit empty hook
# library, built by the 32-bit half of the build (target vk32).
if [ "${1:-}" = "--32" ]; then
  shift
  cmake --build "$BUILD" -j "$JOBS" --target vk32 || exit 1
  DIR="$BUILD/win32/bench/wine"
  PROGRAM=vk_activation_bench32.exe
else
  cmake --build "$BUILD" -j "$JOBS" --target vk_activation_bench || exit 1
  DIR="$BUILD/bench/wine"
  PROGRAM=vk_activation_bench.exe
fi

# shellcheck source=tools/wine-env.sh
source "$ROOT/tools/wine-env.sh" || exit 1
cd "$DIR" || exit 1
"$WINE" "$PROGRAM" "$@" </dev/null
rc=$?
vk_wine_cleanup
exit $rc
