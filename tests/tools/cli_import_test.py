"""dorsa import and dorsa link: import files through the library into the emulator, read back.

Run by CTest with DORSA_TOOL and DORSA_EMULATOR in the environment."""

import json
import os
import signal
import socket
import subprocess
import tempfile
import unittest
import urllib.request

from soap_posting import Emulator
from tool_runs import TOOL, UNREACHABLE, ToolTestCase, dorsa, fixture

TABLE = "Alloys and Polymers"

# One value of every type that can be imported: for each attribute, the value in the import
# file's form and what `dorsa --json values` reads back for it.
EVERY_TYPE = json.loads(fixture("every_type.json"))


class ImportFiles(unittest.TestCase):
    """Writes import files into a directory of their own."""

    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.addCleanup(self.directory.cleanup)
        with open(os.path.join(self.directory.name, "sheet.bin"), "wb") as sheet:
            sheet.write(b"\x00sheet")

    def file(self, *records, **top):
        path = os.path.join(self.directory.name, f"import{len(os.listdir(self.directory.name))}.json")
        with open(path, "w", encoding="utf-8") as output:
            json.dump(dict({"database": "DORSA_SAMPLES", "table": TABLE, "records": list(records)}, **top), output)
        return path


class ImportAndReadBack(ImportFiles, ToolTestCase):
    def imported(self, *records, **options):
        arguments = [argument for option in options.items() for argument in option]
        return [r["record"]["identity"] for r in self.json("import", self.file(*records), *arguments)]

    def read_back(self, identity, inline=True):
        """{attribute name: value} of one record, as the library read it."""
        [data] = self.json("values", "DORSA_SAMPLES", TABLE, str(identity), *(["--inline-binary"] if inline else []))
        return {v["attribute"]: v["value"] for v in data["values"]}

    def test_every_type_round_trips_through_the_library(self):
        values = {name: value["import"] for name, value in EVERY_TYPE.items()}
        [identity] = self.imported({"mode": "create", "parent": 1001, "name": "DS-19", "values": values})
        self.assertEqual(self.read_back(identity), {name: value["read back"] for name, value in EVERY_TYPE.items()})
        url = self.read_back(identity, inline=False)["Datasheet"]["url"]
        self.assertTrue(url.startswith(self.emulator.url + "/files/"), url)

    def test_update_changes_and_clears_what_it_names(self):
        before = self.read_back(1003)
        self.assertEqual(self.imported({"mode": "update", "record": 1003, "release": False,
                                        "values": {"Material family": "Polymer", "RoHS compliant": None}}), [1003])
        after = self.read_back(1003)
        self.assertEqual(after["Material family"]["value"], "Polymer")
        self.assertNotIn("RoHS compliant", after)
        self.assertEqual(after["Density"], before["Density"])

    def test_copy_holds_the_values_of_its_source(self):
        [copy] = self.imported({"mode": "copy", "record": 1002, "parent": 1001, "name": "DA-61 copy"})
        self.assertNotEqual(copy, 1002)
        self.assertEqual(self.read_back(copy), self.read_back(1002))

    def test_fault_mode_keeps_nothing_and_continue_mode_the_good_records(self):
        good = {"mode": "update", "record": 1002, "values": {"Material family": "Changed"}}
        bad = {"mode": "update", "record": 1002, "values": {"No such attribute": 1}}
        before = self.read_back(1002)
        result = self.run_tool("import", self.file(good, bad), "--error-mode", "fault", code=5)
        self.assertIn("Import record 2", result.stderr)
        self.assertEqual(self.read_back(1002), before)
        result = self.run_tool("import", self.file(good, bad), "--error-mode", "continue")
        self.assertIn("1 of 2 import records were not imported", result.stderr)
        self.assertEqual(self.read_back(1002)["Material family"]["value"], "Changed")


