#!/usr/bin/env python3
"""Puts a type library's help context where oleaut32 reads it.

widl writes the library statement's helpcontext into the MSFT header word at
offset 44 and its helpstringcontext into the word at offset 40, but the
library's help context is read from offset 40 (ITypeLib::GetDocumentation
gave 0). Swapping the two words gives the layout the readers expect. Run once
on each file widl writes; a library without either attribute is unchanged.
"""
import struct
import sys

HELPSTRINGCONTEXT_OFFSET = 40  # read back as the library's help context
HELPCONTEXT_OFFSET = 44        # where widl put it

path = sys.argv[1]
with open(path, "r+b") as f:
    header = bytearray(f.read(48))
    if header[:4] != b"MSFT":
        sys.exit(f"{path}: not an MSFT type library")
    first, second = struct.unpack_from("<ii", header, HELPSTRINGCONTEXT_OFFSET)
    struct.pack_into("<ii", header, HELPSTRINGCONTEXT_OFFSET, second, first)
    f.seek(0)
    f.write(header)
