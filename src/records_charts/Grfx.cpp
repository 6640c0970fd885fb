#include "records_charts/Grfx.h"

#include <algorithm>
#include <cmath>

#include "platform/Services.h"
#include "records_charts/GrfPara.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/Info.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

TGrfWnd* GrfWnd = nullptr;
SeriesAssignmentTable SeriesAssignment;
std::array<int, ChartAxisCount> AxisScaleExponent{};
std::array<double, ChartAxisCount> AxisScaleFactor = {1, 1, 1, 1, 1, 1, 1, 1, 1};
std::function<void()> ChartPreDrawHook;
std::function<void(Picture& plot, double x)> ChartColumnHook;
std::function<void()> ChartPostDrawHook;
std::function<void(bool autoSize)> AutoSizeChangedHook;

namespace {

// Series 1..30 (31..60 repeat 1..30, 61..80 repeat 1..20, 81..90 are black).
constexpr unsigned char kSeriesColours[30][3] = {
    {0, 0, 255},   {0, 31, 159},  {0, 47, 143},  {0, 63, 127},  {0, 79, 111},  {0, 95, 79},
    {0, 111, 63},  {0, 127, 47},  {0, 143, 31},  {0, 159, 0},   {0, 159, 0},   {47, 143, 0},
    {63, 127, 0},  {79, 111, 0},  {95, 95, 0},   {111, 79, 0},  {127, 63, 0},  {143, 47, 0},
    {159, 31, 0},  {255, 0, 0},   {255, 0, 15},  {159, 0, 31},  {143, 0, 47},  {127, 0, 63},
    {111, 0, 79},  {95, 0, 111},  {79, 0, 127},  {63, 0, 143},  {47, 0, 159},  {0, 0, 255},
};

TColor DefaultSeriesColour(int n) {
  if (n > 80 || n < 1) return clBlack;
  const int i = n <= 60 ? (n - 1) % 30 : (n - 61) % 20;
  return RGB(kSeriesColours[i][0], kSeriesColours[i][1], kSeriesColours[i][2]);
}

// --- pictures of the tool buttons (16 x 16) ---

enum ToolIcon { IconUpdate, IconFit, IconZoomIn, IconZoomOut, IconCollapsY, IconExpandY, IconUp, IconDown,
                IconCollapsX, IconExpandX, IconLeft, IconRight, IconCount };

// A filled triangle pointing in direction (dx, dy) with its tip at (x, y).
void Arrow(Picture& p, int x, int y, int dx, int dy, TColor c) {
  for (int i = 0; i < 4; ++i)
    for (int j = -i; j <= i; ++j) {
      const int px = x - dx * i + (dy != 0 ? j : 0);
      const int py = y - dy * i + (dx != 0 ? j : 0);
      p.SetPixel(px, py, c);
    }
}

void Bar(Picture& p, int x1, int y1, int x2, int y2, TColor c) {
  for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x)
    for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y) p.SetPixel(x, y, c);
}

std::shared_ptr<Picture> MakeToolIcon(int kind) {
  auto p = std::make_shared<Picture>(16, 16);
  p->Fill(RGB(240, 240, 240));
  const TColor ink = RGB(32, 64, 128), mark = RGB(160, 32, 32);
  switch (kind) {
    case IconUpdate: {
      Canvas& c = p->GetCanvas();
      c.Pen.Color = ink;
      c.Brush.Style = BrushStyle::Clear;
      c.Ellipse(2, 2, 14, 14);
      Bar(*p, 8, 1, 11, 3, RGB(240, 240, 240));
      Arrow(*p, 11, 2, 1, 0, ink);
      break;
    }
    case IconFit:
      Bar(*p, 2, 2, 13, 2, ink);
      Bar(*p, 2, 13, 13, 13, ink);
      Bar(*p, 2, 2, 2, 13, ink);
      Bar(*p, 13, 2, 13, 13, ink);
      Bar(*p, 5, 7, 10, 8, mark);
      Arrow(*p, 4, 7, -1, 0, mark);
      Arrow(*p, 11, 7, 1, 0, mark);
      break;
    case IconZoomIn:
      Bar(*p, 2, 7, 13, 8, mark);
      Bar(*p, 7, 0, 8, 2, ink);
      Arrow(*p, 7, 5, 0, 1, ink);
      Bar(*p, 7, 13, 8, 15, ink);
      Arrow(*p, 7, 10, 0, -1, ink);
      break;
    case IconZoomOut:
      Bar(*p, 2, 7, 13, 8, mark);
      Bar(*p, 7, 4, 8, 5, ink);
      Arrow(*p, 7, 0, 0, -1, ink);
      Bar(*p, 7, 10, 8, 11, ink);
      Arrow(*p, 7, 15, 0, 1, ink);
      break;
    case IconCollapsY:
    case IconExpandY:
      Bar(*p, 2, 14, 13, 15, mark);
      Bar(*p, 7, kind == IconCollapsY ? 1 : 7, 8, 12, ink);
      Arrow(*p, 7, kind == IconCollapsY ? 7 : 1, 0, kind == IconCollapsY ? 1 : -1, ink);
      break;
    case IconUp:
    case IconDown:
      Bar(*p, 7, 3, 8, 12, ink);
      Arrow(*p, 7, kind == IconUp ? 1 : 14, 0, kind == IconUp ? -1 : 1, ink);
      break;
    case IconCollapsX:
    case IconExpandX:
      Bar(*p, 0, 2, 1, 13, mark);
      Bar(*p, kind == IconCollapsX ? 8 : 3, 7, kind == IconCollapsX ? 14 : 9, 8, ink);
      Arrow(*p, kind == IconCollapsX ? 8 : 14, 7, kind == IconCollapsX ? -1 : 1, 0, ink);
      break;
    case IconLeft:
    case IconRight:
      Bar(*p, 3, 7, 12, 8, ink);
      Arrow(*p, kind == IconLeft ? 1 : 14, 7, kind == IconLeft ? -1 : 1, 0, ink);
      break;
    default: break;
  }
  return p;
}

// The checked item of a layout pair, as the settings file writes it.
const char* Flag(bool on) { return on ? "1" : "0"; }

