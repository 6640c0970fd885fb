// The record table window: the grid SGT in which every finished calculation appends one row of
// values (row 0 the field titles, column 0 the record number or name) and whose columns the
// chart plots. The window reads and writes the table as a table text file (".asc"), lets the
// user browse, delete, sort, copy, paste, transpose and colour-mark records, and sends the
// table to a spreadsheet. It lends its hidden copy buffer and spare grid to the grid toolkit
// (GridTools.h), and its grid mouse and key handlers serve other windows' grids too.
//
// Other units learn of changes through TableChangedHook (called with 0 after every command
// that changes the table's content or order).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Components.h"
#include "shared/GridTools.h"

namespace quorel {

// Message ID of an ".asc" file chosen in the open dialog that does not exist.
constexpr int TableFileMissingId = 917;

// The hooks of the record table; empty when not installed.
// After any change of the table (argument 0).
extern std::function<void(int)> TableChangedHook;
// After a browser command or a cell selection (argument: the record row).
extern std::function<void(int)> BrowserButtonHook;
// After Insert Data, Insert Col Data and Paste, just before TableChangedHook (argument 0).
extern std::function<void(int)> DataInsertedHook;
// Files dropped on the window (argument: the first file's path).
extern std::function<void(const std::string&)> FileDroppedHook;

// Writes TAB text into the grid from (col, row): TAB ends a cell and moves one column right,
// LF ends a cell and moves to col of the next row, CR is ignored; the grid grows to take every
// cell. A last line without a line end is pasted too. -1 (nothing done) when the clipboard
// holds no text, else 1.
int PasteClipboardToGrid(int col, int row, platform::StringGrid& grid);
// The same on a text.
void PasteTextToGrid(std::string_view text, int col, int row, platform::StringGrid& grid);
// The grid's rows become its columns: cell (r, c) := the source's cell (c, r).
void TransposeGrid(const platform::StringGrid& source, platform::StringGrid& dest);

class TTablOprtWnd : public platform::Form {
 public:
  explicit TTablOprtWnd(platform::Component* owner = nullptr);
  ~TTablOprtWnd() override;

  // --- components ---
  platform::ToolBar* ToolBar1 = nullptr;
  platform::ToolButton* ToolBtnOpen = nullptr;
  platform::ToolButton* ToolBtnSave = nullptr;
  platform::ToolButton* ToolBtnFirst = nullptr;  // Tags 1 to 4
  platform::ToolButton* ToolBtnPrev = nullptr;
  platform::ToolButton* ToolBtnNext = nullptr;
  platform::ToolButton* ToolBtnLast = nullptr;
  platform::ToolButton* ToolBtnCopy = nullptr;
  platform::ToolButton* ToolBtnDelete = nullptr;
  platform::ToolButton* ToolBtnDelSels = nullptr;
  platform::ToolButton* ToolBtnDelAll = nullptr;
  // The edit tools, hidden until Alt+Insert (Transpon stays hidden).
  platform::ToolButton* ToolBtnInsertData = nullptr;
  platform::ToolButton* ToolBtnInsertColData = nullptr;
  platform::ToolButton* ToolBtnInsertColum = nullptr;
  platform::ToolButton* ToolBtnDelColumn = nullptr;
  platform::ToolButton* ToolBtnTrans = nullptr;
  platform::ToolButton* ToolBtnSortMan = nullptr;  // check button
  // No action of their own; the equilibrium program binds them to its record definition and
  // search.
  platform::ToolButton* BtnFieldDef = nullptr;
  platform::ToolButton* BtnSearch = nullptr;

  platform::StringGrid* SGT = nullptr;
  platform::StatusBar* StatusBar1 = nullptr;

  platform::MainMenu* MainMenu1 = nullptr;
  platform::MenuItem* MnuTable = nullptr;
  platform::MenuItem* Open1 = nullptr;
  platform::MenuItem* SaveAs1 = nullptr;
  platform::MenuItem* Copy2 = nullptr;
  platform::MenuItem* MnuSelectAll = nullptr;
  platform::MenuItem* ToMsExcel2 = nullptr;
  platform::MenuItem* MnuDataSet = nullptr;
  platform::MenuItem* First1 = nullptr;
  platform::MenuItem* Previous1 = nullptr;
  platform::MenuItem* Next1 = nullptr;
  platform::MenuItem* Last1 = nullptr;
  platform::MenuItem* Delete1 = nullptr;
  platform::MenuItem* MnuSettings = nullptr;
  platform::MenuItem* Toolbars1 = nullptr;

