// finding_cases.h - one small input per kind of finding, with where the
// finding stands and its identifier.
//
// finding_pins_test holds each case to its place and identifier;
// findings_golden_test pins the words of all of them in one golden file.
#pragma once

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/worked_example.h"

namespace finding_cases {

using Environment = std::vector<std::pair<std::string, std::optional<std::string>>>;

inline const std::string R = testing_support::worked_reference;
inline const std::string M = testing_support::worked_measurement;
inline const std::string T = testing_support::worked_table;

// `line` with `text` written over it from `column` on (1 for the first byte).
inline std::string put(std::string line, std::size_t column, const std::string& text) {
  line.replace(column - 1, text.size(), text);
  return line;
}

// The line without its LF.
inline std::string unended(const std::string& line) { return line.substr(0, line.size() - 1); }

// A block made from the 2020 table, whose lines the cases change one slip
// at a time, and the rows for its ions.
inline const std::string Rb85 = "  85Rb     1    -88210.26396000     0.00537000\n";
inline const std::string Cs133 = " 133Cs     1   1565221.53681481     0.00156522\n";
inline const std::string Kr84 = "  84Kr     1    988219.55744914     0.00049411\n";
inline const std::string Sr88 = "  88Sr     1   1035258.25883202     0.00310577\n";
inline const std::string Si28 = "  28Si     1    -23073.46558000     0.00055000\n";
inline const std::string CO28 = "  28CO     1    999357.43930759     0.00020013\n";
// 133Cs measured against 85Rb, and 85Rb against 133Cs: a loop with no
// nuclide that is only a reference.
inline const std::string reciprocal_rb85_cs133 =
    Rb85 + Cs133 + "    NEW\n" + " 133Cs     1    -94548.04200000     0.00800000\n" +
    "  85Rb     1    638887.19678300     0.00063889\n";
inline const std::string rows_2020 =
    "37 Rb 1 4.177128\n55 Cs 1 3.893906\n36 Kr 1 13.999605\n38 Sr 1 5.694867\n14 Si 1 8.151680\n"
    "0 'CO' 1 14.014\n";

inline constexpr const char* mass_header =
    "Z,A,symbol,mass_excess_micro_u,uncertainty_micro_u,mass_excess_keV,uncertainty_keV,"
    "estimated\n";
// One good row, so that a table whose other row is left out is still used.
inline const std::string caesium_row = "55,133,Cs,-94548.04,0.008\n";

// Rows of a symbol no element has, with energies no bound refuses: rows
// that give no finding of their own.
inline std::string plain_rows(int count) {
  std::string rows;
  for (int i = 1; i <= count; ++i)
    rows += std::to_string(i) + " Xx " + std::to_string(i) + " 100000.0\n";
  return rows;
}

// The worked measurement of 133Cs at charge `q`: the rows the row-energy
// cases judge are then used by an equation, as a slip must be to matter.
inline std::string caesium_at(int q) {
  char line[64];
  std::snprintf(line, sizeof line, " 133Cs  %4d%19.8f  %13.8f\n", q, 1565221.53684744 / q, 0.00012);
  return line;
}

// 40Ca+ over 85Rb+ at 2e-9 from the 2020 masses, and the one ion measured
// against 12C: the mass standard, whose line can only test its reference.
inline const std::string Ca40 = "  40Ca     1    470633.11913040     0.00094127\n";
inline const std::string He4 = "   4He     1      2603.25413000     0.00016000\n";
inline const std::string C12_over_He4 = "  12C      1   2998322.69115218     0.00100000\n";

// More ions than the converter loads rows for: every charge state of five
// heavy elements, and one more.
inline std::string ions_past_the_rows() {
  std::string freq = R;
  const std::pair<const char*, int> elements[] = {{"U", 92},  {"Pa", 91}, {"Th", 90},
                                                  {"Ac", 89}, {"Ra", 88}, {"Fr", 1}};
  for (const auto& [symbol, charges] : elements) {
    for (int q = 1; q <= charges; ++q) {
      char line[64];
      std::snprintf(line, sizeof line, " 230%-4s%4d   1000000.00000000     0.00012000\n", symbol,
                    q);
      freq += line;
    }
  }
  return freq;
}

struct Case {
  const char* name;
  std::string freq;
  std::string table;
  std::vector<std::string> arguments;  // "--masses m.csv" with `masses`
  std::string place;                   // FILE:LINE:COLUMN (FILE:LINE for a whole line)
  std::string id;
  std::string masses = {};  // written as m.csv when not empty
  Environment environment = {};
  std::string nubase = {};  // written as n.txt when not empty
};

inline void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

inline const std::vector<std::string> no_masses = {"--no-masses"};
inline const std::vector<std::string> own_masses = {"--masses", "m.csv"};
inline const std::vector<std::string> make_table = {"--make-table", "made.data"};
inline const std::vector<std::string> default_masses = {};

inline const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      // How lines are written.
      {"ByteOrderMarkInTheTable", R + M, "\xEF\xBB\xBF" + T, no_masses, "ionization.data:1:1",
       "byte-order-mark"},
      {"ByteOrderMarkStopsTheRead", "\xEF\xBB\xBF" + R + M, T, no_masses, "vemo.freq:1:1",
       "byte-order-mark-cause"},
      {"TabBeforeTheCharge", R + " 133Cs\t    1   1565221.53684744     0.00012000\n", T, no_masses,
       "vemo.freq:2:7", "tab-moves-fields"},
      {"TabWithTabsizeFour",
       R + " 133Cs\t    1   1565221.53684744     0.00012000\n",
       T,
       no_masses,
       "vemo.freq:2:7",
       "tab-moves-fields",
       {},
       {{"TABSIZE", "4"}}},
      {"CarriageReturnInsideALine", "  85Rb     1    -88210.35000000\r     0.00500000\n" + M, T,
       no_masses, "vemo.freq:1:32", "lone-cr"},
      {"LinesEndingInCarriageReturns", R + unended(M) + "\r" + unended(M) + "\r", T, no_masses,
       "vemo.freq:2:47", "cr-line-ends"},
      {"LastLineWithoutItsEnd", R + M + unended(M), T, no_masses, "vemo.freq:3:47",
       "last-line-no-end"},
      // A last line of a CR alone holds nothing the converter would take.
      {"LastLineACarriageReturn", R + M + "\r", T, no_masses, "vemo.freq:3:1", "unread-last-line"},

