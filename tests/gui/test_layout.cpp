// The windows of both programs in real Qt windows (QT_QPA_PLATFORM=offscreen), each shown once
// at its default size: no visible control lies outside its parent's client area, no two visible
// sibling controls overlap (except where the window places them so on purpose), and every caption,
// label and button text fits its control by the Qt font metrics. Pictures of the busiest windows
// are written below the build folder.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QScrollBar>
#include <QTableView>
#include <QTreeWidget>
#include <QHeaderView>
#include <QToolButton>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "equilibrium/CalcVar.h"
#include "equilibrium/ElBlnc.h"
#include "equilibrium/EqKernel.h"
#include "equilibrium/EqlMain.h"
#include "equilibrium/Phase.h"
#include "gui/Gui.h"
#include "gui/ViewBase.h"
#include "../support/chart_text_boxes.h"
#include "platform/Components.h"
#include "platform/System.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "records_charts/Grfx.h"
#include "records_charts/TablOprt.h"
#include "shared/Elements.h"
#include "shared/Info.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"
#include "shared/TDynOprt.h"

namespace fs = std::filesystem;
using namespace quorel;
using platform::Component;
using platform::Form;

namespace {

// Sibling pairs that a window places over each other on purpose (form, one, other). None of
// the windows does at present; hidden controls (such as the "Behaviour of System" window's
// "Extrapolation" box) are not looked at.
struct Exemption {
  const char* form;
  const char* a;
  const char* b;
};
const std::vector<Exemption> kOverlapExemptions = {};

bool Exempt(const Form& form, const Component& a, const Component& b) {
  for (const Exemption& e : kOverlapExemptions)
    if (form.Name() == e.form && ((a.Name() == e.a && b.Name() == e.b) || (a.Name() == e.b && b.Name() == e.a)))
      return true;
  return false;
}

std::string Describe(const Component& c) { return c.Name() + " (" + c.Kind() + ")"; }

std::string Text(const QRect& r) {
  std::ostringstream s;
  s << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
  return s.str();
}

// The text of a widget does not fit: what it needs against what it has.
void CheckFits(std::vector<std::string>& problems, const Component& c, const QString& text, int needW, int needH,
               const QWidget* w, int availW, int availH) {
  if (needW <= availW && needH <= availH) return;
  std::ostringstream s;
  s << Describe(c) << ": \"" << text.toStdString() << "\" needs " << needW << "x" << needH << ", has " << availW
    << "x" << availH << " (" << Text(w->geometry()) << ")";
  problems.push_back(s.str());
}

void CheckText(std::vector<std::string>& problems, const Component& c, QWidget* w) {
  const QFontMetrics fm(w->font());
  QStyle* st = w->style();
  if (auto* b = qobject_cast<QPushButton*>(w)) {
    const QString t = b->text();
    if (t.isEmpty()) return;
    int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
    CheckFits(problems, c, t, fm.horizontalAdvance(t) + icon + 6, fm.height() + 4, w, w->width(), w->height());
  } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
    const QString t = b->text();
    int ind = st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
              st->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    CheckFits(problems, c, t, fm.horizontalAdvance(t) + ind, fm.height(), w, w->width(), w->height());
  } else if (auto* b = qobject_cast<QRadioButton*>(w)) {
    const QString t = b->text();
    int ind = st->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
              st->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
    CheckFits(problems, c, t, fm.horizontalAdvance(t) + ind, fm.height(), w, w->width(), w->height());
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    const QString t = l->text();
    if (t.isEmpty()) return;
    if (l->wordWrap()) {
      CheckFits(problems, c, t, 0, l->heightForWidth(l->width()), w, l->width(), l->height());
    } else {
      QRect need = fm.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, t);
      QRect has = l->contentsRect();
      CheckFits(problems, c, t, need.width(), need.height(), w, has.width(), has.height());
    }
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    const QString t = g->title();
    if (!t.isEmpty()) CheckFits(problems, c, t, fm.horizontalAdvance(t) + 16, fm.height(), w, w->width(), w->height());
    // A radio group's items lie in the box's own layout: all of them must have room.
    if (g->layout() && !g->findChildren<QRadioButton*>().isEmpty()) {
      QSize need = g->minimumSizeHint();
      CheckFits(problems, c, "(items)", need.width(), need.height(), w, w->width(), w->height());
    }
  } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
    CheckFits(problems, c, "(edit)", 0, fm.height() + 4, w, e->width(), e->height());
  } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
    CheckFits(problems, c, "(combo)", 0, fm.height() + 4, w, cb->width(), cb->height());
  } else if (auto* tb = qobject_cast<QToolButton*>(w)) {
    if (tb->toolButtonStyle() == Qt::ToolButtonIconOnly || tb->text().isEmpty()) return;
    const QString t = tb->text();
    CheckFits(problems, c, t, fm.horizontalAdvance(t) + 4, fm.height(), w, w->width(), w->height());
  } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
    // Every tab label shows without scrolling the tab row.
    QTabBar* bar = tabs->tabBar();
    int need = 0;
    for (int i = 0; i < bar->count(); ++i)
      if (bar->isTabVisible(i)) need += bar->tabRect(i).width();
    CheckFits(problems, c, "(tabs)", need, 0, w, tabs->width(), tabs->height());
  } else if (auto* sb = qobject_cast<QStatusBar*>(w)) {
    for (QLabel* l : sb->findChildren<QLabel*>()) {
      if (!l->isVisibleTo(sb) || l->text().isEmpty()) continue;
      const QString t = l->text();
      CheckFits(problems, c, t, QFontMetrics(l->font()).horizontalAdvance(t), 0, l, l->contentsRect().width(), 0);
    }
  }
}

