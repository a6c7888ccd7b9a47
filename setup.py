"""Builds the koru Python module with CMake, for pip install --no-build-isolation .

Needs cmake, a C++17 compiler and pybind11 (Debian: cmake, g++, pybind11-dev,
python3-dev). KORU_CMAKE_ARGS adds arguments to the configure step.
"""

import os
import pathlib
import shlex
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    """Builds the module's CMake target into the place setuptools installs from."""

    def build_extension(self, ext):
        module = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve()
        tree = pathlib.Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(tree),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DKORU_BUILD_PYTHON=ON", "-DKORU_BUILD_TESTS=OFF",
            "-DKORU_BUILD_TOOLS=OFF", "-DKORU_BUILD_EXAMPLES=OFF",
            f"-DPython_EXECUTABLE={sys.executable}",
            f"-DCMAKE_LIBRARY_OUTPUT_DIRECTORY={module.parent}",
        ] + shlex.split(os.environ.get("KORU_CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(tree), "--target", "koru_python", "-j", str(os.cpu_count() or 2)],
                       check=True)


setup(
    ext_modules=[Extension("koru", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
