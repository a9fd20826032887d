"""The dorsa tool's search commands against the bundled emulator.

Run by CTest with DORSA_TOOL and DORSA_EMULATOR in the environment."""

import unittest

from tool_runs import ToolTestCase

DB = "DORSA_SAMPLES"
ALLOYS = "Alloys and Polymers"


class SearchesAgainstEmulator(ToolTestCase):
    def found(self, *arguments):
        """(record identity, table) of each hit, in the order shown."""
        return [(hit["record"]["identity"], hit["table"]) for hit in self.json(*arguments)]

    def test_free_text_as_a_table_and_as_json(self):
        self.assertOutputs([(["search", DB, "aluminium"], "search_aluminium.txt"),
                            (["--json", "search", DB, "DS-18"], "search_ds18.json")])

    def test_free_text_within_tables_and_a_filter(self):
        cases = [
            (["Dorsa"], [(1002, ALLOYS), (1003, ALLOYS), (1001, ALLOYS), (1004, ALLOYS), (1005, ALLOYS)]),
            (["aluminium", "--table", "Processes", "--table", "Suppliers"], [(2101, "Processes"), (3101, "Suppliers")]),
            (["aluminium", "--filter", "ProducersTablesOnly"], [(3101, "Suppliers")]),
            (["zirconium"], []),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                self.assertEqual(self.found("search", DB, *arguments), expected)

    def test_find_name_with_its_switches(self):
        cases = [
            ([ALLOYS, "Dorsa steel DS-18, annealed"], [1001]),
            ([ALLOYS, "DS-18"], []),
            ([ALLOYS, "DS-18", "--short"], [1001]),
            ([ALLOYS, "ds-18", "--short"], [1001]),
            ([ALLOYS, "ds-18", "--short", "--case-sensitive"], []),
            ([ALLOYS, "Dorsa *"], [1002, 1003, 1001, 1004, 1005]),
            (["Processes", "sand casting"], [2102]),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                hits = self.found("find-name", DB, *arguments)
                self.assertEqual([identity for identity, _ in hits], expected)
                self.assertTrue(all(table == arguments[0] for _, table in hits))

    def test_find_by_criteria(self):
        cases = [
            (["Density between 1000 and 3000 kg/m^3"], [1002, 1003]),
            (["Density between 2 and 3 g/cm^3"], [1002]),
            (["Yield strength > 200 MPa"], [1002, 1001, 1004]),
            (["Corrosion resistance contains-any Good,Excellent"], [1002, 1001]),
            (["Corrosion resistance contains-all Good, Acceptable"], [1002]),
            (["Datasheet exists"], [1001]),
            (["Datasheet does-not-exist"], [1006, 1002, 1003, 1004, 1005]),
            (["Date tested between 2015-01-01 and 2017-01-01"], [1001]),
            (["Composition column Element contains Cr"], [1001, 1004]),
            (["Number of tests = 12"], [1002]),
            (["Material family does-not-contain ferrous"], [1003]),
            (["Yield strength > 200 MPa", "Material family contains non-ferrous"], [1002]),
            (["Process type contains-any Joining"], [2101]),
        ]
        for criteria, expected in cases:
            with self.subTest(criteria=criteria):
                arguments = [part for criterion in criteria for part in ("--where", criterion)]
                self.assertEqual([identity for identity, _ in self.found("find", DB, *arguments)], expected)
        self.assertEqual(self.found("find", DB, "--table", ALLOYS, "--where", "Density between 7000 and 8000"),
                         [(1001, ALLOYS), (1004, ALLOYS)])

    def test_values_of_records_by_full_and_short_names_beside_identities(self):
        shown = self.json("values", DB, ALLOYS, "DS-18", "dorsa aluminium da-61, aged", "1003", "--attribute",
                          "[shortName]")
        self.assertEqual([(r["record"]["identity"], r["values"][0]["value"]["value"]) for r in shown],
                         [(1001, "DS-18"), (1002, "DA-61"), (1003, "DP-6")])

    def test_refusals_write_their_message_and_nothing_else(self):
        exists = ["--where", "Datasheet exists", "--where"]
        short_name = ["--attribute", "[shortName]"]
        self.assertRefused([
            # Malformed criteria point at the word.
            (["find", DB, *exists, "Density between 1000 3000 kg/m^3"], 2,
             "dorsa: --where: expected 'and', found '3000'\n"
             "  Density between 1000 3000 kg/m^3\n"
             "                       ^\n"),
            (["find", DB, *exists, "Datasheet"], 2,
             "dorsa: --where: expected a condition (between, >, <, =, contains, does-not-contain, "
             "contains-any, contains-all, column, exists, does-not-exist), found the end\n"
             "  Datasheet\n"
             "           ^\n"),
            (["find", DB, "--where", "Hardness > 3"], 5,
             "dorsa: SOAP fault from CriteriaSearch: Unknown attribute 'Hardness' in database DORSA_SAMPLES\n"),
            (["find", DB, "--where", "Density between 1 and 2 MPa"], 5,
             "dorsa: SOAP fault from CriteriaSearch: The unit 'MPa' does not measure attribute 'Density' "
             "(held in 'kg/m^3')\n"),
            (["search", DB, "aluminium", "--table", "Nowhere"], 5,
             "dorsa: SOAP fault from SimpleTextSearch: Unknown table Nowhere in database DORSA_SAMPLES\n"),
            (["find-name", DB, "Nowhere", "x"], 5,
             "dorsa: SOAP fault from RecordNameSearch: Unknown table Nowhere in database DORSA_SAMPLES\n"),
            (["search", DB, "aluminium", "--filter", "MetalsOnly"], 2, "dorsa: unknown table filter: MetalsOnly\n"),
            (["find", DB, *exists, "Density between 1 and 2 furlongs"], 2,
             "dorsa: unknown unit in DORSA_SAMPLES: furlongs\n"),
            # A record name must name one record.
            (["values", DB, ALLOYS, "DS-18", "Dorsa titanium", *short_name], 2,
             "dorsa: no record named 'Dorsa titanium' in Alloys and Polymers\n"),
            (["values", DB, ALLOYS, "5e2b8c71-1003-4d19-b6e2-7a3f0c00100", *short_name], 2,
             "dorsa: no record named '5e2b8c71-1003-4d19-b6e2-7a3f0c00100' in Alloys and Polymers\n"),
            (["values", DB, ALLOYS, "Dorsa*", *short_name], 2,
             "dorsa: 'Dorsa*' names several records in Alloys and Polymers: 1002, 1003, 1001, 1004, 1005\n"),
        ])


if __name__ == "__main__":
    unittest.main(verbosity=2)
