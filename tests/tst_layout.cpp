// The main window on the screens technicians carry: CTest runs this suite on a 1366x768 laptop screen, on 1920x1080
// at 150 % (1280x720 logical) and on an 800x600 screen smaller than the window's minimum.
#include "support/ConsoleRig.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

namespace {
// Scrolls a control into view as a user would (the tab page, then on a small screen the window); true when all of
// it then lies inside the window.
bool reachable(MainWindow &w, QWidget *c)
{
    for (QWidget *p = c; p; p = p->parentWidget())
        if (auto *area = qobject_cast<QScrollArea *>(p))
            area->ensureWidgetVisible(c, 0, 0);
    QCoreApplication::processEvents();
    auto inWindow = [&w](QWidget *x) { return QRect(x->mapTo(&w, QPoint(0, 0)), x->size()); };
    return c->isVisibleTo(&w) && w.rect().contains(inWindow(c)) &&
           (c == w.statusBar() || inWindow(w.findChild<QScrollArea *>("WindowScroll")->viewport()).contains(inWindow(c)));
}
} // namespace

class TestLayout : public QObject
{
    Q_OBJECT
private slots:
    void everyControlWithinReach();
    void windowStateRemembered();
};

void TestLayout::everyControlWithinReach()
{
    for (bool rotary : {false, true}) {
        ConsoleRig r(rotary, {0});
        MainWindow &w = *r.w;
        const QRect screen = w.screen()->availableGeometry();
        const QSize least = w.minimumSizeHint();
        QCOMPARE(least.boundedTo(QSize(1024, 700)), least);
        // Opened on the screen at 1280x860, or a frame's worth less than the screen, centred within 3 px.
        QVERIFY(screen.contains(w.frameGeometry()));
        const QSize opened = QSize(1280, 860).boundedTo(screen.size() - QSize(16, 40)).expandedTo(w.minimumSize());
        QCOMPARE(w.size(), opened);
        const QPoint off = w.geometry().center() - screen.center();
        QVERIFY2(qAbs(off.x()) <= 3 && qAbs(off.y()) <= 3, qPrintable(QString("%1,%2").arg(off.x()).arg(off.y())));
        // Where there is room, the lists below the tabs show all ten addresses.
        QTreeView *table = w.tableView();
        if (screen.height() >= 768)
            QVERIFY(table->visualRect(table->model()->index(9, 0)).bottom() < table->viewport()->height());
        // At its smallest every control can be reached; where that fits the screen only pages and lists scroll.
        w.resize(w.minimumSize());
        QCoreApplication::processEvents();
        QCOMPARE(w.size().boundedTo(screen.size()), w.size());
        const bool fits = least.width() <= screen.width() - 16 && least.height() <= screen.height() - 40;
        if (auto *s = w.findChild<QScrollArea *>("WindowScroll"); fits)
            QCOMPARE(QSize(s->horizontalScrollBar()->maximum(), s->verticalScrollBar()->maximum()), QSize(0, 0));
        QList<QWidget *> controls{w.ScanBut, w.ButClearComms, w.statusBar(), table, w.CommsList};
        if (!rotary)
            controls << w.CalibrateCheck;
        for (int t : {0, 9}) {
            w.SensorTab->setCurrentIndex(t);
            QGroupBox *frame = rotary ? r.tab(t)->RotaryEncoderFrame : r.tab(t)->ParameterFrame;
            for (QWidget *c : frame->findChildren<QWidget *>() + r.tab(t)->LogFrame->findChildren<QWidget *>())
                if (c->isVisibleTo(r.tab(t)) &&
                    (qobject_cast<QAbstractButton *>(c) || c->objectName().endsWith(QString("_%1").arg(t))))
                    controls << c;
            for (QWidget *c : std::exchange(controls, {}))
                QVERIFY2(reachable(w, c), qPrintable(c->objectName()));
        }
        if (!rotary) {
            w.CalibrateCheck->setChecked(true);
            for (QWidget *c : r.tab(9)->CalibrateFrame->findChildren<QAbstractButton *>())
                QVERIFY2(reachable(w, c), qPrintable(c->objectName()));
        }
        // The sensor table's headings read whole, with the window at the size it opens at.
        w.resize(opened);
        QCoreApplication::processEvents();
        for (int c = 0; c < table->model()->columnCount(); ++c)
            QVERIFY(table->header()->sectionSize(c) >= table->header()->sectionSizeHint(c));
        if (fits && screen.width() >= 1280)
            QCOMPARE(table->horizontalScrollBar()->maximum(), 0);
    }
}

void TestLayout::windowStateRemembered()
{
    auto iniOf = [](ConsoleRig &r) {
        QFile f(r.dir.filePath("window.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    auto reopen = [](const QByteArray &ini) {
        auto r = std::make_unique<ConsoleRig>(false, 80, false);
        if (QFile f(r->dir.filePath("window.ini")); f.open(QIODevice::WriteOnly))
            f.write(ini);
        r->load();
        return r;
    };
    // Splitters come back as they were left.
    ConsoleRig left;
    left.w->ListSplitter->setSizes({300, 500});
    left.w->close();
    QVERIFY(iniOf(left).contains("[window]"));
    QCOMPARE(reopen(iniOf(left))->w->ListSplitter->sizes(), left.w->ListSplitter->sizes());
    // A window left on a screen that is gone, or a state that does not read, opens on this screen.
    ConsoleRig r;
    r.w->move(20000, 20000);
    QSettings(r.dir.filePath("window.ini"), QSettings::IniFormat).setValue("window/geometry", r.w->saveGeometry());
    QVERIFY(iniOf(r).contains("geometry="));
    for (const QByteArray &ini : {iniOf(r), QByteArray("[window]\ngeometry=@ByteArray(\\x1\\x2garbage)\nmainSplitter=7\n")}) {
        auto again = reopen(ini);
        QVERIFY(again->w->screen()->availableGeometry().contains(again->w->geometry()));
        QVERIFY(again->w->MainSplitter->sizes().value(1) > 0);
    }
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
