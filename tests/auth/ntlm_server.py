#!/usr/bin/python3
"""An HTTP/1.1 server on 127.0.0.1 that logs clients on with NTLM, for the library's tests.

It answers a request without credentials with "401, WWW-Authenticate: NTLM", a negotiate
(type 1) message with a challenge (type 2) naming its domain and carrying target
information (so that clients answer with NTLMv2), and an authenticate (type 3) message
with 200 when its NTLMv2 response was computed from one of the configured accounts'
passwords, else with a fresh 401. As NTLM has it, what the handshake proves belongs to the
TCP connection: later requests on an authenticated connection are served as that identity
without credentials, and a new negotiate message starts over.

Every request is logged as one JSON line (connection number, method, path, Authorization
header, status, identity served); an authenticate message also logs what it named and how
its response was checked. When the response does not verify, the log tells from which
variant of the password and user name the client computed it, if any of those that
clients are known to produce matches: this is how the tests pin down what a client sends.

Names in the authenticate message are read as UTF-16 when the client asked for Unicode,
else (the OEM character set) as Latin-1; a Windows server would read the latter in its own
OEM code page.

The reply to an authenticated request is a SOAP envelope whose "value" is the identity
(DOMAIN\\user) and whose "count" is the connection's number.

With --proxy it is a proxy that wants NTLM instead: it challenges with "407,
Proxy-Authenticate: NTLM", reads Proxy-Authorization, and answers every request itself
(the path it logs is the absolute URL the client asked the proxy for).

Usage: ntlm_server.py --config accounts.json --log requests.log --port-file port [--proxy]
accounts.json: {"domain": "DORSA", "accounts": [{"domain": "DORSA", "user": "jo", "password": "..."}]}
"""

import argparse
import base64
import binascii
import http.server
import itertools
import json
import os
import socket
import struct
import sys
import threading
import time
from xml.sax.saxutils import escape

from impacket import ntlm

SERVER_NAME = "DORSATEST"
NTLMV1_RESPONSE_LENGTH = 24


def windows_filetime_now():
    return struct.pack("<q", 116444736000000000 + int(time.time() * 10000000))


def ascii_upper(text):
    return "".join(c.upper() if c.isascii() else c for c in text)


def utf8_bytes_widened(text):
    """What a client makes of a UTF-8 string when it widens each byte to a UTF-16 unit."""
    return text.encode("utf-8").decode("latin-1")


def nt_proof(password, user_key, domain, server_challenge, blob):
    """NTProofStr of NTLMv2: HMAC-MD5 keyed by NTOWFv2(password, user, domain)."""
    response_key = ntlm.hmac_md5(ntlm.compute_nthash(password),
                                 user_key.encode("utf-16le") + domain.encode("utf-16le"))
    return ntlm.hmac_md5(response_key, server_challenge + blob)


class Accounts:
    def __init__(self, config):
        self.domain = config["domain"]
        self.accounts = config["accounts"]

    def find(self, user, domain, stored_form=lambda name: name):
        """The account a type 3 message names, its user name as `stored_form` makes it (the
        name as set, or as a client widens its UTF-8 bytes); an empty domain means the server's own."""
        domain = domain or self.domain
        for account in self.accounts:
            if stored_form(account["user"]).upper() == user.upper() and account["domain"].upper() == domain.upper():
                return account
        return None


