#!/usr/bin/python3
"""End-to-end cases of the installer: pack, run under Wine, check from outside.

    run_e2e.py --sfxpack PATH --stub STUB.exe --helpers DIR --work DIR
               [--payload-helpers DIR] [--shots DIR] [--wine PROGRAM]
               [--case NAME]... [--timeout S]

Runs inside scripts/with-wine.sh (WINEPREFIX and DISPLAY come from it). Each
case packs a folder with the native sfxpack into the stub given, may damage
the result, starts it from the helper launcher with its own TEMP, lets the
helper dlgclick play the user where a window must appear, and then checks the
files of tmp_vnd (bytes and last-write times), the records the helper setup
programs left (order, working directory, command line) and that nothing else
ran. Prints one line per case and exits non-zero when any case fails.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import time

import pefile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_resources  # noqa: E402

TITLE = "Vandor Informatique. Ondexa 1.0a"
CONFIRM = "Ce programme va lancer l'installation de :\r\n\r\n%s"
NO_INFO = "Aucune information d'installation !"
EXTRACT_FAILED = "Erreur lors de la pr\u00e9paration de l'installation !"
PREPARING = "... pr\u00e9paration de l'installation ..."
PRODUCT = "Produit d'essai \u00e9t\u00e9"
KPX = ("[Produit]\r\nInstall=" + PRODUCT + "\r\nVersion=2.1\r\n").encode("cp1252")

FILETIME_EPOCH = 116444736000000000  # 1601-01-01 to 1970-01-01, in 100 ns


def win_path(unix_path):
    """The Windows name of a Unix path, through Wine's Z: drive."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


class Case:
    def __init__(self, name, files, cmdline="", setup_exit=1, store=False, temp=None,
                 damage=None, rename=None, user=None, expect_files="all", expect_runs=(),
                 leftover=False, clutter=0, decoy=None, shot=None):
        self.name = name
        self.files = files            # [(name, kind)], kind: setup|install|kpx|text|big|bin
        self.cmdline = cmdline
        self.setup_exit = setup_exit
        self.store = store
        self.temp = temp or "C:\\e2e\\%s\\Temp" % name
        self.damage = damage          # entry name whose data gets one byte flipped
        self.rename = rename          # (entry name, new name of the same length)
        self.user = user              # (window kind, text expected, button) for dlgclick
        self.expect_files = expect_files  # "all", "none" or a list of names
        self.expect_runs = expect_runs    # ["setup" | "install"] in order
        self.leftover = leftover      # a stale file in tmp_vnd before the run
        self.clutter = clutter        # that many more stale files, all to be cleaned
        self.decoy = decoy            # a Windows path where a program must NOT run from
        self.shot = shot              # screenshot name when the window is caught


