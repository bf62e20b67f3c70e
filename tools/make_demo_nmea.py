#!/usr/bin/env python3
"""Writes data/demo/demo.nmea: a car driving three flying laps of a small
circuit at 5 Hz, with an out-lap and an in-lap, as a receiver would send it
(RMC, GGA, VTG every epoch; GSA and three GSV once a second; CR LF).
Deterministic: running it again gives the same file."""
import math
import random

ORIGIN_LAT, ORIGIN_LON = 50.4370, 5.9720  # somewhere in the Ardennes
EARTH = 6371000.0
RATE = 5  # Hz

def checksum(body):
    x = 0
    for c in body.encode():
        x ^= c
    return "%02X" % x

def sentence(body):
    return "$%s*%s\r\n" % (body, checksum(body))

def track_points():
    """Centre line of the circuit as (x, y) metres, closed, ~1.3 km."""
    pts = []
    def straight(x0, y0, x1, y1, n):
        for i in range(n):
            t = i / n
            pts.append((x0 + (x1 - x0) * t, y0 + (y1 - y0) * t))
    def arc(cx, cy, r, a0, a1, n):
        for i in range(n):
            a = a0 + (a1 - a0) * i / n
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    straight(0, 0, 400, 0, 80)
    arc(400, 60, 60, -math.pi / 2, math.pi / 2, 40)
    straight(400, 120, 250, 120, 30)
    arc(250, 160, 40, -math.pi / 2, -math.pi * 1.5, 30)   # hairpin left
    straight(250, 200, 100, 200, 30)
    arc(100, 100, 100, math.pi / 2, math.pi * 1.5, 50)
    return pts

def resample(pts):
    seg = []
    total = 0.0
    for i in range(len(pts)):
        a, b = pts[i], pts[(i + 1) % len(pts)]
        d = math.hypot(b[0] - a[0], b[1] - a[1])
        seg.append((a, b, total, d))
        total += d
    return seg, total

def locate(seg, total, s):
    s %= total
    for a, b, start, d in seg:
        if s <= start + d:
            t = (s - start) / d if d else 0
            return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t), math.atan2(b[0] - a[0], b[1] - a[1])
    a, b, _, _ = seg[-1]
    return b, 0.0

def curvature_speed(seg, total, s):
    """Slower where the line bends: look at the heading change ahead."""
    _, h0 = locate(seg, total, s)
    _, h1 = locate(seg, total, s + 30)
    turn = abs((h1 - h0 + math.pi) % (2 * math.pi) - math.pi)
    return max(14.0, 42.0 - turn * 30.0)

def nmea_lat(lat):
    hemi = "N" if lat >= 0 else "S"
    lat = abs(lat)
    d = int(lat)
    return "%02d%07.4f" % (d, (lat - d) * 60), hemi

def nmea_lon(lon):
    hemi = "E" if lon >= 0 else "W"
    lon = abs(lon)
    d = int(lon)
    return "%03d%07.4f" % (d, (lon - d) * 60), hemi

def main():
    rnd = random.Random(7)
    pts = track_points()
    seg, total = resample(pts)
    out = []
    t = 13 * 3600 + 5 * 60  # 13:05:00 UTC
    day, month, year = 14, 6, 26
    s = -120.0  # start in the pit lane, before the line
    v = 0.0
    laps_to_drive = 5  # out-lap, three flying laps, in-lap
    tick = 0
    sats = [(3, 62, 45), (6, 40, 120), (9, 25, 300), (12, 70, 200), (17, 15, 80),
            (19, 33, 250), (22, 55, 10), (25, 10, 160), (28, 48, 330)]
    while s < total * laps_to_drive:
        target = curvature_speed(seg, total, s)
        if s > total * (laps_to_drive - 0.3):
            target = 12.0  # in-lap: slow to the pits
        v += max(-6.0, min(4.0, (target - v))) / RATE
        s += v / RATE
        (x, y), heading = locate(seg, total, s)
        x += rnd.gauss(0, 0.15)
        y += rnd.gauss(0, 0.15)
        lat = ORIGIN_LAT + math.degrees(y / EARTH)
        lon = ORIGIN_LON + math.degrees(x / (EARTH * math.cos(math.radians(ORIGIN_LAT))))
        hh, mm, ss = t // 3600, t // 60 % 60, t % 60
        frac = tick % RATE * (10 // RATE)
        clock = "%02d%02d%02d.%d0" % (hh, mm, ss, frac)
        la, ns = nmea_lat(lat)
        lo, ew = nmea_lon(lon)
        knots = v * 3600 / 1852
        course = math.degrees(heading) % 360
        date = "%02d%02d%02d" % (day, month, year)
        out.append(sentence("GPRMC,%s,A,%s,%s,%s,%s,%.2f,%.1f,%s,,,A" % (clock, la, ns, lo, ew, knots, course, date)))
        out.append(sentence("GPGGA,%s,%s,%s,%s,%s,1,09,0.9,%.1f,M,47.3,M,," % (clock, la, ns, lo, ew, 410.0 + y / 50)))
        out.append(sentence("GPVTG,%.1f,T,,M,%.2f,N,%.2f,K,A" % (course, knots, v * 3.6)))
        if tick % RATE == 0:
            used = ",".join(str(p) for p, _, _ in sats[:9]) + ",,,"
            out.append(sentence("GPGSA,A,3,%s,1.6,0.9,1.3" % used))
            for m in range(3):
                group = sats[m * 3:(m + 1) * 3]
                fields = ",".join("%02d,%02d,%03d,%02d" % (p, e, a, 30 + (p * 7 + tick // RATE) % 15) for p, e, a in group)
                out.append(sentence("GPGSV,3,%d,09,%s" % (m + 1, fields)))
        tick += 1
        if tick % RATE == 0:
            t += 1
    with open("data/demo/demo.nmea", "w", newline="") as f:
        f.writelines(out)

if __name__ == "__main__":
    main()
