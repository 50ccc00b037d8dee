#include "apps/unionbound-batch/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>

namespace unionbound {
namespace {

// The canvas: the plot area on the left, the legend on the right.
constexpr double kWidth = 760;
constexpr double kHeight = 420;
constexpr double kLeft = 70;
constexpr double kRight = 520;
constexpr double kTop = 50;
constexpr double kBottom = 360;
constexpr double kLegendX = 540;

// One look per legend entry, in the order the labels first appear.
struct MarkerStyle {
  const char* shape;  // a path around (0, 0), moved into place by a transform
  const char* colour;
};
constexpr MarkerStyle kStyles[] = {
    {"M -5 -4 L 5 -4 L 0 5 Z", "#d62728"},  // triangle down
    {"M -5 4 L 5 4 L 0 -5 Z", "#2ca02c"},   // triangle up
    {"M -4 -4 L 4 -4 L 4 4 L -4 4 Z", "#ff7f0e"},
    {"M 0 -5 L 5 0 L 0 5 L -5 0 Z", "#9467bd"},
    {"M -5 0 A 5 5 0 1 0 5 0 A 5 5 0 1 0 -5 0 Z", "#8c564b"},
};
constexpr std::size_t kStyleCount = sizeof kStyles / sizeof kStyles[0];

std::string Coordinate(double x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", x);
  return buffer;
}

// A bound in a tooltip: six significant digits.
std::string Figure(double x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", x);
  return buffer;
}

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// The height of a probability on the canvas, held to [0, 1] (see SvgPlot).
double Y(double p) {
  return kBottom - std::clamp(p, 0.0, 1.0) * (kBottom - kTop);
}

std::string Text(double x, double y, const std::string& anchor, const std::string& text,
                 const std::string& extra = "") {
  return "<text x=\"" + Coordinate(x) + "\" y=\"" + Coordinate(y) + "\" text-anchor=\"" + anchor +
         "\"" + extra + ">" + Escaped(text) + "</text>\n";
}

std::string Marker(std::size_t style, double x, double y) {
  const MarkerStyle& look = kStyles[style % kStyleCount];
  return "<path class=\"marker\" d=\"" + std::string(look.shape) + "\" fill=\"" + look.colour +
         "\" transform=\"translate(" + Coordinate(x) + " " + Coordinate(y) + ")\"/>\n";
}

std::string Line(double x1, double y1, double x2, double y2, const std::string& stroke) {
  return "<line x1=\"" + Coordinate(x1) + "\" y1=\"" + Coordinate(y1) + "\" x2=\"" +
         Coordinate(x2) + "\" y2=\"" + Coordinate(y2) + "\" stroke=\"" + stroke + "\"/>\n";
}

std::string Axes(std::size_t count, double slot) {
  std::string svg;
  for (int tick = 0; tick <= 10; ++tick) {
    const double y = Y(tick / 10.0);
    svg += Line(kLeft, y, kRight, y, tick == 0 ? "#000000" : "#dddddd");
    svg += Text(kLeft - 6, y + 4, "end", Coordinate(tick / 10.0).substr(0, 3));
  }
  svg += Line(kLeft, kTop, kLeft, kBottom, "#000000");
  // About twenty labels at most, so that they never run into each other.
  const std::size_t step = std::max<std::size_t>(1, (count + 19) / 20);
  for (std::size_t i = 0; i < count; i += step) {
    svg += Text(kLeft + (i + 0.5) * slot, kBottom + 16, "middle", std::to_string(i + 1));
  }
  svg += Text((kLeft + kRight) / 2, kBottom + 40, "middle", "order k: the bounds use S_1 .. S_k");
  svg += Text(18, (kTop + kBottom) / 2, "middle", "probability",
              " transform=\"rotate(-90 18 " + Coordinate((kTop + kBottom) / 2) + ")\"");
  return svg;
}

}  // namespace

std::string SvgPlot(const Plot& plot) {
  std::vector<std::string> labels;
  for (const PlotRow& row : plot.rows) {
    for (const PlotMarker& marker : row.markers) {
      if (std::find(labels.begin(), labels.end(), marker.label) == labels.end()) {
        labels.push_back(marker.label);
      }
    }
  }
  const std::size_t count = plot.rows.size();
  const double slot = (kRight - kLeft) / static_cast<double>(std::max<std::size_t>(count, 1));
  const double bar = std::min(24.0, slot * 0.4);

  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
      Coordinate(kWidth) + "\" height=\"" + Coordinate(kHeight) + "\" viewBox=\"0 0 " +
      Coordinate(kWidth) + " " + Coordinate(kHeight) +
      "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<title>" + Escaped(plot.title) + "</title>\n";
  svg += "<rect x=\"0\" y=\"0\" width=\"" + Coordinate(kWidth) + "\" height=\"" +
         Coordinate(kHeight) + "\" fill=\"#ffffff\"/>\n";
  svg += Text(kWidth / 2, 28, "middle", plot.title, " font-size=\"14\"");
  svg += Axes(count, slot);

  for (std::size_t i = 0; i < count; ++i) {
    const PlotRow& row = plot.rows[i];
    const double x = kLeft + (i + 0.5) * slot;
    if (std::isnan(row.lower) || std::isnan(row.upper)) {
      svg += Text(x, Y(0.5), "middle", "none");
    } else {
      // A point interval still shows, as a bar 2 units high around it.
      const double span = Y(row.lower) - Y(row.upper);
      const double top = span >= 2 ? Y(row.upper) : (Y(row.lower) + Y(row.upper)) / 2 - 1;
      const double height = std::max(span, 2.0);
      svg += "<rect class=\"sharp\" x=\"" + Coordinate(x - bar / 2) + "\" y=\"" + Coordinate(top) +
             "\" width=\"" + Coordinate(bar) + "\" height=\"" + Coordinate(height) +
             "\" fill=\"#1f77b4\" fill-opacity=\"0.6\" stroke=\"#1f77b4\">" +
             "<title>k=" + std::to_string(row.k) + ": " + Figure(row.lower) + " to " +
             Figure(row.upper) + "</title></rect>\n";
    }
    for (std::size_t j = 0; j < row.markers.size(); ++j) {
      const PlotMarker& marker = row.markers[j];
      if (std::isnan(marker.value)) {
        continue;
      }
      const auto style = static_cast<std::size_t>(
          std::find(labels.begin(), labels.end(), marker.label) - labels.begin());
      svg += Marker(style, x + bar / 2 + 6 + 9 * static_cast<double>(j), Y(marker.value));
    }
  }

  double y = kTop + 10;
  svg += "<rect x=\"" + Coordinate(kLegendX) + "\" y=\"" + Coordinate(y - 8) +
         "\" width=\"10\" height=\"14\" fill=\"#1f77b4\" fill-opacity=\"0.6\"/>\n";
  svg += Text(kLegendX + 18, y + 4, "start", "sharp bounds, lower to upper");
  for (std::size_t style = 0; style < labels.size(); ++style) {
    y += 22;
    svg += Marker(style, kLegendX + 5, y);
    svg += Text(kLegendX + 18, y + 4, "start", labels[style]);
  }
  if (!labels.empty()) {
    svg += Text(kLegendX, y + 26, "start", "values beyond [0, 1] at the edge");
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace unionbound
