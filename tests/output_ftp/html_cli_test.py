"""chronava html on a copy of the installation folder, publishing to a local server.

Usage: html_cli_test.py DIST FTPSERVER_SCRIPT HTMLCHECK_SCRIPT
"""
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile

dist, server_script, htmlcheck = sys.argv[1:4]
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        print("FAILED:", what)


with tempfile.TemporaryDirectory() as work:
    inst = os.path.join(work, "dist")
    shutil.copytree(dist, inst, symlinks=True)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    exe = os.path.join(inst, "chronava")
    nam = os.path.join(inst, "Projects", "SampleT2", "SampleT2.nam")
    subprocess.run([exe, "generate", nam], env=env, check=True, capture_output=True)
    root = os.path.join(work, "ftp")
    os.makedirs(os.path.join(root, "web"))
    server = subprocess.Popen(["/usr/bin/python3", server_script, "--root", root, "--user", "u",
                               "--password", "right"], stdout=subprocess.PIPE, text=True)
    try:
        port = server.stdout.readline().strip()
        base = [exe, "html", nam, "--targets", "tct,cvp", "--date", "2026-02-03", "--upload",
                "--server", "127.0.0.1:" + port, "--folder", "web", "--ftp-user", "u", "--password-stdin"]

        # A refused login: the run's line, a non-zero exit, nothing on the server.
        r = subprocess.run(base, input="wrong\n", env=env, capture_output=True, text=True)
        lines = r.stdout.splitlines()
        check(r.returncode == 1, "wrong password exits 1")
        check(lines and lines[-1] == "HTML出力が異常終了しました。[ファイル転送エラー[SampleT2]]",
              "wrong password line: %r" % lines[-1:])
        check(os.listdir(os.path.join(root, "web")) == [], "nothing uploaded after a refused login")
        check("wrong" not in r.stdout + r.stderr, "the password is never printed")

        r = subprocess.run(base, input="right\n", env=env, capture_output=True, text=True)
        lines = r.stdout.splitlines()
        check(r.returncode == 0, "upload exits 0: %s" % r.stderr)
        check(lines[0] == "HTML出力を開始します。[SampleT2]", "first line")
        check(lines[-1] == "HTML出力を終了しました。[SampleT2]", "last line")
        folder = os.path.dirname(nam)
        pages = ["SampleT2-tct.html", "SampleT2-cvp.html"]
        for p in pages:
            check(filecmp.cmp(os.path.join(folder, p), os.path.join(root, "web", p), shallow=False),
                  "%s identical on the server" % p)
        check(sorted(os.listdir(os.path.join(root, "web"))) == sorted(pages), "only the pages are uploaded")
        r = subprocess.run(["/usr/bin/python3", htmlcheck] + [os.path.join(folder, p) for p in pages],
                           capture_output=True, text=True)
        check(r.returncode == 0, "pages parse and name existing GIFs: " + r.stdout)
    finally:
        server.kill()
        server.wait()

    r = subprocess.run([exe, "html", os.path.join(work, "none.nam"), "--targets", "cvp"], env=env,
                       capture_output=True, text=True)
    check(r.returncode == 1, "a missing project exits 1")
    r = subprocess.run([exe, "html", nam, "--targets", "xyz"], env=env, capture_output=True, text=True)
    check(r.returncode == 2, "an unknown target is a usage error")
    r = subprocess.run([exe, "html", "--help"], env=env, capture_output=True, text=True)
    check(r.returncode == 0 and "--upload" in r.stderr, "--help explains the options")

sys.exit(1 if failures else 0)
