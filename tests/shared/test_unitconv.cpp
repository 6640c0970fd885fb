// The unit conversion dialog. Reference values are the conversion factors of NIST Special
// Publication 811 (2008 edition), "Guide for the Use of the International System of Units
// (SI)", Appendix B.8 (factors in alphabetical order) and B.9 (factors by kind of quantity),
// and the temperature relations of its section 4.2.1.1 and B.9.
#include "shared/UnitConv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Headless.h"

namespace {

struct ConversionCase {
  char quantity;
  const char* source;
  const char* target;
  bool celsius;
  double value;
  double expected;
  double relTol;  // 0: absolute 1e-9
  const char* reference;
};

// Exact definitions are checked to 1e-12. The dialog converts with round factors (14.696 psi,
// 29.921 inHg per atm, 220 and 264.17 gallons per m³ ...); against the values NIST SP 811
// prints, each case allows what its factor's rounding costs (at most 2 parts in 10000).
const ConversionCase kCases[] = {
    {'P', "atm", "bar", false, 1, 1.01325, 1e-12, "atm = 1.01325 E+05 Pa (exact)"},
    {'P', "Torr", "bar", false, 760, 1.01325, 1e-12, "torr = 101325/760 Pa (exact)"},
    {'P', "Torr", "bar", false, 1, 1.333224e-3, 1e-6, "torr = 1.333 224 E+02 Pa"},
    {'P', "mmHg", "bar", false, 1, 1.333224e-3, 1e-6, "mmHg, conventional = 1.333 224 E+02 Pa"},
    {'P', "inHg", "bar", false, 1, 3.386389e-2, 3e-5, "inHg, conventional = 3.386 389 E+03 Pa"},
    {'P', "Pa", "bar", false, 100000, 1.0, 1e-12, "bar = 1.0 E+05 Pa (exact)"},
    {'P', "kPa", "bar", false, 101.325, 1.01325, 1e-12, "bar = 1.0 E+05 Pa (exact)"},
    {'P', "N/m\xB2", "bar", false, 1, 1e-5, 1e-12, "Pa = N/m² (exact)"},
    {'P', "psi [lb(f)/in\xB2]", "bar", false, 1, 6.894757e-2, 1e-5, "lbf/in² = 6.894 757 E+03 Pa"},
    {'T', " F ", " K ", false, 32, 273.15, 0, "T/K = (t/°F + 459.67)/1.8"},
    {'T', " F ", " C ", true, 32, 0.0, 0, "t/°C = (t/°F - 32)/1.8"},
    {'T', " F ", " K ", false, 212, 373.15, 1e-12, "T/K = (t/°F + 459.67)/1.8"},
    {'T', " F ", " C ", true, -40, -40.0, 0, "t/°C = (t/°F - 32)/1.8"},
    {'T', " R ", " K ", false, 491.67, 273.15, 1e-12, "T/K = (T/°R)/1.8"},
    {'T', " R ", " K ", false, 0, 0.0, 0, "T/K = (T/°R)/1.8"},
    {'T', " R ", " C ", true, 671.67, 100.0, 1e-12, "T/K = (T/°R)/1.8, t/°C = T/K - 273.15"},
    {'T', " C ", " K ", false, 25, 298.15, 1e-12, "T/K = t/°C + 273.15"},
    {'T', " K ", " C ", true, 298.15, 25.0, 1e-12, "t/°C = T/K - 273.15"},
    {'M', "lb", "g", false, 1, 453.59237, 1e-12, "lb (avoirdupois) = 4.535 9237 E-01 kg (exact)"},
    {'M', "lb", "kg", false, 1, 0.45359237, 1e-12, "lb (avoirdupois) = 4.535 9237 E-01 kg (exact)"},
    {'M', "oz", "g", false, 1, 28.34952, 1e-6, "oz (avoirdupois) = 2.834 952 E-02 kg"},
    {'V', "gal(US)", "m\xB3", false, 1, 3.785411784e-3, 1e-5, "gallon (U.S.) = 3.785 411 784 E-03 m³"},
    {'V', "gal(UK)", "m\xB3", false, 1, 4.54609e-3, 2e-4, "gallon (Imperial) = 4.546 09 E-03 m³"},
    {'V', "ft\xB3", "m\xB3", false, 1, 2.831685e-2, 5e-5, "ft³ = 2.831 685 E-02 m³"},
    {'V', "l", "m\xB3", false, 1000, 1.0, 1e-12, "L = 1 E-03 m³ (exact)"},
    {'E', "cal", "J", false, 1, 4.184, 1e-12, "cal (thermochemical) = 4.184 J (exact)"},
    {'H', "kcal", "J", false, 1, 4184, 1e-12, "kcal (thermochemical) = 4.184 E+03 J"},
    {'G', "btu", "J", false, 1, 1.055056e3, 2e-5, "Btu (IT) = 1.055 056 E+03 J"},
    {'E', "kWh", "J", false, 1, 3.6e6, 1e-12, "kW·h = 3.6 E+06 J (exact)"},
    {'E', "ft.lb(f)", "J", false, 1, 1.355818, 1e-5, "ft·lbf = 1.355 818 J"},
    {'E', "hp.h", "J", false, 1, 2.684520e6, 2e-5, "hp·h = 2.684 520 E+06 J"},
    {'E', "kJ", "J", false, 2.5, 2500, 1e-12, "kJ = 1000 J"},
    {'S', "cal/K", "J/K", false, 1, 4.184, 1e-12, "cal (thermochemical) = 4.184 J (exact)"},
    {'C', "btu/R", "J/K", false, 1, 4.1868e3 * 0.45359237, 2e-5,
     "Btu(IT)/(lb·°R) = 4.1868 E+03 J/(kg·K) times lb = 0.45359237 kg"},
};

// The dialog's own round factors: what stored values and users' habits rely on, so a change
// of factor is noticed (1 gal(UK) is 0.0045455 m³ here, not 0.0045461).
const ConversionCase kDialogFactors[] = {
    {'V', "gal(UK)", "m\xB3", false, 220, 1.0, 1e-12, "220 gal(UK) per m³"},
    {'V', "gal(US)", "m\xB3", false, 264.17, 1.0, 1e-12, "264.17 gal(US) per m³"},
    {'V', "ft\xB3", "m\xB3", false, 1, 0.028316, 1e-12, "0.028316 m³ per ft³"},
    {'P', "psi [lb(f)/in\xB2]", "bar", false, 14.696, 1.01325, 1e-12, "14.696 psi per atm"},
    {'P', "inHg", "bar", false, 29.921, 1.01325, 1e-12, "29.921 inHg per atm"},
    {'E', "btu", "J", false, 0.00094783, 1.0, 1e-12, "0.00094783 Btu per J"},
    {'E', "ft.lb(f)", "J", false, 0.73756, 1.0, 1e-12, "0.73756 ft.lbf per J"},
    {'E', "hp.h", "J", false, 3.7251e-7, 1.0, 1e-12, "3.7251e-7 hp.h per J"},
    {'S', "btu/R", "J/K", false, 0.00094783, 1.8, 1e-12, "0.00094783 Btu per J, 1 K = 1.8 °R"},
};

}  // namespace

