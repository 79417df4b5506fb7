// The reader's place: held output still goes to the end of the text but leaves the caret, the
// selection and the rows shown; past 2^31 units output goes to the end too.
#include <gtest/gtest.h>

#include <richedit.h>

#include <climits>
#include <string>
#include <utility>

#include "tests/session/SessionFixture.h"
#include "view/TextViewMessages.h"

namespace {

class FollowOutput : public cSessionTest {
protected:
  std::pair<DWORD, DWORD> Sel() const {
    DWORD start = 0, end = 0;
    Output().WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  void Select(int start, int end) const { Output().WPerform(EM_SETSEL, static_cast<WPARAM>(start), end); }
  LRESULT Top() const { return Output().WPerform(EM_GETFIRSTVISIBLELINE, 0, 0); }
  DWORD Length() const { return static_cast<DWORD>(Output().WPerform(WM_GETTEXTLENGTH, 0, 0)); }
  void Switch() {
    bool checked = false;
    form_->ViewFollowOutput(true, checked);
  }
};

TEST_F(FollowOutput, HeldOutputLeavesTheReadersPlace) {
  OpenChild({L"sleep"});
  form_->RenderOutput(std::wstring(300, L'\n'));
  Select(7, 12);
  Output().WPerform(EM_SCROLLCARET, 0, 0);
  const LRESULT top = Top();
  Switch();
  bool checked = false;
  form_->ViewCrRewrites(true, checked);
  // Output, a backspace, an empty last line taken back and a line rewritten act at the end only.
  for (const wchar_t* held : {L"more\n", L"ab\b", L"\n\n\b", L"10%\r", L"20%"}) {
    form_->RenderOutput(held);
    EXPECT_EQ(Sel(), std::make_pair(7ul, 12ul)) << testing::PrintToString(std::wstring(held));
    EXPECT_EQ(Top(), top);
  }
  EXPECT_TRUE(OutputText().ends_with(L"\r\nmore\r\na\r\n20%"));
  EXPECT_EQ(form_->OutputEditor()->HeldLines(), 3);
  // A backspace into the selection leaves what is left of it; a form feed, nothing.
  Select(static_cast<int>(Length() - 4), static_cast<int>(Length()));
  form_->RenderOutput(L"\b\b");
  EXPECT_EQ(Sel(), std::make_pair(Length() - 2, Length()));
  form_->RenderOutput(L"gone\f" + std::wstring(100, L'\n'));
  EXPECT_EQ(Sel(), std::make_pair(0ul, 0ul));
  EXPECT_EQ(Top(), 0);
  Switch();
  EXPECT_EQ(Sel(), std::make_pair(Length(), Length()));
  EXPECT_GT(Top(), 0);
}

// The text begins just below INT_MAX, which the edit messages can still name.
TEST_F(FollowOutput, OutputPastTwoToThe31GoesToTheEnd) {
  OpenChild({L"sleep"});
  form_->RenderOutput(L"a");
  EXPECT_EQ(Output().WPerform(view::kViewSetOrigin, 0, 0), 0);  // it holds text
  Output().SetWText(L"");
  constexpr int origin = INT_MAX - 100;
  ASSERT_EQ(Output().WPerform(view::kViewSetOrigin, origin, 0), 1);
  const std::wstring line(200, L'a');
  form_->RenderOutput(L"\n" + line + L"\n");
  Select(origin + 5, origin + 5);
  form_->RenderOutput(L"tail");
  Switch();
  Select(origin + 5, origin + 9);
  form_->RenderOutput(L"held\b!");
  std::wstring text(400, L'\0');
  TEXTRANGEW range{{origin, -1}, text.data()};
  text.resize(static_cast<size_t>(Output().WPerform(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
  EXPECT_EQ(text, L"\r\n" + line + L"\r\ntailhel!");
  EXPECT_EQ(Sel(), std::make_pair(static_cast<DWORD>(origin + 5), static_cast<DWORD>(origin + 9)));
}

}  // namespace
