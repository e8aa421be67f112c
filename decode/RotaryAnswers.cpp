// Answers to the rotary-encoder parameter commands (the encoder converter
// answers the same way).
#include "Dispatcher.h"

#include "discovery/Console.h"
#include "decode/Decoders.h"
#include "discovery/SensorTable.h"
#include "logging/LoggingEngine.h"
#include "params/RotaryParams.h"


void Dispatcher::rotary(Line &l)
{
    SensorFields *t = m.tab[l.T].get();
    beep();
    const int code = l.code;
    const bool isSet = code == 103 || code == 105 || code == 107 || code == 109 || code == 111 || code == 114;

    // Some sensors repeat the command letters after the address.
    static const char *letters[] = {"XMU", "XMU", "XCP", "XCP", "XRD", "XRD", "XPC", "XPC", "XCV", "XCV"};
    if (code >= 102 && code <= 111)
        l.a.skipRepeatedLetters(QString::fromLatin1(letters[code - 102]));
    const QString w = l.a.from(l.a.P() + 2);

    auto listAnswer = [&](ListField &c, int column) {
        const auto d = l.a.digit(1);
        if (!d)
            fail();
        else if (*d < c.count())
            c.select(*d);
        m.table->setCell(l.T, column, c.text());
    };

    switch (code) {
    case 102: case 103:
        listAnswer(t->RotaryMeasurementUnitsCombo, SensorTable::RotaryUnits);
        break;
    case 104: case 105:
        t->RotaryPulleyCircumText.setText(w);
        m.table->setCell(l.T, SensorTable::RotaryPulleyCircum, w);
        break;
    case 106: case 107:
        listAnswer(t->RotaryDirectionCombo, SensorTable::RotaryDirection);
        break;
    case 108: case 109:
        t->RotaryCountsPerRevText.setText(w);
        break;
    case 110: case 111:
        t->RotaryCurrentValueText.setText(decoders::dropPlus(w));
        break;
    case 114:
        t->RotaryCurrentValueText.setText(QStringLiteral("0.000"));
        break;
    default:
        break;
    }
    answered();

    if (code == 103 || code == 105 || code == 108 || code == 109) {
        if (!m.rotary->calculateMeasurementRes(l.T))
            fail();
    }
    if (isSet)
        m.logging->StartRotaryMeasurement(l.T);
    else
        idleRotary(l, l.T);
}