CASES = [
    # A setup program alone: no confirmation (the empty command line would
    # leave a confirmation dialog waiting), no install.exe although present.
    Case("setup_only_exit3",
         [("AutoInst_setup.exe", "setup"), ("install.exe", "install"), ("notes.txt", "text")],
         setup_exit=3, expect_runs=["setup"]),
    # Exit code 0 of the setup program: install.exe is not started.
    Case("setup_exit0_with_product",
         [("AutoInst_setup.exe", "setup"), ("install.exe", "install"), ("produit.kpx", "kpx")],
         cmdline="auto=1", setup_exit=0, expect_runs=["setup"]),
    # Product only, confirmed by "auto=1"; stored entries, one of them big,
    # and thousands of stale files to clean: the extraction dialog stays up
    # long enough to be caught on screen however fast the machine writes.
    Case("product_only_auto",
         [("install.exe", "install"), ("produit.kpx", "kpx"), ("zdata.bin", "big")],
         cmdline="/S auto=1", store=True, expect_runs=["install"], clutter=4000,
         user=("extract", PREPARING, None), shot="extraction-dialog"),
    # Product only, empty command line: the user presses OK.
    Case("product_only_confirm",
         [("install.exe", "install"), ("produit.kpx", "kpx")],
         expect_runs=["install"], user=("confirm", CONFIRM % PRODUCT, 1),
         shot="confirmation-dialog"),
    # Both kinds, in order; a stale file of an earlier run is cleaned away.
    Case("both",
         [("AutoInst_setup.exe", "setup"), ("data.bin", "bin"), ("install.exe", "install"),
          ("produit.kpx", "kpx"), ("vide.txt", "empty")],
         cmdline="/S auto=1", expect_runs=["setup", "install"], leftover=True),
    # A setup program that ends with 259 (STILL_ACTIVE) must not hang the wait.
    Case("setup_exit259",
         [("AutoInst_setup.exe", "setup"), ("install.exe", "install"), ("produit.kpx", "kpx")],
         cmdline="auto=1", setup_exit=259, expect_runs=["setup", "install"]),
    # Nothing recognised: the message box, nothing extracted, nothing run.
    Case("no_recognised_entry",
         [("install.exe", "install"), ("notes.txt", "text"), ("produit.txt", "kpx")],
         cmdline="auto=1", expect_files="none", leftover=True,
         user=("message", NO_INFO, 1), shot="message-no-info"),
    # "Quitter": nothing extracted, nothing run.
    Case("quit",
         [("AutoInst_setup.exe", "setup"), ("install.exe", "install"), ("produit.kpx", "kpx")],
         expect_files="none", leftover=True, user=("confirm", CONFIRM % PRODUCT, 2)),
    # A damaged entry: the scan stops before the product, the extraction stops
    # at the damage, the user is told and nothing runs. The valid file written
    # before the damage stays.
    Case("damaged_archive",
         [("AutoInst_setup.exe", "setup"), ("data.bin", "bin"), ("install.exe", "install"),
          ("produit.kpx", "kpx")],
         cmdline="auto=1", damage="data.bin", expect_files=["AutoInst_setup.exe"],
         user=("message", EXTRACT_FAILED, 1)),
    # An entry name that climbs out of tmp_vnd: nothing is cleaned, written or run.
    Case("unsafe_name",
         [("AutoInst_setup.exe", "setup"), ("install.exe", "install"), ("produit.kpx", "kpx"),
          ("zz_x.txt", "text")],
         cmdline="auto=1", rename=("zz_x.txt", "..\\x.txt"), expect_files="none",
         leftover=True, user=("message", EXTRACT_FAILED, 1)),
    # A temporary path with a blank: install.exe must be the one of tmp_vnd,
    # not C:\users\Jean.exe.
    Case("temp_with_blank",
         [("AutoInst_setup.exe", "setup"), ("install.exe", "install"), ("produit.kpx", "kpx")],
         cmdline="/S auto=1", temp="C:\\users\\Jean Dupont\\Temp\\",
         expect_runs=["setup", "install"], decoy="C:\\users\\Jean.exe"),
]


