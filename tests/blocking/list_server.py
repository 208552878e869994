#!/usr/bin/env python3
"""An HTTPS server for the filter-list fetch test, on a loopback port.

    list_server.py FOLDER

Makes a certificate authority (FOLDER/ca.pem) and a certificate for
127.0.0.1 signed by it, then serves: /list.txt a filter list, /portal a web
page (what a captive portal answers), /missing 404. Prints the port as one
line and serves until its standard input closes.
"""
import http.server
import os
import ssl
import subprocess
import sys
import threading

PAGES = {
    "/list.txt": (200, b"[Adblock Plus 2.0]\n! Expires: 2 days\n||fetched.example^\n"),
    "/portal": (200, b"<!DOCTYPE html><html><body>Log in to the network</body></html>"),
}


def certificate(folder, name, alt_names=None):
    command = ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
               "-nodes", "-days", "2", "-subj", "/CN=" + name,
               "-keyout", name + ".key", "-out", name + ".pem"]
    if alt_names:
        command += ["-CA", "ca.pem", "-CAkey", "ca.key", "-addext", "subjectAltName=" + alt_names]
    made = subprocess.run(command, cwd=folder, capture_output=True, text=True)
    if made.returncode != 0:
        sys.exit("openssl: " + made.stderr)


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        status, body = PAGES.get(self.path, (404, b"not here"))
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main(folder):
    certificate(folder, "ca")
    certificate(folder, "server", "IP:127.0.0.1")
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, "server.pem"), os.path.join(folder, "server.key"))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(server.server_address[1], flush=True)
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main(sys.argv[1])
