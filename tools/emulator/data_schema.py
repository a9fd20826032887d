#!/usr/bin/env python3
"""The JSON Schema of the emulator's data file, derived from the shapes data_file.py checks,
so the published schema can never drift from what the emulator accepts.

    python3 tools/emulator/data_schema.py > tools/emulator/data.schema.json

What the shapes cannot say (identities that must exist, values that must fit their
attribute) data_file.py checks after them; the schema's description says so."""

import json
import sys

import data_file
from data_file import Fields, ListOf, MapOf, OneOf, Row

PLAIN_TYPES = {str: "string", int: "integer", float: "number", bool: "boolean"}


def _plain(kinds):
    names = [PLAIN_TYPES[kind] for kind in (kinds if isinstance(kinds, tuple) else (kinds,))]
    # "number" already takes every integer.
    if "number" in names and "integer" in names:
        names.remove("integer")
    return {"type": names[0] if len(names) == 1 else names}


def _fields(shape):
    properties = {key: schema(item) for key, item in {**shape.required, **shape.optional}.items()}
    # Values and the parts of values carry more keys than the shape names: their type says which.
    return {"type": "object", "required": list(shape.required), "properties": properties}


BUILDERS = {
    Fields: _fields,
    ListOf: lambda shape: {"type": "array", "items": schema(shape.item)},
    MapOf: lambda shape: {"type": "object", "additionalProperties": schema(shape.value)},
    Row: lambda shape: {"type": "array", "prefixItems": [schema(item) for item in shape.items],
                        "minItems": len(shape.items), "maxItems": len(shape.items)},
    OneOf: lambda shape: {"type": "string", "enum": sorted(shape.choices)},
}


def schema(shape):
    """The JSON Schema (2020-12) of one shape."""
    builder = BUILDERS.get(type(shape))
    return builder(shape) if builder else _plain(shape)


def data_file_schema():
    document = {"$schema": "https://json-schema.org/draft/2020-12/schema",
                "title": "Dorsa emulator data file",
                "description": "The data the emulator serves (--data) and keeps (--state). Beyond this schema the "
                               "emulator checks that the identities one part names exist."}
    document.update(schema(data_file.DATA_FILE))
    return document


if __name__ == "__main__":
    json.dump(data_file_schema(), sys.stdout, indent=2, ensure_ascii=False)
    sys.stdout.write("\n")
