#include "platform/Controls.h"

#include <algorithm>
#include <cctype>

#include "platform/Form.h"
#include "platform/Menus.h"

namespace platform {

namespace {
const std::string kEmpty;

unsigned char Fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

bool ParseInt(const std::string& text, int& value) {
  std::size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool neg = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  if (i >= n || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  long long v = 0;
  while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
    v = v * 10 + (text[i++] - '0');
    if (v > 2147483648LL) return false;
  }
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i != n) return false;
  v = neg ? -v : v;
  if (v > 2147483647LL) return false;
  value = int(v);
  return true;
}
}  // namespace

int CompareTextNoCase(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = Fold(static_cast<unsigned char>(a[i]));
    unsigned char y = Fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// --- Strings ---

const std::string& Strings::operator[](int i) const {
  if (i < 0 || i >= Count()) return kEmpty;
  return items_[std::size_t(i)];
}

void Strings::Changed() {
  if (AfterChange) AfterChange();
  if (owner_) owner_->NotifyChanged(what_);
}

void Strings::Set(int i, std::string_view text) {
  if (i < 0 || i >= Count()) return;
  if (sorted_) {
    items_.erase(items_.begin() + i);
    Add(text);
    return;
  }
  items_[std::size_t(i)] = std::string(text);
  Changed();
}

int Strings::Add(std::string_view text) {
  int at = Count();
  if (sorted_) {
    auto it = std::upper_bound(items_.begin(), items_.end(), text,
                               [](std::string_view t, const std::string& s) {
                                 return CompareTextNoCase(t, s) < 0;
                               });
    at = int(it - items_.begin());
  }
  items_.insert(items_.begin() + at, std::string(text));
  Changed();
  return at;
}

void Strings::Insert(int i, std::string_view text) {
  if (sorted_) {
    Add(text);
    return;
  }
  i = std::clamp(i, 0, Count());
  items_.insert(items_.begin() + i, std::string(text));
  Changed();
}

void Strings::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  items_.erase(items_.begin() + i);
  Changed();
}

void Strings::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void Strings::Assign(std::vector<std::string> items) {
  items_ = std::move(items);
  if (sorted_)
    std::stable_sort(items_.begin(), items_.end(), [](const std::string& a, const std::string& b) {
      return CompareTextNoCase(a, b) < 0;
    });
  Changed();
}

int Strings::IndexOf(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[std::size_t(i)] == text) return i;
  return -1;
}

int Strings::IndexOfText(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareTextNoCase(items_[std::size_t(i)], text) == 0) return i;
  return -1;
}

std::string Strings::Text() const {
  std::string out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (i) out += "\r\n";
    out += items_[i];
  }
  return out;
}

void Strings::SetText(std::string_view text) {
  std::vector<std::string> lines;
  std::string cur;
  bool any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    any = true;
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(cur));
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      any = false;
    } else {
      cur += c;
    }
  }
  if (any) lines.push_back(std::move(cur));
  Assign(std::move(lines));
}

void Strings::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  if (sorted_) Assign(std::move(items_));
}

// --- Button family ---

void Button::SetDefault(bool v) {
  default_ = v;
  NotifyChanged(Property::Style);
}

void Button::SetCancel(bool v) {
  cancel_ = v;
  NotifyChanged(Property::Style);
}

void Button::SetImageIndex(int i) {
  if (i == image_index_) return;
  image_index_ = i;
  NotifyChanged(Property::ImageIndex);
}

void Button::Click() {
  if (modal_result_ != mrNone)
    if (Form* f = ParentForm()) f->SetModalResult(modal_result_);
  Component::Click();
}

void BitBtn::SetGlyph(std::shared_ptr<Picture> p) {
  glyph_ = std::move(p);
  NotifyChanged(Property::Raster);
}

