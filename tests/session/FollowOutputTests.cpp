// The reader's place: output held keeps the caret, the selection and the rows shown while it
// still goes to the end of the text; a drag holds it too; past 2^31 units it still goes to the end.
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
  void SetUp() override {
    OpenChild({L"sleep"});
    std::wstring lines;
    for (int i = 0; i < 300; ++i) lines += L"line " + std::to_wstring(i) + L"\n";
    form_->RenderOutput(lines);
  }
  std::pair<DWORD, DWORD> Sel() const {
    DWORD start = 0, end = 0;
    Output().WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  void Select(LONG start, LONG end) const { Output().WPerform(EM_SETSEL, static_cast<WPARAM>(start), end); }
  LRESULT Top() const { return Output().WPerform(EM_GETFIRSTVISIBLELINE, 0, 0); }
  DWORD Length() const { return static_cast<DWORD>(Output().TextLength()); }
  bool Switch() {
    bool checked = false;
    EXPECT_TRUE(form_->ViewFollowOutput(true, checked));
    return checked;
  }
};

TEST_F(FollowOutput, HeldOutputLeavesTheReadersPlaceAndFollowingTakesItToTheEnd) {
  EXPECT_GT(Top(), 0);
  EXPECT_EQ(Sel(), std::make_pair(Length(), Length()));
  Select(7, 12);
  Output().WPerform(EM_SCROLLCARET, 0, 0);
  const LRESULT top = Top();
  ASSERT_LT(top, 5);
  EXPECT_FALSE(Switch());

  // Output, a backspace and an empty last line taken back act at the end, nowhere else.
  struct tCase {
    const wchar_t* Output;
    const wchar_t* Ending;
  };
  for (const tCase& held : {tCase{L"more\n", L"line 299\r\nmore\r\n"}, tCase{L"ab\b", L"more\r\na"},
                            tCase{L"\n\n\b", L"more\r\na\r\n"}}) {
    form_->RenderOutput(held.Output);
    EXPECT_TRUE(OutputText().ends_with(held.Ending)) << testing::PrintToString(std::wstring(held.Output));
    EXPECT_EQ(Sel(), std::make_pair(7ul, 12ul));
    EXPECT_EQ(Top(), top);
  }
  EXPECT_EQ(form_->OutputEditor()->HeldLines(), 3);
  // A backspace into the selection leaves what is left of it.
  Select(static_cast<LONG>(Length() - 4), static_cast<LONG>(Length()));
  form_->RenderOutput(L"\b\b");
  EXPECT_EQ(Sel(), std::make_pair(Length() - 2, Length()));
  // A form feed leaves nothing to hold: the caret and the view go to the start.
  form_->RenderOutput(L"gone\fnew\n");
  EXPECT_EQ(OutputText(), L"new\r\n");
  EXPECT_EQ(Sel(), std::make_pair(0ul, 0ul));

  form_->RenderOutput(std::wstring(100, L'\n'));
  EXPECT_EQ(Top(), 0);
  EXPECT_TRUE(Switch());
  EXPECT_EQ(Sel(), std::make_pair(Length(), Length()));
  EXPECT_GT(Top(), 0);
}

// Following, the pane holds while the user drags a selection, and follows again after it.
TEST_F(FollowOutput, ADragHoldsTheOutput) {
  const HWND pane = Output().Handle();
  ::SendMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  const auto during = Sel();
  ASSERT_LT(during.first, Length());
  form_->RenderOutput(L"more\n");
  EXPECT_EQ(Sel(), during);
  ::SendMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  form_->RenderOutput(L"end\n");
  EXPECT_EQ(Sel(), std::make_pair(Length(), Length()));
}

// Past 2^31 units output still goes to the end, following or held: the text begins just below
// INT_MAX, which the edit messages can still name.
TEST_F(FollowOutput, OutputPastTwoToThe31GoesToTheEnd) {
  constexpr LONG origin = INT_MAX - 100;
  EXPECT_EQ(Output().WPerform(view::kViewSetOrigin, 0, 0), 0);  // it holds text
  Output().SetWText(L"");
  ASSERT_EQ(Output().WPerform(view::kViewSetOrigin, origin, 0), 1);
  auto text = [&] {
    std::wstring all(400, L'\0');
    TEXTRANGEW range{{origin, -1}, all.data()};
    all.resize(static_cast<size_t>(Output().WPerform(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
    return all;
  };
  const std::wstring line(200, L'a');
  form_->RenderOutput(L"\n" + line + L"\n");
  Select(origin + 5, origin + 5);
  form_->RenderOutput(L"tail");
  EXPECT_EQ(text(), L"\r\n" + line + L"\r\ntail");
  Switch();
  Select(origin + 5, origin + 9);
  form_->RenderOutput(L"held\b!");
  EXPECT_EQ(text(), L"\r\n" + line + L"\r\ntailhel!");
  EXPECT_EQ(Sel(), std::make_pair(static_cast<DWORD>(origin + 5), static_cast<DWORD>(origin + 9)));
}

}  // namespace
