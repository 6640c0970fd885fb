#include "platform/Component.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/Menus.h"

namespace platform {

void FontInfo::SetPixelHeight(int height) {
  int h = std::abs(height);
  Size = (h * 72 + 48) / 96;
  if (Size < 1) Size = 1;
}

// --- short cuts ---

namespace {

struct KeyName {
  int key;
  const char* name;
};

constexpr KeyName kKeyNames[] = {
    {Key::Back, "Backspace"}, {Key::Tab, "Tab"},     {Key::Enter, "Enter"},
    {Key::Escape, "Esc"},     {Key::Space, "Space"}, {Key::PageUp, "PgUp"},
    {Key::PageDown, "PgDown"}, {Key::End, "End"},    {Key::Home, "Home"},
    {Key::Left, "Left"},      {Key::Up, "Up"},       {Key::Right, "Right"},
    {Key::Down, "Down"},      {Key::Insert, "Ins"},  {Key::Delete, "Del"},
};

std::string KeyText(int key) {
  for (const auto& k : kKeyNames)
    if (k.key == key) return k.name;
  if (key >= Key::F1 && key <= Key::F12) return "F" + std::to_string(key - Key::F1 + 1);
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
  return {};
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

int TextKey(std::string_view t) {
  for (const auto& k : kKeyNames)
    if (EqualNoCase(t, k.name)) return k.key;
  if (EqualNoCase(t, "Escape")) return Key::Escape;
  if (EqualNoCase(t, "Return")) return Key::Enter;
  if (EqualNoCase(t, "Delete")) return Key::Delete;
  if (EqualNoCase(t, "Insert")) return Key::Insert;
  if (t.size() == 1) {
    char c = t[0];
    if (c >= 'a' && c <= 'z') c = char(c - 32);
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  }
  if (t.size() >= 2 && (t[0] == 'F' || t[0] == 'f')) {
    int n = 0;
    for (std::size_t i = 1; i < t.size(); ++i) {
      if (t[i] < '0' || t[i] > '9') return 0;
      n = n * 10 + (t[i] - '0');
    }
    if (n >= 1 && n <= 12) return Key::F1 + n - 1;
  }
  return 0;
}

}  // namespace

ShortCutValue ShortCut(int key, ShiftState shift) {
  int v = key & 0xFF;
  if (shift & ssShift) v |= scShift;
  if (shift & ssCtrl) v |= scCtrl;
  if (shift & ssAlt) v |= scAlt;
  return v;
}

std::string ShortCutToText(ShortCutValue sc) {
  std::string key = KeyText(sc & 0xFF);
  if (key.empty()) return {};
  std::string out;
  if (sc & scCtrl) out += "Ctrl+";
  if (sc & scAlt) out += "Alt+";
  if (sc & scShift) out += "Shift+";
  return out + key;
}

ShortCutValue TextToShortCut(std::string_view text) {
  int mods = 0;
  for (;;) {
    std::size_t plus = text.find('+');
    if (plus == std::string_view::npos || plus + 1 >= text.size()) break;
    std::string_view m = text.substr(0, plus);
    if (EqualNoCase(m, "Ctrl")) mods |= scCtrl;
    else if (EqualNoCase(m, "Alt")) mods |= scAlt;
    else if (EqualNoCase(m, "Shift")) mods |= scShift;
    else return 0;
    text.remove_prefix(plus + 1);
  }
  int key = TextKey(text);
  return key ? (key | mods) : 0;
}

// --- View ---

void View::CellChanged(Component& component, int, int) { Changed(component, Property::Cells); }
void View::Requested(Component&, Request, int, int) {}
void View::Detached(Component&) {}

// --- Component ---

Component::Component(Component* owner, std::string name) : owner_(owner), name_(std::move(name)) {}

Component::~Component() {
  if (view_) view_->Detached(*this);
  view_ = nullptr;
  // Children go first, newest first, while this object is still whole enough to be their owner.
  while (!children_.empty()) {
    std::unique_ptr<Component> last = std::move(children_.back());
    children_.pop_back();
    last.reset();
  }
  // Nothing that lives on may keep a pointer to this component: walk the tree this one hung in
  // (it is already out of its owner's list) and the trees of every form.
  std::vector<Component*> roots;
  auto addRoot = [&](Component* c) {
    while (c->owner_) c = c->owner_;
    if (c != this && std::find(roots.begin(), roots.end(), c) == roots.end()) roots.push_back(c);
  };
  if (owner_) addRoot(owner_);
  for (Form* f : Screen::Forms()) addRoot(f);
  for (Component* r : roots) r->ForgetInTree(this);
}

void Component::ForgetInTree(const Component* dying) {
  Forget(dying);
  for (const auto& c : children_) c->ForgetInTree(dying);
}

void Component::Forget(const Component* dying) {
  if (popup_menu_ == dying) popup_menu_ = nullptr;
}

void Component::SetName(std::string name) {
  if (name == name_) return;
  name_ = std::move(name);
  NotifyChanged(Property::Name);
}

void Component::SetTag(int tag) {
  if (tag == tag_) return;
  tag_ = tag;
  NotifyChanged(Property::Tag);
}

Component* Component::Components(int index) const {
  if (index < 0 || index >= int(children_.size())) return nullptr;
  return children_[std::size_t(index)].get();
}

Component* Component::FindComponent(std::string_view name) const {
  for (const auto& c : children_)
    if (c->name_ == name) return c.get();
  for (const auto& c : children_)
    if (Component* found = c->FindComponent(name)) return found;
  return nullptr;
}

void Component::ForEachDescendant(const std::function<void(Component&)>& fn) const {
  for (const auto& c : children_) {
    fn(*c);
    c->ForEachDescendant(fn);
  }
}

Form* Component::ParentForm() const {
  for (const Component* c = this; c; c = c->owner_)
    if (auto* f = dynamic_cast<const Form*>(c)) return const_cast<Form*>(f);
  return nullptr;
}

void Component::DestroyChild(Component* child) {
  auto it = std::find_if(children_.begin(), children_.end(),
                         [&](const std::unique_ptr<Component>& p) { return p.get() == child; });
  if (it == children_.end()) return;
  std::unique_ptr<Component> doomed = std::move(*it);
  children_.erase(it);
  doomed.reset();
  NotifyChanged(Property::Children);
}

Component* Component::Adopt(std::unique_ptr<Component> child) {
  Component* raw = child.get();
  if (!raw) return nullptr;
  raw->owner_ = this;
  children_.push_back(std::move(child));
  NotifyChanged(Property::Children);
  return raw;
}

void Component::SetText(std::string_view text) {
  if (text == text_) return;
  text_ = std::string(text);
  NotifyChanged(Property::Text);
}

void Component::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  NotifyChanged(Property::Visible);
}

bool Component::Showing() const {
  for (const Component* c = this; c; c = c->owner_)
    if (!c->visible_) return false;
  return true;
}

void Component::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  NotifyChanged(Property::Enabled);
}

