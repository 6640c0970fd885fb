// The chart's commands: moving and zooming the axes, the mouse read-out, the series popups, the
// pen and "Follow Time" items, the splitter, the free picture size, and copying and saving the
// picture; Lunetta's two operations on the series and scales.
#include <algorithm>
#include <cmath>

#include "platform/ImageFiles.h"
#include "platform/Picture.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "records_charts/GrfPara.h"
#include "records_charts/Grfx.h"
#include "shared/AplMsg.h"
#include "shared/Info.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

namespace {

constexpr const char* kPictureFilter = "Jpeg (*.jpg)|*.jpg;*.jpeg|Bitmap (*.bmp)|*.bmp";
constexpr const char* kSaveAsCaption = "Graphic Save as";

// One tile of an axis (tiles below 1 become 1 first).
double TileStep(ChartAxis& a, double range) {
  if (a.tiles < 1) a.tiles = 1;
  return range / a.tiles;
}

// An upper end that the commands never leave at or below the lower end.
void KeepAboveFrom(ChartAxis& a, double s) {
  if (!(a.to > a.from)) a.to = a.from + (s > 0 ? s : 1.0);
}

// A value read out on a log axis: its exponential where that is a finite number, else the value
// in logarithm units.
double ReadOutValue(bool log, double v) {
  if (!log) return v;
  const double e = std::exp(v);
  return std::isfinite(e) ? e : v;
}

int Clamp(int v) { return std::clamp(v, ChartMinFreeSize, ChartMaxFreeSize); }

}  // namespace

double TGrfWnd::TextScale() const {
  const int designed = FBox->Height(), pixels = FBox->PixelHeight();
  return designed > 0 && pixels > 0 ? static_cast<double>(pixels) / designed : 1.0;
}

// ---------------------------------------------------------------------------------------------
// Axis commands

template <class Command>
void TGrfWnd::ForSelectedYAxes(Component* sender, Command command) {
  const int item = CBVarID->ItemIndex();
  const int k = item >= 0 && item < ChartColumnCount ? SeriesAssignment.axisComboMap[static_cast<std::size_t>(item)] : 0;
  if (k >= 1 && k <= ChartYAxisCount) {
    bool any = false;
    for (int j = 1; j <= ChartYAxisCount; ++j) any = any || Axis[static_cast<std::size_t>(j)].include;
    if (any) command(Axis[static_cast<std::size_t>(k)], AxisRange[static_cast<std::size_t>(k)]);
  } else {
    for (int j = 1; j <= ChartYAxisCount; ++j)
      if (Axis[static_cast<std::size_t>(j)].include)
        command(Axis[static_cast<std::size_t>(j)], AxisRange[static_cast<std::size_t>(j)]);
  }
  ComputeAxisRanges();
  MnuUpdateClick(sender);
}

void TGrfWnd::BtnZoomInYClick(Component* sender) {
  ForSelectedYAxes(sender, [](ChartAxis& a, double range) {
    const double s = TileStep(a, range);
    a.from += s;
    a.to -= s;
    if (!(a.to > a.from)) a.to = a.from + s;
    a.tiles -= 2;
    if (a.tiles < 1) a.tiles = 10;
  });
}

void TGrfWnd::BtnZoomOutYClick(Component* sender) {
  ForSelectedYAxes(sender, [](ChartAxis& a, double range) {
    const double s = TileStep(a, range);
    a.from -= s;
    a.to += s;
    a.tiles = std::min(a.tiles + 2, 10);
  });
}

void TGrfWnd::BtnCollapsYClick(Component* sender) {
  ForSelectedYAxes(sender, [](ChartAxis& a, double range) {
    const double s = TileStep(a, range);
    a.to -= s;
    if (!(a.to > a.from)) a.to = a.from + s;
    a.tiles -= 1;
    if (a.tiles <= 0) a.tiles = 10;
  });
}

