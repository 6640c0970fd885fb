#!/usr/bin/env python3
# Builds the shipped database data/Quorel.tdb, its reference file data/Quorel.ref and the
# system settings file data/Quorel.sys from public thermochemical data.
#
# Regenerate (Python 3, standard library only; the default paths are taken relative to the
# repository, so the command works from any folder):
#
#     python3 tools/make_database.py
#
# which is the same as
#
#     python3 tools/make_database.py --nasa ../shared/data/nasa-glenn-thermo.inp \
#         --critical ../shared/data/critical-properties.yaml \
#         --critical-supplement ../shared/data/critical-properties-supplement.tsv --out data
#
# Sources:
#   [1] NASA Glenn thermodynamic database, 9-coefficient polynomials (B. J. McBride, M. J. Zehe,
#       S. Gordon, NASA TP-2002-211556, 2002).
#   [2] Critical temperature, pressure and acentric factor compiled from the NIST Chemistry
#       WebBook and C. L. Yaws, Matheson Gas Data Book, 7th ed. (2001).
#   [3] Critical temperature, pressure and acentric factor of the gases [2] lacks (water,
#       ammonia, hydrogen, the noble gases, the acid gases, halogens and halides), a table
#       keyed by the NASA species name as this database spells it, taken from
#       S. Horstmann, A. Jabloniec, J. Krafczyk, K. Fischer, J. Gmehling, PSRK group
#       contribution equation of state: comprehensive revision and extension IV, Fluid Phase
#       Equilibria 227 (2005) 157-164, and
#   [4] C. L. Yaws, Thermophysical Properties of Chemicals and Hydrocarbons, 2nd ed., Gulf
#       Professional Publishing (2014).
#
# Every species of [1] whose elements the periodic table knows and that has at least one
# temperature range becomes one dataset per range (or per part of a range, see below), the
# reactants at the end of the NASA file included (Air, Jet-A, JP-10 and the liquid fuels);
# species given as an enthalpy at one temperature only are left out. The heat capacity is
#   Cp = a + b' T + c' / T^2 + d' T^2 + e' / T^3 + f' T^3,
#   b' = b / 1e3, c' = c * 1e6, d' = d * 1e-6, e' = e * 1e9, f' = f * 1e-9,
# with a..f fitted by least squares to the NASA Cp over the range (relative error weighted;
# the fewest terms that meet the tolerance with room to spare, else all six). H0 and S0 are
# the NASA polynomial's values at T0, where T0 is 298.15 K when the range holds it and the
# lower end of the range otherwise. H is therefore the NASA "assigned enthalpy" (enthalpy of
# formation at 298.15 K plus the sensible enthalpy), starts every range that does not hold
# 298.15 K exactly on the NASA value and stays within the fit tolerance of it up to the end.
# A fit must reproduce the NASA Cp within 0.5 %, H within 100 J/mol and S within
# 0.1 J/(mol K) over the whole range (checked on a dense grid with the coefficients as
# written); a range that misses it is first refitted with H and S weighted in (minimax by
# iteratively reweighted least squares) and then split into narrower ranges. Nothing out of
# tolerance is ever written: the run fails instead.
#
# Names: the NASA formula with the element symbols spelt as the periodic table spells them
# (NASA writes AL and CL), charges kept (CO2+, OH-, e-), isomers with their qualifier after a
# comma (C3H6,propylene, C3H6,cyclopropane); the NASA phase tag becomes the phase "(g)",
# "(l)" or "(s)", so the crystal forms of one substance are rows of one name in temperature
# order, and a form whose range overlaps the one before it (they coexist) keeps its tag in
# its name (SrCl2,b). A condensed phase takes the name of the gas of the same substance.
# Critical properties are taken only for substances matched on both the composition and the
# name (the table CRITICAL_BY_NAME, or the same formula without an isomer in [2]). The
# supplement [3]/[4] names each gas and gives its composition: a name that is not a gas of the
# database, a composition that differs from the gas's, or a gas that [2] already gives are
# refused (the run fails). Like [2], an entry applies to every phase of the name.
#
# The fit report (worst dataset and its errors) goes to stdout.

import argparse
import math
import os
import re

NASA_R = 8.314510  # J/(mol K), the gas constant the NASA Glenn polynomials are made with
T_REF = 298.15

TOL_CP_REL = 0.005   # 0.5 %
TOL_H = 100.0        # J/mol
TOL_S = 0.1          # J/(mol K)
MARGIN = 0.85        # the converter keeps every error below MARGIN times the tolerance
SIMPLE = 0.3         # a fit with fewer terms is taken when it stays below SIMPLE times it
# Terms tried in this order (a, b, c, d, e, f = 0..5); the first set that fits well is taken.
TERM_SETS = [(0,), (0, 1), (0, 1, 2), (0, 1, 2, 3), (0, 1, 2, 3, 5), (0, 1, 2, 3, 4, 5)]

# Element symbols of the program's periodic table (index 0 is the electron "E"), plus the
# deuterium "D" that the database start-up defines.
SYSTEM_ELEMENTS = (
    "E H He Li Be B C N O F Ne Na Mg Al Si P S Cl Ar K Ca Sc Ti V Cr Mn Fe Co Ni Cu Zn Ga Ge "
    "As Se Br Kr Rb Sr Y Zr Nb Mo Tc Ru Rh Pd Ag Cd In Sn Sb Te I Xe Cs Ba La Ce Pr Nd Pm Sm "
    "Eu Gd Tb Dy Ho Er Tm Yb Lu Hf Ta W Re Os Ir Pt Au Hg Tl Pb Bi Po At Rn Fr Ra Ac Th Pa U "
    "Np Pu Am Cm Bk Cf Es Fm Md No Lr Rf Db D").split()
SYSTEM_ELEMENT_SET = set(SYSTEM_ELEMENTS)

