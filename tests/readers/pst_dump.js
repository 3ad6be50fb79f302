// Prints what the pst-extractor package reads from a personal folder file, as JSON:
// folders by path under the IPM subtree, and for each mail the fields the tests compare.
'use strict';
const crypto = require('crypto');
const { PSTFile } = require('pst-extractor');

function sha256(buf) {
  return crypto.createHash('sha256').update(buf).digest('hex');
}

function readAll(stream, size) {
  const out = Buffer.alloc(size);
  let at = 0;
  const chunk = Buffer.alloc(8176);
  for (;;) {
    const n = stream.read(chunk);
    if (n <= 0) break;
    chunk.copy(out, at, 0, n);
    at += n;
  }
  return out.subarray(0, at);
}

const kinds = { 1: 'to', 2: 'cc', 3: 'bcc' };

function message(m) {
  const out = {
    subject: m.subject,
    sender_name: m.senderName,
    sender_email: m.senderEmailAddress,
    from_name: m.sentRepresentingName,
    from_email: m.sentRepresentingEmailAddress,
    recipients: [],
    date: m.clientSubmitTime ? Math.round(m.clientSubmitTime.getTime() / 1000) : null,
    body: m.body,
    html: m.bodyHTML || null,
    size: m.messageSize,
    attachments: [],
  };
  for (let i = 0; i < m.numberOfRecipients; i++) {
    const r = m.getRecipient(i);
    out.recipients.push([kinds[r.recipientType] || String(r.recipientType), r.displayName, r.emailAddress]);
  }
  for (let i = 0; i < m.numberOfAttachments; i++) {
    const a = m.getAttachment(i);
    if (a.attachMethod === 5) {
      const inner = a.embeddedPSTMessage;
      out.attachments.push({ embedded: inner ? message(inner) : null });
    } else {
      const stream = a.fileInputStream;
      const data = stream ? readAll(stream, a.filesize) : Buffer.alloc(0);
      out.attachments.push({ name: a.longFilename || a.filename, size: data.length, sha256: sha256(data),
                             mime: a.mimeTag, content_id: a.contentId });
    }
  }
  return out;
}

function walk(folder, path, out) {
  const name = path === null ? '' : (path ? path + '/' : '') + folder.displayName;
  if (path !== null) {
    const mails = [];
    if (folder.contentCount > 0) {
      for (let m = folder.getNextChild(); m; m = folder.getNextChild()) mails.push(message(m));
    }
    out[name] = mails;
  }
  if (folder.hasSubfolders) {
    for (const child of folder.getSubFolders()) walk(child, path === null ? '' : name, out);
  }
}

const pst = new PSTFile(process.argv[2]);
const out = { store: pst.getMessageStore().displayName, folders: {} };
const root = pst.getRootFolder();
for (const top of root.getSubFolders()) {
  if (top.displayName === 'Top of Outlook data file') walk(top, null, out.folders);
}
process.stdout.write(JSON.stringify(out, null, 1));
