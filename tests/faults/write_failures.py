"""Write-failure injection over every file writer.

Each writer first runs once without a failure: that run writes the good copy and
tells how many write-side calls it makes. Then it runs again for n = 1, 2, ... with
the n-th call failing (ENOSPC, or EIO for every second n), until a run no longer
meets an injected failure. After each failing run the folder must hold exactly the
good copy (the previous file intact, no temporary file left) and the writer must
have reported the failure (non-zero exit status, no crash).

Exit status 0 when every run passes, 1 otherwise, 77 when the preload library cannot
work (a sanitizer build, whose runtime must come first).
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile


def snapshot(folder):
    files = {}
    for root, _dirs, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = (f.read(), os.stat(path).st_mode & 0o7777)
    return files


def describe_difference(before, after):
    lines = []
    for name in sorted(set(before) | set(after)):
        if name not in after:
            lines.append("missing " + name)
        elif name not in before:
            lines.append("left behind " + name)
        elif before[name] != after[name]:
            lines.append("changed " + name)
    return ", ".join(lines)


class Runner:
    def __init__(self, shim):
        self.shim = shim
        self.failures = []

    def run(self, case, folder, at, err="ENOSPC"):
        report = os.path.join(os.path.dirname(folder), "report")
        if os.path.exists(report):
            os.remove(report)
        env = dict(os.environ)
        runtime = os.path.join(os.path.dirname(folder), "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env.update(XDG_RUNTIME_DIR=runtime, LD_PRELOAD=self.shim, FAULT_DIR=folder, FAULT_AT=str(at), FAULT_ERRNO=err,
                   FAULT_REPORT=report, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8",
                   HOME=os.path.join(os.path.dirname(folder), "home"))
        argv = [a.replace("{out}", folder) for a in case["argv"]]
        proc = subprocess.run(argv, cwd=os.path.dirname(folder), env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        lines = open(report).read().split("\n") if os.path.exists(report) else []
        err = "\n".join(l for l in proc.stderr.decode("utf-8", "replace").split("\n")
                        if not l.startswith("QStandardPaths:"))
        return proc.returncode, err, lines

    def walk(self, case):
        top = tempfile.mkdtemp(prefix="chronava-faults-")
        try:
            folder = os.path.join(top, "out")
            os.mkdir(folder)
            if "setup" in case:
                case["setup"](folder)
            rc, err, lines = self.run(case, folder, 0)
            calls = [int(l.split()[1]) for l in lines if l.startswith("calls ")]
            ok = case.get("ok", 0)
            if rc != ok or not calls:
                self.failures.append("%s: the run without failures fails (%d): %s" % (case["name"], rc, err.strip()))
                return 0, 0
            good = snapshot(folder)
            survived = 0
            for n in range(1, calls[0] + 1):
                rc, err, lines = self.run(case, folder, n, "EIO" if n % 2 == 0 else "ENOSPC")
                injected = [l for l in lines if l.startswith("injected")]
                if not injected:
                    break
                problems = []
                after = snapshot(folder)
                call = injected[0].split()[1]
                if rc < 0:
                    problems.append("killed by signal %d" % -rc)
                for name in case.get("reports", ()):
                    after.pop(name, None)
                expected = {k: v for k, v in good.items() if k not in case.get("reports", ())}
                for name in case.get("rewritten", ()):
                    # Written whole with what the run did before it stopped.
                    if name in after:
                        expected[name] = after[name]
                if rc == ok and case.get("message_is_error") and err.strip():
                    pass  # the failure was told, and the run's own work is done
                elif rc == ok and case.get("told") and case["told"] in err:
                    pass
                elif rc == ok and not (call in ("close", "fclose") and after == expected):
                    # A failed close of a descriptor that is given up anyway (a probe, a
                    # file already stored) may pass unnoticed; nothing else may.
                    problems.append("exit status %d, as after success" % ok)
                if after != expected:
                    problems.append(describe_difference(expected, after))
                if problems:
                    self.failures.append("%s: %s at call %d: %s" % (case["name"], call, n,
                                                                   "; ".join(problems)))
                    # Put the good copy back so the next n starts from it.
                    shutil.rmtree(folder)
                    os.mkdir(folder)
                    for name, (data, mode) in good.items():
                        os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
                        with open(os.path.join(folder, name), "wb") as f:
                            f.write(data)
                        os.chmod(os.path.join(folder, name), mode)
                else:
                    survived += 1
            return calls[0], survived
        finally:
            shutil.rmtree(top, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--shim", required=True)
    ap.add_argument("--writers", required=True)
    ap.add_argument("--dist", required=True)
    ap.add_argument("--sanitized", default="OFF")
    ap.add_argument("--only", default="", help="run the cases whose name holds this text")
    ap.add_argument("--all", action="store_true", help="run the optional cases too")
    args = ap.parse_args()
    if args.sanitized.upper() in ("ON", "1", "TRUE", "YES"):
        print("skipped: the sanitizer runtime must be the first preloaded library")
        return 77

    dist = args.dist
    log = os.path.join(dist, "Projects", "SampleT1", "conveyor.klg")
    dump = os.path.join(dist, "awk", "ftp001.tcpdump")
    chronava = os.path.join(dist, "chronava")
    wirefold = os.path.join(dist, "wirefold")

    def project(folder):
        shutil.copy(log, os.path.join(folder, "conveyor.klg"))
        with open(os.path.join(folder, "p.nam"), "wb") as f:
            f.write((' [KOV:NAM:V2.00 ]\r\n[Sources]\r\n"conveyor.klg"\r\n[IncludePath]\r\n[Common]\r\n'
                     'DataDirectory = "%s"\r\nInputBaseDirectory = "%s"\r\nInputFileCode = SJIS\r\n'
                     % (folder, folder)).encode())
        subprocess.run([chronava, "convert", os.path.join(folder, "conveyor.klg")], check=True,
                       stdout=subprocess.DEVNULL)

    cases = [{"name": kind, "argv": [args.writers, kind, "{out}"]}
             for kind in ("params", "users", "project", "css", "definition", "figures", "xls5", "xls8")]
    cases.append({"name": "xls rewritten in place", "argv": [args.writers, "xls-rewrite", "{out}"],
                  "setup": lambda folder: subprocess.run([args.writers, "xls8", folder], check=True)})
    cases.append({"name": "html page", "argv": [args.writers, "html", "{out}", dist]})
    cases.append({"name": "chart file", "argv": [args.writers, "chart", "{out}", log]})
    cases.append({"name": "chart file (chronava convert)", "argv": [chronava, "convert", log, "-o", "{out}/c.tct"]})
    for kind in ("wmf", "gif", "png", "svg"):
        cases.append({"name": "%s pages" % kind, "setup": project,
                      "argv": [chronava, "export", "--" + kind, "{out}/p.nam", "--pages", "2"]})
    # A generation run in a private installation: the charts of a sample project and the
    # shared parameter record with its recent-project list.
    def installation(folder):
        shutil.copytree(dist, os.path.join(folder, "inst"), symlinks=True)
    # The run tells a failed conversion in the error file tq4100.err (removed when the
    # next run starts) and a parameter record it could not save in a message, after
    # which the charts are there and the status is 0.
    cases.append({"name": "generate (charts, parameter record)", "setup": installation,
                  "argv": ["{out}/inst/chronava", "generate", "{out}/inst/Projects/SampleT3/SampleT3.nam"],
                  "reports": ["inst/tq4100.err"], "message_is_error": True})
    # The HTML output of a project: definition file, figure list, chart pages, HTML
    # pages and the parameter record.
    def generated(folder):
        installation(folder)
        subprocess.run([os.path.join(folder, "inst", "chronava"), "generate",
                        os.path.join(folder, "inst", "Projects", "SampleT3", "SampleT3.nam")],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    cases.append({"name": "html (definition, figures, pages)", "setup": generated,
                  "argv": ["{out}/inst/chronava", "html", "{out}/inst/Projects/SampleT3/SampleT3.nam",
                           "--targets", "cvp,idx,tct", "--date", "2024-01-02"],
                  "rewritten": ["inst/Projects/SampleT3/TC-HTML.tsg"]})
    # The Word output: metafile pages, definition file, figure list, the document (its
    # parts carry the time they were made, so a run that gets that far rebuilds it).
    # A progress line the builder could not write leaves the document whole; the
    # builder says so on standard error.
    cases.append({"name": "word (definition, figures, document)", "setup": generated,
                  "argv": ["{out}/inst/chronava", "word", "{out}/inst/Projects/SampleT3/SampleT3.nam"],
                  "rewritten": ["inst/Projects/SampleT3/TC-WORD.tsg", "inst/Projects/SampleT3/SampleT3.docx"],
                  "reports": ["inst/word.log"], "told": "進行状況を書き込めませんでした"})
    # wirefold ends a run with status 1 and a failure with 0 (and a message).
    cases.append({"name": "wirefold", "argv": [wirefold, dump, "{out}/dump.txt"], "ok": 1})
    if args.only:
        cases = [c for c in cases if args.only in c["name"]]
    elif not args.all:
        cases = [c for c in cases if not c.get("optional")]

    runner = Runner(args.shim)
    total_calls = total_survived = 0
    for case in cases:
        calls, survived = runner.walk(case)
        total_calls += calls
        total_survived += survived
        print("%-32s %4d write-side calls, %4d injected failures survived" % (case["name"], calls, survived))
    print("total: %d injected failures survived of %d" % (total_survived, total_calls))
    for f in runner.failures:
        print("FAIL " + f)
    return 1 if runner.failures else 0


if __name__ == "__main__":
    sys.exit(main())
