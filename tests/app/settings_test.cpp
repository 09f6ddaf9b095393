// The settings records and definition files: exact bytes on disk, the start-up's defaults and
// order, the readers' edge cases, and malformed files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "../engine/fake_driver.h"
#include "app/app_config.h"
#include "engine/input.h"
#include "engine/mtc_out.h"
#include "engine/ports.h"
#include "io/file_util.h"

using namespace tarvio;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, size_t off, int32_t v) {
    if (b.size() < off + 4) b.resize(off + 4);
    for (int i = 0; i < 4; ++i) b[off + size_t(i)] = uint8_t(uint32_t(v) >> (8 * i));
}
void add32(Bytes& b, int32_t v) { put32(b, b.size(), v); }
Bytes fileBytes(const std::string& path) {
    Bytes b;
    readWholeFile(path, b);
    return b;
}
void writeBytes(const std::string& path, const Bytes& b) { std::ofstream(path, std::ios::binary).write((const char*)b.data(), std::streamsize(b.size())); }
void writeText(const std::string& path, const std::string& t) { std::ofstream(path, std::ios::binary) << t; }

struct TempFolder {
    std::string path = (fs::temp_directory_path() / ("tarvio-settings-" + std::to_string(::getpid()))).string();
    TempFolder() { fs::remove_all(path), fs::create_directories(path); }
    ~TempFolder() { fs::remove_all(path); }
    SettingsFolders folders() const { return {path, path}; }
    std::string operator/(const char* name) const { return path + "/" + name; }
};

ControllerNames ccOf(const std::string& text) {
    ControllerNames n;
    parseControllerNames(text, n);
    return n;
}

}  // namespace

TEST(SettingsFiles, SaveWritesExactImagesAndLoadReadsThemBack) {
    TempFolder dir;
    AppConfig c;
    *c.layout.editor(3) = {1, -2, 3, 4};
    c.layout.grid() = {5, 6, 7, 8};
    c.ports.outputMap[1] = -1;
    c.ports.outputMap[255] = 7;
    c.ports.inputUse[2] = 1;
    c.ports.through = 1;
    c.ports.latencyFix = -9;
    c.fkeys.current[47] = 123;
    c.fkeys.templates = {{"ab", {}}};
    c.fkeys.templates[0].values[0] = -2;
    c.settings.metronome.weakNote = 40;
    c.settings.preCount = 480;
    c.settings.editorWindow(9)->flag = 3;
    c.settings.editorWindow(9)->charHeight = 16;
    c.settings.globalLink = 0;
    c.settings.mmcReceiveId = 5;
    c.filters = {Filter{}};
    c.keys.set('A', kModCtrl, 999);
    ASSERT_TRUE(c.save(dir.folders()).empty());

    Bytes layout(192, 0);
    for (int i = 0; i < 4; ++i) put32(layout, 16 * 4 + 4 * size_t(i), std::array{1, -2, 3, 4}[size_t(i)]);
    for (int i = 0; i < 4; ++i) put32(layout, 16 * 11 + 4 * size_t(i), 5 + i);
    EXPECT_EQ(fileBytes(dir / "layout.dat"), layout);

    Bytes port;
    for (int p = 0; p < 256; ++p) add32(port, p == 1 ? -1 : p == 255 ? 7 : 0);
    for (int p = 0; p < 256; ++p) port.push_back(p == 2);
    port.push_back(1);
    add32(port, -9);
    EXPECT_EQ(fileBytes(dir / "port.dat"), port);

    Bytes fkey;
    for (int i = 0; i < 48; ++i) add32(fkey, i == 47 ? 123 : c.fkeys.current[size_t(i)]);
    fkey.insert(fkey.end(), {1, 2, 0, 0, 0, 'a', 'b'});
    for (int i = 0; i < 48; ++i) add32(fkey, i == 0 ? -2 : 0);
    fkey.push_back(0);
    EXPECT_EQ(fileBytes(dir / "fkey.dat"), fkey);

    Bytes keymap = fileBytes(dir / "keymap.dat");
    ASSERT_EQ(keymap.size(), 8200u);
    EXPECT_EQ(Bytes(keymap.begin(), keymap.begin() + 8), (Bytes{2, 0, 0, 0, 0, 0x20, 0, 0}));
    EXPECT_EQ(Bytes(keymap.begin() + 8 + ('A' * 8 + 2) * 4, keymap.begin() + 12 + ('A' * 8 + 2) * 4), (Bytes{0xE7, 3, 0, 0}));

    Bytes settings = {6, 0, 0, 0, 0, 0, 9, 34, 40, 127, 100, 0};  // version, then offset 0
    const std::pair<size_t, int32_t> words[] = {{8, 480}, {12, 12}, {16, 16}, {20, 12}, {24, 8}, {100, -1}, {104, 0}, {112, -1},
                                                {116, 2}, {124, -1}, {128, 127}, {136, -1}, {140, 5}};
    for (auto [off, v] : words) put32(settings, 4 + off, v);
    for (size_t w : {32, 48, 64, 80}) put32(settings, 4 + w + 4, 100), put32(settings, 4 + w + 12, w == 80 ? 16 : 12);
    settings[4 + 80 + 8] = 3;
    settings.insert(settings.end(), keymap.begin(), keymap.end());
    EXPECT_EQ(fileBytes(dir / "tarvio.dat"), settings);

    AppConfig back;
    back.load(dir.folders(), dir.path);
    EXPECT_EQ(back.layout, c.layout);
    EXPECT_EQ(back.ports, c.ports);
    EXPECT_EQ(back.fkeys, c.fkeys);
    EXPECT_EQ(back.settings, c.settings);
    EXPECT_EQ(back.filters, c.filters);
    EXPECT_EQ(back.keys, c.keys);
}

