"""Theme pictures of the demo library and the picture browser's placeholder.

Each theme is a small scene drawn by ffmpeg's geq filter: shapes in the
picture's own proportions (u = X/W across, v = Y/H down), so one scene serves
the large and the small pictures, and colours and places that move with the
frame number N, so the pictures of a folder differ.  The functions here only
build ffmpeg argument lists; make_demo.py runs them.
"""

import os

def wave(a, f, p):
    """a*sin(f*N + p): a value that changes from picture to picture."""
    return "%g*sin(%g*N+%g)" % (a, f, p)


def ell(cx, cy, rx, ry):
    return "lt(pow((X/W-(%s))/%g,2)+pow((Y/H-(%s))/%g,2),1)" % (cx, rx, cy, ry)


def circ(cx, cy, r):
    # r across; down the same length is r*W/H.
    return "lt(pow((X/W-(%s))/%g,2)+pow((Y/H-(%s))/(%g*W/H),2),1)" % (cx, r, cy, r)


def box(u0, u1, v0, v1):
    return "between(X/W,%s,%s)*between(Y/H,%s,%s)" % (u0, u1, v0, v1)


def both(*conds):
    return "*".join("(%s)" % c for c in conds)


def either(*conds):
    return "gt(%s,0)" % "+".join("(%s)" % c for c in conds)


def rgb(r, g, b):
    return (str(r), str(g), str(b))


def mix(c0, c1, t):
    """From colour c0 to c1 as t goes from 0 to 1."""
    return tuple("(%s)+((%s)-(%s))*(%s)" % (a, b, a, t) for a, b in zip(c0, c1))


def vivid(seed):
    """A saturated colour that differs from picture to picture."""
    return tuple("clip(140+110*sin(%g*N+%g),0,255)" % (1.3 + 0.4 * i, seed + 2.1 * i) for i in range(3))


def geq(layers, background):
    """layers: (condition, colour) from the top down, over a background colour."""
    chans = []
    for i in range(3):
        e = background[i]
        for cond, colour in reversed(layers):
            e = "if(%s,%s,%s)" % (cond, colour[i], e)
        chans.append(e)
    return "format=gbrp,geq=r='%s':g='%s':b='%s'" % tuple(chans)


SKIN = rgb(250, 214, 186)
DARK = rgb(30, 22, 20)


def beauty():
    hair = mix(rgb(40, 25, 15), rgb(120, 60, 30), "0.5+0.5*sin(1.7*N)")
    dress = vivid(0.5)
    bg = mix(rgb(255, 200, 220), rgb(200, 190, 255), "Y/H")
    return geq([
        (either(circ(0.42, 0.30, 0.025), circ(0.58, 0.30, 0.025)), DARK),
        (ell(0.5, 0.405, 0.05, 0.012), rgb(210, 40, 70)),
        (ell(0.5, 0.31, 0.16, 0.15), SKIN),
        (box(0.45, 0.55, 0.40, 0.56), SKIN),
        (ell(0.5, 0.30, 0.22, 0.19), hair),
        (ell(0.5, 0.98, 0.45, 0.42), dress),
        (ell(0.5, 0.48, 0.25, 0.26), hair),
    ], bg)


def handsome():
    suit = mix(rgb(30, 40, 80), rgb(70, 70, 70), "0.5+0.5*sin(2.3*N)")
    bg = mix(rgb(170, 200, 230), rgb(90, 120, 160), "Y/H")
    return geq([
        (either(circ(0.43, 0.31, 0.022), circ(0.57, 0.31, 0.022)), DARK),
        (box(0.45, 0.55, 0.405, 0.415), rgb(150, 70, 60)),
        (both(box(0.47, 0.53, 0.60, 0.90), "lt(abs(X/W-0.5),0.03+0.1*(Y/H-0.6))"), vivid(2.0)),
        (both("gt(Y/H,0.56)", "lt(abs(X/W-0.5),0.02+0.45*(Y/H-0.56))", "lt(Y/H,0.8)"), rgb(245, 245, 245)),
        (ell(0.5, 0.32, 0.15, 0.14), SKIN),
        (box(0.45, 0.55, 0.40, 0.58), SKIN),
        (ell(0.5, 0.24, 0.17, 0.09), DARK),
        (ell(0.5, 0.98, 0.46, 0.42), suit),
    ], bg)


