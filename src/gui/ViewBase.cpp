#include "gui/ViewBase.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "gui/Gui.h"

namespace gui {

using platform::Component;
using platform::Property;

namespace {
std::unordered_set<ViewBase*>& Registry() {
  static std::unordered_set<ViewBase*> views;
  return views;
}
const platform::FontInfo kDefaultFont{};
}  // namespace

// --- conversions ---

QColor ToQColor(platform::TColor c) {
  return QColor(int(platform::RedOf(c)), int(platform::GreenOf(c)), int(platform::BlueOf(c)));
}

platform::TColor FromQColor(const QColor& c) { return platform::RGB(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue())); }

QFont ToQFont(const platform::FontInfo& font) {
  QFont f = QApplication::font();
  bool windowsDefault = font.Name == kDefaultFont.Name || font.Name.empty();
  if (!windowsDefault) f.setFamily(ToQt(font.Name));
  if (!(windowsDefault && font.Size == kDefaultFont.Size) && font.Size > 0) f.setPointSize(font.Size);
  f.setBold(font.Bold);
  f.setItalic(font.Italic);
  f.setUnderline(font.Underline);
  f.setStrikeOut(font.StrikeOut);
  return f;
}

platform::FontInfo FromQFont(const QFont& f, platform::TColor color) {
  platform::FontInfo font;
  font.Name = FromQt(f.family());
  font.Size = f.pointSize() > 0 ? f.pointSize() : 8;
  font.Bold = f.bold();
  font.Italic = f.italic();
  font.Underline = f.underline();
  font.StrikeOut = f.strikeOut();
  font.Color = color;
  return font;
}

QImage ToQImage(const platform::Picture& p) {
  if (p.Empty()) return QImage();
  return QImage(reinterpret_cast<const uchar*>(p.Bits()), p.Width(), p.Height(), p.Stride(),
                QImage::Format_RGB32)
      .copy();
}

QIcon IconOf(const platform::ImageList* images, int index) {
  if (!images) return QIcon();
  std::shared_ptr<platform::Picture> p = images->Get(index);
  return p ? QIcon(QPixmap::fromImage(ToQImage(*p))) : QIcon();
}

platform::Picture FromQImage(const QImage& image) {
  QImage img = image.convertToFormat(QImage::Format_RGB32);
  platform::Picture p(img.width(), img.height());
  for (int y = 0; y < img.height(); ++y) {
    const auto* src = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
    std::uint32_t* dst = p.Bits() + std::size_t(y) * std::size_t(img.width());
    for (int x = 0; x < img.width(); ++x) dst[x] = src[x] | 0xFF000000u;
  }
  return p;
}

QString StripMnemonic(std::string_view caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return ToQt(out);
}

int ToVirtualKey(int k) {
  namespace K = platform::Key;
  if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9)) return k;
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return K::F1 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace: return K::Back;
    case Qt::Key_Tab: case Qt::Key_Backtab: return K::Tab;
    case Qt::Key_Return: case Qt::Key_Enter: return K::Enter;
    case Qt::Key_Shift: return K::Shift;
    case Qt::Key_Control: return K::Control;
    case Qt::Key_Alt: return K::Alt;
    case Qt::Key_Escape: return K::Escape;
    case Qt::Key_Space: return K::Space;
    case Qt::Key_PageUp: return K::PageUp;
    case Qt::Key_PageDown: return K::PageDown;
    case Qt::Key_End: return K::End;
    case Qt::Key_Home: return K::Home;
    case Qt::Key_Left: return K::Left;
    case Qt::Key_Up: return K::Up;
    case Qt::Key_Right: return K::Right;
    case Qt::Key_Down: return K::Down;
    case Qt::Key_Insert: return K::Insert;
    case Qt::Key_Delete: return K::Delete;
    case Qt::Key_Plus: case Qt::Key_Equal: return K::OemPlus;
    case Qt::Key_Minus: case Qt::Key_Underscore: return K::OemMinus;
    default: return 0;
  }
}

