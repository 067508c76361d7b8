#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. installs what is missing (Debian, apt-get; nothing when all is there);
#   2. builds the presets native, native-asan, mingw (and fuzz when there are
#      fuzz targets); mingw builds the 32-bit half too (vkgate32.dll,
#      vkhook32.exe, the 32-bit test programs);
#   3. runs the native unit tests, plain and under ASan+UBSan;
#   4. runs each fuzz target for a short while (about a minute in all);
#   5. runs the end-to-end program under Wine on a private X display;
#   6. packs the release (zip and installer) and installs and uninstalls the
#      installer silently under Wine (tools/installer-check.sh).
# Logs go to build/logs/, e2e screenshots to build/screenshots/.
# The last line printed is the SUMMARY; the exit code is 0 only when all passed.
set -u -o pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT" || exit 1
BUILD="$ROOT/build"
LOGS="$BUILD/logs"
mkdir -p "$LOGS"
JOBS="$(nproc 2>/dev/null || echo 2)"
FUZZ_SECONDS="${VK_FUZZ_SECONDS:-60}"   # shared by all fuzz targets
E2E_DEADLINE="${VK_E2E_DEADLINE:-1800}"  # seconds for the whole e2e program

trap 'exit 130' INT
trap 'exit 143' TERM

SUMMARY=()
FAILED=0
TIMINGS=()
PHASE_NAME=""
PHASE_START=0

say() { printf '== %s\n' "$*"; }
join() {
  local out="" s
  for s in "$@"; do out+="${out:+, }$s"; done
  printf '%s' "$out"
}
fail() { FAILED=1; SUMMARY+=("$1"); }
phase_begin() { PHASE_NAME="$1"; PHASE_START=$SECONDS; say "$1"; }
phase_end() {
  local took=$((SECONDS - PHASE_START))
  TIMINGS+=("$PHASE_NAME ${took}s")
  say "$PHASE_NAME done in ${took}s"
}

# Runs a command with its output in build/logs/<name>.log; shows the end of
# the log when it fails.
logged() {
  local name="$1"
  shift
  "$@" >"$LOGS/$name.log" 2>&1
  local rc=$?
  if [ $rc = 0 ]; then return 0; fi
  say "$name failed (exit $rc); end of build/logs/$name.log:"
  tail -n 40 "$LOGS/$name.log"
  return $rc
}

# Value of attribute $2 in the first element $1 of XML file $3.
xml_attr() {
  tr '\n\t' '  ' <"$3" | grep -o -m1 "<$1 [^>]*" | head -n1 | grep -o " $2=\"[0-9]*\"" | head -n1 | grep -o '[0-9]\+'
}

# ---- 1. tools ------------------------------------------------------------------

PACKAGES=(cmake g++ clang googletest libgtest-dev libbenchmark-dev libssl-dev libclang-rt-14-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 wine32:i386 fonts-wine xvfb xauth
          imagemagick zip nsis)

phase_begin "dependencies"
if command -v dpkg-query >/dev/null 2>&1; then
  missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    say "installing: ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
    # Wine's 32-bit part (32-bit programs and vkhook32.exe) comes from the
    # i386 architecture, which apt must know of before the update.
    if ! logged apt $SUDO env DEBIAN_FRONTEND=noninteractive sh -c \
        "dpkg --add-architecture i386 && apt-get update -q && apt-get install -y -q ${missing[*]}"; then
      fail "dependencies could not be installed"
    fi
  fi
else
  say "not a Debian system: skipping installation, using what is there"
fi
phase_end

# ---- 2. builds -----------------------------------------------------------------

declare -A BUILT
build_preset() {
  local preset="$1"
  phase_begin "build $preset"
  if logged "configure-$preset" cmake --preset "$preset" &&
     logged "build-$preset" cmake --build --preset "$preset" -j "$JOBS"; then
    BUILT[$preset]=1
  else
    BUILT[$preset]=0
    fail "build $preset FAILED"
  fi
  phase_end
}

