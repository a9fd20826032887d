#!/usr/bin/env python3
"""Writes every attribute value of the sample records in the server's XML forms, one
"record" element per record, for tests and benchmarks to read as fixtures."""

import argparse
import os
import sys

import data_file
from soap import SCHEMA_INSTANCE, element
from values import render_attribute


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", default=os.path.join(here, "sample_data.json"))
    parser.add_argument("--output", help="file to write (default: standard output)")
    options = parser.parse_args()
    data = data_file.load_or_exit(parser, options.data)
    records = []
    for database in data["databases"]:
        for table in database["tables"]:
            for record in table.get("records", []):
                records.append(element("record", *[render_attribute(a) for a in record["attributes"]],
                                       dbKey=database["key"], identity=record["identity"], name=record["name"]))
    document = '<?xml version="1.0" encoding="UTF-8"?>\n' + element("records", *records, xmlns__xsi=SCHEMA_INSTANCE) + "\n"
    if options.output:
        with open(options.output, "w", encoding="utf-8") as output:
            output.write(document)
    else:
        sys.stdout.write(document)
    return 0


if __name__ == "__main__":
    sys.exit(main())
