// Stands in for the web browser of the tests' Wine prefix: appends the address it was started with
// (its command line after the program's name, UTF-8) and a line break to the file that
// TESSARO_URL_RECORD names, then signals the event of that name, so that a test waits for it
// without timing.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  wchar_t file[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"TESSARO_URL_RECORD", file, MAX_PATH) == 0) return 1;
  std::wstring address = arguments != nullptr ? arguments : L"";
  if (address.size() >= 2 && address.front() == L'"' && address.back() == L'"') {
    address = address.substr(1, address.size() - 2);
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, address.data(), static_cast<int>(address.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string line(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, address.data(), static_cast<int>(address.size()), line.data(),
                      size, nullptr, nullptr);
  line += "\n";
  HANDLE out = CreateFileW(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(out);
  std::wstring eventName = L"TessaroUrlRecorded";
  if (HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName.c_str())) {
    SetEvent(event);
    CloseHandle(event);
  }
  return 0;
}
