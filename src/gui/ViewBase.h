// The binder base: one ViewBase per shown component mirrors the component's properties on its
// Qt object and turns user input into the component's own calls. No window logic here.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cmath>
#include <string>
#include <string_view>

#include "platform/Components.h"
#include "platform/Picture.h"
#include "platform/Text.h"

class QAction;
class QMenu;

namespace gui {

// --- text, fonts, colours and pictures at the Qt edge ---
inline QString ToQt(std::string_view text) {
  std::string u = platform::Cp1252ToUtf8(text);
  return QString::fromUtf8(u.data(), qsizetype(u.size()));
}
inline std::string FromQt(const QString& text) {
  QByteArray b = text.toUtf8();
  return platform::Utf8ToCp1252(std::string_view(b.constData(), std::size_t(b.size())));
}
QColor ToQColor(platform::TColor color);
platform::TColor FromQColor(const QColor& color);
// The component font as a QFont; the platform's default font maps to the application's font.
QFont ToQFont(const platform::FontInfo& font);
platform::FontInfo FromQFont(const QFont& font, platform::TColor color);
QImage ToQImage(const platform::Picture& picture);
platform::Picture FromQImage(const QImage& image);
// The picture at index of the image list as an icon (a null icon without one).
QIcon IconOf(const platform::ImageList* images, int index);
// A caption with '&' mnemonics for a widget that shows ampersands literally.
QString StripMnemonic(std::string_view caption);
// Qt key code to the platform's virtual key (0 when it has none), and the modifiers.
int ToVirtualKey(int qtKey);
platform::ShiftState ToShift(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {});

// The designed positions and sizes of the windows are those of an 8-point dialog font at 96 dpi:
// its average character width (6 pixels) and its line height (13 pixels). A form shows its
// designed geometry scaled by the ratio of its real font's measures to those, as dialog units
// do; the components keep the designed values, so whatever the window logic computes and the
// settings files store stays in designed units.
struct LayoutScale {
  static constexpr double kDesignCharWidth = 6.0;
  static constexpr double kDesignLineHeight = 13.0;
  double x = 1.0, y = 1.0;

  static int Edge(int v, double s) { return int(std::lround(v * s)); }
  int X(int v) const { return Edge(v, x); }
  int Y(int v) const { return Edge(v, y); }
  QSize Size(int w, int h) const { return QSize(X(w), Y(h)); }
  // A designed rectangle on screen: its edges are scaled, so that controls that touch in the
  // design touch on screen too (never overlap, never leave a gap).
  QRect Rect(int left, int top, int width, int height) const {
    return QRect(X(left), Y(top), X(left + width) - X(left), Y(top + height) - Y(top));
  }
  // Screen pixels back to designed units. A value that shows as px already stays as it was,
  // so designed values never drift through the round trip.
  int FromX(int px, int was) const { return X(was) == px ? was : int(std::lround(px / x)); }
  int FromY(int px, int was) const { return Y(was) == px ? was : int(std::lround(px / y)); }
  // The designed size that shows at least px pixels wide or high wherever it stands.
  int CeilX(int px) const { return px <= 0 ? 0 : int(std::ceil((px + 1) / x - 1e-9)); }
  int CeilY(int px) const { return px <= 0 ? 0 : int(std::ceil((px + 1) / y - 1e-9)); }
  // The designed bounds of a rectangle on screen (the component's present bounds as the hint).
  void FromRect(const QRect& r, const platform::Component& c, int& left, int& top, int& width, int& height) const;
  bool operator==(const LayoutScale&) const = default;
};
// A cell text shortened to width pixels with "…" when it does not fit: a number in the middle
// of its mantissa, so that its exponent stays ("7.70…E-14"), any other text at its end.
QString ElideCellText(const QString& text, const QFontMetrics& fm, int width);

// The scale of a font against the design font (average width of the 52 letters, line height).
LayoutScale MeasureScale(const QFont& font);
// The scale of the form that shows the component (1 : 1 without a view, and for what lies on a
// pixel-exact paint box).
LayoutScale ScaleOf(const platform::Component* component);

class ViewBase : public QObject, public platform::View {
 public:
  // widget: the Qt widget of the component (owned by its parent widget, or top-level); the
  // view lives as long as the widget (or the given Qt object for non-widget views).
  ViewBase(platform::Component& component, QWidget* widget, QObject* lifetime = nullptr);
  ~ViewBase() override;

