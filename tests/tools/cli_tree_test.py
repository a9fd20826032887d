"""dorsa tree, dorsa links and dorsa versions against the bundled emulator.

DORSA_TOOL names the tool, DORSA_EMULATOR the emulator script."""

import locale
import unittest

from tool_runs import ToolTestCase, fixture

DB = "DORSA_SAMPLES"
ALLOYS = "Alloys and Polymers"
# trees.txt draws each table's whole tree, in this order, as where the locale does not take UTF-8.
TABLES = [ALLOYS, "Processes", "Suppliers", "Standards"]
# The same branches drawn with box-drawing characters where it does.
UTF8 = str.maketrans({"|": "\u251c", "`": "\u2514", "-": "\u2500"})


def utf8(line):
    """`line` of an ASCII drawing as drawn in UTF-8: only the branches before the name change."""
    name_at = line.index(next(c for c in line if c not in "|`- "))
    return line[:name_at].replace("|  ", "\u2502  ").translate(UTF8) + line[name_at:]


def installed(name):
    """Whether the locale `name` can be used here."""
    saved = locale.setlocale(locale.LC_CTYPE)
    try:
        locale.setlocale(locale.LC_CTYPE, name)
    except locale.Error:
        return False
    locale.setlocale(locale.LC_CTYPE, saved)
    return True


def version(record, guid, state):
    return {"record": record, "guid": f"5e2b8c71-{record}-4d19-b6e2-7a3f0c{guid}", "state": state}


# Every version of records 1001, 1003, 1004, 1005 and 3001, oldest first, and the ones each selector keeps.
VERSIONS = [version(1001, "101001", "Superseded"), version(1001, "201001", "Superseded"),
            version(1001, "001001", "Released"), version(1003, "101003", "Withdrawn"),
            version(1003, "001003", "Released"), version(1004, "001004", "Unreleased"),
            version(1005, "101005", "Released"), version(1005, "001005", "Unreleased"),
            version(3001, "003001", "Unversioned")]
SELECTED = {"LatestRead": [2, 4, 6, 8], "Latest": [2, 4, 5, 7, 8], "AllReleased": [0, 1, 2, 3, 4, 6, 8],
            "All": range(9)}


class ToolAgainstEmulatorTree(ToolTestCase):
    def test_whole_trees_in_each_locale(self):
        utf8_locales = [name for name in ("C.UTF-8", "de_DE.UTF-8", "en_US.UTF-8") if installed(name)]
        drawn = fixture("trees.txt").splitlines()
        for chosen in utf8_locales + ["C", "POSIX"]:
            with self.subTest(locale=chosen):
                expected = [utf8(line) for line in drawn] if chosen in utf8_locales else drawn
                self.assertEqual([line for table in TABLES for line in self.lines("tree", DB, table, locale=chosen)],
                                 expected)

    def test_trees_and_links_as_drawn_and_as_json(self):
        self.assertOutputs([
            (["tree", DB, ALLOYS, "--depth", "2"], "tree_depth_2.txt"),
            (["tree", DB, ALLOYS, "--from", "1120"], "tree_from_1120.txt"),
            (["--json", "tree", DB, ALLOYS, "--depth", "1"], "tree_depth_1.json"),
            (["--json", "tree", DB, ALLOYS, "--from", "5e2b8c71-1120-4d19-b6e2-7a3f0c001120"], "tree_from_1120.json"),
            (["links", DB], "link_groups.txt"),
            (["--json", "links", DB], "link_groups.json"),
            (["--json", "links", DB, "1001", "3002", "4002", "4003"], "linked_records.json"),
            (["links", DB, "3002", "--group", "Supplied materials"], "linked_3002.txt"),
        ], locale="C")
        self.assertEqual(self.lines("versions", DB, "1004"),
                         ["RECORD  VERSION GUID                          STATE",
                          "1004    5e2b8c71-1004-4d19-b6e2-7a3f0c001004  Unreleased"])
        self.assertEqual([g["name"] for g in self.json("links", DB, "--group", "Materials covered")],
                         ["Materials covered"])

    def test_versions_by_selector(self):
        for selector, kept in SELECTED.items():
            with self.subTest(selector=selector):
                self.assertEqual(self.json("versions", DB, "1001", "1003", "1004", "1005", "3001", "--select",
                                           selector), [VERSIONS[i] for i in kept])

    def test_usage_errors_and_refusals(self):
        self.assertRefused([
            (["tree", DB], 2, None),
            (["tree", DB, ALLOYS, "--depth", "0"], 2, None),
            (["tree", DB, ALLOYS, "--from", "DS-18"], 2, None),
            (["links", DB, "one"], 2, None),
            (["versions", DB], 2, None),
            (["versions", DB, "1001", "--select", "Newest"], 2, None),
            (["tree", DB, "No such table"], 5, None),
            (["tree", DB, ALLOYS, "--from", "99999"], 5, None),
            (["links", DB, "--group", "No such group"], 5, None),
            (["versions", "NO_SUCH_DB", "1001"], 5, None),
        ])


if __name__ == "__main__":
    unittest.main(verbosity=2)