void TGrfWnd::BtnExpandYClick(Component* sender) {
  ForSelectedYAxes(sender, [](ChartAxis& a, double range) {
    const double s = TileStep(a, range);
    if (a.tiles > 9) {
      if (a.to > 0) a.to = 2 * a.to;
      if (!(a.to > 0)) a.to = a.to + std::abs(a.to - a.from);
    } else {
      a.to += s;
    }
    KeepAboveFrom(a, s);
    a.tiles += 1;
    if (a.tiles > 10 && !a.log) a.tiles = 10;
  });
}

void TGrfWnd::BtnMoveUpClick(Component* sender) {
  ForSelectedYAxes(sender, [](ChartAxis& a, double range) {
    const double s = TileStep(a, range);
    a.from += s;
    a.to += s;
  });
}

void TGrfWnd::BtnMoveDownClick(Component* sender) {
  ForSelectedYAxes(sender, [](ChartAxis& a, double range) {
    const double s = TileStep(a, range);
    a.from -= s;
    a.to -= s;
  });
}

void TGrfWnd::BtnCollapsXClick(Component* sender) {
  ChartAxis& x = Axis[0];
  const double s = TileStep(x, AxisRange[0]);
  x.to -= s;
  if (!(x.to > x.from)) x.to = x.from + s;
  x.tiles -= 1;
  if (x.tiles <= 0) x.tiles = 10;
  ComputeAxisRanges();
  MnuUpdateClick(sender);
}

void TGrfWnd::BtnExpandXClick(Component* sender) {
  ChartAxis& x = Axis[0];
  const double s = TileStep(x, AxisRange[0]);
  if (x.log) {
    x.tiles += 1;
    x.to += s;
  } else {
    // With ten tiles the end doubles; an end not above 0 widens by the range as the Y command
    // does, so that the axis never turns over.
    if (x.tiles > 9) {
      if (x.to > 0) x.to = 2 * x.to;
      if (!(x.to > 0)) x.to = x.to + std::abs(x.to - x.from);
    } else {
      x.to += s;
    }
    x.tiles = std::min(x.tiles + 1, 10);
  }
  KeepAboveFrom(x, s);
  ComputeAxisRanges();
  MnuUpdateClick(sender);
}

void TGrfWnd::BtnMoveLeftClick(Component* sender) {
  ChartAxis& x = Axis[0];
  const double s = TileStep(x, AxisRange[0]);
  x.from -= s;
  x.to -= s;
  ComputeAxisRanges();
  MnuUpdateClick(sender);
}

void TGrfWnd::BtnMoveRightClick(Component* sender) {
  ChartAxis& x = Axis[0];
  const double s = TileStep(x, AxisRange[0]);
  x.from += s;
  x.to += s;
  ComputeAxisRanges();
  MnuUpdateClick(sender);
}

// ---------------------------------------------------------------------------------------------
// Read-out

void TGrfWnd::GBoxMouseMove(ShiftState, int x, int y) {
  if (!StBar->Visible()) return;
  const int width = GBox->PixelWidth(), height = GBox->PixelHeight();
  if (width <= 0 || height <= 0) return;
  const int item = CBVarID->ItemIndex();
  const int k = item >= 0 && item < ChartColumnCount ? SeriesAssignment.axisComboMap[static_cast<std::size_t>(item)] : 0;
  const double xv = ReadOutValue(Axis[0].log, static_cast<double>(x) / width * AxisRange[0] + Axis[0].from);
  if (!IsTimeAxis()) {
    StBar->SetPanelText(1, FloatToShortText(xv));
  } else {
    const DateTimeParts p = DecodeDateTime(xv * OneSecond + TimeOrigin);
    StBar->SetPanelText(1, FloatToShortText(xv / xTime) + " | " + Application().ShortDateText(p.Year, p.Month, p.Day) +
                               " " + Application().LongTimeText(p.Hour, p.Minute, p.Second));
  }
  if (k < 1 || k > ChartYAxisCount) {
    StBar->SetPanelText(3, std::to_string(k));
    return;
  }
  const ChartAxis& a = Axis[static_cast<std::size_t>(k)];
  const double yv = static_cast<double>(height - y) / height * AxisRange[static_cast<std::size_t>(k)] + a.from;
  StBar->SetPanelText(3, FloatToShortText(ReadOutValue(a.log, yv)));
}

