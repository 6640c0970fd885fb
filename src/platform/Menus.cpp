#include "platform/Menus.h"

#include "platform/Controls.h"

namespace platform {

namespace {

int ItemCount(const Component& c) {
  int n = 0;
  for (const auto& ch : c.Children())
    if (dynamic_cast<MenuItem*>(ch.get())) ++n;
  return n;
}

MenuItem* ItemAt(const Component& c, int i) {
  if (i < 0) return nullptr;
  for (const auto& ch : c.Children())
    if (auto* m = dynamic_cast<MenuItem*>(ch.get()))
      if (i-- == 0) return m;
  return nullptr;
}

int ItemIndex(const Component& c, const MenuItem* item) {
  int n = 0;
  for (const auto& ch : c.Children())
    if (auto* m = dynamic_cast<MenuItem*>(ch.get())) {
      if (m == item) return n;
      ++n;
    }
  return -1;
}

MenuItem* FindShortCutIn(const Component& c, ShortCutValue sc) {
  for (const auto& ch : c.Children()) {
    auto* m = dynamic_cast<MenuItem*>(ch.get());
    if (!m || !m->Visible() || !m->Enabled()) continue;
    if (m->GetShortCut() == sc && !m->IsLine()) return m;
    if (MenuItem* found = FindShortCutIn(*m, sc)) return found;
  }
  return nullptr;
}

}  // namespace

void MenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (checked_ && radio_item_ && Owner()) {
    for (const auto& ch : Owner()->Children()) {
      auto* other = dynamic_cast<MenuItem*>(ch.get());
      if (other && other != this && other->radio_item_ && other->group_index_ == group_index_ &&
          other->checked_) {
        other->checked_ = false;
        other->NotifyChanged(Property::Checked);
      }
    }
  }
  NotifyChanged(Property::Checked);
}

void MenuItem::SetRadioItem(bool v) {
  if (v == radio_item_) return;
  radio_item_ = v;
  NotifyChanged(Property::Style);
}

void MenuItem::SetShortCut(ShortCutValue s) {
  if (s == shortcut_) return;
  shortcut_ = s;
  NotifyChanged(Property::ShortCut);
}

void MenuItem::SetImageIndex(int i) {
  if (i == image_index_) return;
  image_index_ = i;
  NotifyChanged(Property::ImageIndex);
}

int MenuItem::Count() const { return ItemCount(*this); }
MenuItem* MenuItem::Items(int i) const { return ItemAt(*this, i); }

int MenuItem::IndexOf(const MenuItem* item) const { return ItemIndex(*this, item); }

MenuItem* MenuItem::Add(std::string name, std::string_view caption) {
  auto* m = Make<MenuItem>(this, std::move(name));
  m->SetCaption(caption);
  NotifyChanged(Property::Items);
  return m;
}

MenuItem* MenuItem::AddSeparator(std::string name) { return Add(std::move(name), "-"); }

MenuItem* MenuItem::ParentItem() const { return dynamic_cast<MenuItem*>(Owner()); }

int MenuItem::MenuIndex() const { return Owner() ? ItemIndex(*Owner(), this) : -1; }

void MenuItem::Click() {
  if (auto_check_) SetChecked(radio_item_ ? true : !checked_);
  Component::Click();
}

int Menu::Count() const { return ItemCount(*this); }
MenuItem* Menu::Items(int i) const { return ItemAt(*this, i); }

MenuItem* Menu::Add(std::string name, std::string_view caption) {
  auto* m = Make<MenuItem>(this, std::move(name));
  m->SetCaption(caption);
  NotifyChanged(Property::Items);
  return m;
}

MenuItem* Menu::AddSeparator(std::string name) { return Add(std::move(name), "-"); }

MenuItem* Menu::FindShortCut(ShortCutValue shortcut) const {
  if (shortcut == 0) return nullptr;
  return FindShortCutIn(*this, shortcut);
}

MenuItem* Menu::FindItem(std::string_view name) const {
  return dynamic_cast<MenuItem*>(FindComponent(name));
}

void Menu::Forget(const Component* dying) {
  Component::Forget(dying);
  if (images_ == dying) images_ = nullptr;
}

void MenuItem::Forget(const Component* dying) {
  Component::Forget(dying);
  if (popup_component_ == dying) popup_component_ = nullptr;
}

void MenuItem::Popup(Component* below) {
  popup_component_ = below;
  ++popup_count_;
  SendRequest(Request::Popup);
}

void PopupMenu::Forget(const Component* dying) {
  Menu::Forget(dying);
  if (popup_component_ == dying) popup_component_ = nullptr;
}

void PopupMenu::Popup(int x, int y) {
  popup_x_ = x;
  popup_y_ = y;
  ++popup_count_;
  if (OnPopup) OnPopup(this);
  SendRequest(Request::Popup, x, y);
}

}  // namespace platform
