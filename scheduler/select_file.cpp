#include "scheduler/select_file.h"

namespace scheduler {

platform::OpenFileNameRecord PickerRecord(platform::Handle owner, platform::Handle instance,
                                          const std::wstring& initial_dir,
                                          const std::wstring& title, const std::wstring& ext) {
    platform::OpenFileNameRecord r;
    r.lStructSize = platform::kOpenFileNameSize;
    r.hwndOwner = owner;
    r.hInstance = instance;
    r.lpstrFilter = L"File Type (*." + ext + L")";
    r.lpstrFilter.push_back(L'\0');
    r.lpstrFilter += L"*." + ext;
    r.lpstrFilter.push_back(L'\0');
    r.lpstrFile.clear();
    r.nMaxFile = kPickerBufferMax;
    r.lpstrFileTitle = std::wstring(kPickerBufferBlanks, L' ');
    r.nMaxFileTitle = kPickerBufferMax;
    r.lpstrInitialDir = initial_dir;
    r.lpstrTitle = title;
    r.Flags = 0;
    return r;
}

std::wstring PickedPath(const std::wstring& buffer) {
    const std::size_t first = buffer.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    const std::size_t last = buffer.find_last_not_of(L' ');
    const std::wstring trimmed = buffer.substr(first, last - first + 1);
    return trimmed.substr(0, trimmed.find(L'\0'));
}

}  // namespace scheduler
