#!/usr/bin/python3
"""Draws the pictures of the Tovra main window and the desktop icon into assets/.

Needs Debian's python3-pil (Pillow) and the fonts of fonts-dejavu-core and
fonts-liberation2; the build does not run this script, the pictures it writes
are kept in the repository.  Run from anywhere:

    /usr/bin/python3 scripts/make-assets.py

The output is the same on every run: nothing here is random.
"""

from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ASSETS = Path(__file__).resolve().parent.parent / "assets"

DEJAVU = "/usr/share/fonts/truetype/dejavu/"
LIBERATION = "/usr/share/fonts/truetype/liberation2/"
TITLE_FONT = LIBERATION + "LiberationSans-Bold.ttf"
CAPS_FONT = DEJAVU + "DejaVuSans-Bold.ttf"
SMALL_FONT = DEJAVU + "DejaVuSansCondensed-Bold.ttf"

# The banner's right half lies under the animation, so both share this colour
# and the animation fades into it at its edges.
BACKGROUND = (7, 13, 26)
GLOW_BLUE = (24, 52, 104)
GRID = (16, 30, 56)
GRID_ROW = (26, 46, 84)
TITLE_TOP = (255, 255, 255)
TITLE_BOTTOM = (176, 196, 226)
STEEL = (140, 164, 200)
LASER_GREEN = (60, 255, 110)
LASER_CORE = (225, 255, 230)

BANNER_SIZE = (652, 101)
ANIMATION_SIZE = (320, 90)
LOGO_SIZE = (76, 17)
# Everything that matters on the banner stays left of the animation.
BANNER_CONTENT_WIDTH = 310

FRAME_COUNT = 20
FRAME_MS = 70
PULSE_PERIOD = 10           # frames between two pulses
PULSE_EMITTED_AT = 3        # so frame 12, the still picture, falls between pulses
PULSE_SPEED = 32            # pixels per frame
PULSE_TAIL = 80
# Brightness of the aperture by frames since emission: the flash of the pulse,
# then darkness, then the glow of the pump building up for the next one.
APERTURE_FLASH = (1.0, 0.45, 0, 0, 0, 0, 0, 0.1, 0.2, 0.3)
SUPERSAMPLE = 3
BEAM_Y = 47
APERTURE_X = 122

METAL = [(128, 144, 172), (78, 92, 120), (46, 56, 78), (24, 30, 44)]
RIM = (124, 142, 176)
SLOT = (16, 22, 34)
IDLE_BEAM = (16, 60, 30)
HALO_TINT = (160, 255, 170)
PLATE = (20, 28, 44)
PLATE_EDGE = (70, 86, 116)
PLATE_TEXT = (214, 226, 244)
APERTURE = (8, 12, 18)
APERTURE_RING = (160, 176, 204)
LAMP_ON = (90, 255, 130)
LAMP_STANDBY = (230, 150, 30)
BADGE_EDGE = (56, 84, 130)

JPEG_QUALITY = 95

# Pixels per design pixel of the pictures being drawn: 1 for the plain files, 2 for the "@2x"
# files that Qt shows on screens scaled by more than 1.
K = 1


def px(value):
    return value * K


def sized(size):
    return (size[0] * K, size[1] * K)


def font(path, size):
    return ImageFont.truetype(path, size)


def horizontal_fade(size, start, end):
    """Mask that is opaque left of `start`, clear right of `end`, smooth between."""
    mask = Image.new("L", size, 0)
    draw = ImageDraw.Draw(mask)
    draw.rectangle((0, 0, start, size[1]), fill=255)
    for x in range(start, end):
        t = (x - start) / (end - start)
        draw.line([(x, 0), (x, size[1])], fill=round(255 * (1 - t * t * (3 - 2 * t))))
    return mask


