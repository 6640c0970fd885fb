// Database file, dataset lookups, and property evaluation under the seven equations of state.
// The method references are listed in QuorelDatabase.h.
#include "shared/QuorelDatabase.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <numbers>
#include <system_error>

#include "platform/System.h"
#include "platform/Text.h"
#include "shared/AplMsg.h"
#include "shared/PTools.h"

namespace quorel {

DatasetTableData DatasetTable;
DatasetRecord CurrentDataset;
CandidateListData CandidateList;
const std::vector<std::string>* SelectedElements = nullptr;
int EosType = DefaultEosType;

namespace {

const std::string kEmpty;

bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimField(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsControlOrBlank(s[b])) ++b;
  while (e > b && IsControlOrBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number without allocating (the evaluation reads field 16 this way).
// allCommas: every ',' is a point, else only the first. Values beyond the double range fail;
// values too small for it read as 0.
bool ReadDecimal(std::string_view text, bool allCommas, double& value) {
  char buf[128];
  if (text.empty() || text.size() >= sizeof buf) return false;
  bool first = true;
  size_t n = 0;
  for (char c : text) {
    if (c == ',' && (allCommas || first)) {
      c = '.';
      first = false;
    }
    buf[n++] = c;
  }
  std::string_view s(buf, n);
  if (!IsDecimalNumber(s)) return false;
  const char* b = buf;
  const char* e = buf + n;
  bool negative = false;
  if (*b == '+' || *b == '-') {
    negative = *b == '-';
    ++b;
  }
  double v = 0;
  auto [ptr, ec] = std::from_chars(b, e, v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    std::string_view rest(b, e - b);
    auto ep = rest.find_first_of("eE");
    if (ep == std::string_view::npos || rest.find('-', ep) == std::string_view::npos) return false;
    v = 0;
  } else if (ec != std::errc() || ptr != e) {
    return false;
  }
  if (!std::isfinite(v)) return false;
  value = negative ? -v : v;
  return true;
}

void ResetRecord(DatasetRecord& r) { r = DatasetRecord{}; }

// ---- loading ------------------------------------------------------------------------------

void EnsureAllocated() {
  if (!DatasetTable.Allocated) AllocateDatasetTable();
}

void GrowColumns(int capacity) {
  DatasetTable.Capacity = capacity;
  for (auto& column : DatasetTable.Columns) column.resize(static_cast<size_t>(capacity), 0.0);
}

void ClearRows() {
  for (auto& list : DatasetTable.Lists) list.clear();
  DatasetTable.RowCount = 0;
}

// Processes one line (CRs already dropped, not empty) as the next row.
int ProcessLine(std::string_view line) {
  auto tab = line.find('\t');
  if (tab != std::string_view::npos) line.remove_prefix(tab + 1);

  const int r = DatasetTable.RowCount;
  DatasetTable.RowCount = r + 1;
  DatasetTable.Lists[0].push_back(std::to_string(r));
  for (int k = 1; k < DatasetListCount; ++k) DatasetTable.Lists[k].emplace_back();
  if (DatasetTable.RowCount >= DatasetTable.Capacity)
    GrowColumns(DatasetTable.Capacity + DatasetCapacityStep);
  // A new row starts with zeros: a short line must not inherit the numbers of a row that an
  // earlier load left at this place.
  for (auto& column : DatasetTable.Columns) column[static_cast<size_t>(r)] = 0.0;

  int field = 0;
  size_t pos = 0;
  while (true) {
    const size_t next = line.find('\t', pos);
    const bool last = next == std::string_view::npos;
    // A TAB at the very end closes the last field and opens no new one.
    if (!last || pos < line.size() || field == 0) {
      ++field;
      if (field > DatasetFieldCount) {
        PostLogMessage(LevelCritical, 526,
                       "Dataset " + std::to_string(r + 2) + ": (" + DatasetTable.Lists[0][r] +
                           ") is possibly irregular " + " (QuorelDatabase)");
        break;
      }
      std::string_view text = TrimField(line.substr(pos, last ? std::string_view::npos : next - pos));
      DatasetTable.Lists[field][r].assign(text.data(), text.size());
      if (field >= FieldTmin && field <= FieldOmega)
        DatasetTable.Columns[field][static_cast<size_t>(r)] = ParseDatasetNumber(text);
    }
    if (last) break;
    pos = next + 1;
    if (pos >= line.size()) break;  // trailing TAB
  }
  return r;
}

// Feeds a buffer of file text through the line splitter. pending keeps an unfinished line.
void FeedText(std::string_view text, std::string& pending) {
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      if (!pending.empty()) ProcessLine(pending);
      pending.clear();
    } else {
      pending += c;
    }
  }
}

void FinishLoad(std::string& pending) {
  // The last line is loaded even when the file does not end with a line feed.
  if (!pending.empty()) ProcessLine(pending);
  pending.clear();
  for (int k = 1; k < DatasetListCount; ++k) {
    if (static_cast<int>(DatasetTable.Lists[k].size()) != DatasetTable.RowCount)
      PostLogMessage(LevelError, 427,
                     "Filds data " + std::to_string(k) + " is possibly irregular ");
  }
  CandidateList.Items.assign(1, 0);
  CandidateList.Items.reserve(static_cast<size_t>(std::max(DatasetTable.RowCount, 1)));
  DatasetTable.DatabaseLoadState = 1;
}

// ---- properties ---------------------------------------------------------------------------

// Parameters of the generic cubic P = RT/(V - b) - a(T)/((V + eps b)(V + sigma b)).
struct CubicKind {
  double epsilon;
  double sigma;
  double omegaB;  // Omega
  double omegaA;  // Psi
};

constexpr double kSqrt2 = 1.4142135623730951;

bool CubicKindOf(int type, CubicKind& k) {
  switch (type) {
    case EosRedlichKwongVle:
    case EosSoaveRedlichKwong:
      k = {0.0, 1.0, 0.08664, 0.42748};
      return true;
    case EosPengRobinson:
      k = {1.0 - kSqrt2, 1.0 + kSqrt2, 0.077796, 0.457235};
      return true;
    default:
      return false;
  }
}

// m(w) of the alpha function (1 + m (1 - sqrt Tr))^2.
double AlphaSlope(int type, double w) {
  if (type == EosSoaveRedlichKwong) return 0.48508 + 1.55171 * w - 0.15613 * w * w;
  return 0.37464 + 1.54226 * w - 0.26992 * w * w;
}

// Critical compressibility factor of each equation: van der Waals 3/8, the Redlich-Kwong forms
// 1/3, Peng-Robinson 0.30740.
double CriticalZ(int type) {
  if (type == EosVanDerWaals) return 0.375;
  if (type == EosPengRobinson) return 0.307401;
  return 1.0 / 3.0;
}

// A lone root that belongs to a liquid: below Tc and denser than the equation's critical point,
// V < Vc, that is Z < Zc Pr / Tr. (Z alone would not tell: a liquid compressed to 1000 bar has
// Z above Zc.)
bool DenseRoot(int type, double Z, double Pr, double Tr) { return Tr < 1 && Z < CriticalZ(type) * Pr / Tr; }

// The cubic in Z: Z^3 + c2 Z^2 + c1 Z + c0 = 0, equivalent to both fixed-point forms.
struct CubicPolynomial {
  double c2, c1, c0;
  double F(double z) const { return ((z + c2) * z + c1) * z + c0; }
  double dF(double z) const { return (3 * z + 2 * c2) * z + c1; }
};

CubicPolynomial MakePolynomial(const CubicKind& k, double beta, double q) {
  const double e = k.epsilon * beta, s = k.sigma * beta, opb = 1 + beta;
  return {e + s - opb, e * s - opb * (e + s) + q * beta, -opb * e * s - q * beta * beta};
}

// Newton steps from a point close to a root.
double PolishRoot(const CubicPolynomial& p, double z) {
  for (int i = 0; i < 8; ++i) {
    const double d = p.dF(z);
    if (d == 0 || !std::isfinite(d)) break;
    const double step = p.F(z) / d;
    if (!std::isfinite(step)) break;
    z -= step;
    if (std::fabs(step) <= 1e-15 * std::fabs(z)) break;
  }
  return z;
}

// Real roots in ascending order; returns their number (1 or 3).
int RealRoots(const CubicPolynomial& p, double roots[3]) {
  const double a = p.c2, b = p.c1, c = p.c0;
  const double Q = (a * a - 3 * b) / 9;
  const double R = (2 * a * a * a - 9 * a * b + 27 * c) / 54;
  const double Q3 = Q * Q * Q;
  if (R * R < Q3) {
    const double theta = std::acos(std::clamp(R / std::sqrt(Q3), -1.0, 1.0));
    const double m = -2 * std::sqrt(Q);
    roots[0] = m * std::cos(theta / 3) - a / 3;
    roots[1] = m * std::cos((theta + 2 * std::numbers::pi) / 3) - a / 3;
    roots[2] = m * std::cos((theta - 2 * std::numbers::pi) / 3) - a / 3;
    for (int i = 0; i < 3; ++i) roots[i] = PolishRoot(p, roots[i]);
    std::sort(roots, roots + 3);
    return 3;
  }
  const double A = -std::copysign(std::cbrt(std::fabs(R) + std::sqrt(R * R - Q3)), R);
  const double B = A == 0 ? 0 : Q / A;
  roots[0] = PolishRoot(p, A + B - a / 3);
  return 1;
}

// Deviation measure of the fixed-point loops: |x/x_old - x_old/x|.
double Deviation(double x, double old) { return std::fabs(x / old - old / x); }

// The bookkeeping of one fixed-point loop: the iterate, and the value reached with the smallest
// deviation so far (the answer when the loop does not settle).
struct FixedPoint {
  double x;
  double best;
  double bestDeviation = std::numeric_limits<double>::infinity();

