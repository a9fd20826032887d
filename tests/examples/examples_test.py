"""The example hosts against the bundled emulator.

Run by CTest with DORSA_FIRST_HOST, DORSA_LIST_TABLES, DORSA_READ_UNITS, DORSA_MATERIAL_TOUR and DORSA_EMULATOR
in the environment."""

import os
import subprocess
import sys
import unittest

FIRST_HOST = os.environ["DORSA_FIRST_HOST"]
LIST_TABLES = os.environ["DORSA_LIST_TABLES"]
READ_UNITS = os.environ["DORSA_READ_UNITS"]
MATERIAL_TOUR = os.environ["DORSA_MATERIAL_TOUR"]
EMULATOR = os.environ["DORSA_EMULATOR"]
# The densities of the steels, as the tours export them.
EXPORTED = [
    "Record,Attribute,Value,Low,High,Unit,Conditions",
    '"Dorsa steel DS-18, annealed",Density,7900.0,,,kg/m^3,Temperature=20.0 \u00b0C',
    '"Dorsa steel DS-18, annealed",Density,7820.0,,,kg/m^3,Temperature=300.0 \u00b0C',
    '"Dorsa steel DS-22, cold worked",Density,7880.0,,,kg/m^3,Temperature=20.0 \u00b0C',
]
# Nothing listens on the discard port of the loopback interface.
REFUSING_URL = "http://127.0.0.1:9/dorsa"


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=60)


class ExamplesAgainstEmulator(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.emulator = subprocess.Popen([sys.executable, EMULATOR, "--port", "0"],
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        line = cls.emulator.stdout.readline()
        if "listening on" not in line:
            cls.tearDownClass()
            raise RuntimeError("emulator did not start: " + line)
        cls.url = line.split()[-1]

    @classmethod
    def tearDownClass(cls):
        cls.emulator.terminate()
        cls.emulator.wait(timeout=10)
        cls.emulator.stdout.close()

    def test_list_tables_lists_each_database_with_its_tables(self):
        result = run(LIST_TABLES, self.url)
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], "DORSA_SAMPLES (Materials)")
        self.assertIn("  Alloys and Polymers", lines)
        self.assertIn("  Processes", lines)
        self.assertIn("  Suppliers", lines)
        self.assertIn("POLY_DB (Polymer Datasheets)", lines)

    def test_read_units_lists_the_symbols_of_a_database(self):
        result = run(READ_UNITS, self.url, "DORSA_SAMPLES")
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], "DORSA_SAMPLES: 7 units")
        self.assertIn("  kg/m^3", lines)
        self.assertIn("  USD/kg (currency)", lines)

    def test_material_tour_goes_from_tables_through_search_and_values_to_an_export(self):
        result = run(MATERIAL_TOUR, self.url, "steel")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.split("Records holding")[1].splitlines(), [
            " 'steel':",
            "  Dorsa steel DS-18, annealed [1001]",
            "  Dorsa steel DS-22, cold worked [1004]",
            "Density of each:",
            "  1001: 7900 kg/m^3",
            "  1001: 7820 kg/m^3",
            "  1004: 7880 kg/m^3",
            "Exported by sheetwise.csv.v2:",
            *EXPORTED,
        ])
        self.assertIn("  Suppliers\n", result.stdout.split("Records holding")[0])

    def test_first_host_lists_the_databases_then_searches_reads_and_exports(self):
        result = run(FIRST_HOST, self.url)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.splitlines(), [
            "DORSA_SAMPLES (Materials)", "POLY_DB (Polymer Datasheets)",
            "Dorsa steel DS-18, annealed", "Dorsa steel DS-22, cold worked",
            "1001: 7900 kg/m^3", "1001: 7820 kg/m^3", "1004: 7880 kg/m^3",
            *EXPORTED,
        ])

    def test_a_soap_fault_is_reported_with_its_fault_string(self):
        result = run(READ_UNITS, self.url, "NO_SUCH_DB")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.strip(), "GetUnits failed: SoapFault: Unknown database key: NO_SUCH_DB")
        self.assertEqual(result.stdout, "")

    def test_a_transport_failure_is_reported_with_its_reason(self):
        result = run(LIST_TABLES, REFUSING_URL)
        self.assertEqual(result.returncode, 1)
        self.assertTrue(result.stderr.startswith("GetDatabases failed: TransportFailure: "), result.stderr)

    def test_a_missing_url_is_a_usage_error(self):
        for example in (FIRST_HOST, LIST_TABLES, READ_UNITS):
            self.assertEqual(run(example).returncode, 2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
