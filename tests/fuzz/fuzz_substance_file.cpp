// Lunetta's pure-substance file (".sub"), read by the substance window with all its windows: any
// file reads without a fault, and a file written, read and written again gives the same bytes.
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_programs.h"

using namespace quorel;
using fuzzsupport::Env;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  static const std::unique_ptr<LunettaWindows> windows = fuzzsupport::StartLunetta();
  TPSubstWnd& w = *windows->Substance;
  const std::string file = Env().File("substance.sub");
  fuzzsupport::WriteFile(file, fuzzsupport::AsText(data, size));
  if (!ReadSubstanceFile(w, file)) return 0;
  fuzzsupport::CheckWriteReadWrite(
      "substance.sub", [&w](const std::string& path) { return ReadSubstanceFile(w, path); },
      [&w](const std::string& path) { return WriteSubstanceFile(w, path); });
  return 0;
}
