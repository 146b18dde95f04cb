<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>quinmare::Form1</name>
    <message>
        <source>Heading of the base sequence box</source>
        <translation>翻訳する塩基配列の欄の見出し</translation>
    </message>
    <message>
        <source>Generates a random DNA sequence of the length chosen on the slider</source>
        <translation>スライダーで選んだ長さのDNAの塩基配列をランダムに作ります</translation>
    </message>
    <message>
        <source>Number of bases</source>
        <translation>塩基数</translation>
    </message>
    <message>
        <source>Chooses how many bases to generate and to decode, 0 to 10000</source>
        <translation>作る塩基配列と翻訳する塩基配列の長さ（塩基数）を、0から10000までの間で選びます</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>長さ（塩基数）</translation>
    </message>
    <message>
        <source>The chosen length in bases; decoding reads a third of it as codons</source>
        <translation>選んだ長さ（塩基数）。翻訳では、その3分の1をコドンの数として読みます</translation>
    </message>
    <message>
        <source>Unit of the length: bases</source>
        <translation>長さの単位。画面の「桁」は塩基の数のことです</translation>
    </message>
    <message>
        <source>The DNA sequence to decode: generated, typed or pasted; only capital A, T, G and C are read</source>
        <translation>翻訳するDNAの塩基配列。自動生成しても、入力しても、貼り付けてもかまいません。読まれるのは半角大文字のA、T、G、Cだけです</translation>
    </message>
    <message>
        <source>The decoded amino acids; every stop codon ends a paragraph</source>
        <translation>翻訳されたアミノ酸配列。終止コドンのところでstopと表示し、1行あけて続けます</translation>
    </message>
    <message>
        <source>Codon being decoded</source>
        <translation>翻訳中のコドン</translation>
    </message>
    <message>
        <source>The codon being decoded, three letters</source>
        <translation>いま翻訳しているコドン（3塩基）</translation>
    </message>
    <message>
        <source>Decodes the sequence codon by codon into amino acids</source>
        <translation>塩基配列をコドンごとに読んで、アミノ酸配列に翻訳します</translation>
    </message>
    <message>
        <source>Heading of the amino-acid box</source>
        <translation>アミノ酸配列の欄の見出し</translation>
    </message>
    <message>
        <source>&amp;Speed</source>
        <translation>速さ(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Fast</source>
        <translation>速く(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Normal</source>
        <translation>ふつう(&amp;N)</translation>
    </message>
    <message>
        <source>S&amp;low</source>
        <translation>ゆっくり(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>一時停止(&amp;P)</translation>
    </message>
    <message>
        <source>S&amp;tep</source>
        <translation>1つ進める(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>再開(&amp;R)</translation>
    </message>
</context>
</TS>
