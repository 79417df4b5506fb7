#include "view/TextStore.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <cstring>
#include <iterator>
#include <utility>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "text/Utils.h"

namespace view {

namespace {

// Makes room for extra more elements. The arrays grow by an eighth (a part of growth), not by
// doubling: a doubled array holds up to twice what it needs, and four times while it moves.
template <class T>
void Reserve(std::vector<T>& items, std::size_t extra, std::size_t part = 8) {
  const std::size_t needed = items.size() + extra;
  if (needed > items.capacity()) items.reserve(std::max(needed, items.capacity() + items.capacity() / part + 16));
}

// Makes the elements [first, last) of an array into count elements, moving those after them.
// Given the room (Reserve), it cannot fail.
template <class T>
void Resize(std::vector<T>& items, std::size_t first, std::size_t last, std::size_t count) {
  if (count > last - first) {
    Reserve(items, count - (last - first));
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(last), count - (last - first), T{});
  } else {
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(first + count),
                items.begin() + static_cast<std::ptrdiff_t>(last));
  }
}

constexpr int kLowBits = 32;

// Packs the units into bytes, sixteen at a time where the processor can; false, the bytes left
// undefined, where a unit is U+0100 or above.
bool PackBytes(std::wstring_view text, unsigned char* out) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 8));
    // Every unit that fits a byte has a high byte of 0.
    const __m128i high = _mm_or_si128(_mm_srli_epi16(first, 8), _mm_srli_epi16(second, 8));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, zero)) != 0xFFFF) return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(first, second));
  }
#endif
  for (; i < text.size(); ++i) {
    const auto unit = static_cast<char16_t>(text[i]);
    if (unit > 0xFF) return false;
    out[i] = static_cast<unsigned char>(unit);
  }
  return true;
}

void UnpackBytes(const unsigned char* bytes, std::size_t count, wchar_t* out) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= count; i += 16) {
    const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(sixteen, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(sixteen, zero));
  }
#endif
  for (; i < count; ++i) out[i] = static_cast<wchar_t>(bytes[i]);
}

bool FitsBytes(std::wstring_view text) noexcept {
  return std::all_of(text.begin(), text.end(), [](wchar_t unit) { return static_cast<char16_t>(unit) <= 0xFF; });
}

}  // namespace

int ClampToInt(tTextPos value) noexcept { return static_cast<int>(std::clamp<tTextPos>(value, INT_MIN, INT_MAX)); }

cTextStore::cTextStore(std::size_t blockUnits, tTextPos origin)
    : blockUnits_(std::max<std::size_t>(blockUnits, 1)), origin_(std::max<tTextPos>(origin, 0)) {}

tTextPos cTextStore::ClampPosition(tTextPos position) const noexcept { return std::clamp(position, origin_, Length()); }

tTextPos cTextStore::RangeEnd(tTextPos start, tTextPos count) const noexcept {
  // Saturating: a count up to INT64_MAX from any start ends at the end of the text.
  const tTextPos end = count > 0 && start > INT64_MAX - count ? INT64_MAX : start + std::max<tTextPos>(count, 0);
  return std::max(ClampPosition(end), ClampPosition(start));
}

// ---- the line index

tTextPos cTextStore::cLineBreaks::operator[](std::size_t index) const noexcept {
  const auto high = std::upper_bound(passes_.begin(), passes_.end(), index) - passes_.begin();
  return (static_cast<tTextPos>(high) << kLowBits) | low_[index];
}

std::size_t cTextStore::cLineBreaks::LowerBound(tTextPos position) const noexcept {
  // Only the positions of the same high half need comparing: those before are lower, those after
  // higher.
  const auto high = static_cast<std::size_t>(position >> kLowBits);
  auto groupStart = [&](std::size_t h) { return h == 0 ? 0 : h <= passes_.size() ? passes_[h - 1] : low_.size(); };
  const auto low = static_cast<std::uint32_t>(position);
  return static_cast<std::size_t>(std::lower_bound(low_.begin() + static_cast<std::ptrdiff_t>(groupStart(high)),
                                                   low_.begin() + static_cast<std::ptrdiff_t>(groupStart(high + 1)),
                                                   low) -
                                  low_.begin());
}

