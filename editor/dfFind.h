#pragma once
// The find dialog asks what to search for and how, and turns the answer into a search request.
// One dialog serves the whole run: it keeps the state of its controls, the history of searched
// texts and the last accepted request, which Find Next reuses without asking again.
//
// The dialog's window exists only while it runs. Everything it shows lives in tFindControls; the
// window copies that into its controls when it opens and back when it closes, and the operations
// below work on it alone, with or without a window.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/Dialog.h"
#include "text/Utils.h"
#include "unicode/UnicodeControls.h"

// Where a search looks.
enum tSearchRange : std::uint8_t {
  srEntireScope = 0,   // the whole text
  srFromCursor = 1,    // from the caret on; backward, from the start up to the selection's end
  srSelectedText = 2,  // within the selection
};

// How a search compares and in which direction; an empty set is a case-sensitive forward search.
using tSearchOptions = std::uint8_t;
inline constexpr tSearchOptions soIgnoreCase = 1;
inline constexpr tSearchOptions soBackward = 2;
inline constexpr tSearchOptions soWholeWord = 4;

struct tSearchRequest {
  tSearchRange Range = srEntireScope;
  tSearchOptions Options = 0;
  std::wstring Text;  // what to find; empty when there is nothing to search
};

// What the find dialog's controls hold.
struct tFindControls {
  std::wstring Text;           // the combo box's edit field
  tWStringArray History;       // the combo box's items, in order of first use
  bool CaseSensitive = false;  // "Case sensitive"
  bool WholeWord = false;      // "Whole words only"
  bool Backward = false;       // "Backward", else "Forward"
  bool SelectedScope = false;  // "Selected text", else "Global"
  bool EntireScope = false;    // "Entire scope", else "From cursor"
  bool OriginEnabled = true;   // whether the two origin buttons can be chosen
};

class TFormFind : public gui::cDialog {
public:
  TFormFind();

  // Shows the dialog over the owner. Accepted, it fills the request, makes it the last request
  // and adds its text to the history; otherwise the request's text is empty and nothing else
  // changes. selectedScope: the pane to be searched has a selection.
  void Execute(HWND owner, bool selectedScope, tSearchRequest& request);
  // The last accepted request; after handing it out, the kept one searches from the cursor.
  void TakeLastRequest(tSearchRequest& request);

  // A selection presets the scope to it and the origin to the cursor; the origin follows.
  void PrepareControls(bool selectedScope);
  // The origin can be chosen only for a global search.
  void UpdateOrigin();
  // Whether the dialog can be accepted: there is a text to find, blanks included.
  bool OKEnabled() const noexcept { return !controls_.Text.empty(); }
  // The request the controls describe.
  void CollectRequest(tSearchRequest& request) const;
  // Appends a text to the history unless it is empty or there already, in any letter case.
  void AddToHistory(std::wstring_view text);

  tFindControls& Controls() noexcept { return controls_; }
  const tFindControls& Controls() const noexcept { return controls_; }
  const tSearchRequest& LastRequest() const noexcept { return lastRequest_; }

protected:
  bool InitDialog() override;
  bool Command(int id, int notification) override;
  bool CanClose() override;
  void CloseDialog(INT_PTR result) override;

private:
  void ShowEnabledState();
  void TextChanged(std::wstring text);

  tFindControls controls_;
  tSearchRequest lastRequest_;
  cWComboBox edwFind_;
};

// The program's one find dialog.
TFormFind& FormFind();
// For the Find command: the dialog's answer.
void QueryFindRequest(HWND owner, bool selectedScope, tSearchRequest& request);
// For Find Next: the last accepted request, or the dialog's answer when there is none yet.
void QueryFindNextRequest(HWND owner, bool selectedScope, tSearchRequest& request);
