// The output view when memory runs out: a message whose allocations fail, at each one in turn,
// leaves the view whole and tells its parent, once, without a box; the output after it goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Application.h"
#include "gui/DialogSeam.h"
#include "tests/unicode/ControlTestSupport.h"
#include "tests/view/FailingAllocations.h"
#include "view/TextViewMessages.h"

namespace {

// A memo over the view that counts the view's EN_ERRSPACE.
class cCountingMemo final : public cWMemo {
public:
  cCountingMemo() : cWMemo(mwTextView) {}
  int OutOfMemory = 0;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == gui::kReflectBase + WM_COMMAND && HIWORD(wParam) == EN_ERRSPACE) ++OutOfMemory;
    return cWMemo::HandleMessage(message, wParam, lParam);
  }
};

// Each row's start and length, as the edit control's messages give them.
std::vector<std::pair<LRESULT, LRESULT>> Rows(const cWMemo& memo) {
  std::vector<std::pair<LRESULT, LRESULT>> rows;
  for (LRESULT row = 0; row < memo.WPerform(EM_GETLINECOUNT, 0, 0); ++row) {
    const LRESULT start = memo.WPerform(EM_LINEINDEX, static_cast<WPARAM>(row), 0);
    rows.emplace_back(start, memo.WPerform(EM_LINELENGTH, static_cast<WPARAM>(start), 0));
  }
  return rows;
}

TEST(OutOfMemory, TheViewStaysWholeTellsItsParentAndGoesOn) {
  int boxes = 0;
  const gui::cDialogSeam::cResponderScope responder([&](const gui::tMessageBoxRequest&) { return ++boxes, IDOK; });
  const std::wstring before = L"first line\r\n" + std::wstring(5000, L'x') + L"\r\nthe end ";
  const std::wstring chunk = L"of one \x05D0\x05D1 line\r\n" + std::wstring(70000, L'y') + L" and\r\nthe next";
  const view::tAttributeRun look{7, 0x1234};
  const view::tViewOutput looked{{chunk.data(), chunk.size(), &look, 1}, 0, false, 0};
  for (bool wrap : {true, false}) {
    for (int succeeding = 0;; ++succeeding) {
      cTestHost host;
      cCountingMemo memo;
      host.Hold(memo);
      memo.SetWordWrap(wrap);
      memo.SetWText(before);
      memo.SetSelStart(INT_MAX);
      LRESULT answer = 0;
      bool refused = false;
      {
        cFailingAllocations failing(succeeding);
        answer = memo.WPerform(view::kViewOutput, 0, reinterpret_cast<LPARAM>(&looked));
        ::InvalidateRect(memo.Handle(), nullptr, FALSE);
        ::UpdateWindow(memo.Handle());
        refused = failing.Refused();
      }
      EXPECT_EQ(answer, 1);
      EXPECT_LE(memo.OutOfMemory, 1) << succeeding;
      const std::wstring text = memo.WText();
      EXPECT_TRUE(text == before || text == before + chunk) << succeeding;
      EXPECT_LE(static_cast<size_t>(memo.SelStart() + memo.SelLength()), text.size());
      // The output after it goes on, and the rows come right.
      memo.WPerform(view::kViewOutput, 0, reinterpret_cast<LPARAM>(&looked));
      cCountingMemo fresh;
      host.Hold(fresh);
      fresh.SetWordWrap(wrap);
      fresh.SetWText(memo.WText());
      EXPECT_TRUE(gui::cApplication::RunUntil([&] { return Rows(memo) == Rows(fresh); }, 5000)) << succeeding;
      if (HasFailure() || !refused) break;
    }
  }
  EXPECT_EQ(boxes, 0);
}

}  // namespace
