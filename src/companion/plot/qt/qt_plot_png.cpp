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

class QtPlotPainter {
  public:
    explicit QtPlotPainter(QPainter& painter) : painter_(painter) {}

    void Draw(const PlotDescription& plot) {
        painter_.fillRect(QRectF(0, 0, plot.width, plot.height), ToQt(kPlotBackground));
        painter_.setRenderHint(QPainter::Antialiasing);
        Text(plot.title);
        for (const PlotLegendEntry& entry : plot.legend) {
            painter_.setPen(QPen(ToQt(entry.colour), kLegendLineWidth));
            painter_.drawLine(ToQt(entry.lineStart), ToQt(entry.lineEnd));
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

    void Panel(const PlotPanel& panel) {
        const QRectF area(panel.area.left, panel.area.top, panel.area.width, panel.area.height);
        for (const PlotTick& tick : panel.values.ticks) {
            painter_.setPen(QPen(ToQt(kPlotGrid), kGridWidth));
            painter_.drawLine(QPointF(area.left(), tick.position),
                              QPointF(area.right(), tick.position));
            Text(tick.label);
        }
        for (const PlotTick& tick : panel.time.ticks) {
            painter_.setPen(QPen(ToQt(kPlotGrid), kGridWidth));
            painter_.drawLine(QPointF(tick.position, area.top()),
                              QPointF(tick.position, area.bottom()));
            Text(tick.label);
        }
        painter_.setPen(QPen(ToQt(kPlotInk), kFrameWidth));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(area);
        Text(panel.values.title);
        Text(panel.time.title);
        for (const PlotSeries& series : panel.series) {
            Series(series);
        }
    }

    void Series(const PlotSeries& series) {
        for (const std::vector<PlotPoint>& segment : series.segments) {
            if (segment.size() == 1) {
                painter_.setPen(Qt::NoPen);
                painter_.setBrush(ToQt(series.colour));
                painter_.drawEllipse(ToQt(segment[0]), kDotRadius, kDotRadius);
                painter_.setBrush(Qt::NoBrush);
                continue;
            }
            QPen pen(ToQt(series.colour), kSeriesWidth);
            pen.setJoinStyle(Qt::RoundJoin);
            pen.setCapStyle(Qt::RoundCap);
            painter_.setPen(pen);
            // Round caps join the pieces as the round joins join the points.
            for (std::size_t start = 0; start + 1 < segment.size(); start += kPointsPerStroke - 1) {
                QPolygonF piece;
                for (std::size_t k = start; k < segment.size() && k < start + kPointsPerStroke;
                     ++k) {
                    piece << ToQt(segment[k]);
                }
                painter_.drawPolyline(piece);
            }
        }
    }

    QPainter& painter_;
};

}  // namespace

bool EncodePlotPng(const PlotDescription& plot, std::string& png, std::string& error) {
    EnsureApplication();
    QImage image(static_cast<int>(plot.width), static_cast<int>(plot.height), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        QtPlotPainter(painter).Draw(plot);
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
