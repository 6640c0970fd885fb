// The Qt binding under the offscreen platform: windows are shown and photographed, property
// changes of components reach their widgets, and user input on the widgets comes back as the
// components' own events.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QGroupBox>
#include <QTabWidget>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

#include <cmath>
#include <cstdlib>
#include <set>
#include <filesystem>
#include <memory>
#include <string>

#include "gui/Gui.h"
#include "gui/QtServices.h"
#include "gui/ViewBase.h"
#include "platform/Components.h"
#include "platform/Headless.h"
#include "platform/Canvas.h"
#include "platform/Picture.h"
#include "platform/Text.h"
#include "shared/AplMsg.h"

using namespace platform;

namespace {

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // The offscreen platform with a screen of 1280 x 1024 pixels at 96 dpi.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || std::string(platform) == "offscreen")
      setenv("QT_QPA_PLATFORM", "offscreen:configfile=" QUOREL_TEST_DIR "/offscreen_screen.json", 1);
    app = std::make_unique<gui::Application>(argc, argv);
    // The tests' windows are not the main form: closing them must not end the program.
    main_form = std::make_unique<Form>(nullptr, "TestMain");
    Screen::SetMainForm(main_form.get());
  }
  void TearDown() override {
    main_form.reset();
    app.reset();
  }
  std::unique_ptr<Form> main_form;
  static inline int argc = 1;
  static inline char name[] = "test_gui";
  static inline char* argv[] = {name, nullptr};
  std::unique_ptr<gui::Application> app;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

template <class W>
W* WidgetAs(const Component* c) {
  return qobject_cast<W*>(gui::WidgetOf(c));
}

// As the event loop does between events: new windows get their widgets, pending events run.
void Settle() {
  for (int i = 0; i < 3; ++i) platform::ProcessMessages();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // as on return to the loop
}

