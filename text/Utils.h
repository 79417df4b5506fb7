#pragma once
// Stateless string routines shared by the session and the dialogs, and the two system services
// they need: the message text of an error code and opening a document with the shell.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

using tWStringArray = std::vector<std::wstring>;

// Adds one element at the end of the array.
void AppendString(std::wstring_view text, tWStringArray& array);

// Bit set for cStringParser::Split.
using tSplitOptions = unsigned;
inline constexpr tSplitOptions spIncludeDelimiters = 1;  // each delimiter becomes an item of its own
inline constexpr tSplitOptions spKeepEmpty = 2;          // empty items are kept
inline constexpr tSplitOptions spTrimItems = 4;          // items lose their blanks at both ends

// Bit set for cStringUtils::ReplaceText.
using tReplaceOptions = unsigned;
inline constexpr tReplaceOptions roReplaceAll = 1;   // every occurrence, not only the first
inline constexpr tReplaceOptions roIgnoreCase = 2;   // ASCII letters match in either case

// Where the earliest delimiter of a text is (from 0) and which one it is.
struct tDelimiterHit {
  size_t Position = 0;
  wchar_t Delimiter = 0;
  friend bool operator==(const tDelimiterHit&, const tDelimiterHit&) = default;
};

class cStringParser {
public:
  cStringParser() = delete;

  // Appends the pieces of the text between the delimiter characters to the result. Empty pieces
  // are dropped unless spKeepEmpty is given; delimiter items (spIncludeDelimiters) always stay.
  static void Split(std::wstring_view text, std::wstring_view delimiters, tSplitOptions options,
                    tWStringArray& result);

  // The earliest occurrence of any of the delimiters; none when the text holds none of them.
  static std::optional<tDelimiterHit> FirstDelimiter(std::wstring_view text,
                                                     std::wstring_view delimiters);
};

class cStringUtils {
public:
  cStringUtils() = delete;

  // Replaces the first (or with roReplaceAll every) occurrence of the pattern. Occurrences do not
  // overlap and a replacement is never searched again; an empty pattern changes nothing.
  static std::wstring ReplaceText(std::wstring_view text, std::wstring_view pattern,
                                  std::wstring_view replacement, tReplaceOptions options);

  // Every line break becomes CR LF: CR is removed, then LF is made CR LF.
  static std::wstring NormalizeLineBreaks(std::wstring_view text);

  // Where a or b first occurs at or after from; npos where neither does. Output is scanned with
  // these at every chunk, eight units at a time where the processor can: find_first_of with a
  // set calls wmemchr at every character, and wmemchr itself goes one at a time.
  static std::size_t FindEither(std::wstring_view text, wchar_t a, wchar_t b, std::size_t from = 0) noexcept;
  static std::size_t FindUnit(std::wstring_view text, wchar_t unit, std::size_t from = 0) noexcept {
    return FindEither(text, unit, unit, from);
  }

  // Exchanges the two bytes of every UTF-16 unit.
  static void SwapByteOrder(std::wstring& text) noexcept;

  // The text without the blanks (characters up to U+0020) at both ends.
  static std::wstring Trim(std::wstring_view text);

  // The text with a to z made A to Z; every other character stays as it is.
  static std::wstring UpperCaseAscii(std::wstring_view text);
};

class cSystemResources {
public:
  cSystemResources() = delete;

  // The system's message for an error code, trimmed; empty when the system has none.
  static std::string SystemErrorText(DWORD code);
  static std::wstring SystemErrorTextW(DWORD code);

  // Opens a document, program or web address with the shell. The result is the error text of a
  // failed request, empty on success.
  static std::wstring ShellOpen(HWND owner, std::wstring_view file, std::wstring_view directory);
  // The process's current folder.
  static std::wstring CurrentFolder();
};
