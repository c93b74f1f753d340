#!/usr/bin/env python3
"""The bibliographic services on loopback, for the whole-program tests of the
lookup by ISBN: one HTTP server on 127.0.0.1 answering as Open Library (Books
API, edition records, authors), Google Books (volumes?q=isbn:), SBN (search.json,
full.json) and the covers service do. Point the program at it with
DORVI_SBN_URL, DORVI_OPENLIBRARY_URL, DORVI_GOOGLEBOOKS_URL and DORVI_COVERS_URL,
all set to http://127.0.0.1:PORT (a path before each service's own is allowed).

Open Library and Google Books answer with the real replies recorded in the
shared test data (--data, or DORVI_ISBN_TESTDATA); without that folder they
know no book, and say so on stderr. The SBN records, one author's record and
the cover images are made here.

    isbnservices.py [--port N] [--data DIR] [--fail ISBN[:STATUS]]... [--unknown ISBN]... [--log FILE]

The port (0: any free one) is printed on the first line of stdout once the
server listens. --fail makes every request that names the ISBN answer STATUS
(503 by default, with Retry-After: 0); --unknown makes every service ignore it.
"""

import argparse
import json
import os
import re
import struct
import sys
import threading
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path
from urllib.parse import parse_qs, urlsplit

# Made for these tests, in the shape SBN's undocumented interface answers with,
# its traps included: titles with U+0088/U+0089 around the leading article, the
# first brief record of another edition, a date "[19--]" and no author.
SBN_RECORDS = [
    {
        "codiceIdentificativo": "IT\\ICCU\\TO0\\0999001",
        "titolo": "\u0088Il \u0089sistema periodico / Primo Levi ; introduzione di un altro",
        "autorePrincipale": "Levi, Primo",
        "pubblicazione": "Torino : Einaudi, 1994",
        "isbn": "88-06-13431-0",
        "copertina": "",
        "descrizioneFisica": "VIII, 241 p. ; 20 cm",
        "collezione": "Einaudi tascabili ; 250",
        "linguaPubblicazione": "ita",
    },
    {
        "codiceIdentificativo": "IT\\ICCU\\TO0\\0999002",
        "titolo": "\u0088Il \u0089sistema periodico / Primo Levi",
        "autorePrincipale": "Levi, Primo",
        "pubblicazione": "Torino : Einaudi, 2014",
        "isbn": "978-88-06-21918-5",
        "copertina": "",
        "descrizioneFisica": "XXIII, 612 p. ; 21 cm",
        "collezione": "Super ET ; 2",
        "linguaPubblicazione": "ita",
    },
    {
        "codiceIdentificativo": "IT\\ICCU\\MIL\\0999003",
        "titolo": "\u0088Il \u0089nome della rosa / Umberto Eco",
        "autorePrincipale": "Eco, Umberto",
        "pubblicazione": "Milano : Bompiani, 2016",
        "isbn": "9788804620129",
        "copertina": "",
        "descrizioneFisica": "XII, 623 p. ; 21 cm",
        "collezione": "Oscar classici ; 234",
        "linguaPubblicazione": "ita",
    },
    {
        "codiceIdentificativo": "IT\\ICCU\\RMS\\0999004",
        "titolo": "Cronache di una biblioteca",
        "autorePrincipale": "",
        "pubblicazione": "Roma : Edizioni di prova, [19--]",
        "isbn": "979-12-5480-000-3",
        "copertina": "",
        "descrizioneFisica": "95 p. ; 17 cm",
        "collezione": "",
        "linguaPubblicazione": "ita",
    },
]
# The SBN search lists the other edition of "Il sistema periodico" first.
SBN_SEARCH = {"9788806219185": [0, 1], "9788806134310": [0], "9788804620129": [2], "9791254800003": [3]}
BRIEF_KEYS = ("codiceIdentificativo", "titolo", "autorePrincipale", "pubblicazione", "isbn", "copertina")

