// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <set>

#include "sequence/codon_table.h"
#include "test_text.h"

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
static const QList<QPair<QString, QStringList>> kByAminoAcid = {
    {"Phe__", {"TTT", "TTC"}},
    {"Leu__", {"TTA", "TTG", "CTT", "CTC", "CTA", "CTG"}},
    {"Ile__", {"ATT", "ATC", "ATA"}},
    {"Met__", {"ATG"}},
    {"Val__", {"GTT", "GTC", "GTA", "GTG"}},
    {"Ser__", {"TCT", "TCC", "TCA", "TCG", "AGT", "AGC"}},
    {"Pro__", {"CCT", "CCC", "CCA", "CCG"}},
    {"Thr__", {"ACT", "ACC", "ACA", "ACG"}},
    {"Ala__", {"GCT", "GCC", "GCA", "GCG"}},
    {"Tyr__", {"TAT", "TAC"}},
    {"stop__", {"TAA", "TAG", "TGA"}},
    {"His__", {"CAT", "CAC"}},
    {"Gln__", {"CAA", "CAG"}},
    {"Asn__", {"AAT", "AAC"}},
    {"Lys__", {"AAA", "AAG"}},
    {"Asp__", {"GAT", "GAC"}},
    {"Glu__", {"GAA", "GAG"}},
    {"Cys__", {"TGT", "TGC"}},
    {"Trp__", {"TGG"}},
    {"Arg__", {"CGT", "CGC", "CGA", "CGG", "AGA", "AGG"}},
    {"Gly__", {"GGT", "GGC", "GGA", "GGG"}},
};

void CodonTableTest::matchesStandardCode_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("codons");
    for (const auto& [label, codons] : kByAminoAcid) QTest::newRow(qPrintable(label)) << label << codons;
}

void CodonTableTest::matchesStandardCode() {
    QFETCH(QString, label);
    QFETCH(QStringList, codons);
    for (const QString& codon : codons) {
        QCOMPARE(ToQ(Henkan(ToU16(codon))), label);
    }
}

void CodonTableTest::everyCodonListedOnce() {
    // The list above must itself cover the 64 codons exactly once, or the
    // comparison proves less than it seems.
    std::set<QString> seen;
    for (const auto& entry : kByAminoAcid)
        for (const QString& codon : entry.second) QVERIFY2(seen.insert(codon).second, qPrintable(codon));
    QCOMPARE(seen.size(), std::size_t{64});
    const QString bases = "ACGT";
    for (QChar a : bases)
        for (QChar b : bases)
            for (QChar c : bases) QVERIFY(seen.count(QString{a} + b + c));
}

void CodonTableTest::noLabel_data() {
    QTest::addColumn<QString>("codon");
    QTest::newRow("lower case") << "atg";
    QTest::newRow("mixed case") << "aTG";
    QTest::newRow("RNA uracil") << "AUG";
    QTest::newRow("short") << "AT";
    QTest::newRow("one letter") << "A";
    QTest::newRow("long") << "ATGC";
    QTest::newRow("leading blank") << " ATG";
    QTest::newRow("trailing blank") << "AT ";
    QTest::newRow("empty") << "";
    QTest::newRow("line break inside") << "A\r\n";
    QTest::newRow("full-width letters") << QString::fromUtf8("ＡＴＧ");
    QTest::newRow("NUL inside") << QString("A") + QChar(0) + "G";
    QTest::newRow("other letter") << "ATN";
}

void CodonTableTest::noLabel() {
    QFETCH(QString, codon);
    QVERIFY(Henkan(ToU16(codon)).empty());
}

QTEST_APPLESS_MAIN(CodonTableTest)
#include "tst_codon_table.moc"
