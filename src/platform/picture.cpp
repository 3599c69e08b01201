#include "platform/picture.h"

#include <objidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstring>

#include "platform/com_ptr.h"

namespace vk {
namespace {

// Decodes a picture resource and hands its bitmap, which the picture object owns, to `use`.
template <typename Use>
bool withDecodedPicture(int resourceId, Use use) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) return false;
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return false;

    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy) return false;
    void* target = GlobalLock(copy);
    if (!target) {
        GlobalFree(copy);
        return false;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(copy);
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, stream.put()))) {
        GlobalFree(copy);
        return false;
    }
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.put()))))
        return false;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Handle(&handle))) return false;
    auto source = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info{};
    if (!GetObjectW(source, sizeof info, &info)) return false;
    use(source, info);
    return true;
}

}  // namespace

int pictureResourceFor(const ScaledPicture& picture, int dpi) {
    if (dpi <= 96) return picture.at96;
    if (dpi <= 144) return picture.at144;
    return picture.at192;
}

SIZE pictureResourceSize(int resourceId) {
    SIZE size{0, 0};
    withDecodedPicture(resourceId, [&](HBITMAP, const BITMAP& info) { size = {info.bmWidth, info.bmHeight}; });
    return size;
}

Bitmap loadPictureResource(const ScaledPicture& picture, int dpi, int width, int height) {
    Bitmap scaled;
    withDecodedPicture(pictureResourceFor(picture, dpi), [&](HBITMAP source, const BITMAP& info) {
        // Our own copy at the size the window needs.
        WindowDC screen(nullptr);
        scaled.reset(CreateCompatibleBitmap(screen.get(), width, height));
        MemoryDC from(screen.get());
        MemoryDC to(screen.get());
        SelectObjectScope selectFrom(from.get(), source);
        SelectObjectScope selectTo(to.get(), scaled.get());
        SetStretchBltMode(to.get(), HALFTONE);
        SetBrushOrgEx(to.get(), 0, 0, nullptr);
        StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    });
    return scaled;
}

}  // namespace vk
