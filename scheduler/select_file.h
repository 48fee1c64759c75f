// The program picker: the open-file dialog's record and what the dialog
// hands back.
#pragma once

#include <string>

#include "platform/records.h"

namespace scheduler {

// The file-title buffer holds this many blanks plus the terminator; the
// maximum given to the dialog includes the terminator. The file buffer has
// the same maximum and starts empty, so the dialog's file name field does
// too (blanks there would show as a selected bar of spaces, and a user who
// typed after them would get a path with blanks before it).
constexpr std::size_t kPickerBufferBlanks = 254;
constexpr std::uint32_t kPickerBufferMax = 255;

// The record for a dialog titled `title`, owned by `owner`, opening in
// `initial_dir`, offering the single filter "File Type (*.<ext>)".
platform::OpenFileNameRecord PickerRecord(platform::Handle owner, platform::Handle instance,
                                          const std::wstring& initial_dir,
                                          const std::wstring& title, const std::wstring& ext);

// The chosen path from the dialog's file buffer: blanks at both ends
// removed, then the text up to the first NUL.
std::wstring PickedPath(const std::wstring& buffer);

}  // namespace scheduler
