#include "editor/dfFind.h"

#include <algorithm>
#include <utility>

#include "resources/resource.h"

namespace {

// Letter case is ignored as the combo box's own item search ignores it.
bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

TFormFind::TFormFind() : cDialog(IDD_FIND) {}

void TFormFind::Execute(HWND owner, bool selectedScope, tSearchRequest& request) {
  request.Text.clear();
  PrepareControls(selectedScope);
  if (ShowModal(owner) != IDOK) return;
  CollectRequest(request);
  lastRequest_ = request;
  AddToHistory(request.Text);
}

void TFormFind::TakeLastRequest(tSearchRequest& request) {
  request = lastRequest_;
  lastRequest_.Range = srFromCursor;
}

void TFormFind::PrepareControls(bool selectedScope) {
  controls_.SelectedScope = selectedScope;
  if (controls_.SelectedScope) controls_.EntireScope = false;
  UpdateOrigin();
}

void TFormFind::UpdateOrigin() { controls_.OriginEnabled = !controls_.SelectedScope; }

void TFormFind::CollectRequest(tSearchRequest& request) const {
  request.Text = controls_.Text;
  request.Options = 0;
  if (!controls_.CaseSensitive) request.Options |= soIgnoreCase;
  if (controls_.Backward) request.Options |= soBackward;
  if (controls_.WholeWord) request.Options |= soWholeWord;
  if (controls_.SelectedScope)
    request.Range = srSelectedText;
  else
    request.Range = controls_.EntireScope ? srEntireScope : srFromCursor;
}

void TFormFind::AddToHistory(std::wstring_view text) {
  if (text.empty()) return;
  auto& history = controls_.History;
  if (std::none_of(history.begin(), history.end(), [&](const auto& item) { return SameIgnoringCase(item, text); }))
    AppendString(text, history);
}

bool TFormFind::InitDialog() {
  const tPlaceholder place = RemovePlaceholder(IDC_FIND_TEXT);
  edwFind_.SetBounds(place.Bounds.left, place.Bounds.top, place.Bounds.right - place.Bounds.left,
                     place.Bounds.bottom - place.Bounds.top);
  edwFind_.Create(Handle(), IDC_FIND_TEXT);
  TakePlace(edwFind_.Handle(), place);
  {
    cWStrings::cUpdateScope batch(edwFind_.WItems());
    for (const auto& item : controls_.History) edwFind_.WItems().Add(item);
  }
  edwFind_.SetWText(controls_.Text);

  SetChecked(IDC_FIND_CASE, controls_.CaseSensitive);
  SetChecked(IDC_FIND_WHOLE_WORD, controls_.WholeWord);
  ::CheckRadioButton(Handle(), IDC_FIND_FORWARD, IDC_FIND_BACKWARD,
                     controls_.Backward ? IDC_FIND_BACKWARD : IDC_FIND_FORWARD);
  ::CheckRadioButton(Handle(), IDC_FIND_GLOBAL, IDC_FIND_SELECTED,
                     controls_.SelectedScope ? IDC_FIND_SELECTED : IDC_FIND_GLOBAL);
  ::CheckRadioButton(Handle(), IDC_FIND_FROM_CURSOR, IDC_FIND_ENTIRE_SCOPE,
                     controls_.EntireScope ? IDC_FIND_ENTIRE_SCOPE : IDC_FIND_FROM_CURSOR);
  ShowEnabledState();
  ::SetFocus(edwFind_.Handle());
  return false;
}

bool TFormFind::Command(int id, int notification) {
  if (id == IDC_FIND_TEXT) {
    if (notification == CBN_EDITCHANGE) {
      TextChanged(edwFind_.WText());
    } else if (notification == CBN_SELCHANGE) {
      // The edit field gets the chosen item only after this notification.
      const int chosen = static_cast<int>(edwFind_.WPerform(CB_GETCURSEL, 0, 0));
      if (chosen >= 0) TextChanged(edwFind_.WItems().Get(chosen));
    }
    return true;
  }
  if ((id == IDC_FIND_GLOBAL || id == IDC_FIND_SELECTED) && notification == BN_CLICKED) {
    controls_.SelectedScope = Checked(IDC_FIND_SELECTED);
    UpdateOrigin();
    ShowEnabledState();
    return true;
  }
  return cDialog::Command(id, notification);
}

bool TFormFind::CanClose() {
  // Enter reaches the default button even while it is disabled.
  controls_.Text = edwFind_.WText();
  return OKEnabled();
}

void TFormFind::CloseDialog(INT_PTR) {
  controls_.Text = edwFind_.WText();
  controls_.CaseSensitive = Checked(IDC_FIND_CASE);
  controls_.WholeWord = Checked(IDC_FIND_WHOLE_WORD);
  controls_.Backward = Checked(IDC_FIND_BACKWARD);
  controls_.SelectedScope = Checked(IDC_FIND_SELECTED);
  controls_.EntireScope = Checked(IDC_FIND_ENTIRE_SCOPE);
}

void TFormFind::ShowEnabledState() {
  EnableItem(IDC_FIND_FROM_CURSOR, controls_.OriginEnabled);
  EnableItem(IDC_FIND_ENTIRE_SCOPE, controls_.OriginEnabled);
  EnableItem(IDOK, OKEnabled());
}

void TFormFind::TextChanged(std::wstring text) {
  controls_.Text = std::move(text);
  EnableItem(IDOK, OKEnabled());
}

TFormFind& FormFind() {
  static TFormFind form;
  return form;
}

void QueryFindRequest(HWND owner, bool selectedScope, tSearchRequest& request) {
  FormFind().Execute(owner, selectedScope, request);
}

void QueryFindNextRequest(HWND owner, bool selectedScope, tSearchRequest& request) {
  FormFind().TakeLastRequest(request);
  if (request.Text.empty()) FormFind().Execute(owner, selectedScope, request);
}
