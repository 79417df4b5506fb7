#pragma once
// The output rules' text as a plain string, counted in lines the way an edit control counts them.
#include <algorithm>
#include <string>
#include <vector>

#include "session/OutputRules.h"
#include "tests/support/CrLfLines.h"

class cStringSink final : public iOutputSink {
public:
  std::wstring Text;

  void AppendText(std::wstring_view text, view::tTextAttribute) override { Text += text; }
  int TextLength() const override { return static_cast<int>(Text.size()); }
  int LineCount() const override {
    std::vector<std::wstring> lines = Lines();
    return static_cast<int>(lines.size()) - (lines.back().empty() ? 1 : 0);
  }
  std::wstring Line(int index) const override { return Lines().at(static_cast<size_t>(index)); }
  void DeleteLine(int index) override {
    const std::vector<std::wstring> lines = Lines();
    size_t start = 0;
    for (int i = 0; i < index; ++i) start += lines[static_cast<size_t>(i)].size() + 2;
    const bool last = static_cast<size_t>(index) + 1 == lines.size();
    Text.erase(start, lines[static_cast<size_t>(index)].size() + (last ? 0 : 2));
  }
  std::wstring LastLineTail(int count) const override {
    const std::wstring last = Lines().back();
    return last.substr(last.size() - std::min(last.size(), static_cast<size_t>(count)));
  }
  void DeleteTail(int count) override { Text.erase(Text.size() - static_cast<size_t>(count)); }
  void ClearText() override { Text.clear(); }

private:
  std::vector<std::wstring> Lines() const { return CrLfLines(Text); }
};
