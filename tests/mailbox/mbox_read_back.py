"""Reads every mbox file below a folder with Python's mailbox module and writes each mail
back as it stood before it went into the file: the "From " line and the Status:/X-Status:
lines put in front of its header taken off, and mboxrd's quoting undone. Prints one line per
mail: the file's path relative to the folder, the mail's number from 1, its Status: and its
X-Status: ("-" when absent)."""
import mailbox
import os
import re
import sys

root, out = sys.argv[1], sys.argv[2]
for dirpath, dirs, files in os.walk(root):
    dirs.sort()
    for name in sorted(files):
        path = os.path.join(dirpath, name)
        rel = os.path.relpath(path, root)
        box = mailbox.mbox(path, create=False)
        for n, key in enumerate(box.keys(), 1):
            raw = box.get_bytes(key)
            message = box.get_message(key)
            lines = raw.split(b"\n")
            while lines and (lines[0].startswith(b"Status: ") or lines[0].startswith(b"X-Status: ")):
                lines.pop(0)
            text = re.sub(rb"(?m)^>(>*From )", rb"\1", b"\n".join(lines))
            target = os.path.join(out, rel)
            os.makedirs(target, exist_ok=True)
            with open(os.path.join(target, "%d.eml" % n), "wb") as f:
                f.write(text)
            print("%s\t%d\t%s\t%s" % (rel, n, message.get("Status", "-"), message.get("X-Status", "-")))
        box.close()
