#!/usr/bin/env python3
"""quillet-check --format=json, read back by Python's json: one record a line, the measures the
gnu format lists and a record per chart, names that are not UTF-8 given back byte for byte, and
whole records from runs that share one pipe."""
import json, os, shutil, subprocess, sys, tempfile

check = os.fsencode(sys.argv[1])
folder = tempfile.mkdtemp().encode()
names = [b'ok.sm', b'bad \xff\xfe "q" \\ \x01.sm', b'caf\xc3\xa9\xed\xa0\x80.sm', b'missing.sm']
charts = {b'ok.sm': b'#T\r\n0000\r\n0000\r\n0000\r\n0000\r\n;\r\n',
          names[1]: b'#T\n0000\n\n,\n;\n',
          names[2]: b'#T\n#NOTES:\n dance-single:\n :\n Hard:\n 9:\n 0:\n' + b'0000\n' * 4 + b';\n0000\n,\n'}
for name, text in charts.items():
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(text)
paths = [os.path.join(folder, n) for n in names]

def run(*options, charts=paths):
    return subprocess.run([check, *options, *charts], capture_output=True).stdout

def shown(name):
    """A name as gnu prints it: control characters escaped."""
    return ''.join('\\' + 'abtnvfr'[ord(c) - 7] if 7 <= ord(c) <= 13 else
                   '\\x%02x' % ord(c) if ord(c) < 0x20 or ord(c) == 0x7f else c for c in name)

for every in ([], ['--every-chart']):
    records = [json.loads(line) for line in run('--format=json', *every).splitlines()]
    # The gnu format lists the same measures, with the block's name before each with every chart.
    measures = []
    for r in records:
        assert r['path'].encode('utf-8', 'surrogateescape') in paths, r
        if r['type'] == 'measure':
            name = (r['name'] or 'chart %d' % r['chart']) + ': ' if every else ''
            hint = ' (%s)' % r['hint'] if r['hint'] else ''
            measures.append('%s:%d: %sbeat %d: this measure has %d row%s; accepted sizes are '
                            '4, 8, 12, 16, 24 and 48%s' % (shown(r['path']), r['line'], name, r['beat'],
                            r['rows'], '' if r['rows'] == 1 else 's', hint))
    gnu = run('--format=gnu', *every).decode('utf-8', 'surrogateescape').splitlines()
    assert measures == [line for line in gnu if ': beat ' in line], (measures, gnu)
    ends = [(r['chart'], r['verdict'], r['measures']) for r in records if r['type'] == 'chart']
    assert ends == ([(1, 'ok', 0), (1, 'problems', 2), (1, 'ok', 0), (1, 'incorrect', 0)]
                    if not every else
                    [(1, 'ok', 0), (1, 'problems', 2), (1, 'ok', 0), (2, 'problems', 1),
                     (1, 'incorrect', 0)]), records
    assert records[1] == {'type': 'measure', 'path': paths[1].decode('utf-8', 'surrogateescape'),
                          'chart': 1, 'name': None, 'beat': 4, 'rows': 2, 'line': 4,
                          'blankRows': 1, 'hint': '1 of them is a blank line'}, records
    assert records[-1]['reason'] == 'No such file or directory', records

# Runs that share a pipe: every line is one whole record.
many = os.path.join(folder, b'many.sm')
with open(many, 'wb') as f:
    f.write(b'#T\n' + b'0000\n0000\n0000\n,\n' * 20000)
xargs = subprocess.run([b'xargs', b'-P', b'4', b'-n', b'1', check, b'--format=json'],
                       input=b'\n'.join([many] * 8), capture_output=True).stdout
records = [json.loads(line) for line in xargs.splitlines()]
assert len(records) == 8 * 20001, len(records)
shutil.rmtree(folder)
print('ok')
