// The binder base: one ViewBase per shown component mirrors the component's properties on its
// Qt object and turns user input into the component's own calls. No window logic here.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

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

  // platform::View
  void Changed(platform::Component& component, platform::Property what) override;
  void CellChanged(platform::Component& component, int col, int row) override;
  void Requested(platform::Component& component, platform::Request what, int x, int y) override;
  void Detached(platform::Component& component) override;

  // Applies every property (after the view is made).
  virtual void ApplyAll();
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
  QSize last_container_size_;

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
