"""Every operation through the package against the emulator's sample data: one row per
call, with what its result must hold."""
import http.server
import threading

import pytest

import dorsa
from dorsa import types as t

from conftest import DB, TABLE

# (name, call, check): read-only calls share one emulator.
READS = [
    ("GetDatabases", lambda s: s.browse.databases(),
     lambda r: {d.db_key for d in r} == {"DORSA_SAMPLES", "POLY_DB"}),
    ("GetTables", lambda s: s.browse.tables(DB, selectors=["NonMetaAttributes"]),
     lambda r: r[0].name == TABLE and "Density" in [a.name for a in r[0].attributes]
     and "MaterialsTablesOnly" in r[0].filters),
    ("GetAttributeDetails", lambda s: s.browse.attribute_details(DB, TABLE, ["Density", "Composition"]),
     lambda r: (r[0].type, r[0].unit) == ("POIN", "kg/m^3") and r[1].columns),
    ("GetAttributeMinMax", lambda s: s.browse.attribute_range(DB, TABLE, "Density"),
     lambda r: r[0].unit == "kg/m^3" and r[0].min < r[0].max),
    ("GetRecordAttributes", lambda s: s.browse.record_attributes(DB, 1001, include_meta=True),
     lambda r: "Density" in {a.name for a in r if a.has_data} and all(a.record.identity == 1001 for a in r)),
    ("GetSubsets", lambda s: s.browse.subsets(DB, TABLE), lambda r: r and isinstance(r[0].subset, t.SubsetRef)),
    ("GetUnitSystems", lambda s: s.browse.unit_systems(DB), lambda r: "Imperial" in r.unit_systems),
    ("GetCurrencies", lambda s: s.browse.currencies(), lambda r: "USD" in [c.code for c in r]),
    ("GetUnitConversions", lambda s: s.browse.unit_conversions(DB, "MPa", unit_systems=["Imperial"]),
     lambda r: r.unit_systems[0].unit_system == "Imperial" and r.unit_systems[0].conversions[0].source == "MPa"),
    ("GetUnits", lambda s: s.browse.units(DB), lambda r: "kg/m^3" in [u.symbol for u in r[DB]]),
    ("GetRootNode", lambda s: s.browse.root_node(DB, TABLE), lambda r: r.name == TABLE and r.type == "Folder"),
    ("GetChildNodes", lambda s: s.browse.child_nodes(DB, s.browse.root_node(DB, TABLE), recurse=True, max_depth=2),
     lambda r: any(c.children for c in r)),
    ("GetTreeRecords", lambda s: s.browse.tree_records(DB, [1001]), lambda r: r[0].short_name == "DS-18"),
    ("GetRecordLinkGroups", lambda s: s.browse.link_groups(DB), lambda r: r and r[0].reference.identity > 0),
    ("GetRecordVersions", lambda s: s.browse.record_versions(DB, 1001, select="AllReleased"),
     lambda r: r[0].record.identity == 1001 and r[0].state),
    ("GetLinkedRecords", lambda s: s.browse.linked_records(DB, [1001]),
     lambda r: r[0].record.identity == 1001 and any(g.records for g in r[0].groups)),
    ("GetAttributeParameters", lambda s: s.browse.attribute_parameters(DB, TABLE, "Stress-strain curve"),
     lambda r: {"Strain"} <= {p.name for p in r}),
    ("GetParameterDetails", lambda s: s.browse.parameter_details(DB, ["Temperature", "Strain"]),
     lambda r: [p.name for p in r] == ["Temperature", "Strain"]),
    ("GetMetaAttributes", lambda s: s.browse.meta_attributes(DB, TABLE, "Density"),
     lambda r: r[0].attribute is not None),
    ("SimpleTextSearch", lambda s: s.search.text(DB, "steel", tables=[TABLE]),
     lambda r: {h.short_name for h in r} >= {"DS-18", "DS-22"}),
    ("CriteriaSearch", lambda s: s.search.criteria(DB, ["Yield strength > 200 MPa"]),
     lambda r: r and all(isinstance(h.record, t.RecordRef) for h in r)),
    ("RecordNameSearch", lambda s: s.search.record_name(DB, TABLE, "Dorsa steel*"),
     lambda r: {h.short_name for h in r} == {"DS-18", "DS-22"}),
    ("GetRecordAttributesByRef", lambda s: s.data.values(DB, [1001], ["Density"], table=TABLE),
     lambda r: r[0].value("Density").points[0].value > 7000),
    ("GetUploadAddresses", lambda s: s.data_import.upload_addresses(DB, 1001, "Datasheet", table=TABLE),
     lambda r: r[0].addresses[0].url.startswith("http")),
    ("GetAvailableExporters", lambda s: s.engineering.exporters(DB),
     lambda r: "sheetwise.csv.v2" in [e.key for e in r]),
    ("ExportRecordData", lambda s: s.engineering.export(DB, "sheetwise.csv.v2", [1001]),
     lambda r: isinstance(r, str) and "DS-18" in r),
    ("GetExporterParameters", lambda s: s.engineering.exporter_parameters(DB, "strata.card.v3", [1001]),
     lambda r: r[0].record.identity == 1001 and r[0].attributes),
    ("ExportersForRecords", lambda s: s.engineering.exporters_for_records(DB, [1001]),
     lambda r: r[0].exporters and r[0].exporters[0].population),
]


