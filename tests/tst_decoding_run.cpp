// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <stdexcept>

#include "sequence/decoding_run.h"
#include "sequence/leading_number.h"
#include "sequence/memory_fields.h"
#include "test_text.h"

using quinmare::Command2_Click;
using quinmare::Field;
using quinmare::MemoryFields;

namespace {

// Fields holding a sequence and a length, with Text2 and Text3 marked so
// that a run that leaves them alone can be told from one that clears them.
MemoryFields Prepared(const QString& sequence, const QString& length) {
    MemoryFields fields;
    fields[Field::Text0] = ToU16(sequence);
    fields[Field::Text1] = ToU16(length);
    fields[Field::Text2] = u"old output";
    fields[Field::Text3] = u"old";
    return fields;
}

}  // namespace

class DecodingRunTest : public QObject {
    Q_OBJECT
private slots:
    void leadingNumber_data();
    void leadingNumber();
    void decodes_data();
    void decodes();
    void failuresStopAfterEmptyingText2_data();
    void failuresStopAfterEmptyingText2();
    void showsEveryCodonInText3();
    void readsText0AndText1Once();
    void keepsTextTypedIntoText2();
    void nestedRunEmptiesText2AndOuterAppendsAfterIt();
    void exceptionsFromFieldsPassThrough();
};

void DecodingRunTest::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "10000" << 10000.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("blanks first") << " \t\n 12" << 12.0;
    QTest::newRow("CR is not skipped") << "\r12" << 0.0;
    QTest::newRow("full-width space not skipped") << QString::fromUtf8("　12") << 0.0;
    QTest::newRow("sign plus") << "+7" << 7.0;
    QTest::newRow("sign minus") << "-3" << -3.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("two signs") << "--3" << 0.0;
    QTest::newRow("fraction") << "12.75" << 12.75;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("point last") << "9." << 9.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("comma ends") << "1,5" << 1.0;
    QTest::newRow("exponent ends") << "1e5" << 1.0;
    QTest::newRow("hex prefix ends") << "0x10" << 0.0;
    QTest::newRow("blank inside ends") << "1 2" << 1.0;
    QTest::newRow("trailing text") << "301桁" << 301.0;
    QTest::newRow("leading zeros") << "000042" << 42.0;
    QTest::newRow("full-width digits") << QString::fromUtf8("１２") << 0.0;
    QTest::newRow("huge") << QString(400, '9') << qInf();
    QTest::newRow("huge negative") << "-" + QString(400, '9') << -qInf();
    QTest::newRow("tiny") << "0." + QString(400, '0') + "1" << 0.0;
}

void DecodingRunTest::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(quinmare::LeadingNumber(ToU16(text)), value);
}

void DecodingRunTest::decodes_data() {
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("text3");
    QTest::addColumn<int>("yields");

    QTest::newRow("stop ends a paragraph") << "ATGGCCTAAGGG" << "12" << "Met__Ala__stop\r\n\r\nGly__" << "GGG" << 4;
    QTest::newRow("10 decodes 3 codons") << "ATGTGGAAAC" << "10" << "Met__Trp__Lys__" << "AAA" << 3;
    QTest::newRow("0 decodes nothing") << "ATG" << "0" << "" << "old" << 0;
    QTest::newRow("2 decodes nothing") << "ATG" << "2" << "" << "old" << 0;
    QTest::newRow("3 decodes one") << "ATGATG" << "3" << "Met__" << "ATG" << 1;
    QTest::newRow("-1 rounds to 0") << "ATG" << "-1" << "" << "old" << 0;
    QTest::newRow("-1.5 rounds to 0") << "ATG" << "-1.5" << "" << "old" << 0;
    QTest::newRow("letters give 0") << "ATG" << "abc" << "" << "old" << 0;
    QTest::newRow("empty gives 0") << "ATG" << "" << "" << "old" << 0;
    QTest::newRow("count 1.5 rounds up, loop stays") << "ATGATG" << "4.5" << "Met__" << "ATG" << 1;
    QTest::newRow("fraction of a codon") << "ATGATGATG" << "8.9" << "Met__Met__" << "ATG" << 2;
    QTest::newRow("codons past the end") << "ATGCC" << "12" << "Met__" << "" << 4;
    QTest::newRow("empty sequence") << "" << "6" << "" << "" << 2;
    QTest::newRow("line break shifts frame") << "ATG\r\nATGATG" << "12" << "Met__stop\r\n\r\n" << "TG" << 4;
    QTest::newRow("lower case and U") << "atgAUGTTT" << "9" << "Phe__" << "TTT" << 3;
    QTest::newRow("stop does not end the run") << "TAGTGATAA" << "9"
                                               << "stop\r\n\r\nstop\r\n\r\nstop\r\n\r\n" << "TAA" << 3;
}

