#include "apps/unionbound-batch/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <optional>

namespace unionbound {
namespace {

// The canvas: the plot area across the width, the axis title below it, then the legend in rows
// under the plot, where it hides no bar however many orders there are.
constexpr double kWidth = 760;
constexpr double kLeft = 70;
constexpr double kRight = 740;
constexpr double kTop = 50;
constexpr double kBottom = 340;
constexpr double kLegendTop = kBottom + 66;
// Where the main panel ends and the closer look at the last order sits, when it is drawn.
constexpr double kMainRightBesideDetail = 560;
constexpr double kDetailLeft = 640;
// A bar shorter than this on the main axis gets the closer look.
constexpr double kShortestBar = 24;
constexpr double kLegendRow = 22;
// About the width of one character of the 12-point sans-serif text, to flow the legend.
constexpr double kCharacterWidth = 7;

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

// The probability axis: from low to high, a tick every step, labelled with `decimals` digits.
struct Scale {
  double low = 0;
  double high = 1;
  double step = 0.1;
  int decimals = 1;
};

// A step of 1, 2 or 5 times a power of ten that cuts `span` into at most about eight pieces.
double TickStep(double span) {
  const double rough = span / 8;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= rough) {
      return factor * power;
    }
  }
  return 10 * power;
}

// The axis spans the data: every bound found and every classical bound that is a probability,
// widened to whole ticks. 1, 2 and 5 times a power of ten divide 1, so it stays inside [0, 1].
// A plot of one point gets a small span around it rather than none.
Scale ScaleOf(const std::vector<PlotRow>& rows) {
  double low = 1;
  double high = 0;
  const auto take = [&](double p, bool clamped) {
    if (std::isnan(p) || (!clamped && (p < 0 || p > 1))) {
      return;
    }
    p = std::clamp(p, 0.0, 1.0);
    low = std::min(low, p);
    high = std::max(high, p);
  };
  for (const PlotRow& row : rows) {
    if (!std::isnan(row.lower) && !std::isnan(row.upper)) {
      take(row.lower, true);
      take(row.upper, true);
    }
    for (const PlotMarker& marker : row.markers) {
      take(marker.value, false);
    }
  }
  if (low > high) {
    return {};
  }
  Scale scale;
  scale.step = TickStep(std::max(high - low, 1e-6));
  // In whole steps, with a little slack: 0.3 / 0.01 is 29.999999999999996 in doubles.
  const double slack = 1e-9;
  double first = std::max(0.0, std::floor(low / scale.step + slack));
  double last = std::min(std::round(1 / scale.step), std::ceil(high / scale.step - slack));
  if (last - first < 1) {
    first = std::max(0.0, first - 1);
    last = std::min(std::round(1 / scale.step), last + 1);
  }
  scale.low = first * scale.step;
  scale.high = last * scale.step;
  scale.decimals = std::max(1, static_cast<int>(-std::floor(std::log10(scale.step) + 1e-9)));
  return scale;
}

// The height of a probability on the canvas, held to the axis: a value beyond it is drawn at
// the nearer edge, as an upper bound above 1 bounds as 1 does.
double Y(const Scale& scale, double p) {
  const double held = std::clamp(p, scale.low, scale.high);
  return kBottom - (held - scale.low) / (scale.high - scale.low) * (kBottom - kTop);
}

std::string Fixed(double x, int decimals) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
  return buffer;
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

// One plot area with its own probability axis.
struct Panel {
  double left = kLeft;
  double right = kRight;
  Scale scale;
};

std::string Ticks(const Panel& panel) {
  std::string svg;
  const Scale& scale = panel.scale;
  // Ticks by whole multiples of the step, so that rounding never adds or drops one.
  const auto first = static_cast<long>(std::llround(scale.low / scale.step));
  const auto last = static_cast<long>(std::llround(scale.high / scale.step));
  for (long tick = first; tick <= last; ++tick) {
    const double p = static_cast<double>(tick) * scale.step;
    const double y = Y(scale, p);
    svg += Line(panel.left, y, panel.right, y, tick == first ? "#000000" : "#dddddd");
    svg += Text(panel.left - 6, y + 4, "end", Fixed(p, scale.decimals));
  }
  svg += Line(panel.left, kTop, panel.left, kBottom, "#000000");
  return svg;
}

std::string Axes(const Panel& panel, std::size_t count, double slot) {
  std::string svg = Ticks(panel);
  // About twenty labels at most, so that they never run into each other.
  const std::size_t step = std::max<std::size_t>(1, (count + 19) / 20);
  for (std::size_t i = 0; i < count; i += step) {
    svg += Text(panel.left + (i + 0.5) * slot, kBottom + 16, "middle", std::to_string(i + 1));
  }
  svg += Text((panel.left + panel.right) / 2, kBottom + 40, "middle",
              "order k: the bounds use S_1 .. S_k");
  const Scale& scale = panel.scale;
  const bool zoomed = scale.low > 0 || scale.high < 1;
  svg += Text(18, (kTop + kBottom) / 2, "middle",
              zoomed ? "probability (axis " + Fixed(scale.low, scale.decimals) + " to " +
                           Fixed(scale.high, scale.decimals) + ")"
                     : std::string("probability"),
              " transform=\"rotate(-90 18 " + Coordinate((kTop + kBottom) / 2) + ")\"");
  return svg;
}

