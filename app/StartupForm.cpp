#include "StartupForm.h"

#include "app/Version.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

StartupForm::StartupForm(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StartupForm"));
    setWindowTitle(QStringLiteral("Orvane"));
    auto *g = new QGridLayout(this);
    auto label = [](const char *name, const QString &text) {
        auto *l = new QLabel(text);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto button = [](const char *name, const QString &model, const QString &family) {
        auto *b = new QPushButton(model + QLatin1Char('\n') + family);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumSize(200, 56);
        return b;
    };
    Label1 = label("Label1", QStringLiteral("SDI Configuration Software"));
    QFont f = Label1->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    f.setBold(true);
    Label1->setFont(f);
    Label4 = label("Label4", QStringLiteral("Version:"));
    versionLabel = label("versionLabel", QString::fromLatin1(kVersion));
    Label2 = label("Label2", QStringLiteral("Launch:"));
    Label3 = label("Label3", QStringLiteral("Launch:"));
    Label5 = label("Label5", QStringLiteral("Launch:"));
    LevelProbeButton = button("LevelProbeButton", QStringLiteral("LT-Q5"), QStringLiteral("Level Transmitter"));
    RotaryEncoderButton = button("RotaryEncoderButton", QStringLiteral("RQ-9"), QStringLiteral("SDI-12 Rotary Encoder"));
    EncoderConverterButton =
        button("EncoderConverterButton", QStringLiteral("Corvexa"), QStringLiteral("SDI-12 Encoder Converter"));
    g->addWidget(Label1, 0, 0, 1, 2);
    g->addWidget(Label4, 1, 0);
    g->addWidget(versionLabel, 1, 1);
    g->addWidget(Label2, 2, 0);
    g->addWidget(LevelProbeButton, 2, 1);
    g->addWidget(Label3, 3, 0);
    g->addWidget(RotaryEncoderButton, 3, 1);
    g->addWidget(Label5, 4, 0);
    g->addWidget(EncoderConverterButton, 4, 1);
    connect(LevelProbeButton, &QPushButton::clicked, this, [this] { emit chosen(Family::LevelProbe); });
    connect(RotaryEncoderButton, &QPushButton::clicked, this, [this] { emit chosen(Family::RotaryEncoder); });
    connect(EncoderConverterButton, &QPushButton::clicked, this, [this] { emit chosen(Family::EncoderConverter); });
}
