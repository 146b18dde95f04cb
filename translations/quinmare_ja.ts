<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>quinmare::Form1</name>
    <message>
        <source>Over the box of the base sequence to translate</source>
        <translation>下の欄には、翻訳する塩基配列が入ります</translation>
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
        <source>The chosen length in bases; decoding reads a third of it, rounded down, as codons</source>
        <translation>選んだ長さ（塩基数）。解読（翻訳）では、その3分の1（端数は切り捨て）をコドンの数として読みます</translation>
    </message>
    <message>
        <source>Unit of the length: bases</source>
        <translation>長さの単位。画面の「桁」は塩基の数のことです</translation>
    </message>
    <message>
        <source>A DNA base sequence, taken to be the same as the mRNA it is transcribed into and translated as that mRNA: generated, typed or pasted; only capital A, T, G and C are read</source>
        <translation>DNAの塩基配列。mRNAと同じ並びとみなして、そのmRNAとして翻訳します。自動生成しても、入力しても、貼り付けてもかまいません。読まれるのは半角大文字のA、T、G、Cだけです</translation>
    </message>
    <message>
        <source>The amino acids of this reading frame, read from the first base to the end: stop and an empty line at every stop codon, then on; not a protein as a cell makes it</source>
        <translation>この読み枠で最初の塩基から最後まで読んだアミノ酸配列。終止コドンではstopと表示して1行あけ、その先も読みます。細胞がつくるタンパク質そのものではありません</translation>
    </message>
    <message>
        <source>Codon being decoded</source>
        <translation>翻訳中のコドン</translation>
    </message>
    <message>
        <source>The codon being translated, in three DNA letters (T where the mRNA has U)</source>
        <translation>いま翻訳しているコドン。DNAの3文字で表します（mRNAのUはTで表示）</translation>
    </message>
    <message>
        <source>Decodes, that is translates, the sequence codon by codon into amino acids</source>
        <translation>解読（ここでは翻訳のこと）を始めます。塩基配列をコドンごとに読んで、アミノ酸配列に翻訳します</translation>
    </message>
    <message>
        <source>Over the box of the translated amino-acid sequence</source>
        <translation>下の欄には、翻訳されたアミノ酸配列が入ります</translation>
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
    <message>
        <source>Stops a translation at its next codon; Step then goes on one codon at a time</source>
        <translation>次のコドンで翻訳を止めます。止めているあいだは「1つ進める」で1コドンずつ進みます</translation>
    </message>
    <message>
        <source>Goes one codon further, and stops there</source>
        <translation>次のコドンまで進めて、そこで止めます</translation>
    </message>
</context>
</TS>