void SpeedButton::SetDown(bool down) {
  if (down == down_) return;
  down_ = down;
  if (down_ && group_index_ > 0 && Owner()) {
    for (const auto& c : Owner()->Children()) {
      auto* other = dynamic_cast<SpeedButton*>(c.get());
      if (other && other != this && other->group_index_ == group_index_ && other->down_) {
        other->down_ = false;
        other->NotifyChanged(Property::Down);
      }
    }
  }
  NotifyChanged(Property::Down);
}

void SpeedButton::Click() {
  if (group_index_ > 0) {
    if (!down_) SetDown(true);
    else if (allow_all_up_) SetDown(false);
  }
  Component::Click();
}

void ToolButton::SetStyle(ToolButtonStyle s) {
  if (s == style_) return;
  style_ = s;
  NotifyChanged(Property::Style);
}

void ToolButton::SetDown(bool down) {
  if (down == down_) return;
  down_ = down;
  if (down_ && grouped_ && style_ == ToolButtonStyle::Check && Owner()) {
    // The group is the run of adjacent grouped check buttons around this one.
    const auto& sib = Owner()->Children();
    int me = -1;
    for (int i = 0; i < int(sib.size()); ++i)
      if (sib[std::size_t(i)].get() == this) me = i;
    auto member = [&](int i) -> ToolButton* {
      if (i < 0 || i >= int(sib.size())) return nullptr;
      auto* b = dynamic_cast<ToolButton*>(sib[std::size_t(i)].get());
      return (b && b->grouped_ && b->style_ == ToolButtonStyle::Check) ? b : nullptr;
    };
    for (int dir : {-1, 1})
      for (int i = me + dir; ToolButton* b = member(i); i += dir)
        if (b->down_) {
          b->down_ = false;
          b->NotifyChanged(Property::Down);
        }
  }
  NotifyChanged(Property::Down);
}

void ToolButton::SetDropdownMenu(PopupMenu* m) {
  dropdown_menu_ = m;
  NotifyChanged(Property::Menu);
}

void ToolButton::SetImageIndex(int i) {
  if (i == image_index_) return;
  image_index_ = i;
  NotifyChanged(Property::ImageIndex);
}

void ToolButton::Forget(const Component* dying) {
  Component::Forget(dying);
  if (dropdown_menu_ == dying) dropdown_menu_ = nullptr;
  if (dropdown_item_ == dying) dropdown_item_ = nullptr;
}

void ToolButton::Click() {
  if (style_ == ToolButtonStyle::Check) {
    if (!down_) SetDown(true);
    else if (!grouped_ || allow_all_up_) SetDown(false);
  }
  if (dropdown_item_) dropdown_item_->Popup(this);
  Component::Click();
}

void ToolButton::UserDropDown() {
  if (!dropdown_menu_) return;
  dropdown_menu_->SetPopupComponent(this);
  dropdown_menu_->Popup(-1, -1);
}

void ToolBar::Forget(const Component* dying) {
  Component::Forget(dying);
  if (images_ == dying) images_ = nullptr;
}

void ToolBar::SetShowCaptions(bool v) {
  if (v == show_captions_) return;
  show_captions_ = v;
  NotifyChanged(Property::ShowCaptions);
}

void ToolBar::SetButtonSize(int w, int h) {
  button_width_ = w;
  button_height_ = h;
  NotifyChanged(Property::Style);
}

void ToolBar::SetImages(ImageList* il) {
  images_ = il;
  NotifyChanged(Property::Images);
}

// --- check and radio ---

void CheckBox::SetChecked(bool checked) { SetState(checked ? CheckState::Checked : CheckState::Unchecked); }

void CheckBox::SetState(CheckState s) {
  if (s == state_) return;
  state_ = s;
  NotifyChanged(Property::Checked);
}

void CheckBox::Click() {
  switch (state_) {
    case CheckState::Unchecked: SetState(CheckState::Checked); break;
    case CheckState::Checked:
      SetState(allow_grayed_ ? CheckState::Grayed : CheckState::Unchecked);
      break;
    case CheckState::Grayed: SetState(CheckState::Unchecked); break;
  }
  Component::Click();
}

