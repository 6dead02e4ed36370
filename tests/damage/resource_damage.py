#!/usr/bin/env python3
"""Load Tarvik with damaged copies of its compiled resource file: bytes of
the file flipped at many offsets, and bytes flipped inside the resources
themselves (where the decoders and the dialogs meet them). Every run must end
with a clear message or a working add-in: an exit status of 0 or 1, never a
signal or a sanitizer report.

    resource_damage.py HOSTSIM MDLAPPS_DIR [RUNS]
"""
import os
import random
import shutil
import sqlite3
import subprocess
import sys
import tempfile

SESSION = """answer ok
keyin mdl load tarvik
dialog 10 show
keyin tarvik settings
dialog 2 show
dialog 2 set 2 2.5
dialog 2 close ok
keyin tarvik setups
keyin tarvik exit
"""


def flip_file_bytes(path, rng, count):
    data = bytearray(open(path, "rb").read())
    # Past the first page the damage meets SQLite's own checks, not only the header's.
    for _ in range(count):
        at = rng.randrange(len(data))
        data[at] ^= 1 << rng.randrange(8)
    open(path, "wb").write(bytes(data))


def flip_resource_bytes(path, rng, count):
    db = sqlite3.connect(path)
    rows = db.execute("SELECT type, id, data FROM resource").fetchall()
    for _ in range(count):
        rtype, rid, data = rows[rng.randrange(len(rows))]
        if not data:
            continue
        data = bytearray(data)
        at = rng.randrange(len(data))
        data[at] ^= 1 << rng.randrange(8)
        db.execute("UPDATE resource SET data = ? WHERE type = ? AND id = ?", (bytes(data), rtype, rid))
    db.commit()
    db.close()


def main():
    hostsim, mdlapps = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    rng = random.Random(22)
    crashes = 0
    outcomes = {0: 0, 1: 0}
    with tempfile.TemporaryDirectory(prefix="zm-damage-") as work:
        apps = os.path.join(work, "apps")
        os.mkdir(apps)
        os.symlink(os.path.join(mdlapps, "tarvik.so"), os.path.join(apps, "tarvik.so"))
        with open(os.path.join(work, "ws.cfg"), "w") as ws:
            ws.write("_HOST_DRIVE_C = $(_HOSTSIM_CWD)drive_c/\nMS_MDL = %s/\nMS_USERPREF = C:\\Users\\t\\\n" % apps)
        with open(os.path.join(work, "s.session"), "w") as s:
            s.write(SESSION)
        for run in range(runs):
            target = os.path.join(apps, "tarvik.ma")
            shutil.copyfile(os.path.join(mdlapps, "tarvik.ma"), target)
            for extra in ("-wal", "-shm"):
                if os.path.exists(target + extra):
                    os.remove(target + extra)
            if run % 2:
                flip_file_bytes(target, rng, 1 + rng.randrange(8))
            else:
                flip_resource_bytes(target, rng, 1 + rng.randrange(8))
            shutil.rmtree(os.path.join(work, "drive_c"), ignore_errors=True)
            p = subprocess.run([hostsim, "--workspace", "ws.cfg", "s.session"], cwd=work,
                               capture_output=True, text=True, errors="replace", timeout=60)
            report = "Sanitizer" in p.stderr or "runtime error" in p.stderr
            if p.returncode not in (0, 1) or report:
                crashes += 1
                keep = os.path.join(os.getcwd(), "damaged-%d.ma" % run)
                shutil.copyfile(target, keep)
                print("run %d: status %d, kept %s\n%s" % (run, p.returncode, keep, p.stderr[-2000:]))
            else:
                outcomes[p.returncode] += 1
    print("resource damage: %d files damaged and loaded: %d ran through, %d stopped with a message, %d crashed"
          % (runs, outcomes[0], outcomes[1], crashes))
    return 1 if crashes else 0


if __name__ == "__main__":
    sys.exit(main())
