#pragma once
// The output rules' text as a plain string.
#include <algorithm>
#include <string>

#include "session/OutputRules.h"

class cStringSink final : public iOutputSink {
public:
  std::wstring Text;

  void AppendText(std::wstring_view text, view::tTextAttribute, std::wstring_view) override { Text += text; }
  std::wstring Tail(int count) const override {
    return Text.substr(Text.size() - std::min(Text.size(), static_cast<size_t>(count)));
  }
  void DeleteTail(int count) override { Text.erase(Text.size() - static_cast<size_t>(count)); }
  void ClearText() override { Text.clear(); }
};
