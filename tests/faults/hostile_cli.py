"""Hostile command lines.

Every subcommand of chronava, wirefold and the file entry points of libcelvane get a
missing file, a folder, an unreadable file, an empty file, random bytes and a 2 GB
sparse file where a file is expected, and good files under names with blanks,
quotes, a leading dash and bytes that are not UTF-8. Each run must end with one of
the command's exit statuses, with a message when it fails, without a signal, and
without leaving a new or partial file behind when it fails. A run that goes on
without end is stopped by a guard far above any normal run and counts as a hang.

Cases marked `known` are faults being mended elsewhere; they are reported as
skipped until --known is given (or the mark is removed).
Exit status 0 when every run passes, 1 otherwise.
"""
import argparse
import os
import random
import resource
import shutil
import subprocess
import sys
import tempfile

HANG_GUARD = 900  # seconds; no run comes near it
MEMORY_GUARD = 3 << 30  # address space of one run: a reader must not hold a whole file
SANITIZED = False

BAD = ["missing", "folder", "unreadable", "empty", "random", "sparse"]
NAMES = ["with blank", "quote'\"d", "-dash", b"bad\xff\xfebytes"]

# Faults known today and mended on another branch; the case names say which.
KNOWN = {}


# Contents a command takes as they come: the plain dump shows the lines of any file,
# wirefold passes over lines that are not a packet, and a definition file without a
# target block produces no page.
EITHER = {("dump", "empty"), ("dump", "random"), ("dump", "sparse"), ("wirefold", "empty"),
          ("wirefold", "random"), ("wirefold", "sparse"), ("html-generate", "empty"),
          ("html-generate", "random"), ("html-generate", "sparse")}


def name_bytes(name):
    return name if isinstance(name, bytes) else name.encode()


def limit_memory():
    # The sanitizers reserve terabytes of address space up front: no guard for them.
    if not SANITIZED:
        resource.setrlimit(resource.RLIMIT_AS, (MEMORY_GUARD, MEMORY_GUARD))


class Suite:
    def __init__(self, top, dist, celvane, run_known):
        self.top = top
        self.dist = dist
        self.celvane = celvane
        self.run_known = run_known
        self.failures = []
        self.passed = 0
        self.skipped = []
        self.drop = []
        if os.geteuid() == 0 and shutil.which("setpriv"):
            self.drop = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]

    def listing(self, folder):
        out = {}
        for root, _dirs, names in os.walk(folder):
            for n in names:
                p = os.path.join(root, n)
                try:
                    out[p] = os.path.getsize(p)
                except OSError:
                    out[p] = -1
        return out

    def run(self, label, argv, ok_codes, fail_codes, expect, watch, as_nobody=False, check=None, cwd=None,
            as_stdout=False):
        """expect: "ok", "fail" or "either". ok_codes/fail_codes: the documented
        statuses of success and failure. watch: folders where a failing run must
        leave nothing new. check(proc) may add a problem for a successful run."""
        argv = [a if isinstance(a, bytes) else str(a) for a in argv]
        if as_nobody:
            argv = self.drop + argv
        before = {w: self.listing(w) for w in watch}
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8", HOME=os.path.join(self.top, "home"),
                   XDG_RUNTIME_DIR=os.path.join(self.top, "runtime"))
        if SANITIZED:
            # Memory errors still abort the run; leaks are the unit tests' business,
            # and a run stopped half way by its own failure may leave some behind.
            env["ASAN_OPTIONS"] = (env.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":")
        try:
            proc = subprocess.run(argv, env=env, cwd=cwd or self.top, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=HANG_GUARD,
                                  preexec_fn=limit_memory)
        except subprocess.TimeoutExpired:
            self.failures.append("%s: no end after %d s" % (label, HANG_GUARD))
            return None
        rc = proc.returncode
        err = proc.stderr.decode("utf-8", "replace").replace("QStandardPaths: XDG_RUNTIME_DIR", "").strip()
        problems = []
        if rc < 0:
            problems.append("killed by signal %d" % -rc)
        elif rc in fail_codes and rc not in ok_codes:
            if expect == "ok":
                problems.append("failed (%d): %s" % (rc, err[:200]))
            # wirefold writes its messages on standard output, with its usage text.
            if not err and not (proc.stdout.strip() and as_stdout):
                problems.append("failed (%d) without a message" % rc)
            for w in watch:
                after = self.listing(w)
                new = sorted(set(after) - set(before[w]))
                changed = sorted(p for p in after if p in before[w] and after[p] != before[w][p])
                if new or changed:
                    problems.append("left behind %s" % ", ".join(new + changed))
        elif rc in ok_codes:
            if expect == "fail":
                problems.append("reported success (%d)%s" % (rc, ": " + err[:200] if err else ", silently"))
            elif check:
                problems.extend(check(proc))
        else:
            problems.append("undocumented exit status %d: %s" % (rc, err[:200]))
        if problems:
            self.failures.append("%s: %s" % (label, "; ".join(problems)))
        else:
            self.passed += 1
        return proc

    def known(self, command, case):
        reason = KNOWN.get((command, case))
        if reason and not self.run_known:
            self.skipped.append("%s / %s (%s)" % (command, case, reason))
            return True
        return False


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dist", required=True)
    ap.add_argument("--celvane", required=True)
    ap.add_argument("--known", action="store_true", help="run the cases of known faults too")
    ap.add_argument("--sanitized", default="OFF")
    ap.add_argument("--cases", default=",".join(BAD), help="the hostile files to give, of " + ",".join(BAD))
    args = ap.parse_args()
    global SANITIZED
    SANITIZED = args.sanitized.upper() in ("ON", "1", "TRUE", "YES")

    top = tempfile.mkdtemp(prefix="chronava-hostile-")
    os.chmod(top, 0o755)
    try:
        return run_all(top, args)
    finally:
        subprocess.run(["chmod", "-R", "u+rwx", top])
        shutil.rmtree(top, ignore_errors=True)


