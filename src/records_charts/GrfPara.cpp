#include "records_charts/GrfPara.h"

#include <algorithm>
#include <cmath>

#include "platform/Canvas.h"
#include "shared/AplMsg.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

TGrfParaDlg* GrfParaDlg = nullptr;

// ---------------------------------------------------------------------------------------------
// The range fit

double NiceTickStep(double v, double L) {
  const double candidates[5] = {v, v / 2, v / 4, v / 5, v / 10};
  for (int i = 0; i < 5; ++i)
    if (candidates[i] > L) return i == 0 ? v : candidates[i - 1];
  // Only an upper end that is already L itself gets here: it stays, so no data is cut off.
  return v;
}

double NiceTickStepFirst(double v, double L) {
  for (double c : {v, v / 2, v / 4, v / 5, v / 10})
    if (!(c > L)) return c;
  return v / 10;
}

double DecadeStep(bool ceilExp, bool ceilMul, double x, int* k, double* m) {
  if (x == 0) {
    if (k) *k = 0;
    if (m) *m = 0;
    return 0;
  }
  const double e = std::log10(std::fabs(x));
  const int kk = static_cast<int>(ceilExp ? std::ceil(e) : std::floor(e));
  const double u = std::pow(10.0, kk);
  double mm = std::fabs(x) / u;
  mm = ceilMul ? std::ceil(mm) : std::floor(mm);
  if (x < 0) mm = -mm;
  if (k) *k = kk;
  if (m) *m = mm;
  return u * mm;
}

double Decade(bool ceilExp, double x) {
  if (x == 0) return 0;
  const double e = std::log10(std::fabs(x));
  return std::pow(10.0, ceilExp ? std::ceil(e) : std::floor(e));
}

int TilesForDecade(double k) {
  const double n = std::round(std::fabs(k));
  if (n <= 1) return 10;
  if (n <= 10) return 2;
  return 10;
}

AxisFit FitAxisRange(bool log, double a, double b, AxisFit fit) {
  const double hi = std::max(a, b), lo = std::min(a, b);
  if (hi == 0 && lo == 0) return fit;
  fit.tiles = 1;
  fit.from = lo;
  fit.to = hi;
  int kh = 0, kl = 0;
  double mh = 0, ml = 0;
  if (lo == 0) {
    if (log) return fit;
    fit.from = 0;
    fit.to = DecadeStep(false, true, hi, &kh, &mh);
    fit.tiles = mh == 1 ? 10 : static_cast<int>(mh);
    return fit;
  }
  if (hi == 0) {
    if (log) return fit;
    fit.to = 0;
    fit.from = DecadeStep(true, true, lo, &kl, &ml);
    fit.tiles = TilesForDecade(kl);
    fit.from = NiceTickStep(fit.from, lo);
    return fit;
  }
  if (hi > 0 && lo < 0) {
    if (log) return fit;
    fit.to = NiceTickStep(DecadeStep(true, true, hi, &kh, &mh), hi);
    fit.from = NiceTickStep(DecadeStep(true, true, lo, &kl, &ml), lo);
    const double w = (fit.to > 0 && fit.from < 0) ? std::fabs(fit.to / fit.from) : 0;
    if (w >= 10 && !(lo < -0.1 * fit.to)) {
      fit.from = -0.1 * fit.to;
      fit.tiles = 11;
      return fit;
    }
    if (w <= 0.1 && !(hi > -0.1 * fit.from)) {
      fit.to = -0.1 * fit.from;
      fit.tiles = 11;
      return fit;
    }
    fit.tiles = static_cast<int>(std::round(std::fabs(static_cast<double>(kh))) + std::round(std::fabs(static_cast<double>(kl))));
    return fit;
  }
  if (hi < 0) {  // both negative (a log axis has no such data)
    if (log) return fit;
    fit.to = DecadeStep(false, false, hi, &kh, &mh);
    fit.from = NiceTickStep(DecadeStep(false, true, lo, &kl, &ml), lo);
    if (lo / hi > 2) {
      fit.to = 0;
      fit.tiles = std::abs(kl);
    } else {
      fit.tiles = std::abs(kh);
    }
    return fit;
  }
  if (log) {
    fit.to = Decade(true, hi);
    fit.from = Decade(false, lo);
    if (fit.to / fit.from < 1) fit.from = fit.to / 10;
    fit.tiles = (fit.to > 0 && fit.from > 0)
                    ? static_cast<int>(std::round(std::log10(fit.to) - std::log10(fit.from)))
                    : 1;
    fit.tiles = std::min(fit.tiles, 10);
    fit.from = std::log(fit.from);
    fit.to = std::log(fit.to);
    return fit;
  }
  fit.to = DecadeStep(false, true, hi, &kh, &mh);
  if (hi / lo > 2) {
    fit.from = 0;
    fit.tiles = static_cast<int>(mh);
  } else {
    fit.from = NiceTickStepFirst(DecadeStep(false, false, lo, &kl, &ml), lo);
    fit.tiles = static_cast<int>(std::fabs(mh - ml));
  }
  if (fit.tiles < 2) fit.tiles = 2;
  return fit;
}

