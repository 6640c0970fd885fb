// Views of the simple controls: buttons, check boxes, radio buttons and groups, edits, memos,
// labels, combo and list boxes, status bars, page controls, up-downs, containers, splitters,
// paint and image boxes, scroll and track bars, tool bars.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

#include "gui/ViewBase.h"
#include "platform/Canvas.h"

namespace gui {

using namespace platform;

namespace {

Qt::Alignment ToQtAlign(TextAlign a) {
  switch (a) {
    case TextAlign::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlign::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

// A component's MaxLength (0: no limit) as a line edit's, whose own default is 32767.
int QtMaxLength(int maxLength) { return maxLength > 0 ? maxLength : 32767; }

void SetBackground(QWidget* w, TColor c, TColor normal) {
  if (c == normal) return;
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ToQColor(c));
  pal.setColor(QPalette::Base, ToQColor(c));
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

// --- buttons ---

class ButtonView : public ViewBase {
 public:
  ButtonView(Button& b, QWidget* parent) : ViewBase(b, new QPushButton(parent)) {
    auto* w = static_cast<QPushButton*>(widget_.data());
    w->setAutoDefault(false);
    FilterInput(w);
    QObject::connect(w, &QPushButton::clicked, this, [this] {
      if (comp_ && !syncing_) comp_->UserClick();
    });
  }

 protected:
  void ApplyText() override { static_cast<QPushButton*>(widget_.data())->setText(ToQt(comp_->Caption())); }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Style || what == Property::Other) {
      auto* b = static_cast<Button*>(comp_);
      static_cast<QPushButton*>(widget_.data())->setDefault(b->Default());  // drawn as the default
      if (auto* bb = dynamic_cast<BitBtn*>(b); bb && bb->Glyph())
        static_cast<QPushButton*>(widget_.data())->setIcon(QPixmap::fromImage(ToQImage(*bb->Glyph())));
    }
  }
};

class SpeedButtonView : public ViewBase {
 public:
  SpeedButtonView(SpeedButton& b, QWidget* parent) : ViewBase(b, new QToolButton(parent)) {
    auto* w = static_cast<QToolButton*>(widget_.data());
    FilterInput(w);
    QObject::connect(w, &QToolButton::clicked, this, [this] {
      if (!comp_ || syncing_) return;
      comp_->UserClick();
      if (comp_) Sync();
    });
  }

 protected:
  void Sync() {
    auto* b = static_cast<SpeedButton*>(comp_);
    auto* w = static_cast<QToolButton*>(widget_.data());
    SyncGuard guard(*this);
    w->setCheckable(b->GroupIndex() > 0);
    w->setChecked(b->Down());
    w->setAutoRaise(b->Flat());
  }
  void ApplyText() override { static_cast<QToolButton*>(widget_.data())->setText(ToQt(comp_->Caption())); }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Down || what == Property::Style) Sync();
  }
};

// The desktop theme's standard icon for a tool button's caption (a null icon when the theme has
// none, or no name fits).
QIcon ThemeIconFor(std::string_view caption) {
  std::string key;
  for (char c : caption) {
    if (c == '&') continue;
    key += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
  }
  while (!key.empty() && (key.back() == '.' || key.back() == ' ')) key.pop_back();
  while (!key.empty() && key.front() == ' ') key.erase(key.begin());
  static const struct { const char* caption; const char* icon; } kNames[] = {
      {"open", "document-open"},       {"save", "document-save"},     {"save as", "document-save-as"},
      {"new", "document-new"},         {"print", "document-print"},   {"copy", "edit-copy"},
      {"paste", "edit-paste"},         {"cut", "edit-cut"},           {"delete", "edit-delete"},
      {"del", "edit-delete"},          {"delete all", "edit-clear"},  {"help", "help-contents"},
      {"exit", "application-exit"},    {"close", "window-close"},     {"search", "edit-find"},
      {"find", "edit-find"},           {"first", "go-first"},         {"last", "go-last"},
      {"previous", "go-previous"},     {"next", "go-next"},           {"add", "list-add"},
      {"update", "view-refresh"},      {"refresh", "view-refresh"},   {"font", "preferences-desktop-font"},
      {"messages", "dialog-information"}, {"undo", "edit-undo"},      {"redo", "edit-redo"},
  };
  for (const auto& n : kNames)
    if (key == n.caption) return QIcon::fromTheme(QString::fromLatin1(n.icon));
  return QIcon();
}

