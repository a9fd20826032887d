"""Installs the built library into a temporary prefix and uses it from outside.

A host project (this folder) finds it with find_package, builds and runs; pkg-config
gives flags that compile and link the same host; the installed dorsa tool finds its
library through its RPATH, and the dorsa-emulator wrapper serves it.

Run by CTest with DORSA_BUILD_DIR, DORSA_HOST_PROJECT, DORSA_CMAKE and DORSA_CXX in the
environment."""

import glob
import os
import re
import shlex
import subprocess
import tempfile
import unittest

BUILD_DIR = os.environ["DORSA_BUILD_DIR"]
HOST_PROJECT = os.environ["DORSA_HOST_PROJECT"]
CMAKE = os.environ["DORSA_CMAKE"]
CXX = os.environ["DORSA_CXX"]


def run(command, **options):
    """Runs a command with a clean library path, so only RPATHs and prefixes count."""
    env = {key: value for key, value in os.environ.items() if key != "LD_LIBRARY_PATH"}
    env.update(options.pop("env", {}))
    result = subprocess.run(command, capture_output=True, text=True, timeout=240, env=env, **options)
    if result.returncode != 0:
        raise AssertionError(f"{shlex.join(command)} exited with {result.returncode}:\n{result.stdout}\n{result.stderr}")
    return result.stdout


class InstallTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="dorsa-install-")
        cls.prefix = os.path.join(cls.scratch.name, "prefix")
        run([CMAKE, "--install", BUILD_DIR, "--prefix", cls.prefix])
        pc_files = glob.glob(os.path.join(cls.prefix, "**", "pkgconfig", "dorsa-service-layer.pc"), recursive=True)
        if len(pc_files) != 1:
            raise AssertionError(f"expected one dorsa-service-layer.pc, found {pc_files}")
        cls.pkgconfig_dir = os.path.dirname(pc_files[0])
        cls.libdir = os.path.dirname(cls.pkgconfig_dir)
        with open(os.path.join(cls.prefix, "include", "dorsa", "Version.h"), encoding="utf-8") as header:
            cls.version = re.search(r'#define DORSA_VERSION_STRING "([^"]+)"', header.read()).group(1)
        cls.greeting = f"Dorsa Service Layer {cls.version}, a session for http://localhost:8080/dorsa"

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_a_cmake_host_finds_the_package(self):
        build = os.path.join(self.scratch.name, "cmake-host")
        run([CMAKE, "-S", HOST_PROJECT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
             f"-DCMAKE_CXX_COMPILER={CXX}", f"-DCMAKE_PREFIX_PATH={self.prefix}"])
        run([CMAKE, "--build", build])
        self.assertEqual(run([os.path.join(build, "install_host")]).strip(), self.greeting)

    def test_pkg_config_gives_flags_that_build_a_host(self):
        flags = run(["pkg-config", "--cflags", "--libs", "dorsa-service-layer"],
                    env={"PKG_CONFIG_PATH": self.pkgconfig_dir}).split()
        self.assertIn("-lDorsaServiceLayer", flags)
        includes = [os.path.realpath(flag[2:]) for flag in flags if flag.startswith("-I")]
        self.assertIn(os.path.realpath(os.path.join(self.prefix, "include")), includes)
        host = os.path.join(self.scratch.name, "pkg-config-host")
        run([CXX, "-std=c++17", os.path.join(HOST_PROJECT, "main.cpp"), "-o", host, *flags])
        self.assertEqual(run([host], env={"LD_LIBRARY_PATH": self.libdir}).strip(), self.greeting)

    def test_the_installed_tool_finds_its_library(self):
        self.assertIn("databases", run([os.path.join(self.prefix, "bin", "dorsa"), "--help"]))

    def test_the_emulator_wrapper_serves_the_installed_tool(self):
        emulator = subprocess.Popen([os.path.join(self.prefix, "bin", "dorsa-emulator"), "--port", "0"],
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        try:
            line = emulator.stdout.readline()
            self.assertIn("listening on", line)
            listing = run([os.path.join(self.prefix, "bin", "dorsa"), "--url", line.split()[-1], "databases"])
            self.assertIn("DORSA_SAMPLES", listing)
        finally:
            emulator.terminate()
            emulator.wait(timeout=10)
            emulator.stdout.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
