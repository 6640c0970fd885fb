// The string-grid toolkit: every table of both programs is a grid of text cells (row 0 the
// column titles, column 0 usually a row number or name), and these are the operations all
// windows use on such grids.
//
// - Table text files (".asc"): one grid row per line, cells joined by TAB, each line ended by
//   CR LF; no header, quoting or escaping.
// - Grids from the TAB lines of a settings section.
// - Copy through a copy buffer to the clipboard as TAB text or as an HTML table; paste.
// - Copy and swap of grids, row and column insert and delete, range clear.
// - The three row sorts (down and up by value, by name) and the transfer of grids into a
//   spreadsheet.
//
// The record table window owns a hidden copy buffer and a hidden spare grid and lends them to
// the toolkit (GridToolkit). Everything else takes the grid as an argument and needs no window.
// Indices outside a grid are clamped; nothing here reads or writes outside a grid.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Components.h"

namespace quorel {

// The largest grid that a file, a settings section or a paste makes: rows and columns beyond
// these are not read, and that is reported once at level 0 (GridSizeCappedId) with the file
// (or "Clipboard") and the cap.
constexpr int MaxGridFileRows = 65536;
constexpr int MaxGridFileCols = 1024;
constexpr int GridSizeCappedId = 1171;
// Posts the message of a cut grid: source + ": only the first 65536 rows and 1024 columns are
// read".
void ReportGridCapped(std::string_view source);

// --- table text files and settings sections ---

// Writes the whole grid as a table text file. An existing file is backed up first (settings
// store's BackupFile); the text goes to a temporary file beside the target that is then renamed
// over it, so a failed write leaves the old file whole. 1, or -1 after the message box
// "File can not be saved" (caption "Table") when the file cannot be written, is read-only, or
// its old version could not be kept as the backup.
int SaveGridText(const platform::StringGrid& grid, const std::string& path);
// The bytes SaveGridText writes.
std::string GridToTableText(const platform::StringGrid& grid);
// Writes the whole grid as an .xlsx workbook of one worksheet named sheetName, its cells as the
// spreadsheet transfer writes them (numbers as numbers). Backup, read-only and failure as
// SaveGridText; the reason of a failed write is posted too (level 2, ID 1047).
int SaveGridWorkbook(const platform::StringGrid& grid, const std::string& path, const std::string& sheetName);

// Reads a table text file into the grid from (startCol, startRow). CR LF, LF and a lone CR
// each end a line; a last line without a line end is read too. The k-th cell of a line goes to
// column startCol + k; a TAB at the very end of a line adds no cell. Rows always grow to take
// the lines, columns only with growCols (cells beyond the column count are dropped). An empty
// line stores nothing but still takes a row index. The grid is neither emptied nor shrunk.
// Returns the row index after the last line, -1 when the file is missing or cannot be read.
int LoadGridText(const std::string& path, int startCol, platform::StringGrid& grid,
                 bool growCols, int startRow);
// The same on bytes already read; source names them in the message of a cut grid. Rows from
// MaxGridFileRows and columns from MaxGridFileCols on are not read.
int TableTextToGrid(std::string_view bytes, int startCol, platform::StringGrid& grid,
                    bool growCols, int startRow, std::string_view source = "Table");

// The lines of a text: CR LF, LF and a lone CR each end a line; a final line end adds no
// empty line; text after the last line end is the last line.
std::vector<std::string> SplitTextLines(std::string_view text);

// Fills the grid from the TAB lines of a settings section of the settings store's open file
// (the line after the header becomes row 0): cells from (1, 1) are emptied, the grid shrinks
// to 2 x 2 and grows to take the lines. The column widths stay. A section that does not exist
// leaves the grid as it is. The store's section lines are not changed, so loading twice gives
// the same grid and a later WriteSection writes the section with its header. Lines from
// MaxGridFileRows and columns from MaxGridFileCols on are not read (reported with the file).
// Returns true when the section was there.
bool LoadGridFromSection(platform::StringGrid& grid, const std::string& section);

// Appends every row of a grid, from the header row on, its cells joined by TAB (the form of a
// grid section in a settings file).
void AppendGridRows(std::vector<std::string>& lines, const platform::StringGrid& grid);

// Splits one TAB line into the cells of a row from column col; each cell is trimmed
// (codes 0..32); cells beyond the column count are dropped.
void TabLineToGridRow(int col, int row, std::string_view line, platform::StringGrid& grid);
// Writes TAB lines into the grid from row 0, column 0; growRows raises the row count to the
// number of lines, growCols the column count to 1 + the TABs of the first line, neither beyond
// the caps (MaxGridFileRows, MaxGridFileCols). True when lines or columns were left out for
// the caps (the caller names the source in the message: ReportGridCapped).
bool ListToGrid(const std::vector<std::string>& lines, platform::StringGrid& grid, bool growRows,
                bool growCols);

// --- structure ---

// dest gets the source's column and row counts and every cell.
void CopyGrid(const platform::StringGrid& source, platform::StringGrid& dest);
// Inserts an empty column at index (clamped to 0..ColCount); returns the row count.
int InsertGridColumn(int index, platform::StringGrid& grid);
// Removes a column (an index beyond the last means the last); a negative index does nothing
// and returns 0; the only column of a grid is emptied instead (result 0). Else the row count.
int DeleteGridColumn(int index, platform::StringGrid& grid);
// Inserts an empty row at index; row 0 stays the title row (an index of 0 or below inserts at
// 1), an index past the end appends. Returns the row count.
int InsertGridRow(int index, platform::StringGrid& grid);
// Removes a row; -1 for an index outside the grid. A grid keeps at least its title row and one
// data row: below 3 rows the rows after index move up and the last row is emptied instead
// (the only row of a one-row grid is emptied). The left visible column stays. Returns the row
// count.
int DeleteGridRow(int index, platform::StringGrid& grid);
// Empties every cell from (col, row) to the last column and row (negative starts count as 0).
void ClearGridRange(int col, int row, platform::StringGrid& grid);
// Empties columns c1..c2 of rows r1..r2; c2 or r2 beyond the grid or negative mean the last
// column or row; negative starts count as 0; nothing when r2 < r1.
void ClearGridRect(platform::StringGrid& grid, int c1, int r2, int c2, int r1);

// The HTML table text of a range (LF line ends, the last line too; cell texts escaped).
std::string GridToHtml(const platform::StringGrid& grid, int c1, int r2, int c2, int r1);
// "&", "<" and ">" as HTML entities.
std::string EscapeHtmlText(std::string_view text);

// --- sorting (row 0 stays) ---

// Rows 1.. by TextToDouble of the column's cell (text that is no number counts as 0), largest
// first; a selection sort: of equal values the uppermost row is chosen first.
void SortGridDataDown(platform::StringGrid& grid, int col);
// The same, smallest first.
void SortGridDataUp(platform::StringGrid& grid, int col);
// Rows 1.. by the column's text without regard to case; equal texts keep their order.
void SortGridByName(platform::StringGrid& grid, int col);

// --- spreadsheet transfer (on the installed platform::SpreadsheetService()) ---

// Attaches to a running spreadsheet application or starts one, makes it visible, adds a
// workbook and gives it at least `sheets` worksheets. Returns the workbook's index, or -1
// after "MS Excel can not be started!" (level 2, ID 1047).
int StartExcel(int sheets);
// Writes every cell of the grid as text into worksheet `sheet` of the workbook StartExcel
// added (grid cell (c, r) -> sheet cell (r + 1, c + 1)); a sheet number beyond the workbook
// adds one sheet and writes into it; a non-empty name names the sheet. 1, or -1 after
// "Error while write in [book][name][cell]" (level 2, ID 1053).
int GridToExcel(const platform::StringGrid& grid, int sheet, const std::string& name);
// Deletes the worksheets from `first` (at least 2, so one sheet always remains) to the last
// and makes the application visible.
void PrepareExcelWorkbook(int first);
// The transfer command has ended: the spreadsheet hands the workbook to the user (written and
// opened). A failure is posted as "MS Excel can not be started!" (level 2, ID 1047) with the
// reason. Returns whether the work arrived.
bool FinishExcelTransfer();
// The index StartExcel returned last (0 before).
int ExcelWorkbookIndex();
// Forgets the workbook of the last transfer (program end, tests).
void ResetExcelTransfer();

// A grid and the worksheet it goes to.
struct ExcelSheetGrid {
  const platform::StringGrid* grid = nullptr;
  int sheet = 1;
  std::string name;
};
// The whole transfer command of a window: posts "Data transfer to MS Excel, please wait"
// unfiltered (level 4, ID 1297), lets pending events run, StartExcel(sheets), GridToExcel for
// each grid, PrepareExcelWorkbook(2) when asked, FinishExcelTransfer, then posts
// "Data transfer to MS Excel is completed" unfiltered (level 4, ID 1373) when it succeeded.
// waitLevel is the level of the first post.
bool TransferGridsToExcel(const std::vector<ExcelSheetGrid>& grids, int sheets,
                          bool keepFirstSheetOnly = false, int waitLevel = 4);

// --- copy buffer, clipboard and grid keys ---

// The copy-buffer half of the toolkit. The record table window lends it its hidden copy buffer
// (a multi-line text without word wrap) and its hidden spare grid, and keeps its HTML copy
// mode here. Without a lent buffer the toolkit uses one of its own, so a copy is never lost.
class GridToolkit {
 public:
  GridToolkit() = default;
  GridToolkit(platform::Memo* copyBuffer, platform::StringGrid* spareGrid)
      : CopyBuffer(copyBuffer), SpareGrid(spareGrid) {}
  GridToolkit(const GridToolkit&) = delete;
  GridToolkit& operator=(const GridToolkit&) = delete;

