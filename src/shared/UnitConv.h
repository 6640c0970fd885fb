// The "Conversion" dialog: converts a value given in a foreign unit into the unit the programs
// work in (kelvin or degrees Celsius, bar, joule, joule per kelvin, gram or kilogram, cubic
// metre). A caller names the quantity by its letter and passes the value text
// (SetupConversion), shows the dialog modally and, after OK, takes ConvertedValue().
//
// The factors are the dialog's own round values (1 atm = 1.01325 bar, 14.696 psi, 760 Torr,
// 29.921 inHg per atmosphere; 0.00094783 Btu, 0.73756 ft.lbf, 3.7251e-7 hp.h per joule;
// 0.028316 m³ per ft³; 220 gal(UK) and 264.17 gal(US) per m³); they agree with the exact unit
// definitions to better than 2 parts in 10000. Temperatures: T/K = (t/°F - 32)·5/9 + 273.15,
// T/K = T/°R · 5/9, t/°C = T/K - 273.15.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Components.h"

namespace quorel {

// The units of a quantity letter as the dialog lists them (unsorted): its caption, the source
// units and the target units. Empty lists for a letter outside the table. The temperature
// units carry a blank on both sides; the Celsius flag swaps " C " and " K ".
struct ConversionUnits {
  std::string caption;
  std::vector<std::string> sources;
  std::vector<std::string> targets;
};
ConversionUnits UnitsOfQuantity(char quantity, bool celsius);

// Converts x from the source unit into the target unit of the quantity. A unit without a rule
// (the target unit itself) leaves x as it is. Temperature units are compared after trimming.
// False (result untouched) for a letter outside the table.
bool ConvertUnitValue(char quantity, std::string_view sourceUnit, std::string_view targetUnit,
                      bool celsius, double x, double& result);

class TUnitCnvDlg : public platform::Form {
 public:
  TUnitCnvDlg();
  ~TUnitCnvDlg() override;

  platform::Label* Label1 = nullptr;
  platform::Label* Label2 = nullptr;
  platform::Label* Label3 = nullptr;
  platform::ComboBox* ComboBox1 = nullptr;
  platform::ComboBox* ComboBox2 = nullptr;
  platform::Edit* Edit4 = nullptr;
  platform::Edit* Edit3 = nullptr;
  platform::Button* Button1 = nullptr;
  platform::Button* OKBtn = nullptr;
  platform::Button* CancelBtn = nullptr;

  // Set by the caller before SetupConversion: temperatures in degrees Celsius.
  bool CelsiusFlag = false;

  // Empties Edit3, puts the value text into Edit4, fills the caption and both unit lists for
  // the quantity letter and selects their first items; the status becomes 0.
  void SetupConversion(char quantity, std::string_view valueText);
  // Converts Edit4 by the chosen units. An unreadable value shows "Irregular value", a letter
  // outside the table "Conversion is not possible"; both return false and leave the converted
  // flag false.
  bool Convert();
  // The value of the last conversion (0 after a failed one).
  double ConvertedValue() const { return value_; }
  // True after an OK whose conversion succeeded; false after Cancel or a failure.
  bool Converted() const { return converted_; }
  int Status() const { return status_; }
  char Quantity() const { return quantity_; }

  // "->": converts and shows the result (FloatToFullText) in Edit3.
  void Button1Click();
  // OK: converts; the dialog closes with OK only when the conversion succeeded.
  void OKBtnClick();
  // Cancel: status 0, converted flag false.
  void CancelBtnClick();

 private:
  char quantity_ = 0;
  double value_ = 0;
  bool converted_ = false;
  int status_ = 0;
};

extern TUnitCnvDlg* UnitCnvDlg;

}  // namespace quorel
