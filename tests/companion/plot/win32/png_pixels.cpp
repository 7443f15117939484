// windows.h, then objidl.h, come before the GDI+ headers, which use their types.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <memory>

#include "png_pixels.h"

namespace tavr {

namespace {

struct StreamRelease {
    void operator()(IStream* stream) const { stream->Release(); }
};

std::optional<PngPixels> DecodeWithGdiplus(const std::string& bytes) {
    IStream* created = nullptr;
    if (::CreateStreamOnHGlobal(nullptr, TRUE, &created) != S_OK) {
        return std::nullopt;
    }
    const std::unique_ptr<IStream, StreamRelease> stream(created);
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    Gdiplus::Bitmap bitmap(stream.get());
    if (written != bytes.size() || bitmap.GetLastStatus() != Gdiplus::Ok) {
        return std::nullopt;
    }
    PngPixels decoded{
        static_cast<int>(bitmap.GetWidth()), static_cast<int>(bitmap.GetHeight()), {}};
    Gdiplus::Rect whole(0, 0, decoded.width, decoded.height);
    Gdiplus::BitmapData data{};
    if (bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) !=
        Gdiplus::Ok) {
        return std::nullopt;
    }
    for (int y = 0; y < decoded.height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(data.Scan0) + y * data.Stride;
        for (int x = 0; x < decoded.width; ++x) {
            const std::uint8_t* pixel = row + 4 * x;  // blue, green, red, unused
            decoded.pixels.push_back({pixel[2], pixel[1], pixel[0]});
        }
    }
    bitmap.UnlockBits(&data);
    return decoded;
}

}  // namespace

std::optional<PngPixels> DecodePng(const std::string& bytes) {
    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        return std::nullopt;
    }
    std::optional<PngPixels> decoded = DecodeWithGdiplus(bytes);
    Gdiplus::GdiplusShutdown(token);
    return decoded;
}

}  // namespace tavr