void ClickWidget(QWidget* w, QPoint at = {-1, -1}) {
  if (at.x() < 0) at = w->rect().center();
  QPointF global = w->mapToGlobal(QPointF(at));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

void PressKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

// A small window of the kinds the windows use.
struct SampleForm : Form {
  SampleForm() : Form(nullptr, "SampleForm") {
    SetCaption("Sample");
    SetBounds(100, 100, 420, 300);
    BtnCalc = Make<Button>(this, "BtnCalc");
    BtnCalc->SetCaption("&Calculation");
    BtnCalc->SetBounds(8, 8, 100, 25);
    ChkAuto = Make<CheckBox>(this, "ChkAuto");
    ChkAuto->SetCaption("Auto");
    ChkAuto->SetBounds(120, 12, 80, 17);
    EditTsys = Make<Edit>(this, "EditTsys");
    EditTsys->SetBounds(210, 8, 100, 22);
    CbxUnit = Make<ComboBox>(this, "CbxUnit");
    CbxUnit->SetStyle(ComboStyle::DropDownList);
    CbxUnit->Items().Assign({"mol", "g", "kg"});
    CbxUnit->SetBounds(320, 8, 90, 22);
    SG = Make<StringGrid>(this, "SG");
    SG->SetBounds(8, 40, 400, 200);
    SG->SetColCount(3);
    SG->SetRowCount(4);
    SG->SetOptions(SG->Options() | goEditing);
    SG->SetCells(1, 0, "Compound");
    SG->SetCells(2, 0, "Amount");
    SG->SetCells(1, 1, "H2O(g)");
    Status = Make<StatusBar>(this, "Status");
    Status->SetAlign(Align::Bottom);
    Status->SetHeight(20);
    Status->SetSimplePanel(true);
    Menu = Make<MainMenu>(this, "MainMenu1");
    MnuFile = Menu->Add("MnuFile", "&File");
    MnuAuto = MnuFile->Add("MnuAuto", "Auto save");
    MnuAuto->SetAutoCheck(true);
    SetMenu(Menu);
  }
  Button* BtnCalc;
  CheckBox* ChkAuto;
  Edit* EditTsys;
  ComboBox* CbxUnit;
  StringGrid* SG;
  StatusBar* Status;
  MainMenu* Menu;
  MenuItem* MnuFile;
  MenuItem* MnuAuto;
};

TEST(GuiTest, MessageLogWindowIsShownAndPhotographed) {
  quorel::TakeEarlyLogMessages();
  quorel::TAplMsgWnd wnd;
  wnd.SetFilter(6);
  quorel::PostLogMessage(4, 1220, "Database loaded: 1543 datasets");
  quorel::PostLogMessage(6, 1301, "Temperature 25 \xB0" "C");
  quorel::PostLogMessageAlways(4, 267, "The algoritm of [Peng-Robinson] should only be used for pure substances");
  quorel::PostLogMessage(0, 526, "H2O(g): dataset not found");  // shows the window
  EXPECT_TRUE(wnd.Visible());
  Settle();

  auto* tree = WidgetAs<QTreeWidget>(wnd.LV);
  ASSERT_NE(tree, nullptr);
  EXPECT_TRUE(tree->isVisible());
  ASSERT_EQ(tree->topLevelItemCount(), 4);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "E:526");
  EXPECT_EQ(tree->topLevelItem(1)->text(1), QString::fromUtf8("Temperature 25 °C"));
  EXPECT_EQ(tree->topLevelItem(3)->text(0), "I:267");
  EXPECT_EQ(tree->headerItem()->text(1), "Event");
  QWidget* window = gui::WidgetOf(&wnd);
  ASSERT_NE(window, nullptr);
  const gui::LayoutScale sc = gui::ScaleOf(&wnd);
  EXPECT_EQ(tree->columnWidth(0), sc.X(96));
  EXPECT_EQ(window->windowTitle(), "Messages");
  // Its first place is the middle of the screen, the whole window on it.
  const QRect screen = window->screen()->availableGeometry();
  EXPECT_EQ(window->size(), sc.Size(478, 240));
  EXPECT_NEAR(window->frameGeometry().center().x(), screen.center().x(), 2);
  EXPECT_TRUE(screen.contains(window->frameGeometry()));
  EXPECT_EQ(wnd.Left(), window->pos().x());

  // The buttons sit either side of the window's middle, also after a resize by the user.
  auto* close = WidgetAs<QPushButton>(wnd.ButtonClose);
  auto* reset = WidgetAs<QPushButton>(wnd.ButtonReset);
  ASSERT_TRUE(close && reset);
  window->resize(sc.Size(560, 260));
  Settle();
  EXPECT_EQ(wnd.Width(), 560);
  EXPECT_EQ(wnd.ButtonClose->Left(), 280 + 8);
  EXPECT_EQ(wnd.ButtonReset->Left() + wnd.ButtonReset->Width(), 280 - 8);
  EXPECT_EQ(close->geometry(), sc.Rect(288, wnd.ButtonClose->Top(), 75, 25));
  EXPECT_EQ(tree->height(), window->height() - gui::WidgetOf(wnd.PanelButtons)->height() -
                                gui::WidgetOf(wnd.StatusBar1)->height());
  window->resize(sc.Size(478, 240));
  Settle();

  std::filesystem::path dir = std::filesystem::path(QUOREL_BUILD_DIR) / "screenshots";
  std::filesystem::create_directories(dir);
  std::string png = (dir / "messages.png").string();
  ASSERT_TRUE(gui::GrabToPng(&wnd, png));
  QImage shot(QString::fromStdString(png));
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size(), sc.Size(478, 240));

  // The Qt close button hides the window through the component.
  ClickWidget(close);
  EXPECT_FALSE(wnd.Visible());
  EXPECT_FALSE(window->isVisible());
}

TEST(GuiTest, MessageLogKeysMenuAndCopyThroughQt) {
  quorel::TakeEarlyLogMessages();
  quorel::TAplMsgWnd wnd;
  gui::Show(&wnd);
  quorel::PostLogMessage(2, 77, "Critical: \xB3 step");
  quorel::PostLogMessage(4, 78, "Important");
  Settle();
  auto* tree = WidgetAs<QTreeWidget>(wnd.LV);
  ASSERT_NE(tree, nullptr);

  // A click on a row selects the entry; the popup's "Copy Message" puts it on the clipboard.
  tree->setCurrentItem(tree->topLevelItem(1));
  EXPECT_EQ(wnd.LV->Selected(), wnd.LV->Items(1));
  QAction* copy = nullptr;
  for (QAction* a : tree->window()->findChildren<QAction*>())
    if (a->text() == "Copy Message") copy = a;
  ASSERT_NE(copy, nullptr);
  copy->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("E:77\tCritical: ³ step"));

  // Ctrl+A on the list marks every entry; the icons follow.
  PressKey(tree, Qt::Key_A, Qt::ControlModifier, "\x01");
  EXPECT_EQ(wnd.LV->Items(0)->ImageIndex(), 5);
  EXPECT_EQ(wnd.LV->Items(1)->ImageIndex(), 3);
  // A click on the "Event" header sorts by the text.
  tree->header()->sectionClicked(1);
  EXPECT_EQ(wnd.LV->Items(0)->Caption(), "E:77");
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "E:77");
  // Escape closes the window.
  PressKey(tree, Qt::Key_Escape);
  EXPECT_FALSE(wnd.Visible());
}

