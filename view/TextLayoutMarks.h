#pragma once
// Marks in a long row of the view's layout (view/TextLayout.h): places every few thousand columns
// where a walk over the row's clusters can start as if it had come from the row's start. With
// them, the x of a column, the column at an x and the clusters that show cost a few thousand
// clusters, not the row: without word wrap a line of megabytes is one row.
//
// A walk carries how far the clusters behind it advance (tabs go to stops counted from the row's
// start) and the right-to-left stretch it is inside, which is drawn mirrored in the place it
// takes: its clusters stand from its right edge leftwards. A mark is such a walk, stopped.
//
// The marks of a row that only grew at its end (output appended to the last line) are made on from
// its last cluster, which what follows may still extend, so a row that grows is walked once.
#include <cstdint>
#include <string_view>
#include <vector>

namespace view {

// Where a walk over a row's clusters stands: before the cluster at Column.
struct tRowWalk {
  int Column = 0;
  // The advances of the row's clusters before Column: where the next cluster starts outside a
  // right-to-left stretch.
  long long X = 0;
  // The right-to-left stretch the walk is inside, when StretchEnd > Column: its columns and the
  // X at its start and end, its left and right edges.
  int StretchStart = 0;
  int StretchEnd = 0;
  long long StretchLeft = 0;
  long long StretchRight = 0;

  bool InStretch() const noexcept { return StretchEnd > Column; }
};

// How far clusters take a row: a tab from x to its stop, any other cluster its width.
class iRowAdvance {
public:
  virtual long long Advance(std::wstring_view cluster, long long x) = 0;

protected:
  ~iRowAdvance() = default;
};

class cRowMarks {
public:
  // Columns between two marks.
  static constexpr int kSpacing = 2048;

  // The marks of the row [rowStart, rowEnd) of the line's text, made on from where they were
  // made last if the row only grew since, else made anew. unitWidths: the widths of single units
  // known (-1 for those not known), which advance alone needs not be asked for.
  void Extend(std::wstring_view text, int rowStart, int rowEnd, const int* unitWidths, iRowAdvance& advance);

  // The walk that reaches the column first: from the last mark at or before it.
  tRowWalk AtColumn(int column) const;
  // The walk that meets every cluster that reaches into the span [from, to) of x, and few others.
  tRowWalk ForSpan(long long from, long long to) const;
  // The first mark after the column; none when there is none.
  const tRowWalk* After(int column) const;
  // Moves a walk inside a stretch on to the last mark of the stretch ahead of it where X is at most
  // x, if there is one: the clusters it passes stand right of StretchLeft + StretchRight - x.
  void SkipInStretch(tRowWalk& walk, long long x) const;

private:
  // How far the making has come: the walk before the row's last cluster as it was then, and the
  // right-to-left stretch that was open (Stretch, its clusters so far) and its first mark.
  struct tMade {
    tRowWalk Walk;
    bool Open = false;
    tRowWalk Stretch;
    std::size_t FirstMark = 0;
    std::size_t Marks = 0;
  };

  // The marks from the open stretch's first on get the stretch as it reaches now: those before
  // its end are inside it, the neutral ones after it are not.
  void Tag(const tMade& made);
  std::size_t LastAtOrBefore(long long x) const;
  tRowWalk Start() const;

  int rowStart_ = -1;
  int madeTo_ = 0;
  tMade made_;
  std::vector<tRowWalk> marks_;
};

}  // namespace view
