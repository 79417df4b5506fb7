// The output view's layout at the sizes the pane must hold, over a fixed-pitch font (8 pixels a
// character; widths are measured once per cluster and cached, so a real font costs the same):
//   - 64 MB of the flood's 80-column lines appended in pieces of 64 K characters, wrapped at 100
//     columns as they come, against the same appends into the text with no layout;
//   - word wrap switched off, then on at 50 columns: how long until the visible rows (a screen in
//     the middle and the last one) are right, then the rest in slices of about 15 ms, as a timer
//     would run them: all the slices together and the longest, against their bounds;
//   - one 8 MB line with no blank appended in pieces of 64 K characters, wrapped, against laying
//     it out at once; then wrapped at another width, in slices.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchSupport.h"
#include "view/TextLayout.h"
#include "tests/support/Flood.h"

namespace {

constexpr size_t kPiece = 64 * 1024;
constexpr int kScreenRows = 60;

// The text as the store will hold it: one array, CR LF line breaks, an index of line starts.
class cText final : public view::iLayoutText {
public:
  explicit cText(size_t capacity) { text_.reserve(capacity); }
  int LineCount() const override { return static_cast<int>(starts_.size()); }
  std::wstring_view Line(int index) const override {
    const size_t start = starts_[static_cast<size_t>(index)];
    size_t end = static_cast<size_t>(index) + 1 < starts_.size() ? starts_[static_cast<size_t>(index) + 1] - 2
                                                                   : text_.size();
    return std::wstring_view(text_).substr(start, end - start);
  }
  void Append(std::wstring_view piece) {
    const size_t base = text_.size();
    text_ += piece;
    for (size_t i = 0; i < piece.size(); ++i)
      if (piece[i] == L'\n') starts_.push_back(base + i + 1);
  }

private:
  std::wstring text_;
  std::vector<size_t> starts_{0};
};

class cFixedPitch final : public view::iTextMeasure {
public:
  int ClusterWidth(std::wstring_view) override { return 8; }
  int AverageCharWidth() override { return 8; }
};

// Appends the text in pieces, laying each out when there is a layout; seconds.
double AppendInPieces(cText& text, view::cTextLayout* layout, std::wstring_view all) {
  const double start = Clock();
  for (size_t at = 0; at < all.size(); at += kPiece) {
    text.Append(all.substr(at, kPiece));
    if (layout) layout->TextAppended();
  }
  return Clock() - start;
}

// A change that makes the layout stale, then the visible rows made right (a screen in the middle
// and the last one) when asked, then the rest in slices as a timer runs them; rows of the table.
void Relayout(view::cTextLayout& layout, const std::string& work, bool visibleFirst,
              const std::function<void()>& change) {
  double start = Clock();
  change();
  if (visibleFirst) {
    const int middle = layout.LineCount() / 2, last = layout.LineCount() - 1;
    layout.MakeExact(middle, middle + kScreenRows);
    layout.MakeExact(last - kScreenRows, last);
  }
  const double visible = Clock() - start;
  double longest = 0, total = 0;
  int slices = 0;
  for (bool more = true; more; ++slices) {
    start = Clock();
    do more = layout.ContinueRelayout(16 * 1024);
    while (more && Clock() - start < 0.015);
    const double slice = Clock() - start;
    longest = std::max(longest, slice);
    total += slice;
  }
  std::printf("%s: visible rows right in %.4f s; the rest in %d slices, %.3f s, the longest %.4f s; %d rows\n",
              work.c_str(), visible, slices, total, longest, layout.RowCount());
  if (visibleFirst) Row(work + ", visible rows right", visible, 0.5, "s");
  Row(work + ", all slices", total, 1.0, "s");
  Row(work + ", longest slice", longest, 0.020, "s");
}

void Flood64() {
  const std::string bytes = FloodText(64 * 1024 * 1024);
  const std::wstring all(bytes.begin(), bytes.end());
  double bare = 0;
  {
    cText text(all.size());
    bare = AppendInPieces(text, nullptr, all);
  }
  cText text(all.size());
  cFixedPitch measure;
  view::cTextLayout layout(text, measure);
  layout.SetWidth(100 * 8);
  layout.SetWordWrap(true);
  const double appended = AppendInPieces(text, &layout, all);
  std::printf("64 MB appended in 64 K pieces: %.3f s laid out, %.3f s without a layout; %d lines\n", appended, bare,
              layout.LineCount());
  Row("layout: 64 MB appended in 64 K pieces, wrapped", appended, bare, "s");

  Relayout(layout, "layout: 64 MB word wrap off", true, [&layout] { layout.SetWordWrap(false); });
  Relayout(layout, "layout: 64 MB word wrap on at 50 columns", true, [&layout] {
    layout.SetWidth(50 * 8);
    layout.SetWordWrap(true);
  });
}

void LongLine() {
  const std::wstring all(8 * 1024 * 1024, L'x');
  cFixedPitch measure;
  auto wrapped = [&measure](cText& text) {
    view::cTextLayout layout(text, measure);
    layout.SetWidth(80 * 8);
    layout.SetWordWrap(true);
    layout.ContinueRelayout(1);
    return layout;
  };
  cText pieces(all.size());
  view::cTextLayout layout = wrapped(pieces);
  const double inPieces = AppendInPieces(pieces, &layout, all);
  cText once(all.size());
  view::cTextLayout layoutOnce = wrapped(once);
  const double start = Clock();
  once.Append(all);
  layoutOnce.TextAppended();
  const double atOnce = Clock() - start;
  std::printf("8 MB line: %.3f s in pieces, %.3f s at once; %d rows\n", inPieces, atOnce, layout.RowCount());
  Row("layout: 8 MB line appended in 64 K pieces, wrapped", inPieces, atOnce, "s");
  Relayout(layout, "layout: 8 MB line wrapped at 50 columns", false, [&layout] { layout.SetWidth(50 * 8); });
}

}  // namespace

int main() {
  StartBench();
  Flood64();
  LongLine();
  return 0;
}