bool Component::EnabledChain() const {
  for (const Component* c = this; c; c = c->owner_)
    if (!c->enabled_) return false;
  return true;
}

void Component::SetHint(std::string_view hint) {
  if (hint == hint_) return;
  hint_ = std::string(hint);
  NotifyChanged(Property::Hint);
}

void Component::SetShowHint(bool show) {
  if (show == show_hint_) return;
  show_hint_ = show;
  NotifyChanged(Property::Hint);
}

void Component::SetBounds(int left, int top, int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  NotifyChanged(Property::Bounds);
}

void Component::UserResize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  if (OnResize) OnResize(this);
}

void Component::SetAlign(Align align) {
  if (align == align_) return;
  align_ = align;
  NotifyChanged(Property::Align);
}

void Component::SetAnchors(AnchorSet anchors) {
  if (anchors == anchors_) return;
  anchors_ = anchors;
  NotifyChanged(Property::Anchors);
}

void Component::SetFont(const FontInfo& font) {
  if (font == font_) return;
  font_ = font;
  NotifyChanged(Property::Font);
}

void Component::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  NotifyChanged(Property::Color);
}

void Component::SetPopupMenu(PopupMenu* menu) {
  if (menu == popup_menu_) return;
  popup_menu_ = menu;
  NotifyChanged(Property::PopupMenu);
}

