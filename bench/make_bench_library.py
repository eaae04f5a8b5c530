#!/usr/bin/env python3
"""Build a large, empty media library for timing the library walk.

Usage: python3 bench/make_bench_library.py OUTDIR [--files 200000] [--folders 5000] [--seed 2015]

OUTDIR/Brask搜歌库 gets twelve category folders with singer, collection and
album folders below them, holding song-like names in Chinese and ASCII.  The
files are empty: the walk only reads names.  A few percent of the names match
*中*国**.mp3, some with upper-case extensions, and the names are chosen to
exercise the walk's order (case-only differences, '_' and '[' that sort
differently under upper- and lower-case folding).  There are no hidden
folders and no links, so `find -iname` must see exactly what the walk sees.

The same arguments always give the same tree.  It is built in OUTDIR.tmp and
renamed into place when complete; OUTDIR/.bench-complete records the
arguments and makes a rerun with the same ones a no-op.
"""

import argparse
import collections
import os
import random
import shutil
import sys

LIBRARY = "Brask搜歌库"
MARKER = ".bench-complete"

# (folder, share of the files, extensions with weights)
CATEGORIES = [
    ("1-音乐", 52, [("mp3", 84), ("MP3", 5), ("wma", 7), ("Mp3", 1), ("txt", 1), ("jpg", 2)]),
    ("2-MTV", 8, [("3gp", 45), ("mp4", 35), ("mp3", 8), ("rmvb", 7), ("jpg", 5)]),
    ("3-电影", 4, [("3gp", 40), ("mp4", 40), ("avi", 15), ("txt", 5)]),
    ("4-连续剧", 4, [("3gp", 50), ("mp4", 45), ("jpg", 5)]),
    ("5-图片", 6, [("jpg", 80), ("JPG", 10), ("gif", 10)]),
    ("6-电子书", 3, [("txt", 60), ("jar", 25), ("umd", 15)]),
    ("7-游戏", 3, [("jar", 70), ("jad", 20), ("sis", 10)]),
    ("8-伦理片", 2, [("3gp", 60), ("mp4", 40)]),
    ("9-小品", 2, [("3gp", 50), ("mp4", 30), ("mp3", 20)]),
    ("10-演唱会", 2, [("mp4", 50), ("3gp", 30), ("mp3", 20)]),
    ("11-铃声", 10, [("mp3", 70), ("MP3", 5), ("amr", 10), ("mid", 10), ("wma", 5)]),
    ("12-其它", 4, [("mp3", 30), ("jpg", 20), ("txt", 20), ("jar", 20), ("wma", 10)]),
]

SINGERS = [
    "刘德华", "张学友", "周杰伦", "王菲", "邓丽君", "陈奕迅", "林俊杰", "孙燕姿", "蔡依林",
    "王力宏", "张惠妹", "梁静茹", "刀郎", "凤凰传奇", "周华健", "齐秦", "郑智化", "任贤齐",
    "张信哲", "李宗盛", "莫文蔚", "那英", "韩红", "杨坤", "汪峰", "许巍", "朴树", "庞龙",
    "胡彦斌", "萧亚轩", "梁咏琪", "杨钰莹", "毛宁", "江蕙", "叶启田", "龙飘飘", "徐小凤",
    "宋祖英", "阎维文", "卓依婷", "老狼", "张靓颖", "许嵩", "李玉刚", "中国娃娃", "黄家驹",
    "谭咏麟", "罗大佑", "费玉清", "蔡琴", "童安格", "小虎队", "羽泉", "水木年华", "光良",
    "品冠", "Beyond", "S.H.E", "Twins", "F4", "TFBOYS", "A-Lin", "BY2", "M2M", "westlife",
    "Westlife", "Celine Dion", "Backstreet Boys", "Carpenters", "Eminem", "Adele", "ABBA",
    "Michael Jackson", "Linkin Park", "Maroon 5", "Taylor Swift", "_佚名", "[DJ]阿福",
]

COLLECTIONS = [
    "经典老歌", "男女对唱", "闽南台语", "影视金曲", "DJ串烧", "DJ舞曲", "英文歌曲", "非主流",
    "伤感情歌", "儿童歌曲", "葫芦丝", "萨克斯", "校园歌曲", "新年歌", "革命歌曲", "戏曲音乐",
    "网络歌曲", "粤语金曲", "中国风", "民族歌曲", "车载音乐", "Remix", "remix", "KTV伴奏",
    "[无损]精选", "_新歌速递", "Top100", "TOP_100", "中华民谣", "国语老歌", "纯音乐",
]

