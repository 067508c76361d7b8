#!/usr/bin/env bash
# Builds the Windows deliverables and packs them for release into
# build/package/:
#   vantakey-<version>.zip        vkmanager.exe, vkgate.dll, vkhook32.exe, vkgate32.dll,
#                                 README.md, LICENSE, help\, docs\screenshots\ (the
#                                 README's pictures)
#   vantakey-<version>-setup.exe  NSIS installer (installer/vantakey.nsi)
# Builds the mingw preset into build/mingw, or, with VK_PACKAGE_BUILD=<dir>,
# builds that already configured MinGW build directory instead.
# VK_PACKAGE_OUT=<dir> writes somewhere other than build/package.
# Needs zip and makensis (Debian: zip, nsis). Prints the two paths at the end.
set -euo pipefail

VERSION=2.0

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="${VK_PACKAGE_OUT:-$ROOT/build/package}"
JOBS="$(nproc 2>/dev/null || echo 2)"
if [ "$JOBS" -gt 2 ]; then JOBS=2; fi

say() { printf 'package: %s\n' "$*" >&2; }
die() { say "$*"; exit 1; }

command -v zip >/dev/null || die "zip is missing (apt-get install zip)"
command -v makensis >/dev/null || die "makensis is missing (apt-get install nsis)"

if [ -n "${VK_PACKAGE_BUILD:-}" ]; then
  BUILD="$(cd "$VK_PACKAGE_BUILD" && pwd)" || die "no build directory $VK_PACKAGE_BUILD"
  [ -f "$BUILD/CMakeCache.txt" ] || die "$BUILD is not a configured CMake build directory"
  say "building $BUILD"
  cmake --build "$BUILD" -j "$JOBS" >&2
else
  say "building the mingw preset"
  (cd "$ROOT" && cmake --preset mingw >&2 && cmake --build --preset mingw -j "$JOBS" >&2)
  BUILD="$ROOT/build/mingw"
fi

BIN="$BUILD/manager/win32"
# The 32-bit pair is copied beside the manager by the build (vk32_stage).
for f in vkmanager.exe vkgate.dll vkhook32.exe vkgate32.dll; do
  [ -f "$BIN/$f" ] || die "$BIN/$f was not built"
done
[ -d "$BIN/help" ] || die "$BIN/help is missing"

# Everything goes through a staging folder, so the zip and the installer
# carry exactly the same files.
STAGE="$(mktemp -d)"
trap 'rm -rf "$STAGE"' EXIT
cp "$BIN/vkmanager.exe" "$BIN/vkgate.dll" "$BIN/vkhook32.exe" "$BIN/vkgate32.dll" "$STAGE/"
cp -r "$BIN/help" "$STAGE/help"
cp "$ROOT/README.md" "$ROOT/LICENSE" "$STAGE/"
mkdir -p "$STAGE/docs"
cp -r "$ROOT/docs/screenshots" "$STAGE/docs/screenshots"

mkdir -p "$OUT"
ZIP="$OUT/vantakey-$VERSION.zip"
SETUP="$OUT/vantakey-$VERSION-setup.exe"
rm -f "$ZIP" "$SETUP"

say "writing $ZIP"
(cd "$STAGE" && zip -q -X -r "$ZIP" vkmanager.exe vkgate.dll vkhook32.exe vkgate32.dll README.md LICENSE help docs)

# The installer's licence page is a Windows edit control: it wants CRLF.
sed 's/$/\r/' "$ROOT/LICENSE" >"$STAGE/LICENSE.txt"
say "writing $SETUP"
makensis -V2 -NOCD -DVERSION="$VERSION" -DSTAGE="$STAGE" -DOUTFILE="$SETUP" \
  "$ROOT/installer/vantakey.nsi" >&2

printf '%s\n%s\n' "$ZIP" "$SETUP"
