// Every window as the user meets it, written out and compared with its copy in tests/golden: each object's class and
// name, each property a fresh object of its Qt class would not have, each layout's cells, list's entries, chart's axes
// and points. Sizes the style or the fonts decide are left out.
#include "support/ConsoleRig.h"
#include "support/Golden.h"

#include "app/StartupForm.h"
#include "discovery/LogPeriods.h"
#include "logging/LoggingEngine.h"
#include "params/UpDown.h"
#include "discovery/TimingWindow.h"
#include "params/UserCommandWindow.h"

#include <QAbstractItemView>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMetaProperty>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTableView>
#include <QTextBrowser>
#include <QToolButton>
#include <QPlainTextEdit>
#include <QTreeView>

namespace {
// Fresh objects of the stock classes, whose properties are the ones not worth writing out.
template <class... T> const QObject *freshOf(const QMetaObject *m)
{
    static std::map<QByteArray, std::unique_ptr<QObject>> made;
    for (; m; m = m->superClass()) {
        const QByteArray name = m->className();
        ((!made.count(name) && name == T::staticMetaObject.className() ? made[name].reset(new T) : void()), ...);
        if (auto f = made.find(name); f != made.end())
            return f->second.get();
    }
    return nullptr;
}
const QObject *stock(const QMetaObject *m)
{
    return freshOf<QObject, QWidget, QDialog, QMainWindow, QLabel, QPushButton, QCheckBox, QRadioButton, QLineEdit,
                   QComboBox, QGroupBox, QFrame, QTabWidget, QSplitter, QScrollArea, QTreeView, QListWidget,
                   QProgressBar, QStatusBar, QMenuBar, QMenu, QAction, QTextBrowser, QGridLayout, QHBoxLayout,
                   QVBoxLayout, QListView, QTableView, QStackedWidget, QToolButton, QTextEdit, QPlainTextEdit,
                   QSpinBox>(m);
}

// What the style, the fonts, the screen or the moment decide.
const QSet<QByteArray> unstable = {
    "geometry", "frameGeometry", "normalGeometry", "pos", "x", "y", "size", "width", "height", "rect",
    "childrenRect", "childrenRegion", "frameSize", "sizeHint", "minimumSizeHint", "palette", "font", "cursor",
    "locale", "visible", "isActiveWindow", "focus", "windowIcon", "icon", "iconSize", "minimized", "maximized",
    "fullScreen", "windowModified", "displayText", "iconText", "html", "markdown", "currentData", "sizeIncrement",
    "baseSize", "inputMethodHints",
    "horizontalScrollBarPolicy", "verticalScrollBarPolicy", "sizeAdjustPolicy", "hasAcceptableInput"};

QString text(const QVariant &v, const QMetaProperty &p)
{
    if (p.isEnumType()) {
        const QMetaEnum e = p.enumerator();
        return QString::fromLatin1(p.isFlagType() ? e.valueToKeys(v.toInt()) : QByteArray(e.valueToKey(v.toInt())));
    }
    if (v.metaType() == QMetaType::fromType<QMargins>()) {
        const QMargins m = v.value<QMargins>();
        return QString("%1 %2 %3 %4").arg(m.left()).arg(m.top()).arg(m.right()).arg(m.bottom());
    }
    switch (v.typeId()) {
    case QMetaType::QSize: return QString("%1x%2").arg(v.toSize().width()).arg(v.toSize().height());
    case QMetaType::QSizePolicy: {
        const auto s = v.value<QSizePolicy>();
        return QString("%1/%2 %3/%4").arg(s.horizontalPolicy()).arg(s.verticalPolicy()).arg(s.horizontalStretch())
            .arg(s.verticalStretch());
    }
    case QMetaType::QStringList: return v.toStringList().join('|');
    case QMetaType::QKeySequence: return v.value<QKeySequence>().toString();
    default: return v.canConvert<QString>() ? v.toString() : QString("<%1>").arg(v.typeName());
    }
}

struct Dump {
    QStringList lines;
    QString scrub;   // the test's own folder, written as <dir>

    void line(int depth, const QString &s)
    {
        lines << QString(depth * 2, ' ') + QString(s).replace(scrub, "<dir>").replace('\n', "\\n");
    }

    void properties(const QObject *o, int depth)
    {
        const QMetaObject *m = o->metaObject();
        const QObject *fresh = stock(m);
        for (int i = 0; i < m->propertyCount(); ++i) {
            const QMetaProperty p = m->property(i);
            if (unstable.contains(p.name()) || !strcmp(p.name(), "objectName"))
                continue;
            // The window, each tab's frame area and the charts fit their minimum to what the fonts need.
            if (QByteArray(p.name()).startsWith("minimum") &&
                (o->inherits("MainWindow") || o->inherits("QChartView") || o->objectName().startsWith("FrameScroll_")))
                continue;
            const QString now = text(p.read(o), p);
            const int j = fresh ? fresh->metaObject()->indexOfProperty(p.name()) : -1;
            if (j < 0 || text(fresh->metaObject()->property(j).read(fresh), p) != now)
                line(depth, QString(".%1 = %2").arg(p.name(), now));
        }
        if (auto *w = qobject_cast<const QWidget *>(o))
            if (w->isHidden())
                line(depth, ".hidden");
    }

