#pragma once

#include <QString>

// The platform edges the console talks to besides the serial port and the
// clock: message boxes, Yes/No questions, the beep, the save-file dialog and
// the progress of a long save. The window gives them as dialogs, the command
// line on its terminal; tests replace them so that nothing blocks.
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
    // The open-file dialog: the file chosen, empty when cancelled.
    virtual QString openFile(const QString &title, const QString &filter)
    {
        (void)title, (void)filter;
        return {};
    }
    // A long operation shows how far it is: `done` of `total`, and done ==
    // total (or a later call with total 0) when it ends. False when the user
    // cancelled it.
    virtual bool progress(const QString &title, const QString &text, int done, int total)
    {
        (void)title, (void)text, (void)done, (void)total;
        return true;
    }
};

