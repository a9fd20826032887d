"""The dorsa tool against the bundled emulator, and the emulator's own request checks.

Run by CTest with DORSA_TOOL and DORSA_EMULATOR in the environment."""

import base64
import json
import os
import select
import socket
import subprocess
import sys
import termios
import threading
import time
import unittest
import urllib.error
import urllib.request
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from emulator_process import EMULATOR
from soap_posting import ROOT, SOAP_ENV, Emulator, EmulatorTestCase
from tool_runs import TOOL, ToolTestCase, dorsa, environment

SECRET = "s3cret"
TABLE = "Alloys and Polymers"
DASH = "\u2013"


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


class ToolAgainstEmulator(ToolTestCase):
    def test_outputs_in_columns(self):
        cases = [
            (["databases"], ["KEY            NAME", "DORSA_SAMPLES  Materials", "POLY_DB        Polymer Datasheets"]),
            (["subsets", "POLY_DB", "Grades"], ["ID  NAME         TABLE", "31  Polyamides   Grades",
                                                "32  Polyolefins  Grades"]),
            (["units", "POLY_DB"], ["DATABASE  SYMBOL    CURRENCY", "POLY_DB   MPa       no", "POLY_DB   g/10 min  no",
                                    "POLY_DB   \u00b0C        no", "POLY_DB   EUR/kg    yes"]),
            # Into every unit system, each named.
            (["convert", "POLY_DB", "--from", "MPa", "\u00b0C"], [
                "SYSTEM    FROM  TO   FACTOR     OFFSET",
                "SI        MPa   Pa   1000000    0",
                "SI        \u00b0C    K    1          273.15",
                "Imperial  MPa   ksi  0.1450377  0",
                "Imperial  \u00b0C    \u00b0F   1.8        32"]),
            (["attributes", "POLY_DB", "Grades"], [
                "NAME                          TYPE   UNIT      FLAGS",
                "Melt flow index               point  g/10 min  searchable, chartable",
                "Tensile strength              range  MPa       searchable, chartable",
                "Glass transition temperature  point  \u00b0C        searchable, chartable"]),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                self.assertEqual(self.lines(*arguments), expected)

    def test_global_options_anywhere(self):
        cases = [
            (["--json", "tables", "DORSA_SAMPLES"], ["tables", "DORSA_SAMPLES", "--json"]),
            (["--json", "--timeout", "5", "tables", "DORSA_SAMPLES", "--filter", "ProcessesTablesOnly"],
             ["tables", "--timeout", "5", "DORSA_SAMPLES", "--json", "--filter", "ProcessesTablesOnly"]),
        ]
        for first, anywhere in cases:
            with self.subTest(anywhere=anywhere):
                self.assertEqual(self.output(*anywhere), self.output(*first))
        moved = subprocess.run([TOOL, "databases", "--url", self.emulator.url], capture_output=True, text=True,
                               timeout=60, stdin=subprocess.DEVNULL, env=environment())
        self.assertEqual((moved.returncode, moved.stdout), (0, self.output("databases")))

    def test_version(self):
        result = subprocess.run([TOOL, "--version"], capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertRegex(result.stdout, r"^dorsa \d+\.\d+\.\d+\n$")

    def test_tables_as_json(self):
        tables = self.json("tables", "DORSA_SAMPLES", "--filter", "ProcessesTablesOnly", "--selector",
                           "NonMetaAttributes", "--selector", "StandardAttributes")
        self.assertEqual([t["name"] for t in tables], ["Processes"])
        self.assertEqual(tables[0]["attributes"], ["Process type", "Economic batch size"])
        self.assertEqual(tables[0]["filters"], ["ProcessesTablesOnly"])
        tables = self.json("tables", "DORSA_SAMPLES", "--filter", "UniverseTablesOnly", "--selector",
                           "MetaAttributes", "--selector", "StandardAttributes")
        self.assertEqual(tables[0]["attributes"], ["Data source notes"])
        self.assertEqual(tables[0]["standardAttributes"], ["Density", "Young's modulus"])

    def test_tables_in_columns_show_the_attributes_selected(self):
        cases = [
            ([], ["ID  NAME                 FILTERS"]),
            (["StandardAttributes"],
             ["ID  NAME                 FILTERS                                  STANDARD ATTRIBUTES",
              "1   Alloys and Polymers  MaterialsTablesOnly, UniverseTablesOnly  Density, Young's modulus"]),
            (["MetaAttributes", "StandardAttributes"],
             ["ID  NAME                 FILTERS                                  ATTRIBUTES         STANDARD ATTRIBUTES",
              "1   Alloys and Polymers  MaterialsTablesOnly, UniverseTablesOnly  Data source notes  "
              "Density, Young's modulus"]),
        ]
        for selectors, expected in cases:
            with self.subTest(selectors=selectors):
                arguments = [argument for selector in selectors for argument in ("--selector", selector)]
                lines = self.lines("tables", "DORSA_SAMPLES", "--filter", "UniverseTablesOnly", *arguments)
                self.assertEqual(lines[:len(expected)], expected)
        # The last column is not padded.
        lines = self.lines("tables", "DORSA_SAMPLES", "--selector", "StandardAttributes")
        self.assertEqual([line for line in lines if line != line.rstrip()], [])

    def test_json_outputs(self):
        cases = [
            (["subsets", "DORSA_SAMPLES", "Processes"], [{"id": 21, "name": "Shaping", "table": "Processes"},
                                                         {"id": 22, "name": "Joining", "table": "Processes"}]),
            (["unit-systems", "DORSA_SAMPLES"], ["SI", "Metric", "Imperial"]),
            (["convert", "DORSA_SAMPLES", "--from", "\u00b0C", "USD/kg", "--system", "Imperial", "--currency", "GBP"],
             [{"system": "Imperial", "from": "\u00b0C", "to": "\u00b0F", "factor": 1.8, "offset": 32.0},
              {"system": "Imperial", "from": "USD/kg", "to": "GBP/kg", "factor": 0.79, "offset": 0.0}]),
            (["ping"], {"url": self.emulator.url, "answers": True}),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                self.assertEqual(self.json(*arguments), expected)
        self.assertEqual([(c["code"], c["factor"]) for c in self.json("currencies")],
                         [("USD", 1.0), ("EUR", 0.92), ("GBP", 0.79), ("JPY", 151.3)])

    def test_refusals_write_their_message_and_nothing_else(self):
        cases = [
            (["tables", "NO_SUCH_DB"], 5, "dorsa: SOAP fault from GetTables: Unknown database key: NO_SUCH_DB\n"),
            (["convert", "DORSA_SAMPLES", "--from", "MPa", "--system", "Klingon"], 5,
             "dorsa: SOAP fault from GetUnitConversions: Unknown unit system: Klingon\n"),
            (["attributes", "DORSA_SAMPLES", "Nowhere"], 2, "dorsa: no table 'Nowhere' in DORSA_SAMPLES\n"),
            (["values", "DORSA_SAMPLES", "Nowhere", "1001"], 2, "dorsa: no table 'Nowhere' in DORSA_SAMPLES\n"),
        ]
        # Unknown units are named, with and without a unit system.
        for symbols, message in [(["nosuchunit"], "unknown unit in DORSA_SAMPLES: nosuchunit"),
                                 (["MPa", "furlong", "USD/kg", "fathom"],
                                  "unknown units in DORSA_SAMPLES: furlong, fathom"),
                                 (["EUR/kg"], "unknown unit in DORSA_SAMPLES: EUR/kg")]:
            for system in ([], ["--system", "SI"]):
                cases.append((["convert", "DORSA_SAMPLES", "--from", *symbols, *system], 2, f"dorsa: {message}\n"))
        values = ["values", "DORSA_SAMPLES", TABLE]
        record = "dorsa: SOAP fault from GetRecordAttributesByRef: Unknown record 9999 in database DORSA_SAMPLES\n"
        cases += [
            ([*values, "1001", "9999"], 5, record),
            ([*values, "1001", "9999", "1002", "--batch-size", "1", "--parallel", "3"], 5, record),
            ([*values, "1001", "--attribute", "Nonesuch"], 5, "dorsa: SOAP fault from GetRecordAttributesByRef: "
             f"Unknown attribute 'Nonesuch' in table {TABLE} in database DORSA_SAMPLES\n"),
            ([*values, "1001", "--unit-system", "Klingon"], 5,
             "dorsa: SOAP fault from GetRecordAttributesByRef: Unknown unit system: Klingon\n"),
        ]
        self.assertRefused(cases)

    def test_distinct_exit_codes(self):
        self.run_tool("tables", code=2)
        self.run_tool("tables", "DORSA_SAMPLES", "--filter", "Nonsense", code=2)
        for command in ("databases", "ping"):
            with self.subTest(command=command):
                refused = dorsa("http://127.0.0.1:9/dorsa", command)
                self.assertEqual(refused.returncode, 3)
                self.assertTrue(refused.stderr.startswith("dorsa: cannot connect to http://127.0.0.1:9/dorsa: "),
                                refused.stderr)
        base = self.emulator.url
        for url in (base + "/nowhere", base.rsplit("/", 1)[0], base + "/", base.replace("/dorsa", "/Dorsa")):
            with self.subTest(url=url):
                missing = dorsa(url, "databases")
                self.assertEqual((missing.returncode, missing.stderr), (4, (
                    f"dorsa: GetDatabases failed with HTTP 404 from {url}/Browse.svc: --url is probably not the "
                    "service's base URL (such as http://server/dorsa)\n")))

    def test_ping_of_a_wrong_url(self):
        missing = dorsa(self.emulator.url + "/nowhere", "ping")
        self.assertEqual((missing.returncode, missing.stderr), (4, (
            f"dorsa: ping failed with HTTP 404 from {self.emulator.url}/nowhere/: --url is probably not the "
            "service's base URL (such as http://server/dorsa)\n")))

    def test_bad_arguments_are_named(self):
        cases = [
            (["--timeout", "0", "databases"], "--timeout: Value 0 not in range 1 to 86400"),
            (["--timeout", "86401", "databases"], "--timeout: Value 86401 not in range 1 to 86400"),
            (["--url", "not-a-url", "databases"], "--url: not a URL: expected http://host/path or https://host/path"),
            (["--url", "ftp://127.0.0.1/dorsa", "databases"], "--url: the URL scheme 'ftp' is neither http nor https"),
            (["--url", "http:///dorsa", "databases"], "--url: the URL has no host"),
            (["--url", "http://127.0.0.1:0/dorsa", "databases"], "--url: port '0' is not a number from 1 to 65535"),
            (["--url", "http://127.0.0.1:port/dorsa", "databases"],
             "--url: port 'port' is not a number from 1 to 65535"),
            (["--url", "http://[::1/dorsa", "databases"], "--url: the IPv6 address has no closing ']'"),
            (["--url", "http://127.0.0.1/dorsa?x=1", "databases"], "--url: a base URL takes no query or fragment"),
            (["--url", "http://jo:" + SECRET + "@/dorsa", "databases"], "--url: the URL has no host"),
            (["tabels", "DORSA_SAMPLES"], "dorsa: unknown command 'tabels'; the closest is 'tables'"),
            (["--json", "databse"], "dorsa: unknown command 'databse'; the closest is 'databases'"),
            (["values", "DORSA_SAMPLES", TABLE, "1001", "--batch-size", "0"],
             "--batch-size: Value 0 not in range 1 to 10000"),
            (["values", "DORSA_SAMPLES", TABLE, "1001", "--batch-size", "10001"],
             "--batch-size: Value 10001 not in range 1 to 10000"),
            (["values", "DORSA_SAMPLES", TABLE, "1001", "--parallel", "0"], "--parallel: Value 0 not in range 1 to 8"),
            (["values", "DORSA_SAMPLES", TABLE, "1001", "--parallel", "9"], "--parallel: Value 9 not in range 1 to 8"),
            (["values", "DORSA_SAMPLES", TABLE, "0"], "RECORD: '0' is no record identity (1 to 2147483647)"),
            (["values", "DORSA_SAMPLES", TABLE, "99999999999"],
             "RECORD: '99999999999' is no record identity (1 to 2147483647)"),
            (["values", "DORSA_SAMPLES", TABLE], "RECORD is required"),
        ]
        for arguments, message in cases:
            with self.subTest(arguments=arguments):
                result = self.run_tool(*arguments, code=2)
                self.assertTrue(result.stderr.startswith(message), result.stderr)
                self.assertNotIn(SECRET, result.stderr)
                self.assertEqual(result.stdout, "")

    def test_verbose_shows_the_traffic(self):
        result = self.run_tool("--verbose", "--app-name", "Tour", "databases")
        self.assertIn("<header:applicationName>Tour</header:applicationName>", result.stderr)
        self.assertIn("GetDatabases: Call took a total time", result.stderr)



def value_lines(output):
    """The value column of the tool's `values` table: (record, attribute, type) of each row's
    first line with all the lines of its value."""
    header, *lines = output.splitlines()
    starts = [header.index(name) for name in ("ATTRIBUTE", "TYPE", "VALUE")]
    rows = []
    for line in lines:
        if line[:starts[0]].strip():
            cells = (line[:starts[0]], line[starts[0]:starts[1]], line[starts[1]:starts[2]])
            rows.append((tuple(cell.strip() for cell in cells), []))
        rows[-1][1].append(line[starts[2]:])
    return rows


class AttributesAgainstEmulator(ToolTestCase):
    def test_details_take_a_line_each(self):
        header, *lines = self.lines("attributes", "DORSA_SAMPLES", TABLE, "--details")
        details = header.index("DETAILS")
        cases = [
            ("Density", ["parameters: Temperature (\u00b0C)", "meta-attributes: Data source notes"]),
            ("Young's modulus", ["meta-attributes: Data source notes"]),
            ("Stress-strain curve", ["parameters: Strain (%), Temperature (\u00b0C)"]),
            ("Composition", ["columns: Element (short text), Fraction (range, wt%), Source (target record), "
                             "Lot number (unavailable)"]),
            ("Corrosion resistance", ["values: Poor, Acceptable, Good, Excellent"]),
            ("Fatigue strength", ["parameters: Number of cycles, Temperature (\u00b0C)"]),
            ("Notes", [""]),
        ]
        for name, expected in cases:
            with self.subTest(attribute=name):
                first = next(i for i, line in enumerate(lines) if line.startswith(name + "  "))
                self.assertEqual([line[details:] for line in lines[first:first + len(expected)]], expected)
                following = lines[first + len(expected)] if first + len(expected) < len(lines) else "x"
                self.assertNotEqual(following[:details].strip(), "", "the row is taller than its details")

    def test_attributes_as_json(self):
        plain = self.json("attributes", "DORSA_SAMPLES", TABLE)
        detailed = self.json("attributes", "DORSA_SAMPLES", TABLE, "--details")
        self.assertEqual([a["name"] for a in plain], [a["name"] for a in detailed])
        self.assertNotIn("Data source notes", [a["name"] for a in plain])
        self.assertNotIn("parameters", plain[0])
        by_name = {a["name"]: a for a in detailed}
        density = by_name["Density"]
        self.assertEqual((density["id"], density["type"], density["unit"], density["searchable"],
                          density["multiValued"], density["chartable"]), (101, "POIN", "kg/m^3", True, False, True))
        self.assertEqual(density["metaAttributes"], ["Data source notes"])
        self.assertEqual([(p["name"], p["unit"], p["default"], p["values"]) for p in density["parameters"]],
                         [("Temperature", "\u00b0C", 23.0, [-40.0, 20.0, 23.0, 100.0, 300.0])])
        self.assertEqual([(p["name"], p["scaleType"], p["parameterType"])
                          for p in by_name["Fatigue strength"]["parameters"]],
                         [("Number of cycles", "Log", "NumericRestricted"), ("Temperature", "Linear",
                                                                            "NumericUnrestricted")])
        self.assertEqual([(c["name"], c["kind"], c["type"], c["unit"]) for c in by_name["Composition"]["columns"]],
                         [("Element", "local", "STXT", ""), ("Fraction", "local", "RNGE", "wt%"),
                          ("Source", "target record", "", ""), ("Lot number", "unavailable", "", "")])
        self.assertEqual(by_name["Corrosion resistance"]["discreteValues"], ["Poor", "Acceptable", "Good", "Excellent"])

class ValuesAgainstEmulator(ToolTestCase):
    GUID_1003 = "5e2b8c71-1003-4d19-b6e2-7a3f0c001003"

    def values(self, *arguments):
        return self.output("values", "DORSA_SAMPLES", TABLE, *arguments)

    def test_each_data_type_as_people_read_it(self):
        files = self.emulator.url + "/files/DORSA_SAMPLES/1001/"
        cases = [
            ("1001", "Density", [], "point", ["7900 kg/m^3 @ 20 \u00b0C; 7820 kg/m^3 @ 300 \u00b0C"]),
            ("1002", "Density", [], "point", ["2700 kg/m^3"]),
            ("1001", "Density", ["--unit-system", "Imperial"], "point",
             ["493.180884 lb/ft^3 @ 20 \u00b0C; 488.1866472 lb/ft^3 @ 300 \u00b0C"]),
            ("1001", "Young's modulus", [], "range", [f"190{DASH}203 GPa"]),
            ("1001", "Yield strength", [], "range", ["\u2265 205 MPa (estimated)"]),
            ("1002", "Yield strength", [], "range", ["\u2264 276 MPa"]),
            ("1001", "Stress-strain curve", [], "functional series",
             [f"2 series, 8 points; Strain 0{DASH}40 %; Temperature 20, 300 \u00b0C; values 0{DASH}530 MPa"]),
            ("1001", "Fatigue strength", [], "functional grid",
             [f"2 values; Number of cycles 1000000, 10000000; Temperature 20 \u00b0C; values 240{DASH}310 MPa"]),
            ("1001", "Composition", [], "tabular", [
                "Element  Fraction      Source                  (linked records)",
                f"Fe       66{DASH}74 wt%",
                f"Cr       18{DASH}20 wt%     Mill certificate DS-18",
                f"Ni       8{DASH}10.5 wt%                            1003",
                f"Total    92{DASH}104.5 wt%"]),
            ("1001", "Datasheet", [], "file", ["ds18-datasheet.txt, text/plain, " + files + "106"]),
            ("1001", "Micrograph", [], "picture", ["image/png, " + files + "114"]),
            ("1001", "Micrograph", ["--inline-binary"], "picture", ["image/png, 21 bytes"]),
            ("1001", "Notes", [], "long text", ["General purpose austenitic grade.",
                                                "Good weldability & formability; <not> magnetic when annealed."]),
            ("1001", "Date tested", [], "date", ["2016-03-14T00:00:00"]),
            ("1001", "Supplier website", [], "hyperlink", ["Grade page <http://steel.example/ds18>"]),
            ("1002", "Corrosion resistance", [], "discrete", ["Good, Acceptable"]),
            ("1001", "RoHS compliant", [], "logical", ["yes"]),
            ("1003", "RoHS compliant", [], "logical", ["n/a"]),
            ("1001", "Number of tests", [], "integer", ["42"]),
            (self.GUID_1003, "Material family", [], "short text", ["Polymer (thermoplastic)"]),
            ("1001", "[name]", [], "short text", ["Dorsa steel DS-18, annealed"]),
        ]
        for record, attribute, extra, kind, expected in cases:
            with self.subTest(record=record, attribute=attribute, extra=extra):
                identity = "1003" if record == self.GUID_1003 else record
                self.assertEqual(value_lines(self.values(record, "--attribute", attribute, *extra)),
                                 [((identity, attribute, kind), expected)])

    def test_every_attribute_of_the_table_by_default(self):
        self.assertEqual([(row[0][0], row[0][1]) for row in value_lines(self.values("1002", "1003"))], [
            ("1002", "Density"), ("1002", "Young's modulus"), ("1002", "Yield strength"), ("1002", "Material family"),
            ("1002", "Corrosion resistance"), ("1002", "RoHS compliant"), ("1002", "Number of tests"),
            ("1003", "Density"), ("1003", "Young's modulus"), ("1003", "Yield strength"), ("1003", "Material family"),
            ("1003", "RoHS compliant")])

    def test_values_as_json(self):
        records = self.json("values", "DORSA_SAMPLES", TABLE, self.GUID_1003, "1001", "--attribute",
                            "Yield strength", "--attribute", "Density", "--attribute", "Composition")
        self.assertEqual([(r["record"]["identity"], r["record"]["recordGUID"]) for r in records],
                         [(1003, self.GUID_1003), (1001, "5e2b8c71-1001-4d19-b6e2-7a3f0c001001")])
        values = {v["attribute"]: v for v in records[1]["values"]}
        self.assertEqual(values["Yield strength"]["id"], 103)
        self.assertEqual({k: values["Yield strength"]["value"][k] for k in ("type", "low", "high", "unit", "estimated")},
                         {"type": "RNGE", "low": 205.0, "high": None, "unit": "MPa", "estimated": True})
        density = values["Density"]["value"]
        self.assertEqual((density["type"], density["dataVersion"]), ("POIN", 3))
        self.assertEqual([(p["value"], [(q["name"], q["value"]) for q in p["parameters"]]) for p in density["points"]],
                         [(7900.0, [("Temperature", 20.0)]), (7820.0, [("Temperature", 300.0)])])
        table = values["Composition"]["value"]
        self.assertEqual([(c["name"], c["kind"]) for c in table["columns"]],
                         [("Element", "local"), ("Fraction", "local"), ("Source", "target record")])
        self.assertEqual([row["cells"][0]["value"] for row in table["rows"]], ["Fe", "Cr", "Ni"])
        self.assertIsNone(table["rows"][0]["cells"][2])
        self.assertEqual(table["rows"][1]["cells"][2]["items"][0],
                         {"sourceRecordHistoryId": 2001, "value": {"type": "STXT", "value": "Mill certificate DS-18",
                                                                   "notApplicable": False, "fallback": False}})
        self.assertEqual(table["rows"][2]["linkedRecords"], [{"dbKey": "DORSA_SAMPLES", "identity": 1003}])
        self.assertEqual(table["summary"]["cells"][0]["value"], "Total")
        self.assertTrue([v for v in records[0]["values"] if v["attribute"] == "Density"])

    def test_a_record_without_values_says_so(self):
        note = "dorsa: record 1005 holds no values for the attributes asked\n"
        record = {"dbKey": "DORSA_SAMPLES", "identity": 1005, "recordGUID": "5e2b8c71-1005-4d19-b6e2-7a3f0c001005",
                  "historyGUID": "9d40a6e3-1005-4c7e-a5b8-2e61f4001005"}
        cases = [
            ([], ["1005"], "RECORD  ATTRIBUTE  TYPE  VALUE\n"),
            (["--json"], ["1005", "--attribute", "Density"],
             json.dumps([{"record": record, "values": []}], indent=2, sort_keys=True) + "\n"),
        ]
        for options, arguments, output in cases:
            with self.subTest(options=options):
                result = dorsa(self.emulator.url, *options, "values", "DORSA_SAMPLES", TABLE, *arguments)
                self.assertEqual((result.returncode, result.stdout, result.stderr), (0, output, note))

    def test_batched_parallel_run_matches_one_call(self):
        records = ["1003", "1001", "5e2b8c71-1002-4d19-b6e2-7a3f0c001002", "1003", "1002"]
        for output in ([], ["--json"]):
            with self.subTest(output=output):
                batched = self.output(*output, "values", "DORSA_SAMPLES", TABLE, *records, "--batch-size", "1",
                                      "--parallel", "3")
                self.assertEqual(batched, self.output(*output, "values", "DORSA_SAMPLES", TABLE, *records))
        listed = json.loads(batched)
        self.assertEqual([r["record"]["identity"] for r in listed], [1003, 1001, 1002, 1003, 1002])

    def test_no_reply_in_a_batched_run(self):
        result = dorsa("http://127.0.0.1:9/dorsa", "values", "DORSA_SAMPLES", TABLE, "1001", "1002",
                       "--attribute", "Density", "--batch-size", "1", "--parallel", "2")
        self.assertEqual(result.returncode, 3, result.stderr)
        self.assertTrue(result.stderr.startswith("dorsa: cannot connect to http://127.0.0.1:9/dorsa: "), result.stderr)
        self.assertEqual(result.stderr.count("\n"), 1)


class CannedServer:
    """Answers every POST with the reply set last, or, with none set, closes the connection
    without a word."""

    def __init__(self):
        canned = self

        class Handler(BaseHTTPRequestHandler):
            def log_message(self, format, *args):
                pass

            def do_POST(self):
                self.rfile.read(int(self.headers.get("Content-Length", "0")))
                if canned.reply is None:
                    self.close_connection = True
                    return
                status, content_type, body = canned.reply
                self.send_response(status)
                self.send_header("Content-Type", content_type)
                self.send_header("Content-Length", str(len(body.encode())))
                self.end_headers()
                self.wfile.write(body.encode())

        self.reply = None
        self.server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/dorsa"
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


class FailuresAreExplained(unittest.TestCase):
    """Replies a healthy emulator never sends, each with its exit code and error line."""

    @classmethod
    def setUpClass(cls):
        cls.canned = CannedServer()

    @classmethod
    def tearDownClass(cls):
        cls.canned.stop()

    def test_each_kind_of_reply(self):
        fault = (f'<s:Envelope xmlns:s="{SOAP_ENV}"><s:Body><s:Fault><faultcode>s:Server</faultcode>'
                 '</s:Fault></s:Body></s:Envelope>')
        cases = [
            ((200, "text/plain", "all fine"), 4,
             "the reply to GetDatabases is not a readable service reply (HTTP 200); --verbose shows it"),
            ((401, "text/plain", "Authentication required"), 4, "authentication failed (HTTP 401)"),
            ((401, "text/xml", "<denied/>"), 4, "authentication failed (HTTP 401)"),
            ((407, "text/plain", "Proxy authentication required"), 4, "proxy authentication failed (HTTP 407)"),
            ((503, "text/xml", "<busy/>"), 4, "GetDatabases failed with HTTP 503"),
            ((502, "text/html", "<html><body>Bad gateway"), 4, "GetDatabases failed with HTTP 502"),
            ((500, "text/xml", fault), 5, "SOAP fault from GetDatabases without a fault string"),
            (None, 3, "no complete reply from " + self.canned.url + ": "),
        ]
        for reply, code, message in cases:
            with self.subTest(reply=reply):
                self.canned.reply = reply
                result = dorsa(self.canned.url, "databases")
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertTrue(result.stderr.startswith("dorsa: " + message), result.stderr)
                self.assertEqual(result.stdout, "")


class SilentServer(unittest.TestCase):
    """A server that takes the connection and never answers."""

    TIMEOUT = 2

    @classmethod
    def setUpClass(cls):
        # The kernel completes the connection; nobody ever accepts it or answers.
        cls.listener = socket.socket()
        cls.listener.bind(("127.0.0.1", 0))
        cls.listener.listen(8)
        cls.url = f"http://127.0.0.1:{cls.listener.getsockname()[1]}/dorsa"

    @classmethod
    def tearDownClass(cls):
        cls.listener.close()

    def test_no_complete_reply_within_one_timeout(self):
        for command in ("ping", "databases"):
            with self.subTest(command=command):
                started = time.monotonic()
                result = dorsa(self.url, "--timeout", str(self.TIMEOUT), command)
                elapsed = time.monotonic() - started
                self.assertEqual(result.returncode, 3, result.stderr)
                self.assertTrue(result.stderr.startswith(f"dorsa: no complete reply from {self.url}: "), result.stderr)
                # A stall is noticed within a second after its limit; waiting twice would take 2 * TIMEOUT.
                self.assertLess(elapsed, 2 * self.TIMEOUT)


class Authentication(ToolTestCase):
    USER = ("--user", "jo", "--domain", "CORP")
    emulator_arguments = ("--user", "CORP\\jo", "--password", SECRET)

    def assertNoSecret(self, result):
        credentials = base64.b64encode(f"CORP\\jo:{SECRET}".encode()).decode()
        for text in (result.stdout, result.stderr):
            self.assertNotIn(SECRET, text)
            self.assertNotIn(credentials, text)

    def test_password_sources(self):
        cases = [
            (["--password", SECRET], None, 0, ""),
            ([], SECRET, 0, ""),
            (["--password", SECRET], "wrong", 0, ""),
            (["--password", "wrong"], None, 4, "dorsa: authentication failed (HTTP 401)\n"),
            ([], "wrong", 4, "dorsa: authentication failed (HTTP 401)\n"),
        ]
        for command in ("databases", "ping"):
            for arguments, environment, code, message in cases:
                with self.subTest(command=command, arguments=arguments, environment=environment):
                    result = dorsa(self.emulator.url, *self.USER, *arguments, command, password=environment)
                    self.assertEqual((result.returncode, result.stderr), (code, message))

    def test_user_without_a_password_and_no_terminal(self):
        for environment in (None, ""):
            with self.subTest(environment=environment):
                result = dorsa(self.emulator.url, *self.USER, "databases", password=environment)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stderr, "dorsa: --user jo needs a password: set DORSA_PASSWORD, run on a "
                                                "terminal to be asked, or give --password\n")
                self.assertEqual(result.stdout, "")

    def test_verbose_output_never_shows_the_password(self):
        for password in (SECRET, SECRET + "x"):
            for command in (["databases"], ["ping"], ["tables", "NO_SUCH_DB"]):
                with self.subTest(password=password, command=command):
                    result = dorsa(self.emulator.url, "--verbose", *self.USER, *command, password=password)
                    self.assertIn("\n< ", "\n" + result.stderr)
                    self.assertNoSecret(result)

    def test_credentials_in_the_url_are_used_but_never_shown(self):
        scheme, rest = self.emulator.url.split("://", 1)
        with_credentials = scheme + "://CORP%5Cjo:" + SECRET + "@" + rest
        for command, code in ((["ping"], 0), (["databases"], 0), (["tables", "NO_SUCH_DB"], 5)):
            with self.subTest(command=command):
                result = dorsa(with_credentials, "--verbose", *command)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertNoSecret(result)
        wrong = dorsa(scheme + "://CORP%5Cjo:wrong@" + rest, "--verbose", "ping")
        self.assertEqual(wrong.returncode, 4)
        self.assertNotIn("wrong@", wrong.stdout + wrong.stderr)

    def test_cleartext_credentials_can_be_refused(self):
        result = dorsa(self.emulator.url, "--no-cleartext-credentials", *self.USER, "databases", password=SECRET)
        self.assertEqual(result.returncode, 3, result.stderr)
        self.assertIn("clear text", result.stderr)
        self.assertNoSecret(result)

    def test_password_asked_on_a_terminal_without_echo(self):
        try:
            terminal, tool_side = os.openpty()
        except OSError as error:
            self.skipTest(f"no pseudo-terminal here: {error}")
        try:
            process = subprocess.Popen([TOOL, "--url", self.emulator.url, *self.USER, "databases"], stdin=tool_side,
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment())
            prompt = read_until(process.stderr, b": ")
            self.assertEqual(prompt, b"Password for CORP\\jo: ")
            os.write(terminal, SECRET.encode() + b"\n")
            stdout, stderr = process.communicate(timeout=60)
            self.assertEqual(process.returncode, 0, stderr)
            self.assertIn(b"DORSA_SAMPLES", stdout)
            self.assertNotIn(SECRET.encode(), read_available(terminal))
            self.assertTrue(termios.tcgetattr(tool_side)[3] & termios.ECHO, "echo is not back on")
        finally:
            os.close(terminal)
            os.close(tool_side)


def read_until(stream, ending, limit=30):
    """Bytes from `stream` up to and including `ending`, waiting at most `limit` seconds."""
    data = b""
    deadline = time.monotonic() + limit
    while not data.endswith(ending):
        ready, _, _ = select.select([stream], [], [], max(0.0, deadline - time.monotonic()))
        chunk = os.read(stream.fileno(), 256) if ready else b""
        if not chunk:
            raise AssertionError(f"no {ending!r} after {data!r}")
        data += chunk
    return data


def read_available(descriptor):
    """What the terminal shows so far (echo included)."""
    data = b""
    while select.select([descriptor], [], [], 0)[0]:
        try:
            chunk = os.read(descriptor, 1024)
        except OSError:
            break
        if not chunk:
            break
        data += chunk
    return data


class FixturesMatchTheSampleData(unittest.TestCase):
    def test_rendered_values_are_current(self):
        renderer = os.path.join(os.path.dirname(EMULATOR), "render_values.py")
        rendered = subprocess.run([sys.executable, renderer], capture_output=True, text=True, check=True).stdout
        fixture = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures",
                               "sample_attribute_values.xml")
        with open(fixture, encoding="utf-8") as committed:
            self.assertEqual(rendered, committed.read(), "run tools/emulator/render_values.py --output " + fixture)


class EmulatorChecksRequests(EmulatorTestCase):
    def test_answers_a_well_formed_request(self):
        status, text = post(self.emulator.url, "/Browse.svc", f"{ROOT}/16/01/Browse/GetTablesRequest",
                            envelope("<brow:GetTables><brow:dbKey>POLY_DB</brow:dbKey></brow:GetTables>"))
        self.assertEqual(status, 200, text)
        self.assertIn("Grades", text)

    def test_refuses_what_does_not_fit(self):
        tables = envelope("<brow:GetTables/>")
        cases = [
            ("an undeclared prefix", "/Browse.svc", "GetTables",
             envelope("<zbt:GetTables><brow:dbKey>DORSA_SAMPLES</brow:dbKey></zbt:GetTables>"), "unbound prefix"),
            ("a body in another namespace", "/Browse.svc", "GetTables",
             tables.replace(f"{ROOT}/16/01/Browse", "urn:elsewhere"), "must hold"),
            ("another operation's SOAPAction", "/Browse.svc", "GetSubsets", tables, "must hold"),
            ("another service's endpoint", "/Search.svc", "GetTables", tables, "does not belong to the Search"),
            ("an operation that takes no body element", "/Browse.svc", "GetDatabases", tables,
             "GetDatabases takes no request element"),
        ]
        for name, path, operation, body, message in cases:
            with self.subTest(name):
                status, text = post(self.emulator.url, path, f"{ROOT}/16/01/Browse/{operation}Request", body)
                self.assertEqual(status, 500, text)
                self.assertIn("<s:Fault>", text)
                self.assertIn(message, text)

    def test_asks_for_basic_authentication_when_configured(self):
        guarded = Emulator("--user", "CORP\\jo", "--password", SECRET)
        try:
            self.assertEqual(post(guarded.url, "/Browse.svc", f"{ROOT}/16/01/Browse/GetDatabasesRequest",
                                  envelope(""))[0], 401)
        finally:
            guarded.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)
