// The text view's UI Automation provider, called in the process through its COM interfaces over
// a view of the test's own.
//
// Wine 8 ships UIAutomationCore.dll with every function the provider loads. Seen under Wine 8.0:
// UiaGetReservedNotSupportedValue gives an object, UiaHostProviderFromHwnd a host provider for a
// real window, and UiaReturnRawElementProvider hands the provider to a client of the same process;
// but UiaClientsAreListening is a stub that answers FALSE, so no event is ever raised there, and
// the events are not tested.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "gui/ComPtr.h"
#include "gui/Thread.h"
#include "view/TextViewProvider.h"
#include "tests/unicode/ControlTestSupport.h"
#include "unicode/UnicodeControls.h"

using namespace gui;
using namespace view;

namespace {

// A view over a string: words are runs of letters or of anything else, rows rowWidth_ units of a
// line (0: a row is a line), as the tests need. It notes the thread that asked for the length or
// the name.
class cFakeView final : public iTextViewAccess {
public:
  HWND Window() const override { return window_; }
  std::int64_t TextLength() const override {
    askedOn_ = ::GetCurrentThreadId();
    return static_cast<std::int64_t>(text_.size());
  }
  std::wstring Text(std::int64_t start, std::int64_t count) const override {
    return text_.substr(static_cast<size_t>(start), static_cast<size_t>(count));
  }
  tTextSpan Selection() const override { return selection_; }
  void Select(tTextSpan span) override { selection_ = span; }
  tTextSpan VisibleSpan() const override { return {2, 5}; }
  tTextSpan LineAround(std::int64_t position) const override {
    const tTextSpan line = ParagraphAround(position);
    if (rowWidth_ == 0) return line;
    const std::int64_t at = std::max(std::min(position, line.End - 1), line.Start);
    const std::int64_t start = line.Start + (at - line.Start) / rowWidth_ * rowWidth_;
    return {start, std::min(start + rowWidth_, line.End)};
  }
  tTextSpan ParagraphAround(std::int64_t position) const override {
    const size_t at = static_cast<size_t>(position);
    const size_t before = at == 0 ? std::wstring::npos : text_.rfind(L"\r\n", at - 1);
    const size_t start = before == std::wstring::npos ? 0 : before + 2;
    const size_t end = std::min(text_.find(L"\r\n", start), text_.size());
    return {static_cast<std::int64_t>(start), static_cast<std::int64_t>(end)};
  }
  tTextSpan WordAround(std::int64_t position) const override {
    const auto kind = [&](std::int64_t i) { return ::IsCharAlphaW(text_[static_cast<size_t>(i)]) != FALSE; };
    std::int64_t start = position, end = position + 1;
    while (start > 0 && kind(start - 1) == kind(position)) --start;
    while (end < TextLength() && kind(end) == kind(position)) ++end;
    return {start, end};
  }
  std::vector<RECT> SpanRectangles(tTextSpan span) override {
    return {RECT{static_cast<LONG>(span.Start), 0, static_cast<LONG>(span.End), 16}};
  }
  std::int64_t PositionFromPoint(POINT client) override { return client.x; }
  void ScrollIntoView(std::int64_t, bool) override {}
  bool ReadOnly() const override { return readOnly_; }
  bool Focused() const override { return focused_; }
  std::wstring Name() const override {
    askedOn_ = ::GetCurrentThreadId();
    return {};
  }

