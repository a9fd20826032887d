"""Every example command of the README's tables runs against the bundled emulator.

The tables promise that each example works on the emulator's sample data as written; this
keeps them honest when commands or sample data change. DORSA_TOOL names the tool,
DORSA_EMULATOR the emulator script."""

import os
import re
import shlex
import subprocess
import tempfile
import unittest

from emulator_process import EmulatorProcess

TOOL = os.environ["DORSA_TOOL"]
EMULATOR = os.environ["DORSA_EMULATOR"]
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
# The last cell of a table row, when it is one piece of code: the example.
EXAMPLE = re.compile(r"^\|.*\|\s*`([^`]+)`\s*\|\s*$")


def examples():
    """The example of each row of the README's tables, in order."""
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as readme:
        return [match.group(1) for match in map(EXAMPLE.match, readme) if match]


class ReadmeExamples(unittest.TestCase):
    def test_every_example_succeeds(self):
        commands = examples()
        # Both tables: the thirty operations, and the tool's commands.
        self.assertGreaterEqual(len(commands), 50)
        emulator = EmulatorProcess(EMULATOR)
        self.addCleanup(emulator.stop)
        work = tempfile.TemporaryDirectory()
        self.addCleanup(work.cleanup)
        for command in commands:
            # Paths in the examples are relative to the source tree; output files land in `work`.
            arguments = [os.path.join(ROOT, word) if word.startswith("examples/") else word
                         for word in shlex.split(command)]
            with self.subTest(command=command):
                result = subprocess.run([TOOL, "--url", emulator.url, *arguments], cwd=work.name,
                                        capture_output=True, text=True, timeout=60,
                                        stdin=subprocess.DEVNULL, encoding="utf-8")
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertTrue(result.stdout or os.listdir(work.name), "printed nothing")


if __name__ == "__main__":
    unittest.main(verbosity=2)
