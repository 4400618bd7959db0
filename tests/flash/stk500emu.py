#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
"""An STK500v1 programmer (avrdude's "arduino" type) with an ATmega8 behind it, for tests.

It opens a pseudo-terminal pair, links --port (inside the test's private folder) to the
pair's terminal side, prints "ready" and answers avrdude there until it is
killed or has been idle for --idle seconds. The chip is 8 KiB of flash in memory.

  --flash FILE.hex   the flash at start (0xFF elsewhere)
  --signature HEX    the three signature bytes (default 1e9307, an ATmega8)
  --flip ADDR        the flash byte at ADDR reads back inverted after a page is written there
                     (a bad cell), so that avrdude's verify fails
  --mute-after N     stop answering after N commands (a programmer that hangs)
  --mute-writing     stop answering at the first page written (a programmer that hangs mid-write)
  --unreadable N     the flash cannot be read in the first N programming sessions (a loose
                     wire on the first try): reads there answer "failed"
  --dump FILE        write the flash as raw bytes to FILE after every page written
"""
import argparse
import os
import select
import sys
import tty

FLASH_SIZE = 8192
INSYNC, OK, FAILED, NOSYNC, EOP = 0x14, 0x10, 0x11, 0x15, 0x20


def read_hex(path):
    flash = bytearray(b"\xff" * FLASH_SIZE)
    base = 0
    with open(path) as text:
        for line in text:
            line = line.strip()
            if not line.startswith(":"):
                continue
            record = bytes.fromhex(line[1:])
            count, address, kind = record[0], (record[1] << 8) | record[2], record[3]
            if kind == 0:
                start = base + address
                flash[start:start + count] = record[4:4 + count]
            elif kind == 2:
                base = ((record[4] << 8) | record[5]) << 4
            elif kind == 4:
                base = ((record[4] << 8) | record[5]) << 16
            elif kind == 1:
                break
    return flash


class Chip:
    def __init__(self, args):
        self.flash = read_hex(args.flash) if args.flash else bytearray(b"\xff" * FLASH_SIZE)
        self.signature = bytes.fromhex(args.signature)
        self.flip = args.flip
        self.mute_after = args.mute_after
        self.unreadable = args.unreadable
        self.mute_writing = args.mute_writing
        self.sessions = 0
        self.dump = args.dump
        self.address = 0  # in words for flash
        self.commands = 0

    def save(self):
        if self.dump:
            with open(self.dump, "wb") as out:
                out.write(self.flash)


def serve(fd, chip, idle):
    pending = bytearray()

    def take(n):
        while len(pending) < n:
            ready, _, _ = select.select([fd], [], [], idle)
            if not ready:
                sys.exit(0)
            pending.extend(os.read(fd, 4096))
        data = bytes(pending[:n])
        del pending[:n]
        return data

    def answer(*payload):
        if chip.mute_after is not None and chip.commands > chip.mute_after:
            return
        os.write(fd, bytes([INSYNC, *payload, OK]))

    while True:
        command = take(1)[0]
        chip.commands += 1
        if command == 0x30:  # get sync
            take(1)
            answer()
        elif command == 0x41:  # get parameter
            parameter = take(2)[0]
            answer({0x80: 2, 0x81: 4, 0x82: 4}.get(parameter, 0))
        elif command == 0x40:  # set parameter
            take(3)
            answer()
        elif command == 0x42:  # set device
            take(21)
            answer()
        elif command == 0x45:  # set device, extended: the count includes itself
            count = take(1)[0]
            take(count)
            answer()
        elif command in (0x50, 0x51):  # enter, leave programming mode
            take(1)
            chip.sessions += 1 if command == 0x50 else 0
            answer()
        elif command == 0x55:  # load address (words for flash)
            low, high, _ = take(3)
            chip.address = low | (high << 8)
            answer()
        elif command == 0x56:  # universal
            a, b, c, d, _ = take(5)
            result = 0
            if a == 0xAC and b == 0x80:  # chip erase
                chip.flash[:] = b"\xff" * FLASH_SIZE
                chip.save()
            elif a == 0x30:  # signature byte c
                result = chip.signature[c & 3] if (c & 3) < 3 else 0
            elif a in (0x20, 0x28) and chip.sessions <= chip.unreadable:
                os.write(fd, bytes([FAILED]))
                continue
            elif a in (0x20, 0x28):  # flash byte, low or high
                address = 2 * ((b << 8) | c) + (1 if a == 0x28 else 0)
                result = chip.flash[address % FLASH_SIZE]
            else:
                result = 0xFF if a in (0x50, 0x58) else 0
            answer(result)
        elif command == 0x75:  # read signature
            take(1)
            answer(*chip.signature)
        elif command == 0x64:  # program page
            high, low, memory = take(3)
            data = take((high << 8) | low)
            take(1)
            if chip.mute_writing:
                chip.mute_after = 0
            if memory == ord("F"):
                start = 2 * chip.address
                for i, byte in enumerate(data):
                    chip.flash[(start + i) % FLASH_SIZE] = byte
                if chip.flip is not None and start <= chip.flip < start + len(data):
                    chip.flash[chip.flip] ^= 0xFF
                chip.save()
            answer()
        elif command == 0x74:  # read page
            high, low, memory = take(3)
            take(1)
            if chip.sessions <= chip.unreadable:
                os.write(fd, bytes([FAILED]))
                continue
            length = (high << 8) | low
            if memory == ord("F"):
                start = 2 * chip.address
                data = bytes(chip.flash[(start + i) % FLASH_SIZE] for i in range(length))
            else:
                data = b"\xff" * length
            answer(*data)
        else:
            # Unknown: its arguments up to the end mark.
            while take(1)[0] != EOP:
                pass
            if chip.mute_after is None or chip.commands <= chip.mute_after:
                os.write(fd, bytes([0x12]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", required=True)
    parser.add_argument("--flash")
    parser.add_argument("--signature", default="1e9307")
    parser.add_argument("--flip", type=lambda text: int(text, 0))
    parser.add_argument("--mute-after", type=int)
    parser.add_argument("--mute-writing", action="store_true")
    parser.add_argument("--unreadable", type=int, default=0)
    parser.add_argument("--dump")
    parser.add_argument("--idle", type=float, default=120)
    args = parser.parse_args()
    chip = Chip(args)

    master, terminal = os.openpty()
    tty.setraw(terminal)
    tty.setraw(master)
    # A link in the test's folder to the pair's terminal: a device node made elsewhere would
    # not reach this pseudo-terminal instance.
    os.symlink(os.ttyname(terminal), args.port)
    print("ready", flush=True)
    # The terminal side stays open here, so that avrdude closing it hangs nothing up.
    serve(master, chip, args.idle)


if __name__ == "__main__":
    main()