void DecodingRunTest::decodes() {
    QFETCH(QString, sequence);
    QFETCH(QString, length);
    MemoryFields fields = Prepared(sequence, length);
    Command2_Click(fields);
    QTEST(ToQ(fields[Field::Text2]), "text2");
    QTEST(ToQ(fields[Field::Text3]), "text3");
    QTEST(int(fields.yields), "yields");
    QCOMPARE(ToQ(fields[Field::Text0]), sequence);
    QCOMPARE(ToQ(fields[Field::Text1]), length);
}

void DecodingRunTest::failuresStopAfterEmptyingText2_data() {
    QTest::addColumn<QString>("length");
    QTest::newRow("-3 rounds to -1") << "-3";
    QTest::newRow("-1.6 rounds to -1") << "-1.6";
    QTest::newRow("beyond 32 bits") << "99999999999";
    QTest::newRow("infinite") << QString(400, '9');
    QTest::newRow("above our bound") << QString::number(3LL * quinmare::kMaxCodonCount + 3);
}

void DecodingRunTest::failuresStopAfterEmptyingText2() {
    QFETCH(QString, length);
    MemoryFields fields = Prepared("ATGATG", length);
    int writes = 0;
    fields.on_write = [&](Field, std::u16string_view) { ++writes; };
    Command2_Click(fields);
    QCOMPARE(writes, 1);
    QCOMPARE(ToQ(fields[Field::Text2]), QString());
    QCOMPARE(ToQ(fields[Field::Text3]), QString("old"));
    QCOMPARE(fields.yields, 0);
}

void DecodingRunTest::showsEveryCodonInText3() {
    MemoryFields fields = Prepared("ATGxyTAAG", "15");
    QStringList shown;
    fields.on_write = [&](Field field, std::u16string_view text) {
        if (field == Field::Text3) shown << ToQ(text);
    };
    Command2_Click(fields);
    QCOMPARE(shown, (QStringList{"ATG", "xyT", "AAG", "", ""}));
    QCOMPARE(ToQ(fields[Field::Text2]), QString("Met__Lys__"));
}

void DecodingRunTest::readsText0AndText1Once() {
    // Changes to the sequence or the length during a run do not reach it.
    MemoryFields fields = Prepared("ATGATGATG", "9");
    fields.on_yield = [](MemoryFields& f) {
        f[Field::Text0] = u"TGGTGGTGG";
        f[Field::Text1] = u"3000";
    };
    Command2_Click(fields);
    QCOMPARE(ToQ(fields[Field::Text2]), QString("Met__Met__Met__"));
    QCOMPARE(fields.yields, 3);
}

void DecodingRunTest::keepsTextTypedIntoText2() {
    MemoryFields fields = Prepared("ATGTGGAAA", "9");
    fields.on_yield = [](MemoryFields& f) {
        if (f.yields == 1) f[Field::Text2] += u"typed\r\n";
    };
    Command2_Click(fields);
    QCOMPARE(ToQ(fields[Field::Text2]), QString("Met__typed\r\nTrp__Lys__"));
}

void DecodingRunTest::nestedRunEmptiesText2AndOuterAppendsAfterIt() {
    MemoryFields fields = Prepared("ATGTGGAAATTT", "12");
    QStringList shown;
    fields.on_write = [&](Field field, std::u16string_view text) {
        if (field == Field::Text3) shown << ToQ(text);
    };
    fields.on_yield = [](MemoryFields& f) {
        if (f.yields != 2) return;
        f[Field::Text0] = u"GGGCCC";
        f[Field::Text1] = u"6";
        Command2_Click(f);  // a press during the yield
    };
    Command2_Click(fields);
    // The outer run decoded ATG and TGG, the nested one emptied Text2 and
    // decoded its own sequence, then the outer one carried on at codon 3.
    QCOMPARE(ToQ(fields[Field::Text2]), QString("Gly__Pro__Lys__Phe__"));
    QCOMPARE(shown, (QStringList{"ATG", "TGG", "GGG", "CCC", "AAA", "TTT"}));
    QCOMPARE(fields.yields, 6);
}

void DecodingRunTest::exceptionsFromFieldsPassThrough() {
    struct Closed {};
    MemoryFields fields = Prepared("ATGATGATG", "9");
    fields.on_yield = [](MemoryFields& f) {
        if (f.yields == 2) throw Closed{};
    };
    QVERIFY_THROWS_EXCEPTION(Closed, Command2_Click(fields));
    QCOMPARE(ToQ(fields[Field::Text2]), QString("Met__Met__"));

    // Storage failures inside the fields are theirs too, not the run's.
    MemoryFields failing = Prepared("ATG", "3");
    failing.on_yield = [](MemoryFields&) { throw std::bad_alloc(); };
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, Command2_Click(failing));
}

QTEST_APPLESS_MAIN(DecodingRunTest)
#include "tst_decoding_run.moc"