class ToolButtonView : public ViewBase {
 public:
  ToolButtonView(ToolButton& b, QWidget* parent) : ViewBase(b, new QToolButton(parent)) {
    auto* w = static_cast<QToolButton*>(widget_.data());
    w->setAutoRaise(true);
    FilterInput(w);
    QObject::connect(w, &QToolButton::clicked, this, [this] {
      if (!comp_ || syncing_) return;
      comp_->UserClick();
      if (comp_) Sync();
    });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* b = static_cast<ToolButton*>(comp_);
    if (b && event->type() == QEvent::MouseButtonPress && b->Style() == ToolButtonStyle::DropDown) {
      auto* me = static_cast<QMouseEvent*>(event);
      auto* w = static_cast<QToolButton*>(widget_.data());
      if (me->position().x() >= w->width() - 14) {  // the arrow part
        b->UserDropDown();
        return true;
      }
    }
    return ViewBase::eventFilter(watched, event);
  }
  void Sync() {
    auto* b = static_cast<ToolButton*>(comp_);
    auto* w = static_cast<QToolButton*>(widget_.data());
    SyncGuard guard(*this);
    bool sep = b->Style() == ToolButtonStyle::Separator || b->Style() == ToolButtonStyle::Divider;
    w->setEnabled(!sep && b->Enabled());
    w->setCheckable(b->Style() == ToolButtonStyle::Check);
    w->setChecked(b->Down());
    w->setDown(b->Down() && b->Style() != ToolButtonStyle::Check);
    w->setPopupMode(b->Style() == ToolButtonStyle::DropDown ? QToolButton::MenuButtonPopup
                                                            : QToolButton::DelayedPopup);
    auto* bar = dynamic_cast<ToolBar*>(b->Owner());
    w->setAutoRaise(!bar || bar->Flat());
    ImageList* images = bar ? bar->Images() : nullptr;
    const bool captions = !bar || bar->ShowCaptions();
    QIcon icon = IconOf(images, b->ImageIndex());
    if (icon.isNull()) {
      w->setIconSize(QSize(16, 16));
    } else {
      w->setIconSize(QSize(images->ImageWidth(), images->ImageHeight()));
    }
    // A button that shows no caption shows a picture: the theme's icon for it, else its
    // caption's initials (a button without a caption goes by its hint).
    const std::string label = b->Caption().empty() ? b->Hint() : b->Caption();
    if (icon.isNull() && !captions && !sep) {
      icon = ThemeIconFor(label);
      if (icon.isNull()) icon = QIcon(QPixmap::fromImage(ToQImage(CaptionInitialsPicture(label, 16))));
    }
    w->setIcon(icon);
    w->setToolButtonStyle(!captions ? Qt::ToolButtonIconOnly
                          : icon.isNull() ? Qt::ToolButtonTextOnly
                                          : Qt::ToolButtonTextUnderIcon);
    w->setText(sep ? QString() : ToQt(b->Caption()));
    // Without its caption on the button, the caption is the tip (unless a hint shows).
    if (!captions && !sep && w->toolTip().isEmpty()) w->setToolTip(StripMnemonic(label));
  }
  void ApplyText() override { Sync(); }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Down || what == Property::Style || what == Property::ImageIndex ||
        what == Property::Enabled || what == Property::ShowCaptions)
      Sync();
  }

 public:
  void Refresh() { Sync(); }
};

// A row of tool buttons laid out from the left in their order; a button that does not fit
// starts the next row, and the bar grows to show every row.
class ToolBarView : public ViewBase {
 public:
  ToolBarView(Component& c, QWidget* parent) : ViewBase(c, new QFrame(parent)) {
    FilterInput(widget_);
  }
  QWidget* Container() const override { return widget_; }
  void ChildrenBound() override { ArrangeButtons(); }
  void ArrangeButtons() {
    if (arranging_ || !comp_) return;
    arranging_ = true;
    auto* bar = dynamic_cast<ToolBar*>(comp_);
    const LayoutScale sc = Scale();
    if (designed_height_ < 0) designed_height_ = comp_->Height();
    // Each button's size: the bar's button size, or what its caption and picture need.
    struct Place { Component* c; int w; };
    std::vector<Place> places;
    int rowHeight = bar ? bar->ButtonHeight() : comp_->Height();
    for (const auto& child : comp_->Children()) {
      Component* c = child.get();
      if (!c->Visible() || !ViewOf(c)) continue;
      int w = c->Width() > 0 ? c->Width() : (bar ? bar->ButtonWidth() : 23);
      int h = bar ? bar->ButtonHeight() : comp_->Height();
      if (auto* tb = dynamic_cast<ToolButton*>(c)) {
        QWidget* bw = ViewOf(c)->Widget();
        auto* qb = qobject_cast<QToolButton*>(bw);
        const bool picture = qb && !qb->icon().isNull();
        if (tb->Style() == ToolButtonStyle::Separator || tb->Style() == ToolButtonStyle::Divider) {
          w = 8;
        } else if (bar && bar->ShowCaptions() && qb) {
          // A caption is shown whole: the button is as wide and high as it needs; the bar's
          // button width is for buttons with a picture.
          const QSize hint = qb->sizeHint();
          w = std::max(picture ? bar->ButtonWidth() : 0, sc.CeilX(hint.width()));
          h = std::max(h, sc.CeilY(hint.height()));
        } else if (bar) {
          w = bar->ButtonWidth();
        }
        rowHeight = std::max(rowHeight, h);
      }
      places.push_back({c, w});
    }
    int x = 0, y = 0;
    const int width = comp_->Width();
    for (const Place& p : places) {
      if (x > 0 && x + p.w > width) {
        x = 0;
        y += rowHeight;
      }
      p.c->SetBounds(x, y, p.w, rowHeight);
      x += p.w;
    }
    // The bar is as high as its rows need (never lower than designed).
    const int need = places.empty() ? designed_height_ : y + rowHeight + 2;
    const int height = std::max(designed_height_, need);
    if (comp_->Height() != height) comp_->SetHeight(height);
    arranging_ = false;
  }

 protected:
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Color) SetBackground(widget_, comp_->Color(), clBtnFace);
    if (what == Property::ShowCaptions || what == Property::Images || what == Property::Style)
      for (const auto& child : comp_->Children())
        if (auto* v = dynamic_cast<ToolButtonView*>(ViewOf(child.get()))) v->Refresh();
    if (what == Property::Style || what == Property::ShowCaptions || what == Property::Images ||
        what == Property::Bounds)
      ArrangeButtons();
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::LayoutRequest) ArrangeButtons();
    return ViewBase::eventFilter(watched, event);
  }
  bool arranging_ = false;
  int designed_height_ = -1;
};

// --- check box and radio buttons ---

class CheckBoxView : public ViewBase {
 public:
  CheckBoxView(CheckBox& c, QWidget* parent) : ViewBase(c, new QCheckBox(parent)) {
    auto* w = static_cast<QCheckBox*>(widget_.data());
    FilterInput(w);
    QObject::connect(w, &QCheckBox::clicked, this, [this] {
      if (!comp_ || syncing_) return;
      comp_->UserClick();
      if (comp_) Apply(Property::Checked);
    });
  }

