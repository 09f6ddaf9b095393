// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "app/app_config.h"
#include "app/port_list.h"
#include "editor/entry_dialogs.h"
#include "model/song.h"
#include "editor/ui/editor_window.h"

#include "editor/ui/dialogs/editor_dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QListWidget>
#include <QScreen>

#include <algorithm>

#include <cstring>

#include "app/ui/dialog_util.h"
#include "app/ui/main_window.h"
#include "app/ui/screenshots.h"
#include "editor/ui/dialogs/bank_select_dialog.h"
#include "editor/ui/dialogs/entry_list_dialog.h"
#include "editor/ui/dialogs/fkey_setting_dialog.h"
#include "editor/ui/dialogs/key_setting_dialog.h"
#include "editor/ui/dialogs/plugin_params_dialog.h"
#include "editor/ui/dialogs/simple_dialogs.h"
#include "editor/ui/dialogs/sysex_dialog.h"

namespace tarvio {

namespace {

using Kind = EditorRequest::Kind;

QString translated(const char* text) { return QCoreApplication::translate("tarvio::EditorDialogs", text); }

const char* const kPhraseFilter = QT_TRANSLATE_NOOP("tarvio::EditorDialogs", "フレーズファイル (*.tvp)");
const char* const kChannelCaption = QT_TRANSLATE_NOOP("tarvio::EditorDialogs", "チャンネル変更");
// The captions the controller sends, for the translation.
[[maybe_unused]] const char* const kCaptions[] = {
    QT_TRANSLATE_NOOP("tarvio::EditorDialogs", "コメントの編集"),
    QT_TRANSLATE_NOOP("tarvio::EditorDialogs", "フレーズ名称の入力"),
    QT_TRANSLATE_NOOP("tarvio::EditorDialogs", "ピッチベンド入力レンジの変更"),
};

DeviceNames portDevices(const EditorDialogContext& c) {
    if (c.devices) return *c.devices;
    return currentDeviceNames(QCoreApplication::translate("PortList", PortListTexts::unassigned).toStdString());
}

PortChoices portChoices(const EditorDialogContext& c) {
    const PortSetup setup = c.config ? c.config->ports : PortSetup{};
    return outputPortChoices(setup, portDevices(c), false);
}

std::vector<std::string> bankSetNames(const EditorDialogContext& c) {
    std::vector<std::string> names;
    if (c.banks)
        for (const BankSet& s : *c.banks) names.push_back(s.title);
    return names;
}

EditorResult runList(QWidget* parent, const EditorRequest& r, const EditorDialogContext& c) {
    std::vector<std::string> items = r.items;
    int current = r.index;
    PortChoices ports;
    if (r.kind == Kind::BankSetList) {
        items = bankSetNames(c);
        current = -1;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == r.text) current = int(i);
    } else if (r.kind == Kind::PortList) {
        ports = portChoices(c);
        items.clear();
        for (const PortChoice& p : ports) items.push_back(p.text);
        current = choiceOf(ports, int32_t(r.number));
    }
    EntryListDialog dialog(translated(entryListTitle(r.kind)), items, current, r.kind == Kind::ControllerList,
                           c.listArea, parent);
    EditorResult res;
    if (dialog.exec() != QDialog::Accepted || dialog.choice() < 0) return res;
    res.ok = true;
    res.index = dialog.choice();
    if (r.kind == Kind::BankSetList) res.text = items[size_t(res.index)];
    if (r.kind == Kind::PortList) res.number = portOfChoice(ports, res.index);
    return res;
}

}  // namespace

EditorResult runEditorRequest(QWidget* parent, const EditorRequest& r, const EditorDialogContext& c) {
    EditorResult res;
    switch (r.kind) {
    case Kind::ControllerList: case Kind::ProcedureList: case Kind::PhraseList: case Kind::InstructionList:
    case Kind::CloneList: case Kind::BankSetList: case Kind::PortList:
        return runList(parent, r, c);
    case Kind::ProgramList: {
        static const std::vector<BankSet> none;
        BankSelectDialog dialog(c.banks ? *c.banks : none, r.text, int(r.number), r.bankMsb, r.bankLsb, parent);
        if (dialog.exec() != QDialog::Accepted || dialog.program() < 0) return res;
        res.ok = true;
        res.number = dialog.program();
        res.bankMsb = dialog.msb();
        res.bankLsb = dialog.lsb();
        return res;
    }
    case Kind::PluginParams: {
        if (!r.params) return res;
        PluginParamsDialog dialog(*r.params, QStringLiteral("Plugin Parameters"), parent);
        if (dialog.exec() != QDialog::Accepted) return res;
        res.ok = true;
        res.params = std::make_shared<ParameterBlock>(dialog.block());
        return res;
    }
    case Kind::SysEx: {
        SysExDialog dialog(r.bytes, parent);
        if (dialog.exec() != QDialog::Accepted) return res;
        res.ok = true;
        res.bytes = dialog.bytes();
        return res;
    }
    case Kind::CommentText: case Kind::PhraseName: {
        TextInputDialog dialog(translated(r.caption.c_str()), qs(r.text), textLimit(r.kind), parent);
        if (dialog.exec() != QDialog::Accepted) return res;
        res.ok = true;
        res.text = dialog.text().toStdString();
        if (const size_t limit = textLimit(r.kind)) res.text = cutUtf8(res.text, limit);
        return res;
    }
    case Kind::SavePhraseFile: case Kind::LoadPhraseFile: {
        const QString filter = translated(kPhraseFilter);
        QString path = r.kind == Kind::SavePhraseFile
                           ? QFileDialog::getSaveFileName(parent, QString(), c.phraseFolder, filter)
                           : QFileDialog::getOpenFileName(parent, QString(), c.phraseFolder, filter);
        if (path.isEmpty()) return res;
        if (r.kind == Kind::SavePhraseFile && !path.endsWith(QLatin1String(".tvp"), Qt::CaseInsensitive))
            path += QStringLiteral(".tvp");
        res.ok = true;
        res.text = path.toStdString();
        return res;
    }
    case Kind::Jump: {
        JumpDialog dialog(int(r.number), int(r.tick), r.items, r.index, parent);
        // Next to the editor, so that its rows stay in sight.
        if (parent) {
            dialog.adjustSize();
            QPoint at = parent->mapToGlobal(QPoint(parent->width() + 8, 0));
            if (const QScreen* screen = parent->screen()) {
                const QRect free = screen->availableGeometry();
                at.setX(std::max(free.left(), std::min(at.x(), free.right() - dialog.width())));
            }
            dialog.move(at);
        }
        if (dialog.exec() != QDialog::Accepted) return res;
        res.ok = true;
        res.number = dialog.measure();
        res.tick = dialog.tick();
        res.index = dialog.track();
        if (c.song) res.track = trackNumberAt(*c.song, res.index);
        // Without a chosen track the jump stays in the edited one.
        if (res.track == 0 && c.song) res.track = trackNumberAt(*c.song, r.index);
        return res;
    }
    case Kind::BendRange: case Kind::ChannelNumber: {
        NumberInputDialog dialog(translated(r.caption.empty() ? kChannelCaption : r.caption.c_str()), int(r.number),
                                 int(r.min), int(r.max), parent);
        if (dialog.exec() != QDialog::Accepted) return res;
        res.ok = true;
        res.number = dialog.value();
        return res;
    }
    default:
        return res;
    }
}

