#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The standard genetic code (NCBI table 1) and the program's random stream,
# written here independently of the program, for checking what it shows.
# As a script, checks a generated sequence and its decoding:
#   genetic_code.py SEQUENCE_FILE DECODED_FILE LENGTH
import re
import sys

BASES = "TCAG"
AMINO = "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG"
NAMES = dict(F="Phe", L="Leu", S="Ser", Y="Tyr", C="Cys", W="Trp", P="Pro", H="His", Q="Gln", R="Arg",
             I="Ile", M="Met", T="Thr", N="Asn", K="Lys", V="Val", A="Ala", D="Asp", E="Glu", G="Gly")


def label(codon):
    if len(codon) != 3 or any(b not in BASES for b in codon):
        return ""
    amino = AMINO[16 * BASES.index(codon[0]) + 4 * BASES.index(codon[1]) + BASES.index(codon[2])]
    return "stop\r\n\r\n" if amino == "*" else NAMES[amino] + "__"


def decoded(sequence, length):
    """The amino-acid text of a third of `length` codons, codon by codon."""
    return "".join(label(sequence[i:i + 3]) for i in range(0, length - 2, 3))


class Stream:
    """The random stream from the program's start: 24-bit linear
    congruential, each value the state over 2^24."""

    def __init__(self):
        self.state = 327680

    def next(self):
        self.state = (self.state * 1140671485 + 12820163) % (1 << 24)
        return self.state / (1 << 24)

    def generate(self, slider):
        """The sequence one press of generate draws at a slider position."""
        length = slider // 3 * 3
        for _ in range(int(self.next() * 100)):
            self.next()
        return "".join("ATGC"[int(self.next() * 4)] for _ in range(length))


if __name__ == "__main__":
    sequence = open(sys.argv[1], encoding="utf-8", newline="").read()
    shown = open(sys.argv[2], encoding="utf-8", newline="").read()
    length = int(sys.argv[3])
    ok = True
    if not re.fullmatch(f"[ATGC]{{{length}}}", sequence):
        print(f"sequence: not {length} letters A, T, G, C: {sequence[:60]!r}...")
        ok = False
    expected = decoded(sequence, length)
    # A copy from the box has the box's line breaks, whatever kind they are.
    if shown.replace("\r\n", "\n") != expected.replace("\r\n", "\n"):
        print(f"decoded: {shown[:80]!r}... expected {expected[:80]!r}...")
        ok = False
    sys.exit(0 if ok else 1)
