#pragma once

#include "logging/Journal.h"

#include <QString>
#include <memory>

class Console;
class LogModel;

// The console's side of the journal: every reading a log list shows goes to
// it; saving, clearing and moving a list are noted in it; readings a run
// left unsaved are offered back at the next start. A journal that cannot be
// used is reported once and the console goes on with its readings in memory.
class JournalKeeper
{
public:
    JournalKeeper(Console &m, QString path);
    ~JournalKeeper();

    // Opens the journal for the family chosen (no path: none), tells the user
    // of any trouble and offers the readings an earlier run left unsaved.
    void open();
    bool isOpen() const { return m_journal && m_journal->isOpen(); }

    // Asks whether to restore the unsaved readings of earlier runs; `asked`
    // from the menu, where "nothing to restore" is said too.
    void offerRestore(bool asked);

    // The list of the sensor on tab `address` was saved up to the reading
    // held when `upToId` was read (savePoint()), or cleared, or moved.
    qint64 savePoint() const { return m_journal ? m_journal->lastId() : 0; }
    void saved(int address, qint64 upToId);
    void cleared(int address);
    void moved(int fromAddress, int toAddress);

    // Readings on every log list that were never saved to a file.
    int unsavedTotal() const;
    // The journal itself; none when it could not be opened.
    Journal *journal() const { return m_journal.get(); }

private:
    int family() const;
    LogModel *model(int address) const;
    void store(int address, const LogRow &row);
    void failed(const QString &what);
    void droppedUnsaved();

    Console &m;
    QString m_path;
    std::unique_ptr<Journal> m_journal;
    bool m_failureShown = false;
    bool m_dropShown = false;
    bool m_restoring = false;
};
