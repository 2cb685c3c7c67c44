#pragma once

#include <QDialog>

class QLineEdit;
class QSlider;

namespace ui {

// Sets Hue, Saturation and Value with a slider and an edit box each, which follow each other.
// The settings change only when the user leaves with OK.
class CColorAdjustDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CColorAdjustDlg(QWidget *parent = nullptr);

    // Copies the edit boxes into the members (save true; false when a box holds no integer,
    // after telling the user) or the members into the boxes.
    bool UpdateData(bool save);

    int m_nHue;
    int m_nSaturation;
    int m_nValue;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct Pair
    {
        QSlider *slider;
        QLineEdit *edit;
        int *member;
    };

    void OnSliderChanged(const Pair &pair);
    void OnEditChanged(const Pair &pair);

    Pair m_pairs[3];
    bool m_shown = false;
};

// Reads an integer as sscanf's "%d" does from the first 63 characters: white space, an optional
// sign, at least one digit; what follows is ignored. False when there is no integer.
bool ScanInteger(const QString &text, int &value);

} // namespace ui
