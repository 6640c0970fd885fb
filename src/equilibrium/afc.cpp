// The activity-coefficient window and the evaluation of its relations.
//
// Van Laar and Margules forms after J. M. Prausnitz, R. N. Lichtenthaler and E. Gomes de
// Azevedo, Molecular Thermodynamics of Fluid-Phase Equilibria, 3rd ed., chapter 6; the
// parameterisation in A, B and T is the window's own.
#include "equilibrium/afc.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

#include "equilibrium/EqlMain.h"
#include "platform/Canvas.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

TAfcWnd* AfcWnd = nullptr;

namespace {

constexpr const char* kSection = "ActivityCoefficients";
constexpr int kInitialCapacity = 9;
constexpr int kCapacityStep = 8;
constexpr int kImageWidth = 196;
constexpr int kImageHeight = 18;

// Sub-items of a list item.
constexpr int kSubNumber = 0;
constexpr int kSubA = 1;
constexpr int kSubB = 2;
constexpr int kSubComment = 3;

const char* const kCaptions[AfcEquationTypeCount] = {
    "Van Laar f(T) 1",    "Van Laar f(T) 2", "Van Laar 1",     "Van Laar 2",  "Margulex 3 Index 1",
    "Margulex 3 Index 2", "Linear Approx.",  "Exponential Approx.", "Exp. Coeff.", "log. Approx.",
};

// The formula each picture shows.
const char* const kFormulas[AfcEquationTypeCount] = {
    "exp((B/T)/(1+Ax/(1-x))\xB2)", "exp(AB/T/(A+x/(1-x))\xB2)",   "10^(A(1-x)\xB2/(1-x+xA/B)\xB2)",
    "10^(B(1-x)\xB2/(1-x+xB/A)\xB2)", "10^((1-x)\xB2(B+2x(A-B)))", "10^((1-x)\xB2(A+2x(B-A)))",
    "A(1-x)+B",                    "B exp(A(1-x)/T)",            "B exp(A/T)",
    "exp(A ln x+B)",
};

std::shared_ptr<Picture> FormulaPicture(int type) {
  auto picture = std::make_shared<Picture>(kImageWidth, kImageHeight);
  Canvas& c = picture->GetCanvas();
  c.Brush.Style = BrushStyle::Clear;
  c.Font.Size = 8;
  c.Font.Color = RGB(0, 0, 128);
  c.TextOut(2, 2, kFormulas[type]);
  return picture;
}

std::string RelationMark(int n) { return "[" + std::to_string(n) + "]"; }

// The comment of a stored relation line: after "C:" up to the last ';' of the line, so that a
// comment holding a ';' of its own reads back whole.
std::string CommentOfLine(std::string_view value) {
  const auto p = value.find("C:");
  if (p == std::string_view::npos) return "";
  std::string_view rest = value.substr(p + 2);
  const auto end = rest.rfind(';');
  return std::string(end == std::string_view::npos ? rest : rest.substr(0, end));
}

}  // namespace

const char* AfcEquationCaption(int type) {
  return type >= 0 && type < AfcEquationTypeCount ? kCaptions[type] : "";
}

bool EvaluateAfcEquation(int type, double A, double B, double x, double T, double& gamma) {
  gamma = 1.0;
  double g = 1.0;
  switch (type) {
    case 0:
    case 1: {
      if (x >= 1 || T <= 0) return true;
      const double r = x / (1 - x);
      const double d = type == 0 ? 1 + A * r : A + r;
      if (d == 0) return false;
      g = type == 0 ? std::exp((B / T) / (d * d)) : std::exp(A * B / T / (d * d));
      break;
    }
    case 2:
    case 3: {
      const double num = type == 2 ? A : B;  // the leading parameter
      const double den = type == 2 ? B : A;  // the one divided by
      if (den == 0) return false;
      const double d = 1 - x + x * num / den;
      if (d == 0) return false;
      g = std::pow(10.0, num * (1 - x) * (1 - x) / (d * d));
      break;
    }
    case 4: g = std::pow(10.0, (1 - x) * (1 - x) * (B + 2 * x * (A - B))); break;
    case 5: g = std::pow(10.0, (1 - x) * (1 - x) * (A + 2 * x * (B - A))); break;
    case 6: g = A * (1 - x) + B; break;
    case 7:
      if (T <= 0) return true;
      g = B * std::exp(A * (1 - x) / T);
      break;
    case 8:
      if (T <= 0) return true;
      g = B * std::exp(A / T);
      break;
    case 9:
      if (x <= 0) return true;
      g = std::exp(A * std::log(x) + B);
      break;
    default: return false;
  }
  if (!std::isfinite(g)) return false;
  gamma = g;
  return true;
}

