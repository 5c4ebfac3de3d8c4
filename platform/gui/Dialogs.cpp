#include "platform/gui/Dialogs.h"

#include "platform/gui/Forms.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/QtPaint.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Strings.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWindow>

#include <fstream>
#include <sstream>

namespace {

constexpr TMsgDlgBtn kButtonOrder[] = {mbYes,   mbNo,     mbOK,  mbCancel, mbAbort,
                                       mbRetry, mbIgnore, mbAll, mbHelp};

int ResultOf(TMsgDlgBtn button) {
    switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbHelp: return mrNone;
    }
    return mrNone;
}

TMsgDlgBtn DefaultButtonOf(const TMessageBoxRequest& r) {
    if (r.DefaultButton && r.Buttons.Contains(*r.DefaultButton)) return *r.DefaultButton;
    for (TMsgDlgBtn b : kButtonOrder)
        if (r.Buttons.Contains(b) && b != mbHelp) return b;
    return mbOK;
}

// What pressing Esc answers: Cancel when there is one, OK when it is the only button, else No.
int EscapeAnswer(const TMessageBoxRequest& r) {
    if (r.Buttons.Contains(mbCancel)) return mrCancel;
    if (r.Buttons.Contains(mbNo)) return mrNo;
    return ResultOf(DefaultButtonOf(r));
}

QString QtFilter(const std::string& filter, int index, QString& selected) {
    QStringList parts = AnsiToQString(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << parts[i] + " (" + patterns + ")";
    }
    if (index >= 1 && index <= filters.size()) selected = filters[index - 1];
    return filters.join(";;");
}

std::string WithDefaultExt(const std::string& name, const std::string& ext) {
    if (ext.empty()) return name;
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return name;
    return name + "." + (ext[0] == '.' ? ext.substr(1) : ext);
}

std::string ReadFile(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream text;
    if (ok) text << in.rdbuf();
    return text.str();
}

// The help file: as given when it exists, else by its name in the data folder.
std::string HelpFilePath(const std::string& name) {
    std::ifstream direct(name);
    if (direct) return name;
    const std::size_t slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    return FindFileCaseInsensitive(DataFolder(), base);
}

// The rows of a list or table as a table of the viewer's document: a row's columns are the
// texts between its runs of two or more blanks (or tabs). Its cells wrap like any paragraph, so
// a table is as wide as the window and its rows stay rows.
QString TableHtml(const QString& rows) {
    static const QRegularExpression gap(QStringLiteral("\\s{2,}|\\t"));
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\" "
                                  "style=\"margin-left: 12px\">");
    for (const QString& row : rows.split('\n')) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row.trimmed().split(gap, Qt::SkipEmptyParts))
            html += QStringLiteral("<td style=\"padding-right: 12px\">") + cell.toHtmlEscaped() +
                    QStringLiteral("</td>");
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

// The topic's text as the viewer's document: its paragraphs and tables wrap to the window.
QString HelpHtml(const std::string& text) {
    QString html;
    for (const THelpParagraph& paragraph : HelpParagraphs(text)) {
        const QString body = AnsiToQString(paragraph.Text);
        html += paragraph.Verbatim ? TableHtml(body) : "<p>" + body.toHtmlEscaped() + "</p>";
    }
    return html;
}

// The help viewer: a window of its own that the user reads, scrolls and closes (Escape, or its
// frame) whatever else is open. While a window is modal the viewer belongs to it (it is
// transient for it), so it takes clicks and keys, stays above that window and is not blocked by
// it; its keys never reach the window behind it. Help that was open before one of the program's
// forms became modal joins that form the same way; under a message box or a file dialog, which
// is answered first and stays above it, the help waits.
class THelpViewer : public QDialog {
public:
    THelpViewer() : browser_(new QTextBrowser(this)) {
        setProperty("vantrel_free", true);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(browser_);
        resize(480, 360);
    }

    void Show(const QString& title, const QString& html) {
        setWindowTitle(title);
        browser_->setHtml(html);
        JoinModalWindow();
        show();
        raise();
        activateWindow();
    }

protected:
    bool event(QEvent* e) override {
        // A window became modal over the open help: the help joins it once it is up.
        if (e->type() == QEvent::WindowBlocked)
            QMetaObject::invokeMethod(
                this, [this] { Rejoin(); }, Qt::QueuedConnection);
        return QDialog::event(e);
    }

private:
    // Makes the viewer transient for the modal window shown last (or for none). The window
    // system reads this when the window is mapped.
    void JoinModalWindow() {
        QWidget* modal = QApplication::activeModalWidget();
        create();
        windowHandle()->setTransientParent(modal ? modal->window()->windowHandle() : nullptr);
    }

