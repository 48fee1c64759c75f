// Owners of system handles.
//
// Who owns what: icons and cursors loaded with LR_SHARED belong to the
// system and are never put into an owner here; everything else the program
// creates or loads is.
#pragma once

#include <windows.h>

#include "platform/unique.h"

namespace platform::win32 {

struct IconTraits { static void Close(HICON h) { DestroyIcon(h); } };
struct CursorTraits { static void Close(HCURSOR h) { DestroyCursor(h); } };
struct MenuTraits { static void Close(HMENU h) { DestroyMenu(h); } };
struct GdiTraits { static void Close(HGDIOBJ h) { DeleteObject(h); } };
struct KernelTraits { static void Close(HANDLE h) { CloseHandle(h); } };
struct GlobalTraits { static void Close(HGLOBAL h) { GlobalFree(h); } };
struct DcTraits { static void Close(HDC h) { DeleteDC(h); } };

using UniqueIcon = Unique<HICON, IconTraits>;
using UniqueCursor = Unique<HCURSOR, CursorTraits>;
using UniqueMenu = Unique<HMENU, MenuTraits>;
using UniqueFont = Unique<HGDIOBJ, GdiTraits>;
using UniqueBrush = Unique<HGDIOBJ, GdiTraits>;
using UniqueBitmap = Unique<HGDIOBJ, GdiTraits>;
using UniqueDc = Unique<HDC, DcTraits>;  // memory DCs (CreateCompatibleDC)
using UniqueKernelHandle = Unique<HANDLE, KernelTraits>;
using UniqueGlobal = Unique<HGLOBAL, GlobalTraits>;

using platform::ComPtr;

}  // namespace platform::win32
