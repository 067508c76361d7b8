// What vkgate's hooks add to a window activation, measured under Wine.
//
//   vk_activation_bench.exe [--rounds N] [--activations M]
//
// Two top-level windows of this program are activated in turn, each
// activation waited for until it has landed, with 60 enabled locks in the
// table that match neither window (half exact titles, half patterns with
// several stars, some of them near misses). Three modes: no hooks, an empty
// hook library (its procedures only pass the call on), and vkgate.dll. The
// modes alternate within every round, in a rotating order, so a drift of the
// machine over the session touches all three alike.
//
// Prints, for each round, the wall-clock time per activation of each mode and
// the ratio vkgate / empty hooks; then the medians per mode, the median and
// quartiles of the rounds' ratios, and the same for this thread's CPU time
// (less disturbed by other load on the machine, but blind to the time the
// wineserver and the X server spend for the activation). Then, since a
// loaded machine blurs those, vkgate's cost taken apart: the hook calls one
// activation makes, and the price of vkgate's check and of its pass-on
// measured through real hook chains (see "where the time goes").
// Exit code 0 unless something could not be set up or an activation never
// landed.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "platform/win32/handle.h"
#include "platform/win32/kernel_objects.h"

namespace {

// Many short rounds rather than a few long ones: on a shared machine the
// load drifts, and a short round sees the same load in all three modes.
constexpr int kDefaultRounds = 25;
constexpr int kDefaultActivations = 400;
constexpr int kWarmUpActivations = 20;
constexpr DWORD kLandDeadlineMs = 5000;
constexpr std::uint32_t kLockCount = 60;

constexpr const char* kWindowClass = "VkBenchWindow";
constexpr const char* kTitleA = "vk bench window A";
constexpr const char* kTitleB = "vk bench window B";
constexpr const char* kTitleHidden = "vk bench window C";

enum Mode { NoHooks = 0, EmptyHooks = 1, GateHooks = 2, kModeCount = 3 };
const char* const kModeNames[kModeCount] = {"no hooks", "empty hooks", "vkgate hooks"};
// The 32-bit build measures the 32-bit pair: a hook library is only ever
// loaded into processes of its own bitness.
#if defined(_WIN64)
const char* const kModeLibraries[kModeCount] = {nullptr, "empty_hooks.dll", "vkgate.dll"};
#else
const char* const kModeLibraries[kModeCount] = {nullptr, "empty_hooks32.dll", "vkgate32.dll"};
#endif

double ticksPerMicrosecond() {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(f.QuadPart) / 1e6;
}

std::int64_t ticks() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart;
}

void pump() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

