#include "manager/password/change_password_wizard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/password_digest.h"
#include "manager/shell/manager_window.h"
#include "manager/shell/password_gate.h"
#include "manager/store/database_file.h"
#include "tests/unit/password/password_test_support.h"

namespace vk {
namespace {

using fakes::FakeWizard;
using passwordtest::kWarning;
using passwordtest::User;

class ChangePasswordWizardTest : public passwordtest::WizardTest {
 protected:
  ChangePasswordWizardTest() {
    settings.systemPasswordDigest = digestOf("Old-pw");
    setSecretQuestion(settings, "First pet?");
    settings.secretAnswerDigest = digestOf("rex");
    EXPECT_TRUE(saveDatabase(files, settings, table));
    savedFile = files.files[vk2Path()];
    files.replaceCalls = 0;
    before = settings;
  }

  void run(int startIndex, const User& user) {
    runner.users.push_back(user);
    runChangePasswordWizard(store, runner, startIndex);
  }

  // From page 149 or 148 to page 150.
  void prove(FakeWizard& w) {
    if (w.current() == kPageChangeCurrent) {
      type(w, kPageChangeCurrent, kIdSystemPasswordBox, "Old-pw");
    } else {
      type(w, kPageChangeQuestion, kIdSecretAnswerBox, "Rex");
    }
    w.next();
  }
  // From page 150 to page 152.
  void givePassword(FakeWizard& w, const char* password, const char* again) {
    type(w, kPageChangeNewPassword, kIdSystemPasswordBox, password);
    w.next();
    type(w, kPageChangeRetype, kIdRetypePasswordBox, again);
    w.next();
  }
  // From page 152 to page 201.
  void giveQuestion(FakeWizard& w, const std::string& question, const std::string& answer) {
    type(w, kPageChangeNewQuestion, kIdSecretQuestionBox, question);
    w.next();
    type(w, kPageChangeNewAnswer, kIdSecretAnswerBox, answer);
    w.next();
  }
  // From the start page to page 201.
  void reachConfirm(FakeWizard& w) {
    prove(w);
    givePassword(w, "New-pw", "New-pw");
    giveQuestion(w, "Best teacher?", "Mrs Lund");
    ASSERT_EQ(kPageChangeConfirm, w.current());
  }

  bool settingsUnchanged() const {
    return settings.systemPasswordDigest == before.systemPasswordDigest &&
           settings.secretAnswerDigest == before.secretAnswerDigest &&
           std::strcmp(settings.secretQuestion, before.secretQuestion) == 0;
  }
  bool fileUnchanged() const {
    return files.replaceCalls == 0 && files.files.at(vk2Path()) == savedFile;
  }