  platform::PopupMenu* PopupMenu1 = nullptr;
  platform::MenuItem* Copy1 = nullptr;
  platform::MenuItem* Paste1 = nullptr;  // hidden until Alt+Insert
  platform::MenuItem* Undo1 = nullptr;   // hidden until Alt+Insert
  platform::MenuItem* PopClear1 = nullptr;
  platform::MenuItem* DelSelection1 = nullptr;
  platform::MenuItem* SelectAll1 = nullptr;
  platform::MenuItem* ToMSExcel1 = nullptr;
  platform::MenuItem* SortbyName1 = nullptr;
  platform::MenuItem* SortbyDataUp1 = nullptr;
  platform::MenuItem* SortbyDataDown1 = nullptr;
  platform::MenuItem* FixCol1 = nullptr;
  platform::MenuItem* ColColor1 = nullptr;  // Tag 0
  platform::MenuItem* RowColor1 = nullptr;  // Tag 1
  platform::MenuItem* RenewIndex1 = nullptr;

  platform::OpenDialog* OpenDialog1 = nullptr;
  platform::SaveDialog* SaveDialog1 = nullptr;
  platform::ColorDialog* ColorDialog1 = nullptr;

  // Hidden helpers: one level of undo, and the copy buffer and spare grid of the toolkit.
  platform::StringGrid* UndoGrid = nullptr;
  platform::StringGrid* SpareGrid = nullptr;
  platform::Memo* CopyBuffer = nullptr;
  // The grid toolkit with the buffer and spare grid lent; it holds the HTML copy mode.
  GridToolkit Toolkit;

  // --- state ---
  std::string CurrentTablePath;  // last file opened or saved
  int SelectedColumn = 0;        // column of the last click or selected cell
  int RecordPosition = 1;        // current record row
  bool EditToolsEnabled = false; // Alt+Insert or Alt+H; Paste and Undo act only when set
  int ColorColumn = -1, ColorRow = -1;
  platform::TColor ColumnColor = platform::clWhite;  // white: no colouring
  platform::TColor RowColor = platform::clWhite;
  std::vector<std::string> SaveHistory;  // files saved, oldest first

  bool HtmlCopyMode() const { return Toolkit.HtmlCopyMode; }

  // --- commands ---
  void OpenTable();
  void SaveTable();
  // Browser by tag: 1 first, 2 previous, 3 next, 4 last; any other tag keeps the position.
  // Then ShowRecord.
  void Browse(int tag);
  // Scrolls the current record into view, selects it, calls BrowserButtonHook.
  void ShowRecord();
  void CopySelection(platform::StringGrid& grid);
  void SelectAll(platform::StringGrid& grid);
  void DeleteRecord();
  void DeleteSelection();
  void DeleteAll();
  void ClearSelection(platform::StringGrid& grid);
  void SortByName();
  void SortDataUp();
  void SortDataDown();
  void RenewIndex();
  void InsertData();
  void InsertColData();
  void PasteData();
  void Undo();
  void InsertColumn();
  void DeleteColumn();
  void Transpose();
  void ToggleSortMan();
  void FixColumn();
  // Tag 0: column colour, Tag 1: row colour.
  void ChooseMarkColor(int tag);
  void ToExcel();
  void ToggleToolbars();

  // --- events, also used by other windows' grids ---
  void SGTSelectCell(platform::Component* sender, int col, int row, bool& canSelect);
  void SGTDrawCell(int col, int row, platform::CellDrawInfo& info) const;
  void SGTKeyDown(platform::Component* sender, int& key, platform::ShiftState shift);
  void SGTMouseDown(platform::Component* sender, platform::MouseButton button,
                    platform::ShiftState shift, int x, int y);
  void SGTMouseMove(platform::Component* sender, platform::ShiftState shift, int x, int y);
  void SGTMouseUp(platform::Component* sender, platform::MouseButton button,
                  platform::ShiftState shift, int x, int y);
  void PopupMenu1Popup();
  void FormResize();
  void FormDropFiles(const std::vector<std::string>& files);

 private:
  // The grid the popup menu was opened on (SGT when none).
  platform::StringGrid& PopupGrid() const;
  void TakeUndoCopy(const platform::StringGrid& grid) { CopyGrid(grid, *UndoGrid); }
  void TableChanged() const;
  void DataInserted() const;
  bool AskYesNo(const std::string& text, const std::string& caption, bool noDefault) const;

  bool titleSelecting_ = false;
  int titleAnchorCol_ = 0, titleAnchorRow_ = 0;
  // Fix. Column: the selection's left column before the last press and the selection after
  // it (the grid keeps a selection out of the fixed columns).
  int fixLeftBefore_ = -1;
  platform::GridRect fixSelectionAfter_{-1, -1, -1, -1};
};

extern TTablOprtWnd* TablOprtWnd;

}  // namespace quorel