 protected:
  void ApplyText() override { static_cast<QCheckBox*>(widget_.data())->setText(ToQt(comp_->Caption())); }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Checked || what == Property::Style) {
      auto* c = static_cast<CheckBox*>(comp_);
      auto* w = static_cast<QCheckBox*>(widget_.data());
      SyncGuard guard(*this);
      w->setTristate(c->AllowGrayed() || c->State() == CheckState::Grayed);
      w->setCheckState(c->State() == CheckState::Checked   ? Qt::Checked
                       : c->State() == CheckState::Grayed ? Qt::PartiallyChecked
                                                          : Qt::Unchecked);
    }
    if (what == Property::Color) SetBackground(widget_, comp_->Color(), clBtnFace);
    if (what == Property::Alignment)
      static_cast<QCheckBox*>(widget_.data())
          ->setLayoutDirection(static_cast<CheckBox*>(comp_)->Alignment() == TextAlign::Left
                                   ? Qt::RightToLeft
                                   : Qt::LeftToRight);
  }
};

class RadioButtonView : public ViewBase {
 public:
  RadioButtonView(RadioButton& c, QWidget* parent) : ViewBase(c, new QRadioButton(parent)) {
    auto* w = static_cast<QRadioButton*>(widget_.data());
    w->setAutoExclusive(false);  // the component unchecks its siblings
    FilterInput(w);
    QObject::connect(w, &QRadioButton::clicked, this, [this] {
      if (!comp_ || syncing_) return;
      comp_->UserClick();
      if (comp_) Apply(Property::Checked);
    });
  }

 protected:
  void ApplyText() override { static_cast<QRadioButton*>(widget_.data())->setText(ToQt(comp_->Caption())); }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Checked) {
      SyncGuard guard(*this);
      static_cast<QRadioButton*>(widget_.data())->setChecked(static_cast<RadioButton*>(comp_)->Checked());
    }
    if (what == Property::Color) SetBackground(widget_, comp_->Color(), clBtnFace);
  }
};

class RadioGroupView : public ViewBase {
 public:
  RadioGroupView(RadioGroup& c, QWidget* parent) : ViewBase(c, new QGroupBox(parent)) {
    FilterInput(widget_);
  }

 protected:
  void Rebuild() {
    auto* g = static_cast<RadioGroup*>(comp_);
    auto* box = static_cast<QGroupBox*>(widget_.data());
    for (QRadioButton* b : buttons_) delete b;
    buttons_.clear();
    delete box->layout();
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(0);
    int cols = std::max(1, g->Columns());
    int n = g->Items().Count();
    int rows = (n + cols - 1) / cols;
    for (int i = 0; i < n; ++i) {
      auto* b = new QRadioButton(ToQt(g->Items()[i]), box);
      b->setAutoExclusive(false);
      FilterInput(b, false);
      layout->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
      QObject::connect(b, &QRadioButton::clicked, this, [this, i] {
        if (!comp_ || syncing_) return;
        auto* grp = static_cast<RadioGroup*>(comp_);
        if (grp->EnabledChain()) grp->UserSelect(i);
        if (comp_) Check();
      });
      buttons_.push_back(b);
    }
    Check();
  }
  void Check() {
    SyncGuard guard(*this);
    int idx = static_cast<RadioGroup*>(comp_)->ItemIndex();
    for (int i = 0; i < int(buttons_.size()); ++i) buttons_[std::size_t(i)]->setChecked(i == idx);
  }
  void ApplyText() override { static_cast<QGroupBox*>(widget_.data())->setTitle(StripMnemonic(comp_->Caption())); }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Items || what == Property::Columns) Rebuild();
    if (what == Property::ItemIndex) Check();
    if (what == Property::Color) SetBackground(widget_, comp_->Color(), clBtnFace);
  }
  std::vector<QRadioButton*> buttons_;
};

// --- edits ---

class EditView : public ViewBase {
 public:
  EditView(Edit& e, QWidget* parent) : ViewBase(e, new QLineEdit(parent)) {
    auto* w = static_cast<QLineEdit*>(widget_.data());
    FilterInput(w);
    QObject::connect(w, &QLineEdit::textEdited, this, [this](const QString& text) {
      if (!comp_ || syncing_) return;
      static_cast<Edit*>(comp_)->UserSetText(FromQt(text));
      if (comp_ && FromQt(static_cast<QLineEdit*>(widget_.data())->text()) != comp_->Text()) ApplyText();
    });
    QObject::connect(w, &QLineEdit::selectionChanged, this, [this] {
      if (!comp_ || syncing_) return;
      auto* le = static_cast<QLineEdit*>(widget_.data());
      int start = le->hasSelectedText() ? le->selectionStart() : le->cursorPosition();
      SyncGuard guard(*this);
      static_cast<Edit*>(comp_)->SetSelection(start, int(FromQt(le->selectedText()).size()));
    });
  }

 protected:
  void ApplyText() override {
    auto* w = static_cast<QLineEdit*>(widget_.data());
    QString t = ToQt(comp_->Text());
    if (w->text() != t) w->setText(t);
  }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    auto* e = static_cast<Edit*>(comp_);
    auto* w = static_cast<QLineEdit*>(widget_.data());
    switch (what) {
      case Property::ReadOnly: w->setReadOnly(e->ReadOnly()); break;
      case Property::MaxLength: w->setMaxLength(QtMaxLength(e->MaxLength())); break;
      case Property::Style: w->setEchoMode(e->PasswordChar() ? QLineEdit::Password : QLineEdit::Normal); break;
      case Property::Alignment: w->setAlignment(ToQtAlign(e->Alignment())); break;
      case Property::Color: SetBackground(w, e->Color(), clBtnFace); break;
      case Property::Selection:
        if (e->SelLength() > 0) w->setSelection(e->SelStart(), e->SelLength());
        else w->setCursorPosition(e->SelStart());
        break;
      default: break;
    }
  }
  void Request(platform::Request what, int x, int y) override {
    if (what == platform::Request::SelectAll) static_cast<QLineEdit*>(widget_.data())->selectAll();
    else ViewBase::Request(what, x, y);
  }
};