  storetest::Bytes savedFile;
  ManagerSettings before;
};

TEST_F(ChangePasswordWizardTest, RunsEightPagesFromTheIndexItIsGiven) {
  struct Case {
    int startIndex;
    int firstPage;
  };
  for (const Case& c : {Case{kChangePasswordStartPage, 149}, Case{kRecoveryStartPage, 148}}) {
    SCOPED_TRACE(c.startIndex);
    log.events.clear();
    run(c.startIndex, [&](FakeWizard& w) {
      EXPECT_EQ(c.firstPage, w.current());
      EXPECT_TRUE(log.contains("center frame"));
      EXPECT_EQ(WizardButtons::NextOnly, w.buttons());
    });
    EXPECT_EQ((std::vector<int>{147, 148, 149, 150, 151, 152, 153, 201}), runner.pageIds);
    EXPECT_EQ(c.startIndex, runner.startIndex);
  }
}

TEST_F(ChangePasswordWizardTest, TheQuestionPageShowsTheStoredQuestion) {
  run(kRecoveryStartPage, [&](FakeWizard& w) {
    EXPECT_EQ("First pet?", w.page(kPageChangeQuestion).itemText(kIdSecretQuestionBox));
  });
}

// Each proof leads past the other one; the choice page, which no caller
// starts on, picks between them.
TEST_F(ChangePasswordWizardTest, EachPathAsksOnlyItsOwnProof) {
  struct Case {
    const char* name;
    int startIndex;
    User choose;
    std::vector<int> visited;
  };
  const std::vector<Case> cases = {
      {"known password", kChangePasswordStartPage, nullptr, {149, 150, 151, 152, 153, 201}},
      {"forgotten password", kRecoveryStartPage, nullptr, {148, 150, 151, 152, 153, 201}},
      {"choice: remember", 0, [](FakeWizard& w) { w.next(); }, {147, 149, 150, 151, 152, 153, 201}},
      {"choice: forgot", 0,
       [](FakeWizard& w) {
         w.page(kPageChangeChoice).setChecked(kIdRememberPasswordRadio, false);
         w.page(kPageChangeChoice).setChecked(kIdForgotPasswordRadio, true);
         w.next();
       },
       {147, 148, 150, 151, 152, 153, 201}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    settings = before;  // the proofs of the fixture, whatever the last case set
    run(c.startIndex, [&](FakeWizard& w) {
      if (c.choose) {
        EXPECT_TRUE(w.page(kPageChangeChoice).isChecked(kIdRememberPasswordRadio));
        c.choose(w);
      }
      reachConfirm(w);
      EXPECT_EQ(c.visited, w.visited());
      EXPECT_TRUE(w.finish());
    });
    EXPECT_TRUE(pageBoxes.empty());
    EXPECT_TRUE(boxes.shown.empty());
  }
}

TEST_F(ChangePasswordWizardTest, ButtonsCloseTheWayBackToTheProof) {
  run(kChangePasswordStartPage, [&](FakeWizard& w) {
    reachConfirm(w);
    const std::map<int, WizardButtons> expected = {
        {149, WizardButtons::NextOnly}, {150, WizardButtons::NextOnly},
        {151, WizardButtons::BackNext}, {152, WizardButtons::BackNext},
        {153, WizardButtons::BackNext}, {201, WizardButtons::BackFinish}};
    EXPECT_EQ(expected, w.buttonsSeen());
    for (int expectedPage : {153, 152, 151, 150}) {
      ASSERT_TRUE(w.back());
      EXPECT_EQ(expectedPage, w.current());
    }
    EXPECT_FALSE(w.back());
  });
  run(kRecoveryStartPage, [&](FakeWizard& w) { EXPECT_FALSE(w.back()); });
}

TEST_F(ChangePasswordWizardTest, TheSecretAnswerIsAcceptedInAnyLetterCase) {
  for (const char* answer : {"rex", "REX", "Rex", "rEx"}) {
    SCOPED_TRACE(answer);
    run(kRecoveryStartPage, [&](FakeWizard& w) {
      type(w, kPageChangeQuestion, kIdSecretAnswerBox, answer);
      w.next();
      EXPECT_EQ(kPageChangeNewPassword, w.current());
    });
  }
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ChangePasswordWizardTest, RefusedEntriesShowTheirMessageAndKeepOrSendBack) {
  struct Case {
    const char* name;
    int startIndex;
    User act;  // reaches the page under test, types and presses Next
    bool ownedByPage;
    std::string text;
    std::string caption;
    int pageAfter;
    int focus;            // 0: not checked
    int emptiedBox;       // a box that must be empty afterwards; 0: none
  };
  const std::vector<Case> cases = {
      {"no answer", kRecoveryStartPage, [](FakeWizard& w) { w.next(); }, false,
       "You must type an answer.", "Invalid Answer", 148, kIdSecretAnswerBox, 0},
      {"wrong answer", kRecoveryStartPage,
       [&](FakeWizard& w) {
         type(w, 148, kIdSecretAnswerBox, "Rexx");
         w.next();
       },
       false, "Your answer is incorrect. Please try again", "Invalid Answer", 148,
       kIdSecretAnswerBox, kIdSecretAnswerBox},
      {"no current password", kChangePasswordStartPage, [](FakeWizard& w) { w.next(); }, true,
       "You must enter a password. Please try again.", "Password Error", 149,
       kIdSystemPasswordBox, 0},
      {"current password in another case", kChangePasswordStartPage,
       [&](FakeWizard& w) {
         type(w, 149, kIdSystemPasswordBox, "old-pw");
         w.next();
       },
       false, "Your password is incorrect. Please try again", "Invalid Password", 149,
       kIdSystemPasswordBox, kIdSystemPasswordBox},
      {"no new password", kChangePasswordStartPage,
       [&](FakeWizard& w) {
         prove(w);
         w.next();
       },
       false, "You must type a password.", "Invalid Password", 150, kIdSystemPasswordBox, 0},
      {"retype differs in case", kChangePasswordStartPage,
       [&](FakeWizard& w) {
         prove(w);
         givePassword(w, "New-pw", "new-pw");
       },
       true, "You did not type the same password twice. Please try again.", "Password Error",
       150, 0, 0},
      {"no new question", kChangePasswordStartPage,
       [&](FakeWizard& w) {
         prove(w);
         givePassword(w, "pw", "pw");
         // The page starts empty although a question is stored.
         EXPECT_EQ("", w.page(kPageChangeNewQuestion).itemText(kIdSecretQuestionBox));
         w.next();
       },
       true, "You must type a secret question. Please try again.", "Password Error", 152,
       kIdSecretQuestionBox, 0},
      {"no new answer", kChangePasswordStartPage,
       [&](FakeWizard& w) {
         prove(w);
         givePassword(w, "pw", "pw");
         type(w, 152, kIdSecretQuestionBox, "q");
         w.next();
         w.next();
       },
       true, "You must type an answer. Please try again.", "Error", 153, kIdSecretAnswerBox, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pageBoxes.clear();
    boxes.shown.clear();
    run(c.startIndex, [&](FakeWizard& w) {
      c.act(w);
      EXPECT_EQ(c.pageAfter, w.current());
      if (c.focus != 0) {
        EXPECT_EQ(c.focus, w.page(c.pageAfter).focus());
      }
      if (c.emptiedBox != 0) {
        EXPECT_EQ("", w.page(c.pageAfter).itemText(c.emptiedBox));
      }
    });
    const bool onPage = c.ownedByPage;
    ASSERT_EQ(onPage ? 1u : 0u, pageBoxes.size());
    ASSERT_EQ(onPage ? 0u : 1u, boxes.shown.size());
    const std::string text = onPage ? pageBoxes[0].text : boxes.shown[0].text;
    const std::string caption = onPage ? pageBoxes[0].caption : boxes.shown[0].caption;
    const unsigned style = onPage ? pageBoxes[0].style : boxes.shown[0].style;
    EXPECT_EQ(c.text, text);
    EXPECT_EQ(c.caption, caption);
    EXPECT_EQ(kWarning, style);
    EXPECT_TRUE(settingsUnchanged());
  }
}

// No limit, no delay: the third try after two wrong ones gets through.
TEST_F(ChangePasswordWizardTest, WrongTriesAreNotCounted) {
  run(kChangePasswordStartPage, [&](FakeWizard& w) {
    for (const char* wrong : {"x", "Old-PW", "Old-pw "}) {
      type(w, 149, kIdSystemPasswordBox, wrong);
      w.next();
    }
    prove(w);
    EXPECT_EQ(kPageChangeNewPassword, w.current());
  });
  EXPECT_EQ(3u, boxes.shown.size());
}

TEST_F(ChangePasswordWizardTest, CancelOnAnyPageChangesNothingInMemoryOrInTheFile) {
  for (int page : {148, 149, 150, 151, 152, 153, 201}) {
    SCOPED_TRACE(page);
    const int start = page == 148 ? kRecoveryStartPage : kChangePasswordStartPage;
    run(start, [&](FakeWizard& w) {
      if (page >= 150) prove(w);
      if (page >= 151) {
        type(w, 150, kIdSystemPasswordBox, "New-pw");
        w.next();
      }
      if (page >= 152) {
        type(w, 151, kIdRetypePasswordBox, "New-pw");
        w.next();
      }
      if (page >= 153) {
        type(w, 152, kIdSecretQuestionBox, "Other?");
        w.next();
      }
      if (page == 201) {
        type(w, 153, kIdSecretAnswerBox, "other");
        w.next();
      }
      ASSERT_EQ(page, w.current());
      ASSERT_TRUE(w.cancel());
      EXPECT_TRUE(w.closed());
      EXPECT_FALSE(w.finished());
    });
    EXPECT_TRUE(settingsUnchanged());
    EXPECT_TRUE(fileUnchanged());
    EXPECT_TRUE(pageBoxes.empty());
  }
}

TEST_F(ChangePasswordWizardTest, FinishReplacesTheThreeSettingsTogetherAndSaves) {
  run(kRecoveryStartPage, [&](FakeWizard& w) {
    prove(w);
    givePassword(w, "New-pw", "New-pw");
    giveQuestion(w, "Best teacher?\r\nSurname", "Mrs LUND");
    // Everything is typed, nothing is stored yet.
    EXPECT_TRUE(settingsUnchanged());
    EXPECT_TRUE(fileUnchanged());
    ASSERT_TRUE(w.finish());
  });
  EXPECT_EQ(digestOf("New-pw"), settings.systemPasswordDigest);
  EXPECT_EQ("Best teacher?\r\nSurname", question());
  EXPECT_EQ(digestOf("mrs lund"), settings.secretAnswerDigest);
  EXPECT_EQ(1, files.replaceCalls);

  ManagerSettings reread;
  const storetest::Bytes& image = files.files.at(vk2Path());
  decodeDatabase(image.data(), image.size(), reread, table);
  EXPECT_EQ(digestOf("New-pw"), reread.systemPasswordDigest);
  EXPECT_STREQ("Best teacher?\r\nSurname", reread.secretQuestion);
  EXPECT_EQ(digestOf("mrs lund"), reread.secretAnswerDigest);

  // The new answer now opens the recovery path, in any case; the old one does not.
  run(kRecoveryStartPage, [&](FakeWizard& w) {
    type(w, 148, kIdSecretAnswerBox, "Rex");
    w.next();
    EXPECT_EQ(148, w.current());
    type(w, 148, kIdSecretAnswerBox, "MRS lund");
    w.next();
    EXPECT_EQ(150, w.current());
  });
}

TEST_F(ChangePasswordWizardTest, GoingBackAndRetypingReplacesWhatFinishStores) {
  run(kChangePasswordStartPage, [&](FakeWizard& w) {
    reachConfirm(w);
    w.back();
    type(w, 153, kIdSecretAnswerBox, "Second");
    w.next();
    w.back();
    w.back();
    type(w, 152, kIdSecretQuestionBox, "Second question?");
    w.next();
    w.next();
    ASSERT_TRUE(w.finish());
  });
  EXPECT_EQ("Second question?", question());
  EXPECT_EQ(digestOf("second"), settings.secretAnswerDigest);
  EXPECT_EQ(digestOf("New-pw"), settings.systemPasswordDigest);
}

TEST_F(ChangePasswordWizardTest, AFailedSaveIsReportedAndTheNewValuesStayInMemory) {
  files.createFails = true;
  run(kChangePasswordStartPage, [&](FakeWizard& w) {
    reachConfirm(w);
    EXPECT_TRUE(w.finish());
  });
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ(kSaveFailedText, boxes.shown[0].text);
  EXPECT_EQ(digestOf("New-pw"), settings.systemPasswordDigest);
  EXPECT_EQ(savedFile, files.files.at(vk2Path()));
}

}  // namespace
}  // namespace vk
