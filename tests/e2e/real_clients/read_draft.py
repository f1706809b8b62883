#!/usr/bin/env python3
"""Reads back the draft a real mail client saved, with Python's own MIME parser.

usage: read_draft.py CLIENT HOME SUBJECT_START
CLIENT is thunderbird, claws-mail or evolution; HOME the client's home. Prints
the newest draft whose subject starts with SUBJECT_START as tab-separated
lines (name, then fields; backslash, tab, CR and LF escaped), or exits 3 when
there is none yet.
"""
import email
import email.header
import email.policy
import glob
import mailbox
import os
import sys


def thunderbird_drafts(home):
    for path in glob.glob(os.path.join(home, ".thunderbird", "*", "Mail", "*", "Drafts")):
        for message in mailbox.mbox(path, factory=None, create=False):
            yield message.as_bytes()


def claws_drafts(home):
    folder = os.path.join(home, "Mail", "draft")
    for name in sorted((n for n in os.listdir(folder) if n.isdigit()), key=int):
        with open(os.path.join(folder, name), "rb") as f:
            yield f.read()


def evolution_drafts(home):
    folder = os.path.join(home, ".local", "share", "evolution", "mail", "local", ".Drafts")
    paths = glob.glob(os.path.join(folder, "cur", "*")) + glob.glob(os.path.join(folder, "new", "*"))
    for path in sorted(paths, key=os.path.getmtime):
        with open(path, "rb") as f:
            yield f.read()


READERS = {"thunderbird": thunderbird_drafts, "claws-mail": claws_drafts, "evolution": evolution_drafts}
IDENTITY_HEADERS = ("X-Identity-Key", "X-Evolution-Identity")


def escape(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r").replace("\n", "\\n")


def line(*fields):
    print("\t".join(escape(str(field)) for field in fields))


def claws_account(raw):
    for text in raw.split(b"\n"):
        if text.startswith(b"X-Claws-Account-Id:"):
            return text.split(b":", 1)[1].strip().decode()
    return None


def main():
    client, home, subject = sys.argv[1:4]
    found = None
    for data in READERS[client](home):
        # Claws keeps its own lines (account, folders) above the message.
        account = claws_account(data)
        data = data.split(b"X-Claws-End-Special-Headers: 1\n", 1)[-1]
        message = email.message_from_bytes(data, policy=email.policy.default)
        if str(message.get("Subject", "")).startswith(subject):
            found = (data, message, account)
    if found is None:
        return 3
    data, message, account = found
    # The headers as the client wrote them (encoded words decoded), for the record.
    raw = email.message_from_bytes(data, policy=email.policy.compat32)
    for name in ("To", "Cc", "Bcc", "From", "X-Mozilla-Draft-Info") + IDENTITY_HEADERS:
        for value in raw.get_all(name, []):
            line("raw-" + name.lower(), str(email.header.make_header(email.header.decode_header(value))))
    for name in ("to", "cc", "bcc", "from"):
        for header in message.get_all(name, []):
            for address in header.addresses:
                line(name, address.display_name, address.addr_spec)
            for defect in header.defects:
                line(name + "-defect", type(defect).__name__)
    identity = next((str(message[h]) for h in IDENTITY_HEADERS if message[h] is not None), account)
    line("identity", identity or "")
    line("subject", str(message["Subject"]))
    for part in message.walk():
        if part.is_multipart():
            continue
        if part.get_content_disposition() == "attachment":
            line("attachment", part.get_filename() or "", part.get_payload(decode=True).hex())
        elif part.get_content_type() == "text/plain":
            line("plain", part.get_content())
        elif part.get_content_type() == "text/html":
            line("html", part.get_content())
    return 0


if __name__ == "__main__":
    sys.exit(main())
