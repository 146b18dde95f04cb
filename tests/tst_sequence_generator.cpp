// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>
#include <cmath>

#include "core_test.h"
#include "sequence/decoding_run.h"
#include "sequence/memory_fields.h"
#include "sequence/sequence_generator.h"

using quinmare::Command1_Click;
using quinmare::Field;
using quinmare::MemoryFields;
using quinmare::NextRandom;

namespace {

// The documented stream, followed draw for draw beside the program's own
// (which starts with the process and cannot be reset). Every draw a test
// causes must be mirrored here, in order.
struct Mirror {
    std::uint64_t state = 327680;
    double Next() {
        state = (state * 1140671485ull + 12820163ull) % (1ull << 24);
        return double(state) / double(1 << 24);
    }
    // Draws a run's skip value and the values it throws away.
    void Skip() {
        const int skip = int(Next() * 100);
        for (int k = 0; k < skip; ++k) Next();
    }
    std::u16string Bases(int count) {
        std::u16string letters;
        for (int k = 0; k < count; ++k) letters += u"ATGC"[int(Next() * 4)];
        return letters;
    }
    std::u16string Run(int length) {
        Skip();
        return Bases(length);
    }
};

Mirror mirror;

}  // namespace

class SequenceGeneratorTest : public QObject {
    Q_OBJECT
private slots:
    // Runs first, on the stream as the program starts.
    void streamStartsAtFixedState();
    void generates_data();
    void generates();
    void secondPressContinuesTheStream();
    void negativeLengthStopsBeforeDrawing();
    void typedTextStaysInFront();
    void nestedGenerateDrawsFromTheSameStream();
    void nestedDecodeSeesTheSequenceSoFar();
};

void SequenceGeneratorTest::streamStartsAtFixedState() {
    const std::array<float, 5> documented = {0.7055475f, 0.533424f, 0.5795186f, 0.2895625f, 0.301948f};
    for (float expected : documented) {
        const float value = NextRandom();
        QVERIFY2(std::abs(value - expected) < 1e-6f, Exactly(value).c_str());
        QCOMPARE(double(value), mirror.Next());
    }
}

void SequenceGeneratorTest::generates_data() {
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("length");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("2") << 2 << 0;
    QTest::newRow("3") << 3 << 3;
    QTest::newRow("301") << 301 << 300;
    QTest::newRow("10000") << 10000 << 9999;
}

void SequenceGeneratorTest::generates() {
    QFETCH(int, slider);
    QFETCH(int, length);
    MemoryFields fields;
    fields.slider = slider;
    fields[Field::Text0] = u"old sequence";
    fields[Field::Text2] = u"Met__";
    fields[Field::Text3] = u"ATG";
    int shown = 0;
    fields.on_write = [&](Field field, std::u16string_view text) {
        // Text0 grows by exactly one codon each time after being emptied.
        if (field == Field::Text0) QCOMPARE(int(text.size()), shown++ == 0 ? 0 : 3 * (shown - 1));
    };
    Command1_Click(fields);
    QCOMPARE(fields.slider, length);
    QCOMPARE(fields[Field::Text1], Digits(length));
    QCOMPARE(fields[Field::Text0], mirror.Run(length));
    QCOMPARE(fields.yields, std::int64_t{2 * length + length / 3});
    QCOMPARE(shown, 1 + length / 3);
    QCOMPARE(fields[Field::Text2], u"Met__"s);
    QCOMPARE(fields[Field::Text3], u"ATG"s);
}

void SequenceGeneratorTest::secondPressContinuesTheStream() {
    MemoryFields fields;
    fields.slider = 30;
    Command1_Click(fields);
    const std::u16string first = fields[Field::Text0];
    Command1_Click(fields);
    const std::u16string second = fields[Field::Text0];
    QCOMPARE(first, mirror.Run(30));
    QCOMPARE(second, mirror.Run(30));
    QVERIFY(first != second);
}

void SequenceGeneratorTest::negativeLengthStopsBeforeDrawing() {
    // Only another implementation of the fields can report this.
    MemoryFields fields;
    fields.slider = -4;
    fields[Field::Text0] = u"AAA";
    Command1_Click(fields);
    QCOMPARE(fields[Field::Text0], u""s);
    QCOMPARE(fields.slider, -3);
    QCOMPARE(fields[Field::Text1], u"-3"s);
    QCOMPARE(fields.yields, 0);
    // The stream did not move: the next run continues in step.
    fields.slider = 3;
    Command1_Click(fields);
    QCOMPARE(fields[Field::Text0], mirror.Run(3));
}

void SequenceGeneratorTest::typedTextStaysInFront() {
    MemoryFields fields;
    fields.slider = 9;
    // Both drawing passes take 18 yields; the 19th follows the first codon.
    fields.on_yield = [](MemoryFields& f) {
        if (f.yields == 19) f[Field::Text0] += u"typed";
    };
    Command1_Click(fields);
    const std::u16string letters = mirror.Run(9);
    QCOMPARE(fields[Field::Text0], letters.substr(0, 3) + u"typed" + letters.substr(3));
}

void SequenceGeneratorTest::nestedGenerateDrawsFromTheSameStream() {
    MemoryFields fields;
    fields.slider = 30;
    fields.on_yield = [](MemoryFields& f) {
        if (f.yields != 5) return;
        f.on_yield = nullptr;
        f.slider = 10;  // the user moves the slider, then presses again
        Command1_Click(f);
    };
    Command1_Click(fields);
    // The outer run drew its skip and five bases, the nested one a whole
    // run of 9, then the outer run drew its other 25 bases.
    mirror.Skip();
    const std::u16string head = mirror.Bases(5);
    const std::u16string nested = mirror.Run(9);
    const std::u16string tail = mirror.Bases(25);
    QCOMPARE(fields[Field::Text0], nested + head + tail);
    QCOMPARE(fields.slider, 9);
    QCOMPARE(fields[Field::Text1], u"9"s);
}

void SequenceGeneratorTest::nestedDecodeSeesTheSequenceSoFar() {
    MemoryFields fields;
    fields.slider = 12;
    std::u16string decoded_from;
    fields.on_yield = [&](MemoryFields& f) {
        if (f.yields != 2 * 12 + 2) return;  // two codons shown
        decoded_from = f[Field::Text0];
        quinmare::Command2_Click(f);
    };
    Command1_Click(fields);
    const std::u16string letters = mirror.Run(12);
    QCOMPARE(decoded_from, letters.substr(0, 6));
    QCOMPARE(fields[Field::Text0], letters);
    // The nested decode read "12": four codons, two of them past the end.
    MemoryFields check;
    check[Field::Text0] = letters.substr(0, 6);
    check[Field::Text1] = u"12";
    quinmare::Command2_Click(check);
    QCOMPARE(fields[Field::Text2], check[Field::Text2]);
    QCOMPARE(fields[Field::Text3], u""s);
}

QTEST_APPLESS_MAIN(SequenceGeneratorTest)
#include "tst_sequence_generator.moc"
