#include "shared/GridTools.h"

#include <algorithm>
#include <climits>

#include "platform/Services.h"
#include "platform/Spreadsheet.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"

namespace quorel {

using platform::StringGrid;

namespace {

int LastCol(const StringGrid& grid) { return grid.ColCount() - 1; }
int LastRow(const StringGrid& grid) { return grid.RowCount() - 1; }

// Cuts one line at TAB characters: a cell ends at each TAB and at the line end, but a line end
// right after a TAB (or an empty line) adds no cell.
std::vector<std::string> CutTabLine(std::string_view line) {
  std::vector<std::string> cells;
  std::string cell;
  for (char ch : line) {
    if (ch == '\t') {
      cells.push_back(std::move(cell));
      cell.clear();
    } else {
      cell.push_back(ch);
    }
  }
  if (!cell.empty()) cells.push_back(std::move(cell));
  return cells;
}

void SwapRows(StringGrid& grid, int a, int b) {
  if (a == b) return;
  for (int c = 0; c < grid.ColCount(); ++c) {
    std::string t = grid.Cells(c, a);
    grid.SetCells(c, a, grid.Cells(c, b));
    grid.SetCells(c, b, t);
  }
}

// The selection sort both value sorts use: position i takes the row with the largest
// (smallest) value among rows i.., the uppermost of equal values.
void SelectionSortByValue(StringGrid& grid, int col, bool largestFirst) {
  const int rows = grid.RowCount();
  if (col < 0 || col >= grid.ColCount() || rows < 3) return;
  std::vector<double> values(static_cast<std::size_t>(rows));
  for (int r = 1; r < rows; ++r) values[r] = TextToDouble(grid.Cells(col, r));
  for (int i = 1; i < rows - 1; ++i) {
    int chosen = i;
    for (int r = i + 1; r < rows; ++r) {
      if (largestFirst ? values[r] > values[chosen] : values[r] < values[chosen]) chosen = r;
    }
    if (chosen != i) {
      SwapRows(grid, i, chosen);
      std::swap(values[i], values[chosen]);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Table text files

std::string GridToTableText(const StringGrid& grid) {
  std::string out;
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (int c = 0; c < grid.ColCount(); ++c) {
      if (c > 0) out.push_back('\t');
      out += grid.Cells(c, r);
    }
    out += "\r\n";
  }
  return out;
}

int SaveGridText(const StringGrid& grid, const std::string& path) {
  // A read-only file is not replaced, nor a file whose old version could not be kept.
  if (platform::IsReadOnlyFile(path) || !SettingsStore().BackupFile(path) ||
      !ReplaceFileContents(path, GridToTableText(grid))) {
    platform::MessageBox("File can not be saved", "Table",
                         platform::mbOk | platform::mbIconExclamation);
    return -1;
  }
  return 1;
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // characters since the last line end
  for (std::size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      open = false;
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line.push_back(ch);
      open = true;
    }
  }
  if (open) lines.push_back(std::move(line));
  return lines;
}

void ReportGridCapped(std::string_view source) {
  PostLogMessage(LevelError, GridSizeCappedId,
                 std::string(source) + ": only the first " + std::to_string(MaxGridFileRows) + " rows and " +
                     std::to_string(MaxGridFileCols) + " columns are read");
}

int TableTextToGrid(std::string_view bytes, int startCol, StringGrid& grid, bool growCols,
                    int startRow, std::string_view source) {
  startCol = std::clamp(startCol, 0, MaxGridFileCols);
  int row = std::clamp(startRow, 0, MaxGridFileRows);
  bool capped = false;
  // Line by line, without a list of all lines: the text is read once.
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", pos);
    const std::string_view line =
        bytes.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    if (end == std::string_view::npos) pos = bytes.size();
    else pos = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    if (row >= MaxGridFileRows) {
      // Empty lines past the cap store nothing; anything else is lost and is told.
      if (!line.empty()) {
        capped = true;
        break;
      }
      continue;
    }
    std::vector<std::string> cells = CutTabLine(line);
    for (std::size_t k = 0; k < cells.size(); ++k) {
      if (k >= std::size_t(MaxGridFileCols - startCol)) {
        capped = true;
        break;
      }
      const int col = startCol + static_cast<int>(k);
      if (growCols && grid.ColCount() < col + 1) grid.SetColCount(col + 1);
      if (row >= grid.RowCount()) grid.SetRowCount(row + 1);
      if (col < grid.ColCount()) grid.SetCells(col, row, cells[k]);
    }
    ++row;
  }
  if (capped) ReportGridCapped(source);
  return row;
}

int LoadGridText(const std::string& path, int startCol, StringGrid& grid, bool growCols,
                 int startRow) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes)) return -1;
  return TableTextToGrid(bytes, startCol, grid, growCols, startRow, path);
}