void cTextStore::cLineBreaks::Prepare(std::size_t extra, tTextPos highest) {
  Reserve(low_, extra);
  passes_.reserve(std::max(passes_.size(), static_cast<std::size_t>(highest >> kLowBits)));
  passed_ = passes_;
}

void cTextStore::cLineBreaks::Splice(std::size_t first, std::size_t last, const std::vector<tTextPos>& positions,
                                     tTextPos delta) {
  // The positions from first on are written anew, and where they pass 2^32 with them; passed_
  // keeps where they passed it before.
  const std::vector<std::size_t>& passed = passed_;
  const std::size_t count = positions.size();
  // The high half of the position that entry i held before, at index i - count + (last - first).
  auto oldHigh = [&](std::size_t i) {
    return static_cast<tTextPos>(std::upper_bound(passed.begin(), passed.end(), i - count + (last - first)) -
                                 passed.begin());
  };
  Resize(low_, first, last, count);
  passes_.erase(std::lower_bound(passes_.begin(), passes_.end(), first), passes_.end());
  for (std::size_t i = first; i < low_.size(); ++i) {
    const tTextPos value = i < first + count ? positions[i - first] : ((oldHigh(i) << kLowBits) | low_[i]) + delta;
    while (passes_.size() < static_cast<std::size_t>(value >> kLowBits)) passes_.push_back(i);
    low_[i] = static_cast<std::uint32_t>(value);
  }
}

void cTextStore::cLineBreaks::Clear() noexcept {
  std::vector<std::uint32_t>().swap(low_);
  std::vector<std::size_t>().swap(passes_);
  std::vector<std::size_t>().swap(passed_);
}

std::size_t cTextStore::cLineBreaks::BytesHeld() const noexcept {
  return low_.capacity() * sizeof(std::uint32_t) + (passes_.capacity() + passed_.capacity()) * sizeof(std::size_t);
}

// ---- lines

tTextPos cTextStore::LineCount() const noexcept { return static_cast<tTextPos>(breaks_.Size()) + 1; }

tTextPos cTextStore::LineStart(tTextPos line) const noexcept {
  if (line < 0 || line >= LineCount()) return -1;
  return line == 0 ? 0 : breaks_[static_cast<std::size_t>(line - 1)] + 1;
}

tTextPos cTextStore::LineLength(tTextPos line) const noexcept {
  if (line < 0 || line >= LineCount()) return 0;
  // A line ends before the CR of its break, the last one at the end of the text.
  const tTextPos end =
      line < static_cast<tTextPos>(breaks_.Size()) ? breaks_[static_cast<std::size_t>(line)] - 1 : Length();
  return end - LineStart(line);
}

tTextPos cTextStore::LineFromPosition(tTextPos position) const noexcept {
  // A line starts after its break's LF: the line of a position counts the LFs before it.
  const tTextPos clamped = ClampPosition(position);
  return static_cast<tTextPos>(breaks_.LowerBound(clamped));
}

// ---- reading

std::size_t cTextStore::BlockAt(tTextPos position) const noexcept {
  // Reading mostly goes on where it left off, line by line: the last block found, or the next,
  // before a search. Whatever changed since, a block that holds the position is its block.
  for (std::size_t b = lastBlock_; b < blocks_.size() && b <= lastBlock_ + 1; ++b)
    if (position >= blocks_[b].Start && position < blocks_[b].Start + static_cast<tTextPos>(blocks_[b].Size))
      return lastBlock_ = b;
  const auto after = std::upper_bound(blocks_.begin(), blocks_.end(), position,
                                      [](tTextPos p, const tBlock& block) { return p < block.Start; });
  return lastBlock_ = static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - blocks_.begin() - 1, 0));
}

wchar_t cTextStore::CharAt(tTextPos position) const noexcept {
  const tBlock& block = blocks_[BlockAt(position)];
  const auto offset = static_cast<std::size_t>(position - block.Start);
  return block.Narrow ? static_cast<wchar_t>(block.Narrow[offset]) : block.Text[offset];
}

