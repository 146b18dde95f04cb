// SPDX-License-Identifier: GPL-3.0-or-later
// Times the two runs, headless over in-memory fields and in the real
// window, on whatever display it is given (offscreen or an X server), and
// prints a table. Not a test: run it by hand, see the README.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <cstdio>
#include <functional>
#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include "form1.h"
#include "sequence/decoding_run.h"
#include "sequence/memory_fields.h"
#include "sequence/sequence_generator.h"

using namespace quinmare;

namespace {

struct Timing {
    double seconds;
    long steps;
};

Timing Time(long steps, const std::function<void()>& run) {
    QElapsedTimer timer;
    timer.start();
    run();
    return {timer.nsecsElapsed() / 1e9, steps};
}

std::u16string Letters(int count) {
    std::u16string text;
    for (int k = 0; k < count; ++k) text += u"ATGC"[(k * 7 + k / 5) % 4];
    return text;
}

void PrintRow(const char* where, const char* what, Timing t, const char* ratio) {
    std::printf("| %-6s | %-8s | %5ld | %8.3f s | %8.1f us | %5s |\n", where, what, t.steps, t.seconds,
                t.seconds / t.steps * 1e6, ratio);
}

// A run at a tenth of full size and at full size, and how much the time
// per step grows between the two.
void PrintPair(const char* where, const char* what, Timing tenth, Timing full) {
    char ratio[16];
    std::snprintf(ratio, sizeof ratio, "%.2f", (full.seconds / full.steps) / (tenth.seconds / tenth.steps));
    PrintRow(where, what, tenth, "");
    PrintRow(where, what, full, ratio);
}

Timing CoreGenerate(int bases) {
    MemoryFields fields;
    fields.slider = bases;
    return Time(bases, [&] { Command1_Click(fields); });
}

Timing CoreDecode(int codons) {
    MemoryFields fields;
    fields[Field::Text0] = Letters(9999);
    const std::string length = std::to_string(codons * 3);
    fields[Field::Text1] = std::u16string(length.begin(), length.end());
    return Time(codons, [&] { Command2_Click(fields); });
}

// Waits until everything the runs wrote is on screen.
void Settle() {
    for (int k = 0; k < 5; ++k) QApplication::processEvents();
}

Timing WindowGenerate(Form1& form, int bases) {
    form.findChild<QSlider*>("Slider1")->setValue(bases);
    auto* button = form.findChild<QPushButton*>("Command1");
    return Time(bases, [&] {
        button->click();
        Settle();
    });
}

Timing WindowDecode(Form1& form, int codons) {
    form.WriteText(Field::Text0, Letters(9999));
    form.findChild<QSlider*>("Slider1")->setValue(codons * 3);
    auto* button = form.findChild<QPushButton*>("Command2");
    return Time(codons, [&] {
        button->click();
        Settle();
    });
}

// A megabyte of letters on one line, as copied from a one-line FASTA
// record: the paste, one typed letter, one BackSpace, and a decode at the
// slider's full length, each until the window has caught up.
void PrintLongLine(Form1& form) {
    QString letters;
    const std::u16string source = Letters(1 << 20);
    letters = QString::fromUtf16(source.data(), qsizetype(source.size()));
    QGuiApplication::clipboard()->setText(letters);
    auto* text0 = form.findChild<QPlainTextEdit*>("Text0");
    text0->setFocus();
    auto key = [&](Qt::Key code, Qt::KeyboardModifiers modifiers, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
        QApplication::sendEvent(text0, &press);
        QKeyEvent release(QEvent::KeyRelease, code, modifiers, text);
        QApplication::sendEvent(text0, &release);
        Settle();
    };
    auto row = [](const char* what, Timing t) { std::printf("| %-28s | %8.1f ms |\n", what, t.seconds * 1e3); };
    std::printf("\n| 1 MiB on one line            |       time |\n|------------------------------|-----------:|\n");
    row("paste", Time(1, [&] { key(Qt::Key_V, Qt::ControlModifier, {}); }));
    row("type a letter at the end", Time(1, [&] { key(Qt::Key_A, Qt::NoModifier, "A"); }));
    row("BackSpace", Time(1, [&] { key(Qt::Key_Backspace, Qt::NoModifier, {}); }));
    form.findChild<QSlider*>("Slider1")->setValue(10000);
    auto* decode = form.findChild<QPushButton*>("Command2");
    row("decode 3333 codons", Time(1, [&] {
        decode->click();
        Settle();
    }));
    row("type a letter after decoding", Time(1, [&] { key(Qt::Key_C, Qt::NoModifier, "C"); }));
}

// Child mode: report the moment the window has painted for the first time.
int FirstPaintChild(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Form1 form;
    struct Watcher : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && !reported) {
                reported = true;
                QTimer::singleShot(0, [] {
                    std::printf("painted\n");
                    std::fflush(stdout);
                    QApplication::quit();
                });
            }
            return false;
        }
        bool reported = false;
    } watcher;
    form.installEventFilter(&watcher);
    form.show();
    return QApplication::exec();
}

double FirstPaintSeconds(const QString& self) {
    QElapsedTimer timer;
    timer.start();
    QProcess child;
    child.start(self, {"--first-paint"});
    child.waitForReadyRead(10000);
    const double seconds = timer.nsecsElapsed() / 1e9;
    child.waitForFinished(10000);
    return seconds;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::string(argv[1]) == "--first-paint") return FirstPaintChild(argc, argv);
    QApplication app(argc, argv);
    std::printf("Platform: %s\n\n", qPrintable(QGuiApplication::platformName()));
    std::printf("| where  | run      | steps |      total |    per step | full/tenth |\n");
    std::printf("|--------|----------|------:|-----------:|------------:|------:|\n");
    PrintPair("core", "generate", CoreGenerate(999), CoreGenerate(9999));
    PrintPair("core", "decode", CoreDecode(333), CoreDecode(3333));
    {
        Form1 form;
        form.show();
        Settle();
        const Timing tenth = WindowGenerate(form, 999);
        const Timing full = WindowGenerate(form, 9999);
        PrintPair("window", "generate", tenth, full);
        const Timing decode_tenth = WindowDecode(form, 333);
        const Timing decode_full = WindowDecode(form, 3333);
        PrintPair("window", "decode", decode_tenth, decode_full);
    }
    {
        Form1 form;
        form.show();
        Settle();
        PrintLongLine(form);
    }
    std::printf("\nStart to first paint: %.0f ms\n", FirstPaintSeconds(QCoreApplication::applicationFilePath()) * 1e3);
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    const double peak_kib = counters.PeakWorkingSetSize / 1024.0;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peak_kib = usage.ru_maxrss;
#endif
    std::printf("Peak resident memory: %.1f MB\n", peak_kib / 1024.0);
    return 0;
}
