// Shared set-up of the password wizard tests: a store on in-memory files and
// an in-memory wizard sheet, with every box a page shows kept in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/fakes/event_log.h"
#include "tests/fakes/fake_wizard.h"
#include "tests/unit/store/store_test_support.h"

namespace vk {
namespace passwordtest {

using fakes::FakeWizard;
using User = std::function<void(FakeWizard&)>;

constexpr unsigned kWarning = kBoxOk | kBoxIconWarning;

class WizardTest : public storetest::StoreTest {
 protected:
  WizardTest() {
    runner.onMessageBox = [this](const fakes::MessageBoxShown& box) { pageBoxes.push_back(box); };
  }

  void type(FakeWizard& w, int page, int id, const std::string& text) {
    ASSERT_EQ(page, w.current());
    w.page(page).setItemText(id, text.c_str());
  }

  std::string question() const { return settings.secretQuestion; }

  fakes::EventLog log;
  fakes::FakeWizardFrame frame{log};
  fakes::FakeWizardRunner runner{frame};
  std::vector<fakes::MessageBoxShown> pageBoxes;  // boxes owned by a page, in order
};

}  // namespace passwordtest
}  // namespace vk
