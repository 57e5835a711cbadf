#!/usr/bin/env python3
"""quillet-check --format=json, read back by Python's json: one record a line, names that are not
UTF-8 given back byte for byte, and whole records from runs that share one pipe."""
import json, os, shutil, subprocess, sys, tempfile

check = os.fsencode(sys.argv[1])
folder = tempfile.mkdtemp().encode()
names = [b'ok.sm', b'bad \xff\xfe "q" \\ \x01.sm', b'caf\xc3\xa9\xed\xa0\x80.sm', b'missing.sm']
charts = {b'ok.sm': b'#T\r\n0000\r\n0000\r\n0000\r\n0000\r\n;\r\n',
          names[1]: b'#T\n#NOTES:\n0000\n\n,\n;\n',
          names[2]: b'#T\n#NOTES:\n dance-single:\n :\n Hard:\n 9:\n 0:\n' + b'0000\n' * 4 + b';\n0000\n,\n'}
for name, text in charts.items():
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(text)
paths = [os.path.join(folder, n) for n in names]

records = [json.loads(line) for line in subprocess.run([check, '--format=json', *paths], capture_output=True).stdout.splitlines()]
assert all(r['path'].encode('utf-8', 'surrogateescape') in paths for r in records), records
assert [r['verdict'] for r in records if r['type'] == 'chart'] == [
    'ok', 'problems', 'ok', 'incorrect'], records
assert records[1] == {'type': 'measure', 'path': paths[1].decode('utf-8', 'surrogateescape'),
                      'chart': 1, 'name': None, 'beat': 4, 'rows': 2, 'line': 5,
                      'blankRows': 1, 'hint': '1 of them is a blank line'}, records
assert records[-1]['reason'] == 'No such file or directory', records

# Runs that share a pipe: every line is one whole record.
many = os.path.join(folder, b'many.sm')
with open(many, 'wb') as f:
    f.write(b'#NOTES:\n' + b'0000\n0000\n0000\n,\n' * 20000)
xargs = subprocess.run([b'xargs', b'-P', b'4', b'-n', b'1', check, b'--format=json'],
                       input=b'\n'.join([many] * 8), capture_output=True).stdout
records = [json.loads(line) for line in xargs.splitlines()]
assert len(records) == 8 * 20001, len(records)
shutil.rmtree(folder)
print('ok')
