// Statement lines from an OFX 1.x (SGML), OFX 2.x (XML) or QFX file, read through libofx. This is
// the one unit that calls libofx.
//
// libofx parses the file and gives each transaction's payee name, memo and check number (in
// UTF-8 when the file names its character set). Its messages are switched off, so nothing it would
// say reaches the terminal. A file that libofx cannot parse to its end is refused: on a damaged
// file it still hands on what it read, and a part of a statement must not be imported.
//
// The posted date and the amount are taken from the file's own text of each transaction
// (<DTPOSTED> and <TRNAMT>, in the order the transactions stand), not from libofx's values: libofx
// turns the date and time into an instant, which a time zone moves to another day, and it reads
// "1,234.56" as 1.234. The date is the first eight digits, YYYYMMDD, the day the bank gave; the
// amount is read with the decimal point or comma OFX allows (transfer/StatementValues.h), and must
// agree with the amount libofx read, which also checks that the two are the same transaction. The
// payee is the NAME, or the MEMO when there is no NAME.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "transfer/StatementLines.h"

namespace kvl {

// Whether the file's first bytes are those of an OFX or QFX file.
bool LooksLikeOfx(const QByteArray& bytes);

// The lines of the OFX file at path, whose content is bytes. Nothing on failure, with the reason
// in *why ("transaction 3: ..." where a transaction is at fault).
std::optional<Statement> ReadOfxStatement(const QString& path, const QByteArray& bytes,
                                          QString* why);

}  // namespace kvl
