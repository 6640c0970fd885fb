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
#include <QScreen>
#include <QStyle>
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
    scale_ = MeasureScale(ToQFont(form.Font()));
    auto* w = Window();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    FilterInput(w);
    FilterInput(w->client, false);
    w->on_close = [this] {
      if (comp_) Frm()->Close();
    };
    w->on_resize = [this] {
      if (!comp_ || syncing_) return;
      TakeSize();
    };
    w->on_move = [this] {
      if (!comp_ || syncing_ || sub_) return;
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
        sub_->installEventFilter(this);  // the user moves the sub-window in the frame
        sub_watched_ = sub_.data();
      }
    }
  }
  ~FormView() override {
    if (waiter_) waiter_->quit();
  }

  Form* Frm() const { return static_cast<Form*>(comp_); }
  const LayoutScale* OwnScale() const override { return &scale_; }
  FormWidget* Window() const { return static_cast<FormWidget*>(widget_.data()); }
  QWidget* Container() const override { return widget_ ? Window()->client : nullptr; }
  void ClientRemainder(const QRect& r) override {
    if (!mdi_) return;
    mdi_->setGeometry(r);
    // The children's area, for the frame's Tile (the viewport less the area's scroll bars).
    const QSize v = mdi_->viewport()->size().isEmpty() ? r.size() : mdi_->viewport()->size();
    Frm()->SetMDIClientSize(int(std::lround(v.width() / scale_.x)), int(std::lround(v.height() / scale_.y)));
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
    // (Compared as a plain object: the sub-window may be half destroyed when it sends its last
    // events.)
    if (watched == sub_watched_.data()) {  // only its moves: the form's own input comes from its widget
      if (event->type() == QEvent::Move && comp_ && !syncing_ && Frm()->GetWindowState() == WindowState::Normal) {
        SyncGuard guard(*this);
        Form* f = Frm();
        const auto* sw = static_cast<QWidget*>(watched);
        f->SetBounds(scale_.FromX(sw->x(), f->Left()), scale_.FromY(sw->y(), f->Top()), f->Width(), f->Height());
      }
      return false;
    }
    // Keys reach the form itself only when no control of it has the focus (a control's key has
    // been through the form's preview and default buttons already).
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && watched == widget_) {
      QWidget* focus = QApplication::focusWidget();
      if (focus && focus != widget_ && widget_->isAncestorOf(focus)) return false;
    }
    return ViewBase::eventFilter(watched, event);
  }

  // The main window of the program, when it is another window that has its widget: secondary
  // windows belong to it, so that they stay above it (and go and come back with it).
  QWidget* OwnerWindow() const {
    Form* main = Screen::MainForm();
    if (!main || main == Frm()) return nullptr;
    ViewBase* v = ViewOf(main);
    QWidget* w = v && v->Widget() ? v->Widget()->window() : nullptr;
    return w == widget_ ? nullptr : w;
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
    QWidget* owner = OwnerWindow();
    if (flags_set_ && flags == flags_ && Window()->parentWidget() == owner) return;
    flags_ = flags;
    flags_set_ = true;
    const bool visible = Window()->isVisible();
    const QPoint pos = Window()->pos();
    Window()->setParent(owner, flags);
    Window()->move(pos);
    if (visible) Window()->show();
  }
  // The screen's work area (where the window is, else the primary screen).
  QRect WorkArea() const {
    QScreen* s = widget_ ? widget_->screen() : nullptr;
    if (!s) s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, Screen::Width(), Screen::Height());
  }
  // The window manager's frame around the client area (before it is known: a title bar).
  QMargins FrameMargins() const {
    QRect fg = Window()->frameGeometry(), g = Window()->geometry();
    if (fg != g) return QMargins(g.left() - fg.left(), g.top() - fg.top(), fg.right() - g.right(), fg.bottom() - g.bottom());
    if (!Window()->isVisible() || fg.isEmpty())
      return QMargins(0, Window()->style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0);
    return QMargins();
  }
  bool FixedBorder() const {
    BorderStyle b = Frm()->GetBorderStyle();
    return b == BorderStyle::Single || b == BorderStyle::Dialog || b == BorderStyle::ToolWindow;
  }
  // Whether a window of this size (in pixels) fits the work area with its frame.
  bool FitsScreen(const QSize& size) const {
    if (sub_) return true;
    const QRect area = WorkArea();
    const QMargins m = FrameMargins();
    return size.width() + m.left() + m.right() <= area.width() && size.height() + m.top() + m.bottom() <= area.height();
  }
  // The window's size on screen: the designed size scaled, never larger than the work area.
  QSize ShownSize() const {
    QSize size = scale_.Size(Frm()->Width(), Frm()->Height());
    if (!sub_ && !FitsScreen(size)) {
      const QRect area = WorkArea();
      const QMargins m = FrameMargins();
      size = size.boundedTo(QSize(area.width() - m.left() - m.right(), area.height() - m.top() - m.bottom()));
    }
    return size;
  }
  void ApplySizeLimits() {
    Form* f = Frm();
    const SizeConstraints& c = f->Constraints();
    QWidget* w = Frame();
    const QSize designed = scale_.Size(f->Width(), f->Height());
    // A fixed window whose scaled content would not fit the screen can be sized instead.
    if (FixedBorder() && FitsScreen(designed)) {
      w->setMinimumSize(designed);
      w->setMaximumSize(designed);
      return;
    }
    QSize min = scale_.Size(c.MinWidth, c.MinHeight);
    if (!sub_) {
      const QRect area = WorkArea();
      min = min.boundedTo(area.size());
    }
    w->setMinimumSize(min);
    w->setMaximumSize(c.MaxWidth > 0 ? std::max(min.width(), scale_.X(c.MaxWidth)) : QWIDGETSIZE_MAX,
                      c.MaxHeight > 0 ? std::max(min.height(), scale_.Y(c.MaxHeight)) : QWIDGETSIZE_MAX);
  }
  void ApplyState() {
    QWidget* w = Frame();
    Qt::WindowStates s = Qt::WindowNoState;
    if (Frm()->GetWindowState() == WindowState::Minimized) s = Qt::WindowMinimized;
    if (Frm()->GetWindowState() == WindowState::Maximized) s = Qt::WindowMaximized;
    // An MDI sub-window counts being active as part of its state; only the size state is ours
    // (clearing the active flag makes Qt restore the sub-window's geometry of its creation).
    const Qt::WindowStates active = w->windowState() & Qt::WindowActive;
    if ((w->windowState() & ~Qt::WindowActive) != s) {
      w->setWindowState(s | active);
      // Back to normal: the window has its normal size again, which the form takes.
      if (s == Qt::WindowNoState && w->isVisible()) TakeSize();
    }
    // Qt may decide otherwise (an MDI area keeps its children maximised while one is): the
    // form takes the state the window really has.
    const Qt::WindowStates now = w->windowState();
    Frm()->SetWindowState(now & Qt::WindowMinimized   ? WindowState::Minimized
                          : now & Qt::WindowMaximized ? WindowState::Maximized
                                                      : WindowState::Normal);
  }
  // The window's size on screen becomes the form's size (designed units).
  void TakeSize() {
    QSize s = Window()->size();
    if (sub_) s = sub_->size();
    Frm()->UserResize(scale_.FromX(s.width(), Frm()->Width()), scale_.FromY(s.height(), Frm()->Height()));
  }
  // Where a window goes when it is first shown: the centre of the screen or of the main window
  // when the form asks for it, its own place otherwise.
  void PlaceFirst() {
    Form* f = Frm();
    const QMargins m = FrameMargins();
    const QSize size = ShownSize().grownBy(m);
    QRect ref;
    switch (f->Position()) {
      case FormPosition::ScreenCenter:
      case FormPosition::DesktopCenter: ref = WorkArea(); break;
      case FormPosition::MainFormCenter:
      case FormPosition::OwnerFormCenter:
        ref = OwnerWindow() ? OwnerWindow()->frameGeometry() : WorkArea();
        break;
      default: return;
    }
    const QPoint at(ref.x() + (ref.width() - size.width()) / 2, ref.y() + (ref.height() - size.height()) / 2);
    Window()->move(at);
    SyncGuard guard(*this);
    f->SetBounds(at.x(), at.y(), f->Width(), f->Height());
  }
  // Moves the window (its frame included) fully onto the work area, or at least its title bar
  // when it is larger than that.
  void KeepOnScreen() {
    if (sub_ || keeping_) return;
    keeping_ = true;
    const QRect area = WorkArea();
    const QMargins m = FrameMargins();
    const QSize size = Window()->size().grownBy(m);
    QPoint p = Window()->pos();  // the frame's top-left corner
    int x = std::min(p.x(), area.x() + area.width() - size.width());
    int y = std::min(p.y(), area.y() + area.height() - size.height());
    x = std::max(x, area.x());
    y = std::max(y, area.y());
    if (QPoint(x, y) != p) {
      Window()->move(x, y);
      SyncGuard guard(*this);
      Frm()->SetBounds(x, y, Frm()->Width(), Frm()->Height());
    }
    keeping_ = false;
  }
  void ApplyText() override { Window()->setWindowTitle(ToQt(comp_->Caption())); }
  void ApplyGeometry() override {
    Form* f = Frm();
    ApplySizeLimits();
    QWidget* w = Frame();
    // A window's place is in screen pixels; an MDI child lies in its frame like a control.
    const QPoint pos = sub_ ? QPoint(scale_.X(f->Left()), scale_.Y(f->Top())) : QPoint(f->Left(), f->Top());
    const QSize size = ShownSize();
    if (w->pos() != pos) w->move(pos);
    if (w->size() != size) w->resize(size);
    if (!sub_ && Window()->isVisible()) KeepOnScreen();
    // The client area takes its size now, also while the window is hidden, so that aligned
    // components get their real bounds before the window is first shown.
    if (QLayout* l = Window()->layout()) l->activate();
  }
  // The form's font decides the scale of everything on it.
  void ApplyFont() {
    Form* f = Frm();
    if (f->Font() != FontInfo{}) {
      Window()->setFont(ToQFont(f->Font()));
      // The form's font colour is the text colour of every control that keeps its parent's.
      QPalette pal = Window()->palette();
      for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(role, ToQColor(f->Font().Color));
      Window()->setPalette(pal);
    }
    const LayoutScale s = MeasureScale(ToQFont(f->Font()));
    if (s == scale_) return;
    scale_ = s;
    Rescale();
  }
  void Apply(Property what) override {
    if (!widget_ || !comp_) return;
    Form* f = Frm();
    switch (what) {
      case Property::Visible:
        if (f->Visible()) {
          if (!sub_) {
            ApplyFlags();
            Window()->setWindowModality(f->Modal() ? Qt::ApplicationModal : Qt::NonModal);
            if (!placed_) PlaceFirst();
          }
          placed_ = true;
          Window()->show();
          if (sub_) sub_->show();
          ApplyState();
          if (!sub_) {
            ApplyGeometry();  // the window manager's frame is known now
            KeepOnScreen();
          }
        } else {
          Frame()->hide();
          if (!sub_) Window()->setWindowModality(Qt::NonModal);
        }
        break;
      case Property::Enabled: Window()->client->setEnabled(f->Enabled()); break;
      case Property::Hint: break;
      case Property::Bounds: ApplyGeometry(); break;
      case Property::Text: ApplyText(); break;
      case Property::Font: ApplyFont(); break;
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
        // The children have their places already; the later ones come to the front in order.
        for (int i = 0; i < Frm()->MDIChildCount(); ++i)
          if (ViewBase* v = ViewOf(Frm()->MDIChildren(i)); v && v->Widget() && v->Widget()->parentWidget())
            v->Widget()->parentWidget()->raise();
        break;
      case platform::Request::Tile: break;
      default: ViewBase::Request(what, x, y); break;
    }
  }
  QMdiArea* mdi_parent() const { return sub_ ? sub_->mdiArea() : nullptr; }

  QPointer<QMdiArea> mdi_;
  QPointer<QMdiSubWindow> sub_;
  QPointer<QObject> sub_watched_;  // the same sub-window, compared only
  QEventLoop* waiter_ = nullptr;
  LayoutScale scale_;
  Qt::WindowFlags flags_;
  bool flags_set_ = false;
  bool placed_ = false;   // the first placement has been made
  bool keeping_ = false;  // moving the window onto the screen
};

}  // namespace

ViewBase* CreateFormView(Form& form) { return new FormView(form); }

void SetModalWaiter(Form& form, QEventLoop* loop) {
  if (auto* v = dynamic_cast<FormView*>(ViewOf(&form))) v->SetWaiter(loop);
}

}  // namespace gui
