#!/usr/bin/env python3
"""Reads a personal folder file back with three independent readers (readpst, pffexport and
the pst-extractor npm package) and compares what each sees with the expected mails.

Usage: read_back.py EXPECTED.json FILE.pst WORKDIR
EXPECTED.json: {"store": name, "folders": {path: [mail, ...]}} with paths under the IPM
subtree ("Inbox", "Inbox/Sub") and mails as {subject, sender_name, sender_email,
recipients: [[kind, name, email]], date, body, attachments: [{name, size, sha256} or
{embedded: mail}]}; an attachment's content is given as "file", a file beside the JSON.
Prints every difference; exits 1 when there is one.
"""
import email
import email.policy
import email.utils
import hashlib
import json
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
READERS = os.path.join(HERE, '..', '..', 'readers')
problems = []


def problem(reader, where, text):
    problems.append(f'{reader}: {where}: {text}')


def norm_body(text):
    if text is None:
        return ''
    return text.replace('\r\n', '\n').rstrip('\r\n\0 ')


def sha(data):
    return hashlib.sha256(data).hexdigest()


# --- pst-extractor -------------------------------------------------------------------
def read_pst_extractor(path):
    modules = os.path.join(READERS, 'node_modules')
    if not os.path.isdir(modules):
        subprocess.run(['npm', 'ci', '--no-audit', '--no-fund', '--silent'], cwd=READERS, check=True)
    out = subprocess.run(['node', os.path.join(READERS, 'pst_dump.js'), path], capture_output=True, text=True)
    if out.returncode != 0:
        problem('pst-extractor', path, 'failed: ' + out.stderr[-2000:])
        return None
    return json.loads(out.stdout)


# --- pffexport -----------------------------------------------------------------------
def fields(text):
    out = {}
    for line in text.splitlines():
        if ':' in line:
            key, _, value = line.partition(':')
            out.setdefault(key.strip(), value.strip())
    return out


def pff_date(value):
    m = re.match(r'(\w{3}) (\d\d), (\d{4}) (\d\d):(\d\d):(\d\d)', value or '')
    if not m:
        return None
    import calendar
    month = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'].index(m.group(1)) + 1
    return calendar.timegm((int(m.group(3)), month, int(m.group(2)), int(m.group(4)), int(m.group(5)), int(m.group(6))))


def pff_message(folder):
    def read(name):
        p = os.path.join(folder, name)
        return open(p, encoding='utf-8', errors='replace').read() if os.path.exists(p) else ''
    head = fields(read('OutlookHeaders.txt'))
    mail = {'subject': head.get('Subject', ''), 'sender_name': head.get('Sender name', ''),
            'sender_email': head.get('Sender email address', ''),
            'from_name': head.get('Sent representing name', ''),
            'from_email': head.get('Sent representing email address', ''),
            'date': pff_date(head.get('Client submit time')), 'body': read('Message.txt'),
            'recipients': [], 'attachments': []}
    kinds = {'To': 'to', 'CC': 'cc', 'BCC': 'bcc'}
    for block in read('Recipients.txt').split('\n\n'):
        f = fields(block)
        if f:
            mail['recipients'].append([kinds.get(f.get('Recipient type'), f.get('Recipient type')),
                                       f.get('Display name', ''), f.get('Email address', '')])
    adir = os.path.join(folder, 'Attachments')
    if os.path.isdir(adir):
        for name in sorted(os.listdir(adir), key=lambda n: int(re.match(r'\D*(\d+)', n).group(1))):
            p = os.path.join(adir, name)
            if os.path.isdir(p):
                inner = [d for d in os.listdir(p) if d.startswith('Message')]
                mail['attachments'].append({'embedded': pff_message(os.path.join(p, inner[0])) if inner else None})
            else:
                data = open(p, 'rb').read()
                mail['attachments'].append({'name': name.split('_', 1)[1], 'size': len(data), 'sha256': sha(data)})
    return mail