template <class tVisit>
bool cTextStore::ForEachSpan(tTextPos start, tTextPos end, tVisit&& visit) const {
  start = ClampPosition(start);
  end = ClampPosition(end);
  for (std::size_t b = start < end ? BlockAt(start) : blocks_.size(); b < blocks_.size() && start < end; ++b) {
    const tBlock& block = blocks_[b];
    const auto offset = static_cast<std::size_t>(start - block.Start);
    const auto count =
        static_cast<std::size_t>(std::min<tTextPos>(end - start, static_cast<tTextPos>(block.Size - offset)));
    if (!visit(block, offset, count)) return false;
    start += static_cast<tTextPos>(count);
  }
  return true;
}

bool cTextStore::ForEachPiece(tTextPos start, tTextPos end,
                              const std::function<bool(tTextPos, std::wstring_view)>& visit) const {
  std::wstring widened;
  tTextPos at = ClampPosition(start);
  return ForEachSpan(start, end, [&](const tBlock& block, std::size_t offset, std::size_t count) {
    std::wstring_view piece(block.Text.get() + offset, count);
    if (block.Narrow) {
      widened.resize(count);
      UnpackBytes(block.Narrow.get() + offset, count, widened.data());
      piece = widened;
    }
    const tTextPos pieceAt = std::exchange(at, at + static_cast<tTextPos>(count));
    return visit(pieceAt, piece);
  });
}

std::wstring cTextStore::Substr(tTextPos start, tTextPos count) const {
  const tTextPos end = RangeEnd(start, count);
  start = ClampPosition(start);
  std::wstring text(static_cast<std::size_t>(end - start), L'\0');
  CopyTo(start, text.size(), text.data());
  return text;
}

std::wstring cTextStore::Text() const { return Substr(origin_, held_); }

std::size_t cTextStore::CopyTo(tTextPos start, std::size_t count, wchar_t* out) const {
  std::size_t copied = 0;
  const tTextPos end = RangeEnd(start, static_cast<tTextPos>(std::min<std::size_t>(count, INT64_MAX)));
  ForEachSpan(start, end, [&](const tBlock& block, std::size_t offset, std::size_t piece) {
    if (block.Narrow)
      UnpackBytes(block.Narrow.get() + offset, piece, out + copied);
    else
      std::wmemcpy(out + copied, block.Text.get() + offset, piece);
    copied += piece;
    return true;
  });
  return copied;
}

std::optional<std::wstring_view> cTextStore::View(tTextPos start, tTextPos count) const {
  const tTextPos end = RangeEnd(start, count);
  start = ClampPosition(start);
  if (start == end) return std::wstring_view();
  const tBlock& block = blocks_[BlockAt(start)];
  if (block.Narrow || end > block.Start + static_cast<tTextPos>(block.Size)) return std::nullopt;
  return std::wstring_view(block.Text.get() + (start - block.Start), static_cast<std::size_t>(end - start));
}

void cTextStore::ForEachRun(tTextPos start, tTextPos end,
                            const std::function<void(tTextPos, tTextPos, tTextAttribute)>& visit) const {
  start = ClampPosition(start);
  end = ClampPosition(end);
  if (start >= end) return;
  auto run =
      std::upper_bound(runs_.begin(), runs_.end(), start, [](tTextPos p, const tRun& r) { return p < r.Start; }) - 1;
  for (; run != runs_.end() && run->Start < end; ++run) {
    const tTextPos runEnd = run + 1 == runs_.end() ? Length() : (run + 1)->Start;
    visit(std::max(start, run->Start), std::min(end, runEnd), run->Attribute);
  }
}

// ---- changes

void cTextStore::Append(std::wstring_view text, tTextAttribute attribute) { Change(Length(), 0, text, attribute); }

void cTextStore::Append(std::wstring_view text, std::span<const tAttributeRun> runs,
                        std::span<const tAttributeRun> links, tLineStamp stamp) {
  Change(Length(), 0, text, runs.empty() ? 0 : runs.front().Attribute, runs, links, stamp);
}

tTextLink cTextStore::LinkAt(tTextPos position) const {
  if (links_.empty() || position < origin_ || position >= Length()) return {};
  const auto run = std::upper_bound(links_.begin(), links_.end(), position,
                                    [](tTextPos p, const tRun& r) { return p < r.Start; }) - 1;
  if (run->Attribute == 0) return {};
  return {{run->Start, run + 1 == links_.end() ? Length() : (run + 1)->Start}, run->Attribute};
}

