#include "window_test_support.h"

#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "client/core/diagnostics.h"
#include "client/ui/win32/resource.h"
#include "platform/fonts.h"
#include "platform/text_codec.h"

namespace tessaro_win32_test {
namespace {

namespace fs = std::filesystem;

DialogAnswerer* g_answerer = nullptr;

bool ClassIs(HWND window, const wchar_t* name) {
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  return lstrcmpiW(className, name) == 0;
}

// The texts of the static controls of `dialog` that show text, in window order.
std::vector<std::string> StaticTexts(HWND dialog) {
  std::vector<std::string> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!ClassIs(child, L"Static")) continue;
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON || (style & SS_TYPEMASK) == SS_BITMAP) continue;
    std::string text = TextOf(child);
    if (!text.empty()) texts.push_back(text);
  }
  return texts;
}

constexpr UINT kSentinel = WM_APP + 40;

}  // namespace

std::string Utf8(const std::wstring& text) {
  return platform::WideToMultiByte(std::u16string(text.begin(), text.end()),
                                   platform::kUtf8CodePage)
      .value_or("");
}

std::wstring Wide(const std::string& utf8) {
  const std::u16string wide =
      platform::MultiByteToWide(utf8, platform::kUtf8CodePage).value_or(u"");
  return std::wstring(wide.begin(), wide.end());
}

std::string Ansi(const std::string& utf8) {
  return platform::ConvertCodePage(utf8, platform::kUtf8CodePage, platform::kAnsiCodePage)
      .value_or("");
}

std::string TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

// --- Dialogs ------------------------------------------------------------------------------------

DialogAnswerer::DialogAnswerer() {
  g_answerer = this;
  hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, Hook, nullptr, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  g_answerer = nullptr;
}

LRESULT CALLBACK DialogAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG && g_answerer != nullptr &&
      ClassIs(call->hwnd, L"#32770")) {
    g_answerer->DialogReady(call->hwnd);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogAnswerer::DialogReady(HWND dialog) {
  if (isOwnDialog && isOwnDialog(dialog)) return;
  // The open-file dialog: its file-type list (cmb1).
  if (GetDlgItem(dialog, cmb1) != nullptr) {
    if (onFileDialog) {
      onFileDialog(dialog);
    } else {
      PressLater(dialog, IDCANCEL);
    }
    return;
  }
  // A message box.
  Shown box;
  box.owner = GetWindow(dialog, GW_OWNER);
  box.ownerVisible = box.owner != nullptr && IsWindowVisible(box.owner);
  box.caption = TextOf(dialog);
  for (const std::string& text : StaticTexts(dialog)) box.text += text;
  box.cancel = GetDlgItem(dialog, IDCANCEL) != nullptr;
  shown.push_back(box);
  int answer = IDOK;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  PressLater(dialog, answer);
}

void PressLater(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// --- Screenshots --------------------------------------------------------------------------------

void SaveScreenshot(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT frame;
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ASSERT_GT(width, 0);
  // From the window's own surface, frame and caption included: the screen (the X server's view)
  // is brought up to date a little later, when Wine flushes the window.
  HDC screen = GetWindowDC(window);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const BOOL copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  ASSERT_TRUE(copied);

  const std::string folder = TESSARO_SCREENSHOTS;
  fs::create_directories(folder);
  const std::wstring path = Wide(folder + "/" + name);
  IWICImagingFactory* factory = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* image = nullptr;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(result)) result = factory->CreateStream(&stream);
  if (SUCCEEDED(result)) result = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (SUCCEEDED(result))
    result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(result)) result = encoder->Initialize(stream, WICBitmapEncoderNoCache);
  if (SUCCEEDED(result)) result = encoder->CreateNewFrame(&image, nullptr);
  if (SUCCEEDED(result)) result = image->Initialize(nullptr);
  if (SUCCEEDED(result)) result = image->SetSize(width, height);
  if (SUCCEEDED(result)) result = image->SetPixelFormat(&format);
  if (SUCCEEDED(result)) {
    result = image->WritePixels(height, width * 4, width * height * 4, static_cast<BYTE*>(bits));
  }
  if (SUCCEEDED(result)) result = image->Commit();
  if (SUCCEEDED(result)) result = encoder->Commit();
  for (IUnknown* object : std::initializer_list<IUnknown*>{image, encoder, stream, factory}) {
    if (object != nullptr) object->Release();
  }
  DeleteObject(bitmap);
  EXPECT_TRUE(SUCCEEDED(result)) << name << ": " << std::hex << result;
}

