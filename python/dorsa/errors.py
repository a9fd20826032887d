"""The exceptions a failed call raises: one class per way a call can end badly."""
from __future__ import annotations

from typing import Optional


class Error(Exception):
    """A call that did not succeed. `outcome` holds everything the call recorded."""

    def __init__(self, message: str, outcome) -> None:
        super().__init__(message)
        self.outcome = outcome

    @property
    def http_code(self) -> int:
        return self.outcome.http_code

    @property
    def reason(self) -> Optional[str]:
        """Why the transport failed, in its own words (None unless a TransportError)."""
        return self.outcome.transport_error

    @property
    def fault_string(self) -> Optional[str]:
        return self.outcome.fault_string

    @property
    def fault_code(self) -> Optional[str]:
        return self.outcome.fault_code

    @property
    def fault_detail(self) -> Optional[str]:
        """The text of the fault's detail element, entity references resolved."""
        return self.outcome.fault_detail

    @property
    def reply_text(self) -> str:
        return self.outcome.reply_text

    @property
    def request_text(self) -> str:
        return self.outcome.request_text


class TransportError(Error):
    """No complete reply: the connection failed, broke or timed out."""


class HttpError(Error):
    """A failure status that is no SOAP fault (authentication refused included)."""


class SoapFault(Error):
    """The server answered with a SOAP fault."""


class UnreadableReply(Error):
    """A 2xx reply that is not well-formed XML, passed a size or nesting limit, or held
    values that could not be read."""
