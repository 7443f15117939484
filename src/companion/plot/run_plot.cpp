#include "companion/plot/run_plot.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace tavr {

namespace {

constexpr int Width = 1200;
constexpr int Height = 900;
constexpr int LeftMargin = 90;
constexpr int RightMargin = 30;
constexpr int TopMargin = 70;
constexpr int BottomMargin = 60;
constexpr int PanelGap = 18;
constexpr int TicksWanted = 5;

struct Quantity {
    std::uint16_t address;
    const char* name;
    QColor colour;
};

// The quantities drawn, in panel order.
const Quantity Quantities[] = {
    {0x03, "Voltage", QColor(0x1f, 0x77, 0xb4)},
    {0x04, "Current", QColor(0xd6, 0x27, 0x28)},
    {0x07, "Remaining capacity", QColor(0x2c, 0xa0, 0x2c)},
    {0x05, "Temperature", QColor(0xff, 0x7f, 0x0e)},
};

struct Panel {
    const Quantity* quantity;
    const LoggedSeries* series;
};

// Makes sure a Qt application exists for fonts and painting, on the offscreen platform unless
// the caller chose one.
void EnsureApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "tavr-12864-cli";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

// Round tick steps: 1, 2 or 5 times a power of ten, giving about TicksWanted ticks.
double TickStep(double span) {
    const double raw = span / TicksWanted;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw) {
            return factor * power;
        }
    }
    return 10 * power;
}

struct Range {
    double low = 0;
    double high = 1;
    double step = 1;
};

Range ValueRange(const LoggedSeries& series) {
    std::optional<Range> range;
    for (const std::optional<double>& value : series.values) {
        if (value) {
            range = range ? Range{std::min(range->low, *value), std::max(range->high, *value), 1}
                          : Range{*value, *value, 1};
        }
    }
    Range result = range.value_or(Range{0, 1});
    if (result.high - result.low < 1e-9) {
        result.low -= 0.5;
        result.high += 0.5;
    }
    const double step = TickStep(result.high - result.low);
    return {std::floor(result.low / step) * step, std::ceil(result.high / step) * step, step};
}

QString TickLabel(double value, double step) {
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
    return QString::number(value, 'f', decimals);
}

// Seconds, minutes or hours, whichever keeps the time axis' numbers readable.
struct TimeUnit {
    double seconds;
    const char* name;
};

TimeUnit TimeUnitFor(double span) {
    if (span > 3 * 3600) {
        return {3600, "h"};
    }
    if (span > 3 * 60) {
        return {60, "min"};
    }
    return {1, "s"};
}

class PlotPainter {
  public:
    PlotPainter(QPainter& painter, const LoggedRun& run, std::vector<Panel> panels)
        : painter_(painter), run_(run), panels_(std::move(panels)) {
        timeSpan_ = std::max(run.seconds.back(), 1.0);
        timeUnit_ = TimeUnitFor(timeSpan_);
    }

    void Draw() {
        painter_.fillRect(QRect(0, 0, Width, Height), Qt::white);
        painter_.setRenderHint(QPainter::Antialiasing);
        DrawLegend();
        const int panelHeight = (Height - TopMargin - BottomMargin -
                                 PanelGap * (static_cast<int>(panels_.size()) - 1)) /
                                static_cast<int>(panels_.size());
        for (std::size_t k = 0; k < panels_.size(); ++k) {
            const QRectF area(LeftMargin,
                              TopMargin + static_cast<double>(k) * (panelHeight + PanelGap),
                              Width - LeftMargin - RightMargin, panelHeight);
            DrawPanel(panels_[k], area, k + 1 == panels_.size());
        }
    }

  private:
    static QString Label(const Panel& panel) {
        return QString::fromUtf8(panel.quantity->name) + " (" +
               QString::fromStdString(panel.series->unit) + ")";
    }

    void DrawLegend() {
        QFont font = painter_.font();
        font.setPixelSize(16);
        painter_.setFont(font);
        double x = LeftMargin;
        for (const Panel& panel : panels_) {
            painter_.setPen(QPen(panel.quantity->colour, 3));
            painter_.drawLine(QPointF(x, 30), QPointF(x + 30, 30));
            painter_.setPen(Qt::black);
            const QString label = Label(panel);
            painter_.drawText(QPointF(x + 38, 36), label);
            x += 38 + painter_.fontMetrics().horizontalAdvance(label) + 36;
        }
    }

