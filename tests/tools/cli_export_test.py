"""`dorsa exporters` and `dorsa export` against the bundled emulator.

Run by CTest with DORSA_TOOL and DORSA_EMULATOR in the environment."""

import os
import tempfile
import unittest

from tool_runs import ToolTestCase, fixture


class ExportCommands(ToolTestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.addCleanup(self.directory.cleanup)

    def path(self, name):
        return os.path.join(self.directory.name, name)

    def files(self):
        return sorted(os.listdir(self.directory.name))

    def test_exporters_and_an_export_to_standard_output(self):
        self.assertOutputs([
            (["exporters"], "exporters.txt"),
            (["--json", "exporters", "POLY_DB", "--package", "Sheetwise"], "exporters_sheetwise.json"),
            (["exporters", "DORSA_SAMPLES", "--for", "1001", "1003"], "exporters_for_records.txt"),
            (["--json", "exporters", "DORSA_SAMPLES", "--for", "1001", "1003", "--package", "Strata FE"],
             "exporters_for_records.json"),
            (["export", "DORSA_SAMPLES", "strata.card.v3", "1001", "--unit-system", "Imperial", "--sig-figs", "3"],
             "card_imperial.txt"),
            (["export", "DORSA_SAMPLES", "strata.card.v3", "1001"], "card.txt"),
            (["export", "DORSA_SAMPLES", "sheetwise.csv.v2", "1001", "1002"], "values.csv"),
            (["export", "DORSA_SAMPLES", "jsonic.record.v1", "1002", "--sig-figs", "2"], "record_1002.json"),
        ])
        self.assertEqual([e["package"] for e in self.json("exporters", "--model", "Record document")], ["Jsonic"])
        wrapped = self.json("export", "DORSA_SAMPLES", "strata.card.v3", "1001", "--unit-system", "Imperial",
                            "--sig-figs", "3")
        self.assertEqual(wrapped, {"exporter": "strata.card.v3", "text": fixture("card_imperial.txt")})

    def test_export_to_a_file(self):
        target = self.path("values.csv")
        export = ["export", "DORSA_SAMPLES", "sheetwise.csv.v2", "1001", "1002", "--attribute", "Young's modulus",
                  "--attribute", "Yield strength", "--unit-system", "Imperial", "--sig-figs", "3"]
        self.assertEqual(self.run_tool(*export, "-o", target).stdout, "")
        self.assertEqual(self.files(), ["values.csv"])
        with open(target, encoding="utf-8") as exported:
            self.assertEqual(exported.read(), fixture("values_imperial.csv"))
        self.assertEqual(os.stat(target).st_mode & 0o777, 0o666 & ~self.umask())
        with open(target, encoding="utf-8", newline="") as exported:
            self.assertEqual(exported.read(), self.run_tool(*export).stdout)

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
        self.assertRefused([
            (["export", "DORSA_SAMPLES", "strata.card.v3", "1001", "--sig-figs", "0"], 2, None),
            (["export", "DORSA_SAMPLES", "strata.card.v3", "DS-18"], 2, None),
            (["export", "DORSA_SAMPLES", "strata.card.v3"], 2, None),
            (["exporters", "DORSA_SAMPLES", "--for", "steel"], 2, None),
            (["exporters", "--for", "1001"], 2, "dorsa: --for needs the database key DB of the records\n"),
        ])


if __name__ == "__main__":
    unittest.main()
