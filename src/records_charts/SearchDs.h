// The "Search" dialog: finds a record of a grid (in practice the record table) by the numeric
// value of one field: the row with the smallest or the largest value, or the next row whose
// value lies in a range. The found record is scrolled into view and selected in the grid, and
// its fields are listed beside the search settings.
//
// A field's cells are read as numbers ("," or "." as the decimal separator); empty cells and
// cells that are not numbers take no part in the search. A bound that is given but is not a
// number is reported and the search finds nothing.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/Components.h"

namespace quorel {

// Message ID of a range bound ("From" or "To") that is not a number.
constexpr int SearchBoundUnreadableId = 2731;

// The field name the field list shows for a column title: the title trimmed; a temperature
// title ("T [K]", "T[C]") becomes "T", a reciprocal temperature ("1/T [1/K]", "1/(T ...") "1/T".
std::string SearchFieldName(std::string_view title);

class TSearchDsDlg : public platform::Form {
 public:
  explicit TSearchDsDlg(platform::Component* owner = nullptr);
  ~TSearchDsDlg() override;

  // --- components ---
  platform::GroupBox* GBSearch = nullptr;
  platform::Label* LabelField = nullptr;
  platform::ComboBox* CBFields = nullptr;
  platform::RadioButton* RBMin = nullptr;
  platform::RadioButton* RBMax = nullptr;
  platform::RadioButton* RBRestrictiv = nullptr;
  platform::Label* Label1 = nullptr;  // "From"
  platform::Edit* EditMin = nullptr;
  platform::Label* Label2 = nullptr;  // "To"
  platform::Edit* EditMax = nullptr;
  platform::CheckBox* CBAbs = nullptr;
  platform::Button* ButtonFind = nullptr;
  platform::Splitter* Splitter1 = nullptr;
  platform::ListView* ListView1 = nullptr;
  platform::ImageList* ImageList1 = nullptr;  // image 0 marks the searched field
  platform::Panel* Panel1 = nullptr;
  platform::Button* ButtonExit = nullptr;

  // --- operations ---
  // Binds the grid, lists its columns (titles of row 0) in the field list and the list view,
  // selects field 1 when there are at least two, and forgets the last found row.
  void SetSearchGrid(platform::StringGrid& grid);
  platform::StringGrid* SearchGrid() const { return grid_; }
  // The row found by the current settings, 0 when none. Does not change the dialog. "Find next
  // in Range" starts after the last found row; after the last record it finds nothing (the end
  // of the walk), and after that it starts again from row 1.
  int SearchRecords();
  int LastFoundRow() const { return lastFound_; }
  bool Searching() const { return searching_; }

  // --- commands ---
  // Find (the button, or Enter in any control): runs the search, lists the found row's fields,
  // scrolls the grid to it and selects the whole row.
  void Find();
  // Close (the button, or Esc in any control).
  void ExitClick();
  // A line of the list view was selected: its field becomes the searched field.
  void ListView1SelectItem(platform::ListItem* item, bool selected);
  // Lays out the search group after the splitter moved.
  void Splitter1Moved();
  void FormResize();

 protected:
  void Forget(const platform::Component* dying) override;

 private:
  // One list-view line per grid column, the searched field marked; data cells empty.
  void FillListView();
  void ScrollToRow(int row);

  platform::StringGrid* grid_ = nullptr;
  int lastFound_ = 0;
  bool searching_ = false;
};

extern TSearchDsDlg* SearchDsDlg;

// The search command of the equilibrium program: binds the dialog to the record table and
// shows it.
void ShowRecordSearch();

}  // namespace quorel
