// The settings store: any file reads into lines without empty ones; what is saved reads back
// to the same lines and saves to the same bytes; selecting, reading and rewriting the file's
// own sections keeps every line; the placement, font and grid-layout readers take any values.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/Form.h"
#include "platform/Grid.h"
#include "shared/AplStgs.h"

using namespace quorel;
using fuzzsupport::Env;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  const std::string first = Env().File("first.sys"), second = Env().File("second.sys"),
                    third = Env().File("third.sys");
  fuzzsupport::WriteFile(first, fuzzsupport::AsText(data, size));

  SettingsReader store;
  store.NoBackupFlag = true;
  FUZZ_CHECK(store.OpenSettingsFile(first) == 1);
  const std::vector<std::string> lines = store.FileLines();
  // A last line without its line end was cut by the file's end: it is held out, not read.
  const std::string text(fuzzsupport::AsText(data, size));
  std::vector<std::string> whole = SplitSettingsLines(text);
  if (!text.empty() && text.back() != '\r' && text.back() != '\n') {
    FUZZ_CHECK(!whole.empty() && store.CutLine() == SettingsTrim(whole.back()));
    whole.pop_back();
  } else {
    FUZZ_CHECK(store.CutLine().empty());
  }
  FUZZ_CHECK(lines == whole);
  for (const auto& l : lines) FUZZ_CHECK(!l.empty() && l.find_first_of("\r\n") == std::string::npos);

  // Read-save-read.
  FUZZ_CHECK(store.SaveSettingsFile(second) == 1);
  SettingsReader again;
  again.NoBackupFlag = true;
  FUZZ_CHECK(again.OpenSettingsFile(second) == 1);
  FUZZ_CHECK(again.FileLines() == lines);
  FUZZ_CHECK(again.SaveSettingsFile(third) == 1);
  FUZZ_CHECK(fuzzsupport::ReadFile(third) == fuzzsupport::ReadFile(second));

  // Every section the file names: select, read the keys its lines hold, write it back. A
  // section written back unchanged keeps the number of lines of the file.
  std::vector<std::string> names{""};
  for (const auto& l : lines) {
    const std::string t = SettingsTrim(l);
    if (IsSectionHeaderLine(l) && t.front() == '[') names.push_back(t.substr(1, t.find(']') - 1));
    if (names.size() > 8) break;
  }
  platform::Form form(nullptr, "Fuzz");
  platform::StringGrid grid(nullptr, "Grid");
  platform::FontInfo font;
  for (const std::string& name : names) {
    const int count = store.SelectSection(name);
    FUZZ_CHECK(count >= 0 && count <= int(store.FileLines().size()) + 1);
    for (const auto& [key, value] : store.SectionKeyValues()) {
      FUZZ_CHECK(store.GetKeyValue(key) == value);
    }
    store.ReadFormPlacement(&form, name.empty() ? std::string("Fuzz") : name);
    store.ReadFontSettings(font, name);
    store.ReadGridLayout(&grid, name.empty() ? std::string("Grid") : name);
    const std::size_t before = store.FileLines().size();
    store.SelectSection(name);
    const SectionRange range = store.FindSectionRange(name);
    if (range.first >= 0 && !name.empty()) {
      const std::size_t selected = store.SectionLines().size();
      store.WriteSection(name);
      FUZZ_CHECK(store.FileLines().size() == before - std::size_t(range.last - range.first + 1) + selected);
    }
  }
  store.SelectSection("Fuzz");
  store.SetKeyValue("Key", "Value");
  store.WriteSection("Fuzz");
  FUZZ_CHECK(store.SaveSettingsFile(second) == 1);
  FUZZ_CHECK(again.OpenSettingsFile(second) == 1);
  FUZZ_CHECK(again.FileLines().size() == store.FileLines().size());
  return 0;
}
