#pragma once

#include <QString>

class QWidget;

// The platform edges the console talks to besides the serial port: message
// boxes, Yes/No questions, the beep and the save-file dialog. Tests replace
// them so that nothing blocks on a dialog.
class Ui
{
public:
    enum class Icon { Exclamation, Information };

    struct SaveDialog {
        QString filter;          // "Text|*.txt|Other|*.x": description and pattern pairs
        QString defaultSuffix;   // without the dot; empty for none
        int filterIndex = 1;     // 1-based
        bool overwritePrompt = false;
        QString title;
        QString fileName;        // proposed name
    };
    struct SaveChoice {
        bool accepted = false;
        QString fileName;
        int filterIndex = 0;     // 1-based
    };

    virtual ~Ui() = default;
    virtual void message(Icon icon, const QString &title, const QString &text) = 0;
    // Yes/No box; true for Yes.
    virtual bool askYesNo(const QString &title, const QString &text) = 0;
    virtual void beep() = 0;
    virtual SaveChoice saveFile(const SaveDialog &dialog) = 0;
};

// The real thing: modal Qt message boxes and file dialogs over the active
// window, and the system beep.
class QtUi : public Ui
{
public:
    void message(Icon icon, const QString &title, const QString &text) override;
    bool askYesNo(const QString &title, const QString &text) override;
    void beep() override;
    SaveChoice saveFile(const SaveDialog &dialog) override;
};