QString CrLfToQt(const std::string& text) {
  std::string t;
  t.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    t += text[i];
  }
  return ToQt(t);
}

std::string QtToCrLf(const QString& text) {
  std::string t = FromQt(text), out;
  out.reserve(t.size() + 16);
  for (char c : t) {
    if (c == '\n') out += "\r\n";
    else out += c;
  }
  return out;
}

class MemoView : public ViewBase {
 public:
  MemoView(Memo& m, QWidget* parent) : ViewBase(m, new QPlainTextEdit(parent)) {
    auto* w = static_cast<QPlainTextEdit*>(widget_.data());
    FilterInput(w);
    FilterInput(w->viewport());
    QObject::connect(w, &QPlainTextEdit::textChanged, this, [this] {
      if (!comp_ || syncing_) return;
      SyncGuard guard(*this);  // the widget already shows the text
      static_cast<Memo*>(comp_)->UserSetText(QtToCrLf(static_cast<QPlainTextEdit*>(widget_.data())->toPlainText()));
    });
  }

 protected:
  void ApplyText() override {
    auto* w = static_cast<QPlainTextEdit*>(widget_.data());
    QString t = CrLfToQt(comp_->Text());
    if (w->toPlainText() != t) w->setPlainText(t);
  }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    auto* m = static_cast<Memo*>(comp_);
    auto* w = static_cast<QPlainTextEdit*>(widget_.data());
    switch (what) {
      case Property::Lines: ApplyText(); break;
      case Property::ReadOnly: w->setReadOnly(m->ReadOnly()); break;
      case Property::WordWrap:
        w->setLineWrapMode(m->WordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        break;
      case Property::ScrollBars: {
        ScrollStyle s = m->ScrollBars();
        w->setHorizontalScrollBarPolicy(s == ScrollStyle::Horizontal || s == ScrollStyle::Both
                                            ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
        w->setVerticalScrollBarPolicy(s == ScrollStyle::Vertical || s == ScrollStyle::Both
                                          ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
        break;
      }
      case Property::Color: SetBackground(w, m->Color(), clBtnFace); break;
      case Property::Style: w->setTabChangesFocus(!m->WantTabs()); break;
      default: break;
    }
  }
  void Request(platform::Request what, int x, int y) override {
    if (what == platform::Request::SelectAll) static_cast<QPlainTextEdit*>(widget_.data())->selectAll();
    else ViewBase::Request(what, x, y);
  }
};

class LabelView : public ViewBase {
 public:
  LabelView(Label& l, QWidget* parent) : ViewBase(l, new QLabel(parent)) { FilterInput(widget_); }

 protected:
  void ApplyText() override {
    auto* l = static_cast<Label*>(comp_);
    auto* w = static_cast<QLabel*>(widget_.data());
    w->setText(StripMnemonic(l->Caption()));
    if (l->AutoSize() && !l->WordWrap() && l->GetAlign() == Align::None) {
      const QSize s = w->sizeHint();
      const LayoutScale sc = Scale();
      l->SetBounds(l->Left(), l->Top(), sc.CeilX(s.width()), std::max(l->Height(), sc.CeilY(s.height())));
    }
  }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    auto* l = static_cast<Label*>(comp_);
    auto* w = static_cast<QLabel*>(widget_.data());
    if (what == Property::Alignment) w->setAlignment(ToQtAlign(l->Alignment()) | Qt::AlignTop);
    if (what == Property::WordWrap) w->setWordWrap(l->WordWrap());
    if (what == Property::Color || what == Property::Style)
      if (!l->Transparent()) SetBackground(w, l->Color(), clBtnFace);
  }
};

// --- lists ---

class ComboWidget : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> before_popup;
  void showPopup() override {
    if (before_popup) before_popup();
    QComboBox::showPopup();
  }
};

class ComboBoxView : public ViewBase {
 public:
  ComboBoxView(ComboBox& c, QWidget* parent) : ViewBase(c, new ComboWidget(parent)) {
    auto* w = static_cast<ComboWidget*>(widget_.data());
    w->setInsertPolicy(QComboBox::NoInsert);
    FilterInput(w);
    w->before_popup = [this] {
      auto* cb = static_cast<ComboBox*>(comp_);
      if (cb && cb->OnDropDown) cb->OnDropDown(cb);
    };
    QObject::connect(w, QOverload<int>::of(&QComboBox::activated), this, [this](int i) {
      if (!comp_ || syncing_) return;
      static_cast<ComboBox*>(comp_)->UserSelect(i);
      if (comp_) SyncAll();
    });
  }

 protected:
  void SyncAll() {
    auto* cb = static_cast<ComboBox*>(comp_);
    auto* w = static_cast<ComboWidget*>(widget_.data());
    SyncGuard guard(*this);
    w->setCurrentIndex(cb->ItemIndex());
    if (w->isEditable() && w->lineEdit()->text() != ToQt(cb->Text())) w->setEditText(ToQt(cb->Text()));
  }
  void ApplyStyle() {
    auto* cb = static_cast<ComboBox*>(comp_);
    auto* w = static_cast<ComboWidget*>(widget_.data());
    bool editable = cb->Style() != ComboStyle::DropDownList;
    if (w->isEditable() == editable) return;
    w->setEditable(editable);
    if (editable) {
      QObject::connect(w->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!comp_ || syncing_) return;
        SyncGuard guard(*this);
        static_cast<ComboBox*>(comp_)->UserSetText(FromQt(text));
      });
    }
  }
  void ApplyText() override { SyncAll(); }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    auto* cb = static_cast<ComboBox*>(comp_);
    auto* w = static_cast<ComboWidget*>(widget_.data());
    switch (what) {
      case Property::Style:
        ApplyStyle();
        w->setMaxVisibleItems(std::max(1, cb->DropDownCount()));
        SyncAll();
        break;
      case Property::Items: {
        w->clear();
        for (const std::string& s : cb->Items().All()) w->addItem(ToQt(s));
        SyncAll();
        break;
      }
      case Property::ItemIndex: SyncAll(); break;
      case Property::MaxLength:
        if (w->lineEdit()) w->lineEdit()->setMaxLength(QtMaxLength(cb->MaxLength()));
        break;
      case Property::Color: SetBackground(w, cb->Color(), clBtnFace); break;
      default: break;
    }
  }
};

