// Main and popup menus with their items.
#pragma once

#include <string>
#include <string_view>

#include "platform/Component.h"

namespace platform {

class MenuItem;
class ImageList;

// The items of a menu or a submenu are the MenuItem children of the menu or item, in order.
class MenuItem : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "MenuItem"; }

  // A caption of "-" makes a separator line.
  bool IsLine() const { return text_ == "-"; }
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the radio items of the same GroupIndex in the same submenu.
  void SetChecked(bool checked);
  bool RadioItem() const { return radio_item_; }
  void SetRadioItem(bool v);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int g) { group_index_ = g; }
  // AutoCheck: a click toggles the check mark (a radio item is checked) before OnClick.
  bool AutoCheck() const { return auto_check_; }
  void SetAutoCheck(bool v) { auto_check_ = v; }
  ShortCutValue GetShortCut() const { return shortcut_; }
  void SetShortCut(ShortCutValue s);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int i);
  bool Default() const { return default_; }
  void SetDefault(bool v) { default_ = v; NotifyChanged(Property::Style); }

  // Submenu items.
  int Count() const;
  MenuItem* Items(int i) const;  // nullptr outside
  int IndexOf(const MenuItem* item) const;
  MenuItem* Add(std::string name, std::string_view caption);
  MenuItem* AddSeparator(std::string name = {});
  // The item (or submenu) this item belongs to; nullptr when it hangs directly on a menu.
  MenuItem* ParentItem() const;
  // Position within its parent's items; -1 when it has no parent.
  int MenuIndex() const;

  // A click (by the user or the program): AutoCheck effect, then OnClick.
  void Click() override;

  // Opens the item's submenu below a component (a tool button that stands for the item): the
  // view shows it, and its opening is a click on the item as when the menu bar opens it;
  // headless nothing more (a test then clicks an item). The component and a count are kept.
  void Popup(Component* below);
  Component* PopupComponent() const { return popup_component_; }
  int PopupCount() const { return popup_count_; }

 protected:
  void Forget(const Component* dying) override;

 private:
  Component* popup_component_ = nullptr;
  int popup_count_ = 0;
  bool checked_ = false;
  bool radio_item_ = false;
  int group_index_ = 0;
  bool auto_check_ = false;
  ShortCutValue shortcut_ = 0;
  int image_index_ = -1;
  bool default_ = false;
};

// Base of MainMenu and PopupMenu; the items are its MenuItem children.
class Menu : public Component {
 public:
  using Component::Component;
  int Count() const;
  MenuItem* Items(int i) const;  // nullptr outside
  MenuItem* Add(std::string name, std::string_view caption);
  MenuItem* AddSeparator(std::string name = {});
  // The enabled, visible item (at any depth, parents enabled and visible) with this short cut.
  MenuItem* FindShortCut(ShortCutValue shortcut) const;
  // Any item at any depth by name.
  MenuItem* FindItem(std::string_view name) const;
  ImageList* Images() const { return images_; }
  void SetImages(ImageList* il) { images_ = il; NotifyChanged(Property::Images); }

 protected:
  void Forget(const Component* dying) override;

 private:
  ImageList* images_ = nullptr;
};

class MainMenu : public Menu {
 public:
  using Menu::Menu;
  const char* Kind() const override { return "MainMenu"; }
};

class PopupMenu : public Menu {
 public:
  using Menu::Menu;
  const char* Kind() const override { return "PopupMenu"; }
  // The component whose right click (or drop-down) opened the menu last.
  Component* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(Component* c) { popup_component_ = c; }
  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool v) { auto_popup_ = v; }
  // Opens the menu at screen point (x, y), or below its PopupComponent when x and y are -1
  // (a tool button's drop-down): fires OnPopup, then the view shows it (headless: nothing
  // more; a test then clicks an item). The last point is kept.
  void Popup(int x, int y);
  int PopupX() const { return popup_x_; }
  int PopupY() const { return popup_y_; }
  int PopupCount() const { return popup_count_; }

  NotifyEvent OnPopup;

 protected:
  void Forget(const Component* dying) override;

 private:
  Component* popup_component_ = nullptr;
  bool auto_popup_ = true;
  int popup_x_ = 0, popup_y_ = 0, popup_count_ = 0;
};

}  // namespace platform
