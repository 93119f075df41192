#!/usr/bin/env python3
"""Writes Quillnox's help from one source text of topics (resources/help/topics.txt).

    helpwriter.py TOPICS OUTDIR

makes, in OUTDIR:
  Quillnox.hlp  a WinHelp 3.1 file in a minimal form: the internal file system with
                "|SYSTEM", an uncompressed "|TOPIC", "|CONTEXT" (hashed context
                strings), "|CTXOMAP" (context numbers to topic offsets) and "|FONT";
  Quillnox.cnt  its contents file, one line per topic;
  Quillnox.htm  the same topics as one HTML page, one anchor per topic: id="ctxN"
                where N is the topic's context number (Quillnox.htm#ctx8).

Standard library only: it runs on the build machine for every build.
"""

import html
import os
import re
import struct
import sys

HELP_NAME = "Quillnox"
HELP_TITLE = "Quillnox Help"
CODEPAGE = "cp1252"

# |TOPIC layout of an uncompressed WinHelp 3.1 file: 4096-byte blocks, each a 12-byte
# header followed by 4084 bytes of records. A record's position ("topic position") is
# 0x4000 * block + 12 + offset of the record in its block's data.
TOPIC_BLOCK = 0x1000
TOPIC_BLOCK_HEADER = 12
TOPIC_BLOCK_DATA = TOPIC_BLOCK - TOPIC_BLOCK_HEADER
NONE = 0xFFFFFFFF

RECORD_TOPIC_HEADER = 0x02
RECORD_DISPLAY = 0x20

# |FONT: the fonts the paragraphs use, by index.
FONT_BODY, FONT_TITLE, FONT_HEADING = 0, 1, 2
FONTS = [  # (attributes: 1 bold, half-points, family: 3 swiss, face, RGB)
    (0, 20, 3, "Arial", (0, 0, 0)),
    (1, 28, 3, "Arial", (0, 0, 128)),
    (1, 22, 3, "Arial", (0, 0, 128)),
]
FACE_SIZE = 32
MARGIN = 12


class SourceError(Exception):
    pass


class Topic:
    def __init__(self, number, context, line):
        self.number = number
        self.context = context
        self.line = line
        self.title = None
        self.book = None
        self.blocks = []  # (kind, text): kind "para", "item" or "heading"


def parse_topics(text):
    """Reads the source format described at the top of topics.txt."""
    topics = []
    book = None
    current = None
    para = []

    def flush():
        if para and current is not None:
            current.blocks.append(("para", " ".join(para)))
        para.clear()

    for lineno, raw in enumerate(text.splitlines(), 1):
        line = raw.rstrip()
        if line.startswith("#") and not line.startswith("## "):
            continue
        if not line.strip():
            flush()
            continue
        if line.startswith("book "):
            flush()
            book = line[5:].strip()
            continue
        m = re.match(r"topic\s+(\d+)\s+([A-Za-z0-9_.]+)\s*$", line)
        if m:
            flush()
            current = Topic(int(m.group(1)), m.group(2), lineno)
            current.book = book
            topics.append(current)
            continue
        if current is None:
            raise SourceError(f"line {lineno}: text before the first topic")
        if line.startswith("title "):
            if current.title is not None or current.blocks:
                raise SourceError(f"line {lineno}: title must follow its topic line")
            current.title = line[6:].strip()
        elif line.startswith("* "):
            flush()
            current.blocks.append(("item", line[2:].strip()))
        elif line.startswith("## "):
            flush()
            current.blocks.append(("heading", line[3:].strip()))
        else:
            para.append(line.strip())
    flush()

    if not topics:
        raise SourceError("no topics")
    seen_numbers, seen_hashes = set(), {}
    for t in topics:
        if not t.title:
            raise SourceError(f"line {t.line}: topic {t.number} has no title")
        if not t.blocks:
            raise SourceError(f"line {t.line}: topic {t.number} has no text")
        if t.number in seen_numbers:
            raise SourceError(f"line {t.line}: context number {t.number} used twice")
        seen_numbers.add(t.number)
        h = context_hash(t.context)
        if h in seen_hashes:
            raise SourceError(f"line {t.line}: context {t.context} hashes like {seen_hashes[h]}")
        seen_hashes[h] = t.context
        for s in [t.title] + [b[1] for b in t.blocks]:
            s.encode(CODEPAGE)  # fails on characters the help file cannot hold
    return topics