// Activates w and waits until it is the foreground and active window, with
// the messages of the activation handled.
bool activate(HWND w) {
  ::SetForegroundWindow(w);
  const ULONGLONG end = ::GetTickCount64() + kLandDeadlineMs;
  for (;;) {
    pump();
    if (::GetForegroundWindow() == w && ::GetActiveWindow() == w) return true;
    if (::GetTickCount64() >= end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
}

// CPU time of this thread, user and kernel, in 100 ns units.
std::int64_t threadCpu() {
  FILETIME created, exited, kernel, user;
  if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto value = [](const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return value(kernel) + value(user);
}

struct Timing {
  double wallUs = 0;  // per activation
  double cpuUs = 0;   // per activation, this thread only
  bool landed = true;
};

// n activations alternating between a and b.
Timing timeActivations(HWND a, HWND b, int n) {
  Timing t;
  const std::int64_t start = ticks();
  const std::int64_t cpuStart = threadCpu();
  for (int i = 0; i < n; ++i) {
    if (!activate((i & 1) != 0 ? a : b)) {
      t.landed = false;
      return t;
    }
  }
  t.wallUs = static_cast<double>(ticks() - start) / ticksPerMicrosecond() / n;
  t.cpuUs = static_cast<double>(threadCpu() - cpuStart) / 10.0 / n;
  return t;
}

LRESULT CALLBACK windowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcA(w, msg, wp, lp); }

HWND makeWindow(const char* title, int x) {
  HWND w = ::CreateWindowExA(0, kWindowClass, title, WS_OVERLAPPEDWINDOW, x, 100, 300, 200, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
  if (w != nullptr) {
    ::ShowWindow(w, SW_SHOWNORMAL);
    ::UpdateWindow(w);
  }
  return w;
}

// 60 enabled locks, none of which holds either window: 30 exact titles and 30
// patterns with several stars. A third of the patterns share the windows'
// words and fail only at their end, so the matcher has to retry its stars.
void fillTable(const vk::LockTableView& view, vk::KernelObjects& kernel, vk::KernelHandle mutex) {
  vk::TableLock lock(kernel, mutex);
  std::memset(view.base(), 0, vk::kHeaderSize + vk::kRecordSize * vk::kSectionRecordCapacity);
  vk::storeAt<std::int32_t>(view.base() + vk::kOffReserved8, 300);
  const vk::PasswordDigest digest = vk::digestOf("bench password");
  for (std::uint32_t i = 0; i < kLockCount; ++i) {
    const vk::RecordRef r = view.record(i);
    char title[vk::kTitleCapacity];
    const bool pattern = i >= kLockCount / 2;
    if (!pattern) {
      std::snprintf(title, sizeof title, "Quarterly figures %02u - Spreadsheet", i);
    } else if (i % 3 == 0) {
      std::snprintf(title, sizeof title, "*bench*window*%02u", i);  // near miss
    } else if (i % 3 == 1) {
      std::snprintf(title, sizeof title, "*Report*20%02u*.doc*", i);
    } else {
      std::snprintf(title, sizeof title, "Inbox*-*Mail*%02u*", i);
    }
    std::memcpy(r.title(), title, std::strlen(title) + 1);  // snprintf kept it within the field
    r.setDigest(digest);
    r.setWildcard(pattern ? 1 : 0);
    r.setEnabled(1);
    r.setRelockSeconds(300);
    r.setAction(vk::DenyAccess);
    r.setMaxTries(3);
  }
  view.setRecordCount(kLockCount);
}

struct Hooks {
  vk::win32::UniqueModule library;
  vk::win32::UniqueHook cbt;
  vk::win32::UniqueHook callWndRet;
};

template <typename Proc>
Proc procedureOf(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// Installs a library's two exports the way the manager does.
bool install(Hooks& hooks, const char* libraryName, const vk::LockTableView& view) {
  hooks.library.reset(::LoadLibraryA(libraryName));
  if (!hooks.library) return false;
  HOOKPROC cbt = procedureOf<HOOKPROC>(hooks.library.get(), "export");
  HOOKPROC callWndRet = procedureOf<HOOKPROC>(hooks.library.get(), "export2");
  if (cbt == nullptr || callWndRet == nullptr) return false;
  hooks.cbt.reset(::SetWindowsHookExA(WH_CBT, cbt, hooks.library.get(), 0));
  hooks.callWndRet.reset(::SetWindowsHookExA(WH_CALLWNDPROCRET, callWndRet, hooks.library.get(), 0));
  view.setCbtHook(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hooks.cbt.get())));
  view.setCallWndRetHook(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hooks.callWndRet.get())));
  return hooks.cbt.valid() && hooks.callWndRet.valid();
}

void uninstall(Hooks& hooks, const vk::LockTableView& view) {
  hooks.cbt.reset();
  hooks.callWndRet.reset();
  view.setCbtHook(0);
  view.setCallWndRetHook(0);
  // The library stays loaded (Wine keeps hook libraries anyway); only the
  // hooks come and go between the modes.
}

// Quantile q (0 to 1) by linear interpolation.
double quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  const double pos = q * static_cast<double>(v.size() - 1);
  const std::size_t i = static_cast<std::size_t>(pos);
  if (i + 1 >= v.size()) return v.back();
  return v[i] + (v[i + 1] - v[i]) * (pos - static_cast<double>(i));
}

double median(const std::vector<double>& v) { return quantile(v, 0.5); }

void summarise(const char* what, const std::vector<double> (&perMode)[3], const std::vector<double>& ratios) {
  std::printf("%s per activation, median: no hooks %.1f us, empty hooks %.1f us, vkgate hooks %.1f us\n", what,
              median(perMode[0]), median(perMode[1]), median(perMode[2]));
  std::printf("%s vkgate/empty: median %.3f (quartiles %.3f .. %.3f); ratio of medians %.3f; empty/none %.3f\n",
              what, median(ratios), quantile(ratios, 0.25), quantile(ratios, 0.75),
              median(perMode[2]) / median(perMode[1]), median(perMode[1]) / median(perMode[0]));
}