// Every problem of the form's widgets, one line each.
std::vector<std::string> LayoutProblems(Form& form) {
  std::vector<std::string> problems;
  QWidget* window = gui::WidgetOf(&form);
  if (!window) {
    problems.push_back("no window");
    return problems;
  }
  // The title shows whole beside the title bar's buttons.
  QWidget* frame = window;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) frame = sub;
  const QString title = window->windowTitle();
  const int titleNeed = QFontMetrics(QApplication::font()).horizontalAdvance(title) + 90;
  if (titleNeed > frame->width())
    problems.push_back("title \"" + title.toStdString() + "\" needs " + std::to_string(titleNeed) + ", window is " +
                       std::to_string(frame->width()) + " wide");
  std::vector<Component*> shown;
  form.ForEachDescendant([&](Component& c) {
    if (dynamic_cast<Form*>(&c)) return;
    for (Component* o = c.Owner(); o && o != &form; o = o->Owner())
      if (dynamic_cast<Form*>(o)) return;  // belongs to another form
    gui::ViewBase* v = gui::ViewOf(&c);
    QWidget* w = v ? v->Widget() : nullptr;
    if (!w || !w->isVisibleTo(window) || w->isWindow()) return;
    shown.push_back(&c);
    gui::ViewBase* pv = gui::ViewOf(c.Owner());
    QWidget* container = pv ? pv->Container() : nullptr;
    if (container && w->parentWidget() == container && !dynamic_cast<platform::TabSheet*>(&c)) {
      if (!container->rect().contains(w->geometry()))
        problems.push_back(Describe(c) + " at " + Text(w->geometry()) + " lies outside its parent " +
                           (c.Owner() ? c.Owner()->Name() : std::string()) + " " + Text(container->rect()));
    }
    CheckText(problems, c, w);
  });
  for (std::size_t i = 0; i < shown.size(); ++i)
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      Component* a = shown[i];
      Component* b = shown[j];
      if (a->Owner() != b->Owner()) continue;
      QWidget* wa = gui::WidgetOf(a);
      QWidget* wb = gui::WidgetOf(b);
      if (wa->parentWidget() != wb->parentWidget()) continue;
      if (dynamic_cast<platform::TabSheet*>(a) || dynamic_cast<platform::TabSheet*>(b)) continue;
      if (wa->geometry().intersects(wb->geometry()) && !Exempt(form, *a, *b))
        problems.push_back(Describe(*a) + " " + Text(wa->geometry()) + " overlaps " + Describe(*b) + " " +
                           Text(wb->geometry()));
    }
  return problems;
}

