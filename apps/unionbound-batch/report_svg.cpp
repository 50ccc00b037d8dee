#include "apps/unionbound-batch/report.h"
#include "apps/unionbound-batch/svg_plot.h"

namespace unionbound {

std::string SvgReport(const Bounds& bounds, const Shown& shown) {
  Plot plot;
  plot.title =
      "Sharp bounds on " + QuestionProbability(shown.question, bounds.n) + " from S_1 .. S_k";
  for (const OrderRow& row : bounds.by_order) {
    // A bound not found is a not-a-number, which the picture leaves out.
    PlotRow point{row.k, row.lower.value, row.upper.value, {}};
    if (row.classical) {
      point.markers.push_back(
          {row.k % 2 == 1 ? "Bonferroni B_k, odd k (upper)" : "Bonferroni B_k, even k (lower)",
           row.bonferroni});
      if (row.dawson_sankoff_lower) {
        point.markers.push_back({"Dawson-Sankoff (lower)", *row.dawson_sankoff_lower});
      }
      if (row.kwerel_upper) {
        point.markers.push_back({"Kwerel (upper)", *row.kwerel_upper});
      }
    }
    plot.rows.push_back(std::move(point));
  }
  return SvgPlot(plot);
}

}  // namespace unionbound
