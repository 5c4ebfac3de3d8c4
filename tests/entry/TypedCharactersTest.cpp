#include "controls/entry/PictureField.h"
#include "controls/entry/SimpleField.h"

#include "EntryFormSupport.h"

#include <QApplication>
#include <QKeyEvent>

#include <utility>

namespace {

// Accented letters and currency signs as the window system reports them: a Latin-1 key code or
// Qt::Key_unknown, with the character as text.
class TypedCharactersTest : public EntryFormTest {
protected:
    void TypeCharacters(TWinControl* control) {
        control->SetFocus();
        const std::pair<int, const char*> typed[] = {
            {Qt::Key_Eacute, "é"}, {Qt::Key_Udiaeresis, "ü"}, {Qt::Key_ssharp, "ß"},
            {Qt::Key_Ntilde, "ñ"}, {Qt::Key_unknown, "€"},    {Qt::Key_sterling, "£"}};
        for (auto [key, text] : typed)
            for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent e(type, key, Qt::NoModifier, QString::fromUtf8(text));
                QApplication::sendEvent(WidgetOf(control), &e);
            }
        Application->ProcessMessages();
    }
};

TEST_F(TypedCharactersTest, SimpleFieldTakesEveryCharacter) {
    auto* f = Make<TVcSimpleField>("Name", 10, 10);
    f->SetDataType(sftString);
    ShowForm();
    TypeCharacters(f);
    EXPECT_EQ(f->EditString(), "\xE9\xFC\xDF\xF1\x80\xA3");
}

TEST_F(TypedCharactersTest, PictureFieldsTakeLettersWhereTheMaskAllowsThem) {
    auto* any = Make<TVcPictureField>("Any", 10, 10);
    any->SetDataType(pftString);
    any->SetPictureMask("XXXXXX");
    any->SetMaxLength(6);
    auto* letters = Make<TVcPictureField>("Letters", 10, 40);
    letters->SetDataType(pftString);
    letters->SetPictureMask("aaaaaa");
    letters->SetMaxLength(6);
    ShowForm();
    TypeCharacters(any);
    EXPECT_EQ(any->EditString(), "\xE9\xFC\xDF\xF1\x80\xA3");
    TypeCharacters(letters);
    // The letters are typed; the currency signs are refused by a letters-only mask.
    EXPECT_EQ(letters->EditString(), "\xE9\xFC\xDF\xF1  ");
}

} // namespace
