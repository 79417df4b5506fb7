#pragma once
// A pane of the console session: a searchable editor whose keys can reach the child's console,
// and, for the output pane, the text the output rules write to.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/EditorSearches.h"
#include "gui/TextViewMessages.h"
#include "session/OutputRules.h"

// A pane of the console session.
class cConsoleEdit : public cSearchableEditor, public IOutputSink {
public:
  explicit cConsoleEdit(tMemoWindow window) : cSearchableEditor(window) {}

  // The child's console window; none until the child has been found, and none if it never was.
  HWND ConsoleWindow = nullptr;
  // Raises Ctrl+C (CTRL_C_EVENT) or Ctrl+Break (CTRL_BREAK_EVENT) in the child's console; not set
  // until the child runs.
  std::function<void(DWORD controlEvent)> OnConsoleControl;
  // Called after every key-down message the pane has handled.
  std::function<void()> OnAfterKeyDown;

  // The pane as the text of the output rules.
  void AppendText(std::wstring_view text, gui::tTextAttribute look) override;
  int TextLength() const override;
  int LineCount() const override;
  std::wstring Line(int index) const override;
  void DeleteLine(int index) override;
  std::wstring LastLineTail(int count) const override;
  void DeleteTail(int count) override;
  void ClearText() override;
  void Flush() override;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void ForwardControlKey(WORD key);
  // The sink's questions see what was gathered.
  void Flushed() const { const_cast<cConsoleEdit*>(this)->Flush(); }

  // Output gathered since the last flush, and its looks.
  std::wstring pending_;
  std::vector<gui::tAttributeRun> pendingRuns_;
};
