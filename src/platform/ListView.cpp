#include "platform/ListView.h"

#include <algorithm>

#include "platform/Controls.h"

namespace platform {

namespace {
const std::string kEmpty;
const ListColumn kNoColumn;
}  // namespace

// --- ListItem ---

void ListItem::Changed() {
  if (owner_) owner_->ItemChanged(this);
}

void ListItem::SetCaption(std::string_view caption) {
  if (caption == caption_) return;
  caption_ = std::string(caption);
  Changed();
}

const std::string& ListItem::SubItem(int i) const {
  if (i < 0 || i >= SubItemCount()) return kEmpty;
  return sub_items_[std::size_t(i)];
}

void ListItem::SetSubItem(int i, std::string_view text) {
  if (i < 0) return;
  if (i >= SubItemCount()) sub_items_.resize(std::size_t(i) + 1);
  sub_items_[std::size_t(i)] = std::string(text);
  Changed();
}

void ListItem::AddSubItem(std::string_view text) {
  sub_items_.emplace_back(text);
  Changed();
}

void ListItem::ClearSubItems() {
  if (sub_items_.empty()) return;
  sub_items_.clear();
  Changed();
}

void ListItem::SetImageIndex(int i) {
  if (i == image_index_) return;
  image_index_ = i;
  Changed();
}

void ListItem::SetSelected(bool s) {
  if (s == selected_) return;
  if (s && owner_ && !owner_->MultiSelect()) {
    owner_->SelectOnly(this);
    return;
  }
  selected_ = s;
  Changed();
}

bool ListItem::Focused() const { return owner_ && owner_->ItemFocused() == this; }

void ListItem::SetChecked(bool c) {
  if (c == checked_) return;
  checked_ = c;
  Changed();
}

int ListItem::Index() const { return owner_ ? owner_->IndexOf(this) : -1; }

const std::string& ListItem::ColumnText(int c) const {
  if (c == 0) return caption_;
  return SubItem(c - 1);
}

// --- ListView ---

ListView::~ListView() {
  // Items outlive no view; nothing refers back to a destroyed list.
  for (auto& it : items_) it->owner_ = nullptr;
}

const ListColumn& ListView::Column(int i) const {
  if (i < 0 || i >= ColumnCount()) return kNoColumn;
  return columns_[std::size_t(i)];
}

ListColumn& ListView::AddColumn(std::string_view caption, int width) {
  columns_.push_back(ListColumn{std::string(caption), width, TextAlign::Left});
  NotifyChanged(Property::Columns);
  return columns_.back();
}

void ListView::SetColumnCaption(int i, std::string_view caption) {
  if (i < 0 || i >= ColumnCount()) return;
  columns_[std::size_t(i)].Caption = std::string(caption);
  NotifyChanged(Property::Columns);
}

void ListView::SetColumnWidth(int i, int width) {
  if (i < 0 || i >= ColumnCount()) return;
  columns_[std::size_t(i)].Width = width;
  NotifyChanged(Property::Columns);
}

void ListView::ClearColumns() {
  columns_.clear();
  NotifyChanged(Property::Columns);
}

ListItem* ListView::Items(int i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return items_[std::size_t(i)].get();
}

ListItem* ListView::Add() { return Insert(Count()); }

ListItem* ListView::Insert(int index) {
  index = std::clamp(index, 0, Count());
  auto item = std::make_unique<ListItem>(this);
  ListItem* raw = item.get();
  items_.insert(items_.begin() + index, std::move(item));
  NotifyChanged(Property::Items);
  return raw;
}

void ListView::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  ListItem* item = items_[std::size_t(index)].get();
  if (OnDeletion) OnDeletion(this, item);
  if (focused_ == item) focused_ = nullptr;
  // The handler may have changed the list: find the item again.
  int at = IndexOf(item);
  if (at < 0) return;
  items_.erase(items_.begin() + at);
  NotifyChanged(Property::Items);
}

void ListView::Delete(ListItem* item) { Delete(IndexOf(item)); }

void ListView::Clear() {
  if (OnDeletion) {
    std::vector<ListItem*> all;
    for (auto& it : items_) all.push_back(it.get());
    for (ListItem* it : all) OnDeletion(this, it);
  }
  items_.clear();
  focused_ = nullptr;
  NotifyChanged(Property::Items);
}

int ListView::IndexOf(const ListItem* item) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[std::size_t(i)].get() == item) return i;
  return -1;
}

