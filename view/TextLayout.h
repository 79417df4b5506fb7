#pragma once
// The rows of a text view: where each line of its text breaks into rows at the view's width, how
// wide the rows are, and which character is where in a row. It knows no window: it reads the text
// through iLayoutText and measures it through iTextMeasure.
//
// Rows follow the multi-line edit control:
// - Without word wrap every line is one row. With it a line breaks after blanks (spaces and
//   tabs), where the next word does not fit; the blanks stay at the end of their row even beyond
//   the width. A word wider than the row breaks after the last cluster that fits, and every row
//   holds at least one cluster. When the width is not more than the font's average character
//   width, lines do not wrap.
// - A tab goes to the next tab stop right of it, counted from the start of its row: by default
//   every 32 dialog template units (8 average character widths); one stop means one every that
//   many units; several are the stops themselves, and the default stops follow the last.
// - A row never parts a cluster (view/TextClusters.h): a surrogate pair or a character with its
//   marks goes to a row whole.
// - Right-to-left text is shown in its reading order inside the left-to-right row: a stretch of
//   right-to-left clusters (view/TextClusters.h), with the neutral ones between them, is drawn
//   mirrored in the place it takes. As in the edit control, the caret before a right-to-left
//   cluster stands at its right edge, and a click on its right half goes before it.
// What is knowingly simpler than the system's text: widths are the sum of each cluster's width
// drawn alone (no kerning or shaping across clusters), the paragraph is always left to right, and
// the order is less than the full bidirectional algorithm: digits and tabs end a right-to-left
// stretch, and there are no embeddings.
//
// Columns count UTF-16 units from the start of the line; lines and rows count from 0. With word
// wrap on, the rows are what the edit control's line messages count as lines.
//
// Costs: appending to the text lays out only what was appended (the last line goes on from where
// its last row starts). Other changes lay out the lines they touch and shift the rows after them,
// in time proportional to the lines held. Row, line and column map to each other in O(log lines).
// A long row keeps marks every few thousand columns (view/TextLayoutMarks.h), made the first time
// it is walked and kept as it grows: x and column map to each other, and the clusters that show
// are found, in a few thousand clusters whatever the row's length.
// A change of width, wrap, tab stops or font (Relayout) leaves the rows stale: they are laid out
// again line by line from the top in slices (ContinueRelayout), and lines that must be right at
// once can be laid out first (MakeExact). While the layout is stale, every answer about a line not
// laid out again yet (IsExact false) is an estimate: its rows as they were, shifted by what the
// lines above it gained or lost.
//
// A change that cannot get its memory leaves the layout degraded, and throws: every line is one
// row, of no width known but the widest row's as it was, which needs no memory at all. It follows
// the text's later changes so, and is stale until Relayout (or ContinueRelayout, which calls it)
// lays it out again, when the memory allows.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "view/TextLayoutMarks.h"

namespace view {

// The text that is laid out, line by line, counted as the edit control counts them: at least one
// line, and a text that ends with a line break has an empty line after it.
class iLayoutText {
public:
  virtual int LineCount() const = 0;
  // The line's characters without its line break; valid until the text changes.
  virtual std::wstring_view Line(int index) const = 0;
  // How many they are, which a text that must copy a line to give it knows without the copy.
  virtual int LineLength(int index) const { return static_cast<int>(Line(index).size()); }

protected:
  ~iLayoutText() = default;
};

// How wide the view's font draws text, in pixels.
class iTextMeasure {
public:
  // The advance width of one cluster drawn alone. Never asked for a tab.
  virtual int ClusterWidth(std::wstring_view cluster) = 0;
  // The font's average character width, as dialog base units count it: tab stops are dialog
  // template units, four to this width.
  virtual int AverageCharWidth() = 0;

protected:
  ~iTextMeasure() = default;
};

// Where a row starts.
struct tRowStart {
  int Line = 0;
  int Column = 0;
};

// One cluster of a row where it is drawn: its columns [Column, End), its left edge in pixels from
// the row's left edge, its width (a tab's reaches to its stop), and whether it is part of a
// stretch drawn right to left.
struct tPlacedCluster {
  int Column = 0;
  int End = 0;
  int Left = 0;
  int Width = 0;
  bool RightToLeft = false;
};

class cTextLayout final : private iRowAdvance {
public:
  // Lays out what the text holds now, without word wrap.
  cTextLayout(const iLayoutText& text, iTextMeasure& measure);

