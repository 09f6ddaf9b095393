#include "views/header_strip.h"

#include <algorithm>
#include <cstdio>

#include "model/song.h"

namespace tarvio {

namespace {

constexpr int kValueChar = 12;  // cell values and the name
constexpr int kLabelChar = 10;  // "PORT", "CH.", "BANK SET", "TEMPO", "PHRASE"

// The layout, the same for every strip height: the name and the buttons on top, the port
// below, channel and bank set at the bottom.
constexpr Rect kNameRect{2, 1, 136, 15};
constexpr Rect kMuteRect{140, 1, 29, 15};
constexpr Rect kSoloRect{170, 1, 29, 15};
constexpr Rect kRecordRect{200, 1, 29, 15};
constexpr Rect kPortRect{24, 17, 204, 14};
constexpr Rect kChannelRect{19, 33, 18, 14};
constexpr Rect kBankSetRect{82, 33, 146, 14};
constexpr Rect kTempoRect{29, 17, 24, 14};
constexpr Point kPortLabel{2, 19}, kChannelLabel{2, 35}, kBankSetLabel{40, 35}, kTempoLabel{2, 19};

std::string padded(const std::string& s, int width) {
    const int n = utf8Length(s);
    return n >= width ? s : s + std::string(size_t(width - n), ' ');
}

Track* findList(const Song& song, TrackType type, uint32_t number) {
    switch (type) {
    case TrackType::Normal: return song.findTrack(number);
    case TrackType::TempoTrack: return song.tempoTrack.get();
    case TrackType::Phrase: return song.findPhrase(number);
    default: return nullptr;
    }
}

}  // namespace

// ---- the song side ----

bool stripCommandChanges(const Song& song, const StripCommand& c, bool recording) {
    using K = StripCommand::Kind;
    if (c.kind == K::SetTempo) return c.value >= 30 && c.value <= 240 && song.tempo != c.value;
    const Track* t = findList(song, c.type, c.number);
    if (!t) return false;
    const bool normal = t->type == TrackType::Normal;
    switch (c.kind) {
    case K::ToggleMute:
    case K::ToggleSolo: return normal;
    case K::CycleRecord: return normal && !recording;
    case K::SetName: return t->name != c.text;
    case K::SetChannel: return normal && c.value >= 0 && c.value <= 15 && t->channel != c.value;
    case K::SetPort: return normal && c.value >= 0 && c.value <= 255 && t->port != c.value;
    case K::SetBankSet: return normal && t->bankSet != c.text;
    default: return false;
    }
}

bool applyStripCommand(Song& song, const StripCommand& c, bool recording) {
    if (!stripCommandChanges(song, c, recording)) return false;
    using K = StripCommand::Kind;
    if (c.kind == K::SetTempo) {
        song.tempo = uint16_t(c.value);
        return true;
    }
    Track& t = *findList(song, c.type, c.number);
    switch (c.kind) {
    case K::ToggleMute: {
        t.mute = uint8_t((t.mute + 1) % 2);
        // While a track is soloed the solo decides what sounds; the mute shows again once the
        // last solo goes off.
        const bool anySolo = std::any_of(song.tracks.begin(), song.tracks.end(), [](auto& x) { return x->solo != 0; });
        if (!anySolo) t.effectiveMute = t.mute;
        break;
    }
    case K::ToggleSolo: song.setSolo(t, t.solo == 0); break;
    case K::CycleRecord: t.record = uint8_t((t.record + 1) % 3); break;
    case K::SetName: t.name = c.text; break;
    case K::SetChannel: t.channel = uint8_t(c.value); break;
    case K::SetPort: t.port = uint8_t(c.value); break;
    case K::SetBankSet: t.bankSet = c.text; break;
    default: return false;
    }
    return true;
}

// ---- the pane ----

HeaderStrip::HeaderStrip(Point position, int height) : Pane({position.x, position.y, kWidth, height}) {}

HeaderStrip::~HeaderStrip() {
    if (list_) list_->dismiss();
}

void HeaderStrip::setTrack(const Song* song, const Track* track) {
    if (track != track_) closeField(false);
    song_ = song;
    track_ = track;
    requestRedraw();
}

void HeaderStrip::setSelected(bool on) {
    selected_ = on;
    requestRedraw();
}

TrackType HeaderStrip::shownType() const { return track_ ? track_->type : TrackType::Normal; }

std::string HeaderStrip::portText(const std::string& device) { return padded(device, 32); }

std::string HeaderStrip::channelText(int channel) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", channel + 1);
    return b;
}