int RelationNumberOfText(std::string_view relation) {
  const std::string text = Trim(relation);
  if (text.size() < 2) return 0;
  return TextToInt(std::string_view(text).substr(1, text.size() - 2));
}

// ---------------------------------------------------------------------------------------------
// The window

TAfcWnd::TAfcWnd(Component* owner) : Form(owner, "AfcWnd") {
  AfcWnd = this;
  relations_.resize(kInitialCapacity);
  SetCaption("Activitiy Coefficients");
  SetBorderStyle(BorderStyle::SizeToolWin);
  SetPosition(FormPosition::ScreenCenter);
  SetConstraints({480, 200, 0, 0});
  SetBounds(0, 0, 760, 320);

  ImageList1 = Make<ImageList>(this, "ImageList1");
  ImageList1->SetImageSize(kImageWidth, kImageHeight);
  for (int t = 0; t < AfcEquationTypeCount; ++t) ImageList1->Add(FormulaPicture(t));

  Panel1 = Make<Panel>(this, "Panel1");
  Panel1->SetAlign(Align::Top);
  Panel1->SetBounds(0, 0, 760, 76);
  auto label = [this](const char* name, const char* caption, int left) {
    auto* l = Make<Label>(Panel1, name);
    l->SetCaption(caption);
    l->SetBounds(left, 8, 12, 13);
    return l;
  };
  auto edit = [this](const char* name, const char* text, int left, int width) {
    auto* e = Make<Edit>(Panel1, name);
    e->SetText(text);
    e->SetBounds(left, 4, width, 21);
    return e;
  };
  LabelA = label("LabelA", "A", 8);
  EditA = edit("EditA", "1", 24, 120);
  LabelB = label("LabelB", "B", 156);
  EditB = edit("EditB", "1", 172, 120);
  LabelC = label("LabelC", "C", 304);
  EditC = edit("EditC", "info text", 320, 280);

  PopupAfc = Make<PopupMenu>(this, "afc");
  PopupAfc->SetImages(ImageList1);
  for (int t = 0; t < AfcEquationTypeCount; ++t) {
    MenuItem* item = PopupAfc->Add("MnuType" + std::to_string(t), kCaptions[t]);
    item->SetTag(t);
    item->SetImageIndex(t);
    item->OnClick = [this](Component* s) { MnuTypeClick(s); };
    MnuType[t] = item;
  }

  ToolBar1 = Make<ToolBar>(Panel1, "ToolBar1");
  ToolBar1->SetBounds(0, 30, 760, 44);
  ToolBar1->SetImages(ImageList1);
  ToolBar1->SetShowCaptions(true);
  ToolBar1->SetButtonSize(kImageWidth + 8, kImageHeight + 8);
  BtnSelect = Make<ToolButton>(ToolBar1, "BtnSelect");
  BtnSelect->SetCaption("afc");
  BtnSelect->SetHint("Select the relation type; a click adds a relation of that type");
  BtnSelect->SetShowHint(true);
  BtnSelect->SetStyle(ToolButtonStyle::DropDown);
  BtnSelect->SetDropdownMenu(PopupAfc);
  BtnSelect->SetImageIndex(0);
  BtnSelect->OnClick = [this](Component*) { BtnAddClick(); };
  auto button = [this](const char* name, const char* caption) {
    auto* b = Make<ToolButton>(ToolBar1, name);
    b->SetCaption(caption);
    return b;
  };
  BtnAdd = button("BtnAdd", "Add");
  BtnAdd->OnClick = [this](Component*) { BtnAddClick(); };
  BtnReplace = button("BtnReplace", "Replace");
  BtnReplace->SetEnabled(false);
  BtnReplace->OnClick = [this](Component*) { BtnReplaceClick(); };
  BtnDelete = button("BtnDelete", "Del");
  BtnDelete->SetEnabled(false);
  BtnDelete->OnClick = [this](Component*) { BtnDeleteClick(); };
  BtnExit = button("BtnExit", "Exit");
  BtnExit->OnClick = [this](Component*) { BtnExitClick(); };

  StatusBar1 = Make<StatusBar>(this, "StatusBar1");
  StatusBar1->SetAlign(Align::Bottom);
  StatusBar1->SetBounds(0, 301, 760, 19);
  for (int i = 0; i < 4; ++i) StatusBar1->AddPanel(96);

  ListView1 = Make<ListView>(this, "ListView1");
  ListView1->SetAlign(Align::Client);
  ListView1->SetBounds(0, 76, 760, 225);
  ListView1->SetStyle(ViewStyle::Report);
  ListView1->SetMultiSelect(true);
  ListView1->SetRowSelect(true);
  ListView1->SetReadOnly(true);
  ListView1->SetHideSelection(false);
  ListView1->SetSmallImages(ImageList1);
  ListView1->AddColumn("Relation", 200);
  ListView1->AddColumn("[Eq.]", 48);
  ListView1->AddColumn("A", 80);
  ListView1->AddColumn("B", 80);
  ListView1->AddColumn("Comment", 256);
  ListView1->OnSelectItem = [this](Component*, ListItem* item, bool selected) { ListView1SelectItem(item, selected); };
}