def read_pffexport(path, work):
    target = os.path.join(work, 'pff')
    out = subprocess.run(['pffexport', '-q', '-t', target, path], capture_output=True, text=True)
    if out.returncode != 0:
        problem('pffexport', path, 'failed: ' + (out.stdout + out.stderr)[-2000:])
        return None
    top = os.path.join(target + '.export', 'Top of Outlook data file')
    folders = {}
    for dirpath, dirnames, _ in os.walk(top):
        rel = os.path.relpath(dirpath, top)
        if rel == '.' or '/Message' in '/' + rel or 'Attachments' in rel.split(os.sep):
            continue
        mails = [pff_message(os.path.join(dirpath, d)) for d in sorted(dirnames) if re.match(r'Message\d+$', d)]
        folders[rel.replace(os.sep, '/')] = mails
    return {'folders': folders}


# --- readpst -------------------------------------------------------------------------
def eml_message(msg):
    name, addr = email.utils.parseaddr(str(msg.get('From', '')))
    sender_name, sender_addr = email.utils.parseaddr(str(msg.get('Sender', msg.get('From', ''))))
    mail = {'subject': str(msg.get('Subject', '')), 'sender_name': sender_name or sender_addr,
            'sender_email': sender_addr, 'from_name': name or addr, 'from_email': addr,
            'recipients': [], 'attachments': [], 'body': ''}
    date = msg.get('Date')
    mail['date'] = int(email.utils.parsedate_to_datetime(str(date)).timestamp()) if date else None
    for kind in ('to', 'cc'):
        for n, a in email.utils.getaddresses([str(v) for v in msg.get_all(kind, [])]):
            mail['recipients'].append([kind, n, a])
    body = msg.get_body(preferencelist=('plain',))
    if body is not None:
        mail['body'] = body.get_content()
    for part in msg.iter_attachments():
        if part.get_content_type() == 'message/rfc822':
            # readpst starts an embedded mail with an mbox separator line (">From ...").
            raw = part.get_payload()[0].as_bytes() if part.is_multipart() else part.get_payload(decode=True)
            raw = re.sub(rb'^(?:Content-[^\n]*\n)*\n?>?From [^\n]*\n', b'', raw.replace(b'\r\n', b'\n'), count=1)
            inner = email.message_from_bytes(raw, policy=email.policy.default)
            mail['attachments'].append({'embedded': eml_message(inner)})
        else:
            data = part.get_payload(decode=True) or b''
            mail['attachments'].append({'name': part.get_filename() or '', 'size': len(data), 'sha256': sha(data)})
    return mail


def read_readpst(path, work, store):
    target = os.path.join(work, 'readpst')
    os.makedirs(target, exist_ok=True)
    # -j 0: readpst's parallel jobs race on the mails of one folder.
    out = subprocess.run(['readpst', '-q', '-D', '-j', '0', '-e', '-8', '-o', target, path], capture_output=True, text=True)
    if out.returncode != 0:
        problem('readpst', path, 'failed: ' + (out.stdout + out.stderr)[-2000:])
        return None
    top = os.path.join(target, store)
    folders = {}
    for dirpath, _, files in os.walk(top):
        mails = []
        for f in sorted(files):
            if f.endswith('.eml'):
                with open(os.path.join(dirpath, f), 'rb') as fh:
                    mails.append(eml_message(email.message_from_binary_file(fh, policy=email.policy.default)))
        if mails:
            folders[os.path.relpath(dirpath, top).replace(os.sep, '/')] = mails
    return {'folders': folders}