// ---------------------------------------------------------------------------------------------
// The dialog

namespace {

const char* const kScaleItems[7] = {"x 0.000 000 001", "x 0.000 001", "x 0.001", "x 1",
                                    "x 1 000",          "x 1 000 000", "x 1 000 000 000"};

Label* MakeLabel(Component* owner, const std::string& name, const char* caption, int left, int top) {
  Label* l = Make<Label>(owner, name);
  l->SetCaption(caption);
  l->SetBounds(left, top, 30, 13);
  return l;
}

Edit* MakeEdit(Component* owner, const std::string& name, const char* text, int left, int top, int width, int tag) {
  Edit* e = Make<Edit>(owner, name);
  e->SetText(text);
  e->SetBounds(left, top, width, 21);
  e->SetTag(tag);
  return e;
}

CheckBox* MakeCheck(Component* owner, const std::string& name, const char* caption, int left, int top, int width,
                    int tag) {
  CheckBox* c = Make<CheckBox>(owner, name);
  c->SetCaption(caption);
  c->SetBounds(left, top, width, 17);
  c->SetTag(tag);
  return c;
}

}  // namespace

TGrfParaDlg::TGrfParaDlg(Component* owner) : Form(owner, "GrfParaDlg") {
  GrfParaDlg = this;
  SetCaption("Graphics Format");
  SetBorderStyle(BorderStyle::ToolWindow);
  SetBounds(200, 120, 320, 264);

  StatusBar1 = Make<StatusBar>(this, "StatusBar1");
  StatusBar1->SetAlign(Align::Bottom);
  StatusBar1->SetHeight(19);
  StatusBar1->SetSimplePanel(true);
  PanelButtons = Make<Panel>(this, "PanelButtons");
  PanelButtons->SetAlign(Align::Bottom);
  PanelButtons->SetHeight(36);
  PanelButtons->SetBevelOuter(BevelStyle::None);
  BtnAccept = Make<Button>(PanelButtons, "BtnAccept");
  BtnAccept->SetCaption("Accept");
  BtnAccept->SetBounds(60, 6, 75, 25);
  ButtonDef = Make<Button>(PanelButtons, "ButtonDef");
  ButtonDef->SetCaption("Definition");
  ButtonDef->SetBounds(122, 6, 75, 25);
  ButtonDef->SetVisible(false);
  BtnClose = Make<Button>(PanelButtons, "BtnClose");
  BtnClose->SetCaption("Close");
  BtnClose->SetBounds(185, 6, 75, 25);

  GBX = Make<GroupBox>(this, "GBX");
  GBX->SetCaption("X");
  GBX->SetAlign(Align::Bottom);
  GBX->SetHeight(76);
  LFX = MakeLabel(GBX, "LFX", "From", 8, 22);
  EFX = MakeEdit(GBX, "EFX", "300", 44, 18, 86, 0);
  LTX = MakeLabel(GBX, "LTX", "To", 146, 22);
  ETX = MakeEdit(GBX, "ETX", "800", 170, 18, 86, 0);
  LdX = MakeLabel(GBX, "LdX", "Tile", 8, 49);
  EdX = MakeEdit(GBX, "EdX", "5", 44, 45, 40, 0);
  EdX->SetHint("[Ctrl] [S] : Default Size");
  EdX->SetShowHint(true);
  CBlX = MakeCheck(GBX, "CBlX", "Log", 92, 47, 48, 0);
  Cbas0 = MakeCheck(GBX, "Cbas0", "Auto Size", 144, 47, 80, 0);
  Cbas0->SetVisible(false);
  CBxTime = Make<ComboBox>(GBX, "CBxTime");
  CBxTime->SetStyle(ComboStyle::DropDownList);
  CBxTime->SetBounds(232, 45, 64, 21);
  CBxTime->Items().Assign({"Sec", "Min", "Hour"});
  CBxTime->SetVisible(false);
  EditRN = Make<Edit>(GBX, "EditRN");
  EditRN->SetBounds(4, 2, 60, 17);
  EditRN->SetVisible(false);
  Label1 = Make<Label>(this, "Label1");
  Label1->SetVisible(false);

  PCtrl = Make<PageControl>(this, "PCtrl");
  PCtrl->SetAlign(Align::Client);
  TS1 = Make<TabSheet>(PCtrl, "TS1");
  TS1->SetCaption("Y1");
  TS1->SetTag(1);
  LF1 = MakeLabel(TS1, "LF1", "From", 8, 12);
  EF1 = MakeEdit(TS1, "EF1", "0", 44, 8, 86, 1);
  LT1 = MakeLabel(TS1, "LT1", "To", 146, 12);
  ET1 = MakeEdit(TS1, "ET1", "100", 170, 8, 86, 1);
  Ld1 = MakeLabel(TS1, "Ld1", "Tile", 8, 39);
  Ed1 = MakeEdit(TS1, "Ed1", "10", 44, 35, 40, 1);
  CBsw1 = MakeCheck(TS1, "CBsw1", "Include", 92, 37, 64, 1);
  CBsw1->SetChecked(true);
  CBlg1 = MakeCheck(TS1, "CBlg1", "Log", 160, 37, 44, 1);
  CBas1 = MakeCheck(TS1, "CBas1", "Auto Size", 208, 37, 80, 1);
  CBas1->SetVisible(false);
  Cxf1 = Make<ComboBox>(TS1, "Cxf1");
  Cxf1->SetStyle(ComboStyle::DropDownList);
  Cxf1->SetBounds(44, 63, 130, 21);
  Cxf1->SetTag(1);
  for (const char* item : kScaleItems) Cxf1->Items().Add(item);

  BtnAccept->OnClick = [this](Component* s) { BtnAcceptClick(s); };
  BtnClose->OnClick = [this](Component* s) { BtnCloseClick(s); };
  OnResize = [this](Component*) { FormResize(); };
  GBX->OnMouseMove = [this](Component*, ShiftState shift, int x, int y) { GBXMouseMove(shift, x, y); };
  GBX->OnDblClick = [this](Component*) { GBXDblClick(); };
  EditRN->OnKeyDown = [this](Component*, int& key, ShiftState) { EditRNKeyDown(key); };
  EditRN->OnChange = [this](Component*) { EditRNChange(); };
  EditRN->OnExit = [this](Component*) { EditRNExit(); };

  // FormCreate.
  Cxf1->SetItemIndex(3);
  CBxTime->SetItemIndex(0);
  Sheet[1] = TS1;
  FromEdit[1] = EF1;
  ToEdit[1] = ET1;
  TileEdit[1] = Ed1;
  FromLabel[1] = LF1;
  ToLabel[1] = LT1;
  TileLabel[1] = Ld1;
  IncludeBox[1] = CBsw1;
  AutoSizeBox[1] = CBas1;
  LogBox[1] = CBlg1;
  ScaleCombo[1] = Cxf1;
  FromEdit[0] = EFX;
  ToEdit[0] = ETX;
  TileEdit[0] = EdX;
  FromLabel[0] = LFX;
  ToLabel[0] = LTX;
  TileLabel[0] = LdX;
  AutoSizeBox[0] = Cbas0;
  LogBox[0] = CBlX;
  for (int n = 2; n <= ChartYAxisCount; ++n) BuildAxisPage(n);
  AxisScaleExponent.fill(0);
  FormResize();
  DoCreate();
}

