#!/usr/bin/env python3
"""The JSON Schema of the emulator's data file, derived from the shapes data_file.py checks,
so the published schema can never drift from what the emulator accepts.

    python3 tools/emulator/data_schema.py > tools/emulator/data.schema.json

A shape met in more than one place is written once, under "$defs", with the name data_file.py
gives it (a kind of a tagged shape: the name of its kind), and referred to from each place.

What the shapes cannot say (identities that must exist, values that must fit their
attribute, the parts of a value that must fit together) data_file.py checks after them;
the schema's description says so."""

import json
import sys
from collections import Counter

import data_file
from data_file import Fields, ListOf, MapOf, Nullable, OneOf, Row, Tagged

PLAIN_TYPES = {str: "string", int: "integer", float: "number", bool: "boolean"}


def _plain(kinds):
    names = [PLAIN_TYPES[kind] for kind in (kinds if isinstance(kinds, tuple) else (kinds,))]
    # "number" already takes every integer.
    if "number" in names and "integer" in names:
        names.remove("integer")
    return {"type": names[0] if len(names) == 1 else names}


def _parts(shape):
    """The shapes directly inside `shape`."""
    if isinstance(shape, Fields):
        return [*shape.required.values(), *shape.optional.values()]
    if isinstance(shape, (ListOf, Nullable)):
        return [shape.item if isinstance(shape, ListOf) else shape.shape]
    if isinstance(shape, MapOf):
        return [shape.value]
    if isinstance(shape, Row):
        return list(shape.items)
    if isinstance(shape, Tagged):
        return list(shape.kinds.values())
    return []


WRITERS = (Fields, ListOf, MapOf, Row, OneOf, Nullable, Tagged)


class SchemaWriter:
    def __init__(self, top):
        self.names = {id(s): n for n, s in vars(data_file).items() if n.isupper() and isinstance(s, WRITERS)}
        for tagged in [s for s in vars(data_file).values() if isinstance(s, Tagged)]:
            for kind, shape in tagged.kinds.items():
                self.names.setdefault(id(shape), kind)
        self.uses = Counter()
        self._count(top)
        self.definitions = {}

    def _count(self, shape):
        self.uses[id(shape)] += 1
        if self.uses[id(shape)] == 1:
            for part in _parts(shape):
                self._count(part)

    def schema(self, shape):
        """The JSON Schema (2020-12) of one shape, or a reference to its definition."""
        name = self.names.get(id(shape))
        if name is None or self.uses[id(shape)] < 2:
            return self.written(shape)
        if name not in self.definitions:
            self.definitions[name] = None  # taken before writing it, for shapes inside that name it again
            self.definitions[name] = self.written(shape)
        return {"$ref": f"#/$defs/{name}"}

    def written(self, shape):
        """The JSON Schema of `shape` itself, its parts referred to as schema() says."""
        if isinstance(shape, Fields):
            properties = {key: self.schema(item) for key, item in {**shape.required, **shape.optional}.items()}
            # Values and the parts of values carry more keys than the shape names: their type says which.
            return {"type": "object", "required": list(shape.required), "properties": properties}
        if isinstance(shape, Tagged):
            # The tag picks the shape of the rest: one if/then per kind.
            return {"type": "object", "required": [shape.tag],
                    "properties": {shape.tag: {"type": "string", "enum": sorted(shape.kinds)}},
                    "allOf": [{"if": {"properties": {shape.tag: {"const": kind}}},
                               "then": self.schema(shape.kinds[kind])} for kind in sorted(shape.kinds)]}
        if isinstance(shape, ListOf):
            return {"type": "array", "items": self.schema(shape.item)}
        if isinstance(shape, MapOf):
            return {"type": "object", "additionalProperties": self.schema(shape.value)}
        if isinstance(shape, Row):
            return {"type": "array", "prefixItems": [self.schema(item) for item in shape.items],
                    "minItems": len(shape.items), "maxItems": len(shape.items)}
        if isinstance(shape, OneOf):
            return {"type": "string", "enum": sorted(shape.choices)}
        if isinstance(shape, Nullable):
            return {"anyOf": [{"type": "null"}, self.schema(shape.shape)]}
        return _plain(shape)


def data_file_schema():
    document = {"$schema": "https://json-schema.org/draft/2020-12/schema",
                "title": "Dorsa emulator data file",
                "description": "The data the emulator serves (--data) and keeps (--state). Beyond this schema the "
                               "emulator checks that the identities one part names exist and that the parts of "
                               "a value fit together."}
    writer = SchemaWriter(data_file.DATA_FILE)
    document.update(writer.written(data_file.DATA_FILE))
    document["$defs"] = dict(sorted(writer.definitions.items()))
    return document


if __name__ == "__main__":
    json.dump(data_file_schema(), sys.stdout, indent=2, ensure_ascii=False)
    sys.stdout.write("\n")
