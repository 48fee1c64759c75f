#include "platform/win32/services.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/error.h"
#include "platform/win32/dpi.h"
#include "platform/win32/handles.h"
#include "platform/win32/profile.h"

namespace platform::win32 {

// The program hands the system these records in their oldest forms.
static_assert(offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR) == kOpenFileNameSize);
static_assert(NOTIFYICONDATAA_V1_SIZE == sizeof(NotifyIconData88));
static_assert(offsetof(NOTIFYICONDATAA, cbSize) == offsetof(NotifyIconData88, cbSize));
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == offsetof(NotifyIconData88, hWnd));
static_assert(offsetof(NOTIFYICONDATAA, uID) == offsetof(NotifyIconData88, uID));
static_assert(offsetof(NOTIFYICONDATAA, uFlags) == offsetof(NotifyIconData88, uFlags));
static_assert(offsetof(NOTIFYICONDATAA, uCallbackMessage) ==
              offsetof(NotifyIconData88, uCallbackMessage));
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == offsetof(NotifyIconData88, hIcon));
static_assert(offsetof(NOTIFYICONDATAA, szTip) == offsetof(NotifyIconData88, szTip));
static_assert(NIM_ADD == kNimAdd && NIM_MODIFY == kNimModify && NIM_DELETE == kNimDelete);
static_assert(NIF_MESSAGE == kNifMessage && NIF_ICON == kNifIcon && NIF_TIP == kNifTip);
// ... and the balloon in the later one.
static_assert(NOTIFYICONDATAW_V2_SIZE == kNotifyIconDataV2Size);
static_assert(NIF_INFO == kNifInfo && NIIF_INFO == kNiifInfo && NIIF_NOSOUND == kNiifNoSound);

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

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

// A text into a record's fixed field, cut to fit with its NUL, never inside
// a surrogate pair.
template <std::size_t N>
void CopyField(wchar_t (&field)[N], const std::wstring& text) {
    std::size_t length = std::min(text.size(), N - 1);
    const bool splits_pair = length < text.size() && length > 0 && text[length - 1] >= 0xD800 &&
                             text[length - 1] <= 0xDBFF;
    if (splits_pair) --length;
    std::copy_n(text.begin(), length, field);
    field[length] = L'\0';
}

// Waits, on a thread of its own, for a started program to end, and tells
// the window that asked. The window's own thread goes on meanwhile.
struct EndWatch {
    UniqueKernelHandle process;
    HWND notify;
};

DWORD WINAPI WatchForEnd(void* param) {
    const std::unique_ptr<EndWatch> watch(static_cast<EndWatch*>(param));
    DWORD code = 0;
    if (WaitForSingleObject(watch->process.get(), INFINITE) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(watch->process.get(), &code))
        PostMessageW(watch->notify, kMsgProgramEnded, 0, static_cast<LPARAM>(code));
    return 0;
}

}  // namespace

float ScreenTwipsPerPixelX() { return 1440.0f / static_cast<float>(SystemDpi()); }

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

int MessageBoxService::Show(Handle owner, const std::wstring& text, const std::wstring& title,
                            unsigned style) {
    HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(owner));
    const int answer = MessageBoxW(window, text.c_str(), title.c_str(), style);
    if (answer == 0) RaiseLastError(L"The message could not be shown");
    return answer;
}

void ProcessService::Start(const std::wstring& application, const std::wstring& command_line,
                           int show, Handle notify) {
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
    if (!notify) return;
    auto watch = std::make_unique<EndWatch>(
        EndWatch{std::move(process), reinterpret_cast<HWND>(static_cast<UINT_PTR>(notify))});
    if (HANDLE watcher = CreateThread(nullptr, 0, WatchForEnd, watch.get(), 0, nullptr)) {
        watch.release();  // the watcher owns it now
        CloseHandle(watcher);
    }
}

