// The message log window: lists the posted messages with their ID caption, text and time
// stamp, filters later posts by level and comes to the front when something serious arrives.
#include "shared/AplMsg.h"

#include <algorithm>
#include <memory>

#include "platform/Canvas.h"
#include "platform/Components.h"
#include "platform/Services.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

TAplMsgWnd* AplMsgWnd = nullptr;

namespace {

constexpr int kCaptionColumn = 0;
// The designed width of the "Event" column, and what the list's frame and scroll bar take.
constexpr int kEventWidth = 386;
constexpr int kEventMargin = 24;

std::string EntryCaption(bool error, int id) { return (error ? "E:" : "I:") + std::to_string(id); }

// One 16 x 16 icon for each image index 0..6: a disc in the level's colour; the marked
// variants (1, 3, 5) carry a white centre in a dark ring.
std::shared_ptr<Picture> LevelIcon(int index) {
  static const TColor kLevelColor[4] = {RGB(208, 0, 0), RGB(240, 140, 0), RGB(0, 96, 208),
                                        RGB(0, 150, 60)};
  auto picture = std::make_shared<Picture>(16, 16);
  Canvas& c = picture->GetCanvas();
  TColor color = kLevelColor[std::min(index / 2, 3)];
  c.Pen.Color = color;
  c.Brush.Color = color;
  c.Ellipse(2, 2, 14, 14);
  if (index % 2 == 1) {
    c.Pen.Color = clBlack;
    c.Pen.Width = 1;
    c.Brush.Color = clWhite;
    c.Ellipse(5, 5, 11, 11);
  }
  return picture;
}

}  // namespace