void RadioButton::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (checked_ && Owner()) {
    for (const auto& c : Owner()->Children()) {
      auto* other = dynamic_cast<RadioButton*>(c.get());
      if (other && other != this && other->checked_) {
        other->checked_ = false;
        other->NotifyChanged(Property::Checked);
      }
    }
  }
  NotifyChanged(Property::Checked);
}

void RadioButton::Click() {
  SetChecked(true);
  Component::Click();
}

RadioGroup::RadioGroup(Component* owner, std::string name)
    : Component(owner, std::move(name)), items_(this, Property::Items) {
  items_.AfterChange = [this] {
    if (item_index_ >= items_.Count()) item_index_ = -1;
  };
}

void RadioGroup::SetItemIndex(int i) {
  i = std::clamp(i, -1, items_.Count() - 1);
  if (i == item_index_) return;
  item_index_ = i;
  NotifyChanged(Property::ItemIndex);
}

void RadioGroup::SetColumns(int c) {
  columns_ = std::max(1, c);
  NotifyChanged(Property::Style);
}

void RadioGroup::UserSelect(int i) {
  if (i < 0 || i >= items_.Count()) return;
  SetItemIndex(i);
  Component::Click();
}

// --- Edit ---

void Edit::SetText(std::string_view text) {
  if (max_length_ > 0 && int(text.size()) > max_length_) text = text.substr(0, std::size_t(max_length_));
  if (text == text_) return;
  text_ = std::string(text);
  sel_start_ = std::min(sel_start_, int(text_.size()));
  sel_length_ = std::min(sel_length_, int(text_.size()) - sel_start_);
  NotifyChanged(Property::Text);
}

void Edit::SetReadOnly(bool v) {
  if (v == read_only_) return;
  read_only_ = v;
  NotifyChanged(Property::ReadOnly);
}

void Edit::SetMaxLength(int n) {
  max_length_ = std::max(0, n);
  NotifyChanged(Property::MaxLength);
}

void Edit::SetSelection(int start, int length) {
  int n = int(text_.size());
  sel_start_ = std::clamp(start, 0, n);
  sel_length_ = std::clamp(length, 0, n - sel_start_);
  NotifyChanged(Property::Selection);
}

std::string Edit::SelText() const {
  return text_.substr(std::size_t(sel_start_), std::size_t(sel_length_));
}

void Edit::SelectAll() { SetSelection(0, int(text_.size())); }

void Edit::UserSetText(std::string_view text) {
  if (read_only_) return;
  std::string before = text_;
  SetText(text);
  if (text_ == before) return;
  modified_ = true;
  if (OnChange) OnChange(this);
}

// --- Memo ---

Memo::Memo(Component* owner, std::string name)
    : Component(owner, std::move(name)), lines_(this, Property::Lines) {}

void Memo::SetWordWrap(bool v) {
  if (v == word_wrap_) return;
  word_wrap_ = v;
  NotifyChanged(Property::WordWrap);
}

void Memo::SetScrollBars(ScrollStyle s) {
  if (s == scroll_bars_) return;
  scroll_bars_ = s;
  NotifyChanged(Property::ScrollBars);
}

void Memo::SetReadOnly(bool v) {
  if (v == read_only_) return;
  read_only_ = v;
  NotifyChanged(Property::ReadOnly);
}

void Memo::UserSetText(std::string_view text) {
  if (read_only_) return;
  std::string before = Text();
  lines_.SetText(text);
  if (Text() == before) return;
  modified_ = true;
  if (OnChange) OnChange(this);
}

void Label::Forget(const Component* dying) {
  Component::Forget(dying);
  if (focus_control_ == dying) focus_control_ = nullptr;
}

// --- ComboBox ---

ComboBox::ComboBox(Component* owner, std::string name)
    : Component(owner, std::move(name)), items_(this, Property::Items) {
  items_.AfterChange = [this] { ItemsChanged(); };
}

