"""Serves a folder on 127.0.0.1 with the types a browser insists on for WebAssembly.

As a program: serve.py FOLDER [PORT] (port 0 or none: a free one), printing the address.
"""
import functools
import http.server
import sys

TYPES = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
    '.json': 'application/json',
    # Streaming compilation refuses a .wasm served as anything else.
    '.wasm': 'application/wasm',
    '.data': 'application/octet-stream',
    '.png': 'image/png',
}


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = TYPES

    def end_headers(self):
        # A rebuilt pack must never be mixed with a cached one.
        self.send_header('Cache-Control', 'no-store')
        super().end_headers()

    def log_message(self, *arguments):
        pass


def start(folder, port=0):
    """A server on its own threads; its address is server.server_address."""
    server = http.server.ThreadingHTTPServer(('127.0.0.1', port), functools.partial(Handler, directory=folder))
    server.daemon_threads = True
    return server


def main():
    if len(sys.argv) not in (2, 3) or len(sys.argv) == 3 and not sys.argv[2].isdigit():
        print('usage: serve.py FOLDER [PORT]', file=sys.stderr)
        return 2
    server = start(sys.argv[1], int(sys.argv[2]) if len(sys.argv) == 3 else 0)
    host, port = server.server_address
    print('serving %s on http://%s:%d/ (Ctrl-C ends it)' % (sys.argv[1], host, port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