void Settle() {
  for (int i = 0; i < 3; ++i) platform::ProcessMessages();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

fs::path ScreenshotFolder() {
  fs::path dir = fs::path(QUOREL_BUILD_DIR) / "screenshots";
  fs::create_directories(dir);
  return dir;
}

// Shows every window that exists (the main window first, already shown), checks it, takes its
// picture, and hides it again. Returns the problems by window.
std::vector<std::string> CheckEveryWindow(Form& main, const std::string& program,
                                          const std::function<void(Form&)>& beforePicture = {}) {
  std::vector<std::string> all;
  const fs::path dir = ScreenshotFolder();
  std::vector<Form*> forms = platform::Screen::Forms();
  for (Form* f : forms) {
    if (f->Name() == "TestMain") continue;
    const bool wasVisible = f->Visible();
    if (!wasVisible) f->Show();
    Settle();
    for (const std::string& p : LayoutProblems(*f)) all.push_back(program + " " + f->Name() + " \"" + f->Caption() + "\": " + p);
    if (beforePicture) beforePicture(*f);
    gui::GrabToPng(f, (dir / (program + "_" + f->Name() + ".png")).string());
    if (!wasVisible && f != &main) f->Hide();
    Settle();
  }
  return all;
}

// A temporary home with the shipped database, as a user starts the programs.
class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() / ("quorel_layout_" + std::to_string(getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
    const char* h = std::getenv("HOME");
    const char* x = std::getenv("XDG_CONFIG_HOME");
    saved_home_ = h ? h : "";
    saved_config_ = x ? x : "";
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
    saved_folder_ = ProgramFolder();
    SetProgramFolder(QUOREL_SOURCE_DIR "/data");
    InitElementTable();
    if (!QCoreApplication::instance()) app_ = std::make_unique<gui::Application>(argc_, argv_);
  }
  void TearDown() override {
    app_.reset();
    InitElementTable();
    ClearDatabase();
    SetProgramFolder(saved_folder_);
    if (saved_home_.empty()) unsetenv("HOME");
    else setenv("HOME", saved_home_.c_str(), 1);
    if (saved_config_.empty()) unsetenv("XDG_CONFIG_HOME");
    else setenv("XDG_CONFIG_HOME", saved_config_.c_str(), 1);
    fs::remove_all(home_);
  }

  fs::path home_;
  std::string saved_home_, saved_config_, saved_folder_;
  std::unique_ptr<gui::Application> app_;
  static inline int argc_ = 1;
  static inline char name_[] = "layout";
  static inline char* argv_[] = {name_, nullptr};
};

// Orvanto's start-up as the program runs it, its main window shown; nothing is saved at its end.
void StartOrvanto(TEqlMainWnd& m, bool show = true) {
  m.StartUp();
  m.MnuSaveByExit->SetChecked(false);
  if (!show) return;
  gui::Show(&m);
  Settle();
}

std::string Lines(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& l : v) s += l + "\n";
  return s;
}