      // One measurement line at a time.
      {"EmptyReferenceLine", "\n" + M, T, no_masses, "vemo.freq:1:1", "empty-reference-line"},
      {"EmptyLineInABlock", Rb85 + "\n" + Cs133, rows_2020, default_masses, "vemo.freq:2:1",
       "empty-measurement-line"},
      {"TwoNewLinesInARow", R + M + "    NEW\n    NEW\n" + R + M, T, no_masses, "vemo.freq:4:5",
       "new-as-reference"},
      {"LowerCaseNew", R + M + "    new\n" + R + M, T, no_masses, "vemo.freq:3:5",
       "block-marker-spelling"},
      {"MissingSymbol", Rb85 + " 133        1   1565221.53681481     0.00156522\n", rows_2020,
       default_masses, "vemo.freq:2:5", "no-symbol"},
      {"UnknownSymbol", R + put(M, 5, "Xx"), T, no_masses, "vemo.freq:2:5", "unknown-symbol"},
      {"DigitInTheFlagOfAReference", put(R, 32, "5") + M, T, no_masses, "vemo.freq:1:32",
       "reference-flag"},
      {"ZeroInTheFlagColumns", R + " 133Cs     1   1565221.536847440   0.00012000\n", T, no_masses,
       "vemo.freq:2:32", "stray-flag"},
      {"ChargeStateZero", R + put(M, 12, "0"), T, no_masses, "vemo.freq:2:12", "charge-zero"},
      {"NegativeChargeState", R + put(M, 11, "-1"), T, no_masses, "vemo.freq:2:11",
       "charge-negative"},
      {"DecimalComma", Rb85 + " 133Cs     1   1565221,53681481     0.00156522\n", rows_2020,
       default_masses, "vemo.freq:2:23", "decimal-comma"},
      {"InfinityInTheRatio", R + put(M, 13, "                INF"), T, no_masses, "vemo.freq:2:29",
       "not-finite-field"},
      {"RatioWithoutItsPoint", R + put(M, 13, "    156522153684744"), T, no_masses,
       "vemo.freq:2:17", "no-decimal-point"},
      {"UncertaintyFieldCut", Rb85 + "  84Kr     1    988219.55744914     0.000494115\n", rows_2020,
       default_masses, "vemo.freq:2:47", "field-cut"},
      {"ReferenceBeyondAnyMassExcess", Rb85 + Cs133 + "    NEW\n" + Kr84 + Sr88, rows_2020,
       default_masses, "vemo.freq:4:17", "reference-not-mass-excess"},
      {"NegativeReferenceUncertainty", put(R, 36, "-") + M, T, no_masses, "vemo.freq:1:36",
       "reference-uncertainty-negative"},
      {"ReferenceWithoutUncertainty", put(R, 37, "0.00000000") + M, T, no_masses, "vemo.freq:1:37",
       "reference-uncertainty-zero"},
      {"NoRowForTheReference", R + M, "55 Cs 1 3.894\n", no_masses, "vemo.freq:1:5",
       "reference-binding-energy-missing"},
      {"NegativeRatioUncertainty", R + put(M, 36, "-"), T, no_masses, "vemo.freq:2:36",
       "ratio-uncertainty-negative"},
      {"RatioWithoutUncertainty", R + put(M, 37, "0.00000000"), T, no_masses, "vemo.freq:2:37",
       "ratio-uncertainty-zero"},
      {"UncertaintyAsAsterisks", Rb85 + "  84Kr     1    988219.55744914   150.00000000\n",
       rows_2020, default_masses, "vemo.freq:2:35", "printed-uncertainty-overflow"},
      {"UncertaintyPrintedAsZero", Rb85 + "  84Kr     1    988219.55744914     0.00000001\n",
       rows_2020, default_masses, "vemo.freq:2:37", "equation-uncertainty-printed-zero"},
      {"UncertaintyLosesItsBlank", Rb85 + "  84Kr     1    988219.55744914    20.00000000\n",
       rows_2020, default_masses, "vemo.freq:2:36", "printed-uncertainty-fills-field"},
      // The keV record alone loses its blank: 10200 micro-u overflows its
      // field, 9501 keV fills its own.
      {"KiloElectronvoltUncertaintyLosesItsBlank",
       Rb85 + "  84Kr     1    988219.55744914   120.00000000\n", rows_2020, default_masses,
       "vemo.freq:2:35", "printed-uncertainty-fills-field"},
      {"RelativeUncertaintyBelowAnyMeasurement",
       Rb85 + Cs133 + "  84Kr     1    988219.55744914     0.00000041\n" + Sr88, rows_2020,
       default_masses, "vemo.freq:3:37", "uncertainty-too-small"},
      {"ZeroRatio", R + put(M, 13, "         0.00000000"), T, no_masses, "vemo.freq:2:22",
       "ratio-not-positive"},
      {"FlagOnARatioThatFitsItself", R + put(M, 32, "I"), T, no_masses, "vemo.freq:2:16",
       "flag-wrong"},
      {"InverseRatioWithoutItsFlag", R + " 133Cs     1    638887.24719430     0.00012000\n", T,
       no_masses, "vemo.freq:2:17", "flag-missing"},
      {"MassNumberOneOffOnAHeavyNuclide",
       Rb85 + Cs133 + "  83Kr     1    988219.55744914     0.00049411\n" + Sr88, rows_2020,
       default_masses, "vemo.freq:3:17", "ratio-window"},
      {"NullEquation", Rb85 + "  85Rb     2    500000.00000000     0.00156522\n", rows_2020,
       default_masses, "vemo.freq:2:5", "null-equation"},
      {"MassStandardMeasured", He4 + C12_over_He4, "2 He 1 24.587389\n6 C 1 11.26029\n", no_masses,
       "vemo.freq:2:5", "mass-standard-measured"},
      {"NoRowForTheMeasuredIon", R + M, "37 Rb 1 4.177\n", no_masses, "vemo.freq:2:5",
       "binding-energy-missing"},
      {"LeadOverXenon",
       " 132Xe    26    -95844.91654000     0.00544000\n 208Pb    41    999874.80390300     "
       "0.00004804\n",
       "54 Xe 26 8948.5956437\n82 Pb 41 28805.7190389\n", default_masses, "vemo.freq:2:37",
       "correction-uncertainty"},
      {"LetterInTheCharge", R + put(M, 12, "x"), T, no_masses, "vemo.freq:2:12", "read-stop"},
      {"EndsAfterANewLine", R + M + "    NEW\n", T, no_masses, "vemo.freq:3:5", "ends-after-new"},
      {"EmptyMeasurementsFile", "", T, no_masses, "vemo.freq:1:1", "no-reference-line"},