platform::ShiftState ToShift(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
  platform::ShiftState s = platform::ssNone;
  if (m & Qt::ShiftModifier) s |= platform::ssShift;
  if (m & Qt::ControlModifier) s |= platform::ssCtrl;
  if (m & Qt::AltModifier) s |= platform::ssAlt;
  if (b & Qt::LeftButton) s |= platform::ssLeft;
  if (b & Qt::RightButton) s |= platform::ssRight;
  if (b & Qt::MiddleButton) s |= platform::ssMiddle;
  return s;
}

// --- layout scale ---

void LayoutScale::FromRect(const QRect& r, const Component& c, int& left, int& top, int& width, int& height) const {
  left = FromX(r.x(), c.Left());
  top = FromY(r.y(), c.Top());
  width = std::max(0, FromX(r.x() + r.width(), c.Left() + c.Width()) - left);
  height = std::max(0, FromY(r.y() + r.height(), c.Top() + c.Height()) - top);
}

LayoutScale MeasureScale(const QFont& font) {
  const QFontMetricsF fm(font);
  static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  LayoutScale s;
  const double width = fm.horizontalAdvance(letters) / letters.size();
  const double height = fm.height();
  if (width > 0) s.x = width / LayoutScale::kDesignCharWidth;
  if (height > 0) s.y = height / LayoutScale::kDesignLineHeight;
  return s;
}

LayoutScale ScaleOf(const Component* component) {
  for (const Component* c = component; c; c = c->Owner()) {
    // What lies on a pixel-exact paint box is placed in its pixels.
    if (auto* box = dynamic_cast<const platform::PaintBox*>(c); box && c != component && box->PixelExact())
      return LayoutScale{};
    if (dynamic_cast<const platform::Form*>(c)) {
      if (ViewBase* v = ViewOf(c))
        if (const LayoutScale* s = v->OwnScale()) return *s;
      break;
    }
  }
  return LayoutScale{};
}

// --- ViewBase ---

ViewBase::ViewBase(Component& component, QWidget* widget, QObject* lifetime)
    : QObject(lifetime ? lifetime : widget), comp_(&component), widget_(widget) {
  component.SetView(this);
  Registry().insert(this);
}

ViewBase::~ViewBase() {
  Registry().erase(this);
  if (comp_ && comp_->GetView() == this) comp_->SetView(nullptr);
}

ViewBase* ViewBase::ParentView() const {
  return comp_ && comp_->Owner() ? ViewOf(comp_->Owner()) : nullptr;
}

void ViewBase::Changed(Component&, Property what) {
  if (!comp_) return;
  SyncGuard guard(*this);
  Apply(what);
}

void ViewBase::CellChanged(Component&, int col, int row) {
  if (!comp_) return;
  SyncGuard guard(*this);
  ApplyCell(col, row);
}

void ViewBase::Requested(Component&, platform::Request what, int x, int y) {
  if (comp_) Request(what, x, y);
}

void ViewBase::Detached(Component&) {
  comp_ = nullptr;
  QObject* owner = parent();
  if (widget_) widget_->hide();
  if (auto* action = qobject_cast<QAction*>(owner)) action->setVisible(false);
  if (owner) owner->deleteLater();
  else deleteLater();
}

void ViewBase::ApplyAll() {
  SyncGuard guard(*this);
  for (int p = int(Property::Name); p <= int(Property::Other); ++p)
    if (Property(p) != Property::Visible) Apply(Property(p));
  Apply(Property::Visible);
}

void ViewBase::Apply(Property what) {
  if (!widget_ || !comp_) return;
  switch (what) {
    case Property::Visible:
      widget_->setVisible(comp_->Visible());
      if (comp_->GetAlign() != platform::Align::None)
        if (ViewBase* p = ParentView(); p && !p->laying_out_) p->LayoutChildren();
      break;
    case Property::Enabled: widget_->setEnabled(comp_->Enabled()); break;
    case Property::Hint: {
      bool show = false;  // hints show where the component or one of its owners asks for them
      for (const Component* c = comp_; c && !show; c = c->Owner()) show = c->ShowHint();
      widget_->setToolTip(show ? ToQt(comp_->Hint()) : QString());
      break;
    }
    case Property::Bounds:
    case Property::Align:
    case Property::Anchors: ApplyGeometry(); break;
    case Property::Font:
      if (comp_->Font() != kDefaultFont) {
        widget_->setFont(ToQFont(comp_->Font()));
        QPalette pal = widget_->palette();
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
          pal.setColor(role, ToQColor(comp_->Font().Color));
        widget_->setPalette(pal);
      }
      break;
    case Property::Text: ApplyText(); break;
    default: break;
  }
}