    void Rejoin() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!isVisible() || !modal || !ControlOfWidget(modal) ||
            windowHandle()->transientParent() == modal->window()->windowHandle())
            return;
        hide();
        JoinModalWindow();
        show();
    }

    QTextBrowser* browser_;
};

class TQtServices : public TUiServices {
public:
    int MessageBox(const TMessageBoxRequest& r) override {
        if (NobodyCanAnswer(r.Caption + ": " + r.Text)) return EscapeAnswer(r);
        EnsureQtApp();
        QMessageBox box;
        box.setWindowTitle(AnsiToQString(r.Caption));
        // Messages break their lines with a lone carriage return as often as with CR LF.
        QString text = AnsiToQString(r.Text);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        box.setText(text);
        // Ctrl+C copies the caption and the message, as message boxes do on the program's
        // home platform; a user can paste what the program said into a note or a report.
        QShortcut copy(QKeySequence::Copy, &box);
        QObject::connect(&copy, &QShortcut::activated, [&box] {
            QGuiApplication::clipboard()->setText(box.windowTitle() + "\n\n" + box.text() + "\n");
        });
        switch (r.Type) {
        case mtWarning: box.setIcon(QMessageBox::Warning); break;
        case mtError: box.setIcon(QMessageBox::Critical); break;
        case mtInformation: box.setIcon(QMessageBox::Information); break;
        case mtConfirmation: box.setIcon(QMessageBox::Question); break;
        case mtCustom: break;
        }
        static const char* const kCaptions[] = {"&Yes",   "&No",     "OK",   "Cancel", "&Abort",
                                                "&Retry", "&Ignore", "&All", "&Help"};
        std::map<QAbstractButton*, TMsgDlgBtn> buttons;
        for (TMsgDlgBtn b : kButtonOrder) {
            if (!r.Buttons.Contains(b)) continue;
            QPushButton* button = box.addButton(
                kCaptions[b], b == mbHelp ? QMessageBox::HelpRole : QMessageBox::AcceptRole);
            buttons[button] = b;
            if (b == DefaultButtonOf(r)) box.setDefaultButton(button);
            if (b == mbCancel) box.setEscapeButton(button);
        }
        while (true) {
            box.exec();
            auto it = buttons.find(box.clickedButton());
            if (it == buttons.end()) return EscapeAnswer(r);
            if (it->second != mbHelp) return ResultOf(it->second);
            if (Application) Application->HelpContext(r.HelpContext);
        }
    }

    bool FileDialog(const TFileDialogRequest& r, TFileDialogResult& result) override {
        if (NobodyCanAnswer(r.Save ? "Save As" : "Open")) return false;
        EnsureQtApp();
        QFileDialog dialog(nullptr, AnsiToQString(r.Title), PathToQString(r.InitialDir));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QString selected;
        const QString filters = QtFilter(r.Filter, r.FilterIndex, selected);
        if (!filters.isEmpty()) dialog.setNameFilter(filters);
        if (!selected.isEmpty()) dialog.selectNameFilter(selected);
        if (!r.FileName.empty()) dialog.selectFile(PathToQString(r.FileName));
        // The suffix joins a typed name before the dialog checks whether the file exists.
        if (!r.DefaultExt.empty()) dialog.setDefaultSuffix(PathToQString(r.DefaultExt));
        if (r.Save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            if (!r.Options.Contains(ofOverwritePrompt))
                dialog.setOption(QFileDialog::DontConfirmOverwrite);
        } else if (r.Options.Contains(ofAllowMultiSelect)) {
            dialog.setFileMode(QFileDialog::ExistingFiles);
        } else {
            dialog.setFileMode(r.Options.Contains(ofFileMustExist) ? QFileDialog::ExistingFile
                                                                   : QFileDialog::AnyFile);
        }
        if (dialog.exec() != QDialog::Accepted) return false;
        result.Files.clear();
        for (const QString& f : dialog.selectedFiles())
            result.Files.push_back(WithDefaultExt(QStringToPath(f), r.DefaultExt));
        const QStringList all = filters.split(";;");
        result.FilterIndex = static_cast<int>(all.indexOf(dialog.selectedNameFilter())) + 1;
        return !result.Files.empty();
    }

