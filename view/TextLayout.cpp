#include "view/TextLayout.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <numeric>
#include <utility>

#include "view/TextClusters.h"

namespace view {

namespace {

constexpr long long kNoLimit = LLONG_MAX / 4;
// The edit control's default tab stops, in dialog template units.
constexpr int kDefaultTabUnits = 32;

int ClampWidth(long long width) noexcept { return static_cast<int>(std::min<long long>(width, INT_MAX)); }

bool IsBlank(std::wstring_view cluster) noexcept {
  return cluster.size() == 1 && (cluster[0] == L' ' || cluster[0] == L'\t');
}

}  // namespace

// --- tRows ---

std::span<const int> cTextLayout::tRows::ExtraOf(int line) const {
  const int begin = First[line] - line, end = First[line + 1] - (line + 1);
  return std::span<const int>(Extra.data() + begin, static_cast<size_t>(end - begin));
}

int cTextLayout::tRows::LineOfRow(int row, int fromLine) const {
  const auto after = std::upper_bound(First.begin() + fromLine, First.end(), row);
  return std::clamp(static_cast<int>(after - First.begin()) - 1, fromLine, Lines() - 1);
}

void cTextLayout::tRows::Replace(int first, int removed, const tRows& piece) {
  const int last = first + removed;
  const int base = First[first];
  const int rowDelta = piece.Rows() - (First[last] - base);

  const auto extraBegin = Extra.begin() + (base - first), extraEnd = Extra.begin() + (First[last] - last);
  if (extraEnd - extraBegin == static_cast<std::ptrdiff_t>(piece.Extra.size())) {
    std::copy(piece.Extra.begin(), piece.Extra.end(), extraBegin);
  } else {
    const auto at = Extra.erase(extraBegin, extraEnd);
    Extra.insert(at, piece.Extra.begin(), piece.Extra.end());
  }

  const int inserted = piece.Lines();
  if (inserted != removed) {
    const auto at = First.erase(First.begin() + first + 1, First.begin() + last + 1);
    First.insert(at, piece.First.begin() + 1, piece.First.end());
    for (int i = 1; i <= inserted; ++i) First[first + i] += base;
  } else {
    for (int i = 1; i <= inserted; ++i) First[first + i] = base + piece.First[i];
  }
  if (rowDelta != 0)
    for (auto it = First.begin() + first + inserted + 1; it != First.end(); ++it) *it += rowDelta;

  const auto widthsBegin = Widths.begin() + first, widthsEnd = widthsBegin + removed;
  const bool lostLongest = piece.Longest < Longest && std::find(widthsBegin, widthsEnd, Longest) != widthsEnd;
  const auto at = Widths.erase(widthsBegin, widthsEnd);
  Widths.insert(at, piece.Widths.begin(), piece.Widths.end());
  if (lostLongest)
    Longest = Widths.empty() ? 0 : *std::max_element(Widths.begin(), Widths.end());
  else
    Longest = std::max(Longest, piece.Longest);
}

void cTextLayout::tRows::AppendLineOf(const tRows& from, int line) {
  const std::span<const int> extra = from.ExtraOf(line);
  Extra.insert(Extra.end(), extra.begin(), extra.end());
  First.push_back(Rows() + 1 + static_cast<int>(extra.size()));
  Widths.push_back(from.Widths[line]);
  Longest = std::max(Longest, from.Widths[line]);
}

// --- cTextLayout ---

template <class tChange>
void cTextLayout::Guarded(tChange&& change) {
  try {
    change();
  } catch (...) {
    Degrade();
    throw;
  }
}

void cTextLayout::Degrade() noexcept {
  const int longest = degraded_ ? rows_.Longest : LongestRowWidth();
  // Given up, not cleared: their memory may be what is missing.
  for (tRows* rows : {&rows_, &stale_}) {
    std::vector<int>().swap(rows->First);
    std::vector<int>().swap(rows->Extra);
    std::vector<int>().swap(rows->Widths);
  }
  std::vector<bool>().swap(fresh_);
  rows_.Longest = longest;
  partial_.reset();
  tail_ = {};
  marked_.clear();
  lines_ = split_ = text_.LineCount();
  degraded_ = true;
}

cTextLayout::cTextLayout(const iLayoutText& text, iTextMeasure& measure) : text_(text), measure_(measure) {
  ApplySettings();
  TextChanged(0, 0, text_.LineCount());
}

void cTextLayout::SetWordWrap(bool wrap) {
  if (wrap == wrap_) return;
  wrap_ = wrap;
  Relayout();
}

void cTextLayout::SetWidth(int pixels) {
  if (pixels == width_) return;
  width_ = pixels;
  if (wrap_) Relayout();
}

void cTextLayout::SetTabStops(std::vector<int> dialogUnits) {
  tabUnits_ = std::move(dialogUnits);
  Relayout();
}

void cTextLayout::FontChanged() {
  std::fill(unitWidths_.begin(), unitWidths_.end(), -1);
  clusterWidths_.clear();
  Relayout();
}

void cTextLayout::ApplySettings() {
  const long long average = std::max(1, measure_.AverageCharWidth());
  limit_ = wrap_ && width_ > average ? width_ : kNoLimit;
  auto pixels = [average](int units) { return std::max(1LL, units * average / 4); };
  tabInterval_ = pixels(tabUnits_.size() == 1 ? tabUnits_[0] : kDefaultTabUnits);
  tabStops_.clear();
  if (tabUnits_.size() > 1) {
    for (int units : tabUnits_) tabStops_.push_back(pixels(units));
    std::sort(tabStops_.begin(), tabStops_.end());
  }
}

int cTextLayout::MeasureCluster(std::wstring_view cluster) {
  if (cluster.size() == 1) {
    int& width = unitWidths_[static_cast<unsigned short>(cluster[0])];
    if (width < 0) width = std::max(0, measure_.ClusterWidth(cluster));
    return width;
  }
  if (const auto known = clusterWidths_.find(cluster); known != clusterWidths_.end()) return known->second;
  return clusterWidths_.emplace(std::wstring(cluster), std::max(0, measure_.ClusterWidth(cluster))).first->second;
}

long long cTextLayout::Advance(std::wstring_view cluster, long long x) {
  if (cluster[0] != L'\t') return MeasureCluster(cluster);
  for (long long stop : tabStops_)
    if (stop > x) return stop - x;
  return (x / tabInterval_ + 1) * tabInterval_ - x;
}

void cTextLayout::ScanClusters(std::wstring_view text, tScan& scan, std::vector<int>& starts, bool all,
                               size_t until) {
  const size_t size = std::min(text.size(), until);
  // The state lives in locals while the loop runs. (The table of widths never moves.)
  tScan s = scan;
  size_t at = static_cast<size_t>(s.Pos);
  const int* const widths = unitWidths_.data();
  const long long limit = limit_;
  while (at < size) {
    // Runs of units that are clusters of their own and fit the row, the most of any text.
    for (const size_t plain = std::min(size, text.size() - 1); at < plain; ++at) {
      const wchar_t unit = text[at];
      if (unit >= cTextClusters::FirstJoining || text[at + 1] >= cTextClusters::FirstJoining || unit == L'\t') break;
      const int width = widths[static_cast<unsigned short>(unit)];
      if (width < 0) break;
      if (unit != L' ') {
        if (s.X + width > limit) break;
        if (s.AfterBlank && static_cast<int>(at) > s.RowStart) {
          s.Break = static_cast<int>(at);
          s.XAtBreak = s.X;
        }
      }
      s.X += width;
      s.AfterBlank = unit == L' ';
    }
    if (at >= size) break;
    size_t end = at + 1;
    bool blank;
    long long advance;
    const wchar_t unit = text[at];
    if (unit < cTextClusters::FirstJoining && end < text.size() && text[end] < cTextClusters::FirstJoining) {
      // A unit that is a cluster of its own, and not the last: most text.
      blank = unit == L' ' || unit == L'\t';
      if (unit == L'\t') {
        advance = Advance(text.substr(at, 1), s.X);
      } else {
        const int known = widths[static_cast<unsigned short>(unit)];
        advance = known >= 0 ? known : MeasureCluster(text.substr(at, 1));
      }
    } else {
      end = cTextClusters::End(text, at);
      if (end == text.size() && !all) break;
      const std::wstring_view cluster = text.substr(at, end - at);
      blank = IsBlank(cluster);
      advance = Advance(cluster, s.X);
    }
    const int column = static_cast<int>(at);
    if (!blank) {
      if (s.AfterBlank && column > s.RowStart) {
        s.Break = column;
        s.XAtBreak = s.X;
      }
      // Blanks never break a row: they stay at its end.
      while (s.X + advance > limit && column > s.RowStart) {
        if (s.Break > s.RowStart) {
          // The word moves to the next row: it holds no blank, so its width does not depend on
          // where it starts.
          s.Widest = std::max(s.Widest, s.XAtBreak);
          s.X -= s.XAtBreak;
          s.RowStart = s.Break;
        } else {
          // A word wider than the row breaks where it stops fitting.
          s.Widest = std::max(s.Widest, s.X);
          s.X = 0;
          s.RowStart = column;
        }
        starts.push_back(s.RowStart);
        s.Break = 0;
      }
    }
    s.X += advance;
    s.AfterBlank = blank;
    at = end;
  }
  s.Pos = static_cast<int>(at);
  scan = s;
}

std::optional<long long> cTextLayout::OneRowWidth(std::wstring_view text) const noexcept {
  long long width = 0;
  for (const wchar_t unit : text) {
    if (unit < L' ' || unit > L'~') return std::nullopt;
    const int known = unitWidths_[static_cast<unsigned short>(unit)];
    if (known < 0) return std::nullopt;
    width += known;
    if (width > limit_) return std::nullopt;
  }
  return width;
}

void cTextLayout::LayLine(int line, tRows& into) {
  const std::wstring_view text = text_.Line(line);
  // A line that no append can extend, of printable ASCII that fits one row: most output.
  if (line < lines_ - 1) {
    if (const std::optional<long long> width = OneRowWidth(text)) {
      AddLine(into, 0, *width);
      return;
    }
  }
  const size_t before = into.Extra.size();
  tScan scan;
  ScanClusters(text, scan, into.Extra, false);
  EndLine(line, text, scan, into, before);
}

void cTextLayout::EndLine(int line, std::wstring_view text, tScan& scan, tRows& into, size_t extraBegin) {
  if (line == lines_ - 1) tail_ = {line, scan};
  ScanClusters(text, scan, into.Extra, true);
  AddLine(into, static_cast<int>(into.Extra.size() - extraBegin), std::max(scan.Widest, scan.X));
}

void cTextLayout::AddLine(tRows& into, int extraRows, long long widest) {
  into.First.push_back(into.Rows() + 1 + extraRows);
  const int width = ClampWidth(widest);
  into.Widths.push_back(width);
  into.Longest = std::max(into.Longest, width);
}

void cTextLayout::ContinueTail(tRows& part) {
  const int line = tail_.Line;
  const std::wstring_view text = text_.Line(line);
  // The rows that the last cluster made may change with what follows it.
  const size_t extraBegin = static_cast<size_t>(part.First[line] - line);
  while (part.Extra.size() > extraBegin && part.Extra.back() > tail_.Scan.RowStart) part.Extra.pop_back();
  tScan scan = tail_.Scan;
  ScanClusters(text, scan, part.Extra, false);
  if (line == lines_ - 1)
    tail_.Scan = scan;
  else
    tail_ = {};
  ScanClusters(text, scan, part.Extra, true);
  part.First[line + 1] = part.First[line] + 1 + static_cast<int>(part.Extra.size() - extraBegin);
  const int width = ClampWidth(std::max(scan.Widest, scan.X));
  const int old = std::exchange(part.Widths[line], width);
  if (width >= part.Longest)
    part.Longest = width;
  else if (old == part.Longest)
    part.Longest = *std::max_element(part.Widths.begin(), part.Widths.end());
}

void cTextLayout::TextAppended() {
  const int count = text_.LineCount();
  if (lines_ == 0 || count < lines_) {
    TextChanged(0, lines_, count);
    return;
  }
  if (degraded_) {
    lines_ = split_ = count;
    return;
  }
  Guarded([&] {
    DropPartial();
    const int last = lines_ - 1;
    const bool relaying = Relaying();
    tRows& part = PartOf(last);
    lines_ = count;
    if (tail_.Line == last) {
      ContinueTail(part);
    } else {
      tRows piece;
      LayLine(last, piece);
      part.Replace(last, 1, piece);
      if (relaying) fresh_[last] = true;
    }
    for (int line = last + 1; line < count; ++line) LayLine(line, part);
    if (relaying)
      fresh_.resize(count, true);
    else
      split_ = count;
  });
}

void cTextLayout::TextChanged(int firstLine, int linesRemoved, int linesInserted) {
  const int count = text_.LineCount();
  const int oldLines = lines_;
  if (firstLine < 0 || linesRemoved < 0 || linesInserted < 0 || firstLine + linesRemoved > oldLines ||
      oldLines - linesRemoved + linesInserted != count) {
    // A change that does not fit what is laid out: everything again.
    firstLine = 0;
    linesRemoved = oldLines;
    linesInserted = count;
  }
  // The marks of the lines replaced go; those of the lines after them move with them.
  std::erase_if(marked_, [&](const tMarkedRow& row) { return row.Line >= firstLine && row.Line < firstLine + linesRemoved; });
  for (tMarkedRow& row : marked_)
    if (row.Line >= firstLine + linesRemoved) row.Line += linesInserted - linesRemoved;
  if (degraded_) {
    lines_ = split_ = count;
    return;
  }
  Guarded([&] {
    DropPartial();
    const bool relaying = Relaying();
    lines_ = count;
    if (firstLine + linesRemoved < oldLines) {
      if (tail_.Line == oldLines - 1) tail_.Line = count - 1;
    } else {
      tail_ = {};
    }
    tRows piece;
    for (int i = 0; i < linesInserted; ++i) LayLine(firstLine + i, piece);
    if (!relaying) {
      rows_.Replace(firstLine, linesRemoved, piece);
      split_ = count;
      return;
    }
    stale_.Replace(firstLine, linesRemoved, piece);
    const auto at = fresh_.erase(fresh_.begin() + firstLine, fresh_.begin() + firstLine + linesRemoved);
    fresh_.insert(at, static_cast<size_t>(linesInserted), true);
    if (firstLine <= split_) {
      const int front = std::min(linesRemoved, split_ - firstLine);
      rows_.Replace(firstLine, front, piece);
      split_ = firstLine + linesInserted + (split_ - firstLine - front);
    }
    if (split_ >= count) FinishRelayout();
  });
}

void cTextLayout::Relayout() {
  Guarded([this] {
    DropPartial();
    ApplySettings();
    tail_ = {};
    marked_.clear();
    if (lines_ == 0) return;
    tRows estimate;
    if (degraded_) {
      estimate.First.resize(static_cast<size_t>(lines_) + 1);
      std::iota(estimate.First.begin(), estimate.First.end(), 0);
      estimate.Widths.assign(static_cast<size_t>(lines_), 0);
    } else if (Relaying()) {
      // The lines laid out since the last change are the better estimate.
      stale_.Replace(0, split_, rows_);
      estimate = std::move(stale_);
    } else {
      estimate = std::move(rows_);
    }
    // The new rows will be about as many as the old: room for them now, not in copies as they grow.
    tRows fresh;
    fresh.First.reserve(estimate.First.size());
    fresh.Extra.reserve(estimate.Extra.size());
    fresh.Widths.reserve(estimate.Widths.size());
    std::vector<bool> exact(static_cast<size_t>(lines_), false);
    stale_ = std::move(estimate);
    rows_ = std::move(fresh);
    fresh_ = std::move(exact);
    split_ = 0;
    degraded_ = false;
  });
}

bool cTextLayout::ContinueRelayout(int characters) {
  // A degraded layout is laid out again as soon as the memory allows; until then it stays so.
  if (degraded_) {
    try {
      Relayout();
    } catch (const std::bad_alloc&) {
      return true;
    }
  }
  Guarded([&] { ContinueRelayoutNow(characters); });
  return Relaying();
}

void cTextLayout::ContinueRelayoutNow(int characters) {
  long long done = 0;
  while (Relaying() && done < std::max(characters, 1)) {
    const int line = split_;
    if (!partial_ && fresh_[line]) {
      rows_.AppendLineOf(stale_, line);
      done += stale_.First[line + 1] - stale_.First[line];
      ++split_;
      continue;
    }
    // A long line is laid out over several slices: its rows so far wait at the end of rows_.Extra.
    const std::wstring_view text = text_.Line(line);
    if (!partial_) partial_ = tScan{};
    const size_t from = static_cast<size_t>(partial_->Pos);
    ScanClusters(text, *partial_, rows_.Extra, false, from + static_cast<size_t>(std::max(1LL, characters - done)));
    done += static_cast<long long>(static_cast<size_t>(partial_->Pos) - from) + 1;
    const size_t at = static_cast<size_t>(partial_->Pos);
    if (at < text.size() && cTextClusters::End(text, at) < text.size()) break;
    EndLine(line, text, *partial_, rows_, static_cast<size_t>(rows_.Rows() - split_));
    partial_.reset();
    ++split_;
  }
  if (!Relaying()) FinishRelayout();
}

void cTextLayout::DropPartial() {
  if (!partial_) return;
  rows_.Extra.resize(static_cast<size_t>(rows_.Rows() - split_));
  partial_.reset();
}

void cTextLayout::FinishRelayout() {
  stale_ = tRows{};
  fresh_ = std::vector<bool>{};
}

void cTextLayout::MakeExact(int firstLine, int lastLine) {
  if (!Relaying()) return;
  firstLine = std::max(firstLine, split_);
  lastLine = std::min(lastLine, lines_ - 1);
  while (firstLine <= lastLine && fresh_[firstLine]) ++firstLine;
  while (lastLine >= firstLine && fresh_[lastLine]) --lastLine;
  if (firstLine > lastLine) return;
  Guarded([&] {
    tRows piece;
    for (int line = firstLine; line <= lastLine; ++line) {
      if (fresh_[line])
        piece.AppendLineOf(stale_, line);
      else
        LayLine(line, piece);
    }
    stale_.Replace(firstLine, lastLine - firstLine + 1, piece);
    for (int line = firstLine; line <= lastLine; ++line) fresh_[line] = true;
  });
}

bool cTextLayout::IsExact(int line) const {
  if (line < 0 || line >= lines_ || degraded_) return false;
  return line < split_ || fresh_[static_cast<size_t>(line)];
}

int cTextLayout::FirstRow(int line) const {
  line = std::clamp(line, 0, lines_);
  if (degraded_) return line;
  if (line <= split_) return rows_.First[line];
  return rows_.Rows() + stale_.First[line] - stale_.First[split_];
}

int cTextLayout::RowCount() const { return FirstRow(lines_); }

int cTextLayout::RowsInLine(int line) const { return FirstRow(line + 1) - FirstRow(line); }

tRowStart cTextLayout::RowStart(int row) const {
  if (lines_ == 0) return {};
  row = std::clamp(row, 0, RowCount() - 1);
  if (degraded_) return {row, 0};
  const bool front = row < rows_.Rows();
  const tRows& part = front ? rows_ : stale_;
  const int partRow = front ? row : row - rows_.Rows() + stale_.First[split_];
  const int line = part.LineOfRow(partRow, front ? 0 : split_);
  const int index = partRow - part.First[line];
  return {line, index == 0 ? 0 : part.ExtraOf(line)[static_cast<size_t>(index - 1)]};
}

int cTextLayout::RowLength(int row) const {
  if (lines_ == 0) return 0;
  const tRowStart start = RowStart(row);
  if (degraded_) return text_.LineLength(start.Line);
  const std::span<const int> extra = PartOf(start.Line).ExtraOf(start.Line);
  const size_t index = static_cast<size_t>(std::clamp(row, 0, RowCount() - 1) - FirstRow(start.Line));
  const int end = index < extra.size() ? extra[index] : text_.LineLength(start.Line);
  return end - start.Column;
}

int cTextLayout::RowOf(int line, int column, bool afterWrap) const {
  if (lines_ == 0) return 0;
  line = std::clamp(line, 0, lines_ - 1);
  if (degraded_) return line;
  const std::span<const int> extra = PartOf(line).ExtraOf(line);
  const auto after = afterWrap ? std::lower_bound(extra.begin(), extra.end(), column)
                               : std::upper_bound(extra.begin(), extra.end(), column);
  return FirstRow(line) + static_cast<int>(after - extra.begin());
}

bool cTextLayout::Wraps(int row) const {
  return row + 1 < RowCount() && RowStart(row + 1).Column > 0;
}

int cTextLayout::LongestRowWidth() const {
  return Relaying() ? std::max(rows_.Longest, stale_.Longest) : rows_.Longest;
}

int cTextLayout::ColumnFromX(int row, int x) {
  if (lines_ == 0) return 0;
  const tRowStart start = RowStart(row);
  int column = start.Column + RowLength(row);
  const long long from = std::max(x, 0);
  ForEachCluster(row, from, from + 1, [&](const tPlacedCluster& cluster) {
    // Left of the row is in its leftmost cluster.
    if (x >= cluster.Left + cluster.Width || (x < cluster.Left && cluster.Left > 0)) return true;
    // Nearer to the cluster's leading edge than to its trailing one.
    const bool leading = (2 * (x - cluster.Left) < cluster.Width) != cluster.RightToLeft;
    column = leading ? cluster.Column : cluster.End;
    return false;
  });
  return column;
}

int cTextLayout::ClusterAt(int row, int x) {
  int column = lines_ == 0 ? 0 : RowStart(row).Column;
  const long long from = std::max(x, 0);
  ForEachCluster(row, from, from + 1, [&](const tPlacedCluster& cluster) {
    column = cluster.Column;
    return x >= cluster.Left + cluster.Width || (x < cluster.Left && cluster.Left > 0);
  });
  return column;
}

int cTextLayout::XFromColumn(int line, int column, bool afterWrap) {
  if (lines_ == 0) return 0;
  line = std::clamp(line, 0, lines_ - 1);
  const std::wstring_view text = text_.Line(line);
  column = std::clamp(column, 0, static_cast<int>(text.size()));
  const int row = RowOf(line, column, afterWrap);
  const int rowStart = RowStart(row).Column, rowEnd = rowStart + RowLength(row);
  const cRowMarks* marks = MarksOf(line, rowStart, text, rowEnd);
  tRowWalk walk = marks ? marks->AtColumn(column) : tRowWalk{rowStart};
  // At the cluster's leading edge; after the row's last cluster, at its trailing edge.
  int x = 0;
  while (walk.Column < rowEnd) {
    const tPlacedCluster cluster = Step(text, rowEnd, walk, marks);
    if (column < cluster.End) return cluster.RightToLeft ? cluster.Left + cluster.Width : cluster.Left;
    x = cluster.RightToLeft ? cluster.Left : cluster.Left + cluster.Width;
  }
  return x;
}

void cTextLayout::ForEachCluster(int row, long long fromX, long long toX,
                                 const std::function<bool(const tPlacedCluster&)>& place) {
  if (lines_ == 0) return;
  const tRowStart start = RowStart(row);
  const std::wstring_view text = text_.Line(start.Line);
  const int end = start.Column + RowLength(row);
  const cRowMarks* marks = MarksOf(start.Line, start.Column, text, end);
  tRowWalk walk = marks ? marks->ForSpan(fromX, toX) : tRowWalk{start.Column};
  while (walk.Column < end) {
    if (walk.InStretch()) {
      // The rest of the stretch stands left of this x, mirrored.
      const long long right = walk.StretchLeft + walk.StretchRight - walk.X;
      if (right <= fromX) {
        walk.Column = walk.StretchEnd;
        walk.X = walk.StretchRight;
        continue;
      }
      if (marks && right > toX) marks->SkipInStretch(walk, walk.StretchLeft + walk.StretchRight - toX);
    } else if (walk.X >= toX) {
      return;
    }
    if (!place(Step(text, end, walk, marks))) return;
  }
}

tPlacedCluster cTextLayout::Step(std::wstring_view text, int rowEnd, tRowWalk& walk, const cRowMarks* marks) {
  const auto at = static_cast<size_t>(walk.Column);
  const size_t end = std::min(cTextClusters::End(text, at), static_cast<size_t>(rowEnd));
  const std::wstring_view cluster = text.substr(at, end - at);
  if (!walk.InStretch() && cTextClusters::Direction(cluster) == tDirection::RightToLeft)
    EnterStretch(text, rowEnd, walk, marks);
  const bool mirrored = walk.InStretch();
  const long long left = walk.X, advance = Advance(cluster, left);
  walk.X += advance;
  walk.Column = static_cast<int>(end);
  return {static_cast<int>(at), static_cast<int>(end),
          ClampWidth(mirrored ? walk.StretchLeft + walk.StretchRight - walk.X : left), ClampWidth(advance), mirrored};
}

// The stretch reaches to its last right-to-left cluster before one that goes left to right; it
// holds no tab, so its widths do not depend on where it stands.
void cTextLayout::EnterStretch(std::wstring_view text, int rowEnd, tRowWalk& walk, const cRowMarks* marks) {
  walk.StretchStart = walk.Column;
  walk.StretchLeft = walk.X;
  // A long stretch has its reach in its marks; a short one ends before the next mark.
  const tRowWalk* next = marks ? marks->After(walk.Column) : nullptr;
  if (next && next->InStretch() && next->StretchStart == walk.Column) {
    walk.StretchEnd = next->StretchEnd;
    walk.StretchRight = next->StretchRight;
    return;
  }
  const auto limit = static_cast<size_t>(next ? next->Column : rowEnd);
  long long scanned = walk.X;
  for (auto at = static_cast<size_t>(walk.Column); at < limit;) {
    const size_t end = std::min(cTextClusters::End(text, at), static_cast<size_t>(rowEnd));
    const std::wstring_view cluster = text.substr(at, end - at);
    const tDirection direction = cTextClusters::Direction(cluster);
    if (direction == tDirection::LeftToRight) break;
    scanned += MeasureCluster(cluster);
    at = end;
    if (direction == tDirection::RightToLeft) {
      walk.StretchEnd = static_cast<int>(end);
      walk.StretchRight = scanned;
    }
  }
}

const cRowMarks* cTextLayout::MarksOf(int line, int rowStart, std::wstring_view text, int rowEnd) {
  constexpr size_t kMostMarkedRows = 256;
  if (rowEnd - rowStart <= cRowMarks::kSpacing) return nullptr;
  auto found = std::find_if(marked_.begin(), marked_.end(),
                            [&](const tMarkedRow& row) { return row.Line == line && row.Start == rowStart; });
  try {
    if (found == marked_.end() && marked_.size() >= kMostMarkedRows) {
      found = std::min_element(marked_.begin(), marked_.end(),
                               [](const tMarkedRow& a, const tMarkedRow& b) { return a.Used < b.Used; });
      *found = tMarkedRow{line, rowStart, 0, {}};
    } else if (found == marked_.end()) {
      found = marked_.insert(marked_.end(), tMarkedRow{line, rowStart, 0, {}});
    }
    found->Used = ++walks_;
    found->Marks.Extend(text, rowStart, rowEnd, unitWidths_.data(), *this);
    return &found->Marks;
  } catch (const std::bad_alloc&) {
    // Marks only save time: without them a walk starts at the row's start.
    if (found != marked_.end()) marked_.erase(found);
    return nullptr;
  }
}

}  // namespace view