void ViewBase::ApplyGeometry() {
  if (!widget_ || !comp_) return;
  ViewBase* p = ParentView();
  if (comp_->GetAlign() == platform::Align::None || !p || p->laying_out_) {
    widget_->setGeometry(Scale().Rect(comp_->Left(), comp_->Top(), comp_->Width(), comp_->Height()));
    return;
  }
  p->LayoutChildren();
}

void ViewBase::Rescale() {
  if (!comp_) return;
  {
    SyncGuard guard(*this);
    for (Property p : {Property::Bounds, Property::Columns, Property::ColWidths, Property::RowHeights,
                       Property::DefaultRowHeight, Property::Panels})
      Apply(p);
  }
  for (const auto& child : comp_->Children())
    if (ViewBase* v = ViewOf(child.get()); v && !dynamic_cast<platform::Form*>(child.get())) v->Rescale();
  LayoutChildren();
}

void ViewBase::LayoutChildren() {
  QWidget* cont = Container();
  if (!cont || !comp_ || laying_out_) return;
  laying_out_ = true;
  const LayoutScale sc = Scale();
  const QSize px = cont->size();
  const QSize hint = last_container_size_.isValid() ? last_container_size_ : QSize(comp_->Width(), comp_->Height());
  const QSize size(sc.FromX(px.width(), hint.width()), sc.FromY(px.height(), hint.height()));
  // Anchored children keep their distance to the right and bottom edges. A container that Qt
  // sizes by its own layout (a tab page) has its real size only once it is shown.
  const bool shown = !SizedByQt() || cont->isVisible();
  if (shown && last_container_size_.isValid() && last_container_size_ != size) {
    int dw = size.width() - last_container_size_.width();
    int dh = size.height() - last_container_size_.height();
    for (const auto& child : comp_->Children()) {
      Component* c = child.get();
      if (c->GetAlign() != platform::Align::None || !ViewOf(c) || dynamic_cast<platform::Form*>(c))
        continue;
      platform::AnchorSet a = c->Anchors();
      int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
      if (a & platform::akRight) {
        if (a & platform::akLeft) w += dw;
        else l += dw;
      }
      if (a & platform::akBottom) {
        if (a & platform::akTop) h += dh;
        else t += dh;
      }
      c->SetBounds(l, t, w, h);
    }
  }
  if (shown) last_container_size_ = size;
  using platform::Align;
  // Aligned children share the container's real pixels edge to edge; each keeps its own
  // designed thickness (scaled) and gets the designed bounds of the place it took.
  auto place = [&](Component* c, const QRect& r) {
    int l, t, w, h;
    sc.FromRect(r, *c, l, t, w, h);
    // The thickness along the aligned edge is the child's own: it never drifts by rounding.
    if (c->GetAlign() == Align::Top || c->GetAlign() == Align::Bottom) h = c->Height();
    if (c->GetAlign() == Align::Left || c->GetAlign() == Align::Right) w = c->Width();
    c->SetBounds(l, t, w, h);
    if (ViewBase* v = ViewOf(c); v && v->widget_) v->widget_->setGeometry(r);  // also when the bounds stayed
  };
  const QRect area = AlignArea(px);
  int left = area.left(), top = area.top(), right = area.left() + area.width(), bottom = area.top() + area.height();
  for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right}) {
    for (const auto& child : comp_->Children()) {
      Component* c = child.get();
      if (c->GetAlign() != pass || !c->Visible() || !ViewOf(c)) continue;
      switch (pass) {
        case Align::Top: {
          const int h = sc.Y(c->Height());
          place(c, QRect(left, top, std::max(0, right - left), h));
          top += h;
          break;
        }
        case Align::Bottom: {
          const int h = sc.Y(c->Height());
          place(c, QRect(left, bottom - h, std::max(0, right - left), h));
          bottom -= h;
          break;
        }
        case Align::Left: {
          const int w = sc.X(c->Width());
          place(c, QRect(left, top, w, std::max(0, bottom - top)));
          left += w;
          break;
        }
        case Align::Right: {
          const int w = sc.X(c->Width());
          place(c, QRect(right - w, top, w, std::max(0, bottom - top)));
          right -= w;
          break;
        }
        default: break;
      }
    }
  }
  QRect rest(left, top, std::max(0, right - left), std::max(0, bottom - top));
  ClientRemainder(rest);
  for (const auto& child : comp_->Children()) {
    Component* c = child.get();
    if (c->GetAlign() != Align::Client || !c->Visible() || !ViewOf(c)) continue;
    place(c, rest);
  }
  laying_out_ = false;
}

