// The message log window driven as a user and the other units drive it: posting with filters,
// captions, order, raising the window, repeats, marks, keys, copy and sort.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/Components.h"
#include "platform/Headless.h"
#include "shared/AplMsg.h"
#include "shared/PTools.h"

using namespace quorel;
using platform::ListItem;

namespace {

class MessageLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeEarlyLogMessages();  // whatever earlier tests left in the built-in sink
    wnd = std::make_unique<TAplMsgWnd>();
    lv = wnd->LV;
  }
  void TearDown() override { wnd.reset(); }

  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (int i = 0; i < lv->Count(); ++i) out.push_back(lv->Items(i)->Caption());
    return out;
  }
  std::vector<int> Images() const {
    std::vector<int> out;
    for (int i = 0; i < lv->Count(); ++i) out.push_back(lv->Items(i)->ImageIndex());
    return out;
  }

  platform::HeadlessSession session;
  std::unique_ptr<TAplMsgWnd> wnd;
  platform::ListView* lv = nullptr;
};

enum class Fn { Normal, Always, Unique };

void PostWith(Fn fn, int level, int id, const std::string& text) {
  switch (fn) {
    case Fn::Normal: PostLogMessage(level, id, text); break;
    case Fn::Always: PostLogMessageAlways(level, id, text); break;
    case Fn::Unique: PostLogMessageUnique(level, id, text); break;
  }
}

struct MatrixRow {
  Fn fn;
  int level;
  const char* caption;  // caption of the entry, without the ID
  // Whether the entry is listed under the filters 6, 4, 2 and 0, in that order.
  const char* listed;
  bool raises;  // whether a listed entry shows the hidden window
  bool repeats;  // whether the same post once more lists a second entry
};

// The behaviour of the three posting operations for every level under every filter.
const MatrixRow kMatrix[] = {
    {Fn::Normal, 0, "E:", "1111", true, true},   {Fn::Normal, 2, "E:", "1110", true, true},
    {Fn::Normal, 4, "I:", "1100", false, true},  {Fn::Normal, 6, "I:", "1000", false, true},
    {Fn::Always, 0, "I:", "1111", true, true},   {Fn::Always, 2, "I:", "1111", true, true},
    {Fn::Always, 4, "I:", "1111", true, true},   {Fn::Always, 6, "I:", "1111", false, true},
    {Fn::Unique, 0, "E:", "1111", true, false},  {Fn::Unique, 2, "E:", "1110", true, false},
    {Fn::Unique, 4, "I:", "1100", false, false}, {Fn::Unique, 6, "I:", "1000", false, false},
};

TEST_F(MessageLogTest, LevelFilterAndPostingFunctionMatrix) {
  const int filters[4] = {6, 4, 2, 0};
  for (const MatrixRow& row : kMatrix) {
    for (int f = 0; f < 4; ++f) {
      SCOPED_TRACE("fn " + std::to_string(int(row.fn)) + " level " + std::to_string(row.level) +
                   " filter " + std::to_string(filters[f]));
      wnd->Clear();
      wnd->Hide();
      wnd->SetFilter(filters[f]);
      PostWith(row.fn, row.level, 526, "Text");
      bool listed = row.listed[f] == '1';
      ASSERT_EQ(lv->Count(), listed ? 1 : 0);
      EXPECT_EQ(wnd->Visible(), listed && row.raises);
      if (!listed) continue;
      const ListItem* item = lv->Items(0);
      EXPECT_EQ(item->Caption(), std::string(row.caption) + "526");
      EXPECT_EQ(item->ImageIndex(), row.level);
      EXPECT_EQ(item->SubItem(0), "Text");

      // The same post once more: a suppressed repeat neither lists nor raises anything.
      wnd->Hide();
      PostWith(row.fn, row.level, 526, "Text");
      EXPECT_EQ(lv->Count(), row.repeats ? 2 : 1);
      EXPECT_EQ(wnd->Visible(), row.repeats && row.raises);
    }
  }
}

TEST_F(MessageLogTest, EntryColumnsAndDefaults) {
  EXPECT_EQ(wnd->Caption(), "Messages");
  EXPECT_EQ(wnd->Filter(), 4);
  EXPECT_TRUE(wnd->PopImportants->Checked());
  EXPECT_FALSE(wnd->TimeUpwards());
  ASSERT_EQ(lv->ColumnCount(), 3);
  EXPECT_EQ(lv->Column(0).Caption, "ID");
  EXPECT_EQ(lv->Column(0).Width, 96);
  EXPECT_EQ(lv->Column(1).Caption, "Event");
  EXPECT_EQ(lv->Column(1).Width, 386);
  EXPECT_EQ(lv->Column(2).Caption, "Time");
  EXPECT_EQ(lv->Column(2).Width, 128);
  EXPECT_EQ(wnd->Width(), 478);
  EXPECT_EQ(wnd->Height(), 240);

  auto when = std::chrono::system_clock::now();
  wnd->Now = [when] { return when; };
  PostLogMessage(4, 1220, "Database loaded");
  ASSERT_EQ(lv->Count(), 1);
  EXPECT_EQ(lv->Items(0)->SubItem(1), FormatTimeStamp(when));
}