std::string TwoDigits(int n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// The window

TGrfWnd::TGrfWnd(Component* owner) : Form(owner, "GrfWnd") {
  GrfWnd = this;
  SetCaption("Graphic");
  SetFormStyle(FormStyle::MDIChild);
  SetBounds(120, 40, 640, 480);

  CoolBar1 = Make<CoolBar>(this, "CoolBar1");
  CoolBar1->SetAlign(Align::Top);
  CoolBar1->SetHeight(28);
  ToolImages = Make<ImageList>(this, "ToolImages");
  for (int i = 0; i < IconCount; ++i) ToolImages->Add(MakeToolIcon(i));
  ToolBar1 = Make<ToolBar>(CoolBar1, "ToolBar1");
  ToolBar1->SetAlign(Align::Top);
  ToolBar1->SetHeight(26);
  ToolBar1->SetImages(ToolImages);
  ToolBar1->SetShowHint(true);
  auto tool = [this](const char* name, const char* hint, int image) {
    ToolButton* b = MakeToolButton(ToolBar1, name, "", hint);
    b->SetImageIndex(image);
    return b;
  };
  BtnUpdate = tool("BtnUpdate", "Update", IconUpdate);
  BtnGraFit = tool("BtnGraFit", "Autosize Graphics Coordinates", IconFit);
  BtnGraFit->SetStyle(ToolButtonStyle::Check);
  BtnGraFit->SetDown(true);  // the axes follow the data unless the user says otherwise
  MakeToolButton(ToolBar1, "ToolSep1", "", "")->SetStyle(ToolButtonStyle::Separator);
  BtnVertZoomIn = tool("BtnVertZoomIn", "Zoom In", IconZoomIn);
  BtnVertZoomOut = tool("BtnVertZoomOut", "Zoom Out", IconZoomOut);
  BtnVertCollaps = tool("BtnVertCollaps", "Collapse", IconCollapsY);
  BtnVertExpand = tool("BtnVertExpand", "Expand", IconExpandY);
  BtnMoveUp = tool("BtnMoveUp", "Move Up", IconUp);
  BtnMoveDown = tool("BtnMoveDown", "Move Down", IconDown);
  MakeToolButton(ToolBar1, "ToolSep2", "", "")->SetStyle(ToolButtonStyle::Separator);
  BtnCollapsX = tool("BtnCollapsX", "Collapse X", IconCollapsX);
  BtnExpandX = tool("BtnExpandX", "Expand X", IconExpandX);
  BtnMoveLeft = tool("BtnMoveLeft", "Move Left", IconLeft);
  BtnMoveRight = tool("BtnMoveRight", "Move Right", IconRight);
  MakeToolButton(ToolBar1, "ToolSep3", "", "")->SetStyle(ToolButtonStyle::Separator);
  CBVarID = Make<ComboBox>(ToolBar1, "CBVarID");
  CBVarID->SetStyle(ComboStyle::DropDownList);
  CBVarID->SetWidth(110);
  CBVarID->SetHint("Axis");
  CBVarID->Items().Add("[all]");
  CBVarID->SetItemIndex(0);

  PanelSize = Make<Panel>(CoolBar1, "PanelSize");
  PanelSize->SetAlign(Align::Top);
  PanelSize->SetHeight(28);
  PanelSize->SetCaption("Grafik Size");
  PanelSize->SetAlignment(TextAlign::Left);
  PanelSize->SetVisible(false);
  EdtSizeWidth = Make<Edit>(PanelSize, "EdtSizeWidth");
  EdtSizeWidth->SetBounds(90, 3, 48, 22);
  UpDownHorz = Make<UpDown>(PanelSize, "UpDownHorz");
  UpDownHorz->SetBounds(138, 3, 16, 22);
  UpDownHorz->SetTag(1);
  UpDownHorz->SetRange(200, 1000);
  EdtSizeHeigh = Make<Edit>(PanelSize, "EdtSizeHeigh");
  EdtSizeHeigh->SetBounds(162, 3, 48, 22);
  UpDownVert = Make<UpDown>(PanelSize, "UpDownVert");
  UpDownVert->SetBounds(210, 3, 16, 22);
  UpDownVert->SetTag(2);
  UpDownVert->SetRange(200, 1000);
  BtnSizeSet = Make<Button>(PanelSize, "BtnSizeSet");
  BtnSizeSet->SetCaption("Set");
  BtnSizeSet->SetBounds(234, 2, 50, 24);
  BtnAutoSize = Make<Button>(PanelSize, "BtnAutoSize");
  BtnAutoSize->SetCaption("Auto Size");
  BtnAutoSize->SetBounds(290, 2, 70, 24);

  StBar = Make<StatusBar>(this, "StBar");
  StBar->SetAlign(Align::Bottom);
  StBar->SetHeight(19);
  for (int w : {128, 192, 128, 192}) StBar->AddPanel(w);

  PnlVarbox = Make<Panel>(this, "PnlVarbox");
  PnlVarbox->SetAlign(Align::Left);
  PnlVarbox->SetWidth(120);
  PnlVarbox->SetBevelOuter(BevelStyle::None);
  for (int k = 1; k <= ChartYAxisCount; ++k) {
    GroupBox* g = Make<GroupBox>(PnlVarbox, "GbxY" + std::to_string(k));
    g->SetCaption("[Y" + std::to_string(k) + "]");
    g->SetTag(k - 1);
    g->SetAlign(Align::Top);
    g->SetBounds(0, 0, 120, 60);
    g->SetVisible(k == 1);
    GbxY[k] = g;
    if (k < ChartYAxisCount) {
      Splitter* s = Make<Splitter>(PnlVarbox, "Spl" + std::to_string(k) + std::to_string(k + 1));
      s->SetAlign(Align::Top);
      s->SetHeight(4);
      s->SetMinSize(32);
      s->SetVisible(false);
      SplY[k] = s;
    }
  }
  Splitter1 = Make<Splitter>(this, "Splitter1");
  Splitter1->SetAlign(Align::Left);
  Splitter1->SetWidth(4);
  Splitter1->SetMinSize(40);

  FBox = Make<PaintBox>(this, "FBox");
  FBox->SetPixelExact(true);
  FBox->SetBounds(128, 30, 500, 400);
  GBox = Make<PaintBox>(FBox, "GBox");
  GBox->SetPixelExact(true);
  ColorDialog1 = Make<ColorDialog>(this, "ColorDialog1");
  SavePicDlg = Make<SaveDialog>(this, "SavePicDlg");

  MainMenu1 = Make<MainMenu>(this, "MainMenu1");
  SetMenu(MainMenu1);
  MnuGraphic = MainMenu1->Add("MnuGraphic", "Graphic");
  MnuUpdate = MnuGraphic->Add("MnuUpdate", "Update");
  MnuFormatAxis = MnuGraphic->Add("MnuFormatAxis", "Format Axis");
  MnuVarDef = MnuGraphic->Add("MnuVarDef", "Variable Definition");
  MnuVarDef->SetVisible(false);
  MnuGrfSrc = MnuGraphic->Add("MnuGrfSrc", "Source");
  MnuGrfSrc->SetVisible(false);
  MnuFreeSize = MnuGraphic->Add("MnuFreeSize", "Graphic Size");
  MnuFreeSize->SetShortCut(ShortCut('S', ssCtrl));
  MnuGraphic->AddSeparator("MnuSep1");
  MnuCopy = MnuGraphic->Add("MnuCopy", "Copy");
  MnuSave = MnuGraphic->Add("MnuSave", "Save as ..");
  MnuGraphic->AddSeparator("MnuSep3");
  MnuClose = MnuGraphic->Add("MnuClose", "Close");
  MnuSettings = MainMenu1->Add("MnuSettings", "Settings");
  MnuStyle = MnuSettings->Add("MnuStyle", "Style");
  MnuStylePoint = MnuStyle->Add("MnuStylePoint", "Point");
  MnuStylePoint->SetTag(0);
  MnuStyleLine = MnuStyle->Add("MnuStyleLine", "Line");
  MnuStyleLine->SetTag(1);
  MnuStyleLine->SetChecked(true);
  MnuPen = MnuSettings->Add("MnuPen", "Pen");
  MnuThin = MnuPen->Add("MnuThin", "Thin");
  MnuThin->SetTag(1);
  MnuThin->SetChecked(true);
  MnuBold = MnuPen->Add("MnuBold", "Bold");
  MnuBold->SetTag(2);
  MnuColors = MnuSettings->Add("MnuColors", "Colors");
  const char* const colourItems[5] = {"Inside", "Outside", "Frame", "Scale", "Font"};
  for (int t = 0; t < 5; ++t) {
    MnuColor[t] = MnuColors->Add("MnuColor" + std::to_string(t), colourItems[t]);
    MnuColor[t]->SetTag(t);
  }
  MnuFont = MnuSettings->Add("MnuFont", "Font");
  const char* const sizes[4] = {"4 x 8", "6 x 10", "7 x 11", "9 x 16"};
  const int sizeTags[4] = {8, 10, 11, 16};
  for (int i = 0; i < 4; ++i) {
    MnuFS[i] = MnuFont->Add("MnuFS" + std::to_string(sizeTags[i]), sizes[i]);
    MnuFS[i]->SetTag(sizeTags[i]);
  }
  MnuFontSelect = MnuFont->Add("MnuFontSelect", "Select");
  MnuLayout = MnuSettings->Add("MnuLayout", "Layout");
  MnuLayToolBar = MnuLayout->Add("MnuLayToolBar", "Tool Bar");
  MnuLayVarBox = MnuLayout->Add("MnuLayVarBox", "Variable Box");
  MnuLayStBar = MnuLayout->Add("MnuLayStBar", "Statusbar");
  for (MenuItem* m : {MnuLayToolBar, MnuLayVarBox, MnuLayStBar}) {
    m->SetTag(1);
    m->SetChecked(true);
  }
  MnuFollowTime = MnuSettings->Add("MnuFollowTime", "Follow Time");
  MnuFollowTime->SetTag(1);
  MnuSep2 = MnuSettings->AddSeparator("MnuSep2");
  MnuSaveNow = MnuSettings->Add("MnuSaveNow", "Save Now");
  MnuSaveNow->SetVisible(false);
  MnuSaveByExit = MnuSettings->Add("MnuSaveByExit", "Save by Exit");
  MnuSaveByExit->SetVisible(false);
  MnuInformation = MainMenu1->Add("MnuInformation", "Information");
  MnuMessages = MnuInformation->Add("MnuMessages", "Messages");
  MnuAbout = MnuInformation->Add("MnuAbout", "About");

  PopupGraphic = Make<PopupMenu>(this, "PopupGraphic");
  PopFormat = PopupGraphic->Add("PopFormat", "Format");
  PopVarDef = PopupGraphic->Add("PopVarDef", "Variable");
  PopVarDef->SetVisible(false);
  PopUpdate = PopupGraphic->Add("PopUpdate", "Update");
  PopCopy = PopupGraphic->Add("PopCopy", "Copy");
  PopColors = PopupGraphic->Add("PopColors", "Colors");
  const char* const popColourItems[5] = {"Inside", "Outside", "Frame", "Scale", "Text Color"};
  for (int t = 0; t < 5; ++t) {
    PopColor[t] = PopColors->Add("PopColor" + std::to_string(t), popColourItems[t]);
    PopColor[t]->SetTag(t);
  }
  PopupGraphic->AddSeparator("PopSep1");
  PopToolBar = PopupGraphic->Add("PopToolBar", "ToolBar");
  PopVarBox = PopupGraphic->Add("PopVarBox", "Variable Box");
  PopStBar = PopupGraphic->Add("PopStBar", "Status Bar");
  PopShowMenu = PopupGraphic->Add("PopShowMenu", "Show Menu");
  for (MenuItem* m : {PopToolBar, PopVarBox, PopStBar, PopShowMenu}) {
    m->SetTag(0);
    m->SetChecked(true);
  }
  PopFollowTime = PopupGraphic->Add("PopFollowTime", "Follow Time");
  PopFollowTime->SetTag(0);
  PopFollowTime->SetVisible(false);  // only on a time axis
  PopupGraphic->AddSeparator("PopSep2");
  PopShowMsg = PopupGraphic->Add("PopShowMsg", "Messages");
  FBox->SetPopupMenu(PopupGraphic);
  GBox->SetPopupMenu(PopupGraphic);

  PopupVar = Make<PopupMenu>(this, "PopupVar");
  PopVariable = PopupVar->Add("PopVariable", "Variable");
  PopGrfStyle = PopupVar->Add("PopGrfStyle", "Style");
  PopGStylePoint = PopGrfStyle->Add("PopGStylePoint", "Point");
  PopGStylePoint->SetTag(0);
  PopGStyleLine = PopGrfStyle->Add("PopGStyleLine", "Line");
  PopGStyleLine->SetTag(1);
  PopColor1 = PopupVar->Add("PopColor1", "Color");
  PopGrfPen = PopupVar->Add("PopGrfPen", "Pen");
  PopPenThin = PopGrfPen->Add("PopPenThin", "Thin");
  PopPenThin->SetTag(1);
  PopPenBold = PopGrfPen->Add("PopPenBold", "Bold");
  PopPenBold->SetTag(2);
  PopupVar->AddSeparator("PopSep3");
  PopSelectAll = PopupVar->Add("PopSelectAll", "Select All");
  PopSelectAll->SetTag(1);
  PopDeselectAll = PopupVar->Add("PopDeselectAll", "Deselect All");
  PopDeselectAll->SetTag(0);
  for (int k = 1; k <= ChartYAxisCount; ++k) GbxY[k]->SetPopupMenu(PopupVar);

  WireCommands();
  FormCreate();
  DoCreate();
  Show();  // an MDI child is shown when it is made
}

TGrfWnd::~TGrfWnd() {
  FormDestroy();
  DoDestroy();
  if (GrfWnd == this) GrfWnd = nullptr;
}

void TGrfWnd::WireCommands() {
  // The user's Update fits the axes anew while auto size is on.
  auto update = [this](Component* s) {
    if (AutoSize() && AutoSizeChangedHook) AutoSizeChangedHook(true);
    MnuUpdateClick(s);
  };
  BtnUpdate->OnClick = update;
  MnuUpdate->OnClick = update;
  PopUpdate->OnClick = update;
  BtnGraFit->OnClick = [this](Component* s) { BtnGraFitClick(s); };
  MnuFormatAxis->OnClick = [this](Component* s) { FormatAxisClick(s); };
  PopFormat->OnClick = [this](Component* s) { FormatAxisClick(s); };
  CBVarID->OnChange = [this](Component* s) { CbVarIDChange(s); };
  MnuClose->OnClick = [this](Component* s) { MnuCloseClick(s); };
  auto messages = [](Component*) {
    if (AplMsgWnd) AplMsgWnd->ShowInFront();
  };
  MnuMessages->OnClick = messages;
  PopShowMsg->OnClick = messages;
  MnuAbout->OnClick = [](Component*) {
    if (!InfoDlg) return;
    InfoDlg->Show();
    InfoDlg->BringToFront();
  };
  for (MenuItem* m : {MnuStylePoint, MnuStyleLine}) m->OnClick = [this](Component* s) { MnuStyleClick(s); };
  for (MenuItem* m : MnuColor) m->OnClick = [this](Component* s) { PopColorsClick(s); };
  for (MenuItem* m : PopColor) m->OnClick = [this](Component* s) { PopColorsClick(s); };
  for (MenuItem* m : MnuFS) m->OnClick = [this](Component* s) { MnuFSClick(s); };
  MnuFontSelect->OnClick = [this](Component* s) { MnuFontSelectClick(s); };
  for (MenuItem* m : {MnuLayToolBar, MnuLayVarBox, MnuLayStBar, PopToolBar, PopVarBox, PopStBar, PopShowMenu})
    m->OnClick = [this](Component* s) { LayoutCheckClick(s); };
  MnuSaveNow->OnClick = [this](Component* s) { MnuSaveNowClick(s); };
  // Navigation.
  BtnVertZoomIn->OnClick = [this](Component* s) { BtnZoomInYClick(s); };
  BtnVertZoomOut->OnClick = [this](Component* s) { BtnZoomOutYClick(s); };
  BtnVertCollaps->OnClick = [this](Component* s) { BtnCollapsYClick(s); };
  BtnVertExpand->OnClick = [this](Component* s) { BtnExpandYClick(s); };
  BtnMoveUp->OnClick = [this](Component* s) { BtnMoveUpClick(s); };
  BtnMoveDown->OnClick = [this](Component* s) { BtnMoveDownClick(s); };
  BtnCollapsX->OnClick = [this](Component* s) { BtnCollapsXClick(s); };
  BtnExpandX->OnClick = [this](Component* s) { BtnExpandXClick(s); };
  BtnMoveLeft->OnClick = [this](Component* s) { BtnMoveLeftClick(s); };
  BtnMoveRight->OnClick = [this](Component* s) { BtnMoveRightClick(s); };
  GBox->OnMouseMove = [this](Component*, ShiftState shift, int x, int y) { GBoxMouseMove(shift, x, y); };
  // The series and their popup.
  PopupVar->OnPopup = [this](Component* s) { PopupVarPopup(s); };
  for (MenuItem* m : {PopSelectAll, PopDeselectAll}) m->OnClick = [this](Component* s) { PopSelectionAllClick(s); };
  PopColor1->OnClick = [this](Component* s) { PopColorClick(s); };
  for (MenuItem* m : {PopGStylePoint, PopGStyleLine}) m->OnClick = [this](Component* s) { PopGStyleClick(s); };
  for (MenuItem* m : {PopPenThin, PopPenBold}) m->OnClick = [this](Component* s) { PopGrfPenWidth(s); };
  for (MenuItem* m : {MnuThin, MnuBold}) m->OnClick = [this](Component* s) { MnuThinClick(s); };
  for (MenuItem* m : {MnuFollowTime, PopFollowTime}) m->OnClick = [this](Component* s) { MnuFollowTimeClick(s); };
  Splitter1->OnMoved = [this](Component* s) { Splitter1Moved(s); };
  // The free size and the picture.
  MnuFreeSize->OnClick = [this](Component* s) { MnuFreeSizeClick(s); };
  BtnSizeSet->OnClick = [this](Component* s) { SetSizeClick(s); };
  BtnAutoSize->OnClick = [this](Component* s) { BtnAutoSizeClick(s); };
  for (UpDown* u : {UpDownHorz, UpDownVert})
    u->OnArrowClick = [this](Component* s, UpDownButton b) { UpDownVertSizeClick(s, b); };
  for (Edit* e : {EdtSizeWidth, EdtSizeHeigh})
    e->OnKeyDown = [this](Component* s, int& key, ShiftState shift) { EdtSizesKeyDown(s, key, shift); };
  for (MenuItem* m : {MnuCopy, PopCopy}) m->OnClick = [this](Component* s) { MnuCopyClick(s); };
  MnuSave->OnClick = [this](Component* s) { MnuSaveClick(s); };

  FBox->OnPaint = [this](Component*) { FormPaint(); };
  FBox->OnResize = [this](Component*) { FormResize(); };
  OnResize = [this](Component*) {
    // Restored from its icon, the window paints again (a restore need not activate it).
    if (GetWindowState() != WindowState::Minimized && Visible()) CanPaint = true;
    FormResize();
  };
  OnActivate = [this](Component*) { CanPaint = true; };
  OnShow = [this](Component*) { CanPaint = true; };
  OnClose = [this](Component*, CloseAction&) { CanPaint = false; };
}

bool TGrfWnd::AutoSize() const { return BtnGraFit->Down(); }

void TGrfWnd::FormCreate() {
  CanPaint = GetFormStyle() == FormStyle::MDIChild;
  OneSecond = EncodeDateTime({1899, 12, 30, 0, 0, 2}) - EncodeDateTime({1899, 12, 30, 0, 0, 1});
  ChartPicture = std::make_shared<Picture>();
  PlotPicture = std::make_shared<Picture>();
  FBox->SetRaster(ChartPicture);
  GBox->SetRaster(PlotPicture);
  FBox->SetAlign(Align::Client);
  ClearChartData();
  Points.capacity = 0;
  GrowChartStore(256);
  for (int n = 0; n <= ChartSeriesCount; ++n) {
    ChartSeries& s = Series[static_cast<std::size_t>(n)];
    s = ChartSeries{};
    s.colour = n == 0 ? clBlack : DefaultSeriesColour(n);
  }
  CurrentMarkerRadius = 3;
  AxisScaleFactor.fill(1.0);
  AxisScaleExponent.fill(0);
  for (int i = 1; i < ChartColumnCount; ++i) SeriesAssignment.axisComboMap[static_cast<std::size_t>(i)] = i;
  SeriesAssignment.axisComboMap[0] = 0;
  SeriesAssignment.count = 0;
  SeriesAssignment.seriesNumber[0] = 0;
  SeriesAssignment.column[0] = 0;
  GrafBG = RGB(255, 255, 255);
  GrafFrame = RGB(0, 0, 0);
  GrafScale = RGB(192, 192, 192);
  GrafFG = RGB(255, 255, 255);
  GrafFntCol = RGB(0, 0, 0);
  FramePenWidth = 1;
  ChartFont = Font();
  ChartFont.Color = GrafFntCol;
  struct Default {
    bool include;
    int tiles;
    double from, to;
    const char* name;
  };
  const Default defaults[ChartAxisCount] = {
      {true, 5, 300, 800, "X [T]"},        {true, 10, 0, 100, "Cp[J/mol K]"},  {false, 10, -1000, 1000, "H[J/mol]"},
      {true, 10, 0, 100, "S[J/mol K]"},    {false, 10, -1000, 1000, "G[J/mol]"}, {false, 10, 0, 2, "Z [-]"},
      {false, 10, 0, 2, "V[m3/mol]"},      {false, 10, 0, 100, "Y7 [-]"},      {false, 10, 0, 100, "Y8 [-]"},
  };
  for (int k = 0; k < ChartAxisCount; ++k) {
    const Default& d = defaults[k];
    Axis[static_cast<std::size_t>(k)] = ChartAxis{d.include, false, d.tiles, d.from, d.to, d.name};
  }
  ComputeAxisRanges();
  ChartPreDrawHook = nullptr;
  ChartColumnHook = nullptr;
  ChartPostDrawHook = nullptr;
}

void TGrfWnd::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  HideSeries(-1);
  Points.capacity = 0;
  Points.count = 0;
  Points.newest = -1;
  Points.rawX.clear();
  for (auto& c : Points.columns) c.clear();
}