TEST_F(LayoutTest, EveryOrvantoWindowFitsItsContents) {
  std::vector<std::string> problems;
  {
    OrvantoWindows windows;
    TEqlMainWnd& m = *windows.Main;
    StartOrvanto(m);
    problems = CheckEveryWindow(m, "orvanto", [&](Form& f) {
      if (&f != windows.Elements.get()) return;
      // The picker with hydrogen and oxygen chosen: their buttons turn red.
      windows.Elements->Find<platform::BitBtn>("BitBtn1")->UserClick();
      windows.Elements->Find<platform::BitBtn>("BitBtn8")->UserClick();
      Settle();
      for (const char* name : {"BitBtn1", "BitBtn8", "BitBtn6"}) {
        auto* b = qobject_cast<QPushButton*>(gui::WidgetOf(windows.Elements->FindComponent(name)));
        ASSERT_NE(b, nullptr);
        const bool chosen = std::string(name) != "BitBtn6";
        EXPECT_EQ(b->palette().color(QPalette::ButtonText), chosen ? QColor(255, 0, 0) : QColor(0, 0, 255)) << name;
      }
    });
    gui::UnbindAll();
  }
  EXPECT_TRUE(problems.empty()) << Lines(problems);
}

TEST_F(LayoutTest, EveryLunettaWindowFitsItsContents) {
  std::vector<std::string> problems;
  {
    LunettaWindows windows;
    StartSubstanceWindow(*windows.Substance);
    gui::Show(windows.Frame.get());
    Settle();
    problems = CheckEveryWindow(*windows.Frame, "lunetta");
    gui::UnbindAll();
  }
  EXPECT_TRUE(problems.empty()) << Lines(problems);
}

// The main window's menu bar on the screen.
QRect MenuBarOnScreen(QWidget* window) {
  QMenuBar* bar = window->findChild<QMenuBar*>();
  if (!bar || !bar->isVisible()) return QRect();
  return QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
}

TEST_F(LayoutTest, ToolWindowsOpenOnTheScreenAboveTheMainWindow) {
  OrvantoWindows windows;
  TEqlMainWnd& m = *windows.Main;
  StartOrvanto(m);
  QWidget* main = gui::WidgetOf(&m);
  ASSERT_NE(main, nullptr);
  const QRect menu = MenuBarOnScreen(main);
  ASSERT_FALSE(menu.isEmpty());

  // The message log's first place: centred, the whole window and its title bar on the screen,
  // clear of the main window's menu; it belongs to the main window, so it stays above it.
  TAplMsgWnd& log = *windows.Messages;
  log.Show();
  Settle();
  QWidget* w = gui::WidgetOf(&log);
  ASSERT_NE(w, nullptr);
  const QRect screen = w->screen()->availableGeometry();
  const QRect frame = w->frameGeometry();
  EXPECT_TRUE(screen.contains(frame)) << Text(frame);
  EXPECT_GE(frame.top(), screen.top());
  EXPECT_FALSE(frame.intersects(menu)) << Text(frame) << " covers the menu " << Text(menu);
  EXPECT_NEAR(frame.center().x(), screen.center().x(), 2);
  const std::vector<Form*> secondary = {&log, windows.Kernel.get(), windows.Records.get(), windows.Elements.get(),
                                       windows.About.get()};
  for (Form* f : secondary) {
    f->Show();
    Settle();
    QWidget* fw = gui::WidgetOf(f);
    ASSERT_NE(fw, nullptr) << f->Name();
    EXPECT_EQ(fw->parentWidget(), main) << f->Name() << " does not stay above the main window";
    EXPECT_TRUE(fw->isWindow()) << f->Name();
    EXPECT_TRUE(screen.contains(fw->frameGeometry())) << f->Name() << " " << Text(fw->frameGeometry());
  }

  // Closed and opened again by a serious message, the log comes back where the user left it.
  w->move(300, 200);
  Settle();
  EXPECT_EQ(log.Left(), 300);
  log.Close();
  PostLogMessage(LevelError, 526, "H2O(g): dataset not found");
  Settle();
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->pos(), QPoint(300, 200));
  gui::UnbindAll();
}

