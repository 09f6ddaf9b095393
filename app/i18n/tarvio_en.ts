<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
    <context>
        <name>Document</name>
        <message>
            <source>%1 を開けません: %2</source>
            <translation>Cannot open %1: %2</translation>
        </message>
        <message>
            <source>%1 はソングファイルではありません</source>
            <translation>%1 is not a song file</translation>
        </message>
        <message>
            <source>%1 はStandard MIDI Fileではありません</source>
            <translation>%1 is not a Standard MIDI File</translation>
        </message>
        <message>
            <source>%1 は壊れています: %2 バイト目で読み込みを止めました (%3)。保存するときは別の名前を付けてください</source>
            <translation>%1 is damaged: reading stopped at byte %2 (%3). Save it under another name</translation>
        </message>
        <message>
            <source>%1 は途中までしか読めなかったファイルです。元のファイルを上書きしないよう、別の名前で保存してください</source>
            <translation>%1 could only be read in part. Save it under another name so that the original is not overwritten</translation>
        </message>
        <message>
            <source>%1 を保存できません: %2</source>
            <translation>Cannot save %1: %2</translation>
        </message>
        <message>
            <source>%1 を書き出せません: %2</source>
            <translation>Cannot export %1: %2</translation>
        </message>
        <message>
            <source>分解能 %1 は選べません</source>
            <translation>Resolution %1 cannot be chosen</translation>
        </message>
    </context>
    <context>
        <name>tarvio::KeyboardBar</name>
        <message>
            <source>キーボードバー</source>
            <translation>Keyboard Bar</translation>
        </message>
    </context>
    <context>
        <name>tarvio::TransportBar</name>
        <message>
            <source>トランスポートバー</source>
            <translation>Transport Bar</translation>
        </message>
        <message>
            <source>頭出し</source>
            <translation>Go to Top</translation>
        </message>
        <message>
            <source>巻き戻し</source>
            <translation>Rewind</translation>
        </message>
        <message>
            <source>再生</source>
            <translation>Play</translation>
        </message>
        <message>
            <source>早送り</source>
            <translation>Fast Forward</translation>
        </message>
        <message>
            <source>停止</source>
            <translation>Stop</translation>
        </message>
        <message>
            <source>録音</source>
            <translation>Record</translation>
        </message>
        <message>
            <source>ループ再生</source>
            <translation>Loop Play</translation>
        </message>
    </context>
    <context>
        <name>tarvio::Application</name>
        <message>
            <source>Tarvio Files (*.tvo);;All Files (*)</source>
            <translation>Tarvio Files (*.tvo);;All Files (*)</translation>
        </message>
        <message>
            <source>Standard MIDI Files (*.mid);;All Files (*)</source>
            <translation>Standard MIDI Files (*.mid);;All Files (*)</translation>
        </message>
        <message>
            <source>Standard MIDI Files (*.mid)</source>
            <translation>Standard MIDI Files (*.mid)</translation>
        </message>
        <message>
            <source>エンジンを開始できません: %1</source>
            <translation>Cannot start the engine: %1</translation>
        </message>
        <message>
            <source>前回のMIDI出力デバイスが見つからないポート: %1</source>
            <translation>Ports whose MIDI output device was not found: %1</translation>
        </message>
        <message>
            <source>%1 を処理しています...</source>
            <translation>Processing %1...</translation>
        </message>
        <message>
            <source>%1 への変更を保存しますか?</source>
            <translation>Save changes to %1?</translation>
        </message>
    </context>
    <context>
        <name>tarvio::ResolutionPrompt</name>
        <message>
            <source>分解能</source>
            <translation>Resolution</translation>
        </message>
    </context>
</TS>
