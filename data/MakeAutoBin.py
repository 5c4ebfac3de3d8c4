#!/usr/bin/env python3
"""Writes the automobile limits file "auto.bin" the program ships.

The figures below are sample values made up for this program: they have the shape of yearly
automobile depreciation caps and lease inclusion amounts, but they are not any authority's table.
Users replace the file with the figures that apply to them.

Layout (1824 bytes, little-endian 32-bit floats): 75 rows of a fair-market-value threshold and
the lease inclusion amounts of lease years 1 to 5 (ascending thresholds); the table's year; the
maximum depreciation of tax years 1 to 4; the maximum depreciation of every later tax year.
"""
import struct
import sys

TABLE_YEAR = 1997

# Maximum depreciation of tax years 1, 2, 3, 4, then of each later year.
MAX_DEPRECIATION = (3200, 5100, 3050, 1850, 1850)

# Fair-market-value threshold, then the inclusion amounts of lease years 1..5.
INCLUSION_ROWS = (
    (15800, 6, 13, 20, 23, 27), (16100, 10, 22, 32, 39, 45), (16400, 13, 29, 42, 51, 58),
    (16700, 16, 35, 52, 62, 72), (17000, 20, 44, 65, 78, 90), (17300, 23, 51, 75, 90, 104),
    (17600, 27, 59, 88, 105, 122), (17900, 30, 66, 98, 117, 135), (18200, 33, 73, 107, 129, 148),
    (18500, 37, 81, 120, 144, 166), (18800, 40, 88, 130, 156, 180), (19100, 43, 95, 140, 168, 194),
    (19400, 47, 103, 153, 183, 212), (19700, 50, 110, 162, 195, 225),
    (20000, 53, 117, 172, 207, 238), (20300, 57, 125, 185, 222, 256),
    (20600, 60, 132, 195, 234, 270), (20900, 63, 139, 205, 246, 284),
    (21200, 67, 147, 218, 261, 302), (21500, 70, 154, 228, 273, 315),
    (21800, 74, 163, 240, 289, 333), (22300, 79, 174, 257, 308, 356),
    (22800, 85, 187, 276, 332, 382), (23300, 90, 198, 292, 351, 405),
    (23800, 96, 211, 312, 374, 432), (24300, 102, 224, 332, 398, 459),
    (24800, 107, 235, 348, 417, 482), (25300, 113, 249, 367, 441, 508),
    (25800, 118, 260, 384, 460, 531), (26300, 124, 273, 403, 484, 558),
    (26800, 130, 286, 422, 507, 585), (27300, 135, 297, 439, 526, 608),
    (27800, 141, 310, 458, 550, 634), (28300, 146, 321, 474, 569, 657),
    (28800, 152, 334, 494, 593, 684), (29300, 158, 348, 514, 616, 711),
    (29800, 163, 359, 530, 636, 734), (30300, 169, 372, 549, 659, 760),
    (30800, 174, 383, 566, 679, 783), (31300, 180, 396, 585, 702, 810),
    (31800, 186, 409, 604, 725, 837), (32800, 197, 433, 640, 768, 886),
    (33800, 208, 458, 676, 811, 936), (34800, 219, 482, 712, 854, 986),
    (35800, 230, 506, 748, 897, 1035), (36800, 242, 532, 786, 944, 1089),
    (37800, 253, 557, 822, 987, 1138), (38800, 264, 581, 858, 1030, 1188),
    (39800, 275, 605, 894, 1072, 1238), (40800, 286, 629, 930, 1115, 1287),
    (41800, 298, 656, 968, 1162, 1341), (42800, 309, 680, 1004, 1205, 1390),
    (43800, 320, 704, 1040, 1248, 1440), (44800, 331, 728, 1076, 1291, 1490),
    (45800, 342, 752, 1112, 1334, 1539), (46800, 354, 779, 1150, 1381, 1593),
    (49300, 382, 840, 1242, 1490, 1719), (51800, 410, 902, 1332, 1599, 1845),
    (54300, 438, 964, 1424, 1708, 1971), (56800, 466, 1025, 1514, 1817, 2097),
    (59300, 494, 1087, 1606, 1927, 2223), (61800, 522, 1148, 1696, 2036, 2349),
    (64300, 550, 1210, 1788, 2145, 2475), (66800, 578, 1272, 1878, 2254, 2601),
    (69300, 606, 1333, 1970, 2363, 2727), (71800, 634, 1395, 2060, 2473, 2853),
    (81800, 746, 1641, 2424, 2909, 3357), (91800, 858, 1888, 2788, 3346, 3861),
    (101800, 970, 2134, 3152, 3783, 4365), (111800, 1082, 2380, 3516, 4220, 4869),
    (121800, 1194, 2627, 3880, 4657, 5373), (131800, 1306, 2873, 4244, 5093, 5877),
    (141800, 1418, 3120, 4608, 5530, 6381), (151800, 1530, 3366, 4972, 5967, 6885),
    (161800, 1642, 3612, 5336, 6404, 7389),
)


def build():
    if len(INCLUSION_ROWS) != 75 or len(MAX_DEPRECIATION) != 5:
        raise SystemExit("auto.bin needs 75 inclusion rows and 5 depreciation limits")
    thresholds = [row[0] for row in INCLUSION_ROWS]
    if any(a >= b for a, b in zip(thresholds, thresholds[1:])):
        raise SystemExit("auto.bin thresholds must ascend")
    data = b"".join(struct.pack("<6f", *row) for row in INCLUSION_ROWS)
    data += struct.pack("<f", TABLE_YEAR) + struct.pack("<5f", *MAX_DEPRECIATION)
    assert len(data) == 1824
    return data


def main():
    if len(sys.argv) != 2:
        raise SystemExit("usage: MakeAutoBin.py <output file>")
    with open(sys.argv[1], "wb") as out:
        out.write(build())


if __name__ == "__main__":
    main()
