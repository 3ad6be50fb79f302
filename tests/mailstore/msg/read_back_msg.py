#!/usr/bin/env python3
"""Reads Outlook message files back with four independent readers (python3-olefile opened
strictly, msgconvert, the @kenjiuno/msgreader npm package and olecfinfo) and compares what
each sees with the expected mails.

Usage: read_back_msg.py EXPECTED.json WORKDIR
EXPECTED.json: {"files": [{"path": FILE.msg, "mail": mail}]}, mails as read_back.py takes
them. Prints every difference; exits 1 when there is one.
"""
import email
import email.policy
import json
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'pst'))
import read_back as rb  # noqa: E402  (the comparison the PST read-back uses)

READERS = os.path.join(HERE, '..', '..', 'readers')
FILETIME_1970 = 116444736000000000


# --- olefile -------------------------------------------------------------------------
def ole_props(ole, storage, header):
    data = ole.openstream(storage + ['__properties_version1.0']).read()
    props = {}
    for at in range(header, len(data) - 15, 16):
        tag, _flags, value = struct.unpack('<II8s', data[at:at + 16])
        ptype = tag & 0xFFFF
        if ptype in (0x001F, 0x0102):
            raw = ole.openstream(storage + ['__substg1.0_%08X' % tag]).read()
            props[tag >> 16] = raw.decode('utf-16-le') if ptype == 0x001F else raw
        elif ptype == 0x0040:
            props[tag >> 16] = struct.unpack('<Q', value)[0]
        elif ptype in (0x0003, 0x000B):
            props[tag >> 16] = struct.unpack('<I', value[:4])[0]
        elif ptype == 0x000D:
            props[tag >> 16] = storage + ['__substg1.0_%08X' % tag]
    return props


def ole_message(ole, storage, header):
    p = ole_props(ole, storage, header)
    mail = {'subject': p.get(0x0037, ''), 'sender_name': p.get(0x0C1A, ''), 'sender_email': p.get(0x0C1F, ''),
            'from_name': p.get(0x0042, ''), 'from_email': p.get(0x0065, ''),
            'date': (p[0x0039] - FILETIME_1970) // 10**7 if 0x0039 in p else None,
            'body': p.get(0x1000, ''), 'recipients': [], 'attachments': []}
    html = p.get(0x1013)
    mail['html'] = html.decode('utf-8') if html is not None else None
    children = sorted({e[len(storage)] for e in ole.listdir(streams=True, storages=True) if e[:len(storage)] == storage
                       and len(e) > len(storage)})
    kinds = {1: 'to', 2: 'cc', 3: 'bcc'}
    for name in children:
        if name.startswith('__recip_version1.0_#'):
            r = ole_props(ole, storage + [name], 8)
            mail['recipients'].append([kinds.get(r.get(0x0C15), '?'), r.get(0x3001, ''), r.get(0x3003, '')])
        elif name.startswith('__attach_version1.0_#'):
            a = ole_props(ole, storage + [name], 8)
            if a.get(0x3705) == 5:
                mail['attachments'].append({'embedded': ole_message(ole, a[0x3701], 24)})
            else:
                data = a.get(0x3701, b'')
                mail['attachments'].append({'name': a.get(0x3707, a.get(0x3704, '')), 'size': len(data),
                                            'sha256': rb.sha(data)})
    return mail


def import_olefile():
    try:
        import olefile
    except ImportError:  # Debian's package, when another Python comes first on the path
        sys.path.append('/usr/lib/python3/dist-packages')
        import olefile
    return olefile


def read_olefile(path):
    olefile = import_olefile()
    try:
        ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
        return ole_message(ole, [], 32)
    except Exception as e:  # any defect olefile raises is a difference
        rb.problem('olefile', path, f'failed: {e!r}')
        return None


# --- msgconvert ----------------------------------------------------------------------
def read_msgconvert(path, work):
    out = os.path.join(work, os.path.basename(path) + '.eml')
    run = subprocess.run(['msgconvert', '--outfile', out, path], capture_output=True, text=True)
    if run.returncode != 0 or not os.path.exists(out):
        rb.problem('msgconvert', path, 'failed: ' + (run.stdout + run.stderr)[-2000:])
        return None
    with open(out, 'rb') as fh:
        return rb.eml_message(email.message_from_binary_file(fh, policy=email.policy.default))


# --- msgreader -----------------------------------------------------------------------
def read_msgreader(paths):
    if not os.path.isdir(os.path.join(READERS, 'node_modules')):
        subprocess.run(['npm', 'ci', '--no-audit', '--no-fund', '--silent'], cwd=READERS, check=True)
    out = subprocess.run(['node', os.path.join(READERS, 'msg_dump.js')] + paths, capture_output=True, text=True)
    if out.returncode != 0:
        rb.problem('msgreader', 'files', 'failed: ' + out.stderr[-2000:])
        return {}
    return json.loads(out.stdout)


def read_olecfinfo(path):
    run = subprocess.run(['olecfinfo', path], capture_output=True, text=True)
    if run.returncode != 0:
        rb.problem('olecfinfo', path, 'failed: ' + (run.stdout + run.stderr)[-2000:])


def compare(reader, where, want, got, kinds, ignore=()):
    if got is None:
        return
    if isinstance(got, dict) and 'error' in got:
        rb.problem(reader, where, 'failed: ' + str(got['error']))
        return
    if want.get('html') is not None and 'html' in got and got['html'] != want['html'] and 'html' not in ignore:
        rb.problem(reader, where, 'html body differs')
    def blank(m):
        m = dict(m, attachments=[dict(a, embedded=blank(a['embedded'])) if a.get('embedded') else a
                                 for a in m['attachments']])
        for key in ignore:
            m[key] = None
        return m
    rb.compare_mail(reader, where, blank(want), blank(got), kinds)


def main():
    expected = json.load(open(sys.argv[1], encoding='utf-8'))
    work = sys.argv[2]
    base = os.path.dirname(os.path.abspath(sys.argv[1]))
    files = expected['files']
    for f in files:
        rb.with_attachment_files(f['mail'], base)
        rb.sort_attachments(f['mail'])
    by_msgreader = read_msgreader([f['path'] for f in files]) if files else {}
    for f in files:
        path, want = f['path'], f['mail']
        where = os.path.basename(path) + ': "' + want['subject'] + '"'
        read_olecfinfo(path)
        got = read_olefile(path)
        compare('olefile', where, want, got and sort(got), ('to', 'cc', 'bcc'))
        # msgreader shows no one sent for; msgconvert writes Bcc nowhere and the sent-for
        # address as From.
        compare('msgreader', where, want, sort(by_msgreader.get(path)), ('to', 'cc', 'bcc'),
                ignore=('from_name', 'from_email'))
        # msgconvert writes the header block anew: a folded subject keeps the spaces of its
        # folds, and a mail without a date gets the time of the conversion.
        got = read_msgconvert(path, work)
        ignore = ('sender_name', 'sender_email') + (('date',) if want.get('date') is None else ())
        if got:
            got['subject'] = ' '.join(got['subject'].split())
        compare('msgconvert', where, dict(want, subject=' '.join(want['subject'].split())), got and sort(got),
                ('to', 'cc'), ignore=ignore)
    for p in rb.problems[:60]:
        print(p)
    print(f'{len(rb.problems)} differences')
    return 1 if rb.problems else 0


def sort(mail):
    if mail and 'attachments' in mail:
        rb.sort_attachments(mail)
    return mail


if __name__ == '__main__':
    sys.exit(main())
