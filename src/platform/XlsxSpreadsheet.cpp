#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include <xlsxwriter.h>

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/Spreadsheet.h"
#include "platform/Text.h"

namespace platform {

namespace {

std::string LowerAscii(std::string s) {
  for (char& ch : s) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return s;
}

// A sheet name the file format accepts, unique (ASCII case-insensitive) among those taken.
std::string MendSheetName(const std::string& wanted, int position, std::set<std::string>& taken) {
  std::string base = wanted;
  for (char& ch : base) {
    if (ch != '\0' && std::strchr("[]:*?/\\", ch) != nullptr) ch = '_';
    if (static_cast<unsigned char>(ch) < 0x20) ch = '_';
  }
  if (base.empty()) base = "Sheet" + std::to_string(position);
  if (LowerAscii(base) == "history") base += "_";  // reserved by the spreadsheet program
  // One Windows-1252 byte is one character of the name; a name neither starts nor ends with an
  // apostrophe.
  const std::size_t kMax = LXW_SHEETNAME_MAX;
  auto fit = [](std::string s) {
    if (s.front() == '\'') s.front() = '_';
    if (s.back() == '\'') s.back() = '_';
    return s;
  };
  std::string name = fit(base.substr(0, kMax));
  for (int n = 2; taken.count(LowerAscii(name)) != 0; ++n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    name = fit(base.substr(0, kMax - suffix.size()) + suffix);
  }
  taken.insert(LowerAscii(name));
  return name;
}

std::string TempRoot() {
  const char* dir = std::getenv("TMPDIR");
  return (dir != nullptr && *dir != '\0') ? std::string(dir) : std::string("/tmp");
}

}  // namespace

// ---------------------------------------------------------------------------------------------

bool OpenWithDesktop(const std::string& path) { return ShellOpen(path); }

// ---------------------------------------------------------------------------------------------

XlsxSpreadsheet::XlsxSpreadsheet(DocumentOpener opener, std::string folder)
    : opener_(std::move(opener)), folder_(std::move(folder)) {}

bool XlsxSpreadsheet::Attach() { return connected_; }

bool XlsxSpreadsheet::Start() {
  connected_ = true;
  visible_ = false;
  return true;
}

SpreadsheetBook* XlsxSpreadsheet::Book(int book) {
  if (!connected_ || book < 1 || book > static_cast<int>(books_.size())) return nullptr;
  return &books_[static_cast<std::size_t>(book - 1)];
}

const SpreadsheetBook* XlsxSpreadsheet::Book(int book) const {
  if (!connected_ || book < 1 || book > static_cast<int>(books_.size())) return nullptr;
  return &books_[static_cast<std::size_t>(book - 1)];
}

SpreadsheetSheet* XlsxSpreadsheet::Sheet(int book, int sheet) {
  SpreadsheetBook* b = Book(book);
  if (b == nullptr || sheet < 1 || sheet > static_cast<int>(b->Sheets.size())) return nullptr;
  return &b->Sheets[static_cast<std::size_t>(sheet - 1)];
}

bool XlsxSpreadsheet::AddWorkbook() {
  if (!connected_) return false;
  SpreadsheetBook book;
  book.Name = "Book" + std::to_string(++booksMade_);
  book.Sheets.push_back({"Sheet1", {}, {}});
  books_.push_back(std::move(book));
  return true;
}

std::string XlsxSpreadsheet::WorkbookName(int book) const {
  const SpreadsheetBook* b = Book(book);
  return b ? b->Name : std::string();
}

int XlsxSpreadsheet::SheetCount(int book) const {
  const SpreadsheetBook* b = Book(book);
  return b ? static_cast<int>(b->Sheets.size()) : 0;
}

bool XlsxSpreadsheet::AddSheet(int book) {
  SpreadsheetBook* b = Book(book);
  if (b == nullptr) return false;
  b->Sheets.push_back({"Sheet" + std::to_string(b->Sheets.size() + 1), {}, {}});
  b->Changed = true;
  return true;
}

bool XlsxSpreadsheet::DeleteSheet(int book, int sheet) {
  SpreadsheetBook* b = Book(book);
  // A workbook keeps at least one sheet.
  if (b == nullptr || sheet < 1 || sheet > static_cast<int>(b->Sheets.size()) || b->Sheets.size() < 2) {
    return false;
  }
  b->Sheets.erase(b->Sheets.begin() + (sheet - 1));
  b->Changed = true;
  return true;
}

std::string XlsxSpreadsheet::SheetName(int book, int sheet) const {
  const SpreadsheetBook* b = Book(book);
  if (b == nullptr || sheet < 1 || sheet > static_cast<int>(b->Sheets.size())) return {};
  return b->Sheets[static_cast<std::size_t>(sheet - 1)].Name;
}

bool XlsxSpreadsheet::SetSheetName(int book, int sheet, const std::string& name) {
  SpreadsheetSheet* s = Sheet(book, sheet);
  if (s == nullptr) return false;
  s->Name = name;
  Book(book)->Changed = true;
  return true;
}

bool XlsxSpreadsheet::SetCell(int book, int sheet, int row, int col, const std::string& text) {
  SpreadsheetSheet* s = Sheet(book, sheet);
  if (s == nullptr || row < 1 || row > kMaxRows || col < 1 || col > kMaxCols || text.size() > kMaxCellText) {
    return false;
  }
  s->Numbers.erase({row, col});
  if (text.empty()) {
    s->Cells.erase({row, col});
  } else {
    s->Cells[{row, col}] = text;
  }
  Book(book)->Changed = true;
  return true;
}

bool XlsxSpreadsheet::SetNumber(int book, int sheet, int row, int col, double value, const std::string& text) {
  if (!std::isfinite(value) || text.empty() || !SetCell(book, sheet, row, col, text)) return false;
  Sheet(book, sheet)->Numbers[{row, col}] = value;
  return true;
}

bool XlsxSpreadsheet::WriteXlsx(const SpreadsheetBook& book, const std::string& path, std::string& error) {
  const std::string native = NativePath(path);
  const std::string temp = native + ".~" + std::to_string(::getpid());
  {
    // Checked here so the reason is ours (the library would only print it).
    const std::size_t slash = native.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash == 0 ? 1 : slash);
    struct stat st {};
    int err = 0;
    if (::stat(folder.c_str(), &st) != 0) {
      err = errno;
    } else if (!S_ISDIR(st.st_mode)) {
      err = ENOTDIR;
    } else if (::access(folder.c_str(), W_OK) != 0) {
      err = errno;
    }
    if (err != 0) {
      error = "Cannot write the workbook \"" + path + "\": " + std::strerror(err);
      return false;
    }
  }
  lxw_workbook* workbook = workbook_new(temp.c_str());
  if (workbook == nullptr) {
    error = "Cannot create the workbook \"" + path + "\"";
    return false;
  }
  std::set<std::string> taken;
  int position = 0;
  for (const SpreadsheetSheet& sheet : book.Sheets) {
    const std::string name = Cp1252ToUtf8(MendSheetName(sheet.Name, ++position, taken));
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook, name.c_str());
    if (worksheet == nullptr) {
      error = "Cannot add the sheet \"" + sheet.Name + "\" to \"" + path + "\"";
      workbook_close(workbook);
      std::remove(temp.c_str());
      return false;
    }
    for (const auto& [cell, text] : sheet.Cells) {
      const auto row = static_cast<lxw_row_t>(cell.first - 1);
      const auto col = static_cast<lxw_col_t>(cell.second - 1);
      const auto number = sheet.Numbers.find(cell);
      const lxw_error rc = number != sheet.Numbers.end()
                               ? worksheet_write_number(worksheet, row, col, number->second, nullptr)
                               : worksheet_write_string(worksheet, row, col, Cp1252ToUtf8(text).c_str(), nullptr);
      if (rc != LXW_NO_ERROR) {
        error = "Cannot write a cell of \"" + path + "\": " + lxw_strerror(rc);
        workbook_close(workbook);
        std::remove(temp.c_str());
        return false;
      }
    }
  }
  const lxw_error rc = workbook_close(workbook);
  if (rc != LXW_NO_ERROR) {
    error = "Cannot write the workbook \"" + path + "\": " + lxw_strerror(rc);
    std::remove(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), native.c_str()) != 0) {
    error = "Cannot write the workbook \"" + path + "\": " + std::strerror(errno);
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

std::string XlsxSpreadsheet::SaveWorkbookElsewhere(const SpreadsheetBook& book) {
  SaveDialog dialog;
  dialog.SetTitle("No program opens the workbook: save it as");
  dialog.SetFilter("Excel Workbook (*.xlsx)|*.xlsx|All Files (*.*)|*.*");
  dialog.SetFileName(book.Name + ".xlsx");
  for (;;) {
    if (!dialog.Execute()) return {};
    std::string path = dialog.FileName();
    if (dialog.FilterIndex() <= 1 && path.size() >= 5) {
      std::string ext = path.substr(path.size() - 5);
      for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (ext != ".xlsx") path += ".xlsx";
    } else if (dialog.FilterIndex() <= 1) {
      path += ".xlsx";
    }
    std::string why;
    if (WriteXlsx(book, path, why)) return path;
    MessageBox(why, "Save Workbook", mbOk | mbIconExclamation);
    dialog.SetFileName(path);
  }
}

bool XlsxSpreadsheet::Finish(std::string& error) {
  error.clear();
  bool ok = true;
  auto fail = [&](std::string why) {
    if (ok) error = std::move(why);
    ok = false;
  };
  if (!connected_) return true;
  for (SpreadsheetBook& book : books_) {
    if (!book.Changed) continue;
    if (folder_.empty()) {
      std::string pattern = TempRoot() + "/quorel-XXXXXX";
      if (::mkdtemp(pattern.data()) == nullptr) {
        fail("Cannot make a folder for the workbook in \"" + PathFromNative(TempRoot()) + "\": " +
             std::strerror(errno));
        return false;
      }
      folder_ = PathFromNative(pattern);
    }
    if (book.WrittenPath.empty()) book.WrittenPath = folder_ + "/" + book.Name + ".xlsx";
    std::string why;
    if (!WriteXlsx(book, book.WrittenPath, why)) {
      fail(why);
      continue;
    }
    book.Changed = false;
    if (visible_ && (!opener_ || !opener_(book.WrittenPath))) {
      // No program takes it: the user says where the workbook goes instead of a temporary folder.
      const std::string kept = SaveWorkbookElsewhere(book);
      if (kept.empty()) fail("Cannot open \"" + book.WrittenPath + "\" with the desktop's spreadsheet program");
      else book.WrittenPath = kept;
    }
  }
  return ok;
}

}  // namespace platform
