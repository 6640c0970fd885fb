// The chart window and its format dialog without a display, as both programs make them: the
// dialog first, then the chart, with the chart font of the programs. A chart picture of a
// given size is a paint box of that size (without a view, its pixels are its size).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "../support/chart_text_boxes.h"
#include "platform/Headless.h"
#include "platform/Picture.h"
#include "records_charts/GrfPara.h"
#include "records_charts/Grfx.h"
#include "shared/AplMsg.h"

namespace charttest {

// One text the chart drew.
struct DrawnText {
  int x = 0, y = 0;
  std::string text;
  int angle = 0;
};

// The chart window that also keeps the texts it draws.
class RecordingChart : public quorel::TGrfWnd {
 public:
  using TGrfWnd::TGrfWnd;
  void DrawChartText(int x, int y, platform::Canvas& canvas, const std::string& text, int angle) override {
    if (!text.empty()) texts.push_back({x, y, text, angle});
    TGrfWnd::DrawChartText(x, y, canvas, text, angle);
  }
  // The texts drawn at one height, left to right as drawn.
  std::vector<std::string> TextsAt(int y, int angle = 0) const {
    std::vector<std::string> out;
    for (const DrawnText& t : texts)
      if (t.y == y && t.angle == angle) out.push_back(t.text);
    return out;
  }
  std::vector<DrawnText> texts;
};

class ChartFixture : public ::testing::Test {
 protected:
  ChartFixture() {
    para = std::make_unique<quorel::TGrfParaDlg>();
    chart = std::make_unique<RecordingChart>();
    platform::FontInfo font;
    font.Name = "Arial";
    font.Size = 10;
    chart->ChartFont = font;
  }
  ~ChartFixture() override {
    chart.reset();
    para.reset();
  }
  // A chart picture of width x height pixels, drawn anew.
  void Draw(int width, int height) {
    chart->FBox->SetBounds(0, 0, width, height);
    chart->texts.clear();
    chart->MnuUpdateClick(chart->MnuUpdate);
  }
  // A redraw whose plot is width x height pixels: the chart picture grows by what the plot
  // lacks (the scales take what their labels need). The draw hooks run in the last pass only.
  void DrawPlot(int width, int height) {
    int w = width + 200, h = height + 200;
    const auto pre = quorel::ChartPreDrawHook;
    const auto column = quorel::ChartColumnHook;
    const auto post = quorel::ChartPostDrawHook;
    quorel::ChartPreDrawHook = nullptr;
    quorel::ChartColumnHook = nullptr;
    quorel::ChartPostDrawHook = nullptr;
    for (int i = 0; i < 2; ++i) {
      Draw(w, h);
      w += width - chart->PlotWidth;
      h += height - chart->PlotHeight;
    }
    quorel::ChartPreDrawHook = pre;
    quorel::ChartColumnHook = column;
    quorel::ChartPostDrawHook = post;
    Draw(w, h);
    ASSERT_EQ(chart->PlotWidth, width);
    ASSERT_EQ(chart->PlotHeight, height);
  }
  // The unrotated texts below the plot, row by row from the top.
  std::vector<std::vector<std::string>> RowsBelowThePlot() const {
    std::vector<int> tops;
    for (const DrawnText& t : chart->texts)
      if (t.angle == 0 && t.y >= chart->PlotBottom && std::find(tops.begin(), tops.end(), t.y) == tops.end())
        tops.push_back(t.y);
    std::sort(tops.begin(), tops.end());
    std::vector<std::vector<std::string>> rows;
    for (int y : tops) rows.push_back(chart->TextsAt(y));
    return rows;
  }
  // The labels of the Y scales (unrotated, beside the plot), as drawn.
  std::vector<std::string> YLabels() const {
    std::vector<std::string> out;
    for (const DrawnText& t : chart->texts)
      if (t.angle == 0 && t.y < chart->PlotBottom && t.x < chart->LeftMargin) out.push_back(t.text);
    return out;
  }
  // Every two chart texts that meet, and every one that enters the plot.
  std::vector<std::string> TextClashes() const { return charttext::ChartTextProblems(*chart); }
  // Series n with its check box, shown.
  void ShowSeries(int n, const std::string& caption = {}) {
    chart->ShowSeriesCheckBox(n, caption);
    chart->Series[static_cast<std::size_t>(n)].checkBox->SetChecked(true);
    chart->Series[static_cast<std::size_t>(n)].shown = 1;
  }
  void AddPoint(double x, std::vector<std::pair<int, double>> values) {
    chart->AddChartValue(0, x);
    for (auto [n, v] : values) chart->AddChartValue(n, v);
  }
  const platform::Picture& Plot() const { return *chart->PlotPicture; }
  const platform::Picture& Whole() const { return *chart->ChartPicture; }

  platform::HeadlessSession session;
  quorel::ScopedLogRecorder log;
  std::unique_ptr<quorel::TGrfParaDlg> para;
  std::unique_ptr<RecordingChart> chart;
};

}  // namespace charttest
