// SPDX-License-Identifier: GPL-3.0-or-later
#include <set>

#include "core_test.h"
#include "sequence/codon_table.h"

using quinmare::Henkan;

class CodonTableTest : public QObject {
    Q_OBJECT
private slots:
    void matchesStandardCode_data();
    void matchesStandardCode();
    void everyCodonListedOnce();
    void noLabel_data();
    void noLabel();
};

// The standard code written out by amino acid, independently of the
// table's own TCAG string.
static const std::vector<std::pair<std::u16string, Texts>> kByAminoAcid = {
    {u"Phe__", {u"TTT", u"TTC"}},
    {u"Leu__", {u"TTA", u"TTG", u"CTT", u"CTC", u"CTA", u"CTG"}},
    {u"Ile__", {u"ATT", u"ATC", u"ATA"}},
    {u"Met__", {u"ATG"}},
    {u"Val__", {u"GTT", u"GTC", u"GTA", u"GTG"}},
    {u"Ser__", {u"TCT", u"TCC", u"TCA", u"TCG", u"AGT", u"AGC"}},
    {u"Pro__", {u"CCT", u"CCC", u"CCA", u"CCG"}},
    {u"Thr__", {u"ACT", u"ACC", u"ACA", u"ACG"}},
    {u"Ala__", {u"GCT", u"GCC", u"GCA", u"GCG"}},
    {u"Tyr__", {u"TAT", u"TAC"}},
    {u"stop__", {u"TAA", u"TAG", u"TGA"}},
    {u"His__", {u"CAT", u"CAC"}},
    {u"Gln__", {u"CAA", u"CAG"}},
    {u"Asn__", {u"AAT", u"AAC"}},
    {u"Lys__", {u"AAA", u"AAG"}},
    {u"Asp__", {u"GAT", u"GAC"}},
    {u"Glu__", {u"GAA", u"GAG"}},
    {u"Cys__", {u"TGT", u"TGC"}},
    {u"Trp__", {u"TGG"}},
    {u"Arg__", {u"CGT", u"CGC", u"CGA", u"CGG", u"AGA", u"AGG"}},
    {u"Gly__", {u"GGT", u"GGC", u"GGA", u"GGG"}},
};

void CodonTableTest::matchesStandardCode_data() {
    QTest::addColumn<std::u16string>("label");
    QTest::addColumn<Texts>("codons");
    for (const auto& [label, codons] : kByAminoAcid) {
        QTest::newRow(std::string(label.begin(), label.end()).c_str()) << label << codons;
    }
}

void CodonTableTest::matchesStandardCode() {
    QFETCH(std::u16string, label);
    QFETCH(Texts, codons);
    for (const std::u16string& codon : codons) {
        QCOMPARE(std::u16string(Henkan(codon)), label);
    }
}

void CodonTableTest::everyCodonListedOnce() {
    // The list above must itself cover the 64 codons exactly once, or the
    // comparison proves less than it seems.
    std::set<std::u16string> seen;
    for (const auto& entry : kByAminoAcid)
        for (const std::u16string& codon : entry.second) QVERIFY(seen.insert(codon).second);
    QCOMPARE(seen.size(), std::size_t{64});
    const std::u16string bases = u"ACGT";
    for (char16_t a : bases)
        for (char16_t b : bases)
            for (char16_t c : bases) QVERIFY(seen.count(std::u16string{a, b, c}));
}

void CodonTableTest::noLabel_data() {
    QTest::addColumn<std::u16string>("codon");
    QTest::newRow("lower case") << u"atg"s;
    QTest::newRow("mixed case") << u"aTG"s;
    QTest::newRow("RNA uracil") << u"AUG"s;
    QTest::newRow("short") << u"AT"s;
    QTest::newRow("one letter") << u"A"s;
    QTest::newRow("long") << u"ATGC"s;
    QTest::newRow("leading blank") << u" ATG"s;
    QTest::newRow("trailing blank") << u"AT "s;
    QTest::newRow("empty") << u""s;
    QTest::newRow("line break inside") << u"A\r\n"s;
    QTest::newRow("full-width letters") << u"ＡＴＧ"s;
    QTest::newRow("NUL inside") << u"A\0G"s;
    QTest::newRow("other letter") << u"ATN"s;
}

void CodonTableTest::noLabel() {
    QFETCH(std::u16string, codon);
    QVERIFY(Henkan(codon).empty());
}

QTEST_APPLESS_MAIN(CodonTableTest)
#include "tst_codon_table.moc"
