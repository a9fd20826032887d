"""The emulator's three searches over its sample records, asked as the client library asks them.

DORSA_EMULATOR may name the emulator script; by default the one of this source tree is used."""

import unittest

from soap_posting import DB, ROOT, EmulatorTestCase, by_id, by_name, children, history_identity, text

METALS = "<zbt:Profile><zbt:Key>METALS_VIEW</zbt:Key></zbt:Profile>"


def scope(search_filter="NoFilter", mode=None, guids=False, record_filter=None):
    content = f"<sear:searchFilter>{search_filter}</sear:searchFilter>"
    content += f"<sear:searchMode>{mode}</sear:searchMode>" if mode else ""
    content += f"<sear:populateGUIDs>{'true' if guids else 'false'}</sear:populateGUIDs>"
    return content + (f"<sear:recordFilter>{record_filter}</sear:recordFilter>" if record_filter is not None else "")


def text_search(words, tables=(), **options):
    content = f"<sear:dbKey>DORSA_SAMPLES</sear:dbKey><sear:searchValue>{words}</sear:searchValue>" + scope(**options)
    if tables:
        content += "<sear:restrictToTables>" + "".join(f"<sear:table><zbt:tableName>{t}</zbt:tableName></sear:table>"
                                                        for t in tables) + "</sear:restrictToTables>"
    return content


def name_search(name, table="Alloys and Polymers", full=1, short=0, case=0, guids=0, record_filter=None):
    content = (f"<sear:table><zbt:tableName>{table}</zbt:tableName>{DB}</sear:table>" if table else "")
    content += f"<sear:recordName>{name}</sear:recordName>"
    content += f"<sear:recordFilter>{record_filter}</sear:recordFilter>" if record_filter is not None else ""
    return content + (f'<sear:options sear:populateGUIDs="{guids}" sear:searchFullNames="{full}" '
                      f'sear:searchShortNames="{short}" sear:caseSensitive="{case}"/>')


def criterion(attribute, value):
    return (f"<sear:recordSearchCriterion><sear:searchAttribute>{attribute}</sear:searchAttribute>"
            f"<sear:searchValue>{value}</sear:searchValue></sear:recordSearchCriterion>")


def criteria_search(*criteria, **options):
    return "<sear:dbKey>DORSA_SAMPLES</sear:dbKey>" + "".join(criteria) + scope(**options)


def bound(end, value, unit=""):
    number = value if isinstance(value, str) else repr(value)
    return f'<sear:{end} sear:unit="{unit}">{number}</sear:{end}>' if unit else f"<sear:{end}>{number}</sear:{end}>"


def between(low=None, high=None, unit=""):
    return ("<sear:between>" + (bound("lowEnd", low, unit) if low is not None else "") +
            (bound("highEnd", high, unit) if high is not None else "") + "</sear:between>")


def discrete(kind, *values):
    return f"<sear:{kind}>" + "".join(f"<sear:discrete>{v}</sear:discrete>" for v in values) + f"</sear:{kind}>"


