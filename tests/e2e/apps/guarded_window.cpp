// An application window for the lock tests to guard. It says what happened to
// it through its exit code, and does on request what an application does to
// its own window:
//   guarded_window.exe --title <text> [--class <name>] [--retitle <text>]
//                      [--hidden] [--answer <guess>]
// --hidden: the window is created and left hidden (not shown at start).
// --answer: the window answers the lock library's challenge message (1046)
//   itself, with a guess: zero, one, accepted (12345), wparam, lparam,
//   product (wParam * lParam), sum (wParam + lParam), or formula (the right
//   answer, as an application that knows how it is computed would give it).
// Posted requests (from the test):
//   kRetitleRequest  -> SetWindowTextA on its own window with the --retitle text
//   kActivateRequest -> SetForegroundWindow on its own window
//   kShowRequest     -> ShowWindow on its own window with the command in wParam
// Sent requests:
//   kShownCountRequest -> how many times the window has become visible and not
//                         minimized (counted as its position changes), so a
//                         test sees a show that was undone a moment later
//   kLastErrorRequest  -> sets a last-error value, sends its own window a
//                         WM_NULL (a hook event: the first one loads the lock
//                         library into this process) and reads the value
//                         back; answers with the kLastError* bits
//   kLastErrorSeenRequest -> the value read back by the last such request
// Exit codes: kExitClosedByRequest when the window got WM_CLOSE, 0 when it
// went some other way, small codes for setup failures.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "gate/window_guard.h"

namespace {

constexpr UINT kRetitleRequest = WM_APP + 1;
constexpr UINT kActivateRequest = WM_APP + 2;
constexpr UINT kShowRequest = WM_APP + 3;
constexpr UINT kShownCountRequest = WM_APP + 4;
constexpr UINT kLastErrorRequest = WM_APP + 5;
constexpr UINT kLastErrorSeenRequest = WM_APP + 6;
constexpr int kExitClosedByRequest = 10;

constexpr LRESULT kLastErrorKept = 1;
constexpr LRESULT kLibraryLoadedBefore = 2;
constexpr LRESULT kLibraryLoadedAfter = 4;
constexpr DWORD kHostLastError = 0x2A2B2C;

enum class Guess { None, Zero, One, Accepted, WParam, LParam, Product, Sum, Formula };

struct GuessName {
  const char* name;
  Guess guess;
};

constexpr GuessName kGuesses[] = {
    {"zero", Guess::Zero},       {"one", Guess::One},         {"accepted", Guess::Accepted},
    {"wparam", Guess::WParam},   {"lparam", Guess::LParam},   {"product", Guess::Product},
    {"sum", Guess::Sum},         {"formula", Guess::Formula},
};

const char* gRetitle = "";
bool gCloseRequested = false;
bool gShown = false;
LRESULT gShownCount = 0;
Guess gGuess = Guess::None;
DWORD gLastErrorSeen = 0;

LRESULT answerChallenge(WPARAM wp, LPARAM lp) {
  const auto t = static_cast<std::uint32_t>(wp);
  const auto r = static_cast<std::uint32_t>(lp);
  switch (gGuess) {
    case Guess::Zero: return 0;
    case Guess::One: return 1;
    case Guess::Accepted: return vk::PasswordAccepted;
    case Guess::WParam: return static_cast<LRESULT>(t);
    case Guess::LParam: return static_cast<LRESULT>(r);
    case Guess::Product: return static_cast<LRESULT>(t * r);
    case Guess::Sum: return static_cast<LRESULT>(t + r);
    case Guess::Formula: return static_cast<LRESULT>(vk::challengeAnswer(t, r));
    case Guess::None: break;
  }
  return 0;
}

// What an application does between setting a last-error value and testing it:
// here a message to its own window, which the hooks see.
LRESULT lastErrorAcrossAHookEvent(HWND w) {
  LRESULT result = 0;
  if (::GetModuleHandleA("vkgate.dll") != nullptr) result |= kLibraryLoadedBefore;
  ::SetLastError(kHostLastError);
  ::SendMessageA(w, WM_NULL, 0, 0);
  const DWORD after = ::GetLastError();
  gLastErrorSeen = after;
  if (after == kHostLastError) result |= kLastErrorKept;
  if (::GetModuleHandleA("vkgate.dll") != nullptr) result |= kLibraryLoadedAfter;
  return result;
}

LRESULT CALLBACK guardedProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kRetitleRequest:
      ::SetWindowTextA(w, gRetitle);
      return 0;
    case kActivateRequest:
      ::SetForegroundWindow(w);
      return 0;
    case kShowRequest:
      ::ShowWindow(w, static_cast<int>(wp));
      return 0;
    case kShownCountRequest:
      return gShownCount;
    case kLastErrorRequest:
      return lastErrorAcrossAHookEvent(w);
    case kLastErrorSeenRequest:
      return static_cast<LRESULT>(gLastErrorSeen);
    case WM_WINDOWPOSCHANGED: {
      const bool shown = ::IsWindowVisible(w) && !::IsIconic(w);
      if (shown && !gShown) ++gShownCount;
      gShown = shown;
      break;
    }
    case vk::OwnWindowChallenge:
      if (gGuess != Guess::None) return answerChallenge(wp, lp);
      break;
    case WM_CLOSE:
      gCloseRequested = true;
      break;  // the default closes the window
    case WM_DESTROY:
      ::PostQuitMessage(gCloseRequested ? kExitClosedByRequest : 0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(w, msg, wp, lp);
}

bool parseGuess(const char* name) {
  for (const GuessName& g : kGuesses) {
    if (std::strcmp(g.name, name) == 0) {
      gGuess = g.guess;
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const char* title = "vk guarded";
  const char* className = "VkGuardedWindow";
  bool hidden = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--hidden") == 0) {
      hidden = true;
      continue;
    }
    if (i + 1 >= argc) return 2;
    if (std::strcmp(argv[i], "--title") == 0) title = argv[i + 1];
    else if (std::strcmp(argv[i], "--class") == 0) className = argv[i + 1];
    else if (std::strcmp(argv[i], "--retitle") == 0) gRetitle = argv[i + 1];
    else if (std::strcmp(argv[i], "--answer") == 0) {
      if (!parseGuess(argv[i + 1])) return 2;
    } else {
      return 2;
    }
    ++i;
  }

  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = guardedProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className;
  if (!::RegisterClassA(&wc)) return 3;

  HWND w = ::CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 120, 120, 420, 280, nullptr, nullptr,
                             instance, nullptr);
  if (w == nullptr) return 4;
  if (!hidden) {
    ::ShowWindow(w, SW_SHOWNORMAL);
    ::UpdateWindow(w);
  }

  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
