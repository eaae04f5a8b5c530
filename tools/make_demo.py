#!/usr/bin/env python3
"""Build a demo program folder for zorvik: config files plus a media library.

Usage: python3 tools/make_demo.py OUTDIR

Every file is generated here (Python standard library + the ffmpeg command).
ffmpeg renders one small template per format; the library then writes each
template under many names, so the files are real and playable while the whole
run stays fast.  The folder is built in OUTDIR.tmp and renamed into place only
when complete; OUTDIR/.demo-complete marks a finished demo and makes reruns a
no-op.
"""

import concurrent.futures
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

import demo_pictures

LIBRARY = "Brask搜歌库"
DONE_MARKER = ".demo-complete"

# Some shops scramble downloads: a fixed-size block in front of the real file,
# flagged by a marker in the file name.  The station has to strip it.
PREFIX_MARKER = "bk2009"
PREFIX_SIZE = 407552

CATEGORIES = ["1-音乐", "2-MTV", "3-电影", "4-连续剧", "5-图片", "6-电子书",
              "7-游戏", "8-伦理片", "9-小品", "10-演唱会", "11-铃声", "12-其它"]

SINGERS = [
    "刘德华", "张学友", "周杰伦", "王菲", "邓丽君", "陈奕迅", "林俊杰", "孙燕姿",
    "蔡依林", "王力宏", "张惠妹", "梁静茹", "刀郎", "凤凰传奇", "周华健", "齐秦",
    "郑智化", "任贤齐", "张信哲", "李宗盛", "莫文蔚", "那英", "韩红", "杨坤",
    "汪峰", "许巍", "朴树", "庞龙", "胡彦斌", "萧亚轩", "梁咏琪", "杨钰莹",
    "毛宁", "江蕙", "叶启田", "龙飘飘", "徐小凤", "宋祖英", "阎维文", "卓依婷",
    "老狼", "张靓颖", "许嵩", "李玉刚",
    "张韶涵", "郑钧", "张杰", "赵薇", "周传雄", "张宇",
    "Beyond", "S.H.E", "Twins", "Westlife", "Celine Dion",
]

# Songs per "1-音乐/分类歌曲" folder: (singer, title, extension).
SONG_FOLDERS = {
    "经典老歌": [("邓丽君", "甜蜜蜜", "mp3"), ("邓丽君", "月亮代表我的心", "wma"),
             ("张学友", "吻别", "mp3"), ("刘德华", "忘情水", "mp3"),
             ("周华健", "朋友", "mp3"), ("齐秦", "大约在冬季", "mp3"),
             ("Beyond", "海阔天空", "mp3"), ("郑智化", "水手", "wma"),
             ("李宗盛", "凡人歌", "mp3"), ("徐小凤", "顺流逆流", "mp3")],
    "男女对唱": [("凤凰传奇", "月亮之上", "mp3"), ("杨钰莹", "心雨", "mp3"),
             ("庞龙", "两只蝴蝶", "mp3"), ("那英", "相约一九九八", "wma"),
             ("毛宁", "涛声依旧", "mp3"), ("梁静茹", "小手拉大手", "mp3")],
    "闽南台语": [("叶启田", "爱拼才会赢", "mp3"), ("江蕙", "家后", "mp3"),
             ("江蕙", "酒后的心声", "wma"), ("叶启田", "故乡", "mp3"),
             ("龙飘飘", "春风秋雨", "mp3")],
    "影视金曲": [("刘欢", "好汉歌", "mp3"), ("毛阿敏", "渴望", "mp3"),
             ("周华健", "难念的经", "mp3"), ("王菲", "红豆", "wma"),
             ("任贤齐", "对面的女孩看过来", "mp3"), ("韩红", "天亮了", "mp3"),
             ("赵薇", "有一个姑娘", "mp3")],
    "DJ串烧": [("DJ阿福", "车载中文串烧", "mp3"), ("DJ小鱼", "慢摇串烧第一辑", "mp3"),
             ("DJ阿福", "最新劲爆串烧", "mp3")],
    "DJ舞曲": [("刀郎", "冲动的惩罚DJ版", "mp3"), ("杨坤", "无所谓DJ版", "mp3"),
             ("庞龙", "你是我的玫瑰花DJ版", "mp3"), ("凤凰传奇", "自由飞翔DJ版", "wma")],
    "英文歌曲": None,  # unnumbered, see ENGLISH_SONGS
    "非主流": [("胡彦斌", "男人KTV", "mp3"), ("杨坤", "那一天", "mp3"),
            ("郑钧", "灰姑娘", "mp3"), ("张杰", "这就是爱", "mp3"),
            ("许嵩", "有何不可", "mp3"), ("许嵩", "素颜", "mp3"),
            ("萧亚轩", "一个人的精彩", "mp3")],
    "伤感情歌": [("刀郎", "2002年的第一场雪", "mp3"), ("张信哲", "过火", "mp3"),
             ("梁静茹", "勇气", "mp3"), ("陈奕迅", "十年", "wma"),
             ("王菲", "传奇", "mp3"), ("林俊杰", "江南", "mp3"),
             ("孙燕姿", "遇见", "mp3"), ("莫文蔚", "阴天", "mp3"),
             ("张韶涵", "隐形的翅膀", "mp3"), ("周传雄", "黄昏", "mp3"),
             ("张宇", "月亮惹的祸", "mp3"), ("Twins", "下一站天后", "mp3")],
    "儿童歌曲": [("卓依婷", "小兔子乖乖", "mp3"), ("卓依婷", "两只老虎", "mid"),
             ("小蓓蕾组合", "让我们荡起双桨", "mp3"), ("小蓓蕾组合", "粉刷匠", "mp3"),
             ("卓依婷", "数鸭子", "mp3")],
    "葫芦丝": [("葫芦丝", "月光下的凤尾竹", "mid"), ("葫芦丝", "竹林深处", "mid"),
            ("葫芦丝", "彩云之南", "mp3")],
    "萨克斯": [("萨克斯", "回家", "mid"), ("萨克斯", "茉莉花", "mid"),
            ("萨克斯", "昨日重现", "mp3")],
    "校园歌曲": [("老狼", "同桌的你", "mp3"), ("水木年华", "一生有你", "mp3"),
             ("叶蓓", "白衣飘飘的年代", "mp3"), ("老狼", "睡在我上铺的兄弟", "wma")],
    "新年歌": [("卓依婷", "恭喜恭喜", "mp3"), ("卓依婷", "新年好", "mid"),
            ("刘德华", "恭喜发财", "mp3"), ("邓丽君", "春风吻上我的脸", "mp3")],
    "革命歌曲": [("宋祖英", "映山红", "mp3"), ("阎维文", "说句心里话", "mp3"),
             ("宋祖英", "十送红军", "wav"), ("韩红", "天路", "mp3")],
    "戏曲音乐": [("严凤英", "天仙配", "wav"), ("李玉刚", "新贵妃醉酒", "mp3"),
             ("马兰", "女驸马", "wav"), ("京剧", "智取威虎山选段", "mp3")],
}

