// A stand-in for the chart as the main window reaches it through its hooks: the X column of the
// record table, the sort of the table by it, and one point per record row (row > 0 adds the
// table's last row, row <= 0 rebuilds every point). The hooks of the program are put back when
// the probe goes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "equilibrium/EqlMain.h"
#include "records_charts/TablOprt.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"

namespace orvtest {

struct ChartProbe {
  ChartProbe() : savedMain(quorel::EqlMainHooks), savedChart(quorel::EqlChartHooks) {
    quorel::EqlMainHooks.ChartXColumn = [this] { return xColumn; };
    quorel::EqlMainHooks.SortRecords = [this](int column) {
      ++sorts;
      quorel::SortGridDataUp(*quorel::TablOprtWnd->SGT, column);
    };
    quorel::EqlMainHooks.ChartFromRecords = [this](int row) {
      const platform::StringGrid& t = *quorel::TablOprtWnd->SGT;
      if (row > 0) {
        points.push_back(Point(t, t.RowCount() - 1));
        return;
      }
      ++rebuilds;
      points.clear();
      for (int r = 1; r < t.RowCount(); ++r)
        if (!(r == 1 && t.RowCount() == 2 && quorel::Trim(t.Cells(0, 1)).empty())) points.push_back(Point(t, r));
    };
    quorel::EqlChartHooks.SetXColumn = [this](int column) {
      xColumn = column;
      xSetBeforePoints = points.empty();
    };
  }
  ~ChartProbe() {
    quorel::EqlMainHooks = savedMain;
    quorel::EqlChartHooks = savedChart;
  }
  ChartProbe(const ChartProbe&) = delete;
  ChartProbe& operator=(const ChartProbe&) = delete;

  // (X, first Y) of a record row: X from the X column, Y from column yColumn.
  std::pair<double, double> Point(const platform::StringGrid& t, int row) const {
    return {quorel::TextToDouble(t.Cells(xColumn, row)), quorel::TextToDouble(t.Cells(yColumn, row))};
  }

  int xColumn = 0;
  int yColumn = 2;
  int sorts = 0;
  int rebuilds = 0;
  bool xSetBeforePoints = false;
  std::vector<std::pair<double, double>> points;
  quorel::OrvantoHooks savedMain;
  quorel::ChartVariableHooks savedChart;
};

}  // namespace orvtest
