#include "decode/Crc.h"

namespace crc {

quint16 crc16(const QByteArray &text)
{
    quint16 crc = 0;
    for (char c : text) {
        crc ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : static_cast<quint16>(crc >> 1);
    }
    return crc;
}

QByteArray encode(quint16 crc)
{
    QByteArray out(3, '\0');
    out[0] = static_cast<char>(0x40 | (crc >> 12));
    out[1] = static_cast<char>(0x40 | ((crc >> 6) & 0x3F));
    out[2] = static_cast<char>(0x40 | (crc & 0x3F));
    return out;
}

QByteArray withCrc(const QByteArray &answer)
{
    return answer + encode(crc16(answer));
}

Check check(const QByteArray &answerWithCrc)
{
    Check c;
    QByteArray text = answerWithCrc;
    if (text.endsWith("\r\n"))
        text.chop(2);
    if (text.size() < 4)
        return c;
    const QByteArray sent = text.right(3);
    for (char ch : sent) {
        const auto b = static_cast<quint8>(ch);
        if (b < 0x40 || b > 0x7F)
            return c;
    }
    c.present = true;
    c.sent = sent;
    c.expected = encode(crc16(text.chopped(3)));
    c.correct = c.sent == c.expected;
    return c;
}

} // namespace crc
