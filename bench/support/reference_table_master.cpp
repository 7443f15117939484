#include "support/reference_table_master.h"

#include <QCoreApplication>
#include <QString>
#include <QTimer>
#include <exception>

namespace tavr {

namespace {

constexpr int kColumns = 5;
// The program's register table.
constexpr int kTableWidth = 687;
constexpr int kTableHeight = 597;

QString Hex(int value) {
    return QStringLiteral("%1").arg(value, 4, 16, QChar('0')).toUpper();
}

}  // namespace

ReferenceTableMaster::ReferenceTableMaster(const std::filesystem::path& line, int baud, int device)
    : master_(line, baud, device), model_(kRegisterCount, kColumns) {
    model_.setHorizontalHeaderLabels({QStringLiteral("decimal"), QStringLiteral("value"),
                                      QStringLiteral("hex"), QStringLiteral("address"),
                                      QStringLiteral("remark")});
    view_.setModel(&model_);
    view_.resize(kTableWidth, kTableHeight);
    view_.show();
    QCoreApplication::processEvents();
}

void ReferenceTableMaster::Cycle() {
    Show(master_.ReadAll());
    QCoreApplication::processEvents();
}

void ReferenceTableMaster::CycleOnTimer(std::int64_t cycles, int intervalMs) {
    std::int64_t done = 0;
    // A failed read (each ends within the library's response time-out) stops the timer and is
    // thrown from here rather than through Qt's event loop.
    std::exception_ptr failure;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, [this, &done, &failure, &poll] {
        try {
            Show(master_.ReadAll());
            ++done;
        } catch (...) {
            failure = std::current_exception();
            poll.stop();
        }
    });
    poll.start(intervalMs);
    while (done < cycles && !failure) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void ReferenceTableMaster::Show(const ReferenceMaster::Registers& registers) {
    for (int row = 0; row < kRegisterCount; ++row) {
        const int value = registers[static_cast<std::size_t>(row)];
        model_.setData(model_.index(row, 0), QString::number(value));
        model_.setData(model_.index(row, 1), QString::number(value / 100.0, 'f', 2));
        model_.setData(model_.index(row, 2), Hex(value));
        model_.setData(model_.index(row, 3), Hex(row) + QStringLiteral("H"));
        model_.setData(model_.index(row, 4), QStringLiteral("register %1").arg(row));
    }
}

}  // namespace tavr
