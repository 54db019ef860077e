// Contacts exported from phones and mail programs as vCard 2.1, 3.0 or 4.0: several
// cards a file, folded lines, values in quoted-printable (with soft line breaks) and in
// the character set their CHARSET= names, or else UTF-8, or else GB18030.
// Read: FN (else N), ORG, the first ADR (else LABEL), NOTE, every TEL (tel: URIs too),
// TITLE and EMAIL for display.
#pragma once
#include <string_view>
#include <vector>

#include "callers/contact.h"

namespace host::callers {

// `bytes` without a byte-order mark (UTF-16 files converted to UTF-8 before). A card
// with a number goes to `sink`; a line that cannot be read (no ':', outside a card, a
// value not of its character set) is reported and skipped, a card never ended is
// reported and taken as it is.
void read_vcard_contacts(std::string_view bytes, const ContactSink& sink, std::vector<LineReport>* reports);

// True when the text begins (after blank lines) with BEGIN:VCARD.
bool looks_like_vcard(std::string_view bytes);

}  // namespace host::callers
