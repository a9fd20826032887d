"""pip install from a fresh clone into a fresh virtual environment (with the system's site
packages, for pandas), with Debian's build tools alone and no network, then the installed
package used against its own emulator."""
import os
import subprocess
import sys
import venv

import pytest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

pytestmark = pytest.mark.install


def run(*command, **options):
    done = subprocess.run(command, capture_output=True, text=True, **options)
    assert done.returncode == 0, f"{command}:\n{done.stdout[-4000:]}\n{done.stderr[-4000:]}"
    return done.stdout


def test_pip_install_from_a_fresh_clone(tmp_path):
    clone = tmp_path / "clone"
    run("git", "clone", "--quiet", "--no-hardlinks", ROOT, str(clone))
    venv.EnvBuilder(system_site_packages=True, with_pip=True).create(tmp_path / "venv")
    python = str(tmp_path / "venv" / "bin" / "python")
    environment = dict(os.environ, PIP_NO_INDEX="1", CCACHE_BASEDIR=str(clone))
    environment.pop("PYTHONPATH", None)
    run(python, "-m", "pip", "install", "--quiet", "--no-build-isolation", str(clone / "python"),
        env=environment, cwd=str(tmp_path))
    # The installed package, away from the source tree: its emulator, a call, a frame.
    script = ("import dorsa, dorsa.testing\n"
              "with dorsa.testing.emulator() as service:\n"
              "    session = dorsa.Session(service.url)\n"
              "    data = session.data.values('DORSA_SAMPLES', [1001], ['Density'], table='Alloys and Polymers')\n"
              "    print(dorsa.__file__, len(data.to_dataframe()), data[0].value('Density').points[0].value)\n")
    output = run(python, "-c", script, env=environment, cwd=str(tmp_path))
    assert str(tmp_path / "venv") in output and output.split()[-2:] == ["1", "7900.0"]
