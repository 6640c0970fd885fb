// The "Equilibrium - Calculation Criteria" window, used as a user would.
#include <gtest/gtest.h>

#include "eqkernel_support.h"
#include "equilibrium/EqKernel.h"
#include "platform/Headless.h"

using namespace eqtest;
using quorel::TEqlKernel;

namespace {

class CriteriaWindow : public ::testing::Test {
 protected:
  platform::HeadlessSession session;
  TEqlKernel wnd;
};

TEST_F(CriteriaWindow, DefaultsAtCreation) {
  EXPECT_EQ(wnd.Caption(), "Equilibrium - Calculation Criteria");
  EXPECT_EQ(wnd.EditILimit->Text(), "98000");
  EXPECT_EQ(wnd.EditPrec->Text(), "0.01");
  EXPECT_EQ(wnd.EditApprFactor->Text(), "0.98");
  EXPECT_FALSE(wnd.EditApprFactor->Enabled());
  EXPECT_EQ(wnd.EdtZero->Text(), "1e-23");
  EXPECT_FALSE(wnd.CbxFast->Checked());
  EXPECT_FALSE(wnd.CBAutoCorr->Checked());
  EXPECT_TRUE(wnd.CBMaxEntropy->Checked());
  EXPECT_TRUE(wnd.CBAutoIfa->Checked());
  EXPECT_EQ(wnd.UpPhaseCheck->Position(), 1);
  EXPECT_EQ(wnd.Criteria.approximationFactor, 0.987654321L);
  EXPECT_EQ(quorel::EqlKernel, &wnd);
  // the limit's hint says what the steps of the status text count
  EXPECT_EQ(wnd.EditILimit->Hint(), quorel::IterationLimitHint);
  EXPECT_TRUE(wnd.EditILimit->ShowHint());
  EXPECT_NE(std::string(quorel::IterationLimitHint).find("Newton step"), std::string::npos);
}

TEST_F(CriteriaWindow, IterationLimitSetsTheAutomaticFactor) {
  const std::pair<const char*, const char*> cases[] = {{"abc", "0.715"}, {"98000", "0.98"}, {"0", "0.5"}, {"60000", "0.8"}};
  for (const auto& [limit, factor] : cases) {
    wnd.EditILimit->UserSetText(limit);
    EXPECT_EQ(wnd.EditApprFactor->Text(), factor) << limit;
  }
}

TEST_F(CriteriaWindow, AutoFactorOffEnablesTheFieldAndFastIterationSetsHalf) {
  wnd.CBAutoIfa->Click();
  EXPECT_TRUE(wnd.EditApprFactor->Enabled());
  wnd.EditApprFactor->UserSetText("0.9");
  wnd.EditILimit->UserSetText("1000");
  EXPECT_EQ(wnd.EditApprFactor->Text(), "0.9");
  wnd.CbxFast->Click();
  EXPECT_EQ(wnd.EditApprFactor->Text(), "0.5");
  wnd.CBAutoIfa->Click();  // automatic again, Fast Iteration still on
  EXPECT_EQ(wnd.EditApprFactor->Text(), "0.5");
  wnd.CbxFast->Click();  // off: the factor follows the limit
  EXPECT_EQ(wnd.EditApprFactor->Text(), "0.505");
}

TEST_F(CriteriaWindow, ThresholdIsCheckedWhenLeavingTheField) {
  wnd.EdtZero->UserSetText("2");
  wnd.ReadCriteria({0, 1000, 1, 0});
  EXPECT_EQ(wnd.Criteria.ignoreThreshold, 1);
  wnd.EdtZero->Exit();
  EXPECT_EQ(wnd.EdtZero->Text(), "1e-23");
  wnd.ReadCriteria({0, 1000, 1, 0});
  EXPECT_EQ(wnd.Criteria.ignoreThreshold, 1e-23L);
}

TEST_F(CriteriaWindow, UnreadableTextsFallBack) {
  wnd.EditILimit->UserSetText("many");
  wnd.EditPrec->UserSetText("1");
  wnd.CBAutoIfa->Click();
  wnd.EditApprFactor->UserSetText("x");
  wnd.ReadCriteria({0, 1000, 1, 0});
  EXPECT_EQ(wnd.Criteria.iterationLimit, 98000);
  EXPECT_EQ(wnd.Criteria.precision, 0.01L);
  EXPECT_EQ(wnd.Criteria.approximationFactor, 0.98L);
  wnd.EditPrec->UserSetText("1,5e-3");
  wnd.EditApprFactor->UserSetText("0.95");
  wnd.ReadCriteria({0, 1000, 1, 0});
  EXPECT_EQ(wnd.Criteria.precision, 1.5e-3L);
  EXPECT_EQ(wnd.Criteria.approximationFactor, 0.95L);
}

TEST_F(CriteriaWindow, EscapeClosesAndEnterClosesUnlessOnAButton) {
  wnd.Show();
  wnd.SetActiveControl(wnd.ButtonClose);
  int key = platform::Key::Enter;
  wnd.FormKeyDown(key);
  EXPECT_TRUE(wnd.Visible());
  wnd.SetActiveControl(wnd.EditPrec);
  wnd.FormKeyDown(key);
  EXPECT_FALSE(wnd.Visible());
  wnd.Show();
  key = platform::Key::Escape;
  wnd.FormKeyDown(key);
  EXPECT_FALSE(wnd.Visible());
}

// A second press of "Calculation" arrives through the event pump and breaks the run.
TEST_F(CriteriaWindow, BreakArrivesThroughTheEventPump) {
  TestSystem s;
  s.T = 300;
  s.rows = {{1, "Ar", "Ar1", 1, 2.0}, {3, "Ne", "Ne3", 1, 0.0}};
  wnd.PumpIntervalMicroseconds = 0;  // every step lets the events run
  session.application.AtPump(5, [&] { wnd.SolverBreakFlag = 1; });
  Load(wnd, s);
  EXPECT_EQ(wnd.CalcEquilibrium(), -1);
  EXPECT_EQ(session.application.pumps, 5);
  EXPECT_NE(wnd.FailureText().find("Break by user (ilk)"), std::string::npos);
}

// By default the events run at most every 5 ms, however many steps ask for them.
TEST_F(CriteriaWindow, EventsRunAtMostEveryFewMilliseconds) {
  TestSystem s;
  s.T = 300;
  s.rows = {{1, "Ar", "Ar1", 1, 2.0}, {3, "Ne", "Ne3", 1, 0.0}};
  Load(wnd, s);
  ASSERT_EQ(wnd.CalcEquilibrium(), 1);
  EXPECT_GE(session.application.pumps, 1);
  EXPECT_LT(session.application.pumps, wnd.Counters().pumps);
}

// Fast Iteration switched off by the iteration unchecks the box.
TEST_F(CriteriaWindow, FastIterationSwitchedOffByTheIterationUnchecksTheBox) {
  wnd.CbxFast->Click();
  ASSERT_TRUE(wnd.CbxFast->Checked());
  TestSystem s;
  s.T = 300;
  s.rows = {{1, "Ar", "Ar1", 1, 8.0}, {3, "Ne", "Ne3", 1, 0.0}};
  Load(wnd, s);
  EXPECT_EQ(wnd.CalcEquilibrium(), 1) << wnd.FailureText();
  EXPECT_FALSE(wnd.CbxFast->Checked());
  EXPECT_FALSE(wnd.Criteria.fastIteration);
}

}  // namespace