def soft_glow(size, centre, radii, colour):
    """Additive layer with an elliptical glow that falls off to black."""
    glow = Image.radial_gradient("L").resize((2 * radii[0], 2 * radii[1]))
    glow = glow.point(lambda v: max(0, 255 - v) ** 2 // 255)
    layer = Image.new("RGB", size, (0, 0, 0))
    layer.paste(Image.new("RGB", glow.size, colour),
                (centre[0] - radii[0], centre[1] - radii[1]), glow)
    return layer


def tracked_width(text, face, tracking):
    return sum(face.getlength(ch) for ch in text) + tracking * (len(text) - 1)


def tracked_text(draw, origin, text, face, fill, tracking):
    """Draws capitals with extra letter spacing, as small caps lines need."""
    x, y = origin
    for ch in text:
        draw.text((x, y), ch, font=face, fill=fill)
        x += face.getlength(ch) + tracking


def gradient_text(image, origin, text, face, top, bottom):
    """Paints text filled with a vertical gradient from `top` to `bottom`."""
    mask = Image.new("L", image.size, 0)
    ImageDraw.Draw(mask).text(origin, text, font=face, fill=255)
    box = mask.getbbox()
    fill = Image.linear_gradient("L").resize((image.width, box[3] - box[1]))
    fill = Image.composite(Image.new("RGB", fill.size, bottom), Image.new("RGB", fill.size, top),
                           fill)
    layer = Image.new("RGB", image.size, top)
    layer.paste(fill, (0, box[1]))
    image.paste(layer, (0, 0), mask)
    return box


def technical_texture(size):
    """Fine grid with two brighter rows, like a data sheet's drawing paper."""
    texture = Image.new("RGB", size, BACKGROUND)
    draw = ImageDraw.Draw(texture)
    for x in range(0, size[0], px(12)):
        draw.line([(x, 0), (x, size[1])], fill=GRID, width=K)
    for y in range(px(4), size[1], px(12)):
        draw.line([(0, y), (size[0], y)], fill=GRID, width=K)
    for y in (px(28), px(76)):
        draw.line([(0, y), (size[0], y)], fill=GRID_ROW, width=K)
    return texture


def draw_banner():
    size = sized(BANNER_SIZE)
    banner = Image.new("RGB", size, BACKGROUND)
    banner.paste(technical_texture(size), (0, 0),
                 horizontal_fade(size, px(150), px(BANNER_CONTENT_WIDTH - 10)))
    banner = ImageChops.add(banner, soft_glow(size, sized((96, 54)), sized((200, 80)), GLOW_BLUE))

    draw = ImageDraw.Draw(banner)
    left = px(18)
    tracked_text(draw, (left + px(1), px(9)), "MAROVANE", font(CAPS_FONT, px(10)), LASER_GREEN, px(3))
    title = gradient_text(banner, (left - px(3), px(18)), "Tovra", font(TITLE_FONT, px(52)),
                          TITLE_TOP, TITLE_BOTTOM)
    tracked_text(draw, (left + px(1), title[3] + px(8)), "DIODE-PUMPED  Q-SWITCHED  LASER  CONTROL",
                 font(SMALL_FONT, px(9)), STEEL, px(1))

    accent = Image.new("RGB", sized((BANNER_CONTENT_WIDTH, 2)), LASER_GREEN)
    fade = horizontal_fade(accent.size, px(40), px(BANNER_CONTENT_WIDTH))
    banner.paste(accent, (0, size[1] - px(5)), fade)
    return banner


def vertical_gradient(size, stops):
    """Image whose rows blend evenly through the colours in `stops`."""
    image = Image.new("RGB", size)
    draw = ImageDraw.Draw(image)
    spans = len(stops) - 1
    for y in range(size[1]):
        t = y / max(1, size[1] - 1) * spans
        i = min(int(t), spans - 1)
        a, b, f = stops[i], stops[i + 1], t - i
        draw.line([(0, y), (size[0], y)], fill=tuple(round(p + (q - p) * f) for p, q in zip(a, b)))
    return image


def metal_part(scene, box, radius, s):
    """Pastes a brushed-metal block with a light rim at `box` (final-scale pixels)."""
    box = tuple(v * s for v in box)
    size = (box[2] - box[0], box[3] - box[1])
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, size[0] - 1, size[1] - 1), radius * s, fill=255)
    scene.paste(vertical_gradient(size, METAL), box[:2], mask)
    ImageDraw.Draw(scene).rounded_rectangle(box, radius * s, outline=RIM, width=s)