// ---- where the time goes ------------------------------------------------------
//
// The wall-clock comparison above is at the mercy of the machine's load. The
// parts of vkgate's cost are steadier, measured one by one through real hook
// chains and multiplied by the number of hook calls one activation makes:
//   - SetWindowTextA on window A with its own title runs the same check as an
//     activation does (through WH_CALLWNDPROCRET, WM_SETTEXT): style, title
//     (whose WM_GETTEXT runs the chain once more), class, the scan of 60
//     records;
//   - SendMessageA(WM_NULL) is one plain pass through the chain.
// (Calling a hook procedure directly is no measure under Wine: outside a hook
// chain its CallNextHookEx costs far more, and varies, than inside one.)

int gCbtActivateCalls = 0;
int gCbtOtherCalls = 0;
int gCallWndRetCalls = 0;
int gCallWndRetSetText = 0;

LRESULT CALLBACK countCbt(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) ++gCbtActivateCalls;
  else if (code >= 0) ++gCbtOtherCalls;
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK countCallWndRet(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0) {
    ++gCallWndRetCalls;
    if (reinterpret_cast<const CWPRETSTRUCT*>(lParam)->message == WM_SETTEXT) ++gCallWndRetSetText;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

struct HookCalls {
  double cbtActivate = 0;  // per activation
  double callWndRet = 0;
};

// Hook calls one activation makes on this thread (the thread's own hooks see
// what a system-wide hook sees here).
HookCalls countHookCalls(HWND a, HWND b) {
  const DWORD thread = ::GetCurrentThreadId();
  vk::win32::UniqueHook cbt(::SetWindowsHookExA(WH_CBT, countCbt, nullptr, thread));
  vk::win32::UniqueHook ret(::SetWindowsHookExA(WH_CALLWNDPROCRET, countCallWndRet, nullptr, thread));
  constexpr int kCounted = 200;
  timeActivations(a, b, kCounted);
  HookCalls calls;
  calls.cbtActivate = static_cast<double>(gCbtActivateCalls) / kCounted;
  calls.callWndRet = static_cast<double>(gCallWndRetCalls) / kCounted;
  std::printf("hook calls per activation: WH_CBT %.2f (HCBT_ACTIVATE %.2f), WH_CALLWNDPROCRET %.2f (WM_SETTEXT %.2f)\n",
              static_cast<double>(gCbtActivateCalls + gCbtOtherCalls) / kCounted, calls.cbtActivate,
              calls.callWndRet, static_cast<double>(gCallWndRetSetText) / kCounted);
  return calls;
}

// Microseconds per call of f; the best of many short runs, the one nothing
// else on the machine got into.
template <typename F>
double bestUs(F f) {
  constexpr int kCalls = 500;
  constexpr int kRuns = 40;
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    const std::int64_t start = ticks();
    for (int i = 0; i < kCalls; ++i) f();
    best = std::min(best, static_cast<double>(ticks() - start) / ticksPerMicrosecond() / kCalls);
  }
  return best;
}

struct PartCosts {
  double check[kModeCount] = {1e30, 1e30, 1e30};   // SetWindowTextA on the hidden window
  double passOn[kModeCount] = {1e30, 1e30, 1e30};  // SendMessageA, WM_NULL
  double title[kModeCount] = {1e30, 1e30, 1e30};   // GetWindowTextA
};

// `hidden` is a window of this thread that is never shown, so retitling it
// costs no redraw. The modes take turns in a rotating order over several
// passes; each figure is the best of its passes.
PartCosts partCosts(HWND hidden, const char* hiddenTitle, const vk::LockTableView& view) {
  constexpr int kPasses = 6;
  PartCosts costs;
  for (int pass = 0; pass < kPasses; ++pass) {
    for (int k = 0; k < kModeCount; ++k) {
      const int mode = (pass + k) % kModeCount;
      Hooks hooks;
      if (kModeLibraries[mode] != nullptr && !install(hooks, kModeLibraries[mode], view)) return costs;
      char text[256];
      costs.check[mode] = std::min(costs.check[mode], bestUs([&] { ::SetWindowTextA(hidden, hiddenTitle); }));
      costs.passOn[mode] = std::min(costs.passOn[mode], bestUs([&] { ::SendMessageA(hidden, WM_NULL, 0, 0); }));
      costs.title[mode] = std::min(costs.title[mode], bestUs([&] { ::GetWindowTextA(hidden, text, 255); }));
      uninstall(hooks, view);
    }
  }
  std::printf("microseconds per call   SetWindowTextA  SendMessageA(WM_NULL)  GetWindowTextA\n");
  for (int mode = NoHooks; mode < kModeCount; ++mode) {
    std::printf("  %-13s %16.2f  %21.2f  %14.2f\n", kModeNames[mode], costs.check[mode], costs.passOn[mode],
                costs.title[mode]);
  }
  return costs;
}