// ---------------------------------------------------------------------------------------------
// The point store

double ChartValueOfCell(const std::string& text) {
  const std::string t = Trim(text);
  long double v = 0;
  if (t.empty() || !TryTextToFloat(t, v) || !std::isfinite(static_cast<double>(v))) return NoChartValue;
  return static_cast<double>(v);
}

void TGrfWnd::AddChartValue(int index, double value) {
  if (index == 0) {
    Points.count += 1;
    if (Points.capacity < Points.count) GrowChartStore(256);
    Points.newest = Points.count - 1;
    const std::size_t i = static_cast<std::size_t>(Points.newest);
    Points.rawX[i] = value;
    // A new point starts with no series value: a series not fed for it has a gap there.
    for (int c = 1; c < ChartColumnCount; ++c) Points.columns[static_cast<std::size_t>(c)][i] = NoChartValue;
    if (Points.newest == 0 && xTime > 0) SetTimeOrigin(Points.rawX[0]);
    Points.columns[0][i] = xTime > 0 ? (Points.rawX[i] - TimeOrigin) / OneSecond : Points.rawX[i];
    return;
  }
  Points.newest = Points.count - 1;
  if (index >= 1 && index <= ChartSeriesCount && Points.newest >= 0)
    Points.columns[static_cast<std::size_t>(index)][static_cast<std::size_t>(Points.newest)] = value;
}

