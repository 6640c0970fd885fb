// The record definition of a system file, in both forms ("[RecordDefinition]" rows and the
// older "[RecordVariables]" keys), and the address decoder: the field grid stays within the
// address table, every decoded pair is a two-digit hexadecimal value, and a decoded address
// written back with HexPair decodes to the same four values.
#include <cstdint>
#include <memory>
#include <string>

#include "equilibrium/RcrdDef.h"
#include "fuzz_support.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"

using namespace quorel;
using fuzzsupport::Env;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  static std::unique_ptr<TRcrdDefDlg> dlg = std::make_unique<TRcrdDefDlg>();
  const std::string_view text = fuzzsupport::AsText(data, size);

  // The decoder alone, on the whole input and on its first line.
  int kind = 0, first = 0, second = 0, third = 0;
  if (DecodeRecordAddress(text.substr(0, text.find('\n')), kind, first, second, third)) {
    for (int v : {kind, first, second, third}) FUZZ_CHECK(v >= 0 && v <= 255);
    const std::string again = "0x " + HexPair(kind) + " " + HexPair(first) + " " + HexPair(second) + " " + HexPair(third);
    int k2, f2, s2, t2;
    FUZZ_CHECK(DecodeRecordAddress(again, k2, f2, s2, t2));
    FUZZ_CHECK(k2 == kind && f2 == first && s2 == second && t2 == third);
  }

  const std::string file = Env().File("system.eql");
  fuzzsupport::WriteFile(file, text);
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  FUZZ_CHECK(store.OpenSettingsFile(file) == 1);
  store.SelectSection("");
  dlg->LoadRecordDefinition();
  const platform::StringGrid& sgr = *dlg->SGR;
  FUZZ_CHECK(sgr.ColCount() == 3);
  FUZZ_CHECK(sgr.RowCount() >= 2 && sgr.RowCount() <= RecordAddressEntries + 1);
  FUZZ_CHECK(dlg->RecordVariableCount >= 0 && dlg->RecordVariableCount <= MaxRecordVariables);
  int decoded = 0;
  for (int e = 0; e < RecordAddressEntries; ++e) {
    if (!dlg->Addresses.Decoded[e]) continue;
    ++decoded;
    for (int v : {dlg->Addresses.Kind[e], dlg->Addresses.First[e], dlg->Addresses.Second[e], dlg->Addresses.Third[e]})
      FUZZ_CHECK(v >= 0 && v <= 255);
  }
  FUZZ_CHECK(decoded == dlg->RecordVariableCount);
  FUZZ_CHECK(dlg->RecordFieldCount() >= 0 && dlg->RecordFieldCount() < sgr.RowCount());
  for (int r = 1; r < sgr.RowCount() && r < 4; ++r) {
    (void)dlg->FindRecordAddress(sgr.Cells(RecFieldAddress, r));
    (void)dlg->AddressDescription(r);
  }
  return 0;
}
