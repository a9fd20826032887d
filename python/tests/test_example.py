"""The example script runs against the emulator."""
import os
import subprocess
import sys

EXAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "python",
                       "material_tour.py")


def test_material_tour_runs(dorsa_emulator):
    run = subprocess.run([sys.executable, EXAMPLE, dorsa_emulator.url], capture_output=True, text=True, timeout=300)
    assert run.returncode == 0, run.stderr
    assert "steels: DS-18" in run.stdout and "imported: ['Dorsa steel DS-40, trial melt']" in run.stdout
