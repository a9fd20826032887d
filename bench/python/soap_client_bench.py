"""The dorsa package against a generic SOAP client (Debian's python3-zeep, reading
browse.wsdl at run time) on the same canned replies served on loopback:

- a GetTables reply of about 10 MB, read and every table name touched: seconds per call
  (median of several) and the peak memory the call adds to the process;
- 2,000 small GetDatabases calls on one session: calls per second.

Each client runs in a process of its own, so that peak memory is its alone. The server runs
in a third process. Run with Debian's Python and the package on PYTHONPATH (the build tree's
build/python/package, or an installed one):

    PYTHONPATH=build/python/package /usr/bin/python3 bench/python/soap_client_bench.py
"""
import argparse
import json
import multiprocessing
import os
import socket
import socketserver
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BROWSE = "http://www.zelvra.com/16/01/Browse"
BASE = "http://www.zelvra.com/16/01/ZelvraBaseTypes"
ENVELOPE = "http://schemas.xmlsoap.org/soap/envelope/"
FAMILIES = ["Alloys and Polymers", "Processes", "Coating Trials", "Fibre Laminates", "Foam Grades",
            "Ceramic Powders", "Adhesive Batches", "Test Coupons"]
ATTRIBUTES = ["Density", "Tensile Strength", "Yield Strength", "Stress-strain Curve", "Composition", "Datasheet",
              "Data Source Notes", "Material Family", "Notes", "Date Tested", "Supplier Website",
              "Corrosion Resistance", "Glass Transition Temperature", "Thermal Conductivity", "Shore Hardness",
              "Batch Size"]
COUNTS = [16, 2, 1, 3, 1]
FILTERS = ["MaterialsTablesOnly", "ProcessesTablesOnly", "CoatingsTablesOnly", "ProducersTablesOnly",
           "ReferenceTablesOnly"]


def large_tables_reply(target_bytes):
    """A GetTables reply in the shape bench/PipelineBench.cpp writes, and its table count."""
    head = (f'<s:Envelope xmlns:s="{ENVELOPE}" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"><s:Body>'
            f'<a:GetTablesResponse xmlns:a="{BROWSE}" xmlns:z="{BASE}"><a:tableDetails>')
    tail = "</a:tableDetails></a:GetTablesResponse></s:Body></s:Envelope>"
    parts, size, table, attribute_id = [head], len(head) + len(tail), 0, 0
    while size < target_bytes:
        name = f"{FAMILIES[table % 8]} {table + 1}"
        guid = f"{table * 2654435761 % 0xffffffff:08x}-5d1e-4c0a-9b7f-{table:012x}"
        text = [f"<a:table><a:table><z:tableIdentity>{table + 1}</z:tableIdentity><z:tableGUID>{guid}</z:tableGUID>"
                f"<z:tableName>{name}</z:tableName><z:dbKey>DORSA_SAMPLES</z:dbKey></a:table><a:attributeReferences>"]
        for index in range(COUNTS[table % 5]):
            attribute_id += 1
            text.append(f"<a:attribute><z:dbKey>DORSA_SAMPLES</z:dbKey><z:attributeIdentity>{attribute_id}"
                        f'</z:attributeIdentity><z:name isStandard="false"><z:table><z:tableName>{name}'
                        f"</z:tableName></z:table><z:attributeName>{ATTRIBUTES[index]}</z:attributeName></z:name>"
                        f"</a:attribute>")
        text.append(f"</a:attributeReferences><a:tableFilters><a:tableFilter>{FILTERS[table % 5]}</a:tableFilter>")
        if table % 2 == 0:
            text.append("<a:tableFilter>UniverseTablesOnly</a:tableFilter>")
        text.append("</a:tableFilters></a:table>")
        chunk = "".join(text)
        parts.append(chunk)
        size += len(chunk)
        table += 1
    parts.append(tail)
    return "".join(parts).encode(), table


SMALL_REPLY = (f'<s:Envelope xmlns:s="{ENVELOPE}"><s:Body><GetDatabasesResponse xmlns="{BROWSE}"><databaseDetails>'
               "<database><dbKey>DORSA_SAMPLES</dbKey><volumeName>Sample Materials</volumeName></database>"
               "<database><dbKey>DORSA_POLYMERS</dbKey><volumeName>Polymer Grades</volumeName></database>"
               "</databaseDetails></GetDatabasesResponse></s:Body></s:Envelope>").encode()


