#!/usr/bin/env bash
# Checks the installer end to end under Wine:
#   1. builds the package (tools/package.sh; VK_PACKAGE_BUILD is passed on);
#   2. installs it silently (/S) into a private Wine prefix and checks the
#      files in C:\Program Files\Vantakey, the Start-menu shortcut, the
#      uninstall key and the database folder C:\ProgramData\Vantakey, made
#      by the installer with its own rights (Wine keeps no file ACLs; it turns
#      the list into Unix permissions, where a list without an Everyone entry
#      shows as no access for others);
#   3. uninstalls silently (Uninstall.exe /S) while the installed manager runs:
#      the uninstaller asks it to exit, and the files, the shortcut, the Run
#      value "vk" and the uninstall key are gone while the users' database
#      C:\ProgramData\Vantakey\vk2.dat is still there. A manager that cannot
#      be asked (it is still in its first-run wizard) makes it give up. The
#      32-bit hook host ends with the manager; either library, when still
#      loaded in a program, is removed at the next restart. (Under Wine no
#      32-bit program loads vkgate32.dll while the manager's own hooks are
#      the newest, so only vkgate.dll is seen in use here.)
# The prefix is build/wineprefix-installer unless VK_WINEPREFIX says otherwise.
# Prints PASS or FAIL last; exits 0 or 1.
set -u -o pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEADLINE="${VK_INSTALLER_DEADLINE:-120}"  # seconds for each install/uninstall step

FAILS=0
say() { printf '== %s\n' "$*"; }
ok() { printf 'ok:   %s\n' "$*"; }
bad() { printf 'FAIL: %s\n' "$*"; FAILS=$((FAILS + 1)); }
check() {  # check DESCRIPTION COMMAND...
  local what="$1"
  shift
  if "$@"; then ok "$what"; else bad "$what"; fi
}
finish() {
  if [ "$FAILS" = 0 ]; then echo PASS; exit 0; fi
  echo "FAIL ($FAILS failed)"
  exit 1
}

say "building the package"
PACKAGE_OUT="$(mktemp -d)"
if ! VK_PACKAGE_OUT="$PACKAGE_OUT" "$ROOT/tools/package.sh" >"$PACKAGE_OUT/paths" 2>"$PACKAGE_OUT/package.log"; then
  tail -n 40 "$PACKAGE_OUT/package.log"
  bad "tools/package.sh failed"
  finish
fi
SETUP="$(grep -- '-setup\.exe$' "$PACKAGE_OUT/paths")"
ok "package built: $(basename "$SETUP")"

export VK_WINEPREFIX="${VK_WINEPREFIX:-$ROOT/build/wineprefix-installer}"
# shellcheck source=tools/wine-env.sh
source "$ROOT/tools/wine-env.sh" || { bad "Wine could not be set up"; finish; }
trap 'vk_wine_cleanup; rm -rf "$PACKAGE_OUT"' EXIT

C="$WINEPREFIX/drive_c"
INSTDIR="$C/Program Files/Vantakey"
SHORTCUT="$C/ProgramData/Microsoft/Windows/Start Menu/Programs/Vantakey.lnk"
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantakey'
RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
FILES=(vkmanager.exe vkgate.dll vkhook32.exe vkgate32.dll README.md LICENSE Uninstall.exe
       help/vantakey/support/index.htm help/vantakey/support/editlock.htm docs/screenshots/gate.png)

