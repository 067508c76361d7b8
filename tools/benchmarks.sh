#!/usr/bin/env bash
# Regenerates BENCHMARKS.md from one run of every benchmark:
#   - vk_bench (native, Google Benchmark, 5 repetitions, medians),
#   - the activation benchmark under Wine (tools/bench-wine.sh), for 64-bit
#     and for 32-bit programs,
#   - the manager's start-up benchmark under Wine (bench/wine-manager),
#   - objdump -p of vkgate.dll (size, imported DLLs, exports).
# Builds into build/bench-native and build/bench-mingw, runs Wine in its own
# prefix build/bench-wineprefix, one Wine session at a time.
#   tools/benchmarks.sh
# Environment: VK_BENCH_JOBS (default 2), VK_BENCH_WINE_ROUNDS (default 25),
# VK_BENCH_WINE_ACTIVATIONS (default 400), VK_BENCH_MANAGER_ROUNDS (default 5).
set -u -o pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
NATIVE="$ROOT/build/bench-native"
MINGW="$ROOT/build/bench-mingw"
PREFIX="$ROOT/build/bench-wineprefix"
OUT="$ROOT/build/bench-results"
REPORT="$ROOT/BENCHMARKS.md"
JOBS="${VK_BENCH_JOBS:-2}"
WINE_ROUNDS="${VK_BENCH_WINE_ROUNDS:-25}"
WINE_ACTIVATIONS="${VK_BENCH_WINE_ACTIVATIONS:-400}"
MANAGER_ROUNDS="${VK_BENCH_MANAGER_ROUNDS:-5}"
OBJDUMP="${OBJDUMP:-x86_64-w64-mingw32-objdump}"

log() { printf 'benchmarks: %s\n' "$*" >&2; }
die() { log "$*"; exit 1; }

# The machine as it is before anything here loads it.
RUN_DATE="$(date -u '+%Y-%m-%d %H:%M UTC')"
LOAD_AT_START="$(cut -d' ' -f1-3 /proc/loadavg)"
CPUS="$(nproc)"
CPU_MODEL="$(sed -n 's/^model name[[:space:]]*:[[:space:]]*//p' /proc/cpuinfo | head -n1)"
COMMIT="$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)"

mkdir -p "$OUT" || exit 1

