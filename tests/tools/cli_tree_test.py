"""dorsa tree, dorsa links and dorsa versions against the bundled emulator.

DORSA_TOOL names the tool, DORSA_EMULATOR the emulator script."""

import locale
import unittest

from tool_runs import ToolTestCase

DB = "DORSA_SAMPLES"
ALLOYS = "Alloys and Polymers"
# Each table's whole tree as drawn where the locale does not take UTF-8.
TREES = {
    ALLOYS: ["Alloys and Polymers/ [1000]",
             "|- Metals/ [1100]",
             "|  |- Ferrous/ [1110]",
             "|  |  |- Dorsa steel DS-18, annealed [1001]",
             "|  |  `- Dorsa steel DS-22, cold worked [1004]",
             "|  `- Non-ferrous/ [1120]",
             "|     |- Dorsa aluminium DA-61, aged [1002]",
             "|     |  `- DA-61 sheet, 2 mm [1006]",
             "|     `- Dorsa titanium DT-5, solution treated [1005]",
             "`- Polymers/ [1200]",
             "   `- Dorsa polyamide DP-6, unfilled [1003]"],
    "Processes": ["Processes/ [2000]",
                  "|- Friction stir welding of aluminium to aluminium-lithium sheet [2101]",
                  "`- Sand casting [2102]"],
    "Suppliers": ["Suppliers/ [3000]", "|- Orvane Steel Works [3001]", "|- Talvik Light Metals [3002]",
                  "|- Quillon Polymers [3003]", "`- Orvane Aluminium Sheet [3101]"],
    "Standards": ["Standards/ [4000]", "|- DSX 1021, wrought stainless steels [4001]",
                  "|- DSX 2040, wrought aluminium alloys [4002]", "`- DSX 3300, unfilled polyamides [4003]"],
}
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


# Every version of records 1001, 1005 and 3001, oldest first, and the ones each selector keeps.
VERSIONS = [version(1001, "101001", "Superseded"), version(1001, "201001", "Superseded"),
            version(1001, "001001", "Released"), version(1005, "101005", "Released"),
            version(1005, "001005", "Unreleased"), version(3001, "003001", "Unversioned")]
SELECTED = {"LatestRead": [2, 3, 5], "Latest": [2, 4, 5], "AllReleased": [0, 1, 2, 3, 5], "All": range(6)}


