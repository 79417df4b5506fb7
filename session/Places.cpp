#include "session/Places.h"

#include <windows.h>

#include <algorithm>
#include <array>

#include "text/TextCodec.h"
#include "text/Utils.h"

namespace {

constexpr std::size_t kNone = std::wstring_view::npos;

constexpr bool IsDigit(wchar_t c) noexcept { return c >= L'0' && c <= L'9'; }
constexpr bool IsAsciiLetter(wchar_t c) noexcept { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
// Letters and digits of any script count as word characters.
constexpr bool IsWordChar(wchar_t c) noexcept { return IsDigit(c) || IsAsciiLetter(c) || c >= 0x80; }
constexpr bool IsSlash(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

// Characters no path holds; blanks aside, they also end a path that may hold blanks.
constexpr bool IsForbiddenInPath(wchar_t c) noexcept {
  return c < 0x20 || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L'*' || c == L'?';
}

// The colon of a drive letter: "X:" followed by a slash, the letter not ending a longer word.
bool IsDriveColon(std::wstring_view line, std::size_t i) {
  return line[i] == L':' && i >= 1 && IsAsciiLetter(line[i - 1]) && (i < 2 || !IsWordChar(line[i - 2])) &&
         i + 1 < line.size() && IsSlash(line[i + 1]);
}

// How long the prefix is that puts a path in the system's own namespaces: "\\?\" (or "//?/"), "\\.\"
// (or "//./") and "\??\"; 0 when there is none.
std::size_t NamespacePrefixLength(std::wstring_view path) {
  if (path.size() >= 4 && IsSlash(path[0]) && IsSlash(path[1]) && (path[2] == L'?' || path[2] == L'.') &&
      IsSlash(path[3]))
    return 4;
  return path.starts_with(L"\\??\\") ? 4 : 0;
}

// The question marks of a namespace prefix at the start of a path are part of it.
bool IsPrefixMark(std::wstring_view line, std::size_t i) {
  for (std::size_t start = i >= 2 ? i - 2 : 0; start <= i; ++start)
    if (NamespacePrefixLength(line.substr(start, 4)) == 4 && line.substr(start, 4).find(L'?') != kNone) return true;
  return false;
}

// A colon that is not a drive letter's separates a path from what follows it.
bool EndsPath(std::wstring_view line, std::size_t i) {
  return (IsForbiddenInPath(line[i]) && !IsPrefixMark(line, i)) || (line[i] == L':' && !IsDriveColon(line, i));
}

// Where an absolute path starts: "X:\", "X:/", or the "\\" of a network path or a namespace prefix,
// the "\\" not inside another path or name ("C:\\work", as escaped text writes it, is on drive C).
bool StartsAbsolutePath(std::wstring_view line, std::size_t i) {
  if (i + 2 < line.size() && IsDriveColon(line, i + 1)) return true;
  if (i > 0 && (IsWordChar(line[i - 1]) || IsSlash(line[i - 1]) || line[i - 1] == L':' || line[i - 1] == L'.'))
    return false;
  const std::wstring_view rest = line.substr(i);
  return rest.starts_with(L"\\\\") || rest.starts_with(L"\\??\\");
}

// Brackets that a place's text may hold in pairs.
constexpr std::array<std::array<wchar_t, 2>, 3> kBrackets{{{L'(', L')'}, {L'[', L']'}, {L'{', L'}'}}};

bool IsAbsolute(std::wstring_view path) { return StartsAbsolutePath(path, 0); }

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Two slashes of either kind start a network path ("\\host\share", "//host/share") or a namespace
// prefix.
bool IsNetworkStart(std::wstring_view path) { return path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1]); }

// The root a rooted path ("\src\a.c") hangs from: the folder's drive ("C:"), or its computer and
// share ("\\host\share").
std::wstring_view FolderRoot(std::wstring_view folder) {
  if (!IsNetworkStart(folder)) return folder.substr(0, 2);
  const std::size_t host = folder.find_first_of(L"\\/", 2);
  return folder.substr(0, host == kNone ? kNone : folder.find_first_of(L"\\/", host + 1));
}

// Whether the path's last name is one the system keeps for a device, in any folder, in any letter
// case and with any extension or trailing blanks ("NUL", "com1.txt", "con .c"); the ports' digit may
// be a superscript one, two or three.
bool HasDeviceName(std::wstring_view path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  std::wstring_view name = path.substr(slash == kNone ? 0 : slash + 1);
  name = name.substr(0, name.find_first_of(L".:"));
  while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
  for (const std::wstring_view device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"})
    if (name.size() == device.size() && StartsWithNoCase(name, device)) return true;
  const bool port = name.size() == 4 && (StartsWithNoCase(name, L"com") || StartsWithNoCase(name, L"lpt"));
  return port && (IsDigit(name[3]) || name[3] == L'\u00b9' || name[3] == L'\u00b2' || name[3] == L'\u00b3');
}

// A decimal number of one to nine digits at i; its value and where it ends.
struct tNumber {
  int Value = 0;
  std::size_t End = 0;
};

std::optional<tNumber> NumberAt(std::wstring_view line, std::size_t i) {
  tNumber number{0, i};
  while (number.End < line.size() && IsDigit(line[number.End])) {
    if (number.End - i == 9) return std::nullopt;
    number.Value = number.Value * 10 + (line[number.End] - L'0');
    ++number.End;
  }
  if (number.End == i) return std::nullopt;
  return number;
}

// An address: "http://" or "https://" at i, not inside a word, and what follows up to a blank or
// a character that no address holds. Punctuation at its end belongs to the sentence, and so does a
// closing bracket that opened before the address.
std::optional<tPlace> AddressAt(std::wstring_view line, std::size_t i) {
  if (i > 0 && IsWordChar(line[i - 1])) return std::nullopt;
  std::size_t schemeLength = 0;
  if (StartsWithNoCase(line.substr(i), L"http://")) schemeLength = 7;
  else if (StartsWithNoCase(line.substr(i), L"https://")) schemeLength = 8;
  else return std::nullopt;
  std::size_t end = i + schemeLength;
  while (end < line.size() && line[end] > 0x20 && line[end] != 0x7F && line[end] != L'"' && line[end] != L'<' &&
         line[end] != L'>' && line[end] != L'`')
    ++end;
  // The brackets are counted once; each one taken off the end leaves one fewer.
  std::array<std::array<std::size_t, 2>, kBrackets.size()> counts{};
  for (std::size_t k = i + schemeLength; k < end; ++k)
    for (std::size_t b = 0; b < kBrackets.size(); ++b)
      for (std::size_t side = 0; side < 2; ++side) counts[b][side] += line[k] == kBrackets[b][side];
  for (; end > i + schemeLength; --end) {
    const wchar_t last = line[end - 1];
    bool unbalanced = false;
    for (std::size_t b = 0; b < kBrackets.size(); ++b) {
      if (last != kBrackets[b][1]) continue;
      unbalanced = counts[b][0] < counts[b][1];
      if (unbalanced) --counts[b][1];
    }
    if (!unbalanced && std::wstring_view(L".,;:!?'").find(last) == kNone) break;
  }
  if (end <= i + schemeLength) return std::nullopt;
  tPlace place;
  place.Kind = pkAddress;
  place.Start = i;
  place.End = end;
  place.Address = line.substr(i, end - i);
  return place;
}

// What a line tells about the paths that end at a position: where the last absolute path before
// it starts, and where the line's own first path would start.
class cPathStarts {
public:
  explicit cPathStarts(std::wstring_view line) : line_(line), lastAbsolute_(line.size() + 1, kNone) {
    std::size_t current = kNone;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (EndsPath(line, i)) current = kNone;
      if (StartsAbsolutePath(line, i)) current = i;
      lastAbsolute_[i + 1] = current;
    }
    // A build tool's project number ("12>") and the indent come before the first path.
    std::size_t start = 0;
    while (start < line.size() && line[start] == L' ') ++start;
    std::size_t digits = start;
    while (digits < line.size() && IsDigit(line[digits])) ++digits;
    if (digits > start && digits < line.size() && line[digits] == L'>') start = digits + 1;
    lineStart_ = start;
    firstEnd_ = start;
    while (firstEnd_ < line.size() && !EndsPath(line, firstEnd_)) ++firstEnd_;
  }

  // The readings of a path that ends at end and starts no earlier than from: the whole absolute
  // path, blanks and all; the line's first path, blanks and all; the last word before end.
  std::vector<tPlacePath> Readings(std::size_t from, std::size_t end) const {
    std::size_t word = end;
    while (word > from && line_[word - 1] != L' ' && !EndsPath(line_, word - 1)) --word;
    // A bracket that opens before the path and does not close in it belongs to the sentence.
    for (bool stripped = true; stripped && word < end;) {
      stripped = false;
      for (const auto& [open, close] : kBrackets) {
        if (line_[word] == open && line_.substr(word, end - word).find(close) == kNone) {
          ++word;
          stripped = true;
        }
      }
    }
    const std::wstring_view last = line_.substr(word, end - word);
    const bool hasLetter = std::any_of(last.begin(), last.end(), [](wchar_t c) { return !IsDigit(c); });
    // "scheme://host:port" is an address of a kind that does not open.
    const bool address = word > 0 && line_[word - 1] == L':' && last.starts_with(L"//");
    if (last.empty() || !hasLetter || address || IsSlash(last.back())) return {};

    std::vector<tPlacePath> readings;
    // A word that starts with a slash starts a path: no name of a folder ends with a blank.
    if (IsSlash(last.front())) {
      readings.push_back({word, std::wstring(last)});
      return readings;
    }
    const std::size_t absolute = lastAbsolute_[end];
    if (absolute != kNone && absolute >= from && absolute < word)
      readings.push_back({absolute, std::wstring(line_.substr(absolute, end - absolute))});
    else if (lineStart_ >= from && lineStart_ < word && end <= firstEnd_)
      readings.push_back({lineStart_, std::wstring(line_.substr(lineStart_, end - lineStart_))});
    readings.push_back({word, std::wstring(last)});
    return readings;
  }

private:
  std::wstring_view line_;
  std::vector<std::size_t> lastAbsolute_;
  std::size_t lineStart_ = 0;
  std::size_t firstEnd_ = 0;
};

// Python's File "path", line N at i.
std::optional<tPlace> TracebackAt(std::wstring_view line, std::size_t i, std::size_t from) {
  static constexpr std::wstring_view kFile = L"File \"", kLine = L"\", line ";
  if (i < from || line.substr(i, kFile.size()) != kFile || (i > 0 && IsWordChar(line[i - 1]))) return std::nullopt;
  const std::size_t pathStart = i + kFile.size();
  const std::size_t quote = line.find(L'"', pathStart);
  if (quote == kNone || quote == pathStart || line.substr(quote, kLine.size()) != kLine) return std::nullopt;
  const std::optional<tNumber> number = NumberAt(line, quote + kLine.size());
  if (!number) return std::nullopt;
  tPlace place;
  place.Kind = pkFile;
  place.Start = pathStart;
  place.End = number->End;
  place.Paths.push_back({pathStart, std::wstring(line.substr(pathStart, quote - pathStart))});
  place.Line = number->Value;
  return place;
}

// "(line)" or "(line,column)" after a path, as Microsoft's tools write, or ":line" and
// ":line:column", as most others do, at i.
std::optional<tPlace> LocationAt(std::wstring_view line, std::size_t i, std::size_t from, const cPathStarts& starts) {
  if (i == 0) return std::nullopt;
  tPlace place;
  place.Kind = pkFile;
  if (line[i] == L'(') {
    const std::optional<tNumber> row = NumberAt(line, i + 1);
    if (!row || row->End >= line.size()) return std::nullopt;
    std::size_t end = row->End;
    if (line[end] == L',') {
      const std::optional<tNumber> column = NumberAt(line, end + 1);
      if (!column) return std::nullopt;
      place.Column = column->Value;
      end = column->End;
    }
    if (end >= line.size() || line[end] != L')') return std::nullopt;
    place.Line = row->Value;
    place.End = end + 1;
  } else if (line[i] == L':' && !IsDriveColon(line, i)) {
    const std::optional<tNumber> row = NumberAt(line, i + 1);
    if (!row) return std::nullopt;
    place.Line = row->Value;
    place.End = row->End;
    if (place.End + 1 < line.size() && line[place.End] == L':') {
      if (const std::optional<tNumber> column = NumberAt(line, place.End + 1)) {
        place.Column = column->Value;
        place.End = column->End;
      }
    }
  } else {
    return std::nullopt;
  }
  place.Paths = starts.Readings(from, i);
  if (place.Paths.empty()) return std::nullopt;
  place.Start = place.Paths.front().Start;
  return place;
}

}  // namespace