log "building vk_bench (native, Release)"
if [ ! -f "$NATIVE/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$NATIVE" -DCMAKE_BUILD_TYPE=Release >/dev/null || die "cannot configure $NATIVE"
fi
cmake --build "$NATIVE" -j "$JOBS" --target vk_bench >"$OUT/build-native.log" 2>&1 ||
  die "native build failed (see $OUT/build-native.log)"

log "building the Wine benchmarks and vkgate.dll (MinGW, Release)"
if [ ! -f "$MINGW/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$MINGW" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null || die "cannot configure $MINGW"
fi
cmake --build "$MINGW" -j "$JOBS" --target vk_activation_bench vk_manager_startup_bench vkgate vk32 \
  >"$OUT/build-mingw.log" 2>&1 || die "MinGW build failed (see $OUT/build-mingw.log)"

log "running vk_bench (5 repetitions)"
"$NATIVE/bench/vk_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$OUT/vk_bench.json" --benchmark_out_format=json >"$OUT/vk_bench.txt" 2>&1 ||
  die "vk_bench failed (see $OUT/vk_bench.txt)"

# bench-wine.sh starts its own Xvfb and ends its wineserver before returning,
# so the two Wine runs never overlap.
log "running the activation benchmark under Wine ($WINE_ROUNDS rounds of $WINE_ACTIVATIONS)"
VK_BENCH_BUILD="$MINGW" VK_WINEPREFIX="$PREFIX" "$ROOT/tools/bench-wine.sh" \
  --rounds "$WINE_ROUNDS" --activations "$WINE_ACTIVATIONS" >"$OUT/activation.txt" 2>&1 ||
  die "the activation benchmark failed (see $OUT/activation.txt)"

log "running the 32-bit activation benchmark under Wine ($WINE_ROUNDS rounds of $WINE_ACTIVATIONS)"
VK_BENCH_BUILD="$MINGW" VK_WINEPREFIX="$PREFIX" "$ROOT/tools/bench-wine.sh" --32 \
  --rounds "$WINE_ROUNDS" --activations "$WINE_ACTIVATIONS" >"$OUT/activation32.txt" 2>&1 ||
  die "the 32-bit activation benchmark failed (see $OUT/activation32.txt)"

log "running the manager start-up benchmark under Wine ($MANAGER_ROUNDS rounds)"
(
  export VK_WINEPREFIX="$PREFIX"
  # shellcheck source=tools/wine-env.sh
  source "$ROOT/tools/wine-env.sh" || exit 1
  cd "$MINGW/bench/wine-manager" || exit 1
  "$WINE" vk_manager_startup_bench.exe --rounds "$MANAGER_ROUNDS" </dev/null
  rc=$?
  "$WINESERVER" -w
  exit $rc
) >"$OUT/manager.txt" 2>&1 || die "the manager start-up benchmark failed (see $OUT/manager.txt)"

GATE_DLL="$MINGW/gate/win32/vkgate.dll"
[ -f "$GATE_DLL" ] || GATE_DLL="$(find "$MINGW" -name vkgate.dll -path '*gate*' | head -n1)"
[ -f "$GATE_DLL" ] || die "vkgate.dll not found under $MINGW"
"$OBJDUMP" -p "$GATE_DLL" >"$OUT/vkgate-objdump.txt" || die "objdump failed on $GATE_DLL"

LOAD_AT_END="$(cut -d' ' -f1-3 /proc/loadavg)"
log "writing BENCHMARKS.md"
RUN_DATE="$RUN_DATE" LOAD_AT_END="$LOAD_AT_END" LOAD_AT_START="$LOAD_AT_START" CPUS="$CPUS" CPU_MODEL="$CPU_MODEL" COMMIT="$COMMIT" \
  WINE_ROUNDS="$WINE_ROUNDS" WINE_ACTIVATIONS="$WINE_ACTIVATIONS" MANAGER_ROUNDS="$MANAGER_ROUNDS" \
  python3 - "$OUT" "$REPORT" "$GATE_DLL" <<'PY' || die "could not write the report"
import json, os, re, sys

out, report, dll = sys.argv[1], sys.argv[2], sys.argv[3]
env = os.environ
meta = {
    "date": env["RUN_DATE"], "load": env["LOAD_AT_START"], "cpus": env["CPUS"], "cpu": env["CPU_MODEL"],
    "commit": env["COMMIT"], "wine_rounds": env["WINE_ROUNDS"], "wine_activations": env["WINE_ACTIVATIONS"],
    "manager_rounds": env["MANAGER_ROUNDS"], "load_end": env["LOAD_AT_END"],
}

def fail(msg):
    sys.stderr.write("benchmarks: " + msg + "\n")
    sys.exit(1)

# --- vk_bench medians -------------------------------------------------------
with open(os.path.join(out, "vk_bench.json")) as f:
    bench = json.load(f)
medians = {}
for b in bench["benchmarks"]:
    if b.get("aggregate_name") == "median":
        medians[b["run_name"]] = b
if not medians:
    fail("vk_bench printed no medians")

TO_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}

def ns(name):
    b = medians.get(name)
    if b is None:
        fail("vk_bench has no benchmark " + name)
    return b["real_time"] * TO_NS[b["time_unit"]]

def fmt_time(v):
    if v >= 1e6:
        return "%.2f ms" % (v / 1e6)
    if v >= 1e3:
        return "%.3f µs" % (v / 1e3)
    return "%.1f ns" % v

def mib_s(name):
    return medians[name].get("bytes_per_second", 0.0) / (1 << 20)

# --- Wine activation --------------------------------------------------------
act = open(os.path.join(out, "activation.txt")).read()
m = re.search(r"wall-clock per activation, median: no hooks ([\d.]+) us, empty hooks ([\d.]+) us, "
              r"vkgate hooks ([\d.]+) us", act)
r = re.search(r"wall-clock vkgate/empty: median ([\d.]+) \(quartiles ([\d.]+) \.\. ([\d.]+)\); "
              r"ratio of medians ([\d.]+); empty/none ([\d.]+)", act)
if not m or not r:
    fail("the activation benchmark's summary was not found")
cpu_m = re.search(r"thread CPU per activation, median: no hooks ([\d.]+) us, empty hooks ([\d.]+) us, "
                  r"vkgate hooks ([\d.]+) us", act)
cpu_r = re.search(r"thread CPU vkgate/empty: median ([\d.]+) \(quartiles ([\d.]+) \.\. ([\d.]+)\)", act)
own = re.search(r"vkgate's own cost per activation: .*", act)
calls = re.search(r"hook calls per activation: .*", act)

act32 = open(os.path.join(out, "activation32.txt")).read()
m32 = re.search(r"wall-clock per activation, median: no hooks ([\d.]+) us, empty hooks ([\d.]+) us, "
                r"vkgate hooks ([\d.]+) us", act32)
r32 = re.search(r"wall-clock vkgate/empty: median ([\d.]+) \(quartiles ([\d.]+) \.\. ([\d.]+)\); "
                r"ratio of medians ([\d.]+); empty/none ([\d.]+)", act32)
if not m32 or not r32:
    fail("the 32-bit activation benchmark's summary was not found")
cpu_r32 = re.search(r"thread CPU vkgate/empty: median ([\d.]+) \(quartiles ([\d.]+) \.\. ([\d.]+)\)", act32)
own32 = re.search(r"vkgate's own cost per activation: .*", act32)

# --- Manager start-up -------------------------------------------------------
man = open(os.path.join(out, "manager.txt")).read()
mm = re.search(r"median of (\d+): tray window ([\d.]+) ms, message loop ([\d.]+) ms, private (\d+) KiB, "
               r"working set (\d+) KiB", man)
if not mm:
    fail("the manager start-up benchmark's summary was not found")

# --- vkgate.dll -------------------------------------------------------------
dump = open(os.path.join(out, "vkgate-objdump.txt")).read()
dll_size = os.path.getsize(dll)
imports = re.findall(r"^\s*DLL Name: (\S+)", dump, re.M)
exports = []
sec = re.search(r"\[Ordinal/Name Pointer\] Table.*?\n(.*?)(?:\n\s*\n|\Z)", dump, re.S)
if sec:
    for line in sec.group(1).splitlines():
        e = re.match(r"\s*\[\s*(\d+)\]\s+(\S+)", line)
        if e:
            exports.append((e.group(1), e.group(2)))
base = re.search(r"^Ordinal Base\s+(\d+)", dump, re.M)
ordinal_base = int(base.group(1)) if base else 1
# The name table gives each name's index in the address table; the ordinal is
# that index plus the ordinal base.
export_rows = sorted(((int(i) + ordinal_base, n) for i, n in exports))
if not export_rows:
    fail("objdump showed no exports of vkgate.dll")

check = ns("BM_CheckWindowMatchingNoneOfSixtyLocks")
scan = ns("BM_ScanSixtyRecordsNoneMatching")
ratio = float(r.group(1))

L = []
w = L.append
w("# Vantakey benchmarks")
w("")
w("Generated by `tools/benchmarks.sh` on %s at commit `%s`. Every figure below comes from that one run;" % (meta["date"], meta["commit"]))
w("run the script again to regenerate this file.")
w("")
w("## Machine")
w("")
w("- CPU: %s, %s logical CPUs (nproc)" % (meta["cpu"], meta["cpus"]))
w("- Load average at start: %s (1, 5, 15 minutes); at the end: %s" % (meta["load"], meta["load_end"]))
w("")
w("The machine may be shared with other work while the benchmarks run. Figures from a loaded machine are")
w("noisy: times come out longer and ratios wander. Compare runs made under similar load, and read the")
w("load average above before reading anything else.")
w("")
w("## Native cost of one check over 60 locks (goal < 2 µs)")
w("")
w("Google Benchmark `vk_bench`, Release build, median of 5 repetitions (wall-clock time per iteration).")
w("")
w("| Benchmark | Median | Goal |")
w("|---|---|---|")
w("| `BM_CheckWindowMatchingNoneOfSixtyLocks` (the whole check through `checkWindow`: title and class captured, lock-free scan of 60 enabled locks, none matching) | %s | < 2 µs: %s |"
  % (fmt_time(check), "met" if check < 2000 else "NOT met"))
w("| `BM_ScanSixtyRecordsNoneMatching` (the scan alone) | %s | |" % fmt_time(scan))
w("")
w("## `titleMatches` worst case")
w("")
w("Both inputs are 255-byte patterns against a 254-byte title that they do not match.")
w("")
w("| Benchmark | Input | Median |")
w("|---|---|---|")
inputs = {
    "BM_TitleMatchesStarsThenB": "`*a` x 127 then `b`; the last star is retried over the rest of the text",
    "BM_TitleMatchesLongLiteralAfterStar": "`*`, 127 x `a`, 127 x `b`; every retry runs the whole literal",
}
for name in sorted(n for n in medians if n.startswith("BM_TitleMatches")):
    w("| `%s` | %s | %s |" % (name, inputs.get(name, ""), fmt_time(ns(name))))
w("")
w("## SHA-1 throughput beside OpenSSL's")
w("")
w("| Input | `digestOf` | OpenSSL SHA-1 | `digestOf` / OpenSSL |")
w("|---|---|---|---|")
for name in sorted((n for n in medians if n.startswith("BM_DigestOf/")), key=lambda n: int(n.split("/")[1])):
    size = int(name.split("/")[1])
    other = "BM_OpenSslSha1/%d" % size
    label = "%d bytes" % size if size < 1024 else "%d KiB" % (size // 1024) if size < (1 << 20) else "%d MiB" % (size >> 20)
    if other in medians:
        w("| %s | %.1f MiB/s (%s) | %.1f MiB/s (%s) | %.2f |" % (label, mib_s(name), fmt_time(ns(name)),
          mib_s(other), fmt_time(ns(other)), mib_s(name) / mib_s(other)))
    else:
        w("| %s | %.1f MiB/s (%s) | (not measured) | |" % (label, mib_s(name), fmt_time(ns(name))))
w("")
w("## Added activation time under Wine (goal: vkgate/empty ≤ 1.10)")
w("")
w("`tools/bench-wine.sh --rounds %s --activations %s`: two windows activated in turn with 60 locks matching"
  % (meta["wine_rounds"], meta["wine_activations"]))
w("neither; the three modes alternate within every round, and the ratio is taken within each round of one run.")
w("")
w("| | No hooks | Empty hooks | vkgate hooks |")
w("|---|---|---|---|")
w("| Wall-clock per activation, median | %s µs | %s µs | %s µs |" % m.groups())
none_us, empty_us, gate_us = (float(x) for x in m.groups())
w("| Added over no hooks (medians' difference) | | %.1f µs | %.1f µs |" % (empty_us - none_us, gate_us - none_us))
if cpu_m:
    w("| Thread CPU per activation, median | %s µs | %s µs | %s µs |" % cpu_m.groups())
w("")
w("- vkgate/empty (wall-clock), median of the rounds' ratios: **%s** (quartiles %s .. %s): goal ≤ 1.10 %s"
  % (r.group(1), r.group(2), r.group(3), "met by the median" if ratio <= 1.10 else "NOT met"))
if float(r.group(2)) > 1.10 or float(r.group(3)) > 1.10:
    w("  - The quartiles reach past 1.10: the rounds of this run scatter too widely for one run to settle the")
    w("    goal; the breakdown below (vkgate's own cost) is less disturbed by load.")
w("- Ratio of the medians: %s; empty/none: %s" % (r.group(4), r.group(5)))
if cpu_r:
    w("- vkgate/empty (thread CPU), median: %s (quartiles %s .. %s)" % cpu_r.groups())
if calls:
    w("- %s" % calls.group(0).strip())
if own:
    w("- %s" % own.group(0).strip())
rounds_table = re.search(r"^round .*?(?=^wall-clock per activation)", act, re.S | re.M)
if rounds_table:
    w("")
    w("Every round of this run, as the benchmark printed it:")
    w("")
    w("```")
    w(rounds_table.group(0).rstrip())
    w("```")
w("")
w("## Added activation time for 32-bit programs under Wine (goal: vkgate32/empty ≤ 1.10)")
w("")
w("`tools/bench-wine.sh --32 --rounds %s --activations %s`: the same measurement by the 32-bit build of the"
  % (meta["wine_rounds"], meta["wine_activations"]))
w("program, with `vkgate32.dll` against a 32-bit empty hook library, interleaved the same way.")
w("")
w("| | No hooks | Empty hooks | vkgate32 hooks |")
w("|---|---|---|---|")
w("| Wall-clock per activation, median | %s µs | %s µs | %s µs |" % m32.groups())
ratio32 = float(r32.group(1))
w("")
w("- vkgate32/empty (wall-clock), median of the rounds' ratios: **%s** (quartiles %s .. %s): goal ≤ 1.10 %s"
  % (r32.group(1), r32.group(2), r32.group(3), "met by the median" if ratio32 <= 1.10 else "NOT met"))
w("- Ratio of the medians: %s; empty/none: %s" % (r32.group(4), r32.group(5)))
if cpu_r32:
    w("- vkgate32/empty (thread CPU), median: %s (quartiles %s .. %s)" % cpu_r32.groups())
if own32:
    w("- %s" % own32.group(0).strip())
w("")
w("## Manager start-up under Wine")
w("")
w("`vk_manager_startup_bench.exe --rounds %s`: the real `vkmanager.exe` with three locks, median of %s rounds."
  % (meta["manager_rounds"], mm.group(1)))
w("")
w("| Until the tray window exists | Until the message loop answers | Private memory | Working set |")
w("|---|---|---|---|")
w("| %s ms | %s ms | %s KiB | %s KiB |" % mm.groups()[1:])
w("")
w("## vkgate.dll")
w("")
w("`%s -p` on the Release build." % "x86_64-w64-mingw32-objdump")
w("")
w("- Size: %d bytes" % dll_size)
w("- Imported DLLs: %s" % (", ".join("`%s`" % d for d in imports) if imports else "(none)"))
w("")
w("| Ordinal | Export |")
w("|---|---|")
for o, n in export_rows:
    w("| %s | `%s` |" % (o, n))
w("")

with open(report, "w") as f:
    f.write("\n".join(L))
PY
log "wrote $REPORT (raw outputs in $OUT)"
