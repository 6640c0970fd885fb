// The element table, composition counts, molar masses and amount conversion.
// The built-in weights are the ones the databases were compiled with; changing them would shift
// every stored molar mass, so the reference file is the place for corrections.
#include "shared/Periodica.h"

#include <cmath>
#include <cstring>

#include "shared/PTools.h"

namespace quorel {

namespace {

struct BuiltInElement {
  const char* symbol;
  const char* name;
  double weight;
};

// Index i of this list is element index i: 0 the electron, n the element of atomic number n.
constexpr BuiltInElement kBuiltIn[] = {
    {"E", "Electron", 0.0005486},
    {"H", "Hydrogenium", 1.00794},
    {"He", "Helium", 4.002602},
    {"Li", "Lithium", 6.941},
    {"Be", "Beryllium", 9.012182},
    {"B", "Boron", 10.811},
    {"C", "Carbonium", 12.011},
    {"N", "Nitrogenium", 14.00674},
    {"O", "Oxygenium", 15.9994},
    {"F", "Fluorine", 18.9984032},
    {"Ne", "Neon", 20.1797},
    {"Na", "Sodium", 22.989768},
    {"Mg", "Magnesium", 24.305},
    {"Al", "Aluminium", 26.981539},
    {"Si", "Silicon", 28.0855},
    {"P", "Phosphorus", 30.973762},
    {"S", "Sulfur", 32.066},
    {"Cl", "Chlorine", 35.4527},
    {"Ar", "Argon", 39.948},
    {"K", "Potassium", 39.0983},
    {"Ca", "Calcium", 40.078},
    {"Sc", "Scandium", 44.95591},
    {"Ti", "Titanium", 47.88},
    {"V", "Vanadium", 50.9415},
    {"Cr", "Chromium", 51.9961},
    {"Mn", "Manganese", 54.93805},
    {"Fe", "Ferrum Iron", 55.847},
    {"Co", "Cobalt", 58.9332},
    {"Ni", "Nickel", 58.69},
    {"Cu", "Cuprum", 63.546},
    {"Zn", "Zinc", 65.39},
    {"Ga", "Gallium", 69.723},
    {"Ge", "Germanium", 72.61},
    {"As", "Arsenic", 74.92159},
    {"Se", "Selenium", 78.96},
    {"Br", "Bromine", 79.904},
    {"Kr", "Krypton", 83.8},
    {"Rb", "Rubidium", 85.4678},
    {"Sr", "Strontium", 87.62},
    {"Y", "Yttrium", 88.90585},
    {"Zr", "Zirconium", 91.224},
    {"Nb", "Niobium", 92.90638},
    {"Mo", "Molybdenum", 95.94},
    {"Tc", "Technetium", 98.9063},
    {"Ru", "Ruthenium", 101.07},
    {"Rh", "Rhodium", 102.9055},
    {"Pd", "Palladium", 106.42},
    {"Ag", "Argentum, Silver", 107.8682},
    {"Cd", "Cadmium", 112.411},
    {"In", "Indium", 114.82},
    {"Sn", "Stannum, Tin", 118.71},
    {"Sb", "Stibium, Antimony", 121.75},
    {"Te", "Tellurium", 127.6},
    {"I", "Iodine", 126.90447},
    {"Xe", "Xenon", 131.29},
    {"Cs", "Caesium", 132.90543},
    {"Ba", "Barium", 137.327},
    {"La", "Lanthanum", 138.9055},
    {"Ce", "Cerium", 140.115},
    {"Pr", "Praseodymium", 140.90765},
    {"Nd", "Neodymium", 144.24},
    {"Pm", "Promethium", 146.9151},
    {"Sm", "Samarium", 150.36},
    {"Eu", "Europium", 151.965},
    {"Gd", "Gadolinium", 157.25},
    {"Tb", "Terbium", 158.92534},
    {"Dy", "Dysprosium", 162.5},
    {"Ho", "Holmium", 164.93032},
    {"Er", "Erbium", 167.26},
    {"Tm", "Thulium", 168.93421},
    {"Yb", "Ytterbium", 173.04},
    {"Lu", "Lutetium", 174.967},
    {"Hf", "Hafnium", 178.49},
    {"Ta", "Tantalum", 180.9479},
    {"W", "Tungsten", 183.85},
    {"Re", "Rhenium", 186.207},
    {"Os", "Osmium", 190.2},
    {"Ir", "Iridium", 192.22},
    {"Pt", "Platinum", 195.08},
    {"Au", "Aurum, Gold", 196.96654},
    {"Hg", "Hydrargyrum, Mercury", 200.59},
    {"Tl", "Thallium", 204.3833},
    {"Pb", "Plumbum, Lead", 207.2},
    {"Bi", "Bismuth", 208.98037},
    {"Po", "Polonium", 208.9824},
    {"At", "Astatine", 209.9871},
    {"Rn", "Radon", 222.0176},
    {"Fr", "Francium", 223.0197},
    {"Ra", "Radium", 226.0254},
    {"Ac", "Actinium", 227.0278},
    {"Th", "Thorium", 232.0381},
    {"Pa", "Protactinium", 231.0359},
    {"U", "Uranium", 238.0289},
    {"Np", "Neptunium", 237.0482},
    {"Pu", "Plutonium", 244.0642},
    {"Am", "Americium", 243.0614},
    {"Cm", "Curium", 247.0703},
    {"Bk", "Berkelium", 247.0703},
    {"Cf", "Californium", 251.0796},
    {"Es", "Einsteinium", 252.0829},
    {"Fm", "Fermium", 257.0951},
    {"Md", "Mendelevium", 258.0986},
    {"No", "Nobelium", 259.1009},
    {"Lr", "Lawrencium", 260.1053},
    {"Rf", "Rutherfordium", 261.1087},
    {"Db", "Dubnium", 262.1138},
};
static_assert(sizeof(kBuiltIn) / sizeof(kBuiltIn[0]) == 106, "106 built-in entries");

ElementTable g_table;
enum class TableState { Never, Built, Released };
TableState g_state = TableState::Never;
std::string g_elementMessage;
std::string g_formulaError;
std::string g_referenceFileName;
double g_gasConstant = DefaultGasConstant;

ElementTable& Table() {
  if (g_state == TableState::Never) InitElementTable();
  return g_table;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// A count follows a symbol when the next character is one of these.
bool IsCountStart(char c) { return IsDigit(c) || c == '+' || c == ',' || c == '-' || c == '.'; }
// Characters a count is written with; anything else (a letter, a parenthesis) ends it.
bool IsCountChar(char c) { return IsCountStart(c) || c == ' '; }

std::string_view TrimView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// Sum of the counts of symbol in an already trimmed composition; sets *bad when a count could
// not be read.
double CountInTrimmed(std::string_view symbol, std::string_view comp, bool* bad) {
  if (symbol.empty()) return 0;
  double total = 0;
  size_t pos = 0;
  while (pos < comp.size()) {
    size_t p = comp.find(symbol, pos);
    if (p == std::string_view::npos) break;
    size_t q = p + symbol.size();
    if (q >= comp.size() || !IsCountStart(comp[q])) {
      pos = p + 1;
      continue;
    }
    size_t r = q;
    while (r < comp.size() && IsCountChar(comp[r])) ++r;
    long double value = 0;
    if (TryTextToFloat(comp.substr(q, r - q), value) && std::isfinite(value)) {
      total += static_cast<double>(value);
    } else if (bad) {
      *bad = true;
    }
    pos = r;
  }
  return total;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

const ElementTable& Elements() { return Table(); }

void InitElementTable() {
  g_table.ElementSymbols.clear();
  g_table.ElementNames.clear();
  for (int i = 0; i < MaxElementCount; ++i) {
    g_table.AtomicWeights[i] = 0;
    g_table.AtomicNumbers[i] = i;
  }
  g_table.AtomicNumbers[0] = 1;
  int index = 0;
  for (const auto& e : kBuiltIn) {
    g_table.ElementSymbols.emplace_back(e.symbol);
    g_table.ElementNames.emplace_back(e.name);
    g_table.AtomicWeights[index] = e.weight;
    ++index;
  }
  g_table.LastElementIndex = index - 1;
  g_elementMessage.clear();
  g_formulaError.clear();
  g_state = TableState::Built;
}

void ReleaseElementTable() {
  g_table.ElementSymbols.clear();
  g_table.ElementNames.clear();
  g_table.LastElementIndex = -1;
  g_state = TableState::Released;
}

int LastElementIndex() { return Table().LastElementIndex; }

std::string ElementSymbol(int index) {
  const auto& t = Table();
  if (index < 0 || index >= t.Count()) return {};
  return t.ElementSymbols[index];
}

std::string ElementName(int index) {
  const auto& t = Table();
  if (index < 0 || index >= t.Count()) return {};
  return t.ElementNames[index];
}

double AtomicWeight(int index) {
  const auto& t = Table();
  if (index < 0 || index > t.LastElementIndex) return 0;
  return t.AtomicWeights[index];
}

int AtomicNumber(int index) {
  const auto& t = Table();
  if (index < 0 || index >= MaxElementCount) return 0;
  return t.AtomicNumbers[index];
}

int ElementIndex(std::string_view symbol) {
  const auto& t = Table();
  for (int i = 0; i < t.Count(); ++i)
    if (t.ElementSymbols[i] == symbol) return i;
  return -1;
}

void SetElementReferenceFileName(std::string_view name) { g_referenceFileName = name; }

int DefineElement(std::string_view symbol, std::string_view name, int number,
                  std::string_view replacedSymbol, double weight) {
  auto& t = Table();
  g_elementMessage.clear();
  if (symbol.empty()) return -1;
  const std::string sym(symbol), nam(name);
  if (!replacedSymbol.empty() && number >= 0 && number < t.Count()) {
    const std::string rep(replacedSymbol);
    if (ElementIndex(rep) < 0) {
      g_elementMessage = rep + " does not exists- " + sym + "(" + nam + ") is not replaced!";
      return -1;
    }
    t.ElementSymbols[number] = sym;
    t.ElementNames[number] = nam;
    t.AtomicWeights[number] = weight;
    g_elementMessage = rep + " is changed to -> " + sym + " (" + nam + ") !";
    return number;
  }
  if (t.Count() >= MaxElementCount) {
    g_elementMessage = "No more element can be defined";
    return -1;
  }
  int existing = ElementIndex(sym);
  if (existing >= 0) {
    g_elementMessage = sym + " already exists";
    return existing;
  }
  int index = t.Count();
  t.ElementSymbols.push_back(sym);
  t.ElementNames.push_back(nam);
  t.AtomicNumbers[index] = number;
  t.AtomicWeights[index] = weight;
  t.LastElementIndex = index;
  g_elementMessage = "New element " + sym + ": " + nam + " is given in " + g_referenceFileName;
  return index;
}

int ValidateElementLine(std::string_view rawLine) {
  g_elementMessage.clear();
  const std::string_view line = TrimView(rawLine);
  if (!line.empty() && line[0] == '#') return 0;

  const size_t eq = line.find('=');
  const std::string symbol(eq == std::string_view::npos ? std::string_view{}
                                                        : TrimView(line.substr(0, eq)));
  auto fail = [&](int code, const std::string& who, const char* text) {
    g_elementMessage = who + text;
    return code;
  };
  if (symbol.empty())
    return fail(-10, std::string(line), ": Element symbol must be given, like Xy, Zw (in Quorel.sys) ");
  if (!IsUpper(symbol[0]))
    return fail(-11, symbol,
                ": Element symbol must begin A .. Z: capital letter (given in Quorel.sys) ");
  for (size_t i = 1; i < symbol.size(); ++i)
    if (IsUpper(symbol[i]))
      return fail(-12, symbol,
                  ": Element symbol must not contain more than one capital letter (given in "
                  "Quorel.sys)");
  const char last = symbol.back();
  if (IsDigit(last))
    return fail(-13, symbol,
                ": Element symbol must not end with a number!, please use a..z lower case "
                "letter or paranthesis (given in Quorel.sys)");
  if (last == '+' || last == ',' || last == '-' || last == '.')
    return fail(-14, symbol,
                ": Element symbol must not contain symbols of plus, minus, comma, dot: + - , . "
                "(given in Quorel.sys)");

  // Name: between '=' and the next ';'. The tagged values follow, separated by ';'.
  std::string_view rest = line.substr(eq + 1);
  size_t semi = rest.find(';');
  const std::string name(TrimView(rest.substr(0, semi)));
  if (name.empty())
    return fail(-15, symbol, ": An element name should be given (given in Quorel.sys) ");
  std::string_view tags = semi == std::string_view::npos ? std::string_view{} : rest.substr(semi + 1);

  // The value of tag ("n", "m", "x") written "n:value" or "n=value"; found = false when absent.
  auto tagValue = [&](char tag, bool& found) {
    std::string_view items = tags;
    while (true) {
      size_t end = items.find(';');
      std::string_view item = TrimView(items.substr(0, end));
      if (item.size() >= 2 && item[0] == tag && (item[1] == ':' || item[1] == '=')) {
        found = true;
        return std::string(TrimView(item.substr(2)));
      }
      if (end == std::string_view::npos) break;
      items = items.substr(end + 1);
    }
    found = false;
    return std::string();
  };

  int number = 0;
  bool found = false;
  std::string value = tagValue('n', found);
  if (found && !TryTextToInt(value, number))
    return fail(-16, symbol,
                ": Atom number of the new element(given in Quorel.sys)  is possibly not correct!");
  double weight = 0;
  value = tagValue('m', found);
  if (found) {
    long double w = 0;
    if (!TryTextToFloat(value, w))
      return fail(-15, symbol,
                  ": Atom weight of the new element (given in Quorel.sys) is possibly not "
                  "correct!");
    weight = static_cast<double>(w);
  }
  const std::string replaced = tagValue('x', found);
  return DefineElement(symbol, name, number, replaced, weight);
}

const std::string& ElementMessage() { return g_elementMessage; }

double FormulaElementCount(std::string_view symbol, std::string_view composition) {
  const std::string_view comp = TrimView(composition);
  bool bad = false;
  const double count = CountInTrimmed(symbol, comp, &bad);
  if (bad) g_formulaError = "Irregular mol definition: " + std::string(composition);
  return count;
}

const std::string& FormulaErrorText() { return g_formulaError; }
void ClearFormulaError() { g_formulaError.clear(); }

double MolarMass(std::string_view composition) {
  const auto& t = Table();
  const std::string_view comp = TrimView(composition);
  if (comp.empty()) return 0;
  bool bad = false;
  double mass = 0;
  for (int i = 0; i <= t.LastElementIndex && i < t.Count(); ++i) {
    const double n = CountInTrimmed(t.ElementSymbols[i], comp, &bad);
    if (n != 0) mass += n * t.AtomicWeights[i];
  }
  if (bad) g_formulaError = "Irregular mol definition: " + std::string(composition);
  return mass;
}

bool AmountToMol(std::string_view amountText, std::string_view composition, double pressureBar,
                 double temperatureK, double& mol) {
  mol = 0;
  // The number runs up to the first letter that is not an exponent mark, or up to a bracket
  // that opens the unit ("2 [kg]").
  size_t end = 0;
  const size_t n = amountText.size();
  while (end < n) {
    const char c = amountText[end];
    if (c == '[') break;
    if (IsLetter(c)) {
      const bool exponent =
          (c == 'E' || c == 'e') && end + 1 < n &&
          (amountText[end + 1] == ' ' || IsDigit(amountText[end + 1]) || amountText[end + 1] == '+' ||
           amountText[end + 1] == ',' || amountText[end + 1] == '-' || amountText[end + 1] == '.');
      if (!exponent) break;
    }
    ++end;
  }
  std::string number;
  for (size_t i = 0; i < end; ++i)
    if (amountText[i] != ' ') number += amountText[i];
  if (number.empty()) number = "0";
  long double parsed = 0;
  if (!TryTextToFloat(number, parsed) || !std::isfinite(parsed)) return false;
  const double value = static_cast<double>(parsed);

  std::string unit;
  for (size_t i = end; i < n; ++i)
    if (amountText[i] != ' ') unit += amountText[i];

  const double R = g_gasConstant;
  auto mass = [&](double grams) {
    const double M = MolarMass(composition);
    if (!(M > 0) || !std::isfinite(M)) return false;  // no counts or weightless elements
    mol = grams / M;
    return true;
  };
  auto gas = [&](double cubicMetres, double T) {
    if (!(temperatureK > 0) || !(pressureBar > 0) || !(R > 0)) return false;
    mol = pressureBar * 1e5 * cubicMetres / (R * T);
    return true;
  };

  bool ok = false;
  if (unit.empty() || unit == "mol" || unit == "[mol]") {
    mol = value;
    ok = true;
  } else if (unit == "kg" || unit == "[kg]") {
    ok = mass(value * 1000);
  } else if (unit == "g" || unit == "[g]") {
    ok = mass(value);
  } else if (Contains(unit, "Nm3") || Contains(unit, "Nm\xB3") || Contains(unit, "Nm\xC2\xB3")) {
    ok = gas(value, 273.15);
  } else if (Contains(unit, "m3") || Contains(unit, "m\xB3") || Contains(unit, "m\xC2\xB3")) {
    ok = gas(value, temperatureK);
  } else if (unit == "l" || unit == "[l]") {
    ok = gas(value / 1000, temperatureK);
  } else if (unit == "lb" || unit == "[lb]") {
    ok = mass(value * 453.59);
  } else if (Contains(unit, "ft")) {
    ok = gas(value * 0.028317, temperatureK);
  }
  if (!ok || !std::isfinite(mol)) {
    mol = 0;
    return false;
  }
  return true;
}

bool SplitNamePhase(std::string_view key, std::string& name, std::string& phase) {
  name = std::string(TrimView(key));
  phase = "(u)";
  if (key.size() > 2) {
    const std::string_view tail = key.substr(key.size() - 3);
    if (tail == "(g)" || tail == "(l)" || tail == "(s)") {
      phase = std::string(tail);
      name = std::string(TrimView(key.substr(0, key.size() - 3)));
    }
  }
  return !name.empty();
}

double PeriodicaGasConstant() { return g_gasConstant; }
void SetPeriodicaGasConstant(double r) { g_gasConstant = r; }

}  // namespace quorel
