#pragma once

#include <QStandardItemModel>
#include <QTableView>
#include <cstdint>
#include <filesystem>

#include "support/reference_master.h"

namespace tavr {

// A typical Qt master, the yardstick of the program's CPU per read cycle with its window: a
// QTableView on a QStandardItemModel of 35 × 5 cells, fed on the GUI thread by Debian's Modbus
// library. Each cycle reads the 35 registers (modbus_read_registers, blocking) and sets the text
// of every cell; the model ignores a text that did not change, so the view repaints only the
// cells that did. Used only by benchmarks.
class ReferenceTableMaster {
  public:
    // Opens `line` like ReferenceMaster and shows the table (offscreen under the offscreen
    // platform) at the size of the program's table.
    ReferenceTableMaster(const std::filesystem::path& line, int baud, int device);

    // One read cycle, then one round of the event loop, which repaints what changed.
    void Cycle();
    // `cycles` cycles, one on each tick of a precise QTimer of `intervalMs`, the way such a
    // master polls its meter (and the way the program auto-reads), the event loop waiting between.
    void CycleOnTimer(std::int64_t cycles, int intervalMs);

  private:
    void Show(const ReferenceMaster::Registers& registers);

    ReferenceMaster master_;
    QStandardItemModel model_;
    QTableView view_;
};

}  // namespace tavr
