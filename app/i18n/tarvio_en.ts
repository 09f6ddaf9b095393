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
        <name>PortList</name>
        <message>
            <source>未割当</source>
            <translation>Unassigned</translation>
        </message>
    </context>
    <context>
        <name>tarvio::Dialogs</name>
        <message>
            <source>OK</source>
            <translation>OK</translation>
        </message>
        <message>
            <source>キャンセル</source>
            <translation>Cancel</translation>
        </message>
    </context>
    <context>
        <name>tarvio::FilterEditDialog</name>
        <message>
            <source>フィルターエディット</source>
            <translation>Filter Edit</translation>
        </message>
        <message>
            <source>追加</source>
            <translation>Add</translation>
        </message>
        <message>
            <source>削除</source>
            <translation>Delete</translation>
        </message>
        <message>
            <source>フィルター名称</source>
            <translation>Filter name</translation>
        </message>
        <message>
            <source>適用メッセージ</source>
            <translation>Message</translation>
        </message>
        <message>
            <source>動作</source>
            <translation>Action</translation>
        </message>
        <message>
            <source>動作オプション</source>
            <translation>Action option</translation>
        </message>
        <message>
            <source>動作オプション値</source>
            <translation>Option value</translation>
        </message>
        <message>
            <source>動作定義リスト</source>
            <translation>Rules</translation>
        </message>
    </context>
    <context>
        <name>tarvio::MetronomeDialog</name>
        <message>
            <source>メトロノーム設定</source>
            <translation>Metronome Settings</translation>
        </message>
        <message>
            <source>メトロノームを使用する</source>
            <translation>Use the metronome</translation>
        </message>
    </context>
    <context>
        <name>tarvio::RecordingDialog</name>
        <message>
            <source>レコーディングの設定</source>
            <translation>Recording Settings</translation>
        </message>
        <message>
            <source>レコーディングプリカウント</source>
            <translation>Recording pre-count</translation>
        </message>
        <message>
            <source>メッセージフィルタ</source>
            <translation>Message filters</translation>
        </message>
        <message>
            <source>新規作成</source>
            <translation>New</translation>
        </message>
        <message>
            <source>削除</source>
            <translation>Delete</translation>
        </message>
        <message>
            <source>編集</source>
            <translation>Edit</translation>
        </message>
        <message>
            <source>入力ヴェロシティ</source>
            <translation>Input velocity</translation>
        </message>
    </context>
    <context>
        <name>tarvio::SyncDialog</name>
        <message>
            <source>同期の設定</source>
            <translation>Sync Settings</translation>
        </message>
        <message>
            <source>MTCを出力する</source>
            <translation>Send MTC</translation>
        </message>
        <message>
            <source>MMC(Play/Stop/Locate)を出力する</source>
            <translation>Send MMC (Play/Stop/Locate)</translation>
        </message>
        <message>
            <source>MMC(Play/Stop/Locate)を受け付ける</source>
            <translation>Accept MMC (Play/Stop/Locate)</translation>
        </message>
        <message>
            <source>同期補正</source>
            <translation>Sync offset</translation>
        </message>
        <message>
            <source>フレーム形式</source>
            <translation>Frame format</translation>
        </message>
    </context>
    <context>
        <name>tarvio::TitleDialog</name>
        <message>
            <source>タイトル・著作権情報の編集</source>
            <translation>Edit Title and Copyright</translation>
        </message>
        <message>
            <source>タイトル</source>
            <translation>Title</translation>
        </message>
        <message>
            <source>著作権情報</source>
            <translation>Copyright</translation>
        </message>
    </context>
</TS>