  std::wstring text_;
  std::int64_t rowWidth_ = 0;
  mutable DWORD askedOn_ = 0;
  tTextSpan selection_;
  bool readOnly_ = false;
  bool focused_ = false;
  HWND window_ = nullptr;
};

std::wstring Text(ITextRangeProvider* range) {
  BSTR text = nullptr;
  EXPECT_EQ(range->GetText(-1, &text), S_OK);
  std::wstring result(text ? text : L"", text ? ::SysStringLen(text) : 0);
  ::SysFreeString(text);
  return result;
}

// The ranges a SAFEARRAY of them holds, each with a reference of its own.
std::vector<cComPtr<ITextRangeProvider>> Ranges(SAFEARRAY* array) {
  std::vector<cComPtr<ITextRangeProvider>> ranges;
  LONG last = -1;
  ::SafeArrayGetUBound(array, 1, &last);
  for (LONG i = 0; i <= last; ++i) {
    IUnknown* element = nullptr;
    ::SafeArrayGetElement(array, &i, &element);
    ranges.emplace_back();
    element->QueryInterface(IID_PPV_ARGS(ranges.back().put()));
    element->Release();
  }
  ::SafeArrayDestroy(array);
  return ranges;
}

// What a client of UI Automation in the same process reads of a window's node, through
// UIAutomationCore.dll's own client functions (no header declares them). UI Automation asks the
// window's thread for the provider, so the client runs on another thread while this one answers
// messages until it is done. Only the client has COM: the program's window thread has none.
// Posted messages are answered too, as the program's message loop does: answering only sent
// ones, the client waited forever under Wine.
struct tNodeSeen {
  HRESULT Node = E_FAIL;
  LONG ControlType = 0;
  VARTYPE NameType = VT_EMPTY;
  std::wstring Name = L"unread";
};

tNodeSeen ReadNode(HWND window) {
  tNodeSeen seen;
  const cModule module(::LoadLibraryExW(L"UIAutomationCore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!module) return seen;
  const HMODULE core = module.get();
  using tNodeFromHandle = HRESULT(WINAPI*)(HWND, HUIANODE*);
  using tGetPropertyValue = HRESULT(WINAPI*)(HUIANODE, PROPERTYID, VARIANT*);
  using tNodeRelease = BOOL(WINAPI*)(HUIANODE);
  const auto nodeFromHandle = reinterpret_cast<tNodeFromHandle>(::GetProcAddress(core, "UiaNodeFromHandle"));
  const auto getPropertyValue = reinterpret_cast<tGetPropertyValue>(::GetProcAddress(core, "UiaGetPropertyValue"));
  const auto nodeRelease = reinterpret_cast<tNodeRelease>(::GetProcAddress(core, "UiaNodeRelease"));
  if (!nodeFromHandle || !getPropertyValue || !nodeRelease) return seen;
  const cThread client([&] {
    const cOleScope clientOle;
    HUIANODE node = nullptr;
    seen.Node = nodeFromHandle(window, &node);
    if (FAILED(seen.Node)) return;
    VARIANT value;
    ::VariantInit(&value);
    if (SUCCEEDED(getPropertyValue(node, UIA_ControlTypePropertyId, &value)) && value.vt == VT_I4)
      seen.ControlType = value.lVal;
    ::VariantClear(&value);
    if (SUCCEEDED(getPropertyValue(node, UIA_NamePropertyId, &value))) {
      seen.NameType = value.vt;
      if (value.vt == VT_BSTR) seen.Name.assign(value.bstrVal, ::SysStringLen(value.bstrVal));
    }
    ::VariantClear(&value);
    nodeRelease(node);
  });
  const HANDLE thread = client.Handle();
  while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
  return seen;
}

LRESULT CALLBACK AnsweringProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* provider = reinterpret_cast<cTextViewProvider*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_GETOBJECT && provider) return AnswerGetObject(hwnd, wParam, lParam, *provider);
  if (message == kViewProviderCall && provider) return provider->RunPendingCall();
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// A window of the test's thread that answers for its provider as the view's window does.
HWND AnsweringWindow() {
  static const ATOM answering = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = AnsweringProcedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TextViewProviderTest";
    return ::RegisterClassW(&windowClass);
  }();
  return ::CreateWindowExW(0, MAKEINTATOM(answering), L"the whole output", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

class TextViewProvider : public ::testing::Test {
protected:
  TextViewProvider() { ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(provider_)); }

  cComPtr<ITextProvider> TextPattern() {
    cComPtr<IUnknown> pattern;
    EXPECT_EQ(provider_->GetPatternProvider(UIA_TextPatternId, pattern.put()), S_OK);
    return pattern.As<ITextProvider>();
  }
  cComPtr<ITextRangeProvider> Document() {
    cComPtr<ITextRangeProvider> range;
    EXPECT_EQ(TextPattern()->get_DocumentRange(range.put()), S_OK);
    return range;
  }
  // A range over [start, end): the selection's.
  cComPtr<ITextRangeProvider> Range(std::int64_t start, std::int64_t end) {
    const tTextSpan selection = view_.selection_;
    view_.selection_ = {start, end};
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(TextPattern()->GetSelection(&array), S_OK);
    view_.selection_ = selection;
    return std::move(Ranges(array).at(0));
  }

  void TearDown() override {
    ::DestroyWindow(window_);
    // Every range the test made is gone: the test's own reference is the last.
    EXPECT_EQ(provider_->Release(), 0u);
  }

  cFakeView view_;
  // The window before the provider, which sends it the calls of other threads.
  const HWND window_ = view_.window_ = AnsweringWindow();
  cTextViewProvider* provider_ = cTextViewProvider::Create(view_);
};

TEST_F(TextViewProvider, DocumentRangeHoldsTheWholeText) {
  view_.text_ = L"one\r\ntwo";
  EXPECT_EQ(Text(Document().get()), L"one\r\ntwo");
  BSTR some = nullptr;
  ASSERT_EQ(Document()->GetText(2, &some), S_OK);
  EXPECT_STREQ(some, L"on");
  ::SysFreeString(some);
}

TEST_F(TextViewProvider, ExpandsToTheEnclosingUnit) {
  // Units of characters (a surrogate pair and CR LF are one), words, lines and the document.
  const std::wstring text = L"ab cd\r\n\xD83D\xDE00x\r\n";
  struct tCase {
    int Position;
    TextUnit Unit;
    const wchar_t* Expected;
  };
  const tCase cases[] = {
      {1, TextUnit_Character, L"b"},
      {5, TextUnit_Character, L"\r\n"},
      {6, TextUnit_Character, L"\r\n"},
      {8, TextUnit_Character, L"\xD83D\xDE00"},
      {9, TextUnit_Character, L"x"},
      {12, TextUnit_Character, L""},
      {4, TextUnit_Word, L"cd"},
      {2, TextUnit_Word, L" "},
      {12, TextUnit_Word, L""},
      {1, TextUnit_Line, L"ab cd\r\n"},
      {5, TextUnit_Line, L"ab cd\r\n"},
      {9, TextUnit_Line, L"\xD83D\xDE00x\r\n"},
      {12, TextUnit_Line, L""},
      {3, TextUnit_Paragraph, L"ab cd\r\n"},
      {3, TextUnit_Format, text.c_str()},
      {3, TextUnit_Page, text.c_str()},
      {12, TextUnit_Document, text.c_str()},
  };
  view_.text_ = text;
  for (const tCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << c.Position << ", unit " << c.Unit);
    const cComPtr<ITextRangeProvider> range = Range(c.Position, c.Position);
    ASSERT_EQ(range->ExpandToEnclosingUnit(c.Unit), S_OK);
    EXPECT_EQ(Text(range.get()), c.Expected);
  }
}

// A line is what the view takes as one (a row of a wrapped line, 4 units here); a paragraph runs
// between line breaks.
TEST_F(TextViewProvider, LinesAreTheViewsRowsAndParagraphsRunToTheBreaks) {
  view_.text_ = L"abcdefghij\r\nxy";
  view_.rowWidth_ = 4;
  struct tCase {
    int Position;
    TextUnit Unit;
    int Count;  // ends moved by so many units, or expanded with 0
    const wchar_t* Expected;
  };
  const tCase cases[] = {
      {5, TextUnit_Line, 0, L"efgh"},        {8, TextUnit_Line, 0, L"ij\r\n"},
      {10, TextUnit_Line, 0, L"ij\r\n"},     {14, TextUnit_Line, 0, L"xy"},
      {5, TextUnit_Paragraph, 0, L"abcdefghij\r\n"}, {0, TextUnit_Line, 2, L"abcdefgh"},
      {0, TextUnit_Paragraph, 1, L"abcdefghij\r\n"},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << c.Position << ", unit " << c.Unit << " by " << c.Count);
    const cComPtr<ITextRangeProvider> range = Range(c.Position, c.Position);
    int moved = 0;
    ASSERT_EQ(c.Count == 0 ? range->ExpandToEnclosingUnit(c.Unit)
                           : range->MoveEndpointByUnit(TextPatternRangeEndpoint_End, c.Unit, c.Count, &moved),
              S_OK);
    EXPECT_EQ(Text(range.get()), c.Expected);
  }
}

