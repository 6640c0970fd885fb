// The table text file and the pastes: a file and its bytes load the same grid; the grid stays
// within the caps; a saved grid reads back to the same cells; a paste through the record
// table and through the copy buffer stays within the caps and holds no line break or TAB.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/Grid.h"
#include "platform/Services.h"
#include "records_charts/TablOprt.h"
#include "shared/GridTools.h"

using namespace quorel;
using fuzzsupport::Env;

namespace {

bool SameCells(const platform::StringGrid& a, const platform::StringGrid& b) {
  if (a.RowCount() != b.RowCount() || a.ColCount() != b.ColCount()) return false;
  for (int r = 0; r < a.RowCount(); ++r)
    for (int c = 0; c < a.ColCount(); ++c)
      if (a.Cells(c, r) != b.Cells(c, r)) return false;
  return true;
}

bool CleanCells(const platform::StringGrid& g) {
  for (int r = 0; r < g.RowCount(); ++r)
    for (int c = 0; c < g.ColCount(); ++c)
      if (g.Cells(c, r).find_first_of("\t\r\n") != std::string::npos) return false;
  return true;
}

bool WithinCaps(const platform::StringGrid& g) {
  return g.RowCount() <= MaxGridFileRows && g.ColCount() <= MaxGridFileCols;
}

// Whole-grid comparisons and saves cost rows times columns: done for grids of moderate size.
bool Small(const platform::StringGrid& g) { return double(g.RowCount()) * g.ColCount() <= 2e5; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  const std::string_view text = fuzzsupport::AsText(data, size);
  const std::string file = Env().File("table.asc");
  fuzzsupport::WriteFile(file, text);

  platform::StringGrid fromFile, fromBytes;
  const int rowsFile = LoadGridText(file, 0, fromFile, true, 0);
  const int rowsBytes = TableTextToGrid(text, 0, fromBytes, true, 0);
  FUZZ_CHECK(rowsFile == rowsBytes && rowsFile >= 0 && rowsFile <= MaxGridFileRows);
  FUZZ_CHECK(WithinCaps(fromFile));
  if (Small(fromFile)) {
    FUZZ_CHECK(SameCells(fromFile, fromBytes));
    FUZZ_CHECK(CleanCells(fromFile));
    // Save and read back: the same cells (a row of empty cells may come back shorter, so the
    // grid read back is compared inside the first one's size).
    const std::string saved = Env().File("saved.asc");
    FUZZ_CHECK(SaveGridText(fromFile, saved) == 1);
    platform::StringGrid back;
    back.SetColCount(fromFile.ColCount());
    back.SetRowCount(fromFile.RowCount());
    LoadGridText(saved, 0, back, true, 0);
    FUZZ_CHECK(SameCells(back, fromFile));
  }

  // Loading at an offset into a grid that is already there.
  platform::StringGrid offset;
  TableTextToGrid(text, 3, offset, size % 2 == 0, 2);
  FUZZ_CHECK(WithinCaps(offset));

  // The record table's paste and the copy buffer's paste.
  platform::StringGrid pasted;
  PasteTextToGrid(text, int(size % 5), int(size % 3), pasted);
  FUZZ_CHECK(WithinCaps(pasted));
  if (Small(pasted)) FUZZ_CHECK(CleanCells(pasted));
  platform::Clipboard().SetText(text);
  GridToolkit kit;
  FUZZ_CHECK(kit.PasteClipboardText());
  platform::StringGrid memo;
  kit.MemoToGrid(1, 1, memo);
  FUZZ_CHECK(WithinCaps(memo));
  if (Small(memo)) {
    FUZZ_CHECK(CleanCells(memo));
    kit.ResetMemoBuffer();
    kit.GridRangeToMemo(0, 0, memo, memo.RowCount() - 1, memo.ColCount() - 1);
    kit.HtmlCopyMode = true;
    kit.GridRangeToMemo(0, 0, memo, memo.RowCount() - 1, memo.ColCount() - 1);
  }
  return 0;
}