std::string HeaderStrip::bankSetText(const std::string& name) { return padded(name, 16); }

std::string HeaderStrip::recordText(int record) { return record == 2 ? "MIX" : "REC."; }

Rect HeaderStrip::areaRect(int area) const {
    if (!track_) return {};
    switch (shownType()) {
    case TrackType::TempoTrack:
        if (area == kAreaTempo) return kTempoRect;
        if (area == kAreaTempoStrip) return bounds();
        break;
    case TrackType::Normal:
        switch (area) {
        case kAreaName: return kNameRect;
        case kAreaMute: return kMuteRect;
        case kAreaSolo: return kSoloRect;
        case kAreaRecord: return kRecordRect;
        case kAreaPort: return kPortRect;
        case kAreaChannel: return kChannelRect;
        case kAreaBankSet: return kBankSetRect;
        case kAreaStrip: return bounds();
        default: break;
        }
        break;
    default:  // a phrase: its name, and its number below
        if (area == kAreaName) return kNameRect;
        if (area == kAreaStrip) return bounds();
        break;
    }
    if (area == kAreaResize && resizable_) return {0, height() - 4, width(), 4};
    return {};
}

int HeaderStrip::hitTest(Point p, Rect* out) const {
    static constexpr int kOrder[] = {kAreaResize, kAreaTempo,   kAreaName,    kAreaMute,   kAreaSolo,
                                     kAreaRecord, kAreaPort,    kAreaChannel, kAreaBankSet, kAreaStrip,
                                     kAreaTempoStrip};
    for (int area : kOrder) {
        const Rect r = areaRect(area);
        if (r.contains(p)) {
            if (out) *out = r;
            return area;
        }
    }
    if (out) *out = {};
    return kAreaNone;
}

StripCommand HeaderStrip::command(StripCommand::Kind k, int area) const {
    StripCommand c;
    c.kind = k;
    c.area = area;
    c.type = shownType();
    c.number = track_ ? track_->number : 0;
    if (const PaneOwner* o = owner()) c.modifiers = o->modifiers();
    return c;
}

void HeaderStrip::emit(StripCommand c) {
    requestRedraw();
    if (onCommand_) onCommand_(c);
}

bool HeaderStrip::press(int area) {
    using K = StripCommand::Kind;
    switch (area) {
    case kAreaMute: emit(command(K::ToggleMute, area)); break;
    case kAreaSolo: emit(command(K::ToggleSolo, area)); break;
    case kAreaRecord: emit(command(K::CycleRecord, area)); break;
    default: emit(command(K::Press, area)); break;
    }
    return true;
}

bool HeaderStrip::leftDown(Point p) {
    const int area = hitTest(p);
    if (field_ && area == fieldArea_) return true;  // a press in the open field keeps it open
    closeField(true);
    return area != kAreaNone && press(area);
}

bool HeaderStrip::leftDouble(Point p) {
    const int area = hitTest(p);
    if (field_ && area == fieldArea_) return true;
    closeField(true);
    switch (area) {
    case kAreaMute:
    case kAreaSolo:
    case kAreaRecord: return press(area);
    case kAreaTempo:
    case kAreaName:
    case kAreaChannel: openField(area); return true;
    case kAreaPort:
    case kAreaBankSet: openList(area); return true;
    case kAreaStrip:
    case kAreaTempoStrip: emit(command(StripCommand::Kind::Open, area)); return true;
    default: return area != kAreaNone;
    }
}

