#include "view/TextViewProvider.h"

#include <oleauto.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <new>
#include <string_view>

#include "gui/ComPtr.h"
#include "gui/Handle.h"

namespace view {
namespace {

// The functions of UIAutomationCore.dll the provider uses, looked up once; each is null when the
// DLL or the function is missing.
class cUiaCore {
public:
  static const cUiaCore& Get() {
    static const cUiaCore core;
    return core;
  }

  decltype(&::UiaHostProviderFromHwnd) HostProviderFromHwnd = nullptr;
  decltype(&::UiaReturnRawElementProvider) ReturnRawElementProvider = nullptr;
  decltype(&::UiaRaiseAutomationEvent) RaiseAutomationEvent = nullptr;
  decltype(&::UiaGetReservedNotSupportedValue) GetReservedNotSupportedValue = nullptr;
  // Not declared by every header.
  BOOL(WINAPI* ClientsAreListening)() = nullptr;

private:
  cUiaCore() : module_(::LoadLibraryExW(L"UIAutomationCore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    if (!module_) return;
    Find(HostProviderFromHwnd, "UiaHostProviderFromHwnd");
    Find(ReturnRawElementProvider, "UiaReturnRawElementProvider");
    Find(RaiseAutomationEvent, "UiaRaiseAutomationEvent");
    Find(GetReservedNotSupportedValue, "UiaGetReservedNotSupportedValue");
    Find(ClientsAreListening, "UiaClientsAreListening");
  }
  template <class tFunction>
  void Find(tFunction& function, const char* name) const noexcept {
    function = reinterpret_cast<tFunction>(::GetProcAddress(module_.get(), name));
  }

  gui::cModule module_;
};

// Stands for "not supported" where UIAutomationCore.dll cannot give its own value: only callers
// that hold the provider directly see it, and it is no attribute's value. It lives as long as the
// process, so it counts no references.
class cNotSupportedValue final : public IUnknown {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = riid == __uuidof(IUnknown) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

HRESULT NotSupportedValue(IUnknown** value) {
  if (const auto get = cUiaCore::Get().GetReservedNotSupportedValue) return get(value);
  static cNotSupportedValue fallback;
  *value = &fallback;
  return S_OK;
}

// Runs a COM method's work against the view on the view's thread, if there still is a view; no
// exception leaves it.
template <class tWork>
HRESULT Answer(cTextViewProvider& provider, tWork work) noexcept {
  auto run = [&]() noexcept -> HRESULT {
    iTextViewAccess* access = provider.Access();
    if (!access) return static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE);
    try {
      return work(*access);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  };
  return provider.OnViewThread([](void* context) noexcept { return (*static_cast<decltype(run)*>(context))(); },
                               &run);
}

// The most a BSTR holds: its length prefix counts bytes in 32 bits.
constexpr std::int64_t kMaxBstrUnits = INT_MAX / 2;

BSTR MakeBstr(std::wstring_view text) {
  BSTR result = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!result) throw std::bad_alloc();
  return result;
}

std::wstring TextOf(const iTextViewAccess& access, tTextSpan span) {
  if (span.End - span.Start > kMaxBstrUnits) throw std::bad_alloc();
  return span.End > span.Start ? access.Text(span.Start, span.End - span.Start) : std::wstring();
}

struct tSafeArrayDestroy {
  void operator()(SAFEARRAY* array) const noexcept { ::SafeArrayDestroy(array); }
};
using tSafeArray = std::unique_ptr<SAFEARRAY, tSafeArrayDestroy>;

tSafeArray MakeSafeArray(VARTYPE type, ULONG count) {
  tSafeArray array(::SafeArrayCreateVector(type, 0, count));
  if (!array) throw std::bad_alloc();
  return array;
}

void PutElement(SAFEARRAY* array, LONG index, void* element) {
  if (FAILED(::SafeArrayPutElement(array, &index, element))) throw std::bad_alloc();
}

// --- Text units. The units of each kind tile the text; a unit is [Start, End). ---

TextUnit Supported(TextUnit unit) noexcept {
  switch (unit) {
    case TextUnit_Character:
    case TextUnit_Word:
    case TextUnit_Line:
      return unit;
    case TextUnit_Paragraph:
      return unit;
    default:
      // One format throughout, and no pages: both are the document.
      return TextUnit_Document;
  }
}

bool IsPair(std::wstring_view text, size_t i) noexcept {
  return i + 1 < text.size() && ((IS_HIGH_SURROGATE(text[i]) && IS_LOW_SURROGATE(text[i + 1])) ||
                                 (text[i] == L'\r' && text[i + 1] == L'\n'));
}

// A character is a UTF-16 unit, a surrogate pair or a line break.
tTextSpan CharacterAround(const iTextViewAccess& access, std::int64_t position, std::int64_t length) {
  if (position >= length) return {length, length};
  const std::int64_t from = position > 0 ? position - 1 : 0;
  const std::wstring text = access.Text(from, std::min<std::int64_t>(length - from, position - from + 2));
  const size_t i = static_cast<size_t>(position - from);
  if (i > 0 && IsPair(text, i - 1)) return {position - 1, position + 1};
  return {position, position + (IsPair(text, i) ? 2 : 1)};
}

// The unit around a position; at the text's end, an empty one there (or the last line, when it
// is empty or has no break). A unit that the view gives wrongly becomes the character.
tTextSpan UnitAround(const iTextViewAccess& access, TextUnit unit, std::int64_t position, std::int64_t length) {
  tTextSpan span;
  switch (unit) {
    case TextUnit_Character:
      return CharacterAround(access, position, length);
    case TextUnit_Word:
      if (position >= length) return {length, length};
      span = access.WordAround(position);
      break;
    case TextUnit_Line:
    case TextUnit_Paragraph: {
      // Asked from the start of a line break, not from between its CR and LF.
      const std::int64_t from = CharacterAround(access, position, length).Start;
      span = unit == TextUnit_Line ? access.LineAround(from) : access.ParagraphAround(from);
      if (span.End <= length - 2 && access.Text(span.End, 2) == L"\r\n") span.End += 2;
      break;
    }
    default:
      return {0, length};
  }
  const bool holds = span.Start >= 0 && span.Start <= position && span.End <= length &&
                     (position < span.End || (position == length && span.End == length));
  return holds ? span : CharacterAround(access, position, length);
}

// Characters are walked in blocks of the text, so that a move by millions of them (a client's
// way to the end) asks the view for text a few thousand times, not once a character. The two
// units of a pair tell it on their own: a pair's second unit never starts one.
constexpr std::int64_t kWalkBlock = 4096;

int MoveCharacters(const iTextViewAccess& access, std::int64_t& position, int count, bool toEnd,
                   std::int64_t length) {
  int moved = 0;
  while (count > 0 && position < length) {
    // One unit more than is walked, to see a pair at the block's end whole.
    const std::wstring text = access.Text(position, std::min(length - position, kWalkBlock + 1));
    const size_t walked = std::min<size_t>(text.size(), kWalkBlock);
    size_t i = 0;
    for (; count > 0 && i < walked; --count, ++moved) {
      const size_t step = IsPair(text, i) ? 2 : 1;
      if (!toEnd && position + static_cast<std::int64_t>(i + step) >= length) {
        position += static_cast<std::int64_t>(i);
        return moved;
      }
      i += step;
    }
    position += static_cast<std::int64_t>(i);
  }
  while (count < 0 && position > 0) {
    const std::int64_t from = std::max<std::int64_t>(0, position - kWalkBlock - 1);
    const std::wstring text = access.Text(from, position - from);
    // Before the block's first unit lies text unseen, so the walk stops short of it.
    const size_t floor = from > 0 ? 1 : 0;
    size_t i = text.size();
    for (; count < 0 && i > floor; ++count, --moved) i -= (i >= 2 && IsPair(text, i - 2)) ? 2 : 1;
    position = from + static_cast<std::int64_t>(i);
  }
  return moved;
}

// Moves a position by count units, as far as the text allows; gives how many it moved (negative
// backward). A move forward from within a unit ends at the next unit's start; backward, at the
// start of the unit it was in. With toEnd false, a move forward does not end at the text's end,
// where no unit starts.
int MovePosition(const iTextViewAccess& access, TextUnit unit, std::int64_t& position, int count, bool toEnd) {
  const std::int64_t length = access.TextLength();
  if (unit == TextUnit_Character) return MoveCharacters(access, position, count, toEnd, length);
  int moved = 0;
  for (; count > 0 && position < length; --count, ++moved) {
    const std::int64_t next = UnitAround(access, unit, position, length).End;
    if (next >= length && !toEnd) break;
    position = next;
  }
  for (; count < 0 && position > 0; ++count, --moved)
    position = UnitAround(access, unit, position - 1, length).Start;
  return moved;
}

// Private to this file: asked of a range, it gives the range object itself, to compare it.
constexpr GUID kRangeObjectId = {0x6c1f2a7e, 0x93d4, 0x4b8e, {0xa1, 0x55, 0x2f, 0x0c, 0x7e, 0x6b, 0x19, 0xd3}};

}  // namespace

// A stretch of the view's text for UI Automation. It keeps its provider alive and asks the view
// through it; once the provider is disconnected, every call fails. A stretch that the text has
// outgrown is cut to the text.
class cTextRangeProvider final : public ITextRangeProvider {
public:
  static ITextRangeProvider* Create(cTextViewProvider& provider, tTextSpan span) {
    return new cTextRangeProvider(provider, span);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(ITextRangeProvider) || riid == kRangeObjectId)
      *object = static_cast<ITextRangeProvider*>(this);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE Clone(ITextRangeProvider** range) override {
    if (!range) return E_POINTER;
    *range = nullptr;
    return Work([&](iTextViewAccess&) {
      *range = Create(*provider_.get(), span_);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE Compare(ITextRangeProvider* other, BOOL* same) override {
    if (!same) return E_POINTER;
    *same = FALSE;
    return Work([&](iTextViewAccess&) {
      const gui::cComPtr<cTextRangeProvider> range = Ours(other);
      if (!range) return E_INVALIDARG;
      *same = range->span_ == span_;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE CompareEndpoints(TextPatternRangeEndpoint endpoint, ITextRangeProvider* other,
                                             TextPatternRangeEndpoint otherEndpoint, int* order) override {
    if (!order) return E_POINTER;
    *order = 0;
    return Work([&](iTextViewAccess&) {
      const gui::cComPtr<cTextRangeProvider> range = Ours(other);
      if (!range) return E_INVALIDARG;
      const std::int64_t mine = Endpoint(endpoint), theirs = range->Endpoint(otherEndpoint);
      *order = mine < theirs ? -1 : mine > theirs ? 1 : 0;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(TextUnit unit) override {
    return Work([&](iTextViewAccess& access) {
      span_ = UnitAround(access, Supported(unit), span_.Start, access.TextLength());
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE FindAttribute(TEXTATTRIBUTEID, VARIANT, BOOL, ITextRangeProvider** range) override {
    if (!range) return E_POINTER;
    *range = nullptr;
    return Work([](iTextViewAccess&) { return S_OK; });
  }

  HRESULT STDMETHODCALLTYPE FindText(BSTR text, BOOL backward, BOOL ignoreCase, ITextRangeProvider** range) override {
    if (!range) return E_POINTER;
    *range = nullptr;
    if (!text || ::SysStringLen(text) == 0) return E_INVALIDARG;
    return Work([&](iTextViewAccess& access) {
      std::wstring pattern(text, ::SysStringLen(text));
      std::wstring within = TextOf(access, span_);
      if (ignoreCase) {
        // The same fold as the program's own Find: the platform's upper case, unit by unit.
        ::CharUpperBuffW(pattern.data(), static_cast<DWORD>(pattern.size()));
        ::CharUpperBuffW(within.data(), static_cast<DWORD>(within.size()));
      }
      const size_t found = backward ? within.rfind(pattern) : within.find(pattern);
      if (found != std::wstring::npos) {
        const std::int64_t start = span_.Start + static_cast<std::int64_t>(found);
        *range = Create(*provider_.get(), {start, start + static_cast<std::int64_t>(pattern.size())});
      }
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID, VARIANT* value) override {
    if (!value) return E_POINTER;
    ::VariantInit(value);
    return Work([&](iTextViewAccess&) {
      IUnknown* notSupported = nullptr;
      const HRESULT result = NotSupportedValue(&notSupported);
      if (SUCCEEDED(result)) {
        value->vt = VT_UNKNOWN;
        value->punkVal = notSupported;
      }
      return result;
    });
  }

  HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** rectangles) override {
    if (!rectangles) return E_POINTER;
    *rectangles = nullptr;
    return Work([&](iTextViewAccess& access) {
      const std::vector<RECT> rows = access.SpanRectangles(span_);
      tSafeArray array = MakeSafeArray(VT_R8, static_cast<ULONG>(rows.size() * 4));
      LONG index = 0;
      for (RECT row : rows) {
        ::MapWindowPoints(access.Window(), HWND_DESKTOP, reinterpret_cast<POINT*>(&row), 2);
        for (double part : {double(row.left), double(row.top), double(row.right - row.left),
                            double(row.bottom - row.top)})
          PutElement(array.get(), index++, &part);
      }
      *rectangles = array.release();
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** element) override {
    if (!element) return E_POINTER;
    *element = nullptr;
    return Work([&](iTextViewAccess&) {
      provider_->AddRef();
      *element = provider_.get();
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* text) override {
    if (!text) return E_POINTER;
    *text = nullptr;
    if (maxLength < -1) return E_INVALIDARG;
    return Work([&](iTextViewAccess& access) {
      tTextSpan span = span_;
      if (maxLength >= 0) span.End = std::min(span.End, span.Start + maxLength);
      *text = MakeBstr(TextOf(access, span));
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE Move(TextUnit unit, int count, int* moved) override {
    if (!moved) return E_POINTER;
    *moved = 0;
    return Work([&](iTextViewAccess& access) {
      unit = Supported(unit);
      const bool empty = span_.Start == span_.End;
      std::int64_t position = span_.Start;
      *moved = MovePosition(access, unit, position, count, empty);
      // A move that went nowhere leaves the range as it was.
      if (*moved == 0) return S_OK;
      span_ = {position, empty ? position : UnitAround(access, unit, position, access.TextLength()).End};
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(TextPatternRangeEndpoint endpoint, TextUnit unit, int count,
                                               int* moved) override {
    if (!moved) return E_POINTER;
    *moved = 0;
    return Work([&](iTextViewAccess& access) {
      std::int64_t position = Endpoint(endpoint);
      *moved = MovePosition(access, Supported(unit), position, count, true);
      SetEndpoint(endpoint, position);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE MoveEndpointByRange(TextPatternRangeEndpoint endpoint, ITextRangeProvider* other,
                                                TextPatternRangeEndpoint otherEndpoint) override {
    return Work([&](iTextViewAccess&) {
      const gui::cComPtr<cTextRangeProvider> range = Ours(other);
      if (!range) return E_INVALIDARG;
      SetEndpoint(endpoint, range->Endpoint(otherEndpoint));
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE Select() override {
    return Work([&](iTextViewAccess& access) {
      access.Select(span_);
      return S_OK;
    });
  }

  // The view has one selection.
  HRESULT STDMETHODCALLTYPE AddToSelection() override { return Refuse(); }
  HRESULT STDMETHODCALLTYPE RemoveFromSelection() override { return Refuse(); }

  HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL alignToTop) override {
    return Work([&](iTextViewAccess& access) {
      access.ScrollIntoView(alignToTop ? span_.Start : span_.End, alignToTop != FALSE);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** children) override {
    if (!children) return E_POINTER;
    *children = nullptr;
    return Work([&](iTextViewAccess&) {
      *children = MakeSafeArray(VT_UNKNOWN, 0).release();
      return S_OK;
    });
  }

private:
  cTextRangeProvider(cTextViewProvider& provider, tTextSpan span) noexcept : provider_(&provider), span_(span) {
    provider.AddRef();
  }
  ~cTextRangeProvider() = default;

  // Runs the work with the span cut to the text as it is now.
  template <class tWork>
  HRESULT Work(tWork work) noexcept {
    return Answer(*provider_.get(), [&](iTextViewAccess& access) {
      const std::int64_t length = access.TextLength();
      span_.End = std::clamp<std::int64_t>(span_.End, 0, length);
      span_.Start = std::clamp<std::int64_t>(span_.Start, 0, span_.End);
      return work(access);
    });
  }
  HRESULT Refuse() noexcept {
    return Work([](iTextViewAccess&) { return static_cast<HRESULT>(UIA_E_INVALIDOPERATION); });
  }

  // The other range as one of ours over the same view; empty when it is not.
  gui::cComPtr<cTextRangeProvider> Ours(ITextRangeProvider* other) const noexcept {
    gui::cComPtr<cTextRangeProvider> range;
    if (other && SUCCEEDED(other->QueryInterface(kRangeObjectId, reinterpret_cast<void**>(range.put()))) &&
        range->provider_.get() != provider_.get())
      range.reset();
    return range;
  }

  std::int64_t Endpoint(TextPatternRangeEndpoint endpoint) const noexcept {
    return endpoint == TextPatternRangeEndpoint_Start ? span_.Start : span_.End;
  }
  // Moves one end; the other follows when it would be passed.
  void SetEndpoint(TextPatternRangeEndpoint endpoint, std::int64_t position) noexcept {
    if (endpoint == TextPatternRangeEndpoint_Start) {
      span_.Start = position;
      span_.End = std::max(span_.End, position);
    } else {
      span_.End = position;
      span_.Start = std::min(span_.Start, position);
    }
  }

  LONG references_ = 1;
  const gui::cComPtr<cTextViewProvider> provider_;
  tTextSpan span_;
};

namespace {

// A SAFEARRAY of one range.
SAFEARRAY* OneRange(cTextViewProvider& provider, tTextSpan span) {
  tSafeArray array = MakeSafeArray(VT_UNKNOWN, 1);
  const gui::cComPtr<ITextRangeProvider> range(cTextRangeProvider::Create(provider, span));
  PutElement(array.get(), 0, range.get());
  return array.release();
}

VARIANT Bool(bool value) noexcept {
  VARIANT result;
  ::VariantInit(&result);
  result.vt = VT_BOOL;
  result.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return result;
}

}  // namespace

cTextViewProvider* cTextViewProvider::Create(iTextViewAccess& access) { return new cTextViewProvider(access); }

cTextViewProvider::cTextViewProvider(iTextViewAccess& access) noexcept
    : access_(&access), viewThread_(::GetCurrentThreadId()), window_(access.Window()) {}

HRESULT cTextViewProvider::OnViewThread(HRESULT (*call)(void* context) noexcept, void* context) noexcept {
  if (::GetCurrentThreadId() == viewThread_) return call(context);
  const HWND window = window_.load();
  if (!window) return static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE);
  tCall pending{call, context};
  ::AcquireSRWLockExclusive(&sending_);
  pending_.store(&pending);
  // Answered once the view's thread looks at its messages; not at all when the window is gone.
  ::SendMessageW(window, kViewProviderCall, 0, 0);
  pending_.store(nullptr);
  ::ReleaseSRWLockExclusive(&sending_);
  return pending.Result;
}

LRESULT cTextViewProvider::RunPendingCall() noexcept {
  // The message may come from anywhere; only a call that waits is run.
  if (tCall* call = pending_.exchange(nullptr)) call->Result = call->Run(call->Context);
  return 0;
}

void cTextViewProvider::Disconnect() noexcept {
  if (!access_) return;
  const HWND hwnd = access_->Window();
  access_ = nullptr;
  window_.store(nullptr);
  // Tells UI Automation to let go of what it holds for the window.
  if (const auto returnProvider = cUiaCore::Get().ReturnRawElementProvider; returnProvider && hwnd)
    returnProvider(hwnd, 0, 0, nullptr);
}

HRESULT cTextViewProvider::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (riid == __uuidof(IUnknown) || riid == __uuidof(IRawElementProviderSimple))
    *object = static_cast<IRawElementProviderSimple*>(this);
  else if (riid == __uuidof(ITextProvider))
    *object = static_cast<ITextProvider*>(this);
  else if (riid == __uuidof(IValueProvider))
    *object = static_cast<IValueProvider*>(this);
  if (!*object) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG cTextViewProvider::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }

ULONG cTextViewProvider::Release() {
  const LONG left = ::InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT cTextViewProvider::get_ProviderOptions(ProviderOptions* options) {
  if (!options) return E_POINTER;
  return Answer(*this, [&](iTextViewAccess&) {
    *options = ProviderOptions_ServerSideProvider;
    return S_OK;
  });
}

HRESULT cTextViewProvider::GetPatternProvider(PATTERNID patternId, IUnknown** provider) {
  if (!provider) return E_POINTER;
  *provider = nullptr;
  return Answer(*this, [&](iTextViewAccess&) {
    if (patternId == UIA_TextPatternId) *provider = static_cast<ITextProvider*>(this);
    if (patternId == UIA_ValuePatternId) *provider = static_cast<IValueProvider*>(this);
    if (*provider) AddRef();
    return S_OK;
  });
}

HRESULT cTextViewProvider::GetPropertyValue(PROPERTYID propertyId, VARIANT* value) {
  if (!value) return E_POINTER;
  ::VariantInit(value);
  // What is not answered here (the class name, the bounds, the automation identifier, which is
  // the control's identifier) comes from the window's host provider, as for an edit control.
  return Answer(*this, [&](iTextViewAccess& access) {
    switch (propertyId) {
      case UIA_ControlTypePropertyId:
        value->vt = VT_I4;
        value->lVal = uia::EditControlTypeId;
        break;
      case UIA_NamePropertyId:
        // The string first: should it fail, the variant stays empty.
        value->bstrVal = MakeBstr(access.Name());
        value->vt = VT_BSTR;
        break;
      case UIA_IsKeyboardFocusablePropertyId:
      case UIA_IsTextPatternAvailablePropertyId:
      case UIA_IsValuePatternAvailablePropertyId:
        *value = Bool(true);
        break;
      case UIA_HasKeyboardFocusPropertyId:
        *value = Bool(access.Focused());
        break;
      case UIA_ValueIsReadOnlyPropertyId:
        *value = Bool(access.ReadOnly());
        break;
      default:
        break;
    }
    return S_OK;
  });
}

HRESULT cTextViewProvider::get_HostRawElementProvider(IRawElementProviderSimple** host) {
  if (!host) return E_POINTER;
  *host = nullptr;
  return Answer(*this, [&](iTextViewAccess& access) {
    const auto fromHwnd = cUiaCore::Get().HostProviderFromHwnd;
    return fromHwnd ? fromHwnd(access.Window(), host) : S_OK;
  });
}

HRESULT cTextViewProvider::GetSelection(SAFEARRAY** ranges) {
  if (!ranges) return E_POINTER;
  *ranges = nullptr;
  return Answer(*this, [&](iTextViewAccess& access) {
    *ranges = OneRange(*this, access.Selection());
    return S_OK;
  });
}

HRESULT cTextViewProvider::GetVisibleRanges(SAFEARRAY** ranges) {
  if (!ranges) return E_POINTER;
  *ranges = nullptr;
  return Answer(*this, [&](iTextViewAccess& access) {
    *ranges = OneRange(*this, access.VisibleSpan());
    return S_OK;
  });
}

HRESULT cTextViewProvider::RangeFromChild(IRawElementProviderSimple*, ITextRangeProvider** range) {
  if (!range) return E_POINTER;
  *range = nullptr;
  // The view has no child elements.
  return Answer(*this, [](iTextViewAccess&) { return E_INVALIDARG; });
}

HRESULT cTextViewProvider::RangeFromPoint(UiaPoint point, ITextRangeProvider** range) {
  if (!range) return E_POINTER;
  *range = nullptr;
  return Answer(*this, [&](iTextViewAccess& access) {
    POINT client{static_cast<LONG>(point.x), static_cast<LONG>(point.y)};
    ::ScreenToClient(access.Window(), &client);
    const std::int64_t position = std::clamp<std::int64_t>(access.PositionFromPoint(client), 0, access.TextLength());
    *range = cTextRangeProvider::Create(*this, {position, position});
    return S_OK;
  });
}

HRESULT cTextViewProvider::get_DocumentRange(ITextRangeProvider** range) {
  if (!range) return E_POINTER;
  *range = nullptr;
  return Answer(*this, [&](iTextViewAccess& access) {
    *range = cTextRangeProvider::Create(*this, {0, access.TextLength()});
    return S_OK;
  });
}

HRESULT cTextViewProvider::get_SupportedTextSelection(SupportedTextSelection* selection) {
  if (!selection) return E_POINTER;
  return Answer(*this, [&](iTextViewAccess&) {
    *selection = SupportedTextSelection_Single;
    return S_OK;
  });
}

HRESULT cTextViewProvider::SetValue(LPCWSTR) {
  // The pane's text is the program's output: it is not replaced from outside. A read-only pane
  // refuses as a disabled control does.
  return Answer(*this, [](iTextViewAccess& access) {
    return access.ReadOnly() ? static_cast<HRESULT>(UIA_E_ELEMENTNOTENABLED) : E_ACCESSDENIED;
  });
}

HRESULT cTextViewProvider::get_Value(BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return Answer(*this, [&](iTextViewAccess& access) {
    *value = MakeBstr(TextOf(access, {0, access.TextLength()}));
    return S_OK;
  });
}

HRESULT cTextViewProvider::get_IsReadOnly(BOOL* readOnly) {
  if (!readOnly) return E_POINTER;
  return Answer(*this, [&](iTextViewAccess& access) {
    *readOnly = access.ReadOnly();
    return S_OK;
  });
}

LRESULT AnswerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam, cTextViewProvider& provider) {
  const auto returnProvider = cUiaCore::Get().ReturnRawElementProvider;
  if (returnProvider && provider.Access() && static_cast<LONG>(lParam) == static_cast<LONG>(UiaRootObjectId))
    return returnProvider(hwnd, wParam, lParam, &provider);
  return ::DefWindowProcW(hwnd, WM_GETOBJECT, wParam, lParam);
}

namespace {

void Raise(cTextViewProvider& provider, EVENTID event) {
  const cUiaCore& core = cUiaCore::Get();
  if (provider.Access() && core.RaiseAutomationEvent && core.ClientsAreListening && core.ClientsAreListening())
    core.RaiseAutomationEvent(&provider, event);
}

}  // namespace

void RaiseTextChanged(cTextViewProvider& provider) { Raise(provider, uia::TextChangedEventId); }
void RaiseSelectionChanged(cTextViewProvider& provider) { Raise(provider, uia::TextSelectionChangedEventId); }

}  // namespace view
