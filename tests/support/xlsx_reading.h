// Reading back a written .xlsx workbook in tests: one member of the zip file through the unzip
// program, the sheet names of xl/workbook.xml and the cells of a worksheet; and the real
// spreadsheet service installed on a test folder with an opener that only records.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Spreadsheet.h"

namespace xlsxreading {

// One member of a zip file, through the unzip program.
inline std::string Unzip(const std::string& zip, const std::string& member) {
  const std::string command = "unzip -p '" + zip + "' '" + member + "' 2>/dev/null";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// The texts between each occurrence of open and the next close.
inline std::vector<std::string> Between(const std::string& xml, const std::string& open, const std::string& close) {
  std::vector<std::string> found;
  for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at)) {
    at += open.size();
    const std::size_t end = xml.find(close, at);
    if (end == std::string::npos) break;
    found.push_back(xml.substr(at, end - at));
    at = end;
  }
  return found;
}

inline std::vector<std::string> SheetNames(const std::string& workbookXml) {
  return Between(workbookXml, "<sheet name=\"", "\"");
}

// Cell reference -> text, resolving shared strings; a numeric cell would read "#value".
inline std::map<std::string, std::string> SheetCells(const std::string& sheetXml, const std::string& sstXml) {
  std::vector<std::string> strings;
  for (const std::string& si : Between(sstXml, "<si>", "</si>")) {
    const std::size_t start = si.find('>');  // end of <t ...>
    const std::size_t end = si.rfind("</t>");
    strings.push_back(start == std::string::npos || end == std::string::npos ? "?" : si.substr(start + 1, end - start - 1));
  }
  std::map<std::string, std::string> cells;
  for (const std::string& c : Between(sheetXml, "<c r=\"", "</c>")) {
    const std::string ref = c.substr(0, c.find('"'));
    const std::vector<std::string> v = Between(c, "<v>", "</v>");
    if (v.empty()) continue;
    if (c.find("t=\"s\"") != std::string::npos) {
      const std::size_t index = std::stoul(v[0]);
      cells[ref] = index < strings.size() ? strings[index] : "?";
    } else {
      cells[ref] = "#" + v[0];
    }
  }
  return cells;
}

// The cells of worksheet n of a workbook file.
inline std::map<std::string, std::string> WorkbookSheetCells(const std::string& path, int n) {
  return SheetCells(Unzip(path, "xl/worksheets/sheet" + std::to_string(n) + ".xml"),
                    Unzip(path, "xl/sharedStrings.xml"));
}

// For its lifetime the spreadsheet service writes its workbooks into folder; every workbook it
// would open is recorded in `opened` instead.
class RecordingXlsxService {
 public:
  explicit RecordingXlsxService(const std::string& folder)
      : scope_(std::make_unique<platform::XlsxSpreadsheet>(
            [this](const std::string& path) {
              opened.push_back(path);
              return true;
            },
            folder)) {}
  std::vector<std::string> opened;

 private:
  platform::ScopedSpreadsheetService scope_;
};

}  // namespace xlsxreading