TEST_F(LayoutTest, AWindowStoredOffTheScreenComesBackOntoIt) {
  // The user settings file of an earlier run, written on another screen.
  const fs::path usr = home_ / ".Quorel" / "test_gui.usr";
  fs::create_directories(usr.parent_path());
  {
    std::ofstream out(usr, std::ios::binary);
    out << "[MainWnd]\r\n  Maximized=0\r\n  Left=-5000\r\n  Top=-5000\r\n  Width=900\r\n  Height=560\r\n";
  }
  OrvantoWindows windows;
  TEqlMainWnd& m = *windows.Main;
  StartOrvanto(m, false);
  ASSERT_EQ(SettingsStore().UserSettingsFile, usr.string());
  EXPECT_EQ(m.Left(), -5000);  // read as stored
  gui::Show(&m);
  Settle();
  QWidget* w = gui::WidgetOf(&m);
  ASSERT_NE(w, nullptr);
  const QRect screen = w->screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(w->frameGeometry())) << Text(w->frameGeometry());
  EXPECT_GE(m.Left(), 0);
  EXPECT_GE(m.Top(), 0);
  EXPECT_EQ(w->size(), gui::ScaleOf(&m).Size(900, 560));
  // Saved again: the place on the screen, and the size as it was written (designed units).
  ASSERT_EQ(m.MnuSaveNowClick(), 1);
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  ASSERT_EQ(store.OpenSettingsFile(usr.string()), 1);
  store.SelectSection("MainWnd");
  EXPECT_EQ(store.GetKeyValue("Left"), std::to_string(m.Left()));
  EXPECT_EQ(store.GetKeyValue("Top"), std::to_string(m.Top()));
  EXPECT_EQ(store.GetKeyValue("Width"), "900");
  EXPECT_EQ(store.GetKeyValue("Height"), "560");
  gui::UnbindAll();
}

TEST_F(LayoutTest, AFixedWindowTooLargeForTheScreenCanBeSized) {
  Form big(nullptr, "Big");
  big.SetBorderStyle(platform::BorderStyle::Dialog);
  big.SetBounds(0, 0, 1400, 1100);  // larger than 1280 x 1024 once scaled
  Form small(nullptr, "Small");
  small.SetBorderStyle(platform::BorderStyle::Dialog);
  small.SetBounds(0, 0, 300, 200);
  gui::Show(&big);
  gui::Show(&small);
  Settle();
  QWidget* wb = gui::WidgetOf(&big);
  QWidget* ws = gui::WidgetOf(&small);
  const QRect screen = wb->screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(wb->frameGeometry())) << Text(wb->frameGeometry()) << " on " << Text(screen) << " size " << Text(wb->geometry());
  EXPECT_NE(wb->minimumSize(), wb->maximumSize());  // the user may size it
  EXPECT_EQ(big.Width(), 1400);                     // the form keeps its designed size
  EXPECT_EQ(ws->minimumSize(), ws->maximumSize());  // a dialog that fits stays fixed
  EXPECT_EQ(ws->size(), gui::ScaleOf(&small).Size(300, 200));
  gui::UnbindAll();
}