ListItem* ListView::Selected() const {
  for (const auto& it : items_)
    if (it->selected_) return it.get();
  return nullptr;
}

void ListView::SelectOnly(ListItem* item) {
  for (int i = 0; i < Count(); ++i) {
    ListItem* it = items_[std::size_t(i)].get();
    bool s = it == item;
    if (it->selected_ != s) {
      it->selected_ = s;
      ItemChanged(it);
    }
  }
  if (item) focused_ = item;
}

void ListView::SetSelected(ListItem* item) {
  if (item && IndexOf(item) < 0) return;
  SelectOnly(item);
}

int ListView::SelCount() const {
  int n = 0;
  for (const auto& it : items_) n += it->selected_ ? 1 : 0;
  return n;
}

int ListView::ItemIndex() const { return IndexOf(Selected()); }

void ListView::SetItemIndex(int i) { SetSelected(Items(i)); }

void ListView::SetItemFocused(ListItem* item) {
  if (item && IndexOf(item) < 0) return;
  focused_ = item;
  NotifyChanged(Property::Selection);
}

ListItem* ListView::FindCaption(std::string_view text, int start) const {
  for (int i = std::max(0, start); i < Count(); ++i)
    if (items_[std::size_t(i)]->caption_ == text) return items_[std::size_t(i)].get();
  return nullptr;
}

void ListView::CustomSort(const std::function<int(const ListItem*, const ListItem*)>& compare) {
  if (!compare) return;
  std::stable_sort(items_.begin(), items_.end(),
                   [&](const std::unique_ptr<ListItem>& a, const std::unique_ptr<ListItem>& b) {
                     return compare(a.get(), b.get()) < 0;
                   });
  NotifyChanged(Property::Items);
}

void ListView::SortByColumn(int c) {
  CustomSort([c](const ListItem* a, const ListItem* b) {
    return CompareTextNoCase(a->ColumnText(c), b->ColumnText(c));
  });
}

void ListView::MakeVisible(ListItem* item) {
  int i = IndexOf(item);
  if (i >= 0) SendRequest(Request::Repaint, 0, i);
}

void ListView::SetStyle(ViewStyle s) {
  style_ = s;
  NotifyChanged(Property::Style);
}

void ListView::SetReadOnly(bool v) {
  read_only_ = v;
  NotifyChanged(Property::ReadOnly);
}

void ListView::SetRowSelect(bool v) {
  row_select_ = v;
  NotifyChanged(Property::Style);
}

void ListView::SetMultiSelect(bool v) {
  multi_select_ = v;
  if (!v) SelectOnly(Selected());
  NotifyChanged(Property::Style);
}

void ListView::SetGridLines(bool v) {
  grid_lines_ = v;
  NotifyChanged(Property::Style);
}

void ListView::SetCheckboxes(bool v) {
  checkboxes_ = v;
  NotifyChanged(Property::Style);
}

void ListView::SetSmallImages(ImageList* il) {
  small_images_ = il;
  NotifyChanged(Property::Images);
}

void ListView::Forget(const Component* dying) {
  Component::Forget(dying);
  if (small_images_ == dying) small_images_ = nullptr;
}

void ListView::ItemChanged(ListItem* item) {
  if (View* v = GetView()) v->CellChanged(*this, -1, IndexOf(item));
}

void ListView::UserSelect(ListItem* item) {
  if (item && IndexOf(item) < 0) return;
  std::vector<std::pair<ListItem*, bool>> changes;
  for (const auto& it : items_) {
    bool s = it.get() == item;
    if (it->selected_ != s) changes.emplace_back(it.get(), s);
  }
  SelectOnly(item);
  if (OnSelectItem) {
    // The item that lost the selection first, then the one that got it. A handler may delete
    // items: only those still in the list are reported.
    for (auto& [it, s] : changes)
      if (!s && OnSelectItem && IndexOf(it) >= 0) OnSelectItem(this, it, false);
    for (auto& [it, s] : changes)
      if (s && OnSelectItem && IndexOf(it) >= 0) OnSelectItem(this, it, true);
  }
  if (OnClick) OnClick(this);
}

void ListView::UserColumnClick(int c) {
  if (OnColumnClick) OnColumnClick(this, c);
}

void ListView::UserDblClick(ListItem* item) {
  if (item) UserSelect(item);
  if (OnDblClick) OnDblClick(this);
}

}  // namespace platform
