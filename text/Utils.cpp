#include "text/Utils.h"

#include <shellapi.h>

#include <bit>
#include <type_traits>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "gui/Handle.h"

namespace {

template <class Char>
constexpr bool IsBlank(Char c) noexcept {
  return static_cast<std::make_unsigned_t<Char>>(c) <= 0x20;
}

template <class Char>
std::basic_string_view<Char> TrimView(std::basic_string_view<Char> text) noexcept {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

constexpr DWORD kSystemMessageFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

DWORD FormatSystemMessage(DWORD code, char** buffer) {
  return ::FormatMessageA(kSystemMessageFlags, nullptr, code, 0, reinterpret_cast<LPSTR>(buffer), 0,
                          nullptr);
}

DWORD FormatSystemMessage(DWORD code, wchar_t** buffer) {
  return ::FormatMessageW(kSystemMessageFlags, nullptr, code, 0, reinterpret_cast<LPWSTR>(buffer),
                          0, nullptr);
}

template <class Char>
std::basic_string<Char> SystemMessage(DWORD code) {
  Char* buffer = nullptr;
  DWORD length = FormatSystemMessage(code, &buffer);
  gui::cLocalMemory memory(buffer);
  if (length == 0 || buffer == nullptr) return {};
  return std::basic_string<Char>(TrimView(std::basic_string_view<Char>(buffer, length)));
}

}  // namespace

void AppendString(std::wstring_view text, tWStringArray& array) { array.emplace_back(text); }

void cStringParser::Split(std::wstring_view text, std::wstring_view delimiters,
                          tSplitOptions options, tWStringArray& result) {
  auto addItem = [&](std::wstring_view item) {
    if (options & spTrimItems) item = TrimView(item);
    if ((options & spKeepEmpty) || !item.empty()) AppendString(item, result);
  };
  std::wstring_view rest = text;
  while (auto hit = FirstDelimiter(rest, delimiters)) {
    addItem(rest.substr(0, hit->Position));
    if (options & spIncludeDelimiters) AppendString(std::wstring_view(&hit->Delimiter, 1), result);
    rest.remove_prefix(hit->Position + 1);
  }
  addItem(rest);
}

std::optional<tDelimiterHit> cStringParser::FirstDelimiter(std::wstring_view text,
                                                           std::wstring_view delimiters) {
  size_t position = text.find_first_of(delimiters);
  if (position == std::wstring_view::npos) return std::nullopt;
  return tDelimiterHit{position, text[position]};
}

std::wstring cStringUtils::ReplaceText(std::wstring_view text, std::wstring_view pattern,
                                       std::wstring_view replacement, tReplaceOptions options) {
  if (pattern.empty()) return std::wstring(text);
  // Folding keeps every character where it is, so positions found in the folded copies are
  // positions in the text.
  std::wstring foldedText;
  std::wstring foldedPattern;
  std::wstring_view searched = text;
  std::wstring_view sought = pattern;
  if (options & roIgnoreCase) {
    foldedText = UpperCaseAscii(text);
    foldedPattern = UpperCaseAscii(pattern);
    searched = foldedText;
    sought = foldedPattern;
  }
  std::wstring result;
  result.reserve(text.size());
  size_t done = 0;
  while (done < searched.size()) {
    size_t found = searched.find(sought, done);
    if (found == std::wstring_view::npos) break;
    result.append(text.substr(done, found - done));
    result.append(replacement);
    done = found + sought.size();
    if (!(options & roReplaceAll)) break;
  }
  result.append(text.substr(done));
  return result;
}

std::wstring cStringUtils::NormalizeLineBreaks(std::wstring_view text) {
  // Whole stretches between the breaks are copied at once: output is mostly such stretches.
  std::wstring result;
  result.reserve(text.size() + text.size() / 16);
  std::size_t from = 0;
  for (std::size_t at = FindEither(text, L'\r', L'\n'); at != std::wstring_view::npos; at = FindEither(text, L'\r', L'\n', from)) {
    result.append(text.substr(from, at - from));
    if (text[at] == L'\n') result.append(L"\r\n");
    from = at + 1;
  }
  result.append(text.substr(from));
  return result;
}

std::size_t cStringUtils::FindEither(std::wstring_view text, wchar_t a, wchar_t b, std::size_t from) noexcept {
  static_assert(sizeof(wchar_t) == 2, "a unit is UTF-16");
  std::size_t at = from;
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i wantA = _mm_set1_epi16(static_cast<short>(a)), wantB = _mm_set1_epi16(static_cast<short>(b));
  for (; at + 8 <= text.size(); at += 8) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(units, wantA), _mm_cmpeq_epi16(units, wantB)));
    // Two bits a unit.
    if (hits != 0) return at + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(hits))) / 2;
  }
#endif
  for (; at < text.size(); ++at)
    if (text[at] == a || text[at] == b) return at;
  return std::wstring_view::npos;
}

void cStringUtils::SwapByteOrder(std::wstring& text) noexcept {
  for (wchar_t& c : text) {
    auto unit = static_cast<unsigned>(static_cast<char16_t>(c));
    c = static_cast<wchar_t>(((unit & 0xFFu) << 8) | (unit >> 8));
  }
}

std::wstring cStringUtils::Trim(std::wstring_view text) { return std::wstring(TrimView(text)); }

std::wstring cStringUtils::UpperCaseAscii(std::wstring_view text) {
  std::wstring result(text);
  for (wchar_t& c : result) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return result;
}

std::string cSystemResources::SystemErrorText(DWORD code) { return SystemMessage<char>(code); }

std::wstring cSystemResources::SystemErrorTextW(DWORD code) { return SystemMessage<wchar_t>(code); }

std::wstring cSystemResources::CurrentFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    if (length < folder.size()) {
      folder.resize(length);
      return folder;
    }
    folder.resize(length);
  }
}

std::wstring cSystemResources::ShellOpen(HWND owner, std::wstring_view file,
                                         std::wstring_view directory) {
  const std::wstring fileText(file);
  const std::wstring directoryText(directory);
  HINSTANCE answer = ::ShellExecuteW(owner, L"Open", fileText.c_str(), nullptr,
                                     directoryText.empty() ? nullptr : directoryText.c_str(), SW_SHOW);
  // Answers up to 32 are failures.
  if (reinterpret_cast<INT_PTR>(answer) > 32) return {};
  return SystemErrorTextW(::GetLastError());
}
