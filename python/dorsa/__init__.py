"""Python access to a Dorsa materials database service through the Dorsa Service Layer.

    import dorsa
    session = dorsa.Session("http://server/dorsa", auth=dorsa.Credentials("ana", "secret"))
    tables = session.browse.tables("DORSA_SAMPLES")
    hits = session.search.text("DORSA_SAMPLES", "steel", tables=["Alloys and Polymers"])
    data = session.data.values("DORSA_SAMPLES", hits, ["Density"], table="Alloys and Polymers")
    frame = data.to_dataframe()

Every call goes through the C++ library with the interpreter lock released; a failed call
raises a dorsa.Error subclass carrying its outcome.
"""
from __future__ import annotations

from typing import Optional

from . import types
from ._batch import install as _install_batching
from ._dorsa import Browse, DataExport, DataImport, Engineering, Outcome, Search, Session
from .errors import Error, HttpError, SoapFault, TransportError, UnreadableReply
from .types import RecordDataList

__all__ = ["Session", "Anonymous", "Credentials", "AutoLogon", "Outcome", "Error", "TransportError", "HttpError",
           "SoapFault", "UnreadableReply", "RecordDataList", "types", "Browse", "Search", "DataExport", "DataImport",
           "Engineering"]


class Anonymous:
    """No log-on: requests go out without credentials."""
    __slots__ = ()
    kind = "anonymous"

    def __repr__(self) -> str:
        return "dorsa.Anonymous()"


class Credentials:
    """A user name and password, optionally in a Windows domain (Basic, Digest or NTLM as the
    server offers). The password is never shown."""
    __slots__ = ("user", "password", "domain")
    kind = "credentials"

    def __init__(self, user: str, password: str, domain: Optional[str] = None) -> None:
        self.user = user
        self.password = password
        self.domain = domain

    def __repr__(self) -> str:
        domain = f", domain={self.domain!r}" if self.domain is not None else ""
        return f"dorsa.Credentials({self.user!r}, '***'{domain})"


class AutoLogon:
    """The user running the process, through Negotiate (Kerberos)."""
    __slots__ = ()
    kind = "autologon"

    def __repr__(self) -> str:
        return "dorsa.AutoLogon()"


_install_batching(Browse, Search, DataExport)