  // What the rows depend on. A change makes every row stale (Relayout).
  void SetWordWrap(bool wrap);
  bool WordWrap() const noexcept { return wrap_; }
  // The width in pixels that rows wrap at.
  void SetWidth(int pixels);
  int Width() const noexcept { return width_; }
  // Tab stops in dialog template units, as EM_SETTABSTOPS takes them.
  void SetTabStops(std::vector<int> dialogUnits);
  // The measure's font changed: the widths measured so far are forgotten.
  void FontChanged();

  // The text changed. Text was appended at its end: the old text is the start of the new one.
  void TextAppended();
  // Lines from firstLine on were replaced: linesRemoved of the old text by linesInserted of the
  // new one, the lines after them unchanged. Replacing the whole text is (0, old count, new count).
  void TextChanged(int firstLine, int linesRemoved, int linesInserted);

  // Makes every row stale; they are laid out again by ContinueRelayout and MakeExact.
  void Relayout();
  // Lays out stale lines from the top until about the given number of characters is done; a long
  // line takes several calls. Whether stale lines remain (a degraded layout stays so, without a
  // failure, while the memory to lay it out again is missing).
  bool ContinueRelayout(int characters);
  bool Stale() const noexcept { return split_ < lines_ || degraded_; }
  // Lays out the stale lines among firstLine..lastLine now (the visible rows, the caret's line,
  // the last lines), so they are right before the rest, each line whole; the row numbers of the
  // lines below them change with them.
  void MakeExact(int firstLine, int lastLine);
  // Whether the line's rows are right (not an estimate).
  bool IsExact(int line) const;

  int LineCount() const noexcept { return lines_; }
  // At least one row: an empty line is one.
  int RowCount() const;
  int FirstRow(int line) const;
  int RowsInLine(int line) const;
  tRowStart RowStart(int row) const;
  // The row's units: up to where the next row of its line starts, or to the end of the line.
  int RowLength(int row) const;
  // The row that holds the column of the line; a column where a row starts is in that row, but
  // after a wrap (where a row that is not its line's first starts) in the row before it, as the
  // edit control's caret stands at the end of a wrapped row.
  int RowOf(int line, int column, bool afterWrap = false) const;
  // Whether a row ends where the next row of its line starts.
  bool Wraps(int row) const;
  // The widest row, for the horizontal scroll range without word wrap.
  int LongestRowWidth() const;

  // The column nearest to x (pixels from the row's left edge) in the row, at a cluster's edge, as
  // EM_CHARFROMPOS finds it; beyond the row's end, its end.
  int ColumnFromX(int row, int x);
  // The start of the cluster that the row shows at x; left of the row its first, right of it its
  // last; the row's start when it is empty.
  int ClusterAt(int row, int x);
  // The left edge of the column in its row (RowOf), in pixels from the row's left edge, as
  // EM_POSFROMCHAR gives it; a column inside a cluster is taken as the cluster's start.
  int XFromColumn(int line, int column, bool afterWrap = false);
  // Calls place with the row's clusters that reach into [fromX, toX), and a few around them, in
  // the order of their columns until it answers false (within a right-to-left stretch x falls as
  // the column grows).
  void ForEachCluster(int row, long long fromX, long long toX, const std::function<bool(const tPlacedCluster&)>& place);

private:
  // The rows of consecutive lines, each line's in order.
  struct tRows {
    std::vector<int> First{0};  // rows before each line, and all of them at the end
    std::vector<int> Extra;     // the start column of every row that is not the first of its line
    std::vector<int> Widths;    // the widest row of each line
    int Longest = 0;            // the widest of all

    int Lines() const noexcept { return static_cast<int>(First.size()) - 1; }
    int Rows() const noexcept { return First.back(); }
    std::span<const int> ExtraOf(int line) const;
    int LineOfRow(int row, int fromLine) const;
    // Lines first.. (removed of them) become the lines of piece.
    void Replace(int first, int removed, const tRows& piece);
    void AppendLineOf(const tRows& from, int line);
  };