def serve(port_queue, large):
    # A lean keep-alive loop rather than http.server, whose header parsing costs about as
    # much as a whole small call of the package: the bench measures the clients, not this.
    class Handler(socketserver.StreamRequestHandler):
        def setup(self):
            super().setup()
            self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

        def handle(self):
            while True:
                request_line = self.rfile.readline(65537)
                if not request_line:
                    return
                length = 0
                for line in iter(lambda: self.rfile.readline(65537), b""):
                    if line in (b"\r\n", b"\n"):
                        break
                    if line[:15].lower() == b"content-length:":
                        length = int(line[15:])
                body = self.rfile.read(length) if length else b""
                reply = b"" if request_line.startswith(b"GET") else large if b"GetTables" in body else SMALL_REPLY
                # One write for head and body: no client waits on a delayed acknowledgement.
                self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\n"
                                 b"Content-Length: %d\r\n\r\n" % len(reply) + reply)

    class Server(socketserver.ThreadingTCPServer):
        daemon_threads = True
        allow_reuse_address = True

    server = Server(("127.0.0.1", 0), Handler)
    port_queue.put(server.server_address[1])
    server.serve_forever()


def memory(field):
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1]) * 1024
    return 0


def reset_peak():
    # Linux 4.0+: writing 5 to clear_refs resets VmHWM to the current RSS.
    with open("/proc/self/clear_refs", "w") as refs:
        refs.write("5")


def measure(client, url, tables_expected, runs, small_calls):
    if client == "dorsa":
        import dorsa
        session = dorsa.Session(url, timeout=120)

        def large():
            return [table.table.name for table in session.browse.tables("DORSA_SAMPLES")]

        def small():
            return session.browse.databases()
    else:
        import zeep
        service = zeep.Client(os.path.join(HERE, "browse.wsdl")).create_service(
            "{%s}BrowseBinding" % BROWSE, url + "/Browse.svc")

        def large():
            return [table.table.tableName for table in service.GetTables(dbKey="DORSA_SAMPLES")]

        def small():
            return service.GetDatabases()

    assert len(small()) == 2
    times, peaks = [], []
    for _ in range(runs):
        before = memory("VmRSS")
        reset_peak()
        start = time.perf_counter()
        names = large()
        times.append(time.perf_counter() - start)
        peaks.append(memory("VmHWM") - before)
        assert len(names) == tables_expected and names[0] == "Alloys and Polymers 1"
        del names
    start = time.perf_counter()
    for _ in range(small_calls):
        small()
    small_seconds = time.perf_counter() - start
    return {"large_s": statistics.median(times), "large_peak_bytes": max(peaks),
            "small_calls_per_s": small_calls / small_seconds}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--megabytes", type=float, default=10)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--small-calls", type=int, default=2000)
    parser.add_argument("--client", help=argparse.SUPPRESS)
    parser.add_argument("--url", help=argparse.SUPPRESS)
    parser.add_argument("--tables", type=int, help=argparse.SUPPRESS)
    arguments = parser.parse_args()
    if arguments.client:  # one client's measurement, in a process of its own
        print(json.dumps(measure(arguments.client, arguments.url, arguments.tables, arguments.runs,
                                 arguments.small_calls)))
        return
    large, tables = large_tables_reply(int(arguments.megabytes * 1e6))
    ports = multiprocessing.Queue()
    server = multiprocessing.Process(target=serve, args=(ports, large), daemon=True)
    server.start()
    url = f"http://127.0.0.1:{ports.get(timeout=30)}/dorsa"
    results = {}
    try:
        for client in ("dorsa", "zeep"):
            run = subprocess.run([sys.executable, __file__, "--client", client, "--url", url, "--tables", str(tables),
                                  "--runs", str(arguments.runs), "--small-calls", str(arguments.small_calls)],
                                 capture_output=True, text=True, check=True)
            results[client] = json.loads(run.stdout.splitlines()[-1])
    finally:
        server.terminate()
        server.join()
    d, z = results["dorsa"], results["zeep"]
    print(f"GetTables reply of {len(large) / 1e6:.1f} MB, {tables} tables; {arguments.small_calls} GetDatabases calls")
    print(f"{'':24}{'dorsa':>12}{'zeep':>12}{'ratio':>10}")
    print(f"{'large reply, s':24}{d['large_s']:12.3f}{z['large_s']:12.3f}{z['large_s'] / d['large_s']:9.1f}x")
    print(f"{'large reply, peak MB':24}{d['large_peak_bytes'] / 1e6:12.1f}{z['large_peak_bytes'] / 1e6:12.1f}"
          f"{d['large_peak_bytes'] / max(z['large_peak_bytes'], 1):9.2f}x")
    print(f"{'small calls per s':24}{d['small_calls_per_s']:12.0f}{z['small_calls_per_s']:12.0f}"
          f"{d['small_calls_per_s'] / z['small_calls_per_s']:9.1f}x")


if __name__ == "__main__":
    main()