TAplMsgWnd::TAplMsgWnd(Component* owner) : Form(owner, "AplMsgWnd") {
  SetCaption("Messages");
  SetBorderStyle(BorderStyle::SizeToolWin);
  SetPosition(FormPosition::ScreenCenter);
  SetConstraints({300, 200, 0, 0});
  SetBounds(0, 0, 478, 240);
  Now = [] { return std::chrono::system_clock::now(); };

  ImageList1 = Make<ImageList>(this, "ImageList1");
  for (int i = 0; i <= 6; ++i) ImageList1->Add(LevelIcon(i));

  PopupTags = Make<PopupMenu>(this, "PopupTags");
  PopShowAll = PopupTags->Add("PopShowAll", "Show All");
  PopShowAll->SetTag(LevelInfo);
  PopImportants = PopupTags->Add("PopImportants", "Importants");
  PopImportants->SetTag(LevelImportant);
  PopCritical = PopupTags->Add("PopCritical", "Critical");
  PopCritical->SetTag(LevelCritical);
  PopErrorsOnly = PopupTags->Add("PopErrorsOnly", "Errors Only");
  PopErrorsOnly->SetTag(LevelError);
  PopupTags->AddSeparator("N1");
  PopCopyMessage = PopupTags->Add("PopCopyMessage", "Copy Message");
  PopupTags->AddSeparator("N2");
  PopTimeUpwards = PopupTags->Add("PopTimeUpwards", "Time upwards");
  for (MenuItem* item : {PopShowAll, PopImportants, PopCritical, PopErrorsOnly}) {
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->OnClick = [this](Component* s) { PopupsClick(s); };
  }
  PopCopyMessage->OnClick = [this](Component* s) { PopCopyMessageClick(s); };
  PopTimeUpwards->OnClick = [this](Component* s) { PopTimeUpwardsClick(s); };

  StatusBar1 = Make<StatusBar>(this, "StatusBar1");
  StatusBar1->SetAlign(Align::Bottom);
  StatusBar1->SetBounds(0, 221, 478, 19);
  StatusBar1->SetSimplePanel(true);

  PanelButtons = Make<Panel>(this, "PanelButtons");
  PanelButtons->SetAlign(Align::Bottom);
  PanelButtons->SetBevelOuter(BevelStyle::None);
  PanelButtons->SetBounds(0, 188, 478, 33);

  ButtonReset = Make<Button>(PanelButtons, "ButtonReset");
  ButtonReset->SetCaption("Reset");
  ButtonReset->SetBounds(156, 4, 75, 25);
  ButtonReset->OnClick = [this](Component* s) { ButtonResetClick(s); };

  ButtonClose = Make<Button>(PanelButtons, "ButtonClose");
  ButtonClose->SetCaption("Close");
  ButtonClose->SetBounds(247, 4, 75, 25);
  ButtonClose->OnClick = [this](Component* s) { ButtonCloseClick(s); };

  ChkOntop = Make<CheckBox>(PanelButtons, "ChkOntop");
  ChkOntop->SetCaption("On top");
  ChkOntop->SetBounds(8, 8, 80, 17);
  ChkOntop->OnClick = [this](Component* s) { ChkOntopClick(s); };

  LV = Make<ListView>(this, "LV");
  LV->SetAlign(Align::Client);
  LV->SetBounds(0, 0, 478, 188);
  LV->SetStyle(ViewStyle::Report);
  LV->SetReadOnly(true);
  LV->SetRowSelect(true);
  LV->SetHideSelection(false);
  LV->SetSmallImages(ImageList1);
  LV->SetPopupMenu(PopupTags);
  LV->AddColumn("ID", 96);
  LV->AddColumn("Event", kEventWidth);
  LV->AddColumn("Time", 128);
  LV->OnDblClick = [this](Component* s) { LVDblClick(s); };
  LV->OnColumnClick = [this](Component* s, int column) { LVColumnClick(s, column); };

  // The keys act in the list and on the two buttons; the check box keeps its own keys.
  for (Component* c : std::initializer_list<Component*>{LV, ButtonClose, ButtonReset})
    c->OnKeyDown = [this](Component* s, int& key, ShiftState shift) { ControlKeyDown(s, key, shift); };

  OnResize = [this](Component* s) { FormResize(s); };
  OnActivate = [this](Component* s) { FormActivate(s); };
  OnClose = [this](Component* s, CloseAction& action) { FormClose(s, action); };

  SetFilter(LevelImportant);
  FormResize(nullptr);

  // The global reference is the window that receives the posts: the newest one.
  AplMsgWnd = this;
  previous_sink_ = SetLogSink(this);
  RegisterLogSinkSlot(&previous_sink_);
  // What was posted before the window existed, in its order and with its own time.
  for (const EarlyLogMessage& early : TakeEarlyLogMessages()) {
    const LoggedMessage& m = early.message;
    switch (m.kind) {
      case LoggedMessage::Normal: PostAt(m.level, m.id, m.text, early.when); break;
      case LoggedMessage::Always: PostAlwaysAt(m.level, m.id, m.text, early.when); break;
      case LoggedMessage::Unique: PostUniqueAt(m.level, m.id, m.text, early.when); break;
    }
  }
  DoCreate();
}

TAplMsgWnd::~TAplMsgWnd() {
  DoDestroy();
  UnregisterLogSinkSlot(&previous_sink_);
  RetireLogSink(this, previous_sink_);
  // Another log window that still lives takes over the global reference.
  if (AplMsgWnd == this) AplMsgWnd = dynamic_cast<TAplMsgWnd*>(CurrentLogSink());
}

// --- posting ---

void TAplMsgWnd::Post(int level, int id, std::string_view text) { PostAt(level, id, text, Now()); }

void TAplMsgWnd::PostAlways(int level, int id, std::string_view text) {
  PostAlwaysAt(level, id, text, Now());
}

void TAplMsgWnd::PostUnique(int level, int id, std::string_view text) {
  PostUniqueAt(level, id, text, Now());
}

void TAplMsgWnd::PostAt(int level, int id, std::string_view text,
                        std::chrono::system_clock::time_point when) {
  if (level > filter_) return;
  AddEntry(level, EntryCaption(level <= 3, id), text, TimeUpwards() || LV->Count() == 0, when);
  if (level < 3) ShowInFront();
}

void TAplMsgWnd::PostAlwaysAt(int level, int id, std::string_view text,
                              std::chrono::system_clock::time_point when) {
  AddEntry(level, EntryCaption(false, id), text, true, when);
  if (level < LevelInfo) ShowInFront();
}

