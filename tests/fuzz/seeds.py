#!/usr/bin/env python3
"""Writes the starting corpus of a fuzz target from the tests' own inputs.

   seeds.py TARGET CORPUS_DIR

template_parser: the example templates and every template literal of the
template and generation tests; ini_document and project_file: project and
settings texts in every encoding the ini reader tells apart; integer_cell:
the string literals of the integer and attribute tests. Every target also
gets the inputs that once failed, kept in regressions/TARGET."""
import hashlib
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
LITERAL = re.compile(r'u?8?"((?:[^"\\\n]|\\.)*)"|u?R"\((.*?)\)"', re.S)


def unescape(body):
    out, i = [], 0
    while i < len(body):
        c = body[i]
        if c != '\\':
            out.append(c)
            i += 1
            continue
        n = body[i + 1]
        if n in 'uU':
            width = 4 if n == 'u' else 8
            out.append(chr(int(body[i + 2:i + 2 + width], 16)))
            i += 2 + width
            continue
        if n == 'x':
            m = re.match(r'[0-9a-fA-F]+', body[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
            continue
        out.append({'n': '\n', 'r': '\r', 't': '\t', '0': '\0'}.get(n, n))
        i += 2
    return ''.join(out)


def literals(files):
    """String literals of C++ sources, adjacent literals joined."""
    for path in files:
        text = path.read_text(encoding='utf-8')
        joined, last_end = None, -1
        for m in LITERAL.finditer(text):
            body = m.group(2) if m.group(2) is not None else unescape(m.group(1))
            if joined is not None and text[last_end:m.start()].strip() == '':
                joined += body
            else:
                if joined is not None:
                    yield joined
                joined = body
            last_end = m.end()
        if joined is not None:
            yield joined


def write(corpus, data):
    (corpus / hashlib.sha1(data).hexdigest()).write_bytes(data)


def ini_texts():
    project = ('[SYSTEM]\r\nVERSION=1\r\n\r\n[CONFIG]\r\nTemplateFilePath=/home/u/テンプレート.html\r\n'
               'TemplateFileEncoding=1\r\nExcelFilePath= /home/u/data.xlsx \r\nHtmlSavePath=/home/u/out\r\n'
               'HtmlEncoding=0x2\r\n\r\n')
    settings = ('[SYSTEM]\nVersion=0\n[STARTUP]\nWindowPositionRestore=1\nWindowPositionLeft=-20\n'
                'WindowPositionRight=434\nWindowPositionTop=$10\nWindowPositionBottom=327\nWindowState=5\n'
                'HISTORY=/a.tbm,"/My Files/b.tbm","q""uote",\nProjectFileRestore=1\nLastProjectFile=/a.tbm\n'
                'InTaskTray=0\n; comment\nNoEquals\n[ startup ]\nLate=1\n')
    return [project, settings, 'x=1\n[]\n=v\n[a]b]\nk=a=b\r\r\n\tk2 = v \x01\n']


def ini_seeds(corpus):
    for text in ini_texts():
        write(corpus, text.encode('utf-8'))
        write(corpus, b'\xef\xbb\xbf' + text.encode('utf-8'))
        write(corpus, text.encode('cp932'))
        write(corpus, b'\xff\xfe' + text.encode('utf-16-le') + b'\x41')  # odd length
        write(corpus, b'\xfe\xff' + text.encode('utf-16-be'))
        write(corpus, text.encode('utf-8').replace(b'\n', b'\0\n', 1))


def main():
    target, corpus = sys.argv[1], pathlib.Path(sys.argv[2])
    corpus.mkdir(parents=True, exist_ok=True)
    if target == 'template_parser':
        for path in sorted((ROOT / 'examples').glob('*.html')):
            write(corpus, b'\x01' + path.read_bytes())
        tests = sorted((ROOT / 'tests/template').glob('*.cpp')) + sorted((ROOT / 'tests/generation').glob('*.cpp'))
        for text in literals(tests):
            if '<!---' in text:
                write(corpus, b'\x01' + text.encode('utf-8', 'surrogatepass'))
                write(corpus, b'\x00' + text.encode('cp932', 'replace'))
    elif target in ('ini_document', 'project_file'):
        ini_seeds(corpus)
    elif target == 'integer_cell':
        tests = [ROOT / 'tests/text/TConvertTest.cpp', ROOT / 'tests/template/TAttributesTest.cpp',
                 ROOT / 'tests/generation/TemplateUnitTest.cpp']
        for text in literals(p for p in tests if p.exists()):
            if 0 < len(text) < 64:
                write(corpus, b'\x00' + text.encode('latin-1', 'replace'))
                write(corpus, b'\x01' + text.encode('utf-16-le', 'surrogatepass'))
    else:
        sys.exit('no seeds for ' + target)
    # Inputs that once failed stay in the corpus.
    for path in sorted((ROOT / 'tests/fuzz/regressions' / target).glob('*')):
        write(corpus, path.read_bytes())


main()