int intArgument(int argc, char** argv, const char* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], name) == 0) return std::max(1, std::atoi(argv[i + 1]));
  }
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const int rounds = intArgument(argc, argv, "--rounds", kDefaultRounds);
  const int activations = intArgument(argc, argv, "--activations", kDefaultActivations) & ~1;

  vk::Win32KernelObjects kernel;
  vk::LockTableView view;
  if (!view.open(kernel)) {
    std::fprintf(stderr, "cannot map the lock table\n");
    return 1;
  }
  vk::KernelHandle mutex = kernel.createMutex(vk::kTableMutexName, false);
  if (mutex == nullptr) {
    std::fprintf(stderr, "cannot create the table mutex\n");
    return 1;
  }
  fillTable(view, kernel, mutex);

  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = windowProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kWindowClass;
  if (!::RegisterClassA(&wc)) return 1;
  HWND a = makeWindow(kTitleA, 100);
  HWND b = makeWindow(kTitleB, 450);
  if (a == nullptr || b == nullptr) return 1;

  Hooks hooks[kModeCount];
  std::vector<double> wall[kModeCount], cpu[kModeCount];
  std::vector<double> wallRatios, cpuRatios;
  std::printf("%d rounds of %d activations per mode, %u locks matching neither window\n", rounds, activations,
              kLockCount);
  std::printf("round  %12s  %12s  %12s   (wall-clock microseconds per activation)\n", kModeNames[0],
              kModeNames[1], kModeNames[2]);
  for (int round = 0; round < rounds; ++round) {
    Timing t[kModeCount];
    for (int k = 0; k < kModeCount; ++k) {
      const int mode = (round + k) % kModeCount;
      if (kModeLibraries[mode] != nullptr && !install(hooks[mode], kModeLibraries[mode], view)) {
        std::fprintf(stderr, "cannot install the hooks of %s\n", kModeLibraries[mode]);
        return 1;
      }
      // The first calls after installing go through the hook chain's set-up.
      const bool warm = timeActivations(a, b, kWarmUpActivations).landed;
      t[mode] = timeActivations(a, b, activations);
      uninstall(hooks[mode], view);
      if (!warm || !t[mode].landed) {
        std::fprintf(stderr, "an activation did not land (%s)\n", kModeNames[mode]);
        return 2;
      }
      wall[mode].push_back(t[mode].wallUs);
      cpu[mode].push_back(t[mode].cpuUs);
    }
    wallRatios.push_back(t[GateHooks].wallUs / t[EmptyHooks].wallUs);
    if (t[EmptyHooks].cpuUs > 0) cpuRatios.push_back(t[GateHooks].cpuUs / t[EmptyHooks].cpuUs);
    std::printf("%5d  %12.1f  %12.1f  %12.1f   vkgate/empty %.3f\n", round + 1, t[NoHooks].wallUs,
                t[EmptyHooks].wallUs, t[GateHooks].wallUs, wallRatios.back());
    std::fflush(stdout);
  }

  summarise("wall-clock", wall, wallRatios);
  if (!cpuRatios.empty()) summarise("thread CPU", cpu, cpuRatios);
  const HookCalls calls = countHookCalls(a, b);
  HWND hidden = ::CreateWindowExA(0, kWindowClass, kTitleHidden, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (hidden == nullptr) return 1;
  const PartCosts costs = partCosts(hidden, kTitleHidden, view);
  ::DestroyWindow(hidden);
  // One check per activation (HCBT_ACTIVATE), and vkgate's pass-on for every
  // other hook call.
  const double check = costs.check[GateHooks] - costs.check[EmptyHooks];
  const double passOn = costs.passOn[GateHooks] - costs.passOn[EmptyHooks];
  const double extra = calls.cbtActivate * check + calls.callWndRet * passOn;
  const double emptyWall = median(wall[EmptyHooks]);
  std::printf("vkgate's own cost per activation: %.0f x check %.1f + %.0f x pass-on %.2f = %.1f us; "
              "vkgate/empty about %.3f of the median empty-hooks activation (%.1f us)\n",
              calls.cbtActivate, check, calls.callWndRet, passOn, extra, (emptyWall + extra) / emptyWall, emptyWall);

  view.setRecordCount(0);
  kernel.closeMutex(mutex);
  ::DestroyWindow(a);
  ::DestroyWindow(b);
  return 0;
}
