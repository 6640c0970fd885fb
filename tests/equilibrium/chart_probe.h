// A watch on the chart as the main window feeds it: the sorts of the record table by the
// chart's X column, whether X was set before the first point, and the points of the chart's
// store as (X, value of series yColumn). The hooks of the program are put back when the probe
// goes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "equilibrium/EqlMain.h"
#include "records_charts/Grfx.h"

namespace orvtest {

struct ChartProbe {
  ChartProbe() : savedMain(quorel::EqlMainHooks), savedChart(quorel::EqlChartHooks) {
    auto sort = quorel::EqlMainHooks.SortRecords;
    quorel::EqlMainHooks.SortRecords = [this, sort](int column) {
      ++sorts;
      if (sort) sort(column);
    };
    auto setX = quorel::EqlChartHooks.SetXColumn;
    quorel::EqlChartHooks.SetXColumn = [this, setX](int column) {
      xSetBeforePoints = !quorel::GrfWnd || quorel::GrfWnd->Points.count == 0;
      if (setX) setX(column);
    };
  }
  ~ChartProbe() {
    quorel::EqlMainHooks = savedMain;
    quorel::EqlChartHooks = savedChart;
  }
  ChartProbe(const ChartProbe&) = delete;
  ChartProbe& operator=(const ChartProbe&) = delete;

  // The chart's X column of the record table.
  int XColumn() const { return quorel::SeriesAssignment.column[0]; }
  // Makes a record column the chart's X, as "Set as X in Graphics" does.
  void SetX(int column) const {
    if (quorel::EqlChartHooks.SetXColumn) quorel::EqlChartHooks.SetXColumn(column);
  }
  std::vector<std::pair<double, double>> Points() const {
    std::vector<std::pair<double, double>> out;
    if (!quorel::GrfWnd) return out;
    const quorel::ChartPointStore& p = quorel::GrfWnd->Points;
    for (int i = 0; i < p.count; ++i)
      out.emplace_back(p.columns[0][size_t(i)], p.columns[size_t(yColumn)][size_t(i)]);
    return out;
  }

  int yColumn = 1;
  int sorts = 0;
  bool xSetBeforePoints = false;
  quorel::OrvantoHooks savedMain;
  quorel::ChartVariableHooks savedChart;
};

}  // namespace orvtest
