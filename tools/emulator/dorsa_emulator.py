#!/usr/bin/env python3
"""A stand-in for the Dorsa web service, for integration tests and demos.

Serves the sample data over SOAP 1.1: POST to <base>/Browse.svc and its siblings.
Requests are checked namespace-aware; anything the service would refuse is
answered with a SOAP fault (HTTP 500)."""

import argparse
import base64
import os
import sys
import traceback
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import catalogue
import data_file
import importer
import record_data
from operations import OPERATIONS
from soap import Fault, Namespaces, ReplyWriter, UnknownEndpoint, envelope, fault_envelope, parse_request


class EmulatorHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "DorsaEmulator/1.0"

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)

    def _send(self, status, body, content_type="text/xml; charset=utf-8", extra=()):
        data = body if isinstance(body, bytes) else body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def _authorised(self):
        expected = self.server.credentials
        if expected is None:
            return True
        if self.headers.get("Authorization", "") == "Basic " + base64.b64encode(expected.encode()).decode():
            return True
        self._send(401, "Authentication required", "text/plain",
                   [("WWW-Authenticate", 'Basic realm="Dorsa emulator"')])
        return False

    def do_GET(self):
        if not self._authorised():
            return
        files = self.server.base_path + record_data.FILE_PATH
        content = record_data.file_content(self.server.catalogue, self.path[len(files):]) \
            if self.path.startswith(files) else None
        if self.path.rstrip("/") == self.server.base_path:
            self._send(200, "<html><body>Dorsa service emulator</body></html>", "text/html")
        elif content:
            self._send(200, content[1], content[0])
        else:
            self._send(404, "No such page", "text/plain")

    def do_PUT(self):
        """Stores a file or picture at an address GetUploadAddresses gave."""
        body = self.rfile.read(int(self.headers.get("Content-Length", "0") or 0))
        if not self._authorised():
            return
        files = self.server.base_path + record_data.FILE_PATH
        content_type = self.headers.get("Content-Type", "application/octet-stream")
        if self.path.startswith(files) and importer.store_upload(self.server.catalogue, self.path[len(files):],
                                                                 content_type, body):
            self._send(201, "Stored", "text/plain")
        else:
            self._send(404, "No such file or picture attribute", "text/plain")

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0") or 0))
        if not self._authorised():
            return
        try:
            request = parse_request(self.path, self.headers.get("SOAPAction"), body, self.server.namespaces,
                                    self.server.base_path, OPERATIONS)
            # File and picture values sent by URL point back at this server, as the client reached it.
            request.base_url = f"http://{self.headers.get('Host', '127.0.0.1')}{self.server.base_path}"
            operation = OPERATIONS[request.operation]
            writer = ReplyWriter(operation.reply_prefix, request.service_ns, request.base_ns)
            self._send(200, envelope(operation.handler(request, self.server.catalogue, writer)))
        except UnknownEndpoint:
            self._send(404, "No such endpoint", "text/plain")
        except Fault as fault:
            self._send(500, fault_envelope(fault))
        except Exception as error:  # a fault in the emulator itself: answered as a real server does
            traceback.print_exc()
            self._send(500, fault_envelope(Fault(f"Internal error of the emulator: {error!r}", "s:Server")))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8080, help="port on 127.0.0.1; 0 picks a free one")
    parser.add_argument("--data", default=os.path.join(here, "sample_data.json"), help="the data file to serve")
    parser.add_argument("--user", help="demand Basic authentication with this user name")
    parser.add_argument("--password", default="", help="the password that goes with --user")
    parser.add_argument("--base-path", default="/dorsa", help="path of the service under the host")
    parser.add_argument("--namespace-root", default="http://www.zelvra.com", help="root of the namespace URIs")
    parser.add_argument("--state", help="serve the data in this file (the data file when it does not exist yet) "
                        "and write every committed change back to it")
    parser.add_argument("--verbose", action="store_true", help="log every request to stderr")
    options = parser.parse_args()

    from_state = options.state and os.path.exists(options.state)
    data = data_file.load_or_exit(parser, options.state if from_state else options.data)
    server = ThreadingHTTPServer(("127.0.0.1", options.port), EmulatorHandler)
    server.daemon_threads = True
    server.catalogue = catalogue.Catalogue(data)
    importer.attach_store(server.catalogue, options.state)
    server.namespaces = Namespaces(options.namespace_root)
    server.credentials = f"{options.user}:{options.password}" if options.user else None
    server.verbose = options.verbose
    server.base_path = "/" + options.base_path.strip("/")
    print(f"Dorsa emulator listening on http://127.0.0.1:{server.server_address[1]}{server.base_path}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
