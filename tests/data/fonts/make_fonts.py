#!/usr/bin/python3
"""Builds the small synthetic fonts the inventory tests use (run once; the outputs are committed).

Each font has one empty glyph; what matters is its name table, written record by record with
the raw bytes a font file of that platform and encoding holds.
"""
from fontTools.fontBuilder import FontBuilder
from fontTools.ttLib import TTCollection
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib.tables._n_a_m_e import NameRecord


def utf16be(text):
    return text.encode("utf-16-be")


def build(records, path=None):
    fb = FontBuilder(1000, isTTF=True)
    fb.setupGlyphOrder([".notdef"])
    fb.setupCharacterMap({})
    fb.setupGlyf({".notdef": TTGlyphPen(None).glyph()})
    fb.setupHorizontalMetrics({".notdef": (500, 0)})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({})
    fb.setupOS2()
    fb.setupPost()
    name = fb.font["name"]
    name.names = []
    for platform_id, encoding_id, language_id, name_id, raw in records:
        record = NameRecord()
        record.platformID, record.platEncID, record.langID, record.nameID = (
            platform_id, encoding_id, language_id, name_id)
        record.string = raw
        name.names.append(record)
    if path:
        fb.save(path)
    return fb.font


# Names of every kind of platform and encoding, plus a subfamily (ID 2) that is not read.
build([
    (0, 3, 0, 6, utf16be("UniPS")),                       # Unicode platform, UTF-16BE
    (1, 0, 0, 1, "Caf\u00e9 Mac".encode("mac_roman")),     # Macintosh Roman
    (1, 1, 11, 4, "\u30c6\u30b9\u30c8".encode("shift_jis")),  # Macintosh Japanese
    (3, 1, 0x409, 1, utf16be("Tessaro Mixed")),
    (3, 1, 0x409, 2, utf16be("Regular")),
    (3, 1, 0x409, 4, utf16be("Tessaro Mixed Regular")),
    (3, 1, 0x409, 6, utf16be("TessaroMixed-Regular")),
    (3, 1, 0x804, 1, utf16be("\u5b8b\u4f53\u6d4b\u8bd5")),   # zh-CN family
    # PRC encoding: the GBK bytes of each character stored as one 16-bit unit.
    (3, 3, 0x804, 4, "\u5b8b\u4f53".encode("gbk")),
], "names-mixed.ttf")

# Only a Chinese family name of five characters: FreeType reports the family as "?????".
build([
    (3, 1, 0x804, 1, utf16be("\u65b9\u6b63\u5170\u4ead\u9ed1")),
    (3, 1, 0x804, 6, utf16be("FZLTH--GBK1-0")),
], "placeholder-family.ttf")

# A name longer than 63 units.
build([
    (3, 1, 0x409, 1, utf16be("Tessaro Long")),
    (3, 1, 0x409, 4, utf16be("L" * 70)),
], "long-name.ttf")

# A collection of two faces.
collection = TTCollection()
collection.fonts = [
    build([(3, 1, 0x409, 1, utf16be("Tessaro Alpha")),
           (3, 1, 0x409, 6, utf16be("TessaroAlpha-Regular"))]),
    build([(3, 1, 0x409, 1, utf16be("Tessaro Beta")),
           (3, 1, 0x409, 6, utf16be("TessaroBeta-Regular"))]),
]
collection.save("collection.ttc")
