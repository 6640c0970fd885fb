// The windows of Orvanto and of Lunetta for the fuzz targets that read and write a program's
// documents: made and started as the programs start, on the shipped database, with the log of
// the fuzz environment instead of the log window (which would keep every message).
#pragma once

#include <memory>

#include "equilibrium/EqlMain.h"
#include "fuzz_support.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "shared/PTools.h"

namespace fuzzsupport {

inline std::unique_ptr<quorel::OrvantoWindows> StartOrvanto() {
  Env();
  quorel::SetProgramFolder(QUOREL_SOURCE_DIR "/data");
  auto windows = std::make_unique<quorel::OrvantoWindows>();
  windows->Main->StartUp();
  quorel::SetLogSink(&Env().log);
  return windows;
}

inline std::unique_ptr<quorel::LunettaWindows> StartLunetta() {
  Env();
  quorel::SetProgramFolder(QUOREL_SOURCE_DIR "/data");
  auto windows = std::make_unique<quorel::LunettaWindows>();
  quorel::StartSubstanceWindow(*windows->Substance);
  quorel::SetLogSink(&Env().log);
  return windows;
}

// A document written to a second file, read back and written to a third: the two writes must be
// the same bytes. read and write take a path and say whether they succeeded.
template <class Read, class Write>
void CheckWriteReadWrite(const std::string& name, Read read, Write write) {
  const std::string second = Env().File("second_" + name), third = Env().File("third_" + name);
  FUZZ_CHECK(write(second));
  FUZZ_CHECK(read(second));
  FUZZ_CHECK(write(third));
  CheckSameBytes(ReadFile(second), ReadFile(third));
}

}  // namespace fuzzsupport