# The author an edition record names only by key.
AUTHORS = {"OL30765A": {"key": "/authors/OL30765A", "name": "Rick Riordan", "type": {"key": "/type/author"}}}

# Italian books with a cover at /b/isbn/ (none of the SBN records links one).
COVERED_ISBNS = {"9788804620129"}


def digits(text):
    return re.sub(r"[^0-9Xx]", "", text).upper()


def png(width, height, seed):
    """A small PNG with a band of colour of its own for each seed."""
    red, green, blue = (seed * 67) % 256, (seed * 131) % 256, (seed * 29) % 256
    rows = b""
    for y in range(height):
        shade = (y * 255) // max(1, height - 1)
        rows += b"\x00" + bytes((red, (green + shade) % 256, blue)) * width

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def read_json(path):
    with open(path, encoding="utf-8-sig") as f:
        return json.load(f)


class Recorded:
    """The recorded replies of Open Library and Google Books, by ISBN."""

    def __init__(self, folder):
        self.books_api, self.editions, self.volumes, self.cover_ids = {}, {}, [], set()
        if not folder or not Path(folder).is_dir():
            print(f"isbnservices: cartella dei dati registrati assente ({folder or 'non indicata'}): "
                  "Open Library e Google Books non conoscono nessun libro", file=sys.stderr)
            return
        folder = Path(folder)
        for path in sorted(folder.glob("openlibrary_*.json")):
            for key, book in read_json(path).items():
                self.books_api[digits(key)] = book
                for link in (book.get("cover") or {}).values():
                    found = re.search(r"/b/id/(\d+)-", link)
                    if found:
                        self.cover_ids.add(found.group(1))
        for path in sorted(folder.glob("openlibrary2_*.json")):
            edition = read_json(path)
            for isbn in edition.get("isbn_13", []) + [digits(path.stem.split("_")[-1])]:
                self.editions[digits(isbn)] = edition
            self.cover_ids.update(str(c) for c in edition.get("covers", []))
        for path in sorted(folder.glob("google-books-*.json")):
            reply = read_json(path)
            self.volumes += reply.get("items", []) if "items" in reply else [reply]

    def volumes_of(self, isbn):
        return [v for v in self.volumes
                if any(digits(i.get("identifier", "")) == isbn
                       for i in v.get("volumeInfo", {}).get("industryIdentifiers", []))]


