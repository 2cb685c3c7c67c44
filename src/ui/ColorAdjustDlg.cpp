#include "ColorAdjustDlg.h"

#include <climits>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "res/DialogTemplates.h"
#include "settings/Settings.h"
#include "ui/DialogBuilder.h"

namespace ui {

bool ScanInteger(const QString &text, int &value)
{
    const QString head = text.left(63);
    int i = 0;
    while (i < head.size() && head.at(i).isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < head.size() && (head.at(i) == QLatin1Char('-') || head.at(i) == QLatin1Char('+'))) {
        negative = head.at(i) == QLatin1Char('-');
        ++i;
    }
    long long number = 0;
    const int firstDigit = i;
    while (i < head.size() && head.at(i) >= QLatin1Char('0') && head.at(i) <= QLatin1Char('9')) {
        number = std::min<long long>(number * 10 + (head.at(i).unicode() - '0'), 1LL << 32);
        ++i;
    }
    if (i == firstDigit) {
        return false;
    }
    number = negative ? -number : number;
    value = static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, number)));
    return true;
}

CColorAdjustDlg::CColorAdjustDlg(QWidget *parent)
    : QDialog(parent)
    , m_nHue(settings::Hue)
    , m_nSaturation(settings::Saturation)
    , m_nValue(settings::Value)
{
    BuildDialog(*this, res::ColorDialogTemplate());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    for (QLabel *label : findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(0, 0, 200));
        label->setPalette(palette);
    }
    m_pairs[0] = {ControlById<QSlider>(*this, res::IDC_HUE_SLIDER),
        ControlById<QLineEdit>(*this, res::IDC_HUE_EDIT), &m_nHue};
    m_pairs[1] = {ControlById<QSlider>(*this, res::IDC_SATURATION_SLIDER),
        ControlById<QLineEdit>(*this, res::IDC_SATURATION_EDIT), &m_nSaturation};
    m_pairs[2] = {ControlById<QSlider>(*this, res::IDC_VALUE_SLIDER),
        ControlById<QLineEdit>(*this, res::IDC_VALUE_EDIT), &m_nValue};

    UpdateData(false);
    const int ranges[3][2] = {{-180, 180}, {-100, 100}, {-100, 100}};
    const int positions[3] = {settings::Hue, settings::Saturation, settings::Value};
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker blocker(m_pairs[i].slider);
        m_pairs[i].slider->setRange(ranges[i][0], ranges[i][1]);
        m_pairs[i].slider->setValue(positions[i]); // a slider clamps into its range
    }
    m_nHue = settings::Hue;
    m_nSaturation = settings::Saturation;
    m_nValue = settings::Value;
    UpdateData(false);

    for (const Pair &pair : m_pairs) {
        connect(pair.slider, &QSlider::valueChanged, this, [this, pair] { OnSliderChanged(pair); });
        connect(pair.edit, &QLineEdit::textEdited, this, [this, pair] { OnEditChanged(pair); });
    }
    connect(ControlById<QPushButton>(*this, res::IDOK), &QPushButton::clicked, this,
        &CColorAdjustDlg::accept);
    connect(ControlById<QPushButton>(*this, res::IDCANCEL), &QPushButton::clicked, this,
        &QDialog::reject);
}

bool CColorAdjustDlg::UpdateData(bool save)
{
    for (const Pair &pair : m_pairs) {
        const QSignalBlocker blocker(pair.edit);
        if (!save) {
            const QString text = QString::number(*pair.member);
            if (pair.edit->text() != text) {
                pair.edit->setText(text);
            }
            continue;
        }
        if (!ScanInteger(pair.edit->text(), *pair.member)) {
            ShowMessage(this, QStringLiteral("Please enter an integer."));
            pair.edit->setFocus();
            pair.edit->selectAll();
            return false;
        }
    }
    return true;
}

// A slider's position reaches its box on every change and when the dialog first shows, so a
// clamped position always shows in the box.
void CColorAdjustDlg::OnSliderChanged(const Pair &pair)
{
    UpdateData(true);
    *pair.member = pair.slider->value();
    UpdateData(false);
}

void CColorAdjustDlg::OnEditChanged(const Pair &pair)
{
    (void)UpdateData(true); // on failure the member keeps its value and goes back into the box
    {
        const QSignalBlocker blocker(pair.slider);
        pair.slider->setValue(*pair.member);
    }
    UpdateData(false);
    OnSliderChanged(pair);
}

void CColorAdjustDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        for (const Pair &pair : m_pairs) {
            OnSliderChanged(pair);
        }
    }
}

void CColorAdjustDlg::accept()
{
    settings::Hue = m_pairs[0].slider->value();
    settings::Saturation = m_pairs[1].slider->value();
    settings::Value = m_pairs[2].slider->value();
    if (!UpdateData(true)) {
        return;
    }
    QDialog::accept();
}

} // namespace ui