TEST_F(TextViewProvider, MovesByUnits) {
  view_.text_ = L"ab cd\r\nef";
  struct tCase {
    int Start, End;
    TextUnit Unit;
    int Count;
    int Moved;
    const wchar_t* Expected;
    bool Endpoint;  // MoveEndpointByUnit on the end, else Move
  };
  const tCase cases[] = {
      {0, 0, TextUnit_Character, 3, 3, L"", false},
      {0, 1, TextUnit_Character, 5, 5, L"\r\n", false},
      {0, 1, TextUnit_Character, 99, 7, L"f", false},
      {4, 4, TextUnit_Character, 99, 4, L"", false},
      {1, 1, TextUnit_Word, 2, 2, L"", false},
      {4, 5, TextUnit_Word, -1, -1, L"cd", false},
      {4, 5, TextUnit_Word, -3, -3, L"ab", false},
      {1, 2, TextUnit_Line, 1, 1, L"ef", false},
      {0, 9, TextUnit_Document, 1, 0, L"ab cd\r\nef", false},
      {3, 3, TextUnit_Document, 1, 1, L"", false},
      {0, 1, TextUnit_Word, 2, 2, L"ab ", true},
      {0, 0, TextUnit_Line, 5, 2, L"ab cd\r\nef", true},
      {4, 9, TextUnit_Character, -2, -2, L"d\r\n", true},
      {4, 9, TextUnit_Line, -2, -2, L"", true},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Start << ".." << c.End << " unit " << c.Unit << " by " << c.Count);
    const cComPtr<ITextRangeProvider> range = Range(c.Start, c.End);
    int moved = 0;
    ASSERT_EQ(c.Endpoint ? range->MoveEndpointByUnit(TextPatternRangeEndpoint_End, c.Unit, c.Count, &moved)
                         : range->Move(c.Unit, c.Count, &moved),
              S_OK);
    EXPECT_EQ(moved, c.Moved);
    EXPECT_EQ(Text(range.get()), c.Expected);
  }
}

