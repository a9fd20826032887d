"""`dorsa exporters` and `dorsa export` against the bundled emulator.

Run by CTest with DORSA_TOOL and DORSA_EMULATOR in the environment."""

import csv
import os
import tempfile
import unittest

from tool_runs import ToolTestCase


class ExportCommands(ToolTestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.addCleanup(self.directory.cleanup)

    def path(self, name):
        return os.path.join(self.directory.name, name)

    def files(self):
        return sorted(os.listdir(self.directory.name))

    def test_exporters_in_columns_and_as_json(self):
        lines = self.lines("exporters")
        self.assertEqual(lines[0].split(), ["KEY", "NAME", "VERSION", "PACKAGE", "MODEL", "VALIDATED", "TRANSFORMS"])
        self.assertEqual([line.split()[0] for line in lines[1:]],
                         ["sheetwise.csv.v1", "sheetwise.csv.v2", "jsonic.record.v1", "strata.card.v3"])
        self.assertTrue(lines[4].endswith("collect, convert, card"))
        listed = self.json("exporters", "POLY_DB", "--package", "Sheetwise")
        self.assertEqual([(e["key"], e["version"], e["validated"], e["transforms"]) for e in listed],
                         [("sheetwise.csv.v1", 1, False, []), ("sheetwise.csv.v2", 2, True, ["rows", "header"])])
        model = self.json("exporters", "--model", "Record document")
        self.assertEqual([e["package"] for e in model], ["Jsonic"])

    def test_exporters_for_records(self):
        found = self.json("exporters", "DORSA_SAMPLES", "--for", "1001", "1003", "--package", "Strata FE")
        self.assertEqual([(r["record"]["identity"], [(e["key"], e["populated"]) for e in r["exporters"]])
                          for r in found],
                         [(1001, [("strata.card.v3", "partial")]), (1003, [("strata.card.v3", "partial")])])
        lines = self.lines("exporters", "DORSA_SAMPLES", "--for", "1003")
        self.assertEqual(lines[0].split(), ["RECORD", "KEY", "NAME", "VERSION", "PACKAGE", "MODEL", "POPULATED"])
        self.assertEqual([(line.split()[1], line.split()[-1]) for line in lines[1:]],
                         [("sheetwise.csv.v1", "full"), ("sheetwise.csv.v2", "full"), ("jsonic.record.v1", "partial"),
                          ("strata.card.v3", "partial")])
        refused = self.run_tool("exporters", "--for", "1001", code=2)
        self.assertIn("--for needs the database key DB", refused.stderr)

    def test_export_to_standard_output(self):
        card = self.run_tool("export", "DORSA_SAMPLES", "strata.card.v3", "1001", "--unit-system", "Imperial",
                             "--sig-figs", "3").stdout
        self.assertEqual(card.splitlines()[:4], ["$ Strata FE Elastic-plastic card, written by strata.card.v3",
                                                 '*MATERIAL 1001 "Dorsa steel DS-18, annealed"', "*UNITS Imperial",
                                                 "*TEMPERATURE 68 °F"])
        self.assertEqual([line.split() for line in card.splitlines() if line.startswith("DENSITY")],
                         [["DENSITY", "493", "lb/ft^3"]])
        wrapped = self.json("export", "DORSA_SAMPLES", "strata.card.v3", "1001", "--unit-system", "Imperial",
                            "--sig-figs", "3")
        self.assertEqual(wrapped, {"exporter": "strata.card.v3", "text": card})

    def test_export_to_a_file(self):
        target = self.path("values.csv")
        result = self.run_tool("export", "DORSA_SAMPLES", "sheetwise.csv.v2", "1001", "1002", "--attribute",
                               "Young's modulus", "--attribute", "Yield strength", "--unit-system", "Imperial",
                               "--sig-figs", "3", "-o", target)
        self.assertEqual(result.stdout, "")
        self.assertEqual(self.files(), ["values.csv"])
        with open(target, encoding="utf-8", newline="") as exported:
            rows = list(csv.reader(exported))
        self.assertEqual(rows, [
            ["Record", "Attribute", "Value", "Low", "High", "Unit", "Conditions"],
            ["Dorsa steel DS-18, annealed", "Young's modulus", "", "27.6", "29.4", "10^6 psi", ""],
            ["Dorsa steel DS-18, annealed", "Yield strength", "", "29.7", "", "ksi", ""],
            ["Dorsa aluminium DA-61, aged", "Young's modulus", "", "9.86", "10.3", "10^6 psi", ""],
            ["Dorsa aluminium DA-61, aged", "Yield strength", "", "", "40", "ksi", ""],
        ])
        self.assertEqual(os.stat(target).st_mode & 0o777, 0o666 & ~self.umask())
        stdout = self.run_tool("export", "DORSA_SAMPLES", "sheetwise.csv.v2", "1001", "1002", "--attribute",
                               "Young's modulus", "--attribute", "Yield strength", "--unit-system", "Imperial",
                               "--sig-figs", "3").stdout
        with open(target, encoding="utf-8", newline="") as exported:
            self.assertEqual(exported.read(), stdout)

    @staticmethod
    def umask():
        mask = os.umask(0)
        os.umask(mask)
        return mask

    def test_existing_file_is_replaced_only_with_force(self):
        target = self.path("card.txt")
        with open(target, "w", encoding="utf-8") as existing:
            existing.write("keep me\n")
        refused = self.run_tool("export", "DORSA_SAMPLES", "strata.card.v3", "1001", "-o", target, code=2)
        self.assertIn("exists; --force replaces it", refused.stderr)
        with open(target, encoding="utf-8") as kept:
            self.assertEqual(kept.read(), "keep me\n")
        self.run_tool("export", "DORSA_SAMPLES", "strata.card.v3", "1001", "-o", target, "--force")
        with open(target, encoding="utf-8") as replaced:
            self.assertTrue(replaced.read().startswith("$ Strata FE"))
        self.assertEqual(self.files(), ["card.txt"])

    def test_failed_export_leaves_no_file(self):
        target = self.path("never.txt")
        faulted = self.run_tool("export", "DORSA_SAMPLES", "no.such.exporter", "1001", "-o", target, code=5)
        self.assertIn("Unknown exporter key: 'no.such.exporter'", faulted.stderr)
        self.run_tool("export", "DORSA_SAMPLES", "strata.card.v3", "1001", "--attribute", "Colour", "-o", target,
                      code=5)
        self.assertEqual(self.files(), [])
        kept = self.path("kept.txt")
        with open(kept, "w", encoding="utf-8") as existing:
            existing.write("old export\n")
        self.run_tool("export", "DORSA_SAMPLES", "no.such.exporter", "1001", "-o", kept, "--force", code=5)
        with open(kept, encoding="utf-8") as unchanged:
            self.assertEqual(unchanged.read(), "old export\n")
        unwritable = self.run_tool("export", "DORSA_SAMPLES", "strata.card.v3", "1001", "-o",
                                   self.path("missing/dir/card.txt"), code=1)
        self.assertIn("cannot write", unwritable.stderr)
        self.assertEqual(self.files(), ["kept.txt"])

    def test_bad_arguments(self):
        cases = [
            ("export", "DORSA_SAMPLES", "strata.card.v3", "1001", "--sig-figs", "0"),
            ("export", "DORSA_SAMPLES", "strata.card.v3", "DS-18"),
            ("export", "DORSA_SAMPLES", "strata.card.v3"),
            ("exporters", "DORSA_SAMPLES", "--for", "steel"),
        ]
        for arguments in cases:
            with self.subTest(arguments=arguments):
                self.run_tool(*arguments, code=2)


if __name__ == "__main__":
    unittest.main()
