// The published grid over a real table of accounts (a name, a logical, a memo and a picture
// field) with real keys and mouse: fixed data columns, check-box and picture cells from the
// dataset's control types, the "selected" column, Shift-click ranges, edit controls placed over
// the current cell, applying the dataset's settings and refusing a dataset that is not the
// program's own. With VANTREL_SCREENSHOT set, the check-box and picture grid is saved as PNG.
#include "tests/db/DataSetFixture.h"
#include "tests/gui/GuiTestSupport.h"

#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/DataGrid.h"
#include "dbcontrols/DataSetParts.h"
#include "platform/gui/QtPaint.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

namespace {

// ---- Routines without a window ----

TEST(DwBitmapPlacementTest, FitsFollowTheCellAndNeverDivideByZero) {
    const TRect cell = Rect(100, 50, 140, 80); // 40 x 30
    TdwBitmapPlacement p = dwPlaceBitmap("Fit Width", 100, 50, cell);
    EXPECT_TRUE(p.Drawn);
    EXPECT_EQ(p.Source, Rect(0, 0, 100, 50));
    EXPECT_EQ(p.Dest, Rect(101, 50, 140, 69));
    // A picture too high for the cell once scaled keeps only its top rows.
    p = dwPlaceBitmap("Fit Width", 10, 40, cell);
    EXPECT_EQ(p.Source, Rect(0, 0, 10, 7));
    EXPECT_EQ(p.Dest, Rect(101, 50, 140, 79));
    p = dwPlaceBitmap("Fit Height", 100, 50, cell);
    EXPECT_EQ(p.Source, Rect(0, 0, 66, 50));
    EXPECT_EQ(p.Dest, Rect(101, 50, 140, 79));
    p = dwPlaceBitmap("Original Size", 100, 50, cell);
    EXPECT_EQ(p.Source, Rect(0, 0, 39, 29));
    EXPECT_EQ(p.Dest, Rect(101, 51, 140, 80));
    EXPECT_EQ(dwPlaceBitmap("Stretch To Fit", 5, 5, cell).Dest, cell);
    // Scaled below 3 pixels, or without any size, nothing is copied.
    EXPECT_FALSE(dwPlaceBitmap("Fit Height", 1, 100, cell).Drawn);
    EXPECT_FALSE(dwPlaceBitmap("Fit Height", 9, 100, cell).Drawn) << "2.7 pixels wide";
    EXPECT_TRUE(dwPlaceBitmap("Fit Height", 10, 100, cell).Drawn) << "3 pixels wide";
    EXPECT_FALSE(dwPlaceBitmap("Fit Width", 50, 50, Rect(0, 0, 2, 30)).Drawn) << "2 wide";
    EXPECT_TRUE(dwPlaceBitmap("Fit Width", 50, 50, Rect(0, 0, 3, 30)).Drawn);
    // In its original size a single pixel is drawn; a cell one pixel high leaves no room.
    p = dwPlaceBitmap("Original Size", 1, 1, cell);
    EXPECT_TRUE(p.Drawn);
    EXPECT_EQ(p.Dest, Rect(101, 51, 102, 52));
    EXPECT_FALSE(dwPlaceBitmap("Original Size", 5, 5, Rect(0, 0, 40, 1)).Drawn);
    EXPECT_FALSE(dwPlaceBitmap("Original Size", 5, 5, Rect(0, 0, 1, 30)).Drawn);
    for (const char* fit : {"Fit Width", "Fit Height", "Original Size", "Stretch To Fit"}) {
        EXPECT_FALSE(dwPlaceBitmap(fit, 0, 50, cell).Drawn) << fit;
        EXPECT_FALSE(dwPlaceBitmap(fit, 50, 0, cell).Drawn) << fit;
        EXPECT_FALSE(dwPlaceBitmap(fit, 50, 50, Rect(0, 0, 0, 0)).Drawn) << fit;
    }
}

TEST(DwRichTextPlainTest, ShowsOnlyTheTextOfRichText) {
    EXPECT_EQ(dwRichTextPlain("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0;}"
                              "\\f0\\fs20 Pays \\b early\\b0\\par second\\tab line\\par}"),
              "Pays early\r\nsecond\tline");
    EXPECT_EQ(dwRichTextPlain("{\\rtf1 a\\{b\\}\\\\ caf\\'e9 {\\*\\generator x;}\\u8364?!}"),
              "a{b}\\ caf\xe9 ?!");
    EXPECT_EQ(dwRichTextPlain("plain {text}"), "plain {text}");
    // A text cut short ends where it ends, and so does a code that is no hex number.
    EXPECT_EQ(dwRichTextPlain("{\\rtf1 abc\\'4"), "abc");
    EXPECT_EQ(dwRichTextPlain("{\\rtf1 ab\\'g1 cd}"), "ab");
    EXPECT_EQ(dwRichTextPlain("{\\rtf1 ab\\'1z cd}"), "ab");
    // Hex digits in either case: 0x4A is J, 0xe9 is e acute.
    EXPECT_EQ(dwRichTextPlain("{\\rtf1 \\'4A\\'e9\\'E9\\'09}"), "J\xe9\xe9\t");
}

// ---- The grid over a table ----

// A data-aware edit that publishes its data properties, as the form's edits do.
class TTestDBEdit : public TdwDBCustomEdit {
    VANTREL_CLASS(TTestDBEdit, TdwDBCustomEdit)

