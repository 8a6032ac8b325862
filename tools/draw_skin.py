#!/usr/bin/python3
"""Draws the installer skin's images into app/skin/ (run by hand; the PNGs are committed).

Usage: tools/draw_skin.py [OUTPUT_FOLDER]
Needs Python 3 with PIL (Debian: python3-pil) and the font fonts-wqy-microhei.
"""
import math
import os
import random
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "app", "skin")
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
SS = 4  # supersampling factor for smooth edges

NAVY = (8, 17, 32)
DEEP = (11, 26, 48)
TEAL = (20, 200, 190)
CYAN = (60, 200, 255)
SAND = (255, 214, 140)
WHITE = (255, 255, 255)


def font(size):
    return ImageFont.truetype(FONT, size)


def save(img, name):
    img.save(os.path.join(OUT, name), optimize=True)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def vgradient(w, h, stops):
    """stops: [(t, rgb)], t in 0..1 from top to bottom."""
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        t = y / max(1, h - 1)
        for i in range(len(stops) - 1):
            if stops[i][0] <= t <= stops[i + 1][0]:
                u = (t - stops[i][0]) / max(1e-9, stops[i + 1][0] - stops[i][0])
                c = lerp(stops[i][1], stops[i + 1][1], u)
                break
        for x in range(w):
            px[x, y] = c
    return img


def hgradient_rgba(w, h, a, b):
    img = Image.new("RGBA", (w, h))
    px = img.load()
    for x in range(w):
        c = lerp(a, b, x / max(1, w - 1))
        for y in range(h):
            px[x, y] = c
    return img


def glow(layer, radius, strength=1):
    g = layer.filter(ImageFilter.GaussianBlur(radius))
    out = Image.new("RGBA", layer.size, (0, 0, 0, 0))
    for _ in range(strength):
        out = Image.alpha_composite(out, g)
    return Image.alpha_composite(out, layer)


def rounded(w, h, r, fill, outline=None, width=1):
    """A rounded rectangle drawn supersampled; fill may be an RGBA image of size (w, h)."""
    big = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    mask = Image.new("L", (w * SS, h * SS), 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, w * SS - 1, h * SS - 1), r * SS, fill=255)
    if isinstance(fill, Image.Image):
        big.paste(fill.resize((w * SS, h * SS)), (0, 0), mask)
    else:
        big.paste(Image.new("RGBA", big.size, fill), (0, 0), mask)
    if outline:
        d = ImageDraw.Draw(big)
        d.rounded_rectangle((0, 0, w * SS - 1, h * SS - 1), r * SS, outline=outline, width=width * SS)
    return big.resize((w, h), Image.LANCZOS)


