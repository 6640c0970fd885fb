// Lunetta's substance chart on the shipped database: the property curves the chart draws
// column by column against the table's own values and the NIST-JANAF tables, their pixels on
// the plot picture, the source switch, the table feed and the axis fit over the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "lunetta_support.h"
#include "platform/Picture.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "records_charts/GrfPara.h"
#include "records_charts/Grfx.h"
#include "shared/PTools.h"
#include "shared/QuorelDatabase.h"

using namespace quorel;

namespace {

// Value slots of PlotState (Cp, H, S, G, Z, V, Hr, Sr, Gr).
constexpr int kCp = 0, kH = 1, kS = 2, kV = 5;

// A fixture database line with a constant Cp; critical holds "Tc<TAB>Pc<TAB>w".
const std::string kFixtureHeader = "Nr\tName\tPhase\tTmin\tTmax\tT0\tH0\tS0\ta\tb\tc\td\te\tf\tTc\tPc\tw\tComp\n";
std::string Fixture(const std::string& name, const std::string& phase, double tmin, double tmax, double h0,
                    double s0, double cp, const std::string& critical = "0\t0\t") {
  auto n = [](double v) { return FloatToFullText(v); };
  return "x\t" + name + "\t" + phase + "\t" + n(tmin) + "\t" + n(tmax) + "\t298.15\t" + n(h0) + "\t" + n(s0) +
         "\t" + n(cp) + "\t0\t0\t0\t0\t0\t" + critical + "\tH2O1\tfixture\t[1]\n";
}

class SubstChartTest : public lunettatest::LunettaFixture {
 protected:
  void SetUp() override {
    LunettaFixture::SetUp();
    StartSubstanceWindow(W());
  }
  TPSubstWnd& W() { return *windows->Substance; }
  TGrfWnd& Chart() { return *windows->Chart; }