TAfcWnd::~TAfcWnd() {
  if (AfcWnd == this) AfcWnd = nullptr;
}

ActivityRelation TAfcWnd::Relation(int n) const {
  if (n < 1 || n > RelationCount() || n >= Capacity()) return {};
  return relations_[n];
}

void TAfcWnd::EnsureSlot(int n) {
  while (n >= Capacity()) relations_.resize(relations_.size() + kCapacityStep);
}

ListItem* TAfcWnd::AddItem(int n, int type, const std::string& a, const std::string& b, const std::string& c) {
  ListItem* item = ListView1->Add();
  item->SetCaption("");
  item->SetImageIndex(type);
  item->SetSubItem(kSubNumber, RelationMark(n));
  item->SetSubItem(kSubA, a);
  item->SetSubItem(kSubB, b);
  item->SetSubItem(kSubComment, c);
  return item;
}

void TAfcWnd::UpdateButtons() {
  const bool any = ListView1->SelCount() > 0;
  BtnReplace->SetEnabled(any);
  BtnDelete->SetEnabled(any);
}

// ---------------------------------------------------------------------------------------------
// Evaluation

AfcEvaluation TAfcWnd::EvaluateRelation(std::string_view relation, std::string_view xText, double T, double& gamma) {
  LastTemperature = T;
  gamma = 1.0;
  const std::string xt = Trim(xText);
  long double x = 1;
  const bool xReadable = xt.empty() || TryTextToFloat(xt, x);
  const int n = RelationNumberOfText(relation);
  if (n < 1 || n > RelationCount()) return AfcEvaluation::NoRelation;
  if (!xReadable) return AfcEvaluation::UnreadableX;
  const ActivityRelation& r = relations_[n];
  if (!EvaluateAfcEquation(r.type, r.A, r.B, double(x), T, gamma)) return AfcEvaluation::NotEvaluable;
  return AfcEvaluation::Evaluated;
}

double TAfcWnd::ActivityCoefficientOfRelation(std::string_view relation, std::string_view xText, double T) {
  double gamma = 1.0;
  EvaluateRelation(relation, xText, T, gamma);
  return gamma;
}

// ---------------------------------------------------------------------------------------------
// The system file

void TAfcWnd::SaveActivityCoefficients() {
  const int count = RelationCount();
  if (count == 0) return;
  SettingsReader& store = SettingsStore();
  store.SelectSection(kSection);
  // The section is written anew, every key once: the lines are appended as SetKeyValue would
  // append them, without a search per key.
  std::vector<std::string>& lines = store.SectionLines();
  lines.assign(1, std::string("[") + kSection + "]");
  lines.reserve(std::size_t(count) + 2);
  lines.push_back("Count=" + std::to_string(count));
  for (int n = 1; n <= count; ++n) {
    const ActivityRelation& r = relations_[n];
    const ListItem* item = ListView1->Items(n - 1);
    lines.push_back(std::to_string(n) + "=" + "Idx:" + std::to_string(r.type) + ";" + "A:" + FloatToFullText(r.A) +
                    ";" + "B:" + FloatToFullText(r.B) + ";" + "C:" + item->SubItem(kSubComment) + ";");
  }
  store.WriteSection(kSection);
}

