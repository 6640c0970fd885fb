// The spreadsheet program as the grid transfer sees it: an application that can be attached
// to (an active instance) or started, made visible, with workbooks that hold numbered
// worksheets whose cells take texts. Workbooks, sheets, rows and columns are numbered from 1.
//
// Two implementations: XlsxSpreadsheet builds the workbooks in memory and, when the command
// ends (Finish), writes each changed one as an .xlsx file into a temporary folder and opens it
// with the desktop's default program; RecordingSpreadsheet is a scripted fake for tests that
// records every call. Windows reach the installed one through SpreadsheetService().
//
// Texts are the system's single-byte Windows-1252 text.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class Spreadsheet {
 public:
  virtual ~Spreadsheet() = default;

  // Attaches to an instance that is already running; false when there is none.
  virtual bool Attach() = 0;
  // Starts a new instance; false when no spreadsheet program can be started.
  virtual bool Start() = 0;
  // An instance is attached or started.
  virtual bool Connected() const = 0;

  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;

  // Adds a workbook as the last one; false when it cannot.
  virtual bool AddWorkbook() = 0;
  virtual int WorkbookCount() const = 0;
  // "" for a workbook that does not exist.
  virtual std::string WorkbookName(int book) const = 0;

  // 0 for a workbook that does not exist.
  virtual int SheetCount(int book) const = 0;
  // Adds a worksheet as the last one of the workbook; false when it cannot.
  virtual bool AddSheet(int book) = 0;
  virtual bool DeleteSheet(int book, int sheet) = 0;
  virtual std::string SheetName(int book, int sheet) const = 0;
  virtual bool SetSheetName(int book, int sheet, const std::string& name) = 0;

  // Writes a text into a cell; false when the cell cannot be written.
  virtual bool SetCell(int book, int sheet, int row, int col, const std::string& text) = 0;
  // Writes a number into a cell; text is the grid's text of it, what a service that holds
  // only texts writes.
  virtual bool SetNumber(int book, int sheet, int row, int col, double /*value*/, const std::string& text) {
    return SetCell(book, sheet, row, col, text);
  }

  // The command that used the spreadsheet has ended: the work is handed to the user (XLSX:
  // files written and opened). False with a reason when that failed.
  virtual bool Finish(std::string& error) = 0;
};

// The installed spreadsheet service; XlsxSpreadsheet with the desktop opener unless another
// one was installed.
Spreadsheet& SpreadsheetService();
// Installs a service (nullptr: back to the default) and returns the previous one.
std::unique_ptr<Spreadsheet> InstallSpreadsheetService(std::unique_ptr<Spreadsheet> service);

// Installs a service for the life of the object (tests), then puts the previous one back.
class ScopedSpreadsheetService {
 public:
  explicit ScopedSpreadsheetService(std::unique_ptr<Spreadsheet> service);
  ~ScopedSpreadsheetService();
  ScopedSpreadsheetService(const ScopedSpreadsheetService&) = delete;
  ScopedSpreadsheetService& operator=(const ScopedSpreadsheetService&) = delete;

 private:
  std::unique_ptr<Spreadsheet> previous_;
};

// ---------------------------------------------------------------------------------------------
// The in-memory model both implementations keep.
struct SpreadsheetSheet {
  std::string Name;
  std::map<std::pair<int, int>, std::string> Cells;  // (row, col) -> text; no empty texts
  std::map<std::pair<int, int>, double> Numbers;     // the cells of Cells written as numbers
};

struct SpreadsheetBook {
  std::string Name;
  std::vector<SpreadsheetSheet> Sheets;
  bool Changed = true;     // not yet handed out since the last change
  std::string WrittenPath; // the file it was last written to (XLSX)
};

// ---------------------------------------------------------------------------------------------
// Opens a document with the desktop's default program; true when that could be started.
using DocumentOpener = std::function<bool(const std::string& path)>;

// The default opener: the desktop service's ShellOpen (Services.h).
bool OpenWithDesktop(const std::string& path);

class XlsxSpreadsheet : public Spreadsheet {
 public:
  // folder: where the workbooks are written (the system's text); empty: a new folder made by
  // mkdtemp under $TMPDIR (or /tmp) on the first write.
  explicit XlsxSpreadsheet(DocumentOpener opener = OpenWithDesktop, std::string folder = {});

