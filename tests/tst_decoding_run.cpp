// SPDX-License-Identifier: GPL-3.0-or-later
#include <limits>
#include <new>

#include "core_test.h"
#include "sequence/decoding_run.h"
#include "sequence/leading_number.h"
#include "sequence/memory_fields.h"

using quinmare::Command2_Click;
using quinmare::Field;
using quinmare::MemoryFields;

namespace {

// Fields holding a sequence and a length, with Text2 and Text3 marked so
// that a run that leaves them alone can be told from one that clears them.
MemoryFields Prepared(const std::u16string& sequence, const std::u16string& length) {
    MemoryFields fields;
    fields[Field::Text0] = sequence;
    fields[Field::Text1] = length;
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
    const double infinity = std::numeric_limits<double>::infinity();
    QTest::addColumn<std::u16string>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << u"10000"s << 10000.0;
    QTest::newRow("empty") << u""s << 0.0;
    QTest::newRow("letters") << u"abc"s << 0.0;
    QTest::newRow("blanks first") << u" \t\n 12"s << 12.0;
    QTest::newRow("CR is not skipped") << u"\r12"s << 0.0;
    QTest::newRow("full-width space not skipped") << u"　12"s << 0.0;
    QTest::newRow("sign plus") << u"+7"s << 7.0;
    QTest::newRow("sign minus") << u"-3"s << -3.0;
    QTest::newRow("sign alone") << u"-"s << 0.0;
    QTest::newRow("two signs") << u"--3"s << 0.0;
    QTest::newRow("fraction") << u"12.75"s << 12.75;
    QTest::newRow("point first") << u".5"s << 0.5;
    QTest::newRow("point last") << u"9."s << 9.0;
    QTest::newRow("second point ends") << u"1.2.3"s << 1.2;
    QTest::newRow("comma ends") << u"1,5"s << 1.0;
    QTest::newRow("exponent ends") << u"1e5"s << 1.0;
    QTest::newRow("hex prefix ends") << u"0x10"s << 0.0;
    QTest::newRow("blank inside ends") << u"1 2"s << 1.0;
    QTest::newRow("trailing text") << u"301桁"s << 301.0;
    QTest::newRow("leading zeros") << u"000042"s << 42.0;
    QTest::newRow("zeros after the point") << u"0.0005"s << 0.0005;
    QTest::newRow("full-width digits") << u"１２"s << 0.0;
    QTest::newRow("huge") << std::u16string(400, u'9') << infinity;
    QTest::newRow("huge negative") << u"-"s + std::u16string(400, u'9') << -infinity;
    QTest::newRow("tiny") << u"0."s + std::u16string(400, u'0') + u"1" << 0.0;
    // Rounded to the nearest double, as a decimal literal is: more digits
    // than a double holds, ties to even, and a third of a length.
    QTest::newRow("20 digits round up") << u"8.9999999999999999999"s << 9.0;
    QTest::newRow("2^53 + 1 ties to even") << u"9007199254740993"s << 9007199254740992.0;
    QTest::newRow("just above the tie") << u"9007199254740993.0000000000000000001"s << 9007199254740994.0;
    QTest::newRow("long fraction") << u"3.14159265358979323846264338327950288"s << 3.14159265358979323846;
}

void DecodingRunTest::leadingNumber() {
    QFETCH(std::u16string, text);
    QFETCH(double, value);
    // Exactly, not within a tolerance: the count decoded depends on the last bit.
    const double read = quinmare::LeadingNumber(text);
    QVERIFY2(read == value, Exactly(read).c_str());
}

void DecodingRunTest::decodes_data() {
    QTest::addColumn<std::u16string>("sequence");
    QTest::addColumn<std::u16string>("length");
    QTest::addColumn<std::u16string>("text2");
    QTest::addColumn<std::u16string>("text3");
    QTest::addColumn<int>("yields");

    QTest::newRow("stop ends a paragraph") << u"ATGGCCTAAGGG"s << u"12"s << u"Met__Ala__stop\r\n\r\nGly__"s << u"GGG"s << 4;
    QTest::newRow("10 decodes 3 codons") << u"ATGTGGAAAC"s << u"10"s << u"Met__Trp__Lys__"s << u"AAA"s << 3;
    QTest::newRow("0 decodes nothing") << u"ATG"s << u"0"s << u""s << u"old"s << 0;
    QTest::newRow("2 decodes nothing") << u"ATG"s << u"2"s << u""s << u"old"s << 0;
    QTest::newRow("3 decodes one") << u"ATGATG"s << u"3"s << u"Met__"s << u"ATG"s << 1;
    QTest::newRow("-1 rounds to 0") << u"ATG"s << u"-1"s << u""s << u"old"s << 0;
    QTest::newRow("-1.5 rounds to 0") << u"ATG"s << u"-1.5"s << u""s << u"old"s << 0;
    QTest::newRow("letters give 0") << u"ATG"s << u"abc"s << u""s << u"old"s << 0;
    QTest::newRow("empty gives 0") << u"ATG"s << u""s << u""s << u"old"s << 0;
    QTest::newRow("count 1.5 rounds up, loop stays") << u"ATGATG"s << u"4.5"s << u"Met__"s << u"ATG"s << 1;
    QTest::newRow("fraction of a codon") << u"ATGATGATG"s << u"8.9"s << u"Met__Met__"s << u"ATG"s << 2;
    QTest::newRow("codons past the end") << u"ATGCC"s << u"12"s << u"Met__"s << u""s << 4;
    QTest::newRow("empty sequence") << u""s << u"6"s << u""s << u""s << 2;
    QTest::newRow("line break shifts frame") << u"ATG\r\nATGATG"s << u"12"s << u"Met__stop\r\n\r\n"s << u"TG"s << 4;
    QTest::newRow("lower case and U") << u"atgAUGTTT"s << u"9"s << u"Phe__"s << u"TTT"s << 3;
    QTest::newRow("stop does not end the run") << u"TAGTGATAA"s << u"9"s
                                               << u"stop\r\n\r\nstop\r\n\r\nstop\r\n\r\n"s << u"TAA"s << 3;
}

void DecodingRunTest::decodes() {
    QFETCH(std::u16string, sequence);
    QFETCH(std::u16string, length);
    MemoryFields fields = Prepared(sequence, length);
    Command2_Click(fields);
    QTEST(fields[Field::Text2], "text2");
    QTEST(fields[Field::Text3], "text3");
    QTEST(int(fields.yields), "yields");
    QCOMPARE(fields[Field::Text0], sequence);
    QCOMPARE(fields[Field::Text1], length);
}

void DecodingRunTest::failuresStopAfterEmptyingText2_data() {
    QTest::addColumn<std::u16string>("length");
    QTest::newRow("-3 rounds to -1") << u"-3"s;
    QTest::newRow("-1.6 rounds to -1") << u"-1.6"s;
    QTest::newRow("beyond 32 bits") << u"99999999999"s;
    QTest::newRow("infinite") << std::u16string(400, u'9');
    QTest::newRow("above our bound") << Digits(3LL * quinmare::kMaxCodonCount + 3);
}

void DecodingRunTest::failuresStopAfterEmptyingText2() {
    QFETCH(std::u16string, length);
    MemoryFields fields = Prepared(u"ATGATG", length);
    int writes = 0;
    fields.on_write = [&](Field, std::u16string_view) { ++writes; };
    Command2_Click(fields);
    QCOMPARE(writes, 1);
    QCOMPARE(fields[Field::Text2], u""s);
    QCOMPARE(fields[Field::Text3], u"old"s);
    QCOMPARE(fields.yields, 0);
}

void DecodingRunTest::showsEveryCodonInText3() {
    MemoryFields fields = Prepared(u"ATGxyTAAG", u"15");
    Texts shown;
    fields.on_write = [&](Field field, std::u16string_view text) {
        if (field == Field::Text3) shown.emplace_back(text);
    };
    Command2_Click(fields);
    QCOMPARE(shown, (Texts{u"ATG", u"xyT", u"AAG", u"", u""}));
    QCOMPARE(fields[Field::Text2], u"Met__Lys__"s);
}

void DecodingRunTest::readsText0AndText1Once() {
    // Changes to the sequence or the length during a run do not reach it.
    MemoryFields fields = Prepared(u"ATGATGATG", u"9");
    fields.on_yield = [](MemoryFields& f) {
        f[Field::Text0] = u"TGGTGGTGG";
        f[Field::Text1] = u"3000";
    };
    Command2_Click(fields);
    QCOMPARE(fields[Field::Text2], u"Met__Met__Met__"s);
    QCOMPARE(fields.yields, 3);
}

void DecodingRunTest::keepsTextTypedIntoText2() {
    MemoryFields fields = Prepared(u"ATGTGGAAA", u"9");
    fields.on_yield = [](MemoryFields& f) {
        if (f.yields == 1) f[Field::Text2] += u"typed\r\n";
    };
    Command2_Click(fields);
    QCOMPARE(fields[Field::Text2], u"Met__typed\r\nTrp__Lys__"s);
}

void DecodingRunTest::nestedRunEmptiesText2AndOuterAppendsAfterIt() {
    MemoryFields fields = Prepared(u"ATGTGGAAATTT", u"12");
    Texts shown;
    fields.on_write = [&](Field field, std::u16string_view text) {
        if (field == Field::Text3) shown.emplace_back(text);
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
    QCOMPARE(fields[Field::Text2], u"Gly__Pro__Lys__Phe__"s);
    QCOMPARE(shown, (Texts{u"ATG", u"TGG", u"GGG", u"CCC", u"AAA", u"TTT"}));
    QCOMPARE(fields.yields, 6);
}

void DecodingRunTest::exceptionsFromFieldsPassThrough() {
    struct Closed {};
    MemoryFields fields = Prepared(u"ATGATGATG", u"9");
    fields.on_yield = [](MemoryFields& f) {
        if (f.yields == 2) throw Closed{};
    };
    QVERIFY_THROWS_EXCEPTION(Closed, Command2_Click(fields));
    QCOMPARE(fields[Field::Text2], u"Met__Met__"s);

    // Storage failures inside the fields are theirs too, not the run's.
    MemoryFields failing = Prepared(u"ATG", u"3");
    failing.on_yield = [](MemoryFields&) { throw std::bad_alloc(); };
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, Command2_Click(failing));
}

QTEST_APPLESS_MAIN(DecodingRunTest)
#include "tst_decoding_run.moc"
