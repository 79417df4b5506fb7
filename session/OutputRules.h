#pragma once
// What the child's output does to the text it goes to: line breaks become CR LF, a backspace
// takes back the last character and a form feed clears the text (in dump mode both are shown as
// they are: the caller appends instead of rendering), and a long line goes in piece by piece. The
// rules work on a small text sink and know no window: the output pane is one sink, a string in
// the tests another.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The text that output goes to. Its line breaks are CR LF.
class IOutputSink {
public:
  // Appends at the end of the text; the caret then stands behind it.
  virtual void AppendText(std::wstring_view text) = 0;
  virtual int TextLength() const = 0;
  // The lines, counted as an edit control counts them: an empty last line does not count.
  virtual int LineCount() const = 0;
  virtual std::wstring Line(int index) const = 0;
  // Deletes the line with the line break that ends it.
  virtual void DeleteLine(int index) = 0;
  // At most count characters at the end of the last line (none after a final line break).
  virtual std::wstring LastLineTail(int count) const = 0;
  // Deletes count characters at the end of the text.
  virtual void DeleteTail(int count) = 0;
  virtual void ClearText() = 0;

protected:
  ~IOutputSink() = default;
};

class cOutputRules {
public:
  // yield answers, between two pieces of a long line, whether the rest is to wait for later.
  cOutputRules(IOutputSink& sink, std::function<bool()> yield) : sink_(sink), yield_(std::move(yield)) {}

  // Each returns what it left for later, with its line breaks already made CR LF: a long line
  // goes in piece by piece, and once yield answers true the rest is left.
  std::wstring Append(std::wstring_view text);
  void Backspace();
  std::wstring Render(std::wstring_view text);

  // The pieces Append appends text in: a stretch of more than maxRun characters with no line
  // feed is cut into pieces of at most maxRun, never between a CR and its LF or between the two
  // halves of a surrogate pair; the rest stays whole. Joined, the pieces are the text.
  static std::vector<std::wstring_view> Pieces(std::wstring_view text, size_t maxRun);
  // How many characters of held output the next append may take: as many as the last append
  // would have taken in the budget at its pace, within bounds.
  static size_t NextAppendChars(size_t lastChars, std::uint64_t lastMs, std::uint64_t budgetMs);

private:
  IOutputSink& sink_;
  std::function<bool()> yield_;
};
