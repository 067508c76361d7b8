#include "manager/shell/manager_startup.h"

#include <cstring>

#include "common/lock_table.h"
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
  const bool tableReady = raw.base != nullptr && resetTableHeader(raw.base) && table.open(kernel);
  if (!tableReady) {
    ports.messageBoxes.show(kSectionFailedText, kSectionFailedCaption, kBoxOk | kBoxIconError);
    table.close();
    if (raw.handle != nullptr || raw.base != nullptr) kernel.closeSection(raw);
    system.freeGateLibrary();
    if (tableMutex != nullptr) kernel.closeMutex(tableMutex);
    system.closeInstanceMutex();
    return kExitSectionFailed;
  }

  // 10.-12. The database, or the first-run path.
  settings.systemPasswordDigest = PasswordDigest{};
  ManagerStore store(kernel, tableMutex, table, settings, ports.files, ports.messageBoxes);
  if (!loadDatabase(ports.files, settings, table)) runFirstRunPath(ports, store);
  if (isZeroDigest(settings.systemPasswordDigest)) runFirstRunPath(ports, store);

  // 13.-14. The tray window and its icon. The tip tells at a glance when the
  // protection library is missing.
  ManagerWindow managerWindow(ports, store);
  TrayWindow tray(system, settings, managerWindow, ports.dialogRunner);
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

  // 16.-17.
  system.startTrayTimer();
  managerWindow.create();
  // Once, and only now: the message box runs a message loop, and from here
  // on the tray window may open the manager window while it is up.
  if (protection.notice != nullptr) {
    ports.messageBoxes.show(protection.notice, kNotProtectingCaption, kBoxOk | kBoxIconError);
  }

  // 18.
  const int exitCode = system.runMessageLoop();

  // Shutdown.
  const std::uint32_t installedCbt = loadAt<std::uint32_t>(raw.base + kOffCbtHook);
  const std::uint32_t installedCallWndRet = loadAt<std::uint32_t>(raw.base + kOffCallWndRetHook);
  if (installedCbt != 0) system.removeHook(installedCbt);
  if (installedCallWndRet != 0) system.removeHook(installedCallWndRet);
  if (tableMutex != nullptr) kernel.closeMutex(tableMutex);
  system.closeInstanceMutex();
  saveDatabaseOrReport(ports.files, settings, table, ports.messageBoxes);
  system.deleteTrayIcon();
  tray.stopSessionNotifications();
  system.destroyTrayWindow();
  table.close();
  system.freeGateLibrary();
  kernel.closeSection(raw);
  return exitCode;
}

}  // namespace vk
