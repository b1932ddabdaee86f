#include "win32/Win32Pictures.h"

#include "win32/EmbeddedPictures.h"

#include <objbase.h>
#include <wincodec.h>

#include <map>
#include <string>
#include <vector>

namespace velmora::win32 {

namespace {

// Releases a COM interface at the end of a scope.
template <typename T> struct Released {
    T* p = nullptr;
    ~Released() {
        if (p)
            p->Release();
    }
};

const EmbeddedPicture* embedded(std::string_view fileName) {
    for (size_t i = 0; i < kEmbeddedPictureCount; ++i) {
        if (fileName == kEmbeddedPictures[i].name)
            return &kEmbeddedPictures[i];
    }
    return nullptr;
}

// The PNG decoded into a top-down 32-bit DIB in the given WIC format; null when it cannot be.
HBITMAP decode(const EmbeddedPicture& source, const GUID& format, int& width, int& height) {
    // COM is needed by the imaging component; a thread that has it already keeps what it has.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    Released<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory.p))))
        return nullptr;
    Released<IWICStream> stream;
    Released<IWICBitmapDecoder> decoder;
    Released<IWICBitmapFrameDecode> frame;
    Released<IWICFormatConverter> converter;
    if (FAILED(factory.p->CreateStream(&stream.p)) ||
        FAILED(stream.p->InitializeFromMemory(const_cast<BYTE*>(source.data), static_cast<DWORD>(source.size))) ||
        FAILED(factory.p->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder.p)) ||
        FAILED(decoder.p->GetFrame(0, &frame.p)) || FAILED(factory.p->CreateFormatConverter(&converter.p)) ||
        FAILED(converter.p->Initialize(frame.p, format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom)))
        return nullptr;
    UINT w = 0, h = 0;
    if (FAILED(converter.p->GetSize(&w, &h)) || w == 0 || h == 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(w);
    info.bmiHeader.biHeight = -static_cast<LONG>(h);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    if (FAILED(converter.p->CopyPixels(nullptr, w * 4, w * h * 4, static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        return nullptr;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return bitmap;
}

} // namespace

const Picture* picture(std::string_view fileName) {
    static std::map<std::string, Picture, std::less<>> pictures;
    const auto found = pictures.find(fileName);
    if (found != pictures.end())
        return found->second.bitmap ? &found->second : nullptr;
    Picture made;
    if (const EmbeddedPicture* source = embedded(fileName))
        made.bitmap = decode(*source, GUID_WICPixelFormat32bppPBGRA, made.width, made.height);
    const Picture& kept = pictures.emplace(std::string(fileName), made).first->second;
    return kept.bitmap ? &kept : nullptr;
}

const Picture* dialogPicture(int32_t number) {
    constexpr int64_t kPictureFileOffset = 100;
    return picture(std::to_string(int64_t{number} + kPictureFileOffset) + ".png");
}

void drawPicture(HDC dc, const Picture& picture, const RECT& place) {
    HDC source = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(source, picture.bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SetStretchBltMode(dc, HALFTONE);
    AlphaBlend(dc, place.left, place.top, place.right - place.left, place.bottom - place.top, source, 0, 0,
               picture.width, picture.height, blend);
    SelectObject(source, old);
    DeleteDC(source);
}

HICON programIcon(int size) {
    static std::map<int, HICON> icons;
    const auto found = icons.find(size);
    if (found != icons.end())
        return found->second;
    HICON icon = nullptr;
    if (const EmbeddedPicture* source = embedded("velmora" + std::to_string(size) + ".png")) {
        // An icon's colours carry their alpha straight, not premultiplied.
        int width = 0, height = 0;
        if (HBITMAP colour = decode(*source, GUID_WICPixelFormat32bppBGRA, width, height)) {
            const std::vector<BYTE> clear(static_cast<size_t>((width + 15) / 16 * 2 * height));
            HBITMAP mask = CreateBitmap(width, height, 1, 1, clear.data());
            ICONINFO info{TRUE, 0, 0, mask, colour};
            icon = CreateIconIndirect(&info);
            DeleteObject(mask);
            DeleteObject(colour);
        }
    }
    icons.emplace(size, icon);
    return icon;
}

} // namespace velmora::win32