TITLES = [
    "忘情水", "吻别", "稻香", "红豆", "甜蜜蜜", "月亮代表我的心", "十年", "江南", "遇见",
    "勇气", "传奇", "朋友", "大约在冬季", "海阔天空", "水手", "凡人歌", "月亮之上", "心雨",
    "两只蝴蝶", "涛声依旧", "爱拼才会赢", "家后", "好汉歌", "难念的经", "天亮了", "冲动的惩罚",
    "无所谓", "自由飞翔", "有何不可", "素颜", "一个人的精彩", "过火", "阴天", "同桌的你",
    "一生有你", "恭喜发财", "映山红", "说句心里话", "天路", "新贵妃醉酒", "青花瓷", "不想长大",
    "因为爱情", "听海", "七里香", "冰雨", "一路上有你", "浮夸", "宁夏", "荷塘月色", "青藏高原",
    "曹操", "天黑黑", "心太软", "画心", "春天里", "断桥残雪", "小酒窝", "日不落", "大城小爱",
    "淘汰", "飞得更高", "蓝莲花", "白桦林", "胆小鬼", "童话", "老男孩", "最炫民族风", "小苹果",
    "当你老了", "平凡之路", "演员", "光年之外", "后来", "突然好想你", "倔强", "知足", "囚鸟",
    # A name with 中 somewhere before 国 matches *中*国**.mp3.
    "中国人", "我的中国心", "中国话", "大中国", "中国功夫", "中国娃娃", "心中的国度",
    "梦中的祖国",
    # Near misses: only one of the two, or the wrong order.
    "心中的日月", "中华民族", "国家", "国中生", "祖国不会忘记", "中秋月", "美国派", "中华情",
    "Hello", "My Love", "My Heart Will Go On", "Yesterday Once More", "Lose Yourself",
    "Someone Like You", "Beat It", "Numb", "Sugar", "Love Story", "Dancing Queen", "Amani",
]

ALBUM_WORDS = ["精选集", "新歌+精选", "演唱会Live", "国语专辑", "粤语专辑", "同名专辑",
               "纪念版", "Best Of", "Greatest Hits", "Unplugged", "CD合集", "经典重现"]
DISCS = ["CD1", "CD2", "cd3", "Disc 1", "Disc 2", "DISC_3", "[Bonus]"]

NUMBER_FORMS = ["{n:02d}", "{n:03d}", "{n}", "Track{n:02d}", "track{n:02d}"]


def weighted(rng, items):
    return rng.choices([x for x, _ in items], weights=[w for _, w in items])[0]


def song_name(rng, ext, folder_singer):
    singer = folder_singer or rng.choice(SINGERS)
    title = rng.choice(TITLES)
    number = rng.choice(NUMBER_FORMS).format(n=rng.randint(1, 120))
    form = rng.random()
    if form < 0.30:
        stem = f"{singer} - {title}"
    elif form < 0.55:
        stem = f"{number}.{singer}-{title}"
    elif form < 0.70:
        stem = f"{title}"
    elif form < 0.80:
        stem = f"{singer}《{title}》"
    elif form < 0.88:
        stem = f"{number} {title}"
    elif form < 0.94:
        stem = f"{singer}_{title}_{rng.choice(['DJ版', 'Remix', 'live', 'LIVE', '伴奏'])}"
    else:
        stem = f"[{rng.choice(['MV', '高清', '320k', 'mp3'])}]{title}"
    return f"{stem}.{ext}"


def folder_name(rng, depth, category_index):
    if depth == 2:
        r = rng.random()
        if r < 0.55:
            return rng.choice(SINGERS)
        if r < 0.85:
            return rng.choice(COLLECTIONS)
        return f"{rng.randint(1998, 2015)}年{rng.choice(['新歌', '热歌', '精选', '合集'])}"
    if depth == 3:
        r = rng.random()
        if r < 0.6:
            return f"{rng.randint(1985, 2015)}-{rng.choice(TITLES)}"
        if r < 0.85:
            return rng.choice(ALBUM_WORDS)
        return f"{rng.choice(SINGERS)} {rng.choice(ALBUM_WORDS)}"
    return rng.choice(DISCS) if rng.random() < 0.7 else f"第{rng.randint(1, 30)}辑"


def unique(name, taken):
    if name not in taken:
        taken.add(name)
        return name
    stem, dot, ext = name.rpartition(".")
    if not dot:
        stem, ext = name, ""
    k = 2
    while True:
        candidate = f"{stem} ({k}){dot}{ext}"
        if candidate not in taken:
            taken.add(candidate)
            return candidate
        k += 1