class ListBoxView : public ViewBase {
 public:
  ListBoxView(ListBox& c, QWidget* parent) : ViewBase(c, new QListWidget(parent)) {
    auto* w = static_cast<QListWidget*>(widget_.data());
    FilterInput(w);
    FilterInput(w->viewport());
    QObject::connect(w, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
      if (!comp_ || syncing_) return;
      auto* lw = static_cast<QListWidget*>(widget_.data());
      static_cast<ListBox*>(comp_)->UserSelect(lw->row(item));
      if (comp_) Select();
    });
  }

 protected:
  void Select() {
    auto* lb = static_cast<ListBox*>(comp_);
    auto* w = static_cast<QListWidget*>(widget_.data());
    SyncGuard guard(*this);
    for (int i = 0; i < w->count(); ++i) w->item(i)->setSelected(lb->Selected(i) || i == lb->ItemIndex());
    if (lb->ItemIndex() >= 0) w->setCurrentRow(lb->ItemIndex(), QItemSelectionModel::NoUpdate);
  }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    auto* lb = static_cast<ListBox*>(comp_);
    auto* w = static_cast<QListWidget*>(widget_.data());
    if (what == Property::Items) {
      w->clear();
      for (const std::string& s : lb->Items().All()) w->addItem(ToQt(s));
      Select();
    }
    if (what == Property::ItemIndex || what == Property::Selection) Select();
    if (what == Property::Style)
      w->setSelectionMode(lb->MultiSelect() ? QAbstractItemView::ExtendedSelection
                                            : QAbstractItemView::SingleSelection);
    if (what == Property::Color) SetBackground(w, lb->Color(), clBtnFace);
    if ((what == Property::ScrollPosition || what == Property::Items) && lb->TopIndex() < w->count())
      w->scrollToItem(w->item(lb->TopIndex()), QAbstractItemView::PositionAtTop);
  }
};

// --- status bar ---

// A status panel: a text too long for the panel is shortened with "…" (a path in its middle, so
// that the file name stays, any other text at its end) and shows whole as the tip.
class PanelLabel : public QLabel {
 public:
  using QLabel::QLabel;
  void SetFullText(const QString& text) {
    full_ = text;
    Elide();
  }
  const QString& FullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QLabel::resizeEvent(e);
    Elide();
  }

 private:
  void Elide() {
    const int room = contentsRect().width() - 2 * margin() - 2;
    // A path (a file's name in it, no blanks) gives way in its middle, so its file name stays.
    const bool path = !full_.contains(QLatin1Char(' ')) &&
                      (full_.contains(QLatin1Char('/')) || full_.contains(QLatin1Char('\\')));
    const QString shown = fontMetrics().elidedText(full_, path ? Qt::ElideMiddle : Qt::ElideRight, std::max(0, room));
    if (text() != shown) setText(shown);
    setToolTip(shown == full_ ? QString() : full_);
  }
  QString full_;
};

class StatusBarView : public ViewBase {
 public:
  StatusBarView(StatusBar& s, QWidget* parent) : ViewBase(s, new QStatusBar(parent)) {
    static_cast<QStatusBar*>(widget_.data())->setSizeGripEnabled(false);
    // The pointer's moves over the panels reach the component (a window may remember the
    // panel under it).
    widget_->setMouseTracking(true);
    FilterInput(widget_);
  }

 protected:
  void Rebuild() {
    auto* sb = static_cast<StatusBar*>(comp_);
    auto* w = static_cast<QStatusBar*>(widget_.data());
    int n = sb->SimplePanel() ? 1 : sb->PanelCount();
    while (int(labels_.size()) > n) {
      delete labels_.back();
      labels_.pop_back();
    }
    while (int(labels_.size()) < n) {
      auto* l = new PanelLabel(w);
      l->setMouseTracking(true);
      l->setFrameShape(QFrame::Panel);
      l->setFrameShadow(QFrame::Sunken);
      w->addWidget(l, 0);
      labels_.push_back(l);
    }
    for (int i = 0; i < n; ++i) {
      PanelLabel* l = labels_[std::size_t(i)];
      bool last = i == n - 1;
      if (sb->SimplePanel()) {
        l->SetFullText(ToQt(sb->SimpleText()));
        l->setMinimumWidth(0);
        l->setMaximumWidth(QWIDGETSIZE_MAX);
      } else {
        const StatusPanel& p = sb->Panels()[std::size_t(i)];
        l->SetFullText(ToQt(p.Text));
        l->setAlignment(ToQtAlign(p.Alignment));
        const int width = Scale().X(p.Width);
        l->setMinimumWidth(last ? 0 : width);
        l->setMaximumWidth(last ? QWIDGETSIZE_MAX : width);
      }
      w->removeWidget(l);
      w->addWidget(l, last ? 1 : 0);
      l->show();
    }
  }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Panels || what == Property::SimpleText || what == Property::Text) Rebuild();
    if (what == Property::Color) SetBackground(widget_, comp_->Color(), clBtnFace);
  }
  std::vector<PanelLabel*> labels_;
};

// --- pages ---