// A first start: every record at its default, outputs on the built-in synthesizer, the splash
// texts and the start-up's own steps in order.
TEST(SettingsFiles, DefaultsWithoutAnyFile) {
    TempFolder dir;
    AppConfig c;
    c.settings.bendRange = 1, c.fkeys.templates.clear(), c.keys.clear(), c.ports = PortSetup{};  // load resets them
    std::vector<std::string> steps;
    c.load(dir.folders(), dir.path,
           {[&](const std::string& t) { steps.push_back(t); }, [&](const PortSetup&) { steps.push_back("<ports>"); },
            [&] { steps.push_back("<plugins>"); }});
    EXPECT_EQ(steps, (std::vector<std::string>{"Initializing Layout...", "Initializing MIDI ports...", "<ports>",
                                               "Initializing tarvio plugins...", "<plugins>", "Initializing control change...",
                                               "Initializing bank map...", "Initializing function key data...",
                                               "Initializing tarvio settings data...", "Finish"}));
    EXPECT_EQ(c.layout, WindowLayout{});
    EXPECT_EQ(std::count(c.ports.outputMap.begin(), c.ports.outputMap.end(), 0), 256);  // the built-in synthesizer
    EXPECT_EQ(std::count(c.ports.inputUse.begin(), c.ports.inputUse.end(), 0), 256);
    EXPECT_EQ(c.settings.metronome, (MetronomeSettings{0, 0, 9, 34, 33, 127, 100}));
    EXPECT_EQ(c.settings.bendRange, 12);
    EXPECT_EQ(c.settings.globalLink, 1);
    EXPECT_EQ(c.settings.mtcFrameFormat, 2);
    EXPECT_EQ(c.settings.mmcSendId + c.settings.mmcReceiveId, 254);
    EXPECT_TRUE(c.banks.empty() && c.filters.empty() && c.controllers == ControllerNames{});
    EXPECT_EQ(c.keys, KeyMap{});

    const struct {
        int key, state, action;
    } bindings[] = {{0x26, 4, kActUp}, {0xBC, 6, kActPageUp10}, {0x26, 1, kActTop}, {0x25, 6, kActGateMinus10},
                    {0x22, 6, kActDec1000}, {0x7B, 0, 112}, {0x7B, 4, 132}, {0x70, 6, 161}, {0x08, 0, kActErase},
                    {'Z', 6, kActRedo}, {0xE2, 0, kActInsertProcedure}, {0xDC, 4, kActInsertExclusive},
                    {0xC0, 0, kActInsertComment}, {0xBA, 4, kActInsertLabel}, {'M', 1, kActMidiInputOnOff},
                    {'C', 1, kActChannel}, {0x6A, 0, kActJump}, {'C', 0, kActNone}, {0x2D, 6, kActPasteReplace}};
    for (const auto& b : bindings) EXPECT_EQ(c.keys.action(b.key, b.state), b.action) << b.key << "/" << b.state;
    EXPECT_STREQ(actionName(kActShiftCtrlF1 + 11), "Shift + Ctrl + F12");
    EXPECT_EQ(actionName(5), nullptr);
    EXPECT_STREQ(keyName(0xE2), "BACKSLASH");
    EXPECT_EQ(keyName(0xC0), nullptr);

    ASSERT_EQ(c.fkeys.templates.size(), 5u);
    EXPECT_EQ(c.fkeys.currentName, "960 TPQN templete");
    EXPECT_EQ(c.fkeys.templates[4].name, "48 TPQN templete");
    EXPECT_EQ(std::vector<int32_t>(c.fkeys.current.begin(), c.fkeys.current.begin() + 24),
              (std::vector<int32_t>{3840, 2880, 1920, 1440, 960, 720, 480, 360, 240, 120, 60, -1,
                                    2560, 3360, 1280, 1680, 640, 840, 320, 420, 160, 80, 40, -2}));
    const FkeyValues& q48 = c.fkeys.templates[4].values;
    EXPECT_EQ((std::array{q48[19], q48[22], q48[fkeyIndex(2, 9)], q48[fkeyIndex(3, 11)]}), (std::array{21, 2, 1920, 0}));
}

