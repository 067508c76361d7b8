#include "tests/fakes/fake_shell_platform.h"

namespace vk {
namespace fakes {

WindowRef FakeShellPlatform::findTrayWindow() {
  log_.add("find tray window");
  return runningTray;
}

WindowRef FakeShellPlatform::findWindowByTitle(const char* title) {
  log_.add(std::string("find window ") + title);
  auto it = windows.find(title);
  return it == windows.end() ? kNoWindow : it->second;
}

bool FakeShellPlatform::isWindowVisible(WindowRef window) { return visible.count(window) != 0; }

void FakeShellPlatform::showAndBringToFront(WindowRef window) {
  log_.add("show and bring to front");
  shownWindows.push_back(window);
  visible.insert(window);
}

void FakeShellPlatform::allowForegroundFor(WindowRef window) {
  log_.add("allow foreground for " + std::to_string(window));
}

void FakeShellPlatform::postOpenManagerRequest(WindowRef trayWindow) {
  log_.add("post 1025/102/515");
  openRequests.push_back(trayWindow);
}

InstanceMutexResult FakeShellPlatform::createInstanceMutex() {
  log_.add("create mutex Vantakey");
  instanceMutexOpen = instanceMutex != InstanceMutexResult::Failed;
  return instanceMutex;
}

void FakeShellPlatform::closeInstanceMutex() {
  log_.add("close mutex Vantakey");
  instanceMutexOpen = false;
}

void FakeShellPlatform::registerAsServiceProcess() { log_.add("register service process"); }

void FakeShellPlatform::initCommonControls() { log_.add("init common controls"); }

GateLibraryStatus FakeShellPlatform::loadGateLibrary() {
  log_.add("load vkgate.dll");
  libraryLoaded = library != GateLibraryStatus::NotFound;
  return library;
}

std::uint32_t FakeShellPlatform::installHook(HookKind kind) {
  const bool cbt = kind == HookKind::WindowActivation;
  log_.add(cbt ? "install hook WH_CBT" : "install hook WH_CALLWNDPROCRET");
  if (library != GateLibraryStatus::Loaded || failingHooks.count(kind) != 0) return 0;
  const std::uint32_t handle = nextHook_++;
  installedHooks.push_back(handle);
  return handle;
}

void FakeShellPlatform::removeHook(std::uint32_t handle) {
  log_.add("remove hook " + std::to_string(handle));
  removedHooks.push_back(handle);
}

void FakeShellPlatform::freeGateLibrary() {
  log_.add("free vkgate.dll");
  libraryLoaded = false;
}

bool FakeShellPlatform::createTrayWindow(TrayWindowEvents& events) {
  log_.add("create tray window");
  if (trayWindowFails) return false;
  trayEvents = &events;
  trayWindowExists = true;
  return true;
}

void FakeShellPlatform::destroyTrayWindow() {
  log_.add("destroy tray window");
  if (trayWindowExists && trayEvents != nullptr) {
    std::intptr_t result = 0;
    trayEvents->onMessage(0x0002, 0, 0, result);  // WM_DESTROY
  }
  trayWindowExists = false;
  trayEvents = nullptr;
}

bool FakeShellPlatform::addTrayIcon(const char* tip) {
  log_.add("NIM_ADD");
  if (addIconFails || iconShown_ || !trayWindowExists) return false;
  iconShown_ = true;
  iconTip_ = tip;
  return true;
}

bool FakeShellPlatform::modifyTrayIcon(const char* tip) {
  log_.add("NIM_MODIFY");
  if (!iconShown_) return false;
  iconTip_ = tip;
  return true;
}

void FakeShellPlatform::deleteTrayIcon() {
  log_.add("NIM_DELETE");
  iconShown_ = false;
}

void FakeShellPlatform::startTrayTimer() { log_.add("start tray timer"); }

int FakeShellPlatform::showIconMenu() {
  log_.add("icon menu");
  ++menusShown;
  return menuChoice;
}

bool FakeShellPlatform::registerSessionNotifications() {
  log_.add("register session notifications");
  if (!trayWindowExists) return false;
  if (sessionRegistrationFailures > 0) {
    --sessionRegistrationFailures;
    return false;
  }
  sessionNotificationsRegistered = true;
  return true;
}

void FakeShellPlatform::unregisterSessionNotifications() {
  log_.add("unregister session notifications");
  sessionNotificationsRegistered = false;
}

int FakeShellPlatform::runMessageLoop() {
  log_.add("message loop");
  const int code = whileRunning ? whileRunning() : 0;
  log_.add("message loop ended");
  return code;
}

void FakeShellPlatform::postQuit() {
  log_.add("post quit");
  ++quitsPosted;
}

}  // namespace fakes
}  // namespace vk
