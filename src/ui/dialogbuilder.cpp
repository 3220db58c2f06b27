#include "ui/dialogbuilder.h"

#include "controls/hoverbitmapbutton.h"
#include "controls/resourceimages.h"
#include "ui/multilineedit.h"

#include <QComboBox>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include <cstdint>

using namespace DialogStyle;

namespace {

// Kept on each control so that later exchanges know what the template
// asked for (a sorted list, for one).
constexpr const char* kStyleProperty = "dialogStyle";

// A static control's text with its mnemonic markers resolved as the
// platform draws them when there is no control to move to: "&&" shows one
// ampersand, a single "&" is dropped.
QString WithoutMnemonic(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        else if (text[i] == QLatin1Char('&'))
            continue;
        plain.append(text[i]);
    }
    return plain;
}

QPixmap StaticImage(const DialogItemTemplate& item, qreal devicePixelRatio) {
    if ((item.style & SS_TYPEMASK) == SS_ICON) {
        // An icon static shows the icon at the platform's standard size.
        const QIcon icon = LoadIconResource(item.imageId);
        return icon.isNull() ? QPixmap() : icon.pixmap(QSize(32, 32), devicePixelRatio);
    }
    return LoadBitmapResource(item.imageId, devicePixelRatio);
}

QWidget* CreateStatic(QDialog& dialog, const DialogItemTemplate& item, const QRect& rect) {
    auto* label = new QLabel(&dialog);
    label->setFocusPolicy(Qt::NoFocus);
    const uint32_t type = item.style & SS_TYPEMASK;
    if (type == SS_BITMAP || type == SS_ICON) {
        const QPixmap pixmap = StaticImage(item, dialog.devicePixelRatioF());
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (pixmap.isNull()) {
            label->setGeometry(rect);
        } else {
            // The control takes the picture's own size.
            label->setPixmap(pixmap);
            label->setGeometry(QRect(rect.topLeft(), pixmap.deviceIndependentSize().toSize()));
        }
        return label;
    }
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(TemplateText(item.text));
    label->setGeometry(rect);
    return label;
}

QWidget* CreateEdit(QDialog& dialog, const DialogItemTemplate& item, const QRect& rect) {
    const bool readOnly = (item.style & ES_READONLY) != 0;
    const bool border = (item.style & WS_BORDER) != 0;
    if (item.style & ES_MULTILINE) {
        auto* edit = new CMultiLineEdit((item.style & ES_WANTRETURN) != 0,
                                        (item.style & ES_AUTOHSCROLL) != 0, &dialog);
        edit->setReadOnly(readOnly);
        if (border) {
            edit->setFrameStyle(QFrame::Box | QFrame::Plain);
            edit->setLineWidth(1);
        } else {
            edit->setFrameStyle(QFrame::NoFrame);
        }
        edit->SetText(TemplateText(item.text));
        edit->setGeometry(rect);
        return edit;
    }
    auto* edit = new QLineEdit(TemplateText(item.text), &dialog);
    edit->setReadOnly(readOnly);
    edit->setFrame(border);
    edit->setGeometry(rect);
    return edit;
}

QWidget* CreateButton(QDialog& dialog, const DialogItemTemplate& item, const QRect& rect) {
    const uint32_t type = item.style & BS_TYPEMASK;
    if (type == BS_OWNERDRAW) {
        auto* button = new CHoverBitmapButton(&dialog);
        button->setText(TemplateText(item.text));
        button->setGeometry(rect);
        return button;
    }
    auto* button = new QPushButton(TemplateText(item.text), &dialog);
    // The template dialogs decide themselves which button Enter presses
    // (CTemplateDialog); left to itself, a QDialog with no default button
    // would make its first push button the default.
    button->setAutoDefault(false);
    button->setDefault(type == BS_DEFPUSHBUTTON);
    button->setGeometry(rect);
    return button;
}

QWidget* CreateComboBox(QDialog& dialog, const DialogItemTemplate& item, const QRect& rect) {
    auto* combo = new QComboBox(&dialog);
    if ((item.style & CBS_TYPEMASK) == CBS_DROPDOWN) {
        combo->setEditable(true);
        // What the user types stays in the edit field; it never becomes an
        // item, and nothing is completed for them.
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
    }
    // The template's height is that of the dropped-down list; the field
    // itself is as high as its font needs.
    combo->setGeometry(rect.x(), rect.y(), rect.width(), combo->sizeHint().height());
    return combo;
}

QWidget* CreateLink(QDialog& dialog, const DialogItemTemplate& item, const QRect& rect) {
    auto* label = new QLabel(&dialog);
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(false);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(TemplateText(item.text));
    label->setGeometry(rect);
    return label;
}

