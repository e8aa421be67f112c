#pragma once

#include <QByteArray>

// The CRC an SDI-12 sensor appends to an answer when asked for one (aMC!,
// aCC!, aRC0! ...): CRC-16 with the reflected polynomial 0xA001, starting
// at 0, over every character from the address up to the CRC, sent as three
// printable characters 0x40-0x7F (6 + 6 + 4 bits, the last four bits
// first), then CR LF.
namespace crc {

// The CRC of `text` (the answer without CRC and without CR LF).
quint16 crc16(const QByteArray &text);

// The three characters for `crc`: 0x40 | bits 15-12, 0x40 | bits 11-6,
// 0x40 | bits 5-0.
QByteArray encode(quint16 crc);

// `answer` followed by its three CRC characters (no CR LF).
QByteArray withCrc(const QByteArray &answer);

// An answer that should end with three CRC characters (CR LF, when present,
// is not counted). Not present when it has fewer than four characters or
// its last three are not CRC characters; then `correct` is false too.
struct Check {
    bool present = false;
    bool correct = false;
    QByteArray sent, expected;   // the three characters received / computed
};
Check check(const QByteArray &answerWithCrc);

} // namespace crc
