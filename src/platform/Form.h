// Forms (top-level windows, dialogs, MDI frames and children) and the screen's list of forms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Component.h"
#include "platform/Controls.h"

namespace platform {

class MainMenu;

enum class WindowState { Normal, Minimized, Maximized };
enum class FormStyle { Normal, StayOnTop, MDIChild, MDIForm };
enum class BorderStyle { Sizeable, Single, Dialog, ToolWindow, SizeToolWin, None };
// Where the form goes when first shown.
enum class FormPosition { Designed, Default, ScreenCenter, DesktopCenter, MainFormCenter, OwnerFormCenter };
// How Tile arranges the MDI children: side by side (Vertical) or one above the other.
enum class TileMode { Vertical, Horizontal };
// What closing does (OnClose may change it).
enum class CloseAction { None, Hide, Free, Minimize };

struct SizeConstraints {
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;  // 0 = no limit
  bool operator==(const SizeConstraints&) const = default;
};

// A window. Its components are its children, made by the window class's constructor:
//   auto* BtnClose = Make<Button>(this, "ButtonClose");
// Window classes that use OnCreate fire it with DoCreate() at the end of their constructor, and
// DoDestroy() in their destructor (it fires OnDestroy once).
class Form : public Component {
 public:
  Form(Component* owner = nullptr, std::string name = {});
  ~Form() override;
  const char* Kind() const override { return "Form"; }

  // --- look and placement ---
  WindowState GetWindowState() const { return window_state_; }
  void SetWindowState(WindowState s);
  FormStyle GetFormStyle() const { return form_style_; }
  void SetFormStyle(FormStyle s);
  BorderStyle GetBorderStyle() const { return border_style_; }
  void SetBorderStyle(BorderStyle s);
  FormPosition Position() const { return position_; }
  void SetPosition(FormPosition p) { position_ = p; }
  const SizeConstraints& Constraints() const { return constraints_; }
  void SetConstraints(const SizeConstraints& c);  // the size is brought inside them
  void SetBounds(int left, int top, int width, int height) override;  // kept inside Constraints
  void SetClientSize(int width, int height) { SetBounds(Left(), Top(), width, height); }
  MainMenu* Menu() const { return menu_; }
  void SetMenu(MainMenu* menu);
  bool KeyPreview() const { return key_preview_; }
  void SetKeyPreview(bool v) { key_preview_ = v; }
  // Whether dropped files reach OnDropFiles.
  bool AcceptFiles() const { return accept_files_; }
  void SetAcceptFiles(bool v);

  // --- showing ---
  // Show(): visible (OnShow when it was hidden; the first show applies Position), then the form
  // becomes the active form (OnActivate). Hide(): OnHide, invisible, no longer active.
  void SetVisible(bool visible) override;
  // Shows the form on top and makes it the active form.
  void BringToFront();
  // The user (or the program) activates the form: the previous active form gets OnDeactivate,
  // this one OnActivate. Nothing when it is already active.
  void Activate();
  bool Active() const;
  Component* ActiveControl() const { return active_control_; }
  void SetActiveControl(Component* c);

  // --- closing ---
  // Asks OnCloseQuery (an MDI frame asks its MDI children first); false when vetoed.
  bool CloseQuery();
  // Closes like the close box: on a modal form sets ModalResult := mrCancel (the modal loop
  // ends it). Otherwise CloseQuery, then OnClose with the default action (Hide; Minimize for an
  // MDI child), then the action: Hide hides, Minimize minimises, Free hides and destroys the
  // form at the next event pump (when it has an owner; otherwise it only hides and Released()
  // becomes true). Closing the main form with an action other than None terminates the
  // application. Returns false when vetoed or the action was None.
  bool Close();
  // Schedules the destruction as Close with Free does.
  void Release();
  bool Released() const { return released_; }

