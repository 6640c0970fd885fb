// The database reader: a ".tdb" text read from a file and from memory gives the same table;
// every row keeps its 22 fields in 23 lists; lookups stay inside the table; and no property
// evaluated from a row, under any equation of state, is NaN or infinite.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "shared/QuorelDatabase.h"

using namespace quorel;
using fuzzsupport::Env;

namespace {

std::vector<std::vector<std::string>> Snapshot() {
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < DatasetTable.RowCount; ++r) {
    std::vector<std::string> row;
    for (int k = 0; k < DatasetListCount; ++k) row.push_back(DatasetTable.Text(r, k));
    for (int k = FieldTmin; k <= FieldOmega; ++k) row.push_back(std::to_string(DatasetTable.Value(r, k)));
    rows.push_back(std::move(row));
  }
  return rows;
}

bool Finite(const PropertyResult& p) {
  for (double v : {p.Z, p.Cp, p.H, p.S, p.G, p.Hr, p.Sr, p.Gr})
    if (!std::isfinite(v)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  const std::string_view text = fuzzsupport::AsText(data, size);
  const std::string file = Env().File("fuzz.tdb");
  fuzzsupport::WriteFile(file, text);

  const int fromFile = LoadDatabase(file);
  FUZZ_CHECK(fromFile == DatasetTable.RowCount);
  FUZZ_CHECK(DatasetTable.DatabaseLoadState == 1);
  const auto fileRows = Snapshot();
  const int fromText = LoadDatabaseText(text, file);
  FUZZ_CHECK(fromText == fromFile);
  FUZZ_CHECK(Snapshot() == fileRows);
  for (int k = 0; k < DatasetListCount; ++k)
    FUZZ_CHECK(int(DatasetTable.Lists[k].size()) == DatasetTable.RowCount);
  FUZZ_CHECK(DatasetTable.Capacity > DatasetTable.RowCount);

  // Lookups of the first rows' own keys find rows of the table.
  const int rows = std::min(DatasetTable.RowCount, 6);
  for (int r = 0; r < rows; ++r) {
    const std::string name = DatasetTable.Text(r, FieldName), phase = DatasetTable.Text(r, FieldPhase);
    BuildCandidateList(name, phase);
    const int found = FindDataset(name, phase, 298.15);
    FUZZ_CHECK(found == -1 || (found >= 1 && found < DatasetTable.RowCount));
    const int first = FindFirstDataset(name, "(*)");
    FUZZ_CHECK(first >= 0 && first <= r);
    (void)DatasetFormula(name, phase);
    (void)StripFormulaCounts(DatasetTable.Text(r, FieldComposition));
    static const std::vector<std::string> selected{"C", "H", "O", "N"};
    SetSelectedElements(&selected);
    (void)MadeOfSelectedElements(r, "*", "");
    SetSelectedElements(nullptr);
    // Properties: never NaN or infinity, whatever the row holds.
    for (int eos = 0; eos < EosTypeCount; ++eos) {
      for (double T : {1.0, 298.15, 1500.0}) {
        for (double P : {1e-3, 1.0, 250.0}) {
          PropertyResult result;
          EvaluateProperties(r, eos, result, P, T);
          FUZZ_CHECK(Finite(result));
        }
      }
    }
    PropertyResult ideal;
    EvaluateIdealProperties(r, ideal, 1.0, 298.15);
    FUZZ_CHECK(Finite(ideal));
  }
  ClearCandidateList();
  return 0;
}
