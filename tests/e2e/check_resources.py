#!/usr/bin/python3
"""Checks the resources of a built stub (or of an installer made from it).

    /usr/bin/python3 check_resources.py FILE.exe [--payload]

Reads the PE with pefile (an independent reader) and checks, byte by byte, the
dialog template AUTO_KPX, the bitmap VND_L, the icon G_ICON and the manifest.
With --payload, an "EXE_DATA" resource with id 1 must be present too; without
it, it must be absent. Exit code 0 when every check holds; each failure is
printed on its own line.
"""
import struct
import sys

import pefile

RT_ICON, RT_BITMAP, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 2, 5, 14, 24
LANG_FR_FR = 0x040C

# (id, class atom, text, style, x, y, cx, cy)
CONTROLS = [
    (1, 0x80, "OK", 0x50030001, 120, 40, 88, 14),
    (2, 0x80, "Quitter", 0x50030000, 216, 40, 60, 14),
    (10, 0x82, "VND_L", 0x5000000E, 0, 0, 115, 57),
    (20, 0x82, "", 0x50000001, 124, 4, 148, 32),
]
CLASS_NAMES = {0x80: "button", 0x82: "static"}


class Reader:
    def __init__(self, data):
        self.d = data
        self.p = 0

    def u16(self):
        v = struct.unpack_from("<H", self.d, self.p)[0]
        self.p += 2
        return v

    def i16(self):
        v = struct.unpack_from("<h", self.d, self.p)[0]
        self.p += 2
        return v

    def u32(self):
        v = struct.unpack_from("<I", self.d, self.p)[0]
        self.p += 4
        return v

    def u8(self):
        v = self.d[self.p]
        self.p += 1
        return v

    def align4(self):
        self.p = (self.p + 3) & ~3

    def sz_or_ord(self):
        """A zero-terminated UTF-16 string, or 0xFFFF followed by an ordinal."""
        first = struct.unpack_from("<H", self.d, self.p)[0]
        if first == 0xFFFF:
            self.p += 2
            return self.u16()
        chars = []
        while True:
            c = self.u16()
            if c == 0:
                return "".join(chars)
            chars.append(chr(c))


def parse_dialogex(data):
    r = Reader(data)
    t = {}
    t["version"] = r.u16()
    t["signature"] = r.u16()
    t["helpid"] = r.u32()
    t["exstyle"] = r.u32()
    t["style"] = r.u32()
    t["count"] = r.u16()
    t["pos"] = (r.i16(), r.i16(), r.i16(), r.i16())
    t["menu"] = r.sz_or_ord()
    t["class"] = r.sz_or_ord()
    t["title"] = r.sz_or_ord()
    t["font"] = (r.u16(), r.u16(), r.u8(), r.u8(), r.sz_or_ord())
    items = []
    for _ in range(t["count"]):
        r.align4()
        it = {}
        it["helpid"] = r.u32()
        it["exstyle"] = r.u32()
        it["style"] = r.u32()
        it["pos"] = (r.i16(), r.i16(), r.i16(), r.i16())
        it["id"] = r.u32()
        it["class"] = r.sz_or_ord()
        it["text"] = r.sz_or_ord()
        it["extra"] = r.u16()
        r.p += it["extra"]
        items.append(it)
    t["items"] = items
    t["end"] = r.p
    return t


def find(pe, rtype, name):
    """[(lang, bytes)] of a resource by type and name (str or int)."""
    out = []
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return out
    for te in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        tid = te.id if te.name is None else str(te.name)
        if tid != rtype:
            continue
        for ne in te.directory.entries:
            nid = ne.id if ne.name is None else str(ne.name)
            if nid != name:
                continue
            for le in ne.directory.entries:
                ds = le.data.struct
                out.append((le.id, pe.get_data(ds.OffsetToData, ds.Size)))
    return out


