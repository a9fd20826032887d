"""Writes the emulator's list of operations (name -> [service, request element or null]) as a
C++ header, so that the catalogue test reads it without running Python where it runs.
Usage: write_emulator_operations.py EMULATOR_DIR HEADER"""

import json
import os
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, sys.argv[1])
import operations  # noqa: E402  (the emulator's folder is on the path only now)

listed = {name: [row.service, row.request_element] for name, row in operations.OPERATIONS.items()}
os.makedirs(os.path.dirname(sys.argv[2]), exist_ok=True)
with open(sys.argv[2], "w", encoding="utf-8") as header:
    header.write("// Written at build time from the emulator's operations.py.\n#pragma once\n\n")
    header.write('constexpr char s_emulatorOperations[] = R"json(%s)json";\n' % json.dumps(listed))