TEST_F(TextViewProvider, MovesByCharactersThroughLongText) {
  // Surrogate pairs on odd positions, so that pairs straddle where the text is read in blocks.
  std::wstring text = L"x";
  for (int i = 0; i < 3000; ++i) text += L"\xD83D\xDE00";
  view_.text_ = text + L"\r\n";
  struct tCase {
    int Count;
    int Moved;
    int Start;
  };
  const tCase cases[] = {{2048, 2048, 4095}, {INT_MAX, 954, 6003}, {-2, -2, 5999}};
  const cComPtr<ITextRangeProvider> range = Range(0, 0), mark = Range(0, 0);
  for (const tCase& c : cases) {
    SCOPED_TRACE(c.Count);
    int moved = 0;
    ASSERT_EQ(range->Move(TextUnit_Character, c.Count, &moved), S_OK);
    EXPECT_EQ(moved, c.Moved);
    ASSERT_EQ(mark->MoveEndpointByRange(TextPatternRangeEndpoint_End, range.get(), TextPatternRangeEndpoint_Start), S_OK);
    ASSERT_EQ(mark->MoveEndpointByRange(TextPatternRangeEndpoint_Start, range.get(), TextPatternRangeEndpoint_Start), S_OK);
    EXPECT_EQ(Text(mark.get()), L"");
    int back = 0;
    ASSERT_EQ(mark->MoveEndpointByUnit(TextPatternRangeEndpoint_Start, TextUnit_Character, -INT_MAX, &back), S_OK);
    EXPECT_EQ(Text(mark.get()).size(), static_cast<size_t>(c.Start));
  }
}

