#include "platform/win32/services.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/error.h"
#include "platform/win32/handles.h"

namespace platform::win32 {

// The program hands the system these records in their oldest forms.
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == kOpenFileNameSize);
static_assert(NOTIFYICONDATAA_V1_SIZE == sizeof(NotifyIconData88));
static_assert(offsetof(NOTIFYICONDATAA, cbSize) == offsetof(NotifyIconData88, cbSize));
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == offsetof(NotifyIconData88, hWnd));
static_assert(offsetof(NOTIFYICONDATAA, uID) == offsetof(NotifyIconData88, uID));
static_assert(offsetof(NOTIFYICONDATAA, uFlags) == offsetof(NotifyIconData88, uFlags));
static_assert(offsetof(NOTIFYICONDATAA, uCallbackMessage) ==
              offsetof(NotifyIconData88, uCallbackMessage));
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == offsetof(NotifyIconData88, hIcon));
static_assert(offsetof(NOTIFYICONDATAA, szTip) == offsetof(NotifyIconData88, szTip));
static_assert(NIM_ADD == kNimAdd && NIM_DELETE == kNimDelete);
static_assert(NIF_MESSAGE == kNifMessage && NIF_ICON == kNifIcon && NIF_TIP == kNifTip);

namespace {

[[noreturn]] void RaiseLastError(const wchar_t* what) {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring description = what;
    if (text) {
        description += L": ";
        description += text;
        LocalFree(text);
        while (!description.empty() &&
               (description.back() == L'\n' || description.back() == L'\r'))
            description.pop_back();
    }
    Raise(static_cast<long>(code), description);
}

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

float ScreenTwipsPerPixelX() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? 1440.0f / static_cast<float>(dpi) : 15.0f;
}

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

std::wstring FromAnsi(const char* bytes, std::size_t length) {
    if (length == 0) return {};
    const int size = static_cast<int>(length);
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes, size, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, size, out.data(), needed);
    return out;
}

int MessageBoxService::Show(Handle owner, const std::wstring& text, const std::wstring& title,
                            unsigned style) {
    HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(owner));
    const int answer = MessageBoxW(window, text.c_str(), title.c_str(), style);
    if (answer == 0) RaiseLastError(L"The message could not be shown");
    return answer;
}

void ProcessService::Start(const std::wstring& application, const std::wstring& command_line,
                           int show) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION started{};
    std::wstring line = command_line;  // CreateProcess may write into it
    if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            Raise(kErrFileNotFound, L"File not found: " + application);
        RaiseLastError(L"The program could not be started");
    }
    UniqueKernelHandle process(started.hProcess);
    UniqueKernelHandle thread(started.hThread);
}

void ProcessService::EndNow() { ExitProcess(0); }

long ShellService::Execute(Handle owner, const std::wstring& verb, const std::wstring& file,
                           const std::wstring& parameters, const std::wstring& directory,
                           int show) {
    const std::string a_verb = ToAnsi(verb);
    const std::string a_file = ToAnsi(file);
    const std::string a_parameters = ToAnsi(parameters);
    const std::string a_directory = ToAnsi(directory);
    HINSTANCE result = ShellExecuteA(reinterpret_cast<HWND>(static_cast<UINT_PTR>(owner)),
                                     OrNull(a_verb), a_file.c_str(), OrNull(a_parameters),
                                     OrNull(a_directory), show);
    return static_cast<long>(reinterpret_cast<INT_PTR>(result));
}

