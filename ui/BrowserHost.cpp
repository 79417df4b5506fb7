#include "ui/BrowserHost.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <ocidl.h>

#include <utility>

#include "gui/ComPtr.h"
#include "gui/Handle.h"

namespace {

using gui::cHook;

// The container's side of the control: its client site, its in-place site, the frame it is
// activated in, and the receiver of its events.
class cSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDispatch {
public:
  cSite(HWND parent, const RECT& bounds, std::function<void()> pageComplete)
      : parent_(parent), bounds_(bounds), pageComplete_(std::move(pageComplete)) {}

  // The control is going: no more events reach the handler.
  void Detach() noexcept { pageComplete_ = nullptr; }
  void SetBounds(const RECT& bounds) noexcept { bounds_ = bounds; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
      *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
      *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
      *object = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2)
      *object = static_cast<IDispatch*>(this);
    else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, of the site and of the frame
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = parent_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position, RECT* clip,
                                OLEINPLACEFRAMEINFO* info) override {
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = bounds_;
    *clip = bounds_;
    info->fMDIApp = FALSE;
    info->hwndFrame = ::GetAncestor(parent_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, no menus, no status line.
  STDMETHODIMP GetBorder(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(MSG*, WORD) override { return S_FALSE; }

  // IDispatch, as the receiver of the control's events
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    if (id == DISPID_DOCUMENTCOMPLETE && pageComplete_) {
      // Nothing may leave through the control; a page that cannot take the focus shows without.
      try {
        pageComplete_();
      } catch (...) {
      }
    }
    return S_OK;
  }

private:
  ~cSite() = default;

  ULONG references_ = 1;
  HWND parent_;
  RECT bounds_;
  std::function<void()> pageComplete_;
};

}  // namespace

struct cBrowserHost::tState {
  ~tState() {
    if (keyTarget == this) keyTarget = previousKeyTarget;
    keyFilter.reset();
    if (events) events->Unadvise(cookie);
    if (site) site->Detach();
    if (object) {
      object->Close(OLECLOSE_NOSAVE);
      object->SetClientSite(nullptr);
    }
  }

  // Keys for the control pass through its own translation first, in the dialog's loop.
  static LRESULT CALLBACK FilterKeys(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* message = reinterpret_cast<MSG*>(lParam);
    const tState* target = keyTarget;
    const bool key = message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST;
    if (code == MSGF_DIALOGBOX && key && target && target->active &&
        (message->hwnd == target->window || ::IsChild(target->window, message->hwnd))) {
      MSG copy = *message;
      if (target->active->TranslateAccelerator(&copy) == S_OK) return TRUE;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static thread_local tState* keyTarget;

  // First: the thread keeps OLE until everything else is released.
  gui::cOleScope ole;
  gui::cComPtr<cSite> site;
  gui::cComPtr<IOleObject> object;
  gui::cComPtr<IWebBrowser2> browser;
  gui::cComPtr<IOleInPlaceObject> inPlace;
  gui::cComPtr<IOleInPlaceActiveObject> active;
  gui::cComPtr<IConnectionPoint> events;
  DWORD cookie = 0;
  HWND window = nullptr;
  cHook keyFilter;
  tState* previousKeyTarget = nullptr;
};

thread_local cBrowserHost::tState* cBrowserHost::tState::keyTarget = nullptr;

cBrowserHost::cBrowserHost(std::unique_ptr<tState> state) noexcept : state_(std::move(state)) {}

cBrowserHost::~cBrowserHost() = default;

bool cBrowserHost::CanShowPages() {
  const gui::cOleScope ole;
  gui::cComPtr<IHTMLDocument2> document;
  return ole.Initialized() && SUCCEEDED(::CoCreateInstance(__uuidof(HTMLDocument), nullptr, CLSCTX_INPROC_SERVER,
                                                           IID_PPV_ARGS(document.put())));
}

std::unique_ptr<cBrowserHost> cBrowserHost::Create(HWND parent, const RECT& bounds,
                                                   std::function<void()> pageComplete) {
  auto state = std::make_unique<tState>();
  if (!state->ole.Initialized()) return nullptr;
  state->site = gui::cComPtr<cSite>(new cSite(parent, bounds, std::move(pageComplete)));
  if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(state->object.put()))))
    return nullptr;
  IOleClientSite* site = state->site.get();
  RECT position = bounds;
  if (FAILED(state->object->SetClientSite(site)) ||
      FAILED(state->object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, parent, &position)))
    return nullptr;
  state->browser = state->object.As<IWebBrowser2>();
  state->inPlace = state->object.As<IOleInPlaceObject>();
  state->active = state->object.As<IOleInPlaceActiveObject>();
  if (!state->browser || !state->inPlace || FAILED(state->inPlace->GetWindow(&state->window)) || !state->window)
    return nullptr;

  // Without its events the control still shows pages; they only do not take the focus.
  if (const auto container = state->object.As<IConnectionPointContainer>();
      !container || FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, state->events.put())) ||
      FAILED(state->events->Advise(static_cast<IDispatch*>(state->site.get()), &state->cookie)))
    state->events.reset();

  state->keyFilter.reset(::SetWindowsHookExW(WH_MSGFILTER, &tState::FilterKeys, nullptr, ::GetCurrentThreadId()));
  state->previousKeyTarget = std::exchange(tState::keyTarget, state.get());
  return std::unique_ptr<cBrowserHost>(new cBrowserHost(std::move(state)));
}

HWND cBrowserHost::Window() const noexcept { return state_->window; }

void cBrowserHost::Navigate(std::wstring_view url) {
  const gui::cBstr address(url);
  VARIANT none;
  ::VariantInit(&none);
  state_->browser->Navigate(address.get(), &none, &none, &none, &none);
}

void cBrowserHost::FocusBody() {
  gui::cComPtr<IDispatch> document;
  if (FAILED(state_->browser->get_Document(document.put())) || !document) return;
  const auto page = document.As<IHTMLDocument2>();
  gui::cComPtr<IHTMLElement> body;
  if (!page || FAILED(page->get_body(body.put())) || !body) return;
  if (const auto element = body.As<IHTMLElement2>()) element->focus();
}

void cBrowserHost::Move(const RECT& bounds) {
  state_->site->SetBounds(bounds);
  RECT position = bounds;
  state_->inPlace->SetObjectRects(&position, &position);
}
