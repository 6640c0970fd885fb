#include "platform/Grid.h"

#include <algorithm>

namespace platform {

namespace {

const std::string kEmpty;

// Where index i stands after the column (row) at `from` moved to `to`.
int AfterMove(int i, int from, int to) {
  if (i == from) return to;
  if (from < to && i > from && i <= to) return i - 1;
  if (from > to && i >= to && i < from) return i + 1;
  return i;
}

}  // namespace

StringGrid::StringGrid(Component* owner, std::string name) : Component(owner, std::move(name)) {
  SetBounds(0, 0, 320, 120);
  SetColor(clWindow);
  Resize(col_count_, row_count_);
}

// A row holds its cells up to the last one ever written (shorter rows read as empty cells), so a
// grid costs what its texts cost, not its column count times its row count.
void StringGrid::Resize(int cols, int rows) {
  cells_.resize(std::size_t(rows));
  if (cols < col_count_)
    for (auto& r : cells_)
      if (r.size() > std::size_t(cols)) r.resize(std::size_t(cols));
  col_widths_.resize(std::size_t(cols), default_col_width_);
  row_heights_.resize(std::size_t(rows), default_row_height_);
  col_count_ = cols;
  row_count_ = rows;
}

void StringGrid::ClampState() {
  fixed_cols_ = std::min(wanted_fixed_cols_, std::max(0, col_count_ - 1));
  fixed_rows_ = std::min(wanted_fixed_rows_, std::max(0, row_count_ - 1));
  col_ = std::clamp(col_, fixed_cols_, col_count_ - 1);
  row_ = std::clamp(row_, fixed_rows_, row_count_ - 1);
  auto cc = [&](int v) { return std::clamp(v, fixed_cols_, col_count_ - 1); };
  auto cr = [&](int v) { return std::clamp(v, fixed_rows_, row_count_ - 1); };
  selection_ = {cc(selection_.Left), cr(selection_.Top), cc(selection_.Right), cr(selection_.Bottom)};
  left_col_ = cc(left_col_);
  top_row_ = cr(top_row_);
}

const std::string& StringGrid::Cells(int col, int row) const {
  if (col < 0 || row < 0 || col >= col_count_ || row >= row_count_) return kEmpty;
  const auto& r = cells_[std::size_t(row)];
  return std::size_t(col) < r.size() ? r[std::size_t(col)] : kEmpty;
}

void StringGrid::SetCells(int col, int row, std::string_view text) {
  if (col < 0 || row < 0 || col >= col_count_ || row >= row_count_) return;
  auto& r = cells_[std::size_t(row)];
  if (std::size_t(col) >= r.size()) {
    if (text.empty()) return;
    // The text may be another cell of this row (Cells returns a reference), which the row's
    // growth would move: it is copied first.
    std::string copy(text);
    r.resize(std::size_t(col) + 1);
    r[std::size_t(col)] = std::move(copy);
  } else {
    std::string& cell = r[std::size_t(col)];
    if (cell == text) return;
    cell = std::string(text);
  }
  if (View* v = GetView()) v->CellChanged(*this, col, row);
}

std::vector<std::string> StringGrid::Rows(int row) const {
  if (row < 0 || row >= row_count_) return {};
  std::vector<std::string> out = cells_[std::size_t(row)];
  out.resize(std::size_t(col_count_));
  return out;
}

std::vector<std::string> StringGrid::Cols(int col) const {
  if (col < 0 || col >= col_count_) return {};
  std::vector<std::string> out;
  out.reserve(std::size_t(row_count_));
  for (const auto& r : cells_) out.push_back(std::size_t(col) < r.size() ? r[std::size_t(col)] : kEmpty);
  return out;
}

void StringGrid::ClearCells() {
  for (auto& r : cells_) std::vector<std::string>().swap(r);
  NotifyChanged(Property::Cells);
}

void StringGrid::SetColCount(int n) {
  n = std::max(1, n);
  if (n == col_count_) return;
  int fixed = fixed_cols_;
  Resize(n, row_count_);
  ClampState();
  NotifyChanged(Property::ColCount);
  if (fixed != fixed_cols_) NotifyChanged(Property::FixedCols);
}

void StringGrid::SetRowCount(int n) {
  n = std::max(1, n);
  if (n == row_count_) return;
  int fixed = fixed_rows_;
  Resize(col_count_, n);
  ClampState();
  NotifyChanged(Property::RowCount);
  if (fixed != fixed_rows_) NotifyChanged(Property::FixedRows);
}

// A grid that showed its first scrollable column (row) keeps showing it when the number of fixed
// ones changes, and so does a current cell that stood there.
void StringGrid::SetFixedCols(int n) {
  wanted_fixed_cols_ = std::max(0, n);
  int before = fixed_cols_;
  ClampState();
  if (fixed_cols_ == before) return;
  if (left_col_ == before) left_col_ = fixed_cols_;
  if (col_ == before) col_ = fixed_cols_;
  if (selection_.Left == before && selection_.Right == before) selection_.Left = selection_.Right = col_;
  NotifyChanged(Property::FixedCols);
}

void StringGrid::SetFixedRows(int n) {
  wanted_fixed_rows_ = std::max(0, n);
  int before = fixed_rows_;
  ClampState();
  if (fixed_rows_ == before) return;
  if (top_row_ == before) top_row_ = fixed_rows_;
  if (row_ == before) row_ = fixed_rows_;
  if (selection_.Top == before && selection_.Bottom == before) selection_.Top = selection_.Bottom = row_;
  NotifyChanged(Property::FixedRows);
}

void StringGrid::SetDefaultColWidth(int w) {
  w = std::max(0, w);
  default_col_width_ = w;
  std::fill(col_widths_.begin(), col_widths_.end(), w);
  NotifyChanged(Property::DefaultColWidth);
}

void StringGrid::SetDefaultRowHeight(int h) {
  h = std::max(0, h);
  default_row_height_ = h;
  std::fill(row_heights_.begin(), row_heights_.end(), h);
  NotifyChanged(Property::DefaultRowHeight);
}

int StringGrid::ColWidths(int col) const {
  if (col < 0 || col >= col_count_) return default_col_width_;
  return col_widths_[std::size_t(col)];
}

void StringGrid::SetColWidths(int col, int w) {
  if (col < 0 || col >= col_count_) return;
  w = std::max(0, w);
  if (col_widths_[std::size_t(col)] == w) return;
  col_widths_[std::size_t(col)] = w;
  NotifyChanged(Property::ColWidths);
}

int StringGrid::RowHeights(int row) const {
  if (row < 0 || row >= row_count_) return default_row_height_;
  return row_heights_[std::size_t(row)];
}

void StringGrid::SetRowHeights(int row, int h) {
  if (row < 0 || row >= row_count_) return;
  h = std::max(0, h);
  if (row_heights_[std::size_t(row)] == h) return;
  row_heights_[std::size_t(row)] = h;
  NotifyChanged(Property::RowHeights);
}

void StringGrid::SetGridLineWidth(int w) {
  grid_line_width_ = std::max(0, w);
  NotifyChanged(Property::Style);
}

void StringGrid::SetLeftCol(int c) {
  c = std::clamp(c, fixed_cols_, col_count_ - 1);
  if (c == left_col_) return;
  left_col_ = c;
  NotifyChanged(Property::ScrollPosition);
}

void StringGrid::SetTopRow(int r) {
  r = std::clamp(r, fixed_rows_, row_count_ - 1);
  if (r == top_row_) return;
  top_row_ = r;
  NotifyChanged(Property::ScrollPosition);
}

int StringGrid::VisibleColCount() const {
  int x = 0;
  for (int c = 0; c < fixed_cols_; ++c) x += ColWidths(c) + grid_line_width_;
  int n = 0;
  for (int c = left_col_; c < col_count_; ++c) {
    x += ColWidths(c) + grid_line_width_;
    if (x > ClientWidth()) break;
    ++n;
  }
  if (n == 0 && left_col_ < col_count_ && left_col_ >= fixed_cols_) n = 1;
  return n;
}

int StringGrid::VisibleRowCount() const {
  int y = 0;
  for (int r = 0; r < fixed_rows_; ++r) y += RowHeights(r) + grid_line_width_;
  int n = 0;
  for (int r = top_row_; r < row_count_; ++r) {
    y += RowHeights(r) + grid_line_width_;
    if (y > ClientHeight()) break;
    ++n;
  }
  if (n == 0 && top_row_ < row_count_ && top_row_ >= fixed_rows_) n = 1;
  return n;
}

namespace {
// Finds the index along one axis: fixed entries first, then from the first scrolled one.
int AxisToIndex(int pos, int fixed, int first, int count, int line, const std::function<int(int)>& size) {
  if (pos < 0) return -1;
  int x = 0;
  for (int i = 0; i < fixed && i < count; ++i) {
    int next = x + size(i) + line;
    if (pos < next) return i;
    x = next;
  }
  for (int i = first; i < count; ++i) {
    int next = x + size(i) + line;
    if (pos < next) return i;
    x = next;
  }
  return -1;
}

bool AxisRange(int index, int fixed, int first, int line, const std::function<int(int)>& size,
               int& from, int& to) {
  if (index >= fixed && index < first) return false;
  int x = 0;
  for (int i = 0; i < fixed; ++i) {
    if (i == index) {
      from = x;
      to = x + size(i);
      return true;
    }
    x += size(i) + line;
  }
  for (int i = first; i <= index; ++i) {
    if (i == index) {
      from = x;
      to = x + size(i);
      return true;
    }
    x += size(i) + line;
  }
  return false;
}
}  // namespace

void StringGrid::MouseToCell(int x, int y, int& col, int& row) const {
  auto cw = [this](int i) { return ColWidths(i); };
  auto rh = [this](int i) { return RowHeights(i); };
  col = AxisToIndex(x, fixed_cols_, left_col_, col_count_, grid_line_width_, cw);
  row = AxisToIndex(y, fixed_rows_, top_row_, row_count_, grid_line_width_, rh);
  if (col < 0 || row < 0) col = row = -1;
}

Rect StringGrid::CellRect(int col, int row) const {
  if (col < 0 || row < 0 || col >= col_count_ || row >= row_count_) return {};
  auto cw = [this](int i) { return ColWidths(i); };
  auto rh = [this](int i) { return RowHeights(i); };
  int x1, x2, y1, y2;
  if (!AxisRange(col, fixed_cols_, left_col_, grid_line_width_, cw, x1, x2)) return {};
  if (!AxisRange(row, fixed_rows_, top_row_, grid_line_width_, rh, y1, y2)) return {};
  if (x1 >= ClientWidth() || y1 >= ClientHeight()) return {};
  return {x1, y1, x2, y2};
}

void StringGrid::SetCurrent(int col, int row) {
  col_ = std::clamp(col, fixed_cols_, col_count_ - 1);
  row_ = std::clamp(row, fixed_rows_, row_count_ - 1);
  if (options_ & goRowSelect) selection_ = {fixed_cols_, row_, col_count_ - 1, row_};
  else selection_ = {col_, row_, col_, row_};
  NotifyChanged(Property::CurrentCell);
  NotifyChanged(Property::Selection);
}

void StringGrid::SetSelection(GridRect r) {
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  auto cc = [&](int v) { return std::clamp(v, fixed_cols_, col_count_ - 1); };
  auto cr = [&](int v) { return std::clamp(v, fixed_rows_, row_count_ - 1); };
  selection_ = {cc(r.Left), cr(r.Top), cc(r.Right), cr(r.Bottom)};
  col_ = selection_.Right;
  row_ = selection_.Bottom;
  NotifyChanged(Property::Selection);
  NotifyChanged(Property::CurrentCell);
}

void StringGrid::SetOptions(GridOptions o) {
  if (o == options_) return;
  options_ = o;
  if (!(options_ & goEditing)) editor_mode_ = false;
  if (options_ & goRowSelect) selection_ = {fixed_cols_, row_, col_count_ - 1, row_};
  NotifyChanged(Property::Options);
}

void StringGrid::SetEditorMode(bool on) {
  on = on && (options_ & goEditing);
  if (on == editor_mode_) return;
  editor_mode_ = on;
  NotifyChanged(Property::Options);
}

void StringGrid::MoveColumn(int from, int to) {
  if (from < 0 || to < 0 || from >= col_count_ || to >= col_count_ || from == to) return;
  for (auto& r : cells_) {
    if (r.size() <= std::size_t(std::max(from, to))) {
      if (r.size() <= std::size_t(std::min(from, to))) continue;  // both cells empty
      r.resize(std::size_t(std::max(from, to)) + 1);
    }
    std::string moved = std::move(r[std::size_t(from)]);
    r.erase(r.begin() + from);
    r.insert(r.begin() + to, std::move(moved));
  }
  int w = col_widths_[std::size_t(from)];
  col_widths_.erase(col_widths_.begin() + from);
  col_widths_.insert(col_widths_.begin() + to, w);
  // The current column follows the cells it was on.
  col_ = AfterMove(col_, from, to);
  selection_.Left = selection_.Right = col_;
  selection_.Top = selection_.Bottom = row_;
  ClampState();
  NotifyChanged(Property::Cells);
  NotifyChanged(Property::ColWidths);
  NotifyChanged(Property::Selection);
}

void StringGrid::MoveRow(int from, int to) {
  if (from < 0 || to < 0 || from >= row_count_ || to >= row_count_ || from == to) return;
  std::vector<std::string> moved = std::move(cells_[std::size_t(from)]);
  cells_.erase(cells_.begin() + from);
  cells_.insert(cells_.begin() + to, std::move(moved));
  int h = row_heights_[std::size_t(from)];
  row_heights_.erase(row_heights_.begin() + from);
  row_heights_.insert(row_heights_.begin() + to, h);
  row_ = AfterMove(row_, from, to);
  selection_.Left = selection_.Right = col_;
  selection_.Top = selection_.Bottom = row_;
  ClampState();
  NotifyChanged(Property::Cells);
  NotifyChanged(Property::RowHeights);
  NotifyChanged(Property::Selection);
}

bool StringGrid::UserSelectCell(int col, int row) {
  if (col < fixed_cols_ || row < fixed_rows_ || col >= col_count_ || row >= row_count_) return false;
  bool can = true;
  if (OnSelectCell) OnSelectCell(this, col, row, can);
  if (!can) return false;
  SetCurrent(col, row);
  if (OnClick) OnClick(this);
  return true;
}

void StringGrid::UserSelectRange(int col1, int row1, int col2, int row2) {
  SetSelection({col1, row1, col2, row2});
  col_ = std::clamp(col2, fixed_cols_, col_count_ - 1);
  row_ = std::clamp(row2, fixed_rows_, row_count_ - 1);
  NotifyChanged(Property::CurrentCell);
}

void StringGrid::UserSetEditText(int col, int row, std::string_view text) {
  if (!(options_ & goEditing)) return;
  if (col < 0 || row < 0 || col >= col_count_ || row >= row_count_) return;
  SetCells(col, row, text);
  // The handler gets its own copy: it may resize the grid or rewrite the cell.
  const std::string edited = Cells(col, row);
  if (OnSetEditText) OnSetEditText(this, col, row, edited);
}

void StringGrid::UserMoveColumn(int from, int to) {
  if (!(options_ & goColMoving)) return;
  if (from < 0 || to < 0 || from >= col_count_ || to >= col_count_ || from == to) return;
  MoveColumn(from, to);
  if (OnColumnMoved) OnColumnMoved(this, from, to);
}

void StringGrid::UserMoveRow(int from, int to) {
  if (!(options_ & goRowMoving)) return;
  if (from < 0 || to < 0 || from >= row_count_ || to >= row_count_ || from == to) return;
  MoveRow(from, to);
  if (OnRowMoved) OnRowMoved(this, from, to);
}

void StringGrid::UserScroll(int leftCol, int topRow) {
  int l = left_col_, t = top_row_;
  SetLeftCol(leftCol);
  SetTopRow(topRow);
  if ((l != left_col_ || t != top_row_) && OnTopLeftChanged) OnTopLeftChanged(this);
}

void StringGrid::DrawCell(int col, int row, CellDrawInfo& info) {
  if (OnDrawCell) OnDrawCell(this, col, row, info);
}

}  // namespace platform
