// The boxes that set passwords and the boxes that check them, end to end: a
// password must be checkable exactly as it was set. Every password box of
// both deliverables treats typed characters alike (no OEM conversion, which on
// Windows turns characters outside the OEM code page into others; Wine does
// not implement it, so the resource styles are checked), and no box sets a
// password longer than the 255 characters the gate and the prompt read.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/password_digest.h"
#include "product.h"

namespace vk {
namespace {

using e2e::ManagerSession;

// ---- dialog templates, read as the dialog manager reads them ------------------------

struct EditBox {
  int dialog;
  int id;
  DWORD style;
};

class TemplateReader {
 public:
  TemplateReader(const unsigned char* data, std::size_t size) : p_(data), end_(data + size) {}

  bool ok() const { return ok_; }
  WORD word() { return take<WORD>(); }
  DWORD dword() { return take<DWORD>(); }
  void align(std::size_t to, const unsigned char* base) {
    while (static_cast<std::size_t>(p_ - base) % to != 0) ++p_;
  }
  // sz_Or_Ord: 0 (none), 0xFFFF and an ordinal, or a NUL-terminated UTF-16 text.
  // Returns the ordinal, or 0 for a text or none.
  WORD nameOrOrdinal() {
    const WORD first = word();
    if (first == 0) return 0;
    if (first == 0xFFFF) return word();
    while (ok_ && word() != 0) {
    }
    return 0;
  }
  void text() {
    while (ok_ && word() != 0) {
    }
  }
  void skip(std::size_t n) {
    if (static_cast<std::size_t>(end_ - p_) < n) {
      ok_ = false;
      p_ = end_;
      return;
    }
    p_ += n;
  }
  const unsigned char* at() const { return p_; }

 private:
  template <typename T>
  T take() {
    T v{};
    if (static_cast<std::size_t>(end_ - p_) < sizeof v) {
      ok_ = false;
      p_ = end_;
      return v;
    }
    std::memcpy(&v, p_, sizeof v);
    p_ += sizeof v;
    return v;
  }

