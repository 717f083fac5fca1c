#!/usr/bin/env python3
"""The process scan's three lookups (FileDescription, CompanyName,
ProductName of the first translation) with the pefile library, over the same
files as verinfo_bench. Prints microseconds per file.

    verinfo_bench_pefile.py [--rounds N] FOLDER...
"""
import os
import sys
import time

import pefile

KEYS = (b"FileDescription", b"CompanyName", b"ProductName")
RESOURCE = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]


def lookups(path):
    try:
        pe = pefile.PE(path, fast_load=True)
        pe.parse_data_directories(directories=[RESOURCE])
    except pefile.PEFormatError:
        return None
    try:
        if not hasattr(pe, "FileInfo"):
            return None
        translation = None
        tables = []
        for infos in pe.FileInfo:
            for info in infos:
                if info.Key == b"VarFileInfo":
                    for var in info.Var:
                        value = var.entry.get(b"Translation")
                        if value and translation is None:
                            lang, codepage = (int(x, 16) for x in value.split()[:2])
                            translation = b"%04X%04X" % (lang, codepage)
                elif info.Key == b"StringFileInfo":
                    tables.extend(info.StringTable)
        if translation is None:
            return None
        for table in tables:
            if table.LangID.upper() == translation:
                return [table.entries.get(k, b"") for k in KEYS]
        return [b"", b"", b""]
    finally:
        pe.close()


def main():
    args = sys.argv[1:]
    rounds = 5
    if args[:1] == ["--rounds"]:
        rounds = int(args[1])
        args = args[2:]
    files = [os.path.join(folder, name) for folder in args if os.path.isdir(folder)
             for name in sorted(os.listdir(folder)) if os.path.isfile(os.path.join(folder, name))]
    readable = sum(1 for f in files if lookups(f) is not None)  # warms the file cache
    start = time.perf_counter()
    for _ in range(rounds):
        for f in files:
            lookups(f)
    elapsed = time.perf_counter() - start
    print(f"verinfo_bench_pefile: {len(files)} files, {readable} with version information, {rounds} rounds")
    print(f"us_per_file {elapsed * 1e6 / (len(files) * rounds):.2f}")


if __name__ == "__main__":
    main()
