// Number and formula texts: the text readers take any bytes; every finite double written by
// FloatToFullText reads back to itself; a composition gives finite counts and molar masses,
// and an amount converts to a finite number of moles or is refused.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"

using namespace quorel;
using fuzzsupport::Env;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  const std::string_view text = fuzzsupport::AsText(data, size);

  // The readers.
  const double d = TextToDouble(text);
  FUZZ_CHECK(std::isfinite(d));
  FUZZ_CHECK(std::isfinite(static_cast<double>(TextToExtended(text))));
  long double ext = 0;
  if (TryTextToFloat(text, ext)) FUZZ_CHECK(std::isfinite(ext));
  double strict = 0;
  if (TryTextToDouble(text, strict)) FUZZ_CHECK(std::isfinite(strict));
  else FUZZ_CHECK(strict == 0);
  int i = 0;
  (void)TryTextToInt(text, i);
  (void)TextToInt(text);
  (void)HexToInt(text);
  (void)TagValueText("A:", text);
  (void)TagValueInt("Idx:", text);
  FUZZ_CHECK(std::isfinite(TagValueFloat("B:", text)));
  FUZZ_CHECK(std::isfinite(ParseDatasetNumber(text)));
  double dataset = 0;
  if (TryParseDatasetValue(text, dataset)) FUZZ_CHECK(std::isfinite(dataset));

  // Writing and reading back: the value read, and the value of the first eight bytes.
  for (int k = 0; k < 2; ++k) {
    double v = d;
    if (k == 1) {
      if (size < sizeof v) break;
      std::memcpy(&v, data, sizeof v);
      if (!std::isfinite(v)) break;
    }
    const std::string full = FloatToFullText(v);
    FUZZ_CHECK(TextToDouble(full) == v);
    FUZZ_CHECK(full.find(',') == std::string::npos);
    const std::string shortText = FloatToShortText(v);
    FUZZ_CHECK(std::isfinite(TextToDouble(shortText)) || shortText == "0");
  }

  // Formula texts.
  const std::string_view composition = text.substr(0, text.find('|'));
  const std::string_view amount = text.find('|') == std::string_view::npos ? text : text.substr(text.find('|') + 1);
  ClearFormulaError();
  for (const char* symbol : {"C", "O", "H", "Cl", "E", "D"}) FUZZ_CHECK(std::isfinite(FormulaElementCount(symbol, composition)));
  FUZZ_CHECK(std::isfinite(MolarMass(composition)));
  (void)StripFormulaCounts(composition);
  for (double P : {1.01325, 0.0, -1.0}) {
    for (double T : {273.15, 0.0, 1e-300}) {
      double mol = -1;
      const bool ok = AmountToMol(amount, composition, P, T, mol);
      FUZZ_CHECK(std::isfinite(mol));
      if (!ok) FUZZ_CHECK(mol == 0);
    }
  }
  std::string name, phase;
  (void)SplitNamePhase(text, name, phase);
  return 0;
}