# Qualifiers of isomers whose NASA spelling is cut short by the 15-character name field,
# written out; the formula key in front stays as NASA gives it.
READABLE_QUALIFIERS = {
    "B2H3,db": "dibridged", "B2H4,db": "dibridged", "B2H5,db": "dibridged",
    "C2H4O,ethylen-o": "ethylene-oxide",
    "C3H3,1-propynl": "1-propynyl", "C3H3,2-propynl": "2-propynyl",
    "C3H4,cyclo-": "cyclopropene",
    "C3H6,cyclo-": "cyclopropane",
    "C3H6O,propylox": "propylene-oxide",
    "C3H8O,1propanol": "1-propanol", "C3H8O,2propanol": "2-propanol",
    "C4H4,1,3-cyclo-": "cyclobutadiene",
    "C4H6,1butyne": "1-butyne", "C4H6,2butyne": "2-butyne",
    "C4H6,cyclo-": "cyclobutene",
    "C4H8,cis2-buten": "cis-2-butene", "C4H8,tr2-butene": "trans-2-butene",
    "C4H8,cyclo-": "cyclobutane",
    "C5H6,1,3cyclo-": "cyclopentadiene",
    "C5H8,cyclo-": "cyclopentene",
    "C5H10,cyclo-": "cyclopentane",
    "C6H10,cyclo-": "cyclohexene",
    "C6H12,cyclo-": "cyclohexane",
    "C7H8O,cresol-mx": "cresol-mixture",
    "C7H16,2-methylh": "2-methylhexane",
    "C8H10,ethylbenz": "ethylbenzene",
    "C10H8,naphthale": "naphthalene",
    "C12H9,o-bipheny": "o-biphenylyl",
    "HCHO,formaldehy": "formaldehyde",
}

# Critical properties of substances whose NASA name is not the formula the critical-property
# file lists them under (structural formulas, isomers). Each entry was matched by hand on the
# composition and the substance's name: NASA name -> name in the critical-property file.
# Substances written as the same formula in both files, without an isomer of that composition
# in the critical-property file, are matched automatically (see match_critical()).
CRITICAL_BY_NAME = {
    "CH3OH": "CH4O",               # methanol
    "C2H5OH": "C2H6O-1",           # ethyl alcohol
    "CH3OCH3": "C2H6O",            # dimethyl ether
    "CH3CHO,ethanal": "C2H4O-1",   # acetaldehyde
    "C2H4O,ethylen-o": "C2H4O",    # ethylene oxide
    "CH3COOH": "C2H4O2",           # acetic acid
    "HCHO,formaldehy": "CH2O",     # formaldehyde
    "HCOOH": "CH2O2",              # formic acid
    "CH2CO,ketene": "C2H2O",       # ketene
    "CH3CN": "C2H3N",              # acetonitrile
    "C2H2,acetylene": "C2H2",      # acetylene (ethyne)
    "C3H4,allene": "C3H4",         # allene (propadiene)
    "C3H4,propyne": "C3H4-1",      # propyne
    "C3H6,propylene": "C3H6",      # propene
    "C3H6,cyclo-": "C3H6-1",       # cyclopropane
    "C3H6O,propylox": "C3H6O",     # propylene oxide
    "C3H6O,propanal": "C3H6O-2",   # propionaldehyde
    "C3H6O,acetone": "C3H6O-3",    # acetone
    "C3H8O,1propanol": "C3H8O-1",  # propyl alcohol
    "C3H8O,2propanol": "C3H8O-2",  # isopropyl alcohol
    "C4H2,butadiyne": "C4H2",      # 1,3-butadiyne
    "C4H6,butadiene": "C4H6-1",    # 1,3-butadiene
    "C4H6,1butyne": "C4H6-2",      # 1-butyne
    "C4H6,2butyne": "C4H6-3",      # 2-butyne
    "C4H6,cyclo-": "C4H6-4",       # cyclobutene
    "C4H8,1-butene": "C4H8",       # 1-butene
    "C4H8,cis2-buten": "C4H8-1",   # cis-2-butene
    "C4H8,tr2-butene": "C4H8-2",   # trans-2-butene
    "C4H8,isobutene": "C4H8-3",    # 2-methylpropene
    "C4H8,cyclo-": "C4H8-4",       # cyclobutane
    "C4H10,n-butane": "C4H10",     # butane
    "C4H10,isobutane": "C4H10-1",  # 2-methylpropane
    "C5H8,cyclo-": "C5H8-10",      # cyclopentene
    "C5H10,1-pentene": "C5H10",    # 1-pentene
    "C5H10,cyclo-": "C5H10-6",     # cyclopentane
    "C5H12,n-pentane": "C5H12",    # pentane
    "C5H12,i-pentane": "C5H12-1",  # 2-methylbutane
    "C6H5OH,phenol": "C6H6O",      # phenol
    "C6H10,cyclo-": "C6H10-1",     # cyclohexene
    "C6H12,1-hexene": "C6H12",     # 1-hexene
    "C6H12,cyclo-": "C6H12-17",    # cyclohexane
    "C6H14,n-hexane": "C6H14",     # hexane
    "C7H14,1-heptene": "C7H14",    # 1-heptene
    "C7H16,n-heptane": "C7H16",    # heptane
    "C7H16,2-methylh": "C7H16-1",  # 2-methylhexane
    "C8H8,styrene": "C8H8",        # styrene
    "C8H10,ethylbenz": "C8H10",    # ethylbenzene
    "C8H16,1-octene": "C8H16",     # 1-octene
    "C8H18,n-octane": "C8H18",     # octane
    "C8H18,isooctane": "C8H18-14",  # 2,2,4-trimethylpentane
    "C10H8,naphthale": "C10H8",    # naphthalene
    "C12H10,biphenyl": "C12H10",   # biphenyl
    "C6H5NH2": "C6H7N-2",          # aniline
    "C7H8": "C7H8",                # toluene (the file also lists cycloheptatriene as C7H8-1)
    "C6H6": "C6H6",                # benzene
    "C2H4": "C2H4",                # ethylene
    "C3H8": "C3H8",                # propane
}

