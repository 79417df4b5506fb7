#pragma once
// The text of the output view, with no window: UTF-16 with CR LF line breaks, as the rest of the
// program sees a pane's text. Positions, line numbers and lengths mean what they mean in an edit
// control: a position counts UTF-16 units from 0, a line begins after a line break, a line's
// length leaves its line break out, and only CR LF breaks a line: a CR or an LF on its own is a
// character of its line, as in the edit control of Windows. (Wine's edit control also breaks a
// line at a lone LF, and leaves the CR of CR CR LF out of its line.) Output holds no lone LF, its
// line breaks are made CR LF; a backspace after a line break leaves a lone CR.
//
// The text lives in blocks of a fixed size, so it grows without ever being copied: an append
// costs what it appends, and an edit elsewhere moves at most the blocks it touches. A block that
// output filled with characters below U+0100, as most output is, holds a byte for each; an edit
// that touches it makes it UTF-16 first. An index of
// the line breaks, 4 bytes each, answers the line queries by binary search; an edit moves the
// entries after it. Beside the text runs a list of attribute runs (how stretches of text look),
// and a second one of links (which stretches link to what), both of which edits keep aligned with
// the text; the list of links stays empty until a link comes, so text without any pays nothing.
// Once a change brings a time, the store keeps the time of each line too (4 bytes a line, moved
// with the index).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace view {

// Positions and counts: 64 bits, so nothing overflows past 2^31 characters.
using tTextPos = std::int64_t;
// How a stretch of text looks (see view/TextLook.h); opaque to the store. Typed text and plain
// output have 0.
using tTextAttribute = std::uint64_t;

// When a line's first character came: the local time of day in milliseconds, plus 1
// (view/LineTimes.h); 0 for none, as typed text has.
using tLineStamp = std::uint32_t;

// A stretch of the text: from Start to End, Start <= End.
struct tTextSpan {
  tTextPos Start = 0;
  tTextPos End = 0;
  friend bool operator==(const tTextSpan&, const tTextSpan&) = default;
};

// An edit control's messages answer in int: a value beyond its range is answered as the nearest
// int (a position past INT_MAX as INT_MAX).
int ClampToInt(tTextPos value) noexcept;

// A stretch of Length characters in one attribute.
struct tAttributeRun {
  std::size_t Length;
  tTextAttribute Attribute;
};

// A link's number (what it links to is the caller's to know; the store only keeps it aligned with
// the text) and its stretch; 0 where no link is.
using tLinkId = std::uint64_t;
struct tTextLink {
  tTextSpan Span;
  tLinkId Id = 0;
  friend bool operator==(const tTextLink&, const tTextLink&) = default;
};

// One change of the text: the characters [Start, Start + Removed) were replaced by Inserted
// characters, and with them RemovedBreaks line breaks by InsertedBreaks; the first line that
// changed is Line (the line that holds Start).
struct tTextChange {
  tTextPos Start = 0;
  tTextPos Removed = 0;
  tTextPos Inserted = 0;
  tTextPos Line = 0;
  tTextPos RemovedBreaks = 0;
  tTextPos InsertedBreaks = 0;
};

// Told of every change, after the store has made it (lines and runs already follow it).
class iTextStoreEvents {
public:
  virtual ~iTextStoreEvents() = default;
  virtual void TextChanged(const tTextChange& change) = 0;
};

class cTextStore {
public:
  static constexpr std::size_t kDefaultBlockUnits = 65536;

  // blockUnits: the size of a block of text, in UTF-16 units. origin: where the text begins; the
  // characters before it count as if they had been there, in one line without a break, but
  // cannot be read or changed. The view starts at 0; tests reach sizes past 2^31 with a far
  // origin instead of filling memory.
  explicit cTextStore(std::size_t blockUnits = kDefaultBlockUnits, tTextPos origin = 0);
  cTextStore(const cTextStore&) = delete;
  cTextStore& operator=(const cTextStore&) = delete;

  // None, or the one listener; it must outlive the store or be taken away first.
  void SetEvents(iTextStoreEvents* events) noexcept { events_ = events; }

  tTextPos Length() const noexcept { return origin_ + held_; }
  // A position brought into the text: at least the origin, at most Length().
  tTextPos ClampPosition(tTextPos position) const noexcept;

