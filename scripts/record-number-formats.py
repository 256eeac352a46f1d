#!/usr/bin/env python3
"""Records the texts LibreOffice Calc (locale ja-JP) displays for number formats.

Reads "code<TAB>value" lines on standard input, writes an .xlsx holding each
value with its format code, converts it to CSV with soffice --headless (cells
as shown) and prints "code<TAB>value<TAB>text" lines. Add --1904 for the 1904
date system. Used to record the expectations of the Japanese number-format
tests; see the notes there on where LibreOffice and Excel differ.
"""
import csv
import html
import io
import os
import subprocess
import sys
import tempfile
import zipfile

NS = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
REL = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
PKG = 'http://schemas.openxmlformats.org/package/2006/relationships'


def write_xlsx(path, cases, date1904):
    fmts = ''.join(f'<numFmt numFmtId="{164 + i}" formatCode="{html.escape(c, quote=True)}"/>'
                   for i, (c, _) in enumerate(cases))
    xfs = '<xf numFmtId="0"/>' + ''.join(f'<xf numFmtId="{164 + i}" applyNumberFormat="1"/>'
                                         for i in range(len(cases)))
    rows = ''.join(f'<row r="{i + 1}"><c r="A{i + 1}" s="{i + 1}"><v>{v}</v></c></row>'
                   for i, (_, v) in enumerate(cases))
    with zipfile.ZipFile(path, 'w') as z:
        z.writestr('[Content_Types].xml',
                   '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                   '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                   '<Default Extension="xml" ContentType="application/xml"/>'
                   '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
                   '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
                   '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/></Types>')
        z.writestr('_rels/.rels', f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/officeDocument" Target="xl/workbook.xml"/></Relationships>')
        z.writestr('xl/_rels/workbook.xml.rels',
                   f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
                   f'<Relationship Id="rId2" Type="{REL}/styles" Target="styles.xml"/></Relationships>')
        z.writestr('xl/workbook.xml', f'<workbook xmlns="{NS}" xmlns:r="{REL}">'
                   + ('<workbookPr date1904="1"/>' if date1904 else '')
                   + '<sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>')
        z.writestr('xl/styles.xml', f'<styleSheet xmlns="{NS}"><numFmts>{fmts}</numFmts><fonts count="1"><font/></fonts>'
                   '<fills count="1"><fill/></fills><borders count="1"><border/></borders>'
                   f'<cellStyleXfs count="1"><xf/></cellStyleXfs><cellXfs>{xfs}</cellXfs></styleSheet>')
        z.writestr('xl/worksheets/sheet1.xml', f'<worksheet xmlns="{NS}"><sheetData>{rows}</sheetData></worksheet>')


def main():
    date1904 = '--1904' in sys.argv
    cases = [tuple(line.rstrip('\n').rsplit('\t', 1)) for line in sys.stdin if '\t' in line]
    with tempfile.TemporaryDirectory() as tmp:
        profile = os.path.join(tmp, 'profile', 'user')
        os.makedirs(profile)
        # A Japanese locale for the number formatter.
        with open(os.path.join(profile, 'registrymodifications.xcu'), 'w') as f:
            f.write('<?xml version="1.0" encoding="UTF-8"?><oor:items xmlns:oor="http://openoffice.org/2001/registry">'
                    '<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooSetupSystemLocale" oor:op="fuse">'
                    '<value>ja-JP</value></prop></item></oor:items>')
        book = os.path.join(tmp, 'cases.xlsx')
        write_xlsx(book, cases, date1904)
        subprocess.run(['soffice', '--headless', f'-env:UserInstallation=file://{tmp}/profile',
                        '--convert-to', 'csv:Text - txt - csv (StarCalc):9,34,76,1,,1041,false,false,true,false,false',
                        '--outdir', tmp, book], check=True, capture_output=True)
        with open(os.path.join(tmp, 'cases.csv'), encoding='utf-8') as f:
            shown = [row[0] if row else '' for row in csv.reader(f, delimiter='\t')]
    for (code, value), text in zip(cases, shown):
        print(f'{code}\t{value}\t{text}')


if __name__ == '__main__':
    main()
