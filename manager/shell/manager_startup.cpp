#include "manager/shell/manager_startup.h"

#include <cstring>
#include <string>

#include "common/lock_table.h"
#include "manager/shell/hook_host_keeper.h"
#include "manager/shell/manager_window.h"
#include "manager/shell/tray_window.h"
#include "manager/store/database_file.h"
#include "manager/store/manager_settings.h"
#include "manager/store/manager_store.h"
#include "manager/store/older_import.h"
#include "manager/store/table_operations.h"

namespace vk {
namespace {

static_assert(sizeof("Vantakey - NOT protecting (vkgate.dll missing)") - 1 <= kTrayTipMaxLength,
              "tip fits");
static_assert(sizeof("Vantakey - NOT fully protecting (hook failed)") - 1 <= kTrayTipMaxLength,
              "tip fits");

// A copy of the program has started when its tray window exists. Hands over
// to it: its manager window is shown directly only when it is on screen
// already; a hidden one is opened by that copy itself, through the system
// password, as after a double-click on its icon.
void handOver(ShellPlatform& system, WindowRef runningTray) {
  // On Windows 10/11 a process in the background may not take the foreground
  // by itself: without this the gate would come up behind other windows.
  system.allowForegroundFor(runningTray);
  const WindowRef manager = system.findWindowByTitle(kManagerCaption);
  if (manager != kNoWindow && system.isWindowVisible(manager)) {
    system.showAndBringToFront(manager);
  } else {
    system.postOpenManagerRequest(runningTray);
  }
}

// No database, or one without a system password: take over the older file if
// there is one, let the user set the system password, save.
void runFirstRunPath(ManagerPorts& ports, ManagerStore& store) {
  importOlderDatabase(store);
  ports.dialogs.runFirstRunWizard(store);
  saveDatabaseOrReport(ports.files, store.settings, store.table, ports.messageBoxes);
}

// The shutdown, in two parts. endSession is what must be done before the
// process may end: hooks removed, database saved, icon removed. finish runs
// it (once) and then releases the rest; the instance mutex goes last, so a
// copy started meanwhile cannot load the file before this save is on disk.
class Shutdown {
 public:
  Shutdown(ManagerPorts& ports, const ManagerSettings& settings, LockTableView& table,
           SectionMapping& raw, KernelHandle tableMutex, HookHostKeeper& hookHost,
           TrayWindow& tray)
      : ports_(ports), settings_(settings), table_(table), raw_(raw), tableMutex_(tableMutex),
        hookHost_(hookHost), tray_(tray) {}

  void endSession() {
    if (sessionEnded_) return;
    sessionEnded_ = true;
    ShellPlatform& system = ports_.system;
    // The 32-bit programs' hooks go first, beside the manager's own.
    hookHost_.stop();
    const std::uint32_t cbt = loadAt<std::uint32_t>(raw_.base + kOffCbtHook);
    const std::uint32_t callWndRet = loadAt<std::uint32_t>(raw_.base + kOffCallWndRetHook);
    if (cbt != 0) system.removeHook(cbt);
    if (callWndRet != 0) system.removeHook(callWndRet);
    // Read back as 0 by a second call; the hooks are gone.
    storeAt<std::uint32_t>(raw_.base + kOffCbtHook, 0);
    storeAt<std::uint32_t>(raw_.base + kOffCallWndRetHook, 0);
    saveDatabaseOrReport(ports_.files, settings_, table_, ports_.messageBoxes);
    system.deleteTrayIcon();
  }

  void finish() {
    endSession();
    if (tableMutex_ != nullptr) ports_.kernel.closeMutex(tableMutex_);
    tray_.stopSessionNotifications();
    ports_.system.destroyTrayWindow();
    table_.close();
    ports_.system.freeGateLibrary();
    ports_.kernel.closeSection(raw_);
    ports_.system.closeInstanceMutex();
  }