std::wstring cTextStore::Replace(tTextPos start, tTextPos count, std::wstring_view text, tTextAttribute attribute,
                                 tLineStamp stamp, std::span<const tLineStamp> lineStamps) {
  const tTextPos end = RangeEnd(start, count);
  start = ClampPosition(start);
  count = end - start;
  std::wstring removed = Substr(start, count);
  Change(start, count, text, attribute, {}, {}, stamp, lineStamps);
  return removed;
}

tLineStamp cTextStore::LineStamp(tTextPos line) const noexcept {
  return line >= 0 && line < static_cast<tTextPos>(stamps_.size()) ? stamps_[static_cast<std::size_t>(line)] : 0;
}

std::vector<tLineStamp> cTextStore::LineStamps(tTextPos first, tTextPos count) const {
  std::vector<tLineStamp> stamps;
  if (stamps_.empty()) return stamps;
  for (tTextPos line = first; line < first + count; ++line) stamps.push_back(LineStamp(line));
  return stamps;
}

void cTextStore::Clear() {
  if (held_ == 0) return;
  const tTextChange change{origin_, held_, 0, 0, static_cast<tTextPos>(breaks_.Size()), 0};
  // Swapped out, not cleared: a cleared array would keep its capacity.
  std::vector<tBlock>().swap(blocks_);
  breaks_.Clear();
  std::vector<tRun>().swap(runs_);
  std::vector<tRun>().swap(links_);
  std::vector<tLineStamp>().swap(stamps_);
  held_ = 0;
  if (events_) events_->TextChanged(change);
}

bool cTextStore::SetOrigin(tTextPos origin) noexcept {
  if (held_ != 0) return false;
  origin_ = std::max<tTextPos>(origin, 0);
  return true;
}

std::vector<tTextPos> cTextStore::BreaksAfterChange(tTextPos start, tTextPos end, std::wstring_view text) const {
  // The breaks whose LF will lie in [start, start + text size]: the text's own, and those it
  // makes with the characters on either side of it. (Before the origin there is no CR.)
  const wchar_t before = start > origin_ ? CharAt(start - 1) : L'\0';
  const wchar_t after = end < Length() ? CharAt(end) : L'\0';
  std::vector<tTextPos> found;
  if (text.empty()) {
    if (before == L'\r' && after == L'\n') found.push_back(start);
    return found;
  }
  if (before == L'\r' && text.front() == L'\n') found.push_back(start);
  // From LF to LF: a line of output is a stretch of characters that need no look.
  for (std::size_t lf = cStringUtils::FindUnit(text, L'\n', 1); lf != std::wstring_view::npos;
       lf = cStringUtils::FindUnit(text, L'\n', lf + 1))
    if (text[lf - 1] == L'\r') found.push_back(start + static_cast<tTextPos>(lf));
  if (text.back() == L'\r' && after == L'\n') found.push_back(start + static_cast<tTextPos>(text.size()));
  return found;
}

void cTextStore::SpliceStamps(const tTextChange& change, tTextPos lineStart, const std::vector<tTextPos>& found,
                              tLineStamp stamp, std::span<const tLineStamp> lineStamps) {
  if (stamps_.empty()) return;
  const auto first = static_cast<std::size_t>(change.Line);
  const std::size_t count = found.size() + 1;
  const tLineStamp own = stamps_[first], after = stamps_[first + static_cast<std::size_t>(change.RemovedBreaks)];
  Resize(stamps_, first, first + static_cast<std::size_t>(change.RemovedBreaks) + 1, count);
  if (lineStamps.size() == count) {
    std::copy(lineStamps.begin(), lineStamps.end(), stamps_.begin() + static_cast<std::ptrdiff_t>(first));
    return;
  }
  // A line takes the time of its first character (the CR of its break, if that is all it has):
  // one before the change keeps its line's, one of the text came with it, one after it is of the
  // line that held the end of the change. A line with no character at all has none.
  const tTextPos textEnd = change.Start + change.Inserted;
  auto firstCharacter = [&](tTextPos at, tLineStamp before) {
    if (at < change.Start) return before;
    if (at < textEnd) return stamp;
    return at < Length() ? after : tLineStamp{0};
  };
  stamps_[first] = firstCharacter(lineStart, own);
  for (std::size_t k = 1; k < count; ++k) stamps_[first + k] = firstCharacter(found[k - 1] + 1, 0);
}

