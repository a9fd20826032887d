"""Fixtures of the package's tests: the package's own emulator fixtures, and one emulator
shared by the tests of a module that only read from it."""
import pytest

import dorsa
from dorsa.testing import dorsa_emulator, dorsa_session, emulator  # noqa: F401 (fixtures)

DB = "DORSA_SAMPLES"
TABLE = "Alloys and Polymers"


@pytest.fixture(scope="module")
def reader():
    """A session on an emulator the module's tests only read from."""
    with emulator() as running:
        yield dorsa.Session(running.url, timeout=30)
