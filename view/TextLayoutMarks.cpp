#include "view/TextLayoutMarks.h"

#include <algorithm>

#include "view/TextClusters.h"

namespace view {

void cRowMarks::Extend(std::wstring_view text, int rowStart, int rowEnd, const int* unitWidths,
                       iRowAdvance& advance) {
  if (rowStart != rowStart_ || rowEnd < madeTo_) {
    marks_.clear();
    rowStart_ = madeTo_ = rowStart;
    made_ = tMade{};
    made_.Walk.Column = rowStart;
  }
  if (rowEnd == madeTo_) return;
  // What was made from the last cluster on is made again: the cluster may have grown.
  tMade m = made_;
  marks_.resize(m.Marks);
  tMade settled = m;
  int nextMark = (marks_.empty() ? rowStart : marks_.back().Column) + kSpacing;
  auto at = static_cast<size_t>(m.Walk.Column);
  long long x = m.Walk.X;
  const auto end = static_cast<size_t>(rowEnd);
  while (at < end) {
    if (static_cast<int>(at) >= nextMark) {
      marks_.push_back({static_cast<int>(at), x});
      nextMark = static_cast<int>(at) + kSpacing;
    }
    if (!m.Open) {
      // Units that are clusters of their own below the first joining one, as most text is, go
      // left to right or are neutral. The row's last unit goes the long way: it may be its last
      // cluster.
      const size_t stop = std::min(end - 1, static_cast<size_t>(nextMark));
      for (; at < stop; ++at) {
        const wchar_t unit = text[at];
        if (unit >= cTextClusters::FirstJoining || text[at + 1] >= cTextClusters::FirstJoining || unit == L'\t') break;
        const int width = unitWidths[static_cast<unsigned short>(unit)];
        if (width < 0) break;
        x += width;
      }
      if (static_cast<int>(at) == nextMark) continue;
    }
    const size_t clusterEnd = std::min(cTextClusters::End(text, at), end);
    if (clusterEnd == end) {
      settled = m;
      settled.Walk.Column = static_cast<int>(at);
      settled.Walk.X = x;
      settled.Marks = marks_.size();
    }
    const std::wstring_view cluster = text.substr(at, clusterEnd - at);
    const tDirection direction = cTextClusters::Direction(cluster);
    if (m.Open && direction == tDirection::LeftToRight) {
      Tag(m);
      m.Open = false;
    }
    if (!m.Open && direction == tDirection::RightToLeft) {
      m.Open = true;
      m.FirstMark = marks_.size();
      m.Stretch.StretchStart = static_cast<int>(at);
      m.Stretch.StretchLeft = x;
    }
    x += advance.Advance(cluster, x);
    if (m.Open && direction == tDirection::RightToLeft) {
      m.Stretch.StretchEnd = static_cast<int>(clusterEnd);
      m.Stretch.StretchRight = x;
    }
    at = clusterEnd;
  }
  if (m.Open) Tag(m);
  made_ = settled;
  madeTo_ = rowEnd;
}

void cRowMarks::Tag(const tMade& made) {
  for (size_t i = made.FirstMark; i < marks_.size(); ++i) {
    tRowWalk& mark = marks_[i];
    const tRowWalk stretch = mark.Column < made.Stretch.StretchEnd ? made.Stretch : tRowWalk{};
    mark.StretchStart = stretch.StretchStart;
    mark.StretchEnd = stretch.StretchEnd;
    mark.StretchLeft = stretch.StretchLeft;
    mark.StretchRight = stretch.StretchRight;
  }
}

tRowWalk cRowMarks::Start() const { return tRowWalk{rowStart_}; }

size_t cRowMarks::LastAtOrBefore(long long x) const {
  return static_cast<size_t>(
      std::upper_bound(marks_.begin(), marks_.end(), x, [](long long value, const tRowWalk& mark) { return value < mark.X; }) -
      marks_.begin());
}

const tRowWalk* cRowMarks::After(int column) const {
  const auto after = std::upper_bound(marks_.begin(), marks_.end(), column,
                                      [](int value, const tRowWalk& mark) { return value < mark.Column; });
  return after == marks_.end() ? nullptr : &*after;
}

tRowWalk cRowMarks::AtColumn(int column) const {
  const tRowWalk* after = After(column);
  const size_t before = after ? static_cast<size_t>(after - marks_.data()) : marks_.size();
  return before == 0 ? Start() : marks_[before - 1];
}

tRowWalk cRowMarks::ForSpan(long long from, long long to) const {
  // The clusters before a mark stand left of its X, but for those of a stretch it is inside.
  const size_t found = LastAtOrBefore(from);
  if (found == 0) return Start();
  const tRowWalk& mark = marks_[found - 1];
  if (!mark.InStretch() || mark.StretchRight <= from) return mark;
  // The stretch reaches into the span, and its clusters before the mark stand right of the
  // mark's X, mirrored: the walk starts at the last mark of the stretch whose clusters before it
  // all stand right of the span, or before the stretch.
  const auto first = static_cast<size_t>(After(mark.StretchStart) - marks_.data());
  const size_t within = LastAtOrBefore(mark.StretchLeft + mark.StretchRight - to);
  if (within > first) return marks_[within - 1];
  return first == 0 ? Start() : marks_[first - 1];
}

void cRowMarks::SkipInStretch(tRowWalk& walk, long long x) const {
  const size_t count = LastAtOrBefore(x);
  if (count == 0) return;
  const tRowWalk& mark = marks_[count - 1];
  if (mark.InStretch() && mark.StretchStart == walk.StretchStart && mark.Column > walk.Column) walk = mark;
}

}  // namespace view