// ---------------------------------------------------------------------------------------------
// The series popup

CheckBox* TGrfWnd::SeriesBoxUnderPopup() const {
  auto* box = dynamic_cast<CheckBox*>(PopupVar->PopupComponent());
  if (!box) return nullptr;
  const int n = box->Tag();
  return n >= 1 && n <= ChartSeriesCount && Series[static_cast<std::size_t>(n)].checkBox == box ? box : nullptr;
}

GroupBox* TGrfWnd::GroupUnderPopup() const {
  Component* c = PopupVar->PopupComponent();
  if (CheckBox* box = SeriesBoxUnderPopup()) c = box->Owner();
  auto* g = dynamic_cast<GroupBox*>(c);
  for (int k = 1; k <= ChartYAxisCount; ++k)
    if (g && GbxY[static_cast<std::size_t>(k)] == g) return g;
  return nullptr;
}

void TGrfWnd::PopupVarPopup(Component*) {
  CheckBox* box = SeriesBoxUnderPopup();
  PopVariable->SetVisible(box != nullptr);
  if (box) PopVariable->SetCaption(box->Caption());
  PopColor1->SetVisible(box != nullptr);
  PopGrfStyle->SetVisible(box != nullptr && MnuStyle->Visible());
}

void TGrfWnd::PopSelectionAllClick(Component* sender) {
  GroupBox* g = GroupUnderPopup();
  if (!g || !sender) return;
  const int t = g->Tag();
  const bool select = sender->Tag() == 1;
  Axis[static_cast<std::size_t>(t + 1)].include = select;
  const bool was = SuppressCheckBoxClicks;
  SuppressCheckBoxClicks = true;
  for (int n = 10 * t + 1; n <= 10 * t + 10 && n < ChartSeriesCount; ++n) {
    Series[static_cast<std::size_t>(n)].shown = select ? 1 : 0;
    SyncSeriesCheckBox(n);
  }
  SuppressCheckBoxClicks = was;
  if (select) {
    int item = 0;
    for (int k = 1; k <= t + 1; ++k) item += GbxY[static_cast<std::size_t>(k)]->Visible() ? 1 : 0;
    if (item < CBVarID->Items().Count()) CBVarID->SetItemIndex(item);
    CbVarIDChange(nullptr);
  }
  MnuUpdateClick(sender);
}

void TGrfWnd::PopColorClick(Component* sender) {
  CheckBox* box = SeriesBoxUnderPopup();
  if (!box) return;
  ChartSeries& s = Series[static_cast<std::size_t>(box->Tag())];
  ColorDialog1->SetDialogColor(s.colour);
  if (!ColorDialog1->Execute()) return;
  s.colour = ColorDialog1->DialogColor();
  FontInfo f = box->Font();
  f.Color = s.colour;
  box->SetFont(f);
  MnuUpdateClick(sender);
}

void TGrfWnd::PopGStyleClick(Component* sender) {
  CheckBox* box = SeriesBoxUnderPopup();
  if (!box || !sender) return;
  Series[static_cast<std::size_t>(box->Tag())].style = sender->Tag();
  MnuUpdateClick(sender);
}

namespace {

void SetPenWidth(ChartSeries& s, int width) {
  s.penWidth = width;
  if (!s.checkBox) return;
  FontInfo f = s.checkBox->Font();
  f.Bold = width > 1;
  s.checkBox->SetFont(f);
}

}  // namespace

