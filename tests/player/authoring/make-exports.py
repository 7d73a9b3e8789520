#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT
"""Writes two small documents (a text with formulas, a bordered table and a
picture; two slides, one with a picture) and exports them with LibreOffice
the way teachers do: the text to XHTML and to HTML with embedded pictures,
the slides to HTML. Run once; the exports are kept next to this script as
test data (see README.md)."""

import base64
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png(width, height, rgb):
    raw = b''.join(b'\x00' + bytes(rgb) * width for _ in range(height))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)

    header = struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')


NAMESPACES = ' '.join([
    'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"',
    'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"',
    'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"',
    'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"',
    'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"',
    'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"',
    'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"',
    'xmlns:math="http://www.w3.org/1998/Math/MathML"',
    'xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"',
])

# Green 60 x 40: the picture the tests look for.
PICTURE = base64.b64encode(png(60, 40, (30, 170, 60))).decode()


def formula(name, mathml, annotation):
    return ('<draw:frame draw:name="%s" text:anchor-type="as-char" svg:width="2cm" svg:height="1cm"><draw:object>'
            '<math:math><math:semantics>%s<math:annotation encoding="StarMath 5.0">%s</math:annotation>'
            '</math:semantics></math:math></draw:object></draw:frame>' % (name, mathml, annotation))


def cell(text):
    return '<table:table-cell table:style-name="Cell"><text:p>%s</text:p></table:table-cell>' % text


def text_document():
    ohm = formula('Formula1', '<math:mrow><math:mi>R</math:mi><math:mo>=</math:mo><math:mfrac><math:mrow>'
                  '<math:mi>ρ</math:mi><math:mi>l</math:mi></math:mrow><math:mi>S</math:mi></math:mfrac>'
                  '</math:mrow>', 'R = {%rho l} over S')
    root = formula('Formula2', '<math:mrow><math:msqrt><math:mi>x</math:mi></math:msqrt><math:mo>+</math:mo>'
                   '<math:msup><math:mi>x</math:mi><math:mn>2</math:mn></math:msup></math:mrow>', 'sqrt x + x^2')
    rows = ''.join('<table:table-row>%s%s</table:table-row>' % (cell(a), cell(b))
                   for a, b in [('Диэлектрики', 'Фарфор'), ('Проводники', 'Медь')])
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:version="1.3" '
            'office:mimetype="application/vnd.oasis.opendocument.text"><office:automatic-styles>'
            '<style:style style:name="Cell" style:family="table-cell"><style:table-cell-properties '
            'fo:border="0.5pt solid #000000" fo:padding="0.1cm"/></style:style></office:automatic-styles>'
            '<office:body><office:text><text:h text:outline-level="1">Закон Ома</text:h>'
            '<text:p>Сопротивление проводника: %s</text:p><text:p>Корень: %s</text:p>'
            '<table:table table:name="Materials"><table:table-column table:number-columns-repeated="2"/>%s'
            '</table:table><text:p>Рисунок: <draw:frame draw:name="Picture1" text:anchor-type="as-char" '
            'svg:width="1.6cm" svg:height="1.06cm"><draw:image><office:binary-data>%s</office:binary-data>'
            '</draw:image></draw:frame></text:p></office:text></office:body></office:document>\n'
            % (NAMESPACES, ohm, root, rows, PICTURE))


def slide(name, title, extra=''):
    return ('<draw:page draw:name="%s"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm">'
            '<draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame>%s</draw:page>' % (name, title, extra))


def slides_document():
    picture = ('<draw:frame svg:x="2cm" svg:y="6cm" svg:width="6cm" svg:height="4cm"><draw:image>'
               '<office:binary-data>%s</office:binary-data></draw:image></draw:frame>' % PICTURE)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:version="1.3" '
            'office:mimetype="application/vnd.oasis.opendocument.presentation"><office:body><office:presentation>'
            '%s%s</office:presentation></office:body></office:document>\n'
            % (NAMESPACES, slide('Slide1', 'Электростатика'), slide('Slide2', 'Закон Кулона', picture)))


def convert(source, target_format, output):
    with tempfile.TemporaryDirectory() as work:
        profile = 'file://' + os.path.join(work, 'profile')
        subprocess.run(['soffice', '--headless', '-env:UserInstallation=' + profile, '--convert-to', target_format,
                        '--outdir', work, source], check=True, stdout=subprocess.DEVNULL)
        made = [name for name in os.listdir(work) if name != 'profile']
        if len(made) != 1:
            sys.exit('expected one file from %s, got %s' % (source, made))
        shutil.copyfile(os.path.join(work, made[0]), os.path.join(HERE, output))


def main():
    with tempfile.TemporaryDirectory() as work:
        text = os.path.join(work, 'ohm.fodt')
        slides = os.path.join(work, 'slides.fodp')
        with open(text, 'w', encoding='utf-8') as f:
            f.write(text_document())
        with open(slides, 'w', encoding='utf-8') as f:
            f.write(slides_document())
        convert(text, 'xhtml:XHTML Writer File:UTF8', 'writer-xhtml.xhtml')
        convert(text, 'html:HTML (StarWriter):EmbedImages', 'writer-embedded.html')
        convert(slides, 'html', 'impress.html')


if __name__ == '__main__':
    main()
