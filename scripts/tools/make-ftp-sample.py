#!/usr/bin/env python3
"""Writes the tcpdump text (today's -tttt -X layout) of a small FTP session: a login,
a passive-mode download of a short file and the logout. wirefold turns it into the
sample log data/awk/ftp001.log:

    python3 scripts/tools/make-ftp-sample.py > data/awk/ftp001.tcpdump
    wirefold data/awk/ftp001.tcpdump data/awk/ftp001.log -jst
"""
import struct
import sys

CLIENT = (192, 168, 10, 20)
SERVER = (192, 168, 10, 5)


def ip_text(a, port):
    return "%d.%d.%d.%d.%d" % (a + (port,))


def packet(t, src, sport, dst, dport, flags, seq, ack, payload=b""):
    flag_bits = {"S": 0x02, "S.": 0x12, ".": 0x10, "P.": 0x18, "F.": 0x11}[flags]
    tcp = struct.pack("!HHIIBBHHH", sport, dport, seq, ack, 5 << 4, flag_bits, 502, 0, 0)
    total = 20 + len(tcp) + len(payload)
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, total, 1, 0x4000, 64, 6, 0, bytes(src), bytes(dst))
    data = ip + tcp + payload
    head = "%s IP %s > %s: Flags [%s], seq %d, ack %d, win 502, length %d" % (
        t, ip_text(src, sport), ip_text(dst, dport), flags, seq, ack, len(payload))
    if payload and 21 in (sport, dport):
        head += ": FTP: " + payload.decode("ascii").rstrip("\r\n")
    lines = [head]
    for off in range(0, len(data), 16):
        chunk = data[off:off + 16]
        words = " ".join(chunk[i:i + 2].hex() for i in range(0, len(chunk), 2))
        text = "".join(chr(b) if 32 < b < 127 else "." for b in chunk)
        lines.append("\t0x%04x:  %-40s %s" % (off, words, text))
    return "\n".join(lines)


def main():
    out = []
    cs, ss = 1000, 5000  # control connection sequence numbers
    ds, dss = 9000, 7000  # data connection
    cp, dp = 50512, 50001

    def ctl(t, from_client, flags, payload=b""):
        nonlocal cs, ss
        if from_client:
            out.append(packet(t, CLIENT, cp, SERVER, 21, flags, cs, ss, payload))
            cs += len(payload) + (1 if flags in ("S", "F.") else 0)
        else:
            out.append(packet(t, SERVER, 21, CLIENT, cp, flags, ss, cs, payload))
            ss += len(payload) + (1 if flags in ("S.", "F.") else 0)

    def dat(t, from_client, flags, payload=b""):
        nonlocal ds, dss
        if from_client:
            out.append(packet(t, CLIENT, 50620, SERVER, dp, flags, ds, dss, payload))
            ds += len(payload) + (1 if flags in ("S", "F.") else 0)
        else:
            out.append(packet(t, SERVER, dp, CLIENT, 50620, flags, dss, ds, payload))
            dss += len(payload) + (1 if flags in ("S.", "F.") else 0)

    day = "2026-01-05 00:"
    ctl(day + "30:00.100250", True, "S")
    ctl(day + "30:00.101020", False, "S.")
    ctl(day + "30:00.101190", True, ".")
    ctl(day + "30:00.153400", False, "P.", b"220 Chronava test FTP server ready\r\n")
    ctl(day + "30:00.153720", True, ".")
    ctl(day + "30:02.480115", True, "P.", b"USER tester\r\n")
    ctl(day + "30:02.481002", False, "P.", b"331 Password required for tester\r\n")
    ctl(day + "30:04.902310", True, "P.", b"PASS secret99\r\n")
    ctl(day + "30:05.012875", False, "P.", b"230 User tester logged in\r\n")
    ctl(day + "30:05.215040", True, "P.", b"TYPE I\r\n")
    ctl(day + "30:05.215901", False, "P.", b"200 Type set to I\r\n")
    ctl(day + "30:05.420377", True, "P.", b"PASV\r\n")
    ctl(day + "30:05.421260", False, "P.", b"227 Entering Passive Mode (192,168,10,5,195,81)\r\n")
    dat(day + "30:05.425118", True, "S")
    dat(day + "30:05.425803", False, "S.")
    dat(day + "30:05.425951", True, ".")
    ctl(day + "30:05.430012", True, "P.", b"RETR run-0105.csv\r\n")
    ctl(day + "30:05.431540", False, "P.", b"150 Opening BINARY mode data connection for run-0105.csv (96 bytes)\r\n")
    dat(day + "30:05.432208", False, "P.", b"time,speed,load\r\n09:00,120,35\r\n09:10,135,52\r\n")
    dat(day + "30:05.432690", False, "P.", b"09:20,128,47\r\n09:30,141,66\r\n09:40,0,0\r\n")
    dat(day + "30:05.432811", True, ".")
    dat(day + "30:05.433015", False, "F.")
    dat(day + "30:05.433270", True, "F.")
    dat(day + "30:05.433402", False, ".")
    ctl(day + "30:05.436118", False, "P.", b"226 Transfer complete\r\n")
    ctl(day + "30:07.850441", True, "P.", b"QUIT\r\n")
    ctl(day + "30:07.851305", False, "P.", b"221 Goodbye\r\n")
    ctl(day + "30:07.851640", False, "F.")
    ctl(day + "30:07.852003", True, "F.")
    ctl(day + "30:07.852390", False, ".")
    sys.stdout.write("\n".join(out) + "\n")


main()
