#include "png_pixels.h"

#include <QImage>

namespace tavr {

std::optional<PngPixels> DecodePng(const std::string& bytes) {
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                            static_cast<int>(bytes.size()), "PNG")) {
        return std::nullopt;
    }
    PngPixels decoded{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            decoded.pixels.push_back({static_cast<std::uint8_t>(qRed(pixel)),
                                      static_cast<std::uint8_t>(qGreen(pixel)),
                                      static_cast<std::uint8_t>(qBlue(pixel))});
        }
    }
    return decoded;
}

}  // namespace tavr
