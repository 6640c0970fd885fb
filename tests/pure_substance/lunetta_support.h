// Lunetta's windows on the shipped database, found as the program finds it ("..\data\Quorel.tdb"
// beside the program folder), with the user's documents in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "platform/Headless.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "shared/AplMsg.h"
#include "shared/PTools.h"
#include "shared/QuorelDatabase.h"

namespace lunettatest {

class LunettaFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    using namespace quorel;
    folder = std::filesystem::temp_directory_path() / ("lunetta_test_" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    session.desktop.documents_folder = folder.string();
    savedProgramFolder = ProgramFolder();
    SetProgramFolder(QUOREL_SOURCE_DIR "/data");
    ClearDatabase();
    ClearSubstancePhases();
    ResetColumnOrder();
    windows = std::make_unique<LunettaWindows>();
    log = std::make_unique<ScopedLogRecorder>();  // takes over from the log window
  }
  void TearDown() override {
    using namespace quorel;
    SubstanceFileReader = nullptr;
    SubstanceFileWriter = nullptr;
    log.reset();
    windows.reset();
    EosType = DefaultEosType;
    ClearDatabase();
    SetProgramFolder(savedProgramFolder);
    std::filesystem::remove_all(folder);
  }

  platform::HeadlessSession session;
  std::filesystem::path folder;
  std::string savedProgramFolder;
  std::unique_ptr<quorel::LunettaWindows> windows;
  std::unique_ptr<quorel::ScopedLogRecorder> log;
};

}  // namespace lunettatest
