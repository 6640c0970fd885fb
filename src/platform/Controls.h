// The simple controls: buttons, check boxes, edits, memos, labels, lists, status bars, pages,
// up-downs, containers, splitters, paint boxes, scroll and track bars, image lists.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Component.h"

namespace platform {

class Picture;
class ImageList;
class PopupMenu;
class MenuItem;

// A list of texts belonging to a component (combo items, memo lines, radio items ...); every
// change notifies the owner's view with the list's property. When sorted, Add inserts at the
// place of a case-insensitive order and returns that index.
class Strings {
 public:
  Strings(Component* owner, Property what) : owner_(owner), what_(what) {}

  int Count() const { return int(items_.size()); }
  bool Empty() const { return items_.empty(); }
  // Entry i; an empty text outside the list.
  const std::string& operator[](int i) const;
  const std::string& Get(int i) const { return (*this)[i]; }
  const std::vector<std::string>& All() const { return items_; }
  void Set(int i, std::string_view text);  // ignored outside the list
  int Add(std::string_view text);
  void Insert(int i, std::string_view text);  // i clamped to 0..Count
  void Delete(int i);                          // ignored outside the list
  void Clear();
  void Assign(std::vector<std::string> items);
  // Exact index, or -1. IndexOfText compares without regard to case.
  int IndexOf(std::string_view text) const;
  int IndexOfText(std::string_view text) const;
  // The lines joined by CR LF (no line end after the last); SetText splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(std::string_view text);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);  // sorting now when switched on


 private:
  friend class ComboBox;
  friend class ListBox;
  friend class RadioGroup;
  // Called after each change (the owning component keeps its selection valid here).
  std::function<void()> AfterChange;
  void Changed();
  Component* owner_;
  Property what_;
  bool sorted_ = false;
  std::vector<std::string> items_;
};

// Case-insensitive order of texts as sorted lists use it (ASCII letters folded; the other bytes
// by value). <0, 0, >0.
int CompareTextNoCase(std::string_view a, std::string_view b);

// Modal results (also the answers of message boxes).
enum ModalResult : int {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
  mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10, mrClose = 11,
};

class Button : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "Button"; }
  // A click sets the form's modal result to this value (when not mrNone), then fires OnClick.
  int GetModalResult() const { return modal_result_; }
  void SetModalResult(int r) { modal_result_ = r; }
  // The button that Enter presses / that Escape presses on its form.
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int i);
  void Click() override;

 private:
  int modal_result_ = mrNone;
  bool default_ = false;
  bool cancel_ = false;
  int image_index_ = -1;
};

// A button with a picture (the element picker's buttons).
class BitBtn : public Button {
 public:
  using Button::Button;
  const char* Kind() const override { return "BitBtn"; }
  const std::shared_ptr<Picture>& Glyph() const { return glyph_; }
  void SetGlyph(std::shared_ptr<Picture> p);

 private:
  std::shared_ptr<Picture> glyph_;
};

// A flat button; with a GroupIndex > 0 the buttons of one owner and group stay down one at a
// time (AllowAllUp lets the down one go up again).
class SpeedButton : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "SpeedButton"; }
  bool Down() const { return down_; }
  void SetDown(bool down);  // in a group, pressing one releases the others
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int g) { group_index_ = g; }
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool v) { allow_all_up_ = v; }
  bool Flat() const { return flat_; }
  void SetFlat(bool v) { flat_ = v; NotifyChanged(Property::Style); }
  void Click() override;  // toggles Down in a group, then OnClick

 private:
  bool down_ = false;
  int group_index_ = 0;
  bool allow_all_up_ = false;
  bool flat_ = true;
};

enum class ToolButtonStyle { Button, Check, DropDown, Separator, Divider };

class ToolButton : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "ToolButton"; }
  ToolButtonStyle Style() const { return style_; }
  void SetStyle(ToolButtonStyle s);
  // Down: a check button's state (or a button held down by the program).
  bool Down() const { return down_; }
  void SetDown(bool down);  // Grouped check buttons next to each other release the others
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool v) { grouped_ = v; }
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool v) { allow_all_up_ = v; }
  PopupMenu* DropdownMenu() const { return dropdown_menu_; }
  void SetDropdownMenu(PopupMenu* m);
  // A main-menu item the button stands for: a click opens its submenu below the button.
  MenuItem* DropdownItem() const { return dropdown_item_; }
  void SetDropdownItem(MenuItem* item) { dropdown_item_ = item; }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int i);
  // Check style: toggles Down (a grouped down one stays down unless AllowAllUp); the submenu
  // of DropdownItem opens; then OnClick.
  void Click() override;
  // The user opened the drop-down part: the drop-down menu pops up below the button.
  void UserDropDown();

 protected:
  void Forget(const Component* dying) override;

 private:
  ToolButtonStyle style_ = ToolButtonStyle::Button;
  bool down_ = false;
  bool grouped_ = false;
  bool allow_all_up_ = false;
  PopupMenu* dropdown_menu_ = nullptr;
  MenuItem* dropdown_item_ = nullptr;
  int image_index_ = -1;
};