def context_hash(name):
    """The WinHelp hash of a context string, as a signed 32-bit value."""
    h = 0
    for c in name:
        if "A" <= c <= "Z":
            x = ord(c) - ord("A") + 17
        elif "a" <= c <= "z":
            x = ord(c) - ord("a") + 17
        elif "1" <= c <= "9":
            x = ord(c) - ord("0")
        elif c == "0":
            x = 10
        elif c == ".":
            x = 12
        elif c == "_":
            x = 13
        else:
            x = 0
        if x:
            h = (h * 43 + x) & 0xFFFFFFFF
    return h - 0x100000000 if h & 0x80000000 else h


# ---- |TOPIC ---------------------------------------------------------------

def compressed_ushort(v):
    """One byte (value * 2) below 128, else two bytes (value * 2 + 1)."""
    if v < 0x80:
        return bytes([v * 2])
    if v >= 0x8000:
        raise ValueError("value too large")
    return struct.pack("<H", v * 2 + 1)


def compressed_long(v):
    """Two bytes (0x8000 + value * 2) for -16384..16383, else four (odd) bytes."""
    if -0x4000 <= v < 0x4000:
        return struct.pack("<H", 0x8000 + v * 2)
    return struct.pack("<I", (0x80000000 + v * 2 + 1) & 0xFFFFFFFF)


def compressed_short(v):
    """One byte (0x80 + value * 2) for -64..63, else two bytes."""
    if -0x40 <= v < 0x40:
        return bytes([0x80 + v * 2])
    if not 0 <= v < 0x4000:
        raise ValueError("value out of range")
    return struct.pack("<H", 0x8000 + v * 2 + 1)


def display_record(kind, text):
    """LinkData1 and LinkData2 of one paragraph (record type 0x20), and its length in
    characters (what the topic offsets count)."""
    body = text.encode(CODEPAGE)
    # Units are half-points; every paragraph keeps a small left margin.
    font = FONT_BODY
    bits = 0x0004 | 0x0010  # space after, left indent
    spacing = [compressed_short(12)]
    indent = [compressed_short(MARGIN)]
    if kind == "heading":
        font = FONT_HEADING
        bits |= 0x0002  # space before
        spacing = [compressed_short(10), compressed_short(4)]
    elif kind == "title":
        font = FONT_TITLE
        spacing = [compressed_short(20)]
    elif kind in ("item", "last item"):
        bits |= 0x0040  # first-line indent: the bullet hangs left of the text
        spacing = [compressed_short(12 if kind == "last item" else 4)]
        indent = [compressed_short(MARGIN + 24), compressed_short(-20)]
        body = b"\x95  " + body
    data2 = b"\x00" + body + b"\x00" + b"\x00"
    fmt = bytearray()
    fmt += compressed_long(len(data2))  # TopicSize: bytes of the texts
    length = len(body) + 1             # the text and its paragraph mark
    fmt += compressed_ushort(length)   # TopicLength: characters of this paragraph
    fmt += b"\x00\x80\x00\x00"         # paragraph attributes prefix
    fmt += struct.pack("<H", bits)
    fmt += b"".join(spacing) + b"".join(indent)
    # Texts (data2) and commands alternate: "" font-change, text paragraph-end, "" end.
    fmt += bytes([0x80]) + struct.pack("<H", font)
    fmt += bytes([0x82, 0xFF])
    return bytes(fmt), data2, length


class TopicStream:
    """Lays the records out in the data of consecutive 4084-byte blocks."""

    def __init__(self):
        self.data = bytearray()
        self.records = []  # dicts: start (linear), size, type

    @staticmethod
    def position(linear):
        block, offset = divmod(linear, TOPIC_BLOCK_DATA)
        return block * 0x4000 + TOPIC_BLOCK_HEADER + offset

    def add(self, record_type, data1, data2):
        start = len(self.data)
        size = 0x15 + len(data1) + len(data2)
        self.records.append({"start": start, "size": size, "type": record_type,
                             "data1": data1, "data2": data2})
        self.data += bytes(size)
        return len(self.records) - 1


