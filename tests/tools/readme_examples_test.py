"""Every example command of the README's tables runs against the bundled emulator.

The tables promise that each example works on the emulator's sample data as written; this
keeps them honest when commands or sample data change. DORSA_TOOL names the tool,
DORSA_EMULATOR the emulator script. DORSA_TOOL_LAUNCHER, when set, is the command line the
tool runs under (wine, for the Windows build); DORSA_REFERENCE_TOOL, when set, names a
second build of the tool whose output, exit code and written files each example must
match byte for byte, but for the GUIDs of imported records (the Linux build, for the Windows one)."""

import os
import re
import shlex
import subprocess
import tempfile
import unittest

from emulator_process import EmulatorProcess

TOOL = os.environ["DORSA_TOOL"]
EMULATOR = os.environ["DORSA_EMULATOR"]
LAUNCHER = shlex.split(os.environ.get("DORSA_TOOL_LAUNCHER", ""))
REFERENCE = os.environ.get("DORSA_REFERENCE_TOOL")
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
# A GUID: the emulator gives each imported record a new one, so runs differ there.
GUID = re.compile(r"[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}")
# The last cell of a table row, when it is one piece of code: the example.
EXAMPLE = re.compile(r"^\|.*\|\s*`([^`]+)`\s*\|\s*$")


def examples():
    """The example of each row of the README's tables, in order."""
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as readme:
        return [match.group(1) for match in map(EXAMPLE.match, readme) if match]


def run_examples(tool, commands):
    """Runs the examples in order against an emulator of their own (imports change what it
    serves): for each, the completed process and the files of the working folder after it,
    with the emulator's address in the output replaced by URL."""
    emulator = EmulatorProcess(EMULATOR)
    work = tempfile.TemporaryDirectory()
    try:
        outcomes = []
        for command in commands:
            # Paths in the examples are relative to the source tree; output files land in `work`.
            arguments = [os.path.join(ROOT, word) if word.startswith("examples/") else word
                         for word in shlex.split(command)]
            result = subprocess.run([*tool, "--url", emulator.url, *arguments], cwd=work.name,
                                    capture_output=True, timeout=60, stdin=subprocess.DEVNULL)
            result.stdout = result.stdout.replace(emulator.url.encode(), b"URL")
            files = {}
            for name in sorted(os.listdir(work.name)):
                with open(os.path.join(work.name, name), "rb") as written:
                    files[name] = written.read()
            outcomes.append((result, files))
        return outcomes
    finally:
        emulator.stop()
        work.cleanup()


class ReadmeExamples(unittest.TestCase):
    def test_every_example_succeeds(self):
        commands = examples()
        # Both tables: the thirty operations, and the tool's commands.
        self.assertGreaterEqual(len(commands), 50)
        outcomes = run_examples([*LAUNCHER, TOOL], commands)
        expected = run_examples([REFERENCE], commands) if REFERENCE else [None] * len(commands)
        for command, (result, files), reference in zip(commands, outcomes, expected):
            with self.subTest(command=command):
                self.assertEqual(result.returncode, 0, result.stderr.decode("utf-8", "replace"))
                self.assertTrue(result.stdout or files, "printed nothing")
                if reference:
                    self.assertEqual(GUID.sub("GUID", result.stdout.decode("utf-8")),
                                     GUID.sub("GUID", reference[0].stdout.decode("utf-8")))
                    self.assertEqual(files, reference[1])


if __name__ == "__main__":
    unittest.main(verbosity=2)
