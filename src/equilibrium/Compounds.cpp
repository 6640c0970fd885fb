#include "equilibrium/Compounds.h"

namespace quorel {

PhaseDimensionData PhaseDimensionTable;

namespace {
const std::array<std::string, AmountDimensionCount> kDimensionNames = {
    "[mol]", "[g]", "[kg]", "[lb]", "[l]", "[m\xB3]", "[ft\xB3]", "[Nm\xB3]"};
const std::string kNone;
}  // namespace

const std::string& DimensionName(int code) {
  if (code < 0 || code >= AmountDimensionCount) return kNone;
  return kDimensionNames[code];
}

int DimensionNameCount() { return AmountDimensionCount; }

std::string ConcentrationHeader(int kind) {
  if (kind == ConcMassFraction) return "w";
  if (kind == ConcMassPercent) return "w%";
  return "x";
}

}  // namespace quorel
