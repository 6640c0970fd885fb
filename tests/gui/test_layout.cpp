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
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "equilibrium/ElBlnc.h"
#include "equilibrium/EqKernel.h"
#include "equilibrium/EqlMain.h"
#include "gui/Gui.h"
#include "gui/ViewBase.h"
#include "platform/Components.h"
#include "platform/System.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "shared/AplStgs.h"
#include "shared/Elements.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"
#include "shared/TDynOprt.h"

namespace fs = std::filesystem;
using namespace quorel;
using platform::Component;
using platform::Form;

namespace {

// Sibling pairs that a window places over each other on purpose (form, one, other).
struct Exemption {
  const char* form;
  const char* a;
  const char* b;
};
const Exemption kOverlapExemptions[] = {
    // The hidden-by-design "Extrapolation" box shares the database group's row.
    {"TDynOprtWnd", "CBExtrapolation", "GroupBox2"},
};

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
    m.StartUp();
    m.MnuSaveByExit->SetChecked(false);
    gui::Show(&m);
    Settle();
    problems = CheckEveryWindow(m, "orvanto", [&](Form& f) {
      if (&f != windows.Elements.get()) return;
      // The picker with hydrogen and oxygen chosen: their buttons turn red.
      windows.Elements->Find<platform::BitBtn>("BitBtn1")->UserClick();
      windows.Elements->Find<platform::BitBtn>("BitBtn8")->UserClick();
      Settle();
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

}  // namespace
