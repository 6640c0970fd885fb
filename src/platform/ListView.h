// A list view in report mode: columns of texts, one item per row.
// View notifications: a change of one item's texts, image or selection comes as
// View::CellChanged(listView, -1, itemIndex); adding, removing or reordering items as
// Changed(Property::Items); column changes as Changed(Property::Columns).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Component.h"

namespace platform {

class ListView;
class ImageList;

struct ListColumn {
  std::string Caption;
  int Width = 50;
  TextAlign Alignment = TextAlign::Left;
};

// One row: a caption (first column), sub-items (the further columns), an image index, a
// selection flag and a free data value. Items belong to their list view; a pointer stays valid
// until the item is deleted, whatever sorting or inserting happens.
class ListItem {
 public:
  explicit ListItem(ListView* owner) : owner_(owner) {}
  ListView* Owner() const { return owner_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view caption);
  // Sub-item i (column i + 1); an empty text outside.
  int SubItemCount() const { return int(sub_items_.size()); }
  const std::string& SubItem(int i) const;
  const std::vector<std::string>& SubItems() const { return sub_items_; }
  // Setting beyond the end appends empty sub-items up to i.
  void SetSubItem(int i, std::string_view text);
  void AddSubItem(std::string_view text);
  void ClearSubItems();
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int i);
  // Without MultiSelect, selecting an item deselects the others.
  bool Selected() const { return selected_; }
  void SetSelected(bool s);
  bool Focused() const;
  std::intptr_t Data() const { return data_; }
  void SetData(std::intptr_t d) { data_ = d; }
  bool Checked() const { return checked_; }
  void SetChecked(bool c);
  // Position in the list (-1 when detached).
  int Index() const;
  // Text of column c: 0 the caption, c > 0 sub-item c - 1.
  const std::string& ColumnText(int c) const;

 private:
  friend class ListView;
  void Changed();
  ListView* owner_;
  std::string caption_;
  std::vector<std::string> sub_items_;
  int image_index_ = -1;
  bool selected_ = false;
  bool checked_ = false;
  std::intptr_t data_ = 0;
};

enum class ViewStyle { Icon, SmallIcon, List, Report };

class ListView : public Component {
 public:
  using Component::Component;
  ~ListView() override;
  const char* Kind() const override { return "ListView"; }

  // --- columns ---
  int ColumnCount() const { return int(columns_.size()); }
  const ListColumn& Column(int i) const;  // an empty column outside
  ListColumn& AddColumn(std::string_view caption, int width);
  void SetColumnCaption(int i, std::string_view caption);
  void SetColumnWidth(int i, int width);
  void ClearColumns();

  // --- items ---
  int Count() const { return int(items_.size()); }
  ListItem* Items(int i) const;  // nullptr outside
  ListItem* Add();
  ListItem* Insert(int index);   // index clamped to 0..Count
  void Delete(int index);        // ignored outside
  void Delete(ListItem* item);
  void Clear();
  int IndexOf(const ListItem* item) const;
  // First selected item (nullptr: none). SetSelected(nullptr) clears the selection.
  ListItem* Selected() const;
  void SetSelected(ListItem* item);
  int SelCount() const;
  int ItemIndex() const;  // index of Selected(), or -1
  void SetItemIndex(int i);
  ListItem* ItemFocused() const { return focused_; }
  void SetItemFocused(ListItem* item);
  // The first item whose caption equals text (exact), from index start; nullptr when none.
  ListItem* FindCaption(std::string_view text, int start = 0) const;
  // Sorts the items by compare(a, b) < 0 (stable; item pointers stay valid).
  void CustomSort(const std::function<int(const ListItem* a, const ListItem* b)>& compare);
  // Sorts by the text of column c without regard to case (stable).
  void SortByColumn(int c);
  // Scrolls an item into view (headless: nothing).
  void MakeVisible(ListItem* item);

  ViewStyle Style() const { return style_; }
  void SetStyle(ViewStyle s);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v);
  bool RowSelect() const { return row_select_; }
  void SetRowSelect(bool v);
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool v);
  bool GridLines() const { return grid_lines_; }
  void SetGridLines(bool v);
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool v) { hide_selection_ = v; NotifyChanged(Property::Style); }
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool v);
  ImageList* SmallImages() const { return small_images_; }
  void SetSmallImages(ImageList* il);

  // --- user actions (fire events) ---
  // The user selects item (nullptr: clicks on empty space): the selection changes, OnSelectItem
  // for the item that lost it and the one that got it, then OnClick.
  void UserSelect(ListItem* item);
  // The user clicked the header of column c: OnColumnClick.
  void UserColumnClick(int c);
  // A double click on item: selects it (as UserSelect), then OnDblClick.
  void UserDblClick(ListItem* item);

  std::function<void(Component* sender, ListItem* item, bool selected)> OnSelectItem;
  std::function<void(Component* sender, int column)> OnColumnClick;
  // Called before an item is removed (by Delete or Clear).
  std::function<void(Component* sender, ListItem* item)> OnDeletion;

 protected:
  void Forget(const Component* dying) override;

 private:
  friend class ListItem;
  void ItemChanged(ListItem* item);
  void SelectOnly(ListItem* item);
  std::vector<ListColumn> columns_;
  std::vector<std::unique_ptr<ListItem>> items_;
  ListItem* focused_ = nullptr;
  ViewStyle style_ = ViewStyle::Report;
  bool read_only_ = false;
  bool row_select_ = false;
  bool multi_select_ = false;
  bool grid_lines_ = false;
  bool hide_selection_ = true;
  bool checkboxes_ = false;
  ImageList* small_images_ = nullptr;
  bool updating_ = false;
};

}  // namespace platform
