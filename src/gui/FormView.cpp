// The view of a form: a top-level QWidget (or a sub-window of the MDI frame's QMdiArea) with
// the main menu's bar on top and the client area below, where the components lie.
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>

#include "gui/ViewBase.h"

namespace gui {

using namespace platform;

namespace {

class FormWidget : public QWidget {
 public:
  FormWidget() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    client = new QWidget(this);
    layout->addWidget(client, 1);
  }
  QWidget* client;
  std::function<void()> on_close, on_resize, on_move, on_activate, on_state;
  std::function<void(const std::vector<std::string>&)> on_drop;

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();  // the form decides (it hides itself, or the program ends)
    if (on_close) on_close();
  }
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (on_resize) on_resize();
  }
  void moveEvent(QMoveEvent* e) override {
    QWidget::moveEvent(e);
    if (on_move) on_move();
  }
  void changeEvent(QEvent* e) override {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && on_activate) on_activate();
    if (e->type() == QEvent::WindowStateChange && on_state) on_state();
  }
  void dragEnterEvent(QDragEnterEvent* e) override {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
  }
  void dropEvent(QDropEvent* e) override {
    std::vector<std::string> files;
    for (const QUrl& url : e->mimeData()->urls())
      if (url.isLocalFile()) files.push_back(FromQt(url.toLocalFile()));
    if (!files.empty() && on_drop) on_drop(files);
  }
};

Form* MdiFrame() {
  for (Form* f : Screen::Forms())
    if (f->GetFormStyle() == FormStyle::MDIForm) return f;
  return nullptr;
}