void cTextStore::Change(tTextPos start, tTextPos count, std::wstring_view text, tTextAttribute attribute,
                        std::span<const tAttributeRun> runs, std::span<const tAttributeRun> links,
                        tLineStamp stamp, std::span<const tLineStamp> lineStamps) {
  const tTextPos end = start + count;
  const auto inserted = static_cast<tTextPos>(text.size());
  if (count == 0 && inserted == 0) return;
  const tTextPos delta = inserted - count, length = Length();
  tTextChange change{start, count, inserted, LineFromPosition(start), 0, 0};

  // The breaks that the change can part or make are those whose LF lies in [start, end].
  const std::vector<tTextPos> found = BreaksAfterChange(start, end, text);
  const std::size_t first = breaks_.LowerBound(start), last = breaks_.LowerBound(end + 1);
  change.RemovedBreaks = static_cast<tTextPos>(last - first);
  change.InsertedBreaks = static_cast<tTextPos>(found.size());

  // What can fail, allocating, comes first, and the text goes in at once: an edit that cannot get
  // its memory leaves the store as it was. The rest cannot fail.
  breaks_.Prepare(found.size(), length + delta);
  // The first time that comes makes a stamp for every line, none known until then.
  if (stamps_.empty() && (stamp != 0 || std::any_of(lineStamps.begin(), lineStamps.end(),
                                                     [](tLineStamp known) { return known != 0; })))
    stamps_.assign(static_cast<std::size_t>(LineCount()), 0);
  if (!stamps_.empty()) Reserve(stamps_, found.size());
  const tTextPos lineStart = LineStart(change.Line);
  // Coloured output makes a run or two a line, and an array that grows by an eighth is copied
  // whole at every eighth: the runs grow by half.
  Reserve(runs_, 2 + runs.size(), 2);
  // The first link gets a run of none before it, from the origin.
  const bool linked = !links_.empty() || !links.empty();
  if (linked) Reserve(links_, 3 + links.size(), 2);
  InsertText(end, text);
  EraseText(start, count);
  breaks_.Splice(first, last, found, delta);
  SpliceStamps(change, lineStart, found, stamp, lineStamps);
  SpliceRuns(runs_, start, end, inserted, attribute, end < length);
  if (end == length) AppendRuns(runs_, start, start + inserted, runs);
  if (linked) {
    if (links_.empty()) links_.push_back({origin_, 0});
    SpliceRuns(links_, start, end, inserted, links.empty() ? 0 : links.front().Attribute, end < length);
    if (end == length) AppendRuns(links_, start, start + inserted, links);
  }
  if (events_) events_->TextChanged(change);
}

void cTextStore::AppendRuns(std::vector<tRun>& runs, tTextPos start, tTextPos textEnd,
                            std::span<const tAttributeRun> given) {
  // Each starts a run of its own unless its attribute goes on.
  if (given.empty()) return;
  tTextPos at = std::min(start + static_cast<tTextPos>(given.front().Length), textEnd);
  for (std::size_t k = 1; k <= given.size() && at < textEnd; ++k) {
    const tTextAttribute next = k < given.size() ? given[k].Attribute : 0;
    // A run that the next one starts with has no length and gives way.
    if (runs.back().Start == at) runs.pop_back();
    if (runs.empty() || runs.back().Attribute != next) runs.push_back({at, next});
    if (k < given.size()) at = std::min(at + static_cast<tTextPos>(given[k].Length), textEnd);
  }
}