void HeaderStrip::openField(int area) {
    if (!track_) return;
    if (area == kAreaTempo)
        field_ = EditField::number(song_ ? song_->tempo : 120, 30, 240);
    else if (area == kAreaName)
        field_ = EditField::text(track_->name, kMaxNameChars);
    else
        field_ = EditField::number(track_->channel + 1, 1, 16);
    fieldArea_ = area;
    if (PaneOwner* o = owner()) o->setFocus(this);
    requestRedraw();
}

void HeaderStrip::openList(int area) {
    PaneOwner* o = owner();
    if (!track_ || !o) return;
    std::vector<std::string> entries;
    int current = 0;
    if (area == kAreaPort) {
        for (int port = 0; port < 256; ++port) {
            char b[8];
            std::snprintf(b, sizeof b, "%03d ", port + 1);
            entries.push_back(b + (names_.deviceOfPort ? names_.deviceOfPort(port) : std::string()));
        }
        current = track_->port;
    } else {
        entries = names_.bankSets;
        const auto it = std::find(entries.begin(), entries.end(), track_->bankSet);
        current = it == entries.end() ? 0 : int(it - entries.begin());
        if (entries.empty()) return;
    }
    const Rect cell = areaRect(area);
    const Point o0 = rootOrigin();
    const Rect where{o0.x + cell.x, o0.y + cell.bottom(), std::max(cell.w, 40 * kValueChar / 2 + 4), 0};
    fieldArea_ = area;
    auto list = std::make_unique<ListPopup>(where, std::move(entries), current, kValueChar,
                                            [this, area](bool confirmed, int index) {
                                                list_ = nullptr;
                                                fieldArea_ = kAreaNone;
                                                if (!confirmed) return requestRedraw();
                                                StripCommand c = command(area == kAreaPort ? StripCommand::Kind::SetPort
                                                                                           : StripCommand::Kind::SetBankSet,
                                                                         area);
                                                if (area == kAreaPort)
                                                    c.value = index;
                                                else
                                                    c.text = names_.bankSets[size_t(index)];
                                                emit(std::move(c));
                                            });
    list_ = list.get();
    o->openPopup(std::move(list));
}

void HeaderStrip::closeField(bool writeBack) {
    if (list_) {
        list_->close(writeBack);
        return;
    }
    if (!field_) return;
    const EditField f = std::move(*field_);
    const int area = fieldArea_;
    field_.reset();
    fieldArea_ = kAreaNone;
    if (PaneOwner* o = owner(); o && o->focus() == this) o->setFocus(nullptr);
    requestRedraw();
    if (!writeBack) return;
    using K = StripCommand::Kind;
    int v = 0;
    if (area == kAreaName) {
        StripCommand c = command(K::SetName, area);
        c.text = f.text();
        emit(std::move(c));
    } else if (f.value(v)) {
        StripCommand c = command(area == kAreaTempo ? K::SetTempo : K::SetChannel, area);
        c.value = area == kAreaTempo ? v : v - 1;
        emit(std::move(c));
    }
}

bool HeaderStrip::key(int virtualKey) {
    if (!field_) return false;
    switch (field_->key(virtualKey)) {
    case EditField::Result::Commit: closeField(true); break;
    case EditField::Result::Cancel: closeField(false); break;
    case EditField::Result::Changed: requestRedraw(); break;
    case EditField::Result::Ignored: break;
    }
    return true;  // an open field takes every key
}

bool HeaderStrip::typed(std::string_view utf8) {
    if (!field_) return false;
    if (field_->typed(utf8) == EditField::Result::Changed) requestRedraw();
    return true;
}

// ---- drawing ----

void HeaderStrip::drawLabel(Painter& p, Point at, const char* text) {
    p.setCharHeight(kLabelChar);
    p.text(at, text, ColorRole::Label);
    p.setCharHeight(kValueChar);
}

void HeaderStrip::drawCell(Painter& p, int area, const std::string& text) {
    const Rect r = areaRect(area);
    p.fillRect(r, ColorRole::CellFace);
    if (field_ && fieldArea_ == area) return field_->draw(p, r);
    p.save();
    p.clip(r);
    p.text({r.x + 2, r.y + 1}, text, ColorRole::CellText);
    p.restore();
}