class FormView : public ViewBase {
 public:
  explicit FormView(Form& form) : ViewBase(form, new FormWidget()) {
    auto* w = Window();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    FilterInput(w);
    FilterInput(w->client, false);
    w->on_close = [this] {
      if (comp_) Frm()->Close();
    };
    w->on_resize = [this] {
      if (!comp_ || syncing_) return;
      QSize s = Window()->size();
      if (Frm()->GetFormStyle() == FormStyle::MDIChild && sub_) s = sub_->size();
      Frm()->UserResize(s.width(), s.height());
    };
    w->on_move = [this] {
      if (!comp_ || syncing_ || Frm()->GetFormStyle() == FormStyle::MDIChild) return;
      SyncGuard guard(*this);
      QPoint p = Window()->pos();
      Frm()->SetBounds(p.x(), p.y(), Frm()->Width(), Frm()->Height());
    };
    w->on_activate = [this] {
      if (comp_ && Frm()->Visible()) Frm()->Activate();
    };
    w->on_state = [this] {
      if (!comp_ || syncing_) return;
      Qt::WindowStates s = Window()->windowState();
      SyncGuard guard(*this);
      Frm()->SetWindowState(s & Qt::WindowMinimized   ? WindowState::Minimized
                            : s & Qt::WindowMaximized ? WindowState::Maximized
                                                      : WindowState::Normal);
    };
    w->on_drop = [this](const std::vector<std::string>& files) {
      if (comp_) Frm()->UserDropFiles(files);
    };
    if (form.GetFormStyle() == FormStyle::MDIForm) {
      mdi_ = new QMdiArea(w->client);
      mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      QObject::connect(mdi_, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* sub) {
        if (!sub) return;
        for (Form* f : Screen::Forms())
          if (ViewBase* v = ViewOf(f); v && v->Widget() == sub->widget() && f->Visible()) f->Activate();
      });
    }
    if (form.GetFormStyle() == FormStyle::MDIChild) {
      if (auto* frame = dynamic_cast<FormView*>(ViewOf(MdiFrame())); frame && frame->mdi_) {
        sub_ = frame->mdi_->addSubWindow(w);
        sub_->hide();
      }
    }
  }
  ~FormView() override {
    if (waiter_) waiter_->quit();
  }

  Form* Frm() const { return static_cast<Form*>(comp_); }
  FormWidget* Window() const { return static_cast<FormWidget*>(widget_.data()); }
  QWidget* Container() const override { return widget_ ? Window()->client : nullptr; }
  void ClientRemainder(const QRect& r) override {
    if (mdi_) mdi_->setGeometry(r);
  }
  void SetWaiter(QEventLoop* loop) { waiter_ = loop; }
  void ChildrenBound() override {
    if (!comp_) return;
    Changed(*comp_, Property::Menu);
    // The designed places of the components are relative to the client area below the bar.
    last_container_size_ = QSize();
  }

  void Detached(Component& c) override {
    if (waiter_) waiter_->quit();
    waiter_ = nullptr;
    if (sub_) {
      sub_->hide();
      sub_->deleteLater();  // takes the form widget and this view with it
      sub_ = nullptr;
      comp_ = nullptr;
      return;
    }
    ViewBase::Detached(c);
  }

 protected:
  QWidget* Frame() const { return sub_ ? static_cast<QWidget*>(sub_.data()) : widget_.data(); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    // Keys reach the form itself only when no control of it has the focus (a control's key has
    // been through the form's preview and default buttons already).
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && watched == widget_) {
      QWidget* focus = QApplication::focusWidget();
      if (focus && focus != widget_ && widget_->isAncestorOf(focus)) return false;
    }
    return ViewBase::eventFilter(watched, event);
  }

  void ApplyFlags() {
    if (sub_) return;
    Form* f = Frm();
    Qt::WindowFlags flags = Qt::Window;
    switch (f->GetBorderStyle()) {
      case BorderStyle::ToolWindow:
      case BorderStyle::SizeToolWin: flags = Qt::Tool; break;
      case BorderStyle::Dialog: flags = Qt::Dialog; break;
      case BorderStyle::None: flags = Qt::Window | Qt::FramelessWindowHint; break;
      default: break;
    }
    if (f->GetFormStyle() == FormStyle::StayOnTop) flags |= Qt::WindowStaysOnTopHint;
    if (Window()->windowFlags() == flags) return;
    bool visible = Window()->isVisible();
    Window()->setWindowFlags(flags);
    if (visible) Window()->show();
  }
  void ApplySizeLimits() {
    Form* f = Frm();
    const SizeConstraints& c = f->Constraints();
    bool fixed = f->GetBorderStyle() == BorderStyle::Single || f->GetBorderStyle() == BorderStyle::Dialog ||
                 f->GetBorderStyle() == BorderStyle::ToolWindow;
    QWidget* w = Frame();
    if (fixed) {
      w->setMinimumSize(f->Width(), f->Height());
      w->setMaximumSize(f->Width(), f->Height());
      return;
    }
    w->setMinimumSize(c.MinWidth, c.MinHeight);
    w->setMaximumSize(c.MaxWidth > 0 ? c.MaxWidth : QWIDGETSIZE_MAX, c.MaxHeight > 0 ? c.MaxHeight : QWIDGETSIZE_MAX);
  }
  void ApplyState() {
    QWidget* w = Frame();
    Qt::WindowStates s = Qt::WindowNoState;
    if (Frm()->GetWindowState() == WindowState::Minimized) s = Qt::WindowMinimized;
    if (Frm()->GetWindowState() == WindowState::Maximized) s = Qt::WindowMaximized;
    // An MDI sub-window counts being active as part of its state; only the size state is ours
    // (clearing the active flag makes Qt restore the sub-window's geometry of its creation).
    const Qt::WindowStates active = w->windowState() & Qt::WindowActive;
    if ((w->windowState() & ~Qt::WindowActive) != s) w->setWindowState(s | active);
  }
  void ApplyText() override { Window()->setWindowTitle(ToQt(comp_->Caption())); }
  void ApplyGeometry() override {
    Form* f = Frm();
    ApplySizeLimits();
    QWidget* w = Frame();
    if (w->pos() != QPoint(f->Left(), f->Top())) w->move(f->Left(), f->Top());
    if (w->size() != QSize(f->Width(), f->Height())) w->resize(f->Width(), f->Height());
    // The client area takes its size now, also while the window is hidden, so that aligned
    // components get their real bounds before the window is first shown.
    if (QLayout* l = Window()->layout()) l->activate();
  }
  void Apply(Property what) override {
    if (!widget_ || !comp_) return;
    Form* f = Frm();
    switch (what) {
      case Property::Visible:
        if (f->Visible()) {
          if (!sub_) Window()->setWindowModality(f->Modal() ? Qt::ApplicationModal : Qt::NonModal);
          Window()->show();
          if (sub_) sub_->show();
          ApplyState();
        } else {
          Frame()->hide();
          if (!sub_) Window()->setWindowModality(Qt::NonModal);
        }
        break;
      case Property::Enabled: Window()->client->setEnabled(f->Enabled()); break;
      case Property::Hint: break;
      case Property::Bounds: ApplyGeometry(); break;
      case Property::Text: ApplyText(); break;
      case Property::Font:
        if (f->Font() != FontInfo{}) Window()->setFont(ToQFont(f->Font()));
        break;
      case Property::Color:
        if (f->Color() != clBtnFace) {
          QPalette pal = Window()->client->palette();
          pal.setColor(QPalette::Window, ToQColor(f->Color()));
          Window()->client->setPalette(pal);
          Window()->client->setAutoFillBackground(true);
        }
        break;
      case Property::WindowState: ApplyState(); break;
      case Property::FormStyle:
      case Property::BorderStyle:
        ApplyFlags();
        ApplySizeLimits();
        break;
      case Property::Constraints: ApplySizeLimits(); break;
      case Property::Menu: {
        auto* layout = static_cast<QVBoxLayout*>(Window()->layout());
        QMenuBar* bar = nullptr;
        if (ViewBase* mv = ViewOf(f->Menu())) bar = qobject_cast<QMenuBar*>(mv->Widget());
        if (layout->menuBar() && layout->menuBar() != bar) layout->menuBar()->hide();
        layout->setMenuBar(bar);
        if (bar) bar->show();
        layout->activate();
        break;
      }
      case Property::ModalResult:
        if (waiter_ && f->GetModalResult() != mrNone) waiter_->quit();
        break;
      case Property::Other: Window()->setAcceptDrops(f->AcceptFiles()); break;
      default: break;
    }
  }
  void Request(platform::Request what, int x, int y) override {
    switch (what) {
      case platform::Request::BringToFront:
        if (!Frm()->Visible()) return;
        Frame()->show();
        Frame()->raise();
        if (sub_ && mdi_parent()) mdi_parent()->setActiveSubWindow(sub_);
        else Window()->activateWindow();
        break;
      case platform::Request::Cascade:
        if (mdi_) mdi_->cascadeSubWindows();
        break;
      case platform::Request::Tile:
        if (mdi_) mdi_->tileSubWindows();
        break;
      default: ViewBase::Request(what, x, y); break;
    }
  }
  QMdiArea* mdi_parent() const { return sub_ ? sub_->mdiArea() : nullptr; }

  QPointer<QMdiArea> mdi_;
  QPointer<QMdiSubWindow> sub_;
  QEventLoop* waiter_ = nullptr;
};

}  // namespace

ViewBase* CreateFormView(Form& form) { return new FormView(form); }

void SetModalWaiter(Form& form, QEventLoop* loop) {
  if (auto* v = dynamic_cast<FormView*>(ViewOf(&form))) v->SetWaiter(loop);
}

}  // namespace gui
