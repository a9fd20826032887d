"""The database catalogue: databases, tables and subsets of the sample data."""

from soap import Fault

TABLE_FILTERS = [
    "NoFilter", "MaterialsTablesOnly", "ProcessesTablesOnly", "SubstancesTablesOnly", "LegislationsTablesOnly",
    "TransportTypesTablesOnly", "RegionsTablesOnly", "EndOfLifeOptionsTablesOnly",
    "EnergyConversionOptionsTablesOnly", "CoatingsTablesOnly", "PartsTablesOnly", "InHouseTablesOnly",
    "SequenceSpecificationsTablesOnly", "ElementsTablesOnly", "UniverseTablesOnly", "ProducersTablesOnly",
    "ShapeTablesOnly", "ReferenceTablesOnly", "MobileUseTypesTablesOnly",
]
ATTRIBUTE_SELECTORS = ["NonMetaAttributes", "MetaAttributes", "StandardAttributes"]


class Catalogue:
    def __init__(self, data):
        # Kept whole, keys the emulator does not read included, so that what is written back
        # holds everything the data file held.
        self.data = data
        self.databases = data["databases"]
        self.currencies = data.get("currencies", [])
        self.exporters = data.get("exporters", [])

    def as_data(self):
        """The data file as served now: as it was loaded, with the databases as changed since."""
        return {**self.data, "databases": self.databases}

    def database(self, key):
        for database in self.databases:
            if database["key"] == key:
                return database
        raise Fault(f"Unknown database key: {key}")

    def table(self, database, identity=0, guid="", name=""):
        for table in database["tables"]:
            if (identity and table["id"] == identity) or (guid and table["guid"] == guid) or \
                    (name and table["name"] == name):
                return table
        wanted = identity or guid or name
        raise Fault(f"Unknown table {wanted} in database {database['key']}")


def write_table_reference(w, database, table, container="table"):
    return w.own(container,
                 w.base("tableIdentity", text=table["id"]),
                 w.base("tableGUID", text=table["guid"]),
                 w.base("tableName", text=table["name"]),
                 w.base("dbKey", text=database["key"]))


def write_attribute_reference(w, database, table, attribute, standard=False, container="attribute"):
    return w.own(container,
                 w.base("dbKey", text=database["key"]),
                 w.base("attributeIdentity", text=attribute["id"]),
                 w.base("name",
                        w.base("table", w.base("tableName", text=table["name"])),
                        w.base("attributeName", text=attribute["name"]),
                        isStandard="true" if standard else "false"))


def write_subset_reference(w, database, table, subset):
    return w.own("subset",
                 w.base("dbKey", text=database["key"]),
                 w.base("subsetIdentity", text=subset["id"]),
                 w.base("name", w.base("table", w.base("tableName", text=table["name"])),
                        w.base("subsetName", text=subset["name"])))


def get_databases(request, catalogue, w):
    databases = [w.own("database", w.base("dbKey", text=d["key"]), w.base("volumeName", text=d["volumeName"]))
                 for d in catalogue.databases]
    return w.response("GetDatabases", w.own("databaseDetails", *databases))


def get_tables(request, catalogue, w):
    database = catalogue.database(request.text(request.own(request.element, "dbKey")))
    wanted_filter = request.text(request.own(request.element, "tableFilter"), "NoFilter")
    if wanted_filter not in TABLE_FILTERS:
        raise Fault(f"Unknown table filter: {wanted_filter}")
    selectors = [request.text(s) for s in
                 request.own_all(request.own(request.element, "attributeSelectors"), "attributeSelector")]
    for selector in selectors:
        if selector not in ATTRIBUTE_SELECTORS:
            raise Fault(f"Unknown attribute selector: {selector}")
    details = []
    for table in database["tables"]:
        if wanted_filter != "NoFilter" and wanted_filter not in table["filters"]:
            continue
        parts = [write_table_reference(w, database, table)]
        chosen = [a for a in table["attributes"]
                  if ("MetaAttributes" in selectors and a.get("meta")) or
                  ("NonMetaAttributes" in selectors and not a.get("meta"))]
        if chosen:
            parts.append(w.own("attributeReferences",
                               *[write_attribute_reference(w, database, table, a) for a in chosen]))
        if "StandardAttributes" in selectors and table["standardAttributes"]:
            standard = [a for a in table["attributes"] if a["name"] in table["standardAttributes"]]
            parts.append(w.own("standardAttributeReferences",
                               *[write_attribute_reference(w, database, table, a, True) for a in standard]))
        parts.append(w.own("tableFilters", *[w.own("tableFilter", text=f) for f in table["filters"]]))
        details.append(w.own("table", *parts))
    return w.response("GetTables", w.own("tableDetails", *details))


def _table_of(request, catalogue, element):
    database = catalogue.database(request.text(request.base(element, "dbKey")))
    identity = int(request.text(request.base(element, "tableIdentity"), "0"))
    table = catalogue.table(database, identity, request.text(request.base(element, "tableGUID")),
                            request.text(request.base(element, "tableName")))
    return database, table


def _wanted_subsets(request, database, table, references):
    """The subsets of `table` the references name, or all of them when none are given."""
    if not references:
        return table["subsets"]
    chosen = []
    for reference in references:
        identity = int(request.text(request.base(reference, "subsetIdentity"), "0"))
        name = request.text(request.base(request.base(reference, "name"), "subsetName"))
        match = [s for s in table["subsets"] if (identity and s["id"] == identity) or (name and s["name"] == name)]
        if not match:
            raise Fault(f"Unknown subset {identity or name} in table {table['name']}")
        chosen.extend(match)
    return chosen


def get_subsets(request, catalogue, w):
    table_element = request.own(request.element, "table")
    references = request.base_all(request.base(request.element, "subsetReferences"), "subset")
    found = []
    if table_element is not None:
        database, table = _table_of(request, catalogue, table_element)
        found = [(database, table, s) for s in _wanted_subsets(request, database, table, references)]
    else:
        for reference in references:
            database = catalogue.database(request.text(request.base(reference, "dbKey")))
            identity = int(request.text(request.base(reference, "subsetIdentity"), "0"))
            match = [(database, t, s) for t in database["tables"] for s in t["subsets"] if s["id"] == identity]
            if not match:
                raise Fault(f"Unknown subset {identity} in database {database['key']}")
            found.extend(match)
    details = [w.own("subsetDetail", w.own("name", text=s["name"]), write_subset_reference(w, d, t, s),
                     write_table_reference(w, d, t))
               for d, t, s in found]
    return w.response("GetSubsets", w.own("subsetDetails", *details))