void TGrfWnd::PopGrfPenWidth(Component* sender) {
  if (!sender) return;
  const int width = sender->Tag();
  if (CheckBox* box = SeriesBoxUnderPopup()) {
    SetPenWidth(Series[static_cast<std::size_t>(box->Tag())], width);
  } else if (GroupBox* g = GroupUnderPopup()) {
    const int t = g->Tag();
    for (int n = 10 * t + 1; n <= std::min(10 * t + 10, ChartSeriesCount); ++n)
      if (Series[static_cast<std::size_t>(n)].checkBox) SetPenWidth(Series[static_cast<std::size_t>(n)], width);
  } else {
    return;
  }
  MnuUpdateClick(sender);
}

void TGrfWnd::MnuThinClick(Component* sender) {
  if (!sender) return;
  Series[0].penWidth = sender->Tag();
  MnuThin->SetChecked(Series[0].penWidth == 1);
  MnuBold->SetChecked(Series[0].penWidth == 2);
  for (int n = 1; n <= ChartSeriesCount; ++n)
    if (Series[static_cast<std::size_t>(n)].checkBox) SetPenWidth(Series[static_cast<std::size_t>(n)], Series[0].penWidth);
  MnuUpdateClick(sender);
}

void TGrfWnd::MnuFollowTimeClick(Component* sender) {
  auto* item = dynamic_cast<MenuItem*>(sender);
  if (!item) return;
  item->SetChecked(!item->Checked());
  (item == PopFollowTime ? MnuFollowTime : PopFollowTime)->SetChecked(item->Checked());
}

void TGrfWnd::Splitter1Moved(Component*) {
  for (int n = 1; n <= ChartSeriesCount; ++n) {
    CheckBox* box = Series[static_cast<std::size_t>(n)].checkBox;
    if (!box) continue;
    const Component* g = box->Owner();
    if (g && g->Width() > 32) box->SetBounds(box->Left(), box->Top(), g->Width() - 8, box->Height());
  }
  if (FBox->GetAlign() != Align::Client) {
    const int top = CoolBar1->Visible() ? CoolBar1->Height() : 0;
    FBox->SetBounds(PnlVarbox->Width() + 8, top + 2, FBox->Width(), FBox->Height());
  }
  FormResize();
}

// ---------------------------------------------------------------------------------------------
// The free picture size

std::string TGrfWnd::FreeSizeText() const {
  return "Grafik Size: " + std::to_string(PlotPicture->Width()) + " : " + std::to_string(PlotPicture->Height());
}

void TGrfWnd::MnuFreeSizeClick(Component*) {
  PanelSize->SetVisible(true);
  CoolBar1->SetHeight(ToolBar1->Height() + PanelSize->Height() + 2);
  EdtSizeWidth->SetText(std::to_string(FBox->Width()));
  EdtSizeHeigh->SetText(std::to_string(FBox->Height()));
}

void TGrfWnd::SetSizeClick(Component* sender) {
  FBox->SetAlign(Align::None);
  int width = FBox->Width(), height = FBox->Height();
  if (sender) {
    width = Clamp(TextToInt(EdtSizeWidth->Text()));
    height = Clamp(TextToInt(EdtSizeHeigh->Text()));
  } else {
    EdtSizeWidth->SetText(std::to_string(width));
    EdtSizeHeigh->SetText(std::to_string(height));
  }
  const int top = CoolBar1->Visible() ? CoolBar1->Height() : 0;
  FBox->SetBounds(PnlVarbox->Width() + 8, top + 2, width, height);
  FormResize();
  MnuUpdateClick(sender ? sender : BtnSizeSet);
  StBar->SetPanelText(3, FreeSizeText());
}

void TGrfWnd::UpDownVertSizeClick(Component* sender, UpDownButton button) {
  if (!sender) return;
  int width = FBox->Width(), height = FBox->Height();
  const bool next = button == UpDownButton::Next;
  if (sender->Tag() == 1) {
    width = next ? std::min(width + 100, ChartMaxFreeSize) : width < 300 ? ChartMinFreeSize : width - 100;
  } else if (sender->Tag() == 2) {
    height = next ? (height < 300 ? ChartMinFreeSize : height - 100) : std::min(height + 100, ChartMaxFreeSize);
  }
  FBox->SetBounds(FBox->Left(), FBox->Top(), width, height);
  SetSizeClick(nullptr);
}

