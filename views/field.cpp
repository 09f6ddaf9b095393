#include "views/field.h"

#include <algorithm>

namespace tarvio {

std::u32string utf8Decode(std::string_view s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = uint8_t(s[i]);
        const int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + size_t(n) > s.size()) {  // a stray byte stands for itself
            out.push_back(c);
            ++i;
            continue;
        }
        char32_t v = n == 1 ? c : c & (0x7F >> n);
        for (int k = 1; k < n; ++k) v = v << 6 | (uint8_t(s[i + size_t(k)]) & 0x3F);
        out.push_back(v);
        i += size_t(n);
    }
    return out;
}

std::string utf8Encode(std::u32string_view s) {
    std::string out;
    for (char32_t v : s) {
        if (v < 0x80) {
            out.push_back(char(v));
        } else if (v < 0x800) {
            out.push_back(char(0xC0 | v >> 6));
            out.push_back(char(0x80 | (v & 0x3F)));
        } else if (v < 0x10000) {
            out.push_back(char(0xE0 | v >> 12));
            out.push_back(char(0x80 | (v >> 6 & 0x3F)));
            out.push_back(char(0x80 | (v & 0x3F)));
        } else {
            out.push_back(char(0xF0 | v >> 18));
            out.push_back(char(0x80 | (v >> 12 & 0x3F)));
            out.push_back(char(0x80 | (v >> 6 & 0x3F)));
            out.push_back(char(0x80 | (v & 0x3F)));
        }
    }
    return out;
}

// ---- EditField ----

EditField EditField::text(std::string_view initial, int maxChars) {
    EditField f;
    f.maxChars_ = maxChars;
    f.chars_ = utf8Decode(initial);
    if (int(f.chars_.size()) > maxChars) f.chars_.resize(size_t(maxChars));
    f.caret_ = int(f.chars_.size());
    return f;
}

EditField EditField::number(int initial, int min, int max) {
    EditField f;
    f.number_ = true;
    f.fresh_ = true;
    f.min_ = min;
    f.max_ = max;
    const int widest = std::max(std::to_string(min).size(), std::to_string(max).size());
    f.maxChars_ = widest;
    f.chars_ = utf8Decode(std::to_string(std::clamp(initial, min, max)));
    f.caret_ = int(f.chars_.size());
    return f;
}

std::string EditField::text() const { return utf8Encode(chars_); }

bool EditField::value(int& out) const {
    if (!number_) return false;
    const std::string s = text();
    if (s.empty() || s == "-") return false;
    const long v = std::stol(s);
    out = int(std::clamp<long>(v, min_, max_));
    return true;
}

EditField::Result EditField::insert(std::u32string_view s) {
    if (fresh_) {
        chars_.clear();
        caret_ = 0;
        fresh_ = false;
    }
    bool any = false;
    for (char32_t c : s) {
        if (c < 0x20 || c == 0x7F) continue;
        if (number_ && !((c >= U'0' && c <= U'9') || (c == U'-' && min_ < 0 && caret_ == 0 && chars_.find(U'-') == std::u32string::npos)))
            continue;
        if (int(chars_.size()) >= maxChars_) break;
        chars_.insert(chars_.begin() + caret_, c);
        ++caret_;
        any = true;
    }
    return any ? Result::Changed : Result::Ignored;
}

EditField::Result EditField::typed(std::string_view utf8) { return insert(utf8Decode(utf8)); }

EditField::Result EditField::key(int vk) {
    const int n = int(chars_.size());
    switch (vk) {
    case kVkReturn: return Result::Commit;
    case kVkEscape: return Result::Cancel;
    case kVkTab: return Result::Commit;
    case kVkBack:
        fresh_ = false;
        if (caret_ == 0) return Result::Ignored;
        chars_.erase(size_t(--caret_), 1);
        return Result::Changed;
    case kVkDelete:
        fresh_ = false;
        if (caret_ >= n) return Result::Ignored;
        chars_.erase(size_t(caret_), 1);
        return Result::Changed;
    case kVkLeft: fresh_ = false; caret_ = std::max(0, caret_ - 1); return Result::Changed;
    case kVkRight: fresh_ = false; caret_ = std::min(n, caret_ + 1); return Result::Changed;
    case kVkHome: fresh_ = false; caret_ = 0; return Result::Changed;
    case kVkEnd: fresh_ = false; caret_ = n; return Result::Changed;
    case kVkUp:
    case kVkDown: {
        if (!number_) return Result::Ignored;
        int v = min_;
        value(v);
        v = std::clamp(v + (vk == kVkUp ? 1 : -1), min_, max_);
        chars_ = utf8Decode(std::to_string(v));
        caret_ = int(chars_.size());
        fresh_ = true;
        return Result::Changed;
    }
    default: return Result::Ignored;
    }
}