TEST_F(LayoutTest, CascadeAndTileKeepTheWindowsWhole) {
  Form frame(nullptr, "Frame");
  frame.SetFormStyle(platform::FormStyle::MDIForm);
  frame.SetBounds(0, 0, 900, 640);
  std::vector<std::unique_ptr<Form>> children;
  for (int i = 0; i < 3; ++i) {
    auto c = std::make_unique<Form>(&frame, "Child" + std::to_string(i));
    c->SetFormStyle(platform::FormStyle::MDIChild);
    c->SetCaption("Phase " + std::to_string(i));
    c->SetBounds(40 * i, 30 * i, 400 + 20 * i, 220);
    children.push_back(std::move(c));
  }
  gui::Show(&frame);
  for (auto& c : children) gui::Show(c.get());
  Settle();
  children[2]->SetWindowState(platform::WindowState::Minimized);
  Settle();
  children[1]->SetWindowState(platform::WindowState::Maximized);
  Settle();
  EXPECT_EQ(children[1]->GetWindowState(), platform::WindowState::Maximized);
  frame.Cascade();

  Settle();
  // Normal size and state again, one below the other; the minimised one stays so.
  for (int i : {0, 1}) {
    Form& c = *children[std::size_t(i)];
    QWidget* sub = gui::WidgetOf(&c)->parentWidget();
    EXPECT_EQ(c.GetWindowState(), platform::WindowState::Normal) << i;
    EXPECT_EQ(sub->size(), gui::ScaleOf(&c).Size(400 + 20 * i, 220)) << i;
    EXPECT_EQ(c.Left(), i * Form::kCascadeStep);
    EXPECT_FALSE(sub->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
    EXPECT_FALSE(qobject_cast<QMdiSubWindow*>(sub)->isShaded());
  }
  EXPECT_EQ(children[2]->GetWindowState(), platform::WindowState::Minimized);
  EXPECT_TRUE(gui::WidgetOf(children[2].get())->parentWidget()->windowState() & Qt::WindowMinimized);

  frame.Tile(platform::TileMode::Horizontal);
  Settle();
  QWidget* area = gui::WidgetOf(children[0].get())->parentWidget()->parentWidget();  // the MDI viewport
  for (int i : {0, 1}) {
    QWidget* sub = gui::WidgetOf(children[std::size_t(i)].get())->parentWidget();
    EXPECT_GT(sub->height(), 100) << i;  // never a bare title bar
    EXPECT_NEAR(sub->width(), area->width(), 2) << i;
  }
  EXPECT_EQ(children[2]->GetWindowState(), platform::WindowState::Minimized);
  children.clear();
  gui::UnbindAll();
}


// The MDI window of a child form, on the screen.
QRect SubWindowOnScreen(const Form& f) {
  QWidget* w = gui::WidgetOf(&f);
  if (!w) return QRect();
  QWidget* frame = qobject_cast<QMdiSubWindow*>(w->parentWidget()) ? w->parentWidget() : w;
  return QRect(frame->mapToGlobal(QPoint(0, 0)), frame->size());
}

void Grab(const Form& f, const std::string& name) {
  QWidget* w = gui::WidgetOf(&f);
  ASSERT_NE(w, nullptr);
  QWidget* frame = qobject_cast<QMdiSubWindow*>(w->parentWidget()) ? w->parentWidget() : w;
  const fs::path path = ScreenshotFolder() / name;
  ASSERT_TRUE(frame->grab().save(QString::fromStdString(path.string()), "PNG"));
}

TEST_F(LayoutTest, LunettaAtFirstStartAndAfterAnUpdateOfWater) {
  LunettaWindows windows;
  TPSubstWnd& w = *windows.Substance;
  TGrfWnd& chart = *windows.Chart;
  StartSubstanceWindow(w);
  gui::Show(windows.Frame.get());
  for (int i = 0; i < 5; ++i) Settle();
  // One menu bar in the table window.
  QWidget* table = gui::WidgetOf(&w);
  ASSERT_NE(table, nullptr);
  int bars = 0;
  for (QWidget* any : QApplication::allWidgets())
    if (auto* bar = qobject_cast<QMenuBar*>(any); bar && bar->isVisible() && !bar->actions().isEmpty() &&
                                                  bar->actions().front()->text() == "Table") {
      ++bars;
    }
  // The table's menus: its tool bar's buttons, one row.
  if (QWidget* row = gui::WidgetOf(w.ToolBar1); row && row->isVisibleTo(table)) ++bars;
  EXPECT_EQ(bars, 1);
  // The table's last column and the chart on the screen, apart from each other.
  auto checkPlaces = [&](const char* when) {
    const QRect screen = table->screen()->availableGeometry();
    auto* grid = qobject_cast<QTableView*>(gui::WidgetOf(w.SGT));
    ASSERT_NE(grid, nullptr);
    const int last = grid->horizontalHeader()->count() - 1;
    const int right = grid->horizontalHeader()->sectionViewportPosition(last) + grid->horizontalHeader()->sectionSize(last);
    const QPoint end = grid->viewport()->mapToGlobal(QPoint(right, 0));
    EXPECT_LE(right, grid->viewport()->width()) << when;
    EXPECT_TRUE(screen.contains(end)) << when;
    const QRect tableRect = SubWindowOnScreen(w), chartRect = SubWindowOnScreen(chart);
    EXPECT_TRUE(screen.contains(chartRect)) << when << " " << Text(chartRect);
    EXPECT_TRUE(screen.contains(tableRect)) << when << " " << Text(tableRect);
    EXPECT_FALSE(tableRect.intersects(chartRect)) << when << " " << Text(tableRect) << " " << Text(chartRect);
  };
  checkPlaces("at first start");
  Grab(*windows.Frame, "lunetta_first_start.png");

  // H2O from 0 to 300 C, auto size on, Cp of the gas checked.
  chart.BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
  chart.BtnGraFit->UserClick();
  ASSERT_TRUE(chart.AutoSize());
  w.CbxSubst->UserSetText("H2O");
  w.ETP->UserSetText("1");
  w.EditV1->UserSetText("0");
  w.EditdV->UserSetText("25");
  w.EditV2->UserSetText("300");
  ASSERT_TRUE(w.ButtonUpdate->UserClick());
  chart.Series[1].checkBox->UserClick();
  Settle();
  chart.MnuUpdateClick(chart.MnuUpdate);
  Settle();
  EXPECT_EQ(chart.Axis[0].from, 0);
  EXPECT_EQ(chart.Axis[0].to, 300);
  EXPECT_TRUE(chart.AxisScaled[1]);
  for (int k = 2; k <= 8; ++k) EXPECT_FALSE(chart.AxisScaled[std::size_t(k)]) << k;
  EXPECT_EQ(Lines(charttext::ChartTextProblems(chart)), "");
  Grab(chart, "lunetta_chart_cp.png");

  // Every series that can be checked.
  for (int n = 1; n <= 24; ++n) {
    platform::CheckBox* box = chart.Series[std::size_t(n)].checkBox;
    if (box && box->Enabled() && !box->Checked()) box->UserClick();
  }
  Settle();
  for (int k = 1; k <= 6; ++k) EXPECT_TRUE(chart.AxisScaled[std::size_t(k)]) << k;
  EXPECT_EQ(Lines(charttext::ChartTextProblems(chart)), "");
  Grab(chart, "lunetta_chart_all.png");
  Grab(*windows.Frame, "lunetta_after_update.png");

  windows.Frame->Tile1Click(windows.Frame->Tile1);
  for (int i = 0; i < 3; ++i) Settle();
  checkPlaces("after Tile");
  EXPECT_EQ(Lines(charttext::ChartTextProblems(chart)), "");
  Grab(*windows.Frame, "lunetta_tiled.png");
  gui::UnbindAll();
}

// Orvanto's first start in a frame of a 1366 x 768 screen (less its task bar): Gas.1, Liq.1 and
// Sol.1 lie in the frame's area without covering one another, each with its tool bar, its grid
// header and its whole width of columns in view.
TEST_F(LayoutTest, OrvantoFirstStartAt1366x768ShowsEveryPhaseWindowWhole) {
  OrvantoWindows windows;
  TEqlMainWnd& m = *windows.Main;
  StartOrvanto(m);
  QWidget* frame = gui::WidgetOf(&m);
  ASSERT_NE(frame, nullptr);
  frame->resize(1366, 738);
  for (int i = 0; i < 5; ++i) Settle();
  QWidget* area = gui::WidgetOf(PhaseSlotTable[1].Window)->parentWidget()->parentWidget();  // the MDI viewport
  const QRect inside(area->mapToGlobal(QPoint(0, 0)), area->size());
  std::vector<QRect> placed;
  for (int slot : {1, 3, 6}) {
    SCOPED_TRACE(slot);
    TPhaseWnd* w = PhaseSlotTable[slot].Window;
    ASSERT_NE(w, nullptr);
    const QRect r = SubWindowOnScreen(*w);
    EXPECT_TRUE(inside.contains(r)) << Text(r) << " in " << Text(inside);
    for (const QRect& other : placed) EXPECT_FALSE(r.intersects(other)) << Text(r) << " " << Text(other);
    placed.push_back(r);
    QWidget* bar = gui::WidgetOf(w->ToolBar1);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(r.contains(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size())));
    auto* grid = qobject_cast<QTableView*>(gui::WidgetOf(w->SGPhase));
    ASSERT_NE(grid, nullptr);
    EXPECT_TRUE(grid->horizontalHeader()->isVisible());
    EXPECT_TRUE(r.contains(QRect(grid->horizontalHeader()->mapToGlobal(QPoint(0, 0)), grid->horizontalHeader()->size())));
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    EXPECT_GE(grid->viewport()->height(), 2 * grid->verticalHeader()->defaultSectionSize());  // rows to see
  }
  Grab(m, "orvanto_first_start_1366x768.png");
  gui::UnbindAll();
}