// ---------------------------------------------------------------------------------------------
// Settings sections

void TabLineToGridRow(int col, int row, std::string_view line, StringGrid& grid) {
  col = std::max(col, 0);
  if (row < 0 || row >= grid.RowCount()) return;
  for (const std::string& cell : CutTabLine(line)) {
    if (col >= grid.ColCount()) break;
    grid.SetCells(col, row, SettingsTrim(cell));
    ++col;
  }
}

bool ListToGrid(const std::vector<std::string>& lines, StringGrid& grid, bool growRows,
                bool growCols) {
  if (lines.empty()) return false;
  bool capped = false;
  const int n = static_cast<int>(std::min<std::size_t>(lines.size(), std::size_t(MaxGridFileRows)));
  if (growRows) {
    if (lines.size() > std::size_t(n)) capped = true;
    if (grid.RowCount() < n) grid.SetRowCount(n);
  }
  if (growCols) {
    const auto tabs = static_cast<std::size_t>(std::count(lines[0].begin(), lines[0].end(), '\t'));
    if (tabs >= std::size_t(MaxGridFileCols)) capped = true;
    const int cols = static_cast<int>(std::min<std::size_t>(tabs + 1, std::size_t(MaxGridFileCols)));
    if (grid.ColCount() < cols) grid.SetColCount(cols);
  }
  for (int i = 0; i < n && i < grid.RowCount(); ++i) TabLineToGridRow(0, i, lines[static_cast<std::size_t>(i)], grid);
  return capped;
}

bool LoadGridFromSection(StringGrid& grid, const std::string& section) {
  SettingsReader& store = SettingsStore();
  const int oldCols = grid.ColCount();
  std::vector<int> widths;
  for (int c = 0; c < std::min(oldCols, 255); ++c) widths.push_back(grid.ColWidths(c));

  // A selection that is already made answers 1 even for a section that is not in the file
  // (its lines then hold only the header the store put there for writers): such a section is
  // as absent as on the first call.
  if (store.SelectSection(section) <= 0) return false;
  const std::vector<std::string>& lines = store.SectionLines();
  if (lines.size() <= 1 && store.FindSectionRange(section).first < 0) return false;

  ClearGridRange(1, 1, grid);
  grid.SetColCount(2);
  grid.SetRowCount(2);
  std::vector<std::string> rows;
  if (lines.size() > 1) {
    // One line more than the cap, so that ListToGrid sees the cut.
    const std::size_t n = std::min<std::size_t>(lines.size() - 1, std::size_t(MaxGridFileRows) + 1);
    rows.assign(lines.begin() + 1, lines.begin() + 1 + static_cast<std::ptrdiff_t>(n));
  }
  if (ListToGrid(rows, grid, true, true)) ReportGridCapped(store.CachedFileName() + " [" + section + "]");
  for (int c = 0; c < static_cast<int>(widths.size()) && c < grid.ColCount(); ++c) {
    grid.SetColWidths(c, widths[static_cast<std::size_t>(c)]);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Structure

void CopyGrid(const StringGrid& source, StringGrid& dest) {
  if (&source == &dest) return;
  dest.SetColCount(source.ColCount());
  dest.SetRowCount(source.RowCount());
  for (int r = 0; r < source.RowCount(); ++r) {
    for (int c = 0; c < source.ColCount(); ++c) dest.SetCells(c, r, source.Cells(c, r));
  }
}

int InsertGridColumn(int index, StringGrid& grid) {
  index = std::clamp(index, 0, grid.ColCount());
  const int oldLast = LastCol(grid);
  grid.SetColCount(grid.ColCount() + 1);
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (int c = oldLast; c >= index; --c) grid.SetCells(c + 1, r, grid.Cells(c, r));
    grid.SetCells(index, r, "");
  }
  return grid.RowCount();
}

int DeleteGridColumn(int index, StringGrid& grid) {
  if (index < 0) return 0;
  index = std::min(index, LastCol(grid));
  if (grid.ColCount() == 1) {
    for (int r = 0; r < grid.RowCount(); ++r) grid.SetCells(0, r, "");
    return 0;
  }
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (int c = index; c < LastCol(grid); ++c) grid.SetCells(c, r, grid.Cells(c + 1, r));
  }
  grid.SetColCount(grid.ColCount() - 1);
  return grid.RowCount();
}

