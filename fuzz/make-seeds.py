#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora (fuzz/corpus/<fuzzer>/) in the byte
layouts that DispatcherFuzzer.cpp, AudioFuzzer.cpp and EditorFuzzer.cpp read:
little-endian fields, front to back. Run it again after changing a layout."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------- dispatcher
READS_TEXT = {4, 24, 27, 51}  # effSetProgramName, effSetChunk, effString2Parameter, effCanDo


def op(code, index=0, value=0, opt=None, text=b"", null=False, special=None):
    """One dispatcher step. index/value: small ones as int8, others full width."""
    modes = 0
    body = b""
    if index == 0:
        modes |= 2
    elif -128 <= index <= 127:
        body += struct.pack("<b", index)
    else:
        modes |= 1
        body += struct.pack("<i", index)
    if value == 0:
        modes |= 2 << 2
    elif -128 <= value <= 127:
        body += struct.pack("<b", value)
    elif 0 <= value <= 0xFFFF:
        modes |= 3 << 2
        body += struct.pack("<H", value)
    else:
        modes |= 1 << 2
        body += struct.pack("<q", value)
    if special is not None:
        modes |= 1 << 4
        body += struct.pack("<B", special)
    elif opt is not None:
        modes |= 2 << 4
        body += struct.pack("<f", opt)
    if null:
        modes |= 0x40
    if code in READS_TEXT:
        body += struct.pack("<B", len(text)) + text
    return struct.pack("<BB", code, modes) + body


def dispatcher_seeds():
    session = [op(0), op(10, opt=44100.0), op(11, value=512), op(12, value=1)]
    for i in range(9):
        session += [op(8, index=i), op(6, index=i), op(7, index=i)]
    session += [op(47), op(48), op(49), op(51, text=b"receiveVstEvents"), op(58), op(35),
                op(13), op(14), op(19), op(17, index=100, value=120), op(19), op(59, index=97),
                op(60, index=97), op(16), op(15), op(12, value=0), op(1)]
    hostile = [op(4, text=b"x" * 200), op(5), op(10, special=0), op(10, special=1),
               op(11, value=-1), op(2, value=-1), op(2, value=1 << 40), op(3), op(23),
               op(24, text=bytes(range(64))), op(42), op(69), op(7, index=6), op(7, index=2),
               op(7, index=-5), op(29, index=3), op(1), op(0), op(5), op(1)]
    everything = []
    for code in range(101):
        if code != 1:
            everything += [op(code), op(code, null=True)]
    everything.append(op(1))
    editor = [op(14), op(14), op(16), op(19), op(61, value=2), op(15), op(15), op(19), op(14),
              op(17, index=130, value=150), op(1)]
    return {"session": session, "hostile": hostile, "every-opcode": everything, "editor": editor}


# ---------------------------------------------------------------- audio
def param(index, value=None, special=None):
    if special is not None:
        return struct.pack("<BBBB", 2, index + 1, 0, special)
    return struct.pack("<BBBH", 2, index + 1, 1, int(round(value * 65535)))


def block(length, fill="tone", kind=0, freq=440.0, amp=32, raw=None, noise=(), inplace=False):
    head = struct.pack("<BH", kind | (4 if inplace else 0), length)
    if fill == "silence":
        return head + b"\x00"
    if fill == "tone":
        return head + struct.pack("<BHB", 1, int(freq * 4), amp)
    if fill == "raw":
        return head + struct.pack("<B", 2) + struct.pack("<%df" % len(raw), *raw)
    # noise with special values at a few places
    body = struct.pack("<BHB", 3, 777, len(noise))
    for at, special in noise:
        body += struct.pack("<HB", at, special)
    return head + body