void ComboBox::ItemsChanged() {
  if (items_.Count() == 0) {
    item_index_ = -1;
    text_.clear();
    return;
  }
  if (item_index_ >= items_.Count()) item_index_ = -1;
  if (style_ == ComboStyle::DropDownList) {
    // The chosen item keeps being chosen when it moved (sorted insertion).
    int i = items_.IndexOf(text_);
    item_index_ = text_.empty() ? -1 : i;
    if (item_index_ < 0) text_.clear();
  } else if (item_index_ >= 0 && items_[item_index_] != text_) {
    item_index_ = items_.IndexOf(text_);
  }
}

void ComboBox::SetStyle(ComboStyle s) {
  if (s == style_) return;
  style_ = s;
  if (style_ == ComboStyle::DropDownList) {
    item_index_ = items_.IndexOf(text_);
    if (item_index_ < 0) text_.clear();
  }
  NotifyChanged(Property::Style);
}

void ComboBox::SetItemIndex(int i) {
  i = std::clamp(i, -1, items_.Count() - 1);
  std::string t = i >= 0 ? items_[i] : std::string();
  if (i == item_index_ && t == text_) return;
  item_index_ = i;
  text_ = t;
  NotifyChanged(Property::ItemIndex);
  NotifyChanged(Property::Text);
}

void ComboBox::SetText(std::string_view text) {
  if (style_ == ComboStyle::DropDownList) {
    SetItemIndex(items_.IndexOfText(text));
    return;
  }
  if (max_length_ > 0 && int(text.size()) > max_length_) text = text.substr(0, std::size_t(max_length_));
  int i = items_.IndexOfText(text);
  if (text == text_ && i == item_index_) return;
  text_ = std::string(text);
  item_index_ = i;
  NotifyChanged(Property::Text);
  NotifyChanged(Property::ItemIndex);
}

void ComboBox::UserSelect(int i) {
  if (i < 0 || i >= items_.Count()) return;
  SetItemIndex(i);
  Component::Click();
  if (OnSelect) OnSelect(this);
  else if (OnChange) OnChange(this);
}

void ComboBox::UserSetText(std::string_view text) {
  if (style_ == ComboStyle::DropDownList) return;
  std::string before = text_;
  SetText(text);
  if (text_ != before && OnChange) OnChange(this);
}

// --- ListBox ---

ListBox::ListBox(Component* owner, std::string name)
    : Component(owner, std::move(name)), items_(this, Property::Items) {
  items_.AfterChange = [this] { ItemsChanged(); };
}

void ListBox::ItemsChanged() {
  selected_.assign(std::size_t(items_.Count()), false);
  if (item_index_ >= items_.Count()) item_index_ = -1;
  if (item_index_ >= 0) selected_[std::size_t(item_index_)] = true;
  top_index_ = std::clamp(top_index_, 0, std::max(0, items_.Count() - 1));
}

void ListBox::SetItemIndex(int i) {
  i = std::clamp(i, -1, items_.Count() - 1);
  if (!multi_select_) std::fill(selected_.begin(), selected_.end(), false);
  item_index_ = i;
  if (i >= 0) selected_[std::size_t(i)] = true;
  NotifyChanged(Property::ItemIndex);
}

void ListBox::SetMultiSelect(bool v) {
  multi_select_ = v;
  if (!v) SetItemIndex(item_index_);
  NotifyChanged(Property::Style);
}

bool ListBox::Selected(int i) const {
  return i >= 0 && i < int(selected_.size()) && selected_[std::size_t(i)];
}

void ListBox::SetSelected(int i, bool s) {
  if (i < 0 || i >= int(selected_.size())) return;
  if (!multi_select_) {
    SetItemIndex(s ? i : (i == item_index_ ? -1 : item_index_));
    return;
  }
  selected_[std::size_t(i)] = s;
  NotifyChanged(Property::Selection);
}

int ListBox::SelCount() const { return int(std::count(selected_.begin(), selected_.end(), true)); }

