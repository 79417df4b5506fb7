#pragma once
// The escape sequences in the child's output, read as a terminal reads them: SGR (CSI ... m)
// sets the look of the text that follows, OSC 8 ("ESC ] 8 ; params ; URI" ended by ST or BEL) marks
// the text that follows as a link to the URI until one with an empty URI or the line's end, and
// every other sequence is taken out and does nothing. What is left is plain text, handed on in
// pieces, each with the look it is shown in and the link it belongs to.
//
// The output comes in chunks, and a sequence may be cut between two: what has come of it waits
// for the next chunk. A sequence that breaks its own syntax, or grows past kLongestSequence
// without ending, is shown as text, so that no byte of the output can hide what follows it.
// A chunk without an escape character is handed on as it is, after one search.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "view/TextLook.h"

class cEscapeParser {
public:
  // link: the URI the text links to; empty for none.
  using tVisit = std::function<void(std::wstring_view text, view::tTextAttribute look, std::wstring_view link)>;
  static constexpr std::size_t kLongestSequence = 4096;

  // Hands visit the plain text of the chunk, in order; never an empty piece.
  void Feed(std::wstring_view chunk, const tVisit& visit);
  // The output has ended: a sequence that waits can never be finished, and is shown as text.
  void Finish(const tVisit& visit);

  view::tTextAttribute Look() const noexcept { return attribute_; }

private:
  enum class tState { Ground, Escape, EscapeIntermediate, Csi, CsiIntermediate, String, StringEscape };
  // What a character does to the sequence under way.
  enum class tStep { Taken, Ended, Broken };

  tStep Advance(wchar_t c);
  // Where the final character of a CSI sequence without intermediates that starts at the escape
  // lies, when the chunk holds all of it; npos otherwise.
  static std::size_t WholeCsiEnd(std::wstring_view chunk, std::size_t escape) noexcept;
  void ShowPending(const tVisit& visit);
  // Hands on plain text; a link that no sequence ends ends with the line.
  void Visit(std::wstring_view text, const tVisit& visit);
  // The sequence in pending_, without its ending, once it has ended.
  void ApplyString(std::wstring_view sequence);
  // Applies the parameters of an SGR sequence, the text between "ESC [" and "m".
  void ApplySgr(std::wstring_view parameters);
  void ApplyCode(int code);
  // Reads the colour that follows 38, 48 or 58 from the parameters [first, end), which are the
  // code's sub-parameters or the parameters after it; answers how many of them it used. A colour
  // out of range leaves colour empty.
  std::size_t ReadColour(std::size_t first, std::size_t end, bool subParameters,
                         std::optional<COLORREF>& colour) const;

  struct tParameter {
    int Value = 0;
    bool Given = false;
    // Joined to the one before by a colon.
    bool Sub = false;
  };

  tState state_ = tState::Ground;
  // The sequence so far, from its escape character.
  std::wstring pending_;
  std::vector<tParameter> parameters_;
  view::tTextLook look_;
  view::tTextAttribute attribute_ = 0;
  std::wstring link_;
};