void cTextStore::SpliceRuns(std::vector<tRun>& runs, tTextPos start, tTextPos end, tTextPos inserted,
                            tTextAttribute attribute, bool textAfter) {
  // The runs that start in [start, end] go; the new text gets a run of its own, and the text
  // after the change, if any, keeps the attribute it had at end.
  auto byStart = [](const tRun& run, tTextPos p) { return run.Start < p; };
  const auto first =
      static_cast<std::size_t>(std::lower_bound(runs.begin(), runs.end(), start, byStart) - runs.begin());
  const auto last =
      static_cast<std::size_t>(std::upper_bound(runs.begin() + static_cast<std::ptrdiff_t>(first), runs.end(), end,
                                                [](tTextPos p, const tRun& run) { return p < run.Start; }) -
                               runs.begin());
  tRun replacement[2];
  std::size_t count = 0;
  if (inserted > 0) replacement[count++] = {start, attribute};
  if (textAfter) replacement[count++] = {start + inserted, runs[last - 1].Attribute};
  Resize(runs, first, last, count);
  std::copy(replacement, replacement + count, runs.begin() + static_cast<std::ptrdiff_t>(first));
  if (const tTextPos delta = inserted - (end - start); delta != 0)
    for (std::size_t i = first + count; i < runs.size(); ++i) runs[i].Start += delta;
  // Neighbours of one attribute become one run: the new runs, and those on either side of them.
  if (runs.empty()) return;
  const std::size_t lowest = first > 0 ? first - 1 : 0;
  for (std::size_t i = std::min(first + count, runs.size() - 1); i > lowest; --i)
    if (runs[i].Attribute == runs[i - 1].Attribute) runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(i));
}

void cTextStore::RestartBlocksFrom(std::size_t index) noexcept {
  for (std::size_t b = index; b < blocks_.size(); ++b)
    blocks_[b].Start = b == 0 ? origin_ : blocks_[b - 1].Start + static_cast<tTextPos>(blocks_[b - 1].Size);
}

void cTextStore::MergeAround(std::size_t first, std::size_t last) {
  // Two neighbours that fit in one block become one, so that blocks stay more than half full on
  // the average, whatever the edits. Blocks of the two kinds stay apart: joining them would take
  // memory, which a change can no longer get once it has begun.
  for (std::size_t b = std::min(last, blocks_.size()); b-- > first;) {
    if (b + 1 >= blocks_.size() || blocks_[b].Size + blocks_[b + 1].Size > blockUnits_ ||
        !blocks_[b].Narrow != !blocks_[b + 1].Narrow)
      continue;
    tBlock& block = blocks_[b];
    const tBlock& next = blocks_[b + 1];
    if (block.Narrow)
      std::memcpy(block.Narrow.get() + block.Size, next.Narrow.get(), next.Size);
    else
      std::wmemcpy(block.Text.get() + block.Size, next.Text.get(), next.Size);
    block.Size += next.Size;
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b + 1));
  }
}

void cTextStore::EraseText(tTextPos start, tTextPos count) {
  if (count == 0) return;
  const std::size_t b = BlockAt(start);
  tBlock& head = blocks_[b];
  const auto offset = static_cast<std::size_t>(start - head.Start);
  const std::size_t fromHead = std::min(static_cast<std::size_t>(count), head.Size - offset);
  MoveUnits(head, offset, offset + fromHead, head.Size - offset - fromHead);
  head.Size -= fromHead;
  // Whole blocks go; the last one loses its front.
  auto left = static_cast<std::size_t>(count) - fromHead;
  std::size_t next = b + 1;
  while (left > 0 && left >= blocks_[next].Size) left -= blocks_[next++].Size;
  if (left > 0) {
    tBlock& tail = blocks_[next];
    MoveUnits(tail, 0, left, tail.Size - left);
    tail.Size -= left;
  }
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(head.Size == 0 ? b : b + 1),
                blocks_.begin() + static_cast<std::ptrdiff_t>(next));
  held_ -= count;
  RestartBlocksFrom(b);
  MergeAround(b > 0 ? b - 1 : 0, b + 1);
}

cTextStore::tBlock cTextStore::WideBlock() const {
  tBlock block;
  block.Text = std::make_unique_for_overwrite<wchar_t[]>(blockUnits_);
  return block;
}

cTextStore::tBlock cTextStore::NewBlock(std::wstring_view text) const {
  tBlock block;
  auto bytes = std::make_unique_for_overwrite<unsigned char[]>(blockUnits_);
  if (PackBytes(text, bytes.get())) {
    block.Narrow = std::move(bytes);
  } else {
    block = WideBlock();
    std::wmemcpy(block.Text.get(), text.data(), text.size());
  }
  block.Size = text.size();
  return block;
}

void cTextStore::MakeWide(tBlock& block) const {
  if (!block.Narrow) return;
  auto units = std::make_unique_for_overwrite<wchar_t[]>(blockUnits_);
  UnpackBytes(block.Narrow.get(), block.Size, units.get());
  block.Text = std::move(units);
  block.Narrow.reset();
}

