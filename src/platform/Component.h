// The base of every window component: name, tag, ownership, the common look and layout
// properties, and the hook through which a GUI view mirrors property changes.
//
// Rules every component follows:
// - The component holds the truth. Window logic reads and writes components only.
// - Setters and program calls (SetText, SetChecked, SetItemIndex, MoveColumn, ...) change state
//   and notify the view; they never fire the component's events. The User... calls (and
//   Click(), KeyDown(), ContextPopup()) do what the user's action does, events included: the Qt
//   views call them on input, and tests call them to act as the user. Actions whose events are
//   their purpose fire them whoever calls: a form's Show/Hide (OnShow, OnActivate, OnHide),
//   Close and ShowModal (OnCloseQuery, OnClose), a popup menu's Popup (OnPopup).
// - Texts are the system's single-byte text (Windows-1252). The GUI converts at its edge.
// - Events are reassignable std::function slots; the sender may be null.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class Component;
class Form;
class PopupMenu;

// A colour: 32-bit value with red in the lowest byte (0x00BBGGRR).
using TColor = std::uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
// The usual window background and button face (plain RGB values here).
inline constexpr TColor clWindow = 0xFFFFFF;
inline constexpr TColor clBtnFace = 0xF0F0F0;
inline constexpr TColor clWindowText = 0x000000;

inline constexpr TColor RGB(unsigned r, unsigned g, unsigned b) {
  return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr unsigned RedOf(TColor c) { return c & 0xFF; }
inline constexpr unsigned GreenOf(TColor c) { return (c >> 8) & 0xFF; }
inline constexpr unsigned BlueOf(TColor c) { return (c >> 16) & 0xFF; }

// A font as the windows use it. Size in points; a stored "height" is PixelHeight().
struct FontInfo {
  std::string Name = "MS Sans Serif";
  int Size = 8;
  TColor Color = clBlack;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  // The font height in pixels at 96 dpi, negative as the platform stores it (8 pt -> -11).
  int PixelHeight() const { return -((Size * 96 + 36) / 72); }
  // Sets Size from such a height (either sign).
  void SetPixelHeight(int height);
  bool operator==(const FontInfo&) const = default;
};

// Shift, mouse-button and double-click flags of a key or mouse event.
using ShiftState = unsigned;
inline constexpr ShiftState ssNone = 0;
inline constexpr ShiftState ssShift = 1;
inline constexpr ShiftState ssAlt = 2;
inline constexpr ShiftState ssCtrl = 4;
inline constexpr ShiftState ssLeft = 8;
inline constexpr ShiftState ssRight = 16;
inline constexpr ShiftState ssMiddle = 32;
inline constexpr ShiftState ssDouble = 64;

// Virtual key codes (letters and digits are their upper-case ASCII code: 'A', '0').
namespace Key {
enum : int {
  None = 0,
  Back = 8,
  Tab = 9,
  Enter = 13,
  Shift = 16,
  Control = 17,
  Alt = 18,
  Escape = 27,
  Space = 32,
  PageUp = 33,
  PageDown = 34,
  End = 35,
  Home = 36,
  Left = 37,
  Up = 38,
  Right = 39,
  Down = 40,
  Insert = 45,
  Delete = 46,
  F1 = 112, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
  OemPlus = 187,   // the "=" / "+" key
  OemMinus = 189,  // the "-" / "_" key
};
}  // namespace Key

// A menu short cut: key code | scShift | scCtrl | scAlt (0 = none).
using ShortCutValue = int;
inline constexpr int scShift = 0x2000;
inline constexpr int scCtrl = 0x4000;
inline constexpr int scAlt = 0x8000;
ShortCutValue ShortCut(int key, ShiftState shift);
// "Ctrl+Shift+F1", "Ctrl+A", "Del", "Esc" (the key names Qt also reads); "" for 0.
std::string ShortCutToText(ShortCutValue shortcut);
// Reads the texts ShortCutToText writes (case-insensitive); 0 when unreadable.
ShortCutValue TextToShortCut(std::string_view text);

enum class MouseButton { Left, Right, Middle };

enum class Align { None, Top, Bottom, Left, Right, Client };

using AnchorSet = unsigned;
inline constexpr AnchorSet akLeft = 1;
inline constexpr AnchorSet akTop = 2;
inline constexpr AnchorSet akRight = 4;
inline constexpr AnchorSet akBottom = 8;

enum class TextAlign { Left, Right, Center };

struct Rect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // Right and Bottom exclusive
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool operator==(const Rect&) const = default;
};

