// The element picker: a user's session of clicks and Accepts, and the messages it posts.
#include "shared/Elements.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Headless.h"
#include "shared/AplMsg.h"
#include "shared/Periodica.h"

namespace {

class ElementPicker : public ::testing::Test {
 protected:
  ElementPicker() { quorel::InitElementTable(); }
  ~ElementPicker() override { quorel::InitElementTable(); }

  void Click(const char* symbol) {
    const int index = quorel::ElementIndex(symbol);
    ASSERT_GE(index, 0) << symbol;
    dlg.ElementButton(index)->Click();
  }
  void Accept() {
    log.sink.Clear();
    dlg.BtnAccept->Click();
  }
  // (id, text) of every message since the last Accept.
  std::vector<std::pair<int, std::string>> Messages() const {
    std::vector<std::pair<int, std::string>> out;
    for (const auto& m : log.sink.messages) {
      EXPECT_EQ(m.level, quorel::LevelInfo);
      EXPECT_EQ(m.kind, quorel::LoggedMessage::Normal);
      out.emplace_back(m.id, m.text);
    }
    return out;
  }

  platform::HeadlessSession session;
  quorel::ScopedLogRecorder log;
  quorel::TElementsDlg dlg;
};

using Posts = std::vector<std::pair<int, std::string>>;

}  // namespace

// The main windows reach the picker through its global (Elements command, element balance).
TEST(ElementPickerInstance, ThePickerIsTheProgramsInstance) {
  platform::HeadlessSession session;
  {
    quorel::TElementsDlg dlg;
    EXPECT_EQ(quorel::ElementsDlg, &dlg);
  }
  EXPECT_EQ(quorel::ElementsDlg, nullptr);
}

TEST_F(ElementPicker, ButtonTableFromTheComponentNames) {
  EXPECT_EQ(dlg.Caption(), "Elements");
  for (int i = 0; i < quorel::TElementsDlg::kButtonCount; ++i) {
    ASSERT_NE(dlg.ElementButton(i), nullptr) << i;
    EXPECT_EQ(dlg.ElementButton(i)->Name(), "BitBtn" + std::to_string(i));
    EXPECT_EQ(dlg.ElementButton(i)->Tag(), i);
    EXPECT_EQ(dlg.ElementButton(i)->Width(), 24);
    EXPECT_TRUE(dlg.ElementButton(i)->Font().Bold);
  }
  EXPECT_EQ(dlg.ElementButton(132), nullptr);
  // The table's buttons do not overlap.
  for (int i = 0; i <= 105; ++i) {
    for (int j = i + 1; j <= 105; ++j) {
      const platform::Rect a = dlg.ElementButton(i)->BoundsRect(), b = dlg.ElementButton(j)->BoundsRect();
      EXPECT_FALSE(a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom)
          << i << " and " << j;
    }
  }
  dlg.ShowElementButtons();
  EXPECT_EQ(dlg.ElementButton(8)->Caption(), "O");
  EXPECT_EQ(dlg.ElementButton(8)->Hint(), "Oxygenium");
  EXPECT_TRUE(dlg.ElementButton(105)->Visible());
  EXPECT_FALSE(dlg.ElementButton(106)->Visible());  // no user element defined
}

TEST_F(ElementPicker, ClickTogglesAndShowsTheElement) {
  dlg.ShowElementButtons();
  Click("O");
  EXPECT_TRUE(quorel::TElementsDlg::ButtonMarked(*dlg.ElementButton(8)));
  EXPECT_EQ(dlg.ElementButton(8)->Font().Color, platform::clRed);
  EXPECT_EQ(dlg.Label1->Caption(), "O           Oxygenium");
  EXPECT_EQ(dlg.Label2->Caption(), "8");
  EXPECT_EQ(dlg.Label3->Caption(), "15.9994");
  Click("O");
  EXPECT_EQ(dlg.ElementButton(8)->Font().Color, platform::clBlue);
  // A button beyond the defined elements.
  dlg.ElementButton(120)->Click();
  EXPECT_EQ(dlg.Label1->Caption(), "Error");
  EXPECT_EQ(dlg.Label2->Caption(), "-");
  EXPECT_EQ(dlg.Label3->Caption(), "-");
  Accept();  // and it selects nothing
  EXPECT_TRUE(dlg.SelectedElements.empty());
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(dlg.Selected(120));
}

