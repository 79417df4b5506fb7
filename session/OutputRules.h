#pragma once
// What the child's output does to the text it goes to: line breaks become CR LF, a backspace
// takes back the last character, a form feed clears the text, and escape sequences set the look
// of the text that follows and are taken out (in dump mode all of them are shown as they are: the
// caller appends instead of rendering). When asked, a carriage return of its own sends the text
// back to the start of its line, as progress displays mean it. The rules work on a small text
// sink and know no window: the output pane is one sink, a string in the tests another.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "view/TextStore.h"
#include "session/EscapeParser.h"

// The text that output goes to. Its line breaks are CR LF.
class iOutputSink {
public:
  // Appends at the end of the text, in the look given (0: the sink's own), as part of a link to
  // the URI given (empty: none); the caret then stands behind it.
  virtual void AppendText(std::wstring_view text, view::tTextAttribute look = 0, std::wstring_view link = {}) = 0;
  // At most count characters at the end of the text, read without the rest.
  virtual std::wstring Tail(int count) const = 0;
  // Deletes count characters at the end of the text.
  virtual void DeleteTail(int count) = 0;
  virtual void ClearText() = 0;
  // The rules are done with what they were given: what was appended must show now. A sink may
  // gather appends until then.
  virtual void Flush() {}

protected:
  ~iOutputSink() = default;
};

class cOutputRules {
public:
  // Sees the text as the rules are given it, once escape sequences are out (all of it in dump
  // mode), before backspace, form feed and line breaks act: what the session's log keeps.
  using tTextTap = std::function<void(std::wstring_view text)>;
  explicit cOutputRules(iOutputSink& sink, tTextTap tap = {}) : sink_(sink), tap_(std::move(tap)) {}

  // Adds the text with its line breaks made CR LF and nothing else changed.
  void Append(std::wstring_view text, view::tTextAttribute look = 0);
  void Backspace();
  // Interprets the text; a sequence cut at its end waits for the next text.
  void Render(std::wstring_view text);
  // The output has ended: a sequence that waits is shown as text.
  void Finish();

  // Off, a CR that is not part of a CR LF is dropped. On, it ends its line's text: the next text
  // that is not a line break replaces the line from its start.
  void SetRewritesLines(bool on);

private:
  void RenderPlain(std::wstring_view text, view::tTextAttribute look, std::wstring_view link);
  void AppendPiece(std::wstring_view text, view::tTextAttribute look, std::wstring_view link = {});
  // The text as rendered with rewrites on: cut at every CR of its own.
  void AppendRewriting(std::wstring_view text, view::tTextAttribute look, std::wstring_view link);
  // A part that holds no CR of its own.
  void AppendLinePart(std::wstring_view text, view::tTextAttribute look, std::wstring_view link);
  std::size_t LineLength();

  iOutputSink& sink_;
  const tTextTap tap_;
  cEscapeParser escapes_;
  bool rewrites_ = false;
  // A CR has ended the last line's text; what follows tells whether it stays (a line break) or
  // goes (anything else).
  bool lineEnded_ = false;
  // The characters behind the text's last line break, while the rules know them: they are asked
  // of the sink again for every text, as the user may have typed between two.
  std::optional<std::size_t> line_;
  const cEscapeParser::tVisit renderPlain_ = [this](std::wstring_view text, view::tTextAttribute look,
                                                    std::wstring_view link) { RenderPlain(text, look, link); };
};
