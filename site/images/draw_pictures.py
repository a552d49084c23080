#!/usr/bin/python3
"""Draws the pictures the program pages show, into the folder given:

  circles2.gif  a circle with its radius and its diameter marked (circles)
  circles3.gif  the complex plane: its axes and a circle about the origin,
                with an arc turning from the real axis (roots)
  calendar.png  a blank calendar leaf, weeks from Monday (day of the year)
  favicon.ico   the site's icon at 16, 32 and 48 pixels, a root on its
                circle; written to the document root, where browsers ask
                for it

The three page pictures only illustrate: they show no count, number or
date, so they cannot contradict an answer beside them. They are drawn on a
transparent ground in colours that read on a light and a dark page alike.

Change the constants below to change the pictures; the build redraws them
whenever this file changes. Shapes are drawn at four times the size and
scaled down, which smooths their edges; the labels are drawn afterwards at
the final size so that the small built-in font stays sharp. Each file is
written beside its final name and renamed over it, so a failed run never
leaves half a picture.

  /usr/bin/python3 draw_pictures.py OUTPUT_FOLDER DOCUMENT_ROOT
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

SCALE = 4  # supersampling factor for the shapes

CLEAR = (0, 0, 0, 0)  # the page pictures' ground
PAPER = (253, 252, 247)  # the icon's disc and the calendar's title
INK = (128, 134, 145)  # mid-grey: reads on light and dark pages
CIRCLE = (58, 125, 205)
RADIUS = (214, 76, 60)
DIAMETER = (40, 160, 90)
AXES = (128, 134, 145)
HEADER = (192, 57, 43)
RING = (150, 150, 150)
GRID = (128, 134, 145)

CIRCLE_SIZE = 200  # both circle pictures are square
ARC_TURN = 50.0  # the roots picture's arc, degrees counterclockwise from the real axis

CALENDAR_SIZE = (168, 176)
CALENDAR_ROWS = 5
CALENDAR_TITLE = "DAY OF THE YEAR"
WEEKDAY_LETTERS = "MTWTFSS"

ICON_SIZES = (48, 32, 16)  # largest first: the others go in beside it
ICON_ROOT_TURN = 40.0  # angle of the icon's root point, degrees counterclockwise


def canvas(size):
    """A supersampled transparent canvas of |size| (final pixels) and its pen."""
    image = Image.new("RGBA", (size[0] * SCALE, size[1] * SCALE), CLEAR)
    return image, ImageDraw.Draw(image)


def finish(image):
    """Scales a supersampled canvas down to its final size; returns it with a
    pen for the labels."""
    final = image.resize((image.width // SCALE, image.height // SCALE), Image.LANCZOS)
    return final, ImageDraw.Draw(final)


def s(value):
    """A length or coordinate in final pixels, on the supersampled canvas."""
    return round(value * SCALE)


def line(pen, points, colour, width):
    pen.line([(s(x), s(y)) for x, y in points], fill=colour, width=s(width))


def disc(pen, centre, radius, colour):
    x, y = centre
    pen.ellipse([s(x - radius), s(y - radius), s(x + radius), s(y + radius)], fill=colour)


def ring(pen, centre, radius, colour, width):
    x, y = centre
    pen.ellipse([s(x - radius), s(y - radius), s(x + radius), s(y + radius)],
                outline=colour, width=s(width))


def arrow_head(pen, tip, towards, colour, size=7):
    """A filled arrow head at |tip|, pointing away from |towards|."""
    angle = math.atan2(tip[1] - towards[1], tip[0] - towards[0])
    left = (tip[0] - size * math.cos(angle - 0.45), tip[1] - size * math.sin(angle - 0.45))
    right = (tip[0] - size * math.cos(angle + 0.45), tip[1] - size * math.sin(angle + 0.45))
    pen.polygon([(s(x), s(y)) for x, y in (tip, left, right)], fill=colour)


def label(pen, font, centre, text, colour):
    """Writes |text| centred on |centre| (final pixels)."""
    left, top, right, bottom = pen.textbbox((0, 0), text, font=font)
    pen.text((round(centre[0] - (right - left) / 2 - left),
              round(centre[1] - (bottom - top) / 2 - top)), text, fill=colour, font=font)


def circle_with_measures(font):
    """The circle page's picture: the radius to the upper right, the
    diameter across, both named."""
    size = CIRCLE_SIZE
    centre = (size / 2, size / 2 + 6)
    r = size / 2 - 22
    image, pen = canvas((size, size))
    ring(pen, centre, r, CIRCLE, 3)
    left, right = (centre[0] - r + 3, centre[1]), (centre[0] + r - 3, centre[1])
    line(pen, [left, right], DIAMETER, 2)
    arrow_head(pen, left, right, DIAMETER)
    arrow_head(pen, right, left, DIAMETER)
    tip = (centre[0] + (r - 3) * math.cos(math.radians(-50)),
           centre[1] + (r - 3) * math.sin(math.radians(-50)))
    line(pen, [centre, tip], RADIUS, 2)
    arrow_head(pen, tip, centre, RADIUS)
    disc(pen, centre, 3.5, INK)
    image, pen = finish(image)
    label(pen, font, (centre[0] + 10, centre[1] - r * 0.55), "radius", RADIUS)
    label(pen, font, (centre[0], centre[1] + 11), "diameter", DIAMETER)
    label(pen, font, (size / 2, 9), "circle", CIRCLE)
    return image


def complex_plane(font):
    """The roots page's picture: the axes of the complex plane, a circle
    about the origin and an arc turning from the real axis to a radius;
    no points, so no count of roots."""
    size = CIRCLE_SIZE
    centre = (size / 2, size / 2)
    r = size / 2 - 30
    image, pen = canvas((size, size))
    for start, end in (((10, centre[1]), (size - 10, centre[1])),
                       ((centre[0], size - 10), (centre[0], 10))):
        line(pen, [start, end], AXES, 1.5)
        arrow_head(pen, end, start, AXES, 6)
    ring(pen, centre, r, CIRCLE, 2)
    turn = math.radians(ARC_TURN)
    line(pen, [centre, (centre[0] + r * math.cos(turn), centre[1] - r * math.sin(turn))],
         RADIUS, 2)
    arc = r * 0.4
    pen.arc([s(centre[0] - arc), s(centre[1] - arc), s(centre[0] + arc), s(centre[1] + arc)],
            -ARC_TURN, 0, fill=DIAMETER, width=s(2))
    arrow_head(pen, (centre[0] + arc * math.cos(turn), centre[1] - arc * math.sin(turn)),
               (centre[0] + arc * math.cos(turn - 0.3), centre[1] - arc * math.sin(turn - 0.3)),
               DIAMETER, 6)
    disc(pen, centre, 2.5, INK)
    image, pen = finish(image)
    label(pen, font, (size - 14, centre[1] + 10), "Re", INK)
    label(pen, font, (centre[0] + 12, 12), "Im", INK)
    return image


def calendar_page(font):
    """The day-of-the-year page's picture: a blank month leaf under two
    binder rings, weekday letters from Monday over empty day cells."""
    width, height = CALENDAR_SIZE
    margin, header = 8, 34
    columns = len(WEEKDAY_LETTERS)
    cell_w = (width - 2 * margin) / columns
    top = margin + header + 18
    cell_h = (height - margin - top) / CALENDAR_ROWS
    image, pen = canvas(CALENDAR_SIZE)
    pen.rectangle([s(margin), s(margin), s(width - margin), s(height - margin)],
                  outline=GRID, width=s(1))
    pen.rectangle([s(margin), s(margin), s(width - margin), s(margin + header)], fill=HEADER)
    for x in (width * 0.3, width * 0.7):
        line(pen, [(x, 2), (x, margin + 10)], RING, 3)
    for row in range(CALENDAR_ROWS):
        line(pen, [(margin, top + row * cell_h), (width - margin, top + row * cell_h)], GRID, 1)
    for column in range(1, columns):
        x = margin + column * cell_w
        line(pen, [(x, top), (x, height - margin)], GRID, 1)
    image, pen = finish(image)
    label(pen, font, (width / 2, margin + header / 2), CALENDAR_TITLE, PAPER)
    for column, letter in enumerate(WEEKDAY_LETTERS):
        label(pen, font, (margin + (column + 0.5) * cell_w, top - 8), letter, INK)
    return image


def icon(size):
    """The site's icon at |size| pixels: the roots picture's motif on a disc
    of paper, so it shows on light and dark tabs alike; the axes are left
    out below 32 pixels, where they would only blur."""
    image = Image.new("RGBA", (size * SCALE, size * SCALE), PAPER + (0,))
    pen = ImageDraw.Draw(image)
    centre = (size / 2, size / 2)
    r = size * 0.36
    disc(pen, centre, size / 2 - 0.5, PAPER + (255,))
    if size >= 32:
        line(pen, [(size * 0.1, centre[1]), (size * 0.9, centre[1])], AXES, size / 32)
        line(pen, [(centre[0], size * 0.1), (centre[0], size * 0.9)], AXES, size / 32)
    ring(pen, centre, r, CIRCLE, max(1.5, size / 16))
    angle = math.radians(ICON_ROOT_TURN)
    disc(pen, (centre[0] + r * math.cos(angle), centre[1] - r * math.sin(angle)),
         max(2.5, size / 9), RADIUS)
    return image.resize((size, size), Image.LANCZOS)


def save(image, folder, name, smaller=()):
    """Writes |image| to folder/name through a temporary file beside it; an
    icon holds the |smaller| images too, each drawn for its own size."""
    path = os.path.join(folder, name)
    temporary = os.path.join(folder, "." + name + ".tmp")
    if name.endswith(".ico"):
        image.save(temporary, format="ICO", sizes=[i.size for i in (image, *smaller)],
                   append_images=list(smaller))
    elif name.endswith(".gif"):
        # A GIF pixel is clear or opaque: the smoothed edges' half-clear
        # pixels are drawn whole or left out, never blended with a ground.
        alpha = image.getchannel("A").point(lambda a: 255 if a >= 128 else 0)
        palette = image.convert("RGB").convert("P", palette=Image.ADAPTIVE, colors=63)
        palette.paste(63, mask=Image.eval(alpha, lambda a: 255 - a))
        palette.save(temporary, format="GIF", transparency=63)
    else:
        image.save(temporary, format="PNG", optimize=True)
    os.replace(temporary, path)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: draw_pictures.py OUTPUT_FOLDER DOCUMENT_ROOT\n")
        return 2
    folder, root = argv[1], argv[2]
    os.makedirs(folder, exist_ok=True)
    font = ImageFont.load_default()
    save(circle_with_measures(font), folder, "circles2.gif")
    save(complex_plane(font), folder, "circles3.gif")
    save(calendar_page(font), folder, "calendar.png")
    icons = [icon(size) for size in ICON_SIZES]
    save(icons[0], root, "favicon.ico", icons[1:])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
