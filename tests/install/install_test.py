"""Follows the README's host section as written, on this machine.

Its code blocks are run as they stand, with HOME pointing at a scratch folder and the
emulator's URL for http://127.0.0.1:8080/dorsa: the library is installed into $HOME/dorsa, the
README's host (which must be examples/first_host.cpp, word for word) is built with its
CMakeLists through find_package and with pkg-config, and each build runs against the installed
dorsa-emulator with no library path set. The installed dorsa tool finds its library through its
RPATH.

Run by CTest with DORSA_BUILD_DIR and DORSA_SOURCE_DIR in the environment."""

import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from emulator_process import EmulatorProcess  # noqa: E402  (found through the path above)

BUILD_DIR = os.environ["DORSA_BUILD_DIR"]
SOURCE_DIR = os.environ["DORSA_SOURCE_DIR"]
README_URL = "http://127.0.0.1:8080/dorsa"
# What the loader and the build tools would otherwise take from the caller's environment.
UNSET = ("LD_LIBRARY_PATH", "PKG_CONFIG_PATH", "CMAKE_PREFIX_PATH")


def host_section():
    """The fenced code blocks of the README's host section, as (language, text) in order."""
    with open(os.path.join(SOURCE_DIR, "README.md"), encoding="utf-8") as readme:
        section = readme.read().split("\n## Using the library from a host\n")[1].split("\n## ")[0]
    return re.findall(r"^```(\w+)\n(.*?)^```$", section, re.MULTILINE | re.DOTALL)


def run_block(block, cwd, home, url=None):
    """Runs a shell block of the README as written, stopping at the first failing command."""
    env = {key: value for key, value in os.environ.items() if key not in UNSET}
    env["HOME"] = home
    script = block.replace(README_URL, url) if url else block
    result = subprocess.run(["bash", "-e", "-c", script], cwd=cwd, env=env, capture_output=True, text=True,
                            timeout=240)
    if result.returncode != 0:
        raise AssertionError(f"{script}exited with {result.returncode}:\n{result.stdout}\n{result.stderr}")
    return result.stdout


class ReadmeHostSection(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="dorsa-install-")
        cls.home = os.path.join(cls.scratch.name, "home")
        cls.prefix = os.path.join(cls.home, "dorsa")
        blocks = host_section()
        cls.code = {language: text for language, text in blocks if language != "sh"}
        cls.commands = [text for language, text in blocks if language == "sh"]
        # The install command names the build folder as seen from the source tree.
        source = os.path.join(cls.scratch.name, "source")
        os.makedirs(source)
        os.makedirs(cls.home)
        os.symlink(BUILD_DIR, os.path.join(source, "build"))
        [install] = [block for block in cls.commands if "cmake --install" in block]
        run_block(install, source, cls.home)
        cls.host = os.path.join(cls.home, "host")
        os.makedirs(cls.host)
        for name, language in (("host.cpp", "cpp"), ("CMakeLists.txt", "cmake")):
            with open(os.path.join(cls.host, name), "w", encoding="utf-8") as file:
                file.write(cls.code[language])
        try:
            cls.emulator = EmulatorProcess(os.path.join(cls.prefix, "bin", "dorsa-emulator"))
        except RuntimeError:
            cls.scratch.cleanup()
            raise
        cls.url = cls.emulator.url

    @classmethod
    def tearDownClass(cls):
        cls.emulator.stop()
        cls.scratch.cleanup()

    def test_the_host_shown_is_the_example_word_for_word(self):
        with open(os.path.join(SOURCE_DIR, "examples", "first_host.cpp"), encoding="utf-8") as example:
            self.assertEqual(self.code["cpp"], example.read())

    def test_each_build_of_the_host_runs_against_the_emulator(self):
        builds = [block for block in self.commands if "cmake --install" not in block]
        self.assertEqual(len(builds), 2)
        for block in builds:
            with self.subTest(block=block.splitlines()[0]):
                output = run_block(block, self.host, self.home, self.url)
                self.assertIn("DORSA_SAMPLES (Materials)\nPOLY_DB (Polymer Datasheets)\n", output)
                self.assertIn("1001: 7900 kg/m^3\n", output)
                self.assertIn("Record,Attribute,Value,Low,High,Unit,Conditions\n", output)

    def test_the_installed_tool_finds_its_library(self):
        env = {key: value for key, value in os.environ.items() if key not in UNSET}
        listing = subprocess.run([os.path.join(self.prefix, "bin", "dorsa"), "--url", self.url, "databases"],
                                 capture_output=True, text=True, timeout=60, env=env)
        self.assertEqual(listing.returncode, 0, listing.stderr)
        self.assertIn("DORSA_SAMPLES", listing.stdout)


if __name__ == "__main__":
    unittest.main(verbosity=2)
