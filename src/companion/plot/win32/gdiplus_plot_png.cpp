// windows.h, then objidl.h, come before the GDI+ headers, which use their types.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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

class GdiplusPlotPainter {
  public:
    explicit GdiplusPlotPainter(Gdiplus::Graphics& graphics)
        : graphics_(graphics), family_(SansSerifFamily()), ink_(ToGdiplus(kPlotInk)) {}

    void Draw(const PlotDescription& plot) {
        graphics_.Clear(ToGdiplus(kPlotBackground));
        graphics_.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        graphics_.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
        Text(plot.title);
        for (const PlotLegendEntry& entry : plot.legend) {
            const Gdiplus::Pen pen(ToGdiplus(entry.colour), Real(kLegendLineWidth));
            graphics_.DrawLine(&pen, ToGdiplus(entry.lineStart), ToGdiplus(entry.lineEnd));
            Text(entry.label);
        }
        for (const PlotPanel& panel : plot.panels) {
            Panel(panel);
        }
    }

  private:
    void Text(const PlotText& text) {
        if (text.text.empty()) {
            return;
        }
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

    void Panel(const PlotPanel& panel) {
        const PlotRect& area = panel.area;
        const Gdiplus::Pen grid(ToGdiplus(kPlotGrid), Real(kGridWidth));
        for (const PlotTick& tick : panel.values.ticks) {
            graphics_.DrawLine(&grid, Real(area.left), Real(tick.position), Real(area.Right()),
                               Real(tick.position));
            Text(tick.label);
        }
        for (const PlotTick& tick : panel.time.ticks) {
            graphics_.DrawLine(&grid, Real(tick.position), Real(area.top), Real(tick.position),
                               Real(area.Bottom()));
            Text(tick.label);
        }
        const Gdiplus::Pen frame(ToGdiplus(kPlotInk), Real(kFrameWidth));
        graphics_.DrawRectangle(&frame, Real(area.left), Real(area.top), Real(area.width),
                                Real(area.height));
        Text(panel.values.title);
        Text(panel.time.title);
        for (const PlotSeries& series : panel.series) {
            Series(series);
        }
    }

    void Series(const PlotSeries& series) {
        Gdiplus::Pen pen(ToGdiplus(series.colour), Real(kSeriesWidth));
        pen.SetLineJoin(Gdiplus::LineJoinRound);
        pen.SetStartCap(Gdiplus::LineCapRound);
        pen.SetEndCap(Gdiplus::LineCapRound);
        const Gdiplus::SolidBrush dot(ToGdiplus(series.colour));
        for (const std::vector<PlotPoint>& segment : series.segments) {
            if (segment.size() == 1) {
                graphics_.FillEllipse(&dot, Real(segment[0].x - kDotRadius),
                                      Real(segment[0].y - kDotRadius), Real(2 * kDotRadius),
                                      Real(2 * kDotRadius));
                continue;
            }
            std::vector<Gdiplus::PointF> points;
            for (const PlotPoint& point : segment) {
                points.push_back(ToGdiplus(point));
            }
            for (std::size_t start = 0; start + 1 < points.size(); start += kPointsPerStroke - 1) {
                const std::size_t count = std::min(kPointsPerStroke, points.size() - start);
                graphics_.DrawLines(&pen, points.data() + start, static_cast<INT>(count));
            }
        }
    }

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
        GdiplusPlotPainter(graphics).Draw(plot);
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