TGrfParaDlg::~TGrfParaDlg() {
  DoDestroy();
  if (GrfParaDlg == this) GrfParaDlg = nullptr;
}

int TGrfParaDlg::BuildAxisPage(int n) {
  if (n < 1 || n > ChartYAxisCount) return -1;
  const std::size_t i = static_cast<std::size_t>(n);
  if (Sheet[i]) return n;
  const std::string s = std::to_string(n);
  TabSheet* page = Make<TabSheet>(PCtrl, "TS" + s);
  page->SetCaption("Y" + s);
  page->SetTag(n);
  Sheet[i] = page;
  auto copyEdit = [&](const Edit* from, const char* prefix) {
    Edit* e = MakeEdit(page, prefix + s, from->Text().c_str(), from->Left(), from->Top(), from->Width(), n);
    return e;
  };
  auto copyLabel = [&](const Label* from, const char* prefix) {
    Label* l = MakeLabel(page, prefix + s, from->Caption().c_str(), from->Left(), from->Top());
    l->SetTag(n);
    return l;
  };
  auto copyCheck = [&](const CheckBox* from, const char* prefix) {
    CheckBox* c = MakeCheck(page, prefix + s, from->Caption().c_str(), from->Left(), from->Top(), from->Width(), n);
    return c;
  };
  FromEdit[i] = copyEdit(EF1, "EF");
  ToEdit[i] = copyEdit(ET1, "ET");
  TileEdit[i] = copyEdit(Ed1, "Ed");
  FromLabel[i] = copyLabel(LF1, "LF");
  ToLabel[i] = copyLabel(LT1, "LT");
  TileLabel[i] = copyLabel(Ld1, "Ld");
  IncludeBox[i] = copyCheck(CBsw1, "CBsw");
  IncludeBox[i]->SetChecked(CBsw1->Checked());
  AutoSizeBox[i] = copyCheck(CBas1, "CBas");
  AutoSizeBox[i]->SetChecked(false);
  AutoSizeBox[i]->SetVisible(false);
  LogBox[i] = copyCheck(CBlg1, "CBlg");
  ComboBox* combo = Make<ComboBox>(page, "Cxf" + s);
  combo->SetStyle(ComboStyle::DropDownList);
  combo->SetBounds(Cxf1->Left(), Cxf1->Top(), Cxf1->Width(), Cxf1->Height());
  combo->SetTag(n);
  combo->Items().Assign(Cxf1->Items().All());
  combo->SetItemIndex(3);
  ScaleCombo[i] = combo;
  return n;
}