void ListBox::SetTopIndex(int i) {
  top_index_ = std::clamp(i, 0, std::max(0, items_.Count() - 1));
  NotifyChanged(Property::ScrollPosition);
}

void ListBox::UserSelect(int i) {
  if (i < 0 || i >= items_.Count()) return;
  std::fill(selected_.begin(), selected_.end(), false);
  SetItemIndex(i);
  Component::Click();
}

// --- StatusBar ---

StatusPanel& StatusBar::AddPanel(int width) {
  panels_.push_back(StatusPanel{{}, width, TextAlign::Left});
  NotifyChanged(Property::Panels);
  return panels_.back();
}

void StatusBar::SetPanelCount(int n) {
  panels_.resize(std::size_t(std::max(0, n)));
  NotifyChanged(Property::Panels);
}

const std::string& StatusBar::PanelText(int i) const {
  if (i < 0 || i >= PanelCount()) return kEmpty;
  return panels_[std::size_t(i)].Text;
}

void StatusBar::SetPanelText(int i, std::string_view text) {
  if (i < 0 || i >= PanelCount()) return;
  if (panels_[std::size_t(i)].Text == text) return;
  panels_[std::size_t(i)].Text = std::string(text);
  NotifyChanged(Property::Panels);
}

int StatusBar::PanelWidth(int i) const {
  if (i < 0 || i >= PanelCount()) return 0;
  return panels_[std::size_t(i)].Width;
}

void StatusBar::SetPanelWidth(int i, int width) {
  if (i < 0 || i >= PanelCount()) return;
  panels_[std::size_t(i)].Width = width;
  NotifyChanged(Property::Panels);
}

void StatusBar::SetSimplePanel(bool v) {
  if (v == simple_panel_) return;
  simple_panel_ = v;
  NotifyChanged(Property::SimpleText);
}

void StatusBar::SetSimpleText(std::string_view text) {
  if (text == simple_text_) return;
  simple_text_ = std::string(text);
  NotifyChanged(Property::SimpleText);
}

// --- pages ---

TabSheet::TabSheet(Component* owner, std::string name)
    : Component(owner, std::move(name)), page_control_(dynamic_cast<PageControl*>(owner)) {
  if (page_control_) {
    page_control_->pages_.push_back(this);
    if (!page_control_->active_) page_control_->active_ = this;
    page_control_->NotifyChanged(Property::ActivePage);
  }
}

TabSheet::~TabSheet() {
  if (!page_control_) return;
  auto& pages = page_control_->pages_;
  pages.erase(std::remove(pages.begin(), pages.end(), this), pages.end());
  if (page_control_->active_ == this) page_control_->active_ = pages.empty() ? nullptr : pages.front();
}

void TabSheet::SetTabVisible(bool v) {
  if (v == tab_visible_) return;
  tab_visible_ = v;
  NotifyChanged(Property::TabVisible);
}

int TabSheet::PageIndex() const {
  if (!page_control_) return -1;
  const auto& pages = page_control_->pages_;
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : int(it - pages.begin());
}

PageControl::~PageControl() {
  // The pages are destroyed after this object's members: they must not look back at it.
  for (TabSheet* p : pages_) p->page_control_ = nullptr;
  pages_.clear();
  active_ = nullptr;
}

TabSheet* PageControl::Pages(int i) const {
  if (i < 0 || i >= PageCount()) return nullptr;
  return pages_[std::size_t(i)];
}

void PageControl::SetActivePage(TabSheet* page) {
  if (page && page->page_control_ != this) return;
  if (page == active_) return;
  active_ = page;
  NotifyChanged(Property::ActivePage);
}

int PageControl::ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void PageControl::SetActivePageIndex(int i) { SetActivePage(Pages(i)); }

void PageControl::UserSelectPage(TabSheet* page) {
  if (!page || page->page_control_ != this || page == active_ || !page->TabVisible()) return;
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return;
  SetActivePage(page);
  if (OnChange) OnChange(this);
}

// --- UpDown ---

void UpDown::WriteAssociate() {
  if (associate_) associate_->SetText(std::to_string(position_));
}

