// Orvanto's windows on the headless platform: the program's windows with the shipped database,
// a temporary documents folder for the user settings file, a log recorder, and helpers to fill
// a phase grid and press "Calculation".
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "equilibrium/EqKernel.h"
#include "equilibrium/EqlMain.h"
#include "equilibrium/Phase.h"
#include "platform/Headless.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"

namespace orvtest {

namespace fs = std::filesystem;

class OrvantoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    home = fs::temp_directory_path() / ("orvanto_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter));
    fs::remove_all(home);
    fs::create_directories(home);
    session.desktop.documents_folder = home.string();
    session.application.program_path = home.string() + "/orvanto";
    savedFolder = quorel::ProgramFolder();
    quorel::SetProgramFolder(QUOREL_SOURCE_DIR "/data");
    Start();
  }
  void TearDown() override {
    log.reset();
    windows.reset();
    // The program's end releases the element table and the database: the next test starts
    // from the state before start-up.
    quorel::InitElementTable();
    quorel::ClearDatabase();
    quorel::SetProgramFolder(savedFolder);
    fs::remove_all(home);
  }
  // Makes the windows and runs the start-up (again, after Stop).
  void Start() {
    windows = std::make_unique<quorel::OrvantoWindows>();
    m = windows->Main.get();
    log = std::make_unique<quorel::ScopedLogRecorder>();
    m->StartUp();
    windows->Kernel->PumpIntervalMicroseconds = 0;
  }
  void Stop() {
    log.reset();
    windows.reset();
    m = nullptr;
  }
  quorel::TPhaseWnd& Phase(int slot) { return *quorel::PhaseSlotTable[slot].Window; }
  platform::StringGrid& Grid(int slot) { return *quorel::PhaseSlotTable[slot].Grid; }
  // Rows of cells from column 0 on; the grid gets exactly these rows.
  void Fill(int slot, const std::vector<std::vector<std::string>>& rows) {
    platform::StringGrid& g = Grid(slot);
    g.SetRowCount(int(rows.size()) + 1);
    for (int r = 1; r < g.RowCount(); ++r)
      for (int c = 0; c < g.ColCount(); ++c) g.SetCells(c, r, c < int(rows[r - 1].size()) ? rows[r - 1][c] : "");
  }
  // Temperature in K, pressure (or volume) text, then "Calculation".
  void Calculate(const std::string& tKelvin, const std::string& pv = "1") {
    m->MnuTempK->Click();
    m->EditTsys->SetText(tKelvin);
    m->EditPVsys->SetText(pv);
    log->sink.Clear();
    m->BtnCalc->Click();
  }
  bool Logged(int id) const { return log->sink.Has(id); }
  std::string Text(int id) const {
    for (const auto& e : log->sink.messages)
      if (e.id == id) return e.text;
    return {};
  }
  double Cell(int slot, int col, int row) { return quorel::TextToDouble(Grid(slot).Cells(col, row)); }

  platform::HeadlessSession session;
  fs::path home;
  std::string savedFolder;
  std::unique_ptr<quorel::OrvantoWindows> windows;
  std::unique_ptr<quorel::ScopedLogRecorder> log;
  quorel::TEqlMainWnd* m = nullptr;
};

}  // namespace orvtest