HAVE_FUZZ=0
if compgen -G "$ROOT/fuzz/fuzz_*.cpp" >/dev/null; then HAVE_FUZZ=1; fi

build_preset native
build_preset native-asan
build_preset mingw
if [ $HAVE_FUZZ = 1 ]; then build_preset fuzz; fi

# ---- 3. unit tests -------------------------------------------------------------

unit_tests() {
  local preset="$1" label="$2"
  phase_begin "unit tests ($label)"
  if [ "${BUILT[$preset]}" != 1 ]; then
    fail "$label not run (build failed)"
    phase_end
    return
  fi
  local junit="$LOGS/unit-$label.xml"
  rm -f "$junit"
  ctest --test-dir "$BUILD/$preset" --output-on-failure --timeout 300 --output-junit "$junit" \
    2>&1 | tee "$LOGS/unit-$label.log" | grep -v -E '^ +Start +[0-9]+: |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed'
  local rc=${PIPESTATUS[0]}
  if [ ! -s "$junit" ]; then
    fail "$label no results"
  else
    local total failures skipped disabled passed
    total=$(xml_attr testsuite tests "$junit")
    failures=$(xml_attr testsuite failures "$junit")
    skipped=$(xml_attr testsuite skipped "$junit")
    disabled=$(xml_attr testsuite disabled "$junit")
    # Disabled tests are not counted; skipped ones count as not passed.
    total=$((${total:-0} - ${disabled:-0}))
    passed=$((total - ${failures:-0} - ${skipped:-0}))
    local part="$label $passed/$total passed"
    if [ "${skipped:-0}" != 0 ]; then part+=" ($skipped skipped)"; fi
    if [ "${disabled:-0}" != 0 ]; then part+=" ($disabled disabled)"; fi
    if [ "$total" = 0 ]; then part="$label: no tests found"; fi
    if [ "$total" = 0 ] || [ "$passed" != "$total" ] || [ "$rc" != 0 ]; then
      fail "$part"
    else
      SUMMARY+=("$part")
    fi
  fi
  phase_end
}

unit_tests native unit
unit_tests native-asan asan

# ---- 4. fuzzing ----------------------------------------------------------------