      // Blocks and the whole file.
      {"ReferenceWithTwoMassExcesses",
       Rb85 + Cs133 + "    NEW\n" + "  85Rb     1    -88210.26390000     0.00537000\n" + Kr84,
       rows_2020, default_masses, "vemo.freq:4:17", "reference-two-values"},
      {"LinePastedTwice", Rb85 + Cs133 + Kr84 + Cs133, rows_2020, default_masses, "vemo.freq:4:1",
       "repeated-line"},
      {"BlockWithoutMeasurement", Rb85 + "    NEW\n" + Rb85 + Cs133, rows_2020, default_masses,
       "vemo.freq:1:3", "empty-block"},
      {"ReferenceMassNumberBlamed",
       "  84Rb     1    -88210.26396000     0.00537000\n" + Cs133 + Kr84 + Sr88, rows_2020,
       default_masses, "vemo.freq:1:3", "reference-blamed"},
      {"RelativeUncertaintyFarFromMedian",
       Rb85 + Cs133 + "  84Kr     1    988219.55744914     0.49411000\n" + Sr88, rows_2020,
       default_masses, "vemo.freq:3:37", "uncertainty-outlier"},
      // 100 times too small: 84Kr at 2e-11 relative among 5e-9 and 3e-9.
      {"RelativeUncertaintyTooSmallInItsBlock",
       Rb85 + put(Cs133, 34, "   0.00782611") + put(Kr84, 34, "   0.00002000") + Sr88, rows_2020,
       default_masses, "vemo.freq:3:37", "uncertainty-outlier"},
      // The count of measurements starts again at each block.
      {"LastBlockWithoutMeasurement", Rb85 + Cs133 + "    NEW\n" + Rb85, rows_2020, default_masses,
       "vemo.freq:4:3", "empty-block"},
      // A block of one measurement has no median: it is held to the others
      // against its reference.
      {"SmallBlockBesideItsReference",
       Rb85 + Cs133 + Kr84 + Sr88 + "    NEW\n" + Rb85 +
           "  84Kr     1    988219.55744914     0.49411000\n",
       rows_2020, default_masses, "vemo.freq:7:37", "uncertainty-outlier"},