TEST(GuiTest, ClickOnTheQtButtonFiresTheComponentsEvent) {
  SampleForm form;
  int clicks = 0;
  Component* sender = nullptr;
  form.BtnCalc->OnClick = [&](Component* s) {
    ++clicks;
    sender = s;
  };
  gui::Show(&form);
  Settle();
  auto* button = WidgetAs<QPushButton>(form.BtnCalc);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "&Calculation");
  ClickWidget(button);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sender, form.BtnCalc);
  // A disabled component disables its widget; a click on it does nothing.
  form.BtnCalc->SetEnabled(false);
  EXPECT_FALSE(button->isEnabled());
  ClickWidget(button);
  EXPECT_EQ(clicks, 1);
}

TEST(GuiTest, PropertyChangesReachTheWidgets) {
  SampleForm form;
  gui::Show(&form);
  Settle();
  QWidget* window = gui::WidgetOf(&form);
  ASSERT_NE(window, nullptr);

  form.SetCaption("Equilibrium \xB0" "C");
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Equilibrium °C"));
  form.ChkAuto->SetChecked(true);
  EXPECT_TRUE(WidgetAs<QCheckBox>(form.ChkAuto)->isChecked());
  form.EditTsys->SetText("298.15");
  EXPECT_EQ(WidgetAs<QLineEdit>(form.EditTsys)->text(), "298.15");
  form.CbxUnit->SetItemIndex(2);
  EXPECT_EQ(WidgetAs<QComboBox>(form.CbxUnit)->currentText(), "kg");
  form.BtnCalc->SetVisible(false);
  EXPECT_FALSE(gui::WidgetOf(form.BtnCalc)->isVisible());
  // Designed geometry shows scaled by the window's font.
  const gui::LayoutScale sc = gui::ScaleOf(&form);
  EXPECT_GT(sc.x, 1.0);  // DejaVu Sans is wider than the design font
  form.BtnCalc->SetBounds(20, 10, 120, 30);
  EXPECT_EQ(gui::WidgetOf(form.BtnCalc)->geometry(), sc.Rect(20, 10, 120, 30));
  form.Status->SetSimpleText("Ready");
  EXPECT_NE(WidgetAs<QStatusBar>(form.Status)->findChild<QWidget*>(), nullptr);

  auto* table = WidgetAs<QTableView>(form.SG);
  ASSERT_NE(table, nullptr);
  QAbstractItemModel* model = table->model();
  // The fixed row is the header, the fixed column the row header.
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Compound");
  EXPECT_EQ(model->data(model->index(0, 0)).toString(), "H2O(g)");
  form.SG->SetCells(2, 3, "1.5");
  EXPECT_EQ(model->data(model->index(2, 1)).toString(), "1.5");
  form.SG->SetRowCount(6);
  EXPECT_EQ(model->rowCount(), 5);
  form.SG->SetColWidths(1, 150);
  EXPECT_EQ(table->columnWidth(0), sc.X(150));

  // Menus: the bar is on the window, the item's check mark follows the component.
  ASSERT_NE(window->findChild<QMenuBar*>(), nullptr);
  EXPECT_TRUE(window->findChild<QMenuBar*>()->isVisible());
  EXPECT_EQ(window->findChild<QMenuBar*>()->actions().value(0)->text(), "&File");
  QAction* autoSave = nullptr;
  for (QAction* a : window->findChildren<QAction*>())
    if (a->text() == "Auto save") autoSave = a;
  ASSERT_NE(autoSave, nullptr);
  form.MnuAuto->SetChecked(true);
  EXPECT_TRUE(autoSave->isCheckable());
  EXPECT_TRUE(autoSave->isChecked());
  form.MnuAuto->SetEnabled(false);
  EXPECT_FALSE(autoSave->isEnabled());

  // Components added while the window is shown get their widgets when the loop is idle.
  MenuItem* recent = form.MnuFile->Add("MnuRecent1", "1 last.eql");
  gui::Sync();
  bool found = false;
  for (QAction* a : window->findChildren<QAction*>()) found = found || a->text() == "1 last.eql";
  EXPECT_TRUE(found);
  form.MnuFile->DestroyChild(recent);
  Settle();
  found = false;
  for (QAction* a : window->findChildren<QAction*>()) found = found || a->text() == "1 last.eql";
  EXPECT_FALSE(found);
}