# Reference numbers of the supplement's sources (its "source" column).
SUPPLEMENT_REFERENCES = {"PSRK": "[3]", "Yaws": "[4]"}

# Header row of the database (row 0; no lookup ever returns it).
HEADER = ["Name", "Phase", "Tmin [K]", "Tmax [K]", "T0 [K]", "H0 [J/mol]", "S0 [J/(mol K)]",
          "a", "b [1e-3]", "c [1e6]", "d [1e-6]", "e [1e9]", "f [1e-9]", "Tc [K]", "Pc [bar]",
          "Acentric factor", "Composition", "Description", "References", "Source species",
          "Comment", "Fit"]


# ------------------------------------------------------------------------------------------------
# NASA Glenn 9-coefficient file

def _fnum(text):
    text = text.strip().replace("D", "E").replace("d", "e")
    return float(text) if text else 0.0


class Interval:
    def __init__(self, tmin, tmax, a, b1, b2):
        self.tmin, self.tmax, self.a, self.b1, self.b2 = tmin, tmax, a, b1, b2

    def cp(self, t):
        a = self.a
        return NASA_R * (a[0] / t ** 2 + a[1] / t + a[2] + a[3] * t + a[4] * t ** 2
                         + a[5] * t ** 3 + a[6] * t ** 4)

    def h(self, t):
        a = self.a
        return NASA_R * (-a[0] / t + a[1] * math.log(t) + a[2] * t + a[3] * t ** 2 / 2
                         + a[4] * t ** 3 / 3 + a[5] * t ** 4 / 4 + a[6] * t ** 5 / 5 + self.b1)

    def s(self, t):
        a = self.a
        return NASA_R * (-a[0] / (2 * t ** 2) - a[1] / t + a[2] * math.log(t) + a[3] * t
                         + a[4] * t ** 2 / 2 + a[5] * t ** 3 / 3 + a[6] * t ** 4 / 4 + self.b2)


class Species:
    pass


def read_nasa(path):
    """Species of a NASA Glenn 9-coefficient thermo file, products and reactants."""
    with open(path, "r", encoding="latin-1") as f:
        lines = [l.rstrip("\r\n") for l in f]
    i = 0
    while i < len(lines) and not lines[i].startswith("thermo"):
        i += 1
    i += 2  # the "thermo" line and the line of global temperature ranges
    species = []
    section = "products"
    while i < len(lines):
        line = lines[i]
        if line.startswith("END PRODUCTS"):
            section = "reactants"
            i += 1
            continue
        if line.startswith("END REACTANTS"):
            break
        if line.startswith("!") or not line.strip():
            i += 1
            continue
        sp = Species()
        sp.nasa_name = line.split()[0]
        sp.comment = line[len(sp.nasa_name):].strip()
        rec2 = lines[i + 1].ljust(80)
        nint = int(rec2[0:2])
        sp.refcode = rec2[3:9].strip()
        sp.formula = []
        for k in range(5):
            sym = rec2[10 + 8 * k:12 + 8 * k].strip()
            count = _fnum(rec2[12 + 8 * k:18 + 8 * k])
            if sym and count != 0:
                sp.formula.append((sym, count))
        sp.phase_code = int(rec2[50:52])
        sp.molar_mass = _fnum(rec2[52:65])
        sp.section = section
        sp.line = i + 1
        sp.intervals = []
        j = i + 2
        if nint == 0:
            j += 1  # one line with the temperature of the assigned enthalpy
        for _ in range(nint):
            rec3 = lines[j].ljust(80)
            tmin, tmax = _fnum(rec3[0:11]), _fnum(rec3[11:22])
            exps = [_fnum(rec3[23 + 5 * m:28 + 5 * m]) for m in range(8)]
            if exps[:7] != [-2.0, -1.0, 0.0, 1.0, 2.0, 3.0, 4.0]:
                raise SystemExit("%s line %d: unexpected temperature exponents %s"
                                 % (path, j + 1, exps))
            c1, c2 = lines[j + 1].ljust(80), lines[j + 2].ljust(80)
            a = [_fnum(c1[16 * m:16 * m + 16]) for m in range(5)]
            a += [_fnum(c2[0:16]), _fnum(c2[16:32])]
            sp.intervals.append(Interval(tmin, tmax, a, _fnum(c2[48:64]), _fnum(c2[64:80])))
            j += 3
        species.append(sp)
        i = j
    return species


# ------------------------------------------------------------------------------------------------
# Critical properties (the YAML file's "species" list; only the keys used here are read)

