#pragma once

#include <string>
#include <vector>

namespace tavr {

// A table of figures printed as text: the first column left-aligned, the others right-aligned,
// each as wide as its widest cell (counted in characters, so "µs" is two), a rule under the
// header.
class FigureTable {
  public:
    explicit FigureTable(std::vector<std::string> header);

    // A row shorter than the header is padded with empty cells; extra cells are dropped.
    void AddRow(std::vector<std::string> cells);
    std::string Render() const;

  private:
    std::vector<std::string> header_;
    std::vector<std::vector<std::string>> rows_;
};

// `value` with `decimals` digits after the point.
std::string Fixed(double value, int decimals);

}  // namespace tavr
