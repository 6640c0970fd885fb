#include "shared/UnitConv.h"

#include "platform/Services.h"
#include "shared/PTools.h"

namespace quorel {

TUnitCnvDlg* UnitCnvDlg = nullptr;

namespace {

// One unit and its rule into the working unit: x * mul / div, in that order.
struct Rule {
  const char* unit;
  double mul;
  double div;
};

// Units in the order the dialog lists them (the lists are sorted when shown). The factors are
// the dialog's own, kept as the programs have always converted: atm = 1.01325 bar, then psi,
// Torr, inHg, Pa and kPa through the atmosphere; Btu through 0.00094783 Btu per joule.
const Rule kEnergy[] = {  // to joule
    {"cal", 4.184, 1},
    {"kcal", 4.184 * 1000, 1},
    {"btu", 1, 0.00094783},
    {"kWh", 3600000, 1},
    {"ft.lb(f)", 1, 0.73756},
    {"hp.h", 1, 3.7251e-7},
    {"kJ", 1000, 1},
};
const Rule kHeatCapacity[] = {  // to joule per kelvin
    {"cal/K", 4.184, 1},
    {"btu/R", 9, 0.00094783 * 5},  // a Rankine degree is 5/9 K
};
const Rule kMass[] = {  // to gram
    {"lb", 453.59237, 1},
    {"oz", 453.59237, 16},
};
const Rule kPressure[] = {  // to bar
    {"atm", 1.01325, 1},
    {"inHg", 1.01325, 29.921},
    {"N/m\xB2", 1, 100000},
    {"Pa", 1.01325, 101325},
    {"kPa", 1.01325, 101.325},
    {"mmHg", 1.01325, 760},
    {"psi [lb(f)/in\xB2]", 1.01325, 14.696},
    {"Torr", 1.01325, 760},
};
const Rule kVolume[] = {  // to cubic metre
    {"ft\xB3", 0.028316, 1},
    {"l", 1, 1000},
    {"gal(UK)", 1, 220},
    {"gal(US)", 1, 264.17},
};

template <std::size_t N>
std::vector<std::string> UnitNames(const Rule (&rules)[N]) {
  std::vector<std::string> names;
  for (const Rule& r : rules) names.emplace_back(r.unit);
  return names;
}

template <std::size_t N>
double ApplyRule(const Rule (&rules)[N], std::string_view unit, double x) {
  for (const Rule& r : rules) {
    if (unit == r.unit) return x * r.mul / r.div;
  }
  return x;
}

}  // namespace

ConversionUnits UnitsOfQuantity(char quantity, bool celsius) {
  switch (quantity) {
    case 'C': return {"Heat Cap.", UnitNames(kHeatCapacity), {"J/K"}};
    case 'S': return {"Entropy", UnitNames(kHeatCapacity), {"J/K"}};
    case 'E': return {"Energy", UnitNames(kEnergy), {"J"}};
    case 'G': return {"Free Energy", UnitNames(kEnergy), {"J"}};
    case 'H': return {"Enthalpy", UnitNames(kEnergy), {"J"}};
    case 'M': return {"Mass", UnitNames(kMass), {"g", "kg"}};
    case 'P': return {"Press.", UnitNames(kPressure), {"bar"}};
    case 'T':
      return {"Temperature", {celsius ? " K " : " C ", " F ", " R "}, {celsius ? " C " : " K "}};
    case 'V': return {"Volume", UnitNames(kVolume), {"m\xB3"}};
    default: return {};
  }
}

bool ConvertUnitValue(char quantity, std::string_view sourceUnit, std::string_view targetUnit,
                      bool celsius, double x, double& result) {
  switch (quantity) {
    case 'C':
    case 'S': result = ApplyRule(kHeatCapacity, sourceUnit, x); return true;
    case 'E':
    case 'G':
    case 'H': result = ApplyRule(kEnergy, sourceUnit, x); return true;
    case 'M':
      result = ApplyRule(kMass, sourceUnit, x);
      if (targetUnit == "kg") result /= 1000.0;
      return true;
    case 'P': result = ApplyRule(kPressure, sourceUnit, x); return true;
    case 'V': result = ApplyRule(kVolume, sourceUnit, x); return true;
    case 'T': {
      const std::string unit = Trim(sourceUnit);
      double kelvin = x;  // " K " (the source unit when the flag is set) has no rule
      if (unit == "C") kelvin = x + 273.15;
      else if (unit == "F") kelvin = (x - 32.0) * 5.0 / 9.0 + 273.15;
      else if (unit == "R") kelvin = x * 5.0 / 9.0;  // 491.67 R is 273.15 K
      result = celsius ? kelvin - 273.15 : kelvin;
      return true;
    }
    default: return false;
  }
}

// ---------------------------------------------------------------------------------------------

TUnitCnvDlg::TUnitCnvDlg() : platform::Form(nullptr, "UnitCnvDlg") {
  using namespace platform;
  UnitCnvDlg = this;
  SetCaption("Conversion");
  SetBorderStyle(BorderStyle::SizeToolWin);
  SetPosition(FormPosition::ScreenCenter);
  SetBounds(0, 0, 321, 153);

  Label1 = Make<Label>(this, "Label1");
  Label1->SetBounds(8, 8, 120, 13);
  Label2 = Make<Label>(this, "Label2");
  Label2->SetCaption("Convert from");
  Label2->SetBounds(8, 32, 80, 13);
  Label3 = Make<Label>(this, "Label3");
  Label3->SetCaption("convert to");
  Label3->SetBounds(168, 32, 80, 13);
  ComboBox1 = Make<ComboBox>(this, "ComboBox1");
  ComboBox1->SetStyle(ComboStyle::DropDownList);
  ComboBox1->SetSorted(true);
  ComboBox1->SetBounds(8, 48, 145, 21);
  ComboBox2 = Make<ComboBox>(this, "ComboBox2");
  ComboBox2->SetStyle(ComboStyle::DropDownList);
  ComboBox2->SetSorted(true);
  ComboBox2->SetBounds(168, 48, 145, 21);
  Edit4 = Make<Edit>(this, "Edit4");
  Edit4->SetBounds(8, 80, 145, 21);
  Edit3 = Make<Edit>(this, "Edit3");
  Edit3->SetReadOnly(true);
  Edit3->SetBounds(168, 80, 145, 21);
  Button1 = Make<Button>(this, "Button1");
  Button1->SetCaption("->");
  Button1->SetBounds(8, 116, 75, 25);
  Button1->OnClick = [this](Component*) { Button1Click(); };
  OKBtn = Make<Button>(this, "OKBtn");
  OKBtn->SetCaption("OK");
  OKBtn->SetDefault(true);
  OKBtn->SetBounds(158, 116, 75, 25);
  OKBtn->OnClick = [this](Component*) { OKBtnClick(); };
  CancelBtn = Make<Button>(this, "CancelBtn");
  CancelBtn->SetCaption("Cancel");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  CancelBtn->SetBounds(238, 116, 75, 25);
  CancelBtn->OnClick = [this](Component*) { CancelBtnClick(); };
  SetActiveControl(Edit4);
}

TUnitCnvDlg::~TUnitCnvDlg() {
  if (UnitCnvDlg == this) UnitCnvDlg = nullptr;
}

void TUnitCnvDlg::SetupConversion(char quantity, std::string_view valueText) {
  quantity_ = quantity;
  Edit3->SetText("");
  Edit4->SetText(valueText);
  const ConversionUnits units = UnitsOfQuantity(quantity, CelsiusFlag);
  Label1->SetCaption(units.caption);
  ComboBox1->Items().Clear();
  for (const std::string& u : units.sources) ComboBox1->Items().Add(u);
  ComboBox2->Items().Clear();
  for (const std::string& u : units.targets) ComboBox2->Items().Add(u);
  ComboBox1->SetItemIndex(ComboBox1->Items().Empty() ? -1 : 0);
  ComboBox2->SetItemIndex(ComboBox2->Items().Empty() ? -1 : 0);
  status_ = 0;
  converted_ = false;
  SetActiveControl(Edit4);
}

bool TUnitCnvDlg::Convert() {
  converted_ = false;
  // Blanks around the number are allowed; an empty text is no number.
  const std::string text = Trim(Edit4->Text());
  double x = 0;
  if (text.empty() || !TryTextToDouble(text, x)) {
    value_ = 0;
    platform::MessageBox("Irregular value", "Conversion", platform::mbOk | platform::mbIconError);
    return false;
  }
  status_ = -1;
  double result = x;
  if (!ConvertUnitValue(quantity_, ComboBox1->Text(), ComboBox2->Text(), CelsiusFlag, x,
                        result)) {
    value_ = 0;
    platform::MessageBox("Conversion is not possible", "Conversion",
                         platform::mbOk | platform::mbIconInformation);
    status_ = 0;
    return false;
  }
  status_ = 0;
  value_ = result;
  converted_ = true;
  return true;
}

void TUnitCnvDlg::Button1Click() {
  if (Convert()) Edit3->SetText(FloatToFullText(value_));
  else Edit3->SetText("");
}

void TUnitCnvDlg::OKBtnClick() {
  if (Convert()) SetModalResult(platform::mrOk);
  else SetModalResult(platform::mrNone);  // the dialog stays open for a correction
}

void TUnitCnvDlg::CancelBtnClick() {
  status_ = 0;
  converted_ = false;
}

}  // namespace quorel
