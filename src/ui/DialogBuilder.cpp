#include "DialogBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>

#include "res/DialogTemplates.h"

namespace ui {

using res::ControlKind;

QFont DialogFont(const res::DialogTemplate &dialog)
{
    QFont font;
    QStringList families;
    for (const char *family : dialog.fontFamilies) {
        families << QString::fromUtf8(family);
    }
    font.setFamilies(families);
    font.setPointSize(dialog.pointSize);
    return font;
}

CDialogUnits::CDialogUnits(const QFont &font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (letters / 26 + 1) / 2;
    m_baseY = metrics.height();
}

namespace {

    QWidget *CreateControl(const res::ControlTemplate &control, QDialog &dialog)
    {
        const QString text = QString::fromUtf8(control.text);
        switch (control.kind) {
        case ControlKind::StaticText: {
            auto *label = new QLabel(text, &dialog);
            Qt::Alignment alignment =
                (control.style & res::kCentred) ? Qt::AlignHCenter : Qt::AlignLeft;
            alignment |= (control.style & res::kVCentred) ? Qt::AlignVCenter : Qt::AlignTop;
            label->setAlignment(alignment);
            label->setTextFormat(Qt::PlainText);
            if (control.style & res::kSunken) {
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setLineWidth(1);
            }
            return label;
        }
        case ControlKind::ListCombo:
        case ControlKind::EditCombo: {
            auto *combo = new QComboBox(&dialog);
            combo->setEditable(control.kind == ControlKind::EditCombo);
            for (const char *item : control.items) {
                combo->addItem(QString::fromUtf8(item));
            }
            // A new list starts with nothing selected.
            combo->setCurrentIndex(-1);
            if (combo->isEditable()) {
                combo->setInsertPolicy(QComboBox::NoInsert);
                combo->setEditText(QString());
            }
            return combo;
        }
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto *button = new QPushButton(text, &dialog);
            button->setDefault(control.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, &dialog);
        case ControlKind::GroupBox:
            return new QGroupBox(text, &dialog);
        case ControlKind::Slider: {
            auto *slider = new QSlider(Qt::Horizontal, &dialog);
            slider->setTickPosition(QSlider::NoTicks);
            return slider;
        }
        case ControlKind::EditBox:
            return new QLineEdit(&dialog);
        case ControlKind::Icon: {
            auto *icon = new QLabel(&dialog);
            icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
            icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return icon;
        }
        }
        return nullptr;
    }

} // namespace

void BuildDialog(QDialog &dialog, const res::DialogTemplate &dialogTemplate)
{
    const QFont font = DialogFont(dialogTemplate);
    dialog.setFont(font);
    dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    dialog.setProperty("dialogId", dialogTemplate.id);
    const CDialogUnits units(font);

    QWidget *previousTabStop = nullptr;
    int unnamed = 0;
    for (const res::ControlTemplate &control : dialogTemplate.controls) {
        QWidget *widget = CreateControl(control, dialog);
        widget->setObjectName(control.id == res::kNoId
                ? QStringLiteral("static_%1").arg(unnamed++)
                : QStringLiteral("control_%1").arg(control.id));
        widget->setProperty("controlId", control.id);
        int height = units.Y(control.height);
        if (control.kind == ControlKind::ListCombo || control.kind == ControlKind::EditCombo) {
            // The template's height includes the dropped list; the closed box is one line high.
            height = std::max(widget->sizeHint().height(), units.Y(12));
        }
        widget->setGeometry(units.X(control.x), units.Y(control.y), units.X(control.width), height);
        widget->setVisible(!(control.style & res::kHidden));
        if (control.style & res::kTabStop) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop) {
                QWidget::setTabOrder(previousTabStop, widget);
            }
            previousTabStop = widget;
        } else if (control.kind != ControlKind::EditCombo && control.kind != ControlKind::EditBox) {
            widget->setFocusPolicy(Qt::NoFocus);
        }
    }
    // Group boxes only frame their neighbours: keep them below, so they never take their clicks.
    for (QGroupBox *group :
        dialog.findChildren<QGroupBox *>(QString(), Qt::FindDirectChildrenOnly)) {
        group->lower();
    }
    dialog.setFixedSize(units.X(dialogTemplate.width), units.Y(dialogTemplate.height));
}

QWidget *ControlWidget(const QWidget &dialog, int id)
{
    return dialog.findChild<QWidget *>(
        QStringLiteral("control_%1").arg(id), Qt::FindDirectChildrenOnly);
}

void ShowMessage(QWidget *parent, const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::NoIcon,
        caption.isEmpty() ? QCoreApplication::applicationName() : caption, text, QMessageBox::Ok,
        parent);
    box.exec();
}

} // namespace ui