  void Run(const std::string& key, const std::string& P, const std::string& v1, const std::string& dv,
           const std::string& v2) {
    W().CbxSubst->UserSetText(key);
    W().ETP->UserSetText(P);
    W().EditV1->UserSetText(v1);
    W().EditdV->UserSetText(dv);
    W().EditV2->UserSetText(v2);
    W().ButtonUpdate->Click();
    ASSERT_EQ(W().ErrorState, 0);
    ASSERT_TRUE(W().Calculated);
  }
  // The user checks the boxes of the series.
  void Check(std::initializer_list<int> series) {
    for (int n : series) {
      platform::CheckBox* box = Chart().Series[static_cast<std::size_t>(n)].checkBox;
      ASSERT_NE(box, nullptr) << n;
      if (!box->Checked()) box->UserClick();
      ASSERT_TRUE(Chart().Series[static_cast<std::size_t>(n)].shown) << n;
    }
  }
  void SetX(double from, double to, bool log = false) {
    ChartAxis& x = Chart().Axis[0];
    x.from = log ? std::log(from) : from;
    x.to = log ? std::log(to) : to;
    x.log = log;
    Chart().ComputeAxisRanges();
  }
  // A full redraw on a plot picture of width x height pixels.
  // (The scales take what their labels need: the chart picture grows by what the plot lacks.)
  void Draw(int width, int height) {
    int w = width + 200, h = height + 200;
    const auto pre = ChartPreDrawHook;
    const auto column = ChartColumnHook;
    const auto post = ChartPostDrawHook;
    ChartPreDrawHook = nullptr;
    ChartColumnHook = nullptr;
    ChartPostDrawHook = nullptr;
    for (int i = 0; i < 2; ++i) {
      Chart().FBox->SetBounds(0, 0, w, h);
      Chart().MnuUpdateClick(Chart().MnuUpdate);
      w += width - Plot().Width();
      h += height - Plot().Height();
    }
    ChartPreDrawHook = pre;
    ChartColumnHook = column;
    ChartPostDrawHook = post;
    Chart().FBox->SetBounds(0, 0, w, h);
    Chart().MnuUpdateClick(Chart().MnuUpdate);
    ASSERT_EQ(Plot().Width(), width);
    ASSERT_EQ(Plot().Height(), height);
  }
  // Calls `seen` for every pixel column the chart draws, after the curves of that column.
  void Watch(std::function<void(double x)> seen) {
    auto plot = ChartColumnHook;
    ChartColumnHook = [plot, seen](platform::Picture& p, double x) {
      plot(p, x);
      seen(x);
    };
  }
  const platform::Picture& Plot() { return *Chart().PlotPicture; }
  platform::TColor Colour(int n) { return Chart().Series[static_cast<std::size_t>(n)].colour; }
  // The row of the plot a value of axis k maps to.
  int RowOf(int k, double v) {
    const ChartAxis& a = Chart().Axis[static_cast<std::size_t>(k)];
    const int h = Plot().Height();
    return h - static_cast<int>(std::nearbyint(h * (v - a.from) / (a.to - a.from)));
  }
  // A pixel of colour c within `within` pixels of (x, y) (curves drawn later may cover the
  // point itself where they cross).
  bool ColourNear(int x, int y, platform::TColor c, int within = 2) {
    for (int dx = -within; dx <= within; ++dx)
      for (int dy = -within; dy <= within; ++dy)
        if (Plot().Pixel(x + dx, y + dy) == c) return true;
    return false;
  }
  int CountColour(platform::TColor c, int fromColumn = 0, int toColumn = 1 << 30) {
    int count = 0;
    for (int x = std::max(fromColumn, 0); x < std::min(toColumn, Plot().Width()); ++x)
      for (int y = 0; y < Plot().Height(); ++y) count += Plot().Pixel(x, y) == c;
    return count;
  }
  bool ColumnHasColour(int x, platform::TColor c) { return CountColour(c, x, x + 1) > 0; }
  // The table row whose running variable shows text.
  int RowAt(const std::string& text) {
    for (int r = 1; r < W().SGT->RowCount(); ++r)
      if (W().TableCell(ColVariable, r) == text) return r;
    return -1;
  }
  double Cell(int logical, int row) { return TextToDouble(W().TableCell(logical, row)); }
};

void ExpectRelative(double actual, double expected, double tolerance, const char* what) {
  EXPECT_NEAR(actual, expected, std::fabs(expected) * tolerance) << what;
}

// ---------------------------------------------------------------------------------------------
// The curves' numbers

TEST_F(SubstChartTest, CurveValuesAreTheTableRowsAndTheJanafTables) {
  Run("H2O(u)", "1", "0", "25", "500");
  Check({1, 2, 3, 11, 12, 13});
  // Pixel columns on 25 C and 326.85 C (600 K): X from 25, 301.85 C per 250 columns.
  SetX(25, 25 + 2 * 301.85);
  std::array<double, 10> liquid{}, gas{};
  double xLiquid = 0, xGas = 0;
  Watch([&](double x) {
    if (std::fabs(x - 25) < 1e-9) {
      liquid = PlotState.current[PhaseLiquid];
      xLiquid = x;
    }
    if (std::fabs(x - 326.85) < 1e-9) {
      gas = PlotState.current[PhaseGas];
      xGas = x;
    }
  });
  Draw(500, 300);
  ASSERT_NE(xLiquid, 0);
  ASSERT_NE(xGas, 0);

  // As the table's row evaluation gives them at the same state, with the dataset that holds T.
  auto evaluate = [this](char code, int phase, double T) {
    const int row = FindDataset("H2O", SubstancePhaseKeys[static_cast<std::size_t>(phase)], T);
    PhaseDatasets[static_cast<std::size_t>(phase)].Row = row;
    PhaseDatasets[static_cast<std::size_t>(phase)].Record = CurrentDataset;
    return EvaluateTableRow(W(), code, 1, T);
  };
  ASSERT_GT(evaluate('l', PhaseLiquid, xLiquid + 273.15), 0);
  ExpectRelative(liquid[kCp], SelectedResult.Cp, 1e-9, "liquid Cp");
  ExpectRelative(liquid[kH], SelectedResult.H, 1e-9, "liquid H");
  ExpectRelative(liquid[kS], SelectedResult.S, 1e-9, "liquid S");
  ASSERT_GT(evaluate('g', PhaseGas, xGas + 273.15), 0);
  ExpectRelative(gas[kCp], SelectedResult.Cp, 1e-9, "gas Cp");
  ExpectRelative(gas[kH], SelectedResult.H, 1e-9, "gas H");
  ExpectRelative(gas[kS], SelectedResult.S, 1e-9, "gas S");

  // NIST-JANAF Thermochemical Tables (M. W. Chase, 4th ed., 1998), 1 bar: H2O(l) at 298.15 K
  // Cp 75.351, S 69.950 J/(mol K), H = dfH -285.830 kJ/mol; H2O(g) at 600 K Cp 36.325,
  // S 213.051 J/(mol K), H = -241.826 + 10.498 = -231.328 kJ/mol.
  ExpectRelative(liquid[kCp], 75.351, 0.005, "JANAF liquid Cp");
  ExpectRelative(liquid[kS], 69.950, 0.005, "JANAF liquid S");
  ExpectRelative(liquid[kH], -285830, 0.005, "JANAF liquid H");
  ExpectRelative(gas[kCp], 36.325, 0.005, "JANAF gas Cp");
  ExpectRelative(gas[kS], 213.051, 0.005, "JANAF gas S");
  ExpectRelative(gas[kH], -231328, 0.005, "JANAF gas H");
}

TEST_F(SubstChartTest, AConstantTemperatureIn_C_IsTakenInKelvin) {
  W().CbxTP->UserSelect(1);
  Run("H2O(u)", "25", "1", "1", "10");
  PreparePlotState();
  EXPECT_DOUBLE_EQ(PlotState.constT, 298.15);
  platform::Picture plot(100, 100);
  PlotSubstanceCurves(plot, 5.0);
  ASSERT_TRUE(PlotState.valid[PhaseLiquid]);
  ASSERT_GT(EvaluateTableRow(W(), 'l', 5.0, 298.15), 0);
  ExpectRelative(PlotState.current[PhaseLiquid][kCp], SelectedResult.Cp, 1e-12, "Cp at 298.15 K, 5 bar");
  ExpectRelative(PlotState.current[PhaseLiquid][kH], SelectedResult.H, 1e-12, "H at 298.15 K, 5 bar");
}

TEST_F(SubstChartTest, ALogarithmicXAxisEvaluatesAtTheExponential) {
  W().MnuTempK->Click();
  Run("H2O(u)", "1", "300", "50", "900");
  SetX(300, 900, true);
  std::vector<std::pair<double, double>> seen;  // T, the gas's H there
  Watch([&](double x) { seen.emplace_back(std::exp(x), PlotState.current[PhaseGas][kH]); });
  Draw(400, 200);
  ASSERT_EQ(seen.size(), 400u);
  for (std::size_t i : {std::size_t(10), std::size_t(200), std::size_t(399)}) {
    EXPECT_DOUBLE_EQ(PlotState.currentX, seen.back().first);
    ASSERT_GT(EvaluateTableRow(W(), 'g', 1, seen[i].first), 0);
    ExpectRelative(seen[i].second, SelectedResult.H, 1e-12, "gas H at exp(x)");
  }
  EXPECT_NEAR(seen.front().first, 300, 1e-9);
}

TEST_F(SubstChartTest, TheVolumeCurveIsTheQuantityOfTheVolumeColumn) {
  W().MnuVolInv->Click();
  Run("H2O(u)", "1", "0", "25", "500");
  SetX(0, 500);
  double gasV = 0;
  Watch([&](double x) {
    if (std::fabs(x - 150) < 1e-9) gasV = PlotState.current[PhaseGas][kV];
  });
  Draw(500, 300);
  const int r = RowAt("150");
  ASSERT_GT(r, 0);
  ASSERT_EQ(W().TableCell(ColPhase, r), "(g)");
  EXPECT_EQ(W().ColumnHeader(ColV).rfind("1/V", 0), 0u);
  EXPECT_EQ(Chart().Axis[6].name, W().ColumnHeader(ColV));
  ExpectRelative(gasV, Cell(ColV, r), 1e-5, "1/V of the gas at 150 C");
}

// ---------------------------------------------------------------------------------------------
// The curves' pixels

TEST_F(SubstChartTest, CurvesLieOnTheirTableValues) {
  // With auto size on, the Update run fits every axis to its table column.
  Chart().BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
  Chart().BtnGraFit->Click();
  ASSERT_TRUE(Chart().AutoSize());
  Check({1, 2, 3, 11, 12, 13});
  Run("H2O(u)", "1", "0", "25", "500");
  EXPECT_EQ(Chart().Axis[0].from, 0);
  EXPECT_EQ(Chart().Axis[0].to, 500);
  Draw(500, 300);
  struct Probe {
    const char* t;
    int firstSeries;  // Cp of the phase; H and S follow
  };
  for (const Probe& p : {Probe{"25", 11}, Probe{"75", 11}, Probe{"150", 1}, Probe{"300", 1}, Probe{"450", 1}}) {
    const int r = RowAt(p.t);
    ASSERT_GT(r, 0) << p.t;
    const int x = static_cast<int>(TextToDouble(p.t));
    int rows[3];
    for (int i = 0; i < 3; ++i) {
      rows[i] = RowOf(i + 1, Cell(ColCp + i, r));
      ASSERT_GE(rows[i], 0);
      ASSERT_LT(rows[i], 300);
    }
    for (int i = 0; i < 3; ++i) {
      // Where a series drawn later passes within two pixels, it may cover this one.
      bool seen = false;
      for (int j = i; j < 3 && !seen; ++j)
        seen = (j == i || std::abs(rows[j] - rows[i]) <= 2) && ColourNear(x, rows[i], Colour(p.firstSeries + j));
      EXPECT_TRUE(seen) << "series " << p.firstSeries + i << " at " << p.t << " C, row " << rows[i];
    }
  }
  // Unchecked series leave nothing: G of gas and liquid, every solid series.
  for (int n : {4, 14, 21, 22, 23, 24}) EXPECT_EQ(CountColour(Colour(n)), 0) << n;
}

TEST_F(SubstChartTest, ALiquidEndsAtItsCriticalTemperatureTheGasGoesOn) {
  // A liquid with Tc = 400 K and a gas beside it (constant Cp, ideal gas).
  ASSERT_GT(LoadDatabaseText(kFixtureHeader + Fixture("W", "(g)", 200, 1000, -241826, 188.835, 33.6) +
                                 Fixture("W", "(l)", 273.15, 373.15, -285830, 69.95, 75.3, "400\t0\t"),
                             "fixture.tdb"),
            1);
  EosType = EosIdealGas;
  W().MnuTempK->Click();
  Check({1, 11});
  Run("W(u)", "1", "300", "10", "500");
  SetX(300, 500);
  std::vector<bool> liquidValid;
  Watch([&](double) { liquidValid.push_back(PlotState.valid[PhaseLiquid]); });
  Draw(200, 100);  // one column per K
  ASSERT_EQ(liquidValid.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(liquidValid[static_cast<std::size_t>(i)], 300 + i <= 400) << 300 + i;
  EXPECT_GT(CountColour(Colour(11), 0, 100), 0);
  EXPECT_EQ(CountColour(Colour(11), 102), 0);
  for (int x = 1; x < 199; ++x) EXPECT_TRUE(ColumnHasColour(x, Colour(1))) << "gas gap at column " << x;
}

TEST_F(SubstChartTest, APhaseThatCannotBeEvaluatedDrawsNothingThere) {
  // Water with its critical constants (Tc 647.1 K, Pc 220.64 bar, w 0.344): under Peng-Robinson
  // the liquid root ends below the critical temperature at 1 bar.
  ASSERT_GT(LoadDatabaseText(kFixtureHeader + Fixture("W", "(g)", 200, 1000, -241826, 188.835, 33.6, "647.1\t220.64\t0.344") +
                                 Fixture("W", "(l)", 273.15, 373.15, -285830, 69.95, 75.3, "647.1\t220.64\t0.344"),
                             "fixture.tdb"),
            1);
  EosType = EosPengRobinson;
  W().MnuTempK->Click();
  Check({11, 15, 16});
  Run("W(u)", "1", "300", "25", "640");
  SetX(300, 640);
  Chart().Axis[5] = ChartAxis{true, false, 10, 0, 0.01, "Z"};
  Chart().Axis[6] = ChartAxis{true, false, 10, 0, 1e-4, "V"};
  Chart().ComputeAxisRanges();
  std::vector<bool> valid;
  std::vector<double> volume;
  Watch([&](double) {
    valid.push_back(PlotState.valid[PhaseLiquid]);
    volume.push_back(PlotState.current[PhaseLiquid][kV]);
  });
  Draw(340, 200);
  ASSERT_EQ(valid.size(), 340u);
  int failing = 0;
  for (int i = 0; i < 340; ++i) {
    const double T = 300 + i;
    PropertyResult r;
    const int row = FindDataset("W", "(l)", T);
    ASSERT_GT(row, 0);
    const bool evaluates = EvaluateProperties(row, EosPengRobinson, r, 1, T);
    EXPECT_EQ(valid[static_cast<std::size_t>(i)], evaluates) << T;
    if (!evaluates) {
      ++failing;
      for (int n : {11, 15, 16}) EXPECT_FALSE(ColumnHasColour(i + 1, Colour(n))) << n << " at " << T;
    } else {
      EXPECT_EQ(r.status, StatusRealLiquid);
      EXPECT_GT(volume[static_cast<std::size_t>(i)], 0) << T;
    }
  }
  EXPECT_GT(failing, 0) << "the liquid root should end inside the range";
  EXPECT_GT(CountColour(Colour(15)), 0);
  EXPECT_GT(CountColour(Colour(16)), 0);
  // The liquid's Z and V exist only for its root of a cubic equation: under the generalized
  // Redlich-Kwong equation they are not drawn.
  EosType = DefaultEosType;
  Chart().MnuUpdateClick(Chart().MnuUpdate);
  EXPECT_GT(CountColour(Colour(11)), 0);
  EXPECT_EQ(CountColour(Colour(15)), 0);
  EXPECT_EQ(CountColour(Colour(16)), 0);
}

TEST_F(SubstChartTest, AValueThatIsNoNumberStartsANewCurve) {
  // Constant T, X = P down to where the gas volume overflows.
  W().CbxTP->UserSelect(1);
  W().MnuTempK->Click();
  Run("N2(g)", "300", "1", "1", "2");
  Check({6});
  SetX(0, 5e-310);
  // The curves are drawn over the table's range only: here over the whole axis.
  const auto prepare = ChartPreDrawHook;
  ChartPreDrawHook = [prepare] {
    prepare();
    PlotState.tableFrom = 0;
    PlotState.tableTo = 5e-310;
  };
  std::vector<std::pair<bool, bool>> seen;  // V finite, new curve after the column
  Watch([&](double) {
    seen.emplace_back(std::isfinite(PlotState.current[PhaseGas][kV]), PlotState.newCurve[6]);
  });
  Draw(500, 100);
  bool sawInfinite = false, sawFinite = false;
  for (const auto& [finite, fresh] : seen) {
    if (!finite) {
      sawInfinite = true;
      EXPECT_TRUE(fresh);
    } else {
      sawFinite = true;
    }
  }
  EXPECT_TRUE(sawInfinite);
  EXPECT_TRUE(sawFinite);
}

// ---------------------------------------------------------------------------------------------
// The axis fit

// From the first start (an empty settings folder) the chart fits itself: CO2(g) from 300 to
// 2000 K at 1 bar, then Cp and H ticked. NIST-JANAF (Chase, 1998), CO2: Cp(300 K) = 37.221,
// Cp(2000 K) = 60.351 J/(mol K); H = dfH(298.15) + H - H(298.15) = -393.522 + 0.069 and
// -393.522 + 91.439 kJ/mol. The X axis spans the table's range with at most one tile more on
// either side, and no curve is drawn outside it. The same for Fe from 300 to 3000 K after a
// water run.
TEST_F(SubstChartTest, FromTheFirstStartTheChartFitsTheTableRange) {
  ASSERT_TRUE(Chart().AutoSize());
  W().MnuTempK->Click();
  auto columnRange = [&](int logical) {
    std::pair<double, double> r{1e300, -1e300};
    for (int row = 1; row < W().SGT->RowCount(); ++row) {
      const std::string t = Trim(W().TableCell(logical, row));
      if (t.empty()) continue;
      r.first = std::min(r.first, TextToDouble(t));
      r.second = std::max(r.second, TextToDouble(t));
    }
    return r;
  };
  auto expectHolds = [&](int k, std::pair<double, double> r, const char* what) {
    const ChartAxis& a = Chart().Axis[static_cast<std::size_t>(k)];
    EXPECT_LE(a.from, r.first) << what;
    EXPECT_GE(a.to, r.second) << what;
  };
  auto expectX = [&](double from, double to) {
    const ChartAxis& x = Chart().Axis[0];
    const double tile = (x.to - x.from) / x.tiles;
    EXPECT_LE(x.from, from);
    EXPECT_GE(x.to, to);
    EXPECT_LT(from - x.from, tile);
    EXPECT_LT(x.to - to, tile);
    // The curves: no pixel column drawn below the first or above the last row's temperature.
    int drawn = 0;
    const auto plot = ChartColumnHook;
    Watch([&](double at) {
      if (PlotState.newCurve[1]) return;
      ++drawn;
      EXPECT_GE(at, from - 1e-9) << "a curve point below the table's range";
      EXPECT_LE(at, to + 1e-9) << "a curve point above the table's range";
    });
    Draw(600, 300);
    ChartColumnHook = plot;
    EXPECT_GT(drawn, 400);
  };

  Run("CO2(g)", "1", "300", "50", "2000");
  Check({1});
  Check({2});
  const auto cp = columnRange(ColCp), h = columnRange(ColH);
  ExpectRelative(cp.first, 37.221, 0.002, "JANAF Cp(300 K) of CO2");
  ExpectRelative(cp.second, 60.351, 0.002, "JANAF Cp(2000 K) of CO2");
  ExpectRelative(h.first / 1000, -393.522 + 0.069, 0.001, "JANAF H(300 K) of CO2");
  ExpectRelative(h.second / 1000, -393.522 + 91.439, 0.001, "JANAF H(2000 K) of CO2");
  expectHolds(1, cp, "Cp");
  expectHolds(2, h, "H");
  EXPECT_TRUE(Chart().AxisScaled[1]);
  EXPECT_TRUE(Chart().AxisScaled[2]);
  expectX(300, 2000);

  Run("H2O(u)", "1", "300", "25", "500");
  Run("Fe(u)", "1", "300", "50", "3000");
  expectHolds(1, columnRange(ColCp), "Cp of Fe");
  expectHolds(2, columnRange(ColH), "H of Fe");
  expectX(300, 3000);
}

// Every shown series has a scale with its unit: the residual parts lie on the axes of H, S and
// G, which are scaled when only a residual series is shown.
TEST_F(SubstChartTest, EveryShownSeriesHasAScale) {
  Run("CO2(g)", "1", "200", "25", "500");
  for (int n : {7, 8, 9}) {
    SCOPED_TRACE(n);
    for (int m = 1; m <= 24; ++m)
      if (Chart().Series[static_cast<std::size_t>(m)].checkBox && Chart().Series[static_cast<std::size_t>(m)].shown)
        Chart().Series[static_cast<std::size_t>(m)].checkBox->UserClick();
    Check({n});
    Draw(500, 200);
    const int k = n - 5;  // Hr on H, Sr on S, Gr on G
    EXPECT_TRUE(Chart().AxisScaled[static_cast<std::size_t>(k)]);
    const std::string unit = Chart().Axis[static_cast<std::size_t>(k)].name;
    EXPECT_NE(unit.find('['), std::string::npos) << unit;
    bool titled = false;
    for (const auto& t : Chart().TextBoxes) titled |= t.text.find(unit) != std::string::npos;
    EXPECT_TRUE(titled) << unit;
  }
}

TEST_F(SubstChartTest, TheFitFollowsMovedColumnsAndKeepsTheChartsAssignment) {
  Chart().BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
  Chart().BtnGraFit->Click();
  Check({1, 2, 3});
  Run("H2O(u)", "1", "0", "25", "500");
  const auto fitted = Chart().Axis;

  // The user drags Cp to the far right and T to the left end.
  W().MnuColMove->Click();
  W().SGT->UserMoveColumn(TableColumnIndex[ColCp], 10);
  W().SGT->UserMoveColumn(TableColumnIndex[ColVariable], 0);
  ASSERT_EQ(TableColumnIndex[ColCp], 10);
  ASSERT_EQ(TableColumnIndex[ColVariable], 0);
  for (int k = 0; k <= 6; ++k) Chart().Axis[static_cast<std::size_t>(k)] = ChartAxis{true, false, 1, -5, 5, "?"};
  SeriesAssignment.count = 2;
  SeriesAssignment.column[1] = 4;
  SeriesAssignment.seriesNumber[1] = 11;
  const SeriesAssignmentTable own = SeriesAssignment;
  Run("H2O(u)", "1", "0", "25", "500");
  for (int k : {0, 1, 2, 3, 6}) {  // G is not shown, Z is 1 in every row: neither is fitted
    SCOPED_TRACE(k);
    const ChartAxis& a = Chart().Axis[static_cast<std::size_t>(k)];
    EXPECT_EQ(a.from, fitted[static_cast<std::size_t>(k)].from);
    EXPECT_EQ(a.to, fitted[static_cast<std::size_t>(k)].to);
    EXPECT_EQ(a.tiles, fitted[static_cast<std::size_t>(k)].tiles);
  }
  EXPECT_EQ(SeriesAssignment.count, own.count);
  EXPECT_EQ(SeriesAssignment.column, own.column);
  EXPECT_EQ(SeriesAssignment.seriesNumber, own.seriesNumber);
  EXPECT_EQ(SeriesAssignment.axisOfColumn, own.axisOfColumn);
}

TEST_F(SubstChartTest, AResidualColumnCountsOnlyWithValuesThatDiffer) {
  Chart().BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
  Chart().BtnGraFit->Click();
  // Only the gas's Hr is shown: axis 2 (H) is fitted to Hr, not to H.
  Check({7});
  Run("CO2(g)", "1", "200", "25", "500");
  const ChartAxis& h = Chart().Axis[2];
  EXPECT_LE(h.to, 100);
  EXPECT_GE(h.from, -1000);
  EXPECT_LT(h.from, 0);
  double lowest = 0;
  for (int r = 1; r < W().SGT->RowCount(); ++r) lowest = std::min(lowest, Cell(ColHr, r));
  EXPECT_LE(h.from, lowest);
  // An ideal gas has no residual part: the column is empty and axis 2 is left alone.
  EosType = EosIdealGas;
  Chart().Axis[2].from = -7;
  Chart().Axis[2].to = 7;
  Run("CO2(g)", "1", "200", "25", "500");
  EXPECT_EQ(Trim(W().TableCell(ColHr, 1)), "");
  EXPECT_EQ(Chart().Axis[2].from, -7);
  EXPECT_EQ(Chart().Axis[2].to, 7);
}

TEST_F(SubstChartTest, AConstantCurveGetsAnAxisAroundItsValue) {
  // H of the ideal gas CO(g) over P at 25 C does not change: NIST-JANAF (Chase, 1998) gives
  // dfH(298.15 K) = -110.527 kJ/mol. The fit centres the H axis on it.
  EosType = EosIdealGas;
  Chart().BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
  Chart().BtnGraFit->Click();
  ASSERT_TRUE(Chart().AutoSize());
  Check({2, 5});
  W().CbxTP->UserSelect(1);
  Run("CO(g)", "25", "1", "1", "10");
  const double H = Cell(ColH, 1);
  ExpectRelative(H, -110527, 0.002, "JANAF H of CO(g)");
  EXPECT_EQ(Cell(ColH, W().SGT->RowCount() - 1), H);
  const ChartAxis& h = Chart().Axis[2];
  EXPECT_LT(h.from, H);
  EXPECT_GT(h.to, H);
  // Ten steps of a tenth of its decade, the value in the middle: -160000 .. -60000.
  EXPECT_EQ(h.from, -160000);
  EXPECT_EQ(h.to, -60000);
  EXPECT_EQ(h.tiles, 10);
  // Z of the ideal gas is 1: its axis spans 0.5 .. 1.5.
  const ChartAxis& z = Chart().Axis[5];
  EXPECT_NEAR(z.from, 0.5, 1e-12);
  EXPECT_NEAR(z.to, 1.5, 1e-12);
  // The curve lies inside the plot.
  Draw(400, 200);
  EXPECT_GT(CountColour(Colour(2)), 300);
}

TEST_F(SubstChartTest, TheTemperatureSwitchMovesOnlyATemperatureAxis) {
  struct Case {
    bool constantT, log;
    double from, to;
    double kelvinFrom, kelvinTo;
    const char* why;
  };
  const Case cases[] = {
      {false, false, 0, 500, 273, 773, "T on a linear axis"},
      {false, true, std::log(300.0), std::log(900.0), std::log(300.0), std::log(900.0), "T on a log axis"},
      {true, false, 1, 10, 1, 10, "X is P in bar"},
  };
  Chart().BtnGraFit->SetDown(false);  // the user's axes, not fitted to the runs
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    W().MnuTempC->Click();
    W().CbxTP->UserSelect(c.constantT ? 1 : 0);
    Chart().Axis[0] = ChartAxis{true, c.log, 5, c.from, c.to, "X"};
    W().MnuTempK->Click();
    EXPECT_DOUBLE_EQ(Chart().Axis[0].from, c.kelvinFrom);
    EXPECT_DOUBLE_EQ(Chart().Axis[0].to, c.kelvinTo);
  }
}

// ---------------------------------------------------------------------------------------------
// The source

TEST_F(SubstChartTest, TheSourceSwitchPutsTheColumnsBackAndTheChartFollowsTheItem) {
  Run("H2O(u)", "1", "0", "25", "500");
  const std::string cp = W().TableCell(ColCp, 3);
  W().MnuColMove->Click();
  W().SGT->UserMoveColumn(TableColumnIndex[ColCp], 9);
  ASSERT_EQ(TableColumnIndex[ColCp], 9);

  // A click on "Source" is the switch: the item's check and the chart's source are one.
  Chart().MnuGrfSrc->Click();
  ASSERT_TRUE(ChartShowsTable());
  EXPECT_TRUE(Chart().MnuGrfSrc->Checked());
  EXPECT_TRUE(Chart().MnuVarDef->Enabled());
  EXPECT_TRUE(Chart().MnuStylePoint->Visible());
  for (int c = 0; c < SubstanceColumnCount; ++c) EXPECT_EQ(TableColumnIndex[static_cast<std::size_t>(c)], c);
  EXPECT_EQ(W().SGT->Cells(ColCp, 0).rfind("Cp", 0), 0u);
  EXPECT_EQ(W().SGT->Cells(ColCp, 3), cp);
  EXPECT_FALSE(W().MnuColMove->Checked());
  EXPECT_FALSE(W().MnuColMove->Enabled());
  EXPECT_FALSE(W().SGT->Options() & platform::goColMoving);
  EXPECT_FALSE(Chart().Series[1].checkBox->Visible());
  // No curves in table mode.
  PlotState.current[PhaseGas].fill(-1);
  platform::Picture plot(10, 10);
  PlotSubstanceCurves(plot, 100);
  EXPECT_EQ(PlotState.current[PhaseGas][kCp], -1);

  Chart().MnuGrfSrc->Click();
  EXPECT_FALSE(ChartShowsTable());
  EXPECT_FALSE(Chart().MnuVarDef->Enabled());
  EXPECT_FALSE(Chart().MnuStylePoint->Visible());
  EXPECT_TRUE(W().MnuColMove->Enabled());
  EXPECT_TRUE(Chart().Series[1].checkBox->Visible());
  EXPECT_EQ(Chart().GbxY[2]->Caption(), "Liquid");

  // Batch mode leaves table data and keeps the switch off until it ends.
  Chart().MnuGrfSrc->Click();
  ASSERT_TRUE(ChartShowsTable());
  W().MnuBatchCalculation->Click();
  EXPECT_FALSE(ChartShowsTable());
  EXPECT_FALSE(Chart().MnuGrfSrc->Enabled());
  EXPECT_FALSE(Chart().MnuVarDef->Enabled());
  W().MnuBatchCalculation->Click();
  EXPECT_TRUE(Chart().MnuGrfSrc->Enabled());
}

TEST_F(SubstChartTest, TableModeFeedsEveryRowButTheChangeRows) {
  Run("H2O(u)", "1", "0", "25", "500");
  Chart().MnuGrfSrc->Click();
  ASSERT_TRUE(ChartShowsTable());
  // X = column 0 (1/T in K), series 1 = Cp (column 2).
  SeriesAssignment.count = 1;
  SeriesAssignment.column[0] = 0;
  SeriesAssignment.seriesNumber[0] = 0;
  SeriesAssignment.column[1] = 2;
  SeriesAssignment.seriesNumber[1] = 1;
  W().ButtonUpdate->Click();
  std::vector<int> rows;
  for (int r = 1; r < W().SGT->RowCount(); ++r)
    if (W().TableCell(ColPhase, r) != "change") rows.push_back(r);
  ASSERT_LT(rows.size(), std::size_t(W().SGT->RowCount() - 1));
  ASSERT_EQ(Chart().Points.count, int(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const double T = Cell(ColVariable, rows[i]) + 273.15;
    EXPECT_DOUBLE_EQ(Chart().Points.columns[0][i], 1 / T);
    EXPECT_EQ(Chart().Points.columns[1][i], Cell(ColCp, rows[i]));
  }
  // A temperature of 0 K in the table gives X = 0; an empty running variable no point.
  W().MnuTempK->SetChecked(true);
  W().MnuTempC->SetChecked(false);
  W().SetTableCell(ColVariable, 1, "0");
  W().SetTableCell(ColVariable, 2, " ");
  RefreshChartFromTable(0);
  ASSERT_EQ(Chart().Points.count, int(rows.size()) - 1);
  EXPECT_EQ(Chart().Points.columns[0][0], 0);
  // The source switch back to curves leaves no points.
  Chart().MnuGrfSrc->Click();
  EXPECT_EQ(Chart().Points.count, 0);
}

}  // namespace
