#include "platform/gui/Clipbrd.h"

#include "platform/gui/QtApp.h"
#include "platform/rtl/Strings.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

class TQtClipboardStore : public TClipboardStore {
public:
    bool HasText() const override {
        EnsureQtApp();
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data && data->hasText();
    }
    std::string Text() const override {
        EnsureQtApp();
        return QGuiApplication::clipboard()->text().toStdString();
    }
    void SetText(const std::string& Utf8) override {
        EnsureQtApp();
        QGuiApplication::clipboard()->setText(QString::fromStdString(Utf8));
    }
    void Clear() override {
        EnsureQtApp();
        QGuiApplication::clipboard()->clear();
    }
};

TClipboardStore*& Installed() {
    static TClipboardStore* store = nullptr;
    return store;
}

TClipboardStore& Store() {
    static TQtClipboardStore qt;
    return Installed() ? *Installed() : qt;
}

// Line ends to LF for the system (CR LF and lone CR alike).
std::string ToSystemLines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// Line ends to CR LF for the program.
std::string ToProgramLines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\r' || text[i] == '\n')
            out += "\r\n";
        else
            out.push_back(text[i]);
    }
    return out;
}

} // namespace

TMemoryClipboardStore::TMemoryClipboardStore() : previous_(SetClipboardStore(this)) {}

TMemoryClipboardStore::~TMemoryClipboardStore() {
    SetClipboardStore(previous_);
}

void TMemoryClipboardStore::SetText(const std::string& Utf8) {
    text_ = Utf8;
    has_ = true;
    ++Writes;
}

void TMemoryClipboardStore::Clear() {
    text_.clear();
    has_ = false;
    ++Writes;
}

TClipboardStore* SetClipboardStore(TClipboardStore* Store) {
    TClipboardStore* previous = Installed();
    Installed() = Store;
    return previous;
}

std::string TClipboard::AsText() const {
    if (!Store().HasText()) return {};
    return ToProgramLines(Utf8ToWin1252(Store().Text()));
}

void TClipboard::SetAsText(const std::string& Value) {
    Store().SetText(Win1252ToUtf8(ToSystemLines(Value)));
}

bool TClipboard::HasFormat(unsigned Format) const {
    return Format == CF_TEXT && Store().HasText();
}

void TClipboard::Clear() {
    Store().Clear();
}

TClipboard* Clipboard() {
    static TClipboard clipboard;
    return &clipboard;
}
