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
        <name>Menu</name>
        <message>
            <source>ファイル(&amp;F)</source>
            <translation>&amp;File</translation>
        </message>
        <message>
            <source>新規作成</source>
            <translation>New</translation>
        </message>
        <message>
            <source>開く...</source>
            <translation>Open...</translation>
        </message>
        <message>
            <source>閉じる</source>
            <translation>Close</translation>
        </message>
        <message>
            <source>上書き保存</source>
            <translation>Save</translation>
        </message>
        <message>
            <source>名前を付けて保存</source>
            <translation>Save As</translation>
        </message>
        <message>
            <source>読み込み</source>
            <translation>Import</translation>
        </message>
        <message>
            <source>SMF Format0 / Format1</source>
            <translation>SMF Format0 / Format1</translation>
        </message>
        <message>
            <source>書き出し</source>
            <translation>Export</translation>
        </message>
        <message>
            <source>SMF Format1</source>
            <translation>SMF Format1</translation>
        </message>
        <message>
            <source>楽曲情報の編集</source>
            <translation>Edit Song Information</translation>
        </message>
        <message>
            <source>分解能変更</source>
            <translation>Change Resolution</translation>
        </message>
        <message>
            <source>アプリケーションの終了</source>
            <translation>Exit</translation>
        </message>
        <message>
            <source>編集(&amp;E)</source>
            <translation>&amp;Edit</translation>
        </message>
        <message>
            <source>トラック(&amp;T)</source>
            <translation>&amp;Track</translation>
        </message>
        <message>
            <source>表示(&amp;V)</source>
            <translation>&amp;View</translation>
        </message>
        <message>
            <source>ツールバー</source>
            <translation>Tool Bar</translation>
        </message>
        <message>
            <source>ステータスバー</source>
            <translation>Status Bar</translation>
        </message>
        <message>
            <source>トランスポートバー</source>
            <translation>Transport Bar</translation>
        </message>
        <message>
            <source>キーボードバー</source>
            <translation>Keyboard Bar</translation>
        </message>
        <message>
            <source>トラックリスト</source>
            <translation>Track List</translation>
        </message>
        <message>
            <source>エディタ 1</source>
            <translation>Editor 1</translation>
        </message>
        <message>
            <source>エディタ 2</source>
            <translation>Editor 2</translation>
        </message>
        <message>
            <source>エディタ 3</source>
            <translation>Editor 3</translation>
        </message>
        <message>
            <source>グリッドエディタ</source>
            <translation>Grid Editor</translation>
        </message>
        <message>
            <source>フレーズ編集</source>
            <translation>Edit Phrases</translation>
        </message>
        <message>
            <source>再生(&amp;P)</source>
            <translation>&amp;Play</translation>
        </message>
        <message>
            <source>再生</source>
            <translation>Play</translation>
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
            <translation>Loop Playback</translation>
        </message>
        <message>
            <source>頭出し</source>
            <translation>Return to Top</translation>
        </message>
        <message>
            <source>マーカーセット</source>
            <translation>Set Marker</translation>
        </message>
        <message>
            <source>マーカージャンプ</source>
            <translation>Jump to Marker</translation>
        </message>
        <message>
            <source>PCキーボード入力</source>
            <translation>PC Keyboard Input</translation>
        </message>
        <message>
            <source>全てのMIDIデバイスのリセット</source>
            <translation>Reset All MIDI Devices</translation>
        </message>
        <message>
            <source>設定(&amp;S)</source>
            <translation>&amp;Settings</translation>
        </message>
        <message>
            <source>MIDIポート設定</source>
            <translation>MIDI Port Settings</translation>
        </message>
        <message>
            <source>メトロノーム設定</source>
            <translation>Metronome Settings</translation>
        </message>
        <message>
            <source>レコーディングの設定</source>
            <translation>Recording Settings</translation>
        </message>
        <message>
            <source>同期の設定</source>
            <translation>Sync Settings</translation>
        </message>
        <message>
            <source>FKey設定</source>
            <translation>Function Key Settings</translation>
        </message>
        <message>
            <source>数値入力エディタのキーカスタマイズ</source>
            <translation>Customize Numerical Editor Keys</translation>
        </message>
    </context>
    <context>
        <name>tarvio::SimpleTrackList</name>
        <message>
            <source>%1 をエディタ view1 で開く (エディタは未実装です)</source>
            <translation>Open %1 in editor view1 (the editor is not implemented yet)</translation>
        </message>
        <message>
            <source>%1 をエディタ view2 で開く (エディタは未実装です)</source>
            <translation>Open %1 in editor view2 (the editor is not implemented yet)</translation>
        </message>
        <message>
            <source>%1 をエディタ view3 で開く (エディタは未実装です)</source>
            <translation>Open %1 in editor view3 (the editor is not implemented yet)</translation>
        </message>
        <message>
            <source>%1 をグリッドエディタで開く (エディタは未実装です)</source>
            <translation>Open %1 in the grid editor (the editor is not implemented yet)</translation>
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
    <context>
        <name>tarvio::EditorDialogs</name>
        <message>
            <source>フレーズファイル (*.tvp)</source>
            <translation>Phrase files (*.tvp)</translation>
        </message>
        <message>
            <source>チャンネル変更</source>
            <translation>Change Channel</translation>
        </message>
        <message>
            <source>コメントの編集</source>
            <translation>Edit Comment</translation>
        </message>
        <message>
            <source>フレーズ名称の入力</source>
            <translation>Phrase Name</translation>
        </message>
        <message>
            <source>ピッチベンド入力レンジの変更</source>
            <translation>Pitch Bend Input Range</translation>
        </message>
    </context>
    <context>
        <name>tarvio::FkeySettingDialog</name>
        <message>
            <source>テンプレート</source>
            <translation>Template</translation>
        </message>
        <message>
            <source>作成</source>
            <translation>Create</translation>
        </message>
        <message>
            <source>更新</source>
            <translation>Update</translation>
        </message>
        <message>
            <source>削除</source>
            <translation>Delete</translation>
        </message>
        <message>
            <source>-1: タイ   -2: 休符</source>
            <translation>-1: tie   -2: rest</translation>
        </message>
    </context>
    <context>
        <name>tarvio::JumpDialog</name>
        <message>
            <source>ジャンプ</source>
            <translation>Jump</translation>
        </message>
    </context>
    <context>
        <name>tarvio::KeySettingDialog</name>
        <message>
            <source>数値入力エディタのキーカスタマイズ</source>
            <translation>Customize Numerical Editor Keys</translation>
        </message>
    </context>
    <context>
        <name>tarvio::SysExDialog</name>
        <message>
            <source>%1 バイト</source>
            <translation>%1 bytes</translation>
        </message>
    </context>
</TS>
