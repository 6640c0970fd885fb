// Orvanto's system file (".eql"), read by the main window with all its windows: any file reads
// without a fault, the record definition and the relations it carries stay bounded, and a
// system written, read and written again gives the same bytes.
#include <cstdint>
#include <memory>
#include <string>

#include "equilibrium/EqlMain.h"
#include "equilibrium/RcrdDef.h"
#include "equilibrium/afc.h"
#include "fuzz_support.h"
#include "records_charts/TablOprt.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"

using namespace quorel;
using fuzzsupport::Env;

namespace {
struct Program {
  Program() {
    SetProgramFolder(QUOREL_SOURCE_DIR "/data");
    windows = std::make_unique<OrvantoWindows>();
    windows->Main->StartUp();
    SetLogSink(&Env().log);  // the log window would keep every message
  }
  std::unique_ptr<OrvantoWindows> windows;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  static Program program;
  TEqlMainWnd& m = *program.windows->Main;
  const std::string file = Env().File("system.eql"), second = Env().File("second.eql"),
                    third = Env().File("third.eql");
  fuzzsupport::WriteFile(file, fuzzsupport::AsText(data, size));
  if (m.EqlFileReader(file) != 1) return 0;

  const TRcrdDefDlg& rd = *program.windows->RecordDefinition;
  FUZZ_CHECK(rd.SGR->RowCount() <= RecordAddressEntries + 1);
  FUZZ_CHECK(rd.RecordVariableCount <= MaxRecordVariables);
  const platform::StringGrid& records = *program.windows->Records->SGT;
  FUZZ_CHECK(records.RowCount() <= MaxGridFileRows && records.ColCount() <= MaxGridFileCols);
  FUZZ_CHECK(program.windows->Activity->RelationCount() <= int(size));

  FUZZ_CHECK(m.EqlFileWriter(second) == 1);
  FUZZ_CHECK(m.EqlFileReader(second) == 1);
  FUZZ_CHECK(m.EqlFileWriter(third) == 1);
  const std::string a = fuzzsupport::ReadFile(second), b = fuzzsupport::ReadFile(third);
  if (a != b) {
    // Where the two writes part, with the bytes escaped.
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    const std::size_t from = at > 200 ? at - 200 : 0;
    auto show = [&](const std::string& s) {
      std::string out;
      for (std::size_t i = from; i < s.size() && i < at + 200; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '\n' || (c >= 32 && c < 127)) out += char(c);
        else out += "\\x" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
      }
      return out;
    };
    std::fprintf(stderr, "--- written, from byte %zu ---\n%s\n--- written again ---\n%s\n", from, show(a).c_str(),
                 show(b).c_str());
    FUZZ_CHECK(a == b);
  }
  return 0;
}