if [ $HAVE_FUZZ = 1 ]; then
  phase_begin "fuzz"
  if [ "${BUILT[fuzz]}" != 1 ]; then
    fail "fuzz not run (build failed)"
  else
    targets=()
    for src in "$ROOT"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$src" .cpp)"); done
    per=$((FUZZ_SECONDS / ${#targets[@]}))
    if [ $per -lt 5 ]; then per=5; fi
    work="$(mktemp -d)"
    crashed=()
    for t in "${targets[@]}"; do
      bin="$BUILD/fuzz/fuzz/$t"
      mkdir -p "$work/$t/corpus" "$work/$t/artifacts"
      # The seeds are copied: the fuzzer writes into its corpus.
      if [ -d "$ROOT/fuzz/corpus/$t" ]; then cp -R "$ROOT/fuzz/corpus/$t/." "$work/$t/corpus/"; fi
      dict=()
      if [ -f "$ROOT/fuzz/$t.dict" ]; then dict=("-dict=$ROOT/fuzz/$t.dict"); fi
      say "fuzzing $t for ${per}s"
      if [ ! -x "$bin" ] ||
         ! logged "$t" timeout $((per + 120)) "$bin" -max_total_time="$per" -timeout=10 -rss_limit_mb=2048 \
             -artifact_prefix="$work/$t/artifacts/" "${dict[@]}" "$work/$t/corpus"; then
        crashed+=("$t")
        mkdir -p "$LOGS/fuzz-artifacts"
        cp -R "$work/$t/artifacts/." "$LOGS/fuzz-artifacts/" 2>/dev/null || true
      fi
    done
    rm -rf "$work"
    if [ ${#crashed[@]} -eq 0 ]; then
      SUMMARY+=("fuzz ${#targets[@]} targets clean")
    else
      fail "fuzz $(( ${#targets[@]} - ${#crashed[@]} ))/${#targets[@]} targets clean (failed: ${crashed[*]}; inputs in build/logs/fuzz-artifacts)"
    fi
  fi
  phase_end
fi

# ---- 5. end to end under Wine ----------------------------------------------------

phase_begin "e2e (Wine)"
E2E_DIR="$BUILD/mingw/tests/e2e"
if [ "${BUILT[mingw]}" != 1 ]; then
  fail "e2e not run (build failed)"
elif [ ! -f "$E2E_DIR/vk_e2e_tests.exe" ]; then
  fail "e2e not run (no vk_e2e_tests.exe)"
elif ! source "$ROOT/tools/wine-env.sh"; then
  fail "e2e not run (Wine or Xvfb did not start)"
else
  SHOTS="$BUILD/screenshots"
  rm -rf "$SHOTS"
  mkdir -p "$SHOTS"
  rm -f "$E2E_DIR/e2e_results.xml"
  say "DISPLAY $DISPLAY, prefix $WINEPREFIX"
  (cd "$E2E_DIR" &&
    VK_SHOT_DIR="$SHOTS" WINE_VK_SHOT_DIR="$SHOTS" timeout -k 10 "$E2E_DEADLINE" \
      "$WINE" vk_e2e_tests.exe --gtest_output=xml:e2e_results.xml </dev/null) 2>&1 | tee "$LOGS/e2e.log"
  rc=${PIPESTATUS[0]}
  vk_wine_cleanup
  results="$E2E_DIR/e2e_results.xml"
  if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
    fail "e2e ran past its ${E2E_DEADLINE}s deadline"
  elif [ ! -s "$results" ]; then
    fail "e2e no results (exit $rc)"
  else
    total=$(xml_attr testsuites tests "$results")
    failures=$(xml_attr testsuites failures "$results")
    errors=$(xml_attr testsuites errors "$results")
    disabled=$(xml_attr testsuites disabled "$results")
    skipped=$(grep -c 'result="skipped"' "$results")
    total=$((${total:-0} - ${disabled:-0}))
    passed=$((total - ${failures:-0} - ${errors:-0} - skipped))
    part="e2e $passed/$total passed"
    if [ "$skipped" != 0 ]; then part+=" ($skipped skipped)"; fi
    if [ "${disabled:-0}" != 0 ]; then part+=" ($disabled disabled)"; fi
    if [ "$total" = 0 ]; then part="e2e: no tests found"; fi
    if [ "$total" = 0 ] || [ "$passed" != "$total" ] || [ "$rc" != 0 ]; then
      fail "$part"
    else
      SUMMARY+=("$part")
    fi
  fi
  # Screenshots are taken as .bmp by the Windows side; keep them small.
  if command -v convert >/dev/null 2>&1; then
    while IFS= read -r -d '' bmp; do
      convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done < <(find "$SHOTS" -name '*.bmp' -print0)
  fi
fi
phase_end

# ---- 6. release package and installer under Wine ----------------------------------

phase_begin "installer (Wine)"
if [ "${BUILT[mingw]}" != 1 ]; then
  fail "installer not checked (build failed)"
elif VK_PACKAGE_BUILD="$BUILD/mingw" logged installer "$ROOT/tools/installer-check.sh" </dev/null; then
  SUMMARY+=("installer passed")
else
  fail "installer FAILED (build/logs/installer.log)"
fi
phase_end

# ---- summary --------------------------------------------------------------------

say "timings: $(join "${TIMINGS[@]}") (total ${SECONDS}s)"
verdict=PASS
if [ $FAILED != 0 ]; then verdict=FAIL; fi
echo "SUMMARY: $(join "${SUMMARY[@]}") -> $verdict"
[ $FAILED = 0 ]