// A row of tool buttons (its children, in order).
class ToolBar : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "ToolBar"; }
  bool ShowCaptions() const { return show_captions_; }
  void SetShowCaptions(bool v);
  int ButtonWidth() const { return button_width_; }
  int ButtonHeight() const { return button_height_; }
  void SetButtonSize(int w, int h);
  ImageList* Images() const { return images_; }
  void SetImages(ImageList* il);
  bool Flat() const { return flat_; }
  void SetFlat(bool v) { flat_ = v; NotifyChanged(Property::Style); }

 protected:
  void Forget(const Component* dying) override;

 private:
  bool show_captions_ = false;
  int button_width_ = 23, button_height_ = 22;
  ImageList* images_ = nullptr;
  bool flat_ = true;
};

// A tool button on bar with a caption and a hint that shows.
ToolButton* MakeToolButton(ToolBar* bar, std::string name, std::string_view caption, std::string_view hint);

// A band holder for tool bars.
class CoolBar : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "CoolBar"; }
};

enum class CheckState { Unchecked, Checked, Grayed };

class CheckBox : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "CheckBox"; }
  bool Checked() const { return state_ == CheckState::Checked; }
  void SetChecked(bool checked);
  CheckState State() const { return state_; }
  void SetState(CheckState s);
  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool v) { allow_grayed_ = v; }
  TextAlign Alignment() const { return alignment_; }
  void SetAlignment(TextAlign a) { alignment_ = a; NotifyChanged(Property::Alignment); }
  // Toggles the check mark, then fires OnClick.
  void Click() override;

 private:
  CheckState state_ = CheckState::Unchecked;
  bool allow_grayed_ = false;
  TextAlign alignment_ = TextAlign::Right;
};

// Checking one radio button unchecks the other radio buttons of the same owner.
class RadioButton : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "RadioButton"; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  // Checks this button, then fires OnClick.
  void Click() override;

 private:
  bool checked_ = false;
};

// A group of radio items; ItemIndex -1 = none.
class RadioGroup : public Component {
 public:
  RadioGroup(Component* owner = nullptr, std::string name = {});
  const char* Kind() const override { return "RadioGroup"; }
  Strings& Items() { return items_; }
  const Strings& Items() const { return items_; }
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int i);  // clamped to -1..Count-1
  int Columns() const { return columns_; }
  void SetColumns(int c);
  // The user picks item i: ItemIndex := i, then OnClick.
  void UserSelect(int i);

 private:
  Strings items_;
  int item_index_ = -1;
  int columns_ = 1;
};

class Edit : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "Edit"; }
  void SetText(std::string_view text) override;  // cut to MaxLength when set
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int n);  // 0 = no limit
  char PasswordChar() const { return password_char_; }
  void SetPasswordChar(char c) { password_char_ = c; NotifyChanged(Property::Style); }
  TextAlign Alignment() const { return alignment_; }
  void SetAlignment(TextAlign a) { alignment_ = a; NotifyChanged(Property::Alignment); }
  bool Modified() const { return modified_; }
  void SetModified(bool m) { modified_ = m; }
  // Selection within the text (byte offsets); SelectAll selects everything.
  int SelStart() const { return sel_start_; }
  int SelLength() const { return sel_length_; }
  void SetSelection(int start, int length);
  std::string SelText() const;
  void SelectAll();
  // The user typed / replaced the whole text: sets it (unless read-only), Modified := true,
  // fires OnChange when the text changed.
  void UserSetText(std::string_view text);

  NotifyEvent OnChange;

 private:
  bool read_only_ = false;
  int max_length_ = 0;
  char password_char_ = 0;
  TextAlign alignment_ = TextAlign::Left;
  bool modified_ = false;
  int sel_start_ = 0, sel_length_ = 0;
};

enum class ScrollStyle { None, Horizontal, Vertical, Both };