def build_challenge(negotiate_flags, domain, server_challenge):
    unicode = bool(negotiate_flags & ntlm.NTLMSSP_NEGOTIATE_UNICODE)
    flags = (ntlm.NTLMSSP_NEGOTIATE_NTLM | ntlm.NTLMSSP_REQUEST_TARGET | ntlm.NTLMSSP_TARGET_TYPE_DOMAIN |
             ntlm.NTLMSSP_NEGOTIATE_TARGET_INFO |
             (ntlm.NTLMSSP_NEGOTIATE_UNICODE if unicode else ntlm.NTLM_NEGOTIATE_OEM) |
             (negotiate_flags & (ntlm.NTLMSSP_NEGOTIATE_EXTENDED_SESSIONSECURITY |
                                 ntlm.NTLMSSP_NEGOTIATE_ALWAYS_SIGN)))
    target = domain.encode("utf-16le" if unicode else "latin-1")
    av_pairs = ntlm.AV_PAIRS()
    av_pairs[ntlm.NTLMSSP_AV_DOMAINNAME] = domain.encode("utf-16le")
    av_pairs[ntlm.NTLMSSP_AV_HOSTNAME] = SERVER_NAME.encode("utf-16le")
    av_pairs[ntlm.NTLMSSP_AV_DNS_DOMAINNAME] = "dorsa.test".encode("utf-16le")
    av_pairs[ntlm.NTLMSSP_AV_DNS_HOSTNAME] = "localhost".encode("utf-16le")
    av_pairs[ntlm.NTLMSSP_AV_TIME] = windows_filetime_now()
    target_info = av_pairs.getData()
    header_length = 48
    message = (b"NTLMSSP\0" + struct.pack("<I", 2) +
               struct.pack("<HHI", len(target), len(target), header_length) +
               struct.pack("<I", flags) + server_challenge + b"\0" * 8 +
               struct.pack("<HHI", len(target_info), len(target_info), header_length + len(target)))
    return message + target + target_info, unicode


def check_authenticate(message, server_challenge, unicode, accounts):
    """Reads a type 3 message; returns (identity or None, what to log)."""
    parsed = ntlm.NTLMAuthChallengeResponse()
    parsed.fromString(message)
    encoding = "utf-16le" if unicode else "latin-1"
    user = parsed["user_name"].decode(encoding, errors="replace")
    domain = parsed["domain_name"].decode(encoding, errors="replace")
    report = {
        "user": user,
        "domain": domain,
        "user_bytes": binascii.hexlify(parsed["user_name"]).decode(),
        "workstation": parsed["host_name"].decode(encoding, errors="replace"),
        "encoding": "unicode" if unicode else "oem",
        "verified": False,
    }
    response = parsed["ntlm"]
    if len(response) <= NTLMV1_RESPONSE_LENGTH:
        report["ntlm_version"] = 1
        return None, report
    report["ntlm_version"] = 2
    proof, blob = response[:16], response[16:]

    account = accounts.find(user, domain)
    report["account_found"] = account is not None
    if account is not None and nt_proof(account["password"], user.upper(), domain, server_challenge, blob) == proof:
        report["verified"] = True
        report["computed_from"] = {"password": "as set", "user_upper": "unicode"}
        return account["domain"] + "\\" + account["user"], report

    # Not verified: find out what the client computed its response from.
    candidate = account or accounts.find(user, domain, utf8_bytes_widened)
    report["computed_from"] = None
    if candidate is not None:
        passwords = [("as set", candidate["password"]),
                     ("utf-8 bytes widened", utf8_bytes_widened(candidate["password"]))]
        user_keys = [("unicode", user.upper()), ("ascii only", ascii_upper(user))]
        for (password_form, password), (user_form, user_key) in itertools.product(passwords, user_keys):
            if nt_proof(password, user_key, domain, server_challenge, blob) == proof:
                report["computed_from"] = {"password": password_form, "user_upper": user_form}
                break
    return None, report


class Log:
    def __init__(self, path):
        self.file = open(path, "a", encoding="utf-8")
        self.lock = threading.Lock()

    def write(self, entry):
        with self.lock:
            self.file.write(json.dumps(entry, ensure_ascii=False) + "\n")
            self.file.flush()


class NtlmHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    connection_numbers = itertools.count(1)
    accounts = None
    log = None
    # As a server; main() changes them for a proxy.
    refusal = 401
    credentials_header = "Authorization"
    challenge_header = "WWW-Authenticate"

    def setup(self):
        super().setup()
        self.connection_number = next(NtlmHandler.connection_numbers)
        self.request_number = 0
        self.challenge = None  # (server challenge, unicode) while a handshake is under way
        self.identity = None   # what the connection is authenticated as

    def log_message(self, format, *args):  # the JSON log says it all
        pass

    def do_GET(self):
        self.handle_request()

    def do_POST(self):
        self.handle_request()

    def handle_request(self):
        self.request_number += 1
        length = int(self.headers.get("Content-Length") or 0)
        if length:
            self.rfile.read(length)
        authorization = self.headers.get(self.credentials_header) or ""
        entry = {"connection": self.connection_number, "request": self.request_number,
                 "method": self.command, "path": self.path, "authorization": authorization}
        status, challenge = self.authenticate(authorization, entry)
        entry["status"] = status
        entry["identity"] = self.identity if status == 200 else None
        NtlmHandler.log.write(entry)  # before the reply, so a client that has its reply finds it logged
        self.reply(status, challenge)

    def authenticate(self, authorization, entry):
        """Runs the connection's handshake one step; returns (status, WWW-Authenticate value)."""
        scheme, _, token = authorization.partition(" ")
        if scheme.upper() != "NTLM" or not token:
            if self.identity is not None and not authorization:
                return 200, None
            return self.refusal, "NTLM"
        try:
            message = base64.b64decode(token, validate=True)
            message_type = struct.unpack("<I", message[8:12])[0] if message.startswith(b"NTLMSSP\0") else 0
        except (binascii.Error, struct.error):
            message_type = 0
        if message_type == 1:
            self.identity = None
            negotiate = ntlm.NTLMAuthNegotiate()
            negotiate.fromString(message)
            entry["negotiate_flags"] = "0x%08x" % negotiate["flags"]
            server_challenge = os.urandom(8)
            challenge, unicode = build_challenge(negotiate["flags"], NtlmHandler.accounts.domain, server_challenge)
            self.challenge = (server_challenge, unicode)
            return self.refusal, "NTLM " + base64.b64encode(challenge).decode()
        if message_type == 3 and self.challenge is not None:
            server_challenge, unicode = self.challenge
            self.challenge = None
            identity, report = check_authenticate(message, server_challenge, unicode, NtlmHandler.accounts)
            entry["authenticate"] = report
            if identity is not None:
                self.identity = identity
                return 200, None
        self.identity = None
        self.challenge = None
        return self.refusal, "NTLM"

    def reply(self, status, challenge):
        if status == 200:
            body = ('<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body>'
                    "<GetTablesResponse><value>%s</value><count>%d</count></GetTablesResponse>"
                    "</s:Body></s:Envelope>" % (escape(self.identity), self.connection_number))
            content_type = "text/xml; charset=utf-8"
        else:
            body = "Not logged on"
            content_type = "text/plain; charset=utf-8"
        data = body.encode("utf-8")
        self.send_response(status)
        if challenge:
            self.send_header(self.challenge_header, challenge)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    address_family = socket.AF_INET


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--config", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--proxy", action="store_true")
    arguments = parser.parse_args()
    if arguments.proxy:
        NtlmHandler.refusal = 407
        NtlmHandler.credentials_header = "Proxy-Authorization"
        NtlmHandler.challenge_header = "Proxy-Authenticate"
    with open(arguments.config, encoding="utf-8") as config:
        NtlmHandler.accounts = Accounts(json.load(config))
    NtlmHandler.log = Log(arguments.log)
    server = Server(("127.0.0.1", 0), NtlmHandler)
    # The port is known once the file is there whole.
    partial = arguments.port_file + ".partial"
    with open(partial, "w", encoding="ascii") as port_file:
        port_file.write("%d\n" % server.server_address[1])
    os.rename(partial, arguments.port_file)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