TEST_F(TextViewProvider, ComparesEndpointsAndRanges) {
  view_.text_ = L"abcdef";
  const cComPtr<ITextRangeProvider> early = Range(1, 3), late = Range(2, 5), same = Range(1, 3);
  struct tCase {
    TextPatternRangeEndpoint Mine, Theirs;
    int Order;
  };
  const tCase cases[] = {
      {TextPatternRangeEndpoint_Start, TextPatternRangeEndpoint_Start, -1},
      {TextPatternRangeEndpoint_End, TextPatternRangeEndpoint_Start, 1},
      {TextPatternRangeEndpoint_End, TextPatternRangeEndpoint_End, -1},
  };
  for (const tCase& c : cases) {
    int order = 0;
    ASSERT_EQ(early->CompareEndpoints(c.Mine, late.get(), c.Theirs, &order), S_OK);
    EXPECT_EQ(order < 0 ? -1 : order > 0 ? 1 : 0, c.Order);
  }
  BOOL equal = FALSE;
  EXPECT_EQ(early->Compare(same.get(), &equal), S_OK);
  EXPECT_TRUE(equal);
  EXPECT_EQ(early->Compare(late.get(), &equal), S_OK);
  EXPECT_FALSE(equal);
  ASSERT_EQ(early->MoveEndpointByRange(TextPatternRangeEndpoint_End, late.get(), TextPatternRangeEndpoint_End), S_OK);
  EXPECT_EQ(Text(early.get()), L"bcde");
}

TEST_F(TextViewProvider, GivesTheSelectionAndTheVisibleRange) {
  view_.text_ = L"abcdefgh";
  view_.selection_ = {1, 4};
  SAFEARRAY* array = nullptr;
  ASSERT_EQ(TextPattern()->GetSelection(&array), S_OK);
  auto selection = Ranges(array);
  ASSERT_EQ(selection.size(), 1u);
  EXPECT_EQ(Text(selection[0].get()), L"bcd");
  ASSERT_EQ(TextPattern()->GetVisibleRanges(&array), S_OK);
  auto visible = Ranges(array);
  ASSERT_EQ(visible.size(), 1u);
  EXPECT_EQ(Text(visible[0].get()), L"cde");

  // A range selects itself in the view; a second selection is refused.
  ASSERT_EQ(Range(5, 7)->Select(), S_OK);
  EXPECT_EQ(view_.selection_, (tTextSpan{5, 7}));
  EXPECT_EQ(Range(0, 1)->AddToSelection(), static_cast<HRESULT>(UIA_E_INVALIDOPERATION));
}

TEST_F(TextViewProvider, FindsText) {
  view_.text_ = L"Abc abc ABC";
  struct tCase {
    const wchar_t* Pattern;
    BOOL Backward, IgnoreCase;
    int Start;  // -1: not found
  };
  const tCase cases[] = {
      {L"abc", FALSE, FALSE, 4}, {L"abc", TRUE, FALSE, 4},  {L"abc", FALSE, TRUE, 0},
      {L"abc", TRUE, TRUE, 8},   {L"abcd", FALSE, TRUE, -1}, {L"c a", FALSE, FALSE, 2},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Pattern << " backward " << c.Backward << " ignoring case " << c.IgnoreCase);
    cComPtr<ITextRangeProvider> found;
    const cBstr pattern(c.Pattern);
    ASSERT_EQ(Document()->FindText(pattern.get(), c.Backward, c.IgnoreCase, found.put()), S_OK);
    if (c.Start < 0) {
      EXPECT_FALSE(found);
      continue;
    }
    ASSERT_TRUE(found);
    int order = 0;
    found->CompareEndpoints(TextPatternRangeEndpoint_Start, Range(c.Start, c.Start).get(),
                            TextPatternRangeEndpoint_Start, &order);
    EXPECT_EQ(order, 0);
  }
  // Only within the range.
  cComPtr<ITextRangeProvider> found;
  ASSERT_EQ(Range(1, 6)->FindText(cBstr(L"abc").get(), FALSE, TRUE, found.put()), S_OK);
  EXPECT_FALSE(found);
}

