#!/usr/bin/env python3
"""quillet-check --format=json, read back by Python's json: one object per chart a line, the
log exactly as --format=log prints it, and names that are not UTF-8 given back byte for byte."""
import json, os, shutil, subprocess, sys, tempfile

check = os.fsencode(sys.argv[1])
folder = tempfile.mkdtemp().encode()
names = [b'ok.sm', b'bad \xff\xfe "q" \\ \x01.sm', b'caf\xc3\xa9\xed\xa0\x80.sm', b'missing.sm']
charts = {b'ok.sm': b'#T\r\n0000\r\n0000\r\n0000\r\n0000\r\n;\r\n',
          names[1]: b'#T\n#NOTES:\n0000\n\n,\n;\n',
          names[2]: b'#T\n#NOTES:\n dance-single:\n :\n Hard:\n 9:\n 0:\n' + b'0000\n' * 4 + b';\n#NOTES:\n0000\n,\n'}
for name, text in charts.items():
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(text)
paths = [os.path.join(folder, n) for n in names]

def run(*options):
    return subprocess.run([check, *options, *paths], capture_output=True).stdout

for every in ([], ['--every-chart']):
    objects = [json.loads(line) for line in run('--format=json', *every).splitlines()]
    log = run(*every).decode('utf-8', 'surrogateescape').splitlines()
    at = 0
    for o in objects:
        path = o['path'].encode('utf-8', 'surrogateescape')
        assert path in paths, o
        shown = o['log']
        if every and shown[0] != 'Incorrect SM file! Please check':
            shown = ['Chart %d%s' % (o['block'], ': ' + o['name'] if o['name'] else '')] + shown
        for line in shown:
            assert log[at] == path.decode('utf-8', 'surrogateescape') + ': ' + line, (log, o)
            at += 1
    assert at == len(log), log
    assert [o['verdict'] for o in objects] == (
        ['ok', 'problems', 'ok', 'incorrect'] if not every
        else ['ok', 'problems', 'ok', 'problems', 'incorrect']), objects
    assert objects[1]['measures'] == [{'beat': 4, 'rows': 2, 'line': 5, 'blankRows': 1},
                                     {'beat': 8, 'rows': 0, 'line': 6, 'blankRows': 0}], objects
    assert objects[-1]['reason'] == 'No such file or directory', objects
shutil.rmtree(folder)
print('ok')
