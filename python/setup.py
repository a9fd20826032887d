"""Builds the dorsa package: CMake builds the library and the extension module from this
source tree (pybind11, libcurl and RapidXML from Debian's packages), and the shared library
is placed beside the module, which finds it there."""
import glob
import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext
from setuptools.command.build_py import build_py

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
EMULATOR = os.path.join(ROOT, "tools", "emulator")


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        package = os.path.dirname(os.path.abspath(self.get_ext_fullpath(ext.name)))
        build = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        subprocess.run(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DDORSA_BUILD_PYTHON=ON",
                        "-DDORSA_BUILD_TESTS=OFF", "-DDORSA_BUILD_TOOLS=OFF", "-DDORSA_BUILD_EXAMPLES=OFF",
                        "-DDORSA_BUILD_BENCHMARKS=OFF", "-DPython3_EXECUTABLE=" + sys.executable,
                        "-DDORSA_PYTHON_RPATH=$ORIGIN"], check=True)
        subprocess.run(["cmake", "--build", build, "--target", "_dorsa", "-j", os.environ.get("DORSA_BUILD_JOBS", "2")],
                       check=True)
        os.makedirs(package, exist_ok=True)
        for module in glob.glob(os.path.join(build, "python", "package", "dorsa", "_dorsa*.so")):
            shutil.copy2(module, package)
        # The module's RPATH is $ORIGIN: the library goes beside it under its SONAME.
        shutil.copy2(os.path.realpath(os.path.join(build, "libDorsaServiceLayer.so.0")),
                     os.path.join(package, "libDorsaServiceLayer.so.0"))


class WithEmulator(build_py):
    """Ships the emulator, which dorsa.testing starts, inside the package."""

    def run(self):
        super().run()
        target = os.path.join(self.build_lib, "dorsa", "testing", "emulator")
        os.makedirs(target, exist_ok=True)
        for name in glob.glob(os.path.join(EMULATOR, "*.py")) + glob.glob(os.path.join(EMULATOR, "*.json")):
            shutil.copy2(name, target)


setup(
    packages=["dorsa", "dorsa.testing"],
    package_data={"dorsa": ["*.pyi", "py.typed"]},
    ext_modules=[Extension("dorsa._dorsa", sources=[])],
    cmdclass={"build_ext": CMakeBuild, "build_py": WithEmulator},
)