// A multi-line text; Text() is the lines joined by CR LF.
class Memo : public Component {
 public:
  Memo(Component* owner = nullptr, std::string name = {});
  const char* Kind() const override { return "Memo"; }
  Strings& Lines() { return lines_; }
  const Strings& Lines() const { return lines_; }
  std::string Text() const override { return lines_.Text(); }
  void SetText(std::string_view text) override { lines_.SetText(text); }
  void Clear() { lines_.Clear(); }
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool v);
  ScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(ScrollStyle s);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v);
  bool WantTabs() const { return want_tabs_; }
  void SetWantTabs(bool v) { want_tabs_ = v; NotifyChanged(Property::Style); }
  bool Modified() const { return modified_; }
  void SetModified(bool m) { modified_ = m; }
  void SelectAll() { SendRequest(Request::SelectAll); }
  // The user edited the text: sets it, Modified := true, fires OnChange when it changed.
  void UserSetText(std::string_view text);

  NotifyEvent OnChange;

 private:
  Strings lines_;
  bool word_wrap_ = true;
  ScrollStyle scroll_bars_ = ScrollStyle::None;
  bool read_only_ = false;
  bool want_tabs_ = false;
  bool modified_ = false;
};

class Label : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "Label"; }
  TextAlign Alignment() const { return alignment_; }
  void SetAlignment(TextAlign a) { alignment_ = a; NotifyChanged(Property::Alignment); }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v) { auto_size_ = v; NotifyChanged(Property::Style); }
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool v) { word_wrap_ = v; NotifyChanged(Property::WordWrap); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; NotifyChanged(Property::Style); }
  Component* FocusControl() const { return focus_control_; }
  void SetFocusControl(Component* c) { focus_control_ = c; }

 protected:
  void Forget(const Component* dying) override;

 private:
  TextAlign alignment_ = TextAlign::Left;
  bool auto_size_ = true;
  bool word_wrap_ = false;
  bool transparent_ = true;
  Component* focus_control_ = nullptr;
};

enum class ComboStyle { DropDown, DropDownList, Simple };

// A combo box. Editable (DropDown) or a pick list (DropDownList); Sorted keeps the items in a
// case-insensitive order. Text is the edit text (DropDown) or the chosen item (DropDownList).
class ComboBox : public Component {
 public:
  ComboBox(Component* owner = nullptr, std::string name = {});
  const char* Kind() const override { return "ComboBox"; }
  ComboStyle Style() const { return style_; }
  void SetStyle(ComboStyle s);
  Strings& Items() { return items_; }
  const Strings& Items() const { return items_; }
  bool Sorted() const { return items_.Sorted(); }
  void SetSorted(bool v) { items_.SetSorted(v); }
  // -1 = none. Setting it sets the text to the item (or "" for -1).
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int i);
  // DropDownList: chooses the item of that text (case-insensitive), or none.
  // DropDown: sets the edit text; ItemIndex becomes the item of that text or -1.
  void SetText(std::string_view text) override;
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int n) { drop_down_count_ = n; NotifyChanged(Property::Style); }
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int n) { max_length_ = n; NotifyChanged(Property::MaxLength); }
  // The user chose item i from the list: ItemIndex := i, fires OnClick, then OnSelect when set,
  // otherwise OnChange.
  void UserSelect(int i);
  // The user typed into the edit part (DropDown style): sets the text, fires OnChange.
  void UserSetText(std::string_view text);

  NotifyEvent OnChange;
  NotifyEvent OnSelect;
  NotifyEvent OnDropDown;

 private:
  void ItemsChanged();
  ComboStyle style_ = ComboStyle::DropDown;
  Strings items_;
  int item_index_ = -1;
  int drop_down_count_ = 8;
  int max_length_ = 0;
};

class ListBox : public Component {
 public:
  ListBox(Component* owner = nullptr, std::string name = {});
  const char* Kind() const override { return "ListBox"; }
  Strings& Items() { return items_; }
  const Strings& Items() const { return items_; }
  bool Sorted() const { return items_.Sorted(); }
  void SetSorted(bool v) { items_.SetSorted(v); }
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int i);  // clamped to -1..Count-1; single selection follows it
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool v);
  bool Selected(int i) const;
  void SetSelected(int i, bool s);
  int SelCount() const;
  int TopIndex() const { return top_index_; }
  void SetTopIndex(int i);
  // The user clicked item i: selects it (alone), ItemIndex := i, fires OnClick.
  void UserSelect(int i);

 private:
  void ItemsChanged();
  Strings items_;
  int item_index_ = -1;
  bool multi_select_ = false;
  std::vector<bool> selected_;
  int top_index_ = 0;
};

struct StatusPanel {
  std::string Text;
  int Width = 50;
  TextAlign Alignment = TextAlign::Left;
};

