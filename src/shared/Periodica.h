// The element table of the system and everything that reads compositions: element symbols,
// names, atomic weights and numbers; elements added or replaced by the reference file; the
// count of one element in a composition text such as "C1O2"; molar masses; the conversion of
// an amount with its unit ("2 kg", "1.5 Nm3") into mol; and the split of a substance key such
// as "CO2(g)" into name and phase.
//
// Element indices are the common currency of the database compositions, the element picker,
// the solver's components and the element balance: index 0 is the electron "E", index n >= 1
// the element of atomic number n (1..105 built in), user elements follow from 106.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorel {

// Capacity of the element table: indices 0..255.
constexpr int MaxElementCount = 256;
// Gas constant the system starts with, J/(mol K).
constexpr double DefaultGasConstant = 8.3143;

// The element table. One instance for the run (`Elements()`); the four lists always have the
// same length, which is LastElementIndex + 1. AtomicWeights and AtomicNumbers are fixed arrays
// of 256 so that an index read beyond the defined entries stays inside storage.
struct ElementTable {
  std::vector<std::string> ElementSymbols;
  std::vector<std::string> ElementNames;
  double AtomicWeights[MaxElementCount] = {};  // g/mol
  int AtomicNumbers[MaxElementCount] = {};
  int LastElementIndex = -1;  // highest valid index; 105 after start-up
  int Count() const { return static_cast<int>(ElementSymbols.size()); }
};

// The one element table (built on first use when start-up has not run).
const ElementTable& Elements();

// Table start-up: creates the lists and fills the 106 built-in entries (index 0..105). Calling
// it again rebuilds the built-in table and forgets every user element (tests reset with it).
void InitElementTable();
inline void ResetElementTable() { InitElementTable(); }
// Table release: empties the lists (LastElementIndex -1).
void ReleaseElementTable();

int LastElementIndex();
// index -> symbol, "" when the index is outside the list.
std::string ElementSymbol(int index);
// index -> name, "" when the index is outside the list.
std::string ElementName(int index);
// index -> weight, 0 when index < 0 or index > LastElementIndex.
double AtomicWeight(int index);
// index -> AtomicNumbers entry, 0 when the index is outside 0..255.
int AtomicNumber(int index);
// symbol -> index (exact compare), -1 when not in the table.
int ElementIndex(std::string_view symbol);

// Name of the reference file, used in the message that announces a new element.
void SetElementReferenceFileName(std::string_view name);

// Adds or replaces an element (see the reference file's [Elements] section). Returns the index
// of the new, replaced or already existing element, or -1; leaves a message text for the
// caller to post (ElementMessage()), empty when there is nothing to say.
int DefineElement(std::string_view symbol, std::string_view name, int number,
                  std::string_view replacedSymbol, double weight);
// Checks and applies one line of the [Elements] section, e.g. "D=Deuterium; n:1; m:2.014; x:H".
// Returns 0 for a comment line, the element index (>= 0) on success, -1 when DefineElement
// refuses, -10..-16 for a malformed line; leaves the message text.
int ValidateElementLine(std::string_view line);
// The message text left by the last DefineElement / ValidateElementLine.
const std::string& ElementMessage();

// Count of one element in a composition: every occurrence of the symbol followed by a digit or
// one of + , - . adds the number written after it (an element written twice adds up; "C" is
// not found in "Cl2" or "CO2"). 0 when the symbol does not occur with a count. An unreadable
// count counts 0 and leaves the error text "Irregular mol definition: " + composition.
double FormulaElementCount(std::string_view symbol, std::string_view composition);
// The error text left by FormulaElementCount; cleared by ClearFormulaError().
const std::string& FormulaErrorText();
void ClearFormulaError();

// Molar mass in g/mol: the sum over every element of count times atomic weight.
double MolarMass(std::string_view composition);

// Converts an amount text ("2", "2 mol", "500 g", "2 [kg]", "1.5 Nm3", "3 l", "1 ft3") into
// mol. Mass units need a positive molar mass of the composition; volume units are converted as
// ideal gas at P [bar] and T [K] (normal cubic metres at P and 273.15 K) and need P > 0 and
// T > 0. Returns false (and mol = 0) when the number or the unit cannot be read or a needed
// quantity is missing; mol is never infinite or NaN.
bool AmountToMol(std::string_view amountText, std::string_view composition, double pressureBar,
                 double temperatureK, double& mol);

// Splits a substance key: name := trimmed key, phase := "(u)"; a key longer than 2 characters
// ending in "(g)", "(l)" or "(s)" gives that phase and the rest, trimmed, as name. True when
// the name is not empty.
bool SplitNamePhase(std::string_view key, std::string& name, std::string& phase);

// The unit's copy of the gas constant, J/(mol K) (initially DefaultGasConstant); used by
// AmountToMol. SetGasConstant of the database sets it together with the database's copy.
double PeriodicaGasConstant();
void SetPeriodicaGasConstant(double r);

}  // namespace quorel