class Folder:
    __slots__ = ("name", "depth", "category", "children", "child_names", "singer", "weight",
                 "files")

    def __init__(self, name, depth, category, singer=None):
        self.name = name
        self.depth = depth
        self.category = category
        self.children = []
        self.child_names = set()
        self.singer = singer
        self.weight = 0.0
        self.files = 0


def plan(rng, files, folders):
    """The folder tree with a file count per folder."""
    root = Folder(LIBRARY, 0, None)
    categories = []
    for i, (name, share, _) in enumerate(CATEGORIES):
        c = Folder(name, 1, i)
        root.children.append(c)
        root.child_names.add(name)
        categories.append(c)
    by_depth = {1: categories, 2: [], 3: []}
    shares = [share for _, share, _ in CATEGORIES]
    total = 1 + len(categories)
    while total < folders:
        r = rng.random()
        if r < 0.30 or not by_depth[2]:
            parent = rng.choices(categories, weights=shares)[0]
        elif r < 0.80 or not by_depth[3]:
            parent = rng.choice(by_depth[2])
        else:
            parent = rng.choice(by_depth[3])
        depth = parent.depth + 1
        name = unique(folder_name(rng, depth, parent.category), parent.child_names)
        singer = name if name in SINGERS else parent.singer
        child = Folder(name, depth, parent.category, singer)
        parent.children.append(child)
        by_depth.setdefault(depth, []).append(child)
        total += 1

    # Heavy-tailed folder sizes: most folders hold a few dozen files, a few
    # collections hold thousands.  Categories keep some loose files too.
    everything = []
    stack = [root]
    while stack:
        f = stack.pop()
        everything.append(f)
        stack.extend(f.children)
    per_category = collections.defaultdict(list)
    for f in everything:
        if f.category is not None:
            per_category[f.category].append(f)
            f.weight = min(rng.paretovariate(1.3), 150.0) * (0.3 if f.depth == 1 else 1.0)
    sum_shares = sum(shares)
    for i, members in per_category.items():
        quota = round(files * shares[i] / sum_shares)
        picks = rng.choices(members, weights=[m.weight for m in members], k=quota)
        for m in picks:
            m.files += 1
    return root


def build(outdir, files, folders, seed):
    rng = random.Random(seed)
    root = plan(rng, files, folders)
    flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC
    made_files = 0
    made_folders = 0
    matches = 0

    def fill(folder, parent_fd):
        nonlocal made_files, made_folders, matches
        os.mkdir(folder.name, dir_fd=parent_fd)
        made_folders += 1
        fd = os.open(folder.name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=parent_fd)
        try:
            taken = set(folder.child_names)
            exts = CATEGORIES[folder.category][2] if folder.category is not None else []
            for _ in range(folder.files):
                name = unique(song_name(rng, weighted(rng, exts), folder.singer), taken)
                if len(name.encode()) > 250:
                    continue
                os.close(os.open(name, flags, 0o644, dir_fd=fd))
                made_files += 1
                lowered = name.lower()
                i = lowered.find("中")
                if lowered.endswith(".mp3") and i >= 0 and lowered.find("国", i + 1) >= 0:
                    matches += 1
            for child in folder.children:
                fill(child, fd)
        finally:
            os.close(fd)

    top = os.open(outdir, os.O_RDONLY | os.O_DIRECTORY)
    try:
        fill(root, top)
    finally:
        os.close(top)
    return made_files, made_folders, matches


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--files", type=int, default=200000)
    parser.add_argument("--folders", type=int, default=5000)
    parser.add_argument("--seed", type=int, default=2015)
    args = parser.parse_args()
    if args.files < 0 or args.folders < 1 + len(CATEGORIES):
        parser.error(f"--folders must be at least {1 + len(CATEGORIES)}")

    outdir = os.path.abspath(args.outdir)
    stamp = f"version=1 files={args.files} folders={args.folders} seed={args.seed}\n"
    marker = os.path.join(outdir, MARKER)
    try:
        with open(marker, encoding="utf-8") as f:
            if f.read() == stamp:
                print(f"{outdir}: already built ({stamp.strip()})")
                return 0
    except FileNotFoundError:
        pass

    staging = outdir + ".tmp"
    shutil.rmtree(staging, ignore_errors=True)
    os.makedirs(staging)
    made_files, made_folders, matches = build(staging, args.files, args.folders, args.seed)
    with open(os.path.join(staging, MARKER), "w", encoding="utf-8") as f:
        f.write(stamp)
    shutil.rmtree(outdir, ignore_errors=True)
    os.rename(staging, outdir)
    print(f"{outdir}: {made_files} files in {made_folders} folders, "
          f"{matches} match *中*国**.mp3 ({100.0 * matches / max(made_files, 1):.1f}%)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
