#include "gui/QtServices.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QImage>
#include <QDateTime>
#include <QLocale>
#include <QMessageBox>
#include <QFontMetrics>
#include <QSpacerItem>
#include <QGridLayout>
#include <QMimeData>
#include <QPushButton>

#include <algorithm>

#include "gui/Gui.h"
#include "gui/ViewBase.h"
#include "platform/Form.h"
#include "platform/Picture.h"

namespace gui {

using namespace platform;

// --- clipboard ---

bool QtClipboard::HasText() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  return m && m->hasText();
}

std::string QtClipboard::Text() { return FromQt(QGuiApplication::clipboard()->text()); }

void QtClipboard::SetText(std::string_view text) { QGuiApplication::clipboard()->setText(ToQt(text)); }

void QtClipboard::SetHtml(std::string_view html, std::string_view plainText) {
  auto* data = new QMimeData();
  data->setHtml(ToQt(html));
  data->setText(ToQt(plainText));
  QGuiApplication::clipboard()->setMimeData(data);
}

bool QtClipboard::HasPicture() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  return m && m->hasImage();
}

std::shared_ptr<Picture> QtClipboard::GetPicture() {
  QImage img = QGuiApplication::clipboard()->image();
  if (img.isNull()) return nullptr;
  return std::make_shared<Picture>(FromQImage(img));
}

void QtClipboard::SetPicture(std::shared_ptr<Picture> picture) {
  if (!picture) return;
  QGuiApplication::clipboard()->setImage(ToQImage(*picture));
}

void QtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

// --- dialogs ---