void ViewBase::Request(platform::Request what, int, int) {
  if (!widget_) return;
  switch (what) {
    case platform::Request::SetFocus: widget_->setFocus(Qt::OtherFocusReason); break;
    case platform::Request::Repaint: widget_->update(); break;
    case platform::Request::BringToFront: widget_->raise(); break;
    default: break;
  }
}

void ViewBase::FilterInput(QObject* target, bool mouse) {
  if (!target) return;
  target->installEventFilter(this);
  if (!mouse) target->setProperty("quorelNoMouse", true);
}

QPoint ViewBase::MapMouse(QObject* watched, const QPoint& pos) {
  auto* w = qobject_cast<QWidget*>(watched);
  QPoint p = w && widget_ && w != widget_ ? w->mapTo(widget_, pos) : pos;
  const LayoutScale sc = Scale();
  return QPoint(int(std::lround(p.x() / sc.x)), int(std::lround(p.y() / sc.y)));
}

bool ViewBase::eventFilter(QObject* watched, QEvent* event) {
  if (!comp_) return false;
  switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
      if (watched == Container()) LayoutChildren();
      return false;
    case QEvent::KeyPress: {
      if (in_key_replay_) return false;
      auto* ke = static_cast<QKeyEvent*>(event);
      platform::ShiftState shift = ToShift(ke->modifiers());
      int vk = ToVirtualKey(ke->key());
      if (vk) {
        QPointer<ViewBase> self(this);
        int left = comp_->KeyDown(vk, shift);
        if (!self || !comp_) return true;
        if (left == 0) return true;
      }
      // The typed character: printable ones, and Enter, Backspace, Tab and Escape as the
      // control characters the windows test for.
      QString text = ke->text();
      char16_t u = text.size() == 1 ? text[0].unicode() : 0;
      if (u == 0) {
        switch (ke->key()) {
          case Qt::Key_Return: case Qt::Key_Enter: u = '\r'; break;
          case Qt::Key_Backspace: u = '\b'; break;
          case Qt::Key_Escape: u = 27; break;
          default: break;
        }
        if (u) text = QString(QChar(u));
      }
      bool typed = u >= 32 ? u != 127 : (u == '\r' || u == '\b' || u == '\t' || u == 27);
      if (typed) {
        std::string ch = FromQt(text);
        if (ch.size() == 1) {
          QPointer<ViewBase> self(this);
          char r = comp_->KeyPress(ch[0]);
          if (!self || !comp_) return true;
          if (r == 0) return true;
          if (r != ch[0]) {
            QKeyEvent replaced(QEvent::KeyPress, ke->key(), ke->modifiers(), ToQt(std::string(1, r)));
            in_key_replay_ = true;
            QApplication::sendEvent(watched, &replaced);
            in_key_replay_ = false;
            return true;
          }
        }
      }
      return false;
    }
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(event);
      if (int vk = ToVirtualKey(ke->key())) comp_->KeyUp(vk, ToShift(ke->modifiers()));
      return false;
    }
    case QEvent::FocusIn: comp_->Enter(); return false;
    case QEvent::FocusOut: comp_->Exit(); return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      if (watched->property("quorelNoMouse").toBool()) return false;
      auto* me = static_cast<QMouseEvent*>(event);
      QPoint p = MapMouse(watched, me->position().toPoint());
      platform::MouseButton button = me->button() == Qt::RightButton   ? platform::MouseButton::Right
                                     : me->button() == Qt::MiddleButton ? platform::MouseButton::Middle
                                                                        : platform::MouseButton::Left;
      platform::ShiftState shift = ToShift(me->modifiers(), me->buttons() | me->button());
      if (event->type() == QEvent::MouseButtonPress) comp_->MouseDown(button, shift, p.x(), p.y());
      else if (event->type() == QEvent::MouseButtonRelease) comp_->MouseUp(button, shift, p.x(), p.y());
      else if (event->type() == QEvent::MouseMove) comp_->MouseMove(shift, p.x(), p.y());
      else if (!OwnDoubleClick()) comp_->DblClick();
      return false;
    }
    case QEvent::ContextMenu: {
      auto* ce = static_cast<QContextMenuEvent*>(event);
      for (Component* c = comp_; c; c = c->Owner()) {
        if (c->GetPopupMenu()) {
          c->ContextPopup(ce->globalPos().x(), ce->globalPos().y());
          return true;
        }
        if (dynamic_cast<platform::Form*>(c)) break;
      }
      return false;
    }
    default: return false;
  }
}

