#include "app/app_config.h"

#include <string_view>

#include "io/file_util.h"

namespace tarvio {

const char kLayoutFile[] = "layout.dat";
const char kPortFile[] = "port.dat";
const char kFkeyFile[] = "fkey.dat";
const char kSettingsFile[] = "tarvio.dat";
const char kFilterFile[] = "filter.dat";
const char kKeyMapFile[] = "keymap.dat";
const char kControllerFile[] = "cc.dat";
const char kBankFolder[] = "bank";

namespace {

// The bytes of a settings file where start-up reads it; false when there is none.
bool readSetting(const SettingsFolders& folders, const std::string& programFolder, const char* name, std::vector<uint8_t>& bytes) {
    return readWholeFile(settingsFileToRead(folders, programFolder, name), bytes);
}

}  // namespace

void AppConfig::load(const SettingsFolders& folders, const std::string& programFolder, const LoadSteps& steps) {
    auto show = [&](const char* text) {
        if (steps.status) steps.status(text);
    };
    std::vector<uint8_t> bytes;

    show("Initializing Layout...");
    layout = WindowLayout{};
    if (readSetting(folders, programFolder, kLayoutFile, bytes)) parseLayout(bytes.data(), bytes.size(), layout);

    show("Initializing MIDI ports...");
    // An empty file (a write that never finished) is no set-up: the first start's stands.
    if (readSetting(folders, programFolder, kPortFile, bytes) && !bytes.empty()) {
        ports = PortSetup{};
        parsePortSetup(bytes.data(), bytes.size(), ports);
    } else {
        ports = firstStartPortSetup();
    }
    if (steps.ports) steps.ports(ports);

    show("Initializing tarvio plugins...");
    if (steps.plugins) steps.plugins();

    show("Initializing control change...");
    controllers = ControllerNames{};
    if (readWholeFile(programFolder + "/" + kControllerFile, bytes))
        parseControllerNames(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), controllers);

    show("Initializing bank map...");
    banks = readBankFolder(programFolder + "/" + kBankFolder);

    show("Initializing function key data...");
    fkeys = builtInFkeyTable();
    if (readSetting(folders, programFolder, kFkeyFile, bytes)) parseFkeys(bytes.data(), bytes.size(), fkeys);

    show("Initializing tarvio settings data...");
    settings = AppSettings{};
    if (readSetting(folders, programFolder, kSettingsFile, bytes)) parseSettingsFile(bytes.data(), bytes.size(), settings);
    filters.clear();
    if (readSetting(folders, programFolder, kFilterFile, bytes)) filters = parseFilters(bytes.data(), bytes.size());
    keys = KeyMap{};
    if (readSetting(folders, programFolder, kKeyMapFile, bytes)) keys.parse(bytes.data(), bytes.size());

    show("Finish");
}

std::vector<std::string> AppConfig::save(const SettingsFolders& folders) const {
    std::vector<std::string> skipped;
    auto write = [&](const char* name, const std::vector<uint8_t>& data) {
        const std::string path = folders.write + "/" + name;
        if (!writeFileAtomic(path, data)) skipped.push_back(path);
    };
    write(kSettingsFile, serializeSettingsFile(settings, keys));
    write(kFilterFile, serializeFilters(filters));
    std::vector<uint8_t> keyBytes;
    keys.serialize(keyBytes);
    write(kKeyMapFile, keyBytes);
    write(kLayoutFile, serializeLayout(layout));
    write(kPortFile, serializePortSetup(ports));
    write(kFkeyFile, serializeFkeys(fkeys));
    return skipped;
}

void captureEngineState(AppConfig& config) {
    captureEngineThrough(config.ports);
    if (auto list = currentFilters()) config.filters = *list;
}

}  // namespace tarvio