      // Beside the mass table.
      {"UnknownNuclide", Rb85 + "  28Co     1    329412.53681481     0.00156522\n", rows_2020,
       default_masses, "vemo.freq:2:3", "unknown-nuclide"},
      // Neither table value is measured: nothing anchors the loop.
      {"GroupTiedToNoAnchor", reciprocal_rb85_cs133, rows_2020, own_masses, "vemo.freq:2:2",
       "undetermined-group",
       std::string(mass_header) +
           "37,85,Rb,-88210.26,0.005,,,yes\n55,133,Cs,-94548.04,0.008,,,yes\n"},
      {"MoleculeOfNoMassNumber", Rb85 + "  99CO     1   1164705.88235294     0.00156522\n",
       rows_2020, default_masses, "vemo.freq:2:3", "molecule-mass-number"},
      // Far below any mass excess: the sign does not make it one.
      {"ReferenceFarBelowAnyMassExcess", "  85Rb     1 -88210263.96000000     0.00537000\n" + Cs133,
       rows_2020, default_masses, "vemo.freq:1:14", "reference-not-mass-excess"},
      {"ReferenceSignSlip", "  85Rb     1     88210.26396000     0.00537000\n" + Cs133, rows_2020,
       default_masses, "vemo.freq:1:18", "reference-far-from-table"},
      // Tritium is hydrogen's isotope in the mass table.
      {"TritiumComparedAsHydrogen", "   3T      1     16010.00000000     0.00000000\n",
       "1 T 1 13.6\n", own_masses, "vemo.freq:1:18", "reference-far-from-table",
       std::string(mass_header) + "1,3,H,16000,1,,,no\n"},
      {"WorkedExampleBesideTheTable", R + M, T, default_masses, "vemo.freq:2:16",
       "mass-excess-far-from-table"},
      {"IsomerLetterSlip", Rb85 + " 133Csm    1   1565221.53681481     0.00156522\n", rows_2020,
       default_masses, "vemo.freq:2:5", "isomer-letter-slip"},
      {"IsomerBelowGroundState",
       " 133Cs     1    -94548.04200000     0.00800000\n 134Csm    1   1007529.82727455     "
       "0.00025188\n",
       rows_2020, default_masses, "vemo.freq:2:16", "isomer-below-ground"},
      // 178m2Hf 1 keV above the table's 2446.09(8) keV, from the two ratios.
      {"IsomerExcitationFromTheRatios",
       " 133Cs     1    -94548.04200000     0.00800000\n"
       " 178Hf     1   1338875.80684367     0.00012000\n"
       " 178Hfn    1   1338895.57330260     0.00012000\n",
       rows_2020 + "72 Hf 1 6.825\n", default_masses, "vemo.freq:3:16", "isomer-excitation-far"},
      // 118Csm 300 keV above the table's 100(60)# keV, which is from
      // systematics, and whose order with the ground state is uncertain.
      {"IsomerExcitationFromSystematics",
       " 133Cs     1    -94548.04200000     0.00800000\n"
       " 118Cs     1    887296.16395028     0.00012000\n"
       " 118Csm    1    887299.39496490     0.00012000\n",
       rows_2020, default_masses, "vemo.freq:3:17", "isomer-excitation-systematics"},
      {"IsomerSpelledAnotherWay", R + put(M, 5, "mCs"), T, no_masses, "vemo.freq:2:5",
       "unknown-symbol"},
      {"NubaseTableNotANumber",
       R + M,
       T,
       {"--no-masses", "--nubase", "n.txt"},
       "n.txt:3:19",
       "nubase-table-row",
       {},
       {},
       "# Nubase2020 rows\n134 0550   134Cs  -86891.165      0.016\n"
       "078 0290   78Cu   -5x000          100\n"},
      {"IsomerTooHigh",
       " 133Cs     1    -94548.04200000     0.00800000\n 134Csm    1   1007700.00000000     "
       "0.00025188\n",
       rows_2020, default_masses, "vemo.freq:2:16", "isomer-too-high"},
      // The inverse ratio without its flag: 28CO and 28Si have one A/q, so
      // only the sum of the atoms' mass excesses shows it; -v says so.
      {"MoleculeOffItsAtoms",
       Si28 + CO28,
       rows_2020,
       {"-v"},
       "vemo.freq:2:17",
       "molecule-far-from-atoms"},
      {"ReferenceUncertaintyTenfold", "  85Rb     1    -88210.26396000     0.05370000\n" + Cs133,
       rows_2020, default_masses, "vemo.freq:1:37", "reference-uncertainty-large"},
      // A note only: a newer, more precise reference value is legitimate.
      {"ReferenceUncertaintyFarBelowTable",
       "  85Rb     1    -88210.26396000     0.00037000\n" + Cs133, rows_2020, default_masses,
       "vemo.freq:1:37", "reference-uncertainty-small"},
      {"MassTableNotANumber", R + M, T, own_masses, "m.csv:2:10", "mass-table-row",
       std::string(mass_header) + "37,85,Rb,nan,0.005\n" + caesium_row},
      {"MassTableInfiniteUncertainty", R + M, T, own_masses, "m.csv:2:20", "mass-table-row",
       std::string(mass_header) + "37,85,Rb,-88210.26,inf\n" + caesium_row},
      {"MassTableNegativeUncertainty", R + M, T, own_masses, "m.csv:2:20", "mass-table-row",
       std::string(mass_header) + "37,85,Rb,-88210.26,-0.005\n" + caesium_row},
      {"MassTableQuotedSymbol", R + M, T, own_masses, "m.csv:2:7", "mass-table-row",
       std::string(mass_header) + "37,85,\"Rb\",-88210.26,0.005\n" + caesium_row},
      {"MassTableDuplicate", R + M, T, own_masses, "m.csv:4:4", "mass-table-row",
       std::string(mass_header) +
           "# comment\n37,85,Rb,-88210.35,0.005\n37,85,Rb,-88210.35,0.005\n"},
      {"MassTableShortRow", R + M, T, own_masses, "m.csv:2:1", "mass-table-row",
       std::string(mass_header) + "37,85,Rb\n" + caesium_row},

