// The text boxes of a chart as its drawing placed them, checked against each other and the
// plot: for the chart's own tests and the layout tests of the real windows.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "records_charts/Grfx.h"

namespace charttext {

// Every text box of the chart as its last redraw placed it: none meets another or the plot.
inline std::vector<std::string> ChartTextProblems(const quorel::TGrfWnd& chart) {
  std::vector<std::string> problems;
  const platform::Rect plot{chart.LeftMargin, quorel::TGrfWnd::TopMargin, chart.PlotRight, chart.PlotBottom};
  auto meet = [](const platform::Rect& a, const platform::Rect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
  };
  auto text = [](const quorel::TGrfWnd::ChartTextBox& t) {
    std::ostringstream s;
    s << "\"" << t.text << "\" " << t.box.Left << "," << t.box.Top << "-" << t.box.Right << "," << t.box.Bottom;
    return s.str();
  };
  const auto& boxes = chart.TextBoxes;
  if (boxes.empty()) problems.push_back("no texts");
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    if (meet(boxes[i].box, plot)) problems.push_back(text(boxes[i]) + " enters the plot");
    for (std::size_t j = i + 1; j < boxes.size(); ++j)
      if (meet(boxes[i].box, boxes[j].box)) problems.push_back(text(boxes[i]) + " meets " + text(boxes[j]));
  }
  return problems;
}

}  // namespace charttext
