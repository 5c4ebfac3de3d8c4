// The clipboard: text in and out as the program keeps it (Windows-1252, lines ending in CR LF),
// stored on the system clipboard as Unicode with the system's line ends.
#pragma once

#include <memory>
#include <string>

constexpr unsigned CF_TEXT = 1;

// Where the clipboard text lives: the Qt clipboard by default; tests may install another.
class TClipboardStore {
public:
    virtual ~TClipboardStore() = default;
    // Unicode text as UTF-8, lines ending in LF.
    virtual bool HasText() const = 0;
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& Utf8) = 0;
    virtual void Clear() = 0;
};

// A store in memory that a test installs for its lifetime; it counts the writes.
class TMemoryClipboardStore : public TClipboardStore {
public:
    TMemoryClipboardStore();
    ~TMemoryClipboardStore() override;
    TMemoryClipboardStore(const TMemoryClipboardStore&) = delete;
    TMemoryClipboardStore& operator=(const TMemoryClipboardStore&) = delete;
    bool HasText() const override { return has_; }
    std::string Text() const override { return text_; }
    void SetText(const std::string& Utf8) override;
    void Clear() override;
    int Writes = 0;

private:
    TClipboardStore* previous_;
    std::string text_;
    bool has_ = false;
};

// Installs a store (nullptr returns to the Qt clipboard); returns the previous one.
TClipboardStore* SetClipboardStore(TClipboardStore* Store);

class TClipboard {
public:
    // Windows-1252 text with CR LF line ends; empty when the clipboard holds no text.
    std::string AsText() const;
    void SetAsText(const std::string& Value);
    bool HasFormat(unsigned Format) const;
    void Clear();
    // Nested opening is accepted and has no other effect here.
    void Open() { ++openCount_; }
    void Close() {
        if (openCount_ > 0) --openCount_;
    }

private:
    int openCount_ = 0;
};

// The program's clipboard object.
TClipboard* Clipboard();