  // How far the breaking of one line has come.
  struct tScan {
    int RowStart = 0;
    int Pos = 0;                 // the columns before it are done
    long long X = 0;             // the width of the row up to Pos
    int Break = 0;               // where the row may end, after blanks; 0 for nowhere yet
    long long XAtBreak = 0;
    bool AfterBlank = false;
    long long Widest = 0;        // the widest of the rows ended
  };
  // The last line's scan stopped before its last cluster, which the next append may extend.
  struct tTail {
    int Line = -1;
    tScan Scan;
  };

  bool Relaying() const noexcept { return split_ < lines_; }
  // Runs a change of the layout; when it fails, the layout degrades before the failure goes on.
  template <class tChange>
  void Guarded(tChange&& change);
  void Degrade() noexcept;
  const tRows& PartOf(int line) const noexcept { return line < split_ ? rows_ : stale_; }
  tRows& PartOf(int line) noexcept { return line < split_ ? rows_ : stale_; }
  void LayLine(int line, tRows& into);
  // The width of a line of printable ASCII units, each measured already, that fits one row; none
  // for any other line, which needs the whole scan.
  std::optional<long long> OneRowWidth(std::wstring_view text) const noexcept;
  // A line laid out: the rows after its first, and the widest.
  static void AddLine(tRows& into, int extraRows, long long widest);
  // The last cluster of the line, then the line's rows into rows.
  void EndLine(int line, std::wstring_view text, tScan& scan, tRows& into, size_t extraBegin);
  // Breaks the clusters that start before until into rows, the last cluster of the text too when
  // all is set.
  void ScanClusters(std::wstring_view text, tScan& scan, std::vector<int>& starts, bool all,
                    size_t until = SIZE_MAX);
  void DropPartial();
  // How far a cluster that starts at x takes the row: a tab to its stop, others their width.
  long long Advance(std::wstring_view cluster, long long x) override;
  int MeasureCluster(std::wstring_view cluster);
  void ApplySettings();
  void ContinueTail(tRows& part);
  void ContinueRelayoutNow(int characters);
  void FinishRelayout();
  // The marks of a long row, made or made on; none for a short row, or when there is no memory
  // for them.
  const cRowMarks* MarksOf(int line, int rowStart, std::wstring_view text, int rowEnd);
  // Places the cluster that the walk stands before, and moves the walk past it.
  tPlacedCluster Step(std::wstring_view text, int rowEnd, tRowWalk& walk, const cRowMarks* marks);
  void EnterStretch(std::wstring_view text, int rowEnd, tRowWalk& walk, const cRowMarks* marks);

  const iLayoutText& text_;
  iTextMeasure& measure_;
  bool wrap_ = false;
  int width_ = 0;
  std::vector<int> tabUnits_;
  // Derived from the above when the layout is made stale.
  long long limit_ = 0;              // a row's width, or no limit
  std::vector<long long> tabStops_;  // in pixels
  long long tabInterval_ = 1;        // the default stops after the last, in pixels

  int lines_ = 0;
  // Every line one row: rows_, stale_ and fresh_ hold nothing, rows_.Longest the widest row known.
  bool degraded_ = false;
  // Lines before split_ are laid out in rows_. While stale, stale_ holds every line's rows as they
  // were (an estimate), except the lines marked fresh, which are right.
  int split_ = 0;
  tRows rows_;
  tRows stale_;
  std::vector<bool> fresh_;
  // The line split_ while it is laid out over several slices.
  std::optional<tScan> partial_;
  tTail tail_;

  // The marks of the long rows walked lately, by line and the column where the row starts.
  struct tMarkedRow {
    int Line = 0;
    int Start = 0;
    std::uint64_t Used = 0;
    cRowMarks Marks;
  };
  std::vector<tMarkedRow> marked_;
  std::uint64_t walks_ = 0;

  // The widths measured, per font: of single units by unit, of longer clusters by text.
  std::vector<int> unitWidths_ = std::vector<int>(0x10000, -1);
  std::map<std::wstring, int, std::less<>> clusterWidths_;
};

}  // namespace view