bool FileDialogService::GetOpenFileName(OpenFileNameRecord& record) {
    // The strings as 8-bit texts, the two buffers as writable arrays of the
    // declared maximum.
    const std::string filter = ToAnsi(record.lpstrFilter);
    const std::string initial_dir = ToAnsi(record.lpstrInitialDir);
    const std::string title = ToAnsi(record.lpstrTitle);
    auto buffer = [](const std::wstring& initial, std::uint32_t max) {
        std::vector<char> out(std::max<std::uint32_t>(max, 1), '\0');
        const std::string bytes = ToAnsi(initial);
        std::memcpy(out.data(), bytes.data(), std::min(bytes.size(), out.size() - 1));
        return out;
    };
    std::vector<char> file = buffer(record.lpstrFile, record.nMaxFile);
    std::vector<char> file_title = buffer(record.lpstrFileTitle, record.nMaxFileTitle);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = record.lStructSize;
    ofn.hwndOwner = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.hwndOwner));
    ofn.hInstance = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(record.hInstance));
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = record.nFilterIndex;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = record.nMaxFile;
    ofn.lpstrFileTitle = file_title.data();
    ofn.nMaxFileTitle = record.nMaxFileTitle;
    ofn.lpstrInitialDir = OrNull(initial_dir);
    ofn.lpstrTitle = OrNull(title);
    ofn.Flags = record.Flags;

    const BOOL chosen = GetOpenFileNameA(&ofn);
    // The buffers come back whole (the rest of them untouched), without the
    // final terminator.
    record.lpstrFile = FromAnsi(file.data(), file.size() - 1);
    record.lpstrFileTitle = FromAnsi(file_title.data(), file_title.size() - 1);
    record.nFileOffset = ofn.nFileOffset;
    record.nFileExtension = ofn.nFileExtension;
    return chosen != FALSE;
}

std::wstring ClockService::TimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const WORD parts[3] = {now.wHour, now.wMinute, now.wSecond};
    std::wstring text;
    for (int i = 0; i < 3; ++i) {
        if (i) text += L':';
        text += static_cast<wchar_t>(L'0' + parts[i] / 10 % 10);
        text += static_cast<wchar_t>(L'0' + parts[i] % 10);
    }
    return text;
}

Handle AppService::Instance() {
    return static_cast<Handle>(reinterpret_cast<UINT_PTR>(instance_));
}

std::wstring AppService::Path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetModuleFileNameW(instance_, path.data(), static_cast<DWORD>(path.size()));
        if (got == 0) RaiseLastError(L"The program's folder is unknown");
        if (got < path.size()) {
            path.resize(got);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring AppService::CurrentDirectory() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) RaiseLastError(L"The current folder is unknown");
    std::wstring dir(needed, L'\0');
    const DWORD got = GetCurrentDirectoryW(needed, dir.data());
    dir.resize(got < needed ? got : 0);
    return dir;
}

std::wstring AppService::SystemDirectory() {
    const UINT needed = GetSystemDirectoryW(nullptr, 0);
    if (needed == 0) RaiseLastError(L"The system folder is unknown");
    std::wstring dir(needed, L'\0');
    const UINT got = GetSystemDirectoryW(dir.data(), needed);
    dir.resize(got < needed ? got : 0);
    return dir;
}

VersionNumbers AppService::Version() {
    // The fixed part of the program's own version record, found by its
    // signature.
    HRSRC found = FindResourceW(instance_, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /*RT_VERSION*/);
    HGLOBAL loaded = found ? LoadResource(instance_, found) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = found ? SizeofResource(instance_, found) : 0;
    for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, bytes + at, sizeof info);
        if (info.dwSignature != 0xFEEF04BDu) continue;
        return VersionNumbers{HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                              LOWORD(info.dwFileVersionLS)};
    }
    Raise(kErrFileNotFound, L"The program carries no version record");
}

void AppService::InitCommonControls() { ::InitCommonControls(); }

namespace {

class IconPicture final : public IPicture {
public:
    explicit IconPicture(HICON icon) : icon_(icon) {}
    Handle Value() const override {
        return static_cast<Handle>(reinterpret_cast<UINT_PTR>(icon_.get()));
    }

private:
    UniqueIcon icon_;
};

}  // namespace

std::unique_ptr<IPicture> ResourceService::LoadIconPicture(int id) {
    // At the icon's own size.
    HANDLE icon = LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, 0);
    if (!icon) RaiseLastError(L"The icon could not be loaded");
    return std::make_unique<IconPicture>(static_cast<HICON>(icon));
}

bool NotifyAreaService::NotifyIcon(std::uint32_t message, const NotifyIconData88& record) {
    NOTIFYICONDATAA data{};
    std::memcpy(&data, &record, sizeof record);
    return Shell_NotifyIconA(message, &data) != FALSE;
}

}  // namespace platform::win32