class PageControlView : public ViewBase {
 public:
  PageControlView(PageControl& p, QWidget* parent) : ViewBase(p, new QTabWidget(parent)) {
    auto* w = static_cast<QTabWidget*>(widget_.data());
    FilterInput(w);
    QObject::connect(w, &QTabWidget::currentChanged, this, [this](int index) {
      if (!comp_ || syncing_) return;
      auto* pc = static_cast<PageControl*>(comp_);
      auto* tw = static_cast<QTabWidget*>(widget_.data());
      QWidget* page = tw->widget(index);
      for (int i = 0; i < pc->PageCount(); ++i)
        if (ViewOf(pc->Pages(i)) && ViewOf(pc->Pages(i))->Widget() == page) {
          pc->UserSelectPage(pc->Pages(i));
          break;
        }
      if (comp_) Select();
    });
  }
  QWidget* Container() const override { return widget_; }
  void ChildrenBound() override { Select(); }
  QTabWidget* Tabs() const { return static_cast<QTabWidget*>(widget_.data()); }
  // A page's widget joins the tabs (in page order).
  void AddPage(TabSheet& sheet, QWidget* page) {
    int index = sheet.PageIndex();
    SyncGuard guard(*this);
    Tabs()->insertTab(std::min(index, Tabs()->count()), page, StripMnemonic(sheet.Caption()));
  }
  void Select() {
    auto* pc = static_cast<PageControl*>(comp_);
    SyncGuard guard(*this);
    for (int i = 0; i < pc->PageCount(); ++i) {
      ViewBase* v = ViewOf(pc->Pages(i));
      if (!v) continue;
      int ti = Tabs()->indexOf(v->Widget());
      if (ti < 0) continue;
      Tabs()->setTabVisible(ti, pc->Pages(i)->TabVisible());
      Tabs()->setTabText(ti, StripMnemonic(pc->Pages(i)->Caption()));
      if (pc->Pages(i) == pc->ActivePage()) Tabs()->setCurrentIndex(ti);
    }
  }

 protected:
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::ActivePage || what == Property::TabVisible) Select();
  }
};

class TabSheetView : public ViewBase {
 public:
  TabSheetView(TabSheet& t, QWidget* page) : ViewBase(t, page) { FilterInput(page); }
  QWidget* Container() const override { return widget_; }
  bool SizedByQt() const override { return true; }

 protected:
  void ApplyGeometry() override {}  // the tab widget places its pages
  void Apply(Property what) override {
    if (what == Property::Visible || what == Property::Bounds || what == Property::Align) return;
    ViewBase::Apply(what);
    if (what == Property::Text || what == Property::TabVisible)
      if (auto* pv = dynamic_cast<PageControlView*>(ParentView())) pv->Select();
  }
};

// --- up-down, containers, splitter ---

class UpDownView : public ViewBase {
 public:
  UpDownView(UpDown& u, QWidget* parent) : ViewBase(u, new QWidget(parent)) {
    auto* up = new QToolButton(widget_);
    auto* down = new QToolButton(widget_);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    auto* layout = new QVBoxLayout(widget_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up);
    layout->addWidget(down);
    up->setAutoRepeat(true);
    down->setAutoRepeat(true);
    QObject::connect(up, &QToolButton::clicked, this, [this] { Step(true); });
    QObject::connect(down, &QToolButton::clicked, this, [this] { Step(false); });
  }

 private:
  void Step(bool up) {
    if (comp_ && comp_->EnabledChain()) static_cast<UpDown*>(comp_)->UserStep(up);
  }
};

class PanelWidget : public QFrame {
 public:
  using QFrame::QFrame;
  QString caption;
  Qt::Alignment alignment = Qt::AlignCenter;

 protected:
  void paintEvent(QPaintEvent* e) override {
    QFrame::paintEvent(e);
    if (caption.isEmpty()) return;
    QPainter p(this);
    p.drawText(contentsRect(), int(alignment), caption);
  }
};

class PanelView : public ViewBase {
 public:
  PanelView(Component& c, QWidget* parent) : ViewBase(c, new PanelWidget(parent)) {
    FilterInput(widget_);
  }
  QWidget* Container() const override { return widget_; }

 protected:
  void ApplyText() override {
    auto* w = static_cast<PanelWidget*>(widget_.data());
    w->caption = dynamic_cast<Panel*>(comp_) ? StripMnemonic(comp_->Caption()) : QString();
    w->update();
  }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    auto* w = static_cast<PanelWidget*>(widget_.data());
    auto* p = dynamic_cast<Panel*>(comp_);
    if (what == Property::Style) {
      BevelStyle b = p ? p->BevelOuter() : BevelStyle::None;
      w->setFrameShape(b == BevelStyle::None ? QFrame::NoFrame : QFrame::Panel);
      w->setFrameShadow(b == BevelStyle::Lowered ? QFrame::Sunken : QFrame::Raised);
    }
    if (what == Property::Alignment && p) {
      w->alignment = ToQtAlign(p->Alignment());
      w->update();
    }
    if (what == Property::Color) SetBackground(w, comp_->Color(), clBtnFace);
  }
};

class GroupBoxView : public ViewBase {
 public:
  GroupBoxView(GroupBox& g, QWidget* parent) : ViewBase(g, new QGroupBox(parent)) {
    FilterInput(widget_);
  }
  QWidget* Container() const override { return widget_; }
  // Aligned children stay inside the frame, below the title.
  QRect AlignArea(const QSize& px) const override {
    auto* box = static_cast<QGroupBox*>(widget_.data());
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | (box->title().isEmpty() ? QStyle::SC_None : QStyle::SC_GroupBoxLabel);
    option.rect = QRect(QPoint(0, 0), px);
    const QRect inner = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, box);
    return inner.isValid() ? inner.adjusted(2, 2, -2, -2) & option.rect : option.rect;
  }

 protected:
  void ApplyText() override { static_cast<QGroupBox*>(widget_.data())->setTitle(StripMnemonic(comp_->Caption())); }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Color) SetBackground(widget_, comp_->Color(), clBtnFace);
  }
};

// A bar the user drags; the control aligned just before it takes the new size.
class SplitterView : public ViewBase {
 public:
  SplitterView(Splitter& s, QWidget* parent) : ViewBase(s, new QFrame(parent)) {
    widget_->installEventFilter(this);
  }