// --- binding ---

ViewBase* ViewOf(const Component* component) {
  return component ? dynamic_cast<ViewBase*>(component->GetView()) : nullptr;
}

ViewBase* CreateView(Component& c, ViewBase* parent) {
  if (auto* form = dynamic_cast<platform::Form*>(&c)) return CreateFormView(*form);
  if (dynamic_cast<platform::MenuItem*>(&c) || dynamic_cast<platform::Menu*>(&c))
    return CreateMenuView(c, parent);
  QWidget* container = parent ? parent->Container() : nullptr;
  if (!container) return nullptr;
  if (ViewBase* v = CreateItemView(c, container)) return v;
  return CreateControlView(c, container);
}

namespace {

void BindTree(Component& c, ViewBase* parent) {
  ViewBase* v = ViewOf(&c);
  bool made = false;
  if (!v && !c.GetView()) {
    v = CreateView(c, parent);
    if (v) {
      v->ApplyAll();
      made = true;
    }
  }
  if (!v) return;
  std::size_t before = 0;
  for (const auto& child : c.Children()) {
    if (dynamic_cast<platform::Form*>(child.get())) continue;  // forms bind as forms
    bool had = child->GetView() != nullptr;
    BindTree(*child, v);
    if (!had && child->GetView()) ++before;
  }
  if (made || before > 0) {
    v->ChildrenBound();
    v->LayoutChildren();
  }
}

}  // namespace

void Bind(platform::Form* form) {
  if (!form) return;
  // An MDI child needs its frame first.
  if (form->GetFormStyle() == platform::FormStyle::MDIChild)
    for (platform::Form* f : platform::Screen::Forms())
      if (f->GetFormStyle() == platform::FormStyle::MDIForm && f != form) BindTree(*f, nullptr);
  BindTree(*form, nullptr);
}

void Sync() {
  std::vector<platform::Form*> forms = platform::Screen::Forms();
  for (platform::Form* f : forms)
    if (f->GetFormStyle() == platform::FormStyle::MDIForm) Bind(f);
  for (platform::Form* f : forms) Bind(f);
}

void SyncForms() {
  std::vector<platform::Form*> forms = platform::Screen::Forms();
  for (platform::Form* f : forms)
    if (!f->GetView()) Bind(f);
}

void Show(platform::Form* form) {
  if (!form) return;
  Bind(form);
  form->Show();
}

void UnbindAll() {
  std::vector<QPointer<QObject>> owners;
  for (ViewBase* v : Registry()) {
    QObject* o = v->parent();
    if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow()) continue;  // goes with its window
    owners.emplace_back(o ? o : v);
  }
  for (auto& o : owners)
    if (o) delete o.data();
  std::vector<ViewBase*> rest(Registry().begin(), Registry().end());
  for (ViewBase* v : rest) delete v;
}

QWidget* WidgetOf(const Component* component) {
  ViewBase* v = ViewOf(component);
  return v ? v->Widget() : nullptr;
}

bool GrabToPng(const platform::Form* form, const std::string& path) {
  QWidget* w = WidgetOf(form);
  if (!w) return false;
  QApplication::processEvents();
  QWidget* window = w->window();
  return window->grab().save(QString::fromUtf8(path.c_str()), "PNG");
}

}  // namespace gui