int InsertGridRow(int index, StringGrid& grid) {
  index = std::clamp(index, 1, grid.RowCount());
  const int oldLast = LastRow(grid);
  grid.SetRowCount(grid.RowCount() + 1);
  for (int r = oldLast; r >= index; --r) {
    for (int c = 0; c < grid.ColCount(); ++c) grid.SetCells(c, r + 1, grid.Cells(c, r));
  }
  for (int c = 0; c < grid.ColCount(); ++c) grid.SetCells(c, index, "");
  return grid.RowCount();
}

int DeleteGridRow(int index, StringGrid& grid) {
  if (index < 0 || index >= grid.RowCount()) return -1;
  const int leftCol = grid.LeftCol();
  for (int r = index; r < LastRow(grid); ++r) {
    for (int c = 0; c < grid.ColCount(); ++c) grid.SetCells(c, r, grid.Cells(c, r + 1));
  }
  if (grid.RowCount() < 3) {
    for (int c = 0; c < grid.ColCount(); ++c) grid.SetCells(c, LastRow(grid), "");
  } else {
    grid.SetRowCount(grid.RowCount() - 1);
  }
  if (grid.LeftCol() != leftCol) grid.SetLeftCol(leftCol);
  return grid.RowCount();
}

void ClearGridRange(int col, int row, StringGrid& grid) {
  ClearGridRect(grid, col, LastRow(grid), LastCol(grid), row);
}

void ClearGridRect(StringGrid& grid, int c1, int r2, int c2, int r1) {
  if (c2 < 0 || c2 > LastCol(grid)) c2 = LastCol(grid);
  if (r2 < 0 || r2 > LastRow(grid)) r2 = LastRow(grid);
  c1 = std::max(c1, 0);
  r1 = std::max(r1, 0);
  if (r2 < r1) return;
  for (int r = r1; r <= r2; ++r) {
    for (int c = c1; c <= c2; ++c) grid.SetCells(c, r, "");
  }
}

// ---------------------------------------------------------------------------------------------
// HTML

std::string EscapeHtmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out.push_back(ch);
    }
  }
  return out;
}

std::string GridToHtml(const StringGrid& grid, int c1, int r2, int c2, int r1) {
  c1 = std::max(c1, 0);
  r1 = std::max(r1, 0);
  c2 = std::min(c2, LastCol(grid));
  r2 = std::min(r2, LastRow(grid));
  std::string html =
      "<table style=\"width: 100%;\" border=\"1\" cellpadding=\"0\" cellspacing=\"0\">\n";
  for (int r = r1; r <= r2; ++r) {
    html += "  <tr>\n";
    for (int c = c1; c <= c2; ++c) {
      html += c == c1 ? "   <td>" : "<td>";
      const std::string& text = grid.Cells(c, r);
      if (SettingsTrim(text).empty()) {
        html += "&nbsp;</td>";
      } else {
        html += EscapeHtmlText(text);
        html += "</td>";
      }
    }
    html += "\n  </tr>\n";
  }
  html += "</table>\n";
  return html;
}

// ---------------------------------------------------------------------------------------------
// Sorting