bool TGrfParaDlg::PageShown(int k) const {
  if (k < 1 || k > ChartYAxisCount) return false;
  const TabSheet* s = Sheet[static_cast<std::size_t>(k)];
  return s && s->TabVisible();
}

int TGrfParaDlg::TimeUnit() const {
  if (!CBxTime->Visible()) return 1;
  const int i = CBxTime->ItemIndex();
  return i == 2 ? 3600 : i == 1 ? 60 : 1;
}

void TGrfParaDlg::LoadAxisPage(int k, const ChartAxis& axis) {
  auto text = [](double v) { return FloatToTextF(v, 8, 2); };
  if (k >= 1 && k <= ChartYAxisCount) {
    const std::size_t i = static_cast<std::size_t>(k);
    if (!Sheet[i] && axis.include) BuildAxisPage(k);
    if (!Sheet[i]) return;
    Sheet[i]->SetCaption(axis.name);
    FromEdit[i]->SetText(text(axis.log ? std::exp(axis.from) : axis.from));
    ToEdit[i]->SetText(text(axis.log ? std::exp(axis.to) : axis.to));
    TileEdit[i]->SetText(std::to_string(axis.tiles));
    IncludeBox[i]->SetChecked(axis.include);
    LogBox[i]->SetChecked(axis.log);
    ComboBox* combo = ScaleCombo[i];
    if (combo && combo->Visible()) {
      const int j = AxisScaleExponent[i] / 3;
      if (j < -3) combo->SetItemIndex(3);
      else if (j + 3 < combo->Items().Count()) combo->SetItemIndex(j + 3);
      else combo->SetItemIndex(3);
    }
    return;
  }
  if (k != 0) return;
  GBX->SetCaption(axis.name);
  CBlX->SetChecked(axis.log);
  if (axis.log) {
    EFX->SetText(text(std::exp(axis.from)));
    ETX->SetText(text(std::exp(axis.to)));
  } else {
    const int u = TimeUnit();
    EFX->SetText(text(axis.from / u));
    ETX->SetText(text(axis.to / u));
  }
  EdX->SetText(std::to_string(axis.tiles));
}