ENGLISH_SONGS = [("Beyond", "Amani"), ("Westlife", "My Love"),
                 ("Celine Dion", "My Heart Will Go On"),
                 ("Backstreet Boys", "As Long As You Love Me"),
                 ("Carpenters", "Yesterday Once More"), ("Eminem", "Lose Yourself")]

NEW_SONGS = [("周杰伦", "稻香", "mp3"), ("林俊杰", "小酒窝", "mp3"),
             ("蔡依林", "日不落", "mp3"), ("王力宏", "大城小爱", "wma"),
             ("张靓颖", "画心", "mp3"), ("陈奕迅", "淘汰", "mp3"),
             ("汪峰", "飞得更高", "mp3"), ("许巍", "蓝莲花", "mp3"),
             ("朴树", "白桦林", "mp3"), ("梁咏琪", "胆小鬼", "mp3")]

# Scrambled songs: (folder under 1-音乐, singer, title).
PREFIXED_SONGS = [("新增歌曲", "周杰伦", "青花瓷"), ("新增歌曲", "S.H.E", "不想长大"),
                  ("新增歌曲", "张学友", "她来听我的演唱会"), ("新增歌曲", "王菲", "因为爱情"),
                  ("分类歌曲/伤感情歌", "张惠妹", "听海")]

MTV = [("周杰伦", "七里香"), ("刘德华", "冰雨"), ("张学友", "一路上有你"),
       ("王菲", "容易受伤的女人"), ("蔡依林", "爱情36计"), ("陈奕迅", "浮夸"),
       ("梁静茹", "宁夏"), ("凤凰传奇", "荷塘月色"), ("刀郎", "情人"),
       ("韩红", "青藏高原")]
NUMBERED_MTV = [("林俊杰", "曹操"), ("孙燕姿", "天黑黑"), ("王力宏", "心中的日月"),
                ("任贤齐", "心太软")]
NEW_MTV = [("周杰伦", "稻香"), ("张靓颖", "画心"), ("汪峰", "春天里"), ("许嵩", "断桥残雪")]

MOVIES = [("赤壁", "avi"), ("功夫", "mp4"), ("无间道", "rm"), ("英雄", "wmv"),
          ("天下无贼", "flv"), ("大话西游", "mpg"), ("叶问", "3gp"), ("非诚勿扰", "asf")]
NEW_MOVIES = [("十月围城", "mp4"), ("建国大业", "avi"), ("三枪拍案惊奇", "3gp")]
LIFE_FILMS = [("金婚", "avi"), ("中国式离婚", "mp4"), ("婚姻保卫战", "wmv"),
              ("蜗居", "flv"), ("手机", "3gp")]
NEW_LIFE_FILMS = [("杜拉拉升职记", "mp4"), ("失恋三十三天", "avi"), ("非常完美", "3gp")]
SKITS = [("赵本山-卖拐", "flv"), ("赵本山-不差钱", "mp4"), ("宋丹丹-昨天今天明天", "avi"),
         ("郭冬临-有事您说话", "wmv"), ("潘长江-过河", "mpg"), ("冯巩-笑谈人生", "3gp")]
