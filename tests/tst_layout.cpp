// The main window on the screens technicians carry: CTest runs this suite on
// a 1366x768 laptop screen, on 1920x1080 at 150 % (1280x720 logical) and on
// an 800x600 screen smaller than the window's minimum.
#include "support/ConsoleRig.h"

#include "discovery/SensorTable.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

namespace {
QScrollArea *windowScroll(MainWindow &w)
{
    return w.findChild<QScrollArea *>(QStringLiteral("WindowScroll"));
}

// Brings a control into view the way a user would, by scrolling the tab
// page and, on a screen too small for the window, the window itself; true
// when all of it then lies inside the window.
bool reachable(MainWindow &w, QWidget *c)
{
    for (QWidget *p = c; p; p = p->parentWidget())
        if (auto *area = qobject_cast<QScrollArea *>(p))
            area->ensureWidgetVisible(c, 0, 0);
    QCoreApplication::processEvents();
    const QRect inWindow(c->mapTo(&w, QPoint(0, 0)), c->size());
    QWidget *view = windowScroll(w)->viewport();
    const QRect shown(view->mapTo(&w, QPoint(0, 0)), view->size());
    return c->isVisibleTo(&w) && w.rect().contains(inWindow) &&
           (c == w.statusBar() || shown.contains(inWindow));
}
} // namespace

class TestLayout : public QObject
{
    Q_OBJECT
private slots:
    void everyControlWithinReach_data();
    void everyControlWithinReach();
    void windowStateRemembered();
};

void TestLayout::everyControlWithinReach_data()
{
    QTest::addColumn<bool>("rotary");
    QTest::newRow("level probe") << false;
    QTest::newRow("rotary") << true;
}

void TestLayout::everyControlWithinReach()
{
    QFETCH(bool, rotary);
    ConsoleRig r(rotary, 80, false);
    rotary ? r.rotarySensor(0) : r.levelSensor(0);
    r.load();
    MainWindow &w = *r.w;
    const QRect screen = w.screen()->availableGeometry();
    const QSize least = w.minimumSizeHint();
    QVERIFY2(least.width() <= 1024 && least.height() <= 700,
             qPrintable(QStringLiteral("%1x%2").arg(least.width()).arg(least.height())));
    // Opened on the screen and no larger than it, centred in it: 1280x860
    // where there is room, less a frame's worth of the screen where not.
    QVERIFY(screen.contains(w.frameGeometry()));
    const QSize opened = QSize(1280, 860).boundedTo(screen.size() - QSize(16, 40)).expandedTo(w.minimumSize());
    QCOMPARE(w.size(), opened);
    // Centred, give or take the frame the platform adds once it is shown.
    const QPoint off = w.geometry().center() - screen.center();
    QVERIFY2(qAbs(off.x()) <= 3 && qAbs(off.y()) <= 3, qPrintable(QStringLiteral("%1,%2").arg(off.x()).arg(off.y())));

    // Where there is room, the lists below the tabs show all ten addresses.
    if (screen.height() >= 768) {
        QTreeView *table = w.tableView();
        QVERIFY(table->visualRect(table->model()->index(9, 0)).bottom() < table->viewport()->height());
    }

    // At the smallest size the window takes, every control can be reached.
    w.resize(w.minimumSize());
    QCoreApplication::processEvents();
    QVERIFY(w.size().width() <= screen.width() && w.size().height() <= screen.height());
    const bool fits = least.width() <= screen.width() - 16 && least.height() <= screen.height() - 40;
    // Where the minimum fits the screen, only tab pages and lists scroll.
    if (fits) {
        QCOMPARE(windowScroll(w)->verticalScrollBar()->maximum(), 0);
        QCOMPARE(windowScroll(w)->horizontalScrollBar()->maximum(), 0);
    }
    QList<QWidget *> controls{w.ScanBut, w.ButClearComms, w.statusBar(), w.tableView(), w.CommsList};
    if (!rotary)
        controls << w.CalibrateCheck;
    for (QWidget *c : controls)
        QVERIFY2(reachable(w, c), qPrintable(c->objectName()));
    for (int t : {0, 9}) {
        w.SensorTab->setCurrentIndex(t);
        QGroupBox *frame = rotary ? r.tab(t)->RotaryEncoderFrame : r.tab(t)->ParameterFrame;
        const auto inFrames = frame->findChildren<QWidget *>() + r.tab(t)->LogFrame->findChildren<QWidget *>();
        for (QWidget *c : inFrames)
            if (c->isVisibleTo(r.tab(t)) && (qobject_cast<QAbstractButton *>(c) || c->objectName().endsWith("_" + QString::number(t))))
                QVERIFY2(reachable(w, c), qPrintable(c->objectName()));
    }
    if (!rotary) {
        w.CalibrateCheck->setChecked(true);
        for (QWidget *c : r.tab(9)->CalibrateFrame->findChildren<QAbstractButton *>())
            QVERIFY2(reachable(w, c), qPrintable(c->objectName()));
    }

    // The sensor table's headings read whole, with the window at the size it
    // opens at.
    w.resize(QSize(1280, 860).boundedTo(screen.size() - QSize(16, 40)).expandedTo(w.minimumSize()));
    QCoreApplication::processEvents();
    QTreeView *table = w.tableView();
    for (int c = 0; c < table->model()->columnCount(); ++c)
        QVERIFY(table->header()->sectionSize(c) >= table->header()->sectionSizeHint(c));
    if (fits && screen.width() >= 1280)
        QCOMPARE(table->horizontalScrollBar()->maximum(), 0);
}

void TestLayout::windowStateRemembered()
{
    QByteArray saved;
    QList<int> lists;
    {
        ConsoleRig r;
        r.w->ListSplitter->setSizes({300, 500});
        lists = r.w->ListSplitter->sizes();
        r.w->close();
        QFile f(r.dir.filePath("window.ini"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        saved = f.readAll();
    }
    auto reopen = [](const QByteArray &ini) {
        auto r = std::make_unique<ConsoleRig>(false, 80, false);
        QFile f(r->dir.filePath("window.ini"));
        f.open(QIODevice::WriteOnly);
        f.write(ini);
        f.close();
        r->load();
        return r;
    };
    // Splitters come back as they were left.
    QCOMPARE(reopen(saved)->w->ListSplitter->sizes(), lists);
    // A window left on a screen that is gone, or a state that does not read,
    // opens on this screen.
    {
        ConsoleRig r;
        r.w->move(20000, 20000);
        QSettings(r.dir.filePath("window.ini"), QSettings::IniFormat).setValue("window/geometry", r.w->saveGeometry());
        QFile f(r.dir.filePath("window.ini"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        saved = f.readAll();
    }
    for (const QByteArray &ini : {saved, QByteArray("[window]\ngeometry=@ByteArray(\\x1\\x2garbage)\nmainSplitter=7\n")}) {
        auto r = reopen(ini);
        QVERIFY(r->w->screen()->availableGeometry().contains(r->w->geometry()));
        QVERIFY(r->w->MainSplitter->sizes().value(1) > 0);
    }
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