TEST(UnitConversion, ConversionTable) {
  std::vector<ConversionCase> all(std::begin(kCases), std::end(kCases));
  all.insert(all.end(), std::begin(kDialogFactors), std::end(kDialogFactors));
  for (const ConversionCase& c : all) {
    SCOPED_TRACE(std::string(1, c.quantity) + " " + c.source + " -> " + c.target + ": " + c.reference);
    double result = -12345;
    ASSERT_TRUE(quorel::ConvertUnitValue(c.quantity, c.source, c.target, c.celsius, c.value, result));
    if (c.relTol == 0) {
      EXPECT_NEAR(result, c.expected, 1e-9);
    } else {
      EXPECT_NEAR(result, c.expected, std::fabs(c.expected) * c.relTol);
    }
  }
}

TEST(UnitConversion, UnknownUnitOrQuantity) {
  double result = 7;
  // The target unit itself (and any unit without a rule) leaves the value as it is.
  ASSERT_TRUE(quorel::ConvertUnitValue('P', "bar", "bar", false, 2.5, result));
  EXPECT_EQ(result, 2.5);
  result = 7;
  EXPECT_FALSE(quorel::ConvertUnitValue('X', "atm", "bar", false, 1, result));
  EXPECT_EQ(result, 7);
}

// ---------------------------------------------------------------------------------------------

class UnitDialog : public ::testing::Test {
 protected:
  platform::HeadlessSession session;
  quorel::TUnitCnvDlg dlg;
  std::vector<std::string> Items(platform::ComboBox* box) const { return box->Items().All(); }
};

// Callers reach the one dialog of a program through its global.
TEST(UnitDialogInstance, TheDialogIsTheProgramsInstance) {
  platform::HeadlessSession session;
  {
    quorel::TUnitCnvDlg dlg;
    EXPECT_EQ(quorel::UnitCnvDlg, &dlg);
  }
  EXPECT_EQ(quorel::UnitCnvDlg, nullptr);
}