bool editFkeys(QWidget* parent, FkeyTable& table) {
    FkeySettingDialog dialog(table, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    table = dialog.table();
    return true;
}

bool editKeyMap(QWidget* parent, KeyMap& map) {
    KeySettingDialog dialog(map, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    map = dialog.map();
    return true;
}

void connectSettingsMenus(MainWindow& window, AppConfig& config, std::function<const Song*()> song) {
    QObject::connect(&window, &MainWindow::fkeySettingsRequested, &window, [&window, &config] { editFkeys(&window, config.fkeys); });
    QObject::connect(&window, &MainWindow::keySettingsRequested, &window, [&window, &config] { editKeyMap(&window, config.keys); });
    window.setEditorAnswer([&config, song = std::move(song)](QWidget* parent, const EditorRequest& request) {
        EditorDialogContext context;
        context.song = song ? song() : nullptr;
        context.banks = &config.banks;
        context.config = &config;
        // The lists slide in at the editor's left edge, from its cursor row.
        if (const auto* editor = qobject_cast<const EditorWindow*>(parent)) context.listArea = editor->listArea();
        return runEditorRequest(parent, request, context);
    });
}

std::vector<Screenshot> editorDialogsForScreenshots(AppConfig& config, const Song& song, QWidget* owner) {
    std::vector<std::string> controllers{"--- KeyPressure", "--- ProgramChange", "--- Ch.Pressure", "--- PitchBend"};
    for (int n = 0; n < 128; ++n) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%03d ", n);
        controllers.push_back(buf + config.controllers.name(n));
    }
    std::vector<std::string> tracks;
    for (const auto& t : song.tracks) tracks.push_back(t->name);
    const std::string bankSet = config.banks.empty() ? std::string() : config.banks.front().title;

    // A block like the echo plug-in's, so that both kinds of value show.
    ParameterBlock params;
    params.count = 3;
    auto record = [&](int i, const char* name, int32_t type, double lo, double hi, double v) {
        uint8_t* r = params.records[i].raw;
        std::memcpy(r, &type, 4);
        std::strncpy(reinterpret_cast<char*>(r + 4), name, 32);
        if (type == 0) {
            const int32_t ints[3] = {int32_t(lo), int32_t(hi), int32_t(v)};
            std::memcpy(r + 40, ints, 12);
        } else {
            const double reals[3] = {lo, hi, v};
            std::memcpy(r + 40, reals, 24);
        }
    };
    record(0, "Delay", 0, 1, 1920, 240);
    record(1, "Repeat", 0, 1, 16, 3);
    record(2, "Decay", 1, 0.0, 1.0, 0.7);

    auto* keys = new KeySettingDialog(config.keys, owner);
    std::vector<std::pair<const char*, QDialog*>> dialogs{
        {"dialog-key-settings", keys},
        {"dialog-fkey-settings", new FkeySettingDialog(config.fkeys, owner)},
        {"dialog-jump", new JumpDialog(5, 120, tracks, tracks.empty() ? -1 : 0, owner)},
        {"dialog-bend-range", new NumberInputDialog(translated("ピッチベンド入力レンジの変更"), 12, 0, 48, owner)},
        {"dialog-comment", new TextInputDialog(translated("コメントの編集"), QStringLiteral("Comment"), 32, owner)},
        {"dialog-controller-list", new EntryListDialog(QStringLiteral("Controller"), controllers, 4 + 7, true, {}, owner)},
        {"dialog-program-list", new BankSelectDialog(config.banks, bankSet, 48, 0, 0, owner)},
        {"dialog-sysex", new SysExDialog({0xF0, 0x41, 0x10, 0x42, 0x12, 0xFA, 0x40, 0x00, 0x7F, 0xFF, 0xFB, 0xF7}, owner)},
        {"dialog-plugin-params", new PluginParamsDialog(params, QStringLiteral("Plugin Parameters"), owner)},
    };
    return showDialogs(dialogs);
}

}  // namespace tarvio
