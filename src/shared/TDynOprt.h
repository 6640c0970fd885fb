// Database start-up, the reference file and the "Behaviour of System" window.
//
// TTDynOprtWnd owns the choice of the thermochemical database file and of the equation of
// state. StartUpDatabase runs once at program start: it reads section [General] of
// "Quorel.sys" (database, project folder, help document), builds the periodic table with
// deuterium, loads the database and reads its reference file. The reference file (the
// database's name with ".ref") is a settings document with three sections:
//   [Reference]  "12: Title of the source;"  -> entry "[12]: Title of the source"
//   [Elements]   "D=Deuterium; n:1; m:2.01410175"  (user elements, see Periodica)
//   [Constants]  "R=8.31446"  (the gas constant, accepted between 8.314 and 8.315 J/(mol K))
// Datasets name their references by marks such as "[3]" in their reference field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Controls.h"
#include "platform/Form.h"
#include "shared/QuorelDatabase.h"

namespace quorel {

// Project folder ([General] "PrjDir", absolute); the initial folder of the shared file dialogs.
extern std::string ProjectFolder;

// Entry 0 of every reference list.
inline constexpr std::string_view ReferenceEntryZero = "[0]: correlation or interpolation or extrapolation";

// One line of section [Reference] as a list entry; false for a line without ":".
bool ReferenceEntryFromLine(std::string_view line, std::string& entry);
// The reference file of a database: its path with the extension replaced by ".ref".
std::string ReferenceFilePathFor(std::string_view databasePath);
// A help index that is a web address ("http://" or "https://", any case) rather than a file.
bool IsWebAddress(std::string_view text);

class TTDynOprtWnd : public platform::Form {
 public:
  explicit TTDynOprtWnd(platform::Component* owner = nullptr);
  ~TTDynOprtWnd() override;

  // --- components ---
  platform::Panel* Panel1 = nullptr;
  platform::RadioGroup* RGgrl = nullptr;
  platform::GroupBox* GroupBox2 = nullptr;
  platform::Edit* EditDB = nullptr;
  platform::Button* ButtonDB = nullptr;
  platform::Button* ButtonClose = nullptr;
  platform::CheckBox* CBExtrapolation = nullptr;

  // --- state ---
  std::string CurrentDatabasePath;
  std::int64_t DatabaseFileAge = 0;
  std::string ReferenceFilePath;
  std::vector<std::string> ReferenceList;
  bool ReferenceListBuilt = false;
  std::string ReferenceTextValue;  // the last result of ReferenceText
  bool LoadDatabaseAtStart = true;
  bool DatabaseStarted = false;

  // --- routines ---
  void StartUpDatabase();
  // Loads the database and re-reads its reference file. The file's stamp when the database
  // loaded with at least one dataset; 0 when the file is missing or the load failed.
  std::int64_t LoadDatabaseFile(const std::string& path);
  // Open dialog, then LoadDatabaseFile: its result; 0 when cancelled, -1 for a missing file.
  std::int64_t ChooseDatabaseFile();
  // Loads the database again when its file changed since it was loaded.
  void RefreshDatabase();
  void ReadReferenceFile();
  // The entries named by the marks in the reference field of dataset n, each followed by "; ".
  const std::string& ReferenceText(int n);

  // Moles of a gas amount given as a standard volume ("2 Nm3"), with the real-gas Z of dataset
  // n at 1.01325 bar and 273.15 K; 0 when the amount cannot be converted.
  double SubstanceAmountToMol(std::string_view amount, int n);
  // Number of datasets of exactly that name and phase; their lowest Tmin and highest Tmax
  // (both -1 when there is none).
  // Reads only the loaded table, so it also serves while the window does not exist.
  static int DatasetTemperatureRange(std::string_view name, std::string_view phase, double& tmin, double& tmax);
  // FindDataset; when it finds nothing the name's datasets of every phase are added to the
  // candidates and it is asked again.
  int FindDatasetAnyPhase(std::string_view name, std::string_view phase, double T);
  // Text of field k of the first dataset of the key "Name(phase)": "Error" for a key that
  // cannot be split (reported, ID 519), " not exist" when no dataset matches.
  std::string DatasetField(std::string_view key, int k);

  // --- events ---
  void RGgrlClick(platform::Component* sender);
  void ButtonDBClick(platform::Component* sender);
  void ButtonCloseClick(platform::Component* sender);
  void FormResize(platform::Component* sender);
};

extern TTDynOprtWnd* TDynOprtWnd;

}  // namespace quorel