TEST(GuiTest, TheWindowsFontDecidesItsScale) {
  SampleForm form;
  form.SetConstraints({300, 200, 0, 0});
  gui::Show(&form);
  Settle();
  QWidget* window = gui::WidgetOf(&form);
  const gui::LayoutScale before = gui::ScaleOf(&form);
  EXPECT_EQ(window->size(), before.Size(420, 300));
  EXPECT_EQ(window->minimumSize(), before.Size(300, 200));  // minimum sizes scale too
  // The user chooses a larger font for the window: everything on it grows with it.
  FontInfo font;
  font.Name = "DejaVu Sans";
  font.Size = 14;
  form.SetFont(font);
  Settle();
  const gui::LayoutScale after = gui::ScaleOf(&form);
  EXPECT_GT(after.x, before.x * 1.3);
  EXPECT_GT(after.y, before.y * 1.3);
  EXPECT_EQ(window->size(), after.Size(420, 300));
  EXPECT_EQ(window->minimumSize(), after.Size(300, 200));
  EXPECT_EQ(gui::WidgetOf(form.BtnCalc)->geometry(), after.Rect(8, 8, 100, 25));
  EXPECT_EQ(WidgetAs<QTableView>(form.SG)->columnWidth(0), after.X(form.SG->ColWidths(1)));
  // The designed values stay as they were.
  EXPECT_EQ(form.Width(), 420);
  EXPECT_EQ(form.BtnCalc->Width(), 100);
}

TEST(GuiTest, AlignedAndAnchoredComponentsFollowTheWindowSize) {
  SampleForm form;
  auto* btnHelp = Make<Button>(&form, "BtnHelp");
  btnHelp->SetBounds(330, 250, 80, 20);
  btnHelp->SetAnchors(akRight | akBottom);
  form.SG->SetAnchors(akLeft | akTop | akRight | akBottom);
  gui::Bind(&form);
  const gui::LayoutScale sc = gui::ScaleOf(&form);
  // Before the window is shown, the aligned status bar already lies at the client's bottom.
  QWidget* window = gui::WidgetOf(&form);
  EXPECT_EQ(window->size(), sc.Size(420, 300));
  QWidget* client = gui::WidgetOf(form.Status)->parentWidget();
  EXPECT_EQ(gui::WidgetOf(form.Status)->geometry().bottom(), client->height() - 1);
  EXPECT_EQ(gui::WidgetOf(form.Status)->height(), sc.Y(20));
  EXPECT_EQ(form.Status->Height(), 20);
  EXPECT_EQ(form.Status->Width(), 420);
  gui::Show(&form);
  Settle();
  EXPECT_EQ(btnHelp->Left(), 330);  // designed places hold when the window appears
  EXPECT_EQ(form.SG->Width(), 400);
  // The user makes the window 100 x 40 designed units larger.
  window->resize(sc.Size(520, 340));
  Settle();
  EXPECT_EQ(form.Width(), 520);
  EXPECT_EQ(form.Height(), 340);
  EXPECT_EQ(btnHelp->Left(), 430);
  EXPECT_NEAR(btnHelp->Top(), 290, 1);  // the client's height in pixels rounds to whole units
  EXPECT_EQ(gui::WidgetOf(btnHelp)->geometry(), sc.Rect(btnHelp->Left(), btnHelp->Top(), 80, 20));
  EXPECT_EQ(form.SG->Width(), 500);
  EXPECT_NEAR(form.SG->Height(), 240, 1);
  EXPECT_EQ(form.Status->Width(), 520);
  EXPECT_EQ(gui::WidgetOf(form.Status)->width(), window->width());
  // Back to the designed size: every designed value is as it was (no drift).
  window->resize(sc.Size(420, 300));
  Settle();
  EXPECT_EQ(form.Width(), 420);
  EXPECT_EQ(form.Height(), 300);
  EXPECT_EQ(btnHelp->Left(), 330);
  EXPECT_EQ(btnHelp->Top(), 250);
  EXPECT_EQ(form.SG->Width(), 400);
  EXPECT_EQ(form.SG->Height(), 200);
  EXPECT_EQ(form.Status->Height(), 20);
}

