// libFuzzer target: arbitrary byte streams through the receiver and every
// answer decoding of the console, with the last command chosen from the
// input. Nothing may crash, hang, read out of bounds or grow without bound.
//
// Input: byte 0 picks the command code, byte 1 the family (bit 0) and the
// flags (bits 1-4), byte 2 the address; the rest arrives on the serial port
// in chunks split at 0xFF bytes.
#include "app/MainWindow.h"
#include "app/SensorTabWidget.h"
#include "link/FakeSerialPort.h"
#include "logging/LogList.h"

#include <QApplication>
#include <QListWidget>
#include <cstdlib>
#include <memory>

namespace {

struct QuietUi : Ui {
    void message(Icon, const QString &, const QString &) override {}
    bool askYesNo(const QString &, const QString &) override { return false; }
    void beep() override {}
    SaveChoice saveFile(const SaveDialog &) override { return {}; }
};

struct NoSleep : Clock {
    void sleepMs(int) override {}
};

struct Console {
    FakeSerialPort port;
    QuietUi ui;
    NoSleep clock;
    std::unique_ptr<MainWindow> w;
    explicit Console(bool rotary)
    {
        MainWindow::Platform p;
        p.ui = &ui;
        p.clock = &clock;
        p.port = &port;
        p.settingsPath = QStringLiteral("/nonexistent/settings.cfg");
        p.catalogue = [] { return PortCatalogue{}; };
        w = std::make_unique<MainWindow>(p);
        if (rotary)
            w->setRotaryEncoderSensorType();
        w->Form_Load();   // the port fails to open: no scan
        port.open();
        w->link.setCommandTimeout(1);
        w->link.BreakTiming = w->link.MarkTiming = w->link.DataTimeout = 0;
    }
};

struct Command {
    int code;
    const char *text;   // with 'a' for the address
};
const Command kCommands[] = {
    {0, "?!"},          {1, "aA5!"},        {2, "aXUP!"},        {3, "aXUP12!"},     {4, "aXUT!"},
    {5, "aXUT1!"},      {6, "aXP!"},        {7, "aXP1!"},        {8, "aXE!"},        {9, "aXE9.8!"},
    {10, "aI!"},        {11, "aM!"},        {12, "aD0!"},        {13, "aXRA!"},      {14, "aXRA+1!"},
    {15, "aXMOR!"},     {16, "aXMOR2!"},    {17, "aXREV!"},      {18, "aXREV1!"},    {19, "aXLOF!"},
    {20, "aXLOF-1!"},   {21, "aXLOC!"},     {22, "aXLOC1!"},     {23, "aXUNLK!"},    {24, "aXUNLK1!"},
    {25, "aXSN!"},      {26, "aXF!"},       {27, "aXF0,10,0001!"}, {28, "aXSPM0.0!"}, {29, "aXU0,0.8!"},
    {30, "aXU0!"},      {31, "aXSPM1.5!"},  {32, "aXTRIMOF0.0!"}, {33, "aXTRIMON1!"}, {34, "aXANCALCV0,0.0!"},
    {35, "aXANCALCV1,1.0!"}, {36, "aXU1,0.0!"}, {37, "aXANCALCV0!"}, {38, "aXANCALCV1!"}, {39, "aXANCALON1!"},
    {101, "aA5!"},      {102, "aXMU!"},     {103, "aXMU2!"},     {104, "aXCP!"},     {105, "aXCP200!"},
    {106, "aXRD!"},     {107, "aXRD1!"},    {108, "aXPC!"},      {109, "aXPC0!"},    {110, "aXCV!"},
    {111, "aXCV+5!"},   {112, "aI!"},       {113, "aXSN!"},      {114, "aXZE!"},     {116, "aC!"},
    {117, "aD0!"},      {115, "aI!"},
};

Console *console(bool rotary)
{
    static int argc = 1;
    static char arg0[] = "fuzz_decode";
    static char *argv[] = {arg0, nullptr};
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    (void)app;
    // Never destroyed: the windows must not outlive Qt's own statics at exit.
    static Console *level = new Console(false);
    static Console *rot = new Console(true);
    return rotary ? rot : level;
}

void bounded(MainWindow &w)
{
    if (w.link.rx().Data.size() > Link::MaxLine || w.link.rx().Text.size() > Link::MaxLine)
        std::abort();
    // Rows and log lines the run keeps are the harness's to drop.
    for (SensorTabWidget *t : w.tab) {
        if (t->LogListView->rowCount() > 10000 || t->RotaryLogListView->rowCount() > 10000) {
            t->LogListView->clear();
            t->RotaryLogListView->clear();
        }
    }
    if (w.CommsList->count() > 2000)
        w.CommsList->clear();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const bool rotary = data[1] & 1;
    Console *c = console(rotary);
    MainWindow &w = *c->w;
    const Command &cmd = kCommands[data[0] % (sizeof kCommands / sizeof kCommands[0])];
    const char address = static_cast<char>('0' + data[2] % 10);
    QString text = QString::fromLatin1(cmd.text);
    if (text.startsWith(QLatin1Char('a')))
        text[0] = QLatin1Char(address);
    w.Calibrate_Flag = data[1] & 2;
    w.SkipLocalOffset_Flag = data[1] & 4;
    w.UpdateReadings_Flag = data[1] & 8;
    w.link.UserCommandFlag = data[1] & 16;
    w.link.strSent_Command = text;
    w.link.LastCommand = cmd.code;
    w.link.ResponseState = Link::Waiting;
    w.link.ServiceRequestAddress = address - '0';

    QByteArray chunk;
    for (size_t i = 3; i < size; ++i) {
        if (data[i] == 0xFF) {
            c->port.feed(chunk);
            chunk.clear();
            QCoreApplication::processEvents();
            continue;
        }
        chunk.append(static_cast<char>(data[i]));
    }
    c->port.feed(chunk);
    // Let any exchange the answers started run out.
    for (int i = 0; i < 50 && (w.link.exchangeInFlight() || w.sequencesRunning); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    w.link.FlushInput();
    c->port.clearCalls();
    bounded(w);
    return 0;
}