 protected:
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Align || what == Property::Bounds) {
      Align a = comp_->GetAlign();
      widget_->setCursor(a == Align::Left || a == Align::Right ? Qt::SplitHCursor : Qt::SplitVCursor);
    }
  }
  Component* Neighbour() const {
    Component* owner = comp_->Owner();
    if (!owner) return nullptr;
    Component* found = nullptr;
    for (const auto& c : owner->Children()) {
      if (c.get() == comp_) break;
      if (c->GetAlign() == comp_->GetAlign() && c->Visible()) found = c.get();
    }
    return found;
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != widget_ || !comp_) return ViewBase::eventFilter(watched, event);
    auto* me = dynamic_cast<QMouseEvent*>(event);
    if (!me) return ViewBase::eventFilter(watched, event);
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        dragging_ = me->button() == Qt::LeftButton;
        start_ = widget_->mapToParent(me->position().toPoint());
        if (Component* n = Neighbour()) start_size_ = QSize(n->Width(), n->Height());
        return true;
      case QEvent::MouseMove:
        if (dragging_) {
          Component* n = Neighbour();
          if (!n) return true;
          // In the parent's coordinates: the bar itself moves while it is dragged.
          const QPoint dp = widget_->mapToParent(me->position().toPoint()) - start_;
          const LayoutScale sc = Scale();
          const QPoint d(int(std::lround(dp.x() / sc.x)), int(std::lround(dp.y() / sc.y)));
          int minSize = static_cast<Splitter*>(comp_)->MinSize();
          switch (comp_->GetAlign()) {
            case Align::Left: n->SetWidth(std::max(minSize, start_size_.width() + d.x())); break;
            case Align::Right: n->SetWidth(std::max(minSize, start_size_.width() - d.x())); break;
            case Align::Top: n->SetHeight(std::max(minSize, start_size_.height() + d.y())); break;
            case Align::Bottom: n->SetHeight(std::max(minSize, start_size_.height() - d.y())); break;
            default: break;
          }
          if (ViewBase* pv = ParentView()) pv->LayoutChildren();
        }
        return true;
      case QEvent::MouseButtonRelease:
        if (dragging_) {
          dragging_ = false;
          static_cast<Splitter*>(comp_)->UserMoved();
        }
        return true;
      default: return ViewBase::eventFilter(watched, event);
    }
  }
  bool dragging_ = false;
  QPoint start_;
  QSize start_size_;
};

// --- pictures ---

class RasterWidget : public QWidget {
 public:
  using QWidget::QWidget;
  std::function<void()> before_paint;
  std::function<const Picture*()> picture;
  bool stretch = false;
  bool exact = false;  // a pixel-exact paint box: the raster is shown one to one
  LayoutScale scale;   // a paint box's raster is drawn in designed units
  QSize designed;      // the paint box's designed size

 protected:
  void paintEvent(QPaintEvent*) override {
    if (before_paint) before_paint();
    QPainter p(this);
    const Picture* pic = picture ? picture() : nullptr;
    if (exact) {
      // The whole widget is painted here (it is opaque): the raster, and the window colour
      // where the raster does not reach.
      const int w = pic ? pic->Width() : 0, h = pic ? pic->Height() : 0;
      const QColor back = palette().color(QPalette::Window);
      if (w < width()) p.fillRect(QRect(w, 0, width() - w, height()), back);
      if (h < height()) p.fillRect(QRect(0, h, std::min(w, width()), height() - h), back);
    }
    if (!pic || pic->Empty()) return;
    QImage img(reinterpret_cast<const uchar*>(pic->Bits()), pic->Width(), pic->Height(), pic->Stride(),
               QImage::Format_RGB32);
    if (stretch) {
      p.drawImage(rect(), img);
    } else if (exact || scale == LayoutScale{}) {
      p.drawImage(0, 0, img);
    } else if (img.size() == designed) {
      p.setRenderHint(QPainter::SmoothPixmapTransform);
      p.drawImage(rect(), img);
    } else {
      p.setRenderHint(QPainter::SmoothPixmapTransform);
      p.drawImage(QRect(0, 0, scale.X(img.width()), scale.Y(img.height())), img);
    }
  }
};

class PaintBoxView : public ViewBase {
 public:
  PaintBoxView(PaintBox& b, QWidget* parent) : ViewBase(b, new RasterWidget(parent)) {
    auto* w = static_cast<RasterWidget*>(widget_.data());
    w->setMouseTracking(true);
    w->setFocusPolicy(Qt::ClickFocus);
    FilterInput(w);
    w->before_paint = [this] {
      if (!comp_ || painting_) return;
      painting_ = true;
      static_cast<PaintBox*>(comp_)->Paint();
      painting_ = false;
    };
    w->picture = [this]() -> const Picture* {
      return comp_ ? static_cast<PaintBox*>(comp_)->Raster().get() : nullptr;
    };
  }
  // The components a paint box owns lie on it.
  QWidget* Container() const override { return widget_; }

 protected:
  bool Exact() const { return comp_ && static_cast<PaintBox*>(comp_)->PixelExact(); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == widget_ && event->type() == QEvent::Resize && comp_) {
      auto* re = static_cast<QResizeEvent*>(event);
      if (Exact()) {
        static_cast<PaintBox*>(comp_)->UserResizePixels(re->size().width(), re->size().height());
      } else {
        const LayoutScale sc = Scale();
        comp_->UserResize(sc.FromX(re->size().width(), comp_->Width()), sc.FromY(re->size().height(), comp_->Height()));
      }
    }
    return ViewBase::eventFilter(watched, event);
  }
  QPoint MapMouse(QObject* watched, const QPoint& pos) override {
    if (!Exact()) return ViewBase::MapMouse(watched, pos);
    auto* w = qobject_cast<QWidget*>(watched);
    return w && widget_ && w != widget_ ? w->mapTo(widget_, pos) : pos;
  }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    auto* w = static_cast<RasterWidget*>(widget_.data());
    if (what == Property::Bounds) {
      w->scale = Scale();
      w->designed = QSize(comp_->Width(), comp_->Height());
    }
    if (what == Property::Style) {
      w->exact = Exact();
      w->setAttribute(Qt::WA_OpaquePaintEvent, w->exact);
      if (w->exact && w->isVisible()) static_cast<PaintBox*>(comp_)->UserResizePixels(w->width(), w->height());
      w->update();
    }
    if (what == Property::Raster && !painting_) widget_->update();
  }
  bool painting_ = false;
};

