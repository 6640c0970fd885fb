// The grid of text cells that every table of the system uses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Component.h"

namespace platform {

// Options of a grid (bit set).
using GridOptions = unsigned;
inline constexpr GridOptions goFixedVertLine = 1u << 0;
inline constexpr GridOptions goFixedHorzLine = 1u << 1;
inline constexpr GridOptions goVertLine = 1u << 2;
inline constexpr GridOptions goHorzLine = 1u << 3;
inline constexpr GridOptions goRangeSelect = 1u << 4;
inline constexpr GridOptions goDrawFocusSelected = 1u << 5;
inline constexpr GridOptions goRowSizing = 1u << 6;
inline constexpr GridOptions goColSizing = 1u << 7;
inline constexpr GridOptions goRowMoving = 1u << 8;
inline constexpr GridOptions goColMoving = 1u << 9;
inline constexpr GridOptions goEditing = 1u << 10;
inline constexpr GridOptions goTabs = 1u << 11;
inline constexpr GridOptions goRowSelect = 1u << 12;
inline constexpr GridOptions goAlwaysShowEditor = 1u << 13;
inline constexpr GridOptions goThumbTracking = 1u << 14;
inline constexpr GridOptions goDefaultOptions =
    goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;

// A cell rectangle: columns Left..Right and rows Top..Bottom, all inclusive.
struct GridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const GridRect&) const = default;
};

// Cell drawing state flags.
using DrawCellState = unsigned;
inline constexpr DrawCellState gdSelected = 1;
inline constexpr DrawCellState gdFocused = 2;
inline constexpr DrawCellState gdFixed = 4;

// What a draw-cell handler may change about one cell before the view paints it. The view fills
// the defaults (text, colours of the grid); the handler adjusts them.
struct CellDrawInfo {
  Rect CellRect;              // in grid pixels
  DrawCellState State = 0;
  std::string Text;           // the text drawn
  TColor Background = clWindow;
  TColor TextColor = clWindowText;
  int TextDx = 2, TextDy = 2; // text offset from the cell's top-left corner
  bool DefaultDrawing = true; // false: the handler drew everything (nothing else is painted)
};

class StringGrid : public Component {
 public:
  StringGrid(Component* owner = nullptr, std::string name = {});
  const char* Kind() const override { return "StringGrid"; }

  // --- cells ---
  // The text of cell (col, row); an empty text outside the grid. The reference holds until the
  // grid changes.
  const std::string& Cells(int col, int row) const;
  // Ignored outside the grid.
  void SetCells(int col, int row, std::string_view text);
  // Every cell of a row / column (empty outside).
  std::vector<std::string> Rows(int row) const;
  std::vector<std::string> Cols(int col) const;
  // Empties every cell (sizes stay).
  void ClearCells();

  // --- size ---
  // Growing gives empty cells; shrinking drops the cells beyond. A count is at least 1. The
  // fixed counts stay below the counts: a grid shrunk to one row has no fixed row, and gets the
  // fixed rows it was given back when it grows again. Col, Row, Selection, LeftCol and TopRow
  // are clamped into the new size.
  int ColCount() const { return col_count_; }
  void SetColCount(int n);
  int RowCount() const { return row_count_; }
  void SetRowCount(int n);
  int FixedCols() const { return fixed_cols_; }
  void SetFixedCols(int n);  // at least 0; in effect at most ColCount-1
  int FixedRows() const { return fixed_rows_; }
  void SetFixedRows(int n);  // at least 0; in effect at most RowCount-1
  TColor FixedColor() const { return fixed_color_; }
  void SetFixedColor(TColor c) { fixed_color_ = c; NotifyChanged(Property::Color); }

