#pragma once

// The bounds by order as a picture: plain SVG 1.1, written by hand.

#include <cstdint>
#include <string>
#include <vector>

namespace unionbound {

// A classical bound drawn at one order; one legend entry per distinct label.
struct PlotMarker {
  std::string label;
  double value = 0.0;
};

// The sharp interval from the orders 1 .. k; lower and upper are not-a-numbers when no bound
// exists at that order.
struct PlotRow {
  std::int32_t k = 0;
  double lower = 0.0;
  double upper = 0.0;
  std::vector<PlotMarker> markers;
};

struct Plot {
  std::string title;
  std::vector<PlotRow> rows;
};

// The whole SVG document: one vertical bar (a rect of class "sharp") per order with a bound, a
// marker per classical bound, the order k on the horizontal axis and the probability on the
// vertical one, zoomed to the data (the bounds and the classical bounds inside [0, 1]) with its
// ticks labelled, and the legend below. When the last order's bar would be too short to read,
// a closer look at it (a rect of class "closer") sits beside, on an axis of its own. Values
// beyond an axis are drawn at its nearer edge: an upper bound above 1 bounds as 1 does, a lower
// bound below 0 as 0 does.
std::string SvgPlot(const Plot& plot);

}  // namespace unionbound
