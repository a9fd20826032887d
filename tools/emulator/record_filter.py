"""Record filters: the subsets a filter of a request lets through."""

from attributes import integer
from soap import Fault


def allowed_subsets(request, catalogue, element):
    """The identities of the subsets a filter lets through, per database key; None for no filter."""
    if element is None or not len(element):
        return None
    profile = request.base(element, "Profile")
    if profile is not None:
        key = request.text(request.base(profile, "Key"))
        allowed = {}
        for database in catalogue.databases:
            for candidate in database.get("profiles", []):
                if candidate["key"] == key:
                    allowed[database["key"]] = set(candidate["subsets"])
        if not allowed:
            raise Fault(f"Unknown profile: {key}")
        return allowed
    allowed = {}
    for reference in request.base_all(request.base(element, "subsetReferences"), "subset"):
        database = catalogue.database(request.text(request.base(reference, "dbKey")))
        identity = integer(request.text(request.base(reference, "subsetIdentity"), "0"), "Subset identity")
        name = request.base(reference, "name")
        subset_name = request.text(request.base(name, "subsetName"))
        table = request.base(name, "table")
        table_name = request.text(request.base(table, "tableName"))
        match = [s["id"] for t in database["tables"] for s in t["subsets"]
                 if (identity and s["id"] == identity) or
                 (not identity and s["name"] == subset_name and table_name in ("", t["name"]))]
        if not match:
            raise Fault(f"Unknown subset {identity or repr(subset_name)} in database {database['key']}")
        allowed.setdefault(database["key"], set()).update(match)
    return allowed