  // As an edit control counts: at least 1, one more than the line breaks (an empty last line
  // after a final break counts).
  tTextPos LineCount() const noexcept;
  // The position of the line's first character; -1 for a line that does not exist.
  tTextPos LineStart(tTextPos line) const noexcept;
  // The line's length without its line break; 0 for a line that does not exist.
  tTextPos LineLength(tTextPos line) const noexcept;
  // The line that holds the position (clamped into the text). A position between the CR and the
  // LF of a line break belongs to the line that the break ends.
  tTextPos LineFromPosition(tTextPos position) const noexcept;

  // Reading, without copying the whole text. A range [start, start + count) is cut to the text.
  // Text() is all of it from the origin.
  std::wstring Text() const;
  std::wstring Substr(tTextPos start, tTextPos count) const;
  // Copies up to count characters from start into out; answers how many it copied.
  std::size_t CopyTo(tTextPos start, std::size_t count, wchar_t* out) const;
  // The range as it lies in the store, when it lies in one block of UTF-16 units (an empty range
  // always does); none when it does not.
  std::optional<std::wstring_view> View(tTextPos start, tTextPos count) const;
  // Calls visit with the pieces of [start, end) in order, each with its position, until visit
  // answers false. Answers whether every piece was visited.
  bool ForEachPiece(tTextPos start, tTextPos end,
                    const std::function<bool(tTextPos position, std::wstring_view piece)>& visit) const;
  // Calls visit with the attribute runs that meet [start, end), each cut to that range, in order.
  void ForEachRun(tTextPos start, tTextPos end,
                  const std::function<void(tTextPos runStart, tTextPos runEnd, tTextAttribute attribute)>& visit) const;

  // Adds the text at the end; costs what the text costs, whatever the store holds.
  void Append(std::wstring_view text, tTextAttribute attribute = 0);
  // Adds the text at the end in one change, the runs giving its stretches their attributes in
  // order, and the links (runs whose attribute is a tLinkId) their links; what they leave at its
  // end gets 0. Its characters came at the stamp's time.
  void Append(std::wstring_view text, std::span<const tAttributeRun> runs, std::span<const tAttributeRun> links = {},
              tLineStamp stamp = 0);
  // The link at the position, with the whole stretch of it around the position.
  tTextLink LinkAt(tTextPos position) const;
  // Replaces the range [start, start + count), cut to the text, by the text, which gets the
  // attribute; answers what it removed. An edit that cannot get its memory throws and changes
  // nothing. The lines that the change leaves from the line of start on take the stamps given,
  // when there is one for each of them (as LineStamps read them before an edit that this one
  // takes back); else each takes the time of its first character: the stamp's for a character
  // of the text, its own line's for one that was there.
  std::wstring Replace(tTextPos start, tTextPos count, std::wstring_view text, tTextAttribute attribute = 0,
                       tLineStamp stamp = 0, std::span<const tLineStamp> lineStamps = {});
  // When the line's first character came; 0 when not known (a line with no character, one typed,
  // one that does not exist).
  tLineStamp LineStamp(tTextPos line) const noexcept;
  // The stamps of count lines from first on; empty while the store knows no time at all.
  std::vector<tLineStamp> LineStamps(tTextPos first, tTextPos count) const;
  // Empties the store (down to its origin).
  void Clear();
  // An empty store begins at the origin from now on, as if made with it; one that holds text keeps
  // its own. Answers whether it took it.
  bool SetOrigin(tTextPos origin) noexcept;

