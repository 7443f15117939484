#include "support/reply_cost.h"

#include <time.h>

#include <set>

#include "support/figure_table.h"

namespace tavr {
namespace {

double PerReply(const ReplyCost& cost, double value) {
    return cost.replies > 0 ? value / static_cast<double>(cost.replies) : 0;
}

}  // namespace

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::string RenderReplyCosts(const std::vector<ReplyCostRow>& rows) {
    std::set<std::string> threads;
    for (const ReplyCostRow& row : rows) {
        for (const auto& [name, count] : row.cost.wakeups) {
            threads.insert(name);
        }
    }
    std::vector<std::string> header{"line", "master"};
    for (const std::string& name : threads) {
        header.push_back(name + " wake-ups");
    }
    header.emplace_back("CPU per reply µs");
    FigureTable table(header);
    for (const ReplyCostRow& row : rows) {
        std::vector<std::string> cells{row.line, row.master};
        for (const std::string& name : threads) {
            const auto found = row.cost.wakeups.find(name);
            const std::int64_t count = found == row.cost.wakeups.end() ? 0 : found->second;
            cells.push_back(Fixed(PerReply(row.cost, static_cast<double>(count)), 1));
        }
        cells.push_back(Fixed(PerReply(row.cost, row.cost.cpuSeconds * 1e6), 0));
        table.AddRow(cells);
    }
    return table.Render();
}

}  // namespace tavr