  // --- modal ---
  // Shows the form modally: ModalResult := mrNone, shown, the modal loop service runs until
  // the result is set and TryEndModal agrees; hidden again. Returns ModalResult.
  int ShowModal();
  bool Modal() const { return modal_; }
  int GetModalResult() const { return modal_result_; }
  void SetModalResult(int r);
  // For modal loops: called when ModalResult is set. CloseQuery and OnClose (default action
  // Hide) may refuse, which resets ModalResult to mrNone and returns false.
  bool TryEndModal();

  // --- MDI frame ---
  // The visible forms of MDIChild style (when this form is the MDI frame), in creation order.
  int MDIChildCount() const;
  Form* MDIChildren(int i) const;
  Form* ActiveMDIChild() const;
  // The area the MDI children share (designed units): the client area less the aligned bars,
  // unless the GUI reported the real area.
  int MDIClientWidth() const;
  int MDIClientHeight() const;
  // The GUI tells the size of the area its MDI children really share (0 x 0: not known); a
  // change calls OnMDIClientResize.
  void SetMDIClientSize(int width, int height);
  NotifyEvent OnMDIClientResize;
  // Cascade: the children that are not minimised become normal and are stacked from the
  // top-left corner, each keeping its normal size. Tile: they become normal and share the area
  // in a grid (Vertical: more columns than rows). Minimised children stay minimised.
  void Cascade();
  void Tile(TileMode mode = TileMode::Vertical);
  // The offset between cascaded windows (designed units).
  static constexpr int kCascadeStep = 24;

  // --- events ---
  void DoCreate();
  void DoDestroy();
  // Files dropped on the form (their names as the system's text): fires OnDropFiles when the
  // form accepts files.
  void UserDropFiles(const std::vector<std::string>& names);

  NotifyEvent OnCreate;
  NotifyEvent OnDestroy;
  NotifyEvent OnShow;
  NotifyEvent OnHide;
  NotifyEvent OnActivate;
  NotifyEvent OnDeactivate;
  std::function<void(Component* sender, CloseAction& action)> OnClose;
  std::function<void(Component* sender, bool& canClose)> OnCloseQuery;
  std::function<void(Component* sender, const std::vector<std::string>& files)> OnDropFiles;

 protected:
  int DefaultKeyDown(int key, ShiftState shift) override;
  void Forget(const Component* dying) override;

 private:
  friend class Component;
  WindowState window_state_ = WindowState::Normal;
  FormStyle form_style_ = FormStyle::Normal;
  BorderStyle border_style_ = BorderStyle::Sizeable;
  FormPosition position_ = FormPosition::Designed;
  SizeConstraints constraints_;
  MainMenu* menu_ = nullptr;
  bool key_preview_ = false;
  bool accept_files_ = false;
  bool shown_once_ = false;
  bool released_ = false;
  bool modal_ = false;
  bool created_ = false;
  bool destroyed_ = false;
  bool release_after_modal_ = false;
  int modal_result_ = mrNone;
  int mdi_client_width_ = 0, mdi_client_height_ = 0;
  Component* active_control_ = nullptr;
};

// The screen: every form that exists, the active one, the main form and the screen size.
class Screen {
 public:
  static const std::vector<Form*>& Forms();
  static int FormCount() { return int(Forms().size()); }
  static Form* ActiveForm();
  // The application's main form: the first form made, unless set.
  static Form* MainForm();
  static void SetMainForm(Form* form);
  static int Width();
  static int Height();
  static void SetSize(int width, int height);  // the GUI sets the real size; 1280 x 1024 default
  // Destroys the forms whose release is pending (the event pump calls this).
  static void ProcessReleases();
  // The GUI's binder: called when a form that has no view is about to be shown (before
  // OnShow), so the GUI can make its window. Headless: none. Returns the previous binder.
  using Binder = std::function<void(Form&)>;
  static Binder SetBinder(Binder binder);
  static const Binder& GetBinder();

 private:
  friend class Form;
  static void Register(Form* f);
  static void Unregister(Form* f);
  static void SetActive(Form* f);
};

}  // namespace platform