TEST(GuiTest, UserInputComesBackAsComponentEvents) {
  SampleForm form;
  gui::Show(&form);
  Settle();
  QWidget* window = gui::WidgetOf(&form);

  int checkClicks = 0;
  form.ChkAuto->OnClick = [&](Component*) { ++checkClicks; };
  ClickWidget(WidgetAs<QCheckBox>(form.ChkAuto));
  EXPECT_EQ(checkClicks, 1);
  EXPECT_TRUE(form.ChkAuto->Checked());
  EXPECT_TRUE(WidgetAs<QCheckBox>(form.ChkAuto)->isChecked());

  std::string changed;
  form.EditTsys->OnChange = [&](Component* s) { changed = s->Text(); };
  auto* edit = WidgetAs<QLineEdit>(form.EditTsys);
  edit->setFocus();
  PressKey(edit, Qt::Key_2, Qt::NoModifier, "2");
  PressKey(edit, Qt::Key_5, Qt::NoModifier, "5");
  EXPECT_EQ(form.EditTsys->Text(), "25");
  EXPECT_EQ(changed, "25");
  // A key handler may drop a typed character.
  form.EditTsys->OnKeyPress = [](Component*, char& key) {
    if (key == 'x') key = 0;
  };
  PressKey(edit, Qt::Key_X, Qt::NoModifier, "x");
  EXPECT_EQ(form.EditTsys->Text(), "25");

  int selected = -1;
  form.CbxUnit->OnChange = [&](Component*) { selected = form.CbxUnit->ItemIndex(); };
  WidgetAs<QComboBox>(form.CbxUnit)->activated(1);
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(form.CbxUnit->Text(), "g");

  int menuClicks = 0;
  form.MnuAuto->OnClick = [&](Component*) { ++menuClicks; };
  QAction* autoSave = nullptr;
  for (QAction* a : window->findChildren<QAction*>())
    if (a->text() == "Auto save") autoSave = a;
  ASSERT_NE(autoSave, nullptr);
  autoSave->trigger();
  EXPECT_EQ(menuClicks, 1);
  EXPECT_TRUE(form.MnuAuto->Checked());
  EXPECT_TRUE(autoSave->isChecked());

  // Enter in the edit presses the form's default button.
  int calc = 0;
  form.BtnCalc->SetDefault(true);
  form.BtnCalc->OnClick = [&](Component*) { ++calc; };
  PressKey(edit, Qt::Key_Return);
  EXPECT_EQ(calc, 1);
}

TEST(GuiTest, UserEditingAGridCellComesBackAsTheGridsEvent) {
  SampleForm form;
  std::vector<std::string> edits;
  form.SG->OnSetEditText = [&](Component*, int col, int row, const std::string& text) {
    edits.push_back(std::to_string(col) + "," + std::to_string(row) + "=" + text);
  };
  int vetoed = 0;
  form.SG->OnSelectCell = [&](Component*, int col, int, bool& can) {
    if (col == 1) return;
    can = false;
    ++vetoed;
  };
  gui::Show(&form);
  Settle();
  auto* table = WidgetAs<QTableView>(form.SG);
  ASSERT_NE(table, nullptr);
  QModelIndex cell = table->model()->index(1, 0);  // grid cell (1, 2)
  table->setCurrentIndex(cell);
  EXPECT_EQ(form.SG->Col(), 1);
  EXPECT_EQ(form.SG->Row(), 2);
  table->edit(cell);
  auto* editor = table->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText(QString::fromUtf8("CO2(g) 1°"));
  PressKey(editor, Qt::Key_Return);
  Settle();
  EXPECT_EQ(form.SG->Cells(1, 2), "CO2(g) 1\xB0");
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0], "1,2=CO2(g) 1\xB0");

  // A vetoed cell change puts the Qt current cell back where the grid is.
  table->setCurrentIndex(table->model()->index(1, 1));
  EXPECT_EQ(vetoed, 1);
  EXPECT_EQ(form.SG->Col(), 1);
  EXPECT_EQ(table->currentIndex().column(), 0);
}

TEST(GuiTest, PagesAndRadioGroups) {
  Form form(nullptr, "Pages");
  form.SetBounds(0, 0, 300, 200);
  auto* pages = Make<PageControl>(&form, "PC");
  pages->SetAlign(Align::Client);
  auto* tsA = Make<TabSheet>(pages, "TSA");
  tsA->SetCaption("Gas");
  auto* tsB = Make<TabSheet>(pages, "TSB");
  tsB->SetCaption("Liquid");
  auto* rg = Make<RadioGroup>(tsB, "RGgrl");
  rg->SetCaption("Behaviour");
  rg->SetBounds(4, 4, 200, 100);
  rg->Items().Assign({"Ideal", "van der Waals", "Redlich-Kwong"});
  rg->SetItemIndex(0);
  pages->SetActivePage(tsB);
  int pageChanges = 0;
  pages->OnChange = [&](Component*) { ++pageChanges; };
  int rgClicks = 0;
  rg->OnClick = [&](Component*) { ++rgClicks; };
  gui::Show(&form);
  Settle();

  auto* tabs = WidgetAs<QTabWidget>(pages);
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "Gas");
  EXPECT_EQ(tabs->currentIndex(), 1);
  tabs->setCurrentIndex(0);  // as a click on the tab
  EXPECT_EQ(pages->ActivePage(), tsA);
  EXPECT_EQ(pageChanges, 1);
  tsB->SetTabVisible(false);
  EXPECT_FALSE(tabs->isTabVisible(1));

  auto* box = WidgetAs<QGroupBox>(rg);
  ASSERT_NE(box, nullptr);
  QList<QRadioButton*> radios = box->findChildren<QRadioButton*>();
  ASSERT_EQ(radios.size(), 3);
  EXPECT_TRUE(radios[0]->isChecked());
  radios[2]->click();
  EXPECT_EQ(rg->ItemIndex(), 2);
  EXPECT_EQ(rgClicks, 1);
  EXPECT_FALSE(radios[0]->isChecked());
  rg->SetItemIndex(1);
  EXPECT_TRUE(radios[1]->isChecked());
  EXPECT_FALSE(radios[2]->isChecked());
}