QWidget* CreateControl(QDialog& dialog, const DialogItemTemplate& item, const QRect& rect) {
    switch (item.controlClass) {
    case DialogControlClass::Static:
        return CreateStatic(dialog, item, rect);
    case DialogControlClass::Edit:
        return CreateEdit(dialog, item, rect);
    case DialogControlClass::Button:
        return CreateButton(dialog, item, rect);
    case DialogControlClass::ComboBox:
        return CreateComboBox(dialog, item, rect);
    case DialogControlClass::Link:
        return CreateLink(dialog, item, rect);
    }
    return nullptr;
}

uint32_t ControlStyle(const QWidget* control) {
    return control->property(kStyleProperty).toUInt();
}

} // namespace

QList<QWidget*> BuildDialogFromTemplate(QDialog& dialog, const DialogTemplate& dialogTemplate) {
    const QFont font = DialogTemplateFont(dialogTemplate, dialog.logicalDpiY());
    const QSize baseUnits = DialogBaseUnits(font);

    dialog.setWindowTitle(TemplateText(dialogTemplate.title));
    dialog.setFont(font);
    dialog.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setFixedSize(DialogClientSize(dialogTemplate, baseUnits));

    QList<QWidget*> controls;
    controls.reserve(static_cast<qsizetype>(dialogTemplate.items.size()));
    for (const DialogItemTemplate& item : dialogTemplate.items) {
        const QRect rect = DialogItemRect(item, baseUnits);
        QWidget* control = CreateControl(dialog, item, rect);
        control->setObjectName(QString::number(item.id));
        if (!item.accessibleName.empty())
            control->setAccessibleName(TemplateText(item.accessibleName));
        control->setProperty(kStyleProperty, item.style);
        control->setEnabled((item.style & WS_DISABLED) == 0);
        control->setVisible((item.style & WS_VISIBLE) != 0);
        controls.append(control);
    }

    // A prefixed static's mnemonic moves the focus to the control after it.
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const DialogItemTemplate& item = dialogTemplate.items[static_cast<size_t>(i)];
        auto* label = qobject_cast<QLabel*>(controls[i]);
        if (item.controlClass != DialogControlClass::Static || !label ||
            (item.style & SS_TYPEMASK) != SS_LEFT || !label->text().contains(QLatin1Char('&')))
            continue;
        if (item.style & SS_NOPREFIX)
            continue;
        if (i + 1 < controls.size())
            label->setBuddy(controls[i + 1]);
        else
            label->setText(WithoutMnemonic(label->text()));
    }

    // Tab stops in template order; other controls take the focus only when
    // clicked.
    QWidget* previous = nullptr;
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const DialogItemTemplate& item = dialogTemplate.items[static_cast<size_t>(i)];
        QWidget* control = controls[i];
        if (item.controlClass == DialogControlClass::Static)
            continue;
        if (!(item.style & WS_TABSTOP)) {
            control->setFocusPolicy(item.controlClass == DialogControlClass::Link ? Qt::NoFocus
                                                                                  : Qt::ClickFocus);
            continue;
        }
        control->setFocusPolicy(Qt::StrongFocus);
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
    return controls;
}

QString GetControlText(const QWidget* control) {
    if (const auto* edit = qobject_cast<const CMultiLineEdit*>(control))
        return edit->Text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return control ? control->windowTitle() : QString();
}

void SetControlText(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<CMultiLineEdit*>(control))
        edit->SetText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable())
        combo->setEditText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (control)
        control->setWindowTitle(text);
}

int AddComboString(QComboBox* combo, const QString& text) {
    int index = combo->count();
    if (ControlStyle(combo) & CBS_SORT) {
        // After every item that does not sort after the new one, as the
        // platform's sorted list inserts.
        index = 0;
        while (index < combo->count() &&
               QString::compare(combo->itemText(index), text, Qt::CaseInsensitive) <= 0)
            ++index;
    }
    // Adding an item must not change what the edit field shows.
    const QString editText = combo->isEditable() ? combo->currentText() : QString();
    const int selected = combo->currentIndex();
    combo->insertItem(index, text);
    if (selected < 0) {
        // The first item of an empty list would otherwise become selected.
        combo->setCurrentIndex(-1);
        if (combo->isEditable())
            combo->setEditText(editText);
    }
    return index;
}

int GetComboSelection(const QComboBox* combo) {
    const int index = combo->currentIndex();
    if (index < 0)
        return -1;
    if (combo->isEditable() && combo->currentText() != combo->itemText(index))
        return -1;
    return index;
}

void SetComboSelection(QComboBox* combo, int index) {
    if (index >= 0 && index < combo->count()) {
        combo->setCurrentIndex(index);
        if (combo->isEditable())
            combo->setEditText(combo->itemText(index));
        return;
    }
    combo->setCurrentIndex(-1);
    if (combo->isEditable())
        combo->clearEditText();
}