def draw_laser_head(scene, s):
    """Housing, cooling slots, name plate, nozzle and aperture of the laser head."""
    top, bottom = BEAM_Y - 20, BEAM_Y + 20
    metal_part(scene, (10, top, 104, bottom), 5, s)
    metal_part(scene, (102, BEAM_Y - 14, 110, BEAM_Y + 14), 2, s)
    metal_part(scene, (110, BEAM_Y - 8, APERTURE_X, BEAM_Y + 8), 1, s)
    draw = ImageDraw.Draw(scene)
    for x in range(18, 54, 5):
        draw.rounded_rectangle((x * s, (top + 7) * s, (x + 2) * s, (bottom - 7) * s), s, fill=SLOT)
    draw.rounded_rectangle((58 * s, (top + 7) * s, 97 * s, (bottom - 7) * s), 2 * s,
                           fill=PLATE, outline=PLATE_EDGE, width=s)
    draw.text((77 * s, (BEAM_Y - 6) * s), "TOVRA", font=font(CAPS_FONT, 7 * s),
              fill=PLATE_TEXT, anchor="mm")
    draw.text((77 * s, (BEAM_Y + 5) * s), "532 nm", font=font(SMALL_FONT, 6 * s),
              fill=LASER_GREEN, anchor="mm")
    draw.ellipse(((APERTURE_X - 2) * s, (BEAM_Y - 4) * s, (APERTURE_X + 2) * s, (BEAM_Y + 4) * s),
                 fill=APERTURE, outline=APERTURE_RING, width=s)


def pulse_age(frame):
    """Frames since the last pulse left the aperture."""
    return (frame - PULSE_EMITTED_AT) % PULSE_PERIOD


def scaled(colour, level):
    return tuple(round(c * level) for c in colour)


def draw_light(frame, s):
    """Additive layer: idle beam, the travelling pulse and the aperture flash."""
    w, h = ANIMATION_SIZE[0] * s, ANIMATION_SIZE[1] * s
    beam = Image.new("RGB", (w, h), (0, 0, 0))
    draw = ImageDraw.Draw(beam)
    draw.line([(APERTURE_X * s, BEAM_Y * s), (w, BEAM_Y * s)], fill=IDLE_BEAM, width=s)
    age = pulse_age(frame)
    head = APERTURE_X + age * PULSE_SPEED
    for x in range(max(APERTURE_X, head - PULSE_TAIL), head):
        level = max(0.3, (1 - (head - x) / PULSE_TAIL) ** 2)
        draw.rectangle((x * s, (BEAM_Y - 1) * s, (x + 1) * s - 1, (BEAM_Y + 1) * s - 1),
                       fill=scaled(LASER_GREEN, level))
    draw.ellipse(((head - 14) * s, (BEAM_Y - 1.5) * s, head * s, (BEAM_Y + 1.5) * s),
                 fill=LASER_CORE)
    flash = APERTURE_FLASH[age]
    if flash:
        r = 2 + 3 * flash
        draw.ellipse(((APERTURE_X - r) * s, (BEAM_Y - r) * s, (APERTURE_X + r) * s,
                      (BEAM_Y + r) * s), fill=scaled(LASER_CORE, flash))
    halo = ImageChops.multiply(beam.filter(ImageFilter.GaussianBlur(3 * s)),
                               Image.new("RGB", (w, h), HALO_TINT))
    wide = beam.filter(ImageFilter.GaussianBlur(9 * s))
    return ImageChops.add(ImageChops.add(beam, halo), ImageChops.add(wide, wide))


def status_lamp(frame):
    """The head's lamp: green as a pulse leaves, amber while the pump builds up."""
    return LAMP_ON if pulse_age(frame) < 2 else LAMP_STANDBY


def edge_fade(size):
    """Mask that lets the animation melt into the banner background."""
    w, h = size
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).rectangle((px(6), px(8), w - px(34), h - px(9)), fill=255)
    return mask.filter(ImageFilter.GaussianBlur(px(6)))