TEST(GuiTest, PaintBoxShowsItsRasterAndTheSplitterResizesItsNeighbour) {
  Form form(nullptr, "Chart");
  form.SetBounds(0, 0, 400, 200);
  auto* side = Make<Panel>(&form, "PanelSide");
  side->SetAlign(Align::Left);
  side->SetWidth(100);
  auto* split = Make<Splitter>(&form, "Splitter1");
  split->SetAlign(Align::Left);
  split->SetWidth(4);
  auto* box = Make<PaintBox>(&form, "PBChart");
  box->SetAlign(Align::Client);
  int paints = 0;
  box->OnPaint = [&](Component*) {
    ++paints;
    auto raster = std::make_shared<Picture>(box->Width(), box->Height());
    raster->Fill(clRed);
    raster->SetPixel(0, 0, clBlue);
    box->SetRaster(raster);
  };
  int moved = 0;
  split->OnMoved = [&](Component*) { ++moved; };
  gui::Show(&form);
  Settle();
  const gui::LayoutScale sc = gui::ScaleOf(&form);
  EXPECT_EQ(box->Left(), 104);
  EXPECT_EQ(box->Width(), 296);

  // The raster is drawn in designed units and shown scaled over the whole box.
  QImage shot = gui::WidgetOf(box)->grab().toImage();
  EXPECT_GT(paints, 0);
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(0, 0, 255));
  EXPECT_EQ(shot.pixelColor(10, 10), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(shot.width() - 1, shot.height() - 1), QColor(255, 0, 0));

  // The user drags the bar by 30 designed units.
  QWidget* bar = gui::WidgetOf(split);
  const double d = sc.X(30);
  QPointF g = bar->mapToGlobal(QPointF(2, 50));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 50), g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent move(QEvent::MouseMove, QPointF(2 + d, 50), g + QPointF(d, 0), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2 + d, 50), g + QPointF(d, 0), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &press);
  QApplication::sendEvent(bar, &move);
  QApplication::sendEvent(bar, &release);
  EXPECT_EQ(side->Width(), 130);
  EXPECT_EQ(box->Left(), 134);
  EXPECT_EQ(box->Width(), 266);
  EXPECT_EQ(moved, 1);
}

TEST(GuiTest, ModalFormRunsARealNestedLoop) {
  Form dlg(nullptr, "Dlg");
  dlg.SetCaption("Question");
  dlg.SetBounds(0, 0, 200, 100);
  auto* ok = Make<Button>(&dlg, "BtnOk");
  ok->SetCaption("OK");
  ok->SetModalResult(mrOk);
  ok->SetBounds(60, 40, 75, 25);
  bool wasModal = false;
  QMetaObject::invokeMethod(
      qApp,
      [&] {
        QWidget* w = gui::WidgetOf(&dlg);
        wasModal = w && w->isVisible() && w->isModal();
        if (auto* b = WidgetAs<QPushButton>(ok)) ClickWidget(b);
      },
      Qt::QueuedConnection);
  EXPECT_EQ(dlg.ShowModal(), mrOk);
  EXPECT_TRUE(wasModal);
  EXPECT_FALSE(dlg.Visible());
  EXPECT_FALSE(gui::WidgetOf(&dlg)->isVisible());

  // The close box of a modal window answers Cancel.
  QMetaObject::invokeMethod(
      qApp, [&] { gui::WidgetOf(&dlg)->close(); }, Qt::QueuedConnection);
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
}

