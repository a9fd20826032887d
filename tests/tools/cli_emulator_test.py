"""The dorsa tool against the bundled emulator, and against servers that misbehave.

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
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from emulator_process import EMULATOR
from soap_posting import SOAP_ENV
from tool_runs import TOOL, UNREACHABLE, ToolTestCase, dorsa, environment, fixture

SECRET = "s3cret"
TABLE = "Alloys and Polymers"
UNIVERSE = ["tables", "DORSA_SAMPLES", "--filter", "UniverseTablesOnly"]
# The record properties that read as values, and those that come from the record's place in the tree.
PSEUDO = ["[name]", "[shortName]", "[recordGUID]", "[recordHistoryGUID]", "[recordHistoryIdentity]", "[tableName]",
          "[subsets]", "[recordVersionNumber]", "[modifiedDate]"]
TREE_PSEUDO = ["[parentName]", "[parentShortName]", "[parentRecordHistoryIdentity]", "[recordType]", "[recordColor]",
               "[childRecords]"]


class ToolAgainstEmulator(ToolTestCase):
    def test_outputs_in_columns(self):
        cases = [
            (["databases"], ["KEY            NAME", "DORSA_SAMPLES  Materials", "POLY_DB        Polymer Datasheets"]),
            (["subsets", "POLY_DB", "Grades"], ["ID  NAME         TABLE", "31  Polyamides   Grades",
                                                "32  Polyolefins  Grades"]),
            # The columns of the attributes selected.
            (UNIVERSE, ["ID  NAME                 FILTERS",
                        "1   Alloys and Polymers  MaterialsTablesOnly, UniverseTablesOnly"]),
            ([*UNIVERSE, "--selector", "StandardAttributes"],
             ["ID  NAME                 FILTERS                                  STANDARD ATTRIBUTES",
              "1   Alloys and Polymers  MaterialsTablesOnly, UniverseTablesOnly  Density, Young's modulus"]),
            ([*UNIVERSE, "--selector", "MetaAttributes", "--selector", "StandardAttributes"],
             ["ID  NAME                 FILTERS                                  ATTRIBUTES         STANDARD ATTRIBUTES",
              "1   Alloys and Polymers  MaterialsTablesOnly, UniverseTablesOnly  Data source notes  "
              "Density, Young's modulus"]),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                self.assertEqual(self.lines(*arguments), expected)
        self.assertOutputs([(["units", "POLY_DB"], "units_poly.txt"),
                            (["attributes", "POLY_DB", "Grades"], "attributes_grades.txt"),
                            # Into every unit system, each named.
                            (["convert", "POLY_DB", "--from", "MPa", "\u00b0C"], "convert_poly.txt")])

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
        self.assertOutputs([
            (["--json", "currencies"], "currencies.json"),
            (["--json", "tables", "DORSA_SAMPLES", "--filter", "ProcessesTablesOnly", "--selector", "NonMetaAttributes",
              "--selector", "StandardAttributes"], "tables_processes.json"),
            (["--json", *UNIVERSE, "--selector", "MetaAttributes", "--selector", "StandardAttributes"],
             "tables_universe.json"),
        ])

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
                refused = dorsa(UNREACHABLE, command)
                self.assertEqual(refused.returncode, 3)
                self.assertTrue(refused.stderr.startswith(f"dorsa: cannot connect to {UNREACHABLE}: "),
                                refused.stderr)
        base = self.emulator.url
        wrong = "--url is probably not the service's base URL (such as http://server/dorsa)\n"
        cases = [(url, "databases", f"GetDatabases failed with HTTP 404 from {url}/Browse.svc: ")
                 for url in (base + "/nowhere", base.rsplit("/", 1)[0], base + "/", base.replace("/dorsa", "/Dorsa"))]
        cases.append((base + "/nowhere", "ping", f"ping failed with HTTP 404 from {base}/nowhere/: "))
        for url, command, message in cases:
            with self.subTest(url=url, command=command):
                missing = dorsa(url, command)
                self.assertEqual((missing.returncode, missing.stderr), (4, "dorsa: " + message + wrong))

    def test_bad_arguments_are_named(self):
        values = ["values", "DORSA_SAMPLES", TABLE]
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
            ([*values, "1001", "--batch-size", "0"], "--batch-size: Value 0 not in range 1 to 10000"),
            ([*values, "1001", "--batch-size", "10001"], "--batch-size: Value 10001 not in range 1 to 10000"),
            ([*values, "1001", "--parallel", "0"], "--parallel: Value 0 not in range 1 to 8"),
            ([*values, "1001", "--parallel", "9"], "--parallel: Value 9 not in range 1 to 8"),
            ([*values, "0"], "RECORD: '0' is no record identity (1 to 2147483647)"),
            ([*values, "99999999999"], "RECORD: '99999999999' is no record identity (1 to 2147483647)"),
            (values, "RECORD is required"),
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


class AttributesAndValues(ToolTestCase):
    GUID_1003 = "5e2b8c71-1003-4d19-b6e2-7a3f0c001003"

    def test_outputs_in_columns_and_as_json(self):
        self.assertOutputs([
            (["attributes", "DORSA_SAMPLES", TABLE, "--details"], "attributes_details.txt"),
            (["--json", "attributes", "DORSA_SAMPLES", TABLE], "attributes.json"),
            (["--json", "attributes", "DORSA_SAMPLES", TABLE, "--details"], "attributes_details.json"),
            # Every attribute of the table by default; each data type as people read it.
            (["values", "DORSA_SAMPLES", TABLE, "1001", "1002", "1003"], "values.txt"),
            (["values", "DORSA_SAMPLES", TABLE, "1002", *[word for name in PSEUDO for word in ("--attribute", name)]],
             "values_pseudo.txt"),
            (["--json", "values", "DORSA_SAMPLES", TABLE, self.GUID_1003, "1001", "--attribute", "Yield strength",
              "--attribute", "Density", "--attribute", "Composition"], "values.json"),
        ])

    def test_properties_from_the_tree(self):
        # values_tree_properties.txt: what three runs write, one after the other. The root has no parent.
        asked = [word for name in TREE_PSEUDO for word in ("--attribute", name)]
        runs = [[TABLE, "1001", "1002", "1006", "1100"], ["Processes", "2101"], ["Standards", "4000"]]
        self.assertEqual("".join(self.output("values", "DORSA_SAMPLES", *run, *asked) for run in runs),
                         fixture("values_tree_properties.txt"))

    def test_one_value_as_asked(self):
        # arguments, (record, attribute, type, value) of the one row
        cases = [
            (["1001", "--attribute", "Density", "--unit-system", "Imperial"],
             ["1001", "Density", "point", "493.180884 lb/ft^3 @ 20 \u00b0C; 488.1866472 lb/ft^3 @ 300 \u00b0C"]),
            (["1001", "--attribute", "Micrograph", "--inline-binary"], ["1001", "Micrograph", "picture",
                                                                         "image/png, 21 bytes"]),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                header, row = self.lines("values", "DORSA_SAMPLES", TABLE, *arguments)
                self.assertEqual([cell.strip() for cell in row.split("  ") if cell], expected)

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
        result = dorsa(UNREACHABLE, "values", "DORSA_SAMPLES", TABLE, "1001", "1002",
                       "--attribute", "Density", "--batch-size", "1", "--parallel", "2")
        self.assertEqual(result.returncode, 3, result.stderr)
        self.assertTrue(result.stderr.startswith(f"dorsa: cannot connect to {UNREACHABLE}: "), result.stderr)
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

    def assertNoSecret(self, result, password=SECRET):
        """Neither SECRET, which starts every password tried, nor the header made of `password` shows."""
        credentials = base64.b64encode(f"CORP\\jo:{password}".encode()).decode()
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
                self.assertEqual((result.returncode, result.stdout, result.stderr), (2, "", (
                    "dorsa: --user jo needs a password: set DORSA_PASSWORD, run on a terminal to be asked, or give "
                    "--password\n")))

    def test_verbose_output_never_shows_the_password(self):
        # Given with --user or inside the URL; the right password or a wrong one.
        scheme, rest = self.emulator.url.split("://", 1)
        for password in (SECRET, SECRET + "x"):
            for url, user, environment in ((self.emulator.url, self.USER, password),
                                           (f"{scheme}://CORP%5Cjo:{password}@{rest}", (), None)):
                for command, code in ((["ping"], 0), (["databases"], 0), (["tables", "NO_SUCH_DB"], 5)):
                    with self.subTest(password=password, in_url=not user, command=command):
                        result = dorsa(url, "--verbose", *user, *command, password=environment)
                        self.assertEqual(result.returncode, code if password == SECRET else 4, result.stderr)
                        self.assertIn("\n< ", "\n" + result.stderr)
                        self.assertNoSecret(result, password)

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


if __name__ == "__main__":
    unittest.main(verbosity=2)
