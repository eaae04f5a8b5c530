#!/usr/bin/env python3
"""The station killed with SIGKILL at random moments while it saves its data
files, on a copy of the demo program folder. After every kill each data file
must be the old one or a new one, whole: never cut.

  cleankill_test.py <saver> <demo> [kills]    (kills: 10 unless given)

<demo> is a demo program folder (tools/make_demo.py) to copy, or make_demo.py
itself: then only the demo's data folder is made, with its settings file,
singer list and a hot list of its form, which is all the saving touches.
"""
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile

saver, demo_source = sys.argv[1], sys.argv[2]
kills = int(sys.argv[3]) if len(sys.argv) > 3 else 10
seed = int(os.environ.get("ZORVIK_KILL_SEED", random.randrange(1 << 30)))
rng = random.Random(seed)

LIST = re.compile(r"E:\\Brask搜歌库\\1-音乐\\(清单|播放)(\d+)-(\d+)\.mp3")


def decode(data, name):
    text = data.decode("gb18030")  # strict: a cut character fails
    if text and not text.endswith("\r\n"):
        raise ValueError(f"{name}: does not end with CR LF")
    return text[:-2].split("\r\n") if text else []


def check_rounds(lines, name, kind, count_of):
    """Every line from one round r, numbered 1..count_of(r)."""
    rounds = set()
    for i, line in enumerate(lines, 1):
        m = LIST.fullmatch(line)
        if not m or m.group(1) != kind or int(m.group(3)) != i:
            raise ValueError(f"{name}: line {i} is not from a whole save: {line!r}")
        rounds.add(int(m.group(2)))
    if len(rounds) != 1:
        raise ValueError(f"{name}: lines from rounds {sorted(rounds)}")
    r = rounds.pop()
    if len(lines) != count_of(r):
        raise ValueError(f"{name}: {len(lines)} lines, round {r} writes {count_of(r)}")


def check(data_folder, originals):
    for name, old in originals.items():
        path = os.path.join(data_folder, name)
        new = open(path, "rb").read() if os.path.exists(path) else None
        if new == old:
            continue
        if new is None:
            raise ValueError(f"{name}: gone")
        lines = decode(new, name)
        if name.startswith("清单"):
            # A list is saved at each change, so the clear before a round's add is a whole state too;
            # a save cut to nothing is still caught in the playlist, written by the same routine.
            if lines:
                check_rounds(lines, name, "清单", lambda r: 2 + r % 4)
        elif name == "播放列表.txt":
            check_rounds(lines, name, "播放", lambda r: 1 + r % 3)
        elif name == "热门推荐.txt":
            # Counting only adds: every line of the demo's list is still there, counted at least as often.
            counts = {}
            for line in lines:
                m = re.fullmatch(r"(\d{3,})C,(.+)", line)
                if not m:
                    raise ValueError(f"{name}: not a hot line: {line!r}")
                counts[m.group(2)] = int(m.group(1))
            for line in decode(old or b"", name):
                m = re.fullmatch(r"(\d+)C,(.+)", line)
                if m and counts.get(m.group(2), -1) < int(m.group(1)):
                    raise ValueError(f"{name}: lost {line!r}")
        elif name == "Corlen.ini":
            # The shop's own lines all stay, in order; the check's two keys tell one round.
            old_lines = [l for l in decode(old or b"", name) if l.strip()]
            rest = iter(lines)
            for line in old_lines:
                if not any(line == l for l in rest):
                    raise ValueError(f"{name}: lost {line!r}")
            values = [l.split("=", 1)[1] for l in lines if l.startswith(("Round=", "Check="))]
            if len(values) != 2 or values[0] != values[1]:
                raise ValueError(f"{name}: the round keys disagree: {values}")


def make_demo_folder(demo):
    if os.path.isdir(demo_source):
        shutil.copytree(demo_source, demo, symlinks=True)
        return
    sys.path.insert(0, os.path.dirname(os.path.abspath(demo_source)))
    import make_demo
    os.makedirs(os.path.join(demo, "E", make_demo.LIBRARY))
    os.makedirs(os.path.join(demo, "D"))
    make_demo.write_config(demo, demo)
    hot = [f"{n:03d}C,E:\\{make_demo.LIBRARY}\\1-音乐\\新增歌曲\\热门{n}.mp3" for n in (12, 9, 7, 1)]
    with open(os.path.join(demo, "数据文件", "热门推荐.txt"), "wb") as f:
        f.write(make_demo.gb("\r\n".join(hot) + "\r\n"))


def main():
    work = tempfile.mkdtemp(prefix="zorvik-kill-")
    try:
        demo = os.path.join(work, "demo")
        data = os.path.join(demo, "数据文件")
        make_demo_folder(demo)
        names = ["Corlen.ini", "热门推荐.txt", "播放列表.txt"] + [f"清单{n}.txt" for n in range(1, 6)]
        originals = {}
        for name in names:
            path = os.path.join(data, name)
            originals[name] = open(path, "rb").read() if os.path.exists(path) else None
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=os.path.join(work, "home"))
        os.makedirs(env["HOME"], exist_ok=True)

        whole = left = 0
        for k in range(kills):
            before = [n for n in os.listdir(data) if n.endswith(".part")]
            left += len(before)
            station = subprocess.Popen([saver, demo, str(k * 100000)], stdout=subprocess.PIPE, env=env)
            if station.stdout.readline() != b"saving\n":
                station.kill()
                raise SystemExit(f"kill {k + 1}: the station did not start saving (exit {station.wait()})")
            kept = [n for n in before if os.path.exists(os.path.join(data, n))]
            if kept:
                print(f"kill {k + 1}: the station kept the temporary files of cut saves: {kept}")
                whole -= 1
            # A random moment inside the saving rounds: a busy wait of random length,
            # so the kill falls anywhere in a write, a flush or a rename.
            spins = rng.randrange(1, 4_000_000)
            n = 0
            while n < spins:
                n += 1
            station.send_signal(signal.SIGKILL)
            station.wait()
            station.stdout.close()
            try:
                check(data, originals)
                whole += 1
            except (ValueError, UnicodeDecodeError) as fault:
                print(f"kill {k + 1}: {fault}")
        print(f"clean kill: {whole} of {kills} kills left every data file whole (seed {seed}); "
              f"the restarts removed the {left} temporary files that cut saves left")
        return 0 if whole == kills else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


sys.exit(main())