    void layout(const QLayout *l, int depth)
    {
        line(depth, QString("layout %1 %2").arg(l->metaObject()->className(), l->objectName()));
        properties(l, depth + 1);
        for (int i = 0; i < l->count(); ++i) {
            QLayoutItem *item = l->itemAt(i);
            QString cell = QString::number(i);
            if (auto *g = qobject_cast<const QGridLayout *>(l)) {
                int r, c, rs, cs;
                g->getItemPosition(i, &r, &c, &rs, &cs);
                cell = QString("%1,%2 %3x%4").arg(r).arg(c).arg(rs).arg(cs);
            } else if (auto *b = qobject_cast<const QBoxLayout *>(l))
                cell += QString(" stretch %1").arg(b->stretch(i));
            QString what;
            if (QWidget *w = item->widget())
                what = QString("%1 %2").arg(w->metaObject()->className(), w->objectName());
            else if (QSpacerItem *s = item->spacerItem())
                what = QString("spacer %1x%2 %3/%4").arg(s->sizeHint().width()).arg(s->sizeHint().height())
                           .arg(s->sizePolicy().horizontalPolicy()).arg(s->sizePolicy().verticalPolicy());
            line(depth + 1, QString("[%1] %2 align %3").arg(cell, what).arg(int(item->alignment())));
            if (item->layout())
                layout(item->layout(), depth + 2);
        }
    }

    // Entries of the lists, tabs and tables.
    void entries(const QObject *o, int depth)
    {
        if (auto *c = qobject_cast<const QComboBox *>(o))
            for (int i = 0; i < c->count(); ++i)
                line(depth, "- " + c->itemText(i));
        if (auto *u = qobject_cast<const UpDown *>(o))
            line(depth, QString("steps %1 to %2, at %3").arg(u->minimum()).arg(u->maximum()).arg(u->value()));
        if (auto *t = qobject_cast<const QTabWidget *>(o))
            for (int i = 0; i < t->count(); ++i)
                line(depth, QString("tab %1 %2 |%3| %4").arg(i).arg(t->tabText(i), t->tabToolTip(i))
                                .arg(t->isTabEnabled(i) ? "on" : "off"));
        if (auto *v = qobject_cast<const QAbstractItemView *>(o); v && v->model()) {
            const QAbstractItemModel *m = v->model();
            QStringList row;
            for (int c = 0; c < m->columnCount(); ++c)
                row << m->headerData(c, Qt::Horizontal).toString();
            line(depth, "heading " + row.join('|'));
            for (int r = 0; r < m->rowCount(); ++r) {
                row.clear();
                for (int c = 0; c < m->columnCount(); ++c)
                    row << m->index(r, c).data().toString();
                line(depth, "- " + row.join('|'));
            }
            // A tree's header, or a table's first (horizontal) one.
            if (const QHeaderView *h = o->findChild<const QHeaderView *>(QString(), Qt::FindDirectChildrenOnly))
                line(depth, QString("header stretch-last %1 resize %2").arg(h->stretchLastSection())
                                .arg(h->count() ? int(h->sectionResizeMode(0)) : -1));
            if (auto *t = qobject_cast<const QTreeView *>(o))
                for (int c = 0; c < m->columnCount(); ++c)
                    if (t->isColumnHidden(c))
                        line(depth, QString("column %1 hidden").arg(c));
        }
        if (auto *w = qobject_cast<const QWidget *>(o); w && !qobject_cast<const QMenu *>(o))
            for (QAction *a : w->actions())
                if (a->parent() != o)
                    line(depth, "action " + a->objectName() + " " + a->text());
        // A chart: its axes and the points of each series.
        if (auto *v = qobject_cast<const QChartView *>(o)) {
            const QChart &ch = *v->chart();
            qreal in[4];
            ch.layout()->getContentsMargins(&in[0], &in[1], &in[2], &in[3]);
            line(depth, QString("chart margins %1 %2 %3 %4 inside %5 %6 %7 %8 roundness %9 legend at %10 antialiased %11")
                            .arg(ch.margins().left()).arg(ch.margins().top()).arg(ch.margins().right())
                            .arg(ch.margins().bottom()).arg(in[0]).arg(in[1]).arg(in[2]).arg(in[3])
                            .arg(ch.backgroundRoundness()).arg(int(ch.legend()->alignment()))
                            .arg(v->renderHints().testFlag(QPainter::Antialiasing)));
            for (QAbstractAxis *a : ch.axes()) {
                QString range;
                if (!a->isVisible())
                    ;   // (an empty chart's time axis starts at the epoch, in local time)
                else if (auto *t = qobject_cast<QDateTimeAxis *>(a))
                    range = t->min().toString(Qt::ISODate) + " " + t->max().toString(Qt::ISODate) + " " + t->format();
                else if (auto *y = qobject_cast<QValueAxis *>(a))
                    range = QString("%1 %2 %3").arg(y->min()).arg(y->max()).arg(y->labelFormat());
                line(depth, QString("axis %1 %2 |%3| %4").arg(a->orientation()).arg(a->isVisible() ? "shown" : "hidden",
                                                               a->titleText(), range));
            }
            for (QAbstractSeries *series : ch.series()) {
                QString points;
                if (auto *xy = qobject_cast<QXYSeries *>(series)) {
                    points = QString(" pen %1 %2%3").arg(xy->pen().color().name()).arg(xy->pen().widthF())
                                 .arg(xy->pen().isCosmetic() ? " cosmetic" : "");
                    for (const QPointF &p : xy->points())
                        points += QString(" %1=%2").arg(QDateTime::fromMSecsSinceEpoch(qint64(p.x())).toString("hh:mm:ss"))
                                      .arg(p.y());
                }
                line(depth, QString("series |%1| %2%3").arg(series->name(), series->isVisible() ? "shown" : "hidden", points));
            }
        }
        if (auto *menu = qobject_cast<const QMenu *>(o))
            for (QAction *a : menu->actions())
                line(depth, a->isSeparator() ? QString("----") : "entry " + a->objectName() + " " + a->text());
    }

