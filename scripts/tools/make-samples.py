#!/usr/bin/env python3
"""Writes the five sample projects of the installation folder (data/Projects) in the
system's text form: Shift-JIS (CP932) with CR LF line ends.

    python3 scripts/tools/make-samples.py data/Projects
"""
import os
import random
import struct
import sys

HEADER = " [KOV:NAM:V2.00 ]"


def write_text(path, lines):
    with open(path, "wb") as f:
        f.write("".join(l + "\r\n" for l in lines).encode("cp932"))


def project(root, name, sources, title):
    folder = os.path.join(root, name)
    os.makedirs(folder, exist_ok=True)
    write_text(os.path.join(folder, name + ".nam"), [
        HEADER, "[Sources]", *['"%s"' % s for s in sources], "[IncludePath]", "[Common]",
        'DataDirectory = "Projects/%s"' % name, 'InputBaseDirectory = "Projects/%s"' % name,
        "InputFileCode = SJIS"])
    write_text(os.path.join(folder, name + ".css"), ["SYS:" + title, "LGT:"])
    return folder


def stamp(day, sec, digits):
    whole = int(sec)
    frac = round((sec - whole) * 10 ** digits)
    if frac >= 10 ** digits:
        whole, frac = whole + 1, frac - 10 ** digits
    h, m, s = whole // 3600, whole // 60 % 60, whole % 60
    return "%s %02d:%02d:%02d.%0*d" % (day, h, m, s, digits, frac)


def sample1(root):
    """States and pulses at milliseconds: a conveyor with a stopper and two sensors."""
    folder = project(root, "SampleT1", ["conveyor.klg"], "コンベア制御の状態とパルス")
    day, t0 = "2026/01/05", 9 * 3600
    ev = [(0.0, "POWER=ON", "電源投入"), (0.25, "READY=ON", "")]
    t = 0.5
    for n in range(6):
        ev += [(t, "MOTOR=ON", "搬送開始" if n == 0 else ""),
               (t + 0.320, "SENSOR_A=ON", "ワーク%d 検出" % (n + 1)),
               (t + 0.345, "COUNT=PULSE(15)", ""),
               (t + 0.410, "SENSOR_A=OFF", ""),
               (t + 0.700, "STOPPER=ON", ""),
               (t + 0.955, "SENSOR_B=ON", ""),
               (t + 1.080, "MOTOR=OFF", ""),
               (t + 1.150, "PUSHER=PULSE(120)", "払い出し"),
               (t + 1.300, "STOPPER=OFF", ""),
               (t + 1.340, "SENSOR_B=OFF", "")]
        t += 1.6
    ev += [(t + 0.2, "READY=OFF", ""), (t + 0.5, "POWER=OFF", "電源断")]
    clk = [(0.1 * i, "CLK=PULSE(50)", "") for i in range(int((t + 0.6) / 0.1))]
    lines = ["# コンベア制御のタイミング(ミリ秒)", "; 状態(ON/OFF)とパルス幅(ミリ秒)"]
    for sec, e, c in sorted(ev + clk, key=lambda x: x[0]):
        lines.append("%s $%s%s" % (stamp(day, t0 + sec, 3), e, " // " + c if c else ""))
    write_text(os.path.join(folder, "conveyor.klg"), lines)