TEST_F(TextViewProvider, ValuePatternReadsButNeverWrites) {
  view_.text_ = L"output";
  cComPtr<IUnknown> pattern;
  ASSERT_EQ(provider_->GetPatternProvider(UIA_ValuePatternId, pattern.put()), S_OK);
  const cComPtr<IValueProvider> value = pattern.As<IValueProvider>();
  ASSERT_TRUE(value);
  BSTR text = nullptr;
  ASSERT_EQ(value->get_Value(&text), S_OK);
  EXPECT_STREQ(text, L"output");
  ::SysFreeString(text);
  for (bool readOnly : {false, true}) {
    view_.readOnly_ = readOnly;
    BOOL reported = !readOnly;
    ASSERT_EQ(value->get_IsReadOnly(&reported), S_OK);
    EXPECT_EQ(reported != FALSE, readOnly);
    EXPECT_TRUE(FAILED(value->SetValue(L"replaced")));
  }
  EXPECT_EQ(view_.text_, L"output");
}

TEST_F(TextViewProvider, AnswersItsProperties) {
  struct tCase {
    PROPERTYID Property;
    bool Focused;
    VARTYPE Type;
    LONG Value;
  };
  const tCase cases[] = {
      {UIA_ControlTypePropertyId, false, VT_I4, 50004},
      {UIA_HasKeyboardFocusPropertyId, false, VT_BOOL, VARIANT_FALSE},
      {UIA_HasKeyboardFocusPropertyId, true, VT_BOOL, VARIANT_TRUE},
      {UIA_IsKeyboardFocusablePropertyId, false, VT_BOOL, VARIANT_TRUE},
      {UIA_AutomationIdPropertyId, false, VT_EMPTY, 0},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(c.Property);
    view_.focused_ = c.Focused;
    VARIANT value;
    ASSERT_EQ(provider_->GetPropertyValue(c.Property, &value), S_OK);
    EXPECT_EQ(value.vt, c.Type);
    const LONG got = c.Type == VT_I4 ? value.lVal : c.Type == VT_BOOL ? value.boolVal : 0;
    EXPECT_EQ(got, c.Value);
  }
  // The name is given, empty, so that the window's text (the whole output) is not taken for it.
  VARIANT name;
  ASSERT_EQ(provider_->GetPropertyValue(UIA_NamePropertyId, &name), S_OK);
  ASSERT_EQ(name.vt, VT_BSTR);
  EXPECT_EQ(::SysStringLen(name.bstrVal), 0u);
  ::VariantClear(&name);
}

TEST_F(TextViewProvider, GivesTheHostAndTheNotSupportedValue) {
  // Seen under Wine 8.0: both come from UIAutomationCore.dll.
  view_.window_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 100, 200, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(view_.window_);
  cComPtr<IRawElementProviderSimple> host;
  EXPECT_EQ(provider_->get_HostRawElementProvider(host.put()), S_OK);
  EXPECT_TRUE(host);
  host.reset();

  VARIANT value;
  ASSERT_EQ(Document()->GetAttributeValue(40000, &value), S_OK);
  ASSERT_EQ(value.vt, VT_UNKNOWN);
  EXPECT_NE(value.punkVal, nullptr);
  ::VariantClear(&value);

  // Bounding rectangles are left, top, width and height on the screen.
  SAFEARRAY* rectangles = nullptr;
  view_.text_ = L"abcdef";
  ASSERT_EQ(Range(1, 4)->GetBoundingRectangles(&rectangles), S_OK);
  double* parts = nullptr;
  ASSERT_EQ(::SafeArrayAccessData(rectangles, reinterpret_cast<void**>(&parts)), S_OK);
  EXPECT_EQ(std::vector<double>(parts, parts + 4), (std::vector<double>{101, 200, 3, 16}));
  ::SafeArrayUnaccessData(rectangles);
  ::SafeArrayDestroy(rectangles);

  provider_->Disconnect();
  ::DestroyWindow(view_.window_);
}

