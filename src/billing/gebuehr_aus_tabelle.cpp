#include "billing/gebuehr_aus_tabelle.hpp"

#include <array>
#include <cmath>

#include "common/error.hpp"
#include "common/operation.hpp"

namespace korvax {

namespace {

struct AreaRow {
  double up_to;  // inclusive upper bound of the whole area
  std::array<double, 6> fees;
};

// Land-value columns of the table: 0-10, 11-26, 27-51, 52-102, 103-256, other.
constexpr std::array<double, 5> kTableColumnBounds = {10, 26, 51, 102, 256};

constexpr std::array<AreaRow, 18> kTable = {{
    {10, {102.26, 127.82, 163.61, 214.74, 276.10, 306.78}},
    {50, {138.05, 194.29, 286.32, 393.69, 470.39, 511.29}},
    {100, {199.40, 306.78, 434.60, 552.20, 674.91, 731.15}},
    {200, {331.83, 403.92, 603.32, 639.11, 818.07, 920.33}},
    {350, {414.15, 465.28, 695.36, 766.94, 920.33, 1022.58}},
    {600, {506.18, 567.53, 858.97, 920.33, 1022.58, 1048.15}},
    {900, {526.63, 618.66, 935.66, 971.45, 1227.10, 1380.49}},
    {1400, {664.68, 720.92, 1078.83, 1124.84, 1431.62, 1687.26}},
    {2000, {715.81, 761.82, 1099.28, 1201.54, 1533.88, 1840.65}},
    {3000, {766.94, 818.07, 1150.41, 1278.23, 1738.39, 2198.56}},
    {5000, {818.07, 920.33, 1457.18, 1763.96, 2403.07, 2760.98}},
    {9000, {894.76, 1150.41, 1891.78, 2377.51, 3527.91, 4090.34}},
    {14000, {976.57, 1380.49, 2326.38, 2939.93, 4422.67, 5624.21}},
    {20000, {1170.86, 1687.26, 2786.54, 3630.17, 5675.34, 7311.47}},
    {30000, {1360.04, 2045.17, 3348.96, 4524.93, 7567.12, 9407.77}},
    {50000, {1682.15, 2505.33, 4422.67, 5879.86, 9407.77, 11401.81}},
    {70000, {1994.04, 3093.32, 5470.82, 7311.47, 11248.42, 13446.98}},
    {100000, {2290.59, 3681.30, 6616.12, 8794.22, 13191.33, 15492.14}},
}};

// Land-value columns of the rule above 100 000 m²: 0-20, 21-50, 51-100,
// 101-200, 201-500, other; each with its base and its step per 50 000 m².
constexpr std::array<double, 5> kRuleColumnBounds = {20, 50, 100, 200, 500};
constexpr std::array<double, 6> kRuleBase = {2290.59, 3681.30,  6616.12,
                                             8794.22, 13191.33, 15492.14};
constexpr std::array<double, 6> kRuleStep = {306.78, 552.20, 1053.26, 1406.05, 1789.52, 2045.17};

// The column whose inclusive bounds (from 0) hold w; the last one otherwise.
size_t Column(double w, const std::array<double, 5>& bounds) {
  if (w < 0) return bounds.size();
  for (size_t i = 0; i < bounds.size(); ++i) {
    if (w <= bounds[i]) return i;
  }
  return bounds.size();
}

}  // namespace

double GebührAusTabelle(const double& land_value, const double& area) {
  Operation op("modStatus", "GebührAusTabelle");
  double fee = 0;
  double a = 0;
  double w = 0;
  op.Step(1, [&] {
    a = std::floor(area);
    w = std::floor(land_value);
  });
  if (op.If(2, [&] { return a >= 0 && a <= 100000; })) {
    op.Step(3, [&] {
      for (const AreaRow& row : kTable) {
        if (a <= row.up_to) {
          fee = row.fees[Column(w, kTableColumnBounds)];
          break;
        }
      }
    });
  } else {
    op.Step(651, [&] {
      const size_t column = Column(w, kRuleColumnBounds);
      const double steps = std::floor(CheckedFinite((area - 100000) / 50000));
      fee = CheckedFinite(kRuleBase[column] + kRuleStep[column] * steps);
    });
  }
  return fee;
}

double AnteilAnwenden(double fee, double share) {
  if (share == 333) return fee / 3;
  return share * (fee / 1000);
}

}  // namespace korvax