    bool FontDialog(TFont& font) override {
        if (NobodyCanAnswer("Font")) return false;
        EnsureQtApp();
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, TFontToQFont(font));
        if (!ok) return false;
        font.SetName(QStringToAnsi(chosen.family()));
        font.SetSize(chosen.pointSize() > 0 ? chosen.pointSize() : font.Size());
        TFontStyles style;
        if (chosen.bold()) style.Include(fsBold);
        if (chosen.italic()) style.Include(fsItalic);
        if (chosen.underline()) style.Include(fsUnderline);
        if (chosen.strikeOut()) style.Include(fsStrikeOut);
        font.SetStyle(style);
        return true;
    }

    bool PrintSetup(TPrintSetupRequest& r) override {
        if (NobodyCanAnswer("Print Setup")) return false;
        EnsureQtApp();
        QPrinter printer;
        if (!r.PrinterName.empty()) printer.setPrinterName(AnsiToQString(r.PrinterName));
        printer.setPageOrientation(r.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        printer.setCopyCount(std::max(1, r.Copies));
        QPrintDialog dialog(&printer);
        if (r.OnInitDialog) {
            const QSize size = dialog.sizeHint();
            const QRect screen = QGuiApplication::primaryScreen()
                                     ? QGuiApplication::primaryScreen()->geometry()
                                     : QRect(0, 0, 1024, 768);
            int x = 0;
            int y = 0;
            r.OnInitDialog(x, y, size.width(), size.height(), screen.width(), screen.height());
            dialog.move(x, y);
        }
        if (dialog.exec() != QDialog::Accepted) return false;
        r.PrinterName = QStringToAnsi(printer.printerName());
        r.Landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
        r.Copies = printer.copyCount();
        return true;
    }

    bool Help(const THelpRequest& r) override {
        if (r.Command == HELP_QUIT) {
            if (viewer_) viewer_->hide();
            return true;
        }
        const std::string path = HelpFilePath(r.HelpFile);
        if (path.empty()) return false;
        bool ok = false;
        const std::string text = ReadFile(path, ok);
        if (!ok) return false;
        std::string title;
        std::string body;
        const int context = r.Command == HELP_CONTEXT ? static_cast<int>(r.Data) : -1;
        if (!FindHelpTopic(text, context, title, body)) return false;
        ShowTopic(title, body);
        return true;
    }

    void Beep(UINT) override {
        EnsureQtApp();
        QApplication::beep();
    }

private:
    void ShowTopic(const std::string& title, const std::string& body) {
        if (ModalHookInstalled()) return;
        EnsureQtApp();
        if (!viewer_) viewer_ = new THelpViewer;
        viewer_->Show(AnsiToQString(title), HelpHtml(body));
    }

    QPointer<THelpViewer> viewer_;
};

TUiServices*& Installed() {
    static TUiServices* services = nullptr;
    return services;
}

} // namespace

TUiServices& UiServices() {
    static TQtServices qt;
    return Installed() ? *Installed() : qt;
}

TUiServices* SetUiServices(TUiServices* Services) {
    TUiServices* previous = Installed();
    Installed() = Services;
    return previous;
}

// ============================================================================================
// TRecordedServices

TRecordedServices::TRecordedServices() : previous_(SetUiServices(this)) {}

TRecordedServices::~TRecordedServices() {
    SetUiServices(previous_);
}

int TRecordedServices::MessageBox(const TMessageBoxRequest& Request) {
    MessageBoxes.push_back(Request);
    if (MessageBoxAnswers.empty()) return ResultOf(DefaultButtonOf(Request));
    const int answer = MessageBoxAnswers.front();
    MessageBoxAnswers.pop_front();
    return answer;
}

bool TRecordedServices::FileDialog(const TFileDialogRequest& Request, TFileDialogResult& Result) {
    FileDialogs.push_back(Request);
    if (FileDialogAnswers.empty()) return false;
    std::optional<TFileDialogResult> answer = FileDialogAnswers.front();
    FileDialogAnswers.pop_front();
    if (!answer) return false;
    Result = *answer;
    return true;
}

bool TRecordedServices::FontDialog(TFont& Font) {
    ++FontDialogs;
    if (FontDialogAnswers.empty()) return false;
    auto answer = FontDialogAnswers.front();
    FontDialogAnswers.pop_front();
    return answer(Font);
}

bool TRecordedServices::PrintSetup(TPrintSetupRequest& Request) {
    PrintSetups.push_back(Request);
    if (PrintSetupAnswers.empty()) return false;
    auto answer = PrintSetupAnswers.front();
    PrintSetupAnswers.pop_front();
    return answer(Request);
}

bool TRecordedServices::Help(const THelpRequest& Request) {
    Helps.push_back(Request);
    return HelpAnswer;
}