def run_all(top, args):
    # A private installation, so that the runs write nothing into the build.
    inst = os.path.join(top, "inst")
    shutil.copytree(args.dist, inst, symlinks=True)
    for d in ("home", "runtime", "in", "out"):
        os.mkdir(os.path.join(top, d))
    os.chmod(os.path.join(top, "runtime"), 0o700)
    for d in (inst, os.path.join(top, "home"), os.path.join(top, "out")):
        subprocess.run(["chmod", "-R", "a+rwX", d], check=True)
    chronava = os.path.join(inst, "chronava")
    wirefold = os.path.join(inst, "wirefold")
    suite = Suite(top, inst, args.celvane, args.known)
    inp = os.path.join(top, "in")
    out = os.path.join(top, "out")

    sample_log = os.path.join(inst, "Projects", "SampleT1", "conveyor.klg")
    sample_dump = os.path.join(inst, "awk", "ftp001.tcpdump")

    # The hostile files.
    bad = {}
    bad["missing"] = os.path.join(inp, "missing.file")
    bad["folder"] = os.path.join(inp, "folder")
    os.mkdir(bad["folder"])
    bad["unreadable"] = os.path.join(inp, "unreadable")
    shutil.copy(sample_log, bad["unreadable"])
    os.chmod(bad["unreadable"], 0)
    bad["empty"] = os.path.join(inp, "empty")
    open(bad["empty"], "wb").close()
    bad["random"] = os.path.join(inp, "random")
    with open(bad["random"], "wb") as f:
        f.write(random.Random(21).randbytes(1 << 20))
    bad["sparse"] = os.path.join(inp, "sparse")
    with open(bad["sparse"], "wb") as f:
        f.truncate(2 << 30)

    # A good project whose chart is converted; a good definition file made by a run
    # of the HTML output would need a user: html-generate gets a hand-made one.
    good = os.path.join(top, "good")
    os.mkdir(good)
    shutil.copy(sample_log, os.path.join(good, "conveyor.klg"))

    def make_project(folder, name):
        path = os.path.join(name_bytes(folder), name_bytes(name) + b".nam")
        with open(path, "wb") as f:
            f.write(b' [KOV:NAM:V2.00 ]\r\n[Sources]\r\n"conveyor.klg"\r\n[IncludePath]\r\n[Common]\r\n'
                    b'DataDirectory = "' + name_bytes(folder) + b'"\r\nInputBaseDirectory = "' +
                    name_bytes(folder) + b'"\r\nInputFileCode = SJIS\r\n')
        return path

    good_project = make_project(good, "good")
    subprocess.run([chronava, "convert", os.path.join(good, "conveyor.klg")], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["chmod", "-R", "a+rwX", good], check=True)
    good_chart = os.path.join(good, "conveyor.tct")

    convert_codes = ({0}, {10, 11, 12, 13})
    dump_codes = ({0}, {1, 11})
    generate_codes = ({0}, {1, 2, 3})
    export_codes = ({0}, {1, 2})
    htmlgen_codes = ({0}, {2, 10, 11})
    html_codes = ({0}, {1, 2, 3})
    word_codes = ({0}, {1, 2, 3})
    wirefold_codes = ({1}, {0})  # wirefold: 1 after a run, 0 after a failure

    # A chart the converter wrote must read back.
    def chart_reads_back(_proc):
        chart = os.path.join(out, "c.tct")
        r = subprocess.run([chronava, "dump", chart, "--summary"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE)
        return [] if r.returncode == 0 else ["the chart written does not read back: " +
                                             r.stderr.decode("utf-8", "replace").strip()]

    # Each command with a file where its file argument goes.
    def commands(path, target_folder):
        chart = os.path.join(target_folder, "c.tct")
        return [
            ("convert", [chronava, "convert", path, "-o", chart], convert_codes),
            ("dump", [chronava, "dump", path], dump_codes),
            ("dump --summary", [chronava, "dump", path, "--summary"], dump_codes),
            ("generate", [chronava, "generate", path], generate_codes),
            ("export", [chronava, "export", "--svg", path, "--pages", "1"], export_codes),
            ("html-generate", [chronava, "html-generate", path, "--date", "2024-01-02"], htmlgen_codes),
            ("html", [chronava, "html", path, "--date", "2024-01-02"], html_codes),
            ("word", [chronava, "word", path], word_codes),
            ("wirefold", [wirefold, path, os.path.join(target_folder, "w.txt")], wirefold_codes),
        ]

    for case in [c for c in BAD if c in args.cases.split(",")]:
        for command, argv, (ok, fail) in commands(bad[case], out):
            if suite.known(command, case):
                continue
            if case == "unreadable" and not (os.geteuid() != 0 or suite.drop):
                suite.skipped.append("%s / unreadable (running as root)" % command)
                continue
            check = None
            expect = "either" if (command, case) in EITHER else "fail"
            if command == "convert":
                expect, check = "either", chart_reads_back
            suite.run("%s / %s" % (command, case), argv, ok, fail, expect, [out, inp, inst],
                      as_nobody=case == "unreadable", as_stdout=command == "wirefold", check=check)
            for n in os.listdir(out):
                p = os.path.join(out, n)
                shutil.rmtree(p) if os.path.isdir(p) else os.remove(p)
        # The library: as a book read, a template, a book rewritten in place.
        if case != "unreadable" or suite.drop or os.geteuid() != 0:
            proc = suite.run("libcelvane / %s" % case, [args.celvane, "input", bad[case], out], {0}, set(), "ok",
                             [out], as_nobody=case == "unreadable")
            if proc is not None:
                for line in proc.stdout.decode().splitlines():
                    fn, rc = line.rsplit(" ", 1)
                    if int(rc) >= 0:
                        suite.failures.append("libcelvane / %s: %s accepted it (%s)" % (case, fn, rc))
                if case in ("empty", "random", "sparse"):
                    if os.path.getsize(bad[case]) != {"empty": 0, "random": 1 << 20, "sparse": 2 << 30}[case]:
                        suite.failures.append("libcelvane / %s: the file was changed" % case)

    # Where the output goes: a folder instead of a file, a folder that does not exist.
    suite.run("convert -o folder", [chronava, "convert", sample_log, "-o", bad["folder"]], *convert_codes, "fail",
              [out, inp])
    suite.run("convert -o missing folder", [chronava, "convert", sample_log, "-o", os.path.join(inp, "no", "c.tct")],
              *convert_codes, "fail", [out, inp])
    suite.run("wirefold output folder", [wirefold, sample_dump, bad["folder"]], *wirefold_codes, "fail", [out, inp],
              as_stdout=True)
    suite.run("wirefold output in missing folder", [wirefold, sample_dump, os.path.join(inp, "no", "w.txt")],
              *wirefold_codes, "fail", [out, inp],
              as_stdout=True)
    for target, label in ((bad["folder"], "folder"), (os.path.join(inp, "no", "b.xls"), "missing folder")):
        proc = suite.run("libcelvane target %s" % label, [args.celvane, "target", target], {0}, set(), "ok", [inp])
        if proc is not None:
            for line in proc.stdout.decode().splitlines():
                fn, rc = line.rsplit(" ", 1)
                if fn in ("XM_Close", "XM_Close(97)", "XlsCloseBook") and int(rc) >= 0:
                    suite.failures.append("libcelvane target %s: %s reported success" % (label, fn))
            left = [n for n in os.listdir(bad["folder"])]
            if left:
                suite.failures.append("libcelvane target %s: left behind %s" % (label, left))

    # Good files under awkward names: each command does its work.
    for name in NAMES:
        folder = os.path.join(name_bytes(top), b"names", name_bytes(name))
        os.makedirs(folder)
        log = os.path.join(folder, name_bytes(name) + b".klg")
        shutil.copy(sample_log, log)
        shown = name_bytes(name).decode("utf-8", "backslashreplace")
        chart = os.path.join(folder, name_bytes(name) + b".tct")
        suite.run("convert named %s" % shown, [chronava, "convert", log, "-o", chart], *convert_codes, "ok", [folder])
        if not os.path.exists(chart):
            suite.failures.append("convert named %s: no chart" % shown)
            continue
        suite.run("dump named %s" % shown, [chronava, "dump", chart, "--summary"], *dump_codes, "ok", [folder])
        # A project file under the name (its folders are named inside it, in CP932).
        plain = os.path.join(top, "names", "project-%d" % NAMES.index(name))
        os.mkdir(plain)
        shutil.copy(good_chart, os.path.join(plain, "conveyor.tct"))
        project = make_project(plain, "p")
        named = os.path.join(name_bytes(plain), name_bytes(name) + b".nam")
        os.rename(project, named)
        subprocess.run(["chmod", "-R", "a+rwX", os.path.join(top, "names")], check=True)
        suite.run("export named %s" % shown, [chronava, "export", "--svg", named, "--pages", "1"], *export_codes,
                  "ok", [plain])
        if not any(n.endswith(".svg") for n in os.listdir(plain)):
            suite.failures.append("export named %s: no page" % shown)
        dump = os.path.join(folder, name_bytes(name) + b".tcpdump")
        shutil.copy(sample_dump, dump)
        text = os.path.join(folder, name_bytes(name) + b".txt")
        suite.run("wirefold named %s" % shown, [wirefold, dump, text], *wirefold_codes, "ok", [folder])
        if not os.path.exists(text):
            suite.failures.append("wirefold named %s: no output" % shown)
        book = os.path.join(folder, name_bytes(name) + b".xls")
        proc = suite.run("libcelvane named %s" % shown, [args.celvane, "target", book], {0}, set(), "ok", [folder])
        if proc is not None and (b"-" in proc.stdout or not os.path.exists(book)):
            suite.failures.append("libcelvane named %s: %s" % (shown, proc.stdout.decode().strip()))

    # A name with a leading dash where an option may stand: an option error with a
    # message, or the file itself; "./" in front always means the file.
    dash_folder = os.path.join(top, "dash")
    os.mkdir(dash_folder)
    shutil.copy(sample_log, os.path.join(dash_folder, "-o"))
    shutil.copy(good_chart, os.path.join(dash_folder, "--summary"))
    subprocess.run(["chmod", "-R", "a+rwX", dash_folder], check=True)
    suite.run("convert -o", [chronava, "convert", "-o"], *convert_codes, "fail", [dash_folder], cwd=dash_folder)
    suite.run("convert ./-o", [chronava, "convert", "./-o", "-o", "c.tct"], *convert_codes, "ok", [dash_folder],
              cwd=dash_folder)
    suite.run("dump --summary alone", [chronava, "dump", "--summary"], *dump_codes, "fail", [dash_folder],
              cwd=dash_folder)
    suite.run("dump ./--summary", [chronava, "dump", "./--summary"], *dump_codes, "ok", [dash_folder],
              cwd=dash_folder)
    suite.run("wirefold -o", [wirefold, "-o"], *wirefold_codes, "fail", [dash_folder], cwd=dash_folder,
              as_stdout=True)
    for command, ok, fail in (("generate", *generate_codes), ("export", *export_codes),
                              ("html-generate", *htmlgen_codes), ("html", *html_codes),
                              ("word", *word_codes)):
        suite.run("%s -x" % command, [chronava, command, "-x"], ok, fail, "fail", [dash_folder], cwd=dash_folder)
        suite.run("%s without arguments" % command, [chronava, command], ok, fail, "fail", [dash_folder],
                  cwd=dash_folder)
    suite.run("convert without arguments", [chronava, "convert"], *convert_codes, "fail", [dash_folder])
    suite.run("dump without arguments", [chronava, "dump"], *dump_codes, "fail", [dash_folder])
    suite.run("unknown option", [chronava, "--no-such-option"], {0}, {2}, "fail", [dash_folder])
    suite.run("version with extra arguments", [chronava, "version", "x", "--y"], {0}, {2}, "either", [dash_folder])

    print("%d runs passed" % suite.passed)
    for s in suite.skipped:
        print("skipped: " + s)
    for f in suite.failures:
        print("FAIL " + f)
    return 1 if suite.failures else 0


if __name__ == "__main__":
    sys.exit(main())