// --- Surroundings -------------------------------------------------------------------------------

std::string SampleServiceHost() {
  std::ifstream in(TESSARO_SERVICE_STATE);
  std::string host;
  std::getline(in, host);
  return host;
}

std::string FontFolder() { return platform::FontInstallFolder(); }

Lines FilesIn(const std::string& folder) {
  Lines names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// --- The browser ------------------------------------------------------------------------------

namespace {

const wchar_t* const kBrowserKeys[] = {L"Software\\Classes\\http\\shell\\open\\command",
                                       L"Software\\Classes\\https\\shell\\open\\command"};

}  // namespace

namespace {

std::wstring DefaultValue(const wchar_t* key) {
  wchar_t value[1024] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  return value;
}

void SetDefaultValue(const wchar_t* key, const std::wstring& value) {
  HKEY handle = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

}  // namespace

// The prefix's own handler of web addresses (Wine's shell looks only at the machine's classes).
UrlRecorder::UrlRecorder()
    : file_(folder_ / "urls.txt"),
      event_(CreateEventW(nullptr, TRUE, FALSE, L"TessaroUrlRecorded")) {
  record_ = std::make_unique<tessaro_test::ScopedEnv>("TESSARO_URL_RECORD", file_);
  std::wstring program = Wide(TESSARO_URL_RECORDER);
  std::replace(program.begin(), program.end(), L'/', L'\\');
  const std::wstring command = L"\"" + program + L"\" \"%1\"";
  for (const wchar_t* key : kBrowserKeys) {
    old_.push_back(DefaultValue(key));
    SetDefaultValue(key, command);
  }
}

UrlRecorder::~UrlRecorder() {
  for (std::size_t i = 0; i < old_.size(); ++i) SetDefaultValue(kBrowserKeys[i], old_[i]);
  CloseHandle(event_);
}

Lines UrlRecorder::urls() const {
  Lines lines;
  std::ifstream in(file_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// --- WindowTest ---------------------------------------------------------------------------------

WindowTest::WindowTest() {
  oldDir_ = fs::current_path().string();
  fs::current_path(work_.path());
  tessaro::SetLogFolder(work_.path());
  static const bool registered = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SentinelProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TessaroTestSentinel";
    return RegisterClassW(&windowClass) != 0;
  }();
  EXPECT_TRUE(registered);
  sentinel_ = CreateWindowExW(0, L"TessaroTestSentinel", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), this);
  SetWindowLongPtrW(sentinel_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  answerer_.isOwnDialog = [this](HWND dialog) {
    return window_ != nullptr &&
           (dialog == window_->hwnd() || dialog == window_->previewDlg().hwnd() ||
            dialog == window_->aboutDlg().hwnd());
  };
}

WindowTest::~WindowTest() {
  window_.reset();
  DestroyWindow(sentinel_);
  fs::current_path(oldDir_);
}

LRESULT CALLBACK WindowTest::SentinelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kSentinel) {
    auto* self = reinterpret_cast<WindowTest*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) ++self->arrived_;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

tessaro::CTessaroPcDlg& WindowTest::NewWindow(const std::string& engineFolder) {
  window_.reset();
  window_ =
      std::make_unique<tessaro::CTessaroPcDlg>(tessaro::ClientFolders{work_.path(), engineFolder});
  return *window_;
}

tessaro::CTessaroPcDlg& WindowTest::OpenWindow(const std::string& engineFolder) {
  NewWindow(engineFolder);
  if (window_->Create()) {
    ShowWindow(window_->hwnd(), SW_SHOW);
    Settle();
  }
  return *window_;
}

bool WindowTest::RunUntil(const std::function<bool()>& done, DWORD bound, HANDLE event) {
  const DWORD start = GetTickCount();
  MSG message;
  while (!done()) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      RunOne(message);
      continue;
    }
    const DWORD spent = GetTickCount() - start;
    if (spent >= bound) {
      ADD_FAILURE() << "what the test waits for did not happen";
      return false;
    }
    // Sent messages (a worker's calls) are carried out while waiting.
    MsgWaitForMultipleObjectsEx(event != nullptr ? 1 : 0, event != nullptr ? &event : nullptr,
                                bound - spent, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return true;
}

void WindowTest::RunOne(MSG& message) {
  if (window_ != nullptr) {
    window_->RunMessage(message);
  } else {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool WindowTest::RunUntilSignalled(HANDLE event, DWORD bound) {
  bool signalled = false;
  return RunUntil(
      [&] {
        signalled = signalled || WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
        return signalled;
      },
      bound, event);
}

void WindowTest::Settle() {
  // Posted messages arrive in order: when the sentinel does, all posted before it have been run
  // (a nested loop, as a message box has, runs the sentinel too, but this loop sees it only after
  // the message that opened the box is done). What they posted in turn is settled the same way.
  do {
    const unsigned expected = ++posted_;
    PostMessageW(sentinel_, kSentinel, 0, 0);
    if (!RunUntil([&] { return arrived_ >= expected; })) return;
  } while (HIWORD(GetQueueStatus(QS_POSTMESSAGE)) != 0);
}

void WindowTest::WaitForWorker() {
  // Joined only once it has ended: a worker that hangs fails the test instead of holding it.
  if (RunUntil([&] { return !window_->workerRunning(); })) window_->WaitForWorker();
}

void WindowTest::Drop(const std::vector<std::string>& files) {
  std::wstring list;
  for (const std::string& file : files) list += Wide(file) + L'\0';
  list += L'\0';
  HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
  header->pFiles = sizeof(DROPFILES);
  header->pt = {40, 40};
  header->fNC = FALSE;
  header->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(),
              list.size() * sizeof(wchar_t));
  GlobalUnlock(drop);
  PostMessageW(window_->hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  Settle();
}

void WindowTest::Click(int id) {
  HWND button = window_->item(id);
  ASSERT_NE(button, nullptr) << id;
  ASSERT_TRUE(IsWindowEnabled(button)) << id;
  PostMessageW(button, BM_CLICK, 0, 0);
  Settle();
}

void WindowTest::ClickList(POINT point) {
  HWND list = window_->item(IDC_LIST_FONTS);
  const LPARAM at = MAKELPARAM(point.x, point.y);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  Settle();
}

void WindowTest::ClickCell(int row, int column) {
  HWND list = window_->item(IDC_LIST_FONTS);
  RECT cell{};
  ASSERT_TRUE(ListView_GetSubItemRect(list, row, column, LVIR_BOUNDS, &cell)) << row;
  if (column == 0) cell.right = cell.left + ListView_GetColumnWidth(list, 0);
  ClickList({(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
}

void WindowTest::Analyse(const std::string& document) {
  Drop({document});
  WaitForWorker();
}

Table WindowTest::Rows() {
  HWND list = window_->item(IDC_LIST_FONTS);
  Table rows;
  const int count = ListView_GetItemCount(list);
  for (int row = 0; row < count; ++row) {
    std::vector<std::string> cells;
    for (int column = 0; column < 4; ++column) {
      wchar_t text[512] = {};
      ListView_GetItemText(list, row, column, text, 512);
      cells.push_back(Utf8(text));
    }
    rows.push_back(cells);
  }
  return rows;
}

Lines WindowTest::Messages() {
  Lines texts;
  for (const Shown& box : answerer_.shown) texts.push_back(box.text);
  return texts;
}

std::string WindowTest::Log() { return tessaro_test::ReadFile(work_ / "Corvid.log"); }

std::string WindowTest::Document(const std::string& name, const std::vector<std::string>& fonts) {
  std::string pdf = "%PDF-1.4\n";
  for (const std::string& font : fonts) pdf += "/FontName /ABCDEF+" + Ansi(font) + "\n";
  const std::string path = work_ / name;
  tessaro_test::WriteFile(path, pdf);
  return path;
}

}  // namespace tessaro_win32_test
