"""The exception hierarchy against servers that misbehave: each way a call can end badly
raises its own dorsa.Error subclass, carrying the call's outcome."""
import socket
import threading
from concurrent.futures import ThreadPoolExecutor

import pytest

import dorsa

ENVELOPE = ('<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body>{}</s:Body>'
            '</s:Envelope>')
FAULT = ENVELOPE.format('<s:Fault><faultcode>s:Client</faultcode><faultstring>No database &amp; no table'
                        '</faultstring><detail><reason>DORSA_NONE</reason></detail></s:Fault>')


def reply(status, body, headers=""):
    data = body.encode() if isinstance(body, str) else body
    return (f"HTTP/1.1 {status}\r\nContent-Type: text/xml; charset=utf-8\r\n{headers}"
            f"Content-Length: {len(data)}\r\n\r\n").encode() + data


# (name, what the server sends after reading a request (None: nothing), error, outcome kind)
HOSTILE = [
    ("soap fault", reply("500 Internal Server Error", FAULT), dorsa.SoapFault, "SoapFault"),
    ("401 challenge", reply("401 Unauthorized", "", 'WWW-Authenticate: Basic realm="dorsa"\r\n'), dorsa.HttpError,
     "HttpFailure"),
    ("502 page", reply("502 Bad Gateway", "<html><body>upstream down<br></body></html>"), dorsa.HttpError,
     "HttpFailure"),
    ("302 redirect", reply("302 Found", "", "Location: http://127.0.0.1:9/elsewhere\r\n"), dorsa.HttpError,
     "HttpFailure"),
    ("not xml", reply("200 OK", "this is no reply <"), dorsa.UnreadableReply, "UnreadableReply"),
    ("nul byte", reply("200 OK", ENVELOPE.format("<GetUnitsResponse>a\0b</GetUnitsResponse>")),
     dorsa.UnreadableReply, "UnreadableReply"),
    ("doctype entities", reply("200 OK", '<?xml version="1.0"?><!DOCTYPE s [<!ENTITY a "aaaa"><!ENTITY b "&a;&a;">]>'
                               + ENVELOPE.format("<x>&b;</x>")), dorsa.UnreadableReply, "UnreadableReply"),
    ("deep nesting", reply("200 OK", ENVELOPE.format("<a>" * 5000 + "</a>" * 5000)), dorsa.UnreadableReply,
     "UnreadableReply"),
    ("long length then close", b"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n<s:Envelope", dorsa.TransportError,
     "TransportFailure"),
    ("broken chunking", b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n<s:E\r\nzz\r\n",
     dorsa.TransportError, "TransportFailure"),
    ("silent", None, dorsa.TransportError, "TransportFailure"),
]


class HostileServer:
    """Answers every request on 127.0.0.1 with `answer` (None: never answers)."""

    def __init__(self, answer):
        self.answer = answer
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.url = f"http://127.0.0.1:{self.listener.getsockname()[1]}/dorsa"
        self.connections = []
        self.requested = threading.Event()
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            self.connections.append(connection)
            threading.Thread(target=self.handle, args=(connection,), daemon=True).start()

    def handle(self, connection):
        received = b""
        try:
            while b"\r\n\r\n" not in received:
                received += connection.recv(65536)
            head, _, body = received.partition(b"\r\n\r\n")
            length = next((int(line.split(b":")[1]) for line in head.split(b"\r\n")
                           if line.lower().startswith(b"content-length:")), 0)
            while len(body) < length:
                body += connection.recv(65536)
            self.requested.set()
            if self.answer is not None:
                connection.sendall(self.answer)
                connection.shutdown(socket.SHUT_WR)
        except OSError:
            pass

    def wait_for_request(self):
        assert self.requested.wait(timeout=30)

    def stop(self):
        self.listener.close()
        for connection in self.connections:
            connection.close()


@pytest.mark.parametrize("answer,error,kind", [row[1:] for row in HOSTILE], ids=[row[0] for row in HOSTILE])
def test_hostile_reply_raises_its_error(answer, error, kind):
    server = HostileServer(answer)
    try:
        session = dorsa.Session(server.url, timeout=1)
        with pytest.raises(error) as raised:
            session.browse.units("DORSA_SAMPLES")
    finally:
        server.stop()
    outcome = raised.value.outcome
    assert isinstance(raised.value, dorsa.Error)
    assert outcome.kind == kind
    if error is not dorsa.TransportError:  # the request is kept with the reply it got
        assert "GetUnits" in outcome.request_text
    if error is dorsa.SoapFault:
        assert (raised.value.http_code, raised.value.fault_string) == (500, "No database &amp; no table")
        assert (raised.value.fault_code, raised.value.fault_detail) == ("s:Client", "DORSA_NONE")
        assert "<reason>DORSA_NONE</reason>" in raised.value.reply_text
    if error is dorsa.HttpError:
        assert raised.value.http_code in (302, 401, 502)


def test_no_server_is_a_transport_error():
    with socket.create_server(("127.0.0.1", 0)) as probe:
        port = probe.getsockname()[1]
    with pytest.raises(dorsa.TransportError) as raised:
        dorsa.Session(f"http://127.0.0.1:{port}/dorsa", timeout=5).browse.databases()
    assert raised.value.reason and not raised.value.outcome.reached_server


def test_a_failed_call_leaves_the_session_usable(reader):
    with pytest.raises(dorsa.SoapFault):
        reader.browse.tables("NO_SUCH_DATABASE")
    assert reader.browse.databases()


def test_cancel_from_another_thread_ends_the_call_and_keeps_the_session():
    server = HostileServer(None)
    try:
        session = dorsa.Session(server.url, timeout=60)
        with ThreadPoolExecutor(max_workers=1) as pool:
            call = pool.submit(session.browse.units, "DORSA_SAMPLES")
            server.wait_for_request()
            session.cancel()
            with pytest.raises(dorsa.TransportError) as raised:
                call.result(timeout=30)
    finally:
        server.stop()
    assert raised.value.reason == "cancelled"