def landscape():
    sky = mix(rgb(80, 150, 240), rgb(230, 240, 255), "Y/H/0.6")
    return geq([
        (both("gt(Y/H,0.8)", "lt(abs(sin(Y*0.9+X*0.05)),0.2)"), rgb(200, 225, 255)),
        ("gt(Y/H,0.8)", rgb(60, 110, 190)),
        ("gt(Y/H,0.64+0.04*sin(X/W*9+N))", mix(rgb(70, 160, 70), rgb(30, 100, 40), "(Y/H-0.6)*4")),
        (both("gt(Y/H,0.40+0.10*sin(X/W*6+1.3*N)+0.04*sin(X/W*17+N))", "lt(Y/H,0.44+0.10*sin(X/W*6+1.3*N))"),
         rgb(245, 245, 250)),
        ("gt(Y/H,0.40+0.10*sin(X/W*6+1.3*N)+0.04*sin(X/W*17+N))", rgb(110, 100, 140)),
        (circ("0.5+" + wave(0.3, 1.1, 0), "0.2+" + wave(0.06, 0.7, 1), 0.09), rgb(255, 235, 130)),
    ], sky)


def love():
    # The heart curve (x^2+y^2-1)^3 - x^2 y^3 <= 0, centred and scaled.
    x = "((X/W-0.5)*2.6)"
    y = "((0.47-Y/H)*2.6*H/W)"
    heart = "lte(pow(%s*%s+%s*%s-1,3)-%s*%s*%s*%s*%s,0)" % (x, x, y, y, x, x, y, y, y)
    xs = "((X/W-0.78)*9)"
    ys = "((0.16-Y/H)*9*H/W)"
    small = "lte(pow(%s*%s+%s*%s-1,3)-%s*%s*%s*%s*%s,0)" % (xs, xs, ys, ys, xs, xs, ys, ys, ys)
    return geq([
        (small, rgb(255, 255, 255)),
        (heart, mix(rgb(230, 20, 60), rgb(255, 90, 120), "Y/H")),
    ], mix(rgb(255, 210, 225), vivid(1.0), "0.35*Y/H"))


def humour():
    r_in, r_out = 0.2, 0.25
    d = "hypot(X/W-0.5,(Y/H-0.45)*H/W)"
    wink = "eq(mod(N,3),1)"
    return geq([
        (both("gt(%s,%g)" % (d, r_in), "lt(%s,%g)" % (d, r_out), "gt(Y/H,0.50)"), DARK),
        (both(circ(0.62, 0.36, 0.045), "eq(%s,0)" % wink), DARK),
        (both(box(0.57, 0.67, 0.355, 0.37), wink), DARK),
        (circ(0.38, 0.36, 0.045), DARK),
        (circ(0.5, 0.45, 0.38), rgb(255, 215, 40)),
    ], mix(vivid(3.0), rgb(255, 255, 255), "0.5"))


def passion():
    f = "(Y/H-0.32-0.10*sin(X/W*13+N*2.1)-0.06*sin(X/W*29+N*3.3))"
    return geq([
        ("gt(%s,0)" % f, ("255", "clip(250-%s*420,40,250)" % f, "clip(120-%s*600,0,120)" % f)),
    ], mix(rgb(40, 0, 20), rgb(120, 10, 30), "Y/H"))