      // The rows of the binding-energy table.
      {"LastRowShort", R + M, "37 Rb 1 4.177\n55 Cs 1\n", no_masses, "ionization.data:2:1",
       "row-incomplete-at-end"},
      {"LetterForTheCharge", R + M, "37 Rb 1 4.177\n55 Cs x 3.894\n", no_masses,
       "ionization.data:2:7", "row-value-refused"},
      {"RowRunsOnToTheNextLine", R + M, "37 Rb 1\n4.177\n55 Cs 1 3.894\n", no_masses,
       "ionization.data:1:1", "row-runs-on"},
      {"TextAfterTheEnergy", R + M, "37 Rb 1 4.177 eV\n55 Cs 1 3.894\n", no_masses,
       "ionization.data:1:15", "row-leftover"},
      {"TextAfterARowThatRanOn", R + M, "37 Rb 1\n4.177 eV\n55 Cs 1 3.894\n", no_masses,
       "ionization.data:2:7", "row-leftover-after-run-on"},
      {"EnergyZero", R + M, "37 Rb 1 0\n55 Cs 1 3.894\n", no_masses, "ionization.data:1:9",
       "row-energy-missing"},
      {"RowForAnIsomer", R + M, T + "55 Csm 1 3.894\n", no_masses, "ionization.data:3:10",
       "row-isomer"},
      {"ChargeBeyondTheElectrons", R + M, T + "1 H 2 30.0\n", no_masses, "ionization.data:3:7",
       "row-charge-beyond-z"},
      {"MoleculeBelowTheBound", R + M, "37 Rb 1 4.177\n0 CO 1 0.014\n", no_masses,
       "ionization.data:2:8", "row-energy-low"},
      {"SecondIonisationEnergyAlone", R + caesium_at(2), "37 Rb 1 4.177\n55 Cs 2 23.157\n",
       no_masses, "ionization.data:2:9", "row-energy"},
      {"KiloElectronvoltsFewerDigits", R + caesium_at(3), "37 Rb 1 4.177\n55 Cs 3 0.0602\n",
       no_masses, "ionization.data:2:9", "row-energy"},
      {"KiloElectronvolts", R + caesium_at(3), "37 Rb 1 4.177\n55 Cs 3 0.060246\n", no_masses,
       "ionization.data:2:9", "row-energy"},
      {"ChargeOneLow", R + caesium_at(3), "37 Rb 1 4.177\n55 Cs 3 27.0514\n", no_masses,
       "ionization.data:2:9", "row-energy"},
      {"ChargeOneHigh", R + M, "37 Rb 1 4.177\n55 Cs 1 27.0514\n", no_masses, "ionization.data:2:9",
       "row-energy"},
      {"BelowAnyTotal", R + caesium_at(6), "37 Rb 1 4.177\n55 Cs 6 2.0\n", no_masses,
       "ionization.data:2:9", "row-energy"},
      // A row 5.5e-7 eV off its shipped total moves the equation by 6e-10
      // micro-u, its U being 0.08: a remark, shown with -v.
      {"RowOffByLessThanMatters",
       Rb85 + Ca40,
       "37 Rb 1 4.1771281\n20 Ca 1 6.113154921\n",
       {"-v", "--no-masses"},
       "ionization.data:2:9",
       "row-energy-small"},
      // Another edition's row for an ion no measurement has: a remark.
      {"RowNoMeasurementUses",
       R + M,
       T + "96 Cm 1 5.9906\n",
       {"-v", "--no-masses"},
       "ionization.data:3:9",
       "row-energy-unused"},
      // Of two rows of one ion the converter uses the later; the earlier,
      // however wrong, moves nothing.
      {"RowOverriddenByALaterOne",
       R + M,
       "37 Rb 1 4.177\n55 Cs 1 3.5\n55 Cs 1 3.894\n",
       {"-v", "--no-masses"},
       "ionization.data:2:9",
       "row-energy-unused"},
      // A third row of one species names the second, not the first.
      {"ThirdDuplicateNamesTheSecond", R + M, "37 Rb 1 4.177\n37 Rb 1 4.2\n37 Rb 1 4.3\n" + T,
       no_masses, "ionization.data:3:4", "row-duplicate"},
      {"EarlierRowOfADuplicate", R + M, T + "55 Cs 1 3.894\n", no_masses, "ionization.data:2:1",
       "row-duplicate-earlier"},
      {"Row451NotStartingWithAnInteger", R + M, T + plain_rows(448) + "Xx 449 1 1.0\n", no_masses,
       "ionization.data:451:1", "rows-over-capacity"},

