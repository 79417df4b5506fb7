#pragma once
// The UI Automation provider of the program's text view: the element of an edit control, with
// the Text pattern (the document, the selection, the visible range, text by character, word,
// line and document) and the Value pattern, which gives the text but refuses to set it. It holds
// no window: it asks the view through iTextViewAccess, on the view's thread (the provider asks
// for COM threading, so UI Automation calls it there).
//
// UIAutomationCore.dll has no import library in mingw-w64, so its functions are looked up once at
// run time. Without the DLL or one of them the provider still answers callers that hold it, and
// nothing is raised.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "view/TextStore.h"
#include "view/UiaInterfaces.h"

namespace view {

// What the provider asks of the view, always on the view's thread. Positions count UTF-16 units
// from 0; a line break is CR LF. The two that measure text are not const: measuring may fill the
// view's caches.
class iTextViewAccess {
public:
  // The view's window.
  virtual HWND Window() const = 0;
  virtual std::int64_t TextLength() const = 0;
  // Count units from start; start and count lie within the text.
  virtual std::wstring Text(std::int64_t start, std::int64_t count) const = 0;
  // The selection, from its start to its end, whichever end the caret is at.
  virtual tTextSpan Selection() const = 0;
  // Selects the stretch, caret at its end, and scrolls the caret into view.
  virtual void Select(tTextSpan span) = 0;
  // From the first position shown to the last.
  virtual tTextSpan VisibleSpan() const = 0;
  // The line around a position, between its line breaks, the break left out: as EM_LINEINDEX and
  // EM_LINELENGTH give it. The text's end is on its last line (empty after a final break).
  virtual tTextSpan LineAround(std::int64_t position) const = 0;
  // The word around a position before the text's end: from the last stop of Ctrl+Left at or
  // before it to the next stop of Ctrl+Right, so that words tile the text and Start <= position
  // < End. (A span that does not hold the position is taken as the character there.)
  virtual tTextSpan WordAround(std::int64_t position) const = 0;
  // In client pixels, one rectangle per visible row that the stretch covers, cut to the part of
  // the row it covers; for an empty stretch, a rectangle of no width where it is, if visible.
  virtual std::vector<RECT> SpanRectangles(tTextSpan span) = 0;
  // The position nearest to a point in client pixels.
  virtual std::int64_t PositionFromPoint(POINT client) = 0;
  // Scrolls so that the position shows, on the top row when toTop, else on the bottom row.
  virtual void ScrollIntoView(std::int64_t position, bool toTop) = 0;
  virtual bool ReadOnly() const = 0;
  virtual bool Focused() const = 0;
  // The accessible name: an edit control takes the text of the label before it, so the output
  // pane, which has none, gives an empty one. It is given even when empty: without it UI
  // Automation would take the window's text, which is the whole output.
  virtual std::wstring Name() const = 0;

protected:
  ~iTextViewAccess() = default;
};

class cTextViewProvider final : public IRawElementProviderSimple, public ITextProvider, public IValueProvider {
public:
  // A new provider with one reference, the caller's.
  static cTextViewProvider* Create(iTextViewAccess& access);

  // The view's window goes (WM_DESTROY): from now on every call answers
  // UIA_E_ELEMENTNOTAVAILABLE, and UI Automation lets go of the window's provider.
  void Disconnect() noexcept;
  // The view to ask, or null once disconnected.
  iTextViewAccess* Access() const noexcept { return access_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IRawElementProviderSimple
  HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) override;
  HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID patternId, IUnknown** provider) override;
  HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID propertyId, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** host) override;

  // ITextProvider
  HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** ranges) override;
  HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** ranges) override;
  HRESULT STDMETHODCALLTYPE RangeFromChild(IRawElementProviderSimple* child, ITextRangeProvider** range) override;
  HRESULT STDMETHODCALLTYPE RangeFromPoint(UiaPoint point, ITextRangeProvider** range) override;
  HRESULT STDMETHODCALLTYPE get_DocumentRange(ITextRangeProvider** range) override;
  HRESULT STDMETHODCALLTYPE get_SupportedTextSelection(SupportedTextSelection* selection) override;

  // IValueProvider
  HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Value(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* readOnly) override;

private:
  explicit cTextViewProvider(iTextViewAccess& access) noexcept : access_(&access) {}
  ~cTextViewProvider() = default;

  LONG references_ = 1;
  iTextViewAccess* access_;
};

// Answers WM_GETOBJECT: the provider for UI Automation's root object, else what DefWindowProc
// answers.
LRESULT AnswerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam, cTextViewProvider& provider);
// After the text changed (output appended, an edit) and after the selection or the caret moved;
// raised only while a client listens.
void RaiseTextChanged(cTextViewProvider& provider);
void RaiseSelectionChanged(cTextViewProvider& provider);

}  // namespace view