  bool Attach() override;  // true while an earlier Start of this program is still alive
  bool Start() override;
  bool Connected() const override { return connected_; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  bool AddWorkbook() override;
  int WorkbookCount() const override { return static_cast<int>(books_.size()); }
  std::string WorkbookName(int book) const override;
  int SheetCount(int book) const override;
  bool AddSheet(int book) override;
  bool DeleteSheet(int book, int sheet) override;
  std::string SheetName(int book, int sheet) const override;
  bool SetSheetName(int book, int sheet, const std::string& name) override;
  bool SetCell(int book, int sheet, int row, int col, const std::string& text) override;
  bool SetNumber(int book, int sheet, int row, int col, double value, const std::string& text) override;
  // Writes every changed workbook ("Book1.xlsx", ...) and opens it when the application is
  // visible; one that no program opens is saved where the user says (a save dialog). The first
  // failure is returned; the others are still tried.
  bool Finish(std::string& error) override;

  const std::vector<SpreadsheetBook>& Books() const { return books_; }
  // The folder the workbooks go to ("" before the first write when none was given).
  const std::string& Folder() const { return folder_; }

  // Writes one workbook as an .xlsx file (texts converted to UTF-8). Sheet names that the
  // format does not allow are mended: the characters []:*?/\ become '_', names are cut to 31
  // characters, an empty name becomes "SheetN", a repeated name gets " (2)", " (3)" ...
  static bool WriteXlsx(const SpreadsheetBook& book, const std::string& path, std::string& error);

  // The limits of a worksheet in the .xlsx format.
  static constexpr int kMaxRows = 1048576;
  static constexpr int kMaxCols = 16384;
  static constexpr std::size_t kMaxCellText = 32767;

 private:
  SpreadsheetBook* Book(int book);
  const SpreadsheetBook* Book(int book) const;
  SpreadsheetSheet* Sheet(int book, int sheet);
  // Asks where a workbook that no program opened is to be kept and writes it there; the path,
  // or "" when the user cancelled.
  static std::string SaveWorkbookElsewhere(const SpreadsheetBook& book);

  DocumentOpener opener_;
  std::string folder_;
  bool connected_ = false;
  bool visible_ = false;
  int booksMade_ = 0;
  std::vector<SpreadsheetBook> books_;
};

// ---------------------------------------------------------------------------------------------
// The fake: a spreadsheet that lives in memory and records every call, one line each, e.g.
// "Attach", "Start", "SetVisible 1", "AddWorkbook", "SheetCount 1", "AddSheet 1",
// "SetSheetName 1 2 Gas", "SetCell 1 2 3 4 text", "DeleteSheet 1 3", "Finish". Reads are recorded
// too ("Visible", "WorkbookCount", "WorkbookName 1", "SheetName 1 2").
class RecordingSpreadsheet : public Spreadsheet {
 public:
  RecordingSpreadsheet() = default;

  // Script.
  bool AttachFails = true;       // no running instance unless set to false
  bool StartFails = false;       // Start fails too: no spreadsheet program at all
  bool RunningVisible = false;   // the Visible state of an instance found by Attach
  int RunningWorkbooks = 0;      // workbooks the running instance already has
  int SheetsPerNewWorkbook = 3;  // sheets of a workbook made by AddWorkbook
  bool AddWorkbookFails = false;
  bool FinishFails = false;
  std::string FinishError = "cannot open the workbook";
  // A SetCell at this (row, col) fails (0, 0: none fails).
  std::pair<int, int> FailingCell{0, 0};

  // What happened (reads are recorded from the const members too).
  mutable std::vector<std::string> Calls;
  std::vector<SpreadsheetBook> Books;
  // Count of calls whose line starts with the prefix.
  int CountCalls(const std::string& prefix) const;
  // The text of a cell ("" when empty or absent).
  std::string CellText(int book, int sheet, int row, int col) const;

  bool Attach() override;
  bool Start() override;
  bool Connected() const override { return connected_; }
  bool Visible() const override;
  void SetVisible(bool visible) override;
  bool AddWorkbook() override;
  int WorkbookCount() const override;
  std::string WorkbookName(int book) const override;
  int SheetCount(int book) const override;
  bool AddSheet(int book) override;
  bool DeleteSheet(int book, int sheet) override;
  std::string SheetName(int book, int sheet) const override;
  bool SetSheetName(int book, int sheet, const std::string& name) override;
  bool SetCell(int book, int sheet, int row, int col, const std::string& text) override;
  bool Finish(std::string& error) override;

 private:
  void Record(std::string line) const { Calls.push_back(std::move(line)); }
  SpreadsheetBook* BookAt(int book);
  const SpreadsheetBook* BookAt(int book) const;
  void NewBook();

  bool connected_ = false;
  bool visible_ = false;
  int booksMade_ = 0;
};

}  // namespace platform
