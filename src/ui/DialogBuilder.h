#pragma once

#include <QFont>
#include <QString>

class QDialog;
class QWidget;

namespace res {
struct DialogTemplate;
}

namespace ui {

// The dialog font: the template's families in order, at its point size.
QFont DialogFont(const res::DialogTemplate &dialog);

// Converts dialog units to pixels as Windows does: x × average character width / 4 and
// y × character height / 8, both measured on the dialog font.
class CDialogUnits
{
public:
    explicit CDialogUnits(const QFont &font);
    int X(int units) const { return units * m_baseX / 4; }
    int Y(int units) const { return units * m_baseY / 8; }

private:
    int m_baseX;
    int m_baseY;
};

// Creates the template's controls as children of `dialog`, sizes the dialog and sets its caption
// and font. Every control is found again by ControlById; ids shared by several controls (none
// in one dialog) and controls without id get the object name "control_<id>" or "static_<n>".
void BuildDialog(QDialog &dialog, const res::DialogTemplate &dialogTemplate);

// The control with `id`, or nullptr.
template <typename Widget> Widget *ControlById(const QWidget &dialog, int id);
QWidget *ControlWidget(const QWidget &dialog, int id);

template <typename Widget> Widget *ControlById(const QWidget &dialog, int id)
{
    return qobject_cast<Widget *>(ControlWidget(dialog, id));
}

// A message box with an OK button, owned by `parent`; with no caption, the application's name.
void ShowMessage(QWidget *parent, const QString &text, const QString &caption = {});

} // namespace ui