TEST_F(MessageLogTest, NewestFirstUnlessTimeUpwards) {
  PostLogMessage(4, 1, "first");
  PostLogMessage(4, 2, "second");
  PostLogMessage(4, 3, "third");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"I:3", "I:2", "I:1"}));
  PostLogMessageAlways(4, 9, "always at the end");
  EXPECT_EQ(lv->Items(3)->Caption(), "I:9");

  wnd->Clear();
  wnd->PopTimeUpwards->Click();
  EXPECT_TRUE(wnd->TimeUpwards());
  PostLogMessage(4, 1, "first");
  PostLogMessage(4, 2, "second");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"I:1", "I:2"}));
  wnd->PopTimeUpwards->Click();
  EXPECT_FALSE(wnd->TimeUpwards());
}

TEST_F(MessageLogTest, FilterItemsCheckOneAndActOnLaterPostsOnly) {
  PostLogMessage(4, 10, "listed before");
  wnd->PopErrorsOnly->Click();
  EXPECT_EQ(wnd->Filter(), 0);
  for (auto* item : {wnd->PopShowAll, wnd->PopImportants, wnd->PopCritical, wnd->PopErrorsOnly})
    EXPECT_EQ(item->Checked(), item == wnd->PopErrorsOnly) << item->Caption();
  PostLogMessage(2, 11, "critical");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"I:10"}));
  wnd->PopShowAll->Click();
  EXPECT_EQ(wnd->Filter(), 6);
  PostLogMessage(6, 12, "info");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"I:12", "I:10"}));
  // A stored filter value that no item carries checks none of them.
  wnd->SetFilter(5);
  for (auto* item : {wnd->PopShowAll, wnd->PopImportants, wnd->PopCritical, wnd->PopErrorsOnly})
    EXPECT_FALSE(item->Checked());
}

TEST_F(MessageLogTest, SeriousPostsBringTheWindowBackWhereTheUserLeftIt) {
  wnd->Show();
  EXPECT_TRUE(wnd->ShownFlag());
  // Centred on the screen the first time.
  EXPECT_EQ(wnd->Left(), (platform::Screen::Width() - wnd->Width()) / 2);
  EXPECT_EQ(wnd->Top(), (platform::Screen::Height() - wnd->Height()) / 2);
  wnd->SetBounds(200, 150, 478, 240);
  wnd->ButtonClose->Click();
  EXPECT_FALSE(wnd->Visible());
  EXPECT_FALSE(wnd->ShownFlag());

  PostLogMessage(4, 500, "important, stays hidden");
  EXPECT_FALSE(wnd->Visible());
  PostLogMessage(0, 526, "error");
  EXPECT_TRUE(wnd->Visible());
  EXPECT_TRUE(wnd->Active());
  EXPECT_EQ(wnd->Left(), 200);
  EXPECT_EQ(wnd->Top(), 150);
  EXPECT_EQ(lv->Items(0)->Caption(), "E:526");

  // Another window is in front: a critical post brings the log to the front again, without
  // moving it, since it was not closed meanwhile.
  platform::Form other;
  other.Show();
  wnd->SetBounds(50, 60, 478, 240);
  EXPECT_FALSE(wnd->Active());
  PostLogMessage(2, 527, "critical");
  EXPECT_TRUE(wnd->Active());
  EXPECT_EQ(wnd->Left(), 50);
}

TEST_F(MessageLogTest, UniqueSuppressesExactRepeatsOnly) {
  PostLogMessageUnique(4, 300, "H2O(g) not found");
  PostLogMessageUnique(4, 300, "H2O(g) not found");
  EXPECT_EQ(lv->Count(), 1);
  PostLogMessageUnique(4, 301, "H2O(g) not found");  // other ID
  PostLogMessageUnique(4, 300, "H2O(l) not found");  // other text
  PostLogMessageUnique(0, 300, "H2O(g) not found");  // "E:300" is another caption
  EXPECT_EQ(lv->Count(), 4);
  PostLogMessageUnique(0, 300, "H2O(g) not found");
  EXPECT_EQ(lv->Count(), 4);
  // An entry listed by PostLogMessage counts as a repeat too.
  PostLogMessage(4, 302, "x");
  PostLogMessageUnique(4, 302, "x");
  EXPECT_EQ(lv->Count(), 5);
}