def read_critical(path):
    entries = []
    cur = None
    with open(path, "r", encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n")
            m = re.match(r"^- name:\s*(\S+)\s*$", line)
            if m:
                cur = {"name": m.group(1)}
                entries.append(cur)
                continue
            if cur is None:
                continue
            m = re.match(r"^\s+(descriptive-name|critical-temperature|critical-pressure|"
                         r"acentric-factor):\s*(.*?)\s*$", line)
            if m:
                key, val = m.group(1), m.group(2)
                cur[key] = val if key == "descriptive-name" else float(val)
    return {e["name"]: e for e in entries}


def read_critical_supplement(path):
    """Rows of the TAB-separated supplement (comment lines begin with "#", then one header
    line): name -> entry in the keys of read_critical(), with composition, CAS number and
    source."""
    entries = {}
    header = None
    with open(path, "r", encoding="utf-8") as f:
        for k, raw in enumerate(f, 1):
            line = raw.rstrip("\r\n")
            if not line.strip() or line.startswith("#"):
                continue
            cells = [c.strip() for c in line.split("\t")]
            if header is None:
                header = cells
                continue
            if len(cells) != len(header):
                raise SystemExit("%s line %d: %d fields, the header has %d"
                                 % (path, k, len(cells), len(header)))
            row = dict(zip(header, cells))
            name = row["nasa_name"]
            if name in entries:
                raise SystemExit("%s line %d: %s is listed twice" % (path, k, name))
            if row["source"] not in SUPPLEMENT_REFERENCES:
                raise SystemExit("%s line %d: unknown source %r" % (path, k, row["source"]))
            tc, pc, w = float(row["Tc_K"]), float(row["Pc_bar"]), float(row["acentric_factor"])
            if not (tc > 0 and pc > 0):
                raise SystemExit("%s line %d: Tc and Pc of %s must be positive" % (path, k, name))
            entries[name] = {"name": name, "descriptive-name": row["name"],
                             "critical-temperature": tc, "critical-pressure": pc * 1e5,
                             "acentric-factor": w, "composition": row["composition"],
                             "cas": row["cas"], "reference": SUPPLEMENT_REFERENCES[row["source"]],
                             "line": k}
    return entries


def formula_composition(text):
    """Composition of a formula written with explicit counts (C1O2, H6B2)."""
    comp = {}
    pos = 0
    for m in re.finditer(r"([A-Z][a-z]?)(\d+(?:\.\d+)?)", text):
        if m.start() != pos:
            return None
        comp[m.group(1)] = comp.get(m.group(1), 0) + float(m.group(2))
        pos = m.end()
    return comp if pos == len(text) and comp else None


def critical_composition(name):
    """Composition of a name of the critical-property file (upper-case symbols, CL and BR
    for chlorine and bromine, an optional isomer suffix "-n")."""
    base = re.sub(r"-\d+$", "", name)
    comp = {}
    for sym, cnt in re.findall(r"(CL|BR|[A-Z])(\d*)", base):
        sym = sym[0] + sym[1:].lower()
        comp[sym] = comp.get(sym, 0) + (int(cnt) if cnt else 1)
    return comp


# ------------------------------------------------------------------------------------------------
# Names and compositions

def system_symbol(nasa_symbol):
    return nasa_symbol[0] + nasa_symbol[1:].lower()


def parse_name_formula(text, elements):
    """Re-cases a NASA formula name (NASA writes Al and Cl as AL and CL) and counts its
    elements. Returns (text, composition) or None when text is not a formula."""
    out = []
    pos = 0
    stack = [{}]
    n = len(text)

    def number_at(p):
        m = re.match(r"\d*\.?\d+|\d+", text[p:])
        return (m.group(0), p + len(m.group(0))) if m else ("", p)

    while pos < n:
        ch = text[pos]
        if ch.isupper():
            sym = ch
            nxt = text[pos + 1] if pos + 1 < n else ""
            if nxt.islower():
                sym = ch + nxt
            elif nxt.isupper() and (ch + nxt.lower()) in elements and nxt not in SYSTEM_ELEMENT_SET:
                sym = ch + nxt.lower()
            if sym not in elements and sym not in SYSTEM_ELEMENT_SET:
                return None
            pos += len(sym)
            num, pos = number_at(pos)
            cnt = float(num) if num else 1.0
            stack[-1][sym] = stack[-1].get(sym, 0) + cnt
            out.append(sym + num)
        elif ch == "(":
            stack.append({})
            out.append(ch)
            pos += 1
        elif ch == ")":
            if len(stack) < 2:
                return None
            grp = stack.pop()
            pos += 1
            num, pos = number_at(pos)
            mult = float(num) if num else 1.0
            for k, v in grp.items():
                stack[-1][k] = stack[-1].get(k, 0) + v * mult
            out.append(")" + num)
        elif ch == "." and pos + 1 < n and text[pos + 1].isdigit():
            return None
        elif ch == "-" and pos + 1 < n and (text[pos + 1].isupper() or text[pos + 1] == "("):
            out.append(ch)  # a bond written out: CH2Cl-COOH
            pos += 1
        elif ch in "+-" and all(c == ch for c in text[pos:]):
            charge = len(text) - pos
            stack[-1]["E"] = stack[-1].get("E", 0) + (charge if ch == "-" else -charge)
            out.append(text[pos:])
            pos = n
        else:
            return None
    if len(stack) != 1:
        return None
    return "".join(out), stack[0]


def format_count(c):
    if abs(c - round(c)) < 1e-9:
        return "%d" % round(c)
    return ("%.6f" % c).rstrip("0").rstrip(".")


def composition_text(comp):
    """Explicit counts after every symbol (C1O2). Carbon first, then hydrogen, then the other
    symbols alphabetically, the electron last; a symbol is thus never preceded by a longer
    symbol that begins with it (C before Ca and Cl, H before He)."""
    syms = sorted(s for s in comp if s not in ("C", "H", "E"))
    order = ([s for s in ("C", "H") if s in comp] + syms + (["E"] if "E" in comp else []))
    if "E" in comp and any(s.startswith("E") and s != "E" for s in comp):
        raise SystemExit("composition %r: electron after a symbol that begins with E" % comp)
    return "".join(s + format_count(comp[s]) for s in order if comp[s] != 0)


def split_nasa_name(sp):
    """(formula part, phase tag or "", qualifier or "") of a NASA species name."""
    name = sp.nasa_name
    q = ""
    m = re.match(r"^(.*\))(,.*)$", name)
    if sp.phase_code != 0 and m:
        name, q = m.group(1), m.group(2)[1:]
    elif "," in name and not re.search(r"\([^)]*,[^)]*\)$", name):
        name, q = name.split(",", 1)
    m = re.match(r"^(.*)\(([^()]*)\)$", name)
    if m and (sp.phase_code != 0 or m.group(2) == "g"):
        return m.group(1), m.group(2), q
    return name, "", q


# ------------------------------------------------------------------------------------------------
# The heat-capacity form of the database and its fit

def cp_basis(t):
    return (1.0, t * 1e-3, 1e6 / t ** 2, 1e-6 * t ** 2, 1e9 / t ** 3, 1e-9 * t ** 3)


def h_basis(t, t0):
    return (t - t0, (t * t - t0 * t0) / 2 * 1e-3, -(1 / t - 1 / t0) * 1e6,
            (t ** 3 - t0 ** 3) / 3 * 1e-6, -(1 / t ** 2 - 1 / t0 ** 2) / 2 * 1e9,
            (t ** 4 - t0 ** 4) / 4 * 1e-9)


def s_basis(t, t0):
    return (math.log(t / t0), (t - t0) * 1e-3, -(1 / t ** 2 - 1 / t0 ** 2) / 2 * 1e6,
            (t * t - t0 * t0) / 2 * 1e-6, -(1 / t ** 3 - 1 / t0 ** 3) / 3 * 1e9,
            (t ** 3 - t0 ** 3) / 3 * 1e-9)


def eval_row(coef, t0, h0, s0, t):
    """Cp, H, S of the Cp form exactly as the programs evaluate it (1 bar, ideal)."""
    a, b, c, d, e, f = coef
    b, c, d, e, f = b / 1000, c * 1e6, d * 1e-6, e * 1e9, f * 1e-9
    cp = a + b * t + c / t ** 2 + d * t ** 2 + e / t ** 3 + f * t ** 3
    h = (h0 + a * (t - t0) + b / 2 * (t ** 2 - t0 ** 2) - c * (1 / t - 1 / t0)
         + d / 3 * (t ** 3 - t0 ** 3) - e / 2 * (1 / t ** 2 - 1 / t0 ** 2)
         + f / 4 * (t ** 4 - t0 ** 4))
    s = (s0 + a * math.log(t / t0) + b * (t - t0) - c / 2 * (1 / t ** 2 - 1 / t0 ** 2)
         + d / 2 * (t ** 2 - t0 ** 2) - e / 3 * (1 / t ** 3 - 1 / t0 ** 3)
         + f / 3 * (t ** 3 - t0 ** 3))
    return cp, h, s


def lstsq(rows, rhs, rank_tol=1e-11):
    """Least squares by Householder QR with column pivoting on column-normalised data; columns
    that add nothing above rank_tol get coefficient 0."""
    m, n = len(rows), len(rows[0])
    norms = [math.sqrt(sum(r[j] ** 2 for r in rows)) or 1.0 for j in range(n)]
    A = [[r[j] / norms[j] for j in range(n)] for r in rows]
    y = list(rhs)
    perm = list(range(n))
    diag = []
    rank = 0
    first = 0.0
    for k in range(n):
        # pivot: the remaining column of largest norm below row k
        best, bj = -1.0, k
        for j in range(k, n):
            s = sum(A[i][j] ** 2 for i in range(k, m))
            if s > best:
                best, bj = s, j
        if bj != k:
            for r in A:
                r[k], r[bj] = r[bj], r[k]
            perm[k], perm[bj] = perm[bj], perm[k]
        alpha = math.sqrt(best)
        if k == 0:
            first = alpha
        if alpha <= rank_tol * first:
            break
        if A[k][k] > 0:
            alpha = -alpha
        v = [0.0] * m
        v[k] = A[k][k] - alpha
        for i in range(k + 1, m):
            v[i] = A[i][k]
        vv = sum(x * x for x in v[k:])
        if vv > 0:
            for j in range(k, n):
                s = sum(v[i] * A[i][j] for i in range(k, m)) * 2 / vv
                for i in range(k, m):
                    A[i][j] -= s * v[i]
            s = sum(v[i] * y[i] for i in range(k, m)) * 2 / vv
            for i in range(k, m):
                y[i] -= s * v[i]
        diag.append(A[k][k])
        rank += 1
    x = [0.0] * n
    for k in range(rank - 1, -1, -1):
        s = y[k] - sum(A[k][j] * x[j] for j in range(k + 1, rank))
        x[k] = s / A[k][k]
    coef = [0.0] * n
    for k in range(n):
        coef[perm[k]] = x[k] / norms[perm[k]] if k < rank else 0.0
    return coef


def sample_points(tmin, tmax, n):
    """Chebyshev points of [tmin, tmax] with both ends."""
    pts = [tmin, tmax]
    for k in range(n):
        x = math.cos(math.pi * (k + 0.5) / n)
        pts.append(0.5 * (tmin + tmax) + 0.5 * (tmax - tmin) * x)
    return sorted(pts)


def check_points(tmin, tmax):
    n = 600
    pts = [tmin + (tmax - tmin) * k / n for k in range(n + 1)]
    return sorted(set(pts + sample_points(tmin, tmax, 200)))


def fit_errors(iv, coef, t0, h0, s0, pts):
    """Worst Cp (relative), H and S errors of a row against the NASA polynomial."""
    ecp = eh = es = 0.0
    for t in pts:
        cp, h, s = eval_row(coef, t0, h0, s0, t)
        cpn = iv.cp(t)
        ecp = max(ecp, abs(cp - cpn) / max(abs(cpn), 1e-9))
        eh = max(eh, abs(h - iv.h(t)))
        es = max(es, abs(s - iv.s(t)))
    return ecp, eh, es


def score(errs):
    ecp, eh, es = errs
    return max(ecp / TOL_CP_REL, eh / TOL_H, es / TOL_S)


def written(x):
    """The value as it stands in the file."""
    return float(fmt(x))


def fmt(x):
    if x == 0:
        return "0"
    return "%.15g" % x


def fit_range(iv, tmin, tmax):
    """Coefficients and errors of the Cp form over [tmin, tmax]; None when the tolerance is
    not met."""
    t0 = T_REF if tmin <= T_REF <= tmax else tmin
    h0, s0 = written(iv.h(t0)), written(iv.s(t0))
    fitpts = sample_points(tmin, tmax, 80)
    chk = check_points(tmin, tmax)

    def finish(coef):
        # Terms that add nothing over the range are written as 0.
        cpmax = max(iv.cp(t) for t in fitpts)
        for j in range(6):
            if max(abs(coef[j] * cp_basis(t)[j]) for t in fitpts) < 1e-10 * cpmax:
                coef[j] = 0.0
        coef = [written(c) for c in coef]
        errs = fit_errors(iv, coef, t0, h0, s0, chk)
        return coef, errs

    # 1. Cp alone, relative error; the fewest terms that meet the tolerance well (they keep
    #    the polynomial tame outside its range), else all six.
    rows, rhs = [], []
    for t in fitpts:
        w = 1.0 / iv.cp(t)
        rows.append([x * w for x in cp_basis(t)])
        rhs.append(iv.cp(t) * w)
    coarse = [tmin + (tmax - tmin) * k / 60 for k in range(61)]
    best = None
    for terms in TERM_SETS:
        sub = lstsq([[r[j] for j in terms] for r in rows], rhs)
        full = [0.0] * 6
        for j, c in zip(terms, sub):
            full[j] = c
        if len(terms) < 6:
            if score(fit_errors(iv, [written(c) for c in full], t0, h0, s0, coarse)) > SIMPLE:
                continue
            coef, errs = finish(full)
            if score(errs) <= SIMPLE:
                return t0, h0, s0, coef, errs, "Cp%d" % len(terms)
        else:
            coef, errs = finish(full)
            best = (score(errs), coef, errs)
            if best[0] <= MARGIN:
                return t0, h0, s0, coef, errs, "Cp6"

    # 2. Cp, H and S together, each in units of its tolerance, reweighted towards the minimax.
    base_rows, base_rhs = [], []
    for t in fitpts:
        cpn = iv.cp(t)
        base_rows.append([x / (TOL_CP_REL * cpn) for x in cp_basis(t)])
        base_rhs.append(cpn / (TOL_CP_REL * cpn))
        if t != t0:
            base_rows.append([x / TOL_H for x in h_basis(t, t0)])
            base_rhs.append((iv.h(t) - h0) / TOL_H)
            base_rows.append([x / TOL_S for x in s_basis(t, t0)])
            base_rhs.append((iv.s(t) - s0) / TOL_S)
    weights = [1.0] * len(base_rows)
    for _ in range(40):
        rows = [[x * math.sqrt(w) for x in r] for r, w in zip(base_rows, weights)]
        rhs = [y * math.sqrt(w) for y, w in zip(base_rhs, weights)]
        c = lstsq(rows, rhs)
        coef, errs = finish(c)
        sc = score(errs)
        if sc < best[0]:
            best = (sc, coef, errs)
        if sc <= MARGIN:
            return t0, h0, s0, coef, errs, "CpHS"
        res = [abs(sum(x * ci for x, ci in zip(r, c)) - y) for r, y in zip(base_rows, base_rhs)]
        tot = 0.0
        for k in range(len(weights)):
            weights[k] *= res[k] + 1e-12
            tot += weights[k]
        weights = [w / tot * len(weights) for w in weights]
    return None


def nice_split(tmin, tmax):
    mid = 0.5 * (tmin + tmax)
    if tmax - tmin > 20:
        mid = float(round(mid))
    return mid


def fit_interval(iv, tmin, tmax, depth=0):
    """Rows (tmin, tmax, t0, h0, s0, coef, errs, how) covering [tmin, tmax]."""
    r = fit_range(iv, tmin, tmax)
    if r is not None:
        return [(tmin, tmax) + r]
    if depth > 12 or tmax - tmin < 1.0:
        raise SystemExit("no fit within tolerance for %.3f-%.3f K" % (tmin, tmax))
    mid = nice_split(tmin, tmax)
    return fit_interval(iv, tmin, mid, depth + 1) + fit_interval(iv, mid, tmax, depth + 1)


# ------------------------------------------------------------------------------------------------
# Building the datasets

def tfmt(t):
    return ("%.3f" % t).rstrip("0").rstrip(".")


def match_critical(sp, comp, crit, crit_by_comp):
    """The critical-property entry of a species: by the explicit table, else by the same
    formula text when the critical-property file has no isomer of that composition."""
    key = sp.gas_name_nasa
    if key in CRITICAL_BY_NAME:
        e = crit[CRITICAL_BY_NAME[key]]
        if critical_composition(e["name"]) != comp:
            raise SystemExit("critical-property match %s -> %s: compositions differ"
                             % (key, e["name"]))
        return e
    if "E" in comp or "," in key:
        return None
    e = crit.get(sp.formula_key.upper())
    if e is None or critical_composition(e["name"]) != comp:
        return None
    if len(crit_by_comp[tuple(sorted(comp.items()))]) != 1:
        return None
    return e


def add_critical_supplement(usable, crit_of, supplement, path):
    """Adds the supplement's entries to crit_of, each checked against the gas it names."""
    gases = {}
    for sp in usable:
        if sp.phase == "(g)":
            gases.setdefault(sp.name, sp)
    for name, e in supplement.items():
        where = "%s line %d: %s" % (path, e["line"], name)
        sp = gases.get(name)
        if sp is None:
            raise SystemExit("%s is no gas of the database" % where)
        comp = formula_composition(e["composition"])
        if comp is None:
            raise SystemExit("%s: unreadable composition %r" % (where, e["composition"]))
        if set(comp) != set(sp.comp) or any(abs(comp[k] - sp.comp[k]) > 1e-6 for k in comp):
            raise SystemExit("%s: composition %s differs from the database's %s"
                             % (where, e["composition"], composition_text(sp.comp)))
        if name in crit_of:
            raise SystemExit("%s: already given by the first critical-property file (%s)"
                             % (where, crit_of[name]["name"]))
        crit_of[name] = e


def build(nasa_path, crit_path, supplement_path=None):
    species = read_nasa(nasa_path)
    crit = read_critical(crit_path)
    supplement = read_critical_supplement(supplement_path) if supplement_path else {}
    crit_by_comp = {}
    for e in crit.values():
        crit_by_comp.setdefault(tuple(sorted(critical_composition(e["name"]).items())),
                                []).append(e)

    skipped = []
    usable = []
    for sp in species:
        comp = {}
        for sym, cnt in sp.formula:
            s = system_symbol(sym)
            comp[s] = comp.get(s, 0) + cnt
        bad = [s for s in comp if s not in SYSTEM_ELEMENT_SET]
        if bad:
            skipped.append((sp.nasa_name, "element %s unknown to the periodic table" % bad[0]))
            continue
        if not sp.intervals:
            skipped.append((sp.nasa_name, "no heat capacity (enthalpy at one temperature only)"))
            continue
        sp.comp = comp
        base, tag, qual = split_nasa_name(sp)
        parsed = parse_name_formula(base, set(comp))
        if parsed is not None and all(abs(parsed[1].get(k, 0) - comp.get(k, 0)) < 1e-6
                                      for k in set(parsed[1]) | set(comp)):
            sp.formula_key = parsed[0]
        else:
            # Not a formula of the composition (Air, Jet-A, JP-10, and Fe.947O whose formula
            # line rounds the iron count to 0.95): the name as NASA writes it.
            sp.formula_key = base
        sp.tag, sp.qual = tag, qual
        sp.phase = "(g)" if sp.phase_code == 0 else ("(l)" if tag == "L" else "(s)")
        usable.append(sp)

    # Gas names: formula key plus the isomer's qualifier.
    gases = {}
    for sp in usable:
        if sp.phase == "(g)":
            q = READABLE_QUALIFIERS.get(sp.nasa_name, sp.qual)
            sp.name = sp.formula_key + ("," + q if q else "")
            sp.gas_name_nasa = sp.nasa_name if sp.qual or sp.tag != "g" else sp.nasa_name[:-3]
            gases.setdefault(sp.formula_key, []).append(sp)
    # Condensed names: the name of the gas of the same substance (its qualifier is cut short
    # in the condensed name), else the formula key.
    for sp in usable:
        if sp.phase == "(g)":
            continue
        sp.name = sp.formula_key
        sp.gas_name_nasa = sp.formula_key
        if sp.qual:
            cands = [g for g in gases.get(sp.formula_key, []) if g.qual.startswith(sp.qual)
                     or READABLE_QUALIFIERS.get(g.nasa_name, "").startswith(sp.qual)]
            if len(cands) == 1:
                sp.name = cands[0].name
                sp.gas_name_nasa = cands[0].gas_name_nasa
            else:
                sp.name = sp.formula_key + "," + sp.qual
                sp.gas_name_nasa = sp.nasa_name
        else:
            cands = [g for g in gases.get(sp.formula_key, []) if not g.qual]
            if cands:
                sp.gas_name_nasa = cands[0].gas_name_nasa
    # Crystal forms that coexist (overlapping ranges) keep their own names.
    groups = {}
    for sp in usable:
        groups.setdefault((sp.name, sp.phase), []).append(sp)
    for key, members in groups.items():
        members.sort(key=lambda s: (s.intervals[0].tmin, s.phase_code))
        chain_end = None
        for sp in members:
            lo, hi = sp.intervals[0].tmin, sp.intervals[-1].tmax
            if chain_end is not None and lo < chain_end - 1e-6:
                if not sp.tag or sp.tag in ("L", "cr"):
                    raise SystemExit("overlapping datasets of %s%s" % key)
                sp.name = sp.name + "," + sp.tag
            else:
                chain_end = hi
    seen = {}
    for sp in usable:
        for iv in sp.intervals:
            k = (sp.name, sp.phase)
            for lo, hi, other in seen.get(k, []):
                if iv.tmin < hi - 1e-6 and iv.tmax > lo + 1e-6:
                    raise SystemExit("overlap of %s%s: %s and %s" % (k[0], k[1], other,
                                                                      sp.nasa_name))
            seen.setdefault(k, []).append((iv.tmin, iv.tmax, sp.nasa_name))

    # Critical properties by substance (shared by all phases of a name).
    crit_of = {}
    for sp in usable:
        if sp.phase == "(g)":
            e = match_critical(sp, sp.comp, crit, crit_by_comp)
            if e is not None:
                crit_of[sp.name] = e
    for sp in usable:
        if sp.phase != "(g)" and sp.name not in crit_of:
            e = match_critical(sp, sp.comp, crit, crit_by_comp)
            if e is not None:
                crit_of[sp.name] = e
    add_critical_supplement(usable, crit_of, supplement, supplement_path)

    # Rows in the order of the NASA file: gases first, then condensed phases; the ranges of a
    # name and phase ascending.
    rows = []
    for sp in usable:
        comp_text = composition_text(sp.comp)
        e = crit_of.get(sp.name)
        tc = pc = w = ""
        refs = "[1]"
        desc = sp.comment
        if e is not None:
            tc = fmt(e["critical-temperature"])
            pc = fmt(e["critical-pressure"] / 1e5)
            w = fmt(e["acentric-factor"]) if "acentric-factor" in e else ""
            refs = "[1]" + e.get("reference", "[2]")
            common = e["descriptive-name"].replace("-", " ")
            desc = common[0].upper() + common[1:] + ". " + desc
        for iv in sp.intervals:
            for (tmin, tmax, t0, h0, s0, coef, errs, how) in fit_interval(iv, iv.tmin, iv.tmax):
                rows.append(dict(sp=sp, name=sp.name, phase=sp.phase, tmin=tmin, tmax=tmax,
                                 t0=t0, h0=h0, s0=s0, coef=coef, errs=errs, how=how,
                                 tc=tc, pc=pc, w=w, comp=comp_text, desc=desc, refs=refs,
                                 nasa_range=(iv.tmin, iv.tmax)))
    return rows, skipped, crit_of


def clean(text):
    text = " ".join(text.split())
    return text.encode("cp1252", errors="replace").decode("cp1252")


def row_fields(r):
    sp = r["sp"]
    ecp, eh, es = r["errs"]
    comment = "NASA Glenn %s, %s, range %s-%s K" % (sp.nasa_name, sp.refcode,
                                                   tfmt(r["nasa_range"][0]),
                                                   tfmt(r["nasa_range"][1]))
    if sp.section == "reactants":
        comment += ", listed as reactant"
    fit = "max error Cp %.3f %%, H %.1f J/mol, S %.4f J/(mol K)" % (ecp * 100, eh, es)
    return [r["name"], r["phase"], tfmt(r["tmin"]), tfmt(r["tmax"]), tfmt(r["t0"]),
            fmt(r["h0"]), fmt(r["s0"])] + [fmt(c) for c in r["coef"]] + [
            r["tc"], r["pc"], r["w"], r["comp"], clean(r["desc"]), r["refs"], sp.nasa_name,
            clean(comment), fit]


def write_text(path, lines):
    data = "".join(l + "\r\n" for l in lines).encode("cp1252")
    with open(path, "wb") as f:
        f.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    repo = os.path.dirname(here)
    shared = os.path.join(repo, "..", "shared", "data")
    ap = argparse.ArgumentParser(description="Build data/Quorel.tdb, .ref and .sys")
    ap.add_argument("--nasa", default=os.path.join(shared, "nasa-glenn-thermo.inp"))
    ap.add_argument("--critical", default=os.path.join(shared, "critical-properties.yaml"))
    ap.add_argument("--critical-supplement",
                    default=os.path.join(shared, "critical-properties-supplement.tsv"))
    ap.add_argument("--out", default=os.path.join(repo, "data"))
    args = ap.parse_args()

    rows, skipped, crit_of = build(args.nasa, args.critical, args.critical_supplement)
    os.makedirs(args.out, exist_ok=True)

    lines = ["Nr\t" + "\t".join(HEADER)]
    for k, r in enumerate(rows, 1):
        f = row_fields(r)
        assert len(f) == 22 and all("\t" not in x for x in f)
        lines.append("%d\t%s" % (k, "\t".join(f)))
    write_text(os.path.join(args.out, "Quorel.tdb"), lines)

    write_text(os.path.join(args.out, "Quorel.ref"), [
        "# Reference file of Quorel.tdb, written by tools/make_database.py.",
        "# No section Constants: the gas constant stays the programs' default.",
        "[Reference]",
        "  1: B. J. McBride, M. J. Zehe, S. Gordon, NASA Glenn Coefficients for Calculating"
        " Thermodynamic Properties of Individual Species, NASA TP-2002-211556 (2002), heat"
        " capacity refitted, H0 and S0 at T0 from the NASA polynomial;",
        "  2: Critical temperature, critical pressure and acentric factor from the NIST"
        " Chemistry WebBook (E. W. Lemmon et al., NIST Standard Reference Database 69, 2022)"
        " and C. L. Yaws, Matheson Gas Data Book, 7th ed., McGraw-Hill (2001);",
        "  3: Critical temperature, critical pressure and acentric factor from the table of"
        " pure-component data of S. Horstmann, A. Jabloniec, J. Krafczyk, K. Fischer,"
        " J. Gmehling, PSRK group contribution equation of state: comprehensive revision and"
        " extension IV, Fluid Phase Equilibria 227 (2005) 157-164;",
        "  4: Critical temperature, critical pressure and acentric factor from C. L. Yaws,"
        " Thermophysical Properties of Chemicals and Hydrocarbons, 2nd ed., Gulf Professional"
        " Publishing (2014);",
        "[Elements]",
        "  # every element of the database is in the built-in periodic table",
    ])
    write_text(os.path.join(args.out, "Quorel.sys"), [
        "[General]",
        "  Database=..\\data\\Quorel.tdb",
        "  HelpIndex=..\\data\\QuorelHelp.html",
    ])

    # Report.
    worst = max(rows, key=lambda r: score(r["errs"]))
    wcp = max(rows, key=lambda r: r["errs"][0])
    wh = max(rows, key=lambda r: r["errs"][1])
    ws = max(rows, key=lambda r: r["errs"][2])
    nsplit = sum(1 for r in rows if (r["tmin"], r["tmax"]) != r["nasa_range"])
    names = {(r["name"], r["phase"]) for r in rows}
    size = os.path.getsize(os.path.join(args.out, "Quorel.tdb"))
    print("Quorel.tdb: %d datasets of %d substances and phases, %d bytes" % (len(rows),
                                                                             len(names), size))
    print("ranges split for the fit: %d datasets; refitted with H and S weighted in: %d"
          % (nsplit, sum(1 for r in rows if r["how"] == "CpHS")))
    print("critical properties for %d names (%d from the supplement)"
          % (len(crit_of), sum(1 for e in crit_of.values() if "reference" in e)))
    print("gases with critical properties: %d of %d"
          % (len({r["name"] for r in rows if r["phase"] == "(g)" and r["tc"]}),
             len({r["name"] for r in rows if r["phase"] == "(g)"})))

    def desc(r):
        return "%s%s %s-%s K (Cp %.3f %%, H %.1f J/mol, S %.4f J/(mol K))" % (
            r["name"], r["phase"], tfmt(r["tmin"]), tfmt(r["tmax"]), r["errs"][0] * 100,
            r["errs"][1], r["errs"][2])
    print("worst dataset relative to the tolerance: " + desc(worst))
    print("largest Cp error: " + desc(wcp))
    print("largest H error:  " + desc(wh))
    print("largest S error:  " + desc(ws))
    print("not taken (%d):" % len(skipped))
    for n, why in skipped:
        print("  %s: %s" % (n, why))


if __name__ == "__main__":
    main()
