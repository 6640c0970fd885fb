// The activity-coefficient relations of a system file: the count is bounded by the section's
// lines; a saved list reads back to the same types, parameters (bit for bit) and comments;
// a coefficient is always a finite number.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "equilibrium/afc.h"
#include "fuzz_support.h"
#include "platform/ListView.h"
#include "shared/AplStgs.h"

using namespace quorel;
using fuzzsupport::Env;

namespace {
struct Kept {
  int type;
  double A, B;
  std::string comment;
  bool operator==(const Kept&) const = default;
};

std::vector<Kept> List(const TAfcWnd& w) {
  std::vector<Kept> out;
  for (int n = 1; n <= w.RelationCount(); ++n) {
    const ActivityRelation r = w.Relation(n);
    out.push_back({r.type, r.A, r.B, w.ListView1->Items(n - 1)->SubItem(3)});
  }
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  static std::unique_ptr<TAfcWnd> afc = std::make_unique<TAfcWnd>();
  const std::string file = Env().File("relations.eql");
  fuzzsupport::WriteFile(file, fuzzsupport::AsText(data, size));
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  FUZZ_CHECK(store.OpenSettingsFile(file) == 1);
  const int lines = store.SelectSection("ActivityCoefficients");
  afc->LoadActivityCoefficients();
  FUZZ_CHECK(afc->RelationCount() <= std::max(lines - 1, 0));
  FUZZ_CHECK(afc->Capacity() > afc->RelationCount());
  const std::vector<Kept> loaded = List(*afc);

  for (int n = 0; n <= std::min(afc->RelationCount() + 1, 8); ++n) {
    for (const char* x : {"", "0", "0.5", "1", "-3", "1e300", "x"}) {
      for (double T : {0.0, 298.15, -5.0, 1e-300}) {
        const double g = afc->ActivityCoefficientOfRelation("[" + std::to_string(n) + "]", x, T);
        FUZZ_CHECK(std::isfinite(g));
      }
    }
  }

  // Save into a new document and read it back.
  if (afc->RelationCount() > 0) {
    const std::string saved = Env().File("saved.eql");
    store.ResetSettingsCache();
    store.SetCachedFileName(saved);
    afc->SaveActivityCoefficients();
    store.NoBackupFlag = true;
    FUZZ_CHECK(store.SaveSettingsFile(saved) == 1);
    store.NoBackupFlag = false;
    store.ResetSettingsCache();
    FUZZ_CHECK(store.OpenSettingsFile(saved) == 1);
    afc->LoadActivityCoefficients();
    FUZZ_CHECK(List(*afc) == loaded);
  }
  return 0;
}