void TAplMsgWnd::PostUniqueAt(int level, int id, std::string_view text,
                              std::chrono::system_clock::time_point when) {
  if (level > filter_) return;
  const std::string caption = EntryCaption(level < 4, id);
  for (int i = 0; i < LV->Count(); ++i) {
    const ListItem* item = LV->Items(i);
    if (item->Caption() == caption && item->SubItem(0) == text) return;
  }
  PostAt(level, id, text, when);
}

void TAplMsgWnd::AddEntry(int level, const std::string& caption, std::string_view text, bool atEnd,
                          std::chrono::system_clock::time_point when) {
  ListItem* item = atEnd ? LV->Add() : LV->Insert(0);
  item->SetImageIndex(level);
  item->SetCaption(caption);
  item->AddSubItem(text);
  item->AddSubItem(FormatTimeStamp(when));
}

void TAplMsgWnd::ShowInFront() {
  if (!Visible()) Show();
  BringToFront();
}

// --- state ---

void TAplMsgWnd::SetFilter(int level) {
  filter_ = level;
  for (MenuItem* item : {PopShowAll, PopImportants, PopCritical, PopErrorsOnly})
    item->SetChecked(item->Tag() == level);
}

bool TAplMsgWnd::TimeUpwards() const { return PopTimeUpwards->Checked(); }

void TAplMsgWnd::Clear() { LV->Clear(); }

void TAplMsgWnd::Mark(ListItem* item) {
  if (!item) return;
  int image = item->ImageIndex();
  if (image == 0 || image == 2 || image == 4) item->SetImageIndex(image + 1);
}

// --- handlers ---

void TAplMsgWnd::PopupsClick(Component* sender) {
  if (sender) SetFilter(sender->Tag());
}

void TAplMsgWnd::PopCopyMessageClick(Component*) {
  const ListItem* item = LV->Selected();
  if (!item) return;
  Clipboard().SetText(item->Caption() + "\t" + item->SubItem(0));
}

void TAplMsgWnd::PopTimeUpwardsClick(Component*) {
  PopTimeUpwards->SetChecked(!PopTimeUpwards->Checked());
}

void TAplMsgWnd::LVDblClick(Component*) { Mark(LV->Selected()); }

void TAplMsgWnd::LVColumnClick(Component*, int column) {
  if (column >= kCaptionColumn && column < LV->ColumnCount()) LV->SortByColumn(column);
}

void TAplMsgWnd::ControlKeyDown(Component*, int& key, ShiftState shift) {
  if (key == Key::Escape) {
    key = 0;
    Close();
    return;
  }
  if (!(shift & ssCtrl) || LV->Count() == 0) return;
  if (key == 'A') {
    for (int i = 0; i < LV->Count(); ++i) Mark(LV->Items(i));
    key = 0;
  } else if (key == 'Q') {
    Mark(LV->Selected());
    key = 0;
  }
}

void TAplMsgWnd::ButtonCloseClick(Component*) { Close(); }

void TAplMsgWnd::ButtonResetClick(Component*) { Clear(); }

void TAplMsgWnd::ChkOntopClick(Component*) {
  SetFormStyle(ChkOntop->Checked() ? FormStyle::StayOnTop : FormStyle::Normal);
}

void TAplMsgWnd::FormResize(Component*) {
  int middle = ClientWidth() / 2;
  ButtonClose->SetLeft(middle + 8);
  ButtonReset->SetLeft(middle - 8 - ButtonReset->Width());
  // The message text takes the width the window gains, so the time stays at the right edge
  // (inside the list's frame and its vertical scroll bar).
  if (LV && LV->ColumnCount() == 3) {
    const int rest = LV->ClientWidth() - kEventMargin - LV->Column(0).Width - LV->Column(2).Width;
    LV->SetColumnWidth(1, std::max(rest, kEventWidth));
  }
}

// The window opens centred the first time and later where the user left it; it never jumps
// to the screen's corner, where it would cover the main window's menu and tool bar.
void TAplMsgWnd::FormActivate(Component*) { shown_ = true; }

void TAplMsgWnd::FormClose(Component*, CloseAction& action) {
  action = CloseAction::Hide;
  shown_ = false;
}

}  // namespace quorel
