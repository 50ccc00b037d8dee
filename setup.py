"""The Python module of unionbound, built by the project's own CMake: the package's front from
python/unionbound/, its extension _unionbound from the target unionbound_python."""

import importlib.util
import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Command, Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).parent.resolve()


def project_version():
    """The version of project() in CMakeLists.txt, the project's one record of it."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(unionbound VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        subprocess.check_call(
            ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
             "-DUNIONBOUND_TESTS=OFF", "-DUNIONBOUND_PYTHON=ON",
             f"-DPython3_EXECUTABLE={sys.executable}"])
        subprocess.check_call(["cmake", "--build", str(build), "--target", "unionbound_python",
                               "-j", str(os.cpu_count() or 1)])
        built = next((build / "python" / "unionbound").glob("_unionbound*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


class NoWheel(Command):
    """Stands in for bdist_wheel where neither setuptools (70.1 on) nor the package wheel
    brings one, so that pip says what to install rather than "invalid command 'bdist_wheel'"."""

    user_options = []

    def initialize_options(self):
        pass

    def finalize_options(self):
        sys.exit("error: pip install builds a wheel, and this setuptools needs the package wheel "
                 "for it: on Debian python3-wheel, which tools/setup installs")

    def run(self):
        pass


def wheel_missing():
    return (importlib.util.find_spec("wheel") is None
            and importlib.util.find_spec("setuptools.command.bdist_wheel") is None)


setup(
    version=project_version(),
    packages=["unionbound"],
    package_dir={"": "python"},
    package_data={"unionbound": ["py.typed"]},
    ext_modules=[Extension("unionbound._unionbound", sources=[])],
    cmdclass={"build_ext": CMakeBuild, **({"bdist_wheel": NoWheel} if wheel_missing() else {})},
    # Beside the CMake build folders (build*/, ignored), not in tools/run-example's build/.
    options={"build": {"build_base": "build-python"}},
)
