#!/usr/bin/env python3
"""Reads .eml files with Python's email package (policy=default) and prints, for each,
the fields the differential test compares: subject, sender, recipients, date, plain body
text, and the attachments' names and bytes.

Output: one record per file, one field per line, every value hex-encoded UTF-8 (bytes for
attachment content), so the C++ side needs no escaping rules:
    mail <path>
    subject <v>
    from <name> <address>
    to|cc|bcc <name> <address>
    date <seconds since 1970 UTC> | date none
    text <v> | text none
    attachment <name> <bytes> | attachment <name> embedded <embedded subject>
    end

Python is the independent reader. Where our reader follows a different rule on purpose,
this script applies the same rule, so that the comparison tests everything else:
  * Text in a missing or unknown charset, or labelled US-ASCII or ISO-8859-1, is read as
    windows-1252, and a byte that is invalid in its charset is read as the windows-1252
    character of that byte: no byte of a mail is lost. (Python itself would raise or put
    U+FFFD in its place.)
  * Uuencoded files in a plain-text body are taken out of the text and listed as
    attachments, as mail programs of the time showed them. Decoded here with binascii.
"""
import binascii
import codecs
import email
import email.policy
import re
import sys

CP1252_UNDEFINED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def cp1252_char(byte):
    if byte in CP1252_UNDEFINED:
        return chr(byte)
    return bytes([byte]).decode('cp1252')


def cp1252_fallback(error):
    bad = error.object[error.start:error.end]
    return ''.join(cp1252_char(b) for b in bad), error.end


codecs.register_error('qm-cp1252', cp1252_fallback)


def decode_text(data, charset):
    charset = (charset or '').strip().strip('"').lower()
    if charset in ('', 'us-ascii', 'ascii', 'iso-8859-1', 'latin1', 'latin-1', 'windows-1252', 'cp1252'):
        charset = 'cp1252'
    try:
        codecs.lookup(charset)
    except LookupError:
        charset = 'cp1252'
    if charset == 'cp1252':
        return ''.join(cp1252_char(b) for b in data)
    return data.decode(charset, errors='qm-cp1252')


BEGIN = re.compile(rb'^begin [0-7]{3,4} (.+?)\s*$')


def take_uuencoded(data):
    """Splits uuencoded blocks off bytes of text: (remaining bytes, [(name, bytes)])."""
    lines = data.splitlines(keepends=True)
    kept, files, i = [], [], 0
    while i < len(lines):
        m = BEGIN.match(lines[i].rstrip(b'\r\n'))
        if not m:
            kept.append(lines[i])
            i += 1
            continue
        j, content, complete = i + 1, b'', False
        while j < len(lines):
            line = lines[j].rstrip(b'\r\n')
            if line.strip() == b'end':
                complete, j = True, j + 1
                break
            try:
                content += binascii.a2b_uu(line)
            except binascii.Error:
                break
            j += 1
        if j == i + 1 and not complete:
            kept.append(lines[i])
            i += 1
            continue
        files.append((m.group(1).decode('utf-8', 'replace'), content))
        i = j
    return b''.join(kept), files


def hexs(text):
    return text.encode('utf-8', 'surrogateescape').hex() or '-'


def hexb(data):
    return data.hex() or '-'


def part_name(part):
    for header, param in (('content-disposition', 'filename'), ('content-type', 'name')):
        h = part.get(header)
        try:
            value = h.params.get(param) if h is not None else None
        except Exception:
            value = None
        if value:
            return str(value)
    return ''


def leaves(part, skip):
    """Attachments in tree order: leaf parts other than the bodies, embedded messages whole."""
    ctype = part.get_content_type()
    if part in skip:
        return
    if ctype == 'message/rfc822':
        inner = part.get_payload()
        inner = inner[0] if isinstance(inner, list) and inner else None
        subject = str(inner.get('subject', '')) if inner is not None else ''
        yield ('embedded', part_name(part), subject)
        return
    if part.get_content_maintype() == 'multipart' and part.is_multipart():
        for sub in part.get_payload():
            yield from leaves(sub, skip)
        return
    data = part.get_payload(decode=True)
    yield ('data', part_name(part), data)


def write_mail(path, out):
    with open(path, 'rb') as f:
        msg = email.message_from_binary_file(f, policy=email.policy.default)
    out.append('mail ' + hexs(path))
    out.append('subject ' + hexs(str(msg.get('subject', '') or '')))
    from_header = msg.get('from')
    addresses = getattr(from_header, 'addresses', ()) if from_header is not None else ()
    if addresses:
        out.append('from %s %s' % (hexs(addresses[0].display_name), hexs(addresses[0].addr_spec)))
    for name, value in msg.items():
        kind = name.lower()
        if kind not in ('to', 'cc', 'bcc'):
            continue
        for a in getattr(value, 'addresses', ()):
            out.append('%s %s %s' % (kind, hexs(a.display_name), hexs(a.addr_spec)))
    date = msg.get('date')
    when = getattr(date, 'datetime', None) if date is not None else None
    if when is None:
        out.append('date none')
    else:
        if when.tzinfo is None:
            when = when.replace(tzinfo=__import__('datetime').timezone.utc)
        out.append('date %d' % int(when.timestamp()))

    body = msg.get_body(preferencelist=('plain',))
    html = msg.get_body(preferencelist=('html',))
    uu_files = []
    if body is None:
        out.append('text none')
    else:
        data = body.get_payload(decode=True) or b''
        data, uu_files = take_uuencoded(data)
        out.append('text ' + hexs(decode_text(data, body.get_param('charset'))))
    skip = [p for p in (body, html) if p is not None]
    for kind, name, value in leaves(msg, skip) if msg.is_multipart() or msg.get_content_type() == 'message/rfc822' else leaves_single(msg, skip):
        if kind == 'embedded':
            out.append('attachment %s embedded %s' % (hexs(name), hexs(value)))
        else:
            out.append('attachment %s %s' % (hexs(name), hexb(value) if value is not None else '?'))
    for name, data in uu_files:
        out.append('attachment %s %s' % (hexs(name), hexb(data)))
    out.append('end')


def leaves_single(msg, skip):
    if msg in skip:
        return iter(())
    return leaves(msg, skip)


def main():
    out = []
    for path in sys.argv[1:]:
        try:
            write_mail(path, out)
        except Exception as e:  # a mail Python cannot read is reported, not fatal
            out.append('mail ' + hexs(path))
            out.append('error ' + hexs(repr(e)))
            out.append('end')
    sys.stdout.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()