class Services:
    def __init__(self, recorded, failing, unknown, log):
        self.recorded, self.failing, self.unknown, self.log = recorded, failing, unknown, log
        self.lock = threading.Lock()

    def answer(self, target):
        """(status, content type, body, extra headers) for a path and query."""
        parts = urlsplit(target)
        path, query = parts.path, parse_qs(parts.query)
        named = set(re.findall(r"97[89]\d{10}|\d{9}[\dX]", target.upper()))
        for isbn in named:
            if isbn in self.failing:
                return self.failing[isbn], "text/plain", b"servizio non disponibile\n", [("Retry-After", "0")]
        route = [
            (r"/api/books$", lambda m: self.books_api(query)),
            (r"/isbn/([0-9Xx]+)\.json$", lambda m: self.edition(digits(m.group(1)))),
            (r"/authors/(OL\d+A)\.json$", lambda m: self.author(m.group(1))),
            (r"/volumes$", lambda m: self.google(query)),
            (r"/search\.json$", lambda m: self.sbn_search(query)),
            (r"/full\.json$", lambda m: self.sbn_full(query)),
            (r"/b/id/(\d+)-[SML]\.jpg$", lambda m: self.cover(m.group(1) in self.recorded.cover_ids, m.group(1))),
            (r"/b/isbn/([0-9Xx]+)-[SML]\.jpg$", lambda m: self.cover_by_isbn(digits(m.group(1)), query)),
        ]
        for pattern, handler in route:
            found = re.search(pattern, path)
            if found:
                return handler(found)
        return 404, "text/plain", b"non trovato\n", []

    def known(self, isbn):
        return isbn not in self.unknown

    @staticmethod
    def json_reply(value, status=200):
        return status, "application/json", json.dumps(value, ensure_ascii=False).encode("utf-8"), []

    def books_api(self, query):
        keys = ",".join(query.get("bibkeys", [])).split(",")
        books = {}
        for key in keys:
            isbn = digits(key)
            if key.strip() and self.known(isbn) and isbn in self.recorded.books_api:
                books[key.strip()] = self.recorded.books_api[isbn]
        return self.json_reply(books)

    def edition(self, isbn):
        if self.known(isbn) and isbn in self.recorded.editions:
            return self.json_reply(self.recorded.editions[isbn])
        return self.json_reply({"error": "notfound", "key": f"/isbn/{isbn}"}, 404)

    def author(self, key):
        if key in AUTHORS:
            return self.json_reply(AUTHORS[key])
        return self.json_reply({"error": "notfound"}, 404)

    def google(self, query):
        asked = " ".join(query.get("q", []))
        found = re.search(r"isbn:\s*([0-9Xx-]+)", asked)
        isbn = digits(found.group(1)) if found else ""
        volumes = self.recorded.volumes_of(isbn) if isbn and self.known(isbn) else []
        reply = {"kind": "books#volumes", "totalItems": len(volumes)}
        if volumes:
            reply["items"] = volumes
        return self.json_reply(reply)

    def sbn_search(self, query):
        isbn = digits(" ".join(query.get("isbn", [])))
        listed = SBN_SEARCH.get(isbn, []) if self.known(isbn) else []
        records = [{k: SBN_RECORDS[i][k] for k in BRIEF_KEYS} for i in listed]
        return self.json_reply({"numFound": len(records), "briefRecords": records})

    def sbn_full(self, query):
        bid = " ".join(query.get("bid", []))
        for record in SBN_RECORDS:
            if record["codiceIdentificativo"] == bid and self.known(digits(record["isbn"])):
                return self.json_reply(record)
        return self.json_reply({"error": "record non trovato"}, 404)

    def cover(self, exists, seed):
        if not exists:
            return 404, "text/plain", b"", []
        return 200, "image/png", png(60, 90, int(re.sub(r"\D", "", seed) or 1) % 1000), []

    def cover_by_isbn(self, isbn, query):
        # As the real service with ?default=false: a 404 where it would show its placeholder.
        covered = self.known(isbn) and (isbn in COVERED_ISBNS)
        if not covered and query.get("default", ["true"])[0] != "false":
            return 200, "image/gif", b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01" \
                                     b"\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;", []
        return self.cover(covered, isbn[-6:])

    def note(self, line):
        if self.log:
            with self.lock, open(self.log, "a", encoding="utf-8") as f:
                f.write(line + "\n")


def handler_for(services):
    class Handler(BaseHTTPRequestHandler):
        server_version = "isbnservices/1"

        def do_GET(self):
            services.note(f"GET {self.path} {self.headers.get('User-Agent', '')}")
            status, kind, body, headers = services.answer(self.path)
            self.send_response(status)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            for name, value in headers:
                self.send_header(name, value)
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    return Handler


def failing_isbns(values):
    failing = {}
    for value in values:
        isbn, _, status = value.partition(":")
        failing[digits(isbn)] = int(status or 503)
    return failing


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--data", default=os.environ.get("DORVI_ISBN_TESTDATA"))
    parser.add_argument("--fail", action="append", default=[], metavar="ISBN[:STATUS]")
    parser.add_argument("--unknown", action="append", default=[], metavar="ISBN")
    parser.add_argument("--log")
    args = parser.parse_args()
    services = Services(Recorded(args.data), failing_isbns(args.fail), {digits(i) for i in args.unknown}, args.log)
    server = ThreadingHTTPServer(("127.0.0.1", args.port), handler_for(services))
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