std::string TGrfParaDlg::PageName(int k) const {
  if (k == 0) return GBX->Caption();
  const TabSheet* s = Sheet[static_cast<std::size_t>(k)];
  return s ? s->Caption() : std::string();
}

void TGrfParaDlg::Report(int k, Label* label, Edit* edit, const std::string& message) {
  PostLogMessage(LevelCritical, AxisValueIrregularId,
                 PageName(k) + ":  " + (label ? label->Caption() : std::string()) + "=" + edit->Text() + "  " + message);
  ValidFlag = false;
}

void TGrfParaDlg::ValidateAxisPage(int k, ChartAxis& axis) {
  if (k < 0 || k > ChartYAxisCount) return;
  const std::size_t i = static_cast<std::size_t>(k);
  if (k > 0 && !Sheet[i]) return;
  Edit* ef = FromEdit[i];
  Edit* et = ToEdit[i];
  Edit* ed = TileEdit[i];
  long double from = 0, to = 0;
  int tiles = 0;
  if (!TryTextToFloat(ef->Text(), from)) Report(k, FromLabel[i], ef, "irregular !");
  if (!TryTextToFloat(et->Text(), to)) Report(k, ToLabel[i], et, "irregular !");
  if (!TryTextToInt(ed->Text(), tiles)) Report(k, TileLabel[i], ed, "irregular !");
  if (ValidFlag) {
    // 1000 tiles at most: the labels and grid lines are drawn one by one.
    if (tiles <= 0) Report(k, TileLabel[i], ed, "<1  irregular !");
    else if (tiles > 1000) Report(k, TileLabel[i], ed, ">1000  irregular !");
    if (from >= to) Report(k, FromLabel[i], ef, ">= " + et->Text());
  }
  const bool log = LogBox[i] && LogBox[i]->Checked();
  if (ValidFlag && log) {
    if (from <= 0) Report(k, FromLabel[i], ef, "<0  (log) irregular !");
    if (to <= 0) Report(k, ToLabel[i], et, "<0  (log) irregular !");
    if (ValidFlag) {
      from = std::log(from);
      to = std::log(to);
    }
  }
  if (!ValidFlag) return;
  if (k > 0) axis.include = IncludeBox[i]->Checked();
  axis.log = log;
  axis.tiles = tiles;
  axis.from = static_cast<double>(from);
  axis.to = static_cast<double>(to);
  if (k > 0) {
    const ComboBox* combo = ScaleCombo[i];
    if (combo && combo->Visible()) {
      const int item = combo->ItemIndex() >= 0 ? combo->ItemIndex() : 3;
      AxisScaleExponent[i] = 3 * item - 9;
    } else {
      AxisScaleExponent[i] = 0;
    }
    AxisScaleFactor[i] = std::pow(10.0, AxisScaleExponent[i]);
  }
}