# --- comparison ----------------------------------------------------------------------
def compare_mail(reader, where, want, got, kinds):
    if reader == 'readpst' and not want.get('headers', True):
        # Without stored headers readpst writes recipients by display name only.
        got = dict(got, recipients=[[k, n or a, ''] for k, n, a in got['recipients']])
        want = dict(want, recipients=[[k, n or a, ''] for k, n, a in want['recipients']])
    if reader == 'readpst':
        # readpst writes the stored header block again: a folded subject comes back with the
        # spaces of its folds, and a mail without a sender as from "MAILER-DAEMON".
        got = dict(got, subject=' '.join(got['subject'].split()))
        want = dict(want, subject=' '.join(want['subject'].split()))
        for key in ('sender_name', 'sender_email', 'from_name', 'from_email'):
            if not want.get(key) and got.get(key) == 'MAILER-DAEMON':
                got[key] = want.get(key)
    for key in ('subject', 'sender_name', 'sender_email', 'from_name', 'from_email', 'date'):
        if want.get(key) != got.get(key):
            problem(reader, where, f'{key}: expected {want.get(key)!r}, read {got.get(key)!r}')
    if norm_body(want.get('body')) != norm_body(got.get('body')):
        problem(reader, where, f'body: expected {want.get("body")!r:.200}, read {got.get("body")!r:.200}')
    def named(rows):  # a recipient without a display name is shown by its address
        return [[k, n or a, a] for k, n, a in rows]
    wr = named([r for r in want['recipients'] if r[0] in kinds])
    if wr != named(got['recipients']):
        problem(reader, where, f'recipients: expected {wr}, read {got["recipients"]}')
    wa, ga = want['attachments'], got['attachments']
    if len(wa) != len(ga):
        problem(reader, where, f'{len(ga)} attachments read, {len(wa)} expected')
        return
    for i, (a, b) in enumerate(zip(wa, ga)):
        if 'embedded' in a:
            if 'embedded' not in b:
                problem(reader, where, f'attachment {i}: not an embedded mail')
            elif b['embedded'] is not None:  # pst-extractor cannot open embedded mails
                compare_mail(reader, f'{where} attachment {i}', a['embedded'], b['embedded'], kinds)
        # An attachment without a name is shown under one the reader makes up.
        elif (a['name'] or b.get('name'), a['size'], a['sha256']) != (b.get('name'), b.get('size'), b.get('sha256')):
            problem(reader, where, f'attachment {i}: expected {a["name"]} {a["size"]} bytes, read '
                                   f'{b.get("name")} {b.get("size")} bytes, content {"same" if a["sha256"] == b.get("sha256") else "different"}')


def compare(reader, want, got, kinds, skip_empty_folders=False):
    if got is None:
        return
    wf = {k: v for k, v in want['folders'].items() if v or not skip_empty_folders}
    gf = {k: v for k, v in got['folders'].items() if k != 'Deleted Items' or k in wf}
    if sorted(wf) != sorted(gf):
        problem(reader, 'folders', f'expected {sorted(wf)}, read {sorted(gf)}')
    for path, mails in wf.items():
        read = sorted(gf.get(path, []), key=lambda m: m['subject'])
        mails = sorted(mails, key=lambda m: m['subject'])
        if len(read) != len(mails):
            problem(reader, path, f'{len(read)} mails read, {len(mails)} expected')
            continue
        for w, g in zip(mails, read):
            compare_mail(reader, f'{path}: "{w["subject"]}"', w, g, kinds)


def with_attachment_files(mail, base):
    for a in mail['attachments']:
        if 'embedded' in a:
            with_attachment_files(a['embedded'], base)
        else:
            data = open(os.path.join(base, a.pop('file')), 'rb').read()
            a['size'], a['sha256'] = len(data), sha(data)


def sort_attachments(mail):
    for a in mail['attachments']:
        if a.get('embedded'):
            sort_attachments(a['embedded'])
    mail['attachments'].sort(key=lambda a: a.get('name') or '')


def main():
    want = json.load(open(sys.argv[1], encoding='utf-8'))
    for mails in want['folders'].values():
        for m in mails:
            with_attachment_files(m, os.path.dirname(os.path.abspath(sys.argv[1])))
    path, work = sys.argv[2], sys.argv[3]
    compare('pst-extractor', want, read_pst_extractor(path), ('to', 'cc', 'bcc'))
    compare('pffexport', want, read_pffexport(path, work), ('to', 'cc', 'bcc'))
    # readpst writes a mail's attachments in no fixed order.
    got = read_readpst(path, work, want['store'])
    for mails in (got or {'folders': {}})['folders'].values():
        for m in mails:
            sort_attachments(m)
    for mails in want['folders'].values():
        for m in mails:
            sort_attachments(m)
    compare('readpst', want, got, ('to', 'cc'), skip_empty_folders=True)
    for p in problems[:60]:
        print(p)
    print(f'{len(problems)} differences')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