void TRecordedServices::Beep(UINT Kind) {
    Beeps.push_back(Kind);
}

// ============================================================================================
// Message boxes

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
    static const char* const kCaptions[] = {"Warning", "Error", "Information", "Confirm", ""};
    TMessageBoxRequest r;
    r.Text = Msg;
    r.Type = DlgType;
    r.Buttons = Buttons.Empty() ? TMsgDlgButtons{mbOK} : Buttons;
    r.HelpContext = HelpCtx;
    r.Caption = kCaptions[DlgType];
    if (DlgType == mtCustom) r.Caption = Application ? Application->Title() : std::string();
    return UiServices().MessageBox(r);
}

void ShowMessage(const std::string& Msg) {
    TMessageBoxRequest r;
    r.Text = Msg;
    r.Caption = Application ? Application->Title() : std::string();
    UiServices().MessageBox(r);
}

int ShowMessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
    TMessageBoxRequest r;
    r.Text = Text;
    r.Caption = Caption;
    switch (Flags & 0xF0) {
    case MB_ICONHAND: r.Type = mtError; break;
    case MB_ICONQUESTION: r.Type = mtConfirmation; break;
    case MB_ICONEXCLAMATION: r.Type = mtWarning; break;
    case MB_ICONASTERISK: r.Type = mtInformation; break;
    default: r.Type = mtCustom; break;
    }
    std::vector<TMsgDlgBtn> order;
    switch (Flags & 0x0F) {
    case MB_OKCANCEL: order = {mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: order = {mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: order = {mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: order = {mbYes, mbNo}; break;
    case MB_RETRYCANCEL: order = {mbRetry, mbCancel}; break;
    default: order = {mbOK}; break;
    }
    r.Buttons = {};
    for (TMsgDlgBtn b : order)
        r.Buttons.Include(b);
    const std::size_t def = (Flags & MB_DEFBUTTON3) ? 2 : (Flags & MB_DEFBUTTON2) ? 1 : 0;
    r.DefaultButton = order[std::min(def, order.size() - 1)];
    return UiServices().MessageBox(r);
}

bool FindHelpTopic(const std::string& FileText, int Context, std::string& Title,
                   std::string& Text) {
    std::istringstream in(FileText);
    std::string line;
    bool inTopic = false;
    bool found = false;
    std::string body;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("@@", 0) == 0) {
            if (found) break;
            std::istringstream head(line.substr(2));
            long number = 0;
            inTopic = false;
            if (!(head >> number)) continue;
            std::string title;
            std::getline(head, title);
            if (Context < 0 || number == Context) {
                found = inTopic = true;
                Title = Trim(title);
            }
            continue;
        }
        if (inTopic) body += line + "\r\n";
    }
    if (!found) return false;
    Text = body;
    return true;
}

std::vector<THelpParagraph> HelpParagraphs(const std::string& Text) {
    std::vector<THelpParagraph> paragraphs;
    bool open = false; // the last paragraph still takes lines
    std::istringstream in(Text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (Trim(line).empty()) {
            open = false;
            continue;
        }
        const bool verbatim = line[0] == ' ' || line[0] == '\t';
        if (open && paragraphs.back().Verbatim == verbatim) {
            paragraphs.back().Text += (verbatim ? "\n" : " ") + (verbatim ? line : Trim(line));
        } else {
            paragraphs.push_back({verbatim ? line : Trim(line), verbatim});
            open = true;
        }
    }
    return paragraphs;
}

// ============================================================================================
// TOpenDialog, TSaveDialog, TFontDialog

TOpenDialog::TOpenDialog(TComponent* AOwner)
    : TComponent(AOwner), files_(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
    return DoExecute(false);
}

bool TOpenDialog::DoExecute(bool Save) {
    TFileDialogRequest r;
    r.Save = Save;
    r.Title = title_;
    r.FileName = fileName_;
    r.InitialDir = initialDir_;
    r.Filter = filter_;
    r.FilterIndex = filterIndex_;
    r.DefaultExt = defaultExt_;
    r.Options = options_;
    TFileDialogResult result;
    if (!UiServices().FileDialog(r, result) || result.Files.empty()) return false;
    files_->Clear();
    for (const std::string& f : result.Files)
        files_->Add(f);
    fileName_ = result.Files.front();
    filterIndex_ = result.FilterIndex;
    return true;
}

bool TSaveDialog::Execute() {
    return DoExecute(true);
}

TFontDialog::TFontDialog(TComponent* AOwner)
    : TComponent(AOwner), font_(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute() {
    return UiServices().FontDialog(*font_);
}
