"""The dorsa tool against the bundled emulator, and the emulator's own request checks.

Run by CTest with DORSA_TOOL and DORSA_EMULATOR in the environment."""

import json
import os
import subprocess
import sys
import unittest
import urllib.error
import urllib.request

TOOL = os.environ["DORSA_TOOL"]
EMULATOR = os.environ["DORSA_EMULATOR"]
ROOT = "http://www.zelvra.com"
SOAP_ENV = "http://schemas.xmlsoap.org/soap/envelope/"


class Emulator:
    """An emulator process on a free port, for the life of a test class."""

    def __init__(self, *arguments):
        self.process = subprocess.Popen([sys.executable, EMULATOR, "--port", "0", *arguments],
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        line = self.process.stdout.readline()
        if "listening on" not in line:
            self.stop()
            raise RuntimeError("emulator did not start: " + line)
        self.url = line.split()[-1]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()


def dorsa(url, *arguments):
    return subprocess.run([TOOL, "--url", url, *arguments], capture_output=True, text=True, timeout=60)


def post(url, path, action, body):
    request = urllib.request.Request(url + path, data=body.encode(), method="POST",
                                     headers={"Content-Type": "text/xml;charset=UTF-8", "SOAPAction": action})
    try:
        with urllib.request.urlopen(request, timeout=30) as reply:
            return reply.status, reply.read().decode()
    except urllib.error.HTTPError as error:
        return error.code, error.read().decode()


def envelope(content, extra=""):
    return (f'<soapenv:Envelope xmlns:soapenv="{SOAP_ENV}" xmlns:brow="{ROOT}/16/01/Browse"{extra}>'
            f'<soapenv:Header/><soapenv:Body>{content}</soapenv:Body></soapenv:Envelope>')


class ToolAgainstEmulator(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.emulator = Emulator()

    @classmethod
    def tearDownClass(cls):
        cls.emulator.stop()

    def test_databases_in_columns(self):
        result = dorsa(self.emulator.url, "databases")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.splitlines(),
                         ["KEY            NAME", "DORSA_SAMPLES  Materials", "POLY_DB        Polymer Datasheets"])

    def test_tables_as_json(self):
        result = dorsa(self.emulator.url, "--json", "tables", "DORSA_SAMPLES", "--filter", "ProcessesTablesOnly",
                       "--selector", "NonMetaAttributes", "--selector", "StandardAttributes")
        self.assertEqual(result.returncode, 0, result.stderr)
        tables = json.loads(result.stdout)
        self.assertEqual([t["name"] for t in tables], ["Processes"])
        self.assertEqual(tables[0]["attributes"], ["Process type", "Economic batch size"])
        self.assertEqual(tables[0]["filters"], ["ProcessesTablesOnly"])

    def test_meta_and_standard_attributes(self):
        result = dorsa(self.emulator.url, "--json", "tables", "DORSA_SAMPLES", "--filter", "UniverseTablesOnly",
                       "--selector", "MetaAttributes", "--selector", "StandardAttributes")
        tables = json.loads(result.stdout)
        self.assertEqual(tables[0]["attributes"], ["Data source notes"])
        self.assertEqual(tables[0]["standardAttributes"], ["Density", "Young's modulus"])

    def test_subsets_in_columns_and_json(self):
        result = dorsa(self.emulator.url, "subsets", "POLY_DB", "Grades")
        self.assertEqual(result.stdout.splitlines(), ["ID  NAME         TABLE", "31  Polyamides   Grades",
                                                      "32  Polyolefins  Grades"])
        result = dorsa(self.emulator.url, "--json", "subsets", "DORSA_SAMPLES", "Processes")
        self.assertEqual(json.loads(result.stdout), [{"id": 21, "name": "Shaping", "table": "Processes"},
                                                     {"id": 22, "name": "Joining", "table": "Processes"}])

    def test_a_fault_reaches_the_error_line(self):
        result = dorsa(self.emulator.url, "tables", "NO_SUCH_DB")
        self.assertEqual(result.returncode, 5)
        self.assertEqual(result.stderr.strip(), "dorsa: SOAP fault from GetTables: Unknown database key: NO_SUCH_DB")
        self.assertEqual(result.stdout, "")

    def test_distinct_exit_codes(self):
        self.assertEqual(dorsa(self.emulator.url, "tables").returncode, 2)
        self.assertEqual(dorsa(self.emulator.url, "tables", "DORSA_SAMPLES", "--filter", "Nonsense").returncode, 2)
        refused = dorsa("http://127.0.0.1:9/dorsa", "databases")
        self.assertEqual(refused.returncode, 3)
        self.assertIn("cannot connect to http://127.0.0.1:9/dorsa: ", refused.stderr)
        missing = dorsa(self.emulator.url + "/nowhere", "databases")
        self.assertEqual(missing.returncode, 4)
        self.assertIn("HTTP 404", missing.stderr)

    def test_units_in_columns(self):
        result = dorsa(self.emulator.url, "units", "POLY_DB")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.splitlines(), [
            "DATABASE  SYMBOL    CURRENCY", "POLY_DB   MPa       no", "POLY_DB   g/10 min  no",
            "POLY_DB   \u00b0C        no", "POLY_DB   EUR/kg    yes"])

    def test_unit_systems_and_currencies(self):
        self.assertEqual(json.loads(dorsa(self.emulator.url, "--json", "unit-systems", "DORSA_SAMPLES").stdout),
                         ["SI", "Metric", "Imperial"])
        currencies = json.loads(dorsa(self.emulator.url, "--json", "currencies").stdout)
        self.assertEqual([(c["code"], c["factor"]) for c in currencies],
                         [("USD", 1.0), ("EUR", 0.92), ("GBP", 0.79), ("JPY", 151.3)])

    def test_convert_into_a_unit_system_and_currency(self):
        result = dorsa(self.emulator.url, "--json", "convert", "DORSA_SAMPLES", "--from", "\u00b0C", "USD/kg",
                       "--system", "Imperial", "--currency", "GBP")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(json.loads(result.stdout), [
            {"from": "\u00b0C", "to": "\u00b0F", "factor": 1.8, "offset": 32.0},
            {"from": "USD/kg", "to": "GBP/kg", "factor": 0.79, "offset": 0.0}])
        unknown = dorsa(self.emulator.url, "convert", "DORSA_SAMPLES", "--from", "MPa", "--system", "Klingon")
        self.assertEqual(unknown.returncode, 5)
        self.assertIn("Unknown unit system: Klingon", unknown.stderr)

    def test_verbose_shows_the_traffic(self):
        result = dorsa(self.emulator.url, "--verbose", "--app-name", "Tour", "databases")
        self.assertIn("<header:applicationName>Tour</header:applicationName>", result.stderr)
        self.assertIn("GetDatabases: Call took a total time", result.stderr)