key_exists() { "$WINE" reg query "$1" >/dev/null 2>&1; }
value_exists() { "$WINE" reg query "$1" /v "$2" >/dev/null 2>&1; }
all_in() {
  local f
  for f in "${FILES[@]}"; do [ -f "$1/$f" ] || return 1; done
}
# Waits for a condition with a deadline; the uninstaller copies itself to a
# temporary folder and returns at once, so its work is watched, not its process.
wait_for() {  # wait_for SECONDS COMMAND...
  local end=$((SECONDS + $1))
  shift
  while [ $SECONDS -lt $end ]; do
    if "$@"; then return 0; fi
    sleep 0.5
  done
  "$@"
}
gone() { [ ! -e "$INSTDIR" ]; }
# What may stay for the restart: the two libraries, still loaded elsewhere.
only_libraries_left() {
  gone && return 0
  local f
  for f in "$INSTDIR"/* "$INSTDIR"/.[!.]*; do
    [ -e "$f" ] || continue
    case "$(basename "$f")" in vkgate.dll | vkgate32.dll) ;; *) return 1 ;; esac
  done
}

# The users' database folder: the installer makes it when it is missing. A
# database found here is put back at the end.
DATA="$C/ProgramData/Vantakey"
DATABASE="$DATA/vk2.dat"
SAVED_DATABASE=""
if [ -e "$DATABASE" ]; then SAVED_DATABASE="$(mktemp)"; cp "$DATABASE" "$SAVED_DATABASE"; fi
# An older installation's copy would be taken over by every manager started
# here; it is kept aside and put back at the end.
OLDER_DATABASE="$C/windows/vk2.dat"
SAVED_OLDER=""
if [ -e "$OLDER_DATABASE" ]; then SAVED_OLDER="$(mktemp)"; mv "$OLDER_DATABASE" "$SAVED_OLDER"; fi
# Others (Everyone) get nothing in the folder's list, so Wine gives others no
# Unix permission bits; a folder made with the default list gets r-x.
made_with_folder_rights() { [ -d "$DATA" ] && [ "$(( 0$(stat -c %a "$DATA") & 7 ))" = 0 ]; }

# Leftovers from an earlier, failed run would make this one look good or bad.
rm -rf "$INSTDIR" "$SHORTCUT" "$DATA"
"$WINE" reg delete "$UNINSTALL_KEY" /f >/dev/null 2>&1
"$WINE" reg delete "$RUN_KEY" /v vk /f >/dev/null 2>&1

# An uninstaller that meets a running manager must leave everything in place:
# silently it cannot ask the user to exit it, so it gives up (exit code 2).
# A folder without spaces lets "_?=" run the uninstaller in place, so its
# exit code is the answer.
say "uninstalling while the manager runs"
ALT="$C/vktest"
rm -rf "$ALT"
# winedbg lists the prefix's processes in plain text (tasklist prints nothing).
manager_running() { "$WINE" winedbg --command "info proc" 2>/dev/null | grep -q "'vkmanager\.exe'"; }
host_running() { "$WINE" winedbg --command "info proc" 2>/dev/null | grep -q "'vkhook32\.exe'"; }
if timeout "$DEADLINE" "$WINE" "$SETUP" /S '/D=C:\vktest' && [ -f "$ALT/vkmanager.exe" ]; then
  "$WINE" 'C:\vktest\vkmanager.exe' >/dev/null 2>&1 &
  MANAGER_PID=$!
  if wait_for 30 manager_running; then
    timeout "$DEADLINE" "$WINE" 'C:\vktest\Uninstall.exe' /S '_?=C:\vktest'
    rc=$?
    check "Uninstall.exe /S gives up while the manager runs (exit 2, got $rc)" [ "$rc" = 2 ]
    check "the manager's files are all still there" all_in "$ALT"
  else
    bad "vkmanager.exe did not start"
  fi
  # Only the test kills it; the uninstaller never does.
  kill "$MANAGER_PID" 2>/dev/null
  "$WINESERVER" -k >/dev/null 2>&1
  wait "$MANAGER_PID" 2>/dev/null
else
  bad "install into C:\\vktest failed"
fi
rm -rf "$ALT"
# The aborted uninstall left its key, which would point the next install at
# C:\vktest.
"$WINE" reg delete "$UNINSTALL_KEY" /f >/dev/null 2>&1

say "installing silently"
timeout "$DEADLINE" "$WINE" "$SETUP" /S
rc=$?
check "setup.exe /S exited with 0 (got $rc)" [ "$rc" = 0 ]
check "files are in C:\\Program Files\\Vantakey" all_in "$INSTDIR"
check "Start-menu shortcut Vantakey.lnk exists" [ -f "$SHORTCUT" ]
check "uninstall key is registered" key_exists "$UNINSTALL_KEY"
check "no Run value without the startup component" eval '! value_exists "$RUN_KEY" vk'
check "the installer made C:\\ProgramData\\Vantakey with the folder's rights (mode $(stat -c %a "$DATA" 2>/dev/null))" \
  made_with_folder_rights

# The users' database must outlive the uninstaller. A prepared one (system
# password and locks) lets the installed manager start straight into its
# tray, where the uninstaller can ask it to exit.
cp "$ROOT/tests/fixtures/store/three_locks.vk2.dat" "$DATABASE"

# The startup component is off in a silent install; set the value the way it
# (and the Options dialog) would, to see the uninstaller remove it.
"$WINE" reg add "$RUN_KEY" /v vk /d 'C:\Program Files\Vantakey\vkmanager.exe' /f >/dev/null 2>&1

say "uninstalling silently while the installed manager runs"
# The uninstaller gives a manager that is still starting a few seconds to
# show its tray window.
if [ -f "$INSTDIR/Uninstall.exe" ] && [ -f "$INSTDIR/vkmanager.exe" ]; then
  "$WINE" 'C:\Program Files\Vantakey\vkmanager.exe' >/dev/null 2>&1 &
  MANAGER_PID=$!
  check "the installed manager is running" wait_for 60 manager_running
  check "its 32-bit hook host is running" wait_for 30 host_running
  timeout "$DEADLINE" "$WINE" "$INSTDIR/Uninstall.exe" /S
  rc=$?
  check "Uninstall.exe /S exited with 0 (got $rc)" [ "$rc" = 0 ]
  # Processes that ran while the hooks were installed may still have the
  # library loaded (Wine's explorer keeps it until it ends), so the
  # uninstaller leaves it, and the folder, to be removed at the next restart.
  check "everything but the libraries is gone at once" wait_for "$DEADLINE" only_libraries_left
  check "the manager exited when asked" wait_for 30 eval '! manager_running'
  check "its 32-bit hook host ended with it" wait_for 30 eval '! host_running'
  if kill -0 "$MANAGER_PID" 2>/dev/null; then kill "$MANAGER_PID" 2>/dev/null; fi
  wait "$MANAGER_PID" 2>/dev/null
  # A restart: every process ends, and the start of the next session carries
  # out the removals the uninstaller left for it.
  "$WINESERVER" -k >/dev/null 2>&1
  "$WINESERVER" -w >/dev/null 2>&1
  timeout "$DEADLINE" "$WINE" wineboot -r >/dev/null 2>&1
  check "C:\\Program Files\\Vantakey is gone after a restart" wait_for 30 gone
else
  bad "no Uninstall.exe to run"
fi
check "Start-menu shortcut is gone" [ ! -e "$SHORTCUT" ]
check "Run value vk is gone" eval '! value_exists "$RUN_KEY" vk'
check "uninstall key is gone" eval '! key_exists "$UNINSTALL_KEY"'
check "database C:\\ProgramData\\Vantakey\\vk2.dat is kept" [ -f "$DATABASE" ]
rm -f "$DATABASE"
if [ -n "$SAVED_DATABASE" ]; then mv "$SAVED_DATABASE" "$DATABASE"; fi
if [ -n "$SAVED_OLDER" ]; then mv "$SAVED_OLDER" "$OLDER_DATABASE"; fi

finish
