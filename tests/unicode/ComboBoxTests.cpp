#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gui/Error.h"
#include "tests/unicode/ControlTestSupport.h"
#include "unicode/UnicodeControls.h"

namespace {

// Run on the wide (true) and on the narrow (false) path.
class ComboBoxTest : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    cUnicodeHelper::cIsNTOverride path(GetParam());
    combo = std::make_unique<cWComboBox>();
    combo->SetBounds(0, 0, 200, 150);
    combo->Create(host.Handle(), 1);
  }

  cTestHost host;
  std::unique_ptr<cWComboBox> combo;
};

}  // namespace

TEST_P(ComboBoxTest, ItemsFollowTheControlsRules) {
  cWStrings& items = combo->WItems();
  items.Add(L"alpha");
  items.Add(L"Beta");
  items.Insert(1, L"caf\u00E9");
  EXPECT_EQ(items.Get(1), L"caf\u00E9");
  EXPECT_EQ(items.IndexOf(L"BETA"), 2);
  EXPECT_EQ(items.IndexOf(L"gamma"), -1);
  EXPECT_EQ(items.Get(9), L"");
  items.PutObject(0, 42);
  items.Put(0, L"ALPHA");
  EXPECT_EQ(items.GetObject(0), 42u);
  items.Delete(1);
  EXPECT_EQ(items.GetTextStr(), L"ALPHA\r\nBeta\r\n");

  EXPECT_EQ(ErrorMessage<gui::cStringListError>([&] { items.GetObject(7); }), L"List index out of bounds (7)");
  EXPECT_EQ(ErrorMessage<gui::cStringListError>([&] { items.Put(7, L"x"); }), L"List index out of bounds (7)");
  EXPECT_EQ(ErrorMessage<gui::cOutOfResources>([&] { items.Insert(9, L"x"); }), L"Unable to insert a line");
}

TEST_P(ComboBoxTest, ClearKeepsTheTypedText) {
  combo->WItems().SetTextStr(L"one\r\ntwo");
  EXPECT_EQ(combo->WItems().GetCount(), 2);
  combo->SetWText(L"typed caf\u00E9");
  combo->WItems().Clear();
  EXPECT_EQ(combo->WItems().GetCount(), 0);
  EXPECT_EQ(combo->WText(), L"typed caf\u00E9");
}

TEST_P(ComboBoxTest, TextOutsideTheCodePageSurvivesOnlyTheWidePath) {
  EXPECT_EQ(::IsWindowUnicode(combo->Handle()) != FALSE, GetParam());
  const std::wstring text = L"\u041F\u043E\u0438\u0441\u043A \u691C\u7D22 \u2318";
  const std::wstring expected = GetParam() ? text : L"????? ?? ?";
  combo->SetWText(text);
  EXPECT_EQ(combo->WText(), expected);
  combo->WItems().Add(text);
  EXPECT_EQ(combo->WItems().Get(0), expected);
  EXPECT_EQ(combo->WItems().IndexOf(text), 0);
}

INSTANTIATE_TEST_SUITE_P(Paths, ComboBoxTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Wide" : "Narrow"; });

TEST(UnbornComboBox, AnswersNothing) {
  cWComboBox combo;
  EXPECT_EQ(combo.WItems().GetCount(), 0);
  EXPECT_EQ(combo.WItems().Add(L"lost"), 0);
  EXPECT_EQ(combo.WText(), L"");
}
