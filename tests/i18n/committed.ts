<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>A</name>
    <message><source>訳あり</source><translation>Translated</translation></message>
    <message><source>未完</source><translation type="unfinished">Draft</translation></message>
</context>
<context>
    <name>B</name>
    <message><source>空</source><translation> </translation></message>
    <message numerus="yes"><source>複数</source><translation><numerusform>one</numerusform><numerusform>many</numerusform></translation></message>
    <message><source>保存</source><comment>button</comment><translation>Save</translation></message>
    <message><source>訳あり</source><translation>Translated</translation></message>
</context>
</TS>