class ImageBoxView : public ViewBase {
 public:
  ImageBoxView(ImageBox& b, QWidget* parent) : ViewBase(b, new RasterWidget(parent)) {
    auto* w = static_cast<RasterWidget*>(widget_.data());
    FilterInput(w);
    w->picture = [this]() -> const Picture* {
      return comp_ ? static_cast<ImageBox*>(comp_)->GetPicture().get() : nullptr;
    };
  }

 protected:
  void Apply(Property what) override {
    ViewBase::Apply(what);
    auto* w = static_cast<RasterWidget*>(widget_.data());
    if (what == Property::Style) w->stretch = static_cast<ImageBox*>(comp_)->Stretch();
    if (what == Property::Raster || what == Property::Style || what == Property::Other) w->update();
  }
};

// --- bars ---

template <class QtWidget>
class RangeView : public ViewBase {
 public:
  RangeView(RangeControl& c, QWidget* parent) : ViewBase(c, new QtWidget(parent)) {
    auto* w = static_cast<QtWidget*>(widget_.data());
    FilterInput(w);
    QObject::connect(w, &QAbstractSlider::valueChanged, this, [this](int v) {
      if (!comp_ || syncing_) return;
      static_cast<RangeControl*>(comp_)->UserSetPosition(v);
      if (comp_) SyncValue();
    });
  }

 protected:
  void SyncValue() {
    auto* c = static_cast<RangeControl*>(comp_);
    auto* w = static_cast<QtWidget*>(widget_.data());
    SyncGuard guard(*this);
    w->setOrientation(c->GetOrientation() == platform::Orientation::Vertical ? Qt::Vertical : Qt::Horizontal);
    w->setRange(c->Min(), c->Max());
    w->setValue(c->Position());
    if (auto* bar = dynamic_cast<platform::ScrollBar*>(c)) {
      w->setSingleStep(std::max(1, bar->SmallChange()));
      w->setPageStep(std::max(1, bar->LargeChange()));
    }
    if (auto* track = dynamic_cast<platform::TrackBar*>(c)) {
      if (auto* slider = qobject_cast<QSlider*>(widget_.data())) {
        slider->setTickPosition(track->Frequency() > 0 ? QSlider::TicksBelow : QSlider::NoTicks);
        slider->setTickInterval(std::max(1, track->Frequency()));
      }
    }
  }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    if (what == Property::Position || what == Property::Range || what == Property::Style) SyncValue();
  }
};

}  // namespace

// TabSheets are made by the page control's view.
ViewBase* CreateControlView(Component& c, QWidget* parent) {
  if (auto* b = dynamic_cast<Button*>(&c)) return new ButtonView(*b, parent);
  if (auto* b = dynamic_cast<SpeedButton*>(&c)) return new SpeedButtonView(*b, parent);
  if (auto* b = dynamic_cast<ToolButton*>(&c)) return new ToolButtonView(*b, parent);
  if (dynamic_cast<ToolBar*>(&c) || dynamic_cast<CoolBar*>(&c)) return new ToolBarView(c, parent);
  if (auto* b = dynamic_cast<CheckBox*>(&c)) return new CheckBoxView(*b, parent);
  if (auto* b = dynamic_cast<RadioButton*>(&c)) return new RadioButtonView(*b, parent);
  if (auto* g = dynamic_cast<RadioGroup*>(&c)) return new RadioGroupView(*g, parent);
  if (auto* e = dynamic_cast<Edit*>(&c)) return new EditView(*e, parent);
  if (auto* m = dynamic_cast<Memo*>(&c)) return new MemoView(*m, parent);
  if (auto* l = dynamic_cast<Label*>(&c)) return new LabelView(*l, parent);
  if (auto* cb = dynamic_cast<ComboBox*>(&c)) return new ComboBoxView(*cb, parent);
  if (auto* lb = dynamic_cast<ListBox*>(&c)) return new ListBoxView(*lb, parent);
  if (auto* s = dynamic_cast<StatusBar*>(&c)) return new StatusBarView(*s, parent);
  if (auto* p = dynamic_cast<PageControl*>(&c)) return new PageControlView(*p, parent);
  if (auto* t = dynamic_cast<TabSheet*>(&c)) {
    auto* page = new QWidget();
    auto* v = new TabSheetView(*t, page);
    if (auto* pv = dynamic_cast<PageControlView*>(ViewOf(t->Pages()))) pv->AddPage(*t, page);
    return v;
  }
  if (auto* u = dynamic_cast<UpDown*>(&c)) return new UpDownView(*u, parent);
  if (dynamic_cast<Panel*>(&c)) return new PanelView(c, parent);
  if (auto* g = dynamic_cast<GroupBox*>(&c)) return new GroupBoxView(*g, parent);
  if (auto* s = dynamic_cast<Splitter*>(&c)) return new SplitterView(*s, parent);
  if (auto* p = dynamic_cast<PaintBox*>(&c)) return new PaintBoxView(*p, parent);
  if (auto* i = dynamic_cast<ImageBox*>(&c)) return new ImageBoxView(*i, parent);
  if (auto* s = dynamic_cast<ScrollBar*>(&c)) return new RangeView<QScrollBar>(*s, parent);
  if (auto* t = dynamic_cast<TrackBar*>(&c)) return new RangeView<QSlider>(*t, parent);
  return nullptr;  // image lists, dialog components: nothing to show
}

}  // namespace gui
