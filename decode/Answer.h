#pragma once

#include <QString>
#include <optional>

// A framed response line, as the decoders read it. The line normally holds
// the interface's echo of the command followed by the sensor's answer, e.g.
// "0XRA!0+10.000": the answer position P is the 1-based position of the
// echo's "!", the sensor address stands at P+1, and the answer field at
// offset k is the character at P+1+k.
class Answer
{
public:
    enum Anchor { FirstBang, LastBang };
    explicit Answer(const QString &line, Anchor anchor = FirstBang);

    const QString &text() const { return m_text; }
    int P() const { return m_p; }
    bool hasBang() const { return m_p > 0; }

    // Character at a 1-based position, nothing beyond the end.
    std::optional<QChar> at(int pos) const;
    // Field at answer offset k (0 = the address).
    std::optional<QChar> field(int k) const { return at(m_p + 1 + k); }
    // Digit at answer offset k: nothing when the answer is too short (a
    // failed step); a character that is not a digit reads as 0.
    std::optional<int> digit(int k) const;

    // Text from a 1-based position to the end ("" beyond the end).
    QString from(int pos) const;
    // Up to n characters from a 1-based position.
    QString mid(int pos, int n) const;
    // Number of characters after the answer position.
    int afterBang() const { return m_p > 0 ? static_cast<int>(m_text.size()) - m_p : 0; }
    // Everything after the address: the last afterBang()-1 characters.
    QString afterAddress() const;

    // A signed value: when the line holds a "+" anywhere, the text from
    // P+3+shift (the sign dropped), else from P+2+shift (a "-" kept).
    QString signedValue(int shift = 0) const;

    // Rotary sensors may repeat the command letters after the address: when
    // `letters` are found from P on, the answer position moves to the last
    // letter, so offset 1 is the character right after them.
    void skipRepeatedLetters(const QString &letters);

private:
    QString m_text;
    int m_p = 0;
};