  const unsigned char* p_;
  const unsigned char* end_;
  bool ok_ = true;
};

constexpr WORD kEditClassOrdinal = 0x0081;

// The edit controls of one dialog template, DIALOG or DIALOGEX.
bool editBoxesOf(int dialogId, const unsigned char* data, std::size_t size, std::vector<EditBox>& out) {
  TemplateReader in(data, size);
  const bool extended = size >= 4 && reinterpret_cast<const WORD*>(data)[1] == 0xFFFF;
  DWORD style = 0;
  WORD count = 0;
  if (extended) {
    in.word();   // dlgVer
    in.word();   // signature
    in.dword();  // helpID
    in.dword();  // exStyle
    style = in.dword();
  } else {
    style = in.dword();
    in.dword();  // dwExtendedStyle
  }
  count = in.word();
  in.skip(4 * sizeof(WORD));  // x, y, cx, cy
  in.nameOrOrdinal();         // menu
  in.nameOrOrdinal();         // class
  in.text();                  // title
  if ((style & DS_SETFONT) != 0) {
    in.word();  // point size
    if (extended) {
      in.word();  // weight
      in.skip(2);  // italic, charset
    }
    in.text();  // typeface
  }
  for (WORD i = 0; i < count && in.ok(); ++i) {
    in.align(4, data);
    DWORD itemStyle = 0;
    DWORD id = 0;
    if (extended) {
      in.dword();  // helpID
      in.dword();  // exStyle
      itemStyle = in.dword();
      in.skip(4 * sizeof(WORD));
      id = in.dword();
    } else {
      itemStyle = in.dword();
      in.dword();  // exStyle
      in.skip(4 * sizeof(WORD));
      id = in.word();
    }
    const WORD classOrdinal = in.nameOrOrdinal();
    in.nameOrOrdinal();  // title
    const WORD extra = in.word();
    in.skip(extra);
    if (classOrdinal == kEditClassOrdinal) out.push_back({dialogId, static_cast<int>(id), itemStyle});
  }
  return in.ok();
}

BOOL CALLBACK collectDialogIds(HMODULE, LPCSTR, LPSTR name, LONG_PTR into) {
  if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<int>*>(into)->push_back(static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
  return TRUE;
}

// Every password box (ES_PASSWORD) of a module's dialogs, by (dialog, id).
std::map<std::pair<int, int>, DWORD> passwordBoxesOf(const std::string& file) {
  std::map<std::pair<int, int>, DWORD> boxes;
  HMODULE module = ::LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_NE(module, nullptr) << file;
  if (module == nullptr) return boxes;
  std::vector<int> ids;
  ::EnumResourceNamesA(module, MAKEINTRESOURCEA(5), collectDialogIds, reinterpret_cast<LONG_PTR>(&ids));  // RT_DIALOG
  for (int id : ids) {
    HRSRC r = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    const auto* data = static_cast<const unsigned char*>(::LockResource(::LoadResource(module, r)));
    std::vector<EditBox> edits;
    EXPECT_TRUE(editBoxesOf(id, data, ::SizeofResource(module, r), edits)) << file << " dialog " << id;
    for (const EditBox& e : edits) {
      if ((e.style & ES_PASSWORD) != 0) boxes[{e.dialog, e.id}] = e.style;
    }
  }
  ::FreeLibrary(module);
  return boxes;
}

TEST(PasswordBoxes, EveryBoxThatSetsOrChecksAPasswordTakesTypedCharactersAsTheyAre) {
  // What changes typed characters: OEM conversion above all, and forced case.
  constexpr DWORD kConverting = ES_OEMCONVERT | ES_UPPERCASE | ES_LOWERCASE;
  const auto manager = passwordBoxesOf(e2e::siblingPath("vkmanager.exe"));
  const auto gate = passwordBoxesOf(e2e::siblingPath("vkgate.dll"));

  // The boxes that must be there: the gate and the prompt check; the wizards'
  // pages and Edit Lock set.
  const std::vector<std::pair<int, int>> managerBoxes = {
      {101, 1004},                  // system password gate
      {127, 1004}, {126, 1021},     // first-run: password, retype
      {138, 1004}, {139, 1004},     // New Lock: password, again
      {146, 1004}, {146, 1021}};    // Edit Lock: password, again
  for (const auto& box : managerBoxes) {
    EXPECT_EQ(manager.count(box), 1u) << "vkmanager.exe dialog " << box.first << " has no password box " << box.second;
  }
  EXPECT_EQ(gate.count({101, 1000}), 1u) << "vkgate.dll: no lock prompt password box";

  for (const auto& box : manager) {
    EXPECT_EQ(box.second & kConverting, 0u) << "vkmanager.exe dialog " << box.first.first << " box "
                                            << box.first.second << " converts what is typed";
  }
  for (const auto& box : gate) {
    EXPECT_EQ(box.second & kConverting, 0u) << "vkgate.dll dialog " << box.first.first << " box "
                                            << box.first.second << " converts what is typed";
  }
}

// ---- the length, end to end -----------------------------------------------------------

constexpr const char* kTooLongText = "The password is too long. A password can have at most 255 characters.";
constexpr const char* kInvalidPasswordCaption = "Invalid Password";

class PasswordLengthTest : public ManagerSession {};

TEST_F(PasswordLengthTest, AThreeHundredCharacterPasswordIsRefusedAnd255AreSetAndTypedBack) {
  ::DeleteFileA(databasePath_.c_str());
  HWND wizard = startIntoFirstRun();
  ASSERT_NE(wizard, nullptr) << "no first-run wizard without \"vk2.dat\"";
  ASSERT_NE(e2e::waitForPage(wizard, e2e::kPageWelcome), nullptr);
  HWND page = e2e::nextTo(wizard, e2e::kPageNewPassword, "");
  ASSERT_NE(page, nullptr);

  // 300 characters: refused on the spot, the wizard stays on its page.
  const std::string tooLong(300, 'k');
  ASSERT_TRUE(::SetDlgItemTextA(page, e2e::kPasswordBox, tooLong.c_str()));
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
  HWND box = e2e::waitForShown(manager_.id(), e2e::kDialogClass, kInvalidPasswordCaption, kTooLongText);
  ASSERT_NE(box, nullptr) << "a 300-character system password was not refused";
  e2e::screenshot(box, "password_too_long");
  e2e::pressButton(box, IDOK);
  ASSERT_TRUE(e2e::gone(box));
  EXPECT_EQ(e2e::currentPage(wizard), e2e::kPageNewPassword);

  // 255 characters: the most the gate reads, set and then typed back.
  std::string longest;
  for (int i = 0; i < 255; ++i) longest += static_cast<char>('a' + i % 26);
  const std::string password = longest;
  // completeFirstRun starts from the welcome page.
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_BACK, 0);
  ASSERT_NE(e2e::waitForPage(wizard, e2e::kPageWelcome), nullptr);
  ASSERT_NO_FATAL_FAILURE(completeFirstRun(wizard, password.c_str(), "Longest?", "Yes"));
  std::vector<unsigned char> file;
  ASSERT_TRUE(e2e::readWholeFile(databasePath_, file));
  ASSERT_GE(file.size(), 20u);
  EXPECT_EQ(std::memcmp(file.data(), digestOf(password.c_str()).bytes, 20), 0);
  ASSERT_NO_FATAL_FAILURE(passGate(password.c_str()));

  // A lock's password is held to the same limit.
  HWND newLock = openNewLockWizard();
  ASSERT_NE(newLock, nullptr);
  ASSERT_NE(e2e::waitForPage(newLock, e2e::kPageMethod), nullptr);
  HWND method = reinterpret_cast<HWND>(e2e::ask(newLock, PSM_GETCURRENTPAGEHWND, 0, 0));
  e2e::click(method, e2e::kTypeTitleRadio);
  HWND typed = e2e::nextTo(newLock, e2e::kPageTyped, "");
  ASSERT_NE(typed, nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(typed, e2e::kTitleBox, "Long Password Window"));
  ASSERT_NE(e2e::nextTo(newLock, e2e::kPageProtect, ""), nullptr);
  HWND lockPassword = e2e::nextTo(newLock, e2e::kPagePassword, "");
  ASSERT_NE(lockPassword, nullptr);
  ASSERT_TRUE(::SetDlgItemTextA(lockPassword, e2e::kPasswordBox, tooLong.c_str()));
  ::PostMessageA(newLock, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
  box = e2e::waitForShown(manager_.id(), e2e::kDialogClass, kInvalidPasswordCaption, kTooLongText);
  ASSERT_NE(box, nullptr) << "a 300-character lock password was not refused";
  e2e::pressButton(box, IDOK);
  ASSERT_TRUE(e2e::gone(box));
  EXPECT_EQ(e2e::currentPage(newLock), e2e::kPagePassword);
  ::PostMessageA(newLock, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  EXPECT_TRUE(e2e::gone(newLock));
  EXPECT_EQ(recordCount(), 0u);
}

}  // namespace
}  // namespace vk
