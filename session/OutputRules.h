#pragma once
// What the child's output does to the text it goes to: line breaks become CR LF, a backspace
// takes back the last character and a form feed clears the text (in dump mode both are shown as
// they are: the caller appends instead of rendering). The rules work on a small text sink and
// know no window: the output pane is one sink, a string in the tests another.
#include <string>
#include <string_view>

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
  explicit cOutputRules(IOutputSink& sink) : sink_(sink) {}

  void Append(std::wstring_view text);
  void Backspace();
  void Render(std::wstring_view text);

private:
  IOutputSink& sink_;
};
