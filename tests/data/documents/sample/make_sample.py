#!/usr/bin/env python3
"""Writes flyer.pdf, the sample document of the demo and of the service's end-to-end tests.

Run once by hand (the build does not run it); needs python3-cairo, fonts-dejavu-core,
fonts-liberation2 and fonts-urw-base35:

    /usr/bin/python3 tests/data/documents/sample/make_sample.py   # Debian's Python, which has cairo

Cairo embeds each font as a subset named like ABCDEF+DejaVuSans. Five of the six fonts are in
the sample catalogue of tessaro-service; Nimbus Roman (NimbusRoman-Regular) is not, so after the
catalogue's fonts are installed exactly that one is still missing.
"""
import os
import sys
import tempfile

FONTS = {
    "DejaVu Sans": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "DejaVu Sans Bold": "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "DejaVu Serif": "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf",
    "Liberation Sans": "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
    "Liberation Mono": "/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf",
    "Nimbus Roman": "/usr/share/fonts/opentype/urw-base35/NimbusRoman-Regular.otf",
}

# Cairo finds fonts through fontconfig: give it exactly these files, so that no other installed
# font can stand in for one of them.
font_dir = tempfile.mkdtemp(prefix="sample-fonts-")
for path in FONTS.values():
    if not os.path.exists(path):
        sys.exit(f"make_sample: {path} is missing")
    os.symlink(path, os.path.join(font_dir, os.path.basename(path)))
conf = os.path.join(font_dir, "fonts.conf")
with open(conf, "w") as f:
    f.write(f'<?xml version="1.0"?>\n<fontconfig><dir>{font_dir}</dir>'
            f'<cachedir>{font_dir}/cache</cachedir></fontconfig>\n')
os.environ["FONTCONFIG_FILE"] = conf

import cairo  # noqa: E402  (after FONTCONFIG_FILE)

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "flyer.pdf")
surface = cairo.PDFSurface(out, 595, 842)  # A4 in points
surface.set_metadata(cairo.PDFMetadata.TITLE, "Tessaro sample flyer")
surface.set_metadata(cairo.PDFMetadata.CREATOR, "make_sample.py (cairo)")
surface.set_metadata(cairo.PDFMetadata.CREATE_DATE, "2024-01-01T00:00:00Z")
ctx = cairo.Context(surface)


def line(y, family, size, text, weight=cairo.FONT_WEIGHT_NORMAL):
    ctx.select_font_face(family, cairo.FONT_SLANT_NORMAL, weight)
    ctx.set_font_size(size)
    ctx.move_to(56, y)
    ctx.show_text(text)


line(100, "DejaVu Sans", 30, "Summer Type Festival", cairo.FONT_WEIGHT_BOLD)
line(150, "DejaVu Serif", 16, "Three days of letters, presses and talks.")
line(190, "Liberation Sans", 14, "Workshops: lettering, kerning, variable fonts.")
line(230, "Liberation Mono", 12, "font-feature-settings: \"liga\" 1, \"kern\" 1;")
line(280, "Nimbus Roman", 18, "\u201cTypography is what language looks like.\u201d")
line(800, "DejaVu Sans", 9, "Sample document for Tessaro. Fonts: DejaVu, Liberation, Nimbus Roman.")
surface.finish()
print(out)