  // Takes next as the new iterate; true when it and the previous iterate are positive and
  // finite and they differ by less than tolerance.
  bool Step(double next, double tolerance) {
    if (!(next > 0) || !std::isfinite(next) || !(x > 0)) {
      x = next;
      return false;
    }
    const double dev = Deviation(next, x);
    if (dev < bestDeviation) bestDeviation = dev, best = next;
    x = next;
    return dev < tolerance;
  }
};

bool AllFinite(const PropertyResult& r) {
  return std::isfinite(r.Z) && std::isfinite(r.Cp) && std::isfinite(r.H) && std::isfinite(r.S) &&
         std::isfinite(r.G) && std::isfinite(r.Hr) && std::isfinite(r.Sr) && std::isfinite(r.Gr);
}

// Unit state left by the evaluation.
char g_lastPhase[8] = {};
double g_lastLiquidVolume = 0;
double g_lastOmega = 0;
bool g_lastOmegaPresent = false;

void SetLastPhase(std::string_view phase) {
  const size_t n = std::min(phase.size(), sizeof g_lastPhase - 1);
  std::memcpy(g_lastPhase, phase.data(), n);
  g_lastPhase[n] = 0;
}

bool Fail(PropertyResult& result, int status) {
  result.Z = 1;
  result.Cp = result.H = result.S = result.G = 0;
  result.Hr = result.Sr = result.Gr = 0;
  result.status = status;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Table

const std::string& DatasetTableData::Text(int row, int field) const {
  if (row < 0 || row >= RowCount || field < 0 || field >= DatasetListCount) return kEmpty;
  const auto& list = Lists[field];
  if (static_cast<size_t>(row) >= list.size()) return kEmpty;
  return list[row];
}

double DatasetTableData::Value(int row, int field) const {
  if (row < 0 || row >= RowCount || field < FieldTmin || field >= DatasetColumnCount) return 0;
  const auto& column = Columns[field];
  if (static_cast<size_t>(row) >= column.size()) return 0;
  return column[row];
}

void AllocateDatasetTable() {
  if (!DatasetTable.Allocated) {
    for (auto& list : DatasetTable.Lists) list.clear();
    DatasetTable.Allocated = true;
  }
  for (auto& column : DatasetTable.Columns) column.assign(InitialDatasetCapacity, 0.0);
  DatasetTable.Capacity = InitialDatasetCapacity;
  ClearRows();
  CandidateList.Items.assign(1, 0);
  CandidateList.Items.reserve(256);
  DatasetTable.DatabaseLoadState = 0;
  DatasetTable.R = PeriodicaGasConstant();
}

void FreeDatasetTable() {
  for (auto& list : DatasetTable.Lists) std::vector<std::string>().swap(list);
  for (auto& column : DatasetTable.Columns) std::vector<double>().swap(column);
  DatasetTable.Capacity = 0;
  DatasetTable.RowCount = 0;
  DatasetTable.DatabaseLoadState = 0;
  DatasetTable.Allocated = false;
  std::vector<int>(1, 0).swap(CandidateList.Items);
}

void ClearDatabase() {
  FreeDatasetTable();
  DatasetTable.DatabaseFileName.clear();
  ResetRecord(CurrentDataset);
  SelectedElements = nullptr;
  AllocateDatasetTable();
  g_lastPhase[0] = 0;
  g_lastLiquidVolume = 0;
  g_lastOmega = 0;
  g_lastOmegaPresent = false;
}

void SetGasConstant(double r) {
  SetPeriodicaGasConstant(r);
  DatasetTable.R = r;
}

double GasConstant() { return DatasetTable.R; }

int LoadDatabase(std::string_view path) {
  EnsureAllocated();
  ClearRows();
  DatasetTable.DatabaseFileName = std::string(path);

  // Stored paths may use either separator.
  std::string file(path);
  std::error_code ec;
  const auto exists = [&ec](const std::string& p) {
    return !p.empty() && std::filesystem::exists(platform::NativePath(p), ec);
  };
  if (!exists(file)) {
    std::string native = NativeSeparators(path);
    if (native != file && exists(native)) file = native;
  }
  if (!exists(file)) {
    DatasetTable.DatabaseLoadState = -1;
    return -1;
  }
  CandidateList.Items.assign(1, 0);
  // A file that cannot be read to its end loads nothing: half a database is no database.
  std::string bytes;
  if (!platform::ReadWholeFile(file, bytes)) return -2;
  std::string pending;
  pending.reserve(512);
  FeedText(bytes, pending);
  FinishLoad(pending);
  return DatasetTable.RowCount;
}

int LoadDatabaseText(std::string_view text, std::string_view name) {
  EnsureAllocated();
  ClearRows();
  DatasetTable.DatabaseFileName = std::string(name);
  CandidateList.Items.assign(1, 0);
  std::string pending;
  FeedText(text, pending);
  FinishLoad(pending);
  return DatasetTable.RowCount;
}

int AppendDatasetLine(std::string_view line) {
  EnsureAllocated();
  std::string clean;
  clean.reserve(line.size());
  for (char c : line)
    if (c != '\r' && c != '\n') clean += c;
  if (clean.empty()) return -1;
  const int row = ProcessLine(clean);
  if (DatasetTable.DatabaseLoadState <= 0) DatasetTable.DatabaseLoadState = 1;
  return row;
}

double ParseDatasetNumber(std::string_view text) {
  // ".5" -> "0.5", "7." -> "7.0"; every ',' is a point.
  if (text.empty()) return 0;
  char buf[130];
  if (text.size() > 120) return 0;
  size_t n = 0;
  if (text.front() == '.' || text.front() == ',') buf[n++] = '0';
  for (char c : text) buf[n++] = c == ',' ? '.' : c;
  if (buf[n - 1] == '.') buf[n++] = '0';
  double v = 0;
  return ReadDecimal(std::string_view(buf, n), true, v) ? v : 0;
}

bool TryParseDatasetValue(std::string_view text, double& value) {
  double v = 0;
  if (!ReadDecimal(text, false, v)) {
    value = 0;
    return false;
  }
  value = v;
  return true;
}

int DatasetCount() { return DatasetTable.RowCount; }

// ---------------------------------------------------------------------------------------------
// Lookups

void ClearCandidateList() { CandidateList.Items.assign(1, 0); }

void SetSelectedElements(const std::vector<std::string>* symbols) { SelectedElements = symbols; }

int SelectDataset(int row, bool probe, std::string_view name, std::string_view phase, double T) {
  const auto& t = DatasetTable;
  if (!t.ValidRow(row) || t.Text(row, FieldName) != name || t.Text(row, FieldPhase) != phase)
    return -1;
  auto& cd = CurrentDataset;
  cd.Tmin = t.Value(row, FieldTmin);
  cd.Tmax = t.Value(row, FieldTmax);
  cd.RangeStatus = T < cd.Tmin ? RangeBelow : (T > cd.Tmax ? RangeAbove : RangeInside);
  if (probe && cd.RangeStatus != RangeInside) return row;
  cd.Name = t.Text(row, FieldName);
  cd.Phase = t.Text(row, FieldPhase);
  cd.T0 = t.Value(row, FieldT0);
  cd.H0 = t.Value(row, FieldH0);
  cd.S0 = t.Value(row, FieldS0);
  cd.a = t.Value(row, FieldA);
  cd.b = t.Value(row, FieldB);
  cd.c = t.Value(row, FieldC);
  cd.d = t.Value(row, FieldD);
  cd.e = t.Value(row, FieldE);
  cd.f = t.Value(row, FieldF);
  cd.Tc = t.Value(row, FieldTc);
  cd.Pc = t.Value(row, FieldPc);
  cd.w = t.Text(row, FieldOmega).empty() ? 0 : t.Value(row, FieldOmega);
  cd.Composition = t.Text(row, FieldComposition);
  cd.Description = t.Text(row, FieldDescription);
  cd.References = t.Text(row, FieldReferences);
  return row;
}

int FindDataset(std::string_view name, std::string_view phase, double T) {
  if (DatasetTable.DatabaseLoadState <= 0) return -1;
  int best = -1;
  double bestDistance = 0;
  const int n = CandidateList.Count();
  for (int i = 1; i <= n && i < static_cast<int>(CandidateList.Items.size()); ++i) {
    const int row = SelectDataset(CandidateList.Row(i), true, name, phase, T);
    if (row < 1) continue;
    if (CurrentDataset.RangeStatus == RangeInside) return row;
    const double d = std::min(std::fabs(T - CurrentDataset.Tmin), std::fabs(T - CurrentDataset.Tmax));
    if (best < 0 || d < bestDistance) {
      best = row;
      bestDistance = d;
    }
  }
  if (best < 0) return -1;
  return SelectDataset(best, false, name, phase, T);
}

int BuildCandidateList(std::string_view name, std::string_view phase) {
  const bool anyPhase = phase == "(u)" || phase == "(*)";
  auto& items = CandidateList.Items;
  if (items.empty()) items.push_back(0);
  int added = 0;
  for (int row = 0; row < DatasetTable.RowCount; ++row) {
    if (DatasetTable.Text(row, FieldName) != name) continue;
    if (!anyPhase && DatasetTable.Text(row, FieldPhase) != phase) continue;
    const int n = items[0] + 1;
    if (static_cast<int>(items.size()) <= n) items.resize(static_cast<size_t>(n) + 1);
    items[n] = row;
    items[0] = n;
    ++added;
  }
  return added;
}

int FindFirstDataset(std::string_view name, std::string_view phase) {
  const bool anyPhase = phase == "(*)";
  for (int row = 0; row < DatasetTable.RowCount; ++row) {
    if (DatasetTable.Text(row, FieldName) != name) continue;
    if (anyPhase || DatasetTable.Text(row, FieldPhase) == phase) return row;
  }
  return -1;
}

std::string DatasetFormula(std::string_view name, std::string_view phase) {
  for (int row = 0; row < DatasetTable.RowCount; ++row)
    if (DatasetTable.Text(row, FieldName) == name && DatasetTable.Text(row, FieldPhase) == phase)
      return DatasetTable.Text(row, FieldComposition);
  return {};
}

std::string StripFormulaCounts(std::string_view text) {
  std::string s(TrimField(text));
  if (s.empty()) return s;
  bool flag = IsDigit(s.back()) || s.back() == '.';
  for (size_t i = s.size(); i-- > 0;) {
    const char c = s[i];
    // '+', ',' and '-' belong to a count ("C1,5", "E-1"): they do not end it.
    if ((c < '.' || c > '9') && c != '+' && c != ',' && c != '-') flag = false;
    if (c == '+' || c == ',' || c == '-' || c == '.' || flag) s[i] = ' ';
    if (c >= 'A' && c <= 'Z') flag = true;
  }
  return s;
}

bool MadeOfSelectedElements(int row, std::string_view phaseLetter, std::string_view needed) {
  if (!DatasetTable.ValidRow(row)) return false;
  if (phaseLetter != "*") {
    const std::string& phase = DatasetTable.Text(row, FieldPhase);
    if (phaseLetter.empty() || phase.size() < 2 || phase[1] != phaseLetter[0]) return false;
  }
  const std::string symbols = StripFormulaCounts(DatasetTable.Text(row, FieldComposition));
  if (!TrimField(needed).empty() && symbols.find(needed) == std::string::npos) return false;
  // Every symbol of the composition must be a selected element. Each symbol is compared
  // whole, so a composition that names an element twice (C1H3C1O2H1) is accepted, and a
  // selected C does not consume the C of Cl.
  std::string_view rest(symbols);
  while (true) {
    size_t b = 0;
    while (b < rest.size() && rest[b] == ' ') ++b;
    if (b == rest.size()) return true;
    size_t e = b;
    while (e < rest.size() && rest[e] != ' ') ++e;
    const std::string_view symbol = rest.substr(b, e - b);
    bool selected = false;
    if (SelectedElements) {
      for (const auto& s : *SelectedElements)
        if (TrimField(s) == symbol) {
          selected = true;
          break;
        }
    }
    if (!selected) return false;
    rest.remove_prefix(e);
  }
}

// ---------------------------------------------------------------------------------------------
// Equations of state

std::string_view EosCaption(int eosType) {
  static constexpr std::string_view kCaptions[EosTypeCount] = {
      "Ideal Gas - Clapeyron, 1834",
      "van der Waals, 1873",
      "Redlich Kwong, 1949",
      "Generalized Redlich Kwong, 1949",
      "Redlich-Kwong, Vap.Liq.Eql., 1949",
      "Soave-Redlich-Kwong, Vap. Liq. Eql., 1972",
      "Peng-Robinson, Vap. Liq. Eql., 1976",
  };
  if (eosType < 0 || eosType >= EosTypeCount) return {};
  return kCaptions[eosType];
}

bool CompressibilityFactor(int eosType, double Pc, double P, double Tc, double T, double& Z) {
  Z = 1;
  if (!(Pc > 0) || !(Tc > 0) || !(P > 0) || !(T > 0)) return false;
  if (eosType < EosVanDerWaals || eosType > EosGeneralizedRedlichKwong) return false;
  const double R = DatasetTable.R;
  const double Tr = T / Tc, Pr = P / Pc;
  const double PcPa = Pc * 1e5, PPa = P * 1e5;

  // One step of the chosen iteration; x is V [m3/mol] for types 1 and 2, Z for type 3.
  double a = 0, b = 0;
  if (eosType == EosVanDerWaals) {
    a = 27 * R * R * Tc * Tc / (64 * PcPa);
    b = R * Tc / (8 * PcPa);
  } else if (eosType == EosRedlichKwong) {
    a = 0.42748 * R * R * std::pow(Tc, 2.5) / PcPa;
    b = 0.08664 * R * Tc / PcPa;
  }
  const double sqrtT = std::sqrt(T);
  const double tr15 = std::pow(Tr, 1.5);
  auto step = [&](double x) {
    switch (eosType) {
      case EosVanDerWaals:
        return b + R * T / (PPa + a / (x * x));
      case EosRedlichKwong:
        return b + R * T / PPa - a * (x - b) / (PPa * sqrtT * x * (x + b));
      default: {
        const double h = 0.08664 * Pr / (Tr * x);
        return 1 / (1 - h) - (4.934 / tr15) * h / (1 + h);
      }
    }
  };
  auto toZ = [&](double x) { return eosType == EosGeneralizedRedlichKwong ? x : PPa * x / (R * T); };

  const double start = eosType == EosGeneralizedRedlichKwong ? 1.0 : R * T / PPa;
  FixedPoint fp{start, start};
  for (int i = 0; i < 255; ++i) {
    const double next = step(fp.x);
    if (!(next > 0) || !std::isfinite(next)) {
      fp.x *= 10;  // a non-positive iterate: try ten times the previous value
      continue;
    }
    if (fp.Step(next, 1e-4)) {
      Z = toZ(fp.x);
      return std::isfinite(Z);
    }
  }
  Z = toZ(fp.best);
  if (!std::isfinite(Z)) Z = 1;
  return false;
}

bool VirialResiduals(int eosType, double Pc, double P, double Tc, double T, double w,
                     ResidualValues& out) {
  out = ResidualValues{};
  double Z = 1;
  const bool zConverged = CompressibilityFactor(eosType, Pc, P, Tc, T, Z);
  out.Z = Z;
  if (eosType <= 0) return true;
  if (!(Pc > 0) || !(Tc > 0) || !(P > 0) || !(T > 0)) return false;
  if (!std::isfinite(w)) w = 0;
  const double R = DatasetTable.R;
  const double Tr = T / Tc, Pr = P / Pc;
  const double B0 = 0.083 - 0.422 / std::pow(Tr, 1.6);
  const double B1 = 0.139 - 0.172 / std::pow(Tr, 4.2);
  const double dB0 = 0.675 / std::pow(Tr, 2.6);
  const double dB1 = 0.722 / std::pow(Tr, 5.2);

  // Effective acentric factor: the w* for which Z = 1 + (B0 + w* B1) Pr / Tr reproduces the Z
  // of the chosen equation, w* - w = s = u / B1. B1 passes through zero at Tr = 1.052, where
  // that quotient loses its meaning and would make Hr unbounded. The shift is therefore taken
  // as u B1^3 / (B1^4 + (u / kShiftScale)^4 + kEps0^4) = s / (1 + (s / kShiftScale)^4 +
  // (kEps0 / B1)^4): the plain quotient to within (s/2)^4 + (0.01/B1)^4 wherever it is
  // meaningful (0.4 % of the shift at s = 0.5, |B1| >= 0.03), passing smoothly to the dataset's
  // own w where B1 vanishes, and never further than about 1.1 from w, so Hr, Sr and Gr stay
  // finite and continuous.
  constexpr double kEps0 = 0.01;
  constexpr double kShiftScale = 2.0;
  double wEff = w;
  const double u = (Z - 1) * Tr / Pr - B0 - w * B1;
  if (std::isfinite(u)) {
    const double b2 = B1 * B1, us = u / kShiftScale;
    const double denominator = b2 * b2 + (us * us) * (us * us) + kEps0 * kEps0 * kEps0 * kEps0;
    if (denominator > 0 && std::isfinite(denominator)) wEff = w + u * B1 * b2 / denominator;
  }
  out.Hr = R * Tc * Pr * (B0 - Tr * dB0 + wEff * (B1 - Tr * dB1));
  out.Sr = -R * Pr * (dB0 + wEff * dB1);
  out.Gr = out.Hr - T * out.Sr;
  out.Converged = zConverged;
  // Below Tc a Z iteration that does not settle, or one that ends on a dense root, has found no
  // vapour; above Tc the fluid is the gas's whatever the iteration did.
  out.NoVapourRoot = Tr < 1 && (!zConverged || DenseRoot(eosType, Z, Pr, Tr));
  return true;
}

bool CubicResiduals(int eosType, double Pc, double P, double Tc, double T, double w,
                    CubicPhase phase, ResidualValues& out) {
  out = ResidualValues{};
  if (eosType < 1) return true;
  CubicKind k;
  if (!CubicKindOf(eosType, k)) return false;
  if (!(Pc > 0) || !(Tc > 0) || !(P > 0) || !(T > 0)) return false;
  if (!std::isfinite(w)) w = 0;
  const double R = DatasetTable.R;
  const double Tr = T / Tc, Pr = P / Pc;
  const double sqrtTr = std::sqrt(Tr);

  // alpha(Tr) and the product q D, D = d ln(alpha) / d ln(T), taken analytically: for SRK and
  // PR, q D = -Psi m sqrt(Tr) kappa / (Omega Tr) with kappa = 1 + m (1 - sqrt(Tr)), which stays
  // finite where alpha = kappa^2 reaches zero at high Tr (ln(alpha) would be -inf there).
  double alpha, qD;
  if (eosType == EosRedlichKwongVle) {
    alpha = 1 / sqrtTr;
    qD = -0.5 * k.omegaA * alpha / (k.omegaB * Tr);
  } else {
    const double m = AlphaSlope(eosType, w);
    const double kappa = 1 + m * (1 - sqrtTr);
    alpha = kappa * kappa;
    qD = -k.omegaA * m * sqrtTr * kappa / (k.omegaB * Tr);
  }
  const double beta = k.omegaB * Pr / Tr;
  const double q = k.omegaA * alpha / (k.omegaB * Tr);
  const CubicPolynomial poly = MakePolynomial(k, beta, q);
  const double eb = k.epsilon * beta, sb = k.sigma * beta;

  // The exact real roots with Z > B (V > b); the others have no physical meaning.
  double roots[3];
  const int n = RealRoots(poly, roots);
  double valid[3];
  int nValid = 0;
  for (int i = 0; i < n; ++i)
    if (roots[i] > beta && std::isfinite(roots[i])) valid[nValid++] = roots[i];
  // Three roots: liquid, the unstable middle one, vapour. One (or one left of two): a liquid's
  // when it is dense below Tc, else a vapour's.
  const bool loneDense = nValid > 0 && nValid < 3 && DenseRoot(eosType, valid[nValid - 1], Pr, Tr);

  double Z = 0;
  if (phase == CubicPhase::Gas) {
    if (nValid == 0) {
      out.VapourZ = 1;
      return false;
    }
    Z = valid[nValid - 1];
    out.VapourZ = Z;
    out.Converged = true;
    out.NoVapourRoot = loneDense;
  } else {
    const bool liquid = nValid == 3 || (nValid == 1 && loneDense);
    if (!liquid) {
      // No liquid root at (P, T): the liquid is not evaluated here (no residuals, no volume).
      out.Converged = false;
      return false;
    }
    Z = valid[0];
    out.LiquidZ = Z;
    out.Converged = true;
    out.LiquidVolume = Z * R * T / (P * 1e5);
  }

  if (!(Z > 0)) return false;
  double I = 0;
  const double ratio = (Z + sb) / (Z + eb);
  if (ratio > 0) I = std::log(ratio) / (k.sigma - k.epsilon);
  out.Z = Z;
  out.Hr = R * T * (Z - 1 + (qD - q) * I);
  out.Sr = Z > beta ? R * (std::log(Z - beta) + qD * I) : 0;
  out.Gr = out.Hr - T * out.Sr;
  if (!std::isfinite(out.Hr) || !std::isfinite(out.Sr) || !std::isfinite(out.Gr)) {
    out.Hr = out.Sr = out.Gr = 0;
    return false;
  }
  return true;
}

bool LiquidResiduals(int eosType, double Pc, double P, double Tc, double T, double w, ResidualValues& out) {
  if (!CubicResiduals(eosType, Pc, P, Tc, T, w, CubicPhase::Liquid, out)) return false;
  out.Hr = out.Gr = out.LiquidVolume * (P - 1) * 1e5;
  out.Sr = 0;
  return std::isfinite(out.Hr);
}

double EvaluateZ(int eosType, double Pc, double P, double Tc, double T, double w) {
  if (eosType >= EosRedlichKwongVle && eosType <= EosPengRobinson) {
    ResidualValues rv;
    CubicResiduals(eosType, Pc, P, Tc, T, w, CubicPhase::Gas, rv);
    return rv.VapourZ > 0 && std::isfinite(rv.VapourZ) ? rv.VapourZ : 1;
  }
  if (eosType >= EosVanDerWaals && eosType <= EosGeneralizedRedlichKwong) {
    double Z = 1;
    if (CompressibilityFactor(eosType, Pc, P, Tc, T, Z)) return Z;
  }
  return 1;
}

double EvaluateZ(int eosType, double Pc, double P, double Tc, double T) {
  return EvaluateZ(eosType, Pc, P, Tc, T, g_lastOmega);
}

// ---------------------------------------------------------------------------------------------
// Property evaluation

namespace {

// The ideal part of row (the dataset's polynomial; gases in the Cp form get -R ln P). Fills
// Cp, H, S, G of result; false when a number the form needs is unusable.
bool IdealPart(int row, double P, double T, bool gas, PropertyResult& result) {
  const auto& t = DatasetTable;
  const double a = t.Value(row, FieldA), b = t.Value(row, FieldB), c = t.Value(row, FieldC);
  const double d = t.Value(row, FieldD), e = t.Value(row, FieldE), f = t.Value(row, FieldF);
  if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || !std::isfinite(d) ||
      !std::isfinite(e) || !std::isfinite(f))
    return false;
  const std::string& refs = t.Text(row, FieldReferences);
  if (refs.starts_with(HgFormMarker)) {
    // H/G form: H = a + b T + c T^2, G = d + e T + f T^2.
    result.H = a + b * T + c * T * T;
    result.Cp = b + 2 * c * T;
    result.G = d + e * T + f * T * T;
    result.S = (result.H - result.G) / T;
    return true;
  }
  const double T0 = t.Value(row, FieldT0), H0 = t.Value(row, FieldH0), S0 = t.Value(row, FieldS0);
  if (!(T0 > 0) || !std::isfinite(T0) || !std::isfinite(H0) || !std::isfinite(S0)) return false;
  // Cp = a + b' T + c' / T^2 + d' T^2 + e' / T^3 + f' T^3 with the stored scaling.
  const double b1 = b / 1000, c1 = c * 1e6, d1 = d * 1e-6, e1 = e * 1e9, f1 = f * 1e-9;
  const double T2 = T * T, T3 = T2 * T, T02 = T0 * T0, T03 = T02 * T0;
  result.Cp = a + b1 * T + c1 / T2 + d1 * T2 + e1 / T3 + f1 * T3;
  result.H = H0 + a * (T - T0) + b1 / 2 * (T2 - T02) - c1 * (1 / T - 1 / T0) + d1 / 3 * (T3 - T03) -
             e1 / 2 * (1 / T2 - 1 / T02) + f1 / 4 * (T2 * T2 - T02 * T02);
  result.S = S0 + a * std::log(T / T0) + b1 * (T - T0) - c1 / 2 * (1 / T2 - 1 / T02) +
             d1 / 2 * (T2 - T02) - e1 / 3 * (1 / T3 - 1 / T03) + f1 / 3 * (T3 - T03);
  if (gas) result.S -= t.R * std::log(P);  // P in bar: 1 bar is the standard state
  result.G = result.H - T * result.S;
  return true;
}

bool BadArguments(int row, double P, double T) {
  return !DatasetTable.ValidRow(row) || !(T > 0) || !(P > 0) || !std::isfinite(T) ||
         !std::isfinite(P);
}

bool IsHgForm(int row) {
  const std::string& refs = DatasetTable.Text(row, FieldReferences);
  return refs.starts_with(HgFormMarker);
}

}  // namespace

bool EvaluateIdealProperties(int row, PropertyResult& result, double P, double T) {
  result = PropertyResult{};
  if (BadArguments(row, P, T)) return Fail(result, StatusBadInput);
  const bool gas = DatasetTable.Text(row, FieldPhase) == "(g)";
  if (!IdealPart(row, P, T, gas, result) || !AllFinite(result)) return Fail(result, StatusBadInput);
  result.status = StatusIdeal;
  return true;
}

bool EvaluateProperties(int row, int eosType, PropertyResult& result, double P, double T) {
  result.Hr = result.Sr = result.Gr = 0;
  result.Z = 1;
  if (BadArguments(row, P, T) || eosType < 0 || eosType >= EosTypeCount) {
    g_lastPhase[0] = 0;
    return Fail(result, StatusBadInput);
  }
  result.status = StatusIdeal;
  const auto& t = DatasetTable;
  const std::string& phase = t.Text(row, FieldPhase);
  SetLastPhase(phase);
  const double Tc = t.Value(row, FieldTc), Pc = t.Value(row, FieldPc);
  double w = 0;
  const bool wPresent = TryParseDatasetValue(t.Text(row, FieldOmega), w);
  g_lastOmega = w;
  g_lastOmegaPresent = wPresent;
  if (!std::isfinite(Tc) || !std::isfinite(Pc) || !std::isfinite(w)) return Fail(result, StatusBadInput);

  const bool gas = phase == "(g)";
  const bool liquid = phase == "(l)";
  const bool solid = phase == "(s)";
  const bool critical = Tc > 0 && Pc > 0;
  // The residual model of this row: none, the virial correlation or the cubic of a gas, or the
  // compression of a liquid (types 4..6).
  enum class Model { None, Virial, CubicGas, Liquid } model = Model::None;
  int type = eosType;
  if (gas && critical && eosType > EosIdealGas) {
    if (!wPresent && eosType > EosRedlichKwongVle) type = EosGeneralizedRedlichKwong;
    model = type >= EosRedlichKwongVle ? Model::CubicGas : Model::Virial;
  } else if (liquid && critical) {
    if (T > Tc) return Fail(result, StatusNoPhase);
    if (eosType >= EosRedlichKwongVle) model = Model::Liquid;
  } else if (solid && critical && T > Tc) {
    return Fail(result, StatusNoPhase);
  }
  const double wUsed = wPresent ? w : 0;
  auto residualsAt = [&](double Tx, ResidualValues& r) {
    switch (model) {
      case Model::Virial:
        return VirialResiduals(type, Pc, P, Tc, Tx, w, r);
      case Model::CubicGas:
        return CubicResiduals(type, Pc, P, Tc, Tx, w, CubicPhase::Gas, r);
      case Model::Liquid:
        return LiquidResiduals(type, Pc, P, Tc, Tx, wUsed, r);
      default:
        return false;
    }
  };
  ResidualValues rv;
  if (model == Model::CubicGas || model == Model::Virial) {
    if (residualsAt(T, rv)) result.status = StatusRealGas;
    result.Z = model == Model::CubicGas ? (rv.VapourZ > 0 ? rv.VapourZ : 1) : rv.Z;
    result.NoVapourRoot = rv.NoVapourRoot;
  } else if (model == Model::Liquid) {
    const bool ok = residualsAt(T, rv);
    g_lastLiquidVolume = rv.LiquidVolume;
    // Without a liquid root there is no liquid at (P, T) for this equation.
    if (!ok) return Fail(result, StatusNoPhase);
    result.status = StatusRealLiquid;
    result.Z = rv.LiquidZ;
  }
  // The residual enthalpy's slope belongs to Cp: a central difference on the same root (a side
  // where the root changes kind is left out).
  double dHr = 0;
  if (result.status != StatusIdeal) {
    result.Hr = rv.Hr;
    result.Sr = rv.Sr;
    result.Gr = rv.Gr;
    const double h = 1e-3 * T;
    ResidualValues lo, hi;
    const bool okLo = residualsAt(T - h, lo) && lo.NoVapourRoot == rv.NoVapourRoot;
    const bool okHi = residualsAt(T + h, hi) && hi.NoVapourRoot == rv.NoVapourRoot;
    if (okLo && okHi) dHr = (hi.Hr - lo.Hr) / (2 * h);
    else if (okHi) dHr = (hi.Hr - rv.Hr) / h;
    else if (okLo) dHr = (rv.Hr - lo.Hr) / h;
  } else {
    result.Z = 1;
  }

  if (!IdealPart(row, P, T, gas, result)) return Fail(result, StatusBadInput);
  if (!IsHgForm(row)) {
    result.Cp += dHr;
    result.H += result.Hr;
    result.S += result.Sr;
    result.G += result.Gr;
  }
  if (!AllFinite(result)) return Fail(result, StatusBadInput);
  return true;
}

bool ComputedAsIdealGas(int row, int eosType) {
  if (eosType <= EosIdealGas || eosType >= EosTypeCount || row < 1 || row >= DatasetTable.RowCount) return false;
  if (DatasetTable.Text(row, FieldPhase) != "(g)") return false;
  return !(DatasetTable.Value(row, FieldTc) > 0 && DatasetTable.Value(row, FieldPc) > 0);
}

void PostIdealGasFallback(int eosType, const std::vector<std::string>& keys) {
  if (keys.empty()) return;
  std::string list;
  for (const std::string& key : keys) list += (list.empty() ? "" : ", ") + key;
  PostLogMessage(LevelImportant, IdealGasFallbackId,
                 "Without critical data (Tc, Pc), computed as ideal gases under [" +
                     std::string(EosCaption(eosType)) + "]: " + list);
}

void PostNoVapourRoot(int eosType, const std::string& key, double P, double T) {
  PostLogMessage(LevelImportant, NoVapourRootId,
                 key + ": no vapour root under [" + std::string(EosCaption(eosType)) + "] at T[K]:" +
                     FloatToShortText(T) + "; P[bar]:" + FloatToShortText(P) + ", computed on the liquid's root");
}

std::string_view LastEvaluatedPhase() { return g_lastPhase; }
double LastLiquidMolarVolume() { return g_lastLiquidVolume; }
double LastAcentricFactor(bool* present) {
  if (present) *present = g_lastOmegaPresent;
  return g_lastOmega;
}

}  // namespace quorel