def draw_frame(frame):
    s = SUPERSAMPLE * K
    scene = Image.new("RGB", (ANIMATION_SIZE[0] * s, ANIMATION_SIZE[1] * s), BACKGROUND)
    draw_laser_head(scene, s)
    lamp = (16 * s, (BEAM_Y + 14) * s, 19 * s, (BEAM_Y + 17) * s)
    ImageDraw.Draw(scene).ellipse(lamp, fill=status_lamp(frame))
    scene = ImageChops.add(scene, draw_light(frame, s))
    size = sized(ANIMATION_SIZE)
    scene = scene.resize(size, Image.Resampling.LANCZOS)
    background = Image.new("RGB", size, BACKGROUND)
    return Image.composite(scene, background, edge_fade(size))


def draw_animation():
    frames = [draw_frame(i) for i in range(FRAME_COUNT)]
    width, height = sized(ANIMATION_SIZE)
    sheet = Image.new("RGB", (width, height * FRAME_COUNT))
    for i, frame in enumerate(frames):
        sheet.paste(frame, (0, i * height))
    # One palette for all frames keeps the still parts from flickering.  Pillow
    # maps colours through a coarse cache, so the shades next to the background
    # are folded into it to make the background match the banner exactly.
    flat = sheet.quantize(256, method=Image.Quantize.MEDIANCUT).getpalette()
    colours = [tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)]
    colours = [BACKGROUND if near_background(c) else c for c in colours]
    palette = Image.new("P", (1, 1))
    palette.putpalette([v for c in colours[:255] + [BACKGROUND] for v in c])
    return [f.quantize(palette=palette, dither=Image.Dither.NONE) for f in frames]


def near_background(colour):
    return sum(abs(a - b) for a, b in zip(colour, BACKGROUND)) <= 12


def draw_logo(word):
    logo = Image.new("RGB", sized(LOGO_SIZE), BACKGROUND)
    draw = ImageDraw.Draw(logo)
    w, h = logo.size
    draw.rounded_rectangle((0, 0, w - 1, h - 1), radius=px(3), outline=BADGE_EDGE, width=K)
    draw.rectangle((px(3), px(4), px(5) - 1, h - px(4) - 1), fill=LASER_GREEN)
    face = font(CAPS_FONT, px(11))
    text = word.upper()
    left = px(7) + (w - px(7) - tracked_width(text, face, px(2))) / 2
    tracked_text(draw, (left, px(1)), text, face, TITLE_TOP, px(2))
    return logo


# The desktop icon: the laser head firing a pulse, on a rounded tile in the
# banner's colours.  One list of shapes, in units of a 256-wide canvas, is
# written out as the scalable SVG and painted into each fixed-size PNG, so the
# two kinds of icon always agree.
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
ICON_CANVAS = 256
ICON_TILE_TOP = (30, 62, 118)
ICON_BEAM_Y = 150


def icon_shapes():
    """(kind, box, corner radius, fill colour or gradient stops, opacity), back to front."""
    y = ICON_BEAM_Y
    shapes = [
        ("rect", (12, 12, 244, 244), 44, [RIM, PLATE_EDGE], 1.0),
        ("rect", (16, 16, 240, 240), 40, [ICON_TILE_TOP, BACKGROUND], 1.0),
    ]
    for half, opacity in ((26, 0.10), (18, 0.16), (12, 0.28)):
        shapes.append(("rect", (130, y - half, 232, y + half), half, [LASER_GREEN], opacity))
    shapes += [
        ("rect", (126, y - 6, 232, y + 6), 6, [LASER_GREEN], 1.0),
        ("rect", (126, y - 2, 228, y + 2), 2, [LASER_CORE], 1.0),
        ("circle", (190, y, 30), 0, [LASER_GREEN], 0.18),
        ("circle", (190, y, 19), 0, [LASER_GREEN], 0.45),
        ("circle", (190, y, 10), 0, [LASER_CORE], 1.0),
        ("rect", (30, y - 46, 118, y + 46), 12, [RIM, METAL[1], METAL[3]], 1.0),
        ("rect", (34, y - 42, 114, y + 42), 9, METAL, 1.0),
        ("rect", (114, y - 22, 134, y + 22), 4, [RIM, METAL[2]], 1.0),
    ]
    for x in (44, 58, 72, 86):
        shapes.append(("rect", (x, y - 30, x + 6, y + 30), 3, [SLOT], 1.0))
    shapes += [
        ("circle", (102, y - 30, 6), 0, [LAMP_ON], 1.0),
        ("circle", (134, y, 8), 0, [APERTURE_RING], 1.0),
        ("circle", (134, y, 5), 0, [LASER_CORE], 1.0),
        ("rect", (40, 52, 216, 64), 6, [LASER_GREEN], 0.9),
        ("rect", (40, 76, 170, 86), 5, [STEEL], 0.8),
    ]
    return shapes


