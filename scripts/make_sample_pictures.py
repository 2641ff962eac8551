#!/usr/bin/env python3
"""Writes examples/sales_order/voucher_pictures.xml: the sample order's
pictures (a product picture for inventory A-1001 and the company logo under
the fixed picture GUID), drawn here as small PNG files so that the examples
need no image from elsewhere. Run it again after changing a drawing."""
import base64
import math
import os
import struct
import zlib

PRODUCT_GUID = "6B1C2E40-5A7D-4C3B-9E21-A1001A1001A1"
LOGO_GUID = "F32234FC-43DD-4705-9F22-2B0141F909F5"


def png(width, height, pixel):
    """A truecolour PNG of pixel(x, y) -> (r, g, b)."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # no filter
        for x in range(width):
            raw.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def gauge(x, y):
    """A pressure gauge: grey ring, white face, red needle at two o'clock."""
    cx = cy = 23.5
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    if r > 23:
        return (255, 255, 255)
    if r > 19:
        return (90, 96, 104)
    angle = math.radians(-30)
    ux, uy = math.cos(angle), math.sin(angle)
    along = dx * ux + dy * uy
    across = abs(-dx * uy + dy * ux)
    if 0 <= along <= 16 and across <= 1.2:
        return (200, 30, 30)
    if r <= 2.5:
        return (40, 40, 40)
    return (250, 250, 245)


def logo(x, y):
    """A blue band with three white bars."""
    if 4 <= y < 28 and 4 <= x < 92:
        if 10 <= y < 22 and any(s <= x < s + 14 for s in (14, 40, 66)):
            return (255, 255, 255)
        return (20, 70, 160)
    return (255, 255, 255)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    out = os.path.join(root, "examples", "sales_order", "voucher_pictures.xml")
    product = base64.b64encode(png(48, 48, gauge)).decode()
    company = base64.b64encode(png(96, 32, logo)).decode()
    text = f"""<?xml version="1.0" encoding="utf-8"?>
<!--
  Pictures of the sample order, written by scripts/make_sample_pictures.py
  (do not edit by hand): the product picture of inventory A-1001 and the
  company logo under the fixed picture GUID. Picture values are Base64.
-->
<voucher-data>
  <table name="AA_Picture" primary-key="cGUID">
    <column name="cGUID" type="string" size="40"/>
    <column name="cPicName" type="string" size="100"/>
    <column name="Picture" type="binary"/>
    <row cGUID="{PRODUCT_GUID}" cPicName="数字压力表"
         Picture="{product}"/>
    <row cGUID="{LOGO_GUID}" cPicName="公司标志"
         Picture="{company}"/>
  </table>
  <table name="inventory" primary-key="cInvCode">
    <column name="cInvCode" type="string" size="60"/>
    <column name="cInvName" type="string" size="255"/>
    <column name="cInvStd" type="string" size="255"/>
    <column name="PictureGUID" type="string" size="40"/>
    <row cInvCode="A-1001" cInvName="数字压力表" cInvStd="0-1.6MPa" PictureGUID="{PRODUCT_GUID}"/>
    <row cInvCode="A-1002" cInvName="温度变送器" cInvStd="PT100"/>
    <row cInvCode="B-2001" cInvName="不锈钢球阀" cInvStd="DN50"/>
    <row cInvCode="B-2002" cInvName="密封垫片" cInvStd="DN50"/>
    <row cInvCode="C-3001" cInvName="流量计" cInvStd="DN80 电磁"/>
  </table>
</voucher-data>
"""
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
