"""A printer for the tests: answers IPP Print-Job requests on 127.0.0.1 and
keeps each document it receives as job-<n>.<bin> in a folder.

    python3 ipp_printer.py FOLDER [refuse]

Prints the port it listens on and its process id, then serves until killed. With "refuse",
every job is answered client-error-document-format-not-supported.
"""
import http.server
import os
import struct
import sys

FOLDER = sys.argv[1]
REFUSE = len(sys.argv) > 2 and sys.argv[2] == "refuse"


def attribute(tag, name, value):
    return struct.pack(">BH", tag, len(name)) + name + struct.pack(">H", len(value)) + value


def document_of(body):
    """The document after the attribute groups of an IPP request."""
    at = 8  # version, operation, request id
    while at < len(body):
        tag = body[at]
        at += 1
        if tag == 0x03:  # end of attributes
            return body[at:]
        if tag < 0x10:  # a group tag
            continue
        (name_length,) = struct.unpack_from(">H", body, at)
        at += 2 + name_length
        (value_length,) = struct.unpack_from(">H", body, at)
        at += 2 + value_length
    raise ValueError("no end of attributes")


class Printer(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    jobs = 0

    def body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            data = b""
            while True:
                size = int(self.rfile.readline().split(b";")[0], 16)
                if size == 0:
                    self.rfile.readline()
                    return data
                data += self.rfile.read(size)
                self.rfile.readline()
        return self.rfile.read(int(self.headers.get("Content-Length", "0")))

    def do_POST(self):
        body = self.body()
        request_id = body[4:8]
        status = 0x040A if REFUSE else 0x0000
        answer = b"\x02\x00" + struct.pack(">H", status) + request_id + b"\x01"
        answer += attribute(0x47, b"attributes-charset", b"utf-8")
        answer += attribute(0x48, b"attributes-natural-language", b"en")
        if not REFUSE:
            Printer.jobs += 1
            with open(os.path.join(FOLDER, "job-%d.bin" % Printer.jobs), "wb") as f:
                f.write(document_of(body))
            answer += b"\x02" + attribute(0x21, b"job-id", struct.pack(">i", Printer.jobs))
        answer += b"\x03"
        self.send_response(200)
        self.send_header("Content-Type", "application/ipp")
        self.send_header("Content-Length", str(len(answer)))
        self.end_headers()
        self.wfile.write(answer)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Printer)
print(server.server_address[1], os.getpid(), flush=True)
server.serve_forever()