// An empty port file (left by a failed write, say) is no set-up at all: the first start's
// stands, rather than 256 silent ports.
TEST(SettingsFiles, EmptyPortFileCountsAsMissing) {
    TempFolder dir;
    writeBytes(dir / "port.dat", {});
    AppConfig c;
    c.load(dir.folders(), dir.path);
    EXPECT_EQ(c.ports, firstStartPortSetup());
    writeBytes(dir / "port.dat", {5, 0, 0, 0});  // one port's device, the rest as before
    c.load(dir.folders(), dir.path);
    EXPECT_EQ(c.ports.outputMap[0], 5);
    EXPECT_EQ(c.ports.outputMap[1], -1);
}

TEST(SettingsFiles, ControllerNameLines) {
    const std::string long20 = "ABCDEFGHIJKLMNOPQRST";
    std::string kana20;
    for (int i = 0; i < 20; ++i) kana20 += "あ";
    const struct {
        std::string text;
        int cc;
        std::string name;
    } rows[] = {
        {"7 Volume", 7, "Volume"},
        {"7Volume", 7, ""},
        {"7\tVolume\r\n", 7, "Volume"},
        {"1 " + long20, 1, long20.substr(0, 16)},
        {"1 " + kana20, 1, kana20.substr(0, 16 * 3)},  // characters, not bytes
        {"0 Bank\n\n", 0, ""},                          // an empty line names controller 0
        {"0 Bank\n", 0, "Bank"},                        // the final line feed is no empty line
        {"0 Bank\n200 Big\n-1 Neg\n", 0, "Bank"},
        {"9 Old\n9 New", 9, "New"},
        {"0 Bank\n5 " + std::string(3000, 'x') + "\n", 0, "Bank"},  // a long line's tail is no line
    };
    for (const auto& r : rows) EXPECT_EQ(ccOf(r.text).name(r.cc), r.name) << r.text.substr(0, 20);
}

TEST(SettingsFiles, BankFilesAndFolderOrder) {
    const BankSet set = parseBankSet("Set", "msb=5\n  BANK = Piano  \r\nMSB=300\nlsb = 2\n0=Grand\n128=Out\n=x\n5=\nfoo=bar\nnone\n"
                                            "1 = Bright\r\nbank=Drums\n");
    ASSERT_EQ(set.banks.size(), 2u);
    const Bank& p = set.banks[0];
    EXPECT_EQ(std::tuple(p.name, p.msb, p.lsb, p.programs[0], p.programs[1], p.programs[5]),
              std::tuple(std::string("Piano"), uint8_t(44), uint8_t(2), std::string("Grand"), std::string("Bright"), std::string()));
    EXPECT_EQ(std::tuple(set.banks[1].name, set.banks[1].msb, set.banks[1].lsb), std::tuple(std::string("Drums"), uint8_t(0), uint8_t(0)));

    TempFolder dir;
    for (const char* name : {"b.bnk", "A.BNK", "c.txt"}) writeText(dir / name, "bank=x\n");
    std::vector<std::string> titles;
    for (const BankSet& s : readBankFolder(dir.path)) titles.push_back(s.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"A", "b"}));
    EXPECT_TRUE(readBankFolder(dir / "none").empty());

    // The shipped definitions read as meant: no cut names, a whole General MIDI bank.
    const fs::path data = fs::path(__FILE__).parent_path() / "../../data";
    std::ifstream cc(data / "cc.dat");
    const ControllerNames names = ccOf(std::string(std::istreambuf_iterator<char>(cc), {}));
    EXPECT_EQ(names.name(7), "Volume");
    EXPECT_EQ(names.name(121), "Reset All Ctrl");
    Bytes gm = fileBytes((data / "bank/GM.bnk").string());
    const BankSet gmSet = parseBankSet("GM", std::string(gm.begin(), gm.end()));
    ASSERT_EQ(gmSet.banks.size(), 1u);
    EXPECT_EQ(std::count(gmSet.banks[0].programs.begin(), gmSet.banks[0].programs.end(), std::string()), 0);
    EXPECT_EQ(gmSet.banks[0].programs[127], "Gunshot");
}

