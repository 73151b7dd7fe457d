#!/usr/bin/env python3
"""Converts a UTF-8 text file to UTF-16 little-endian with a byte-order mark and CR LF line ends."""
import sys

with open(sys.argv[1], encoding='utf-8', newline='') as f:
    text = f.read().replace('\r\n', '\n').replace('\n', '\r\n')
with open(sys.argv[2], 'wb') as f:
    f.write(b'\xff\xfe' + text.encode('utf-16-le'))
