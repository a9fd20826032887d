"""Reading and checking the data file the emulator serves.

The layout is written down once, as data, in the shape the emulator's handlers read it;
load() refuses a file that does not fit, naming the first place that does not, so that a
broken file stops the emulator at start instead of failing every call."""

import json

from catalogue import TABLE_FILTERS
from values import ATTRIBUTE_ELEMENTS


class DataFileError(Exception):
    """The data file cannot be served; the message says where and why."""


class Fields:
    """A JSON object with keys that must be there and keys that may be."""

    def __init__(self, required, optional=None):
        self.required = required
        self.optional = optional or {}


class ListOf:
    """A JSON array, every item of one shape."""

    def __init__(self, item):
        self.item = item


class MapOf:
    """A JSON object with keys of any name and values of one shape."""

    def __init__(self, value):
        self.value = value


class Row:
    """A JSON array of a fixed length, one shape per position."""

    def __init__(self, *items):
        self.items = items


class OneOf:
    """A string out of a fixed set."""

    def __init__(self, choices):
        self.choices = set(choices)


NUMBER = (int, float)

UNIT = Fields({"symbol": str, "hasCurrency": bool})
CURRENCY = Fields({"code": str, "name": str, "factor": NUMBER})
# source symbol, target symbol, factor, offset
CONVERSION = Row(str, str, NUMBER, NUMBER)
ATTRIBUTE = Fields({"id": int, "name": str}, {"meta": bool})
SUBSET = Fields({"id": int, "name": str})
VALUE = Fields({"type": OneOf(ATTRIBUTE_ELEMENTS)})
RECORD = Fields({"identity": int, "name": str,
                 "attributes": ListOf(Fields({"id": int, "name": str, "value": VALUE}))})
TABLE = Fields({"id": int, "guid": str, "name": str, "filters": ListOf(OneOf(TABLE_FILTERS)),
                "attributes": ListOf(ATTRIBUTE), "standardAttributes": ListOf(str), "subsets": ListOf(SUBSET)},
               {"records": ListOf(RECORD)})
DATABASE = Fields({"key": str, "volumeName": str, "tables": ListOf(TABLE), "unitSystems": ListOf(str),
                   "units": ListOf(UNIT), "conversions": MapOf(ListOf(CONVERSION))})
DATA_FILE = Fields({"databases": ListOf(DATABASE)}, {"currencies": ListOf(CURRENCY)})

JSON_TYPES = {str: "a string", int: "an integer", float: "a number", bool: "true or false", list: "an array",
              dict: "an object", type(None): "null"}


def _describe(kinds):
    return " or ".join(JSON_TYPES[kind] for kind in (kinds if isinstance(kinds, tuple) else (kinds,)))


def _where(path):
    return path or "the top level"


def _expect_type(value, kinds, path):
    # JSON true and false are no integers, whatever Python says.
    wrong_bool = isinstance(value, bool) and bool not in (kinds if isinstance(kinds, tuple) else (kinds,))
    if wrong_bool or not isinstance(value, kinds):
        raise DataFileError(f"{_where(path)} is {_describe(type(value))}, expected {_describe(kinds)}")


def _check_fields(value, shape, path):
    _expect_type(value, dict, path)
    for key, item_shape in shape.required.items():
        if key not in value:
            raise DataFileError(f"{_where(path)} has no '{key}'")
        check(value[key], item_shape, f"{path}.{key}" if path else key)
    for key, item_shape in shape.optional.items():
        if key in value:
            check(value[key], item_shape, f"{path}.{key}" if path else key)


def _check_list(value, shape, path):
    _expect_type(value, list, path)
    for index, item in enumerate(value):
        check(item, shape.item, f"{path}[{index}]")


def _check_map(value, shape, path):
    _expect_type(value, dict, path)
    for key, item in value.items():
        check(item, shape.value, f"{path}[{key!r}]")


def _check_row(value, shape, path):
    _expect_type(value, list, path)
    if len(value) != len(shape.items):
        raise DataFileError(f"{path} has {len(value)} items, expected {len(shape.items)}")
    for index, (item, item_shape) in enumerate(zip(value, shape.items)):
        check(item, item_shape, f"{path}[{index}]")


def _check_choice(value, shape, path):
    _expect_type(value, str, path)
    if value not in shape.choices:
        raise DataFileError(f"{path} is '{value}', expected one of {', '.join(sorted(shape.choices))}")


CHECKS = {Fields: _check_fields, ListOf: _check_list, MapOf: _check_map, Row: _check_row, OneOf: _check_choice}


def check(value, shape, path=""):
    """Raises DataFileError unless `value` has `shape`; `path` names `value` in the messages."""
    checker = CHECKS.get(type(shape))
    if checker is None:
        _expect_type(value, shape, path)
    else:
        checker(value, shape, path)


def load(path):
    """The data in the file at `path`, checked; raises DataFileError."""
    try:
        with open(path, encoding="utf-8") as data_file:
            data = json.load(data_file)
    except OSError as error:
        raise DataFileError(f"cannot read it: {error.strerror}") from error
    except ValueError as error:
        raise DataFileError(f"not JSON: {error}") from error
    check(data, DATA_FILE)
    return data


def load_or_exit(parser, path):
    """The data in the file at `path`, checked; ends the program through `parser` when it cannot be served."""
    try:
        return load(path)
    except DataFileError as error:
        parser.exit(2, f"{parser.prog}: sample data {path}: {error}\n")