def cartoon():
    head = circ(0.5, 0.47, 0.34)
    ear_l = both("lt(Y/H,0.34)", "gt(Y/H,0.12+1.6*abs(X/W-0.26)*W/H)")
    ear_r = both("lt(Y/H,0.34)", "gt(Y/H,0.12+1.6*abs(X/W-0.74)*W/H)")
    whisker = both(either(box(0.08, 0.32, 0.505, 0.515), box(0.68, 0.92, 0.505, 0.515),
                          box(0.08, 0.32, 0.545, 0.555), box(0.68, 0.92, 0.545, 0.555)))
    fur = mix(rgb(255, 160, 60), vivid(4.0), "0.3")
    return geq([
        (whisker, DARK),
        (circ(0.5, 0.51, 0.035), rgb(240, 110, 140)),
        (either(circ("0.39+" + wave(0.015, 1, 0), 0.42, 0.03), circ("0.61+" + wave(0.015, 1, 0), 0.42, 0.03)), DARK),
        (either(circ(0.39, 0.42, 0.07), circ(0.61, 0.42, 0.07)), rgb(255, 255, 255)),
        (head, fur),
        (either(ear_l, ear_r), fur),
    ], mix(rgb(180, 230, 255), rgb(255, 255, 220), "Y/H"))


def festival():
    diamond = "lt(abs(X/W-0.5)+abs(Y/H-0.45)*H/W,0.34)"
    lantern_l = ell("0.14", "0.14+" + wave(0.02, 1.5, 0), 0.09, 0.06)
    lantern_r = ell("0.86", "0.14+" + wave(0.02, 1.5, 2), 0.09, 0.06)
    return geq([
        (either(lantern_l, lantern_r), rgb(255, 60, 40)),
        (either(box(0.135, 0.145, 0.0, 0.1), box(0.855, 0.865, 0.0, 0.1)), rgb(250, 200, 60)),
        ("lt(abs(X/W-0.5)+abs(Y/H-0.45)*H/W,0.30)", rgb(250, 200, 60)),
        (diamond, rgb(200, 20, 20)),
    ], mix(rgb(200, 10, 20), rgb(140, 0, 10), "hypot(X/W-0.5,Y/H-0.5)*1.5"))


def alternative_pop():
    d = "hypot(X/W-0.5,(Y/H-0.45)*H/W)"
    return geq([
        ("lt(random(0),0.006)", rgb(255, 255, 255)),
        ("gt(sin(%s*70-N*2),0.75)" % d, mix(rgb(255, 80, 200), rgb(80, 230, 255), "0.5+0.5*sin(Y/H*6+N)")),
    ], mix(rgb(20, 0, 40), rgb(70, 10, 80), "Y/H"))


def strange():
    return geq([], ("clip(128+127*sin(X/W*9+N),0,255)",
                    "clip(128+127*sin(Y/H*11+X/W*4+2*N),0,255)",
                    "clip(128+127*sin((X/W+Y/H)*8-N),0,255)"))


def car():
    body = vivid(5.0)
    cabin = both("between(Y/H,0.47,0.56)", "lt(abs(X/W-0.5),0.16+0.9*(Y/H-0.47)*H/W)")
    window = both("between(Y/H,0.49,0.555)", "lt(abs(X/W-0.5),0.13+0.9*(Y/H-0.49)*H/W)", "gt(abs(X/W-0.5),0.012)")
    wheels = either(circ(0.28, 0.665, 0.085), circ(0.72, 0.665, 0.085))
    hubs = either(circ(0.28, 0.665, 0.04), circ(0.72, 0.665, 0.04))
    return geq([
        (hubs, rgb(200, 200, 210)),
        (wheels, rgb(25, 25, 25)),
        (either(box(0.10, 0.15, 0.58, 0.60), box(0.85, 0.90, 0.58, 0.60)), rgb(255, 240, 160)),
        (window, rgb(170, 210, 240)),
        (either(cabin, box(0.08, 0.92, 0.555, 0.665)), body),
        (both("gt(Y/H,0.745)", "lt(Y/H,0.755)", "lt(mod(X/W+0.1*N,0.2),0.1)"), rgb(250, 250, 250)),
        ("gt(Y/H,0.70)", rgb(70, 70, 75)),
    ], mix(rgb(150, 190, 230), rgb(240, 225, 200), "Y/H/0.7"))


SCENES = {"美女": beauty, "爱情": love, "风景": landscape, "幽默搞笑": humour, "激情": passion,
          "动漫卡通": cartoon, "美男": handsome, "节日祝福": festival, "非主流": alternative_pop,
          "另类": strange, "名车": car}


