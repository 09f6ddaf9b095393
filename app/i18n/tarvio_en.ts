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
        <message>
            <source>フォルダー %1 がありません</source>
            <translation>The folder %1 does not exist</translation>
        </message>
        <message>
            <source>%1 はフォルダーではありません</source>
            <translation>%1 is not a folder</translation>
        </message>
        <message>
            <source>同じ名前のフォルダーがあります</source>
            <translation>A folder of that name is already there</translation>
        </message>
        <message>
            <source>フォルダー %1 にはファイルを作る権限がありません</source>
            <translation>You have no permission to create files in the folder %1</translation>
        </message>
        <message>
            <source>フォルダー %1 は読み取り専用です</source>
            <translation>The folder %1 is read-only</translation>
        </message>
        <message>
            <source>ディスクに空きがありません</source>
            <translation>The disk is full</translation>
        </message>
        <message>
            <source>ファイル名が長すぎます</source>
            <translation>The file name is too long</translation>
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
        <message>
            <source>1(Loop Begin)</source>
            <translation>1 (Loop Begin)</translation>
        </message>
        <message>
            <source>2(Loop End)</source>
            <translation>2 (Loop End)</translation>
        </message>
        <message>
            <source>元に戻す</source>
            <translation>Undo</translation>
        </message>
        <message>
            <source>やり直す</source>
            <translation>Redo</translation>
        </message>
        <message>
            <source>切り取り</source>
            <translation>Cut</translation>
        </message>
        <message>
            <source>コピー</source>
            <translation>Copy</translation>
        </message>
        <message>
            <source>貼り付け</source>
            <translation>Paste</translation>
        </message>
        <message>
            <source>削除	Del</source>
            <translation>Delete	Del</translation>
        </message>
        <message>
            <source>トラックの追加(&amp;N)</source>
            <translation>&amp;New Track</translation>
        </message>
        <message>
            <source>トラックの削除(&amp;D)</source>
            <translation>&amp;Delete Track</translation>
        </message>
        <message>
            <source>トラックを編集 view1(&amp;1)	Enter</source>
            <translation>Edit in View &amp;1	Enter</translation>
        </message>
        <message>
            <source>トラックを編集 view2(&amp;2)	Shift+Enter</source>
            <translation>Edit in View &amp;2	Shift+Enter</translation>
        </message>
        <message>
            <source>トラックを編集 view3(&amp;3)	Shift+Ctrl+Enter</source>
            <translation>Edit in View &amp;3	Shift+Ctrl+Enter</translation>
        </message>
        <message>
            <source>グリッドエディタで編集(&amp;4)	Ctrl+Enter</source>
            <translation>Edit in Grid Editor &amp;4	Ctrl+Enter</translation>
        </message>
        <message>
            <source>フレーズ編集(&amp;A)</source>
            <translation>Edit Phr&amp;ases</translation>
        </message>
        <message>
            <source>プロパティ(&amp;E)</source>
            <translation>Prop&amp;erties</translation>
        </message>
        <message>
            <source>再生時カーソル追従(&amp;F)	F</source>
            <translation>&amp;Follow Playback	F</translation>
        </message>
        <message>
            <source>グローバルリンク(&amp;G)</source>
            <translation>&amp;Global Link</translation>
        </message>
        <message>
            <source>ヘルプ(&amp;H)</source>
            <translation>&amp;Help</translation>
        </message>
        <message>
            <source>バージョン情報(&amp;A)...</source>
            <translation>&amp;About tarvio...</translation>
        </message>
        <message>
            <source>貼り付け（ミックス）	Shift+Y</source>
            <translation>Paste (Mix)	Shift+Y</translation>
        </message>
        <message>
            <source>貼り付け（上書き）	Shift+Ctrl+Ins</source>
            <translation>Paste (Replace)	Shift+Ctrl+Ins</translation>
        </message>
        <message>
            <source>消去	Shift+Del</source>
            <translation>Erase	Shift+Del</translation>
        </message>
        <message>
            <source>全て選択	Ctrl+A</source>
            <translation>Select All	Ctrl+A</translation>
        </message>
        <message>
            <source>サーチ	H</source>
            <translation>Search	H</translation>
        </message>
        <message>
            <source>ソート	O</source>
            <translation>Sort	O</translation>
        </message>
        <message>
            <source>ジャンプ	: or Num *</source>
            <translation>Jump	: or Num *</translation>
        </message>
        <message>
            <source>フレーズ化	Shift+S</source>
            <translation>Make Phrase	Shift+S</translation>
        </message>
        <message>
            <source>ファイルにフレーズ保存	S</source>
            <translation>Save Phrase to File	S</translation>
        </message>
        <message>
            <source>ファイルからフレーズ読み込み	L</source>
            <translation>Load Phrase from File	L</translation>
        </message>
        <message>
            <source>クオンタイズ	Q</source>
            <translation>Quantize	Q</translation>
        </message>
        <message>
            <source>グラフィカルデータセット	Z</source>
            <translation>Graphical Data Set	Z</translation>
        </message>
        <message>
            <source>シフト/トランポーズ	T</source>
            <translation>Shift/Transpose	T</translation>
        </message>
        <message>
            <source>コンプレス/エキスパンド	X</source>
            <translation>Compress/Expand	X</translation>
        </message>
        <message>
            <source>データ入力</source>
            <translation>Data Entry</translation>
        </message>
        <message>
            <source>コントローラ</source>
            <translation>Controller</translation>
        </message>
        <message>
            <source>プロシージャ</source>
            <translation>Procedure</translation>
        </message>
        <message>
            <source>フレーズ呼び出し</source>
            <translation>Phrase Call</translation>
        </message>
        <message>
            <source>演算コマンド</source>
            <translation>Register Instruction</translation>
        </message>
        <message>
            <source>クローン</source>
            <translation>Clone</translation>
        </message>
        <message>
            <source>エクスクルーシヴ</source>
            <translation>Exclusive</translation>
        </message>
        <message>
            <source>制御(&amp;C)</source>
            <translation>&amp;Control</translation>
        </message>
        <message>
            <source>ポイントプレイ	P</source>
            <translation>Point Play	P</translation>
        </message>
        <message>
            <source>ソロプレビュー	J</source>
            <translation>Solo Preview	J</translation>
        </message>
        <message>
            <source>メジャープレビュー	M</source>
            <translation>Measure Preview	M</translation>
        </message>
        <message>
            <source>ポイントレコーディング	R</source>
            <translation>Point Recording	R</translation>
        </message>
        <message>
            <source>ポイントMixレコーディング	Ctrl+R</source>
            <translation>Point Mix Recording	Ctrl+R</translation>
        </message>
        <message>
            <source>ゴーストノート表示	Ctrl+G</source>
            <translation>Show Ghost Notes	Ctrl+G</translation>
        </message>
        <message>
            <source>フォントサイズ</source>
            <translation>Font Size</translation>
        </message>
        <message>
            <source>小</source>
            <translation>Small</translation>
        </message>
        <message>
            <source>中</source>
            <translation>Medium</translation>
        </message>
        <message>
            <source>大</source>
            <translation>Large</translation>
        </message>
        <message>
            <source>MIDI入力モード切替え</source>
            <translation>MIDI Input Mode</translation>
        </message>
        <message>
            <source>(----)停止</source>
            <translation>(----) Off</translation>
        </message>
        <message>
            <source>(NOTE)Note番号のみ捕捉</source>
            <translation>(NOTE) Capture Note Numbers Only</translation>
        </message>
        <message>
            <source>(VEL)Note番号とヴェロシティを捕捉</source>
            <translation>(VEL) Capture Note Numbers and Velocities</translation>
        </message>
        <message>
            <source>(MONO)単音の即時入力</source>
            <translation>(MONO) Enter Single Notes at Once</translation>
        </message>
        <message>
            <source>(M/VEL)単音の即時入力とヴェロシティ</source>
            <translation>(M/VEL) Enter Single Notes at Once with Velocity</translation>
        </message>
        <message>
            <source>(POLY)和音の即時入力</source>
            <translation>(POLY) Enter Chords at Once</translation>
        </message>
        <message>
            <source>(P/VEL)和音の即時入力とヴェロシティ</source>
            <translation>(P/VEL) Enter Chords at Once with Velocity</translation>
        </message>
        <message>
            <source>ピッチベンド入力レンジの変更	Ctrl+B</source>
            <translation>Pitch-Bend Input Range...	Ctrl+B</translation>
        </message>
    </context>
    <context>
        <name>tarvio::EditorWindow</name>
        <message>
            <source>編集(&amp;E)</source>
            <translation>&amp;Edit</translation>
        </message>
        <message>
            <source>元に戻す</source>
            <translation>Undo</translation>
        </message>
        <message>
            <source>やり直す</source>
            <translation>Redo</translation>
        </message>
        <message>
            <source>消去</source>
            <translation>Erase</translation>
        </message>
        <message>
            <source>サーチ</source>
            <translation>Search</translation>
        </message>
        <message>
            <source>ジャンプ</source>
            <translation>Jump</translation>
        </message>
        <message>
            <source>全て選択</source>
            <translation>Select All</translation>
        </message>
        <message>
            <source>切り取り</source>
            <translation>Cut</translation>
        </message>
        <message>
            <source>コピー</source>
            <translation>Copy</translation>
        </message>
        <message>
            <source>貼り付け</source>
            <translation>Paste</translation>
        </message>
        <message>
            <source>貼り付け（ミックス）</source>
            <translation>Paste (Mix)</translation>
        </message>
        <message>
            <source>貼り付け（上書き）</source>
            <translation>Paste (Replace)</translation>
        </message>
        <message>
            <source>フレーズ化</source>
            <translation>Make Phrase</translation>
        </message>
        <message>
            <source>クオンタイズ</source>
            <translation>Quantize</translation>
        </message>
        <message>
            <source>グラフィカルデータセット</source>
            <translation>Graphical Data Set</translation>
        </message>
        <message>
            <source>シフト/トランポーズ</source>
            <translation>Shift/Transpose</translation>
        </message>
        <message>
            <source>コンプレス/エキスパンド</source>
            <translation>Compress/Expand</translation>
        </message>
        <message>
            <source>データ入力</source>
            <translation>Data Entry</translation>
        </message>
        <message>
            <source>コントローラ</source>
            <translation>Controller</translation>
        </message>
        <message>
            <source>プロシージャ</source>
            <translation>Procedure</translation>
        </message>
        <message>
            <source>フレーズ呼び出し</source>
            <translation>Phrase Call</translation>
        </message>
        <message>
            <source>演算コマンド</source>
            <translation>Register Instruction</translation>
        </message>
        <message>
            <source>クローン</source>
            <translation>Clone</translation>
        </message>
        <message>
            <source>エクスクルーシヴ</source>
            <translation>Exclusive</translation>
        </message>
        <message>
            <source>ゴーストノート表示</source>
            <translation>Show Ghost Notes</translation>
        </message>
        <message>
            <source>フォントサイズ</source>
            <translation>Font Size</translation>
        </message>
        <message>
            <source>小</source>
            <translation>Small</translation>
        </message>
        <message>
            <source>中</source>
            <translation>Medium</translation>
        </message>
        <message>
            <source>大</source>
            <translation>Large</translation>
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
        <name>tarvio::About</name>
        <message>
            <source>なし (内蔵シンセサイザーは鳴りません)</source>
            <translation>none (the built-in synthesizer stays silent)</translation>
        </message>
        <message>
            <source>キーボードで入力するステップ入力型MIDIシーケンサー</source>
            <translation>A keyboard-driven step-input MIDI sequencer</translation>
        </message>
        <message>
            <source>%1 ライセンス (LICENSE ファイル)</source>
            <translation>%1 licence (the file LICENSE)</translation>
        </message>
        <message>
            <source>サウンドフォント</source>
            <translation>Soundfont</translation>
        </message>
        <message>
            <source>フォント</source>
            <translation>Font</translation>
        </message>
        <message>
            <source>tarvio について</source>
            <translation>About tarvio</translation>
        </message>
    </context>
    <context>
        <name>tarvio::FilterEditor</name>
        <message>
            <source>新規ルール</source>
            <translation>New Rule</translation>
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
    <context>
        <name>EditorAction</name>
        <message>
            <source>未定義</source>
            <translation>Unassigned</translation>
        </message>
        <message>
            <source>エスケープ</source>
            <translation>Escape</translation>
        </message>
        <message>
            <source>リターン</source>
            <translation>Return</translation>
        </message>
        <message>
            <source>スペース</source>
            <translation>Space</translation>
        </message>
        <message>
            <source>タブ</source>
            <translation>Tab</translation>
        </message>
        <message>
            <source>カーソル上移動</source>
            <translation>Cursor Up</translation>
        </message>
        <message>
            <source>カーソル下移動</source>
            <translation>Cursor Down</translation>
        </message>
        <message>
            <source>カーソル左移動</source>
            <translation>Cursor Left</translation>
        </message>
        <message>
            <source>カーソル右移動</source>
            <translation>Cursor Right</translation>
        </message>
        <message>
            <source>上ページ移動</source>
            <translation>Page Up</translation>
        </message>
        <message>
            <source>下ページ移動</source>
            <translation>Page Down</translation>
        </message>
        <message>
            <source>上ページ移動 x10</source>
            <translation>Page Up x10</translation>
        </message>
        <message>
            <source>下ページ移動 x10</source>
            <translation>Page Down x10</translation>
        </message>
        <message>
            <source>前小節へ移動</source>
            <translation>To Previous Measure</translation>
        </message>
        <message>
            <source>次小節へ移動</source>
            <translation>To Next Measure</translation>
        </message>
        <message>
            <source>先頭へ移動</source>
            <translation>To Top</translation>
        </message>
        <message>
            <source>末尾へ移動</source>
            <translation>To End</translation>
        </message>
        <message>
            <source>ジャンプ</source>
            <translation>Jump</translation>
        </message>
        <message>
            <source>入力桁を上げる</source>
            <translation>Input Digit Up</translation>
        </message>
        <message>
            <source>入力桁を下げる</source>
            <translation>Input Digit Down</translation>
        </message>
        <message>
            <source>ゲート1増加</source>
            <translation>Gate Rate +1</translation>
        </message>
        <message>
            <source>ゲート1減少</source>
            <translation>Gate Rate -1</translation>
        </message>
        <message>
            <source>ゲート10増加</source>
            <translation>Gate Rate +10</translation>
        </message>
        <message>
            <source>ゲート10減少</source>
            <translation>Gate Rate -10</translation>
        </message>
        <message>
            <source>インクリメント +1</source>
            <translation>Increment +1</translation>
        </message>
        <message>
            <source>インクリメント +10 / oct</source>
            <translation>Increment +10 / oct</translation>
        </message>
        <message>
            <source>インクリメント +100</source>
            <translation>Increment +100</translation>
        </message>
        <message>
            <source>インクリメント +1000</source>
            <translation>Increment +1000</translation>
        </message>
        <message>
            <source>ディクリメント -1</source>
            <translation>Decrement -1</translation>
        </message>
        <message>
            <source>ディクリメント -10 / oct</source>
            <translation>Decrement -10 / oct</translation>
        </message>
        <message>
            <source>ディクリメント -100</source>
            <translation>Decrement -100</translation>
        </message>
        <message>
            <source>ディクリメント -1000</source>
            <translation>Decrement -1000</translation>
        </message>
        <message>
            <source>削除</source>
            <translation>Delete</translation>
        </message>
        <message>
            <source>消去</source>
            <translation>Erase</translation>
        </message>
        <message>
            <source>後方削除</source>
            <translation>Delete Backward</translation>
        </message>
        <message>
            <source>コピー</source>
            <translation>Copy</translation>
        </message>
        <message>
            <source>カット</source>
            <translation>Cut</translation>
        </message>
        <message>
            <source>貼り付け</source>
            <translation>Paste</translation>
        </message>
        <message>
            <source>貼り付け(ミックス)</source>
            <translation>Paste (Mix)</translation>
        </message>
        <message>
            <source>貼り付け(置き換え)</source>
            <translation>Paste (Replace)</translation>
        </message>
        <message>
            <source>全て選択</source>
            <translation>Select All</translation>
        </message>
        <message>
            <source>シフト</source>
            <translation>Shift</translation>
        </message>
        <message>
            <source>コンプレス/エキスパンド</source>
            <translation>Compress/Expand</translation>
        </message>
        <message>
            <source>クォンタイズ</source>
            <translation>Quantize</translation>
        </message>
        <message>
            <source>コントロールカーブ</source>
            <translation>Control Curve</translation>
        </message>
        <message>
            <source>サーチ</source>
            <translation>Search</translation>
        </message>
        <message>
            <source>ソート</source>
            <translation>Sort</translation>
        </message>
        <message>
            <source>元に戻す(アンドゥ)</source>
            <translation>Undo</translation>
        </message>
        <message>
            <source>やり直す(リドゥ)</source>
            <translation>Redo</translation>
        </message>
        <message>
            <source>コントローラ挿入</source>
            <translation>Insert Controller</translation>
        </message>
        <message>
            <source>プロシージャ挿入</source>
            <translation>Insert Procedure</translation>
        </message>
        <message>
            <source>フレーズ挿入</source>
            <translation>Insert Phrase Call</translation>
        </message>
        <message>
            <source>コマンド挿入</source>
            <translation>Insert Command</translation>
        </message>
        <message>
            <source>エクスクルーシブ挿入</source>
            <translation>Insert Exclusive</translation>
        </message>
        <message>
            <source>クローン挿入</source>
            <translation>Insert Clone</translation>
        </message>
        <message>
            <source>コメント挿入</source>
            <translation>Insert Comment</translation>
        </message>
        <message>
            <source>ラベル挿入</source>
            <translation>Insert Label</translation>
        </message>
        <message>
            <source>選択範囲のフレーズ化</source>
            <translation>Make Phrase of Selection</translation>
        </message>
        <message>
            <source>選択範囲のファイル保存</source>
            <translation>Save Selection to File</translation>
        </message>
        <message>
            <source>ファイルからフレーズ読み込み</source>
            <translation>Load Phrase from File</translation>
        </message>
        <message>
            <source>ポイントプレイ(小節先頭から)</source>
            <translation>Point Play (from Measure Start)</translation>
        </message>
        <message>
            <source>ポイントプレイ(現在位置から)</source>
            <translation>Point Play (from Cursor)</translation>
        </message>
        <message>
            <source>ソロプレビュー(小節先頭から)</source>
            <translation>Solo Preview (from Measure Start)</translation>
        </message>
        <message>
            <source>ソロプレビュー(現在位置から)</source>
            <translation>Solo Preview (from Cursor)</translation>
        </message>
        <message>
            <source>メジャープレイ(小節先頭から)</source>
            <translation>Measure Play (from Measure Start)</translation>
        </message>
        <message>
            <source>メジャープレイ(現在位置から)</source>
            <translation>Measure Play (from Cursor)</translation>
        </message>
        <message>
            <source>ポイントレコーディング(小節先頭から)</source>
            <translation>Point Recording (from Measure Start)</translation>
        </message>
        <message>
            <source>ポイントレコーディング(現在位置から)</source>
            <translation>Point Recording (from Cursor)</translation>
        </message>
        <message>
            <source>ポイントミックスレコーディング(小節先頭から)</source>
            <translation>Point Mix Recording (from Measure Start)</translation>
        </message>
        <message>
            <source>ポイントミックスレコーディング(現在位置から)</source>
            <translation>Point Mix Recording (from Cursor)</translation>
        </message>
        <message>
            <source>プレイ(再生/停止の切り替え)</source>
            <translation>Play (Toggle Play/Stop)</translation>
        </message>
        <message>
            <source>カーソル位置のノートを確認</source>
            <translation>Hear Note at Cursor</translation>
        </message>
        <message>
            <source>カーソル位置の和音を確認</source>
            <translation>Hear Chord at Cursor</translation>
        </message>
        <message>
            <source>インサートモード変更</source>
            <translation>Change Insert Mode</translation>
        </message>
        <message>
            <source>MIDI入力モード変更</source>
            <translation>Next MIDI Input Mode</translation>
        </message>
        <message>
            <source>MIDI入力モード(OFF)</source>
            <translation>MIDI Input Mode (OFF)</translation>
        </message>
        <message>
            <source>MIDI入力モード(NOTE)</source>
            <translation>MIDI Input Mode (NOTE)</translation>
        </message>
        <message>
            <source>MIDI入力モード(VEL)</source>
            <translation>MIDI Input Mode (VEL)</translation>
        </message>
        <message>
            <source>MIDI入力モード(MONO)</source>
            <translation>MIDI Input Mode (MONO)</translation>
        </message>
        <message>
            <source>MIDI入力モード(MVEL)</source>
            <translation>MIDI Input Mode (MVEL)</translation>
        </message>
        <message>
            <source>MIDI入力モード(POLY)</source>
            <translation>MIDI Input Mode (POLY)</translation>
        </message>
        <message>
            <source>MIDI入力モード(PVEL)</source>
            <translation>MIDI Input Mode (PVEL)</translation>
        </message>
        <message>
            <source>MIDI入力モード ON/OFF</source>
            <translation>MIDI Input Mode On/Off</translation>
        </message>
        <message>
            <source>ゴーストノート表示切替え</source>
            <translation>Toggle Ghost Notes</translation>
        </message>
        <message>
            <source>入力ピッチベンドレンジ設定</source>
            <translation>Pitch-Bend Input Range</translation>
        </message>
        <message>
            <source>グリッドエディタ起動</source>
            <translation>Open Grid Editor</translation>
        </message>
        <message>
            <source>変数化</source>
            <translation>Toggle Register Reference</translation>
        </message>
        <message>
            <source>バンクセット変更</source>
            <translation>Change Bank Set</translation>
        </message>
        <message>
            <source>ポート変更</source>
            <translation>Change Port</translation>
        </message>
        <message>
            <source>チャンネル変更</source>
            <translation>Change Channel</translation>
        </message>
    </context>
</TS>
