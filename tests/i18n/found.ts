<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>A</name>
    <message><source>訳あり</source><translation type="unfinished"></translation></message>
    <message><source>欠落</source><translation type="unfinished"></translation></message>
    <message><source>未完</source><translation type="unfinished"></translation></message>
</context>
<context>
    <name>B</name>
    <message><source>空</source><translation type="unfinished"></translation></message>
    <message><source>複数</source><translation type="unfinished"></translation></message>
    <message><source>保存</source><comment>menu</comment><translation type="unfinished"></translation></message>
    <message><source>訳あり</source><translation type="unfinished"></translation></message>
</context>
</TS>
