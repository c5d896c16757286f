#!/usr/bin/env python3
"""Draws the program's 32 x 32 pictures as XPM files (C source that Qt reads).

Run it from this directory after changing a picture; the XPM files are kept in
the repository so the build needs no Python.
"""

SIZE = 32


def blank():
    return [[" "] * SIZE for _ in range(SIZE)]


def rect(img, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = c


def frame(img, x0, y0, x1, y1, c):
    for x in range(x0, x1 + 1):
        img[y0][x] = img[y1][x] = c
    for y in range(y0, y1 + 1):
        img[y][x0] = img[y][x1] = c


def line(img, x0, y0, x1, y1, c):
    steps = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        img[y][x] = c


def disc(img, cx, cy, r, c):
    for y in range(SIZE):
        for x in range(SIZE):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                img[y][x] = c


def calendar():
    """A calendar page with a red header, two rings and a highlighted day."""
    img = blank()
    rect(img, 3, 5, 28, 29, "w")          # page
    rect(img, 3, 5, 28, 11, "r")          # header
    frame(img, 3, 5, 28, 29, "k")
    for x in (9, 22):                     # binder rings
        rect(img, x, 2, x + 1, 7, "g")
        frame(img, x - 1, 2, x + 2, 7, "k")
    for row in range(4):                  # day grid
        for col in range(5):
            x, y = 6 + col * 4, 14 + row * 4
            rect(img, x, y, x + 2, y + 1, "s")
    rect(img, 18, 22, 20, 23, "b")        # today
    frame(img, 17, 21, 21, 24, "b")
    return img, {"k": "#202020", "w": "#FFFFFF", "r": "#D03030", "g": "#A0A0A0",
                 "s": "#8090A0", "b": "#2060D0"}


def envelope():
    """A letter: the contact group's picture."""
    img = blank()
    rect(img, 2, 8, 29, 25, "w")
    frame(img, 2, 8, 29, 25, "k")
    line(img, 2, 8, 15, 18, "k")
    line(img, 29, 8, 16, 18, "k")
    line(img, 2, 25, 12, 16, "g")
    line(img, 29, 25, 19, 16, "g")
    disc(img, 25, 9, 5, "r")              # a red seal
    rect(img, 25, 6, 25, 10, "w")
    rect(img, 25, 12, 25, 12, "w")
    return img, {"k": "#303030", "w": "#F8F4E8", "g": "#A09880", "r": "#D03030"}


def notice():
    """A notice board with a pin: the picture of the no-support notice."""
    img = blank()
    rect(img, 4, 6, 27, 27, "y")
    frame(img, 4, 6, 27, 27, "k")
    for y in (12, 16, 20, 24):
        line(img, 8, y, 23 if y != 24 else 17, y, "t")
    disc(img, 16, 6, 3, "r")
    img[5][15] = "w"
    line(img, 16, 28, 16, 30, "k")
    return img, {"k": "#403020", "y": "#F0E0A0", "t": "#706050", "r": "#D03030", "w": "#FFFFFF"}


def write_xpm(name, drawing):
    img, colours = drawing
    lines = [f"/* XPM */\nstatic const char* const {name}_xpm[] = {{",
             f'"{SIZE} {SIZE} {len(colours) + 1} 1",', '"  c None",']
    lines += [f'"{k} c {v}",' for k, v in colours.items()]
    lines += [f'"{"".join(row)}",' for row in img]
    lines[-1] = lines[-1].rstrip(",")
    lines.append("};\n")
    with open(f"{name}.xpm", "w") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    write_xpm("quillmer", calendar())
    write_xpm("contact", envelope())
    write_xpm("notice", notice())
