"""The service emulator for tests: a context manager, and pytest fixtures.

    from dorsa.testing import emulator
    with emulator() as service:                 # the bundled sample data
        session = dorsa.Session(service.url)

In a test suite, add ``pytest_plugins = ["dorsa.testing"]`` to conftest.py and take the
``dorsa_emulator`` fixture (a fresh emulator on the sample data per test) or
``dorsa_session`` (an anonymous session on it). ``emulator(data=...)`` serves a data file
of your own (a path) or a dict in the emulator's data form.
"""
from __future__ import annotations

import contextlib
import json
import os
import subprocess
import sys
import tempfile
from typing import Iterator, Optional, Union

_HERE = os.path.dirname(os.path.abspath(__file__))


def emulator_script() -> str:
    """The emulator the package ships (DORSA_EMULATOR names another)."""
    return os.environ.get("DORSA_EMULATOR", os.path.join(_HERE, "emulator", "dorsa_emulator.py"))


def sample_data() -> dict:
    """The emulator's sample data, to change for a test and pass to emulator(data=...)."""
    with open(os.path.join(os.path.dirname(emulator_script()), "sample_data.json"), encoding="utf-8") as sample:
        return json.load(sample)


class Emulator:
    """A running emulator: `url` is the service URL to open sessions on."""

    def __init__(self, process: subprocess.Popen, url: str) -> None:
        self.process = process
        self.url = url

    def __repr__(self) -> str:
        return f"<dorsa emulator at {self.url}>"


@contextlib.contextmanager
def emulator(data: Union[str, dict, None] = None, *, user: Optional[str] = None, password: str = "",
             base_path: str = "/dorsa") -> Iterator[Emulator]:
    """Runs the emulator on a free loopback port until the block ends. With `user`, it asks
    for Basic authentication with that user name and password."""
    with tempfile.TemporaryDirectory(prefix="dorsa-emulator-") as directory:
        arguments = [sys.executable, emulator_script(), "--port", "0", "--base-path", base_path,
                     "--state", os.path.join(directory, "state.json")]
        if isinstance(data, dict):
            path = os.path.join(directory, "data.json")
            with open(path, "w", encoding="utf-8") as data_file:
                json.dump(data, data_file)
            arguments += ["--data", path]
        elif data is not None:
            arguments += ["--data", os.fspath(data)]
        if user is not None:
            arguments += ["--user", user, "--password", password]
        process = subprocess.Popen(arguments, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        try:
            line = process.stdout.readline()
            if "listening on" not in line:
                raise RuntimeError("the emulator did not start: " + line + process.stdout.read())
            yield Emulator(process, line.split()[-1])
        finally:
            process.terminate()
            process.wait(timeout=10)
            process.stdout.close()


try:
    import pytest
except ImportError:  # pytest is needed only for the fixtures
    pytest = None

if pytest is not None:
    @pytest.fixture
    def dorsa_emulator():
        """A fresh emulator on the sample data, stopped after the test."""
        with emulator() as running:
            yield running

    @pytest.fixture
    def dorsa_session(dorsa_emulator):
        """An anonymous session on a fresh emulator."""
        import dorsa
        return dorsa.Session(dorsa_emulator.url, timeout=30)