CONCERTS = [("张学友-活出生命演唱会", "mp4"), ("周杰伦-无与伦比演唱会", "avi"),
            ("刘德华-Unforgettable演唱会", "wmv"), ("Beyond-Live1991", "mpg")]
SERIES = [("神探狄仁杰", "mp4", 6), ("亮剑", "3gp", 6)]
NEW_SERIES = [("潜伏", "mp4", 3)]

# "12-其它" sorts clips by container; RMVB stays empty because ffmpeg cannot
# write RealVideo 4.
OTHER_FORMATS = {"AMV格式": "amv", "ASF格式": "asf", "AVI格式": "avi", "FLV格式": "flv",
                 "MP4格式": "mp4", "RM格式": "rm", "WMV格式": "wmv", "RMVB格式": None}
OTHER_TITLES = ["街头魔术", "搞笑集锦", "动物世界", "海底世界", "汽车广告", "足球精彩瞬间",
                "舞蹈教学", "旅游风光", "猫和老鼠片段", "功夫熊猫片段", "鬼畜配音", "宝宝爬行大赛",
                "魔方教学", "厨艺秀"]

MUSIC_SUBFOLDERS = list(SONG_FOLDERS)
GAME_FOLDERS = ["jar格式", "sis格式", "nes格式", "blz格式", "app格式", "gb格式", "gbc格式",
                "smc格式"]
RINGTONE_FOLDERS = ["mp3铃声", "彩信铃声", "和弦铃声", "特色铃声"]

LYRIC_LINES = ["风轻轻吹过我的脸", "想起你温柔的笑容", "我们走过的那条路",
               "今夜的月光那么美", "心里的歌唱给你听", "一路上有你陪伴",
               "回忆像一场梦", "明天会更好", "不要让我一个人等", "把爱留在心底"]

EBOOK_SENTENCES = [
    "清晨的阳光照进小小的院子，鸟儿在枝头叫个不停。",
    "他推开窗子，看见远处的山被云雾遮住了一半。",
    "老人说，做人要像水一样，能屈能伸。",
    "街上的行人越来越多，卖早点的吆喝声此起彼伏。",
    "她把信折好，放进了抽屉最里面的角落。",
    "这一年的冬天来得特别早，河面上结了一层薄冰。",
    "孩子们围着火炉，听爷爷讲那过去的故事。",
    "世上无难事，只怕有心人。",
    "一场大雨过后，空气里满是泥土的清香。",
    "他笑了笑，说道：“明天的事，明天再说吧。”",
    "小船顺着河水慢慢漂远，只留下一道浅浅的水纹。",
    "读书使人明理，勤劳使人富足。",
]
EBOOKS = ["西游记选读", "三国演义选读", "笑话大全", "脑筋急转弯", "家常菜谱",
          "养生常识", "经典语录", "成语故事", "短信祝福语", "星座运势"]

# (name, extension) per game folder; .apk sits in the category root.
GAMES = {
    "jar格式": [("俄罗斯方块", "jar"), ("贪吃蛇", "jar"), ("斗地主", "jar"),
              ("中国象棋", "jar"), ("泡泡龙", "jar")],
    "sis格式": [("手机QQ", "sis"), ("UC浏览器", "sis"), ("来电归属地", "sis")],
    "nes格式": [("超级玛丽", "nes"), ("魂斗罗", "nes"), ("坦克大战", "nes")],
    "gb格式": [("俄罗斯方块GB", "gb"), ("大金刚", "gb")],
    "gbc格式": [("口袋妖怪金", "gbc"), ("塞尔达传说", "gbc")],
    "smc格式": [("超级马里奥世界", "smc"), ("街头霸王2", "smc")],
    "blz格式": [("雷电", "blz"), ("三国群英传", "blz")],
    "app格式": [("水果忍者", "app"), ("捕鱼达人", "app")],
}
APKS = ["愤怒的小鸟", "植物大战僵尸"]

# Short public-domain tunes for the MIDI files, one beat per note.
MELODIES = {
    "欢乐颂": [64, 64, 65, 67, 67, 65, 64, 62, 60, 60, 62, 64, 64, 62, 62],
    "两只老虎": [60, 62, 64, 60, 60, 62, 64, 60, 64, 65, 67, 64, 65, 67],
    "生日快乐": [60, 60, 62, 60, 65, 64, 60, 60, 62, 60, 67, 65],
    "致爱丽丝": [76, 75, 76, 75, 76, 71, 74, 72, 69, 60, 64, 69, 71],
    "小星星": [60, 60, 67, 67, 69, 69, 67, 65, 65, 64, 64, 62, 62, 60],
}


# ---------------------------------------------------------------- helpers