void TGrfWnd::ClearChartData() {
  Points.count = 0;
  Points.newest = -1;
}

void TGrfWnd::SetTimeOrigin(double x) {
  if (x <= 0) x = DateTimeNow();
  TimeOrigin = WholeHourOf(x);
}

void TGrfWnd::GrowChartStore(int step) {
  Points.capacity += step;
  const std::size_t n = static_cast<std::size_t>(std::max(Points.capacity, 0));
  Points.rawX.resize(n, 0.0);
  for (auto& c : Points.columns) c.resize(n, 0.0);
}

// ---------------------------------------------------------------------------------------------
// Series and axis groups

void TGrfWnd::ShowSeriesCheckBox(int n, const std::string& caption) {
  if (n < 1 || n > ChartSeriesCount) return;
  const int g = (n - 1) / 10 + 1;
  const int r = n - 10 * ((n - 1) / 10);
  if (g < 1 || g > ChartYAxisCount) return;
  ChartSeries& s = Series[static_cast<std::size_t>(n)];
  if (!s.checkBox) {
    // A new series takes the default style and pen.
    s.style = Series[0].style;
    s.penWidth = Series[0].penWidth;
    GroupBox* box = GbxY[static_cast<std::size_t>(g)];
    CheckBox* c = Make<CheckBox>(box, "CbxImg" + std::to_string(n));
    // 16 pixels a row; the box takes all but one of them, so its caption is not cut.
    c->SetBounds(4, 18 + 16 * (r - 1), std::max(box->Width() - 18, 16), 15);
    c->SetTag(n);
    c->OnClick = [this](Component* sender) { CbxImgClick(sender); };
    c->OnKeyDown = [this](Component* sender, int& key, ShiftState shift) { CbxImgKeyDown(sender, key, shift); };
    c->SetPopupMenu(PopupVar);
    FontInfo f = c->Font();
    f.Color = s.colour;
    f.Bold = s.penWidth >= 2;
    c->SetFont(f);
    c->SetChecked(s.shown != 0);
    s.checkBox = c;
  }
  s.checkBox->SetVisible(true);
  s.shown = s.checkBox->Checked() ? 1 : 0;
  s.checkBox->SetCaption(caption.empty() ? "y" + std::to_string(n) : caption);
}