    explicit TTestDBEdit(TComponent* AOwner) : TdwDBCustomEdit(AOwner) {
        static const bool published = [] {
            RegisterProperty<TTestDBEdit>(
                "DataSource", [](TTestDBEdit& e) -> TObject* { return e.DataSource(); },
                [](TTestDBEdit& e, TObject* v) { e.SetDataSource(dynamic_cast<TDataSource*>(v)); });
            RegisterProperty<TTestDBEdit>(
                "DataField", [](TTestDBEdit& e) { return e.DataField(); },
                [](TTestDBEdit& e, std::string v) { e.SetDataField(v); });
            return true;
        }();
        (void)published;
    }
};

// The grid with its protected cell text reachable.
class TProbeGrid : public TdwDBGrid {
public:
    using TdwDBGrid::GetFieldValue;
    using TdwDBGrid::TdwDBGrid;
};

class DwDBGridTest : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        ResetKeyState();
        MakeAccounts({"ADAMS", "BAKER", "CLARK", "DAVIS", "EVANS"});
        table = std::make_unique<TdwTable>(nullptr);
        table->SetDatabaseName(folder_.Path() + "/");
        table->SetTableName("ACCOUNTS.DBF");
        table->Open();
        source = std::make_unique<TdwDataSource>(nullptr);
        source->SetDataSet(table.get());
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 600, 300);
        grid = PlaceControl<TProbeGrid>(form, form, 0, 0, 560, 220);
        form->Show();
    }
    void TearDown() override {
        delete form;
        source.reset();
        table.reset();
        DataSetFixture::TearDown();
    }

    // ACCOUNTS.DBF: NAME C10, PAID L, NOTE M, PHOTO P (a picture blob), one record per name.
    // The engine creates memo fields only: the last one is made a picture field in the file.
    void MakeAccounts(const std::vector<std::string>& names) {
        const std::vector<TXbFieldDef> fields = {{"NAME", 'C', 10, 0, 0},
                                                 {"PAID", 'L', 1, 0, 0},
                                                 {"NOTE", 'M', 10, 0, 0},
                                                 {"PHOTO", 'M', 10, 0, 0}};
        ASSERT_EQ(xb_Create(Path("ACCOUNTS.DBF"), fields, xbCDX), xbOK);
        ASSERT_GT(xb_Use(Path("ACCOUNTS.DBF"), "MAKE", xbModeExclusive, xbCDX), 0);
        for (const std::string& name : names) {
            ASSERT_EQ(xb_AppendEx(), 0);
            xb_Replace(1, xbReplaceText, name);
            ASSERT_EQ(xb_Commit(), xbOK);
        }
        xb_Close();
        std::string dbf = ReadAll(Path("ACCOUNTS.DBF"));
        const std::size_t photoType = 32 + 3 * 32 + 11;
        ASSERT_EQ(dbf[photoType], 'M');
        dbf[photoType] = 'P';
        WriteAll(Path("ACCOUNTS.DBF"), dbf);
    }

    void Attach() {
        grid->SetDataSource(source.get());
        grid->SetFocus();
    }
    void ControlTypes(std::initializer_list<const char*> lines) {
        table->Parts().ControlType.Clear();
        for (const char* line : lines)
            table->Parts().ControlType.Add(line);
    }
    void GoTo(int recordNo) {
        table->First();
        table->MoveBy(recordNo - 1);
    }
    std::string Name() { return table->FieldByName("NAME")->AsString(); }
    TBlobField* Photo() { return static_cast<TBlobField*>(table->FieldByName("PHOTO")); }
    // A picture of one colour stored in the current record.
    void StorePicture(int width, int height, TColor color) {
        TBitmap picture;
        picture.SetSize(width, height);
        picture.Canvas()->Brush()->SetColor(color);
        picture.Canvas()->FillRect(Rect(0, 0, width, height));
        table->Edit();
        Photo()->LoadFromBitmap(&picture);
        table->Post();
    }
    void StoreBytes(const std::string& bytes) {
        table->Edit();
        Photo()->SetAsString(bytes);
        table->Post();
    }

    QImage Picture() {
        Application->ProcessMessages();
        return WidgetOf(grid)->grab().toImage();
    }
    // The colour at a client point of the grid (its columns fit: no horizontal scroll bar).
    static QColor At(const QImage& image, const TProbeGrid* g, int x, int y) {
        const int frame = (image.height() - g->ClientHeight()) / 2;
        return image.pixelColor(x + frame, y + frame);
    }
    // Dark pixels in the middle 8 x 8 pixels of a cell (inside its check box's frame).
    int InkInBox(const QImage& image, int col, int row) {
        const TRect r = grid->CellRect(col, row);
        const int l = r.Left + (r.Width() - 10) / 2;
        const int t = r.Top + (r.Height() - 10) / 2;
        int ink = 0;
        for (int y = t + 2; y < t + 8; ++y)
            for (int x = l + 2; x < l + 8; ++x)
                ink += qGray(At(image, grid, x, y).rgb()) < 80 ? 1 : 0;
        return ink;
    }
    void ClickCell(int col, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const TRect r = grid->CellRect(col, row);
        QTest::mouseClick(WidgetOf(grid), Qt::LeftButton, mods,
                          QPoint(r.Left + r.Width() / 2, r.Top + 3));
    }
    // A press that moves to the cell, then the double click.
    void DoubleClickCell(int col, int row) {
        ClickCell(col, row);
        const TRect r = grid->CellRect(col, row);
        QTest::mouseDClick(WidgetOf(grid), Qt::LeftButton, Qt::NoModifier,
                           QPoint(r.Left + r.Width() / 2, r.Top + 3));
    }
    std::string LastMessage() const {
        return services.MessageBoxes.empty() ? "" : services.MessageBoxes.back().Text;
    }

    TRecordedServices services;
    std::unique_ptr<TdwTable> table;
    std::unique_ptr<TdwDataSource> source;
    TForm* form = nullptr;
    TProbeGrid* grid = nullptr;
};