  platform::Component* Comp() const { return comp_; }
  QWidget* Widget() const { return widget_; }
  // Where the widgets of the component's children go (nullptr: children have no widgets here).
  virtual QWidget* Container() const { return nullptr; }
  // Lays out the children: aligned ones fill their edges in order Top, Bottom, Left, Right,
  // Client; anchored ones keep their distances to the right and bottom edges.
  void LayoutChildren();
  // Whether Qt gives the container its size (only reliable once it is shown).
  virtual bool SizedByQt() const { return false; }
  // The rectangle that Client-aligned children share after the others took theirs.
  virtual void ClientRemainder(const QRect&) {}
  // The part of the container (of pixel size px) that aligned children share: all of it,
  // unless the container draws a frame or a title of its own there.
  virtual QRect AlignArea(const QSize& px) const { return QRect(QPoint(0, 0), px); }

  // platform::View
  void Changed(platform::Component& component, platform::Property what) override;
  void CellChanged(platform::Component& component, int col, int row) override;
  void Requested(platform::Component& component, platform::Request what, int x, int y) override;
  void Detached(platform::Component& component) override;

  // Applies every property (after the view is made).
  virtual void ApplyAll();
  // The form's scale changed: every geometry of the component and its children again.
  virtual void Rescale();
  // A form's own scale (only form views have one).
  virtual const LayoutScale* OwnScale() const { return nullptr; }
  LayoutScale Scale() const { return ScaleOf(comp_); }
  // The component's children got their views (a form's menu bar, a page control's pages).
  virtual void ChildrenBound() {}

 protected:
  // Kind-specific properties; the base handles the common ones.
  virtual void Apply(platform::Property what);
  virtual void ApplyCell(int col, int row) { (void)col; (void)row; Apply(platform::Property::Cells); }
  virtual void Request(platform::Request what, int x, int y);
  virtual void ApplyText() {}
  virtual void ApplyGeometry();
  // Input filtering: keys, focus, mouse and the context menu on this object.
  void FilterInput(QObject* target, bool mouse = true);
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Mouse position in the component's coordinates (grids map to their cell geometry).
  virtual QPoint MapMouse(QObject* watched, const QPoint& pos);
  // Whether a double click is reported by the view's own signal (no generic DblClick).
  virtual bool OwnDoubleClick() const { return false; }
  ViewBase* ParentView() const;

  // Sets syncing_ for its lifetime and then restores the value it had.
  class SyncGuard {
   public:
    explicit SyncGuard(ViewBase& view) : view_(view), was_(view.syncing_) { view.syncing_ = true; }
    ~SyncGuard() { view_.syncing_ = was_; }
    SyncGuard(const SyncGuard&) = delete;
    SyncGuard& operator=(const SyncGuard&) = delete;

   private:
    ViewBase& view_;
    bool was_;
  };

  platform::Component* comp_;
  QPointer<QWidget> widget_;
  bool syncing_ = false;     // applying program values to the widget: ignore its signals
  bool laying_out_ = false;  // positioning the children
  QSize last_container_size_;   // the container's size in designed units at the last layout

 private:
  bool in_key_replay_ = false;
};

ViewBase* ViewOf(const platform::Component* component);

// Creates the view of one component below its parent view (nullptr for components without a
// Qt object, such as image lists and dialog components).
ViewBase* CreateView(platform::Component& component, ViewBase* parent);
// The views of the component kinds (defined in the Views*.cpp files).
ViewBase* CreateControlView(platform::Component& component, QWidget* parent);
ViewBase* CreateItemView(platform::Component& component, QWidget* parent);
ViewBase* CreateMenuView(platform::Component& component, ViewBase* parent);
ViewBase* CreateFormView(platform::Form& form);

// Modal loops wait on the form view; it quits them when the modal result is set.
void SetModalWaiter(platform::Form& form, class QEventLoop* loop);

}  // namespace gui
