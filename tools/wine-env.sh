# Wine on a private X display, for the end-to-end tests. Source it:
#
#   source tools/wine-env.sh
#   vk_wine build/mingw/tests/e2e/vk_e2e_tests.exe     (or "$WINE" ...)
#
# It starts an Xvfb of its own (1024x768x24) on a free display, unless this
# shell already has one from an earlier source; uses a private prefix under
# build/wineprefix, initialised once, with a Wine virtual desktop (without a
# window manager Xvfb ignores activation, and the lock tests depend on it);
# and on exit of the shell kills the Xvfb and the prefix's wineserver.
# Callers that set their own EXIT trap call vk_wine_cleanup from it.
# Exports: WINE, WINESERVER, WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES, DISPLAY.

VK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
export WINEARCH=win64
export WINEPREFIX="${VK_WINEPREFIX:-$VK_ROOT/build/wineprefix}"
export WINEDEBUG=-all
# No prompts to install Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Runs a Windows program. Wine does not pass Unix variables beginning with
# VK_ to Windows programs, so the screenshot folder goes as WINE_VK_SHOT_DIR.
vk_wine() {
  WINE_VK_SHOT_DIR="${VK_SHOT_DIR:-}" "$WINE" "$@"
}

vk_wine_log() { printf 'wine-env: %s\n' "$*" >&2; }

vk_wine_cleanup() {
  if [ -n "${VK_WINE_STARTED_SERVER:-}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    VK_WINE_STARTED_SERVER=
  fi
  if [ -n "${VK_XVFB_PID:-}" ]; then
    kill "$VK_XVFB_PID" >/dev/null 2>&1 || true
    wait "$VK_XVFB_PID" 2>/dev/null || true
    VK_XVFB_PID=
  fi
}

# Starts Xvfb on a display it picks itself (-displayfd) and waits until it
# says it is ready.
vk_wine_start_xvfb() {
  local fdfile
  fdfile="$(mktemp)"
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp >"$VK_ROOT/build/xvfb.log" 2>&1 9>"$fdfile" &
  VK_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$fdfile" ]; then break; fi
    if ! kill -0 "$VK_XVFB_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  local display
  display="$(tr -d '[:space:]' <"$fdfile")"
  rm -f "$fdfile"
  if [ -z "$display" ]; then
    vk_wine_log "Xvfb did not start (see build/xvfb.log)"
    kill "$VK_XVFB_PID" >/dev/null 2>&1 || true
    VK_XVFB_PID=
    return 1
  fi
  export DISPLAY=":$display"
}

# Wine's 32-bit part (Debian's wine32:i386) is installed.
vk_wine_has_wine32() { [ -x /usr/lib/wine/wine ]; }

vk_wine_init_prefix() {
  # A prefix made before Wine's 32-bit part was installed has no 32-bit
  # system folder, and Wine never adds one later: 32-bit programs cannot run
  # in it. Such a prefix (ours, under build/) is made again.
  if [ -f "$WINEPREFIX/.vk-ready" ] && vk_wine_has_wine32 &&
     [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/notepad.exe" ]; then
    vk_wine_log "$WINEPREFIX was made without Wine's 32-bit part: making it again"
    "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/.vk-ready" ]; then
    vk_wine_log "initialising $WINEPREFIX (once)"
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || return 1
    "$WINESERVER" -w
    # One virtual desktop for every program of the prefix; no crash dialog
    # that would wait for a user who is not there.
    "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d vk /f >/dev/null 2>&1 || return 1
    "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v vk /d 1024x768 /f >/dev/null 2>&1 || return 1
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || return 1
    "$WINESERVER" -w
    touch "$WINEPREFIX/.vk-ready"
  fi
}

# Wine's own fonts (Debian's fonts-wine) lie where this Wine build does not
# look for them; without them dialogs fall back to a wider font and caption
# buttons show letters. A copy in the prefix's Fonts folder is found.
vk_wine_copy_fonts() {
  local fonts=/usr/share/wine/fonts dest="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d "$fonts" ] && [ -d "$dest" ]; then cp -n "$fonts"/*.ttf "$dest"/ 2>/dev/null || true; fi
}

# VK_WINE_USE_DISPLAY=1 with a DISPLAY set runs on that display (tools/run.sh
# for a user at a desktop) instead of a private Xvfb.
vk_wine_setup() {
  mkdir -p "$VK_ROOT/build" || return 1
  if [ "${VK_WINE_USE_DISPLAY:-}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    :
  elif [ -z "${VK_XVFB_PID:-}" ] || ! kill -0 "$VK_XVFB_PID" 2>/dev/null; then
    vk_wine_start_xvfb || return 1
    trap vk_wine_cleanup EXIT
  fi
  VK_WINE_STARTED_SERVER=1
  vk_wine_init_prefix || { vk_wine_log "could not initialise the Wine prefix"; return 1; }
  vk_wine_copy_fonts
}

vk_wine_setup