    void object(const QObject *o, int depth)
    {
        if (o->inherits("QScrollBar") || o->inherits("QSplitterHandle") || o->inherits("QTabBar"))
            return;
        const bool shownHere = !o->objectName().startsWith("qt_");
        const bool ours = o->isWidgetType() || qobject_cast<const QAction *>(o) || o->inherits("QTimer");
        if (shownHere && ours) {
            line(depth, QString("%1 %2").arg(o->metaObject()->className(), o->objectName()));
            properties(o, depth + 1);
            entries(o, depth + 1);
            if (auto *w = qobject_cast<const QWidget *>(o); w && w->layout())
                layout(w->layout(), depth + 1);
        }
        // The inner parts of Qt's own controls are Qt's.
        if (ours && (qobject_cast<const QComboBox *>(o) || qobject_cast<const QLineEdit *>(o) ||
                     qobject_cast<const QAbstractItemView *>(o) || o->inherits("QChartView")))
            return;
        for (const QObject *child : o->children())
            object(child, shownHere && ours ? depth + 1 : depth);
    }
};

} // namespace

class TestScreens : public QObject
{
    Q_OBJECT
private slots:
    void windows_data();
    void windows();
};

void TestScreens::windows_data()
{
    QTest::addColumn<bool>("rotary");
    QTest::newRow("level") << false;
    QTest::newRow("rotary") << true;
}

// Each family's window after a scan that found sensors 3 and 5, with the windows of its own and the start-up window.
void TestScreens::windows()
{
    QFETCH(bool, rotary);
    ConsoleRig r(rotary, {3, 5});
    MainWindow &w = *r.w;
    // Three readings logged on sensor 3, five seconds apart.
    w.core.logging->SecondTimer.stop();
    ListField &periods = w.core.tab[3]->periods(rotary);
    if (!rotary)
        fillAllLogPeriods(periods);
    periods.select(periods.findText("5 Seconds"));
    QVERIFY(periods.currentIndex() > 0);
    r.press(r.tab(3)->findChild<QAbstractButton *>(rotary ? "RotaryStartLogBut_3" : "StartLogBut_3"));
    for (int i = 0; i < 10; ++i) {
        r.clock.fixed = r.clock.fixed.addSecs(1);
        w.core.logging->SecondTimer_Timer();
        r.settle();
    }
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.submnuHelp->trigger();
    // The clock panel once its timer has shown the time of the last reading.
    QTRY_COMPARE(w.StatusBar1[2]->text(), r.clock.shortDate() + " " + r.clock.timeOfDay() + "  ");
    Dump d;
    d.scrub = r.dir.path();
    StartupForm startup;
    for (QObject *top : QList<QObject *>{&w, w.Timing, w.UserCommand, &startup})
        if (top == &w || !w.findChildren<QObject *>().contains(top))
            d.object(top, 0);
    compareWithGolden(d.lines, QString("windows-%1.txt").arg(rotary ? "rotary" : "level"));
}

// The copies hold the C locale's dates and numbers, whatever the machine's.
int main(int argc, char **argv)
{
    qputenv("LC_ALL", "C.UTF-8");
    QApplication app(argc, argv);
    TestScreens t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_screens.moc"
