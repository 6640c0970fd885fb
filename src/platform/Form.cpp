#include "platform/Form.h"

#include <algorithm>

#include "platform/Menus.h"
#include "platform/Services.h"

namespace platform {

namespace {

struct ScreenState {
  std::vector<Form*> forms;
  Form* active = nullptr;
  Form* main = nullptr;
  Form* active_mdi = nullptr;
  std::vector<Form*> releases;
  Screen::Binder binder;
  int width = 1280, height = 1024;
};

ScreenState& State() {
  static ScreenState s;
  return s;
}

bool Registered(const Form* f) {
  const auto& v = State().forms;
  return std::find(v.begin(), v.end(), f) != v.end();
}

Button* FindButton(const Component& root, bool wantDefault) {
  Button* found = nullptr;
  root.ForEachDescendant([&](Component& c) {
    if (found) return;
    auto* b = dynamic_cast<Button*>(&c);
    if (!b || !(wantDefault ? b->Default() : b->Cancel())) return;
    for (const Component* p = b; p && p != &root; p = p->Owner())
      if (!p->Visible() || !p->Enabled()) return;
    found = b;
  });
  return found;
}

}  // namespace

// --- Screen ---

const std::vector<Form*>& Screen::Forms() { return State().forms; }
Form* Screen::ActiveForm() { return State().active; }

Form* Screen::MainForm() {
  auto& s = State();
  if (s.main) return s.main;
  return s.forms.empty() ? nullptr : s.forms.front();
}

void Screen::SetMainForm(Form* form) { State().main = form; }
int Screen::Width() { return State().width; }
int Screen::Height() { return State().height; }

void Screen::SetSize(int width, int height) {
  State().width = width;
  State().height = height;
}

void Screen::ProcessReleases() {
  auto& s = State();
  while (!s.releases.empty()) {
    Form* f = s.releases.front();
    s.releases.erase(s.releases.begin());
    if (!Registered(f)) continue;
    f->DoDestroy();
    if (Component* owner = f->Owner()) owner->DestroyChild(f);
  }
}

Screen::Binder Screen::SetBinder(Binder binder) {
  Binder previous = std::move(State().binder);
  State().binder = std::move(binder);
  return previous;
}

const Screen::Binder& Screen::GetBinder() { return State().binder; }

void Screen::Register(Form* f) { State().forms.push_back(f); }

void Screen::Unregister(Form* f) {
  auto& s = State();
  s.forms.erase(std::remove(s.forms.begin(), s.forms.end(), f), s.forms.end());
  s.releases.erase(std::remove(s.releases.begin(), s.releases.end(), f), s.releases.end());
  if (s.active == f) s.active = nullptr;
  if (s.main == f) s.main = nullptr;
  if (s.active_mdi == f) s.active_mdi = nullptr;
}

void Screen::SetActive(Form* f) {
  auto& s = State();
  s.active = f;
  if (f && f->GetFormStyle() == FormStyle::MDIChild) s.active_mdi = f;
}

// --- Form ---

Form::Form(Component* owner, std::string name) : Component(owner, std::move(name)) {
  Component::SetVisible(false);
  Component::SetBounds(0, 0, 640, 480);
  Screen::Register(this);
}

Form::~Form() { Screen::Unregister(this); }

void Form::SetWindowState(WindowState s) {
  if (s == window_state_) return;
  window_state_ = s;
  NotifyChanged(Property::WindowState);
}

void Form::SetFormStyle(FormStyle s) {
  if (s == form_style_) return;
  form_style_ = s;
  NotifyChanged(Property::FormStyle);
}

void Form::SetBorderStyle(BorderStyle s) {
  if (s == border_style_) return;
  border_style_ = s;
  NotifyChanged(Property::BorderStyle);
}

void Form::SetConstraints(const SizeConstraints& c) {
  constraints_ = c;
  NotifyChanged(Property::Constraints);
  SetBounds(Left(), Top(), Width(), Height());
}

void Form::SetBounds(int left, int top, int width, int height) {
  const auto& c = constraints_;
  if (c.MaxWidth > 0) width = std::min(width, c.MaxWidth);
  if (c.MaxHeight > 0) height = std::min(height, c.MaxHeight);
  width = std::max(width, c.MinWidth);
  height = std::max(height, c.MinHeight);
  Component::SetBounds(left, top, width, height);
}

void Form::SetMenu(MainMenu* menu) {
  menu_ = menu;
  NotifyChanged(Property::Menu);
}

void Form::SetAcceptFiles(bool v) {
  accept_files_ = v;
  NotifyChanged(Property::Other);
}

void Form::SetVisible(bool visible) {
  if (visible == Visible()) {
    if (visible) BringToFront();
    return;
  }
  if (visible) {
    if (!shown_once_) {
      shown_once_ = true;
      int x = Left(), y = Top();
      switch (position_) {
        case FormPosition::ScreenCenter:
        case FormPosition::DesktopCenter:
          x = (Screen::Width() - Width()) / 2;
          y = (Screen::Height() - Height()) / 2;
          break;
        case FormPosition::MainFormCenter:
        case FormPosition::OwnerFormCenter: {
          Form* ref = position_ == FormPosition::OwnerFormCenter && Owner() ? Owner()->ParentForm()
                                                                            : Screen::MainForm();
          if (ref && ref != this) {
            x = ref->Left() + (ref->Width() - Width()) / 2;
            y = ref->Top() + (ref->Height() - Height()) / 2;
          } else {
            x = (Screen::Width() - Width()) / 2;
            y = (Screen::Height() - Height()) / 2;
          }
          break;
        }
        default: break;
      }
      SetBounds(std::max(0, x), std::max(0, y), Width(), Height());
    }
    if (!GetView() && State().binder) State().binder(*this);
    Component::SetVisible(true);
    if (OnShow) OnShow(this);
    Activate();
  } else {
    if (OnHide) OnHide(this);
    Component::SetVisible(false);
    if (Screen::ActiveForm() == this) {
      if (OnDeactivate) OnDeactivate(this);
      Screen::SetActive(nullptr);
    }
  }
}

void Form::BringToFront() {
  SendRequest(Request::BringToFront);
  if (Visible()) Activate();
}

void Form::Activate() {
  if (!Visible() || Active()) return;
  Form* previous = Screen::ActiveForm();
  Screen::SetActive(this);
  if (previous && previous->OnDeactivate) previous->OnDeactivate(previous);
  if (OnActivate) OnActivate(this);
}

bool Form::Active() const { return Screen::ActiveForm() == this; }

void Form::SetActiveControl(Component* c) {
  if (c == active_control_) return;
  active_control_ = c;
}

bool Form::CloseQuery() {
  if (form_style_ == FormStyle::MDIForm) {
    for (Form* child : std::vector<Form*>(Screen::Forms()))
      if (child != this && child->GetFormStyle() == FormStyle::MDIChild && Registered(child) &&
          !child->CloseQuery())
        return false;
  }
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

bool Form::Close() {
  if (modal_) {
    modal_result_ = mrCancel;
    NotifyChanged(Property::ModalResult);
    return true;
  }
  if (!CloseQuery()) return false;
  CloseAction action = form_style_ == FormStyle::MDIChild ? CloseAction::Minimize : CloseAction::Hide;
  if (OnClose) OnClose(this, action);
  switch (action) {
    case CloseAction::None: return false;
    case CloseAction::Hide: Hide(); break;
    case CloseAction::Minimize: SetWindowState(WindowState::Minimized); break;
    case CloseAction::Free: Release(); break;
  }
  if (Screen::MainForm() == this && action != CloseAction::Minimize) Application().Terminate();
  return true;
}

void Form::Release() {
  if (released_) return;
  released_ = true;
  if (Visible()) SetVisible(false);
  if (Owner()) State().releases.push_back(this);
}

int Form::ShowModal() {
  modal_result_ = mrNone;
  modal_ = true;
  if (Visible()) BringToFront();
  else SetVisible(true);
  ModalLoop().RunModal(*this);
  modal_ = false;
  if (Visible()) SetVisible(false);
  if (release_after_modal_) {
    release_after_modal_ = false;
    Release();
  }
  return modal_result_;
}

void Form::SetModalResult(int r) {
  modal_result_ = r;
  NotifyChanged(Property::ModalResult);
}

bool Form::TryEndModal() {
  if (modal_result_ == mrNone) return false;
  if (!CloseQuery()) {
    modal_result_ = mrNone;
    return false;
  }
  CloseAction action = CloseAction::Hide;
  if (OnClose) OnClose(this, action);
  if (action == CloseAction::None) {
    modal_result_ = mrNone;
    return false;
  }
  if (action == CloseAction::Free) release_after_modal_ = true;
  return true;
}

int Form::MDIChildCount() const {
  if (form_style_ != FormStyle::MDIForm) return 0;
  int n = 0;
  for (Form* f : Screen::Forms())
    if (f != this && f->GetFormStyle() == FormStyle::MDIChild && f->Visible()) ++n;
  return n;
}

Form* Form::MDIChildren(int i) const {
  if (form_style_ != FormStyle::MDIForm || i < 0) return nullptr;
  for (Form* f : Screen::Forms())
    if (f != this && f->GetFormStyle() == FormStyle::MDIChild && f->Visible())
      if (i-- == 0) return f;
  return nullptr;
}

Form* Form::ActiveMDIChild() const {
  if (form_style_ != FormStyle::MDIForm) return nullptr;
  Form* a = State().active_mdi;
  if (a && Registered(a) && a->Visible()) return a;
  int n = MDIChildCount();
  return n > 0 ? MDIChildren(n - 1) : nullptr;
}

int Form::MDIClientWidth() const {
  if (mdi_client_width_ > 0) return mdi_client_width_;
  int w = ClientWidth();
  for (const auto& c : Children())
    if (c->Visible() && (c->GetAlign() == Align::Left || c->GetAlign() == Align::Right)) w -= c->Width();
  return std::max(0, w);
}

int Form::MDIClientHeight() const {
  if (mdi_client_height_ > 0) return mdi_client_height_;
  int h = ClientHeight();
  for (const auto& c : Children())
    if (c->Visible() && (c->GetAlign() == Align::Top || c->GetAlign() == Align::Bottom)) h -= c->Height();
  return std::max(0, h);
}

void Form::SetMDIClientSize(int width, int height) {
  const bool changed = std::max(0, width) != mdi_client_width_ || std::max(0, height) != mdi_client_height_;
  mdi_client_width_ = std::max(0, width);
  mdi_client_height_ = std::max(0, height);
  if (changed && OnMDIClientResize) OnMDIClientResize(this);
}

namespace {
// The MDI children that take part in an arrangement: visible and not minimised.
std::vector<Form*> ArrangedChildren(const Form& frame) {
  std::vector<Form*> out;
  for (int i = 0, n = frame.MDIChildCount(); i < n; ++i)
    if (Form* f = frame.MDIChildren(i); f->GetWindowState() != WindowState::Minimized) out.push_back(f);
  return out;
}
}  // namespace

void Form::Cascade() {
  int i = 0;
  for (Form* f : ArrangedChildren(*this)) {
    f->SetWindowState(WindowState::Normal);
    f->SetBounds(i * kCascadeStep, i * kCascadeStep, f->Width(), f->Height());
    ++i;
  }
  SendRequest(Request::Cascade);
}

void Form::Tile(TileMode mode) {
  std::vector<Form*> children = ArrangedChildren(*this);
  const int n = int(children.size());
  if (n == 0) return;
  int major = 1;
  while (major * major < n) ++major;
  const int minor = (n + major - 1) / major;
  const int cols = mode == TileMode::Vertical ? major : minor;
  const int rows = mode == TileMode::Vertical ? minor : major;
  const int w = MDIClientWidth() / cols, h = MDIClientHeight() / rows;
  for (int i = 0; i < n; ++i) {
    Form* f = children[std::size_t(i)];
    f->SetWindowState(WindowState::Normal);
    const int col = mode == TileMode::Vertical ? i % cols : i / rows;
    const int row = mode == TileMode::Vertical ? i / cols : i % rows;
    f->SetBounds(col * w, row * h, w, h);
  }
  SendRequest(Request::Tile);
}

void Form::DoCreate() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(this);
}

void Form::DoDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (OnDestroy) OnDestroy(this);
}

void Form::UserDropFiles(const std::vector<std::string>& names) {
  if (accept_files_ && OnDropFiles) OnDropFiles(this, names);
}

void Form::Forget(const Component* dying) {
  Component::Forget(dying);
  if (active_control_ == dying) active_control_ = nullptr;
  if (menu_ && menu_ == dying) menu_ = nullptr;
}

int Form::DefaultKeyDown(int key, ShiftState shift) {
  if (shift & (ssCtrl | ssAlt)) return key;
  if (key == Key::Enter || key == Key::Escape) {
    if (Button* b = FindButton(*this, key == Key::Enter)) {
      b->Click();
      return 0;
    }
  }
  return key;
}

}  // namespace platform