TEST_F(UnitDialog, SetupFillsSortedListsAndSelectsTheFirstItems) {
  dlg.SetupConversion('P', "760");
  EXPECT_EQ(dlg.Caption(), "Conversion");
  EXPECT_EQ(dlg.Label1->Caption(), "Press.");
  EXPECT_EQ(dlg.Label2->Caption(), "Convert from");
  EXPECT_EQ(dlg.Label3->Caption(), "convert to");
  EXPECT_EQ(Items(dlg.ComboBox1), (std::vector<std::string>{"atm", "inHg", "kPa", "mmHg", "N/m\xB2", "Pa",
                                                            "psi [lb(f)/in\xB2]", "Torr"}));
  EXPECT_EQ(dlg.ComboBox1->Text(), "atm");
  EXPECT_EQ(dlg.ComboBox2->Text(), "bar");
  EXPECT_EQ(dlg.Edit4->Text(), "760");
  EXPECT_EQ(dlg.Edit3->Text(), "");

  dlg.SetupConversion('E', "1");
  EXPECT_EQ(Items(dlg.ComboBox1),
            (std::vector<std::string>{"btu", "cal", "ft.lb(f)", "hp.h", "kcal", "kJ", "kWh"}));
  dlg.SetupConversion('M', "1");
  EXPECT_EQ(Items(dlg.ComboBox2), (std::vector<std::string>{"g", "kg"}));
  dlg.SetupConversion('V', "1");
  EXPECT_EQ(Items(dlg.ComboBox1), (std::vector<std::string>{"ft\xB3", "gal(UK)", "gal(US)", "l"}));
  EXPECT_EQ(dlg.ComboBox2->Text(), "m\xB3");

  dlg.SetupConversion('T', "1");
  EXPECT_EQ(Items(dlg.ComboBox1), (std::vector<std::string>{" C ", " F ", " R "}));
  EXPECT_EQ(dlg.ComboBox2->Text(), " K ");
  dlg.CelsiusFlag = true;
  dlg.SetupConversion('T', "1");
  EXPECT_EQ(Items(dlg.ComboBox1), (std::vector<std::string>{" F ", " K ", " R "}));
  EXPECT_EQ(dlg.ComboBox2->Text(), " C ");
}

TEST_F(UnitDialog, ArrowShowsTheResultAndOkCloses) {
  dlg.SetupConversion('P', "760");
  dlg.ComboBox1->SetText("Torr");
  dlg.Button1->Click();
  EXPECT_EQ(dlg.Edit3->Text(), "1.01325");
  EXPECT_TRUE(dlg.Converted());

  dlg.CelsiusFlag = true;
  dlg.SetupConversion('T', "32");  // first item " F "
  session.modal.QueueModal([&](platform::Form&) { dlg.OKBtn->Click(); });
  EXPECT_EQ(dlg.ShowModal(), platform::mrOk);
  EXPECT_TRUE(dlg.Converted());
  EXPECT_NEAR(dlg.ConvertedValue(), 0.0, 1e-12);
  EXPECT_TRUE(session.dialogs.messages.empty());
}

// An unreadable value is an error the user sees, and never a conversion reported as done.
TEST_F(UnitDialog, IrregularValueKeepsTheDialogOpen) {
  dlg.SetupConversion('P', "1,2.3");
  session.modal.QueueModal([&](platform::Form&) { dlg.OKBtn->Click(); });
  session.modal.QueueModal([&](platform::Form&) {
    EXPECT_FALSE(dlg.Converted());
    EXPECT_EQ(dlg.ConvertedValue(), 0.0);
    dlg.Edit4->SetText(" 2,5 ");  // blanks and a decimal comma are fine
    dlg.OKBtn->Click();
  });
  EXPECT_EQ(dlg.ShowModal(), platform::mrOk);
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].text, "Irregular value");
  EXPECT_EQ(session.dialogs.messages[0].caption, "Conversion");
  EXPECT_EQ(platform::MsgIcon(session.dialogs.messages[0].flags), platform::mbIconError);
  EXPECT_TRUE(dlg.Converted());
  EXPECT_NEAR(dlg.ConvertedValue(), 2.5 * 1.01325, 1e-12);

  for (const char* text : {"", "   ", "abc"}) {
    SCOPED_TRACE(text);
    dlg.Edit4->SetText(text);
    dlg.Button1->Click();
    EXPECT_FALSE(dlg.Converted());
    EXPECT_EQ(dlg.Edit3->Text(), "");
  }
  EXPECT_EQ(session.dialogs.messages.size(), 4u);
}

TEST_F(UnitDialog, CancelAndUnknownQuantity) {
  dlg.SetupConversion('M', "2");
  session.modal.QueueModal([&](platform::Form&) { dlg.CancelBtn->Click(); });
  EXPECT_EQ(dlg.ShowModal(), platform::mrCancel);
  EXPECT_FALSE(dlg.Converted());
  EXPECT_EQ(dlg.Status(), 0);

  dlg.SetupConversion('Q', "2");
  EXPECT_EQ(dlg.Label1->Caption(), "");
  EXPECT_FALSE(dlg.Convert());
  EXPECT_FALSE(dlg.Converted());
  EXPECT_EQ(dlg.Status(), 0);
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].text, "Conversion is not possible");
  EXPECT_EQ(platform::MsgIcon(session.dialogs.messages[0].flags), platform::mbIconInformation);
}
