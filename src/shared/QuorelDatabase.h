// The thermochemical database in memory and the properties computed from it.
//
// A database file (".tdb") is TAB-separated 8-bit text, one dataset a line: one substance in
// one phase over one temperature range. LoadDatabase reads it whole into DatasetTable; the
// lookups find datasets by name and phase, by temperature and by composition, and those that
// pick one copy it into CurrentDataset with a RangeStatus. EvaluateProperties turns one row
// into Z, Cp, H, S, G and the residual parts Hr, Sr, Gr at P and T under one of seven
// equations of state (ideal gas, van der Waals, Redlich-Kwong, generalized Redlich-Kwong, and
// the generic cubic in its RK, SRK and PR forms).
//
// References for the methods:
// - Generic cubic (epsilon, sigma, Omega, Psi, alpha), its vapour and liquid iterations and the
//   residual properties: J. M. Smith, H. C. Van Ness, M. M. Abbott, Introduction to Chemical
//   Engineering Thermodynamics, 7th ed., McGraw-Hill 2005, sections 3.6 and 6.6.
// - Virial correlation (B0, B1): Pitzer and Curl (1957) in the form of Abbott (1975), same book,
//   sections 3.7 and 6.7.
// - SRK: G. Soave, Chem. Eng. Sci. 27 (1972) 1197, with the m(w) of Graboski and Daubert (1978).
// - PR: D.-Y. Peng, D. B. Robinson, Ind. Eng. Chem. Fundam. 15 (1976) 59.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "shared/Periodica.h"

namespace quorel {

// ---------------------------------------------------------------------------------------------
// Database table

constexpr int DatasetFieldCount = 22;   // fields 1..22 of a line
constexpr int DatasetListCount = 23;    // list 0 (row number text) and fields 1..22
constexpr int DatasetColumnCount = 17;  // numeric columns 0..16; 3..16 are filled
constexpr int InitialDatasetCapacity = 3900;
constexpr int DatasetCapacityStep = 32;

// Field numbers of a dataset line.
enum DatasetField : int {
  FieldRow = 0,  // list 0: decimal text of the row number
  FieldName = 1,
  FieldPhase = 2,   // "(g)", "(l)", "(s)"
  FieldTmin = 3,    // K
  FieldTmax = 4,    // K
  FieldT0 = 5,      // reference temperature of H0 and S0, K
  FieldH0 = 6,      // J/mol
  FieldS0 = 7,      // J/(mol K)
  FieldA = 8,       // heat-capacity (or H/G) coefficients a..f: fields 8..13
  FieldB = 9,
  FieldC = 10,
  FieldD = 11,
  FieldE = 12,
  FieldF = 13,
  FieldTc = 14,     // K, 0 = none
  FieldPc = 15,     // bar, 0 = none
  FieldOmega = 16,  // acentric factor; empty = missing
  FieldComposition = 17,  // "C1O2"
  FieldDescription = 18,
  FieldReferences = 19,   // "[n]" tags; "[<hgt>]" at the start marks the H/G form
  FieldComment = 21,
};

// Marker at the start of field 19 for rows in the H/G form.
constexpr std::string_view HgFormMarker = "[<hgt>]";

struct DatasetTableData {
  // Lists[0] holds the row number text, Lists[n] field n of every row, trimmed. All 23 lists
  // have RowCount entries after a load.
  std::array<std::vector<std::string>, DatasetListCount> Lists;
  // Columns[3..16] hold fields 3..16 as numbers; columns 0..2 stay 0. Capacity entries each.
  std::array<std::vector<double>, DatasetColumnCount> Columns;
  int RowCount = 0;  // header row 0 included
  int Capacity = 0;  // rows the numeric columns have room for
  int DatabaseLoadState = 0;  // 0 not loaded, -1 file missing, 1 loaded
  std::string DatabaseFileName;  // path given to the last load
  double R = DefaultGasConstant;  // the database's copy of the gas constant, J/(mol K)
  bool Allocated = false;

