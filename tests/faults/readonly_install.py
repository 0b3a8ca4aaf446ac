#!/usr/bin/python3
"""A read-only installation folder: `chronava generate` works in the user's own copy
of the folder (made on first use under the data home) and changes nothing in the
installation. When not even that copy can be made, the parameter record that cannot
be saved is reported once, and the generation itself still succeeds.

As root the runs drop to the user nobody (root may write anywhere); without setpriv
the test is skipped (status 77)."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

NOBODY = 65534
SANITIZED = False


def listing(folder):
    out = {}
    for root, dirs, names in os.walk(folder):
        for n in names + dirs:
            p = os.path.join(root, n)
            st = os.lstat(p)
            out[p] = (st.st_size, st.st_mtime_ns, st.st_mode)
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dist", required=True)
    ap.add_argument("--sanitized", default="OFF")
    args = ap.parse_args()
    global SANITIZED
    SANITIZED = args.sanitized.upper() in ("ON", "1", "TRUE", "YES")
    drop = []
    if os.geteuid() == 0:
        if not shutil.which("setpriv"):
            print("root without setpriv: cannot run as another user")
            return 77
        drop = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups", "--"]

    top = tempfile.mkdtemp(prefix="chronava-readonly-")
    try:
        return run(top, args.dist, drop)
    finally:
        subprocess.run(["chmod", "-R", "u+rwx", top])
        shutil.rmtree(top, ignore_errors=True)


def own(path):
    if os.geteuid() == 0:
        for root, dirs, names in os.walk(path):
            for n in [root] + [os.path.join(root, x) for x in dirs + names]:
                os.lchown(n, NOBODY, NOBODY)


def run(top, dist, drop):
    os.chmod(top, 0o755)
    inst = os.path.join(top, "inst")
    shutil.copytree(dist, inst, symlinks=True)
    subprocess.run(["chmod", "-R", "a+rX,a-w", inst], check=True)
    before = listing(inst)
    failures = []

    def generate(home, project):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home, "LC_ALL": "C.UTF-8",
               "QT_QPA_PLATFORM": "offscreen", "XDG_RUNTIME_DIR": os.path.join(top, "runtime")}
        for k in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
            if k in os.environ:
                env[k] = os.environ[k]
        if SANITIZED:
            # Memory errors still end the run; leaks are the unit tests' business (and
            # the user the run drops to may not read the suppression file).
            env["ASAN_OPTIONS"] = (env.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":")
        p = subprocess.run(drop + [os.path.join(inst, "chronava"), "generate", project], env=env, cwd=top,
                           stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
        return p.returncode, p.stdout.decode("utf-8", "replace") + p.stderr.decode("utf-8", "replace")

    os.makedirs(os.path.join(top, "runtime"), mode=0o700)
    own(os.path.join(top, "runtime"))

    # 1. A writable home: the per-user copy is made and used, twice in a row.
    home = os.path.join(top, "home")
    os.makedirs(home)
    own(home)
    copy = os.path.join(home, ".local", "share", "chronava")
    project = os.path.join(inst, "Projects", "SampleT1", "SampleT1.nam")
    for attempt in (1, 2):
        rc, out = generate(home, project)
        label = "writable home, run %d" % attempt
        if rc != 0:
            failures.append("%s: exit %d: %s" % (label, rc, out[:300]))
        if "エラー" in out or "保存できません" in out:
            failures.append("%s: error messages: %s" % (label, out[:300]))
        record = os.path.join(copy, "rq4100s.prm")
        if not os.path.isfile(record) or project.encode() not in open(record, "rb").read():
            failures.append("%s: the per-user record does not list the project" % label)
        if not os.path.isfile(os.path.join(copy, "Projects", "SampleT1", "conveyor.tct")):
            failures.append("%s: no chart in the per-user copy" % label)
        leftovers = [n for n in os.listdir(os.path.dirname(copy)) if n != "chronava"]
        if leftovers:
            failures.append("%s: left beside the copy: %s" % (label, leftovers))

    # 2. Neither the installation nor the home may be written: a project of the user's
    # own still generates, and the record that cannot be saved is reported once.
    rohome = os.path.join(top, "rohome")
    os.makedirs(rohome, mode=0o555)
    os.chmod(rohome, 0o555)
    proj = os.path.join(top, "proj")
    shutil.copytree(os.path.join(dist, "Projects", "SampleT1"), proj)
    for n in os.listdir(proj):
        if n.endswith(".tct"):
            os.remove(os.path.join(proj, n))
    nam = os.path.join(proj, "SampleT1.nam")
    text = open(nam, "rb").read().replace(b'"Projects/SampleT1"', b'"' + proj.encode() + b'"')
    open(nam, "wb").write(text)
    own(proj)
    rc, out = generate(rohome, nam)
    told = out.count("ファイルライトエラーです。") + out.count("システムファイルが保存できません。")
    if rc != 0:
        failures.append("read-only home: exit %d: %s" % (rc, out[:300]))
    if told != 1:
        failures.append("read-only home: the unsaved record told %d times: %s" % (told, out[:400]))
    if not os.path.isfile(os.path.join(proj, "conveyor.tct")):
        failures.append("read-only home: no chart written")

    after = listing(inst)
    if after != before:
        changed = sorted(set(after) ^ set(before) | {p for p in after if p in before and after[p] != before[p]})
        failures.append("the installation changed: %s" % changed[:5])

    for f in failures:
        print("FAIL", f)
    print("read-only installation: %d checks failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
