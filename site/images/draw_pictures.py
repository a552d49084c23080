#!/usr/bin/python3
"""Draws the pictures the program pages show, into the folder given:

  circles2.gif  a circle with its radius and its diameter marked (circles)
  circles3.gif  the n-th roots of a number: a regular polygon of points on a
                circle, with the axes of the complex plane (roots)
  calendar.png  a calendar page with one day ringed (day of the year)
  favicon.ico   the site's icon at 16, 32 and 48 pixels, a root on its
                circle; written to the document root, where browsers ask
                for it

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

PAPER = (253, 252, 247)
INK = (40, 44, 52)
CIRCLE = (31, 78, 140)
RADIUS = (192, 57, 43)
DIAMETER = (30, 132, 73)
AXES = (120, 124, 132)
HEADER = (192, 57, 43)
RING = (150, 150, 150)
GRID = (205, 205, 200)

CIRCLE_SIZE = 200  # both circle pictures are square
ROOT_COUNT = 5  # points on the roots picture
ROOT_TURN = 12.0  # angle of the first root, degrees counterclockwise

CALENDAR_SIZE = (168, 176)
CALENDAR_FIRST_WEEKDAY = 2  # column of day 1; columns run Monday to Sunday
CALENDAR_DAYS = 31
CALENDAR_RINGED_DAY = 14
CALENDAR_TITLE = "DAY OF THE YEAR"
WEEKDAY_LETTERS = "MTWTFSS"

ICON_SIZES = (48, 32, 16)  # largest first: the others go in beside it
ICON_ROOT_TURN = 40.0  # angle of the icon's root point, degrees counterclockwise


def canvas(size):
    """A supersampled canvas of |size| (final pixels) and its pen."""
    image = Image.new("RGB", (size[0] * SCALE, size[1] * SCALE), PAPER)
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


def roots_on_a_circle(font):
    """The roots page's picture: ROOT_COUNT points, equally spaced on a
    circle about the origin, joined into a regular polygon."""
    size = CIRCLE_SIZE
    centre = (size / 2, size / 2)
    r = size / 2 - 30
    image, pen = canvas((size, size))
    for start, end in (((10, centre[1]), (size - 10, centre[1])),
                       ((centre[0], size - 10), (centre[0], 10))):
        line(pen, [start, end], AXES, 1.5)
        arrow_head(pen, end, start, AXES, 6)
    ring(pen, centre, r, CIRCLE, 1.5)
    points = []
    for k in range(ROOT_COUNT):
        angle = math.radians(ROOT_TURN) + 2 * math.pi * k / ROOT_COUNT
        points.append((centre[0] + r * math.cos(angle), centre[1] - r * math.sin(angle)))
    line(pen, points + points[:1], DIAMETER, 2)
    line(pen, [centre, points[0]], RADIUS, 1.5)
    for point in points:
        disc(pen, point, 5, RADIUS)
    disc(pen, centre, 2.5, INK)
    image, pen = finish(image)
    label(pen, font, (size - 14, centre[1] + 10), "Re", INK)
    label(pen, font, (centre[0] + 12, 12), "Im", INK)
    label(pen, font, (centre[0] - 16, centre[1] + 10), "0", INK)
    return image


def calendar_page(font):
    """The day-of-the-year page's picture: a month leaf under two binder
    rings, weekday letters over the days, one day ringed."""
    width, height = CALENDAR_SIZE
    margin, header = 8, 34
    columns = len(WEEKDAY_LETTERS)
    cell_w = (width - 2 * margin) / columns
    top = margin + header + 18
    rows = math.ceil((CALENDAR_FIRST_WEEKDAY + CALENDAR_DAYS) / columns)
    cell_h = (height - margin - top) / rows

    def cell_centre(day):
        index = CALENDAR_FIRST_WEEKDAY + day - 1
        return (margin + (index % columns + 0.5) * cell_w, top + (index // columns + 0.5) * cell_h)

    image, pen = canvas(CALENDAR_SIZE)
    pen.rectangle([s(margin), s(margin), s(width - margin), s(margin + header)], fill=HEADER)
    for x in (width * 0.3, width * 0.7):
        line(pen, [(x, 2), (x, margin + 10)], RING, 3)
    for row in range(rows + 1):
        y = top + row * cell_h
        line(pen, [(margin, y), (width - margin, y)], GRID, 1)
    ring(pen, cell_centre(CALENDAR_RINGED_DAY), min(cell_w, cell_h) / 2 - 1, RADIUS, 1.5)
    image, pen = finish(image)
    label(pen, font, (width / 2, margin + header / 2), CALENDAR_TITLE, PAPER)
    for column, letter in enumerate(WEEKDAY_LETTERS):
        label(pen, font, (margin + (column + 0.5) * cell_w, top - 8), letter, AXES)
    for day in range(1, CALENDAR_DAYS + 1):
        label(pen, font, cell_centre(day), str(day), INK)
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
        image = image.convert("P", palette=Image.ADAPTIVE, colors=64)
        image.save(temporary, format="GIF")
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
    save(roots_on_a_circle(font), folder, "circles3.gif")
    save(calendar_page(font), folder, "calendar.png")
    icons = [icon(size) for size in ICON_SIZES]
    save(icons[0], root, "favicon.ico", icons[1:])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
