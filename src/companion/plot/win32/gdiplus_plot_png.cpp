// windows.h, then objidl.h, come before the GDI+ headers, which use their types.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "companion/plot/plot_canvas.h"
#include "companion/plot/plot_png.h"

namespace tavr {

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
    return wide;
}

Gdiplus::Color ToGdiplus(PlotColour colour) {
    return Gdiplus::Color(255, colour.red, colour.green, colour.blue);
}

Gdiplus::PointF ToGdiplus(PlotPoint point) {
    return Gdiplus::PointF(static_cast<Gdiplus::REAL>(point.x),
                           static_cast<Gdiplus::REAL>(point.y));
}

Gdiplus::REAL Real(double value) {
    return static_cast<Gdiplus::REAL>(value);
}

// GDI+ for the time of one picture; every GDI+ object is gone before it shuts down.
class GdiplusSession {
  public:
    GdiplusSession() {
        const Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started_) {
            Gdiplus::GdiplusShutdown(token_);
        }
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    bool Started() const { return started_; }

  private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

// The PNG encoder that comes with Windows (and wine).
bool FindPngEncoder(CLSID& encoder) {
    UINT count = 0;
    UINT bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) {
        return false;
    }
    std::vector<unsigned char> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) {
        return false;
    }
    for (UINT k = 0; k < count; ++k) {
        if (std::wstring(codecs[k].MimeType) == L"image/png") {
            encoder = codecs[k].Clsid;
            return true;
        }
    }
    return false;
}

struct StreamRelease {
    void operator()(IStream* stream) const { stream->Release(); }
};

// A stream in memory that grows as it is written; nothing when there is no memory for it.
IStream* NewMemoryStream() {
    IStream* stream = nullptr;
    return ::CreateStreamOnHGlobal(nullptr, TRUE, &stream) == S_OK ? stream : nullptr;
}

// All of a stream's bytes, read from its start.
bool ReadStream(IStream& stream, std::string& bytes) {
    STATSTG status{};
    if (stream.Stat(&status, STATFLAG_NONAME) != S_OK ||
        stream.Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr) != S_OK) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(status.cbSize.QuadPart));
    ULONG read = 0;
    return stream.Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read) == S_OK &&
           read == bytes.size();
}

// Windows' own sans-serif face; under wine, which may have none of its own, the host's (the
// face the Linux painter gets); else whatever GDI+ calls sans-serif.
std::unique_ptr<Gdiplus::FontFamily> SansSerifFamily() {
    for (const wchar_t* name : {L"Arial", L"DejaVu Sans", L"Liberation Sans"}) {
        auto family = std::make_unique<Gdiplus::FontFamily>(name);
        if (family->IsAvailable()) {
            return family;
        }
    }
    return std::unique_ptr<Gdiplus::FontFamily>(Gdiplus::FontFamily::GenericSansSerif()->Clone());
}

class GdiplusPlotCanvas : public PlotCanvas {
  public:
    explicit GdiplusPlotCanvas(Gdiplus::Graphics& graphics)
        : graphics_(graphics), family_(SansSerifFamily()), ink_(ToGdiplus(kPlotInk)) {
        graphics_.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        graphics_.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    }

    void Fill(const PlotRect& area, PlotColour colour) override {
        const Gdiplus::SolidBrush brush(ToGdiplus(colour));
        graphics_.FillRectangle(&brush, Real(area.left), Real(area.top), Real(area.width),
                                Real(area.height));
    }

    void Line(PlotPoint from, PlotPoint to, PlotColour colour, double width) override {
        const Gdiplus::Pen pen(ToGdiplus(colour), Real(width));
        graphics_.DrawLine(&pen, ToGdiplus(from), ToGdiplus(to));
    }

    void Frame(const PlotRect& area, PlotColour colour, double width) override {
        const Gdiplus::Pen pen(ToGdiplus(colour), Real(width));
        graphics_.DrawRectangle(&pen, Real(area.left), Real(area.top), Real(area.width),
                                Real(area.height));
    }

    void Text(const PlotText& text) override {
        const Gdiplus::Font font(family_.get(), Real(text.size), Gdiplus::FontStyleRegular,
                                 Gdiplus::UnitPixel);
        Gdiplus::StringFormat format;
        format.SetAlignment(text.align == TextAlign::Start    ? Gdiplus::StringAlignmentNear
                            : text.align == TextAlign::Centre ? Gdiplus::StringAlignmentCenter
                                                              : Gdiplus::StringAlignmentFar);
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
        const std::wstring wide = Wide(text.text);
        graphics_.TranslateTransform(Real(text.anchor.x), Real(text.anchor.y));
        if (text.rotated) {
            graphics_.RotateTransform(-90);
        }
        graphics_.DrawString(wide.c_str(), static_cast<INT>(wide.size()), &font,
                             Gdiplus::PointF(0, 0), &format, &ink_);
        graphics_.ResetTransform();
    }

    void Dot(PlotPoint centre, PlotColour colour) override {
        const Gdiplus::SolidBrush brush(ToGdiplus(colour));
        graphics_.FillEllipse(&brush, Real(centre.x - kDotRadius), Real(centre.y - kDotRadius),
                              Real(2 * kDotRadius), Real(2 * kDotRadius));
    }

    void Stroke(std::span<const PlotPoint> points, PlotColour colour) override {
        Gdiplus::Pen pen(ToGdiplus(colour), Real(kSeriesWidth));
        pen.SetLineJoin(Gdiplus::LineJoinRound);
        pen.SetStartCap(Gdiplus::LineCapRound);
        pen.SetEndCap(Gdiplus::LineCapRound);
        std::vector<Gdiplus::PointF> line;
        for (const PlotPoint& point : points) {
            line.push_back(ToGdiplus(point));
        }
        graphics_.DrawLines(&pen, line.data(), static_cast<INT>(line.size()));
    }

  private:
    Gdiplus::Graphics& graphics_;
    std::unique_ptr<Gdiplus::FontFamily> family_;
    Gdiplus::SolidBrush ink_;
};

}  // namespace

bool EncodePlotPng(const PlotDescription& plot, std::string& png, std::string& error) {
    const GdiplusSession session;
    CLSID encoder{};
    if (!session.Started() || !FindPngEncoder(encoder)) {
        error = "cannot make the PNG picture: Windows' PNG encoder (GDI+) is not available";
        return false;
    }
    Gdiplus::Bitmap bitmap(static_cast<INT>(plot.width), static_cast<INT>(plot.height),
                           PixelFormat32bppRGB);
    {
        Gdiplus::Graphics graphics(&bitmap);
        GdiplusPlotCanvas canvas(graphics);
        PaintPlot(plot, canvas);
    }
    const std::unique_ptr<IStream, StreamRelease> stream(NewMemoryStream());
    const Gdiplus::Status status =
        stream ? bitmap.Save(stream.get(), &encoder, nullptr) : Gdiplus::OutOfMemory;
    if (status != Gdiplus::Ok || !ReadStream(*stream, png)) {
        error =
            "cannot make the PNG picture: GDI+ status " + std::to_string(static_cast<int>(status));
        return false;
    }
    return true;
}

}  // namespace tavr