def gb(text):
    """Text as the station's config and text files expect it: GB18030, CR LF."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("gb18030")


def ffmpeg_encoders():
    out = subprocess.run(["ffmpeg", "-hide_banner", "-encoders"], capture_output=True,
                         text=True, check=True).stdout
    names = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 2 and len(parts[0]) == 6 and parts[0][0] in "VAS":
            names.add(parts[1])
    return names


def ffmpeg_filters():
    out = subprocess.run(["ffmpeg", "-hide_banner", "-filters"], capture_output=True,
                         text=True, check=True).stdout
    return {line.split()[1] for line in out.splitlines() if len(line.split()) >= 3}


def run_ffmpeg(args):
    cmd = ["ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"] + args
    proc = subprocess.run(cmd, capture_output=True, text=True)
    if proc.returncode != 0:
        raise RuntimeError("ffmpeg failed: %s\n%s" % (" ".join(cmd), proc.stderr))


def find_cjk_font():
    candidates = ["/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
                  "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
                  "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"]
    for path in candidates:
        if os.path.isfile(path):
            return path
    if shutil.which("fc-match"):
        out = subprocess.run(["fc-match", "-f", "%{file}", ":lang=zh"],
                             capture_output=True, text=True).stdout.strip()
        if out and os.path.isfile(out):
            return out
    return None


def filter_safe(path):
    """True if `path` can go into a filter graph without escaping."""
    return not any(c in path for c in "\\':,;[]=")


def midi_file(notes, program, beat_ticks=96, transpose=0):
    """A minimal format-0 Standard MIDI File playing `notes` one beat each."""
    def vlq(n):
        out = [n & 0x7F]
        n >>= 7
        while n:
            out.append(0x80 | (n & 0x7F))
            n >>= 7
        return bytes(reversed(out))

    track = bytearray()
    track += b"\x00\xff\x51\x03" + (400000).to_bytes(3, "big")  # tempo: 150 bpm
    track += b"\x00" + bytes([0xC0, program & 0x7F])
    for note in notes:
        n = max(0, min(127, note + transpose))
        track += b"\x00" + bytes([0x90, n, 0x60])
        track += vlq(beat_ticks) + bytes([0x80, n, 0x00])
    track += b"\x00\xff\x2f\x00"
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, beat_ticks)
    return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def lrc_text(singer, title, duration, rng):
    lines = ["[ti:%s]" % title, "[ar:%s]" % singer, "[00:00.00]%s - %s" % (singer, title)]
    t = 0.6
    for text in rng.sample(LYRIC_LINES, 4):
        lines.append("[%02d:%05.2f]%s" % (int(t // 60), t % 60, text))
        t += (duration - 0.8) / 4
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------- templates

class Templates:
    """One small rendered file per (format, variant), kept in memory."""

    def __init__(self, workdir, jobs):
        self.workdir = workdir
        self.jobs = jobs
        self.encoders = ffmpeg_encoders()
        self.data = {}
        self.durations = {}
        self.missing = []
        self._pending = []

    def has(self, key):
        return key in self.data

    def add(self, key, duration, args, out_ext, needs=()):
        lacking = [e for e in needs if e not in self.encoders]
        if lacking:
            self.missing.append("%s (ffmpeg lacks %s)" % (key, ", ".join(lacking)))
            return
        path = os.path.join(self.workdir, key + "." + out_ext)
        self._pending.append((key, duration, args + [path], path))

    def render(self):
        def one(item):
            key, duration, args, path = item
            run_ffmpeg(args)
            with open(path, "rb") as f:
                return key, duration, f.read()

        for key, duration, blob in self.jobs.map(one, self._pending):
            self.data[key] = blob
            self.durations[key] = duration
        self._pending = []


def sine(freq, dur, rate=22050):
    src = "sine=frequency=%g:duration=%g:sample_rate=%d" % (freq, dur, rate)
    return ["-f", "lavfi", "-i", src]


def pattern(src, size, rate, dur):
    return ["-f", "lavfi", "-i", "%s=size=%s:rate=%d:duration=%g" % (src, size, rate, dur)]


def define_templates(t):
    # Audio: a few pitches/lengths so songs don't all sound (or last) the same.
    for i, (freq, dur) in enumerate([(440, 3), (523.25, 4), (659.25, 2), (392, 3)]):
        t.add("mp3_%d" % i, dur, sine(freq, dur) + ["-ac", "1", "-c:a", "libmp3lame",
              "-b:a", "32k"], "mp3", needs=["libmp3lame"])
    for i, (freq, dur) in enumerate([(880, 2), (1046.5, 2)]):
        t.add("ring_mp3_%d" % i, dur, sine(freq, dur) + ["-af", "volume=0.8", "-ac", "1",
              "-c:a", "libmp3lame", "-b:a", "32k"], "mp3", needs=["libmp3lame"])
    for i, (freq, dur) in enumerate([(349.23, 3), (587.33, 4)]):
        t.add("wma_%d" % i, dur, sine(freq, dur) + ["-ac", "1", "-c:a", "wmav2", "-b:a", "32k"],
              "wma", needs=["wmav2"])
    for i, (freq, dur) in enumerate([(293.66, 2), (740, 2)]):
        t.add("wav_%d" % i, dur, sine(freq, dur, 16000) + ["-ac", "1", "-c:a", "pcm_s16le"],
              "wav", needs=["pcm_s16le"])

    # Video: QCIF test patterns with a tone.
    qcif = "176x144"
    h264 = "libx264" in t.encoders
    mp4_video = (["-c:v", "libx264", "-preset", "veryfast", "-profile:v", "baseline",
                  "-pix_fmt", "yuv420p", "-b:v", "80k"] if h264 else
                 ["-c:v", "mpeg4", "-b:v", "100k"])
    aac = ["-ac", "1", "-c:a", "aac", "-b:a", "24k"]
    mp3a = ["-ac", "1", "-c:a", "libmp3lame", "-b:a", "32k"]
    for i, (src, freq, dur) in enumerate([("testsrc", 440, 3), ("smptebars", 660, 4)]):
        t.add("mp4_%d" % i, dur, pattern(src, qcif, 10, dur) + sine(freq, dur) + mp4_video + aac
              + ["-movflags", "+faststart"], "mp4", needs=["aac"])
    h263 = "h263" in t.encoders
    for i, (src, freq, dur) in enumerate([("testsrc2", 523.25, 3), ("smptebars", 392, 2)]):
        video = ["-c:v", "h263", "-b:v", "64k"] if h263 else ["-c:v", "mpeg4", "-b:v", "64k"]
        t.add("3gp_%d" % i, dur, pattern(src, qcif, 10, dur) + sine(freq, dur, 16000) + video
              + aac, "3gp", needs=["aac"])
    t.add("avi", 3, pattern("testsrc2", qcif, 10, 3) + sine(494, 3)
          + ["-c:v", "mpeg4", "-b:v", "100k"] + mp3a, "avi", needs=["mpeg4", "libmp3lame"])
    t.add("flv", 3, pattern("rgbtestsrc", qcif, 10, 3) + sine(587.33, 3)
          + ["-c:v", "flv", "-b:v", "100k"] + mp3a, "flv", needs=["flv", "libmp3lame"])
    t.add("wmv", 3, pattern("smptebars", qcif, 10, 3) + sine(440, 3)
          + ["-c:v", "wmv2", "-b:v", "100k", "-ac", "1", "-c:a", "wmav2", "-b:a", "32k"],
          "wmv", needs=["wmv2", "wmav2"])
    t.add("asf", 3, pattern("testsrc", qcif, 10, 3) + sine(330, 3)
          + ["-c:v", "msmpeg4", "-b:v", "100k", "-ac", "1", "-c:a", "wmav2", "-b:a", "32k"],
          "asf", needs=["msmpeg4", "wmav2"])
    t.add("mpg", 3, pattern("testsrc2", qcif, 25, 3) + sine(698.46, 3, 44100)
          + ["-c:v", "mpeg1video", "-b:v", "150k", "-ac", "1", "-c:a", "mp2", "-b:a", "64k"],
          "mpg", needs=["mpeg1video", "mp2"])
    t.add("rm", 3, pattern("yuvtestsrc", qcif, 10, 3) + sine(440, 3, 44100)
          + ["-c:v", "rv10", "-b:v", "80k", "-ac", "1", "-c:a", "ac3", "-b:a", "64k"],
          "rm", needs=["rv10", "ac3"])
    # AMV is picky: 160x120, 15 fps, 22.05 kHz ADPCM with one block per frame.
    t.add("amv", 2, pattern("testsrc", "160x120", 15, 2) + sine(523.25, 2)
          + ["-c:v", "amv", "-q:v", "8", "-pix_fmt", "yuvj420p", "-ac", "1",
             "-c:a", "adpcm_ima_amv", "-block_size", "1470", "-strict", "-1"],
          "amv", needs=["amv", "adpcm_ima_amv"])


# ---------------------------------------------------------------- library

class Demo:
    def __init__(self, root, templates, rng):
        self.lib = os.path.join(root, "E", LIBRARY)
        self.t = templates
        self.rng = rng
        self.prefix = rng.randbytes(PREFIX_SIZE)
        self.song_number = 3001

    def path(self, rel):
        p = os.path.join(self.lib, rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        return p

    def write(self, rel, data):
        with open(self.path(rel), "wb") as f:
            f.write(data)

    def media(self, rel, key, prefixed=False):
        """Write template `key` under `rel`; returns False if the format is unavailable."""
        if not self.t.has(key):
            return False
        data = self.t.data[key]
        self.write(rel, self.prefix + data if prefixed else data)
        return True

    def next_number(self):
        n = self.song_number
        self.song_number += 1
        return n

    # -- music

    def audio_key(self, ext, i):
        return {"mp3": "mp3_%d" % (i % 4), "wma": "wma_%d" % (i % 2),
                "wav": "wav_%d" % (i % 2)}[ext]

    def song(self, folder, name, ext, singer, title, i, lyrics, prefixed=False):
        base = "%s/%s" % (folder, name)
        if ext == "mid":
            tune = list(MELODIES.values())[i % len(MELODIES)]
            program = {"葫芦丝": 75, "萨克斯": 65}.get(folder.rsplit("/", 1)[-1], 0)
            self.write(base + ".mid", midi_file(tune, program, transpose=(i % 5) - 2))
            return
        key = self.audio_key(ext, i)
        if self.media(base + "." + ext, key, prefixed) and lyrics:
            self.write(base + ".lrc", gb(lrc_text(singer, title, self.t.durations[key], self.rng)))

    def music(self):
        i = 0
        for sub, songs in SONG_FOLDERS.items():
            folder = "1-音乐/分类歌曲/" + sub
            for singer, title, ext in songs or []:
                name = "%d%s-%s" % (self.next_number(), singer, title)
                self.song(folder, name, ext, singer, title, i, lyrics=i % 2 == 0)
                i += 1
        for singer, title in ENGLISH_SONGS:
            self.song("1-音乐/分类歌曲/英文歌曲", "%s-%s" % (singer, title), "mp3",
                      singer, title, i, lyrics=i % 2 == 0)
            i += 1
        for singer, title, ext in NEW_SONGS:
            name = "%d%s-%s" % (self.next_number(), singer, title)
            self.song("1-音乐/新增歌曲", name, ext, singer, title, i, lyrics=i % 2 == 0)
            i += 1
        for folder, singer, title in PREFIXED_SONGS:
            name = "%d%s-%s%s" % (self.next_number(), singer, title, PREFIX_MARKER)
            self.song("1-音乐/" + folder, name, "mp3", singer, title, i, lyrics=True,
                      prefixed=True)
            i += 1
        # Hidden files must never show up at the counter.
        self.media("1-音乐/新增歌曲/.3999测试-隐藏歌曲.mp3", "mp3_0")

    # -- video

    def video_key(self, ext, i):
        if ext in ("mp4", "3gp"):
            return "%s_%d" % (ext, i % 2)
        return ext

    def video(self, rel, ext, i, prefixed=False):
        self.media("%s.%s" % (rel, ext), self.video_key(ext, i), prefixed)

    def mtv(self):
        for i, (singer, title) in enumerate(MTV):
            self.video("2-MTV/%s-%s" % (singer, title), "mp4" if i % 4 == 3 else "3gp", i)
        for i, (singer, title) in enumerate(NUMBERED_MTV):
            self.video("2-MTV/%d%s-%s" % (5001 + i, singer, title), "mp4" if i % 2 else "3gp", i)
        for i, (singer, title) in enumerate(NEW_MTV):
            self.video("2-MTV/新增MTV/%s-%s" % (singer, title), "mp4" if i % 2 else "3gp", i)
        self.video("2-MTV/张学友-吻别" + PREFIX_MARKER, "3gp", 0, prefixed=True)
        self.video("2-MTV/5005王力宏-唯一" + PREFIX_MARKER, "mp4", 1, prefixed=True)

    def films(self):
        groups = [("3-电影", MOVIES), ("3-电影/新增电影", NEW_MOVIES),
                  ("8-伦理片", LIFE_FILMS), ("8-伦理片/新增生活片", NEW_LIFE_FILMS),
                  ("9-小品", SKITS), ("10-演唱会", CONCERTS)]
        for folder, items in groups:
            for i, (title, ext) in enumerate(items):
                self.video("%s/%s" % (folder, title), ext, i)
        self.video("3-电影/新增电影/风声" + PREFIX_MARKER, "mp4", 0, prefixed=True)

    def series(self):
        for title, ext, episodes in SERIES:
            for ep in range(1, episodes + 1):
                self.video("4-连续剧/%s/%s%02d" % (title, title, ep), ext, ep)
        for title, ext, episodes in NEW_SERIES:
            for ep in range(1, episodes + 1):
                self.video("4-连续剧/新增连续剧/%s%02d" % (title, ep), ext, ep)

    def other(self):
        titles = iter(OTHER_TITLES)
        for folder, ext in OTHER_FORMATS.items():
            if ext is None:
                continue
            for i in range(2):
                self.video("12-其它/%s/%s" % (folder, next(titles)), ext, i)

    # -- text, games, ringtones

    def ebooks(self):
        for n, title in enumerate(EBOOKS):
            parts = [title, ""]
            for chapter in range(1, 4 + n % 3):
                parts.append("第%d章" % chapter)
                for _ in range(4):
                    parts.append("　　" + "".join(self.rng.choice(EBOOK_SENTENCES)
                                                for _ in range(6)))
                parts.append("")
            self.write("6-电子书/%s.txt" % title, gb("\n".join(parts)))

    def jar(self, name):
        buf = io.BytesIO()
        manifest = ("Manifest-Version: 1.0\r\nMIDlet-1: %s,/icon.png,Main\r\n"
                    "MIDlet-Name: %s\r\nMIDlet-Vendor: Zorvik Demo\r\nMIDlet-Version: 1.0.0\r\n"
                    "MicroEdition-Configuration: CLDC-1.0\r\nMicroEdition-Profile: MIDP-2.0\r\n\r\n"
                    % (name, name))
        with zipfile.ZipFile(buf, "w") as z:
            z.writestr(zipfile.ZipInfo("META-INF/MANIFEST.MF", (2009, 1, 1, 0, 0, 0)), manifest)
            z.writestr(zipfile.ZipInfo("Main.class", (2009, 1, 1, 0, 0, 0)),
                       b"\xca\xfe\xba\xbe\x00\x00\x00\x2e" + self.rng.randbytes(
                           self.rng.randrange(20000, 60000)))
            z.writestr(zipfile.ZipInfo("icon.png", (2009, 1, 1, 0, 0, 0)),
                       b"\x89PNG\r\n\x1a\n" + self.rng.randbytes(600))
        return buf.getvalue()

    def apk(self):
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w") as z:
            z.writestr(zipfile.ZipInfo("AndroidManifest.xml", (2011, 1, 1, 0, 0, 0)),
                       b"\x03\x00\x08\x00" + self.rng.randbytes(1500))
            z.writestr(zipfile.ZipInfo("classes.dex", (2011, 1, 1, 0, 0, 0)),
                       b"dex\n035\x00" + self.rng.randbytes(self.rng.randrange(40000, 90000)))
            z.writestr(zipfile.ZipInfo("META-INF/MANIFEST.MF", (2011, 1, 1, 0, 0, 0)),
                       "Manifest-Version: 1.0\r\n\r\n")
        return buf.getvalue()

    def gameboy_rom(self, title, color):
        rom = bytearray(self.rng.randbytes(32768))
        rom[0x100:0x104] = b"\x00\xc3\x50\x01"
        rom[0x134:0x144] = title.encode("ascii")[:15].ljust(15, b"\0") + (
            b"\x80" if color else b"\0")
        rom[0x144:0x14D] = bytes(9)  # licensee, cartridge type ROM only, 32 KB, no RAM
        check = 0
        for b in rom[0x134:0x14D]:
            check = (check - b - 1) & 0xFF
        rom[0x14D] = check
        return bytes(rom)

    def game_data(self, name, ext, i):
        r = self.rng
        if ext == "jar":
            return self.jar(name)
        if ext == "nes":
            header = b"NES\x1a\x02\x01" + bytes(10)  # 2 x 16 KB PRG, 1 x 8 KB CHR
            return header + r.randbytes(2 * 16384 + 8192)
        if ext in ("gb", "gbc"):
            return self.gameboy_rom("ZORVIK DEMO %d" % i, ext == "gbc")
        if ext == "smc":
            rom = bytearray(r.randbytes(131072))
            rom[0x7FC0:0x7FD5] = ("ZORVIK DEMO %d" % i).encode("ascii").ljust(21)
            return bytes(512) + bytes(rom)  # copier header + LoROM image
        if ext == "sis":
            return struct.pack("<III", 0x10201A7A, 0, 0x20001000 + i) + r.randbytes(
                r.randrange(30000, 120000))
        return r.randbytes(r.randrange(20000, 80000))  # blz, app

    def games(self):
        for i, folder in enumerate(GAME_FOLDERS):
            for name, ext in GAMES[folder]:
                self.write("7-游戏/%s/%s.%s" % (folder, name, ext), self.game_data(name, ext, i))
        for name in APKS:
            self.write("7-游戏/%s.apk" % name, self.apk())

    def ringtones(self):
        tunes = list(MELODIES.items())
        self.media("11-铃声/mp3铃声/周杰伦-菊花台铃声.mp3", "ring_mp3_0")
        self.media("11-铃声/mp3铃声/来电铃声-滴滴.mp3", "ring_mp3_1")
        self.media("11-铃声/mp3铃声/短信提示音.mp3", "ring_mp3_0")
        self.media("11-铃声/mp3铃声/闹钟铃声.mp3", "ring_mp3_1")
        for tune, notes in tunes[:2]:
            self.write("11-铃声/彩信铃声/彩信-%s.mid" % tune, midi_file(notes, 10))
        self.media("11-铃声/彩信铃声/彩信-来电提醒.wav", "wav_0")
        self.media("11-铃声/彩信铃声/彩信-叮咚.wav", "wav_1")
        for i, (tune, notes) in enumerate(tunes):
            program = [0, 11, 24, 73, 40][i]  # piano, vibraphone, guitar, flute, violin
            self.write("11-铃声/和弦铃声/和弦-%s.mid" % tune, midi_file(notes, program))
        self.media("11-铃声/特色铃声/搞笑铃声-主人快接电话.mp3", "ring_mp3_1")
        self.media("11-铃声/特色铃声/方言铃声-来电话咧.mp3", "ring_mp3_0")
        self.media("11-铃声/特色铃声/流水声.wav", "wav_0")
        self.media("11-铃声/特色铃声/鸟叫声.wav", "wav_1")

    def hot_list(self, data):
        """A hot list as the station keeps it: the most copied files, counts first.

        A few of the written songs and clips get counts; one line names a file
        the shop has since deleted, which the ranking shows as missing.
        """
        picks = [(12, "1-音乐/新增歌曲"), (9, "1-音乐/分类歌曲/伤感情歌"), (7, "2-MTV"),
                 (5, "1-音乐/分类歌曲/经典老歌"), (3, "11-铃声/mp3铃声"), (2, "3-电影/新增电影"),
                 (1, "1-音乐/分类歌曲/男女对唱")]
        lines = []
        for count, folder in picks:
            names = sorted(n for n in os.listdir(os.path.join(self.lib, *folder.split("/")))
                           if os.path.isfile(os.path.join(self.lib, *folder.split("/"), n))
                           and not n.startswith(".") and not n.endswith(".lrc"))
            for name in names[:2]:
                path = "E:\\%s\\%s\\%s" % (LIBRARY, folder.replace("/", "\\"), name)
                lines.append("%03dC,%s" % (count, path))
                count = max(1, count - 1)
        lines.append("004C,E:\\%s\\1-音乐\\分类歌曲\\伤感情歌\\刘德华-已删除的歌.mp3" % LIBRARY)
        with open(os.path.join(data, "热门推荐.txt"), "wb") as f:
            f.write(gb("\n".join(sorted(lines)) + "\n"))

    def misc(self):
        # Files the station should leave alone: no media group claims them.
        self.write("说明.doc", gb("本目录为演示用歌库，文件均为自动生成。\n"))
        self.write("5-图片/大图/美女/Thumbs.db", self.rng.randbytes(2048))


# ---------------------------------------------------------------- pictures

def make_pictures(root, lib, work, pool):
    filters = ffmpeg_filters()
    font = find_cjk_font() if "drawtext" in filters else None
    if font and not filter_safe(font):
        font = None
    jobs = demo_pictures.picture_jobs(lib, work, font, filters, filter_safe)
    jobs.append(demo_pictures.placeholder_job(os.path.join(root, "数据文件", "Brask搜歌.gif"),
                                              work, font, filters, filter_safe))
    list(pool.map(run_ffmpeg, jobs))


# ---------------------------------------------------------------- main

def write_config(root, final):
    """Config files; drive paths point at `final`, where the demo ends up."""
    data = os.path.join(root, "数据文件")
    os.makedirs(data)
    ini = ("[Drives]\nD=%s\nE=%s\n[PanFu1]\nPanFu1=E\n"
           % (os.path.join(final, "D"), os.path.join(final, "E")))
    with open(os.path.join(data, "Corlen.ini"), "wb") as f:
        f.write(gb(ini))
    with open(os.path.join(data, "歌手.txt"), "wb") as f:
        f.write(gb("\n".join(SINGERS) + "\n"))


def build(root, final):
    os.makedirs(os.path.join(root, "D"))
    lib = os.path.join(root, "E", LIBRARY)
    for name in CATEGORIES:
        os.makedirs(os.path.join(lib, name))
    for name in MUSIC_SUBFOLDERS:
        os.makedirs(os.path.join(lib, "1-音乐", "分类歌曲", name))
    for name in GAME_FOLDERS:
        os.makedirs(os.path.join(lib, "7-游戏", name))
    for name in RINGTONE_FOLDERS:
        os.makedirs(os.path.join(lib, "11-铃声", name))
    for name in OTHER_FORMATS:
        os.makedirs(os.path.join(lib, "12-其它", name))
    write_config(root, final)

    rng = random.Random(2009)
    workers = max(2, min(4, os.cpu_count() or 2))
    with tempfile.TemporaryDirectory(prefix="zorvik-demo-") as work, \
            concurrent.futures.ThreadPoolExecutor(workers) as pool:
        templates = Templates(work, pool)
        define_templates(templates)
        templates.render()
        make_pictures(root, lib, work, pool)

        demo = Demo(root, templates, rng)
        demo.music()
        demo.mtv()
        demo.films()
        demo.series()
        demo.other()
        demo.ebooks()
        demo.games()
        demo.ringtones()
        demo.misc()
        demo.hot_list(os.path.join(root, "数据文件"))
    for line in templates.missing:
        print("make_demo: skipped %s" % line, file=sys.stderr)


def main(argv):
    if len(argv) != 2:
        print("usage: %s OUTDIR" % argv[0], file=sys.stderr)
        return 2
    out = os.path.abspath(argv[1])
    if os.path.exists(os.path.join(out, DONE_MARKER)):
        return 0
    if os.path.exists(out):
        if os.path.isdir(out) and not os.listdir(out):
            os.rmdir(out)
        else:
            print("make_demo: %s exists and is not a finished demo; remove it first" % out,
                  file=sys.stderr)
            return 1
    if shutil.which("ffmpeg") is None:
        print("make_demo: ffmpeg not found", file=sys.stderr)
        return 1

    tmp = out + ".tmp"
    if os.path.exists(tmp):
        shutil.rmtree(tmp)  # leftovers of an interrupted run
    os.makedirs(tmp)
    build(tmp, out)
    count = size = 0
    for dirpath, _, files in os.walk(tmp):
        for name in files:
            count += 1
            size += os.path.getsize(os.path.join(dirpath, name))
    open(os.path.join(tmp, DONE_MARKER), "w").close()
    os.rename(tmp, out)
    print("demo library: %d files, %d bytes in %s" % (count, size, out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