def audio_seeds():
    defaults = [block(512) for _ in range(12)]
    sweep = []
    for i, v in enumerate([0.3, 0.9, 0.5, 0.0, 0.0, 0.2, 1.0]):
        sweep.append(param(i, v))
    for n in (0, 1, 255, 256, 1023, 4097, 20000, 3):
        sweep.append(block(n, freq=1000.0))
    keep = [param(3, 1.0), param(4, 1.0), param(1, 1.0), param(5, 0.0)]
    keep += [block(2048, freq=f) for f in (220.0, 880.0, 3000.0)]
    keep += [param(4, 0.0), block(700), param(4, 0.5), block(700), param(3, 0.0), block(700)]
    hostile = []
    for i in range(-1, 10):
        hostile.append(param(i, special=i % 20))
    hostile += [block(4096, fill="noise", noise=((5, 0), (100, 1), (2000, 3))),
                block(1024, fill="raw", raw=(1e30, -1e30, 1e-40, 0.0)), block(513, kind=1),
                block(600, inplace=True)]
    huge = [param(1, 1.0), param(5, 0.0), struct.pack("<BH", 0, 0xFFFF) + struct.pack("<BHB", 1, 2000, 64),
            block(100)]
    accumulate = [block(512, kind=1) for _ in range(6)] + [block(512, inplace=True) for _ in range(4)]
    return {"defaults": defaults, "sweep": sweep, "keepfreqs": keep, "hostile": hostile,
            "huge-block": huge, "accumulate-inplace": accumulate}


# ---------------------------------------------------------------- editor
def coord(c):
    return struct.pack("<H", c + 40)


def states(points):
    out = struct.pack("<B", len(points))
    for (x, y, buttons) in points:
        out += coord(x) + coord(y) + struct.pack("<B", buttons)
    return out


def e_open():
    return b"\x00"


def e_close():
    return b"\x01"


def e_idle():
    return b"\x02"


def e_mouse(x, y, points):
    return b"\x04" + coord(x) + coord(y) + states(points)


def e_key(ch, virt=0, mods=0, how=0):
    return b"\x05" + struct.pack("<BBBB", ch, virt, mods, how)


def e_wheel(steps):
    return b"\x06" + struct.pack("<b", steps)


def e_drop(x, y, items, text=False, absolute=True):
    bits = len(items) | (4 if absolute else 0) | (8 if text else 0)
    out = b"\x07" + coord(x) + coord(y) + struct.pack("<B", bits)
    for item in items:
        out += struct.pack("<B", len(item)) + item
    return out


def e_param(index, value):
    return b"\x08" + struct.pack("<BBB", index + 1, 0, int(value * 255))


def editor_seeds():
    drag = [e_open(), e_idle(),
            e_mouse(133, 190, [(133, 190, 1), (133, 150, 1), (133, 110, 1), (133, 110, 0)]), e_idle(),
            e_mouse(80, 150, [(80, 150, 1), (80, 200, 1 | 4), (80, 200, 0)]), e_idle(),
            e_mouse(30, 120, [(30, 120, 1), (30, 120, 0)]), e_mouse(90, 70, [(90, 70, 1), (90, 70, 0)]),
            e_mouse(170, 150, [(170, 150, 1), (170, 150, 0)]), e_idle(), e_close()]
    keys = [e_open(), e_key(97), e_key(97, how=1), e_key(0, 50, 1), e_key(13, how=2), e_wheel(4),
            e_wheel(-8), e_idle(), e_drop(100, 100, [b"sound.wav", b"x"]),
            e_drop(100, 100, [b"some text"], text=True), e_param(0, 0.9), e_param(2, 0.5),
            e_param(4, 1.0), e_param(8, 0.3), e_idle(), b"\x03" + coord(0) * 4 + b"\x01", e_close()]
    events = [e_open(), b"\x09" + coord(130) + coord(150) + b"\x00" + states([(130, 150, 1), (130, 100, 1)]),
              e_idle(), b"\x09" + coord(0) + coord(0) + b"\x03" + states([]) + coord(200) + coord(250),
              e_idle(), b"\x0b\xff\xff", e_idle(), b"\x0c", b"\x0a\x02",
              e_mouse(133, 190, [(133, 190, 1), (133, 100, 1)]), e_close(), e_open(), e_idle()]
    return {"drag": drag, "keys-drops-params": keys, "posted-events": events}


def write(name, seeds):
    folder = os.path.join(HERE, "corpus", name)
    os.makedirs(folder, exist_ok=True)
    for seed, steps in seeds.items():
        with open(os.path.join(folder, seed), "wb") as f:
            f.write(b"".join(steps))


if __name__ == "__main__":
    write("dispatcher", dispatcher_seeds())
    write("audio", audio_seeds())
    write("editor", editor_seeds())