def sample2(root):
    """Values and graph bars: a furnace's temperature, pressure and the heater load."""
    folder = project(root, "SampleT2", ["furnace.klg"], "炉の温度・圧力と負荷")
    rnd = random.Random(2)
    day, t0 = "2026/01/06", 13 * 3600
    lines = ["# 炉の計測値(VALUE はパーセント、GRAPH は棒の高さのパーセント)"]
    temp, press = 20.0, 40.0
    lines.append("%s $RUN=ON // 運転開始" % stamp(day, t0, 3))
    for i in range(60):
        sec = t0 + i * 0.5
        temp = min(95.0, temp + rnd.uniform(0.5, 2.5)) if i < 40 else max(30.0, temp - rnd.uniform(1, 3))
        press = max(5.0, min(100.0, press + rnd.uniform(-6, 6)))
        note = ""
        if temp >= 90 and "上限" not in "".join(lines[-3:]):
            note = " // 温度上限"
        lines.append("%s $TEMP=VALUE(%.1f%%)%s" % (stamp(day, sec, 3), temp, note))
        lines.append("%s $PRESSURE=VALUE(%.1f)" % (stamp(day, sec + 0.25, 3), press))
        if i % 2 == 0:
            load = rnd.randint(20, 95)
            # GRAPH(n): a bar n % high.
            lines.append("%s $HEATER=GRAPH(%d)%s" % (stamp(day, sec, 3), load,
                                                  " // 負荷 %d%%" % load if load > 90 else ""))
    lines.append("%s $RUN=OFF // 運転停止" % stamp(day, t0 + 30, 3))
    write_text(os.path.join(folder, "furnace.klg"), lines)