void Component::SetFocus() {
  if (Form* f = ParentForm(); f && f != this) f->SetActiveControl(this);
  SendRequest(Request::SetFocus);
}

bool Component::Focused() const {
  Form* f = ParentForm();
  return f && f->ActiveControl() == this;
}

bool Component::CanFocus() const { return Showing() && EnabledChain(); }

void Component::Click() {
  if (OnClick) OnClick(this);
}

bool Component::UserClick() {
  Form* form = ParentForm();
  for (const Component* c = this; c && c != form; c = c->owner_)
    if (!c->enabled_ || !c->visible_) return false;
  if (form && !form->Enabled()) return false;
  Click();
  return true;
}

void Component::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

int Component::KeyDown(int key, ShiftState shift) {
  if (key == 0) return 0;
  Form* form = ParentForm();
  // Menu short cuts: popup menus of this component and its owners, then the form's main menu.
  ShortCutValue sc = ShortCut(key, shift);
  for (Component* c = this; c; c = c->owner_) {
    if (c->popup_menu_) {
      if (MenuItem* item = c->popup_menu_->FindShortCut(sc)) {
        item->Click();
        return 0;
      }
    }
    if (c == form) break;
  }
  if (form && form->Menu()) {
    if (MenuItem* item = form->Menu()->FindShortCut(sc)) {
      item->Click();
      return 0;
    }
  }
  if (form && form != this && form->KeyPreview() && form->OnKeyDown) {
    form->OnKeyDown(form, key, shift);
    if (key == 0) return 0;
  }
  if (OnKeyDown) {
    OnKeyDown(this, key, shift);
    if (key == 0) return 0;
  }
  key = DefaultKeyDown(key, shift);
  if (key == 0) return 0;
  if (form && form != this) {
    // Enter and Escape reach the form's default and cancel buttons (not from a memo, where
    // Enter is a line end; a focused button takes Enter itself).
    if (key == Key::Enter && dynamic_cast<Memo*>(this)) return key;
    if (key == Key::Enter && dynamic_cast<Button*>(this)) {
      Click();
      return 0;
    }
    key = form->DefaultKeyDown(key, shift);
  }
  return key;
}

void Component::KeyUp(int key, ShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

char Component::KeyPress(char key) {
  Form* form = ParentForm();
  if (form && form != this && form->KeyPreview() && form->OnKeyPress) {
    form->OnKeyPress(form, key);
    if (key == 0) return 0;
  }
  if (OnKeyPress) OnKeyPress(this, key);
  return key;
}

void Component::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void Component::MouseUp(MouseButton button, ShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void Component::MouseMove(ShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void Component::ContextPopup(int x, int y) {
  if (!popup_menu_ || !popup_menu_->AutoPopup()) return;
  popup_menu_->SetPopupComponent(this);
  popup_menu_->Popup(x, y);
}

void Component::Enter() {
  if (Form* f = ParentForm(); f && f != this) f->SetActiveControl(this);
  if (OnEnter) OnEnter(this);
}

void Component::Exit() {
  if (OnExit) OnExit(this);
}

void Component::NotifyChanged(Property what) {
  if (view_) view_->Changed(*this, what);
}

void Component::SendRequest(Request what, int x, int y) {
  if (view_) view_->Requested(*this, what, x, y);
}

}  // namespace platform
