"""dorsa tree, dorsa links and dorsa versions against the bundled emulator, compared with
what the emulator's own data says.

DORSA_TOOL names the tool, DORSA_EMULATOR the emulator script."""

import json
import locale
import os
import subprocess
import sys
import unittest

from emulator_process import EmulatorProcess

TOOL = os.environ["DORSA_TOOL"]
EMULATOR = os.environ["DORSA_EMULATOR"]
sys.path.insert(0, os.path.dirname(os.path.abspath(EMULATOR)))
import data_file  # noqa: E402
import links  # noqa: E402
import tree  # noqa: E402
import versions  # noqa: E402

DB = "DORSA_SAMPLES"
ALLOYS = "Alloys and Polymers"
UTF8 = ("\u251c\u2500 ", "\u2514\u2500 ", "\u2502  ")
ASCII = ("|- ", "`- ", "|  ")


def dorsa(url, *arguments, locale="C"):
    """Runs the tool under `locale`, with no password and no terminal."""
    environment = {name: value for name, value in os.environ.items()
                   if name != "DORSA_PASSWORD" and not name.startswith("LC_") and name != "LANG"}
    environment["LC_ALL"] = locale
    return subprocess.run([TOOL, "--url", url, *arguments], capture_output=True, text=True, timeout=60,
                          stdin=subprocess.DEVNULL, env=environment, encoding="utf-8")


def installed(name):
    """Whether the locale `name` can be used here."""
    saved = locale.setlocale(locale.LC_CTYPE)
    try:
        locale.setlocale(locale.LC_CTYPE, name)
    except locale.Error:
        return False
    locale.setlocale(locale.LC_CTYPE, saved)
    return True


def entry(record):
    return f"{record['name']}{'/' if record.get('type') == 'Folder' else ''} [{record['identity']}]"


def drawing(table, start, levels, branches):
    """The tree below `start` as the tool should draw it, from the data itself."""
    middle, last, through = branches
    lines = [entry(start)]

    def below(record, indent, left):
        children = tree.children_of(table, record)
        for i, child in enumerate(children):
            final = i == len(children) - 1
            lines.append(indent + (last if final else middle) + entry(child))
            if left is None or left > 1:
                below(child, indent + ("   " if final else through), None if left is None else left - 1)
    below(start, "", levels)
    return lines


def nested(table, record):
    return {"identity": record["identity"], "name": record["name"],
            "shortName": record.get("shortName", record["name"]), "type": record.get("type", "Record"),
            "color": record.get("color", "Black"),
            "children": [nested(table, c) for c in tree.children_of(table, record)]}


class ToolAgainstEmulatorTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.emulator = EmulatorProcess(EMULATOR)
        cls.data = data_file.load(os.path.join(os.path.dirname(EMULATOR), "sample_data.json"))
        cls.database = cls.data["databases"][0]
        cls.tables = {t["name"]: t for t in cls.database["tables"]}

    @classmethod
    def tearDownClass(cls):
        cls.emulator.stop()

    def run_tool(self, *arguments, locale="C"):
        result = dorsa(self.emulator.url, *arguments, locale=locale)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout

    def record(self, identity):
        return next(r for t in self.database["tables"] for r in t.get("records", []) if r["identity"] == identity)

    def test_tree_to_depth_two_equals_the_emulators_tree(self):
        alloys = self.tables[ALLOYS]
        output = self.run_tool("tree", DB, ALLOYS, "--depth", "2")
        self.assertEqual(output.splitlines(), drawing(alloys, tree.root_of(alloys), 2, ASCII))
        self.assertIn("`- Polymers/ [1200]", output)

    def test_box_drawing_where_the_locale_takes_utf8(self):
        utf8 = [name for name in ("C.UTF-8", "de_DE.UTF-8", "en_US.UTF-8") if installed(name)]
        if not utf8:
            self.skipTest("no UTF-8 locale installed")
        for chosen, branches in [(name, UTF8) for name in utf8] + [("C", ASCII), ("POSIX", ASCII)]:
            for name, table in self.tables.items():
                with self.subTest(locale=chosen, table=name):
                    output = self.run_tool("tree", DB, name, locale=chosen)
                    self.assertEqual(output.splitlines(), drawing(table, tree.root_of(table), None, branches))

    def test_tree_from_a_record_and_as_json(self):
        alloys = self.tables[ALLOYS]
        start = self.record(1120)
        self.assertEqual(self.run_tool("tree", DB, ALLOYS, "--from", "1120").splitlines(),
                         drawing(alloys, start, None, ASCII))
        self.assertEqual(json.loads(self.run_tool("--json", "tree", DB, ALLOYS, "--from", start["guid"])),
                         nested(alloys, start))
        top = json.loads(self.run_tool("--json", "tree", DB, ALLOYS, "--depth", "1"))
        self.assertEqual([(c["name"], c["children"]) for c in top["children"]], [("Metals", []), ("Polymers", [])])

    def test_link_groups_as_the_emulator_has_them(self):
        listed = json.loads(self.run_tool("--json", "links", DB))
        tables = {t["id"]: t["name"] for t in self.database["tables"]}
        expected = [{"identity": d.id, "name": d.name, "type": d.type, "from": tables[d.source],
                     "to": tables[d.target], "reverseIdentity": d.reverse_id, "reverseName": d.reverse_name,
                     "standardNames": d.standard_names} for d in links.directions(self.database)]
        self.assertEqual(listed, expected)
        self.assertEqual([g["name"] for g in json.loads(self.run_tool("--json", "links", DB, "--group",
                                                                      "Materials covered"))], ["Materials covered"])
        columns = self.run_tool("links", DB).splitlines()
        self.assertEqual(columns[0].split(), ["ID", "NAME", "TYPE", "FROM", "TO", "REVERSE", "STANDARD", "NAMES"])
        self.assertEqual(len(columns), 1 + len(expected))

    def test_linked_records_group_by_group(self):
        by_id = {d.id: d for d in links.directions(self.database)}
        found = json.loads(self.run_tool("--json", "links", DB, "1001", "3002"))
        expected = []
        for identity, directions in ((1001, [61, 63]), (3002, [62])):
            record = self.record(identity)
            expected.append({"record": identity, "groups": [
                {"name": by_id[d].name, "standardNames": by_id[d].standard_names,
                 "linkedRecords": [{"identity": r["identity"], "name": r["name"],
                                    "shortName": r.get("shortName", r["name"])}
                                   for r in links.linked(self.database, by_id[d], record)]}
                for d in directions]})
        self.assertEqual(found, expected)
        self.assertEqual(self.run_tool("links", DB, "3002", "--group", "Supplied materials").splitlines(),
                         ["RECORD  GROUP               LINKED RECORDS",
                          "3002    Supplied materials  1002  Dorsa aluminium DA-61, aged",
                          "                            1005  Dorsa titanium DT-5, solution treated",
                          "                            1006  DA-61 sheet, 2 mm"])

    def test_versions_by_selector(self):
        for selector in versions.SELECTORS:
            with self.subTest(selector=selector):
                found = json.loads(self.run_tool("--json", "versions", DB, "1001", "1005", "3001",
                                                 "--select", selector))
                expected = []
                for identity in (1001, 1005, 3001):
                    record = self.record(identity)
                    table = next(t for t in self.database["tables"] if record in t.get("records", []))
                    expected += [{"record": identity, "guid": guid, "state": state}
                                 for _, guid, state in versions.selected(versions.versions_of(table, record), selector)]
                self.assertEqual(found, expected)
        self.assertEqual(self.run_tool("versions", DB, "1004").splitlines(),
                         ["RECORD  VERSION GUID                          STATE",
                          "1004    5e2b8c71-1004-4d19-b6e2-7a3f0c001004  Unreleased"])

    def test_usage_errors_and_refusals(self):
        cases = [
            (["tree", DB], 2),
            (["tree", DB, ALLOYS, "--depth", "0"], 2),
            (["tree", DB, ALLOYS, "--from", "DS-18"], 2),
            (["links", DB, "one"], 2),
            (["versions", DB], 2),
            (["versions", DB, "1001", "--select", "Newest"], 2),
            (["tree", DB, "No such table"], 5),
            (["tree", DB, ALLOYS, "--from", "99999"], 5),
            (["links", DB, "--group", "No such group"], 5),
            (["versions", "NO_SUCH_DB", "1001"], 5),
        ]
        for arguments, code in cases:
            with self.subTest(arguments=arguments):
                result = dorsa(self.emulator.url, *arguments)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertEqual(result.stdout, "")


if __name__ == "__main__":
    unittest.main(verbosity=2)