    double X(const QRectF& area, double seconds) const {
        return area.left() + area.width() * seconds / timeSpan_;
    }

    void DrawPanel(const Panel& panel, const QRectF& area, bool timeLabels) {
        const Range range = ValueRange(*panel.series);
        const double step = range.step;
        const auto y = [&](double value) {
            return area.bottom() - area.height() * (value - range.low) / (range.high - range.low);
        };
        QFont font = painter_.font();
        font.setPixelSize(13);
        painter_.setFont(font);
        painter_.setPen(QPen(QColor(0xdd, 0xdd, 0xdd), 1));
        for (double value = range.low; value <= range.high + step / 2; value += step) {
            painter_.drawLine(QPointF(area.left(), y(value)), QPointF(area.right(), y(value)));
            painter_.setPen(Qt::black);
            painter_.drawText(QRectF(0, y(value) - 10, LeftMargin - 8, 20),
                              Qt::AlignRight | Qt::AlignVCenter, TickLabel(value, step));
            painter_.setPen(QPen(QColor(0xdd, 0xdd, 0xdd), 1));
        }
        const double timeStep = TickStep(timeSpan_ / timeUnit_.seconds) * timeUnit_.seconds;
        for (double t = 0; t <= timeSpan_ + timeStep / 2; t += timeStep) {
            painter_.setPen(QPen(QColor(0xdd, 0xdd, 0xdd), 1));
            painter_.drawLine(QPointF(X(area, t), area.top()), QPointF(X(area, t), area.bottom()));
            if (timeLabels) {
                painter_.setPen(Qt::black);
                painter_.drawText(QRectF(X(area, t) - 40, area.bottom() + 4, 80, 20),
                                  Qt::AlignHCenter | Qt::AlignTop,
                                  TickLabel(t / timeUnit_.seconds, timeStep / timeUnit_.seconds));
            }
        }
        painter_.setPen(QPen(Qt::black, 1));
        painter_.drawRect(area);
        painter_.save();
        painter_.translate(16, area.center().y());
        painter_.rotate(-90);
        painter_.drawText(QRectF(-area.height() / 2, -10, area.height(), 20), Qt::AlignCenter,
                          Label(panel));
        painter_.restore();
        if (timeLabels) {
            painter_.drawText(QRectF(area.left(), area.bottom() + 26, area.width(), 20),
                              Qt::AlignHCenter,
                              QString("Time since the first reading (%1)").arg(timeUnit_.name));
        }
        DrawCurve(panel, area, y);
    }

    template <class ToY>
    void DrawCurve(const Panel& panel, const QRectF& area, const ToY& y) {
        QPainterPath path;
        bool drawing = false;
        for (std::size_t k = 0; k < run_.seconds.size(); ++k) {
            const std::optional<double>& value = panel.series->values[k];
            if (!value) {
                drawing = false;
                continue;
            }
            const QPointF point(X(area, run_.seconds[k]), y(*value));
            drawing ? path.lineTo(point) : path.moveTo(point);
            drawing = true;
        }
        painter_.setPen(QPen(panel.quantity->colour, 2));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawPath(path);
    }

    QPainter& painter_;
    const LoggedRun& run_;
    std::vector<Panel> panels_;
    double timeSpan_ = 1;
    TimeUnit timeUnit_{1, "s"};
};

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool DrawRunPlot(const LoggedRun& run, const std::string& path, std::string& error) {
    std::vector<Panel> panels;
    for (const Quantity& quantity : Quantities) {
        if (const LoggedSeries* series = run.Find(quantity.address)) {
            panels.push_back({&quantity, series});
        }
    }
    if (panels.empty() || run.seconds.empty()) {
        error = "the log holds no readings of 0003H, 0004H, 0007H or 0005H to draw";
        return false;
    }
    EnsureApplication();
    const QString file = QString::fromStdString(path);
    if (EndsWith(path, ".svg")) {
        QSvgGenerator generator;
        generator.setFileName(file);
        generator.setSize(QSize(Width, Height));
        generator.setViewBox(QRect(0, 0, Width, Height));
        generator.setTitle("Logged run");
        QPainter painter;
        if (!painter.begin(&generator)) {
            error = "cannot write " + path;
            return false;
        }
        PlotPainter(painter, run, panels).Draw();
        return painter.end() || (error = "cannot write " + path, false);
    }
    QImage image(Width, Height, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PlotPainter(painter, run, panels).Draw();
    }
    if (!image.save(file, "PNG")) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace tavr
