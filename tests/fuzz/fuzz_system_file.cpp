// Orvanto's system file (".eql"), read by the main window with all its windows: any file reads
// without a fault, the record definition and the relations it carries stay bounded, and a
// system written, read and written again gives the same bytes.
#include <cstdint>
#include <memory>
#include <string>

#include "equilibrium/EqlMain.h"
#include "equilibrium/RcrdDef.h"
#include "equilibrium/afc.h"
#include "fuzz_programs.h"
#include "records_charts/TablOprt.h"
#include "shared/GridTools.h"

using namespace quorel;
using fuzzsupport::Env;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  static const std::unique_ptr<OrvantoWindows> windows = fuzzsupport::StartOrvanto();
  TEqlMainWnd& m = *windows->Main;
  const std::string file = Env().File("system.eql");
  fuzzsupport::WriteFile(file, fuzzsupport::AsText(data, size));
  if (m.EqlFileReader(file) != 1) return 0;

  const TRcrdDefDlg& rd = *windows->RecordDefinition;
  FUZZ_CHECK(rd.SGR->RowCount() <= RecordAddressEntries + 1);
  FUZZ_CHECK(rd.RecordVariableCount <= MaxRecordVariables);
  const platform::StringGrid& records = *windows->Records->SGT;
  FUZZ_CHECK(records.RowCount() <= MaxGridFileRows && records.ColCount() <= MaxGridFileCols);
  FUZZ_CHECK(windows->Activity->RelationCount() <= int(size));

  fuzzsupport::CheckWriteReadWrite(
      "system.eql", [&m](const std::string& path) { return m.EqlFileReader(path) == 1; },
      [&m](const std::string& path) { return m.EqlFileWriter(path) == 1; });
  return 0;
}