  // --- geometry ---
  int DefaultColWidth() const { return default_col_width_; }
  void SetDefaultColWidth(int w);   // every column takes it
  int DefaultRowHeight() const { return default_row_height_; }
  void SetDefaultRowHeight(int h);  // every row takes it
  int ColWidths(int col) const;     // DefaultColWidth outside
  void SetColWidths(int col, int w);
  int RowHeights(int row) const;    // DefaultRowHeight outside
  void SetRowHeights(int row, int h);
  int GridLineWidth() const { return grid_line_width_; }
  void SetGridLineWidth(int w);
  // Scroll position: first scrollable column / row shown (at least the fixed count).
  int LeftCol() const { return left_col_; }
  void SetLeftCol(int c);
  int TopRow() const { return top_row_; }
  void SetTopRow(int r);
  // Number of scrollable columns / rows fully visible in the client area from LeftCol / TopRow
  // (at least 1 while there are any).
  int VisibleColCount() const;
  int VisibleRowCount() const;
  // The cell under a client point; col = row = -1 outside the cells.
  void MouseToCell(int x, int y, int& col, int& row) const;
  // The client rectangle of a cell (empty when not visible).
  Rect CellRect(int col, int row) const;
  // Asks the view to show columns first..last at least as wide as their widest text (after a
  // calculation wrote them). ColWidths keep the widths the user or the program gave; the user
  // may narrow a widened column again. Nothing headless.
  void WidenColumnsToText(int first, int last) { SendRequest(Request::WidenColumns, first, last); }

  // --- current cell and selection ---
  int Col() const { return col_; }
  int Row() const { return row_; }
  // Makes (col, row) the current cell (clamped to the scrollable cells) and the selection that
  // single cell. No event.
  void SetCol(int col) { SetCurrent(col, row_); }
  void SetRow(int row) { SetCurrent(col_, row); }
  void SetCurrent(int col, int row);
  const GridRect& Selection() const { return selection_; }
  // Put in order (Left <= Right, Top <= Bottom) and clamped to the scrollable cells; the
  // current cell becomes the selection's bottom-right corner (the top-left is the anchor).
  void SetSelection(GridRect rect);

  GridOptions Options() const { return options_; }
  void SetOptions(GridOptions o);
  bool HasOption(GridOptions o) const { return (options_ & o) == o; }
  // The in-place editor is open on the current cell.
  bool EditorMode() const { return editor_mode_; }
  void SetEditorMode(bool on);

  // --- moves (no events) ---
  // Moves a whole column / row with its cells, width / height; the others shift between.
  void MoveColumn(int from, int to);
  void MoveRow(int from, int to);

  // --- user actions (fire events) ---
  // The user clicks / moves onto a cell: OnSelectCell may veto; if allowed the cell becomes the
  // current cell, then OnClick. Returns whether it was selected.
  bool UserSelectCell(int col, int row);
  // The user dragged a selection from anchor (col1, row1) to (col2, row2): the selection is
  // the rectangle between them (clamped), the current cell (col2, row2); no veto.
  void UserSelectRange(int col1, int row1, int col2, int row2);
  // The user finished editing cell (col, row): the cell takes the text, then OnSetEditText.
  void UserSetEditText(int col, int row, std::string_view text);
  // The user dragged a column / row (goColMoving / goRowMoving): moves it, then the event.
  void UserMoveColumn(int from, int to);
  void UserMoveRow(int from, int to);
  // The user scrolled: LeftCol / TopRow change, then OnTopLeftChanged.
  void UserScroll(int leftCol, int topRow);
  // The view asks how to draw a cell: fires OnDrawCell when set.
  void DrawCell(int col, int row, CellDrawInfo& info);

  std::function<void(Component* sender, int col, int row, bool& canSelect)> OnSelectCell;
  std::function<void(Component* sender, int col, int row, const std::string& text)> OnSetEditText;
  std::function<void(Component* sender, int col, int row, CellDrawInfo& info)> OnDrawCell;
  std::function<void(Component* sender, int from, int to)> OnColumnMoved;
  std::function<void(Component* sender, int from, int to)> OnRowMoved;
  NotifyEvent OnTopLeftChanged;

 private:
  void Resize(int cols, int rows);
  void ClampState();
  std::vector<std::vector<std::string>> cells_;  // [row][col]; a row ends at its last written cell
  int col_count_ = 5, row_count_ = 5;
  int fixed_cols_ = 1, fixed_rows_ = 1;
  int wanted_fixed_cols_ = 1, wanted_fixed_rows_ = 1;
  int default_col_width_ = 64, default_row_height_ = 24;
  std::vector<int> col_widths_, row_heights_;
  int grid_line_width_ = 1;
  int left_col_ = 1, top_row_ = 1;
  int col_ = 1, row_ = 1;
  GridRect selection_{1, 1, 1, 1};
  GridOptions options_ = goDefaultOptions;
  bool editor_mode_ = false;
  TColor fixed_color_ = clBtnFace;
};

}  // namespace platform