class StatusBar : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "StatusBar"; }
  int PanelCount() const { return int(panels_.size()); }
  const std::vector<StatusPanel>& Panels() const { return panels_; }
  StatusPanel& AddPanel(int width = 50);
  void SetPanelCount(int n);
  // Text of panel i; "" outside. Setting outside the panels is ignored.
  const std::string& PanelText(int i) const;
  void SetPanelText(int i, std::string_view text);
  int PanelWidth(int i) const;
  void SetPanelWidth(int i, int width);
  // Simple mode shows SimpleText instead of the panels.
  bool SimplePanel() const { return simple_panel_; }
  void SetSimplePanel(bool v);
  const std::string& SimpleText() const { return simple_text_; }
  void SetSimpleText(std::string_view text);

 private:
  std::vector<StatusPanel> panels_;
  bool simple_panel_ = false;
  std::string simple_text_;
};

class PageControl;

// A page of a page control; made as a child of the page control.
class TabSheet : public Component {
 public:
  TabSheet(Component* owner = nullptr, std::string name = {});
  ~TabSheet() override;
  const char* Kind() const override { return "TabSheet"; }
  PageControl* Pages() const { return page_control_; }
  // Whether the page's tab is shown (a page without its tab cannot be chosen).
  bool TabVisible() const { return tab_visible_; }
  void SetTabVisible(bool v);
  int PageIndex() const;
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int i) { image_index_ = i; NotifyChanged(Property::ImageIndex); }

 private:
  friend class PageControl;
  PageControl* page_control_ = nullptr;
  bool tab_visible_ = true;
  int image_index_ = -1;
};

class PageControl : public Component {
 public:
  using Component::Component;
  ~PageControl() override;
  const char* Kind() const override { return "PageControl"; }
  int PageCount() const { return int(pages_.size()); }
  TabSheet* Pages(int i) const;  // nullptr outside
  TabSheet* ActivePage() const { return active_; }
  void SetActivePage(TabSheet* page);  // nullptr or a page of this control
  int ActivePageIndex() const;
  void SetActivePageIndex(int i);
  // The user chose a tab: OnChanging may veto, then ActivePage := page, OnChange.
  void UserSelectPage(TabSheet* page);

  std::function<void(Component* sender, bool& allowChange)> OnChanging;
  NotifyEvent OnChange;

 private:
  friend class TabSheet;
  std::vector<TabSheet*> pages_;
  TabSheet* active_ = nullptr;
};

// The arrow of an up-down control that was pressed: Next is the upper (or right) one, Prev the
// lower (or left) one.
enum class UpDownButton { Next, Prev };

// Up and down arrows beside an edit; the position is written into the associated edit.
class UpDown : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "UpDown"; }
  int Position() const { return position_; }
  void SetPosition(int p);  // clamped to Min..Max; writes the associate's text
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetRange(int min, int max);
  void SetMin(int v) { SetRange(v, max_); }
  void SetMax(int v) { SetRange(min_, v); }
  int Increment() const { return increment_; }
  void SetIncrement(int i) { increment_ = i; }
  bool Wrap() const { return wrap_; }
  void SetWrap(bool v) { wrap_ = v; }
  Component* Associate() const { return associate_; }
  void SetAssociate(Component* edit);  // writes the position into it
  // The user pressed an arrow: the position is first taken from the associate's text when that
  // is a number, then moves by Increment (clamped, or wrapped), then OnClick, then OnArrowClick
  // with the arrow.
  void UserStep(bool up);

  std::function<void(Component* sender, UpDownButton button)> OnArrowClick;

 protected:
  void Forget(const Component* dying) override;

 private:
  void WriteAssociate();
  int position_ = 0, min_ = 0, max_ = 100, increment_ = 1;
  bool wrap_ = false;
  Component* associate_ = nullptr;
};

enum class BevelStyle { None, Lowered, Raised };

class Panel : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "Panel"; }
  BevelStyle BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(BevelStyle b) { bevel_outer_ = b; NotifyChanged(Property::Style); }
  TextAlign Alignment() const { return alignment_; }
  void SetAlignment(TextAlign a) { alignment_ = a; NotifyChanged(Property::Alignment); }

 private:
  BevelStyle bevel_outer_ = BevelStyle::Raised;
  TextAlign alignment_ = TextAlign::Center;
};

class GroupBox : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "GroupBox"; }
};

// A bar the user drags to resize the control aligned before it.
class Splitter : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "Splitter"; }
  int MinSize() const { return min_size_; }
  void SetMinSize(int v) { min_size_ = v; }
  // The user finished moving the splitter (the view has resized the neighbours): OnMoved.
  void UserMoved();

  NotifyEvent OnMoved;

 private:
  int min_size_ = 30;
};

