#include "platform/picture.h"

#include <objidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstring>

#include "platform/com_ptr.h"

namespace vk {

Bitmap loadPictureResource(int resourceId, int width, int height) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) return {};
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return {};

    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy) return {};
    void* target = GlobalLock(copy);
    if (!target) {
        GlobalFree(copy);
        return {};
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(copy);
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, stream.put()))) {
        GlobalFree(copy);
        return {};
    }
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.put()))))
        return {};
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Handle(&handle))) return {};
    auto source = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info{};
    if (!GetObjectW(source, sizeof info, &info)) return {};

    // Our own copy at the size the window needs: the picture object owns its bitmap.
    WindowDC screen(nullptr);
    Bitmap scaled(CreateCompatibleBitmap(screen.get(), width, height));
    HDC from = CreateCompatibleDC(screen.get());
    HDC to = CreateCompatibleDC(screen.get());
    {
        SelectObjectScope selectFrom(from, source);
        SelectObjectScope selectTo(to, scaled.get());
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
    DeleteDC(from);
    DeleteDC(to);
    return scaled;
}

}  // namespace vk