// ---- Data source and the dataset's settings ----

TEST_F(DwDBGridTest, ADatasetThatIsNotTheProgramsOwnIsRefusedAndDetached) {
    MakeLoans("LOANS.DBF", {{"ADAMS", 1}});
    TTestTable plain(folder_.Path(), "LOANS.DBF");
    plain.Open();
    TdwDataSource other(nullptr);
    other.SetDataSet(&plain);
    grid->SetDataSource(&other);
    EXPECT_EQ(LastMessage(), "dwGrid must use descendent of TdwTable, TdwQuery, TdwQBE, "
                             "TdwStoredProc, TdwClientDataSet.");
    EXPECT_EQ(grid->DataLink()->DataSource(), nullptr);
    EXPECT_FALSE(grid->SettingsApplied());
    // A plain data source is kept but reads back as none, and no settings are applied.
    TDataSource base(nullptr);
    base.SetDataSet(table.get());
    grid->SetDataSource(&base);
    EXPECT_EQ(grid->DataSource(), nullptr);
    EXPECT_EQ(grid->DataLink()->DataSource(), &base);
    EXPECT_FALSE(grid->SettingsApplied());
    grid->SetDataSource(nullptr);
}

TEST_F(DwDBGridTest, SelectedLinesDecideTheDatasetsVisibleFieldsOnActivation) {
    grid->Selected()->Add("NOTE\t12\tRemarks");
    grid->Selected()->Add("NAME\t8\tBorrower");
    grid->Selected()->Add("GONE\t5\tMissing");
    table->Parts().ControlType.Add("GONE;CheckBox;Y;N");
    Attach();
    EXPECT_TRUE(grid->SettingsApplied());
    ASSERT_EQ(grid->FieldCount(), 2);
    EXPECT_EQ(grid->Fields(0)->FieldName(), "NOTE");
    EXPECT_EQ(grid->Fields(0)->GetDisplayLabel(), "Remarks");
    EXPECT_EQ(grid->Fields(1)->FieldName(), "NAME");
    EXPECT_FALSE(table->FieldByName("PAID")->Visible());
    // The control type of a field the dataset lacks is gone.
    EXPECT_EQ(table->Parts().ControlType.Count(), 0);
}