void cTextStore::MoveUnits(tBlock& block, std::size_t to, std::size_t from, std::size_t count) noexcept {
  if (block.Narrow)
    std::memmove(block.Narrow.get() + to, block.Narrow.get() + from, count);
  else
    std::wmemmove(block.Text.get() + to, block.Text.get() + from, count);
}

void cTextStore::WriteUnits(tBlock& block, std::size_t offset, std::wstring_view text) noexcept {
  if (block.Narrow)
    PackBytes(text, block.Narrow.get() + offset);
  else
    std::wmemcpy(block.Text.get() + offset, text.data(), text.size());
}

void cTextStore::InsertText(tTextPos position, std::wstring_view text) {
  // The new blocks, the room for them and a block made wide are had before anything changes:
  // when an allocation fails, the text is as it was.
  if (text.empty()) return;
  const bool empty = blocks_.empty();
  const std::size_t b = empty ? 0 : position == Length() ? blocks_.size() - 1 : BlockAt(position);
  const std::size_t size = empty ? 0 : blocks_[b].Size;
  const auto offset = empty ? 0 : static_cast<std::size_t>(position - blocks_[b].Start);
  std::vector<tBlock> added;
  if (!empty && text.size() <= blockUnits_ - size) {
    tBlock& block = blocks_[b];
    if (block.Narrow && !FitsBytes(text)) MakeWide(block);
    MoveUnits(block, offset + text.size(), offset, size - offset);
    WriteUnits(block, offset, text);
    block.Size += text.size();
  } else if (offset == size) {
    // An append fills the last block, then new ones, each full but the last and each of the kind
    // its own characters allow.
    const std::size_t room = empty ? 0 : blockUnits_ - size;
    const std::size_t count = (text.size() - room + blockUnits_ - 1) / blockUnits_;
    added.reserve(count);
    for (std::size_t at = room; at < text.size(); at += blockUnits_) added.push_back(NewBlock(text.substr(at, blockUnits_)));
    Reserve(blocks_, count);
    if (!empty) {
      tBlock& block = blocks_[b];
      const std::wstring_view head = text.substr(0, room);
      if (block.Narrow && !FitsBytes(head)) MakeWide(block);
      WriteUnits(block, size, head);
      block.Size = blockUnits_;
    }
  } else {
    // In the middle, the block's text and the new text are shared evenly by as many blocks as
    // they fill: an overflowing block leaves two halves with room for what is typed next, not a
    // nearly empty block for a character or two. They are all wide.
    std::wstring content(size, L'\0');
    CopyTo(blocks_[b].Start, size, content.data());
    content.insert(offset, text);
    const std::size_t pieces = (content.size() + blockUnits_ - 1) / blockUnits_;
    added.reserve(pieces - 1);
    for (std::size_t k = 1; k < pieces; ++k) added.push_back(WideBlock());
    Reserve(blocks_, pieces - 1);
    MakeWide(blocks_[b]);
    for (std::size_t k = 0, at = 0; k < pieces; ++k) {
      tBlock& to = k == 0 ? blocks_[b] : added[k - 1];
      to.Size = content.size() / pieces + (k < content.size() % pieces ? 1 : 0);
      std::wmemcpy(to.Text.get(), content.data() + at, to.Size);
      at += to.Size;
    }
  }
  const std::size_t from = empty ? 0 : b + 1;
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(from), std::make_move_iterator(added.begin()),
                 std::make_move_iterator(added.end()));
  held_ += static_cast<tTextPos>(text.size());
  RestartBlocksFrom(b);
  MergeAround(b > 0 ? b - 1 : 0, from + added.size());
}

std::size_t cTextStore::BytesHeld() const noexcept {
  std::size_t text = 0;
  for (const tBlock& block : blocks_) text += blockUnits_ * (block.Narrow ? 1 : sizeof(wchar_t));
  return text + blocks_.capacity() * sizeof(tBlock) + breaks_.BytesHeld() +
         (runs_.capacity() + links_.capacity()) * sizeof(tRun) + stamps_.capacity() * sizeof(tLineStamp);
}

}  // namespace view
