"""The same merge as tabloom's benchmark templates, in Python: openpyxl
(read-only) reads the workbook, jinja2 renders, pages are written under
names that never overwrite a file, UTF-8 with a byte-order mark.

usage: generation_merge.py card|list WORKBOOK OUTPUT_FOLDER
"""
import os
import sys

import jinja2
import openpyxl


def html_encode(text):
    return (text.replace("&", "&amp;").replace('"', "&quot;")
            .replace("<", "&lt;").replace(">", "&gt;").replace("'", "&#39;"))


def line_breaks(text):
    return text.replace("\r\n", "<br />").replace("\r", "<br />").replace("\n", "<br />")


def shown(value):
    return "" if value is None else str(value)


def unique_name(folder, name):
    path = os.path.join(folder, name + ".html")
    n = 2
    while os.path.isfile(path):
        path = os.path.join(folder, "%s(%d).html" % (name, n))
        n += 1
    return path


def save(path, text):
    if text:
        with open(path, "wb") as f:
            f.write(b"\xef\xbb\xbf" + text.encode("utf-8"))


ROW = ("<tr><td>{{ r[0] }}</td><td>{{ r[1]|h }}</td><td>{{ r[2] }}</td><td>{{ r[3]|h }}</td>"
       "<td>{{ r[4] }}</td><td>{{ r[5] }}</td><td>{{ r[6] }}</td><td>{{ r[7] }}</td>"
       "<td>{{ r[8] }}</td><td>{{ r[9]|h|br }}</td></tr>\n")
CARD = "<html><body><table>\n" + ROW + "</table></body></html>\n"
LIST = ("<html><body><table>\n{% for r in rows %}" + ROW +
        "{% endfor %}</table></body></html>\n")


def main():
    layout, workbook, folder = sys.argv[1:4]
    os.makedirs(folder, exist_ok=True)
    env = jinja2.Environment(autoescape=False, keep_trailing_newline=True)
    env.filters["h"] = html_encode
    env.filters["br"] = line_breaks
    template = env.from_string(CARD if layout == "card" else LIST)
    book = openpyxl.load_workbook(workbook, read_only=True)
    sheet = book.worksheets[0]
    rows = ([shown(v) for v in row] for row in sheet.iter_rows(min_row=2, max_col=10, values_only=True))
    counter = 1
    if layout == "card":
        for r in rows:
            if not r[0]:
                break
            path = unique_name(folder, "%05d" % counter)
            counter += 1
            save(path, template.render(r=r))
    else:
        page = []
        for r in rows:
            if not r[0]:
                break
            page.append(r)
            if len(page) == 100:
                save(unique_name(folder, "%05d" % counter), template.render(rows=page))
                counter += 1
                page = []
        if page:
            save(unique_name(folder, "%05d" % counter), template.render(rows=page))


if __name__ == "__main__":
    main()
