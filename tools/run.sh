#!/usr/bin/env bash
# Builds vkmanager.exe, vkgate.dll, and the 32-bit vkgate32.dll and
# vkhook32.exe (mingw preset) and starts the manager
# under Wine, in a prefix of its own (build/wineprefix-run):
#
#   tools/run.sh
#   tools/run.sh --database PASSWORD [WINDOW-TITLE...]
#       first writes C:\ProgramData\Vantakey\vk2.dat with that system password and one
#       lock per title (exact title, same password, Close Window after three
#       tries), replacing the one there
#
# The build folder is build/mingw (the mingw preset's), or VK_RUN_BUILD.
# On your DISPLAY when there is one; otherwise on a private Xvfb, with a hint
# on how to look at it. Ctrl-C ends Wine (and the Xvfb).
set -u -o pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VK_RUN_BUILD:-$ROOT/build/mingw}"
JOBS="$(nproc 2>/dev/null || echo 2)"
export VK_WINEPREFIX="${VK_WINEPREFIX:-$ROOT/build/wineprefix-run}"

say() { printf 'run.sh: %s\n' "$*"; }

database=()
if [ "${1:-}" = "--database" ]; then
  if [ $# -lt 2 ]; then
    say "usage: tools/run.sh [--database PASSWORD [WINDOW-TITLE...]]" >&2
    exit 2
  fi
  shift
  database=("$@")
elif [ $# -gt 0 ]; then
  say "usage: tools/run.sh [--database PASSWORD [WINDOW-TITLE...]]" >&2
  exit 2
fi

targets=(vkmanager vkgate)
if [ ${#database[@]} -gt 0 ]; then targets+=(vk_e2e_tests); fi
cd "$ROOT" || exit 1
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null || { say "configuring the mingw build failed" >&2; exit 1; }
fi
# The 32-bit half (vkgate32.dll, vkhook32.exe), built and put beside the
# manager, which starts vkhook32.exe for 32-bit programs.
if cmake --build "$BUILD" --target help 2>/dev/null | grep -q 'vk32_stage'; then
  targets+=(vk32_stage)
else
  say "the build has no 32-bit half (VK_BUILD_32BIT=OFF?): 32-bit programs will not be protected" >&2
fi
cmake --build "$BUILD" -j "$JOBS" --target "${targets[@]}" || { say "build failed" >&2; exit 1; }

MANAGER_DIR="$BUILD/manager/win32"
cp -f "$BUILD/gate/win32/vkgate.dll" "$MANAGER_DIR/" || exit 1

if [ -n "${DISPLAY:-}" ]; then export VK_WINE_USE_DISPLAY=1; fi
# shellcheck source=tools/wine-env.sh
source "$ROOT/tools/wine-env.sh" || { say "Wine could not be set up" >&2; exit 1; }
trap 'vk_wine_cleanup' EXIT
trap 'exit 130' INT TERM

if [ ${#database[@]} -gt 0 ]; then
  (cd "$BUILD/tests/e2e" && "$WINE" vk_e2e_tests.exe --child write_database "${database[@]}" </dev/null) ||
    { say "could not write vk2.dat" >&2; exit 1; }
  say "wrote C:\\ProgramData\\Vantakey\\vk2.dat: system password \"${database[0]}\", $(( ${#database[@]} - 1 )) lock(s)"
elif [ ! -f "$WINEPREFIX/drive_c/ProgramData/Vantakey/vk2.dat" ] && [ ! -f "$WINEPREFIX/drive_c/windows/vk2.dat" ]; then
  say "no vk2.dat in this prefix: the manager starts with its first-run wizard (system password,"
  say "secret question). To start with locks instead: tools/run.sh --database secret 'Untitled - Notepad'"
fi

if [ "${VK_WINE_USE_DISPLAY:-}" = 1 ]; then
  say "running on your display $DISPLAY, in a 1024x768 Wine desktop window."
else
  say "running on a private X display $DISPLAY (1024x768). To see and use it:"
  say "  x11vnc -display $DISPLAY -localhost -nopw (apt-get install x11vnc), then a VNC viewer on localhost:5900"
  say "  or a picture: import -display $DISPLAY -window root shot.png"
fi
say "the manager lives in the notification area (bottom right of the Wine desktop): double-click"
say "its padlock for the password prompt, right-click for its menu. Ctrl-C here ends Wine."

cd "$MANAGER_DIR" || exit 1
"$WINE" vkmanager.exe </dev/null
rc=$?
say "vkmanager.exe ended with exit code $rc"
exit $rc
