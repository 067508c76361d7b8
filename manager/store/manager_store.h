// What the manager's store operations work on: the shared table with its
// mutex, the settings, the files and the owner-less message boxes. The shell
// builds one at start-up and hands it to the steps.
#pragma once

#include "common/lock_table.h"
#include "manager/store/manager_settings.h"
#include "platform/database_files.h"
#include "platform/kernel_objects.h"
#include "platform/message_box.h"

namespace vk {

struct ManagerStore {
  ManagerStore(KernelObjects& kernelObjects, KernelHandle tableMutexHandle,
               const LockTableView& managerTableView, ManagerSettings& managerSettings,
               DatabaseFiles& databaseFiles, MessageBoxes& ownerlessBoxes)
      : kernel(kernelObjects),
        tableMutex(tableMutexHandle),
        table(managerTableView),
        settings(managerSettings),
        files(databaseFiles),
        messageBoxes(ownerlessBoxes) {}

  KernelObjects& kernel;
  KernelHandle tableMutex;     // TableMutex, the manager's handle of "Vantak"
  const LockTableView& table;  // ManagerTableView
  ManagerSettings& settings;
  DatabaseFiles& files;
  MessageBoxes& messageBoxes;  // boxes with no owner window
  // Set by the first import of this process, so a second call on the same
  // start-up does not append the same locks again when "vk.dat" was kept.
  bool olderDatabaseImported = false;
};

}  // namespace vk