// A painted area. The window draws into a raster picture (on the platform canvas) and sets it;
// the view shows the raster. OnPaint is fired by Paint() (the view calls it when it needs the
// content; tests may call it too).
//
// A paint box normally has its raster drawn in designed units, and the view shows it scaled
// like the rest of the form. A pixel-exact paint box (a chart) draws for the screen's pixels
// instead: the view reports its real size (PixelWidth, PixelHeight; OnResize fires when it
// changes), shows the raster one to one from its top-left corner, gives mouse positions in
// pixels, and places the components it owns by their bounds taken as pixels from its corner.
// Without a view its pixel size is its size.
class PaintBox : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "PaintBox"; }
  const std::shared_ptr<Picture>& Raster() const { return raster_; }
  void SetRaster(std::shared_ptr<Picture> picture);
  // Tells the view that the raster's content changed.
  void RasterChanged() { NotifyChanged(Property::Raster); }
  void Paint();

  bool PixelExact() const { return pixel_exact_; }
  void SetPixelExact(bool exact);
  int PixelWidth() const { return pixel_width_ >= 0 ? pixel_width_ : Width(); }
  int PixelHeight() const { return pixel_height_ >= 0 ? pixel_height_ : Height(); }
  // The view of a pixel-exact box tells its real size; OnResize fires when it changed.
  void UserResizePixels(int width, int height);

  NotifyEvent OnPaint;

 private:
  std::shared_ptr<Picture> raster_;
  bool pixel_exact_ = false;
  int pixel_width_ = -1, pixel_height_ = -1;  // -1: not told
};

// A picture box (shows one picture).
class ImageBox : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "ImageBox"; }
  const std::shared_ptr<Picture>& GetPicture() const { return picture_; }
  void SetPicture(std::shared_ptr<Picture> picture);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v) { stretch_ = v; NotifyChanged(Property::Style); }

 private:
  std::shared_ptr<Picture> picture_;
  bool stretch_ = false;
};

enum class Orientation { Horizontal, Vertical };

// What a scroll bar and a track bar share: an orientation and a position within Min..Max.
class RangeControl : public Component {
 public:
  Orientation GetOrientation() const { return orientation_; }
  void SetOrientation(Orientation o) { orientation_ = o; NotifyChanged(Property::Style); }
  int Position() const { return position_; }
  void SetPosition(int p);  // clamped to Min..Max
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetRange(int min, int max);
  // The user moved the bar: Position := p (clamped), OnChange when it changed.
  void UserSetPosition(int p);

  NotifyEvent OnChange;

 protected:
  RangeControl(Component* owner, std::string name, int max)
      : Component(owner, std::move(name)), max_(max) {}

 private:
  Orientation orientation_ = Orientation::Horizontal;
  int position_ = 0, min_ = 0, max_;
};

class ScrollBar : public RangeControl {
 public:
  explicit ScrollBar(Component* owner = nullptr, std::string name = {})
      : RangeControl(owner, std::move(name), 100) {}
  const char* Kind() const override { return "ScrollBar"; }
  int SmallChange() const { return small_change_; }
  void SetSmallChange(int v) { small_change_ = v; NotifyChanged(Property::Range); }
  int LargeChange() const { return large_change_; }
  void SetLargeChange(int v) { large_change_ = v; NotifyChanged(Property::Range); }

 private:
  int small_change_ = 1, large_change_ = 1;
};

class TrackBar : public RangeControl {
 public:
  explicit TrackBar(Component* owner = nullptr, std::string name = {})
      : RangeControl(owner, std::move(name), 10) {}
  const char* Kind() const override { return "TrackBar"; }
  int Frequency() const { return frequency_; }
  void SetFrequency(int f) { frequency_ = f; NotifyChanged(Property::Style); }

 private:
  int frequency_ = 1;
};

// A numbered set of equally sized pictures (icons of list views, tool bars and buttons).
class ImageList : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "ImageList"; }
  int ImageWidth() const { return image_width_; }
  int ImageHeight() const { return image_height_; }
  void SetImageSize(int w, int h) { image_width_ = w; image_height_ = h; }
  int Count() const { return int(images_.size()); }
  int Add(std::shared_ptr<Picture> picture);  // returns its index
  void Replace(int i, std::shared_ptr<Picture> picture);
  void Clear();
  // nullptr outside the list.
  std::shared_ptr<Picture> Get(int i) const;

 private:
  int image_width_ = 16, image_height_ = 16;
  std::vector<std::shared_ptr<Picture>> images_;
};

}  // namespace platform