TEST_F(MessageLogTest, DoubleClickAndKeysMarkEntries) {
  wnd->SetFilter(6);
  PostLogMessage(6, 4, "info");       // image 6: never marked
  PostLogMessage(4, 3, "important");  // 4
  PostLogMessage(2, 2, "critical");   // 2
  PostLogMessage(0, 1, "error");      // 0
  EXPECT_EQ(Images(), (std::vector<int>{0, 2, 4, 6}));

  lv->UserDblClick(lv->Items(0));
  EXPECT_EQ(Images(), (std::vector<int>{1, 2, 4, 6}));
  lv->UserDblClick(lv->Items(0));  // a marked entry stays marked
  EXPECT_EQ(Images(), (std::vector<int>{1, 2, 4, 6}));

  lv->UserSelect(lv->Items(2));
  EXPECT_EQ(lv->KeyDown('Q', platform::ssCtrl), 0);
  EXPECT_EQ(Images(), (std::vector<int>{1, 2, 5, 6}));
  EXPECT_EQ(wnd->ButtonReset->KeyDown('A', platform::ssCtrl), 0);
  EXPECT_EQ(Images(), (std::vector<int>{1, 3, 5, 6}));
  EXPECT_EQ(lv->KeyDown('A', platform::ssNone), 'A');  // without Ctrl: nothing
}

TEST_F(MessageLogTest, KeysOnAnEmptyListAndEscape) {
  EXPECT_EQ(lv->KeyDown('A', platform::ssCtrl), 'A');
  EXPECT_EQ(lv->KeyDown('Q', platform::ssCtrl), 'Q');
  // The keys act in the list and on the two buttons, not on the check box.
  const struct {
    platform::Component* control;
    bool keys;
  } kControls[] = {
      {lv, true}, {wnd->ButtonClose, true}, {wnd->ButtonReset, true}, {wnd->ChkOntop, false}};
  for (const auto& row : kControls) {
    SCOPED_TRACE(row.control->Name());
    wnd->Clear();
    wnd->Show();
    EXPECT_EQ(row.control->KeyDown(platform::Key::Escape), row.keys ? 0 : platform::Key::Escape);
    EXPECT_EQ(wnd->Visible(), !row.keys);

    PostLogMessage(4, 1, "important");
    PostLogMessage(2, 2, "critical");
    lv->UserSelect(lv->Items(1));
    EXPECT_EQ(row.control->KeyDown('Q', platform::ssCtrl), row.keys ? 0 : 'Q');
    EXPECT_EQ(Images(), row.keys ? (std::vector<int>{2, 5}) : (std::vector<int>{2, 4}));
    EXPECT_EQ(row.control->KeyDown('A', platform::ssCtrl), row.keys ? 0 : 'A');
    EXPECT_EQ(Images(), row.keys ? (std::vector<int>{3, 5}) : (std::vector<int>{2, 4}));
  }
}

TEST_F(MessageLogTest, CopyMessagePutsCaptionTabTextOnTheClipboard) {
  wnd->PopCopyMessage->Click();  // nothing selected: the clipboard stays untouched
  EXPECT_EQ(session.clipboard.writes, 0);

  PostLogMessage(0, 526, "Temperature \xB0" "C out of range");
  PostLogMessage(4, 1220, "Loaded");
  lv->UserSelect(lv->Items(1));
  wnd->PopCopyMessage->Click();
  EXPECT_EQ(session.clipboard.Text(), "E:526\tTemperature \xB0" "C out of range");
}

TEST_F(MessageLogTest, ColumnClickSortsWithoutRegardToCase) {
  auto base = std::chrono::system_clock::now();
  int tick = 0;
  wnd->Now = [&] { return base + std::chrono::seconds(tick++); };
  wnd->PopTimeUpwards->Click();
  PostLogMessage(4, 30, "banana");
  PostLogMessage(4, 4, "Cherry");
  PostLogMessage(0, 200, "apple");
  lv->UserColumnClick(1);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"E:200", "I:30", "I:4"}));
  lv->UserColumnClick(0);  // texts, not numbers: "I:30" before "I:4"
  EXPECT_EQ(Captions(), (std::vector<std::string>{"E:200", "I:30", "I:4"}));
  lv->UserColumnClick(2);  // by time stamp text: the order of posting
  EXPECT_EQ(Captions(), (std::vector<std::string>{"I:30", "I:4", "E:200"}));
}

