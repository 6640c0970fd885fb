// Compound selection of a phase. This unit owns the amount and concentration dimensions of the
// eight phase slots (PhaseDimensionTable) and the names of the amount dimensions, which the
// phase windows and the calculation run use to build their column headers and to convert
// amounts. The selection dialog itself joins this unit later.
#pragma once

#include <array>
#include <string>

namespace quorel {

// Amount dimensions of the "in" and "out" columns of a phase grid. 4..7 exist for gas slots only.
enum AmountDimension : int {
  DimMol = 0, DimGram = 1, DimKilogram = 2, DimPound = 3,
  DimLitre = 4, DimCubicMetre = 5, DimCubicFoot = 6, DimNormalCubicMetre = 7,
};
constexpr int AmountDimensionCount = 8;

// What the x column holds: mole fraction, mass fraction or mass percent.
enum ConcentrationKind : int { ConcMoleFraction = 0, ConcMassFraction = 1, ConcMassPercent = 2 };
constexpr int ConcentrationKindCount = 3;

// Units of every phase slot, index 1..8 (index 0 unused); all 0 at start.
struct PhaseDimensionData {
  std::array<int, 9> InDimension{};
  std::array<int, 9> OutDimension{};
  std::array<int, 9> Concentration{};
  void Reset() { InDimension.fill(0); OutDimension.fill(0); Concentration.fill(0); }
};
extern PhaseDimensionData PhaseDimensionTable;

// "[mol]", "[g]", "[kg]", "[lb]", "[l]", "[m³]", "[ft³]", "[Nm³]" for codes 0..7 (single-byte
// text); "" outside.
const std::string& DimensionName(int code);
// The number of names in the dimension name list (8).
int DimensionNameCount();
// The x column header of a concentration kind: "x", "w", "w%" ("x" outside).
std::string ConcentrationHeader(int kind);

}  // namespace quorel
