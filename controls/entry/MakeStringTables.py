#!/usr/bin/env python3
"""Builds the C++ source of the program's raw-data resources from the message-table text.

Each "[NAME]" line of the input starts a resource; each "number<TAB>text" line adds a record:
the number as an unsigned 16-bit little-endian value, then the text in Windows-1252 and a zero.
Lines that are empty or start with "#" are skipped.
"""
import sys


def read_tables(path):
    tables = {}
    current = None
    with open(path, encoding="utf-8") as source:
        for lineno, raw in enumerate(source, 1):
            line = raw.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            if line.startswith("[") and line.endswith("]"):
                current = tables.setdefault(line[1:-1], [])
                continue
            number, tab, text = line.partition("\t")
            if current is None or not tab or not number.isdigit() or int(number) > 0xFFFF:
                sys.exit(f"{path}:{lineno}: expected a message number, a tab and a text")
            if not text:
                sys.exit(f"{path}:{lineno}: an empty text would end the table")
            current.append((int(number), text.encode("cp1252")))
    return tables


def resource_bytes(records):
    data = bytearray()
    for number, text in records:
        data += number.to_bytes(2, "little") + text + b"\0"
    return data


def write_source(tables, path):
    out = ["// Made at build time from controls/entry/VcStrings.txt by MakeStringTables.py.",
           '#include "controls/entry/MessageTables.h"', "", "namespace {", ""]
    names = []
    for index, (name, records) in enumerate(tables.items()):
        data = resource_bytes(records)
        out.append(f"const Byte resource{index}[] = {{")
        for start in range(0, len(data), 16):
            out.append("    " + ", ".join(str(b) for b in data[start:start + 16]) + ",")
        out.append("};")
        names.append((name, index, len(data)))
    out += ["", "} // namespace", "",
            "std::vector<TRawResource> BuiltInResources() {", "    return {"]
    for name, index, size in names:
        out.append(f'        {{"{name}", resource{index}, {size}}},')
    out += ["    };", "}", ""]
    with open(path, "w", encoding="ascii") as target:
        target.write("\n".join(out))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: MakeStringTables.py <tables.txt> <output.cpp>")
    write_source(read_tables(sys.argv[1]), sys.argv[2])