void EditField::draw(Painter& p, Rect r) const {
    p.save();
    p.clip(r);
    p.fillRect(r, ColorRole::FieldFace);
    const int textY = r.y + (r.h - p.charHeight()) / 2;
    const std::string s = text();
    if (fresh_ && !s.empty())  // the selected text of a freshly opened number field
        p.fillRect({r.x + 1, textY, utf8Length(s) * p.charWidth(), p.charHeight()}, ColorRole::FieldHighlight);
    p.text({r.x + 1, textY}, s, fresh_ ? ColorRole::FieldHighlightText : ColorRole::FieldText);
    if (!fresh_) p.fillRect({r.x + 1 + caret_ * p.charWidth(), textY, 1, p.charHeight()}, ColorRole::Caret);
    p.restore();
}

// ---- ListPopup ----

ListPopup::ListPopup(Rect rect, std::vector<std::string> entries, int current, int charHeight, Done done)
    : Pane(rect), entries_(std::move(entries)), charHeight_(charHeight), done_(std::move(done)) {
    current_ = entries_.empty() ? -1 : std::clamp(current, 0, int(entries_.size()) - 1);
    setSize(rect.w, visibleRows() * rowHeight() + 2);
    choose(current_);
}

ListPopup::~ListPopup() {
    if (Done done = std::move(done_)) done(false, current_);
}

int ListPopup::visibleRows() const { return std::max(1, std::min(kVisibleRows, int(entries_.size()))); }

void ListPopup::choose(int index) {
    if (entries_.empty()) return;
    current_ = std::clamp(index, 0, int(entries_.size()) - 1);
    if (current_ < top_) top_ = current_;
    if (current_ >= top_ + visibleRows()) top_ = current_ - visibleRows() + 1;
    requestRedraw();
}

void ListPopup::finish(bool confirmed) {
    if (!done_) return;
    Done done = std::move(done_);
    done_ = nullptr;
    if (PaneOwner* o = owner(); o && o->popup() == this) o->closePopup();
    done(confirmed && current_ >= 0, current_);
}

void ListPopup::dismiss() {
    done_ = nullptr;
    if (PaneOwner* o = owner(); o && o->popup() == this) o->closePopup();
}

void ListPopup::draw(Painter& p) {
    p.setCharHeight(charHeight_);
    p.fillRect(bounds(), ColorRole::FieldFace);
    p.frameRect(bounds(), ColorRole::ButtonDark);
    for (int i = 0; i < visibleRows() && top_ + i < int(entries_.size()); ++i) {
        const int row = top_ + i;
        const Rect r{1, 1 + i * rowHeight(), width() - 2, rowHeight()};
        const bool chosen = row == current_;
        if (chosen) p.fillRect(r, ColorRole::FieldHighlight);
        p.text({r.x + 2, r.y + 1}, entries_[size_t(row)], chosen ? ColorRole::FieldHighlightText : ColorRole::FieldText);
    }
}

bool ListPopup::leftDown(Point p) {
    const int row = top_ + (p.y - 1) / rowHeight();
    if (p.y >= 1 && row < int(entries_.size())) {
        choose(row);
        finish(true);
    }
    return true;
}

bool ListPopup::wheel(Point, int delta) {
    const int maxTop = std::max(0, int(entries_.size()) - visibleRows());
    top_ = std::clamp(top_ - delta / 40, 0, maxTop);  // three rows a notch
    requestRedraw();
    return true;
}

bool ListPopup::key(int vk) {
    switch (vk) {
    case kVkUp: choose(current_ - 1); break;
    case kVkDown: choose(current_ + 1); break;
    case kVkPrior: choose(current_ - visibleRows()); break;
    case kVkNext: choose(current_ + visibleRows()); break;
    case kVkHome: choose(0); break;
    case kVkEnd: choose(int(entries_.size()) - 1); break;
    case kVkReturn: finish(true); break;
    case kVkEscape: finish(false); break;
    default: break;
    }
    return true;  // an open list takes every key
}

}  // namespace tarvio