void TAfcWnd::LoadActivityCoefficients() {
  ListView1->Clear();
  relations_.assign(kInitialCapacity, ActivityRelation{});
  UpdateButtons();
  SettingsReader& store = SettingsStore();
  if (store.SelectSection(kSection) <= 0) return;
  // Every relation has its own line besides the count's: a count beyond those lines is no count.
  const int lines = static_cast<int>(std::min<std::size_t>(store.SectionLines().size() - 1, INT_MAX - 1)) - 1;
  // One pass over the section finds every key: loading is linear in the section's size.
  const std::unordered_map<std::string, std::string> keys = store.SectionKeyValues();
  const auto value_of = [&keys](const std::string& key) {
    auto it = keys.find(key);
    return it == keys.end() ? std::string() : it->second;
  };
  int count = TextToInt(value_of("Count"));
  if (count < 0) count = 0;
  if (count > lines) count = lines;
  EnsureSlot(count);
  for (int n = 1; n <= count; ++n) {
    const std::string value = value_of(std::to_string(n));
    ActivityRelation& r = relations_[n];
    r.type = TagValueInt("Idx:", value);
    r.A = TagValueFloat("A:", value);
    r.B = TagValueFloat("B:", value);
    AddItem(n, r.type, FloatToFullText(r.A), FloatToFullText(r.B), CommentOfLine(value));
  }
}

// ---------------------------------------------------------------------------------------------
// Commands

void TAfcWnd::MnuTypeClick(Component* sender) {
  if (!sender) return;
  BtnSelect->SetImageIndex(sender->Tag());
}

void TAfcWnd::BtnAddClick() {
  const int n = RelationCount() + 1;
  EnsureSlot(n);
  ActivityRelation& r = relations_[n];
  r.A = TextToDouble(EditA->Text());
  r.B = TextToDouble(EditB->Text());
  r.type = ChosenType();
  AddItem(n, r.type, EditA->Text(), EditB->Text(), EditC->Text());
}

void TAfcWnd::ListView1SelectItem(ListItem* item, bool selected) {
  UpdateButtons();
  if (!item || !selected) return;
  BtnSelect->SetImageIndex(item->ImageIndex());
  StatusBar1->SetPanelText(0, std::to_string(item->ImageIndex()));
  EditA->SetText(item->SubItem(kSubA));
  EditB->SetText(item->SubItem(kSubB));
  EditC->SetText(item->SubItem(kSubComment));
}

void TAfcWnd::BtnReplaceClick() {
  ListItem* item = ListView1->Selected();
  if (!item) return;
  const int n = item->Index() + 1;
  item->SetImageIndex(ChosenType());
  item->SetSubItem(kSubA, EditA->Text());
  item->SetSubItem(kSubB, EditB->Text());
  item->SetSubItem(kSubComment, EditC->Text());
  ActivityRelation& r = relations_[n];
  r.type = ChosenType();
  r.A = TextToDouble(EditA->Text());
  r.B = TextToDouble(EditB->Text());
}

void TAfcWnd::BtnDeleteClick() {
  ListItem* item = ListView1->Selected();
  if (!item) return;
  ListView1->Delete(item);
  for (int i = 0; i < ListView1->Count(); ++i) {
    ListItem* it = ListView1->Items(i);
    ActivityRelation& r = relations_[i + 1];
    r.type = it->ImageIndex();
    r.A = TextToDouble(it->SubItem(kSubA));
    r.B = TextToDouble(it->SubItem(kSubB));
    it->SetSubItem(kSubNumber, RelationMark(i + 1));
  }
  relations_[ListView1->Count() + 1] = {};
  UpdateButtons();
}

void TAfcWnd::BtnExitClick() { Close(); }

void TAfcWnd::ShowWindow() {
  if (GetWindowState() == WindowState::Minimized) SetWindowState(WindowState::Normal);
  Show();
  BringToFront();
}

// ---------------------------------------------------------------------------------------------

void InstallActivityCoefficientHooks() {
  EqlMainHooks.RelationValue = [](const std::string& relation, const std::string& x, double T, double& value) {
    value = 1.0;
    if (!AfcWnd) return false;
    return AfcWnd->EvaluateRelation(relation, x, T, value) == AfcEvaluation::Evaluated;
  };
}

void ShowActivityCoefficientWindow() {
  if (AfcWnd) AfcWnd->ShowWindow();
}

}  // namespace quorel