void TGrfParaDlg::FitAxisToData(int k) {
  if (!GrfWnd || k < 0 || k > ChartYAxisCount) return;
  const std::size_t i = static_cast<std::size_t>(k);
  if (k > 0) {
    if (!PageShown(k) || !AutoSizeBox[i]->Visible() || !AutoSizeBox[i]->Checked() || !IncludeBox[i]->Checked()) return;
  } else if (!Cbas0->Checked() || !Cbas0->Visible()) {
    return;
  }
  ChartAxis& axis = GrfWnd->Axis[i];
  // Data without spread (a constant curve, or one that varies in its last digits only) gets
  // a span around its value: ten steps of a tenth of its decade with the value in the middle,
  // -1..1 about 0, its decade on a log axis.
  const double hi = DataMax[i], lo = DataMin[i];
  AxisFit fit;
  if (hi - lo <= 1e-6 * std::max(std::fabs(hi), std::fabs(lo))) {
    const double v = (hi + lo) / 2;
    if (axis.log) {
      if (!(v > 0)) return;
      const double decade = std::floor(std::log10(v));
      fit = AxisFit{decade * std::log(10.0), (decade + 1) * std::log(10.0), 1};
    } else if (v == 0) {
      fit = AxisFit{-1, 1, 10};
    } else {
      const double step = std::pow(10.0, std::floor(std::log10(std::fabs(v))) - 1);
      const double from = (std::nearbyint(v / step) - 5) * step;
      fit = AxisFit{from, from + 10 * step, 10};
    }
  } else {
    fit = FitAxisRange(axis.log, hi, lo, AxisFit{axis.from, axis.to, axis.tiles});
  }
  axis.from = fit.from;
  axis.to = fit.to;
  GrfWnd->AxisRange[i] = axis.to - axis.from;
  if (fit.tiles > 0) axis.tiles = fit.tiles;
  FromEdit[i]->SetText(FloatToShortText(axis.log ? std::exp(axis.from) : axis.from));
  ToEdit[i]->SetText(FloatToShortText(axis.log ? std::exp(axis.to) : axis.to));
  TileEdit[i]->SetText(std::to_string(axis.tiles));
}

void TGrfParaDlg::AutoSizeAxes(const StringGrid& grid) {
  // One record is enough: an axis without spread gets a span around its value.
  if (!GrfWnd || grid.RowCount() < 2) return;
  SeriesAssignmentTable& a = SeriesAssignment;
  a.count = std::clamp(a.count, 0, ChartSeriesCount);
  DataMin.fill(0);
  DataMax.fill(0);
  DataFound.fill(false);
  for (int e = 0; e <= a.count; ++e) {
    const int c = a.column[static_cast<std::size_t>(e)];
    if (c < 0 || c >= grid.ColCount() || c >= ChartColumnCount) continue;
    const int k = a.axisOfColumn[static_cast<std::size_t>(c)];
    if (k < 0 || k > ChartYAxisCount) continue;
    const std::size_t i = static_cast<std::size_t>(k);
    const bool log = GrfWnd->Axis[i].log;
    for (int r = 1; r < grid.RowCount(); ++r) {
      // An empty cell (a separator row, a value not computed) holds no number.
      const std::string text = Trim(grid.Cells(c, r));
      long double v = 0;
      if (text.empty() || !TryTextToFloat(text, v)) continue;
      if (log && !(v > 0)) continue;
      const double d = static_cast<double>(v);
      if (!DataFound[i]) {
        DataMin[i] = DataMax[i] = d;
        DataFound[i] = true;
      } else {
        DataMin[i] = std::min(DataMin[i], d);
        DataMax[i] = std::max(DataMax[i], d);
      }
    }
  }
  if (ProbeOnly) return;
  const bool timeAxis = CBxTime->Visible();
  if (DataFound[0] && Cbas0->Checked() && timeAxis) {
    DataMin[0] = std::floor(DataMin[0]);
    DataMax[0] = std::ceil(DataMax[0]);
    FitTimeAxis(DataMax[0], DataMin[0]);
  }
  for (int k = 0; k <= ChartYAxisCount; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    if (!DataFound[i]) continue;
    if (k == 0) {
      if (!timeAxis && Cbas0->Checked()) FitAxisToData(0);
    } else if (PageShown(k) && AutoSizeBox[i]->Checked()) {
      FitAxisToData(k);
    }
  }
  GrfWnd->MnuUpdateClick(nullptr);
}