using NotifyEvent = std::function<void(Component* sender)>;
// key is in/out: a handler sets it to 0 to consume the key.
using KeyEvent = std::function<void(Component* sender, int& key, ShiftState shift)>;
// key is the typed character (single-byte text); set to 0 to drop it.
using KeyPressEvent = std::function<void(Component* sender, char& key)>;
using MouseEvent =
    std::function<void(Component* sender, MouseButton button, ShiftState shift, int x, int y)>;
using MouseMoveEvent = std::function<void(Component* sender, ShiftState shift, int x, int y)>;

// What changed, for the view. Components of one kind use the values that apply to them.
enum class Property {
  Name, Tag, Visible, Enabled, Hint, Bounds, Align, Anchors, Font, Color, Text, PopupMenu,
  // specific properties
  Checked, Down, ReadOnly, MaxLength, Items, ItemIndex, Lines, WordWrap, ScrollBars, Style,
  Columns, Selection, Cells, ColCount, RowCount, FixedCols, FixedRows, ColWidths, RowHeights,
  DefaultColWidth, DefaultRowHeight, Options, ScrollPosition, CurrentCell, Panels, SimpleText,
  ActivePage, TabVisible, Position, Range, Raster, ImageIndex, ShortCut, Caption, WindowState,
  FormStyle, BorderStyle, Constraints, ModalResult, ShowCaptions, Alignment, Images, Menu,
  // a child was added to or removed from this component
  Children,
  Other,
};

// One-shot requests to the view (no state of their own).
// WidenColumns (x = first, y = last column): a grid shows those columns at least as wide as
// their texts, without changing the widths the grid holds.
enum class Request { BringToFront, SetFocus, Repaint, Popup, Cascade, Tile, SelectAll, Close, WidenColumns };

// A GUI view of one component. The component calls it after every change; the view updates its
// widget. A component without a view works headless.
class View {
 public:
  virtual ~View() = default;
  virtual void Changed(Component& component, Property what) = 0;
  // One grid cell changed (a StringGrid's Cells); default: Changed(Cells).
  virtual void CellChanged(Component& component, int col, int row);
  virtual void Requested(Component& component, Request what, int x, int y);
  // The component is being destroyed; the view must forget it.
  virtual void Detached(Component& component);
};

// Base of every component. A component owns its children (destroyed with it); the owner is
// also the visual parent (a button made on a panel lies on that panel).
class Component {
 public:
  explicit Component(Component* owner = nullptr, std::string name = {});
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  // Kind of the component, as its class is named ("Button", "StringGrid", ...).
  virtual const char* Kind() const { return "Component"; }

  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  int Tag() const { return tag_; }
  void SetTag(int tag);

  // Ownership. Children are kept in creation order.
  Component* Owner() const { return owner_; }
  const std::vector<std::unique_ptr<Component>>& Children() const { return children_; }
  int ComponentCount() const { return int(children_.size()); }
  Component* Components(int index) const;
  // Searches the children and their children by name (exact); nullptr when absent.
  Component* FindComponent(std::string_view name) const;
  template <class T>
  T* Find(std::string_view name) const { return dynamic_cast<T*>(FindComponent(name)); }
  // Calls fn for every descendant, depth first in creation order.
  void ForEachDescendant(const std::function<void(Component&)>& fn) const;
  // The form that (indirectly) owns this component; the form itself for a form.
  Form* ParentForm() const;
  // Destroys a child now (its pointer becomes invalid). The view hears Changed(Children).
  void DestroyChild(Component* child);
  // Takes ownership of a component made elsewhere (Make does this). The view hears
  // Changed(Children), so a GUI can bind a child added after the form was bound.
  Component* Adopt(std::unique_ptr<Component> child);