  platform::Memo* CopyBuffer = nullptr;     // lent; nullptr: the toolkit's own
  platform::StringGrid* SpareGrid = nullptr;  // lent; nullptr: a temporary grid per swap
  bool HtmlCopyMode = false;                // copies give an HTML table

  // Empties the copy buffer.
  void ResetMemoBuffer();
  // Appends a line to the copy buffer.
  void AddMemoLine(std::string_view text);
  // Appends the range (c1..c2, r1..r2) as TAB text, one line per row (a single cell: its text
  // alone), or in HTML mode as one HTML table text.
  void GridRangeToMemo(int c1, int r1, const platform::StringGrid& grid, int r2, int c2);
  // Puts the copy buffer's text (lines joined by CR LF) on the clipboard.
  void CopyMemoToClipboard();
  // The clipboard's text replaces the buffer's lines: true. Without text on the clipboard the
  // message box "Unknown format in clipboard" (caption "Quorel") and false.
  bool PasteClipboardText();
  // Line n of the copy buffer; "" beyond the end.
  std::string MemoLine(int n) const;
  int MemoLineCount() const;
  // Writes the buffer's TAB lines into the grid from (col, row): rows grow to take them (up to
  // MaxGridFileRows rows; the lines beyond are reported and dropped); the rectangle they cover
  // is emptied first.
  void MemoToGrid(int col, int row, platform::StringGrid& grid);
  // Exchanges the contents of a and b through the spare grid.
  void SwapGrids(platform::StringGrid& a, platform::StringGrid& b);
  // Reset, copy the grid's selection, put on the clipboard.
  void CopyGridSelection(const platform::StringGrid& grid);
  // The grid keys: Ctrl+C copies the selection; Alt+Up / Alt+Down make the default row height
  // one smaller / larger, Alt+Left / Alt+Right column 0 one narrower / wider, while the new
  // size stays above 8. A handled key is set to 0; returns whether it was handled.
  bool GridKeyDown(platform::StringGrid& grid, int& key, platform::ShiftState shift);

  // The buffer in use (the lent one or the toolkit's own).
  platform::Memo& Buffer() { return CopyBuffer ? *CopyBuffer : ownBuffer_; }
  const platform::Memo& Buffer() const { return CopyBuffer ? *CopyBuffer : ownBuffer_; }

 private:
  platform::Memo ownBuffer_;
};

}  // namespace quorel
