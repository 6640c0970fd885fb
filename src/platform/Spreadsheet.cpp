#include "platform/Spreadsheet.h"

namespace platform {

namespace {

std::unique_ptr<Spreadsheet>& InstalledService() {
  static std::unique_ptr<Spreadsheet> service;
  return service;
}

}  // namespace

Spreadsheet& SpreadsheetService() {
  std::unique_ptr<Spreadsheet>& service = InstalledService();
  if (!service) service = std::make_unique<XlsxSpreadsheet>();
  return *service;
}

std::unique_ptr<Spreadsheet> InstallSpreadsheetService(std::unique_ptr<Spreadsheet> service) {
  std::unique_ptr<Spreadsheet> previous = std::move(InstalledService());
  InstalledService() = std::move(service);
  return previous;
}

ScopedSpreadsheetService::ScopedSpreadsheetService(std::unique_ptr<Spreadsheet> service)
    : previous_(InstallSpreadsheetService(std::move(service))) {}

ScopedSpreadsheetService::~ScopedSpreadsheetService() {
  InstallSpreadsheetService(std::move(previous_));
}

// ---------------------------------------------------------------------------------------------

int RecordingSpreadsheet::CountCalls(const std::string& prefix) const {
  int n = 0;
  for (const std::string& call : Calls) {
    if (call.compare(0, prefix.size(), prefix) == 0) ++n;
  }
  return n;
}

std::string RecordingSpreadsheet::CellText(int book, int sheet, int row, int col) const {
  const SpreadsheetBook* b = BookAt(book);
  if (b == nullptr || sheet < 1 || sheet > static_cast<int>(b->Sheets.size())) return {};
  const auto& cells = b->Sheets[static_cast<std::size_t>(sheet - 1)].Cells;
  auto it = cells.find({row, col});
  return it == cells.end() ? std::string() : it->second;
}

SpreadsheetBook* RecordingSpreadsheet::BookAt(int book) {
  if (!connected_ || book < 1 || book > static_cast<int>(Books.size())) return nullptr;
  return &Books[static_cast<std::size_t>(book - 1)];
}

const SpreadsheetBook* RecordingSpreadsheet::BookAt(int book) const {
  if (book < 1 || book > static_cast<int>(Books.size())) return nullptr;
  return &Books[static_cast<std::size_t>(book - 1)];
}

void RecordingSpreadsheet::NewBook() {
  SpreadsheetBook book;
  book.Name = "Book" + std::to_string(++booksMade_);
  for (int i = 1; i <= SheetsPerNewWorkbook; ++i) book.Sheets.push_back({"Sheet" + std::to_string(i), {}, {}});
  Books.push_back(std::move(book));
}

bool RecordingSpreadsheet::Attach() {
  Record("Attach");
  if (AttachFails) return false;
  if (!connected_) {
    connected_ = true;
    visible_ = RunningVisible;
    for (int i = 0; i < RunningWorkbooks; ++i) NewBook();
  }
  return true;
}

bool RecordingSpreadsheet::Start() {
  Record("Start");
  if (StartFails) return false;
  connected_ = true;
  visible_ = false;
  return true;
}

bool RecordingSpreadsheet::Visible() const {
  Record("Visible");
  return connected_ && visible_;
}

void RecordingSpreadsheet::SetVisible(bool visible) {
  Record(std::string("SetVisible ") + (visible ? "1" : "0"));
  if (connected_) visible_ = visible;
}

bool RecordingSpreadsheet::AddWorkbook() {
  Record("AddWorkbook");
  if (!connected_ || AddWorkbookFails) return false;
  NewBook();
  return true;
}

int RecordingSpreadsheet::WorkbookCount() const {
  Record("WorkbookCount");
  return connected_ ? static_cast<int>(Books.size()) : 0;
}

std::string RecordingSpreadsheet::WorkbookName(int book) const {
  Record("WorkbookName " + std::to_string(book));
  const SpreadsheetBook* b = connected_ ? BookAt(book) : nullptr;
  return b ? b->Name : std::string();
}

int RecordingSpreadsheet::SheetCount(int book) const {
  Record("SheetCount " + std::to_string(book));
  const SpreadsheetBook* b = connected_ ? BookAt(book) : nullptr;
  return b ? static_cast<int>(b->Sheets.size()) : 0;
}

bool RecordingSpreadsheet::AddSheet(int book) {
  Record("AddSheet " + std::to_string(book));
  SpreadsheetBook* b = BookAt(book);
  if (b == nullptr) return false;
  b->Sheets.push_back({"Sheet" + std::to_string(b->Sheets.size() + 1), {}, {}});
  return true;
}

bool RecordingSpreadsheet::DeleteSheet(int book, int sheet) {
  Record("DeleteSheet " + std::to_string(book) + " " + std::to_string(sheet));
  SpreadsheetBook* b = BookAt(book);
  if (b == nullptr || sheet < 1 || sheet > static_cast<int>(b->Sheets.size()) || b->Sheets.size() < 2) {
    return false;
  }
  b->Sheets.erase(b->Sheets.begin() + (sheet - 1));
  return true;
}

std::string RecordingSpreadsheet::SheetName(int book, int sheet) const {
  Record("SheetName " + std::to_string(book) + " " + std::to_string(sheet));
  const SpreadsheetBook* b = connected_ ? BookAt(book) : nullptr;
  if (b == nullptr || sheet < 1 || sheet > static_cast<int>(b->Sheets.size())) return {};
  return b->Sheets[static_cast<std::size_t>(sheet - 1)].Name;
}

bool RecordingSpreadsheet::SetSheetName(int book, int sheet, const std::string& name) {
  Record("SetSheetName " + std::to_string(book) + " " + std::to_string(sheet) + " " + name);
  SpreadsheetBook* b = BookAt(book);
  if (b == nullptr || sheet < 1 || sheet > static_cast<int>(b->Sheets.size())) return false;
  b->Sheets[static_cast<std::size_t>(sheet - 1)].Name = name;
  return true;
}

bool RecordingSpreadsheet::SetCell(int book, int sheet, int row, int col, const std::string& text) {
  Record("SetCell " + std::to_string(book) + " " + std::to_string(sheet) + " " + std::to_string(row) +
         " " + std::to_string(col) + " " + text);
  SpreadsheetBook* b = BookAt(book);
  if (b == nullptr || sheet < 1 || sheet > static_cast<int>(b->Sheets.size()) || row < 1 || col < 1) {
    return false;
  }
  if (FailingCell.first == row && FailingCell.second == col) return false;
  auto& cells = b->Sheets[static_cast<std::size_t>(sheet - 1)].Cells;
  if (text.empty()) {
    cells.erase({row, col});
  } else {
    cells[{row, col}] = text;
  }
  return true;
}

bool RecordingSpreadsheet::Finish(std::string& error) {
  Record("Finish");
  if (FinishFails) {
    error = FinishError;
    return false;
  }
  error.clear();
  return true;
}

}  // namespace platform