TEST_F(DwDBGridTest, APlainCellTakesTheCellEditorAndACheckBoxCellDoesNot) {
    ControlTypes({"PAID;CheckBox;True;False"});
    Attach();
    ASSERT_EQ(grid->SelectedField()->FieldName(), "NAME");
    Type(grid, Qt::Key_F2);
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditor()->Text(), "ADAMS");
    Type(grid, Qt::Key_Escape);
    EXPECT_FALSE(grid->EditorMode());
    grid->SetSelectedIndex(1);
    Type(grid, Qt::Key_F2);
    EXPECT_FALSE(grid->EditorMode());
}

// ---- Fixed data columns ----

TEST_F(DwDBGridTest, FixedDataColumnsStayInTitleColourAndOutOfReach) {
    Attach();
    grid->SetTitleColor(clYellow);
    grid->SetFixedCols(1);
    EXPECT_EQ(grid->TCustomGrid::FixedCols(), 2);
    EXPECT_EQ(grid->GetColumnColor(1), clYellow);
    EXPECT_EQ(grid->GetColumnColor(2), grid->Color());
    EXPECT_EQ(grid->SelectedField()->FieldName(), "PAID");
    Type(grid, Qt::Key_Left);
    EXPECT_EQ(grid->SelectedField()->FieldName(), "PAID");
    ClickCell(1, 2);
    EXPECT_EQ(grid->SelectedField()->FieldName(), "PAID");
    const TRect name = grid->CellRect(1, 2);
    EXPECT_EQ(At(Picture(), grid, name.Right - 3, name.Bottom - 3), TColorToQColor(clYellow));
}

TEST_F(DwDBGridTest, AtDesignTimeAFixedCountLeavingNoScrollingColumnIsRefused) {
    grid->SetUseTFields(false);
    grid->Selected()->Add("NAME\t8\tBorrower");
    grid->Selected()->Add("PAID\t4\tPaid");
    Attach();
    grid->SetDesigning(true);
    grid->SetFixedCols(2);
    EXPECT_EQ(LastMessage(), "Invalid value for FixedCols");
    EXPECT_EQ(grid->FixedCols(), 0);
    grid->SetFixedCols(-1);
    EXPECT_EQ(services.MessageBoxes.size(), 2u);
    grid->SetFixedCols(1);
    EXPECT_EQ(grid->FixedCols(), 1);
    EXPECT_EQ(services.MessageBoxes.size(), 2u);
    grid->SetDesigning(false);
}

// ---- Check boxes ----

class DwDBGridCheckBoxTest : public DwDBGridTest {
protected:
    void SetUp() override {
        DwDBGridTest::SetUp();
        ControlTypes({"PAID;CheckBox;True;False"});
        Attach();
        grid->SetSelectedIndex(1);
    }
    std::string Paid() { return table->FieldByName("PAID")->DisplayText(); }
};