TEST(SettingsFiles, FunctionKeyFilesEndingEarly) {
    Bytes values;
    for (int i = 0; i < 48; ++i) add32(values, i);
    auto withTemplate = [&](int32_t length, size_t nameBytes, int valueCount) {
        Bytes b = values;
        b.push_back(1);
        add32(b, length);
        b.resize(b.size() + nameBytes, 'n');
        for (int i = 0; i < valueCount; ++i) add32(b, 7);
        return b;
    };
    const struct {
        Bytes file;
        size_t templates;
        bool currentRead;
    } rows[] = {
        {values, 0, true},                            // only the current values
        {Bytes(values.begin(), values.end() - 1), 0, false},  // current values cut: built-in ones stay
        {withTemplate(2, 2, 48), 1, true},            // no closing 0 byte
        {withTemplate(10000, 10000, 48), 1, true},
        {withTemplate(10001, 10001, 48), 0, true},
        {withTemplate(-1, 0, 48), 0, true},
        {withTemplate(2, 2, 47), 0, true},            // a cut template is not kept
        {withTemplate(50, 2, 0), 0, true},            // a name longer than the file
    };
    for (const auto& r : rows) {
        FkeyTable t = builtInFkeyTable();
        parseFkeys(r.file.data(), r.file.size(), t);
        EXPECT_EQ(t.templates.size(), r.templates) << r.file.size();
        EXPECT_EQ(t.current[1], r.currentRead ? 1 : 2880) << r.file.size();
        EXPECT_EQ(t.currentName, "960 TPQN templete");
    }
}

// Another key map format is skipped, a settings file of another version is ignored, and the
// filter and key map files are read all the same.
TEST(SettingsFiles, VersionsAndFormats) {
    TempFolder dir;
    KeyMap keys;
    for (Bytes other : {Bytes{3, 0, 0, 0, 10, 0, 0, 0}, Bytes{3, 0, 0, 0, 0, 0x20, 0, 0}}) {
        other.resize(8200, 0xFF);
        EXPECT_FALSE(keys.parse(other.data(), other.size()));
    }
    Bytes cut;
    KeyMap{}.serialize(cut);
    cut.pop_back();
    EXPECT_FALSE(keys.parse(cut.data(), cut.size()));
    EXPECT_EQ(keys, KeyMap{});

    AppConfig written;
    written.keys.set(1, 1, 77);
    written.filters = {Filter{}};
    written.save(dir.folders());
    Bytes settings = fileBytes(dir / "tarvio.dat");
    settings[0] = 5;
    writeBytes(dir / "tarvio.dat", settings);
    writeBytes(dir / "layout.dat", {9, 0, 0, 0, 8, 0});  // ends inside the second field
    AppConfig c;
    c.load(dir.folders(), dir.path);
    EXPECT_EQ(c.settings, AppSettings{});
    EXPECT_EQ(c.keys.action(1, 1), 77);
    EXPECT_EQ(c.filters.size(), 1u);
    EXPECT_EQ(std::tuple(c.layout.trackList().left, c.layout.trackList().top), std::tuple(9, 0));

    Bytes v6 = {6, 0, 0, 0, 1, 2, 3};  // the record ends after three bytes
    AppSettings s;
    EXPECT_TRUE(parseSettingsFile(v6.data(), v6.size(), s));
    EXPECT_EQ(s.metronome, (MetronomeSettings{1, 2, 3, 34, 33, 127, 100}));
}

