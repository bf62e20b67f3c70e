#!/usr/bin/env python3
"""An ELM327-style OBD-II adapter and its vehicle, on a pseudo-terminal.

Prints the path of the terminal's slave side on the first line of its
output, then answers whoever opens it until it is killed or stdin ends:

  AT commands  ATZ (reset: "ELM327 v1.5"), ATI, ATE0/ATE1 (echo, on after a
               reset), ATL0/ATL1 (line feed after each CR), ATS0/ATS1
               (spaces between bytes), ATH0/ATH1, ATSPn, ATAT, ATST: "OK";
               anything else "?".
  mode 01      00/20/40: the bitmaps of the PIDs served; 0C rpm, 0D speed,
               11 throttle, 05 coolant, from the value lists below, each
               request taking the next value (round and round); the first
               request after a reset or ATSP is preceded by "SEARCHING...";
               a PID that is not served gives "NO DATA".
  every reply  ends in CR CR and the ">" prompt.

Options:
  --rpm 800,1200   engine speeds served, in rpm (steps of 0.25)
  --speed KMH,...  --throttle PERCENT,...  --coolant CELSIUS,...
  --delay MS       wait before every reply (a slow adapter)
  --garble N       every Nth mode-01 value reply is garbled: cut short, a
                   byte that is not hexadecimal, or another PID's header
  --refuse N       answer the first N commands with "?"
  --log FILE       one line per command: the command, a tab, the reply as
                   sent (CR as "|"), and a tab and "garbled" when it was
"""
import argparse
import os
import select
import sys
import time
import tty


def values(text, convert):
    return [convert(float(v)) for v in text.split(",")] if text else []


class Vehicle:
    def __init__(self, args):
        self.pids = {}
        if args.rpm:
            self.pids[0x0C] = [[r >> 8, r & 0xFF] for r in values(args.rpm, lambda v: int(round(v * 4)))]
        if args.speed:
            self.pids[0x0D] = [[v] for v in values(args.speed, lambda v: int(round(v)))]
        if args.throttle:
            self.pids[0x11] = [[v] for v in values(args.throttle, lambda v: int(round(v * 2.55)))]
        if args.coolant:
            self.pids[0x05] = [[v] for v in values(args.coolant, lambda v: int(round(v)) + 40)]
        self.next = {pid: 0 for pid in self.pids}

    def bitmap(self, base):
        """Bit 31 stands for PID base+1 ... bit 1 for base+31; bit 0 says the next bitmap exists."""
        mask = 1 if any(p > base + 32 for p in self.pids) else 0
        for pid in self.pids:
            if base < pid < base + 32:
                mask |= 1 << (32 - (pid - base))
        return [mask >> 24 & 0xFF, mask >> 16 & 0xFF, mask >> 8 & 0xFF, mask & 0xFF]

    def reply(self, pid):
        """The data bytes after "41 PP", or None for NO DATA."""
        if pid in (0x00, 0x20, 0x40):
            return self.bitmap(pid) if pid == 0 or any(p > pid for p in self.pids) else None
        if pid not in self.pids:
            return None
        served = self.pids[pid][self.next[pid] % len(self.pids[pid])]
        self.next[pid] += 1
        return served


class Adapter:
    def __init__(self, args):
        self.args = args
        self.vehicle = Vehicle(args)
        self.log = open(args.log, "w") if args.log else None
        self.value_replies = 0
        self.reset()

    def reset(self):
        self.echo, self.linefeed, self.spaces, self.searching = True, False, True, True

    def answer(self, command):
        word = command.replace(" ", "").upper()
        garbled = False
        if self.args.refuse > 0:
            self.args.refuse -= 1
            text = "?"
        elif word == "ATZ":
            self.reset()
            text = "\r\rELM327 v1.5"
        elif word == "ATI":
            text = "ELM327 v1.5"
        elif word in ("ATE0", "ATE1", "ATL0", "ATL1", "ATS0", "ATS1", "ATH0", "ATH1") or \
                word.startswith(("ATSP", "ATAT", "ATST")):
            if word[2] == "E":
                self.echo = word[3] == "1"
            if word[2] == "L":
                self.linefeed = word[3] == "1"
            if word[2] == "S" and word[3] in "01":
                self.spaces = word[3] == "1"
            if word.startswith("ATSP"):
                self.searching = True
            text = "OK"
        elif len(word) == 4 and word.startswith("01") and all(c in "0123456789ABCDEF" for c in word[2:]):
            pid = int(word[2:], 16)
            data = self.vehicle.reply(pid)
            text = "SEARCHING...\r" if self.searching else ""
            self.searching = False
            if data is None:
                text += "NO DATA"
            else:
                reply = [0x41, pid] + data
                if pid % 0x20 != 0:
                    self.value_replies += 1
                    garbled = self.args.garble > 0 and self.value_replies % self.args.garble == 0
                text += self.garble(reply) if garbled else self.hex(reply)
        else:
            text = "?"
        if self.log:
            self.log.write("%s\t%s%s\n" % (command, text.replace("\r", "|"), "\tgarbled" if garbled else ""))
            self.log.flush()
        out = (command + "\r" if self.echo else "") + text + "\r\r"
        if self.linefeed:
            out = out.replace("\r", "\r\n")
        return out + ">"

    def hex(self, data):
        return (" " if self.spaces else "").join("%02X" % b for b in data)

    def garble(self, reply):
        kind = self.value_replies // self.args.garble % 3
        if kind == 0:
            return self.hex(reply[:-1])  # cut short
        if kind == 1:
            return self.hex(reply)[:-1] + "#"  # not hexadecimal
        return self.hex([0x41, reply[1] ^ 0x01] + reply[2:])  # another PID's header


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("--rpm", "--speed", "--throttle", "--coolant", "--log"):
        parser.add_argument(name)
    parser.add_argument("--delay", type=int, default=0)
    parser.add_argument("--garble", type=int, default=0)
    parser.add_argument("--refuse", type=int, default=0)
    args = parser.parse_args()
    master, slave = os.openpty()
    tty.setraw(slave)  # until the program opens it: no echo of our replies back to us
    print(os.ttyname(slave), flush=True)
    adapter = Adapter(args)
    line = ""
    while True:
        ready, _, _ = select.select([master, sys.stdin], [], [])
        if sys.stdin in ready and not os.read(sys.stdin.fileno(), 64):
            return
        if master not in ready:
            continue
        for c in os.read(master, 256).decode("latin-1"):
            if c == "\r":
                if args.delay:
                    time.sleep(args.delay / 1000.0)
                os.write(master, adapter.answer(line).encode("latin-1"))
                line = ""
            elif c != "\n":
                line += c


if __name__ == "__main__":
    main()