void SortGridDataDown(StringGrid& grid, int col) { SelectionSortByValue(grid, col, true); }

void SortGridDataUp(StringGrid& grid, int col) { SelectionSortByValue(grid, col, false); }

void SortGridByName(StringGrid& grid, int col) {
  const int rows = grid.RowCount();
  if (col < 0 || col >= grid.ColCount() || rows < 3) return;
  // A row's key is its text followed by a TAB (a cell holds no TAB), so a text sorts before
  // every longer text it begins; equal texts keep their row order.
  std::vector<int> order;
  std::vector<std::string> keys(static_cast<std::size_t>(rows));
  for (int r = 1; r < rows; ++r) {
    order.push_back(r);
    keys[static_cast<std::size_t>(r)] = grid.Cells(col, r) + '\t';
  }
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    const int cmp = platform::CompareTextNoCase(keys[static_cast<std::size_t>(a)],
                                                keys[static_cast<std::size_t>(b)]);
    return cmp != 0 ? cmp < 0 : a < b;
  });
  std::vector<std::vector<std::string>> sorted;
  sorted.reserve(order.size());
  for (int r : order) sorted.push_back(grid.Rows(r));
  for (int i = 0; i < static_cast<int>(sorted.size()); ++i) {
    const std::vector<std::string>& cells = sorted[static_cast<std::size_t>(i)];
    for (int c = 0; c < grid.ColCount() && c < static_cast<int>(cells.size()); ++c) {
      grid.SetCells(c, i + 1, cells[static_cast<std::size_t>(c)]);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Spreadsheet transfer

namespace {
int workbookIndex = 0;  // the workbook StartExcel added
int sheetCount = 0;     // the worksheet count read last

const char kNotStarted[] = "MS Excel can not be started!";

// "[A 3]" for columns 0 to 24, "[25;3]" from column 25 on.
std::string CellPositionText(int col, int row) {
  if (col >= 0 && col < 25) {
    return "[" + std::string(1, static_cast<char>('A' + col)) + " " + std::to_string(row + 1) +
           "]";
  }
  return "[" + std::to_string(col) + ";" + std::to_string(row + 1) + "]";
}
}  // namespace

int ExcelWorkbookIndex() { return workbookIndex; }

void ResetExcelTransfer() {
  workbookIndex = 0;
  sheetCount = 0;
}

int StartExcel(int sheets) {
  platform::Spreadsheet& xl = platform::SpreadsheetService();
  if (!xl.Attach() && !xl.Start()) {
    PostLogMessage(LevelCritical, 1047, kNotStarted);
    return -1;
  }
  if (!xl.Visible()) xl.SetVisible(true);
  if (!xl.AddWorkbook()) {
    PostLogMessage(LevelCritical, 1047, kNotStarted);
    return -1;
  }
  workbookIndex = xl.WorkbookCount();
  sheetCount = xl.SheetCount(workbookIndex);
  while (sheetCount < sheets) {
    if (!xl.AddSheet(workbookIndex)) break;  // a refusing application must not hang us
    sheetCount = xl.SheetCount(workbookIndex);
  }
  return workbookIndex;
}

namespace {
// The cells of a grid into a worksheet: a number goes in as a number, a blank cell stays empty,
// any other text is text. False with the position of the first cell that could not be written.
bool WriteGridCells(platform::Spreadsheet& xl, int book, int sheet, const StringGrid& grid, int& failedCol,
                    int& failedRow) {
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (int c = 0; c < grid.ColCount(); ++c) {
      const std::string& text = grid.Cells(c, r);
      double value = 0;
      const bool written = Trim(text).empty()           ? xl.SetCell(book, sheet, r + 1, c + 1, "")
                           : TryTextToDouble(text, value) ? xl.SetNumber(book, sheet, r + 1, c + 1, value, text)
                                                          : xl.SetCell(book, sheet, r + 1, c + 1, text);
      if (!written) {
        failedCol = c;
        failedRow = r;
        return false;
      }
    }
  }
  return true;
}
}  // namespace

int SaveGridWorkbook(const StringGrid& grid, const std::string& path, const std::string& sheetName) {
  platform::XlsxSpreadsheet book(nullptr);
  int col = 0, row = 0;
  std::string why;
  const bool built = book.Start() && book.AddWorkbook() && book.SetSheetName(1, 1, sheetName) &&
                     WriteGridCells(book, 1, 1, grid, col, row);
  if (!built) why = "the cell " + CellPositionText(col, row) + " can not be written";
  if (!built || platform::IsReadOnlyFile(path) || !SettingsStore().BackupFile(path) ||
      !platform::XlsxSpreadsheet::WriteXlsx(book.Books()[0], path, why)) {
    if (!why.empty()) PostLogMessage(LevelCritical, 1047, why);
    platform::MessageBox("File can not be saved", "Table", platform::mbOk | platform::mbIconExclamation);
    return -1;
  }
  return 1;
}

int GridToExcel(const StringGrid& grid, int sheet, const std::string& name) {
  platform::Spreadsheet& xl = platform::SpreadsheetService();
  const int book = workbookIndex;
  sheetCount = xl.SheetCount(book);
  if (sheetCount < sheet) {
    xl.AddSheet(book);
    sheetCount = xl.SheetCount(book);
    sheet = sheetCount;
  }
  auto fail = [&](int col, int row) {
    PostLogMessage(LevelCritical, 1053,
                   "Error while write in [" + xl.WorkbookName(book) + "][" + name + "]" +
                       CellPositionText(col, row));
    return -1;
  };
  if (sheet < 1) return fail(0, 0);
  if (!name.empty()) xl.SetSheetName(book, sheet, name);
  int col = 0, row = 0;
  return WriteGridCells(xl, book, sheet, grid, col, row) ? 1 : fail(col, row);
}

void PrepareExcelWorkbook(int first) {
  platform::Spreadsheet& xl = platform::SpreadsheetService();
  if (!xl.Connected()) return;
  first = std::max(first, 2);  // a workbook keeps its first sheet
  const int book = workbookIndex;
  const int m = xl.SheetCount(book);
  for (int k = m; k >= first; --k) {
    sheetCount = xl.SheetCount(book);
    if (first > sheetCount) break;
    xl.DeleteSheet(book, k);
  }
  xl.SetVisible(true);
}

bool FinishExcelTransfer() {
  std::string error;
  if (platform::SpreadsheetService().Finish(error)) return true;
  PostLogMessage(LevelCritical, 1047,
                 error.empty() ? std::string(kNotStarted)
                               : std::string(kNotStarted) + " (" + error + ")");
  return false;
}

bool TransferGridsToExcel(const std::vector<ExcelSheetGrid>& grids, int sheets,
                          bool keepFirstSheetOnly, int waitLevel) {
  PostLogMessageAlways(waitLevel, 1297, "Data transfer to MS Excel, please wait");
  platform::ProcessMessages();
  if (StartExcel(sheets) < 0) return false;
  bool ok = true;
  for (const ExcelSheetGrid& g : grids) {
    if (g.grid != nullptr && GridToExcel(*g.grid, g.sheet, g.name) < 0) ok = false;
  }
  if (keepFirstSheetOnly) PrepareExcelWorkbook(2);
  // Whatever was written is handed to the user; only a whole transfer counts as completed.
  if (!FinishExcelTransfer()) return false;
  if (ok) PostLogMessageAlways(LevelImportant, 1373, "Data transfer to MS Excel is completed");
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Copy buffer and clipboard

void GridToolkit::ResetMemoBuffer() { Buffer().Clear(); }

void GridToolkit::AddMemoLine(std::string_view text) { Buffer().Lines().Add(text); }

void GridToolkit::GridRangeToMemo(int c1, int r1, const StringGrid& grid, int r2, int c2) {
  if (HtmlCopyMode) {
    AddMemoLine(GridToHtml(grid, c1, r2, c2, r1));
    return;
  }
  c1 = std::max(c1, 0);
  r1 = std::max(r1, 0);
  c2 = std::min(c2, LastCol(grid));
  r2 = std::min(r2, LastRow(grid));
  if (c1 == c2 && r1 == r2) {
    AddMemoLine(grid.Cells(c1, r1));
    return;
  }
  for (int r = r1; r <= r2; ++r) {
    std::string line;
    for (int c = c1; c <= c2; ++c) {
      if (c > c1) line.push_back('\t');
      line += grid.Cells(c, r);
    }
    AddMemoLine(line);
  }
}

void GridToolkit::CopyMemoToClipboard() {
  Buffer().SelectAll();
  platform::Clipboard().SetText(Buffer().Text());
}

bool GridToolkit::PasteClipboardText() {
  platform::ClipboardService& clip = platform::Clipboard();
  if (!clip.HasText()) {
    platform::MessageBox("Unknown format in clipboard", "Quorel",
                         platform::mbOk | platform::mbIconInformation);
    return false;
  }
  Buffer().Lines().Assign(SplitTextLines(clip.Text()));
  return true;
}

std::string GridToolkit::MemoLine(int n) const { return Buffer().Lines()[n]; }

int GridToolkit::MemoLineCount() const { return Buffer().Lines().Count(); }

void GridToolkit::MemoToGrid(int col, int row, StringGrid& grid) {
  int n = MemoLineCount();
  if (n == 0) return;
  col = std::max(col, 0);
  row = std::clamp(row, 0, MaxGridFileRows);
  if (n > MaxGridFileRows - row) {
    ReportGridCapped("Clipboard");
    n = MaxGridFileRows - row;
    if (n == 0) return;
  }
  if (grid.RowCount() <= n + row) grid.SetRowCount(n + row);
  const std::string first = MemoLine(0);
  const int tabs = static_cast<int>(std::count(first.begin(), first.end(), '\t'));
  if (col <= LastCol(grid)) ClearGridRect(grid, col, row + n - 1, col + tabs, row);
  for (int i = 0; i < n; ++i) TabLineToGridRow(col, row + i, MemoLine(i), grid);
}

void GridToolkit::SwapGrids(StringGrid& a, StringGrid& b) {
  if (&a == &b) return;
  if (SpareGrid && SpareGrid != &a && SpareGrid != &b) {
    CopyGrid(b, *SpareGrid);
    CopyGrid(a, b);
    CopyGrid(*SpareGrid, a);
    return;
  }
  StringGrid spare;
  CopyGrid(b, spare);
  CopyGrid(a, b);
  CopyGrid(spare, a);
}

void GridToolkit::CopyGridSelection(const StringGrid& grid) {
  const platform::GridRect& s = grid.Selection();
  ResetMemoBuffer();
  GridRangeToMemo(s.Left, s.Top, grid, s.Bottom, s.Right);
  CopyMemoToClipboard();
}

bool GridToolkit::GridKeyDown(StringGrid& grid, int& key, platform::ShiftState shift) {
  using platform::Key::Down;
  using platform::Key::Left;
  using platform::Key::Right;
  using platform::Key::Up;
  const bool ctrl = (shift & platform::ssCtrl) != 0;
  const bool alt = (shift & platform::ssAlt) != 0;
  if (ctrl && !alt && (key == 'C' || key == 'c')) {
    CopyGridSelection(grid);
    key = 0;
    return true;
  }
  if (!alt || ctrl) return false;
  if (key == Up || key == Down) {
    const int h = grid.DefaultRowHeight() + (key == Up ? -1 : 1);
    if (h > 8) grid.SetDefaultRowHeight(h);
    key = 0;
    return true;
  }
  if (key == Left || key == Right) {
    const int w = grid.ColWidths(0) + (key == Left ? -1 : 1);
    if (w > 8) grid.SetColWidths(0, w);
    key = 0;
    return true;
  }
  return false;
}

void AppendGridRows(std::vector<std::string>& lines, const platform::StringGrid& grid) {
  for (int r = 0; r < grid.RowCount(); ++r) {
    std::string line;
    for (int c = 0; c < grid.ColCount(); ++c) {
      if (c > 0) line += '\t';
      line += grid.Cells(c, r);
    }
    lines.push_back(std::move(line));
  }
}

}  // namespace quorel