void TGrfWnd::HideSeries(int n) {
  const bool was = SuppressCheckBoxClicks;
  SuppressCheckBoxClicks = true;
  auto hide = [](ChartSeries& s) {
    s.shown = 0;
    if (s.checkBox) {
      s.checkBox->SetVisible(false);
      s.checkBox->SetChecked(false);
    }
  };
  if (n >= 1 && n <= ChartSeriesCount) {
    hide(Series[static_cast<std::size_t>(n)]);
  } else if (n == 0) {
    for (int i = 1; i <= ChartSeriesCount; ++i)
      if (Series[static_cast<std::size_t>(i)].checkBox) hide(Series[static_cast<std::size_t>(i)]);
  } else if (n == -1) {
    for (int i = 1; i <= ChartSeriesCount; ++i) {
      ChartSeries& s = Series[static_cast<std::size_t>(i)];
      s.shown = 0;
      if (s.checkBox) {
        Component* owner = s.checkBox->Owner();
        CheckBox* box = s.checkBox;
        s.checkBox = nullptr;
        if (owner && !destroyed_) owner->DestroyChild(box);
      }
    }
  }
  SuppressCheckBoxClicks = was;
}

void TGrfWnd::SyncSeriesCheckBox(int n) {
  if (n < 1 || n > ChartSeriesCount) return;
  ChartSeries& s = Series[static_cast<std::size_t>(n)];
  if (!s.checkBox) {
    s.shown = 0;
    return;
  }
  // A series is drawn only with its box on view; the box shows whether it is drawn.
  s.shown = (s.shown != 0 && s.checkBox->Visible()) ? 1 : 0;
  const bool was = SuppressCheckBoxClicks;
  SuppressCheckBoxClicks = true;
  s.checkBox->SetChecked(s.shown != 0);
  SuppressCheckBoxClicks = was;
}

void TGrfWnd::LayoutAxisGroups(unsigned mask, bool sync) {
  mask &= 0xFFFF;
  SeriesAssignment.axisComboMap.fill(0);
  CBVarID->Items().Assign({"[all]"});
  CBVarID->SetItemIndex(0);
  auto colour = [this](GroupBox* g) {
    g->SetColor(GrafFG);
    FontInfo f = g->Font();
    f.Color = GrafFntCol;
    g->SetFont(f);
  };
  auto addItem = [this](GroupBox* g, int k) {
    const int item = CBVarID->Items().Add(g->Caption());
    if (item >= 0 && item < ChartColumnCount) SeriesAssignment.axisComboMap[static_cast<std::size_t>(item)] = k;
  };
  if (mask > 1) {
    int b = 0;
    for (int k = 1; k <= ChartYAxisCount; ++k) {
      const bool shown = (mask >> (k - 1)) & 1u;
      GroupBox* g = GbxY[static_cast<std::size_t>(k)];
      g->SetVisible(shown);
      if (SplY[static_cast<std::size_t>(k)]) SplY[static_cast<std::size_t>(k)]->SetVisible(shown);
      if (sync && GrfParaDlg && GrfParaDlg->Sheet[static_cast<std::size_t>(k)])
        GrfParaDlg->Sheet[static_cast<std::size_t>(k)]->SetTabVisible(shown);
      if (!shown) continue;
      colour(g);
      addItem(g, k);
      b = k;
    }
    const int h = (PnlVarbox->Height() - 5 * b) / b;
    int pos = 0;
    for (int k = 1; k < b; ++k) {
      GroupBox* g = GbxY[static_cast<std::size_t>(k)];
      if (!g->Visible()) continue;
      g->SetAlign(Align::Top);
      g->SetBounds(g->Left(), pos, g->Width(), std::max(h, 32));
      pos += g->Height();
      if (Splitter* s = SplY[static_cast<std::size_t>(k)]) {
        s->SetBounds(s->Left(), pos, s->Width(), s->Height());
        pos += s->Height();
      }
    }
    GroupBox* last = GbxY[static_cast<std::size_t>(b)];
    last->SetBounds(last->Left(), pos, last->Width(), last->Height());
    last->SetAlign(Align::Client);
    if (Splitter* s = SplY[static_cast<std::size_t>(b)]) s->SetVisible(false);
    return;
  }
  for (int k = 2; k <= ChartYAxisCount; ++k) GbxY[static_cast<std::size_t>(k)]->SetVisible(false);
  for (int k = 1; k < ChartYAxisCount; ++k) SplY[static_cast<std::size_t>(k)]->SetVisible(false);
  GroupBox* g = GbxY[1];
  g->SetVisible(true);
  g->SetAlign(Align::Client);
  addItem(g, 1);
  colour(g);
  // The format dialog's pages follow the groups: Y1's alone.
  if (sync && GrfParaDlg)
    for (int k = 1; k <= ChartYAxisCount; ++k)
      if (TabSheet* sheet = GrfParaDlg->Sheet[static_cast<std::size_t>(k)]) sheet->SetTabVisible(k == 1);
}

