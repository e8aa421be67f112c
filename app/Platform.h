#pragma once

#include "link/Ui.h"

#include <memory>

class QProgressDialog;

// The real thing: modal Qt message boxes and file dialogs over the active
// window, and the system beep.
class QtUi : public Ui
{
public:
    QtUi();
    ~QtUi() override;
    void message(Icon icon, const QString &title, const QString &text) override;
    bool askYesNo(const QString &title, const QString &text) override;
    void beep() override;
    SaveChoice saveFile(const SaveDialog &dialog) override;
    bool progress(const QString &title, const QString &text, int done, int total) override;
    QString openFile(const QString &title, const QString &filter) override;

private:
    std::unique_ptr<QProgressDialog> m_progress;
};