std::vector<tPlace> FindPlaces(std::wstring_view line) {
  line = line.substr(0, std::min(line.size(), kPlaceLineLimit));
  const cPathStarts starts(line);
  std::vector<tPlace> places;
  std::size_t from = 0;
  for (std::size_t i = 0; i < line.size();) {
    std::optional<tPlace> place = AddressAt(line, i);
    if (!place) place = TracebackAt(line, i, from);
    if (!place) place = LocationAt(line, i, from, starts);
    if (!place) {
      ++i;
      continue;
    }
    from = i = place->End;
    places.push_back(std::move(*place));
  }
  return places;
}

std::optional<std::wstring> PromptFolder(std::wstring_view line) {
  line = line.substr(0, std::min(line.size(), kPlaceLineLimit));
  if (!StartsAbsolutePath(line, 0)) return std::nullopt;
  for (std::size_t i = 3; i < line.size(); ++i) {
    if (line[i] == L'>') return std::wstring(line.substr(0, i));
    if (EndsPath(line, i)) return std::nullopt;
  }
  return std::nullopt;
}

std::wstring AbsolutePlacePath(std::wstring_view path, std::wstring_view folder) {
  std::wstring joined;
  if (IsAbsolute(path) || IsNetworkStart(path) || folder.empty()) {
    joined = path;
  } else if (IsSlash(path.front())) {
    // Rooted: on the folder's drive, or its computer's share.
    joined = std::wstring(FolderRoot(folder)) + std::wstring(path);
  } else {
    joined = folder;
    if (!IsSlash(joined.back())) joined += L'\\';
    joined += path;
  }
  // The system takes a path in its own namespaces as it is written; made "full", "\??\x" would
  // become a folder on the current drive.
  if (NamespacePrefixLength(joined) > 0) return joined;
  std::wstring full(joined.size() + MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameW(joined.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return joined;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

tPathReach PathReach(std::wstring_view path) {
  if (const std::size_t prefix = NamespacePrefixLength(path)) {
    const std::wstring_view rest = path.substr(prefix);
    if (path[2] == L'.') return prDevice;
    if (StartsWithNoCase(rest, L"unc") && (rest.size() == 3 || IsSlash(rest[3]))) return prNetwork;
    const bool drive =
        rest.size() >= 2 && IsAsciiLetter(rest[0]) && rest[1] == L':' && (rest.size() == 2 || IsSlash(rest[2]));
    return drive && !HasDeviceName(path) ? prLocal : prDevice;
  }
  if (IsNetworkStart(path)) return prNetwork;
  return HasDeviceName(path) ? prDevice : prLocal;
}

std::wstring NetworkHost(std::wstring_view path) {
  if (PathReach(path) != prNetwork) return {};
  // After "\\", or after the "UNC" of a namespace prefix.
  const std::size_t prefix = NamespacePrefixLength(path);
  std::wstring_view rest = path.substr(prefix > 0 ? std::min(prefix + 3, path.size()) : 0);
  while (!rest.empty() && IsSlash(rest.front())) rest.remove_prefix(1);
  const std::size_t slash = rest.find_first_of(L"\\/");
  return std::wstring(rest.substr(0, slash));
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<tPlaceTarget> ResolvePlace(const tPlace& place, std::wstring_view folder, const tFileExists& exists) {
  if (place.Kind == pkAddress) return tPlaceTarget{pkAddress, place.Start, place.End, place.Address, 0, 1};
  for (const tPlacePath& reading : place.Paths) {
    const std::wstring_view name = std::wstring_view(reading.Path).substr(NamespacePrefixLength(reading.Path));
    if (name.empty() || std::any_of(name.begin(), name.end(), IsForbiddenInPath)) continue;
    std::wstring path = AbsolutePlacePath(reading.Path, folder);
    const tPathReach reach = PathReach(path);
    // A device is no file. Whether a file on the network exists is not asked at all: the question
    // alone reaches the computer the output names.
    if (reach == prDevice) continue;
    if (reach == prNetwork || exists(path))
      return tPlaceTarget{pkFile, reading.Start, place.End, std::move(path), place.Line,
                          place.Column > 0 ? place.Column : 1, reach};
  }
  return std::nullopt;
}

namespace {

int HexValue(wchar_t c) noexcept {
  if (IsDigit(c)) return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// The text with each %XX made the byte it stands for, the bytes read as UTF-8; none when a % has no
// two hexadecimal digits after it or the bytes are no UTF-8.
std::optional<std::wstring> PercentDecoded(std::wstring_view text) {
  std::string bytes;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t percent = std::min(text.find(L'%', at), text.size());
    cTextCodec::AppendUtf8(text.substr(at, percent - at), bytes);
    if (percent == text.size()) break;
    if (percent + 2 >= text.size() || HexValue(text[percent + 1]) < 0 || HexValue(text[percent + 2]) < 0)
      return std::nullopt;
    bytes += static_cast<char>(HexValue(text[percent + 1]) * 16 + HexValue(text[percent + 2]));
    at = percent + 3;
  }
  if (!cTextCodec::IsUtf8(bytes)) return std::nullopt;
  return cTextCodec::FromUtf8(bytes);
}

bool IsHostChar(wchar_t c) noexcept { return IsDigit(c) || IsAsciiLetter(c) || c == L'-' || c == L'.' || c == L'_'; }

}  // namespace

std::optional<tPlaceTarget> LinkPlace(std::wstring_view uri) {
  if (std::any_of(uri.begin(), uri.end(), [](wchar_t c) { return c <= 0x20 || c == 0x7F || c == L'"'; }))
    return std::nullopt;
  const std::size_t colon = uri.find(L"://");
  if (colon == kNone) return std::nullopt;
  const std::wstring scheme = cStringUtils::UpperCaseAscii(uri.substr(0, colon));
  const std::wstring_view rest = uri.substr(colon + 3);
  if (scheme == L"HTTP" || scheme == L"HTTPS") {
    if (rest.empty()) return std::nullopt;
    return tPlaceTarget{pkAddress, 0, 0, std::wstring(uri), 0, 1};
  }
  if (scheme != L"FILE") return std::nullopt;
  const std::size_t slash = rest.find(L'/');
  if (slash == kNone) return std::nullopt;
  const std::wstring_view host = rest.substr(0, slash);
  // A query or a fragment is no part of the file's name.
  const std::wstring_view encoded = rest.substr(slash, rest.find_first_of(L"?#", slash) - slash);
  std::optional<std::wstring> path = PercentDecoded(encoded);
  if (!path) return std::nullopt;
  std::replace(path->begin(), path->end(), L'/', L'\\');
  std::wstring target;
  if (host.empty() || cStringUtils::UpperCaseAscii(host) == L"LOCALHOST") {
    // "/C:/a" names C:\a.
    if (path->size() < 4 || !IsAsciiLetter((*path)[1]) || (*path)[2] != L':' || (*path)[3] != L'\\')
      return std::nullopt;
    target = path->substr(1);
  } else {
    if (!std::all_of(host.begin(), host.end(), IsHostChar)) return std::nullopt;
    target = L"\\\\" + std::wstring(host) + *path;
  }
  if (std::any_of(target.begin() + 2, target.end(), IsForbiddenInPath) || target.find(L':', 2) != kNone)
    return std::nullopt;
  target = AbsolutePlacePath(target, {});
  const tPathReach reach = PathReach(target);
  if (reach == prDevice) return std::nullopt;
  return tPlaceTarget{pkFile, 0, 0, std::move(target), 1, 1, reach};
}