// One order's bar (of class `kind`) and markers at x on the panel's axis.
std::string Column(const PlotRow& row, const Scale& scale, double x, double bar,
                   const std::vector<std::string>& labels, const std::string& kind) {
  std::string svg;
  if (std::isnan(row.lower) || std::isnan(row.upper)) {
    svg += Text(x, (kTop + kBottom) / 2, "middle", "none");
  } else {
    // A point interval still shows, as a bar 2 units high around it.
    const double low = Y(scale, row.lower);
    const double high = Y(scale, row.upper);
    const double span = low - high;
    const double top = span >= 2 ? high : (low + high) / 2 - 1;
    svg += "<rect class=\"" + kind + "\" x=\"" + Coordinate(x - bar / 2) + "\" y=\"" +
           Coordinate(top) + "\" width=\"" + Coordinate(bar) + "\" height=\"" +
           Coordinate(std::max(span, 2.0)) +
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
    svg += Marker(style, x + bar / 2 + 6 + 9 * static_cast<double>(j), Y(scale, marker.value));
  }
  return svg;
}

// Whether any value drawn lies beyond the axis and so sits at its edge.
bool AnyBeyond(const std::vector<PlotRow>& rows, const Scale& scale) {
  const auto beyond = [&](double p) { return !std::isnan(p) && (p < scale.low || p > scale.high); };
  for (const PlotRow& row : rows) {
    if (beyond(row.lower) || beyond(row.upper)) {
      return true;
    }
    for (const PlotMarker& marker : row.markers) {
      if (beyond(marker.value)) {
        return true;
      }
    }
  }
  return false;
}

// The last order with a bound, when its bar on the main axis is too short to read; null
// otherwise. Its closer look has an axis of its own, spanning its interval.
const PlotRow* NeedsCloserLook(const std::vector<PlotRow>& rows, const Scale& scale) {
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    if (!std::isnan(row->lower) && !std::isnan(row->upper)) {
      const bool short_bar = Y(scale, row->lower) - Y(scale, row->upper) < kShortestBar;
      return rows.size() > 1 && short_bar ? &*row : nullptr;
    }
  }
  return nullptr;
}

// The legend in rows below the plot, each entry as wide as its words; returns where it ends.
std::string Legend(const std::vector<std::string>& labels, bool note_edge, double& bottom) {
  std::string svg;
  double x = kLeft;
  double y = kLegendTop;
  const auto place = [&](const std::string& label) {
    const double width = 18 + kCharacterWidth * static_cast<double>(label.size()) + 24;
    if (x > kLeft && x + width > kWidth) {
      x = kLeft;
      y += kLegendRow;
    }
    const double at = x;
    x += width;
    return at;
  };
  const std::string sharp = "sharp bounds, lower to upper";
  double at = place(sharp);
  svg += "<rect x=\"" + Coordinate(at) + "\" y=\"" + Coordinate(y - 8) +
         "\" width=\"10\" height=\"14\" fill=\"#1f77b4\" fill-opacity=\"0.6\"/>\n";
  svg += Text(at + 18, y + 4, "start", sharp);
  for (std::size_t style = 0; style < labels.size(); ++style) {
    at = place(labels[style]);
    svg += Marker(style, at + 5, y);
    svg += Text(at + 18, y + 4, "start", labels[style]);
  }
  if (note_edge) {
    y += kLegendRow;
    svg += Text(kLeft, y + 4, "start", "values beyond the axis are drawn at its edge");
  }
  bottom = y + 16;
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
  Panel main{kLeft, kRight, ScaleOf(plot.rows)};
  const PlotRow* closer = NeedsCloserLook(plot.rows, main.scale);
  std::optional<Panel> detail;
  bool beyond = AnyBeyond(plot.rows, main.scale);
  if (closer != nullptr) {
    main.right = kMainRightBesideDetail;
    PlotRow interval = *closer;
    interval.markers.clear();
    detail = Panel{kDetailLeft, kRight, ScaleOf({interval})};
    beyond = beyond || AnyBeyond({*closer}, detail->scale);
  }
  const double slot =
      (main.right - main.left) / static_cast<double>(std::max<std::size_t>(count, 1));
  const double bar = std::min(24.0, slot * 0.4);

  double bottom = 0;
  const std::string legend = Legend(labels, beyond, bottom);
  const double height = std::ceil(bottom);

  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
      Coordinate(kWidth) + "\" height=\"" + Coordinate(height) + "\" viewBox=\"0 0 " +
      Coordinate(kWidth) + " " + Coordinate(height) +
      "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<title>" + Escaped(plot.title) + "</title>\n";
  svg += "<rect x=\"0\" y=\"0\" width=\"" + Coordinate(kWidth) + "\" height=\"" +
         Coordinate(height) + "\" fill=\"#ffffff\"/>\n";
  svg += Text(kWidth / 2, 28, "middle", plot.title, " font-size=\"14\"");
  svg += Axes(main, count, slot);
  for (std::size_t i = 0; i < count; ++i) {
    svg += Column(plot.rows[i], main.scale, main.left + (i + 0.5) * slot, bar, labels, "sharp");
  }
  if (detail) {
    svg += Ticks(*detail);
    const double middle = (detail->left + detail->right) / 2;
    svg += Text(middle, kTop - 8, "middle", "k = " + std::to_string(closer->k) + ", closer");
    svg += Column(*closer, detail->scale, middle - 12, 24, labels, "closer");
    svg += Text(middle, kBottom + 16, "middle", std::to_string(closer->k));
  }
  svg += legend;
  svg += "</svg>\n";
  return svg;
}

}  // namespace unionbound
