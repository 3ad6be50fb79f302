#!/usr/bin/env bash
# Converts three mails (plain text, HTML with a list and a link, non-Latin scripts) to rich
# text with `quillmend convert --to rtf`, has LibreOffice lay each out as a PDF and renders
# the top of its first page into docs/screenshots/rtf-plain.png, rtf-html.png and
# rtf-non-latin.png (pdftoppm, from poppler-utils).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cmake --preset native >/dev/null
cmake --build build/native -j 2 --target quillmend qm_makestore >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/plain.eml" <<'MAIL'
From: Anna Berger <anna.berger@example.com>
To: Tom Hale <tom.hale@example.net>
Cc: Office <office@example.net>
Date: Tue, 14 Sep 2004 16:42:10 +0200
Subject: Minutes of Monday's meeting
MIME-Version: 1.0
Content-Type: text/plain; charset=iso-8859-1
Content-Transfer-Encoding: quoted-printable

Hello Tom,

here are the minutes of Monday's meeting:

  1. The new server goes live on 1 October.
  2. Backups move to the night shift.
  3. Caf=E9 budget: =8040 per month.

Please send corrections by Friday.

Regards,
Anna
MAIL

cat > "$work/html.eml" <<'MAIL'
From: "Northwind Garden Club" <news@example.org>
To: members@example.org
Date: Fri, 3 Jun 2005 08:05:00 +0100
Subject: June newsletter
MIME-Version: 1.0
Content-Type: multipart/mixed; boundary="part"

--part
Content-Type: text/html; charset=us-ascii

<html><head><style>body { font-family: Arial }</style></head><body>
<h1>June newsletter</h1>
<p>Dear members, summer is here. This month we <b>plant out</b> the tomatoes and
<i>finally</i> open the new greenhouse.</p>
<h2>Dates</h2>
<ul>
<li>Saturday 11 June: greenhouse opening</li>
<li>Sunday 19 June: seed swap &amp; coffee</li>
<li>Thursday 30 June: committee meeting</li>
</ul>
<p>The full programme is on <a href="http://www.example.org/programme">our web site</a>.
The map to the allotments is attached.</p>
<table><tr><td>Members</td><td>142</td></tr><tr><td>New this year</td><td>17</td></tr></table>
<p>See you there!<br>The committee</p>
</body></html>
--part
Content-Type: application/pdf; name="allotment-map.pdf"
Content-Transfer-Encoding: base64

JVBERi0xLjQKJcOkw7zDtsOfCg==
--part--
MAIL

cat > "$work/non-latin.eml" <<'MAIL'
From: =?utf-8?B?0JjQstCw0L0g0J/QtdGC0YDQvtCy?= <ivan.petrov@example.ru>
To: =?utf-8?B?zpzOsc+Bzq/OsSDOn866zrHOvc6/zrrOv8+Nzrs=?= <maria@example.gr>
Date: Mon, 20 Feb 2006 11:30:00 +0300
Subject: =?utf-8?B?0J/RgNC40LLQtdGCINC40Lcg0JzQvtGB0LrQstGLIC8gzpPOtc65zrEg?=
 =?utf-8?B?z4POsc+C?=
MIME-Version: 1.0
Content-Type: text/plain; charset=utf-8
Content-Transfer-Encoding: 8bit

Здравствуйте, Мария!

Спасибо за письмо. Встреча в четверг в 15:00 — подходит.
Γεια σας! Ευχαριστώ πολύ για την πρόσκληση.

До встречи,
Иван
MAIL

build/native/tests/support/storegen/qm_makestore -o "$work/Mail.dbx" \
  "$work/plain.eml" "$work/html.eml" "$work/non-latin.eml" >/dev/null
build/native/cli/quillmend convert --to rtf --into -d "$work/out" "$work/Mail.dbx" >/dev/null
folder="$work/out/1_Converted_Mail_As_RTF"
mkdir -p "$work/png"
cp "$folder/Converted_msg_000001.rtf" "$work/png/rtf-plain.rtf"
cp "$folder/Converted_msg_000002.rtf" "$work/png/rtf-html.rtf"
cp "$folder/Converted_msg_000003.rtf" "$work/png/rtf-non-latin.rtf"
(cd "$work/png" && HOME="$work" soffice -env:UserInstallation="file://$work/profile" --headless --norestore \
  --convert-to pdf rtf-plain.rtf rtf-html.rtf rtf-non-latin.rtf >/dev/null 2>&1)
for name in rtf-plain rtf-html rtf-non-latin; do
  # The top of an A4 page at 96 dots per inch: where a short mail's text is.
  pdftoppm -png -r 96 -f 1 -l 1 -singlefile -x 0 -y 0 -W 794 -H 450 "$work/png/$name.pdf" "$root/docs/screenshots/$name"
done
ls -l docs/screenshots/rtf-*.png
