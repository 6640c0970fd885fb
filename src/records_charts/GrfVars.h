// The chart variables "Graphic Variables": which record-table column is X and which columns are
// plotted as series on which of the eight Y axes, with the chart's title, axis names and X
// description.
//
// Page k (1..8) stands for axis Yk: a name edit and a grid of rows "ID", "Variable", "Record
// Field"; row r of page k is series 10 (k - 1) + r. The rows of a page run from row 1 to its last
// row with a record field; a row without one among them (a gap left by a file) keeps the place
// of the rows after it and plots nothing. From the pages ApplyGraphicVariables builds the
// SeriesAssignment that the chart feed, the axis fit and the chart read (Grfx.h).
//
// The graphic definition of a document is four kinds of sections: "[GB1]".."[GB8]" (page names
// and variable names), "[X]", "[Assign]" (series number = record column) and "[Graphic]" (the
// chart's look). WriteGraphicDefinition appends them to a list of lines; ReadGraphicDefinition
// reads them from the settings document that is selected in the store.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/Components.h"
#include "records_charts/Grfx.h"

namespace quorel {

// Message IDs of the renumbering after the record definition changed.
constexpr int ChartSeriesRenumberedId = 242;
constexpr int ChartSeriesFieldMissingId = 245;
constexpr int ChartXFieldMissingId = 265;

inline constexpr int ChartVariablePageCount = 8;
inline constexpr int ChartRowsPerPage = 10;
// The highest record-table column a series or X can be fed from.
inline constexpr int ChartLastAssignableColumn = ChartSeriesCount;

// Grid columns of a page.
inline constexpr int GrfVarColId = 0;
inline constexpr int GrfVarColVariable = 1;
inline constexpr int GrfVarColField = 2;

class TGrfVarDlg : public platform::Form {
 public:
  explicit TGrfVarDlg(platform::Component* owner = nullptr);
  ~TGrfVarDlg() override;

  // --- components ---
  platform::PageControl* PageControl1 = nullptr;
  std::array<platform::TabSheet*, ChartVariablePageCount + 1> TS{};         // [1..8]: TS1..TS8
  std::array<platform::Edit*, ChartVariablePageCount + 1> EditName{};       // Edit1..Edit8
  std::array<platform::StringGrid*, ChartVariablePageCount + 1> Grids{};    // StringGrid1..8
  platform::Panel* PanelFields = nullptr;
  platform::Label* LabelY = nullptr;
  platform::ComboBox* CBY = nullptr;  // one item per record-table column
  platform::Button* ButtonAdd = nullptr;
  platform::Button* ButtonAsgn = nullptr;
  platform::Button* ButtonDel = nullptr;
  platform::Button* ButtonClear = nullptr;
  platform::Label* LabelX = nullptr;
  platform::ComboBox* CBX = nullptr;
  platform::CheckBox* CBxTime = nullptr;  // "[Time]": X is a time axis
  platform::Label* LabelCaption = nullptr;
  platform::Edit* EditCaption = nullptr;  // the chart's title
  platform::Label* LabelXvar = nullptr;
  platform::Edit* EditXvar = nullptr;  // the X description
  platform::Panel* PanelButtons = nullptr;
  platform::Button* ButtonOK = nullptr;
  platform::Button* ButtonCancel = nullptr;
  platform::StatusBar* StatusBar1 = nullptr;

  // --- state ---
  std::array<int, ChartVariablePageCount + 1> SelectedRow{};  // per page; 1 at creation
  std::string XFieldName;  // the header of the column last chosen as X

  // The grid the field lists are filled from: the record table's unless another is set.
  void SetFieldGrid(platform::StringGrid* grid) { fieldGrid_ = grid; }
  platform::StringGrid* FieldGrid() const;
  // The page of the active tab (1..8).
  int ActivePageNumber() const;
  // Rows 1..n of page k, n the last row with a record field (0 without any).
  int PageRows(int k) const;
  std::string RecordField(int k, int row) const;

  // --- dialog commands (on the active page) ---
  void ButtonAddClick();
  void ButtonAsgnClick();
  void ButtonDelClick();
  void ButtonClearClick();
  // Applies the pages (the chart's series, axes and the records fed again); with a sender the
  // dialog closes.
  void ButtonOKClick(platform::Component* sender);
  void ButtonCancelClick();
  void CBYKeyDown(int& key);
  void GridSelectCell(int k, int col, int row, bool& canSelect);
  void GridMouseDown(int k, int x, int y);
  void EditNameChange(int k);
  // The name edit of page k and its tab caption.
  void SetPageName(int k, const std::string& name);
  void PageControl1Change();

  // --- the assignment ---
  void ApplyGraphicVariables();
  void ResetGraphicVariables();
  void FillFieldCombos();
  // The definition into the document the store builds (the system file's writer).
  void StoreGraphicDefinition();
  void WriteGraphicDefinition(std::vector<std::string>& list);
  void ReadGraphicDefinition();
  // Renumbering after the record definition changed.
  void FindXColumn();
  void RenumberSeriesColumn(int oldColumn, int newColumn);
  void ClearRenumberMarks();
  // Column "ID" of page k renumbered over its rows; their count.
  int RenumberAssignmentPage(int k);
  // The format dialog's fit of every auto-sized axis to the record table.
  void AutoSizeFromRecordTable();
  // Rows and series boxes named after the table's headers.
  void LabelCurvesFromTable();
  // Record column `column` becomes X and the pages are applied ("Set as X in Graphics").
  void SetXColumn(int column);

 private:
  void Status(const std::string& text) { StatusBar1->SetSimpleText(text); }
  std::string FieldItemText(const std::string& field) const;
  void ShowAssignedSeries(TGrfWnd& chart, int n, int column, const std::string& caption);
  platform::StringGrid* fieldGrid_ = nullptr;
};

extern TGrfVarDlg* GrfVarDlg;

}  // namespace quorel
