// The OLE container of the WebBrowser control: Win32 and COM only.
#include "client/ui/win32/web_browser.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <oleidl.h>

#include "client/ui/win32/resource.h"

namespace tessaro {

// The container side of one control: its client site, in-place site and frame, and the sink of its
// events. Reference counted, as COM requires: the control may hold it a little longer than the
// window does; it forgets the window (`owner` null) when the window goes.
class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDispatch {
 public:
  explicit BrowserSite(CExplorer1* owner) : m_owner(owner) {}
  void Forget() { m_owner = nullptr; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
      *object = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
      *object = static_cast<IOleInPlaceFrame*>(this);
    } else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
      *object = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_references); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return left;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, for the in-place site and the frame alike: the host window.
  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = m_owner != nullptr ? m_owner->window() : nullptr;
    return *window != nullptr ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return m_owner != nullptr ? S_OK : S_FALSE; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr ||
        info == nullptr || m_owner == nullptr) {
      return E_INVALIDARG;
    }
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    GetClientRect(m_owner->window(), position);
    *clip = *position;
    info->cb = sizeof *info;
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(m_owner->window(), GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override {
    if (m_owner != nullptr) m_owner->Resize();
    return S_OK;
  }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or accelerators to offer.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDispatch: the control's events (DWebBrowserEvents2); BeforeNavigate2 and DocumentComplete
  // are answered.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count != nullptr) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    if (id == DISPID_DOCUMENTCOMPLETE) {
      if (m_owner != nullptr && m_owner->documentComplete) m_owner->documentComplete();
      return S_OK;
    }
    // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel): the
    // arguments come last first, so the address is the sixth from the end and Cancel the last.
    if (id != DISPID_BEFORENAVIGATE2 || parameters == nullptr || parameters->cArgs != 7 ||
        m_owner == nullptr || !m_owner->beforeNavigate) {
      return S_OK;
    }
    const VARIANT& url = parameters->rgvarg[5];
    const VARIANT& cancel = parameters->rgvarg[0];
    const VARIANT* address = (url.vt & VT_BYREF) != 0 ? url.pvarVal : &url;
    if (address == nullptr || address->vt != VT_BSTR || cancel.vt != (VT_BYREF | VT_BOOL)) {
      return S_OK;
    }
    const std::wstring text(address->bstrVal != nullptr ? address->bstrVal : L"",
                            address->bstrVal != nullptr ? SysStringLen(address->bstrVal) : 0);
    if (m_owner->beforeNavigate(text)) *cancel.pboolVal = VARIANT_TRUE;
    return S_OK;
  }

 private:
  ~BrowserSite() = default;
  LONG m_references = 1;
  CExplorer1* m_owner;
};

namespace {

constexpr wchar_t kClassName[] = L"" TESSARO_BROWSER_CLASS;

// The control's in-place object, for its size and its deactivation; null when it has none.
IOleInPlaceObject* InPlaceObject(IWebBrowser2* browser) {
  IOleInPlaceObject* object = nullptr;
  if (browser == nullptr ||
      FAILED(browser->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&object)))) {
    return nullptr;
  }
  return object;
}

// The connection point of the control's events; null when it offers none.
IConnectionPoint* EventConnection(IWebBrowser2* browser) {
  IConnectionPointContainer* container = nullptr;
  if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer,
                                     reinterpret_cast<void**>(&container)))) {
    return nullptr;
  }
  IConnectionPoint* point = nullptr;
  if (FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point))) point = nullptr;
  container->Release();
  return point;
}

}  // namespace

bool CExplorer1::RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

CExplorer1* CExplorer1::FromWindow(HWND window) {
  wchar_t name[64] = {};
  if (window == nullptr || GetClassNameW(window, name, 64) == 0 ||
      lstrcmpiW(name, kClassName) != 0) {
    return nullptr;
  }
  return reinterpret_cast<CExplorer1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

CExplorer1::CExplorer1(HWND window) : m_window(window) {}

CExplorer1::~CExplorer1() { DestroyControl(); }

LRESULT CALLBACK CExplorer1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CExplorer1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE:
      self = new CExplorer1(window);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->CreateControl();
      return 0;
    case WM_SIZE:
      if (self != nullptr) self->Resize();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delete self;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void CExplorer1::CreateControl() {
  IOleObject* object = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              reinterpret_cast<void**>(&object)))) {
    return;
  }
  m_site = new BrowserSite(this);
  RECT area;
  GetClientRect(m_window, &area);
  IWebBrowser2* browser = nullptr;
  if (SUCCEEDED(object->SetClientSite(static_cast<IOleClientSite*>(m_site))) &&
      SUCCEEDED(OleSetContainedObject(object, TRUE)) &&
      SUCCEEDED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                               static_cast<IOleClientSite*>(m_site), 0, m_window, &area)) &&
      SUCCEEDED(object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser)))) {
    m_browser = browser;
    if (IConnectionPoint* events = EventConnection(m_browser)) {
      DWORD cookie = 0;
      events->Advise(static_cast<IDispatch*>(m_site), &cookie);
      m_eventCookie = cookie;
      events->Release();
    }
  } else {
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
  }
  object->Release();
  if (m_browser == nullptr) {
    m_site->Forget();
    m_site->Release();
    m_site = nullptr;
  }
}

void CExplorer1::DestroyControl() {
  if (m_browser != nullptr) {
    if (m_eventCookie != 0) {
      if (IConnectionPoint* events = EventConnection(m_browser)) {
        events->Unadvise(m_eventCookie);
        events->Release();
      }
      m_eventCookie = 0;
    }
    if (IOleInPlaceObject* inPlace = InPlaceObject(m_browser)) {
      inPlace->InPlaceDeactivate();
      inPlace->Release();
    }
    IOleObject* object = nullptr;
    if (SUCCEEDED(m_browser->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)))) {
      object->Close(OLECLOSE_NOSAVE);
      object->SetClientSite(nullptr);
      object->Release();
    }
    m_browser->Release();
    m_browser = nullptr;
  }
  if (m_site != nullptr) {
    m_site->Forget();
    m_site->Release();
    m_site = nullptr;
  }
}

void CExplorer1::Resize() {
  if (IOleInPlaceObject* inPlace = InPlaceObject(m_browser)) {
    RECT area;
    GetClientRect(m_window, &area);
    inPlace->SetObjectRects(&area, &area);
    inPlace->Release();
  }
}

bool CExplorer1::Navigate2(const std::wstring& address) {
  m_lastAddress = address;
  if (m_browser == nullptr) return false;
  VARIANT url;
  VariantInit(&url);
  url.vt = VT_BSTR;
  url.bstrVal = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
  VARIANT empty;
  VariantInit(&empty);
  const HRESULT result = m_browser->Navigate2(&url, &empty, &empty, &empty, &empty);
  VariantClear(&url);
  return SUCCEEDED(result);
}

}  // namespace tessaro
