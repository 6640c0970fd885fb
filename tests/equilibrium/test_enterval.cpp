// The value entry dialog as the phase window's pick list: the import of a phase from a system
// file with several sections of the window's kind, the keys of the dialog and its layout.
#include <gtest/gtest.h>

#include <fstream>

#include "equilibrium/EnterVal.h"
#include "orvanto_support.h"

using namespace quorel;
using orvtest::OrvantoTest;

namespace {

class EnterValueTest : public OrvantoTest {
 protected:
  // A system file with two gas phases, described "Zeta" and "Alpha".
  std::string TwoGasPhases() {
    const std::string path = (home / "two gases.eql").string();
    std::ofstream out(path, std::ios::binary);
    out << "[System]\r\n  T=25 ;\xB0" "C\r\n"
        << "[Gas1]\r\nDesc=Zeta\r\nSubstance\tin\tout\r\nN2 (g)\t1\t\r\n"
        << "[Gas2]\r\nDesc=Alpha\r\nSubstance\tin\tout\r\nH2 (g)\t3\t\r\n";
    return path;
  }
  TEnterValDlg& D() { return *windows->ValueEntry; }
};

TEST_F(EnterValueTest, ThePickListChoosesTheSectionToImport) {
  const std::string file = TwoGasPhases();
  // The second item, in the order of the file, with OK.
  std::vector<std::string> items;
  session.dialogs.QueueFileName(file);
  session.modal.QueueModal([&](platform::Form& f) {
    EXPECT_EQ(&f, &D());
    EXPECT_EQ(f.Caption(), "Import to Phase Gas.1");
    EXPECT_EQ(D().LabelVarName->Caption(), "Phase to import from two gases.eql");
    EXPECT_FALSE(D().CBEditVal->Sorted());
    EXPECT_EQ(D().CBEditVal->ItemIndex(), 0);
    for (int i = 0; i < D().CBEditVal->Items().Count(); ++i) items.push_back(D().CBEditVal->Items()[i]);
    D().CBEditVal->UserSelect(1);
    D().ButtonOK->Click();
  });
  Phase(1).ImportClick(0);
  EXPECT_EQ(items, (std::vector<std::string>{"Zeta", "Alpha"}));
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "H2 (g)");
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "3");

  // Cancel imports nothing.
  Fill(1, {{"Ar (g)", "2"}});
  session.dialogs.QueueFileName(file);
  session.modal.QueueModal([&](platform::Form&) {
    D().CBEditVal->UserSelect(1);
    D().ButtonCancel->Click();
  });
  Phase(1).ImportClick(0);
  EXPECT_FALSE(D().Accepted);
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "Ar (g)");

  // Enter in the list is OK, Escape is Cancel.
  struct Case {
    int key;
    const char* first;
  } cases[] = {{platform::Key::Enter, "N2 (g)"}, {platform::Key::Escape, "Ar (g)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Fill(1, {{"Ar (g)", "2"}});
    session.dialogs.QueueFileName(file);
    session.modal.QueueModal([&](platform::Form&) { EXPECT_EQ(D().CBEditVal->KeyDown(c.key), 0); });
    Phase(1).ImportClick(0);
    EXPECT_EQ(Grid(1).Cells(ColKey, 1), c.first);
  }
  EXPECT_TRUE(session.AllUsed());
  EXPECT_TRUE(session.AllAnswered());
}

TEST_F(EnterValueTest, ItsLayoutFollowsItsWidth) {
  EXPECT_EQ(D().Caption(), "Enter Value");
  EXPECT_EQ(D().ButtonOK->Tag(), 1);
  EXPECT_EQ(D().ButtonCancel->Tag(), 0);
  D().UserResize(400, D().Height());
  EXPECT_EQ(D().ButtonOK->Left(), 400 / 2 - D().ButtonOK->Width() - 8);
  EXPECT_EQ(D().ButtonCancel->Left(), 400 / 2 + 8);
  EXPECT_EQ(D().CBEditVal->Width(), 400 - 48);
  // A pick list without items chooses nothing and shows nothing.
  EXPECT_EQ(D().PickFromList("c", "l", {}), -1);
  EXPECT_TRUE(session.modal.shown.empty());
}

}  // namespace