TEST_F(ElementPicker, AcceptSessionPostsWhatChanged) {
  dlg.ShowElementButtons();
  Click("H");
  Click("O");
  Accept();
  EXPECT_EQ(Messages(), (Posts{{234, "Elements Selection: H, O. "}}));
  EXPECT_EQ(dlg.SelectedElements, (std::vector<std::string>{"H ", "O "}));
  EXPECT_TRUE(dlg.Selected(1));
  EXPECT_TRUE(dlg.Selected(8));

  // O out, C in: both are reported, then the selection (in table order), sorted in the list.
  Click("O");
  Click("C");
  Accept();
  EXPECT_EQ(Messages(), (Posts{{225, "Elements deselected: O. "},
                               {230, "Elements added: C. "},
                               {234, "Elements Selection: H, C. "}}));
  EXPECT_EQ(dlg.SelectedElements, (std::vector<std::string>{"C ", "H "}));

  // Added elements are reported only together with deselected ones.
  Click("Na");
  Accept();
  EXPECT_EQ(Messages(), (Posts{{234, "Elements Selection: H, C, Na. "}}));
  EXPECT_EQ(dlg.SelectedElements, (std::vector<std::string>{"C ", "H ", "Na "}));

  // Accept without a change repeats the selection.
  Accept();
  EXPECT_EQ(Messages(), (Posts{{234, "Elements Selection: H, C, Na. "}}));

  // Nothing selected any more: only the deselection.
  Click("H");
  Click("C");
  Click("Na");
  Accept();
  EXPECT_EQ(Messages(), (Posts{{225, "Elements deselected: H, C, Na. "}}));
  EXPECT_TRUE(dlg.SelectedElements.empty());
  EXPECT_EQ(dlg.SelectionText(), "");
}

TEST_F(ElementPicker, AcceptCallsTheHookWhenSet) {
  EXPECT_FALSE(quorel::ElementsAcceptedHook);  // cleared when the picker was made
  int calls = 0;
  quorel::ElementsAcceptedHook = [&] {
    ++calls;
    EXPECT_EQ(dlg.SelectedElements, (std::vector<std::string>{"Fe "}));  // after the selection
  };
  Click("Fe");
  Accept();
  EXPECT_EQ(calls, 1);
  quorel::ElementsAcceptedHook = nullptr;
}

TEST_F(ElementPicker, CollectShowsTheSelection) {
  dlg.SetSelected(6, true);
  dlg.SetSelected(1, true);
  dlg.SetSelected(17, true);
  dlg.ShowElementButtons();
  dlg.CollectSelectedElements();
  EXPECT_EQ(dlg.SelectedElements, (std::vector<std::string>{"C ", "Cl ", "H "}));
  EXPECT_EQ(dlg.ElementButton(17)->Font().Color, platform::clRed);
  EXPECT_EQ(dlg.ElementButton(8)->Font().Color, platform::clBlue);
}

TEST_F(ElementPicker, UserElementsStandInTheirRows) {
  ASSERT_EQ(quorel::DefineElement("D", "Deuterium", 1, "", 2.01410175), 106);
  ASSERT_EQ(quorel::DefineElement("Xyz", "Triple", 200, "", 10), 107);
  ASSERT_EQ(quorel::DefineElement("Abcdef", "Six", 201, "", 11), 108);
  dlg.ShowElementButtons();
  platform::BitBtn* d = dlg.ElementButton(106);
  platform::BitBtn* xyz = dlg.ElementButton(107);
  platform::BitBtn* six = dlg.ElementButton(108);
  EXPECT_TRUE(d->Visible());
  EXPECT_EQ(d->Caption(), "D");
  EXPECT_EQ(d->Left(), 8);
  EXPECT_EQ(d->Width(), 24);
  EXPECT_EQ(xyz->Left(), 8 + 24);
  EXPECT_EQ(xyz->Width(), 32);
  EXPECT_EQ(six->Left(), 8 + 24 + 32);
  EXPECT_EQ(six->Width(), 48);
  EXPECT_EQ(six->Top(), d->Top());
  EXPECT_FALSE(dlg.ElementButton(109)->Visible());

  Click("D");
  Accept();
  EXPECT_EQ(Messages(), (Posts{{234, "Elements Selection: D. "}}));

  // The table starts again without user elements: their buttons go.
  quorel::InitElementTable();
  dlg.ShowElementButtons();
  EXPECT_FALSE(d->Visible());
  EXPECT_FALSE(dlg.Selected(106));
}

TEST_F(ElementPicker, EscapeAndCloseHideTheWindow) {
  dlg.Show();
  ASSERT_TRUE(dlg.Visible());
  EXPECT_EQ(dlg.ElementButton(3)->KeyDown(platform::Key::Escape), 0);
  EXPECT_FALSE(dlg.Visible());
  dlg.Show();
  dlg.BtnClose->Click();
  EXPECT_FALSE(dlg.Visible());
}