TEST_F(DwDBGridCheckBoxTest, SpaceTogglesTheFieldBetweenItsTexts) {
    EXPECT_EQ(InkInBox(Picture(), 2, 1), 0);
    Type(grid, Qt::Key_Space);
    EXPECT_EQ(Paid(), "True");
    EXPECT_FALSE(grid->EditorMode());
    const int mark = InkInBox(Picture(), 2, 1);
    DwIntl().SetCheckBoxInGridStyle(cbStyleXmark);
    grid->Invalidate();
    const int cross = InkInBox(Picture(), 2, 1);
    DwIntl().SetCheckBoxInGridStyle(cbStyleAuto);
    EXPECT_GT(mark, 4);
    EXPECT_GT(cross, 4);
    EXPECT_NE(mark, cross);
    Type(grid, Qt::Key_Space);
    EXPECT_EQ(Paid(), "False");
    table->Post();
    EXPECT_EQ(InkInBox(Picture(), 2, 1), 0);
    // F2 and typing never open a text editor on the check box.
    Type(grid, Qt::Key_F2);
    TypeCharacter(grid, Qt::Key_X, "x");
    EXPECT_FALSE(grid->EditorMode());
}

TEST_F(DwDBGridCheckBoxTest, MouseTogglesByDoubleClickOrSingleClickWhenAsked) {
    DoubleClickCell(2, 2);
    EXPECT_EQ(Name(), "BAKER");
    EXPECT_EQ(Paid(), "True");
    ClickCell(2, 2);
    EXPECT_EQ(Paid(), "True");
    grid->EditControlOptions.Include(ecoCheckboxSingleClick);
    ClickCell(2, 2);
    EXPECT_EQ(Paid(), "False");
}

TEST_F(DwDBGridCheckBoxTest, AReadOnlyGridKeepsItsCheckBoxes) {
    grid->SetReadOnly(true);
    Type(grid, Qt::Key_Space);
    DoubleClickCell(2, 1);
    EXPECT_EQ(Paid(), "");
    EXPECT_EQ(table->State(), dsBrowse);
}

// ---- The "selected" column and ranges ----

class DwDBGridSelectionTest : public DwDBGridTest {
protected:
    void SetUp() override {
        DwDBGridTest::SetUp();
        table->Close();
        for (int i = 0; i < table->FieldDefs()->Count(); ++i)
            table->FieldDefs()->Items(i)->CreateField(table.get());
        auto* selected = new TStringField(table.get());
        selected->SetFieldName("Selected");
        selected->SetSize(1);
        selected->SetCalculated(true);
        selected->SetDataSet(table.get());
        table->Open();
        ControlTypes({"Selected;CheckBox;Y;N"});
        grid->SetOptions(grid->Options() + TdwDBGridOptions{dgMultiSelect});
        Attach();
    }
    int SelectedColumn() { return grid->IndicatorOffset() + grid->FieldCount() - 1; }
};

TEST_F(DwDBGridSelectionTest, TheSelectedColumnShowsAndTogglesTheMultiSelection) {
    grid->SetSelectedIndex(grid->FieldCount() - 1);
    EXPECT_TRUE(grid->TabStops(SelectedColumn()));
    Type(grid, Qt::Key_Space);
    EXPECT_EQ(grid->SelectedCount(), 1);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_GT(InkInBox(Picture(), SelectedColumn(), 1), 4);
    EXPECT_EQ(InkInBox(Picture(), SelectedColumn(), 2), 0);
    // A plain click there with auto-unselect moves without dropping the selection.
    grid->MultiSelectOptions = {msoAutoUnselect};
    ClickCell(SelectedColumn(), 3);
    EXPECT_EQ(Name(), "CLARK");
    EXPECT_EQ(grid->SelectedCount(), 1);
    DoubleClickCell(SelectedColumn(), 3);
    EXPECT_EQ(grid->SelectedCount(), 2);
    EXPECT_TRUE(grid->IsRowSelected(2));
    // A new record has no bookmark: it draws unselected and cannot be selected.
    Type(grid, Qt::Key_Insert);
    ASSERT_EQ(table->State(), dsInsert);
    Type(grid, Qt::Key_Space);
    EXPECT_EQ(grid->SelectedCount(), 2);
    EXPECT_EQ(InkInBox(Picture(), SelectedColumn(), grid->Row()), 0);
    EXPECT_TRUE(grid->IsRowSelected(3));
    EXPECT_TRUE(services.MessageBoxes.empty());
}