// Seen under Wine 8.0: the node of the window answers the provider's control type and name, not
// the window's text. UI Automation asks on a thread of its own; the view is asked on its own.
TEST_F(TextViewProvider, ReachesAClientThroughTheWindow) {
  const tNodeSeen seen = ReadNode(window_);
  EXPECT_EQ(seen.Node, S_OK);
  EXPECT_EQ(seen.ControlType, 50004);
  EXPECT_EQ(seen.NameType, VT_BSTR);
  EXPECT_EQ(seen.Name, L"");
  EXPECT_EQ(view_.askedOn_, ::GetCurrentThreadId());

  // What the view does on WM_DESTROY; UI Automation lets go of the provider.
  provider_->Disconnect();
  // A provider that lost its view is handed out no more.
  EXPECT_EQ(::SendMessageW(window_, WM_GETOBJECT, 0, static_cast<LPARAM>(UiaRootObjectId)), 0);
}

// Called on another thread, the provider and its ranges ask the view on the view's thread while it
// waits for messages; once the view is gone they say so.
TEST_F(TextViewProvider, AsksTheViewOnItsOwnThread) {
  view_.text_ = L"text";
  const cComPtr<ITextRangeProvider> range = Document();
  auto ask = [&] {
    std::vector<HRESULT> answers;
    const cThread other([&] {
      VARIANT name;
      answers.push_back(provider_->GetPropertyValue(UIA_NamePropertyId, &name));
      ::VariantClear(&name);
      BSTR text = nullptr;
      answers.push_back(range->GetText(-1, &text));
      if (text) answers.push_back(::SysStringLen(text));
      ::SysFreeString(text);
    });
    EXPECT_TRUE(other.WaitPumping(5000));
    return answers;
  };
  view_.askedOn_ = 0;
  EXPECT_EQ(ask(), (std::vector<HRESULT>{S_OK, S_OK, 4}));
  EXPECT_EQ(view_.askedOn_, ::GetCurrentThreadId());
  provider_->Disconnect();
  const HRESULT gone = static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE);
  EXPECT_EQ(ask(), (std::vector<HRESULT>{gone, gone}));
}

// The output view itself answers with its provider, whatever text it holds.
TEST(TextViewAccessibility, TheViewAnswersAsAnEditControlWithoutAName) {
  cTestHost host;
  cWMemo view(mwTextView);
  host.Hold(view);
  view.SetWText(L"the whole output\r\nsecond line");
  const tNodeSeen seen = ReadNode(view.Handle());
  EXPECT_EQ(seen.Node, S_OK);
  EXPECT_EQ(seen.ControlType, 50004);
  EXPECT_EQ(seen.Name, L"");
}

TEST_F(TextViewProvider, DisconnectedItAnswersNothing) {
  view_.text_ = L"text";
  const cComPtr<ITextRangeProvider> range = Document();
  const cComPtr<ITextProvider> pattern = TextPattern();
  provider_->Disconnect();
  const HRESULT gone = static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE);
  BSTR text = nullptr;
  EXPECT_EQ(range->GetText(-1, &text), gone);
  EXPECT_EQ(text, nullptr);
  int moved = 0;
  EXPECT_EQ(range->Move(TextUnit_Character, 1, &moved), gone);
  cComPtr<ITextRangeProvider> document;
  EXPECT_EQ(pattern->get_DocumentRange(document.put()), gone);
  VARIANT value;
  EXPECT_EQ(provider_->GetPropertyValue(UIA_ControlTypePropertyId, &value), gone);
  cComPtr<IUnknown> unknown;
  EXPECT_EQ(provider_->GetPatternProvider(UIA_TextPatternId, unknown.put()), gone);
}

TEST_F(TextViewProvider, RangesOutgrownByTheTextAreCut) {
  view_.text_ = L"abcdef";
  const cComPtr<ITextRangeProvider> range = Range(2, 6);
  view_.text_ = L"abc";
  EXPECT_EQ(Text(range.get()), L"c");
}

}  // namespace