@pytest.mark.parametrize("name,call,check", READS, ids=[row[0] for row in READS])
def test_read_operation(reader, name, call, check):
    result = call(reader)
    assert check(result), repr(result)
    repr(result)  # every result prints


def test_import_then_search_finds_the_new_record(dorsa_session):
    data = {"database": DB, "table": TABLE, "records": [
        {"mode": "create", "parent": 1110, "name": "Dorsa steel DS-40, trial melt",
         "values": {"Number of tests": 3,
                    "Density": {"type": "point", "unit": "kg/m^3", "points": [{"value": 7850}]}}}]}
    imported = dorsa_session.data_import.set_records(data)
    assert imported[0].name == "Dorsa steel DS-40, trial melt"
    hits = dorsa_session.search.record_name(DB, TABLE, "Dorsa steel DS-40*")
    assert [h.record.identity for h in hits] == [imported[0].record.identity]
    assert dorsa_session.data.values(DB, hits, ["Density"], table=TABLE)[0].value("Density").points[0].value == 7850


@pytest.mark.parametrize("change", [{"link": [(1004, 3003, "second source")]}, {"link_all": ([1004], [3003])}],
                         ids=["link", "link all combinations"])
def test_modify_links_adds_a_link(dorsa_session, change):
    changes = dorsa_session.data_import.modify_links(DB, 61, **change)
    assert [(c.record.record.identity, [x.record.identity for x in c.targets]) for c in changes.linked] == \
        [(1004, [3003])]


@pytest.mark.parametrize("call,error", [
    (lambda s: s.data.values(DB, [True], ["Density"]), TypeError),
    (lambda s: s.data.values(DB, [0], ["Density"]), ValueError),
    (lambda s: s.search.criteria(DB, "Density >"), ValueError),
    (lambda s: s.browse.tables(DB, filter="NoSuchFilter"), ValueError),
    (lambda s: s.data_import.set_records({"records": "none"}), ValueError),
    (lambda s: s.data.values(DB, [1001], batch_size=0), ValueError),
], ids=["bool record", "record 0", "bad criterion", "bad filter", "bad import data", "batch size 0"])
def test_bad_arguments_raise_before_sending(reader, call, error):
    with pytest.raises(error):
        call(reader)


def test_results_are_read_only_and_feed_later_calls(reader):
    table = reader.browse.tables(DB, selectors=["NonMetaAttributes"])[0]
    with pytest.raises(AttributeError):
        table.table.name = "other"
    density = next(a for a in table.attributes if a.name == "Density")
    hits = reader.search.text(DB, "steel", tables=[table])
    values = reader.data.values(DB, hits, [density])
    assert [v.record.identity for v in values] == [h.record.identity for h in hits]


class _KeepsTheRequest(http.server.BaseHTTPRequestHandler):
    """Keeps each request's body and answers with an export's text."""
    bodies = []
    reply = (b'<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body>'
             b'<text>exported</text></s:Body></s:Envelope>')

    def do_POST(self):
        self.bodies.append(self.rfile.read(int(self.headers["Content-Length"])).decode())
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(self.reply)))
        self.end_headers()
        self.wfile.write(self.reply)

    def log_message(self, *_):
        pass


def test_export_sends_the_exporters_parameter_values():
    # The emulator takes no parameter values, so the request is read off the wire here.
    with http.server.ThreadingHTTPServer(("127.0.0.1", 0), _KeepsTheRequest) as server:
        threading.Thread(target=server.serve_forever, daemon=True).start()
        session = dorsa.Session(f"http://127.0.0.1:{server.server_port}")
        text = session.engineering.export(DB, "tabular-text", [1001],
                                          parameters={"Temperature": (20, "°C"), 7: "Longitudinal"})
        server.shutdown()
    assert text == "exported"
    body = _KeepsTheRequest.bodies[-1]
    sent = body[body.index("<eng:parameterValues>"):body.index("</eng:parameterValues>")]
    assert sent == (
        "<eng:parameterValues><eng:parameterValue><zbt:Parameter><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey>"
        "<zbt:name>Temperature</zbt:name></zbt:Parameter>"
        "<zbt:ParameterValue xsi:type=\"zbt:NumericParameterValue\"><zbt:Value>2.00000000000000000e+01</zbt:Value>"
        "</zbt:ParameterValue><zbt:UnitSymbol>°C</zbt:UnitSymbol></eng:parameterValue>"
        "<eng:parameterValue><zbt:Parameter><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey>"
        "<zbt:parameterIdentity>7</zbt:parameterIdentity></zbt:Parameter>"
        "<zbt:ParameterValue xsi:type=\"zbt:DiscreteParameterValue\"><zbt:Value>Longitudinal</zbt:Value>"
        "</zbt:ParameterValue></eng:parameterValue>")
    with pytest.raises(TypeError):
        session.engineering.export(DB, "tabular-text", [1001], parameters={"Temperature": True})