class Runner:
    def __init__(self, args):
        self.a = args
        self.prefix = os.environ.get("WINEPREFIX")
        if not self.prefix or not os.environ.get("DISPLAY"):
            sys.exit("run_e2e: run me inside scripts/with-wine.sh (WINEPREFIX and DISPLAY)")
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.helpers = args.helpers
        # The stand-ins for a product's programs may be built for another
        # architecture than the launcher (the 32-bit run).
        self.payload_helpers = args.payload_helpers or args.helpers
        self.failures = []

    # Windows path on C: -> Unix path in the prefix.
    def unix_of(self, wpath):
        assert wpath[:3].upper() == "C:\\"
        return os.path.join(self.drive_c, *[p for p in wpath[3:].split("\\") if p])

    def helper(self, name):
        return os.path.join(self.helpers, name)

    def wine(self, *argv):
        return [self.a.wine] + list(argv)

    # ---- payload ---------------------------------------------------------
    def make_payload(self, case, folder):
        os.makedirs(folder)
        for i, (name, kind) in enumerate(case.files):
            path = os.path.join(folder, name)
            if kind == "setup":
                shutil.copyfile(os.path.join(self.payload_helpers, "AutoInst_setup.exe"), path)
            elif kind == "install":
                shutil.copyfile(os.path.join(self.payload_helpers, "install.exe"), path)
            elif kind == "kpx":
                with open(path, "wb") as f:
                    f.write(KPX)
            elif kind == "text":
                with open(path, "wb") as f:
                    f.write(("Fichier %s du cas %s.\r\n" % (name, case.name)).encode() * 40)
            elif kind == "empty":
                open(path, "wb").close()
            elif kind == "bin":
                with open(path, "wb") as f:
                    f.write(bytes((j * 7 + (j >> 9)) & 255 for j in range(70000)))
            elif kind == "big":
                # Large enough that the extraction dialog stays up a moment.
                block = os.urandom(1 << 20)
                with open(path, "wb") as f:
                    for _ in range(self.a.big_mb):
                        f.write(block)
            # Distinct times, down to the 100 ns a FILETIME holds.
            ns = (1500000000 + 86400 * 37 * (i + 1)) * 10**9 + 1234567 * 100 + i * 100
            os.utime(path, ns=(ns, ns))

    def pack(self, case, folder, out):
        cmd = [self.a.sfxpack, "build", folder, "-o", out, "--stub", self.a.stub]
        if case.store:
            cmd.append("--store")
        p = subprocess.run(cmd, capture_output=True, text=True)
        if p.returncode != 0:
            raise AssertionError("sfxpack build failed: %s" % p.stderr.strip())

    # ---- archive surgery ---------------------------------------------------
    @staticmethod
    def checkword(entry):
        size, _, mode, nlen, ilen = struct.unpack_from("<iIIii", entry)
        s = 0
        for j, b in enumerate(entry[24:size]):
            s += ((j & 15) + 1) * b
        return (~(size + mode + nlen + ilen + s)) & 0xFFFFFFFF

    def patch_entry(self, exe, name, new_name=None, flip=False):
        """Renames an entry (same length, checkword recomputed) or flips one
        byte of its data (checkword left stale), in the installer's payload."""
        pe = pefile.PE(exe)
        data = bytearray(pe.__data__)
        off = size = None
        for te in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if str(te.name) != "EXE_DATA":
                continue
            for ne in te.directory.entries:
                if ne.id == 1:
                    ds = ne.directory.entries[0].data.struct
                    off, size = pe.get_offset_from_rva(ds.OffsetToData), ds.Size
        if off is None:
            raise AssertionError("no EXE_DATA 1 in %s" % exe)
        arch = data[off:off + size]
        pos = struct.unpack_from("<i", arch)[0]
        while pos + 24 <= len(arch):
            esize, _, mode, nlen, ilen = struct.unpack_from("<iIIii", arch, pos)
            if esize == 0:
                break
            raw = arch[pos + 24:pos + 24 + nlen]
            inv = (mode & 1) == 1
            ename = bytes(b ^ 255 for b in raw) if inv else bytes(raw)
            if ename == name.encode("cp1252"):
                entry = bytearray(arch[pos:pos + esize])
                if new_name is not None:
                    nb = new_name.encode("cp1252")
                    assert len(nb) == nlen
                    entry[24:24 + nlen] = bytes(b ^ 255 for b in nb) if inv else nb
                    struct.pack_into("<I", entry, 4, self.checkword(entry))
                if flip:
                    p = 24 + nlen + ilen + (esize - 24 - nlen - ilen) // 2
                    entry[p] ^= 0x5A
                data[off + pos:off + pos + esize] = entry
                pe.close()
                pe = pefile.PE(data=bytes(data))
                pe.OPTIONAL_HEADER.CheckSum = pe.generate_checksum()
                pe.write(exe)
                return
            pos += esize
        raise AssertionError("entry %s not found in %s" % (name, exe))

    # ---- one case ----------------------------------------------------------
    def run_case(self, case):
        work = os.path.join(self.a.work, case.name)
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        payload = os.path.join(work, "payload")
        self.make_payload(case, payload)
        exe = os.path.join(work, "setup.exe")
        self.pack(case, payload, exe)
        problems = ["installer resources: " + e for e in check_resources.check(exe, True)]
        if case.damage:
            self.patch_entry(exe, case.damage, flip=True)
        if case.rename:
            self.patch_entry(exe, case.rename[0], new_name=case.rename[1])
        # The packer's own verdict on what the stub is about to read.
        verdict = subprocess.run([self.a.sfxpack, "test", exe], capture_output=True).returncode
        if case.rename is None and (verdict == 0) != (case.damage is None):
            problems.append("sfxpack test gives %d on this installer" % verdict)

        temp_unix = self.unix_of(case.temp)
        shutil.rmtree(temp_unix, ignore_errors=True)
        tmp_vnd = os.path.join(temp_unix, "tmp_vnd")
        stale = os.path.join(tmp_vnd, "ancien.txt")
        if case.leftover:
            os.makedirs(tmp_vnd)
            with open(stale, "wb") as f:
                f.write(b"left by an earlier run\r\n")
        if case.clutter:
            os.makedirs(tmp_vnd, exist_ok=True)
            for i in range(case.clutter):
                open(os.path.join(tmp_vnd, "ancien%05d.tmp" % i), "wb").close()
        decoy_log = None
        if case.decoy:
            decoy_unix = self.unix_of(case.decoy)
            os.makedirs(os.path.dirname(decoy_unix), exist_ok=True)
            shutil.copyfile(self.helper("install.exe"), decoy_unix)
        log = os.path.join(work, "log.txt")

        clicker = None
        found = os.path.join(work, "window.txt")
        go = os.path.join(work, "go")
        if case.user:
            kind, text, button = case.user
            # Wine hands arguments over through the Unix locale: look for the
            # ASCII head of the text, check the whole text afterwards.
            probe = ""
            for ch in text:
                if not " " <= ch <= "~":
                    break
                probe += ch
            argv = [self.helper("dlgclick.exe"), "--class", "#32770", "--has", probe,
                    "--found-file", win_path(found), "--timeout", str(self.a.timeout)]
            if kind == "message":
                argv += ["--title", TITLE]
            if case.shot:
                argv += ["--go-file", win_path(go)]
            if kind == "extract":
                argv += ["--suspend"]
            if button is not None:
                argv += ["--press", str(button)]
            ready = os.path.join(work, "ready")
            argv += ["--ready-file", win_path(ready)]
            if kind == "extract":
                argv += ["--poll-ms", "1", "--suspend-after", "300"]
            # Output to files, not pipes: a Wine process started on the way
            # (explorer.exe for the desktop) would hold a pipe open for good.
            clicker_out = open(os.path.join(work, "dlgclick.out"), "w+b")
            clicker = subprocess.Popen(self.wine(*argv), stdout=clicker_out,
                                       stderr=subprocess.STDOUT)
            # The stub starts only once the user is watching.
            deadline = time.time() + self.a.timeout
            while not os.path.exists(ready) and time.time() < deadline and clicker.poll() is None:
                time.sleep(0.05)

        launch_out = open(os.path.join(work, "launcher.out"), "w+b")
        launch = subprocess.Popen(
            self.wine(self.helper("launcher.exe"), "--temp", case.temp,
                      "--env", "SFX_E2E_LOG=" + win_path(log),
                      "--env", "SFX_E2E_SETUP_EXIT=%d" % case.setup_exit,
                      "--timeout", str(self.a.timeout), win_path(exe), case.cmdline),
            stdout=launch_out, stderr=subprocess.STDOUT)

        if clicker and case.shot:
            deadline = time.time() + self.a.timeout
            while not os.path.exists(found) and time.time() < deadline and clicker.poll() is None:
                time.sleep(0.05)
            if os.path.exists(found):
                if case.user[0] != "extract":
                    time.sleep(0.5)  # let it paint
                shot = self.screenshot(case.shot)
                problems += self.check_painted(case, shot, found)
            with open(go, "wb"):
                pass
        launch.wait(timeout=self.a.timeout + 30)
        out = self.read_back(launch_out)
        if clicker:
            clicker.wait(timeout=self.a.timeout + 30)
            cout = self.read_back(clicker_out)
            if clicker.returncode != 0:
                problems.append("the %s window never appeared" % case.user[0])
            else:
                problems += self.check_window(case, cout)

        if "stub-exit=0" not in out or "children-done=1" not in out:
            problems.append("launcher: %s" % " ".join(out.split()))
        problems += self.check_files(case, payload, tmp_vnd, stale)
        problems += self.check_runs(case, log, temp_unix, tmp_vnd)
        if case.rename:
            outside = os.path.join(temp_unix, "x.txt")
            if os.path.exists(outside):
                problems.append("x.txt was written outside tmp_vnd")
        return problems

    @staticmethod
    def read_back(f):
        f.seek(0)
        text = f.read().decode("utf-8", "replace")
        f.close()
        return text

    def screenshot(self, name):
        os.makedirs(self.a.shots, exist_ok=True)
        path = os.path.join(self.a.shots, name + ".png")
        xwd = subprocess.Popen(["xwd", "-root", "-silent", "-display", os.environ["DISPLAY"]],
                               stdout=subprocess.PIPE)
        subprocess.run(["/usr/bin/convert", "xwd:-", path], stdin=xwd.stdout, check=False)
        xwd.wait()
        print("  screenshot: %s" % path)
        return path

    @staticmethod
    def check_painted(case, shot, found):
        """The window's area of the screenshot must hold a picture: a dialog
        that is on screen but never painted shows as a black rectangle."""
        with open(found, "rb") as f:
            rect = f.read().decode("utf-8", "replace").split("\n")[0].split("\t")[3]
        l, t, r, b = (int(v) for v in rect.split(","))
        p = subprocess.run(["/usr/bin/convert", shot, "-crop", "%dx%d+%d+%d" % (r - l, b - t, l, t),
                            "-format", "%[fx:mean]", "info:"], capture_output=True, text=True)
        try:
            mean = float(p.stdout.strip())
        except ValueError:
            return ["cannot measure the screenshot %s: %s" % (shot, p.stderr.strip())]
        if mean < 0.2:
            return ["the %s window is not painted on screen (mean brightness %.2f in %s)"
                    % (case.user[0], mean, shot)]
        return []

    def check_window(self, case, report):
        kind, text, _ = case.user
        problems = []
        def unescape(field):
            out, i = "", 0
            while i < len(field):
                if field[i] == "\\" and i + 1 < len(field):
                    out += {"r": "\r", "n": "\n", "t": "\t"}.get(field[i + 1], field[i + 1])
                    i += 2
                else:
                    out += field[i]
                    i += 1
            return out

        lines = [[unescape(f) for f in l.split("\t")] for l in report.splitlines() if l]
        win = [l for l in lines if l[0] == "window"]
        kids = [l for l in lines if l[0] == "child"]
        if not win:
            return ["no window report: %r" % report]
        _, cls, title, rect, screen = win[0][:5]
        if title != (TITLE if kind == "message" else ""):
            problems.append("%s window title %r" % (kind, title))
        texts = [k[3] for k in kids]
        if text not in texts:
            problems.append("%s window texts %r, expected %r" % (kind, texts, text))
        if kind in ("confirm", "extract"):
            ids = {int(k[1]): k for k in kids}
            want_visible = "1" if kind == "confirm" else "0"
            for cid, label in ((1, "OK"), (2, "Quitter")):
                if cid not in ids or ids[cid][3] != label or ids[cid][4] != want_visible:
                    problems.append("%s window button %d: %r" % (kind, cid, ids.get(cid)))
            if 20 not in ids or ids[20][3] != text:
                problems.append("%s window text control: %r" % (kind, ids.get(20)))
            if 10 not in ids or ids[10][2].lower() != "static":
                problems.append("%s window picture control: %r" % (kind, ids.get(10)))
        # Centred on the screen (within rounding).
        l, t, r, b = (int(v) for v in rect.split(","))
        sw, sh = (int(v) for v in screen.split(","))
        if abs((l + r) - sw) > 2 or abs((t + b) - sh) > 2:
            problems.append("%s window at %s is not centred on %s" % (kind, rect, screen))
        return problems

    def check_files(self, case, payload, tmp_vnd, stale):
        problems = []
        names = [n for n, _ in case.files]
        if case.rename:
            names = [case.rename[1] if n == case.rename[0] else n for n in names]
        if case.expect_files == "all":
            want = names
        elif case.expect_files == "none":
            want = []
        else:
            want = case.expect_files
        present = sorted(os.listdir(tmp_vnd)) if os.path.isdir(tmp_vnd) else []
        if case.leftover:
            # Cleaned when the extraction ran, untouched when it did not start.
            if case.expect_files == "none":
                if "ancien.txt" not in present:
                    problems.append("the stale file of tmp_vnd was deleted")
                present = [p for p in present if p != "ancien.txt"]
            elif "ancien.txt" in present:
                problems.append("the stale file of tmp_vnd is still there")
        if present != sorted(want):
            problems.append("tmp_vnd holds %s, expected %s" % (present, sorted(want)))
        for n in want:
            src = os.path.join(payload, n)
            dst = os.path.join(tmp_vnd, n)
            if not os.path.exists(dst):
                continue
            with open(src, "rb") as f1, open(dst, "rb") as f2:
                if f1.read() != f2.read():
                    problems.append("%s differs from its input" % n)
            ws, wd = os.stat(src).st_mtime_ns, os.stat(dst).st_mtime_ns
            if ws // 100 != wd // 100:
                problems.append("%s last-write time %d ns, expected %d ns" % (n, wd, ws))
        return problems

    def check_runs(self, case, log, temp_unix, tmp_vnd):
        problems = []
        records = []
        if os.path.exists(log):
            with open(log, "rb") as f:
                for line in f.read().decode("cp1252").split("\r\n"):
                    if line:
                        records.append(line.split("\t"))
        roles = [r[0] for r in records]
        if roles != list(case.expect_runs):
            problems.append("programs run: %s, expected %s" % (roles, list(case.expect_runs)))
            return problems
        dir_win = case.temp.rstrip("\\") + "\\tmp_vnd"
        payload_names = sorted(n for n, _ in case.files)
        for role, module, cwd, cmdline, code, files in (r[:6] for r in records):
            prog = dir_win + ("\\AutoInst_setup.exe" if role == "setup" else "\\install.exe")
            if module.lower() != prog.lower():
                problems.append("%s ran from %s, expected %s" % (role, module, prog))
            if cwd.lower() != dir_win.lower():
                problems.append("%s ran in %s, expected %s" % (role, cwd, dir_win))
            if role == "setup":
                # Started with no command line: it sees its own path.
                if cmdline not in (prog, '"%s"' % prog):
                    problems.append("setup command line %r, expected its path %r" % (cmdline, prog))
                if code != str(case.setup_exit):
                    problems.append("setup exit code %s" % code)
                if sorted(files.split(",")) != payload_names:
                    problems.append("setup saw %s in its directory, expected %s"
                                    % (files, payload_names))
            else:
                want = '"%s"' % prog + (" " + case.cmdline if case.cmdline else "")
                if cmdline != want:
                    problems.append("install command line %r, expected %r" % (cmdline, want))
        return problems


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--sfxpack", required=True)
    ap.add_argument("--stub", required=True)
    ap.add_argument("--helpers", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--payload-helpers", default=None)
    ap.add_argument("--shots", default=None)
    ap.add_argument("--wine", default="/usr/lib/wine/wine64")
    ap.add_argument("--case", action="append", default=[])
    ap.add_argument("--timeout", type=float, default=40)
    ap.add_argument("--big-mb", type=int, default=48)
    args = ap.parse_args()
    args.work = os.path.abspath(args.work)
    args.shots = os.path.abspath(args.shots or os.path.join(args.work, "screenshots"))
    for p in (args.sfxpack, args.stub):
        if not os.path.isfile(p):
            sys.exit("run_e2e: %s is missing (build it first)" % p)

    r = Runner(args)
    cases = [c for c in CASES if not args.case or c.name in args.case]
    failed = 0
    for case in cases:
        t0 = time.time()
        try:
            problems = r.run_case(case)
        except (AssertionError, subprocess.TimeoutExpired, OSError) as e:
            problems = ["error: %s" % e]
        status = "ok" if not problems else "FAILED"
        print("%-28s %s (%.1f s)" % (case.name, status, time.time() - t0))
        for p in problems:
            print("  " + p)
        failed += bool(problems)
        sys.stdout.flush()
    print("%d of %d cases failed" % (failed, len(cases)) if failed else "all cases passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
