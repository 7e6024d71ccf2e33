#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into corpus/<target>/.

Run it again after changing a seed here; the files it writes are committed
so that the fuzz script needs nothing but the repository.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


DEFAULT_SETTINGS = """[Main]
Version=2.1.6
AVSDLL=
DisplayFPS=1
DisplayTPF=0
DisplayEfficiencyIndex=0
CreateLog=0
CreateCSV=0
PauseBeforeExit=0
FrameRange=0,-1
InvokeDistributor=1
AllowOnlyOneInstance=1
UseColor=1
MonitorGPULoad=0
ProcessPriority=2
ConUseSTDOUT=0
TimeLimit=-1

[Miscellaneous]
LogEstimatedTime=0
AutoCompleteExtension=0
"""


def settings():
    write("settings", "default.ini", DEFAULT_SETTINGS)
    changed = (DEFAULT_SETTINGS.replace("AVSDLL=", "AVSDLL = /opt/avs plus/lib/libavisynth.so")
               .replace("FrameRange=0,-1", "FrameRange = 100, 2000")
               .replace("TimeLimit=-1", "TimeLimit=120")
               .replace("ProcessPriority=2", "ProcessPriority=3")
               .replace("CreateLog=0", "createlog=1")
               .replace("UseColor=1", "UseColor=0"))
    write("settings", "changed.ini", changed.replace("\n", "\r\n"))
    write("settings", "old_version.ini", DEFAULT_SETTINGS.replace("2.1.6", "2.1.5"))
    write("settings", "range_values.ini",
          "Version=2.1.6\nFrameRange=-5,10\nFrameRange=99999999999999999999,1\n"
          "FrameRange=,\nTimeLimit=999999\nProcessPriority=0\n")


def command_lines():
    lines = [
        ["clip.avs"],
        ["clip.avs", "-log", "-csv", "-range=0,99"],
        ["-avsinfo"],
        ["/tmp/My Clips/clip.avs", "-i", "-timelimit=60", "-priority=3", "-gpu"],
        ["clip", "-l", "-RANGE=10,-1"],
        [" clip.AVS ", "-priority=9"],
        ["clip.avs", "-timelimit=0x10"],
    ]
    for i, args in enumerate(lines):
        write("command_line", "args%d" % i, "\0".join(args))


def elf64(symbols, comment):
    """A small 64-bit shared object: null, .dynsym, .dynstr, .comment and
    .shstrtab sections, no program headers."""
    dynstr = b"\0" + b"".join(s.encode() + b"\0" for s in symbols)
    dynsym = b"\0" * 24
    offset = 1
    for s in symbols:
        dynsym += struct.pack("<IBBHQQ", offset, 0x12, 0, 1, 0x1000, 16)
        offset += len(s) + 1
    shstrtab = b"\0.dynsym\0.dynstr\0.comment\0.shstrtab\0"
    body = [dynsym, dynstr, comment, shstrtab]
    data = bytearray(64)
    offsets = []
    for part in body:
        while len(data) % 8:
            data.append(0)
        offsets.append(len(data))
        data += part
    while len(data) % 8:
        data.append(0)
    table = len(data)
    sections = [struct.pack("<IIQQQQIIQQ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)]
    # name offset, type, flags, addr, offset, size, link, info, align, entsize
    sections.append(struct.pack("<IIQQQQIIQQ", 1, 11, 2, 0, offsets[0], len(dynsym), 2, 1, 8, 24))
    sections.append(struct.pack("<IIQQQQIIQQ", 9, 3, 2, 0, offsets[1], len(dynstr), 0, 0, 1, 0))
    sections.append(struct.pack("<IIQQQQIIQQ", 17, 1, 0x30, 0, offsets[2], len(comment), 0, 0, 1, 1))
    sections.append(struct.pack("<IIQQQQIIQQ", 26, 3, 0, 0, offsets[3], len(shstrtab), 0, 0, 1, 0))
    for s in sections:
        data += s
    ident = b"\x7fELF" + bytes([2, 1, 1, 0]) + b"\0" * 8
    header = ident + struct.pack("<HHIQQQIHHHHHH", 3, 62, 1, 0, 0, table, 0, 64, 0, 0, 64,
                                 len(sections), 4)
    data[0:64] = header
    return bytes(data)


def elf32_header_only():
    ident = b"\x7fELF" + bytes([1, 1, 1, 0]) + b"\0" * 8
    return ident + struct.pack("<HHIIIIIHHHHHH", 3, 3, 1, 0, 0, 0, 0, 52, 32, 0, 40, 0, 0)


def elf_files():
    write("elf_reader", "avisynth.so",
          elf64(["AVS_linkage", "CreateScriptEnvironment", "avs_get_version"],
                b"GCC: (Debian 12.2.0-14) 12.2.0\0"))
    write("elf_reader", "clang.so",
          elf64(["CreateScriptEnvironment"], b"Linker: LLD 14.0.6\0Debian clang version 14.0.6\0"))
    write("elf_reader", "no_symbols.so", elf64([], b""))
    write("elf_reader", "x86.so", elf32_header_only())


def utf16_field(text):
    raw = text.encode("utf-16-le", "surrogatepass")[:510]
    return raw + b"\0" * (512 - len(raw))


def gpu_sections():
    """Inputs in the fuzz target's compact form: the first half is laid over
    the record table, the second half over the sensor table."""
    def record(key, value):
        return utf16_field(key) + utf16_field(value)

    def sensor(name, unit, value):
        return utf16_field(name) + utf16_field(unit)[:20] + struct.pack("<d", value)

    records = (record("CardName", "NVIDIA GeForce RTX 3060")
               + record("GPUName", "GA106") + record("MemSize", "12288 MB")
               + record("CUDA", "1") + record("CUDA_Capability", "8.6"))
    sensors = (sensor("GPU Load", "%", 37.4) + sensor("Video Engine Load", "%", 12.5)
               + sensor("Memory Used", "MB", 1843.0)
               + sensor("Memory Usage (Dedicated)", "MB", 1700.6))
    sensors += b"\0" * (len(records) - len(sensors))
    write("gpu_info", "card_and_sensors", records + sensors)
    odd = record("DriverVersion", "31.0.15.3623 (\ud83d)") + record("OpenCL_Version", "  ")
    odd_sensors = sensor("GPU Load", "%", float("nan")) + sensor("Memory Used", "MB", -3.0e300)
    write("gpu_info", "odd_text", odd + odd_sensors.ljust(len(odd), b"\0"))


def scripts():
    write("script", "blank.avs",
          "# 2000 frames of 1080p YV12\n"
          "BlankClip(length=2000, width=1920, height=1080, pixel_type=\"YV12\", fps=25)\n")
    write("script", "chain.avs",
          "c = BlankClip(100, 320, 240, \"YUY2\", fps=29.97, audio_rate=48000, channels=2, \\\n"
          "    sample_type=\"float\")\n"
          "c.Trim(10, 0).AssumeFPS(30000, 1001).AssumeTFF\n"
          "KillAudio()\n")
    write("script", "eval.avs",
          "x = Eval(\"BlankClip(width=64, height=48)\")\n"
          "y = BlankClip(length=3, pixel_type=\"Y8\", audio_rate=0)\n"
          "v = VersionString()\n"
          "x.KillVideo\n")
    write("script", "errors.avs",
          "BlankClip(width=-1)\nFoo(1, 2)\nTrim(1)\nx = (1\n\"unterminated\n")


settings()
command_lines()
elf_files()
gpu_sections()
scripts()