  // Caption and Text are one text (labels, buttons and forms call it caption, edits text; a
  // memo's text is its lines joined by CR LF).
  std::string Caption() const { return Text(); }
  void SetCaption(std::string_view caption) { SetText(caption); }
  virtual std::string Text() const { return text_; }
  virtual void SetText(std::string_view text);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible and every owner visible.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string_view hint);
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool show);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  Rect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  // The inner size (the same as the size unless a view reports a frame).
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  // The size the user gave the component (a view calls this after a user resize or a layout);
  // fires OnResize when the size changed.
  void UserResize(int width, int height);

  Align GetAlign() const { return align_; }
  void SetAlign(Align align);
  AnchorSet Anchors() const { return anchors_; }
  void SetAnchors(AnchorSet anchors);

  const FontInfo& Font() const { return font_; }
  void SetFont(const FontInfo& font);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool v) { parent_font_ = v; }

  // The popup menu shown on a right click (nullptr: none).
  PopupMenu* GetPopupMenu() const { return popup_menu_; }
  void SetPopupMenu(PopupMenu* menu);

  // Focus: the form's active control.
  void SetFocus();
  bool Focused() const;
  bool CanFocus() const;

  // Asks the view to paint again (nothing headless).
  void Repaint() { SendRequest(Request::Repaint); }
  void Invalidate() { Repaint(); }

  // --- user actions (fire events) ---
  // A click: fires OnClick. Buttons and check boxes add their own effect.
  virtual void Click();
  // A click as only a user can give it: nothing (false) when this component or one of its
  // owners below the form is disabled or hidden; otherwise Click() and true.
  bool UserClick();
  // Enabled and every owner enabled.
  bool EnabledChain() const;
  void DblClick();
  // A key press on this component: menu short cuts of the popup menus on the way up and of the
  // form's main menu first (a match clicks the item and consumes the key), then the form's
  // OnKeyDown when the form has KeyPreview, then this component's OnKeyDown, then the form's
  // default (Enter) / cancel (Escape) button. Returns the key left unconsumed (0 = consumed).
  int KeyDown(int key, ShiftState shift = ssNone);
  void KeyUp(int key, ShiftState shift = ssNone);
  // A typed character; returns it (0 when a handler dropped it).
  char KeyPress(char key);
  void MouseDown(MouseButton button, ShiftState shift, int x, int y);
  void MouseUp(MouseButton button, ShiftState shift, int x, int y);
  void MouseMove(ShiftState shift, int x, int y);
  // A right click at screen point (x, y) that opens the popup menu (when it has AutoPopup):
  // sets the menu's PopupComponent, fires OnPopup.
  void ContextPopup(int x, int y);
  // The focus arrives / leaves.
  void Enter();
  void Exit();

  NotifyEvent OnClick;
  NotifyEvent OnDblClick;
  KeyEvent OnKeyDown;
  KeyEvent OnKeyUp;
  KeyPressEvent OnKeyPress;
  MouseEvent OnMouseDown;
  MouseEvent OnMouseUp;
  MouseMoveEvent OnMouseMove;
  NotifyEvent OnEnter;
  NotifyEvent OnExit;
  NotifyEvent OnResize;

  // --- the view ---
  // Tells the view that a property changed (components call it; so may the GUI after a layout).
  void NotifyChanged(Property what);
  void SendRequest(Request what, int x = 0, int y = 0);
  View* GetView() const { return view_; }
  void SetView(View* view) { view_ = view; }
  // Free-form pointer a GUI binding may keep with the component.
  void* ViewData() const { return view_data_; }
  void SetViewData(void* p) { view_data_ = p; }

 protected:
  // A component is being destroyed: drop every pointer to it (popup menu, image list,
  // associate ...). Called on every component of the trees still alive.
  virtual void Forget(const Component* dying);
  // Hook for subclasses after a key went through OnKeyDown unconsumed.
  virtual int DefaultKeyDown(int key, ShiftState shift) { (void)shift; return key; }

  std::string text_;

 private:
  void ForgetInTree(const Component* dying);
  Component* owner_ = nullptr;
  std::vector<std::unique_ptr<Component>> children_;
  std::string name_;
  int tag_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  bool show_hint_ = false;
  std::string hint_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  Align align_ = Align::None;
  AnchorSet anchors_ = akLeft | akTop;
  FontInfo font_;
  TColor color_ = clBtnFace;
  bool parent_font_ = true;
  PopupMenu* popup_menu_ = nullptr;
  View* view_ = nullptr;
  void* view_data_ = nullptr;
};

// Makes a component owned by owner: auto* BtnClose = Make<Button>(this, "ButtonClose");
template <class T, class... Args>
T* Make(Component* owner, std::string name, Args&&... args) {
  auto p = std::make_unique<T>(owner, std::move(name), std::forward<Args>(args)...);
  T* raw = p.get();
  if (owner) owner->Adopt(std::move(p));
  else p.release();  // ownerless: the caller owns raw (delete it)
  return raw;
}

}  // namespace platform
