"""Running the built dorsa tool against the emulator, for the tests of its commands.

DORSA_TOOL names the tool, DORSA_EMULATOR the emulator script."""

import json
import os
import subprocess

from soap_posting import EmulatorTestCase, fixture, write_fixture

TOOL = os.environ["DORSA_TOOL"]
# Nothing listens there: whatever is sent fails.
UNREACHABLE = "http://127.0.0.1:9/dorsa"
REWRITE_FIXTURES = os.environ.get("DORSA_REWRITE_FIXTURES") == "1"


def environment(password=None, locale=None):
    """The environment of a run: `password` in DORSA_PASSWORD, which is unset otherwise;
    `locale`, when given, in place of the locale settings."""
    chosen = {name: value for name, value in os.environ.items() if name != "DORSA_PASSWORD"
              and not (locale and (name.startswith("LC_") or name == "LANG"))}
    if password is not None:
        chosen["DORSA_PASSWORD"] = password
    if locale:
        chosen["LC_ALL"] = locale
    return chosen


def dorsa(url, *arguments, password=None, locale=None):
    """Runs the tool with no terminal on stdin, in environment(password, locale)."""
    return subprocess.run([TOOL, "--url", url, *arguments], capture_output=True, text=True, encoding="utf-8",
                          timeout=60, stdin=subprocess.DEVNULL, env=environment(password, locale))


class ToolTestCase(EmulatorTestCase):
    """Cases that run the tool against one emulator, started for their class."""

    maxDiff = None  # a whole output that differs shows every line that does

    def run_tool(self, *arguments, code=0, locale=None):
        """The finished run, which must end with `code`."""
        result = dorsa(self.emulator.url, *arguments, locale=locale)
        self.assertEqual(result.returncode, code, result.stderr)
        return result

    def output(self, *arguments, locale=None):
        """The standard output of a run that succeeds and writes nothing to standard error."""
        result = self.run_tool(*arguments, locale=locale)
        self.assertEqual(result.stderr, "")
        return result.stdout

    def lines(self, *arguments, locale=None):
        return self.output(*arguments, locale=locale).splitlines()

    def assertOutputs(self, cases, locale=None):
        """Each run of (arguments, fixture name) writes exactly the fixture's text, in which {url}
        stands for the emulator's address. With DORSA_REWRITE_FIXTURES=1 the fixtures are written
        from the runs instead, for a deliberate change of output or sample data (review the diff)."""
        for arguments, name in cases:
            with self.subTest(arguments=arguments):
                output = self.output(*arguments, locale=locale)
                if REWRITE_FIXTURES:
                    write_fixture(name, output.replace(self.emulator.url, "{url}"))
                self.assertEqual(output, fixture(name).replace("{url}", self.emulator.url))

    def assertRefused(self, cases):
        """Each run of (arguments, code, message) ends with `code` and writes nothing to standard
        output; unless `message` is None, it is all the run writes to standard error."""
        for arguments, code, message in cases:
            with self.subTest(arguments=arguments):
                result = dorsa(self.emulator.url, *arguments)
                self.assertEqual((result.returncode, result.stdout), (code, ""), result.stderr)
                if message is not None:
                    self.assertEqual(result.stderr, message)

    def json(self, *arguments):
        """What a successful run with --json writes, read; None when it writes nothing."""
        output = self.run_tool("--json", *arguments).stdout
        return json.loads(output) if output.strip() else None