def hex_colour(colour):
    return "#%02x%02x%02x" % colour


def icon_svg():
    defs, body = [], []
    for index, (kind, box, radius, fill, opacity) in enumerate(icon_shapes()):
        paint = hex_colour(fill[0])
        if len(fill) > 1:
            stops = "".join(
                f'<stop offset="{i / (len(fill) - 1):.3f}" stop-color="{hex_colour(c)}"/>'
                for i, c in enumerate(fill))
            defs.append(f'<linearGradient id="g{index}" x1="0" y1="0" x2="0" y2="1">{stops}</linearGradient>')
            paint = f"url(#g{index})"
        alpha = "" if opacity == 1.0 else f' opacity="{opacity}"'
        if kind == "circle":
            cx, cy, r = box
            body.append(f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{paint}"{alpha}/>')
        else:
            x0, y0, x1, y1 = box
            body.append(f'<rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" '
                        f'rx="{radius}" fill="{paint}"{alpha}/>')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{ICON_CANVAS}" height="{ICON_CANVAS}" '
            f'viewBox="0 0 {ICON_CANVAS} {ICON_CANVAS}">\n'
            f'<defs>{"".join(defs)}</defs>\n' + "\n".join(body) + "\n</svg>\n")


def draw_icon(size):
    """Paints the icon's shapes at `size` pixels, drawn large and scaled down for smooth edges."""
    big = size * max(1, 1024 // size)
    s = big / ICON_CANVAS
    icon = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    for kind, box, radius, fill, opacity in icon_shapes():
        if kind == "circle":
            cx, cy, r = box
            box, radius = (cx - r, cy - r, cx + r, cy + r), r
        area = tuple(round(v * s) for v in box)
        width, height = area[2] - area[0], area[3] - area[1]
        mask = Image.new("L", (width, height), 0)
        ImageDraw.Draw(mask).rounded_rectangle((0, 0, width - 1, height - 1), round(radius * s),
                                               fill=round(255 * opacity))
        paint = vertical_gradient((width, height), fill) if len(fill) > 1 \
            else Image.new("RGB", (width, height), fill[0])
        layer = Image.new("RGBA", icon.size, (0, 0, 0, 0))
        layer.paste(paint.convert("RGBA"), area[:2])
        alpha = Image.new("L", icon.size, 0)
        alpha.paste(mask, area[:2])
        layer.putalpha(alpha)
        icon = Image.alpha_composite(icon, layer)
    return icon.resize((size, size), Image.LANCZOS)


def write_icons():
    folder = ASSETS / "icon"
    folder.mkdir(exist_ok=True)
    (folder / "tovra.svg").write_text(icon_svg())
    for size in ICON_SIZES:
        draw_icon(size).save(folder / f"tovra-{size}.png", optimize=True)


def main():
    global K
    ASSETS.mkdir(exist_ok=True)
    for K, suffix in ((1, ""), (2, "@2x")):
        draw_banner().save(ASSETS / f"banner{suffix}.jpg", quality=JPEG_QUALITY, subsampling=0)
        frames = draw_animation()
        frames[0].save(ASSETS / f"tovra_animation{suffix}.gif", save_all=True,
                       append_images=frames[1:], duration=FRAME_MS, loop=0, disposal=1,
                       optimize=False)
        for family in ("micro", "mini"):
            draw_logo(family).save(ASSETS / f"{family}_logo{suffix}.jpg", quality=JPEG_QUALITY,
                                   subsampling=0)
    K = 1
    write_icons()


if __name__ == "__main__":
    main()