def bmp(path, w, h):
    """A small 24-bit Windows bitmap: a yellow warning sign on white."""
    row = (w * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(h):          # bottom-up rows
        yy = h - 1 - y
        line = bytearray()
        for x in range(w):
            half = (yy * w) // (2 * h) + 1
            inside = abs(x - w // 2) < half and yy < h - 1
            border = inside and (abs(x - w // 2) >= half - 1 or yy == h - 2)
            mark = inside and x == w // 2 and (2 < yy < h - 6 or yy == h - 4)
            if border or mark:
                line += bytes((0, 0, 0))
            elif inside:
                line += bytes((0, 215, 255))
            else:
                line += bytes((255, 255, 255))
        pixels += line + bytes(row - len(line))
    head = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(head + info + pixels)


def sample3(root):
    """Display texts and comments, with an image label."""
    folder = project(root, "SampleT3", ["elevator.klg"], "エレベーターの表示とコメント")
    bmp(os.path.join(folder, "warn.bmp"), 16, 14)
    day, t0 = "2026/01/07", 8 * 3600 + 15 * 60
    ev = [
        (0.0, 'STATE=DISP("待機")', "1階で待機"),
        (0.0, "DOOR=OFF", ""),
        (2.1, "CALL=PULSE(200)", "5階から呼び出し"),
        (2.4, 'STATE=DISP("上昇")', ""),
        (2.4, "MOTOR=ON", "上昇開始"),
        (3.9, 'FLOOR=DISP("2F")', ""),
        (5.4, 'FLOOR=DISP("3F")', ""),
        (6.9, 'FLOOR=DISP("4F")', ""),
        (7.6, "OVERLOAD=ON", "<IMG src=warn.bmp>"),
        (8.1, "OVERLOAD=OFF", "荷重警告 解除"),
        (8.4, 'FLOOR=DISP("5F")', ""),
        (8.6, "MOTOR=OFF", "5階に到着"),
        (8.8, 'STATE=DISP("扉開")', ""),
        (8.8, "DOOR=ON", "扉が開きました"),
        (12.8, "DOOR=OFF", "扉閉"),
        (13.0, 'STATE=DISP("待機")', ""),
    ]
    lines = ["# エレベーター: 表示文字列(DISP)とコメント、画像ラベル(<IMG src=...>)"]
    for sec, e, c in ev:
        lines.append("%s $%s%s" % (stamp(day, t0 + sec, 3), e, " // " + c if c else ""))
    write_text(os.path.join(folder, "elevator.klg"), lines)


def sample4(root):
    """A microsecond chart (a serial bus) and a nanosecond chart (a memory cycle)."""
    folder = project(root, "SampleT4", ["spi-bus.klg", "memory-cycle.klg"], "マイクロ秒とナノ秒のチャート")
    day = "2026/01/08"
    t0 = 10 * 3600 + 5
    lines = ["# SPI 転送(マイクロ秒)", "; PULSE の幅 u はマイクロ秒"]
    lines.append("%s $CS=OFF // 転送開始" % stamp(day, t0, 6))
    t = 2e-6
    for byte in (0x9F, 0x01, 0xC2):
        for bit in range(8):
            v = (byte >> (7 - bit)) & 1
            lines.append("%s $MOSI=%s" % (stamp(day, t0 + t, 6), "ON" if v else "OFF"))
            lines.append("%s $SCK=PULSE(1u)%s" % (stamp(day, t0 + t + 0.5e-6, 6),
                                                 " // 0x%02X" % byte if bit == 0 else ""))
            t += 2e-6
        t += 3e-6
    lines.append("%s $CS=ON // 転送終了" % stamp(day, t0 + t, 6))
    write_text(os.path.join(folder, "spi-bus.klg"), lines)

    lines = ["# メモリの読み出しサイクル(ナノ秒)"]
    t = 0.0
    for cyc in range(4):
        base = t0 + t
        lines.append("%s $CLK=ON" % stamp(day, base, 9))
        lines.append("%s $ADDR=DISP(\"%04X\")" % (stamp(day, base + 2e-9, 9), 0x1000 + cyc * 4))
        lines.append("%s $RAS=ON // 行アドレス" % stamp(day, base + 5e-9, 9))
        lines.append("%s $CLK=OFF" % stamp(day, base + 7.5e-9, 9))
        lines.append("%s $CAS=ON // 列アドレス" % stamp(day, base + 12e-9, 9))
        lines.append("%s $CLK=ON" % stamp(day, base + 15e-9, 9))
        lines.append("%s $DATA=DISP(\"%02X\")" % (stamp(day, base + 18e-9, 9), (0x3C * (cyc + 1)) & 0xFF))
        lines.append("%s $CLK=OFF" % stamp(day, base + 22.5e-9, 9))
        lines.append("%s $RAS=OFF" % stamp(day, base + 25e-9, 9))
        lines.append("%s $CAS=OFF" % stamp(day, base + 26e-9, 9))
        t += 30e-9
    write_text(os.path.join(folder, "memory-cycle.klg"), lines)


def sample5(root):
    """Logs that need preprocessing: a raw log of our own format and an FTP session."""
    folder = project(root, "SampleT5", ["pump.log", "../../awk/ftp001.log"], "前処理が必要なログ")
    lines = [
        "#CHRONAVA-RAW",
        "# 給水ポンプの運転記録。書式は docs/preprocessors.md を参照。",
        "# 日付 時刻 信号 イベント ; コメント",
        "2026-01-09 06:00:00.000 PUMP1 on ; 始動",
        "2026-01-09 06:00:00.000 MODE text:自動運転",
        "2026-01-09 06:00:00.500 LEVEL value:35",
        "2026-01-09 06:00:01.000 VALVE high",
        "2026-01-09 06:00:01.500 LEVEL value:48",
        "2026-01-09 06:00:02.000 FLOW graph:60",
        "2026-01-09 06:00:02.500 LEVEL value:61",
        "2026-01-09 06:00:03.000 ALARM pulse:250 ; 水位確認",
        "2026-01-09 06:00:03.500 LEVEL value:77",
        "2026-01-09 06:00:04.000 FLOW graph:85 ; 流量増",
        "2026-01-09 06:00:04.500 LEVEL value:92",
        "2026-01-09 06:00:05.000 VALVE low ; 満水",
        "2026-01-09 06:00:05.000 MODE text:停止待ち",
        "2026-01-09 06:00:05.200 PUMP1 off",
        "2026-01-09 06:00:06.000 LEVEL value:90",
    ]
    write_text(os.path.join(folder, "pump.log"), lines)


root = sys.argv[1] if len(sys.argv) > 1 else "data/Projects"
for f in (sample1, sample2, sample3, sample4, sample5):
    f(root)