  // Field text of a row; "" outside the table.
  const std::string& Text(int row, int field) const;
  // Numeric column of a row (fields 3..16); 0 outside the table or for other fields.
  double Value(int row, int field) const;
  bool ValidRow(int row) const { return row >= 0 && row < RowCount; }
};

// The database in memory (one instance for the run).
extern DatasetTableData DatasetTable;

// Creates the lists (once), numeric columns of capacity 3900 and the candidate list; row count
// 0, load state 0, R := the shared gas constant of Periodica.
void AllocateDatasetTable();
// Frees the lists, columns and candidate list; capacities and row count 0.
void FreeDatasetTable();
// Empties everything (table, candidate list, CurrentDataset, selected elements) and allocates
// again: the state after start-up. Tests start from it.
void ClearDatabase();

// Sets the gas constant of Periodica and the database's copy.
void SetGasConstant(double r);
// The database's gas constant.
double GasConstant();

// Reads a ".tdb" file into DatasetTable, replacing the whole table. Returns the row count,
// -1 when the file does not exist, -2 when it cannot be opened. Posts 526 (level 2) for a line
// with more than 22 fields and 427 (level 0) for an irregular list.
int LoadDatabase(std::string_view path);
// The same reading applied to text already in memory (DatabaseFileName := name). Returns the
// row count.
int LoadDatabaseText(std::string_view text, std::string_view name = {});
// Appends one line (without its line feed) as the next row, exactly as the loader does;
// allocates the table when that has not been done. Returns the row number, -1 for an empty line.
int AppendDatasetLine(std::string_view line);

// Number in a dataset field: every ',' becomes '.', ".5" and "7." are completed with "0"; an
// empty or unreadable text gives 0.
double ParseDatasetNumber(std::string_view text);
// The first ',' becomes '.', then read as a decimal number; false and 0 when unreadable or
// empty.
bool TryParseDatasetValue(std::string_view text, double& value);

int DatasetCount();  // row count, header row included

// ---------------------------------------------------------------------------------------------
// Lookups

// Where an asked temperature lies relative to a dataset's range.
enum RangeStatusValue : int { RangeBelow = -1, RangeInside = 0, RangeAbove = 1 };

// One dataset copied out of the table; CurrentDataset is the one shared record every lookup
// that picks a dataset fills. Callers copy what they need before the next lookup.
struct DatasetRecord {
  std::string Name;         // field 1
  std::string Phase;        // field 2
  double Tmin = 0;          // K
  double Tmax = 0;          // K
  double T0 = 0;            // K
  double H0 = 0;            // J/mol
  double S0 = 0;            // J/(mol K)
  double a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;  // fields 8..13
  double Tc = 0;            // K
  double Pc = 0;            // bar
  double w = 0;             // acentric factor, 0 when field 16 is empty
  std::string Composition;  // field 17
  std::string Description;  // field 18
  std::string References;   // field 19
  int RangeStatus = RangeInside;  // -1 below Tmin, 0 inside [Tmin, Tmax], +1 above Tmax
};

extern DatasetRecord CurrentDataset;

// Candidates collected by BuildCandidateList: Items[0] is the count n, Items[1..n] row numbers.
struct CandidateListData {
  std::vector<int> Items{0};
  int Count() const { return Items.empty() ? 0 : Items[0]; }
  int Row(int i) const { return Items[i]; }  // 1 <= i <= Count()
};
extern CandidateListData CandidateList;
void ClearCandidateList();

// The element symbols MadeOfSelectedElements removes (the element picker's selection); the
// list is referred to, not copied. nullptr = no element selected.
extern const std::vector<std::string>* SelectedElements;
void SetSelectedElements(const std::vector<std::string>* symbols);

// Copies row into CurrentDataset when its name and phase match (exact): Tmin, Tmax and
// RangeStatus always; when probing and T lies outside the range, nothing more. Returns row, or
// -1 (CurrentDataset untouched) when row is outside the table or does not match.
int SelectDataset(int row, bool probe, std::string_view name, std::string_view phase, double T);
// Among the present candidates: the first whose range holds T, else the one with the nearest
// range end (ties keep the earlier). Fills CurrentDataset. Row 0 (the header) is never found.
// -1 when nothing is found or no database is loaded.
int FindDataset(std::string_view name, std::string_view phase, double T);
// Appends the rows of name and phase to CandidateList ("(u)" and "(*)" match every phase); the
// list is not cleared first. Returns the number appended.
int BuildCandidateList(std::string_view name, std::string_view phase);
// First row of name and phase ("(*)" matches every phase); -1 when none.
int FindFirstDataset(std::string_view name, std::string_view phase);
// Composition (field 17) of the first row of name and phase (exact phase); "" when none.
std::string DatasetFormula(std::string_view name, std::string_view phase);
// Element symbols of a composition with the counts blanked: "H2O1" -> "H O ", "Fe2O3" -> "Fe O ".
std::string StripFormulaCounts(std::string_view text);
// True when the row's composition is made only of the selected elements (and holds the needed
// text when that is not blank). phaseLetter "g", "l", "s" filters by phase, "*" takes all.
bool MadeOfSelectedElements(int row, std::string_view phaseLetter, std::string_view needed);

// ---------------------------------------------------------------------------------------------
// Properties and equations of state

enum EosKind : int {
  EosIdealGas = 0,
  EosVanDerWaals = 1,
  EosRedlichKwong = 2,
  EosGeneralizedRedlichKwong = 3,
  EosRedlichKwongVle = 4,
  EosSoaveRedlichKwong = 5,
  EosPengRobinson = 6,
};
constexpr int EosTypeCount = 7;
constexpr int DefaultEosType = EosGeneralizedRedlichKwong;

// The equation of state chosen for the run ("Behaviour of Fluids"), 0..6.
extern int EosType;
// Caption of an equation of state ("Peng-Robinson, Vap. Liq. Eql., 1976"); "" outside 0..6.
std::string_view EosCaption(int eosType);

// Status of a PropertyResult.
enum PropertyStatus : int {
  StatusIdeal = 0,        // evaluated without real-fluid part
  StatusRealGas = 1,      // gas with real-fluid part
  StatusRealLiquid = 2,   // liquid with real-fluid part
  StatusBadInput = -1,    // bad row or argument, or a number of the row not usable
  StatusNoPhase = -2,     // liquid or solid above its critical temperature, or a liquid for
                          // which the cubic equation has no liquid root at (P, T)
};

struct PropertyResult {
  double Z = 1;   // compressibility factor (1 without real-fluid model)
  double Cp = 0;  // J/(mol K)
  double H = 0;   // J/mol, residual included
  double S = 0;   // J/(mol K), pressure term and residual included
  double G = 0;   // J/mol, residual included
  double Hr = 0;  // residual enthalpy, J/mol
  double Sr = 0;  // residual entropy, J/(mol K)
  double Gr = 0;  // residual Gibbs energy, J/mol
  int status = StatusBadInput;
  // A gas below its critical temperature for which the equation has only a root denser than its
  // critical point (or, under types 1-3, no converged Z): the values are those of that root, but
  // no vapour exists there under this equation.
  bool NoVapourRoot = false;
};

// Evaluates dataset row at P [bar] and T [K]. True when properties were computed (status 0, 1
// or 2); otherwise Cp, H, S, G are 0 and status is -1 or -2. Never leaves NaN or infinity in
// the result. Allocates nothing.
bool EvaluateProperties(int row, int eosType, PropertyResult& result, double P, double T);

// The ideal part only (polynomial and, for gases in the Cp form, the pressure term): Cp, H, S,
// G of row at P and T, Z = 1, no residual; status 0, or -1 for a bad row or argument.
bool EvaluateIdealProperties(int row, PropertyResult& result, double P, double T);

// What the last EvaluateProperties left behind.
std::string_view LastEvaluatedPhase();  // phase text of the dataset ("" after a bad row)
double LastLiquidMolarVolume();         // m3/mol of the last liquid cubic evaluation; 0 when its
                                        // root was not found
double LastAcentricFactor(bool* present = nullptr);  // w read from field 16

// A gas row that eosType, a real-fluid equation, can only compute as an ideal gas: its dataset
// has no critical temperature or pressure. False for the ideal gas, other phases and bad rows.
bool ComputedAsIdealGas(int row, int eosType);
// The note of a run in which such gases take part: level 4, ID IdealGasFallbackId, naming the
// equation and the gases' keys ("OH (g)") in the given order. Nothing when keys is empty.
constexpr int IdealGasFallbackId = 1244;
void PostIdealGasFallback(int eosType, const std::vector<std::string>& keys);
// The note that a gas was computed where its equation has no vapour root (PropertyResult::
// NoVapourRoot): level 4, ID NoVapourRootId, naming the gas's key ("H2O (g)"), T, P and the
// equation.
constexpr int NoVapourRootId = 1245;
void PostNoVapourRoot(int eosType, const std::string& key, double P, double T);

// Residual (real-fluid) parts and roots computed by the routines below.
struct ResidualValues {
  double Hr = 0;            // J/mol
  double Sr = 0;            // J/(mol K)
  double Gr = 0;            // J/mol
  double Z = 1;             // Z the residuals were computed with
  double VapourZ = 0;       // cubic: vapour root (best iterate when not converged)
  double LiquidZ = 0;       // cubic: liquid root (best iterate when not converged)
  double LiquidVolume = 0;  // cubic: liquid molar volume, m3/mol; 0 when the root failed
  bool Converged = false;   // a root was found (types 1-3: the Z iteration converged)
  bool NoVapourRoot = false;  // gas below Tc whose only root is denser than the equation's
                              // critical point, or types 1-3 without a converged Z
};

enum class CubicPhase { Gas, Liquid };

// Z of types 1..3 (van der Waals, Redlich-Kwong, generalized Redlich-Kwong) by fixed-point
// iteration. True when converged; Z is then the root, else the best iterate (1 when the
// arguments are not usable or the type is another).
bool CompressibilityFactor(int eosType, double Pc, double P, double Tc, double T, double& Z);

// Residuals of types 1..3 by the virial correlation with the effective acentric factor that
// reproduces the Z of the chosen equation. w is the dataset's acentric factor (0 when
// missing); it takes over where the effective factor loses its meaning (B1 -> 0 near
// Tr = 1.052). Type <= 0: true, zero residuals. False when Pc, P, Tc or T is not positive.
bool VirialResiduals(int eosType, double Pc, double P, double Tc, double T, double w,
                     ResidualValues& out);

// Residuals of types 4..6 from the generic cubic (departures from the ideal gas), for the vapour
// or the liquid root. The roots are the cubic's exact real roots with Z > B: the vapour root is
// the largest, the liquid root the smallest. Where only one such root is left, it is the
// liquid's when T < Tc and it is denser than the equation's critical point (V < Vc), else the
// vapour's; a gas on a liquid's lone root is computed on it with out.NoVapourRoot set. False
// when Pc, P, Tc or T is not positive, and for the liquid when it has no root (out.Hr, Sr, Gr
// are then 0 and out.LiquidVolume 0). Type < 1: true, zero residuals.
bool CubicResiduals(int eosType, double Pc, double P, double Tc, double T, double w,
                    CubicPhase phase, ResidualValues& out);

// What types 4..6 add to a liquid's dataset, which already is the real liquid at 1 bar: the
// work of compressing it from 1 bar to P at its liquid molar volume V_l(T, P) of the cubic,
// Hr = Gr = V_l (P - 1 bar), Sr = 0. Z, LiquidZ and LiquidVolume as CubicResiduals gives them.
// False (no residuals) where the cubic has no liquid root.
bool LiquidResiduals(int eosType, double Pc, double P, double Tc, double T, double w, ResidualValues& out);

// Z of a gas: types 4..6 the vapour root of the cubic when positive, types 1..3 the Z of
// CompressibilityFactor when it converges, 1 otherwise. The five-argument form uses the
// acentric factor read by the last EvaluateProperties.
double EvaluateZ(int eosType, double Pc, double P, double Tc, double T, double w);
double EvaluateZ(int eosType, double Pc, double P, double Tc, double T);

}  // namespace quorel
