#pragma once
// What output the rules turn into what text, from an empty text.
#include <string>
#include <vector>

struct tRenderingCase {
  std::wstring Output;
  std::wstring Shown;
};

inline std::vector<tRenderingCase> RenderingCases() {
  return {
      // Backspace, over characters, a surrogate pair and line breaks, and with nothing to take back.
      {L"abc\b", L"ab"}, {L"abc\b\b\b\b", L""}, {L"\b", L""}, {L"a\U0001F600\b", L"a"},
      {L"\U0001F600\U0001F600\b\b", L""}, {L"abc\r\n\b", L"abc\r"}, {L"abc\r\n\r\n\b", L"abc\r\n"},
      {L"a\r\nb\r\n\b\bc", L"a\r\nbc"}, {L"\r\n\b", L""}, {L"a\r\n\b\r\n\b", L"a\r\r"},
      // Form feed, a lone CR and a lone LF.
      {L"x\fy", L"y"}, {L"x\f\f", L""}, {L"10%\r20%", L"10%20%"}, {L"a\nb\r\nc", L"a\r\nb\r\nc"},
      // Escape sequences are taken out, also around a backspace and a line break.
      {L"\x1b[31ma\x1b[1mb\b\x1b[0mc\x1b]0;t\x07\r\x1b[K\n", L"ac\r\n"},
  };
}
