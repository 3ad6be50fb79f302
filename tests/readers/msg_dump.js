// Prints what the @kenjiuno/msgreader package reads from Outlook message files, as JSON:
// for each file the fields the tests compare, embedded mails included.
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const MsgReader = require('@kenjiuno/msgreader').default;

function sha256(buf) {
  return crypto.createHash('sha256').update(buf).digest('hex');
}

function message(reader, fields) {
  const out = {
    subject: fields.subject || '',
    sender_name: fields.senderName || '',
    sender_email: fields.senderEmail || fields.senderSmtpAddress || '',
    from_name: fields.sentRepresentingName || '',
    from_email: fields.sentRepresentingEmailAddress || fields.sentRepresentingSmtpAddress || '',
    date: fields.clientSubmitTime ? Math.floor(Date.parse(fields.clientSubmitTime) / 1000) : null,
    body: fields.body || '',
    html: fields.html ? Buffer.from(fields.html).toString('utf8') : null,
    recipients: (fields.recipients || []).map((r) => [r.recipType || 'to', r.name || '', r.email || r.smtpAddress || '']),
    attachments: [],
  };
  for (const a of fields.attachments || []) {
    if (a.innerMsgContent) {
      out.attachments.push({ embedded: message(reader, a.innerMsgContentFields) });
    } else {
      const data = Buffer.from(reader.getAttachment(a).content);
      out.attachments.push({ name: a.fileName || '', size: data.length, sha256: sha256(data) });
    }
  }
  return out;
}

const result = {};
for (const path of process.argv.slice(2)) {
  const reader = new MsgReader(fs.readFileSync(path));
  const fields = reader.getFileData();
  result[path] = fields.error ? { error: fields.error } : message(reader, fields);
}
process.stdout.write(JSON.stringify(result));
