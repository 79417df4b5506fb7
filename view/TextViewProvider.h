#pragma once
// The UI Automation provider of the program's text view: the element of an edit control, with
// the Text pattern (the document, the selection, the visible range, text by character, word,
// line, paragraph and document) and the Value pattern, which gives the text but refuses to set
// it. It holds no window: it asks the view through iTextViewAccess, always on the view's thread.
//
// UI Automation may call a provider on any thread: its own threads, or a client's in the same
// process. The provider does not ask for COM threading, which would call it on its apartment's
// thread only if the view's thread were in a single-threaded apartment (the program's is in
// none, and should the help window's browser put it in one, that would be after the provider was
// handed out). Instead a call from another thread is sent to the view's window (kViewProviderCall)
// and runs there, as the window's other messages do.
//
// UIAutomationCore.dll has no import library in mingw-w64, so its functions are looked up once at
// run time. Without the DLL or one of them the provider still answers callers that hold it, and
// nothing is raised.
#include <windows.h>

#include <atomic>
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
  // The line around a position as EM_LINEINDEX and EM_LINELENGTH give it, its break left out:
  // with word wrap the row. The text's end is on its last line (empty after a final break).
  virtual tTextSpan LineAround(std::int64_t position) const = 0;
  // The text between the line breaks around a position, the break left out.
  virtual tTextSpan ParagraphAround(std::int64_t position) const = 0;
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

// Sent by the provider to the view's window from another thread; the window answers it with the
// provider's RunPendingCall.
inline constexpr UINT kViewProviderCall = WM_USER + 0x2F0;

class cTextViewProvider final : public IRawElementProviderSimple, public ITextProvider, public IValueProvider {
public:
  // A new provider with one reference, the caller's, made on the view's thread.
  static cTextViewProvider* Create(iTextViewAccess& access);

  // The view's window goes (WM_DESTROY): from now on every call answers
  // UIA_E_ELEMENTNOTAVAILABLE, and UI Automation lets go of the window's provider.
  void Disconnect() noexcept;
  // The view to ask, or null once disconnected; only on the view's thread.
  iTextViewAccess* Access() const noexcept { return access_; }
  // Runs call (with context) on the view's thread and gives its answer: at once when called
  // there, else sent to the view's window; UIA_E_ELEMENTNOTAVAILABLE once the window is gone.
  HRESULT OnViewThread(HRESULT (*call)(void* context) noexcept, void* context) noexcept;
  // The call that waits for the view's thread, run there; answers 0.
  LRESULT RunPendingCall() noexcept;

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
  explicit cTextViewProvider(iTextViewAccess& access) noexcept;
  ~cTextViewProvider() = default;

  struct tCall {
    HRESULT (*Run)(void* context) noexcept;
    void* Context;
    HRESULT Result = static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE);
  };

  LONG references_ = 1;
  iTextViewAccess* access_;
  const DWORD viewThread_;
  // The view's window until it goes; read on any thread.
  std::atomic<HWND> window_;
  // One call from another thread at a time waits for the view's thread.
  SRWLOCK sending_ = SRWLOCK_INIT;
  std::atomic<tCall*> pending_{nullptr};
};

// Answers WM_GETOBJECT: the provider for UI Automation's root object, else what DefWindowProc
// answers.
LRESULT AnswerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam, cTextViewProvider& provider);
// After the text changed (output appended, an edit) and after the selection or the caret moved;
// raised only while a client listens.
void RaiseTextChanged(cTextViewProvider& provider);
void RaiseSelectionChanged(cTextViewProvider& provider);

}  // namespace view