class EmulatorSearches(EmulatorTestCase):
    service = "Search"

    def response(self, operation, content):
        """The reply's "SimpleTextSearchResponse", the response element of every search."""
        return self.call(operation, content, response="SimpleTextSearchResponse")

    def hits(self, operation, content):
        """(identity, ranking) of each hit, in reply order."""
        return [(history_identity(hit), int(text(hit, "ranking")))
                for hit in children(self.response(operation, content), "resultRecords")]

    def found(self, operation, content):
        """The identities of the hits, in identity order."""
        return sorted(identity for identity, _ in self.hits(operation, content))

    def test_free_text_over_names_and_text_values(self):
        # Within tables, within a table filter and with nothing found are cli_search_test's.
        cases = [
            ("words are found case-insensitively in names", text_search("DORSA"), [1001, 1002, 1003, 1004, 1005]),
            ("and short names", text_search("ds-18"), [1001]),
            ("in long texts", text_search("austenitic"), [1001]),
            ("a word is not part of a longer one", text_search("alumin"), []),
            ("within a profile", text_search("dorsa", record_filter=METALS), [1001, 1002, 1004, 1005]),
            ("in a read-only search", text_search("casting", mode="ReadOnly"), [2102]),
        ]
        for name, content, expected in cases:
            with self.subTest(name):
                self.assertEqual(self.found("SimpleTextSearch", content), expected)

    def test_more_occurrences_rank_higher(self):
        # Every word must occur, as a word; the ties that go by name are in cli_search_test's table.
        self.assertEqual(self.hits("SimpleTextSearch", text_search("aluminium sheet")), [(2101, 3), (3101, 2)])

    def test_a_hit_carries_names_colour_type_and_guids_when_asked(self):
        # words, GUIDs asked for (the tool always asks), (short name, full name, colour, type) of the one hit
        cases = [
            ("DS-18", False, ("DS-18", "Dorsa steel DS-18, annealed", "Default", "Record")),
            ("DS-22", False, ("DS-22", "Dorsa steel DS-22, cold worked", "Red", "Record")),
            ("DA-61/S2", False, ("DA-61/S2", "DA-61 sheet, 2 mm", "Default", "Generic")),
        ]
        for words, guids, expected in cases:
            with self.subTest(words=words, guids=guids):
                [hit] = children(self.response("SimpleTextSearch", text_search(words, guids=guids)),
                                 "resultRecords")
                self.assertEqual((text(hit, "shortName"), text(hit, "fullName"), hit.get("color"), hit.get("type")),
                                 expected)
                self.assertEqual(text(hit, "recordReference/recordGUID") is not None, guids)

    def test_record_names_with_the_three_switches(self):
        # Full or short names, in any letter case or not, wildcards and other tables: cli_search_test.
        cases = [
            ("in any letter case", name_search("dorsa steel ds-18, ANNEALED"), [1001]),
            ("a wildcard over both names", name_search("D*", short=1), [1001, 1002, 1003, 1004, 1005, 1006]),
            ("no switch on", name_search("Dorsa*", full=0), []),
            ("within a profile", name_search("Dorsa*", record_filter=METALS), [1001, 1002, 1004, 1005]),
        ]
        for name, content, expected in cases:
            with self.subTest(name):
                self.assertEqual(self.found("RecordNameSearch", content), expected)
        # A record whose full and short name both match ranks higher than one only one of them matches.
        self.assertEqual(self.hits("RecordNameSearch", name_search("D*a*", short=1)),
                         [(1006, 2), (1002, 2), (1003, 1), (1001, 1), (1004, 1), (1005, 1)])

    def test_criteria_over_the_stored_values(self):
        # Each condition the tool's criteria make is in cli_search_test's table.
        density, yield_strength = by_name("Density"), by_name("Yield strength")
        cases = [
            ("less than in pascal", [criterion(yield_strength, bound("lessThan", 1.0e8, "Pa"))], [1002, 1003]),
            ("a date without a time", [criterion(by_name("Date tested"), "<sear:betweenDateTimes><sear:lowEnd>"
                                                 "2015-01-01</sear:lowEnd><sear:highEnd>2017-01-01T00:00:00"
                                                 "</sear:highEnd></sear:betweenDateTimes>")], [1001]),
            ("dates outside", [criterion(by_name("Date tested"), "<sear:betweenDateTimes><sear:lowEnd>2017-01-01"
                                         "</sear:lowEnd><sear:highEnd/></sear:betweenDateTimes>")], []),
            ("tabular column in any letter case", [criterion(by_name("Composition"), "<sear:tabularColumnContains "
                                                             'sear:tabularColumn="Element">cr'
                                                             "</sear:tabularColumnContains>")], [1001, 1004]),
            ("text contains", [criterion(by_name("Material family"), "<sear:contains>metal</sear:contains>")],
             [1001, 1002, 1004]),
            ("every criterion must hold",
             [criterion(density, between(1000.0, 8000.0)), criterion(by_name("RoHS compliant"),
                                                                     "<sear:exists>true</sear:exists>"),
              criterion(by_id(107), "<sear:contains>Metal</sear:contains>")], [1001, 1002]),
        ]
        for name, criteria, expected in cases:
            with self.subTest(name):
                self.assertEqual(self.found("CriteriaSearch", criteria_search(*criteria)), expected)
        metals = self.hits("CriteriaSearch", criteria_search(criterion(density, between(1000.0, 8000.0)),
                                                             record_filter=METALS))
        self.assertEqual(metals, [(1001, 2), (1002, 1), (1004, 1)])  # both points of 1001 match, the one of 1002 and 1004

    def test_refused_searches_are_faults(self):
        # An unknown table, attribute or unit of the wrong kind: cli_search_test.
        density = by_name("Density")
        self.assertFaults([
            ("SimpleTextSearch", text_search("  "), "The search text is empty"),
            ("SimpleTextSearch", text_search("a", search_filter="MetalsOnly"), "Unknown table filter: MetalsOnly"),
            ("SimpleTextSearch", text_search("a", mode="Fast"), "Unknown search mode: Fast"),
            ("SimpleTextSearch", text_search("a", record_filter="<zbt:Profile><zbt:Key>NONE</zbt:Key></zbt:Profile>"),
             "Unknown profile: NONE"),
            ("RecordNameSearch", name_search("x", table=None), "A record name search names no table"),
            ("CriteriaSearch", criteria_search(criterion(density, between(1.0, 2.0, "furlong"))),
             "Unknown unit: furlong"),
            ("CriteriaSearch", criteria_search(criterion(density, "<sear:exactly>3</sear:exactly>")),
             "Attribute 'Density' holds POIN values, which 'exactly' does not apply to"),
            ("CriteriaSearch", criteria_search(criterion(by_id(111), discrete("containsAny", "Shiny"))),
             "'Shiny' is no discrete value of attribute 'Corrosion resistance'"),
            ("CriteriaSearch", criteria_search(criterion(by_id(105), "<sear:tabularColumnContains sear:tabularColumn="
                                                                     '"Mass">Fe</sear:tabularColumnContains>')),
             "Attribute 'Composition' has no column 'Mass'"),
            ("CriteriaSearch", criteria_search(criterion(density, "<sear:roughly>3</sear:roughly>")),
             f"Unknown search value: {{{ROOT}/16/01/Search}}roughly"),
            ("CriteriaSearch", criteria_search(criterion(density, "")),
             "The criterion on attribute 'Density' holds 0 search values, expected one"),
            ("CriteriaSearch", criteria_search(criterion(density, between("heavy", None))),
             "The between bound 'heavy' is not a number"),
        ])


if __name__ == "__main__":
    unittest.main(verbosity=2)
