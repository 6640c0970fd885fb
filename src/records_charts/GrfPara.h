// The chart format dialog "Graphics Format": one page per Y axis (Y1..Y8) and a group for X,
// each with From, To and Tile, and the automatic range fit ("Auto Size") of each axis to the
// record-table data assigned to it. Accept sends the pages to the chart (TGrfWnd::
// GrfParaDlgData) and tells AutoSizeChangedHook.
//
// A failed check posts, at level 2 with ID 233, the page's name, the edit's label and text and
// what is wrong; nothing of the failed page is stored.
#pragma once

#include <array>
#include <string>

#include "platform/Components.h"
#include "records_charts/Grfx.h"

namespace quorel {

// Message ID of an irregular value in the format dialog.
constexpr int AxisValueIrregularId = 233;

// --- the range fit ---
// Of the candidates v, v/2, v/4, v/5, v/10: the one before the first above L (v when v is
// above L); v when none is above L.
double NiceTickStep(double v, double L);
// The first candidate not above L; v/10 when all are above L.
double NiceTickStepFirst(double v, double L);
// 10^k x m with k = log10|x| rounded up (ceilExp) or down and m = |x| / 10^k rounded up
// (ceilMul) or down, with the sign of x; 0 for 0. k and m are given back when asked for.
double DecadeStep(bool ceilExp, bool ceilMul, double x, int* k = nullptr, double* m = nullptr);
// 10^(log10|x| rounded up or down); 0 for 0.
double Decade(bool ceilExp, double x);
// 10 for |k| <= 1, 2 for 2..10, 10 above.
int TilesForDecade(double k);

// A nice range for data between a and b: from, to (natural logarithms on a log axis) and tiles.
struct AxisFit {
  double from = 0;
  double to = 0;
  int tiles = 0;
};
// start holds the values that stay when there is nothing to fit (a and b both 0).
AxisFit FitAxisRange(bool log, double a, double b, AxisFit start);

class TGrfParaDlg : public platform::Form {
 public:
  explicit TGrfParaDlg(platform::Component* owner = nullptr);
  ~TGrfParaDlg() override;

  // --- components ---
  platform::PageControl* PCtrl = nullptr;
  platform::TabSheet* TS1 = nullptr;
  platform::Edit* EF1 = nullptr;
  platform::Edit* ET1 = nullptr;
  platform::Edit* Ed1 = nullptr;
  platform::CheckBox* CBsw1 = nullptr;
  platform::CheckBox* CBlg1 = nullptr;
  platform::CheckBox* CBas1 = nullptr;
  platform::Label* LF1 = nullptr;
  platform::Label* LT1 = nullptr;
  platform::Label* Ld1 = nullptr;
  platform::ComboBox* Cxf1 = nullptr;
  platform::GroupBox* GBX = nullptr;
  platform::Edit* EFX = nullptr;
  platform::Edit* ETX = nullptr;
  platform::Edit* EdX = nullptr;
  platform::CheckBox* CBlX = nullptr;
  platform::CheckBox* Cbas0 = nullptr;
  platform::Label* LFX = nullptr;
  platform::Label* LTX = nullptr;
  platform::Label* LdX = nullptr;
  platform::ComboBox* CBxTime = nullptr;  // "Sec", "Min", "Hour"
  platform::Panel* PanelButtons = nullptr;
  platform::Button* BtnAccept = nullptr;
  platform::Button* ButtonDef = nullptr;
  platform::Button* BtnClose = nullptr;
  platform::StatusBar* StatusBar1 = nullptr;
  platform::Edit* EditRN = nullptr;  // renaming X
  platform::Label* Label1 = nullptr;  // measures texts

  // Page tables by axis 1..8; index 0 holds the edits and labels of X.
  std::array<platform::TabSheet*, ChartAxisCount> Sheet{};
  std::array<platform::Edit*, ChartAxisCount> FromEdit{};
  std::array<platform::Edit*, ChartAxisCount> ToEdit{};
  std::array<platform::Edit*, ChartAxisCount> TileEdit{};
  std::array<platform::Label*, ChartAxisCount> FromLabel{};
  std::array<platform::Label*, ChartAxisCount> ToLabel{};
  std::array<platform::Label*, ChartAxisCount> TileLabel{};
  std::array<platform::CheckBox*, ChartAxisCount> IncludeBox{};
  std::array<platform::CheckBox*, ChartAxisCount> AutoSizeBox{};
  std::array<platform::CheckBox*, ChartAxisCount> LogBox{};
  std::array<platform::ComboBox*, ChartAxisCount> ScaleCombo{};

  // --- state ---
  bool ValidFlag = false;
  bool RenameArmed = false;
  // Data range per axis (0 = X) of the last AutoSizeAxes.
  std::array<double, ChartAxisCount> DataMin{};
  std::array<double, ChartAxisCount> DataMax{};
  std::array<bool, ChartAxisCount> DataFound{};
  // While set, AutoSizeAxes only finds the data ranges: no axis is fitted, nothing redrawn.
  bool ProbeOnly = false;

  // Page n (2..8) made as a copy of page 1; n for a page that exists, -1 outside 1..8.
  int BuildAxisPage(int n);
  // Axis k (0 = X) shown in its page.
  void LoadAxisPage(int k, const ChartAxis& axis);
  // Checks page k (0 = X) and stores it into the axis when every value is regular. The caller
  // sets ValidFlag first; a failed check clears it.
  void ValidateAxisPage(int k, ChartAxis& axis);
  // Page k exists and shows its tab.
  bool PageShown(int k) const;
  // Seconds per unit of the time-unit list: 3600 "Hour", 60 "Min", 1 otherwise or hidden.
  int TimeUnit() const;
  // The fit of axis k (0 = X) to the data range found, into the chart's axis and the page.
  void FitAxisToData(int k);
  // Fits every auto-sized axis to its record-table columns (the record table's grid); with
  // ProbeOnly the ranges alone.
  void AutoSizeAxes(const platform::StringGrid& grid);
  void FitTimeAxis(double max, double min);

  void BtnAcceptClick(platform::Component* sender);
  void BtnCloseClick(platform::Component* sender);
  void FormResize();
  // Renaming X: the mouse over the group's caption arms it, a double click opens the edit.
  void GBXMouseMove(platform::ShiftState shift, int x, int y);
  void GBXDblClick();
  void EditRNKeyDown(int& key);
  void EditRNChange();
  void EditRNExit();

 private:
  // Posts one irregular value (ID 233) and clears ValidFlag.
  void Report(int k, platform::Label* label, platform::Edit* edit, const std::string& message);
  std::string PageName(int k) const;
};

extern TGrfParaDlg* GrfParaDlg;

}  // namespace quorel
