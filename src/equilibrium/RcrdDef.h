// The record variables of Orvanto and their dialog "Record Variables".
//
// A record variable is one quantity written into the record table after every successful
// calculation: a state quantity of the whole system, a total of one phase, one cell or ratio of
// one substance row of a phase grid, or an amount of one element. Variable i is column i of the
// record table (column 0 holds the record number).
//
// The definition is the field grid SGR (columns "ID", "Variable", "Adr."); each address is the
// 14-character text "0x KK AA BB CC" of four two-digit hexadecimal pairs:
//   0x 00 00 00 SS   state item SS (StateItem)
//   0x 01 PP CC 00   value CC of the whole phase in slot PP (PhaseValue)
//   0x 01 PP CC RR   column code CC of grid row RR of slot PP
//   0x 02 PP EE VV   value VV 0..7 of element EE (periodic-table index) in slot PP
//   0x 02 00 EE VV   value VV 8..10 of element EE in the whole system (ElementValue)
// A value of 256 or more is written with more digits, so that its address never decodes.
//
// The dialog edits the field grid only; Accept rebuilds the record table's header (carrying the
// data of every column over by its title) and decodes the addresses into the address table,
// which the evaluation reads after each calculation.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Components.h"

namespace quorel {

// Field rows that are decoded; further rows are ignored.
constexpr int MaxRecordVariables = 80;
constexpr int RecordAddressEntries = 256;
// Message IDs of the address check.
constexpr int RecordAddressChangedId = 224;
constexpr int RecordVariableMissingId = 229;
// An older definition whose count "RC" exceeds its lines or the address table (level 0).
constexpr int RecordCountCappedId = 1172;

enum RecordKind : int { RecordState = 0, RecordPhase = 1, RecordElement = 2 };

// Field grid columns.
enum RecordFieldColumn : int { RecFieldId = 0, RecFieldName = 1, RecFieldAddress = 2 };

// The decoded addresses: entry i belongs to record variable i + 1 (record-table column i + 1).
struct RecordAddressTable {
  std::array<int, RecordAddressEntries> Kind{};
  std::array<int, RecordAddressEntries> First{};   // PP
  std::array<int, RecordAddressEntries> Second{};  // CC, EE or 00
  std::array<int, RecordAddressEntries> Third{};   // RR, SS or VV
  // Whether the entry's address decoded in the last DecodeRecordAddresses.
  std::array<bool, RecordAddressEntries> Decoded{};
};

// Two upper-case hexadecimal digits (more for 256 and above; a negative value gets a leading
// "-", so that its address never decodes either).
std::string HexPair(long long value);
// The four pairs of a 14-character address (after trimming); false for any other length.
bool DecodeRecordAddress(std::string_view address, int& kind, int& first, int& second, int& third);

// The texts of the lists: the 26 state items, the whole-phase values of a gas or other slot,
// their short labels of the status line, and the 11 element values.
const std::vector<std::string>& StateItemTexts();
std::vector<std::string> PhaseValueTexts(bool gasSlot);
const std::vector<std::string>& PhaseValueLabels();
const std::vector<std::string>& ElementValueTexts();

class TRcrdDefDlg : public platform::Form {
 public:
  TRcrdDefDlg();
  ~TRcrdDefDlg() override;

  // --- components ---
  platform::GroupBox* GBVariables = nullptr;
  platform::GroupBox* GBState = nullptr;
  platform::ComboBox* CBState = nullptr;     // tag 0
  platform::Button* ButtonAdd0 = nullptr;    // tag 0
  platform::GroupBox* GBPhase = nullptr;
  platform::ComboBox* CBWnd = nullptr;       // tag -1
  platform::ComboBox* CBRow = nullptr;       // tag 1
  platform::ComboBox* CBCol = nullptr;       // tag 1
  platform::Button* ButtonAdd1 = nullptr;    // tag 1
  platform::GroupBox* GBElement = nullptr;
  platform::ComboBox* CBElements = nullptr;  // tag 2, sorted
  platform::ComboBox* CBElValues = nullptr;  // tag 2
  platform::Button* ButtonAdd2 = nullptr;    // tag 2
  platform::GroupBox* GBRecords = nullptr;
  platform::StringGrid* SGR = nullptr;
  platform::Button* ButtonDel = nullptr;
  platform::Button* ButtonClear = nullptr;
  platform::Button* ButtonAccept = nullptr;
  platform::Button* ButtonCancel = nullptr;
  platform::StatusBar* StBar = nullptr;
  platform::StringGrid* SGRCopy = nullptr;  // hidden: the field grid as the dialog was opened

  // --- state ---
  RecordAddressTable Addresses;
  int RecordVariableCount = 0;
  std::vector<int> PhaseWindowMap;  // phase slot of each CBWnd item
  int SelectedRow = 1;
  int AcceptState = 0;  // 0 open, 1 accepted, -1 closed without Accept

  // Number of defined variables (0 for the empty definition).
  int RecordFieldCount() const;

  // --- the dialog ---
  void PrepareRecordDialog();
  void WindowChange();
  void RowChange();
  void AddClick(int group);
  void DelSelectionClick();
  void ClearFieldsClick();
  void AcceptClick();
  void CancelClick();
  void ShowFieldStatus(int row);
  std::string AddressDescription(int row) const;

  // --- the definition ---
  void LoadRecordDefinition();
  void ClearRecordDefinition();
  void DecodeRecordAddresses();
  void CheckRecordAddresses();
  // Field row 1.. whose address equals the trimmed text; -1 when none or the text is empty.
  int FindRecordAddress(std::string_view text) const;

  // --- the record ---
  void EvaluateRecordVariables();
  // The text of record variable entry (0-based) for the last result ("!" when there is none).
  std::string EvaluateEntry(int entry) const;

 private:
  void RelocateRecordVariable(int fieldRow, int column, int slot);
  void ClearFields();
  void RenumberFields();
  platform::StringGrid* currentGrid_ = nullptr;
  int currentSlot_ = 0;
  int rememberedRow_ = -1;
  int lastRowIndex_ = -1;
};

extern TRcrdDefDlg* RcrdDefDlg;

// Binds the record variables to the main window, the record table and the calculation run.
void InstallRecordVariableHooks();
// The main window's "Rec. Var." command: prepares and shows the dialog; after Accept the chart
// follows the fields.
void RecordVariablesCommand();
// The chart's assignment after the record definition changed: every assigned column whose
// field (known[i - 1] the address of field i before the change) moved to another row is
// renumbered to that row, one whose field is gone to -1; then the chart takes the new numbers.
void FollowRecordFieldsInChart(const std::vector<std::string>& known);

}  // namespace quorel