 private:
  ManagerPorts& ports_;
  const ManagerSettings& settings_;
  LockTableView& table_;
  SectionMapping& raw_;
  KernelHandle tableMutex_;
  HookHostKeeper& hookHost_;
  TrayWindow& tray_;
  bool sessionEnded_ = false;
};

struct Protection {
  const char* notice = nullptr;  // message box text; null when all is well
  const char* tip = kTrayTip;
};

}  // namespace

int runManager(ManagerPorts& ports) {
  ShellPlatform& system = ports.system;
  KernelObjects& kernel = ports.kernel;

  // 1. Single instance.
  const WindowRef runningTray = system.findTrayWindow();
  if (runningTray != kNoWindow) {
    handOver(system, runningTray);
    return 0;
  }

  // 2. The table mutex, then the instance mutex. A copy that is still before
  // its tray window (first-run wizard, a load) holds the instance mutex: a
  // second full start-up would reset the table under it.
  KernelHandle tableMutex = kernel.createMutex(kTableMutexName, false);
  if (system.createInstanceMutex() == InstanceMutexResult::AlreadyExisted) {
    system.closeInstanceMutex();
    if (tableMutex != nullptr) kernel.closeMutex(tableMutex);
    return 0;
  }

  // 3.-5.
  system.registerAsServiceProcess();
  system.initCommonControls();
  const GateLibraryStatus library = system.loadGateLibrary();

  // 6. Start values of the settings.
  ManagerSettings settings;

  // 7.-9. Both views of the section. Nothing may be written through a view
  // that is not there.
  SectionMapping raw = kernel.openSection(kSectionName, kSectionSize);
  LockTableView table;
  // A start that cannot go on says why and releases what it took so far:
  // nothing has been started yet that would need stopping.
  const auto giveUp = [&](const char* text, const char* caption, int exitCode) {
    ports.messageBoxes.show(text, caption, kBoxOk | kBoxIconError);
    table.close();
    if (raw.handle != nullptr || raw.base != nullptr) kernel.closeSection(raw);
    system.freeGateLibrary();
    if (tableMutex != nullptr) kernel.closeMutex(tableMutex);
    system.closeInstanceMutex();
    return exitCode;
  };
  const bool tableReady = raw.base != nullptr && resetTableHeader(raw.base) && table.open(kernel);
  if (!tableReady) return giveUp(kSectionFailedText, kSectionFailedCaption, kExitSectionFailed);

  // 10.-12. The database, or the first-run path.
  settings.systemPasswordDigest = PasswordDigest{};
  ManagerStore store(kernel, tableMutex, table, settings, ports.files, ports.messageBoxes);
  const LoadResult loaded = loadDatabase(ports.files, settings, table);
  if (loaded == LoadResult::Unreadable) {
    // The file still holds the user's password and locks: a first run here
    // would ask for a new system password and then write over them.
    return giveUp(kLoadFailedText, kLoadFailedCaption, kExitDatabaseUnreadable);
  }
  if (loaded == LoadResult::Missing) runFirstRunPath(ports, store);
  if (isZeroDigest(settings.systemPasswordDigest)) runFirstRunPath(ports, store);

  // 13.-14. The tray window and its icon. The tip tells at a glance when the
  // protection library is missing.
  ManagerWindow managerWindow(ports, store);
  HookHostKeeper hookHost(ports.hookHost);
  TrayWindow tray(system, settings, managerWindow, ports.dialogRunner);
  Shutdown shutdown{ports, settings, table, raw, tableMutex, hookHost, tray};
  // Windows may end the process as soon as the log-off message has been
  // answered: the visible part of the shutdown, the save above all, runs
  // inside it.
  tray.setSessionEndHandler([&shutdown] { shutdown.endSession(); });
  Protection protection;
  if (library != GateLibraryStatus::Loaded) {
    protection.notice = kGateLibraryMissingText;
    protection.tip = kGateLibraryMissingTip;
  }
  tray.setTip(protection.tip);
  system.createTrayWindow(tray);
  system.addTrayIcon(tray.tip());
  // Locking the workstation, a disconnect or sleep end every re-lock period.
  tray.startSessionNotifications();

  // The 32-bit programs' hooks: the hook host installs vkgate32.dll's. It
  // starts just before the manager's own hooks, so that those are the newest
  // in the chain: on Windows the order does not matter (a hook of the other
  // bitness is run in its installer's thread and passes the call on), but
  // Wine runs every hook in the process itself and ends the chain at the
  // first library it cannot load there, so the newest library is the one
  // that always works. From here on the tray timer keeps the host running,
  // and the tip says so while it cannot.
  const bool hostStarted = hookHost.start();

  // 15. The hooks; from here on locks are enforced. Header written without
  // the mutex: the hooks this starts are the only other readers.
  std::uint32_t cbtHook = 0;
  std::uint32_t callWndRetHook = 0;
  if (library == GateLibraryStatus::Loaded) {
    cbtHook = system.installHook(HookKind::WindowActivation);
    storeAt<std::uint32_t>(raw.base + kOffCbtHook, cbtHook);
    callWndRetHook = system.installHook(HookKind::WindowMessageReturn);
    storeAt<std::uint32_t>(raw.base + kOffCallWndRetHook, callWndRetHook);
    if (cbtHook == 0 && callWndRetHook == 0) {
      protection.notice = kHooksFailedText;
      protection.tip = kHooksFailedTip;
    } else if (cbtHook == 0 || callWndRetHook == 0) {
      protection.notice = kHookPartlyFailedText;
      protection.tip = kHookPartlyFailedTip;
    }
    if (protection.notice != nullptr) {
      tray.setTip(protection.tip);
      system.modifyTrayIcon(tray.tip());
    }
  } else {
    storeAt<std::uint32_t>(raw.base + kOffCbtHook, 0);
    storeAt<std::uint32_t>(raw.base + kOffCallWndRetHook, 0);
  }

  std::string notice = protection.notice != nullptr ? protection.notice : "";
  if (!hostStarted) notice += (notice.empty() ? "" : "\n\n") + std::string(kHookHostMissingText);
  // A host started again later puts its hooks on top; the manager's own go
  // on top once more (the new ones first, then the old ones removed, so
  // there is no moment without them). The header is written without the
  // mutex: a library reads it only as it attaches, and only hands the value
  // to CallNextHookEx, which ignores it.
  hookHost.onRestarted([&] {
    const std::size_t offsets[2] = {kOffCbtHook, kOffCallWndRetHook};
    const HookKind kinds[2] = {HookKind::WindowActivation, HookKind::WindowMessageReturn};
    for (int i = 0; i < 2; ++i) {
      const std::uint32_t old = loadAt<std::uint32_t>(raw.base + offsets[i]);
      if (old == 0) continue;  // never installed, or no library
      const std::uint32_t renewed = system.installHook(kinds[i]);
      if (renewed == 0) continue;  // the old one stays
      storeAt<std::uint32_t>(raw.base + offsets[i], renewed);
      system.removeHook(old);
    }
  });
  const std::string tipBefore = tray.tip();
  tray.watchHookHost(&hookHost);
  if (tipBefore != tray.tip()) system.modifyTrayIcon(tray.tip());

  // 16.-17.
  system.startTrayTimer();
  managerWindow.create();
  // Once, and only now: the message box runs a message loop, and from here
  // on the tray window may open the manager window while it is up.
  if (!notice.empty()) {
    ports.messageBoxes.show(notice.c_str(), kNotProtectingCaption, kBoxOk | kBoxIconError);
  }

  // 18.
  const int exitCode = system.runMessageLoop();

  shutdown.finish();
  return exitCode;
}

}  // namespace vk