TEST_F(DwDBGridSelectionTest, AShiftClickSelectsFromTheAnchorToTheClickedRecord) {
    grid->MultiSelectOptions = {msoShiftSelect};
    ClickCell(1, 4, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedCount(), 1);
    ClickCell(1, 2, Qt::ShiftModifier);
    EXPECT_EQ(Name(), "BAKER");
    EXPECT_EQ(grid->SelectedCount(), 3);
    for (int row : {1, 2, 3})
        EXPECT_TRUE(grid->IsRowSelected(row)) << row;
    EXPECT_FALSE(grid->IsRowSelected(0));
    EXPECT_FALSE(grid->IsRowSelected(4));
    // The range runs forwards as well, from the record last Shift-clicked.
    ClickCell(1, 5, Qt::ShiftModifier);
    EXPECT_EQ(Name(), "EVANS");
    EXPECT_EQ(grid->SelectedCount(), 4);
    EXPECT_FALSE(grid->IsRowSelected(0));
    // Without msoShiftSelect a Shift click only toggles its record.
    grid->MultiSelectOptions = {};
    ClickCell(1, 1, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedCount(), 5);
}

// ---- Pictures ----

class DwDBGridBitmapTest : public DwDBGridTest {
protected:
    void SetUp() override {
        DwDBGridTest::SetUp();
        GoTo(1);
        StorePicture(20, 10, clRed);
        GoTo(2);
        StoreBytes("this is no picture at all");
        GoTo(3);
        // A picture file that claims no pixels.
        std::string empty = "BM";
        empty += std::string("\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 16);
        empty += std::string(40 - 4, '\0');
        StoreBytes(empty);
        table->First();
        ControlTypes({"PAID;CheckBox;True;False", "PHOTO;Bitmap;Stretch To Fit;Source Copy"});
        grid->SetRowHeightPercent(200);
        Attach();
    }
    QColor Middle(const QImage& image, int col, int row) {
        const TRect r = grid->CellRect(col, row);
        return At(image, grid, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
};

TEST_F(DwDBGridBitmapTest, APictureFillsItsCellAndABadOneLeavesItEmptyOnEveryPaint) {
    const int photo = 4;
    EXPECT_EQ(Middle(Picture(), photo, 1), QColor(Qt::red));
    for (int paint = 0; paint < 2; ++paint) {
        grid->Invalidate();
        const QImage image = Picture();
        EXPECT_EQ(Middle(image, photo, 2), TColorToQColor(clWindow));
        EXPECT_EQ(Middle(image, photo, 3), TColorToQColor(clWindow));
    }
    EXPECT_TRUE(services.MessageBoxes.empty());
    // Picture cells take no text editor.
    grid->SetSelectedIndex(3);
    Type(grid, Qt::Key_F2);
    EXPECT_FALSE(grid->EditorMode());
    if (const char* path = std::getenv("VANTREL_SCREENSHOT")) {
        GoTo(4);
        table->Edit();
        table->FieldByName("PAID")->SetAsBoolean(true);
        table->Post();
        StorePicture(30, 30, clBlue);
        ASSERT_TRUE(Picture().save(QString::fromLocal8Bit(path), "PNG"));
    }
}

TEST_F(DwDBGridBitmapTest, ARasterOperationCombinesThePictureWithTheCell) {
    ControlTypes({"PHOTO;Bitmap;Stretch To Fit;Not Source Copy"});
    grid->Invalidate();
    EXPECT_EQ(Middle(Picture(), 4, 1), QColor(Qt::cyan));
}

// ---- Edit controls over the cell, rich text ----

class DwDBGridAttachedTest : public DwDBGridTest {
protected:
    void SetUp() override {
        DwDBGridTest::SetUp();
        edit = new TTestDBEdit(form);
        edit->SetName("NameEdit");
        edit->SetParent(form);
        edit->SetBounds(0, 250, 100, 20);
        ControlTypes({"NAME;CustomEdit;NameEdit"});
        grid->SetDataSource(source.get());
        grid->BeginLoading();
        grid->Loaded();
        grid->SetFocus();
    }
    TTestDBEdit* edit = nullptr;
};

TEST_F(DwDBGridAttachedTest, TheEditSitsOverTheCurrentCellAndTakesKeys) {
    EXPECT_EQ(edit->Parent(), grid);
    EXPECT_EQ(edit->DataSource(), source.get());
    EXPECT_EQ(edit->DataField(), "NAME");
    Picture();
    ASSERT_EQ(grid->AttachedControl(), edit);
    EXPECT_TRUE(edit->Visible());
    EXPECT_EQ(edit->Left(), grid->CellRect(1, 1).Left);
    EXPECT_EQ(edit->Text(), "ADAMS");
    Type(grid, Qt::Key_F2);
    EXPECT_TRUE(edit->Focused());
    // Leaving the grid for another control hides the edit; Alt+Down brings the focus back to it.
    auto* other = PlaceControl<TEdit>(form, form, 200, 250, 100, 20);
    other->SetFocus();
    EXPECT_FALSE(edit->Visible());
    grid->SetFocus();
    Picture();
    EXPECT_TRUE(edit->Visible());
    Type(grid, Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(edit->Focused());
    // Hiding the field's column takes the edit away with it.
    grid->SetFocus();
    Picture();
    ASSERT_TRUE(edit->Visible());
    table->FieldByName("NAME")->SetVisible(false);
    Picture();
    EXPECT_FALSE(edit->Visible());
    table->FieldByName("NAME")->SetVisible(true);
    grid->SetSelectedIndex(0);
    // Back in the grid, Right leaves the cell and hides the edit.
    grid->SetFocus();
    Type(grid, Qt::Key_Right);
    EXPECT_FALSE(edit->Visible());
    EXPECT_EQ(grid->AttachedControl(), nullptr);
    // A character typed on the cell goes on to the edit.
    Type(grid, Qt::Key_Left);
    Picture();
    TypeCharacter(grid, Qt::Key_Z, "z");
    EXPECT_TRUE(edit->Focused());
    EXPECT_NE(edit->Text().find('z'), std::string::npos);
}

TEST_F(DwDBGridAttachedTest, TheEditFollowsTheCurrentCellDownTheRowsAndToItsNewWidth) {
    Picture();
    ASSERT_TRUE(edit->Visible());
    const auto expectOver = [&](int row) {
        Picture();
        const TRect cell = grid->CellRect(1, row);
        EXPECT_EQ(edit->Left(), cell.Left) << row;
        EXPECT_EQ(edit->Top(), cell.Top) << row;
        EXPECT_EQ(edit->Width(), cell.Width()) << row;
        EXPECT_EQ(edit->Height(), cell.Height()) << row;
    };
    expectOver(1);
    Type(grid, Qt::Key_Down);
    expectOver(2);
    Type(grid, Qt::Key_Down);
    expectOver(3);
    EXPECT_EQ(edit->Text(), "CLARK");
    grid->SetColWidths(1, grid->ColWidths(1) + 17);
    expectOver(3);
    grid->SetRowHeightPercent(150);
    expectOver(3);
    // A wider indicator moves the cell to the right alone.
    grid->SetColWidths(0, grid->ColWidths(0) + 9);
    expectOver(3);
}

TEST_F(DwDBGridAttachedTest, RichTextShowsAsPlainTextAndF2GoesToItsEditor) {
    table->Edit();
    table->FieldByName("NOTE")->SetAsString(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\b Late\\b0\\par}");
    table->Post();
    ControlTypes({"NOTE;RichEdit;NameEdit"});
    EXPECT_EQ(grid->GetFieldValue(2), "Late");
    std::vector<Word> keys;
    edit->OnKeyDown = [&](TObject*, Word& key, TShiftState) { keys.push_back(key); };
    grid->SetSelectedIndex(2);
    Type(grid, Qt::Key_F2);
    EXPECT_EQ(keys, std::vector<Word>{VK_F2});
    EXPECT_FALSE(grid->EditorMode());
}

} // namespace
