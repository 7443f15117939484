#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPolygonF>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "companion/plot/plot_canvas.h"
#include "companion/plot/plot_png.h"

namespace tavr {

namespace {

// Wide enough for any label: a text is laid out in a box this wide on the side its alignment
// points to.
constexpr double kTextReach = 4000;

// Qt looks for a runtime folder when it starts and warns on every run where XDG_RUNTIME_DIR is
// not set, as under cron or ssh. The plot keeps nothing there, so such a run gets a private
// folder (mode 0700, as Qt requires) for the process's life.
class PrivateRuntimeFolder {
  public:
    PrivateRuntimeFolder() {
        const char* given = std::getenv("XDG_RUNTIME_DIR");
        if (given != nullptr && *given != '\0') {
            return;
        }
        std::error_code error;
        std::string pattern =
            (std::filesystem::temp_directory_path(error) / "tavr-12864-cli-XXXXXX").string();
        if (!error && ::mkdtemp(pattern.data()) != nullptr) {
            folder_ = pattern;
            ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        }
    }

    ~PrivateRuntimeFolder() {
        if (!folder_.empty()) {
            std::error_code error;
            std::filesystem::remove_all(folder_, error);
        }
    }

    PrivateRuntimeFolder(const PrivateRuntimeFolder&) = delete;
    PrivateRuntimeFolder& operator=(const PrivateRuntimeFolder&) = delete;

  private:
    std::string folder_;
};

// Makes sure a Qt application exists for fonts and painting. It runs on the offscreen platform
// whatever QT_QPA_PLATFORM says: the plot never opens a window, and needs no display.
void EnsureApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    static PrivateRuntimeFolder runtimeFolder;
    static int argc = 3;
    static char name[] = "tavr-12864-cli";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    static QGuiApplication application(argc, argv);
}

QColor ToQt(PlotColour colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

QPointF ToQt(PlotPoint point) {
    return QPointF(point.x, point.y);
}

QRectF ToQt(const PlotRect& area) {
    return QRectF(area.left, area.top, area.width, area.height);
}

class QtPlotCanvas : public PlotCanvas {
  public:
    explicit QtPlotCanvas(QPainter& painter) : painter_(painter) {
        painter_.setRenderHint(QPainter::Antialiasing);
    }

    void Fill(const PlotRect& area, PlotColour colour) override {
        painter_.fillRect(ToQt(area), ToQt(colour));
    }

    void Line(PlotPoint from, PlotPoint to, PlotColour colour, double width) override {
        painter_.setPen(QPen(ToQt(colour), width));
        painter_.drawLine(ToQt(from), ToQt(to));
    }

    void Frame(const PlotRect& area, PlotColour colour, double width) override {
        painter_.setPen(QPen(ToQt(colour), width));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(ToQt(area));
    }

    void Text(const PlotText& text) override {
        QFont font = painter_.font();
        font.setPixelSize(static_cast<int>(text.size));
        painter_.setFont(font);
        painter_.setPen(ToQt(kPlotInk));
        painter_.save();
        painter_.translate(ToQt(text.anchor));
        if (text.rotated) {
            painter_.rotate(-90);
        }
        const double left = text.align == TextAlign::Start    ? 0
                            : text.align == TextAlign::Centre ? -kTextReach / 2
                                                              : -kTextReach;
        const Qt::Alignment horizontal = text.align == TextAlign::Start    ? Qt::AlignLeft
                                         : text.align == TextAlign::Centre ? Qt::AlignHCenter
                                                                           : Qt::AlignRight;
        painter_.drawText(QRectF(left, -text.size, kTextReach, 2 * text.size),
                          horizontal | Qt::AlignVCenter, QString::fromStdString(text.text));
        painter_.restore();
    }

    void Dot(PlotPoint centre, PlotColour colour) override {
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(ToQt(colour));
        painter_.drawEllipse(ToQt(centre), kDotRadius, kDotRadius);
        painter_.setBrush(Qt::NoBrush);
    }

    void Stroke(std::span<const PlotPoint> points, PlotColour colour) override {
        QPen pen(ToQt(colour), kSeriesWidth);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        painter_.setPen(pen);
        QPolygonF line;
        for (const PlotPoint& point : points) {
            line << ToQt(point);
        }
        painter_.drawPolyline(line);
    }

  private:
    QPainter& painter_;
};

}  // namespace

bool EncodePlotPng(const PlotDescription& plot, std::string& png, std::string& error) {
    EnsureApplication();
    QImage image(static_cast<int>(plot.width), static_cast<int>(plot.height), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        QtPlotCanvas canvas(painter);
        PaintPlot(plot, canvas);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        error = "cannot make the PNG picture: " + writer.errorString().toStdString();
        return false;
    }
    png.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

}  // namespace tavr
