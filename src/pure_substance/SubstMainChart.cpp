// The substance chart: Lunetta's set-up of the shared chart window, the property curves drawn
// pixel column by pixel column in curve mode, the table columns fed as points in table mode,
// the switch between the two, the labels from the table headers and the axis fit over the
// table.
#include <algorithm>
#include <cmath>

#include "pure_substance/SubstMain.h"
#include "records_charts/GrfPara.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"
#include "shared/QuorelDatabase.h"
#include "shared/TDynOprt.h"

namespace quorel {

SubstancePlotState PlotState;

namespace {

// Value slots of a phase, in series order within a group.
enum PlotValue : int { ValCp = 0, ValH, ValS, ValG, ValZ, ValV, ValHr, ValSr, ValGr };

const char* const kSeriesCaptions[9] = {" Cp", " H", " S", " G", " Z", " V", " Hr", " Sr", " Gr"};

struct SeriesGroup {
  int first, last;
  const char* caption;
  int divisor;  // the group's share of the variable box height (0: the rest)
};
constexpr SeriesGroup kGroups[3] = {{1, 9, "Gas", 2}, {11, 19, "Liquid", 3}, {21, 24, "Solid", 0}};

// The phase of series n (1..30) and its value slot.
int PhaseOfSeries(int n) { return (n - 1) / 10; }
int ValueOfSeries(int n) { return (n - 1) % 10; }
// Cp..V lie on axes 1..6; Hr, Sr, Gr on the axes of H, S and G.
int AxisOfValue(int v) { return v <= ValV ? v + 1 : v - ValHr + 2; }

bool Celsius(const TPSubstWnd& w) { return w.MnuTempC->Checked(); }
bool ConstantPressure(const TPSubstWnd& w) { return w.CbxTP->ItemIndex() != 1; }

void ChartRedraw() {
  if (GrfWnd) GrfWnd->MnuUpdateClick(nullptr);
}

// EnableSeriesGroup of the Update run: (0, 0, 0) takes every box's check into its series; a
// phase with a dataset enables its boxes (the liquid's Z, V and residual parts only under a
// vapour-liquid equation), one without disables them. A disabled box's series is not drawn.
void EnableSeriesGroup(TPSubstWnd&, int first, int last, int row) {
  if (!GrfWnd) return;
  TGrfWnd& chart = *GrfWnd;
  auto series = [&chart](int n) -> ChartSeries& { return chart.Series[static_cast<std::size_t>(n)]; };
  if (first == 0 && last == 0 && row == 0) {
    for (int n = 1; n <= 24; ++n)
      if (series(n).checkBox) series(n).shown = series(n).checkBox->Checked() ? 1 : 0;
    return;
  }
  for (int n = first; n <= last && n <= ChartSeriesCount; ++n) {
    ChartSeries& s = series(n);
    bool enabled = row >= 1;
    if (enabled && first == 11 && n >= 15) enabled = EosType >= EosRedlichKwongVle;
    if (s.checkBox) s.checkBox->SetEnabled(enabled);
    if (!enabled) s.shown = 0;
  }
}

void RunFinished(TPSubstWnd& w, const std::string& captionText) {
  if (!GrfWnd) return;
  TGrfWnd& chart = *GrfWnd;
  chart.ChartCaption = captionText;
  if (GrfVarDlg) GrfVarDlg->EditCaption->SetText(captionText);
  if (!ChartShowsTable()) chart.Axis[0].name = w.CbxTP->Items()[ConstantPressure(w) ? 1 : 0];
  FitSubstanceAxes(w);
  ChartRedraw();
  if (ChartShowsTable()) RefreshChartFromTable(1);
}

void SetChartCaption(TPSubstWnd&, const std::string& caption) {
  if (!GrfWnd) return;
  GrfWnd->SetCaption(caption);
  ChartRedraw();
}

// The X axis holds temperatures only in the constant-pressure mode; on a linear axis they
// move with the unit (by 273, as the scale's round numbers stay round).
void TemperatureUnitChanged(TPSubstWnd& w, bool toKelvin) {
  if (!GrfWnd || !ConstantPressure(w)) return;
  ChartAxis& x = GrfWnd->Axis[0];
  if (x.log) return;
  const double shift = toKelvin ? 273 : -273;
  x.from += shift;
  x.to += shift;
  if (x.from >= x.to) x.to = x.from + 100;
  GrfWnd->ComputeAxisRanges();
}

void BatchModeChanged(TPSubstWnd& w, bool on) {
  if (!GrfWnd) return;
  TGrfWnd& chart = *GrfWnd;
  if (on) {
    if (chart.MnuGrfSrc->Checked()) {
      chart.MnuGrfSrc->SetChecked(false);
      w.MnuGrfDefsClick(nullptr);
    }
    chart.MnuGrfSrc->SetEnabled(false);
    chart.MnuVarDef->SetEnabled(false);
  } else {
    chart.MnuGrfSrc->SetEnabled(true);
    SetupSubstanceChart(w, false);
  }
}

// The properties of one phase at (P, T) into its value slots, in the table's units; false
// when the phase cannot be evaluated there.
bool EvaluatePhase(const TPSubstWnd& w, int phase, double P, double T, std::array<double, 10>& values,
                   int& status) {
  PropertyResult r;
  if (!EvaluateProperties(PlotState.datasets[static_cast<std::size_t>(phase)].Row, EosType, r, P, T)) return false;
  if (phase == PhaseGas && r.NoVapourRoot) return false;  // no gas without a vapour root
  const double ea = w.EnergyFactor * w.AmountFactor;
  values.fill(0);
  values[ValCp] = r.Cp * ea;
  values[ValH] = r.H * ea;
  values[ValS] = r.S * ea;
  values[ValG] = r.G * ea;
  values[ValZ] = r.Z;
  double V = 0;
  if (phase == PhaseGas) V = r.Z * GasConstant() * T / P / 100000 * w.AmountFactor;
  else if (phase == PhaseLiquid && r.status == StatusRealLiquid) V = LastLiquidMolarVolume() * w.AmountFactor;
  // The table's V column holds 1/V in the 1/V mode: the curve is the same quantity.
  if (w.MnuVolInv->Checked()) V = V > 0 ? 1 / V : 0;
  values[ValV] = V;
  values[ValHr] = r.Hr * ea;
  values[ValSr] = r.Sr * ea;
  values[ValGr] = r.Gr * ea;
  status = r.status;
  return true;
}

// The lowest and highest running variable of the table's rows; false without a number.
bool TableRange(const TPSubstWnd& w, double& from, double& to) {
  bool found = false;
  for (int r = 1; r < w.SGT->RowCount(); ++r) {
    const double v = ChartValueOfCell(w.TableCell(ColVariable, r));
    if (std::isnan(v)) continue;
    from = found ? std::min(from, v) : v;
    to = found ? std::max(to, v) : v;
    found = true;
  }
  return found;
}

// A linear X axis over from..to: round steps (1, 2, 2.5 or 5 times a power of ten) of about an
// eighth of the span, the ends on the steps next outside the range, so no more than one step
// is added on either side.
AxisFit FitAxisAround(double from, double to) {
  const double span = to - from;
  if (!(span > 0)) return AxisFit{from, to, 1};
  const double raw = span / 8, decade = std::pow(10.0, std::floor(std::log10(raw)));
  double step = 10 * decade;
  for (double m : {1.0, 2.0, 2.5, 5.0})
    if (m * decade >= raw * (1 - 1e-9)) {
      step = m * decade;
      break;
    }
  const double a = std::floor(from / step + 1e-9) * step, b = std::ceil(to / step - 1e-9) * step;
  return AxisFit{a, b, std::max(1, static_cast<int>(std::lround((b - a) / step)))};
}

// The format dialog as wide as its shown tabs need (their captions are the axis names).
void FitFormatDialogToTabs() {
  if (!GrfParaDlg) return;
  TGrfParaDlg& d = *GrfParaDlg;
  platform::Picture scratch(1, 1);
  platform::Canvas& c = scratch.GetCanvas();
  c.Font = d.Font();
  int need = 16;
  for (int k = 1; k <= ChartYAxisCount; ++k)
    if (d.PageShown(k)) need += c.TextWidth(d.Sheet[static_cast<std::size_t>(k)]->Caption()) + 20;
  if (d.Width() < need) d.SetWidth(need);
}

}  // namespace

bool ChartShowsTable() { return GrfWnd && GrfWnd->MnuGrfSrc->Checked(); }

// ---------------------------------------------------------------------------------------------
// Set-up

void SetupSubstanceChart(TPSubstWnd& w, bool withDefaults) {
  if (!GrfWnd) return;
  TGrfWnd& chart = *GrfWnd;
  w.MnuColMove->SetEnabled(true);
  chart.SettingsFileName = SettingsStore().UserSettingsFile;
  chart.SettingsSectionName = "Graphic";
  chart.MnuStylePoint->SetVisible(ChartShowsTable());
  chart.PopGStylePoint->SetVisible(ChartShowsTable());

  // Groups 1..3 and the axis list.
  chart.LayoutAxisGroups(7, false);
  chart.CBVarID->Items().Assign({"[all]", "Cp", "H", "S", "G", "Z", "V"});
  chart.CBVarID->SetItemIndex(0);
  for (int i = 1; i <= 7; ++i) SeriesAssignment.axisComboMap[static_cast<std::size_t>(i)] = i;

  // The series boxes of the three phases; a group is never lower than its boxes need.
  const int boxHeight = chart.PnlVarbox->Height();
  for (int g = 0; g < 3; ++g) {
    const SeriesGroup& group = kGroups[g];
    platform::GroupBox* box = chart.GbxY[static_cast<std::size_t>(g + 1)];
    box->SetCaption(group.caption);
    const int needed = 18 + 16 * (group.last - group.first + 1) + 6;
    if (group.divisor > 0) box->SetHeight(std::max(boxHeight / group.divisor, needed));
    for (int n = group.first; n <= group.last; ++n) chart.ShowSeriesCheckBox(n, kSeriesCaptions[n - group.first]);
  }

  // Axes 1..6 with their format pages; 7 and 8 never.
  chart.Axis[7].include = false;
  chart.Axis[8].include = false;
  if (GrfParaDlg) {
    for (int k = 1; k <= 6; ++k)
      if (GrfParaDlg->BuildAxisPage(k) == k) GrfParaDlg->Sheet[static_cast<std::size_t>(k)]->SetTabVisible(true);
    for (int k = 7; k <= 8; ++k)
      if (platform::TabSheet* sheet = GrfParaDlg->Sheet[static_cast<std::size_t>(k)]) sheet->SetTabVisible(false);
  }
  if (!withDefaults) return;

  struct Default {
    int tiles;
    double from, to;
    std::string name;
  };
  const Default defaults[7] = {
      {5, 0.0, 1.0, "T [ C ]"},         {10, 0.0, 100.0, "Cp[J/mol K]"}, {10, -1000.0, 1000.0, "H[J/mol]"},
      {10, 0.0, 100.0, "S[J/mol K]"},   {10, -1000.0, 1000.0, "G[J/mol]"}, {10, 0.0, 2.0, "Z [-]"},
      {10, 0.0, 2.0, w.ColumnHeader(ColV)},
  };
  for (int k = 0; k < 7; ++k) {
    const Default& d = defaults[k];
    chart.Axis[static_cast<std::size_t>(k)] = ChartAxis{true, false, d.tiles, d.from, d.to, d.name};
  }
  chart.ComputeAxisRanges();
  ChartPreDrawHook = PreparePlotState;
  ChartColumnHook = PlotSubstanceCurves;
  ChartPostDrawHook = [] {};
  // The curves lie on the axes of their values; table series on those of their number.
  chart.SeriesAxisOf = [](int n) {
    if (ChartShowsTable() || n > 30 || ValueOfSeries(n) > ValGr) return SeriesAxis(n);
    return AxisOfValue(ValueOfSeries(n));
  };
  chart.InitChartWindow();
}

void ResetSubstanceChartLayout(TPSubstWnd& w) {
  if (GrfWnd) {
    TGrfWnd& chart = *GrfWnd;
    chart.HideSeries(0);
    chart.LayoutAxisGroups(1, false);
    chart.GbxY[3]->SetAlign(platform::Align::Bottom);
  }
  if (w.MnuColMove->Checked()) w.MnuColMoveClick(w.MnuColMove);
  w.MnuColMove->SetEnabled(false);
}

void LabelSubstanceChart(TPSubstWnd& w) {
  if (!GrfWnd) return;
  TGrfWnd& chart = *GrfWnd;
  if (ChartShowsTable()) {
    w.MnuGrafVarsClick(nullptr);
    if (GrfVarDlg) GrfVarDlg->LabelCurvesFromTable();
    return;
  }
  chart.Axis[0].name = w.ColumnHeader(ColVariable);
  for (int k = 1; k <= 6; ++k) chart.Axis[static_cast<std::size_t>(k)].name = w.ColumnHeader(ColCp + k - 1);
  chart.FormatAxisClick(nullptr);
  FitFormatDialogToTabs();
}

// ---------------------------------------------------------------------------------------------
// The source switch

void TPSubstWnd::MnuGrfDefsClick(platform::Component* sender) {
  if (!GrfWnd) return;
  TGrfWnd& chart = *GrfWnd;
  if (sender) chart.MnuGrfSrc->SetChecked(!chart.MnuGrfSrc->Checked());
  // The item's check is the chart's one record of its source.
  const bool table = chart.MnuGrfSrc->Checked();
  chart.MnuVarDef->SetEnabled(table);
  chart.PopVarDef->SetEnabled(table);
  chart.MnuStylePoint->SetVisible(table);
  chart.PopGStylePoint->SetVisible(table);
  chart.PopGrfStyle->SetVisible(table);
  ResetSubstanceChartLayout(*this);
  if (table) {
    ResetColumnOrder(SGT);
    SetTableHeaders(*this);
    if (GrfVarDlg && SeriesAssignment.count > 0) GrfVarDlg->ButtonOKClick(nullptr);
  } else {
    SetupSubstanceChart(*this, false);
    SetTableHeaders(*this);
    RefreshChartFromTable(-1);
  }
  chart.StoreCurveStates();
  chart.MnuUpdateClick(chart.MnuUpdate);
}

void TPSubstWnd::MnuGrafVarsClick(platform::Component* sender) {
  if (!GrfVarDlg) return;
  TGrfVarDlg& d = *GrfVarDlg;
  const int x = d.CBX->Items().Empty() ? 1 : d.CBX->ItemIndex();
  // Column 0 stands for the reciprocal of the running variable while the lists are filled.
  const std::string header = SGT->Cells(0, 0);
  SGT->SetCells(0, 0, CbxTP->ItemIndex() == 1 ? "1/P" : "1/T");
  d.FillFieldCombos();
  SGT->SetCells(0, 0, header);
  if (d.CBX->Items().Count() > 1) {
    d.CBX->SetItemIndex(x >= 0 && x < d.CBX->Items().Count() ? x : 1);
    d.CBY->SetItemIndex(1);
  }
  if (sender) {
    d.Show();
    d.BringToFront();
  }
}

// ---------------------------------------------------------------------------------------------
// The axis fit

void FitSubstanceAxes(TPSubstWnd& w) {
  // Fewer than two data rows give nothing to fit.
  if (!GrfWnd || !GrfParaDlg || !GrfWnd->AutoSize() || w.SGT->RowCount() <= 2) return;
  TGrfWnd& chart = *GrfWnd;
  TGrfParaDlg& dialog = *GrfParaDlg;
  auto shown = [&chart](int n) { return chart.Series[static_cast<std::size_t>(n)].shown != 0; };
  auto column = [](int logical) { return TableColumnIndex[static_cast<std::size_t>(logical)]; };
  // The table described as an assignment, for the time of the fit only.
  const SeriesAssignmentTable own = SeriesAssignment;
  SeriesAssignmentTable& a = SeriesAssignment;
  a.axisOfColumn.fill(-1);
  for (int e = 7; e <= 9; ++e) a.column[static_cast<std::size_t>(e)] = -1;

  // A residual column is fitted only where it holds values that differ (an ideal gas has
  // none, a liquid under the generalized equations only zeros).
  const bool wasProbe = dialog.ProbeOnly;
  for (int i = 0; i < 3; ++i) {
    const int k = 2 + i, logical = ColHr + i;
    if (!shown(7 + i) && !shown(17 + i)) continue;
    a.count = 0;
    a.axisOfColumn[static_cast<std::size_t>(column(logical))] = k;
    a.column[0] = column(logical);
    dialog.ProbeOnly = true;
    dialog.AutoSizeAxes(*w.SGT);
    dialog.ProbeOnly = wasProbe;
    a.axisOfColumn[static_cast<std::size_t>(column(logical))] = -1;
    if (dialog.DataFound[static_cast<std::size_t>(k)] &&
        dialog.DataMin[static_cast<std::size_t>(k)] != dialog.DataMax[static_cast<std::size_t>(k)])
      a.column[static_cast<std::size_t>(7 + i)] = column(logical);
  }

  a.count = 9;
  a.column[0] = column(ColVariable);
  for (int e = 1; e <= 6; ++e) a.column[static_cast<std::size_t>(e)] = column(ColCp + e - 1);
  a.axisOfColumn[static_cast<std::size_t>(column(ColVariable))] = 0;
  for (int logical = ColCp; logical <= ColV; ++logical) {
    const int k = logical - ColCp + 1;
    // H, S and G share their axes with the residual parts: they count when one of their
    // phases' series is shown.
    const bool kept = k < 2 || k > 4 || shown(k) || shown(10 + k) || shown(20 + k);
    a.axisOfColumn[static_cast<std::size_t>(column(logical))] = kept ? k : -1;
  }
  for (int i = 0; i < 3; ++i)
    if (a.column[static_cast<std::size_t>(7 + i)] >= 0)
      a.axisOfColumn[static_cast<std::size_t>(column(ColHr + i))] = 2 + i;
  dialog.ProbeOnly = false;
  dialog.AutoSizeAxes(*w.SGT);

  dialog.ProbeOnly = wasProbe;
  SeriesAssignment = own;

  // X spans the table's own range (the curves are drawn over nothing else).
  ChartAxis& x = chart.Axis[0];
  double from = 0, to = 0;
  if (x.log || !dialog.Cbas0->Checked() || !TableRange(w, from, to) || !(to > from)) return;
  const AxisFit fit = FitAxisAround(from, to);
  x.from = fit.from;
  x.to = fit.to;
  x.tiles = fit.tiles;
  chart.ComputeAxisRanges();
  dialog.FromEdit[0]->SetText(FloatToShortText(x.from));
  dialog.ToEdit[0]->SetText(FloatToShortText(x.to));
  dialog.TileEdit[0]->SetText(std::to_string(x.tiles));
}

void ChartAutoSizeChanged(bool autoSize) {
  if (!autoSize || !PSubstWnd) return;
  FitSubstanceAxes(*PSubstWnd);
  ChartRedraw();
}

// ---------------------------------------------------------------------------------------------
// Table mode

void RefreshChartFromTable(int arg) {
  if (!GrfWnd || !PSubstWnd) return;
  TGrfWnd& chart = *GrfWnd;
  const TPSubstWnd& w = *PSubstWnd;
  chart.ClearChartData();
  if (arg < 0 || !ChartShowsTable()) return;
  const platform::StringGrid& grid = *w.SGT;
  const SeriesAssignmentTable& a = SeriesAssignment;
  const int count = std::clamp(a.count, 0, ChartSeriesCount);
  const bool kelvinOffset = ConstantPressure(w) && Celsius(w);
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (Trim(w.TableCell(ColVariable, r)).empty()) continue;
    for (int e = 0; e <= count; ++e) {
      const int c = a.column[static_cast<std::size_t>(e)];
      const int n = a.seriesNumber[static_cast<std::size_t>(e)];
      if (c == 0) {
        // Column 0 stands for 1/T (in K) or 1/P of the row.
        double x = ChartValueOfCell(grid.Cells(1, r));
        if (kelvinOffset) x += 273.15;
        chart.AddChartValue(n, std::isnan(x) ? NoChartValue : x > 0 ? 1 / x : 0);
      } else if (c > 0 && c < grid.ColCount()) {
        // A cell without a number (a value not computed for the row's phase) is a gap.
        chart.AddChartValue(n, ChartValueOfCell(grid.Cells(c, r)));
      }
    }
  }
  chart.MnuUpdateClick(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Curve mode

void PreparePlotState() {
  if (!PSubstWnd || ChartShowsTable() || !PSubstWnd->Calculated) return;
  const TPSubstWnd& w = *PSubstWnd;
  SubstancePlotState& s = PlotState;
  s.refind.fill(true);
  s.enabled.fill(true);
  s.datasets = PhaseDatasets;
  s.firstColumn = true;
  for (int n = 1; n <= 24; ++n) s.newCurve[static_cast<std::size_t>(n)] = true;
  if (!TableRange(w, s.tableFrom, s.tableTo)) s.tableFrom = s.tableTo = 0;
  const double value = TextToDouble(w.ETP->Text());
  if (ConstantPressure(w)) s.constP = value;
  else s.constT = value + (Celsius(w) ? 273.15 : 0);
  s.valid.fill(false);
}

void PlotSubstanceCurves(platform::Picture& plot, double x) {
  if (!PSubstWnd || !GrfWnd || ChartShowsTable()) return;
  const TPSubstWnd& w = *PSubstWnd;
  TGrfWnd& chart = *GrfWnd;
  if (w.ErrorState > 0 || !w.Calculated) return;
  SubstancePlotState& s = PlotState;
  if (chart.Axis[0].log) x = std::exp(x);
  // Outside the table's range nothing is drawn; a curve starts where the range begins.
  const double margin = 1e-9 * std::max(std::fabs(s.tableFrom), std::fabs(s.tableTo));
  if (x < s.tableFrom - margin || x > s.tableTo + margin) {
    for (int n = 1; n <= 24; ++n) s.newCurve[static_cast<std::size_t>(n)] = true;
    return;
  }

  s.previous = s.current;
  s.previousX = s.currentX;
  s.currentX = x;
  double T = s.constT, P = s.constP;
  if (ConstantPressure(w)) T = x + (Celsius(w) ? 273.15 : 0);
  else P = x;
  if (!(T > 0.001) || !(P > 0)) return;

  for (int n = 1; n <= 24; ++n) s.drawable[static_cast<std::size_t>(n)] = chart.Series[static_cast<std::size_t>(n)].shown != 0;
  const bool extrapolation = w.CBex->Checked();
  for (int phase = PhaseGas; phase <= PhaseSolid; ++phase) {
    const std::size_t p = static_cast<std::size_t>(phase);
    PhaseDatasetEntry& entry = s.datasets[p];
    const int firstSeries = 10 * phase + 1, lastSeries = phase == PhaseSolid ? 24 : 10 * phase + 10;
    auto notDrawable = [&](int from, int to) {
      for (int n = from; n <= to; ++n) s.drawable[static_cast<std::size_t>(n)] = false;
    };
    if (!s.enabled[p] || entry.Row <= 0) {
      notDrawable(firstSeries, lastSeries);
      continue;
    }
    const DatasetRecord& r = entry.Record;
    if (s.firstColumn || (r.RangeStatus < 1 && T >= r.Tmax)) s.refind[p] = true;
    const bool refound = s.refind[p];
    if (refound) {
      const int row = FindDataset(w.SubstanceName, SubstancePhaseKeys[p], T);
      entry.Row = std::max(row, 0);
      if (row > 0) entry.Record = CurrentDataset;
    }
    bool valid = entry.Row > 0 && (extrapolation || entry.Record.RangeStatus == 0);
    // A condensed phase does not exist above its critical temperature.
    if (valid && phase != PhaseGas && entry.Record.Tc > 0 && T > entry.Record.Tc) valid = false;
    int status = -1;
    std::array<double, 10> values{};
    if (valid) valid = EvaluatePhase(w, phase, P, T, values, status);
    s.valid[p] = valid;
    if (!valid) {
      notDrawable(firstSeries, lastSeries);
      s.refind[p] = true;
      continue;
    }
    s.current[p] = values;
    if (refound) s.previous[p] = values;  // no segment from another dataset
    s.refind[p] = false;
    if (phase == PhaseLiquid) {
      // The liquid's real-fluid values exist only for its root of a cubic equation.
      if (status != StatusRealLiquid) notDrawable(firstSeries + ValZ, lastSeries);
      else if (!(values[ValV] > 0)) notDrawable(firstSeries + ValV, firstSeries + ValV);
    }
  }

  for (int n = 1; n <= 30; ++n) {
    const ChartSeries& series = chart.Series[static_cast<std::size_t>(n)];
    if (!series.checkBox || !series.shown) continue;
    const std::size_t i = static_cast<std::size_t>(n);
    const int phase = PhaseOfSeries(n), v = ValueOfSeries(n);
    if (v > ValGr) continue;
    const double y = s.current[static_cast<std::size_t>(phase)][static_cast<std::size_t>(v)];
    const double yPrevious = s.previous[static_cast<std::size_t>(phase)][static_cast<std::size_t>(v)];
    // A value that is no number breaks the curve.
    if (s.drawable[i] && !std::isfinite(y)) s.drawable[i] = false;
    if (s.drawable[i]) {
      platform::Canvas& c = plot.GetCanvas();
      c.Pen.Width = series.penWidth;
      const bool fresh = s.newCurve[i] || !std::isfinite(yPrevious);
      chart.DrawChartLine(AxisOfValue(v), series.colour, fresh ? s.currentX : s.previousX, fresh ? y : yPrevious,
                          s.currentX, y, plot);
      c.Pen.Width = 1;
    }
    s.newCurve[i] = !s.drawable[i];
  }
  s.firstColumn = false;
}

// ---------------------------------------------------------------------------------------------

void InstallSubstanceChart() {
  SubstanceChart.EnableSeriesGroup = EnableSeriesGroup;
  SubstanceChart.RunFinished = RunFinished;
  SubstanceChart.SetCaption = SetChartCaption;
  SubstanceChart.HeadersChanged = LabelSubstanceChart;
  SubstanceChart.TemperatureUnitChanged = TemperatureUnitChanged;
  SubstanceChart.BatchModeChanged = BatchModeChanged;
}

}  // namespace quorel