def build_topic_file(topics):
    """Returns (|TOPIC data, {context number: topic offset}, [topic offsets in order])."""
    stream = TopicStream()
    headers = []
    for t in topics:
        h = stream.add(RECORD_TOPIC_HEADER, bytes(28), t.title.encode(CODEPAGE))
        paragraphs = [display_record("title", t.title)]
        for i, (kind, text) in enumerate(t.blocks):
            following = t.blocks[i + 1][0] if i + 1 < len(t.blocks) else None
            if kind == "item" and following != "item":
                kind = "last item"
            paragraphs.append(display_record(kind, text))
        first = None
        lengths = []
        for d1, d2, length in paragraphs:
            r = stream.add(RECORD_DISPLAY, d1, d2)
            first = r if first is None else first
            lengths.append((r, length))
        headers.append((h, first, lengths))

    # Topic offsets: 0x8000 * block of the header + characters of the paragraphs that
    # start before it in the same block (the count starts again in every block).
    char_count = {}
    block_chars = {}
    lengths_by_record = {r: n for _, _, ls in headers for r, n in ls}
    for i, rec in enumerate(stream.records):
        block = rec["start"] // TOPIC_BLOCK_DATA
        char_count[i] = block * 0x8000 + block_chars.get(block, 0)
        if i in lengths_by_record:
            block_chars[block] = block_chars.get(block, 0) + lengths_by_record[i]
    topic_offsets = [char_count[h] for h, _, _ in headers]

    # Fill in the records now that every position is known.
    pos = [stream.position(r["start"]) for r in stream.records]
    header_index = {h: k for k, (h, _, _) in enumerate(headers)}
    for i, rec in enumerate(stream.records):
        prev_pos = pos[i - 1] if i > 0 else NONE
        next_pos = pos[i + 1] if i + 1 < len(stream.records) else NONE
        data1 = rec["data1"]
        if rec["type"] == RECORD_TOPIC_HEADER:
            k = header_index[i]
            _, first, _ = headers[k]
            next_topic = pos[headers[k + 1][0]] if k + 1 < len(headers) else NONE
            data1 = struct.pack("<7I",
                                0,                                   # BlockSize
                                topic_offsets[k - 1] if k else NONE,  # browse back
                                topic_offsets[k + 1] if k + 1 < len(headers) else NONE,
                                k,                                   # topic number
                                NONE,                                # no non-scrolling region
                                pos[first],                          # scrolling region
                                next_topic)
        data2 = rec["data2"]
        head = struct.pack("<IIIIIB", rec["size"], len(data2), prev_pos, next_pos,
                           0x15 + len(data1), rec["type"])
        raw = head + data1 + data2
        assert len(raw) == rec["size"]
        stream.data[rec["start"]:rec["start"] + rec["size"]] = raw

    # Cut the stream into blocks, each with its header: the last record position
    # before the block, the first record starting in it, the last topic header before.
    starts = [r["start"] for r in stream.records]
    nblocks = max(1, -(-len(stream.data) // TOPIC_BLOCK_DATA))
    out = bytearray()
    for b in range(nblocks):
        lo, hi = b * TOPIC_BLOCK_DATA, (b + 1) * TOPIC_BLOCK_DATA
        inside = [i for i, s in enumerate(starts) if lo <= s < hi]
        before = [i for i, s in enumerate(starts) if s < lo]
        topics_before = [i for i in before if stream.records[i]["type"] == RECORD_TOPIC_HEADER]
        out += struct.pack("<III",
                           pos[before[-1]] if before else NONE,
                           pos[inside[0]] if inside else NONE,
                           pos[topics_before[-1]] if topics_before else NONE)
        chunk = stream.data[lo:hi]
        out += chunk + bytes(TOPIC_BLOCK_DATA - len(chunk))  # whole blocks only
    offsets = {t.number: off for t, off in zip(topics, topic_offsets)}
    return bytes(out), offsets, topic_offsets


# ---- the other internal files ----------------------------------------------

def system_file(contents_offset):
    data = struct.pack("<HHHIH", 0x036C, 21, 1, 0, 0)  # 3.1, no compression
    def record(kind, payload):
        return struct.pack("<HH", kind, len(payload)) + payload
    data += record(1, HELP_TITLE.encode(CODEPAGE) + b"\x00")
    data += record(3, struct.pack("<I", contents_offset))
    return data


def font_file():
    faces = []
    for f in FONTS:
        if f[3] not in faces:
            faces.append(f[3])
    face_offset = 8
    dscr_offset = face_offset + FACE_SIZE * len(faces)
    data = struct.pack("<HHHH", len(faces), len(FONTS), face_offset, dscr_offset)
    for face in faces:
        data += face.encode("ascii").ljust(FACE_SIZE, b"\x00")
    for attrs, half_points, family, face, rgb in FONTS:
        data += struct.pack("<BBBH", attrs, half_points, family, faces.index(face))
        data += bytes(rgb) + bytes((255, 255, 255))
    return data


def ctxomap_file(map_offsets):
    data = struct.pack("<H", len(map_offsets))
    for number in sorted(map_offsets):
        data += struct.pack("<iI", number, map_offsets[number])
    return data


def btree_file(structure, page_size, entries):
    """A B+ tree of one leaf page holding every entry (already encoded and sorted)."""
    page = struct.pack("<HHhh", 0, len(entries), -1, -1) + b"".join(entries)
    if len(page) > page_size:
        raise ValueError("B+ tree entries do not fit one page")
    page = struct.pack("<H", page_size - len(page)) + page[2:]
    page += bytes(page_size - len(page))
    header = struct.pack("<HHH16sHHHhHHI", 0x293B, 0x0002 | (0x0400 if structure == "z4" else 0),
                         page_size, structure.encode("ascii"), 0, 0, 0, -1, 1, 1, len(entries))
    return header + page


def context_file(topics, offsets):
    pairs = sorted((context_hash(t.context), offsets[t.number]) for t in topics)
    return btree_file("L4", 0x0800, [struct.pack("<iI", h, o) for h, o in pairs])


def internal_file(data):
    return struct.pack("<IIB", 9 + len(data), len(data), 4) + data


def build_hlp(topics):
    topic, offsets, ordered = build_topic_file(topics)
    files = {
        "|SYSTEM": system_file(ordered[0]),
        "|TOPIC": topic,
        "|CONTEXT": context_file(topics, offsets),
        "|CTXOMAP": ctxomap_file(offsets),
        "|FONT": font_file(),
    }
    out = bytearray(16)
    placed = {}
    for name in sorted(files, key=lambda n: n.encode("ascii")):
        placed[name] = len(out)
        out += internal_file(files[name])
    entries = [name.encode("ascii") + b"\x00" + struct.pack("<I", placed[name])
               for name in sorted(files, key=lambda n: n.encode("ascii"))]
    directory_start = len(out)
    out += internal_file(btree_file("z4", 0x0400, entries))
    out[0:16] = struct.pack("<IIiI", 0x00035F3F, directory_start, -1, len(out))
    return bytes(out)


# ---- contents file and HTML page -------------------------------------------

def build_cnt(topics):
    lines = [f":Base {HELP_NAME}.hlp", f":Title {HELP_TITLE}"]
    book = None
    for t in topics:
        if t.book and t.book != book:
            book = t.book
            lines.append(f"1 {book}")
        level = 2 if book else 1
        lines.append(f"{level} {t.title}={t.context}")
    return ("\r\n".join(lines) + "\r\n").encode(CODEPAGE)


def build_htm(topics):
    e = html.escape
    parts = [
        "<!DOCTYPE html>",
        '<html lang="en">',
        "<head>",
        '<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">',
        f"<title>{e(HELP_TITLE)}</title>",
        "<style>",
        "body { font-family: Arial, sans-serif; font-size: 10pt; max-width: 42em; margin: 1em 2em; }",
        "h1 { font-size: 16pt; } h2 { font-size: 14pt; color: #000080; margin-top: 2em; }",
        "h3 { font-size: 11pt; color: #000080; } .contents li { margin: 0.2em 0; }",
        "</style>",
        "</head>",
        "<body>",
        f"<h1>{e(HELP_TITLE)}</h1>",
        '<div class="contents"><ul>',  # plain elements: old browsers too
    ]
    for t in topics:
        parts.append(f'<li><a href="#ctx{t.number}">{e(t.title)}</a></li>')
    parts.append("</ul></div>")
    for t in topics:
        parts.append(f'<div class="topic" id="ctx{t.number}">')
        parts.append(f'<h2><a name="{e(t.context)}"></a>{e(t.title)}</h2>')
        in_list = False
        for kind, text in t.blocks:
            if kind == "item" and not in_list:
                parts.append("<ul>")
                in_list = True
            elif kind != "item" and in_list:
                parts.append("</ul>")
                in_list = False
            tag = {"item": "li", "heading": "h3", "para": "p"}[kind]
            parts.append(f"<{tag}>{e(text)}</{tag}>")
        if in_list:
            parts.append("</ul>")
        parts.append("</div>")
    parts += ["</body>", "</html>", ""]
    return "\r\n".join(parts).encode(CODEPAGE, "xmlcharrefreplace")


def write_atomically(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: helpwriter.py TOPICS OUTDIR\n")
        return 2
    try:
        with open(argv[1], encoding="utf-8") as f:
            topics = parse_topics(f.read())
    except (OSError, SourceError, UnicodeError) as err:
        sys.stderr.write(f"helpwriter: {argv[1]}: {err}\n")
        return 1
    os.makedirs(argv[2], exist_ok=True)
    base = os.path.join(argv[2], HELP_NAME)
    write_atomically(base + ".hlp", build_hlp(topics))
    write_atomically(base + ".cnt", build_cnt(topics))
    write_atomically(base + ".htm", build_htm(topics))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