      // --make-table.
      {"MadeRowsStopAtAnUnreadableLine", R + put(M, 12, "x"), "", make_table, "vemo.freq:2",
       "made-rows-read-stop"},
      {"MadeRowsForAMolecule", R + "  28CO     1    329411.92468250     0.00012000\n", "",
       make_table, "vemo.freq:2:5", "made-rows-molecule"},
      {"MadeRowsForAnUnknownSymbol", R + put(M, 5, "Xx"), "", make_table, "vemo.freq:2:5",
       "made-rows-unknown-symbol"},
      {"MadeRowsBeyondTheElectrons", R + put(M, 11, "99"), "", make_table, "vemo.freq:2:5",
       "made-rows-no-data"},
      // An ion of charge 0 or below gets no row, and is named as the check names it.
      {"MadeRowsChargeZero", R + put(M, 12, "0"), "", make_table, "vemo.freq:2:12", "charge-zero"},
      {"MadeRowsChargeNegative", R + put(M, 11, "-1"), "", make_table, "vemo.freq:2:11",
       "charge-negative"},
      {"MadeRowsPastTheLoad", ions_past_the_rows(), "", make_table, "made.data:451",
       "made-rows-over-capacity"},
  };
  return all;
}

// Whether `text` (standard error) has a finding whose first line starts
// with `place` (after a directory, if any) and ends with its identifier
// `id` in brackets.
inline bool has_finding(const std::string& text, const std::string& place, const std::string& id) {
  const std::string tail = " [" + id + "]";
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    const std::size_t head = line.find(place + ": ");
    if (head == std::string::npos || (head > 0 && line[head - 1] != '/')) continue;
    if (line.size() >= tail.size() &&
        line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
      return true;
  }
  return false;
}

// The case's input files, written into `dir`.
inline void write_files(const Case& c, const testing_support::ScratchDir& dir) {
  dir.write("vemo.freq", c.freq);
  dir.write("ionization.data", c.table);
  if (!c.masses.empty()) dir.write("m.csv", c.masses);
  if (!c.nubase.empty()) dir.write("n.txt", c.nubase);
}

// The checker on the case's files in a directory of their own.
inline testing_support::RunResult run(const Case& c) {
  testing_support::ScratchDir dir;
  write_files(c, dir);
  testing_support::RunOptions options;
  options.working_directory = dir.path();
  options.environment = c.environment;
  return testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options, c.arguments);
}

}  // namespace finding_cases
