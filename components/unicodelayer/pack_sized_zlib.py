# Writes a file as the projector carries its Unicode layer: the size as a 32-bit little-endian number, then the
# bytes as one zlib stream.
import struct
import sys
import zlib

with open(sys.argv[1], "rb") as f:
    data = f.read()
with open(sys.argv[2], "wb") as f:
    f.write(struct.pack("<I", len(data)))
    f.write(zlib.compress(data, 9))
