<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>quinmare::Form1</name>
    <message>
        <source>Heading of the base sequence box</source>
        <translation>解読する塩基配列の欄の見出し</translation>
    </message>
    <message>
        <source>Generates a random DNA sequence of the length chosen on the slider</source>
        <translation>スライダーで選んだ長さのDNA塩基配列をランダムに作ります</translation>
    </message>
    <message>
        <source>Number of bases</source>
        <translation>塩基数</translation>
    </message>
    <message>
        <source>Chooses how many bases to generate and to decode, 0 to 10000</source>
        <translation>作る塩基と解読する塩基の数を0から10000までの間で選びます</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>桁数</translation>
    </message>
    <message>
        <source>The chosen length in bases; decoding reads a third of it as codons</source>
        <translation>選んだ長さ（塩基の数）。解読では、その3分の1をコドンの数として読みます</translation>
    </message>
    <message>
        <source>Unit of the length: bases</source>
        <translation>長さの単位（塩基）</translation>
    </message>
    <message>
        <source>The DNA sequence to decode: generated, typed or pasted; only capital A, T, G and C are read</source>
        <translation>解読するDNA塩基配列。自動生成しても、入力しても、貼り付けてもかまいません。読まれるのは大文字のA、T、G、Cだけです</translation>
    </message>
    <message>
        <source>The decoded amino acids; every stop codon ends a paragraph</source>
        <translation>解読されたアミノ酸の並び。終止コドンのたびに段落が変わります</translation>
    </message>
    <message>
        <source>Codon being decoded</source>
        <translation>解読中のコドン</translation>
    </message>
    <message>
        <source>The codon being decoded, three letters</source>
        <translation>いま解読しているコドン（3文字）</translation>
    </message>
    <message>
        <source>Decodes the sequence codon by codon into amino acids</source>
        <translation>塩基配列をコドンごとにアミノ酸へ解読します</translation>
    </message>
    <message>
        <source>Heading of the amino-acid box</source>
        <translation>アミノ酸配列の欄の見出し</translation>
    </message>
</context>
</TS>
