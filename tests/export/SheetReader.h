// Reads .xlsx and .ods files back in tests with an outside reader: Python's zipfile and XML parser.
#pragma once

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// Reads a workbook the way an outside program would: zipfile and ElementTree only. Prints JSON: the
// sheet names, the rows as lists of cells (["s", text], ["n", value as written] or null) and, for .ods,
// what the package's first member is. With "summary" it only checks the archive's integrity and counts
// the rows, which is quick for large files.
inline const char* const ReaderScript = R"PY(
import sys, zipfile, json, re, xml.etree.ElementTree as ET
def put(rows, r, c, cell):
    row = rows.setdefault(r, {})
    row[c] = cell
def as_lists(rows):
    n = max(rows) + 1 if rows else 0
    result = []
    for r in range(n):
        row = rows.get(r, {})
        width = max(row) + 1 if row else 0
        result.append([row.get(c) for c in range(width)])
    return result
def read(path, mode):
    z = zipfile.ZipFile(path)
    out = {'bad': z.testzip()}
    if path.lower().endswith('.xlsx'):
        M = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
        wb = ET.fromstring(z.read('xl/workbook.xml'))
        out['sheets'] = [s.get('name') for s in wb.iter(M + 'sheet')]
        if mode == 'summary':
            out['rows'] = z.read('xl/worksheets/sheet1.xml').count(b'<row ')
        else:
            shared = []
            if 'xl/sharedStrings.xml' in z.namelist():
                for si in ET.fromstring(z.read('xl/sharedStrings.xml')).iter(M + 'si'):
                    shared.append(''.join(t.text or '' for t in si.iter(M + 't')))
            rows = {}
            for _, el in ET.iterparse(z.open('xl/worksheets/sheet1.xml')):
                if el.tag != M + 'c':
                    continue
                m = re.fullmatch(r'([A-Z]+)([0-9]+)', el.get('r'))
                c = 0
                for ch in m.group(1):
                    c = c * 26 + ord(ch) - 64
                t, v = el.get('t'), el.find(M + 'v')
                if t == 's':
                    put(rows, int(m.group(2)) - 1, c - 1, ['s', shared[int(v.text)]])
                elif t in ('inlineStr', 'str'):
                    put(rows, int(m.group(2)) - 1, c - 1, ['s', ''.join(x.text or '' for x in el.iter(M + 't'))])
                elif v is not None:
                    put(rows, int(m.group(2)) - 1, c - 1, ['n', v.text])
                el.clear()
            out['rows'] = as_lists(rows)
    else:
        first = z.infolist()[0]
        out['first'] = first.filename
        out['firstStored'] = first.compress_type == zipfile.ZIP_STORED
        out['firstExtra'] = len(first.extra)
        out['mimetype'] = z.read('mimetype').decode()
        F = '{urn:oasis:names:tc:opendocument:xmlns:manifest:1.0}'
        manifest = ET.fromstring(z.read('META-INF/manifest.xml'))
        out['manifest'] = sorted(e.get(F + 'full-path') for e in manifest.iter(F + 'file-entry'))
        ET.fromstring(z.read('styles.xml'))
        O = '{urn:oasis:names:tc:opendocument:xmlns:office:1.0}'
        T = '{urn:oasis:names:tc:opendocument:xmlns:table:1.0}'
        X = '{urn:oasis:names:tc:opendocument:xmlns:text:1.0}'
        if mode == 'summary':
            content = z.read('content.xml')
            out['rows'] = content.count(b'<table:table-row>')
            out['sheets'] = re.findall(rb'table:name="([^"]*)"', content)[0:1]
            out['sheets'] = [s.decode() for s in out['sheets']]
        else:
            def text_of(p):
                s = p.text or ''
                for ch in p:
                    if ch.tag == X + 's':
                        s += ' ' * int(ch.get(X + 'c', '1'))
                    elif ch.tag == X + 'tab':
                        s += '\t'
                    elif ch.tag == X + 'line-break':
                        s += '\n'
                    s += ch.tail or ''
                return s
            rows, sheets, r = {}, [], 0
            for event, el in ET.iterparse(z.open('content.xml'), events=('start', 'end')):
                if event == 'start' and el.tag == T + 'table':
                    sheets.append(el.get(T + 'name'))
                if event != 'end' or el.tag != T + 'table-row':
                    continue
                c = 0
                for cell in el.findall(T + 'table-cell'):
                    repeat = int(cell.get(T + 'number-columns-repeated', '1'))
                    kind = cell.get(O + 'value-type')
                    if kind == 'float':
                        put(rows, r, c, ['n', cell.get(O + 'value')])
                    elif kind == 'string':
                        put(rows, r, c, ['s', '\n'.join(text_of(p) for p in cell.findall(X + 'p'))])
                    c += repeat
                rows.setdefault(r, {})
                r += 1
                el.clear()
            out['rows'] = as_lists(rows)
            out['sheets'] = sheets
    return out
print(json.dumps([read(p, sys.argv[1]) for p in sys.argv[2:]]))
)PY";

// One reader process for all the files (starting Python costs more than reading a small file); one
// object per file, in order. summary: only the archive's integrity and the number of rows.
inline QJsonArray ReadBackAll(const QStringList& fileNames, bool summary = false)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 QStringList{QStringLiteral("-c"), QString::fromUtf8(ReaderScript),
                             summary ? QStringLiteral("summary") : QStringLiteral("cells")} +
                     fileNames);
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        ADD_FAILURE() << "reader failed: " << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

inline QJsonObject ReadBack(const QString& fileName, bool summary = false)
{
    return ReadBackAll({fileName}, summary).at(0).toObject();
}
