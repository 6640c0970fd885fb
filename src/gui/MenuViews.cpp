// Views of the menus: a main menu is the QMenuBar of its form, a popup menu a QMenu, an item a
// QAction (with a QMenu when it has items of its own).
#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>

#include "gui/Gui.h"
#include "gui/ViewBase.h"

namespace gui {

using namespace platform;

namespace {

// A view that holds menu items: the bar, a popup, or an item with a submenu.
class MenuHolder : public ViewBase {
 public:
  using ViewBase::ViewBase;
  virtual QWidget* ItemsWidget() = 0;
  // Inserts the action of child item c in its place among the already shown ones.
  void Insert(Component& c, QAction* action) {
    QWidget* w = ItemsWidget();
    QAction* before = nullptr;
    bool after = false;
    for (const auto& sibling : comp_->Children()) {
      if (sibling.get() == &c) {
        after = true;
        continue;
      }
      if (!after) continue;
      if (ViewBase* v = ViewOf(sibling.get()))
        if (auto* a = qobject_cast<QAction*>(v->parent())) {
          before = a;
          break;
        }
    }
    w->insertAction(before, action);
  }
  ImageList* Images() const {
    for (Component* c = comp_; c; c = c->Owner())
      if (auto* m = dynamic_cast<Menu*>(c)) return m->Images();
    return nullptr;
  }
};

class MenuItemView : public MenuHolder {
 public:
  MenuItemView(MenuItem& item, QAction* action) : MenuHolder(item, nullptr, action), action_(action) {
    QObject::connect(action, &QAction::triggered, this, [this] {
      if (!comp_ || syncing_) return;
      auto* it = static_cast<MenuItem*>(comp_);
      QPointer<MenuItemView> self(this);
      if (it->EnabledChain()) it->Click();
      if (self && comp_) Sync();
    });
  }
  ~MenuItemView() override { delete submenu_.data(); }

  QWidget* ItemsWidget() override {
    if (!submenu_) {
      auto* holder = qobject_cast<QWidget*>(action_->parent());
      QWidget* owner = holder ? holder->window() : nullptr;
      submenu_ = new QMenu(owner);
      action_->setMenu(submenu_);
      QObject::connect(submenu_.data(), &QMenu::aboutToShow, this, [this] {
        // Opening a submenu is a click on its item (the handler may update the items).
        if (comp_ && comp_->OnClick) comp_->OnClick(comp_);
      });
    }
    return submenu_;
  }

 protected:
  void Sync() {
    auto* it = static_cast<MenuItem*>(comp_);
    SyncGuard guard(*this);
    action_->setSeparator(it->IsLine());
    QString text = ToQt(it->Caption());
    if (it->GetShortCut()) text += "\t" + ToQt(ShortCutToText(it->GetShortCut()));
    action_->setText(text);
    action_->setVisible(it->Visible());
    action_->setEnabled(it->Enabled());
    bool checkable = it->Checked() || it->RadioItem() || it->AutoCheck();
    action_->setCheckable(checkable);
    if (checkable) action_->setChecked(it->Checked());
    action_->setIcon(IconOf(Images(), it->ImageIndex()));
    QFont font = action_->font();
    font.setBold(it->Default());  // the default item of a menu stands out
    action_->setFont(font);
    if (it->Hint().size()) action_->setStatusTip(ToQt(it->Hint()));
  }
  void Apply(Property what) override {
    switch (what) {
      case Property::Text: case Property::Visible: case Property::Enabled: case Property::Checked:
      case Property::ShortCut: case Property::ImageIndex: case Property::Style: case Property::Hint:
      case Property::Images:
        Sync();
        break;
      default: break;
    }
  }
  // Opened by a tool button that stands for the item: the submenu below the button.
  void Request(platform::Request what, int, int) override {
    if (what != platform::Request::Popup || static_cast<MenuItem*>(comp_)->Count() == 0) return;
    QWidget* below = WidgetOf(static_cast<MenuItem*>(comp_)->PopupComponent());
    auto* menu = static_cast<QMenu*>(ItemsWidget());
    menu->popup(below ? below->mapToGlobal(QPoint(0, below->height())) : QCursor::pos());
  }
  QAction* action_;
  QPointer<QMenu> submenu_;
};

class MainMenuView : public MenuHolder {
 public:
  MainMenuView(MainMenu& m, QMenuBar* bar) : MenuHolder(m, bar) {}
  QWidget* ItemsWidget() override { return widget_; }

 protected:
  void Apply(Property what) override {
    if (what == Property::Enabled) widget_->setEnabled(comp_->Enabled());
  }
};

class PopupMenuView : public MenuHolder {
 public:
  PopupMenuView(PopupMenu& m, QMenu* menu) : MenuHolder(m, menu) {}
  QWidget* ItemsWidget() override { return widget_; }

 protected:
  void Apply(Property) override {}
  void Request(platform::Request what, int x, int y) override {
    if (what != platform::Request::Popup) return;
    QPoint at(x, y);
    if (x == -1 && y == -1) {  // below the component that opened it (a drop-down button)
      QWidget* owner = WidgetOf(static_cast<PopupMenu*>(comp_)->PopupComponent());
      at = owner ? owner->mapToGlobal(QPoint(0, owner->height())) : QCursor::pos();
    }
    static_cast<QMenu*>(widget_.data())->popup(at);
  }
};

}  // namespace

ViewBase* CreateMenuView(Component& c, ViewBase* parent) {
  if (!parent) return nullptr;
  if (auto* item = dynamic_cast<MenuItem*>(&c)) {
    auto* holder = dynamic_cast<MenuHolder*>(parent);
    if (!holder) return nullptr;
    QWidget* w = holder->ItemsWidget();
    auto* action = new QAction(w);
    auto* v = new MenuItemView(*item, action);
    holder->Insert(c, action);
    return v;
  }
  QWidget* window = parent->Widget() ? parent->Widget()->window() : nullptr;
  if (!window) return nullptr;
  if (auto* m = dynamic_cast<MainMenu*>(&c)) {
    auto* bar = new QMenuBar(window);
    bar->hide();  // the form puts it on top when it is the form's menu
    return new MainMenuView(*m, bar);
  }
  if (auto* m = dynamic_cast<PopupMenu*>(&c)) return new PopupMenuView(*m, new QMenu(window));
  return nullptr;
}

}  // namespace gui
