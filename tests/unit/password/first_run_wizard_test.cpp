#include "manager/password/first_run_wizard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/password_digest.h"
#include "tests/unit/password/password_test_support.h"

namespace vk {
namespace {

using fakes::FakeWizard;
using passwordtest::kWarning;
using passwordtest::User;

class FirstRunWizardTest : public passwordtest::WizardTest {
 protected:
  void run(const User& user) {
    runner.users.push_back(user);
    runFirstRunWizard(store, runner);
  }

  // From page 125 to page 144 with the password typed twice.
  void givePassword(FakeWizard& w, const char* password, const char* again) {
    ASSERT_EQ(kPageFirstRunWelcome, w.current());
    w.next();
    type(w, kPageFirstRunPassword, kIdSystemPasswordBox, password);
    w.next();
    type(w, kPageFirstRunRetype, kIdRetypePasswordBox, again);
    w.next();
  }
  // From page 144 to page 128.
  void giveQuestion(FakeWizard& w, const std::string& question, const std::string& answer) {
    type(w, kPageFirstRunQuestion, kIdSecretQuestionBox, question);
    w.next();
    type(w, kPageFirstRunAnswer, kIdSecretAnswerBox, answer);
    w.next();
  }
  void complete(FakeWizard& w) {
    givePassword(w, "Secret1", "Secret1");
    giveQuestion(w, "First pet?", "Rex");
    ASSERT_EQ(kPageFirstRunDone, w.current());
    ASSERT_TRUE(w.finish());
  }
};

TEST_F(FirstRunWizardTest, RunsSixPagesFromTheWelcomePageWhichCentresTheFrame) {
  run([&](FakeWizard& w) {
    EXPECT_EQ(kPageFirstRunWelcome, w.current());
    EXPECT_TRUE(log.contains("center frame"));
    EXPECT_TRUE(log.contains("frame to foreground"));
  });
  EXPECT_EQ((std::vector<int>{125, 127, 126, 144, 145, 128}), runner.pageIds);
  EXPECT_EQ(0, runner.startIndex);
}

TEST_F(FirstRunWizardTest, ACompleteRunSetsTheThreeSettingsAndWritesNoFile) {
  run([&](FakeWizard& w) {
    complete(w);
    EXPECT_TRUE(w.finished());
    EXPECT_EQ((std::vector<int>{125, 127, 126, 144, 145, 128}), w.visited());
  });
  EXPECT_EQ(digestOf("Secret1"), settings.systemPasswordDigest);
  EXPECT_EQ("First pet?", question());
  EXPECT_EQ(digestOf("rex"), settings.secretAnswerDigest);
  EXPECT_TRUE(pageBoxes.empty());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(0, files.replaceCalls);  // start-up saves after the wizard
}

TEST_F(FirstRunWizardTest, ButtonsAndBackFollowSheetOrder) {
  run([&](FakeWizard& w) {
    complete(w);
    const std::map<int, WizardButtons> expected = {
        {125, WizardButtons::NextOnly},   {127, WizardButtons::BackNext},
        {126, WizardButtons::BackNext},   {144, WizardButtons::BackNext},
        {145, WizardButtons::BackNext},   {128, WizardButtons::BackFinish}};
    EXPECT_EQ(expected, w.buttonsSeen());
  });
  run([&](FakeWizard& w) {
    givePassword(w, "pw", "pw");
    giveQuestion(w, "q", "a");
    for (int expected : {145, 144, 126, 127, 125}) {
      ASSERT_TRUE(w.back());
      EXPECT_EQ(expected, w.current());
    }
    EXPECT_FALSE(w.back());  // not offered on the welcome page
  });
}

// Cancel, Esc and the close box are one notification: refused everywhere.
TEST_F(FirstRunWizardTest, EveryCancelIsRefusedWithTheMessage) {
  run([&](FakeWizard& w) {
    std::vector<int> seen;
    auto cancelHere = [&] {
      const int page = w.current();
      seen.push_back(page);
      pageBoxes.clear();
      ASSERT_TRUE(w.cancel());
      EXPECT_FALSE(w.closed()) << page;
      EXPECT_EQ(page, w.current());
      ASSERT_EQ(1u, pageBoxes.size()) << page;
      EXPECT_EQ(kMustCompleteText, pageBoxes[0].text);
      EXPECT_EQ("Error", pageBoxes[0].caption);
      EXPECT_EQ(kWarning, pageBoxes[0].style);
    };
    cancelHere();
    w.next();
    type(w, 127, kIdSystemPasswordBox, "pw");
    cancelHere();
    w.next();
    type(w, 126, kIdRetypePasswordBox, "pw");
    cancelHere();
    w.next();
    type(w, 144, kIdSecretQuestionBox, "q");
    cancelHere();
    w.next();
    type(w, 145, kIdSecretAnswerBox, "a");
    cancelHere();
    w.next();
    cancelHere();
    EXPECT_EQ((std::vector<int>{125, 127, 126, 144, 145, 128}), seen);
  });
  // Left open, the fake runner cancels once more: still refused, nothing set.
  EXPECT_TRUE(isZeroDigest(settings.systemPasswordDigest));
}

TEST_F(FirstRunWizardTest, RefusedEntriesShowTheirMessageAndKeepOrSendBack) {
  struct Case {
    const char* name;
    User reach;  // types and presses Next on the page under test
    bool ownedByPage;
    std::string text;
    std::string caption;
    int pageAfter;
    int focus;  // on the page under test; 0: not checked
  };
  const std::vector<Case> cases = {
      {"no password",
       [&](FakeWizard& w) {
         w.next();
         w.next();
       },
       false, "You must type a password.", "Invalid Password", 127, kIdSystemPasswordBox},
      // The gate reads 255 characters: a longer password could never be typed back.
      {"password of 256 characters",
       [&](FakeWizard& w) {
         w.next();
         type(w, 127, kIdSystemPasswordBox, std::string(256, 'p'));
         w.next();
       },
       true, kPasswordTooLongText, "Invalid Password", 127, kIdSystemPasswordBox},
      {"retype differs in case",
       [&](FakeWizard& w) { givePassword(w, "Secret", "secret"); }, true,
       "You did not type the same password twice. Please try again.", "Password Error", 127, 0},
      {"retype empty", [&](FakeWizard& w) { givePassword(w, "Secret", ""); }, true,
       "You did not type the same password twice. Please try again.", "Password Error", 127, 0},
      {"no question",
       [&](FakeWizard& w) {
         givePassword(w, "pw", "pw");
         w.next();
       },
       true, "You must type a secret question. Please try again.", "Password Error", 144,
       kIdSecretQuestionBox},
      {"no answer",
       [&](FakeWizard& w) {
         givePassword(w, "pw", "pw");
         type(w, 144, kIdSecretQuestionBox, "q");
         w.next();
         w.next();
       },
       true, "You must type an answer. Please try again.", "Error", 145, kIdSecretAnswerBox},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pageBoxes.clear();
    boxes.shown.clear();
    std::vector<fakes::MessageBoxShown> onPage;
    std::vector<fakes::RecordingMessageBoxes::Box> ownerless;
    run([&](FakeWizard& w) {
      c.reach(w);
      EXPECT_EQ(c.pageAfter, w.current());
      if (c.focus != 0) {
        EXPECT_EQ(c.focus, w.page(c.pageAfter).focus());
      }
      onPage = pageBoxes;
      ownerless = boxes.shown;
    });
    std::string text, caption;
    unsigned style = 0;
    if (c.ownedByPage) {
      ASSERT_EQ(1u, onPage.size());
      EXPECT_TRUE(ownerless.empty());
      text = onPage[0].text, caption = onPage[0].caption, style = onPage[0].style;
    } else {
      ASSERT_EQ(1u, ownerless.size());
      EXPECT_TRUE(onPage.empty());
      text = ownerless[0].text, caption = ownerless[0].caption, style = ownerless[0].style;
    }
    EXPECT_EQ(c.text, text);
    EXPECT_EQ(c.caption, caption);
    EXPECT_EQ(kWarning, style);
  }
}

TEST_F(FirstRunWizardTest, APasswordOf255CharactersIsSetAndTheGateReadsItWhole) {
  const std::string longest(255, 'p');
  run([&](FakeWizard& w) {
    givePassword(w, longest.c_str(), longest.c_str());
    giveQuestion(w, "q", "a");
    w.finish();
  });
  EXPECT_TRUE(pageBoxes.empty());
  EXPECT_EQ(digestOf(longest.c_str()), settings.systemPasswordDigest);
  // What the gate reads back with its 256-byte buffer matches.
  char typed[256];
  std::snprintf(typed, sizeof typed, "%s", longest.c_str());
  EXPECT_TRUE(passwordMatches(typed, settings.systemPasswordDigest));
}

TEST_F(FirstRunWizardTest, AMismatchKeepsTheFirstPasswordInItsBoxAndTheNextTryCounts) {
  run([&](FakeWizard& w) {
    givePassword(w, "Secret", "SECRET");
    ASSERT_EQ(kPageFirstRunPassword, w.current());
    EXPECT_EQ("Secret", w.page(kPageFirstRunPassword).itemText(kIdSystemPasswordBox));
    type(w, 127, kIdSystemPasswordBox, "Other");
    w.next();
    type(w, 126, kIdRetypePasswordBox, "Other");
    w.next();
    giveQuestion(w, "q", "a");
    w.finish();
  });
  EXPECT_EQ(digestOf("Other"), settings.systemPasswordDigest);
}

TEST_F(FirstRunWizardTest, TheAnswerIsDigestedAfterFoldingOnlyAsciiCapitals) {
  const struct {
    const char* typed;
    const char* digested;
  } cases[] = {{"Rex", "rex"}, {"REX", "rex"}, {"rex", "rex"}, {"Z-9 a", "z-9 a"},
               {"\xC4Rger", "\xC4rger"}};  // a capital outside A to Z keeps its case
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    run([&](FakeWizard& w) {
      givePassword(w, "pw", "pw");
      giveQuestion(w, "q", c.typed);
      w.finish();
    });
    EXPECT_EQ(digestOf(c.digested), settings.secretAnswerDigest);
  }
}

TEST_F(FirstRunWizardTest, QuestionAndAnswerAreSetOnNextThePasswordOnlyAtFinish) {
  run([&](FakeWizard& w) {
    givePassword(w, "pw", "pw");
    EXPECT_EQ("NONE", question());
    type(w, 144, kIdSecretQuestionBox, "Where was I born?\r\nTown only");
    w.next();
    EXPECT_EQ("Where was I born?\r\nTown only", question());
    EXPECT_TRUE(isZeroDigest(settings.secretAnswerDigest));
    type(w, 145, kIdSecretAnswerBox, "Oslo");
    w.next();
    EXPECT_EQ(digestOf("oslo"), settings.secretAnswerDigest);
    EXPECT_TRUE(isZeroDigest(settings.systemPasswordDigest));
    // Back to the answer, a new one replaces the digest.
    w.back();
    type(w, 145, kIdSecretAnswerBox, "Bergen");
    w.next();
    EXPECT_EQ(digestOf("bergen"), settings.secretAnswerDigest);
    EXPECT_TRUE(isZeroDigest(settings.systemPasswordDigest));
    w.finish();
  });
  EXPECT_EQ(digestOf("pw"), settings.systemPasswordDigest);
}

// The boxes are read up to 999 characters, which SecretQuestion holds whole.
TEST_F(FirstRunWizardTest, ALongQuestionIsKeptToTheBoxLimit) {
  run([&](FakeWizard& w) {
    givePassword(w, "pw", "pw");
    giveQuestion(w, std::string(999, 'q') + "TAIL", "a");
    w.finish();
  });
  EXPECT_EQ(std::string(999, 'q'), question());
}

}  // namespace
}  // namespace vk
