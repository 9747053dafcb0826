#!/usr/bin/python3
"""Command-line tests of sfxpack: build, list, test and extract on real folders,
the refusals, reproducibility, and the installers checked with pefile (an
independent PE reader) and run under wine64."""
import argparse
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

import pefile

ARGS = None
AUCUNE = "Aucune information d'installation !"


def run(*args, env=None, cwd=None):
    return subprocess.run([ARGS.sfxpack, *args], capture_output=True, text=True, env=env, cwd=cwd)


def write(path, data, mtime_ns=None):
    with open(path, "wb") as f:
        f.write(data)
    if mtime_ns is not None:
        os.utime(path, ns=(mtime_ns, mtime_ns))


def checkword(size, mode, name, info, data):
    body = name + info + data
    s = sum(((j % 16) + 1) * b for j, b in enumerate(body))
    return ~(size + mode + len(name) + len(info) + s) & 0xFFFFFFFF


def raw_entry(name, info, mode, content_size, data):
    flip = 0xFF if mode & 1 else 0
    name = bytes(b ^ flip for b in name)
    info = bytes(b ^ flip for b in info)
    size = 24 + len(name) + len(info) + len(data)
    return struct.pack("<iIIiii", size, checkword(size, mode, name, info, data), mode, len(name),
                       len(info), content_size) + name + info + data


def raw_archive(*entries):
    return struct.pack("<i", 272) + bytes(268) + b"".join(entries)


def resources(path):
    """{(type, name, language): (codepage, bytes)} as pefile reads them."""
    pe = pefile.PE(path)
    found = {}
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for n in t.directory.entries:
            for lang in n.directory.entries:
                d = lang.data.struct
                key = (str(t.name) if t.name else t.id, str(n.name) if n.name else n.id, lang.id)
                found[key] = (d.CodePage, pe.get_data(d.OffsetToData, d.Size))
    return pe, found


class SfxpackTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for what, path in (("sfxpack", ARGS.sfxpack), ("x86_64 PE fixture", ARGS.fixture64),
                           ("i686 PE fixture", ARGS.fixture32)):
            if not os.path.isfile(path):
                raise AssertionError(f"{what} missing: {path} (build the win64 and win32 "
                                     "configurations first, or set SFX_BUILD_ROOT)")
        cls.tmp = tempfile.mkdtemp(prefix="sfxpack-test-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def folder(self, name):
        path = os.path.join(self.tmp, name)
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        return path

    def product_folder(self, name):
        """A payload of every kind: setup program, setup information, odd names and sizes."""
        d = self.folder(name)
        rng = random.Random(7)
        times = {}
        files = {
            "AutoInst_Setup.exe": bytes(rng.randrange(256) for _ in range(30000)),
            "product.kpx": b"[Setup]\r\nInstall=Produit X\r\n",
            "pr\u00e9face \u20ac.txt": "d\u00e9j\u00e0 vu\n".encode("utf-8") * 500,
            "empty.dat": b"",
            "big.txt": b"".join(b"line %d of a rather repetitive text file\n" % i for i in range(20000)),
            "zeros.bin": bytes(100000),
        }
        stamps = [1609459200123456789, 0, -86400 * 365 * 5 + 999, 4102444800000000000,
                  1700000000000000100, 1500000000000000000]
        for (fname, data), ns in zip(sorted(files.items()), stamps):
            write(os.path.join(d, fname), data, ns)
            times[fname] = ns
        return d, files, times

    def assertRefused(self, result, output, *names):
        self.assertNotEqual(result.returncode, 0, result.stderr)
        for n in names:
            self.assertIn(n, result.stderr)
        self.assertFalse(os.path.exists(output), "an output file was left behind")
        leftovers = [f for f in os.listdir(os.path.dirname(output)) if f.startswith(os.path.basename(output))]
        self.assertEqual(leftovers, [])

    def test_round_trip_build_list_test_extract(self):
        for store, mode in ((False, "3"), (True, "1")):
            with self.subTest(store=store):
                d, files, times = self.product_folder("product")
                out = os.path.join(self.tmp, "setup-%d.exe" % store)
                r = run("build", d, "-o", out, "--stub", ARGS.fixture64, *(["--store"] if store else []))
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(r.stderr, "")

                r = run("list", out)
                self.assertEqual(r.returncode, 0, r.stderr)
                rows = r.stdout.splitlines()[1:]
                self.assertEqual([row.split("  ")[-1] for row in rows],
                                 sorted(files, key=lambda n: n.encode("cp1252")))
                for row in rows:
                    fields = row.split()
                    self.assertEqual(fields[0], mode)
                    name = row.split("  ")[-1]
                    self.assertEqual(int(fields[1]), len(files[name]))
                big = next(row for row in rows if row.endswith("zeros.bin")).split()
                if store:
                    self.assertEqual(big[1], big[2])
                else:
                    self.assertLess(int(big[2]), int(big[1]) // 50)
                self.assertIn("2021-01-01 00:00:00", r.stdout)

                r = run("test", out)
                self.assertEqual(r.returncode, 0, r.stderr)

                dest = os.path.join(self.tmp, "extracted")
                shutil.rmtree(dest, ignore_errors=True)
                r = run("extract", out, "-o", dest)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(sorted(os.listdir(dest)), sorted(files))
                for fname, data in files.items():
                    path = os.path.join(dest, fname)
                    with open(path, "rb") as f:
                        self.assertEqual(f.read(), data, fname)
                    # FILETIME counts 100 ns.
                    self.assertEqual(os.stat(path).st_mtime_ns, times[fname] // 100 * 100, fname)

    def test_refusals_leave_no_output(self):
        def subdir(d):
            os.mkdir(os.path.join(d, "sub"))
            return ["sub"]

        def named(name):
            def make(d):
                write(os.path.join(d, name), b"x")
                return [name]
            return make

        def dangling(d):
            os.symlink("nowhere", os.path.join(d, "link.txt"))
            return ["link.txt"]

        def case_twins(d):
            write(os.path.join(d, "Read.me"), b"1")
            write(os.path.join(d, "READ.ME"), b"2")
            return ["READ.ME", "Read.me"]

        cases = [
            ("subdirectory", subdir, True),
            ("name over 63 bytes", named("n" * 60 + ".txt"), True),
            ("64 bytes in UTF-8, 32 in Windows-1252", named("\u00e9" * 32), False),
            ("not in Windows-1252", named("\u65e5\u672c.txt"), True),
            ("device name", named("CON.txt"), True),
            ("device name, lower case", named("lpt1"), True),
            ("colon", named("a:b.txt"), True),
            ("backslash", named("a\\b.txt"), True),
            ("dots only", named("..."), True),
            ("trailing blank", named("x "), True),
            ("not a regular file", dangling, True),
            ("names equal without case", case_twins, True),
        ]
        for what, make, refused in cases:
            with self.subTest(what):
                d = self.folder("refuse")
                write(os.path.join(d, "AutoInst_ok.exe"), b"MZ")
                names = make(d)
                out = os.path.join(self.tmp, "refused-out", "setup.exe")
                os.makedirs(os.path.dirname(out), exist_ok=True)
                r = run("build", d, "-o", out, "--stub", ARGS.fixture64)
                if refused:
                    self.assertRefused(r, out, *names)
                    self.assertNotIn("Traceback", r.stderr)
                else:
                    self.assertEqual(r.returncode, 0, r.stderr)
                    os.remove(out)

        with self.subTest("empty folder"):
            d = self.folder("empty")
            out = os.path.join(self.tmp, "refused-out", "setup.exe")
            self.assertRefused(run("build", d, "-o", out, "--stub", ARGS.fixture64), out, d, "empty")
        with self.subTest("stub missing"):
            d = self.folder("nostub")
            write(os.path.join(d, "AutoInst_ok.exe"), b"MZ")
            out = os.path.join(self.tmp, "refused-out", "setup.exe")
            self.assertRefused(run("build", d, "-o", out, "--stub", "/nonexistent/stub.exe"), out,
                               "/nonexistent/stub.exe")
        with self.subTest("stub not a PE"):
            bad = os.path.join(self.tmp, "notpe.exe")
            write(bad, b"just text, no executable")
            self.assertRefused(run("build", d, "-o", out, "--stub", bad), out, bad)

    def test_all_problems_are_listed_at_once(self):
        d = self.folder("many")
        for n in ("CON", "a:b", "ok.txt"):
            write(os.path.join(d, n), b"x")
        os.mkdir(os.path.join(d, "sub"))
        out = os.path.join(self.tmp, "many.exe")
        r = run("build", d, "-o", out, "--stub", ARGS.fixture64)
        self.assertRefused(r, out, "CON", "a:b", "sub")
        self.assertNotIn("ok.txt", r.stderr)

    def test_warning_without_setup_entries(self):
        cases = [
            ("no recognised entry", {"readme.txt": b"hello"}, True),
            ("kpx without the key", {"a.kpx": b"Product=X\r\n"}, True),
            ("kpx with an empty value", {"a.kpx": b"Install=\r\n"}, True),
            ("setup program in lower case", {"autoinst_setup.exe": b"MZ"}, True),
            ("setup program", {"AutoInst_x.exe": b"MZ"}, False),
            ("kpx naming a product", {"info.KPX": b"install=Produit"}, False),
        ]
        for what, files, warned in cases:
            with self.subTest(what):
                d = self.folder("warn")
                for n, data in files.items():
                    write(os.path.join(d, n), data)
                out = os.path.join(self.tmp, "warn.exe")
                r = run("build", d, "-o", out, "--stub", ARGS.fixture64)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertTrue(os.path.isfile(out))
                self.assertEqual(AUCUNE in r.stderr, warned, r.stderr)
                os.remove(out)

    def test_output_is_reproducible(self):
        d, _, _ = self.product_folder("repro")
        a, b = os.path.join(self.tmp, "a.exe"), os.path.join(self.tmp, "sub-b")
        os.makedirs(b, exist_ok=True)
        b = os.path.join(b, "other-name.exe")
        self.assertEqual(run("build", d, "-o", a, "--stub", ARGS.fixture64).returncode, 0)
        os.utime(d)  # the folder's own time does not matter
        env = dict(os.environ, SFXPACK_STUB=ARGS.fixture64)
        r = run("build", d, "-o", b, env=env)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(a, "rb") as fa, open(b, "rb") as fb:
            self.assertEqual(fa.read(), fb.read())

    def test_pefile_sees_the_payload_and_every_other_resource(self):
        d, files, _ = self.product_folder("pe")
        for label, fixture in (("x86_64", ARGS.fixture64), ("i686", ARGS.fixture32)):
            with self.subTest(label):
                out = os.path.join(self.tmp, "pe-%s.exe" % label)
                r = run("build", d, "-o", out, "--stub", fixture)
                self.assertEqual(r.returncode, 0, r.stderr)
                before_pe, before = resources(fixture)
                pe, after = resources(out)
                payload = after.pop(("EXE_DATA", 1, 0))[1]
                self.assertEqual(after, before)  # dialog, bitmap, icons, manifest, version
                self.assertEqual(pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum())
                self.assertEqual(pe.FILE_HEADER.Machine, before_pe.FILE_HEADER.Machine)
                self.assertEqual(pe.sections[-1].Name.rstrip(b"\0"), b".rsrc")
                last = pe.sections[-1]
                self.assertEqual(pe.OPTIONAL_HEADER.SizeOfImage,
                                 (last.VirtualAddress + last.Misc_VirtualSize + 0xFFF) // 0x1000 * 0x1000)
                self.assertEqual(set(pe.get_warnings()) - set(before_pe.get_warnings()), set())
                self.assertEqual(struct.unpack_from("<i", payload)[0], 272)

                # The bytes pefile sees are the archive: the tool reads them as one.
                raw = os.path.join(self.tmp, "payload-%s.bin" % label)
                write(raw, payload)
                self.assertEqual(run("test", raw).returncode, 0)
                self.assertEqual(run("list", raw).stdout, run("list", out).stdout)

                # An installer used as the stub gets its payload replaced, not added.
                small = self.folder("small")
                write(os.path.join(small, "AutoInst_x.exe"), b"MZ tiny")
                again = os.path.join(self.tmp, "again-%s.exe" % label)
                r = run("build", small, "-o", again, "--stub", out)
                self.assertEqual(r.returncode, 0, r.stderr)
                pe2, after2 = resources(again)
                self.assertEqual(len(pe2.sections), len(pe.sections))
                self.assertEqual(pe2.OPTIONAL_HEADER.CheckSum, pe2.generate_checksum())
                self.assertEqual([k for k in after2 if k[0] == "EXE_DATA"], [("EXE_DATA", 1, 0)])
                after2.pop(("EXE_DATA", 1, 0))
                self.assertEqual(after2, before)
                self.assertLess(os.path.getsize(again), os.path.getsize(out))

    def test_installer_runs_under_wine64(self):
        d, _, _ = self.product_folder("wine")
        out = os.path.join(self.tmp, "wine-setup.exe")
        self.assertEqual(run("build", d, "-o", out, "--stub", ARGS.fixture64).returncode, 0)
        dumped = os.path.join(self.tmp, "dumped.bin")
        def wine(*args):
            log = os.path.join(self.tmp, "wine.log")
            # Output to a file: Wine's background processes may keep a pipe open.
            with open(log, "w") as f:
                r = subprocess.run([ARGS.with_wine, ARGS.wine_prefix, "/usr/lib/wine/wine64", *args],
                                   stdin=subprocess.DEVNULL, stdout=f, stderr=subprocess.STDOUT,
                                   timeout=300)
            with open(log) as f:
                return r.returncode, f.read()

        # The fixture exits 0 only when it finds its dialog, bitmap, icon,
        # manifest and an archive in EXE_DATA 1; 16 means no payload.
        code, output = wine(ARGS.fixture64)
        self.assertEqual(code, 16, output)
        code, output = wine(out, dumped)
        self.assertEqual(code, 0, output)
        _, after = resources(out)
        with open(dumped, "rb") as f:
            self.assertEqual(f.read(), after[("EXE_DATA", 1, 0)][1])

    def test_damaged_archives(self):
        good = raw_entry(b"good.txt", b"i\r\nDWCL=1\r\nDWCH=30000000", 0, 5, b"hello")
        cases = []
        damaged = bytearray(raw_archive(good, raw_entry(b"second.txt", b"", 1, 3, bytes([0x9E] * 3))))
        damaged[-1] ^= 0x01
        cases.append(("wrong checkword", bytes(damaged), "second.txt", "checkword"))
        # A sound checkword over a stream that reaches back before its start.
        stream = bytes([0x40, 0xFE, 0xFE, 5, 3])  # escape FE, then distance 5 with nothing written
        cases.append(("decoding error", raw_archive(good, raw_entry(b"bad.bin", b"", 2, 3, stream)),
                      "bad.bin", "code 61"))
        cases.append(("unsafe name", raw_archive(good, raw_entry(b"..\\evil.txt", b"", 0, 1, b"x")),
                      "..\\evil.txt", "name"))
        cases.append(("device name", raw_archive(good, raw_entry(b"nul.txt", b"", 0, 1, b"x")),
                      "nul.txt", "device"))
        cases.append(("mode 5", raw_archive(good, raw_entry(b"five.txt", b"", 5, 1, b"x")),
                      "five.txt", "mode 5"))
        cases.append(("stream shorter than declared", raw_archive(good, raw_entry(b"short.bin", b"", 2, 10, b"\x00abc")),
                      "short.bin", "instead of 10"))
        cases.append(("trailing bytes", raw_archive(good) + b"xyz", "", "after the last entry"))
        for what, data, name, reason in cases:
            with self.subTest(what):
                path = os.path.join(self.tmp, "damaged.bin")
                write(path, data)
                r = run("test", path)
                self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                self.assertIn(name, r.stderr)
                self.assertIn(reason, r.stderr)
                dest = os.path.join(self.tmp, "damaged-out")
                shutil.rmtree(dest, ignore_errors=True)
                r = run("extract", path, "-o", dest)
                self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                self.assertIn(name, r.stderr)
                written = sorted(os.listdir(dest)) if os.path.isdir(dest) else []
                # Only entries that decode are ever written, and nothing at all
                # when a name or a checkword is wrong.
                self.assertIn(written, ([], ["good.txt"]))
                self.assertNotIn(name, written)
                self.assertFalse(os.path.exists(os.path.join(self.tmp, "evil.txt")))
        with self.subTest("sound raw archive"):
            path = os.path.join(self.tmp, "sound.bin")
            write(path, raw_archive(good))
            self.assertEqual(run("test", path).returncode, 0)
            r = run("list", path)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIn("good.txt", r.stdout)

    def test_help(self):
        r = run("--help")
        self.assertEqual(r.returncode, 0)
        self.assertIn("sfxpack build DIR -o SETUP.exe", r.stdout)
        r = run("bogus")
        self.assertEqual(r.returncode, 2)
        self.assertIn("unknown command", r.stderr)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--sfxpack", required=True)
    parser.add_argument("--fixture64", required=True)
    parser.add_argument("--fixture32", required=True)
    parser.add_argument("--with-wine", required=True)
    parser.add_argument("--wine-prefix", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