  // The bytes that the store holds for the text, its line index and its runs: what it has
  // allocated, used or not.
  std::size_t BytesHeld() const noexcept;

private:
  // A block holds its characters at the front of a buffer of blockUnits_, of UTF-16 units or,
  // while all are below U+0100, of bytes; it is never empty.
  struct tBlock {
    std::unique_ptr<wchar_t[]> Text;          // none while narrow
    std::unique_ptr<unsigned char[]> Narrow;  // none once wide
    std::size_t Size = 0;
    tTextPos Start = 0;
  };
  // The positions of the LFs of the line breaks, in order, in 4 bytes each: the low 32 bits of
  // each position, and where the positions pass each multiple of 2^32.
  class cLineBreaks {
  public:
    std::size_t Size() const noexcept { return low_.size(); }
    tTextPos operator[](std::size_t index) const noexcept;
    // The index of the first position at or after the given one.
    std::size_t LowerBound(tTextPos position) const noexcept;
    // Makes ready what a Splice of up to extra more positions, none beyond highest, needs, so
    // that it cannot fail.
    void Prepare(std::size_t extra, tTextPos highest);
    // Replaces the positions [first, last) by others, in order, and moves those after by delta.
    void Splice(std::size_t first, std::size_t last, const std::vector<tTextPos>& positions, tTextPos delta);
    void Clear() noexcept;
    std::size_t BytesHeld() const noexcept;

  private:
    std::vector<std::uint32_t> low_;
    // passes_[k]: the index of the first position at or above (k + 1) * 2^32.
    std::vector<std::size_t> passes_;
    // passes_ as it was before a Splice.
    std::vector<std::size_t> passed_;
  };
  // A run of one attribute, from Start to the next run's start (the last one to the end).
  struct tRun {
    tTextPos Start;
    tTextAttribute Attribute;
  };

  // The end of [start, start + count) brought into the text, not before the start brought in.
  tTextPos RangeEnd(tTextPos start, tTextPos count) const noexcept;
  std::size_t BlockAt(tTextPos position) const noexcept;
  wchar_t CharAt(tTextPos position) const noexcept;
  // An empty block of UTF-16 units; a block that holds the text, narrow where every character is
  // below U+0100.
  tBlock WideBlock() const;
  tBlock NewBlock(std::wstring_view text) const;
  // The block holds the same characters as UTF-16 units; what can be read does not change, so a
  // failed allocation leaves the text as it was.
  void MakeWide(tBlock& block) const;
  // Moves count characters within the block; writes characters that its kind can hold.
  static void MoveUnits(tBlock& block, std::size_t to, std::size_t from, std::size_t count) noexcept;
  static void WriteUnits(tBlock& block, std::size_t offset, std::wstring_view text) noexcept;
  // Calls visit(block, offset, count) for the pieces of [start, end) in order, until it answers
  // false; answers whether every piece was visited.
  template <class tVisit>
  bool ForEachSpan(tTextPos start, tTextPos end, tVisit&& visit) const;
  void EraseText(tTextPos start, tTextPos count);
  void InsertText(tTextPos position, std::wstring_view text);
  void RestartBlocksFrom(std::size_t index) noexcept;
  void MergeAround(std::size_t first, std::size_t last);
  static void SpliceRuns(std::vector<tRun>& runs, tTextPos start, tTextPos end, tTextPos inserted,
                         tTextAttribute attribute, bool textAfter);
  // After a splice: the given runs, from the second, over the text [start, textEnd) appended.
  static void AppendRuns(std::vector<tRun>& runs, tTextPos start, tTextPos textEnd,
                         std::span<const tAttributeRun> given);
  std::vector<tTextPos> BreaksAfterChange(tTextPos start, tTextPos end, std::wstring_view text) const;
  // The stamps of the lines from change.Line on that the change left, as Replace says.
  void SpliceStamps(const tTextChange& change, tTextPos lineStart, const std::vector<tTextPos>& found,
                    tLineStamp stamp, std::span<const tLineStamp> lineStamps);
  void Change(tTextPos start, tTextPos count, std::wstring_view text, tTextAttribute attribute,
              std::span<const tAttributeRun> runs = {}, std::span<const tAttributeRun> links = {},
              tLineStamp stamp = 0, std::span<const tLineStamp> lineStamps = {});

  const std::size_t blockUnits_;
  tTextPos origin_;
  tTextPos held_ = 0;
  std::vector<tBlock> blocks_;
  // The block that BlockAt found last; the store is used on one thread.
  mutable std::size_t lastBlock_ = 0;
  cLineBreaks breaks_;
  std::vector<tRun> runs_;
  // Empty while no link has come; then from the origin on, as runs_.
  std::vector<tRun> links_;
  // A stamp for each line once a change has brought a time; none before.
  std::vector<tLineStamp> stamps_;
  iTextStoreEvents* events_ = nullptr;
};

}  // namespace view
