// When a command ends, how long it took and whether the window flashes, over a window whose
// clock, foreground state and timer the test plays; and the time in the real window's status bar.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "session/CommandClock.h"
#include "tests/session/SessionFixture.h"

namespace {

class cFakeWindow : public iCommandWindow {
public:
  ULONGLONG Now() const override { return now; }
  bool InForeground() const override { return foreground; }
  void Flash() override { ++flashes; }
  void ShowCommandTime(std::optional<ULONGLONG> ms) override { shown = ms; }
  void WakeAfter(UINT ms) override { wakeAt = now + ms; }

  ULONGLONG now = 0;
  bool foreground = false;
  int flashes = 0;
  std::optional<ULONGLONG> shown;
  std::optional<ULONGLONG> wakeAt;
};

enum tStepKind { skSend, skOutput, skChildEnd };
struct tStep {
  ULONGLONG At;
  tStepKind Kind;
  const wchar_t* Text = L"";
};

constexpr const wchar_t* kPrompt = L"\r\nC:\\work>";

}  // namespace

TEST(CommandClock, EndsAtThePromptOrTheChildsEndAndFlashesAfterALongCommandInTheBackground) {
  struct tCase {
    const char* Name;
    std::vector<tStep> Steps;
    std::optional<ULONGLONG> Took;
    int Flashes;
    bool Foreground = false;
    bool FlashOn = true;
  };
  const tCase cases[] = {
      {"prompt at the end", {{0, skSend}, {500, skOutput, L"x\r\n"}, {12000, skOutput, kPrompt}}, 12000, 1},
      {"prompt cut across chunks",
       {{0, skSend}, {12000, skOutput, L"\r\nC:\\wo"}, {12001, skOutput, L"rk> "}},
       12001,
       1},
      {"prompt, then the line a batch file echoes",
       {{0, skSend}, {12000, skOutput, kPrompt}, {12001, skOutput, L"echo next\r\n"}},
       std::nullopt,
       0},
      {"prompt inside the chunk", {{0, skSend}, {12000, skOutput, L"C:\\work>\r\nmore"}}, std::nullopt, 0},
      {"prompt with a command after it", {{0, skSend}, {12000, skOutput, L"\r\nC:\\work>dir"}}, std::nullopt, 0},
      {"output after the prompt has counted starts the next command",
       {{0, skSend}, {12000, skOutput, kPrompt}, {13000, skOutput, L"late\r\n"}},
       std::nullopt,
       1},
      {"prints once, then works in silence",
       {{0, skSend}, {100, skOutput, L"x\r\n"}, {60000, skOutput, kPrompt}},
       60000,
       1},
      {"output with nothing sent starts the clock",
       {{2000, skOutput, L"banner\r\n"}, {12000, skOutput, kPrompt}},
       10000,
       1},
      {"sent at a prompt that has not stood long",
       {{0, skOutput, kPrompt}, {100, skSend}, {10099, skOutput, kPrompt}},
       9999,
       0},
      {"child end", {{0, skSend}, {500, skOutput, L"x\r\n"}, {15000, skChildEnd}}, 15000, 1},
      {"child end with nothing running", {{0, skOutput, kPrompt}, {15000, skChildEnd}}, 0, 0},
      {"short command", {{0, skSend}, {9999, skOutput, kPrompt}}, 9999, 0},
      {"foreground window", {{0, skSend}, {12000, skOutput, kPrompt}}, 12000, 0, true},
      {"option off", {{0, skSend}, {12000, skOutput, kPrompt}}, 12000, 0, false, false},
  };
  for (const tCase& c : cases) {
    cFakeWindow window;
    window.foreground = c.Foreground;
    cCommandClock clock(window);
    clock.FlashOn = c.FlashOn;
    // The timer fires when its time has come before the next step, and at the end.
    auto runTimerUntil = [&](ULONGLONG at) {
      if (!window.wakeAt || *window.wakeAt > at) return;
      window.now = *std::exchange(window.wakeAt, std::nullopt);
      clock.Wake();
    };
    for (const tStep& step : c.Steps) {
      runTimerUntil(step.At);
      window.now = step.At;
      if (step.Kind == skSend) clock.Sent();
      if (step.Kind == skOutput) clock.Output(step.Text);
      if (step.Kind == skChildEnd) clock.ChildEnded();
    }
    runTimerUntil(~0ull);
    EXPECT_EQ(window.shown, c.Took) << c.Name;
    EXPECT_EQ(window.flashes, c.Flashes) << c.Name;
  }
}

TEST(CommandClock, TimeText) {
  const std::pair<ULONGLONG, const wchar_t*> cases[] = {
      {0, L"0:00.0"}, {9999, L"0:09.9"}, {62300, L"1:02.3"}, {3599999, L"59:59.9"}, {3600000, L"1:00:00.0"},
  };
  for (const auto& [ms, text] : cases) EXPECT_EQ(CommandTimeText(ms), text) << ms;
}

namespace {

class CommandEnd : public cSessionTest {
protected:
  std::wstring Shown() const { return form_->Status()->PanelText(3); }
  bool TookShown() const { return Shown().find(L"   took 0:0") != std::wstring::npos; }
};

}  // namespace

TEST_F(CommandEnd, TheStatusBarShowsTheTimeOfTheCommandUntilTheNextStarts) {
  OpenChild({L"prompt:C:\\t>", L"prompt:C:\\t>", L"sleep"});
  ASSERT_TRUE(RunUntil([&] { return TookShown(); })) << Shown();
  Input().SetWText(L"go");
  form_->UpdateCommandText();
  form_->SendCommand(Input());
  EXPECT_EQ(Shown().find(L"took"), std::wstring::npos) << Shown();
  EXPECT_TRUE(RunUntil([&] { return TookShown(); })) << Shown();

  bool checked = false;
  EXPECT_TRUE(form_->ViewFlashOnEnd(false, checked) && checked);
  form_->ExecuteAction(ID_VIEW_FLASH_ON_END);
  EXPECT_TRUE(form_->ViewFlashOnEnd(false, checked) && !checked);
}
