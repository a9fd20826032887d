"""The bundled emulator as a process on a free port, for the tests that talk to it, and its
sample data with changes, for the tests of its checks.

DORSA_EMULATOR may name the emulator script; by default the one of this source tree is used."""

import copy
import json
import os
import subprocess
import sys

EMULATOR = os.environ.get("DORSA_EMULATOR", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                                         "tools", "emulator", "dorsa_emulator.py"))
SAMPLE_DATA = os.path.join(os.path.dirname(EMULATOR), "sample_data.json")
DELETE = object()  # for changed(): the item is removed


class EmulatorProcess:
    """Starts `emulator` (the script, or a command such as an installed dorsa-emulator) with
    `arguments` and learns its base URL from its first line."""

    def __init__(self, emulator, *arguments):
        launcher = [sys.executable, emulator] if emulator.endswith(".py") else [emulator]
        self.process = subprocess.Popen([*launcher, "--port", "0", *arguments],
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        line = self.process.stdout.readline()
        if "listening on" not in line:
            self.stop()
            raise RuntimeError("emulator did not start: " + line)
        self.url = line.split()[-1]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()


def sample_data():
    with open(SAMPLE_DATA, encoding="utf-8") as sample:
        return json.load(sample)


def changed(data, path, value):
    """A copy of `data` with the item at `path` (keys and indexes) set to `value`, removed when
    `value` is DELETE, appended when `path` ends just past the end of a list."""
    data = copy.deepcopy(data)
    parent = data
    for step in path[:-1]:
        parent = parent[step]
    if value is DELETE:
        del parent[path[-1]]
    elif isinstance(parent, list) and path[-1] == len(parent):
        parent.append(value)
    else:
        parent[path[-1]] = value
    return data