def check(path, want_payload):
    errors = []

    def expect(what, got, want):
        if got != want:
            errors.append("%s: %r, expected %r" % (what, got, want))

    pe = pefile.PE(path)

    dlg = find(pe, RT_DIALOG, "AUTO_KPX")
    expect("AUTO_KPX languages", [lang for lang, _ in dlg], [LANG_FR_FR])
    if dlg:
        t = parse_dialogex(dlg[0][1])
        expect("version", t["version"], 1)
        expect("signature", t["signature"], 0xFFFF)
        expect("help id", t["helpid"], 0)
        expect("extended style", hex(t["exstyle"]), hex(0x00000401))
        expect("style", hex(t["style"]), hex(0x908020C4))
        expect("position and size", t["pos"], (40, 27, 282, 57))
        expect("menu", t["menu"], "")
        expect("class", t["class"], "")
        expect("title", t["title"], "")
        expect("font", t["font"], (10, 0, 0, 1, "Helv"))
        expect("control count", t["count"], 4)
        for i, (it, want) in enumerate(zip(t["items"], CONTROLS)):
            cid, catom, text, style, x, y, cx, cy = want
            expect("control %d id" % i, it["id"], cid)
            expect("control %d class (%s)" % (i, CLASS_NAMES[catom]), it["class"], catom)
            expect("control %d text" % i, it["text"], text)
            expect("control %d style" % i, hex(it["style"]), hex(style))
            expect("control %d extended style" % i, it["exstyle"], 0)
            expect("control %d help id" % i, it["helpid"], 0)
            expect("control %d position" % i, it["pos"], (x, y, cx, cy))
            expect("control %d creation data" % i, it["extra"], 0)
        expect("template length", t["end"], len(dlg[0][1]))
        expect("template bytes", len(dlg[0][1]), 208)

    bmp = find(pe, RT_BITMAP, "VND_L")
    expect("VND_L languages", [lang for lang, _ in bmp], [LANG_FR_FR])
    if bmp:
        d = bmp[0][1]
        size, w, h, planes, bpp, comp, _, _, _, used = struct.unpack_from("<IiiHHIIiiI", d)
        expect("VND_L header size", size, 40)
        expect("VND_L size", (w, h), (229, 113))
        expect("VND_L planes and bits", (planes, bpp), (1, 8))
        expect("VND_L compression", comp, 0)
        colours = used or 256
        expect("VND_L colours", colours, 256)
        stride = (w + 3) & ~3
        expect("VND_L length", len(d), 40 + 4 * colours + stride * h)

    grp = find(pe, RT_GROUP_ICON, "G_ICON")
    if len(grp) != 1:
        errors.append("G_ICON: %d group icon resources" % len(grp))
    else:
        d = grp[0][1]
        _, typ, count = struct.unpack_from("<HHH", d)
        expect("G_ICON type", typ, 1)
        sizes = []
        for i in range(count):
            w, h, _, _, _, bpp, nbytes, rid = struct.unpack_from("<BBBBHHIH", d, 6 + 14 * i)
            img = find(pe, RT_ICON, rid)
            if len(img) != 1 or len(img[0][1]) != nbytes:
                errors.append("G_ICON image %d missing or of the wrong length" % rid)
            sizes.append(w or 256)
        expect("G_ICON sizes", sorted(sizes), [16, 32, 48])

    man = find(pe, RT_MANIFEST, 1)
    if len(man) != 1:
        errors.append("manifest id 1: %d found" % len(man))
    else:
        text = man[0][1].decode("utf-8", "replace")
        if 'level="asInvoker"' not in text:
            errors.append("manifest: no asInvoker execution level")
        if "Microsoft.Windows.Common-Controls" in text:
            errors.append("manifest: depends on Common Controls 6")

    payload = find(pe, "EXE_DATA", 1)
    if want_payload and len(payload) != 1:
        errors.append("EXE_DATA 1: %d found, expected 1" % len(payload))
    if not want_payload and payload:
        errors.append("EXE_DATA 1 present in a stub without payload")
    return errors


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    if len(args) != 1:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    errors = check(args[0], "--payload" in sys.argv)
    for e in errors:
        print("%s: %s" % (args[0], e))
    if not errors:
        print("%s: resources as expected" % args[0])
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
