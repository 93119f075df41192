"""The help files as a reader sees them: a small WinHelp reader of its own opens
Quillnox.hlp (header, internal directory, |SYSTEM, |FONT, |TOPIC, |CTXOMAP, |CONTEXT)
and checks that every context number leads to its topic; the contents file and the
HTML page list the same topics. Also the writer's refusals of a bad source.

QLX_HELP_DIR names the folder of the built help files; without it they are written
into a temporary folder first.
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WRITER = os.path.join(ROOT, "tools", "helpwriter.py")
TOPICS = os.path.join(ROOT, "resources", "help", "topics.txt")

# The help table of the main window: context number -> title, and words the topic
# must speak of.
EXPECTED = {
    5: ("The Quillnox window", ["question-mark", "Always Visible"]),
    6: ("Attaching files", ["Open", "Suppress", "Encrypt with Quillnox"]),
    7: ("Writing a message", ["New document"]),
    8: ("Choosing a passphrase", ["Manual", "List...", "Automatic Key Identification"]),
    9: ("The passphrase list and key exchange", ["Add", "Delete", "Import", "Export",
                                                 "transfer password", "AES"]),
    10: ("Encrypting, mailing and decrypting", ["Send", "Recycle Bin", ".vek", "Quit"]),
    11: ("The access password", ["Activate user authentication", "Modify", "Hide password"]),
    12: ("Choosing the algorithm", ["AES", "DES"]),
    22: ("Self-extracting packages", [".exe", "passphrase"]),
    101: ("Answering with an encrypted reply", ["Reply", "> "]),
}


def u16(b, o):
    return struct.unpack_from("<H", b, o)[0]


def u32(b, o):
    return struct.unpack_from("<I", b, o)[0]


def winhelp_hash(name):
    h = 0
    for c in name.upper():
        if "A" <= c <= "Z":
            x = ord(c) - ord("A") + 17
        elif "1" <= c <= "9":
            x = ord(c) - ord("0")
        else:
            x = {"0": 10, ".": 12, "_": 13}.get(c, 0)
        if x:
            h = (h * 43 + x) % (1 << 32)
    return struct.unpack("<i", struct.pack("<I", h))[0]


class HelpFile:
    """Reads a WinHelp 3.1 file without compression."""

    def __init__(self, data):
        self.data = data
        magic, self.dir_start, _, size = struct.unpack_from("<IIiI", data, 0)
        if magic != 0x00035F3F:
            raise ValueError("not a help file")
        if size != len(data):
            raise ValueError("file size in the header is %d, file has %d" % (size, len(data)))
        self.directory = dict(self.btree_leaves(self.dir_start, self.dir_entry))
        self.files = {name: self.internal(off) for name, off in self.directory.items()}

    def internal(self, off):
        reserved, used, _flags = struct.unpack_from("<IIB", self.data, off)
        if reserved < used + 9 or off + reserved > len(self.data):
            raise ValueError("internal file at %d does not fit" % off)
        return self.data[off + 9: off + 9 + used]

    @staticmethod
    def dir_entry(page, p):
        end = page.index(b"\x00", p)
        return (page[p:end].decode("ascii"), u32(page, end + 1)), end + 5

    @staticmethod
    def ctx_entry(page, p):
        return struct.unpack_from("<iI", page, p), p + 8

    def btree_leaves(self, file_off, entry):
        tree = self.internal(file_off)
        if u16(tree, 0) != 0x293B:
            raise ValueError("bad B+ tree magic")
        page_size, root, levels = u16(tree, 4), u16(tree, 26), u16(tree, 32)
        total = u32(tree, 34)
        pages = tree[38:]
        page_no = root
        for _ in range(levels - 1):           # index pages: first child, then the leaf chain
            page_no = u16(pages, page_no * page_size + 4)
        out = []
        while page_no != 0xFFFF:
            page = pages[page_no * page_size:(page_no + 1) * page_size]
            p = 8
            for _ in range(u16(page, 2)):
                item, p = entry(page, p)
                out.append(item)
            page_no = u16(page, 6)
        if len(out) != total:
            raise ValueError("B+ tree holds %d entries, header says %d" % (len(out), total))
        return out

    def system(self):
        s = self.files["|SYSTEM"]
        magic, minor, major = struct.unpack_from("<HHH", s, 0)
        records = {}
        p = 12
        while p + 4 <= len(s):
            kind, size = u16(s, p), u16(s, p + 2)
            records[kind] = s[p + 4:p + 4 + size]
            p += 4 + size
        return (magic, minor, major, u16(s, 10)), records

    def fonts(self):
        f = self.files["|FONT"]
        nfaces, ndesc, face_off, desc_off = struct.unpack_from("<HHHH", f, 0)
        face_len = (desc_off - face_off) // nfaces
        faces = [f[face_off + i * face_len: face_off + (i + 1) * face_len].rstrip(b"\x00")
                 for i in range(nfaces)]
        return [(f[desc_off + i * 11], f[desc_off + i * 11 + 1], faces[u16(f, desc_off + i * 11 + 3)])
                for i in range(ndesc)]

    def topics(self):
        """Walks the records: [(topic offset, title, text)] in file order."""
        raw = self.files["|TOPIC"]
        blocks = [raw[i + 12:i + 0x1000] for i in range(0, len(raw), 0x1000)]
        stream = b"".join(blocks)
        topics, ref, chars, last_block, seen = [], 12, 0, None, set()
        while ref != 0xFFFFFFFF:
            if ref in seen:
                raise ValueError("record chain loops")
            seen.add(ref)
            block, offset = (ref - 12) >> 14, (ref - 12) & 0x3FFF
            if block >= len(blocks) or offset >= 0x1000 - 12:
                raise ValueError("record position %#x outside |TOPIC" % ref)
            if block != last_block:
                chars, last_block = 0, block
            rec = stream[block * (0x1000 - 12) + offset:]
            size, len2, _prev, nxt, len1 = struct.unpack_from("<IIIII", rec, 0)
            kind = rec[0x14]
            if len1 + len2 != size:
                raise ValueError("record sizes disagree")
            data2 = rec[len1:size]
            if kind == 0x02:
                topics.append([block * 0x8000 + chars, data2.split(b"\x00")[0].decode("cp1252"), ""])
            elif kind == 0x20:
                p = 0x15
                p += 4 if rec[p] & 1 else 2                       # TopicSize
                length = (u16(rec, p) if rec[p] & 1 else rec[p]) // 2
                chars += length
                text = data2.replace(b"\x00", b"").decode("cp1252")
                topics[-1][2] += text + "\n"
            else:
                raise ValueError("unexpected record type %#x" % kind)
            ref = nxt
        return topics

    def ctxomap(self):
        m = self.files["|CTXOMAP"]
        return {struct.unpack_from("<i", m, 2 + 8 * i)[0]: u32(m, 6 + 8 * i) for i in range(u16(m, 0))}

    def context(self):
        return dict(self.btree_leaves(self.directory["|CONTEXT"], self.ctx_entry))


def write_help(topics_text, folder):
    src = os.path.join(folder, "topics.txt")
    with open(src, "w", encoding="utf-8") as f:
        f.write(topics_text)
    return subprocess.run([sys.executable, WRITER, src, os.path.join(folder, "out")],
                          capture_output=True, text=True)


class BuiltHelp(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        folder = os.environ.get("QLX_HELP_DIR")
        if not folder:
            cls.tmp = tempfile.TemporaryDirectory()
            folder = cls.tmp.name
            subprocess.run([sys.executable, WRITER, TOPICS, folder], check=True)
        with open(os.path.join(folder, "Quillnox.hlp"), "rb") as f:
            cls.hlp = HelpFile(f.read())
        with open(os.path.join(folder, "Quillnox.cnt"), "rb") as f:
            cls.cnt = f.read().decode("cp1252")
        with open(os.path.join(folder, "Quillnox.htm"), "rb") as f:
            cls.htm = f.read().decode("cp1252")
        cls.topics = cls.hlp.topics()
        cls.by_offset = {off: (title, text) for off, title, text in cls.topics}

    def test_directory_holds_the_five_internal_files(self):
        self.assertEqual(sorted(self.hlp.directory),
                         ["|CONTEXT", "|CTXOMAP", "|FONT", "|SYSTEM", "|TOPIC"])

    def test_topic_file_is_whole_blocks(self):
        # The viewer copies every 4 KB block whole, the last one too.
        self.assertEqual(len(self.hlp.files["|TOPIC"]) % 0x1000, 0)

    def test_system_header_and_title(self):
        (magic, minor, major, flags), records = self.hlp.system()
        self.assertEqual((magic, minor, major, flags), (0x036C, 21, 1, 0))
        self.assertEqual(records[1], b"Quillnox Help\x00")
        self.assertEqual(u32(records[3], 0), self.topics[0][0])   # contents = first topic

    def test_fonts_are_described(self):
        fonts = self.hlp.fonts()
        self.assertGreaterEqual(len(fonts), 1)
        for _attrs, half_points, face in fonts:
            self.assertTrue(16 <= half_points <= 32)
            self.assertEqual(face, b"Arial")

    def test_every_context_number_opens_its_topic(self):
        ctxomap = self.hlp.ctxomap()
        self.assertEqual(sorted(ctxomap), sorted(EXPECTED))
        for number, (title, words) in EXPECTED.items():
            with self.subTest(number=number):
                self.assertIn(ctxomap[number], self.by_offset)
                got_title, text = self.by_offset[ctxomap[number]]
                self.assertEqual(got_title, title)
                self.assertTrue(text.startswith(title + "\n"), text[:80])  # shown first
                for w in words:
                    self.assertIn(w, text)

    def test_one_topic_per_number(self):
        self.assertEqual(len(self.topics), len(EXPECTED))
        self.assertEqual(len(set(self.hlp.ctxomap().values())), len(EXPECTED))

    def test_contents_file_lists_every_topic_by_its_context_string(self):
        lines = self.cnt.split("\r\n")
        self.assertEqual(lines[0], ":Base Quillnox.hlp")
        self.assertEqual(lines[-1], "")
        entries = {}
        for line in lines[1:-1]:
            if line.startswith(":"):
                continue
            level, rest = line.split(" ", 1)
            if "=" in rest:
                title, context = rest.rsplit("=", 1)
                entries[title] = context
            else:
                self.assertEqual(level, "1")                # a heading
        self.assertEqual(sorted(entries), sorted(t for t, _ in EXPECTED.values()))
        context = self.hlp.context()
        ctxomap = self.hlp.ctxomap()
        for number, (title, _) in EXPECTED.items():
            with self.subTest(title=title):
                self.assertEqual(context[winhelp_hash(entries[title])], ctxomap[number])

    def test_html_page_has_one_anchor_per_topic(self):
        for number, (title, words) in EXPECTED.items():
            with self.subTest(number=number):
                start = self.htm.index('<div class="topic" id="ctx%d">' % number)
                section = self.htm[start:self.htm.index("</div>", start)]
                self.assertIn(">%s</h2>" % title.replace("&", "&amp;"), section)
                for w in words:
                    self.assertIn(w.replace(">", "&gt;").replace('"', "&quot;"), section)
                self.assertIn('<a href="#ctx%d">' % number, self.htm)


class WriterLayout(unittest.TestCase):
    def test_many_topics_across_blocks_keep_their_numbers(self):
        # 60 topics of varying length fill many 4 KB blocks, with records across
        # block boundaries and topics starting at every kind of place in a block.
        src = []
        for n in range(1, 61):
            src.append("topic %d t%d\ntitle Topic number %d\n" % (n * 7, n, n))
            src.append(("Paragraph of topic %d. " % n) * (n % 9 + 1) + "\n\n* item %d\n" % n)
        with tempfile.TemporaryDirectory() as folder:
            r = write_help("".join(src), folder)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(os.path.join(folder, "out", "Quillnox.hlp"), "rb") as f:
                hlp = HelpFile(f.read())
        topics = hlp.topics()
        self.assertGreater(len(hlp.files["|TOPIC"]) // 0x1000, 4)
        by_offset = {off: title for off, title, _ in topics}
        ctxomap = hlp.ctxomap()
        context = hlp.context()
        for n in range(1, 61):
            self.assertEqual(by_offset[ctxomap[n * 7]], "Topic number %d" % n)
            self.assertEqual(context[winhelp_hash("t%d" % n)], ctxomap[n * 7])


class WriterRefusals(unittest.TestCase):
    CASES = [
        ("duplicate number", "topic 5 a\ntitle A\ntext\n\ntopic 5 b\ntitle B\ntext\n", "used twice"),
        ("no title", "topic 5 a\ntext\n", "no title"),
        ("no text", "topic 5 a\ntitle A\n", "no text"),
        ("same hash", "topic 5 ab\ntitle A\ntext\n\ntopic 6 AB\ntitle B\ntext\n", "hashes like"),
        ("text before topic", "stray text\n", "before the first topic"),
        ("not in the code page", "topic 5 a\ntitle A\n\u4e2d\n", "codec"),
    ]

    def test_bad_sources_are_refused_and_nothing_is_written(self):
        for name, text, message in self.CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                r = write_help(text, folder)
                self.assertEqual(r.returncode, 1)
                self.assertIn(message, r.stderr)
                self.assertFalse(os.path.exists(os.path.join(folder, "out", "Quillnox.hlp")))


if __name__ == "__main__":
    unittest.main()
