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

// The same with a CR of its own rewriting its line.
inline std::vector<tRenderingCase> RewritingCases() {
  return {
      // A shorter text leaves no tail; a CR LF, also after a CR, keeps the line; LF alone too.
      {L"10%\r20%", L"20%"}, {L"long line\rshort", L"short"}, {L"a\r\nb", L"a\r\nb"},
      {L"x\r\r\ny", L"x\r\ny"}, {L"a\nb\rc", L"a\r\nc"}, {L"a\rb\r\n", L"b\r\n"},
      // Only the last line is rewritten, an empty one too; a CR at the very end waits for ever.
      {L"one\r\ntwo\rTWO\r\nthree", L"one\r\nTWO\r\nthree"}, {L"x\r\n\r\n\ry", L"x\r\n\r\ny"},
      {L"\rb", L"b"}, {L"ab\r\r\rcd", L"cd"}, {L"a\rb\rc\r", L"c"},
      // Backspace and form feed keep their rules, before and after a rewrite.
      {L"abc\r\bX", L"X"}, {L"abc\rde\b", L"d"}, {L"abc\r\fX", L"X"}, {L"ab\rc\fd\re", L"e"},
      // An escape sequence between the CR and the text.
      {L"50%\r\x1b[K60%", L"60%"},
  };
}
