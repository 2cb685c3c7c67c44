#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include "QtTestEnvironment.h"
#include "res/DialogTemplates.h"
#include "settings/Settings.h"
#include "ui/ColorAdjustDlg.h"
#include "ui/DialogBuilder.h"

using namespace testing_support;
using ui::CColorAdjustDlg;
using ui::ControlById;

namespace {

class ColorAdjustDlg : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings::Hue = 0;
        settings::Saturation = 40;
        settings::Value = 10;
    }

    static QLineEdit &Edit(CColorAdjustDlg &d, int id) { return *ControlById<QLineEdit>(d, id); }
    static QSlider &Slider(CColorAdjustDlg &d, int id) { return *ControlById<QSlider>(d, id); }
    static void Type(QLineEdit &edit, const char *text)
    {
        edit.setFocus();
        edit.selectAll();
        QTest::keyClicks(&edit, QString::fromUtf8(text));
    }
};

TEST_F(ColorAdjustDlg, OpensWithTheSettingsAndRanges)
{
    CColorAdjustDlg dialog;
    dialog.show();
    EXPECT_EQ(Slider(dialog, res::IDC_HUE_SLIDER).minimum(), -180);
    EXPECT_EQ(Slider(dialog, res::IDC_HUE_SLIDER).maximum(), 180);
    EXPECT_EQ(Slider(dialog, res::IDC_VALUE_SLIDER).minimum(), -100);
    EXPECT_EQ(Slider(dialog, res::IDC_SATURATION_SLIDER).value(), 40);
    EXPECT_EQ(Edit(dialog, res::IDC_SATURATION_EDIT).text(), "40");
    EXPECT_EQ(Edit(dialog, res::IDC_VALUE_EDIT).text(), "10");
    for (QLabel *label : dialog.findChildren<QLabel *>()) {
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 200))
            << label->text().toStdString();
    }
}

TEST_F(ColorAdjustDlg, TypedValueBeyondTheRangeIsClampedAndStored)
{
    CColorAdjustDlg dialog;
    dialog.show();
    Type(Edit(dialog, res::IDC_SATURATION_EDIT), "250");
    EXPECT_EQ(Slider(dialog, res::IDC_SATURATION_SLIDER).value(), 100);
    EXPECT_EQ(Edit(dialog, res::IDC_SATURATION_EDIT).text(), "100");
    QTest::mouseClick(ControlById<QPushButton>(dialog, res::IDOK), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings::Saturation, 100);
}

TEST_F(ColorAdjustDlg, TrailingLetterIsDroppedAtOnce)
{
    CColorAdjustDlg dialog;
    dialog.show();
    Type(Edit(dialog, res::IDC_HUE_EDIT), "12a");
    EXPECT_EQ(Edit(dialog, res::IDC_HUE_EDIT).text(), "12");
    EXPECT_EQ(Slider(dialog, res::IDC_HUE_SLIDER).value(), 12);
}

TEST_F(ColorAdjustDlg, EmptiedBoxAsksForAnIntegerAndGetsItsValueBack)
{
    settings::Hue = 5;
    CColorAdjustDlg dialog;
    dialog.show();
    QLineEdit &edit = Edit(dialog, res::IDC_HUE_EDIT);
    edit.setFocus();
    edit.selectAll();
    MessageCatcher message;
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(message.text, "Please enter an integer.");
    EXPECT_EQ(edit.text(), "5");
    EXPECT_EQ(Slider(dialog, res::IDC_HUE_SLIDER).value(), 5);
}

TEST_F(ColorAdjustDlg, StoredValueOutOfRangeOpensClampedAndCancelKeepsIt)
{
    settings::Hue = 500;
    {
        CColorAdjustDlg dialog;
        dialog.show();
        EXPECT_EQ(Slider(dialog, res::IDC_HUE_SLIDER).value(), 180);
        EXPECT_EQ(Edit(dialog, res::IDC_HUE_EDIT).text(), "180");
        Slider(dialog, res::IDC_VALUE_SLIDER).setValue(-60);
        EXPECT_EQ(Edit(dialog, res::IDC_VALUE_EDIT).text(), "-60");
        QTest::mouseClick(ControlById<QPushButton>(dialog, res::IDCANCEL), Qt::LeftButton);
    }
    EXPECT_EQ(settings::Hue, 500);
    EXPECT_EQ(settings::Value, 10);
    {
        CColorAdjustDlg dialog;
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_EQ(settings::Hue, 500);
    }
    CColorAdjustDlg dialog;
    dialog.show();
    dialog.accept();
    EXPECT_EQ(settings::Hue, 180);
}

struct ScanCase
{
    const char *text;
    bool ok;
    int value;
};

void PrintTo(const ScanCase &c, std::ostream *os)
{
    *os << "'" << c.text << "'";
}

class ScanInteger : public ::testing::TestWithParam<ScanCase>
{ };

TEST_P(ScanInteger, ReadsLikeScanfPercentD)
{
    int value = -999;
    EXPECT_EQ(ui::ScanInteger(QString::fromUtf8(GetParam().text), value), GetParam().ok);
    if (GetParam().ok) {
        EXPECT_EQ(value, GetParam().value);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, ScanInteger,
    ::testing::Values(ScanCase{"12", true, 12}, ScanCase{"  -7x", true, -7},
        ScanCase{"+3", true, 3}, ScanCase{"", false, 0}, ScanCase{"-", false, 0},
        ScanCase{"a1", false, 0}, ScanCase{"99999999999", true, 2147483647}));

} // namespace