class LinkAndReadBack(unittest.TestCase):
    """dorsa link against an emulator of each test's own, read back with dorsa links."""

    def setUp(self):
        self.emulator = Emulator()
        self.addCleanup(self.emulator.stop)

    def run_tool(self, *arguments):
        result = dorsa(self.emulator.url, *arguments)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout

    def linked(self, record, group):
        [found] = json.loads(self.run_tool("--json", "links", "DORSA_SAMPLES", str(record), "--group", group))
        return [r["identity"] for g in found["groups"] for r in g["linkedRecords"]]

    def test_added_link_shows_in_the_linked_records(self):
        changes = json.loads(self.run_tool("--json", "link", "DORSA_SAMPLES", "61", "--add", "1001:3003:second: lot 4",
                                           "--add", "1004:3003"))
        self.assertEqual([(c["change"], c["source"]["identity"], [t["identity"] for t in c["targets"]])
                          for c in changes], [("linked", 1001, [3003]), ("linked", 1004, [3003])])
        self.assertEqual(self.linked(1001, "Suppliers"), [3001, 3003])
        self.assertEqual(self.linked(3003, "Supplied materials"), [1001, 1003, 1004])

    def test_remove_and_unlink_all_by_name_within_a_table(self):
        output = self.run_tool("link", "DORSA_SAMPLES", "Supplied materials", "--table", "Suppliers",
                               "--remove", "3002:1002", "--unlink-all", "3001")
        self.assertEqual(output.splitlines(), [
            "CHANGE    SOURCE       TARGET",
            "unlinked  3001 Orvane  1001 DS-18",
            "unlinked  3001 Orvane  1004 DS-22",
            "unlinked  3002 Talvik  1002 DA-61"])
        self.assertEqual(self.linked(3001, "Supplied materials"), [])
        self.assertEqual(self.linked(3002, "Supplied materials"), [1005, 1006])
        self.assertEqual(self.linked(1002, "Suppliers"), [])

    def test_a_link_the_server_refuses_changes_nothing(self):
        result = dorsa(self.emulator.url, "link", "DORSA_SAMPLES", "63", "--group-type", "dynamic",
                       "--add", "1001:4002")
        self.assertEqual((result.returncode, result.stderr), (5, "dorsa: SOAP fault from ModifyRecordLinks: Link group "
                                                              "Standards is dynamic: its links cannot be changed\n"))
        self.assertEqual(self.linked(1001, "Standards"), [4001])
        # A record of the wrong table is skipped; the rest is made.
        changes = json.loads(self.run_tool("--json", "link", "DORSA_SAMPLES", "61", "--add", "1001:4002",
                                           "--add", "1002:3001"))
        self.assertEqual(changes, [{"change": "linked", "source": {
            "dbKey": "DORSA_SAMPLES", "identity": 1002, "recordGUID": "5e2b8c71-1002-4d19-b6e2-7a3f0c001002",
            "historyGUID": "9d40a6e3-1002-4c7e-a5b8-2e61f4001002"}, "targets": [{
                "dbKey": "DORSA_SAMPLES", "identity": 3001, "recordGUID": "5e2b8c71-3001-4d19-b6e2-7a3f0c003001",
                "historyGUID": "9d40a6e3-3001-4c7e-a5b8-2e61f4003001"}]}])
        self.assertEqual(self.linked(1002, "Suppliers"), [3001, 3002])
        self.assertEqual(self.linked(1001, "Suppliers"), [3001])


