#include "session/EscapeParser.h"

#include <algorithm>

#include "text/Utils.h"

namespace {

constexpr wchar_t kEscape = 0x1B, kBell = 0x07;
// Parameters are cut here: no colour or code is larger, and nothing overflows.
constexpr int kLargestValue = 0xFFFF;

constexpr bool Within(wchar_t c, wchar_t first, wchar_t last) noexcept { return c >= first && c <= last; }
constexpr bool IsIntermediate(wchar_t c) noexcept { return Within(c, 0x20, 0x2F); }
constexpr bool IsFinal(wchar_t c) noexcept { return Within(c, 0x40, 0x7E); }
// The characters that open a string ended by BEL or ST: OSC, DCS, SOS, PM and APC.
constexpr bool OpensString(wchar_t c) noexcept { return c == L']' || c == L'P' || c == L'X' || c == L'^' || c == L'_'; }

}  // namespace

void cEscapeParser::Feed(std::wstring_view chunk, const tVisit& visit) {
  std::size_t i = 0;
  while (i < chunk.size()) {
    if (state_ == tState::Ground) {
      const std::size_t escape = cStringUtils::FindUnit(chunk, kEscape, i);
      if (escape != i) Visit(chunk.substr(i, escape == std::wstring_view::npos ? escape : escape - i), visit);
      if (escape == std::wstring_view::npos) return;
      // A CSI sequence without intermediates that lies whole in the chunk, as colour mostly comes,
      // is read at once; the rest goes a character at a time.
      if (const std::size_t end = WholeCsiEnd(chunk, escape); end != std::wstring_view::npos) {
        if (chunk[end] == L'm') ApplySgr(chunk.substr(escape + 2, end - escape - 2));
        i = end + 1;
        continue;
      }
      pending_.assign(1, kEscape);
      state_ = tState::Escape;
      i = escape + 1;
      continue;
    }
    if (pending_.size() == kLongestSequence) {
      ShowPending(visit);
      continue;
    }
    const wchar_t c = chunk[i];
    const tState before = state_;
    switch (Advance(c)) {
      case tStep::Taken:
        pending_ += c;
        ++i;
        break;
      case tStep::Ended:
        // The parameters are what follows "ESC [".
        if (before == tState::Csi && c == L'm') ApplySgr(std::wstring_view(pending_).substr(2));
        // ST leaves its escape character behind, BEL nothing.
        if (before == tState::String || before == tState::StringEscape) {
          const std::size_t ending = before == tState::StringEscape ? 1 : 0;
          ApplyString(std::wstring_view(pending_).substr(0, pending_.size() - ending));
        }
        pending_.clear();
        state_ = tState::Ground;
        ++i;
        break;
      case tStep::Broken:
        // An escape character that broke a string begins a sequence of its own.
        if (before == tState::StringEscape) {
          pending_.pop_back();
          ShowPending(visit);
          pending_.assign(1, kEscape);
          state_ = tState::Escape;
        } else {
          ShowPending(visit);
        }
        break;
    }
  }
}

std::size_t cEscapeParser::WholeCsiEnd(std::wstring_view chunk, std::size_t escape) noexcept {
  if (escape + 1 >= chunk.size() || chunk[escape + 1] != L'[') return std::wstring_view::npos;
  std::size_t end = escape + 2;
  while (end < chunk.size() && Within(chunk[end], 0x30, 0x3F)) ++end;
  if (end >= chunk.size() || !IsFinal(chunk[end]) || end - escape >= kLongestSequence) return std::wstring_view::npos;
  return end;
}

void cEscapeParser::Finish(const tVisit& visit) {
  if (state_ != tState::Ground) ShowPending(visit);
  link_.clear();
}

cEscapeParser::tStep cEscapeParser::Advance(wchar_t c) {
  switch (state_) {
    case tState::Ground:
      break;
    case tState::Escape:
      if (c == L'[') {
        state_ = tState::Csi;
        return tStep::Taken;
      }
      if (OpensString(c)) {
        state_ = tState::String;
        return tStep::Taken;
      }
      if (IsIntermediate(c)) {
        state_ = tState::EscapeIntermediate;
        return tStep::Taken;
      }
      return Within(c, 0x30, 0x7E) ? tStep::Ended : tStep::Broken;
    case tState::EscapeIntermediate:
      return Within(c, 0x30, 0x7E) ? tStep::Ended : tStep::Broken;
    case tState::Csi:
      if (Within(c, 0x30, 0x3F)) return tStep::Taken;
      [[fallthrough]];
    case tState::CsiIntermediate:
      if (IsIntermediate(c)) {
        state_ = tState::CsiIntermediate;
        return tStep::Taken;
      }
      return IsFinal(c) ? tStep::Ended : tStep::Broken;
    case tState::String:
      if (c == kBell) return tStep::Ended;
      if (c == kEscape) {
        state_ = tState::StringEscape;
        return tStep::Taken;
      }
      return c < 0x20 || c == 0x7F ? tStep::Broken : tStep::Taken;
    case tState::StringEscape:
      return c == L'\\' ? tStep::Ended : tStep::Broken;
  }
  return tStep::Broken;
}

void cEscapeParser::ShowPending(const tVisit& visit) {
  if (!pending_.empty()) Visit(pending_, visit);
  pending_.clear();
  state_ = tState::Ground;
}