def stars(img, count, seed, ymax, twinkle=True):
    rnd = random.Random(seed)
    w, h = img.size
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    for _ in range(count):
        x, y = rnd.uniform(0, w), rnd.uniform(0, ymax) ** 1.0
        y = ymax * (rnd.random() ** 1.6)
        r = rnd.choice([0.5, 0.6, 0.8, 1.0, 1.3])
        a = int(rnd.uniform(90, 255) * (1 - 0.6 * y / ymax))
        col = rnd.choice([(255, 255, 255), (190, 230, 255), (255, 236, 200), (170, 255, 240)])
        d.ellipse((x - r, y - r, x + r, y + r), fill=col + (a,))
        if twinkle and r >= 1.3 and rnd.random() < 0.5:
            L = rnd.uniform(4, 7)
            d.line((x - L, y, x + L, y), fill=col + (a // 3,), width=1)
            d.line((x, y - L, x, y + L), fill=col + (a // 3,), width=1)
    return Image.alpha_composite(img.convert("RGBA"), glow(layer, 1.2))


def dunes(img, seed, layers):
    """layers: [(base_y, amplitude, colour_top, colour_bottom, alpha)]"""
    rnd = random.Random(seed)
    w, h = img.size
    out = img.convert("RGBA")
    for base, amp, ctop, cbot, alpha in layers:
        ph1, ph2, ph3 = rnd.uniform(0, 6.28), rnd.uniform(0, 6.28), rnd.uniform(0, 6.28)
        f1, f2 = rnd.uniform(1.2, 2.0), rnd.uniform(3.0, 4.5)
        ys = [base + amp * (0.6 * math.sin(x / w * 6.28 * f1 + ph1) + 0.3 * math.sin(x / w * 6.28 * f2 + ph2)
                            + 0.1 * math.sin(x / w * 6.28 * 9 + ph3)) for x in range(w)]
        fill = vgradient(w, h, [(0, ctop), (1, cbot)]).convert("RGBA")
        mask = Image.new("L", (w, h), 0)
        md = ImageDraw.Draw(mask)
        md.polygon([(0, h)] + [(x, ys[x]) for x in range(w)] + [(w - 1, h)], fill=alpha)
        # the lit crest of each dune
        crest = Image.new("RGBA", (w, h), (0, 0, 0, 0))
        cd = ImageDraw.Draw(crest)
        cd.line([(x, ys[x]) for x in range(w)], fill=(120, 255, 235, 150), width=1)
        out.paste(fill, (0, 0), mask)
        out = Image.alpha_composite(out, glow(crest, 2))
    return out


def sand_particles(img, seed, count, y0, y1):
    rnd = random.Random(seed)
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    w = img.size[0]
    for _ in range(count):
        x, y = rnd.uniform(0, w), rnd.uniform(y0, y1)
        r = rnd.uniform(0.4, 1.2)
        d.ellipse((x - r, y - r, x + r, y + r), fill=SAND + (int(rnd.uniform(60, 200)),))
    return Image.alpha_composite(img, glow(layer, 1.5))


def planet(img, cx, cy, r):
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    big = Image.new("RGBA", (img.size[0] * 2, img.size[1] * 2), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    for i in range(int(r * 2), 0, -1):
        t = i / (r * 2)
        col = lerp((150, 255, 240), (20, 70, 110), t)
        d.ellipse((cx * 2 - i, cy * 2 - i, cx * 2 + i, cy * 2 + i), fill=col + (255,))
    # crescent shadow
    d.ellipse((cx * 2 - r * 2 + r * 1.5, cy * 2 - r * 2 - r * 0.8, cx * 2 + r * 2 + r * 1.5, cy * 2 + r * 2 - r * 0.8),
              fill=(8, 20, 40, 235))
    mask = Image.new("L", big.size, 0)
    ImageDraw.Draw(mask).ellipse((cx * 2 - r * 2, cy * 2 - r * 2, cx * 2 + r * 2, cy * 2 + r * 2), fill=255)
    clipped = Image.new("RGBA", big.size, (0, 0, 0, 0))
    clipped.paste(big, (0, 0), mask)
    layer = clipped.resize(img.size, Image.LANCZOS)
    halo = Image.new("RGBA", img.size, (0, 0, 0, 0))
    ImageDraw.Draw(halo).ellipse((cx - r - 6, cy - r - 6, cx + r + 6, cy + r + 6), fill=(80, 230, 220, 70))
    halo = halo.filter(ImageFilter.GaussianBlur(10))
    return Image.alpha_composite(Image.alpha_composite(img, halo), layer)


def title_text(img, text, sub, cx, cy, size):
    w, h = img.size
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    f = font(size)
    # letter-spaced title
    chars = list(text)
    spacing = size * 0.18
    widths = [d.textlength(c, font=f) for c in chars]
    total = sum(widths) + spacing * (len(chars) - 1)
    x = cx - total / 2
    # gradient fill through a mask
    mask = Image.new("L", (w, h), 0)
    md = ImageDraw.Draw(mask)
    for c, cw in zip(chars, widths):
        md.text((x, cy - size * 0.62), c, font=f, fill=255)
        x += cw + spacing
    grad = vgradient(w, h, [(0, (255, 255, 255)), (cy / h, (230, 252, 255)), ((cy + size * 0.5) / h, (120, 240, 225)),
                            (1, (60, 200, 220))]).convert("RGBA")
    layer.paste(grad, (0, 0), mask)
    shadow = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    shadow.paste(Image.new("RGBA", (w, h), (40, 220, 210, 160)), (0, 0), mask)
    shadow = shadow.filter(ImageFilter.GaussianBlur(size / 7))
    out = Image.alpha_composite(img, shadow)
    out = Image.alpha_composite(out, layer)
    if sub:
        d = ImageDraw.Draw(out)
        fs = font(int(size * 0.22))
        sub_sp = " ".join(sub)
        tw = d.textlength(sub_sp, font=fs)
        y = cy + size * 0.55
        d.text((cx - tw / 2, y), sub_sp, font=fs, fill=(180, 235, 235, 230))
        # thin ornament lines beside the subtitle
        d.line((cx - tw / 2 - 46, y + size * 0.12, cx - tw / 2 - 10, y + size * 0.12), fill=(120, 230, 220, 200))
        d.line((cx + tw / 2 + 10, y + size * 0.12, cx + tw / 2 + 46, y + size * 0.12), fill=(120, 230, 220, 200))
    return out


def top_shade(img, height, alpha):
    w, h = img.size
    shade = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    px = shade.load()
    for y in range(min(height, h)):
        a = int(alpha * (1 - y / height) ** 1.5)
        for x in range(w):
            px[x, y] = (4, 10, 20, a)
    return Image.alpha_composite(img, shade)


def bottom_fade(img, height, colour):
    w, h = img.size
    shade = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    px = shade.load()
    for y in range(h - height, h):
        a = int(255 * ((y - (h - height)) / height) ** 1.4)
        for x in range(w):
            px[x, y] = colour + (a,)
    return Image.alpha_composite(img, shade)


def hero(w, h, seed, title_y, tagline=None):
    sky = vgradient(w, h, [(0, (6, 12, 28)), (0.45, (12, 34, 66)), (0.72, (18, 78, 100)), (1, (10, 40, 60))])
    img = stars(sky, 260, seed, h * 0.7)
    img = planet(img, int(w * 0.80), int(h * 0.30), 34)
    img = dunes(img, seed + 1, [
        (h * 0.70, 14, (22, 70, 96), (10, 30, 50), 255),
        (h * 0.80, 12, (16, 52, 78), (8, 22, 40), 255),
        (h * 0.90, 10, (11, 34, 56), (7, 16, 30), 255),
    ])
    img = sand_particles(img, seed + 2, 140, h * 0.55, h * 0.95)
    img = top_shade(img, 60, 200)
    img = title_text(img, "星砂回响", "STARSAND ECHO", w / 2, title_y, 58)
    if tagline:
        d = ImageDraw.Draw(img)
        f = font(13)
        tw = d.textlength(tagline, font=f)
        d.text((w / 2 - tw / 2, title_y + 64), tagline, font=f, fill=(200, 230, 235, 210))
    return img


def draw_bg1():
    img = hero(540, 314, 7, 132, "聆听星砂深处的回响 · 开启你的旅程")
    img = bottom_fade(img, 40, NAVY)
    save(img.convert("RGB"), "bg1.png")


def draw_ad():
    img = hero(540, 290, 11, 118, None)
    d = ImageDraw.Draw(img)
    # a panel with three feature lines
    feats = ["全新星域 · 无缝大世界", "实时协作 · 百人共鸣战", "一次安装 · 自动保持最新"]
    f = font(13)
    y = 196
    for i, t in enumerate(feats):
        tw = d.textlength(t, font=f)
        x = 540 / 2 - 220 + i * 150 + (140 - tw) / 2
        panel = rounded(140, 30, 6, (12, 40, 62, 190), outline=(60, 200, 200, 160))
        img.alpha_composite(panel, (int(540 / 2 - 220 + i * 150), y))
        d.text((x, y + 6), t, font=f, fill=(220, 245, 245, 255))
    img = bottom_fade(img, 36, NAVY)
    save(img.convert("RGB"), "ad00.png")


def draw_progress():
    # rows 10..15 hold the bar colours; the installer stretches them to the bar length
    img = Image.new("RGBA", (470, 16), (0, 0, 0, 0))
    grad = hgradient_rgba(470, 6, (16, 150, 230, 255), (54, 241, 205, 255))
    px = grad.load()
    for x in range(470):
        for y in range(6):
            r, g, b, a = px[x, y]
            k = 1.15 if y in (1, 2) else (0.85 if y == 5 else 1.0)
            px[x, y] = (min(255, int(r * k)), min(255, int(g * k)), min(255, int(b * k)), a)
    img.paste(grad, (0, 10))
    # rows 0..9: a soft preview of the glow, unused by the installer
    glowrow = hgradient_rgba(470, 4, (16, 150, 230, 60), (54, 241, 205, 90))
    img.paste(glowrow, (0, 6))
    save(img, "progress_fore.png")


def draw_tip_bubble():
    w, h = 28, 23
    big = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    d.rounded_rectangle((0, 0, w * SS - 1, 18 * SS - 1), 5 * SS, fill=(24, 200, 190, 255))
    cx = w * SS / 2
    d.polygon([(cx - 5 * SS, 17 * SS), (cx + 5 * SS, 17 * SS), (cx, 23 * SS - 1)], fill=(24, 200, 190, 255))
    save(big.resize((w, h), Image.LANCZOS), "tip_bubble.png")
    arrow = Image.new("RGBA", (10 * SS, 5 * SS), (0, 0, 0, 0))
    ImageDraw.Draw(arrow).polygon([(0, 0), (10 * SS, 0), (5 * SS, 5 * SS - 1)], fill=(24, 200, 190, 255))
    save(arrow.resize((10, 5), Image.LANCZOS), "tip_arrow.png")


def draw_button(name, w, h, r, top, bottom, outline=None, shine=True):
    fill = vgradient(w, h, [(0, top), (1, bottom)]).convert("RGBA")
    img = rounded(w, h, r, fill, outline=outline)
    if shine:
        hl = Image.new("RGBA", (w, h), (0, 0, 0, 0))
        hd = ImageDraw.Draw(hl)
        hd.line((r, 1, w - r, 1), fill=(255, 255, 255, 90))
        img = Image.alpha_composite(img, hl)
    save(img, name)


def draw_install_buttons():
    w, h = 220, 48
    draw_button("btn_install_normal.png", w, h, 24, (34, 214, 196), (16, 150, 200))
    draw_button("btn_install_hot.png", w, h, 24, (70, 236, 214), (30, 176, 226))
    draw_button("btn_install_pushed.png", w, h, 24, (16, 150, 150), (12, 110, 160), shine=False)
    draw_button("btn_install_disabled.png", w, h, 24, (60, 80, 96), (44, 60, 76), shine=False)


def draw_small_buttons():
    # secondary: outlined
    draw_button("btn_sec_normal.png", 70, 26, 4, (22, 40, 60), (18, 32, 50), outline=(60, 110, 140, 255), shine=False)
    draw_button("btn_sec_hot.png", 70, 26, 4, (28, 54, 78), (22, 44, 66), outline=(60, 200, 200, 255), shine=False)
    draw_button("btn_sec_pushed.png", 70, 26, 4, (16, 30, 46), (14, 26, 40), outline=(40, 160, 160, 255), shine=False)
    # primary
    draw_button("btn_pri_normal.png", 70, 26, 4, (34, 214, 196), (16, 150, 200))
    draw_button("btn_pri_hot.png", 70, 26, 4, (70, 236, 214), (30, 176, 226))
    draw_button("btn_pri_pushed.png", 70, 26, 4, (16, 150, 150), (12, 110, 160), shine=False)


def draw_title_buttons():
    s = 30
    for state, bg, fg in (("normal", None, (170, 195, 210)), ("hot", (255, 255, 255, 30), (255, 255, 255)),
                          ("pushed", (255, 255, 255, 18), (200, 220, 230))):
        for kind in ("close", "min"):
            bgc = bg
            if kind == "close" and state != "normal":
                bgc = (226, 60, 80, 230) if state == "hot" else (190, 44, 64, 230)
            big = Image.new("RGBA", (s * SS, s * SS), (0, 0, 0, 0))
            d = ImageDraw.Draw(big)
            if bgc:
                d.rectangle((0, 0, s * SS, s * SS), fill=bgc)
            c = s * SS / 2
            k = 4.5 * SS
            if kind == "close":
                d.line((c - k, c - k, c + k, c + k), fill=fg + (255,), width=int(1.4 * SS))
                d.line((c - k, c + k, c + k, c - k), fill=fg + (255,), width=int(1.4 * SS))
            else:
                d.line((c - k, c + 0.5 * SS, c + k, c + 0.5 * SS), fill=fg + (255,), width=int(1.4 * SS))
            save(big.resize((s, s), Image.LANCZOS), "title_%s_%s.png" % (kind, state))


def draw_checks():
    s = 14
    for name, on, hot in (("check_off.png", False, False), ("check_off_hot.png", False, True),
                          ("check_on.png", True, False), ("check_on_hot.png", True, True)):
        big = Image.new("RGBA", (s * SS, s * SS), (0, 0, 0, 0))
        d = ImageDraw.Draw(big)
        if on:
            col = (70, 236, 214, 255) if hot else (34, 206, 190, 255)
            d.rounded_rectangle((0, 0, s * SS - 1, s * SS - 1), 3 * SS, fill=col)
            d.line([(3.2 * SS, 7.2 * SS), (6 * SS, 10 * SS), (11 * SS, 4 * SS)], fill=(8, 26, 40, 255),
                   width=int(1.8 * SS), joint="curve")
        else:
            col = (70, 236, 214, 255) if hot else (110, 140, 160, 255)
            d.rounded_rectangle((SS // 2, SS // 2, s * SS - 1 - SS // 2, s * SS - 1 - SS // 2), 3 * SS,
                                fill=(10, 22, 36, 255), outline=col, width=int(1.2 * SS))
        save(big.resize((s, s), Image.LANCZOS), name)


def draw_arrows():
    s = 15
    for name, up, col in (("icon_down.png", False, (150, 180, 196)), ("icon_up.png", True, (60, 220, 210))):
        big = Image.new("RGBA", (s * SS, s * SS), (0, 0, 0, 0))
        d = ImageDraw.Draw(big)
        c = s * SS / 2
        a, b = 4 * SS, 2.2 * SS
        if up:
            pts = [(c - a, c + b), (c, c - b), (c + a, c + b)]
        else:
            pts = [(c - a, c - b), (c, c + b), (c + a, c - b)]
        d.line(pts, fill=col + (255,), width=int(1.6 * SS), joint="curve")
        save(big.resize((s, s), Image.LANCZOS), name)


def draw_edit():
    w, h = 40, 30
    save(rounded(w, h, 4, (9, 20, 34, 255), outline=(50, 82, 106, 255)), "edit_normal.png")
    save(rounded(w, h, 4, (10, 24, 40, 255), outline=(70, 130, 150, 255)), "edit_hot.png")
    save(rounded(w, h, 4, (10, 24, 40, 255), outline=(40, 210, 196, 255)), "edit_focused.png")


def draw_tip_icon():
    s = 32
    big = Image.new("RGBA", (s * SS, s * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    d.ellipse((SS, SS, s * SS - SS, s * SS - SS), fill=(24, 200, 190, 255))
    f = ImageFont.truetype(FONT, 22 * SS)
    tw = d.textlength("!", font=f)
    d.text((s * SS / 2 - tw / 2, 3.5 * SS), "!", font=f, fill=(8, 26, 40, 255))
    save(big.resize((s, s), Image.LANCZOS), "common_tip_icon.png")


def draw_logo():
    s = 18
    big = Image.new("RGBA", (s * SS, s * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    c = s * SS / 2
    pts = []
    for i in range(8):
        r = (8.5 if i % 2 == 0 else 3.4) * SS
        a = math.pi / 4 * i - math.pi / 2
        pts.append((c + r * math.cos(a), c + r * math.sin(a)))
    d.polygon(pts, fill=(70, 236, 214, 255))
    d.ellipse((c - 2 * SS, c - 2 * SS, c + 2 * SS, c + 2 * SS), fill=(255, 240, 200, 255))
    save(big.resize((s, s), Image.LANCZOS), "logo_small.png")


def draw_box_bg():
    # the message box: a plain panel with a thin lit top edge under the title bar
    w, h = 280, 115
    img = vgradient(w, h, [(0, (14, 28, 46)), (1, (10, 20, 34))]).convert("RGBA")
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, w - 1, 29), fill=(8, 16, 28, 255))
    d.line((0, 29, w, 29), fill=(36, 180, 176, 255))
    d.rectangle((0, 0, w - 1, h - 1), outline=(40, 70, 96, 255))
    save(img.convert("RGB"), "box_bg.png")


def main():
    os.makedirs(OUT, exist_ok=True)
    draw_bg1()
    draw_ad()
    draw_progress()
    draw_tip_bubble()
    draw_install_buttons()
    draw_small_buttons()
    draw_title_buttons()
    draw_checks()
    draw_arrows()
    draw_edit()
    draw_tip_icon()
    draw_logo()
    draw_box_bg()


if __name__ == "__main__":
    main()