TEST_F(MessageLogTest, ResetOnTopAndResize) {
  PostLogMessage(4, 1, "a");
  PostLogMessage(4, 2, "b");
  lv->UserSelect(lv->Items(0));
  wnd->ButtonReset->Click();
  EXPECT_EQ(lv->Count(), 0);
  wnd->PopCopyMessage->Click();  // the selection went with the entries
  EXPECT_EQ(session.clipboard.writes, 0);

  wnd->ChkOntop->Click();
  EXPECT_EQ(wnd->GetFormStyle(), platform::FormStyle::StayOnTop);
  wnd->ChkOntop->Click();
  EXPECT_EQ(wnd->GetFormStyle(), platform::FormStyle::Normal);

  for (int width : {478, 600, 301}) {
    wnd->UserResize(width, 300);
    EXPECT_EQ(wnd->ButtonClose->Left(), width / 2 + 8) << width;
    EXPECT_EQ(wnd->ButtonReset->Left() + wnd->ButtonReset->Width(), width / 2 - 8) << width;
  }
  wnd->SetBounds(0, 0, 100, 50);  // the minimum size holds
  EXPECT_EQ(wnd->Width(), 300);
  EXPECT_EQ(wnd->Height(), 200);
}

TEST(MessageLogStartTest, PostsBeforeTheWindowExistsAreListedInOrder) {
  platform::HeadlessSession session;
  TakeEarlyLogMessages();
  PostLogMessage(4, 1, "early important");
  PostLogMessage(6, 2, "early info, filtered");
  PostLogMessageAlways(6, 3, "early always");
  PostLogMessage(0, 4, "early error");
  {
    TAplMsgWnd wnd;
    EXPECT_EQ(AplMsgWnd, &wnd);
    ASSERT_EQ(wnd.LV->Count(), 3);
    EXPECT_EQ(wnd.LV->Items(0)->Caption(), "E:4");
    EXPECT_EQ(wnd.LV->Items(1)->Caption(), "I:1");
    EXPECT_EQ(wnd.LV->Items(2)->Caption(), "I:3");
    EXPECT_TRUE(wnd.Visible());  // the early error raised it
    EXPECT_TRUE(TakeEarlyLogMessages().empty());
  }
  EXPECT_EQ(AplMsgWnd, nullptr);
}

TEST(MessageLogStartTest, WithoutAWindowTheNewestMessagesAreKept) {
  TakeEarlyLogMessages();
  for (int id = 1; id <= 1200; ++id) PostLogMessage(4, id, "x");
  std::vector<EarlyLogMessage> kept = TakeEarlyLogMessages();
  ASSERT_FALSE(kept.empty());
  EXPECT_LE(kept.size(), 1000u);
  EXPECT_EQ(kept.back().message.id, 1200);
  EXPECT_EQ(kept.front().message.id, 1200 - int(kept.size()) + 1);
}

TEST(MessageLogStartTest, WindowHandsTheSinkBackWhenDestroyed) {
  platform::HeadlessSession session;
  ScopedLogRecorder rec;
  {
    TAplMsgWnd wnd;
    PostLogMessage(4, 7, "to the window");
    EXPECT_EQ(wnd.LV->Count(), 1);
    EXPECT_FALSE(rec.sink.Has(7));
  }
  PostLogMessage(4, 8, "to the recorder");
  EXPECT_TRUE(rec.sink.Has(8));
}

// Windows and recorders that do not die in the reverse order of their making: posts never reach
// a destroyed sink (the sanitizer build catches a stale one), and a living window keeps its posts.
TEST(MessageLogStartTest, SinksMayDieInAnyOrder) {
  platform::HeadlessSession session;
  TakeEarlyLogMessages();
  auto first = std::make_unique<TAplMsgWnd>();
  auto second = std::make_unique<TAplMsgWnd>();  // a window made again, as a reassignment does
  EXPECT_EQ(AplMsgWnd, second.get());
  first.reset();
  EXPECT_EQ(AplMsgWnd, second.get());
  PostLogMessage(4, 1, "to the second window");
  EXPECT_EQ(second->LV->Count(), 1);
  second.reset();
  EXPECT_EQ(AplMsgWnd, nullptr);
  PostLogMessage(4, 2, "kept until a window exists");
  EXPECT_EQ(TakeEarlyLogMessages().size(), 1u);

  auto wnd = std::make_unique<TAplMsgWnd>();
  {
    auto rec = std::make_unique<ScopedLogRecorder>();
    wnd.reset();  // the window the recorder would hand back goes first
    PostLogMessage(4, 3, "to the recorder");
    EXPECT_TRUE(rec->sink.Has(3));
  }
  PostLogMessage(4, 4, "after both");
  EXPECT_EQ(TakeEarlyLogMessages().size(), 1u);

  auto rec = std::make_unique<ScopedLogRecorder>();
  wnd = std::make_unique<TAplMsgWnd>();
  rec.reset();  // a recorder made before the window does not take the window's posts away
  PostLogMessage(4, 5, "to the window");
  EXPECT_EQ(wnd->LV->Count(), 1);
  wnd.reset();
  TakeEarlyLogMessages();
}

}  // namespace