void HeaderStrip::drawButton(Painter& p, int area, const char* text, bool on, ColorRole onRole) {
    const Rect r = areaRect(area);
    p.fillRect(r, on ? onRole : ColorRole::ButtonFace);
    // Raised when off, sunken when on.
    const ColorRole tl = on ? ColorRole::ButtonDark : ColorRole::ButtonLight;
    const ColorRole br = on ? ColorRole::ButtonLight : ColorRole::ButtonDark;
    p.fillRect({r.x, r.y, r.w, 1}, tl);
    p.fillRect({r.x, r.y, 1, r.h}, tl);
    p.fillRect({r.x, r.bottom() - 1, r.w, 1}, br);
    p.fillRect({r.right() - 1, r.y, 1, r.h}, br);
    const int tw = utf8Length(text) * p.charWidth();
    p.text({r.x + (r.w - tw) / 2 + (on ? 1 : 0), r.y + 1 + (on ? 1 : 0)}, text, ColorRole::ButtonText);
}

void HeaderStrip::draw(Painter& p) {
    p.setCharHeight(kValueChar);
    const TrackType type = shownType();
    ColorRole face = type == TrackType::TempoTrack ? ColorRole::TempoStripFace
                     : type == TrackType::Normal   ? ColorRole::StripFace
                                                   : ColorRole::PhraseStripFace;
    if (selected_) face = ColorRole::SelectedFace;
    p.fillRect(bounds(), face);
    p.fillRect({0, 0, width(), 1}, ColorRole::ButtonLight);
    p.fillRect({0, 0, 1, height()}, ColorRole::ButtonLight);
    p.fillRect({0, height() - 1, width(), 1}, ColorRole::ButtonDark);
    p.fillRect({width() - 1, 0, 1, height()}, ColorRole::ButtonDark);
    if (!track_) return;

    // The name, with its shadow one pixel down and right.
    const bool tempo = type == TrackType::TempoTrack;
    const std::string name = tempo && track_->name.empty() ? std::string("Tempo Trk.") : track_->name;
    if (field_ && fieldArea_ == kAreaName) {
        field_->draw(p, kNameRect);
    } else {
        p.save();
        p.clip(kNameRect);
        p.text({kNameRect.x + 2, kNameRect.y + 2}, name, ColorRole::StripShadow);
        p.text({kNameRect.x + 1, kNameRect.y + 1}, name, ColorRole::StripText);
        p.restore();
    }

    if (tempo) {
        drawLabel(p, kTempoLabel, "TEMPO");
        char b[16];
        std::snprintf(b, sizeof b, "%3d", song_ ? int(song_->tempo) : 0);
        drawCell(p, kAreaTempo, b);
        return;
    }
    if (type != TrackType::Normal) {
        drawLabel(p, kPortLabel, "PHRASE");
        p.text({kPortLabel.x + 7 * kLabelChar / 2, kPortRect.y + 1}, std::to_string(track_->number), ColorRole::StripText);
        return;
    }
    drawButton(p, kAreaMute, "MUTE", track_->mute != 0, ColorRole::MuteOn);
    drawButton(p, kAreaSolo, "SOLO", track_->solo != 0, ColorRole::SoloOn);
    drawButton(p, kAreaRecord, recordText(track_->record).c_str(), track_->record != 0,
               track_->record == 2 ? ColorRole::MixOn : ColorRole::RecordOn);
    drawLabel(p, kPortLabel, "PORT");
    drawCell(p, kAreaPort, portText(names_.deviceOfPort ? names_.deviceOfPort(track_->port) : std::string()));
    drawLabel(p, kChannelLabel, "CH.");
    drawCell(p, kAreaChannel, channelText(track_->channel));
    drawLabel(p, kBankSetLabel, "BANK SET");
    drawCell(p, kAreaBankSet, bankSetText(track_->bankSet));
}

}  // namespace tarvio
