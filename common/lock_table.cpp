#include "common/lock_table.h"

namespace vk {

bool LockTableView::open(KernelObjects& kernel, const char* sectionName) {
  close();
  kernel_ = &kernel;
  SectionMapping m = kernel.openSection(sectionName, kSectionSize);
  if (m.base == nullptr) {
    if (m.handle != nullptr) kernel.closeSection(m);
    return false;
  }
  section_ = m.handle;
  base_ = m.base;
  return true;
}

void LockTableView::close() {
  if (kernel_ != nullptr && (base_ != nullptr || section_ != nullptr)) {
    SectionMapping m;
    m.handle = section_;
    m.base = base_;
    kernel_->closeSection(m);
  }
  base_ = nullptr;
  section_ = nullptr;
}

}  // namespace vk