void PowerService::KeepAwake(bool on) {
    SetThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

void ProcessService::EndNow() { ExitProcess(0); }

long ShellService::Execute(Handle owner, const std::wstring& verb, const std::wstring& file,
                           const std::wstring& parameters, const std::wstring& directory,
                           int show) {
    // Wide all the way, so any path opens. The program may end right after
    // the call, so the shell finishes its work before it returns; a failure
    // shows no message of the shell's own.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(owner));
    info.lpVerb = OrNull(verb);
    info.lpFile = file.c_str();
    info.lpParameters = OrNull(parameters);
    info.lpDirectory = OrNull(directory);
    info.nShow = show;
    ShellExecuteExW(&info);
    return static_cast<long>(reinterpret_cast<INT_PTR>(info.hInstApp));
}

bool FileDialogService::GetOpenFileName(OpenFileNameRecord& record) {
    // The two buffers as writable arrays of the declared maximum, holding
    // what the record starts them with.
    auto buffer = [](const std::wstring& initial, std::uint32_t max) {
        std::vector<wchar_t> out(std::max<std::uint32_t>(max, 1), L'\0');
        std::copy_n(initial.begin(), std::min(initial.size(), out.size() - 1), out.begin());
        return out;
    };
    std::vector<wchar_t> file = buffer(record.lpstrFile, record.nMaxFile);
    std::vector<wchar_t> file_title = buffer(record.lpstrFileTitle, record.nMaxFileTitle);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = record.lStructSize;
    ofn.hwndOwner = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.hwndOwner));
    ofn.hInstance = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(record.hInstance));
    ofn.lpstrFilter = OrNull(record.lpstrFilter);
    ofn.nFilterIndex = record.nFilterIndex;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = record.nMaxFile;
    ofn.lpstrFileTitle = file_title.data();
    ofn.nMaxFileTitle = record.nMaxFileTitle;
    ofn.lpstrInitialDir = OrNull(record.lpstrInitialDir);
    ofn.lpstrTitle = OrNull(record.lpstrTitle);
    ofn.Flags = record.Flags;

    const BOOL chosen = ::GetOpenFileNameW(&ofn);
    // The buffers come back whole (the rest of them untouched), without the
    // final terminator.
    record.lpstrFile.assign(file.data(), file.size() - 1);
    record.lpstrFileTitle.assign(file_title.data(), file_title.size() - 1);
    record.nFileOffset = ofn.nFileOffset;
    record.nFileExtension = ofn.nFileExtension;
    return chosen != FALSE;
}

LocalTime ClockService::Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
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
    // At the size of the notification area's icons, which follows the
    // system's scale: the icon made for that size, not another one stretched.
    const int size = MetricForDpi(SM_CXSMICON, SystemDpi());
    HANDLE icon = LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0);
    if (!icon) RaiseLastError(L"The icon could not be loaded");
    PROFILE_STEP("tray icon loaded");
    return std::make_unique<IconPicture>(static_cast<HICON>(icon));
}

bool NotifyAreaService::NotifyIcon(std::uint32_t message, const NotifyIconData88& record) {
    NOTIFYICONDATAA data{};
    std::memcpy(&data, &record, sizeof record);
    const bool done = Shell_NotifyIconA(message, &data) != FALSE;
    PROFILE_STEP("tray icon added");
    return done;
}

bool NotifyAreaService::NotifyIcon(std::uint32_t message, const NotifyIconDataV2& record) {
    // Wide, as the record's texts are the program's own.
    NOTIFYICONDATAW data{};
    data.cbSize = record.cbSize;
    data.hWnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.hWnd));
    data.uID = record.uID;
    data.uFlags = record.uFlags;
    CopyField(data.szInfo, record.szInfo);
    data.uTimeout = record.uTimeout;
    CopyField(data.szInfoTitle, record.szInfoTitle);
    data.dwInfoFlags = record.dwInfoFlags;
    return Shell_NotifyIconW(message, &data) != FALSE;
}

}  // namespace platform::win32