void cEscapeParser::Visit(std::wstring_view text, const tVisit& visit) {
  if (!link_.empty()) {
    const std::size_t lf = cStringUtils::FindUnit(text, L'\n');
    if (lf == std::wstring_view::npos) {
      visit(text, attribute_, link_);
      return;
    }
    if (lf > 0) visit(text.substr(0, lf), attribute_, link_);
    link_.clear();
    text.remove_prefix(lf);
  }
  visit(text, attribute_, {});
}

// ---- strings ----

void cEscapeParser::ApplyString(std::wstring_view sequence) {
  // OSC 8: "ESC ] 8 ; params ; URI"; an empty URI ends the link. Other strings do nothing.
  constexpr std::wstring_view kLink = L"\x1B]8;";
  if (!sequence.starts_with(kLink)) return;
  const std::size_t semicolon = sequence.find(L';', kLink.size());
  if (semicolon == std::wstring_view::npos) return;
  link_.assign(sequence.substr(semicolon + 1));
}

// ---- SGR ----

void cEscapeParser::ApplySgr(std::wstring_view text) {
  // A private sequence ("CSI > 4 m") is no SGR. (Not find_first_not_of: with a set it calls
  // wmemchr at every character, and colour comes as a sequence or two a line.)
  if (!std::all_of(text.begin(), text.end(), [](wchar_t c) { return (c >= L'0' && c <= L'9') || c == L';' || c == L':'; }))
    return;
  parameters_.clear();
  tParameter current;
  for (const wchar_t c : text) {
    if (c == L';' || c == L':') {
      parameters_.push_back(current);
      current = tParameter{0, false, c == L':'};
    } else {
      current.Value = std::min(current.Value * 10 + (c - L'0'), kLargestValue);
      current.Given = true;
    }
  }
  parameters_.push_back(current);

  const std::size_t count = parameters_.size();
  for (std::size_t i = 0; i < count;) {
    std::size_t end = i + 1;
    while (end < count && parameters_[end].Sub) ++end;
    const int code = parameters_[i].Value;
    if (code == 38 || code == 48 || code == 58) {
      // 58, the underline's colour, is read only so that its numbers are not taken for codes.
      std::optional<COLORREF> colour;
      if (end > i + 1) {
        ReadColour(i + 1, end, true, colour);
      } else {
        end += ReadColour(end, count, false, colour);
      }
      if (colour && code == 38) {
        look_.HasForeground = true;
        look_.Foreground = *colour;
      } else if (colour && code == 48) {
        look_.HasBackground = true;
        look_.Background = *colour;
      }
    } else if (code == 4 && end > i + 1) {
      // 4:0 is no underline, 4:1 to 4:5 the kinds of underline, all drawn as one.
      ApplyCode(parameters_[i + 1].Value == 0 ? 24 : 4);
    } else {
      ApplyCode(code);
    }
    i = end;
  }
  attribute_ = view::PackLook(look_);
}

std::size_t cEscapeParser::ReadColour(std::size_t first, std::size_t end, bool subParameters,
                                      std::optional<COLORREF>& colour) const {
  if (first >= end) return 0;
  const auto value = [&](std::size_t index) { return parameters_[index].Value; };
  const std::size_t available = end - first;
  if (value(first) == 5) {
    if (available >= 2 && value(first + 1) <= 255) colour = view::IndexedColour(value(first + 1));
    return std::min<std::size_t>(available, 2);
  }
  if (value(first) != 2) return subParameters ? available : 0;
  // 38:2:r:g:b, 38:2:space:r:g:b (the space is not looked at) and 38;2;r;g;b.
  const std::size_t rgb = subParameters && available >= 5 ? first + 2 : first + 1;
  if (rgb + 3 <= end && value(rgb) <= 255 && value(rgb + 1) <= 255 && value(rgb + 2) <= 255)
    colour = RGB(value(rgb), value(rgb + 1), value(rgb + 2));
  return subParameters ? available : std::min<std::size_t>(available, 4);
}

void cEscapeParser::ApplyCode(int code) {
  const auto set = [this](std::uint8_t styles) { look_.Styles = static_cast<std::uint8_t>(look_.Styles | styles); };
  const auto clear = [this](std::uint8_t styles) { look_.Styles = static_cast<std::uint8_t>(look_.Styles & ~styles); };
  switch (code) {
    case 0: look_ = {}; return;
    case 1: set(view::lsBold); return;
    case 2: set(view::lsFaint); return;
    case 3: set(view::lsItalic); return;
    case 4: set(view::lsUnderline); return;
    case 7: set(view::lsInverse); return;
    case 9: set(view::lsStrike); return;
    case 21: clear(view::lsBold); return;
    case 22: clear(view::lsBold | view::lsFaint); return;
    case 23: clear(view::lsItalic); return;
    case 24: clear(view::lsUnderline); return;
    case 27: clear(view::lsInverse); return;
    case 29: clear(view::lsStrike); return;
    case 39: look_.HasForeground = false; return;
    case 49: look_.HasBackground = false; return;
    default: break;
  }
  const auto among = [code](int first, int last) { return code >= first && code <= last; };
  if (among(30, 37) || among(90, 97)) {
    look_.HasForeground = true;
    look_.Foreground = view::BasicColour(code < 90 ? code - 30 : code - 90 + 8);
  } else if (among(40, 47) || among(100, 107)) {
    look_.HasBackground = true;
    look_.Background = view::BasicColour(code < 100 ? code - 40 : code - 100 + 8);
  }
}
