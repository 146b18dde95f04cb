#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a generated sequence and its decoding against the standard genetic
# code (NCBI table 1), written here independently of the program:
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


sequence = open(sys.argv[1], encoding="utf-8", newline="").read()
decoded = open(sys.argv[2], encoding="utf-8", newline="").read()
length = int(sys.argv[3])
ok = True
if not re.fullmatch(f"[ATGC]{{{length}}}", sequence):
    print(f"sequence: not {length} letters A, T, G, C: {sequence[:60]!r}...")
    ok = False
expected = "".join(label(sequence[i:i + 3]) for i in range(0, length, 3))
# A copy from the box has the box's line breaks, whatever kind they are.
if decoded.replace("\r\n", "\n") != expected.replace("\r\n", "\n"):
    print(f"decoded: {decoded[:80]!r}... expected {expected[:80]!r}...")
    ok = False
sys.exit(0 if ok else 1)