namespace {

QMessageBox::StandardButton ToQtButton(int answer) {
  switch (answer) {
    case mrOk: return QMessageBox::Ok;
    case mrCancel: return QMessageBox::Cancel;
    case mrAbort: return QMessageBox::Abort;
    case mrRetry: return QMessageBox::Retry;
    case mrIgnore: return QMessageBox::Ignore;
    case mrYes: return QMessageBox::Yes;
    case mrNo: return QMessageBox::No;
    default: return QMessageBox::Ok;
  }
}

// Stored paths may use '\\'.
std::string NativeSeparatorsOf(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

QWidget* ActiveWindow() {
  QWidget* w = QApplication::activeWindow();
  if (!w) w = WidgetOf(Screen::ActiveForm());
  return w ? w->window() : nullptr;
}

}  // namespace

int QtDialogs::MessageBox(std::string_view text, std::string_view caption, MsgFlags flags) {
  QMessageBox box(ActiveWindow());
  box.setWindowTitle(ToQt(caption));
  box.setText(ToQt(text));
  switch (MsgIcon(flags)) {
    case mbIconError: box.setIcon(QMessageBox::Critical); break;
    case mbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case mbIconWarning: box.setIcon(QMessageBox::Warning); break;
    case mbIconInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  std::vector<int> answers = MsgAnswers(flags);
  QMessageBox::StandardButtons buttons;
  for (int a : answers) buttons |= ToQtButton(a);
  box.setStandardButtons(buttons);
  int def = MsgDefaultAnswer(flags);
  box.setDefaultButton(ToQtButton(def));
  if (std::find(answers.begin(), answers.end(), mrCancel) != answers.end())
    box.setEscapeButton(QMessageBox::Cancel);
  // A short text makes a narrow box whose title the window manager cuts: the box is made wide
  // enough for its title (in the bold title font, with room for the frame's buttons).
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    QFont title = box.font();
    title.setBold(true);
    const int width = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + 140;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
  int r = box.exec();
  for (int a : answers)
    if (r == ToQtButton(a)) return a;
  // Closed without a button: Cancel when offered, else the default.
  if (std::find(answers.begin(), answers.end(), mrCancel) != answers.end()) return mrCancel;
  return def;
}

std::string QtFileFilter(std::string_view filter) {
  std::string out;
  for (const FileFilter& f : ParseFileFilter(filter)) {
    if (!out.empty()) out += ";;";
    std::string patterns;
    for (const std::string& p : f.Patterns) patterns += (patterns.empty() ? "" : " ") + (p == "*.*" ? "*" : p);
    // Qt reads the patterns from the parentheses at the end; a description that names its
    // patterns there already gets them once.
    std::string d = f.Description;
    while (!d.empty() && d.back() == ' ') d.pop_back();
    if (!d.empty() && d.back() == ')') {
      std::size_t open = d.rfind('(');
      if (open != std::string::npos) d.erase(open);
      while (!d.empty() && d.back() == ' ') d.pop_back();
    }
    out += d + " (" + patterns + ")";
  }
  return out;
}

bool QtDialogs::FileDialog(FileDialogRequest& r) {
  QFileDialog dlg(ActiveWindow(), ToQt(r.Title));
  dlg.setOption(QFileDialog::DontUseNativeDialog, qEnvironmentVariableIsSet("QUOREL_PLAIN_DIALOGS"));
  bool save = r.DialogKind == FileDialogKind::Save;
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (save) dlg.setFileMode(QFileDialog::AnyFile);
  else if (r.Options & ofAllowMultiSelect) dlg.setFileMode(QFileDialog::ExistingFiles);
  else dlg.setFileMode((r.Options & ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (save && !(r.Options & ofOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  QString filter = ToQt(QtFileFilter(r.Filter));
  QStringList filters = filter.isEmpty() ? QStringList() : filter.split(";;");
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    int i = r.FilterIndex - 1;
    if (i >= 0 && i < filters.size()) dlg.selectNameFilter(filters[i]);
  }
  std::string name = NativeSeparatorsOf(r.FileName);
  QFileInfo fi(ToQt(name));
  if (!r.InitialDir.empty()) dlg.setDirectory(ToQt(NativeSeparatorsOf(r.InitialDir)));
  else if (fi.isAbsolute()) dlg.setDirectory(fi.absolutePath());
  if (!r.FileName.empty()) dlg.selectFile(fi.fileName());
  if (!r.DefaultExt.empty()) dlg.setDefaultSuffix(ToQt(r.DefaultExt));
  if (dlg.exec() != QDialog::Accepted) return false;
  QStringList chosen = dlg.selectedFiles();
  if (chosen.isEmpty()) return false;
  r.Files.clear();
  for (const QString& f : chosen) r.Files.push_back(FromQt(f));
  r.FileName = r.Files.front();
  int fi2 = filters.indexOf(dlg.selectedNameFilter());
  if (fi2 >= 0) r.FilterIndex = fi2 + 1;
  return true;
}

bool QtDialogs::FontDialog(FontInfo& font) {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, ToQFont(font), ActiveWindow());
  if (!ok) return false;
  font = FromQFont(chosen, font.Color);
  return true;
}

bool QtDialogs::ColorDialog(TColor& color) {
  QColor c = QColorDialog::getColor(ToQColor(color), ActiveWindow());
  if (!c.isValid()) return false;
  color = FromQColor(c);
  return true;
}

// --- modal loop ---

void QtModalLoop::RunModal(Form& form) {
  Bind(&form);
  if (!WidgetOf(&form)) {
    form.SetModalResult(mrCancel);
    return;
  }
  QEventLoop loop;
  SetModalWaiter(form, &loop);
  for (;;) {
    if (form.GetModalResult() != mrNone) {
      if (form.TryEndModal()) break;
      continue;  // refused: TryEndModal reset the result
    }
    if (platform::Application().Terminated() || !WidgetOf(&form)) {
      form.SetModalResult(mrCancel);
      form.TryEndModal();
      break;
    }
    loop.exec();
  }
  SetModalWaiter(form, nullptr);
}

// --- application ---

// (Not Qt's display name: some platforms would append it to every window's caption.)
void QtApplication::SetTitle(std::string_view title) { title_ = std::string(title); }

std::string QtApplication::ProgramPath() {
  return PathFromNative(QCoreApplication::applicationFilePath().toStdString());
}

std::string QtApplication::ProgramFolder() {
  return PathFromNative(QCoreApplication::applicationDirPath().toStdString());
}

std::vector<std::string> QtApplication::Arguments() {
  std::vector<std::string> out;
  QStringList args = QCoreApplication::arguments();
  for (int i = 1; i < args.size(); ++i) out.push_back(FromQt(args[i]));
  return out;
}

void QtApplication::ProcessMessages() {
  SyncForms();  // cheap: the solver pumps on every step; new components follow when idle
  QCoreApplication::processEvents();
  Screen::ProcessReleases();
}

void QtApplication::SetRunState(RunState state) {
  if (state == state_) return;
  state_ = state;
  if (cursor_set_) {
    QGuiApplication::restoreOverrideCursor();
    cursor_set_ = false;
  }
  if (state != RunState::Idle) {
    QGuiApplication::setOverrideCursor(state == RunState::Calculating ? Qt::BusyCursor : Qt::WaitCursor);
    cursor_set_ = true;
  }
}

std::string QtApplication::LongTimeText(int hour, int minute, int second) {
  // The long form without its time zone, which a time of day alone does not have.
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return FromQt(QLocale::system().toString(QTime(hour, minute, second), format.trimmed()));
}

std::string QtApplication::ShortDateText(int year, int month, int day) {
  return FromQt(QLocale::system().toString(QDate(year, month, day), QLocale::ShortFormat));
}

namespace {

// The widget that shows a form's client area: its view's container.
QWidget* ClientWidgetOf(const Form* form) {
  ViewBase* v = form ? ViewOf(form) : nullptr;
  return v ? v->Container() : nullptr;
}

}  // namespace

std::shared_ptr<Picture> QtApplication::GrabClientArea(Form& form) {
  QWidget* client = ClientWidgetOf(&form);
  if (!client || !client->isVisible()) return nullptr;
  QImage image = client->grab().toImage();
  // One picture pixel per widget pixel, whatever the screen's device pixel ratio.
  if (image.size() != client->size()) image = image.scaled(client->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  return std::make_shared<Picture>(FromQImage(image.convertToFormat(QImage::Format_RGB32)));
}

Rect QtApplication::ClientPixelRect(const Component& component) {
  QWidget* client = ClientWidgetOf(component.ParentForm());
  QWidget* w = WidgetOf(&component);
  if (!client || !w || !client->isAncestorOf(w)) return ApplicationService::ClientPixelRect(component);
  const QPoint at = w->mapTo(client, QPoint(0, 0));
  return {at.x(), at.y(), at.x() + w->width(), at.y() + w->height()};
}

void QtApplication::Terminate() {
  terminated_ = true;
  QCoreApplication::exit(0);
}

}  // namespace gui