class ToolAgainstEmulatorTree(ToolTestCase):
    def test_whole_trees_in_each_locale(self):
        utf8_locales = [name for name in ("C.UTF-8", "de_DE.UTF-8", "en_US.UTF-8") if installed(name)]
        for chosen in utf8_locales + ["C", "POSIX"]:
            for table, drawn in TREES.items():
                with self.subTest(locale=chosen, table=table):
                    expected = [utf8(line) for line in drawn] if chosen in utf8_locales else drawn
                    self.assertEqual(self.lines("tree", DB, table, locale=chosen), expected)

    def test_tree_to_a_depth_and_from_a_record(self):
        self.assertEqual(self.lines("tree", DB, ALLOYS, "--depth", "2", locale="C"),
                         ["Alloys and Polymers/ [1000]", "|- Metals/ [1100]", "|  |- Ferrous/ [1110]",
                          "|  `- Non-ferrous/ [1120]", "`- Polymers/ [1200]",
                          "   `- Dorsa polyamide DP-6, unfilled [1003]"])
        self.assertEqual(self.lines("tree", DB, ALLOYS, "--from", "1120", locale="C"),
                         ["Non-ferrous/ [1120]", "|- Dorsa aluminium DA-61, aged [1002]",
                          "|  `- DA-61 sheet, 2 mm [1006]", "`- Dorsa titanium DT-5, solution treated [1005]"])

    def test_tree_as_json(self):
        def entry(identity, name, short_name, kind, color, *children):
            return {"identity": identity, "name": name, "shortName": short_name, "type": kind, "color": color,
                    "children": list(children)}
        self.assertEqual(self.json("tree", DB, ALLOYS, "--from", "5e2b8c71-1120-4d19-b6e2-7a3f0c001120"),
                         entry(1120, "Non-ferrous", "Non-ferrous", "Folder", "Black",
                               entry(1002, "Dorsa aluminium DA-61, aged", "DA-61", "Record", "Green",
                                     entry(1006, "DA-61 sheet, 2 mm", "DA-61/S2", "Generic", "Black")),
                               entry(1005, "Dorsa titanium DT-5, solution treated", "DT-5", "Record", "Black")))
        top = self.json("tree", DB, ALLOYS, "--depth", "1")
        self.assertEqual([(c["name"], c["children"]) for c in top["children"]], [("Metals", []), ("Polymers", [])])

    def test_link_groups(self):
        def group(identity, name, kind, source, target, reverse_id, reverse, standard_names):
            return {"identity": identity, "name": name, "type": kind, "from": source, "to": target,
                    "reverseIdentity": reverse_id, "reverseName": reverse, "standardNames": standard_names}
        self.assertEqual(self.json("links", DB), [
            group(61, "Suppliers", "static", ALLOYS, "Suppliers", 62, "Supplied materials", ["Supplier"]),
            group(62, "Supplied materials", "static", "Suppliers", ALLOYS, 61, "Suppliers", []),
            group(63, "Standards", "dynamic", ALLOYS, "Standards", 64, "Materials covered", ["Applicable standard"]),
            group(64, "Materials covered", "dynamic", "Standards", ALLOYS, 63, "Standards", [])])
        self.assertEqual([g["name"] for g in self.json("links", DB, "--group", "Materials covered")],
                         ["Materials covered"])
        self.assertEqual(self.lines("links", DB), [
            "ID  NAME                TYPE     FROM                 TO                   REVERSE             "
            "STANDARD NAMES",
            "61  Suppliers           static   Alloys and Polymers  Suppliers            Supplied materials  Supplier",
            "62  Supplied materials  static   Suppliers            Alloys and Polymers  Suppliers",
            "63  Standards           dynamic  Alloys and Polymers  Standards            Materials covered   "
            "Applicable standard",
            "64  Materials covered   dynamic  Standards            Alloys and Polymers  Standards"])

    def test_linked_records_group_by_group(self):
        def linked(identity, name, short_name):
            return {"identity": identity, "name": name, "shortName": short_name}
        self.assertEqual(self.json("links", DB, "1001", "3002"), [
            {"record": 1001, "groups": [
                {"name": "Suppliers", "standardNames": ["Supplier"],
                 "linkedRecords": [linked(3001, "Orvane Steel Works", "Orvane")]},
                {"name": "Standards", "standardNames": ["Applicable standard"],
                 "linkedRecords": [linked(4001, "DSX 1021, wrought stainless steels", "DSX 1021")]}]},
            {"record": 3002, "groups": [
                {"name": "Supplied materials", "standardNames": [],
                 "linkedRecords": [linked(1002, "Dorsa aluminium DA-61, aged", "DA-61"),
                                   linked(1005, "Dorsa titanium DT-5, solution treated", "DT-5"),
                                   linked(1006, "DA-61 sheet, 2 mm", "DA-61/S2")]}]}])
        self.assertEqual(self.lines("links", DB, "3002", "--group", "Supplied materials"),
                         ["RECORD  GROUP               LINKED RECORDS",
                          "3002    Supplied materials  1002  Dorsa aluminium DA-61, aged",
                          "                            1005  Dorsa titanium DT-5, solution treated",
                          "                            1006  DA-61 sheet, 2 mm"])

    def test_versions_by_selector(self):
        for selector, kept in SELECTED.items():
            with self.subTest(selector=selector):
                self.assertEqual(self.json("versions", DB, "1001", "1005", "3001", "--select", selector),
                                 [VERSIONS[i] for i in kept])
        self.assertEqual(self.lines("versions", DB, "1004"),
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
                self.assertEqual(self.run_tool(*arguments, code=code).stdout, "")


if __name__ == "__main__":
    unittest.main(verbosity=2)
