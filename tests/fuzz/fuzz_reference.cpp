// The system settings file "Quorel.sys" (section [General]) and the database's reference file
// (sections [Reference], [Elements], [Constants]) as the database start-up reads them: the
// reference list starts with entry 0 and holds only "[mark]:" entries, user elements stay
// inside the element table, the gas constant stays within its bounds, and the reference text
// of a dataset is made of the list's entries.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/TDynOprt.h"

using namespace quorel;
using fuzzsupport::Env;

namespace {
struct Folder {
  Folder() {
    bin = Env().folder + "/bin";
    std::filesystem::create_directories(bin);
    SetProgramFolder(bin);
    // A small database beside the program; its reference file is the input.
    fuzzsupport::WriteFile(bin + "/Quorel.tdb",
                           "#\tName\tPhase\r\n"
                           "1\tCO2\t(g)\t200\t6000\t298.15\t-393510\t213.785\t5.4\t0.01\t0\t0\t0\t0\t304.2\t73.8\t0.225"
                           "\tC1O2\tcarbon dioxide\t[0][1][2][12][x]\t\t\t\n");
    stgs = std::make_unique<TAplStgsWnd>();
  }
  std::string bin;
  std::unique_ptr<TAplStgsWnd> stgs;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Folder folder;
  const std::string_view text = fuzzsupport::AsText(data, size);
  fuzzsupport::WriteFile(folder.bin + "/Quorel.sys", text);
  fuzzsupport::WriteFile(folder.bin + "/Quorel.ref", text);
  SetGasConstant(DefaultGasConstant);
  ProjectFolder.clear();
  SettingsStore().ResetSettingsCache();

  TTDynOprtWnd dyn;
  dyn.StartUpDatabase();
  // The database named by [General] may be another file; the reference file follows it.
  dyn.LoadDatabaseFile(folder.bin + "/Quorel.tdb");
  FUZZ_CHECK(!dyn.ReferenceList.empty() && dyn.ReferenceList[0] == ReferenceEntryZero);
  for (const std::string& entry : dyn.ReferenceList) {
    FUZZ_CHECK(entry.size() >= 3 && entry.front() == '[' && entry.find("]:") != std::string::npos);
  }
  const double R = GasConstant();
  FUZZ_CHECK(R == DefaultGasConstant || (R > 8.314 && R < 8.315));
  FUZZ_CHECK(Elements().Count() == LastElementIndex() + 1 && Elements().Count() <= MaxElementCount);
  for (int i = 0; i <= LastElementIndex(); ++i) FUZZ_CHECK(std::isfinite(AtomicWeight(i)));
  for (int n = 0; n < DatasetCount(); ++n) {
    const std::string& refs = dyn.ReferenceText(n);
    FUZZ_CHECK(refs.empty() || refs.ends_with("; "));
  }
  FUZZ_CHECK(std::isfinite(MolarMass("C1O2")));
  // An amount converted with the gas constant and elements the files gave.
  for (int n = 0; n < DatasetCount(); ++n) FUZZ_CHECK(std::isfinite(dyn.SubstanceAmountToMol("2 Nm3", n)));
  return 0;
}