TEST(GuiTest, MdiChildLivesInTheFramesArea) {
  Form frame(nullptr, "Frame");
  frame.SetFormStyle(FormStyle::MDIForm);
  frame.SetBounds(0, 0, 640, 480);
  auto child = std::make_unique<Form>(&frame, "Child");
  child->SetFormStyle(FormStyle::MDIChild);
  child->SetCaption("Table");
  child->SetBounds(10, 10, 300, 200);
  gui::Show(&frame);
  gui::Show(child.get());
  Settle();
  QWidget* w = gui::WidgetOf(child.get());
  ASSERT_NE(w, nullptr);
  EXPECT_NE(qobject_cast<QMdiSubWindow*>(w->parentWidget()), nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(frame.MDIChildCount(), 1);
}

TEST(GuiTest, GridCellsTooNarrowShowAnEllipsisNeverACutNumber) {
  SampleForm form;
  gui::Show(&form);
  Settle();
  const gui::LayoutScale sc = gui::ScaleOf(&form);
  auto* table = WidgetAs<QTableView>(form.SG);
  ASSERT_NE(table, nullptr);
  // A column 60 pixels wide on screen.
  const int narrow = int(std::lround(60 / sc.x));
  form.SG->SetColWidths(2, narrow);
  EXPECT_NEAR(table->columnWidth(1), 60, 1);
  struct Case {
    const char* text;
    const char* starts;  // what the shown text begins with
    const char* ends;    // ... and ends with
    bool whole;          // shown unchanged
  };
  const Case cases[] = {
      {"7.7050942E-14", "7.", "\xE2\x80\xA6" "E-14", false},  // x(CH4) of a burnt mixture: the exponent stays
      {"-1.2345678901E+105", "-", "\xE2\x80\xA6" "E+105", false},
      {"0.25", "0.25", "0.25", true},
      {"Methane in oxygen", "Met", "\xE2\x80\xA6", false},  // a name gives way at its end
      {"123456789012.5", "12", "", false},                     // a long plain number: cut in the middle
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    form.SG->SetCells(2, 1, c.text);
    const QString shown = QString::fromUtf8(platform::Cp1252ToUtf8(gui::GridCellShownText(form.SG, 2, 1)).c_str());
    if (c.whole) {
      EXPECT_EQ(shown, QString::fromLatin1(c.text));
      continue;
    }
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QString::fromUtf8(c.starts))) << shown.toStdString() << " for " << c.text;
    EXPECT_TRUE(shown.endsWith(QString::fromUtf8(c.ends))) << shown.toStdString();
    EXPECT_LE(table->fontMetrics().horizontalAdvance(shown), 60);
  }
  EXPECT_EQ(gui::ElideCellText("7.7050942E-14", table->fontMetrics(), 1000), "7.7050942E-14");

  // After a calculation the result column widens to its widest text; the grid keeps its own
  // width, and the user's narrower width wins again.
  form.SG->SetCells(2, 1, "7.7050942E-14");
  form.SG->SetCells(2, 2, "1.5");
  form.SG->WidenColumnsToText(2, 2);
  EXPECT_GT(table->columnWidth(1), table->fontMetrics().horizontalAdvance("7.7050942E-14"));
  EXPECT_EQ(form.SG->ColWidths(2), narrow);
  EXPECT_EQ(gui::GridCellShownText(form.SG, 2, 1), "7.7050942E-14");
  form.SG->SetColWidths(1, 90);  // another column's change leaves the widened one alone
  EXPECT_GT(table->columnWidth(1), 60);
  table->horizontalHeader()->resizeSection(1, 50);  // the user narrows it
  EXPECT_EQ(form.SG->ColWidths(2), sc.FromX(50, narrow));
  EXPECT_NEAR(table->columnWidth(1), 50, 1);  // in whole designed units
  EXPECT_TRUE(QString::fromUtf8(platform::Cp1252ToUtf8(gui::GridCellShownText(form.SG, 2, 1)).c_str()).endsWith("E-14"));
}

TEST(GuiTest, ToolButtonsWithoutCaptionsShowAPicture) {
  Form form(nullptr, "Tools");
  form.SetBounds(0, 0, 400, 100);
  auto* bar = Make<ToolBar>(&form, "ToolBar1");
  bar->SetAlign(Align::Top);
  bar->SetShowCaptions(true);
  ToolButton* open = MakeToolButton(bar, "BtnOpen", "Open", "Open Equilibrium File");
  ToolButton* calc = MakeToolButton(bar, "BtnCalc", "In <- Out", "Input to Output");
  gui::Show(&form);
  Settle();
  auto* qopen = WidgetAs<QToolButton>(open);
  auto* qcalc = WidgetAs<QToolButton>(calc);
  ASSERT_TRUE(qopen && qcalc);
  EXPECT_EQ(qcalc->toolButtonStyle(), Qt::ToolButtonTextOnly);
  EXPECT_EQ(qcalc->text(), "In <- Out");
  bar->SetShowCaptions(false);
  Settle();
  for (QToolButton* b : {qopen, qcalc}) {
    EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_FALSE(b->icon().isNull()) << b->text().toStdString();
    QImage shot = b->grab().toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 2u) << "a blank button";
  }
  // Without a theme icon for it, the button shows its caption's initials.
  if (QIcon::fromTheme("edit-undo").isNull()) {
    const Picture initials = CaptionInitialsPicture("In <- Out", 16);
    EXPECT_EQ(qcalc->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_RGB32),
              gui::ToQImage(initials).convertToFormat(QImage::Format_RGB32));
  }
  EXPECT_EQ(qcalc->toolTip(), "Input to Output");
  bar->SetShowCaptions(true);
  Settle();
  EXPECT_EQ(qcalc->toolButtonStyle(), Qt::ToolButtonTextOnly);
}