void TGrfParaDlg::FitTimeAxis(double max, double min) {
  if (!GrfWnd || !Cbas0->Checked() || !Cbas0->Visible()) return;
  TGrfWnd& w = *GrfWnd;
  ChartAxis& x = w.Axis[0];
  if (w.xTime != 0) {
    const int i = CBxTime->ItemIndex();
    const int u = i == 1 ? 60 : i == 2 ? 3600 : 1;
    w.SetTimeOrigin(min);
    x.from = 0;
    x.to = (max - w.TimeOrigin) / w.OneSecond;
    w.AxisRange[0] = (max - min) / w.OneSecond;
    EFX->SetText(FloatToTextF(x.from / u, 8, 2));
    ETX->SetText(FloatToTextF(x.to / u, 8, 2));
  } else {
    x.from = min;
    x.to = max;
    w.AxisRange[0] = max - min;
    EFX->SetText(FloatToShortText(x.from));
    ETX->SetText(FloatToShortText(x.to));
  }
}

void TGrfParaDlg::BtnAcceptClick(Component*) {
  if (GrfWnd) GrfWnd->GrfParaDlgData();
  if (AutoSizeChangedHook) AutoSizeChangedHook(GrfWnd && GrfWnd->AutoSize());
}

void TGrfParaDlg::BtnCloseClick(Component*) {
  ValidFlag = false;
  Close();
}

void TGrfParaDlg::FormResize() {
  const int w = Width();  // the button panel spans the dialog
  const int bw = BtnAccept->Width();
  if (ButtonDef->Visible()) {
    BtnAccept->SetLeft(w / 4 - bw / 2);
    ButtonDef->SetLeft(w / 2 - bw / 2);
    BtnClose->SetLeft(3 * w / 4 - bw / 2);
  } else {
    BtnAccept->SetLeft(w / 2 - bw / 2 - bw);
    BtnClose->SetLeft(w / 2 + bw / 2);
  }
}

void TGrfParaDlg::GBXMouseMove(ShiftState, int, int y) {
  RenameArmed = y >= 0 && y < 18;
  StatusBar1->SetSimpleText(RenameArmed ? "Rename with: Mouse Left Double Click" : "");
}

namespace {

int TextWidthOf(const FontInfo& font, const std::string& text) {
  Picture scratch(1, 1);
  Canvas& c = scratch.GetCanvas();
  c.Font = font;
  return c.TextWidth(text);
}

}  // namespace

void TGrfParaDlg::GBXDblClick() {
  if (!RenameArmed) return;
  EditRN->SetText(GBX->Caption());
  EditRN->SetBounds(4, 2, TextWidthOf(Font(), GBX->Caption()) + 16, EditRN->Height());
  EditRN->SetVisible(true);
  EditRN->SetFocus();
}

void TGrfParaDlg::EditRNChange() {
  EditRN->SetWidth(TextWidthOf(Font(), EditRN->Text()) + 16);
}

void TGrfParaDlg::EditRNKeyDown(int& key) {
  if (key == Key::Escape) {
    key = 0;
    RenameArmed = false;
    EditRN->SetVisible(false);
  } else if (key == Key::Enter) {
    key = 0;
    EditRN->SetVisible(false);
    EditRNExit();
  }
}

void TGrfParaDlg::EditRNExit() {
  if (RenameArmed) {
    RenameArmed = false;
    GBX->SetCaption(EditRN->Text());
    if (GrfWnd) {
      GrfWnd->Axis[0].name = EditRN->Text();
      GrfWnd->MnuUpdateClick(nullptr);
    }
  }
  EditRN->SetVisible(false);
}

}  // namespace quorel