void TGrfWnd::ApplyGroupBoxColour() {
  for (int k = 1; k <= ChartYAxisCount; ++k) GbxY[static_cast<std::size_t>(k)]->SetColor(GrafFG);
}

void TGrfWnd::ApplyChartTextColour() {
  ChartFont.Color = GrafFntCol;
  for (int k = 1; k <= ChartYAxisCount; ++k) {
    GroupBox* g = GbxY[static_cast<std::size_t>(k)];
    FontInfo f = g->Font();
    f.Color = GrafFntCol;
    g->SetFont(f);
  }
}

void TGrfWnd::ComputeAxisRanges() {
  for (int k = 0; k < ChartAxisCount; ++k)
    AxisRange[static_cast<std::size_t>(k)] = Axis[static_cast<std::size_t>(k)].to - Axis[static_cast<std::size_t>(k)].from;
}

void TGrfWnd::CbxImgClick(Component* sender) {
  if (SuppressCheckBoxClicks || !sender) return;
  const int n = sender->Tag();
  auto* box = dynamic_cast<CheckBox*>(sender);
  if (!box || n < 1 || n > ChartSeriesCount) return;
  Series[static_cast<std::size_t>(n)].shown = box->Checked() ? 1 : 0;
  // With auto size on, the axes follow the series now shown.
  if (AutoSize() && AutoSizeChangedHook) AutoSizeChangedHook(true);
  MnuUpdateClick(nullptr);
}