# Pictures per folder: the large beauties fill three pages of the browser.
PICTURE_COUNTS = {("大图", "美女"): 15}
DEFAULT_COUNT = 8


def _text_filter(font, textfile, size, colour, x, y, border="borderw=2"):
    return ("drawtext=fontfile='%s':textfile='%s':fontsize=%s:fontcolor=%s:%s:x=%s:y=%s"
            % (font, textfile, size, colour, border, x, y))


def _caption(work, name, text):
    # Chinese goes through a file so the filter graph needs no escaping.
    path = os.path.join(work, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def picture_jobs(lib, work, font, filters, safe):
    """ffmpeg argument lists: one run per theme folder, writing its JPEGs plus
    an animated GIF (large pictures) or a BMP (small ones)."""
    jobs = []
    lucky = _caption(work, "lucky.txt", "福")
    for t_index, theme in enumerate(SCENES):
        # Drawn at twice the size and scaled down, so edges come out smooth.
        scene = SCENES[theme]() + ",scale=iw/2:ih/2:flags=area" if "geq" in filters else "null"
        # Theme and number small in a corner, as the shop's pictures carry a mark.
        caption = _caption(work, "caption%d.txt" % t_index, theme + " %{eif:n+1:d:2}")
        for kind, (width, height), fontsize in (("大图", (240, 320), 14), ("小图", (128, 160), 9)):
            folder = os.path.join(lib, "5-图片", kind, theme)
            os.makedirs(folder, exist_ok=True)
            count = PICTURE_COUNTS.get((kind, theme), DEFAULT_COUNT)
            chain = scene
            if font and "drawtext" in filters and safe(caption) and safe(lucky):
                if theme == "节日祝福":
                    chain += "," + _text_filter(font, lucky, "w*0.3", "0xb01010", "(w-tw)/2",
                                                "h*0.45-th/2", "borderw=0")
                chain += "," + _text_filter(font, caption, fontsize, "white", "w-tw-4", "h-th-4", "borderw=1")
            # The JPEGs take the first frames; the GIF (large) or the BMP (small)
            # the frames after them, so every picture carries its own number.
            chain += ",format=yuvj420p,split=2[jpg][rest];[rest]trim=start_frame=%d,setpts=PTS-STARTPTS[extra]" % count
            args = ["-f", "lavfi", "-i", "color=c=black:size=%dx%d:rate=1" % (2 * width, 2 * height),
                    "-filter_complex", "[0:v]" + chain,
                    "-map", "[jpg]", "-frames:v", str(count), "-q:v", "3",
                    os.path.join(folder, theme + "%02d.jpg")]
            if kind == "大图":
                args += ["-map", "[extra]", "-frames:v", "6", os.path.join(folder, theme + "动画.gif")]
            else:
                # A BMP at full size would be needlessly large.
                args += ["-map", "[extra]", "-frames:v", "1", "-update", "1",
                         os.path.join(folder, theme + "%02d.bmp" % (count + 1))]
            jobs.append(args)
    return jobs


def placeholder_job(path, work, font, filters, safe):
    """The animation the browser's panes show before a theme is listed."""
    chain = strange() + ",scale=iw/2:ih/2:flags=area" if "geq" in filters else "null"
    chain += ",eq=brightness=-0.15"
    title = _caption(work, "placeholder1.txt", "Zorvik影音")
    subtitle = _caption(work, "placeholder2.txt", "手机图片")
    if font and "drawtext" in filters and safe(title) and safe(subtitle):
        chain += "," + _text_filter(font, title, 34, "white", "(w-tw)/2", "h*0.36", "borderw=3")
        chain += "," + _text_filter(font, subtitle, 28, "yellow", "(w-tw)/2", "h*0.52", "borderw=3")
    return ["-f", "lavfi", "-i", "color=c=black:size=480x640:rate=3",
            "-filter_complex", "[0:v]" + chain, "-frames:v", "9", path]