class FixturesMatchTheSampleData(unittest.TestCase):
    def test_rendered_values_are_current(self):
        renderer = os.path.join(os.path.dirname(EMULATOR), "render_values.py")
        rendered = subprocess.run([sys.executable, renderer], capture_output=True, text=True, check=True).stdout
        fixture = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures",
                               "sample_attribute_values.xml")
        with open(fixture, encoding="utf-8") as committed:
            self.assertEqual(rendered, committed.read(), "run tools/emulator/render_values.py --output " + fixture)


class EmulatorChecksRequests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.emulator = Emulator()

    @classmethod
    def tearDownClass(cls):
        cls.emulator.stop()

    def fault(self, path, action, body):
        status, text = post(self.emulator.url, path, action, body)
        self.assertEqual(status, 500, text)
        self.assertIn("<s:Fault>", text)
        return text

    def test_answers_a_well_formed_request(self):
        status, text = post(self.emulator.url, "/Browse.svc", f"{ROOT}/16/01/Browse/GetTablesRequest",
                            envelope("<brow:GetTables><brow:dbKey>POLY_DB</brow:dbKey></brow:GetTables>"))
        self.assertEqual(status, 200, text)
        self.assertIn("Grades", text)

    def test_refuses_an_undeclared_prefix(self):
        text = self.fault("/Browse.svc", f"{ROOT}/16/01/Browse/GetTablesRequest",
                          envelope("<zbt:GetTables><brow:dbKey>DORSA_SAMPLES</brow:dbKey></zbt:GetTables>"))
        self.assertIn("unbound prefix", text)

    def test_refuses_a_body_in_another_namespace(self):
        body = envelope("<brow:GetTables/>").replace(f"{ROOT}/16/01/Browse", "urn:elsewhere")
        self.fault("/Browse.svc", f"{ROOT}/16/01/Browse/GetTablesRequest", body)

    def test_refuses_a_soap_action_that_does_not_match(self):
        self.fault("/Browse.svc", f"{ROOT}/16/01/Browse/GetSubsetsRequest", envelope("<brow:GetTables/>"))
        self.fault("/Search.svc", f"{ROOT}/16/01/Browse/GetTablesRequest", envelope("<brow:GetTables/>"))
        self.fault("/Browse.svc", f"{ROOT}/16/01/Browse/GetDatabasesRequest", envelope("<brow:GetTables/>"))

    def test_asks_for_basic_authentication_when_configured(self):
        guarded = Emulator("--user", "CORP\\jo", "--password", "s3cret")
        try:
            self.assertEqual(dorsa(guarded.url, "--user", "jo", "--domain", "CORP", "--password", "s3cret",
                                   "databases").returncode, 0)
            refused = dorsa(guarded.url, "--user", "jo", "--domain", "CORP", "--password", "wrong", "databases")
            self.assertEqual(refused.returncode, 4)
            self.assertIn("HTTP 401", refused.stderr)
        finally:
            guarded.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)
