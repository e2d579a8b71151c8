#!/usr/bin/env python3
"""Writes the seed corpora of fuzz/corpus/ and the script dictionary.

usage: fuzz/seeds.py ARC_TOOL [CC]
  ARC_TOOL  a built veloria-arc (packs the archives whose members seed the LZSS and
            delta-picture targets)
  CC        optional: a C compiler with libjpeg, to write the JPEG seeds; without it the
            JPEG seeds already in the corpus stay as they are.

Every seed is made here from scratch; nothing is copied from elsewhere. Re-running writes
the same files.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def put(target, name, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def sj(text):
    return text.encode("cp932")


# ---- pictures ----

def bmp(w, h, bits=24, top_down=False, compression=0, palette=None, pixel=lambda x, y: (x * 40, y * 60, 128)):
    """A BMP file; pixel(x, y) gives (r, g, b) for 16/24/32 bits or an index for 1/4/8 bits."""
    stride = (w * bits + 31) // 32 * 4
    rows = []
    for row in range(h):
        y = row if top_down else h - 1 - row
        line = bytearray()
        if bits >= 16:
            for x in range(w):
                r, g, b = (c & 0xFF for c in pixel(x, y))
                if bits == 16:
                    v = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
                    line += struct.pack("<H", v)
                else:
                    line += bytes((b, g, r)) + (b"\x00" if bits == 32 else b"")
        else:
            acc, n = 0, 0
            for x in range(w):
                acc = acc << bits | (pixel(x, y)[0] & ((1 << bits) - 1))
                n += bits
                if n == 8:
                    line.append(acc)
                    acc, n = 0, 0
            if n:
                line.append(acc << (8 - n))
        line += b"\x00" * (stride - len(line))
        rows.append(bytes(line))
    pal = b""
    if bits <= 8:
        palette = palette or [(i * 37 & 0xFF, i * 91 & 0xFF, i * 13 & 0xFF) for i in range(1 << bits)]
        pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    pixels = b"".join(rows)
    offset = 54 + len(pal)
    info = struct.pack("<IiiHHIIiiII", 40, w, -h if top_down else h, 1, bits, compression, len(pixels), 2835, 2835,
                       len(palette) if bits <= 8 and palette else 0, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + pal + pixels


def png(w, h, colour_type, bit_depth=8, interlace=0, palette=None):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    raw = bytearray()
    for y in range(h):
        raw.append(y % 5)  # every filter type
        for x in range(w):
            for c in range(channels):
                raw.append((x * 50 + y * 30 + c * 70) & ((1 << bit_depth) - 1) if bit_depth == 8 else (x + y) % 2)
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, bit_depth, colour_type, 0, 0, interlace))
    if colour_type == 3:
        out += chunk(b"PLTE", bytes(range(48)))
        out += chunk(b"tRNS", bytes((0, 128, 255)))
    out += chunk(b"IDAT", zlib.compress(bytes(raw)))
    return out + chunk(b"IEND", b"")


JPEG_WRITER = r"""
#include <stdio.h>
#include <stdlib.h>
#include <jpeglib.h>
/* jpeg_writer OUT GREY PROGRESSIVE QUALITY: a 16 x 12 picture of gradients. */
int main(int argc, char** argv) {
  struct jpeg_compress_struct c;
  struct jpeg_error_mgr err;
  FILE* f = fopen(argv[1], "wb");
  int grey = atoi(argv[2]), x, y;
  unsigned char row[16 * 3];
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = 16;
  c.image_height = 12;
  c.input_components = grey ? 1 : 3;
  c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, atoi(argv[4]), TRUE);
  c.write_JFIF_header = FALSE;
  if (atoi(argv[3])) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  for (y = 0; y < 12; ++y) {
    JSAMPROW p = row;
    for (x = 0; x < 16 * 3; ++x) row[x] = (unsigned char)(x * 10 + y * 20);
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return fclose(f) != 0;
}
"""


def jpeg_seeds(cc):
    with tempfile.TemporaryDirectory() as tmp:
        src, exe = os.path.join(tmp, "w.c"), os.path.join(tmp, "w")
        with open(src, "w") as f:
            f.write(JPEG_WRITER)
        subprocess.run([cc, src, "-o", exe, "-ljpeg"], check=True)
        for name, args in (("rgb.jpg", "0 0 90"), ("grey.jpg", "1 0 90"), ("progressive.jpg", "0 1 90"),
                           ("q10.jpg", "0 0 10")):
            out = os.path.join(tmp, name)
            subprocess.run([exe, out] + args.split(), check=True)
            with open(out, "rb") as f:
                put("graphics_codecs", name, f.read())


# ---- archives ----

def parse_archive(data):
    count, data_offset = struct.unpack(">HI", data[:6])
    pos, members = 6, []
    for _ in range(count):
        end = data.index(b"\x00", pos)
        name = data[pos:end]
        kind = data[end + 1]
        offset, stored, decoded = struct.unpack(">III", data[end + 2:end + 14])
        pos = end + 14
        members.append((name, kind, data[data_offset + offset:data_offset + offset + stored], decoded))
    return members


def archive_seeds(arc_tool):
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "src")
        os.makedirs(os.path.join(src, "bg"))
        files = {
            "bg/room.bmp": bmp(20, 9),
            "bg/flat.bmp": bmp(7, 3, pixel=lambda x, y: (200, 200, 200)),
            "bg/down.bmp": bmp(5, 4, top_down=True),
            "cursor.bmp": bmp(8, 8, bits=8, pixel=lambda x, y: (x ^ y,)),
            "scenario.txt": sj("*define\ngame\n*start\nあいうえお、かきくけこ。\\\n" * 6),
            "noise.dat": bytes((i * 7919) % 251 for i in range(300)),
            "empty.wav": b"",
        }
        for name, data in files.items():
            with open(os.path.join(src, name), "wb") as f:
                f.write(data)
        arc = os.path.join(tmp, "arc.vla")
        subprocess.run([arc_tool, "pack", src, "-o", arc, "-q"], check=True)
        with open(arc, "rb") as f:
            whole = f.read()
    put("resource_table", "packed.vla", whole)
    members = parse_archive(whole)
    put("resource_table", "one-stored.vla", struct.pack(">HI", 1, 6 + 7 + 13) + b"a\\b.txt\x00" + b"\x00" +
        struct.pack(">III", 0, 3, 3) + b"abc")
    put("resource_table", "empty.vla", struct.pack(">HI", 0, 6))
    put("resource_table", "cut-table.vla", whole[:40])
    for name, kind, stored, decoded in members:
        base = name.decode("cp932").replace("\\", "_")
        if kind == 1:
            put("resource_delta", base, stored)
        elif kind == 2:
            # The target's first two bytes choose the input limit and the output capacity.
            put("resource_lzss", base, bytes((0xFF, min(255, decoded // 64 + 1))) + stored)
    put("resource_delta", "empty-size", b"\x00\x00\x00\x00")
    put("resource_lzss", "short", b"\x03\x01\xff")


# ---- scripts and text ----

SCRIPTS = {
    "hello.txt": "*define\ncaption \"seed\"\ngame\n*start\nあいうえお@\nかきくけこ\\\nend\n",
    "variables.txt": "*define\nnumalias hp,10\nstralias name,\"太郎\"\nintlimit 3,0,9\ngame\n*start\n"
                     "mov %hp,5:add %hp,3:mul %hp,2:div %hp,3:mod %hp,4\nmov $1,name:add $1,\"さん\"\n"
                     "len %2,$1:mid $3,$1,0,2:itoa $4,%hp:atoi %5,\"42\"\nrnd %6,10:rnd2 %7,3,5\n"
                     "mov %3,20\ninc %3:dec %3\nend\n",
    "control.txt": "*define\ngame\n*start\nmov %0,0\n*loop\ninc %0\nif %0 < 5 goto *loop\n"
                   "for %1 = 1 to 3 step 1\nnext\ngosub *sub\nskip 2\nmov %9,1\nmov %9,2\n"
                   "notif %0 == 5 mov %8,1\nif %0 >= 5 && %1 != 0 jumpf\n~\nend\n*sub\nreturn\n",
    "text.txt": "*define\nsetwindow 8,16,20,5,24,24,0,2,20,1,1,#999999,0,0,639,479\ngame\n*start\n"
                "!s0#ff0000赤い文字#ffffff@\n!sd!w100ゆっくり!d200止まる\\\nclickstr \"。\",1\n"
                "あ。い。う。\n<7リンク>\nlocate 3,2\nはい/\nbr\ntextclear\nend\n",
    "graphics.txt": "*define\neffect 2,10,100\ngame\n*start\nbg #102030,1\nbg white,2\n"
                    "lsp 1,\":c;none.bmp\",10,10\nvsp 1,0\nprint 1\nmonocro #ff8000\nnega 1\nbar 0,50,10,10,100,20,200,#00ff00\n"
                    "end\n",
    "waits.txt": "*define\ngame\n*start\nresettimer\nwait 10\nwaittimer 20\ngettimer %0\ndelay 5\n"
                 "click\nautoclick 10\n!s0あ@い\\\ntrap *t\nwait 50\n*t\ntrap off\nend\n",
    "errors.txt": "*define\ngame\n*start\nmov %5000,1\n",
    "bad-syntax.txt": "*define\ngame\n*start\nmov %0,\nif %0 == goto\n\"unterminated\n",
    "mode800.txt": ";mode800\n*define\nversionstr \"a\",\"b\"\ngame\n*start\ndefinereset\n",
    "no-game.txt": "*define\nmov %0,1\n",
    # The extended dialect, one seed per group of its language.
    "ext-expressions.txt": ";value 200\n*define\nnumalias five,5\ngame\n*start\n"
                           "mov %1,2+3*4 : mov %2,(2+3)*4 mod 7 : mov %3,-7/2 : mov %4,303 -19\n"
                           "mov %5,%%1 + five * 0x10 : mov $1,\"a\" + $2 + \"b\"\n"
                           "if $1 = \"ab\" && %1 >= 14 mov %6,1\nif %1 + 1 <> %2 & \"x\" < $1 mov %7,1\n"
                           "wait 10 goto *e\n*e\nmov %8,10 mod %9\n",
    "ext-statements.txt": ";value 200\n*define\ngame\n*start\n_mov %1,1 : _MOV3 %2,1,2,3\nv12\nvanilla\n"
                          "mov $1,\"" + "x" * 400 + "\"\nif %1 = 1_mov %2,5\n",
    "ext-usercommands.txt": ";value 200\n*define\ndefsub addtwo\ndefsub print\ndefsub deep\ngame\n*start\n"
                            "addtwo 40,2 : mov %31,%30\nprint 1\naddtwo 7 : deep 5\nfor %1 = 1 to 2 : addtwo 1 next\nend\n"
                            "*addtwo\ngetparam %28,%29\nmov %30,%28 + %29\nreturn\n"
                            "*print\ngetparam %27\n_print %27\nreturn\n"
                            "*deep\ngetparam %1,s%2,i%3\nif %1 > 0 deep %1 - 1\nreturn\n",
    "ext-loops.txt": ";value 200\n*define\ngame\n*start\nfor %41 = 1 to 3\nfor %42 = 10 to 0 step -5\n"
                     "add %40,%42\nif %40 > 40 break\nnext\nnext\nfor %1 = 5 to 1\nnext\n"
                     "*a\nadd %3,1\nfor %2 = 1 to 3\nif %3 < 50 goto *a\nnext\nbreak\n",
    "ext-arrays.txt": ";value 200\n*define\ndim ?7[2][3]\ngame\n*start\nmov ?7[2][3],15\n"
                      "mov %50,?7[2][3] + ?7[0][0]\nmov ?7[1][1],4 : mov $4,\"four\" : mov $51,$?7[1][1]\n"
                      "inc ?7[0][1] : rnd ?7[0][2],10\ndim ?3[5]\nmov %1,?3[6]\n",
    "ext-strings.txt": ";value 200\n*define\ngame\n*start\nsplit \"12,ab,,7\", \",\", %1, $1, $2, %2\n"
                       "split \"あ、い\", \"、\", $3, $4\nitoa2 $5,-305\nmid $6,\"aあい\",0,4\n"
                       "fileexist %3,\"0.txt\" : fileexist %4,\"../x\"\nisdown %5\n",
    "ext-value.txt": ";value 2500\n*define\nglobalon\ngame\n*start\nmov %2499,1 : mov %9999,2 : mov $4145,\"g\"\n"
                     "mov %10000,1\n",
    "ext-enhanced.txt": "*define\nnoloaderror\ngame\n*start\nlsp2 0,\":a;none.png\",320,240,150,-50,30,128\n"
                        "lsph2 255,\":c/2,50,0;none.bmp\",0,0,0,100,90\nprint 1\namsp2 0,-2147483647,5,2147483647,1,-90\n"
                        "msp2 0,1,1,2147483647,-1,400,-300\nprint 1\ncsp2 -1\nlsp2 256,\"a\",0,0,1,1,1\n",
    "sound-extended.txt": "*define\ngame\n*start\nbgmfadeout 20\nbgmvol 70\nmp3vol 120\nsevol 80\nvoicevol -5\n"
                          "chvol 3,50\ndwaveplay 3\ndwaveplayloop 150\nbgm \"\"\nloopbgmstop\nbgmstop\nstop\n"
                          "playstop\ndwavestop 199\nchvol 200,1\nend\n",
}


def script_seeds():
    for name, text in SCRIPTS.items():
        put("script_run", name, sj(text))
        if name.startswith("ext-"):
            put("check_script", name, sj(text))


def text_seeds():
    # Four bytes of geometry (column, line, glyph width, glyph height), then the text.
    texts = [sj("あいうえお"), sj("!s0#ff00ffかな/\\@"), sj("ABC漢字ｶﾅ、。「」"), sj("<5リンク>!w10@"),
             sj("長い行" * 20), b"\x81\x40\x82\xa0\xff\xfe\x82"]
    for i, text in enumerate(texts):
        put("text_type", "text%d" % i, bytes((i * 3, i, 24, 24)) + text)
    # The later dialect (high bit of the third byte; ruby with 0x40 in the second).
    later = [sj("`Good morning.`@` Is it raining again?`\\"), sj("(漢字/かんじ)`a@b #2 50% off` No way!/"),
             sj("`" + "word " * 30 + "`\\"), b"`\x81\x60`abc\x82"]
    for i, text in enumerate(later):
        put("text_type", "later%d" % i, bytes((i * 5, 0x40 | i, 0x80 | 24, 24)) + text)


def tag_seeds():
    for i, tag in enumerate([":l;a.bmp", ":r/3,160,2;b.bmp", ":c/2,<500,100>,0;c.bmp", ":a;d.png",
                             ":#ff00ff;e.bmp", ":!5;f.bmp", "plain.bmp", ":s/12,0,3;x.bmp", ":l/0,1,1;bad",
                             ":#12345g;x"]):
        put("graphics_tag", "tag%d" % i, tag.encode())
    # Text sprites of the later dialect.
    for i, tag in enumerate([b":s#ffffff#ff0000Start", b":s/20,24,-2;#102030" + sj("決定"), b":s#000000#12z",
                             b":s/0,24,0;#ffffffA", b":s/20,24;#ffffff", b":sNoColour", b":s#ffffff$5 %1"]):
        put("graphics_tag", "textsprite%d" % i, tag)


def window_record_seeds():
    good = "# Veloria window\ngame /games/demo\nclient 640 480\nwindow 10 20 1280 1000\nscale sharp\n"
    put("platform_window_record", "good", good.encode())
    put("platform_window_record", "smooth", good.replace("sharp", "smooth").encode())
    put("platform_window_record", "other-game", good.replace("/games/demo", "/games/other").encode())
    put("platform_window_record", "huge", good.replace("1280 1000", "99999999999 -5").encode())
    put("platform_window_record", "no-header", good.split("\n", 1)[1].encode())


def library_seeds():
    good = ('{"version":1,"games":[{"caption":"駅の朝","folder":"/home/p/games/station","lastPlayed":1765240000},'
            '{"caption":"Demo","folder":"/opt/demo","lastPlayed":1700000000}]}\n')
    put("platform_game_library", "good", good.encode())
    put("platform_game_library", "escapes", b'{"games":[{"caption":"a\\"b\\u00e9\\ud83d\\ude00\\n","folder":"/x\\/y","lastPlayed":5}]}')
    put("platform_game_library", "odd-entries", b'{"games":[1,{"folder":"rel"},{"folder":"/a","lastPlayed":-3},'
        b'{"folder":"/a"},{"folder":"/b","lastPlayed":1.5e3,"extra":[null,true,{}]}]}')
    put("platform_game_library", "cut-off", good.encode()[:70])
    put("platform_game_library", "deep", b"[" * 40 + b"]" * 40)
    put("platform_game_library", "empty", b"")


def player_file_seeds():
    # byte 0: the kind (save, gloval.sav, kidoku.dat, envdata, a log); byte 1: the form
    # (0 plain, 1 grown past its limit, 2 link, 3 folder, 4 pipe); then the bytes.
    kinds = ["save", "globals", "readmarks", "envdata", "log"]
    forms = ["plain", "oversize", "link", "folder", "pipe"]
    contents = [b"\x01\x00\x00\x00" * 8, b"\x07\x00\x00\x00x\x00" * 4, b"\xff" * 16,
                b"\x01\x00\x00\x00" * 4 + b"MS Gothic\x00", b"2\n\"\x8b\x8a\"\"\x4b\x22\""]
    for k, kind in enumerate(kinds):
        for f, form in enumerate(forms):
            put("save_player_files", "%s-%s" % (kind, form), bytes((k, f)) + (b"\x00\x00\x00\x01" if f == 1 else b"") + contents[k])


def consent_seeds():
    good = "# Veloria programs\ngame /games/demo\nallow tools/setup.sh\ndeny Config.exe\n"
    put("platform_program_consent", "good", good.encode())
    put("platform_program_consent", "other-game", good.replace("/games/demo", "/games/other").encode())
    put("platform_program_consent", "bad-line", (good + "maybe x\n").encode())
    put("platform_program_consent", "japanese", (good + "allow \u8a2d\u5b9a.sh\n").encode())
    put("platform_program_consent", "oversize", (good + "allow x\n" * 9400).encode())


def cursor_seeds():
    b = bmp(4, 4, bits=32)
    put("platform_cursor", "rgba.bmp", b)
    put("platform_cursor", "height-min.bmp", b[:22] + struct.pack("<i", -2**31) + b[26:])
    put("platform_cursor", "width-max.bmp", b[:18] + struct.pack("<i", 2**31 - 1) + b[22:])
    dib = b[14:]
    dib = dib[:8] + struct.pack("<i", 8) + dib[12:]  # colour and mask halves
    mask = b"\x00" * 16
    entry = struct.pack("<BBBBHHII", 4, 4, 0, 0, 1, 2, len(dib) + len(mask), 22)
    put("platform_cursor", "hand.cur", struct.pack("<HHH", 0, 2, 1) + entry + dib + mask)
    put("platform_cursor", "cut.cur", (struct.pack("<HHH", 0, 2, 1) + entry + dib)[:40])


def bmp_seeds():
    put("graphics_bmp", "rgb24.bmp", bmp(6, 4))
    put("graphics_bmp", "down24.bmp", bmp(5, 3, top_down=True))
    put("graphics_bmp", "rgb16.bmp", bmp(4, 4, bits=16))
    put("graphics_bmp", "rgb32.bmp", bmp(3, 5, bits=32))
    put("graphics_bmp", "pal8.bmp", bmp(9, 3, bits=8, pixel=lambda x, y: (x + y,)))
    put("graphics_bmp", "pal4.bmp", bmp(7, 2, bits=4, pixel=lambda x, y: (x,)))
    put("graphics_bmp", "mono.bmp", bmp(17, 3, bits=1, pixel=lambda x, y: ((x + y) % 2,)))
    put("graphics_bmp", "rle8.bmp", bmp(4, 4, bits=8, compression=1, pixel=lambda x, y: (1,)))
    put("graphics_bmp", "short.bmp", bmp(16, 16)[:80])


def codec_seeds():
    put("graphics_codecs", "rgb.png", png(5, 4, 2))
    put("graphics_codecs", "rgba.png", png(6, 3, 6))
    put("graphics_codecs", "grey.png", png(4, 4, 0))
    put("graphics_codecs", "grey-alpha.png", png(3, 3, 4))
    put("graphics_codecs", "palette.png", png(4, 2, 3))
    put("graphics_codecs", "interlaced.png", png(9, 9, 2, interlace=1))
    put("graphics_codecs", "cut.png", png(8, 8, 6)[:50])


def script_dictionary():
    words = set()
    for root, _, names in os.walk(os.path.join(HERE, "..", "src")):
        for n in names:
            if n.endswith(".cpp"):
                with open(os.path.join(root, n), encoding="utf-8", errors="replace") as f:
                    words.update(re.findall(r'\bt\.add\("([a-z0-9_]+)"', f.read()))
    syntax = ["*define", "*start", "game", "end", "%", "$", "#ff0000", "\\\\", "@", "/", "!s0", "!sd", "!w100",
              "!d100", "~", "<", ">", "==", "!=", "<=", ">=", "&&", ":", ";", ",", "\\x0a", "\\\"",
              ";mode800", ":c;", ":a;", "*l",
              # the extended dialect's forms
              ";value 2500", "?1[2]", "mod", "to", "step", "(", ")", "+", "-", "*", "0x1f", "_", "i%1", "s%1"]
    lines = ['"%s"' % w for w in sorted(words)] + ['"%s"' % s for s in syntax]
    with open(os.path.join(HERE, "dict", "script_run.dict"), "w") as f:
        f.write("# Commands the interpreter registers (written by seeds.py) and the script syntax.\n")
        f.write("\n".join(lines) + "\n")


def input_script_seeds():
    put("platform_input_script", "play", b"# a short run\nwait 500\nclick 320 240\nwait 100\nkey space\nrclick 10 10\n"
        b"wheel up\nmenu 40103\nanswer yes\ntype \xe5\x90\x8d\xe5\x89\x8d\nselect 2\ncancel\nsave 3\nload 3\n"
        b"screenshot out/a.png\ndump state.json\nclose\nquit\n")
    put("platform_input_script", "keys-and-pad", b"key up\nkey down\nkey left\nkey right\nkey &\nkey Q\nkey enter\n"
        b"key esc\npad a\npad b\npad start\npad up\npad skip\r\n\tpad skip\n")
    put("platform_input_script", "wide-numbers", b"wait 9223372036854775807\nwait 9223372036854775807\nmove -1 99999\n"
        b"click 2147483647 -2147483648\nselect 0\nload 4294967297\n")
    put("platform_input_script", "bad-lines", b"wait\nclick 1\nwait -5\nanswer maybe\njump 1 2\nkey ab\nsave 0\n")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    archive_seeds(sys.argv[1])
    if len(sys.argv) > 2:
        jpeg_seeds(sys.argv[2])
    script_seeds()
    text_seeds()
    tag_seeds()
    window_record_seeds()
    library_seeds()
    player_file_seeds()
    consent_seeds()
    cursor_seeds()
    input_script_seeds()
    bmp_seeds()
    codec_seeds()
    script_dictionary()


if __name__ == "__main__":
    main()
