// The chart's settings section "Graphic" in the settings of both programs. The first byte of an
// input chooses the program (odd: Orvanto, even: Lunetta), the rest is the settings file. Orvanto
// reads the section with the chart's reader and writes it with the chart's writer into a new
// settings file, as its "Save Now" does; Lunetta reads the chart definition and the section and
// writes the definition, as its user settings file does. Any file reads without a fault, and a
// section written, read and written again gives the same bytes.
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_programs.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "shared/AplStgs.h"

using namespace quorel;
using fuzzsupport::Env;

namespace {

// One program's windows at a time: they share the global window references.
struct Programs {
  void Orvanto() {
    if (orvanto) return;
    lunetta.reset();
    orvanto = fuzzsupport::StartOrvanto();
  }
  void Lunetta() {
    if (lunetta) return;
    orvanto.reset();
    lunetta = fuzzsupport::StartLunetta();
  }
  std::unique_ptr<OrvantoWindows> orvanto;
  std::unique_ptr<LunettaWindows> lunetta;
};

// Never destroyed: the screen's list of forms, made after this object with the first window,
// is gone before this object's destructor would run at exit.
Programs& ThePrograms() {
  static Programs* programs = new Programs;
  return *programs;
}

bool Read(bool orvanto, const std::string& path) {
  SettingsReader& store = SettingsStore();
  if (store.OpenSettingsFile(path) != 1) return false;
  if (!orvanto) GrfVarDlg->ReadGraphicDefinition();
  GrfWnd->SettingsFileName = path;
  GrfWnd->LoadGraphicSettings();
  return true;
}

bool Write(bool orvanto, const std::string& path) {
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  store.SetCachedFileName(path);
  if (orvanto) {
    GrfWnd->SettingsFileName = path;
    GrfWnd->MnuSaveNowClick(nullptr);
  } else {
    GrfVarDlg->WriteGraphicDefinition(store.FileLines());
  }
  return store.SaveSettingsFile(path) == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  if (size == 0) return 0;
  const bool orvanto = (data[0] & 1) != 0;
  if (orvanto) ThePrograms().Orvanto();
  else ThePrograms().Lunetta();
  const std::string file = Env().File("chart.usr");
  fuzzsupport::WriteFile(file, fuzzsupport::AsText(data + 1, size - 1));
  if (!Read(orvanto, file)) return 0;
  fuzzsupport::CheckWriteReadWrite(
      "chart.usr", [orvanto](const std::string& path) { return Read(orvanto, path); },
      [orvanto](const std::string& path) { return Write(orvanto, path); });
  return 0;
}