void TGrfWnd::CbxImgKeyDown(Component* sender, int& key, ShiftState) {
  if (!sender || (key != Key::OemPlus && key != Key::OemMinus)) return;
  const int n = sender->Tag();
  if (n < 1 || n > ChartSeriesCount) return;
  int& r = Series[static_cast<std::size_t>(n)].markerRadius;
  r += key == Key::OemPlus ? 1 : -1;
  if (r < 1) r = 2;
  if (r > 8) r = 8;
  MnuUpdateClick(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Window commands

void TGrfWnd::MnuUpdateClick(Component* sender) {
  if (!sender && !CanPaint) return;
  RedrawNeeded = true;
  FormPaint();
}

void TGrfWnd::InitChartWindow() {
  if (GrfParaDlg) {
    for (int k = 0; k < ChartAxisCount; ++k) GrfParaDlg->LoadAxisPage(k, Axis[static_cast<std::size_t>(k)]);
    for (int k = 0; k < ChartAxisCount; ++k)
      for (Edit* e : {GrfParaDlg->FromEdit[static_cast<std::size_t>(k)], GrfParaDlg->ToEdit[static_cast<std::size_t>(k)],
                      GrfParaDlg->TileEdit[static_cast<std::size_t>(k)]})
        if (e) e->OnKeyDown = [this](Component* s, int& key, ShiftState shift) { FtextKeyDown(s, key, shift); };
  }
  BtnGraFitClick(nullptr);  // the format dialog's Auto Size boxes follow the flag
  LayoutAxisGroups(0, true);
  const std::vector<std::string> args = Application().Arguments();
  if (!args.empty()) {
    const std::size_t at = args[0].find("SID=");
    if (at != std::string::npos) {
      SetCaption("Process Graphic [" + args[0].substr(at + 4) + "]");
      CanPaint = true;
      MnuUpdateClick(nullptr);
    }
  }
}

void TGrfWnd::FormatAxisClick(Component* sender) {
  if (!GrfParaDlg) return;
  TGrfParaDlg& d = *GrfParaDlg;
  if (xTime > 0) {
    d.CBxTime->SetItemIndex(xTime == 60 ? 1 : xTime == 3600 ? 2 : 0);
    d.CBlX->SetChecked(false);
    Axis[0].log = false;
  }
  d.CBlX->SetVisible(xTime <= 0 && d.CBlX->Enabled());
  for (int k = 0; k < ChartAxisCount; ++k) d.LoadAxisPage(k, Axis[static_cast<std::size_t>(k)]);
  if (sender) {
    d.Show();
    d.BringToFront();
  }
}

void TGrfWnd::GrfParaDlgData() {
  if (!GrfParaDlg) return;
  TGrfParaDlg& d = *GrfParaDlg;
  // Every shown page is checked first; the axes change only when all of them are regular.
  const auto axes = Axis;
  const auto exponents = AxisScaleExponent;
  const auto factors = AxisScaleFactor;
  d.ValidFlag = true;
  d.ValidateAxisPage(0, Axis[0]);
  for (int k = 1; k <= ChartYAxisCount; ++k)
    if (d.PageShown(k)) d.ValidateAxisPage(k, Axis[static_cast<std::size_t>(k)]);
  if (!d.ValidFlag) {
    Axis = axes;
    AxisScaleExponent = exponents;
    AxisScaleFactor = factors;
    return;
  }
  if (d.CBxTime->Visible()) {
    const int u = d.TimeUnit();
    Axis[0].from *= u;
    Axis[0].to *= u;
    xTime = u;
  }
  ApplyTimeUnit();
  ComputeAxisRanges();
  MnuUpdateClick(nullptr);
  CbVarIDChange(nullptr);
}

void TGrfWnd::FtextKeyDown(Component* sender, int& key, ShiftState) {
  if (!GrfParaDlg || !sender) return;
  TGrfParaDlg& d = *GrfParaDlg;
  if (key == Key::Enter) {
    key = 0;
    const int k = sender->Tag();
    if (k < 0 || k > ChartYAxisCount) return;
    d.ValidFlag = true;
    d.ValidateAxisPage(k, Axis[static_cast<std::size_t>(k)]);
    if (!d.ValidFlag) return;
    if (k == 0 && xTime > 0 && d.CBxTime->Visible()) {
      const int u = d.TimeUnit();
      Axis[0].from *= u;
      Axis[0].to *= u;
    }
    ComputeAxisRanges();
    MnuUpdateClick(nullptr);
  } else if (key == Key::Escape) {
    key = 0;
    d.Close();
  }
}

void TGrfWnd::CbVarIDChange(Component*) {
  const int item = CBVarID->ItemIndex();
  const int k = item >= 0 && item < ChartColumnCount ? SeriesAssignment.axisComboMap[static_cast<std::size_t>(item)] : 0;
  if (k < 1 || k > ChartYAxisCount) {
    StBar->SetPanelText(2, "");
    return;
  }
  std::string text = CBVarID->Items()[item];
  const std::string suffix = ScaleSuffix(k);
  if (!suffix.empty()) text += " " + suffix;
  StBar->SetPanelText(2, text);
}

void TGrfWnd::BtnGraFitClick(Component* sender) {
  const bool on = AutoSize();
  if (GrfParaDlg) {
    TGrfParaDlg& d = *GrfParaDlg;
    for (int k = 1; k <= ChartYAxisCount; ++k)
      if (CheckBox* b = d.AutoSizeBox[static_cast<std::size_t>(k)]) {
        b->SetVisible(on);
        if (on) b->SetChecked(Axis[static_cast<std::size_t>(k)].include);
      }
    d.Cbas0->SetVisible(on);
    if (on) d.Cbas0->SetChecked(true);
  }
  if (sender && AutoSizeChangedHook) AutoSizeChangedHook(on);
}

void TGrfWnd::MnuStyleClick(Component* sender) {
  if (sender) Series[0].style = sender->Tag();
  MnuStylePoint->SetChecked(Series[0].style == 0);
  MnuStyleLine->SetChecked(Series[0].style != 0);
  for (int n = 1; n <= ChartSeriesCount; ++n) Series[static_cast<std::size_t>(n)].style = Series[0].style;
}

void TGrfWnd::LayoutCheckClick(Component* sender) {
  auto* item = dynamic_cast<MenuItem*>(sender);
  if (item) {
    item->SetChecked(!item->Checked());
    if (item->Tag() == 0) {
      MnuLayToolBar->SetChecked(PopToolBar->Checked());
      MnuLayStBar->SetChecked(PopStBar->Checked());
      MnuLayVarBox->SetChecked(PopVarBox->Checked());
    } else {
      PopToolBar->SetChecked(MnuLayToolBar->Checked());
      PopStBar->SetChecked(MnuLayStBar->Checked());
      PopVarBox->SetChecked(MnuLayVarBox->Checked());
    }
    RedrawNeeded = true;
  }
  ToolBar1->SetVisible(PopToolBar->Checked());
  StBar->SetVisible(PopStBar->Checked());
  PnlVarbox->SetVisible(PopVarBox->Checked());
  Splitter1->SetVisible(PopVarBox->Checked());
  CoolBar1->SetVisible(PopShowMenu->Checked());
  if (!item) {
    PopToolBar->SetChecked(ToolBar1->Visible());
    PopStBar->SetChecked(StBar->Visible());
    PopVarBox->SetChecked(PnlVarbox->Visible());
    PopShowMenu->SetChecked(CoolBar1->Visible());
    MnuLayToolBar->SetChecked(PopToolBar->Checked());
    MnuLayStBar->SetChecked(PopStBar->Checked());
    MnuLayVarBox->SetChecked(PopVarBox->Checked());
    return;
  }
  MnuUpdateClick(sender);
}

void TGrfWnd::ApplyTimeUnit() {
  PopFollowTime->SetVisible(xTime > 0);
  if (xTime <= 0) {
    PopFollowTime->SetChecked(false);
    return;
  }
  Axis[0].name = xTime == 1 ? "t [s]" : xTime == 60 ? "t [min]" : xTime == 3600 ? "t [h]" : "t ";
}

void TGrfWnd::MnuCloseClick(Component*) { Close(); }

void TGrfWnd::ShowInFront() {
  if (GetWindowState() == WindowState::Minimized) SetWindowState(WindowState::Normal);
  Show();
  BringToFront();
  CanPaint = true;
  MnuUpdateClick(nullptr);
}

std::string TGrfWnd::ScaleSuffix(int k) const {
  if (k < 1 || k >= ChartAxisCount) return {};
  const int e = AxisScaleExponent[static_cast<std::size_t>(k)];
  if (e == 0 || !GrfParaDlg) return {};
  const ComboBox* combo = GrfParaDlg->ScaleCombo[static_cast<std::size_t>(k)];
  const int item = e / 3 + 3;
  if (!combo || item < 0 || item >= combo->Items().Count()) return {};
  return combo->Items()[item];
}

std::string TGrfWnd::AxisTitle(int k) const {
  const std::string suffix = ScaleSuffix(k);
  const std::string& name = Axis[static_cast<std::size_t>(k)].name;
  return suffix.empty() ? name : name + " " + suffix;
}

// ---------------------------------------------------------------------------------------------
// The settings section

namespace {

// A tile count as the settings keep it: 1..1000, else none.
bool ReadTiles(const std::string& text, std::int32_t& tiles) {
  if (text.empty()) return false;
  const int v = TextToInt(text);
  if (v < 1 || v > 1000) return false;
  tiles = v;
  return true;
}

}  // namespace

std::string ChartColourText(TColor colour) { return std::to_string(colour); }

bool ReadChartColour(const std::string& value, TColor& colour) {
  const std::string t = Trim(value);
  if (t.empty()) return true;
  const std::size_t digits = t[0] == '-' || t[0] == '+' ? 1 : 0;
  const bool number = t.size() > digits && t.find_first_not_of("0123456789", digits) == std::string::npos;
  int v = 0;
  if (number && (!TryTextToInt(t, v) || v < 0)) return false;
  colour = static_cast<TColor>(TextToInt(t));
  return true;
}

void TGrfWnd::LoadGraphicSettings() {
  if (SettingsFileName.empty()) SettingsFileName = ExpandProgramPath("", "Graphic.ini");
  if (SettingsSectionName.empty()) SettingsSectionName = "Graphic";
  SettingsReader& store = SettingsStore();
  // A missing file (0) stops the reader as an unreadable one does.
  if (store.OpenSettingsFile(SettingsFileName) <= 0) return;
  const std::string& section = SettingsSectionName;
  if (store.SelectSection(section) > 0) {
    ChartCaption = store.GetKeyValue("Caption");
    XVariableText = store.GetKeyValue("Xvar");
    if (GetFormStyle() != FormStyle::MDIChild) store.ReadFormPlacement(this, section);
    auto flag = [&store](const char* key, MenuItem* item) {
      const std::string v = store.GetKeyValue(key);
      if (!v.empty()) item->SetChecked(v == "1");
    };
    flag("ToolBars", PopToolBar);
    flag("StatusBar", PopStBar);
    flag("VariableBox", PopVarBox);
    LayoutCheckClick(nullptr);
    store.ReadFontSettings(ChartFont, section);
    store.SelectSection(section);
    if (ChartFont.Size < ChartMinFontSize || ChartFont.Size > ChartMaxFontSize) {
      const int bound = std::clamp(ChartFont.Size, ChartMinFontSize, ChartMaxFontSize);
      PostLogMessage(LevelCritical, ChartFontSizeOutOfRangeId,
                     SettingsFileName + ": FontSize=" + store.GetKeyValue("FontSize") + " is outside " +
                         std::to_string(ChartMinFontSize) + ".." + std::to_string(ChartMaxFontSize) + ", " +
                         std::to_string(bound) + " is taken");
      ChartFont.Size = bound;
    }
    // A colour out of range keeps what the chart had and is said.
    const std::string file = SettingsFileName;
    auto colour = [&store, &file](const std::string& key, TColor& c) {
      const std::string v = store.GetKeyValue(key);
      if (!ReadChartColour(v, c))
        PostLogMessage(LevelCritical, ChartColourOutOfRangeId,
                       file + ": " + key + "=" + v + " is no colour, " + ChartColourText(c) + " is kept");
    };
    colour("GrafBG", GrafBG);
    colour("GrafFrame", GrafFrame);
    colour("GrafScale", GrafScale);
    colour("GrafFG", GrafFG);
    colour("GrafFntCol", GrafFntCol);
    const std::string style = store.GetKeyValue("Style");
    if (!style.empty()) Series[0].style = TextToInt(style);
    const int pen = TextToInt(store.GetKeyValue("PenWidth"));
    if (pen == 1 || pen == 2) Series[0].penWidth = pen;
    // Without the key the chart keeps its auto size (on from the start).
    const std::string autoFormat = store.GetKeyValue("AutoFormat");
    if (!autoFormat.empty()) BtnGraFit->SetDown(autoFormat == "1");
    BtnGraFitClick(nullptr);
    MnuStyleClick(nullptr);
    // X.
    ChartAxis& x = Axis[0];
    auto number = [&store](const std::string& key, double& v) {
      const std::string t = store.GetKeyValue(key);
      if (!t.empty()) v = TextToDouble(t);
    };
    number("grf0fxa", x.from);
    number("grf0fxe", x.to);
    ReadTiles(store.GetKeyValue("grf0dx"), x.tiles);
    x.log = false;
    for (const char* key : {"ln0", "grf0LogX"}) {
      const std::string v = store.GetKeyValue(key);
      if (!v.empty()) x.log = v == "1";
    }
    const std::string xName = store.GetKeyValue("grf0vx");
    if (!xName.empty()) x.name = xName;
    // Y1..Y8.
    for (int n = 1; n <= ChartYAxisCount; ++n) {
      ChartAxis& a = Axis[static_cast<std::size_t>(n)];
      const std::string p = "grf" + std::to_string(n);
      number(p + "fya", a.from);
      number(p + "fye", a.to);
      ReadTiles(store.GetKeyValue(p + "dy"), a.tiles);
      const std::string sw = store.GetKeyValue(p + "sw");
      if (!sw.empty()) a.include = sw == "1";
      a.log = false;
      const std::string lg = store.GetKeyValue(p + "LogY");
      if (!lg.empty()) a.log = lg == "1";
      const std::string name = store.GetKeyValue(p + "vy");
      if (!name.empty()) a.name = name;
      AxisScaleExponent[static_cast<std::size_t>(n)] = 0;
      AxisScaleFactor[static_cast<std::size_t>(n)] = 1.0;
      const ComboBox* combo = GrfParaDlg ? GrfParaDlg->ScaleCombo[static_cast<std::size_t>(n)] : nullptr;
      if (combo && combo->Visible()) {
        // Only the exponents of the scale list; any other reads as 0.
        int e = TextToInt(store.GetKeyValue(p + "ex10"));
        if (e < -9 || e > 9 || e % 3 != 0) e = 0;
        AxisScaleExponent[static_cast<std::size_t>(n)] = e;
        AxisScaleFactor[static_cast<std::size_t>(n)] = std::pow(10.0, e);
      }
      GbxY[static_cast<std::size_t>(n)]->SetColor(GrafFG);
    }
    if (PopFollowTime->Visible()) {
      PopFollowTime->SetChecked(store.GetKeyValue("FollowTime") == "1");
      const std::string t = store.GetKeyValue("xTime");
      if (!t.empty()) xTime = TextToInt(t);
    }
    const int gbx = TextToInt(store.GetKeyValue("GbxWidth"));
    if (gbx > 16) PnlVarbox->SetWidth(gbx);
    SuppressCheckBoxClicks = true;
    for (int n = 1; n <= ChartSeriesCount; ++n) {
      ChartSeries& s = Series[static_cast<std::size_t>(n)];
      if (!s.checkBox) continue;
      const std::string nn = TwoDigits(n);
      s.checkBox->SetVisible(true);
      const std::string sv = store.GetKeyValue("sv" + nn);
      if (!sv.empty()) s.shown = sv == "1" ? 1 : 0;
      colour("cl" + nn, s.colour);
      s.penWidth = store.GetKeyValue("gpw" + nn) == "1" ? 1 : 2;
      FontInfo f = s.checkBox->Font();
      f.Color = s.colour;
      f.Bold = s.penWidth == 2;
      s.checkBox->SetFont(f);
      s.style = store.GetKeyValue("gfs" + nn) == "0" ? 0 : 1;
      SyncSeriesCheckBox(n);
    }
  }
  SuppressCheckBoxClicks = false;
  ComputeAxisRanges();
  ApplyTimeUnit();
  ApplyChartTextColour();
}

void TGrfWnd::MnuSaveNowClick(Component* sender) {
  if (SettingsSectionName.empty()) SettingsSectionName = "Graphic";
  SettingsReader& store = SettingsStore();
  if (SettingsFileName.empty()) SettingsFileName = store.CachedFileName();
  const std::string& section = SettingsSectionName;
  if (sender) store.OpenSettingsFile(SettingsFileName);
  store.SelectSection(section);
  if (GetFormStyle() != FormStyle::MDIChild) store.WriteFormPlacement(this, section);
  store.WriteFontSettings(ChartFont, section);
  store.SelectSection(section);
  auto set = [&store](const std::string& key, const std::string& value) { store.SetKeyValue(key, value); };
  const auto colour = ChartColourText;
  set("GbxWidth", std::to_string(PnlVarbox->Width()));
  set("Style", std::to_string(Series[0].style));
  set("GrafBG", colour(GrafBG));
  set("GrafFrame", colour(GrafFrame));
  set("GrafScale", colour(GrafScale));
  set("GrafFG", colour(GrafFG));
  set("GrafFntCol", colour(GrafFntCol));
  set("GrafPenWidth", std::to_string(FramePenWidth));
  set("ToolBars", Flag(PopToolBar->Checked()));
  set("StatusBar", Flag(PopStBar->Checked()));
  set("VariableBox", Flag(PopVarBox->Checked()));
  for (int n = 1; n <= ChartSeriesCount; ++n) {
    const ChartSeries& s = Series[static_cast<std::size_t>(n)];
    if (!s.checkBox) continue;
    const std::string nn = TwoDigits(n);
    set("sv" + nn, Flag(s.shown != 0));
    set("cl" + nn, colour(s.colour));
    set("gpw" + nn, std::to_string(s.penWidth));
    set("gfs" + nn, Flag(s.style != 0));
  }
  const ChartAxis& x = Axis[0];
  set("grf0fxa", FloatToFullText(x.from));
  set("grf0fxe", FloatToFullText(x.to));
  set("grf0dx", std::to_string(x.tiles));
  set("grf0LogX", Flag(x.log));
  set("grf0dx", std::to_string(x.tiles));
  set("grf0vx", x.name);
  set("grf0LogX", Flag(x.log));
  for (int n = 1; n <= ChartYAxisCount; ++n) {
    if (!GrfParaDlg || !GrfParaDlg->PageShown(n)) continue;
    const ChartAxis& a = Axis[static_cast<std::size_t>(n)];
    const std::string p = "grf" + std::to_string(n);
    set(p + "fya", FloatToFullText(a.from));
    set(p + "fye", FloatToFullText(a.to));
    set(p + "dy", std::to_string(a.tiles));
    set(p + "sw", Flag(a.include));
    set(p + "vy", a.name);
    const ComboBox* combo = GrfParaDlg->ScaleCombo[static_cast<std::size_t>(n)];
    if (combo && combo->Visible()) set(p + "ex10", std::to_string(AxisScaleExponent[static_cast<std::size_t>(n)]));
    set(p + "LogY", Flag(a.log));
  }
  set("xTime", std::to_string(xTime));
  set("FollowTime", Flag(PopFollowTime->Checked()));
  store.WriteSection(section);
  if (sender && !store.NoBackupFlag) store.SaveSettingsFile(SettingsFileName);
}

}  // namespace quorel