TEST_F(LayoutTest, TheVariationGridAndTheWidenedMessageLog) {
  OrvantoWindows windows;
  TEqlMainWnd& m = *windows.Main;
  StartOrvanto(m);
  // The first example system, as the user opens it; its variation section is empty.
  ASSERT_GE(m.EqlFileReader(QUOREL_SOURCE_DIR "/examples/1_methane_oxygen_3000K.eql"), 1);
  TCalcVarDlg& dlg = *windows.Variation;
  dlg.PrepareVariationDialog();
  dlg.ButtonAdd0->UserClick();
  dlg.Show();
  Settle();
  const std::vector<std::string> headers = {"ID", "Variable", "Begin", "Step", "Limit", "Dependence", "Factor", "Allocation"};
  ASSERT_EQ(dlg.SGV->ColCount(), 8);
  for (int c = 0; c < 8; ++c) EXPECT_EQ(dlg.SGV->Cells(c, 0), headers[std::size_t(c)]) << c;
  EXPECT_EQ(dlg.SGV->Cells(7, 1), "0x 00 00 00 00");
  QWidget* dw = gui::WidgetOf(&dlg);
  ASSERT_NE(dw, nullptr);
  EXPECT_TRUE(dw->screen()->availableGeometry().contains(dw->frameGeometry())) << Text(dw->frameGeometry());
  Grab(dlg, "orvanto_variation.png");
  dlg.Hide();

  // The log widened to 1200 pixels: the message column takes the width, the time stays in view.
  TAplMsgWnd& log = *windows.Messages;
  const std::string message = std::string(90, 'x') + " a long message that ends here";
  PostLogMessageAlways(LevelImportant, 1297, message);
  log.Show();
  Settle();
  QWidget* lw = gui::WidgetOf(&log);
  ASSERT_NE(lw, nullptr);
  lw->resize(1200, lw->height());
  Settle();
  auto* tree = qobject_cast<QTreeWidget*>(gui::WidgetOf(log.LV));
  ASSERT_NE(tree, nullptr);
  const int right = tree->header()->sectionViewportPosition(2) + tree->header()->sectionSize(2);
  EXPECT_LE(right, tree->viewport()->width());
  EXPECT_GE(right, tree->viewport()->width() - 40);
  EXPECT_GT(tree->header()->sectionSize(1), 800);
  EXPECT_LT(tree->fontMetrics().horizontalAdvance(QString::fromStdString(message)) + 12, tree->header()->sectionSize(1));
  Grab(log, "log_widened.png");
  gui::UnbindAll();
}

}  // namespace