TEST(GuiTest, FontColoursAndDefaultButtonsShow) {
  SampleForm form;
  FontInfo red = form.BtnCalc->Font();
  red.Bold = true;
  red.Color = clRed;
  form.BtnCalc->SetFont(red);
  form.BtnCalc->SetDefault(true);
  gui::Show(&form);
  Settle();
  auto* button = WidgetAs<QPushButton>(form.BtnCalc);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
  EXPECT_TRUE(button->font().bold());
  EXPECT_TRUE(button->isDefault());
  red.Color = clBlue;
  form.BtnCalc->SetFont(red);
  EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(0, 0, 255));
  form.ChkAuto->SetColor(clYellow);
  EXPECT_EQ(WidgetAs<QCheckBox>(form.ChkAuto)->palette().color(QPalette::Window), QColor(255, 255, 0));
}

TEST(GuiTest, DestroyedComponentsTakeTheirWidgetsAlong) {
  auto form = std::make_unique<SampleForm>();
  gui::Show(form.get());
  Settle();
  QPointer<QWidget> window = gui::WidgetOf(form.get());
  QPointer<QWidget> grid = gui::WidgetOf(form->SG);
  ASSERT_TRUE(window && grid);
  form->DestroyChild(form->SG);
  Settle();
  EXPECT_TRUE(grid.isNull());
  form.reset();
  Settle();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull());
}

TEST(GuiTest, QtServicesConvertAtTheEdge) {
  // Clipboard: the system's single-byte text travels as UTF-8 and comes back unchanged.
  Clipboard().SetText("25 \xB0" "C\t1 m\xB3");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("25 °C\t1 m³"));
  EXPECT_TRUE(Clipboard().HasText());
  EXPECT_EQ(Clipboard().Text(), "25 \xB0" "C\t1 m\xB3");
  Clipboard().SetHtml("<table><tr><td>1</td></tr></table>", "1");
  EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasHtml());
  EXPECT_EQ(Clipboard().Text(), "1");
  auto picture = std::make_shared<Picture>(3, 2);
  picture->SetPixel(1, 1, clRed);
  Clipboard().SetPicture(picture);
  ASSERT_TRUE(Clipboard().HasPicture());
  auto back = Clipboard().GetPicture();
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->SamePixels(*picture));

  // A message box offers the flags' buttons and answers with the one pressed.
  QMetaObject::invokeMethod(
      qApp,
      [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->button(QMessageBox::No)) box->button(QMessageBox::No)->click();
      },
      Qt::QueuedConnection);
  EXPECT_EQ(platform::MessageBox("Save the changes?", "Table", mbYesNoCancel | mbIconQuestion), mrNo);

  EXPECT_EQ(gui::QtFileFilter("Equilibrium (*.eql)|*.eql|All files|*.*"),
            "Equilibrium (*.eql);;All files (*)");

  // The busy state is the cursor.
  {
    RunStateScope busy(RunState::Calculating);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(GuiTest, DisplayCheck) {
  std::string saved[3];
  const char* names[3] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  for (int i = 0; i < 3; ++i) {
    const char* v = std::getenv(names[i]);
    saved[i] = v ? v : "";
    unsetenv(names[i]);
  }
  EXPECT_FALSE(gui::DisplayAvailable());
  EXPECT_EQ(gui::ReportNoDisplay("orvanto"), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  EXPECT_TRUE(gui::DisplayAvailable());
  unsetenv("QT_QPA_PLATFORM");
  setenv("WAYLAND_DISPLAY", "wayland-0", 1);
  EXPECT_TRUE(gui::DisplayAvailable());
  for (int i = 0; i < 3; ++i) {
    if (saved[i].empty()) unsetenv(names[i]);
    else setenv(names[i], saved[i].c_str(), 1);
  }
}

}  // namespace