void TGrfWnd::EdtSizesKeyDown(Component*, int& key, ShiftState) {
  int width = FBox->Width(), height = FBox->Height();
  switch (key) {
    case Key::Down: ++height; break;
    case Key::Up: --height; break;
    case Key::Right: ++width; break;
    case Key::Left: --width; break;
    default: return;
  }
  key = 0;
  FBox->SetBounds(FBox->Left(), FBox->Top(), Clamp(width), Clamp(height));
  SetSizeClick(nullptr);
}

void TGrfWnd::BtnAutoSizeClick(Component* sender) {
  FBox->SetAlign(Align::Client);
  PanelSize->SetVisible(false);
  CoolBar1->SetHeight(ToolBar1->Height() + 2);
  FormResize();
  MnuUpdateClick(sender ? sender : BtnAutoSize);
}

// ---------------------------------------------------------------------------------------------
// Copy and Save

std::shared_ptr<Picture> TGrfWnd::ComposedPicture() {
  std::shared_ptr<Picture> picture = Application().GrabClientArea(*this);
  if (!picture) {
    picture = std::make_shared<Picture>(std::max(ClientWidth(), 1), std::max(ClientHeight(), 1));
    picture->Fill(clWhite);
  }
  // The paint boxes as drawn, whatever the grab caught of them.
  const Rect at = Application().ClientPixelRect(*FBox);
  Canvas& c = picture->GetCanvas();
  c.Draw(at.Left, at.Top, *ChartPicture);
  c.Draw(at.Left + LeftMargin, at.Top + TopMargin, *PlotPicture);
  return picture;
}

void TGrfWnd::MnuCopyClick(Component*) { Clipboard().SetPicture(ComposedPicture()); }

void TGrfWnd::MnuSaveClick(Component*) {
  SaveDialog& d = *SavePicDlg;
  d.SetTitle("Save Graphic");
  d.SetFilter(kPictureFilter);
  if (!d.Execute()) return;
  std::string path = d.FileName();
  const std::string ext = LowerExtension(path);
  bool jpeg;
  if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") {
    jpeg = true;
  } else if (ext == ".bmp") {
    jpeg = false;
  } else {
    jpeg = d.FilterIndex() != 2;
    path += jpeg ? ".jpg" : ".bmp";
  }
  if (FileExists(path) &&
      MessageBox(path + "  " + TranslateText("File exists, replace ?"), kSaveAsCaption, mbYesNo | mbIconQuestion) != mrYes)
    return;
  const std::shared_ptr<Picture> picture = ComposedPicture();
  const FileResult saved = jpeg ? SaveJpeg(*picture, path, 90) : SaveBmp(*picture, path);
  if (saved) return;
  const std::string text = path + " can not be saved ! (" + saved.Error + ")";
  PostLogMessage(LevelError, ChartPictureNotSavedId, text);
  MessageBox(text, kSaveAsCaption, mbOk | mbIconError);
}

// ---------------------------------------------------------------------------------------------
// Lunetta

void TGrfWnd::ResetChartCurves() {
  for (int k = 1; k <= ChartYAxisCount; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    if (ComboBox* combo = GrfParaDlg ? GrfParaDlg->ScaleCombo[i] : nullptr) {
      combo->SetItemIndex(3);
      combo->SetVisible(false);
    }
    AxisScaleExponent[i] = 0;
    AxisScaleFactor[i] = 1.0;
  }
}

void TGrfWnd::StoreCurveStates() {
  for (int n = 1; n <= ChartSeriesCount; ++n) {
    ChartSeries& s = Series[static_cast<std::size_t>(n)];
    s.shown = s.checkBox && s.checkBox->Checked() ? 1 : 0;
  }
}

}  // namespace quorel