void UpDown::SetPosition(int p) {
  p = std::clamp(p, std::min(min_, max_), std::max(min_, max_));
  bool changed = p != position_;
  position_ = p;
  WriteAssociate();
  if (changed) NotifyChanged(Property::Position);
}

void UpDown::SetRange(int min, int max) {
  min_ = min;
  max_ = max;
  NotifyChanged(Property::Range);
  SetPosition(position_);
}

void UpDown::SetAssociate(Component* edit) {
  associate_ = edit;
  WriteAssociate();
}

void UpDown::Forget(const Component* dying) {
  Component::Forget(dying);
  if (associate_ == dying) associate_ = nullptr;
}

void UpDown::UserStep(bool up) {
  int lo = std::min(min_, max_), hi = std::max(min_, max_);
  if (associate_) {
    int v = 0;
    if (ParseInt(associate_->Text(), v)) position_ = std::clamp(v, lo, hi);
  }
  long long p = (long long)position_ + (up ? increment_ : -increment_);
  if (p > hi) p = wrap_ ? lo : hi;
  if (p < lo) p = wrap_ ? hi : lo;
  position_ = int(p);
  WriteAssociate();
  NotifyChanged(Property::Position);
  Component::Click();
  if (OnArrowClick) OnArrowClick(this, up ? UpDownButton::Next : UpDownButton::Prev);
}

// --- Splitter, PaintBox, ImageBox ---

void Splitter::UserMoved() {
  if (OnMoved) OnMoved(this);
}

void PaintBox::SetRaster(std::shared_ptr<Picture> picture) {
  raster_ = std::move(picture);
  NotifyChanged(Property::Raster);
}

void PaintBox::Paint() {
  if (OnPaint) OnPaint(this);
}

void PaintBox::SetPixelExact(bool exact) {
  if (exact == pixel_exact_) return;
  pixel_exact_ = exact;
  pixel_width_ = pixel_height_ = -1;
  NotifyChanged(Property::Style);
}

void PaintBox::UserResizePixels(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == PixelWidth() && height == PixelHeight()) {
    pixel_width_ = width;
    pixel_height_ = height;
    return;
  }
  pixel_width_ = width;
  pixel_height_ = height;
  if (OnResize) OnResize(this);
}

void ImageBox::SetPicture(std::shared_ptr<Picture> picture) {
  picture_ = std::move(picture);
  NotifyChanged(Property::Raster);
}

// --- ScrollBar, TrackBar ---

void RangeControl::SetPosition(int p) {
  p = std::clamp(p, std::min(min_, max_), std::max(min_, max_));
  if (p == position_) return;
  position_ = p;
  NotifyChanged(Property::Position);
}

void RangeControl::SetRange(int min, int max) {
  min_ = min;
  max_ = max;
  NotifyChanged(Property::Range);
  SetPosition(position_);
}

void RangeControl::UserSetPosition(int p) {
  int before = position_;
  SetPosition(p);
  if (position_ != before && OnChange) OnChange(this);
}

// --- ImageList ---

int ImageList::Add(std::shared_ptr<Picture> picture) {
  images_.push_back(std::move(picture));
  NotifyChanged(Property::Images);
  return Count() - 1;
}

void ImageList::Replace(int i, std::shared_ptr<Picture> picture) {
  if (i < 0 || i >= Count()) return;
  images_[std::size_t(i)] = std::move(picture);
  NotifyChanged(Property::Images);
}

void ImageList::Clear() {
  images_.clear();
  NotifyChanged(Property::Images);
}

std::shared_ptr<Picture> ImageList::Get(int i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return images_[std::size_t(i)];
}

ToolButton* MakeToolButton(ToolBar* bar, std::string name, std::string_view caption, std::string_view hint) {
  auto* b = Make<ToolButton>(bar, std::move(name));
  b->SetCaption(caption);
  b->SetHint(hint);
  b->SetShowHint(true);
  return b;
}

}  // namespace platform
