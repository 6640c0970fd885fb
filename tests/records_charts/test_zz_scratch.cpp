#include <gtest/gtest.h>
#include <cmath>
#include "chart_support.h"
#include "platform/ImageFiles.h"
using namespace quorel;
using Scratch = charttest::ChartFixture;
TEST_F(Scratch, ScratchPicture) {
  ShowSeries(1, "CO2");
  ShowSeries(21, "T");
  chart->Series[21].style = 0;
  chart->Axis[3].name = "S[J/mol K]";
  for (int i = 0; i <= 20; ++i) AddPoint(300 + 25 * i, {{1, 50 + 40 * std::sin(i / 3.0)}, {21, 30 + i * 3}});
  Draw(600, 400);
  platform::Picture p = *chart->ChartPicture;
  p.GetCanvas().Draw(chart->LeftMargin, 96, *chart->PlotPicture);
  platform::SaveBmp(p, "/tmp/chart_scratch.bmp");
}