class UploadAndInterrupt(ImportFiles):
    def test_upload_puts_the_file_where_the_server_serves_it_back(self):
        emulator = Emulator()
        self.addCleanup(emulator.stop)
        path = os.path.join(self.directory.name, "sheet.bin")
        result = dorsa(emulator.url, "--json", "upload", "DORSA_SAMPLES", "1001", "--attribute", "Datasheet", path,
                       "--content-type", "application/x-sheet")
        self.assertEqual(result.returncode, 0, result.stderr)
        url = json.loads(result.stdout)["url"]
        with urllib.request.urlopen(url, timeout=30) as served:
            self.assertEqual((served.read(), served.headers["Content-Type"]), (b"\x00sheet", "application/x-sheet"))

    def test_ctrl_c_ends_with_130_and_leaves_no_output_file(self):
        with socket.socket() as silent:
            silent.bind(("127.0.0.1", 0))
            silent.listen()
            url = f"http://127.0.0.1:{silent.getsockname()[1]}/dorsa"
            output = os.path.join(self.directory.name, "out.card")
            tool = subprocess.Popen([TOOL, "--url", url, "export", "DORSA_SAMPLES", "strata.card.v3", "1001",
                                     "-o", output], stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            connection, _ = silent.accept()  # the call is under way, and never answered
            with connection:
                tool.send_signal(signal.SIGINT)
                _, errors = tool.communicate(timeout=30)
        self.assertEqual(tool.returncode, 130, errors)
        self.assertIn("interrupted", errors)
        self.assertEqual(sorted(os.listdir(self.directory.name)), ["sheet.bin"])


class DryRunAndMalformedFiles(ImportFiles):
    def test_dry_run_prints_the_request_and_sends_nothing(self):
        copy = self.file({"mode": "copy", "record": 1002, "parent": "5e2b8c71-1001-4d19-b6e2-7a3f0c001001",
                          "release": False, "subsets": [11, "All samples"], "subsetsMode": "replace"})
        # Printed one element a line, each indented by its depth; without the indentation, the bytes
        # it sends. Link changes go in a fixed order: unlink all, unlink, link.
        cases = [
            (["import", copy, "--dry-run", "--error-mode", "fault", "--commit-every", "50"], "import_dry_run.xml"),
            (["link", "DORSA_SAMPLES", "31", "--add", "1001:1002:same heat: lot 7", "--remove", "1002:1003", "--add",
              "1001:1003", "--unlink-all", "1003", "--dry-run"], "link_dry_run.xml"),
        ]
        for arguments, printed in cases:
            with self.subTest(printed=printed):
                result = dorsa(UNREACHABLE, *arguments)
                self.assertEqual((result.returncode, result.stdout, result.stderr), (0, fixture(printed), ""))

    def test_a_malformed_file_names_the_place_and_sends_nothing(self):
        cases = [
            ({"mode": "create", "parent": 1001, "values": {"Yield strength": {"type": "range", "low": "high"}}},
             'records[0].values["Yield strength"].low: is a string, expected a number'),
            ({"mode": "move", "record": 1001}, "records[0].mode: is 'move', expected create, update or copy"),
            ({"mode": "update"}, 'records[0]: has no "record"'),
            ({"mode": "update", "record": "12ab"}, "records[0].record: '12ab' is neither a record identity"),
            ({"mode": "update", "record": 1, "colour": "red"}, "records[0].colour: is not known here"),
            ({"mode": "update", "record": 1, "values": {"Notes": {"type": "list"}}},
             'records[0].values.Notes.type: is \'list\', which cannot be imported'),
            ({"mode": "update", "record": 1, "values": {"Density": 7.9}},
             "records[0].values.Density: is a number, expected a string, a whole number"),
            ({"mode": "update", "record": 1, "values": {"Datasheet": {"type": "file", "path": "missing.pdf"}}},
             'records[0].values.Datasheet.path: cannot read'),
            ({"mode": "update", "record": 1, "values": {"Density": {"type": "point", "points": [{"value": 1,
                                                        "parameters": {"Temperature": True}}]}}},
             'records[0].values.Density.points[0].parameters.Temperature: is true or false, expected a number'),
            ({"mode": "create", "parent": 1, "values": {"Stress-strain curve": {
                "type": "functional series", "xAxis": "Strain", "series": [{"points": [[1]]}]}}},
             'records[0].values["Stress-strain curve"].series[0].points[0]: is an array, expected [x, y]'),
        ]
        for record, message in cases:
            with self.subTest(message=message):
                result = dorsa(UNREACHABLE, "import", self.file(record))
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertIn(message, result.stderr)
        for content, message in [("{\"records\": [", "not JSON: "), ("[]", "the top level: is an array"),
                                 ("{\"records\": []}", 'the top level: has no "database"')]:
            path = os.path.join(self.directory.name, "broken.json")
            with open(path, "w", encoding="utf-8") as broken:
                broken.write(content)
            result = dorsa(UNREACHABLE, "import", path)
            self.assertEqual(result.returncode, 2, result.stderr)
            self.assertIn(message, result.stderr)

    def test_link_refuses_bad_pairs_before_sending(self):
        for arguments in (["--add", "1001"], ["--remove", "1001:1002:notes"], ["--unlink-all", "x"], []):
            with self.subTest(arguments=arguments):
                self.assertEqual(dorsa(UNREACHABLE, "link", "DORSA_SAMPLES", "31", *arguments).returncode, 2)


if __name__ == "__main__":
    unittest.main()