// Every prefix of every valid image and random bytes: readers stop cleanly.
TEST(SettingsFiles, MalformedFilesNeverCrash) {
    AppConfig c;
    c.fkeys.templates.push_back({"x", {}});
    std::vector<Bytes> images = {serializeLayout(c.layout), serializePortSetup(c.ports), serializeFkeys(c.fkeys),
                                 serializeSettingsFile(c.settings, c.keys)};
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        Bytes b(rng() % 600);
        for (uint8_t& x : b) x = uint8_t(rng() % 4 ? rng() : 1);
        images.push_back(b);
    }
    for (const Bytes& image : images)
        for (size_t n = 0; n <= image.size(); n += 1 + n / 64) {
            AppConfig r;
            parseLayout(image.data(), n, r.layout);
            parsePortSetup(image.data(), n, r.ports);
            parseFkeys(image.data(), n, r.fkeys);
            parseSettingsFile(image.data(), n, r.settings);
            r.keys.parse(image.data(), n);
            parseControllerNames(std::string_view((const char*)image.data(), n), r.controllers);
            parseBankSet("t", std::string_view((const char*)image.data(), n));
        }
}

TEST(SettingsFiles, UnwritableFilesAreSkippedAndReported) {
    TempFolder dir;
    fs::create_directories(dir / "fkey.dat");
    const std::vector<std::string> skipped = AppConfig{}.save(dir.folders());
    EXPECT_EQ(skipped, std::vector<std::string>{dir / "fkey.dat"});
    EXPECT_TRUE(fs::exists(dir / "port.dat"));
    EXPECT_EQ(AppConfig{}.save({dir / "none/deeper", dir / "none/deeper"}).size(), 6u);
}

TEST(SettingsEngine, SettingsAndPortsReachTheEngine) {
    AppSettings s;
    s.metronome = {1, 3, 25, 200, 20, 90, 80};
    s.mtcInPort = 4, s.syncOffset = -30, s.sendMtc = 1, s.mtcOutPort = 6, s.mtcFrameFormat = 1;
    s.acceptMmc = 1, s.mmcInPort = 2, s.mmcReceiveId = 16;
    applyEngineSettings(s);
    EXPECT_EQ(metronome(), (MetronomeSettings{1, 3, 9, 127, 20, 90, 80}));  // clamped to the wire's ranges
    EXPECT_EQ(std::tuple(mtcInPort(), mtcOffset(), mtcOutputOn(), mtcOutPort(), mtcOutRate()), std::tuple(4, -30, true, 6, 1));
    EXPECT_EQ(std::tuple(mmcReceive(), mmcInPort(), mmcDeviceId()), std::tuple(true, 2, 16));
    resetMetronomeForTests(), resetInputForTests(), resetMtcOutputForTests();

    enginetest::FakeClock clock;
    enginetest::FakeDriver driver{clock};
    driver.outNames = {"Synth", "Cable"};
    driver.inNames = {"Keys", "Pads"};
    createPorts(driver, clock);
    PortSetup setup = firstStartPortSetup();
    setup.outputMap[9] = -1;
    setup.inputUse[1] = 1;
    setup.through = 1, setup.latencyFix = 12;
    applyPortSetup(setup);
    EXPECT_EQ(std::count(driver.calls.begin(), driver.calls.end(), "openOut 0"), 1);  // shared by 255 ports
    EXPECT_TRUE(outPortSlot(255)->handle && outPortSlot(0)->handle == outPortSlot(255)->handle);
    EXPECT_FALSE(outPortSlot(9)->handle);
    EXPECT_EQ(std::count(driver.calls.begin(), driver.calls.end(), "openIn 1"), 1);
    EXPECT_EQ(std::count(driver.calls.begin(), driver.calls.end(), "openIn 0"), 0);
    EXPECT_EQ(std::tuple(thruOn(), latencyFix()), std::tuple(true, 12));
    destroyPortsForTests(), resetInputForTests();
}

namespace tarvio {
namespace {

// The editor's status line: each row's twelve values in six characters, ties and rests named,
// a key that does nothing blank.
TEST(FkeyStatusText, RowsOfTwelveSixCharacterFields) {
    FkeyTable t = builtInFkeyTable();
    t.current[size_t(fkeyIndex(1, 0))] = 65535;
    t.current[size_t(fkeyIndex(1, 10))] = kFkeyTie;
    t.current[size_t(fkeyIndex(1, 11))] = kFkeyRest;
    t.current[size_t(fkeyIndex(1, 1))] = kFkeyNothing;
    const std::string shift = fkeyStatusText(t, 1);
    ASSERT_EQ(shift.size(), 72u);
    EXPECT_EQ(shift.substr(0, 12), " 65535      ");
    EXPECT_EQ(shift.substr(60), "   Tie  Rest");
    t.current[size_t(fkeyIndex(3, 0))] = 7;
    EXPECT_EQ(fkeyStatusText(t, 3).substr(0, 6), "     7");
    EXPECT_EQ(fkeyStatusText(t, 4), "");
}

}  // namespace
}  // namespace tarvio
